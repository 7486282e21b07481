#pragma once

// The camera's own value codes, as the settings strategies read and write them
// and the converters translate them. Every enumeration has a fixed underlying
// type, so a code the camera knows but that has no name here still travels
// unchanged; only the codes the camera model itself acts on are named.

enum eVXFileFormat : int {
    // Codes below this one name a DNG file (alone or with a JPG).
    kVXFileFormatFirstJpgOnly = 3
};
enum eVXColorManagement : int {};
enum eVXPhotoResolutionJPG : int {};
enum eVXAutoreviewDuration : int {};
enum eVXAutoPowerOff : int {
    kVXAutoPowerOffNever = 0
};
enum eVXSensorFormat : int {};
enum eVXPhotoAspectRatio : int {};
enum eVXVideoFileFormat : int {};
enum eVXVideoResAndFrRate : int {};
enum eVXVideoFormatResol : int {};
enum eVXContrast : int {};
enum eVXSharpness : int {};
enum eVXSaturation : int {};
enum eVXMonochrome : int {};
enum eVXElectronicShutter : int {};
enum eVXAudioLevel : int {};
enum eVXAudioWindElim : int {};
enum eVXExposureSimulation : int {};
enum eVXExposureMode : int {
    kVXExposureModeFirst = 0,
    kVXExposureModeBulb = 4,
    kVXExposureModeLast = 5
};
enum eVXExposMetering : int {};
enum eVXDriveMode : int {
    kVXDriveModeContinuous = 1,
    kVXDriveModeBracketing = 4,
    kVXDriveModeInterval = 5,
    kVXDriveModeContinuous6 = 6,
    kVXDriveModeContinuous7 = 7,
    kVXDriveModeContinuous8 = 8,
    kVXDriveModeContinuous9 = 9
};
enum eVXFocusMode : int {
    kVXFocusModeSingleAF = 0,
    kVXFocusModeContinuousAF = 1,
    kVXFocusModeManual = 2,
    kVXFocusModeIntelligentAF = 3,
    // How the camera itself stores the intelligent autofocus.
    kVXFocusModeIntelligentAFCamera = 5
};
// The release stages of the camera's release operation.
enum eVXReleaseMode : int {
    kVXReleasePicture = 0,
    kVXReleaseAutoFocusOn = 1,
    kVXReleaseAutoFocusOff = 2,
    kVXReleaseBulbStart = 7,
    kVXReleaseBulbEnd = 8,
    kVXReleaseLensStepNear = 9,
    kVXReleaseLensStepFar = 10,
    kVXReleaseLensPosition = 11,
    kVXReleaseContinuousStart = 12,
    kVXReleaseContinuousEnd = 13,
    kVXReleaseKeepAlive = 14,
    kVXReleaseVideoStart = 15,
    kVXReleaseVideoStop = 16,
    kVXReleaseLiveViewOn = 17,
    kVXReleaseLiveViewOff = 18
};
