#pragma once

#include "TVK_Commu_UsbPipeIF.h"
#include "TVK_Emulator_DataSource.h"

#include <QByteArray>
#include <QQueue>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// A USB cable in memory, between the host's framing and an emulated device.
// It keeps what the host stack and the bus do: packets of maxPacketSize()
// bytes, a transfer ending with a short or zero-length packet, a bulk read
// completing when full or at a short packet, an overflow when a packet does
// not fit, time-outs on waits, and every call failing as "gone" once the cable
// is pulled. The device side gets the host's packets one by one.
class TVK_Emulator_UsbPipe : public TVK_Commu_UsbPipeIF
{
public:
    static constexpr int kHighSpeedPacketSize = 512;

    // Called on the host's thread for each packet it sends (size 0: a
    // zero-length packet), for a Cancel request, and for a Get Device Status
    // request (which the device answers with its response code).
    using PacketSink = std::function<void(const unsigned char *packet, size_t size)>;
    using CancelSink = std::function<void(quint32 transactionId)>;
    using StatusSource = std::function<quint16()>;
    using ResetSink = std::function<void()>;

    explicit TVK_Emulator_UsbPipe(int packetSize = kHighSpeedPacketSize);
    ~TVK_Emulator_UsbPipe() override;

    // --- The device's side ------------------------------------------------------
    void setDevice(PacketSink packets, CancelSink cancel, StatusSource status);
    // Called on the host's thread for a Device Reset request.
    void setResetHandler(ResetSink reset);
    // Queues one transfer to the host: the pieces back to back, in packets,
    // ended by a short packet or, when its size is a multiple of the packet
    // size, a zero-length one. Pieces are shared, not copied; a computed one
    // is made as the host reads it, straight into the host's buffer.
    void sendToHost(const QVector<QByteArray> &pieces);
    void streamToHost(const QVector<TVK_Emulator_DataSource> &pieces);
    void sendEvent(const QByteArray &container);
    // Pulls the cable: every waiting and later call fails with kLEGone.
    void unplug();
    bool isUnplugged() const { return m_gone.load(); }

    // --- Faults and counts, for tests -----------------------------------------------
    // The cable goes after this many more bytes have reached the host (-1: never).
    void setUnplugAfterBytesToHost(qint64 bytes);
    // Runs when the cable goes by itself (the fault above), on the host's thread.
    void setUnplugHandler(std::function<void()> handler);
    int cancelRequests() const { return m_cancelRequests.load(); }
    quint32 lastCancelledTransaction() const { return m_lastCancelled.load(); }
    int statusRequests() const { return m_statusRequests.load(); }
    int resetRequests() const { return m_resetRequests.load(); }
    // Bulk-out writes and zero-length packets the host sent.
    int bulkWrites() const { return m_bulkWrites.load(); }
    int zeroLengthPacketsFromHost() const { return m_zeroPacketsFromHost.load(); }
    // Time spent making and copying bytes into the host's buffers, all reads together:
    // what a host controller's DMA does on a real bus, so that a benchmark can
    // take it out of the host's time and keep only the framing's.
    qint64 copyNanoseconds() const { return m_copyNanoseconds.load(); }

    // --- The host's side ---------------------------------------------------------------
    int maxPacketSize() const override { return m_packetSize; }
    eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) override;
    eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) override;
    eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) override;
    eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) override;
    eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) override;
    // The class's Device Reset request: what was on its way to the host is
    // dropped and the device goes back to where it was before any session.
    eLEResult resetDevice();

private:
    struct Transfer {
        QVector<TVK_Emulator_DataSource> pieces;
        qint64 total = 0;
        qint64 position = 0;
        int piece = 0;          // piece and offset of position
        qint64 pieceOffset = 0;
    };
    // Copies n bytes of the front transfer to out (lock held).
    void copyOut(Transfer &transfer, unsigned char *out, qint64 n);
    // Lock held; false when the cable went during the wait or before it.
    bool waitFor(std::unique_lock<std::mutex> &locker, const std::function<bool()> &ready, int timeoutMs,
                 bool *timedOut);
    void goneLocked();

    const int m_packetSize;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QQueue<Transfer> m_toHost;
    QQueue<QByteArray> m_events;
    PacketSink m_packetSink;
    CancelSink m_cancelSink;
    StatusSource m_statusSource;
    ResetSink m_resetSink;
    std::function<void()> m_unplugHandler;
    qint64 m_unplugAfter = -1;
    std::atomic<bool> m_gone{false};
    std::atomic<int> m_cancelRequests{0};
    std::atomic<quint32> m_lastCancelled{0};
    std::atomic<int> m_statusRequests{0};
    std::atomic<int> m_resetRequests{0};
    std::atomic<int> m_bulkWrites{0};
    std::atomic<int> m_zeroPacketsFromHost{0};
    std::atomic<qint64> m_copyNanoseconds{0};
};
