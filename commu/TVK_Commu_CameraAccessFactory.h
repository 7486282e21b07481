#pragma once

#include <functional>

class TVK_Commu_CameraAccess_Base;

// Creates the camera access of a connection type (1 USB, 2 WLAN, 256 the
// simulated camera). The program's start-up may put another creator in place
// of one, which is how the emulator stands in for a USB camera.
class TVK_Commu_CameraAccessFactory
{
public:
    using Creator = std::function<TVK_Commu_CameraAccess_Base *()>;

    // A new access owned by the caller, or nullptr for a type nothing creates.
    static TVK_Commu_CameraAccess_Base *create(int connectionType);
    // Replaces the creator of a connection type; an empty creator removes it.
    static void setCreator(int connectionType, Creator creator);
};
