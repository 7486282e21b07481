#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Little-endian PTP encoding shared by everything the emulated camera answers.
namespace TVK_Emulator_Bytes {

void appendU16(QByteArray &bytes, quint16 value);
void appendU32(QByteArray &bytes, quint32 value);
void appendU64(QByteArray &bytes, quint64 value);
// The low width bytes of value (1 to 8).
void appendLittleEndian(QByteArray &bytes, quint64 value, int width);
// Overwrites the low width bytes (1 to 8) of value at offset, over bytes
// already there; the caller keeps offset + width within bytes.
void putLittleEndian(QByteArray &bytes, int offset, quint64 value, int width);
void putU16(QByteArray &bytes, int offset, quint16 value);
void putU32(QByteArray &bytes, int offset, quint32 value);
// IEEE 754 single and double precision, as the vendor records carry them.
void putFloat32(QByteArray &bytes, int offset, float value);
void putFloat64(QByteArray &bytes, int offset, double value);
// The width bytes (1 to 8) at offset as an unsigned number; bytes past the
// end read as zero.
quint64 getLittleEndian(const QByteArray &bytes, int offset, int width);
// A UINT32 count followed by the 16-bit codes.
void appendCodeList(QByteArray &bytes, const QVector<quint16> &codes);
// A PTP string: one length byte counting the UTF-16 units with the final zero
// (0 for an empty text), the units and the zero; at most 254 characters fit.
void appendPtpString(QByteArray &bytes, const QString &text);

} // namespace TVK_Emulator_Bytes
