#pragma once

#include "TVK_Debug_LogRepeats.h"

#include <QFile>
#include <QString>

#include <mutex>

// The single log file of a run. Created with the first handled message, which
// empties the file, so each run starts with a fresh log; every line is flushed
// before write() returns, so a crash loses nothing that was logged.
//
// What a camera, a file or a client sends reaches the log inside records, so
// the file guards its own shape: one record is one line, a record that repeats
// the one before is counted instead of written, and a file that reaches its
// size limit is moved to "<name>.1" (replacing an older one) and begun anew.
class TVK_Debug_Logfile
{
public:
    static constexpr qint64 kMaxBytes = 50 * 1024 * 1024;
    static constexpr qint64 kRepeatWindowMs = 1000;

    // The process-wide instance in the platform's application-data folder.
    static TVK_Debug_Logfile *instance();

    // Binds to filePath, creating its folder and truncating the file.
    explicit TVK_Debug_Logfile(const QString &filePath);
    virtual ~TVK_Debug_Logfile();

    TVK_Debug_Logfile(const TVK_Debug_Logfile &) = delete;
    TVK_Debug_Logfile &operator=(const TVK_Debug_Logfile &) = delete;

    // One record, usually "[time stamp] {Level}    text". Control characters
    // inside it are written escaped (\n, \r, \t, \xHH).
    void write(const QString &line);
    QString fileName() const;
    // The size at which the file is moved aside, and how long repeats may
    // wait before they are reported; tests make both small.
    void setLimits(qint64 maxBytes, qint64 repeatWindowMs);

    // "<folder>/<applicationName><major version>.log", e.g. NorbaPellora3.log.
    static QString defaultFilePath();
    // The one older file kept beside it.
    static QString olderFilePath(const QString &filePath);

    // line with every control character escaped.
    static QString escaped(const QString &line);

private:
    void writeLineLocked(const QString &line);
    void rotateLocked();

    bool m_open = false;
    QFile m_file;
    std::mutex m_mutex;
    qint64 m_maxBytes = kMaxBytes;
    qint64 m_bytes = 0;
    TVK_Debug_LogRepeats m_repeats{kRepeatWindowMs};
};
