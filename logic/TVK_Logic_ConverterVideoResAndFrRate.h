#pragma once

#include "TVK_Logic_ConverterBase.h"

// Video resolution and frame rate as the camera's raw value. Each camera
// offers a subset of one numbering, hence the gaps.
class TVK_Logic_ConverterVideoResAndFrRate : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterVideoResAndFrRate(int productId, QObject *parent = nullptr);

    void init(int productId);
};
