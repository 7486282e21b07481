#pragma once

#include "TVK_Commu_DataSink.h"

// Stands between a framing and the sink of one data phase and holds the
// camera to the total it announced: the sink never sees a byte beyond it, a
// phase that brings more or less than announced, or nothing at all, gets a
// log line and fails the transfer (unless the sink tolerates a short phase,
// as the buffer calls do; the surplus is then cut off). It also keeps the
// sink's contract: end once for every begin, no piece after a refusal.
class TVK_Commu_DataPhaseGuard : public TVK_Commu_DataSink
{
public:
    enum eLEVerdict {
        kLENotBegun,   // no data phase (the camera answered without one)
        kLEWhole,      // the phase as announced (or tolerated)
        kLERefused,    // the sink refused it
        kLEMismatch,   // shorter, longer than announced, or empty
        kLEBroken      // the transfer broke off below
    };

    // sink may be null: the phase is then read and dropped.
    TVK_Commu_DataPhaseGuard(TVK_Commu_DataSink *sink, const char *prefix);
    ~TVK_Commu_DataPhaseGuard() override;
    TVK_Commu_DataPhaseGuard(const TVK_Commu_DataPhaseGuard &) = delete;
    TVK_Commu_DataPhaseGuard &operator=(const TVK_Commu_DataPhaseGuard &) = delete;

    bool begin(quint64 total) override;
    bool write(const unsigned char *bytes, size_t size) override;
    unsigned char *room(quint64 offset, size_t size) override;
    // Ends the phase as the guard judged it (how only says whether the
    // framing read it to its end, kLEComplete, or gave it up).
    void end(eLEEnd how) override;
    bool toleratesShortPhase() const override;

    bool begun() const { return m_begun; }
    eLEVerdict verdict() const { return m_verdict; }
    bool whole() const { return m_verdict == kLEWhole; }
    // Bytes handed on to the sink; at most the announced total.
    quint64 delivered() const { return m_delivered; }
    quint64 total() const { return m_total; }

private:
    bool known() const { return m_total != kUnknownTotal; }

    TVK_Commu_DataSink *const m_sink;
    const char *const m_prefix;
    const bool m_tolerant;
    bool m_begun = false;
    bool m_sinkBegun = false; // the sink's begin was called
    bool m_ended = false;
    bool m_stopped = false; // refused or failed: nothing more goes to the sink
    bool m_overran = false;
    quint64 m_total = 0;
    quint64 m_delivered = 0;
    eLEVerdict m_verdict = kLENotBegun;
};
