#include "TVK_Logic_APEXTable.h"

#include <QtGlobal>

#include <climits>
#include <cmath>
#include <cstdlib>

int TVK_Logic_APEXTable::signed16(int code)
{
    return qint16(quint16(unsigned(code)));
}

int TVK_Logic_APEXTable::roundHalfUp(double value)
{
    const double rounded = std::floor(value + 0.5);
    if (std::isnan(rounded))
        return 0;
    if (rounded >= double(INT_MAX))
        return INT_MAX;
    if (rounded <= double(INT_MIN))
        return INT_MIN;
    return int(rounded);
}

// Both lookups keep the first (lowest-code) stop among equally near ones: a
// later stop replaces it only when strictly nearer.
const TVK_Logic_APEXTable::Stop *TVK_Logic_APEXTable::nearestByCode(int code) const
{
    const int target = signed16(code);
    const Stop *best = nullptr;
    int bestDistance = 0;
    for (const Stop &stop : m_stops) {
        const int distance = std::abs(stop.code - target);
        if (best == nullptr || distance < bestDistance) {
            best = &stop;
            bestDistance = distance;
        }
    }
    return best;
}

const TVK_Logic_APEXTable::Stop *TVK_Logic_APEXTable::nearestByValue(double value) const
{
    const double target = std::log(value);
    const Stop *best = nullptr;
    double bestDistance = 0.0;
    for (const Stop &stop : m_stops) {
        const double distance = std::fabs(std::log(stop.value) - target);
        if (best == nullptr || distance < bestDistance) {
            best = &stop;
            bestDistance = distance;
        }
    }
    return best;
}
