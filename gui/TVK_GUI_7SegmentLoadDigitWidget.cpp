#include "TVK_GUI_7SegmentLoadDigitWidget.h"

#include <QPixmap>

namespace {

// The pictures' own size, used when they cannot be loaded.
constexpr int kDigitWidth = 13;
constexpr int kDigitHeight = 22;

} // namespace

TVK_GUI_7SegmentLoadDigitWidget::TVK_GUI_7SegmentLoadDigitWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
{
    // Shown at the pictures' natural size: scaled, their thin segments blur.
    const QPixmap eight(pictureFor(QLatin1Char(' ')));
    setFixedSize(eight.isNull() ? QSize(kDigitWidth, kDigitHeight) : eight.size() / eight.devicePixelRatio());
    setDigit(QLatin1Char(' '));
}

TVK_GUI_7SegmentLoadDigitWidget::~TVK_GUI_7SegmentLoadDigitWidget() = default;

QString TVK_GUI_7SegmentLoadDigitWidget::pictureFor(QChar character)
{
    const bool isDigit = character >= QLatin1Char('0') && character <= QLatin1Char('9');
    return QStringLiteral(":/TVK_GUI/images/7SegmentLoad/%1.png")
        .arg(isDigit ? QString(character) : QStringLiteral("grey_eight"));
}

void TVK_GUI_7SegmentLoadDigitWidget::setDigit(QChar character)
{
    setPicture(pictureFor(character));
}
