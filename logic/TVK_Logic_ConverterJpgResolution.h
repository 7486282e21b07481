#pragma once

#include "TVK_Logic_ConverterBase.h"

// JPG picture size as the camera's raw value. There is no list for the Ardo 2.
class TVK_Logic_ConverterJpgResolution : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterJpgResolution(int productId, QObject *parent = nullptr);

    void init(int productId);
};
