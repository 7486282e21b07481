#pragma once

#include "TVK_Logic_ConverterBase.h"

// The picture parameter contrast as the camera's raw value.
class TVK_Logic_ConverterContrast : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterContrast(QObject *parent = nullptr);
};
