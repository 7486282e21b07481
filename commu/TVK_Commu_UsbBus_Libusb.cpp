#include "TVK_Commu_UsbBus_Libusb.h"

#include "TVK_Debug_Log.h"

#include <QStringList>

#include <libusb.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// The still-image class: PTP cameras announce class 6, subclass 1, protocol 1.
constexpr quint8 kClassStillImage = LIBUSB_CLASS_IMAGE;
constexpr quint8 kSubclassStillImage = 1;
constexpr quint8 kProtocolPtp = 1;
// Its class request that abandons a transaction, with the cancellation code.
constexpr quint8 kRequestCancel = 0x64;
constexpr quint16 kCancellationCode = 0x4001;
// Its class request that tells whether the camera is idle: the answer's
// length, the response code, then the numbers of any halted endpoints.
constexpr quint8 kRequestGetDeviceStatus = 0x67;
constexpr int kDeviceStatusRoom = 64;
constexpr int kMaxPortDepth = 8; // the USB limit is 7 tiers

struct Endpoints {
    int interfaceNumber = -1;
    quint8 bulkIn = 0;
    quint8 bulkOut = 0;
    quint8 interruptIn = 0;
    int packetSize = 0;
};

QString deviceIdOf(libusb_device *device)
{
    quint8 ports[kMaxPortDepth];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
    QStringList path;
    for (int i = 0; i < depth; ++i)
        path << QString::number(ports[i]);
    return QStringLiteral("usb:%1-%2")
        .arg(libusb_get_bus_number(device), 3, 10, QLatin1Char('0'))
        .arg(path.join(QLatin1Char('.')));
}

bool findStillImageInterface(libusb_device *device, Endpoints *endpoints)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS
        && libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return false;
    Endpoints found;
    for (int i = 0; i < config->bNumInterfaces && found.interfaceNumber < 0; ++i) {
        const libusb_interface &interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting && found.interfaceNumber < 0; ++a) {
            const libusb_interface_descriptor &alt = interface.altsetting[a];
            if (alt.bInterfaceClass != kClassStillImage || alt.bInterfaceSubClass != kSubclassStillImage
                || alt.bInterfaceProtocol != kProtocolPtp)
                continue;
            found.interfaceNumber = alt.bInterfaceNumber;
            for (int e = 0; e < alt.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor &endpoint = alt.endpoint[e];
                const int type = endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
                const bool in = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
                if (type == LIBUSB_TRANSFER_TYPE_BULK && in) {
                    found.bulkIn = endpoint.bEndpointAddress;
                    found.packetSize = endpoint.wMaxPacketSize & 0x7FF;
                } else if (type == LIBUSB_TRANSFER_TYPE_BULK) {
                    found.bulkOut = endpoint.bEndpointAddress;
                } else if (type == LIBUSB_TRANSFER_TYPE_INTERRUPT && in) {
                    found.interruptIn = endpoint.bEndpointAddress;
                }
            }
        }
    }
    libusb_free_config_descriptor(config);
    *endpoints = found;
    return found.interfaceNumber >= 0 && found.bulkIn != 0 && found.bulkOut != 0;
}

TVK_Commu_UsbPipeIF::eLEResult resultOf(int code)
{
    switch (code) {
    case LIBUSB_SUCCESS:
        return TVK_Commu_UsbPipeIF::kLEOk;
    case LIBUSB_ERROR_TIMEOUT:
        return TVK_Commu_UsbPipeIF::kLETimeout;
    case LIBUSB_ERROR_NO_DEVICE:
        return TVK_Commu_UsbPipeIF::kLEGone;
    default:
        return TVK_Commu_UsbPipeIF::kLEIoError;
    }
}

} // namespace

struct TVK_Commu_UsbBus_Libusb::Context {
    libusb_context *usb = nullptr;
    bool hotplug = false;
    libusb_hotplug_callback_handle hotplugHandle = 0;
    std::thread eventThread;
    std::atomic<bool> stop{false};
    std::mutex handlerMutex;
    HotplugHandler handler;

    ~Context()
    {
        if (usb != nullptr)
            libusb_exit(usb);
    }
};

namespace {

// One claimed still-image interface. Keeps libusb's context alive while open.
class LibusbPipe : public TVK_Commu_UsbPipeIF
{
public:
    LibusbPipe(std::shared_ptr<TVK_Commu_UsbBus_Libusb::Context> context, libusb_device_handle *handle,
               const Endpoints &endpoints)
        : m_context(std::move(context)), m_handle(handle), m_endpoints(endpoints)
    {
    }
    ~LibusbPipe() override
    {
        // Releasing gives a detached kernel driver its device back.
        libusb_release_interface(m_handle, m_endpoints.interfaceNumber);
        libusb_close(m_handle);
    }

    int maxPacketSize() const override { return m_endpoints.packetSize; }

    eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) override
    {
        int transferred = 0;
        const int code = libusb_bulk_transfer(m_handle, m_endpoints.bulkOut,
                                              static_cast<unsigned char *>(const_cast<void *>(data)), int(size),
                                              &transferred, unsigned(timeoutMs));
        if (code == LIBUSB_SUCCESS && size_t(transferred) != size)
            return kLEIoError;
        return resultOf(afterStall(code, m_endpoints.bulkOut));
    }

    eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        int transferred = 0;
        const int code = libusb_bulk_transfer(m_handle, m_endpoints.bulkIn, static_cast<unsigned char *>(buffer),
                                              int(size), &transferred, unsigned(timeoutMs));
        *received = size_t(qMax(0, transferred));
        return resultOf(afterStall(code, m_endpoints.bulkIn));
    }

    eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        *received = 0;
        if (m_endpoints.interruptIn == 0) {
            // A camera without an event endpoint: nothing ever arrives.
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
            return kLETimeout;
        }
        int transferred = 0;
        const int code = libusb_interrupt_transfer(m_handle, m_endpoints.interruptIn,
                                                   static_cast<unsigned char *>(buffer), int(size), &transferred,
                                                   unsigned(timeoutMs));
        *received = size_t(qMax(0, transferred));
        return resultOf(afterStall(code, m_endpoints.interruptIn));
    }

    eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) override
    {
        unsigned char data[6] = {quint8(kCancellationCode & 0xFF), quint8(kCancellationCode >> 8),
                                 quint8(transactionId),        quint8(transactionId >> 8),
                                 quint8(transactionId >> 16),  quint8(transactionId >> 24)};
        const int code = libusb_control_transfer(
            m_handle, LIBUSB_ENDPOINT_OUT | LIBUSB_REQUEST_TYPE_CLASS | LIBUSB_RECIPIENT_INTERFACE, kRequestCancel, 0,
            quint16(m_endpoints.interfaceNumber), data, sizeof data, unsigned(timeoutMs));
        libusb_clear_halt(m_handle, m_endpoints.bulkIn);
        libusb_clear_halt(m_handle, m_endpoints.bulkOut);
        return code < 0 ? resultOf(code) : kLEOk;
    }

    eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) override
    {
        *responseCode = 0;
        unsigned char data[kDeviceStatusRoom] = {};
        const int code = libusb_control_transfer(
            m_handle, LIBUSB_ENDPOINT_IN | LIBUSB_REQUEST_TYPE_CLASS | LIBUSB_RECIPIENT_INTERFACE,
            kRequestGetDeviceStatus, 0, quint16(m_endpoints.interfaceNumber), data, sizeof data, unsigned(timeoutMs));
        if (code < 0)
            return resultOf(code);
        // Shorter than length and code: no answer that can be read.
        if (code < 4)
            return kLEIoError;
        *responseCode = quint16(data[2] | (data[3] << 8));
        return kLEOk;
    }

private:
    // A stalled endpoint stays halted, failing every later transfer, until
    // the host clears it. The transaction's cancel clears both bulk
    // endpoints again, but nothing cancels on the event pipe; so the halt
    // goes here, where it is seen, and the transfer still fails.
    int afterStall(int code, quint8 endpoint)
    {
        if (code != LIBUSB_ERROR_PIPE)
            return code;
        const int cleared = libusb_clear_halt(m_handle, endpoint);
        debugLog(kLELogAlways, "TVK_Commu_UsbBus_Libusb - Error: endpoint 0x%02X stalled; clearing its halt: %s",
                 unsigned(endpoint), libusb_error_name(cleared));
        return code;
    }

    std::shared_ptr<TVK_Commu_UsbBus_Libusb::Context> m_context;
    libusb_device_handle *m_handle;
    const Endpoints m_endpoints;
};

int LIBUSB_CALL onHotplug(libusb_context *, libusb_device *device, libusb_hotplug_event event, void *user)
{
    auto *context = static_cast<TVK_Commu_UsbBus_Libusb::Context *>(user);
    const QString deviceId = deviceIdOf(device);
    std::lock_guard<std::mutex> locker(context->handlerMutex);
    if (context->handler)
        context->handler(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, deviceId);
    return 0; // stay registered
}

} // namespace

TVK_Commu_UsbBus_Libusb::TVK_Commu_UsbBus_Libusb()
    : m_context(std::make_shared<Context>())
{
    TVK_METHOD(prefix);
    const int code = libusb_init(&m_context->usb);
    if (code != LIBUSB_SUCCESS) {
        debugLog(kLELogAlways, "%s - Error: libusb_init failed: %s", prefix, libusb_error_name(code));
        m_context->usb = nullptr;
        return;
    }
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return;
    const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    if (libusb_hotplug_register_callback(m_context->usb, libusb_hotplug_event(events), libusb_hotplug_flag(0),
                                         LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                         onHotplug, m_context.get(), &m_context->hotplugHandle)
        != LIBUSB_SUCCESS)
        return;
    m_context->hotplug = true;
    // Hot-plug callbacks run from libusb's event handling: a thread of ours
    // drives it. Transfers are synchronous and need no help from it.
    Context *context = m_context.get();
    context->eventThread = std::thread([context]() {
        while (!context->stop.load()) {
            timeval timeout{0, 250000};
            libusb_handle_events_timeout_completed(context->usb, &timeout, nullptr);
        }
    });
}

TVK_Commu_UsbBus_Libusb::~TVK_Commu_UsbBus_Libusb()
{
    if (m_context->hotplug) {
        m_context->stop.store(true);
        // Deregistering wakes the event thread up.
        libusb_hotplug_deregister_callback(m_context->usb, m_context->hotplugHandle);
        m_context->eventThread.join();
    }
    // Open pipes keep the context; libusb_exit runs after the last one closed.
}

bool TVK_Commu_UsbBus_Libusb::isUsable() const
{
    return m_context->usb != nullptr;
}

QVector<TVK_Commu_UsbBusIF::Device> TVK_Commu_UsbBus_Libusb::stillImageDevices()
{
    QVector<Device> result;
    if (m_context->usb == nullptr)
        return result;
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context->usb, &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor;
        Endpoints endpoints;
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS
            || !findStillImageInterface(list[i], &endpoints))
            continue;
        result.append(Device{descriptor.idVendor, descriptor.idProduct, deviceIdOf(list[i])});
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    return result;
}

std::shared_ptr<TVK_Commu_UsbPipeIF> TVK_Commu_UsbBus_Libusb::open(const QString &deviceId, eLEOpenError *error,
                                                                   QString *detail)
{
    const auto fail = [error, detail](eLEOpenError kind, const QString &text) {
        *error = kind;
        *detail = text;
        return std::shared_ptr<TVK_Commu_UsbPipeIF>();
    };
    if (m_context->usb == nullptr)
        return fail(kLEFailed, QStringLiteral("libusb is not available"));

    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context->usb, &list);
    libusb_device *device = nullptr;
    for (ssize_t i = 0; i < count && device == nullptr; ++i) {
        if (deviceIdOf(list[i]) == deviceId)
            device = libusb_ref_device(list[i]);
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
    if (device == nullptr)
        return fail(kLENotFound, QStringLiteral("no such device"));

    Endpoints endpoints;
    libusb_device_handle *handle = nullptr;
    int code = findStillImageInterface(device, &endpoints) ? libusb_open(device, &handle) : LIBUSB_ERROR_NOT_FOUND;
    libusb_unref_device(device);
    if (code != LIBUSB_SUCCESS) {
        const QString text = QStringLiteral("libusb_open: %1").arg(QString::fromLatin1(libusb_error_name(code)));
        return fail(code == LIBUSB_ERROR_ACCESS      ? kLEAccessDenied
                    : code == LIBUSB_ERROR_NO_DEVICE ? kLENotFound
                                                     : kLEFailed,
                    text);
    }
    // Not supported everywhere; where it is not, there is no driver to detach.
    libusb_set_auto_detach_kernel_driver(handle, 1);
    code = libusb_claim_interface(handle, endpoints.interfaceNumber);
    if (code != LIBUSB_SUCCESS) {
        libusb_close(handle);
        const QString text =
            QStringLiteral("libusb_claim_interface: %1").arg(QString::fromLatin1(libusb_error_name(code)));
        return fail(code == LIBUSB_ERROR_BUSY        ? kLEBusy
                    : code == LIBUSB_ERROR_NO_DEVICE ? kLENotFound
                    : code == LIBUSB_ERROR_ACCESS    ? kLEAccessDenied
                                                     : kLEFailed,
                    text);
    }
    *error = kLENoError;
    return std::make_shared<LibusbPipe>(m_context, handle, endpoints);
}

bool TVK_Commu_UsbBus_Libusb::setHotplugHandler(HotplugHandler handler)
{
    std::lock_guard<std::mutex> locker(m_context->handlerMutex);
    m_context->handler = std::move(handler);
    return m_context->hotplug;
}
