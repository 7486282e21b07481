#include "TVK_Commu_CameraAccess_PtpSession.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"

#include <mutex>

using namespace TVK_Commu_Ptp;
using Engine = TVK_Commu_PtpTransactionEngine;

std::shared_ptr<TVK_Commu_PtpTransactionEngine> TVK_Commu_CameraAccess_PtpSession::currentEngine() const
{
    const std::lock_guard<std::mutex> locker(m_deviceMutex);
    return m_engine;
}

bool TVK_Commu_CameraAccess_PtpSession::transaction(const Engine::Request &request, const char *caller,
                                                    quint64 *received)
{
    TVK_METHOD(ownPrefix);
    if (received)
        *received = 0;
    const std::shared_ptr<Engine> engine = currentEngine();
    if (!engine)
        return false;
    const Engine::Outcome outcome = engine->transact(request, caller ? caller : ownPrefix, caller);
    // Only for the link still open: a transfer thread finishing on the engine
    // of a closed session must not close the next one.
    if (outcome.gone() && currentEngine() == engine)
        deviceRemoved();
    if (received && outcome.ok())
        *received = outcome.received;
    return outcome.ok();
}

bool TVK_Commu_CameraAccess_PtpSession::recvData(int operationCode, int numParams, const quint32 *params,
                                                 void *buffer, unsigned bufferSize, const char *caller,
                                                 quint64 *received)
{
    Engine::Request request;
    request.operationCode = operationCode;
    request.numParams = numParams;
    request.params = params;
    request.phase = Engine::kLEDataIn;
    request.bufferIn = buffer;
    request.sizeIn = bufferSize;
    return transaction(request, caller, received);
}

bool TVK_Commu_CameraAccess_PtpSession::recvDataToSink(int operationCode, int numParams, const quint32 *params,
                                                       TVK_Commu_DataSink *sink, const char *caller,
                                                       quint64 *received)
{
    TVK_METHOD(prefix);
    if (!hasSink(sink, operationCode, caller ? caller : prefix, received))
        return false;
    Engine::Request request;
    request.operationCode = operationCode;
    request.numParams = numParams;
    request.params = params;
    request.phase = Engine::kLEDataIn;
    request.sinkIn = sink;
    return transaction(request, caller, received);
}

bool TVK_Commu_CameraAccess_PtpSession::sendCommand(int operationCode, int numParams, const quint32 *params,
                                                    const char *caller)
{
    Engine::Request request;
    request.operationCode = operationCode;
    request.numParams = numParams;
    request.params = params;
    return transaction(request, caller);
}

bool TVK_Commu_CameraAccess_PtpSession::sendData(int operationCode, int numParams, const quint32 *params,
                                                 const void *buffer, unsigned size, const char *caller)
{
    Engine::Request request;
    request.operationCode = operationCode;
    request.numParams = numParams;
    request.params = params;
    request.phase = Engine::kLEDataOut;
    request.dataOut = buffer;
    request.sizeOut = size;
    return transaction(request, caller);
}

bool TVK_Commu_CameraAccess_PtpSession::openSession()
{
    TVK_METHOD(prefix);
    const std::shared_ptr<Engine> engine = currentEngine();
    if (!engine)
        return false;
    // OpenSession goes out with transaction id 0; the ids of the session count from 1.
    engine->beginSession();
    Engine::Request request;
    request.operationCode = kOpOpenSession;
    request.numParams = 1;
    request.params = &kSessionId;
    const Engine::Outcome outcome = engine->transact(request, prefix, nullptr);
    if (outcome.status != TVK_Commu_PtpFramingIF::kLEOk)
        return false;
    if (outcome.responseCode == kRespSessionAlreadyOpen) {
        // Left open by a program that ended without closing it: use it.
        debugLog(kLELogCommand, "%s - session was still open", prefix);
        return true;
    }
    return outcome.responseCode == kRespOK;
}

void TVK_Commu_CameraAccess_PtpSession::closeSession()
{
    sendCommand(kOpCloseSession, 0, nullptr, nullptr);
}

bool TVK_Commu_CameraAccess_PtpSession::openVXSession()
{
    TVK_METHOD(prefix);
    const std::shared_ptr<Engine> engine = currentEngine();
    if (!engine)
        return false;
    const quint32 params[] = {kVXSessionParameter};
    Engine::Request request;
    request.operationCode = kOpOpenVXSession;
    request.numParams = 1;
    request.params = params;
    return engine->transact(request, prefix, nullptr).status == TVK_Commu_PtpFramingIF::kLEOk;
}

void TVK_Commu_CameraAccess_PtpSession::closeVXSession()
{
    const quint32 params[] = {kVXSessionParameter};
    sendCommand(kOpCloseVXSession, 1, params, nullptr);
}

void TVK_Commu_CameraAccess_PtpSession::deliverEventContainer(const TVK_Commu_PtpContainer &container)
{
    TVK_METHOD(prefix);
    CameraEvent event;
    event.hasParameter = container.numParams >= 1;
    event.parameter = container.param(0);
    if (container.code == kEventRequestObjectTransfer) {
        debugLog(kLELogCommand, "%s - RequestObjectTransfer, object 0x%08X", prefix, event.parameter);
        event.kind = kLEObjectTransferRequested;
    } else {
        // The vendor codes become their signals; the base names the
        // standard ones and logs any other code as unknown.
        event.kind = kLEVendorEvent;
        event.code = container.code;
    }
    handleCameraEvent(event);
}

void TVK_Commu_CameraAccess_PtpSession::beginOpening()
{
    const std::lock_guard<std::mutex> locker(m_openMutex);
    m_opening = true;
    m_removedWhileOpening = false;
}

void TVK_Commu_CameraAccess_PtpSession::abandonOpening()
{
    const std::lock_guard<std::mutex> locker(m_openMutex);
    m_opening = false;
    m_removedWhileOpening = false;
}

void TVK_Commu_CameraAccess_PtpSession::announceOpened()
{
    Q_EMIT signalConnectionOpened(connectionType());
    bool removed = false;
    {
        const std::lock_guard<std::mutex> locker(m_openMutex);
        m_opening = false;
        removed = m_removedWhileOpening;
        m_removedWhileOpening = false;
    }
    // Lost between the last step and the announcement: closed after it.
    if (removed)
        closeDevice();
}

bool TVK_Commu_CameraAccess_PtpSession::isOpening() const
{
    const std::lock_guard<std::mutex> locker(m_openMutex);
    return m_opening;
}

bool TVK_Commu_CameraAccess_PtpSession::deferCloseWhileOpening()
{
    const std::lock_guard<std::mutex> locker(m_openMutex);
    if (!m_opening)
        return false;
    m_removedWhileOpening = true;
    return true;
}

bool TVK_Commu_CameraAccess_PtpSession::takeOpenDevice(const char *prefix)
{
    if (deferCloseWhileOpening())
        return false;
    const quint64 cameraId = m_cameraId.exchange(0);
    const int product = productId();
    if (cameraId == 0 && product == 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(cameraId),
             unsigned(product));
    return true;
}

void TVK_Commu_CameraAccess_PtpSession::startEventThread(std::function<void()> reader, const char *prefix)
{
    if (m_eventThread.joinable()) {
        debugLog(kLELogAlways, "%s - Already registered to receive device events", prefix);
        return;
    }
    m_stopEvents.store(false);
    m_eventThread = std::thread(std::move(reader));
    debugLog(kLELogCommand, "%s - Registered for device event notifications", prefix);
}

void TVK_Commu_CameraAccess_PtpSession::stopEventThread(const char *prefix)
{
    if (!m_eventThread.joinable())
        return;
    m_stopEvents.store(true);
    m_eventThread.join();
    debugLog(kLELogCommand, "%s - Unregistered for device event notifications", prefix);
}
