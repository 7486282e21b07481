// The vendor settings record of both layouts: the first byte picks the
// product (0x2009 and 0x2011 read the first layout, 0x2021 and 0x2051 the
// Cora layout), the next 100 bytes are the record the new strategy reads,
// the 100 after them the record of the next settings report, which is
// compared with the first for the change flags. Every setting is then
// decoded from it.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_CameraSettingsByStructCora.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    if (size == 0)
        return 0;
    static constexpr int kProducts[] = {0x2009, 0x2011, 0x2021, 0x2051};
    const int product = kProducts[data[0] % 4];
    const size_t recordSize = TVK_Logic_CameraSettingsByStruct::kRecordSize;
    const auto record = [&](size_t start) {
        const size_t from = 1 + start;
        const size_t length = from < size ? std::min(recordSize, size - from) : 0;
        return QByteArray(reinterpret_cast<const char *>(data) + (length > 0 ? from : 0), int(length));
    };

    TVK_Test_RecordingAccess access(product);
    access.answerNext(TVK_Commu_Ptp::kOpGetCameraSettings, record(0));
    access.answerNext(TVK_Commu_Ptp::kOpGetCameraSettings, record(recordSize));
    TVK_Logic_DeviceInfo deviceInfo(nullptr);
    std::unique_ptr<TVK_Logic_CameraSettingsByStruct> settings;
    if (product == 0x2021 || product == 0x2051)
        settings = std::make_unique<TVK_Logic_CameraSettingsByStructCora>(&access, &deviceInfo);
    else
        settings = std::make_unique<TVK_Logic_CameraSettingsByStruct>(&access, &deviceInfo);
    TVK_Logic_CameraSettingsBase::ChangedFlags changed{};
    settings->recvFromCamera(&changed);
    // The copy is the camera's record as it came, a short one zero-filled:
    // bytes the strategy does not interpret must travel back unchanged.
    QByteArray expected = record(recordSize);
    expected.append(QByteArray(int(recordSize) - expected.size(), '\0'));
    if (settings->record() != expected)
        std::abort();

    TVK_Logic_CameraSettingsBase *s = settings.get();
    s->driveMode(); s->focusMode(); s->exposureMeteringMode(); s->exposureCompensation();
    s->exposCompensStepSize(); s->bracketingEnabled(); s->bracketingImageNumbers(); s->bracketingDeltaEV();
    s->bracketingAutomatic(); s->shutterMode(); s->mirrorUpMode(); s->sensitivity(); s->sensitivityAuto();
    s->USBspeed(); s->RAMBufferFreeCaptures(); s->sensorBoardTemperature(); s->keyLock(); s->dngCompression();
    s->flashXSymbol(); s->fileFormat(); s->maxShutterTime(); s->whiteBalance(); s->whiteBalanceColorTemp();
    s->jpgColorSpace(); s->storageType(); s->lightMeter(); s->autoreviewDuration(); s->autoPowerOff();
    s->lockAEAF(); s->sensorFormat(); s->photoAspectRatio(); s->jpgResolution(); s->videoFileFormat();
    s->videoResAndFrRate(); s->videoFormatResol(); s->contrast(); s->sharpness(); s->saturation();
    s->monochrome(); s->electronicShutter(); s->exposTimeBulbPreset(); s->lensConnectionType();
    s->orientation(); s->audioLevel(); s->audioWindElim(); s->audioVolSpeaker(); s->audioVolHeadphone();
    s->audioVolMicrophone(); s->exposureSimulation(); s->language(); s->batterySource(); s->batteryInfo();
    s->batteryLevelIntern(); s->batteryLevelExtern(); s->powerSwitch(); s->selfTimerRestTime();
    s->bulbModeTime(); s->warnings(); s->iSOValue(); s->exposureMode(); s->aperture(); s->shutterTime();
    s->focusDistance(); s->focusConfirmation(); s->focusConfirmBadSignal(); s->focusConfirmEnabled();
    s->autoFocusLimit(); s->autoFocusLimitDistance(); s->lightBalance(); s->flashCompensation();
    s->flashStatus(); s->featureFocusMode(); s->featureMoveLensToPos(); s->featureMoveLensRightLeft();
    s->featureSensorFormat(); s->featurePhotoAspectRatio(); s->featureJpgResSelection();
    s->featureVideoFileFormat(); s->featureVideoResAndFrRate(); s->featureVideoFormatResol();
    s->featureContrast(); s->featureSharpness(); s->featureSaturation(); s->featureMonochrome();
    s->featureAutoFocusLimit(); s->featureElectronicShutter(); s->featureExposTimeBulbPreset();
    s->featureLensConnectionType(); s->featureOrientation(); s->featureAudioLevel();
    s->featureAudioWindElim(); s->featureAudioVolSpeaker(); s->featureAudioVolHeadphone();
    s->featureAudioVolMicrophone(); s->featureExposCompensStep(); s->featureExposureSimulation();
    s->featureFocusConfirmation(); s->featureFocusDistance(); s->featurePowerSave();
    s->featureDngCompression(); s->featureInterval(); s->featureKeyLock(); s->featureLanguage();
    s->featureLiveView(); s->featureMirrorUpMode(); s->featureShutterMode(); s->featureVideoRecording();
    s->featureWhiteBalance(); s->featurePreview(); s->featureHMI(); s->featureFlashStatus();
    s->featureFlashXSymbol();
    settings->sensitivityToIndex(settings->sensitivityFromIndex(data[0]));
    return 0;
}
