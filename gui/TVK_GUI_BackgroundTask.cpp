#include "TVK_GUI_BackgroundTask.h"

TVK_GUI_BackgroundTask::TVK_GUI_BackgroundTask(QObject *parent)
    : QObject(parent)
{
}

TVK_GUI_BackgroundTask::~TVK_GUI_BackgroundTask()
{
    // The end it posts goes with this object.
    if (m_thread.joinable())
        m_thread.join();
}

void TVK_GUI_BackgroundTask::start(std::function<void()> work, std::function<void()> done)
{
    if (m_running)
        return;
    if (m_thread.joinable())
        m_thread.join();
    m_done = std::move(done);
    m_running = true;
    m_thread = std::thread([this, work = std::move(work)]() {
        work();
        QMetaObject::invokeMethod(this, &TVK_GUI_BackgroundTask::catchDone, Qt::QueuedConnection);
    });
}

void TVK_GUI_BackgroundTask::catchDone()
{
    m_thread.join();
    m_running = false;
    const std::function<void()> done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done();
}
