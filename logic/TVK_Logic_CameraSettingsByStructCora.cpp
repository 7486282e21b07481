#include "TVK_Logic_CameraSettingsByStructCora.h"

#include "TVK_Logic_APEXTable.h"

#include <algorithm>
#include <iterator>

using Cora = TVK_Logic_CameraSettingsByStructCora;

namespace {

// The compensation index counts third EV steps from -3 EV.
constexpr int kCompensationMaxIndex = 18;
constexpr int kCompensationLimit = 3000;
constexpr int kMilliEVPerEV = 1000;
constexpr int kStepsPerEV = 3;

// The video resolution and frame rate as the converter knows it, by the
// record's index; an index beyond the list reads as the first entry.
constexpr int kVideoResAndFrRates[] = {8, 9, 15, 16, 17, 18};

// The record's exposure-mode byte and the interface's exposure-mode index.
constexpr int kExposureModeManual = 0;
constexpr int kExposureModeAperturePriorityByte = 1;
constexpr int kExposureModeAperturePriorityIndex = 2;
constexpr int kExposureModeBulbByte = 3;
constexpr int kExposureModeBulbIndex = 4;

constexpr quint8 kNoBattery = 0xFF;
constexpr int kBatteryInternalOnly = 1;
constexpr int kBatteryNoInformation = 3;
constexpr int kBatteryNone = 4;

// The light meter counts 1/256 EV, the light balance half EV.
constexpr double kHalfEVPerLightMeterUnit = 0.0078125;

// Each warning has a bit of its own; the warning number of each bit, checked
// from bit 0 up. With no bit set the number of bit 0 is reported.
struct WarningBit {
    quint8 bit;
    int number;
};
constexpr WarningBit kWarningBits[] = {{0x01, 1}, {0x02, 2}, {0x04, 3}, {0x08, 6}, {0x10, 7}, {0x20, 4}};
constexpr int kWarningWithoutBit = 1;
// "Bulb mode and self timer" only counts as new while a self timer is chosen.
constexpr quint8 kSelfTimerWarningBit = 0x10;
constexpr int kDriveModeSelfTimer2s = 2;
constexpr int kDriveModeSelfTimer12s = 3;

} // namespace

TVK_Logic_CameraSettingsByStructCora::TVK_Logic_CameraSettingsByStructCora(TVK_Commu_CameraAccess_Base *cameraAccess,
                                                                           TVK_Logic_DeviceInfo *deviceInfo)
    : TVK_Logic_CameraSettingsByStruct(cameraAccess, deviceInfo, DeferReceive())
{
    // Only now do the dump and the log lines of the receive speak for this layout.
    recvFromCamera(nullptr);
}

TVK_Logic_CameraSettingsByStructCora::~TVK_Logic_CameraSettingsByStructCora() = default;

const char *TVK_Logic_CameraSettingsByStructCora::className() const
{
    return "TVK_Logic_CameraSettingsByStructCora";
}

// --- Change flags ----------------------------------------------------------------

const QVector<Cora::ChangeRow> &TVK_Logic_CameraSettingsByStructCora::changeRows() const
{
    static const QVector<ChangeRow> rows = {
        {kFieldDriveMode, kLEDriveMode, kLEAnyChange},
        {kFieldVideoResolution, kLEVideoResAndFrRate, kLEAnyChange},
        {kFieldMeteringMode, kLEExposureMeteringMode, kLEAnyChange},
        {kFieldExposureCompensation, kLEExposureCompensation, kLEAnyChange},
        {kFieldBracketing, kLEBracketingEnabled, kLEZeroCrossing},
        {kFieldBracketing, kLEBracketingFrames, kLEAnyChange},
        {kFieldBracketingDelta, kLEBracketingAperture, kLEAnyChange},
        {kFieldDngCompression, kLEDngCompression, kLEAnyChange},
        {kFieldFileFormat, kLEFileFormat, kLEAnyChange},
        {kFieldMaxShutterTime, kLEExposureTimeMax, kLEAnyChange},
        {kFieldWhiteBalance, kLEWhiteBalance, kLEAnyChange},
        {kFieldColourTemperature, kLEWhiteBalanceColorTemp, kLEAnyChange},
        {kFieldJpgColourSpace, kLEColorManagement, kLEAnyChange},
        {kFieldStorageType, kLEExternalShooting, kLEAnyChange},
        {kFieldLightMeter, kLELightmeter, kLEAnyChange},
        {kFieldAutoPowerOff, kLEAutoPowerOff, kLEAnyChange},
        {kFieldJpgResolution, kLEPhotoResolutionJPG, kLEAnyChange},
        {kFieldLanguage, kLELanguage, kLEAnyChange},
        {kFieldBatterySource, kLEBatteryInfo, kLEAnyChange},
        {kFieldBatteryInternal, kLEBatteryInfo, kLEAnyChange},
        {kFieldBatteryInternal, kLEBatteryLevelIntern, kLEAnyChange},
        {kFieldWarningBits, kLEWarnings, kLEBitsRaised},
        {kFieldSensitivity, kLESensitivity, kLEAnyChange},
        {kFieldExposureMode, kLEExposureProgram, kLEAnyChange},
        {kFieldShutterTime, kLEExposureTime, kLEAnyChange},
        {kFieldFlashStatus, kLEFlashStatus, kLEAnyChange},
    };
    return rows;
}

bool TVK_Logic_CameraSettingsByStructCora::rowChanged(const ChangeRow &row, const Record &before,
                                                      const Record &after) const
{
    if (row.flag != kLEWarnings)
        return TVK_Logic_CameraSettingsByStruct::rowChanged(row, before, after);
    const qint64 drive = fieldValue(after, kFieldDriveMode);
    if (drive == kDriveModeSelfTimer2s || drive == kDriveModeSelfTimer12s)
        return TVK_Logic_CameraSettingsByStruct::rowChanged(row, before, after);
    ChangeRow withoutSelfTimer = row;
    withoutSelfTimer.field.bits = quint8(row.field.bits & ~kSelfTimerWarningBit);
    return TVK_Logic_CameraSettingsByStruct::rowChanged(withoutSelfTimer, before, after);
}

// --- Dump ---------------------------------------------------------------------------

void TVK_Logic_CameraSettingsByStructCora::dump(const QString &caller)
{
    const QByteArray prefixText = logPrefix(__func__);
    const char *prefix = prefixText.constData();
    dumpRecord(caller);
    dumpNumber(prefix, "driveMode", driveMode());
    if (featureVideoResAndFrRate())
        dumpNumber(prefix, "videoResAndFrRate", videoResAndFrRate());
    dumpNumber(prefix, "exposureMeteringMode", exposureMeteringMode());
    dumpNumber(prefix, "exposureCompensation", exposureCompensation());
    dumpNumber(prefix, "bracketingImageNumbers", bracketingImageNumbers());
    dumpNumber(prefix, "bracketingDeltaEV", bracketingDeltaEV());
    dumpNumber(prefix, "sensitivity", sensitivity());
    dumpNumber(prefix, "USBspeed", USBspeed());
    dumpNumber(prefix, "RAMBufferFreeCaptures", RAMBufferFreeCaptures());
    dumpNumber(prefix, "sensorBoardTemperature", sensorBoardTemperature());
    dumpYesNo(prefix, "dngCompression", dngCompression());
    dumpNumber(prefix, "fileFormat", fileFormat());
    dumpMaxShutterTime(prefix);
    dumpNumber(prefix, "whiteBalance", whiteBalance());
    dumpNumber(prefix, "whiteBalanceColorTemp", whiteBalanceColorTemp());
    dumpNumber(prefix, "jpgColorSpace", jpgColorSpace());
    dumpNumber(prefix, "storageType", storageType());
    dumpNumber(prefix, "lightMeter", lightMeter());
    dumpNumber(prefix, "autoPowerOff", autoPowerOff());
    dumpNumber(prefix, "jpgResolution", jpgResolution());
    dumpNumber(prefix, "language", language());
    dumpNumber(prefix, "batterySource", batterySource());
    dumpNumber(prefix, "batteryInfo", batteryInfo());
    dumpNumber(prefix, "batteryLevelIntern", batteryLevelIntern());
    dumpNumber(prefix, "warnings", warnings());
    dumpNumber(prefix, "iSOValue", iSOValue());
    dumpNumber(prefix, "exposureMode", exposureMode());
    dumpShutterTime(prefix);
    dumpNumber(prefix, "lightBalance", lightBalance());
    dumpNumber(prefix, "flashCompensation", flashCompensation());
    dumpNumber(prefix, "flashStatus", flashStatus());
    dumpRecordFeatures(prefix);
}

// --- Setters that convert (the plain ones are defined in the header) ----------

void TVK_Logic_CameraSettingsByStructCora::setExposureCompensation(int milliEV)
{
    const int clamped = std::clamp(milliEV, -kCompensationLimit, kCompensationLimit);
    // Nearest third step, halves upwards (+500 is 10.5, index 11); never negative here.
    const int index = ((clamped + kCompensationLimit) * kStepsPerEV + kMilliEVPerEV / 2) / kMilliEVPerEV;
    storeField(kFieldExposureCompensation, index);
}

void TVK_Logic_CameraSettingsByStructCora::setVideoResAndFrRate(int value)
{
    const int *end = std::end(kVideoResAndFrRates);
    const int *found = std::find(std::begin(kVideoResAndFrRates), end, value);
    storeField(kFieldVideoResolution, found != end ? int(found - std::begin(kVideoResAndFrRates)) : 0);
}

void TVK_Logic_CameraSettingsByStructCora::setExposureMode(int index)
{
    switch (index) {
    case kExposureModeAperturePriorityIndex:
        storeField(kFieldExposureMode, kExposureModeAperturePriorityByte);
        break;
    case kExposureModeBulbIndex:
        storeField(kFieldExposureMode, kExposureModeBulbByte);
        break;
    default:
        // Shutter priority and program do not exist here: manual.
        storeField(kFieldExposureMode, kExposureModeManual);
        break;
    }
}

// --- Getters that convert (the plain ones are defined in the header) ----------

int TVK_Logic_CameraSettingsByStructCora::exposureCompensation()
{
    const int index = std::min(int(fieldValue(kFieldExposureCompensation)), kCompensationMaxIndex);
    // Thirds rounded as the camera marks them: -2667, -333, +667.
    return (index * kMilliEVPerEV + 1) / kStepsPerEV - kCompensationLimit;
}

int TVK_Logic_CameraSettingsByStructCora::lightBalance()
{
    return TVK_Logic_APEXTable::roundHalfUp(lightMeter() * kHalfEVPerLightMeterUnit);
}

int TVK_Logic_CameraSettingsByStructCora::videoResAndFrRate()
{
    const qint64 index = fieldValue(kFieldVideoResolution);
    const qint64 count = qint64(std::size(kVideoResAndFrRates));
    return kVideoResAndFrRates[index < count ? index : 0];
}

int TVK_Logic_CameraSettingsByStructCora::batterySource()
{
    // These bodies send 0 where the first layout sends 1 and the other way
    // round, so 0 keeps meaning "no battery information".
    const int source = int(fieldValue(kFieldBatterySource));
    return source == 0 || source == 1 ? 1 - source : source;
}

int TVK_Logic_CameraSettingsByStructCora::batteryInfo()
{
    if (batterySource() == 0)
        return kBatteryNoInformation;
    return fieldValue(kFieldBatteryInternal) != kNoBattery ? kBatteryInternalOnly : kBatteryNone;
}

int TVK_Logic_CameraSettingsByStructCora::batteryLevelExtern()
{
    // There is no battery grip.
    return kNoBattery;
}

int TVK_Logic_CameraSettingsByStructCora::warnings()
{
    const qint64 bits = fieldValue(kFieldWarningBits);
    for (const WarningBit &warning : kWarningBits) {
        if (bits & warning.bit)
            return warning.number;
    }
    return kWarningWithoutBit;
}

int TVK_Logic_CameraSettingsByStructCora::exposureMode()
{
    switch (fieldValue(kFieldExposureMode)) {
    case kExposureModeAperturePriorityByte:
        return kExposureModeAperturePriorityIndex;
    case kExposureModeBulbByte:
        return kExposureModeBulbIndex;
    default:
        return kExposureModeManual;
    }
}
