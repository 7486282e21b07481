#pragma once

#include "TVK_Emulator_DataSource.h"

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Makes the files an emulated camera hands over: a decodable JPEG with an Exif
// block, a DNG-shaped TIFF file of any size, small JPEG thumbnails and the PTP
// ObjectInfo dataset describing them. Everything is a pure function of the
// picture's description, so the same description always gives the same bytes;
// no wall clock, no shared random generator.
//
// The pictures deliberately come in both TIFF byte orders, because the host
// finds the Exif orientation by searching for the raw bytes of the tag in
// either order.
class TVK_Emulator_PictureMaker
{
public:
    enum eLEByteOrder {
        kLELittleEndian, // "II"
        kLEBigEndian     // "MM"
    };
    enum eLEFileKind { kLEDng, kLEJpg };

    // Object formats. DNG is an extension of TIFF/EP, and TIFF/EP is the format
    // the host names when it asks which object properties a DNG has.
    static constexpr quint16 kFormatJpeg = 0x3801; // EXIF/JPEG
    static constexpr quint16 kFormatDng = 0x3802;  // TIFF/EP
    static constexpr quint16 kFormatNone = 0x0000; // ThumbFormat without a thumbnail

    static constexpr quint32 kStorageId = 0x00010001; // the card in the first slot

    // Thumbnail types the host asks for: 0 the small index picture, 1 a larger
    // preview.
    static constexpr int kThumbSmall = 0;
    static constexpr int kThumbLarge = 1;

    static constexpr qint64 kDefaultDngBytes = 2 * 1024 * 1024;
    // The largest ObjectCompressedSize a UINT32 carries (all ones is kept for
    // "more than that").
    static constexpr qint64 kMaxDngBytes = 0xFFFFFFFEll;

    // A TIFF RATIONAL and SRATIONAL; a denominator of 0 is a value the
    // camera does not know, and its tag is left out.
    struct Rational {
        quint32 numerator = 0;
        quint32 denominator = 0;
    };
    struct SignedRational {
        qint32 numerator = 0;
        qint32 denominator = 0;
    };

    // How the shot was taken, as the camera's settings stood at the release.
    // A picture that knows none of it carries no Exif IFD, and its files are
    // byte for byte those made before the shot was written.
    struct Shot {
        Rational exposureTime;       // seconds
        Rational fNumber;
        int sensitivity = 0;         // ISO; 0 not known
        SignedRational compensation; // EV
        Rational focalLength;        // mm
        QByteArray lensModel;        // empty: no lens reported
        bool isKnown() const
        {
            return exposureTime.denominator != 0 || fNumber.denominator != 0 || sensitivity > 0
                   || compensation.denominator != 0 || focalLength.denominator != 0 || !lensModel.isEmpty();
        }
    };

    // Everything that decides the bytes of one picture.
    struct Picture {
        int number = 1;             // the camera's running file number (both files of a pair share it)
        quint64 seed = 0;           // the camera's; with the number it varies colours and pixel data
        int orientation = 1;        // Exif orientation 1..8
        eLEByteOrder byteOrder = kLELittleEndian;
        qint64 dngBytes = kDefaultDngBytes; // exact size of the DNG file
        QSize jpegPixels = QSize(720, 480);
        int jpegQuality = 85;
        bool hasThumbnail = true;
        QByteArray make = QByteArrayLiteral("Norba Camera AG");
        QByteArray model = QByteArrayLiteral("Emulated Camera");
        Shot shot;
        // The DNG carries a small JPEG preview in IFD1, as the camera writes
        // it (and only with a thumbnail).
        bool dngPreview = false;
    };

    // The fields of a PTP ObjectInfo dataset, in the order they are written.
    struct ObjectInfo {
        quint32 storageId = kStorageId;
        quint16 objectFormat = kFormatJpeg;
        quint16 protectionStatus = 0;
        quint32 objectCompressedSize = 0;
        quint16 thumbFormat = kFormatNone;
        quint32 thumbCompressedSize = 0;
        quint32 thumbPixWidth = 0;
        quint32 thumbPixHeight = 0;
        quint32 imagePixWidth = 0;
        quint32 imagePixHeight = 0;
        quint32 imageBitDepth = 0;
        quint32 parentObject = 0;
        quint16 associationType = 0;
        quint32 associationDesc = 0;
        quint32 sequenceNumber = 0; // the camera's count of pictures still to hand over
        QString filename;
        QString captureDate;        // PTP date-time "YYYYMMDDThhmmss"
        QString modificationDate;
        QString keywords;
    };

    TVK_Emulator_PictureMaker() = delete;

    // The name as the camera writes it on the card: "NRBA0123.DNG".
    static constexpr int kDcfNumbers = 9999;
    static QString fileName(int number, eLEFileKind kind);
    static QString extension(eLEFileKind kind);
    static quint16 objectFormat(eLEFileKind kind);

    // When the picture was taken: a fixed day plus one second per picture, so
    // that dates are stable and still differ from picture to picture.
    static QDateTime captureTime(int number);

    // The JPEG file: SOI, the Exif APP1 block with the orientation, then the
    // encoded test pattern.
    static QByteArray jpeg(const Picture &picture);
    // The DNG file of exactly dngBytes(picture) bytes, made as it is read:
    // header, then the pixel data, whose every range is made on its own.
    static TVK_Emulator_DataSource dngSource(const Picture &picture);
    // The same file whole, for small pictures; empty when it does not fit a
    // byte array.
    static QByteArray dng(const Picture &picture);
    // Whether file, from its current position to its end, holds exactly the
    // DNG of picture; reads both in pieces, so that a downloaded file of any
    // size is checked without holding either whole.
    static bool compareDng(const Picture &picture, QIODevice &file);
    // The size of the DNG: picture.dngBytes, but at least its header and at
    // most kMaxDngBytes. Known without making the file.
    static qint64 dngBytes(const Picture &picture);
    // Header and tags, where the pixel data starts.
    static qint64 dngHeaderBytes(const Picture &picture);
    // The pixel size the DNG's header claims for its byte size.
    static QSize dngPixels(const Picture &picture);
    // A small JPEG of the same scene; empty without a thumbnail.
    static QByteArray thumbnail(const Picture &picture, int thumbType);
    static QSize thumbnailPixels(int thumbType);

    // The Exif APP1 segment (marker, length, "Exif\0\0", TIFF header, IFD0
    // and the Exif IFD with the shot's settings).
    static QByteArray exifSegment(const Picture &picture);
    // The small JPEG preview a DNG carries in its IFD1 (as cameras embed one
    // for viewers that cannot develop the raw data); empty without a
    // thumbnail or without dngPreview. Always fits kDngPreviewSlotBytes.
    static QByteArray dngPreview(const Picture &picture);
    static QSize dngPreviewPixels();
    static constexpr int kDngPreviewSlotBytes = 2048;

    // The ObjectInfo of one file of a picture whose file and thumbnail (of
    // thumbType; thumbSize 0 when there is none) have the sizes given. The
    // sequence number is the caller's to fill in.
    static ObjectInfo describe(const Picture &picture, eLEFileKind kind, quint32 objectSize, int thumbType,
                               quint32 thumbSize);
    // The ObjectInfo dataset, little-endian as PTP transfers it.
    static QByteArray objectInfo(const ObjectInfo &info);
};
