#include "TVK_Logic_ConverterJpgColorSpace.h"

namespace {

constexpr char kTitle[] = "JPG Color Space";

constexpr const char *kTexts[] = {
    "sRGB",
    "Adobe RGB",
    "ECI-RGB 2.0",
};

} // namespace

TVK_Logic_ConverterJpgColorSpace::TVK_Logic_ConverterJpgColorSpace(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kTexts, kTitle);
}
