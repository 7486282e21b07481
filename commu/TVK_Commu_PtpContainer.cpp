#include "TVK_Commu_PtpContainer.h"

#include <QtEndian>

void TVK_Commu_PtpContainer::encodeHeader(quint32 length, quint16 type, quint16 code, quint32 transactionId,
                                          unsigned char *out)
{
    qToLittleEndian<quint32>(length, out + kOffsetLength);
    qToLittleEndian<quint16>(type, out + kOffsetType);
    qToLittleEndian<quint16>(code, out + kOffsetCode);
    qToLittleEndian<quint32>(transactionId, out + kOffsetTransactionId);
}

size_t TVK_Commu_PtpContainer::encodeWithParams(quint16 type, quint16 code, quint32 transactionId, int numParams,
                                                const quint32 *params, unsigned char *out)
{
    const int count = params == nullptr ? 0 : qBound(0, numParams, kMaxParams);
    const size_t length = kHeaderSize + 4 * size_t(count);
    encodeHeader(quint32(length), type, code, transactionId, out);
    for (int i = 0; i < count; ++i)
        qToLittleEndian<quint32>(params[i], out + kHeaderSize + 4 * size_t(i));
    return length;
}

bool TVK_Commu_PtpContainer::decode(const unsigned char *bytes, size_t size, TVK_Commu_PtpContainer *container)
{
    if (bytes == nullptr || container == nullptr || size < kHeaderSize)
        return false;
    const quint32 length = qFromLittleEndian<quint32>(bytes + kOffsetLength);
    const quint16 type = qFromLittleEndian<quint16>(bytes + kOffsetType);
    if (length < kHeaderSize || type < kLECommand || type > kLEEvent)
        return false;
    TVK_Commu_PtpContainer result;
    result.length = length;
    result.type = type;
    result.code = qFromLittleEndian<quint16>(bytes + kOffsetCode);
    result.transactionId = qFromLittleEndian<quint32>(bytes + kOffsetTransactionId);
    if (type != kLEData) {
        // Only parameters both announced by the length and actually present count.
        const size_t available = qMin<size_t>(size, length) - kHeaderSize;
        result.numParams = int(qMin<size_t>(available / 4, kMaxParams));
        for (int i = 0; i < result.numParams; ++i)
            result.params[i] = qFromLittleEndian<quint32>(bytes + kHeaderSize + 4 * size_t(i));
    }
    *container = result;
    return true;
}

const char *TVK_Commu_PtpContainer::typeName(quint16 type)
{
    switch (type) {
    case kLECommand:
        return "command";
    case kLEData:
        return "data";
    case kLEResponse:
        return "response";
    case kLEEvent:
        return "event";
    default:
        return "unknown";
    }
}
