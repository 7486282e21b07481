#pragma once

#include "TVK_Commu_HostLookup.h"
#include "TVK_Commu_PtpFramingIF.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <vector>

// PTP over TCP/IP: one connection of a PTP/IP initiator. Every packet is a
// 32-bit length (header included), a 32-bit type and the type's payload, all
// little-endian. The command connection carries the init handshake and then
// the transactions (this class is the transaction engine's framing for it);
// the event connection carries its own handshake and then only events, which
// receiveEvent reads.
//
// A plain POSIX socket, not a QTcpSocket: transactions come from the
// controller's thread and from transfer threads in turn (serialised by the
// engine's mutex), and a QTcpSocket may only be used from the thread it lives
// in and needs that thread's event loop. Blocking reads with poll() time-outs
// work from any thread, and shutdown() from any other thread wakes a reader at
// once when the connection is given up.
//
// Not thread-safe except shutdown(): the engine's mutex (command connection)
// or the one event thread (event connection) is the only user.
class TVK_Commu_PtpIpFraming : public TVK_Commu_PtpFramingIF
{
public:
    enum eLEPacketType : quint32 {
        kLEInitCommandRequest = 1,
        kLEInitCommandAck = 2,
        kLEInitEventRequest = 3,
        kLEInitEventAck = 4,
        kLEInitFail = 5,
        kLEOperationRequest = 6,
        kLEOperationResponse = 7,
        kLEEvent = 8,
        kLEStartData = 9,
        kLEData = 10,
        kLECancel = 11,
        kLEEndData = 12,
        kLEProbeRequest = 13,
        kLEProbeResponse = 14
    };
    // The data-phase field of an Operation Request.
    static constexpr quint32 kDataPhaseNoneOrIn = 1;
    static constexpr quint32 kDataPhaseOut = 2;
    // Reasons of an Init Fail.
    static constexpr quint32 kFailRejectedInitiator = 1;
    static constexpr quint32 kFailBusy = 2;
    static constexpr quint32 kFailUnspecified = 3;

    static constexpr quint16 kDefaultPort = 15740;
    // Major version in the upper, minor in the lower 16 bits: 1.0.
    static constexpr quint32 kProtocolVersion = 0x00010000;
    static constexpr int kGuidSize = 16;
    static constexpr size_t kHeaderSize = 8;
    // Start Data: transaction id, then the 64-bit total length, which is all
    // ones when the camera does not know it in advance.
    static constexpr quint64 kUnknownDataLength = ~quint64(0);
    // What some cameras send instead, the container's "more than 4 GB".
    static constexpr quint64 kUnknownDataLength32 = 0xFFFFFFFFu;
    // Every packet but Data and End Data is small (the longest is an Init Ack
    // with a friendly name); anything longer is no packet of ours, refused
    // before a byte of it is kept.
    static constexpr quint32 kMaxControlPacket = 4096;
    // Data and End Data go to the sink in pieces of at most kChunkSize, never
    // allocated whole; the bound only rejects a length that is nonsense.
    static constexpr quint32 kMaxDataPacket = 256u * 1024 * 1024;
    // The payload of each Data packet sent: large enough for full speed over
    // loopback, small enough that a write's time-out still means something.
    static constexpr size_t kChunkSize = 1024 * 1024;
    static constexpr int kDefaultTimeoutMs = 5000;

    struct InitResult {
        eLEStatus status = kLEOk;
        quint32 failReason = 0;     // the camera's Init Fail reason; 0 when none came
        quint32 connectionNumber = 0;
        QByteArray responderGuid;
        QString responderName;
        quint32 protocolVersion = 0;
        bool ok() const { return status == kLEOk && failReason == 0; }
    };

    // Takes over a connected socket, closed with the object.
    explicit TVK_Commu_PtpIpFraming(int socket);
    ~TVK_Commu_PtpIpFraming() override;
    TVK_Commu_PtpIpFraming(const TVK_Commu_PtpIpFraming &) = delete;
    TVK_Commu_PtpIpFraming &operator=(const TVK_Commu_PtpIpFraming &) = delete;

    // A TCP connection to the first of the endpoints that takes it, each tried
    // for at most timeoutMs. The socket, or -1 with a reason in *error.
    static int connectTo(const std::vector<TVK_Commu_HostLookup::Endpoint> &endpoints, int timeoutMs,
                         QString *error);
    // The same for a numeric host; a name is refused here, since its lookup
    // needs a bound of its own (TVK_Commu_HostLookup).
    static int connectTo(const QString &host, quint16 port, int timeoutMs, QString *error);
    static const char *failReasonName(quint32 reason);
    static const char *packetTypeName(quint32 type);

    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs > 0 ? timeoutMs : 1; }
    int timeoutMs() const { return m_timeoutMs; }
    // False once the connection was given up (peer closed, broken stream).
    bool isUsable() const { return !m_broken.load(); }
    // Gives the connection up; a reader blocked on another thread returns at
    // once. Safe from any thread.
    void shutdown();

    // The command connection's handshake: Init Command Request with the
    // initiator's GUID (16 bytes), friendly name and version, then the Ack.
    InitResult initCommand(const QByteArray &guid, const QString &friendlyName);
    // The event connection's handshake with the Ack's connection number.
    InitResult initEvent(quint32 connectionNumber);

    // The event connection: the next event within timeoutMs. kLETimeout when
    // none came (the connection is still fine). Probe Requests are answered
    // on the way.
    eLEStatus receiveEvent(TVK_Commu_PtpContainer *event, int timeoutMs);

    // The transaction engine's framing (command connection).
    eLEStatus sendRequest(quint16 code, quint32 transactionId, int numParams, const quint32 *params) override;
    eLEStatus sendData(quint16 code, quint32 transactionId, const void *data, quint64 size) override;
    eLEStatus receiveContainer(TVK_Commu_PtpContainer *container) override;
    eLEStatus receivePayload(TVK_Commu_DataSink *sink, quint64 *received) override;
    void cancelTransaction(quint32 transactionId) override;

private:
    struct Header {
        quint32 length = 0;
        quint32 type = 0;
        quint64 payloadLength() const { return quint64(length) - kHeaderSize; }
    };

    eLEStatus writeAll(const void *first, size_t firstSize, const void *second = nullptr, size_t secondSize = 0);
    eLEStatus writePacket(quint32 type, const unsigned char *payload, size_t size);
    // Exactly size bytes; *got how many arrived before a failure.
    eLEStatus readExact(void *buffer, size_t size, int timeoutMs, size_t *got);
    // The next header; a time-out before its first byte is kLETimeout, anything
    // that leaves the stream out of step gives the connection up (kLEGone).
    eLEStatus readHeader(Header *header, int timeoutMs);
    // The payload of a packet whose length passed the bound for its type; a
    // Data or End Data packet is read past instead (never allocated) and
    // leaves payload empty.
    eLEStatus readPayload(const Header &header, std::vector<unsigned char> *payload);
    eLEStatus skipBytes(quint64 size);
    // The staging buffer for a read of up to *size bytes, which it may cut.
    unsigned char *staging(size_t *size);
    // Gives the connection up with a log line; always kLEGone.
    eLEStatus giveUp(const char *prefix, const char *what);
    eLEStatus flushRequest(quint32 dataPhase);
    InitResult readInitAnswer(quint32 ackType, const char *prefix);
    eLEStatus answerProbe();
    bool decodeResponse(const std::vector<unsigned char> &payload, TVK_Commu_PtpContainer *container);

    int m_socket;
    std::atomic<bool> m_broken{false};
    int m_timeoutMs = kDefaultTimeoutMs;

    // The Operation Request carries the data-phase flag, which the engine's
    // sendRequest does not say: it is held back until the next call shows
    // whether data goes out (sendData) or not (receiveContainer).
    bool m_requestPending = false;
    quint16 m_requestCode = 0;
    quint32 m_requestTransactionId = 0;
    int m_requestNumParams = 0;
    quint32 m_requestParams[TVK_Commu_PtpContainer::kMaxParams] = {};

    // The data phase receiveContainer announced last (Start Data).
    bool m_payloadPending = false;
    quint32 m_dataTransactionId = 0;
    quint64 m_dataTotal = 0;
    // A response that ended a data phase early, given by the next receiveContainer.
    bool m_responseStashed = false;
    TVK_Commu_PtpContainer m_stashedResponse;
    // The last transaction given up with Cancel: the rest of its data phase
    // may still come and is read past.
    bool m_hasCancelled = false;
    quint32 m_cancelledTransactionId = 0;

    // Bytes read past, and data for a sink without memory of its own.
    std::vector<unsigned char> m_staging;
};
