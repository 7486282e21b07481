#pragma once

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_PtpTransactionEngine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What every transport that carries PTP through the shared transaction engine
// has in common: the three transaction kinds, the standard and the vendor
// session, and the turning of an event container into a camera event. A
// transport (USB, PTP/IP) owns the link, puts its engine in place when it
// opens and takes it away when it closes; everything here goes through the
// engine of the moment.
class TVK_Commu_CameraAccess_PtpSession : public TVK_Commu_CameraAccess_Base
{
    Q_OBJECT

public:
    static constexpr int kOpOpenSession = 0x1002;
    static constexpr int kOpCloseSession = 0x1003;
    static constexpr int kRespSessionAlreadyOpen = 0x201E;
    static constexpr int kEventRequestObjectTransfer = 0x4009;
    static constexpr quint32 kSessionId = 1;

    using TVK_Commu_CameraAccess_Base::TVK_Commu_CameraAccess_Base;

    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer, unsigned bufferSize,
                  const char *caller, quint64 *received = nullptr) final;
    bool recvDataToSink(int operationCode, int numParams, const quint32 *params, TVK_Commu_DataSink *sink,
                        const char *caller, quint64 *received = nullptr) final;
    bool sendCommand(int operationCode, int numParams, const quint32 *params, const char *caller) final;
    bool sendData(int operationCode, int numParams, const quint32 *params, const void *buffer, unsigned size,
                  const char *caller) final;

protected:
    // The engine of the open link, or null; a copy, so that a close on another
    // thread never pulls it from under a transaction.
    std::shared_ptr<TVK_Commu_PtpTransactionEngine> currentEngine() const;
    // A transaction on the current engine; a link found gone closes the
    // device (once, through deviceRemoved), unless it has been replaced since.
    // received, if given, gets the data-in bytes the camera sent (0 on failure).
    bool transaction(const TVK_Commu_PtpTransactionEngine::Request &request, const char *caller,
                     quint64 *received = nullptr);
    // OpenSession (session 1, transaction id 0); a session left open by an
    // earlier program counts as opened.
    bool openSession();
    void closeSession();
    // The maker's vendor session. A camera that refuses it is still driven
    // (its answer is logged); only a failed transport fails the open.
    bool openVXSession();
    void closeVXSession();
    // An event container from the camera, to the event entry.
    void deliverEventContainer(const TVK_Commu_PtpContainer &container);

    // --- The open in progress -----------------------------------------------
    // A link lost while the open runs is not closed there and then: the open
    // reports a failure itself, or closes right after its announcement, so
    // that listeners see "opened" and "closed" in that order.
    void beginOpening();
    // The open failed: nothing is announced, a loss meanwhile is forgotten.
    void abandonOpening();
    // Announces the open connection, then closes it at once when the link was
    // lost meanwhile.
    void announceOpened();
    bool isOpening() const;
    // Called by closeDevice first: true (and noted) while an open runs.
    bool deferCloseWhileOpening();
    // Releases the link after it was lost or closed; reports the closed
    // connection when one was open.
    virtual void closeDevice() = 0;
    // The first step of closeDevice: false while an open runs (it closes
    // itself) or when nothing is open; otherwise forgets the camera id and
    // logs the device that goes.
    bool takeOpenDevice(const char *prefix);

    // --- The event thread ------------------------------------------------------
    // One reader of the camera's events at a time; it looks at m_stopEvents at
    // least every poll period. Stopping is never done on the thread itself.
    void startEventThread(std::function<void()> reader, const char *prefix);
    void stopEventThread(const char *prefix);

    // The camera id of the open device, 0 while none is.
    std::atomic<quint64> m_cameraId{0};
    std::atomic<bool> m_stopEvents{false};

    // Guards the link of the transport, the engine among it.
    mutable std::mutex m_deviceMutex;
    std::shared_ptr<TVK_Commu_PtpTransactionEngine> m_engine;

private:
    std::thread m_eventThread;
    mutable std::mutex m_openMutex; // guards the two below
    bool m_opening = false;
    bool m_removedWhileOpening = false;
};
