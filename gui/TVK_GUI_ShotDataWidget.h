#pragma once

#include "TVK_Logic_ShotData.h"

#include <QLocale>
#include <QString>
#include <QWidget>

// One line under the quick view's picture with how it was taken, as a
// photographer reads it off the camera: 1/250 s · f/5.6 · ISO 400 · +0.7 EV ·
// 50 mm · lens · date and time · file name and size. What the file does not
// say is left out. A line too long for the window ends in an ellipsis; its
// tooltip names every field, the camera too.
//
// Exposure times shorter than 0.3 s read as the fraction the camera shows
// (1/250 s, 1/4 s); from 0.3 s on as seconds with the seconds mark, one
// decimal below 10 s and whole ones above (0.3", 1.3", 2", 30"), because that
// is where the cameras' own displays change from one to the other.
// Compensation is signed, ±0 when it is none; file sizes are in units of
// 1000 bytes (KB, MB, GB with one decimal), as the cards are labelled. Decimal
// marks and the date follow the locale.
class TVK_GUI_ShotDataWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_ShotDataWidget(QWidget *parent = nullptr);
    ~TVK_GUI_ShotDataWidget() override;

    void setShotData(const TVK_Logic_ShotData &shot);
    TVK_Logic_ShotData shotData() const { return m_data; }
    // The whole line, and the part of it that fits the widget now.
    QString text() const { return m_text; }
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Each field alone; empty when unknown.
    static QString exposureTime(quint32 numerator, quint32 denominator, const QLocale &locale = QLocale());
    static QString aperture(double fNumber, const QLocale &locale = QLocale());
    static QString sensitivity(int iso, const QLocale &locale = QLocale());
    static QString compensation(const TVK_Logic_ShotData &data, const QLocale &locale = QLocale());
    static QString focalLength(double millimetres, const QLocale &locale = QLocale());
    static QString fileSize(qint64 bytes, const QLocale &locale = QLocale());
    static QString taken(const QDateTime &when, const QLocale &locale = QLocale());

    static QString line(const TVK_Logic_ShotData &data, const QLocale &locale = QLocale());
    // One labelled field a line, for the tooltip.
    static QString details(const TVK_Logic_ShotData &data, const QLocale &locale = QLocale());

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TVK_Logic_ShotData m_data;
    QString m_text;
};
