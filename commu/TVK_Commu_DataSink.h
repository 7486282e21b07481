#pragma once

#include <QtGlobal>

#include <cstddef>

// Where the data phase of a transaction goes while it arrives: told the total
// the camera announced, then handed the bytes in order, piece by piece, and
// told the end. A picture of 60 MB or a video of several GB passes through in
// pieces of at most kMaxPieceSize bytes; no layer below holds it whole.
//
// A sink may refuse the data at its start or at any piece: the transfer stops
// there, the camera is told to abandon the transaction and the call fails;
// the link stays usable for the next one.
//
// Called on the thread of the transaction, one call at a time.
class TVK_Commu_DataSink
{
public:
    // The total when the camera does not say it: a container length of
    // 0xFFFFFFFF (more than 4 GB) or a PTP/IP Start Data without one. The
    // data then runs until its phase ends.
    static constexpr quint64 kUnknownTotal = ~quint64(0);
    // No piece is larger than this, whatever the object's size or the
    // camera's packets.
    static constexpr size_t kMaxPieceSize = 1024 * 1024;

    enum eLEEnd {
        kLEComplete,  // every announced byte came (or, the total unknown, the phase ended)
        kLEShort,     // the phase ended before the announced total
        kLEAbandoned  // stopped: refused, broken link, longer than announced, empty
    };

    virtual ~TVK_Commu_DataSink();

    // The data phase begins with total bytes (or kUnknownTotal); false refuses
    // it. A camera that answers without data (refused, busy) begins nothing.
    virtual bool begin(quint64 total) = 0;
    // The next size bytes (1..kMaxPieceSize), never beyond the total begun
    // with; false refuses them and stops the transfer.
    virtual bool write(const unsigned char *bytes, size_t size) = 0;
    // Once for every begin, when the data phase is over or given up; whether
    // the whole call succeeded (the camera's response) is the call's result.
    virtual void end(eLEEnd how) = 0;

    // Memory of the sink's own where the size bytes from offset (the bytes
    // written so far) may land straight from the wire, or null. The framing
    // then still calls write with that very pointer, and a sink that sees its
    // own memory there copies nothing. A sink without such memory returns null
    // and gets the bytes from the framing's buffer.
    virtual unsigned char *room(quint64 offset, size_t size);
    // Whether a data phase shorter than announced, or empty, still counts as
    // read. Only the buffer calls of old say yes: their callers get the count
    // of bytes and tell a short answer by it. Any other sink takes such a phase
    // as a failed transfer.
    virtual bool toleratesShortPhase() const;
};
