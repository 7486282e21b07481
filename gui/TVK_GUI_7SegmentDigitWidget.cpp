#include "TVK_GUI_7SegmentDigitWidget.h"

namespace {

struct DigitPicture {
    char character;
    const char *name;
};

// Letters the seven segments can form; upper and lower case share a picture
// where the segments cannot tell them apart ("S" is drawn like a five).
constexpr DigitPicture kDigitPictures[] = {
    {'0', "Digit_0"}, {'1', "Digit_1"}, {'2', "Digit_2"}, {'3', "Digit_3"},
    {'4', "Digit_4"}, {'5', "Digit_5"}, {'6', "Digit_6"}, {'7', "Digit_7"},
    {'8', "Digit_8"}, {'9', "Digit_9"}, {'"', "Digit_inch"},
    {'B', "Digit_b"}, {'b', "Digit_b"}, {'C', "Digit_C"}, {'c', "Digit_C"},
    {'H', "Digit_H"}, {'h', "Digit_H"}, {'L', "Digit_L_Capital"}, {'l', "Digit_l"},
    {'S', "Digit_5"}, {'s', "Digit_5"}, {'u', "Digit_u"},
};

constexpr char kBlankName[] = "Digit_null";

} // namespace

TVK_GUI_7SegmentDigitWidget::TVK_GUI_7SegmentDigitWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
    , m_digit(QLatin1Char(' '))
{
    setFixedSize(13, 23);
    setPicture(pictureFor(m_digit));
}

TVK_GUI_7SegmentDigitWidget::~TVK_GUI_7SegmentDigitWidget() = default;

QChar TVK_GUI_7SegmentDigitWidget::digit() const
{
    return m_digit;
}

QString TVK_GUI_7SegmentDigitWidget::pictureFor(QChar character)
{
    const char *name = kBlankName;
    for (const DigitPicture &entry : kDigitPictures) {
        if (character == QLatin1Char(entry.character)) {
            name = entry.name;
            break;
        }
    }
    return QStringLiteral(":/TVK_GUI/images/7Segment/%1.png").arg(QLatin1String(name));
}

void TVK_GUI_7SegmentDigitWidget::setDigit(QChar character)
{
    m_digit = character;
    setPicture(pictureFor(character));
}
