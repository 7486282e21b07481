#pragma once

#include "TVK_Commu_PtpFramingIF.h"
#include "TVK_Commu_UsbPipeIF.h"

#include <memory>
#include <vector>

// PTP containers over the bulk pipes of a USB still-image interface.
//
// Data out: the header and the start of the payload leave in one write, the
// rest straight from the caller's bytes; a zero-length packet ends a container
// whose length is a multiple of the packet size. Data in: the first packet
// (header and the first payload bytes) is read into a packet buffer; the rest
// goes to the sink in reads of at most a chunk, straight into the sink's
// memory where it offers some (so every byte is copied at most once), else
// through one staging buffer of at most a chunk, whatever the object's size.
//
// Not thread-safe: the transaction engine's mutex serialises its use.
class TVK_Commu_UsbFraming : public TVK_Commu_PtpFramingIF
{
public:
    static constexpr int kDefaultTimeoutMs = 5000;
    // Large enough for USB 2.0 to run at full speed, small enough that each
    // read's time-out still means something at 40 MB/s.
    static constexpr size_t kChunkSize = 1024 * 1024;
    // Zero-length packets left over from the end of an earlier data phase.
    static constexpr int kLeftoverZeroPackets = 2;
    // After a cancel the camera is asked whether it is idle again this often
    // at most, this far apart, and for no longer than one transfer time-out.
    static constexpr int kIdlePolls = 20;
    static constexpr int kIdlePauseMs = 25;

    explicit TVK_Commu_UsbFraming(std::shared_ptr<TVK_Commu_UsbPipeIF> pipe);

    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    int timeoutMs() const { return m_timeoutMs; }

    eLEStatus sendRequest(quint16 code, quint32 transactionId, int numParams, const quint32 *params) override;
    eLEStatus sendData(quint16 code, quint32 transactionId, const void *data, quint64 size) override;
    eLEStatus receiveContainer(TVK_Commu_PtpContainer *container) override;
    eLEStatus receivePayload(TVK_Commu_DataSink *sink, quint64 *received) override;
    void cancelTransaction(quint32 transactionId) override;

private:
    static eLEStatus statusOf(TVK_Commu_UsbPipeIF::eLEResult result);
    eLEStatus write(const void *data, size_t size);
    eLEStatus read(void *buffer, size_t size, size_t *received);
    void waitUntilIdle(quint32 transactionId, const char *prefix);

    std::shared_ptr<TVK_Commu_UsbPipeIF> m_pipe;
    const size_t m_packetSize;
    int m_timeoutMs = kDefaultTimeoutMs;
    std::vector<unsigned char> m_packet;  // one packet: the start of each container
    std::vector<unsigned char> m_staging; // reads for a sink without memory of its own
    // The data container whose header receiveContainer gave last.
    static constexpr quint32 kUnknownLengthField = 0xFFFFFFFFu;
    static constexpr quint64 kUnknownLength = ~quint64(0);
    quint64 m_payloadLength = 0;          // kUnknownLength: until the short packet
    size_t m_payloadInPacket = 0;         // payload bytes already in m_packet
    bool m_transferEnded = false;         // its short packet has arrived
    bool m_payloadPending = false;
};
