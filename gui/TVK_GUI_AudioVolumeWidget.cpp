#include "TVK_GUI_AudioVolumeWidget.h"

#include "TVK_Debug_Log.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

TVK_GUI_AudioVolumeWidget::TVK_GUI_AudioVolumeWidget(QWidget *parent)
    : QWidget(parent)
{
}

TVK_GUI_AudioVolumeWidget::~TVK_GUI_AudioVolumeWidget() = default;

void TVK_GUI_AudioVolumeWidget::setIsManual(bool isManual)
{
    if (isManual == m_isManual)
        return;
    m_isManual = isManual;
    update();
}

void TVK_GUI_AudioVolumeWidget::setVolume(double volume)
{
    if (!std::isfinite(volume)) {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - volume %f is no number, %f kept", prefix, volume, m_volume);
        return;
    }
    volume = std::clamp(volume, 0.0, 1.0);
    if (volume == m_volume)
        return;
    m_volume = volume;
    update();
}

void TVK_GUI_AudioVolumeWidget::paintEvent(QPaintEvent *)
{
    if (!m_isManual)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area = contentsRect();
    const double left = area.left() + (area.width() - kMarkWidth) * m_volume;
    const QPolygonF mark({QPointF(left, area.top()), QPointF(left + kMarkWidth, area.top()),
                          QPointF(left + kMarkWidth / 2.0, area.top() + area.height())});
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawPolygon(mark);
}

void TVK_GUI_AudioVolumeWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_isManual)
        pickVolume(event->pos().x());
    QWidget::mousePressEvent(event);
}

void TVK_GUI_AudioVolumeWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_isManual)
        pickVolume(event->pos().x());
    QWidget::mouseMoveEvent(event);
}

void TVK_GUI_AudioVolumeWidget::pickVolume(int x)
{
    const int span = contentsRect().width() - kMarkWidth;
    if (span <= 0)
        return;
    // The 3 pixels put the triangle's apex, not its left edge, under the pointer.
    m_volume = std::clamp(double(x - 3) / span, 0.0, 1.0);
    Q_EMIT signalVolume(m_volume);
    update();
}
