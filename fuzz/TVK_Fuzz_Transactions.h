#pragma once

#include <QtGlobal>

class TVK_Commu_PtpTransactionEngine;

// The transactions the wire-format targets run over a framing, and the seed
// writer runs against the emulator to record what a camera answers to them:
// OpenSession (the engine's first, id 0), a dataset read into a buffer of the
// input's size, a small data-out phase, and a dataset read into a buffer far
// too small for it, as a header read of a picture is. Kept in one place so
// that the recorded seeds answer exactly what the targets ask.
class TVK_Fuzz_Transactions
{
public:
    // Sizes of the first data-in buffer, picked by three bits of an input:
    // none, shorter than a header, around a packet, a dataset, several packets.
    static constexpr unsigned kBufferSizes[8] = {0, 3, 12, 511, 512, 513, 1000, 5000};
    static constexpr unsigned kSmallBuffer = 16;
    static constexpr int kOpDataOut = 0x9F01;

    // Runs them all, whatever each one's outcome; returns the most data-in
    // bytes any of them reported.
    static quint64 runOpenSequence(TVK_Commu_PtpTransactionEngine *engine, unsigned bufferSize);
};
