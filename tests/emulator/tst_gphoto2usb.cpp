// gphoto2, an initiator written by others, against the emulated camera on a
// USB bus mocked by umockdev: the check that the emulator is a still-image
// device as the USB class and PTP have it, not only as our own access reads it.
//
// The bus lives in this process; gphoto2 runs as a child that inherits the
// preload library and UMOCKDEV_DIR, so its own libusb opens the mocked node and
// each of its ioctls comes back over umockdev's socket to the handler here,
// which runs on the testbed's worker thread (a main context of its own, not
// this thread's). The test waits on gphoto2 in an event loop all the same, so
// that nothing queued to this thread is held up while gphoto2 runs.
//
// The last checks drive the camera's side of a cable container by container,
// for what a standard initiator reads and gphoto2's commands leave unread.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_UmockdevBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Test_Gphoto2.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

using Camera = TVK_Emulator_Camera;
using MockBus = TVK_Emulator_UmockdevBus;
using Phase = TVK_Emulator_Transaction;

namespace {

constexpr int kWaitMs = 120000;
constexpr int kProduct = 0x2041;
constexpr int kPictures = 2;
constexpr int kOpGetObjectHandles = 0x1007;
constexpr int kOpGetObjectInfo = 0x1008;
constexpr int kOpGetObject = 0x1009;
constexpr int kOpGetNumObjects = 0x1006;
constexpr int kOpGetDeviceInfo = 0x1001;
constexpr int kRespOK = 0x2001;
constexpr quint16 kTypeCommand = 1;
constexpr quint16 kTypeResponse = 3;
constexpr quint16 kTypeEvent = 4;
constexpr quint32 kNoTransaction = 0xFFFFFFFF;
constexpr int kHeader = 12;

QString portOfTheCamera()
{
    return QStringLiteral("usb:%1,%2")
        .arg(MockBus::kBusNumber, 3, 10, QLatin1Char('0'))
        .arg(MockBus::kDeviceNumber, 3, 10, QLatin1Char('0'));
}

// The card as the camera itself lists it: handle and file name.
QVector<QPair<quint32, QString>> cardOf(Camera &camera)
{
    const QByteArray array = camera.transact(kOpGetObjectHandles, {0xFFFFFFFF, 0, 0}, Phase::kLEDataIn).data;
    QVector<QPair<quint32, QString>> card;
    for (int offset = 4; offset + 4 <= array.size(); offset += 4) {
        const quint32 handle = qFromLittleEndian<quint32>(array.constData() + offset);
        const QByteArray info = camera.transact(kOpGetObjectInfo, {handle}, Phase::kLEDataIn).data;
        card.append({handle, TVK_Logic_ObjectInfo(info).filename()});
    }
    return card;
}

QByteArray objectNamed(Camera &camera, const QString &name)
{
    for (const auto &entry : cardOf(camera)) {
        if (entry.second == name)
            return camera.transact(kOpGetObject, {entry.first}, Phase::kLEDataIn).data;
    }
    return QByteArray();
}

// A container's fields, read as a standard initiator reads them.
struct Container {
    quint32 length = 0;
    quint16 type = 0;
    quint16 code = 0;
    quint32 transactionId = 0;
    QVector<quint32> params;

    static Container of(const QByteArray &bytes)
    {
        Container c;
        if (bytes.size() < kHeader)
            return c;
        const char *in = bytes.constData();
        c.length = qFromLittleEndian<quint32>(in);
        c.type = qFromLittleEndian<quint16>(in + 4);
        c.code = qFromLittleEndian<quint16>(in + 6);
        c.transactionId = qFromLittleEndian<quint32>(in + 8);
        for (int offset = kHeader; offset + 4 <= bytes.size(); offset += 4)
            c.params.append(qFromLittleEndian<quint32>(in + offset));
        return c;
    }
};

// The camera at the far end of a cable with no bus in between: the host's
// side of the pipe is driven here, container by container, for what
// gphoto2's commands leave unread.
struct Cable {
    Cable()
        : camera(std::make_shared<Camera>(kProduct))
        , pipe(std::make_shared<TVK_Emulator_UsbPipe>(MockBus::kPacketSize))
        , responder(camera, pipe)
    {
        camera->setTimeScale(0.01);
    }

    Container transact(quint16 code, quint32 transactionId, const QVector<quint32> &params)
    {
        return send(code, transactionId, params) ? read() : Container();
    }

    bool send(quint16 code, quint32 transactionId, const QVector<quint32> &params)
    {
        QByteArray command(kHeader + 4 * params.size(), '\0');
        uchar *out = reinterpret_cast<uchar *>(command.data());
        qToLittleEndian<quint32>(quint32(command.size()), out);
        qToLittleEndian<quint16>(kTypeCommand, out + 4);
        qToLittleEndian<quint16>(code, out + 6);
        qToLittleEndian<quint32>(transactionId, out + 8);
        for (int i = 0; i < params.size(); ++i)
            qToLittleEndian<quint32>(params.at(i), out + kHeader + 4 * i);
        return pipe->bulkWrite(command.constData(), size_t(command.size()), kWaitMs) == TVK_Commu_UsbPipeIF::kLEOk;
    }

    // The next container from the camera, up to its short packet.
    Container read()
    {
        QByteArray buffer(64 * 1024, '\0');
        size_t received = 0;
        if (pipe->bulkRead(buffer.data(), size_t(buffer.size()), &received, kWaitMs) != TVK_Commu_UsbPipeIF::kLEOk)
            return Container();
        buffer.truncate(int(received));
        return Container::of(buffer);
    }

    // The next event, or an empty container after waitMs.
    Container event(int waitMs = kWaitMs)
    {
        QByteArray buffer(64, '\0');
        size_t received = 0;
        if (pipe->interruptRead(buffer.data(), size_t(buffer.size()), &received, waitMs) != TVK_Commu_UsbPipeIF::kLEOk)
            return Container();
        buffer.truncate(int(received));
        return Container::of(buffer);
    }

    std::shared_ptr<Camera> camera;
    std::shared_ptr<TVK_Emulator_UsbPipe> pipe;
    TVK_Emulator_UsbResponder responder;
};

} // namespace

class tst_gphoto2usb : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Gphoto2 m_gphoto2;
    std::unique_ptr<MockBus> m_bus;

    // Without a port gphoto2 finds the camera itself.
    QByteArray gphoto2(const QStringList &arguments, const QString &workingDirectory, bool *ok, bool givePort = true)
    {
        QStringList all = arguments;
        if (givePort)
            all = QStringList{QStringLiteral("--port"), portOfTheCamera()} + all;
        return m_gphoto2.run(all, workingDirectory, kWaitMs, ok);
    }

    QString directory(const QString &name) { return m_gphoto2.directory(name); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!MockBus::isMocked())
            QSKIP("not under umockdev-wrapper: the mocked USB bus cannot be made");
        if (m_gphoto2.program().isEmpty())
            QSKIP("gphoto2 is not installed (scripts/setup.sh installs it): the independent initiator is skipped");
        qRegisterMetaType<QProcess::ExitStatus>();
        QVERIFY(m_gphoto2.isValid());
        m_bus = std::make_unique<MockBus>(kProduct);
        for (int i = 0; i < kPictures; ++i)
            m_bus->camera()->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, Phase::kLENoData);
    }

    void cleanupTestCase() { m_bus.reset(); }

    // gphoto2 leaves no session open and the interface released.
    void cleanup()
    {
        if (!m_bus)
            return;
        QTRY_VERIFY_WITH_TIMEOUT(!m_bus->responder()->sessionOpen(), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_bus->usbfs().releases(), m_bus->usbfs().claims(), kWaitMs);
    }

    // Found by its still-image interface alone: gphoto2 has no entry for the
    // emulator's vendor and product.
    void autoDetectFindsTheCameraOnItsPort()
    {
        bool ok = false;
        const QByteArray output =
            gphoto2({QStringLiteral("--auto-detect")}, directory(QStringLiteral("detect")), &ok, false);
        QVERIFY(ok);
        QVERIFY2(output.contains(portOfTheCamera().toLatin1()), output.constData());
        QVERIFY2(output.contains("USB PTP Class Camera"), output.constData());
    }

    void summaryNamesTheCamera()
    {
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--summary")}, directory(QStringLiteral("summary")), &ok);
        QVERIFY(ok);
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(kProduct);
        QVERIFY(profile != nullptr);
        for (const QString &field : {profile->manufacturer, profile->model, profile->serialNumber})
            QVERIFY2(output.contains(field.toUtf8()), qPrintable(field + QLatin1Char('\n') + QString::fromUtf8(output)));
    }

    // Every property description comes over the bulk pipes; the maker's own
    // codes are unknown to gphoto2, which lists them by code.
    void listConfigReachesEveryProperty()
    {
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--list-config")}, directory(QStringLiteral("config")), &ok);
        QVERIFY(ok);
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(kProduct);
        QVERIFY(profile != nullptr);
        int vendorCodes = 0;
        for (quint16 code : profile->deviceProperties) {
            if (code < 0xD000)
                continue;
            ++vendorCodes;
            const QByteArray entry = "/main/other/" + QByteArray::number(code, 16) + '\n';
            QVERIFY2(output.contains(entry), entry.constData());
        }
        QVERIFY(vendorCodes > 0);
    }

    // gphoto2 sends Device Reset when OpenSession fails (here the camera
    // leaves it unanswered, so gphoto2 waits out its start time-out) and
    // then opens the session again.
    void failedOpenSessionIsResetAndOpenedAgain()
    {
        const int resets = m_bus->pipe()->resetRequests();
        m_bus->responder()->setSilentTransactions(1);
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--summary")}, directory(QStringLiteral("reset")), &ok);
        QVERIFY(ok);
        QVERIFY2(output.contains("Norba Camera AG"), output.constData());
        QCOMPARE(m_bus->pipe()->resetRequests(), resets + 1);
    }

    void listFilesShowsTheCard()
    {
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--list-files")}, directory(QStringLiteral("list")), &ok);
        QVERIFY(ok);
        const auto card = cardOf(*m_bus->camera());
        QVERIFY(card.size() >= kPictures);
        for (const auto &entry : card)
            QVERIFY2(output.contains(entry.second.toUtf8()), qPrintable(entry.second + '\n' + output));
    }

    void getFileMatchesTheEmulatorsBytes()
    {
        const QString into = directory(QStringLiteral("get"));
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--get-file"), QStringLiteral("1")}, into, &ok);
        QVERIFY(ok);
        const QStringList files = QDir(into).entryList(QDir::Files);
        QVERIFY2(files.size() == 1, output.constData());
        const QByteArray expected = objectNamed(*m_bus->camera(), files.first());
        QVERIFY2(!expected.isEmpty(), qPrintable(files.first()));
        QFile file(QDir(into).filePath(files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray got = file.readAll();
        QCOMPARE(got.size(), expected.size());
        QVERIFY(got == expected);
    }

    // The picture is kept on the card, so that the camera can be asked for
    // the bytes gphoto2 should have got. Of a picture written as two files
    // (raw and JPEG) gphoto2 takes the one announced last and drops the
    // other's ObjectAdded: what lands is a file of the capture, not all.
    void captureImageAndDownloadBringsTheNewPicture()
    {
        const auto before = cardOf(*m_bus->camera());
        const QString into = directory(QStringLiteral("capture"));
        bool ok = false;
        const QByteArray output =
            gphoto2({QStringLiteral("--capture-image-and-download"), QStringLiteral("--keep")}, into, &ok);
        QVERIFY(ok);
        const auto after = cardOf(*m_bus->camera());
        QVERIFY2(after.size() > before.size(), output.constData());
        QStringList added;
        for (int i = before.size(); i < after.size(); ++i)
            added.append(after.at(i).second);
        const QStringList files = QDir(into).entryList(QDir::Files);
        QVERIFY2(!files.isEmpty(), output.constData());
        for (const QString &name : files) {
            QVERIFY2(added.contains(name), qPrintable(added.join(QLatin1Char(' ')) + '\n' + output));
            const QByteArray expected = objectNamed(*m_bus->camera(), name);
            QFile file(QDir(into).filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray got = file.readAll();
            QCOMPARE(got.size(), expected.size());
            QVERIFY2(got == expected, qPrintable(name));
        }
    }

    // --- What gphoto2's commands leave unread --------------------------------------

    // A response carries the camera's parameters: the count of GetNumObjects
    // comes in it, not in a data phase.
    void responseCarriesTheCamerasParameters()
    {
        Cable cable;
        for (int i = 0; i < kPictures; ++i)
            cable.camera->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, Phase::kLENoData);
        QCOMPARE(cable.transact(Camera::kOpOpenSession, 0, {1}).code, quint16(kRespOK));
        const Container response = cable.transact(kOpGetNumObjects, 1, {0xFFFFFFFF, 0, 0});
        QCOMPARE(response.type, kTypeResponse);
        QCOMPARE(response.code, quint16(kRespOK));
        QCOMPARE(response.transactionId, 1u);
        QCOMPARE(response.length, quint32(kHeader + 4));
        QCOMPARE(response.params, QVector<quint32>{quint32(cardOf(*cable.camera).size())});
    }

    // The objects of an InitiateCapture and its completion are reported with
    // its transaction; CaptureComplete has no parameter, RequestObjectTransfer
    // names the object, and what the camera adds later belongs to no transaction.
    void captureEventsCarryTheCaptureTransaction()
    {
        Cable cable;
        QCOMPARE(cable.transact(Camera::kOpOpenSession, 0, {1}).code, quint16(kRespOK));
        constexpr quint32 kCapture = 5;
        QCOMPARE(cable.transact(TVK_Commu_Ptp::kOpInitiateCapture, kCapture, {0, 0}).code, quint16(kRespOK));
        QVector<Container> events;
        do {
            events.append(cable.event());
            QVERIFY2(events.last().type == kTypeEvent, "no CaptureComplete");
        } while (events.last().code != Camera::kEventCaptureComplete);

        QVector<quint32> card;
        for (const auto &entry : cardOf(*cable.camera))
            card.append(entry.first);
        int added = 0;
        int transfers = 0;
        for (const Container &event : events) {
            switch (event.code) {
            case Camera::kEventObjectAdded:
                ++added;
                QCOMPARE(event.transactionId, kCapture);
                QCOMPARE(event.params.size(), 1);
                QVERIFY(card.contains(event.params.first()));
                break;
            case Camera::kEventRequestObjectTransfer:
                ++transfers;
                QCOMPARE(event.transactionId, kNoTransaction);
                QCOMPARE(event.params.size(), 1);
                QVERIFY(card.contains(event.params.first()));
                break;
            case Camera::kEventCaptureComplete:
                QCOMPARE(event.transactionId, kCapture);
                QCOMPARE(event.length, quint32(kHeader));
                break;
            default:
                break;
            }
        }
        QCOMPARE(added, card.size());
        // The first picture on an empty buffer is offered for transfer at once.
        QCOMPARE(transfers, 1);

        cable.camera->transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, Phase::kLENoData);
        Container later;
        do {
            later = cable.event();
            QCOMPARE(later.type, kTypeEvent);
        } while (later.code != Camera::kEventObjectAdded);
        QCOMPARE(later.transactionId, kNoTransaction);
    }

    // Device Reset, which gphoto2 sends when OpenSession fails: the session
    // is closed, and neither the answer of an unfinished transaction nor an
    // older event reaches the host afterwards.
    void deviceResetClosesTheSessionAndDropsWhatWasOnItsWay()
    {
        Cable cable;
        QCOMPARE(cable.transact(Camera::kOpOpenSession, 0, {1}).code, quint16(kRespOK));
        QVERIFY(cable.send(kOpGetDeviceInfo, 1, {}));
        cable.responder.raiseEvent(Camera::kEventObjectAdded, {1});
        QCOMPARE(cable.pipe->resetDevice(), TVK_Commu_UsbPipeIF::kLEOk);
        QCOMPARE(cable.pipe->resetRequests(), 1);
        QVERIFY(!cable.responder.sessionOpen());
        QCOMPARE(cable.event(0).type, quint16(0));
        const Container response = cable.transact(Camera::kOpOpenSession, 0, {1});
        QCOMPARE(response.type, kTypeResponse);
        QCOMPARE(response.code, quint16(kRespOK));
        QCOMPARE(response.transactionId, 0u);
    }
};

QTEST_GUILESS_MAIN(tst_gphoto2usb)
#include "tst_gphoto2usb.moc"
