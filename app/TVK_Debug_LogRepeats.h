#pragma once

#include <QString>
#include <QtGlobal>

// Collapses a run of one record into the record and a count, so that a flood
// of the same event costs a line a second instead of a line an event. Not
// thread-safe: the log file calls it under its own lock.
class TVK_Debug_LogRepeats
{
public:
    struct Step {
        // Repeats of `repeated` left out since the last report; 0 for none.
        int repeats = 0;
        QString repeated;
        // Whether the record itself is written.
        bool write = true;
    };

    explicit TVK_Debug_LogRepeats(qint64 windowMs);
    void setWindow(qint64 windowMs);

    // record without its time stamp; nowMs from a monotonic clock. A repeat is
    // reported when another record comes, or with the first repeat at least
    // the window after the last report.
    Step take(const QString &record, qint64 nowMs);

private:
    qint64 m_windowMs;
    bool m_any = false;
    QString m_last;
    int m_repeats = 0;
    qint64 m_since = 0;
};
