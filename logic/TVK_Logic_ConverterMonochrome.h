#pragma once

#include "TVK_Logic_ConverterBase.h"

// Black-and-white pictures off or on, as the camera's raw value.
class TVK_Logic_ConverterMonochrome : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterMonochrome(QObject *parent = nullptr);
};
