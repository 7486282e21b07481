#pragma once

#include "TVK_Commu_PtpFramingIF.h"

class TVK_Commu_DataSink;

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

// Runs whole PTP transactions over a framing: request, optional data phase in
// one direction, response; the transaction-id bookkeeping, the Device Busy
// repetition and the clean-up after a failed transfer. A data-in phase goes
// to a sink piece by piece, held to the total the camera announced; a phase
// other than announced, or one the sink refuses, fails the transaction
// (kLEMismatch, kLERefused) and, where the camera is still sending, cancels it. Every transport of
// still-image cameras (USB, PTP/IP) uses it; only the framing below differs.
//
// Callable from any thread: the transaction mutex is held over a whole
// transaction, retries and their pauses included, so two transactions never
// interleave on the wire.
class TVK_Commu_PtpTransactionEngine
{
public:
    static constexpr int kBusyRetries = 5;
    static constexpr int kBusyPauseMs = 100;
    // Leftover responses of abandoned transactions read past before giving up.
    static constexpr int kStaleReads = 3;
    // Transactions in a row that time out before the camera counts as gone:
    // one that stalls (after Start Data, say) answers nothing any more, and
    // each further operation would wait its whole time-out for ever.
    static constexpr int kTimeoutsUntilGone = 3;

    enum eLEPhase { kLENoData, kLEDataIn, kLEDataOut };

    struct Request {
        int operationCode = 0;
        int numParams = 0;
        const quint32 *params = nullptr;
        eLEPhase phase = kLENoData;
        const void *dataOut = nullptr;  // kLEDataOut
        quint64 sizeOut = 0;
        // kLEDataIn: the sink the data goes to as it arrives; without one,
        // the caller's buffer (a memory sink over it).
        TVK_Commu_DataSink *sinkIn = nullptr;
        void *bufferIn = nullptr;       // owned by the caller
        unsigned sizeIn = 0;
    };

    struct Outcome {
        TVK_Commu_PtpFramingIF::eLEStatus status = TVK_Commu_PtpFramingIF::kLEOk;
        int responseCode = 0;     // valid when status is kLEOk
        quint64 received = 0;     // data-in bytes the camera sent, up to its total
        int attempts = 0;         // 1 + busy repetitions
        bool dataBegun = false;   // a data phase reached the sink
        bool ok() const { return status == TVK_Commu_PtpFramingIF::kLEOk && responseCode == 0x2001; }
        bool gone() const { return status == TVK_Commu_PtpFramingIF::kLEGone; }
    };

    explicit TVK_Commu_PtpTransactionEngine(std::shared_ptr<TVK_Commu_PtpFramingIF> framing);

    // The next transaction is OpenSession: it goes out with id 0, and ids count
    // from 1 after it.
    void beginSession();
    // Runs one transaction; prefix is the log prefix for failure lines, caller
    // (may be null) the caller's own, which also gets the "successful" line.
    // A transaction that ends the run of kTimeoutsUntilGone time-outs reports
    // kLEGone, and the engine is gone from then on.
    Outcome transact(const Request &request, const char *prefix, const char *caller);
    // The device went away: the transaction on the wire ends with the next
    // transfer, every later or waiting one fails at once.
    void markGone() { m_gone.store(true); }
    bool isGone() const { return m_gone.load(); }
    // The pause before asking a busy camera again; the fuzz targets replay
    // busy answers by the thousand and cannot sleep for each.
    void setBusyPauseMs(int pauseMs) { m_busyPauseMs = pauseMs > 0 ? pauseMs : 0; }

private:
    Outcome runOnce(const Request &request, quint32 transactionId, const char *prefix);
    // Reads containers until one that is not a stale response; false with the
    // outcome filled when the transaction ends there.
    bool receiveCurrent(quint32 transactionId, const char *step, const char *prefix,
                        TVK_Commu_PtpContainer *container, Outcome *outcome);
    Outcome failed(TVK_Commu_PtpFramingIF::eLEStatus status, quint32 transactionId, const char *step,
                   const char *prefix);
    quint32 takeTransactionId();

    std::shared_ptr<TVK_Commu_PtpFramingIF> m_framing;
    std::mutex m_mutex;
    quint32 m_nextTransactionId = 1; // under m_mutex
    int m_timeoutsInARow = 0;        // under m_mutex
    std::atomic<bool> m_gone{false};
    int m_busyPauseMs = kBusyPauseMs;
};
