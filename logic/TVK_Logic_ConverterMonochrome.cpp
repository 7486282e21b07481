#include "TVK_Logic_ConverterMonochrome.h"

namespace {

constexpr char kTitle[] = "Monochrome";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Off", 0},
    {"On", 1},
};

} // namespace

TVK_Logic_ConverterMonochrome::TVK_Logic_ConverterMonochrome(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
