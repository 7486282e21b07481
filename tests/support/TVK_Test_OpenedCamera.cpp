#include "TVK_Test_OpenedCamera.h"

#include "TVK_Emulator_Camera.h"

TVK_Test_OpenedCamera::TVK_Test_OpenedCamera(int product, const Prepare &prepare, const Make &make)
    : camera(std::make_shared<TVK_Emulator_Camera>(product))
{
    camera->setTimeScale(0.01);
    if (prepare)
        prepare(*camera);
    m_access.reset(make ? make(camera) : new Access(camera));
    m_access->checkDeviceAvailable();
    opened = m_access->openConnection(Access::kVendorId, product, m_access->deviceId());
}
