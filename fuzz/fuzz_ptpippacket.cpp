// What a network camera sends on its PTP/IP command and event connections, as
// the PTP/IP framing and the transaction engine read it from a socket: the
// Init Command Ack (or Init Fail) with a name of any length, Operation
// Responses, Start Data / Data / End Data of any announced and actual length,
// events and probes where they do not belong, truncated and oversized
// packets. The command connection runs the access's handshake and the
// transactions of TVK_Fuzz_Transactions, the event connection its handshake
// and then the event thread's reads. Nothing may read past a buffer, and no transaction may report more
// data than the camera sent.
//
// Each connection is one end of a socket pair whose other end holds the
// camera's bytes and then says "no more": a read beyond them ends at once as
// a closed connection, never after a time-out.
//
// Input: one byte of settings (bit 0: command handshake, bit 1: event
// handshake, bits 2-4: size of the data-in buffer), a 16-bit little-endian
// length of the command connection's bytes, those bytes, then the event
// connection's bytes.

#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_PtpIpFraming.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Fuzz_Transactions.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Far below what a socket pair holds, so that writing never blocks.
constexpr size_t kMaxStreamBytes = 64 * 1024;

// The framing's end of a socket pair; the camera's end (*camera) has sent
// bytes and shut down its sending side, and stays open for what the framing
// writes.
int connectionWith(const uint8_t *bytes, size_t size, int *camera)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        std::abort();
    size = std::min(size, kMaxStreamBytes);
    for (size_t done = 0; done < size;) {
        const ssize_t written = ::write(ends[1], bytes + done, size - done);
        if (written <= 0)
            std::abort();
        done += size_t(written);
    }
    ::shutdown(ends[1], SHUT_WR);
    *camera = ends[1];
    return ends[0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    if (size < 3)
        return 0;
    using Engine = TVK_Commu_PtpTransactionEngine;
    using Framing = TVK_Commu_PtpIpFraming;
    using Container = TVK_Commu_PtpContainer;
    const bool commandHandshake = data[0] & 1;
    const bool eventHandshake = data[0] & 2;
    const unsigned bufferSize = TVK_Fuzz_Transactions::kBufferSizes[(data[0] >> 2) & 7];
    const size_t commandBytes = std::min<size_t>(size_t(data[1] | (data[2] << 8)), size - 3);
    const uint8_t *command = data + 3;
    const uint8_t *events = command + commandBytes;
    const size_t eventBytes = size - 3 - commandBytes;

    int commandCamera = -1;
    auto framing = std::make_shared<Framing>(connectionWith(command, commandBytes, &commandCamera));
    quint32 connectionNumber = 0;
    bool usable = true;
    if (commandHandshake) {
        const Framing::InitResult init = framing->initCommand(QByteArray(16, '\x5A'), QStringLiteral("Fuzz"));
        if (init.ok() && init.responderGuid.size() != Framing::kGuidSize)
            std::abort();
        connectionNumber = init.connectionNumber;
        // The access gives up a camera that refused or broke the handshake.
        usable = init.ok();
    }
    if (usable) {
        Engine engine(framing);
        engine.setBusyPauseMs(0);
        if (TVK_Fuzz_Transactions::runOpenSequence(&engine, bufferSize) > commandBytes)
            std::abort();
    }
    framing.reset();
    ::close(commandCamera);

    int eventCamera = -1;
    Framing eventFraming(connectionWith(events, eventBytes, &eventCamera));
    usable = !eventHandshake || eventFraming.initEvent(connectionNumber).ok();
    // The event thread's reads: it carries on after a packet that is no event
    // and stops when the connection is lost.
    for (int read = 0; usable && read < 4096; ++read) {
        Container event;
        const auto status = eventFraming.receiveEvent(&event, 0);
        if (status == Framing::kLEOk) {
            if (event.type != Container::kLEEvent || event.numParams < 0 || event.numParams > Container::kMaxParams)
                std::abort();
        } else if (status != Framing::kLEProtocolError) {
            break;
        }
    }
    ::close(eventCamera);
    return 0;
}
