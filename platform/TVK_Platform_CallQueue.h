#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Runs calls handed over from any thread in the thread this object lives in,
// in the order they came, like a queued QMetaObject::invokeMethod() with a
// functor. The calls wait under a lock of our own and Qt only carries a
// wake-up without data, so the hand-over is one that ThreadSanitizer follows:
// Qt's own post queue is locked by means it cannot see. Calls still waiting
// when the object goes are dropped with it, as Qt drops queued calls.
class TVK_Platform_CallQueue : public QObject
{
    Q_OBJECT

public:
    explicit TVK_Platform_CallQueue(QObject *parent = nullptr);
    ~TVK_Platform_CallQueue() override;

    void post(std::function<void()> call);

private Q_SLOTS:
    void runNext();

private:
    std::mutex m_mutex; // guards m_calls
    std::deque<std::function<void()>> m_calls;
};
