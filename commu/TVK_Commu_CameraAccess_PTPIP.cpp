#include "TVK_Commu_CameraAccess_PTPIP.h"

#include "TVK_App_Identity.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_PtpIpFraming.h"
#include "TVK_Debug_Log.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QUuid>

#include <mutex>
#include <vector>

#include <arpa/inet.h>

using namespace TVK_Commu_Ptp;
using Engine = TVK_Commu_PtpTransactionEngine;
using Container = TVK_Commu_PtpContainer;
using Framing = TVK_Commu_PtpIpFraming;

namespace {

struct Configuration {
    std::mutex mutex;
    TVK_Commu_CameraAccess_PTPIP::Address address;
    int productId = 0;
    QByteArray guid;
};

Configuration &configuration()
{
    static Configuration instance;
    return instance;
}

QString refusalWarning(const TVK_Commu_CameraAccess_PTPIP::Address &address, quint32 reason)
{
    return QStringLiteral("The WLAN camera at %1 refuses the connection (%2). Allow this computer on the camera, "
                          "or end the other program connected to it.")
        .arg(address.text(), QString::fromLatin1(Framing::failReasonName(reason)));
}

} // namespace

// --- Configuration -----------------------------------------------------------------------------

QString TVK_Commu_CameraAccess_PTPIP::Address::deviceId() const
{
    return QStringLiteral("ptpip:%1:%2").arg(host).arg(port);
}

QString TVK_Commu_CameraAccess_PTPIP::Address::text() const
{
    if (host.contains(QLatin1Char(':')))
        return QStringLiteral("[%1]:%2").arg(host).arg(port);
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

bool TVK_Commu_CameraAccess_PTPIP::parseAddress(const QString &text, Address *address, QString *error)
{
    const QString trimmed = text.trimmed();
    QString host = trimmed;
    QString port;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("\"%1\" has no closing ]").arg(text);
            return false;
        }
        host = trimmed.mid(1, close - 1);
        const QString rest = trimmed.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                *error = QStringLiteral("\"%1\" is not [HOST]:PORT").arg(text);
                return false;
            }
            port = rest.mid(1);
            if (port.isEmpty()) {
                *error = QStringLiteral("\"%1\" has an empty port").arg(text);
                return false;
            }
        }
        in6_addr parsed{};
        if (::inet_pton(AF_INET6, host.toLatin1().constData(), &parsed) != 1) {
            *error = QStringLiteral("\"%1\" is no IPv6 address").arg(host);
            return false;
        }
    } else {
        const int colon = trimmed.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            if (trimmed.indexOf(QLatin1Char(':')) != colon) {
                *error = QStringLiteral("\"%1\": write an IPv6 address in brackets, [ADDRESS]:PORT").arg(text);
                return false;
            }
            host = trimmed.left(colon);
            port = trimmed.mid(colon + 1);
            if (port.isEmpty()) {
                *error = QStringLiteral("\"%1\" has an empty port").arg(text);
                return false;
            }
        }
        // A host name or an IPv4 address: letters, digits, dots and dashes.
        static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$"));
        if (!hostName.match(host).hasMatch()) {
            *error = QStringLiteral("\"%1\" is no host name or address").arg(host);
            return false;
        }
    }
    quint16 number = Framing::kDefaultPort;
    if (!port.isEmpty()) {
        bool ok = false;
        const uint value = port.toUInt(&ok, 10);
        if (!ok || value < 1 || value > 65535 || port.startsWith(QLatin1Char('+'))) {
            *error = QStringLiteral("\"%1\" is no port (1 to 65535)").arg(port);
            return false;
        }
        number = quint16(value);
    }
    address->host = host;
    address->port = number;
    return true;
}

void TVK_Commu_CameraAccess_PTPIP::setConfiguredAddress(const Address &address)
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    configuration().address = address;
}

TVK_Commu_CameraAccess_PTPIP::Address TVK_Commu_CameraAccess_PTPIP::configuredAddress()
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    return configuration().address;
}

void TVK_Commu_CameraAccess_PTPIP::setConfiguredProductId(int productId)
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    configuration().productId = productId;
}

int TVK_Commu_CameraAccess_PTPIP::configuredProductId()
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    return configuration().productId;
}

void TVK_Commu_CameraAccess_PTPIP::setGuid(const QByteArray &guid)
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    configuration().guid = guid.size() == Framing::kGuidSize ? guid : QByteArray();
}

QByteArray TVK_Commu_CameraAccess_PTPIP::guid()
{
    const std::lock_guard<std::mutex> locker(configuration().mutex);
    if (configuration().guid.isEmpty())
        configuration().guid = QUuid::createUuid().toRfc4122();
    return configuration().guid;
}

int TVK_Commu_CameraAccess_PTPIP::productIdForModel(const QString &model)
{
    const TVK_Commu_ProductTraits *known = TVK_Commu_ProductTraits::ofModel(model.trimmed());
    return known != nullptr ? known->productId : 0;
}

QString TVK_Commu_CameraAccess_PTPIP::modelOfDeviceInfo(const void *data, size_t size)
{
    TVK_Commu_DataReader reader(data, size);
    reader.u16(); // standard version
    reader.u32(); // vendor extension id
    reader.u16(); // vendor extension version
    reader.skipPtpString();
    reader.u16(); // functional mode
    // Operations, events, properties, capture and image formats: 16-bit codes.
    for (int list = 0; list < 5 && reader.ok(); ++list) {
        const quint64 count = reader.u32();
        if (!reader.ok() || count * 2 > reader.remaining())
            return QString();
        reader.skip(size_t(count * 2));
    }
    reader.skipPtpString(); // manufacturer
    const QString model = reader.ptpString();
    return reader.ok() ? model : QString();
}

// --- Life cycle --------------------------------------------------------------------------------

TVK_Commu_CameraAccess_PTPIP::TVK_Commu_CameraAccess_PTPIP(QObject *parent)
    : TVK_Commu_CameraAccess_PTPIP(configuredAddress(), parent)
{
}

TVK_Commu_CameraAccess_PTPIP::TVK_Commu_CameraAccess_PTPIP(const Address &address, QObject *parent)
    : TVK_Commu_CameraAccess_PtpSession(kConnectionWLAN, parent)
    , m_address(address)
    , m_transferTimeoutMs(Framing::kDefaultTimeoutMs)
{
}

TVK_Commu_CameraAccess_PTPIP::~TVK_Commu_CameraAccess_PTPIP()
{
    // A probe's queued answer dies with the object; the thread itself must
    // end first, without waiting out a lookup.
    m_lookup.stop();
    joinProbe();
    m_stopEvents.store(true);
    closePnpSession();
    unregisterForEventNotifications();
}

// --- Discovery ---------------------------------------------------------------------------------

void TVK_Commu_CameraAccess_PTPIP::joinProbe()
{
    if (m_probeThread.joinable())
        m_probeThread.join();
}

void TVK_Commu_CameraAccess_PTPIP::setInitBackOffMs(int firstMs, int maxMs)
{
    m_initSchedule.setPausesMs(firstMs, maxMs);
}

void TVK_Commu_CameraAccess_PTPIP::backOffInit()
{
    TVK_METHOD(prefix);
    const int pauseMs = m_initSchedule.failed();
    debugLog(kLELogCommand, "%s - next Init Command Request to %s in %d ms at the earliest", prefix,
             qUtf8Printable(m_address.text()), pauseMs);
}

bool TVK_Commu_CameraAccess_PTPIP::checkDeviceAvailable()
{
    const bool announced = m_newSinceCheck.exchange(false);
    if (!m_address.isValid() || m_probePending.load())
        return announced;
    // A second initiator on an open camera would be refused or, worse, taken
    // for us: no probing while connected or connecting.
    if (isOpening())
        return announced;
    if (m_cameraId.load() != 0 || productId() != 0)
        return announced;
    joinProbe();
    m_probePending.store(true);
    const Address address = m_address;
    const QByteArray initiator = guid();
    const int timeoutMs = m_probeTimeoutMs;
    // An announced camera waits for the controller: looking is enough.
    const bool init = !m_announced.load() && m_initSchedule.isDue();
    m_probeThread = std::thread([this, address, initiator, init, timeoutMs]() {
        const ProbeResult result = probe(address, &m_lookup, init, initiator, timeoutMs);
        // Handled in the owner's thread; dropped if the access is gone by then.
        m_probeResults.post([this, result]() { catchProbeResult(result); });
    });
    return announced;
}

TVK_Commu_CameraAccess_PTPIP::ProbeResult TVK_Commu_CameraAccess_PTPIP::probe(const Address &address,
                                                                             TVK_Commu_HostLookup *lookup, bool init,
                                                                             const QByteArray &guid, int timeoutMs)
{
    TVK_METHOD(prefix);
    ProbeResult result;
    const TVK_Commu_HostLookup::Result found = lookup->resolve(address.host, address.port, kLookupTimeoutMs);
    if (!found.ok()) {
        result.result = kLEUnresolved;
        result.lookupError = found.error;
        return result;
    }
    result.endpoints = found.endpoints;
    QElapsedTimer clock;
    clock.start();
    QString error;
    const int socket = Framing::connectTo(found.endpoints, timeoutMs, &error);
    if (socket < 0) {
        debugLog(kLELogCommand, "%s - no camera at %s: %s", prefix, qUtf8Printable(address.text()),
                 qUtf8Printable(error));
        result.result = kLEUnreachable;
        return result;
    }
    Framing framing(socket);
    if (!init) {
        // Connected and closed again without a byte: nothing for a camera to ask its user about.
        debugLog(kLELogCommand, "%s - %s takes connections", prefix, qUtf8Printable(address.text()));
        result.result = kLEReachable;
        return result;
    }
    // A camera is there when it answers the command connection's Init: a port
    // that only accepts (a camera still starting, some other service) is not.
    // The probe's connection is closed at once; the open makes its own.
    framing.setTimeoutMs(int(qMax<qint64>(1, timeoutMs - clock.elapsed())));
    const Framing::InitResult answer
        = framing.initCommand(guid, QString::fromLatin1(TVK_App_Identity::kApplicationDisplayName));
    if (answer.failReason != 0) {
        result.result = kLERefused;
        result.failReason = answer.failReason;
        return result;
    }
    if (answer.status != TVK_Commu_PtpFramingIF::kLEOk) {
        debugLog(kLELogCommand, "%s - no camera at %s: no Init Ack within %d ms (%s)", prefix,
                 qUtf8Printable(address.text()), timeoutMs, TVK_Commu_PtpFramingIF::statusName(answer.status));
        result.result = kLESilent;
        return result;
    }
    debugLog(kLELogCommand, "%s - the camera at %s answers the probe", prefix, qUtf8Printable(address.text()));
    result.result = kLEAnswered;
    return result;
}

void TVK_Commu_CameraAccess_PTPIP::catchProbeResult(const ProbeResult &result)
{
    TVK_METHOD(prefix);
    // Only now has a failed Init moved the schedule on; a probe started
    // between the thread's end and this would introduce us once more.
    m_probePending.store(false);
    if (m_cameraId.load() != 0 || productId() != 0)
        return;
    if (result.result == kLEUnresolved) {
        // Once until it resolves again; the polls go on asking quietly.
        debugLog(m_lookupWarned ? kLELogCommand : kLELogAlways,
                 "%s - %sthe WLAN camera's host %s cannot be looked up: %s", prefix,
                 m_lookupWarned ? "still: " : "Error: ", qUtf8Printable(m_address.host),
                 qUtf8Printable(result.lookupError));
        m_lookupWarned = true;
        m_announced.store(false);
        m_initSchedule.owe();
        return;
    }
    if (m_lookupWarned)
        debugLog(kLELogAlways, "%s - the WLAN camera's host %s is known again", prefix, qUtf8Printable(m_address.host));
    m_lookupWarned = false;
    m_endpoints = result.endpoints;
    switch (result.result) {
    case kLEAnswered: {
        m_warned = false;
        m_initSchedule.answered();
        if (m_announced.exchange(true))
            return;
        const quint64 cameraId = TVK_Commu_CameraAccess_Linux_PTP::kBuiltInVendorIds[0];
        const int product = configuredProductId();
        debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X at %s", prefix, unsigned(cameraId),
                 unsigned(product), qUtf8Printable(m_address.text()));
        m_newSinceCheck.store(true);
        Q_EMIT signalDeviceAvailable(connectionType(), cameraId, product, m_address.deviceId());
        return;
    }
    case kLERefused:
        m_announced.store(false);
        backOffInit();
        // Once while it refuses, however often the back-off asks again.
        if (!m_warned) {
            m_warned = true;
            const QString warning = refusalWarning(m_address, result.failReason);
            debugLog(kLELogAlways, "%s - %s", prefix, qUtf8Printable(warning));
            Q_EMIT signalConnectionWarning(warning);
        }
        return;
    case kLESilent:
        m_announced.store(false);
        backOffInit();
        return;
    case kLEReachable:
        return;
    default:
        // Gone: when it takes connections again, that is worth an Init.
        m_announced.store(false);
        m_initSchedule.owe();
        return;
    }
}

// --- Open and close ------------------------------------------------------------------------------

bool TVK_Commu_CameraAccess_PTPIP::openConnection(quint64 cameraId, int productId, QString deviceId)
{
    TVK_METHOD(prefix);
    if (m_cameraId != 0 || this->productId() != 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X - %s", prefix, unsigned(cameraId),
             unsigned(productId), qUtf8Printable(deviceId));
    if (deviceId != m_address.deviceId()) {
        debugLog(kLELogAlways, "%s - Error: %s is not the camera at %s", prefix, qUtf8Printable(deviceId),
                 qUtf8Printable(m_address.text()));
        return false;
    }
    // A probe still on its way would be a second initiator.
    joinProbe();
    beginOpening();
    bool opened = openPnpSession(m_address);
    if (opened) {
        m_cameraId = cameraId != 0 ? cameraId : quint64(TVK_Commu_CameraAccess_Linux_PTP::kBuiltInVendorIds[0]);
        opened = openSession();
        if (!opened)
            debugLog(kLELogAlways, "%s - Failed to open a session with %s", prefix, qUtf8Printable(deviceId));
    }
    if (opened) {
        const int product = readProductId(productId);
        setProductId(product);
        opened = product != 0;
    }
    if (opened) {
        registerForEventNotifications();
        opened = openVXSession();
    }
    if (!opened) {
        // Not reported open: there would be a panel on a dead camera. The next
        // poll that gets an answer offers it again.
        abandonOpening();
        m_stopEvents.store(true);
        closePnpSession();
        unregisterForEventNotifications();
        m_cameraId = 0;
        setProductId(0);
        m_announced.store(false);
        // Opened again after the back-off, not at the next poll: each try
        // introduces us to the camera anew.
        backOffInit();
        return false;
    }
    m_initSchedule.sessionOpened();
    announceOpened();
    return true;
}

bool TVK_Commu_CameraAccess_PTPIP::openPnpSession(const Address &address)
{
    TVK_METHOD(prefix);
    // The event thread of a connection that was lost has ended; collect it.
    unregisterForEventNotifications();
    const QByteArray initiator = guid();
    const QString name = QString::fromLatin1(TVK_App_Identity::kApplicationDisplayName);

    // Where the probe found the host; a numeric address needs no probe.
    std::vector<TVK_Commu_HostLookup::Endpoint> endpoints = m_endpoints;
    if (endpoints.empty())
        endpoints = TVK_Commu_HostLookup::numeric(address.host, address.port).endpoints;
    if (endpoints.empty()) {
        debugLog(kLELogAlways, "%s - Failed to Open the device %s: its host has not been looked up yet", prefix,
                 qUtf8Printable(address.text()));
        return false;
    }
    QString error;
    const int commandSocket = Framing::connectTo(endpoints, kConnectTimeoutMs, &error);
    if (commandSocket < 0) {
        debugLog(kLELogAlways, "%s - Failed to Open the device %s: %s", prefix, qUtf8Printable(address.text()),
                 qUtf8Printable(error));
        return false;
    }
    auto command = std::make_shared<Framing>(commandSocket);
    command->setTimeoutMs(m_transferTimeoutMs);
    const Framing::InitResult commandInit = command->initCommand(initiator, name);
    if (!commandInit.ok()) {
        if (commandInit.failReason != 0)
            debugLog(kLELogAlways, "%s - Failed to Open the device %s: Init Fail, reason %u (%s)", prefix,
                     qUtf8Printable(address.text()), commandInit.failReason,
                     Framing::failReasonName(commandInit.failReason));
        else
            debugLog(kLELogAlways, "%s - Failed to Open the device %s: command connection: %s", prefix,
                     qUtf8Printable(address.text()), TVK_Commu_PtpFramingIF::statusName(commandInit.status));
        return false;
    }

    const int eventSocket = Framing::connectTo(endpoints, kConnectTimeoutMs, &error);
    if (eventSocket < 0) {
        debugLog(kLELogAlways, "%s - Failed to Open the device %s: event connection: %s", prefix,
                 qUtf8Printable(address.text()), qUtf8Printable(error));
        return false;
    }
    auto events = std::make_shared<Framing>(eventSocket);
    events->setTimeoutMs(m_transferTimeoutMs);
    const Framing::InitResult eventInit = events->initEvent(commandInit.connectionNumber);
    if (!eventInit.ok()) {
        if (eventInit.failReason != 0)
            debugLog(kLELogAlways, "%s - Failed to Open the device %s: Init Fail on the event connection, reason %u (%s)",
                     prefix, qUtf8Printable(address.text()), eventInit.failReason,
                     Framing::failReasonName(eventInit.failReason));
        else
            debugLog(kLELogAlways, "%s - Failed to Open the device %s: event connection: %s", prefix,
                     qUtf8Printable(address.text()), TVK_Commu_PtpFramingIF::statusName(eventInit.status));
        return false;
    }
    debugLog(kLELogCommand, "%s - connected to \"%s\" at %s, connection %u", prefix,
             qUtf8Printable(commandInit.responderName), qUtf8Printable(address.text()), commandInit.connectionNumber);

    auto engine = std::make_shared<Engine>(command);
    m_stopEvents.store(false);
    const std::lock_guard<std::mutex> locker(m_deviceMutex);
    m_command = std::move(command);
    m_events = std::move(events);
    m_engine = std::move(engine);
    return true;
}

void TVK_Commu_CameraAccess_PTPIP::closePnpSession()
{
    std::shared_ptr<Engine> engine;
    std::shared_ptr<Framing> command;
    std::shared_ptr<Framing> events;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        engine = std::move(m_engine);
        command = std::move(m_command);
        events = std::move(m_events);
    }
    // A transfer thread still holding the engine fails at once from now on, a
    // read blocked on either connection returns; the sockets close when the
    // last holder lets go.
    if (engine)
        engine->markGone();
    if (command)
        command->shutdown();
    if (events)
        events->shutdown();
}

int TVK_Commu_CameraAccess_PTPIP::readProductId(int announcedProductId)
{
    TVK_METHOD(prefix);
    // A camera on the network has no USB product id: the model name in its
    // DeviceInfo says which product it is, unless the configuration of the
    // address says so (a model this program does not know by name).
    std::vector<unsigned char> buffer(kDeviceInfoSize);
    Engine::Request request;
    request.operationCode = kOpGetDeviceInfo;
    request.phase = Engine::kLEDataIn;
    request.bufferIn = buffer.data();
    request.sizeIn = unsigned(buffer.size());
    const std::shared_ptr<Engine> engine = currentEngine();
    QString model;
    if (engine) {
        const Engine::Outcome outcome = engine->transact(request, prefix, nullptr);
        if (outcome.gone() && currentEngine() == engine)
            deviceRemoved();
        if (outcome.ok())
            model = modelOfDeviceInfo(buffer.data(), size_t(qMin<quint64>(outcome.received, buffer.size())));
        else
            debugLog(kLELogAlways, "%s - Error: no DeviceInfo", prefix);
    }
    const int configured = announcedProductId != 0 ? announcedProductId : configuredProductId();
    if (configured != 0) {
        debugLog(kLELogCommand, "%s - product id 0x%04X from the configuration of %s (model \"%s\")", prefix,
                 unsigned(configured), qUtf8Printable(m_address.text()), qUtf8Printable(model));
        return configured;
    }
    const int fromModel = productIdForModel(model);
    if (fromModel != 0) {
        debugLog(kLELogCommand, "%s - product id 0x%04X from the model name \"%s\"", prefix, unsigned(fromModel),
                 qUtf8Printable(model));
        return fromModel;
    }
    debugLog(kLELogAlways,
             "%s - Error: the camera at %s reports the unknown model \"%s\" and no product id is configured "
             "for it (WlanCameraProductId)",
             prefix, qUtf8Printable(m_address.text()), qUtf8Printable(model));
    return 0;
}

bool TVK_Commu_CameraAccess_PTPIP::closeConnection()
{
    TVK_METHOD(prefix);
    if (m_cameraId == 0 || productId() == 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(m_cameraId.load()),
             unsigned(productId()));
    closeVXSession();
    closeSession();
    m_stopEvents.store(true);
    closePnpSession();
    unregisterForEventNotifications();
    closeDevice();
    return true;
}

void TVK_Commu_CameraAccess_PTPIP::closeDevice()
{
    TVK_METHOD(prefix);
    if (!takeOpenDevice(prefix))
        return;
    // Introduced and announced again once it answers again.
    m_announced.store(false);
    m_initSchedule.owe();
    // The base forgets the product and reports the closed connection once,
    // however many threads noticed the loss.
    TVK_Commu_CameraAccess_Base::deviceRemoved();
}

void TVK_Commu_CameraAccess_PTPIP::deviceRemoved()
{
    // From the event thread, or a transaction that found the connection
    // gone, whichever came first.
    m_stopEvents.store(true);
    closePnpSession();
    closeDevice();
}

// --- Events ------------------------------------------------------------------------------------

void TVK_Commu_CameraAccess_PTPIP::registerForEventNotifications()
{
    TVK_METHOD(prefix);
    std::shared_ptr<Framing> events;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        events = m_events;
    }
    if (events)
        startEventThread([this, events]() { readEvents(events); }, prefix);
}

void TVK_Commu_CameraAccess_PTPIP::unregisterForEventNotifications()
{
    TVK_METHOD(prefix);
    // Never called on the event thread itself: that only reports a loss.
    stopEventThread(prefix);
}

void TVK_Commu_CameraAccess_PTPIP::readEvents(std::shared_ptr<Framing> events)
{
    TVK_METHOD(prefix);
    while (!m_stopEvents.load()) {
        Container event;
        const TVK_Commu_PtpFramingIF::eLEStatus status = events->receiveEvent(&event, kEventPollMs);
        if (m_stopEvents.load())
            break;
        switch (status) {
        case TVK_Commu_PtpFramingIF::kLEOk:
            deliverEventContainer(event);
            break;
        case TVK_Commu_PtpFramingIF::kLETimeout:
            // No event in this period: the usual case, not a fault.
            break;
        case TVK_Commu_PtpFramingIF::kLEProtocolError:
        case TVK_Commu_PtpFramingIF::kLERefused:
        case TVK_Commu_PtpFramingIF::kLEMismatch:
            // Logged by the framing; the connection is still in step.
            break;
        case TVK_Commu_PtpFramingIF::kLEGone:
        case TVK_Commu_PtpFramingIF::kLEIoError: {
            debugLog(kLELogCommand, "%s - event connection lost", prefix);
            bool current = false;
            {
                const std::lock_guard<std::mutex> locker(m_deviceMutex);
                current = m_events == events;
            }
            if (current)
                deviceRemoved();
            return;
        }
        }
    }
}
