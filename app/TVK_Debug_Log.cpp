#include "TVK_Debug_Log.h"

#include "TVK_Debug_Logfile.h"

#include <QDateTime>

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::atomic<quint32> g_mask{0};

// Serialises formatting and hand-over to the handler, so a line of one thread
// never lands inside another's and a hex dump stays in one piece.
std::mutex &formatMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr size_t kFormatBufferSize = 1024;

// Length of the valid UTF-8 sequence at text[at], 0 when there is none.
size_t utf8SequenceLength(const unsigned char *text, size_t size, size_t at)
{
    const unsigned char lead = text[at];
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > size || text[at + 1] < low || text[at + 1] > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if (text[at + i] < 0x80 || text[at + i] > 0xBF)
            return 0;
    }
    return length;
}

// Names from a camera, a file or a client are raw bytes. Qt would turn bytes
// that are no UTF-8 into replacement characters; written as \xHH instead, the
// log shows what actually came. (Control characters are the log file's to
// escape, since Qt's own messages never pass here.)
const char *withInvalidUtf8Escaped(const char *text, size_t size, std::string *storage)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    size_t at = 0;
    while (at < size && bytes[at] < 0x80)
        ++at;
    if (at == size)
        return text;
    storage->assign(text, at);
    while (at < size) {
        const size_t length = utf8SequenceLength(bytes, size, at);
        if (length == 0) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", bytes[at]);
            storage->append(escape);
            ++at;
        } else {
            storage->append(text + at, length);
            at += length;
        }
    }
    return storage->c_str();
}

} // namespace

void setDebugLogCategories(int bits, bool on)
{
    if (on)
        g_mask.fetch_or(quint32(bits));
    else
        g_mask.fetch_and(~quint32(bits));
}

quint32 debugLogCategories()
{
    return g_mask.load();
}

void setStartupDebugLogCategories()
{
    setDebugLogCategories(0x7F, true);
    setDebugLogCategories(0x1FF00, true);
    setDebugLogCategories(0x3F000000, true);
    setDebugLogCategories(0x4, false);
    setDebugLogCategories(0x10, false);
    setDebugLogCategories(kLELog3DAxis, false);
    setDebugLogCategories(0x40, false);
    setDebugLogCategories(kLELogStream, false);
}

bool debugLogEnabled(int category)
{
    return category == 0 || (quint32(category) & g_mask.load()) != 0;
}

void debugLog(int category, const char *format, ...)
{
    const std::lock_guard<std::mutex> locker(formatMutex());
    if (!debugLogEnabled(category))
        return;

    // The usual line fits the fixed buffer; a longer one is formatted again
    // into a buffer of its exact size instead of being cut.
    static char buffer[kFormatBufferSize];
    va_list args;
    va_start(args, format);
    va_list retry;
    va_copy(retry, args);
    const int needed = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);

    if (needed < 0) {
        va_end(retry);
        qDebug("%s", "debugLog() - Error: message could not be formatted");
        return;
    }
    std::string escaped;
    if (size_t(needed) < sizeof buffer) {
        va_end(retry);
        qDebug("%s", withInvalidUtf8Escaped(buffer, size_t(needed), &escaped));
        return;
    }
    std::vector<char> large(size_t(needed) + 1);
    std::vsnprintf(large.data(), large.size(), format, retry);
    va_end(retry);
    qDebug("%s", withInvalidUtf8Escaped(large.data(), size_t(needed), &escaped));
}

void debugHexDump(const QString &title, const QString &label, const unsigned char *data,
                  size_t size, size_t maxLines, size_t bytesPerLine)
{
    const std::lock_guard<std::mutex> locker(formatMutex());
    if (!title.isEmpty())
        qDebug("%s", title.toLatin1().constData());

    const size_t perLine = bytesPerLine ? bytesPerLine : 16;
    const size_t lines = (size + perLine - 1) / perLine;
    if (lines == 0 || data == nullptr)
        return;

    const QByteArray labelText = label.toLatin1();
    for (size_t line = 0; line < lines; ++line) {
        const size_t offset = line * perLine;
        if (maxLines != 0 && line == maxLines) {
            qDebug("%s[%012llX]: ...", labelText.constData(), (unsigned long long)offset);
            return;
        }
        QByteArray hex;
        QByteArray text;
        hex.reserve(int(perLine * 3));
        for (size_t i = 0; i < perLine; ++i) {
            if (offset + i < size) {
                const unsigned char byte = data[offset + i];
                char group[4];
                std::snprintf(group, sizeof group, " %02X", byte);
                hex.append(group);
                text.append(std::isprint(byte) ? char(byte) : '.');
            } else {
                hex.append("   ");
            }
        }
        qDebug("%s[%012llX]:%s %s", labelText.constData(), (unsigned long long)offset,
               hex.constData(), text.constData());
    }
}

void debugHexDump(const QString &title, const QString &label, const QByteArray &data,
                  size_t maxLines, size_t bytesPerLine)
{
    debugHexDump(title, label, reinterpret_cast<const unsigned char *>(data.constData()),
                 size_t(data.size()), maxLines, bytesPerLine);
}

QString formatLogLine(QtMsgType type, const QString &timeStamp, const QString &text)
{
    QString level;
    switch (type) {
    case QtDebugMsg:
        level = QStringLiteral("{Debug}    %1");
        break;
    case QtWarningMsg:
        level = QStringLiteral("{Warning}  %1");
        break;
    case QtCriticalMsg:
        level = QStringLiteral("{Critical} %1");
        break;
    case QtFatalMsg:
        level = QStringLiteral("{Fatal}    %1");
        break;
    case QtInfoMsg:
        // Not one of the four levels the log knows; shown like a debug line.
        level = QStringLiteral("{Debug}    %1");
        break;
    }
    return QStringLiteral("[%1] ").arg(timeStamp) + level.arg(text);
}

void debugMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg)
        std::abort();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    TVK_Debug_Logfile::instance()->write(formatLogLine(type, stamp, text));
}

std::string methodName(std::string signature)
{
    const size_t scope = signature.find("::");
    const std::string head = signature.substr(0, scope);
    const size_t blank = head.rfind(' ');
    const size_t start = blank == std::string::npos ? 0 : blank + 1;
    const size_t paren = signature.rfind('(');
    const size_t end = (paren == std::string::npos || paren < start) ? signature.size() : paren;
    return signature.substr(start, end - start) + "()";
}

const char *keptMethodPrefix(const char *prettyFunction)
{
    const std::string prefix = methodPrefix(prettyFunction);
    char *kept = new char[prefix.size() + 1];
    std::memcpy(kept, prefix.c_str(), prefix.size() + 1);
    return kept;
}

std::string methodPrefix(const char *prettyFunction)
{
    std::string signature(prettyFunction ? prettyFunction : "");
    // Functions in an anonymous namespace carry "(anonymous namespace)::".
    static const std::string anonymous = "(anonymous namespace)::";
    for (size_t at = signature.find(anonymous); at != std::string::npos; at = signature.find(anonymous))
        signature.erase(at, anonymous.size());
    const size_t paren = signature.find('(');
    if (paren == std::string::npos)
        return methodName(signature);
    const std::string head = signature.substr(0, paren);
    const size_t blank = head.rfind(' ');
    return head.substr(blank == std::string::npos ? 0 : blank + 1) + "()";
}
