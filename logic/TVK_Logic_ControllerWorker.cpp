#include "TVK_Logic_ControllerWorker.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_Controller.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <mutex>

namespace {

constexpr int kEventSliceMs = 5;
constexpr unsigned long kSleepMs = 10;

unsigned long threadIdForLog()
{
    return static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

} // namespace

TVK_Logic_ControllerWorker::TVK_Logic_ControllerWorker() = default;

TVK_Logic_ControllerWorker::~TVK_Logic_ControllerWorker() = default;

TVK_Logic_Controller *TVK_Logic_ControllerWorker::waitForController(unsigned long timeoutMs)
{
    std::unique_lock<std::mutex> locker(m_handOverMutex);
    const auto handedOver = [this]() { return m_controller.load() != nullptr || m_finishRequested.load(); };
    if (timeoutMs == ULONG_MAX)
        m_handOver.wait(locker, handedOver);
    else
        m_handOver.wait_for(locker, std::chrono::milliseconds(timeoutMs), handedOver);
    return m_controller.load();
}

void TVK_Logic_ControllerWorker::process()
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - started in thread 0x%012lX", prefix, threadIdForLog());

    auto *created = new TVK_Logic_Controller;
    if (m_onCreated)
        m_onCreated(created);
    {
        const std::lock_guard<std::mutex> locker(m_handOverMutex);
        m_controller.store(created);
        m_handOver.notify_all();
    }

    while (!m_finishRequested.load()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kEventSliceMs);
        QThread::msleep(kSleepMs);
    }

    // The controller lives in this thread, and so do its timers and the camera
    // model: it is destroyed here, where its destruction can still stop them
    // and restore nothing half-way. Calls still queued for it are dropped with it.
    TVK_Logic_Controller *controller = m_controller.exchange(nullptr);
    delete controller;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    debugLog(kLELogThreads, "%s - finished in thread 0x%012lX", prefix, threadIdForLog());
    Q_EMIT signalFinished();
}

void TVK_Logic_ControllerWorker::requestFinish()
{
    const std::lock_guard<std::mutex> locker(m_handOverMutex);
    m_finishRequested.store(true);
    m_handOver.notify_all();
}
