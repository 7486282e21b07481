#pragma once

#include "TVK_GUI_ViewAids.h"

#include <QMap>
#include <QString>

// Keeps the viewing aids of one window (live view or quick view) for the
// current product in the settings file, as readable words and numbers. A text
// that is no known word or is out of range gives a log line and that field's
// default, so a hand-edited or older file still opens with what it says right.
class TVK_GUI_ViewAidsStore
{
public:
    static const QString kLiveViewGroup;
    static const QString kQuickViewGroup;

    static TVK_GUI_ViewAids load(const QString &group);
    static void save(const QString &group, const TVK_GUI_ViewAids &aids);

    // The two halves, on the texts alone.
    static TVK_GUI_ViewAids fromTexts(const QMap<QString, QString> &texts);
    static QMap<QString, QString> toTexts(const TVK_GUI_ViewAids &aids);
};
