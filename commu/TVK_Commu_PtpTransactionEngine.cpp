#include "TVK_Commu_PtpTransactionEngine.h"

#include "TVK_Commu_DataPhaseGuard.h"
#include "TVK_Commu_MemorySink.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"

#include <QThread>

#include <algorithm>
#include <mutex>

using namespace TVK_Commu_Ptp;
using Framing = TVK_Commu_PtpFramingIF;
using Container = TVK_Commu_PtpContainer;

TVK_Commu_PtpTransactionEngine::TVK_Commu_PtpTransactionEngine(std::shared_ptr<TVK_Commu_PtpFramingIF> framing)
    : m_framing(std::move(framing))
{
}

void TVK_Commu_PtpTransactionEngine::beginSession()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_nextTransactionId = 0;
}

quint32 TVK_Commu_PtpTransactionEngine::takeTransactionId()
{
    const quint32 id = m_nextTransactionId;
    // 0xFFFFFFFF is reserved and 0 belongs to OpenSession: wrap to 1.
    m_nextTransactionId = id >= 0xFFFFFFFEu ? 1 : id + 1;
    return id;
}

TVK_Commu_PtpTransactionEngine::Outcome TVK_Commu_PtpTransactionEngine::transact(const Request &request,
                                                                                 const char *prefix,
                                                                                 const char *caller)
{
    Outcome outcome;
    if (m_framing == nullptr || m_gone.load()) {
        outcome.status = Framing::kLEGone;
        return outcome;
    }
    const std::lock_guard<std::mutex> locker(m_mutex);
    for (int attempt = 0;; ++attempt) {
        // A transaction that waited for the mutex while the camera was pulled
        // out fails here without touching the wire.
        if (m_gone.load()) {
            outcome.status = Framing::kLEGone;
            return outcome;
        }
        const int attempts = attempt + 1;
        outcome = runOnce(request, takeTransactionId(), prefix);
        outcome.attempts = attempts;
        if (outcome.status != Framing::kLEOk || outcome.responseCode != kRespDeviceBusy || attempt == kBusyRetries)
            break;
        // A sink that took a data phase already is not handed a second one:
        // it may have written it on. The buffer's own sink starts over.
        if (outcome.dataBegun && request.sinkIn != nullptr)
            break;
        // The camera is busy (writing a picture to its card, for example):
        // ask again a little later, still holding the mutex, so that nobody
        // else's transaction slips in between.
        if (m_busyPauseMs > 0)
            QThread::msleep(unsigned(m_busyPauseMs));
    }
    // Any answer at all shows the camera alive; only time-outs with nothing
    // in between add up.
    if (outcome.status == Framing::kLETimeout) {
        if (++m_timeoutsInARow >= kTimeoutsUntilGone) {
            debugLog(kLELogAlways, "%s - Error: %d transactions in a row timed out; the camera is taken as gone",
                     prefix, m_timeoutsInARow);
            m_gone.store(true);
            outcome.status = Framing::kLEGone;
        }
    } else if (outcome.status != Framing::kLEGone) {
        m_timeoutsInARow = 0;
    }
    if (outcome.status != Framing::kLEOk)
        return outcome;
    if (outcome.responseCode != kRespOK) {
        debugLog(kLELogAlways, "%s - MTP Response code: 0x%08X", prefix, unsigned(outcome.responseCode));
        return outcome;
    }
    if (caller)
        debugLog(kLELogCommand, "%s - successful", caller);
    return outcome;
}

TVK_Commu_PtpTransactionEngine::Outcome TVK_Commu_PtpTransactionEngine::failed(Framing::eLEStatus status,
                                                                              quint32 transactionId,
                                                                              const char *step, const char *prefix)
{
    debugLog(kLELogAlways, "%s - Transport error (%s): %s, transaction 0x%08X", prefix, step,
             Framing::statusName(status), transactionId);
    // A transfer that timed out or broke leaves the camera and the pipes in an
    // unknown state: the cancel request brings both back to idle. A camera
    // that is gone has nothing to cancel.
    if (status != Framing::kLEGone)
        m_framing->cancelTransaction(transactionId);
    Outcome outcome;
    outcome.status = status;
    return outcome;
}

bool TVK_Commu_PtpTransactionEngine::receiveCurrent(quint32 transactionId, const char *step, const char *prefix,
                                                    Container *container, Outcome *outcome)
{
    for (int stale = 0;; ++stale) {
        const Framing::eLEStatus status = m_framing->receiveContainer(container);
        if (status != Framing::kLEOk) {
            *outcome = failed(status, transactionId, step, prefix);
            return false;
        }
        if (container->type == Container::kLEData) {
            if (container->transactionId == transactionId)
                return true;
        } else if (container->type == Container::kLEResponse) {
            if (container->transactionId == transactionId)
                return true;
            // The answer to a transaction abandoned earlier (timed out and
            // cancelled) can still arrive afterwards: its id is lower than
            // ours. Skip it and read again, a few times.
            if (container->transactionId < transactionId && stale < kStaleReads) {
                debugLog(kLELogAlways, "%s - stale response 0x%04X of transaction 0x%08X skipped (current 0x%08X)",
                         prefix, container->code, container->transactionId, transactionId);
                continue;
            }
        }
        debugLog(kLELogAlways, "%s - unexpected %s container 0x%04X of transaction 0x%08X (current 0x%08X)", prefix,
                 Container::typeName(container->type), container->code, container->transactionId, transactionId);
        *outcome = failed(Framing::kLEProtocolError, transactionId, step, prefix);
        return false;
    }
}

TVK_Commu_PtpTransactionEngine::Outcome TVK_Commu_PtpTransactionEngine::runOnce(const Request &request,
                                                                                quint32 transactionId,
                                                                                const char *prefix)
{
    Outcome outcome;
    const quint16 code = quint16(request.operationCode);
    Framing::eLEStatus status = m_framing->sendRequest(code, transactionId, request.numParams, request.params);
    if (status != Framing::kLEOk)
        return failed(status, transactionId, "sending request", prefix);

    if (request.phase == kLEDataOut) {
        status = m_framing->sendData(code, transactionId, request.dataOut, request.dataOut ? request.sizeOut : 0);
        if (status != Framing::kLEOk)
            return failed(status, transactionId, "sending data", prefix);
    }

    Container container;
    // Lives over the whole transaction, so that its sink hears the end once
    // whichever way the transaction leaves.
    TVK_Commu_MemorySink bufferSink(request.bufferIn, request.bufferIn ? request.sizeIn : 0);
    TVK_Commu_DataPhaseGuard guard(request.sinkIn != nullptr ? request.sinkIn : &bufferSink, prefix);
    bool mismatch = false;
    if (request.phase == kLEDataIn) {
        if (!receiveCurrent(transactionId, "reading data", prefix, &container, &outcome))
            return outcome;
        if (container.type == Container::kLEResponse) {
            // The camera refused (or was busy) before sending any data: the
            // transaction ends with its response and the sink hears nothing.
            outcome.responseCode = container.code;
            // An OK without the data is no answer for a sink that waits for
            // the data; the buffer calls take it as no data, as ever.
            if (container.code == kRespOK && !guard.toleratesShortPhase()) {
                debugLog(kLELogAlways, "%s - Error: the camera answered OK without the data phase", prefix);
                outcome.status = Framing::kLEMismatch;
            }
            return outcome;
        }
        quint64 received = 0;
        status = m_framing->receivePayload(&guard, &received);
        outcome.dataBegun = guard.begun();
        outcome.received = guard.delivered();
        if (status == Framing::kLERefused && guard.verdict() == TVK_Commu_DataPhaseGuard::kLEMismatch)
            status = Framing::kLEMismatch;
        if (status != Framing::kLEOk) {
            guard.end(TVK_Commu_DataSink::kLEAbandoned);
            Outcome broken = failed(status, transactionId, "reading data", prefix);
            broken.dataBegun = outcome.dataBegun;
            broken.received = outcome.received;
            return broken;
        }
        // Said before the response: a short phase is told as such, and the
        // buffer's sink zeroes what the camera did not fill.
        guard.end(TVK_Commu_DataSink::kLEComplete);
        outcome.received = std::max(received, guard.delivered());
        mismatch = !guard.whole();
    }

    for (;;) {
        if (!receiveCurrent(transactionId, "reading response", prefix, &container, &outcome))
            return outcome;
        if (container.type == Container::kLEResponse)
            break;
        // Data where a response was due (the camera sends a data phase the
        // operation does not have): read it away and wait for the response.
        debugLog(kLELogAlways, "%s - unexpected data phase of 0x%llX bytes dropped", prefix,
                 static_cast<unsigned long long>(container.payloadLength()));
        quint64 dropped = 0;
        status = m_framing->receivePayload(nullptr, &dropped);
        if (status != Framing::kLEOk)
            return failed(status, transactionId, "reading response", prefix);
    }
    outcome.responseCode = container.code;
    // A phase that ended short is over on the wire: nothing to cancel, but
    // the data is not what the camera promised.
    if (mismatch)
        outcome.status = Framing::kLEMismatch;
    return outcome;
}
