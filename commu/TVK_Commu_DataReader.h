#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// A bounds-checked little-endian cursor over camera bytes. Every read asks the
// cursor, so no parser can forget a check: a read that does not fit returns 0
// (or an empty string), leaves the position where it was and clears ok() for good.
class TVK_Commu_DataReader
{
public:
    TVK_Commu_DataReader(const void *data, size_t size, size_t position = 0);
    explicit TVK_Commu_DataReader(const QByteArray &data);

    bool ok() const { return m_ok; }
    size_t position() const { return m_position; }
    size_t size() const { return m_size; }
    size_t remaining() const { return m_position <= m_size ? m_size - m_position : 0; }
    bool fits(size_t bytes) const { return m_ok && bytes <= remaining(); }

    bool seek(size_t position);
    bool skip(size_t bytes);

    quint8 u8();
    quint16 u16();
    quint32 u32();
    quint64 u64();
    qint8 i8() { return qint8(u8()); }
    qint16 i16() { return qint16(u16()); }
    qint32 i32() { return qint32(u32()); }
    float f32();
    double f64();

    // A PTP string: a length byte n (UTF-16 code units including the final zero)
    // and n code units. The text is the first n-1 units. Fails whole when the
    // units do not fit.
    QString ptpString(quint8 *lengthByte = nullptr);
    // Skips a PTP string; false (position unchanged) when it does not fit.
    bool skipPtpString();

    // Bytes at an absolute position without moving the cursor (bounds-checked).
    static quint8 u8At(const void *data, size_t size, size_t offset);
    static quint16 u16At(const void *data, size_t size, size_t offset);
    static quint32 u32At(const void *data, size_t size, size_t offset);

private:
    bool take(size_t bytes, const unsigned char **at);

    const unsigned char *m_data;
    size_t m_size;
    size_t m_position;
    bool m_ok = true;
};
