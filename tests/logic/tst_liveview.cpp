#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_LiveView.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_LiveViewPump.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_TracingAccess.h"

#include <QImage>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

using Camera = TVK_Emulator_Camera;
using Model = TVK_Logic_Camera;
using LiveView = TVK_Emulator_LiveView;

namespace {

constexpr int kProduct = 0x2041; // live view, video, release operation
constexpr int kOpRelease = 0x9004;
constexpr int kOpGetStreamData = 0x9025;
constexpr int kWaitMs = 10000;
constexpr int kQuietMs = 600; // many frame periods, and the access's change queue

enum : int { kModeNone = 0, kModeRecording = 1, kModePhoto = 2, kModeVideo = 3, kModeGreyCard = 4 };
enum : int { kAFOn = 1, kAFOff = 2, kVideoStart = 15, kVideoStop = 16, kLiveViewOff = 18, kCross = 21, kGrey = 22 };

// The emulated access keeping every release with its parameters, and
// spoiling the next stream frame on request.
class Access : public TVK_Test_TracingAccess
{
public:
    using TVK_Test_TracingAccess::TVK_Test_TracingAccess;
    enum class Spoil { kNone, kImageOffset28, kNoPicture };

    bool sendCommand(int op, int numParams, const quint32 *params, const char *caller) override
    {
        if (op == kOpRelease && numParams > 0) {
            stages << int(params[0]);
            lastParams = QVector<quint32>(params + 1, params + numParams);
        }
        return TVK_Test_TracingAccess::sendCommand(op, numParams, params, caller);
    }
    bool recvData(int op, int numParams, const quint32 *params, void *buffer, unsigned size,
                  const char *caller, quint64 *received = nullptr) override
    {
        const bool ok = TVK_Test_TracingAccess::recvData(op, numParams, params, buffer, size, caller, received);
        unsigned char *bytes = static_cast<unsigned char *>(buffer);
        if (ok && op == kOpGetStreamData && spoil != Spoil::kNone && size >= 20) {
            const quint32 imageOffset = qFromLittleEndian<quint32>(bytes + 16);
            if (spoil == Spoil::kImageOffset28)
                qToLittleEndian<quint32>(28, bytes + 16);
            else if (imageOffset < size)
                std::memset(bytes + imageOffset, 0, size - imageOffset);
            spoil = Spoil::kNone;
        }
        return ok;
    }

    QVector<int> stages;
    QVector<quint32> lastParams;
    Spoil spoil = Spoil::kNone;
};

struct Rig {
    explicit Rig(int product = kProduct)
        : camera(std::make_shared<Camera>(product))
    {
        camera->setTimeScale(0.01);
        access = std::make_unique<Access>(camera);
        access->checkDeviceAvailable();
        opened = access->openConnection(Access::kVendorId, product, access->deviceId());
        model = std::make_unique<Model>(access.get());
        QObject::connect(model.get(), &Model::signalLiveViewMode, [this](int mode) { modes << mode; });
    }
    ~Rig()
    {
        model.reset();
        access->closeConnection();
    }
    LiveView *liveView() const { return camera->component<LiveView>(); }
    quint64 fetches() const { return camera->transactionCountsByOperation().value(kOpGetStreamData); }
    bool waitForMode(int mode) { return QTest::qWaitFor([&]() { return modes.contains(mode); }, kWaitMs); }

    std::shared_ptr<Camera> camera;
    std::unique_ptr<Access> access;
    std::unique_ptr<Model> model;
    QVector<int> modes;
    bool opened = false;
};

using Action = std::function<void(Rig &)>;

} // namespace

Q_DECLARE_METATYPE(Action)

class tst_liveview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void streamFollowsTheModeTheCameraReports_data();
    void streamFollowsTheModeTheCameraReports();
    void framesCarryTheirSideInformation();
    void openWindowPacesTheFetchesByConsumption();
    void pumpHandsEachFrameOnOnce();
    void brokenFrameDoesNotStopTheStream_data();
    void brokenFrameDoesNotStopTheStream();
    void crossPositionMapsIntoTheReportedArea_data();
    void crossPositionMapsIntoTheReportedArea();
    void endOfGreyCardRestoresThePreviousLiveView_data();
    void endOfGreyCardRestoresThePreviousLiveView();
    void autoFocusFollowsTheFocusMode_data();
    void autoFocusFollowsTheFocusMode();
    void controllerLooksForAStreamAndPassesThePacing();
    void analysisStageGoesAheadOfEachFrame();
};

void tst_liveview::streamFollowsTheModeTheCameraReports_data()
{
    QTest::addColumn<Action>("start");
    QTest::addColumn<Action>("stop");
    QTest::addColumn<int>("mode");
    QTest::newRow("photo") << Action([](Rig &r) { r.model->setLiveViewPhoto(true); })
                           << Action([](Rig &r) { r.model->setLiveViewPhoto(false); }) << int(kModePhoto);
    QTest::newRow("video") << Action([](Rig &r) { r.model->setLiveViewVideo(true); })
                           << Action([](Rig &r) { r.model->setLiveViewVideo(false); }) << int(kModeVideo);
    QTest::newRow("grey card") << Action([](Rig &r) {
        r.model->setLiveViewPhoto(true);
        QVERIFY(r.waitForMode(kModePhoto));
        r.model->setLiveViewGCPipActive(true);
    }) << Action([](Rig &r) { r.access->releaseCam(kLiveViewOff, 0); }) << int(kModeGreyCard);
    // Started by the camera itself: the model learns of it from the mode only.
    QTest::newRow("recording") << Action([](Rig &r) { r.access->releaseCam(kVideoStart); })
                               << Action([](Rig &r) { r.access->releaseCam(kVideoStop); }) << int(kModeRecording);
}

void tst_liveview::streamFollowsTheModeTheCameraReports()
{
    QFETCH(Action, start);
    QFETCH(Action, stop);
    QFETCH(int, mode);
    Rig rig;
    QVERIFY(rig.opened);
    QSignalSpy frames(rig.model.get(), &Model::signalLiveView);
    QSignalSpy noLiveView(rig.model.get(), &Model::signalNoLiveView);
    start(rig);
    QVERIFY(rig.waitForMode(mode));
    QVERIFY(frames.count() > 0 || frames.wait(kWaitMs));
    QCOMPARE(rig.model->videoRecording(), mode == kModeRecording);

    rig.modes.clear();
    stop(rig);
    QVERIFY(rig.waitForMode(kModeNone));
    QTRY_VERIFY_WITH_TIMEOUT(noLiveView.count() > 0, kWaitMs);
    QVERIFY(!rig.model->isLiveViewStreamingPrepared());
    QVERIFY(!rig.model->videoRecording());
}

void tst_liveview::framesCarryTheirSideInformation()
{
    Rig rig;
    QVERIFY(rig.opened);
    QSignalSpy frames(rig.model.get(), &Model::signalLiveView);
    QSignalSpy iso(rig.model.get(), &Model::signalLiveSensitivity);
    QSignalSpy audio(rig.model.get(), &Model::signalLiveAudioLevel);
    QSignalSpy timeCode(rig.model.get(), &Model::signalLiveTimeCode);
    QSignalSpy zoomInfo(rig.model.get(), &Model::signalLiveZoomInfo);
    QSignalSpy zoomRect(rig.model.get(), &Model::signalLiveZoomRect);
    rig.liveView()->setLiveExposure(1600, 2000);
    rig.model->setLiveViewVideo(true); // the microphone is live in video modes only
    QVERIFY(frames.wait(kWaitMs));
    QCOMPARE(rig.model->liveViewFramePeriod(), 33); // 30 frames per second

    QVERIFY(!frames.first().first().value<QImage>().isNull());
    for (QSignalSpy *side : {&iso, &audio, &timeCode, &zoomInfo, &zoomRect})
        QCOMPARE(side->count(), frames.count());
    QCOMPARE(iso.first().first().toInt(), 1600);
    for (const QVariant &level : audio.first())
        QVERIFY(level.toDouble() >= 0.0 && level.toDouble() <= 1.0);
    QVERIFY(timeCode.first().at(3).toInt() < 30);
    // Whole picture: the source area is the active area, the cross in its middle.
    QCOMPARE(zoomInfo.first().mid(1), (QList<QVariant>{0, 0.5, 0.5}));
    const LiveView::Area outer = LiveView::kOuterBounds;
    const LiveView::Area area = LiveView::kActiveArea;
    QCOMPARE(zoomRect.first(), (QList<QVariant>{double(area.x) / outer.width, double(area.y) / outer.height,
                                                double(area.width) / outer.width,
                                                double(area.height) / outer.height}));
}

void tst_liveview::openWindowPacesTheFetchesByConsumption()
{
    Rig rig;
    QVERIFY(rig.opened);
    QSignalSpy frames(rig.model.get(), &Model::signalLiveView);
    rig.model->setWaitLiveViewConsumed(true);
    rig.model->setLiveViewPhoto(true);
    QVERIFY(frames.wait(kWaitMs));
    QVERIFY(!frames.wait(kQuietMs));
    QCOMPARE(rig.fetches(), quint64(1));

    // One consumption, one fetch; a repeated notification starts no second one.
    rig.model->catchLiveViewConsumed();
    rig.model->catchLiveViewConsumed();
    QVERIFY(frames.wait(kWaitMs));
    QVERIFY(!frames.wait(kQuietMs));
    QCOMPARE(rig.fetches(), quint64(2));

    // A window closing before it consumed its frame leaves the stream running.
    rig.model->setWaitLiveViewConsumed(false);
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 5, kWaitMs);
}

// The pump alone: each decoded frame reaches the sink once, and the next is
// fetched only once the one before was consumed.
void tst_liveview::pumpHandsEachFrameOnOnce()
{
    Rig rig;
    QVERIFY(rig.opened);
    rig.model.reset(); // its own pump would fetch as well
    TVK_Logic_LiveViewPump pump(rig.access.get());
    QVector<TVK_Logic_LiveViewPump::Frame> frames;
    pump.setFrameSink([&frames](const TVK_Logic_LiveViewPump::Frame &frame) { frames << frame; });
    pump.setWaitConsumed(true);
    rig.liveView()->setLiveExposure(800, 2000);
    QVERIFY(rig.access->releaseCam(17, 0));
    pump.checkIfActive("test");
    for (int fetched = 1; fetched <= 2; ++fetched) {
        QVERIFY(QTest::qWaitFor([&]() { return frames.size() >= fetched; }, kWaitMs));
        QTest::qWait(kQuietMs);
        QCOMPARE(frames.size(), fetched);
        QCOMPARE(rig.fetches(), quint64(fetched));
        pump.consumed();
        pump.consumed();
    }
    QVERIFY(!frames.last().image.isNull());
    QCOMPARE(frames.last().info.iso, 800u);
    pump.finish();
}

void tst_liveview::brokenFrameDoesNotStopTheStream_data()
{
    QTest::addColumn<Action>("breakFrame");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("fetch fails") << Action([](Rig &r) { r.camera->failNextOperation(kOpGetStreamData, 0x2002); })
                                 << QString("getStreamData failed!");
    QTest::newRow("image offset 28") << Action([](Rig &r) { r.access->spoil = Access::Spoil::kImageOffset28; })
                                     << QString("error in stream data!");
    QTest::newRow("no picture") << Action([](Rig &r) { r.access->spoil = Access::Spoil::kNoPicture; })
                                << QString("cannot decode live view image");
}

void tst_liveview::brokenFrameDoesNotStopTheStream()
{
    QFETCH(Action, breakFrame);
    QFETCH(QString, logLine);
    Rig rig;
    QVERIFY(rig.opened);
    QSignalSpy frames(rig.model.get(), &Model::signalLiveView);
    rig.model->setWaitLiveViewConsumed(true);
    rig.model->setLiveViewPhoto(true);
    QVERIFY(frames.wait(kWaitMs));

    TVK_Test_LogCapture log;
    breakFrame(rig);
    rig.model->catchLiveViewConsumed();
    // Nobody consumes the broken frame; the fetch after it comes all the same.
    QVERIFY(frames.wait(kWaitMs));
    QCOMPARE(rig.fetches(), quint64(3));
    QVERIFY(!frames.last().first().value<QImage>().isNull());
    QVERIFY2(!log.matching(logLine).isEmpty(), qPrintable(log.lines().join('\n')));
}

void tst_liveview::crossPositionMapsIntoTheReportedArea_data()
{
    QTest::addColumn<bool>("global");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<quint32>("crossX");
    QTest::addColumn<quint32>("crossY");
    const LiveView::Area area = LiveView::kActiveArea;
    QTest::newRow("picture") << false << 0.25 << 0.75 << area.x + 1500 << area.y + 3000;
    // 0.0001 * 6000 = 0.6 rounds up, 0.00005 * 4000 = 0.2 down.
    QTest::newRow("rounded") << false << 0.0001 << 0.00005 << area.x + 1 << area.y;
    QTest::newRow("left of it") << false << -0.5 << 0.5 << area.x << area.y + 2000;
    QTest::newRow("no number") << false << std::nan("") << 0.5 << area.x << area.y + 2000;
    QTest::newRow("sensor") << true << 0.25 << 0.75 << LiveView::kOuterBounds.x + 1512
                            << LiveView::kOuterBounds.y + 3024;
}

void tst_liveview::crossPositionMapsIntoTheReportedArea()
{
    QFETCH(bool, global);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(quint32, crossX);
    QFETCH(quint32, crossY);
    Rig rig;
    QVERIFY(rig.opened);
    {
        // Before the first frame there is no geometry to map into.
        TVK_Test_LogCapture log;
        rig.model->setLiveViewCrossPos(x, y);
        rig.model->setLiveViewCrossPosGlobal(x, y);
        QVERIFY(rig.access->stages.isEmpty());
        QCOMPARE(log.matching("- no zoom info").size(), 2);
    }
    QSignalSpy frames(rig.model.get(), &Model::signalLiveView);
    rig.model->setLiveViewPhoto(true);
    QVERIFY(frames.wait(kWaitMs));
    rig.access->stages.clear();
    if (global)
        rig.model->setLiveViewCrossPosGlobal(x, y);
    else
        rig.model->setLiveViewCrossPos(x, y);
    QCOMPARE(rig.access->stages, (QVector<int>{kAFOff, kCross}));
    QCOMPARE(rig.access->lastParams, (QVector<quint32>{crossX, crossY}));
    QCOMPARE(rig.liveView()->crossX(), crossX);
    QCOMPARE(rig.liveView()->crossY(), crossY);
}

void tst_liveview::endOfGreyCardRestoresThePreviousLiveView_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("save");
    QTest::newRow("photo, cancelled") << int(kModePhoto) << false;
    QTest::newRow("photo, saved") << int(kModePhoto) << true;
    QTest::newRow("video, cancelled") << int(kModeVideo) << false;
    QTest::newRow("video, saved") << int(kModeVideo) << true;
}

void tst_liveview::endOfGreyCardRestoresThePreviousLiveView()
{
    QFETCH(int, kind);
    QFETCH(bool, save);
    Rig rig;
    QVERIFY(rig.opened);
    QSignalSpy otherOff(rig.model.get(), kind == kModePhoto ? &Model::signalLiveViewVideo : &Model::signalLiveViewPhoto);
    kind == kModePhoto ? rig.model->setLiveViewPhoto(true) : rig.model->setLiveViewVideo(true);
    QVERIFY(rig.waitForMode(kind));
    rig.model->setLiveViewGCPipActive(true);
    QVERIFY(rig.waitForMode(kModeGreyCard));
    rig.model->doLiveViewGCPipPreview();
    otherOff.clear();
    rig.modes.clear();

    save ? rig.model->doLiveViewGCPipSave() : rig.model->setLiveViewGCPipActive(false);
    QTRY_COMPARE_WITH_TIMEOUT(rig.modes, (QVector<int>{kModeNone, kind}), kWaitMs);
    QCOMPARE(rig.liveView()->mode(), kind);
    QCOMPARE(rig.liveView()->whiteBalanceMeasured(), save);
    QCOMPARE(otherOff.count(), 1);
    QCOMPARE(otherOff.first().first().toBool(), false);
}

void tst_liveview::autoFocusFollowsTheFocusMode_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("focusMode");
    QTest::addColumn<Action>("command");
    QTest::addColumn<QVector<int>>("stages");
    const Action exec = [](Rig &r) { r.model->doLiveViewAFExec(); };
    const Action pressed = [](Rig &r) { r.model->doLiveViewAFPressed(); };
    const Action released = [](Rig &r) { r.model->doLiveViewAFReleased(); };
    const int single = kVXFocusModeSingleAF;
    const int manual = kVXFocusModeManual;
    const int onRelease = 0x2031; // focuses on the release of the button only
    QTest::newRow("exec, single") << kProduct << single << exec << QVector<int>{kAFOff, kAFOn};
    QTest::newRow("exec, continuous") << kProduct << int(kVXFocusModeContinuousAF) << exec
                                      << QVector<int>{kAFOff, kAFOn};
    QTest::newRow("exec, manual") << kProduct << manual << exec << QVector<int>{kAFOff, kAFOn, kAFOff};
    QTest::newRow("pressed, single") << kProduct << single << pressed << QVector<int>{kAFOn};
    QTest::newRow("pressed, manual") << kProduct << manual << pressed << QVector<int>{kAFOn, kAFOff};
    QTest::newRow("released, single") << kProduct << single << released << QVector<int>{kAFOff};
    QTest::newRow("released, manual") << kProduct << manual << released << QVector<int>{};
    QTest::newRow("on release, pressed") << onRelease << single << pressed << QVector<int>{};
    QTest::newRow("on release, released") << onRelease << single << released << QVector<int>{kAFOff, kAFOn};
}

void tst_liveview::autoFocusFollowsTheFocusMode()
{
    QFETCH(int, product);
    QFETCH(int, focusMode);
    QFETCH(Action, command);
    QFETCH(QVector<int>, stages);
    Rig rig(product);
    QVERIFY(rig.opened);
    rig.model->setFocusMode(eVXFocusMode(focusMode));
    rig.access->stages.clear();
    rig.access->writes.clear();

    command(rig);
    QCOMPARE(rig.access->stages, stages);
    // Manual focus is single autofocus for the moment of focusing only.
    QVector<qint64> focusWrites;
    for (const Access::Write &write : qAsConst(rig.access->writes)) {
        if (write.code == TVK_Commu_Prop::kFocusMode)
            focusWrites << write.value;
    }
    const bool once = focusMode == kVXFocusModeManual && stages.contains(kAFOn);
    QCOMPARE(focusWrites, once ? (QVector<qint64>{kVXFocusModeSingleAF, kVXFocusModeManual}) : QVector<qint64>());
    QCOMPARE(rig.model->focusMode(), focusMode);
}

void tst_liveview::controllerLooksForAStreamAndPassesThePacing()
{
    auto camera = std::make_shared<Camera>(kProduct);
    camera->setTimeScale(0.01);
    // Streaming before the host connects: only the look when the window opens finds it.
    QCOMPARE(camera->transact(kOpRelease, {17, 0}, TVK_Emulator_Transaction::kLENoData).responseCode, 0x2001);
    Access *access = nullptr;
    TVK_Commu_CameraAccessFactory::setCreator(1, [&access, camera]() { return access = new Access(camera); });
    auto controller = std::make_unique<TVK_Logic_Controller>();
    TVK_Logic_Controller &c = *controller;
    QVERIFY(QTest::qWaitFor([&c]() { return c.camera() != nullptr; }, kWaitMs));
    QSignalSpy frames(&c, &TVK_Logic_Controller::signalLiveView);
    QVERIFY(!c.camera()->isLiveViewStreamingPrepared());
    c.catchLiveViewGUIOpened();
    c.catchCameraGUIOpened();
    QVERIFY(frames.wait(kWaitMs));
    QVERIFY(!frames.wait(kQuietMs));
    c.catchLiveViewConsumed();
    QVERIFY(frames.wait(kWaitMs));

    // The pipette measures at the cross: it moves there, then previews.
    c.setLiveViewGCPipActive(true);
    access->stages.clear();
    c.setLiveViewGCPipPos(0.25, 0.75);
    QCOMPARE(access->stages, (QVector<int>{kAFOff, kCross, kGrey}));
    QCOMPARE(access->lastParams, QVector<quint32>{1});

    c.catchLiveViewGUIClosed();
    const int before = frames.count();
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= before + 3, kWaitMs);
    controller.reset();
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
}

// A stage laid in before the camera connects reaches it; each result comes
// just ahead of the frame it was made from, and an empty stage stops them.
void tst_liveview::analysisStageGoesAheadOfEachFrame()
{
    auto camera = std::make_shared<Camera>(kProduct);
    camera->setTimeScale(0.01);
    QCOMPARE(camera->transact(kOpRelease, {17, 0}, TVK_Emulator_Transaction::kLENoData).responseCode, 0x2001);
    TVK_Commu_CameraAccessFactory::setCreator(1, [camera]() { return new Access(camera); });
    auto controller = std::make_unique<TVK_Logic_Controller>();
    TVK_Logic_Controller &c = *controller;
    int analysed = 0;
    c.setLiveViewAnalysis([&analysed](const QImage &frame) {
        ++analysed;
        return QVariant(frame.cacheKey());
    });
    // Keys of results and frames as they come, a frame's key negated.
    QVector<qint64> order;
    connect(&c, &TVK_Logic_Controller::signalLiveViewAnalysis, this,
            [&order](const QVariant &result) { order << result.toLongLong(); });
    connect(&c, &TVK_Logic_Controller::signalLiveView, this,
            [&order](const QImage &frame) { order << -frame.cacheKey(); });
    QVERIFY(QTest::qWaitFor([&c]() { return c.camera() != nullptr; }, kWaitMs));
    c.catchLiveViewGUIOpened();
    c.catchCameraGUIOpened();
    for (int frames = 1; frames <= 3; ++frames) {
        QVERIFY(QTest::qWaitFor([&]() { return order.size() >= 2 * frames; }, kWaitMs));
        c.catchLiveViewConsumed();
    }
    QVERIFY(order.size() >= 6);
    for (int i = 0; i + 1 < 6; i += 2) {
        QVERIFY(order.at(i) > 0);
        QCOMPARE(order.at(i + 1), -order.at(i));
    }

    c.setLiveViewAnalysis({});
    const int before = analysed;
    order.clear();
    c.catchLiveViewConsumed();
    QVERIFY(QTest::qWaitFor([&]() { return !order.isEmpty(); }, kWaitMs));
    QCOMPARE(analysed, before);
    QVERIFY(std::all_of(order.cbegin(), order.cend(), [](qint64 key) { return key < 0; }));
    c.catchLiveViewGUIClosed();
    controller.reset();
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
}

QTEST_GUILESS_MAIN(tst_liveview)
#include "tst_liveview.moc"
