#pragma once

#include <QObject>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <functional>
#include <mutex>

class TVK_Logic_Controller;

// Creates the controller inside the controller thread and drives that
// thread's events by polling (a few milliseconds of events, then a short
// sleep) until it is asked to finish. Timers of the controller and of the
// camera model fire from within that loop.
class TVK_Logic_ControllerWorker : public QObject
{
    Q_OBJECT

public:
    TVK_Logic_ControllerWorker();
    ~TVK_Logic_ControllerWorker() override;

    // Null until process() has created the controller, and again once it has
    // destroyed it at the end.
    TVK_Logic_Controller *controller() const { return m_controller.load(); }
    // Blocks the calling thread until process() has created the controller
    // (or the time is up: null then). The application connects to the
    // controller only after this returns, as before with polling.
    TVK_Logic_Controller *waitForController(unsigned long timeoutMs = ULONG_MAX);
    // Runs call in the controller thread right after the controller is made,
    // before it handles any event and before waitForController() returns: for
    // wiring that belongs in that thread. Set before the thread starts.
    void setOnCreated(std::function<void(TVK_Logic_Controller *)> call) { m_onCreated = std::move(call); }

public Q_SLOTS:
    void process();
    void requestFinish();

Q_SIGNALS:
    void signalFinished();

private:
    std::function<void(TVK_Logic_Controller *)> m_onCreated;
    std::atomic<TVK_Logic_Controller *> m_controller{nullptr};
    std::atomic<bool> m_finishRequested{false};
    std::mutex m_handOverMutex;
    std::condition_variable m_handOver;
};
