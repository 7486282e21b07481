#pragma once

#include "TVK_Platform_Base.h"

// Linux answers through QStandardPaths, i.e. the XDG locations
// (~/.local/share/<organisation>/<application>, ~/Pictures).
class TVK_Platform_Linux : public TVK_Platform_Base
{
public:
    QString applicationDataFolder() override;
    QString picturesFolder() override;
    bool transferStarting(void *token) override;
    void transferFinished(unsigned token) override;
};
