#include "TVK_Commu_UsbFraming.h"

#include "TVK_Commu_DataSink.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstring>

using Container = TVK_Commu_PtpContainer;
using Pipe = TVK_Commu_UsbPipeIF;

namespace {

// Bulk endpoints of full-, high- and super-speed devices have 64, 512 or 1024
// bytes; a pipe that reports nothing usable gets the high-speed size.
constexpr int kFallbackPacketSize = 512;
constexpr size_t kFirstStagingSize = 64 * 1024;
static_assert(TVK_Commu_UsbFraming::kChunkSize <= TVK_Commu_DataSink::kMaxPieceSize,
              "a sink gets no piece larger than its bound");

size_t packetSizeOf(const std::shared_ptr<TVK_Commu_UsbPipeIF> &pipe)
{
    const int size = pipe ? pipe->maxPacketSize() : 0;
    return size >= int(Container::kHeaderSize) ? size_t(size) : size_t(kFallbackPacketSize);
}

} // namespace

TVK_Commu_UsbFraming::TVK_Commu_UsbFraming(std::shared_ptr<TVK_Commu_UsbPipeIF> pipe)
    : m_pipe(std::move(pipe))
    , m_packetSize(packetSizeOf(m_pipe))
    , m_packet(std::max(m_packetSize, Container::kMaxParamContainerSize))
{
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::statusOf(Pipe::eLEResult result)
{
    switch (result) {
    case Pipe::kLEOk:
        return kLEOk;
    case Pipe::kLETimeout:
        return kLETimeout;
    case Pipe::kLEGone:
        return kLEGone;
    case Pipe::kLEIoError:
        break;
    }
    return kLEIoError;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::write(const void *data, size_t size)
{
    if (m_pipe == nullptr)
        return kLEGone;
    return statusOf(m_pipe->bulkWrite(data, size, m_timeoutMs));
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::read(void *buffer, size_t size, size_t *received)
{
    *received = 0;
    if (m_pipe == nullptr)
        return kLEGone;
    return statusOf(m_pipe->bulkRead(buffer, size, received, m_timeoutMs));
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::sendRequest(quint16 code, quint32 transactionId,
                                                                     int numParams, const quint32 *params)
{
    m_payloadPending = false;
    const size_t length = Container::encodeWithParams(Container::kLECommand, code, transactionId, numParams, params,
                                                      m_packet.data());
    eLEStatus status = write(m_packet.data(), length);
    // A container that fills its last packet exactly needs the zero-length
    // packet, or the camera waits for more.
    if (status == kLEOk && length % m_packetSize == 0)
        status = write(nullptr, 0);
    return status;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::sendData(quint16 code, quint32 transactionId,
                                                                  const void *data, quint64 size)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    if (bytes == nullptr)
        size = 0;
    const quint64 total = Container::kHeaderSize + size;
    // Beyond 4 GB the length field says "unknown" and the short packet ends it.
    const quint32 lengthField = total > 0xFFFFFFFFull ? 0xFFFFFFFFu : quint32(total);
    Container::encodeHeader(lengthField, Container::kLEData, code, transactionId, m_packet.data());

    // The first packet carries the header and the payload's first bytes: one
    // write starts both, and only those bytes are copied.
    const size_t first = size_t(std::min<quint64>(total, m_packetSize));
    const size_t headPayload = first - Container::kHeaderSize;
    if (headPayload > 0)
        std::memcpy(m_packet.data() + Container::kHeaderSize, bytes, headPayload);
    eLEStatus status = write(m_packet.data(), first);

    // The rest straight from the caller's bytes, in chunks of whole packets
    // (only the last may end short).
    const size_t chunk = std::max(m_packetSize, kChunkSize / m_packetSize * m_packetSize);
    quint64 sent = headPayload;
    while (status == kLEOk && sent < size) {
        const size_t piece = size_t(std::min<quint64>(size - sent, chunk));
        status = write(bytes + sent, piece);
        sent += piece;
    }
    if (status == kLEOk && total % m_packetSize == 0)
        status = write(nullptr, 0);
    return status;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::receiveContainer(Container *container)
{
    TVK_METHOD(prefix);
    m_payloadPending = false;
    size_t received = 0;
    for (int zeroPackets = 0;; ++zeroPackets) {
        const eLEStatus status = read(m_packet.data(), m_packetSize, &received);
        if (status != kLEOk)
            return status;
        if (received > 0)
            break;
        // The zero-length packet that ends a data phase filling its last
        // packet may still be waiting when the next container is read.
        if (zeroPackets >= kLeftoverZeroPackets) {
            debugLog(kLELogAlways, "%s - Error: only zero-length packets where a container was due", prefix);
            return kLEProtocolError;
        }
    }
    Container decoded;
    if (!Container::decode(m_packet.data(), received, &decoded)) {
        debugLog(kLELogAlways, "%s - Error: %zu bytes that are no PTP container", prefix, received);
        return kLEProtocolError;
    }
    if (decoded.type == Container::kLEData) {
        // A length of all ones: more than 4 GB follow, up to the short packet.
        m_payloadLength = decoded.length == kUnknownLengthField ? kUnknownLength : decoded.payloadLength();
        // All of the packet: bytes beyond the container's length are the
        // sink's guard's to cut and report.
        m_payloadInPacket = received - Container::kHeaderSize;
        // A short packet ends the transfer, except the bare 12-byte header some
        // cameras send on its own before the payload.
        m_transferEnded = received < m_packetSize && !(received == Container::kHeaderSize && m_payloadLength > 0);
        m_payloadPending = true;
    }
    *container = decoded;
    return kLEOk;
}

TVK_Commu_PtpFramingIF::eLEStatus TVK_Commu_UsbFraming::receivePayload(TVK_Commu_DataSink *sink,
                                                                        quint64 *received)
{
    TVK_METHOD(prefix);
    *received = 0;
    if (!m_payloadPending)
        return kLEOk;
    m_payloadPending = false;

    const bool known = m_payloadLength != kUnknownLength;
    if (sink != nullptr && !sink->begin(known ? m_payloadLength : TVK_Commu_DataSink::kUnknownTotal))
        return kLERefused;
    quint64 arrived = m_payloadInPacket;
    if (sink != nullptr && m_payloadInPacket > 0
        && !sink->write(m_packet.data() + Container::kHeaderSize, m_payloadInPacket))
        return kLERefused;
    bool ended = m_transferEnded;
    const size_t chunk = std::max(m_packetSize, kChunkSize / m_packetSize * m_packetSize);

    while (!ended && (!known || arrived < m_payloadLength)) {
        // Always whole packets: a packet that does not fit into a read is an
        // overflow, not a short read. The packets within the total go
        // straight into the sink's memory where it has some; the last,
        // partial one (and everything for a sink without memory) through the
        // framing's own buffer, at most a chunk.
        size_t asked = chunk;
        if (known) {
            const quint64 whole = (m_payloadLength - arrived) / m_packetSize * m_packetSize;
            asked = whole > 0 ? size_t(std::min<quint64>(whole, chunk)) : m_packetSize;
        }
        unsigned char *into = sink != nullptr ? sink->room(arrived, asked) : nullptr;
        if (into == nullptr) {
            if (asked <= m_packet.size()) {
                into = m_packet.data();
            } else {
                // Grown as the bytes keep coming, up to a chunk: a header that
                // announces much and brings little costs no megabyte.
                if (m_staging.size() < asked)
                    m_staging.resize(
                        std::min(asked, std::max({kFirstStagingSize, 2 * m_staging.size(), m_packetSize})));
                asked = std::min(asked, std::max(m_packetSize, m_staging.size() / m_packetSize * m_packetSize));
                into = m_staging.data();
            }
        }
        size_t got = 0;
        const eLEStatus status = read(into, asked, &got);
        if (status != kLEOk)
            return status;
        if (sink != nullptr && got > 0 && !sink->write(into, got))
            return kLERefused;
        arrived += got;
        ended = got < asked;
    }
    if (known && arrived < m_payloadLength)
        debugLog(kLELogAlways, "%s - data phase ended after 0x%llX of 0x%llX bytes", prefix,
                 static_cast<unsigned long long>(arrived), static_cast<unsigned long long>(m_payloadLength));
    // A last packet longer than the container said counts only up to its length.
    *received = known ? std::min(arrived, m_payloadLength) : arrived;
    return kLEOk;
}

void TVK_Commu_UsbFraming::cancelTransaction(quint32 transactionId)
{
    TVK_METHOD(prefix);
    m_payloadPending = false;
    if (m_pipe == nullptr)
        return;
    const Pipe::eLEResult result = m_pipe->cancelTransaction(transactionId, m_timeoutMs);
    debugLog(result == Pipe::kLEOk ? kLELogCommand : kLELogAlways, "%s - cancel of transaction 0x%08X: %s", prefix,
             transactionId, Pipe::resultName(result));
    if (result != Pipe::kLEGone)
        waitUntilIdle(transactionId, prefix);
}

void TVK_Commu_UsbFraming::waitUntilIdle(quint32 transactionId, const char *prefix)
{
    // A camera still abandoning the cancelled transaction may drop or garble
    // the next one: the still-image class has the host wait for its OK.
    QElapsedTimer clock;
    clock.start();
    quint16 status = 0;
    Pipe::eLEResult result = Pipe::kLEOk;
    int polls = 0;
    while (polls < kIdlePolls) {
        if (polls > 0) {
            if (clock.elapsed() + kIdlePauseMs > m_timeoutMs)
                break;
            QThread::msleep(kIdlePauseMs);
        }
        ++polls;
        result = m_pipe->deviceStatus(&status, m_timeoutMs);
        if (result == Pipe::kLEGone)
            return; // the next transaction finds it gone
        if (result == Pipe::kLEOk && status == TVK_Commu_Ptp::kRespOK) {
            debugLog(kLELogCommand, "%s - camera idle after the cancel of transaction 0x%08X (%d status requests)",
                     prefix, transactionId, polls);
            return;
        }
    }
    // The next transaction may still work; if not, its own failure says so.
    debugLog(kLELogAlways,
             "%s - Error: camera not idle after the cancel of transaction 0x%08X: %d status requests in %lld ms, last "
             "%s, status 0x%04X; going on",
             prefix, transactionId, polls, static_cast<long long>(clock.elapsed()), Pipe::resultName(result),
             unsigned(status));
}
