#include "TVK_Debug_Log.h"
#include "TVK_Logic_StreamFrameParser.h"
#include "TVK_Test_ExactBuffer.h"
#include "TVK_Test_LogCapture.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>


using Parser = TVK_Logic_StreamFrameParser;

Q_DECLARE_METATYPE(TVK_Logic_StreamFrameParser::eLEError)

namespace {

constexpr quint32 kNoCategories = 0;

QByteArray le16(quint16 value)
{
    const quint16 little = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&little), sizeof little);
}

QByteArray le32(quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char *>(&little), sizeof little);
}

QByteArray le32s(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    for (quint32 value : values)
        bytes += le32(value);
    return bytes;
}

void patch(QByteArray *bytes, int offset, const QByteArray &value)
{
    bytes->replace(offset, value.size(), value);
}

// Lays out a stream frame: the 20-byte header, the tagged entries from offset
// 20, the end tag, and the image at the image offset. Unless told otherwise
// the image offset is the first byte after the end tag (at least 29), and both
// header lengths are 0.
class FrameBuilder
{
public:
    FrameBuilder &headerLengthA(quint16 value)
    {
        m_headerLengthA = value;
        return *this;
    }
    FrameBuilder &headerLengthB(quint32 value)
    {
        m_headerLengthB = value;
        return *this;
    }
    // Written into the header as is; the body is padded up to it when shorter.
    FrameBuilder &imageOffset(quint32 value)
    {
        m_imageOffset = value;
        m_fixedImageOffset = true;
        return *this;
    }
    FrameBuilder &entry(quint32 tag, const QByteArray &value)
    {
        return rawEntry(tag, quint32(value.size()), value);
    }
    // An entry whose length field need not match its bytes.
    FrameBuilder &rawEntry(quint32 tag, quint32 length, const QByteArray &value)
    {
        m_list += le32(tag) + le32(length) + value;
        return *this;
    }
    FrameBuilder &raw(const QByteArray &bytes)
    {
        m_list += bytes;
        return *this;
    }
    FrameBuilder &withoutEndTag()
    {
        m_endTag = false;
        return *this;
    }
    FrameBuilder &padding(int bytes)
    {
        m_padding = bytes;
        return *this;
    }
    FrameBuilder &image(const QByteArray &bytes)
    {
        m_image = bytes;
        return *this;
    }

    QByteArray build() const
    {
        QByteArray body = QByteArray(20, '\0') + m_list;
        if (m_endTag)
            body += le32(0);
        body += QByteArray(m_padding, char(0xA5));
        quint32 offset = m_imageOffset;
        if (!m_fixedImageOffset)
            offset = quint32(qMax(body.size(), int(Parser::kMinImageOffset)));
        // Absurd offsets are written into the header but not padded out.
        while (quint32(body.size()) < offset && body.size() < (1 << 20))
            body += char(0xA5);
        body += m_image;
        patch(&body, 4, le16(m_headerLengthA));
        patch(&body, 10, le32(m_headerLengthB));
        patch(&body, 16, le32(offset));
        return body;
    }

private:
    quint16 m_headerLengthA = 0;
    quint32 m_headerLengthB = 0;
    quint32 m_imageOffset = 0;
    bool m_fixedImageOffset = false;
    QByteArray m_list;
    bool m_endTag = true;
    int m_padding = 0;
    QByteArray m_image;
};

const QByteArray kJpeg = QByteArray::fromHex("FFD8FFE000104A464946000101FFD9");

Parser::Result parseExact(const QByteArray &bytes, const char *caller = nullptr)
{
    const TVK_Test_ExactBuffer buffer(bytes);
    return Parser::parse(buffer.data(), buffer.size(), caller);
}

// A tag's decoded value written back as the tag's fixed-size bytes, so that
// values can be compared with the bytes that went into the frame.
QByteArray encodedValue(const Parser::Result &result, quint32 tag)
{
    switch (tag) {
    case Parser::kLETagISO:
        return le32(result.iso);
    case Parser::kLETagExposureTime:
        return le32(result.exposureTime);
    case Parser::kLETagExposureTv:
        return le32(quint32(result.exposureTv));
    case Parser::kLETagZoom: {
        const Parser::ZoomInfo &z = result.zoom;
        return le32s({z.selectedStripe, z.zoomLevel, z.outerX, z.outerY, z.outerWidth, z.outerHeight, z.sensorX,
                      z.sensorY, z.sensorWidth, z.sensorHeight, z.sourceX, z.sourceY, z.sourceWidth, z.sourceHeight,
                      z.crossX, z.crossY});
    }
    case Parser::kLETagImageId:
        return le32(result.imageId);
    case Parser::kLETagAudio:
        return le32s({result.audio.peakLeft, result.audio.peakRight, result.audio.rmsLeft, result.audio.rmsRight});
    case Parser::kLETagTimeCode: {
        QByteArray bytes;
        bytes += char(result.timeCode.hours);
        bytes += char(result.timeCode.minutes);
        bytes += char(result.timeCode.seconds);
        bytes += char(result.timeCode.frames);
        return bytes;
    }
    default:
        return QByteArray();
    }
}

int fixedSize(quint32 tag)
{
    switch (tag) {
    case Parser::kLETagZoom:
        return int(Parser::kZoomValueSize);
    case Parser::kLETagAudio:
        return int(Parser::kAudioValueSize);
    default:
        return 4;
    }
}

QByteArray randomBytes(QRandomGenerator &random, int size)
{
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// What every result must satisfy, whatever the input. Returns an empty text
// when it does, else what is wrong.
QString brokenInvariant(const Parser::Result &result, size_t size)
{
    if (result.ok) {
        if (result.error != Parser::kLEErrorNone)
            return QStringLiteral("ok with error %1").arg(result.error);
        if (result.imageOffset < Parser::kMinImageOffset || result.imageOffset > size)
            return QStringLiteral("image offset %1 outside 29..%2").arg(result.imageOffset).arg(size);
        if (result.imageLength != size - result.imageOffset)
            return QStringLiteral("image length %1 does not reach the end").arg(result.imageLength);
        if (result.hasRelativeFocusPosition
            && (!result.hasZoom || result.zoom.sourceWidth == 0 || result.zoom.sourceHeight == 0))
            return QStringLiteral("relative focus position without a source area");
        if (result.hasRelativeSourceArea
            && (!result.hasZoom || result.zoom.outerWidth == 0 || result.zoom.outerHeight == 0))
            return QStringLiteral("relative source area without outer bounds");
        return QString();
    }
    if (result.error == Parser::kLEErrorNone)
        return QStringLiteral("rejected without an error");
    if (result.imageOffset != 0 || result.imageLength != 0)
        return QStringLiteral("rejected frame with an image");
    switch (result.error) {
    case Parser::kLEErrorNoHeaderLengthA:
    case Parser::kLEErrorHeaderLengthA:
        if (result.errorOffset != 4)
            return QStringLiteral("header length A error at %1").arg(result.errorOffset);
        break;
    case Parser::kLEErrorNoHeaderLengthB:
    case Parser::kLEErrorHeaderLengthB:
        if (result.errorOffset != 10)
            return QStringLiteral("header length B error at %1").arg(result.errorOffset);
        break;
    case Parser::kLEErrorNoImageOffset:
    case Parser::kLEErrorImageOffset:
        if (result.errorOffset != 16)
            return QStringLiteral("image offset error at %1").arg(result.errorOffset);
        break;
    default:
        // Entry errors point at an entry of the list inside the buffer.
        if (result.errorOffset < 20 || result.errorOffset > size)
            return QStringLiteral("entry error at %1 outside 20..%2").arg(result.errorOffset).arg(size);
        break;
    }
    for (quint32 tag = 1; tag <= 7; ++tag)
        if (result.hasTag(tag))
            return QStringLiteral("rejected frame with tag %1").arg(tag);
    return QString();
}

// A frame carrying all seven tags with easily told-apart values.
FrameBuilder fullFrame()
{
    FrameBuilder frame;
    frame.entry(Parser::kLETagISO, le32(800))
        .entry(Parser::kLETagExposureTime, le32(16667))
        .entry(Parser::kLETagExposureTv, le32(quint32(-1536)))
        .entry(Parser::kLETagZoom, le32s({0x00000003, 2, 0, 0, 6000, 4000, 24, 16, 5952, 3968, 1500, 1000, 3000,
                                           2000, 2250, 2500}))
        .entry(Parser::kLETagImageId, le32(0x00ABCDEF))
        .entry(Parser::kLETagAudio, le32s({812, 790, 401, 388}))
        .entry(Parser::kLETagTimeCode, QByteArray::fromHex("0B1E3B18"))
        .image(kJpeg);
    return frame;
}

} // namespace

class tst_streamframe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Well-formed frames
    void wellFormedFrameYieldsImageAndEveryTag();
    void firstTagZeroYieldsImageAndNoMetadata();
    void imageOffsetMustLieBetween29AndTheEnd_data();
    void imageOffsetMustLieBetween29AndTheEnd();
    void entriesMayRunOnIntoTheImageArea();
    void repeatedTagGivesTheLaterValue_data();
    void repeatedTagGivesTheLaterValue();
    void longerValueIsReadFromItsStartAndTheWalkGoesOn();
    void exposureTvIsSigned_data();
    void exposureTvIsSigned();

    // Zoom geometry
    void relativeFocusPositionNeedsASourceArea_data();
    void relativeFocusPositionNeedsASourceArea();
    void relativeSourceAreaNeedsOuterBounds_data();
    void relativeSourceAreaNeedsOuterBounds();

    // Entries that are skipped
    void unknownTagIsLoggedAndSkipped_data();
    void unknownTagIsLoggedAndSkipped();
    void shortValueLeavesItsTagUnseen_data();
    void shortValueLeavesItsTagUnseen();
    void shortValueKeepsTheEarlierValue_data();
    void shortValueKeepsTheEarlierValue();

    // Rejected frames
    void headerChecksAreMadeInOrder_data();
    void headerChecksAreMadeInOrder();
    void brokenEntryListIsRejected_data();
    void brokenEntryListIsRejected();
    void rejectedFrameCarriesNoMetadata();
    void rejectedFrameIsLoggedAndDumped_data();
    void rejectedFrameIsLoggedAndDumped();
    void callerPrefixIsUsedForEveryLine();
    void missingDataIsRejected();

    // Diagnostics of accepted frames
    void acceptedFrameIsDumpedWithTheStreamCategory();
    void relativeFocusLineIsLeftOutWithoutSourceArea();
    void acceptedFrameIsSilentWithTheStartupMask();

    // Malformed input in bulk
    void everyTruncationOfAFrameIsHandled();
    void randomWellFormedFramesDecodeAsBuilt();
    void randomBytesNeverLeadOutsideTheBuffer();
    void hostileMutationsReachEveryCheckAndStayInside();
};

// --- Well-formed frames ---------------------------------------------------------

void tst_streamframe::wellFormedFrameYieldsImageAndEveryTag()
{
    TVK_Test_LogCapture capture(kNoCategories);
    const QByteArray bytes = fullFrame().build();
    const TVK_Test_ExactBuffer buffer(bytes);
    const Parser::Result result = Parser::parse(buffer.data(), buffer.size());

    QVERIFY(result.ok);
    QCOMPARE(result.error, Parser::kLEErrorNone);
    QCOMPARE(result.imageOffset, size_t(bytes.size() - kJpeg.size()));
    QCOMPARE(result.imageLength, size_t(kJpeg.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer.data()) + result.imageOffset, int(result.imageLength)),
             kJpeg);

    QVERIFY(result.hasISO);
    QCOMPARE(result.iso, 800u);
    QVERIFY(result.hasExposureTime);
    QCOMPARE(result.exposureTime, 16667u);
    QVERIFY(result.hasExposureTv);
    QCOMPARE(result.exposureTv, -1536);
    QCOMPARE(result.exposureTvValue(), -6.0);

    QVERIFY(result.hasZoom);
    QCOMPARE(result.zoom.selectedStripe, 3u);
    QCOMPARE(result.zoom.zoomLevel, 2u);
    QCOMPARE(result.zoom.outerX, 0u);
    QCOMPARE(result.zoom.outerY, 0u);
    QCOMPARE(result.zoom.outerWidth, 6000u);
    QCOMPARE(result.zoom.outerHeight, 4000u);
    QCOMPARE(result.zoom.sensorX, 24u);
    QCOMPARE(result.zoom.sensorY, 16u);
    QCOMPARE(result.zoom.sensorWidth, 5952u);
    QCOMPARE(result.zoom.sensorHeight, 3968u);
    QCOMPARE(result.zoom.sourceX, 1500u);
    QCOMPARE(result.zoom.sourceY, 1000u);
    QCOMPARE(result.zoom.sourceWidth, 3000u);
    QCOMPARE(result.zoom.sourceHeight, 2000u);
    QCOMPARE(result.zoom.crossX, 2250u);
    QCOMPARE(result.zoom.crossY, 2500u);
    QVERIFY(result.hasRelativeFocusPosition);
    QCOMPARE(result.relativeFocusX, 0.25);
    QCOMPARE(result.relativeFocusY, 0.75);
    QVERIFY(result.hasRelativeSourceArea);
    QCOMPARE(result.relativeSourceX, 0.25);
    QCOMPARE(result.relativeSourceY, 0.25);
    QCOMPARE(result.relativeSourceWidth, 0.5);
    QCOMPARE(result.relativeSourceHeight, 0.5);

    QVERIFY(result.hasImageId);
    QCOMPARE(result.imageId, 0x00ABCDEFu);
    QVERIFY(result.hasAudio);
    QCOMPARE(result.audio.peakLeft, 812u);
    QCOMPARE(result.audio.peakRight, 790u);
    QCOMPARE(result.audio.rmsLeft, 401u);
    QCOMPARE(result.audio.rmsRight, 388u);
    QVERIFY(result.hasTimeCode);
    QCOMPARE(int(result.timeCode.hours), 11);
    QCOMPARE(int(result.timeCode.minutes), 30);
    QCOMPARE(int(result.timeCode.seconds), 59);
    QCOMPARE(int(result.timeCode.frames), 24);

    QCOMPARE(result.unknownTags, 0);
    QCOMPARE(result.shortTags, 0);
    QCOMPARE(capture.lines(), QStringList());
}

void tst_streamframe::firstTagZeroYieldsImageAndNoMetadata()
{
    TVK_Test_LogCapture capture(kNoCategories);
    const QByteArray bytes = FrameBuilder().image(kJpeg).build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QCOMPARE(result.imageOffset, size_t(29));
    QCOMPARE(result.imageLength, size_t(kJpeg.size()));
    QCOMPARE(bytes.mid(int(result.imageOffset)), kJpeg);
    for (quint32 tag = 0; tag <= 8; ++tag)
        QVERIFY2(!result.hasTag(tag), qPrintable(QString::number(tag)));
    QVERIFY(!result.hasRelativeFocusPosition);
    QVERIFY(!result.hasRelativeSourceArea);
    QCOMPARE(capture.lines(), QStringList());
}

void tst_streamframe::imageOffsetMustLieBetween29AndTheEnd_data()
{
    QTest::addColumn<quint32>("imageOffset");
    QTest::addColumn<bool>("accepted");

    // The frames are 64 bytes long.
    QTest::newRow("0") << 0u << false;
    QTest::newRow("20, inside the header") << 20u << false;
    QTest::newRow("28") << 28u << false;
    QTest::newRow("29") << 29u << true;
    QTest::newRow("63, a one-byte image") << 63u << true;
    QTest::newRow("64, an empty image at the end") << 64u << true;
    QTest::newRow("65, past the end") << 65u << false;
    QTest::newRow("0xFFFFFFFF") << 0xFFFFFFFFu << false;
}

void tst_streamframe::imageOffsetMustLieBetween29AndTheEnd()
{
    QFETCH(quint32, imageOffset);
    QFETCH(bool, accepted);

    TVK_Test_LogCapture capture(kNoCategories);
    QByteArray bytes = FrameBuilder().padding(40).build();
    QCOMPARE(bytes.size(), 64);
    patch(&bytes, 16, le32(imageOffset));
    const Parser::Result result = parseExact(bytes);

    QCOMPARE(result.ok, accepted);
    if (accepted) {
        QCOMPARE(result.imageOffset, size_t(imageOffset));
        QCOMPARE(result.imageLength, size_t(64 - imageOffset));
    } else {
        QCOMPARE(result.error, Parser::kLEErrorImageOffset);
        QCOMPARE(result.errorOffset, size_t(16));
    }
}

void tst_streamframe::entriesMayRunOnIntoTheImageArea()
{
    // The list is walked to its end tag, wherever the image starts; only the
    // end of the buffer limits it.
    const QByteArray bytes = FrameBuilder().entry(Parser::kLETagISO, le32(1600)).imageOffset(29).build();
    QCOMPARE(bytes.size(), 36);
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QCOMPARE(result.iso, 1600u);
    QCOMPARE(result.imageOffset, size_t(29));
    QCOMPARE(result.imageLength, size_t(7));
}

void tst_streamframe::repeatedTagGivesTheLaterValue_data()
{
    QTest::addColumn<quint32>("tag");
    for (quint32 tag = 1; tag <= 7; ++tag)
        QTest::addRow("tag %u", tag) << tag;
}

void tst_streamframe::repeatedTagGivesTheLaterValue()
{
    QFETCH(quint32, tag);

    QRandomGenerator random(tag);
    const QByteArray first = randomBytes(random, fixedSize(tag));
    QByteArray second = randomBytes(random, fixedSize(tag));
    second[0] = char(~first[0]);
    const quint32 other = tag == Parser::kLETagImageId ? Parser::kLETagISO : Parser::kLETagImageId;
    const QByteArray bytes =
        FrameBuilder().entry(tag, first).entry(other, le32(5)).entry(tag, second).image(kJpeg).build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QVERIFY(result.hasTag(tag));
    QCOMPARE(encodedValue(result, tag), second);
    QCOMPARE(encodedValue(result, other), le32(5));
}

void tst_streamframe::longerValueIsReadFromItsStartAndTheWalkGoesOn()
{
    TVK_Test_LogCapture capture(kNoCategories);
    const QByteArray bytes = FrameBuilder()
                                 .entry(Parser::kLETagISO, le32(3200) + le32(0xFFFFFFFF) + le32(7))
                                 .entry(Parser::kLETagTimeCode, QByteArray::fromHex("01020304FFFF"))
                                 .entry(Parser::kLETagImageId, le32(0x42))
                                 .image(kJpeg)
                                 .build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QCOMPARE(result.iso, 3200u);
    QCOMPARE(int(result.timeCode.hours), 1);
    QCOMPARE(int(result.timeCode.frames), 4);
    QCOMPARE(result.imageId, 0x42u);
    QCOMPARE(result.shortTags, 0);
    QCOMPARE(result.unknownTags, 0);
    QCOMPARE(capture.lines(), QStringList());
}

void tst_streamframe::exposureTvIsSigned_data()
{
    QTest::addColumn<quint32>("raw");
    QTest::addColumn<qint32>("tv");
    QTest::addColumn<double>("value");

    QTest::newRow("Tv 8 (1/256 s)") << 2048u << 2048 << 8.0;
    QTest::newRow("Tv -2 (4 s)") << quint32(-512) << -512 << -2.0;
    QTest::newRow("smallest") << 0x80000000u << qint32(-2147483647 - 1) << -8388608.0;
}

void tst_streamframe::exposureTvIsSigned()
{
    QFETCH(quint32, raw);
    QFETCH(qint32, tv);
    QFETCH(double, value);

    const Parser::Result result = parseExact(FrameBuilder().entry(Parser::kLETagExposureTv, le32(raw)).build());
    QVERIFY(result.hasExposureTv);
    QCOMPARE(result.exposureTv, tv);
    QCOMPARE(result.exposureTvValue(), value);
}

// --- Zoom geometry ------------------------------------------------------------------

void tst_streamframe::relativeFocusPositionNeedsASourceArea_data()
{
    QTest::addColumn<QByteArray>("zoom");
    QTest::addColumn<bool>("has");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    // stripe, level, outer x y w h, sensor x y w h, source x y w h, cross x y
    QTest::newRow("cross in the middle")
        << le32s({0, 1, 0, 0, 6000, 4000, 0, 0, 6000, 4000, 1000, 500, 2000, 1000, 2000, 1000}) << true << 0.5 << 0.5;
    QTest::newRow("cross at the area's origin")
        << le32s({0, 1, 0, 0, 6000, 4000, 0, 0, 6000, 4000, 1000, 500, 2000, 1000, 1000, 500}) << true << 0.0 << 0.0;
    QTest::newRow("cross left of and above the area")
        << le32s({0, 1, 0, 0, 6000, 4000, 0, 0, 6000, 4000, 1000, 500, 2000, 1000, 0, 0}) << true << -0.5 << -0.5;
    QTest::newRow("area without width")
        << le32s({0, 1, 0, 0, 6000, 4000, 0, 0, 6000, 4000, 1000, 500, 0, 1000, 2000, 1000}) << false << 0.0 << 0.0;
    QTest::newRow("area without height")
        << le32s({0, 1, 0, 0, 6000, 4000, 0, 0, 6000, 4000, 1000, 500, 2000, 0, 2000, 1000}) << false << 0.0 << 0.0;
    QTest::newRow("all zero") << QByteArray(64, '\0') << false << 0.0 << 0.0;
    QTest::newRow("largest numbers")
        << le32s({0, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}) << true << 1.0
        << 1.0;
}

void tst_streamframe::relativeFocusPositionNeedsASourceArea()
{
    QFETCH(QByteArray, zoom);
    QFETCH(bool, has);
    QFETCH(double, x);
    QFETCH(double, y);

    const Parser::Result result = parseExact(FrameBuilder().entry(Parser::kLETagZoom, zoom).build());
    QVERIFY(result.ok);
    QVERIFY(result.hasZoom);
    QCOMPARE(result.hasRelativeFocusPosition, has);
    QCOMPARE(result.relativeFocusX, x);
    QCOMPARE(result.relativeFocusY, y);

    double zx = -9.0;
    double zy = -9.0;
    QCOMPARE(result.zoom.relativeFocusPosition(&zx, &zy), has);
    QCOMPARE(zx, has ? x : -9.0);
    QCOMPARE(zy, has ? y : -9.0);
}

void tst_streamframe::relativeSourceAreaNeedsOuterBounds_data()
{
    QTest::addColumn<QByteArray>("zoom");
    QTest::addColumn<bool>("has");
    QTest::addColumn<QVector<double>>("area");

    QTest::newRow("source area inside offset bounds")
        << le32s({0, 2, 100, 200, 4000, 2000, 0, 0, 6000, 4000, 1100, 700, 1000, 500, 0, 0}) << true
        << QVector<double>{0.25, 0.25, 0.25, 0.25};
    QTest::newRow("source area left of the bounds")
        << le32s({0, 2, 1000, 1000, 2000, 2000, 0, 0, 6000, 4000, 0, 500, 1000, 500, 0, 0}) << true
        << QVector<double>{-0.5, -0.25, 0.5, 0.25};
    QTest::newRow("bounds without width")
        << le32s({0, 2, 0, 0, 0, 2000, 0, 0, 6000, 4000, 0, 0, 1000, 500, 0, 0}) << false
        << QVector<double>{0.0, 0.0, 0.0, 0.0};
    QTest::newRow("bounds without height")
        << le32s({0, 2, 0, 0, 4000, 0, 0, 0, 6000, 4000, 0, 0, 1000, 500, 0, 0}) << false
        << QVector<double>{0.0, 0.0, 0.0, 0.0};
}

void tst_streamframe::relativeSourceAreaNeedsOuterBounds()
{
    QFETCH(QByteArray, zoom);
    QFETCH(bool, has);
    QFETCH(QVector<double>, area);

    const Parser::Result result = parseExact(FrameBuilder().entry(Parser::kLETagZoom, zoom).build());
    QVERIFY(result.ok);
    QCOMPARE(result.hasRelativeSourceArea, has);
    QCOMPARE(result.relativeSourceX, area[0]);
    QCOMPARE(result.relativeSourceY, area[1]);
    QCOMPARE(result.relativeSourceWidth, area[2]);
    QCOMPARE(result.relativeSourceHeight, area[3]);
}

// --- Entries that are skipped ---------------------------------------------------------

void tst_streamframe::unknownTagIsLoggedAndSkipped_data()
{
    QTest::addColumn<quint32>("tag");
    QTest::addColumn<QString>("hex");

    QTest::newRow("8") << 8u << QStringLiteral("00000008");
    QTest::newRow("0x100") << 0x100u << QStringLiteral("00000100");
    QTest::newRow("0x80000001") << 0x80000001u << QStringLiteral("80000001");
    QTest::newRow("0xDEADBEEF") << 0xDEADBEEFu << QStringLiteral("deadbeef");
}

void tst_streamframe::unknownTagIsLoggedAndSkipped()
{
    QFETCH(quint32, tag);
    QFETCH(QString, hex);

    TVK_Test_LogCapture capture(kNoCategories);
    const QByteArray bytes = FrameBuilder()
                                 .entry(Parser::kLETagISO, le32(200))
                                 .entry(tag, QByteArray(13, 'u'))
                                 .entry(Parser::kLETagImageId, le32(77))
                                 .image(kJpeg)
                                 .build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QCOMPARE(result.unknownTags, 1);
    QCOMPARE(result.iso, 200u);
    QCOMPARE(result.imageId, 77u);
    QCOMPARE(result.imageLength, size_t(kJpeg.size()));
    QCOMPARE(capture.lines(), QStringList(QStringLiteral("TVK_Logic_StreamFrameParser::parse() - unknown tag 0x")
                                          + hex + QStringLiteral(" in live view stream!")));
}

void tst_streamframe::shortValueLeavesItsTagUnseen_data()
{
    QTest::addColumn<quint32>("tag");
    QTest::addColumn<int>("length");

    for (quint32 tag = 1; tag <= 7; ++tag) {
        QTest::addRow("tag %u, 1 byte", tag) << tag << 1;
        QTest::addRow("tag %u, one byte short", tag) << tag << fixedSize(tag) - 1;
    }
    QTest::newRow("zoom with 8 bytes") << quint32(Parser::kLETagZoom) << 8;
}

void tst_streamframe::shortValueLeavesItsTagUnseen()
{
    QFETCH(quint32, tag);
    QFETCH(int, length);

    TVK_Test_LogCapture capture(kNoCategories);
    // The short value is followed by what would complete it, so reading the
    // fixed size regardless would pick up the next entry's bytes.
    const QByteArray bytes = FrameBuilder()
                                 .entry(tag, QByteArray(length, char(0x11)))
                                 .entry(Parser::kLETagImageId == tag ? Parser::kLETagISO : Parser::kLETagImageId,
                                        le32(9))
                                 .image(kJpeg)
                                 .build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QVERIFY(!result.hasTag(tag));
    QCOMPARE(encodedValue(result, tag), QByteArray(fixedSize(tag), '\0'));
    QCOMPARE(result.shortTags, 1);
    QVERIFY(result.hasTag(Parser::kLETagImageId == tag ? Parser::kLETagISO : Parser::kLETagImageId));
    QCOMPARE(result.imageLength, size_t(kJpeg.size()));
    QCOMPARE(capture.lines(), QStringList(QStringLiteral("TVK_Logic_StreamFrameParser::parse() - tag %1 with %2 "
                                                         "bytes instead of %3 in live view stream ignored!")
                                              .arg(tag)
                                              .arg(length)
                                              .arg(fixedSize(tag))));
}

void tst_streamframe::shortValueKeepsTheEarlierValue_data()
{
    QTest::addColumn<quint32>("tag");
    for (quint32 tag = 1; tag <= 7; ++tag)
        QTest::addRow("tag %u", tag) << tag;
}

void tst_streamframe::shortValueKeepsTheEarlierValue()
{
    QFETCH(quint32, tag);

    QRandomGenerator random(100 + tag);
    const QByteArray valid = randomBytes(random, fixedSize(tag));
    const QByteArray bytes =
        FrameBuilder().entry(tag, valid).entry(tag, QByteArray(fixedSize(tag) - 1, char(0x5A))).build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(result.ok);
    QVERIFY(result.hasTag(tag));
    QCOMPARE(encodedValue(result, tag), valid);
    QCOMPARE(result.shortTags, 1);
}

// --- Rejected frames --------------------------------------------------------------------

void tst_streamframe::headerChecksAreMadeInOrder_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Parser::eLEError>("error");
    QTest::addColumn<int>("errorOffset");

    // A valid 64-byte frame whose header fields the rows change.
    const QByteArray valid = FrameBuilder().padding(40).build();
    auto with = [&valid](int a, qint64 b, qint64 image, int size) {
        QByteArray bytes = valid;
        patch(&bytes, 4, le16(quint16(a)));
        patch(&bytes, 10, le32(quint32(b)));
        patch(&bytes, 16, le32(quint32(image)));
        return bytes.left(size);
    };

    QTest::newRow("the valid frame") << valid << Parser::kLEErrorNone << 0;
    QTest::newRow("empty") << QByteArray() << Parser::kLEErrorNoHeaderLengthA << 4;
    QTest::newRow("5 bytes") << valid.left(5) << Parser::kLEErrorNoHeaderLengthA << 4;
    QTest::newRow("6 bytes with A = 1") << with(1, 0, 29, 6) << Parser::kLEErrorHeaderLengthA << 4;
    QTest::newRow("6 bytes with A = 0 end before B") << with(0, 0, 29, 6) << Parser::kLEErrorNoHeaderLengthB << 10;
    QTest::newRow("A fills the frame") << with(58, 0, 29, 64) << Parser::kLEErrorNone << 0;
    QTest::newRow("A one past the end") << with(59, 0, 29, 64) << Parser::kLEErrorHeaderLengthA << 4;
    QTest::newRow("A = 0xFFFF") << with(0xFFFF, 0, 29, 64) << Parser::kLEErrorHeaderLengthA << 4;
    QTest::newRow("A past the end comes before B and image offset")
        << with(59, 0xFFFFFFFF, 0, 64) << Parser::kLEErrorHeaderLengthA << 4;
    QTest::newRow("13 bytes") << with(0, 0, 29, 13) << Parser::kLEErrorNoHeaderLengthB << 10;
    QTest::newRow("14 bytes with B = 0 end before the image offset")
        << with(0, 0, 29, 14) << Parser::kLEErrorNoImageOffset << 16;
    QTest::newRow("B fills the frame") << with(0, 50, 29, 64) << Parser::kLEErrorNone << 0;
    QTest::newRow("B one past the end") << with(0, 51, 29, 64) << Parser::kLEErrorHeaderLengthB << 10;
    QTest::newRow("B = 0xFFFFFFFF") << with(0, 0xFFFFFFFF, 29, 64) << Parser::kLEErrorHeaderLengthB << 10;
    QTest::newRow("B = 0xFFFFFFF2, 14 + B wraps in 32 bits")
        << with(0, 0xFFFFFFF2, 29, 64) << Parser::kLEErrorHeaderLengthB << 10;
    QTest::newRow("B past the end comes before the image offset")
        << with(0, 51, 0, 64) << Parser::kLEErrorHeaderLengthB << 10;
    QTest::newRow("19 bytes") << with(0, 0, 29, 19) << Parser::kLEErrorNoImageOffset << 16;
    QTest::newRow("20 bytes, image offset 29 past the end") << with(0, 0, 29, 20) << Parser::kLEErrorImageOffset << 16;
    QTest::newRow("image offset 28 comes before a broken list")
        << with(0, 0, 28, 64).replace(20, 8, le32(1) + le32(0)) << Parser::kLEErrorImageOffset << 16;
}

void tst_streamframe::headerChecksAreMadeInOrder()
{
    QFETCH(QByteArray, frame);
    QFETCH(Parser::eLEError, error);
    QFETCH(int, errorOffset);

    TVK_Test_LogCapture capture(kNoCategories);
    const Parser::Result result = parseExact(frame);

    QCOMPARE(result.error, error);
    QCOMPARE(result.ok, error == Parser::kLEErrorNone);
    QCOMPARE(result.errorOffset, size_t(errorOffset));
    QCOMPARE(capture.matching(QStringLiteral("error in stream data!")).size(), result.ok ? 0 : 1);
}

void tst_streamframe::brokenEntryListIsRejected_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Parser::eLEError>("error");
    QTest::addColumn<int>("errorOffset");

    // Image offsets inside the list keep the header valid when the list runs
    // to the end of the buffer.
    QTest::newRow("2 bytes left for the next tag")
        << FrameBuilder().entry(1, le32(100)).raw(QByteArray(2, '\0')).withoutEndTag().imageOffset(29).build()
        << Parser::kLEErrorTagTruncated << 32;
    QTest::newRow("last value ends at the buffer end without end tag")
        << FrameBuilder().entry(1, QByteArray(9, 'v')).withoutEndTag().imageOffset(29).build()
        << Parser::kLEErrorTagTruncated << 37;
    QTest::newRow("tag without room for its length")
        << FrameBuilder().entry(1, le32(100)).raw(le32(5) + QByteArray(3, '\0')).withoutEndTag().imageOffset(29).build()
        << Parser::kLEErrorEntryTruncated << 32;
    QTest::newRow("tag in the last 4 bytes")
        << FrameBuilder().entry(1, QByteArray(5, 'v')).raw(le32(5)).withoutEndTag().imageOffset(29).build()
        << Parser::kLEErrorEntryTruncated << 33;
    QTest::newRow("first entry with length 0")
        << FrameBuilder().rawEntry(1, 0, QByteArray()).image(kJpeg).build() << Parser::kLEErrorZeroLength << 20;
    QTest::newRow("length 0 after valid entries")
        << FrameBuilder().entry(1, le32(100)).entry(5, le32(1)).rawEntry(6, 0, QByteArray()).image(kJpeg).build()
        << Parser::kLEErrorZeroLength << 44;
    QTest::newRow("unknown tag with length 0")
        << FrameBuilder().rawEntry(0x1234, 0, QByteArray()).image(kJpeg).build() << Parser::kLEErrorZeroLength << 20;
    QTest::newRow("value one byte past the end")
        << FrameBuilder().rawEntry(1, 10, QByteArray(9, 'v')).withoutEndTag().imageOffset(29).build()
        << Parser::kLEErrorValueTruncated << 20;
    QTest::newRow("length 0xFFFFFFFF")
        << FrameBuilder().rawEntry(2, 0xFFFFFFFF, le32(1)).image(kJpeg).build() << Parser::kLEErrorValueTruncated << 20;
    QTest::newRow("length 0xFFFFFFF8, position + 8 + length wraps in 32 bits")
        << FrameBuilder().rawEntry(2, 0xFFFFFFF8, le32(1)).image(kJpeg).build() << Parser::kLEErrorValueTruncated << 20;
    QTest::newRow("unknown tag running past the end")
        << FrameBuilder().entry(1, le32(100)).rawEntry(0x99, 0x7FFFFFFF, QByteArray(4, 'v')).image(kJpeg).build()
        << Parser::kLEErrorValueTruncated << 32;
}

void tst_streamframe::brokenEntryListIsRejected()
{
    QFETCH(QByteArray, frame);
    QFETCH(Parser::eLEError, error);
    QFETCH(int, errorOffset);

    TVK_Test_LogCapture capture(kNoCategories);
    const Parser::Result result = parseExact(frame);

    QVERIFY(!result.ok);
    QCOMPARE(result.error, error);
    QCOMPARE(result.errorOffset, size_t(errorOffset));
    QCOMPARE(capture.lines().value(0), QStringLiteral("TVK_Logic_StreamFrameParser::parse() - error in stream data!"));
}

void tst_streamframe::rejectedFrameCarriesNoMetadata()
{
    const QByteArray bytes = fullFrame().rawEntry(1, 0, QByteArray()).build();
    const Parser::Result result = parseExact(bytes);

    QVERIFY(!result.ok);
    QCOMPARE(result.error, Parser::kLEErrorZeroLength);
    QCOMPARE(brokenInvariant(result, size_t(bytes.size())), QString());
    QVERIFY(!result.hasISO);
    QVERIFY(!result.hasZoom);
    QVERIFY(!result.hasRelativeFocusPosition);
    QCOMPARE(result.iso, 0u);
    QCOMPARE(result.imageLength, size_t(0));
}

void tst_streamframe::rejectedFrameIsLoggedAndDumped_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QStringList>("dump");

    const QString blanks11(33, QLatin1Char(' '));
    QTest::newRow("5 bytes in one short line")
        << QByteArray::fromHex("0102030441")
        << QStringList{QStringLiteral("streamData[000000000000]: 01 02 03 04 41") + blanks11 + QStringLiteral(" ....A")};
    QTest::newRow("empty frame, title only") << QByteArray() << QStringList();

    // 300 bytes: twelve lines, then the offset of the first byte left out.
    QByteArray large(300, 'x');
    patch(&large, 0, QByteArray(20, '\0'));
    patch(&large, 16, le32(28));
    QStringList lines;
    lines << QStringLiteral("streamData[000000000000]: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ................");
    lines << QStringLiteral("streamData[000000000010]: 1C 00 00 00 78 78 78 78 78 78 78 78 78 78 78 78 ....xxxxxxxxxxxx");
    for (int line = 2; line < 12; ++line)
        lines << QStringLiteral("streamData[%1]: 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 xxxxxxxxxxxxxxxx")
                     .arg(QString::number(line * 16, 16).toUpper().rightJustified(12, QLatin1Char('0')));
    lines << QStringLiteral("streamData[0000000000C0]: ...");
    QTest::newRow("300 bytes cut after 12 lines") << large << lines;
}

void tst_streamframe::rejectedFrameIsLoggedAndDumped()
{
    QFETCH(QByteArray, frame);
    QFETCH(QStringList, dump);

    TVK_Test_LogCapture capture(kNoCategories);
    const Parser::Result result = parseExact(frame);
    QVERIFY(!result.ok);

    const QStringList expected = QStringList{QStringLiteral("TVK_Logic_StreamFrameParser::parse() - error in stream data!"),
                                             QStringLiteral("TVK_Logic_StreamFrameParser::parse() - streamData:")}
        + dump;
    QCOMPARE(capture.lines(), expected);
}

void tst_streamframe::callerPrefixIsUsedForEveryLine()
{
    const char *const caller = "TVK_Logic_Camera::catchLiveViewTimerFired()";
    TVK_Test_LogCapture capture(kLELogStream);

    parseExact(FrameBuilder().entry(0x77, le32(1)).entry(Parser::kLETagISO, QByteArray(2, '\0')).build(), caller);
    parseExact(QByteArray(3, '\0'), caller);

    const QStringList lines = capture.lines();
    QVERIFY(lines.size() > 4);
    for (const QString &line : lines)
        QVERIFY2(line.startsWith(QLatin1String(caller)) || line.startsWith(QLatin1String("streamData[")),
                 qPrintable(line));
    QVERIFY(lines.contains(QLatin1String(caller) + QStringLiteral(" - unknown tag 0x00000077 in live view stream!")));
    QVERIFY(lines.contains(QLatin1String(caller) + QStringLiteral(" - error in stream data!")));
    QVERIFY(lines.contains(QLatin1String(caller) + QStringLiteral(" - streamData:")));
}

void tst_streamframe::missingDataIsRejected()
{
    TVK_Test_LogCapture capture(kNoCategories);
    const Parser::Result result = Parser::parse(nullptr, 4096);

    QVERIFY(!result.ok);
    QCOMPARE(result.error, Parser::kLEErrorNoHeaderLengthA);
    QCOMPARE(capture.lines(), QStringList({QStringLiteral("TVK_Logic_StreamFrameParser::parse() - error in stream data!"),
                                           QStringLiteral("TVK_Logic_StreamFrameParser::parse() - streamData:")}));
}

// --- Diagnostics of accepted frames ------------------------------------------------------

void tst_streamframe::acceptedFrameIsDumpedWithTheStreamCategory()
{
    TVK_Test_LogCapture capture(kLELogStream);
    const QByteArray bytes = fullFrame().build();
    QVERIFY(parseExact(bytes).ok);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.value(0), QStringLiteral("TVK_Logic_StreamFrameParser::parse() - streamData:"));
    QCOMPARE(lines.value(1),
             QStringLiteral("streamData[000000000000]: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ................"));
    // The frame is longer than twelve lines, so the dump ends with the cut.
    QVERIFY(bytes.size() > 12 * 16);
    QCOMPARE(lines.value(13), QStringLiteral("streamData[0000000000C0]: ..."));

    const QString p = QStringLiteral("TVK_Logic_StreamFrameParser::parse() - ");
    const QStringList expected = {
        p + QStringLiteral("ISO                        = 800"),
        p + QStringLiteral("Exposure            (usec) = 16667 usec"),
        p + QStringLiteral("Exposure              (TV) = -6.000000"),
        p + QStringLiteral("Selected Stripe            = 0x00000003"),
        p + QStringLiteral("Zoom Level                 = 2"),
        p + QStringLiteral("Outer Bounds  (x, y, w, h) = 0, 0, 6000, 4000"),
        p + QStringLiteral("Active Sensor (x, y, w, h) = 24, 16, 5952, 3968"),
        p + QStringLiteral("Image SrcArea (x, y, w, h) = 1500, 1000, 3000, 2000"),
        p + QStringLiteral("AF Cross            (x, y) = 2250, 2500"),
        p + QStringLiteral("--> rel. Focus Pos. (x, y) = 0.250, 0.750"),
        p + QStringLiteral("Image ID                   = 0x00abcdef"),
        p + QStringLiteral("Audio Peak Value     (L,R) = 812, 790"),
        p + QStringLiteral("Audio RMS Value      (L,R) = 401, 388"),
        p + QStringLiteral("Time Code    (HH:MM:SS.FF) = 11:30:59.24"),
    };
    QCOMPARE(lines.mid(14), expected);
}

void tst_streamframe::relativeFocusLineIsLeftOutWithoutSourceArea()
{
    TVK_Test_LogCapture capture(kLELogStream);
    QVERIFY(parseExact(FrameBuilder().entry(Parser::kLETagZoom, QByteArray(64, '\0')).build()).ok);

    QCOMPARE(capture.matching(QStringLiteral("AF Cross")).size(), 1);
    QCOMPARE(capture.matching(QStringLiteral("rel. Focus Pos.")), QStringList());
}

void tst_streamframe::acceptedFrameIsSilentWithTheStartupMask()
{
    TVK_Test_LogCapture capture(kLEStartupLogMask);
    QVERIFY(parseExact(fullFrame().build()).ok);
    QCOMPARE(capture.lines(), QStringList());
}

// --- Malformed input in bulk -----------------------------------------------------------------

void tst_streamframe::everyTruncationOfAFrameIsHandled()
{
    TVK_Test_LogCapture capture(kNoCategories);
    const QByteArray bytes = fullFrame().build();
    const int imageOffset = bytes.size() - kJpeg.size();

    for (int size = 0; size <= bytes.size(); ++size) {
        const Parser::Result result = parseExact(bytes.left(size));
        const QString broken = brokenInvariant(result, size_t(size));
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("size %1: %2").arg(size).arg(broken)));
        // The image offset is read from the header and must fit; until it
        // does, the frame is rejected, and from then on it is whole.
        QVERIFY2(result.ok == (size >= imageOffset), qPrintable(QString::number(size)));
        capture.clear();
    }
}

void tst_streamframe::randomWellFormedFramesDecodeAsBuilt()
{
    TVK_Test_LogCapture capture(kNoCategories);
    QRandomGenerator random(0x4E6F7262u);

    for (int round = 0; round < 2000; ++round) {
        FrameBuilder builder;
        QByteArray expected[8];
        int unknown = 0;
        int shortOnes = 0;
        const int entries = random.bounded(13);
        for (int i = 0; i < entries; ++i) {
            const int kind = random.bounded(10);
            if (kind == 0) {
                const quint32 tag = 8 + random.bounded(0x7FFFFFF0);
                builder.entry(tag, randomBytes(random, 1 + random.bounded(40)));
                ++unknown;
                continue;
            }
            const quint32 tag = 1 + random.bounded(7);
            const int size = fixedSize(tag);
            const int variant = random.bounded(8);
            if (variant == 0) {
                builder.entry(tag, randomBytes(random, 1 + random.bounded(size - 1)));
                ++shortOnes;
            } else {
                const int extra = variant == 1 ? 1 + random.bounded(12) : 0;
                const QByteArray value = randomBytes(random, size + extra);
                builder.entry(tag, value);
                expected[tag] = value.left(size);
            }
        }
        builder.padding(random.bounded(24)).image(randomBytes(random, random.bounded(200)));
        QByteArray bytes = builder.build();
        patch(&bytes, 4, le16(quint16(random.bounded(qMin(bytes.size() - 6, 0xFFFF) + 1))));
        patch(&bytes, 10, le32(quint32(random.bounded(bytes.size() - 14 + 1))));

        const Parser::Result result = parseExact(bytes);
        const QString where = QStringLiteral("round %1").arg(round);
        QVERIFY2(result.ok, qPrintable(where));
        QVERIFY2(brokenInvariant(result, size_t(bytes.size())).isEmpty(), qPrintable(where));
        QCOMPARE(result.unknownTags, unknown);
        QCOMPARE(result.shortTags, shortOnes);
        for (quint32 tag = 1; tag <= 7; ++tag) {
            QVERIFY2(result.hasTag(tag) == !expected[tag].isEmpty(), qPrintable(where));
            if (!expected[tag].isEmpty())
                QVERIFY2(encodedValue(result, tag) == expected[tag], qPrintable(where));
        }
        capture.clear();
    }
}

void tst_streamframe::randomBytesNeverLeadOutsideTheBuffer()
{
    TVK_Test_LogCapture capture(kLELogStream);
    QRandomGenerator random(0x50656C6Cu);
    int accepted = 0;

    for (int round = 0; round < 4000; ++round) {
        const int size = random.bounded(320);
        QByteArray bytes = randomBytes(random, size);
        // Most rounds get a header that passes, so that the entry walk sees
        // random bytes too; some of them also get one entry of random tag
        // and value with an end tag behind it, so that walks can complete.
        if (size >= 20 && random.bounded(4) != 0) {
            patch(&bytes, 4, le16(0));
            patch(&bytes, 10, le32(0));
            patch(&bytes, 16, le32(quint32(29 + random.bounded(qMax(size - 28, 1)))));
            const int length = 1 + random.bounded(70);
            if (random.bounded(2) && size >= 32 + length) {
                patch(&bytes, 24, le32(quint32(length)));
                patch(&bytes, 28 + length, le32(0));
            }
        }
        const Parser::Result result = parseExact(bytes);
        const QString broken = brokenInvariant(result, size_t(size));
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(broken)));
        accepted += result.ok ? 1 : 0;
        capture.clear();
    }
    // Random bytes rarely form a list ending in tag 0, but some must, or the
    // walk was never run to its end.
    QVERIFY(accepted > 0);
}

void tst_streamframe::hostileMutationsReachEveryCheckAndStayInside()
{
    TVK_Test_LogCapture capture(kLELogStream);
    QRandomGenerator random(0x6E676172u);
    const QByteArray base = fullFrame().entry(0x55, QByteArray(6, 'u')).build();
    const quint32 hostile[] = {0, 1, 3, 4, 7, 8, 28, 29, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF8, 0xFFFFFFFC, 0xFFFFFFFF};

    int outcomes[Parser::kLEErrorValueTruncated + 1] = {};
    for (int round = 0; round < 6000; ++round) {
        QByteArray bytes = base;
        const int changes = 1 + random.bounded(4);
        for (int i = 0; i < changes; ++i) {
            const int at = random.bounded(bytes.size());
            switch (random.bounded(4)) {
            case 0:
                bytes[at] = char(random.bounded(256));
                break;
            case 1: {
                quint32 value = hostile[random.bounded(int(sizeof hostile / sizeof hostile[0]))];
                if (random.bounded(2))
                    value = quint32(bytes.size() - random.bounded(qMin(bytes.size(), 40)));
                patch(&bytes, qMin(at, bytes.size() - 4), le32(value));
                break;
            }
            case 2:
                // A length field just past the end of what is left.
                patch(&bytes, qMin(at, bytes.size() - 4), le32(quint32(bytes.size() - at)));
                break;
            default:
                bytes.truncate(random.bounded(bytes.size() + 1));
                if (bytes.isEmpty())
                    bytes = base.left(random.bounded(20));
                break;
            }
            if (bytes.size() < 4)
                break;
        }
        const Parser::Result result = parseExact(bytes);
        const QString broken = brokenInvariant(result, size_t(bytes.size()));
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(broken)));
        ++outcomes[result.error];
        capture.clear();
    }
    // The mutations must have reached every check, and some frames must
    // have survived them.
    for (int error = 0; error <= Parser::kLEErrorValueTruncated; ++error)
        QVERIFY2(outcomes[error] > 0, qPrintable(QStringLiteral("outcome %1 never seen").arg(error)));
}

QTEST_GUILESS_MAIN(tst_streamframe)
#include "tst_streamframe.moc"
