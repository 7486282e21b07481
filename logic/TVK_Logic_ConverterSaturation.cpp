#include "TVK_Logic_ConverterSaturation.h"

namespace {

constexpr char kTitle[] = "Saturation";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Low", 0},
    {"Standard", 1},
    {"High", 2},
};

} // namespace

TVK_Logic_ConverterSaturation::TVK_Logic_ConverterSaturation(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
