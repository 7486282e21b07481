#include "TVK_Emulator_ShotSettings.h"

#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_VendorRecords.h"

#include <cmath>
#include <cstdlib>
#include <numeric>

using Maker = TVK_Emulator_PictureMaker;
using Record = TVK_Emulator_SettingsRecord;

namespace {

// The camera's status values the shot is read from (the codes a host reads).
constexpr int kPropExposureIndex = 0x500F;
constexpr int kPropCompensation = 0x5010; // milli-EV
constexpr int kPropShutterTime = 0xD60C;
constexpr int kPropAperture = 0xD60E;
constexpr int kPropSensitivity = 0xD610;

constexpr double kCodesPerEv = 256.0;

// The shutter speeds a camera prints, as the reciprocal of the time, in
// whole, half and third stops: the exact power of two is never what the
// display or the file says (1/128 s is called 1/125 s).
const double kNominalReciprocals[] = {3,    4,    5,    6,    8,    10,    13,    15,    20,    25,    30,
                                      40,   45,   50,   60,   80,   90,    100,   125,   160,   180,   200,
                                      250,  320,  350,  400,  500,  640,   750,   800,   1000,  1250,  1500,
                                      1600, 2000, 2500, 3000, 3200, 4000,  5000,  6000,  6400,  8000,  10000,
                                      12800, 16000, 20000, 25000, 32000, 40000};
// Below a third of a second the time is written as a fraction 1/n; above it
// in tenths of a second (0.6 s, 2.5 s, 30 s).
constexpr double kFractionBelowSeconds = 1.0 / 2.9;

// The f-numbers a lens is engraved with, whole, half and third stops.
const double kNominalFNumbers[] = {1.0, 1.1, 1.2, 1.4, 1.6, 1.7, 1.8, 2.0, 2.2, 2.4, 2.5, 2.8, 3.2, 3.3,
                                   3.5, 4.0, 4.5, 4.8, 5.0, 5.6, 6.3, 6.7, 7.1, 8.0, 9.0, 9.5, 10,  11,
                                   13,  14,  16,  18,  19,  20,  22,  25,  27,  29,  32};
constexpr quint32 kFNumberDenominator = 10;

// The settings record's compensation is an index; 0 EV sits in its middle.
constexpr qint64 kHalfStepZeroIndex = 6;
constexpr qint64 kThirdStepZeroIndex = 9;
constexpr int kMilliEvPerEv = 1000;
constexpr int kHalfStepMilliEv = 500;

template <size_t N>
double nearestInLogs(const double (&table)[N], double value)
{
    double best = table[0];
    for (double candidate : table) {
        if (std::fabs(std::log(candidate / value)) < std::fabs(std::log(best / value)))
            best = candidate;
    }
    return best;
}

Maker::Rational reduced(quint32 numerator, quint32 denominator)
{
    const quint32 divisor = std::gcd(numerator, denominator);
    return divisor > 1 ? Maker::Rational{numerator / divisor, denominator / divisor}
                       : Maker::Rational{numerator, denominator};
}

Maker::SignedRational reducedSigned(qint32 numerator, qint32 denominator)
{
    const qint32 divisor = std::gcd(numerator, denominator);
    if (divisor > 1)
        return Maker::SignedRational{numerator / divisor, denominator / divisor};
    return Maker::SignedRational{numerator, denominator};
}

// The lens in front of the sensor: its name, the focal length it is set to
// and its widest aperture (the aperture of a body without its own control).
struct MountedLens {
    bool attached = false;
    QByteArray model;
    quint32 focalLength = 0;
    qint64 openApertureCode = 0;
};

MountedLens mountedLens(const TVK_Emulator_Camera &camera)
{
    MountedLens mounted;
    const TVK_Emulator_VendorRecords *records = camera.component<TVK_Emulator_VendorRecords>();
    if (records == nullptr || !records->isLensAttached())
        return mounted;
    const TVK_Emulator_VendorRecords::Lens lens = records->lens();
    mounted.attached = true;
    mounted.model = lens.typeString.toLatin1();
    mounted.focalLength = lens.selectedFocalLength != 0 ? lens.selectedFocalLength : lens.focalLengthMin;
    mounted.openApertureCode = lens.openApertureCode;
    return mounted;
}

void fromProperties(const TVK_Emulator_PropertyStore &properties, qint64 openApertureCode, Maker::Shot &shot)
{
    if (properties.has(kPropShutterTime))
        shot.exposureTime = TVK_Emulator_ShotSettings::exposureTime(properties.value(kPropShutterTime));
    shot.fNumber = TVK_Emulator_ShotSettings::fNumber(
        properties.has(kPropAperture) ? properties.value(kPropAperture) : openApertureCode);
    // The sensitivity in use; without it a fixed exposure index, and with
    // "automatic" and no report the camera's choice is not known.
    if (properties.has(kPropSensitivity) && properties.value(kPropSensitivity) > 0)
        shot.sensitivity = int(properties.value(kPropSensitivity));
    else if (properties.has(kPropExposureIndex) && properties.value(kPropExposureIndex) > 0)
        shot.sensitivity = int(properties.value(kPropExposureIndex));
    else
        shot.sensitivity = 0;
    shot.compensation = TVK_Emulator_ShotSettings::compensation(
        properties.has(kPropCompensation) ? properties.value(kPropCompensation) : 0);
}

void fromRecord(const Record &record, qint64 openApertureCode, Maker::Shot &shot)
{
    shot.exposureTime = TVK_Emulator_ShotSettings::exposureTime(record.field(Record::kLEShutterTime));
    // The Cora bodies set the aperture on the lens ring, which the body does
    // not read: the file says what the lens opens to.
    shot.fNumber = TVK_Emulator_ShotSettings::fNumber(
        record.hasField(Record::kLEAperture) ? record.field(Record::kLEAperture) : openApertureCode);
    shot.sensitivity = int(qMax<qint64>(0, record.field(Record::kLEIsoValue)));
    const qint64 index = record.field(Record::kLEExposureCompensation);
    shot.compensation = record.isCoraLayout() ? reducedSigned(qint32(index - kThirdStepZeroIndex), 3)
                                              : reducedSigned(qint32(index - kHalfStepZeroIndex), 2);
}

} // namespace

Maker::Rational TVK_Emulator_ShotSettings::exposureTime(qint64 shutterCode)
{
    const double seconds = std::exp2(-double(shutterCode) / kCodesPerEv);
    if (seconds < kFractionBelowSeconds)
        return Maker::Rational{1, quint32(nearestInLogs(kNominalReciprocals, 1.0 / seconds))};
    return reduced(quint32(std::lround(seconds * 10.0)), 10);
}

Maker::Rational TVK_Emulator_ShotSettings::fNumber(qint64 apertureCode)
{
    // Av = 2 log2 N.
    const double exact = std::exp2(double(apertureCode) / (2.0 * kCodesPerEv));
    const double nominal = nearestInLogs(kNominalFNumbers, exact);
    return Maker::Rational{quint32(std::lround(nominal * kFNumberDenominator)), kFNumberDenominator};
}

Maker::SignedRational TVK_Emulator_ShotSettings::compensation(qint64 milliEv)
{
    // Half steps are exact in milli-EV; thirds are rounded (-667 is -2/3 EV).
    if (milliEv % kHalfStepMilliEv == 0)
        return reducedSigned(qint32(milliEv / kHalfStepMilliEv), 2);
    return reducedSigned(qint32(std::lround(double(milliEv) * 3.0 / kMilliEvPerEv)), 3);
}

Maker::Shot TVK_Emulator_ShotSettings::atRelease(const TVK_Emulator_Camera &camera)
{
    Maker::Shot shot;
    const MountedLens lens = mountedLens(camera);
    // Without a lens (or with one the body cannot talk to) no focal length
    // or lens name is known.
    shot.lensModel = lens.model;
    shot.focalLength = lens.attached && lens.focalLength > 0 ? Maker::Rational{lens.focalLength, 1}
                                                            : Maker::Rational{};
    const TVK_Emulator_Profile *profile = camera.profile();
    if (profile == nullptr)
        return shot;
    if (profile->settingsKind == TVK_Emulator_Profile::kLEDeviceProperties) {
        if (const TVK_Emulator_PropertyStore *properties = camera.properties())
            fromProperties(*properties, lens.openApertureCode, shot);
    } else if (const Record *record = camera.component<Record>()) {
        fromRecord(*record, lens.openApertureCode, shot);
    }
    return shot;
}
