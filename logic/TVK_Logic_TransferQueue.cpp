#include "TVK_Logic_TransferQueue.h"

#include "TVK_Debug_Log.h"

#include <algorithm>
#include <utility>

TVK_Logic_TransferQueue::TVK_Logic_TransferQueue(Job job)
    : m_job(std::move(job))
{
}

TVK_Logic_TransferQueue::~TVK_Logic_TransferQueue()
{
    shutDown();
}

TVK_Logic_TransferQueue::eLERequest TVK_Logic_TransferQueue::request(quint32 objectHandle)
{
    TVK_METHOD(prefix);
    std::unique_lock<std::mutex> locker(m_mutex);
    if (m_stopping)
        return kLEDropped;
    if (objectHandle != kUnknownObject
        && ((m_busy && m_inFlightMerges && m_inFlight == objectHandle)
            || std::find(m_waiting.begin(), m_waiting.end(), objectHandle) != m_waiting.end())) {
        debugLog(kLELogTransfer, "%s - object 0x%08X is already on its way", prefix, objectHandle);
        return kLEMerged;
    }
    if (int(m_waiting.size()) >= kMaxBacklog) {
        // Once per overflow: a flood would otherwise fill the log as well.
        if (m_dropped++ == 0)
            debugLog(kLELogAlways,
                     "%s - Warning! %d transfer requests are waiting; further ones are dropped until they are done",
                     prefix, kMaxBacklog);
        return kLEDropped;
    }
    m_waiting.push_back(objectHandle);
    if (!m_worker.joinable())
        m_worker = std::thread(&TVK_Logic_TransferQueue::work, this);
    locker.unlock();
    m_wake.notify_one();
    return kLEQueued;
}

void TVK_Logic_TransferQueue::handingOver()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_inFlightMerges = false;
}

int TVK_Logic_TransferQueue::count() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return int(m_waiting.size()) + (m_busy ? 1 : 0);
}

void TVK_Logic_TransferQueue::shutDown()
{
    TVK_METHOD(prefix);
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (!m_waiting.empty())
            debugLog(kLELogAlways, "%s - %d transfer request(s) left to the camera's next session", prefix,
                     int(m_waiting.size()));
        m_waiting.clear();
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
}

void TVK_Logic_TransferQueue::work()
{
    TVK_METHOD(prefix);
    std::unique_lock<std::mutex> locker(m_mutex);
    for (;;) {
        m_wake.wait(locker, [this]() { return m_stopping || !m_waiting.empty(); });
        if (m_stopping)
            return;
        m_inFlight = m_waiting.front();
        m_waiting.pop_front();
        m_busy = true;
        m_inFlightMerges = true;
        locker.unlock();
        m_job();
        locker.lock();
        m_busy = false;
        if (m_waiting.empty() && m_dropped > 0) {
            debugLog(kLELogAlways, "%s - %d transfer request(s) were dropped while the queue was full", prefix,
                     m_dropped);
            m_dropped = 0;
        }
    }
}
