#include "TVK_Platform_CallQueue.h"

TVK_Platform_CallQueue::TVK_Platform_CallQueue(QObject *parent)
    : QObject(parent)
{
}

TVK_Platform_CallQueue::~TVK_Platform_CallQueue() = default;

void TVK_Platform_CallQueue::post(std::function<void()> call)
{
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_calls.push_back(std::move(call));
    }
    // One wake-up per call, so each runs in its turn among the other events
    // queued to this thread.
    QMetaObject::invokeMethod(this, "runNext", Qt::QueuedConnection);
}

void TVK_Platform_CallQueue::runNext()
{
    std::function<void()> call;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_calls.empty())
            return;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    call();
}
