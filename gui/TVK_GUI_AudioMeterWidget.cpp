#include "TVK_GUI_AudioMeterWidget.h"

#include "TVK_Debug_Log.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(93, 93, 93);

double clampedLevel(double value)
{
    if (!std::isfinite(value)) {
        TVK_METHOD(prefix);
        debugLog(kLELogStream, "%s - level %f is no number, 0 used", prefix, value);
        return 0.0;
    }
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

TVK_GUI_AudioMeterWidget::TVK_GUI_AudioMeterWidget(QWidget *parent)
    : QWidget(parent)
{
}

TVK_GUI_AudioMeterWidget::~TVK_GUI_AudioMeterWidget() = default;

void TVK_GUI_AudioMeterWidget::setAudioLevel(double level, double peak)
{
    level = clampedLevel(level);
    peak = clampedLevel(peak);
    if (level == m_level && peak == m_peak)
        return;
    m_level = level;
    m_peak = peak;
    update();
}

void TVK_GUI_AudioMeterWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const int width = area.width();
    painter.fillRect(area, kBackground);

    const int greenEnd = qRound(width * std::min(m_level, kRedFrom));
    painter.fillRect(QRect(area.left(), area.top(), greenEnd, area.height()), Qt::green);
    if (m_level > kRedFrom) {
        const int redEnd = qRound(width * m_level);
        painter.fillRect(QRect(area.left() + greenEnd, area.top(), redEnd - greenEnd, area.height()), Qt::red);
    }

    int peakX = area.left() + qRound(width * m_peak);
    if (peakX + 2 > area.left() + width)
        peakX = area.right() - 1;
    painter.fillRect(QRect(peakX, area.top(), 2, area.height()), m_peak < kRedFrom ? Qt::green : Qt::red);
}
