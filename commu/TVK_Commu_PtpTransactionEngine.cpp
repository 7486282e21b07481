#include "TVK_Commu_PtpTransactionEngine.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"

#include <QThread>

#include <cstring>
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
    if (request.phase == kLEDataIn) {
        if (!receiveCurrent(transactionId, "reading data", prefix, &container, &outcome))
            return outcome;
        if (container.type == Container::kLEResponse) {
            // The camera refused (or was busy) before sending any data: the
            // transaction ends with its response and the buffer is untouched.
            outcome.responseCode = container.code;
            return outcome;
        }
        unsigned char *buffer = static_cast<unsigned char *>(request.bufferIn);
        const quint64 bufferSize = buffer ? request.sizeIn : 0;
        quint64 received = 0;
        status = m_framing->receivePayload(buffer, bufferSize, &received);
        if (status != Framing::kLEOk)
            return failed(status, transactionId, "reading data", prefix);
        outcome.received = received;
        // The framing wrote straight into the caller's buffer; what the camera
        // did not fill is zeroed, so the buffer holds exactly min(sent, size)
        // camera bytes followed by zeros.
        if (buffer != nullptr && received < bufferSize)
            std::memset(buffer + received, 0, size_t(bufferSize - received));
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
        status = m_framing->receivePayload(nullptr, 0, &dropped);
        if (status != Framing::kLEOk)
            return failed(status, transactionId, "reading response", prefix);
    }
    outcome.responseCode = container.code;
    return outcome;
}
