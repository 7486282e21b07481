#include "TVK_Debug_LogRepeats.h"

TVK_Debug_LogRepeats::TVK_Debug_LogRepeats(qint64 windowMs)
    : m_windowMs(windowMs)
{
}

void TVK_Debug_LogRepeats::setWindow(qint64 windowMs)
{
    m_windowMs = windowMs;
}

TVK_Debug_LogRepeats::Step TVK_Debug_LogRepeats::take(const QString &record, qint64 nowMs)
{
    Step step;
    step.repeated = m_last;
    if (m_any && record == m_last) {
        step.write = false;
        ++m_repeats;
        if (nowMs - m_since < m_windowMs)
            return step;
        step.repeats = m_repeats;
        m_repeats = 0;
        m_since = nowMs;
        return step;
    }
    step.repeats = m_repeats;
    m_any = true;
    m_last = record;
    m_repeats = 0;
    m_since = nowMs;
    return step;
}
