#pragma once

#include "TVK_Logic_ConverterBase.h"

// White-balance colour temperatures ("5600 K"). The early cameras take the
// position in their list as the value, the later ones the kelvin number. The
// texts are numbers with a unit and are shown as they stand.
class TVK_Logic_ConverterWhiteBalTemp : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterWhiteBalTemp(int productId, QObject *parent = nullptr);

    void init(int productId);
};
