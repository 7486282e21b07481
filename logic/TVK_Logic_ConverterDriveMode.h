#pragma once

#include "TVK_Logic_ConverterBase.h"

// Drive modes, valued by the drive-mode index the settings strategies
// exchange. The list order is the camera's menu order, not the index order.
class TVK_Logic_ConverterDriveMode : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterDriveMode(int productId, QObject *parent = nullptr);

    void init(int productId);
};
