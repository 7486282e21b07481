#include "TVK_GUI_LiveViewNavigatorWidget.h"

#include <QPainter>

#include <cmath>

TVK_GUI_LiveViewNavigatorWidget::TVK_GUI_LiveViewNavigatorWidget(QWidget *parent)
    : QWidget(parent)
{
}

TVK_GUI_LiveViewNavigatorWidget::~TVK_GUI_LiveViewNavigatorWidget() = default;

QRect TVK_GUI_LiveViewNavigatorWidget::paintedZoomRect() const
{
    const QRect area = contentsRect();
    const int left = area.left() + qRound(m_x * area.width());
    const int top = area.top() + qRound(m_y * area.height());
    const int right = area.left() + qRound((m_x + m_w) * area.width());
    const int bottom = area.top() + qRound((m_y + m_h) * area.height());
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(area);
}

void TVK_GUI_LiveViewNavigatorWidget::setZoomRect(double x, double y, double w, double h)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h))
        return;
    if (qFuzzyCompare(1.0 + x, 1.0 + m_x) && qFuzzyCompare(1.0 + y, 1.0 + m_y)
        && qFuzzyCompare(1.0 + w, 1.0 + m_w) && qFuzzyCompare(1.0 + h, 1.0 + m_h))
        return;
    m_x = x;
    m_y = y;
    m_w = w;
    m_h = h;
    update();
}

void TVK_GUI_LiveViewNavigatorWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    // Black outside, white inside: the frame stays visible on dark and bright scenes.
    painter.setPen(Qt::black);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawRect(area.adjusted(1, 1, -2, -2));
    painter.fillRect(area, QColor(255, 255, 255, 50));
    painter.fillRect(paintedZoomRect(), QColor(255, 255, 255, 200));
}
