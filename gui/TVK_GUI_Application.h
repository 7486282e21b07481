#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QMenuBar;
class QThread;
class QWidget;
class TVK_GUI_CameraArdo2;
class TVK_GUI_NoCamera;
class TVK_Logic_Controller;
class TVK_Logic_ControllerWorker;
class TVK_Logic_FolderSettings;

// The program's application object: identity and look, the camera logic in a
// thread of its own, every top-level window, the menus, and what happens when
// a camera comes and goes. It never talks to the camera; everything goes
// through the controller, queued across the thread boundary.
class TVK_GUI_Application : public QApplication
{
    Q_OBJECT

public:
    TVK_GUI_Application(int &argc, char **argv);
    ~TVK_GUI_Application() override;

    // The one application object of the process, or null before and after it.
    static TVK_GUI_Application *instance();

    // A complete menu bar; each main window builds its own with it.
    QMenuBar *createMenuBar(QWidget *parent = nullptr);

    TVK_Logic_Controller *controller() const { return m_controller; }
    QString panelFontFamily() const { return m_panelFontFamily; }
    TVK_GUI_NoCamera *noCameraWindow() const;
    TVK_GUI_CameraArdo2 *cameraWindow() const;
    bool quitRequested() const { return m_quitRequested; }

    // Puts the window on top of others, or not, as the settings say.
    static void applyAlwaysOnTop(QWidget *window);
    // Restores the window's stored rectangle when a present screen shows its
    // title bar; false when there is none or no screen does.
    static bool restoreGeometryOnScreen(QWidget *window);
    // The rectangle to use for a stored one on screens with these available
    // areas; an invalid rectangle when none shows the title-bar strip.
    static QRect fitOnScreens(const QRect &stored, const QList<QRect> &availableScreens);

    // Warnings go to a modal message box; tests take them instead.
    using WarningSink = std::function<void(const QString &)>;
    static void setWarningSinkForTesting(WarningSink sink);

    // Where the two web-page entries of the menus lead (configuration).
    static QString eulaAddress();
    static QString ownersAreaAddress();

Q_SIGNALS:
    void signalCameraGUIOpened();
    void signalCameraGUIClosed();
    void signalLiveViewGUIOpened();
    void signalLiveViewGUIClosed();
    void signalFinishController();
    void signalAudioVolMicrophone(double);

public Q_SLOTS:
    void setDngPath(const QString &path);
    void setJpgPath(const QString &path);
    void setPictureName(const QString &name);
    void setPictureIndex(int index);
    void setUnitsMenuEnabled(bool enabled);
    void setWantQuitIfStillConnected();

private Q_SLOTS:
    void catchCameraConnected();
    void catchCameraDisconnected();
    void catchCameraGUIDestroyed();
    void catchAboutDestroyed();
    void showWarning(const QString &text);
    void catchActionAbout();
    void catchActionEula();
    void catchActionQuit();
    void catchActionUnits();
    void catchActionAlwaysOnTop();
    void catchActionTransparency();
    void catchActionOpenManual();

private:
    void applyAlwaysOnTopToAll();
    void setOptionsMenusVisible(bool visible);
    void saveFolderSettings();

    QString m_panelFontFamily;
    std::unique_ptr<TVK_Logic_FolderSettings> m_folderSettings;
    TVK_Logic_Controller *m_controller = nullptr;
    QThread *m_controllerThread = nullptr;
    TVK_Logic_ControllerWorker *m_worker = nullptr;
    QList<QPointer<QMenu>> m_optionsMenus;
    QList<QPointer<QMenu>> m_unitsMenus;
    QPointer<TVK_GUI_NoCamera> m_noCameraWindow;
    QPointer<TVK_GUI_CameraArdo2> m_cameraWindow;
    bool m_quitRequested = false;
    bool m_cameraAnnounced = false;
};
