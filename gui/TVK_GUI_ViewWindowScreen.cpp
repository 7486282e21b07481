#include "TVK_GUI_ViewWindowScreen.h"

#include "TVK_Color_Factory.h"
#include "TVK_Debug_Log.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_ImageViewer.h"

#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace {

// The log has always named this step after the application's own function.
constexpr char kMatchPrefix[] = "TVK_GUI_Application::matchToScreenOf()";

} // namespace

void TVK_GUI_ViewWindowScreen::place(QWidget *window, QWidget *owner, const QSize &size, const QString &objectName)
{
    QScreen *screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    QRect geometry(QPoint(0, 0), size);
    if (screen != nullptr)
        geometry.moveCenter(screen->availableGeometry().center());
    window->setGeometry(geometry);
    window->setObjectName(objectName);
    TVK_GUI_Application::restoreGeometryOnScreen(window);
}

void TVK_GUI_ViewWindowScreen::matchToScreenOf(QWidget *window, TVK_GUI_ImageViewer *viewer)
{
    const char *const prefix = kMatchPrefix;
    QScreen *screen = QGuiApplication::screenAt(window->geometry().center());
    if (screen == nullptr)
        screen = window->screen();
    if (screen == nullptr)
        return;
    const QPoint centre = screen->availableGeometry().center();
    if (centre == m_centre)
        return;
    m_centre = centre;
    std::unique_ptr<TVK_Color_ProfileIF> monitor = TVK_Color_Factory::monitorProfileAt(centre);
    if (!monitor) {
        // A desktop shows an unprofiled monitor as sRGB; the camera's Adobe
        // RGB pictures would look dull if nothing converted them.
        debugLog(kLELogAlways, "%s - no monitor profile for screen \"%s\", sRGB assumed", prefix,
                 qUtf8Printable(screen->name()));
        monitor = TVK_Color_Factory::standardMonitorProfile();
    }
    if (!monitor)
        return;
    viewer->setInputProfile(TVK_Color_Factory::defaultInputProfilePath());
    viewer->setOutputProfile(*monitor);
    viewer->setRenderingIntent(TVK_Color_WorldIF::eRenderingIntent(0));
}
