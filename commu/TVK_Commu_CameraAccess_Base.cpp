#include "TVK_Commu_CameraAccess_Base.h"

#include "TVK_Commu_DataReader.h"
#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Commu_DevicePropertyTable.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QMetaMethod>
#include <QTimer>
#include <QtEndian>

#include <cstring>
#include <mutex>
#include <vector>

using namespace TVK_Commu_Ptp;

namespace {

constexpr unsigned kDevicePropDescBufferSize = 1024;
// A 32-bit count and at most 100 16-bit codes.
constexpr unsigned kObjectPropsBufferSize = 204;
constexpr quint32 kMaxObjectProps = 100;
constexpr int kDevicePropertyTimerMs = 100;
// Standard object-store operations. Not among the shared codes, where the
// emulator's own copies of the same names would meet them.
constexpr int kOpGetStorageIDs = 0x1004;
constexpr int kOpGetObjectHandles = 0x1007;

} // namespace

TVK_Commu_CameraAccess_Base::TVK_Commu_CameraAccess_Base(int connectionType, QObject *parent)
    : QObject(parent)
    , m_connectionType(connectionType)
    , m_devicePropertyTimer(new QTimer(this))
{
    // Queued, so that a tick always runs as an event of the owning thread.
    connect(m_devicePropertyTimer, &QTimer::timeout, this,
            &TVK_Commu_CameraAccess_Base::timeoutDevicePropertyChanged, Qt::QueuedConnection);
    m_devicePropertyTimer->start(kDevicePropertyTimerMs);
}

TVK_Commu_CameraAccess_Base::~TVK_Commu_CameraAccess_Base() = default;

void TVK_Commu_CameraAccess_Base::initCapabilityFlags()
{
    using Traits = TVK_Commu_ProductTraits;
    const Traits &product = Traits::of(productId());
    m_supportsStillCaptureMode7 =
        product.has(Traits::kLEStillCaptureMode7) && supportsDevicePropValue(kPropStillCaptureMode, 7);
    m_supportsStillCaptureMode5 =
        product.has(Traits::kLEStillCaptureMode5) && supportsDevicePropValue(kPropStillCaptureMode, 5);
}

void TVK_Commu_CameraAccess_Base::storeReceivedData(void *buffer, unsigned bufferSize, const void *data,
                                                    size_t size)
{
    if (buffer == nullptr || bufferSize == 0)
        return;
    std::memset(buffer, 0, bufferSize);
    const size_t copied = size < bufferSize ? size : bufferSize;
    if (copied > 0 && data != nullptr)
        std::memcpy(buffer, data, copied);
}

// --- Standard operations ------------------------------------------------------

bool TVK_Commu_CameraAccess_Base::getDeviceInfo(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGetDeviceInfo, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getStorageIDs(void *buffer, unsigned size, const char *caller)
{
    debugLog(kLELogCommand, "%s - GetStorageIDs dataSize 0x%08X", caller, size);
    return recvData(kOpGetStorageIDs, 0, nullptr, buffer, size, caller);
}

bool TVK_Commu_CameraAccess_Base::getObjectHandles(void *buffer, unsigned size, quint32 storageId, const char *caller)
{
    debugLog(kLELogCommand, "%s - GetObjectHandles dataSize 0x%08X", caller, size);
    const quint32 params[] = {storageId};
    return recvData(kOpGetObjectHandles, 1, params, buffer, size, caller);
}

bool TVK_Commu_CameraAccess_Base::getObjectInfo(void *buffer, unsigned size, int thumbType, quint32 objectHandle)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X thumbType %d objectHandle 0x%08X", prefix, size, thumbType,
             objectHandle);
    const quint32 params[] = {objectHandle, quint32(thumbType)};
    return recvData(kOpGetObjectInfo, 2, params, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getObject(void *buffer, unsigned size, quint32 objectHandle, quint64 *received)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X objectHandle 0x%08X", prefix, size, objectHandle);
    const quint32 params[] = {objectHandle};
    return recvData(kOpGetObject, 1, params, buffer, size, prefix, received);
}

bool TVK_Commu_CameraAccess_Base::getThumbnail(void *buffer, unsigned size, int thumbType, quint32 objectHandle)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X thumbType %d objectHandle 0x%08X", prefix, size, thumbType,
             objectHandle);
    const quint32 params[] = {objectHandle, quint32(thumbType)};
    return recvData(kOpGetThumb, 2, params, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::deleteObject(quint32 objectHandle)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - objectHandle 0x%08X", prefix, objectHandle);
    const quint32 params[] = {objectHandle};
    return sendCommand(kOpDeleteObject, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::initiateCapture()
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s", prefix);
    return sendCommand(kOpInitiateCapture, 0, nullptr, prefix);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropDesc(int propertyCode, void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - propertyCode 0x%08X dataSize 0x%08X", prefix, propertyCode, size);
    const quint32 params[] = {quint32(propertyCode)};
    return recvData(kOpGetDevicePropDesc, 1, params, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - propertyCode 0x%08X dataSize 0x%08X", prefix, propertyCode, size);
    const quint32 params[] = {quint32(propertyCode)};
    const bool ok = recvData(kOpGetDevicePropValue, 1, params, buffer, size, prefix);
    if (ok)
        noteFocusMode(propertyCode, buffer, size);
    return ok;
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, const void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - propertyCode 0x%08X dataSize 0x%08X", prefix, propertyCode, size);
    const quint32 params[] = {quint32(propertyCode)};
    const bool ok = sendData(kOpSetDevicePropValue, 1, params, buffer, size, prefix);
    if (ok)
        noteFocusMode(propertyCode, buffer, size);
    return ok;
}

bool TVK_Commu_CameraAccess_Base::getPartialObject(void *buffer, unsigned size, quint32 offset,
                                                   quint32 objectHandle, quint64 *received)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X offset 0x%08X objectHandle 0x%08X", prefix, size, offset,
             objectHandle);
    // The byte count asked for is the buffer size.
    const quint32 params[] = {objectHandle, offset, size};
    return recvData(kOpGetPartialObject, 3, params, buffer, size, prefix, received);
}

bool TVK_Commu_CameraAccess_Base::recvDataToSink(int operationCode, int, const quint32 *, TVK_Commu_DataSink *,
                                                 const char *caller, quint64 *received)
{
    TVK_METHOD(prefix);
    if (received)
        *received = 0;
    debugLog(kLELogAlways, "%s - Error: operation 0x%04X: this transport cannot stream a data phase",
             caller ? caller : prefix, unsigned(operationCode));
    return false;
}

bool TVK_Commu_CameraAccess_Base::hasSink(const TVK_Commu_DataSink *sink, int operationCode, const char *who,
                                          quint64 *received)
{
    if (sink != nullptr)
        return true;
    if (received)
        *received = 0;
    debugLog(kLELogAlways, "%s - Error: operation 0x%04X without a receiver for its data", who,
             unsigned(operationCode));
    return false;
}

bool TVK_Commu_CameraAccess_Base::streamObject(TVK_Commu_DataSink *sink, quint32 objectHandle, quint64 *received)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - objectHandle 0x%08X", prefix, objectHandle);
    const quint32 params[] = {objectHandle};
    return recvDataToSink(kOpGetObject, 1, params, sink, prefix, received);
}

bool TVK_Commu_CameraAccess_Base::streamPartialObject(TVK_Commu_DataSink *sink, quint32 objectHandle,
                                                      quint32 offset, quint32 maxBytes, quint64 *received)
{
    TVK_METHOD(prefix);
    if (received)
        *received = 0;
    if (!supportsOperation(kOpGetPartialObject)) {
        debugLog(kLELogAlways, "%s - Error: the camera does not list GetPartialObject", prefix);
        return false;
    }
    debugLog(kLELogCommand, "%s - objectHandle 0x%08X offset 0x%08X maxBytes 0x%08X", prefix, objectHandle, offset,
             maxBytes);
    const quint32 params[] = {objectHandle, offset, maxBytes};
    return recvDataToSink(kOpGetPartialObject, 3, params, sink, prefix, received);
}

void TVK_Commu_CameraAccess_Base::setSupportedOperations(const QVector<quint16> &codes)
{
    const std::lock_guard<std::mutex> locker(m_operationsMutex);
    m_operationsKnown = true;
    m_operations = codes;
}

bool TVK_Commu_CameraAccess_Base::supportsOperation(int operationCode) const
{
    const std::lock_guard<std::mutex> locker(m_operationsMutex);
    return !m_operationsKnown || m_operations.contains(quint16(operationCode));
}

bool TVK_Commu_CameraAccess_Base::getStreamInfo(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    // Parameter 0: the camera has a single stream.
    const quint32 params[] = {0};
    return recvData(kOpGetStreamInfo, 1, params, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getObjectPropsSupported(void *buffer, unsigned size, int objectFormatCode)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X objectFormatCode 0x%08X", prefix, size, objectFormatCode);
    const quint32 params[] = {quint32(objectFormatCode)};
    return recvData(kOpGetObjectPropsSupported, 1, params, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getObjectPropValue(void *buffer, unsigned size, int propertyCode,
                                                     quint32 objectHandle)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X propertyCode 0x%08X objectHandle 0x%08X", prefix, size,
             propertyCode, objectHandle);
    const quint32 params[] = {objectHandle, quint32(propertyCode)};
    return recvData(kOpGetObjectPropValue, 2, params, buffer, size, prefix);
}

// --- Vendor operations ----------------------------------------------------------

bool TVK_Commu_CameraAccess_Base::setCameraSettings(const void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return sendData(kOpSetCameraSettings, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getCameraSettings(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGetCameraSettings, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::getLensData(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGetLensData, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::transferObjectReady()
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s", prefix);
    return sendCommand(kOpTransferObjectReady, 0, nullptr, prefix);
}

bool TVK_Commu_CameraAccess_Base::getGeotackingData(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGetGeotackingData, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlAutoFocus(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlAutoFocus, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlAutoFocus(int command, int mode)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d mode %d", prefix, command, mode);
    const quint32 params[] = {quint32(command), quint32(mode)};
    return sendCommand(kOpControlAutoFocus, 2, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlBulbExposure(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlBulbExposure, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlContinuousExposure(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlContinuousExposure, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlVideoRecording(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlVideoRecording, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlPhotoLiveView(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlPhotoLiveView, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::keepCameraActive()
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s", prefix);
    return sendCommand(kOpKeepCameraActive, 0, nullptr, prefix);
}

bool TVK_Commu_CameraAccess_Base::moveLens(int command, int value)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d value %d", prefix, command, value);
    const quint32 params[] = {quint32(command), quint32(value)};
    return sendCommand(kOpMoveLens, 2, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::get3DAxisData(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGet3DAxisData, 0, nullptr, buffer, size, prefix);
}

bool TVK_Commu_CameraAccess_Base::toggleZoomMode()
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s", prefix);
    const quint32 params[] = {1};
    return sendCommand(kOpToggleZoomMode, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::setFocusCrossPosition(int positionX, int positionY)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - positionX %d positionY %d", prefix, positionX, positionY);
    const quint32 params[] = {quint32(positionX), quint32(positionY)};
    return sendCommand(kOpSetFocusCrossPosition, 2, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::controlLVWhiteBalance(int command)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - command %d", prefix, command);
    const quint32 params[] = {quint32(command)};
    return sendCommand(kOpControlLVWhiteBalance, 1, params, prefix);
}

bool TVK_Commu_CameraAccess_Base::getStreamData(void *buffer, unsigned size)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - dataSize 0x%08X", prefix, size);
    return recvData(kOpGetStreamData, 0, nullptr, buffer, size, prefix);
}

// --- Release stages ------------------------------------------------------------------

namespace {

enum eLEReleaseStage : quint32 {
    kLEStageRelease = 0,
    kLEStageAutoFocusOn = 1,
    kLEStageAutoFocusOff = 2,
    kLEStageBulbStart = 7,
    kLEStageBulbEnd = 8,
    kLEStageLensStepNear = 9,
    kLEStageLensStepFar = 10,
    kLEStageLensPosition = 11,
    kLEStageContinuousStart = 12,
    kLEStageContinuousEnd = 13,
    kLEStageKeepAlive = 14,
    kLEStageVideoStart = 15,
    kLEStageVideoStop = 16,
    kLEStageLiveViewOn = 17,
    kLEStageLiveViewOff = 18,
    kLEStageToggleZoom = 20,
    kLEStageFocusCross = 21,
    kLEStageLiveViewWhiteBalance = 22
};

// Stages that carry one parameter after the stage number.
bool stageTakesParameter(quint32 stage)
{
    switch (stage) {
    case kLEStageLensStepNear:
    case kLEStageLensStepFar:
    case kLEStageLensPosition:
    case kLEStageLiveViewOn:
    case kLEStageLiveViewOff:
    case kLEStageLiveViewWhiteBalance:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TVK_Commu_CameraAccess_Base::hasNativeRelease(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLENativeRelease);
}

bool TVK_Commu_CameraAccess_Base::releaseCam(unsigned releaseStage, int param)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - release start - releaseStage %d - param %d", prefix, int(releaseStage), param);
    const quint32 params[] = {releaseStage, quint32(param)};
    return releaseCamImpl(stageTakesParameter(releaseStage) ? 2 : 1, params);
}

bool TVK_Commu_CameraAccess_Base::releaseCam(unsigned releaseStage, int param1, int param2)
{
    TVK_METHOD(prefix);
    debugLog(kLELogCommand, "%s - release start - releaseStage %d - param1 %d - param2 %d", prefix,
             int(releaseStage), param1, param2);
    const quint32 params[] = {releaseStage, quint32(param1), quint32(param2)};
    return releaseCamImpl(3, params);
}

bool TVK_Commu_CameraAccess_Base::releaseCamImpl(int numParams, const quint32 *params)
{
    TVK_METHOD(prefix);
    if (hasNativeRelease(productId()))
        return sendCommand(kOpRelease, numParams, params, prefix);

    if (numParams <= 0 || params == nullptr) {
        debugLog(kLELogAlways, "%s - Error: no input parameters", prefix);
        return false;
    }
    const quint32 stage = params[0];
    if (stageTakesParameter(stage) && numParams < 2) {
        debugLog(kLELogAlways, "%s - Error: missing additional parameter for releaseStage %d", prefix, int(stage));
        return false;
    }
    if (stage == kLEStageFocusCross && numParams < 3) {
        debugLog(kLELogAlways, "%s - Error: missing additional parameters for releaseStage %d", prefix, int(stage));
        return false;
    }
    const int param1 = numParams >= 2 ? int(params[1]) : 0;

    switch (stage) {
    case kLEStageRelease:
        return initiateCapture();
    case kLEStageAutoFocusOn: {
        // The old operation wants an autofocus mode that follows the focus mode:
        // single (0) focuses once (2), continuous (1) keeps focusing (1),
        // manual (2) only drives to the point (0), intelligent (5) stays 5.
        const int focus = focusMode();
        switch (focus) {
        case 0:
            return controlAutoFocus(0, 2);
        case 1:
            return controlAutoFocus(0, 1);
        case 2:
            return controlAutoFocus(0, 0);
        case 5:
            return controlAutoFocus(0, 5);
        default:
            debugLog(kLELogAlways, "%s - Error: unknown focusMode %d", prefix, focus);
            return false;
        }
    }
    case kLEStageAutoFocusOff:
        return controlAutoFocus(1);
    case kLEStageBulbStart:
        return controlBulbExposure(0);
    case kLEStageBulbEnd:
        return controlBulbExposure(1);
    case kLEStageLensStepNear:
        return moveLens(1, param1);
    case kLEStageLensStepFar:
        return moveLens(0, param1);
    case kLEStageLensPosition:
        return moveLens(2, param1);
    case kLEStageContinuousStart:
        return controlContinuousExposure(0);
    case kLEStageContinuousEnd:
        return controlContinuousExposure(1);
    case kLEStageKeepAlive:
        return keepCameraActive();
    case kLEStageVideoStart:
        return controlVideoRecording(0);
    case kLEStageVideoStop:
        return controlVideoRecording(1);
    case kLEStageLiveViewOn:
    case kLEStageLiveViewOff: {
        const bool on = stage == kLEStageLiveViewOn;
        if (param1 == 0)
            return controlPhotoLiveView(on ? 0 : 1);
        if (param1 == 1)
            return controlVideoRecording(on ? 2 : 3);
        debugLog(kLELogAlways, "%s - Error: unknown additional parameter %d for releaseStage %d", prefix, param1,
                 int(stage));
        return false;
    }
    case kLEStageToggleZoom:
        return toggleZoomMode();
    case kLEStageFocusCross:
        return setFocusCrossPosition(param1, int(params[2]));
    case kLEStageLiveViewWhiteBalance:
        if (params[1] >= 4) {
            debugLog(kLELogAlways, "%s - Error: unknown additional parameter %d for releaseStage %d", prefix,
                     param1, int(stage));
            return false;
        }
        return controlLVWhiteBalance(param1);
    default:
        debugLog(kLELogAlways, "%s - Error: unknown releaseStage %d", prefix, int(stage));
        return false;
    }
}

// --- Camera events ------------------------------------------------------------------------

namespace {

// Products that report lens, bulb and self-timer through events of their own;
// the others report them as property changes.
bool reportsTickEvents(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLETickEvents);
}

const char *vendorEventName(int code)
{
    switch (code) {
    case kVXCameraSettingsChanged:
        return "kVXCameraSettingsChanged";
    case kVXLensChanged:
        return "kVXLensChanged";
    case kVXBulbTick:
        return "kVXBulbTick";
    case kVXSelfTimerTick:
        return "kVXSelfTimerTick";
    case kVXGeoTackingStatusChanged:
        return "kVXGeoTackingStatusChanged";
    case kVXDevicePropChanged:
        return "kVXDevicePropChanged";
    case kVX3DAxisDataChanged:
        return "kVX3DAxisDataChanged";
    default:
        return nullptr;
    }
}

// The events of the PTP standard. The cameras raise some of them besides
// their own (ObjectAdded for each new picture); nothing here needs them, but
// they are named so that the log does not take them for a fault.
const char *standardEventName(int code)
{
    static const char *const names[] = {
        "CancelTransaction", "ObjectAdded",         "ObjectRemoved",    "StoreAdded",
        "StoreRemoved",      "DevicePropChanged",   "ObjectInfoChanged", "DeviceInfoChanged",
        "RequestObjectTransfer", "StoreFull",       "DeviceReset",      "StorageInfoChanged",
        "CaptureComplete",   "UnreportedStatus"};
    const int index = code - 0x4001;
    return index >= 0 && index < int(sizeof names / sizeof names[0]) ? names[index] : nullptr;
}

} // namespace

void TVK_Commu_CameraAccess_Base::handleCameraEvent(const CameraEvent &event)
{
    TVK_METHOD(prefix);
    // Runs in the event thread; what it emits is received in the access's thread.
    TVK_Platform_ThreadCheck::handOverTo(this);
    switch (event.kind) {
    case kLEDeviceRemoved:
        debugLog(kLELogCommand, "%s - event is WPD_EVENT_DEVICE_REMOVED", prefix);
        deviceRemoved();
        return;
    case kLEObjectTransferRequested:
        debugLog(kLELogCommand, "%s - event is WPD_EVENT_OBJECT_TRANSFER_REQUESTED", prefix);
        if (!event.objectName.isEmpty())
            debugLog(kLELogCommand, "%s - event is WPD_EVENT_OBJECT_TRANSFER_REQUESTED with name %s", prefix,
                     event.objectName.toUtf8().constData());
        // Kept until somebody listens; exchange() lets a listener connecting
        // at this moment and this call send it only once between them.
        m_unheardTransferHandle.store(event.hasParameter ? event.parameter : 0);
        m_unheardTransferRequest.store(true);
        if (isSignalConnected(QMetaMethod::fromSignal(&TVK_Commu_CameraAccess_Base::signalTransferRequest))
            && m_unheardTransferRequest.exchange(false))
            Q_EMIT signalTransferRequest(m_unheardTransferHandle.load());
        return;
    case kLEVendorEvent:
        break;
    }

    const int code = event.code & 0xFFFF;
    if (const char *standard = standardEventName(code)) {
        if (event.hasParameter)
            debugLog(kLELogCommand, "%s - event 0x%04X is %s 0x%08X", prefix, code, standard, event.parameter);
        else
            debugLog(kLELogCommand, "%s - event 0x%04X is %s", prefix, code, standard);
        return;
    }
    const char *name = vendorEventName(code);
    debugLog(kLELogCommand, "%s - event 0x%04X is %s", prefix, code, name ? name : "unknown");
    if (name == nullptr)
        return;

    const bool needsParameter = code == kVXBulbTick || code == kVXSelfTimerTick || code == kVXDevicePropChanged;
    if (needsParameter && !event.hasParameter) {
        // The transport could not read the parameter: nothing to report.
        debugLog(kLELogAlways, "%s - Error: event 0x%04X came without its parameter", prefix, code);
        return;
    }
    const int product = productId();
    switch (code) {
    case kVXCameraSettingsChanged:
        Q_EMIT signalSettingsChanged();
        break;
    case kVXLensChanged:
        if (reportsTickEvents(product))
            Q_EMIT signalLensChanged();
        break;
    case kVXBulbTick:
        if (reportsTickEvents(product))
            Q_EMIT signalBulbCounter(int(event.parameter));
        break;
    case kVXSelfTimerTick:
        if (reportsTickEvents(product))
            Q_EMIT signalSelfTimerCounter(int(event.parameter));
        break;
    case kVXGeoTackingStatusChanged:
        Q_EMIT signalGeotackingChanged();
        break;
    case kVXDevicePropChanged:
        queueChangedProperty(quint16(event.parameter & 0xFFFF));
        break;
    case kVX3DAxisDataChanged:
        Q_EMIT signal3DAxisDataChanged();
        break;
    default:
        break;
    }
}

void TVK_Commu_CameraAccess_Base::deviceRemoved()
{
    // A request of the session that ended names nothing in the next one.
    m_unheardTransferRequest.store(false);
    // exchange() makes a removal reported twice (or from two threads) close once.
    if (m_productId.exchange(0) != 0)
        Q_EMIT signalConnectionClosed(m_connectionType);
}

void TVK_Commu_CameraAccess_Base::connectNotify(const QMetaMethod &signal)
{
    TVK_METHOD(prefix);
    if (signal != QMetaMethod::fromSignal(&TVK_Commu_CameraAccess_Base::signalTransferRequest)
        || !m_unheardTransferRequest.exchange(false))
        return;
    debugLog(kLELogCommand, "%s - transfer request that came before any listener", prefix);
    Q_EMIT signalTransferRequest(m_unheardTransferHandle.load());
}

// --- Typed device-property accessors ------------------------------------------

void TVK_Commu_CameraAccess_Base::noteFocusMode(int propertyCode, const void *buffer, unsigned size)
{
    if (propertyCode == kPropFocusMode && buffer != nullptr && size >= 2)
        m_focusMode.store(qFromLittleEndian<qint16>(buffer));
}

bool TVK_Commu_CameraAccess_Base::readTypedProperty(int propertyCode, unsigned width, bool isSigned,
                                                    qint64 *value)
{
    // Logged as the public accessor the caller used.
    const char *const prefix = "TVK_Commu_CameraAccess_Base::getDevicePropValue()";
    const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(propertyCode);
    if (entry == nullptr || !entry->readable || entry->width != width) {
        debugLog(kLELogAlways, "%s - Error: property 0x%04X cannot be read with %u bytes", prefix, propertyCode,
                 width);
        return false;
    }
    unsigned char bytes[4] = {};
    if (!getDevicePropValue(propertyCode, bytes, width))
        return false;
    switch (width) {
    case 1:
        *value = isSigned ? qint64(qint8(bytes[0])) : qint64(bytes[0]);
        break;
    case 2:
        *value = isSigned ? qint64(qFromLittleEndian<qint16>(bytes)) : qint64(qFromLittleEndian<quint16>(bytes));
        break;
    default:
        *value = isSigned ? qint64(qFromLittleEndian<qint32>(bytes)) : qint64(qFromLittleEndian<quint32>(bytes));
        break;
    }
    return true;
}

bool TVK_Commu_CameraAccess_Base::writeTypedProperty(int propertyCode, unsigned width, qint64 value)
{
    const char *const prefix = "TVK_Commu_CameraAccess_Base::setDevicePropValue()";
    const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(propertyCode);
    if (entry == nullptr || !entry->writable || entry->width != width) {
        debugLog(kLELogAlways, "%s - Error: property 0x%04X cannot be written with %u bytes", prefix,
                 propertyCode, width);
        return false;
    }
    unsigned char bytes[4] = {};
    qToLittleEndian<quint32>(quint32(value), bytes);
    return setDevicePropValue(propertyCode, static_cast<const void *>(bytes), width);
}

namespace {

// The value is only touched when the read worked.
template <typename T>
bool readInto(bool ok, const qint64 &raw, T &value)
{
    if (ok)
        value = T(raw);
    return ok;
}

} // namespace

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, quint8 &value)
{
    qint64 raw = 0;
    const bool ok = readTypedProperty(propertyCode, 1, false, &raw);
    return readInto(ok, raw, value);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, quint16 &value)
{
    qint64 raw = 0;
    const bool ok = readTypedProperty(propertyCode, 2, false, &raw);
    return readInto(ok, raw, value);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, qint16 &value)
{
    qint64 raw = 0;
    const bool ok = readTypedProperty(propertyCode, 2, true, &raw);
    return readInto(ok, raw, value);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, quint32 &value)
{
    qint64 raw = 0;
    const bool ok = readTypedProperty(propertyCode, 4, false, &raw);
    return readInto(ok, raw, value);
}

bool TVK_Commu_CameraAccess_Base::getDevicePropValue(int propertyCode, qint32 &value)
{
    qint64 raw = 0;
    const bool ok = readTypedProperty(propertyCode, 4, true, &raw);
    return readInto(ok, raw, value);
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, quint8 value)
{
    return writeTypedProperty(propertyCode, 1, value);
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, quint16 value)
{
    return writeTypedProperty(propertyCode, 2, value);
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, qint16 value)
{
    return writeTypedProperty(propertyCode, 2, value);
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, quint32 value)
{
    return writeTypedProperty(propertyCode, 4, value);
}

bool TVK_Commu_CameraAccess_Base::setDevicePropValue(int propertyCode, qint32 value)
{
    return writeTypedProperty(propertyCode, 4, value);
}

// --- Capability queries -----------------------------------------------------------

bool TVK_Commu_CameraAccess_Base::supportsDevicePropValue(int propertyCode, int value)
{
    TVK_METHOD(prefix);
    std::vector<unsigned char> buffer(kDevicePropDescBufferSize, 0);
    if (!getDevicePropDesc(propertyCode, buffer.data(), kDevicePropDescBufferSize))
        return false;

    TVK_Commu_DevicePropDesc desc;
    switch (desc.parse(buffer.data(), buffer.size())) {
    case TVK_Commu_DevicePropDesc::kLEParsed:
        break;
    case TVK_Commu_DevicePropDesc::kLEUnknownDataType:
        debugLog(kLELogAlways, "%s - Device Property Desc: unknown dataType 0x%04X", prefix, desc.dataType());
        return false;
    case TVK_Commu_DevicePropDesc::kLEUnknownFormFlag:
        debugLog(kLELogAlways, "%s - Device Property Desc: unknown formFlag 0x%02X with dataType 0x%04X", prefix,
                 desc.formFlag(), desc.dataType());
        return false;
    case TVK_Commu_DevicePropDesc::kLEEnumerationCut:
        // The values that fit are the camera's own; refusing them all would
        // turn off features the camera has. A value beyond the cut counts as
        // not allowed.
        debugLog(kLELogAlways,
                 "%s - Device Property Desc: enumeration of property 0x%04X does not fit in %u bytes, "
                 "searching the first %d of %u values",
                 prefix, propertyCode, kDevicePropDescBufferSize, desc.enumeration().size(),
                 unsigned(desc.enumerationCount()));
        break;
    case TVK_Commu_DevicePropDesc::kLETruncated:
        // A form whose own header was cut allows nothing. (The zero-filled
        // buffer is larger than any header, so a camera cannot cause this.)
        debugLog(kLELogAlways, "%s - Device Property Desc: dataset of property 0x%04X is cut short", prefix,
                 propertyCode);
        return false;
    }
    return desc.allows(value);
}

bool TVK_Commu_CameraAccess_Base::supportsObjectProp(int objectFormatCode, int objectPropCode)
{
    unsigned char buffer[kObjectPropsBufferSize] = {};
    if (!getObjectPropsSupported(buffer, sizeof buffer, objectFormatCode))
        return false;
    TVK_Commu_DataReader reader(buffer, sizeof buffer);
    const quint32 count = qMin(reader.u32(), kMaxObjectProps);
    for (quint32 i = 0; i < count; ++i) {
        if (reader.u16() == objectPropCode)
            return true;
    }
    return false;
}

// --- Property-change queue -----------------------------------------------------------

void TVK_Commu_CameraAccess_Base::queueChangedProperty(quint16 propertyCode)
{
    const std::lock_guard<std::mutex> locker(m_changedPropertiesMutex);
    if (!m_changedProperties.contains(propertyCode))
        m_changedProperties.append(propertyCode);
}

void TVK_Commu_CameraAccess_Base::timeoutDevicePropertyChanged()
{
    quint16 code = 0;
    {
        const std::lock_guard<std::mutex> locker(m_changedPropertiesMutex);
        if (m_changedProperties.isEmpty())
            return;
        code = m_changedProperties.takeFirst();
    }
    if (code == 0)
        return;
    if (code == kPropLens)
        Q_EMIT signalLensChanged();
    else
        Q_EMIT signalDevicePropertyChanged(code);
}
