#pragma once

class QObject;
class QThread;

// Tells ThreadSanitizer about a hand-over between two threads that happens
// inside Qt, whose own futex-based locks it cannot see: the end of a QThread's
// run() before its wait() returns, a blocking queued call before the caller
// goes on, a call or signal queued to another thread before that thread runs
// it. happensBefore(key) in the thread that hands over, happensAfter(key) in
// the thread that takes over, both with the same key. Only for edges that
// really exist; anything else would hide a race. Compiles to nothing without
// ThreadSanitizer.
class TVK_Platform_ThreadCheck
{
public:
    static void happensBefore(const void *key);
    static void happensAfter(const void *key);
    // Right before this thread queues a call or emits a signal to receivers
    // living in receiver's thread: that thread takes the hand-over with the
    // next event it delivers, as Qt's post queue of that thread does.
    static void handOverTo(const QObject *receiver);
    // From now on, every signal sender emits first hands over to
    // receiverThread, as handOverTo does: for an object whose many signals
    // carry values into one other thread. Call it before anything else
    // connects to sender, so that the hand-over comes before every queued
    // delivery.
    static void handOverSignalsTo(QObject *sender, const QThread *receiverThread);

    // A copy of a Qt container that shares no data with value, for handing a
    // guarded member out of its lock. A shared copy would let the next write
    // under that lock touch data the caller may still be reading: Qt decides
    // whether to copy before writing by a relaxed load of the sharing count,
    // which orders nothing. Only the container itself is unshared.
    template <typename Container>
    static Container unshared(const Container &value)
    {
        Container copy = value;
        copy.detach();
        return copy;
    }
};
