#pragma once

#include "TVK_Color_FrameAids.h"
#include "TVK_GUI_ViewAids.h"
#include "TVK_GUI_ViewWindowScreen.h"

#include <QObject>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QRectF>

class QByteArray;
class QTimer;
class QWidget;
class TVK_GUI_CameraArdo2;
class TVK_GUI_ImageViewer;
class TVK_GUI_LiveViewInfoWidget;
class TVK_GUI_ViewAidsToolBar;
class TVK_Logic_Controller;

// The live view window: made on the first frame, shown for photo and grey
// card and hidden for video, closed a grace period after the stream ends. It
// turns the picture as the camera is held, and turns the positions of zoom,
// focus cross and grey-card pipette between what the user sees and the
// camera's sensor. Above the picture, a strip switches the viewing aids;
// their analysis runs as a stage of the stream in the controller thread, and
// each frame is shown together with what was found in it.
class TVK_GUI_LiveViewWindow : public QObject
{
    Q_OBJECT

public:
    explicit TVK_GUI_LiveViewWindow(TVK_Logic_Controller *controller, QObject *parent = nullptr);
    ~TVK_GUI_LiveViewWindow() override;

    // The panel whose live view buttons follow the window, and which owns it;
    // null from the moment it announces its end, before its children go.
    void setCameraWindow(TVK_GUI_CameraArdo2 *cameraWindow);

    QWidget *window() const;
    TVK_GUI_ImageViewer *viewer() const;
    TVK_GUI_LiveViewInfoWidget *infoWidget() const;
    TVK_GUI_ViewAidsToolBar *aidsToolBar() const;
    // The aids as the user last chose them for this product.
    TVK_GUI_ViewAids aids() const { return m_aids; }
    QImage onionPicture() const { return m_onionPicture; }
    int rotation() const { return m_rotation; }

    // The turn of the live image for the camera's orientation, or (without
    // one) against its first axis angle.
    static int rotationFor(bool hasOrientation, int orientation, double firstAxisAngle);
    // A normalised point turned clockwise by rotation degrees about the
    // picture's centre; a negative coordinate (no position) passes unchanged.
    static QPointF rotatedPoint(const QPointF &point, int rotation);
    static QRectF rotatedRect(const QRectF &rect, int rotation);

    void showLiveView(const QImage &image);
    // Closes the window and switches the panel's live view buttons off.
    void closeLiveView();
    // Closes the window alone: its panel has gone.
    void closeWindow();
    void catchLiveViewCloseRequested();
    void catchLiveViewCloseTimedOut();
    void catchLiveViewDestroyed();
    void catchLiveViewAnalysis(const QVariant &result);
    void catchAidsChanged(const TVK_GUI_ViewAids &aids);
    // A new picture from the camera: the onion skin's, upright.
    void catchQuickView(const QByteArray &data, const QString &path, int orientation);
    void setOnionPicture(const QImage &picture);
    void chooseOnionPicture();

    void catchAudioVolIsManual(bool isManual);
    void catchAudioVolMicrophone(double volume);
    void catchAudioVolume(double volume);
    void catchExposMetering(int metering);
    void catchGCPipIsActive(bool isActive);
    void catchGCPipInactive();
    void catchHasOrientation(bool has);
    void catchOrientation(int degrees);
    void catch3DAxisAngles(double first, double second);
    void catchLiveZoomInfo(int stripe, int zoomLevel, double x, double y);
    void catchLiveZoomRect(double x, double y, double w, double h);
    void catchCrossPosEdited(double x, double y);
    void catchGCPipPosEdited(double x, double y);

Q_SIGNALS:
    void signalOpened();
    void signalClosed();
    void signalAudioVolMicrophone(double volume);
    void signalLiveViewMode(int mode);
    void signalLiveZoomInfo(int stripe, int zoomLevel, double x, double y);
    void signalLiveZoomRect(double x, double y, double w, double h);
    void signalCrossPosEdited(double x, double y);
    void signalGCPipPosEdited(double x, double y);
    void signalLiveViewPixmap(QPixmap pixmap);

private:
    using Window = TVK_GUI_ViewWindowScreen::Window;

    void createWindow(int mode);
    // Lays the analysis the aids need into the stream, or takes it out.
    void installAnalysis();
    void showAidsInViewer();

    TVK_Logic_Controller *m_controller;
    QPointer<TVK_GUI_CameraArdo2> m_cameraWindow;
    bool m_audioVolIsManual = false;
    double m_audioVolMicrophone = 1.0;
    int m_exposMetering = -1;
    bool m_gcPipMode = false;
    bool m_hasOrientation = false;
    int m_orientation = 0;
    double m_axisAngles[2] = {0.0, 0.0};
    QTimer *m_closeTimer;
    QPointer<Window> m_window;
    QPointer<TVK_GUI_ImageViewer> m_viewer;
    QPointer<TVK_GUI_LiveViewInfoWidget> m_info;
    TVK_GUI_ViewWindowScreen m_screen;
    quint16 m_rotation = 0;
    QPointer<TVK_GUI_ViewAidsToolBar> m_toolBar;
    TVK_GUI_ViewAids m_aids;
    // The last result of the stream's analysis, waiting for its frame.
    TVK_Color_FrameAids m_frameAids;
    QImage m_onionPicture;
};
