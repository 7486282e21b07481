#pragma once

#include "TVK_Logic_ConverterBase.h"

// Picture file formats, valued by the file-format index the settings
// strategies exchange. The later cameras have no JPG quality levels, so their
// indices skip 2.
class TVK_Logic_ConverterFileFormat : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterFileFormat(int productId, QObject *parent = nullptr);

    void init(int productId);
};
