#pragma once

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Emulator_Component.h"
#include "TVK_Emulator_Transaction.h"

#include <QHash>
#include <QObject>
#include <QRandomGenerator>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;
class TVK_Platform_CallQueue;
class TVK_Emulator_PropertyStore;
struct TVK_Emulator_Profile;

// A virtual camera of one product. It answers PTP transactions (operation
// code, up to five parameters, an optional data phase either way) and raises
// camera events, from a thread of its own, the way a USB stack delivers them.
// It is independent of how it is reached: an in-process access, or later a
// network server, only calls transact() and listens to the event handler.
//
// Everything the camera does is deterministic for a given seed and the same
// calls; timed behaviour (property-change reports, continuous series, bulb
// seconds) runs on the camera's thread, scaled by the time scale so that tests
// need not wait in real time.
class TVK_Emulator_Camera : public QObject
{
    Q_OBJECT

public:
    using CameraEvent = TVK_Commu_CameraAccess_Base::CameraEvent;
    using EventHandler = std::function<void(const CameraEvent &)>;

    // Normalised settings other components ask about, whichever way the
    // product keeps them (device properties or the settings record).
    enum eLESetting {
        kLEFileFormat,       // 0 DNG, 1 DNG and JPG, 2 JPG
        kLEDriveMode,        // 0 single, 1 continuous, 2 self-timer 2 s, 3 self-timer 12 s, 4 bracketing, 5 interval
        kLEExposureMode,     // 4 bulb
        kLEFocusMode,
        kLEBracketingFrames, // 3 or 5
        kLEIntervalFrames,
        kLEIntervalTime,     // seconds
        kLEShutterTimeCode   // APEX Tv code
    };

    // Standard codes the camera answers and raises for a generic initiator,
    // beside the maker's own.
    static constexpr int kOpOpenSession = 0x1002;
    static constexpr int kOpCloseSession = 0x1003;
    static constexpr int kEventObjectAdded = 0x4002;
    static constexpr int kEventRequestObjectTransfer = 0x4009;
    static constexpr int kEventCaptureComplete = 0x400D;
    // No operation takes more than this in its data-out phase (a settings
    // record, a property value): anything larger is refused before a byte
    // of it is stored.
    static constexpr quint32 kMaxDataOutBytes = 16u * 1024u * 1024u;

    struct Result {
        bool transportOk = true; // false: the camera is gone, nothing was answered
        int responseCode = 0x2001;
        // The data-in phase: source always, data as well from transact() (a
        // picture made whole there, and left empty when it does not fit a
        // byte array), never from transactStreamed().
        TVK_Emulator_DataSource source;
        QByteArray data;
        QVector<quint32> responseParams; // the response's own parameters (GetNumObjects)
    };

    explicit TVK_Emulator_Camera(int productId, quint32 seed = 1, QObject *parent = nullptr);
    ~TVK_Emulator_Camera() override;

    int productId() const { return m_productId; }
    const TVK_Emulator_Profile *profile() const { return m_profile; }

    // Called with the answer while the bytes are still on their way: a host
    // stack fills its buffer during the link time, not after it.
    using AnswerSink = std::function<void(const Result &)>;

    // Runs one transaction; callable from any thread. Parameters past the
    // fifth are dropped, as a transport carries no more. dataOut is read
    // during the call only: a component that keeps it makes its own copy.
    Result transact(int operationCode, const QVector<quint32> &params,
                    TVK_Emulator_Transaction::eLEDataPhase dataPhase, const QByteArray &dataOut = QByteArray(),
                    const AnswerSink &sink = AnswerSink());
    // The same, with the data-in phase only as the result's source, to be
    // read in pieces: what the transports use, so that no answer of any size
    // is ever held whole on its way.
    Result transactStreamed(int operationCode, const QVector<quint32> &params,
                            TVK_Emulator_Transaction::eLEDataPhase dataPhase,
                            const QByteArray &dataOut = QByteArray(), const AnswerSink &sink = AnswerSink());

    // Events go to this handler on the camera's thread.
    void setEventHandler(EventHandler handler);

    // --- The cable ---------------------------------------------------------
    bool isAttached() const { return m_attached.load(); }
    // Plugged in again after a removal: a new attachment for announcements.
    void attach();
    int attachment() const { return m_attachment.load(); }
    // Pulls the plug: every later transaction fails, and the removal is reported.
    void removeDevice();

    // --- Faults, set by tests -----------------------------------------------
    void setBusyTransactions(int count);                      // answer Device Busy this many times
    void failNextOperation(int operationCode, int responseCode);
    void setShortDataOnce(int bytes);                         // next data-in phase cut to this size
    // The next data-in phase of this operation ends missingBytes early (0:
    // disarmed); the camera answers OK all the same, as one whose last
    // packets got lost would. One cut is armed at a time.
    void cutNextDataIn(int operationCode, int missingBytes);
    bool dataInCutPending() const { return m_cutMissingBytes.load() > 0; }
    void setRemoveDuringNextDataIn(bool remove);              // the plug is pulled mid-transfer
    void setDataRate(qint64 bytesPerSecond);                  // 0: unlimited
    // Added once to every transaction that reaches the camera, failed or not,
    // like the round trip of a USB transaction; not scaled by the time scale.
    void setTransactionLatency(qint64 microseconds);          // 0: none
    void setTimeScale(double scale);                          // delays are multiplied by it
    double timeScale() const;

    // --- Counting, for benchmarks -----------------------------------------------
    // Every call of transact(), whatever became of it (refused, busy, unplugged).
    quint64 transactionCount() const { return m_transactionCount.load(); }
    // The same, per operation code: which reads a host repeats.
    QHash<int, quint64> transactionCountsByOperation() const;
    // Sets both counts to zero.
    void resetTransactionCount();

    // --- For components -------------------------------------------------------
    std::recursive_mutex &stateLock() { return m_stateLock; }
    QRandomGenerator &random() { return m_random; }
    // The device properties; nullptr for a product without a profile.
    TVK_Emulator_PropertyStore *properties() const;
    // The current value of a normalised setting, or fallback when no component knows it.
    qint64 setting(eLESetting which, qint64 fallback = 0) const;
    // Raises a vendor event with its first parameter, from the camera's thread.
    void raiseEvent(int eventCode, quint32 parameter = 0);
    // Raises an event that has no parameter (CaptureComplete says all by its
    // code and transaction).
    void raiseBareEvent(int eventCode);
    // Announces a new object ready for transfer, with its handle.
    void raiseObjectAdded(const QString &objectName, quint32 handle);
    // Runs work on the camera's thread after delayMs (scaled), under the state
    // lock, unless the camera was removed meanwhile.
    void schedule(int delayMs, std::function<void()> work);
    void addComponent(std::unique_ptr<TVK_Emulator_Component> component);
    // The first component of type T, or nullptr: for tests that drive the
    // camera's side (mount a lens, tilt the body), and for parts that act on
    // each other (the lens motor moves the settings record's focus distance).
    template <class T>
    T *component() const
    {
        const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
        for (const std::unique_ptr<TVK_Emulator_Component> &each : m_components) {
            if (T *found = dynamic_cast<T *>(each.get()))
                return found;
        }
        return nullptr;
    }

    // Decodes the release operation or a single-purpose operation into what it
    // asks for; kind kLENone for anything else.
    TVK_Emulator_Action decodeAction(int operationCode, const QVector<quint32> &params) const;

private:
    void deliver(const CameraEvent &event);
    void answer(TVK_Emulator_Transaction &transaction);
    void count(int operationCode);
    Result run(int operationCode, const QVector<quint32> &params, TVK_Emulator_Transaction::eLEDataPhase dataPhase,
               const QByteArray &dataOut, const AnswerSink &sink, bool whole);
    // transact() without the counting and the cable's time; bytesMoved gets
    // the bytes both data phases carried.
    Result exchange(int operationCode, const QVector<quint32> &params,
                    TVK_Emulator_Transaction::eLEDataPhase dataPhase, const QByteArray &dataOut, qint64 *bytesMoved);
    int runAction(const TVK_Emulator_Action &action);

    const int m_productId;
    const TVK_Emulator_Profile *m_profile;
    QThread *m_thread;
    TVK_Platform_CallQueue *m_threadContext; // lives in m_thread: the target of queued work
    mutable std::recursive_mutex m_stateLock;
    QRandomGenerator m_random;
    std::vector<std::unique_ptr<TVK_Emulator_Component>> m_components;
    bool m_vendorSessionOpen = false;
    quint32 m_sessionId = 0; // the standard session; 0: none open

    std::mutex m_handlerMutex;
    EventHandler m_eventHandler;

    std::atomic<bool> m_attached{true};
    std::atomic<int> m_attachment{1};
    std::atomic<int> m_busyTransactions{0};
    std::atomic<int> m_shortData{-1};
    std::atomic<int> m_cutOperation{0};
    std::atomic<int> m_cutMissingBytes{0};
    std::atomic<bool> m_removeDuringDataIn{false};
    std::atomic<qint64> m_bytesPerSecond{0};
    std::atomic<qint64> m_latencyMicroseconds{0};
    std::atomic<quint64> m_transactionCount{0};
    // Its own lock, not the state lock: counting must not wait for a
    // transaction that another thread is answering.
    mutable std::mutex m_countMutex;
    QHash<int, quint64> m_countsByOperation;
    std::atomic<double> m_timeScale{1.0};
    QHash<int, int> m_failNext; // operation code -> response code, under the state lock
};
