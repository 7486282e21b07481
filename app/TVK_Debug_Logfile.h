#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

#include <mutex>

// The single log file of a run. Created with the first handled message, which
// empties the file, so each run starts with a fresh log; every line is flushed
// before write() returns, so a crash loses nothing that was logged.
class TVK_Debug_Logfile
{
public:
    // The process-wide instance in the platform's application-data folder.
    static TVK_Debug_Logfile *instance();

    // Binds to filePath, creating its folder and truncating the file.
    explicit TVK_Debug_Logfile(const QString &filePath);
    virtual ~TVK_Debug_Logfile();

    TVK_Debug_Logfile(const TVK_Debug_Logfile &) = delete;
    TVK_Debug_Logfile &operator=(const TVK_Debug_Logfile &) = delete;

    void write(const QString &line);
    QString fileName() const;

    // "<folder>/<applicationName><major version>.log", e.g. NorbaPellora3.log.
    static QString defaultFilePath();

private:
    bool m_open = false;
    QFile m_file;
    QTextStream m_stream;
    std::mutex m_mutex;
};
