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
    static QStringList runProgram(const QString &dataHome, int *exitCode)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TVK_PROGRAM_PATH), QStringList());
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
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.first().endsWith(QStringLiteral("] {Debug}    ====== NorbaPellora 3.8.0 ======")),
                 qPrintable(lines.first()));
        QVERIFY(lines.last().endsWith(QStringLiteral("] {Debug}    ====== Quit ======")));
    }

    void aSecondRunLeavesOnlyItsOwnLines()
    {
        QTemporaryDir home;
        int exitCode = -1;
        QCOMPARE(runProgram(home.path(), &exitCode).size(), 2);
        QCOMPARE(runProgram(home.path(), &exitCode).size(), 2);
        QCOMPARE(exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
