#pragma once

#include "TVK_Logic_ConverterBase.h"

// Video container, resolution and frame rate in one raw value; only the
// 0x2041 family has it.
class TVK_Logic_ConverterVideoFormatResol : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterVideoFormatResol(int productId, QObject *parent = nullptr);

    void init(int productId);
};
