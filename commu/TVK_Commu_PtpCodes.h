#pragma once

#include "TVK_Commu_PropertyCodes.h"

#include <QtGlobal>

// PTP operation, response and event codes the system uses. Standard codes carry
// their PTP names; the maker's vendor codes are named after what they do.
namespace TVK_Commu_Ptp {

// Standard PTP / MTP operations.
constexpr int kOpGetDeviceInfo = 0x1001;
constexpr int kOpGetObjectInfo = 0x1008;
constexpr int kOpGetObject = 0x1009;
constexpr int kOpGetThumb = 0x100A;
constexpr int kOpDeleteObject = 0x100B;
constexpr int kOpInitiateCapture = 0x100E;
constexpr int kOpGetDevicePropDesc = 0x1014;
constexpr int kOpGetDevicePropValue = 0x1015;
constexpr int kOpSetDevicePropValue = 0x1016;
constexpr int kOpGetPartialObject = 0x101B;
constexpr int kOpGetStreamInfo = 0x1024;
constexpr int kOpGetObjectPropsSupported = 0x9801;
constexpr int kOpGetObjectPropValue = 0x9803;

// Vendor operations.
constexpr int kOpSetCameraSettings = 0x9001;
constexpr int kOpGetCameraSettings = 0x9002;
constexpr int kOpGetLensData = 0x9003;
constexpr int kOpRelease = 0x9004;
constexpr int kOpOpenVXSession = 0x9005;
constexpr int kOpCloseVXSession = 0x9006;
constexpr int kOpTransferObjectReady = 0x9007;
constexpr int kOpGetGeotackingData = 0x9008;
constexpr int kOpControlAutoFocus = 0x9016;
constexpr int kOpControlBulbExposure = 0x9019;
constexpr int kOpControlContinuousExposure = 0x901A;
constexpr int kOpControlVideoRecording = 0x901B;
constexpr int kOpControlPhotoLiveView = 0x901C;
constexpr int kOpKeepCameraActive = 0x901D;
constexpr int kOpMoveLens = 0x901E;
constexpr int kOpGet3DAxisData = 0x9020;
constexpr int kOpToggleZoomMode = 0x9021;
constexpr int kOpSetFocusCrossPosition = 0x9022;
constexpr int kOpControlLVWhiteBalance = 0x9023;
constexpr int kOpGetStreamData = 0x9025;

// The vendor session is opened and closed with this magic parameter.
constexpr quint32 kVXSessionParameter = 0xFF55;

// Response codes.
constexpr int kRespOK = 0x2001;
constexpr int kRespGeneralError = 0x2002;
constexpr int kRespOperationNotSupported = 0x2005;
constexpr int kRespDeviceBusy = 0x2019;
constexpr int kRespInvalidDevicePropValue = 0x201C;

// Vendor events.
constexpr int kVXCameraSettingsChanged = 0xC000;
constexpr int kVXLensChanged = 0xC002;
constexpr int kVXBulbTick = 0xC006;
constexpr int kVXSelfTimerTick = 0xC007;
constexpr int kVXGeoTackingStatusChanged = 0xC008;
constexpr int kVXDevicePropChanged = 0xC00A;
constexpr int kVX3DAxisDataChanged = 0xC00C;

// Device properties with a meaning in the access layer itself; the codes are
// named in TVK_Commu_PropertyCodes.h.
constexpr quint16 kPropFocusMode = TVK_Commu_Prop::kFocusMode;
constexpr quint16 kPropStillCaptureMode = TVK_Commu_Prop::kStillCaptureMode;
constexpr quint16 kPropLens = TVK_Commu_Prop::kLens;

// Connection types.
constexpr int kConnectionUSB = 1;
constexpr int kConnectionWLAN = 2;
constexpr int kConnectionSimulated = 256;

} // namespace TVK_Commu_Ptp
