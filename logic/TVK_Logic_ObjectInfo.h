#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <vector>

class TVK_Commu_CameraAccess_Base;

// The few fields of a PTP ObjectInfo dataset that a picture transfer needs.
// Every field is read bounds-checked: one that does not fit in the bytes at
// hand reads as 0, a file name as empty.
class TVK_Logic_ObjectInfo
{
public:
    // Room for the fixed fields and a file name of up to 49 characters; the
    // dates and keywords after the name are never read.
    static constexpr size_t kObjectInfoBufferSize = 154;
    static constexpr size_t kObjectFormatOffset = 4;
    static constexpr size_t kObjectCompressedSizeOffset = 8;
    static constexpr size_t kThumbCompressedSizeOffset = 14;
    static constexpr size_t kSequenceNumberOffset = 48;
    static constexpr size_t kFilenameOffset = 52;

    // Empty: every field reads as 0 or empty.
    TVK_Logic_ObjectInfo() = default;
    // Copies size bytes at data.
    TVK_Logic_ObjectInfo(const void *data, size_t size);
    explicit TVK_Logic_ObjectInfo(const QByteArray &data);

    // Reads the ObjectInfo of objectHandle into a buffer of
    // kObjectInfoBufferSize bytes; the thumbnail type picks which thumbnail's
    // size the camera reports. On failure the buffer is zeroed and false is
    // returned.
    bool recvFromCamera(TVK_Commu_CameraAccess_Base *access, quint32 objectHandle, int thumbType = 0);

    // The PTP object format code (0x3802 for a JPEG picture).
    quint16 objectFormat() const;

    // Size of the picture file in bytes.
    quint32 objectCompressedSize() const;
    // Size of the thumbnail in bytes; 0 when there is none.
    quint32 thumbCompressedSize() const;
    // The camera reuses the standard field for the number of pictures it
    // still has to hand over.
    quint32 sequenceNumber() const;
    // The camera's file name; its extension decides the file type.
    QString filename() const;

    const unsigned char *data() const { return m_bytes.data(); }
    size_t size() const { return m_bytes.size(); }

private:
    std::vector<unsigned char> m_bytes;
};
