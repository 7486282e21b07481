#pragma once

#include "TVK_Logic_ShotData.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads what a picture file says about its shot (exposure, aperture,
// sensitivity, compensation, focal length, lens, when, which camera), and the
// largest preview a raw file carries, with Exiv2. Any file may be damaged or
// not a picture at all: nothing here throws or crashes, a file that cannot be
// read is logged once and gives what could be read (at worst only its name
// and size), and a file without a preview gives a null image.
//
// Callable from any thread; files are never written.
class TVK_Logic_ShotDataReader
{
public:
    TVK_Logic_ShotDataReader() = delete;

    static TVK_Logic_ShotData read(const QString &path);
    // The same from a file's bytes; fileName is what the data is called.
    static TVK_Logic_ShotData read(const QByteArray &data, const QString &fileName);

    // The largest embedded preview (a DNG's JPEG preview, a JPEG's Exif
    // thumbnail), decoded; null when there is none or it does not decode.
    static QImage largestPreview(const QString &path);
    static QImage largestPreview(const QByteArray &data);
};
