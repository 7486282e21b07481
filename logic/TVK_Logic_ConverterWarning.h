#pragma once

#include "TVK_Logic_ConverterBase.h"

// Texts of the camera's warning numbers (the number is the position); only
// the cameras that report warnings in the settings record have them. There is
// no translation title for them, so the texts stay as they are.
class TVK_Logic_ConverterWarning : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterWarning(int productId, QObject *parent = nullptr);

    void init(int productId);
};
