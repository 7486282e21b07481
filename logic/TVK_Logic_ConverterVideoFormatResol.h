#pragma once

#include "TVK_Logic_ConverterBase.h"

// Video container, resolution and frame rate in one raw value; only the
// bodies with format choices have it.
class TVK_Logic_ConverterVideoFormatResol : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterVideoFormatResol(int productId, QObject *parent = nullptr);

    void init(int productId);
};
