#include "TVK_Emulator_PictureMaker.h"

#include "TVK_Emulator_Bytes.h"
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// --- Little-endian PTP fields ----------------------------------------------------

// --- TIFF structures in either byte order ------------------------------------------

enum eLETiffType : quint16 {
    kTiffByte = 1,
    kTiffAscii = 2,
    kTiffShort = 3,
    kTiffLong = 4,
    kTiffRational = 5,
    kTiffUndefined = 7,
    kTiffSRational = 10
};

constexpr quint32 kTiffHeaderBytes = 8;
constexpr quint32 kIfdEntryBytes = 12;
constexpr quint16 kTiffMagic = 42;

// TIFF tags written into the Exif block and the DNG.
constexpr quint16 kTagNewSubFileType = 0x00FE;
constexpr quint16 kTagImageWidth = 0x0100;
constexpr quint16 kTagImageLength = 0x0101;
constexpr quint16 kTagBitsPerSample = 0x0102;
constexpr quint16 kTagCompression = 0x0103;
constexpr quint16 kTagPhotometric = 0x0106;
constexpr quint16 kTagMake = 0x010F;
constexpr quint16 kTagModel = 0x0110;
constexpr quint16 kTagStripOffsets = 0x0111;
constexpr quint16 kTagOrientation = 0x0112;
constexpr quint16 kTagSamplesPerPixel = 0x0115;
constexpr quint16 kTagRowsPerStrip = 0x0116;
constexpr quint16 kTagStripByteCounts = 0x0117;
constexpr quint16 kTagXResolution = 0x011A;
constexpr quint16 kTagYResolution = 0x011B;
constexpr quint16 kTagResolutionUnit = 0x0128;
constexpr quint16 kTagDateTime = 0x0132;
constexpr quint16 kTagYCbCrPositioning = 0x0213;
constexpr quint16 kTagJpegInterchangeFormat = 0x0201;
constexpr quint16 kTagJpegInterchangeFormatLength = 0x0202;
constexpr quint16 kTagCfaRepeatPatternDim = 0x828D;
constexpr quint16 kTagCfaPattern = 0x828E;
constexpr quint16 kTagDngVersion = 0xC612;
constexpr quint16 kTagUniqueCameraModel = 0xC614;

// Exif tags, in the Exif IFD that IFD0 points to.
constexpr quint16 kTagExifIfdPointer = 0x8769;
constexpr quint16 kTagExposureTime = 0x829A;
constexpr quint16 kTagFNumber = 0x829D;
constexpr quint16 kTagPhotographicSensitivity = 0x8827;
constexpr quint16 kTagSensitivityType = 0x8830;
constexpr quint16 kTagIsoSpeed = 0x8833;
constexpr quint16 kTagExifVersion = 0x9000;
constexpr quint16 kTagDateTimeOriginal = 0x9003;
constexpr quint16 kTagExposureBiasValue = 0x9204;
constexpr quint16 kTagFocalLength = 0x920A;
constexpr quint16 kTagLensModel = 0xA434;
// What an Exif JPEG must carry besides: how its pixels are laid out.
constexpr quint16 kTagComponentsConfiguration = 0x9101;
constexpr quint16 kTagFlashpixVersion = 0xA000;
constexpr quint16 kTagColorSpace = 0xA001;
constexpr quint16 kTagPixelXDimension = 0xA002;
constexpr quint16 kTagPixelYDimension = 0xA003;
constexpr quint16 kResolutionUnitInch = 2;
constexpr quint32 kDotsPerInch = 72;
constexpr quint16 kYCbCrCentred = 1;
constexpr quint16 kColorSpaceSrgb = 1;

// PhotographicSensitivity is a SHORT: a higher ISO is written as its largest
// value, and the true one follows as ISOSpeed, with SensitivityType saying so.
constexpr int kLargestShortSensitivity = 65535;
constexpr quint16 kSensitivityTypeIsoSpeed = 3;

constexpr quint16 kCompressionNone = 1;
constexpr quint16 kCompressionOldJpeg = 6; // what an IFD1 preview given by JPEGInterchangeFormat says
constexpr quint16 kPhotometricCfa = 32803;
constexpr quint32 kSubFileReduced = 1;
constexpr quint16 kDngBitsPerSample = 16;
constexpr quint32 kDngBytesPerPixel = 2;
constexpr quint32 kJpegBitDepth = 24;
// Where the pixel data of the DNG starts: aligned, as cameras write it.
constexpr quint32 kDngStripAlignment = 16;

class TiffWriter
{
public:
    explicit TiffWriter(TVK_Emulator_PictureMaker::eLEByteOrder order)
        : m_big(order == TVK_Emulator_PictureMaker::kLEBigEndian)
    {
    }

    void put16(QByteArray &out, quint16 value) const
    {
        if (m_big) {
            out.append(char(value >> 8));
            out.append(char(value & 0xFF));
        } else {
            TVK_Emulator_Bytes::appendU16(out, value);
        }
    }
    void put32(QByteArray &out, quint32 value) const
    {
        if (m_big) {
            put16(out, quint16(value >> 16));
            put16(out, quint16(value & 0xFFFF));
        } else {
            TVK_Emulator_Bytes::appendU32(out, value);
        }
    }

    struct Entry {
        quint16 tag;
        quint16 type;
        quint32 count;
        QByteArray value; // count values, already in the file's byte order
    };

    Entry shorts(quint16 tag, std::initializer_list<quint16> values) const
    {
        Entry entry{tag, kTiffShort, quint32(values.size()), QByteArray()};
        for (quint16 value : values)
            put16(entry.value, value);
        return entry;
    }
    Entry longValue(quint16 tag, quint32 value) const
    {
        Entry entry{tag, kTiffLong, 1, QByteArray()};
        put32(entry.value, value);
        return entry;
    }
    Entry rational(quint16 tag, TVK_Emulator_PictureMaker::Rational value) const
    {
        Entry entry{tag, kTiffRational, 1, QByteArray()};
        put32(entry.value, value.numerator);
        put32(entry.value, value.denominator);
        return entry;
    }
    Entry signedRational(quint16 tag, TVK_Emulator_PictureMaker::SignedRational value) const
    {
        Entry entry{tag, kTiffSRational, 1, QByteArray()};
        put32(entry.value, quint32(value.numerator));
        put32(entry.value, quint32(value.denominator));
        return entry;
    }
    static Entry bytes(quint16 tag, std::initializer_list<quint8> values)
    {
        Entry entry{tag, kTiffByte, quint32(values.size()), QByteArray()};
        for (quint8 value : values)
            entry.value.append(char(value));
        return entry;
    }
    static Entry undefined(quint16 tag, const QByteArray &value)
    {
        return Entry{tag, kTiffUndefined, quint32(value.size()), value};
    }
    static Entry ascii(quint16 tag, const QByteArray &text)
    {
        QByteArray value = text;
        value.append('\0');
        return Entry{tag, kTiffAscii, quint32(value.size()), value};
    }

    // "II" or "MM", 42 and the offset of IFD0, which follows right after.
    QByteArray header() const
    {
        QByteArray out;
        out.append(m_big ? "MM" : "II");
        put16(out, kTiffMagic);
        put32(out, kTiffHeaderBytes);
        return out;
    }

    // The bytes an IFD takes with the values that do not fit into an entry;
    // known from the tags and the lengths alone, not from the numbers.
    static quint32 ifdBytes(const std::vector<Entry> &entries)
    {
        quint32 bytes = 2 + kIfdEntryBytes * quint32(entries.size()) + 4;
        for (const Entry &entry : entries) {
            if (entry.value.size() > 4)
                bytes += quint32(entry.value.size() + entry.value.size() % 2);
        }
        return bytes;
    }

    // One IFD placed at offset at (from the header's first byte, as TIFF
    // counts), its external values right after it, next the offset of the
    // following IFD (0: none).
    QByteArray ifd(std::vector<Entry> entries, quint32 at, quint32 next) const
    {
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        QByteArray out;
        const quint32 external = at + 2 + kIfdEntryBytes * quint32(entries.size()) + 4;
        QByteArray tail;
        put16(out, quint16(entries.size()));
        for (const Entry &entry : entries) {
            put16(out, entry.tag);
            put16(out, entry.type);
            put32(out, entry.count);
            if (entry.value.size() <= 4) {
                // Short values sit in the entry itself, left-justified.
                out.append(entry.value);
                out.append(QByteArray(4 - entry.value.size(), '\0'));
            } else {
                put32(out, external + quint32(tail.size()));
                tail.append(entry.value);
                if (tail.size() % 2 != 0)
                    tail.append('\0'); // values start on word boundaries
            }
        }
        put32(out, next);
        out.append(tail);
        return out;
    }

    // A whole TIFF structure: IFD0 pointing to the Exif IFD, and an optional
    // IFD1 with a JPEG preview of previewSlot bytes (the preview itself, then
    // zeros). The pointers are filled in here.
    QByteArray structure(std::vector<Entry> ifd0, const std::vector<Entry> &exif, std::vector<Entry> ifd1,
                         const QByteArray &preview, quint32 previewSlot) const
    {
        const bool withIfd1 = !ifd1.empty();
        const bool withExif = !exif.empty();
        if (withExif)
            ifd0.push_back(longValue(kTagExifIfdPointer, 0));
        if (withIfd1) {
            ifd1.push_back(longValue(kTagJpegInterchangeFormat, 0));
            ifd1.push_back(longValue(kTagJpegInterchangeFormatLength, 0));
        }
        const quint32 exifAt = kTiffHeaderBytes + ifdBytes(ifd0);
        const quint32 ifd1At = exifAt + (withExif ? ifdBytes(exif) : 0);
        const quint32 previewAt = ifd1At + (withIfd1 ? ifdBytes(ifd1) : 0);
        if (withExif)
            ifd0.back() = longValue(kTagExifIfdPointer, exifAt);
        if (withIfd1) {
            ifd1[ifd1.size() - 2] = longValue(kTagJpegInterchangeFormat, previewAt);
            ifd1.back() = longValue(kTagJpegInterchangeFormatLength, quint32(preview.size()));
        }
        QByteArray out = header();
        out.append(ifd(std::move(ifd0), kTiffHeaderBytes, withIfd1 ? ifd1At : 0));
        if (withExif)
            out.append(ifd(exif, exifAt, 0));
        if (withIfd1) {
            out.append(ifd(std::move(ifd1), ifd1At, 0));
            out.append(preview);
            out.append(QByteArray(int(previewSlot) - preview.size(), '\0'));
        }
        return out;
    }

private:
    bool m_big;
};

// --- Deterministic filler ------------------------------------------------------------

constexpr quint64 kGolden = 0x9E3779B97F4A7C15ull;

quint64 splitMix(quint64 x)
{
    quint64 z = x + kGolden;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Pixel data that looks like noise but costs two multiplications per eight
// bytes, so that even a file of gigabytes is made in a moment. Word i of the
// pixel data is splitMix(seed + i * kGolden), little-endian; a last partial
// word keeps its first bytes. Each word depends on its position, so every
// slice of the file is distinct, and any range is made without the rest.
void fillNoise(char *into, qint64 offset, qint64 count, quint64 seed)
{
    if (offset < 0 || count <= 0)
        return;
    quint64 word = quint64(offset / 8);
    const int skip = int(offset % 8);
    if (skip != 0) {
        const quint64 value = qToLittleEndian(splitMix(seed + word * kGolden));
        const qint64 run = qMin<qint64>(8 - skip, count);
        std::memcpy(into, reinterpret_cast<const char *>(&value) + skip, size_t(run));
        into += run;
        count -= run;
        ++word;
    }
    // The argument advances by kGolden per word: an addition instead of a
    // multiplication, and no byte-by-byte work in the bulk.
    quint64 x = seed + word * kGolden;
    const qint64 words = count / 8;
    for (qint64 i = 0; i < words; ++i, x += kGolden) {
        const quint64 value = qToLittleEndian(splitMix(x));
        std::memcpy(into + 8 * i, &value, 8);
    }
    const qint64 rest = count - 8 * words;
    if (rest > 0) {
        const quint64 value = qToLittleEndian(splitMix(x));
        std::memcpy(into + 8 * words, &value, size_t(rest));
    }
}

// --- The test pattern ----------------------------------------------------------------

void fillRect(QImage &image, int x, int y, int width, int height, QRgb colour)
{
    const int left = qMax(0, x);
    const int top = qMax(0, y);
    const int right = qMin(image.width(), x + width);
    const int bottom = qMin(image.height(), y + height);
    for (int row = top; row < bottom; ++row) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        std::fill(line + left, line + qMax(left, right), colour);
    }
}

// The classic bars, left to right.
const QRgb kBars[] = {0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00,
                      0xFFFF00FF, 0xFFFF0000, 0xFF0000FF, 0xFF000000};

// Seven-segment digits (bit 0 = segment a ... bit 6 = segment g): drawn as
// rectangles, because text would need fonts and with them a GUI application.
const quint8 kSegmentsOfDigit[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QImage &image, int x, int y, int width, int height, int digit, QRgb colour)
{
    const int t = qMax(1, height / 10);
    const int half = height / 2;
    // Segments a to g as (x, y, width, height) in the digit's cell.
    const int segments[7][4] = {
        {t, 0, width - 2 * t, t},                // a
        {width - t, t, t, half - t},             // b
        {width - t, half, t, half - t},          // c
        {t, height - t, width - 2 * t, t},       // d
        {0, half, t, half - t},                  // e
        {0, t, t, half - t},                     // f
        {t, half - t / 2, width - 2 * t, t},     // g
    };
    const quint8 lit = kSegmentsOfDigit[digit % 10];
    for (int s = 0; s < 7; ++s) {
        if (lit & (1u << s))
            fillRect(image, x + segments[s][0], y + segments[s][1], segments[s][2], segments[s][3], colour);
    }
}

// Mixes the camera's seed with the file number: every picture looks different,
// both files of a pair alike.
quint64 pictureLook(const TVK_Emulator_PictureMaker::Picture &picture)
{
    return splitMix(picture.seed ^ (quint64(quint32(picture.number)) * kGolden));
}

QRgb seededColour(quint64 seed, int salt)
{
    const quint64 bits = splitMix(seed ^ quint64(salt));
    // Dark to middle tones, so that the bars and digits stand out.
    return qRgb(int(bits & 0x7F), int((bits >> 8) & 0x7F), int((bits >> 16) & 0x7F));
}

QImage renderScene(const TVK_Emulator_PictureMaker::Picture &picture, QSize size)
{
    QImage image(size.expandedTo(QSize(16, 16)), QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();

    // A vertical gradient between two colours of the picture's own.
    const quint64 look = pictureLook(picture);
    const QRgb top = seededColour(look, 1);
    const QRgb bottom = seededColour(look, 2);
    for (int row = 0; row < height; ++row) {
        const auto mix = [row, height](int a, int b) { return a + (b - a) * row / qMax(1, height - 1); };
        const QRgb colour = qRgb(mix(qRed(top), qRed(bottom)), mix(qGreen(top), qGreen(bottom)),
                                 mix(qBlue(top), qBlue(bottom)));
        fillRect(image, 0, row, width, 1, colour);
    }

    const int barCount = int(sizeof kBars / sizeof kBars[0]);
    const int barTop = height / 8;
    for (int i = 0; i < barCount; ++i)
        fillRect(image, i * width / barCount, barTop, (i + 1) * width / barCount - i * width / barCount,
                 height / 4, kBars[i]);

    // Marks the top left corner, so that a wrongly turned picture is obvious.
    const int mark = qMax(2, height / 10);
    fillRect(image, 0, 0, mark, mark, 0xFFFFFFFF);
    fillRect(image, 0, 0, 2 * mark, qMax(1, mark / 4), 0xFFFF0000);

    const QString digits = QString::number(picture.number).rightJustified(4, QLatin1Char('0'));
    const int digitHeight = qMax(7, height / 4);
    const int digitWidth = digitHeight / 2;
    const int gap = qMax(1, digitWidth / 3);
    const int textWidth = digits.size() * digitWidth + (digits.size() - 1) * gap;
    const int x0 = (width - textWidth) / 2;
    const int y0 = height * 5 / 8 - digitHeight / 2;
    fillRect(image, x0 - gap, y0 - gap, textWidth + 2 * gap, digitHeight + 2 * gap, 0xFF202020);
    for (int i = 0; i < digits.size(); ++i)
        drawDigit(image, x0 + i * (digitWidth + gap), y0, digitWidth, digitHeight, digits.at(i).digitValue(),
                  0xFFFFD000);
    return image;
}

// 72 dpi. A new QImage takes its density from the process's display (none,
// offscreen, a real screen), and the encoder writes it into the JFIF block:
// without a fixed one, the same picture would differ between processes.
constexpr int kDotsPerMeter = 2835;

QByteArray encodeJpeg(QImage image, int quality)
{
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

constexpr quint8 kMarker = 0xFF;
constexpr quint8 kMarkerApp0 = 0xE0;
constexpr quint8 kMarkerApp1 = 0xE1;
constexpr int kSoiBytes = 2;
constexpr int kThumbnailQuality = 75;

const QSize kThumbnailPixels[] = {QSize(160, 106), QSize(320, 213)};
const QSize kDngPreviewPixels(96, 64);
constexpr int kDngPreviewQuality = 60;
constexpr int kDngPreviewQualityStep = 10;

QByteArray exifDateTime(int number)
{
    return TVK_Emulator_PictureMaker::captureTime(number).toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
}

// The Exif IFD: how the shot was taken. Values the camera does not know are
// left out rather than written as zero.
// A DNG of a picture that knows nothing of its shot has none (its bytes are
// those of the files made before); a JPEG always has one, Exif needs it.
std::vector<TiffWriter::Entry> exifEntries(const TVK_Emulator_PictureMaker::Picture &picture, const TiffWriter &tiff,
                                           bool evenEmpty)
{
    const TVK_Emulator_PictureMaker::Shot &shot = picture.shot;
    if (!shot.isKnown() && !evenEmpty)
        return {};
    std::vector<TiffWriter::Entry> entries{
        TiffWriter::undefined(kTagExifVersion, QByteArrayLiteral("0231")),
        TiffWriter::ascii(kTagDateTimeOriginal, exifDateTime(picture.number)),
    };
    if (shot.exposureTime.denominator != 0)
        entries.push_back(tiff.rational(kTagExposureTime, shot.exposureTime));
    if (shot.fNumber.denominator != 0)
        entries.push_back(tiff.rational(kTagFNumber, shot.fNumber));
    if (shot.sensitivity > 0) {
        entries.push_back(
            tiff.shorts(kTagPhotographicSensitivity, {quint16(qMin(shot.sensitivity, kLargestShortSensitivity))}));
        if (shot.sensitivity > kLargestShortSensitivity) {
            entries.push_back(tiff.shorts(kTagSensitivityType, {kSensitivityTypeIsoSpeed}));
            entries.push_back(tiff.longValue(kTagIsoSpeed, quint32(shot.sensitivity)));
        }
    }
    if (shot.compensation.denominator != 0)
        entries.push_back(tiff.signedRational(kTagExposureBiasValue, shot.compensation));
    if (shot.focalLength.denominator != 0)
        entries.push_back(tiff.rational(kTagFocalLength, shot.focalLength));
    if (!shot.lensModel.isEmpty())
        entries.push_back(TiffWriter::ascii(kTagLensModel, shot.lensModel));
    return entries;
}

// IFD1 of a DNG: the reduced-resolution preview, as JPEG.
std::vector<TiffWriter::Entry> previewEntries(const TiffWriter &tiff)
{
    const QSize pixels = TVK_Emulator_PictureMaker::dngPreviewPixels();
    return {
        tiff.longValue(kTagNewSubFileType, kSubFileReduced),
        tiff.longValue(kTagImageWidth, quint32(pixels.width())),
        tiff.longValue(kTagImageLength, quint32(pixels.height())),
        tiff.shorts(kTagCompression, {kCompressionOldJpeg}),
    };
}

// The whole header of a DNG: IFD0 for a picture of width x height pixels
// stored at stripOffset, the Exif IFD and, with a thumbnail, the preview.
QByteArray dngStructure(const TVK_Emulator_PictureMaker::Picture &picture, const TiffWriter &tiff, quint32 width,
                        quint32 height, quint32 stripOffset, const QByteArray &preview);

// The DNG's IFD0 for a picture of width x height pixels stored at stripOffset.
std::vector<TiffWriter::Entry> dngEntries(const TVK_Emulator_PictureMaker::Picture &picture, const TiffWriter &tiff,
                                          quint32 width, quint32 height, quint32 stripOffset)
{
    return {
        tiff.longValue(kTagNewSubFileType, 0),
        tiff.longValue(kTagImageWidth, width),
        tiff.longValue(kTagImageLength, height),
        tiff.shorts(kTagBitsPerSample, {kDngBitsPerSample}),
        tiff.shorts(kTagCompression, {kCompressionNone}),
        tiff.shorts(kTagPhotometric, {kPhotometricCfa}),
        TiffWriter::ascii(kTagMake, picture.make),
        TiffWriter::ascii(kTagModel, picture.model),
        tiff.longValue(kTagStripOffsets, stripOffset),
        // Within the first kilobyte: the host looks for it there.
        tiff.shorts(kTagOrientation, {quint16(picture.orientation)}),
        tiff.shorts(kTagSamplesPerPixel, {1}),
        tiff.longValue(kTagRowsPerStrip, height),
        tiff.longValue(kTagStripByteCounts, width * height * kDngBytesPerPixel),
        TiffWriter::ascii(kTagDateTime, exifDateTime(picture.number)),
        tiff.shorts(kTagCfaRepeatPatternDim, {2, 2}),
        TiffWriter::bytes(kTagCfaPattern, {0, 1, 1, 2}),
        TiffWriter::bytes(kTagDngVersion, {1, 4, 0, 0}),
        TiffWriter::ascii(kTagUniqueCameraModel, picture.make + ' ' + picture.model),
    };
}

QByteArray dngStructure(const TVK_Emulator_PictureMaker::Picture &picture, const TiffWriter &tiff, quint32 width,
                        quint32 height, quint32 stripOffset, const QByteArray &preview)
{
    const bool withPreview = picture.hasThumbnail && picture.dngPreview;
    return tiff.structure(dngEntries(picture, tiff, width, height, stripOffset), exifEntries(picture, tiff, false),
                          withPreview ? previewEntries(tiff) : std::vector<TiffWriter::Entry>(), preview,
                          withPreview ? quint32(TVK_Emulator_PictureMaker::kDngPreviewSlotBytes) : 0);
}

quint32 alignUp(quint32 value, quint32 alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// Where header, pixel data and end of a DNG file lie.
struct DngLayout {
    quint32 stripOffset = 0;
    qint64 size = 0;
    QSize pixels;
};

DngLayout dngLayout(const TVK_Emulator_PictureMaker::Picture &picture)
{
    DngLayout layout;
    // The header's size depends only on the tags and the lengths of the texts,
    // not on the numbers in it.
    const TiffWriter tiff(picture.byteOrder);
    // The preview has a slot of fixed size, so that the layout is known
    // without encoding it.
    layout.stripOffset =
        alignUp(quint32(dngStructure(picture, tiff, 0, 0, 0, QByteArray()).size()), kDngStripAlignment);
    layout.size = qBound<qint64>(layout.stripOffset, picture.dngBytes, TVK_Emulator_PictureMaker::kMaxDngBytes);
    // A 3:2 frame whose 16-bit samples fill the pixel data; what is left over
    // after its last row stays in the file unused.
    const qint64 pixels = (layout.size - layout.stripOffset) / kDngBytesPerPixel;
    if (pixels > 0) {
        const qint64 width = qMax<qint64>(1, qint64(std::sqrt(double(pixels) * 3.0 / 2.0)));
        layout.pixels = QSize(int(width), int(pixels / width));
    } else {
        layout.pixels = QSize(0, 0);
    }
    return layout;
}

} // namespace

QString TVK_Emulator_PictureMaker::extension(eLEFileKind kind)
{
    return kind == kLEDng ? QStringLiteral("DNG") : QStringLiteral("JPG");
}

QString TVK_Emulator_PictureMaker::fileName(int number, eLEFileKind kind)
{
    // A DCF name: four characters of the camera's own and a number from 0001
    // to 9999, which starts again at 0001 after 9999.
    const int counter = ((number - 1) % kDcfNumbers + kDcfNumbers) % kDcfNumbers + 1;
    return QStringLiteral("NRBA%1.").arg(counter, 4, 10, QLatin1Char('0')) + extension(kind);
}

quint16 TVK_Emulator_PictureMaker::objectFormat(eLEFileKind kind)
{
    return kind == kLEDng ? kFormatDng : kFormatJpeg;
}

QDateTime TVK_Emulator_PictureMaker::captureTime(int number)
{
    return QDateTime(QDate(2024, 5, 17), QTime(10, 0, 0), Qt::UTC).addSecs(number);
}

QSize TVK_Emulator_PictureMaker::thumbnailPixels(int thumbType)
{
    return kThumbnailPixels[thumbType == kThumbLarge ? 1 : 0];
}

QByteArray TVK_Emulator_PictureMaker::exifSegment(const Picture &picture)
{
    const TiffWriter tiff(picture.byteOrder);
    std::vector<TiffWriter::Entry> exif = exifEntries(picture, tiff, true);
    // The pixel size as SHORTs, the way the host's raw-byte search for it
    // expects them (a JPEG is never wider than 65535 pixels).
    exif.push_back(TiffWriter::undefined(kTagComponentsConfiguration, QByteArray("\x01\x02\x03\x00", 4)));
    exif.push_back(TiffWriter::undefined(kTagFlashpixVersion, QByteArrayLiteral("0100")));
    exif.push_back(tiff.shorts(kTagColorSpace, {kColorSpaceSrgb}));
    exif.push_back(tiff.shorts(kTagPixelXDimension, {quint16(picture.jpegPixels.width())}));
    exif.push_back(tiff.shorts(kTagPixelYDimension, {quint16(picture.jpegPixels.height())}));
    const QByteArray block = tiff.structure(
        {
            TiffWriter::ascii(kTagMake, picture.make),
            TiffWriter::ascii(kTagModel, picture.model),
            tiff.shorts(kTagOrientation, {quint16(picture.orientation)}),
            tiff.rational(kTagXResolution, {kDotsPerInch, 1}),
            tiff.rational(kTagYResolution, {kDotsPerInch, 1}),
            tiff.shorts(kTagResolutionUnit, {kResolutionUnitInch}),
            TiffWriter::ascii(kTagDateTime, exifDateTime(picture.number)),
            tiff.shorts(kTagYCbCrPositioning, {kYCbCrCentred}),
        },
        exif, {}, QByteArray(), 0);
    static const char kExifIdentifier[] = "Exif\0";
    QByteArray segment;
    segment.append(char(kMarker));
    segment.append(char(kMarkerApp1));
    // The segment length counts itself, the identifier and the TIFF block,
    // big-endian as every JPEG length.
    const int length = 2 + int(sizeof kExifIdentifier) + block.size();
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment.append(kExifIdentifier, int(sizeof kExifIdentifier)); // "Exif", two zero bytes
    segment.append(block);
    return segment;
}

QByteArray TVK_Emulator_PictureMaker::jpeg(const Picture &picture)
{
    const QByteArray encoded = encodeJpeg(renderScene(picture, picture.jpegPixels), picture.jpegQuality);
    if (encoded.size() < kSoiBytes + 4)
        return QByteArray();
    // The Exif block goes right after SOI, where cameras put it and where the
    // host expects the TIFF header (at byte 12). The encoder's JFIF block is
    // dropped: a camera file carries Exif instead.
    int rest = kSoiBytes;
    if (quint8(encoded.at(2)) == kMarker && quint8(encoded.at(3)) == kMarkerApp0)
        rest += 2 + ((quint8(encoded.at(4)) << 8) | quint8(encoded.at(5)));
    QByteArray out = encoded.left(kSoiBytes);
    out.append(exifSegment(picture));
    out.append(encoded.mid(rest));
    return out;
}

QByteArray TVK_Emulator_PictureMaker::thumbnail(const Picture &picture, int thumbType)
{
    if (!picture.hasThumbnail)
        return QByteArray();
    return encodeJpeg(renderScene(picture, thumbnailPixels(thumbType)), kThumbnailQuality);
}

QSize TVK_Emulator_PictureMaker::dngPreviewPixels()
{
    return kDngPreviewPixels;
}

QByteArray TVK_Emulator_PictureMaker::dngPreview(const Picture &picture)
{
    if (!picture.hasThumbnail || !picture.dngPreview)
        return QByteArray();
    // The host reads a large DNG in many slices, each made anew: the last
    // preview is kept per thread, so that a slice costs no JPEG encoding.
    // It depends on the scene alone, which seed and number decide.
    struct Kept {
        quint64 seed = 0;
        int number = 0;
        QByteArray bytes;
    };
    thread_local Kept kept;
    if (!kept.bytes.isEmpty() && kept.seed == picture.seed && kept.number == picture.number)
        return kept.bytes;
    // The slot is small so that even a DNG of a few kilobytes has room for
    // it; the quality steps down until the scene fits.
    const QImage scene = renderScene(picture, kDngPreviewPixels);
    for (int quality = kDngPreviewQuality; quality > 0; quality -= kDngPreviewQualityStep) {
        const QByteArray encoded = encodeJpeg(scene, quality);
        if (!encoded.isEmpty() && encoded.size() <= kDngPreviewSlotBytes) {
            kept = Kept{picture.seed, picture.number, encoded};
            return encoded;
        }
    }
    return QByteArray();
}

qint64 TVK_Emulator_PictureMaker::dngHeaderBytes(const Picture &picture)
{
    return dngLayout(picture).stripOffset;
}

qint64 TVK_Emulator_PictureMaker::dngBytes(const Picture &picture)
{
    return dngLayout(picture).size;
}

QSize TVK_Emulator_PictureMaker::dngPixels(const Picture &picture)
{
    return dngLayout(picture).pixels;
}

TVK_Emulator_DataSource TVK_Emulator_PictureMaker::dngSource(const Picture &picture)
{
    const DngLayout layout = dngLayout(picture);
    const TiffWriter tiff(picture.byteOrder);
    QByteArray header = dngStructure(picture, tiff, quint32(layout.pixels.width()), quint32(layout.pixels.height()),
                                     layout.stripOffset, dngPreview(picture));
    // Zeros up to the aligned start of the pixel data.
    header.append(QByteArray(int(layout.stripOffset) - header.size(), '\0'));
    const quint64 seed = pictureLook(picture);
    return TVK_Emulator_DataSource(header, layout.size, [seed](qint64 offset, char *into, qint64 count) {
        fillNoise(into, offset, count, seed);
    });
}

QByteArray TVK_Emulator_PictureMaker::dng(const Picture &picture)
{
    return dngSource(picture).toByteArray();
}

bool TVK_Emulator_PictureMaker::compareDng(const Picture &picture, QIODevice &file)
{
    return dngSource(picture).firstDifference(file) < 0;
}

TVK_Emulator_PictureMaker::ObjectInfo TVK_Emulator_PictureMaker::describe(const Picture &picture, eLEFileKind kind,
                                                                          quint32 objectSize, int thumbType,
                                                                          quint32 thumbSize)
{
    ObjectInfo info;
    info.objectFormat = objectFormat(kind);
    info.objectCompressedSize = objectSize;
    if (thumbSize > 0) {
        const QSize thumbPixels = thumbnailPixels(thumbType);
        info.thumbFormat = kFormatJpeg;
        info.thumbCompressedSize = thumbSize;
        info.thumbPixWidth = quint32(thumbPixels.width());
        info.thumbPixHeight = quint32(thumbPixels.height());
    }
    const QSize pixels = kind == kLEDng ? dngPixels(picture) : picture.jpegPixels;
    info.imagePixWidth = quint32(pixels.width());
    info.imagePixHeight = quint32(pixels.height());
    info.imageBitDepth = kind == kLEDng ? kDngBitsPerSample : kJpegBitDepth;
    info.filename = fileName(picture.number, kind);
    info.captureDate = captureTime(picture.number).toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
    info.modificationDate = info.captureDate;
    return info;
}

QByteArray TVK_Emulator_PictureMaker::objectInfo(const ObjectInfo &info)
{
    QByteArray out;
    TVK_Emulator_Bytes::appendU32(out, info.storageId);
    TVK_Emulator_Bytes::appendU16(out, info.objectFormat);
    TVK_Emulator_Bytes::appendU16(out, info.protectionStatus);
    TVK_Emulator_Bytes::appendU32(out, info.objectCompressedSize);
    TVK_Emulator_Bytes::appendU16(out, info.thumbFormat);
    TVK_Emulator_Bytes::appendU32(out, info.thumbCompressedSize);
    TVK_Emulator_Bytes::appendU32(out, info.thumbPixWidth);
    TVK_Emulator_Bytes::appendU32(out, info.thumbPixHeight);
    TVK_Emulator_Bytes::appendU32(out, info.imagePixWidth);
    TVK_Emulator_Bytes::appendU32(out, info.imagePixHeight);
    TVK_Emulator_Bytes::appendU32(out, info.imageBitDepth);
    TVK_Emulator_Bytes::appendU32(out, info.parentObject);
    TVK_Emulator_Bytes::appendU16(out, info.associationType);
    TVK_Emulator_Bytes::appendU32(out, info.associationDesc);
    TVK_Emulator_Bytes::appendU32(out, info.sequenceNumber);
    TVK_Emulator_Bytes::appendPtpString(out, info.filename);
    TVK_Emulator_Bytes::appendPtpString(out, info.captureDate);
    TVK_Emulator_Bytes::appendPtpString(out, info.modificationDate);
    TVK_Emulator_Bytes::appendPtpString(out, info.keywords);
    return out;
}
