#include "TVK_Logic_ConverterContrast.h"

namespace {

constexpr char kTitle[] = "Contrast";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Low", 0},
    {"Standard", 1},
    {"High", 2},
};

} // namespace

TVK_Logic_ConverterContrast::TVK_Logic_ConverterContrast(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
