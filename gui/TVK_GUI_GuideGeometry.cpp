#include "TVK_GUI_GuideGeometry.h"

#include <cmath>

namespace {

// One vertical line at the fraction of the width, one horizontal at the
// fraction of the height.
void addDivisions(QVector<QLineF> &lines, const QRectF &r, double fraction)
{
    const double x = r.left() + r.width() * fraction;
    const double y = r.top() + r.height() * fraction;
    lines << QLineF(x, r.top(), x, r.bottom()) << QLineF(r.left(), y, r.right(), y);
}

} // namespace

QVector<QLineF> TVK_GUI_GuideGeometry::linesOf(TVK_GUI_ViewAids::eLEGuide guide, const QRectF &shown)
{
    QVector<QLineF> lines;
    if (shown.isEmpty())
        return lines;
    const QRectF &r = shown;
    switch (guide) {
    case TVK_GUI_ViewAids::kLEThirds:
        addDivisions(lines, r, 1.0 / 3.0);
        addDivisions(lines, r, 2.0 / 3.0);
        break;
    case TVK_GUI_ViewAids::kLEGolden:
        addDivisions(lines, r, kGoldenNear);
        addDivisions(lines, r, kGoldenFar);
        break;
    case TVK_GUI_ViewAids::kLEDiagonals:
        lines << QLineF(r.topLeft(), r.bottomRight()) << QLineF(r.topRight(), r.bottomLeft());
        break;
    case TVK_GUI_ViewAids::kLECentreCross:
        addDivisions(lines, r, 0.5);
        break;
    case TVK_GUI_ViewAids::kLEGrid: {
        const double cell = std::min(r.width(), r.height()) / kGridCellsAcross;
        const QPointF centre = r.center();
        // Lines on the edges themselves would only frame the picture.
        const int across = int(std::ceil(r.width() / 2.0 / cell)) - 1;
        const int down = int(std::ceil(r.height() / 2.0 / cell)) - 1;
        for (int i = -across; i <= across; ++i) {
            const double x = centre.x() + i * cell;
            lines << QLineF(x, r.top(), x, r.bottom());
        }
        for (int i = -down; i <= down; ++i) {
            const double y = centre.y() + i * cell;
            lines << QLineF(r.left(), y, r.right(), y);
        }
        break;
    }
    default:
        break;
    }
    return lines;
}

QSizeF TVK_GUI_GuideGeometry::aspectOf(TVK_GUI_ViewAids::eLECrop crop, bool portrait)
{
    switch (crop) {
    case TVK_GUI_ViewAids::kLECrop1x1:
        return QSizeF(1, 1);
    case TVK_GUI_ViewAids::kLECrop4x5:
        return QSizeF(4, 5);
    case TVK_GUI_ViewAids::kLECrop5x4:
        return QSizeF(5, 4);
    case TVK_GUI_ViewAids::kLECrop16x9:
        return portrait ? QSizeF(9, 16) : QSizeF(16, 9);
    case TVK_GUI_ViewAids::kLECrop2x3:
        return portrait ? QSizeF(2, 3) : QSizeF(3, 2);
    default:
        return QSizeF();
    }
}

QRectF TVK_GUI_GuideGeometry::cropRect(TVK_GUI_ViewAids::eLECrop crop, const QRectF &shown)
{
    const QSizeF aspect = aspectOf(crop, shown.height() > shown.width());
    if (aspect.isEmpty() || shown.isEmpty())
        return QRectF();
    QSizeF size;
    // Compared crosswise, so equal ratios are equal without rounding.
    if (shown.width() * aspect.height() > shown.height() * aspect.width())
        size = QSizeF(shown.height() * aspect.width() / aspect.height(), shown.height());
    else
        size = QSizeF(shown.width(), shown.width() * aspect.height() / aspect.width());
    return QRectF(shown.center() - QPointF(size.width() / 2.0, size.height() / 2.0), size);
}
