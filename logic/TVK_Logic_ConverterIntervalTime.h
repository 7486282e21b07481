#pragma once

#include "TVK_Logic_ConverterBase.h"

// Time between the frames of an interval series, in seconds.
class TVK_Logic_ConverterIntervalTime : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterIntervalTime(int productId, QObject *parent = nullptr);

    void init(int productId);
};
