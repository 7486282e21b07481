#include "TVK_Commu_ProductTraits.h"

namespace {

using T = TVK_Commu_ProductTraits;

// What the first two firmware generations of device-property bodies share and
// the later ones dropped: each of these bodies has them unless its row says
// otherwise below. Unknown bodies are taken to be of that kind.
constexpr quint64 kEarlyFirmware = T::kLEFocusConfirmation | T::kLEMirrorUpAndShutterMode | T::kLEVideoResAndFrRate
                                   | T::kLEAudioControls;
// The menu entries every device-property body has but the Velia line.
constexpr quint64 kClassicMenu = T::kLEMonochrome | T::kLELanguage | T::kLEAutoreviewDuration;
// What a body with a lens mount and a video mode offers; the Pico has neither.
constexpr quint64 kLensAndVideo = T::kLEFocusMode | T::kLEFocusDistance | T::kLEAperture | T::kLEKeyLock
                                  | T::kLEVideoRecording | T::kLEMicrophoneVolume | T::kLEJpgColorSpace
                                  | T::kLEStorageType;

constexpr quint64 kArdo2 = T::kLENativeRelease | T::kLETickEvents | T::kLEWarnings | T::kLEBulbCounterReset
                           | T::kLEWhiteBalance | T::kLEJpgColorSpace;
constexpr quint64 kCoraCine = T::kLENativeRelease | T::kLETickEvents | T::kLEWarnings | T::kLEBulbCounterReset
                              | T::kLESelfTimerReset | T::kLEVideoRecording;
constexpr quint64 kCora = kCoraCine | T::kLEWhiteBalance | T::kLEJpgColorSpace;
constexpr quint64 kArdo3 = T::kLENativeRelease | T::kLEStillCaptureMode7 | T::kLELongAxisLayout | kEarlyFirmware
                           | kClassicMenu | kLensAndVideo | T::kLEWhiteBalance | T::kLEFocusOnRelease
                           | T::kLEFocusDistanceInLiveView | T::kLEMoveInZoom | T::kLEGrayCardAsPreset;
constexpr quint64 kVelia = T::kLENativeRelease | T::kLELongAxisLayout | kLensAndVideo | T::kLEWhiteBalance
                           | T::kLEFormatChoices | T::kLEAutoFocusLimit | T::kLEElectronicShutter
                           | T::kLEBracketingInDriveMode | T::kLESwappedLensSteps | T::kLEStreamRefusesAF
                           | T::kLEJpgBeforeDng | T::kLEGrayCardAsPreset | T::kLEBulbCounterReset
                           | T::kLEExposureModesPMAS | T::kLEExposureSimulationModes;
constexpr quint64 kVelia2 = kVelia | T::kLEIntelligentAF;
constexpr quint64 kPico = T::kLEStillCaptureMode5 | T::kLEBulbPreset | T::kLEBracketingInDriveMode | kClassicMenu
                          | T::kLEWhiteBalance | T::kLEMinutesFrom180s;

const T kRows[] = {
    {T::kLEArdo2, "Ardo 2", T::kLESettingsByStruct, kArdo2, T::kLEIntervalFramesFrom5, T::kLEIntervalTimeUpTo1h,
     T::kLEStepsHalf, T::kLEIsoArdo2, T::kLEWhiteBalanceArdo2, T::kLEWhiteBalTempPositions,
     T::kLEFileFormatWithQuality, T::kLEJpgResolutionNone, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf,
     T::kLEVideoResNone, T::kLEViewFinderArdo, T::kLESizeClassNone, T::kLEMicrophoneNone},
    {T::kLEArdo2S, "Ardo 2 S", T::kLESettingsByStruct, kArdo2, T::kLEIntervalFramesFrom5, T::kLEIntervalTimeUpTo1h,
     T::kLEStepsHalf, T::kLEIsoArdo2S, T::kLEWhiteBalanceArdo2, T::kLEWhiteBalTempPositions,
     T::kLEFileFormatWithQuality, T::kLEJpgResolution37MP, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf,
     T::kLEVideoResNone, T::kLEViewFinderArdo, T::kLESizeClassNone, T::kLEMicrophoneNone},
    {T::kLECora, "Cora", T::kLESettingsByStructCora, kCora, T::kLEIntervalFramesFrom5, T::kLEIntervalTimeUpTo1h,
     T::kLEStepsThird, T::kLEIsoCora, T::kLEWhiteBalanceCora, T::kLEWhiteBalTempPositions,
     T::kLEFileFormatWithQuality, T::kLEJpgResolution24MP, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf,
     T::kLEVideoResCora, T::kLEViewFinderArdo, T::kLESizeClassNone, T::kLEMicrophoneNone},
    {T::kLEArdo3, "Ardo 3", T::kLESettingsByDevProps, kArdo3, T::kLEIntervalFramesFrom1, T::kLEIntervalTimeUpTo999s,
     T::kLEStepsHalf, T::kLEIsoArdo3, T::kLEWhiteBalanceArdo3, T::kLEWhiteBalTempKelvins,
     T::kLEFileFormatWithoutQuality, T::kLEJpgResolution37MP, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf,
     T::kLEVideoResArdo3, T::kLEViewFinderArdo, T::kLESizeClassFixed2, T::kLEMicrophoneSteps63},
    {T::kLEArdo3R, "Ardo 3 R", T::kLESettingsByDevProps, kArdo3, T::kLEIntervalFramesFrom1,
     T::kLEIntervalTimeUpTo999s, T::kLEStepsHalf, T::kLEIsoArdo3R, T::kLEWhiteBalanceArdo3,
     T::kLEWhiteBalTempKelvins, T::kLEFileFormatWithoutQuality, T::kLEJpgResolution64MP, T::kLEDriveModeBasic,
     T::kLEBracketDeltaEVHalf, T::kLEVideoResArdo3, T::kLEViewFinderArdo, T::kLESizeClassFixed2,
     T::kLEMicrophoneSteps63},
    {T::kLEVelia, "Velia", T::kLESettingsByDevProps, kVelia, T::kLEIntervalFramesFrom1, T::kLEIntervalTimeUpTo89999s,
     T::kLEStepsSwitchable, T::kLEIsoVelia, T::kLEWhiteBalanceArdo3, T::kLEWhiteBalTempVelia,
     T::kLEFileFormatWithoutQuality, T::kLEJpgResolutionSizes, T::kLEDriveModeVelia, T::kLEBracketDeltaEVVelia,
     T::kLEVideoResVelia, T::kLEViewFinderBelo, T::kLESizeClassNone, T::kLEMicrophoneQuarters},
    {T::kLEVelia2, "Velia 2", T::kLESettingsByDevProps, kVelia2, T::kLEIntervalFramesFrom1,
     T::kLEIntervalTimeUpTo89999s, T::kLEStepsSwitchable, T::kLEIsoVelia, T::kLEWhiteBalanceArdo3,
     T::kLEWhiteBalTempVelia2, T::kLEFileFormatWithoutQuality, T::kLEJpgResolutionSizes, T::kLEDriveModeVelia2,
     T::kLEBracketDeltaEVVelia2, T::kLEVideoResVelia, T::kLEViewFinderBelo, T::kLESizeClassNone,
     T::kLEMicrophoneQuarters},
    {T::kLEVelia2Night, "Velia 2 Night", T::kLESettingsByDevProps, kVelia2, T::kLEIntervalFramesFrom1,
     T::kLEIntervalTimeUpTo89999s, T::kLEStepsSwitchable, T::kLEIsoVeliaNight, T::kLEWhiteBalanceArdo3,
     T::kLEWhiteBalTempVelia2, T::kLEFileFormatWithoutQuality, T::kLEJpgResolutionSizes, T::kLEDriveModeVelia2,
     T::kLEBracketDeltaEVVelia2, T::kLEVideoResVelia, T::kLEViewFinderBelo, T::kLESizeClassNone,
     T::kLEMicrophoneQuarters},
    {T::kLECoraCine, "Cora Cine", T::kLESettingsByStructCora, kCoraCine, T::kLEIntervalFramesFrom5,
     T::kLEIntervalTimeUpTo1h, T::kLEStepsThird, T::kLEIsoCoraCine, T::kLEWhiteBalanceNone, T::kLEWhiteBalTempNone,
     T::kLEFileFormatWithoutQuality, T::kLEJpgResolution24MP, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf,
     T::kLEVideoResCoraCine, T::kLEViewFinderArdo, T::kLESizeClassNone, T::kLEMicrophoneNone},
    {T::kLEPico, "Pico", T::kLESettingsByDevProps, kPico, T::kLEIntervalFramesFrom1, T::kLEIntervalTimeUpTo89999s,
     T::kLEStepsThird, T::kLEIsoPico, T::kLEWhiteBalancePico, T::kLEWhiteBalTempKelvins,
     T::kLEFileFormatWithoutQuality, T::kLEJpgResolutionSizes, T::kLEDriveModePico, T::kLEBracketDeltaEVPico,
     T::kLEVideoResNone, T::kLEViewFinderArdo, T::kLESizeClassFromWidth, T::kLEMicrophoneNone},
};

const T kDefaultRow = {0, "", T::kLESettingsByDevProps, kEarlyFirmware | kClassicMenu | kLensAndVideo
                       | T::kLEWhiteBalance, T::kLEIntervalFramesNone, T::kLEIntervalTimeNone, T::kLEStepsNone,
                       T::kLEIsoNone, T::kLEWhiteBalanceNone, T::kLEWhiteBalTempNone, T::kLEFileFormatNone,
                       T::kLEJpgResolutionNone, T::kLEDriveModeBasic, T::kLEBracketDeltaEVHalf, T::kLEVideoResNone,
                       T::kLEViewFinderArdo, T::kLESizeClassNone, T::kLEMicrophoneNone};

} // namespace

const TVK_Commu_ProductTraits &TVK_Commu_ProductTraits::of(int productId)
{
    for (const T &row : kRows) {
        if (row.productId == productId)
            return row;
    }
    return kDefaultRow;
}

const TVK_Commu_ProductTraits *TVK_Commu_ProductTraits::ofModel(const QString &model)
{
    for (const T &row : kRows) {
        if (model.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return &row;
    }
    return nullptr;
}

QVector<int> TVK_Commu_ProductTraits::knownProducts()
{
    QVector<int> ids;
    for (const T &row : kRows)
        ids.append(row.productId);
    return ids;
}
