// What a USB camera sends in data-in phases read to a sink, as the USB framing
// and the transaction engine hand them on: lengths that promise more or less
// than comes, the "more than 4 GB" length, empty phases, responses where data
// was due, a sink that refuses at some point and one that offers its own
// memory. Whatever the camera sends, the sink never gets a byte beyond the
// total it was told, a piece larger than the bound, a piece before its begin,
// after its end or after it refused, and hears the end once for every begin;
// a transaction that succeeds brought exactly the total announced.
//
// Input: one byte of settings (bits 0-1: the endpoint's packet size, 2-4:
// where the sink refuses, 5: the sink offers memory of its own), then the
// script of TVK_Fuzz_ScriptedUsbPipe.

#include "TVK_Commu_DataSink.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Fuzz_ScriptedUsbPipe.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Sink = TVK_Commu_DataSink;
using Engine = TVK_Commu_PtpTransactionEngine;

constexpr int kOpOpenSession = 0x1002;
constexpr int kOpGetObject = 0x1009;
constexpr int kOpCloseSession = 0x1003;
constexpr int kReads = 3;
// -2: never; -1: at its begin; else once this many bytes have come.
constexpr long kRefusals[8] = {-2, -1, 0, 1, 100, 511, 4096, 20000};
// The memory a sink with room offers: an exact size, so that a read past it
// is a sanitizer fault.
constexpr size_t kRoomBytes = 3000;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

class CheckingSink : public Sink
{
public:
    CheckingSink(long refuseAt, bool offersRoom)
        : m_refuseAt(refuseAt)
        , m_memory(offersRoom ? kRoomBytes : 0)
    {
    }
    ~CheckingSink() override { check(m_begins == m_ends); }

    bool begin(quint64 total) override
    {
        check(m_begins == 0);
        ++m_begins;
        m_total = total;
        m_refused = m_refuseAt == -1;
        return !m_refused;
    }
    bool write(const unsigned char *bytes, size_t size) override
    {
        check(m_begins == 1 && m_ends == 0 && !m_refused);
        check(size > 0 && size <= kMaxPieceSize);
        check(m_total == kUnknownTotal || size <= m_total - m_written);
        if (!m_memory.empty() && m_written < m_memory.size()) {
            const size_t fits = std::min(size, m_memory.size() - size_t(m_written));
            if (bytes != m_memory.data() + m_written)
                std::memcpy(m_memory.data() + m_written, bytes, fits);
        }
        m_written += size;
        m_refused = m_refuseAt >= 0 && m_written >= quint64(m_refuseAt);
        return !m_refused;
    }
    void end(eLEEnd) override
    {
        check(m_begins == 1 && m_ends == 0);
        ++m_ends;
    }
    unsigned char *room(quint64 offset, size_t size) override
    {
        check(m_begins == 1 && m_ends == 0 && offset == m_written);
        if (m_memory.empty() || offset > m_memory.size() || size > m_memory.size() - offset)
            return nullptr;
        return m_memory.data() + offset;
    }

    bool whole() const { return m_begins == 1 && (m_total == kUnknownTotal || m_written == m_total); }
    bool refused() const { return m_refused; }
    quint64 written() const { return m_written; }

private:
    const long m_refuseAt;
    std::vector<unsigned char> m_memory;
    int m_begins = 0;
    int m_ends = 0;
    bool m_refused = false;
    quint64 m_total = 0;
    quint64 m_written = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    if (size < 1)
        return 0;
    static const int kPacketSizes[] = {64, 512, 1024, 16};
    const int packetSize = kPacketSizes[data[0] & 3];
    const long refuseAt = kRefusals[(data[0] >> 2) & 7];
    const bool offersRoom = (data[0] & 0x20) != 0;

    auto pipe = std::make_shared<TVK_Fuzz_ScriptedUsbPipe>(packetSize, data + 1, size - 1);
    Engine engine(std::make_shared<TVK_Commu_UsbFraming>(pipe));
    engine.setBusyPauseMs(0);

    engine.beginSession();
    const quint32 session[] = {1};
    Engine::Request open;
    open.operationCode = kOpOpenSession;
    open.numParams = 1;
    open.params = session;
    engine.transact(open, "fuzz", nullptr);

    for (int i = 0; i < kReads; ++i) {
        CheckingSink sink(refuseAt, offersRoom);
        const quint32 handle[] = {quint32(i + 1)};
        Engine::Request read;
        read.operationCode = kOpGetObject;
        read.numParams = 1;
        read.params = handle;
        read.phase = Engine::kLEDataIn;
        read.sinkIn = &sink;
        const Engine::Outcome outcome = engine.transact(read, "fuzz", nullptr);
        check(outcome.received <= pipe->bulkBytesScripted());
        if (outcome.ok())
            check(sink.whole() && !sink.refused() && outcome.received == sink.written());
        if (sink.refused())
            check(!outcome.ok());
    }

    Engine::Request close;
    close.operationCode = kOpCloseSession;
    engine.transact(close, "fuzz", nullptr);
    return 0;
}
