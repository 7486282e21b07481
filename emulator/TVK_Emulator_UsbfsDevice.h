#pragma once

#include <QtGlobal>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

class TVK_Emulator_UsbPipe;
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

    // --- What the host did --------------------------------------------------------
    int claims() const { return m_claims.load(); }
    int releases() const { return m_releases.load(); }
    int driverDetaches() const { return m_driverDetaches.load(); }
    bool driverBound() const { return m_driverBound.load(); }
    int urbsSubmitted() const { return m_urbsSubmitted.load(); }
    int clearedHalts() const { return m_clearedHalts.load(); }

private:
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
};
