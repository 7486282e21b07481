#pragma once

#include "TVK_Logic_ConverterBase.h"

// Picture aspect ratio as the camera's raw value; only the bodies with
// format choices offer one.
class TVK_Logic_ConverterPhotoAspectRatio : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterPhotoAspectRatio(int productId, QObject *parent = nullptr);

    void init(int productId);
};
