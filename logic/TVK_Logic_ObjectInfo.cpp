#include "TVK_Logic_ObjectInfo.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"

#include <algorithm>

TVK_Logic_ObjectInfo::TVK_Logic_ObjectInfo(const void *data, size_t size)
{
    if (data != nullptr && size > 0) {
        const unsigned char *bytes = static_cast<const unsigned char *>(data);
        m_bytes.assign(bytes, bytes + size);
    }
}

TVK_Logic_ObjectInfo::TVK_Logic_ObjectInfo(const QByteArray &data)
    : TVK_Logic_ObjectInfo(data.constData(), size_t(data.size()))
{
}

bool TVK_Logic_ObjectInfo::recvFromCamera(TVK_Commu_CameraAccess_Base *access, quint32 objectHandle, int thumbType)
{
    m_bytes.assign(kObjectInfoBufferSize, 0);
    if (access != nullptr
        && access->getObjectInfo(m_bytes.data(), unsigned(m_bytes.size()), thumbType, objectHandle))
        return true;
    // A failed transaction may have left part of an answer behind.
    std::fill(m_bytes.begin(), m_bytes.end(), 0);
    return false;
}

quint16 TVK_Logic_ObjectInfo::objectFormat() const
{
    return TVK_Commu_DataReader::u16At(m_bytes.data(), m_bytes.size(), kObjectFormatOffset);
}

quint32 TVK_Logic_ObjectInfo::objectCompressedSize() const
{
    return TVK_Commu_DataReader::u32At(m_bytes.data(), m_bytes.size(), kObjectCompressedSizeOffset);
}

quint32 TVK_Logic_ObjectInfo::thumbCompressedSize() const
{
    return TVK_Commu_DataReader::u32At(m_bytes.data(), m_bytes.size(), kThumbCompressedSizeOffset);
}

quint32 TVK_Logic_ObjectInfo::sequenceNumber() const
{
    return TVK_Commu_DataReader::u32At(m_bytes.data(), m_bytes.size(), kSequenceNumberOffset);
}

QString TVK_Logic_ObjectInfo::filename() const
{
    return TVK_Commu_DataReader(m_bytes.data(), m_bytes.size(), kFilenameOffset).ptpString();
}
