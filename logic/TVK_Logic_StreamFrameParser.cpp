#include "TVK_Logic_StreamFrameParser.h"

#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"

#include <QString>

namespace {

// Header fields. A and B are only checked, never used: they tell how much of
// the frame the camera's own header claims, and a frame whose claim runs past
// the buffer is not trusted.
constexpr size_t kHeaderLengthAOffset = 4;
constexpr size_t kHeaderLengthAEnd = 6;
constexpr size_t kHeaderLengthBOffset = 10;
constexpr size_t kHeaderLengthBEnd = 14;
constexpr size_t kImageOffsetOffset = 16;
constexpr size_t kImageOffsetEnd = 20;
constexpr size_t kTagListOffset = 20;

constexpr size_t kTagSize = 4;
constexpr size_t kLengthSize = 4;

constexpr size_t kDumpMaxLines = 12;
constexpr size_t kDumpBytesPerLine = 16;

// The methods are static and the result type is nested, which the automatic
// method prefix cannot take apart; so it is spelled out.
const char *const kParsePrefix = "TVK_Logic_StreamFrameParser::parse()";

using Parser = TVK_Logic_StreamFrameParser;

void dumpFrame(const char *prefix, const void *data, size_t size)
{
    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" - streamData:"), QStringLiteral("streamData"),
                 static_cast<const unsigned char *>(data), size, kDumpMaxLines, kDumpBytesPerLine);
}

Parser::Result rejected(const char *prefix, const void *data, size_t size, Parser::eLEError error,
                        size_t offset)
{
    debugLog(kLELogAlways, "%s - error in stream data!", prefix);
    dumpFrame(prefix, data, size);
    Parser::Result result;
    result.error = error;
    result.errorOffset = offset;
    return result;
}

// The fixed value size of a known tag, 0 for any other tag.
size_t valueSize(quint32 tag)
{
    switch (tag) {
    case Parser::kLETagISO:
        return Parser::kISOValueSize;
    case Parser::kLETagExposureTime:
        return Parser::kExposureTimeValueSize;
    case Parser::kLETagExposureTv:
        return Parser::kExposureTvValueSize;
    case Parser::kLETagZoom:
        return Parser::kZoomValueSize;
    case Parser::kLETagImageId:
        return Parser::kImageIdValueSize;
    case Parser::kLETagAudio:
        return Parser::kAudioValueSize;
    case Parser::kLETagTimeCode:
        return Parser::kTimeCodeValueSize;
    default:
        return 0;
    }
}

// Takes one entry's value. Unknown tags are skipped with a log line. A known
// tag whose value is shorter than its fixed size is skipped as well instead of
// rejecting the frame: the entry list itself is intact (its length says where
// the next entry starts), only this piece of side information is unusable, and
// the image is still worth showing. An earlier valid entry of the same tag then
// stays in force.
void takeEntry(const char *prefix, Parser::Result *result, quint32 tag, const unsigned char *value,
               size_t length)
{
    const size_t needed = valueSize(tag);
    if (needed == 0) {
        debugLog(kLELogAlways, "%s - unknown tag 0x%08lx in live view stream!", prefix, (unsigned long)tag);
        ++result->unknownTags;
        return;
    }
    if (length < needed) {
        debugLog(kLELogAlways, "%s - tag %lu with %lu bytes instead of %lu in live view stream ignored!", prefix,
                 (unsigned long)tag, (unsigned long)length, (unsigned long)needed);
        ++result->shortTags;
        return;
    }

    TVK_Commu_DataReader reader(value, length);
    switch (tag) {
    case Parser::kLETagISO:
        result->iso = reader.u32();
        result->hasISO = true;
        break;
    case Parser::kLETagExposureTime:
        result->exposureTime = reader.u32();
        result->hasExposureTime = true;
        break;
    case Parser::kLETagExposureTv:
        result->exposureTv = reader.i32();
        result->hasExposureTv = true;
        break;
    case Parser::kLETagZoom: {
        Parser::ZoomInfo &zoom = result->zoom;
        zoom.selectedStripe = reader.u32();
        zoom.zoomLevel = reader.u32();
        zoom.outerX = reader.u32();
        zoom.outerY = reader.u32();
        zoom.outerWidth = reader.u32();
        zoom.outerHeight = reader.u32();
        zoom.sensorX = reader.u32();
        zoom.sensorY = reader.u32();
        zoom.sensorWidth = reader.u32();
        zoom.sensorHeight = reader.u32();
        zoom.sourceX = reader.u32();
        zoom.sourceY = reader.u32();
        zoom.sourceWidth = reader.u32();
        zoom.sourceHeight = reader.u32();
        zoom.crossX = reader.u32();
        zoom.crossY = reader.u32();
        result->hasZoom = true;
        break;
    }
    case Parser::kLETagImageId:
        result->imageId = reader.u32();
        result->hasImageId = true;
        break;
    case Parser::kLETagAudio:
        result->audio.peakLeft = reader.u32();
        result->audio.peakRight = reader.u32();
        result->audio.rmsLeft = reader.u32();
        result->audio.rmsRight = reader.u32();
        result->hasAudio = true;
        break;
    case Parser::kLETagTimeCode:
        result->timeCode.hours = reader.u8();
        result->timeCode.minutes = reader.u8();
        result->timeCode.seconds = reader.u8();
        result->timeCode.frames = reader.u8();
        result->hasTimeCode = true;
        break;
    default:
        break;
    }
}

void logTags(const char *prefix, const Parser::Result &result)
{
    // The dump format prints the unsigned fields with %ld: exact where long
    // has 64 bits, negative from 2^31 up where it has 32.
    if (result.hasISO)
        debugLog(kLELogStream, "%s - ISO                        = %ld", prefix, long(result.iso));
    if (result.hasExposureTime)
        debugLog(kLELogStream, "%s - Exposure            (usec) = %ld usec", prefix, long(result.exposureTime));
    if (result.hasExposureTv)
        debugLog(kLELogStream, "%s - Exposure              (TV) = %lf", prefix, result.exposureTvValue());
    if (result.hasZoom) {
        const Parser::ZoomInfo &zoom = result.zoom;
        debugLog(kLELogStream, "%s - Selected Stripe            = 0x%08lx", prefix,
                 (unsigned long)zoom.selectedStripe);
        debugLog(kLELogStream, "%s - Zoom Level                 = %ld", prefix, long(zoom.zoomLevel));
        debugLog(kLELogStream, "%s - Outer Bounds  (x, y, w, h) = %ld, %ld, %ld, %ld", prefix, long(zoom.outerX),
                 long(zoom.outerY), long(zoom.outerWidth), long(zoom.outerHeight));
        debugLog(kLELogStream, "%s - Active Sensor (x, y, w, h) = %ld, %ld, %ld, %ld", prefix, long(zoom.sensorX),
                 long(zoom.sensorY), long(zoom.sensorWidth), long(zoom.sensorHeight));
        debugLog(kLELogStream, "%s - Image SrcArea (x, y, w, h) = %ld, %ld, %ld, %ld", prefix, long(zoom.sourceX),
                 long(zoom.sourceY), long(zoom.sourceWidth), long(zoom.sourceHeight));
        debugLog(kLELogStream, "%s - AF Cross            (x, y) = %ld, %ld", prefix, long(zoom.crossX),
                 long(zoom.crossY));
        // Without a source area there is no relative position to show.
        if (result.hasRelativeFocusPosition)
            debugLog(kLELogStream, "%s - --> rel. Focus Pos. (x, y) = %5.3lf, %5.3lf", prefix,
                     result.relativeFocusX, result.relativeFocusY);
    }
    if (result.hasImageId)
        debugLog(kLELogStream, "%s - Image ID                   = 0x%08lx", prefix, (unsigned long)result.imageId);
    if (result.hasAudio) {
        debugLog(kLELogStream, "%s - Audio Peak Value     (L,R) = %ld, %ld", prefix, long(result.audio.peakLeft),
                 long(result.audio.peakRight));
        debugLog(kLELogStream, "%s - Audio RMS Value      (L,R) = %ld, %ld", prefix, long(result.audio.rmsLeft),
                 long(result.audio.rmsRight));
    }
    if (result.hasTimeCode)
        debugLog(kLELogStream, "%s - Time Code    (HH:MM:SS.FF) = %02d:%02d:%02d.%02d", prefix,
                 int(result.timeCode.hours), int(result.timeCode.minutes), int(result.timeCode.seconds),
                 int(result.timeCode.frames));
}

} // namespace

bool TVK_Logic_StreamFrameParser::ZoomInfo::relativeFocusPosition(double *x, double *y) const
{
    if (sourceWidth == 0 || sourceHeight == 0)
        return false;
    // Signed arithmetic: a cross left of or above the area gives a negative
    // position rather than a wrapped unsigned one.
    *x = (double(crossX) - double(sourceX)) / double(sourceWidth);
    *y = (double(crossY) - double(sourceY)) / double(sourceHeight);
    return true;
}

bool TVK_Logic_StreamFrameParser::ZoomInfo::relativeSourceArea(double *x, double *y, double *width,
                                                               double *height) const
{
    if (outerWidth == 0 || outerHeight == 0)
        return false;
    *x = (double(sourceX) - double(outerX)) / double(outerWidth);
    *y = (double(sourceY) - double(outerY)) / double(outerHeight);
    *width = double(sourceWidth) / double(outerWidth);
    *height = double(sourceHeight) / double(outerHeight);
    return true;
}

bool TVK_Logic_StreamFrameParser::Result::hasTag(quint32 tag) const
{
    switch (tag) {
    case kLETagISO:
        return hasISO;
    case kLETagExposureTime:
        return hasExposureTime;
    case kLETagExposureTv:
        return hasExposureTv;
    case kLETagZoom:
        return hasZoom;
    case kLETagImageId:
        return hasImageId;
    case kLETagAudio:
        return hasAudio;
    case kLETagTimeCode:
        return hasTimeCode;
    default:
        return false;
    }
}

TVK_Logic_StreamFrameParser::Result TVK_Logic_StreamFrameParser::parse(const void *data, size_t size,
                                                                       const char *caller)
{
    const char *const prefix = caller ? caller : kParsePrefix;
    if (data == nullptr)
        size = 0;
    const unsigned char *const bytes = static_cast<const unsigned char *>(data);

    // The header, each field checked against the end before it is read and
    // each length against what is left after its field (never offset + length,
    // which could wrap).
    TVK_Commu_DataReader reader(data, size);
    if (!reader.seek(kHeaderLengthAOffset) || !reader.fits(kHeaderLengthAEnd - kHeaderLengthAOffset))
        return rejected(prefix, data, size, kLEErrorNoHeaderLengthA, kHeaderLengthAOffset);
    const size_t headerLengthA = reader.u16();
    if (headerLengthA > reader.remaining())
        return rejected(prefix, data, size, kLEErrorHeaderLengthA, kHeaderLengthAOffset);

    if (!reader.seek(kHeaderLengthBOffset) || !reader.fits(kHeaderLengthBEnd - kHeaderLengthBOffset))
        return rejected(prefix, data, size, kLEErrorNoHeaderLengthB, kHeaderLengthBOffset);
    const size_t headerLengthB = reader.u32();
    if (headerLengthB > reader.remaining())
        return rejected(prefix, data, size, kLEErrorHeaderLengthB, kHeaderLengthBOffset);

    if (!reader.seek(kImageOffsetOffset) || !reader.fits(kImageOffsetEnd - kImageOffsetOffset))
        return rejected(prefix, data, size, kLEErrorNoImageOffset, kImageOffsetOffset);
    const size_t imageOffset = reader.u32();
    // An image offset equal to the size is allowed: the frame then carries
    // side information and an empty image.
    if (imageOffset < kMinImageOffset || imageOffset > size)
        return rejected(prefix, data, size, kLEErrorImageOffset, kImageOffsetOffset);

    // The entries. They are walked up to the end of the buffer, not up to the
    // image offset: the camera ends the list with tag 0, and only the buffer
    // end is a hard limit. Each entry moves on by at least 9 bytes, so the walk
    // ends after at most size / 9 entries.
    Result result;
    reader.seek(kTagListOffset);
    for (;;) {
        const size_t entryOffset = reader.position();
        if (!reader.fits(kTagSize))
            return rejected(prefix, data, size, kLEErrorTagTruncated, entryOffset);
        const quint32 tag = reader.u32();
        if (tag == kLETagEnd)
            break;
        if (!reader.fits(kLengthSize))
            return rejected(prefix, data, size, kLEErrorEntryTruncated, entryOffset);
        const size_t length = reader.u32();
        if (length == 0)
            return rejected(prefix, data, size, kLEErrorZeroLength, entryOffset);
        if (!reader.fits(length))
            return rejected(prefix, data, size, kLEErrorValueTruncated, entryOffset);
        const size_t valueOffset = reader.position();
        reader.skip(length);
        takeEntry(prefix, &result, tag, bytes + valueOffset, length);
    }

    result.ok = true;
    result.imageOffset = imageOffset;
    result.imageLength = size - imageOffset;
    if (result.hasZoom) {
        result.hasRelativeFocusPosition =
            result.zoom.relativeFocusPosition(&result.relativeFocusX, &result.relativeFocusY);
        result.hasRelativeSourceArea =
            result.zoom.relativeSourceArea(&result.relativeSourceX, &result.relativeSourceY,
                                           &result.relativeSourceWidth, &result.relativeSourceHeight);
    }

    if (debugLogEnabled(kLELogStream)) {
        dumpFrame(prefix, data, size);
        logTags(prefix, result);
    }
    return result;
}
