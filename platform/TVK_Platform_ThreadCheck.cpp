#include "TVK_Platform_ThreadCheck.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
#define TVK_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TVK_THREAD_SANITIZER 1
#endif
#endif

#ifdef TVK_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Connected directly, and first, to every signal of its parent: it runs in the
// emitting thread before Qt queues the signal to any receiver.
class SignalHandOver : public QObject
{
    Q_OBJECT

public:
    SignalHandOver(QObject *sender, const QThread *receiverThread)
        : QObject(sender)
        , m_receiverThread(receiverThread)
    {
        setObjectName(QStringLiteral("SignalHandOver"));
    }

public Q_SLOTS:
    void handOver() { TVK_Platform_ThreadCheck::happensBefore(m_receiverThread); }

private:
    const QThread *const m_receiverThread;
};

} // namespace

#ifdef TVK_THREAD_SANITIZER
namespace {

// A thread takes what was posted to it under its post queue's lock before it
// delivers the next event; Qt calls this right before every delivery.
bool takeHandOvers(void **)
{
    __tsan_acquire(QThread::currentThread());
    return false; // the event is delivered as usual
}

const bool g_eventHook = QInternal::registerCallback(QInternal::EventNotifyCallback, takeHandOvers);

} // namespace
#endif

void TVK_Platform_ThreadCheck::happensBefore(const void *key)
{
#ifdef TVK_THREAD_SANITIZER
    __tsan_release(const_cast<void *>(key));
#else
    (void)key;
#endif
}

void TVK_Platform_ThreadCheck::happensAfter(const void *key)
{
#ifdef TVK_THREAD_SANITIZER
    __tsan_acquire(const_cast<void *>(key));
#else
    (void)key;
#endif
}

void TVK_Platform_ThreadCheck::handOverTo(const QObject *receiver)
{
#ifdef TVK_THREAD_SANITIZER
    if (receiver != nullptr)
        __tsan_release(receiver->thread());
#else
    (void)receiver;
#endif
}

void TVK_Platform_ThreadCheck::handOverSignalsTo(QObject *sender, const QThread *receiverThread)
{
#ifdef TVK_THREAD_SANITIZER
    if (sender == nullptr || receiverThread == nullptr)
        return;
    auto *handOver = new SignalHandOver(sender, receiverThread);
    const QMetaObject *senderMeta = sender->metaObject();
    const int slot = handOver->metaObject()->indexOfSlot("handOver()");
    for (int i = 0; i < senderMeta->methodCount(); ++i) {
        // A slot without arguments takes any signal: the arguments are ignored.
        if (senderMeta->method(i).methodType() == QMetaMethod::Signal)
            QMetaObject::connect(sender, i, handOver, slot, Qt::DirectConnection);
    }
#else
    (void)sender;
    (void)receiverThread;
#endif
}

#include "TVK_Platform_ThreadCheck.moc"
