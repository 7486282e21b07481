#pragma once

#include <QtGlobal>

#include <cstddef>

// The three endpoints of a USB still-image interface (bulk out, bulk in,
// interrupt in) and its class requests, as the USB framing needs them. The
// libusb glue implements it for real cameras, the emulator in memory.
//
// USB semantics every implementation keeps: data travels in packets of
// maxPacketSize() bytes; a transfer ends with a short packet (a zero-length
// one when its size is a multiple of the packet size); a bulk read completes
// when its buffer is full or a short packet arrived, and a packet that does
// not fit into what is left of the buffer is an error (overflow).
class TVK_Commu_UsbPipeIF
{
public:
    enum eLEResult { kLEOk, kLETimeout, kLEGone, kLEIoError };

    virtual ~TVK_Commu_UsbPipeIF();

    virtual int maxPacketSize() const = 0;
    // Sends size bytes (0: a zero-length packet); kLEOk only when all went out.
    virtual eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) = 0;
    // Reads up to size bytes; *received tells how many came.
    virtual eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) = 0;
    virtual eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) = 0;
    // The still-image class's Cancel request (0x64) for transactionId, then
    // clearing the halt of both bulk endpoints.
    virtual eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) = 0;
    // The still-image class's Get Device Status request (0x67): the response
    // code the camera gives for its own state (OK once it is idle again).
    virtual eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) = 0;

    static const char *resultName(eLEResult result);
};
