#pragma once

#include "TVK_Debug_Log.h"

#include <QGuiApplication>
#include <QLayout>
#include <QRect>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

// A window whose image area keeps a fixed aspect ratio (width / height; 0 lets
// it be any shape). Below the image area there may be a strip of extraHeight
// pixels that takes no part in the ratio (the live view's info line).
template <typename Widget>
class TVK_GUI_FixedAspectWidgetT : public Widget
{
public:
    // The title bar sits above the client geometry; this much of it must stay
    // on a screen for the window to be grabbed and moved.
    static constexpr int kTitleBarHeight = 44;

    template <typename... Args>
    explicit TVK_GUI_FixedAspectWidgetT(Args &&...args)
        : Widget(std::forward<Args>(args)...)
    {
    }

    double aspectRatio() const { return m_aspectRatio; }

    // Stores a changed ratio and re-fits the window. When the picture turns
    // from landscape to portrait or back, the old ratio goes along so that the
    // content area is turned instead of squeezed.
    void setAspectRatio(double ratio)
    {
        TVK_METHOD(prefix);
        if (!std::isfinite(ratio) || ratio < 0.0) {
            debugLog(kLELogAlways, "%s - illegal aspect ratio %f", prefix, ratio);
            return;
        }
        if (ratio == m_aspectRatio)
            return;
        const double old = m_aspectRatio;
        m_aspectRatio = ratio;
        const bool crossesOne = (old > 1.0 && ratio < 1.0) || (old > 0.0 && old < 1.0 && ratio > 1.0);
        fitToAspectRatio(crossesOne ? old : 0.0);
    }

    int extraHeight() const { return m_extraHeight; }
    void setExtraHeight(int pixels) { m_extraHeight = std::max(pixels, 0); }

    // The geometry a window at `geometry` takes for the ratio. An oldRatio > 0
    // turns the content area between the left and right layout margins by 90
    // degrees; otherwise the width becomes the mean of the current width and
    // the one the height implies. The result is kept inside screenArea (the
    // usable part of the screen below the title bar); a null screenArea keeps
    // no bounds. A ratio that is not positive leaves the geometry as it is.
    static QRect fitted(const QRect &geometry, double ratio, double oldRatio, int extraHeight,
                        int marginLeft, int marginRight, const QRect &screenArea)
    {
        if (!std::isfinite(ratio) || ratio <= 0.0)
            return geometry;
        const int x1 = geometry.left();
        const int y1 = geometry.top();
        const int w0 = geometry.width();
        const int h0 = geometry.height();
        int width = 0;
        int height = 0;
        if (std::isfinite(oldRatio) && oldRatio > 0.0) {
            // A window narrower than its own margins has no content to turn.
            const int content = std::max(w0 - marginLeft - marginRight, 0);
            width = roundBounded(content * ratio) + marginLeft + marginRight;
            height = h0 + content - roundBounded(content / oldRatio);
        } else {
            const int imageHeight = std::max(h0 - extraHeight, 0);
            width = roundBounded((ratio * imageHeight + w0) / 2.0);
            height = extraHeight + roundBounded(std::max(width / ratio, 0.0));
        }
        if (!screenArea.isNull()) {
            width = std::min(width, screenArea.width());
            height = std::min(height, screenArea.height());
            const int left = std::max(screenArea.left(), std::min(x1, screenArea.right() - width));
            const int top = std::max(screenArea.top(), std::min(y1, screenArea.bottom() - height));
            return QRect(left, top, width, height);
        }
        return QRect(x1, y1, width, height);
    }

    // The available area of the screen holding the middle of the title-bar
    // strip above `geometry`, less that strip's height at its top.
    static QRect screenAreaBelowTitleBar(const QRect &geometry, QScreen *fallback)
    {
        const QPoint strip(geometry.left() + geometry.width() / 2, geometry.top() - kTitleBarHeight / 2);
        QScreen *screen = QGuiApplication::screenAt(strip);
        // A title bar off every screen still needs bounds: those of the screen
        // the window is on.
        if (!screen)
            screen = fallback ? fallback : QGuiApplication::primaryScreen();
        if (!screen)
            return QRect();
        QRect area = screen->availableGeometry();
        area.setTop(area.top() + kTitleBarHeight);
        return area;
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        Widget::resizeEvent(event);
        fitToAspectRatio(0.0);
    }

    void fitToAspectRatio(double oldRatio)
    {
        if (m_aspectRatio <= 0.0)
            return;
        int marginLeft = 0;
        int marginRight = 0;
        if (const QLayout *layout = this->layout()) {
            const QMargins margins = layout->contentsMargins();
            marginLeft = margins.left();
            marginRight = margins.right();
        } else {
            // Without a layout there is no content area to turn.
            oldRatio = 0.0;
        }
        const QRect current = this->geometry();
        const QRect target = fitted(current, m_aspectRatio, oldRatio, m_extraHeight, marginLeft, marginRight,
                                    screenAreaBelowTitleBar(current, this->screen()));
        // Equal geometry must not be set again: that would resize forever.
        if (target != current)
            this->setGeometry(target);
    }

private:
    // qRound of a value kept inside the range a widget size can take, so that
    // an extreme ratio cannot overflow the int; the screen bounds clip it later.
    static int roundBounded(double value)
    {
        constexpr double kLimit = QWIDGETSIZE_MAX;
        return qRound(std::max(-kLimit, std::min(value, kLimit)));
    }

    double m_aspectRatio = 0.0;
    int m_extraHeight = 0;
};
