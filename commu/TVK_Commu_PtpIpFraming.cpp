#include "TVK_Commu_PtpIpFraming.h"

#include "TVK_Commu_DataSink.h"
#include "TVK_Debug_Log.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

using Container = TVK_Commu_PtpContainer;

namespace {

// Payload offsets, after the 8-byte header.
// Operation Request: data-phase info, operation code, transaction id, parameters.
constexpr size_t kRequestPhase = 0;
constexpr size_t kRequestCode = 4;
constexpr size_t kRequestTransactionId = 6;
constexpr size_t kRequestParams = 10;
// Operation Response and Event: code, transaction id, parameters.
constexpr size_t kResponseCode = 0;
constexpr size_t kResponseTransactionId = 2;
constexpr size_t kResponseParams = 6;
// Start Data: transaction id, total length (64 bits).
constexpr size_t kStartDataTransactionId = 0;
constexpr size_t kStartDataTotal = 4;
constexpr size_t kStartDataSize = 12;
// Data, End Data and Cancel begin with the transaction id.
constexpr size_t kTransactionIdSize = 4;
// Init Command Ack: connection number, responder GUID, name, version.
constexpr size_t kAckConnectionNumber = 0;
constexpr size_t kAckGuid = 4;
constexpr size_t kAckName = 4 + TVK_Commu_PtpIpFraming::kGuidSize;
constexpr size_t kAckMinSize = kAckName + 2 + 4;
// Packets a single call reads past (events on the command connection, probes,
// leftovers of a cancelled data phase) before it stops trusting the peer.
constexpr int kMaxSkippedPackets = 1024;
// Dead-peer detection of the connections (seconds, count, milliseconds).
constexpr int kKeepAliveIdleS = 5;
constexpr int kKeepAliveIntervalS = 2;
constexpr int kKeepAliveProbes = 3;
constexpr int kUserTimeoutMs = 15000;
constexpr size_t kFirstStagingSize = 64 * 1024;
static_assert(TVK_Commu_PtpIpFraming::kChunkSize <= TVK_Commu_DataSink::kMaxPieceSize,
              "a sink gets no piece larger than its bound");

using Status = TVK_Commu_PtpFramingIF::eLEStatus;

bool isDataType(quint32 type)
{
    return type == TVK_Commu_PtpIpFraming::kLEData || type == TVK_Commu_PtpIpFraming::kLEEndData;
}

Status statusOfErrno(int error)
{
    switch (error) {
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN:
    case ESHUTDOWN:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return TVK_Commu_PtpFramingIF::kLEGone;
    default:
        return TVK_Commu_PtpFramingIF::kLEIoError;
    }
}

// Waits until the socket is ready for events; false on a time-out.
bool waitFor(int socket, short events, int timeoutMs)
{
    pollfd entry{socket, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs);
        if (result > 0)
            return true;
        if (result == 0)
            return false;
        if (errno != EINTR)
            return true; // the following read or write reports the error
    }
}

} // namespace

TVK_Commu_PtpIpFraming::TVK_Commu_PtpIpFraming(int socket)
    : m_socket(socket)
{
    if (m_socket < 0)
        m_broken.store(true);
}

TVK_Commu_PtpIpFraming::~TVK_Commu_PtpIpFraming()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

int TVK_Commu_PtpIpFraming::connectTo(const QString &host, quint16 port, int timeoutMs, QString *error)
{
    const TVK_Commu_HostLookup::Result found = TVK_Commu_HostLookup::numeric(host, port);
    if (!found.ok()) {
        *error = QStringLiteral("%1 is no numeric address: %2").arg(host, found.error);
        return -1;
    }
    return connectTo(found.endpoints, timeoutMs, error);
}

int TVK_Commu_PtpIpFraming::connectTo(const std::vector<TVK_Commu_HostLookup::Endpoint> &endpoints, int timeoutMs,
                                      QString *error)
{
    int result = -1;
    QString reason = QStringLiteral("no address");
    for (auto endpoint = endpoints.begin(); endpoint != endpoints.end() && result < 0; ++endpoint) {
        const sockaddr *address = reinterpret_cast<const sockaddr *>(&endpoint->address);
        const int socket = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (socket < 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            continue;
        }
        int status = ::connect(socket, address, endpoint->length);
        if (status != 0 && errno == EINPROGRESS) {
            if (!waitFor(socket, POLLOUT, timeoutMs)) {
                reason = QStringLiteral("no answer within %1 ms").arg(timeoutMs);
                ::close(socket);
                continue;
            }
            int socketError = 0;
            socklen_t length = sizeof socketError;
            ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &socketError, &length);
            status = socketError == 0 ? 0 : -1;
            errno = socketError;
        }
        if (status != 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(socket);
            continue;
        }
        // Requests are small and each waits for its answer: no Nagle delay.
        const int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // A camera switched off or out of range sends no FIN: without these
        // the event connection would wait for it for hours. Now an idle link
        // is checked after kKeepAliveIdleS and given up some seconds later,
        // and unacknowledged data gives up after kUserTimeoutMs.
        ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleS, sizeof kKeepAliveIdleS);
        ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalS, sizeof kKeepAliveIntervalS);
        ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof kKeepAliveProbes);
        ::setsockopt(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUserTimeoutMs, sizeof kUserTimeoutMs);
        result = socket;
    }
    if (result < 0)
        *error = reason;
    return result;
}

const char *TVK_Commu_PtpIpFraming::failReasonName(quint32 reason)
{
    switch (reason) {
    case kFailRejectedInitiator:
        return "rejected initiator";
    case kFailBusy:
        return "busy";
    case kFailUnspecified:
        return "unspecified";
    default:
        return "unknown reason";
    }
}

const char *TVK_Commu_PtpIpFraming::packetTypeName(quint32 type)
{
    static const char *const names[] = {"Init Command Request", "Init Command Ack", "Init Event Request",
                                        "Init Event Ack",       "Init Fail",        "Operation Request",
                                        "Operation Response",   "Event",            "Start Data",
                                        "Data",                 "Cancel",           "End Data",
                                        "Probe Request",        "Probe Response"};
    return type >= kLEInitCommandRequest && type <= kLEProbeResponse ? names[type - 1] : "unknown";
}

void TVK_Commu_PtpIpFraming::shutdown()
{
    if (!m_broken.exchange(true) && m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::giveUp(const char *prefix, const char *what)
{
    if (!m_broken.load())
        debugLog(kLELogAlways, "%s - Error: %s; connection closed", prefix, what);
    shutdown();
    return kLEGone;
}

// --- Bytes on the socket ---------------------------------------------------------------------

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::writeAll(const void *first, size_t firstSize,
                                                                    const void *second, size_t secondSize)
{
    if (m_broken.load())
        return kLEGone;
    iovec parts[2] = {{const_cast<void *>(first), firstSize}, {const_cast<void *>(second), secondSize}};
    int index = 0;
    while (index < 2) {
        if (parts[index].iov_len == 0) {
            ++index;
            continue;
        }
        msghdr message{};
        message.msg_iov = parts + index;
        message.msg_iovlen = size_t(2 - index);
        const ssize_t sent = ::sendmsg(m_socket, &message, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!waitFor(m_socket, POLLOUT, m_timeoutMs))
                    return kLETimeout;
                continue;
            }
            return statusOfErrno(errno);
        }
        size_t done = size_t(sent);
        while (index < 2 && done >= parts[index].iov_len) {
            done -= parts[index].iov_len;
            parts[index].iov_len = 0;
            ++index;
        }
        if (index < 2) {
            parts[index].iov_base = static_cast<char *>(parts[index].iov_base) + done;
            parts[index].iov_len -= done;
        }
    }
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::writePacket(quint32 type, const unsigned char *payload,
                                                                       size_t size)
{
    unsigned char header[kHeaderSize];
    qToLittleEndian<quint32>(quint32(kHeaderSize + size), header);
    qToLittleEndian<quint32>(type, header + 4);
    return writeAll(header, sizeof header, payload, size);
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::readExact(void *buffer, size_t size, int timeoutMs,
                                                                     size_t *got)
{
    *got = 0;
    if (m_broken.load())
        return kLEGone;
    unsigned char *out = static_cast<unsigned char *>(buffer);
    while (*got < size) {
        const ssize_t received = ::recv(m_socket, out + *got, size - *got, 0);
        if (received > 0) {
            *got += size_t(received);
            continue;
        }
        if (received == 0)
            return kLEGone; // the peer closed the connection
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(m_socket, POLLIN, timeoutMs))
                return kLETimeout;
            continue;
        }
        return statusOfErrno(errno);
    }
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::readHeader(Header *header, int timeoutMs)
{
    TVK_METHOD(prefix);
    unsigned char bytes[kHeaderSize];
    size_t got = 0;
    const eLEStatus status = readExact(bytes, sizeof bytes, timeoutMs, &got);
    if (status != kLEOk) {
        if (got == 0) {
            // Nothing of a packet yet: the stream is still in step.
            if (status == kLEGone && !m_broken.load()) {
                debugLog(kLELogCommand, "%s - the camera closed the connection", prefix);
                shutdown();
            }
            return status;
        }
        return giveUp(prefix, "truncated packet header");
    }
    header->length = qFromLittleEndian<quint32>(bytes);
    header->type = qFromLittleEndian<quint32>(bytes + 4);
    if (header->length < kHeaderSize) {
        debugLog(kLELogAlways, "%s - Error: packet length %u is below the header's %zu bytes", prefix,
                 header->length, kHeaderSize);
        return giveUp(prefix, "malformed packet");
    }
    // Checked before a byte of the payload is read or anything allocated.
    const quint32 bound = isDataType(header->type) ? kMaxDataPacket : kMaxControlPacket;
    if (header->length > bound) {
        debugLog(kLELogAlways, "%s - Error: %s packet (type %u) of %u bytes, more than %u", prefix,
                 packetTypeName(header->type), header->type, header->length, bound);
        return giveUp(prefix, "oversized packet");
    }
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::readPayload(const Header &header,
                                                                       std::vector<unsigned char> *payload)
{
    TVK_METHOD(prefix);
    if (isDataType(header.type)) {
        payload->clear();
        return skipBytes(header.payloadLength());
    }
    payload->resize(size_t(header.payloadLength()));
    size_t got = 0;
    // Half a packet leaves the stream out of step: nothing after it can be trusted.
    if (readExact(payload->data(), payload->size(), m_timeoutMs, &got) != kLEOk)
        return giveUp(prefix, "truncated packet");
    return kLEOk;
}

unsigned char *TVK_Commu_PtpIpFraming::staging(size_t *size)
{
    // Grown as the bytes keep coming, up to a chunk: a packet that announces
    // much and brings little costs no megabyte.
    const size_t wanted = std::min(*size, kChunkSize);
    if (m_staging.size() < wanted)
        m_staging.resize(std::min(wanted, std::max(kFirstStagingSize, 2 * m_staging.size())));
    *size = std::min(wanted, m_staging.size());
    return m_staging.data();
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::skipBytes(quint64 size)
{
    TVK_METHOD(prefix);
    while (size > 0) {
        size_t piece = size_t(std::min<quint64>(size, kChunkSize));
        unsigned char *into = staging(&piece);
        size_t got = 0;
        if (readExact(into, piece, m_timeoutMs, &got) != kLEOk)
            return giveUp(prefix, "truncated packet");
        size -= piece;
    }
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::answerProbe()
{
    // The camera asks whether we are still there.
    return writePacket(kLEProbeResponse, nullptr, 0);
}

bool TVK_Commu_PtpIpFraming::decodeResponse(const std::vector<unsigned char> &payload, Container *container)
{
    if (payload.size() < kResponseParams)
        return false;
    Container result;
    result.code = qFromLittleEndian<quint16>(payload.data() + kResponseCode);
    result.transactionId = qFromLittleEndian<quint32>(payload.data() + kResponseTransactionId);
    result.numParams = int(std::min<size_t>((payload.size() - kResponseParams) / 4, Container::kMaxParams));
    for (int i = 0; i < result.numParams; ++i)
        result.params[i] = qFromLittleEndian<quint32>(payload.data() + kResponseParams + 4 * size_t(i));
    result.length = quint32(Container::kHeaderSize + 4 * size_t(result.numParams));
    *container = result;
    return true;
}

// --- Init handshakes ---------------------------------------------------------------------------

TVK_Commu_PtpIpFraming::InitResult TVK_Commu_PtpIpFraming::initCommand(const QByteArray &guid,
                                                                      const QString &friendlyName)
{
    TVK_METHOD(prefix);
    std::vector<unsigned char> payload(kGuidSize, 0);
    std::copy_n(reinterpret_cast<const unsigned char *>(guid.constData()), std::min<int>(guid.size(), kGuidSize),
                payload.begin());
    // The name in UTF-16LE with its terminating NUL.
    const QString name = friendlyName.left(int(kMaxControlPacket / 4));
    for (const QChar unit : name) {
        payload.push_back(uchar(unit.unicode() & 0xFF));
        payload.push_back(uchar(unit.unicode() >> 8));
    }
    payload.push_back(0);
    payload.push_back(0);
    unsigned char version[4];
    qToLittleEndian<quint32>(kProtocolVersion, version);
    payload.insert(payload.end(), version, version + 4);
    InitResult result;
    result.status = writePacket(kLEInitCommandRequest, payload.data(), payload.size());
    if (result.status != kLEOk) {
        debugLog(kLELogAlways, "%s - Error: sending Init Command Request: %s", prefix, statusName(result.status));
        return result;
    }
    return readInitAnswer(kLEInitCommandAck, prefix);
}

TVK_Commu_PtpIpFraming::InitResult TVK_Commu_PtpIpFraming::initEvent(quint32 connectionNumber)
{
    TVK_METHOD(prefix);
    unsigned char payload[4];
    qToLittleEndian<quint32>(connectionNumber, payload);
    InitResult result;
    result.status = writePacket(kLEInitEventRequest, payload, sizeof payload);
    if (result.status != kLEOk) {
        debugLog(kLELogAlways, "%s - Error: sending Init Event Request: %s", prefix, statusName(result.status));
        return result;
    }
    return readInitAnswer(kLEInitEventAck, prefix);
}

TVK_Commu_PtpIpFraming::InitResult TVK_Commu_PtpIpFraming::readInitAnswer(quint32 ackType, const char *prefix)
{
    InitResult result;
    Header header;
    std::vector<unsigned char> payload;
    result.status = readHeader(&header, m_timeoutMs);
    if (result.status == kLEOk)
        result.status = readPayload(header, &payload);
    if (result.status != kLEOk) {
        debugLog(kLELogAlways, "%s - Error: no %s: %s", prefix, packetTypeName(ackType), statusName(result.status));
        return result;
    }
    if (header.type == kLEInitFail) {
        const quint32 reason = payload.size() >= 4 ? qFromLittleEndian<quint32>(payload.data()) : 0;
        debugLog(kLELogCommand, "%s - Init Fail from the camera, reason %u (%s)", prefix, reason,
                 failReasonName(reason));
        // A camera that gives no reason still refused.
        result.failReason = reason != 0 ? reason : kFailUnspecified;
        return result;
    }
    if (header.type != ackType) {
        debugLog(kLELogAlways, "%s - Error: %s packet (type %u) where %s was due", prefix,
                 packetTypeName(header.type), header.type, packetTypeName(ackType));
        result.status = kLEProtocolError;
        return result;
    }
    if (ackType == kLEInitEventAck)
        return result;
    if (payload.size() < kAckMinSize) {
        debugLog(kLELogAlways, "%s - Error: Init Command Ack of %zu bytes, less than %zu", prefix, payload.size(),
                 kAckMinSize);
        result.status = kLEProtocolError;
        return result;
    }
    result.connectionNumber = qFromLittleEndian<quint32>(payload.data() + kAckConnectionNumber);
    result.responderGuid = QByteArray(reinterpret_cast<const char *>(payload.data() + kAckGuid), kGuidSize);
    // The name runs to its NUL, at most up to the version in the last 4 bytes.
    const size_t nameEnd = payload.size() - 4;
    for (size_t offset = kAckName; offset + 2 <= nameEnd; offset += 2) {
        const quint16 unit = qFromLittleEndian<quint16>(payload.data() + offset);
        if (unit == 0)
            break;
        result.responderName.append(QChar(unit));
    }
    result.protocolVersion = qFromLittleEndian<quint32>(payload.data() + nameEnd);
    debugLog(kLELogCommand, "%s - connection %u with \"%s\", protocol %u.%u", prefix, result.connectionNumber,
             qUtf8Printable(result.responderName), result.protocolVersion >> 16, result.protocolVersion & 0xFFFF);
    return result;
}

// --- Events ------------------------------------------------------------------------------------

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::receiveEvent(Container *event, int timeoutMs)
{
    TVK_METHOD(prefix);
    for (int skipped = 0; skipped < kMaxSkippedPackets; ++skipped) {
        Header header;
        eLEStatus status = readHeader(&header, timeoutMs);
        if (status != kLEOk)
            return status;
        std::vector<unsigned char> payload;
        status = readPayload(header, &payload);
        if (status != kLEOk)
            return status;
        if (header.type == kLEProbeRequest) {
            status = answerProbe();
            if (status != kLEOk)
                return status;
            continue;
        }
        if (header.type != kLEEvent) {
            debugLog(kLELogAlways, "%s - Error: %s packet (type %u) on the event connection skipped", prefix,
                     packetTypeName(header.type), header.type);
            return kLEProtocolError;
        }
        Container decoded;
        if (!decodeResponse(payload, &decoded)) {
            debugLog(kLELogAlways, "%s - Error: event of %zu bytes, too short", prefix, payload.size());
            return kLEProtocolError;
        }
        decoded.type = Container::kLEEvent;
        *event = decoded;
        return kLEOk;
    }
    return giveUp(prefix, "only probes on the event connection");
}

// --- Transactions ------------------------------------------------------------------------------

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::sendRequest(quint16 code, quint32 transactionId,
                                                                       int numParams, const quint32 *params)
{
    if (m_broken.load())
        return kLEGone;
    m_payloadPending = false;
    m_responseStashed = false;
    m_requestPending = true;
    m_requestCode = code;
    m_requestTransactionId = transactionId;
    m_requestNumParams = params == nullptr ? 0 : qBound(0, numParams, int(Container::kMaxParams));
    for (int i = 0; i < m_requestNumParams; ++i)
        m_requestParams[i] = params[i];
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::flushRequest(quint32 dataPhase)
{
    if (!m_requestPending)
        return kLEOk;
    m_requestPending = false;
    unsigned char payload[kRequestParams + 4 * Container::kMaxParams];
    qToLittleEndian<quint32>(dataPhase, payload + kRequestPhase);
    qToLittleEndian<quint16>(m_requestCode, payload + kRequestCode);
    qToLittleEndian<quint32>(m_requestTransactionId, payload + kRequestTransactionId);
    for (int i = 0; i < m_requestNumParams; ++i)
        qToLittleEndian<quint32>(m_requestParams[i], payload + kRequestParams + 4 * size_t(i));
    return writePacket(kLEOperationRequest, payload, kRequestParams + 4 * size_t(m_requestNumParams));
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::sendData(quint16 code, quint32 transactionId,
                                                                    const void *data, quint64 size)
{
    Q_UNUSED(code);
    if (m_broken.load())
        return kLEGone;
    eLEStatus status = flushRequest(kDataPhaseOut);
    if (status != kLEOk)
        return status;
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    if (bytes == nullptr)
        size = 0;

    unsigned char start[kStartDataSize];
    qToLittleEndian<quint32>(transactionId, start + kStartDataTransactionId);
    qToLittleEndian<quint64>(size, start + kStartDataTotal);
    status = writePacket(kLEStartData, start, sizeof start);

    // Data packets of kChunkSize each, the last piece (perhaps empty) in the
    // End Data packet; the payload leaves straight from the caller's bytes.
    quint64 sent = 0;
    while (status == kLEOk) {
        const quint64 left = size - sent;
        const bool last = left <= kChunkSize;
        const size_t piece = size_t(last ? left : kChunkSize);
        unsigned char head[kHeaderSize + kTransactionIdSize];
        qToLittleEndian<quint32>(quint32(sizeof head + piece), head);
        qToLittleEndian<quint32>(last ? kLEEndData : kLEData, head + 4);
        qToLittleEndian<quint32>(transactionId, head + kHeaderSize);
        status = writeAll(head, sizeof head, bytes + sent, piece);
        sent += piece;
        if (last)
            break;
    }
    return status;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::receiveContainer(Container *container)
{
    TVK_METHOD(prefix);
    if (m_broken.load())
        return kLEGone;
    eLEStatus status = flushRequest(kDataPhaseNoneOrIn);
    if (status != kLEOk)
        return status;
    if (m_payloadPending) {
        // A data phase nobody read: away with it, or the stream is out of step.
        quint64 dropped = 0;
        status = receivePayload(nullptr, &dropped);
        if (status != kLEOk)
            return status;
    }
    if (m_responseStashed) {
        m_responseStashed = false;
        *container = m_stashedResponse;
        return kLEOk;
    }
    std::vector<unsigned char> payload;
    for (int skipped = 0; skipped < kMaxSkippedPackets; ++skipped) {
        Header header;
        status = readHeader(&header, m_timeoutMs);
        if (status != kLEOk)
            return status;

        if (isDataType(header.type) && m_hasCancelled && header.length >= kHeaderSize + kTransactionIdSize) {
            // The rest of a data phase abandoned with Cancel: read past it.
            unsigned char id[kTransactionIdSize];
            size_t got = 0;
            if (readExact(id, sizeof id, m_timeoutMs, &got) != kLEOk)
                return giveUp(prefix, "truncated packet");
            const quint32 transactionId = qFromLittleEndian<quint32>(id);
            status = skipBytes(header.payloadLength() - kTransactionIdSize);
            if (status != kLEOk)
                return status;
            if (transactionId == m_cancelledTransactionId)
                continue;
            debugLog(kLELogAlways, "%s - Error: %s packet of transaction 0x%08X without Start Data", prefix,
                     packetTypeName(header.type), transactionId);
            return kLEProtocolError;
        }

        status = readPayload(header, &payload);
        if (status != kLEOk)
            return status;

        switch (header.type) {
        case kLEOperationResponse:
            if (!decodeResponse(payload, container)) {
                debugLog(kLELogAlways, "%s - Error: Operation Response of %zu bytes, too short", prefix,
                         payload.size());
                return kLEProtocolError;
            }
            container->type = Container::kLEResponse;
            return kLEOk;
        case kLEStartData: {
            if (payload.size() < kStartDataSize) {
                debugLog(kLELogAlways, "%s - Error: Start Data of %zu bytes, too short", prefix, payload.size());
                return kLEProtocolError;
            }
            const quint32 transactionId = qFromLittleEndian<quint32>(payload.data() + kStartDataTransactionId);
            const quint64 total = qFromLittleEndian<quint64>(payload.data() + kStartDataTotal);
            if (m_hasCancelled && transactionId == m_cancelledTransactionId) {
                // The data of a transaction abandoned with Cancel, starting late.
                debugLog(kLELogAlways, "%s - data of cancelled transaction 0x%08X skipped", prefix, transactionId);
                continue;
            }
            Container result;
            result.type = Container::kLEData;
            result.code = m_requestCode;
            result.transactionId = transactionId;
            // A total near 2^64 would wrap past the header size: anything beyond
            // 32 bits is reported as the largest length a container can carry.
            const quint64 limit = quint64(0xFFFFFFFFu);
            const quint64 length =
                (total == kUnknownDataLength || total >= limit - Container::kHeaderSize) ? limit : Container::kHeaderSize + total;
            result.length = quint32(length);
            m_payloadPending = true;
            m_dataTransactionId = transactionId;
            m_dataTotal = total;
            *container = result;
            return kLEOk;
        }
        case kLEEvent:
            // Events belong on the event connection; one here carries nothing
            // the transaction needs.
            debugLog(kLELogAlways, "%s - event on the command connection skipped", prefix);
            continue;
        case kLEProbeRequest:
            status = answerProbe();
            if (status != kLEOk)
                return status;
            continue;
        default:
            debugLog(kLELogAlways, "%s - Error: %s packet (type %u) where a response was due", prefix,
                     packetTypeName(header.type), header.type);
            return kLEProtocolError;
        }
    }
    return giveUp(prefix, "no response among the packets");
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_PtpIpFraming::receivePayload(TVK_Commu_DataSink *sink,
                                                                          quint64 *received)
{
    TVK_METHOD(prefix);
    *received = 0;
    if (!m_payloadPending)
        return kLEOk;
    m_payloadPending = false;

    // All ones in either width says "unknown"; End Data ends the phase anyway.
    const bool known = m_dataTotal != kUnknownDataLength && m_dataTotal != kUnknownDataLength32;
    if (sink != nullptr && !sink->begin(known ? m_dataTotal : TVK_Commu_DataSink::kUnknownTotal))
        return kLERefused;
    quint64 arrived = 0;
    std::vector<unsigned char> payload;
    bool ended = false;
    for (int skipped = 0; !ended;) {
        Header header;
        eLEStatus status = readHeader(&header, m_timeoutMs);
        if (status != kLEOk)
            return status;
        if (isDataType(header.type)) {
            if (header.length < kHeaderSize + kTransactionIdSize) {
                debugLog(kLELogAlways, "%s - Error: %s packet of %u bytes has no transaction id", prefix,
                         packetTypeName(header.type), header.length);
                status = skipBytes(header.payloadLength());
                return status != kLEOk ? status : kLEProtocolError;
            }
            unsigned char id[kTransactionIdSize];
            size_t got = 0;
            if (readExact(id, sizeof id, m_timeoutMs, &got) != kLEOk)
                return giveUp(prefix, "truncated packet");
            const quint32 transactionId = qFromLittleEndian<quint32>(id);
            const quint64 size = header.payloadLength() - kTransactionIdSize;
            if (transactionId != m_dataTransactionId || (known && size > m_dataTotal - arrived)) {
                if (transactionId != m_dataTransactionId)
                    debugLog(kLELogAlways, "%s - Error: %s packet of transaction 0x%08X in the data of 0x%08X",
                             prefix, packetTypeName(header.type), transactionId, m_dataTransactionId);
                else
                    debugLog(kLELogAlways,
                             "%s - Error: data longer than Start Data announced (0x%llX bytes after 0x%llX of 0x%llX)",
                             prefix, static_cast<unsigned long long>(size), static_cast<unsigned long long>(arrived),
                             static_cast<unsigned long long>(m_dataTotal));
                status = skipBytes(size);
                return status != kLEOk ? status : kLEProtocolError;
            }
            // To the sink in pieces of at most a chunk, straight into its
            // memory where it offers some: a packet may be far larger.
            for (quint64 left = size; left > 0;) {
                size_t piece = size_t(std::min<quint64>(left, kChunkSize));
                unsigned char *into = sink != nullptr ? sink->room(arrived, piece) : nullptr;
                if (into == nullptr)
                    into = staging(&piece);
                if (readExact(into, piece, m_timeoutMs, &got) != kLEOk)
                    return giveUp(prefix, "truncated data packet");
                left -= piece;
                arrived += piece;
                if (sink != nullptr && !sink->write(into, piece)) {
                    // The rest of this packet, or the stream is out of step;
                    // the packets after it are the cancel's to read past.
                    status = skipBytes(left);
                    return status != kLEOk ? status : kLERefused;
                }
            }
            ended = header.type == kLEEndData;
            continue;
        }
        status = readPayload(header, &payload);
        if (status != kLEOk)
            return status;
        if (header.type == kLEOperationResponse && decodeResponse(payload, &m_stashedResponse)) {
            // The camera ended the data phase early with its response: the
            // engine gets it from the next receiveContainer.
            m_stashedResponse.type = Container::kLEResponse;
            m_responseStashed = true;
            break;
        }
        if ((header.type == kLEEvent || header.type == kLEProbeRequest) && ++skipped < kMaxSkippedPackets) {
            if (header.type == kLEProbeRequest && (status = answerProbe()) != kLEOk)
                return status;
            continue;
        }
        debugLog(kLELogAlways, "%s - Error: %s packet (type %u) in a data phase", prefix, packetTypeName(header.type),
                 header.type);
        return kLEProtocolError;
    }
    if (known && arrived < m_dataTotal)
        debugLog(kLELogAlways, "%s - data phase ended after 0x%llX of 0x%llX bytes", prefix,
                 static_cast<unsigned long long>(arrived), static_cast<unsigned long long>(m_dataTotal));
    *received = arrived;
    return kLEOk;
}

void TVK_Commu_PtpIpFraming::cancelTransaction(quint32 transactionId)
{
    TVK_METHOD(prefix);
    m_requestPending = false;
    m_payloadPending = false;
    m_responseStashed = false;
    m_hasCancelled = true;
    m_cancelledTransactionId = transactionId;
    if (m_broken.load())
        return;
    unsigned char payload[kTransactionIdSize];
    qToLittleEndian<quint32>(transactionId, payload);
    const eLEStatus status = writePacket(kLECancel, payload, sizeof payload);
    debugLog(status == kLEOk ? kLELogCommand : kLELogAlways, "%s - cancel of transaction 0x%08X: %s", prefix,
             transactionId, statusName(status));
}
