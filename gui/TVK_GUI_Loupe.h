#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QWidget>

class TVK_GUI_ImageViewer;

// The picture at 100 % over the whole of a viewer: one pixel of the full-size
// picture on one device pixel of the screen, so a photographer can judge focus
// and noise where the fitted picture shows neither. It lies over the viewer as
// its sibling, so the viewer itself knows nothing of it.
//
// A click on the shown picture or the Z key opens it there (the key at the
// pointer when that is over the picture, else at the picture's middle); Space
// toggles as Z does, where the camera panel's keyboard shutter, which sees the
// key first, leaves it; a second click, Z, Space or Escape close it. Dragging
// moves the picture with the pointer. Its edges stop the picture: the loupe
// never shows beyond them, and a picture smaller than the loupe lies in its
// middle.
//
// The source is the picture as stored in the file, before the turn by its
// Exif orientation; the loupe turns the part it shows as the viewer's pixmap
// was turned.
class TVK_GUI_Loupe : public QWidget
{
    Q_OBJECT

public:
    // The viewer it lies over; the parent is the viewer's parent.
    explicit TVK_GUI_Loupe(TVK_GUI_ImageViewer *viewer);
    ~TVK_GUI_Loupe() override;

    // rotation: 0, 90, 180 or 270 degrees clockwise, as the viewer's pixmap
    // was turned from this source; any other value is taken as 0. A new
    // source while the loupe is open keeps it on the same place of the picture.
    void setSource(const QImage &image, int rotation);
    QImage source() const { return m_source; }
    int rotation() const { return m_rotation; }

    // Opens the loupe centred on a point of the source (pixels of the source
    // as stored); false, and nothing shown, without a source.
    bool openAt(const QPointF &sourcePoint);
    void close();
    bool isOpen() const { return isVisible(); }
    // The point of the source in the loupe's middle, before the edges stop it.
    QPointF centre() const { return m_centre; }
    // The part of the source shown now, in source pixels.
    QRect shownSourceRect() const;

    // The point of the source under a point of the viewer. shownRect is where
    // the viewer shows the turned picture; the point is taken as continuous
    // (a pixel's middle is its corner plus a half) and held inside the picture.
    // An empty rect or source gives the source's middle.
    static QPointF sourcePoint(const QPointF &viewerPoint, const QRectF &shownRect, const QSize &sourceSize,
                               int rotation);
    // The part of the source a loupe of viewSize logical pixels shows at
    // devicePixelRatio when centred on centre: as many source pixels as it has
    // device pixels (its width and height swap for a quarter turn), moved back
    // inside the source where the centre lies too near an edge, and cut to the
    // source where that is the smaller.
    static QRect sourceRect(const QPointF &centre, const QSize &viewSize, qreal devicePixelRatio,
                            const QSize &sourceSize, int rotation);
    // A movement on screen, in device pixels, as a movement in the source.
    static QPointF sourceVector(const QPointF &screenVector, int rotation);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void followViewer();
    void toggleByKey();
    // The centre moved back to where the edges let the shown part lie.
    void clampCentre();

    QPointer<TVK_GUI_ImageViewer> m_viewer;
    // Only compared with: the viewer's filter also sees its last events,
    // sent while it is being destroyed and no longer an image viewer.
    const QObject *m_viewerObject;
    QImage m_source;
    int m_rotation = 0;
    QPointF m_centre;
    // A press on the viewer that may become a click.
    QPoint m_viewerPress;
    bool m_viewerPressed = false;
    // A press on the loupe: a drag pans, a click closes.
    QPoint m_lastDrag;
    QPoint m_press;
    bool m_dragged = false;
    bool m_pressed = false;
};
