#pragma once

#include "TVK_Logic_ConverterBase.h"

// The picture parameter sharpness as the camera's raw value.
class TVK_Logic_ConverterSharpness : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterSharpness(QObject *parent = nullptr);
};
