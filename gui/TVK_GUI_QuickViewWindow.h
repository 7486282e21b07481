#pragma once

#include "TVK_GUI_ViewWindowScreen.h"

#include <QByteArray>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

class QWidget;
class TVK_GUI_CameraArdo2;
class TVK_GUI_ImageViewer;
class TVK_Logic_Controller;

// The quick view window: the last picture the camera took, upright by its
// EXIF orientation and converted for the monitor, in one window that stays
// until the user or the camera closes it.
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

    void showQuickView(const QByteArray &data, const QString &path, int orientation);
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
    TVK_GUI_ViewWindowScreen m_screen;
};
