#pragma once

#include "TVK_Commu_PtpContainer.h"

class TVK_Commu_DataSink;

#include <QtGlobal>

// What the PTP transaction engine needs from a transport: sending a request
// and a data phase, receiving containers and a data payload, and abandoning a
// transaction that went wrong. USB and PTP/IP differ only in how they put
// these on the wire.
class TVK_Commu_PtpFramingIF
{
public:
    enum eLEStatus {
        kLEOk,
        kLETimeout,       // the camera did not answer in time
        kLEGone,          // the camera is no longer there (unplugged, link lost)
        kLEIoError,       // the transfer failed otherwise
        kLEProtocolError, // bytes arrived that are not a container
        kLERefused,       // the receiver of a data phase stopped it
        kLEMismatch       // a data phase other than announced: longer, shorter or empty
    };

    virtual ~TVK_Commu_PtpFramingIF();

    virtual eLEStatus sendRequest(quint16 code, quint32 transactionId, int numParams, const quint32 *params) = 0;
    // The whole data phase of size bytes, as one data container.
    virtual eLEStatus sendData(quint16 code, quint32 transactionId, const void *data, quint64 size) = 0;
    // The next container from the camera. For a data container only its header
    // is read: its payload must be taken with receivePayload next.
    virtual eLEStatus receiveContainer(TVK_Commu_PtpContainer *container) = 0;
    // The payload of the data container receiveContainer just gave, to sink
    // (null: read and dropped): begin with the announced total, then the
    // bytes in order as they arrive, one read or packet at a time and never
    // more than TVK_Commu_DataSink::kMaxPieceSize at once; the framing holds
    // no more than one such piece. *received is the number of payload bytes
    // the camera sent, up to the total. kLERefused when the sink refused: the
    // rest is left to cancelTransaction. The sink's end is the caller's.
    virtual eLEStatus receivePayload(TVK_Commu_DataSink *sink, quint64 *received) = 0;
    // After a time-out or failed transfer: asks the camera to abandon the
    // transaction and makes the link usable for the next one.
    virtual void cancelTransaction(quint32 transactionId) = 0;

    static const char *statusName(eLEStatus status);
};
