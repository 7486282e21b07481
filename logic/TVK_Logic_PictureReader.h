#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class TVK_Commu_CameraAccess_Base;
class TVK_Logic_Camera;

// The pictures the user interface asks for while the camera is connected:
// the gallery's thumbnails and the pictures it shares. Each read holds the
// camera's access lock and marks a transfer as running, so the property
// refresh and the lens read wait for it instead of interleaving.
//
// Made per connection; controller thread only. Log lines carry the prefix of
// the slot that asked.
class TVK_Logic_PictureReader
{
public:
    TVK_Logic_PictureReader(TVK_Logic_Camera &camera, TVK_Commu_CameraAccess_Base &access);

    TVK_Logic_PictureReader(const TVK_Logic_PictureReader &) = delete;
    TVK_Logic_PictureReader &operator=(const TVK_Logic_PictureReader &) = delete;

    struct Thumbnail
    {
        QByteArray bytes;
        QString fileName;
    };
    // The small (or big) thumbnail of the picture with this handle. A picture
    // whose rotation is not known yet gets it, and its size class, from the
    // start of its file first. False (logged) when no thumbnail came.
    bool readThumbnail(const char *prefix, unsigned handle, bool isBig, Thumbnail *thumbnail);

    // The picture at index of the image list as the sharing asks for it: a
    // thumbnail, or the whole file (a JPEG, or a DNG when forced). nullptr
    // when nothing came; what came of a read broken off is handed on.
    // *complete only for a whole JPEG read to its end.
    std::unique_ptr<QByteArray> readForSharing(const char *prefix, int index, bool fullRes, bool forceDNG,
                                               bool *complete);

private:
    // 0, 1 or 2 as the gallery sorts thumbnails by the picture's width.
    int sizeClass(const QByteArray &head) const;
    // The whole object into data, in pieces when large; false when it came short.
    bool readWhole(quint32 handle, quint32 size, QByteArray *data, quint32 *done);

    TVK_Logic_Camera &m_camera;
    TVK_Commu_CameraAccess_Base &m_access;
};
