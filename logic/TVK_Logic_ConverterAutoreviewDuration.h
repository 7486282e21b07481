#pragma once

#include "TVK_Logic_ConverterBase.h"

// How long the camera shows a picture after taking it, in seconds; -1 holds
// it until the next action.
class TVK_Logic_ConverterAutoreviewDuration : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterAutoreviewDuration(QObject *parent = nullptr);
};
