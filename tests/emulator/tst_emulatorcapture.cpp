#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Logic_ObjectInfo.h"

#include <QImage>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

using Maker = TVK_Emulator_PictureMaker;
using Capture = TVK_Emulator_Capture;
using Camera = TVK_Emulator_Camera;
using Access = TVK_Commu_CameraAccess_Emulated;
using Action = TVK_Emulator_Action;
using Params = QVector<quint32>;

namespace {

constexpr quint32 kPending = 0x12345678;
constexpr int kRespOK = 0x2001;
constexpr int kRespGeneralError = 0x2002;
constexpr int kRespInvalidObjectHandle = 0x2009;
constexpr int kRespInvalidObjectFormatCode = 0x200B;
constexpr int kRespNoThumbnailPresent = 0x2010;
constexpr int kRespInvalidParameter = 0x201D;
constexpr int kRespInvalidObjectPropCode = 0xA801;

constexpr int kOpGetObjectInfo = 0x1008;
constexpr int kOpGetObject = 0x1009;
constexpr int kOpGetThumb = 0x100A;
constexpr int kOpDeleteObject = 0x100B;
constexpr int kOpGetPartialObject = 0x101B;
constexpr int kOpTransferObjectReady = 0x9007;
constexpr int kOpGetObjectPropsSupported = 0x9801;
constexpr int kOpGetObjectPropValue = 0x9803;

constexpr quint16 kPropBulbCount = 0xD628;
constexpr quint16 kPropSelfTimerCount = 0xD627;

// No profile: a camera of this id has no parts but the ones a test adds.
constexpr int kBareProduct = 0x7FFF;
constexpr int kNativeProduct = 0x2041;
constexpr int kEmulatedReleaseProduct = 0x2061;
constexpr int kTickEventProduct = 0x2009;

// The host's header read for the orientation.
constexpr int kHeaderBytes = 1024;
constexpr int kObjectInfoBytes = int(TVK_Logic_ObjectInfo::kObjectInfoBufferSize);

// The Exif orientation as the host finds it in the first kilobyte of a file:
// the byte order from "MM" at byte 0 or byte 12 (after a JPEG's Exif header),
// then the raw bytes of the orientation entry in that order.
int hostOrientation(const QByteArray &file)
{
    const QByteArray head = file.left(kHeaderBytes);
    const auto isM = [&head](int i) { return i < head.size() && head.at(i) == 'M'; };
    const bool bigEndian = (isM(0) && isM(1)) || (isM(12) && isM(13));
    const QByteArray pattern = QByteArray::fromHex(bigEndian ? "0112000300000001" : "1201030001000000");
    const int p = head.indexOf(pattern);
    if (p < 0)
        return 0;
    const int at = p + (bigEndian ? 9 : 8);
    return at < head.size() ? quint8(head.at(at)) : 0;
}

quint16 le16(const QByteArray &bytes, int offset)
{
    return TVK_Commu_DataReader::u16At(bytes.constData(), size_t(bytes.size()), size_t(offset));
}

quint32 le32(const QByteArray &bytes, int offset)
{
    return TVK_Commu_DataReader::u32At(bytes.constData(), size_t(bytes.size()), size_t(offset));
}

Maker::Picture picture(int number, Maker::eLEByteOrder order = Maker::kLELittleEndian, int orientation = 1)
{
    Maker::Picture p;
    p.number = number;
    p.seed = 42;
    p.byteOrder = order;
    p.orientation = orientation;
    p.dngBytes = 64 * 1024;
    return p;
}

// Everything a camera raised, from the camera's thread.
class EventLog
{
public:
    void add(const Camera::CameraEvent &event)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_events.append(event);
    }
    QStringList announced() const
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        QStringList names;
        for (const Camera::CameraEvent &event : m_events) {
            if (event.kind == TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested)
                names.append(event.objectName);
        }
        return names;
    }

private:
    mutable std::mutex m_mutex;
    QVector<Camera::CameraEvent> m_events;
};

// A camera with nothing but its capture: the capture's own behaviour, without
// any product's settings or transport in the way.
class CaptureOnly
{
public:
    explicit CaptureOnly(quint32 seed = 7)
        : log(std::make_shared<EventLog>())
        , camera(std::make_unique<Camera>(kBareProduct, seed))
    {
        camera->setTimeScale(0.01);
        auto own = std::make_unique<Capture>(camera.get());
        capture = own.get();
        camera->addComponent(std::move(own));
        std::shared_ptr<EventLog> events = log;
        camera->setEventHandler([events](const Camera::CameraEvent &event) { events->add(event); });
    }

    TVK_Emulator_Transaction run(int operationCode, const Params &params)
    {
        TVK_Emulator_Transaction transaction;
        transaction.operationCode = operationCode;
        transaction.params = params;
        transaction.dataPhase = TVK_Emulator_Transaction::kLEDataIn;
        const std::lock_guard<std::recursive_mutex> locker(camera->stateLock());
        if (!capture->handleTransaction(transaction))
            transaction.responseCode = 0x2005;
        return transaction;
    }
    int act(Action::eLEKind kind)
    {
        Action action;
        action.kind = kind;
        int response = 0;
        const std::lock_guard<std::recursive_mutex> locker(camera->stateLock());
        return capture->handleAction(action, &response) ? response : -1;
    }
    QByteArray data(int operationCode, const Params &params)
    {
        const TVK_Emulator_Transaction transaction = run(operationCode, params);
        // Whichever way the answer came: bytes, or a file made as it is read.
        return transaction.responseCode == kRespOK ? transaction.dataInPhase().toByteArray() : QByteArray();
    }
    TVK_Logic_ObjectInfo objectInfo(quint32 handle = kPending, quint32 thumbType = 0)
    {
        return TVK_Logic_ObjectInfo(data(kOpGetObjectInfo, {handle, thumbType}));
    }

    std::shared_ptr<EventLog> log;
    std::unique_ptr<Camera> camera;
    Capture *capture = nullptr;
};

// A connected camera as the host sees it: the emulated USB access in front.
class Connected : public QObject
{
public:
    explicit Connected(int product, quint32 seed = 7)
        : camera(std::make_shared<Camera>(product, seed))
        , access(camera)
    {
        camera->setTimeScale(0.01);
        capture = camera->component<Capture>();
        // A DNG alone unless a test chooses otherwise (most products leave the
        // factory set to DNG+JPG pairs).
        if (capture != nullptr)
            capture->overrideSetting(Camera::kLEFileFormat, 0);
        using B = TVK_Commu_CameraAccess_Base;
        // Queued into the test's thread: events arrive on the camera's thread.
        connect(&access, &B::signalTransferRequest, this, [this]() { ++transfers; }, Qt::QueuedConnection);
        connect(&access, &B::signalBulbCounter, this, [this](int n) { bulbCounts.append(n); }, Qt::QueuedConnection);
        connect(&access, &B::signalSelfTimerCounter, this, [this](int n) { selfTimerCounts.append(n); },
                Qt::QueuedConnection);
        connect(&access, &B::signalDevicePropertyChanged, this, [this](ushort code) { properties.append(code); },
                Qt::QueuedConnection);
        access.checkDeviceAvailable();
        access.openConnection(Access::kVendorId, product, access.deviceId());
    }

    QByteArray data(int operationCode, const Params &params)
    {
        const Camera::Result result =
            camera->transact(operationCode, params, TVK_Emulator_Transaction::kLEDataIn);
        return result.responseCode == kRespOK ? result.data : QByteArray();
    }

    std::shared_ptr<Camera> camera;
    // A member, so it goes before the QObject base that receives its queued
    // signals: the camera's thread has stopped delivering before any receiver
    // is taken apart.
    Access access;
    Capture *capture = nullptr;
    int transfers = 0;
    QVector<int> bulbCounts;
    QVector<int> selfTimerCounts;
    QVector<ushort> properties;
};

// One picture fetched the way the host's transfer fetches it.
struct Fetched {
    bool ok = false;
    TVK_Logic_ObjectInfo info;
    QByteArray thumbnail;
    int orientation = 0;
    QByteArray image;
};

Fetched fetchLikeTheHost(Access &access, int product)
{
    Fetched fetched;
    const bool largeThumb = product == 0x2041 || product == 0x2044 || product == 0x2047;
    QByteArray buffer(kObjectInfoBytes, '\0');
    int thumbType = largeThumb ? 1 : 0;
    if (!access.getObjectInfo(buffer.data(), unsigned(buffer.size()), thumbType, kPending))
        return fetched;
    if (TVK_Logic_ObjectInfo(buffer).thumbCompressedSize() == 0 && thumbType != 0) {
        thumbType = 0;
        access.getObjectInfo(buffer.data(), unsigned(buffer.size()), thumbType, kPending);
    }
    fetched.info = TVK_Logic_ObjectInfo(buffer);
    if (fetched.info.thumbCompressedSize() > 0) {
        fetched.thumbnail = QByteArray(int(fetched.info.thumbCompressedSize()), '\0');
        access.getThumbnail(fetched.thumbnail.data(), unsigned(fetched.thumbnail.size()), thumbType, kPending);
    }
    const bool isJpg = fetched.info.filename().endsWith(QLatin1String(".JPG"), Qt::CaseInsensitive);
    quint16 value = 0;
    if (access.supportsObjectProp(isJpg ? 0x3801 : 0x3802, 0xD800)
        && access.getObjectPropValue(&value, sizeof value, 0xD800, kPending)) {
        fetched.orientation = value;
    } else {
        QByteArray head(kHeaderBytes, 'X');
        if (access.getObject(head.data(), unsigned(head.size()), kPending))
            fetched.orientation = hostOrientation(head);
    }
    fetched.image = QByteArray(int(fetched.info.objectCompressedSize()), '\0');
    fetched.ok = access.getObject(fetched.image.data(), unsigned(fetched.image.size()), kPending)
                 && access.transferObjectReady();
    return fetched;
}

} // namespace

class tst_emulatorcapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Picture maker -----------------------------------------------------------------

    void fileNamesAreSpelledAsOnTheCard()
    {
        QCOMPARE(Maker::fileName(123, Maker::kLEDng), QStringLiteral("NRBA0123.DNG"));
        QCOMPARE(Maker::fileName(123, Maker::kLEJpg), QStringLiteral("NRBA0123.JPG"));
        QCOMPARE(Maker::fileName(9999, Maker::kLEJpg), QStringLiteral("NRBA9999.JPG"));
        // DCF numbers have no 0000: after 9999 comes 0001.
        QCOMPARE(Maker::fileName(10000, Maker::kLEJpg), QStringLiteral("NRBA0001.JPG"));
    }

    void jpegDecodesAndCarriesItsOrientationInEitherByteOrder_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QByteArray>("tiffHeader");
        QTest::newRow("little-endian, turned right") << int(Maker::kLELittleEndian) << 6 << QByteArray("II*\0", 4);
        QTest::newRow("big-endian, turned right") << int(Maker::kLEBigEndian) << 6 << QByteArray("MM\0*", 4);
        QTest::newRow("little-endian, upside down") << int(Maker::kLELittleEndian) << 3 << QByteArray("II*\0", 4);
        QTest::newRow("big-endian, turned left") << int(Maker::kLEBigEndian) << 8 << QByteArray("MM\0*", 4);
    }

    void jpegDecodesAndCarriesItsOrientationInEitherByteOrder()
    {
        QFETCH(int, order);
        QFETCH(int, orientation);
        QFETCH(QByteArray, tiffHeader);
        const QByteArray jpeg = Maker::jpeg(picture(5, Maker::eLEByteOrder(order), orientation));
        QVERIFY(jpeg.startsWith(QByteArray::fromHex("FFD8FFE1")));
        QCOMPARE(jpeg.mid(6, 6), QByteArray("Exif\0\0", 6));
        QCOMPARE(jpeg.mid(12, 4), tiffHeader);
        QCOMPARE(hostOrientation(jpeg), orientation);
        const QImage image = QImage::fromData(jpeg, "JPEG");
        QVERIFY(!image.isNull());
        const QSize expected(720, 480);
        QVERIFY(image.size() == expected || image.size() == expected.transposed());
    }

    void dngStartsWithATiffHeaderAndHasExactlyTheSizeAsked_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QByteArray>("tiffHeader");
        const QByteArray little("II*\0", 4);
        const QByteArray big("MM\0*", 4);
        QTest::newRow("little-endian, 4 KiB") << int(Maker::kLELittleEndian) << qint64(4096) << little;
        QTest::newRow("little-endian, odd size") << int(Maker::kLELittleEndian) << qint64(2 * 1024 * 1024 + 3)
                                                 << little;
        QTest::newRow("big-endian, 1 MiB") << int(Maker::kLEBigEndian) << qint64(1024 * 1024) << big;
    }

    void dngStartsWithATiffHeaderAndHasExactlyTheSizeAsked()
    {
        QFETCH(int, order);
        QFETCH(qint64, size);
        QFETCH(QByteArray, tiffHeader);
        Maker::Picture p = picture(9, Maker::eLEByteOrder(order), 6);
        p.dngBytes = size;
        const QByteArray dng = Maker::dng(p);
        QCOMPARE(qint64(dng.size()), size);
        QCOMPARE(Maker::dngBytes(p), size);
        QVERIFY(dng.startsWith(tiffHeader));
        QCOMPARE(hostOrientation(dng), 6);
        const QSize pixels = Maker::dngPixels(p);
        QVERIFY(pixels.width() > pixels.height());
        QVERIFY(qint64(pixels.width()) * pixels.height() * 2 <= size - Maker::dngHeaderBytes(p));
    }

    void dngSmallerThanItsHeaderIsTheHeaderAlone()
    {
        Maker::Picture p = picture(1);
        p.dngBytes = 10;
        const QByteArray dng = Maker::dng(p);
        QCOMPARE(qint64(dng.size()), Maker::dngHeaderBytes(p));
        QVERIFY(dng.startsWith(QByteArray("II*\0", 4)));
        QCOMPARE(Maker::dngPixels(p), QSize(0, 0));
    }

    void aHundredMegabyteDngIsMadeWhole()
    {
        constexpr qint64 kHundredMegabytes = 100 * 1024 * 1024;
        Maker::Picture p = picture(2);
        p.dngBytes = kHundredMegabytes;
        const QByteArray dng = Maker::dng(p);
        QCOMPARE(qint64(dng.size()), kHundredMegabytes);
        QCOMPARE(hostOrientation(dng), 1);
        // Filled to the last byte, not left zero.
        QVERIFY(dng.right(64).count('\0') < 64);
        p.dngBytes = Maker::kMaxDngBytes * 2;
        QCOMPARE(Maker::dngBytes(p), Maker::kMaxDngBytes);
    }

    void theSameDescriptionGivesTheSameBytes()
    {
        const Maker::Picture p = picture(17, Maker::kLEBigEndian, 3);
        QCOMPARE(Maker::jpeg(p), Maker::jpeg(p));
        QCOMPARE(Maker::dng(p), Maker::dng(p));
        QCOMPARE(Maker::thumbnail(p, 1), Maker::thumbnail(p, 1));
        const Maker::Picture other = picture(18, Maker::kLEBigEndian, 3);
        QVERIFY(Maker::jpeg(p) != Maker::jpeg(other));
        QVERIFY(Maker::dng(p) != Maker::dng(other));
    }

    void thumbnailsDecodeAtTheirSizes_data()
    {
        QTest::addColumn<int>("thumbType");
        QTest::newRow("small") << Maker::kThumbSmall;
        QTest::newRow("large") << Maker::kThumbLarge;
    }

    void thumbnailsDecodeAtTheirSizes()
    {
        QFETCH(int, thumbType);
        const QByteArray thumb = Maker::thumbnail(picture(3), thumbType);
        const QImage image = QImage::fromData(thumb, "JPEG");
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), Maker::thumbnailPixels(thumbType));
        Maker::Picture without = picture(3);
        without.hasThumbnail = false;
        QVERIFY(Maker::thumbnail(without, thumbType).isEmpty());
    }

    void objectInfoHasTheStandardLayout()
    {
        const Maker::Picture p = picture(123);
        Maker::ObjectInfo info = Maker::describe(p, Maker::kLEDng, 65536, Maker::kThumbLarge, 999);
        info.sequenceNumber = 2;
        const QByteArray bytes = Maker::objectInfo(info);

        QCOMPARE(le32(bytes, 0), Maker::kStorageId);
        QCOMPARE(le16(bytes, 4), Maker::kFormatDng);
        QCOMPARE(le16(bytes, 12), Maker::kFormatJpeg); // thumbnail format
        QCOMPARE(le32(bytes, 18), quint32(Maker::thumbnailPixels(Maker::kThumbLarge).width()));
        QCOMPARE(le32(bytes, 34), 16u); // bit depth of the DNG
        const TVK_Logic_ObjectInfo read(bytes);
        QCOMPARE(read.objectCompressedSize(), 65536u);
        QCOMPARE(read.thumbCompressedSize(), 999u);
        QCOMPARE(read.sequenceNumber(), 2u);
        QCOMPARE(read.filename(), QStringLiteral("NRBA0123.DNG"));

        // Dates and keywords follow the name; the dates come from the file
        // number, never from the clock.
        TVK_Commu_DataReader reader(bytes);
        reader.seek(TVK_Logic_ObjectInfo::kFilenameOffset);
        reader.skipPtpString();
        QCOMPARE(reader.ptpString(), QStringLiteral("20240517T100203"));
        QCOMPARE(reader.ptpString(), QStringLiteral("20240517T100203"));
        QCOMPARE(reader.ptpString(), QString());
        QVERIFY(reader.ok());
        QCOMPARE(reader.remaining(), size_t(0));
    }

    void objectInfoWithoutThumbnailSaysSo()
    {
        const Maker::ObjectInfo info = Maker::describe(picture(1), Maker::kLEJpg, 100, Maker::kThumbSmall, 0);
        const QByteArray bytes = Maker::objectInfo(info);
        QCOMPARE(le16(bytes, 4), Maker::kFormatJpeg);
        QCOMPARE(le16(bytes, 12), Maker::kFormatNone);
        QCOMPARE(TVK_Logic_ObjectInfo(bytes).thumbCompressedSize(), 0u);
    }

    // --- The capture on its own --------------------------------------------------------------

    void aReleaseQueuesOnePictureAndAnnouncesIt()
    {
        CaptureOnly body;
        QCOMPARE(body.act(Action::kLERelease), kRespOK);
        QCOMPARE(body.capture->pendingCount(), 1);
        QCOMPARE(body.capture->pendingNames(), QStringList{QStringLiteral("NRBA0001.DNG")});
        QTRY_COMPARE(body.log->announced(), QStringList{QStringLiteral("NRBA0001.DNG")});

        const TVK_Logic_ObjectInfo info = body.objectInfo();
        QCOMPARE(info.filename(), QStringLiteral("NRBA0001.DNG"));
        QCOMPARE(info.sequenceNumber(), 1u);
        QCOMPARE(qint64(info.objectCompressedSize()), body.capture->dngBytes());
        QCOMPARE(body.data(kOpGetObject, {kPending}).size(), int(info.objectCompressedSize()));
        QCOMPARE(body.data(kOpGetThumb, {kPending, 0}).size(), int(info.thumbCompressedSize()));
        QVERIFY(info.thumbCompressedSize() > 0);
    }

    void aLargerThumbnailIsReportedForThumbTypeOne()
    {
        CaptureOnly body;
        body.act(Action::kLERelease);
        const TVK_Logic_ObjectInfo small = body.objectInfo(kPending, 0);
        const TVK_Logic_ObjectInfo large = body.objectInfo(kPending, 1);
        QVERIFY(large.thumbCompressedSize() > small.thumbCompressedSize());
        QCOMPARE(body.data(kOpGetThumb, {kPending, 1}).size(), int(large.thumbCompressedSize()));
    }

    void withoutThumbnailsTheSizeIsZeroAndGetThumbIsRefused()
    {
        CaptureOnly body;
        body.capture->setThumbnails(false);
        body.act(Action::kLERelease);
        QCOMPARE(body.objectInfo().thumbCompressedSize(), 0u);
        QCOMPARE(body.run(kOpGetThumb, {kPending, 0}).responseCode, kRespNoThumbnailPresent);
    }

    void pairModeQueuesTheDngThenTheJpgWithSequenceNumbersTwoThenOne()
    {
        CaptureOnly body;
        body.capture->overrideSetting(Camera::kLEFileFormat, 1);
        body.act(Action::kLERelease);
        QCOMPARE(body.capture->pendingNames(),
                 (QStringList{QStringLiteral("NRBA0001.DNG"), QStringLiteral("NRBA0001.JPG")}));
        QCOMPARE(body.capture->picturesTaken(), 1);

        TVK_Logic_ObjectInfo info = body.objectInfo();
        QCOMPARE(info.filename(), QStringLiteral("NRBA0001.DNG"));
        QCOMPARE(info.sequenceNumber(), 2u);
        QTRY_COMPARE(body.log->announced().size(), 1);

        QCOMPARE(body.run(kOpTransferObjectReady, {}).responseCode, kRespOK);
        info = body.objectInfo();
        QCOMPARE(info.filename(), QStringLiteral("NRBA0001.JPG"));
        QCOMPARE(info.sequenceNumber(), 1u);
        QTRY_COMPARE(body.log->announced(),
                     (QStringList{QStringLiteral("NRBA0001.DNG"), QStringLiteral("NRBA0001.JPG")}));
        QVERIFY(!QImage::fromData(body.data(kOpGetObject, {kPending}), "JPEG").isNull());

        QCOMPARE(body.run(kOpTransferObjectReady, {}).responseCode, kRespOK);
        QCOMPARE(body.capture->pendingCount(), 0);
        // Nothing left to hand over.
        QCOMPARE(body.run(kOpTransferObjectReady, {}).responseCode, kRespInvalidObjectHandle);
        QCOMPARE(body.run(kOpGetObjectInfo, {kPending, 0}).responseCode, kRespInvalidObjectHandle);
        QTest::qWait(20);
        QCOMPARE(body.log->announced().size(), 2);
    }

    void jpgOnlyGivesOneJpgPerPicture()
    {
        CaptureOnly body;
        body.capture->overrideSetting(Camera::kLEFileFormat, 2);
        body.act(Action::kLERelease);
        body.act(Action::kLERelease);
        QCOMPARE(body.capture->pendingNames(),
                 (QStringList{QStringLiteral("NRBA0001.JPG"), QStringLiteral("NRBA0002.JPG")}));
        QCOMPARE(body.objectInfo().sequenceNumber(), 2u);
        // Only the head was announced; the second comes when the first is done.
        QTRY_COMPARE(body.log->announced().size(), 1);
        QTest::qWait(20);
        QCOMPARE(body.log->announced().size(), 1);
    }

    void unknownHandlesAndAnEmptyQueueAreRefused_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<Params>("params");
        QTest::newRow("object info") << kOpGetObjectInfo << Params{kPending, 0};
        QTest::newRow("object") << kOpGetObject << Params{kPending};
        QTest::newRow("partial object") << kOpGetPartialObject << Params{kPending, 0, 10};
        QTest::newRow("thumbnail") << kOpGetThumb << Params{kPending, 0};
        QTest::newRow("object property") << kOpGetObjectPropValue << Params{kPending, 0xD800};
        QTest::newRow("delete") << kOpDeleteObject << Params{kPending};
        QTest::newRow("hand-over") << kOpTransferObjectReady << Params{};
    }

    void unknownHandlesAndAnEmptyQueueAreRefused()
    {
        QFETCH(int, operation);
        QFETCH(Params, params);
        CaptureOnly body;
        QCOMPARE(body.run(operation, params).responseCode, kRespInvalidObjectHandle);
        body.act(Action::kLERelease);
        if (!params.isEmpty()) {
            Params unknown = params;
            unknown[0] = 0x00BADBAD;
            QCOMPARE(body.run(operation, unknown).responseCode, kRespInvalidObjectHandle);
        }
    }

    void eachObjectAnswersToItsOwnHandleToo()
    {
        CaptureOnly body;
        body.capture->overrideSetting(Camera::kLEFileFormat, 1);
        body.act(Action::kLERelease);
        const QByteArray headInfo = body.data(kOpGetObjectInfo, {kPending, 0});
        // The first object handle of a fresh camera.
        const QByteArray ownInfo = body.data(kOpGetObjectInfo, {0x00010001, 0});
        QCOMPARE(ownInfo, headInfo);
        const TVK_Logic_ObjectInfo second = body.objectInfo(0x00010002);
        QCOMPARE(second.filename(), QStringLiteral("NRBA0001.JPG"));
        QCOMPARE(second.sequenceNumber(), 1u);
    }

    void getPartialObjectReturnsTheSliceAsked_data()
    {
        QTest::addColumn<quint32>("offset");
        QTest::addColumn<quint32>("count");
        QTest::newRow("start") << 0u << 1024u;
        QTest::newRow("middle") << 70000u << 4096u;
        QTest::newRow("beyond the end") << 200000u << 0xFFFFFFFFu;
        QTest::newRow("nothing at the end") << 262144u << 16u;
    }

    void getPartialObjectReturnsTheSliceAsked()
    {
        QFETCH(quint32, offset);
        QFETCH(quint32, count);
        CaptureOnly body;
        body.capture->setDngBytes(256 * 1024);
        body.act(Action::kLERelease);
        const QByteArray whole = body.data(kOpGetObject, {kPending});
        QCOMPARE(whole.size(), 256 * 1024);
        const TVK_Emulator_Transaction partial = body.run(kOpGetPartialObject, {kPending, offset, count});
        QCOMPARE(partial.responseCode, kRespOK);
        QCOMPARE(partial.dataInPhase().toByteArray(),
                 whole.mid(int(offset), int(qMin<qint64>(count, whole.size() - offset))));
    }

    void getPartialObjectBeyondTheEndIsRefused()
    {
        CaptureOnly body;
        body.capture->setDngBytes(4096);
        body.act(Action::kLERelease);
        QCOMPARE(body.run(kOpGetPartialObject, {kPending, 4097, 1}).responseCode, kRespInvalidParameter);
    }

    void objectPropertiesNameTheOrientationForBothFormats_data()
    {
        QTest::addColumn<quint32>("format");
        QTest::addColumn<int>("response");
        QTest::newRow("JPEG") << 0x3801u << kRespOK;
        QTest::newRow("DNG as TIFF/EP") << 0x3802u << kRespOK;
        QTest::newRow("anything else") << 0x3000u << kRespInvalidObjectFormatCode;
    }

    void objectPropertiesNameTheOrientationForBothFormats()
    {
        QFETCH(quint32, format);
        QFETCH(int, response);
        CaptureOnly body;
        const TVK_Emulator_Transaction answer = body.run(kOpGetObjectPropsSupported, {format});
        QCOMPARE(answer.responseCode, response);
        if (response != kRespOK)
            return;
        const quint32 count = le32(answer.dataIn, 0);
        QCOMPARE(answer.dataIn.size(), int(4 + 2 * count));
        QVector<quint16> codes;
        for (quint32 i = 0; i < count; ++i)
            codes.append(le16(answer.dataIn, int(4 + 2 * i)));
        QVERIFY(codes.contains(0xD800));
    }

    void theOrientationPropertyIsThePicturesOrientation()
    {
        CaptureOnly body;
        body.capture->setOrientation(8);
        body.act(Action::kLERelease);
        const QByteArray value = body.data(kOpGetObjectPropValue, {kPending, 0xD800});
        QCOMPARE(value.size(), 2);
        QCOMPARE(le16(value, 0), quint16(8));
        QCOMPARE(hostOrientation(body.data(kOpGetObject, {kPending})), 8);
        QCOMPARE(body.run(kOpGetObjectPropValue, {kPending, 0xD8FF}).responseCode, kRespInvalidObjectPropCode);
    }

    void deletingTheHeadAnnouncesTheNext()
    {
        CaptureOnly body;
        body.act(Action::kLERelease);
        body.act(Action::kLERelease);
        QCOMPARE(body.run(kOpDeleteObject, {kPending}).responseCode, kRespOK);
        QCOMPARE(body.capture->pendingNames(), QStringList{QStringLiteral("NRBA0002.DNG")});
        QTRY_COMPARE(body.log->announced(),
                     (QStringList{QStringLiteral("NRBA0001.DNG"), QStringLiteral("NRBA0002.DNG")}));
        body.act(Action::kLERelease);
        QCOMPARE(body.run(kOpDeleteObject, {0xFFFFFFFF}).responseCode, kRespOK);
        QCOMPARE(body.capture->pendingCount(), 0);
    }

    void bracketingTakesItsSeries_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("pictures");
        QTest::newRow("three") << 3 << 3;
        QTest::newRow("five") << 5 << 5;
        QTest::newRow("more than five is five") << 7 << 5;
        QTest::newRow("unknown small count") << 0 << 3;
    }

    void bracketingTakesItsSeries()
    {
        QFETCH(int, frames);
        QFETCH(int, pictures);
        CaptureOnly body;
        body.capture->overrideSetting(Camera::kLEDriveMode, 4);
        body.capture->overrideSetting(Camera::kLEBracketingFrames, frames);
        QCOMPARE(body.act(Action::kLERelease), kRespOK);
        QCOMPARE(body.capture->pendingCount(), pictures);
        QCOMPARE(body.objectInfo().sequenceNumber(), quint32(pictures));
    }

    void theSelfTimerTakesThePictureAfterItsCountdown()
    {
        CaptureOnly body;
        // The long countdown (12 s, scaled to about a quarter of a second), so
        // that the second press surely falls into it.
        body.camera->setTimeScale(0.02);
        body.capture->overrideSetting(Camera::kLEDriveMode, 3);
        QCOMPARE(body.act(Action::kLERelease), kRespOK);
        QVERIFY(body.capture->isSelfTimerRunning());
        QCOMPARE(body.capture->pendingCount(), 0);
        // A second press does not restart the countdown.
        QCOMPARE(body.act(Action::kLERelease), kRespOK);
        QTRY_COMPARE(body.capture->pendingCount(), 1);
        QVERIFY(!body.capture->isSelfTimerRunning());
        QTest::qWait(50);
        QCOMPARE(body.capture->pendingCount(), 1);
    }

    void aContinuousSeriesRunsUntilItsEnd()
    {
        CaptureOnly body;
        body.capture->setDngBytes(4096);
        QCOMPARE(body.act(Action::kLEContinuousStart), kRespOK);
        QTRY_VERIFY(body.capture->picturesTaken() >= 3);
        QCOMPARE(body.act(Action::kLEContinuousEnd), kRespOK);
        const int taken = body.capture->picturesTaken();
        QTest::qWait(50);
        QCOMPARE(body.capture->picturesTaken(), taken);
        // The host confirms the end once more after the series; still fine.
        QCOMPARE(body.act(Action::kLEContinuousEnd), kRespOK);
        const QStringList names = body.capture->pendingNames();
        QCOMPARE(names.size(), taken);
        QCOMPARE(names.first(), QStringLiteral("NRBA0001.DNG"));
        QCOMPARE(names.last(), Maker::fileName(taken, Maker::kLEDng));
    }

    void aSeriesCutShortByUnpluggingStartsAgainAfterwards()
    {
        CaptureOnly body;
        body.capture->setDngBytes(4096);
        QCOMPARE(body.act(Action::kLEContinuousStart), kRespOK);
        body.camera->removeDevice();
        QVERIFY(!body.capture->isContinuousRunning());
        body.camera->attach();
        const int taken = body.capture->picturesTaken();
        QCOMPARE(body.act(Action::kLEContinuousStart), kRespOK);
        QTRY_VERIFY(body.capture->picturesTaken() >= taken + 3);
        QCOMPARE(body.act(Action::kLEContinuousEnd), kRespOK);
    }

    void aBulbExposureEndsInOnePicture()
    {
        CaptureOnly body;
        // Closing a shutter that is not open is the host's mistake.
        QCOMPARE(body.act(Action::kLEBulbEnd), kRespGeneralError);
        QCOMPARE(body.act(Action::kLEBulbStart), kRespOK);
        QVERIFY(body.capture->isBulbOpen());
        // Mirror-up sends the start twice: the shutter stays open.
        QCOMPARE(body.act(Action::kLEBulbStart), kRespOK);
        QCOMPARE(body.act(Action::kLEBulbEnd), kRespOK);
        QVERIFY(!body.capture->isBulbOpen());
        QCOMPARE(body.capture->pendingCount(), 1);
    }

    void withoutAnIntervalOfItsOwnTheCameraTakesOnePicture()
    {
        CaptureOnly body;
        body.capture->overrideSetting(Camera::kLEDriveMode, 5);
        QCOMPARE(body.act(Action::kLERelease), kRespOK);
        QVERIFY(!body.capture->isIntervalRunning());
        QCOMPARE(body.capture->pendingCount(), 1);
    }

    void focusIsAcceptedAndVideoIsLeftToTheLiveView()
    {
        CaptureOnly body;
        QCOMPARE(body.act(Action::kLEAutoFocusOn), kRespOK);
        QCOMPARE(body.act(Action::kLEAutoFocusOff), kRespOK);
        // Not the capture's: the live view takes them.
        QCOMPARE(body.act(Action::kLEVideoStart), -1);
        QCOMPARE(body.act(Action::kLEVideoStop), -1);
        QCOMPARE(body.act(Action::kLEToggleZoom), -1);
    }

    void theSameSeedGivesTheSameBytes()
    {
        CaptureOnly first(11);
        CaptureOnly second(11);
        CaptureOnly other(12);
        for (CaptureOnly *body : {&first, &second, &other}) {
            body->capture->overrideSetting(Camera::kLEFileFormat, 1);
            body->act(Action::kLERelease);
        }
        for (int object = 0; object < 2; ++object) {
            const QByteArray info = first.data(kOpGetObjectInfo, {kPending, 0});
            QCOMPARE(second.data(kOpGetObjectInfo, {kPending, 0}), info);
            const QByteArray file = first.data(kOpGetObject, {kPending});
            QCOMPARE(second.data(kOpGetObject, {kPending}), file);
            QCOMPARE(second.data(kOpGetThumb, {kPending, 1}), first.data(kOpGetThumb, {kPending, 1}));
            QVERIFY(other.data(kOpGetObject, {kPending}) != file);
            for (CaptureOnly *body : {&first, &second, &other})
                body->run(kOpTransferObjectReady, {});
        }
    }

    // --- Through the host's access ----------------------------------------------------------

    void aReleaseRaisesTheTransferRequest_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("release operation itself") << kNativeProduct;
        QTest::newRow("InitiateCapture") << kEmulatedReleaseProduct;
    }

    void aReleaseRaisesTheTransferRequest()
    {
        QFETCH(int, product);
        Connected rig(product);
        QVERIFY(rig.capture != nullptr);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_COMPARE(rig.transfers, 1);
        QCOMPARE(rig.capture->pendingCount(), 1);
    }

    void theHostsTransferGetsMatchingSizesAndDecodablePictures_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("fileFormat");
        QTest::newRow("DNG, release operation") << kNativeProduct << 0;
        QTest::newRow("JPG, release operation") << kNativeProduct << 2;
        QTest::newRow("DNG, InitiateCapture") << kEmulatedReleaseProduct << 0;
        QTest::newRow("JPG, InitiateCapture") << kEmulatedReleaseProduct << 2;
    }

    void theHostsTransferGetsMatchingSizesAndDecodablePictures()
    {
        QFETCH(int, product);
        QFETCH(int, fileFormat);
        Connected rig(product);
        QVERIFY(rig.capture != nullptr);
        rig.capture->overrideSetting(Camera::kLEFileFormat, fileFormat);
        rig.capture->setOrientation(6);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_COMPARE(rig.transfers, 1);

        // The sizes the camera reports are those of the bytes it sends.
        const int thumbType = product == kNativeProduct ? 1 : 0;
        const TVK_Logic_ObjectInfo info(rig.data(kOpGetObjectInfo, {kPending, quint32(thumbType)}));
        const QByteArray file = rig.data(kOpGetObject, {kPending});
        QCOMPARE(int(info.objectCompressedSize()), file.size());
        QCOMPARE(int(info.thumbCompressedSize()), rig.data(kOpGetThumb, {kPending, quint32(thumbType)}).size());

        const Fetched fetched = fetchLikeTheHost(rig.access, product);
        QVERIFY(fetched.ok);
        QCOMPARE(fetched.image, file);
        QCOMPARE(fetched.orientation, 6);
        QCOMPARE(fetched.info.sequenceNumber(), 1u);
        QVERIFY(!QImage::fromData(fetched.thumbnail, "JPEG").isNull());
        if (fileFormat == 2) {
            QCOMPARE(fetched.info.filename(), QStringLiteral("NRBA0001.JPG"));
            QVERIFY(!QImage::fromData(fetched.image, "JPEG").isNull());
        } else {
            QCOMPARE(fetched.info.filename(), QStringLiteral("NRBA0001.DNG"));
            QVERIFY(fetched.image.startsWith(QByteArray("II*\0", 4)));
        }
        QCOMPARE(rig.capture->pendingCount(), 0);
    }

    void theOrientationReadsBackInBothByteOrdersOnEveryProduct_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("fileFormat");
        for (int product : TVK_Emulator_Profile::knownProducts()) {
            for (int order : {int(Maker::kLELittleEndian), int(Maker::kLEBigEndian)}) {
                for (int fileFormat : {0, 2}) {
                    const QByteArray name = QStringLiteral("0x%1 %2 %3")
                                                .arg(product, 4, 16, QLatin1Char('0'))
                                                .arg(QLatin1String(order == Maker::kLEBigEndian ? "MM" : "II"))
                                                .arg(QLatin1String(fileFormat == 0 ? "DNG" : "JPG"))
                                                .toLatin1();
                    QTest::newRow(name.constData()) << product << order << fileFormat;
                }
            }
        }
    }

    void theOrientationReadsBackInBothByteOrdersOnEveryProduct()
    {
        QFETCH(int, product);
        QFETCH(int, order);
        QFETCH(int, fileFormat);
        Connected rig(product);
        QVERIFY(rig.capture != nullptr);
        rig.capture->overrideSetting(Camera::kLEFileFormat, fileFormat);
        rig.capture->setExifByteOrder(Maker::eLEByteOrder(order));
        rig.capture->setOrientation(6);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_COMPARE(rig.transfers, 1);
        // Both ways the host may read it: the object property where the
        // product has one, and the search in the file's first kilobyte.
        const Fetched fetched = fetchLikeTheHost(rig.access, product);
        QVERIFY(fetched.ok);
        QCOMPARE(fetched.orientation, 6);
        QCOMPARE(hostOrientation(fetched.image), 6);
    }

    void getPartialObjectThroughTheHostReturnsTheSlice()
    {
        Connected rig(kNativeProduct);
        QVERIFY(rig.capture != nullptr);
        rig.capture->setDngBytes(512 * 1024);
        QVERIFY(rig.access.releaseCam(0));
        const QByteArray whole = rig.data(kOpGetObject, {kPending});
        QByteArray slice(3000, '\0');
        QVERIFY(rig.access.getPartialObject(slice.data(), unsigned(slice.size()), 100000, kPending));
        QCOMPARE(slice, whole.mid(100000, 3000));
    }

    void pairModeHandsOverTwoObjectsOneAfterTheOther_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("DNG first") << kEmulatedReleaseProduct << QStringLiteral("NRBA0001.DNG")
                                   << QStringLiteral("NRBA0001.JPG");
        QTest::newRow("JPG first on a late-DNG product") << kNativeProduct << QStringLiteral("NRBA0001.JPG")
                                                         << QStringLiteral("NRBA0001.DNG");
    }

    void pairModeHandsOverTwoObjectsOneAfterTheOther()
    {
        QFETCH(int, product);
        QFETCH(QString, first);
        QFETCH(QString, second);
        Connected rig(product);
        QVERIFY(rig.capture != nullptr);
        rig.capture->overrideSetting(Camera::kLEFileFormat, 1);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_COMPARE(rig.transfers, 1);

        const Fetched one = fetchLikeTheHost(rig.access, product);
        QVERIFY(one.ok);
        QCOMPARE(one.info.filename(), first);
        QCOMPARE(one.info.sequenceNumber(), 2u);
        // The hand-over of the first announces the second.
        QTRY_COMPARE(rig.transfers, 2);
        const Fetched two = fetchLikeTheHost(rig.access, product);
        QVERIFY(two.ok);
        QCOMPARE(two.info.filename(), second);
        QCOMPARE(two.info.sequenceNumber(), 1u);
        QTest::qWait(50);
        QCOMPARE(rig.transfers, 2);
        QVERIFY(!rig.access.transferObjectReady());
    }

    void aContinuousSeriesThroughTheHostGivesSeveralPictures_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("release operation itself") << kNativeProduct;
        QTest::newRow("single-purpose operation") << kEmulatedReleaseProduct;
    }

    void aContinuousSeriesThroughTheHostGivesSeveralPictures()
    {
        QFETCH(int, product);
        Connected rig(product);
        QVERIFY(rig.capture != nullptr);
        rig.capture->setDngBytes(4096);
        QVERIFY(rig.access.releaseCam(12));
        QTRY_VERIFY(rig.capture->pendingCount() >= 3);
        QVERIFY(rig.access.releaseCam(13));
        const int taken = rig.capture->pendingCount();
        // One announcement so far: only the head is announced.
        QTRY_COMPARE(rig.transfers, 1);
        for (int i = 0; i < taken; ++i) {
            const Fetched fetched = fetchLikeTheHost(rig.access, product);
            QVERIFY(fetched.ok);
            QCOMPARE(fetched.info.sequenceNumber(), quint32(taken - i));
            QCOMPARE(fetched.info.filename(), Maker::fileName(i + 1, Maker::kLEDng));
        }
        QTRY_COMPARE(rig.transfers, taken);
        QVERIFY(rig.access.releaseCam(13));
    }

    void bulbCountsArriveAsTheProductReportsThem_data()
    {
        QTest::addColumn<int>("product");
        for (int product : TVK_Emulator_Profile::knownProducts())
            QTest::newRow(QByteArray::number(product, 16).constData()) << product;
    }

    void bulbCountsArriveAsTheProductReportsThem()
    {
        QFETCH(int, product);
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
        QVERIFY(profile != nullptr);
        if (!profile->reportsTickEvents && !profile->supportsProperty(kPropBulbCount))
            QSKIP("this product reports no bulb seconds");
        Connected rig(product);
        QVERIFY(rig.access.releaseCam(7));
        if (profile->reportsTickEvents) {
            QTRY_VERIFY(rig.bulbCounts.size() >= 3);
            QCOMPARE(rig.bulbCounts.mid(0, 3), (QVector<int>{1, 2, 3}));
        } else {
            QTRY_VERIFY(rig.properties.contains(kPropBulbCount));
            QVERIFY(rig.bulbCounts.isEmpty());
        }
        QVERIFY(rig.access.releaseCam(8));
        QTRY_COMPARE(rig.transfers, 1);
        QCOMPARE(rig.capture->pendingCount(), 1);
    }

    void selfTimerCountsArriveBeforeThePicture()
    {
        Connected rig(kTickEventProduct);
        QVERIFY(rig.capture != nullptr);
        rig.capture->overrideSetting(Camera::kLEDriveMode, 2);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_COMPARE(rig.transfers, 1);
        QTRY_COMPARE(rig.selfTimerCounts, (QVector<int>{2, 1, 0}));
    }

    void selfTimerCountsAreAPropertyWhereTheProductHasNoTickEvents()
    {
        int product = 0;
        for (int candidate : TVK_Emulator_Profile::knownProducts()) {
            const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(candidate);
            if (!profile->reportsTickEvents && profile->supportsProperty(kPropSelfTimerCount)) {
                product = candidate;
                break;
            }
        }
        if (product == 0)
            QSKIP("no product keeps the self-timer count as a property");
        Connected rig(product);
        rig.capture->overrideSetting(Camera::kLEDriveMode, 3);
        QVERIFY(rig.access.releaseCam(0));
        QTRY_VERIFY(rig.properties.contains(kPropSelfTimerCount));
        QTRY_COMPARE(rig.transfers, 1);
        QVERIFY(rig.selfTimerCounts.isEmpty());
    }

    void anInCameraIntervalTakesItsFrames()
    {
        int product = 0;
        for (int candidate : TVK_Emulator_Profile::knownProducts()) {
            if (TVK_Emulator_Profile::forProduct(candidate)->hasInCameraInterval) {
                product = candidate;
                break;
            }
        }
        if (product == 0)
            QSKIP("no product has an interval of its own");
        Connected rig(product);
        rig.capture->setDngBytes(4096);
        rig.capture->overrideSetting(Camera::kLEDriveMode, 5);
        rig.capture->overrideSetting(Camera::kLEIntervalFrames, 3);
        // 10 s apart, scaled to 100 ms: long enough to see the run going.
        rig.capture->overrideSetting(Camera::kLEIntervalTime, 10);
        QVERIFY(rig.access.releaseCam(0));
        QVERIFY(rig.capture->isIntervalRunning());
        QTRY_COMPARE(rig.capture->picturesTaken(), 3);
        QVERIFY(!rig.capture->isIntervalRunning());
        QTest::qWait(50);
        QCOMPARE(rig.capture->picturesTaken(), 3);
    }

    void theFileFormatIsTheOneTheHostSet_data()
    {
        QTest::addColumn<quint32>("fileFormat");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("DNG") << 0u << QStringList{QStringLiteral("NRBA0001.DNG")};
        QTest::newRow("DNG and JPG") << 1u
                                     << QStringList{QStringLiteral("NRBA0001.DNG"), QStringLiteral("NRBA0001.JPG")};
        QTest::newRow("JPG") << 2u << QStringList{QStringLiteral("NRBA0001.JPG")};
    }

    void theFileFormatIsTheOneTheHostSet()
    {
        QFETCH(quint32, fileFormat);
        QFETCH(QStringList, names);
        Connected rig(kEmulatedReleaseProduct);
        QVERIFY(rig.capture != nullptr);
        rig.capture->clearSettingOverrides();
        QVERIFY(rig.access.setDevicePropValue(0xD004, fileFormat));
        QVERIFY(rig.access.releaseCam(0));
        QCOMPARE(rig.capture->pendingNames(), names);
    }

    void aPictureHoldsAPlaceInTheBufferUntilAllItsFilesAreFetched()
    {
        using Record = TVK_Emulator_SettingsRecord;
        Connected rig(kTickEventProduct);
        QVERIFY(rig.capture != nullptr);
        Record *record = rig.camera->component<Record>();
        QVERIFY(record != nullptr);
        const qint64 places = record->field(Record::kLERamBufferFree);
        QVERIFY(places > 2);
        rig.capture->overrideSetting(Camera::kLEFileFormat, 1);
        QVERIFY(rig.access.releaseCam(0));
        QVERIFY(rig.access.releaseCam(0));
        QCOMPARE(record->field(Record::kLERamBufferFree), places - 2);
        QVERIFY(fetchLikeTheHost(rig.access, kTickEventProduct).ok);
        // Half a pair fetched: the picture still holds its place.
        QCOMPARE(record->field(Record::kLERamBufferFree), places - 2);
        QVERIFY(fetchLikeTheHost(rig.access, kTickEventProduct).ok);
        QCOMPARE(record->field(Record::kLERamBufferFree), places - 1);
        QVERIFY(rig.access.deleteObject(0xFFFFFFFF));
        QCOMPARE(record->field(Record::kLERamBufferFree), places);
    }

    void twoCamerasWithTheSameSeedHandOverTheSameBytes()
    {
        Connected first(kNativeProduct, 99);
        Connected second(kNativeProduct, 99);
        for (Connected *rig : {&first, &second}) {
            QVERIFY(rig->capture != nullptr);
            QVERIFY(rig->access.releaseCam(0));
        }
        const Fetched a = fetchLikeTheHost(first.access, kNativeProduct);
        const Fetched b = fetchLikeTheHost(second.access, kNativeProduct);
        QVERIFY(a.ok && b.ok);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(a.info.data()), int(a.info.size())),
                 QByteArray(reinterpret_cast<const char *>(b.info.data()), int(b.info.size())));
        QCOMPARE(a.thumbnail, b.thumbnail);
        QCOMPARE(a.image, b.image);
    }
};

QTEST_GUILESS_MAIN(tst_emulatorcapture)
#include "tst_emulatorcapture.moc"
