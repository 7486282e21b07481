#pragma once

#include "TVK_Logic_ConverterBase.h"

// Colour space of JPG pictures; the camera's value is the position.
class TVK_Logic_ConverterJpgColorSpace : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterJpgColorSpace(QObject *parent = nullptr);
};
