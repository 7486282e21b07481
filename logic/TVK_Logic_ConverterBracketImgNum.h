#pragma once

#include "TVK_Logic_ConverterBase.h"

// Number of pictures of an exposure bracketing series.
class TVK_Logic_ConverterBracketImgNum : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterBracketImgNum(QObject *parent = nullptr);
};
