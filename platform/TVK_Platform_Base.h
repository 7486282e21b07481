#pragma once

#include <QString>

// The few operating-system services the logic and the log need beyond Qt.
// Stateless, so any thread may call it once it exists.
class TVK_Platform_Base
{
public:
    virtual ~TVK_Platform_Base();

    // Where the debug log (and other application data) belongs; empty when unknown.
    virtual QString applicationDataFolder() = 0;
    // The default download folder and the fallback of a transfer; empty when unknown.
    virtual QString picturesFolder() = 0;
    // Where a picture goes that its download folder could not take, so that it
    // is on disk before the camera is told it may let it go; empty when unknown.
    virtual QString rescueFolder() = 0;
    // Called by a transfer thread before it does anything; false ends that transfer.
    virtual bool transferStarting(void *token) = 0;
    // Called by a transfer thread after each transfer.
    virtual void transferFinished(unsigned token) = 0;
};

// The process-wide instance, created on first use and kept until the process
// ends. Creating it also sets up the process's signals (see TVK_Platform_Linux),
// so whatever writes pictures asks for it first.
TVK_Platform_Base *platform();
