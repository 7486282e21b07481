#include "TVK_Emulator_Bytes.h"

#include <QtEndian>

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

void putU16(QByteArray &bytes, int offset, quint16 value)
{
    Q_ASSERT(offset >= 0 && offset + 2 <= bytes.size());
    qToLittleEndian(value, bytes.data() + offset);
}

void putU32(QByteArray &bytes, int offset, quint32 value)
{
    Q_ASSERT(offset >= 0 && offset + 4 <= bytes.size());
    qToLittleEndian(value, bytes.data() + offset);
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
