#include "TVK_Logic_ConverterExposMetering.h"

namespace {

constexpr char kTitle[] = "Exposure Metering Mode";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Spot", 0},
    {"Center-weighted", 1},
    {"Multi-field", 2},
};

} // namespace

TVK_Logic_ConverterExposMetering::TVK_Logic_ConverterExposMetering(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
