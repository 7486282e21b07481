#pragma once

#include "TVK_Logic_ConverterBase.h"

// Sensor area in use as the camera's raw value; only the bodies with
// format choices offer a crop.
class TVK_Logic_ConverterSensorFormat : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterSensorFormat(int productId, QObject *parent = nullptr);

    void init(int productId);
};
