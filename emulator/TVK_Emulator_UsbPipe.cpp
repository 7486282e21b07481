#include "TVK_Emulator_UsbPipe.h"

#include <algorithm>
#include <chrono>
#include <cstring>

TVK_Emulator_UsbPipe::TVK_Emulator_UsbPipe(int packetSize)
    : m_packetSize(packetSize > 0 ? packetSize : kHighSpeedPacketSize)
{
}

TVK_Emulator_UsbPipe::~TVK_Emulator_UsbPipe() = default;

void TVK_Emulator_UsbPipe::setDevice(PacketSink packets, CancelSink cancel, StatusSource status)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_packetSink = std::move(packets);
    m_cancelSink = std::move(cancel);
    m_statusSource = std::move(status);
}

void TVK_Emulator_UsbPipe::setResetHandler(ResetSink reset)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_resetSink = std::move(reset);
}

void TVK_Emulator_UsbPipe::sendToHost(const QVector<QByteArray> &pieces)
{
    QVector<TVK_Emulator_DataSource> sources;
    sources.reserve(pieces.size());
    for (const QByteArray &piece : pieces)
        sources.append(TVK_Emulator_DataSource(piece));
    streamToHost(sources);
}

void TVK_Emulator_UsbPipe::streamToHost(const QVector<TVK_Emulator_DataSource> &pieces)
{
    Transfer transfer;
    for (const TVK_Emulator_DataSource &piece : pieces) {
        if (piece.isEmpty())
            continue;
        transfer.pieces.append(piece);
        transfer.total += piece.size();
    }
    const std::lock_guard<std::mutex> locker(m_mutex);
    if (m_gone.load())
        return;
    m_toHost.enqueue(transfer);
    m_changed.notify_all();
}

void TVK_Emulator_UsbPipe::sendEvent(const QByteArray &container)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    if (m_gone.load())
        return;
    m_events.enqueue(container);
    m_changed.notify_all();
}

void TVK_Emulator_UsbPipe::unplug()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    goneLocked();
}

void TVK_Emulator_UsbPipe::goneLocked()
{
    m_gone.store(true);
    m_toHost.clear();
    m_events.clear();
    m_changed.notify_all();
}

void TVK_Emulator_UsbPipe::setUnplugAfterBytesToHost(qint64 bytes)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_unplugAfter = bytes;
}

void TVK_Emulator_UsbPipe::setUnplugHandler(std::function<void()> handler)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_unplugHandler = std::move(handler);
}

bool TVK_Emulator_UsbPipe::waitFor(std::unique_lock<std::mutex> &locker, const std::function<bool()> &ready,
                                   int timeoutMs, bool *timedOut)
{
    *timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(qMax(0, timeoutMs));
    while (!m_gone.load() && !ready()) {
        if (m_changed.wait_until(locker, deadline) == std::cv_status::timeout && !m_gone.load() && !ready()) {
            *timedOut = true;
            return true;
        }
    }
    return !m_gone.load();
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::bulkWrite(const void *data, size_t size, int)
{
    PacketSink sink;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_gone.load())
            return kLEGone;
        sink = m_packetSink;
    }
    m_bulkWrites.fetch_add(1);
    // The device sees the transfer packet by packet, as the bus delivers it.
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    if (size == 0 || bytes == nullptr) {
        m_zeroPacketsFromHost.fetch_add(1);
        if (sink)
            sink(nullptr, 0);
        return m_gone.load() ? kLEGone : kLEOk;
    }
    for (size_t offset = 0; offset < size; offset += size_t(m_packetSize)) {
        if (m_gone.load())
            return kLEGone;
        if (sink)
            sink(bytes + offset, std::min(size - offset, size_t(m_packetSize)));
    }
    return m_gone.load() ? kLEGone : kLEOk;
}

void TVK_Emulator_UsbPipe::copyOut(Transfer &transfer, unsigned char *out, qint64 n)
{
    const auto start = std::chrono::steady_clock::now();
    while (n > 0) {
        const TVK_Emulator_DataSource &piece = transfer.pieces.at(transfer.piece);
        const qint64 run = piece.read(transfer.pieceOffset, reinterpret_cast<char *>(out), n);
        out += run;
        n -= run;
        transfer.position += run;
        transfer.pieceOffset += run;
        if (transfer.pieceOffset == piece.size()) {
            ++transfer.piece;
            transfer.pieceOffset = 0;
        }
    }
    m_copyNanoseconds.fetch_add(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::bulkRead(void *buffer, size_t size, size_t *received,
                                                              int timeoutMs)
{
    *received = 0;
    std::function<void()> unplugHandler;
    eLEResult result = kLEOk;
    {
        std::unique_lock<std::mutex> locker(m_mutex);
        bool timedOut = false;
        if (!waitFor(locker, [this]() { return !m_toHost.isEmpty(); }, timeoutMs, &timedOut))
            return kLEGone;
        if (timedOut)
            return kLETimeout;

        Transfer &transfer = m_toHost.head();
        unsigned char *out = static_cast<unsigned char *>(buffer);
        const qint64 space = qint64(size);
        const qint64 rest = transfer.total - transfer.position;
        qint64 take = 0;
        bool ends = false;
        if (rest <= space) {
            take = rest; // the transfer's end fits: its short packet (or ZLP) completes the read
            ends = true;
        } else {
            take = space / m_packetSize * m_packetSize;
            if (take == 0 || take != space)
                result = kLEIoError; // a packet longer than the room left: overflow
        }
        if (result == kLEOk && m_unplugAfter >= 0 && take > m_unplugAfter) {
            // The cable goes in the middle of this read.
            take = m_unplugAfter;
            copyOut(transfer, out, take);
            *received = size_t(take);
            m_unplugAfter = -1;
            goneLocked();
            unplugHandler = m_unplugHandler;
            result = kLEGone;
        } else if (result == kLEOk) {
            copyOut(transfer, out, take);
            *received = size_t(take);
            if (m_unplugAfter >= 0)
                m_unplugAfter -= take;
            if (ends) {
                const bool endsWithFullPacket = transfer.total > 0 && transfer.total % m_packetSize == 0;
                // After a last full packet the zero-length packet still has to
                // come: it completes this read when there is room left, the
                // next one otherwise.
                if (!endsWithFullPacket || take < space)
                    m_toHost.dequeue();
            }
        }
    }
    if (unplugHandler)
        unplugHandler();
    return result;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::interruptRead(void *buffer, size_t size, size_t *received,
                                                                   int timeoutMs)
{
    *received = 0;
    std::unique_lock<std::mutex> locker(m_mutex);
    bool timedOut = false;
    if (!waitFor(locker, [this]() { return !m_events.isEmpty(); }, timeoutMs, &timedOut))
        return kLEGone;
    if (timedOut)
        return kLETimeout;
    const QByteArray event = m_events.dequeue();
    if (size_t(event.size()) > size)
        return kLEIoError;
    std::memcpy(buffer, event.constData(), size_t(event.size()));
    *received = size_t(event.size());
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::cancelTransaction(quint32 transactionId, int)
{
    CancelSink sink;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_gone.load())
            return kLEGone;
        // Clearing the halt of both endpoints: whatever was on its way is gone.
        m_toHost.clear();
        sink = m_cancelSink;
    }
    m_cancelRequests.fetch_add(1);
    m_lastCancelled.store(transactionId);
    if (sink)
        sink(transactionId);
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::resetDevice()
{
    ResetSink sink;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_gone.load())
            return kLEGone;
        // Nothing of the old state reaches the host afterwards: neither the
        // rest of a data phase or response nor an event raised before.
        m_toHost.clear();
        m_events.clear();
        sink = m_resetSink;
    }
    m_resetRequests.fetch_add(1);
    if (sink)
        sink();
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbPipe::deviceStatus(quint16 *responseCode, int)
{
    *responseCode = 0;
    StatusSource source;
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (m_gone.load())
            return kLEGone;
        source = m_statusSource;
    }
    m_statusRequests.fetch_add(1);
    // No device behind the cable: the control request stalls.
    if (!source)
        return kLEIoError;
    *responseCode = source();
    return kLEOk;
}
