#pragma once

#include "TVK_Color_WorldIF.h"

#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QSize>

#include <memory>

struct TVK_Color_FrameAids;
class TVK_Color_Match;
class TVK_Color_ProfileIF;
class TVK_GUI_AidsOverlay;
class TVK_GUI_LiveViewNavigatorWidget;

namespace Ui {
class TVK_GUI_ImageViewer;
}

// Shows a picture fitted into the widget (aspect ratio kept, letterboxed),
// colour-matched to the monitor when wanted, with the live view markers on
// top: the focus cross (with the metering spot) or, in grey-card mode, the
// pipette. Over the picture lie the zoom navigator, the move arrows and the
// video recording mark. Clicks report normalised 0..1 positions in the shown
// picture; the marker itself moves only when the camera confirms the position.
// The viewing aids (marks, guides, histogram) are painted over the shown
// picture by its overlay on every paint; the caller tells the overlay which
// aids are on and how the frame was turned.
class TVK_GUI_ImageViewer : public QLabel
{
    Q_OBJECT

public:
    static constexpr QSize kNavigatorSize{120, 90};
    // Two marker positions closer than this are the same.
    static constexpr double kMarkerTolerance = 1e-12;

    explicit TVK_GUI_ImageViewer(QWidget *parent = nullptr);
    ~TVK_GUI_ImageViewer() override;

    QPixmap sourcePixmap() const { return m_source; }
    QPixmap scaledPixmap() const { return m_scaled; }
    QPixmap displayedPixmap() const { return m_displayed; }
    // Where the displayed pixmap lies in the widget; empty without a picture.
    QRect shownPixmapRect() const;
    QPointF markerPos() const { return QPointF(m_markerX, m_markerY); }
    bool isGCPipActive() const { return m_isGCPipActive; }
    bool isExpSpotActive() const { return m_isExpSpotActive; }
    int liveViewMode() const { return m_liveViewMode; }
    int zoomLevel() const { return m_zoomLevel; }
    bool wantsMoveInZoom() const { return m_wantMoveInZoom; }
    bool wantsColorMatch() const { return m_wantColorMatch; }
    TVK_GUI_LiveViewNavigatorWidget *navigator() const;
    TVK_GUI_AidsOverlay *overlay() const { return m_overlay; }
    // Converts a piece of the picture for the monitor as the viewer converts
    // what it shows (nothing when it shows pictures unconverted), so that a
    // view beside it (the loupe) shows the same colours.
    void matchColours(QImage &image) const;
    // What the histogram must not cover: the marker and, when shown, the navigator.
    QList<QRect> keepClearRects() const;

Q_SIGNALS:
    void signalCrossPos(double x, double y);
    void signalGCPipPos(double x, double y);
    // The frame given to setPixmap is on screen; the next one may come.
    void signalPixmapConsumed();

public Q_SLOTS:
    void setWantColorMatch(bool want);
    void setInputProfile(const QString &path);
    void setInputProfile(const TVK_Color_ProfileIF &profile);
    void setOutputProfile(const QString &path);
    void setOutputProfile(const TVK_Color_ProfileIF &profile);
    void setRenderingIntent(TVK_Color_WorldIF::eRenderingIntent intent);
    // Hides QLabel::setPixmap on purpose: whatever is set is fitted, matched and marked.
    // The previous frame's aids go with it: their marks belong to another picture.
    void setPixmap(const QPixmap &pixmap);
    // A frame and what the analysis found in it, on screen in the same paint.
    // Aids that come later for the frame shown go to overlay()->setFrameAids.
    void setFrame(const QPixmap &pixmap, const TVK_Color_FrameAids &aids);
    void setExpSpotIsActive(bool isActive);
    void setGCPipIsActive(bool isActive);
    void setLiveViewMode(int mode);
    void setWantMoveInZoom(bool want);
    void setZoomInfo(int unused, int zoomLevel, double x, double y);
    void setZoomRect(double x, double y, double w, double h);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void showFrame(const QPixmap &pixmap);
    void rebuildScaled();
    void rebuildDisplayed();
    void drawMarkers(QPixmap &pixmap) const;
    void updateNavigation();

    Ui::TVK_GUI_ImageViewer *ui;
    QPixmap m_source;
    QPixmap m_scaled;
    QPixmap m_displayed;
    QSize m_scaledFor;
    double m_markerX = -1.0;
    double m_markerY = -1.0;
    bool m_isGCPipActive = false;
    bool m_isExpSpotActive = false;
    int m_liveViewMode = 0;
    int m_zoomLevel = 0;
    bool m_wantMoveInZoom = false;
    bool m_wantColorMatch = true;
    std::unique_ptr<TVK_Color_Match> m_colorMatch;
    TVK_GUI_AidsOverlay *m_overlay;
};
