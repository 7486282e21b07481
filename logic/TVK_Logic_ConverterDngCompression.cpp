#include "TVK_Logic_ConverterDngCompression.h"

namespace {

constexpr char kTitle[] = "DNG Compressed";

constexpr const char *kTexts[] = {
    "Off",
    "On",
};

} // namespace

TVK_Logic_ConverterDngCompression::TVK_Logic_ConverterDngCompression(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kTexts, kTitle);
}
