#include "TVK_Logic_ConverterFocusDistance.h"

#include <QLatin1String>

#include <cmath>

namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kMillimetresPerMetre = 1000.0;
// From here on the lens is at infinity.
constexpr double kInfiniteMetres = 1000000.0;

const QLatin1String kErrorText("Error");
const QLatin1String kInfinityText("Infinity");

// Halves go upwards, also for negative numbers (-0.5 gives 0).
int roundHalfUp(double value)
{
    return int(std::floor(value + 0.5));
}

} // namespace

TVK_Logic_ConverterFocusDistance::TVK_Logic_ConverterFocusDistance() = default;

TVK_Logic_ConverterFocusDistance::~TVK_Logic_ConverterFocusDistance() = default;

void TVK_Logic_ConverterFocusDistance::setMinimum(int mm)
{
    m_minimum = mm;
}

void TVK_Logic_ConverterFocusDistance::setMaximum(int mm)
{
    m_maximum = mm;
}

int TVK_Logic_ConverterFocusDistance::minimum() const
{
    return m_minimum;
}

int TVK_Logic_ConverterFocusDistance::maximum() const
{
    return m_maximum;
}

int TVK_Logic_ConverterFocusDistance::millimetresFromMetres(double m) const
{
    // Asked as "not above zero" so that NaN is an error, too.
    if (!(m > 0.0))
        return kError;
    if (m >= kInfiniteMetres)
        return kInfinity;
    return roundHalfUp(m * kMillimetresPerMetre);
}

int TVK_Logic_ConverterFocusDistance::millimetresFromText(const QString &text, bool feet) const
{
    if (text == kErrorText)
        return kError;
    if (text == kInfinityText)
        return kInfinity;
    bool ok = false;
    const double number = text.toDouble(&ok);
    // NaN fails the second test below as well.
    if (!ok || number < 0.0)
        return kError;
    const double mm = number * (feet ? kMetresPerFoot : 1.0) * kMillimetresPerMetre;
    if (!(mm < double(kInfinity)))
        return kError;
    return roundHalfUp(mm);
}

QString TVK_Logic_ConverterFocusDistance::textFromMillimetres(int mm, bool feet) const
{
    if (mm == kError)
        return kErrorText;
    if (mm == kInfinity)
        return kInfinityText;
    const double distance = mm / kMillimetresPerMetre / (feet ? kMetresPerFoot : 1.0);
    return QString::number(distance, 'f', distance < 10.0 ? 2 : 1);
}
