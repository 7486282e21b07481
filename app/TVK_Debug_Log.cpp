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
    if (size_t(needed) < sizeof buffer) {
        va_end(retry);
        qDebug("%s", buffer);
        return;
    }
    std::vector<char> large(size_t(needed) + 1);
    std::vsnprintf(large.data(), large.size(), format, retry);
    va_end(retry);
    qDebug("%s", large.data());
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
