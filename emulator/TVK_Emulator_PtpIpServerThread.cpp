#include "TVK_Emulator_PtpIpServerThread.h"

#include "TVK_Emulator_PtpIpServer.h"

#include <QHostAddress>

#include <condition_variable>
#include <mutex>

TVK_Emulator_PtpIpServerThread::TVK_Emulator_PtpIpServerThread(std::shared_ptr<TVK_Emulator_Camera> camera)
{
    m_thread.start();
    m_context.moveToThread(&m_thread);
    runInServerThread([this, camera]() {
        m_server = new TVK_Emulator_PtpIpServer(camera);
        if (m_server->listen(QHostAddress::LocalHost, 0))
            m_port = m_server->serverPort();
    });
}

TVK_Emulator_PtpIpServerThread::~TVK_Emulator_PtpIpServerThread()
{
    runInServerThread([this]() { delete m_server; });
    m_thread.quit();
    m_thread.wait();
}

bool TVK_Emulator_PtpIpServerThread::hasInitiator()
{
    bool result = false;
    runInServerThread([this, &result]() { result = m_server->hasInitiator(); });
    return result;
}

int TVK_Emulator_PtpIpServerThread::initCommandRequests()
{
    int result = 0;
    runInServerThread([this, &result]() { result = m_server->initCommandRequests(); });
    return result;
}

void TVK_Emulator_PtpIpServerThread::setRefusal(quint32 reason)
{
    runInServerThread([this, reason]() { m_server->setRefusal(reason); });
}

void TVK_Emulator_PtpIpServerThread::stallSession()
{
    runInServerThread([this]() { m_server->stallSession(); });
}

void TVK_Emulator_PtpIpServerThread::runInServerThread(const std::function<void()> &work)
{
    // As a blocking queued call, but waiting on a lock of our own: the
    // results come back in a way ThreadSanitizer follows.
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    m_context.post([&]() {
        work();
        const std::lock_guard<std::mutex> locker(mutex);
        done = true;
        doneChanged.notify_all();
    });
    std::unique_lock<std::mutex> locker(mutex);
    doneChanged.wait(locker, [&done]() { return done; });
}
