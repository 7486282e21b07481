#pragma once

#include "TVK_GUI_Settings.h"

#include <QCloseEvent>
#include <utility>

// A window that remembers where it was: its geometry goes into the settings
// under its object name whenever it is closed, for the next run to restore.
template <typename Window>
class TVK_GUI_SettingsAwareWidgetT : public Window
{
public:
    template <typename... Args>
    explicit TVK_GUI_SettingsAwareWidgetT(Args &&...args)
        : Window(std::forward<Args>(args)...)
    {
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (!this->objectName().isEmpty())
            TVK_GUI_Settings::instance()->saveWindowPosition(this->objectName(), this->geometry());
        Window::closeEvent(event);
    }
};
