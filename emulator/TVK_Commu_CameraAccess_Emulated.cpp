#include "TVK_Commu_CameraAccess_Emulated.h"

#include "TVK_Commu_DataPhaseGuard.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"

#include <QThread>

#include <cstring>
#include <mutex>
#include <vector>

using namespace TVK_Commu_Ptp;

TVK_Commu_CameraAccess_Emulated::TVK_Commu_CameraAccess_Emulated(std::shared_ptr<TVK_Emulator_Camera> camera,
                                                                 QObject *parent)
    : TVK_Commu_CameraAccess_Base(kConnectionUSB, parent)
    , m_camera(std::move(camera))
{
}

TVK_Commu_CameraAccess_Emulated::~TVK_Commu_CameraAccess_Emulated()
{
    unregisterForEventNotifications();
}

QString TVK_Commu_CameraAccess_Emulated::deviceId() const
{
    return QStringLiteral("usb#vid_%1&pid_%2#emulated")
        .arg(kVendorId, 4, 16, QLatin1Char('0'))
        .arg(m_camera ? m_camera->productId() : 0, 4, 16, QLatin1Char('0'));
}

bool TVK_Commu_CameraAccess_Emulated::checkDeviceAvailable()
{
    TVK_METHOD(prefix);
    if (!m_camera || !m_camera->isAttached())
        return false;
    // Announced once per attachment, as a device appears once per plug-in.
    const int attachment = m_camera->attachment();
    if (attachment == m_announcedAttachment)
        return false;
    m_announcedAttachment = attachment;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(kVendorId),
             unsigned(m_camera->productId()));
    Q_EMIT signalDeviceAvailable(connectionType(), kVendorId, m_camera->productId(), deviceId());
    return true;
}

bool TVK_Commu_CameraAccess_Emulated::openConnection(quint64 cameraId, int productId, QString deviceIdentifier)
{
    TVK_METHOD(prefix);
    if (m_cameraId != 0 || this->productId() != 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(cameraId),
             unsigned(productId));
    m_cameraId = cameraId;
    m_deviceId = deviceIdentifier;
    setProductId(productId);

    m_deviceOpen = m_camera && m_camera->isAttached() && deviceIdentifier == deviceId();
    if (!m_deviceOpen) {
        // Like a device that vanished between announcement and open: the
        // session counts as open, but every transaction will fail.
        debugLog(kLELogAlways, "%s - Failed to Open the device, hr = 0x%X", prefix, 0x80070490u);
    } else {
        registerForEventNotifications();
        const quint32 session[] = {kVXSessionParameter};
        sendCommand(kOpOpenVXSession, 1, session, nullptr);
    }
    Q_EMIT signalConnectionOpened(connectionType());
    return true;
}

bool TVK_Commu_CameraAccess_Emulated::closeConnection()
{
    TVK_METHOD(prefix);
    if (m_cameraId == 0 || productId() == 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(m_cameraId.load()),
             unsigned(productId()));
    const quint32 session[] = {kVXSessionParameter};
    sendCommand(kOpCloseVXSession, 1, session, nullptr);
    closeDevice();
    return true;
}

void TVK_Commu_CameraAccess_Emulated::closeDevice()
{
    TVK_METHOD(prefix);
    unregisterForEventNotifications();
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(m_cameraId.load()),
             unsigned(productId()));
    m_deviceOpen = false;
    m_cameraId = 0;
    m_deviceId.clear();
    // The base forgets the product and reports the closed connection once.
    TVK_Commu_CameraAccess_Base::deviceRemoved();
}

void TVK_Commu_CameraAccess_Emulated::deviceRemoved()
{
    // Called on the camera's thread; the transaction mutex keeps it from
    // pulling the session away in the middle of a transaction's bookkeeping.
    const std::lock_guard<std::mutex> locker(m_transactionMutex);
    if (productId() == 0)
        return;
    m_deviceOpen = false;
    m_cameraId = 0;
    TVK_Commu_CameraAccess_Base::deviceRemoved();
}

void TVK_Commu_CameraAccess_Emulated::registerForEventNotifications()
{
    TVK_METHOD(prefix);
    if (m_registered) {
        debugLog(kLELogAlways, "%s - Already registered to receive device events", prefix);
        return;
    }
    m_camera->setEventHandler([this](const TVK_Commu_CameraAccess_Base::CameraEvent &event) {
        handleCameraEvent(event);
    });
    m_registered = true;
    debugLog(kLELogCommand, "%s - Registered for device event notifications", prefix);
}

void TVK_Commu_CameraAccess_Emulated::unregisterForEventNotifications()
{
    TVK_METHOD(prefix);
    if (!m_registered || !m_camera)
        return;
    // Returns only when no event of this access is being delivered any more.
    m_camera->setEventHandler(nullptr);
    m_registered = false;
    debugLog(kLELogCommand, "%s - Unregistered for device event notifications", prefix);
}

bool TVK_Commu_CameraAccess_Emulated::transaction(int operationCode, int numParams, const quint32 *params,
                                                  eLEPhase phase, const void *dataOut, unsigned sizeOut,
                                                  void *bufferIn, unsigned sizeIn, const char *caller,
                                                  quint64 *received, TVK_Commu_DataSink *sinkIn)
{
    TVK_METHOD(ownPrefix);
    const char *prefix = caller ? caller : ownPrefix;
    if (received)
        *received = 0;
    if (!m_deviceOpen || !m_camera)
        return false;

    QVector<quint32> parameters;
    for (int i = 0; params != nullptr && i < qBound(0, numParams, kMaxParams); ++i)
        parameters.append(params[i]);
    // Refused before anything is read: no operation takes that much, and a
    // size past INT_MAX would not even fit a byte array.
    if (phase == kLEDataOut && sizeOut > TVK_Emulator_Camera::kMaxDataOutBytes) {
        debugLog(kLELogAlways, "%s - data phase of %u bytes refused", prefix, sizeOut);
        return false;
    }
    // The caller's buffer itself, not a copy: it outlives the transaction,
    // and the camera copies what it keeps.
    const QByteArray out = phase == kLEDataOut && dataOut != nullptr
                               ? QByteArray::fromRawData(static_cast<const char *>(dataOut), int(sizeOut))
                               : QByteArray();
    const auto dataPhase = phase == kLEDataIn    ? TVK_Emulator_Transaction::kLEDataIn
                           : phase == kLEDataOut ? TVK_Emulator_Transaction::kLEDataOut
                                                 : TVK_Emulator_Transaction::kLENoData;

    const std::lock_guard<std::mutex> locker(m_transactionMutex);
    TVK_Emulator_Camera::Result result;
    // A busy camera is asked again, up to five more times, 100 ms apart.
    // The sink hears only of an answer the camera gives with OK, so a busy
    // camera asked again never hands it a second phase.
    bool streamed = true;
    const auto store = [&](const TVK_Emulator_Camera::Result &answer) {
        if (phase != kLEDataIn || !answer.transportOk || answer.responseCode != kRespOK)
            return;
        const TVK_Emulator_DataSource &data = answer.source;
        const quint64 size = quint64(data.size());
        if (sinkIn == nullptr) {
            // The caller's buffer takes what fits, the rest zeroed, as the
            // base's storeReceivedData does for bytes in hand.
            if (bufferIn != nullptr && sizeIn > 0) {
                const qint64 copied = data.read(0, static_cast<char *>(bufferIn), qint64(sizeIn));
                std::memset(static_cast<char *>(bufferIn) + copied, 0, size_t(qint64(sizeIn) - copied));
            }
            if (received)
                *received = size;
            return;
        }
        // Made piece by piece straight into the sink's own memory where it
        // offers some, else through one piece of ours: a picture of any size
        // costs no more than that.
        TVK_Commu_DataPhaseGuard guard(sinkIn, prefix);
        std::vector<unsigned char> piece;
        streamed = guard.begin(size);
        for (quint64 done = 0; streamed && done < size;) {
            const size_t bytes = size_t(qMin<quint64>(size - done, kPieceSize));
            unsigned char *into = guard.room(done, bytes);
            if (into == nullptr) {
                piece.resize(size_t(kPieceSize));
                into = piece.data();
            }
            data.read(qint64(done), reinterpret_cast<char *>(into), qint64(bytes));
            streamed = guard.write(into, bytes);
            done += bytes;
        }
        guard.end(streamed ? TVK_Commu_DataSink::kLEComplete : TVK_Commu_DataSink::kLEAbandoned);
        streamed = guard.whole();
        if (received && streamed)
            *received = guard.delivered();
    };
    for (int attempt = 0;; ++attempt) {
        result = m_camera->transactStreamed(operationCode, parameters, dataPhase, out, store);
        if (!result.transportOk || result.responseCode != kRespDeviceBusy || attempt == kBusyRetries)
            break;
        QThread::msleep(kBusyPauseMs);
    }
    if (!result.transportOk) {
        debugLog(kLELogAlways, "%s - Driver return code: 0x%08X", prefix, 0x8007048Fu);
        return false;
    }
    if (result.responseCode != kRespOK) {
        debugLog(kLELogAlways, "%s - MTP Response code: 0x%08X", prefix, unsigned(result.responseCode));
        return false;
    }
    if (!streamed)
        return false; // the guard said why
    if (caller)
        debugLog(kLELogCommand, "%s - successful", caller);
    return true;
}

bool TVK_Commu_CameraAccess_Emulated::recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                                               unsigned bufferSize, const char *caller, quint64 *received)
{
    return transaction(operationCode, numParams, params, kLEDataIn, nullptr, 0, buffer, bufferSize, caller,
                       received);
}

bool TVK_Commu_CameraAccess_Emulated::recvDataToSink(int operationCode, int numParams, const quint32 *params,
                                                     TVK_Commu_DataSink *sink, const char *caller,
                                                     quint64 *received)
{
    TVK_METHOD(prefix);
    if (!hasSink(sink, operationCode, caller ? caller : prefix, received))
        return false;
    return transaction(operationCode, numParams, params, kLEDataIn, nullptr, 0, nullptr, 0, caller, received, sink);
}

bool TVK_Commu_CameraAccess_Emulated::sendCommand(int operationCode, int numParams, const quint32 *params,
                                                  const char *caller)
{
    return transaction(operationCode, numParams, params, kLENoData, nullptr, 0, nullptr, 0, caller);
}

bool TVK_Commu_CameraAccess_Emulated::sendData(int operationCode, int numParams, const quint32 *params,
                                               const void *buffer, unsigned size, const char *caller)
{
    return transaction(operationCode, numParams, params, kLEDataOut, buffer, size, nullptr, 0, caller);
}
