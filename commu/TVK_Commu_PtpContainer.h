#pragma once

#include <QtGlobal>

#include <cstddef>

// The generic PTP container every still-image transport carries in some form:
// a 12-byte header (length, type, code, transaction id, all little-endian)
// followed by up to five 32-bit parameters or by a data payload. USB sends it
// as it is; other transports wrap the same fields in their own packets.
struct TVK_Commu_PtpContainer {
    enum eLEType : quint16 { kLECommand = 1, kLEData = 2, kLEResponse = 3, kLEEvent = 4 };

    static constexpr size_t kOffsetLength = 0;
    static constexpr size_t kOffsetType = 4;
    static constexpr size_t kOffsetCode = 6;
    static constexpr size_t kOffsetTransactionId = 8;
    static constexpr size_t kHeaderSize = 12;
    static constexpr int kMaxParams = 5;
    // A command, response or event container with all five parameters.
    static constexpr size_t kMaxParamContainerSize = kHeaderSize + 4 * kMaxParams;

    quint32 length = 0;       // of the whole container, header included
    quint16 type = 0;
    quint16 code = 0;
    quint32 transactionId = 0;
    int numParams = 0;        // parameters present (command, response, event)
    quint32 params[kMaxParams] = {};

    quint64 payloadLength() const { return length > kHeaderSize ? quint64(length) - kHeaderSize : 0; }
    quint32 param(int index) const { return index >= 0 && index < numParams ? params[index] : 0; }

    // Writes the 12 header bytes.
    static void encodeHeader(quint32 length, quint16 type, quint16 code, quint32 transactionId, unsigned char *out);
    // Writes a command (or response) container with its parameters into out,
    // which holds kMaxParamContainerSize bytes; numParams is clamped to 0..5.
    // Returns the container's length.
    static size_t encodeWithParams(quint16 type, quint16 code, quint32 transactionId, int numParams,
                                   const quint32 *params, unsigned char *out);
    // Reads a header from size bytes and, unless it is a data container, the
    // parameters among them. False for fewer than 12 bytes, a length below 12
    // or an unknown type; container is then unchanged.
    static bool decode(const unsigned char *bytes, size_t size, TVK_Commu_PtpContainer *container);
    static const char *typeName(quint16 type);
};
