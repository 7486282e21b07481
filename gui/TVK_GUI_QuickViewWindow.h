#pragma once

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
class TVK_GUI_ShotDataWidget;
class TVK_Logic_Controller;

// The quick view window: the last picture the camera took, upright by its
// EXIF orientation and converted for the monitor, in one window that stays
// until the user or the camera closes it. Under the picture a line tells how
// it was taken; over it a loupe shows it at 100 %.
class TVK_GUI_QuickViewWindow : public QObject
{
    Q_OBJECT

public:
    explicit TVK_GUI_QuickViewWindow(TVK_Logic_Controller *controller, QObject *parent = nullptr);
    ~TVK_GUI_QuickViewWindow() override;

    // The panel whose quick view button follows the window, and which owns it;
    // null from the moment it announces its end, before its children go.
    void setCameraWindow(TVK_GUI_CameraArdo2 *cameraWindow);

    QWidget *window() const;
    TVK_GUI_ImageViewer *viewer() const;
    TVK_GUI_Loupe *loupe() const;
    TVK_GUI_ShotDataWidget *shotDataWidget() const;

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

Q_SIGNALS:
    void signalQuickViewPixmap(QPixmap pixmap);

private:
    using Window = TVK_GUI_ViewWindowScreen::Window;

    void createWindow();

    TVK_Logic_Controller *m_controller;
    QPointer<TVK_GUI_CameraArdo2> m_cameraWindow;
    QPointer<Window> m_window;
    QPointer<TVK_GUI_ImageViewer> m_viewer;
    QPointer<TVK_GUI_Loupe> m_loupe;
    QPointer<TVK_GUI_ShotDataWidget> m_shotData;
    // The turn of the shown picture, for the loupe's later sources.
    int m_rotation = 0;
    TVK_GUI_ViewWindowScreen m_screen;
};
