// gphoto2, an initiator written by others, against the emulator program: the
// check that the emulator speaks PTP/IP as the standard has it and not only as
// our own access reads it.
//
// gphoto2 takes a port for the command connection ("ptpip:HOST:PORT") but
// opens its event connection on the standard port 15740 whatever it was given,
// so the program listens on 15740 and the test holds the CTest resource lock
// ptpip_port.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Test_Gphoto2.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using Camera = TVK_Emulator_Camera;
using Phase = TVK_Emulator_Transaction;

namespace {

constexpr int kWaitMs = 60000;
constexpr int kPictures = 2;
constexpr quint16 kStandardPort = 15740;

QVector<quint32> handlesOf(Camera &camera)
{
    const QByteArray array = camera.transact(0x1007, {0xFFFFFFFF, 0, 0}, Phase::kLEDataIn).data;
    QVector<quint32> handles;
    for (int offset = 4; offset + 4 <= array.size(); offset += 4)
        handles.append(qFromLittleEndian<quint32>(array.constData() + offset));
    return handles;
}

} // namespace

class tst_gphoto2 : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Gphoto2 m_gphoto2;
    QProcess m_program;
    QByteArray m_programErrors;

    QByteArray gphoto2(const QStringList &arguments, const QString &workingDirectory, bool *ok)
    {
        const QStringList all = QStringList{QStringLiteral("--port"), QStringLiteral("ptpip:127.0.0.1"),
                                            QStringLiteral("--camera"), QStringLiteral("PTP/IP Camera")}
                                + arguments;
        return m_gphoto2.run(all, workingDirectory, kWaitMs, ok);
    }

    QString directory(const QString &name) { return m_gphoto2.directory(name); }

private Q_SLOTS:
    void initTestCase()
    {
        if (m_gphoto2.program().isEmpty())
            QSKIP("gphoto2 is not installed (scripts/test installs it): the independent client check is skipped");
        QVERIFY(m_gphoto2.isValid());

        m_program.start(QStringLiteral(TVK_PTPIP_CAMERA_PATH),
                        {QStringLiteral("--product=2041"), QStringLiteral("--address=127.0.0.1"),
                         QStringLiteral("--port=%1").arg(kStandardPort), QStringLiteral("--pictures=%1").arg(kPictures)});
        QVERIFY(m_program.waitForStarted(kWaitMs));
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&]() {
                out += m_program.readAllStandardOutput();
                return out.contains('\n') || m_program.state() == QProcess::NotRunning;
            },
            kWaitMs));
        QVERIFY2(out.startsWith("listening on 127.0.0.1:15740"), out.constData());
    }

    void cleanupTestCase()
    {
        if (m_program.state() == QProcess::NotRunning)
            return;
        m_program.terminate();
        QVERIFY(m_program.waitForFinished(kWaitMs));
        QCOMPARE(m_program.exitCode(), 0);
    }

    void summaryNamesTheCamera()
    {
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--summary")}, directory(QStringLiteral("summary")), &ok);
        QVERIFY(ok);
        QVERIFY2(output.contains("Norba Camera AG"), output.constData());
        QVERIFY2(output.contains("Velia"), output.constData());
    }

    // gphoto2 offers a range as a list of its values: a range that no camera
    // would give for a read-out never ends.
    void listConfigReachesEveryProperty()
    {
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--list-config")}, directory(QStringLiteral("config")), &ok);
        QVERIFY(ok);
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(0x2041);
        QVERIFY(profile != nullptr);
        // The maker's own codes are unknown to gphoto2: it lists them by code.
        for (quint16 code : profile->deviceProperties) {
            const QByteArray entry = "/main/other/" + QByteArray::number(code, 16) + '\n';
            if (code >= 0xD000)
                QVERIFY2(output.contains(entry), entry.constData());
        }
    }

    void listFilesShowsTheCard()
    {
        Camera same(0x2041);
        for (int i = 0; i < kPictures; ++i)
            same.transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, Phase::kLENoData);
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--list-files")}, directory(QStringLiteral("list")), &ok);
        QVERIFY(ok);
        const QVector<quint32> handles = handlesOf(same);
        QVERIFY(!handles.isEmpty());
        for (quint32 handle : handles) {
            const QString name =
                TVK_Logic_ObjectInfo(same.transact(0x1008, {handle}, Phase::kLEDataIn).data).filename();
            QVERIFY2(output.contains(name.toUtf8()), qPrintable(name + QLatin1Char('\n') + QString::fromUtf8(output)));
        }
    }

    void getFileMatchesTheEmulatorsBytes()
    {
        const QString into = directory(QStringLiteral("get"));
        bool ok = false;
        gphoto2({QStringLiteral("--get-file"), QStringLiteral("1")}, into, &ok);
        QVERIFY(ok);
        const QStringList files = QDir(into).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);

        // A camera of the same product and seed, asked the same, has the same card.
        Camera same(0x2041);
        for (int i = 0; i < kPictures; ++i)
            same.transact(TVK_Commu_Ptp::kOpInitiateCapture, {}, Phase::kLENoData);
        QByteArray expected;
        for (quint32 handle : handlesOf(same)) {
            const QString name =
                TVK_Logic_ObjectInfo(same.transact(0x1008, {handle}, Phase::kLEDataIn).data).filename();
            if (name == files.first())
                expected = same.transact(0x1009, {handle}, Phase::kLEDataIn).data;
        }
        QVERIFY2(!expected.isEmpty(), qPrintable(files.first()));
        QFile file(QDir(into).filePath(files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray got = file.readAll();
        QCOMPARE(got.size(), expected.size());
        QVERIFY(got == expected);
    }

    void captureImageAndDownloadBringsANewPicture()
    {
        const QString into = directory(QStringLiteral("capture"));
        bool ok = false;
        const QByteArray output = gphoto2({QStringLiteral("--capture-image-and-download")}, into, &ok);
        QVERIFY(ok);
        const QStringList files = QDir(into).entryList(QDir::Files);
        QVERIFY2(!files.isEmpty(), output.constData());
        QVERIFY(QFileInfo(QDir(into).filePath(files.first())).size() > 0);
    }
};

QTEST_GUILESS_MAIN(tst_gphoto2)
#include "tst_gphoto2.moc"
