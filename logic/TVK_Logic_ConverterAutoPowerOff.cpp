#include "TVK_Logic_ConverterAutoPowerOff.h"

namespace {

constexpr char kTitle[] = "Auto Power Saving";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Off", 0},
    {"2 minutes", 1},
    {"5 minutes", 2},
    {"10 minutes", 3},
};

} // namespace

TVK_Logic_ConverterAutoPowerOff::TVK_Logic_ConverterAutoPowerOff(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
