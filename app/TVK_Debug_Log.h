#pragma once

// Process-wide debug log: one printf-style entry point filtered by a category
// mask, a Qt message handler that time-stamps every line, and hex dumps.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <string>

// Log categories. 0 is "always"; a message passes when it shares a bit with the mask.
enum eLELogCategory : int {
    kLELogAlways = 0,
    kLELogCommand = 0x1,            // camera-access command trace
    kLELogDummy = 0x8,              // simulated camera
    kLELogTransfer = 0x100,         // image transfer progress
    kLELogDeviceInfo = 0x200,       // DeviceInfo dump
    kLELogSettings = 0x400,         // settings dump after a read
    kLELogFolders = 0x800,          // download-folder dump
    kLELogLens = 0x1000,            // lens record dump
    kLELogThreads = 0x2000,         // thread life cycle
    kLELog3DAxis = 0x4000,          // 3-axis polling and dump
    kLELogGeotacking = 0x8000,      // geotagging dump
    kLELogStream = 0x10000,         // live-view stream diagnostics
    kLELogConnection = 0x1000000,   // connection life cycle
    kLELogQuickView = 0x10000000,   // quick-view picture dump
    kLELogTcpServer = 0x20000000    // remote command server
};

// The mask the entry point leaves behind; tests compare against it.
constexpr quint32 kLEStartupLogMask = 0x3F00BF2Bu;

void debugLog(int category, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

bool debugLogEnabled(int category);
void setDebugLogCategories(int bits, bool on);
quint32 debugLogCategories();

// The eight steps of start-up, in their order; the result is kLEStartupLogMask.
void setStartupDebugLogCategories();

void debugHexDump(const QString &title, const QString &label, const unsigned char *data,
                  size_t size, size_t maxLines, size_t bytesPerLine);
void debugHexDump(const QString &title, const QString &label, const QByteArray &data,
                  size_t maxLines, size_t bytesPerLine);

void debugMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);

// Builds the handler's line without writing it (the time stamp is passed in so
// that the format can be checked exactly).
QString formatLogLine(QtMsgType type, const QString &timeStamp, const QString &text);

std::string methodName(std::string signature);

// Declares `const char *const name`, the log prefix of the enclosing member
// function ("Class::method()"), worked out once per function. The text is
// never freed: a thread that still logs while the process exits must not read
// a prefix that static destruction has already taken away.
#define TVK_METHOD(name)                                                              \
    static const char *const name##Storage_ = keptMethodPrefix(__PRETTY_FUNCTION__);  \
    const char *const name = name##Storage_

// The prefix of a compiler's full function signature: the qualified name in
// front of the parameter list, whatever the return type ("P::R P::parse(...)"
// gives "P::parse()", where methodName would stop at the return type's scope).
std::string methodPrefix(const char *prettyFunction);
// methodPrefix() in storage that lives until the process ends.
const char *keptMethodPrefix(const char *prettyFunction);
