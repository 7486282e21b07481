#pragma once

#include "TVK_Emulator_Camera.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

class TVK_Emulator_UsbPipe;

// The camera's side of the USB cable: takes the host's packets apart into
// still-image containers, has the emulated camera answer each transaction and
// sends back the data container and the response, in packets; turns the
// camera's events into event containers on the interrupt pipe, and its
// removal into a pulled cable. Written apart from the host's framing so that
// the two check each other.
//
// Answers OpenSession and CloseSession itself: the session belongs to the
// transport, not to the camera behind it.
class TVK_Emulator_UsbResponder
{
public:
    static constexpr int kOpOpenSession = 0x1002;
    static constexpr int kOpCloseSession = 0x1003;
    static constexpr int kEventRequestObjectTransfer = 0x4009;
    // How long the camera stays busy after a Cancel request, abandoning the
    // transaction, before it takes the next one.
    static constexpr int kBusyAfterCancelMs = 50;

    TVK_Emulator_UsbResponder(std::shared_ptr<TVK_Emulator_Camera> camera, std::shared_ptr<TVK_Emulator_UsbPipe> pipe);
    ~TVK_Emulator_UsbResponder();

    // --- Faults, for tests ----------------------------------------------------------
    // The next response is preceded by count stale ones (ids lower than the
    // transaction's), as if left over from abandoned transactions.
    void setStaleResponses(int count);
    // The next transaction gets no answer at all: the host's read times out.
    void setSilentTransactions(int count);
    // Operations answered here for tests: the data of a data-out operation is
    // kept, and a data-in operation returns what was kept last.
    void setLoopbackOperation(int operationCode, bool dataOut);
    // How long it stays busy after each later cancel (-1: until unplugged).
    void setBusyAfterCancelMs(int ms);
    // Sends an event container (code, parameters) on the interrupt pipe.
    void raiseEvent(int code, const QVector<quint32> &params);

    // --- What the host did ------------------------------------------------------------
    QVector<quint32> transactionIds() const;
    QVector<int> operationCodes() const;
    QByteArray lastDataOut() const;
    bool sessionOpen() const { return m_sessionOpen.load(); }
    // Transactions the host began while the camera was still busy with a cancel.
    int transactionsWhileCancelling() const { return m_transactionsWhileCancelling.load(); }

private:
    void receivePacket(const unsigned char *packet, size_t size);
    void cancel(quint32 transactionId);
    // The host's Device Reset: the transaction and the session are gone.
    void reset();
    quint16 deviceStatus();
    bool stillCancelling();
    void handleContainer(const QByteArray &container);
    void answer(int code, quint32 transactionId, const QVector<quint32> &params, const QByteArray &dataOut);
    void sendResponse(int code, quint32 transactionId, const QVector<quint32> &params = {});
    // The InitiateCapture whose objects and completion are being reported
    // (0xFFFFFFFF: none).
    void setCaptureTransaction(quint32 transactionId);
    // The transaction an event of this code belongs to.
    quint32 eventTransaction(int code);
    void sendData(int code, quint32 transactionId, const TVK_Emulator_DataSource &payload);
    void deliverEvent(const TVK_Emulator_Camera::CameraEvent &event);
    static bool hasDataOut(int code);
    static bool hasDataIn(int code);

    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::shared_ptr<TVK_Emulator_UsbPipe> m_pipe;
    const int m_packetSize;

    // The host's thread only (packets arrive there).
    QByteArray m_incoming;        // the container being received
    quint32 m_expected = 0;       // its length from the header
    bool m_commandPending = false; // a command waits for its data phase
    int m_pendingCode = 0;
    quint32 m_pendingTransaction = 0;
    QVector<quint32> m_pendingParams;

    mutable std::mutex m_mutex; // what tests set and read, and the capture being reported
    QByteArray m_loopback;                 // the bytes kept
    QHash<int, bool> m_loopbackDataOut;    // operation code -> has data out
    QVector<quint32> m_transactionIds;
    QVector<int> m_operationCodes;
    QByteArray m_lastDataOut;
    int m_staleResponses = 0;
    int m_silentTransactions = 0;
    int m_busyAfterCancelMs = kBusyAfterCancelMs;
    bool m_cancelling = false;
    std::chrono::steady_clock::time_point m_cancelledAt;
    quint32 m_captureTransaction = 0xFFFFFFFFu;
    std::atomic<bool> m_sessionOpen{false};
    std::atomic<int> m_transactionsWhileCancelling{0};
};
