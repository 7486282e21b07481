#include "TVK_Logic_TransferEstimate.h"

#include <algorithm>
#include <cmath>

namespace {

// A time left beyond this says only "very long"; it also keeps the
// conversion from a tiny rate inside the integer's range.
constexpr double kLongestRemainingMs = 100.0 * 3600.0 * 1000.0;

qint64 shareOf(qint64 total, qint64 perMille)
{
    return total > 0 ? total / 1000 * perMille + total % 1000 * perMille / 1000 : 0;
}

} // namespace

bool TVK_Logic_TransferEstimate::update(const QString &name, qint64 received, qint64 total, qint64 atMs)
{
    received = std::max<qint64>(received, 0);
    total = std::max<qint64>(total, 0);
    const bool fresh = m_samples.empty() || name != m_name || total != m_total || received < m_received;
    if (fresh) {
        start(name, total);
        m_first = {atMs, received};
    } else {
        // A clock read in another thread may be a hair behind the last step.
        atMs = std::max(atMs, m_samples.back().atMs);
    }
    m_received = received;
    m_samples.push_back({atMs, received});
    dropOldSamples();
    return fresh;
}

void TVK_Logic_TransferEstimate::reset()
{
    start(QString(), 0);
}

void TVK_Logic_TransferEstimate::start(const QString &name, qint64 total)
{
    m_name = name;
    m_total = total;
    m_received = 0;
    m_first = {0, 0};
    m_samples.clear();
}

void TVK_Logic_TransferEstimate::dropOldSamples()
{
    const qint64 windowBytes = hasValidTotal() ? shareOf(m_total, kWindowPerMille) : 0;
    const Sample &newest = m_samples.back();
    // The oldest goes only when the window is long enough without it.
    while (m_samples.size() > 2) {
        const Sample &next = m_samples[1];
        const bool enoughWithout =
            newest.atMs - next.atMs >= kWindowMs && newest.received - next.received >= windowBytes;
        if (!enoughWithout && m_samples.size() <= size_t(kMaxSamples))
            break;
        m_samples.pop_front();
    }
}

int TVK_Logic_TransferEstimate::perMille() const
{
    if (!hasValidTotal())
        return -1;
    if (m_received == m_total)
        return 1000;
    // Whole only when it is: a double's rounding of a huge size may say so earlier.
    return std::min(999, int(double(m_received) * 1000.0 / double(m_total)));
}

qint64 TVK_Logic_TransferEstimate::elapsedMs() const
{
    return m_samples.empty() ? 0 : m_samples.back().atMs - m_first.atMs;
}

bool TVK_Logic_TransferEstimate::isKnown() const
{
    if (m_samples.size() < 2 || elapsedMs() < kSettleMs)
        return false;
    const qint64 since = m_received - m_first.received;
    if (since <= 0 || (hasValidTotal() && since < shareOf(m_total, kSettlePerMille)))
        return false;
    const Sample &oldest = m_samples.front();
    const Sample &newest = m_samples.back();
    return newest.atMs > oldest.atMs && newest.received > oldest.received;
}

double TVK_Logic_TransferEstimate::bytesPerSecond() const
{
    if (!isKnown())
        return 0.0;
    const Sample &oldest = m_samples.front();
    const Sample &newest = m_samples.back();
    return double(newest.received - oldest.received) * 1000.0 / double(newest.atMs - oldest.atMs);
}

qint64 TVK_Logic_TransferEstimate::remainingMs() const
{
    const double rate = bytesPerSecond();
    if (rate <= 0.0 || !hasValidTotal())
        return -1;
    const double ms = double(m_total - m_received) * 1000.0 / rate;
    return qint64(std::ceil(std::min(ms, kLongestRemainingMs)));
}
