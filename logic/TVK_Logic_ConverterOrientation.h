#pragma once

#include "TVK_Logic_ConverterBase.h"

// Which side of the camera is up, in degrees of rotation (left is -90).
// There is no translation title for it, so the texts stay as they are.
class TVK_Logic_ConverterOrientation : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterOrientation(QObject *parent = nullptr);
};
