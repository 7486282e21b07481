#include "TVK_Logic_ConverterAudioLevel.h"
#include "TVK_Logic_ConverterAutoPowerOff.h"
#include "TVK_Logic_ConverterAutoreviewDuration.h"
#include "TVK_Logic_ConverterBracketDeltaEV.h"
#include "TVK_Logic_ConverterBracketImgNum.h"
#include "TVK_Logic_ConverterContrast.h"
#include "TVK_Logic_ConverterDngCompression.h"
#include "TVK_Logic_ConverterDriveMode.h"
#include "TVK_Logic_ConverterExposCompens.h"
#include "TVK_Logic_ConverterExposMetering.h"
#include "TVK_Logic_ConverterFileFormat.h"
#include "TVK_Logic_ConverterFocusDistance.h"
#include "TVK_Logic_ConverterIntervalFrames.h"
#include "TVK_Logic_ConverterIntervalTime.h"
#include "TVK_Logic_ConverterJpgColorSpace.h"
#include "TVK_Logic_ConverterJpgResolution.h"
#include "TVK_Logic_ConverterMonochrome.h"
#include "TVK_Logic_ConverterOrientation.h"
#include "TVK_Logic_ConverterPhotoAspectRatio.h"
#include "TVK_Logic_ConverterSaturation.h"
#include "TVK_Logic_ConverterSensitivity.h"
#include "TVK_Logic_ConverterSensorFormat.h"
#include "TVK_Logic_ConverterSharpness.h"
#include "TVK_Logic_ConverterVideoFileFormat.h"
#include "TVK_Logic_ConverterVideoFormatResol.h"
#include "TVK_Logic_ConverterVideoResAndFrRate.h"
#include "TVK_Logic_ConverterWarning.h"
#include "TVK_Logic_ConverterWhiteBalTemp.h"
#include "TVK_Logic_ConverterWhiteBalance.h"
#include "TVK_Test_LogCapture.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>

using Converter = std::unique_ptr<TVK_Logic_ConverterBase>;

namespace {

// The expected lists are written here once more from the camera
// documentation, as "text=value|text=value"; a text without "=" is valued by
// its position.

const int kAllProducts[] = {0x2009, 0x2011, 0x2021, 0x2031, 0x2033,
                            0x2041, 0x2044, 0x2047, 0x2051, 0x2061};
// Products no camera has; 0 is "no camera".
const int kStrangeProducts[] = {0x1234, 0};

constexpr int kFixed = -1; // the list does not depend on the product

struct Expected
{
    QStringList texts;
    QVector<double> values;
};

Expected parse(const QString &entries)
{
    Expected expected;
    if (entries.isEmpty())
        return expected;
    const QStringList parts = entries.split(QLatin1Char('|'));
    for (int position = 0; position < parts.size(); ++position) {
        const QString &part = parts.at(position);
        const int equals = part.lastIndexOf(QLatin1Char('='));
        if (equals < 0) {
            expected.texts.append(part);
            expected.values.append(position);
        } else {
            expected.texts.append(part.left(equals));
            bool ok = false;
            expected.values.append(part.mid(equals + 1).toDouble(&ok));
            Q_ASSERT(ok);
        }
    }
    return expected;
}

// "Auto=0" followed by ISO numbers that are their own texts.
QString autoAnd(const QString &isoNumbers)
{
    QString entries = QStringLiteral("Auto=0");
    for (const QString &iso : isoNumbers.split(QLatin1Char(' ')))
        entries += QLatin1Char('|') + iso + QLatin1Char('=') + iso;
    return entries;
}

// Kelvin numbers as "2000 K=2000", or as positions.
QString kelvins(const QString &numbers, bool positions)
{
    QStringList entries;
    for (const QString &kelvin : numbers.split(QLatin1Char(' '))) {
        const QString text = kelvin + QStringLiteral(" K");
        entries.append(positions ? text : QString(text + QLatin1Char('=') + kelvin));
    }
    return entries.join(QLatin1Char('|'));
}

const char *const kSixtyThreeKelvins =
    "2000 2100 2200 2300 2400 2500 2600 2700 2800 2900 3000 3100 3200 3300 3400 3500 3600 "
    "3700 3800 3900 4000 4100 4200 4300 4400 4500 4600 4700 4800 4900 5000 "
    "5200 5400 5600 5800 6000 6200 6400 6600 6800 7000 7200 7400 7600 7800 8000 "
    "8300 8600 8900 9200 9500 9800 10100 10400 10700 11000 11300 11600 11900 12200 12500 "
    "12800 13100";

const QString kExposHalf = QStringLiteral(
    "-3 EV=-3000|-2.5 EV=-2500|-2 EV=-2000|-1.5 EV=-1500|-1 EV=-1000|-0.5 EV=-500|0 EV=0|"
    "+0.5 EV=500|+1 EV=1000|+1.5 EV=1500|+2 EV=2000|+2.5 EV=2500|+3 EV=3000");
const QString kExposThird = QStringLiteral(
    "-3 EV=-3000|-2.7 EV=-2667|-2.3 EV=-2333|-2 EV=-2000|-1.7 EV=-1667|-1.3 EV=-1333|"
    "-1 EV=-1000|-0.7 EV=-667|-0.3 EV=-333|0 EV=0|+0.3 EV=333|+0.7 EV=667|+1 EV=1000|"
    "+1.3 EV=1333|+1.7 EV=1667|+2 EV=2000|+2.3 EV=2333|+2.7 EV=2667|+3 EV=3000");

using Factory = std::function<TVK_Logic_ConverterBase *(int productId)>;

const std::map<QString, Factory> &factories()
{
    static const std::map<QString, Factory> all = {
        {"AudioLevel", [](int) { return new TVK_Logic_ConverterAudioLevel; }},
        {"AutoreviewDuration", [](int) { return new TVK_Logic_ConverterAutoreviewDuration; }},
        {"AutoPowerOff", [](int) { return new TVK_Logic_ConverterAutoPowerOff; }},
        {"BracketDeltaEV", [](int p) { return new TVK_Logic_ConverterBracketDeltaEV(p); }},
        {"BracketImgNum", [](int) { return new TVK_Logic_ConverterBracketImgNum; }},
        {"Contrast", [](int) { return new TVK_Logic_ConverterContrast; }},
        {"Sharpness", [](int) { return new TVK_Logic_ConverterSharpness; }},
        {"Saturation", [](int) { return new TVK_Logic_ConverterSaturation; }},
        {"Monochrome", [](int) { return new TVK_Logic_ConverterMonochrome; }},
        {"DngCompression", [](int) { return new TVK_Logic_ConverterDngCompression; }},
        {"DriveMode", [](int p) { return new TVK_Logic_ConverterDriveMode(p); }},
        {"ExposCompens", [](int p) { return new TVK_Logic_ConverterExposCompens(p); }},
        {"ExposMetering", [](int) { return new TVK_Logic_ConverterExposMetering; }},
        {"FileFormat", [](int p) { return new TVK_Logic_ConverterFileFormat(p); }},
        {"IntervalFrames", [](int p) { return new TVK_Logic_ConverterIntervalFrames(p); }},
        {"IntervalTime", [](int p) { return new TVK_Logic_ConverterIntervalTime(p); }},
        {"JpgColorSpace", [](int) { return new TVK_Logic_ConverterJpgColorSpace; }},
        {"JpgResolution", [](int p) { return new TVK_Logic_ConverterJpgResolution(p); }},
        {"Orientation", [](int) { return new TVK_Logic_ConverterOrientation; }},
        {"PhotoAspectRatio", [](int p) { return new TVK_Logic_ConverterPhotoAspectRatio(p); }},
        {"Sensitivity", [](int p) { return new TVK_Logic_ConverterSensitivity(p); }},
        {"SensorFormat", [](int p) { return new TVK_Logic_ConverterSensorFormat(p); }},
        {"VideoFileFormat", [](int p) { return new TVK_Logic_ConverterVideoFileFormat(p); }},
        {"VideoResAndFrRate", [](int p) { return new TVK_Logic_ConverterVideoResAndFrRate(p); }},
        {"VideoFormatResol", [](int p) { return new TVK_Logic_ConverterVideoFormatResol(p); }},
        {"Warning", [](int p) { return new TVK_Logic_ConverterWarning(p); }},
        {"WhiteBalance", [](int p) { return new TVK_Logic_ConverterWhiteBalance(p); }},
        {"WhiteBalTemp", [](int p) { return new TVK_Logic_ConverterWhiteBalTemp(p); }},
    };
    return all;
}

Converter make(const QString &name, int productId)
{
    const auto found = factories().find(name);
    if (found == factories().end())
        return nullptr;
    return Converter(found->second(productId));
}

QString unknownProductLine(const QString &name, int productId)
{
    return QStringLiteral("TVK_Logic_Converter%1::init - unknown ProductId 0x%2")
        .arg(name, QString::number(productId, 16).toUpper());
}

// Product-dependent converters: the list of every product, "" where the
// product has none (and is logged).
struct ProductLists
{
    const char *converter;
    std::function<QString(int productId)> entries;
};

bool isG3(int p)
{
    return p == 0x2041 || p == 0x2044 || p == 0x2047;
}

bool isOneOf(int p, std::initializer_list<int> products)
{
    return std::find(products.begin(), products.end(), p) != products.end();
}

const std::vector<ProductLists> &productLists()
{
    static const std::vector<ProductLists> all = {
        {"BracketDeltaEV",
         [](int p) -> QString {
             if (p == 0x2041)
                 return "1 EV=1000|2 EV=2000|3 EV=3000";
             if (p == 0x2044 || p == 0x2047)
                 return "1/3 EV=333|2/3 EV=667|1 EV=1000|1 1/3 EV=1333|1 2/3 EV=1667|2 EV=2000|"
                        "2 1/3 EV=2333|2 2/3 EV=2667|3 EV=3000";
             if (p == 0x2061)
                 return "0.3 EV=333|0.7 EV=667|1 EV=1000|2 EV=2000|3 EV=3000";
             return "0.5 EV=500|1 EV=1000|2 EV=2000|3 EV=3000";
         }},
        {"DriveMode",
         [](int p) -> QString {
             if (p == 0x2041)
                 return "Single=0|Continuous Low Speed=6|Continuous Medium Speed=7|"
                        "Continuous High Speed=8|Self Timer 2 s=2|Self Timer 12 s=3|Interval=5|"
                        "Exposure Bracketing=4";
             if (p == 0x2044 || p == 0x2047)
                 return "Single=0|Continuous Low Speed=6|Continuous Medium Speed=7|"
                        "Continuous High Speed=8|Continuous Very High Speed=9|Self Timer 2 s=2|"
                        "Self Timer 12 s=3|Interval=5|Exposure Bracketing=4";
             if (p == 0x2061)
                 return "Single=0|Continuous=1|Self Timer 2s=2|Self Timer 12s=3|Interval=5|"
                        "Bracketing=4";
             return "Single=0|Continuous=1|Interval=5|Self Timer 2s=2|Self Timer 12s=3|"
                    "Bracketing=4";
         }},
        {"ExposCompens",
         [](int p) -> QString {
             // The step size starts at 1/2 EV.
             if (isOneOf(p, {0x2009, 0x2011, 0x2031, 0x2033}) || isG3(p))
                 return kExposHalf;
             if (isOneOf(p, {0x2021, 0x2051, 0x2061}))
                 return kExposThird;
             return "";
         }},
        {"FileFormat",
         [](int p) -> QString {
             if (isOneOf(p, {0x2009, 0x2011, 0x2021}))
                 return "DNG|DNG + JPG (fine)|DNG + JPG (basic)|JPG (fine)|JPG (basic)";
             if (isOneOf(p, {0x2031, 0x2033, 0x2051, 0x2061}) || isG3(p))
                 return "DNG=0|DNG + JPG=1|JPG=3";
             return "";
         }},
        {"IntervalFrames",
         [](int p) -> QString {
             if (isOneOf(p, {0x2009, 0x2011, 0x2021, 0x2051}))
                 return "5 Frames=5|10 Frames=10|50 Frames=50|100 Frames=100|500 Frames=500|"
                        "1000 Frames=1000|2500 Frames=2500|5000 Frames=5000|10000 Frames=10000";
             if (isOneOf(p, {0x2031, 0x2033, 0x2061}) || isG3(p))
                 return "1 Frame=1|2 Frames=2|5 Frames=5|10 Frames=10|50 Frames=50|"
                        "100 Frames=100|500 Frames=500|1000 Frames=1000|2500 Frames=2500|"
                        "5000 Frames=5000|9999 Frames=9999";
             return "";
         }},
        {"IntervalTime",
         [](int p) -> QString {
             const QString upTo15Min =
                 "1s=1|2s=2|3s=3|4s=4|5s=5|10s=10|15s=15|20s=20|25s=25|30s=30|45s=45|1Min=60|"
                 "1.5Min=90|2Min=120|10Min=600|15Min=900|";
             if (isOneOf(p, {0x2009, 0x2011, 0x2021, 0x2051}))
                 return "2s=2|3s=3|4s=4|5s=5|10s=10|15s=15|20s=20|25s=25|30s=30|45s=45|1Min=60|"
                        "1.5Min=90|2Min=120|10Min=600|30Min=1800|1h=3600";
             if (isOneOf(p, {0x2031, 0x2033}))
                 return upTo15Min + "999s=999";
             if (p == 0x2061 || isG3(p))
                 return upTo15Min + "89999s=89999";
             return "";
         }},
        {"JpgResolution",
         [](int p) -> QString {
             if (isOneOf(p, {0x2011, 0x2031}))
                 return "37.5 MP=0|9.3 MP=1|2.3 MP=2";
             if (isOneOf(p, {0x2021, 0x2051}))
                 return "24 MP|12 MP|6 MP|1.7 MP";
             if (p == 0x2033)
                 return "64 MP=6|24 MP=7|4 MP=8";
             if (p == 0x2061 || isG3(p))
                 return "L-JPG=3|M-JPG=4|S-JPG=5";
             return "";
         }},
        {"PhotoAspectRatio",
         [](int p) -> QString {
             return isG3(p) ? "3:2=0|7:5=1|4:3=2|1:1=3|3:1=4|16:9=5" : "";
         }},
        {"SensorFormat", [](int p) -> QString { return isG3(p) ? "35 mm=0|APS-C=1" : ""; }},
        {"VideoFileFormat", [](int p) -> QString { return isG3(p) ? "MOV=0|MP4=1" : ""; }},
        {"VideoResAndFrRate",
         [](int p) -> QString {
             if (p == 0x2021)
                 return "1920x1080p @ 25fps=8|1920x1080p @ 24fps=9|1280x720p @ 25fps=15|"
                        "1280x720p @ 24fps=16|640x480 @ 30fps=17|640x480 @ 25fps=18";
             if (isOneOf(p, {0x2031, 0x2033}))
                 return "4096x2160p @ 24fps=0|1920x1080p @ 30fps=7|1920x1080p @ 25fps=8|"
                        "1920x1080p @ 24fps=9";
             if (isG3(p))
                 return "4096x2160p @ 24fps=0|3840x2160p @ 30fps=1|3840x2160p @ 25fps=2|"
                        "1920x1080p @ 120fps=3|1920x1080p @ 100fps=4|1920x1080p @ 60fps=5|"
                        "1920x1080p @ 50fps=6|1920x1080p @ 30fps=7|1920x1080p @ 25fps=8|"
                        "1920x1080p @ 24fps=9|1280x720p @ 120fps=10|1280x720p @ 100fps=11|"
                        "1280x720p @ 60fps=12|1280x720p @ 50fps=13|1280x720p @ 30fps=14|"
                        "1280x720p @ 25fps=15";
             if (p == 0x2051)
                 return "1920x1080p @ 25fps=8|1920x1080p @ 24fps=9|1280x720p @ 25fps=15|"
                        "1280x720p @ 24fps=16";
             return "";
         }},
        {"VideoFormatResol",
         [](int p) -> QString {
             if (!isG3(p))
                 return "";
             return "MOV 4096x2160p @ 24fps=0|MP4 4096x2160p @ 24fps=1|"
                    "MOV 3840x2160p @ 30fps=2|MP4 3840x2160p @ 30fps=3|"
                    "MOV 3840x2160p @ 25fps=4|MP4 3840x2160p @ 25fps=5|"
                    "MOV 3840x2160p @ 24fps=28|MP4 3840x2160p @ 24fps=29|"
                    "MP4 1920x1080p @ 120fps=6|MP4 1920x1080p @ 100fps=7|"
                    "MOV 1920x1080p @ 60fps=8|MP4 1920x1080p @ 60fps=9|"
                    "MOV 1920x1080p @ 50fps=10|MP4 1920x1080p @ 50fps=11|"
                    "MOV 1920x1080p @ 30fps=12|MP4 1920x1080p @ 30fps=13|"
                    "MOV 1920x1080p @ 25fps=14|MP4 1920x1080p @ 25fps=15|"
                    "MOV 1920x1080p @ 24fps=16|MP4 1920x1080p @ 24fps=17|"
                    "MP4 1280x720p @ 120fps=18|MP4 1280x720p @ 100fps=19|"
                    "MOV 1280x720p @ 60fps=20|MP4 1280x720p @ 60fps=21|"
                    "MOV 1280x720p @ 50fps=22|MP4 1280x720p @ 50fps=23|"
                    "MOV 1280x720p @ 30fps=24|MP4 1280x720p @ 30fps=25|"
                    "MOV 1280x720p @ 25fps=26|MP4 1280x720p @ 25fps=27";
         }},
        {"Warning",
         [](int p) -> QString {
             if (isOneOf(p, {0x2009, 0x2011, 0x2021, 0x2051}))
                 return "Undefined Error|Overheating|USB Error|Lens Error|Shutter Error|"
                        "Card Open Error|Bulb mode and Self timer";
             return "";
         }},
        {"WhiteBalance",
         [](int p) -> QString {
             if (isOneOf(p, {0x2009, 0x2011}))
                 return "Auto=0|Daylight=1|Cloudy=2|Shadow=3|Tungsten=4|HMI=10|"
                        "Fluorescent warm=5|Fluorescent cool=6|Flash=7|Graycard=8|"
                        "Color Temperature=9";
             if (p == 0x2021)
                 return "Auto=0|Daylight=1|Cloudy=2|Shadow=3|Tungsten=4|Fluorescent warm=5|"
                        "Fluorescent cool=6|Flash=7|Graycard=8|Color Temperature=9";
             if (isOneOf(p, {0x2031, 0x2033}) || isG3(p))
                 return "Auto=0|Daylight=1|Cloudy=2|Shadow=3|Tungsten=4|HMI=5|"
                        "Fluorescent warm=6|Fluorescent cool=7|Flash=8|Graycard LiveView=9|"
                        "Color Temperature=11";
             if (p == 0x2061)
                 return "Auto=0|Daylight=1|Cloudy=2|Shadow=3|Tungsten=4|Fluorescent warm=6|"
                        "Fluorescent cool=7|Flash=8|Graycard Photo=10|Color Temperature=11";
             return "";
         }},
        {"WhiteBalTemp",
         [](int p) -> QString {
             if (isOneOf(p, {0x2009, 0x2011, 0x2021}))
                 return kelvins(kSixtyThreeKelvins, true);
             if (isOneOf(p, {0x2031, 0x2033, 0x2061}))
                 return kelvins(kSixtyThreeKelvins, false);
             if (p == 0x2041)
                 return kelvins("2000 2200 2400 2700 3000 3300 3600 3900 4200 4600 5000 5500 "
                                "6000 6600 7200 8000 8700 9500 10300 11500",
                                false);
             if (p == 0x2044 || p == 0x2047)
                 return kelvins("2000 2200 2400 2700 3000 3300 3600 3900 4200 4600 5000 5500 "
                                "6000 6500 7200 8000 8700 9500 10300 11500",
                                false);
             return "";
         }},
        {"Sensitivity",
         [](int p) -> QString {
             const QString g3 = "50 100 200 400 800 1600 3200 6400 12500 25000 50000";
             switch (p) {
             case 0x2009:
                 return "Auto=0|Pull 80=80|160=160|320=320|640=640|1250=1250";
             case 0x2011:
                 return autoAnd("50 100 200 400 800 1600");
             case 0x2021:
                 return autoAnd("50 100 125 160 200 250 320 400 500 640 800 1000 1280 1600 2000 "
                                "2500 3200 4000 5000 6400");
             case 0x2031:
                 return autoAnd("100 200 400 800 1600 3200 6400 12500");
             case 0x2033:
                 return autoAnd("100 200 400 800 1600 3200 6400 12500 25000 50000");
             case 0x2041:
             case 0x2044:
                 return autoAnd(g3);
             case 0x2047:
                 return autoAnd(g3 + " 100000");
             case 0x2051:
                 return autoAnd("320 400 500 640 800 1000 1280 1600 2000 2500 3200 4000 5000 "
                                "6400 8000 10000 12500")
                        + "|PUSH 25000=25000";
             case 0x2061:
                 return autoAnd("100 200 250 320 400 500 640 800 1000 1250 1600 2000 2500 3200 "
                                "4000 5000 6400 8000 10000 12500 16000 20000 25000 32000 40000 "
                                "50000");
             default:
                 return "";
             }
         }},
    };
    return all;
}

struct FixedList
{
    const char *converter;
    const char *entries;
};

const FixedList kFixedLists[] = {
    {"AudioLevel", "Auto=0|Manual=1"},
    {"AutoreviewDuration", "Off=0|1 s=1|3 s=3|5 s=5|Hold=-1"},
    {"AutoPowerOff", "Off=0|2 minutes=1|5 minutes=2|10 minutes=3"},
    {"BracketImgNum", "3 Images=3|5 Images=5"},
    {"Contrast", "Low=0|Standard=1|High=2"},
    {"Sharpness", "Low=0|Standard=1|High=2"},
    {"Saturation", "Low=0|Standard=1|High=2"},
    {"Monochrome", "Off=0|On=1"},
    {"DngCompression", "Off|On"},
    {"ExposMetering", "Spot=0|Center-weighted=1|Multi-field=2"},
    {"JpgColorSpace", "sRGB|Adobe RGB|ECI-RGB 2.0"},
    {"Orientation", "Top=0|Right=90|Bottom=180|Left=-90"},
};

const QString kStepSizeLine =
    QStringLiteral("TVK_Logic_ConverterExposCompens::init - unknown step size %1");

const int kInfinity = std::numeric_limits<qint32>::max();

} // namespace

class tst_converters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lists_data();
    void lists();
    void unknownProductLineNamesTheClass();
    void emptyListLookupsMiss_data();
    void emptyListLookupsMiss();
    void valueForText_data();
    void valueForText();
    void textForValue_data();
    void textForValue();
    void textAt_data();
    void textAt();
    void firstAndLastValue_data();
    void firstAndLastValue();
    void exposCompensStepSize_data();
    void exposCompensStepSize();
    void colorTemperatureValue_data();
    void colorTemperatureValue();
    void millimetresFromMetres_data();
    void millimetresFromMetres();
    void millimetresFromText_data();
    void millimetresFromText();
    void textFromMillimetres_data();
    void textFromMillimetres();
    void focusRangeIsKept();
};

void tst_converters::lists_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("entries");

    for (const FixedList &list : kFixedLists) {
        QTest::addRow("%s fixed", list.converter)
            << QString::fromLatin1(list.converter) << kFixed << QString::fromUtf8(list.entries);
    }
    for (const ProductLists &lists : productLists()) {
        for (int productId : kAllProducts) {
            QTest::addRow("%s 0x%x", lists.converter, productId)
                << QString::fromLatin1(lists.converter) << productId << lists.entries(productId);
        }
        for (int productId : kStrangeProducts) {
            QTest::addRow("%s 0x%x", lists.converter, productId)
                << QString::fromLatin1(lists.converter) << productId << lists.entries(productId);
        }
    }
}

// Every entry in both directions, and the unknown-product line exactly when
// the product has no list.
void tst_converters::lists()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);
    QFETCH(QString, entries);

    const Expected expected = parse(entries);
    TVK_Test_LogCapture log;
    const Converter c = make(converter, productId);
    QVERIFY(c);

    QCOMPARE(c->textList(), expected.texts);
    for (int i = 0; i < expected.texts.size(); ++i) {
        const QString &text = expected.texts.at(i);
        QCOMPARE(c->textAt(i), text);
        QCOMPARE(c->valueForText(text), expected.values.at(i));
        QCOMPARE(c->textForValue(expected.values.at(i)), text);
    }
    QCOMPARE(c->valueForText(QStringLiteral("no such entry")), -1.0);

    const bool listed = !expected.texts.isEmpty();
    const bool fallsBack = converter == "BracketDeltaEV" || converter == "DriveMode";
    if (listed || productId == kFixed || fallsBack) {
        QVERIFY(listed);
        QCOMPARE(log.lines(), QStringList());
    } else {
        QCOMPARE(log.lines(), QStringList{unknownProductLine(converter, productId)});
    }
}

// The line's prefix is the class name and "init" alone, the hexadecimal
// number in capitals.
void tst_converters::unknownProductLineNamesTheClass()
{
    TVK_Test_LogCapture log;
    TVK_Logic_ConverterFileFormat fileFormat(0x1abc);
    TVK_Logic_ConverterWarning warning(0);
    QCOMPARE(log.lines(),
             (QStringList{QStringLiteral("TVK_Logic_ConverterFileFormat::init - unknown ProductId 0x1ABC"),
                          QStringLiteral("TVK_Logic_ConverterWarning::init - unknown ProductId 0x0")}));
    QCOMPARE(unknownProductLine(QStringLiteral("FileFormat"), 0x1abc), log.lines().first());
}

void tst_converters::emptyListLookupsMiss_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");

    for (const ProductLists &lists : productLists()) {
        for (int productId : kAllProducts) {
            if (lists.entries(productId).isEmpty()) {
                QTest::addRow("%s 0x%x", lists.converter, productId)
                    << QString::fromLatin1(lists.converter) << productId;
            }
        }
        QTest::addRow("%s 0x1234", lists.converter) << QString::fromLatin1(lists.converter) << 0x1234;
    }
}

void tst_converters::emptyListLookupsMiss()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);

    TVK_Test_LogCapture log;
    const Converter c = make(converter, productId);
    if (c->textList().isEmpty()) {
        QCOMPARE(c->textAt(0), QString());
        QCOMPARE(c->textForValue(0), QString());
        QCOMPARE(c->valueForText(QString()), -1.0);
        QCOMPARE(c->valueForText(QStringLiteral("Auto")), -1.0);
        QCOMPARE(c->firstValue(), 0.0);
        QCOMPARE(c->lastValue(), 0.0);
    } else {
        // Only the converters with a list for every other product.
        QVERIFY(converter == "BracketDeltaEV" || converter == "DriveMode");
    }
}

void tst_converters::valueForText_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    // "Hold" is -1 like a text that is not there.
    QTest::newRow("Hold") << "AutoreviewDuration" << kFixed << "Hold" << -1.0;
    QTest::newRow("unknown autoreview") << "AutoreviewDuration" << kFixed << "2 s" << -1.0;
    QTest::newRow("5000 K by position on 0x2021") << "WhiteBalTemp" << 0x2021 << "5000 K" << 30.0;
    QTest::newRow("5000 K by kelvin on 0x2061") << "WhiteBalTemp" << 0x2061 << "5000 K" << 5000.0;
    QTest::newRow("13100 K last position") << "WhiteBalTemp" << 0x2009 << "13100 K" << 62.0;
    QTest::newRow("5200 K after the 100 K steps") << "WhiteBalTemp" << 0x2011 << "5200 K" << 31.0;
    QTest::newRow("8300 K after the 200 K steps") << "WhiteBalTemp" << 0x2011 << "8300 K" << 46.0;
    QTest::newRow("position list") << "JpgColorSpace" << kFixed << "ECI-RGB 2.0" << 2.0;
    QTest::newRow("position list, unknown") << "JpgColorSpace" << kFixed << "Adobe" << -1.0;
    QTest::newRow("exact text only") << "DriveMode" << 0x2061 << "Self Timer 2 s" << -1.0;
    QTest::newRow("case matters") << "Monochrome" << kFixed << "on" << -1.0;
    QTest::newRow("empty text") << "Monochrome" << kFixed << "" << -1.0;
    QTest::newRow("jpg 24 MP on 0x2033") << "JpgResolution" << 0x2033 << "24 MP" << 7.0;
    QTest::newRow("jpg 24 MP on 0x2051") << "JpgResolution" << 0x2051 << "24 MP" << 0.0;
    QTest::newRow("untranslated EV") << "ExposCompens" << 0x2021 << "-0.7 EV" << -667.0;
    QTest::newRow("Pull 80") << "Sensitivity" << 0x2009 << "Pull 80" << 80.0;
    QTest::newRow("80 is no text") << "Sensitivity" << 0x2009 << "80" << -1.0;
    QTest::newRow("PUSH 25000") << "Sensitivity" << 0x2051 << "PUSH 25000" << 25000.0;
    QTest::newRow("video out of order") << "VideoFormatResol" << 0x2044 << "MP4 3840x2160p @ 24fps" << 29.0;
}

void tst_converters::valueForText()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);
    QFETCH(QString, text);
    QFETCH(double, value);

    const Converter c = make(converter, productId);
    QCOMPARE(c->valueForText(text), value);
}

void tst_converters::textForValue_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    // Index 2 exists only in the five-entry list.
    QTest::newRow("file format 1 on 0x2041") << "FileFormat" << 0x2041 << 1.0 << "DNG + JPG";
    QTest::newRow("file format 2 on 0x2041") << "FileFormat" << 0x2041 << 2.0 << "";
    QTest::newRow("file format 2 on 0x2009") << "FileFormat" << 0x2009 << 2.0 << "DNG + JPG (basic)";
    QTest::newRow("positions, first lookup") << "DngCompression" << kFixed << 1.0 << "On";
    QTest::newRow("positions, past the end") << "DngCompression" << kFixed << 2.0 << "";
    QTest::newRow("positions, negative") << "DngCompression" << kFixed << -1.0 << "";
    QTest::newRow("exact value only") << "ExposCompens" << 0x2061 << 666.0 << "";
    QTest::newRow("no rounding") << "IntervalTime" << 0x2031 << 999.4 << "";
    QTest::newRow("minus zero is zero") << "ExposCompens" << 0x2009 << -0.0 << "0 EV";
    QTest::newRow("negative value") << "Orientation" << kFixed << -90.0 << "Left";
    QTest::newRow("hold") << "AutoreviewDuration" << kFixed << -1.0 << "Hold";
    QTest::newRow("NaN") << "AudioLevel" << kFixed << std::nan("") << "";
    QTest::newRow("HMI 10 on 0x2011") << "WhiteBalance" << 0x2011 << 10.0 << "HMI";
    QTest::newRow("10 on 0x2031") << "WhiteBalance" << 0x2031 << 10.0 << "";
    QTest::newRow("kelvin on a position list") << "WhiteBalTemp" << 0x2021 << 5000.0 << "";
    QTest::newRow("position on a kelvin list") << "WhiteBalTemp" << 0x2061 << 30.0 << "";
    QTest::newRow("6500 on 0x2041") << "WhiteBalTemp" << 0x2041 << 6500.0 << "";
    QTest::newRow("6500 on 0x2047") << "WhiteBalTemp" << 0x2047 << 6500.0 << "6500 K";
    QTest::newRow("auto ISO") << "Sensitivity" << 0x2047 << 0.0 << "Auto";
}

void tst_converters::textForValue()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);
    QFETCH(double, value);
    QFETCH(QString, text);

    const Converter c = make(converter, productId);
    QCOMPARE(c->textForValue(value), text);
}

void tst_converters::textAt_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("first") << "DriveMode" << 0x2009 << 0 << "Single";
    QTest::newRow("last") << "DriveMode" << 0x2009 << 5 << "Bracketing";
    QTest::newRow("one past the end") << "DriveMode" << 0x2009 << 6 << "";
    QTest::newRow("negative") << "DriveMode" << 0x2009 << -1 << "";
    QTest::newRow("far negative") << "DriveMode" << 0x2009 << std::numeric_limits<int>::min() << "";
    QTest::newRow("far out") << "DriveMode" << 0x2009 << std::numeric_limits<int>::max() << "";
    QTest::newRow("index is the position, not the value") << "FileFormat" << 0x2041 << 2 << "JPG";
    QTest::newRow("empty list") << "Warning" << 0x2041 << 0 << "";
}

void tst_converters::textAt()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);
    QFETCH(int, index);
    QFETCH(QString, text);

    TVK_Test_LogCapture log;
    const Converter c = make(converter, productId);
    QCOMPARE(c->textAt(index), text);
}

void tst_converters::firstAndLastValue_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<int>("productId");
    // Whether a lookup runs first (and fills the positions).
    QTest::addColumn<bool>("lookUpFirst");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("last");

    for (bool lookUp : {false, true}) {
        const char *when = lookUp ? "after a lookup" : "fresh";
        QTest::addRow("dng compression %s", when) << "DngCompression" << kFixed << lookUp << 0.0 << 1.0;
        QTest::addRow("jpg colour space %s", when) << "JpgColorSpace" << kFixed << lookUp << 0.0 << 2.0;
        QTest::addRow("five file formats %s", when) << "FileFormat" << 0x2021 << lookUp << 0.0 << 4.0;
        QTest::addRow("warnings %s", when) << "Warning" << 0x2051 << lookUp << 0.0 << 6.0;
        QTest::addRow("kelvin positions %s", when) << "WhiteBalTemp" << 0x2011 << lookUp << 0.0 << 62.0;
        QTest::addRow("empty %s", when) << "Warning" << 0x2061 << lookUp << 0.0 << 0.0;
    }
    QTest::newRow("values") << "AutoreviewDuration" << kFixed << false << 0.0 << -1.0;
    QTest::newRow("orientation") << "Orientation" << kFixed << false << 0.0 << -90.0;
    QTest::newRow("exposure compensation") << "ExposCompens" << 0x2051 << false << -3000.0 << 3000.0;
    QTest::newRow("kelvin values") << "WhiteBalTemp" << 0x2033 << false << 2000.0 << 13100.0;
    QTest::newRow("sensitivity") << "Sensitivity" << 0x2047 << false << 0.0 << 100000.0;
    QTest::newRow("bracketing 0x2041") << "BracketDeltaEV" << 0x2041 << false << 1000.0 << 3000.0;
    QTest::newRow("video 0x2021") << "VideoResAndFrRate" << 0x2021 << false << 8.0 << 18.0;
}

void tst_converters::firstAndLastValue()
{
    QFETCH(QString, converter);
    QFETCH(int, productId);
    QFETCH(bool, lookUpFirst);
    QFETCH(double, first);
    QFETCH(double, last);

    TVK_Test_LogCapture log;
    const Converter c = make(converter, productId);
    if (lookUpFirst)
        c->textForValue(0);
    QCOMPARE(c->firstValue(), first);
    QCOMPARE(c->lastValue(), last);
}

void tst_converters::exposCompensStepSize_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<QList<int>>("steps");
    // The list after construction and after each step.
    QTest::addColumn<QStringList>("lists");
    // The lines of the whole sequence, construction included.
    QTest::addColumn<QStringList>("lines");

    const QString half = QStringLiteral("half");
    const QString third = QStringLiteral("third");
    const QString none = QStringLiteral("none");

    QTest::newRow("0x2044 third then half, half again")
        << 0x2044 << QList<int>{333, 500, 500} << QStringList{half, third, half, half} << QStringList();
    QTest::newRow("0x2041 third") << 0x2041 << QList<int>{333} << QStringList{half, third} << QStringList();
    QTest::newRow("0x2047 third, back") << 0x2047 << QList<int>{333, 500} << QStringList{half, third, half}
                                        << QStringList();
    // Only a change rebuilds, so the second 250 stays silent.
    QTest::newRow("0x2044 unknown step")
        << 0x2044 << QList<int>{250, 250, 333} << QStringList{half, none, none, third}
        << QStringList{kStepSizeLine.arg(250)};
    QTest::newRow("0x2041 step 0") << 0x2041 << QList<int>{0} << QStringList{half, none}
                                   << QStringList{kStepSizeLine.arg(0)};
    QTest::newRow("0x2047 negative step") << 0x2047 << QList<int>{-333, 500}
                                          << QStringList{half, none, half}
                                          << QStringList{kStepSizeLine.arg(-333)};
    // Fixed steps ignore the step size, also an unknown one.
    QTest::newRow("0x2031 fixed half") << 0x2031 << QList<int>{333, 250} << QStringList{half, half, half}
                                       << QStringList();
    QTest::newRow("0x2021 fixed third") << 0x2021 << QList<int>{500, 250} << QStringList{third, third, third}
                                        << QStringList();
    QTest::newRow("0x2061 fixed third") << 0x2061 << QList<int>{333} << QStringList{third, third}
                                        << QStringList();
    // An unknown product is reported again on every rebuild, never with a step line.
    QTest::newRow("unknown product")
        << 0x1234 << QList<int>{333, 250} << QStringList{none, none, none}
        << QStringList{unknownProductLine("ExposCompens", 0x1234),
                       unknownProductLine("ExposCompens", 0x1234),
                       unknownProductLine("ExposCompens", 0x1234)};
    QTest::newRow("no camera") << 0 << QList<int>{500} << QStringList{none, none}
                               << QStringList{unknownProductLine("ExposCompens", 0)};
}

void tst_converters::exposCompensStepSize()
{
    QFETCH(int, productId);
    QFETCH(QList<int>, steps);
    QFETCH(QStringList, lists);
    QFETCH(QStringList, lines);

    const auto expectedTexts = [](const QString &list) {
        return list == "half" ? parse(kExposHalf).texts
                              : list == "third" ? parse(kExposThird).texts : QStringList();
    };

    TVK_Test_LogCapture log;
    TVK_Logic_ConverterExposCompens c(productId);
    QCOMPARE(c.stepSize(), 500);
    QCOMPARE(c.textList(), expectedTexts(lists.at(0)));
    for (int i = 0; i < steps.size(); ++i) {
        c.setStepSize(steps.at(i));
        QCOMPARE(c.stepSize(), steps.at(i));
        QCOMPARE(c.textList(), expectedTexts(lists.at(i + 1)));
    }
    QCOMPARE(log.lines(), lines);
}

void tst_converters::colorTemperatureValue_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("value");

    for (int productId : {0x2009, 0x2011, 0x2021})
        QTest::addRow("0x%x", productId) << productId << 9;
    for (int productId : {0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2051, 0x2061, 0x1234, 0})
        QTest::addRow("0x%x", productId) << productId << 11;
}

void tst_converters::colorTemperatureValue()
{
    QFETCH(int, productId);
    QFETCH(int, value);

    TVK_Test_LogCapture log;
    TVK_Logic_ConverterWhiteBalance c(productId);
    QCOMPARE(c.colorTemperatureValue(), value);
    // Where there is a list, the value is the one of its "Color Temperature".
    if (!c.textList().isEmpty())
        QCOMPARE(c.textForValue(value), QStringLiteral("Color Temperature"));
}

void tst_converters::millimetresFromMetres_data()
{
    QTest::addColumn<double>("metres");
    QTest::addColumn<int>("mm");

    QTest::newRow("-1") << -1.0 << -1;
    QTest::newRow("0") << 0.0 << -1;
    QTest::newRow("NaN") << std::nan("") << -1;
    QTest::newRow("tiny") << 0.0001 << 0;
    QTest::newRow("1 m") << 1.0 << 1000;
    QTest::newRow("half up") << 0.0625 << 63;
    QTest::newRow("half up again") << 0.1875 << 188;
    QTest::newRow("below half") << 0.06249 << 62;
    QTest::newRow("just below infinity") << 999999.999 << 999999999;
    QTest::newRow("1000000 m") << 1000000.0 << kInfinity;
    QTest::newRow("beyond") << 5.0e9 << kInfinity;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << kInfinity;
}

void tst_converters::millimetresFromMetres()
{
    QFETCH(double, metres);
    QFETCH(int, mm);
    TVK_Logic_ConverterFocusDistance c;
    QCOMPARE(c.millimetresFromMetres(metres), mm);
}

void tst_converters::millimetresFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("feet");
    QTest::addColumn<int>("mm");

    for (bool feet : {false, true}) {
        const char *unit = feet ? "ft" : "m";
        QTest::addRow("Error %s", unit) << "Error" << feet << -1;
        QTest::addRow("Infinity %s", unit) << "Infinity" << feet << kInfinity;
        QTest::addRow("negative %s", unit) << "-1" << feet << -1;
        QTest::addRow("small negative %s", unit) << "-0.001" << feet << -1;
        QTest::addRow("letters %s", unit) << "abc" << feet << -1;
        QTest::addRow("empty %s", unit) << "" << feet << -1;
        QTest::addRow("lower-case error %s", unit) << "error" << feet << -1;
        QTest::addRow("decimal comma %s", unit) << "1,5" << feet << -1;
        QTest::addRow("with unit %s", unit) << "1.5 m" << feet << -1;
        QTest::addRow("inf %s", unit) << "inf" << feet << -1;
        QTest::addRow("nan %s", unit) << "nan" << feet << -1;
        QTest::addRow("zero %s", unit) << "0" << feet << 0;
    }
    QTest::newRow("1.5 m") << "1.5" << false << 1500;
    QTest::newRow("half up") << "0.0625" << false << 63;
    QTest::newRow("5 ft") << "5" << true << 1524;
    QTest::newRow("10 ft") << "10" << true << 3048;
    QTest::newRow("0.5 ft") << "0.5" << true << 152;
    QTest::newRow("large metres") << "2147483" << false << 2147483000;
    QTest::newRow("overflow metres") << "2147484" << false << -1;
    QTest::newRow("huge metres") << "1e20" << false << -1;
    QTest::newRow("large feet") << "7045000" << true << 2147316000;
    QTest::newRow("overflow feet") << "7045700" << true << -1;
}

void tst_converters::millimetresFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, feet);
    QFETCH(int, mm);
    TVK_Logic_ConverterFocusDistance c;
    QCOMPARE(c.millimetresFromText(text, feet), mm);
}

void tst_converters::textFromMillimetres_data()
{
    QTest::addColumn<int>("mm");
    QTest::addColumn<bool>("feet");
    QTest::addColumn<QString>("text");

    for (bool feet : {false, true}) {
        const char *unit = feet ? "ft" : "m";
        QTest::addRow("Error %s", unit) << -1 << feet << "Error";
        QTest::addRow("Infinity %s", unit) << kInfinity << feet << "Infinity";
        QTest::addRow("zero %s", unit) << 0 << feet << "0.00";
    }
    QTest::newRow("1500 mm") << 1500 << false << "1.50";
    QTest::newRow("15000 mm") << 15000 << false << "15.0";
    QTest::newRow("just below 10 m") << 9990 << false << "9.99";
    QTest::newRow("10 m") << 10000 << false << "10.0";
    QTest::newRow("1 mm") << 1 << false << "0.00";
    QTest::newRow("5 mm") << 5 << false << "0.01";
    QTest::newRow("far") << 123456789 << false << "123456.8";
    QTest::newRow("largest finite") << 2147483646 << false << "2147483.6";
    QTest::newRow("5 ft") << 1524 << true << "5.00";
    QTest::newRow("10 ft") << 3048 << true << "10.0";
    QTest::newRow("1 m in feet") << 1000 << true << "3.28";
    QTest::newRow("15 m in feet") << 15000 << true << "49.2";
}

void tst_converters::textFromMillimetres()
{
    QFETCH(int, mm);
    QFETCH(bool, feet);
    QFETCH(QString, text);
    TVK_Logic_ConverterFocusDistance c;
    QCOMPARE(c.textFromMillimetres(mm, feet), text);
}

void tst_converters::focusRangeIsKept()
{
    TVK_Logic_ConverterFocusDistance c;
    QCOMPARE(c.minimum(), 0);
    QCOMPARE(c.maximum(), 0);
    c.setMinimum(300);
    c.setMaximum(kInfinity);
    QCOMPARE(c.minimum(), 300);
    QCOMPARE(c.maximum(), kInfinity);
    // The range does not limit the conversions.
    QCOMPARE(c.millimetresFromMetres(0.1), 100);
    QCOMPARE(c.textFromMillimetres(100, false), QStringLiteral("0.10"));
}

QTEST_GUILESS_MAIN(tst_converters)
#include "tst_converters.moc"
