#include "TVK_Logic_TransferReader.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_TiffTagScanner.h"

#include <QString>
#include <QtEndian>

namespace {

// MTP object formats and the vendor object property holding the orientation.
constexpr int kFormatExifJpeg = 0x3801;
constexpr int kFormatTiffEp = 0x3802;
constexpr int kObjectPropOrientation = 0xD800;

constexpr size_t kDumpAllLines = 0;
constexpr size_t kDumpLines = 10;
constexpr size_t kDumpBytesPerLine = 16;

} // namespace

TVK_Logic_TransferReader::TVK_Logic_TransferReader(TVK_Commu_CameraAccess_Base &access, bool largeThumbnails,
                                                   bool objectProps, bool partialObject)
    : m_access(access)
    , m_largeThumbnails(largeThumbnails)
    , m_objectProps(objectProps)
    , m_partialObject(partialObject)
{
}

bool TVK_Logic_TransferReader::readObjectInfo()
{
    TVK_METHOD(prefix);
    // A picture without a large thumbnail is asked for again with the small one.
    m_thumbnailType = m_largeThumbnails ? 1 : 0;
    const bool ok = m_objectInfo.recvFromCamera(&m_access, kPendingObjectHandle, m_thumbnailType);
    if (ok && m_objectInfo.thumbCompressedSize() == 0 && m_thumbnailType != 0) {
        const TVK_Logic_ObjectInfo first = m_objectInfo;
        m_thumbnailType = 0;
        if (!m_objectInfo.recvFromCamera(&m_access, kPendingObjectHandle, m_thumbnailType)) {
            // The picture is still the camera's to hand over; it goes
            // without a quick view rather than not at all.
            debugLog(kLELogAlways, "%s - ObjectInfo with the small thumbnail failed, keeping the first", prefix);
            m_objectInfo = first;
        }
    }
    if (debugLogEnabled(kLELogThreads)) {
        debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" calls getObjectInfo:"),
                     QStringLiteral("objectInfo"), m_objectInfo.data(), m_objectInfo.size(), kDumpAllLines,
                     kDumpBytesPerLine);
    }
    return ok;
}

bool TVK_Logic_TransferReader::readThumbnail(QByteArray *thumbnail)
{
    TVK_METHOD(prefix);
    const quint32 size = m_objectInfo.thumbCompressedSize();
    if (size > kMaxThumbnailBytes) {
        debugLog(kLELogAlways, "%s - Error! Thumbnail size %u is not believable", prefix, size);
        return false;
    }
    if (size == 0)
        return false;
    *thumbnail = QByteArray(int(size), '\0');
    if (!m_access.getThumbnail(thumbnail->data(), size, m_thumbnailType, kPendingObjectHandle)) {
        thumbnail->clear();
        return false;
    }
    if (debugLogEnabled(kLELogThreads)) {
        debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" calls getThumbnail:"),
                     QStringLiteral("thumbnailBuffer"), *thumbnail, kDumpLines, kDumpBytesPerLine);
    }
    return true;
}

int TVK_Logic_TransferReader::orientation(bool isJpg, const QByteArray &head)
{
    unsigned char value[4] = {};
    if (m_objectProps && m_access.supportsObjectProp(isJpg ? kFormatExifJpeg : kFormatTiffEp, kObjectPropOrientation)
        && m_access.getObjectPropValue(value, 2, kObjectPropOrientation, kPendingObjectHandle))
        return qFromLittleEndian<quint16>(value);
    if (!head.isEmpty())
        return exifOrientation(head);

    QByteArray first(kHeaderBytes, 'X');
    // Reading only the header spares moving the whole picture twice.
    const bool read = m_partialObject
                          ? m_access.getPartialObject(first.data(), kHeaderBytes, 0, kPendingObjectHandle)
                          : m_access.getObject(first.data(), kHeaderBytes, kPendingObjectHandle);
    return read ? exifOrientation(first) : 0;
}

bool TVK_Logic_TransferReader::stream(TVK_Commu_DataSink *sink, quint64 *received)
{
    return m_access.streamObject(sink, kPendingObjectHandle, received);
}

bool TVK_Logic_TransferReader::streamFrom(TVK_Commu_DataSink *sink, quint64 offset, quint64 size, quint64 *received)
{
    if (offset >= size || size > 0xFFFFFFFFu)
        return false;
    return m_access.streamPartialObject(sink, kPendingObjectHandle, quint32(offset), quint32(size - offset), received);
}

bool TVK_Logic_TransferReader::confirmHandOver()
{
    return m_access.transferObjectReady();
}

int TVK_Logic_TransferReader::exifOrientation(const QByteArray &file)
{
    TVK_METHOD(prefix);
    const int orientation =
        TVK_Logic_TiffTagScanner::lowByteOf(file.left(kHeaderBytes), TVK_Logic_TiffTagScanner::kTagOrientation);
    if (orientation < 0)
        return 0;
    debugLog(kLELogThreads, "%s - parse Exif for orientation: %d", prefix, orientation);
    return orientation;
}
