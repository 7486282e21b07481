#pragma once

#include <QString>
#include <QStringList>

// The program's command line. It is small and strict: an option it does not
// know is an error, so a typing slip never silently starts the wrong camera.
// Single-dash options are Qt's own (-platform, -style, ...) and are left to Qt.
class TVK_App_Options
{
public:
    enum eLEAction { kLERun, kLEHelp, kLEError };

    // arguments as main() got them, the program name first.
    static TVK_App_Options parse(const QStringList &arguments);
    static QString usage();

    eLEAction action() const { return m_action; }
    QString error() const { return m_error; }
    // The value of --camera=, empty without it.
    QString camera() const { return m_camera; }
    bool hasCamera() const { return m_hasCamera; }
    // The value of --wlan-camera= (HOST[:PORT], checked by the camera layer),
    // empty without it.
    QString wlanCamera() const { return m_wlanCamera; }
    bool hasWlanCamera() const { return !m_wlanCamera.isEmpty(); }
    int runForSeconds() const { return m_runForSeconds; }     // 0: not given
    int quitAfterSeconds() const { return m_quitAfterSeconds; } // 0: not given

private:
    eLEAction m_action = kLERun;
    QString m_error;
    QString m_camera;
    bool m_hasCamera = false;
    QString m_wlanCamera;
    int m_runForSeconds = 0;
    int m_quitAfterSeconds = 0;
};
