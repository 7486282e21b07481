#pragma once

#include "TVK_Logic_ConverterBase.h"

// Number of frames of an interval series.
class TVK_Logic_ConverterIntervalFrames : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterIntervalFrames(int productId, QObject *parent = nullptr);

    void init(int productId);
};
