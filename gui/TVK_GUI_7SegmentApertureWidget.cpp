#include "TVK_GUI_7SegmentApertureWidget.h"

#include "ui_TVK_GUI_7SegmentApertureWidget.h"

TVK_GUI_7SegmentApertureWidget::TVK_GUI_7SegmentApertureWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_7SegmentApertureWidget>())
{
    m_ui->setupUi(this);
    setDecimalPoint(false);
}

TVK_GUI_7SegmentApertureWidget::~TVK_GUI_7SegmentApertureWidget() = default;

QString TVK_GUI_7SegmentApertureWidget::readOutText(const QString &aperture)
{
    QString text = aperture;
    text.remove(QLatin1Char('f'));
    text.remove(QLatin1Char(' '));
    // A whole f-number below ten is shown with its tenths so that both digits are lit.
    if (text.length() == 1)
        text.append(QLatin1String(".0"));
    return text;
}

void TVK_GUI_7SegmentApertureWidget::setAperture(QString aperture)
{
    QString text = readOutText(aperture);
    const bool hasPoint = text.contains(QLatin1Char('.'));
    text.remove(QLatin1Char('.'));
    setDecimalPoint(hasPoint);
    const QChar blank(QLatin1Char(' '));
    m_ui->digAperture1->setDigit(text.length() > 0 ? text.at(0) : blank);
    m_ui->digAperture2->setDigit(text.length() > 1 ? text.at(1) : blank);
}

void TVK_GUI_7SegmentApertureWidget::setDecimalPoint(bool on)
{
    m_ui->lblApertureDot->setPicture(on ? QStringLiteral(":/TVK_GUI/images/7Segment/Digit_dot_on.png")
                                        : QStringLiteral(":/TVK_GUI/images/7Segment/Digit_dot_off.png"));
}
