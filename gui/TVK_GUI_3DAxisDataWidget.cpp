#include "TVK_GUI_3DAxisDataWidget.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_PictureLabel.h"

#include <cmath>

namespace {

// Both scales share the same bands, from far positive to far negative. The
// positive bands are open below, the negative ones open above, so that
// exactly +-0.5 still counts as the centre.
constexpr int kBandCount = 9;
constexpr double kBandLimits[kBandCount - 1] = {10.0, 5.0, 2.5, 0.5, -0.5, -2.5, -5.0, -10.0};
constexpr int kCentreBand = 4;

int bandOf(double angle)
{
    int band = 0;
    while (band < kBandCount - 1) {
        const double limit = kBandLimits[band];
        if (band < kCentreBand ? angle > limit : angle >= limit)
            break;
        ++band;
    }
    return band;
}

// Picture numbers per band; the outer bands blink between "on" and "off".
struct Blink {
    int on;
    int off;
};

constexpr Blink kHorizontal[kBandCount] = {{1, 10}, {1, 1}, {2, 2}, {3, 3}, {4, 4},
                                           {5, 5},  {6, 6}, {7, 7}, {7, 10}};

// The pitch scale draws its outer marks differently while the roll is level
// (within +-5 degrees): the ends then meet the horizontal line.
constexpr Blink kVerticalLevel[kBandCount] = {{8, 4}, {8, 8}, {2, 2}, {3, 3}, {4, 4},
                                              {5, 5}, {6, 6}, {9, 9}, {9, 4}};
constexpr Blink kVerticalTilted[kBandCount] = {{1, 11}, {1, 1}, {2, 2}, {3, 3}, {4, 4},
                                               {5, 5},  {6, 6}, {7, 7}, {7, 11}};

bool isLevel(int horizontalBand)
{
    return horizontalBand >= 2 && horizontalBand <= 6;
}

QString axisPicture(const char *scale, int number)
{
    return QStringLiteral(":/TVK_GUI/images/3DAxis/3DAxis_%1_%2.png").arg(QLatin1String(scale)).arg(number);
}

constexpr int kWidth = 43;
constexpr int kHeight = 23;
constexpr int kVerticalWidth = 11;

} // namespace

TVK_GUI_3DAxisDataWidget::TVK_GUI_3DAxisDataWidget(QWidget *parent)
    : QWidget(parent)
    , m_horizontal(new TVK_GUI_PictureLabel(this))
    , m_vertical(new TVK_GUI_PictureLabel(this))
{
    setFixedSize(kWidth, kHeight);
    m_horizontal->setObjectName(QStringLiteral("lbl3DAxisHorizontal"));
    m_vertical->setObjectName(QStringLiteral("lbl3DAxisVertical"));
    // The two pictures overlap, which no layout does; place them by hand.
    m_horizontal->setGeometry(0, 0, kWidth, kHeight);
    m_vertical->setGeometry((kWidth - kVerticalWidth) / 2, 0, kVerticalWidth, kHeight);
    m_vertical->raise();
    m_horizontal->setPicture(axisPicture("Horizontal", 10));
    m_vertical->setPicture(axisPicture("Vertikal", 11));
}

TVK_GUI_3DAxisDataWidget::~TVK_GUI_3DAxisDataWidget() = default;

TVK_GUI_PictureLabel *TVK_GUI_3DAxisDataWidget::horizontalLabel() const
{
    return m_horizontal;
}

TVK_GUI_PictureLabel *TVK_GUI_3DAxisDataWidget::verticalLabel() const
{
    return m_vertical;
}

void TVK_GUI_3DAxisDataWidget::set3DAxisAngles(double horizontal, double vertical)
{
    // A roll beyond 135 degrees is no reading the level can show; keep the
    // last plausible pair instead of jumping.
    if (!(horizontal >= -kAngleLimit && horizontal <= kAngleLimit) || std::isnan(vertical)) {
        TVK_METHOD(prefix);
        debugLog(kLELog3DAxis, "%s - angles %f / %f out of range, previous pair kept", prefix, horizontal,
                 vertical);
        horizontal = m_previousHorizontal;
        vertical = m_previousVertical;
    }
    m_previousHorizontal = horizontal;
    m_previousVertical = vertical;
    m_blinkPhase = !m_blinkPhase;

    const int horizontalBand = bandOf(horizontal);
    const Blink h = kHorizontal[horizontalBand];
    const Blink v = (isLevel(horizontalBand) ? kVerticalLevel : kVerticalTilted)[bandOf(vertical)];
    m_horizontal->setPicture(axisPicture("Horizontal", m_blinkPhase ? h.on : h.off));
    m_vertical->setPicture(axisPicture("Vertikal", m_blinkPhase ? v.on : v.off));
}
