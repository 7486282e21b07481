#pragma once

#include <QRectF>
#include <QWidget>

// Where the zoomed part lies in the whole live image: a light rectangle
// (normalised 0..1) inside a faint frame the size of the whole image.
class TVK_GUI_LiveViewNavigatorWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_LiveViewNavigatorWidget(QWidget *parent = nullptr);
    ~TVK_GUI_LiveViewNavigatorWidget() override;

    QRectF zoomRect() const { return QRectF(m_x, m_y, m_w, m_h); }
    // The zoom rectangle in widget pixels, as painted.
    QRect paintedZoomRect() const;

public Q_SLOTS:
    void setZoomRect(double x, double y, double w, double h);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_x = 0.0;
    double m_y = 0.0;
    double m_w = 1.0;
    double m_h = 1.0;
};
