#include "TVK_GUI_Loupe.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_ImageViewer.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace {

// What lies around a picture smaller than the loupe, as around the fitted one.
const QColor kBackground(Qt::black);

bool isQuarterTurn(int rotation)
{
    return rotation == 90 || rotation == 270;
}

int knownRotation(int rotation)
{
    return rotation == 90 || rotation == 180 || rotation == 270 ? rotation : 0;
}

double clamped(double value, double low, double high)
{
    return std::max(low, std::min(value, high));
}

// The size in source pixels of the part a loupe shows: one source pixel on
// each device pixel, no more than the source has.
QSize shownSourceSize(const QSize &viewSize, qreal devicePixelRatio, const QSize &sourceSize, int rotation)
{
    const qreal ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    QSize device(qRound(viewSize.width() * ratio), qRound(viewSize.height() * ratio));
    if (isQuarterTurn(rotation))
        device.transpose();
    return device.boundedTo(sourceSize);
}

} // namespace

TVK_GUI_Loupe::TVK_GUI_Loupe(TVK_GUI_ImageViewer *viewer)
    : QWidget(viewer->parentWidget())
    , m_viewer(viewer)
    , m_viewerObject(viewer)
{
    setObjectName(QStringLiteral("wgtLoupe"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
    hide();
    viewer->installEventFilter(this);
    // Keys reach the window whatever holds the focus inside it.
    if (QWidget *window = viewer->parentWidget())
        window->installEventFilter(this);
}

TVK_GUI_Loupe::~TVK_GUI_Loupe() = default;

void TVK_GUI_Loupe::setSource(const QImage &image, int rotation)
{
    if (knownRotation(rotation) != rotation) {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - a turn by %d degrees is none of the four, the picture is taken as it is",
                 prefix, rotation);
    }
    const QSize oldSize = m_source.size();
    m_source = image;
    m_rotation = knownRotation(rotation);
    if (image.isNull()) {
        close();
        return;
    }
    // The same place of the picture, in a source of another size.
    if (!oldSize.isEmpty()) {
        m_centre = QPointF(m_centre.x() * image.width() / oldSize.width(),
                           m_centre.y() * image.height() / oldSize.height());
    }
    clampCentre();
    update();
}

bool TVK_GUI_Loupe::openAt(const QPointF &sourcePoint)
{
    if (m_source.isNull())
        return false;
    followViewer();
    m_centre = sourcePoint;
    clampCentre();
    show();
    raise();
    update();
    return true;
}

void TVK_GUI_Loupe::close()
{
    m_pressed = false;
    hide();
}

QRect TVK_GUI_Loupe::shownSourceRect() const
{
    return sourceRect(m_centre, size(), devicePixelRatioF(), m_source.size(), m_rotation);
}

QPointF TVK_GUI_Loupe::sourcePoint(const QPointF &viewerPoint, const QRectF &shownRect, const QSize &sourceSize,
                                   int rotation)
{
    const double width = sourceSize.width();
    const double height = sourceSize.height();
    if (shownRect.isEmpty() || sourceSize.isEmpty())
        return QPointF(width / 2.0, height / 2.0);
    rotation = knownRotation(rotation);
    const double u = clamped((viewerPoint.x() - shownRect.left()) / shownRect.width(), 0.0, 1.0);
    const double v = clamped((viewerPoint.y() - shownRect.top()) / shownRect.height(), 0.0, 1.0);
    // The point in the turned picture at full size, then turned back: the
    // pixmap was turned clockwise on a screen whose y axis points down.
    const double turnedX = u * (isQuarterTurn(rotation) ? height : width);
    const double turnedY = v * (isQuarterTurn(rotation) ? width : height);
    switch (rotation) {
    case 90:
        return QPointF(turnedY, height - turnedX);
    case 180:
        return QPointF(width - turnedX, height - turnedY);
    case 270:
        return QPointF(width - turnedY, turnedX);
    default:
        return QPointF(turnedX, turnedY);
    }
}

QRect TVK_GUI_Loupe::sourceRect(const QPointF &centre, const QSize &viewSize, qreal devicePixelRatio,
                                const QSize &sourceSize, int rotation)
{
    if (sourceSize.isEmpty() || viewSize.isEmpty())
        return QRect();
    const QSize shown = shownSourceSize(viewSize, devicePixelRatio, sourceSize, knownRotation(rotation));
    const QSize room = sourceSize - shown;
    const int left = std::max(0, std::min(qRound(centre.x() - shown.width() / 2.0), room.width()));
    const int top = std::max(0, std::min(qRound(centre.y() - shown.height() / 2.0), room.height()));
    return QRect(QPoint(left, top), shown);
}

QPointF TVK_GUI_Loupe::sourceVector(const QPointF &screenVector, int rotation)
{
    const double a = screenVector.x();
    const double b = screenVector.y();
    switch (knownRotation(rotation)) {
    case 90:
        return QPointF(b, -a);
    case 180:
        return QPointF(-a, -b);
    case 270:
        return QPointF(-b, a);
    default:
        return screenVector;
    }
}

void TVK_GUI_Loupe::clampCentre()
{
    if (m_source.isNull())
        return;
    const QSize shown = shownSourceSize(size(), devicePixelRatioF(), m_source.size(), m_rotation);
    const double halfWidth = shown.width() / 2.0;
    const double halfHeight = shown.height() / 2.0;
    m_centre = QPointF(clamped(m_centre.x(), halfWidth, m_source.width() - halfWidth),
                       clamped(m_centre.y(), halfHeight, m_source.height() - halfHeight));
}

void TVK_GUI_Loupe::followViewer()
{
    if (!m_viewer)
        return;
    if (geometry() != m_viewer->geometry()) {
        setGeometry(m_viewer->geometry());
        clampCentre();
    }
}

void TVK_GUI_Loupe::toggleByKey()
{
    if (isOpen()) {
        close();
        return;
    }
    if (!m_viewer)
        return;
    // At the pointer when it is over the picture, as a click there would.
    const QRect shown = m_viewer->shownPixmapRect();
    const QPoint pointer = m_viewer->mapFromGlobal(QCursor::pos());
    if (m_viewer->underMouse() && shown.contains(pointer))
        openAt(sourcePoint(QPointF(pointer) + QPointF(0.5, 0.5), shown, m_source.size(), m_rotation));
    else
        openAt(QPointF(m_source.width() / 2.0, m_source.height() / 2.0));
}

bool TVK_GUI_Loupe::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_viewerObject) {
        if (type == QEvent::Resize || type == QEvent::Move) {
            if (isOpen())
                followViewer();
        } else if (type == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            m_viewerPressed = mouse->button() == Qt::LeftButton;
            m_viewerPress = mouse->pos();
        } else if (type == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const bool click = m_viewerPressed && mouse->button() == Qt::LeftButton
                               && (mouse->pos() - m_viewerPress).manhattanLength() < QApplication::startDragDistance();
            m_viewerPressed = false;
            const QRect shown = m_viewer->shownPixmapRect();
            if (click && shown.contains(m_viewerPress))
                openAt(sourcePoint(QPointF(m_viewerPress) + QPointF(0.5, 0.5), shown, m_source.size(), m_rotation));
        }
        return false;
    }
    if (type == QEvent::KeyPress && watched == parentWidget()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Z || key->key() == Qt::Key_Space)) {
            if (!key->isAutoRepeat())
                toggleByKey();
            return true;
        }
        // Escape closes the window too; with the loupe open it closes only the loupe.
        if (key->key() == Qt::Key_Escape && isOpen()) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TVK_GUI_Loupe::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const QRect part = shownSourceRect();
    if (part.isEmpty())
        return;
    QImage piece = m_source.copy(part);
    if (m_rotation != 0)
        piece = piece.transformed(QTransform().rotate(m_rotation));
    // The colours the viewer shows, not the file's: opening the loupe must
    // not shift them.
    if (m_viewer)
        m_viewer->matchColours(piece);
    const qreal ratio = devicePixelRatioF();
    piece.setDevicePixelRatio(ratio);
    const QSizeF logical = QSizeF(piece.size()) / ratio;
    painter.drawImage(QPointF((width() - logical.width()) / 2.0, (height() - logical.height()) / 2.0), piece);
}

void TVK_GUI_Loupe::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_dragged = false;
    m_press = event->pos();
    m_lastDrag = event->pos();
    setCursor(Qt::ClosedHandCursor);
}

void TVK_GUI_Loupe::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!m_dragged && (event->pos() - m_press).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragged = true;
    // The picture follows the pointer, so the middle moves against it.
    const QPointF moved = QPointF(event->pos() - m_lastDrag) * devicePixelRatioF();
    m_lastDrag = event->pos();
    m_centre -= sourceVector(moved, m_rotation);
    clampCentre();
    update();
}

void TVK_GUI_Loupe::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    setCursor(Qt::OpenHandCursor);
    if (!m_dragged)
        close();
}
