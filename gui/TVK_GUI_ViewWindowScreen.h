#pragma once

#include "TVK_GUI_FixedAspectWidgetT.h"
#include "TVK_GUI_SettingsAwareWidgetT.h"

#include <QDialog>
#include <QPoint>

class QSize;
class QString;
class QWidget;
class TVK_GUI_ImageViewer;

// The screen a live or quick view window stands on: where the window first
// appears, and the monitor profile its pictures are converted for, chosen
// again whenever the window has moved to another screen.
class TVK_GUI_ViewWindowScreen
{
public:
    // A picture at its own shape, and the window where the user left it last time.
    using Window = TVK_GUI_SettingsAwareWidgetT<TVK_GUI_FixedAspectWidgetT<QDialog>>;

    // Default size, centred on the screen of the owner, then the stored place
    // when a screen still shows its title bar.
    static void place(QWidget *window, QWidget *owner, const QSize &size, const QString &objectName);

    // Chooses the viewer's profiles again when the window moved to another
    // screen since the last choice.
    void matchToScreenOf(QWidget *window, TVK_GUI_ImageViewer *viewer);

private:
    // The centre of the screen the last choice was made for.
    QPoint m_centre{-1, -1};
};
