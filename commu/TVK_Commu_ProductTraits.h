#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// What the program knows of each camera body by its USB product id: its name,
// how it keeps its settings, what it can and how it behaves where the camera
// cannot be asked, and which of the lists it offers. One row per body, so a
// new body is one new row and a question about one is answered in one place.
//
// An id without a row (and 0, no camera) gets the default row: no name, no
// list where a list needs the body, and what every other body does.
//
// The rows are constant; any thread may read them.
class TVK_Commu_ProductTraits
{
public:
    enum eLEProduct {
        kLEArdo2 = 0x2009,
        kLEArdo2S = 0x2011,
        kLECora = 0x2021,
        kLEArdo3 = 0x2031,
        kLEArdo3R = 0x2033,
        kLEVelia = 0x2041,
        kLEVelia2 = 0x2044,
        kLEVelia2Night = 0x2047,
        kLECoraCine = 0x2051,
        kLEPico = 0x2061
    };

    enum eLESettings {
        kLESettingsByDevProps, // one device property per setting
        kLESettingsByStruct,   // the 100-byte settings record
        kLESettingsByStructCora // the same record with the Cora fields
    };

    enum eLEFeature : quint64 {
        // Transport and events.
        kLENativeRelease = 1ull << 0,     // takes the release-stage operation itself
        kLETickEvents = 1ull << 1,        // lens, bulb and self-timer as vendor events
        kLELongAxisLayout = 1ull << 2,    // the 213-byte float64 3-axis record
        kLEStillCaptureMode7 = 1ull << 3, // continuous shooting as StillCaptureMode 7
        kLEStillCaptureMode5 = 1ull << 4, // continuous shooting as StillCaptureMode 5
        // Functions the settings layer cannot ask the camera about; a record
        // body's record tells the rest, so its row names only these.
        kLEFocusMode = 1ull << 5,
        kLEFocusDistance = 1ull << 6,
        kLEFocusConfirmation = 1ull << 7,
        kLEAperture = 1ull << 8,
        kLEKeyLock = 1ull << 9,
        kLEMirrorUpAndShutterMode = 1ull << 10,
        kLEVideoRecording = 1ull << 11,
        kLEVideoResAndFrRate = 1ull << 12,
        kLEFormatChoices = 1ull << 13, // sensor format, aspect ratio, video file and format
        kLEAudioControls = 1ull << 14, // level, wind filter, speaker and headphone volume
        kLEMicrophoneVolume = 1ull << 15,
        kLEWhiteBalance = 1ull << 16,
        kLEJpgColorSpace = 1ull << 17,
        kLEStorageType = 1ull << 18,
        kLEMonochrome = 1ull << 19,
        kLELanguage = 1ull << 20,
        kLEAutoreviewDuration = 1ull << 21,
        kLEAutoFocusLimit = 1ull << 22,
        kLEElectronicShutter = 1ull << 23,
        kLEBulbPreset = 1ull << 24,          // a bulb preset runs as that many seconds
        kLEBracketingInDriveMode = 1ull << 25, // no bracketing switch of its own
        kLEWarnings = 1ull << 26,
        // Behaviour.
        kLESwappedLensSteps = 1ull << 27,      // the lens motor turns the other way
        kLEFocusOnRelease = 1ull << 28,        // live-view autofocus when the button is let go
        kLEFocusDistanceInLiveView = 1ull << 29, // the lens moves by distance only in live view
        kLEMoveInZoom = 1ull << 30,            // the zoomed live view can be moved
        kLEIntelligentAF = 1ull << 31,
        kLEStreamRefusesAF = 1ull << 32,       // no autofocus command while streaming
        kLEJpgBeforeDng = 1ull << 33,          // writes the JPG of a pair first
        kLEGrayCardAsPreset = 1ull << 34,      // reports the grey-card balance as preset 10
        kLEBulbCounterReset = 1ull << 35,      // the bulb read-out falls back after the last count
        kLESelfTimerReset = 1ull << 36,        // likewise the self-timer read-out
        kLEMinutesFrom180s = 1ull << 37,       // shows 180 s already as 3m
        kLEExposureModesPMAS = 1ull << 38,     // offers P, M, A and S as the exposure modes
        kLEExposureSimulationModes = 1ull << 39 // simulation off, on and on with the display
    };

    // The lists a body offers, each named after the bodies that brought it.
    // "None" is no list of that kind; drive modes and bracketing steps have a
    // list for every body.
    enum eLEIntervalFrames { kLEIntervalFramesNone, kLEIntervalFramesFrom5, kLEIntervalFramesFrom1 };
    enum eLEIntervalTime {
        kLEIntervalTimeNone, kLEIntervalTimeUpTo1h, kLEIntervalTimeUpTo999s, kLEIntervalTimeUpTo89999s
    };
    // The steps of exposure compensation; the switchable ones follow the
    // camera's step-size setting, and so do its aperture and shutter-time marks.
    enum eLEExposureSteps { kLEStepsNone, kLEStepsHalf, kLEStepsThird, kLEStepsSwitchable };
    enum eLEIsoList {
        kLEIsoNone, kLEIsoArdo2, kLEIsoArdo2S, kLEIsoCora, kLEIsoArdo3, kLEIsoArdo3R, kLEIsoVelia,
        kLEIsoVeliaNight, kLEIsoCoraCine, kLEIsoPico
    };
    enum eLEWhiteBalance {
        kLEWhiteBalanceNone, kLEWhiteBalanceArdo2, kLEWhiteBalanceCora, kLEWhiteBalanceArdo3, kLEWhiteBalancePico
    };
    enum eLEWhiteBalTemp {
        kLEWhiteBalTempNone,
        kLEWhiteBalTempPositions, // 63 temperatures the camera counts by position
        kLEWhiteBalTempKelvins,   // the same 63 as Kelvin values
        kLEWhiteBalTempVelia,
        kLEWhiteBalTempVelia2
    };
    enum eLEFileFormat { kLEFileFormatNone, kLEFileFormatWithQuality, kLEFileFormatWithoutQuality };
    enum eLEJpgResolution {
        kLEJpgResolutionNone, kLEJpgResolution24MP, kLEJpgResolution37MP, kLEJpgResolution64MP, kLEJpgResolutionSizes
    };
    enum eLEDriveMode { kLEDriveModeBasic, kLEDriveModeVelia, kLEDriveModeVelia2, kLEDriveModePico };
    enum eLEBracketDeltaEV {
        kLEBracketDeltaEVHalf, kLEBracketDeltaEVVelia, kLEBracketDeltaEVVelia2, kLEBracketDeltaEVPico
    };
    enum eLEVideoResAndFrRate {
        kLEVideoResNone, kLEVideoResCora, kLEVideoResArdo3, kLEVideoResVelia, kLEVideoResCoraCine
    };

    enum eLEViewFinder { kLEViewFinderArdo, kLEViewFinderBelo };
    // How a picture's size class is found for its file name.
    enum eLESizeClass {
        kLESizeClassNone,     // always class 0
        kLESizeClassFixed2,   // always class 2
        kLESizeClassFromWidth // from the picture's pixel width
    };
    // How the microphone volume maps to the panel's 0..1 (or not at all).
    enum eLEMicrophoneScale { kLEMicrophoneNone, kLEMicrophoneSteps63, kLEMicrophoneQuarters };

    int productId;
    const char *name; // the model name the camera reports; "" in the default row
    eLESettings settings;
    quint64 features;
    eLEIntervalFrames intervalFrames;
    eLEIntervalTime intervalTime;
    eLEExposureSteps exposureSteps;
    eLEIsoList isoList;
    eLEWhiteBalance whiteBalance;
    eLEWhiteBalTemp whiteBalTemp;
    eLEFileFormat fileFormat;
    eLEJpgResolution jpgResolution;
    eLEDriveMode driveMode;
    eLEBracketDeltaEV bracketDeltaEV;
    eLEVideoResAndFrRate videoResAndFrRate;
    eLEViewFinder viewFinder;
    eLESizeClass sizeClass;
    eLEMicrophoneScale microphoneScale;

    // The row of a product id; the default row for an unknown one or 0.
    static const TVK_Commu_ProductTraits &of(int productId);
    // The row of the body that reports this model name (in any case), or nullptr.
    static const TVK_Commu_ProductTraits *ofModel(const QString &model);
    static QVector<int> knownProducts();

    bool isKnown() const { return productId != 0; }
    bool has(eLEFeature feature) const { return (features & feature) != 0; }
    bool keepsSettingsInRecord() const { return settings != kLESettingsByDevProps; }
    bool switchesExposureStep() const { return exposureSteps == kLEStepsSwitchable; }
};
