#include "TVK_Logic_ConverterAudioLevel.h"

namespace {

constexpr char kTitle[] = "Audio Level";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"Auto", 0},
    {"Manual", 1},
};

} // namespace

TVK_Logic_ConverterAudioLevel::TVK_Logic_ConverterAudioLevel(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
