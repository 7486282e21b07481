#include "TVK_Test_Bytes.h"

#include <QtEndian>

namespace {

template <typename T>
QByteArray little(T value)
{
    QByteArray bytes(int(sizeof(T)), '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

} // namespace

QByteArray TVK_Test_Bytes::le16(quint16 value) { return little(value); }
QByteArray TVK_Test_Bytes::le32(quint32 value) { return little(value); }
QByteArray TVK_Test_Bytes::le64(quint64 value) { return little(value); }

QByteArray TVK_Test_Bytes::pattern(int size)
{
    constexpr int kBlock = 65521;
    QByteArray block(qMin(size, kBlock), '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 7 + i / 251) & 0xFF);
    if (size <= kBlock)
        return block;
    return block.repeated(size / kBlock + 1).left(size);
}
