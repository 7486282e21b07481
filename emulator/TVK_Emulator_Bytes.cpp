#include "TVK_Emulator_Bytes.h"

#include <cstring>

namespace TVK_Emulator_Bytes {

void appendLittleEndian(QByteArray &bytes, quint64 value, int width)
{
    for (int i = 0; i < width && i < 8; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

void appendU16(QByteArray &bytes, quint16 value)
{
    appendLittleEndian(bytes, value, 2);
}

void appendU32(QByteArray &bytes, quint32 value)
{
    appendLittleEndian(bytes, value, 4);
}

void appendU64(QByteArray &bytes, quint64 value)
{
    appendLittleEndian(bytes, value, 8);
}

void putLittleEndian(QByteArray &bytes, int offset, quint64 value, int width)
{
    Q_ASSERT(width >= 1 && width <= 8);
    Q_ASSERT(offset >= 0 && offset + width <= bytes.size());
    for (int i = 0; i < width && i < 8; ++i) {
        const int at = offset + i;
        if (at >= 0 && at < bytes.size())
            bytes[at] = char((value >> (8 * i)) & 0xFF);
    }
}

void putU16(QByteArray &bytes, int offset, quint16 value)
{
    putLittleEndian(bytes, offset, value, 2);
}

void putU32(QByteArray &bytes, int offset, quint32 value)
{
    putLittleEndian(bytes, offset, value, 4);
}

void putFloat32(QByteArray &bytes, int offset, float value)
{
    quint32 raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    putLittleEndian(bytes, offset, raw, 4);
}

void putFloat64(QByteArray &bytes, int offset, double value)
{
    quint64 raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    putLittleEndian(bytes, offset, raw, 8);
}

quint64 getLittleEndian(const QByteArray &bytes, int offset, int width)
{
    Q_ASSERT(width >= 1 && width <= 8);
    quint64 value = 0;
    for (int i = 0; i < width && i < 8; ++i) {
        const int at = offset + i;
        if (at >= 0 && at < bytes.size())
            value |= quint64(uchar(bytes.at(at))) << (8 * i);
    }
    return value;
}

void appendCodeList(QByteArray &bytes, const QVector<quint16> &codes)
{
    appendU32(bytes, quint32(codes.size()));
    for (quint16 code : codes)
        appendU16(bytes, code);
}

void appendPtpString(QByteArray &bytes, const QString &text)
{
    const QString units = text.left(254);
    if (units.isEmpty()) {
        bytes.append(char(0));
        return;
    }
    bytes.append(char(units.size() + 1));
    for (QChar unit : units)
        appendU16(bytes, unit.unicode());
    appendU16(bytes, 0);
}

} // namespace TVK_Emulator_Bytes
