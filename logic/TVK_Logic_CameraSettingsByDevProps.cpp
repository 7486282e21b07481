#include "TVK_Logic_CameraSettingsByDevProps.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_DeviceInfo.h"

#include <QtEndian>

#include <cmath>
#include <functional>

using namespace TVK_Commu_Prop;
using Base = TVK_Logic_CameraSettingsBase;
using Self = TVK_Logic_CameraSettingsByDevProps;

namespace {

// Setting (log label), read code / bytes, write code / bytes, change flag,
// signed, further change reports, value before the first refresh.
const Self::Row kRows[Self::kLERowCount] = {
    {Self::kLERowBatteryInfo, "batteryInfo", kBatteryInfo, 4, 0, 0, Base::kLEBatteryInfo, false, {0, 0}, 0},
    {Self::kLERowBatteryLevelIntern, "batteryLevelIntern", kBatteryLevel, 1, 0, 0, Base::kLEBatteryLevelIntern, false, {0, 0}, 255},
    {Self::kLERowBatteryLevelExtern, "batteryLevelExtern", kBatteryLevelExtern, 4, 0, 0, Base::kLEBatteryLevelExtern, false, {0, 0}, 255},
    {Self::kLERowExposureTimeMax, "exposureTimeMax", kExposureTimeMax, 4, 0, 0, Base::kLEExposureTimeMax, false, {0, 0}, qint32(0xFFFFFA00)},
    {Self::kLERowPowerSwitch, "powerSwitch", kPowerSwitch, 4, 0, 0, Base::kLEPowerSwitch, false, {0, 0}, 0},
    {Self::kLERowSelfTimerRestTime, "selfTimerRestTime", kSelfTimerRestTime, 4, 0, 0, Base::kLESelfTimerRestTime, false, {0, 0}, -1},
    {Self::kLERowBulbModeTime, "bulbModeTime", kBulbModeTime, 4, 0, 0, Base::kLEBulbModeTime, false, {0, 0}, -1},
    {Self::kLERowFlashStatus, "flashStatus", kFlashStatus, 4, 0, 0, Base::kLEFlashStatus, false, {0, 0}, 0},
    {Self::kLERowFlashSyncStatus, "flashSyncStatus", kFlashSyncStatus, 4, 0, 0, Base::kLEFlashSyncStatus, false, {0, 0}, 0},
    {Self::kLERowFocusConfirmEnabled, "focusConfirmEnabled", kFocusConfirmEnabled, 4, 0, 0, Base::kLEFocusConfirmEnabled, false, {0, 0}, 0},
    {Self::kLERowFocusConfirmBadSignal, "focusConfirmBadSignal", kFocusConfirmBadSignal, 4, 0, 0, Base::kLEFocusConfirmBadSignal, false, {0, 0}, 0},
    {Self::kLERowFocusConfirmValue, "focusConfirmValue", kFocusConfirmValue, 4, 0, 0, Base::kLEFocusConfirmValue, false, {0, 0}, 0},
    {Self::kLERowFocusDistance, "focusDistance", kFocusDistance, 4, 0, 0, Base::kLEFocusDistance, false, {0, 0}, -1},
    {Self::kLERowAutoFocusLimit, "autoFocusLimit", kAutoFocusLimit, 4, kAutoFocusLimit, 4, Base::kLEAutoFocusLimit, false, {0, 0}, 0},
    {Self::kLERowAutoFocusLimitDistance, "autoFocusLimitDist.", kAutoFocusLimitDistance, 4, 0, 0, Base::kLEAutoFocusLimitDist, false, {0, 0}, -1},
    {Self::kLERowElectronicShutter, "electronicShutter", 0, 0, kElectronicShutter, 4, Base::kLEElectronicShutter, false, {kElectronicShutter, 0}, 0},
    {Self::kLERowExposTimeBulbPreset, "exposTimeBulbPreset", kExposTimeBulbPreset, 4, kExposTimeBulbPreset, 4, Base::kLEExposTimeBulbPreset, false, {0, 0}, 0},
    {Self::kLERowLensConnectionType, "lensConnectionType", kLensConnectionType, 4, 0, 0, Base::kLELensConnectionType, false, {0, 0}, 0},
    {Self::kLERowOrientation, "orientation", kOrientation, 4, 0, 0, Base::kLEOrientation, false, {0, 0}, 0},
    {Self::kLERowSensitivityASA, "sensitivityASA", kSensitivityASA, 4, kExposureIndex, 4, Base::kLESensitivity, false, {0, 0}, 0},
    {Self::kLERowSensitivityAuto, "sensitivityAuto", kExposureIndex, 4, kExposureIndex, 4, Base::kLESensitivity, false, {0, 0}, 1},
    {Self::kLERowDriveMode, "driveMode", kStillCaptureMode, 2, kStillCaptureMode, 2, Base::kLEDriveMode, false, {0, 0}, 0},
    {Self::kLERowIntervalFrames, "intervalFrames", kIntervalFrames, 4, kIntervalFrames, 4, Base::kLEIntervalFrames, false, {0, 0}, 1},
    {Self::kLERowIntervalTime, "intervalTime", kIntervalTime, 4, kIntervalTime, 4, Base::kLEIntervalTime, false, {0, 0}, 1},
    {Self::kLERowFocusMode, "focusMode", kFocusMode, 2, kFocusMode, 2, Base::kLEFocusMode, false, {0, 0}, 0},
    {Self::kLERowFileFormat, "fileFormat", kFileFormat, 4, kFileFormat, 4, Base::kLEFileFormat, false, {0, 0}, 0},
    {Self::kLERowExposureMeteringMode, "exposureMeteringMode", kExposureMeteringMode, 2, kExposureMeteringMode, 2, Base::kLEExposureMeteringMode, false, {0, 0}, 2},
    {Self::kLERowExposureProgram, "exposureProgram", kExposureProgramMode, 2, kExposureProgramMode, 2, Base::kLEExposureProgram, false, {0, 0}, 1},
    {Self::kLERowExposureCompensation, "exposureCompensation", kExposureBiasCompensation, 2, kExposureBiasCompensation, 2, Base::kLEExposureCompensation, true, {0, 0}, 0},
    {Self::kLERowExposCompensStepSize, "exposCompensStepSize", kExposCompensStepSize, 4, kExposCompensStepSize, 4, Base::kLEExposCompensStepSize, false, {0, 0}, 500},
    {Self::kLERowBracketingEnabled, "bracketingEnabled", kBracketingEnabled, 4, kBracketingEnabled, 4, Base::kLEBracketingEnabled, false, {0, 0}, 0},
    {Self::kLERowBracketingFrames, "bracketingFrames", kBracketingFrames, 4, kBracketingFrames, 4, Base::kLEBracketingFrames, false, {0, 0}, 3},
    {Self::kLERowBracketingAperture, "bracketingAperture", kBracketingDeltaEV, 4, kBracketingDeltaEV, 4, Base::kLEBracketingAperture, false, {0, 0}, 1000},
    {Self::kLERowBracketingAutomatic, "bracketingAutomatic", kBracketingAutomatic, 4, kBracketingAutomatic, 4, Base::kLEBracketingAutomatic, false, {0, 0}, 0},
    {Self::kLERowMirrorUpMode, "mirrorUpMode", kMirrorUpMode, 4, kMirrorUpMode, 4, Base::kLEMirrorUpMode, false, {0, 0}, 0},
    {Self::kLERowSensorFormat, "sensorFormat", kSensorFormat, 4, kSensorFormat, 4, Base::kLESensorFormat, false, {0, 0}, 0},
    {Self::kLERowPhotoAspectRatio, "photoAspectRatio", kPhotoAspectRatio, 4, kPhotoAspectRatio, 4, Base::kLEPhotoAspectRatio, false, {0, 0}, 0},
    {Self::kLERowPhotoResolutionJPG, "photoResolutionJPG", kJpgResolution, 4, kJpgResolution, 4, Base::kLEPhotoResolutionJPG, false, {0, 0}, 0},
    {Self::kLERowVideoFileFormat, "VideoFileFormat", kVideoFileFormat, 4, kVideoFileFormat, 4, Base::kLEVideoFileFormat, false, {0, 0}, 0},
    {Self::kLERowVideoResAndFrRate, "VideoResAndFrRate", kVideoResAndFrRate, 4, kVideoResAndFrRate, 4, Base::kLEVideoResAndFrRate, false, {0, 0}, 8},
    {Self::kLERowVideoFormatResol, "VideoFormatResol", kVideoFormatResol, 4, kVideoFormatResol, 4, Base::kLEVideoFormatResol, false, {0, 0}, 3},
    {Self::kLERowContrast, "Contrast", kContrast, 1, kContrast, 1, Base::kLEContrast, false, {0, 0}, 0},
    {Self::kLERowSharpness, "Sharpness", kSharpness, 1, kSharpness, 1, Base::kLESharpness, false, {0, 0}, 0},
    {Self::kLERowSaturation, "Saturation", kSaturation, 4, kSaturation, 4, Base::kLESaturation, false, {0, 0}, 0},
    {Self::kLERowMonochrome, "Monochrome", kMonochrome, 4, kMonochrome, 4, Base::kLEMonochrome, false, {0, 0}, 0},
    {Self::kLERowAudioLevel, "AudioLevel", kAudioLevel, 4, kAudioLevel, 4, Base::kLEAudioLevel, false, {0, 0}, 0},
    {Self::kLERowAudioWindElim, "AudioWindElim", kAudioWindElim, 4, kAudioWindElim, 4, Base::kLEAudioWindElim, false, {0, 0}, 0},
    {Self::kLERowAudioVolSpeaker, "AudioVolSpeaker", kAudioVolSpeaker, 4, kAudioVolSpeaker, 4, Base::kLEAudioVolSpeaker, false, {0, 0}, 3},
    {Self::kLERowAudioVolHeadphone, "AudioVolHeadphone", kAudioVolHeadphone, 4, kAudioVolHeadphone, 4, Base::kLEAudioVolHeadphone, false, {0, 0}, 3},
    {Self::kLERowAudioVolMicrophone, "AudioVolMicrophone", kAudioVolMicrophone, 4, kAudioVolMicrophone, 4, Base::kLEAudioVolMicrophone, false, {0, 0}, 0},
    {Self::kLERowExposureSimulation, "ExposureSimulation", kExposureSimulation, 4, kExposureSimulation, 4, Base::kLEExposureSimulation, false, {0, 0}, 0},
    {Self::kLERowWhiteBalance, "whiteBalance", kWhiteBalance, 2, kWhiteBalance, 2, Base::kLEWhiteBalance, false, {0, 0}, 0},
    {Self::kLERowWhiteBalanceColorTemp, "whiteBalanceColorTemp", kWhiteBalanceColorTemp, 4, kWhiteBalanceColorTemp, 4, Base::kLEWhiteBalanceColorTemp, false, {0, 0}, 5000},
    {Self::kLERowColorManagement, "colorManagement", kJpgColorSpace, 4, kJpgColorSpace, 4, Base::kLEColorManagement, false, {0, 0}, 1},
    {Self::kLERowExternalShooting, "externalShooting", kStorageType, 4, kStorageType, 4, Base::kLEExternalShooting, false, {0, 0}, 0},
    {Self::kLERowAutoreviewDuration, "autoreviewDuration", kAutoreviewDuration, 4, kAutoreviewDuration, 4, Base::kLEAutoreviewDuration, false, {0, 0}, 0},
    {Self::kLERowAutoPowerOff, "autoPowerOff", kAutoPowerOff, 4, kAutoPowerOff, 4, Base::kLEAutoPowerOff, false, {0, 0}, 1},
    {Self::kLERowKeyLock, "keyLock", kKeyLock, 4, kKeyLock, 4, Base::kLEKeyLock, false, {0, 0}, 0},
    {Self::kLERowLanguage, "language", kLanguage, 4, kLanguage, 4, Base::kLELanguage, false, {0, 0}, 0},
    {Self::kLERowLightmeter, "lightmeter", kLightMeter, 4, 0, 0, Base::kLELightmeter, false, {0, 0}, 0},
    {Self::kLERowExposureTime, "exposureTime", kShutterTime, 4, kShutterTimeSet, 4, Base::kLEExposureTime, false, {kShutterTimeSet, kShutterTimeChanged}, 0},
    {Self::kLERowAperture, "aperture", kAperture, 4, kApertureSet, 4, Base::kLEAperture, false, {kApertureSet, kApertureChanged}, 0},
};

using Traits = TVK_Commu_ProductTraits;

// The raw StillCaptureMode of each drive-mode index; raw 8 is bracketing.
constexpr int kDriveModeRaw[] = {0, 1, 3, 4, 8, 2, 5, 6, 7, 9};
constexpr int kDriveModeBracketing = 8;

qint64 decode(const unsigned char *bytes, quint8 size, bool isSigned)
{
    switch (size) {
    case 1:
        return isSigned ? qint64(qint8(bytes[0])) : qint64(bytes[0]);
    case 2:
        return isSigned ? qint64(qFromLittleEndian<qint16>(bytes)) : qint64(qFromLittleEndian<quint16>(bytes));
    default:
        return qFromLittleEndian<qint32>(bytes);
    }
}

// A value as the cache keeps it: cut to the width the camera stores.
qint64 normalised(qint64 value, quint8 size, bool isSigned)
{
    unsigned char bytes[4] = {};
    qToLittleEndian<quint32>(quint32(value), bytes);
    return decode(bytes, size, isSigned);
}

// The receive logs every value as the operation the camera model called.
const char *const kRecvPrefix = "TVK_Logic_CameraSettingsByDevProps::recvFromCamera()";

int roundHalfUp(double x)
{
    return int(std::floor(x + 0.5));
}

} // namespace

const Self::Row &TVK_Logic_CameraSettingsByDevProps::row(eLERow id)
{
    return kRows[id];
}

const Self::Row *TVK_Logic_CameraSettingsByDevProps::rowForEvent(int code)
{
    if (code == 0)
        return nullptr;
    for (const Row &each : kRows) {
        if (each.readCode == code || each.events[0] == code || each.events[1] == code)
            return &each;
    }
    return nullptr;
}

TVK_Logic_CameraSettingsByDevProps::TVK_Logic_CameraSettingsByDevProps(TVK_Commu_CameraAccess_Base *cameraAccess,
                                                                       TVK_Logic_DeviceInfo *deviceInfo)
    : TVK_Logic_CameraSettingsBase(cameraAccess, deviceInfo)
    , m_shutterTime(new TVK_Logic_APEXConverterShutterTime(productId()))
{
    for (const Row &each : kRows)
        m_value[each.id] = each.initial;
    recvFromCamera(nullptr);
}

TVK_Logic_CameraSettingsByDevProps::~TVK_Logic_CameraSettingsByDevProps() = default;

bool TVK_Logic_CameraSettingsByDevProps::productHas(quint64 feature) const
{
    return (Traits::of(productId()).features & feature) != 0;
}

// --- Receiving ---------------------------------------------------------------

bool TVK_Logic_CameraSettingsByDevProps::readRaw(quint16 code, quint8 size, qint64 *value, bool isSigned)
{
    unsigned char bytes[4] = {};
    if (cameraAccess() == nullptr || !cameraAccess()->getDevicePropValue(code, bytes, size))
        return false;
    *value = decode(bytes, size, isSigned);
    return true;
}

bool TVK_Logic_CameraSettingsByDevProps::receiveRow(eLERow id, ChangedFlags *changed)
{
    const char *const prefix = kRecvPrefix;
    const Row &r = kRows[id];
    qint64 value = 0;
    const bool ok = readRaw(r.readCode, r.readSize, &value, r.isSigned);
    // The camera reports automatic sensitivity as an ExposureIndex of 0.
    if (id == kLERowSensitivityAuto)
        value = value == 0 ? 1 : 0;
    debugLog(kLELogSettings, "%s - %-21s = %lld   (ok = %s)", prefix, r.label, static_cast<long long>(value),
             ok ? "Yes" : "No");
    m_lastReceiveOk = ok;
    if (!ok)
        return false;
    if (id == kLERowBracketingEnabled)
        value = value != 0 ? 1 : 0;
    if (value == m_value[id])
        return false;
    raise(changed, r.flag);
    m_value[id] = value;
    afterChange(id, changed);
    return true;
}

void TVK_Logic_CameraSettingsByDevProps::afterChange(eLERow id, ChangedFlags *changed)
{
    switch (id) {
    case kLERowDriveMode:
        // These bodies have no bracketing switch of its own: bracketing is the
        // drive mode with raw value 8.
        if (productHas(Traits::kLEBracketingInDriveMode)) {
            const qint64 bracketing = m_value[kLERowDriveMode] == kDriveModeBracketing ? 1 : 0;
            if (bracketing != m_value[kLERowBracketingEnabled]) {
                raise(changed, Base::kLEBracketingEnabled);
                m_value[kLERowBracketingEnabled] = bracketing;
            }
        }
        break;
    case kLERowExposCompensStepSize:
        // The selectable shutter times follow the exposure step size.
        m_shutterTime->setStepSize(int(m_value[id]));
        break;
    case kLERowExposTimeBulbPreset:
        // A bulb preset runs as a shutter time of that many seconds.
        if (productHas(Traits::kLEBulbPreset)) {
            static const int kPresets[] = {8, 12, 16, 24, 32, 45, 60};
            int seconds = 0;
            for (int preset : kPresets) {
                if (m_value[id] == preset)
                    seconds = preset;
            }
            if (seconds > 0) {
                const int code = m_shutterTime->codeFromSeconds(seconds);
                if (code != m_value[kLERowExposureTime]) {
                    raise(changed, Base::kLEExposureTime);
                    m_value[kLERowExposureTime] = code;
                }
            }
        }
        break;
    default:
        break;
    }
}

void TVK_Logic_CameraSettingsByDevProps::receiveSensitivity(ChangedFlags *changed)
{
    receiveRow(kLERowSensitivityASA, changed);
    receiveRow(kLERowSensitivityAuto, changed);
}

void TVK_Logic_CameraSettingsByDevProps::receiveElectronicShutter(ChangedFlags *changed)
{
    const char *const prefix = kRecvPrefix;
    // The camera only says that it switched the electronic shutter on; there
    // is no value to read.
    debugLog(kLELogSettings, "%s - %-21s = %d   (ok = %s)", prefix, kRows[kLERowElectronicShutter].label, 1, "Yes");
    if (m_value[kLERowElectronicShutter] != 1) {
        raise(changed, Base::kLEElectronicShutter);
        m_value[kLERowElectronicShutter] = 1;
    }
}

void TVK_Logic_CameraSettingsByDevProps::receiveFocusConfirmValue(ChangedFlags *changed)
{
    // The confirmation value means something only while the confirmation is
    // switched on and the signal is good.
    qint64 value = 0;
    if (!readRaw(kFocusConfirmEnabled, 4, &value) || value != 1)
        return;
    if (!readRaw(kFocusConfirmBadSignal, 4, &value) || value != 0)
        return;
    receiveRow(kLERowFocusConfirmValue, changed);
}

void TVK_Logic_CameraSettingsByDevProps::recvFromCamera(quint16 propertyCode, ChangedFlags *changed)
{
    TVK_METHOD(prefix);
    const Row *r = rowForEvent(propertyCode);
    if (r == nullptr) {
        debugLog(kLELogSettings, "%s - unknown device property 0x%4X", prefix, propertyCode);
        return;
    }
    switch (r->id) {
    case kLERowSensitivityASA:
    case kLERowSensitivityAuto:
        receiveSensitivity(changed);
        break;
    case kLERowElectronicShutter:
        receiveElectronicShutter(changed);
        break;
    case kLERowFocusConfirmValue:
        receiveFocusConfirmValue(changed);
        break;
    default:
        receiveRow(r->id, changed);
        break;
    }
}

void TVK_Logic_CameraSettingsByDevProps::recvFromCamera(ChangedFlags *changed)
{
    using Condition = std::function<bool(Self &)>;
    struct Step {
        quint16 code;
        Condition condition; // empty: always read
    };
    auto when = [](bool (Self::*query)()) { return Condition([query](Self &s) { return (s.*query)(); }); };
    const Condition focusConfirmation = when(&Self::featureFocusConfirmation);
    const Condition autoFocusLimit = when(&Self::featureAutoFocusLimit);
    // The order is the camera's usual answer order; 0xD608 only means
    // something while an external source powers the camera.
    const Step steps[] = {
        {kBatteryInfo, {}},
        {kBatteryLevel, {}},
        {kBatteryLevelExtern, when(&Self::hasExternalPower)},
        {kExposureTimeMax, {}},
        {kPowerSwitch, when(&Self::featureShutterMode)},
        {kSelfTimerRestTime, {}},
        {kBulbModeTime, {}},
        {kFlashStatus, when(&Self::featureFlashStatus)},
        {kFlashSyncStatus, {}},
        {kFocusConfirmEnabled, focusConfirmation},
        {kFocusConfirmBadSignal, focusConfirmation},
        {kFocusConfirmValue, focusConfirmation},
        {kFocusDistance, when(&Self::featureFocusDistance)},
        {kAutoFocusLimit, autoFocusLimit},
        {kAutoFocusLimitDistance, autoFocusLimit},
        {kElectronicShutter, when(&Self::featureElectronicShutter)},
        {kExposTimeBulbPreset, when(&Self::featureExposTimeBulbPreset)},
        {kLensConnectionType, when(&Self::featureLensConnectionType)},
        {kOrientation, when(&Self::featureOrientation)},
        {kSensitivityASA, {}},
        {kStillCaptureMode, {}},
        {kIntervalFrames, when(&Self::featureInterval)},
        {kIntervalTime, when(&Self::featureInterval)},
        {kFocusMode, when(&Self::featureFocusMode)},
        {kFileFormat, {}},
        {kExposureMeteringMode, {}},
        {kExposureProgramMode, {}},
        {kExposureBiasCompensation, {}},
        {kExposCompensStepSize, when(&Self::featureExposCompensStep)},
        {kBracketingEnabled, when(&Self::readsBracketingEnabled)},
        {kBracketingFrames, {}},
        {kBracketingDeltaEV, {}},
        {kBracketingAutomatic, {}},
        {kMirrorUpMode, when(&Self::featureMirrorUpMode)},
        {kSensorFormat, when(&Self::featureSensorFormat)},
        {kPhotoAspectRatio, when(&Self::featurePhotoAspectRatio)},
        {kJpgResolution, when(&Self::featureJpgResSelection)},
        {kVideoFileFormat, when(&Self::featureVideoFileFormat)},
        {kVideoResAndFrRate, when(&Self::featureVideoResAndFrRate)},
        {kVideoFormatResol, when(&Self::featureVideoFormatResol)},
        {kContrast, when(&Self::featureContrast)},
        {kSharpness, when(&Self::featureSharpness)},
        {kSaturation, when(&Self::featureSaturation)},
        {kMonochrome, when(&Self::featureMonochrome)},
        {kAudioLevel, when(&Self::featureAudioLevel)},
        {kAudioWindElim, when(&Self::featureAudioWindElim)},
        {kAudioVolSpeaker, when(&Self::featureAudioVolSpeaker)},
        {kAudioVolHeadphone, when(&Self::featureAudioVolHeadphone)},
        {kAudioVolMicrophone, when(&Self::featureAudioVolMicrophone)},
        {kExposureSimulation, when(&Self::featureExposureSimulation)},
        {kWhiteBalance, {}},
        {kWhiteBalanceColorTemp, {}},
        {kJpgColorSpace, when(&Self::featureJpgColorSpace)},
        {kStorageType, when(&Self::featureStorageType)},
        {kAutoreviewDuration, when(&Self::featureAutoreviewDuration)},
        {kAutoPowerOff, when(&Self::featurePowerSave)},
        {kKeyLock, when(&Self::featureKeyLock)},
        {kLanguage, when(&Self::featureLanguage)},
        {kLightMeter, {}},
        {kShutterTime, {}},
        {kAperture, when(&Self::featureAperture)},
    };
    // The confirmation value is read only while confirmation is on and the
    // signal good. Its report on its own reads both guards first; here the
    // two steps before it have just read them, so their answers decide and
    // neither is read a second time.
    bool enabledAnswered = false;
    bool badSignalAnswered = false;
    for (const Step &step : steps) {
        if (step.condition && !step.condition(*this))
            continue;
        if (step.code == kFocusConfirmValue) {
            if (enabledAnswered && m_value[kLERowFocusConfirmEnabled] == 1 && badSignalAnswered
                && m_value[kLERowFocusConfirmBadSignal] == 0)
                receiveRow(kLERowFocusConfirmValue, changed);
            continue;
        }
        recvFromCamera(step.code, changed);
        if (step.code == kFocusConfirmEnabled)
            enabledAnswered = m_lastReceiveOk;
        else if (step.code == kFocusConfirmBadSignal)
            badSignalAnswered = m_lastReceiveOk;
    }
    if (debugLogEnabled(kLELogSettings))
        dump(QStringLiteral("TVK_Logic_CameraSettingsByDevProps::recvFromCamera"));
}

void TVK_Logic_CameraSettingsByDevProps::sendToCamera()
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - functionality is not needed", prefix);
}

// --- Writing -------------------------------------------------------------------

bool TVK_Logic_CameraSettingsByDevProps::writeProperty(eLERow id, qint64 raw)
{
    TVK_METHOD(prefix);
    const Row &r = kRows[id];
    unsigned char bytes[4] = {};
    qToLittleEndian<quint32>(quint32(raw), bytes);
    if (cameraAccess() != nullptr && cameraAccess()->setDevicePropValue(r.writeCode, bytes, r.writeSize))
        return true;
    debugLog(kLELogAlways, "%s - writing %s = %lld to 0x%04X failed; it is sent again on the next request", prefix,
             r.label, static_cast<long long>(raw), r.writeCode);
    return false;
}

bool TVK_Logic_CameraSettingsByDevProps::writeValue(eLERow id, qint64 raw)
{
    const qint64 previous = m_value[id];
    m_value[id] = raw;
    if (writeProperty(id, raw))
        return true;
    // Keeping the new value would make the cache claim what the camera never
    // took, and an identical request would then never be sent again.
    m_value[id] = previous;
    markRefused(kRows[id].flag);
    return false;
}

bool TVK_Logic_CameraSettingsByDevProps::writeThrough(eLERow id, qint64 raw)
{
    const Row &r = kRows[id];
    const qint64 value = normalised(raw, r.writeSize, r.isSigned);
    if (value == m_value[id])
        return false;
    return writeValue(id, value);
}

void TVK_Logic_CameraSettingsByDevProps::setDriveMode(int index)
{
    int raw = index >= 0 && index < int(sizeof kDriveModeRaw / sizeof kDriveModeRaw[0]) ? kDriveModeRaw[index] : 0;
    if (productHas(Traits::kLEBracketingInDriveMode) && bracketingEnabled())
        raw = kDriveModeBracketing;
    // Some bodies run their continuous mode under another raw value.
    if (cameraAccess() != nullptr && cameraAccess()->supportsStillCaptureMode7() && raw == 1)
        raw = 7;
    if (cameraAccess() != nullptr && cameraAccess()->supportsStillCaptureMode5() && raw == 1)
        raw = 5;
    writeThrough(kLERowDriveMode, raw);
}

int TVK_Logic_CameraSettingsByDevProps::driveMode()
{
    qint64 raw = m_value[kLERowDriveMode];
    if (cameraAccess() != nullptr && cameraAccess()->supportsStillCaptureMode7() && raw == 7)
        raw = 1;
    if (cameraAccess() != nullptr && cameraAccess()->supportsStillCaptureMode5() && raw == 5)
        raw = 1;
    for (int index = 0; index < int(sizeof kDriveModeRaw / sizeof kDriveModeRaw[0]); ++index) {
        if (kDriveModeRaw[index] == raw)
            return index;
    }
    return 0;
}

void TVK_Logic_CameraSettingsByDevProps::setFocusMode(int value) { writeThrough(kLERowFocusMode, value); }
void TVK_Logic_CameraSettingsByDevProps::setExposureMeteringMode(int value)
{
    writeThrough(kLERowExposureMeteringMode, value);
}
void TVK_Logic_CameraSettingsByDevProps::setExposureCompensation(int milliEV)
{
    writeThrough(kLERowExposureCompensation, milliEV);
}

void TVK_Logic_CameraSettingsByDevProps::setExposCompensStepSize(int stepSize)
{
    if (writeThrough(kLERowExposCompensStepSize, stepSize))
        m_shutterTime->setStepSize(stepSize);
}

void TVK_Logic_CameraSettingsByDevProps::setBracketingEnabled(bool on)
{
    const qint64 state = on ? 1 : 0;
    if (state == m_value[kLERowBracketingEnabled])
        return;
    if (!productHas(Traits::kLEBracketingInDriveMode)) {
        writeThrough(kLERowBracketingEnabled, state);
        return;
    }
    // Bracketing is a drive mode here: switching it on selects that mode;
    // switching it off leaves the drive mode to the next drive-mode choice.
    m_value[kLERowBracketingEnabled] = state;
    if (on && !writeValue(kLERowDriveMode, kDriveModeBracketing))
        m_value[kLERowBracketingEnabled] = 0;
}

void TVK_Logic_CameraSettingsByDevProps::setBracketingImageNumbers(int count)
{
    writeThrough(kLERowBracketingFrames, count);
}
void TVK_Logic_CameraSettingsByDevProps::setBracketingDeltaEV(int milliEV)
{
    writeThrough(kLERowBracketingAperture, milliEV);
}
void TVK_Logic_CameraSettingsByDevProps::setBracketingAutomatic(int value)
{
    writeThrough(kLERowBracketingAutomatic, value);
}
void TVK_Logic_CameraSettingsByDevProps::setMirrorUpMode(int value) { writeThrough(kLERowMirrorUpMode, value); }

void TVK_Logic_CameraSettingsByDevProps::setSensitivity(int iso)
{
    // The number and automatic both travel as ExposureIndex (0: automatic);
    // the camera reports the number it settled on under its own code.
    if (iso != 0) {
        if (iso == m_value[kLERowSensitivityASA] && !sensitivityAuto())
            return;
        const qint64 previous = m_value[kLERowSensitivityASA];
        m_value[kLERowSensitivityASA] = iso;
        if (!writeProperty(kLERowSensitivityASA, iso))
            m_value[kLERowSensitivityASA] = previous;
        return;
    }
    if (sensitivityAuto())
        return;
    m_value[kLERowSensitivityAuto] = 1;
    if (!writeProperty(kLERowSensitivityAuto, 0))
        m_value[kLERowSensitivityAuto] = 0;
}

void TVK_Logic_CameraSettingsByDevProps::setKeyLock(bool on) { writeThrough(kLERowKeyLock, on ? 1 : 0); }

void TVK_Logic_CameraSettingsByDevProps::setDngCompression(bool)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - functionality is not available", prefix);
}

void TVK_Logic_CameraSettingsByDevProps::setFlashXSymbol(bool)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - functionality is not available", prefix);
}

void TVK_Logic_CameraSettingsByDevProps::setFileFormat(int index)
{
    // DNG and JPG share one raw value per group: 1 and 2 both mean DNG+JPG,
    // 3 and 4 both JPG only.
    const int raw = (index == 1 || index == 2) ? 1 : (index == 3 || index == 4) ? 2 : 0;
    writeThrough(kLERowFileFormat, raw);
}

int TVK_Logic_CameraSettingsByDevProps::fileFormat()
{
    const qint64 raw = m_value[kLERowFileFormat];
    return raw == 1 ? 1 : raw == 2 ? 3 : 0;
}

void TVK_Logic_CameraSettingsByDevProps::setWhiteBalance(int value) { writeThrough(kLERowWhiteBalance, value); }
void TVK_Logic_CameraSettingsByDevProps::setWhiteBalanceColorTemp(int kelvin)
{
    writeThrough(kLERowWhiteBalanceColorTemp, kelvin);
}
void TVK_Logic_CameraSettingsByDevProps::setJpgColorSpace(int value) { writeThrough(kLERowColorManagement, value); }
void TVK_Logic_CameraSettingsByDevProps::setStorageType(int value)
{
    writeThrough(kLERowExternalShooting, value == 2 ? 1 : 0);
}
void TVK_Logic_CameraSettingsByDevProps::setAutoreviewDuration(int value)
{
    writeThrough(kLERowAutoreviewDuration, value);
}

void TVK_Logic_CameraSettingsByDevProps::setAutoPowerOff(int index)
{
    const int minutes = index == 0 ? 0 : index == 2 ? 5 : index == 3 ? 10 : 2;
    writeThrough(kLERowAutoPowerOff, minutes);
}

int TVK_Logic_CameraSettingsByDevProps::autoPowerOff()
{
    switch (m_value[kLERowAutoPowerOff]) {
    case 0:
        return 0;
    case 5:
        return 2;
    case 10:
        return 3;
    default:
        return 1;
    }
}

void TVK_Logic_CameraSettingsByDevProps::setLockAEAF(int)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - functionality is not available", prefix);
}

void TVK_Logic_CameraSettingsByDevProps::setSensorFormat(int value) { writeThrough(kLERowSensorFormat, value); }
void TVK_Logic_CameraSettingsByDevProps::setPhotoAspectRatio(int value)
{
    writeThrough(kLERowPhotoAspectRatio, value);
}
void TVK_Logic_CameraSettingsByDevProps::setJpgResolution(int value)
{
    writeThrough(kLERowPhotoResolutionJPG, value);
}
void TVK_Logic_CameraSettingsByDevProps::setVideoFileFormat(int value) { writeThrough(kLERowVideoFileFormat, value); }
void TVK_Logic_CameraSettingsByDevProps::setVideoResAndFrRate(int value)
{
    writeThrough(kLERowVideoResAndFrRate, value);
}
void TVK_Logic_CameraSettingsByDevProps::setVideoFormatResol(int value)
{
    writeThrough(kLERowVideoFormatResol, value);
}
void TVK_Logic_CameraSettingsByDevProps::setContrast(int value) { writeThrough(kLERowContrast, value); }
void TVK_Logic_CameraSettingsByDevProps::setSharpness(int value) { writeThrough(kLERowSharpness, value); }
void TVK_Logic_CameraSettingsByDevProps::setSaturation(int value) { writeThrough(kLERowSaturation, value); }
void TVK_Logic_CameraSettingsByDevProps::setMonochrome(int value) { writeThrough(kLERowMonochrome, value); }
void TVK_Logic_CameraSettingsByDevProps::setElectronicShutter(int value)
{
    writeThrough(kLERowElectronicShutter, value);
}
void TVK_Logic_CameraSettingsByDevProps::setExposTimeBulbPreset(int seconds)
{
    writeThrough(kLERowExposTimeBulbPreset, seconds);
}
void TVK_Logic_CameraSettingsByDevProps::setAudioLevel(int value) { writeThrough(kLERowAudioLevel, value); }
void TVK_Logic_CameraSettingsByDevProps::setAudioWindElim(int value) { writeThrough(kLERowAudioWindElim, value); }
void TVK_Logic_CameraSettingsByDevProps::setAudioVolSpeaker(int value) { writeThrough(kLERowAudioVolSpeaker, value); }
void TVK_Logic_CameraSettingsByDevProps::setAudioVolHeadphone(int value)
{
    writeThrough(kLERowAudioVolHeadphone, value);
}
void TVK_Logic_CameraSettingsByDevProps::setAudioVolMicrophone(int value)
{
    writeThrough(kLERowAudioVolMicrophone, value);
}
void TVK_Logic_CameraSettingsByDevProps::setExposureSimulation(int value)
{
    writeThrough(kLERowExposureSimulation, value);
}
void TVK_Logic_CameraSettingsByDevProps::setLanguage(int value) { writeThrough(kLERowLanguage, value); }

namespace {

// ExposureProgramMode of each exposure-mode index: manual, shutter priority,
// aperture priority, program, and the two vendor modes.
constexpr int kExposureModeRaw[] = {1, 4, 3, 2, 0x0200, 0x0201};

} // namespace

void TVK_Logic_CameraSettingsByDevProps::setExposureMode(int index)
{
    const int raw = index >= 0 && index < int(sizeof kExposureModeRaw / sizeof kExposureModeRaw[0])
                        ? kExposureModeRaw[index]
                        : 1;
    writeThrough(kLERowExposureProgram, raw);
}

int TVK_Logic_CameraSettingsByDevProps::exposureMode()
{
    // Manual (1), the vendor mode 0x0202 and anything unknown read as manual.
    for (int index = 1; index < int(sizeof kExposureModeRaw / sizeof kExposureModeRaw[0]); ++index) {
        if (kExposureModeRaw[index] == m_value[kLERowExposureProgram])
            return index;
    }
    return 0;
}

void TVK_Logic_CameraSettingsByDevProps::setAperture(double fNumber)
{
    writeThrough(kLERowAperture, TVK_Logic_APEXConverterAperture::codeFromFNumber(fNumber));
}

double TVK_Logic_CameraSettingsByDevProps::aperture()
{
    return TVK_Logic_APEXConverterAperture::fNumberFromCode(int(qint16(m_value[kLERowAperture])));
}

void TVK_Logic_CameraSettingsByDevProps::setShutterTime(double seconds)
{
    writeThrough(kLERowExposureTime, m_shutterTime->codeFromSeconds(seconds));
}

double TVK_Logic_CameraSettingsByDevProps::shutterTime()
{
    if (m_value[kLERowExposureTime] == -1)
        return -1.0;
    return m_shutterTime->secondsFromCode(int(qint16(m_value[kLERowExposureTime])));
}

double TVK_Logic_CameraSettingsByDevProps::maxShutterTime()
{
    return m_shutterTime->secondsFromCode(int(qint16(m_value[kLERowExposureTimeMax])));
}

void TVK_Logic_CameraSettingsByDevProps::setAutoFocusLimit(bool on) { writeThrough(kLERowAutoFocusLimit, on ? 1 : 0); }
void TVK_Logic_CameraSettingsByDevProps::setIntervalFrames(int count) { writeThrough(kLERowIntervalFrames, count); }
void TVK_Logic_CameraSettingsByDevProps::setIntervalTime(int value) { writeThrough(kLERowIntervalTime, value); }

int TVK_Logic_CameraSettingsByDevProps::lightBalance()
{
    // The meter counts 1/256 EV; the balance is shown in exposure steps.
    const double x = m_value[kLERowExposCompensStepSize] == 333 ? lightMeter() * 3 * 0.00390625
                                                                : lightMeter() * 0.0078125;
    return roundHalfUp(x);
}

// --- What the properties do not carry -------------------------------------------

#define TVK_NOT_AVAILABLE(type, name, result)                              \
    type TVK_Logic_CameraSettingsByDevProps::name()                        \
    {                                                                      \
        TVK_METHOD(prefix);                                                \
        debugLog(kLELogAlways, "%s - functionality is not available", prefix); \
        return result;                                                     \
    }

TVK_NOT_AVAILABLE(quint8, RAMBufferFreeCaptures, 0)
TVK_NOT_AVAILABLE(int, sensorBoardTemperature, 0)
TVK_NOT_AVAILABLE(bool, dngCompression, false)
TVK_NOT_AVAILABLE(int, lockAEAF, 0)
TVK_NOT_AVAILABLE(int, batterySource, 0)
TVK_NOT_AVAILABLE(int, warnings, 0)
TVK_NOT_AVAILABLE(int, iSOValue, 0)
TVK_NOT_AVAILABLE(int, flashCompensation, 0)

#undef TVK_NOT_AVAILABLE

// --- Features per product ------------------------------------------------------

bool TVK_Logic_CameraSettingsByDevProps::featureFocusMode() { return productHas(Traits::kLEFocusMode); }
bool TVK_Logic_CameraSettingsByDevProps::featureSensorFormat() { return productHas(Traits::kLEFormatChoices); }
bool TVK_Logic_CameraSettingsByDevProps::featurePhotoAspectRatio() { return productHas(Traits::kLEFormatChoices); }
bool TVK_Logic_CameraSettingsByDevProps::featureVideoResAndFrRate() { return productHas(Traits::kLEVideoResAndFrRate); }
bool TVK_Logic_CameraSettingsByDevProps::featureVideoFormatResol() { return productHas(Traits::kLEFormatChoices); }
bool TVK_Logic_CameraSettingsByDevProps::featureMonochrome() { return productHas(Traits::kLEMonochrome); }
bool TVK_Logic_CameraSettingsByDevProps::featureAutoFocusLimit() { return productHas(Traits::kLEAutoFocusLimit); }
bool TVK_Logic_CameraSettingsByDevProps::featureElectronicShutter() { return productHas(Traits::kLEElectronicShutter); }
bool TVK_Logic_CameraSettingsByDevProps::featureExposTimeBulbPreset() { return productHas(Traits::kLEBulbPreset); }
bool TVK_Logic_CameraSettingsByDevProps::featureOrientation()
{
    return deviceInfo() != nullptr && deviceInfo()->isDevicePropSupported(kOrientation);
}
bool TVK_Logic_CameraSettingsByDevProps::featureAudioLevel() { return productHas(Traits::kLEAudioControls); }
bool TVK_Logic_CameraSettingsByDevProps::featureAudioWindElim() { return productHas(Traits::kLEAudioControls); }
bool TVK_Logic_CameraSettingsByDevProps::featureAudioVolSpeaker() { return productHas(Traits::kLEAudioControls); }
bool TVK_Logic_CameraSettingsByDevProps::featureAudioVolHeadphone() { return productHas(Traits::kLEAudioControls); }
bool TVK_Logic_CameraSettingsByDevProps::featureAudioVolMicrophone() { return productHas(Traits::kLEMicrophoneVolume); }
bool TVK_Logic_CameraSettingsByDevProps::featureExposCompensStep()
{
    return Traits::of(productId()).switchesExposureStep();
}
bool TVK_Logic_CameraSettingsByDevProps::featureFocusConfirmation() { return productHas(Traits::kLEFocusConfirmation); }
bool TVK_Logic_CameraSettingsByDevProps::featureFocusDistance() { return productHas(Traits::kLEFocusDistance); }
bool TVK_Logic_CameraSettingsByDevProps::featureKeyLock() { return productHas(Traits::kLEKeyLock); }
bool TVK_Logic_CameraSettingsByDevProps::featureLanguage() { return productHas(Traits::kLELanguage); }
bool TVK_Logic_CameraSettingsByDevProps::featureMirrorUpMode() { return productHas(Traits::kLEMirrorUpAndShutterMode); }
bool TVK_Logic_CameraSettingsByDevProps::featureShutterMode() { return productHas(Traits::kLEMirrorUpAndShutterMode); }
bool TVK_Logic_CameraSettingsByDevProps::featureVideoRecording() { return productHas(Traits::kLEVideoRecording); }
bool TVK_Logic_CameraSettingsByDevProps::featureAperture() { return productHas(Traits::kLEAperture); }
bool TVK_Logic_CameraSettingsByDevProps::featureJpgColorSpace() { return productHas(Traits::kLEJpgColorSpace); }
bool TVK_Logic_CameraSettingsByDevProps::featureStorageType() { return productHas(Traits::kLEStorageType); }
bool TVK_Logic_CameraSettingsByDevProps::featureAutoreviewDuration()
{
    return productHas(Traits::kLEAutoreviewDuration);
}

// --- Dump ------------------------------------------------------------------------------

void TVK_Logic_CameraSettingsByDevProps::dump(const QString &)
{
    TVK_METHOD(prefix);
    using Text = std::function<QByteArray(Self &)>;
    using Feature = bool (Self::*)();
    struct Line {
        const char *name;
        Text value;
        Feature onlyWith; // nullptr: always
    };
    auto number = [](int (Self::*getter)()) {
        return Text([getter](Self &s) { return QByteArray::number((s.*getter)()); });
    };
    auto yesNo = [](bool (Self::*getter)()) {
        return Text([getter](Self &s) { return QByteArray((s.*getter)() ? "Yes" : "No"); });
    };
    auto real = [](double (Self::*getter)()) {
        return Text([getter](Self &s) { return QByteArray::number((s.*getter)(), 'f', 6); });
    };
    auto byte = [](quint8 (Self::*getter)()) {
        return Text([getter](Self &s) { return QByteArray::number((s.*getter)()); });
    };
    const Line lines[] = {
        {"driveMode", number(&Self::driveMode), nullptr},
        {"focusMode", number(&Self::focusMode), nullptr},
        {"exposureMeteringMode", number(&Self::exposureMeteringMode), nullptr},
        {"exposureCompensation", number(&Self::exposureCompensation), nullptr},
        {"bracketingImageNumbers", number(&Self::bracketingImageNumbers), nullptr},
        {"bracketingDeltaEV", number(&Self::bracketingDeltaEV), nullptr},
        {"bracketingAutomatic", number(&Self::bracketingAutomatic), nullptr},
        {"shutterMode", number(&Self::shutterMode), &Self::featureShutterMode},
        {"mirrorUpMode", number(&Self::mirrorUpMode), &Self::featureMirrorUpMode},
        {"sensitivity", number(&Self::sensitivity), nullptr},
        {"USBspeed", byte(&Self::USBspeed), nullptr},
        {"RAMBufferFreeCaptures", byte(&Self::RAMBufferFreeCaptures), nullptr},
        {"sensorBoardTemperature", number(&Self::sensorBoardTemperature), nullptr},
        {"keyLock", yesNo(&Self::keyLock), &Self::featureKeyLock},
        {"dngCompression", yesNo(&Self::dngCompression), &Self::featureDngCompression},
        {"flashXSymbol", yesNo(&Self::flashXSymbol), nullptr},
        {"fileFormat", number(&Self::fileFormat), nullptr},
        {"maxShutterTime", real(&Self::maxShutterTime), nullptr},
        {"whiteBalance", number(&Self::whiteBalance), nullptr},
        {"whiteBalanceColorTemp", number(&Self::whiteBalanceColorTemp), nullptr},
        {"jpgColorSpace", number(&Self::jpgColorSpace), &Self::featureJpgColorSpace},
        {"storageType", number(&Self::storageType), &Self::featureStorageType},
        {"lightMeter", number(&Self::lightMeter), nullptr},
        {"autoPowerOff", number(&Self::autoPowerOff), &Self::featurePowerSave},
        {"lockAEAF", number(&Self::lockAEAF), nullptr},
        {"jpgResolution", number(&Self::jpgResolution), &Self::featureJpgResSelection},
        {"videoFileFormat", number(&Self::videoFileFormat), &Self::featureVideoFileFormat},
        {"videoResAndFrRate", number(&Self::videoResAndFrRate), &Self::featureVideoResAndFrRate},
        {"videoFormatResol", number(&Self::videoFormatResol), &Self::featureVideoFormatResol},
        {"contrast", number(&Self::contrast), &Self::featureContrast},
        {"sharpness", number(&Self::sharpness), &Self::featureSharpness},
        {"saturation", number(&Self::saturation), &Self::featureSaturation},
        {"monochrome", number(&Self::monochrome), &Self::featureMonochrome},
        {"audioLevel", number(&Self::audioLevel), &Self::featureAudioLevel},
        {"audioWindElim", number(&Self::audioWindElim), &Self::featureAudioWindElim},
        {"audioVolSpeaker", number(&Self::audioVolSpeaker), &Self::featureAudioVolSpeaker},
        {"audioVolHeadphone", number(&Self::audioVolHeadphone), &Self::featureAudioVolHeadphone},
        {"audioVolMicrophone", number(&Self::audioVolMicrophone), &Self::featureAudioVolMicrophone},
        {"exposureSimulation", number(&Self::exposureSimulation), &Self::featureExposureSimulation},
        {"language", number(&Self::language), &Self::featureLanguage},
        {"batterySource", number(&Self::batterySource), nullptr},
        {"batteryLevelIntern", number(&Self::batteryLevelIntern), nullptr},
        {"batteryLevelExtern", number(&Self::batteryLevelExtern), nullptr},
        {"warnings", number(&Self::warnings), nullptr},
        {"iSOValue", number(&Self::iSOValue), nullptr},
        {"exposureMode", number(&Self::exposureMode), nullptr},
        {"aperture", real(&Self::aperture), &Self::featureAperture},
        {"shutterTime", real(&Self::shutterTime), nullptr},
        {"focusConfirmation", number(&Self::focusConfirmation), &Self::featureFocusConfirmation},
        {"focusDistance", Text([](Self &s) { return QByteArray::number(s.focusDistance()); }),
         &Self::featureFocusDistance},
        {"lightBalance", number(&Self::lightBalance), nullptr},
        {"flashCompensation", number(&Self::flashCompensation), nullptr},
        {"flashStatus", number(&Self::flashStatus), nullptr},
    };
    for (const Line &line : lines) {
        if (line.onlyWith != nullptr && !(this->*line.onlyWith)())
            continue;
        debugLog(kLELogAlways, "%s - %-25s = %s", prefix, line.name, line.value(*this).constData());
    }
    dumpFeatures(prefix, dumpedFeatures());
}
