#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString output; // standard output and error together
    QStringList log;
};

} // namespace

// Runs the real program the way a user starts it, with its data and settings
// folders in a temporary XDG location, offscreen, and reads what it leaves.
class tst_startup : public QObject
{
    Q_OBJECT

private:
    static Run runProgram(const QString &home, const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(TVK_PROGRAM_PATH), arguments);
        Run run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.output = QString::fromLocal8Bit(process.readAll());
        QFile log(home + QStringLiteral("/data/NorbaCamera/NorbaPellora/NorbaPellora3.log"));
        if (log.open(QIODevice::ReadOnly | QIODevice::Text))
            run.log = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return run;
    }

private Q_SLOTS:
    void aRunOpensItsWindowsAndQuitsCleanly()
    {
        QTemporaryDir home;
        const Run run = runProgram(home.path(), {QStringLiteral("--camera=simulated"), QStringLiteral("--quit-after=2")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.log.filter(QStringLiteral("] {Debug}    ====== Norba Pellora 3.8.0 ======")).size(), 1);
        QVERIFY(run.log.join(QLatin1Char('\n')).contains(QStringLiteral("main() - camera source: simulated camera")));
        QVERIFY(run.log.last().endsWith(QStringLiteral("] {Debug}    ====== Quit ======")));
        // The settings file is written on the way out.
        QVERIFY(QFile::exists(home.path() + QStringLiteral("/config/Norba Camera AG/NorbaPellora3.xml")));
    }

    void theCommandLineIsStrict_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on standard output or error, or in the log
        const QString usage = QStringLiteral("Usage: NorbaPellora");
        QTest::newRow("help") << QStringList{"--help"} << 0 << usage;
        QTest::newRow("unknown option") << QStringList{"--frobnicate=1"} << 2 << "unknown option --frobnicate";
        QTest::newRow("usage after an error") << QStringList{"--frobnicate=1"} << 2 << usage;
        QTest::newRow("stray argument") << QStringList{"camera"} << 2 << "unexpected argument \"camera\"";
        QTest::newRow("option without value") << QStringList{"--camera"} << 2 << "needs a value";
        QTest::newRow("empty product") << QStringList{"--camera=emulated:"} << 2 << "not a USB product id";
        QTest::newRow("product not hex") << QStringList{"--camera=emulated:abz"} << 2 << "not a USB product id";
        QTest::newRow("unknown product") << QStringList{"--camera=emulated:1234"} << 2
                                         << "no emulated camera for product 0x1234";
        QTest::newRow("unknown source") << QStringList{"--camera=wifi"} << 2 << "unknown camera source";
        QTest::newRow("bad seconds") << QStringList{"--run-for=soon"} << 2 << "--run-for takes 1 to 3600 seconds";
        QTest::newRow("hex product without 0x") << QStringList{"--camera=emulated:2061", "--run-for=1"} << 0
                                                << "camera source: emulated camera 0x2061";
        QTest::newRow("headless start line") << QStringList{"--camera=simulated", "--run-for=1"} << 0
                                             << "] {Debug}    ====== Norba Pellora 3.8.0 ======";
        QTest::newRow("WLAN camera without address") << QStringList{"--wlan-camera="} << 2
                                                     << "--wlan-camera needs an address";
        QTest::newRow("WLAN camera with a bad port") << QStringList{"--wlan-camera=camera:99999"} << 2
                                                     << "--wlan-camera: \"99999\" is no port";
        QTest::newRow("WLAN camera beside USB") << QStringList{"--wlan-camera=127.0.0.1:1", "--run-for=1"} << 0
                                                << "WLAN camera at 127.0.0.1:1 (from the command line)";
        QTest::newRow("Qt's own options pass") << QStringList{"-style", "fusion", "--camera=simulated", "--quit-after=1"}
                                               << 0 << "camera source: simulated camera";
    }

    void theCommandLineIsStrict()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir home;
        const Run run = runProgram(home.path(), arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString all = run.output + run.log.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(said), qPrintable(all));
    }

    void theWlanCameraGuidIsMadeOnceAndKept()
    {
        QTemporaryDir home;
        const QStringList arguments{QStringLiteral("--wlan-camera=127.0.0.1:1"), QStringLiteral("--run-for=1")};
        const auto guidInFile = [&home]() {
            QFile file(home.path() + QStringLiteral("/config/Norba Camera AG/NorbaPellora3.xml"));
            if (!file.open(QIODevice::ReadOnly))
                return QString();
            const QRegularExpression element(QStringLiteral("<WlanCameraGuid>([^<]*)</WlanCameraGuid>"));
            return element.match(QString::fromUtf8(file.readAll())).captured(1);
        };
        QCOMPARE(runProgram(home.path(), arguments).exitCode, 0);
        const QString guid = guidInFile();
        QVERIFY2(!QUuid(guid).isNull(), qPrintable(guid));
        QCOMPARE(runProgram(home.path(), arguments).exitCode, 0);
        QCOMPARE(guidInFile(), guid);
    }

    void aSecondRunLeavesOnlyItsOwnLines()
    {
        QTemporaryDir home;
        const QStringList arguments{QStringLiteral("--camera=simulated"), QStringLiteral("--quit-after=1")};
        const Run first = runProgram(home.path(), arguments);
        const Run second = runProgram(home.path(), arguments);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.log.filter(QStringLiteral("====== Norba Pellora 3.8.0 ======")).size(), 1);
        QVERIFY(!first.log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
