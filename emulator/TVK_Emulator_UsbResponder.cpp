#include "TVK_Emulator_UsbResponder.h"

#include "TVK_Debug_Log.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QtEndian>

#include <mutex>

namespace {

// The container layout, as the camera's firmware would spell it.
constexpr int kHeaderBytes = 12;
constexpr int kMaxParams = 5;
constexpr quint16 kTypeCommand = 1;
constexpr quint16 kTypeData = 2;
constexpr quint16 kTypeResponse = 3;
constexpr quint16 kTypeEvent = 4;
constexpr int kRespOK = 0x2001;
constexpr int kRespGeneralError = 0x2002;
constexpr int kRespSessionNotOpen = 0x2003;
constexpr int kRespDeviceBusy = 0x2019;
constexpr int kRespSessionAlreadyOpen = 0x201E;
constexpr int kRespTransactionCancelled = 0x201F;
constexpr int kOpInitiateCapture = 0x100E;
constexpr quint32 kNoTransaction = 0xFFFFFFFFu;
// A data container whose length does not fit the 32-bit length field says
// so with all ones; the host then reads until the transfer ends.
constexpr quint32 kLengthUnknown = 0xFFFFFFFFu;

QByteArray container(quint16 type, int code, quint32 transactionId, const QVector<quint32> &params)
{
    // Assembled on the stack: written straight into a fresh QByteArray, an
    // optimising gcc takes the writes for ones into the shared empty array.
    const int count = qMin(params.size(), kMaxParams);
    const int size = kHeaderBytes + 4 * count;
    uchar out[kHeaderBytes + 4 * kMaxParams] = {};
    qToLittleEndian<quint32>(quint32(size), out);
    qToLittleEndian<quint16>(type, out + 4);
    qToLittleEndian<quint16>(quint16(code), out + 6);
    qToLittleEndian<quint32>(transactionId, out + 8);
    for (int i = 0; i < count; ++i)
        qToLittleEndian<quint32>(params.at(i), out + kHeaderBytes + 4 * i);
    return QByteArray(reinterpret_cast<const char *>(out), size);
}

} // namespace

TVK_Emulator_UsbResponder::TVK_Emulator_UsbResponder(std::shared_ptr<TVK_Emulator_Camera> camera,
                                                     std::shared_ptr<TVK_Emulator_UsbPipe> pipe)
    : m_camera(std::move(camera))
    , m_pipe(std::move(pipe))
    , m_packetSize(m_pipe->maxPacketSize())
{
    m_pipe->setDevice([this](const unsigned char *packet, size_t size) { receivePacket(packet, size); },
                      [this](quint32 transactionId) { cancel(transactionId); }, [this]() { return deviceStatus(); });
    m_pipe->setResetHandler([this]() { reset(); });
    if (m_camera)
        m_camera->setEventHandler([this](const TVK_Emulator_Camera::CameraEvent &event) { deliverEvent(event); });
}

TVK_Emulator_UsbResponder::~TVK_Emulator_UsbResponder()
{
    // Returns only when no event of the camera is being delivered here.
    if (m_camera)
        m_camera->setEventHandler(nullptr);
    m_pipe->setDevice(nullptr, nullptr, nullptr);
    m_pipe->setResetHandler(nullptr);
}

void TVK_Emulator_UsbResponder::setStaleResponses(int count)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_staleResponses = count;
}

void TVK_Emulator_UsbResponder::setSilentTransactions(int count)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_silentTransactions = count;
}

void TVK_Emulator_UsbResponder::setBusyAfterCancelMs(int ms)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_busyAfterCancelMs = ms;
}

void TVK_Emulator_UsbResponder::setLoopbackOperation(int operationCode, bool dataOut)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_loopbackDataOut.insert(operationCode, dataOut);
}

QVector<quint32> TVK_Emulator_UsbResponder::transactionIds() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return TVK_Platform_ThreadCheck::unshared(m_transactionIds);
}

QVector<int> TVK_Emulator_UsbResponder::operationCodes() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return TVK_Platform_ThreadCheck::unshared(m_operationCodes);
}

QByteArray TVK_Emulator_UsbResponder::lastDataOut() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return TVK_Platform_ThreadCheck::unshared(m_lastDataOut);
}

bool TVK_Emulator_UsbResponder::hasDataOut(int code)
{
    switch (code) {
    case 0x100C: // SendObjectInfo
    case 0x100D: // SendObject
    case 0x1016: // SetDevicePropValue
    case 0x9001: // the vendor settings block
        return true;
    default:
        return false;
    }
}

bool TVK_Emulator_UsbResponder::hasDataIn(int code)
{
    switch (code) {
    case 0x1001: case 0x1004: case 0x1005: case 0x1007: case 0x1008: case 0x1009: case 0x100A:
    case 0x1014: case 0x1015: case 0x101B: case 0x1024:
    case 0x9801: case 0x9802: case 0x9803:
    case 0x9002: case 0x9003: case 0x9008: case 0x9020: case 0x9025:
        return true;
    default:
        return false;
    }
}

void TVK_Emulator_UsbResponder::receivePacket(const unsigned char *packet, size_t size)
{
    if (size == 0) {
        // The zero-length packet after a container that filled its last
        // packet; one arriving mid-container ends it early.
        if (!m_incoming.isEmpty())
            handleContainer(m_incoming);
        m_incoming.clear();
        m_expected = 0;
        return;
    }
    if (m_incoming.isEmpty() && size >= size_t(kHeaderBytes)) {
        m_expected = qFromLittleEndian<quint32>(packet);
        if (m_expected >= quint32(kHeaderBytes) && m_expected < 0x7FFFFFFFu)
            m_incoming.reserve(int(m_expected));
    }
    m_incoming.append(reinterpret_cast<const char *>(packet), int(size));
    const bool shortPacket = size < size_t(m_packetSize);
    const bool complete = m_incoming.size() >= kHeaderBytes && quint32(m_incoming.size()) >= m_expected;
    if (complete && !shortPacket && m_incoming.size() % m_packetSize == 0) {
        // Whole once the zero-length packet has come; taking it now would
        // leave that packet for the next container.
        return;
    }
    if (complete || shortPacket) {
        const QByteArray whole = m_incoming;
        m_incoming.clear();
        m_expected = 0;
        handleContainer(whole);
    }
}

void TVK_Emulator_UsbResponder::cancel(quint32 transactionId)
{
    // Abandons whatever was being received; the host will start afresh.
    m_incoming.clear();
    m_expected = 0;
    m_commandPending = false;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_cancelling = true;
        m_cancelledAt = std::chrono::steady_clock::now();
    }
    debugLog(kLELogDummy, "TVK_Emulator_UsbResponder::cancel() - transaction 0x%08X", transactionId);
}

void TVK_Emulator_UsbResponder::reset()
{
    m_incoming.clear();
    m_expected = 0;
    m_commandPending = false;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_cancelling = false;
        m_captureTransaction = kNoTransaction;
    }
    m_sessionOpen.store(false);
    debugLog(kLELogDummy, "TVK_Emulator_UsbResponder::reset() - session closed by the host's Device Reset");
}

bool TVK_Emulator_UsbResponder::stillCancelling()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    if (m_cancelling && m_busyAfterCancelMs >= 0
        && std::chrono::steady_clock::now() - m_cancelledAt >= std::chrono::milliseconds(m_busyAfterCancelMs))
        m_cancelling = false;
    return m_cancelling;
}

quint16 TVK_Emulator_UsbResponder::deviceStatus()
{
    return quint16(stillCancelling() ? kRespDeviceBusy : kRespOK);
}

void TVK_Emulator_UsbResponder::handleContainer(const QByteArray &bytes)
{
    if (bytes.size() < kHeaderBytes) {
        debugLog(kLELogDummy, "TVK_Emulator_UsbResponder::handleContainer() - %d bytes dropped", int(bytes.size()));
        return;
    }
    const uchar *in = reinterpret_cast<const uchar *>(bytes.constData());
    const quint32 length = qMin<quint32>(qFromLittleEndian<quint32>(in), quint32(bytes.size()));
    const quint16 type = qFromLittleEndian<quint16>(in + 4);
    const int code = qFromLittleEndian<quint16>(in + 6);
    const quint32 transactionId = qFromLittleEndian<quint32>(in + 8);

    if (type == kTypeCommand) {
        QVector<quint32> params;
        for (quint32 offset = kHeaderBytes; offset + 4 <= length && params.size() < kMaxParams; offset += 4)
            params.append(qFromLittleEndian<quint32>(in + offset));
        {
            const std::lock_guard<std::mutex> locker(m_mutex);
            m_transactionIds.append(transactionId);
            m_operationCodes.append(code);
        }
        bool dataOut = hasDataOut(code);
        {
            const std::lock_guard<std::mutex> locker(m_mutex);
            dataOut = m_loopbackDataOut.value(code, dataOut);
        }
        if (dataOut) {
            m_commandPending = true;
            m_pendingCode = code;
            m_pendingTransaction = transactionId;
            m_pendingParams = params;
            return;
        }
        answer(code, transactionId, params, QByteArray());
        return;
    }
    if (type == kTypeData && m_commandPending && transactionId == m_pendingTransaction) {
        m_commandPending = false;
        answer(m_pendingCode, transactionId, m_pendingParams, bytes.mid(kHeaderBytes, int(length) - kHeaderBytes));
        return;
    }
    debugLog(kLELogDummy, "TVK_Emulator_UsbResponder::handleContainer() - unexpected container type %d code 0x%04X",
             type, code);
    sendResponse(kRespGeneralError, transactionId);
}

void TVK_Emulator_UsbResponder::answer(int code, quint32 transactionId, const QVector<quint32> &params,
                                       const QByteArray &dataOut)
{
    bool silent = false;
    bool loopback = false;
    bool loopbackOut = false;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_silentTransactions > 0) {
            --m_silentTransactions;
            silent = true;
        }
        loopback = m_loopbackDataOut.contains(code);
        loopbackOut = m_loopbackDataOut.value(code);
        if (!dataOut.isNull() || loopbackOut)
            m_lastDataOut = dataOut;
        if (loopback && loopbackOut)
            m_loopback = dataOut;
    }
    if (silent)
        return;
    if (stillCancelling()) {
        // Not yet done with the transaction it was told to abandon.
        m_transactionsWhileCancelling.fetch_add(1);
        sendResponse(kRespDeviceBusy, transactionId);
        return;
    }

    if (code == kOpOpenSession) {
        const bool wasOpen = m_sessionOpen.exchange(true);
        // OpenSession is the one transaction with id 0.
        sendResponse(wasOpen ? kRespSessionAlreadyOpen : transactionId == 0 ? kRespOK : kRespGeneralError,
                     transactionId);
        return;
    }
    if (code == kOpCloseSession) {
        sendResponse(m_sessionOpen.exchange(false) ? kRespOK : kRespSessionNotOpen, transactionId);
        return;
    }
    if (loopback) {
        if (loopbackOut) {
            sendResponse(kRespOK, transactionId);
        } else {
            QByteArray kept;
            {
                const std::lock_guard<std::mutex> locker(m_mutex);
                kept = m_loopback;
            }
            sendData(code, transactionId, TVK_Emulator_DataSource(kept));
            sendResponse(kRespOK, transactionId);
        }
        return;
    }
    if (!m_camera) {
        sendResponse(kRespGeneralError, transactionId);
        return;
    }
    const bool dataIn = hasDataIn(code);
    const auto phase = !dataOut.isNull() ? TVK_Emulator_Transaction::kLEDataOut
                       : dataIn          ? TVK_Emulator_Transaction::kLEDataIn
                                         : TVK_Emulator_Transaction::kLENoData;
    // The capture's events carry its transaction: taken before the camera
    // runs it, since the camera's thread may raise them before it returns.
    const bool capture = code == kOpInitiateCapture;
    if (capture)
        setCaptureTransaction(transactionId);
    const TVK_Emulator_Camera::Result result = m_camera->transactStreamed(code, params, phase, dataOut);
    if (!result.transportOk) {
        // The camera is gone: nothing more comes from it.
        m_pipe->unplug();
        return;
    }
    if (capture && result.responseCode != kRespOK)
        setCaptureTransaction(kNoTransaction);
    // Data only with success; a refusal or a busy camera answers with the
    // response alone, where the host expected the data.
    if (dataIn && result.responseCode == kRespOK)
        sendData(code, transactionId, result.source);
    sendResponse(result.responseCode, transactionId, result.responseParams);
}

void TVK_Emulator_UsbResponder::setCaptureTransaction(quint32 transactionId)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_captureTransaction = transactionId;
}

quint32 TVK_Emulator_UsbResponder::eventTransaction(int code)
{
    if (code != TVK_Emulator_Camera::kEventObjectAdded && code != TVK_Emulator_Camera::kEventCaptureComplete)
        return kNoTransaction;
    const std::lock_guard<std::mutex> locker(m_mutex);
    const quint32 transactionId = m_captureTransaction;
    // The capture is over with its completion; later objects are the camera's own.
    if (code == TVK_Emulator_Camera::kEventCaptureComplete)
        m_captureTransaction = kNoTransaction;
    return transactionId;
}

void TVK_Emulator_UsbResponder::sendData(int code, quint32 transactionId, const TVK_Emulator_DataSource &payload)
{
    QByteArray header = container(kTypeData, code, transactionId, {});
    const qint64 length = kHeaderBytes + payload.size();
    qToLittleEndian<quint32>(length < qint64(kLengthUnknown) ? quint32(length) : kLengthUnknown,
                             reinterpret_cast<uchar *>(header.data()));
    // The payload is made as the host reads it, never held here.
    m_pipe->streamToHost({TVK_Emulator_DataSource(header), payload});
}

void TVK_Emulator_UsbResponder::sendResponse(int code, quint32 transactionId, const QVector<quint32> &params)
{
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        // What abandoned transactions' late answers look like.
        for (; m_staleResponses > 0 && transactionId > 0; --m_staleResponses)
            m_pipe->sendToHost({container(kTypeResponse, kRespTransactionCancelled, transactionId - 1, {})});
    }
    m_pipe->sendToHost({container(kTypeResponse, code, transactionId, params)});
}

void TVK_Emulator_UsbResponder::raiseEvent(int code, const QVector<quint32> &params)
{
    m_pipe->sendEvent(container(kTypeEvent, code, kNoTransaction, params));
}

void TVK_Emulator_UsbResponder::deliverEvent(const TVK_Emulator_Camera::CameraEvent &event)
{
    // On the camera's thread.
    switch (event.kind) {
    case TVK_Commu_CameraAccess_Base::kLEDeviceRemoved:
        m_pipe->unplug();
        return;
    case TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested:
        // The object to fetch is the event's one parameter.
        raiseEvent(kEventRequestObjectTransfer, {event.parameter});
        return;
    case TVK_Commu_CameraAccess_Base::kLEVendorEvent: {
        QVector<quint32> params;
        if (event.hasParameter)
            params.append(event.parameter);
        m_pipe->sendEvent(container(kTypeEvent, event.code, eventTransaction(event.code), params));
        return;
    }
    }
}
