#include "TVK_Logic_ConverterBracketImgNum.h"

namespace {

constexpr char kTitle[] = "Bracketing Image Number";

constexpr TVK_Logic_ConverterBase::Entry kEntries[] = {
    {"3 Images", 3},
    {"5 Images", 5},
};

} // namespace

TVK_Logic_ConverterBracketImgNum::TVK_Logic_ConverterBracketImgNum(QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    setTable(kEntries, kTitle);
}
