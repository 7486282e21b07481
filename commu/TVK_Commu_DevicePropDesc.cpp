#include "TVK_Commu_DevicePropDesc.h"

#include "TVK_Commu_DataReader.h"

namespace {

// Reads one value of the property's type. The camera compares 8- and 16-bit
// values by their signedness but both 32-bit types as signed 32-bit numbers,
// so a UINT32 of 0xFFFFFFFF is -1 here, as it is in the camera's own checks.
qint64 readValue(TVK_Commu_DataReader &reader, int dataType)
{
    switch (dataType) {
    case 1:
        return reader.i8();
    case 2:
        return reader.u8();
    case 3:
        return reader.i16();
    case 4:
        return reader.u16();
    case 5:
    case 6:
        return reader.i32();
    default:
        return 0;
    }
}

} // namespace

int TVK_Commu_DevicePropDesc::valueWidth(int dataType)
{
    switch (dataType) {
    case 1:
    case 2:
        return 1;
    case 3:
    case 4:
        return 2;
    case 5:
    case 6:
        return 4;
    default:
        return 0;
    }
}

TVK_Commu_DevicePropDesc::eLEParseResult TVK_Commu_DevicePropDesc::parse(const void *data, size_t size)
{
    const eLEParseResult result = parseFields(data, size);
    if (result == kLETruncated) {
        // Half a form must never allow a value.
        m_formFlag = kLEFormNone;
        m_enumerationCount = 0;
        m_enumeration.clear();
    }
    return result;
}

TVK_Commu_DevicePropDesc::eLEParseResult TVK_Commu_DevicePropDesc::parseFields(const void *data, size_t size)
{
    *this = TVK_Commu_DevicePropDesc();
    TVK_Commu_DataReader reader(data, size);
    m_propertyCode = reader.u16();
    m_dataType = reader.u16();
    m_getSet = reader.u8();
    if (!reader.ok())
        return kLETruncated;
    if (valueWidth(m_dataType) == 0)
        return kLEUnknownDataType;

    m_factoryDefault = readValue(reader, m_dataType);
    m_current = readValue(reader, m_dataType);
    m_formFlag = reader.u8();
    if (!reader.ok())
        return kLETruncated;

    switch (m_formFlag) {
    case kLEFormNone:
        break;
    case kLEFormRange:
        m_minimum = readValue(reader, m_dataType);
        m_maximum = readValue(reader, m_dataType);
        m_step = readValue(reader, m_dataType);
        break;
    case kLEFormEnumeration: {
        m_enumerationCount = reader.u16();
        if (!reader.ok())
            return kLETruncated;
        // A long enumeration may not fit the caller's buffer. The values that
        // did arrive are still the camera's, so they are kept; only as many
        // as the bytes hold are reserved, whatever the count claims.
        const size_t width = size_t(valueWidth(m_dataType));
        const size_t whole = qMin(size_t(m_enumerationCount), reader.remaining() / width);
        m_enumeration.reserve(int(whole));
        for (size_t i = 0; i < whole; ++i)
            m_enumeration.append(readValue(reader, m_dataType));
        if (whole < m_enumerationCount)
            return kLEEnumerationCut;
        break;
    }
    default:
        return kLEUnknownFormFlag;
    }
    return reader.ok() ? kLEParsed : kLETruncated;
}

bool TVK_Commu_DevicePropDesc::allows(qint64 value) const
{
    switch (m_formFlag) {
    case kLEFormRange:
        if (value < m_minimum || value > m_maximum)
            return false;
        if (m_step == 0)
            return true;
        return (value - m_minimum) % m_step == 0;
    case kLEFormEnumeration:
        for (qint64 allowed : m_enumeration) {
            if (allowed == value)
                return true;
        }
        return false;
    default:
        return false;
    }
}
