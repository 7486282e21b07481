#include "TVK_Debug_Logfile.h"

#include "TVK_Platform_Base.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLatin1Char>
#include <QLatin1String>

#include <chrono>
#include <mutex>

namespace {

bool needsEscape(ushort code)
{
    // C0 and DEL, C1 (U+0085 ends a line for some viewers) and the two
    // Unicode line breaks.
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The handler's lines begin with "[time stamp] "; plain lines have none.
int stampLength(const QString &line)
{
    if (!line.startsWith(QLatin1Char('[')))
        return 0;
    const int end = line.indexOf(QLatin1String("] "));
    return end < 0 ? 0 : end + 2;
}

// "{Debug}    " of "{Debug}    text", so that the count reads like its record.
QString levelTag(const QString &record)
{
    if (!record.startsWith(QLatin1Char('{')))
        return QString();
    const int close = record.indexOf(QLatin1Char('}'));
    if (close < 0)
        return QString();
    int end = close + 1;
    while (end < record.size() && record.at(end) == QLatin1Char(' '))
        ++end;
    return record.left(end);
}

} // namespace

TVK_Debug_Logfile *TVK_Debug_Logfile::instance()
{
    // Never destroyed: Qt may still report messages while statics are torn down.
    static TVK_Debug_Logfile *const logfile = new TVK_Debug_Logfile(defaultFilePath());
    return logfile;
}

QString TVK_Debug_Logfile::defaultFilePath()
{
    const QString folder = platform()->applicationDataFolder();
    const QString major = QCoreApplication::applicationVersion().section(QLatin1Char('.'), 0, 0);
    return folder + QLatin1Char('/') + QCoreApplication::applicationName() + major
           + QStringLiteral(".log");
}

QString TVK_Debug_Logfile::olderFilePath(const QString &filePath)
{
    return filePath + QStringLiteral(".1");
}

TVK_Debug_Logfile::TVK_Debug_Logfile(const QString &filePath)
    : m_file(filePath)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    // Opening write-only truncates: the log holds this run's lines only, and
    // an older file left by another run would pass for this one's.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Text))
        m_file.close();
    QFile::remove(olderFilePath(filePath));
}

TVK_Debug_Logfile::~TVK_Debug_Logfile()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_file.close();
}

QString TVK_Debug_Logfile::fileName() const
{
    return m_file.fileName();
}

void TVK_Debug_Logfile::setLimits(qint64 maxBytes, qint64 repeatWindowMs)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_maxBytes = maxBytes;
    m_repeats.setWindow(repeatWindowMs);
}

QString TVK_Debug_Logfile::escaped(const QString &line)
{
    int first = 0;
    while (first < line.size() && !needsEscape(line.at(first).unicode()))
        ++first;
    if (first == line.size())
        return line;
    QString text = line.left(first);
    for (int i = first; i < line.size(); ++i) {
        const ushort code = line.at(i).unicode();
        if (!needsEscape(code))
            text.append(line.at(i));
        else if (code == '\n')
            text.append(QLatin1String("\\n"));
        else if (code == '\r')
            text.append(QLatin1String("\\r"));
        else if (code == '\t')
            text.append(QLatin1String("\\t"));
        else
            text.append((code > 0xFF ? QStringLiteral("\\u%1") : QStringLiteral("\\x%1"))
                            .arg(QString::number(code, 16).toUpper(), code > 0xFF ? 4 : 2, QLatin1Char('0')));
    }
    return text;
}

void TVK_Debug_Logfile::write(const QString &line)
{
    const QString text = escaped(line);
    const int stamp = stampLength(text);
    const std::lock_guard<std::mutex> locker(m_mutex);
    const TVK_Debug_LogRepeats::Step step = m_repeats.take(text.mid(stamp), monotonicMs());
    if (step.repeats > 0)
        writeLineLocked(text.left(stamp) + levelTag(step.repeated)
                        + QStringLiteral("... repeated %1 times").arg(step.repeats));
    if (step.write)
        writeLineLocked(text);
}

void TVK_Debug_Logfile::writeLineLocked(const QString &line)
{
    if (!m_open) {
        // A folder that cannot be written drops the line; the next one retries.
        m_open = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
        if (!m_open)
            return;
        m_bytes = m_file.size();
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    if (m_bytes > 0 && m_bytes + bytes.size() > m_maxBytes)
        rotateLocked();
    if (!m_open)
        return;
    m_file.write(bytes);
    m_file.flush();
    m_bytes += bytes.size();
}

void TVK_Debug_Logfile::rotateLocked()
{
    const QString name = m_file.fileName();
    const QString older = olderFilePath(name);
    m_file.close();
    QFile::remove(older);
    // A file that cannot be moved aside is begun anew all the same: the limit
    // holds either way.
    const QIODevice::OpenMode mode = QFile::rename(name, older) ? QIODevice::Append : QIODevice::Truncate;
    m_open = m_file.open(QIODevice::WriteOnly | mode | QIODevice::Text);
    m_bytes = 0;
}
