#include "TVK_Debug_Logfile.h"

#include "TVK_Platform_Base.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

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

TVK_Debug_Logfile::TVK_Debug_Logfile(const QString &filePath)
    : m_file(filePath)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    m_stream.setDevice(&m_file);
    m_stream.setCodec("UTF-8");
    // Opening write-only truncates: the log holds this run's lines only.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Text))
        m_file.close();
}

TVK_Debug_Logfile::~TVK_Debug_Logfile()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_stream.flush();
    m_file.close();
}

QString TVK_Debug_Logfile::fileName() const
{
    return m_file.fileName();
}

void TVK_Debug_Logfile::write(const QString &line)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    if (!m_open) {
        // A folder that cannot be written drops the line; the next one retries.
        m_open = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
        if (!m_open)
            return;
    }
    m_stream << line << Qt::endl;
    m_stream.flush();
}
