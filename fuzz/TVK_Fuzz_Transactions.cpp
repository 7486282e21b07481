#include "TVK_Fuzz_Transactions.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_PtpTransactionEngine.h"

#include <algorithm>
#include <vector>

using Engine = TVK_Commu_PtpTransactionEngine;

namespace {

constexpr int kOpOpenSession = 0x1002;

} // namespace

quint64 TVK_Fuzz_Transactions::runOpenSequence(Engine *engine, unsigned bufferSize)
{
    engine->beginSession();
    const quint32 session[] = {1};
    Engine::Request open;
    open.operationCode = kOpOpenSession;
    open.numParams = 1;
    open.params = session;
    engine->transact(open, "fuzz", nullptr);

    // A buffer of exactly the caller's size: a byte written past it is a
    // sanitizer fault.
    std::vector<unsigned char> buffer(bufferSize);
    Engine::Request in;
    in.operationCode = TVK_Commu_Ptp::kOpGetDeviceInfo;
    in.phase = Engine::kLEDataIn;
    in.bufferIn = buffer.empty() ? nullptr : buffer.data();
    in.sizeIn = bufferSize;
    quint64 most = engine->transact(in, "fuzz", nullptr).received;

    const unsigned char record[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    Engine::Request out;
    out.operationCode = kOpDataOut;
    out.phase = Engine::kLEDataOut;
    out.dataOut = record;
    out.sizeOut = sizeof record;
    engine->transact(out, "fuzz", nullptr);

    // The rest of the dataset is read and dropped.
    std::vector<unsigned char> header(kSmallBuffer);
    Engine::Request peek = in;
    peek.bufferIn = header.data();
    peek.sizeIn = kSmallBuffer;
    most = std::max(most, engine->transact(peek, "fuzz", nullptr).received);
    return most;
}
