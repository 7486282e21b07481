#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Test_LogCapture.h"

#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

using Aperture = TVK_Logic_APEXConverterAperture;
using ShutterTime = TVK_Logic_APEXConverterShutterTime;

namespace {

// The cameras' own marks, written out once more by hand so that the tables of
// the converters are checked against an independent copy.

struct ApertureMark
{
    int code;
    double fNumber;
    const char *text;
};

const ApertureMark kApertureThirdStops[] = {
    {0, 1.0, "f 1"},      {86, 1.1, "f 1.1"},   {171, 1.2, "f 1.2"},  {256, 1.4, "f 1.4"},
    {342, 1.6, "f 1.6"},  {427, 1.8, "f 1.8"},  {512, 2.0, "f 2"},    {598, 2.2, "f 2.2"},
    {683, 2.5, "f 2.5"},  {768, 2.8, "f 2.8"},  {854, 3.2, "f 3.2"},  {938, 3.5, "f 3.5"},
    {1024, 4.0, "f 4"},   {1110, 4.5, "f 4.5"}, {1195, 5.0, "f 5"},   {1280, 5.6, "f 5.6"},
    {1366, 6.3, "f 6.3"}, {1451, 7.1, "f 7.1"}, {1536, 8.0, "f 8"},   {1622, 9.0, "f 9"},
    {1707, 10.0, "f 10"}, {1792, 11.0, "f 11"}, {1878, 13.0, "f 13"}, {1963, 14.0, "f 14"},
    {2048, 16.0, "f 16"}, {2134, 18.0, "f 18"}, {2219, 20.0, "f 20"}, {2304, 22.0, "f 22"},
    {2390, 25.0, "f 25"}, {2475, 28.0, "f 28"}, {2560, 32.0, "f 32"}};

const ApertureMark kApertureHalfStops[] = {
    {0, 1.0, "f 1"},      {128, 1.2, "f 1.2"},  {256, 1.4, "f 1.4"},  {384, 1.7, "f 1.7"},
    {512, 2.0, "f 2"},    {640, 2.4, "f 2.4"},  {768, 2.8, "f 2.8"},  {924, 3.5, "f 3.5"},
    {1024, 4.0, "f 4"},   {1152, 4.8, "f 4.8"}, {1280, 5.6, "f 5.6"}, {1408, 6.8, "f 6.8"},
    {1536, 8.0, "f 8"},   {1664, 9.5, "f 9.5"}, {1792, 11.0, "f 11"}, {1920, 13.0, "f 13"},
    {2048, 16.0, "f 16"}, {2176, 19.0, "f 19"}, {2304, 22.0, "f 22"}, {2432, 27.0, "f 27"},
    {2560, 32.0, "f 32"}};

// Half steps of every camera without step-size tables. Two texts: most
// cameras count minutes above 180 s, 0x2061 from 180 s on.
struct HalfStepMark
{
    int code;
    double seconds;
    const char *text;
    const char *text2061;
};

const HalfStepMark kHalfStepTimes[] = {
    {-3072, 3840.0, "64m", "64m"}, {-2944, 2880.0, "48m", "48m"}, {-2816, 1920.0, "32m", "32m"},
    {-2688, 1440.0, "24m", "24m"}, {-2560, 960.0, "16m", "16m"}, {-2432, 720.0, "12m", "12m"},
    {-2304, 480.0, "8m", "8m"}, {-2176, 360.0, "6m", "6m"}, {-2048, 240.0, "4m", "4m"},
    {-1920, 180.0, "180s", "3m"}, {-1792, 125.0, "125s", "125s"}, {-1664, 90.0, "90s", "90s"},
    {-1536, 60.0, "60s", "60s"}, {-1408, 45.0, "45s", "45s"}, {-1280, 32.0, "32s", "32s"},
    {-1152, 24.0, "24s", "24s"}, {-1024, 16.0, "16s", "16s"}, {-896, 12.0, "12s", "12s"},
    {-768, 8.0, "8s", "8s"}, {-640, 6.0, "6s", "6s"}, {-512, 4.0, "4s", "4s"},
    {-384, 3.0, "3s", "3s"}, {-256, 2.0, "2s", "2s"}, {-128, 1.5, "1.5s", "1.5s"},
    {0, 1.0, "1s", "1s"}, {128, 0.7, "0.7s", "0.7s"}, {256, 1.0 / 2, "1/2s", "1/2s"},
    {384, 1.0 / 3, "1/3s", "1/3s"}, {512, 1.0 / 4, "1/4s", "1/4s"},
    {640, 1.0 / 6, "1/6s", "1/6s"}, {768, 1.0 / 8, "1/8s", "1/8s"},
    {896, 1.0 / 12, "1/12s", "1/12s"}, {1024, 1.0 / 15, "1/15s", "1/15s"},
    {1152, 1.0 / 24, "1/24s", "1/24s"}, {1280, 1.0 / 30, "1/30s", "1/30s"},
    {1408, 1.0 / 45, "1/45s", "1/45s"}, {1536, 1.0 / 60, "1/60s", "1/60s"},
    {1664, 1.0 / 90, "1/90s", "1/90s"}, {1792, 1.0 / 125, "1/125s", "1/125s"},
    {1920, 1.0 / 180, "1/180s", "1/180s"}, {2048, 1.0 / 250, "1/250s", "1/250s"},
    {2176, 1.0 / 360, "1/360s", "1/360s"}, {2304, 1.0 / 500, "1/500s", "1/500s"},
    {2432, 1.0 / 750, "1/750s", "1/750s"}, {2560, 1.0 / 1000, "1/1000s", "1/1000s"},
    {2688, 1.0 / 1500, "1/1500s", "1/1500s"}, {2816, 1.0 / 2000, "1/2000s", "1/2000s"},
    {2944, 1.0 / 3000, "1/3000s", "1/3000s"}, {3072, 1.0 / 4000, "1/4000s", "1/4000s"}};

struct TimeMark
{
    int code;
    double seconds;
    const char *text;
};

// 0x2041, 0x2044, 0x2047 in 1/2 EV (minutes above 105 s).
const TimeMark kSwitchingHalfStepTimes[] = {
    {-2816, 1800.0, "30m"}, {-2688, 1320.0, "22m"}, {-2560, 900.0, "15m"},
    {-2432, 660.0, "11m"}, {-2304, 480.0, "8m"}, {-2176, 360.0, "6m"}, {-2048, 240.0, "4m"},
    {-1920, 180.0, "3m"}, {-1792, 120.0, "2m"}, {-1664, 90.0, "90s"}, {-1536, 60.0, "60s"},
    {-1408, 45.0, "45s"}, {-1280, 32.0, "32s"}, {-1152, 24.0, "24s"}, {-1024, 16.0, "16s"},
    {-896, 12.0, "12s"}, {-768, 8.0, "8s"}, {-640, 6.0, "6s"}, {-512, 4.0, "4s"},
    {-384, 3.0, "3s"}, {-256, 2.0, "2s"}, {-128, 1.5, "1.5s"}, {0, 1.0, "1s"},
    {128, 0.7, "0.7s"}, {256, 1.0 / 2, "1/2s"}, {384, 1.0 / 3, "1/3s"}, {512, 1.0 / 4, "1/4s"},
    {640, 1.0 / 6, "1/6s"}, {768, 1.0 / 8, "1/8s"}, {896, 1.0 / 12, "1/12s"},
    {1024, 1.0 / 15, "1/15s"}, {1152, 1.0 / 24, "1/24s"}, {1280, 1.0 / 30, "1/30s"},
    {1408, 1.0 / 45, "1/45s"}, {1536, 1.0 / 60, "1/60s"}, {1664, 1.0 / 90, "1/90s"},
    {1792, 1.0 / 125, "1/125s"}, {1920, 1.0 / 180, "1/180s"}, {2048, 1.0 / 250, "1/250s"},
    {2176, 1.0 / 360, "1/360s"}, {2304, 1.0 / 500, "1/500s"}, {2432, 1.0 / 750, "1/750s"},
    {2560, 1.0 / 1000, "1/1000s"}, {2688, 1.0 / 1500, "1/1500s"}, {2816, 1.0 / 2000, "1/2000s"},
    {2944, 1.0 / 3000, "1/3000s"}, {3072, 1.0 / 4000, "1/4000s"}, {3200, 1.0 / 6000, "1/6000s"},
    {3328, 1.0 / 8000, "1/8000s"}, {3456, 1.0 / 12500, "1/12500s"},
    {3584, 1.0 / 16000, "1/16000s"}, {3712, 1.0 / 24000, "1/24000s"},
    {3925, 1.0 / 40000, "1/40000s"}};

// The same cameras in 1/3 EV (decimal marks, minutes above 220 s).
const TimeMark kSwitchingThirdStepTimes[] = {
    {-2816, 1800.0, "30m"}, {-2730, 1440.0, "24m"}, {-2645, 1200.0, "20m"},
    {-2560, 900.0, "15m"}, {-2474, 720.0, "12m"}, {-2389, 600.0, "10m"}, {-2304, 480.0, "8m"},
    {-2218, 360.0, "6m"}, {-2133, 300.0, "5m"}, {-2048, 240.0, "4m"}, {-1962, 200.0, "200s"},
    {-1877, 150.0, "150s"}, {-1792, 120.0, "120s"}, {-1706, 90.0, "90s"}, {-1621, 75.0, "75s"},
    {-1536, 60.0, "60s"}, {-1450, 48.0, "48s"}, {-1365, 36.0, "36s"}, {-1280, 30.0, "30s"},
    {-1194, 24.0, "24s"}, {-1109, 20.0, "20s"}, {-1024, 15.0, "15s"}, {-938, 12.0, "12s"},
    {-853, 10.0, "10s"}, {-768, 8.0, "8s"}, {-682, 6.0, "6s"}, {-597, 5.0, "5s"},
    {-512, 4.0, "4s"}, {-426, 3.0, "3s"}, {-341, 2.5, "2.5s"}, {-256, 2.0, "2s"},
    {-170, 1.6, "1.6s"}, {-85, 1.3, "1.3s"}, {0, 1.0, "1s"}, {86, 0.8, "0.8s"},
    {171, 0.6, "0.6s"}, {256, 0.5, "0.5s"}, {342, 0.4, "0.4s"}, {427, 0.3, "0.3s"},
    {512, 1.0 / 4, "1/4s"}, {598, 1.0 / 5, "1/5s"}, {683, 1.0 / 6, "1/6s"},
    {768, 1.0 / 8, "1/8s"}, {854, 1.0 / 10, "1/10s"}, {939, 1.0 / 13, "1/13s"},
    {1024, 1.0 / 15, "1/15s"}, {1110, 1.0 / 20, "1/20s"}, {1195, 1.0 / 25, "1/25s"},
    {1280, 1.0 / 30, "1/30s"}, {1366, 1.0 / 40, "1/40s"}, {1451, 1.0 / 50, "1/50s"},
    {1536, 1.0 / 60, "1/60s"}, {1622, 1.0 / 80, "1/80s"}, {1707, 1.0 / 100, "1/100s"},
    {1792, 1.0 / 125, "1/125s"}, {1878, 1.0 / 160, "1/160s"}, {1963, 1.0 / 200, "1/200s"},
    {2048, 1.0 / 250, "1/250s"}, {2134, 1.0 / 320, "1/320s"}, {2219, 1.0 / 400, "1/400s"},
    {2304, 1.0 / 500, "1/500s"}, {2390, 1.0 / 640, "1/640s"}, {2475, 1.0 / 800, "1/800s"},
    {2560, 1.0 / 1000, "1/1000s"}, {2646, 1.0 / 1250, "1/1250s"}, {2731, 1.0 / 1600, "1/1600s"},
    {2816, 1.0 / 2000, "1/2000s"}, {2902, 1.0 / 2500, "1/2500s"}, {2987, 1.0 / 3200, "1/3200s"},
    {3072, 1.0 / 4000, "1/4000s"}, {3158, 1.0 / 5000, "1/5000s"}, {3243, 1.0 / 6400, "1/6400s"},
    {3328, 1.0 / 8000, "1/8000s"}, {3414, 1.0 / 10000, "1/10000s"},
    {3499, 1.0 / 12500, "1/12500s"}, {3584, 1.0 / 16000, "1/16000s"},
    {3670, 1.0 / 20000, "1/20000s"}, {3925, 1.0 / 40000, "1/40000s"}};

const int kSwitchingProducts[] = {0x2041, 0x2044, 0x2047};
const int kHalfStepProducts[] = {0x2009, 0x2011, 0x2021, 0x2031, 0x2033, 0x2051, 0x2061, 0};

const QString kApertureUnknownStep =
    QStringLiteral("TVK_Logic_APEXConverterAperture::initConvertMap() - unknown step size %1");
const QString kShutterUnknownStep =
    QStringLiteral("TVK_Logic_APEXConverterShutterTime::initConvertMap() - unknown step size %1");
const QString kShutterTextUnknownStep =
    QStringLiteral("TVK_Logic_APEXConverterShutterTime::toString() - unknown step size %1");

// Step size first: with no product selected yet it builds nothing and logs
// nothing, so only the product change builds the table.
void selectApertureCamera(int productId, int stepSize)
{
    Aperture::setStepSize(stepSize);
    Aperture::setProductId(productId);
}

QByteArray hex(int productId)
{
    return QByteArray("0x") + QByteArray::number(productId, 16);
}

} // namespace

class tst_apexconverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Aperture without a stop table (no camera, or a camera that has none).
    void formulaGivesMarkedFNumbersWithoutTable_data();
    void formulaGivesMarkedFNumbersWithoutTable();
    void formulaResultsArePulledOntoNominalMarks_data();
    void formulaResultsArePulledOntoNominalMarks();
    void formulaAvIsTwiceTheBinaryLogarithm_data();
    void formulaAvIsTwiceTheBinaryLogarithm();
    void apertureCodesAreReadAsSigned16Bit_data();
    void apertureCodesAreReadAsSigned16Bit();
    void productsWithoutStopTablesUseTheFormulaInEveryStepSize_data();
    void productsWithoutStopTablesUseTheFormulaInEveryStepSize();

    // Aperture with a stop table.
    void everyApertureStopRoundTripsThroughItsCode_data();
    void everyApertureStopRoundTripsThroughItsCode();
    void halfStepTableKeepsTheCamerasCodeForF35();
    void apertureLookupPrefersTheLowerCodeOnTies_data();
    void apertureLookupPrefersTheLowerCodeOnTies();
    void apertureValuesBeyondTheTableGiveItsEnds();

    // Aperture texts.
    void apertureTextShowsWholeNumbersWithoutDecimals_data();
    void apertureTextShowsWholeNumbersWithoutDecimals();
    void apertureTextIsReadWithOrWithoutMarker_data();
    void apertureTextIsReadWithOrWithoutMarker();
    void everyMarkedFNumberSurvivesItsText_data();
    void everyMarkedFNumberSurvivesItsText();

    // Aperture state.
    void unknownApertureStepSizeIsLoggedAndFallsBackToTheFormula();
    void settingAnApertureValueAgainDoesNotRebuild();
    void apertureProductsWithoutTablesDoNotCareAboutStepSize();
    void resettingTheApertureCameraReturnsToTheFormula();
    void apertureReadersOnOtherThreadsSeeWholeTables();

    // Shutter time tables.
    void everyShutterTimeRoundTripsThroughCodeAndText_data();
    void everyShutterTimeRoundTripsThroughCodeAndText();
    void constructionStartsWithHalfSteps();
    void changingTheStepSizeSwitchesTheShutterTable();
    void halfStepProductsKeepTheirTableInEveryStepSize();
    void shortestTimeCodeExistsOnlyOnSwitchingProducts_data();
    void shortestTimeCodeExistsOnlyOnSwitchingProducts();
    void oneHundredTwentyFiveSecondsAreShownInSeconds();
    void unknownShutterStepSizeEmptiesTableAndText();

    // Shutter time lookups.
    void shutterLookupPrefersTheLowerCodeOnTies();
    void shutterCodesAreReadAsSigned16Bit();
    void codesFarOutsideTheTableTakeTheNearerEnd();
    void nearestTimeIsMeasuredOnALogScale_data();
    void nearestTimeIsMeasuredOnALogScale();
    void tvIsTheNegativeBinaryLogarithmOfTheTime_data();
    void tvIsTheNegativeBinaryLogarithmOfTheTime();
    void secondsFromTvRoundsHalvesUpwards_data();
    void secondsFromTvRoundsHalvesUpwards();

    // Shutter time texts.
    void shutterTextFollowsEachCameraFamilysRules_data();
    void shutterTextFollowsEachCameraFamilysRules();
    void shutterTextIsParsedBackIntoSeconds_data();
    void shutterTextIsParsedBackIntoSeconds();
};

void tst_apexconverter::init()
{
    // Product first: a table product left over with step size 0 would log.
    Aperture::setProductId(0);
    Aperture::setStepSize(0);
}

void tst_apexconverter::cleanup()
{
    init();
}

// --- Aperture without a stop table --------------------------------------------------------

void tst_apexconverter::formulaGivesMarkedFNumbersWithoutTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("fNumber");

    // N = 2^(code / 512), one decimal below f 10, whole numbers above.
    QTest::newRow("Av 0") << 0 << 1.0;
    QTest::newRow("Av 1/3: 1.12") << 86 << 1.1;
    QTest::newRow("Av 2/3: 1.26 reads 1.3, the camera marks 1.2") << 171 << 1.3;
    QTest::newRow("Av 1/2: 1.19") << 128 << 1.2;
    QTest::newRow("Av 1") << 256 << 1.4;
    QTest::newRow("Av 3/2: 1.68") << 384 << 1.7;
    QTest::newRow("Av 2") << 512 << 2.0;
    QTest::newRow("Av 5/2: 2.38") << 640 << 2.4;
    QTest::newRow("Av 3") << 768 << 2.8;
    QTest::newRow("Av 11/3: 3.57 reads 3.6, the camera marks 3.5") << 939 << 3.6;
    QTest::newRow("Av 7/2: 3.36") << 896 << 3.4;
    QTest::newRow("Av 4") << 1024 << 4.0;
    QTest::newRow("Av 9/2: 4.76") << 1152 << 4.8;
    QTest::newRow("Av 5: 5.66 reads 5.6") << 1280 << 5.6;
    QTest::newRow("Av 17/3: 7.13") << 1451 << 7.1;
    QTest::newRow("Av 6") << 1536 << 8.0;
    QTest::newRow("Av 19/3: 8.99") << 1622 << 9.0;
    QTest::newRow("Av 13/2: 9.51") << 1664 << 9.5;
    QTest::newRow("Av 20/3: 10.08 reads 10") << 1707 << 10.0;
    QTest::newRow("Av 7: 11.31 reads 11") << 1792 << 11.0;
    QTest::newRow("Av 7.33 (code 1877) reads 13") << 1877 << 13.0;
    QTest::newRow("Av 23/3: 14.26 reads 14") << 1963 << 14.0;
    QTest::newRow("Av 8") << 2048 << 16.0;
    QTest::newRow("Av 25/3: 17.98 reads 18") << 2134 << 18.0;
    QTest::newRow("Av 17/2: 19.03 reads 19") << 2176 << 19.0;
    QTest::newRow("Av 26/3: 20.17 reads 20") << 2219 << 20.0;
    QTest::newRow("Av 28/3: 25.42 reads 25") << 2390 << 25.0;
    QTest::newRow("Av 9.5: 26.91 reads 27") << 2432 << 27.0;
    QTest::newRow("Av 29/3: 28.52 reads 28") << 2475 << 28.0;
    QTest::newRow("Av 10") << 2560 << 32.0;
}

void tst_apexconverter::formulaGivesMarkedFNumbersWithoutTable()
{
    QFETCH(int, code);
    QFETCH(double, fNumber);

    QCOMPARE(Aperture::fNumberFromCode(code), fNumber);
    QCOMPARE(Aperture::fNumberFromAv(code / 256.0), fNumber);
}

void tst_apexconverter::formulaResultsArePulledOntoNominalMarks_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("fNumber");

    QTest::newRow("5.7 reads 5.6") << 1280 << 5.6;
    QTest::newRow("6.4 reads 6.3") << 1366 << 6.3;
    QTest::newRow("6.7 reads 6.8") << 1408 << 6.8;
    QTest::newRow("12.0 reads 13") << 1835 << 13.0;
    QTest::newRow("12.7 reads 13") << 1878 << 13.0;
    QTest::newRow("26.0 reads 27") << 2407 << 27.0;
    QTest::newRow("26.9 reads 27") << 2432 << 27.0;
    QTest::newRow("22.6 is cut to 22, not rounded") << 2304 << 22.0;
    QTest::newRow("13.45 reads 13") << 1920 << 13.0;
    QTest::newRow("5.8 stays") << 1300 << 5.8;
    QTest::newRow("6.6 stays") << 1391 << 6.6;
    QTest::newRow("58.06 is cut to 58") << 3000 << 58.0;
}

void tst_apexconverter::formulaResultsArePulledOntoNominalMarks()
{
    QFETCH(int, code);
    QFETCH(double, fNumber);

    QCOMPARE(Aperture::fNumberFromCode(code), fNumber);
}

void tst_apexconverter::formulaAvIsTwiceTheBinaryLogarithm_data()
{
    QTest::addColumn<double>("fNumber");
    QTest::addColumn<double>("av");
    QTest::addColumn<int>("code");

    QTest::newRow("f 1") << 1.0 << 0.0 << 0;
    QTest::newRow("f 2") << 2.0 << 2.0 << 512;
    QTest::newRow("f 8") << 8.0 << 6.0 << 1536;
    QTest::newRow("f 1.4: 248.54 rounds to 249") << 1.4 << 0.9708536543 << 249;
    QTest::newRow("f 3.5: 925.37 rounds to 925") << 3.5 << 3.6147098441 << 925;
    QTest::newRow("f 5.6: 1272.54 rounds to 1273") << 5.6 << 4.9708536543 << 1273;
    QTest::newRow("f 11: 1771.23 rounds to 1771") << 11.0 << 6.9188632373 << 1771;
    QTest::newRow("f 0.7: -263.46 rounds to -263") << 0.7 << -1.0291463457 << -263;
}

void tst_apexconverter::formulaAvIsTwiceTheBinaryLogarithm()
{
    QFETCH(double, fNumber);
    QFETCH(double, av);
    QFETCH(int, code);

    QVERIFY(qAbs(Aperture::avFromFNumber(fNumber) - av) < 1e-9);
    QCOMPARE(Aperture::codeFromFNumber(fNumber), code);
}

void tst_apexconverter::apertureCodesAreReadAsSigned16Bit_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("fNumber");

    QTest::newRow("0xFF00 is Av -1: 0.71") << 0xFF00 << 0.7;
    QTest::newRow("0xFFFF is Av -1/256: 0.9986") << 0xFFFF << 1.0;
    QTest::newRow("0x10500 is 0x0500, Av 5") << 0x10500 << 5.6;
    QTest::newRow("-256 as int is Av -1") << -256 << 0.7;
}

void tst_apexconverter::apertureCodesAreReadAsSigned16Bit()
{
    QFETCH(int, code);
    QFETCH(double, fNumber);

    QCOMPARE(Aperture::fNumberFromCode(code), fNumber);
}

void tst_apexconverter::productsWithoutStopTablesUseTheFormulaInEveryStepSize_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("stepSize");

    for (int productId : kHalfStepProducts) {
        for (int stepSize : {333, 500}) {
            QTest::addRow("%s, step %d", hex(productId).constData(), stepSize)
                << productId << stepSize;
        }
    }
}

void tst_apexconverter::productsWithoutStopTablesUseTheFormulaInEveryStepSize()
{
    QFETCH(int, productId);
    QFETCH(int, stepSize);
    selectApertureCamera(productId, stepSize);

    // The table would give 1.2 and 3.5 here.
    QCOMPARE(Aperture::fNumberFromCode(171), 1.3);
    QCOMPARE(Aperture::fNumberFromCode(938), 3.6);
    QCOMPARE(Aperture::codeFromFNumber(5.6), 1273);
}

// --- Aperture with a stop table -----------------------------------------------------------

void tst_apexconverter::everyApertureStopRoundTripsThroughItsCode_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("fNumber");

    for (int productId : kSwitchingProducts) {
        for (const ApertureMark &mark : kApertureThirdStops) {
            QTest::addRow("%s, 1/3 EV, %s", hex(productId).constData(), mark.text)
                << productId << 333 << mark.code << mark.fNumber;
        }
        for (const ApertureMark &mark : kApertureHalfStops) {
            QTest::addRow("%s, 1/2 EV, %s", hex(productId).constData(), mark.text)
                << productId << 500 << mark.code << mark.fNumber;
        }
    }
}

void tst_apexconverter::everyApertureStopRoundTripsThroughItsCode()
{
    QFETCH(int, productId);
    QFETCH(int, stepSize);
    QFETCH(int, code);
    QFETCH(double, fNumber);
    selectApertureCamera(productId, stepSize);

    QCOMPARE(Aperture::fNumberFromCode(code), fNumber);
    QCOMPARE(Aperture::fNumberFromAv(code / 256.0), fNumber);
    QCOMPARE(Aperture::avFromFNumber(fNumber), code / 256.0);
    QCOMPARE(Aperture::codeFromFNumber(fNumber), code);
    QCOMPARE(Aperture::codeFromFNumber(Aperture::fNumberFromCode(code)), code);
}

void tst_apexconverter::halfStepTableKeepsTheCamerasCodeForF35()
{
    selectApertureCamera(0x2044, 500);
    QCOMPARE(Aperture::codeFromFNumber(3.5), 924);
    QCOMPARE(Aperture::fNumberFromCode(900), 3.5); // 24 from 924, 132 from 768
    QCOMPARE(Aperture::fNumberFromCode(896), 3.5); // the half stop itself is nearer to 924

    Aperture::setStepSize(333);
    QCOMPARE(Aperture::codeFromFNumber(3.5), 938);
    QCOMPARE(Aperture::fNumberFromCode(939), 3.5);
}

void tst_apexconverter::apertureLookupPrefersTheLowerCodeOnTies_data()
{
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<double>("av");
    QTest::addColumn<double>("fNumber");

    QTest::newRow("1/2 EV: 64 is as far from 0 as from 128") << 500 << 64 / 256.0 << 1.0;
    QTest::newRow("1/2 EV: 192 is as far from 128 as from 256") << 500 << 192 / 256.0 << 1.2;
    QTest::newRow("1/3 EV: 43 is as far from 0 as from 86") << 333 << 43 / 256.0 << 1.0;
    QTest::newRow("1/2 EV: 63.5 rounds up to the tie at 64") << 500 << 63.5 / 256.0 << 1.0;
    QTest::newRow("1/2 EV: 64.5 rounds up to 65, nearer to 128") << 500 << 64.5 / 256.0 << 1.2;
    QTest::newRow("1/2 EV: 65 is nearer to 128") << 500 << 65 / 256.0 << 1.2;
}

void tst_apexconverter::apertureLookupPrefersTheLowerCodeOnTies()
{
    QFETCH(int, stepSize);
    QFETCH(double, av);
    QFETCH(double, fNumber);
    selectApertureCamera(0x2047, stepSize);

    QCOMPARE(Aperture::fNumberFromAv(av), fNumber);
}

void tst_apexconverter::apertureValuesBeyondTheTableGiveItsEnds()
{
    selectApertureCamera(0x2041, 333);

    QCOMPARE(Aperture::fNumberFromCode(-500), 1.0);
    QCOMPARE(Aperture::fNumberFromCode(4000), 32.0);
    QCOMPARE(Aperture::fNumberFromAv(12.0), 32.0);
    QCOMPARE(Aperture::codeFromFNumber(0.5), 0);
    QCOMPARE(Aperture::codeFromFNumber(64.0), 2560);
}

// --- Aperture texts -----------------------------------------------------------------------

void tst_apexconverter::apertureTextShowsWholeNumbersWithoutDecimals_data()
{
    QTest::addColumn<double>("fNumber");
    QTest::addColumn<QString>("text");

    QTest::newRow("8") << 8.0 << "f 8";
    QTest::newRow("5.6") << 5.6 << "f 5.6";
    QTest::newRow("1") << 1.0 << "f 1";
    QTest::newRow("11") << 11.0 << "f 11";
    QTest::newRow("3.5") << 3.5 << "f 3.5";
    QTest::newRow("32") << 32.0 << "f 32";
    QTest::newRow("0.7") << 0.7 << "f 0.7";
}

void tst_apexconverter::apertureTextShowsWholeNumbersWithoutDecimals()
{
    QFETCH(double, fNumber);
    QFETCH(QString, text);

    QCOMPARE(Aperture::toString(fNumber), text);
}

void tst_apexconverter::apertureTextIsReadWithOrWithoutMarker_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("fNumber");

    QTest::newRow("f 5.6") << "f 5.6" << 5.6;
    QTest::newRow("f 11") << "f 11" << 11.0;
    QTest::newRow("5.6 without marker") << "5.6" << 5.6;
    QTest::newRow("16 without marker") << "16" << 16.0;
    QTest::newRow("not a number") << "abc" << 0.0;
    QTest::newRow("marker without number") << "f abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void tst_apexconverter::apertureTextIsReadWithOrWithoutMarker()
{
    QFETCH(QString, text);
    QFETCH(double, fNumber);

    QCOMPARE(Aperture::fromString(text), fNumber);
}

void tst_apexconverter::everyMarkedFNumberSurvivesItsText_data()
{
    QTest::addColumn<double>("fNumber");
    QTest::addColumn<QString>("text");

    for (const ApertureMark &mark : kApertureThirdStops)
        QTest::addRow("1/3 EV, %s", mark.text) << mark.fNumber << QString::fromLatin1(mark.text);
    for (const ApertureMark &mark : kApertureHalfStops)
        QTest::addRow("1/2 EV, %s", mark.text) << mark.fNumber << QString::fromLatin1(mark.text);
}

void tst_apexconverter::everyMarkedFNumberSurvivesItsText()
{
    QFETCH(double, fNumber);
    QFETCH(QString, text);

    QCOMPARE(Aperture::toString(fNumber), text);
    QCOMPARE(Aperture::fromString(text), fNumber);
}

// --- Aperture state -----------------------------------------------------------------------

void tst_apexconverter::unknownApertureStepSizeIsLoggedAndFallsBackToTheFormula()
{
    TVK_Test_LogCapture log;
    selectApertureCamera(0x2044, 250);

    QCOMPARE(log.lines(), QStringList{kApertureUnknownStep.arg(250)});
    QCOMPARE(Aperture::stepSize(), 250);
    QCOMPARE(Aperture::fNumberFromCode(171), 1.3);
    QCOMPARE(Aperture::fNumberFromCode(938), 3.6);
}

void tst_apexconverter::settingAnApertureValueAgainDoesNotRebuild()
{
    TVK_Test_LogCapture log;
    selectApertureCamera(0x2044, 250);
    QCOMPARE(log.lines().size(), 1);

    Aperture::setStepSize(250);
    Aperture::setProductId(0x2044);
    QCOMPARE(log.lines().size(), 1);

    // A different product rebuilds, and still finds no table for 250.
    Aperture::setProductId(0x2047);
    QCOMPARE(log.lines(), QStringList({kApertureUnknownStep.arg(250), kApertureUnknownStep.arg(250)}));
}

void tst_apexconverter::apertureProductsWithoutTablesDoNotCareAboutStepSize()
{
    TVK_Test_LogCapture log;
    selectApertureCamera(0x2009, 250);
    Aperture::setProductId(0x2061);
    Aperture::setStepSize(1000);

    QVERIFY(log.lines().isEmpty());
    QCOMPARE(Aperture::stepSize(), 1000);
}

void tst_apexconverter::resettingTheApertureCameraReturnsToTheFormula()
{
    selectApertureCamera(0x2044, 333);
    QCOMPARE(Aperture::fNumberFromCode(171), 1.2);

    TVK_Test_LogCapture log;
    Aperture::setProductId(0);
    Aperture::setStepSize(0);

    QVERIFY(log.lines().isEmpty());
    QCOMPARE(Aperture::stepSize(), 0);
    QCOMPARE(Aperture::fNumberFromCode(171), 1.3);
}

void tst_apexconverter::apertureReadersOnOtherThreadsSeeWholeTables()
{
    selectApertureCamera(0x2044, 333);
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};

    // Whatever the writer has selected, code 938 is f 3.5 in both tables and
    // f 3.6 by the formula; anything else would be a torn table.
    std::vector<std::unique_ptr<QThread>> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back(QThread::create([&stop, &wrong] {
            while (!stop.load()) {
                const double fNumber = Aperture::fNumberFromCode(938);
                if (fNumber != 3.5 && fNumber != 3.6)
                    ++wrong;
                const int code = Aperture::codeFromFNumber(3.5);
                if (code != 938 && code != 924 && code != 925)
                    ++wrong;
            }
        }));
        readers.back()->start();
    }

    for (int i = 0; i < 2000; ++i) {
        Aperture::setStepSize(i % 2 ? 500 : 333);
        Aperture::setProductId(i % 3 ? 0x2044 : 0);
    }
    stop = true;
    for (const std::unique_ptr<QThread> &reader : readers)
        QVERIFY(reader->wait(10000));

    QCOMPARE(wrong.load(), 0);
}

// --- Shutter time tables ------------------------------------------------------------------

void tst_apexconverter::everyShutterTimeRoundTripsThroughCodeAndText_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    for (int productId : kHalfStepProducts) {
        for (const HalfStepMark &mark : kHalfStepTimes) {
            const char *text = productId == 0x2061 ? mark.text2061 : mark.text;
            QTest::addRow("%s, %s", hex(productId).constData(), text)
                << productId << 500 << mark.code << mark.seconds << QString::fromLatin1(text);
        }
    }
    for (int productId : kSwitchingProducts) {
        for (const TimeMark &mark : kSwitchingHalfStepTimes) {
            QTest::addRow("%s, 1/2 EV, %s", hex(productId).constData(), mark.text)
                << productId << 500 << mark.code << mark.seconds << QString::fromLatin1(mark.text);
        }
        for (const TimeMark &mark : kSwitchingThirdStepTimes) {
            QTest::addRow("%s, 1/3 EV, %s", hex(productId).constData(), mark.text)
                << productId << 333 << mark.code << mark.seconds << QString::fromLatin1(mark.text);
        }
    }
}

void tst_apexconverter::everyShutterTimeRoundTripsThroughCodeAndText()
{
    QFETCH(int, productId);
    QFETCH(int, stepSize);
    QFETCH(int, code);
    QFETCH(double, seconds);
    QFETCH(QString, text);

    ShutterTime converter(productId);
    converter.setStepSize(stepSize);

    QCOMPARE(converter.secondsFromCode(code), seconds);
    QCOMPARE(converter.codeFromSeconds(seconds), code);
    QCOMPARE(converter.toString(seconds), text);
    QCOMPARE(ShutterTime::fromString(text), seconds);
    QCOMPARE(converter.secondsFromTv(code / 256.0), seconds);
}

void tst_apexconverter::constructionStartsWithHalfSteps()
{
    ShutterTime converter(0x2044);

    QCOMPARE(converter.stepSize(), 500);
    QCOMPARE(converter.secondsFromCode(-2688), 1320.0);
    QCOMPARE(converter.secondsFromCode(86), 0.7); // 1/3 EV would give 0.8
}

void tst_apexconverter::changingTheStepSizeSwitchesTheShutterTable()
{
    ShutterTime converter(0x2041);

    converter.setStepSize(333);
    QCOMPARE(converter.stepSize(), 333);
    QCOMPARE(converter.secondsFromCode(86), 0.8);
    QCOMPARE(converter.toString(0.3), QStringLiteral("0.3s"));

    converter.setStepSize(500);
    QCOMPARE(converter.secondsFromCode(86), 0.7);
    QCOMPARE(converter.toString(0.3), QStringLiteral("1/3s"));
}

void tst_apexconverter::halfStepProductsKeepTheirTableInEveryStepSize()
{
    TVK_Test_LogCapture log;
    ShutterTime converter(0x2009);

    for (int stepSize : {333, 250, 500}) {
        converter.setStepSize(stepSize);
        QCOMPARE(converter.secondsFromCode(86), 0.7);
        QCOMPARE(converter.secondsFromCode(-3072), 3840.0);
        QCOMPARE(converter.toString(1.5), QStringLiteral("1.5s"));
    }
    QVERIFY(log.lines().isEmpty());
}

void tst_apexconverter::shortestTimeCodeExistsOnlyOnSwitchingProducts_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<double>("seconds");

    for (int productId : kSwitchingProducts) {
        QTest::addRow("%s, 1/3 EV", hex(productId).constData()) << productId << 333 << 1.0 / 40000;
        QTest::addRow("%s, 1/2 EV", hex(productId).constData()) << productId << 500 << 1.0 / 40000;
    }
    // 3072 is the nearest code there.
    for (int productId : kHalfStepProducts)
        QTest::addRow("%s", hex(productId).constData()) << productId << 500 << 1.0 / 4000;
}

void tst_apexconverter::shortestTimeCodeExistsOnlyOnSwitchingProducts()
{
    QFETCH(int, productId);
    QFETCH(int, stepSize);
    QFETCH(double, seconds);

    ShutterTime converter(productId);
    converter.setStepSize(stepSize);
    QCOMPARE(converter.secondsFromCode(3925), seconds);
}

void tst_apexconverter::oneHundredTwentyFiveSecondsAreShownInSeconds()
{
    ShutterTime converter(0x2009);

    QCOMPARE(converter.secondsFromCode(-1792), 125.0);
    QCOMPARE(converter.toString(converter.secondsFromCode(-1792)), QStringLiteral("125s"));
}

void tst_apexconverter::unknownShutterStepSizeEmptiesTableAndText()
{
    TVK_Test_LogCapture log;
    ShutterTime converter(0x2044);
    converter.setStepSize(250);

    QCOMPARE(log.lines(), QStringList{kShutterUnknownStep.arg(250)});
    QCOMPARE(converter.secondsFromCode(0), 0.0);
    QCOMPARE(converter.secondsFromCode(-2816), 0.0);
    QCOMPARE(converter.codeFromSeconds(1.0), 0);
    QCOMPARE(converter.codeFromSeconds(1800.0), 0);
    QCOMPARE(converter.secondsFromTv(0.0), 0.0);

    log.clear();
    QCOMPARE(converter.toString(1.0), QString());
    QCOMPARE(log.lines(), QStringList{kShutterTextUnknownStep.arg(250)});

    log.clear();
    converter.setStepSize(250);
    QVERIFY(log.lines().isEmpty());

    converter.setStepSize(333);
    QCOMPARE(converter.secondsFromCode(0), 1.0);
    QVERIFY(log.lines().isEmpty());
}

// --- Shutter time lookups -----------------------------------------------------------------

void tst_apexconverter::shutterLookupPrefersTheLowerCodeOnTies()
{
    ShutterTime converter(0x2011);

    QCOMPARE(converter.secondsFromCode(64), 1.0);   // 0 and 128 are both 64 away
    QCOMPARE(converter.secondsFromCode(-64), 1.5);  // -128 and 0 are both 64 away
    QCOMPARE(converter.secondsFromCode(65), 0.7);
}

void tst_apexconverter::shutterCodesAreReadAsSigned16Bit()
{
    ShutterTime converter(0x2021);

    QCOMPARE(converter.secondsFromCode(0x10000 - 1792), 125.0);
    QCOMPARE(converter.secondsFromCode(0xFFFF), 1.0);
    QCOMPARE(converter.secondsFromCode(0x10000 + 2048), 1.0 / 250);
}

void tst_apexconverter::codesFarOutsideTheTableTakeTheNearerEnd()
{
    // The most negative code is a very long time, never the shortest one.
    ShutterTime converter(0x2044);
    converter.setStepSize(333);
    QCOMPARE(converter.secondsFromCode(-32768), 1800.0);
    QCOMPARE(converter.secondsFromCode(32767), 1.0 / 40000);
    QCOMPARE(converter.secondsFromCode(-30000), 1800.0);
}

void tst_apexconverter::nearestTimeIsMeasuredOnALogScale_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("code");

    // 107 s is nearer to 90 s in seconds, but nearer to 125 s in EV
    // (their geometric middle is 106.07 s).
    QTest::newRow("107 s") << 107.0 << -1792;
    QTest::newRow("106 s") << 106.0 << -1664;
    QTest::newRow("1/107 s") << 1.0 / 107 << 1792;
    QTest::newRow("1/106 s") << 1.0 / 106 << 1664;
    QTest::newRow("1/128 s") << 1.0 / 128 << 1792;
    QTest::newRow("longer than the table") << 10000.0 << -3072;
    QTest::newRow("shorter than the table") << 1.0 / 100000 << 3072;
}

void tst_apexconverter::nearestTimeIsMeasuredOnALogScale()
{
    QFETCH(double, seconds);
    QFETCH(int, code);

    ShutterTime converter(0x2031);
    QCOMPARE(converter.codeFromSeconds(seconds), code);
}

void tst_apexconverter::tvIsTheNegativeBinaryLogarithmOfTheTime_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("tv");

    QTest::newRow("1 s") << 1.0 << 0.0;
    QTest::newRow("2 s") << 2.0 << -1.0;
    QTest::newRow("1/8 s") << 1.0 / 8 << 3.0;
    QTest::newRow("4096 s") << 4096.0 << -12.0;
    QTest::newRow("1/250 s") << 1.0 / 250 << 7.9657842847;
}

void tst_apexconverter::tvIsTheNegativeBinaryLogarithmOfTheTime()
{
    QFETCH(double, seconds);
    QFETCH(double, tv);

    QVERIFY(qAbs(ShutterTime::tvFromSeconds(seconds) - tv) < 1e-9);
}

void tst_apexconverter::secondsFromTvRoundsHalvesUpwards_data()
{
    QTest::addColumn<double>("tv");
    QTest::addColumn<double>("seconds");

    // Codes 0 (1 s), 128 (0.7 s) and -128 (1.5 s); a tie goes to the lower code.
    QTest::newRow("64.5 rounds to 65, nearer to 128") << 64.5 / 256 << 0.7;
    QTest::newRow("63.5 rounds to the tie at 64") << 63.5 / 256 << 1.0;
    QTest::newRow("-63.5 rounds to -63, nearer to 0") << -63.5 / 256 << 1.0;
    QTest::newRow("-64.5 rounds to the tie at -64") << -64.5 / 256 << 1.5;
    QTest::newRow("Tv 8 is 2048") << 8.0 << 1.0 / 250;
}

void tst_apexconverter::secondsFromTvRoundsHalvesUpwards()
{
    QFETCH(double, tv);
    QFETCH(double, seconds);

    ShutterTime converter(0x2033);
    QCOMPARE(converter.secondsFromTv(tv), seconds);
}

// --- Shutter time texts -------------------------------------------------------------------

void tst_apexconverter::shutterTextFollowsEachCameraFamilysRules_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("stepSize");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("1/8000 s, 0x2009") << 0x2009 << 500 << 1.0 / 8000 << "1/8000s";
    QTest::newRow("1/8000 s, 0x2044 in 1/2 EV") << 0x2044 << 500 << 1.0 / 8000 << "1/8000s";
    QTest::newRow("1/8000 s, 0x2044 in 1/3 EV") << 0x2044 << 333 << 1.0 / 8000 << "1/8000s";

    QTest::newRow("0.3 s, 0x2041 in 1/3 EV") << 0x2041 << 333 << 0.3 << "0.3s";
    QTest::newRow("0.3 s, 0x2041 in 1/2 EV") << 0x2041 << 500 << 0.3 << "1/3s";
    QTest::newRow("0.3 s, 0x2009") << 0x2009 << 500 << 0.3 << "1/3s";
    QTest::newRow("0.3 s, 0x2061") << 0x2061 << 500 << 0.3 << "1/3s";

    QTest::newRow("240 s, 0x2009") << 0x2009 << 500 << 240.0 << "4m";
    QTest::newRow("240 s, 0x2061") << 0x2061 << 500 << 240.0 << "4m";
    QTest::newRow("240 s, 0x2047 in 1/3 EV") << 0x2047 << 333 << 240.0 << "4m";
    QTest::newRow("240 s, 0x2047 in 1/2 EV") << 0x2047 << 500 << 240.0 << "4m";

    QTest::newRow("180 s, 0x2061") << 0x2061 << 500 << 180.0 << "3m";
    QTest::newRow("180 s, 0x2009") << 0x2009 << 500 << 180.0 << "180s";
    QTest::newRow("179 s, 0x2061") << 0x2061 << 500 << 179.0 << "179s";
    QTest::newRow("181 s, 0x2009") << 0x2009 << 500 << 181.0 << "3m";
    QTest::newRow("220 s, 1/3 EV") << 0x2044 << 333 << 220.0 << "220s";
    QTest::newRow("221 s, 1/3 EV") << 0x2044 << 333 << 221.0 << "4m";
    QTest::newRow("105 s, 1/2 EV") << 0x2044 << 500 << 105.0 << "105s";
    QTest::newRow("106 s, 1/2 EV") << 0x2044 << 500 << 106.0 << "2m";

    QTest::newRow("150 s is 2.5 min, shown 3m") << 0x2044 << 500 << 150.0 << "3m";
    QTest::newRow("2.5 s without decimal mark is 3s") << 0x2009 << 500 << 2.5 << "3s";
    QTest::newRow("2.5 s with decimal mark") << 0x2044 << 333 << 2.5 << "2.5s";
    QTest::newRow("1/2.5 s reads 1/3s") << 0x2009 << 500 << 1.0 / 2.5 << "1/3s";

    // Exact powers of two near the marks.
    QTest::newRow("2^(4/3) s reads 2.5s") << 0x2044 << 333 << 2.5198 << "2.5s";
    QTest::newRow("2^(2/3) s reads 1.6s") << 0x2044 << 333 << 1.5874 << "1.6s";
    QTest::newRow("2^(1/3) s reads 1.3s") << 0x2044 << 333 << 1.2599 << "1.3s";
    QTest::newRow("2^(-1/3) s reads 0.8s") << 0x2044 << 333 << 0.7937 << "0.8s";
    QTest::newRow("2^(-2/3) s reads 0.6s") << 0x2044 << 333 << 0.63 << "0.6s";
    QTest::newRow("2^(-4/3) s reads 0.4s") << 0x2044 << 333 << 0.3969 << "0.4s";
    QTest::newRow("2^(-5/3) s reads 0.3s") << 0x2044 << 333 << 0.315 << "0.3s";
    QTest::newRow("1/4 s is too far from 0.3") << 0x2044 << 333 << 0.25 << "1/4s";
    QTest::newRow("2^(-1/2) s reads 0.7s") << 0x2009 << 500 << 0.7071 << "0.7s";
    QTest::newRow("1.46 s reads 1.5s") << 0x2009 << 500 << 1.46 << "1.5s";
    QTest::newRow("1.46 s reads 1.5s on 0x2061") << 0x2061 << 500 << 1.46 << "1.5s";
    QTest::newRow("1.46 s reads 1.5s in 1/2 EV") << 0x2047 << 500 << 1.46 << "1.5s";
    QTest::newRow("2^(1/2) s is outside the 1.5 window") << 0x2009 << 500 << 1.4142 << "1s";
    QTest::newRow("1.3 s without decimal mark") << 0x2009 << 500 << 1.3 << "1s";
    QTest::newRow("0.8 s without decimal mark reads 1/1s") << 0x2009 << 500 << 0.8 << "1/1s";
}

void tst_apexconverter::shutterTextFollowsEachCameraFamilysRules()
{
    QFETCH(int, productId);
    QFETCH(int, stepSize);
    QFETCH(double, seconds);
    QFETCH(QString, text);

    ShutterTime converter(productId);
    converter.setStepSize(stepSize);
    QCOMPARE(converter.toString(seconds), text);
}

void tst_apexconverter::shutterTextIsParsedBackIntoSeconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds");

    QTest::newRow("1/250s") << "1/250s" << 0.004;
    QTest::newRow("4m") << "4m" << 240.0;
    QTest::newRow("2.5s") << "2.5s" << 2.5;
    QTest::newRow("30s") << "30s" << 30.0;
    QTest::newRow("1/3s") << "1/3s" << 1.0 / 3;
    QTest::newRow("1/40000s") << "1/40000s" << 1.0 / 40000;
    QTest::newRow("1.5m") << "1.5m" << 90.0;
    QTest::newRow("without unit") << "8" << 8.0;
    QTest::newRow("not a number") << "abc" << 0.0;
    QTest::newRow("unit without number") << "s" << 0.0;
    QTest::newRow("minutes without number") << "m" << 0.0;
    QTest::newRow("fraction without number") << "1/s" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void tst_apexconverter::shutterTextIsParsedBackIntoSeconds()
{
    QFETCH(QString, text);
    QFETCH(double, seconds);

    QCOMPARE(ShutterTime::fromString(text), seconds);
}

QTEST_GUILESS_MAIN(tst_apexconverter)
#include "tst_apexconverter.moc"
