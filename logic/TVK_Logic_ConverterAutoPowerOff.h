#pragma once

#include "TVK_Logic_ConverterBase.h"

// The camera's auto power saving, valued by the index the settings strategies
// exchange (not by minutes).
class TVK_Logic_ConverterAutoPowerOff : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterAutoPowerOff(QObject *parent = nullptr);
};
