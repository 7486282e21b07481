#pragma once

#include "TVK_Logic_ConverterBase.h"

// White-balance modes as the camera's raw values. The cameras number their
// modes differently; the value of "Color Temperature" tells the controller
// when the kelvin setting applies.
class TVK_Logic_ConverterWhiteBalance : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterWhiteBalance(int productId, QObject *parent = nullptr);

    void init(int productId);
    int colorTemperatureValue() const;

private:
    qint32 m_productId;
};
