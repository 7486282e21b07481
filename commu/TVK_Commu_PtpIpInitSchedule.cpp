#include "TVK_Commu_PtpIpInitSchedule.h"

#include <algorithm>

TVK_Commu_PtpIpInitSchedule::TVK_Commu_PtpIpInitSchedule(int firstPauseMs, int longestPauseMs)
{
    setPausesMs(firstPauseMs, longestPauseMs);
}

void TVK_Commu_PtpIpInitSchedule::setPausesMs(int firstPauseMs, int longestPauseMs)
{
    m_firstPauseMs = std::max(1, firstPauseMs);
    m_longestPauseMs = std::max(m_firstPauseMs, longestPauseMs);
    m_pauseMs = m_firstPauseMs;
}

bool TVK_Commu_PtpIpInitSchedule::isDue(Clock::time_point now) const
{
    return m_owed.load() && now >= m_notBefore;
}

int TVK_Commu_PtpIpInitSchedule::failed(Clock::time_point now)
{
    const int pause = m_pauseMs;
    m_notBefore = now + std::chrono::milliseconds(pause);
    m_pauseMs = std::min(2 * m_pauseMs, m_longestPauseMs);
    m_owed.store(true);
    return pause;
}

void TVK_Commu_PtpIpInitSchedule::sessionOpened()
{
    m_pauseMs = m_firstPauseMs;
    m_notBefore = Clock::time_point{};
}
