#include "TVK_Emulator_UsbfsDevice.h"

#include "TVK_Emulator_UsbPipe.h"

#include <QtDebug>

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The still-image class's requests, with the layouts of their data phases.
constexpr quint8 kRequestCancel = 0x64;
constexpr quint8 kRequestDeviceReset = 0x66;
constexpr quint8 kRequestGetDeviceStatus = 0x67;
constexpr int kSetupSize = 8;
constexpr int kCancelDataSize = 6;
constexpr quint16 kCancellationCode = 0x4001;
constexpr int kDeviceStatusSize = 4;
constexpr quint8 kDirectionIn = 0x80;
// The kernel driver that holds the interface when one is bound.
constexpr char kDriverName[] = "usb-storage";

// What a current kernel offers on a host controller with scatter-gather (as
// xHCI has): libusb then submits one URB per transfer of any size. Without
// it libusb splits a transfer into 16 KiB URBs chained by bulk continuation.
constexpr quint32 kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION
                                  | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

bool isBulk(const usbdevfs_urb *urb)
{
    return urb->type == USBDEVFS_URB_TYPE_BULK;
}

// A status that ends a chain of continued bulk URBs: anything but success
// and the host's own unlinking.
bool breaksChain(int status)
{
    return status != 0 && status != -ENOENT && status != -ECONNRESET;
}

usbdevfs_urb *urbOf(UMockdevIoctlData *data)
{
    return reinterpret_cast<usbdevfs_urb *>(data->data);
}

int statusOf(TVK_Commu_UsbPipeIF::eLEResult result)
{
    switch (result) {
    case TVK_Commu_UsbPipeIF::kLEOk:
        return 0;
    case TVK_Commu_UsbPipeIF::kLEGone:
        return -ENODEV; // what the kernel gives the URBs of an unplugged device
    case TVK_Commu_UsbPipeIF::kLETimeout:
        return -ETIMEDOUT;
    case TVK_Commu_UsbPipeIF::kLEIoError:
        break;
    }
    return -EOVERFLOW; // the emulated cable's one error: a packet too long for the buffer
}

} // namespace

TVK_Emulator_UsbfsDevice::TVK_Emulator_UsbfsDevice(std::shared_ptr<TVK_Emulator_UsbPipe> device)
    : m_pluggedDevice(std::move(device)), m_handler(umockdev_ioctl_base_new())
{
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&TVK_Emulator_UsbfsDevice::onIoctl), this);
}

TVK_Emulator_UsbfsDevice::~TVK_Emulator_UsbfsDevice()
{
    g_signal_handlers_disconnect_by_data(m_handler, this);
    for (UMockdevIoctlData *urb : m_waiting)
        umockdev_ioctl_data_unref(urb);
    for (UMockdevIoctlData *urb : m_reapable)
        umockdev_ioctl_data_unref(urb);
    g_object_unref(m_handler);
}

void TVK_Emulator_UsbfsDevice::setDevice(std::shared_ptr<TVK_Emulator_UsbPipe> device)
{
    const std::lock_guard<std::mutex> locker(m_deviceMutex);
    m_pluggedDevice = std::move(device);
}

int TVK_Emulator_UsbfsDevice::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    return static_cast<TVK_Emulator_UsbfsDevice *>(self)->handle(client) ? TRUE : FALSE;
}

bool TVK_Emulator_UsbfsDevice::handle(UMockdevIoctlClient *client)
{
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    {
        const std::lock_guard<std::mutex> locker(m_deviceMutex);
        m_device = m_pluggedDevice;
    }
    // An unplugged device answers nothing but the reaping of its last URBs.
    if (m_device->isUnplugged() && request != USBDEVFS_REAPURB && request != USBDEVFS_REAPURBNDELAY) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(quint32), nullptr);
        const quint32 value =
            kCapabilities | (m_scatterGather.load() ? quint32(USBDEVFS_CAP_BULK_SCATTER_GATHER) : 0u);
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_data_unref(caps);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
        claim(client, nullptr);
        return true;
    case USBDEVFS_DISCONNECT_CLAIM: {
        UMockdevIoctlData *claimed = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_disconnect_claim), nullptr);
        claim(client, claimed);
        umockdev_ioctl_data_unref(claimed);
        return true;
    }
    case USBDEVFS_RELEASEINTERFACE:
        m_releases.fetch_add(1);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_GETDRIVER:
        driverName(client, arg);
        return true;
    case USBDEVFS_IOCTL:
        driverRequest(client, arg);
        return true;
    case USBDEVFS_CLEAR_HALT:
        clearHalt(client, arg);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(client, arg);
        return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client, arg);
        return true;
    case USBDEVFS_DISCARDURB:
        discard(client, arg);
        return true;
    default:
        qWarning("usbfs: ioctl 0x%lx is not emulated", request);
        return false;
    }
}

void TVK_Emulator_UsbfsDevice::claim(UMockdevIoctlClient *client, UMockdevIoctlData *disconnecting)
{
    const int error = m_claimErrno.load();
    if (error != 0) {
        umockdev_ioctl_client_complete(client, -1, error);
        return;
    }
    if (m_driverBound.load()) {
        const auto *request =
            disconnecting != nullptr ? reinterpret_cast<const usbdevfs_disconnect_claim *>(disconnecting->data) : nullptr;
        const bool named = request != nullptr && std::strncmp(request->driver, kDriverName, sizeof request->driver) == 0;
        const bool detach = request != nullptr
                            && (((request->flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER) == 0 || named)
                                && ((request->flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER) == 0 || !named));
        if (!detach) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return;
        }
        m_driverBound.store(false);
        m_driverDetached.store(true);
        m_driverDetaches.fetch_add(1);
    }
    m_claims.fetch_add(1);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void TVK_Emulator_UsbfsDevice::driverName(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    if (!m_driverBound.load()) {
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        return;
    }
    UMockdevIoctlData *answer = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
    auto *driver = reinterpret_cast<usbdevfs_getdriver *>(answer->data);
    std::memset(driver->driver, 0, sizeof driver->driver);
    std::memcpy(driver->driver, kDriverName, sizeof kDriverName);
    umockdev_ioctl_data_unref(answer);
    umockdev_ioctl_client_complete(client, 0, 0);
}

// The kernel's driver requests for an interface: disconnect its driver, or
// connect one again (the one disconnected before, if any).
void TVK_Emulator_UsbfsDevice::driverRequest(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
    const int code = reinterpret_cast<const usbdevfs_ioctl *>(data->data)->ioctl_code;
    umockdev_ioctl_data_unref(data);
    if (code == int(USBDEVFS_DISCONNECT) && m_driverBound.exchange(false)) {
        m_driverDetached.store(true);
        m_driverDetaches.fetch_add(1);
        umockdev_ioctl_client_complete(client, 0, 0);
    } else if (code == int(USBDEVFS_CONNECT) && !m_driverBound.load()) {
        if (m_driverDetached.exchange(false))
            m_driverBound.store(true);
        umockdev_ioctl_client_complete(client, 0, 0);
    } else {
        umockdev_ioctl_client_complete(client, -1, code == int(USBDEVFS_CONNECT) ? EBUSY : ENODATA);
    }
}

void TVK_Emulator_UsbfsDevice::submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb *urb = urbOf(urbData);
    const int length = urb->buffer_length;
    if (length < 0 || (urb->type == USBDEVFS_URB_TYPE_CONTROL && length < kSetupSize)
        || (urb->type != USBDEVFS_URB_TYPE_CONTROL && urb->type != USBDEVFS_URB_TYPE_BULK
            && urb->type != USBDEVFS_URB_TYPE_INTERRUPT)) {
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    if (length > 0) {
        // Points the URB at a copy of the host's buffer, written back when reaped.
        UMockdevIoctlData *buffer =
            umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), gsize(length), nullptr);
        if (buffer != nullptr)
            umockdev_ioctl_data_unref(buffer);
    }
    Endpoint &endpoint = m_endpoints[slotOf(urb->endpoint)];
    if (isBulk(urb)) {
        // A new transfer opens the endpoint again; a continuation of one that
        // ended early or failed is refused, as the kernel does.
        if ((urb->flags & USBDEVFS_URB_BULK_CONTINUATION) == 0) {
            endpoint.chainBroken = false;
        } else if (endpoint.chainBroken) {
            umockdev_ioctl_data_unref(urbData);
            umockdev_ioctl_client_complete(client, -1, EREMOTEIO);
            return;
        }
    }
    m_urbsSubmitted.fetch_add(1);
    if (urb->type != USBDEVFS_URB_TYPE_CONTROL) {
        endpoint.urbs.fetch_add(1);
        int largest = endpoint.largestUrb.load();
        while (length > largest && !endpoint.largestUrb.compare_exchange_weak(largest, length)) {
        }
    }
    urb->actual_length = 0;
    urb->status = 0;
    unsigned char *bytes = static_cast<unsigned char *>(urb->buffer);
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        urb->status = control(bytes, length, &urb->actual_length);
        m_reapable.push_back(urbData);
    } else if ((urb->endpoint & kDirectionIn) == 0) {
        // The emulated cable takes a bulk-out transfer at once, whatever its size.
        if (!stallsNow(urb)) {
            urb->status = statusOf(m_device->bulkWrite(bytes, size_t(length), 0));
            urb->actual_length = urb->status == 0 ? length : 0;
            countCompleted(urb->endpoint);
        }
        m_reapable.push_back(urbData);
        if (isBulk(urb) && breaksChain(urb->status))
            breakChain(urb->endpoint);
    } else {
        m_waiting.push_back(urbData);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool TVK_Emulator_UsbfsDevice::stallsNow(usbdevfs_urb *urb)
{
    Endpoint &endpoint = m_endpoints[slotOf(urb->endpoint)];
    int due = 0;
    if (!endpoint.halted.load() && !endpoint.stallAfter.compare_exchange_strong(due, -1))
        return false;
    endpoint.halted.store(true);
    urb->status = -EPIPE;
    urb->actual_length = 0;
    return true;
}

void TVK_Emulator_UsbfsDevice::countCompleted(quint8 address)
{
    std::atomic<int> &due = m_endpoints[slotOf(address)].stallAfter;
    int left = due.load();
    while (left > 0 && !due.compare_exchange_weak(left, left - 1)) {
    }
}

void TVK_Emulator_UsbfsDevice::stall(quint8 endpoint, int urbsFirst)
{
    m_endpoints[slotOf(endpoint)].stallAfter.store(qMax(0, urbsFirst));
}

void TVK_Emulator_UsbfsDevice::clearHalt(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
    unsigned int address = 0;
    if (data != nullptr) {
        std::memcpy(&address, data->data, sizeof address);
        umockdev_ioctl_data_unref(data);
    }
    Endpoint &endpoint = m_endpoints[slotOf(quint8(address))];
    endpoint.halted.store(false);
    endpoint.clearedHalts.fetch_add(1);
    m_clearedHalts.fetch_add(1);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void TVK_Emulator_UsbfsDevice::breakChain(quint8 address)
{
    m_endpoints[slotOf(address)].chainBroken = true;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        usbdevfs_urb *urb = urbOf(*it);
        if (urb->endpoint == address && isBulk(urb) && (urb->flags & USBDEVFS_URB_BULK_CONTINUATION) != 0) {
            urb->status = -ECONNRESET; // unlinked by the kernel
            urb->actual_length = 0;
            m_reapable.push_back(*it);
            it = m_waiting.erase(it);
        } else {
            ++it;
        }
    }
}

int TVK_Emulator_UsbfsDevice::control(unsigned char *buffer, int length, int *actualLength)
{
    const quint8 requestType = buffer[0];
    const quint8 request = buffer[1];
    const int dataLength = buffer[6] | (buffer[7] << 8);
    unsigned char *data = buffer + kSetupSize;
    if (dataLength > length - kSetupSize)
        return -EINVAL;
    if (request == kRequestCancel && (requestType & kDirectionIn) == 0 && dataLength >= kCancelDataSize
        && (data[0] | data[1] << 8) == kCancellationCode) {
        const quint32 transactionId = quint32(data[2]) | quint32(data[3]) << 8 | quint32(data[4]) << 16
                                      | quint32(data[5]) << 24;
        *actualLength = dataLength;
        return statusOf(m_device->cancelTransaction(transactionId, 0));
    }
    if (request == kRequestDeviceReset && (requestType & kDirectionIn) == 0 && dataLength == 0) {
        // The host gives up on whatever state the device is in (gphoto2
        // sends it when OpenSession fails): back to no session at all.
        *actualLength = 0;
        return statusOf(m_device->resetDevice());
    }
    if (request == kRequestGetDeviceStatus && (requestType & kDirectionIn) != 0 && dataLength >= kDeviceStatusSize) {
        quint16 code = 0;
        const TVK_Commu_UsbPipeIF::eLEResult result = m_device->deviceStatus(&code, 0);
        if (result != TVK_Commu_UsbPipeIF::kLEOk)
            return result == TVK_Commu_UsbPipeIF::kLEGone ? -ENODEV : -EPIPE;
        const unsigned char answer[kDeviceStatusSize] = {kDeviceStatusSize, 0, quint8(code), quint8(code >> 8)};
        std::memcpy(data, answer, sizeof answer);
        *actualLength = kDeviceStatusSize;
        return 0;
    }
    // A request the device does not know: it stalls endpoint 0.
    return -EPIPE;
}

bool TVK_Emulator_UsbfsDevice::fill(UMockdevIoctlData *urbData)
{
    usbdevfs_urb *urb = urbOf(urbData);
    // A stalled endpoint answers at once, whatever the device has queued;
    // the cancel that follows a stall drops that.
    if (stallsNow(urb))
        return true;
    size_t received = 0;
    const TVK_Commu_UsbPipeIF::eLEResult result =
        urb->type == USBDEVFS_URB_TYPE_INTERRUPT
            ? m_device->interruptRead(urb->buffer, size_t(urb->buffer_length), &received, 0)
            : bulkIn(urb->buffer, size_t(urb->buffer_length), &received);
    if (result == TVK_Commu_UsbPipeIF::kLETimeout)
        return false;
    countCompleted(urb->endpoint);
    urb->actual_length = int(received);
    urb->status = statusOf(result);
    // A short packet in an URB that must be filled ends its chain.
    if (urb->status == 0 && isBulk(urb) && (urb->flags & USBDEVFS_URB_SHORT_NOT_OK) != 0
        && urb->actual_length < urb->buffer_length)
        urb->status = -EREMOTEIO;
    return true;
}

TVK_Commu_UsbPipeIF::eLEResult TVK_Emulator_UsbfsDevice::bulkIn(void *buffer, size_t size, size_t *received)
{
    const int left = m_bytesUntilEarlyEnd.load();
    if (left < 0)
        return m_device->bulkRead(buffer, size, received, 0);
    *received = 0;
    if (left == 0) {
        // The zero-length packet after a last full URB.
        m_bytesUntilEarlyEnd.store(-1);
        return TVK_Commu_UsbPipeIF::kLEOk;
    }
    const size_t room = std::min(size, size_t(left));
    const TVK_Commu_UsbPipeIF::eLEResult result = m_device->bulkRead(buffer, room, received, 0);
    if (result != TVK_Commu_UsbPipeIF::kLEOk)
        return result;
    if (*received < room) {
        m_bytesUntilEarlyEnd.store(-1); // the transfer ended by itself before
        return result;
    }
    if (*received < size_t(left)) {
        m_bytesUntilEarlyEnd.store(left - int(*received));
        return result;
    }
    // The end: what the transfer still holds is never sent, up to the packet
    // that ends it; the zero-length packet ends this URB, or the next when
    // this one is full.
    std::vector<unsigned char> rest(1024 * 1024);
    size_t dropped = rest.size();
    while (dropped == rest.size()
           && m_device->bulkRead(rest.data(), rest.size(), &dropped, 0) == TVK_Commu_UsbPipeIF::kLEOk) {
    }
    m_bytesUntilEarlyEnd.store(room < size ? -1 : 0);
    return result;
}

void TVK_Emulator_UsbfsDevice::reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    // The URBs of one endpoint complete in the order they were submitted: once
    // one of them waits, the later ones do too.
    bool blocked[32] = {};
    for (size_t i = 0; i < m_waiting.size();) {
        UMockdevIoctlData *urbData = m_waiting[i];
        usbdevfs_urb *urb = urbOf(urbData);
        const int slot = slotOf(urb->endpoint);
        if (blocked[slot] || !fill(urbData)) {
            blocked[slot] = true;
            ++i;
            continue;
        }
        m_waiting.erase(m_waiting.begin() + std::ptrdiff_t(i));
        m_reapable.push_back(urbData);
        // Only later URBs of the same endpoint go: the index stays right.
        if (isBulk(urb) && breaksChain(urb->status))
            breakChain(urb->endpoint);
    }
    if (m_reapable.empty()) {
        umockdev_ioctl_client_complete(client, -1, m_device->isUnplugged() ? ENODEV : EAGAIN);
        return;
    }
    UMockdevIoctlData *urbData = m_reapable.front();
    m_reapable.pop_front();
    UMockdevIoctlData *slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
    umockdev_ioctl_data_set_ptr(slot, 0, urbData);
    umockdev_ioctl_data_unref(slot);
    umockdev_ioctl_data_unref(urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void TVK_Emulator_UsbfsDevice::discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
        if ((*it)->client_addr == address) {
            urbOf(*it)->status = -ENOENT; // unlinked: reaped as cancelled
            m_reapable.push_back(*it);
            m_waiting.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    // Completed meanwhile: the host reaps it as it is.
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}
