#pragma once

#include "TVK_Commu_CameraAccess_Emulated.h"

#include <functional>
#include <memory>

// An emulated camera of one product and its USB access (the emulated one or a
// kind of it, from make), opened as the controller opens one. A rig deriving
// from it has its own parts gone before the access closes and the camera goes.
class TVK_Test_OpenedCamera
{
public:
    using Access = TVK_Commu_CameraAccess_Emulated;
    using Prepare = std::function<void(TVK_Emulator_Camera &)>;
    using Make = std::function<Access *(std::shared_ptr<TVK_Emulator_Camera>)>;

    // prepare runs on the camera before the access is made.
    explicit TVK_Test_OpenedCamera(int product, const Prepare &prepare = {}, const Make &make = {});
    ~TVK_Test_OpenedCamera() { m_access->closeConnection(); }

    template <class Kind>
    Kind *accessAs() const
    {
        return static_cast<Kind *>(m_access.get());
    }

    std::shared_ptr<TVK_Emulator_Camera> camera;
    bool opened = false;

private:
    std::unique_ptr<Access> m_access;
};
