#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The framing of PTP over TCP/IP, the camera's side of it: every packet is a
// 32-bit length (header included), a 32-bit type and its payload, all
// little-endian; texts are UTF-16LE with a final zero unit.
//
// Decoding goes through Cursor, which owns the read position and the end, so
// that no field is read past what the peer actually sent.
class TVK_Emulator_PtpIpPacket
{
public:
    enum eLEType : quint32 {
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

    // Why an initialisation was refused (the Init Fail payload).
    enum eLEFailReason : quint32 {
        kLEFailRejectedInitiator = 1,
        kLEFailBusy = 2,
        kLEFailUnspecified = 3
    };

    // The data-phase field of an Operation Request.
    enum eLEDataPhaseInfo : quint32 {
        kLENoDataOrDataIn = 1,
        kLEDataOut = 2,
        kLEDataPhaseUnknown = 3
    };

    static constexpr int kHeaderBytes = 8;
    static constexpr int kGuidBytes = 16;
    static constexpr quint32 kDefaultPort = 15740;
    // Major version in the upper half, minor in the lower: 1.0.
    static constexpr quint32 kProtocolVersion = 0x00010000;
    static constexpr int kMaxOperationParams = 5;
    static constexpr int kMaxEventParams = 3;
    // Events that belong to no transaction carry this transaction id.
    static constexpr quint32 kNoTransaction = 0xFFFFFFFF;

    // What a buffer starts with.
    enum eLEFrame {
        kLEIncomplete, // fewer bytes than the header or the announced length
        kLEComplete,   // a whole packet of `length` bytes is there
        kLEMalformed   // the announced length cannot be a packet
    };
    struct Header {
        quint32 length = 0;
        quint32 type = 0;
    };
    // Looks at the start of buffer without consuming it. A length below the
    // header's eight bytes or above maxLength is malformed; nothing is
    // allocated for an announced length before the bytes are there.
    static eLEFrame frame(const QByteArray &buffer, quint32 maxLength, Header *header);
    static const char *typeName(quint32 type);

    // Reads a payload; each read fails (and keeps failing) once a field
    // would run past the end.
    class Cursor
    {
    public:
        Cursor(const char *data, int size)
            : m_data(data)
            , m_end(size < 0 ? 0 : size)
        {
        }
        bool ok() const { return m_ok; }
        int remaining() const { return m_end - m_pos; }
        bool atEnd() const { return m_pos == m_end; }
        quint16 u16();
        quint32 u32();
        quint64 u64();
        QByteArray bytes(int count);
        // A text up to and with its final zero unit; fails without one.
        QString utf16String();

    private:
        bool take(int count);
        quint64 little(int width);

        const char *m_data;
        int m_end;
        int m_pos = 0;
        bool m_ok = true;
    };

    // Whole packets, header included.
    static QByteArray packet(eLEType type, const QByteArray &payload = QByteArray());
    static QByteArray initCommandAck(quint32 connectionNumber, const QByteArray &guid, const QString &name);
    static QByteArray initFail(eLEFailReason reason);
    static QByteArray operationResponse(quint16 code, quint32 transactionId, const QVector<quint32> &params = {});
    static QByteArray event(quint16 code, quint32 transactionId, const QVector<quint32> &params);
    static QByteArray startData(quint32 transactionId, quint64 totalLength);
    // The header and transaction id of a Data or End Data packet that
    // carries payloadBytes more bytes after it; the caller writes them next.
    static QByteArray dataHeader(eLEType type, quint32 transactionId, int payloadBytes);

    static void appendU16(QByteArray &bytes, quint16 value);
    static void appendU32(QByteArray &bytes, quint32 value);
    static void appendU64(QByteArray &bytes, quint64 value);
    static void appendUtf16String(QByteArray &bytes, const QString &text);
};
