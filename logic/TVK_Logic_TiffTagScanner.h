#pragma once

#include <QByteArray>
#include <QtGlobal>

// Reads one small value from the start of a picture: a TIFF or DNG, or a
// JPEG whose Exif block puts its TIFF header 12 bytes in. The directories are
// not walked; an entry is known by its own eight bytes (tag, type SHORT,
// count 1) in the byte order the header names, so offsets a damaged file
// points anywhere cannot lead the search astray. The first such entry counts.
//
// Pure and bounds-checked: whatever the buffer holds, nothing past its end is
// read.
class TVK_Logic_TiffTagScanner
{
public:
    static constexpr quint16 kTagOrientation = 0x0112;
    static constexpr quint16 kTagPixelXDimension = 0xA002;
    // After a JPEG's start, APP1 marker, APP1 length and "Exif\0\0".
    static constexpr int kTiffHeaderInJpeg = 12;

    // "MM" at the start or where a JPEG's TIFF header is; Intel order otherwise.
    static bool isBigEndian(const QByteArray &head);
    // The value's low byte, all a small enumeration such as the orientation
    // needs; -1 without the entry or when the buffer ends before that byte.
    static int lowByteOf(const QByteArray &head, quint16 tag);
    // The whole 16-bit value; -1 without the entry or when the buffer ends
    // before its second byte.
    static int valueOf(const QByteArray &head, quint16 tag);

private:
    // The entry's first byte, or -1.
    static int entryAt(const QByteArray &head, quint16 tag, bool bigEndian);
};
