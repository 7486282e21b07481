#pragma once

#include "TVK_Logic_ConverterBase.h"

// ISO sensitivity; 0 is automatic. The numbers are shown as they stand.
class TVK_Logic_ConverterSensitivity : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterSensitivity(int productId, QObject *parent = nullptr);

    void init(int productId);
};
