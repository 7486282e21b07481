#include "TVK_Commu_CameraAccess_Linux_PTP.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_UsbBus_Libusb.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Debug_Log.h"

#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <mutex>

using namespace TVK_Commu_Ptp;
using Engine = TVK_Commu_PtpTransactionEngine;
using Container = TVK_Commu_PtpContainer;

namespace {

std::mutex g_vendorIdsMutex;
QList<quint16> g_extraVendorIds;

const char *const kBusyWarning =
    "The camera is in use by another program, usually the desktop's camera volume monitor. "
    "Run \"gio mount -s gphoto2\" (or stop gvfs-gphoto2-volume-monitor), then plug the camera in again.";
const char *const kAccessWarning =
    "The camera cannot be opened: no permission on its USB device. Install the program's udev rule "
    "70-norba-pellora.rules (the package puts it into /usr/lib/udev/rules.d, a build from source into "
    "/etc/udev/rules.d), run \"sudo udevadm control --reload-rules\", then plug the camera in again.";

} // namespace

TVK_Commu_CameraAccess_Linux_PTP::TVK_Commu_CameraAccess_Linux_PTP(QObject *parent)
    : TVK_Commu_CameraAccess_Linux_PTP(std::make_unique<TVK_Commu_UsbBus_Libusb>(), parent)
{
}

TVK_Commu_CameraAccess_Linux_PTP::TVK_Commu_CameraAccess_Linux_PTP(std::unique_ptr<TVK_Commu_UsbBusIF> bus,
                                                                   QObject *parent)
    : TVK_Commu_CameraAccess_PtpSession(kConnectionUSB, parent)
    , m_bus(std::move(bus))
    , m_transferTimeoutMs(TVK_Commu_UsbFraming::kDefaultTimeoutMs)
{
    if (m_bus)
        m_bus->setHotplugHandler([this](bool arrived, const QString &deviceId) { catchHotplug(arrived, deviceId); });
}

TVK_Commu_CameraAccess_Linux_PTP::~TVK_Commu_CameraAccess_Linux_PTP()
{
    // No notice may reach a half-destroyed object: the handler goes first.
    if (m_bus)
        m_bus->setHotplugHandler(nullptr);
    unregisterForEventNotifications();
    closePnpSession();
}

// --- Accepted vendor ids ---------------------------------------------------------

void TVK_Commu_CameraAccess_Linux_PTP::setExtraVendorIds(const QList<quint16> &vendorIds)
{
    const std::lock_guard<std::mutex> locker(g_vendorIdsMutex);
    g_extraVendorIds = vendorIds;
}

QList<quint16> TVK_Commu_CameraAccess_Linux_PTP::acceptedVendorIds()
{
    QList<quint16> result;
    for (quint16 id : kBuiltInVendorIds)
        result.append(id);
    const std::lock_guard<std::mutex> locker(g_vendorIdsMutex);
    for (quint16 id : qAsConst(g_extraVendorIds)) {
        if (!result.contains(id))
            result.append(id);
    }
    return result;
}

QList<quint16> TVK_Commu_CameraAccess_Linux_PTP::parseVendorIds(const QString &text)
{
    TVK_METHOD(prefix);
    QList<quint16> result;
    const QStringList words = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        QString digits = word;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            digits = digits.mid(2);
        bool ok = false;
        const uint id = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 4 || id == 0) {
            debugLog(kLELogAlways, "%s - Error: \"%s\" is no USB vendor id; skipped", prefix, qUtf8Printable(word));
            continue;
        }
        if (!result.contains(quint16(id)))
            result.append(quint16(id));
    }
    return result;
}

void TVK_Commu_CameraAccess_Linux_PTP::setTransferTimeoutMs(int timeoutMs)
{
    // Takes effect with the next open.
    m_transferTimeoutMs = qMax(1, timeoutMs);
}

// --- Discovery ----------------------------------------------------------------------

bool TVK_Commu_CameraAccess_Linux_PTP::checkDeviceAvailable()
{
    TVK_METHOD(prefix);
    if (!m_bus)
        return false;
    const QList<quint16> accepted = acceptedVendorIds();
    QVector<KnownDevice> candidates;
    const QVector<TVK_Commu_UsbBusIF::Device> devices = m_bus->stillImageDevices();
    for (const TVK_Commu_UsbBusIF::Device &device : devices) {
        debugLog(kLELogCommand, "%s - PnpDevice: %s vid_%04x&pid_%04x", prefix, qUtf8Printable(device.deviceId),
                 unsigned(device.vendorId), unsigned(device.productId));
        if (!accepted.contains(device.vendorId) || device.productId == 0)
            continue;
        candidates.append(KnownDevice{device.vendorId, device.productId, device.deviceId});
    }
    bool found = false;
    for (const KnownDevice &candidate : qAsConst(candidates)) {
        if (m_knownDevices.contains(candidate))
            continue;
        debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(candidate.cameraId),
                 unsigned(candidate.productId));
        Q_EMIT signalDeviceAvailable(connectionType(), candidate.cameraId, candidate.productId, candidate.deviceId);
        found = true;
    }
    m_knownDevices = candidates;
    // A device that was unplugged is warned about again when it comes back.
    const QList<QString> failed = m_openFailures.keys();
    for (const QString &deviceId : failed) {
        const bool present = std::any_of(candidates.cbegin(), candidates.cend(),
                                         [&deviceId](const KnownDevice &known) { return known.deviceId == deviceId; });
        if (!present)
            m_openFailures.remove(deviceId);
    }
    return found;
}

void TVK_Commu_CameraAccess_Linux_PTP::forgetDevice(const QString &deviceId)
{
    // The next poll announces it again, so that the controller tries again.
    m_knownDevices.erase(std::remove_if(m_knownDevices.begin(), m_knownDevices.end(),
                                        [&deviceId](const KnownDevice &known) { return known.deviceId == deviceId; }),
                         m_knownDevices.end());
}

void TVK_Commu_CameraAccess_Linux_PTP::catchHotplug(bool arrived, const QString &deviceId)
{
    // On the bus's thread.
    if (arrived) {
        // Found now rather than at the next poll. Queued by the slot's name:
        // Qt builds that call itself, unseen by ThreadSanitizer like the post
        // queue that hands it over; a functor would be built here, in our
        // code, and look like a race.
        QMetaObject::invokeMethod(this, "checkDeviceAvailable", Qt::QueuedConnection);
        return;
    }
    // Gone from the list at once: a camera plugged in again before the next
    // poll has the same id and would otherwise never be announced.
    QMetaObject::invokeMethod(this, "forgetDevice", Qt::QueuedConnection, Q_ARG(QString, deviceId));
    QString current;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        current = m_deviceId;
    }
    if (!current.isEmpty() && current == deviceId) {
        debugLog(kLELogCommand, "TVK_Commu_CameraAccess_Linux_PTP::catchHotplug() - %s left",
                 qUtf8Printable(deviceId));
        deviceRemoved();
    }
}

// --- Open and close -------------------------------------------------------------------

bool TVK_Commu_CameraAccess_Linux_PTP::openConnection(quint64 cameraId, int productId, QString deviceId)
{
    TVK_METHOD(prefix);
    if (m_cameraId != 0 || this->productId() != 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(cameraId),
             unsigned(productId));
    beginOpening();
    bool opened = openPnpSession(deviceId);
    if (opened) {
        m_cameraId = cameraId;
        {
            const std::lock_guard<std::mutex> locker(m_deviceMutex);
            m_deviceId = deviceId;
        }
        setProductId(productId);
        opened = openSession();
        if (!opened)
            debugLog(kLELogAlways, "%s - Failed to open a session with %s", prefix, qUtf8Printable(deviceId));
    }
    if (opened) {
        registerForEventNotifications();
        opened = openVXSession();
    }
    if (!opened) {
        // A device that could not be opened is not reported open: there would
        // be a panel on a dead camera. The next poll offers it again.
        abandonOpening();
        unregisterForEventNotifications();
        closePnpSession();
        m_cameraId = 0;
        {
            const std::lock_guard<std::mutex> locker(m_deviceMutex);
            m_deviceId.clear();
        }
        setProductId(0);
        forgetDevice(deviceId);
        return false;
    }
    announceOpened();
    return true;
}

bool TVK_Commu_CameraAccess_Linux_PTP::openPnpSession(const QString &deviceId)
{
    TVK_METHOD(prefix);
    // The event thread of a camera that was unplugged has ended; collect it.
    unregisterForEventNotifications();
    auto error = TVK_Commu_UsbBusIF::kLEFailed;
    QString detail;
    std::shared_ptr<TVK_Commu_UsbPipeIF> pipe = m_bus ? m_bus->open(deviceId, &error, &detail) : nullptr;
    if (!pipe) {
        // The poll tries again every second: the same failure is logged at
        // the 1st, 2nd, 4th, 8th ... attempt in a row only, and warned about
        // once per attachment.
        OpenFailure &failure = m_openFailures[deviceId];
        const bool news = failure.kind != error;
        failure.attempts = news ? 1 : failure.attempts + 1;
        failure.kind = error;
        if ((failure.attempts & (failure.attempts - 1)) == 0)
            debugLog(kLELogAlways, "%s - Failed to Open the device %s: %s (attempt %d)", prefix,
                     qUtf8Printable(deviceId), qUtf8Printable(detail), failure.attempts);
        const char *warning = error == TVK_Commu_UsbBusIF::kLEBusy           ? kBusyWarning
                              : error == TVK_Commu_UsbBusIF::kLEAccessDenied ? kAccessWarning
                                                                             : nullptr;
        if (warning != nullptr && news) {
            debugLog(kLELogAlways, "%s - %s", prefix, warning);
            Q_EMIT signalConnectionWarning(QString::fromUtf8(warning));
        }
        return false;
    }
    // A later failure is news again.
    m_openFailures.remove(deviceId);
    auto framing = std::make_shared<TVK_Commu_UsbFraming>(pipe);
    framing->setTimeoutMs(m_transferTimeoutMs);
    auto engine = std::make_shared<Engine>(framing);
    const std::lock_guard<std::mutex> locker(m_deviceMutex);
    m_pipe = std::move(pipe);
    m_framing = std::move(framing);
    m_engine = std::move(engine);
    return true;
}

void TVK_Commu_CameraAccess_Linux_PTP::closePnpSession()
{
    std::shared_ptr<Engine> engine;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        engine = std::move(m_engine);
        m_framing.reset();
        m_pipe.reset();
    }
    // A transfer thread still holding the engine fails at once from now on;
    // the device closes when the last holder lets go.
    if (engine)
        engine->markGone();
}

bool TVK_Commu_CameraAccess_Linux_PTP::closeConnection()
{
    TVK_METHOD(prefix);
    if (m_cameraId == 0 || productId() == 0)
        return false;
    debugLog(kLELogCommand, "%s - CameraId = 0x%X - ProductId = 0x%X", prefix, unsigned(m_cameraId.load()),
             unsigned(productId()));
    closeVXSession();
    closeSession();
    unregisterForEventNotifications();
    closePnpSession();
    closeDevice();
    return true;
}

void TVK_Commu_CameraAccess_Linux_PTP::closeDevice()
{
    TVK_METHOD(prefix);
    if (!takeOpenDevice(prefix))
        return;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        m_deviceId.clear();
    }
    // The base forgets the product and reports the closed connection once,
    // however many threads noticed the removal.
    TVK_Commu_CameraAccess_Base::deviceRemoved();
}

void TVK_Commu_CameraAccess_Linux_PTP::deviceRemoved()
{
    // From the event thread, the bus's hot-plug thread or a transaction that
    // found the device gone, whichever came first.
    m_stopEvents.store(true);
    closePnpSession();
    closeDevice();
}

// --- Events ---------------------------------------------------------------------------------

void TVK_Commu_CameraAccess_Linux_PTP::registerForEventNotifications()
{
    TVK_METHOD(prefix);
    std::shared_ptr<TVK_Commu_UsbPipeIF> pipe;
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        pipe = m_pipe;
    }
    if (pipe)
        startEventThread([this, pipe]() { readEvents(pipe); }, prefix);
}

void TVK_Commu_CameraAccess_Linux_PTP::unregisterForEventNotifications()
{
    TVK_METHOD(prefix);
    // Never called on the event thread itself: that only reports removals.
    stopEventThread(prefix);
}

void TVK_Commu_CameraAccess_Linux_PTP::readEvents(std::shared_ptr<TVK_Commu_UsbPipeIF> pipe)
{
    TVK_METHOD(prefix);
    // Large enough for an event with all its parameters in whole packets of
    // any endpoint size.
    unsigned char buffer[1024];
    bool reported = false;
    while (!m_stopEvents.load()) {
        size_t received = 0;
        const TVK_Commu_UsbPipeIF::eLEResult result =
            pipe->interruptRead(buffer, sizeof buffer, &received, kEventPollMs);
        if (m_stopEvents.load())
            break;
        switch (result) {
        case TVK_Commu_UsbPipeIF::kLEOk:
            reported = false;
            deliverEvent(buffer, received);
            break;
        case TVK_Commu_UsbPipeIF::kLETimeout:
            // No event in this period: the usual case, not a fault.
            break;
        case TVK_Commu_UsbPipeIF::kLEGone: {
            debugLog(kLELogCommand, "%s - event pipe: device gone", prefix);
            bool current = false;
            {
                const std::lock_guard<std::mutex> locker(m_deviceMutex);
                current = m_pipe == pipe;
            }
            if (current)
                deviceRemoved();
            return;
        }
        case TVK_Commu_UsbPipeIF::kLEIoError:
            if (!reported)
                debugLog(kLELogAlways, "%s - Error: reading the event pipe failed", prefix);
            reported = true;
            // Not a reason to spin: look again a little later.
            QThread::msleep(kEventPollMs / 2);
            break;
        }
    }
}

void TVK_Commu_CameraAccess_Linux_PTP::deliverEvent(const unsigned char *bytes, size_t size)
{
    TVK_METHOD(prefix);
    Container container;
    if (!Container::decode(bytes, size, &container) || container.type != Container::kLEEvent) {
        debugLog(kLELogAlways, "%s - Error: %zu bytes on the event pipe that are no event", prefix, size);
        return;
    }
    deliverEventContainer(container);
}
