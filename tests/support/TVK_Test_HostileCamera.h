#pragma once

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <thread>

class TVK_Emulator_Camera;

// An emulated camera turned against its host: it raises events far faster
// and far more often than any camera would, through the same path as the
// camera's own events (the emulator's event thread and the emulated access).
// Bounded in count; the flood runs on a thread of its own and is over when
// isDone() says so, or when the object goes.
class TVK_Test_HostileCamera
{
public:
    explicit TVK_Test_HostileCamera(std::shared_ptr<TVK_Emulator_Camera> camera);
    ~TVK_Test_HostileCamera();

    TVK_Test_HostileCamera(const TVK_Test_HostileCamera &) = delete;
    TVK_Test_HostileCamera &operator=(const TVK_Test_HostileCamera &) = delete;

    // count RequestObjectTransfer events naming handle, or handle, handle + 1,
    // ... when distinct.
    void floodTransferRequests(int count, quint32 handle, bool distinct);
    bool isDone() const { return m_done.load(); }

private:
    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::thread m_thread;
    std::atomic<bool> m_done{true};
};
