#pragma once

#include "TVK_Logic_ConverterBase.h"

// The picture parameter saturation as the camera's raw value.
class TVK_Logic_ConverterSaturation : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterSaturation(QObject *parent = nullptr);
};
