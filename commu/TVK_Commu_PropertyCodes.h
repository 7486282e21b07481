#pragma once

#include <QtGlobal>

// Every device property the system reads, writes or hears about, named once.
// Standard codes carry their PTP names; the maker's vendor codes (0xD000 and
// up) are named after the setting they carry. Where a setting has a separate
// code for writing and for reading (shutter time, aperture), the write code
// ends in "Set".
namespace TVK_Commu_Prop {

// --- Standard PTP properties --------------------------------------------------
constexpr quint16 kBatteryLevel = 0x5001;
constexpr quint16 kWhiteBalance = 0x5005;
constexpr quint16 kFocusMode = 0x500A;
constexpr quint16 kExposureMeteringMode = 0x500B;
constexpr quint16 kExposureProgramMode = 0x500E;
constexpr quint16 kExposureIndex = 0x500F;
constexpr quint16 kExposureBiasCompensation = 0x5010;
constexpr quint16 kStillCaptureMode = 0x5013;
constexpr quint16 kContrast = 0x5014;
constexpr quint16 kSharpness = 0x5015;
// PTP 1.1 streaming.
constexpr quint16 kSupportedStreams = 0x5020;
constexpr quint16 kEnabledStreams = 0x5021;
constexpr quint16 kVideoFormat = 0x5022;
constexpr quint16 kVideoResolution = 0x5023;
constexpr quint16 kVideoFrameRate = 0x5025;

// --- Vendor settings, readable and writable -----------------------------------
constexpr quint16 kIntervalFrames = 0xD000;
constexpr quint16 kIntervalTime = 0xD001;
constexpr quint16 kFileFormat = 0xD004;
constexpr quint16 kBracketingEnabled = 0xD005;
constexpr quint16 kBracketingFrames = 0xD006;
constexpr quint16 kBracketingDeltaEV = 0xD007;
constexpr quint16 kBracketingAutomatic = 0xD008;
constexpr quint16 kMirrorUpMode = 0xD00A;
constexpr quint16 kJpgResolution = 0xD00F;
constexpr quint16 kAudioLevel = 0xD012;
constexpr quint16 kAudioWindElim = 0xD013;
constexpr quint16 kWhiteBalanceColorTemp = 0xD014;
constexpr quint16 kJpgColorSpace = 0xD015;
constexpr quint16 kSaturation = 0xD016;
constexpr quint16 kStorageType = 0xD018;
constexpr quint16 kAutoreviewDuration = 0xD01A;
constexpr quint16 kAutoPowerOff = 0xD024;
constexpr quint16 kKeyLock = 0xD02D;
constexpr quint16 kLanguage = 0xD036;
constexpr quint16 kVideoFileFormat = 0xD03F;
constexpr quint16 kExposCompensStepSize = 0xD040;
constexpr quint16 kAutoFocusLimit = 0xD04E;
constexpr quint16 kPhotoAspectRatio = 0xD04F;
constexpr quint16 kSensorFormat = 0xD050;
constexpr quint16 kExposTimeBulbPreset = 0xD079;
constexpr quint16 kVideoFormatResol = 0xD082;
constexpr quint16 kExposureSimulation = 0xD115;
constexpr quint16 kAudioVolSpeaker = 0xD121;
constexpr quint16 kAudioVolHeadphone = 0xD122;
constexpr quint16 kAudioVolMicrophone = 0xD123;
constexpr quint16 kVideoResAndFrRate = 0xD125;
constexpr quint16 kMonochrome = 0xD13B;

// --- Vendor settings, written only ----------------------------------------------
// The camera takes shutter time and aperture under these codes and reports the
// value it settled on under kShutterTime and kAperture.
constexpr quint16 kShutterTimeSet = 0xD03B;
constexpr quint16 kApertureSet = 0xD03C;
// Written to switch the electronic shutter on; the camera never hands it out.
constexpr quint16 kElectronicShutter = 0xD080;

// --- Vendor state, read only ------------------------------------------------------
constexpr quint16 kAutoFocusLimitDistance = 0xD06F;
constexpr quint16 kBatteryLevelExtern = 0xD608;
constexpr quint16 kShutterTime = 0xD60C;
// Reported when the camera changed the shutter time by itself (no value of its own).
constexpr quint16 kShutterTimeChanged = 0xD60D;
constexpr quint16 kAperture = 0xD60E;
// Reported when the camera changed the aperture by itself (no value of its own).
constexpr quint16 kApertureChanged = 0xD60F;
constexpr quint16 kSensitivityASA = 0xD610;
constexpr quint16 kLightMeter = 0xD615;
constexpr quint16 kBatteryInfo = 0xD616;
constexpr quint16 kFlashStatus = 0xD618;
constexpr quint16 kFlashSyncStatus = 0xD619;
// Reported when a lens was mounted or taken off; the lens record is read anew.
constexpr quint16 kLens = 0xD620;
constexpr quint16 kFocusConfirmValue = 0xD621;
constexpr quint16 kFocusConfirmBadSignal = 0xD622;
constexpr quint16 kFocusConfirmEnabled = 0xD623;
constexpr quint16 kExposureTimeMax = 0xD625;
constexpr quint16 kPowerSwitch = 0xD626;
constexpr quint16 kSelfTimerRestTime = 0xD627;
constexpr quint16 kBulbModeTime = 0xD628;
constexpr quint16 kFocusDistance = 0xD62B;
// Listed by the cameras as a readable 32-bit property; nothing uses its value yet.
constexpr quint16 kUnnamedD632 = 0xD632;
constexpr quint16 kLensConnectionType = 0xD643;
constexpr quint16 kOrientation = 0xD65F;

} // namespace TVK_Commu_Prop
