#pragma once

#include "TVK_Logic_ConverterBase.h"

// Exposure metering mode as the camera's raw value.
class TVK_Logic_ConverterExposMetering : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterExposMetering(QObject *parent = nullptr);
};
