#pragma once

#include "TVK_Platform_Base.h"

// Linux answers through QStandardPaths, i.e. the XDG locations
// (~/.local/share/<organisation>/<application>, ~/Pictures,
// ~/.local/share/norba-pellora/rescue).
class TVK_Platform_Linux : public TVK_Platform_Base
{
public:
    // A file that reaches the process's size limit (ulimit -f) would end the
    // process with SIGXFSZ, losing the picture in memory; ignored, the write
    // fails with EFBIG and the transfer handles it like a full disk.
    TVK_Platform_Linux();
    QString applicationDataFolder() override;
    QString picturesFolder() override;
    QString rescueFolder() override;
    bool transferStarting(void *token) override;
    void transferFinished(unsigned token) override;
};
