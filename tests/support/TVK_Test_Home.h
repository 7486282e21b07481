#pragma once

#include <QString>
#include <QTemporaryDir>

// A home folder of the test's own: HOME and the XDG data and config folders
// point into a fresh temporary folder, so that nothing a test saves (pictures,
// settings, logs) reaches the user's. The platform works its folders out once
// per process, so make it before anything asks for them.
class TVK_Test_Home
{
public:
    TVK_Test_Home();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
