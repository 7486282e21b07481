#pragma once

#include "TVK_Color_FrameAids.h"
#include "TVK_GUI_ViewAids.h"
#include "TVK_GUI_ViewWindowScreen.h"
#include "TVK_Logic_ShotData.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

class QWidget;
class TVK_GUI_CameraArdo2;
class TVK_GUI_ImageViewer;
class TVK_GUI_Loupe;
class TVK_GUI_PictureAnalysis;
class TVK_GUI_PictureFileLoader;
class TVK_GUI_ShotDataWidget;
class TVK_GUI_ViewAidsToolBar;
class TVK_Logic_Controller;

// The quick view window: the last picture the camera took, upright by its
// EXIF orientation and converted for the monitor, in one window that stays
// until the user or the camera closes it. Under the picture a line tells how
// it was taken, read from the saved file; over it a loupe shows the file's
// picture at 100 %, and the histogram and clipping marks of the strip above
// are made from the shown picture, both off the GUI thread.
class TVK_GUI_QuickViewWindow : public QObject
{
    Q_OBJECT

public:
    explicit TVK_GUI_QuickViewWindow(TVK_Logic_Controller *controller, QObject *parent = nullptr);
    ~TVK_GUI_QuickViewWindow() override;

    // The panel whose quick view button follows the window, and which owns it;
    // null from the moment it announces its end, before its children go.
    void setCameraWindow(TVK_GUI_CameraArdo2 *cameraWindow);

    // The clockwise turn that shows a picture of this Exif orientation upright.
    static int rotationOf(int orientation);

    QWidget *window() const;
    TVK_GUI_ImageViewer *viewer() const;
    TVK_GUI_Loupe *loupe() const;
    TVK_GUI_ShotDataWidget *shotDataWidget() const;
    TVK_GUI_ViewAidsToolBar *aidsToolBar() const;
    TVK_GUI_ViewAids aids() const { return m_aids; }
    // Whether the saved file and the shown picture's aids are still being read.
    bool isBusy() const;

    // Shows the picture with its file's name and size under it, and gives the
    // loupe the decoded picture at full size.
    void showQuickView(const QByteArray &data, const QString &path, int orientation);
    // What the shown picture's file says of its shot, read after it is shown;
    // a name or size it lacks stays as showQuickView found them. Nothing
    // without a window.
    void setShotData(const TVK_Logic_ShotData &data);
    // A larger picture for the loupe than the one shown (a raw file's largest
    // preview), as stored, before the turn by the shown picture's orientation.
    void setLoupeSource(const QImage &image);
    void closeQuickView();
    void catchQuickViewDestroyed();
    void catchAidsChanged(const TVK_GUI_ViewAids &aids);
    void catchAnalysed(const TVK_Color_FrameAids &aids);
    void catchFileLoaded(const QString &path, const TVK_Logic_ShotData &shot, const QImage &picture);

Q_SIGNALS:
    void signalQuickViewPixmap(QPixmap pixmap);

private:
    using Window = TVK_GUI_ViewWindowScreen::Window;

    void createWindow();
    void requestAnalysis();

    TVK_Logic_Controller *m_controller;
    QPointer<TVK_GUI_CameraArdo2> m_cameraWindow;
    QPointer<Window> m_window;
    QPointer<TVK_GUI_ImageViewer> m_viewer;
    QPointer<TVK_GUI_Loupe> m_loupe;
    QPointer<TVK_GUI_ShotDataWidget> m_shotData;
    // The turn of the shown picture, for the loupe's later sources.
    int m_rotation = 0;
    TVK_GUI_ViewWindowScreen m_screen;
    QPointer<TVK_GUI_ViewAidsToolBar> m_toolBar;
    TVK_GUI_ViewAids m_aids;
    TVK_GUI_PictureAnalysis *m_analysis;
    TVK_GUI_PictureFileLoader *m_loader;
    QString m_shownPath;
};
