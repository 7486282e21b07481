// What a USB camera sends on its bulk-in and interrupt pipes, as the USB
// framing and the transaction engine read it: headers of any length and type,
// data phases longer or shorter than announced, stray and missing zero-length
// packets, responses of other transactions, busy answers, events of any size.
// The engine runs the transactions of TVK_Fuzz_Transactions, then the event
// pipe is read as the event thread reads it. Nothing may read past a buffer,
// and no transaction may report more data than the camera sent.
//
// Input: one byte of settings (bits 0-1: the endpoint's packet size, 2-4: the
// size of the data-in buffer), then the script of TVK_Fuzz_ScriptedUsbPipe.

#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Fuzz_ScriptedUsbPipe.h"
#include "TVK_Fuzz_Transactions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    if (size < 1)
        return 0;
    using Engine = TVK_Commu_PtpTransactionEngine;
    using Container = TVK_Commu_PtpContainer;
    // Full, high and super speed, and the smallest size a container header fits.
    static const int kPacketSizes[] = {64, 512, 1024, 16};
    const int packetSize = kPacketSizes[data[0] & 3];
    const unsigned bufferSize = TVK_Fuzz_Transactions::kBufferSizes[(data[0] >> 2) & 7];

    auto pipe = std::make_shared<TVK_Fuzz_ScriptedUsbPipe>(packetSize, data + 1, size - 1);
    auto framing = std::make_shared<TVK_Commu_UsbFraming>(pipe);
    Engine engine(framing);
    engine.setBusyPauseMs(0);

    if (TVK_Fuzz_Transactions::runOpenSequence(&engine, bufferSize) > pipe->bulkBytesScripted())
        std::abort();

    // The event thread's reads: each transfer is one container or nothing.
    unsigned char event[1024];
    for (;;) {
        size_t received = 0;
        const auto result = pipe->interruptRead(event, sizeof event, &received, 0);
        if (result == TVK_Commu_UsbPipeIF::kLETimeout)
            break;
        if (result != TVK_Commu_UsbPipeIF::kLEOk)
            continue;
        Container container;
        if (Container::decode(event, received, &container)
            && (container.numParams < 0 || container.numParams > Container::kMaxParams
                || Container::kHeaderSize + 4 * size_t(container.numParams) > received))
            std::abort();
    }
    return 0;
}
