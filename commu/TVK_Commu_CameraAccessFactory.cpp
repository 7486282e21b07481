#include "TVK_Commu_CameraAccessFactory.h"

#include "TVK_Commu_CameraAccess_Dummy.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Commu_PtpCodes.h"

#include <QHash>

#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    QHash<int, TVK_Commu_CameraAccessFactory::Creator> creators;

    Registry()
    {
        creators.insert(TVK_Commu_Ptp::kConnectionSimulated,
                        []() -> TVK_Commu_CameraAccess_Base * { return new TVK_Commu_CameraAccess_Dummy; });
        // USB cameras through libusb; the program's start-up puts the emulator
        // or the simulated camera in this place when asked to.
        creators.insert(TVK_Commu_Ptp::kConnectionUSB,
                        []() -> TVK_Commu_CameraAccess_Base * { return new TVK_Commu_CameraAccess_Linux_PTP; });
        // A WLAN camera only where an address is configured: without one
        // there is nothing to look for.
        creators.insert(TVK_Commu_Ptp::kConnectionWLAN, []() -> TVK_Commu_CameraAccess_Base * {
            if (!TVK_Commu_CameraAccess_PTPIP::configuredAddress().isValid())
                return nullptr;
            return new TVK_Commu_CameraAccess_PTPIP;
        });
    }
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

TVK_Commu_CameraAccess_Base *TVK_Commu_CameraAccessFactory::create(int connectionType)
{
    Creator creator;
    {
        const std::lock_guard<std::mutex> locker(registry().mutex);
        creator = registry().creators.value(connectionType);
    }
    return creator ? creator() : nullptr;
}

void TVK_Commu_CameraAccessFactory::setCreator(int connectionType, Creator creator)
{
    const std::lock_guard<std::mutex> locker(registry().mutex);
    if (creator)
        registry().creators.insert(connectionType, std::move(creator));
    else
        registry().creators.remove(connectionType);
}
