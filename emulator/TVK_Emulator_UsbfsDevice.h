#pragma once

#include "TVK_Commu_UsbPipeIF.h"

#include <QtGlobal>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

class TVK_Emulator_UsbPipe;
struct usbdevfs_urb;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

// The kernel's usbfs for one mocked device node: answers the ioctls libusb
// sends to /dev/bus/usb/BBB/DDD (URBs submitted, reaped and discarded, the
// interface claimed and released, halts cleared, the capabilities) and moves
// the URBs' bytes through the host's side of the emulator's USB cable. URBs are reaped
// without delay only: libusb polls the node and asks again.
//
// Every ioctl arrives on umockdev's own thread; the faults may be set from
// any thread.
class TVK_Emulator_UsbfsDevice
{
public:
    explicit TVK_Emulator_UsbfsDevice(std::shared_ptr<TVK_Emulator_UsbPipe> device);
    ~TVK_Emulator_UsbfsDevice();

    TVK_Emulator_UsbfsDevice(const TVK_Emulator_UsbfsDevice &) = delete;
    TVK_Emulator_UsbfsDevice &operator=(const TVK_Emulator_UsbfsDevice &) = delete;

    // The device plugged in anew: a new cable from now on.
    void setDevice(std::shared_ptr<TVK_Emulator_UsbPipe> device);

    // What umockdev attaches to the node; owned here.
    UMockdevIoctlBase *handler() const { return m_handler; }

    // --- Faults -----------------------------------------------------------------
    // Claims fail with this errno (0: they succeed), as when another program
    // holds the interface (EBUSY).
    void failClaims(int errnoValue) { m_claimErrno.store(errnoValue); }
    // A kernel driver holds the interface: a plain claim fails with EBUSY,
    // a claim that disconnects it succeeds, and connecting binds it again.
    void bindKernelDriver() { m_driverBound.store(true); }
    // The device stalls an endpoint (0x81, 0x02, 0x83, ...): after urbsFirst
    // more of its URBs have completed, the next one ends with EPIPE, and so
    // does every later one until the host clears the halt.
    void stall(quint8 endpoint, int urbsFirst = 0);
    // Whether the host controller offers scatter-gather (as xHCI does; the
    // default). Without it, as on some embedded hosts, libusb splits every
    // bulk transfer into 16 KiB URBs chained by bulk continuation; a short
    // packet before the chain's last URB ends that URB with EREMOTEIO and the
    // kernel cancels the later ones, so none of them takes the next
    // transfer's bytes. Read by libusb when it opens the device.
    void setScatterGather(bool offered) { m_scatterGather.store(offered); }
    // The device's next bulk-in transfer ends after this many bytes (whole
    // packets) with a zero-length packet, and the rest of it is never sent:
    // a camera whose data phase is shorter than its header says.
    void endTransferEarly(int bytes) { m_bytesUntilEarlyEnd.store(qMax(1, bytes)); }

    // --- What the host did --------------------------------------------------------
    int claims() const { return m_claims.load(); }
    int releases() const { return m_releases.load(); }
    int driverDetaches() const { return m_driverDetaches.load(); }
    bool driverBound() const { return m_driverBound.load(); }
    int urbsSubmitted() const { return m_urbsSubmitted.load(); }
    int clearedHalts() const { return m_clearedHalts.load(); }
    // The same for one endpoint, and the longest URB submitted to it.
    int urbsSubmitted(quint8 endpoint) const { return m_endpoints[slotOf(endpoint)].urbs.load(); }
    int largestUrb(quint8 endpoint) const { return m_endpoints[slotOf(endpoint)].largestUrb.load(); }
    int clearedHalts(quint8 endpoint) const { return m_endpoints[slotOf(endpoint)].clearedHalts.load(); }
    bool isHalted(quint8 endpoint) const { return m_endpoints[slotOf(endpoint)].halted.load(); }

private:
    struct Endpoint {
        std::atomic<int> urbs{0};
        std::atomic<int> largestUrb{0};
        std::atomic<int> stallAfter{-1}; // URBs until the stall; -1: none due
        std::atomic<bool> halted{false};
        std::atomic<int> clearedHalts{0};
        bool chainBroken = false; // umockdev's thread only: continuations refused
    };
    // The kernel's index of an endpoint: its number, with the direction as 0x10.
    static int slotOf(quint8 endpoint) { return (endpoint & 0x0F) | ((endpoint & 0x80) >> 3); }
    // An URB of the endpoint ends now: true when it stalls (its status set).
    bool stallsNow(usbdevfs_urb *urb);
    void countCompleted(quint8 endpoint);
    // After a bulk URB ended early or in error: the chain's later URBs go.
    void breakChain(quint8 endpoint);
    void clearHalt(UMockdevIoctlClient *client, UMockdevIoctlData *arg);

    static int onIoctl(UMockdevIoctlBase *handler, UMockdevIoctlClient *client, void *self);
    bool handle(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void claim(UMockdevIoctlClient *client, UMockdevIoctlData *disconnecting);
    void driverRequest(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void driverName(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    // Runs a control URB's request on the pipe; its status.
    int control(unsigned char *buffer, int length, int *actualLength);
    // Gives a waiting IN URB what the device has sent; false while nothing came.
    bool fill(UMockdevIoctlData *urbData);
    // What the device sends of its transfer into buffer, its early end included.
    TVK_Commu_UsbPipeIF::eLEResult bulkIn(void *buffer, size_t size, size_t *received);

    std::mutex m_deviceMutex;
    std::shared_ptr<TVK_Emulator_UsbPipe> m_pluggedDevice; // guarded by m_deviceMutex
    UMockdevIoctlBase *m_handler = nullptr;
    // umockdev's thread only.
    std::shared_ptr<TVK_Emulator_UsbPipe> m_device; // the plugged one, taken for each ioctl
    std::deque<UMockdevIoctlData *> m_waiting; // IN URBs, in the order submitted
    std::deque<UMockdevIoctlData *> m_reapable;
    std::atomic<int> m_claimErrno{0};
    std::atomic<int> m_claims{0};
    std::atomic<bool> m_driverBound{false};
    std::atomic<bool> m_driverDetached{false};
    std::atomic<int> m_driverDetaches{0};
    std::atomic<int> m_releases{0};
    std::atomic<int> m_urbsSubmitted{0};
    std::atomic<int> m_clearedHalts{0};
    std::atomic<bool> m_scatterGather{true};
    std::atomic<int> m_bytesUntilEarlyEnd{-1}; // -1: the transfer runs to its end
    Endpoint m_endpoints[32];
};
