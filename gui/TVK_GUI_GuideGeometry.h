#pragma once

#include "TVK_GUI_ViewAids.h"

#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QVector>

// Where the composition guides and the crop frame lie over a picture, in the
// coordinates of the rectangle it is shown in (after the window's turn and
// letterbox). Pure arithmetic: the overlay draws what this gives.
class TVK_GUI_GuideGeometry
{
public:
    // The golden section's two divisions of each side.
    static constexpr double kGoldenNear = 0.382;
    static constexpr double kGoldenFar = 0.618;
    // Cells of the square grid across the shown picture's shorter side.
    static constexpr int kGridCellsAcross = 4;

    // The lines of a guide inside shown; none for kLEGuideNone, an unknown
    // guide or an empty rectangle. The square grid is laid from the centre
    // outwards, so it stays symmetric on any aspect ratio.
    static QVector<QLineF> linesOf(TVK_GUI_ViewAids::eLEGuide guide, const QRectF &shown);

    // Width to height of a crop frame over a picture shown landscape or
    // portrait. 16:9 and 2:3 name a long side to a short one and follow the
    // picture: a camera held upright gives 9:16 and 2:3 standing. 4:5 and
    // 5:4 are each other's turn and so stay as named: 4:5 is always the
    // upright print, 5:4 the lying one. Empty for no frame.
    static QSizeF aspectOf(TVK_GUI_ViewAids::eLECrop crop, bool portrait);

    // The crop frame, centred in shown and as large as fits; the picture is
    // portrait when taller than wide. Empty for no frame or an empty rectangle.
    static QRectF cropRect(TVK_GUI_ViewAids::eLECrop crop, const QRectF &shown);
};
