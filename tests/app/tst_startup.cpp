#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

// Runs the real program the way a user starts it, with its data folder in a
// temporary XDG location, and reads the log it leaves behind.
class tst_startup : public QObject
{
    Q_OBJECT

private:
    static QStringList runProgram(const QString &dataHome, int *exitCode, const QStringList &arguments = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TVK_PROGRAM_PATH), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
        }
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;

        QFile log(dataHome + QStringLiteral("/NorbaCamera/NorbaPellora/NorbaPellora3.log"));
        if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void aRunLogsItsStartAndEndAndExitsCleanly()
    {
        QTemporaryDir home;
        int exitCode = -1;
        const QStringList lines = runProgram(home.path(), &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.first().endsWith(QStringLiteral("] {Debug}    ====== NorbaPellora 3.8.0 ======")),
                 qPrintable(lines.first()));
        QVERIFY(lines.at(1).endsWith(QStringLiteral("main() - camera source: USB cameras")));
        QVERIFY(lines.last().endsWith(QStringLiteral("] {Debug}    ====== Quit ======")));
    }

    void theCameraSourceIsChosenOnTheCommandLine_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("logged");
        QTest::newRow("simulated") << "--camera=simulated" << 0 << "camera source: simulated camera";
        QTest::newRow("emulated default") << "--camera=emulated" << 0 << "camera source: emulated camera 0x2041";
        QTest::newRow("emulated product") << "--camera=emulated:0x2061" << 0
                                          << "camera source: emulated camera 0x2061";
        QTest::newRow("unknown product") << "--camera=emulated:0x1234" << 2
                                         << "Error: no emulated camera for product 0x1234";
        QTest::newRow("not a number") << "--camera=emulated:abc" << 2 << "Error: not a USB product id: abc";
        QTest::newRow("unknown source") << "--camera=wifi" << 2 << "Error: unknown camera source";
    }

    void theCameraSourceIsChosenOnTheCommandLine()
    {
        QFETCH(QString, argument);
        QFETCH(int, exitCode);
        QFETCH(QString, logged);
        QTemporaryDir home;
        int code = -1;
        const QStringList lines = runProgram(home.path(), &code, {argument});
        QCOMPARE(code, exitCode);
        QVERIFY2(lines.join(QLatin1Char('\n')).contains(logged), qPrintable(lines.join(QLatin1Char('\n'))));
    }

    void aSecondRunLeavesOnlyItsOwnLines()
    {
        QTemporaryDir home;
        int exitCode = -1;
        QCOMPARE(runProgram(home.path(), &exitCode).size(), 3);
        QCOMPARE(runProgram(home.path(), &exitCode).size(), 3);
        QCOMPARE(exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
