#include "TVK_GUI_7SegmentShutTimeWidget.h"

#include "TVK_GUI_7SegmentDigitWidget.h"
#include "ui_TVK_GUI_7SegmentShutTimeWidget.h"

namespace {

const QChar kInch(QLatin1Char('"'));

} // namespace

TVK_GUI_7SegmentShutTimeWidget::TVK_GUI_7SegmentShutTimeWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TVK_GUI_7SegmentShutTimeWidget>())
{
    m_ui->setupUi(this);
    m_digits = {m_ui->digShutTime1, m_ui->digShutTime2, m_ui->digShutTime3, m_ui->digShutTime4};
}

TVK_GUI_7SegmentShutTimeWidget::~TVK_GUI_7SegmentShutTimeWidget() = default;

QString TVK_GUI_7SegmentShutTimeWidget::shownText() const
{
    QString text;
    for (const TVK_GUI_7SegmentDigitWidget *digit : m_digits)
        text.append(digit->digit());
    return text;
}

void TVK_GUI_7SegmentShutTimeWidget::setShutterTime(QString shutterTime)
{
    if (shutterTime == QLatin1String("B")) {
        setText(QStringLiteral("bulb"), true);
        return;
    }

    // Four digits leave no room for "1/" or a decimal point: fractions show the
    // denominator alone, and whole or decimal seconds carry the inch mark
    // (0.5 s reads 0"5, 30 s reads 30").
    QString text;
    if (shutterTime.startsWith(QLatin1String("0.")) || shutterTime.startsWith(QLatin1String("1.")))
        text = shutterTime.left(1) + kInch + shutterTime.mid(2);
    else if (shutterTime.startsWith(QLatin1String("1/")))
        text = shutterTime.mid(2);
    else
        text = shutterTime + kInch;
    text.remove(QLatin1Char('s'));
    text.remove(QLatin1Char(' '));
    setText(text, false);
}

void TVK_GUI_7SegmentShutTimeWidget::setText(QString text, bool wantLeftAlign)
{
    QString shown = text.left(kDigitCount);
    if (wantLeftAlign)
        shown = shown.leftJustified(kDigitCount, QLatin1Char(' '));
    else
        shown = shown.rightJustified(kDigitCount, QLatin1Char(' '));
    for (int i = 0; i < kDigitCount; ++i)
        m_digits[static_cast<size_t>(i)]->setDigit(shown.at(i));
}
