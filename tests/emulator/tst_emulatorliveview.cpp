#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_LiveView.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_Transaction.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Logic_StreamFrameParser.h"

#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QSize>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

using namespace TVK_Commu_Ptp;
using LiveView = TVK_Emulator_LiveView;
using Parser = TVK_Logic_StreamFrameParser;

namespace {

constexpr int kNativeProduct = 0x2041;   // takes the release operation itself
constexpr int kOtherNativeProduct = 0x2031;
constexpr int kEmulatedProduct = 0x2061; // gets the older single-purpose operations; no video

constexpr ushort kPropSupportedStreams = 0x5020;
constexpr quint32 kNoStream = 0;
constexpr int kRespInvalidParameter = 0x201D;

// Release stages the live view answers.
enum : unsigned {
    kStageVideoStart = 15,
    kStageVideoStop = 16,
    kStageLiveViewOn = 17,
    kStageLiveViewOff = 18,
    kStageToggleZoom = 20,
    kStageFocusCross = 21,
    kStageWhiteBalance = 22
};
enum : int { kKindPhoto = 0, kKindVideo = 1 };
enum : int { kGreyCardStart = 0, kGreyCardPreview = 1, kGreyCardEnd = 2, kGreyCardSave = 3 };

const char *const kNoProfile = "the product has no profile with live view yet";

quint32 streams(int mode)
{
    return mode == 0 ? kNoStream : (quint32(mode) << 16) | 1u;
}

quint32 centreX()
{
    return LiveView::kActiveArea.x + LiveView::kActiveArea.width / 2;
}

quint32 centreY()
{
    return LiveView::kActiveArea.y + LiveView::kActiveArea.height / 2;
}

// A connected emulated camera, seen through the access as the program sees a
// USB camera.
struct Session {
    std::shared_ptr<TVK_Emulator_Camera> camera;
    std::unique_ptr<TVK_Commu_CameraAccess_Emulated> access;

    // False when the product has no live-view profile (yet).
    bool open(int product, quint32 seed = 1)
    {
        camera = std::make_shared<TVK_Emulator_Camera>(product, seed);
        camera->setTimeScale(0.01);
        if (camera->profile() == nullptr || !camera->profile()->hasLiveView)
            return false;
        access = std::make_unique<TVK_Commu_CameraAccess_Emulated>(camera);
        access->checkDeviceAvailable();
        return access->openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, product, access->deviceId());
    }

    quint32 supportedStreams()
    {
        quint32 value = 0xFFFFFFFFu;
        if (!access->getDevicePropSupportedStreams(value))
            return 0xFFFFFFFFu;
        return value;
    }

    // Live view of a kind on and the stream enabled, as the host prepares it.
    bool startStream(int kind)
    {
        return access->releaseCam(kStageLiveViewOn, kind) && access->setDevicePropEnabledStreams(1);
    }

    // The frame rate the host paces itself by: the camera's VideoFrameRate,
    // or the product's rate where the camera does not list the property.
    quint32 milliFps()
    {
        quint32 value = 0;
        if (access->getDevicePropStreamVideoFrameRate(value) && value > 0)
            return value;
        return quint32(camera->profile()->frameRateMilliFps);
    }

    // The picture size the camera announces in VideoResolution, or the
    // default where it lists none.
    QSize pictureSize()
    {
        quint32 resolution = 0;
        if (access->getDevicePropStreamVideoResolution(resolution)) {
            const QSize announced(int(resolution >> 16), int(resolution & 0xFFFF));
            if (announced.width() >= LiveView::kMinImageSide && announced.width() <= LiveView::kMaxImageWidth
                && announced.height() >= LiveView::kMinImageSide && announced.height() <= LiveView::kMaxImageHeight)
                return announced;
        }
        return QSize(LiveView::kDefaultImageWidth, LiveView::kDefaultImageHeight);
    }

    LiveView *liveView() const { return camera->component<LiveView>(); }

    quint32 packetMaxSize()
    {
        TVK_Logic_CameraStreamInfo info(access.get());
        return info.packetMaxSize();
    }

    // One frame in a buffer of the packet size, as the host reads it: the
    // access zero-fills what the frame does not cover.
    QByteArray readFrame(bool *ok)
    {
        QByteArray buffer(int(packetMaxSize()), char(0xAA));
        *ok = !buffer.isEmpty() && access->getStreamData(buffer.data(), unsigned(buffer.size()));
        return buffer;
    }

    Parser::Result readParsedFrame(QByteArray *buffer = nullptr)
    {
        bool ok = false;
        const QByteArray frame = readFrame(&ok);
        if (buffer != nullptr)
            *buffer = frame;
        if (!ok)
            return Parser::Result();
        return Parser::parse(frame.constData(), size_t(frame.size()));
    }

    int response(int operationCode, const QVector<quint32> &params)
    {
        return camera->transact(operationCode, params, TVK_Emulator_Transaction::kLENoData).responseCode;
    }
};

// Waits until the access has reported a change of code.
bool waitForChange(QSignalSpy &spy, ushort code, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (const QList<QVariant> &arguments : qAsConst(spy)) {
            if (arguments.value(0).value<ushort>() == code)
                return true;
        }
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
}

QImage decodeImage(const QByteArray &buffer, const Parser::Result &result)
{
    return QImage::fromData(reinterpret_cast<const uchar *>(buffer.constData()) + result.imageOffset,
                            int(result.imageLength));
}

void addProductRows()
{
    QTest::addColumn<int>("product");
    QTest::newRow("native release") << kNativeProduct;
    QTest::newRow("single-purpose operations") << kEmulatedProduct;
}

} // namespace

class tst_emulatorliveview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Modes through SupportedStreams ---
    void liveViewOnIsReportedThroughSupportedStreams_data();
    void liveViewOnIsReportedThroughSupportedStreams();
    void liveViewOffEndsTheStream_data();
    void liveViewOffEndsTheStream();
    void liveViewOffOfAnotherKindChangesNothing();
    void anUnknownLiveViewKindIsRefused();
    void aProductWithoutLiveViewAnswersNotSupported();
    void aProductWithoutVideoRefusesVideoLiveViewAndRecording();
    void aProductWithRecordingButNoLiveViewRecordsWithoutStream();

    // --- Stream info and frames ---
    void streamInfoDescribesOneFramePerPacket();
    void streamDataIsRefusedUntilTheHostEnablesTheStream();
    void streamDataIsRefusedWhileLiveViewIsOff();
    void aFrameCarriesAllSevenTags_data();
    void aFrameCarriesAllSevenTags();
    void theFrameHeaderLengthsMatchTheFrame();
    void theJpegDecodesFromTheImageOffsetToTheEndOfTheBuffer();
    void thePictureMovesWithTheFrameNumber();
    void imageIdAndTimeCodeAdvanceWithEachFrame();
    void videoFramesCarryAudioLevels();
    void photoFramesAreSilent();
    void aFixedLiveExposureAppearsInTheFrames();
    void aFixedIsoMakesTheLiveMeteringAdaptTheExposureTime();
    void theSameSeedAndCallsGiveTheSameFrames();

    // --- Zoom and focus cross ---
    void zoomToggleStepsThroughTheZoomLevels_data();
    void zoomToggleStepsThroughTheZoomLevels();
    void zoomIsRefusedWithoutPhotoOrVideoLiveView();
    void theFocusCrossMovesTheAfCross_data();
    void theFocusCrossMovesTheAfCross();
    void theFocusCrossIsClampedIntoTheActiveArea();
    void theZoomedSourceAreaFollowsTheFocusCross();
    void zoomIsResetWhenLiveViewEnds();

    // --- Video recording ---
    void recordingReportsModeOneAndRestoresThePreviousMode_data();
    void recordingReportsModeOneAndRestoresThePreviousMode();
    void recordingWithoutLiveViewEndsWithoutStream();
    void aSecondRecordingStartIsRefused();
    void aStopWithoutRecordingIsRefused();

    // --- Grey card ---
    void greyCardStartStreamsModeFour_data();
    void greyCardStartStreamsModeFour();
    void greyCardPreviewKeepsTheGreyCardStream();
    void greyCardSaveEndsTheStreamAndKeepsTheMeasurement();
    void greyCardEndIsReportedAsModeZero();
    void greyCardPreviewWithoutGreyCardIsRefused();
    void anUnknownGreyCardModeIsRefusedByTheCamera();
    void greyCardIsRefusedWhileRecording();
    void theHostCanSwitchItsLiveViewOnAgainAfterTheGreyCard();
};

// --- Modes through SupportedStreams ---------------------------------------------

void tst_emulatorliveview::liveViewOnIsReportedThroughSupportedStreams_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("kind");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("native photo") << kNativeProduct << int(kKindPhoto) << streams(LiveView::kLEModePhoto);
    QTest::newRow("native video") << kNativeProduct << int(kKindVideo) << streams(LiveView::kLEModeVideo);
    QTest::newRow("other native video") << kOtherNativeProduct << int(kKindVideo) << streams(LiveView::kLEModeVideo);
    QTest::newRow("single-purpose photo") << kEmulatedProduct << int(kKindPhoto) << streams(LiveView::kLEModePhoto);
}

void tst_emulatorliveview::liveViewOnIsReportedThroughSupportedStreams()
{
    QFETCH(int, product);
    QFETCH(int, kind);
    QFETCH(quint32, expected);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QCOMPARE(session.supportedStreams(), kNoStream);

    QSignalSpy changed(session.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kind));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), expected);
}

void tst_emulatorliveview::liveViewOffEndsTheStream_data()
{
    addProductRows();
}

void tst_emulatorliveview::liveViewOffEndsTheStream()
{
    QFETCH(int, product);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QSignalSpy changed(session.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    changed.clear();

    QVERIFY(session.access->releaseCam(kStageLiveViewOff, kKindPhoto));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), kNoStream);
}

void tst_emulatorliveview::liveViewOffOfAnotherKindChangesNothing()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    QVERIFY(session.access->releaseCam(kStageLiveViewOff, kKindVideo));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModePhoto));
}

void tst_emulatorliveview::anUnknownLiveViewKindIsRefused()
{
    // The single-purpose path refuses the kind itself; the native release
    // operation carries it to the camera.
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(!session.access->releaseCam(kStageLiveViewOn, 2));
    QCOMPARE(session.response(kOpRelease, {kStageLiveViewOn, 2}), kRespInvalidParameter);
    QCOMPARE(session.response(kOpRelease, {kStageLiveViewOff, 7}), kRespInvalidParameter);
    QCOMPARE(session.supportedStreams(), kNoStream);
}

void tst_emulatorliveview::aProductWithoutLiveViewAnswersNotSupported()
{
    int checked = 0;
    for (int product : TVK_Emulator_Profile::knownProducts()) {
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
        if (profile == nullptr || profile->hasLiveView)
            continue;
        TVK_Emulator_Camera camera(product, 1);
        const QVector<quint32> stage = {kStageLiveViewOn, kKindPhoto};
        QCOMPARE(camera.transact(kOpRelease, stage, TVK_Emulator_Transaction::kLENoData).responseCode,
                 kRespOperationNotSupported);
        QCOMPARE(camera.transact(kOpControlPhotoLiveView, {0}, TVK_Emulator_Transaction::kLENoData).responseCode,
                 kRespOperationNotSupported);
        QCOMPARE(camera.transact(kOpGetStreamInfo, {0}, TVK_Emulator_Transaction::kLEDataIn).responseCode,
                 kRespOperationNotSupported);
        QCOMPARE(camera.transact(kOpGetStreamData, {}, TVK_Emulator_Transaction::kLEDataIn).responseCode,
                 kRespOperationNotSupported);
        ++checked;
    }
    if (checked == 0)
        QSKIP("no product without live view is known yet");
}

void tst_emulatorliveview::aProductWithoutVideoRefusesVideoLiveViewAndRecording()
{
    Session session;
    if (!session.open(kEmulatedProduct))
        QSKIP(kNoProfile);
    QVERIFY(!session.camera->profile()->hasVideoRecording);
    QVERIFY(!session.access->releaseCam(kStageLiveViewOn, kKindVideo));
    QVERIFY(!session.access->releaseCam(kStageVideoStart));
    QCOMPARE(session.response(kOpControlVideoRecording, {2}), kRespOperationNotSupported);
    QCOMPARE(session.response(kOpControlVideoRecording, {0}), kRespOperationNotSupported);
    QCOMPARE(session.supportedStreams(), kNoStream);
    // Photo live view works all the same.
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModePhoto));
}

void tst_emulatorliveview::aProductWithRecordingButNoLiveViewRecordsWithoutStream()
{
    int checked = 0;
    for (int product : TVK_Emulator_Profile::knownProducts()) {
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
        if (profile == nullptr || profile->hasLiveView || !profile->hasVideoRecording || !profile->nativeRelease)
            continue;
        TVK_Emulator_Camera camera(product, 1);
        const auto stage = [&camera](unsigned number) {
            return camera.transact(kOpRelease, {number}, TVK_Emulator_Transaction::kLENoData).responseCode;
        };
        QCOMPARE(stage(kStageVideoStart), kRespOK);
        QCOMPARE(stage(kStageVideoStart), kRespGeneralError);
        QVERIFY(camera.component<LiveView>()->isRecording());
        QCOMPARE(camera.transact(kOpGetStreamData, {}, TVK_Emulator_Transaction::kLEDataIn).responseCode,
                 kRespOperationNotSupported);
        QCOMPARE(stage(kStageVideoStop), kRespOK);
        QVERIFY(!camera.component<LiveView>()->isRecording());
        ++checked;
    }
    if (checked == 0)
        QSKIP("no product records video without live view");
}

// --- Stream info and frames -------------------------------------------------------

void tst_emulatorliveview::streamInfoDescribesOneFramePerPacket()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    TVK_Logic_CameraStreamInfo info(session.access.get());
    QCOMPARE(info.datasetSize(), quint64(36));
    QCOMPARE(info.packetMaxSize(), LiveView::kPacketMaxSize);
    QCOMPARE(info.frameMaxSize(), LiveView::kPacketMaxSize);
    QCOMPARE(info.frameHeaderSize(), LiveView::frameHeaderSize());
    QCOMPARE(info.packetHeaderSize(), LiveView::kPacketHeaderSize);
    QCOMPARE(info.packetAlignment(), LiveView::kPacketAlignment);
    // One tick per frame at the camera's frame rate.
    QCOMPARE(info.timeResolution(), quint64(1000000000000ull / session.milliFps()));
}

void tst_emulatorliveview::streamDataIsRefusedUntilTheHostEnablesTheStream()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    QVERIFY(session.access->setDevicePropEnabledStreams(0));
    bool ok = true;
    session.readFrame(&ok);
    QVERIFY(!ok);
    QCOMPARE(session.camera->transact(kOpGetStreamData, {}, TVK_Emulator_Transaction::kLEDataIn).responseCode,
             kRespGeneralError);

    QVERIFY(session.access->setDevicePropEnabledStreams(1));
    session.readFrame(&ok);
    QVERIFY(ok);
}

void tst_emulatorliveview::streamDataIsRefusedWhileLiveViewIsOff()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.access->setDevicePropEnabledStreams(1));
    bool ok = true;
    session.readFrame(&ok);
    QVERIFY(!ok);

    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    session.readFrame(&ok);
    QVERIFY(ok);
    QVERIFY(session.access->releaseCam(kStageLiveViewOff, kKindPhoto));
    session.readFrame(&ok);
    QVERIFY(!ok);
}

void tst_emulatorliveview::aFrameCarriesAllSevenTags_data()
{
    addProductRows();
}

void tst_emulatorliveview::aFrameCarriesAllSevenTags()
{
    QFETCH(int, product);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));

    const Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.unknownTags, 0);
    QCOMPARE(frame.shortTags, 0);
    for (quint32 tag = Parser::kLETagISO; tag <= Parser::kLETagTimeCode; ++tag)
        QVERIFY2(frame.hasTag(tag), qPrintable(QStringLiteral("tag %1").arg(tag)));
    QCOMPARE(frame.imageOffset, size_t(LiveView::frameHeaderSize()));

    QVERIFY(frame.iso > 0);
    QVERIFY(frame.exposureTime > 0);
    QCOMPARE(frame.exposureTv, qint32(std::lround(std::log2(1000000.0 / frame.exposureTime) * 256.0)));
    QCOMPARE(frame.imageId, 1u);

    const Parser::ZoomInfo &zoom = frame.zoom;
    QCOMPARE(zoom.zoomLevel, LiveView::kZoomSteps[0].level);
    QCOMPARE(zoom.outerX, LiveView::kOuterBounds.x);
    QCOMPARE(zoom.outerY, LiveView::kOuterBounds.y);
    QCOMPARE(zoom.outerWidth, LiveView::kOuterBounds.width);
    QCOMPARE(zoom.outerHeight, LiveView::kOuterBounds.height);
    QCOMPARE(zoom.sensorX, LiveView::kActiveArea.x);
    QCOMPARE(zoom.sensorY, LiveView::kActiveArea.y);
    QCOMPARE(zoom.sensorWidth, LiveView::kActiveArea.width);
    QCOMPARE(zoom.sensorHeight, LiveView::kActiveArea.height);
    // Unzoomed, the picture shows the whole active area.
    QCOMPARE(zoom.sourceX, LiveView::kActiveArea.x);
    QCOMPARE(zoom.sourceY, LiveView::kActiveArea.y);
    QCOMPARE(zoom.sourceWidth, LiveView::kActiveArea.width);
    QCOMPARE(zoom.sourceHeight, LiveView::kActiveArea.height);
    QCOMPARE(zoom.crossX, centreX());
    QCOMPARE(zoom.crossY, centreY());
    QVERIFY(frame.hasRelativeFocusPosition);
    QCOMPARE(frame.relativeFocusX, 0.5);
    QCOMPARE(frame.relativeFocusY, 0.5);

    QCOMPARE(int(frame.timeCode.hours), 0);
    QCOMPARE(int(frame.timeCode.minutes), 0);
    QCOMPARE(int(frame.timeCode.seconds), 0);
    QCOMPARE(int(frame.timeCode.frames), 0);
}

void tst_emulatorliveview::theFrameHeaderLengthsMatchTheFrame()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    bool ok = false;
    const QByteArray buffer = session.readFrame(&ok);
    QVERIFY(ok);
    const auto *bytes = reinterpret_cast<const uchar *>(buffer.constData());
    const quint32 frameLength = qFromLittleEndian<quint32>(bytes + 0);
    const quint16 headerLengthA = qFromLittleEndian<quint16>(bytes + 4);
    const quint32 imageId = qFromLittleEndian<quint32>(bytes + 6);
    const quint32 headerLengthB = qFromLittleEndian<quint32>(bytes + 10);
    const quint16 mode = qFromLittleEndian<quint16>(bytes + 14);
    const quint32 imageOffset = qFromLittleEndian<quint32>(bytes + 16);

    QVERIFY(frameLength > imageOffset);
    QVERIFY(frameLength <= LiveView::kPacketMaxSize);
    QCOMPARE(imageOffset, LiveView::frameHeaderSize());
    QCOMPARE(quint32(6 + headerLengthA), imageOffset);
    QCOMPARE(14 + headerLengthB, frameLength);
    QCOMPARE(imageId, 1u);
    QCOMPARE(int(mode), int(LiveView::kLEModeVideo));
    // What the frame does not cover stays zero in the host's buffer.
    QCOMPARE(buffer.indexOf(char(0xAA), int(frameLength)), -1);
    QVERIFY(std::all_of(buffer.constBegin() + frameLength, buffer.constEnd(), [](char c) { return c == 0; }));
}

void tst_emulatorliveview::theJpegDecodesFromTheImageOffsetToTheEndOfTheBuffer()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QByteArray buffer;
    const Parser::Result frame = session.readParsedFrame(&buffer);
    QVERIFY(frame.ok);
    // The host hands the decoder everything up to the end of the buffer,
    // trailing zeros included.
    QCOMPARE(frame.imageOffset + frame.imageLength, size_t(buffer.size()));
    const QImage image = decodeImage(buffer, frame);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), session.pictureSize());
}

void tst_emulatorliveview::thePictureMovesWithTheFrameNumber()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QByteArray first;
    QByteArray second;
    const Parser::Result frame1 = session.readParsedFrame(&first);
    const Parser::Result frame2 = session.readParsedFrame(&second);
    QVERIFY(frame1.ok);
    QVERIFY(frame2.ok);
    const QImage image1 = decodeImage(first, frame1);
    const QImage image2 = decodeImage(second, frame2);
    QVERIFY(!image1.isNull());
    QVERIFY(!image2.isNull());
    QVERIFY(image1 != image2);
}

void tst_emulatorliveview::imageIdAndTimeCodeAdvanceWithEachFrame()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    const int fps = std::max(1, int(std::lround(session.milliFps() / 1000.0)));

    for (int index = 0; index < fps + 2; ++index) {
        const Parser::Result frame = session.readParsedFrame();
        QVERIFY(frame.ok);
        QCOMPARE(frame.imageId, quint32(index + 1));
        QCOMPARE(int(frame.timeCode.seconds), index / fps);
        QCOMPARE(int(frame.timeCode.frames), index % fps);
    }
}

void tst_emulatorliveview::videoFramesCarryAudioLevels()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    bool changes = false;
    quint32 previousRms = 0;
    for (int index = 0; index < 5; ++index) {
        const Parser::Result frame = session.readParsedFrame();
        QVERIFY(frame.ok);
        QVERIFY(frame.hasAudio);
        const Parser::AudioLevels &audio = frame.audio;
        QVERIFY(audio.rmsLeft > 0);
        QVERIFY(audio.rmsRight > 0);
        QVERIFY(audio.peakLeft >= audio.rmsLeft);
        QVERIFY(audio.peakRight >= audio.rmsRight);
        QVERIFY(audio.peakLeft <= 1000);
        QVERIFY(audio.peakRight <= 1000);
        changes = changes || (index > 0 && audio.rmsLeft != previousRms);
        previousRms = audio.rmsLeft;
    }
    QVERIFY(changes);
}

void tst_emulatorliveview::photoFramesAreSilent()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    const Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QVERIFY(frame.hasAudio);
    QCOMPARE(frame.audio.peakLeft, 0u);
    QCOMPARE(frame.audio.peakRight, 0u);
    QCOMPARE(frame.audio.rmsLeft, 0u);
    QCOMPARE(frame.audio.rmsRight, 0u);
}

void tst_emulatorliveview::aFixedLiveExposureAppearsInTheFrames()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.liveView() != nullptr);
    session.liveView()->setLiveExposure(3200, 1000);
    QVERIFY(session.startStream(kKindPhoto));
    Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.iso, 3200u);
    QCOMPARE(frame.exposureTime, 1000u);
    QCOMPARE(frame.exposureTv, 2551); // log2(1000) * 256
    QCOMPARE(session.liveView()->framesServed(), 1u);

    // Back to the camera's own metering.
    session.liveView()->setLiveExposure(0, 0);
    frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QVERIFY(frame.iso != 3200u || frame.exposureTime != 1000u);
}

void tst_emulatorliveview::aFixedIsoMakesTheLiveMeteringAdaptTheExposureTime()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    const Parser::Result automatic = session.readParsedFrame();
    QVERIFY(automatic.ok);

    // Four times the sensitivity: a quarter of the exposure time, the same
    // brightness.
    const quint32 iso = automatic.iso * 4;
    if (!session.access->setDevicePropValue(0x500F, iso))
        QSKIP("the camera does not offer four times its automatic sensitivity");
    const Parser::Result fixed = session.readParsedFrame();
    QVERIFY(fixed.ok);
    QCOMPARE(fixed.iso, iso);
    QCOMPARE(fixed.exposureTime, automatic.exposureTime / 4);
    QCOMPARE(fixed.exposureTv, automatic.exposureTv + 2 * 256);
}

void tst_emulatorliveview::theSameSeedAndCallsGiveTheSameFrames()
{
    Session first;
    Session second;
    if (!first.open(kNativeProduct, 7) || !second.open(kNativeProduct, 7))
        QSKIP(kNoProfile);
    for (Session *session : {&first, &second}) {
        QVERIFY(session->startStream(kKindVideo));
        QVERIFY(session->access->releaseCam(kStageToggleZoom));
        QVERIFY(session->access->releaseCam(kStageFocusCross, 1000, 1200));
    }
    for (int index = 0; index < 3; ++index) {
        bool ok1 = false;
        bool ok2 = false;
        const QByteArray frame1 = first.readFrame(&ok1);
        const QByteArray frame2 = second.readFrame(&ok2);
        QVERIFY(ok1);
        QVERIFY(ok2);
        QVERIFY(frame1 == frame2);
    }
}

// --- Zoom and focus cross ------------------------------------------------------------

void tst_emulatorliveview::zoomToggleStepsThroughTheZoomLevels_data()
{
    addProductRows();
}

void tst_emulatorliveview::zoomToggleStepsThroughTheZoomLevels()
{
    QFETCH(int, product);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    const int steps = int(std::size(LiveView::kZoomSteps));
    for (int toggle = 1; toggle <= steps; ++toggle) {
        QVERIFY(session.access->releaseCam(kStageToggleZoom));
        const LiveView::ZoomStep &step = LiveView::kZoomSteps[toggle % steps];
        const Parser::Result frame = session.readParsedFrame();
        QVERIFY(frame.ok);
        QCOMPARE(frame.zoom.zoomLevel, step.level);
        const quint32 width = LiveView::kActiveArea.width / step.magnification;
        const quint32 height = LiveView::kActiveArea.height / step.magnification;
        QCOMPARE(frame.zoom.sourceWidth, width);
        QCOMPARE(frame.zoom.sourceHeight, height);
        // Centred on the cross, which stays in the middle of the active area.
        QCOMPARE(frame.zoom.sourceX, centreX() - width / 2);
        QCOMPARE(frame.zoom.sourceY, centreY() - height / 2);
        QCOMPARE(frame.relativeFocusX, 0.5);
        QCOMPARE(frame.relativeFocusY, 0.5);
    }
    QCOMPARE(LiveView::kZoomSteps[0].level, 0u);
    QCOMPARE(LiveView::kZoomSteps[1].level, 1u);
}

void tst_emulatorliveview::zoomIsRefusedWithoutPhotoOrVideoLiveView()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(!session.access->releaseCam(kStageToggleZoom));
    QCOMPARE(session.response(kOpRelease, {kStageToggleZoom}), kRespGeneralError);
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QVERIFY(!session.access->releaseCam(kStageToggleZoom));
}

void tst_emulatorliveview::theFocusCrossMovesTheAfCross_data()
{
    addProductRows();
}

void tst_emulatorliveview::theFocusCrossMovesTheAfCross()
{
    QFETCH(int, product);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    // A quarter into the active area both ways.
    const quint32 x = LiveView::kActiveArea.x + LiveView::kActiveArea.width / 4;
    const quint32 y = LiveView::kActiveArea.y + LiveView::kActiveArea.height / 4;
    QVERIFY(session.access->releaseCam(kStageFocusCross, int(x), int(y)));
    const Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.crossX, x);
    QCOMPARE(frame.zoom.crossY, y);
    QCOMPARE(frame.relativeFocusX, 0.25);
    QCOMPARE(frame.relativeFocusY, 0.25);
}

void tst_emulatorliveview::theFocusCrossIsClampedIntoTheActiveArea()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    const LiveView::Area &active = LiveView::kActiveArea;

    QVERIFY(session.access->releaseCam(kStageFocusCross, -5, 99999));
    Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.crossX, active.x);
    QCOMPARE(frame.zoom.crossY, active.y + active.height - 1);

    QVERIFY(session.access->releaseCam(kStageFocusCross, 99999, 0));
    frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.crossX, active.x + active.width - 1);
    QCOMPARE(frame.zoom.crossY, active.y);
}

void tst_emulatorliveview::theZoomedSourceAreaFollowsTheFocusCross()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    QVERIFY(session.access->releaseCam(kStageToggleZoom));
    const LiveView::Area &active = LiveView::kActiveArea;
    const quint32 magnification = LiveView::kZoomSteps[1].magnification;
    const quint32 width = active.width / magnification;
    const quint32 height = active.height / magnification;

    // Near a corner the area stops at the edge of the active area.
    QVERIFY(session.access->releaseCam(kStageFocusCross, 100, 100));
    Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.sourceX, active.x);
    QCOMPARE(frame.zoom.sourceY, active.y);

    QVERIFY(session.access->releaseCam(kStageFocusCross, 6000, 4000));
    frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.sourceX, active.x + active.width - width);
    QCOMPARE(frame.zoom.sourceY, active.y + active.height - height);

    // Away from the edges the cross is in the middle of the picture.
    const quint32 x = 2000;
    const quint32 y = 1500;
    QVERIFY(session.access->releaseCam(kStageFocusCross, int(x), int(y)));
    frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.sourceX, x - width / 2);
    QCOMPARE(frame.zoom.sourceY, y - height / 2);
    QCOMPARE(frame.relativeFocusX, 0.5);
    QCOMPARE(frame.relativeFocusY, 0.5);
}

void tst_emulatorliveview::zoomIsResetWhenLiveViewEnds()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QVERIFY(session.access->releaseCam(kStageToggleZoom));
    QVERIFY(session.access->releaseCam(kStageLiveViewOff, kKindPhoto));
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    const Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QCOMPARE(frame.zoom.zoomLevel, LiveView::kZoomSteps[0].level);
    QCOMPARE(frame.zoom.sourceWidth, LiveView::kActiveArea.width);
}

// --- Video recording ------------------------------------------------------------------

void tst_emulatorliveview::recordingReportsModeOneAndRestoresThePreviousMode_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("kind");
    QTest::addColumn<quint32>("before");
    QTest::newRow("native photo") << kNativeProduct << int(kKindPhoto) << streams(LiveView::kLEModePhoto);
    QTest::newRow("native video") << kNativeProduct << int(kKindVideo) << streams(LiveView::kLEModeVideo);
    QTest::newRow("other native video") << kOtherNativeProduct << int(kKindVideo) << streams(LiveView::kLEModeVideo);
}

void tst_emulatorliveview::recordingReportsModeOneAndRestoresThePreviousMode()
{
    QFETCH(int, product);
    QFETCH(int, kind);
    QFETCH(quint32, before);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kind));
    QCOMPARE(session.supportedStreams(), before);

    QSignalSpy changed(session.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(session.access->releaseCam(kStageVideoStart));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModeRecording));
    const Parser::Result frame = session.readParsedFrame();
    QVERIFY(frame.ok);
    QVERIFY(frame.audio.rmsLeft > 0);

    changed.clear();
    QVERIFY(session.access->releaseCam(kStageVideoStop));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), before);
}

void tst_emulatorliveview::recordingWithoutLiveViewEndsWithoutStream()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.access->releaseCam(kStageVideoStart));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModeRecording));
    QVERIFY(session.access->setDevicePropEnabledStreams(1));
    QVERIFY(session.readParsedFrame().ok);
    QVERIFY(session.access->releaseCam(kStageVideoStop));
    QCOMPARE(session.supportedStreams(), kNoStream);
}

void tst_emulatorliveview::aSecondRecordingStartIsRefused()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.access->releaseCam(kStageVideoStart));
    QVERIFY(!session.access->releaseCam(kStageVideoStart));
    QCOMPARE(session.response(kOpRelease, {kStageVideoStart}), kRespGeneralError);
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModeRecording));
}

void tst_emulatorliveview::aStopWithoutRecordingIsRefused()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(!session.access->releaseCam(kStageVideoStop));
    QCOMPARE(session.response(kOpRelease, {kStageVideoStop}), kRespGeneralError);
}

// --- Grey card -----------------------------------------------------------------------------

void tst_emulatorliveview::greyCardStartStreamsModeFour_data()
{
    addProductRows();
}

void tst_emulatorliveview::greyCardStartStreamsModeFour()
{
    QFETCH(int, product);
    Session session;
    if (!session.open(product))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QSignalSpy changed(session.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModeGreyCard));
    QVERIFY(session.readParsedFrame().ok);
}

void tst_emulatorliveview::greyCardPreviewKeepsTheGreyCardStream()
{
    Session session;
    if (!session.open(kEmulatedProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QByteArray castBuffer;
    const Parser::Result cast = session.readParsedFrame(&castBuffer);
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardPreview));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModeGreyCard));

    // The measurement takes the warm cast out of the picture: red loses
    // against blue. Two frames in a row show nearly the same scene.
    QByteArray correctedBuffer;
    const Parser::Result corrected = session.readParsedFrame(&correctedBuffer);
    QVERIFY(cast.ok);
    QVERIFY(corrected.ok);
    const auto balance = [](const QImage &image) {
        qint64 red = 0;
        qint64 blue = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) {
                red += qRed(image.pixel(x, y));
                blue += qBlue(image.pixel(x, y));
            }
        }
        return double(red) / double(std::max<qint64>(1, blue));
    };
    const double castBalance = balance(decodeImage(castBuffer, cast));
    const double correctedBalance = balance(decodeImage(correctedBuffer, corrected));
    QVERIFY2(castBalance > correctedBalance * 1.2,
             qPrintable(QStringLiteral("%1 vs %2").arg(castBalance).arg(correctedBalance)));
}

void tst_emulatorliveview::greyCardSaveEndsTheStreamAndKeepsTheMeasurement()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QCOMPARE(session.liveView()->mode(), int(LiveView::kLEModeGreyCard));
    QVERIFY(!session.liveView()->whiteBalanceMeasured());
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardSave));
    QCOMPARE(session.liveView()->mode(), int(LiveView::kLEModeNone));
    QVERIFY(session.liveView()->whiteBalanceMeasured());
    QCOMPARE(session.supportedStreams(), kNoStream);
}

void tst_emulatorliveview::greyCardEndIsReportedAsModeZero()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QSignalSpy changed(session.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    changed.clear();

    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardEnd));
    QVERIFY(waitForChange(changed, kPropSupportedStreams));
    QCOMPARE(session.supportedStreams(), kNoStream);
    bool ok = true;
    session.readFrame(&ok);
    QVERIFY(!ok);
    // Ending again is harmless.
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardEnd));
}

void tst_emulatorliveview::greyCardPreviewWithoutGreyCardIsRefused()
{
    Session session;
    if (!session.open(kEmulatedProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QVERIFY(!session.access->releaseCam(kStageWhiteBalance, kGreyCardPreview));
    QVERIFY(!session.access->releaseCam(kStageWhiteBalance, kGreyCardSave));
    QCOMPARE(session.response(kOpControlLVWhiteBalance, {kGreyCardPreview}), kRespGeneralError);
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModePhoto));
}

void tst_emulatorliveview::anUnknownGreyCardModeIsRefusedByTheCamera()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QVERIFY(!session.access->releaseCam(kStageWhiteBalance, 4));
    QCOMPARE(session.response(kOpRelease, {kStageWhiteBalance, 4}), kRespInvalidParameter);
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModePhoto));
}

void tst_emulatorliveview::greyCardIsRefusedWhileRecording()
{
    Session session;
    if (!session.open(kNativeProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindVideo));
    QVERIFY(session.access->releaseCam(kStageVideoStart));
    QVERIFY(!session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QVERIFY(session.access->releaseCam(kStageVideoStop));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QVERIFY(!session.access->releaseCam(kStageVideoStart));
}

void tst_emulatorliveview::theHostCanSwitchItsLiveViewOnAgainAfterTheGreyCard()
{
    // The host's sequence: photo live view, pipette on, save, and once the
    // camera reports mode 0, photo live view on again.
    Session session;
    if (!session.open(kEmulatedProduct))
        QSKIP(kNoProfile);
    QVERIFY(session.startStream(kKindPhoto));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardStart));
    QVERIFY(session.access->releaseCam(kStageFocusCross, 3000, 2000));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardPreview));
    QVERIFY(session.access->releaseCam(kStageWhiteBalance, kGreyCardSave));
    QCOMPARE(session.supportedStreams(), kNoStream);
    QVERIFY(session.access->releaseCam(kStageLiveViewOn, kKindPhoto));
    QCOMPARE(session.supportedStreams(), streams(LiveView::kLEModePhoto));
    QVERIFY(session.readParsedFrame().ok);
}

QTEST_GUILESS_MAIN(tst_emulatorliveview)
#include "tst_emulatorliveview.moc"
