#pragma once

#include <QtGlobal>

#include <memory>
#include <thread>

class TVK_Emulator_Camera;

// An emulated camera turned against its host: it raises events far faster and
// more often than any camera would, by the path of the camera's own events
// (the emulator's event thread, then the emulated access). Bounded in count;
// a flood runs on a thread of its own, joined before the next or at the end.
class TVK_Test_HostileCamera
{
public:
    explicit TVK_Test_HostileCamera(std::shared_ptr<TVK_Emulator_Camera> camera);
    ~TVK_Test_HostileCamera();

    // count RequestObjectTransfer events naming handle, or handle, handle + 1, ...
    void floodTransferRequests(int count, quint32 handle, bool distinct);

private:
    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::thread m_thread;
};
