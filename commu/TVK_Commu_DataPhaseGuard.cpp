#include "TVK_Commu_DataPhaseGuard.h"

#include "TVK_Debug_Log.h"

#include <algorithm>

TVK_Commu_DataPhaseGuard::TVK_Commu_DataPhaseGuard(TVK_Commu_DataSink *sink, const char *prefix)
    : m_sink(sink)
    , m_prefix(prefix ? prefix : "data phase")
    , m_tolerant(sink == nullptr || sink->toleratesShortPhase())
{
}

TVK_Commu_DataPhaseGuard::~TVK_Commu_DataPhaseGuard()
{
    // A framing that returned early without saying so: still one end.
    if (m_begun && !m_ended)
        end(kLEAbandoned);
}

bool TVK_Commu_DataPhaseGuard::toleratesShortPhase() const
{
    return m_tolerant;
}

bool TVK_Commu_DataPhaseGuard::begin(quint64 total)
{
    if (m_begun) {
        // A second data phase in one transaction: the framing's fault, never
        // the sink's to sort out.
        debugLog(kLELogAlways, "%s - Error: a second data phase begun in one transaction", m_prefix);
        m_stopped = true;
        m_verdict = kLEMismatch;
        return false;
    }
    m_begun = true;
    m_total = total;
    m_verdict = kLEWhole;
    if (total == 0 && !m_tolerant) {
        debugLog(kLELogAlways, "%s - Error: the camera announced an empty data phase", m_prefix);
        m_stopped = true;
        m_verdict = kLEMismatch;
        return false;
    }
    m_sinkBegun = m_sink != nullptr;
    if (m_sink != nullptr && !m_sink->begin(total)) {
        debugLog(kLELogAlways, "%s - data phase of 0x%llX bytes refused by its receiver", m_prefix,
                 static_cast<unsigned long long>(total));
        m_stopped = true;
        m_verdict = kLERefused;
        return false;
    }
    return true;
}

unsigned char *TVK_Commu_DataPhaseGuard::room(quint64, size_t size)
{
    // Only room that the whole read may fill without passing the total.
    if (m_sink == nullptr || m_stopped || !m_begun || size == 0 || size > kMaxPieceSize)
        return nullptr;
    if (known() && size > m_total - m_delivered)
        return nullptr;
    return m_sink->room(m_delivered, size);
}

bool TVK_Commu_DataPhaseGuard::write(const unsigned char *bytes, size_t size)
{
    if (!m_begun || m_stopped)
        return false;
    size_t kept = size;
    if (known() && size > m_total - m_delivered) {
        kept = size_t(m_total - m_delivered);
        if (!m_overran)
            debugLog(kLELogAlways, "%s - %sdata phase longer than the 0x%llX bytes announced", m_prefix,
                     m_tolerant ? "" : "Error: ", static_cast<unsigned long long>(m_total));
        m_overran = true;
    }
    // The framing keeps to the bound; pieces are cut to it all the same, so
    // no sink ever gets more at once.
    for (size_t done = 0; done < kept;) {
        const size_t piece = std::min(kept - done, kMaxPieceSize);
        if (m_sink != nullptr && !m_sink->write(bytes + done, piece)) {
            debugLog(kLELogAlways, "%s - data refused by its receiver after 0x%llX bytes", m_prefix,
                     static_cast<unsigned long long>(m_delivered));
            m_stopped = true;
            m_verdict = kLERefused;
            return false;
        }
        done += piece;
        m_delivered += piece;
    }
    if (m_overran && !m_tolerant) {
        m_stopped = true;
        m_verdict = kLEMismatch;
        return false;
    }
    return true;
}

void TVK_Commu_DataPhaseGuard::end(eLEEnd how)
{
    if (!m_begun || m_ended)
        return;
    m_ended = true;
    eLEEnd told = how;
    if (how != kLEComplete) {
        if (m_verdict == kLEWhole)
            m_verdict = kLEBroken;
        told = kLEAbandoned;
    } else if (m_verdict != kLEWhole) {
        told = kLEAbandoned; // a refused or mismatched phase the framing still read to its end
    } else if (known() && m_delivered < m_total) {
        if (m_tolerant) {
            told = kLEShort;
        } else {
            debugLog(kLELogAlways, "%s - Error: data phase ended after 0x%llX of the 0x%llX bytes announced",
                     m_prefix, static_cast<unsigned long long>(m_delivered),
                     static_cast<unsigned long long>(m_total));
            m_verdict = kLEMismatch;
            told = kLEAbandoned;
        }
    }
    if (m_sinkBegun)
        m_sink->end(told);
}
