#include "TVK_Emulator_PtpIpPacket.h"

using P = TVK_Emulator_PtpIpPacket;

P::eLEFrame P::frame(const QByteArray &buffer, quint32 maxLength, Header *header)
{
    if (buffer.size() < kHeaderBytes)
        return kLEIncomplete;
    Cursor cursor(buffer.constData(), kHeaderBytes);
    header->length = cursor.u32();
    header->type = cursor.u32();
    if (header->length < quint32(kHeaderBytes) || header->length > maxLength)
        return kLEMalformed;
    return quint64(buffer.size()) >= header->length ? kLEComplete : kLEIncomplete;
}

const char *P::typeName(quint32 type)
{
    static const char *const kNames[] = {"Init Command Request", "Init Command Ack", "Init Event Request",
                                         "Init Event Ack",       "Init Fail",        "Operation Request",
                                         "Operation Response",   "Event",            "Start Data",
                                         "Data",                 "Cancel",           "End Data",
                                         "Probe Request",        "Probe Response"};
    if (type >= 1 && type <= sizeof kNames / sizeof kNames[0])
        return kNames[type - 1];
    return "unknown";
}

bool P::Cursor::take(int count)
{
    if (!m_ok || count < 0 || count > m_end - m_pos) {
        m_ok = false;
        return false;
    }
    return true;
}

quint64 P::Cursor::little(int width)
{
    if (!take(width))
        return 0;
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value |= quint64(uchar(m_data[m_pos + i])) << (8 * i);
    m_pos += width;
    return value;
}

quint16 P::Cursor::u16()
{
    return quint16(little(2));
}

quint32 P::Cursor::u32()
{
    return quint32(little(4));
}

quint64 P::Cursor::u64()
{
    return little(8);
}

QByteArray P::Cursor::bytes(int count)
{
    if (!take(count))
        return QByteArray();
    const QByteArray out(m_data + m_pos, count);
    m_pos += count;
    return out;
}

QString P::Cursor::utf16String()
{
    QString text;
    for (;;) {
        const quint16 unit = u16();
        if (!m_ok)
            return QString();
        if (unit == 0)
            return text;
        text.append(QChar(unit));
    }
}

void P::appendU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

void P::appendU32(QByteArray &bytes, quint32 value)
{
    appendU16(bytes, quint16(value & 0xFFFF));
    appendU16(bytes, quint16(value >> 16));
}

void P::appendU64(QByteArray &bytes, quint64 value)
{
    appendU32(bytes, quint32(value & 0xFFFFFFFFu));
    appendU32(bytes, quint32(value >> 32));
}

void P::appendUtf16String(QByteArray &bytes, const QString &text)
{
    for (QChar unit : text)
        appendU16(bytes, unit.unicode());
    appendU16(bytes, 0);
}

QByteArray P::packet(eLEType type, const QByteArray &payload)
{
    QByteArray bytes;
    bytes.reserve(kHeaderBytes + payload.size());
    appendU32(bytes, quint32(kHeaderBytes + payload.size()));
    appendU32(bytes, type);
    bytes.append(payload);
    return bytes;
}

QByteArray P::initCommandAck(quint32 connectionNumber, const QByteArray &guid, const QString &name)
{
    QByteArray payload;
    appendU32(payload, connectionNumber);
    payload.append(guid.left(kGuidBytes));
    payload.append(QByteArray(kGuidBytes - qMin(kGuidBytes, guid.size()), '\0'));
    appendUtf16String(payload, name);
    appendU32(payload, kProtocolVersion);
    return packet(kLEInitCommandAck, payload);
}

QByteArray P::initFail(eLEFailReason reason)
{
    QByteArray payload;
    appendU32(payload, reason);
    return packet(kLEInitFail, payload);
}

QByteArray P::operationResponse(quint16 code, quint32 transactionId, const QVector<quint32> &params)
{
    QByteArray payload;
    appendU16(payload, code);
    appendU32(payload, transactionId);
    for (int i = 0; i < params.size() && i < kMaxOperationParams; ++i)
        appendU32(payload, params.at(i));
    return packet(kLEOperationResponse, payload);
}

QByteArray P::event(quint16 code, quint32 transactionId, const QVector<quint32> &params)
{
    QByteArray payload;
    appendU16(payload, code);
    appendU32(payload, transactionId);
    for (int i = 0; i < params.size() && i < kMaxEventParams; ++i)
        appendU32(payload, params.at(i));
    return packet(kLEEvent, payload);
}

QByteArray P::startData(quint32 transactionId, quint64 totalLength)
{
    QByteArray payload;
    appendU32(payload, transactionId);
    appendU64(payload, totalLength);
    return packet(kLEStartData, payload);
}

QByteArray P::dataHeader(eLEType type, quint32 transactionId, int payloadBytes)
{
    QByteArray bytes;
    appendU32(bytes, quint32(kHeaderBytes + 4 + qMax(0, payloadBytes)));
    appendU32(bytes, type);
    appendU32(bytes, transactionId);
    return bytes;
}
