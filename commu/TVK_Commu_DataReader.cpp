#include "TVK_Commu_DataReader.h"

#include <QtEndian>

#include <cstring>

TVK_Commu_DataReader::TVK_Commu_DataReader(const void *data, size_t size, size_t position)
    : m_data(static_cast<const unsigned char *>(data))
    , m_size(data ? size : 0)
    , m_position(position <= m_size ? position : m_size)
    , m_ok(position <= m_size)
{
}

TVK_Commu_DataReader::TVK_Commu_DataReader(const QByteArray &data)
    : TVK_Commu_DataReader(data.constData(), size_t(data.size()))
{
}

bool TVK_Commu_DataReader::take(size_t bytes, const unsigned char **at)
{
    if (!fits(bytes)) {
        m_ok = false;
        return false;
    }
    *at = m_data + m_position;
    m_position += bytes;
    return true;
}

bool TVK_Commu_DataReader::seek(size_t position)
{
    if (!m_ok || position > m_size) {
        m_ok = false;
        return false;
    }
    m_position = position;
    return true;
}

bool TVK_Commu_DataReader::skip(size_t bytes)
{
    const unsigned char *at = nullptr;
    return take(bytes, &at);
}

quint8 TVK_Commu_DataReader::u8()
{
    const unsigned char *at = nullptr;
    return take(1, &at) ? *at : 0;
}

quint16 TVK_Commu_DataReader::u16()
{
    const unsigned char *at = nullptr;
    return take(2, &at) ? qFromLittleEndian<quint16>(at) : 0;
}

quint32 TVK_Commu_DataReader::u32()
{
    const unsigned char *at = nullptr;
    return take(4, &at) ? qFromLittleEndian<quint32>(at) : 0;
}

quint64 TVK_Commu_DataReader::u64()
{
    const unsigned char *at = nullptr;
    return take(8, &at) ? qFromLittleEndian<quint64>(at) : 0;
}

float TVK_Commu_DataReader::f32()
{
    const quint32 bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double TVK_Commu_DataReader::f64()
{
    const quint64 bits = u64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString TVK_Commu_DataReader::ptpString(quint8 *lengthByte)
{
    const size_t start = m_position;
    if (lengthByte)
        *lengthByte = 0;
    const quint8 length = u8();
    const unsigned char *units = nullptr;
    if (!m_ok || !take(size_t(length) * 2, &units)) {
        m_position = start;
        return QString();
    }
    if (lengthByte)
        *lengthByte = length;
    if (length == 0)
        return QString();
    QString text;
    text.reserve(length - 1);
    for (int i = 0; i < length - 1; ++i)
        text.append(QChar(qFromLittleEndian<quint16>(units + 2 * i)));
    return text;
}

bool TVK_Commu_DataReader::skipPtpString()
{
    const size_t start = m_position;
    const quint8 length = u8();
    if (!m_ok || !skip(size_t(length) * 2)) {
        m_position = start;
        return false;
    }
    return true;
}

quint8 TVK_Commu_DataReader::u8At(const void *data, size_t size, size_t offset)
{
    return TVK_Commu_DataReader(data, size, offset).u8();
}

quint16 TVK_Commu_DataReader::u16At(const void *data, size_t size, size_t offset)
{
    return TVK_Commu_DataReader(data, size, offset).u16();
}

quint32 TVK_Commu_DataReader::u32At(const void *data, size_t size, size_t offset)
{
    return TVK_Commu_DataReader(data, size, offset).u32();
}
