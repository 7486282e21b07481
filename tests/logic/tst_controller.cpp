#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Commu_CameraAccess_Dummy.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_VendorRecords.h"
#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_ConverterSet.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"
#include "TVK_Test_TracingAccess.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <functional>
#include <memory>

using Camera = TVK_Emulator_Camera;
using Controller = TVK_Logic_Controller;
using Model = TVK_Logic_Camera;
using Record = TVK_Emulator_SettingsRecord;
using Recorder = TVK_Test_SignalRecorder;
using Profile = TVK_Emulator_Profile;

using Prepare = std::function<void(Camera &)>;
using CameraValue = std::function<qint64(Camera &)>;
using Call = std::function<void(Controller &)>;
using TextSetter = std::function<void(Controller &, const QString &)>;
using Offered = std::function<bool(Model &)>;

Q_DECLARE_METATYPE(Prepare)
Q_DECLARE_METATYPE(CameraValue)
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(TextSetter)
Q_DECLARE_METATYPE(Offered)

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 10000;
constexpr int kSimulatedProduct = 0x2031;
constexpr int kOpSetDevicePropValue = 0x1016;
constexpr int kOpSetCameraSettings = 0x9001;
constexpr int kRespGeneralError = 0x2002;

constexpr int kPropBatteryLevel = 0x5001;
constexpr int kPropStillCaptureMode = 0x5013;
constexpr int kPropWhiteBalance = 0x5005;
constexpr int kPropBracketingEnabled = 0xD005;
constexpr int kPropBracketingFrames = 0xD006;
constexpr int kPropStorageType = 0xD018;
constexpr int kPropMicrophoneVolume = 0xD123;
constexpr int kPropExposureStep = 0xD040;

bool isG3(int product)
{
    return product == 0x2041 || product == 0x2044 || product == 0x2047;
}

// The emulated USB access, counting the connections the controller opens.
class CountingAccess : public TVK_Test_TracingAccess
{
public:
    using TVK_Test_TracingAccess::TVK_Test_TracingAccess;
    bool openConnection(quint64 cameraId, int productId, QString deviceIdentifier) override
    {
        ++opens;
        return TVK_Test_TracingAccess::openConnection(cameraId, productId, deviceIdentifier);
    }
    int opens = 0;
};

// The simulated camera, counting the same.
class CountingDummy : public TVK_Commu_CameraAccess_Dummy
{
public:
    bool openConnection(quint64 cameraId, int productId, QString deviceIdentifier) override
    {
        ++opens;
        return TVK_Commu_CameraAccess_Dummy::openConnection(cameraId, productId, deviceIdentifier);
    }
    int opens = 0;
};

// A controller whose USB slot holds an emulated camera of one product, the
// simulated camera (product 0) or nothing (product -1), with every signal of
// the controller recorded. The controller goes first, taking its access with
// it, then the recorder; the camera goes last.
class Rig
{
public:
    explicit Rig(int product, const Prepare &prepare = {})
    {
        if (product > 0) {
            camera = std::make_shared<Camera>(product);
            camera->setTimeScale(0.01);
            if (prepare)
                prepare(*camera);
            std::shared_ptr<Camera> body = camera;
            TVK_Commu_CameraAccessFactory::setCreator(1, [this, body]() {
                access = new CountingAccess(body);
                return access;
            });
        } else if (product == 0) {
            TVK_Commu_CameraAccessFactory::setCreator(1, [this]() {
                dummy = new CountingDummy;
                return dummy;
            });
        } else {
            TVK_Commu_CameraAccessFactory::setCreator(1, {});
        }
        controller = std::make_unique<Controller>();
        recorder = std::make_unique<Recorder>(controller.get());
    }
    ~Rig()
    {
        controller.reset();
        recorder.reset();
        TVK_Commu_CameraAccessFactory::setCreator(1, {});
        camera.reset();
    }

    bool connected(int times = 1) const
    {
        return QTest::qWaitFor([this, times]() { return recorder->count("signalCameraConnected") >= times; },
                               kWaitMs);
    }
    Model *model() const { return controller->camera(); }
    Record *record() const { return camera->component<Record>(); }
    TVK_Emulator_PropertyStore *store() const { return camera->properties(); }
    int writeOperation() const { return record() != nullptr ? kOpSetCameraSettings : kOpSetDevicePropValue; }

    // Returns once everything the camera reported before has reached the
    // controller: the body's battery changes, and its signal comes through
    // behind whatever was queued.
    bool settle()
    {
        m_battery = m_battery == 30 ? 60 : 30;
        const int before = recorder->count("signalBatteryLevelIntern");
        if (Record *settings = record())
            settings->setField(Record::kLEBatteryInternal, m_battery);
        else
            store()->setValue(kPropBatteryLevel, m_battery);
        return QTest::qWaitFor(
            [this, before]() { return recorder->count("signalBatteryLevelIntern") > before; }, kWaitMs);
    }

    std::shared_ptr<Camera> camera;
    CountingAccess *access = nullptr; // owned by the controller
    CountingDummy *dummy = nullptr;   // owned by the controller
    std::unique_ptr<Controller> controller;
    std::unique_ptr<Recorder> recorder;

private:
    int m_battery = 60;
};

QString text(const QVariantList &args)
{
    return args.value(0).toString();
}

QStringList textsOf(const Recorder &recorder, const QString &key)
{
    QStringList texts;
    for (const Recorder::Entry &entry : recorder.entries(key))
        texts << entry.args.value(0).toString();
    return texts;
}

// --- The publication when the camera window opens ------------------------------------

// Signals the camera model hands through unchanged; they may come at any time
// and are no part of the publication.
const QSet<QString> &passedThrough()
{
    static const QSet<QString> names{
        "signalIsAlive",        "signalLoading",       "signalRemainingToLoad", "signalLiveAudioLevel",
        "signalLiveTimeCode",   "signalLiveZoomInfo",  "signalLiveZoomRect",    "signalLiveViewPhoto",
        "signalLiveViewVideo",  "signalLiveView",      "signalNoLiveView",      "signalQuickView",
        "signalNoQuickView",    "signalImageDBChangeBegin", "signalImageDBChangeEnd", "signalObjectDeleted",
        "signal3DAxisAngles"};
    return names;
}

// What was published, without the handed-through signals. Looking for a live
// view may report the camera's live-view mode right after the panel's reset
// to 0; that second report is folded into the first.
QStringList publication(const Recorder &recorder)
{
    QStringList list;
    for (const Recorder::Entry &entry : recorder.entries()) {
        if (passedThrough().contains(QString::fromLatin1(entry.name)))
            continue;
        const QString signature = QString::fromLatin1(entry.signature);
        if (signature == "signalLiveViewMode(int)" && !list.isEmpty() && list.last() == signature)
            continue;
        list << signature;
    }
    return list;
}

// 1/40000 s with the electronic shutter on (1/16000 s in the fastest series),
// 1/8000 s without it on the bodies that have one, 1/4000 s on all others.
QString shortestShutterTime(Model &c, int product)
{
    if (!isG3(product))
        return QStringLiteral("1/4000s");
    if (c.hasElectronicShutter() && c.electronicShutter() == 1)
        return c.driveMode() == 9 ? QStringLiteral("1/16000s") : QStringLiteral("1/40000s");
    return QStringLiteral("1/8000s");
}

bool shutterTimeStepIsLegal(Model &c)
{
    if (c.hasExposCompensStep()) {
        const int step = c.exposCompensStep();
        return step == 333 || step == 500 || step == 1000;
    }
    if (c.hasAperture()) {
        const int steps = c.apertureSteps();
        return steps >= 1 && steps <= 3;
    }
    return true;
}

// The signals the camera window must receive, in their order, for what the
// camera offers.
QStringList expectedPublication(Model &c, int product)
{
    QStringList s;
    const auto has = [&s](const char *thing, bool offered) {
        s << QStringLiteral("signalHas%1(bool)").arg(QLatin1String(thing));
        return offered;
    };
    const auto family = [&s, &has](const char *thing, bool offered, const QStringList &before = {}) {
        if (has(thing, offered)) {
            s << QStringLiteral("signal%1List(QStringList)").arg(QLatin1String(thing)) << before
              << QStringLiteral("signal%1(QString)").arg(QLatin1String(thing));
        }
    };
    const QStringList driveMode{"signalDriveMode(int)", "signalDriveMode(QString)"};
    const bool shutterList = shutterTimeStepIsLegal(c);

    // Identity and status.
    s << "signalCameraSerialNumber(QString)" << "signalLensTypeString(QString)" << "signalBatteryInfo(int)"
      << "signalBatteryLevelIntern(int)" << "signalBatteryLevelExtern(int)";
    if (has("LensConnectionType", c.hasLensConnectionType()))
        s << "signalLensConnectionType(int)";
    if (has("PowerSwitch", c.hasPowerSwitch()))
        s << "signalPowerSwitch(int)";
    s << "signalHasVideoRecording(bool)";
    if (has("LiveView", c.hasLiveView()))
        s << "signalLiveViewMode(int)";
    if (has("FlashStatus", c.hasFlashStatus()))
        s << "signalFlashStatus(int)";
    if (has("FlashXSymbol", c.hasFlashXSymbol()))
        s << "signalFlashXSymbol(bool)";
    s << "signalLightBalance(int)";
    if (has("KeyLock", c.hasKeyLock()))
        s << "signalKeyLock(bool)";

    // File format, its list first.
    s << "signalFileFormatList(QStringList)" << "signalFileFormat(int)" << "signalUseDngCompression(bool)"
      << "signalUseJpgColorSpace(bool)" << "signalUseJpgResolution(bool)" << "signalFileFormat(QString)";

    // Settings with a list: has, list, value.
    family("DngCompression", c.hasDngCompression());
    family("JpgColorSpace", c.hasJpgColorSpace());
    family("JpgResolution", c.hasJpgResolution());
    family("AutoreviewDuration", c.hasAutoreviewDuration());
    family("AutoPowerOff", c.hasAutoPowerOff());
    family("SensorFormat", c.hasSensorFormat());
    family("PhotoAspectRatio", c.hasPhotoAspectRatio());
    family("VideoFileFormat", c.hasVideoFileFormat());
    family("VideoResAndFrRate", c.hasVideoResAndFrRate());
    family("VideoFormatResol", c.hasVideoFormatResol());
    family("Contrast", c.hasContrast());
    family("Sharpness", c.hasSharpness());
    family("Saturation", c.hasSaturation());
    family("Monochrome", c.hasMonochrome());
    family("Orientation", c.hasOrientation(), {"signalOrientation(int)"});
    family("AudioLevel", c.hasAudioLevel(), {"signalAudioLevelIsManual(bool)"});

    // Audio.
    if (has("AudioWindElim", c.hasAudioWindElim()))
        s << "signalAudioWindElim(bool)";
    if (has("AudioVolSpeaker", c.hasAudioVolSpeaker()))
        s << "signalAudioVolSpeaker(int)";
    if (has("AudioVolHeadphone", c.hasAudioVolHeadphone()))
        s << "signalAudioVolHeadphone(int)";
    if (has("AudioVolMicrophone", c.hasAudioVolMicrophone())) {
        s << "signalAudioVolMicrophone(int)";
        if (product == 0x2031 || product == 0x2033 || isG3(product))
            s << "signalAudioVolMicrophone(double)";
    }

    if (c.hasExposCompensStep())
        s << "signalExposCompensStep(int)";
    if (has("ExposureSimulation", c.hasExposureSimulation()))
        s << "signalExposureSimulationList(QVector<int>)" << "signalExposureSimulation(bool)"
          << "signalExposureSimulation(int)";

    // Folders and file names.
    s << "signalDngPath(QString)" << "signalJpgPath(QString)" << "signalPictureName(QString)"
      << "signalPictureIndex(int)" << "signalPictureExample(QString)";

    // All remaining lists before any of their values.
    const bool whiteBalance = has("WhiteBalance", c.hasWhiteBalance());
    s << "signalDriveModeList(QStringList)" << "signalExposMeteringList(QStringList)"
      << "signalExposCompensList(QStringList)" << "signalBracketImgNumList(QStringList)"
      << "signalBracketDeltaEVList(QStringList)" << "signalIntervalFramesRange(int,int)"
      << "signalIntervalFramesList(QStringList)" << "signalIntervalTimeRange(int,int)"
      << "signalIntervalTimeList(QStringList)" << "signalSensitivityList(QStringList)";
    if (whiteBalance)
        s << "signalWhiteBalanceList(QStringList)" << "signalWhiteBalTempList(QStringList)";
    if (shutterList)
        s << "signalShutterTimeList(QStringList)";

    // The lens: aperture list and focus range.
    if (c.hasAperture())
        s << "signalApertureList(QStringList)";
    if (c.hasFocusDistance())
        s << "signalFocusMaxDistance(QString)" << "signalFocusMinDistance(QString)";
    s << "signalFocusIsUnitFeet(bool)";

    // Values.
    s << driveMode;
    if (has("FocusMode", c.hasFocusMode()))
        s << "signalFocusMode(int)";
    s << "signalExposMetering(int)" << "signalExposMetering(QString)" << "signalExposCompens(int)"
      << "signalExposCompens(QString)" << "signalBracketEnabled(bool)" << driveMode
      << "signalBracketImgNum(QString)" << "signalBracketDeltaEV(QString)";
    s << "signalIntervalFrames(int)" << "signalIntervalFrames(QString)" << "signalIntervalTime(int)"
      << "signalIntervalTime(QString)";
    if (has("AutoFocusLimit", c.hasAutoFocusLimit())) {
        s << "signalAutoFocusLimit(bool)";
        if (c.hasFocusDistance())
            s << "signalAutoFocusLimitDist(QString)";
    }
    if (has("MirrorUpMode", c.hasMirrorUpMode()))
        s << "signalMirrorUpMode(bool)";
    s << "signalSensitivityAuto(bool)" << "signalSensitivity(int)" << "signalSensitivity(QString)";
    if (shutterList)
        s << "signalShutterTimeList(QStringList)";
    s << "signalShutterTime(QString)";
    if (whiteBalance)
        s << "signalWhiteBalance(int)" << "signalWhiteBalance(QString)" << "signalIsWhiteBalTemp(bool)"
          << "signalWhiteBalTemp(QString)";
    if (isG3(product))
        s << "signalExposureModeList(QStringList)";

    // Exposure mode before aperture before shutter time, focus last.
    s << "signalExposureMode(int)";
    if (has("Aperture", c.hasAperture()))
        s << "signalAperture(QString)";
    s << "signalShutterTime(QString)";
    if (has("FocusDistance", c.hasFocusDistance()))
        s << "signalFocusDistance(QString)";
    if (has("FocusConfirmation", c.hasFocusConfirmation())) {
        if (c.focusConfirmationEnabled())
            s << "signalFocusConfirmBadSig(bool)" << "signalFocusConfirmation(int)";
        else
            s << "signalNoFocusConfirmation()";
    }
    return s;
}

// The first place where two lists part, for a readable failure.
QString firstDifference(const QStringList &actual, const QStringList &expected)
{
    for (int i = 0; i < qMax(actual.size(), expected.size()); ++i) {
        if (actual.value(i) != expected.value(i)) {
            return QStringLiteral("at %1: got %2, expected %3 (got %4 signals, expected %5)")
                .arg(i)
                .arg(actual.value(i, "<end>"), expected.value(i, "<end>"))
                .arg(actual.size())
                .arg(expected.size());
        }
    }
    return QString();
}

const QStringList kFiveFileFormats{"DNG", "DNG + JPG (fine)", "DNG + JPG (basic)", "JPG (fine)", "JPG (basic)"};
const QStringList kThreeFileFormats{"DNG", "DNG + JPG", "JPG"};
const QStringList kDriveModes{"Single", "Continuous", "Interval", "Self Timer 2s", "Self Timer 12s", "Bracketing"};
const QStringList kDriveModes2041{"Single",         "Continuous Low Speed", "Continuous Medium Speed",
                                  "Continuous High Speed", "Self Timer 2 s", "Self Timer 12 s",
                                  "Interval",       "Exposure Bracketing"};
const QStringList kDriveModes2044{"Single",
                                  "Continuous Low Speed",
                                  "Continuous Medium Speed",
                                  "Continuous High Speed",
                                  "Continuous Very High Speed",
                                  "Self Timer 2 s",
                                  "Self Timer 12 s",
                                  "Interval",
                                  "Exposure Bracketing"};
const QStringList kDriveModes2061{"Single", "Continuous", "Self Timer 2s", "Self Timer 12s", "Interval", "Bracketing"};
const QStringList kLowStandardHigh{"Low", "Standard", "High"};

} // namespace

class tst_Controller : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void publishesTheWholeStateInItsOrderWhenTheCameraWindowOpens_data();
    void publishesTheWholeStateInItsOrderWhenTheCameraWindowOpens();
    void apertureListRunsInHalfStopsBetweenTheLensLimits();
    void lensWithoutStepsGivesNoShutterTimeList();

    void textFromTheListReachesTheCameraAndIsNotEchoedBySetting_data();
    void textFromTheListReachesTheCameraAndIsNotEchoedBySetting();
    void refusedTextIsNeverEchoed_data();
    void refusedTextIsNeverEchoed();

    void intervalDriveModeIsTheControllersOwnWithoutInCameraInterval_data();
    void intervalDriveModeIsTheControllersOwnWithoutInCameraInterval();
    void bracketingDriveModeEnablesBracketingAndSendsSingle_data();
    void bracketingDriveModeEnablesBracketingAndSendsSingle();
    void bulbIsAnExposureModeAndAnyTimeLeavesIt_data();
    void bulbIsAnExposureModeAndAnyTimeLeavesIt();
    void microphoneFractionIsScaledPerProduct_data();
    void microphoneFractionIsScaledPerProduct();
    void whiteBalanceTenIsShownAsNineOnTheNewerBodies_data();
    void whiteBalanceTenIsShownAsNineOnTheNewerBodies();
    void slotPublishesExactlyThisAtOnce_data();
    void slotPublishesExactlyThisAtOnce();
    void cameraStepChangeRebuildsTheExposureLists();
    void removedLensLeavesNoApertureToChoose();
    void counterThatStopsIsClearedAfterTwoSeconds_data();
    void counterThatStopsIsClearedAfterTwoSeconds();
    void missingConverterIsLoggedAndOnlyRawSignalsGoOut_data();
    void missingConverterIsLoggedAndOnlyRawSignalsGoOut();
    void converterSetFollowsTheCameraAndEmptiesInItsOrder_data();
    void converterSetFollowsTheCameraAndEmptiesInItsOrder();
    void callsWithoutCameraAreLoggedAndChangeNothing_data();
    void callsWithoutCameraAreLoggedAndChangeNothing();
    void focusDistanceGoesToTheLensInTheShownUnit_data();
    void focusDistanceGoesToTheLensInTheShownUnit();
    void shutterTimeListFollowsTheCameraLimits();
    void queriesWithoutCameraSayNotConnected();
    void unitChangePublishesTheFocusTextsOnce();

    void unpluggedCameraDisconnectsAndPluggingInAgainReconnects_data();
    void unpluggedCameraDisconnectsAndPluggingInAgainReconnects();
    void closingTheCameraWindowRestoresTheCameraAndDisconnects_data();
    void closingTheCameraWindowRestoresTheCameraAndDisconnects();
    void simulatedCameraReconnectsByThePollAfterTheWindowCloses();
    void noCameraIsOpenedAgainOnceTheSearchStopped();
    void repeatedAnnouncementsWhileConnectedOpenNoSecondConnection();
    void connectionEventsWithoutCamera();
    void configuredWlanCameraIsPolledBesideTheUsbOne();

    void bracketingSeriesShowsLoadingOnceAtItsFirstPicture_data();
    void bracketingSeriesShowsLoadingOnceAtItsFirstPicture();
};

// --- 1. Connection and publication ------------------------------------------------------

void tst_Controller::publishesTheWholeStateInItsOrderWhenTheCameraWindowOpens_data()
{
    QTest::addColumn<int>("product"); // 0: the simulated camera
    QTest::addColumn<QStringList>("fileFormats");
    QTest::addColumn<QStringList>("driveModes");

    const auto driveModesOf = [](int product) {
        if (product == 0x2041)
            return kDriveModes2041;
        if (product == 0x2044 || product == 0x2047)
            return kDriveModes2044;
        if (product == 0x2061)
            return kDriveModes2061;
        return kDriveModes;
    };
    for (int product : Profile::knownProducts()) {
        const bool five = product == 0x2009 || product == 0x2011 || product == 0x2021;
        QTest::addRow("0x%04x", product) << product << (five ? kFiveFileFormats : kThreeFileFormats)
                                         << driveModesOf(product);
    }
    QTest::addRow("simulated") << 0 << kThreeFileFormats << kDriveModes;
}

void tst_Controller::publishesTheWholeStateInItsOrderWhenTheCameraWindowOpens()
{
    QFETCH(int, product);
    QFETCH(QStringList, fileFormats);
    QFETCH(QStringList, driveModes);

    Rig rig(product);
    QVERIFY(rig.connected());
    const int productId = product == 0 ? kSimulatedProduct : product;
    QCOMPARE(rig.recorder->count("signalCameraConnected"), 1);
    QCOMPARE(rig.controller->productId(), productId);
    const QString model = product == 0 ? QStringLiteral("Ardo2 Digital SLR Dummy")
                                       : Profile::forProduct(product)->model;
    QCOMPARE(rig.controller->productName(), model);
    Model &c = *rig.model();

    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    const Recorder &r = *rig.recorder;

    const QStringList actual = publication(r);
    const QStringList expected = expectedPublication(c, productId);
    QVERIFY2(actual == expected, qPrintable(firstDifference(actual, expected)));

    // Texts.
    QString serial = product == 0 ? QStringLiteral("0000000001200345") : Profile::forProduct(product)->serialNumber;
    serial.remove(QRegularExpression("^0*"));
    QCOMPARE(text(r.lastArgs("signalCameraSerialNumber")), serial);
    QCOMPARE(r.lastArgs("signalFileFormatList").value(0).toStringList(), fileFormats);
    QCOMPARE(r.lastArgs("signalDriveModeList").value(0).toStringList(), driveModes);
    QCOMPARE(r.lastArgs("signalSensitivityList").value(0).toStringList().value(0), QStringLiteral("Auto"));
    QCOMPARE(r.lastArgs("signalFocusIsUnitFeet").value(0).toBool(), false);
    if (c.hasContrast()) {
        QCOMPARE(r.lastArgs("signalContrastList").value(0).toStringList(), kLowStandardHigh);
        QCOMPARE(text(r.lastArgs("signalContrast")), kLowStandardHigh.value(c.contrast()));
    }
    if (c.hasExposureSimulation()) {
        const QVector<int> values = isG3(productId) ? QVector<int>{0, 2, 3} : QVector<int>{0, 1};
        QCOMPARE(r.lastArgs("signalExposureSimulationList").value(0).value<QVector<int>>(), values);
    }
    if (isG3(productId))
        QCOMPARE(r.lastArgs("signalExposureModeList").value(0).toStringList(), QStringList({"P", "M", "A", "S"}));

    // The shutter-time list: shortest first, the longest time, then bulb.
    if (shutterTimeStepIsLegal(c)) {
        QStringList times = r.lastArgs("signalShutterTimeList").value(0).toStringList();
        QVERIFY2(times.size() >= 2, qPrintable(times.join(' ')));
        QCOMPARE(times.last(), QStringLiteral("B"));
        TVK_Logic_APEXConverterShutterTime apex(productId);
        if (c.hasExposCompensStep())
            apex.setStepSize(c.exposCompensStep());
        QCOMPARE(times.at(times.size() - 2), apex.toString(c.maxShutterTime()));
        QCOMPARE(times.first(), shortestShutterTime(c, productId));
        times.removeLast();
        for (int i = 1; i < times.size(); ++i) {
            QVERIFY2(TVK_Logic_APEXConverterShutterTime::fromString(times.at(i - 1))
                         < TVK_Logic_APEXConverterShutterTime::fromString(times.at(i)),
                     qPrintable(times.join(' ')));
        }
    }

    // The aperture list: open value, strictly rising f-numbers, close value.
    if (c.hasAperture()) {
        const QStringList apertures = r.lastArgs("signalApertureList").value(0).toStringList();
        const QString current = text(r.lastArgs("signalAperture"));
        if (c.lens() != nullptr && c.lens()->isLensConnected() && apertures != QStringList{"--"}) {
            QCOMPARE(apertures.first(), TVK_Logic_APEXConverterAperture::toString(c.openApertureValue()));
            QCOMPARE(apertures.last(), TVK_Logic_APEXConverterAperture::toString(c.closeApertureValue()));
            for (int i = 0; i < apertures.size(); ++i) {
                QVERIFY2(apertures.at(i).startsWith("f "), qPrintable(apertures.join(',')));
                if (i > 0) {
                    QVERIFY2(TVK_Logic_APEXConverterAperture::fromString(apertures.at(i - 1))
                                 < TVK_Logic_APEXConverterAperture::fromString(apertures.at(i)),
                             qPrintable(apertures.join(',')));
                }
            }
            QVERIFY2(current.startsWith("f "), qPrintable(current));
        } else {
            QCOMPARE(apertures, QStringList{"--"});
        }
    }
}

void tst_Controller::apertureListRunsInHalfStopsBetweenTheLensLimits()
{
    // A body set to half stops with a lens from f 2 to f 22.
    Rig rig(0x2041, [](Camera &camera) {
        camera.properties()->setValue(kPropExposureStep, 500, false);
        auto *records = camera.component<TVK_Emulator_VendorRecords>();
        TVK_Emulator_VendorRecords::Lens lens = TVK_Emulator_VendorRecords::standardLens(0x2041);
        lens.openApertureCode = 512;   // Av 2: f 2
        lens.closeApertureCode = 2283; // Av 8.92: f 22
        lens.apertureSteps = 2;
        records->changeLens(lens);
    });
    QVERIFY(rig.connected());
    QCOMPARE(rig.model()->exposCompensStep(), 500);

    rig.recorder->clear();
    rig.controller->emitApertureList();
    QCOMPARE(rig.recorder->count("signalApertureList"), 1);
    const QStringList expected{"f 2",   "f 2.4", "f 2.8", "f 3.5", "f 4",  "f 4.8", "f 5.6", "f 6.8",
                               "f 8",   "f 9.5", "f 11",  "f 13",  "f 16", "f 19",  "f 22"};
    QCOMPARE(rig.recorder->lastArgs("signalApertureList").value(0).toStringList(), expected);

    // The same step gives the exposure compensation its half-step list.
    rig.recorder->clear();
    rig.controller->emitExposCompensList();
    QCOMPARE(rig.recorder->lastArgs("signalExposCompensList").value(0).toStringList().size(), 13);
}

void tst_Controller::lensWithoutStepsGivesNoShutterTimeList()
{
    // A body without exposure step, and a lens that names no aperture steps.
    Rig rig(0x2031, [](Camera &camera) {
        TVK_Emulator_VendorRecords::Lens lens = TVK_Emulator_VendorRecords::standardLens(0x2031);
        lens.apertureSteps = 0;
        camera.component<TVK_Emulator_VendorRecords>()->changeLens(lens);
    });
    QVERIFY(rig.connected());
    Model &c = *rig.model();
    QVERIFY(!c.hasExposCompensStep());
    QVERIFY(c.hasAperture());
    QCOMPARE(c.apertureSteps(), 0);

    TVK_Test_LogCapture log;
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    const QStringList actual = publication(*rig.recorder);
    const QStringList expected = expectedPublication(c, 0x2031);
    QVERIFY2(actual == expected, qPrintable(firstDifference(actual, expected)));
    QCOMPARE(rig.recorder->count("signalShutterTimeList"), 0);
    QCOMPARE(log.matching("TVK_Logic_Controller::emitShutterTimeList() - illegal shutter time step").size(), 2);
    QCOMPARE(rig.recorder->lastArgs("signalApertureList").value(0).toStringList(), QStringList{"--"});
}

// --- 2. Texts to the camera and back ----------------------------------------------------

namespace {

struct SettingRow {
    const char *name = "";
    int product = 0;
    TextSetter set;
    QString signal;
    QString listSignal;
    CameraValue read;
    QString firstText;
    qint64 firstValue = 0;
    QString secondText;
    qint64 secondValue = 0;
};

} // namespace

Q_DECLARE_METATYPE(SettingRow)

namespace {

// A rig whose camera window has just shown the row's setting; offered and
// shown (when given) receive the list and the text it showed.
bool openWithSetting(Rig &rig, const SettingRow &row, QStringList *offered, QString *shown)
{
    if (!rig.connected())
        return false;
    rig.controller->catchCameraGUIOpened();
    *offered = rig.recorder->lastArgs(row.listSignal).value(0).toStringList();
    if (shown != nullptr)
        *shown = text(rig.recorder->lastArgs(row.signal));
    return rig.settle();
}

CameraValue propertyValue(int code)
{
    return [code](Camera &camera) { return camera.properties()->value(code); };
}

CameraValue field(Record::eLEField which)
{
    return [which](Camera &camera) { return camera.component<Record>()->field(which); };
}

QVector<SettingRow> settingRows()
{
    return {
        {"contrast 0x2031", 0x2031, [](Controller &c, const QString &t) { c.setContrast(t); },
         "signalContrast(QString)", "signalContrastList", propertyValue(0x5014), "High", 2, "Low", 0},
        {"sharpness 0x2041", 0x2041, [](Controller &c, const QString &t) { c.setSharpness(t); },
         "signalSharpness(QString)", "signalSharpnessList", propertyValue(0x5015), "High", 2, "Low", 0},
        {"saturation 0x2061", 0x2061, [](Controller &c, const QString &t) { c.setSaturation(t); },
         "signalSaturation(QString)", "signalSaturationList", propertyValue(0xD016), "Low", 0, "High", 2},
        {"JPG resolution 0x2033", 0x2033, [](Controller &c, const QString &t) { c.setJpgResolution(t); },
         "signalJpgResolution(QString)", "signalJpgResolutionList", propertyValue(0xD00F), "4 MP", 8, "24 MP", 7},
        {"JPG resolution 0x2011", 0x2011, [](Controller &c, const QString &t) { c.setJpgResolution(t); },
         "signalJpgResolution(QString)", "signalJpgResolutionList", field(Record::kLEJpgResolution), "2.3 MP", 2,
         "9.3 MP", 1},
        {"auto power off 0x2009", 0x2009, [](Controller &c, const QString &t) { c.setAutoPowerOff(t); },
         "signalAutoPowerOff(QString)", "signalAutoPowerOffList", field(Record::kLEAutoPowerOff), "5 minutes", 2,
         "10 minutes", 3},
        {"JPG colour space 0x2009", 0x2009, [](Controller &c, const QString &t) { c.setJpgColorSpace(t); },
         "signalJpgColorSpace(QString)", "signalJpgColorSpaceList", field(Record::kLEJpgColourSpace), "Adobe RGB",
         1, "ECI-RGB 2.0", 2},
    };
}

} // namespace

void tst_Controller::textFromTheListReachesTheCameraAndIsNotEchoedBySetting_data()
{
    QTest::addColumn<SettingRow>("row");
    for (const SettingRow &row : settingRows())
        QTest::addRow("%s", row.name) << row;
}

void tst_Controller::textFromTheListReachesTheCameraAndIsNotEchoedBySetting()
{
    QFETCH(SettingRow, row);
    const QString &signal = row.signal;
    const CameraValue &read = row.read;

    Rig rig(row.product);
    QStringList offered;
    QVERIFY(openWithSetting(rig, row, &offered, nullptr));
    QVERIFY2(offered.contains(row.firstText) && offered.contains(row.secondText), qPrintable(offered.join(',')));

    // A text whose value the camera does not hold yet.
    const bool firstIsNew = read(*rig.camera) != row.firstValue;
    const QString chosen = firstIsNew ? row.firstText : row.secondText;
    const qint64 value = firstIsNew ? row.firstValue : row.secondValue;

    rig.recorder->clear();
    row.set(*rig.controller, chosen);
    QCOMPARE(rig.recorder->count(signal), 0); // the setter echoes nothing
    QTRY_COMPARE_WITH_TIMEOUT(read(*rig.camera), value, kWaitMs);
    QVERIFY(rig.settle());
    // The camera's confirmation, if it brings one, carries the chosen text.
    const QStringList shown = textsOf(*rig.recorder, signal);
    QVERIFY2(shown.size() <= 1 && shown.count(chosen) == shown.size(), qPrintable(shown.join(',')));

    // A camera window opened now shows the text the camera took.
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(rig.recorder->count(signal), 1);
    QCOMPARE(text(rig.recorder->lastArgs(signal)), chosen);
}

void tst_Controller::refusedTextIsNeverEchoed_data()
{
    QTest::addColumn<SettingRow>("row");
    QTest::addColumn<bool>("cameraRefuses"); // else the text is not in the list
    for (const SettingRow &row : settingRows()) {
        QTest::addRow("%s, unlisted text", row.name) << row << false;
        QTest::addRow("%s, camera refuses", row.name) << row << true;
    }
}

void tst_Controller::refusedTextIsNeverEchoed()
{
    QFETCH(SettingRow, row);
    QFETCH(bool, cameraRefuses);
    const QString &signal = row.signal;
    const CameraValue &read = row.read;

    Rig rig(row.product);
    QStringList offered;
    QString shownBefore;
    QVERIFY(openWithSetting(rig, row, &offered, &shownBefore));
    const qint64 before = read(*rig.camera);
    const QString refused = cameraRefuses ? (before != row.firstValue ? row.firstText : row.secondText)
                                          : QStringLiteral("Not a setting");
    if (cameraRefuses)
        rig.camera->failNextOperation(rig.writeOperation(), kRespGeneralError);

    const quint64 writesBefore = rig.camera->transactionCountsByOperation().value(rig.writeOperation());
    rig.recorder->clear();
    row.set(*rig.controller, refused);
    QVERIFY(rig.settle());
    QCOMPARE(read(*rig.camera), before);
    // A text the list does not hold is not guessed at: nothing is written.
    if (!cameraRefuses)
        QCOMPARE(rig.camera->transactionCountsByOperation().value(rig.writeOperation()), writesBefore);
    // Whatever comes back is the camera's own value, never the refused text.
    const QStringList shown = textsOf(*rig.recorder, signal);
    QVERIFY2(!shown.contains(refused), qPrintable(shown.join(',')));
    for (const QString &each : shown)
        QVERIFY2(offered.contains(each), qPrintable(each));

    // A camera window opened now still shows what the camera holds.
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(text(rig.recorder->lastArgs(signal)), shownBefore);
}

// --- 3. The set slots' own rules ----------------------------------------------------------

void tst_Controller::intervalDriveModeIsTheControllersOwnWithoutInCameraInterval_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("ownInterval");
    QTest::addRow("0x2009") << 0x2009 << true;
    QTest::addRow("0x2021") << 0x2021 << true;
    QTest::addRow("0x2031 in camera") << 0x2031 << false;
    QTest::addRow("0x2044 in camera") << 0x2044 << false;
}

void tst_Controller::intervalDriveModeIsTheControllersOwnWithoutInCameraInterval()
{
    QFETCH(int, product);
    QFETCH(bool, ownInterval);

    Rig rig(product);
    QVERIFY(rig.connected());
    QCOMPARE(rig.model()->hasInterval(), !ownInterval);
    QVERIFY(rig.settle());
    QCOMPARE(rig.camera->setting(Camera::kLEDriveMode, -1), 0);

    rig.recorder->clear();
    rig.controller->setDriveMode(5);
    QCOMPARE(rig.controller->ownIntervalActive(), ownInterval);
    if (!ownInterval)
        QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEDriveMode, -1), 5, kWaitMs);
    QVERIFY(rig.settle());
    // The camera keeps single shots when the controller runs the interval;
    // the panel shows the interval either way.
    QCOMPARE(rig.camera->setting(Camera::kLEDriveMode, -1), ownInterval ? 0 : 5);
    QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 5);
    QCOMPARE(text(rig.recorder->lastArgs("signalDriveMode(QString)")), QStringLiteral("Interval"));
    QCOMPARE(rig.controller->ownIntervalActive(), ownInterval);

    // Frames and time go where the interval runs.
    rig.controller->setIntervalFrames(10);
    rig.controller->setIntervalTime(4);
    if (ownInterval) {
        QCOMPARE(rig.controller->ownIntervalFrames(), 10);
        QCOMPARE(rig.controller->ownIntervalTime(), 4);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEIntervalFrames, -1), 10, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEIntervalTime, -1), 4, kWaitMs);
        QCOMPARE(rig.controller->ownIntervalFrames(), 5);
        QCOMPARE(rig.controller->ownIntervalTime(), 2);
    }

    // The camera window shows the own interval and its values.
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    for (const Recorder::Entry &entry : rig.recorder->entries("signalDriveMode(int)"))
        QCOMPARE(entry.args.value(0).toInt(), 5);
    QCOMPARE(rig.recorder->lastArgs("signalIntervalFrames(int)").value(0).toInt(), 10);
    QCOMPARE(rig.recorder->lastArgs("signalIntervalTime(int)").value(0).toInt(), 4);
    QCOMPARE(text(rig.recorder->lastArgs("signalIntervalFrames(QString)")), QStringLiteral("10 Frames"));

    if (ownInterval) {
        // A drive mode chosen on the camera body ends the own interval.
        rig.record()->setField(Record::kLEDriveMode, 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 1, kWaitMs);
        QCOMPARE(rig.controller->ownIntervalActive(), false);
        rig.controller->setDriveMode(5);
        QCOMPARE(rig.controller->ownIntervalActive(), true);
        // The camera then reports the single shots it was sent: that is the
        // camera's half of the own interval, not a new choice.
        QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEDriveMode, -1), 0, kWaitMs);
        QVERIFY(rig.settle());
        QCOMPARE(rig.controller->ownIntervalActive(), true);
        QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 5);
    }

    // Any other drive mode ends the own interval.
    rig.controller->setDriveMode(0);
    QCOMPARE(rig.controller->ownIntervalActive(), false);
    QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEDriveMode, -1), 0, kWaitMs);
}

void tst_Controller::bracketingDriveModeEnablesBracketingAndSendsSingle_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<CameraValue>("bracketing");
    QTest::addColumn<CameraValue>("driveMode"); // as the camera keeps it
    QTest::addRow("0x2031") << 0x2031 << propertyValue(kPropBracketingEnabled) << propertyValue(kPropStillCaptureMode);
    QTest::addRow("0x2009") << 0x2009 << field(Record::kLEBracketing) << field(Record::kLEDriveMode);
}

void tst_Controller::bracketingDriveModeEnablesBracketingAndSendsSingle()
{
    QFETCH(int, product);
    QFETCH(CameraValue, bracketing);
    QFETCH(CameraValue, driveMode);

    Rig rig(product);
    QVERIFY(rig.connected());
    QVERIFY(rig.settle());
    QCOMPARE(bracketing(*rig.camera), 0);
    const qint64 single = driveMode(*rig.camera);
    QCOMPARE(rig.camera->setting(Camera::kLEDriveMode, -1), 0);

    // Bracketing chosen while the controller times an interval ends the interval.
    const bool ownInterval = !rig.model()->hasInterval();
    if (ownInterval) {
        rig.controller->setDriveMode(5);
        QVERIFY(rig.controller->ownIntervalActive());
    }

    rig.recorder->clear();
    rig.controller->setDriveMode(4);
    QVERIFY(!rig.controller->ownIntervalActive());
    QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 4);
    QCOMPARE(text(rig.recorder->lastArgs("signalDriveMode(QString)")), QStringLiteral("Bracketing"));
    QTRY_VERIFY_WITH_TIMEOUT(bracketing(*rig.camera) != 0, kWaitMs);
    QVERIFY(rig.settle());
    QCOMPARE(driveMode(*rig.camera), single);
    QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 4);

    // Any other drive mode switches bracketing off again.
    rig.controller->setDriveMode(0);
    QCOMPARE(rig.recorder->lastArgs("signalDriveMode(int)").value(0).toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(bracketing(*rig.camera), 0, kWaitMs);
}

void tst_Controller::bulbIsAnExposureModeAndAnyTimeLeavesIt_data()
{
    QTest::addColumn<int>("product");
    QTest::addRow("0x2031") << 0x2031;
    QTest::addRow("0x2009") << 0x2009;
    QTest::addRow("0x2044") << 0x2044;
}

void tst_Controller::bulbIsAnExposureModeAndAnyTimeLeavesIt()
{
    QFETCH(int, product);

    Rig rig(product);
    QVERIFY(rig.connected());
    QVERIFY(rig.settle());
    QVERIFY(rig.camera->setting(Camera::kLEExposureMode, -1) != 4);

    rig.recorder->clear();
    rig.controller->setShutterTime(QStringLiteral("B"));
    QCOMPARE(rig.recorder->lastArgs("signalExposureMode(int)").value(0).toInt(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEExposureMode, -1), 4, kWaitMs);
    QVERIFY(rig.settle());
    QCOMPARE(rig.model()->exposureMode(), 4);
    // The camera window, opened now, shows bulb as the shutter time.
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(text(rig.recorder->lastArgs("signalShutterTime(QString)")), QStringLiteral("B"));
    QCOMPARE(rig.recorder->lastArgs("signalExposureMode(int)").value(0).toInt(), 4);

    // 1/125 s is Tv 7, the code 1792 in every shutter table.
    rig.recorder->clear();
    rig.controller->setShutterTime(QStringLiteral("1/125s"));
    QCOMPARE(rig.recorder->lastArgs("signalExposureMode(int)").value(0).toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEExposureMode, -1), 0, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEShutterTimeCode, -1), 1792, kWaitMs);
    QVERIFY(rig.settle());
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(text(rig.recorder->lastArgs("signalShutterTime(QString)")), QStringLiteral("1/125s"));
}

void tst_Controller::microphoneFractionIsScaledPerProduct_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("expected"); // -1: nothing happens
    QTest::addRow("0x2031 x63") << 0x2031 << 0.5 << 32; // 31.5 rounds away from zero
    QTest::addRow("0x2033 x63") << 0x2033 << 1.0 << 63;
    QTest::addRow("0x2041 x4") << 0x2041 << 0.75 << 3;
    QTest::addRow("0x2044 x4") << 0x2044 << 0.25 << 1;
    QTest::addRow("0x2047 x4") << 0x2047 << 0.875 << 4; // 3.5 rounds away from zero
    QTest::addRow("0x2009 unlisted") << 0x2009 << 0.5 << -1;
    QTest::addRow("0x2021 unlisted") << 0x2021 << 0.5 << -1;
    QTest::addRow("0x2061 unlisted") << 0x2061 << 0.5 << -1;
}

void tst_Controller::microphoneFractionIsScaledPerProduct()
{
    QFETCH(int, product);
    QFETCH(double, fraction);
    QFETCH(int, expected);

    Rig rig(product);
    QVERIFY(rig.connected());
    QVERIFY(rig.settle());
    rig.access->clear();
    rig.recorder->clear();
    TVK_Test_LogCapture log;

    rig.controller->setAudioVolMicrophone(fraction);
    if (expected < 0) {
        QVERIFY(rig.settle());
        QCOMPARE(rig.access->written, QVector<int>());
        QCOMPARE(rig.recorder->count("signalAudioVolMicrophone"), 0);
        QCOMPARE(log.matching(QStringLiteral("::setAudioVolMicrophone()")), QStringList());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.store()->value(kPropMicrophoneVolume), qint64(expected), kWaitMs);
    QCOMPARE(rig.access->written, QVector<int>{kPropMicrophoneVolume});
    // Published again, the camera's value comes with its fraction.
    QVERIFY(rig.settle());
    rig.recorder->clear();
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(rig.recorder->lastArgs("signalAudioVolMicrophone(int)").value(0).toInt(), expected);
    const double scale = (product == 0x2031 || product == 0x2033) ? 1.0 / 63.0 : 0.25;
    QCOMPARE(rig.recorder->lastArgs("signalAudioVolMicrophone(double)").value(0).toDouble(), expected * scale);
}

void tst_Controller::whiteBalanceTenIsShownAsNineOnTheNewerBodies_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("shownText");
    QTest::addRow("0x2031") << 0x2031 << 9 << "Graycard LiveView";
    QTest::addRow("0x2033") << 0x2033 << 9 << "Graycard LiveView";
    QTest::addRow("0x2041") << 0x2041 << 9 << "Graycard LiveView";
    QTest::addRow("0x2047") << 0x2047 << 9 << "Graycard LiveView";
    QTest::addRow("0x2061 as it is") << 0x2061 << 10 << "Graycard Photo";
    QTest::addRow("0x2009 as it is") << 0x2009 << 10 << "HMI";
}

void tst_Controller::whiteBalanceTenIsShownAsNineOnTheNewerBodies()
{
    QFETCH(int, product);
    QFETCH(int, shown);
    QFETCH(QString, shownText);

    Rig rig(product);
    QVERIFY(rig.connected());
    rig.controller->catchCameraGUIOpened();
    QVERIFY(rig.settle());

    rig.recorder->clear();
    // Set on the camera body, whatever its own list says.
    if (Record *record = rig.record())
        record->setField(Record::kLEWhiteBalance, 10);
    else
        rig.store()->setValue(kPropWhiteBalance, 10);
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalIsWhiteBalTemp"), 1, kWaitMs);
    QCOMPARE(rig.recorder->lastArgs("signalWhiteBalance(int)").value(0).toInt(), shown);
    QCOMPARE(text(rig.recorder->lastArgs("signalWhiteBalance(QString)")), shownText);
    QCOMPARE(rig.recorder->lastArgs("signalIsWhiteBalTemp").value(0).toBool(), false);
    QVERIFY(rig.recorder->containsInOrder(
        {"signalWhiteBalance(int)", "signalWhiteBalance(QString)", "signalIsWhiteBalTemp(bool)"}));
}

void tst_Controller::slotPublishesExactlyThisAtOnce_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QVariantList>("firstArgs"); // the first argument of each, an invalid variant: any
    QTest::addColumn<QVector<int>>("written");   // the property codes (or the record write) the camera gets
    QTest::addColumn<QString>("line");           // a log line the call writes; empty: none of the controller

    const QStringList fileFormat{"signalFileFormat(int)", "signalUseDngCompression(bool)",
                                 "signalUseJpgColorSpace(bool)", "signalUseJpgResolution(bool)"};
    const QStringList shutterTime{"signalShutterTimeList(QStringList)", "signalShutterTime(QString)"};
    const QVariant any;

    // Set slots that tell the panel at once.
    QTest::addRow("file format JPG") << 0x2031 << Call([](Controller &c) { c.setFileFormat(3); }) << fileFormat
                                     << QVariantList{3, false, true, true} << QVector<int>{0xD004} << QString();
    // The example file name turns into a DNG name first.
    QTest::addRow("file format text") << 0x2031 << Call([](Controller &c) { c.setFileFormat(QString("DNG")); })
                                      << (QStringList{"signalPictureExample(QString)"} << fileFormat)
                                      << QVariantList{any, 0, true, false, false} << QVector<int>{0xD004} << QString();
    QTest::addRow("file format 0x2009") << 0x2009
                                        << Call([](Controller &c) { c.setFileFormat(QString("JPG (basic)")); })
                                        << fileFormat << QVariantList{4, false, true, true}
                                        << QVector<int>{kOpSetCameraSettings} << QString();
    QTest::addRow("exposure compensation") << 0x2031 << Call([](Controller &c) { c.setExposCompens(1000); })
                                           << QStringList{"signalExposCompens(int)"} << QVariantList{1000}
                                           << QVector<int>{0x5010} << QString();
    QTest::addRow("exposure compensation text")
        << 0x2021 << Call([](Controller &c) { c.setExposCompens(QString("-0.7 EV")); })
        << QStringList{"signalExposCompens(int)"} << QVariantList{-667} << QVector<int>{kOpSetCameraSettings} << QString();
    QTest::addRow("metering text") << 0x2031 << Call([](Controller &c) { c.setExposMetering(QString("Spot")); })
                                   << QStringList{"signalExposMetering(int)"} << QVariantList{0}
                                   << QVector<int>{0x500B} << QString();
    QTest::addRow("exposure step") << 0x2041 << Call([](Controller &c) { c.setExposCompensStep(500); })
                                   << QStringList{"signalExposCompensStep(int)"} << QVariantList{500}
                                   << QVector<int>{kPropExposureStep} << QString();
    QTest::addRow("sensitivity text") << 0x2031 << Call([](Controller &c) { c.setSensitivity(QString("400")); })
                                      << (QStringList{"signalSensitivity(int)", "signalSensitivityAuto(bool)"}
                                          << shutterTime)
                                      << QVariantList{400, false, any, any} << QVector<int>{0x500F} << QString();
    QTest::addRow("sensitivity auto") << 0x2031 << Call([](Controller &c) { c.setSensitivity(0); })
                                      << (QStringList{"signalSensitivityAuto(bool)"} << shutterTime)
                                      << QVariantList{true, any, any} << QVector<int>{-1} << QString();
    QTest::addRow("white balance temperature")
        << 0x2031 << Call([](Controller &c) { c.setWhiteBalance(11); })
        << QStringList{"signalWhiteBalance(int)", "signalIsWhiteBalTemp(bool)"} << QVariantList{11, true}
        << QVector<int>{kPropWhiteBalance} << QString();
    QTest::addRow("white balance text 0x2009")
        << 0x2009 << Call([](Controller &c) { c.setWhiteBalance(QString("Color Temperature")); })
        << QStringList{"signalWhiteBalance(int)", "signalIsWhiteBalTemp(bool)"} << QVariantList{9, true}
        << QVector<int>{kOpSetCameraSettings} << QString();
    QTest::addRow("white balance cloudy")
        << 0x2041 << Call([](Controller &c) { c.setWhiteBalance(QString("Cloudy")); })
        << QStringList{"signalWhiteBalance(int)", "signalIsWhiteBalTemp(bool)"} << QVariantList{2, false}
        << QVector<int>{kPropWhiteBalance} << QString();
    QTest::addRow("exposure simulation G3") << 0x2041 << Call([](Controller &c) { c.setExposureSimulation(true); })
                                            << QStringList{"signalExposureSimulation(bool)",
                                                           "signalExposureSimulation(int)"}
                                            << QVariantList{true, 3} << QVector<int>{0xD115} << QString();
    QTest::addRow("exposure simulation") << 0x2031 << Call([](Controller &c) { c.setExposureSimulation(5); })
                                         << QStringList{"signalExposureSimulation(bool)",
                                                        "signalExposureSimulation(int)"}
                                         << QVariantList{true, 1} << QVector<int>{0xD115} << QString();
    QTest::addRow("drive mode text") << 0x2031 << Call([](Controller &c) { c.setDriveMode(QString("Continuous")); })
                                     << QStringList{"signalDriveMode(int)", "signalDriveMode(QString)"}
                                     << QVariantList{1, "Continuous"} << QVector<int>{kPropStillCaptureMode} << QString();
    QTest::addRow("aperture text") << 0x2031 << Call([](Controller &c) { c.setAperture(QString("f 8")); })
                                   << QStringList() << QVariantList() << QVector<int>{0xD03C} << QString();
    QTest::addRow("manual audio level") << 0x2031 << Call([](Controller &c) { c.setAudioLevelIsManual(true); })
                                        << QStringList() << QVariantList() << QVector<int>{0xD012} << QString();
    QTest::addRow("negative file format") << 0x2031 << Call([](Controller &c) { c.setFileFormat(-1); })
                                          << QStringList() << QVariantList() << QVector<int>()
                                          << "TVK_Logic_Controller::setFileFormat() - illegal file format -1";

    // Emit slots: the value's text, and what goes with it.
    QTest::addRow("bulb time") << 0x2031 << Call([](Controller &c) { c.emitShutterTime(-1.0); })
                               << QStringList{"signalShutterTime(QString)"} << QVariantList{"B"} << QVector<int>() << QString();
    QTest::addRow("shutter time") << 0x2031 << Call([](Controller &c) { c.emitShutterTime(1.0 / 250); })
                                  << QStringList{"signalShutterTime(QString)"} << QVariantList{"1/250s"}
                                  << QVector<int>() << QString();
    QTest::addRow("bulb counter outside bulb") << 0x2031 << Call([](Controller &c) { c.emitBulbCounter(3); })
                                               << QStringList() << QVariantList() << QVector<int>() << QString();
    QTest::addRow("self timer running") << 0x2031 << Call([](Controller &c) { c.emitSelfTimerCounter(5); })
                                        << QStringList{"signalSelfTimerCounter(int)"} << QVariantList{5}
                                        << QVector<int>() << QString();
    QTest::addRow("self timer over") << 0x2031 << Call([](Controller &c) { c.emitSelfTimerCounter(0); })
                                     << QStringList{"signalShutterTime(QString)"} << QVariantList{any}
                                     << QVector<int>() << QString();
    QTest::addRow("wind elimination") << 0x2031 << Call([](Controller &c) { c.emitAudioWindElim(2); })
                                      << QStringList{"signalAudioWindElim(bool)"} << QVariantList{true}
                                      << QVector<int>() << QString();
    QTest::addRow("DNG compression usable") << 0x2031 << Call([](Controller &c) {
        c.emitUseDngCompression(2);
        c.emitUseDngCompression(3);
        c.emitUseJpgColorSpace(0);
        c.emitUseJpgResolution(4);
    }) << QStringList{"signalUseDngCompression(bool)", "signalUseDngCompression(bool)",
                      "signalUseJpgColorSpace(bool)", "signalUseJpgResolution(bool)"}
       << QVariantList{true, false, false, true} << QVector<int>() << QString();
    QTest::addRow("exposure simulation value") << 0x2031 << Call([](Controller &c) { c.emitExposureSimulation(3); })
                                               << QStringList{"signalExposureSimulation(bool)",
                                                              "signalExposureSimulation(int)"}
                                               << QVariantList{true, 3} << QVector<int>() << QString();
    QTest::addRow("aperture value") << 0x2031 << Call([](Controller &c) {
        c.emitAperture(5.6);
        c.emitAperture(8.0);
    }) << QStringList{"signalAperture(QString)", "signalAperture(QString)"} << QVariantList{"f 5.6", "f 8"}
       << QVector<int>() << QString();
    QTest::addRow("bracketing on") << 0x2031 << Call([](Controller &c) { c.emitBracketEnabled(true); })
                                   << QStringList{"signalBracketEnabled(bool)", "signalDriveMode(int)",
                                                  "signalDriveMode(QString)"}
                                   << QVariantList{true, 0, "Single"} << QVector<int>() << QString();
    QTest::addRow("drive mode value") << 0x2044 << Call([](Controller &c) { c.emitDriveMode(9); })
                                      << QStringList{"signalDriveMode(int)", "signalDriveMode(QString)"}
                                      << QVariantList{9, "Continuous Very High Speed"} << QVector<int>() << QString();
    QTest::addRow("live view mode once") << 0x2031 << Call([](Controller &c) {
        QMetaObject::invokeMethod(&c, "catchLiveViewMode", Qt::DirectConnection, Q_ARG(int, 2));
        QMetaObject::invokeMethod(&c, "catchLiveViewMode", Qt::DirectConnection, Q_ARG(int, 2));
    }) << QStringList{"signalLiveViewMode(int)"} << QVariantList{2} << QVector<int>() << QString();
    QTest::addRow("unit flag") << 0x2031 << Call([](Controller &c) { c.emitFocusIsUnitFeet(); })
                               << QStringList{"signalFocusIsUnitFeet(bool)"} << QVariantList{false} << QVector<int>() << QString();
    QTest::addRow("warning 0x2009") << 0x2009 << Call([](Controller &c) { c.emitWarning(1); })
                                    << QStringList{"signalWarning(QString)"} << QVariantList{"Overheating"}
                                    << QVector<int>() << QString();
    QTest::addRow("orientation 0x2041") << 0x2041 << Call([](Controller &c) { c.emitOrientation(-90); })
                                        << QStringList{"signalOrientation(int)", "signalOrientation(QString)"}
                                        << QVariantList{-90, "Left"} << QVector<int>() << QString();
    QTest::addRow("audio level") << 0x2031 << Call([](Controller &c) { c.emitAudioLevel(1); })
                                 << QStringList{"signalAudioLevelIsManual(bool)", "signalAudioLevel(QString)"}
                                 << QVariantList{true, "Manual"} << QVector<int>() << QString();
    QTest::addRow("interval frames list 0x2009")
        << 0x2009 << Call([](Controller &c) { c.emitIntervalFramesList(); })
        << QStringList{"signalIntervalFramesRange(int,int)", "signalIntervalFramesList(QStringList)"}
        << QVariantList{5, any} << QVector<int>() << QString();
    QTest::addRow("interval time list 0x2031")
        << 0x2031 << Call([](Controller &c) { c.emitIntervalTimeList(); })
        << QStringList{"signalIntervalTimeRange(int,int)", "signalIntervalTimeList(QStringList)"}
        << QVariantList{1, any} << QVector<int>() << QString();
    QTest::addRow("interval frames own") << 0x2009 << Call([](Controller &c) { c.emitIntervalFrames(50); })
                                         << QStringList{"signalIntervalFrames(int)", "signalIntervalFrames(QString)"}
                                         << QVariantList{50, "50 Frames"} << QVector<int>() << QString();
    QTest::addRow("third-step compensation") << 0x2021 << Call([](Controller &c) { c.emitExposCompens(-667); })
                                             << QStringList{"signalExposCompens(int)", "signalExposCompens(QString)"}
                                             << QVariantList{-667, "-0.7 EV"} << QVector<int>() << QString();
    QTest::addRow("kelvin") << 0x2031 << Call([](Controller &c) { c.emitWhiteBalTemp(5600); })
                            << QStringList{"signalWhiteBalTemp(QString)"} << QVariantList{"5600 K"} << QVector<int>() << QString();
    QTest::addRow("kelvin by position") << 0x2009 << Call([](Controller &c) { c.emitWhiteBalTemp(30); })
                                        << QStringList{"signalWhiteBalTemp(QString)"} << QVariantList{"5000 K"}
                                        << QVector<int>() << QString();
    QTest::addRow("push sensitivity") << 0x2051 << Call([](Controller &c) { c.emitSensitivity(25000); })
                                      << (QStringList{"signalSensitivity(int)", "signalSensitivity(QString)"}
                                          << shutterTime)
                                      << QVariantList{25000, "PUSH 25000", any, any} << QVector<int>() << QString();
    QTest::addRow("colour temperature mode 0x2061")
        << 0x2061 << Call([](Controller &c) { c.emitWhiteBalance(11); })
        << QStringList{"signalWhiteBalance(int)", "signalWhiteBalance(QString)", "signalIsWhiteBalTemp(bool)"}
        << QVariantList{11, "Color Temperature", true} << QVector<int>() << QString();
}

void tst_Controller::slotPublishesExactlyThisAtOnce()
{
    QFETCH(int, product);
    QFETCH(Call, call);
    QFETCH(QStringList, emitted);
    QFETCH(QVariantList, firstArgs);
    QFETCH(QVector<int>, written);
    QFETCH(QString, line);

    Rig rig(product);
    QVERIFY(rig.connected());
    QVERIFY(rig.settle());
    rig.access->clear();
    rig.recorder->clear();
    TVK_Test_LogCapture log;

    call(*rig.controller);
    QVERIFY2(rig.recorder->signatures() == emitted, qPrintable(rig.recorder->signatures().join(' ')));
    const QStringList logged = log.matching(QStringLiteral("TVK_Logic_Controller::"));
    QCOMPARE(logged, line.isEmpty() ? QStringList() : QStringList{line});
    const QVector<Recorder::Entry> entries = rig.recorder->entries();
    for (int i = 0; i < firstArgs.size(); ++i) {
        if (firstArgs.at(i).isValid())
            QCOMPARE(entries.at(i).args.value(0), firstArgs.at(i));
    }
    if (written != QVector<int>{-1})
        QCOMPARE(rig.access->written, written);
}

void tst_Controller::cameraStepChangeRebuildsTheExposureLists()
{
    Rig rig(0x2041);
    QVERIFY(rig.connected());
    rig.controller->catchCameraGUIOpened();
    QCOMPARE(rig.recorder->lastArgs("signalExposCompensList").value(0).toStringList().size(), 19);
    QVERIFY(rig.settle());

    rig.recorder->clear();
    rig.store()->setValue(kPropExposureStep, 500); // on the camera body
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalExposCompensStep"), 1, kWaitMs);
    QVERIFY(rig.settle());
    int where = -1;
    const QStringList order{"signalExposCompensStep(int)", "signalExposCompensList(QStringList)",
                            "signalExposCompens(int)",     "signalExposCompens(QString)",
                            "signalShutterTimeList(QStringList)", "signalShutterTime(QString)",
                            "signalApertureList(QStringList)",    "signalAperture(QString)"};
    QVERIFY2(rig.recorder->containsInOrder(order, &where), qPrintable(order.value(where)));
    QCOMPARE(rig.recorder->lastArgs("signalExposCompensStep").value(0).toInt(), 500);
    QCOMPARE(rig.recorder->lastArgs("signalExposCompensList").value(0).toStringList().size(), 13);
    QCOMPARE(text(rig.recorder->entries("signalExposCompens(QString)").value(0).args), QStringLiteral("0 EV"));
    // Half stops: 1/3 s exists in no list of the step any more.
    const QStringList times = rig.recorder->lastArgs("signalShutterTimeList").value(0).toStringList();
    QVERIFY2(!times.contains("1/5s") && times.contains("1/6s"), qPrintable(times.join(' ')));

    // The same step again changes nothing.
    rig.recorder->clear();
    QMetaObject::invokeMethod(rig.controller.get(), "catchExposCompensStep", Qt::DirectConnection, Q_ARG(int, 500));
    QCOMPARE(rig.recorder->size(), 0);
}

void tst_Controller::removedLensLeavesNoApertureToChoose()
{
    Rig rig(0x2031);
    QVERIFY(rig.connected());
    rig.controller->catchCameraGUIOpened();
    QVERIFY(rig.recorder->lastArgs("signalApertureList").value(0).toStringList().size() > 1);
    QVERIFY(rig.settle());

    rig.recorder->clear();
    rig.camera->component<TVK_Emulator_VendorRecords>()->setLensAttached(false);
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->lastArgs("signalApertureList").value(0).toStringList(),
                              QStringList{"--"}, kWaitMs);
    // The one-second lens check shows the missing lens in the aperture, too.
    QTRY_COMPARE_WITH_TIMEOUT(text(rig.recorder->lastArgs("signalAperture")), QStringLiteral("--"), kWaitMs);

    // Without lens no aperture goes to the camera.
    rig.access->clear();
    rig.controller->setAperture(QStringLiteral("f 8"));
    QCOMPARE(rig.access->written, QVector<int>());
}

void tst_Controller::counterThatStopsIsClearedAfterTwoSeconds_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("bulb"); // else the self-timer
    QTest::addRow("bulb 0x2009") << 0x2009 << true;
    QTest::addRow("bulb 0x2041") << 0x2041 << true;
    QTest::addRow("self-timer 0x2021") << 0x2021 << false;
    QTest::addRow("self-timer 0x2051") << 0x2051 << false;
}

void tst_Controller::counterThatStopsIsClearedAfterTwoSeconds()
{
    QFETCH(int, product);
    QFETCH(bool, bulb);

    Rig rig(product);
    QVERIFY(rig.connected());
    if (bulb) {
        rig.controller->setShutterTime(QStringLiteral("B"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.camera->setting(Camera::kLEExposureMode, -1), 4, kWaitMs);
    }
    QVERIFY(rig.settle());
    const QString shutterTime = bulb ? QStringLiteral("B") : QString();

    rig.recorder->clear();
    if (bulb) {
        rig.controller->emitBulbCounter(3);
        QCOMPARE(rig.recorder->signatures(), QStringList{"signalBulbCounter(int)"});
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalBulbCounter"), 2, kWaitMs);
        QCOMPARE(rig.recorder->entries("signalBulbCounter").at(1).args.value(0).toInt(), -1);
        QTRY_COMPARE_WITH_TIMEOUT(text(rig.recorder->lastArgs("signalShutterTime(QString)")), shutterTime, kWaitMs);
        QVERIFY(rig.recorder->containsInOrder(
            {"signalBulbCounter(int)", "signalBulbCounter(int)", "signalShutterTime(QString)"}));

        // A counter of -1 clears at once.
        rig.recorder->clear();
        rig.controller->emitBulbCounter(-1);
        QCOMPARE(rig.recorder->signatures(),
                 QStringList({"signalBulbCounter(int)", "signalShutterTime(QString)"}));
        QCOMPARE(text(rig.recorder->lastArgs("signalShutterTime(QString)")), shutterTime);
    } else {
        rig.controller->emitSelfTimerCounter(7);
        QCOMPARE(rig.recorder->signatures(), QStringList{"signalSelfTimerCounter(int)"});
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalShutterTime(QString)"), 1, kWaitMs);
    }
}

void tst_Controller::missingConverterIsLoggedAndOnlyRawSignalsGoOut_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Offered>("offered");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("emitted");

    const QString prefix = QStringLiteral("TVK_Logic_Controller::");
    QTest::addRow("contrast list 0x2009")
        << 0x2009 << Offered([](Model &c) { return c.hasContrast(); })
        << Call([](Controller &c) { c.emitContrastList(); })
        << prefix + "emitContrastList() - no converter for contrast" << QStringList();
    QTest::addRow("contrast value 0x2009")
        << 0x2009 << Offered([](Model &c) { return c.hasContrast(); })
        << Call([](Controller &c) { c.emitContrast(2); }) << prefix + "emitContrast() - no converter for contrast"
        << QStringList();
    QTest::addRow("contrast text 0x2009")
        << 0x2009 << Offered([](Model &c) { return c.hasContrast(); })
        << Call([](Controller &c) { c.setContrast("High"); })
        << prefix + "setContrast() - no converter for contrast" << QStringList();
    QTest::addRow("sharpness list 0x2021")
        << 0x2021 << Offered([](Model &c) { return c.hasSharpness(); })
        << Call([](Controller &c) { c.emitSharpnessList(); })
        << prefix + "emitSharpnessList() - no converter for sharpness" << QStringList();
    QTest::addRow("monochrome list 0x2041")
        << 0x2041 << Offered([](Model &c) { return c.hasMonochrome(); })
        << Call([](Controller &c) { c.emitMonochromeList(); })
        << prefix + "emitMonochromeList() - no converter for monochrome" << QStringList();
    QTest::addRow("JPG colour space list 0x2061")
        << 0x2061 << Offered([](Model &c) { return c.hasJpgColorSpace(); })
        << Call([](Controller &c) { c.emitJpgColorSpaceList(); })
        << prefix + "emitJpgColorSpaceList() - no converter for JPG color space" << QStringList();
    QTest::addRow("sensor format list 0x2031")
        << 0x2031 << Offered([](Model &c) { return c.hasSensorFormat(); })
        << Call([](Controller &c) { c.emitSensorFormatList(); })
        << prefix + "emitSensorFormatList() - no converter for sensor format" << QStringList();
    QTest::addRow("video format text 0x2031")
        << 0x2031 << Offered([](Model &c) { return c.hasVideoFormatResol(); })
        << Call([](Controller &c) { c.setVideoFormatResol("MOV 1920x1080p @ 25fps"); })
        << prefix + "setVideoFormatResol() - no converter for video format resolution" << QStringList();
    QTest::addRow("orientation value 0x2031")
        << 0x2031 << Offered([](Model &c) { return c.hasOrientation(); })
        << Call([](Controller &c) { c.emitOrientation(90); })
        << prefix + "emitOrientation() - no converter for orientation" << QStringList{"signalOrientation(int)"};
    QTest::addRow("focus distance text 0x2061")
        << 0x2061 << Offered([](Model &c) { return c.hasFocusDistance(); })
        << Call([](Controller &c) { c.setFocusDistance(QStringLiteral("1.50")); })
        << prefix + "setFocusDistance() - no converter for focus distance" << QStringList();
    QTest::addRow("focus distance value 0x2061")
        << 0x2061 << Offered([](Model &c) { return c.hasFocusDistance(); })
        << Call([](Controller &c) { c.emitFocusDistance(1500); })
        << prefix + "emitFocusDistance() - no converter for focus distance" << QStringList();
}

void tst_Controller::missingConverterIsLoggedAndOnlyRawSignalsGoOut()
{
    QFETCH(int, product);
    QFETCH(Offered, offered);
    QFETCH(Call, call);
    QFETCH(QString, line);
    QFETCH(QStringList, emitted);

    Rig rig(product);
    QVERIFY(rig.connected());
    QVERIFY(!offered(*rig.model())); // the row picks a setting the product lacks
    QVERIFY(rig.settle());
    rig.access->clear();
    rig.recorder->clear();
    TVK_Test_LogCapture log;

    call(*rig.controller);
    QCOMPARE(rig.recorder->signatures(), emitted);
    QVERIFY2(log.contains(line), qPrintable(log.lines().join('\n')));
    QCOMPARE(rig.access->written, QVector<int>());
}

void tst_Controller::converterSetFollowsTheCameraAndEmptiesInItsOrder_data()
{
    QTest::addColumn<int>("product");
    for (int product : Profile::knownProducts())
        QTest::addRow("0x%04x", product) << product;
}

// One converter for each setting the camera offers (and those every camera
// gets); emptied white-balance temperature first, audio level last.
void tst_Controller::converterSetFollowsTheCameraAndEmptiesInItsOrder()
{
    QFETCH(int, product);
    Rig rig(product);
    QVERIFY(rig.connected());
    Model &c = *rig.model();
    TVK_Logic_ConverterSet set;
    set.create(c, product);

    struct Row
    {
        const char *name;
        bool offered;
        QObject *converter;
    };
    const Row inOrder[] = {
        {"WhiteBalTemp", c.hasWhiteBalance(), set.get<TVK_Logic_ConverterWhiteBalTemp>()},
        {"WhiteBalance", c.hasWhiteBalance(), set.get<TVK_Logic_ConverterWhiteBalance>()},
        {"Warning", c.hasWarnings(), set.get<TVK_Logic_ConverterWarning>()},
        {"JpgResolution", c.hasJpgResolution(), set.get<TVK_Logic_ConverterJpgResolution>()},
        {"VideoFormatResol", c.hasVideoFormatResol(), set.get<TVK_Logic_ConverterVideoFormatResol>()},
        {"VideoResAndFrRate", c.hasVideoResAndFrRate(), set.get<TVK_Logic_ConverterVideoResAndFrRate>()},
        {"VideoFileFormat", c.hasVideoFileFormat(), set.get<TVK_Logic_ConverterVideoFileFormat>()},
        {"SensorFormat", c.hasSensorFormat(), set.get<TVK_Logic_ConverterSensorFormat>()},
        {"Sensitivity", true, set.get<TVK_Logic_ConverterSensitivity>()},
        {"PhotoAspectRatio", c.hasPhotoAspectRatio(), set.get<TVK_Logic_ConverterPhotoAspectRatio>()},
        {"Orientation", c.hasOrientation(), set.get<TVK_Logic_ConverterOrientation>()},
        {"JpgColorSpace", c.hasJpgColorSpace(), set.get<TVK_Logic_ConverterJpgColorSpace>()},
        {"IntervalTime", true, set.get<TVK_Logic_ConverterIntervalTime>()},
        {"IntervalFrames", true, set.get<TVK_Logic_ConverterIntervalFrames>()},
        {"FileFormat", true, set.get<TVK_Logic_ConverterFileFormat>()},
        {"ExposMetering", true, set.get<TVK_Logic_ConverterExposMetering>()},
        {"ExposCompens", true, set.get<TVK_Logic_ConverterExposCompens>()},
        {"DriveMode", true, set.get<TVK_Logic_ConverterDriveMode>()},
        {"DngCompression", c.hasDngCompression(), set.get<TVK_Logic_ConverterDngCompression>()},
        {"Monochrome", c.hasMonochrome(), set.get<TVK_Logic_ConverterMonochrome>()},
        {"Saturation", c.hasSaturation(), set.get<TVK_Logic_ConverterSaturation>()},
        {"Sharpness", c.hasSharpness(), set.get<TVK_Logic_ConverterSharpness>()},
        {"Contrast", c.hasContrast(), set.get<TVK_Logic_ConverterContrast>()},
        {"BracketImgNum", true, set.get<TVK_Logic_ConverterBracketImgNum>()},
        {"BracketDeltaEV", true, set.get<TVK_Logic_ConverterBracketDeltaEV>()},
        {"AutoreviewDuration", c.hasAutoreviewDuration(), set.get<TVK_Logic_ConverterAutoreviewDuration>()},
        {"AutoPowerOff", c.hasAutoPowerOff(), set.get<TVK_Logic_ConverterAutoPowerOff>()},
        {"AudioLevel", c.hasAudioLevel(), set.get<TVK_Logic_ConverterAudioLevel>()},
    };
    QStringList expected;
    QStringList destroyed;
    for (const Row &row : inOrder) {
        QVERIFY2((row.converter != nullptr) == row.offered, row.name);
        if (row.converter == nullptr)
            continue;
        expected << row.name;
        QObject::connect(row.converter, &QObject::destroyed, [&destroyed, &row]() { destroyed << row.name; });
    }
    QCOMPARE(set.get<TVK_Logic_ConverterFocusDistance>() != nullptr, c.hasFocusDistance());
    QVERIFY(set.get<TVK_Logic_APEXConverterShutterTime>() != nullptr);

    set.clear();
    QCOMPARE(destroyed, expected);
    QVERIFY(set.get<TVK_Logic_ConverterSensitivity>() == nullptr);
    QVERIFY(set.get<TVK_Logic_APEXConverterShutterTime>() == nullptr);
}

void tst_Controller::callsWithoutCameraAreLoggedAndChangeNothing_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("emitted");

    const auto noCamera = [](const char *method) {
        return QStringList{QStringLiteral("TVK_Logic_Controller::%1() - no camera").arg(QLatin1String(method))};
    };
    QTest::addRow("capture") << Call([](Controller &c) { c.doCaptureBtnPressed(); })
                             << noCamera("doCaptureBtnPressed") << QStringList();
    QTest::addRow("contrast text") << Call([](Controller &c) { c.setContrast("High"); })
                                   << noCamera("setContrast") << QStringList();
    QTest::addRow("file format") << Call([](Controller &c) { c.setFileFormat(1); }) << noCamera("setFileFormat")
                                 << QStringList();
    QTest::addRow("aperture list") << Call([](Controller &c) { c.emitApertureList(); })
                                   << noCamera("emitApertureList") << QStringList();
    QTest::addRow("aperture") << Call([](Controller &c) { c.emitAperture(5.6); }) << noCamera("emitAperture")
                              << QStringList();
    QTest::addRow("shutter-time list") << Call([](Controller &c) { c.emitShutterTimeList(); })
                                       << noCamera("emitShutterTimeList") << QStringList();
    QTest::addRow("file name") << Call([](Controller &c) { c.emitFileNameAndNumber(); })
                               << noCamera("emitFileNameAndNumber") << QStringList();
    QTest::addRow("autofocus limit") << Call([](Controller &c) { c.emitAutoFocusLimit(true); })
                                     << noCamera("emitAutoFocusLimit") << QStringList();
    QTest::addRow("folder settings") << Call([](Controller &c) {
        TVK_Logic_FolderSettings settings;
        c.setFolderSettings(&settings);
    }) << noCamera("setFolderSettings") << QStringList();
    QTest::addRow("transfer request") << Call([](Controller &c) {
        QMetaObject::invokeMethod(&c, "catchTransferRequest", Qt::DirectConnection);
    }) << noCamera("catchTransferRequest") << QStringList();
    QTest::addRow("bracketing flag") << Call([](Controller &c) { c.emitBracketEnabled(true); })
                                     << noCamera("emitBracketEnabled") << QStringList{"signalBracketEnabled(bool)"};
    QTest::addRow("unit feet") << Call([](Controller &c) { c.setIsUnitFeet(true); }) << noCamera("setIsUnitFeet")
                               << QStringList{"signalFocusIsUnitFeet(bool)"};
    QTest::addRow("sensitivity value")
        << Call([](Controller &c) { c.emitSensitivity(400); })
        << QStringList{"TVK_Logic_Controller::emitSensitivity() - no converter for sensitivity",
                       "TVK_Logic_Controller::emitShutterTimeList() - no camera"}
        << QStringList{"signalSensitivity(int)"};
    QTest::addRow("file format value")
        << Call([](Controller &c) { c.emitFileFormat(1); })
        << QStringList{"TVK_Logic_Controller::emitFileFormat() - no converter for file format"}
        << QStringList{"signalFileFormat(int)", "signalUseDngCompression(bool)", "signalUseJpgColorSpace(bool)",
                       "signalUseJpgResolution(bool)"};
    QTest::addRow("white balance value")
        << Call([](Controller &c) { c.emitWhiteBalance(10); })
        << QStringList{"TVK_Logic_Controller::emitWhiteBalance() - no converter for white balance"}
        << QStringList{"signalWhiteBalance(int)"};
    QTest::addRow("drive mode value")
        << Call([](Controller &c) { c.emitDriveMode(2); })
        << QStringList{"TVK_Logic_Controller::emitDriveMode() - no converter for drive mode"} << QStringList();
    QTest::addRow("exposure simulation list") << Call([](Controller &c) { c.emitExposureSimulationList(); })
                                              << QStringList()
                                              << QStringList{"signalExposureSimulationList(QVector<int>)"};
    QTest::addRow("camera window") << Call([](Controller &c) { c.catchCameraGUIOpened(); }) << QStringList()
                                   << QStringList();
}

void tst_Controller::callsWithoutCameraAreLoggedAndChangeNothing()
{
    QFETCH(Call, call);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, emitted);

    Rig rig(-1);
    TVK_Test_LogCapture log;
    call(*rig.controller);
    QCoreApplication::processEvents(); // a call that hops threads would land now

    QCOMPARE(rig.recorder->signatures(), emitted);
    const QStringList logged = log.matching(QStringLiteral("TVK_Logic_Controller::"));
    QCOMPARE(logged, lines);
    QVERIFY(rig.controller->camera() == nullptr);

    // The values the panel needs at once keep their meaning without camera.
    if (emitted.contains("signalFileFormat(int)")) {
        const auto args = [&rig](const char *key) { return rig.recorder->lastArgs(key).value(0); };
        QCOMPARE(args("signalFileFormat(int)").toInt(), 1);
        QCOMPARE(args("signalUseDngCompression").toBool(), true);
        QCOMPARE(args("signalUseJpgColorSpace").toBool(), true);
        QCOMPARE(args("signalUseJpgResolution").toBool(), true);
    }
    if (emitted.contains("signalExposureSimulationList(QVector<int>)")) {
        QCOMPARE(rig.recorder->lastArgs("signalExposureSimulationList").value(0).value<QVector<int>>(),
                 QVector<int>({0, 1}));
    }
    if (emitted.contains("signalWhiteBalance(int)"))
        QCOMPARE(rig.recorder->lastArgs("signalWhiteBalance(int)").value(0).toInt(), 10);
}

void tst_Controller::focusDistanceGoesToTheLensInTheShownUnit_data()
{
    QTest::addColumn<bool>("feet");
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("position"); // mm
    QTest::addRow("metres as number") << false << Call([](Controller &c) { c.setFocusDistance(1.5); }) << 1500;
    QTest::addRow("metres as text") << false << Call([](Controller &c) { c.setFocusDistance(QString("2.25")); })
                                    << 2250;
    QTest::addRow("feet as text") << true << Call([](Controller &c) { c.setFocusDistance(QString("5.00")); })
                                  << 1524;
}

void tst_Controller::focusDistanceGoesToTheLensInTheShownUnit()
{
    QFETCH(bool, feet);
    QFETCH(Call, call);
    QFETCH(int, position);

    Rig rig(0x2031);
    QVERIFY(rig.connected());
    QVERIFY(rig.model()->hasFocusDistance());
    auto *lens = rig.camera->component<TVK_Emulator_VendorRecords>();
    QVERIFY(lens->focusPosition() != quint32(position));
    rig.controller->setIsUnitFeet(feet);

    call(*rig.controller);
    QTRY_COMPARE_WITH_TIMEOUT(lens->focusPosition(), quint32(position), kWaitMs);
}

void tst_Controller::shutterTimeListFollowsTheCameraLimits()
{
    Rig rig(0x2044);
    QVERIFY(rig.connected());
    QVERIFY(rig.model()->hasElectronicShutter());
    QVERIFY(rig.settle());
    const auto times = [&rig]() { return rig.recorder->lastArgs("signalShutterTimeList").value(0).toStringList(); };

    // The electronic shutter reaches 1/40000 s.
    rig.controller->setElectronicShutter(true);
    QTRY_COMPARE_WITH_TIMEOUT(rig.model()->electronicShutter(), 1, kWaitMs);
    rig.recorder->clear();
    rig.controller->emitShutterTimeList();
    QCOMPARE(times().value(0), QStringLiteral("1/40000s"));

    // At the fastest series it stops at 1/16000 s.
    rig.controller->setDriveMode(9);
    rig.recorder->clear();
    rig.controller->emitShutterTimeList();
    QCOMPARE(times().value(0), QStringLiteral("1/16000s"));

    // The longest time is the camera's: Tv -5 (code -1280), in third stops 30 s.
    rig.recorder->clear();
    rig.store()->setValue(0xD625, -1280);
    QTRY_VERIFY_WITH_TIMEOUT(times().size() > 2 && times().at(times().size() - 2) == QStringLiteral("30s"), kWaitMs);
    QCOMPARE(times().last(), QStringLiteral("B"));
    QVERIFY(rig.recorder->containsInOrder({"signalShutterTimeList(QStringList)", "signalShutterTime(QString)"}));
}

void tst_Controller::queriesWithoutCameraSayNotConnected()
{
    Rig rig(-1);
    QCOMPARE(rig.controller->productId(), 0);
    QCOMPARE(rig.controller->productName(), QStringLiteral("not connected"));
    QCOMPARE(rig.controller->has3DAxisData(), false);
    QCOMPARE(rig.controller->liveViewMode(), 0);
}

namespace {

QString distanceText(quint32 mm, bool feet)
{
    if (mm == 2147483647u)
        return QStringLiteral("Infinity");
    const double x = mm / 1000.0 / (feet ? 0.3048 : 1.0);
    return QString::number(x, 'f', x < 10 ? 2 : 1);
}

} // namespace

void tst_Controller::unitChangePublishesTheFocusTextsOnce()
{
    Rig rig(0x2031);
    QVERIFY(rig.connected());
    Model &c = *rig.model();
    QVERIFY(c.hasFocusDistance());
    QVERIFY(rig.settle());

    rig.recorder->clear();
    rig.controller->setIsUnitFeet(true);
    QVERIFY(rig.controller->isUnitFeet());
    QStringList expected{"signalFocusIsUnitFeet(bool)", "signalFocusMaxDistance(QString)",
                         "signalFocusMinDistance(QString)", "signalFocusDistance(QString)"};
    if (c.hasAutoFocusLimit())
        expected << "signalAutoFocusLimitDist(QString)";
    QCOMPARE(rig.recorder->signatures(), expected);
    QCOMPARE(rig.recorder->lastArgs("signalFocusIsUnitFeet").value(0).toBool(), true);
    QCOMPARE(text(rig.recorder->lastArgs("signalFocusMaxDistance")), distanceText(c.focusPositionMax(), true));
    QCOMPARE(text(rig.recorder->lastArgs("signalFocusMinDistance")), distanceText(c.focusPositionMin(), true));

    // The same unit again changes nothing.
    rig.recorder->clear();
    rig.controller->setIsUnitFeet(true);
    QCOMPARE(rig.recorder->size(), 0);

    rig.controller->setIsUnitFeet(false);
    QCOMPARE(text(rig.recorder->lastArgs("signalFocusMinDistance")), distanceText(c.focusPositionMin(), false));
}

// --- 4. Disconnection and reconnection ----------------------------------------------------

void tst_Controller::unpluggedCameraDisconnectsAndPluggingInAgainReconnects_data()
{
    QTest::addColumn<int>("product");
    QTest::addRow("0x2031") << 0x2031;
    QTest::addRow("0x2021") << 0x2021;
    QTest::addRow("0x2061") << 0x2061;
}

void tst_Controller::unpluggedCameraDisconnectsAndPluggingInAgainReconnects()
{
    QFETCH(int, product);

    Rig rig(product);
    QVERIFY(rig.connected());
    QCOMPARE(rig.controller->productId(), product);
    QCOMPARE(rig.controller->has3DAxisData(), Profile::forProduct(product)->has3DAxis);
    // The aperture conversion works with the camera's step while it is connected.
    Model &c = *rig.model();
    QCOMPARE(TVK_Logic_APEXConverterAperture::stepSize(), c.hasExposCompensStep() ? c.exposCompensStep() : 0);

    rig.camera->removeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalCameraDisconnected"), 1, kWaitMs);
    QVERIFY(rig.controller->camera() == nullptr);
    QCOMPARE(rig.controller->productId(), 0);
    QCOMPARE(rig.controller->productName(), QStringLiteral("not connected"));
    QCOMPARE(rig.controller->has3DAxisData(), false);
    QCOMPARE(TVK_Logic_APEXConverterAperture::stepSize(), 0);

    // The one-second poll finds it again.
    rig.camera->attach();
    QVERIFY(rig.connected(2));
    QCOMPARE(rig.controller->productId(), product);
    QCOMPARE(rig.access->opens, 2);
}

void tst_Controller::closingTheCameraWindowRestoresTheCameraAndDisconnects_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<CameraValue>("setting");
    QTest::addColumn<qint64>("whileConnected");

    // The property bodies keep the storage type as a flag: 2 is sent as on.
    QTest::addRow("0x2031 storage type") << 0x2031 << Prepare() << propertyValue(kPropStorageType) << qint64(1);
    QTest::addRow("0x2041 storage type") << 0x2041 << Prepare() << propertyValue(kPropStorageType) << qint64(1);
    const Prepare tenMinutes = [](Camera &camera) {
        camera.component<Record>()->setField(Record::kLEAutoPowerOff, 3, false);
    };
    QTest::addRow("0x2009 auto power off") << 0x2009 << tenMinutes << field(Record::kLEAutoPowerOff) << qint64(0);
    QTest::addRow("0x2009 storage type") << 0x2009 << Prepare() << field(Record::kLEStorageType) << qint64(2);
    QTest::addRow("0x2051 auto power off") << 0x2051 << tenMinutes << field(Record::kLEAutoPowerOff) << qint64(0);
}

void tst_Controller::closingTheCameraWindowRestoresTheCameraAndDisconnects()
{
    QFETCH(int, product);
    QFETCH(Prepare, prepare);
    QFETCH(CameraValue, setting);
    QFETCH(qint64, whileConnected);

    Rig rig(product, prepare);
    const qint64 original = setting(*rig.camera);
    QVERIFY(original != whileConnected);
    QVERIFY(rig.connected());
    QTRY_COMPARE_WITH_TIMEOUT(setting(*rig.camera), whileConnected, kWaitMs);

    rig.controller->catchCameraGUIOpened();
    rig.controller->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalCameraDisconnected"), 1, kWaitMs);
    QCOMPARE(setting(*rig.camera), original);
    QCOMPARE(rig.controller->productId(), 0);
    QCOMPARE(rig.controller->productName(), QStringLiteral("not connected"));
    QVERIFY(rig.controller->camera() == nullptr);

    // Plugged in again, the camera connects by the poll.
    rig.camera->removeDevice();
    rig.camera->attach();
    QVERIFY(rig.connected(2));
    QTRY_COMPARE_WITH_TIMEOUT(setting(*rig.camera), whileConnected, kWaitMs);
}

void tst_Controller::simulatedCameraReconnectsByThePollAfterTheWindowCloses()
{
    Rig rig(0);
    QVERIFY(rig.connected());
    QCOMPARE(rig.controller->productId(), kSimulatedProduct);

    rig.controller->catchCameraGUIOpened();
    rig.controller->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalCameraDisconnected"), 1, kWaitMs);

    // The simulated camera announces itself on every poll.
    QVERIFY(rig.connected(2));
    const int first = rig.recorder->indexOf("signalCameraConnected");
    QVERIFY(rig.recorder->indexOf("signalCameraDisconnected") > first);
    QVERIFY(rig.recorder->indexOf("signalCameraConnected", first + 1) > rig.recorder->indexOf("signalCameraDisconnected"));
    QCOMPARE(rig.dummy->opens, 2);
    QCOMPARE(rig.controller->productId(), kSimulatedProduct);
}

// Quitting stops the search before the window's close ends the session, so
// a camera that keeps announcing itself is not opened again before the exit.
void tst_Controller::noCameraIsOpenedAgainOnceTheSearchStopped()
{
    Rig rig(0);
    QVERIFY(rig.connected());
    rig.controller->catchCameraGUIOpened();
    rig.controller->stopCameraSearch();
    rig.controller->catchCameraGUIClosed();
    QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->count("signalCameraDisconnected"), 1, kWaitMs);
    // The simulated camera would be found again at the next one-second poll.
    QTest::qWait(2500);
    QCOMPARE(rig.dummy->opens, 1);
    QCOMPARE(rig.recorder->count("signalCameraConnected"), 1);
}

void tst_Controller::repeatedAnnouncementsWhileConnectedOpenNoSecondConnection()
{
    // The simulated camera announces itself on every one-second poll.
    {
        Rig rig(0);
        QVERIFY(rig.connected());
        QSignalSpy announced(rig.dummy, &TVK_Commu_CameraAccess_Base::signalDeviceAvailable);
        QTRY_VERIFY_WITH_TIMEOUT(announced.count() >= 3, 3 * kWaitMs);
        QCoreApplication::processEvents(); // the queued reports reach the controller
        QCOMPARE(rig.dummy->opens, 1);
        QCOMPARE(rig.recorder->count("signalCameraConnected"), 1);
    }
    // An emulated camera reported again by hand.
    {
        Rig rig(0x2031);
        QVERIFY(rig.connected());
        Model *model = rig.model();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchDeviceAvailable", Qt::DirectConnection,
                                              Q_ARG(int, 1), Q_ARG(qulonglong, CountingAccess::kVendorId),
                                              Q_ARG(int, 0x2031), Q_ARG(QString, rig.access->deviceId())));
        }
        // A second confirmation of the open connection changes nothing either.
        QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchConnectionOpened", Qt::DirectConnection,
                                          Q_ARG(int, 1)));
        QVERIFY(rig.settle());
        QCOMPARE(rig.access->opens, 1);
        QCOMPARE(rig.recorder->count("signalCameraConnected"), 1);
        QVERIFY(rig.model() == model);
    }
}

void tst_Controller::connectionEventsWithoutCamera()
{
    Rig rig(-1);
    // A WLAN connection cannot open: there is no WLAN access.
    QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchConnectionOpened", Qt::DirectConnection,
                                      Q_ARG(int, 2)));
    QCOMPARE(rig.recorder->size(), 0);
    QVERIFY(rig.controller->camera() == nullptr);

    // A close without camera is still reported.
    QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchConnectionClosed", Qt::DirectConnection,
                                      Q_ARG(int, 1)));
    QCOMPARE(rig.recorder->signatures(), QStringList{"signalCameraDisconnected()"});
}

void tst_Controller::configuredWlanCameraIsPolledBesideTheUsbOne()
{
    // A port that was free a moment ago: nothing answers there.
    quint16 port = 0;
    {
        QTcpServer free;
        QVERIFY(free.listen(QHostAddress::LocalHost, 0));
        port = free.serverPort();
    }
    TVK_Commu_CameraAccess_PTPIP::setConfiguredAddress({QStringLiteral("127.0.0.1"), port});
    TVK_Test_LogCapture log;
    {
        Rig rig(0x2031);
        QVERIFY(rig.connected());
        // Probed on the one-second timer while the USB camera is connected.
        const QString probe = QStringLiteral("TVK_Commu_CameraAccess_PTPIP::probe() - no camera at 127.0.0.1:%1").arg(port);
        QVERIFY(QTest::qWaitFor([&log, &probe]() { return log.matching(probe).size() >= 2; }, 3 * kWaitMs));
        // The WLAN access's close does not take the USB camera down.
        rig.recorder->clear();
        QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchConnectionClosed", Qt::DirectConnection,
                                          Q_ARG(int, 2)));
        QVERIFY(rig.controller->camera() != nullptr);
        QCOMPARE(rig.recorder->count("signalCameraDisconnected"), 0);
        QCOMPARE(log.matching(QStringLiteral("connectionType 2 is not the connected camera's; ignored")).size(), 1);
    }
    TVK_Commu_CameraAccess_PTPIP::setConfiguredAddress({});
}

// --- Pictures -------------------------------------------------------------------------------

void tst_Controller::bracketingSeriesShowsLoadingOnceAtItsFirstPicture_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<bool>("bracketing");
    QTest::addColumn<int>("series"); // pictures per series

    const auto props = [](int enabled, int frames) {
        return Prepare([enabled, frames](Camera &camera) {
            camera.properties()->setValue(kPropBracketingEnabled, enabled, false);
            camera.properties()->setValue(kPropBracketingFrames, frames, false);
        });
    };
    QTest::addRow("0x2031 three") << 0x2031 << props(1, 3) << true << 3;
    QTest::addRow("0x2031 five") << 0x2031 << props(1, 5) << true << 5;
    QTest::addRow("0x2031 off") << 0x2031 << props(0, 3) << false << 1;
    QTest::addRow("0x2009 three") << 0x2009 << Prepare([](Camera &camera) {
        camera.component<Record>()->setField(Record::kLEBracketing, 1, false);
    }) << true << 3;
}

void tst_Controller::bracketingSeriesShowsLoadingOnceAtItsFirstPicture()
{
    QFETCH(int, product);
    QFETCH(Prepare, prepare);
    QFETCH(bool, bracketing);
    QFETCH(int, series);

    Rig rig(product, prepare);
    QVERIFY(rig.connected());
    QCOMPARE(rig.model()->bracketingEnabled(), bracketing);
    if (bracketing)
        QCOMPARE(rig.model()->bracketingImageNumbers(), series);

    QVector<int> loading;
    for (int picture = 0; picture < 2 * series + 1; ++picture) {
        rig.recorder->clear();
        QVERIFY(QMetaObject::invokeMethod(rig.controller.get(), "catchTransferRequest", Qt::DirectConnection));
        const QVector<Recorder::Entry> shown = rig.recorder->entries("signalLoading");
        for (const Recorder::Entry &entry : shown) {
            if (entry.args.value(0).toBool())
                loading << picture;
        }
        QCOMPARE(rig.recorder->count("signalPictureName"), 1);
    }
    QVector<int> expected;
    for (int picture = 0; picture < 2 * series + 1; picture += series)
        expected << picture;
    QCOMPARE(loading, expected);
}

QTEST_GUILESS_MAIN(tst_Controller)
#include "tst_controller.moc"
