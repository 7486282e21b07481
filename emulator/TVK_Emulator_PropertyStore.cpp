#include "TVK_Emulator_PropertyStore.h"

#include "TVK_Emulator_Bytes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"

#include <QHash>
#include <QVector>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

using namespace TVK_Commu_Ptp;
using P = TVK_Emulator_Profile;

namespace {

// Answers of the property operations beyond those the access layer names.
constexpr int kRespDevicePropNotSupported = 0x200A;
constexpr int kRespAccessDenied = 0x200F;
constexpr int kRespInvalidDevicePropFormat = 0x201B;

// PTP data types of the integer properties.
enum eLEDataType : quint16 { kInt8 = 1, kUint8 = 2, kInt16 = 3, kUint16 = 4, kInt32 = 5, kUint32 = 6 };

int widthOf(quint16 dataType)
{
    switch (dataType) {
    case kInt8:
    case kUint8: return 1;
    case kInt16:
    case kUint16: return 2;
    default: return 4;
    }
}

// Time a setting takes inside the camera before it reports the change: the
// firmware applies it on its next cycle, and the diaphragm has to move.
constexpr int kSettingDelayMs = 80;
constexpr int kApertureDelayMs = 200;
constexpr int kStreamDelayMs = 40;

// The camera's own shutter, aperture and step-size codes.
constexpr quint16 kPropExposureIndex = 0x500F;
constexpr quint16 kPropCompensation = 0x5010;
constexpr quint16 kPropBracketingEnabled = 0xD005;
constexpr quint16 kPropStepSize = 0xD040;
constexpr quint16 kPropBulbPreset = 0xD079;
constexpr quint16 kPropShutterTime = 0xD60C;
constexpr quint16 kPropAperture = 0xD60E;
constexpr quint16 kPropSensitivity = 0xD610;
constexpr quint16 kPropLongestShutterTime = 0xD625;

// What values a property allows: the form of its DevicePropDesc.
struct Form {
    enum eLEKind : quint8 { kLENone = 0, kLERange = 1, kLEEnumeration = 2 };
    quint8 kind = kLENone;
    qint64 minimum = 0;
    qint64 maximum = 0;
    qint64 step = 1;
    QVector<qint64> values;

    static Form range(qint64 low, qint64 high, qint64 stepSize)
    {
        Form form;
        form.kind = kLERange;
        form.minimum = low;
        form.maximum = high;
        form.step = stepSize;
        return form;
    }
    static Form list(const QVector<qint64> &allowed)
    {
        Form form;
        form.kind = kLEEnumeration;
        form.values = allowed;
        return form;
    }

    bool allows(qint64 value) const
    {
        if (kind == kLERange)
            return value >= minimum && value <= maximum && (step <= 0 || (value - minimum) % step == 0);
        if (kind == kLEEnumeration)
            return values.contains(value);
        return true;
    }

    qint64 first() const { return kind == kLERange ? minimum : values.value(0); }

    // The allowed value closest to value; the lower one on a tie.
    qint64 nearest(qint64 value) const
    {
        if (kind == kLERange) {
            if (value <= minimum)
                return minimum;
            if (value >= maximum)
                return maximum;
            const qint64 step1 = step > 0 ? step : 1;
            const qint64 below = minimum + (value - minimum) / step1 * step1;
            const qint64 above = qMin(below + step1, maximum);
            return value - below <= above - value ? below : above;
        }
        if (kind == kLEEnumeration && !values.isEmpty()) {
            qint64 best = values.first();
            for (qint64 candidate : values) {
                const qint64 distance = std::llabs(candidate - value);
                const qint64 bestDistance = std::llabs(best - value);
                if (distance < bestDistance || (distance == bestDistance && candidate < best))
                    best = candidate;
            }
            return best;
        }
        return value;
    }
};

// --- What each property is ---------------------------------------------------

// The data type follows the width with which the settings layer reads and
// writes the code; signed types where the camera sends negative values
// (compensation, APEX codes, -1 for "none", the orientation -90).
// storedUnder names the code whose value a write-only code sets.
struct Definition {
    quint16 code;
    quint16 dataType;
    bool writable;
    qint64 initial; // replaced by the form's first value when the form does not allow it
    quint16 storedUnder;
    int delayMs;
};

constexpr qint64 kFourCcMjpg = 'M' | ('J' << 8) | ('P' << 16) | (qint64('G') << 24);
// width << 16 | height; 3:2 like the sensor, so live-view pixels stay square.
constexpr qint64 kLiveViewResolution = (qint64(640) << 16) | 424;

const Definition kDefinitions[] = {
    // Standard PTP properties.
    {0x5001, kUint8, false, 80, 0, kSettingDelayMs},     // BatteryLevel, percent
    {0x5005, kUint16, true, 0, 0, kSettingDelayMs},      // WhiteBalance: auto
    {0x500A, kUint16, true, 0, 0, kSettingDelayMs},      // FocusMode: single autofocus
    {0x500B, kUint16, true, 2, 0, kSettingDelayMs},      // ExposureMeteringMode: multi-field
    {0x500E, kUint16, true, 3, 0, kSettingDelayMs},      // ExposureProgramMode: aperture priority
    {0x500F, kUint32, true, 0, 0, kSettingDelayMs},      // ExposureIndex: automatic
    {0x5010, kInt16, true, 0, 0, kSettingDelayMs},       // ExposureBiasCompensation, milli-EV
    {0x5013, kUint16, true, 0, 0, kSettingDelayMs},      // StillCaptureMode: single
    {0x5014, kUint8, true, 1, 0, kSettingDelayMs},       // Contrast: standard
    {0x5015, kUint8, true, 1, 0, kSettingDelayMs},       // Sharpness: standard
    {0x5020, kUint32, false, 0, 0, kStreamDelayMs},      // SupportedStreams: none
    {0x5021, kUint32, true, 0, 0, kStreamDelayMs},       // EnabledStreams
    {0x5022, kUint32, false, kFourCcMjpg, 0, kStreamDelayMs},         // VideoFormat
    {0x5023, kUint32, false, kLiveViewResolution, 0, kStreamDelayMs}, // VideoResolution
    {0x5024, kUint16, false, 80, 0, kStreamDelayMs},     // VideoQuality, percent
    {0x5025, kUint32, false, 25000, 0, kStreamDelayMs},  // VideoFrameRate, milli-fps
    // The maker's settings.
    {0xD000, kUint32, true, 5, 0, kSettingDelayMs},      // interval frames
    {0xD001, kUint32, true, 10, 0, kSettingDelayMs},     // interval time, seconds
    {0xD004, kUint32, true, 1, 0, kSettingDelayMs},      // file format: DNG and JPG
    {0xD005, kUint32, true, 0, 0, kSettingDelayMs},      // bracketing enabled
    {0xD006, kUint32, true, 3, 0, kSettingDelayMs},      // bracketing frames
    {0xD007, kUint32, true, 1000, 0, kSettingDelayMs},   // bracketing delta, milli-EV
    {0xD008, kUint32, true, 0, 0, kSettingDelayMs},      // bracketing automatic
    {0xD00A, kUint32, true, 0, 0, kSettingDelayMs},      // mirror up
    {0xD00F, kUint32, true, 0, 0, kSettingDelayMs},      // JPG resolution: the largest
    {0xD012, kUint32, true, 0, 0, kSettingDelayMs},      // audio level: automatic
    {0xD013, kUint32, true, 0, 0, kSettingDelayMs},      // wind elimination
    {0xD014, kUint32, true, 5000, 0, kSettingDelayMs},   // colour temperature, kelvin
    {0xD015, kUint32, true, 0, 0, kSettingDelayMs},      // JPG colour space: sRGB
    {0xD016, kUint32, true, 1, 0, kSettingDelayMs},      // saturation: standard
    {0xD018, kUint32, true, 0, 0, kSettingDelayMs},      // storage type: card
    {0xD01A, kInt32, true, 3, 0, kSettingDelayMs},       // autoreview, seconds, -1 hold
    {0xD024, kUint32, true, 2, 0, kSettingDelayMs},      // auto power off, minutes
    {0xD02D, kUint32, true, 0, 0, kSettingDelayMs},      // key lock
    {0xD036, kUint32, true, 0, 0, kSettingDelayMs},      // language
    {0xD03B, kInt32, true, 0, kPropShutterTime, kSettingDelayMs}, // shutter time, written
    {0xD03C, kInt32, true, 0, kPropAperture, kApertureDelayMs},   // aperture, written
    {0xD03F, kUint32, true, 0, 0, kSettingDelayMs},      // video file format
    {0xD040, kUint32, true, 333, 0, kSettingDelayMs},    // exposure step, milli-EV
    {0xD04E, kUint32, true, 0, 0, kSettingDelayMs},      // autofocus limit
    {0xD04F, kUint32, true, 0, 0, kSettingDelayMs},      // photo aspect ratio: 3:2
    {0xD050, kUint32, true, 0, 0, kSettingDelayMs},      // sensor format: 35 mm
    {0xD06F, kInt32, false, 3000, 0, kSettingDelayMs},   // autofocus limit distance, mm
    {0xD079, kUint32, true, 0, 0, kSettingDelayMs},      // bulb preset, seconds, 0 off
    {0xD080, kUint32, true, 0, 0, kSettingDelayMs},      // electronic shutter
    {0xD082, kUint32, true, 3, 0, kSettingDelayMs},      // video format and resolution
    {0xD115, kUint32, true, 0, 0, kSettingDelayMs},      // exposure simulation
    {0xD121, kUint32, true, 3, 0, kSettingDelayMs},      // speaker volume
    {0xD122, kUint32, true, 3, 0, kSettingDelayMs},      // headphone volume
    {0xD123, kUint32, true, 2, 0, kSettingDelayMs},      // microphone volume
    {0xD125, kUint32, true, 8, 0, kSettingDelayMs},      // video resolution and frame rate
    {0xD13B, kUint32, true, 0, 0, kSettingDelayMs},      // monochrome
    // The maker's status values, read only.
    {0xD608, kUint32, false, 0, 0, kSettingDelayMs},     // external battery level, percent
    {0xD60C, kInt32, false, 1792, 0, kSettingDelayMs},   // shutter time: Tv 7, 1/125 s
    {0xD60E, kInt32, false, 1280, 0, kApertureDelayMs},  // aperture: Av 5, f 5.6
    {0xD610, kUint32, false, 200, 0, kSettingDelayMs},   // sensitivity in use, ISO
    {0xD615, kInt32, false, 0, 0, kSettingDelayMs},      // light meter, 1/256 EV
    {0xD616, kUint32, false, 1, 0, kSettingDelayMs},     // battery source: internal
    {0xD618, kUint32, false, 0, 0, kSettingDelayMs},     // flash status
    {0xD619, kUint32, false, 0, 0, kSettingDelayMs},     // flash sync status
    {0xD621, kUint32, false, 0, 0, kSettingDelayMs},     // focus confirmation value
    {0xD622, kUint32, false, 0, 0, kSettingDelayMs},     // focus confirmation bad signal
    {0xD623, kUint32, false, 0, 0, kSettingDelayMs},     // focus confirmation enabled
    {0xD625, kInt32, false, -3072, 0, kSettingDelayMs},  // longest shutter time code
    {0xD626, kUint32, false, 1, 0, kSettingDelayMs},     // power switch: on
    {0xD627, kInt32, false, 0, 0, kSettingDelayMs},      // self-timer seconds left
    {0xD628, kInt32, false, 0, 0, kSettingDelayMs},      // bulb seconds
    {0xD62B, kInt32, false, 3000, 0, kSettingDelayMs},   // focus distance, mm
    {0xD643, kUint32, false, 0, 0, kSettingDelayMs},     // lens connection type
    {0xD65F, kInt32, false, 0, 0, kSettingDelayMs},      // orientation, degrees
};

const Definition *findDefinition(int code)
{
    for (const Definition &definition : kDefinitions) {
        if (definition.code == code)
            return &definition;
    }
    return nullptr;
}

// --- The values each product allows ---------------------------------------------

QVector<qint64> concat(QVector<qint64> head, const QVector<qint64> &tail)
{
    head += tail;
    return head;
}

QVector<qint64> steps(qint64 from, qint64 to, qint64 step)
{
    QVector<qint64> values;
    for (qint64 value = from; value <= to; value += step)
        values.append(value);
    return values;
}

// ISO values after "automatic" (0), per product.
const QVector<qint64> kIso2031 = {100, 200, 400, 800, 1600, 3200, 6400, 12500};
const QVector<qint64> kIso2033 = concat(kIso2031, {25000, 50000});
const QVector<qint64> kIsoG3 = {50, 100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000};
const QVector<qint64> kIso2047 = concat(kIsoG3, {100000});
const QVector<qint64> kIso2061 = {100,  200,  250,  320,  400,   500,   640,   800,   1000,  1250,  1600,  2000,  2500,
                                  3200, 4000, 5000, 6400, 8000, 10000, 12500, 16000, 20000, 25000, 32000, 40000, 50000};

// Colour temperatures, kelvin: the fine scale, and the two short scales of G3.
const QVector<qint64> kKelvinFine = concat(concat(steps(2000, 5000, 100), steps(5200, 8000, 200)), steps(8300, 13100, 300));
const QVector<qint64> kKelvin2041 = {2000, 2200, 2400, 2700, 3000, 3300, 3600, 3900, 4200, 4600,
                                     5000, 5500, 6000, 6600, 7200, 8000, 8700, 9500, 10300, 11500};
const QVector<qint64> kKelvin2044 = {2000, 2200, 2400, 2700, 3000, 3300, 3600, 3900, 4200, 4600,
                                     5000, 5500, 6000, 6500, 7200, 8000, 8700, 9500, 10300, 11500};

// Exposure compensation, milli-EV.
const Form kCompensationHalves = Form::range(-3000, 3000, 500);
const Form kCompensationThirds = Form::list({-3000, -2667, -2333, -2000, -1667, -1333, -1000, -667, -333, 0, 333, 667,
                                             1000, 1333, 1667, 2000, 2333, 2667, 3000});

// Shutter-time codes (APEX Tv in 1/256 EV). Half steps from 3840 s to
// 1/4000 s; the G3 products reach 1800 s and, electronically, 1/40000 s
// (code 3925). Third-step codes are ceil(n * 256 / 3).
const Form kShutterHalvesLong = Form::range(-3072, 3072, 128);
const Form kShutterHalvesG3 = Form::list(concat(steps(-2816, 3712, 128), {3925}));
QVector<qint64> thirdStepCodes(int firstThird, int lastThird)
{
    QVector<qint64> codes;
    for (int n = firstThird; n <= lastThird; ++n) {
        const int numerator = n * 256;
        codes.append(numerator >= 0 ? (numerator + 2) / 3 : -((-numerator) / 3));
    }
    return codes;
}
const Form kShutterThirdsG3 = Form::list(concat(thirdStepCodes(-33, 43), {3925}));

// Aperture codes (APEX Av in 1/256 EV). G3 lenses stop at the nominal
// f-numbers of its tables; the others take any code from f 1 to f 32.
const Form kApertureThirdsG3 = Form::list({0,    86,   171,  256,  342,  427,  512,  598,  683,  768,  854,
                                           938,  1024, 1110, 1195, 1280, 1366, 1451, 1536, 1622, 1707, 1792,
                                           1878, 1963, 2048, 2134, 2219, 2304, 2390, 2475, 2560});
const Form kApertureHalvesG3 = Form::list({0,    128,  256,  384,  512,  640,  768,  924,  1024, 1152, 1280,
                                           1408, 1536, 1664, 1792, 1920, 2048, 2176, 2304, 2432, 2560});
const Form kApertureAnyCode = Form::range(0, 2560, 1);

constexpr quint32 kNotG4 = P::kLE2031 | P::kLE2033;
constexpr quint32 kAll = P::kLEAllProducts;

// Forms that do not depend on the exposure step: a code, the products the
// row is for, and the form. The first row that matches wins.
struct FormRow {
    quint16 code;
    quint32 products;
    Form form;
};

const std::vector<FormRow> &formRows()
{
    static const std::vector<FormRow> rows = {
        {0x5001, kAll, Form::range(0, 100, 1)},
        {0x5005, P::kLE2061, Form::list({0, 1, 2, 3, 4, 6, 7, 8, 10, 11})},
        {0x5005, kAll, Form::list({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11})},
        {0x500A, kAll, Form::list({0, 1, 2, 5})}, // single, continuous, manual, intelligent
        {0x500B, kAll, Form::list({0, 1, 2})},
        // Without an aperture to control: manual, aperture priority (the
        // camera picks the time) and bulb.
        {0x500E, P::kLE2061, Form::list({1, 3, 0x0200})},
        {0x500E, kAll, Form::list({1, 2, 3, 4, 0x0200, 0x0201})},
        {0x500F, P::kLE2031, Form::list(concat({0}, kIso2031))},
        {0x500F, P::kLE2033, Form::list(concat({0}, kIso2033))},
        {0x500F, P::kLE2041 | P::kLE2044, Form::list(concat({0}, kIsoG3))},
        {0x500F, P::kLE2047, Form::list(concat({0}, kIso2047))},
        {0x500F, P::kLE2061, Form::list(concat({0}, kIso2061))},
        // StillCaptureMode raw values. Newer firmware of 0x2033 names its
        // continuous mode 7 and 0x2061 its continuous mode 5; they no longer
        // take 1. G4 brackets with 8.
        {0x5013, P::kLE2031, Form::list({0, 1, 2, 3, 4, 8})},
        {0x5013, P::kLE2033, Form::list({0, 2, 3, 4, 7, 8})},
        {0x5013, P::kLE2041, Form::list({0, 2, 3, 4, 5, 6, 7, 8})},
        {0x5013, P::kLE2044 | P::kLE2047, Form::list({0, 2, 3, 4, 5, 6, 7, 8, 9})},
        {0x5013, P::kLE2061, Form::list({0, 2, 3, 4, 5, 8})},
        {0x5014, kAll, Form::list({0, 1, 2})},
        {0x5015, kAll, Form::list({0, 1, 2})},
        // Live-view modes as (mode << 16) | 1: video running, photo, video, grey card.
        {0x5020, kAll, Form::list({0, 0x00010001, 0x00020001, 0x00030001, 0x00040001})},
        {0x5021, kAll, Form::list({0, 1})},
        {0x5022, kAll, Form::list({kFourCcMjpg})},
        {0x5023, kAll, Form::list({kLiveViewResolution})},
        {0x5024, kAll, Form::range(0, 100, 1)},
        // The interval may also be typed in, so any count or time in range.
        {0xD000, kAll, Form::range(1, 9999, 1)},
        {0xD001, kNotG4, Form::range(1, 999, 1)},
        {0xD001, kAll, Form::range(1, 89999, 1)},
        {0xD004, kAll, Form::list({0, 1, 2})}, // DNG, DNG and JPG, JPG
        {0xD005, kAll, Form::list({0, 1})},
        {0xD006, kAll, Form::list({3, 5})},
        {0xD007, P::kLE2041, Form::list({1000, 2000, 3000})},
        {0xD007, P::kLE2044 | P::kLE2047, Form::list({333, 667, 1000, 1333, 1667, 2000, 2333, 2667, 3000})},
        {0xD007, P::kLE2061, Form::list({333, 667, 1000, 2000, 3000})},
        {0xD007, kAll, Form::list({500, 1000, 2000, 3000})},
        {0xD008, kAll, Form::list({0, 1})},
        {0xD00A, kAll, Form::list({0, 1})},
        {0xD00F, P::kLE2031, Form::list({0, 1, 2})},
        {0xD00F, P::kLE2033, Form::list({6, 7, 8})},
        {0xD00F, kAll, Form::list({3, 4, 5})},
        {0xD012, kAll, Form::list({0, 1})},
        {0xD013, kAll, Form::list({0, 1})},
        {0xD014, P::kLE2041, Form::list(kKelvin2041)},
        {0xD014, P::kLE2044 | P::kLE2047, Form::list(kKelvin2044)},
        {0xD014, kAll, Form::list(kKelvinFine)},
        {0xD015, kAll, Form::list({0, 1, 2})},
        {0xD016, kAll, Form::list({0, 1, 2})},
        {0xD018, kAll, Form::list({0, 1})},
        {0xD01A, kAll, Form::list({0, 1, 3, 5, -1})},
        {0xD024, kAll, Form::list({0, 2, 5, 10})},
        {0xD02D, kAll, Form::list({0, 1})},
        {0xD036, kAll, Form::range(0, 11, 1)},
        {0xD03F, kAll, Form::list({0, 1})},
        {0xD040, kAll, Form::list({333, 500})},
        {0xD04E, kAll, Form::list({0, 1})},
        {0xD04F, kAll, Form::range(0, 5, 1)},
        {0xD050, kAll, Form::list({0, 1})},
        {0xD079, kAll, Form::list({0, 8, 12, 16, 24, 32, 45, 60})},
        {0xD080, kAll, Form::list({0, 1})},
        {0xD082, kAll, Form::range(0, 29, 1)},
        {0xD115, P::kLEGroupG3, Form::list({0, 2, 3})},
        {0xD115, kAll, Form::list({0, 1})},
        {0xD121, kAll, Form::range(0, 7, 1)},
        {0xD122, kAll, Form::range(0, 7, 1)},
        {0xD123, kNotG4, Form::range(0, 63, 1)},
        {0xD123, kAll, Form::range(0, 4, 1)},
        {0xD125, kNotG4, Form::list({0, 7, 8, 9})},
        {0xD125, kAll, Form::range(0, 15, 1)},
        {0xD13B, kAll, Form::list({0, 1})},
        {0xD608, kAll, Form::range(0, 100, 1)},
        {0xD610, P::kLE2031, Form::list(kIso2031)},
        {0xD610, P::kLE2033, Form::list(kIso2033)},
        {0xD610, P::kLE2041 | P::kLE2044, Form::list(kIsoG3)},
        {0xD610, P::kLE2047, Form::list(kIso2047)},
        {0xD610, P::kLE2061, Form::list(kIso2061)},
        {0xD615, kAll, Form::range(-768, 768, 1)},
        {0xD616, kAll, Form::list({0, 1, 2})}, // 2: external power
        {0xD618, kAll, Form::list({0, 1, 2})},
        {0xD619, kAll, Form::list({0, 1})},
        {0xD621, kAll, Form::range(0, 255, 1)},
        {0xD622, kAll, Form::list({0, 1})},
        {0xD623, kAll, Form::list({0, 1})},
        {0xD626, kAll, Form::list({0, 1, 2, 3})},
        {0xD627, kAll, Form::range(-1, 12, 1)},
        // The read-outs of bulb seconds (0xD628), focus distance (0xD62B) and
        // AF limit distance (0xD06F) have no form: a measured value is no
        // choice, and a range up to 2^31 is one no initiator can offer.
        {0xD643, kAll, Form::list({0, 1, 2})},
        {0xD65F, kAll, Form::list({0, 90, 180, -90})},
    };
    return rows;
}

// --- Normalised settings ------------------------------------------------------------

// StillCaptureMode raw value -> drive-mode index of the settings layer.
const int kDriveIndexOfRaw[][2] = {{0, 0}, {1, 1}, {3, 2}, {4, 3}, {8, 4}, {2, 5}, {5, 6}, {6, 7}, {7, 8}, {9, 9}};
// ExposureProgramMode raw value -> exposure-mode index; anything else is manual (0).
const int kExposureIndexOfRaw[][2] = {{2, 3}, {3, 2}, {4, 1}, {0x0200, 4}, {0x0201, 5}};

template <size_t N>
int lookup(const int (&table)[N][2], qint64 raw, int fallback)
{
    for (const auto &row : table) {
        if (row[0] == raw)
            return row[1];
    }
    return fallback;
}

// --- PTP encoding ---------------------------------------------------------------

qint64 decodeValue(const QByteArray &bytes, quint16 dataType)
{
    const int width = widthOf(dataType);
    quint64 raw = 0;
    for (int i = 0; i < width; ++i)
        raw |= quint64(quint8(bytes.at(i))) << (8 * i);
    switch (dataType) {
    case kInt8: return qint8(quint8(raw));
    case kInt16: return qint16(quint16(raw));
    case kInt32: return qint32(quint32(raw));
    default: return qint64(raw);
    }
}

} // namespace

struct TVK_Emulator_PropertyStore::Private {
    const P *profile = nullptr;
    QVector<const Definition *> listed;   // the profile's properties, in its order
    QHash<int, qint64> values;            // by the code the value is read under
    QHash<int, qint64> factoryDefaults;
    std::vector<ChangeListener> listeners;

    // Change reports on their way, one batch per delay: a code already in a
    // batch is not added again, so a flood of writes queues at most one
    // report per property and delay instead of one per write.
    struct ReportBatch {
        QVector<quint16> codes;
        int attachment = 0;
    };
    QHash<int, ReportBatch> plannedReports; // by delay in milliseconds, under the state lock

    void planReports(TVK_Emulator_Camera *cam, int delayMs, const QVector<quint16> &reports)
    {
        ReportBatch &batch = plannedReports[delayMs];
        const int attachment = cam->attachment();
        // A batch planned before the plug was pulled never comes.
        if (batch.attachment != attachment)
            batch = ReportBatch{{}, attachment};
        const bool planned = !batch.codes.isEmpty();
        for (quint16 code : reports) {
            if (!batch.codes.contains(code))
                batch.codes.append(code);
        }
        if (planned)
            return;
        cam->schedule(delayMs, [this, cam, delayMs]() {
            const QVector<quint16> due = plannedReports.take(delayMs).codes;
            for (quint16 changed : due)
                cam->raiseEvent(kVXDevicePropChanged, changed);
        });
    }

    const Definition *find(int code) const
    {
        for (const Definition *definition : listed) {
            if (definition->code == code)
                return definition;
        }
        return nullptr;
    }

    static int keyOf(const Definition &definition)
    {
        return definition.storedUnder != 0 ? definition.storedUnder : definition.code;
    }

    bool isG3() const { return (P::productBit(profile->productId) & P::kLEGroupG3) != 0; }
    bool thirdSteps() const { return values.value(kPropStepSize, 500) == 333; }

    // The form of the value stored under key. Compensation, shutter time and
    // aperture of the G3 products follow the exposure step in force.
    Form formOf(int key) const
    {
        switch (key) {
        case kPropCompensation:
            if (profile->isIn(P::kLE2031 | P::kLE2033))
                return kCompensationHalves;
            if (isG3())
                return thirdSteps() ? kCompensationThirds : kCompensationHalves;
            return kCompensationThirds;
        case kPropShutterTime:
        case kPropLongestShutterTime:
            if (isG3())
                return thirdSteps() ? kShutterThirdsG3 : kShutterHalvesG3;
            return kShutterHalvesLong;
        case kPropAperture:
            if (isG3())
                return thirdSteps() ? kApertureThirdsG3 : kApertureHalvesG3;
            return kApertureAnyCode;
        case 0x5025:
            return Form::list({profile->frameRateMilliFps});
        default:
            break;
        }
        const quint32 bit = P::productBit(profile->productId);
        for (const FormRow &row : formRows()) {
            if (row.code == key && (row.products & bit) != 0)
                return row.form;
        }
        return Form();
    }

    void notify(int key, qint64 value) const
    {
        for (const ChangeListener &listener : listeners)
            listener(key, value);
    }

    static void addReport(QVector<quint16> &reports, int key)
    {
        if (!reports.contains(quint16(key)))
            reports.append(quint16(key));
    }

    // Stores value under key and carries out what the change means for the
    // camera's other values. Codes whose value changed are added to reports,
    // in the order in which they changed.
    void store(int key, qint64 value, QVector<quint16> &reports)
    {
        const qint64 old = values.value(key);
        values.insert(key, value);
        if (old == value)
            return;
        addReport(reports, key);
        notify(key, value);

        switch (key) {
        case kPropExposureIndex:
            // A fixed ISO is used at once; automatic keeps the last one until
            // the next metering.
            if (value != 0 && find(kPropSensitivity) != nullptr)
                store(kPropSensitivity, value, reports);
            break;
        case kPropStepSize:
            // The dials now move in the other steps: values between them move
            // to the nearest one.
            for (int dependent : {int(kPropCompensation), int(kPropShutterTime), int(kPropAperture),
                                  int(kPropLongestShutterTime)}) {
                if (!values.contains(dependent))
                    continue;
                const Form form = formOf(dependent);
                if (!form.allows(values.value(dependent)))
                    store(dependent, form.nearest(values.value(dependent)), reports);
            }
            break;
        case kPropBulbPreset:
            // A preset bulb time is the exposure time: Tv = -log2(seconds).
            if (value > 0 && values.contains(kPropShutterTime)) {
                const qint64 code = std::lround(-std::log2(double(value)) * 256.0);
                store(kPropShutterTime, formOf(kPropShutterTime).nearest(code), reports);
            }
            break;
        default:
            break;
        }
    }

    void setUp(const P *camerasProfile)
    {
        profile = camerasProfile;
        if (profile == nullptr)
            return;
        for (quint16 code : profile->deviceProperties) {
            if (const Definition *definition = findDefinition(code))
                listed.append(definition);
        }
        // Every value first, so that forms depending on the step find it.
        for (const Definition *definition : listed) {
            const int key = keyOf(*definition);
            if (!values.contains(key)) {
                const Definition *owner = findDefinition(key);
                values.insert(key, owner != nullptr ? owner->initial : definition->initial);
            }
        }
        for (auto it = values.begin(); it != values.end(); ++it) {
            const Form form = formOf(it.key());
            if (form.kind != Form::kLENone && !form.allows(it.value()))
                it.value() = form.first();
        }
        factoryDefaults = values;
    }
};

TVK_Emulator_PropertyStore::TVK_Emulator_PropertyStore(TVK_Emulator_Camera *camera)
    : TVK_Emulator_Component(camera)
    , d(new Private)
{
    d->setUp(camera->profile());
}

TVK_Emulator_PropertyStore::~TVK_Emulator_PropertyStore()
{
    delete d;
}

bool TVK_Emulator_PropertyStore::has(int code) const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return d->find(code) != nullptr;
}

qint64 TVK_Emulator_PropertyStore::value(int code) const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const Definition *definition = d->find(code);
    return definition != nullptr ? d->values.value(Private::keyOf(*definition)) : 0;
}

bool TVK_Emulator_PropertyStore::allows(int code, qint64 value) const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const Definition *definition = d->find(code);
    return definition != nullptr && d->formOf(Private::keyOf(*definition)).allows(value);
}

void TVK_Emulator_PropertyStore::addChangeListener(ChangeListener listener)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->listeners.push_back(std::move(listener));
}

void TVK_Emulator_PropertyStore::setValue(int code, qint64 value, bool report)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const Definition *definition = d->find(code);
    if (definition == nullptr)
        return;
    QVector<quint16> reports;
    d->store(Private::keyOf(*definition), value, reports);
    if (!report || !d->profile->supportsEvent(kVXDevicePropChanged))
        return;
    for (quint16 changed : reports)
        camera()->raiseEvent(kVXDevicePropChanged, changed);
}

bool TVK_Emulator_PropertyStore::handleTransaction(TVK_Emulator_Transaction &transaction)
{
    const int op = transaction.operationCode;
    if (op != kOpGetDevicePropDesc && op != kOpGetDevicePropValue && op != kOpSetDevicePropValue)
        return false;
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());

    const Definition *definition = d->find(int(transaction.param(0)));
    if (definition == nullptr) {
        transaction.fail(kRespDevicePropNotSupported);
        return true;
    }
    const int key = Private::keyOf(*definition);
    const int width = widthOf(definition->dataType);
    const Form form = d->formOf(key);

    if (op == kOpGetDevicePropValue) {
        // Write-only codes read as the value they set: PTP knows no property
        // that cannot be read, and the DevicePropDesc shows it anyway.
        QByteArray bytes;
        TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(d->values.value(key)), width);
        transaction.dataIn = bytes;
        return true;
    }

    if (op == kOpGetDevicePropDesc) {
        QByteArray bytes;
        TVK_Emulator_Bytes::appendLittleEndian(bytes, definition->code, 2);
        TVK_Emulator_Bytes::appendLittleEndian(bytes, definition->dataType, 2);
        TVK_Emulator_Bytes::appendLittleEndian(bytes, definition->writable ? 1 : 0, 1);
        TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(d->factoryDefaults.value(key)), width);
        TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(d->values.value(key)), width);
        TVK_Emulator_Bytes::appendLittleEndian(bytes, form.kind, 1);
        if (form.kind == Form::kLERange) {
            TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(form.minimum), width);
            TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(form.maximum), width);
            TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(form.step), width);
        } else if (form.kind == Form::kLEEnumeration) {
            TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(form.values.size()), 2);
            for (qint64 allowed : form.values)
                TVK_Emulator_Bytes::appendLittleEndian(bytes, quint64(allowed), width);
        }
        transaction.dataIn = bytes;
        return true;
    }

    // SetDevicePropValue: a refused write changes nothing and reports nothing.
    if (!definition->writable) {
        transaction.fail(kRespAccessDenied);
        return true;
    }
    if (transaction.dataPhase != TVK_Emulator_Transaction::kLEDataOut || transaction.dataOut.size() != width) {
        transaction.fail(kRespInvalidDevicePropFormat);
        return true;
    }
    const qint64 value = decodeValue(transaction.dataOut, definition->dataType);
    if (!form.allows(value)) {
        transaction.fail(kRespInvalidDevicePropValue);
        return true;
    }

    // The written property is confirmed even when it already had the value;
    // what it changes besides is reported only when it changed.
    QVector<quint16> reports{quint16(key)};
    d->store(key, value, reports);
    if (!d->profile->supportsEvent(kVXDevicePropChanged))
        return true;
    d->planReports(camera(), definition->delayMs, reports);
    return true;
}

bool TVK_Emulator_PropertyStore::querySetting(int which, qint64 *value) const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    if (d->profile == nullptr || d->profile->settingsKind != P::kLEDeviceProperties)
        return false;
    // The code a setting lives in; the settings of a product without it are
    // not known here.
    const auto read = [this](int code, qint64 *out) {
        const Definition *definition = d->find(code);
        if (definition == nullptr)
            return false;
        *out = d->values.value(Private::keyOf(*definition));
        return true;
    };
    qint64 raw = 0;
    switch (which) {
    case TVK_Emulator_Camera::kLEFileFormat:
        // Raw 0 DNG, 1 DNG and JPG, 2 JPG: the same numbers as the setting.
        if (!read(0xD004, &raw))
            return false;
        *value = (raw == 1 || raw == 2) ? raw : 0;
        return true;
    case TVK_Emulator_Camera::kLEDriveMode: {
        if (!read(0x5013, &raw))
            return false;
        qint64 bracketing = 0;
        if (read(kPropBracketingEnabled, &bracketing) && bracketing != 0) {
            *value = 4;
            return true;
        }
        const int index = lookup(kDriveIndexOfRaw, raw, 0);
        // Indices 6 to 9 are the continuous speeds.
        *value = index >= 6 ? 1 : index;
        return true;
    }
    case TVK_Emulator_Camera::kLEExposureMode:
        if (!read(0x500E, &raw))
            return false;
        *value = lookup(kExposureIndexOfRaw, raw, 0);
        return true;
    case TVK_Emulator_Camera::kLEFocusMode: return read(0x500A, value);
    case TVK_Emulator_Camera::kLEBracketingFrames: return read(0xD006, value);
    case TVK_Emulator_Camera::kLEIntervalFrames: return read(0xD000, value);
    case TVK_Emulator_Camera::kLEIntervalTime: return read(0xD001, value);
    case TVK_Emulator_Camera::kLEShutterTimeCode: return read(kPropShutterTime, value);
    default: return false;
    }
}
