#pragma once

#include "TVK_Logic_ConverterBase.h"

// DNG compression off or on; the camera's value is the position.
class TVK_Logic_ConverterDngCompression : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterDngCompression(QObject *parent = nullptr);
};
