#include "TVK_Logic_ConverterOrientation.h"

namespace {

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Top", 0},
    {"Right", 90},
    {"Bottom", 180},
    {"Left", -90},
};

} // namespace

TVK_Logic_ConverterOrientation::TVK_Logic_ConverterOrientation(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, nullptr);
}
