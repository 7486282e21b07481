#pragma once

#include "TVK_Platform_CallQueue.h"

#include <QThread>

#include <functional>
#include <memory>

class TVK_Emulator_Camera;
class TVK_Emulator_PtpIpServer;

// An emulated camera served over PTP/IP on 127.0.0.1 (a free port) from a
// thread of its own. The host's transactions block the thread they come from,
// so the camera side needs its own event loop, as a camera across the network
// has. For tests and benchmarks in one process.
class TVK_Emulator_PtpIpServerThread
{
public:
    explicit TVK_Emulator_PtpIpServerThread(std::shared_ptr<TVK_Emulator_Camera> camera);
    ~TVK_Emulator_PtpIpServerThread();

    TVK_Emulator_PtpIpServerThread(const TVK_Emulator_PtpIpServerThread &) = delete;
    TVK_Emulator_PtpIpServerThread &operator=(const TVK_Emulator_PtpIpServerThread &) = delete;

    // 0 when the server could not listen.
    quint16 port() const { return m_port; }
    // Whether an initiator holds the camera, asked in the server's thread.
    bool hasInitiator();
    // The server's own, asked or set in its thread.
    int initCommandRequests();
    void setRefusal(quint32 reason);
    void stallSession();

private:
    // Runs work in the server's thread and returns when it is done.
    void runInServerThread(const std::function<void()> &work);

    QThread m_thread;
    TVK_Platform_CallQueue m_context;
    TVK_Emulator_PtpIpServer *m_server = nullptr;
    quint16 m_port = 0;
};
