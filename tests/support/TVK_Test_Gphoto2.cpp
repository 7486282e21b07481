#include "TVK_Test_Gphoto2.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

TVK_Test_Gphoto2::TVK_Test_Gphoto2() : m_program(QStandardPaths::findExecutable(QStringLiteral("gphoto2")))
{
    directory(QStringLiteral("home/.config"));
}

QString TVK_Test_Gphoto2::directory(const QString &name) const
{
    const QString path = m_work.filePath(name);
    QDir().mkpath(path);
    return path;
}

QByteArray TVK_Test_Gphoto2::run(const QStringList &arguments, const QString &workingDirectory, int waitMs,
                                 bool *ok) const
{
    QProcess run;
    // Read at each run: a mocked USB bus sets UMOCKDEV_DIR in this process.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_work.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_work.filePath(QStringLiteral("home/.config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_work.filePath(QStringLiteral("home/.cache")));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.remove(QStringLiteral("LANGUAGE"));
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(workingDirectory);
    run.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&run, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    run.start(m_program, arguments);
    const bool started = run.waitForStarted(waitMs);
    const bool done = started && (finished.size() > 0 || finished.wait(waitMs));
    if (!done) {
        run.kill();
        run.waitForFinished(waitMs);
    }
    const QByteArray output = run.readAll();
    *ok = done && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
    if (!*ok)
        qWarning("gphoto2 %s failed:\n%s", qPrintable(arguments.join(QLatin1Char(' '))), output.constData());
    return output;
}
