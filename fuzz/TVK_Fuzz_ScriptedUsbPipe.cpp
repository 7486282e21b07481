#include "TVK_Fuzz_ScriptedUsbPipe.h"

#include <algorithm>
#include <cstring>

using Pipe = TVK_Fuzz_ScriptedUsbPipe;

TVK_Fuzz_ScriptedUsbPipe::TVK_Fuzz_ScriptedUsbPipe(int packetSize, const uint8_t *script, size_t size)
    : m_packetSize(packetSize > 0 ? packetSize : 1)
    , m_bytes(script, script + size)
{
    const size_t packet = size_t(m_packetSize);
    size_t at = 0;
    while (at + 2 <= size) {
        const uint16_t word = uint16_t(script[at] | (script[at + 1] << 8));
        at += 2;
        const size_t wanted = word & kMaxTransfer;
        const size_t length = std::min(wanted, size - at);
        if (word & kInterruptFlag) {
            m_interruptTransfers.push_back({at, length});
        } else {
            for (size_t offset = 0; offset < length; offset += packet)
                m_bulkPackets.push_back({at + offset, std::min(packet, length - offset)});
            // The short or zero-length packet that ends the transfer; a
            // transfer the script cut short ends nowhere.
            if (length == wanted && length % packet == 0)
                m_bulkPackets.push_back({at + length, 0});
            m_bulkBytes += length;
        }
        at += length;
    }
}

void TVK_Fuzz_ScriptedUsbPipe::appendTransfer(std::vector<uint8_t> *script, eLEPipe pipe, const void *bytes,
                                              size_t size)
{
    size = std::min(size, kMaxTransfer);
    const uint16_t word = uint16_t(size | (pipe == kLEInterruptIn ? kInterruptFlag : 0));
    script->push_back(uint8_t(word & 0xFF));
    script->push_back(uint8_t(word >> 8));
    const uint8_t *begin = static_cast<const uint8_t *>(bytes);
    if (size > 0)
        script->insert(script->end(), begin, begin + size);
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Fuzz_ScriptedUsbPipe::bulkWrite(const void *, size_t, int)
{
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Fuzz_ScriptedUsbPipe::bulkRead(void *buffer, size_t size, size_t *received,
                                                                int)
{
    // As the host stack: whole packets until the buffer is full or a short
    // packet came; a packet that does not fit is an overflow.
    unsigned char *out = static_cast<unsigned char *>(buffer);
    *received = 0;
    while (*received < size || (size == 0 && *received == 0)) {
        if (m_bulkPackets.empty())
            return kLETimeout;
        const Piece packet = m_bulkPackets.front();
        if (packet.size > size - *received)
            return kLEIoError;
        m_bulkPackets.pop_front();
        if (packet.size > 0)
            std::memcpy(out + *received, m_bytes.data() + packet.offset, packet.size);
        *received += packet.size;
        if (packet.size < size_t(m_packetSize))
            break;
    }
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Fuzz_ScriptedUsbPipe::interruptRead(void *buffer, size_t size,
                                                                     size_t *received, int)
{
    *received = 0;
    if (m_interruptTransfers.empty())
        return kLETimeout;
    const Piece transfer = m_interruptTransfers.front();
    m_interruptTransfers.pop_front();
    const size_t copied = std::min(transfer.size, size);
    if (copied > 0)
        std::memcpy(buffer, m_bytes.data() + transfer.offset, copied);
    *received = copied;
    return transfer.size > size ? kLEIoError : kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Fuzz_ScriptedUsbPipe::cancelTransaction(quint32, int)
{
    ++m_cancels;
    return kLEOk;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Fuzz_ScriptedUsbPipe::deviceStatus(quint16 *responseCode, int)
{
    *responseCode = 0x2001;
    return kLEOk;
}

size_t TVK_Fuzz_ScriptedUsbPipe::bulkBytesLeft() const
{
    size_t left = 0;
    for (const Piece &packet : m_bulkPackets)
        left += packet.size;
    return left;
}
