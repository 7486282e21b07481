#pragma once

#include "TVK_Logic_ConverterBase.h"

// Video container as the camera's raw value; only the bodies with format
// choices offer one.
class TVK_Logic_ConverterVideoFileFormat : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterVideoFileFormat(int productId, QObject *parent = nullptr);

    void init(int productId);
};
