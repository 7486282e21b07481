#include "TVK_Commu_DevicePropertyTable.h"

#include "TVK_Commu_PropertyCodes.h"

using namespace TVK_Commu_Prop;

namespace {

QVector<TVK_Commu_DevicePropertyTable::Entry> buildTable()
{
    struct Group {
        quint8 width;
        bool readable;
        bool writable;
        QVector<quint16> codes;
    };
    const Group groups[] = {
        {1, true, false, {kBatteryLevel}},
        {1, true, true, {kContrast, kSharpness}},
        {2, true, true,
         {kWhiteBalance, kFocusMode, kExposureMeteringMode, kExposureProgramMode, kExposureBiasCompensation,
          kStillCaptureMode}},
        {4, true, true,
         {kExposureIndex, kEnabledStreams, kIntervalFrames, kIntervalTime, kFileFormat, kBracketingEnabled,
          kBracketingFrames, kBracketingDeltaEV, kBracketingAutomatic, kMirrorUpMode, kJpgResolution, kAudioLevel,
          kAudioWindElim, kWhiteBalanceColorTemp, kJpgColorSpace, kSaturation, kStorageType, kAutoreviewDuration,
          kAutoPowerOff, kKeyLock, kLanguage, kVideoFileFormat, kExposCompensStepSize, kAutoFocusLimit,
          kPhotoAspectRatio, kSensorFormat, kExposTimeBulbPreset, kVideoFormatResol, kExposureSimulation,
          kAudioVolSpeaker, kAudioVolHeadphone, kAudioVolMicrophone, kVideoResAndFrRate, kMonochrome}},
        // The streaming properties are read by the live view, not the settings.
        {4, true, false,
         {kSupportedStreams, kVideoFormat, kVideoResolution, kVideoFrameRate, kAutoFocusLimitDistance,
          kBatteryLevelExtern, kShutterTime, kAperture, kSensitivityASA, kLightMeter, kBatteryInfo, kFlashStatus,
          kFlashSyncStatus, kFocusConfirmValue, kFocusConfirmBadSignal, kFocusConfirmEnabled, kExposureTimeMax,
          kPowerSwitch, kSelfTimerRestTime, kBulbModeTime, kFocusDistance, kUnnamedD632, kLensConnectionType,
          kOrientation}},
        {4, false, true, {kShutterTimeSet, kApertureSet, kElectronicShutter}},
    };
    QVector<TVK_Commu_DevicePropertyTable::Entry> table;
    for (const Group &group : groups) {
        for (quint16 code : group.codes)
            table.append({code, group.width, group.readable, group.writable});
    }
    return table;
}

} // namespace

const QVector<TVK_Commu_DevicePropertyTable::Entry> &TVK_Commu_DevicePropertyTable::entries()
{
    static const QVector<Entry> table = buildTable();
    return table;
}

const TVK_Commu_DevicePropertyTable::Entry *TVK_Commu_DevicePropertyTable::find(int code)
{
    for (const Entry &entry : entries()) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}
