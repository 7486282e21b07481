#include "TVK_Emulator_PtpIpServer.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PtpIpPacket.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>

#include <sys/socket.h>

using Packet = TVK_Emulator_PtpIpPacket;
using Camera = TVK_Emulator_Camera;

namespace {

constexpr int kRespOK = 0x2001;
constexpr int kRespIncompleteTransfer = 0x2007;
constexpr int kRespTransactionCancelled = 0x201F;

QString paramText(const QVector<quint32> &params)
{
    QStringList parts;
    for (quint32 param : params)
        parts << QStringLiteral("0x%1").arg(param, 0, 16);
    return parts.join(QLatin1Char(' '));
}

} // namespace

TVK_Emulator_PtpIpServer::TVK_Emulator_PtpIpServer(std::shared_ptr<TVK_Emulator_Camera> camera, QObject *parent)
    : QObject(parent)
    , m_camera(std::move(camera))
    , m_server(new QTcpServer(this))
{
    const TVK_Emulator_Profile *profile = m_camera ? m_camera->profile() : nullptr;
    m_friendlyName = profile ? profile->model : QStringLiteral("Emulated camera");
    const QByteArray identity = "Norba emulated camera " + QByteArray::number(m_camera ? m_camera->productId() : 0, 16)
                                + ' ' + (profile ? profile->serialNumber.toLatin1() : QByteArray());
    m_guid = QCryptographicHash::hash(identity, QCryptographicHash::Md5).left(Packet::kGuidBytes);

    connect(m_server, &QTcpServer::newConnection, this, &TVK_Emulator_PtpIpServer::acceptConnections);
    if (m_camera) {
        // Events come on the camera's thread; they are written to the socket
        // on this one. Queued calls to a server that is gone are dropped with it.
        m_camera->setEventHandler([this](const Camera::CameraEvent &event) {
            m_cameraEvents.post([this, event]() { forwardEvent(event); });
        });
    }
}

TVK_Emulator_PtpIpServer::~TVK_Emulator_PtpIpServer()
{
    // Returns only when no event handler of this server runs any more.
    if (m_camera)
        m_camera->setEventHandler(nullptr);
    endSession("server stopped");
    for (auto it = m_unidentified.begin(); it != m_unidentified.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        delete it.key();
    }
    m_unidentified.clear();
}

bool TVK_Emulator_PtpIpServer::listen(const QHostAddress &address, quint16 port)
{
    TVK_METHOD(prefix);
    if (!m_server->listen(address, port)) {
        debugLog(kLELogAlways, "%s - cannot listen on %s:%u: %s", prefix, qUtf8Printable(address.toString()),
                 unsigned(port), qUtf8Printable(m_server->errorString()));
        return false;
    }
    debugLog(kLELogConnection, "%s - listening on %s:%u", prefix, qUtf8Printable(serverAddress().toString()),
             unsigned(serverPort()));
    return true;
}

quint16 TVK_Emulator_PtpIpServer::serverPort() const
{
    return m_server->serverPort();
}

QHostAddress TVK_Emulator_PtpIpServer::serverAddress() const
{
    return m_server->serverAddress();
}

QString TVK_Emulator_PtpIpServer::errorString() const
{
    return m_server->errorString();
}

// --- Connections --------------------------------------------------------------------------

void TVK_Emulator_PtpIpServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        // Small requests and responses: do not wait to fill a segment.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_unidentified.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { socketGone(socket); });
    }
}

void TVK_Emulator_PtpIpServer::readFrom(QTcpSocket *socket)
{
    // Packets are handled as soon as they are whole; a handler may end the
    // session and take the socket away, so each round checks it is still ours.
    QPointer<QTcpSocket> guard(socket);
    for (;;) {
        if (!guard || socket->state() != QAbstractSocket::ConnectedState)
            return;
        QByteArray *buffer = nullptr;
        if (socket == m_command)
            buffer = &m_commandBuffer;
        else if (socket == m_event)
            buffer = &m_eventBuffer;
        else if (m_unidentified.contains(socket))
            buffer = &m_unidentified[socket];
        if (buffer == nullptr)
            return;
        if (socket->bytesAvailable() > 0)
            buffer->append(socket->readAll());
        if (!takePacket(socket, *buffer))
            return;
    }
}

bool TVK_Emulator_PtpIpServer::takePacket(QTcpSocket *socket, QByteArray &buffer)
{
    TVK_METHOD(prefix);
    Packet::Header header;
    const Packet::eLEFrame frame = Packet::frame(buffer, kMaxDataPacketBytes, &header);
    const bool dataPacket = header.type == Packet::kLEData || header.type == Packet::kLEEndData;
    if (frame == Packet::kLEMalformed || (!dataPacket && header.length > kMaxControlPacketBytes)) {
        debugLog(kLELogAlways, "%s - packet of type %u announces %u bytes: connection closed", prefix,
                 unsigned(header.type), unsigned(header.length));
        if (socket == m_command || socket == m_event)
            endSession("malformed packet");
        else
            refuse(socket, Packet::kLEFailUnspecified, "malformed packet");
        return false;
    }
    if (frame == Packet::kLEIncomplete)
        return false;

    const QByteArray payload = buffer.mid(Packet::kHeaderBytes, int(header.length) - Packet::kHeaderBytes);
    buffer.remove(0, int(header.length));
    if (socket == m_command)
        handleCommandPacket(header.type, payload);
    else if (socket == m_event)
        handleEventPacket(header.type, payload);
    else
        handleUnidentified(socket, header.type, payload);
    return true;
}

void TVK_Emulator_PtpIpServer::handleUnidentified(QTcpSocket *socket, quint32 type, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    switch (type) {
    case Packet::kLEInitCommandRequest:
        handleInitCommand(socket, payload);
        return;
    case Packet::kLEInitEventRequest:
        handleInitEvent(socket, payload);
        return;
    case Packet::kLEProbeRequest:
        socket->write(Packet::packet(Packet::kLEProbeResponse));
        return;
    default:
        debugLog(kLELogAlways, "%s - %s (type %u) before initialisation", prefix, Packet::typeName(type),
                 unsigned(type));
        refuse(socket, Packet::kLEFailUnspecified, "not an initialisation");
        return;
    }
}

void TVK_Emulator_PtpIpServer::handleInitCommand(QTcpSocket *socket, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const QByteArray initiatorGuid = cursor.bytes(Packet::kGuidBytes);
    const QString name = cursor.utf16String();
    const quint32 version = cursor.u32();
    ++m_initCommandRequests;
    if (!cursor.ok()) {
        refuse(socket, Packet::kLEFailUnspecified, "truncated Init Command Request");
        return;
    }
    if (m_refusal != 0) {
        refuse(socket, m_refusal, "this initiator is not the paired one");
        return;
    }
    // Only the major version must match: a minor one adds, never changes.
    if ((version >> 16) != (Packet::kProtocolVersion >> 16)) {
        debugLog(kLELogAlways, "%s - protocol version 0x%08X of \"%s\"", prefix, unsigned(version),
                 qUtf8Printable(name));
        refuse(socket, Packet::kLEFailRejectedInitiator, "protocol version");
        return;
    }
    if (m_command != nullptr) {
        refuse(socket, Packet::kLEFailBusy, "another initiator is connected");
        return;
    }
    if (!m_camera || !m_camera->isAttached()) {
        refuse(socket, Packet::kLEFailUnspecified, "no camera");
        return;
    }
    const QByteArray rest = m_unidentified.take(socket);
    m_command = socket;
    m_commandOut.clear();
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket]() {
        if (socket == m_command)
            pumpCommand();
    });
    m_commandBuffer = rest;
    m_initiatorName = name;
    // Never 0, so that an Init Event Request of zeros matches nothing.
    m_connectionNumber = ++m_lastConnectionNumber == 0 ? ++m_lastConnectionNumber : m_lastConnectionNumber;
    m_sessionOpenedHere = false;
    m_dataOut = DataOut();
    m_discarding = false;
    m_captureRunning = false;
    debugLog(kLELogConnection, "%s - initiator \"%s\" (GUID %s) is connection %u", prefix, qUtf8Printable(name),
             initiatorGuid.toHex().constData(), unsigned(m_connectionNumber));
    socket->write(Packet::initCommandAck(m_connectionNumber, m_guid, m_friendlyName));
    Q_EMIT signalInitiatorConnected(name);
}

void TVK_Emulator_PtpIpServer::handleInitEvent(QTcpSocket *socket, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const quint32 number = cursor.u32();
    if (!cursor.ok()) {
        refuse(socket, Packet::kLEFailUnspecified, "truncated Init Event Request");
        return;
    }
    if (m_command == nullptr || m_event != nullptr || number != m_connectionNumber) {
        debugLog(kLELogAlways, "%s - event connection for connection number %u", prefix, unsigned(number));
        refuse(socket, Packet::kLEFailRejectedInitiator, "no command connection of that number");
        return;
    }
    m_eventBuffer = m_unidentified.take(socket);
    m_event = socket;
    debugLog(kLELogConnection, "%s - event connection of connection %u", prefix, unsigned(number));
    socket->write(Packet::packet(Packet::kLEInitEventAck));
}

void TVK_Emulator_PtpIpServer::refuse(QTcpSocket *socket, quint32 reason, const char *why)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - Init Fail (reason %u): %s", prefix, unsigned(reason), why);
    socket->write(Packet::initFail(Packet::eLEFailReason(reason)));
    dropUnidentified(socket);
}

void TVK_Emulator_PtpIpServer::dropUnidentified(QTcpSocket *socket)
{
    m_unidentified.remove(socket);
    retire(socket);
}

void TVK_Emulator_PtpIpServer::retire(QTcpSocket *socket)
{
    socket->disconnect(this);
    // What is still buffered (an Init Fail, the last response) goes out
    // first; the socket is deleted only once it has closed, since deleting it
    // earlier would drop those bytes.
    socket->flush();
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
    else
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void TVK_Emulator_PtpIpServer::socketGone(QTcpSocket *socket)
{
    TVK_METHOD(prefix);
    if (socket == m_command || socket == m_event) {
        const QByteArray &left = socket == m_command ? m_commandBuffer : m_eventBuffer;
        if (!left.isEmpty())
            debugLog(kLELogAlways, "%s - connection lost with %d bytes of an unfinished packet", prefix,
                     int(left.size()));
        endSession(socket == m_command ? "command connection lost" : "event connection lost");
        return;
    }
    if (m_unidentified.contains(socket)) {
        const int left = m_unidentified.value(socket).size();
        if (left > 0)
            debugLog(kLELogAlways, "%s - connection lost with %d bytes of an unfinished packet", prefix, left);
        dropUnidentified(socket);
    }
}

void TVK_Emulator_PtpIpServer::endSession(const char *why)
{
    TVK_METHOD(prefix);
    if (m_command == nullptr && m_event == nullptr)
        return;
    QTcpSocket *command = m_command;
    QTcpSocket *event = m_event;
    m_command = nullptr;
    m_event = nullptr;
    m_commandBuffer.clear();
    m_eventBuffer.clear();
    m_commandOut.clear();
    m_dataOut = DataOut();
    m_discarding = false;
    m_captureRunning = false;
    m_stalled = false;
    debugLog(kLELogConnection, "%s - session of connection %u ended: %s", prefix, unsigned(m_connectionNumber), why);
    // Both connections make one session: either going ends it, and the
    // camera's session with it, so that the next initiator can open one.
    if (m_sessionOpenedHere && m_camera)
        m_camera->transact(Camera::kOpCloseSession, {}, TVK_Emulator_Transaction::kLENoData);
    m_sessionOpenedHere = false;
    for (QTcpSocket *socket : {command, event}) {
        if (socket != nullptr)
            retire(socket);
    }
    Q_EMIT signalInitiatorGone();
}

// --- The command connection -----------------------------------------------------------------

void TVK_Emulator_PtpIpServer::handleCommandPacket(quint32 type, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    switch (type) {
    case Packet::kLEOperationRequest:
        handleOperationRequest(payload);
        return;
    case Packet::kLEStartData:
        handleStartData(payload);
        return;
    case Packet::kLEData:
    case Packet::kLEEndData:
        handleData(type, payload);
        return;
    case Packet::kLECancel:
        handleCancel(payload);
        return;
    case Packet::kLEProbeRequest:
        sendOnCommand(Packet::packet(Packet::kLEProbeResponse));
        return;
    default:
        debugLog(kLELogAlways, "%s - %s (type %u) on the command connection", prefix, Packet::typeName(type),
                 unsigned(type));
        endSession("unexpected packet");
        return;
    }
}

void TVK_Emulator_PtpIpServer::handleEventPacket(quint32 type, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    switch (type) {
    case Packet::kLEProbeRequest:
        m_event->write(Packet::packet(Packet::kLEProbeResponse));
        return;
    case Packet::kLECancel:
        handleCancel(payload);
        return;
    default:
        debugLog(kLELogAlways, "%s - %s (type %u) on the event connection", prefix, Packet::typeName(type),
                 unsigned(type));
        endSession("unexpected packet");
        return;
    }
}

void TVK_Emulator_PtpIpServer::handleOperationRequest(const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const quint32 phaseInfo = cursor.u32();
    const quint16 code = cursor.u16();
    const quint32 transactionId = cursor.u32();
    QVector<quint32> params;
    while (cursor.ok() && cursor.remaining() >= 4 && params.size() < Packet::kMaxOperationParams)
        params.append(cursor.u32());
    if (!cursor.ok() || !cursor.atEnd()) {
        debugLog(kLELogAlways, "%s - Operation Request of %d bytes is not one", prefix, int(payload.size()));
        endSession("malformed Operation Request");
        return;
    }
    if (m_dataOut.active) {
        debugLog(kLELogAlways, "%s - operation 0x%04X while transaction %u waits for its data", prefix,
                 unsigned(code), unsigned(m_dataOut.transactionId));
        endSession("request during a data phase");
        return;
    }
    m_discarding = false;
    if (m_stalled) {
        debugLog(kLELogCommand, "%s - operation 0x%04X, transaction %u: Start Data, then the camera hangs", prefix,
                 unsigned(code), unsigned(transactionId));
        sendOnCommand(Packet::startData(transactionId, 1024));
        return;
    }
    switch (phaseInfo) {
    case Packet::kLEDataOut:
        m_dataOut.active = true;
        m_dataOut.operationCode = code;
        m_dataOut.transactionId = transactionId;
        m_dataOut.params = params;
        return;
    case Packet::kLENoDataOrDataIn:
    case Packet::kLEDataPhaseUnknown:
        // "Unknown" leaves it to the operation: only data-in can follow here,
        // since a data-out phase must be announced.
        runTransaction(code, transactionId, params, TVK_Emulator_Transaction::kLEDataIn, QByteArray());
        return;
    default:
        debugLog(kLELogAlways, "%s - data phase field %u of operation 0x%04X", prefix, unsigned(phaseInfo),
                 unsigned(code));
        endSession("malformed Operation Request");
        return;
    }
}

void TVK_Emulator_PtpIpServer::handleStartData(const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const quint32 transactionId = cursor.u32();
    const quint64 total = cursor.u64();
    if (!cursor.ok()) {
        debugLog(kLELogAlways, "%s - truncated Start Data", prefix);
        endSession("malformed Start Data");
        return;
    }
    if (!m_dataOut.active || m_dataOut.started || transactionId != m_dataOut.transactionId) {
        // The operation announced no data-out phase and has been answered
        // already; its data is read and thrown away.
        debugLog(kLELogAlways, "%s - data phase for transaction %u that announced none: ignored", prefix,
                 unsigned(transactionId));
        m_discarding = true;
        m_discardTransactionId = transactionId;
        return;
    }
    if (total > TVK_Emulator_Camera::kMaxDataOutBytes) {
        debugLog(kLELogAlways, "%s - data phase of %llu bytes for operation 0x%04X refused", prefix,
                 static_cast<unsigned long long>(total), unsigned(m_dataOut.operationCode));
        endSession("data phase too large");
        return;
    }
    m_dataOut.started = true;
    m_dataOut.total = total;
    m_dataOut.data.reserve(int(total));
}

void TVK_Emulator_PtpIpServer::handleData(quint32 type, const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const quint32 transactionId = cursor.u32();
    if (!cursor.ok()) {
        debugLog(kLELogAlways, "%s - truncated %s", prefix, Packet::typeName(type));
        endSession("malformed data packet");
        return;
    }
    const bool last = type == Packet::kLEEndData;
    if (m_discarding && transactionId == m_discardTransactionId) {
        if (last)
            m_discarding = false;
        return;
    }
    if (!m_dataOut.active || !m_dataOut.started || transactionId != m_dataOut.transactionId) {
        debugLog(kLELogAlways, "%s - %s for transaction %u without a Start Data: ignored", prefix,
                 Packet::typeName(type), unsigned(transactionId));
        return;
    }
    const int bytes = cursor.remaining();
    if (quint64(m_dataOut.data.size()) + quint64(bytes) > m_dataOut.total) {
        debugLog(kLELogAlways, "%s - data phase of operation 0x%04X longer than the %llu bytes announced", prefix,
                 unsigned(m_dataOut.operationCode), static_cast<unsigned long long>(m_dataOut.total));
        endSession("data phase longer than announced");
        return;
    }
    m_dataOut.data.append(payload.constData() + 4, bytes);
    if (!last)
        return;

    const DataOut done = std::move(m_dataOut);
    m_dataOut = DataOut();
    if (quint64(done.data.size()) != done.total) {
        debugLog(kLELogAlways, "%s - data phase of operation 0x%04X ended after %d of %llu bytes", prefix,
                 unsigned(done.operationCode), int(done.data.size()), static_cast<unsigned long long>(done.total));
        sendOnCommand(Packet::operationResponse(kRespIncompleteTransfer, done.transactionId));
        return;
    }
    runTransaction(done.operationCode, done.transactionId, done.params, TVK_Emulator_Transaction::kLEDataOut,
                   done.data);
}

void TVK_Emulator_PtpIpServer::handleCancel(const QByteArray &payload)
{
    TVK_METHOD(prefix);
    Packet::Cursor cursor(payload.constData(), payload.size());
    const quint32 transactionId = cursor.u32();
    if (!cursor.ok()) {
        debugLog(kLELogAlways, "%s - truncated Cancel", prefix);
        endSession("malformed Cancel");
        return;
    }
    // A data-in phase is queued whole before the next packet is read, so
    // only a data-out phase still waiting can be cancelled.
    if (m_dataOut.active && transactionId == m_dataOut.transactionId) {
        debugLog(kLELogCommand, "%s - transaction %u of operation 0x%04X cancelled", prefix, unsigned(transactionId),
                 unsigned(m_dataOut.operationCode));
        m_dataOut = DataOut();
        if (m_command)
            sendOnCommand(Packet::operationResponse(kRespTransactionCancelled, transactionId));
        return;
    }
    debugLog(kLELogCommand, "%s - Cancel of transaction %u, which is not running", prefix, unsigned(transactionId));
}

void TVK_Emulator_PtpIpServer::runTransaction(quint16 operationCode, quint32 transactionId,
                                              const QVector<quint32> &params,
                                              TVK_Emulator_Transaction::eLEDataPhase phase, const QByteArray &dataOut)
{
    TVK_METHOD(prefix);
    const Camera::Result result = m_camera->transactStreamed(operationCode, params, phase, dataOut);
    if (!result.transportOk) {
        debugLog(kLELogAlways, "%s - operation 0x%04X: the camera is gone", prefix, unsigned(operationCode));
        endSession("camera removed");
        return;
    }
    const bool dataIn = phase == TVK_Emulator_Transaction::kLEDataIn && result.responseCode == kRespOK
                        && !result.source.isEmpty();
    debugLog(kLELogCommand, "%s - transaction %u operation 0x%04X params [%s] data out %d in %lld response 0x%04X",
             prefix, unsigned(transactionId), unsigned(operationCode), qUtf8Printable(paramText(params)),
             int(dataOut.size()), dataIn ? static_cast<long long>(result.source.size()) : 0LL,
             unsigned(result.responseCode));
    if (m_command == nullptr)
        return;
    if (dataIn)
        sendDataIn(transactionId, result.source);
    sendOnCommand(Packet::operationResponse(quint16(result.responseCode), transactionId, result.responseParams));

    if (result.responseCode == kRespOK) {
        if (operationCode == Camera::kOpOpenSession)
            m_sessionOpenedHere = true;
        else if (operationCode == Camera::kOpCloseSession)
            m_sessionOpenedHere = false;
        else if (operationCode == TVK_Commu_Ptp::kOpInitiateCapture) {
            m_captureRunning = true;
            m_captureTransactionId = transactionId;
        }
    }
    Q_EMIT signalTransactionDone(operationCode, result.responseCode);
}

void TVK_Emulator_PtpIpServer::sendDataIn(quint32 transactionId, const TVK_Emulator_DataSource &data)
{
    // Queued as parts of the camera's answer, made or copied only when they
    // reach the front of the queue (see pumpCommand): never the whole phase.
    // Start Data carries the total in 64 bits, so a phase of 4 GB needs no
    // marker for an unknown length.
    sendOnCommand(Packet::startData(transactionId, quint64(data.size())));
    qint64 offset = 0;
    do {
        const qint64 bytes = qMin<qint64>(kDataChunkBytes, data.size() - offset);
        const bool last = offset + bytes == data.size();
        sendOnCommand(Packet::dataHeader(last ? Packet::kLEEndData : Packet::kLEData, transactionId, int(bytes)));
        sendOnCommand(data, offset, bytes);
        offset += bytes;
    } while (offset < data.size());
}

void TVK_Emulator_PtpIpServer::sendOnCommand(const QByteArray &bytes, qint64 offset, qint64 size)
{
    sendOnCommand(TVK_Emulator_DataSource(bytes), offset, size);
}

void TVK_Emulator_PtpIpServer::sendOnCommand(const TVK_Emulator_DataSource &bytes, qint64 offset, qint64 size)
{
    if (m_command == nullptr)
        return;
    Outgoing outgoing;
    outgoing.owner = bytes;
    outgoing.offset = qBound<qint64>(0, offset, bytes.size());
    outgoing.end = size < 0 ? bytes.size() : qMin<qint64>(bytes.size(), outgoing.offset + size);
    if (outgoing.end > outgoing.offset)
        m_commandOut.push_back(std::move(outgoing));
    pumpCommand();
}

const char *TVK_Emulator_PtpIpServer::nextBytes(Outgoing &outgoing, qint64 *available)
{
    if (outgoing.owner.isHeld()) {
        // Shared with the answer, not copied.
        if (outgoing.staged.isNull())
            outgoing.staged = outgoing.owner.toByteArray();
        outgoing.stagedFrom = 0;
    } else if (outgoing.offset < outgoing.stagedFrom
               || outgoing.offset >= outgoing.stagedFrom + outgoing.staged.size()) {
        // A computed answer is made a part at a time, into one buffer.
        const qint64 bytes = qMin<qint64>(kDataChunkBytes, outgoing.end - outgoing.offset);
        outgoing.staged.resize(int(bytes));
        outgoing.owner.read(outgoing.offset, outgoing.staged.data(), bytes);
        outgoing.stagedFrom = outgoing.offset;
    }
    *available = qMin(outgoing.end, outgoing.stagedFrom + outgoing.staged.size()) - outgoing.offset;
    return outgoing.staged.constData() + (outgoing.offset - outgoing.stagedFrom);
}

void TVK_Emulator_PtpIpServer::pumpCommand()
{
    // QTcpSocket::write copies every byte into the socket's buffer before the
    // event loop hands it to the kernel: for a big picture one more copy of
    // it, made whole before the first byte leaves, which cost a fifth of
    // loopback speed. So while that buffer is empty (nothing can overtake
    // what is in it) the bytes go to the kernel straight from the camera's
    // answer; what the kernel does not take now goes to the buffer in one
    // small piece, and its bytesWritten brings us back here.
    if (m_command == nullptr)
        return;
    const int descriptor = int(m_command->socketDescriptor());
    while (!m_commandOut.empty() && m_command->bytesToWrite() == 0) {
        Outgoing &next = m_commandOut.front();
        qint64 left = 0;
        const char *bytes = nextBytes(next, &left);
        ssize_t sent = descriptor >= 0 ? ::send(descriptor, bytes, size_t(left), MSG_NOSIGNAL | MSG_DONTWAIT) : -1;
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent == left) {
            next.offset += left;
            if (next.offset == next.end)
                m_commandOut.pop_front();
            continue;
        }
        // The kernel is full, or the connection failed: the socket's own
        // write reports a failure through its signals as always.
        sent = qMax<ssize_t>(0, sent);
        const qint64 piece = qMin(left - sent, kHandOverBytes);
        m_command->write(bytes + sent, piece);
        next.offset += sent + piece;
        if (next.offset == next.end)
            m_commandOut.pop_front();
        return;
    }
}

// --- Events -------------------------------------------------------------------------------------

void TVK_Emulator_PtpIpServer::forwardEvent(const TVK_Emulator_Camera::CameraEvent &event)
{
    TVK_METHOD(prefix);
    using Base = TVK_Commu_CameraAccess_Base;
    if (event.kind == Base::kLEDeviceRemoved) {
        endSession("camera removed");
        return;
    }
    if (m_event == nullptr)
        return;
    quint16 code = quint16(event.code);
    QVector<quint32> params;
    if (event.hasParameter)
        params.append(event.parameter);
    if (event.kind == Base::kLEObjectTransferRequested)
        code = Camera::kEventRequestObjectTransfer;
    quint32 transactionId = Packet::kNoTransaction;
    if (m_captureRunning && (code == Camera::kEventObjectAdded || code == Camera::kEventCaptureComplete)) {
        transactionId = m_captureTransactionId;
        m_captureRunning = code != Camera::kEventCaptureComplete;
    }
    debugLog(kLELogCommand, "%s - event 0x%04X params [%s]", prefix, unsigned(code), qUtf8Printable(paramText(params)));
    m_event->write(Packet::event(code, transactionId, params));
}
