#pragma once

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QDialog;
class QImage;
class QMenu;
class QMenuBar;
class QNetworkReply;
class QThread;
class QWidget;
class TVK_GUI_CameraArdo2;
class TVK_GUI_ImageViewer;
class TVK_GUI_LiveViewInfoWidget;
class TVK_GUI_LiveViewWindow;
class TVK_GUI_CommandServer;
class TVK_GUI_NoCamera;
class TVK_GUI_QuickViewWindow;
class TVK_GUI_UpdateChecker;
class TVK_GUI_WarningBox;
class TVK_Logic_CommandFacade;
class TVK_Logic_Controller;
class TVK_Logic_ControllerWorker;
class TVK_Logic_FolderSettings;

// The program's application object: identity and look, the camera logic in a
// thread of its own, every top-level window, the menus, and what happens when
// a camera comes and goes. It never talks to the camera; everything goes
// through the controller, queued across the thread boundary. The live view
// and quick view windows, the update check and the remote commands are
// collaborators it owns; its own slots of theirs pass the calls on.
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
    // The live view and quick view windows while they exist, else null.
    QWidget *liveViewWindow() const;
    TVK_GUI_ImageViewer *liveViewViewer() const;
    TVK_GUI_LiveViewInfoWidget *liveViewInfoWidget() const;
    QWidget *quickViewWindow() const;
    TVK_GUI_ImageViewer *quickViewViewer() const;
    // The turn (0, 90, 180 or 270 degrees) of the last live frame shown.
    int liveViewRotation() const;
    // The profile names the profile dialogs work on, in ascending order.
    const QStringList &profileNames() const { return m_profileNames; }

    // The turn of the live image for the camera's orientation, or (without
    // one) against its first axis angle.
    static int liveViewRotationFor(bool hasOrientation, int orientation, double firstAxisAngle);
    // A normalised point turned clockwise by rotation degrees about the
    // picture's centre; a negative coordinate (no position) passes unchanged.
    static QPointF rotatedPoint(const QPointF &point, int rotation);
    static QRectF rotatedRect(const QRectF &rect, int rotation);

    // Puts the window on top of others, or not, as the settings say.
    static void applyAlwaysOnTop(QWidget *window);
    // Restores the window's stored rectangle when a present screen shows its
    // title bar; false when there is none or no screen does.
    static bool restoreGeometryOnScreen(QWidget *window);
    // The rectangle to use for a stored one on screens with these available
    // areas; an invalid rectangle when none shows the title-bar strip.
    static QRect fitOnScreens(const QRect &stored, const QList<QRect> &availableScreens);

    // Warnings go to the one warning box, which counts repeats; tests take
    // them instead.
    using WarningSink = std::function<void(const QString &)>;
    static void setWarningSinkForTesting(WarningSink sink);

    // The result of an update check goes to the update dialog or to an
    // information box, both modal to their window; tests take it instead.
    using UpdateSink = std::function<void(bool updateAvailable, const QString &text)>;
    static void setUpdateSinkForTesting(UpdateSink sink);

    // Where the two web-page entries of the menus lead (configuration).
    static QString eulaAddress();
    static QString ownersAreaAddress();
    // Where the update information document is fetched from (configuration).
    static QString updateInfoAddress();

    // The port the command server listens on (127.0.0.1), 0 when it does not.
    quint16 commandServerPort() const;

    // The version the update information document offers ("major.minor.build"
    // of its one UpdateInfo element); false, with a log line, for anything else.
    static bool updateVersionFromXml(const QByteArray &xml, QString *version);

    // Whether version is three decimal numbers greater than current, compared
    // number by number; false (with a log line) when either is not three
    // numbers.
    static bool isNewerVersion(const QString &version, const QString &current);

Q_SIGNALS:
    void signalCameraGUIOpened();
    void signalCameraGUIClosed();
    void signalLiveViewGUIOpened();
    void signalLiveViewGUIClosed();
    void signalFinishController();
    void signalAudioVolMicrophone(double);
    void signalLiveViewMode(int);
    void signalLiveZoomInfo(int, int, double, double);
    void signalLiveZoomRect(double, double, double, double);
    void signalCrossPosEdited(double, double);
    void signalGCPipPosEdited(double, double);
    void signalLiveViewPixmap(QPixmap);
    void signalQuickViewPixmap(QPixmap);
    void signalTcpCommand(QByteArray);
    void signalUpdateVersion(QString);

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
    void catchAudioVolIsManual(bool isManual);
    void catchAudioVolMicrophone(double volume);
    void catchAudioVolume(double volume);
    void catchExposMetering(int metering);
    void catchGCPipIsActive(bool isActive);
    void catchGCPipInactive();
    void catchHasOrientation(bool has);
    void catchOrientation(int degrees);
    void catch3DAxisAngles(double first, double second);
    void catchLiveViewDestroyed();
    void catchLiveViewCloseRequested();
    void catchLiveViewCloseTimedOut();
    void catchLiveZoomInfo(int stripe, int zoomLevel, double x, double y);
    void catchLiveZoomRect(double x, double y, double w, double h);
    void catchCrossPosEdited(double x, double y);
    void catchGCPipPosEdited(double x, double y);
    void showLiveView(const QImage &image);
    void closeLiveView();
    void catchQuickViewDestroyed();
    void showQuickView(const QByteArray &data, const QString &path, int orientation);
    void closeQuickView();
    void showWarning(const QString &text);
    void openTcpConnection();
    void closeTcpConnection();
    void catchTcpReadyRead();
    void catchTcpCommand(const QByteArray &data);
    void catchActionAbout();
    void catchActionEula();
    void catchActionQuit();
    void catchActionUnits();
    void catchActionAutoUpdates();
    void catchActionCheckUpdates();
    void catchActionAlwaysOnTop();
    void catchActionTransparency();
    void catchActionChooseProfile();
    void catchActionDeleteProfile();
    void catchActionSaveProfile();
    void catchActionOpenManual();
    void checkUpdates(bool automatic);
    void catchDownloadUpdatesInfo(QNetworkReply *reply);
    void catchUpdateVersion(const QString &updateVersion);

private:
    void startCommandServer();
    QWidget *dialogParent() const;
    void openDialog(QDialog *dialog);
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

    std::unique_ptr<TVK_GUI_LiveViewWindow> m_liveView;
    std::unique_ptr<TVK_GUI_QuickViewWindow> m_quickView;
    QStringList m_profileNames;
    std::unique_ptr<TVK_Logic_CommandFacade> m_commandFacade;
    TVK_GUI_CommandServer *m_commandServer = nullptr;
    std::unique_ptr<TVK_GUI_UpdateChecker> m_updateChecker;
    TVK_GUI_WarningBox *m_warningBox;
};
