#pragma once

#include <QtGlobal>

#include <cstddef>

// Takes apart one live-view stream frame as GetStreamData (vendor operation
// 0x9025) delivers it: a small header, a list of tagged entries with the live
// image's side information, and the JPEG image from the image offset to the
// end of the buffer.
//
// The camera fills a buffer of the stream info's packetMaxSize; everything in
// it may be garbage, so every offset and length is checked against the end of
// the buffer before it is used, with size_t arithmetic that cannot wrap. The
// parser keeps no state and may run in any thread. It logs what it rejects
// (category 0) and, with the stream category on, what it found.
class TVK_Logic_StreamFrameParser
{
public:
    enum eLETag : quint32 {
        kLETagEnd = 0,
        kLETagISO = 1,
        kLETagExposureTime = 2,
        kLETagExposureTv = 3,
        kLETagZoom = 4,
        kLETagImageId = 5,
        kLETagAudio = 6,
        kLETagTimeCode = 7
    };

    // Which check rejected a frame, in the order the checks are made.
    enum eLEError {
        kLEErrorNone,
        kLEErrorNoHeaderLengthA,   // the frame ends before offset 6
        kLEErrorHeaderLengthA,     // 6 + header length A runs past the end
        kLEErrorNoHeaderLengthB,   // the frame ends before offset 14
        kLEErrorHeaderLengthB,     // 14 + header length B runs past the end
        kLEErrorNoImageOffset,     // the frame ends before offset 20
        kLEErrorImageOffset,       // image offset below 29 or past the end
        kLEErrorTagTruncated,      // fewer than 4 bytes left for the next tag
        kLEErrorEntryTruncated,    // a non-zero tag without room for its length
        kLEErrorZeroLength,        // an entry with length 0
        kLEErrorValueTruncated     // an entry's value runs past the end
    };

    // The fixed value sizes of the known tags. A longer value is accepted and
    // its leading bytes are read, so that firmware may append fields.
    static constexpr size_t kISOValueSize = 4;
    static constexpr size_t kExposureTimeValueSize = 4;
    static constexpr size_t kExposureTvValueSize = 4;
    static constexpr size_t kZoomValueSize = 64;
    static constexpr size_t kImageIdValueSize = 4;
    static constexpr size_t kAudioValueSize = 16;
    static constexpr size_t kTimeCodeValueSize = 4;

    // The lowest image offset a frame may have; anything lower is rejected.
    static constexpr size_t kMinImageOffset = 29;

    // Zoom and focus geometry, all in sensor pixels, in the order of the tag.
    struct ZoomInfo {
        quint32 selectedStripe = 0;
        quint32 zoomLevel = 0;
        quint32 outerX = 0;
        quint32 outerY = 0;
        quint32 outerWidth = 0;
        quint32 outerHeight = 0;
        quint32 sensorX = 0;
        quint32 sensorY = 0;
        quint32 sensorWidth = 0;
        quint32 sensorHeight = 0;
        quint32 sourceX = 0;
        quint32 sourceY = 0;
        quint32 sourceWidth = 0;
        quint32 sourceHeight = 0;
        quint32 crossX = 0;
        quint32 crossY = 0;

        // The AF cross relative to the image source area (0 to 1 inside it).
        // False, and x and y untouched, when the area has no width or height.
        bool relativeFocusPosition(double *x, double *y) const;
        // The image source area relative to the outer bounds. False, and the
        // outputs untouched, when the bounds have no width or height.
        bool relativeSourceArea(double *x, double *y, double *width, double *height) const;
    };

    // Audio levels in thousandths of full scale.
    struct AudioLevels {
        quint32 peakLeft = 0;
        quint32 peakRight = 0;
        quint32 rmsLeft = 0;
        quint32 rmsRight = 0;
    };

    struct TimeCode {
        quint8 hours = 0;
        quint8 minutes = 0;
        quint8 seconds = 0;
        quint8 frames = 0;
    };

    struct Result {
        // True when the frame is complete. Otherwise error says which check
        // failed and nothing else is set: a broken frame is dropped as a whole.
        // errorOffset is where the faulty header field starts (also when the
        // frame ends before it) or where the faulty entry starts.
        bool ok = false;
        eLEError error = kLEErrorNone;
        size_t errorOffset = 0;

        // The JPEG image inside the parsed buffer: from imageOffset to its end.
        size_t imageOffset = 0;
        size_t imageLength = 0;

        // Side information; each value is valid only when its flag is set.
        // A tag that occurs twice gives the value of its last entry.
        bool hasISO = false;
        quint32 iso = 0;
        bool hasExposureTime = false;
        quint32 exposureTime = 0; // microseconds
        bool hasExposureTv = false;
        qint32 exposureTv = 0; // Tv in 1/256 steps
        bool hasZoom = false;
        ZoomInfo zoom;
        bool hasImageId = false;
        quint32 imageId = 0;
        bool hasAudio = false;
        AudioLevels audio;
        bool hasTimeCode = false;
        TimeCode timeCode;

        // From the zoom tag, when the geometry allows it (see ZoomInfo).
        bool hasRelativeFocusPosition = false;
        double relativeFocusX = 0.0;
        double relativeFocusY = 0.0;
        bool hasRelativeSourceArea = false;
        double relativeSourceX = 0.0;
        double relativeSourceY = 0.0;
        double relativeSourceWidth = 0.0;
        double relativeSourceHeight = 0.0;

        // Entries skipped: unknown tags, and known tags whose value is shorter
        // than its fixed size.
        int unknownTags = 0;
        int shortTags = 0;

        // Whether an entry of the known tag was taken (false for other tags).
        bool hasTag(quint32 tag) const;
        double exposureTvValue() const { return exposureTv / 256.0; }
    };

    TVK_Logic_StreamFrameParser() = delete;

    // Parses size bytes at data. Never reads outside them, whatever they hold.
    // caller is the log prefix of the calling method; null gives the parser's
    // own.
    static Result parse(const void *data, size_t size, const char *caller = nullptr);
};
