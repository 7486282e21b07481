// The camera control panel: its wiring to the controller and the application
// against the list of connections it must have, every controller value reaching
// the widget that shows it, every user action leaving as the window's signal,
// the read-outs' rules (battery, power switch, tool buttons, minimal panel) and
// the space bar as shutter button.

#include "TVK_Emulator_Camera.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_Capture.h"
#include "TVK_GUI_File.h"
#include "TVK_GUI_FocusDistanceWidget.h"
#include "TVK_GUI_LoadIndicatorWidget.h"
#include "TVK_GUI_PictureLabel.h"
#include "TVK_GUI_PushButton.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_ViewFinderArdo.h"
#include "TVK_GUI_ViewFinderBelo.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaMethod>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kBeloProduct = 0x2041;
const QString kImages = QStringLiteral(":/TVK_GUI/images/");

TVK_Test_CameraRig *g_rig = nullptr;

using Window = TVK_GUI_CameraArdo2;

// --- The connections the panel must make, written out by group -------------------------------

// Folder fields: from the controller and from the window to the application.
const char *const kToApplication[] = {"DngPath(QString)", "JpgPath(QString)", "PictureName(QString)",
                                      "PictureIndex(int)"};

// Controller to window only.
const char *const kControllerToWindow[] = {
    "Loading(bool)", "RemainingToLoad(int)", "TransferProgress(QString,qlonglong,qlonglong)",
    "3DAxisAngles(double,double)", "BatteryInfo(int)",
    "BatteryLevelIntern(int)", "BatteryLevelExtern(int)", "BulbCounter(int)", "HasPowerSwitch(bool)",
    "PowerSwitch(int)", "SelfTimerCounter(int)", "HasFlashStatus(bool)", "FlashStatus(int)",
    "HasFlashXSymbol(bool)", "FlashXSymbol(bool)", "LightBalance(int)", "HasKeyLock(bool)",
    "HasVideoRecording(bool)", "HasLiveView(bool)", "LiveViewMode(int)", "HasMirrorUpMode(bool)",
    // the Has, Use, List and Range forms of the two-way settings
    "FileFormatList(QStringList)", "HasDngCompression(bool)", "UseDngCompression(bool)",
    "DngCompressionList(QStringList)", "HasJpgColorSpace(bool)", "UseJpgColorSpace(bool)",
    "JpgColorSpaceList(QStringList)", "HasJpgResolution(bool)", "UseJpgResolution(bool)",
    "JpgResolutionList(QStringList)", "HasSensorFormat(bool)", "SensorFormatList(QStringList)",
    "HasPhotoAspectRatio(bool)", "PhotoAspectRatioList(QStringList)", "HasVideoFileFormat(bool)",
    "VideoFileFormatList(QStringList)", "HasVideoResAndFrRate(bool)", "VideoResAndFrRateList(QStringList)",
    "HasVideoFormatResol(bool)", "VideoFormatResolList(QStringList)", "ExposureModeList(QStringList)",
    "ExposMeteringList(QStringList)", "HasAperture(bool)", "ApertureList(QStringList)",
    "ShutterTimeList(QStringList)", "ExposCompensList(QStringList)", "SensitivityList(QStringList)",
    "HasWhiteBalance(bool)", "WhiteBalanceList(QStringList)", "WhiteBalTempList(QStringList)",
    "DriveModeList(QStringList)", "BracketImgNumList(QStringList)", "BracketDeltaEVList(QStringList)",
    "IntervalFramesRange(int,int)", "IntervalFramesList(QStringList)", "IntervalTimeRange(int,int)",
    "IntervalTimeList(QStringList)", "HasFocusMode(bool)", "HasFocusDistance(bool)",
    // the file format's code has no way back: the window reports texts only
    "FileFormat(int)",
    "PictureExample(QString)", "ExposureSimulation(int)", "ExposMetering(int)", "ExposCompens(int)",
    "ExposCompensStep(int)", "SensitivityAuto(bool)", "LiveSensitivity(int)", "IsWhiteBalTemp(bool)",
    "DriveMode(int)", "FocusMaxDistance(QString)", "FocusMinDistance(QString)", "FocusIsUnitFeet(bool)",
    "HasFocusConfirmation(bool)", "FocusConfirmation(int)", "FocusConfirmBadSig(bool)", "NoFocusConfirmation()"};

// Both ways.
const char *const kBothWays[] = {
    "KeyLock(bool)", "LiveViewPhoto(bool)", "LiveViewVideo(bool)", "WantQuickView(bool)", "MirrorUpMode(bool)",
    "FileFormat(QString)", "DngCompression(QString)", "JpgColorSpace(QString)", "JpgResolution(QString)",
    "SensorFormat(QString)", "PhotoAspectRatio(QString)", "VideoFileFormat(QString)",
    "VideoResAndFrRate(QString)", "VideoFormatResol(QString)", "DngPath(QString)", "JpgPath(QString)",
    "PictureName(QString)", "PictureIndex(int)", "ExposureMode(int)", "ExposMetering(QString)",
    "Aperture(QString)", "ShutterTime(QString)", "ExposCompens(QString)", "Sensitivity(QString)",
    "WhiteBalance(QString)", "WhiteBalTemp(QString)", "DriveMode(QString)", "BracketImgNum(QString)",
    "BracketDeltaEV(QString)", "IntervalFrames(int)", "IntervalFrames(QString)", "IntervalTime(int)",
    "IntervalTime(QString)", "FocusMode(int)", "FocusDistance(QString)"};

// Window to controller under other slot names.
const char *const kCommands[][2] = {
    {"signalCaptureBtnPressed()", "doCaptureBtnPressed()"},
    {"signalCaptureBtnReleased()", "doCaptureBtnReleased()"},
    {"signalVidCaptBtnPressed()", "doVidCaptBtnPressed()"},
    {"signalVidCaptBtnReleased()", "doVidCaptBtnReleased()"},
    {"signalFocusDistanceDec()", "setFocusDistanceDec()"},
    {"signalFocusDistanceInc()", "setFocusDistanceInc()"}};

struct Connection
{
    QString sender;
    QByteArray signal;
    QString receiver;
    QByteArray method;

    QString line() const
    {
        return QStringLiteral("%1 %2 -> %3 %4")
            .arg(sender, QLatin1String(signal), receiver, QLatin1String(method));
    }
};

QList<Connection> expectedConnections()
{
    QList<Connection> all;
    const auto add = [&all](const char *sender, const QByteArray &signal, const char *receiver,
                            const QByteArray &method) {
        all.append({QLatin1String(sender), signal, QLatin1String(receiver), method});
    };
    for (const char *thing : kToApplication) {
        add("controller", QByteArray("signal") + thing, "application", QByteArray("set") + thing);
        add("window", QByteArray("signal") + thing, "application", QByteArray("set") + thing);
    }
    for (const char *thing : kControllerToWindow)
        add("controller", QByteArray("signal") + thing, "window", QByteArray("set") + thing);
    for (const char *thing : kBothWays) {
        add("controller", QByteArray("signal") + thing, "window", QByteArray("set") + thing);
        add("window", QByteArray("signal") + thing, "controller", QByteArray("set") + thing);
    }
    for (const auto &command : kCommands)
        add("window", command[0], "controller", command[1]);
    add("controller", "signalIntervalRunning(bool)", "window", "catchIntervalRunning(bool)");
    return all;
}

// --- Emitting signals by signature ----------------------------------------------------------------

struct Emission
{
    const char *signature;
    QVariantList args;
    const char *sender = nullptr; // a child of the window by object name; the controller when null
};

bool emitBySignature(QObject *sender, const char *signature, const QVariantList &args)
{
    const QByteArray normalized = QMetaObject::normalizedSignature(signature);
    const int index = sender->metaObject()->indexOfSignal(normalized.constData());
    if (index < 0 || args.size() > 4)
        return false;
    QGenericArgument a[4];
    for (int i = 0; i < args.size(); ++i)
        a[i] = QGenericArgument(args.at(i).typeName(), args.at(i).constData());
    return sender->metaObject()->method(index).invoke(sender, Qt::DirectConnection, a[0], a[1], a[2], a[3]);
}

// --- What the window shows, as comparable lines ----------------------------------------------------

QString pathOf(const QObject *object, const QObject *root)
{
    QStringList parts;
    for (const QObject *o = object; o && o != root; o = o->parent()) {
        QString name = o->objectName();
        if (name.isEmpty()) {
            const QObject *parent = o->parent();
            const int index = parent ? parent->children().indexOf(const_cast<QObject *>(o)) : 0;
            name = QStringLiteral("%1#%2").arg(QLatin1String(o->metaObject()->className())).arg(index);
        }
        parts.prepend(name);
    }
    return parts.join(QLatin1Char('/'));
}

QStringList snapshot(const QWidget *window)
{
    QStringList lines;
    lines << QStringLiteral("title=%1").arg(window->windowTitle());
    for (const QObject *object : window->findChildren<QObject *>()) {
        const QString path = pathOf(object, window);
        QStringList state;
        if (const auto *timer = qobject_cast<const QTimer *>(object))
            state << QStringLiteral("active=%1").arg(timer->isActive());
        const auto *widget = qobject_cast<const QWidget *>(object);
        if (!widget) {
            if (!state.isEmpty())
                lines << path + QLatin1Char(' ') + state.join(QLatin1Char(' '));
            continue;
        }
        state << QStringLiteral("hidden=%1 enabled=%2").arg(widget->isHidden()).arg(widget->isEnabled());
        if (const auto *picture = qobject_cast<const TVK_GUI_PictureLabel *>(widget))
            state << QStringLiteral("picture=%1").arg(picture->picture());
        else if (const auto *label = qobject_cast<const QLabel *>(widget))
            state << QStringLiteral("text=%1").arg(label->text());
        if (const auto *load = qobject_cast<const TVK_GUI_LoadIndicatorWidget *>(widget))
            state << QStringLiteral("frame=%1").arg(load->frame());
        if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            state << QStringLiteral("items=%1 current=%2").arg(items.join(QLatin1Char('|'))).arg(combo->currentIndex());
        }
        if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
            state << QStringLiteral("text=%1").arg(edit->text());
            if (const auto *range = qobject_cast<const QIntValidator *>(edit->validator()))
                state << QStringLiteral("range=%1..%2").arg(range->bottom()).arg(range->top());
        }
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            state << QStringLiteral("checked=%1 text=%2").arg(button->isChecked()).arg(button->text());
        if (const auto *slider = qobject_cast<const QAbstractSlider *>(widget))
            state << QStringLiteral("slider=%1").arg(slider->value());
        if (const auto *focus = qobject_cast<const TVK_GUI_FocusDistanceWidget *>(widget))
            state << QStringLiteral("min=%1 max=%2").arg(focus->minDistance()).arg(focus->maxDistance());
        const QVariant powerSwitch = widget->property("PowerSwitch");
        if (powerSwitch.isValid())
            state << QStringLiteral("PowerSwitch=%1").arg(powerSwitch.toInt());
        lines << path + QLatin1Char(' ') + state.join(QLatin1Char(' '));
    }
    return lines;
}

QStringList changedLines(const QStringList &before, const QStringList &after)
{
    const QSet<QString> old(before.cbegin(), before.cend());
    QStringList changed;
    for (const QString &line : after) {
        if (!old.contains(line))
            changed << line;
    }
    return changed;
}

template <typename T>
T *child(const QObject *root, const char *name)
{
    return root->findChild<T *>(QLatin1String(name));
}

QString pictureOf(const QObject *root, const char *name)
{
    const auto *label = child<TVK_GUI_PictureLabel>(root, name);
    return label ? label->picture() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

bool fireNow(QTimer *timer)
{
    if (!timer || !timer->isActive())
        return false;
    timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout");
}

void sendKey(QWidget *target, QEvent::Type type, bool autoRepeat = false)
{
    QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
    QApplication::sendEvent(target, &event);
}

} // namespace

Q_DECLARE_METATYPE(QList<Emission>)

class tst_CameraPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void wiringIsExactlyTheListOfConnections();
    void everyWindowSlotHasAControllerSignal();
    void aClosedWindowLeavesNoConnectionBehind();
    void controllerSignalReachesItsWidget_data();
    void controllerSignalReachesItsWidget();
    void userActionLeavesAsTheWindowSignal_data();
    void userActionLeavesAsTheWindowSignal();
    void formHasTheNamedPartsAndSizes();
    void spaceBarIsTheShutterButton();
    void spaceBarInATextFieldTypesABlank();
    void focusReturnsToTheShutterButton();
    void batteryLevelPicture_data();
    void batteryLevelPicture();
    void batteryInfoShowsTheSymbols_data();
    void batteryInfoShowsTheSymbols();
    void mainsShowsTheACSymbol();
    void powerSwitchProperty_data();
    void powerSwitchProperty();
    void powerSwitchRepolishesTheButton();
    void toolButtonsFollowTheCamera();
    void flashXSymbolIsOnlySwitchedOff();
    void minimalPanelIsStoredPerProduct();
    void shutterButtonReleasesWhenFocusIsLostWhileHeld();
    void beloBodyGetsThePictureViewFinder(); // plugs the emulated camera in, so it runs last

private:
    std::unique_ptr<Window> makeWindow(bool show = false);
    TVK_Logic_Controller *controller() const { return TVK_GUI_Application::instance()->controller(); }
};

void tst_CameraPanel::initTestCase()
{
    QVERIFY(TVK_GUI_Application::instance());
    QVERIFY(controller());
    TVK_GUI_Resources::initialize();
    QCOMPARE(controller()->productId(), 0);
}

void tst_CameraPanel::cleanup()
{
    TVK_GUI_Settings::instance()->setLastProductId(0);
}

std::unique_ptr<Window> tst_CameraPanel::makeWindow(bool show)
{
    auto window = std::make_unique<Window>(TVK_GUI_Application::instance(), controller());
    if (show) {
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("window did not become active");
    }
    return window;
}

void tst_CameraPanel::wiringIsExactlyTheListOfConnections()
{
    auto window = makeWindow();
    const QList<Connection> expected = expectedConnections();
    QStringList expectedLines;
    for (const Connection &c : expected)
        expectedLines << c.line();
    QStringList made = window->madeConnections();
    QCOMPARE(made.size(), expected.size());
    made.sort();
    expectedLines.sort();
    QCOMPARE(made, expectedLines);

    // Each of them really exists, exactly once: the first disconnect finds it, the second nothing.
    QObject *objects[] = {window.get(), controller(), TVK_GUI_Application::instance()};
    const auto objectOf = [&objects](const QString &name) {
        return name == QLatin1String("window") ? objects[0]
               : name == QLatin1String("controller") ? objects[1] : objects[2];
    };
    for (const Connection &c : expected) {
        QObject *receiver = objectOf(c.receiver);
        const bool toSignal = receiver->metaObject()->indexOfSignal(c.method.constData()) >= 0;
        const QByteArray signal = "2" + c.signal;
        const QByteArray method = (toSignal ? "2" : "1") + c.method;
        QVERIFY2(QObject::disconnect(objectOf(c.sender), signal.constData(), receiver, method.constData()),
                 qPrintable(c.line()));
        QVERIFY2(!QObject::disconnect(objectOf(c.sender), signal.constData(), receiver, method.constData()),
                 qPrintable(QStringLiteral("twice: ") + c.line()));
    }
}

// The controller and the application outlive every window; what a window
// connects between them goes with it, or each reconnect would add a copy.
void tst_CameraPanel::aClosedWindowLeavesNoConnectionBehind()
{
    makeWindow().reset();
    QVERIFY(!QObject::disconnect(controller(), SIGNAL(signalDngPath(QString)), TVK_GUI_Application::instance(),
                                 SLOT(setDngPath(QString))));
}

void tst_CameraPanel::everyWindowSlotHasAControllerSignal()
{
    TVK_Test_LogCapture log;
    auto window = makeWindow();
    // Every slot of the window has its signal: the interval fields follow
    // the controller's own signalIntervalRunning.
    QCOMPARE(log.matching(QStringLiteral(" - no controller ")), QStringList());
    QVERIFY(log.matching(QStringLiteral("cannot connect")).isEmpty());
}

void tst_CameraPanel::controllerSignalReachesItsWidget_data()
{
    QTest::addColumn<QList<Emission>>("before");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QStringList>("widgets");

    const QStringList abc = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    const auto row = [](const char *signal, const QVariantList &args, const QStringList &widgets,
                        const QList<Emission> &before = {}) {
        QTest::newRow(signal) << before << QByteArray(signal) << args << widgets;
    };
    const auto list = [&abc](const char *signal) { return Emission{signal, {abc}}; };
    const QString vf = QStringLiteral("wgtViewFinder");

    row("signalLoading(bool)", {true}, {"wgtLoadIndicator"});
    row("signalRemainingToLoad(int)", {5}, {"wgtLoadCounter"});
    row("signalTransferProgress(QString,qint64,qint64)", {"Pic0001.DNG", qint64(20000000), qint64(50000000)},
        {"wgtTransferProgress"});
    row("signal3DAxisAngles(double,double)", {10.0, -20.0}, {vf});
    row("signalBatteryInfo(int)", {2}, {"lblBattExt", "symBattExt"});
    row("signalBatteryLevelIntern(int)", {50}, {"symBattInt"});
    row("signalBatteryLevelExtern(int)", {90}, {"symBattExt"});
    row("signalHasPowerSwitch(bool)", {false}, {"pbnCapture"},
        {{"signalHasPowerSwitch(bool)", {true}}, {"signalPowerSwitch(int)", {2}}});
    row("signalPowerSwitch(int)", {3}, {"pbnCapture"}, {{"signalHasPowerSwitch(bool)", {true}}});
    row("signalBulbCounter(int)", {12}, {vf});
    row("signalSelfTimerCounter(int)", {7}, {vf});
    row("signalHasFlashStatus(bool)", {false}, {vf});
    row("signalFlashStatus(int)", {1}, {vf}, {{"signalHasFlashStatus(bool)", {true}}});
    row("signalHasFlashXSymbol(bool)", {false}, {vf}, {{"signalFlashXSymbol(bool)", {true}}});
    row("signalFlashXSymbol(bool)", {true}, {vf});
    row("signalLightBalance(int)", {3}, {vf}, {{"signalIsExpModeManual(bool)", {true}, "tabCamera"}});
    row("signalHasKeyLock(bool)", {false}, {"tbnKeyLock"});
    row("signalKeyLock(bool)", {true}, {"tbnKeyLock"});
    row("signalHasLiveView(bool)", {true}, {"tbnLVPhoto"});
    row("signalLiveViewPhoto(bool)", {true}, {"tbnLVPhoto"});
    row("signalWantQuickView(bool)", {true}, {"tbnQuickView"});
    row("signalHasMirrorUpMode(bool)", {false}, {"tbnMirrorUp"});
    row("signalMirrorUpMode(bool)", {true}, {"tbnMirrorUp"});

    row("signalFileFormatList(QStringList)", {abc}, {"cbbFileFormat"});
    row("signalFileFormat(QString)", {"B"}, {"cbbFileFormat"}, {list("signalFileFormatList(QStringList)")});
    for (const char *name : {"DngCompression", "JpgColorSpace", "JpgResolution", "SensorFormat", "PhotoAspectRatio"}) {
        const QByteArray n(name);
        const QString combo = QStringLiteral("cbb") + QLatin1String(name);
        const QByteArray listSignal = "signal" + n + "List(QStringList)";
        static QList<QByteArray> keep; // the rows keep pointers into these
        keep << listSignal;
        QTest::newRow(QByteArray("signalHas" + n + "(bool)").constData())
            << QList<Emission>{} << QByteArray("signalHas" + n + "(bool)") << QVariantList{false} << QStringList{combo};
        QTest::newRow(listSignal.constData())
            << QList<Emission>{} << listSignal << QVariantList{abc} << QStringList{combo};
        QTest::newRow(QByteArray("signal" + n + "(QString)").constData())
            << QList<Emission>{{keep.last().constData(), {abc}}} << QByteArray("signal" + n + "(QString)")
            << QVariantList{QStringLiteral("C")} << QStringList{combo};
    }
    for (const char *name : {"DngCompression", "JpgColorSpace", "JpgResolution"}) {
        const QByteArray signal = QByteArray("signalUse") + name + "(bool)";
        QTest::newRow(signal.constData()) << QList<Emission>{} << signal << QVariantList{false}
                                          << QStringList{QStringLiteral("cbb") + QLatin1String(name)};
    }
    row("signalDngPath(QString)", {"/tmp/dng"}, {"wgtDngPath"});
    row("signalJpgPath(QString)", {"/tmp/jpg"}, {"wgtJpgPath"});
    row("signalPictureExample(QString)", {"Shot_0001.DNG"}, {"stxExampleName"});
    row("signalPictureName(QString)", {"Studio"}, {"ledPictureName"});
    row("signalPictureIndex(int)", {42}, {"ledPictureIndex"});

    row("signalExposureModeList(QStringList)", {QStringList{"P", "A", "S", "M"}}, {"wgtExposMode"});
    row("signalExposureMode(int)", {3}, {"wgtExposMode", vf},
        {{"signalExposureModeList(QStringList)", {QStringList{"P", "A", "S", "M"}}}});
    row("signalExposMeteringList(QStringList)", {abc}, {"cbbExposMetering"});
    row("signalExposMetering(int)", {1}, {vf});
    row("signalExposMetering(QString)", {"B"}, {"cbbExposMetering"}, {list("signalExposMeteringList(QStringList)")});
    row("signalHasAperture(bool)", {false}, {"tabCamera", vf});
    row("signalApertureList(QStringList)", {abc}, {"cbbAperture"});
    row("signalAperture(QString)", {"4.0"}, {"cbbAperture", vf},
        {{"signalApertureList(QStringList)", {QStringList{"2.8", "4.0"}}}});
    row("signalShutterTimeList(QStringList)", {abc}, {"cbbShutterTime"});
    row("signalShutterTime(QString)", {"1/250"}, {"cbbShutterTime", vf},
        {{"signalShutterTimeList(QStringList)", {QStringList{"1/125", "1/250"}}}});
    row("signalExposCompensList(QStringList)", {abc}, {"cbbExposCompens"});
    row("signalExposCompens(int)", {3}, {vf});
    row("signalExposCompens(QString)", {"B"}, {"cbbExposCompens"}, {list("signalExposCompensList(QStringList)")});
    row("signalSensitivityAuto(bool)", {true}, {"cbbSensitivity"},
        {list("signalSensitivityList(QStringList)"), {"signalSensitivityAuto(bool)", {false}},
         {"signalSensitivity(QString)", {"B"}}});
    row("signalSensitivityList(QStringList)", {abc}, {"cbbSensitivity"});
    row("signalSensitivity(QString)", {"B"}, {"cbbSensitivity"},
        {list("signalSensitivityList(QStringList)"), {"signalSensitivityAuto(bool)", {false}}});
    row("signalHasWhiteBalance(bool)", {false}, {"tabCamera"});
    row("signalWhiteBalanceList(QStringList)", {abc}, {"cbbWhiteBalance"});
    row("signalWhiteBalance(QString)", {"B"}, {"cbbWhiteBalance"}, {list("signalWhiteBalanceList(QStringList)")});
    row("signalIsWhiteBalTemp(bool)", {false}, {"cbbWhiteBalTemp"});
    row("signalWhiteBalTempList(QStringList)", {abc}, {"cbbWhiteBalTemp"});
    row("signalWhiteBalTemp(QString)", {"B"}, {"cbbWhiteBalTemp"}, {list("signalWhiteBalTempList(QStringList)")});
    row("signalDriveModeList(QStringList)", {abc}, {"cbbDriveMode"});
    row("signalDriveMode(int)", {4}, {"tabCamera"});
    row("signalDriveMode(QString)", {"B"}, {"cbbDriveMode"}, {list("signalDriveModeList(QStringList)")});
    row("signalBracketImgNumList(QStringList)", {abc}, {"cbbBracketImgNum"});
    row("signalBracketImgNum(QString)", {"B"}, {"cbbBracketImgNum"}, {list("signalBracketImgNumList(QStringList)")});
    row("signalBracketDeltaEVList(QStringList)", {abc}, {"cbbBracketDeltaEV"});
    row("signalBracketDeltaEV(QString)", {"B"}, {"cbbBracketDeltaEV"},
        {list("signalBracketDeltaEVList(QStringList)")});
    row("signalIntervalFramesRange(int,int)", {2, 50}, {"ledIntervalFrames"});
    row("signalIntervalFramesList(QStringList)", {abc}, {"cbbIntervalFrames"});
    row("signalIntervalFrames(int)", {7}, {"ledIntervalFrames"});
    row("signalIntervalFrames(QString)", {"B"}, {"cbbIntervalFrames"}, {list("signalIntervalFramesList(QStringList)")});
    row("signalIntervalRunning(bool)", {true}, {"ledIntervalFrames", "ledIntervalTime", "cbbIntervalFrames"});
    row("signalIntervalTimeRange(int,int)", {2, 50}, {"ledIntervalTime"});
    row("signalIntervalTimeList(QStringList)", {abc}, {"cbbIntervalTime"});
    row("signalIntervalTime(int)", {9}, {"ledIntervalTime"});
    row("signalIntervalTime(QString)", {"B"}, {"cbbIntervalTime"}, {list("signalIntervalTimeList(QStringList)")});
    row("signalHasFocusMode(bool)", {false}, {"wgtFocusMode"});
    row("signalFocusMode(int)", {1}, {"wgtFocusMode"});
    // signalHasFocusDistance(bool) shows nothing here (the application's units menu takes it).
    row("signalFocusMaxDistance(QString)", {"10"}, {"wgtFocusDistance"});
    row("signalFocusMinDistance(QString)", {"0.7"}, {"wgtFocusDistance"});
    row("signalFocusIsUnitFeet(bool)", {true}, {"wgtFocusDistance"});
    row("signalFocusDistance(QString)", {"2.5"}, {"wgtFocusDistance"},
        {{"signalHasFocusDistance(bool)", {true}},
         {"signalFocusMaxDistance(QString)", {"10"}},
         {"signalFocusMinDistance(QString)", {"0.7"}}});
    row("signalHasFocusConfirmation(bool)", {false}, {vf});
    row("signalFocusConfirmation(int)", {1}, {vf}, {{"signalHasFocusConfirmation(bool)", {true}}});
    row("signalFocusConfirmBadSig(bool)", {true}, {vf}, {{"signalHasFocusConfirmation(bool)", {true}}});
    row("signalNoFocusConfirmation()", {}, {vf},
        {{"signalHasFocusConfirmation(bool)", {true}}, {"signalFocusConfirmation(int)", {1}}});
}

void tst_CameraPanel::controllerSignalReachesItsWidget()
{
    QFETCH(QList<Emission>, before);
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, args);
    QFETCH(QStringList, widgets);

    auto window = makeWindow();
    for (const Emission &e : before) {
        QObject *sender = e.sender ? window->findChild<QObject *>(QLatin1String(e.sender)) : controller();
        QVERIFY2(sender && emitBySignature(sender, e.signature, e.args), e.signature);
    }
    QCoreApplication::processEvents();
    const QStringList old = snapshot(window.get());
    QVERIFY(emitBySignature(controller(), signal.constData(), args));
    // Direct from this thread; queued would arrive within the wait as well.
    QStringList changed;
    QTRY_VERIFY_WITH_TIMEOUT(!(changed = changedLines(old, snapshot(window.get()))).isEmpty(), 2000);
    for (const QString &widget : widgets) {
        const bool seen = std::any_of(changed.cbegin(), changed.cend(),
                                      [&widget](const QString &line) { return line.contains(widget); });
        QVERIFY2(seen, qPrintable(QStringLiteral("%1 not changed; changed: %2").arg(widget, changed.join("; "))));
    }
}

void tst_CameraPanel::userActionLeavesAsTheWindowSignal_data()
{
    QTest::addColumn<QString>("source");       // tab object name, or a button
    QTest::addColumn<QByteArray>("signal");    // of the source and the window alike
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QByteArray>("controllerSlot");

    const auto tab = [](const char *tabName, const char *signal, const QVariantList &args, const char *slot) {
        QTest::newRow(QByteArray(tabName).append(' ').append(signal).constData())
            << QString::fromLatin1(tabName) << QByteArray(signal) << args << QByteArray(slot);
    };
    const QString text = QStringLiteral("X");
    for (const char *name : {"FileFormat", "DngCompression", "JpgColorSpace", "JpgResolution", "SensorFormat",
                             "PhotoAspectRatio", "VideoFileFormat", "VideoResAndFrRate", "VideoFormatResol",
                             "DngPath", "JpgPath", "PictureName"}) {
        static QList<QByteArray> keep;
        keep << QByteArray("signal") + name + "(QString)" << QByteArray("set") + name + "(QString)";
        tab("tabFile", keep.at(keep.size() - 2).constData(), {text}, keep.last().constData());
    }
    tab("tabFile", "signalPictureIndex(int)", {17}, "setPictureIndex(int)");
    tab("tabCamera", "signalExposureMode(int)", {2}, "setExposureMode(int)");
    for (const char *name : {"ExposMetering", "Aperture", "ShutterTime", "ExposCompens", "Sensitivity",
                             "WhiteBalance", "WhiteBalTemp", "DriveMode", "BracketImgNum", "BracketDeltaEV",
                             "IntervalFrames", "IntervalTime", "FocusDistance"}) {
        static QList<QByteArray> keep;
        keep << QByteArray("signal") + name + "(QString)" << QByteArray("set") + name + "(QString)";
        tab("tabCamera", keep.at(keep.size() - 2).constData(), {text}, keep.last().constData());
    }
    tab("tabCamera", "signalIntervalFrames(int)", {5}, "setIntervalFrames(int)");
    tab("tabCamera", "signalIntervalTime(int)", {6}, "setIntervalTime(int)");
    tab("tabCamera", "signalFocusMode(int)", {1}, "setFocusMode(int)");
    tab("tabCamera", "signalFocusDistanceDec()", {}, "setFocusDistanceDec()");
    tab("tabCamera", "signalFocusDistanceInc()", {}, "setFocusDistanceInc()");

    tab("tbnKeyLock", "signalKeyLock(bool)", {true}, "setKeyLock(bool)");
    tab("tbnLVPhoto", "signalLiveViewPhoto(bool)", {true}, "setLiveViewPhoto(bool)");
    tab("tbnQuickView", "signalWantQuickView(bool)", {true}, "setWantQuickView(bool)");
    tab("tbnMirrorUp", "signalMirrorUpMode(bool)", {true}, "setMirrorUpMode(bool)");
    tab("pbnCapture pressed", "signalCaptureBtnPressed()", {}, "doCaptureBtnPressed()");
    tab("pbnCapture released", "signalCaptureBtnReleased()", {}, "doCaptureBtnReleased()");
}

void tst_CameraPanel::userActionLeavesAsTheWindowSignal()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, args);
    QFETCH(QByteArray, controllerSlot);

    auto window = makeWindow(true);
    window->setHasLiveView(true);
    const QByteArray windowSignal = "2" + signal;
    QSignalSpy spy(window.get(), windowSignal.constData());
    QVERIFY(spy.isValid());
    QSignalSpy released(window.get(), SIGNAL(signalCaptureBtnReleased()));

    if (source.startsWith(QLatin1String("tab"))) {
        QObject *from = window->findChild<QObject *>(source);
        QVERIFY(from);
        QVERIFY(emitBySignature(from, signal.constData(), args));
    } else if (source.startsWith(QLatin1String("tbn"))) {
        auto *button = window->findChild<QToolButton *>(source);
        QVERIFY(button);
        QVERIFY(button->isVisibleTo(window.get()));
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        auto *button = child<TVK_GUI_PushButton>(window.get(), "pbnCapture");
        QVERIFY(button);
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(button->isHeld(), true);
        if (source.endsWith(QLatin1String("released"))) {
            QTest::mouseRelease(button, Qt::LeftButton);
            QCOMPARE(button->isHeld(), false);
        }
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first(), args);
    if (signal != "signalCaptureBtnReleased()")
        QCOMPARE(released.count(), 0);

    const QString line = QStringLiteral("window %1 -> controller %2")
                             .arg(QLatin1String(signal), QLatin1String(controllerSlot));
    QVERIFY2(window->madeConnections().contains(line), qPrintable(line));
}

void tst_CameraPanel::formHasTheNamedPartsAndSizes()
{
    auto window = makeWindow(true);
    QCOMPARE(window->windowTitle(), controller()->productName());
    QVERIFY(window->menuBar());
    QVERIFY(!window->menuBar()->actions().isEmpty());
    for (const char *name : {"centralWidget", "tabWidget", "tabCamera", "tabFile", "wgtLoadIndicator",
                             "wgtLoadCounter", "lblBattInt", "symBattInt", "lblBattExt", "symBattExt", "tbnMinGUI",
                             "tbnKeyLock", "tbnQuickView", "tbnLVPhoto", "tbnMirrorUp", "pbnCapture"})
        QVERIFY2(child<QWidget>(window.get(), name), name);
    for (const char *name : {"verticalLayout", "vlyIconAreas", "hlyViewFinderContainer", "hlyTools", "vlyTools",
                             "hlyToolsLoad", "hlyToolsBattContainer", "hlyToolsBatt", "hlyToolsBottom"})
        QVERIFY2(child<QLayout>(window.get(), name), name);
    auto *tabs = child<QTabWidget>(window.get(), "tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Camera Settings"));
    QCOMPARE(tabs->tabText(1), QStringLiteral(" File Settings"));
    QVERIFY(qobject_cast<TVK_GUI_Capture *>(tabs->widget(0)));
    QVERIFY(qobject_cast<TVK_GUI_File *>(tabs->widget(1)));
    for (const char *name : {"tbnMinGUI", "tbnKeyLock", "tbnQuickView", "tbnLVPhoto", "tbnMirrorUp"}) {
        auto *button = child<QToolButton>(window.get(), name);
        QVERIFY2(button->isCheckable() && button->text().isEmpty(), name);
    }
    QVERIFY(qobject_cast<TVK_GUI_PushButton *>(child<QWidget>(window.get(), "pbnCapture")));
    QCOMPARE(window->minimumWidth(), 368);
    QCOMPARE(window->maximumWidth(), 368);
    QCOMPARE(window->width(), 368);
    QCOMPARE(window->height(), 480);
    QVERIFY(tabs->sizePolicy().retainSizeWhenHidden());
    // No camera: the 7-segment variant; the live-view button waits for the camera.
    QVERIFY(qobject_cast<TVK_GUI_ViewFinderArdo *>(window->viewFinder()));
    QCOMPARE(window->viewFinder()->parentWidget(), child<QWidget>(window.get(), "centralWidget"));
    QVERIFY(child<QHBoxLayout>(window.get(), "hlyViewFinderContainer")->indexOf(window->viewFinder()) >= 0);
    QVERIFY(child<QWidget>(window.get(), "tbnLVPhoto")->isHidden());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(window.get(), "pbnCapture"));
    QCOMPARE(window->focusReturnTimer()->interval(), 5000);
    QVERIFY(window->focusReturnTimer()->isSingleShot());
    QVERIFY(!window->isBeingDestroyed());
    // Without a camera a closed panel does not make the application quit.
    makeWindow().reset();
    QVERIFY(!TVK_GUI_Application::instance()->quitRequested());
    QCOMPARE(pictureOf(window.get(), "lblCameraBody"), QString(kImages + "CameraBody.png"));
    QCOMPARE(pictureOf(window.get(), "lblCameraHandle"), QString(kImages + "CameraHandle.png"));

    // The look as a user sees it, for review.
    TVK_GUI_Resources::applyStyleSheet(window.get());
    emitBySignature(controller(), "signalBatteryInfo(int)", {2});
    emitBySignature(controller(), "signalBatteryLevelIntern(int)", {70});
    emitBySignature(controller(), "signalBatteryLevelExtern(int)", {30});
    emitBySignature(controller(), "signalRemainingToLoad(int)", {3});
    emitBySignature(controller(), "signalShutterTimeList(QStringList)", {QStringList{"1/125", "1/250"}});
    emitBySignature(controller(), "signalShutterTime(QString)", {"1/250"});
    emitBySignature(controller(), "signalApertureList(QStringList)", {QStringList{"2.8", "4.0"}});
    emitBySignature(controller(), "signalAperture(QString)", {"4.0"});
    QCoreApplication::processEvents();
    QVERIFY(window->grab().save(QStringLiteral("/tmp/panel_ardo.png")));
    QTest::mouseClick(child<QToolButton>(window.get(), "tbnMinGUI"), Qt::LeftButton);
    QVERIFY(window->grab().save(QStringLiteral("/tmp/panel_ardo_minimal.png")));
    QTest::mouseClick(child<QToolButton>(window.get(), "tbnMinGUI"), Qt::LeftButton);
}

void tst_CameraPanel::spaceBarIsTheShutterButton()
{
    auto window = makeWindow(true);
    auto *capture = child<TVK_GUI_PushButton>(window.get(), "pbnCapture");
    QCOMPARE(QApplication::focusWidget(), capture);
    QSignalSpy pressed(window.get(), SIGNAL(signalCaptureBtnPressed()));
    QSignalSpy released(window.get(), SIGNAL(signalCaptureBtnReleased()));

    QTest::keyPress(capture, Qt::Key_Space);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 0);
    // Consumed: the focused button never saw the key.
    QVERIFY(!capture->isDown());
    QVERIFY(window->isSpaceBarDown());

    // The keyboard's repeat neither presses again nor lets go.
    sendKey(capture, QEvent::KeyRelease, true);
    sendKey(capture, QEvent::KeyPress, true);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 0);

    QTest::keyRelease(capture, Qt::Key_Space);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QVERIFY(!window->isSpaceBarDown());
    QVERIFY(!capture->isDown());

    // Anywhere in the window, not only on the button.
    QTest::keyClick(child<QWidget>(window.get(), "tabWidget"), Qt::Key_Space);
    QCOMPARE(pressed.count(), 2);
    QCOMPARE(released.count(), 2);

    // Other keys pass.
    QTest::keyClick(capture, Qt::Key_A);
    QCOMPARE(pressed.count(), 2);
}

void tst_CameraPanel::spaceBarInATextFieldTypesABlank()
{
    auto window = makeWindow(true);
    auto *tabs = child<QTabWidget>(window.get(), "tabWidget");
    tabs->setCurrentIndex(1);
    auto *name = child<QLineEdit>(window.get(), "ledPictureName");
    QVERIFY(name);
    name->setText(QStringLiteral("Shot"));
    name->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget *>(name), kWaitMs);
    QSignalSpy pressed(window.get(), SIGNAL(signalCaptureBtnPressed()));
    QSignalSpy released(window.get(), SIGNAL(signalCaptureBtnReleased()));

    QTest::keyPress(name, Qt::Key_Space);
    QTest::keyRelease(name, Qt::Key_Space);
    QCOMPARE(name->text(), QStringLiteral("Shot "));
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(released.count(), 0);
    QVERIFY(!window->isSpaceBarDown());
}

void tst_CameraPanel::focusReturnsToTheShutterButton()
{
    auto window = makeWindow(true);
    child<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
    auto *capture = child<QWidget>(window.get(), "pbnCapture");
    auto *name = child<QLineEdit>(window.get(), "ledPictureName");
    QTimer *timer = window->focusReturnTimer();
    QVERIFY(!timer->isActive());

    name->setFocus(); // focus-in starts it
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget *>(name), kWaitMs);
    QVERIFY(timer->isActive());
    timer->stop();
    QTest::keyClick(name, Qt::Key_S); // typing starts it again
    QVERIFY(timer->isActive());
    QCOMPARE(timer->remainingTime() > 4000, true);

    QVERIFY(fireNow(timer));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), capture, kWaitMs);
    QCOMPARE(name->text(), QStringLiteral("s"));
}

void tst_CameraPanel::batteryLevelPicture_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("picture");
    const struct { int level; const char *picture; } rows[] = {
        {-1, "BatteryEmpty"}, {0, "BatteryEmpty"}, {25, "BatteryEmpty"}, {26, "Battery10perCent"},
        {34, "Battery10perCent"}, {35, "Battery25perCent"}, {46, "Battery25perCent"}, {47, "Battery50perCent"},
        {62, "Battery50perCent"}, {63, "Battery75perCent"}, {87, "Battery75perCent"}, {88, "Battery100perCent"},
        {100, "Battery100perCent"}, {101, "BatteryEmpty"}, {255, "BatteryEmpty"}};
    for (const auto &r : rows)
        QTest::addRow("%d", r.level) << r.level << QString::fromLatin1(r.picture);
}

void tst_CameraPanel::batteryLevelPicture()
{
    QFETCH(int, level);
    QFETCH(QString, picture);
    auto window = makeWindow();
    emitBySignature(controller(), "signalBatteryInfo(int)", {2});
    // Start from a picture the row does not expect, so a stale one cannot pass.
    emitBySignature(controller(), "signalBatteryLevelIntern(int)", {picture == "BatteryEmpty" ? 50 : 0});
    emitBySignature(controller(), "signalBatteryLevelExtern(int)", {picture == "BatteryEmpty" ? 50 : 0});
    QVERIFY(emitBySignature(controller(), "signalBatteryLevelIntern(int)", {level}));
    QTRY_COMPARE_WITH_TIMEOUT(pictureOf(window.get(), "symBattInt"), QString(kImages + picture + ".png"), kWaitMs);
    QVERIFY(emitBySignature(controller(), "signalBatteryLevelExtern(int)", {level}));
    QTRY_COMPARE_WITH_TIMEOUT(pictureOf(window.get(), "symBattExt"), QString(kImages + picture + ".png"), kWaitMs);
}

void tst_CameraPanel::batteryInfoShowsTheSymbols_data()
{
    QTest::addColumn<int>("info");
    QTest::addColumn<bool>("intern");
    QTest::addColumn<bool>("extern_");
    QTest::newRow("0 none") << 0 << false << false;
    QTest::newRow("1 internal") << 1 << true << false;
    QTest::newRow("2 both") << 2 << true << true;
    QTest::newRow("3 mains") << 3 << true << false;
    QTest::newRow("4 unknown") << 4 << false << false;
    QTest::newRow("-1 unknown") << -1 << false << false;
}

void tst_CameraPanel::batteryInfoShowsTheSymbols()
{
    QFETCH(int, info);
    QFETCH(bool, intern);
    QFETCH(bool, extern_);
    auto window = makeWindow(true);
    // From the opposite state, so that every flag has to move.
    window->setBatteryInfo(intern ? 0 : 2);
    QVERIFY(emitBySignature(controller(), "signalBatteryInfo(int)", {info}));
    QTRY_COMPARE_WITH_TIMEOUT(child<QWidget>(window.get(), "symBattInt")->isVisible(), intern, kWaitMs);
    QCOMPARE(child<QWidget>(window.get(), "lblBattInt")->isVisible(), intern);
    QCOMPARE(child<QWidget>(window.get(), "lblBattExt")->isVisible(), extern_);
    QCOMPARE(child<QWidget>(window.get(), "symBattExt")->isVisible(), extern_);
}

void tst_CameraPanel::mainsShowsTheACSymbol()
{
    auto window = makeWindow();
    const QString ac = kImages + QStringLiteral("BatteryAC.png");
    window->setBatteryInfo(2);
    window->setBatteryLevelIntern(90);
    window->setBatteryLevelExtern(50);
    window->setBatteryInfo(3);
    QCOMPARE(pictureOf(window.get(), "symBattInt"), ac);
    QCOMPARE(pictureOf(window.get(), "symBattExt"), ac);
    window->setBatteryLevelIntern(50); // a level reported on mains still shows the plug
    QCOMPARE(pictureOf(window.get(), "symBattInt"), ac);
    window->setBatteryInfo(1);
    window->setBatteryLevelIntern(50);
    QCOMPARE(pictureOf(window.get(), "symBattInt"), QString(kImages + QStringLiteral("Battery50perCent.png")));
}

void tst_CameraPanel::powerSwitchProperty_data()
{
    QTest::addColumn<bool>("hasSwitch");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");
    for (int v : {-1, 0, 1, 2, 3, 4}) {
        QTest::addRow("with switch %d", v) << true << v << (v >= 1 && v <= 3 ? v : 0);
        QTest::addRow("without switch %d", v) << false << v << 0;
    }
}

void tst_CameraPanel::powerSwitchProperty()
{
    QFETCH(bool, hasSwitch);
    QFETCH(int, value);
    QFETCH(int, shown);
    auto window = makeWindow();
    QWidget *capture = child<QWidget>(window.get(), "pbnCapture");
    QCOMPARE(capture->property("PowerSwitch").toInt(), 0);
    window->setHasPowerSwitch(true);
    window->setPowerSwitch(shown == 1 ? 2 : 1); // a different value before
    QVERIFY(emitBySignature(controller(), "signalHasPowerSwitch(bool)", {hasSwitch}));
    QVERIFY(emitBySignature(controller(), "signalPowerSwitch(int)", {value}));
    QTRY_COMPARE_WITH_TIMEOUT(capture->property("PowerSwitch").toInt(), shown, kWaitMs);
    // Switching the switch off shows the plain button.
    window->setHasPowerSwitch(false);
    QCOMPARE(capture->property("PowerSwitch").toInt(), 0);
}

void tst_CameraPanel::powerSwitchRepolishesTheButton()
{
    auto window = makeWindow(true);
    QVERIFY(TVK_GUI_Resources::applyStyleSheet(window.get()));
    QWidget *capture = child<QWidget>(window.get(), "pbnCapture");
    window->setHasPowerSwitch(true);
    const QImage plain = capture->grab().toImage();
    window->setPowerSwitch(2);
    const QImage fps = capture->grab().toImage();
    window->setPowerSwitch(3);
    const QImage cs = capture->grab().toImage();
    window->setPowerSwitch(0);
    const QImage plainAgain = capture->grab().toImage();
    // The style sheet's property selectors are only seen after a re-polish.
    QVERIFY(plain != fps);
    QVERIFY(fps != cs);
    QCOMPARE(plainAgain, plain);
}

void tst_CameraPanel::toolButtonsFollowTheCamera()
{
    auto window = makeWindow(true);
    auto *lv = child<QToolButton>(window.get(), "tbnLVPhoto");
    auto *keyLock = child<QToolButton>(window.get(), "tbnKeyLock");
    auto *mirror = child<QToolButton>(window.get(), "tbnMirrorUp");
    auto *quick = child<QToolButton>(window.get(), "tbnQuickView");
    QVERIFY(!lv->isVisible());
    window->setHasLiveView(true);
    QVERIFY(lv->isVisible());
    window->setHasVideoRecording(true); // re-applies, does not change
    QVERIFY(lv->isVisible());
    window->setHasLiveView(false);
    window->setHasVideoRecording(false);
    QVERIFY(!lv->isVisible());
    window->setLiveViewPhoto(true);
    QVERIFY(lv->isChecked());
    window->setLiveViewVideo(false); // no video button here: ignored
    QVERIFY(lv->isChecked());

    for (QToolButton *button : {keyLock, mirror}) {
        const bool isKeyLock = button == keyLock;
        isKeyLock ? window->setHasKeyLock(false) : window->setHasMirrorUpMode(false);
        QVERIFY(!button->isVisible());
        isKeyLock ? window->setHasKeyLock(true) : window->setHasMirrorUpMode(true);
        QVERIFY(button->isVisible());
        isKeyLock ? window->setKeyLock(true) : window->setMirrorUpMode(true);
        QVERIFY(button->isChecked());
        isKeyLock ? window->setKeyLock(false) : window->setMirrorUpMode(false);
        QVERIFY(!button->isChecked());
    }
    window->setWantQuickView(true);
    QVERIFY(quick->isChecked());
    // Being told the state is not the user's click: nothing goes back.
    QSignalSpy quickSpy(window.get(), SIGNAL(signalWantQuickView(bool)));
    window->setWantQuickView(false);
    QCOMPARE(quickSpy.count(), 0);
    QTest::mouseClick(quick, Qt::LeftButton);
    QCOMPARE(quickSpy.count(), 1);
    QCOMPARE(quickSpy.first().first().toBool(), true);
}

void tst_CameraPanel::flashXSymbolIsOnlySwitchedOff()
{
    auto window = makeWindow();
    window->setFlashXSymbol(true);
    const QStringList lit = snapshot(window.get());
    window->setHasFlashXSymbol(true);
    QCOMPARE(snapshot(window.get()), lit);
    window->setHasFlashXSymbol(false);
    const QStringList off = snapshot(window.get());
    QVERIFY(off != lit);
    window->setFlashXSymbol(false);
    QCOMPARE(snapshot(window.get()), off);
}

void tst_CameraPanel::minimalPanelIsStoredPerProduct()
{
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    settings->setLastProductId(0x2061);
    settings->setIsMinimalControlGUI(false);
    settings->setLastProductId(0x2031);
    settings->setIsMinimalControlGUI(true);

    auto window = makeWindow(true);
    auto *minGui = child<QToolButton>(window.get(), "tbnMinGUI");
    auto *tabs = child<QWidget>(window.get(), "tabWidget");
    QVERIFY(minGui->isChecked());
    QCOMPARE(window->height(), 140);
    QCOMPARE(window->minimumHeight(), 140);
    QCOMPARE(window->maximumHeight(), 140);
    QVERIFY(tabs->isHidden());
    QVERIFY(window->isVisible());

    QTest::mouseClick(minGui, Qt::LeftButton);
    QVERIFY(!minGui->isChecked());
    QCOMPARE(window->maximumHeight(), 480);
    QTRY_COMPARE_WITH_TIMEOUT(window->height(), 480, kWaitMs);
    QVERIFY(!tabs->isHidden());
    QVERIFY(window->isVisible()); // shown again after the new layout
    QCOMPARE(window->width(), 368);
    QCOMPARE(settings->isMinimalControlGUI(), false);

    QTest::mouseClick(minGui, Qt::LeftButton);
    QCOMPARE(window->maximumHeight(), 140);
    QCOMPARE(settings->isMinimalControlGUI(), true);
    settings->setLastProductId(0x2061);
    QCOMPARE(settings->isMinimalControlGUI(), false); // the other body kept its own choice

    // A hidden window stays hidden when its layout changes.
    auto hidden = makeWindow(false);
    QMetaObject::invokeMethod(hidden.get(), "catchMinGUIClicked", Q_ARG(bool, true));
    QVERIFY(!hidden->isVisible());
    QCOMPARE(hidden->maximumHeight(), 140);
}

void tst_CameraPanel::shutterButtonReleasesWhenFocusIsLostWhileHeld()
{
    QWidget host;
    auto *layout = new QHBoxLayout(&host);
    auto *button = new TVK_GUI_PushButton(&host);
    auto *other = new QLineEdit(&host);
    layout->addWidget(button);
    layout->addWidget(other);
    host.show();
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    QSignalSpy released(button, &QPushButton::released);

    // Not held: a focus change says nothing.
    button->setFocus();
    other->setFocus();
    QCOMPARE(released.count(), 0);

    // Held down by the pointer: one release when the focus goes.
    button->setFocus();
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(button->isHeld());
    other->setFocus();
    QCOMPARE(released.count(), 1);
    QVERIFY(!button->isHeld());
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(released.count(), 1);

    // Held, but the pointer left the button (no longer drawn down): still one release.
    released.clear();
    button->setFocus();
    QTest::mousePress(button, Qt::LeftButton);
    button->setDown(false);
    QVERIFY(button->isHeld());
    other->setFocus();
    QCOMPARE(released.count(), 1);
    QVERIFY(!button->isHeld());
}

void tst_CameraPanel::beloBodyGetsThePictureViewFinder()
{
    // The controller emits in its own thread: the recorder's list is guarded.
    TVK_Test_SignalRecorder recorder(controller());
    g_rig->camera()->attach();
    QTRY_COMPARE_WITH_TIMEOUT(recorder.count(QStringLiteral("signalCameraConnected")), 1, kWaitMs);
    QCOMPARE(controller()->productId(), kBeloProduct);
    {
        auto window = makeWindow(true);
        QVERIFY(qobject_cast<TVK_GUI_ViewFinderBelo *>(window->viewFinder()));
        QCOMPARE(window->windowTitle(), controller()->productName());
        QVERIFY(!window->windowTitle().isEmpty());

        // The camera's state reaches this window too once the application's own is open.
        auto *aperture = child<QComboBox>(window.get(), "cbbAperture");
        QTRY_VERIFY_WITH_TIMEOUT(TVK_GUI_Application::instance()->cameraWindow() != nullptr, kWaitMs);
        QMetaObject::invokeMethod(controller(), "catchCameraGUIOpened", Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(aperture->count() > 0, kWaitMs);
        TVK_GUI_Resources::applyStyleSheet(window.get());
        QCoreApplication::processEvents();
        QVERIFY(window->grab().save(QStringLiteral("/tmp/panel_belo.png")));

        // A window that goes while the camera is still there asks the application
        // to quit (the user closed the panel); the last thing this test does.
        QVERIFY(!TVK_GUI_Application::instance()->quitRequested());
        makeWindow().reset();
        QVERIFY(TVK_GUI_Application::instance()->quitRequested());
        g_rig->camera()->removeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(QStringLiteral("signalCameraDisconnected")), 1, kWaitMs);
    }
}

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    TVK_Test_CameraRig::Options options(kBeloProduct);
    options.controller = false; // the application's
    options.plugged = false;    // by the last test only
    TVK_Test_CameraRig rig(options);
    g_rig = &rig;
    TVK_GUI_Settings::registerXmlFormat();
    int result = 0;
    {
        TVK_GUI_Application app(argc, argv);
        tst_CameraPanel test;
        result = QTest::qExec(&test, argc, argv);
    }
    TVK_GUI_Settings::destroyInstance();
    return result;
}

#include "tst_camerapanel.moc"
