#pragma once

#include <QIcon>
#include <QString>

class QWidget;

// The compiled-in pictures, style sheet, panel font and window icon. tvk_gui
// is a static library, so its resource bundles are registered explicitly here
// rather than by the static initialisers the linker would drop.
class TVK_GUI_Resources
{
public:
    // Registers every bundle once; safe to call again and from any thread.
    static void initialize();

    // The whole style sheet, up to its first NUL byte; empty when missing,
    // which is logged under the caller's method prefix (this class's without one).
    static QString styleSheet(const char *caller = nullptr);
    // Sets the style sheet on the window; false (window unstyled) when it is missing.
    static bool applyStyleSheet(QWidget *widget);

    // Registers the panel font; its first family name, or empty when it cannot be used.
    static QString registerFont();
    // The family registerFont() found, empty before it ran or when the font is unusable.
    static QString panelFontFamily();
    // Gives a read-out's text the panel font family (its size stays); without
    // a registered panel font the widget keeps its font.
    static void applyPanelFont(QWidget *widget);
    // The same with a text size in pixels, set with or without the panel font.
    // The segment font loses strokes at some sizes on low-resolution screens;
    // kReadOutPixelSize renders every glyph whole in a 15-pixel read-out.
    static void applyPanelFont(QWidget *widget, int pixelSize);
    static constexpr int kReadOutPixelSize = 12;

    // The program's icon in every size it is drawn in; a missing size is
    // logged and left out (a null icon when none is there).
    static QIcon windowIcon();

    TVK_GUI_Resources() = delete;
};
