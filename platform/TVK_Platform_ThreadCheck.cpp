#include "TVK_Platform_ThreadCheck.h"

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
