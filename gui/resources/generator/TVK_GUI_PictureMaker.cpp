// Draws every picture the user interface loads from its resources, once at its
// natural size and once as an "@2x" twin painted at twice the size (vector
// drawing, never an up-scaled bitmap), and writes the .qrc that lists them.
//
//   TVK_GUI_PictureMaker <output dir> <qrc file> <stamp file> [--sheet <png>]
//
// The pictures are artwork of this program: one look, set by the colours and
// sizes right below. Change them here and every picture follows.

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// ---- the look -------------------------------------------------------------
const QColor kPanel(0x33, 0x33, 0x33);          // window background
const QColor kPanelDark(0x2a, 0x2a, 0x2a);
const QColor kButton(0x55, 0x55, 0x55);
const QColor kButtonHover(0x66, 0x66, 0x66);
const QColor kButtonDown(0x3a, 0x3a, 0x3a);
const QColor kAccent(0xfa, 0x84, 0x33);
const QColor kIcon(0xee, 0xee, 0xee);
const QColor kIconDim(0x87, 0x87, 0x87);
const QColor kDisplay(0x16, 0x16, 0x16);        // viewfinder strip behind the read-outs
const QColor kLit(0xff, 0x7a, 0x2e);            // a lit viewfinder segment (warm orange-red)
const QColor kLitWarm(0xff, 0xe4, 0xc0);        // warm white read-outs (Belo strip, markers)
const QColor kUnlit(255, 255, 255, 20);         // a segment that is off, barely visible
const QColor kGood(0x7c, 0xd8, 0x6a);           // "level" / full battery
const QColor kWarn(0xe8, 0x3a, 0x2a);           // out of range / empty battery / recording
const char *const kFontFamily = "DejaVu Sans";

const QSize kDigit(12, 20);          // 7-segment digit
const QSize kDigitDot(5, 20);        // decimal point between aperture digits
const QSize kLoadDigit(13, 22);      // load counter digit, shown at this size
const QSize kAxisH(43, 23), kAxisV(11, 23);
const QSize kFocus(33, 15);
const QSize kLoadEffect(79, 26);
const QSize kArdoLightBal(61, 15), kFlash(9, 15);
const QSize kSymbol(19, 15);         // metering and compensation symbols
const QSize kBeloScale(62, 15);      // Belo compensation / light balance scale, shown at this size
const qreal kBeloScaleTop = 1.5;     // the scale's drawing, 12 high, centred in it
const QSize kBeloMode(20, 20);
const QSize kRelease(48, 48);
const QSize kToolButton(40, 32);
const QSize kMinGui(20, 32);
const QSize kLvButton(32, 24);
const QSize kBattery(36, 16);
const qreal kSegment = 2.0;          // segment thickness of a digit

// ---- the inventory --------------------------------------------------------
using Draw = std::function<void(QPainter &, const QSizeF &)>;
struct Picture {
    QString path;   // below the prefix, e.g. "images/7Segment/Digit_0.png"
    QSize size;     // 1x size; the twin is exactly twice this
    Draw draw;
};

QFont font(qreal pixelSize, int weight = QFont::Bold)
{
    QFont f(QString::fromLatin1(kFontFamily));
    f.setPixelSize(1);
    f.setPointSizeF(pixelSize * 0.75);   // resolution independent: painter scales it
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void text(QPainter &p, const QRectF &r, const QString &s, const QColor &c, qreal px,
          int flags = Qt::AlignCenter, int weight = QFont::Bold)
{
    p.save();
    p.setFont(font(px, weight));
    p.setPen(c);
    p.drawText(r, flags, s);
    p.restore();
}

void fillDisplay(QPainter &p, const QSizeF &s)
{
    p.fillRect(QRectF(QPointF(0, 0), s), kDisplay);
}

// ---- 7 segments -----------------------------------------------------------
// Segment letters a..g in the usual order.
QPolygonF horizontalSegment(qreal x0, qreal x1, qreal y, qreal t)
{
    const qreal h = t / 2;
    return QPolygonF({{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

QPolygonF verticalSegment(qreal x, qreal y0, qreal y1, qreal t)
{
    const qreal h = t / 2;
    return QPolygonF({{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

void sevenSegment(QPainter &p, const QSizeF &s, const QString &lit, const QColor &on,
                  const QColor &off, bool background = true)
{
    if (background)
        fillDisplay(p, s);
    const qreal t = kSegment, m = 1.6 + t / 2, g = 0.45;
    const qreal l = m + 0.6, r = s.width() - m - 0.6, top = m, bot = s.height() - m;
    const qreal mid = (top + bot) / 2;
    struct Seg { char name; QPolygonF poly; };
    const std::vector<Seg> segs = {
        {'a', horizontalSegment(l + g, r - g, top, t)},
        {'b', verticalSegment(r, top + g, mid - g, t)},
        {'c', verticalSegment(r, mid + g, bot - g, t)},
        {'d', horizontalSegment(l + g, r - g, bot, t)},
        {'e', verticalSegment(l, mid + g, bot - g, t)},
        {'f', verticalSegment(l, top + g, mid - g, t)},
        {'g', horizontalSegment(l + g, r - g, mid, t)},
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // A slight forward lean, as on a real segment display.
    p.translate(s.width() / 2, s.height() / 2);
    p.shear(-0.08, 0);
    p.translate(-s.width() / 2, -s.height() / 2);
    p.setPen(Qt::NoPen);
    for (const Seg &seg : segs) {
        p.setBrush(off);
        p.drawPolygon(seg.poly);
    }
    QColor glow = on;
    glow.setAlpha(70);
    for (const Seg &seg : segs) {
        if (!lit.contains(QLatin1Char(seg.name)))
            continue;
        p.setPen(QPen(glow, 1.0));
        p.setBrush(on);
        p.drawPolygon(seg.poly);
    }
    p.restore();
}

// Upright segments on whole pixels (at 1x and 2x alike) without glow: small
// digits stay sharp where the leaning, smoothed ones blur into each other.
void crispSevenSegment(QPainter &p, const QSizeF &s, const QString &lit, const QColor &on, const QColor &off)
{
    const qreal t = 2, w = s.width(), h = s.height();
    const qreal l = 1, r = w - 1 - t, top = 1, bot = h - 1 - t, mid = std::floor((h - t) / 2);
    const qreal hl = l + t, hw = r - hl;   // horizontal segments between the columns
    struct Seg { char name; QRectF rect; };
    const Seg segs[] = {
        {'a', QRectF(hl, top, hw, t)},
        {'b', QRectF(r, top + t, t, mid - top - t)},
        {'c', QRectF(r, mid + t, t, bot - mid - t)},
        {'d', QRectF(hl, bot, hw, t)},
        {'e', QRectF(l, mid + t, t, bot - mid - t)},
        {'f', QRectF(l, top + t, t, mid - top - t)},
        {'g', QRectF(hl, mid, hw, t)},
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const Seg &seg : segs)
        p.fillRect(seg.rect, lit.contains(QLatin1Char(seg.name)) ? on : off);
    p.restore();
}

// A lower-case m in the lower half of a digit: three legs under one bar, upright
// and on whole pixels. Squeezed into segments, its legs run together at 1x.
void letterM(QPainter &p, const QSizeF &s, const QColor &on)
{
    const qreal t = 2, gap = 2;
    const qreal left = std::floor((s.width() - (3 * t + 2 * gap)) / 2);
    const qreal top = std::floor(s.height() / 2) - 1, bottom = s.height() - 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(left, top, 3 * t + 2 * gap, t), on);
    for (int leg = 0; leg < 3; ++leg)
        p.fillRect(QRectF(left + leg * (t + gap), top, t, bottom - top), on);
    p.restore();
}

// ---- common shapes --------------------------------------------------------
void triangle(QPainter &p, QPointF a, QPointF b, QPointF c, const QColor &col)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawPolygon(QPolygonF({a, b, c}));
    p.restore();
}

void bolt(QPainter &p, const QRectF &r, const QColor &col)
{
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height();
    QPolygonF poly({{x + 0.62 * w, y}, {x + 0.1 * w, y + 0.56 * h}, {x + 0.45 * w, y + 0.56 * h},
                    {x + 0.32 * w, y + h}, {x + 0.92 * w, y + 0.4 * h}, {x + 0.55 * w, y + 0.4 * h},
                    {x + 0.78 * w, y}});
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawPolygon(poly);
    p.restore();
}

enum class Look { Normal, Hover, Down };

// The panel's tool buttons show their picture over the style sheet's general
// tool-button background; an opaque window-coloured rectangle hides it behind
// the rounded corners.
void panelCorners(QPainter &p, const QSizeF &s)
{
    p.fillRect(QRectF(QPointF(0, 0), s), kPanel);
}

// A flat, slightly rounded camera button; the icon is drawn by iconFn in its colour.
void flatButton(QPainter &p, const QSizeF &s, Look look, bool accentMark,
                const std::function<void(QPainter &, const QRectF &, const QColor &)> &iconFn)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(1, 1, -1, -1);
    QLinearGradient grad(r.topLeft(), r.bottomLeft());
    const QColor base = look == Look::Hover ? kButtonHover : (look == Look::Down ? kButtonDown : kButton);
    grad.setColorAt(0, base.lighter(look == Look::Down ? 100 : 112));
    grad.setColorAt(1, base.darker(look == Look::Down ? 100 : 110));
    p.setPen(QPen(kPanelDark, 1));
    p.setBrush(grad);
    p.drawRoundedRect(r, 4, 4);
    if (look != Look::Down) {
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawLine(QPointF(r.left() + 4, r.top() + 1), QPointF(r.right() - 4, r.top() + 1));
    }
    if (accentMark) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(r.center().x() - r.width() * 0.3, r.bottom() - 3.2, r.width() * 0.6, 2), 1, 1);
    }
    const QRectF iconRect = r.adjusted(r.width() * 0.2, r.height() * 0.14, -r.width() * 0.2,
                                       -r.height() * (accentMark ? 0.24 : 0.14));
    const QColor c = accentMark ? kAccent : (look == Look::Hover ? QColor(Qt::white) : kIcon);
    iconFn(p, iconRect, c);
    p.restore();
}

QPen iconPen(const QColor &c, qreal w = 1.6)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Icons: square-ish drawings inside r.
void iconPadlock(QPainter &p, const QRectF &r, const QColor &c)
{
    const qreal side = std::min(r.width(), r.height());
    const QRectF q(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
    p.setPen(iconPen(c));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(q.x() + side * 0.25, q.y(), side * 0.5, side * 0.62), 0, 180 * 16);
    p.drawLine(QPointF(q.x() + side * 0.25, q.y() + side * 0.31), QPointF(q.x() + side * 0.25, q.y() + side * 0.45));
    p.drawLine(QPointF(q.x() + side * 0.75, q.y() + side * 0.31), QPointF(q.x() + side * 0.75, q.y() + side * 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(q.x() + side * 0.14, q.y() + side * 0.45, side * 0.72, side * 0.55), 1.5, 1.5);
    p.setBrush(kButtonDown);
    p.drawEllipse(QPointF(q.center().x(), q.y() + side * 0.7), side * 0.08, side * 0.08);
}

void iconCamera(QPainter &p, const QRectF &r, const QColor &c, bool video)
{
    p.setPen(iconPen(c));
    p.setBrush(Qt::NoBrush);
    if (video) {
        const QRectF body(r.x(), r.y() + r.height() * 0.25, r.width() * 0.66, r.height() * 0.55);
        p.drawRoundedRect(body, 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPolygon(QPolygonF({{body.right() + 1, body.center().y()},
                                 {r.right(), body.top()}, {r.right(), body.bottom()}}));
    } else {
        const QRectF body(r.x(), r.y() + r.height() * 0.28, r.width(), r.height() * 0.62);
        QPainterPath path;
        path.addRoundedRect(body, 2, 2);
        path.addRect(QRectF(r.center().x() - r.width() * 0.18, r.y() + r.height() * 0.12, r.width() * 0.36,
                            r.height() * 0.18));
        p.drawPath(path.simplified());
        p.drawEllipse(QPointF(body.center().x(), body.center().y()), body.height() * 0.3, body.height() * 0.3);
    }
}

void iconMirror(QPainter &p, const QRectF &r, const QColor &c)
{
    p.setPen(iconPen(c));
    p.setBrush(Qt::NoBrush);
    const QRectF box(r.x() + r.width() * 0.1, r.y() + r.height() * 0.1, r.width() * 0.8, r.height() * 0.8);
    p.drawRect(box);
    // the mirror swung up: from the hinge at the top right towards the top left
    p.setPen(iconPen(c, 2.2));
    p.drawLine(QPointF(box.right() - 1, box.top() + 1), QPointF(box.left() + 2, box.top() + box.height() * 0.35));
    p.setPen(iconPen(c, 1.2));
    p.drawLine(QPointF(box.center().x(), box.bottom() - 1), QPointF(box.center().x(), box.center().y() + 1));
    triangle(p, {box.center().x() - 2.5, box.center().y() + 2}, {box.center().x() + 2.5, box.center().y() + 2},
             {box.center().x(), box.center().y() - 1.5}, c);
}

void iconQuickView(QPainter &p, const QRectF &r, const QColor &c)
{
    p.setPen(iconPen(c));
    p.setBrush(Qt::NoBrush);
    const QRectF fr(r.x(), r.y() + r.height() * 0.1, r.width(), r.height() * 0.8);
    p.drawRoundedRect(fr, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({{fr.left() + 2, fr.bottom() - 2}, {fr.left() + fr.width() * 0.4, fr.top() + fr.height() * 0.4},
                             {fr.left() + fr.width() * 0.6, fr.bottom() - fr.height() * 0.35},
                             {fr.left() + fr.width() * 0.72, fr.top() + fr.height() * 0.55},
                             {fr.right() - 2, fr.bottom() - 2}}));
    p.drawEllipse(QPointF(fr.right() - fr.width() * 0.22, fr.top() + fr.height() * 0.28), 1.4, 1.4);
}

void iconChevron(QPainter &p, const QRectF &r, const QColor &c, bool up)
{
    p.setPen(iconPen(c, 2));
    const qreal cx = r.center().x(), cy = r.center().y(), w = r.width() * 0.45, h = w * 0.55;
    const qreal d = up ? 1 : -1;
    p.drawPolyline(QPolygonF({{cx - w, cy + d * h}, {cx, cy - d * h}, {cx + w, cy + d * h}}));
}

void iconPipette(QPainter &p, const QRectF &r, const QColor &c, const QColor &outline)
{
    // tip at the lower-left corner, bulb at the upper right
    const QPointF tip(r.left(), r.bottom());
    const QPointF end(r.right() - r.width() * 0.22, r.top() + r.height() * 0.22);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int pass = 0; pass < 2; ++pass) {
        const QColor col = pass == 0 ? outline : c;
        const qreal extra = pass == 0 ? 1.6 : 0;
        p.setPen(QPen(col, 2.4 + extra, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(tip + QPointF(1, -1), end);
        p.setPen(QPen(col, 1 + extra, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(tip, tip + QPointF(1.5, -1.5));
        p.setPen(outline == c ? Qt::NoPen : QPen(col, extra));
        p.setBrush(col);
        p.drawEllipse(end + QPointF(r.width() * 0.08, -r.height() * 0.08), r.width() * 0.16 + extra / 2,
                      r.height() * 0.16 + extra / 2);
        p.setPen(QPen(col, 2 + extra, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(end + QPointF(-r.width() * 0.16, -r.height() * 0.06), end + QPointF(r.width() * 0.06, r.height() * 0.16));
    }
    p.restore();
}

void iconMagnifier(QPainter &p, const QRectF &r, const QColor &c)
{
    const qreal side = std::min(r.width(), r.height());
    const QPointF ctr(r.center().x() - side * 0.12, r.center().y() - side * 0.12);
    const qreal rad = side * 0.32;
    p.setPen(iconPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ctr, rad, rad);
    p.setPen(iconPen(c, 2.4));
    p.drawLine(ctr + QPointF(rad * 0.72, rad * 0.72), ctr + QPointF(rad * 1.6, rad * 1.6));
    p.setPen(iconPen(c, 1.2));
    p.drawLine(ctr + QPointF(-rad * 0.5, 0), ctr + QPointF(rad * 0.5, 0));
    p.drawLine(ctr + QPointF(0, -rad * 0.5), ctr + QPointF(0, rad * 0.5));
}

void iconSaveTray(QPainter &p, const QRectF &r, const QColor &c)
{
    p.setPen(iconPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    const qreal b = r.bottom() - 1;
    p.drawPolyline(QPolygonF({{r.left() + 1, b - 4}, {r.left() + 1, b}, {r.right() - 1, b}, {r.right() - 1, b - 4}}));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), b - 4));
    p.drawPolyline(QPolygonF({{r.center().x() - 3.5, b - 7.5}, {r.center().x(), b - 4}, {r.center().x() + 3.5, b - 7.5}}));
}

// Round shutter-style button: a collar (coloured by the switch position) around a
// metal disc that sinks in when pressed.
void roundButton(QPainter &p, const QSizeF &s, Look look, const QColor &collar, const QString &label,
                 const QColor &labelColour, bool recordDot)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(s.width() / 2, s.height() / 2);
    const qreal outer = std::min(s.width(), s.height()) / 2 - 0.8;
    QRadialGradient cg(c, outer);
    cg.setColorAt(0.75, collar.darker(130));
    cg.setColorAt(1.0, collar.darker(200));
    p.setPen(QPen(QColor(0, 0, 0, 160), 1));
    p.setBrush(collar);
    p.drawEllipse(c, outer, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(cg);
    p.drawEllipse(c, outer - 1, outer - 1);
    qreal disc = outer * 0.7;
    if (look == Look::Down)
        disc -= 1.2;
    QLinearGradient dg(c.x() - disc, c.y() - disc, c.x() + disc, c.y() + disc);
    const QColor metal = recordDot ? QColor(0x4a, 0x4a, 0x4a) : QColor(0xc9, 0xc9, 0xc9);
    const QColor top = look == Look::Hover ? metal.lighter(118) : (look == Look::Down ? metal.darker(125) : metal);
    dg.setColorAt(0, top.lighter(look == Look::Down ? 95 : 120));
    dg.setColorAt(1, top.darker(150));
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.setBrush(dg);
    p.drawEllipse(c, disc, disc);
    if (recordDot) {
        const QColor red = look == Look::Hover ? kWarn.lighter(120) : (look == Look::Down ? kWarn.darker(130) : kWarn);
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawEllipse(c, disc * 0.45, disc * 0.45);
    }
    if (!label.isEmpty())
        text(p, QRectF(c.x() - disc, c.y() - disc, 2 * disc, 2 * disc), label, labelColour, disc * 0.62);
    p.restore();
}

void battery(QPainter &p, const QSizeF &s, int percent, bool mains)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(1, 1.5, s.width() - 5.5, s.height() - 3);
    p.setPen(QPen(kIcon, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kIcon);
    p.drawRoundedRect(QRectF(body.right() + 0.8, s.height() / 2 - 3, 2.6, 6), 0.8, 0.8);
    const QRectF inner = body.adjusted(2, 2, -2, -2);
    if (mains) {
        // a plug in the battery outline
        const QPointF c = inner.center();
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(c.x() - 4, c.y() - 3.5, 7, 7), 1.5, 1.5);
        p.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() + 3, c.y() - 2), QPointF(c.x() + 6, c.y() - 2));
        p.drawLine(QPointF(c.x() + 3, c.y() + 2), QPointF(c.x() + 6, c.y() + 2));
        p.drawLine(QPointF(c.x() - 4, c.y()), QPointF(inner.left() + 0.5, c.y()));
    } else if (percent > 0) {
        const QColor col = percent >= 50 ? kGood : (percent >= 25 ? kAccent : kWarn);
        p.setBrush(col);
        p.drawRoundedRect(QRectF(inner.x(), inner.y(), inner.width() * percent / 100.0, inner.height()), 1, 1);
    } else {
        p.setPen(QPen(kWarn, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(inner.center().x() - 3, inner.top() + 0.5), QPointF(inner.center().x() + 3, inner.bottom() - 0.5));
        p.drawLine(QPointF(inner.center().x() + 3, inner.top() + 0.5), QPointF(inner.center().x() - 3, inner.bottom() - 0.5));
    }
    p.restore();
}

// Horizon line of the 3-axis level, tilted by the given degrees.
void axisHorizontal(QPainter &p, const QSizeF &s, qreal degrees, const QColor &col, bool blank)
{
    fillDisplay(p, s);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // On a pixel row boundary, so that the level line covers two whole rows.
    const QPointF c(s.width() / 2, std::floor(s.height() / 2));
    // fixed reference marks left and right, in line with the level horizon
    p.setPen(QPen(blank ? kUnlit : QColor(255, 255, 255, 90), 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(1, c.y()), QPointF(5, c.y()));
    p.drawLine(QPointF(s.width() - 5, c.y()), QPointF(s.width() - 1, c.y()));
    if (!blank) {
        // One unbroken stroke through the centre: two halves drawn apart do
        // not meet once the line is tilted by a few degrees.
        p.translate(c);
        p.rotate(-degrees);
        p.setRenderHint(QPainter::Antialiasing, degrees != 0);
        p.setPen(QPen(col, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(-14, 0), QPointF(14, 0));
    }
    p.restore();
}

// Pitch marker of the 3-axis level: a short bar moved up or down.
void axisVertical(QPainter &p, const QSizeF &s, qreal offset, const QColor &col, bool blank)
{
    // transparent: it is laid over the horizontal picture
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // The same centre row as the horizon picture below it.
    const qreal cx = s.width() / 2, cy = std::floor(s.height() / 2);
    p.setPen(QPen(blank ? kUnlit : QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(cx, 2), QPointF(cx, s.height() - 2));
    if (!blank) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(cx - 3.5, cy - offset - 1, 7, 2), col);
    }
    p.restore();
}

// A horizontal exposure scale from -3 to +3 EV with a mark every `step` EV.
struct Scale {
    qreal centre, perEv, y;
    qreal x(qreal ev) const { return centre + perEv * ev; }
};

void scaleTicks(QPainter &p, const Scale &sc, qreal step, const QColor &col, qreal tickTop, qreal tickBottom)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const int n = int(std::lround(3.0 / step));
    for (int k = -n; k <= n; ++k) {
        const qreal ev = k * step;
        const bool whole = std::fabs(ev - std::round(ev)) < 1e-6;
        p.setPen(QPen(col, whole ? 1.2 : 0.8));
        p.drawLine(QPointF(sc.x(ev), whole ? tickTop : (tickTop + tickBottom) / 2), QPointF(sc.x(ev), tickBottom));
    }
    p.setPen(QPen(col, 0.8));
    p.drawLine(QPointF(sc.x(-3), tickBottom), QPointF(sc.x(3), tickBottom));
    p.restore();
}

void overflowArrow(QPainter &p, qreal tipX, qreal y, qreal dir, qreal size, const QColor &col)
{
    triangle(p, {tipX, y}, {tipX - dir * size, y - size * 0.8}, {tipX - dir * size, y + size * 0.8}, col);
}

// Ardo light-balance scale: value in EV (nullptr-like NaN for no pointer).
void ardoLightBal(QPainter &p, const QSizeF &s, qreal value, bool inactive, int arrow)
{
    fillDisplay(p, s);
    const Scale sc{s.width() / 2, 8, 0};
    const QColor col = inactive ? kUnlit : kLit;
    scaleTicks(p, sc, 0.5, inactive ? QColor(255, 255, 255, 30) : kLit.darker(140), 2, 7);
    overflowArrow(p, 1, 4.5, -1, 3.5, arrow < 0 ? kLit : kUnlit);
    overflowArrow(p, s.width() - 1, 4.5, 1, 3.5, arrow > 0 ? kLit : kUnlit);
    if (!inactive && !std::isnan(value)) {
        const qreal x = sc.x(value);
        triangle(p, {x, 8.2}, {x - 3.2, 13.8}, {x + 3.2, 13.8}, col);
    }
}

QString signedValue(qreal v)
{
    if (std::fabs(v) < 1e-9)
        return QStringLiteral("0.0");
    return (v > 0 ? QStringLiteral("+") : QString()) + QString::number(v, 'f', 1);
}

std::vector<Picture> inventory()
{
    std::vector<Picture> pics;
    auto add = [&](const QString &path, QSize size, Draw draw) { pics.push_back({path, size, std::move(draw)}); };
    const QString img = QStringLiteral("images/");

    // 7-segment digits and mode letters
    const QString seg = img + QStringLiteral("7Segment/");
    const std::vector<std::pair<QString, QString>> digits = {
        {"Digit_0", "abcdef"}, {"Digit_1", "bc"}, {"Digit_2", "abdeg"}, {"Digit_3", "abcdg"},
        {"Digit_4", "bcfg"}, {"Digit_5", "acdfg"}, {"Digit_6", "acdefg"}, {"Digit_7", "abc"},
        {"Digit_8", "abcdefg"}, {"Digit_9", "abcdfg"}, {"Digit_b", "cdefg"}, {"Digit_C", "adef"},
        {"Digit_H", "bcefg"}, {"Digit_L_Capital", "def"}, {"Digit_l", "ef"}, {"Digit_u", "cde"},
        {"Digit_inch", "bf"}, {"Digit_null", ""},
        {"A-P", "abefg"}, {"A-A", "abcefg"}, {"A-T", "defg"}, {"A-null", ""}};
    for (const auto &d : digits) {
        const QString lit = d.second;
        add(seg + d.first + ".png", kDigit, [lit](QPainter &p, const QSizeF &s) { sevenSegment(p, s, lit, kLit, kUnlit); });
    }
    add(seg + "A-m.png", kDigit, [](QPainter &p, const QSizeF &s) {
        sevenSegment(p, s, QString(), kLit, kUnlit);
        letterM(p, s, kLit);
    });
    for (bool on : {true, false})
        add(seg + (on ? "Digit_dot_on.png" : "Digit_dot_off.png"), kDigitDot, [on](QPainter &p, const QSizeF &s) {
            fillDisplay(p, s);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(on ? kLit : kUnlit);
            p.drawEllipse(QPointF(s.width() / 2 - 0.4, s.height() - 2.6), 1.3, 1.3);
        });

    // load counter digits: the accent colour, unlit segments as grey eights
    const QString load = img + QStringLiteral("7SegmentLoad/");
    for (int i = 0; i < 10; ++i) {
        const QString lit = digits[size_t(i)].second;
        add(load + QString::number(i) + ".png", kLoadDigit,
            [lit](QPainter &p, const QSizeF &s) { crispSevenSegment(p, s, lit, kAccent, QColor(255, 255, 255, 28)); });
    }
    add(load + "grey_eight.png", kLoadDigit,
        [](QPainter &p, const QSizeF &s) { crispSevenSegment(p, s, QString(), kAccent, QColor(255, 255, 255, 28)); });

    // 3-axis level
    const QString axis = img + QStringLiteral("3DAxis/");
    // Each picture drawn at an angle inside its band; green within +-5 degrees
    // (level), red beyond.
    const struct { int n; qreal deg; QColor col; } horizontal[] = {
        {1, 10, kWarn}, {2, 4, kGood}, {3, 1.5, kGood}, {4, 0, kGood}, {5, -1.5, kGood},
        {6, -4, kGood}, {7, -10, kWarn}};
    for (const auto &h : horizontal) {
        const qreal deg = h.deg;
        const QColor col = h.col;
        add(axis + QStringLiteral("3DAxis_Horizontal_%1.png").arg(h.n), kAxisH,
            [deg, col](QPainter &p, const QSizeF &s) { axisHorizontal(p, s, deg, col, false); });
    }
    add(axis + "3DAxis_Horizontal_10.png", kAxisH, [](QPainter &p, const QSizeF &s) { axisHorizontal(p, s, 0, kUnlit, true); });
    // 1/7 far off while the horizon is not level, 8/9 the same far positions while it is
    const struct { int n; qreal off; QColor col; } vertical[] = {
        {1, 8, kWarn}, {2, 5, kGood}, {3, 3, kGood}, {4, 0, kGood}, {5, -3, kGood},
        {6, -5, kGood}, {7, -8, kWarn}, {8, 8, kGood}, {9, -8, kGood}};
    for (const auto &v : vertical) {
        const qreal off = v.off;
        const QColor col = v.col;
        add(axis + QStringLiteral("3DAxis_Vertikal_%1.png").arg(v.n), kAxisV,
            [off, col](QPainter &p, const QSizeF &s) { axisVertical(p, s, off, col, false); });
    }
    add(axis + "3DAxis_Vertikal_11.png", kAxisV, [](QPainter &p, const QSizeF &s) { axisVertical(p, s, 0, kUnlit, true); });

    // exposure compensation mark
    for (bool on : {true, false})
        add(img + (on ? "ExposCompensation/ExposCompensation_on.png" : "ExposCompensation/ExposCompensation_off.png"),
            kSymbol, [on](QPainter &p, const QSizeF &s) {
                fillDisplay(p, s);
                const QColor c = on ? kLit : kUnlit;
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(QPen(c, 1.5));
                const qreal cx = s.width() / 2;
                p.drawLine(QPointF(cx - 3.5, 4.5), QPointF(cx + 3.5, 4.5));
                p.drawLine(QPointF(cx, 1), QPointF(cx, 8));
                p.drawLine(QPointF(cx - 3.5, 11.5), QPointF(cx + 3.5, 11.5));
            });

    // metering symbols
    const QString meter = img + QStringLiteral("ExposMetering/");
    for (int kind = 0; kind < 4; ++kind) {
        static const char *const names[] = {"ExposMetering_spot", "ExposMetering_centerWeighted",
                                            "ExposMetering_multiField", "ExposMetering_none"};
        add(meter + names[kind] + ".png", kSymbol, [kind](QPainter &p, const QSizeF &s) {
            fillDisplay(p, s);
            p.setRenderHint(QPainter::Antialiasing);
            const QColor c = kind == 3 ? kUnlit : kLit;
            const QRectF f(2, 2, s.width() - 4, s.height() - 4);
            p.setPen(QPen(c, 1.2));
            p.setBrush(Qt::NoBrush);
            const qreal k = 3;   // frame corners only
            for (QPointF corner : {f.topLeft(), f.topRight(), f.bottomLeft(), f.bottomRight()}) {
                const qreal dx = corner.x() < f.center().x() ? k : -k, dy = corner.y() < f.center().y() ? k : -k;
                p.drawLine(corner, corner + QPointF(dx, 0));
                p.drawLine(corner, corner + QPointF(0, dy));
            }
            const QPointF ctr = f.center();
            if (kind == 0 || kind == 2) {
                p.setPen(Qt::NoPen);
                p.setBrush(c);
                p.drawEllipse(ctr, 1.3, 1.3);
            }
            if (kind == 1 || kind == 2) {
                p.setPen(QPen(c, 1.1));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(ctr, 4.6, 3.6);
            }
            if (kind == 2) {
                p.setPen(QPen(c, 1.1));
                p.drawLine(QPointF(f.left() + 1, ctr.y()), QPointF(ctr.x() - 6, ctr.y()));
                p.drawLine(QPointF(ctr.x() + 6, ctr.y()), QPointF(f.right() - 1, ctr.y()));
            }
        });
    }

    // focus confirmation: > o <
    const QString focus = img + QStringLiteral("FocusConfirmation/");
    const struct { const char *name; bool left, centre, right; } fc[] = {
        {"FocusConfirmation_none", false, false, false}, {"FocusConfirmation_center", false, true, false},
        {"FocusConfirmation_left", true, false, false}, {"FocusConfirmation_right", false, false, true},
        {"FocusConfirmation_leftCenter", true, true, false}, {"FocusConfirmation_rightCenter", false, true, true}};
    for (const auto &f : fc) {
        const bool l = f.left, c = f.centre, r = f.right;
        add(focus + f.name + ".png", kFocus, [l, c, r](QPainter &p, const QSizeF &s) {
            fillDisplay(p, s);
            const qreal cy = s.height() / 2;
            triangle(p, {3, cy - 4.5}, {3, cy + 4.5}, {10, cy}, l ? kLit : kUnlit);
            triangle(p, {s.width() - 3, cy - 4.5}, {s.width() - 3, cy + 4.5}, {s.width() - 10, cy}, r ? kLit : kUnlit);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(c ? kGood : kUnlit);
            p.drawEllipse(QPointF(s.width() / 2, cy), 3.2, 3.2);
        });
    }

    // Ardo light balance and flash symbols
    const QString lb = img + QStringLiteral("LightBal/");
    add(lb + "LightBal.png", kArdoLightBal, [](QPainter &p, const QSizeF &s) { ardoLightBal(p, s, 0, false, 0); });
    add(lb + "LightBal-inactive.png", kArdoLightBal, [](QPainter &p, const QSizeF &s) { ardoLightBal(p, s, 0, true, 0); });
    add(lb + "LightBal-(0.0-Left).png", kArdoLightBal, [](QPainter &p, const QSizeF &s) { ardoLightBal(p, s, 0, false, -1); });
    add(lb + "LightBal-(0.0-Right).png", kArdoLightBal, [](QPainter &p, const QSizeF &s) { ardoLightBal(p, s, 0, false, 1); });
    for (int half = 1; half <= 6; ++half)
        for (int sign : {1, -1}) {
            const qreal v = sign * half * 0.5;
            add(lb + "LightBal-(" + signedValue(v) + ").png", kArdoLightBal,
                [v](QPainter &p, const QSizeF &s) { ardoLightBal(p, s, v, false, 0); });
        }
    for (bool x : {false, true})
        for (bool on : {true, false}) {
            const QString name = QString(x ? "FlashXSymbol_" : "FlashSymbol_") + (on ? "on" : "off");
            add(lb + name + ".png", kFlash, [x, on](QPainter &p, const QSizeF &s) {
                fillDisplay(p, s);
                const QColor c = on ? kLit : kUnlit;
                bolt(p, QRectF(0.5, 1.5, s.width() - 1, x ? s.height() - 6 : s.height() - 3), c);
                if (x)
                    text(p, QRectF(0, s.height() - 6, s.width(), 6), QStringLiteral("X"), c, 5.5);
            });
        }

    // live-view tools
    const QString lv = img + QStringLiteral("LiveView/");
    auto lvButton = [&](const QString &name, Look look, bool accent,
                        std::function<void(QPainter &, const QRectF &, const QColor &)> icon) {
        add(lv + name + ".png", kLvButton, [look, accent, icon](QPainter &p, const QSizeF &s) { flatButton(p, s, look, accent, icon); });
    };
    auto textIcon = [](const QString &t) {
        return [t](QPainter &p, const QRectF &r, const QColor &c) { text(p, r.adjusted(-4, -2, 4, 2), t, c, 9); };
    };
    lvButton("AFon_normal", Look::Normal, false, textIcon("AF"));
    lvButton("AFon_hover", Look::Hover, false, textIcon("AF"));
    lvButton("AFon_pressed", Look::Down, true, textIcon("AF"));
    auto simOff = [](QPainter &p, const QRectF &r, const QColor &c) {
        text(p, r.adjusted(-4, -2, 4, 2), QStringLiteral("SIM"), c, 8);
        p.setPen(iconPen(c, 1.2));
        p.drawLine(QPointF(r.left() - 1, r.bottom()), QPointF(r.right() + 1, r.top()));
    };
    lvButton("ExpSimulation_off_checked", Look::Normal, false, simOff);
    lvButton("ExpSimulation_off_hover", Look::Hover, false, simOff);
    lvButton("ExpSimulation_aperture_checked", Look::Down, true, textIcon("F"));
    lvButton("ExpSimulation_aperture_hover", Look::Hover, true, textIcon("F"));
    lvButton("ExpSimulation_apertureShutter_checked", Look::Down, true, textIcon("F·S"));
    lvButton("ExpSimulation_apertureShutter_hover", Look::Hover, true, textIcon("F·S"));
    auto pip = [](QPainter &p, const QRectF &r, const QColor &c) {
        const qreal side = std::min(r.width(), r.height());
        iconPipette(p, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side), c, c);
    };
    lvButton("GCPipette_notChecked", Look::Normal, false, pip);
    lvButton("GCPipette_hover", Look::Hover, false, pip);
    lvButton("GCPipette_checked", Look::Down, true, pip);
    lvButton("GCSave_normal", Look::Normal, false, iconSaveTray);
    lvButton("GCSave_hover", Look::Hover, false, iconSaveTray);
    lvButton("Zoom_notChecked", Look::Normal, false, iconMagnifier);
    lvButton("Zoom_hover", Look::Hover, false, iconMagnifier);
    lvButton("Zoom_checked", Look::Down, true, iconMagnifier);
    // markers drawn over the live image: bright with a dark outline, visible on any scene
    add(lv + "GCPipette.png", QSize(20, 20), [](QPainter &p, const QSizeF &s) {
        iconPipette(p, QRectF(3, 1, s.width() - 4, s.height() - 4), Qt::white, QColor(0, 0, 0, 200));
    });
    add(lv + "FocusCross.png", QSize(31, 31), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(s.width() / 2, s.height() / 2);
        for (int pass = 0; pass < 2; ++pass) {
            p.setPen(QPen(pass == 0 ? QColor(0, 0, 0, 170) : kAccent, pass == 0 ? 3.2 : 1.6, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(c + QPointF(-14, 0), c + QPointF(-4, 0));
            p.drawLine(c + QPointF(4, 0), c + QPointF(14, 0));
            p.drawLine(c + QPointF(0, -14), c + QPointF(0, -4));
            p.drawLine(c + QPointF(0, 4), c + QPointF(0, 14));
        }
    });
    add(lv + "ExpSpot.png", QSize(24, 24), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(s.width() / 2, s.height() / 2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 0, 170), 3));
        p.drawEllipse(c, 9, 9);
        p.setPen(QPen(Qt::white, 1.4));
        p.drawEllipse(c, 9, 9);
    });
    add(lv + "LVMic.png", QSize(16, 16), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal cx = s.width() / 2;
        p.setPen(Qt::NoPen);
        p.setBrush(kIcon);
        p.drawRoundedRect(QRectF(cx - 2.5, 1, 5, 9), 2.5, 2.5);
        p.setPen(iconPen(kIcon, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(cx - 4.5, 3, 9, 9), 180 * 16, 180 * 16);
        p.drawLine(QPointF(cx, 12), QPointF(cx, 14.5));
        p.drawLine(QPointF(cx - 3, 14.5), QPointF(cx + 3, 14.5));
    });
    add(lv + "LVmicLR.png", QSize(10, 20), [](QPainter &p, const QSizeF &s) {
        text(p, QRectF(0, 0, s.width(), s.height() / 2), QStringLiteral("L"), kIcon, 8);
        text(p, QRectF(0, s.height() / 2, s.width(), s.height() / 2), QStringLiteral("R"), kIcon, 8);
    });
    add(lv + "RecVideo.png", QSize(16, 16), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 1.2));
        p.setBrush(kWarn);
        p.drawEllipse(QPointF(s.width() / 2, s.height() / 2), 6, 6);
    });
    const struct { const char *name; QSize size; int dx, dy; } moves[] = {
        {"move_up", QSize(28, 14), 0, -1}, {"move_down", QSize(28, 14), 0, 1},
        {"move_left", QSize(14, 28), -1, 0}, {"move_right", QSize(14, 28), 1, 0}};
    for (const auto &m : moves) {
        const int dx = m.dx, dy = m.dy;
        add(lv + m.name + ".png", m.size, [dx, dy](QPainter &p, const QSizeF &s) {
            const QPointF c(s.width() / 2, s.height() / 2);
            const qreal a = 5.5, b = 10;   // half depth and half width of the arrow
            QPointF tip = c + QPointF(dx * a, dy * a);
            QPointF p1 = c + QPointF(-dx * a + dy * b, -dy * a + dx * b);
            QPointF p2 = c + QPointF(-dx * a - dy * b, -dy * a - dx * b);
            triangle(p, tip, p1, p2, QColor(255, 255, 255, 200));
        });
    }

    // load animation: chevrons running from the camera to the computer
    const QString le = img + QStringLiteral("LoadEffect/");
    for (int frame = 0; frame <= 5; ++frame) {
        const QString name = frame == 0 ? QStringLiteral("LoadEffectDefault") : QStringLiteral("LoadEffect%1").arg(frame);
        add(le + name + ".png", kLoadEffect, [frame](QPainter &p, const QSizeF &s) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(kPanelDark);
            p.drawRoundedRect(QRectF(QPointF(0.5, 0.5), s - QSizeF(1, 1)), 4, 4);
            const qreal cy = s.height() / 2;
            for (int i = 1; i <= 5; ++i) {
                const int age = frame == 0 ? 99 : (frame - i + 5) % 5;   // 0: the lit chevron
                QColor c = age == 0 ? kAccent : (age == 1 ? kAccent.darker(180) : QColor(255, 255, 255, 36));
                const qreal x = 8 + (i - 1) * 14;
                p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(QPolygonF({{x, cy - 7}, {x + 7, cy}, {x, cy + 7}}));
            }
        });
    }

    // Belo viewfinder read-outs
    const QString vb = img + QStringLiteral("ViewFinderBelo/");
    for (int step : {333, 500}) {
        const qreal stepEv = step == 333 ? 1.0 / 3.0 : 0.5;
        const int n = step == 333 ? 9 : 6;
        const Scale sc{kBeloScale.width() / 2.0, 9.5, 0};
        for (int k = -n; k <= n; ++k) {
            const qreal ev = k * stepEv;
            const QString value = signedValue(std::round(ev * 10) / 10);
            add(vb + QStringLiteral("ExpComp/VFBelo_ExpComp_%1_(%2).png").arg(step).arg(value), kBeloScale,
                [sc, stepEv, ev](QPainter &p, const QSizeF &s) {
                    fillDisplay(p, s);
                    p.translate(0, kBeloScaleTop);
                    scaleTicks(p, sc, stepEv, kLitWarm.darker(160), 6, 11);
                    p.setRenderHint(QPainter::Antialiasing);
                    p.setPen(Qt::NoPen);
                    p.setBrush(kLitWarm);
                    const qreal x0 = sc.x(0), x1 = sc.x(ev);
                    p.drawRect(QRectF(std::min(x0, x1) - (ev == 0 ? 1 : 0), 1.5, std::fabs(x1 - x0) + (ev == 0 ? 2 : 0), 3.5));
                });
            add(vb + QStringLiteral("LightBal/VFBelo_LightBal_%1_(%2).png").arg(step).arg(value), kBeloScale,
                [sc, stepEv, ev](QPainter &p, const QSizeF &s) {
                    fillDisplay(p, s);
                    p.translate(0, kBeloScaleTop);
                    scaleTicks(p, sc, stepEv, kLitWarm.darker(160), 1, 6);
                    const qreal x = sc.x(ev);
                    triangle(p, {x, 6.5}, {x - 3.5, 11.5}, {x + 3.5, 11.5}, kLitWarm);
                });
        }
        for (const char *special : {"inact", "over", "under"}) {
            const QString sp = QString::fromLatin1(special);
            add(vb + QStringLiteral("LightBal/VFBelo_LightBal_%1_(%2).png").arg(step).arg(sp), kBeloScale,
                [sc, stepEv, sp](QPainter &p, const QSizeF &s) {
                    fillDisplay(p, s);
                    p.translate(0, kBeloScaleTop);
                    const bool inact = sp == QLatin1String("inact");
                    scaleTicks(p, sc, stepEv, inact ? QColor(255, 255, 255, 30) : kLitWarm.darker(160), 1, 6);
                    if (sp == QLatin1String("over"))
                        overflowArrow(p, s.width() - 0.5, 8.5, 1, 3.5, kLitWarm);
                    if (sp == QLatin1String("under"))
                        overflowArrow(p, 0.5, 8.5, -1, 3.5, kLitWarm);
                });
        }
    }
    for (const char *mode : {"P", "Pstar", "A", "S", "M", "T"}) {
        const QString m = QString::fromLatin1(mode);
        add(vb + "expMode/VFBelo_expMode_" + m + ".png", kBeloMode, [m](QPainter &p, const QSizeF &s) {
            fillDisplay(p, s);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kLitWarm, 1.2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(1.5, 1.5, s.width() - 3, s.height() - 3), 3, 3);
            const QString label = m == QLatin1String("Pstar") ? QStringLiteral("P*") : m;
            text(p, QRectF(0, 0, s.width(), s.height()), label, kLitWarm, label.size() > 1 ? 10 : 13);
        });
    }
    const struct { const char *name; QString letter; QSize size; } sims[] = {
        {"VFBelo_F_expSim", QStringLiteral("f"), QSize(6, 15)},
        {"VFBelo_S_expSim", QStringLiteral("s"), QSize(8, 15)},
        {"VFBelo_m_expSim", QStringLiteral("m"), QSize(8, 15)}};
    for (const auto &sim : sims)
        for (bool on : {true, false}) {
            const QString letter = sim.letter;
            add(vb + "expSim/" + sim.name + (on ? "_on.png" : "_off.png"), sim.size, [letter, on](QPainter &p, const QSizeF &s) {
                fillDisplay(p, s);
                text(p, QRectF(-2, 0, s.width() + 4, s.height() - 2), letter, on ? kAccent : kLitWarm, 11, Qt::AlignCenter,
                     QFont::Normal);
                if (on)
                    p.fillRect(QRectF(0.5, s.height() - 2, s.width() - 1, 1.2), kAccent);
            });
        }
    add(vb + "flashStatus/VFBelo_flashOn.png", QSize(15, 15),
        [](QPainter &p, const QSizeF &s) { fillDisplay(p, s); bolt(p, QRectF(3.5, 1.5, 8, s.height() - 3), kLitWarm); });
    for (bool on : {true, false})
        add(vb + (on ? "isoAuto/VFBelo_isoAuto_on.png" : "isoAuto/VFBelo_isoAuto_off.png"), QSize(26, 20),
            [on](QPainter &p, const QSizeF &s) {
                fillDisplay(p, s);
                text(p, QRectF(0, 0, s.width(), s.height() / 2), QStringLiteral("ISO"), kLitWarm, 8.5);
                text(p, QRectF(0, s.height() / 2, s.width(), s.height() / 2), QStringLiteral("AUTO"),
                     on ? kAccent : kUnlit, 7.5);
            });

    // top level: batteries
    const struct { const char *name; int percent; bool mains; } batteries[] = {
        {"Battery100perCent", 100, false}, {"Battery75perCent", 75, false}, {"Battery50perCent", 50, false},
        {"Battery25perCent", 25, false}, {"Battery10perCent", 10, false}, {"BatteryEmpty", 0, false},
        {"BatteryAC", 0, true}};
    for (const auto &b : batteries) {
        const int percent = b.percent;
        const bool mains = b.mains;
        add(img + b.name + ".png", kBattery, [percent, mains](QPainter &p, const QSizeF &s) { battery(p, s, percent, mains); });
    }

    // decoration around the viewfinder strip: the body's top plate and the grip below it
    add(img + "CameraBody.png", QSize(368, 30), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const qreal w = s.width(), h = s.height();
        path.moveTo(2, h);
        path.lineTo(2, h - 10);
        path.quadTo(2, h - 14, 8, h - 14);
        path.lineTo(w * 0.36, h - 14);
        path.lineTo(w * 0.42, 2);
        path.lineTo(w * 0.58, 2);
        path.lineTo(w * 0.64, h - 14);
        path.lineTo(w - 8, h - 14);
        path.quadTo(w - 2, h - 14, w - 2, h - 10);
        path.lineTo(w - 2, h);
        path.closeSubpath();
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0x4c, 0x4c, 0x4c));
        g.setColorAt(1, QColor(0x26, 0x26, 0x26));
        p.setPen(QPen(QColor(0x1c, 0x1c, 0x1c), 1));
        p.setBrush(g);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(kWarn);
        p.drawEllipse(QPointF(w * 0.5, h * 0.42), 3.2, 3.2);
        // two dials on the top plate
        for (qreal x : {w * 0.16, w * 0.82}) {
            p.setBrush(QColor(0x1e, 0x1e, 0x1e));
            p.drawRoundedRect(QRectF(x - 16, h - 20, 32, 6), 2, 2);
            p.setPen(QPen(QColor(255, 255, 255, 40), 1));
            for (int i = 0; i < 8; ++i)
                p.drawLine(QPointF(x - 14 + i * 4, h - 19), QPointF(x - 14 + i * 4, h - 15));
            p.setPen(Qt::NoPen);
        }
    });
    add(img + "CameraHandle.png", QSize(368, 14), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, s.height());
        g.setColorAt(0, QColor(0x26, 0x26, 0x26));
        g.setColorAt(1, QColor(0x3c, 0x3c, 0x3c));
        p.setPen(QPen(QColor(0x1c, 0x1c, 0x1c), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2, -6, s.width() - 4, s.height() + 5), 6, 6);
        p.setPen(QPen(QColor(255, 255, 255, 22), 1));
        for (qreal x = 14; x < s.width() - 12; x += 4)   // grip texture
            p.drawLine(QPointF(x, 3), QPointF(x, s.height() - 4));
    });
    add(img + "NorbaLogo.png", QSize(96, 24), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kWarn);
        p.drawEllipse(QPointF(10, s.height() / 2), 7, 7);
        text(p, QRectF(21, 0, s.width() - 21, s.height()), QStringLiteral("NORBA"), Qt::white, 15,
             Qt::AlignVCenter | Qt::AlignLeft);
    });
    add(img + "infinity.png", QSize(16, 10), [](QPainter &p, const QSizeF &s) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(iconPen(kIcon, 1.4));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        const qreal cy = s.height() / 2;
        path.moveTo(s.width() / 2, cy);
        path.cubicTo(s.width() * 0.7, cy - 5, s.width() - 0.5, cy - 3, s.width() - 1, cy);
        path.cubicTo(s.width() - 0.5, cy + 3, s.width() * 0.7, cy + 5, s.width() / 2, cy);
        path.cubicTo(s.width() * 0.3, cy - 5, 0.5, cy - 3, 1, cy);
        path.cubicTo(0.5, cy + 3, s.width() * 0.3, cy + 5, s.width() / 2, cy);
        p.drawPath(path);
    });
    for (bool active : {true, false})
        add(img + (active ? "downarrow.png" : "downarrow_inact.png"), QSize(9, 6), [active](QPainter &p, const QSizeF &s) {
            triangle(p, {0.5, 0.5}, {s.width() - 0.5, 0.5}, {s.width() / 2, s.height() - 0.5}, active ? kIcon : kIconDim);
        });

    // buttons
    const struct { const char *state; QColor collar; QString label; QColor labelColour; } switches[] = {
        {"VOID", QColor(0x4a, 0x4a, 0x4a), QString(), kIcon},
        {"OFF", QColor(0x5a, 0x5a, 0x5a), QStringLiteral("OFF"), QColor(0x30, 0x30, 0x30)},
        {"FPS", kAccent, QStringLiteral("FPS"), QColor(0x30, 0x30, 0x30)},
        {"CS", QColor(0x3d, 0x8e, 0xd8), QStringLiteral("CS"), QColor(0x30, 0x30, 0x30)}};
    const struct { const char *suffix; Look look; } pushLooks[] = {
        {"notPressed", Look::Normal}, {"hover", Look::Hover}, {"pressed", Look::Down}};
    for (const auto &sw : switches)
        for (const auto &pl : pushLooks) {
            const QColor collar = sw.collar, labelColour = sw.labelColour;
            const QString label = sw.label;
            const Look look = pl.look;
            add(img + QStringLiteral("ReleaseButton_%1_%2.png").arg(sw.state, pl.suffix), kRelease,
                [collar, label, labelColour, look](QPainter &p, const QSizeF &s) {
                    roundButton(p, s, look, collar, label, labelColour, false);
                });
        }
    for (const auto &pl : pushLooks) {
        const Look look = pl.look;
        add(img + QStringLiteral("VideoButton_%1.png").arg(pl.suffix), kRelease,
            [look](QPainter &p, const QSizeF &s) { roundButton(p, s, look, QColor(0x4a, 0x4a, 0x4a), QString(), kIcon, true); });
    }
    using Icon = std::function<void(QPainter &, const QRectF &, const QColor &)>;
    const std::vector<std::pair<QString, Icon>> toggles = {
        {"KeyLockButton", iconPadlock},
        {"LiveViewPhotoButton", [](QPainter &p, const QRectF &r, const QColor &c) { iconCamera(p, r, c, false); }},
        {"LiveViewVideoButton", [](QPainter &p, const QRectF &r, const QColor &c) { iconCamera(p, r, c, true); }},
        {"MirrorButton", iconMirror},
        {"QuickViewButton", iconQuickView}};
    const struct { const char *suffix; Look look; bool checked; } toggleLooks[] = {
        {"notChecked", Look::Normal, false}, {"hover", Look::Hover, false}, {"checked", Look::Down, true}};
    for (const auto &t : toggles)
        for (const auto &tl : toggleLooks) {
            const Icon icon = t.second;
            const Look look = tl.look;
            const bool checked = tl.checked;
            add(img + t.first + "_" + tl.suffix + ".png", kToolButton, [icon, look, checked](QPainter &p, const QSizeF &s) {
                panelCorners(p, s);
                flatButton(p, s, look, checked, icon);
            });
        }
    const struct { const char *name; Look look; bool checked; } minGui[] = {
        {"MinGUI_notChecked", Look::Normal, false}, {"MinGUI_notChecked_hover", Look::Hover, false},
        {"MinGUI_checked", Look::Down, true}, {"MinGUI_checked_hover", Look::Hover, true}};
    for (const auto &mg : minGui) {
        const Look look = mg.look;
        const bool checked = mg.checked;
        // full panel shown: "collapse" points up; minimal panel: "expand" points down
        add(img + mg.name + ".png", kMinGui, [look, checked](QPainter &p, const QSizeF &s) {
            panelCorners(p, s);
            flatButton(p, s, look, checked, [checked](QPainter &q, const QRectF &r, const QColor &c) {
                iconChevron(q, r, c, !checked);
            });
        });
    }
    return pics;
}

QString twinPath(const QString &path)
{
    return path.left(path.size() - 4) + QStringLiteral("@2x.png");
}

QImage render(const Picture &pic, int scale)
{
    QImage image(pic.size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(scale, scale);
    pic.draw(p, QSizeF(pic.size));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool writeIfChanged(const QString &fileName, const QByteArray &data)
{
    QFile old(fileName);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == data)
        return true;
    old.close();
    QSaveFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

// All @2x twins on one page, folder by folder, for looking at the artwork.
bool writeSheet(std::vector<Picture> pics, const QString &fileName)
{
    std::stable_sort(pics.begin(), pics.end(), [](const Picture &a, const Picture &b) {
        return QFileInfo(a.path).path() < QFileInfo(b.path).path();
    });
    const int width = 1500, pad = 8;
    struct Placed { QPoint at; int index; };
    std::vector<Placed> placed;
    std::vector<std::pair<int, QString>> headers;
    int x = pad, y = pad, rowHeight = 0;
    QString folder;
    for (size_t i = 0; i < pics.size(); ++i) {
        const QString f = QFileInfo(pics[i].path).path();
        const QSize sz = pics[i].size * 2;
        if (f != folder) {
            folder = f;
            y += rowHeight + (placed.empty() ? 0 : pad);
            headers.push_back({y, f});
            y += 18;
            x = pad;
            rowHeight = 0;
        }
        if (x + sz.width() > width - pad) {
            x = pad;
            y += rowHeight + pad;
            rowHeight = 0;
        }
        placed.push_back({QPoint(x, y), int(i)});
        x += sz.width() + pad;
        rowHeight = std::max(rowHeight, sz.height());
    }
    QImage sheet(width, y + rowHeight + pad, QImage::Format_ARGB32);
    sheet.fill(kPanel);
    QPainter p(&sheet);
    for (const auto &h : headers)
        text(p, QRectF(pad, h.first, width, 16), h.second, kAccent, 12, Qt::AlignLeft | Qt::AlignVCenter);
    for (const Placed &pl : placed)
        p.drawImage(pl.at, render(pics[size_t(pl.index)], 2));
    p.end();
    return sheet.save(fileName);
}

}   // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s <output dir> <qrc file> <stamp file> [--sheet <png>]\n", argv[0]);
        return 2;
    }
    const QDir out(args.at(1));
    const std::vector<Picture> pics = inventory();

    QByteArray qrc;
    QTextStream qs(&qrc);
    qs << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/TVK_GUI\">\n";
    for (const Picture &pic : pics) {
        for (int scale : {1, 2}) {
            const QString rel = scale == 1 ? pic.path : twinPath(pic.path);
            const QString file = out.filePath(rel);
            QDir().mkpath(QFileInfo(file).path());
            QByteArray png;
            {
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (!render(pic, scale).save(&buffer, "PNG")) {
                    std::fprintf(stderr, "cannot encode %s\n", qPrintable(rel));
                    return 1;
                }
            }
            // unchanged pictures keep their time stamps, so rcc sees a stable input
            if (!writeIfChanged(file, png)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            qs << "  <file>" << rel.toHtmlEscaped() << "</file>\n";
        }
    }
    qs << "</qresource>\n</RCC>\n";
    qs.flush();
    // always rewritten: its time stamp tells the build that this run happened
    QSaveFile qrcFile(args.at(2));
    if (!qrcFile.open(QIODevice::WriteOnly) || qrcFile.write(qrc) != qrc.size() || !qrcFile.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    QFile stamp(args.at(3));
    if (!stamp.open(QIODevice::WriteOnly | QIODevice::Truncate) || stamp.write(QByteArray::number(int(pics.size()))) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    const int sheetArg = args.indexOf(QStringLiteral("--sheet"));
    if (sheetArg > 0 && sheetArg + 1 < args.size() && !writeSheet(pics, args.at(sheetArg + 1))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(sheetArg + 1)));
        return 1;
    }
    std::printf("%d pictures (and their @2x twins) in %s\n", int(pics.size()), qPrintable(out.path()));
    return 0;
}
