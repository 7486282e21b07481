#pragma once

#include "TVK_Logic_ConverterBase.h"

// Exposure step between the pictures of a bracketing series, in milli-EV.
// Every camera not named gets the half-step list.
class TVK_Logic_ConverterBracketDeltaEV : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterBracketDeltaEV(int productId, QObject *parent = nullptr);

    void init(int productId);
};
