#include "TVK_Logic_APEXConverterAperture.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXTable.h"

#include <cmath>
#include <mutex>

namespace {

struct ApertureStop
{
    int code;
    double fNumber;
};

// The camera's 1/3 EV stops. Codes are thirds of 256 rounded up, except that
// the camera reports 3 2/3 EV (f 3.5) as 938 instead of 939.
constexpr ApertureStop kThirdStops[] = {
    {0, 1.0},     {86, 1.1},    {171, 1.2},   {256, 1.4},   {342, 1.6},   {427, 1.8},
    {512, 2.0},   {598, 2.2},   {683, 2.5},   {768, 2.8},   {854, 3.2},   {938, 3.5},
    {1024, 4.0},  {1110, 4.5},  {1195, 5.0},  {1280, 5.6},  {1366, 6.3},  {1451, 7.1},
    {1536, 8.0},  {1622, 9.0},  {1707, 10.0}, {1792, 11.0}, {1878, 13.0}, {1963, 14.0},
    {2048, 16.0}, {2134, 18.0}, {2219, 20.0}, {2304, 22.0}, {2390, 25.0}, {2475, 28.0},
    {2560, 32.0}};

// The camera's 1/2 EV stops, multiples of 128, except that f 3.5 is reported
// as 924 rather than at the half stop 896 (f 3.4 would be the half stop).
constexpr ApertureStop kHalfStops[] = {
    {0, 1.0},     {128, 1.2},   {256, 1.4},   {384, 1.7},   {512, 2.0},   {640, 2.4},
    {768, 2.8},   {924, 3.5},   {1024, 4.0},  {1152, 4.8},  {1280, 5.6},  {1408, 6.8},
    {1536, 8.0},  {1664, 9.5},  {1792, 11.0}, {1920, 13.0}, {2048, 16.0}, {2176, 19.0},
    {2304, 22.0}, {2432, 27.0}, {2560, 32.0}};

static_assert(sizeof kThirdStops / sizeof kThirdStops[0] == 31, "31 third stops from f 1 to f 32");
static_assert(sizeof kHalfStops / sizeof kHalfStops[0] == 21, "21 half stops from f 1 to f 32");

constexpr int kThirdStepSize = 333;
constexpr int kHalfStepSize = 500;

// Only the cameras that switch their step size report their own stop marks;
// the others are served by the formula.
bool hasStopTables(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).switchesExposureStep();
}

struct ApertureState
{
    std::mutex mutex;
    int productId = 0;
    int stepSize = 0;
    TVK_Logic_APEXTable table;
};

int roundHalfUp(double value)
{
    return TVK_Logic_APEXTable::roundHalfUp(value);
}

ApertureState &state()
{
    static ApertureState instance;
    return instance;
}

// The formula falls beside the engraved marks in a few places: 2^2.5 = 5.66
// reads 5.7 where lenses say 5.6, and likewise 6.4 (6.3) and 6.7 (6.8). From
// f 10 on only whole numbers are marked, and 12.x and 26.x belong to the 13
// and 27 marks (2^3.75 = 13.45, 2^4.75 = 26.9).
double nominalFNumber(double fNumber)
{
    const int tenths = roundHalfUp(fNumber * 10.0);
    switch (tenths) {
    case 57:
        return 5.6;
    case 64:
        return 6.3;
    case 67:
        return 6.8;
    default:
        break;
    }
    const int whole = tenths / 10; // tenths is never negative: N > 0
    if (whole == 12)
        return 13.0;
    if (whole == 26)
        return 27.0;
    if (tenths >= 100)
        return whole;
    return tenths / 10.0;
}

} // namespace

void TVK_Logic_APEXConverterAperture::setProductId(int productId)
{
    ApertureState &s = state();
    const std::lock_guard<std::mutex> locker(s.mutex);
    if (s.productId == productId)
        return;
    s.productId = productId;
    initConvertMap();
}

void TVK_Logic_APEXConverterAperture::setStepSize(int stepSize)
{
    ApertureState &s = state();
    const std::lock_guard<std::mutex> locker(s.mutex);
    if (s.stepSize == stepSize)
        return;
    s.stepSize = stepSize;
    initConvertMap();
}

int TVK_Logic_APEXConverterAperture::stepSize()
{
    ApertureState &s = state();
    const std::lock_guard<std::mutex> locker(s.mutex);
    return s.stepSize;
}

void TVK_Logic_APEXConverterAperture::initConvertMap()
{
    TVK_METHOD(prefix);
    ApertureState &s = state();
    s.table.clear();
    if (!hasStopTables(s.productId))
        return;

    if (s.stepSize == kThirdStepSize) {
        for (const ApertureStop &stop : kThirdStops)
            s.table.append(stop.code, stop.fNumber);
    } else if (s.stepSize == kHalfStepSize) {
        for (const ApertureStop &stop : kHalfStops)
            s.table.append(stop.code, stop.fNumber);
    } else {
        debugLog(kLELogAlways, "%s - unknown step size %d", prefix, s.stepSize);
    }
}

double TVK_Logic_APEXConverterAperture::fNumberFromCode(int code)
{
    // 1/256 EV per unit.
    return fNumberFromAv(TVK_Logic_APEXTable::signed16(code) * 0.00390625);
}

double TVK_Logic_APEXConverterAperture::fNumberFromAv(double av)
{
    {
        ApertureState &s = state();
        const std::lock_guard<std::mutex> locker(s.mutex);
        if (!s.table.isEmpty())
            return s.table.nearestByCode(roundHalfUp(av * 256.0))->value;
    }
    return nominalFNumber(std::pow(2.0, av * 0.5));
}

double TVK_Logic_APEXConverterAperture::avFromFNumber(double fNumber)
{
    {
        ApertureState &s = state();
        const std::lock_guard<std::mutex> locker(s.mutex);
        if (!s.table.isEmpty())
            return s.table.nearestByValue(fNumber)->code / 256.0;
    }
    return 2.0 * std::log(fNumber) / std::log(2.0);
}

int TVK_Logic_APEXConverterAperture::codeFromFNumber(double fNumber)
{
    return roundHalfUp(avFromFNumber(fNumber) * 256.0);
}

QString TVK_Logic_APEXConverterAperture::toString(double fNumber)
{
    // Decided on tenths, so that a value a hair off a whole number still
    // reads "f 8" and not "f 8.0".
    const int tenths = roundHalfUp(fNumber * 10.0);
    if (tenths % 10 == 0)
        return QStringLiteral("f ") + QString::number(tenths / 10);
    return QStringLiteral("f ") + QString::number(tenths / 10.0, 'f', 1);
}

double TVK_Logic_APEXConverterAperture::fromString(const QString &text)
{
    const QLatin1String marker("f ");
    const QString number = text.startsWith(marker) ? text.mid(marker.size()) : text;
    return number.toDouble(); // 0 when it is not a number
}
