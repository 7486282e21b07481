#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The camera's transfer requests, worked off one after another by a single
// worker thread of the queue's own.
//
// One worker is enough: every transfer holds the camera model's access lock
// for its whole run, so a second one would only wait, and the pictures keep
// the order the camera announced them in and their numbering. A camera that
// floods the host with requests must not cost a thread, or memory, per
// request: a request for an object already waiting, or in flight and not yet
// handed over, is merged into it, and beyond kMaxBacklog waiting requests
// further ones are dropped, with one warning for the lot. A camera keeps a
// picture it has not been told about, so a dropped request loses nothing that
// a later session cannot fetch.
class TVK_Logic_TransferQueue
{
public:
    // The worker runs this once per request taken off the queue.
    using Job = std::function<void()>;
    enum eLERequest { kLEQueued, kLEMerged, kLEDropped };

    static constexpr int kMaxBacklog = 64;
    // A request whose event named no object; such requests are never merged.
    static constexpr quint32 kUnknownObject = 0;

    explicit TVK_Logic_TransferQueue(Job job);
    // Finishes the transfer in flight and forgets the waiting ones.
    ~TVK_Logic_TransferQueue();

    TVK_Logic_TransferQueue(const TVK_Logic_TransferQueue &) = delete;
    TVK_Logic_TransferQueue &operator=(const TVK_Logic_TransferQueue &) = delete;

    // Any thread.
    eLERequest request(quint32 objectHandle);
    // Called by the job just before the camera is told that its object is
    // handed over: the camera may announce the same handle again for what is
    // then a new object.
    void handingOver();
    // Requests waiting or in flight.
    int count() const;
    // Same as the destructor; later requests are dropped.
    void shutDown();

private:
    void work();

    const Job m_job;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<quint32> m_waiting;
    bool m_busy = false;
    bool m_inFlightMerges = false; // the object in flight is not yet handed over
    quint32 m_inFlight = kUnknownObject;
    bool m_stopping = false;
    int m_dropped = 0; // since the backlog last drained
    std::thread m_worker; // started with the first request
};
