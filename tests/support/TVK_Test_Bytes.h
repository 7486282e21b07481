#pragma once

#include <QByteArray>

// Bytes as a camera lays them out on the wire, for tests that play the camera.
namespace TVK_Test_Bytes {

QByteArray le16(quint16 value);
QByteArray le32(quint32 value);
QByteArray le64(quint64 value);
// Bytes that differ from packet to packet: a block of a prime length, repeated.
QByteArray pattern(int size);

} // namespace TVK_Test_Bytes
