#include "TVK_Logic_ConverterAutoreviewDuration.h"

namespace {

constexpr char kTitle[] = "Autoreview Duration";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Off", 0},
    {"1 s", 1},
    {"3 s", 3},
    {"5 s", 5},
    {"Hold", -1},
};

} // namespace

TVK_Logic_ConverterAutoreviewDuration::TVK_Logic_ConverterAutoreviewDuration(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
