#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using Camera = TVK_Emulator_Camera;
using Controller = TVK_Logic_Controller;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 20000;
constexpr int kProduct = 0x2041;
// Big enough that the transfer is still running when the camera is killed.
constexpr qint64 kLargeDngBytes = 100 * 1024 * 1024;

QString hidden(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).join(QLatin1Char(','));
}

// The controller as the program runs it with --wlan-camera=127.0.0.1:PORT and
// no USB camera: a camera of one product served in this process, or the
// emulator program's at port.
struct Rig : TVK_Test_CameraRig {
    explicit Rig(int product, quint16 port = 0)
        : TVK_Test_CameraRig(Options(product, kLEPtpIpLoopback).atPort(port))
    {
    }
    // Returns once everything the camera reported before has reached the
    // controller: the battery changes on the camera, and its event comes over
    // the event connection behind whatever was queued.
    bool settle()
    {
        m_battery = m_battery == 30 ? 60 : 30;
        const int before = count("signalBatteryLevelIntern");
        camera()->properties()->setValue(TVK_Commu_Prop::kBatteryLevel, m_battery);
        return QTest::qWaitFor([this, before]() { return count("signalBatteryLevelIntern") > before; }, kWaitMs);
    }

private:
    int m_battery = 60;
};

// The emulator program, started on a free port (or the one given).
class CameraProgram
{
public:
    bool start(const QStringList &extra, quint16 port = 0)
    {
        m_output.clear();
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                         [this]() { m_output += m_process.readAllStandardError(); }, Qt::UniqueConnection);
        m_process.start(QStringLiteral(TVK_PTPIP_CAMERA_PATH),
                        QStringList{QStringLiteral("--address=127.0.0.1"), QStringLiteral("--port=%1").arg(port)}
                            + extra);
        if (!m_process.waitForStarted(kWaitMs))
            return false;
        QByteArray out;
        const bool listening = QTest::qWaitFor(
            [this, &out]() {
                out += m_process.readAllStandardOutput();
                return out.contains('\n') || m_process.state() == QProcess::NotRunning;
            },
            kWaitMs);
        const QRegularExpressionMatch match
            = QRegularExpression(QStringLiteral("listening on [0-9.]+:([0-9]+)")).match(QString::fromLatin1(out));
        if (!listening || !match.hasMatch())
            return false;
        m_port = quint16(match.captured(1).toUInt());
        return m_port != 0;
    }
    void kill()
    {
        m_process.kill(); // SIGKILL: no goodbye on either connection
        m_process.waitForFinished(kWaitMs);
    }
    ~CameraProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(kWaitMs))
                kill();
        }
    }
    quint16 port() const { return m_port; }
    bool logged(const QString &fragment) const { return QString::fromUtf8(m_output).contains(fragment); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};

} // namespace

class tst_PtpIpSession : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void openFindsTheProductByItsModelName_data();
    void openFindsTheProductByItsModelName();
    void cameraWindowGetsTheCamerasSettingsOverTheNetwork();
    void settingGoesToTheCameraAndItsChangeEventComesBack();
    void releasedPictureArrivesOnDiskByteForByte_data();
    void releasedPictureArrivesOnDiskByteForByte();
    void liveViewFramesArrive();
    void cameraKilledDuringALargeTransferDisconnectsOnceAndComesBack();
};

void tst_PtpIpSession::openFindsTheProductByItsModelName_data()
{
    QTest::addColumn<int>("product");
    for (int product : {0x2031, 0x2041, 0x2044})
        QTest::addRow("0x%04X", product) << product;
}

void tst_PtpIpSession::openFindsTheProductByItsModelName()
{
    QFETCH(int, product);
    TVK_Test_LogCapture log;
    Rig local(product);
    QVERIFY(local.server()->port() != 0);
    QVERIFY(local.connected());
    const Controller &controller = *local.controller();
    QCOMPARE(controller.productId(), product);
    QCOMPARE(controller.productName(), TVK_Emulator_Profile::forProduct(product)->model);
    // Both connections are up, the session and the vendor session are open.
    QVERIFY(local.server()->hasInitiator());
    QVERIFY(!log.matching(QStringLiteral("from the model name")).isEmpty());
    QVERIFY(!log.matching(QStringLiteral("Registered for device event notifications")).isEmpty());
    QCOMPARE(local.count("signalCameraDisconnected"), 0);
    // The poll's probe stays away from the connected camera: still one
    // initiator, no refusal told to the user, a second later too.
    QTest::qWait(2500);
    QVERIFY(local.server()->hasInitiator());
    QCOMPARE(local.count("signalWarning"), 0);
    QCOMPARE(local.count("signalCameraDisconnected"), 0);
    QVERIFY(log.matching(QStringLiteral("Init Fail")).isEmpty());
}

void tst_PtpIpSession::cameraWindowGetsTheCamerasSettingsOverTheNetwork()
{
    Rig local(kProduct);
    QVERIFY(local.connected());
    TVK_Test_SignalRecorder &recorder = *local.recorder();
    recorder.clear();
    local.controller()->catchCameraGUIOpened();
    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(kProduct);
    QString serial = profile->serialNumber;
    serial.remove(QRegularExpression(QStringLiteral("^0*")));
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalCameraSerialNumber")).value(0).toString(), serial);
    QVERIFY(!recorder.lastArgs(QStringLiteral("signalFileFormatList")).value(0).toStringList().isEmpty());
    QVERIFY(!recorder.lastArgs(QStringLiteral("signalSensitivityList")).value(0).toStringList().isEmpty());
    const QStringList contrasts = recorder.lastArgs(QStringLiteral("signalContrastList")).value(0).toStringList();
    QCOMPARE(contrasts, (QStringList{QStringLiteral("Low"), QStringLiteral("Standard"), QStringLiteral("High")}));
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalContrast(QString)")).value(0).toString(),
             contrasts.value(int(local.camera()->properties()->value(TVK_Commu_Prop::kContrast))));
    QVERIFY(local.settle());
}

void tst_PtpIpSession::settingGoesToTheCameraAndItsChangeEventComesBack()
{
    Rig local(kProduct);
    QVERIFY(local.connected());
    local.controller()->catchCameraGUIOpened();
    QVERIFY(local.settle());
    TVK_Test_SignalRecorder &recorder = *local.recorder();
    const qint64 before = local.camera()->properties()->value(TVK_Commu_Prop::kContrast);
    const qint64 chosen = before == 2 ? 0 : 2;
    const QString chosenText = chosen == 2 ? QStringLiteral("High") : QStringLiteral("Low");

    // From the program to the camera, over the command connection.
    local.controller()->setContrast(chosenText);
    QTRY_COMPARE_WITH_TIMEOUT(local.camera()->properties()->value(TVK_Commu_Prop::kContrast), chosen, kWaitMs);

    // From the camera to the program: its change event on the event
    // connection brings the new text.
    recorder.clear();
    local.camera()->properties()->setValue(TVK_Commu_Prop::kContrast, 1);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.count(QStringLiteral("signalContrast(QString)")) >= 1, kWaitMs);
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalContrast(QString)")).value(0).toString(),
             QStringLiteral("Standard"));
}

void tst_PtpIpSession::releasedPictureArrivesOnDiskByteForByte_data()
{
    QTest::addColumn<qint64>("dngBytes"); // 0: a JPG of the camera's own size
    QTest::addRow("small JPG") << qint64(0);
    // Many Data packets, more than the socket takes at once: the server's
    // sending is paced by the socket.
    QTest::addRow("20 MB DNG") << qint64(20 * 1024 * 1024);
}

void tst_PtpIpSession::releasedPictureArrivesOnDiskByteForByte()
{
    QFETCH(qint64, dngBytes);
    Rig local(kProduct);
    QVERIFY(local.connected());
    TVK_Emulator_Capture *capture = local.camera()->component<TVK_Emulator_Capture>();
    QVERIFY(capture != nullptr);
    QVERIFY(local.useFolders(QStringLiteral("Wlan"), 7));
    const QString dng = local.folder("dng");
    const QString jpg = local.folder("jpg");
    Controller &controller = *local.controller();
    if (dngBytes > 0) {
        capture->overrideSetting(Camera::kLEFileFormat, 0);
        capture->setDngBytes(dngBytes);
    } else {
        local.camera()->properties()->setValue(TVK_Commu_Prop::kFileFormat, 2 /* JPG only */, false);
    }
    const QString folder = dngBytes > 0 ? dng : jpg;
    const QString other = dngBytes > 0 ? jpg : dng;

    controller.doCaptureBtnPressed();
    controller.doCaptureBtnReleased();
    QTRY_VERIFY_WITH_TIMEOUT(capture->picturesTaken() == 1 && capture->pendingCount() == 0
                                 && controller.camera()->transferThreadCount() == 0,
                             kWaitMs);
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(QDir(folder).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray onDisk = file.readAll();

    // The camera's own bytes of the object it now keeps on its card.
    const QVector<quint32> handles = capture->cardHandles();
    QVERIFY(!handles.isEmpty());
    const Camera::Result original
        = local.camera()->transact(TVK_Commu_Ptp::kOpGetObject, {handles.last()}, TVK_Emulator_Transaction::kLEDataIn);
    QCOMPARE(original.responseCode, 0x2001);
    QVERIFY(original.data.size() > 1000);
    QCOMPARE(onDisk.size(), original.data.size());
    QVERIFY(onDisk == original.data);
    if (dngBytes > 0)
        QCOMPARE(onDisk.size(), int(dngBytes));
    QCOMPARE(hidden(folder), files.first());
    QCOMPARE(hidden(other), QString());
}

void tst_PtpIpSession::liveViewFramesArrive()
{
    Rig local(kProduct);
    QVERIFY(local.connected());
    Controller &controller = *local.controller();
    int frames = 0;
    // The window's part: each frame shown asks for the next.
    connect(&controller, &Controller::signalLiveView, &controller, [&controller, &frames](const QImage &image) {
        if (!image.isNull())
            ++frames;
        QMetaObject::invokeMethod(&controller, &Controller::catchLiveViewConsumed, Qt::QueuedConnection);
    });
    controller.catchCameraGUIOpened();
    controller.catchLiveViewGUIOpened();
    controller.setLiveViewPhoto(true);
    QTRY_VERIFY_WITH_TIMEOUT(frames >= 5, kWaitMs);
    controller.setLiveViewPhoto(false);
    controller.catchLiveViewGUIClosed();
    QVERIFY(local.settle());
    QCOMPARE(local.count("signalCameraDisconnected"), 0);
}

void tst_PtpIpSession::cameraKilledDuringALargeTransferDisconnectsOnceAndComesBack()
{
    CameraProgram program;
    const QStringList options{QStringLiteral("--product=%1").arg(kProduct, 0, 16),
                              QStringLiteral("--dng-bytes=%1").arg(kLargeDngBytes)};
    QVERIFY(program.start(options));
    const quint16 port = program.port();

    TVK_Test_LogCapture log;
    Rig rig(kProduct, port);
    QVERIFY(rig.connected());
    QVERIFY(rig.useFolders(QStringLiteral("Killed"), 7));
    const QString dng = rig.folder("dng");
    const QString jpg = rig.folder("jpg");

    rig.controller()->doCaptureBtnPressed();
    rig.controller()->doCaptureBtnReleased();
    // The camera has answered GetObject and is sending the picture.
    QVERIFY(QTest::qWaitFor([&program]() { return program.logged(QStringLiteral("operation 0x1009")); }, kWaitMs));
    program.kill();

    // One disconnect, soon, whichever connection noticed first.
    QTRY_COMPARE_WITH_TIMEOUT(rig.count("signalCameraDisconnected"), 1, kWaitMs);
    QVERIFY(rig.controller()->camera() == nullptr);
    // Nothing half-written is left, not even the hidden partial file; the
    // transfer thread removes it when its read fails, which may come after
    // the disconnect.
    // The kill may also come just after the last byte: then the picture is on
    // disk whole, and only whole.
    QTRY_VERIFY_WITH_TIMEOUT(hidden(dng).isEmpty()
                                 || (hidden(dng) == QStringLiteral("Killed00007.DNG")
                                     && QFileInfo(QDir(dng).filePath(hidden(dng))).size() == kLargeDngBytes),
                             kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(hidden(jpg), QString(), kWaitMs);

    // The poll keeps asking every second and quietly gets no answer.
    log.clear();
    const int warnings = rig.count("signalWarning");
    QTest::qWait(3000);
    QCOMPARE(rig.count("signalCameraDisconnected"), 1);
    QCOMPARE(rig.count("signalCameraConnected"), 1);
    QCOMPARE(rig.count("signalWarning"), warnings);
    for (const QString &line : log.lines())
        QVERIFY2(!line.contains(QLatin1String("Error")), qPrintable(line));
    QVERIFY(!log.matching(QStringLiteral("no camera at 127.0.0.1")).isEmpty());

    // Back on the same address: found and connected again.
    CameraProgram again;
    QVERIFY(again.start({QStringLiteral("--product=%1").arg(kProduct, 0, 16)}, port));
    QVERIFY(rig.connected(2));
    QCOMPARE(rig.count("signalCameraDisconnected"), 1);
    QCOMPARE(rig.controller()->productId(), kProduct);
}

QTEST_GUILESS_MAIN(tst_PtpIpSession)
#include "tst_ptpipsession.moc"
