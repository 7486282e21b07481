#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Debian's gphoto2, an initiator written by others, run against the emulated
// camera: each run in a home of its own under a temporary folder, so that
// nothing of the machine's settings is read or written, in the C locale, so
// that its texts can be matched.
class TVK_Test_Gphoto2
{
public:
    TVK_Test_Gphoto2();

    // Empty when gphoto2 is not installed (scripts/setup.sh installs it).
    QString program() const { return m_program; }
    bool isValid() const { return m_work.isValid(); }

    // A folder of that name under the temporary one, made when missing.
    QString directory(const QString &name) const;

    // gphoto2 with the arguments in workingDirectory, its standard output and
    // errors merged; ok tells whether it ended by itself with exit code 0
    // within waitMs (else it is killed and the arguments logged with its
    // output). The event loop turns meanwhile, so nothing queued to this
    // thread waits for gphoto2.
    QByteArray run(const QStringList &arguments, const QString &workingDirectory, int waitMs, bool *ok) const;

private:
    QTemporaryDir m_work;
    QString m_program;
};
