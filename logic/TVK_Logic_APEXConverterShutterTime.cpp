#include "TVK_Logic_APEXConverterShutterTime.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXTable.h"

#include <QLatin1String>

#include <cmath>
#include <cstddef>
#include <iterator>

namespace {

// Nominal times in seconds, longest first; the codes follow from the position
// (see initConvertMap). Fractions are written as quotients on purpose: 1/3 s
// must be the exact double 1.0 / 3, not 0.333.

// 1/2 EV steps from Tv -12 to +12 (codes -3072 ... 3072 in steps of 128).
// The camera marks 2^7 s as 125 s, not 120 s.
constexpr double kHalfStepSeconds[] = {
    3840, 2880, 1920, 1440, 960, 720, 480, 360, 240, 180, 125, 90, 60, 45, 32, 24, 16,
    12, 8, 6, 4, 3, 2, 1.5, 1, 0.7,
    1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 6, 1.0 / 8, 1.0 / 12, 1.0 / 15, 1.0 / 24, 1.0 / 30,
    1.0 / 45, 1.0 / 60, 1.0 / 90, 1.0 / 125, 1.0 / 180, 1.0 / 250, 1.0 / 360, 1.0 / 500,
    1.0 / 750, 1.0 / 1000, 1.0 / 1500, 1.0 / 2000, 1.0 / 3000, 1.0 / 4000};
constexpr int kHalfStepFirstCode = -3072;

// Cameras that switch their marks with the step size, 1/2 EV: Tv -11 to
// +14.5 (codes -2816 ... 3712 in steps of 128).
constexpr double kSwitchingHalfStepSeconds[] = {
    1800, 1320, 900, 660, 480, 360, 240, 180, 120, 90, 60, 45, 32, 24, 16, 12, 8, 6, 4, 3,
    2, 1.5, 1, 0.7,
    1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 6, 1.0 / 8, 1.0 / 12, 1.0 / 15, 1.0 / 24, 1.0 / 30,
    1.0 / 45, 1.0 / 60, 1.0 / 90, 1.0 / 125, 1.0 / 180, 1.0 / 250, 1.0 / 360, 1.0 / 500,
    1.0 / 750, 1.0 / 1000, 1.0 / 1500, 1.0 / 2000, 1.0 / 3000, 1.0 / 4000, 1.0 / 6000,
    1.0 / 8000, 1.0 / 12500, 1.0 / 16000, 1.0 / 24000};
constexpr int kSwitchingHalfStepFirstCode = -2816;

// The same cameras, 1/3 EV: n = -33 ... 43 thirds of an EV.
constexpr double kSwitchingThirdStepSeconds[] = {
    1800, 1440, 1200, 900, 720, 600, 480, 360, 300, 240, 200, 150, 120, 90, 75, 60, 48,
    36, 30, 24, 20, 15, 12, 10, 8, 6, 5, 4, 3, 2.5, 2, 1.6, 1.3, 1,
    0.8, 0.6, 0.5, 0.4, 0.3,
    1.0 / 4, 1.0 / 5, 1.0 / 6, 1.0 / 8, 1.0 / 10, 1.0 / 13, 1.0 / 15, 1.0 / 20, 1.0 / 25,
    1.0 / 30, 1.0 / 40, 1.0 / 50, 1.0 / 60, 1.0 / 80, 1.0 / 100, 1.0 / 125, 1.0 / 160,
    1.0 / 200, 1.0 / 250, 1.0 / 320, 1.0 / 400, 1.0 / 500, 1.0 / 640, 1.0 / 800,
    1.0 / 1000, 1.0 / 1250, 1.0 / 1600, 1.0 / 2000, 1.0 / 2500, 1.0 / 3200, 1.0 / 4000,
    1.0 / 5000, 1.0 / 6400, 1.0 / 8000, 1.0 / 10000, 1.0 / 12500, 1.0 / 16000,
    1.0 / 20000};
constexpr int kSwitchingThirdStepFirstThird = -33;

static_assert(std::size(kHalfStepSeconds) == 49, "Tv -12 ... +12 in 1/2 EV");
static_assert(std::size(kSwitchingHalfStepSeconds) == 52, "Tv -11 ... +14.5 in 1/2 EV");
static_assert(std::size(kSwitchingThirdStepSeconds) == 77, "Tv -11 ... +14 1/3 in 1/3 EV");

// The shortest time is off both grids: the camera reports 1/40000 s as 3925
// in either step size (15 1/3 EV, where the third-step rule would give 3926).
constexpr int kShortestTimeCode = 3925;
constexpr double kShortestTimeSeconds = 1.0 / 40000;

constexpr int kHalfStepCodes = 128;
constexpr int kThirdStepSize = 333;
constexpr int kHalfStepSize = 500;

bool switchesWithStepSize(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).switchesExposureStep();
}

// Thirds of 256 rounded up, as the camera codes them (86, 171, -85, ...).
int thirdStepCode(int thirds)
{
    const int numerator = thirds * 256;
    return numerator >= 0 ? (numerator + 2) / 3 : -(-numerator / 3);
}

int roundHalfUp(double value)
{
    return TVK_Logic_APEXTable::roundHalfUp(value);
}

// Display texts that are not whole seconds or fractions 1/n: a time within
// the tolerance of the mark is shown as the mark.
struct DecimalMark
{
    double seconds;
    double tolerance;
    const char *text;
};

// Checked in this order. 0.3 has a narrower window so that 1/4 s stays "1/4s".
constexpr DecimalMark kThirdStepMarks[] = {
    {2.5, 0.05, "2.5s"}, {1.6, 0.05, "1.6s"}, {1.5, 0.05, "1.5s"}, {1.3, 0.05, "1.3s"},
    {0.8, 0.05, "0.8s"}, {0.7, 0.05, "0.7s"}, {0.6, 0.05, "0.6s"}, {0.5, 0.05, "0.5s"},
    {0.4, 0.05, "0.4s"}, {0.3, 0.02, "0.3s"}};

constexpr DecimalMark kHalfStepMarks[] = {{1.5, 0.05, "1.5s"}, {0.7, 0.05, "0.7s"}};

// How a camera family writes times: its decimal marks and from where on it
// counts in minutes.
struct TextStyle
{
    const DecimalMark *marks;
    std::size_t markCount;
    double minutesLimit;
    bool minutesIncludeLimit;
};

constexpr TextStyle kSwitchingThirdStepStyle = {kThirdStepMarks, std::size(kThirdStepMarks),
                                                220.0, false};
constexpr TextStyle kSwitchingHalfStepStyle = {kHalfStepMarks, std::size(kHalfStepMarks),
                                               105.0, false};
// Some cameras already show 180 s as 3m, every other as 180s.
constexpr TextStyle kMinutesFrom180Style = {kHalfStepMarks, std::size(kHalfStepMarks), 180.0,
                                            true};
constexpr TextStyle kMinutesAbove180Style = {kHalfStepMarks, std::size(kHalfStepMarks), 180.0,
                                             false};

QString formatTime(const TextStyle &style, double seconds)
{
    for (std::size_t i = 0; i < style.markCount; ++i) {
        const DecimalMark &mark = style.marks[i];
        if (std::fabs(seconds - mark.seconds) <= mark.tolerance)
            return QLatin1String(mark.text);
    }
    const bool minutes = style.minutesIncludeLimit ? seconds >= style.minutesLimit
                                                   : seconds > style.minutesLimit;
    if (minutes)
        return QString::number(roundHalfUp(seconds / 60.0)) + QLatin1Char('m');
    if (seconds >= 1.0)
        return QString::number(roundHalfUp(seconds)) + QLatin1Char('s');
    return QStringLiteral("1/") + QString::number(roundHalfUp(1.0 / seconds)) + QLatin1Char('s');
}

} // namespace

TVK_Logic_APEXConverterShutterTime::TVK_Logic_APEXConverterShutterTime(int productId)
    : m_productId(productId)
    , m_stepSize(kHalfStepSize)
{
    initConvertMap();
}

void TVK_Logic_APEXConverterShutterTime::setStepSize(int stepSize)
{
    if (m_stepSize == stepSize)
        return;
    m_stepSize = stepSize;
    initConvertMap();
}

int TVK_Logic_APEXConverterShutterTime::stepSize() const
{
    return m_stepSize;
}

void TVK_Logic_APEXConverterShutterTime::initConvertMap()
{
    TVK_METHOD(prefix);
    m_table.clear();

    if (!switchesWithStepSize(m_productId)) {
        int code = kHalfStepFirstCode;
        for (double seconds : kHalfStepSeconds) {
            m_table.append(code, seconds);
            code += kHalfStepCodes;
        }
        return;
    }

    if (m_stepSize == kHalfStepSize) {
        int code = kSwitchingHalfStepFirstCode;
        for (double seconds : kSwitchingHalfStepSeconds) {
            m_table.append(code, seconds);
            code += kHalfStepCodes;
        }
    } else if (m_stepSize == kThirdStepSize) {
        int thirds = kSwitchingThirdStepFirstThird;
        for (double seconds : kSwitchingThirdStepSeconds)
            m_table.append(thirdStepCode(thirds++), seconds);
    } else {
        debugLog(kLELogAlways, "%s - unknown step size %d", prefix, m_stepSize);
        return;
    }
    m_table.append(kShortestTimeCode, kShortestTimeSeconds);
}

double TVK_Logic_APEXConverterShutterTime::secondsFromCode(int code) const
{
    const TVK_Logic_APEXTable::Stop *stop = m_table.nearestByCode(code);
    return stop ? stop->value : 0.0;
}

int TVK_Logic_APEXConverterShutterTime::codeFromSeconds(double seconds) const
{
    const TVK_Logic_APEXTable::Stop *stop = m_table.nearestByValue(seconds);
    return stop ? stop->code : 0;
}

double TVK_Logic_APEXConverterShutterTime::tvFromSeconds(double seconds)
{
    return -std::log(seconds) / std::log(2.0);
}

double TVK_Logic_APEXConverterShutterTime::secondsFromTv(double tv) const
{
    return secondsFromCode(roundHalfUp(tv * 256.0));
}

QString TVK_Logic_APEXConverterShutterTime::toString(double seconds) const
{
    TVK_METHOD(prefix);
    const TextStyle *style = &kMinutesAbove180Style;
    if (switchesWithStepSize(m_productId)) {
        if (m_stepSize == kThirdStepSize) {
            style = &kSwitchingThirdStepStyle;
        } else if (m_stepSize == kHalfStepSize) {
            style = &kSwitchingHalfStepStyle;
        } else {
            debugLog(kLELogAlways, "%s - unknown step size %d", prefix, m_stepSize);
            return QString();
        }
    } else if (TVK_Commu_ProductTraits::of(m_productId).has(TVK_Commu_ProductTraits::kLEMinutesFrom180s)) {
        style = &kMinutesFrom180Style;
    }

    // A time of 0 is what an empty table answers; it (and anything not
    // positive) has no 1/n form.
    if (!(seconds > 0.0))
        return QString();
    return formatTime(*style, seconds);
}

double TVK_Logic_APEXConverterShutterTime::fromString(const QString &text)
{
    QString number = text;
    bool minutes = false;
    if (number.endsWith(QLatin1Char('m'))) {
        number.chop(1);
        minutes = true;
    } else if (number.endsWith(QLatin1Char('s'))) {
        number.chop(1);
    }

    const QLatin1String fraction("1/");
    if (number.startsWith(fraction)) {
        const double denominator = number.mid(fraction.size()).toDouble();
        return denominator != 0.0 ? 1.0 / denominator : 0.0; // "1/x" with no number: 0
    }
    const double value = number.toDouble(); // 0 when it is not a number
    return minutes ? value * 60.0 : value;
}
