#include "TVK_Emulator_Camera.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Component.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_LiveView.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_VendorRecords.h"
#include "TVK_Platform_CallQueue.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <memory>

#include <cmath>
#include <mutex>

using namespace TVK_Commu_Ptp;

namespace {

// Standard responses of the session operations, kept here rather than in the
// host's code tables.
constexpr int kRespSessionNotOpen = 0x2003;
constexpr int kRespInvalidParameter = 0x201D;
constexpr int kRespSessionAlreadyOpen = 0x201E;

} // namespace

TVK_Emulator_Camera::TVK_Emulator_Camera(int productId, quint32 seed, QObject *parent)
    : QObject(parent)
    , m_productId(productId)
    , m_profile(TVK_Emulator_Profile::forProduct(productId))
    , m_thread(new QThread)
    , m_threadContext(new TVK_Platform_CallQueue)
    , m_random(seed)
{
    m_thread->setObjectName(QStringLiteral("emulated camera 0x%1").arg(productId, 4, 16, QLatin1Char('0')));
    // The camera's own thread delivers events and runs timed work, as a USB
    // stack's thread would.
    m_threadContext->moveToThread(m_thread);
    // The destructor's wait() learns of the thread's end under Qt's own lock,
    // which ThreadSanitizer cannot see; finished comes from the thread itself.
    QObject::connect(
        m_thread, &QThread::finished, m_thread,
        [thread = m_thread]() { TVK_Platform_ThreadCheck::happensBefore(thread); }, Qt::DirectConnection);
    m_thread->start();

    if (m_profile == nullptr)
        return;
    addComponent(std::make_unique<TVK_Emulator_PropertyStore>(this));
    if (m_profile->settingsKind != TVK_Emulator_Profile::kLEDeviceProperties)
        addComponent(std::make_unique<TVK_Emulator_SettingsRecord>(this));
    addComponent(std::make_unique<TVK_Emulator_VendorRecords>(this));
    addComponent(std::make_unique<TVK_Emulator_LiveView>(this));
    addComponent(std::make_unique<TVK_Emulator_Capture>(this));
}

TVK_Emulator_Camera::~TVK_Emulator_Camera()
{
    m_attached.store(false);
    m_thread->quit();
    m_thread->wait();
    TVK_Platform_ThreadCheck::happensAfter(m_thread);
    delete m_threadContext;
    delete m_thread;
}

void TVK_Emulator_Camera::addComponent(std::unique_ptr<TVK_Emulator_Component> component)
{
    const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
    m_components.push_back(std::move(component));
}

TVK_Emulator_PropertyStore *TVK_Emulator_Camera::properties() const
{
    return component<TVK_Emulator_PropertyStore>();
}

void TVK_Emulator_Camera::setEventHandler(EventHandler handler)
{
    const std::lock_guard<std::mutex> locker(m_handlerMutex);
    m_eventHandler = std::move(handler);
}

void TVK_Emulator_Camera::deliver(const CameraEvent &event)
{
    // Queued to the camera's thread, so events arrive there in the order raised.
    m_threadContext->post([this, event]() {
        // Held during the call, so that once setEventHandler() returns no
        // old handler runs any more and its owner may go away.
        const std::lock_guard<std::mutex> locker(m_handlerMutex);
        if (m_eventHandler)
            m_eventHandler(event);
    });
}

void TVK_Emulator_Camera::raiseEvent(int eventCode, quint32 parameter)
{
    if (!m_attached.load())
        return;
    CameraEvent event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEVendorEvent;
    event.code = eventCode;
    event.hasParameter = true;
    event.parameter = parameter;
    deliver(event);
}

void TVK_Emulator_Camera::raiseBareEvent(int eventCode)
{
    if (!m_attached.load())
        return;
    CameraEvent event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEVendorEvent;
    event.code = eventCode;
    event.hasParameter = false;
    deliver(event);
}

void TVK_Emulator_Camera::raiseObjectAdded(const QString &objectName, quint32 handle)
{
    if (!m_attached.load())
        return;
    CameraEvent event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested;
    event.objectName = objectName;
    event.hasParameter = true;
    event.parameter = handle;
    deliver(event);
}

void TVK_Emulator_Camera::schedule(int delayMs, std::function<void()> work)
{
    const int attachmentNow = m_attachment.load();
    const int scaled = int(std::lround(qMax(0, delayMs) * m_timeScale.load()));
    m_threadContext->post([this, work, attachmentNow, scaled]() {
        QTimer::singleShot(scaled, m_threadContext, [this, work, attachmentNow]() {
            // Work planned before the plug was pulled belongs to the old session.
            if (!m_attached.load() || m_attachment.load() != attachmentNow)
                return;
            const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
            work();
        });
    });
}

void TVK_Emulator_Camera::attach()
{
    const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
    if (m_attached.load())
        return;
    m_vendorSessionOpen = false;
    m_sessionId = 0;
    m_attachment.fetch_add(1);
    m_attached.store(true);
}

void TVK_Emulator_Camera::removeDevice()
{
    if (!m_attached.exchange(false))
        return;
    CameraEvent event;
    event.kind = TVK_Commu_CameraAccess_Base::kLEDeviceRemoved;
    deliver(event);
}

void TVK_Emulator_Camera::setBusyTransactions(int count)
{
    m_busyTransactions.store(count);
}

void TVK_Emulator_Camera::failNextOperation(int operationCode, int responseCode)
{
    const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
    m_failNext.insert(operationCode, responseCode);
}

void TVK_Emulator_Camera::setShortDataOnce(int bytes)
{
    m_shortData.store(bytes);
}

void TVK_Emulator_Camera::cutNextDataIn(int operationCode, int missingBytes)
{
    m_cutMissingBytes.store(0);
    m_cutOperation.store(operationCode);
    m_cutMissingBytes.store(qMax(0, missingBytes));
}

void TVK_Emulator_Camera::setRemoveDuringNextDataIn(bool remove)
{
    m_removeDuringDataIn.store(remove);
}

void TVK_Emulator_Camera::setDataRate(qint64 bytesPerSecond)
{
    m_bytesPerSecond.store(bytesPerSecond);
}

void TVK_Emulator_Camera::setTransactionLatency(qint64 microseconds)
{
    m_latencyMicroseconds.store(qMax<qint64>(0, microseconds));
}

QHash<int, quint64> TVK_Emulator_Camera::transactionCountsByOperation() const
{
    const std::lock_guard<std::mutex> locker(m_countMutex);
    return TVK_Platform_ThreadCheck::unshared(m_countsByOperation);
}

void TVK_Emulator_Camera::resetTransactionCount()
{
    const std::lock_guard<std::mutex> locker(m_countMutex);
    m_countsByOperation.clear();
    m_transactionCount.store(0);
}

void TVK_Emulator_Camera::count(int operationCode)
{
    const std::lock_guard<std::mutex> locker(m_countMutex);
    m_transactionCount.fetch_add(1);
    ++m_countsByOperation[operationCode];
}

void TVK_Emulator_Camera::setTimeScale(double scale)
{
    m_timeScale.store(scale < 0.0 ? 0.0 : scale);
}

double TVK_Emulator_Camera::timeScale() const
{
    return m_timeScale.load();
}

qint64 TVK_Emulator_Camera::setting(eLESetting which, qint64 fallback) const
{
    const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
    for (const std::unique_ptr<TVK_Emulator_Component> &component : m_components) {
        qint64 value = 0;
        if (component->querySetting(which, &value))
            return value;
    }
    return fallback;
}

TVK_Emulator_Action TVK_Emulator_Camera::decodeAction(int operationCode, const QVector<quint32> &params) const
{
    using A = TVK_Emulator_Action;
    const auto p = [&params](int i) { return i < params.size() ? params.at(i) : 0u; };
    A action;
    switch (operationCode) {
    case kOpRelease: {
        switch (p(0)) {
        case 0: action.kind = A::kLERelease; break;
        case 1: action.kind = A::kLEAutoFocusOn; action.value = -1; break;
        case 2: action.kind = A::kLEAutoFocusOff; break;
        case 7: action.kind = A::kLEBulbStart; break;
        case 8: action.kind = A::kLEBulbEnd; break;
        case 9: action.kind = A::kLELensStep; action.value = qint64(qint32(p(1))); break;
        case 10: action.kind = A::kLELensStep; action.value = -qint64(qint32(p(1))); break;
        case 11: action.kind = A::kLELensPosition; action.value = qint32(p(1)); break;
        case 12: action.kind = A::kLEContinuousStart; break;
        case 13: action.kind = A::kLEContinuousEnd; break;
        case 14: action.kind = A::kLEKeepAlive; break;
        case 15: action.kind = A::kLEVideoStart; break;
        case 16: action.kind = A::kLEVideoStop; break;
        case 17: action.kind = A::kLELiveViewOn; action.value = p(1); break;
        case 18: action.kind = A::kLELiveViewOff; action.value = p(1); break;
        case 20: action.kind = A::kLEToggleZoom; break;
        case 21: action.kind = A::kLEFocusCross; action.value = qint32(p(1)); action.value2 = qint32(p(2)); break;
        case 22: action.kind = A::kLELiveViewWhiteBalance; action.value = p(1); break;
        default: break;
        }
        break;
    }
    case kOpInitiateCapture: action.kind = A::kLERelease; break;
    case kOpControlAutoFocus:
        if (p(0) == 0) {
            action.kind = A::kLEAutoFocusOn;
            action.value = params.size() > 1 ? qint64(p(1)) : -1;
        } else {
            action.kind = A::kLEAutoFocusOff;
        }
        break;
    case kOpControlBulbExposure: action.kind = p(0) == 0 ? A::kLEBulbStart : A::kLEBulbEnd; break;
    case kOpControlContinuousExposure: action.kind = p(0) == 0 ? A::kLEContinuousStart : A::kLEContinuousEnd; break;
    case kOpControlVideoRecording:
        switch (p(0)) {
        case 0: action.kind = A::kLEVideoStart; break;
        case 1: action.kind = A::kLEVideoStop; break;
        case 2: action.kind = A::kLELiveViewOn; action.value = 1; break;
        case 3: action.kind = A::kLELiveViewOff; action.value = 1; break;
        default: break;
        }
        break;
    case kOpControlPhotoLiveView:
        action.kind = p(0) == 0 ? A::kLELiveViewOn : A::kLELiveViewOff;
        action.value = 0;
        break;
    case kOpKeepCameraActive: action.kind = A::kLEKeepAlive; break;
    case kOpMoveLens:
        switch (p(0)) {
        case 1: action.kind = A::kLELensStep; action.value = qint32(p(1)); break;
        case 0: action.kind = A::kLELensStep; action.value = -qint64(qint32(p(1))); break;
        case 2: action.kind = A::kLELensPosition; action.value = qint32(p(1)); break;
        default: break;
        }
        break;
    case kOpToggleZoomMode: action.kind = A::kLEToggleZoom; break;
    case kOpSetFocusCrossPosition:
        action.kind = A::kLEFocusCross;
        action.value = qint32(p(0));
        action.value2 = qint32(p(1));
        break;
    case kOpControlLVWhiteBalance:
        action.kind = A::kLELiveViewWhiteBalance;
        action.value = p(0);
        break;
    default:
        break;
    }
    return action;
}

int TVK_Emulator_Camera::runAction(const TVK_Emulator_Action &action)
{
    if (action.kind == TVK_Emulator_Action::kLEKeepAlive)
        return kRespOK;
    for (const std::unique_ptr<TVK_Emulator_Component> &component : m_components) {
        int response = kRespOK;
        if (component->handleAction(action, &response))
            return response;
    }
    return kRespOperationNotSupported;
}

void TVK_Emulator_Camera::answer(TVK_Emulator_Transaction &transaction)
{
    const int op = transaction.operationCode;
    if (m_profile == nullptr) {
        transaction.fail(kRespGeneralError);
        return;
    }
    if (!m_profile->supportsOperation(op)) {
        transaction.fail(kRespOperationNotSupported);
        return;
    }
    // Only the operations that take data from the host may be sent some: a
    // camera refuses a data phase it has no use for rather than drop it.
    if (transaction.dataPhase == TVK_Emulator_Transaction::kLEDataOut && op != kOpSetDevicePropValue
        && op != kOpSetCameraSettings) {
        transaction.fail(kRespGeneralError);
        return;
    }
    switch (op) {
    case kOpGetDeviceInfo:
        transaction.dataIn = m_profile->deviceInfo();
        return;
    case kOpOpenSession:
        // Session 0 is no session; a second open names the one still open.
        if (transaction.param(0) == 0) {
            transaction.fail(kRespInvalidParameter);
        } else if (m_sessionId != 0) {
            transaction.fail(kRespSessionAlreadyOpen);
        } else {
            m_sessionId = transaction.param(0);
        }
        return;
    case kOpCloseSession:
        if (m_sessionId == 0)
            transaction.fail(kRespSessionNotOpen);
        m_sessionId = 0;
        return;
    case kOpOpenVXSession:
    case kOpCloseVXSession:
        if (transaction.param(0) != kVXSessionParameter) {
            transaction.fail(kRespGeneralError);
            return;
        }
        if (op == kOpOpenVXSession && !m_vendorSessionOpen) {
            if (TVK_Emulator_Capture *capture = component<TVK_Emulator_Capture>())
                capture->sessionOpened();
        }
        m_vendorSessionOpen = op == kOpOpenVXSession;
        return;
    default:
        break;
    }

    const TVK_Emulator_Action action = decodeAction(op, transaction.params);
    if (action.kind != TVK_Emulator_Action::kLENone) {
        // A generic initiator learns of the end of its capture by an event.
        TVK_Emulator_Capture *capture = op == kOpInitiateCapture ? component<TVK_Emulator_Capture>() : nullptr;
        if (capture != nullptr)
            capture->setCaptureCompleteDue(true);
        transaction.responseCode = runAction(action);
        if (capture != nullptr && transaction.responseCode != kRespOK)
            capture->setCaptureCompleteDue(false);
        return;
    }
    if (op == kOpRelease) {
        // A stage the camera does not know.
        transaction.fail(kRespGeneralError);
        return;
    }
    for (const std::unique_ptr<TVK_Emulator_Component> &component : m_components) {
        if (component->handleTransaction(transaction))
            return;
    }
    transaction.fail(kRespOperationNotSupported);
}

TVK_Emulator_Camera::Result TVK_Emulator_Camera::transact(int operationCode, const QVector<quint32> &params,
                                                          TVK_Emulator_Transaction::eLEDataPhase dataPhase,
                                                          const QByteArray &dataOut, const AnswerSink &sink)
{
    return run(operationCode, params, dataPhase, dataOut, sink, true);
}

TVK_Emulator_Camera::Result TVK_Emulator_Camera::transactStreamed(int operationCode, const QVector<quint32> &params,
                                                                  TVK_Emulator_Transaction::eLEDataPhase dataPhase,
                                                                  const QByteArray &dataOut, const AnswerSink &sink)
{
    return run(operationCode, params, dataPhase, dataOut, sink, false);
}

TVK_Emulator_Camera::Result TVK_Emulator_Camera::run(int operationCode, const QVector<quint32> &params,
                                                     TVK_Emulator_Transaction::eLEDataPhase dataPhase,
                                                     const QByteArray &dataOut, const AnswerSink &sink, bool whole)
{
    count(operationCode);
    TVK_METHOD(prefix);
    if (!m_attached.load()) {
        // No camera at the other end: the host's stack fails at once.
        Result result;
        result.transportOk = false;
        return result;
    }
    if (quint64(dataOut.size()) > kMaxDataOutBytes) {
        debugLog(kLELogDummy, "%s - data phase of %d bytes for operation 0x%04X refused", prefix,
                 int(dataOut.size()), unsigned(operationCode));
        Result refused;
        refused.responseCode = kRespGeneralError;
        return refused;
    }
    qint64 bytesMoved = 0;
    QElapsedTimer clock;
    clock.start();
    Result result = exchange(operationCode, params.mid(0, TVK_Commu_CameraAccess_Base::kMaxParams), dataPhase,
                             dataOut, &bytesMoved);
    // Shared, not copied, for an answer held as a byte array.
    if (whole)
        result.data = result.source.toByteArray();
    if (sink)
        sink(result);

    // Like a slow cable: the round trip and the bytes take their time, outside
    // the state lock, in one sleep so that short waits do not add up the
    // scheduler's slack twice. A camera reads its card while the cable is
    // busy, so the time spent making the answer is part of that time, not
    // added to it.
    qint64 microseconds = m_latencyMicroseconds.load();
    const qint64 rate = m_bytesPerSecond.load();
    if (rate > 0 && bytesMoved > 0)
        microseconds += bytesMoved * 1000000 / rate;
    if (microseconds > 0)
        microseconds -= clock.nsecsElapsed() / 1000;
    if (microseconds > 0)
        QThread::usleep(static_cast<unsigned long>(microseconds));
    return result;
}

TVK_Emulator_Camera::Result TVK_Emulator_Camera::exchange(int operationCode, const QVector<quint32> &params,
                                                          TVK_Emulator_Transaction::eLEDataPhase dataPhase,
                                                          const QByteArray &dataOut, qint64 *bytesMoved)
{
    Result result;
    if (m_busyTransactions.load() > 0 && m_busyTransactions.fetch_sub(1) > 0) {
        result.responseCode = kRespDeviceBusy;
        return result;
    }

    TVK_Emulator_Transaction transaction;
    transaction.operationCode = operationCode;
    transaction.params = params;
    transaction.dataPhase = dataPhase;
    transaction.dataOut = dataOut;
    {
        const std::lock_guard<std::recursive_mutex> locker(m_stateLock);
        const auto failure = m_failNext.find(operationCode);
        if (failure != m_failNext.end()) {
            result.responseCode = failure.value();
            m_failNext.erase(failure);
            return result;
        }
        answer(transaction);
    }

    result.responseCode = transaction.responseCode;
    result.responseParams = transaction.responseParams;
    if (dataPhase == TVK_Emulator_Transaction::kLEDataIn && result.responseCode == kRespOK) {
        result.source = transaction.dataInPhase();
        const int cut = m_shortData.exchange(-1);
        if (cut >= 0 && cut < result.source.size())
            result.source = result.source.mid(0, cut);
        if (m_cutOperation.load() == operationCode && m_cutMissingBytes.load() > 0) {
            const qint64 missing = m_cutMissingBytes.exchange(0);
            result.source = result.source.mid(0, qMax<qint64>(0, result.source.size() - missing));
        }
        if (m_removeDuringDataIn.exchange(false)) {
            // The cable went during the data phase: part of the data was on its
            // way, but the host never sees the end of the transaction.
            removeDevice();
            result = Result();
            result.transportOk = false;
            return result;
        }
    }
    *bytesMoved = result.source.size() + dataOut.size();
    return result;
}
