#pragma once

#include "TVK_Logic_ObjectInfo.h"

#include <QByteArray>
#include <QtGlobal>

class TVK_Commu_CameraAccess_Base;
class TVK_Commu_DataSink;

// Reads the picture the camera holds for the host, which it names by one
// fixed handle only: its ObjectInfo, thumbnail and orientation, and its bytes
// as a stream to a sink; and tells the camera once it is handed over. The
// caller holds the camera's access lock.
class TVK_Logic_TransferReader
{
public:
    // The camera names the picture waiting for the host by this handle only.
    static constexpr quint32 kPendingObjectHandle = 0x12345678;
    // The orientation is looked for in this much of the file's beginning.
    static constexpr int kHeaderBytes = 1024;
    static constexpr quint32 kMaxThumbnailBytes = 16u * 1024u * 1024u;

    // largeThumbnails: the product has large thumbnails; objectProps and
    // partialObject: the camera lists the operations for object properties
    // and for reading part of an object.
    TVK_Logic_TransferReader(TVK_Commu_CameraAccess_Base &access, bool largeThumbnails, bool objectProps,
                             bool partialObject);

    // The ObjectInfo, with the large thumbnail where the product has one.
    bool readObjectInfo();
    const TVK_Logic_ObjectInfo &objectInfo() const { return m_objectInfo; }

    // The thumbnail the ObjectInfo announced; false when there is none or it
    // did not come.
    bool readThumbnail(QByteArray *thumbnail);
    // The Exif orientation (1..8, 0 unknown): the camera's object property
    // where it has one, else from head (the file's first bytes, when they are
    // at hand), else from the first kilobyte read from the camera.
    int orientation(bool isJpg, const QByteArray &head);

    // The whole picture to the sink; received gets the bytes it took.
    bool stream(TVK_Commu_DataSink *sink, quint64 *received);
    // Whether a read broken off can go on from where it stopped.
    bool canResume() const { return m_partialObject; }
    // The picture from offset to its end (size bytes in all) to the sink.
    bool streamFrom(TVK_Commu_DataSink *sink, quint64 offset, quint64 size, quint64 *received);
    // The camera may let the picture go (and announce its next).
    bool confirmHandOver();

    // The Exif orientation (1..8) found in the first bytes of a JPEG or DNG
    // file; 0 when there is none.
    static int exifOrientation(const QByteArray &head);

private:
    TVK_Commu_CameraAccess_Base &m_access;
    const bool m_largeThumbnails;
    const bool m_objectProps;
    const bool m_partialObject;
    TVK_Logic_ObjectInfo m_objectInfo;
    int m_thumbnailType = 0;
};
