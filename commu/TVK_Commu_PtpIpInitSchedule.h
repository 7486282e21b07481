#pragma once

#include <atomic>
#include <chrono>

// When the WLAN camera's probe may introduce us with an Init Command Request.
// A camera may ask its user about every initiator that does, so one is owed
// only when the address starts taking connections or a session has ended;
// after one that failed, the next waits a pause that doubles from the first
// up to the longest, until a session opens.
//
// owe() may come from any thread (a session lost on a transfer thread); the
// rest belongs to the owner's thread.
class TVK_Commu_PtpIpInitSchedule
{
public:
    using Clock = std::chrono::steady_clock;

    TVK_Commu_PtpIpInitSchedule(int firstPauseMs, int longestPauseMs);

    void setPausesMs(int firstPauseMs, int longestPauseMs);
    // Whether the probe introduces us now.
    bool isDue(Clock::time_point now = Clock::now()) const;
    // The address stopped taking connections, or the session ended.
    void owe() { m_owed.store(true); }
    // The camera took the Init: nothing owed while it keeps answering.
    void answered() { m_owed.store(false); }
    // The Init (or the open after it) failed: owed again after the pause,
    // which is returned.
    int failed(Clock::time_point now = Clock::now());
    void sessionOpened();

private:
    std::atomic<bool> m_owed{true};
    int m_firstPauseMs;
    int m_longestPauseMs;
    int m_pauseMs;
    Clock::time_point m_notBefore{};
};
