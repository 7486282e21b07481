#pragma once

#include "TVK_Commu_UsbPipeIF.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// A camera's side of the USB cable that plays back a script instead of
// answering: what the host reads from the bulk-in and interrupt pipes comes
// from the script in order; what it writes is counted and dropped. Nothing
// ever waits: a read for which the script has nothing more times out at once,
// so a fuzz input costs no time-out of the framing above it.
//
// The script is a row of transfers, each a 16-bit little-endian word (bit 15:
// interrupt pipe, bits 0-14: length) and that many bytes; the last transfer
// may be cut short by the end of the script. A bulk transfer goes to the host
// as the device would send it: in packets of maxPacketSize() bytes, ended by a
// short packet or, when its length is a multiple of the packet size, by a
// zero-length one (a transfer of length 0 is a zero-length packet on its own).
// A transfer cut by the end of the script gets no end at all.
class TVK_Fuzz_ScriptedUsbPipe : public TVK_Commu_UsbPipeIF
{
public:
    enum eLEPipe { kLEBulkIn, kLEInterruptIn };
    static constexpr uint16_t kInterruptFlag = 0x8000;
    static constexpr size_t kMaxTransfer = 0x7FFF;

    TVK_Fuzz_ScriptedUsbPipe(int packetSize, const uint8_t *script, size_t size);

    // Appends one transfer to a script (longer ones are cut to kMaxTransfer).
    static void appendTransfer(std::vector<uint8_t> *script, eLEPipe pipe, const void *bytes, size_t size);

    int maxPacketSize() const override { return m_packetSize; }
    eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) override;
    eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) override;
    eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) override;
    eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) override;
    // Idle at once: the script has no place for the camera's state.
    eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) override;

    size_t bulkBytesLeft() const;
    size_t bulkBytesScripted() const { return m_bulkBytes; }
    int cancelRequests() const { return m_cancels; }

private:
    struct Piece {
        size_t offset = 0;
        size_t size = 0;
    };

    const int m_packetSize;
    std::vector<uint8_t> m_bytes;
    std::deque<Piece> m_bulkPackets;
    std::deque<Piece> m_interruptTransfers;
    size_t m_bulkBytes = 0;
    int m_cancels = 0;
};
