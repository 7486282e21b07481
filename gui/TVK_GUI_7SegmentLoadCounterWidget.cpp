#include "TVK_GUI_7SegmentLoadCounterWidget.h"

#include "ui_TVK_GUI_7SegmentLoadCounterWidget.h"

TVK_GUI_7SegmentLoadCounterWidget::TVK_GUI_7SegmentLoadCounterWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_7SegmentLoadCounterWidget>())
{
    m_ui->setupUi(this);
}

TVK_GUI_7SegmentLoadCounterWidget::~TVK_GUI_7SegmentLoadCounterWidget() = default;

void TVK_GUI_7SegmentLoadCounterWidget::setCounter(int number)
{
    if (number <= 0) {
        m_ui->digLoad1->setDigit(QLatin1Char(' '));
        m_ui->digLoad2->setDigit(QLatin1Char(' '));
        return;
    }
    const int shown = qMin(number, 99);
    m_ui->digLoad1->setDigit(QLatin1Char(static_cast<char>('0' + shown / 10)));
    m_ui->digLoad2->setDigit(QLatin1Char(static_cast<char>('0' + shown % 10)));
}
