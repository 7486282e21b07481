#include "TVK_Logic_ConverterSharpness.h"

namespace {

constexpr char kTitle[] = "Sharpness";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Low", 0},
    {"Standard", 1},
    {"High", 2},
};

} // namespace

TVK_Logic_ConverterSharpness::TVK_Logic_ConverterSharpness(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
