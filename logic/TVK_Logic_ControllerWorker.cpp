#include "TVK_Logic_ControllerWorker.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_Controller.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMutexLocker>
#include <QThread>

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
    QMutexLocker locker(&m_handOverMutex);
    QDeadlineTimer deadline(timeoutMs == ULONG_MAX ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                   : QDeadlineTimer(qint64(timeoutMs)));
    while (m_controller.load() == nullptr && !m_finishRequested.load()) {
        if (!m_handOver.wait(&m_handOverMutex, deadline))
            break;
    }
    return m_controller.load();
}

void TVK_Logic_ControllerWorker::process()
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - started in thread 0x%012lX", prefix, threadIdForLog());

    {
        QMutexLocker locker(&m_handOverMutex);
        m_controller.store(new TVK_Logic_Controller);
        m_handOver.wakeAll();
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
    QMutexLocker locker(&m_handOverMutex);
    m_finishRequested.store(true);
    m_handOver.wakeAll();
}
