#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class TVK_Emulator_Camera;
class TVK_Emulator_UsbPipe;
class TVK_Emulator_UsbResponder;
class TVK_Emulator_UsbfsDevice;
typedef struct _UMockdevTestbed UMockdevTestbed;

// A Linux USB bus mocked by umockdev, with one emulated camera on it (more
// can be added): a root hub and, at its first port, a device whose sysfs entry carries a camera's
// descriptors (device, configuration, a still-image interface with bulk in,
// bulk out and interrupt in) and whose /dev/bus/usb node speaks usbfs. The
// real libusb of the process then finds and opens the emulated camera; the
// bytes of its transfers go to the emulator's USB responder.
//
// Needs the process to run under umockdev-wrapper (the preload library);
// build one before the libusb context that is to see it.
class TVK_Emulator_UmockdevBus
{
public:
    static constexpr int kBusNumber = 1;
    static constexpr int kDeviceNumber = 2;
    static constexpr int kPort = 1;
    static constexpr int kPacketSize = 512; // high speed bulk

    static constexpr int kClassStillImage = 6;
    // The camera's endpoints.
    static constexpr quint8 kEndpointBulkIn = 0x81;
    static constexpr quint8 kEndpointBulkOut = 0x02;
    static constexpr quint8 kEndpointInterruptIn = 0x83;

    // The vendor id is the emulator's unless given; a device of another
    // interface class is no camera to a still-image initiator.
    explicit TVK_Emulator_UmockdevBus(int productId, quint16 vendorId = 0, int interfaceClass = kClassStillImage);
    ~TVK_Emulator_UmockdevBus();

    TVK_Emulator_UmockdevBus(const TVK_Emulator_UmockdevBus &) = delete;
    TVK_Emulator_UmockdevBus &operator=(const TVK_Emulator_UmockdevBus &) = delete;

    // False when the process is not under the preload library: no libusb
    // call would reach the mocked bus.
    static bool isMocked();
    // The device id the program's libusb bus gives the camera.
    static QString deviceId();
    static quint16 emulatorVendorId();

    std::shared_ptr<TVK_Emulator_Camera> camera() const { return camera(0); }
    std::shared_ptr<TVK_Emulator_UsbPipe> pipe() const;
    std::shared_ptr<TVK_Emulator_UsbResponder> responder() const { return responder(0); }
    TVK_Emulator_UsbfsDevice &usbfs() const { return usbfs(0); }

    // The kernel's remove uevent, then the device leaves sysfs.
    void announceRemoval();
    // Pulls the cable: the camera is gone and the node answers ENODEV from
    // now on; then the removal is announced.
    void unplug();
    // After a removal: the camera on a new cable, added to sysfs again with
    // the kernel's add uevent.
    void plugIn();

    // The first camera's node without the program's udev rule: nobody may
    // write it (0444, so that the owner is refused as well), or with it
    // (0666). A test running as root must also give up its right to override
    // file permissions to see the difference.
    void setNodeAccessible(bool accessible);

    // --- More cameras ---------------------------------------------------------
    // Another emulated camera at the next port, with the next device number,
    // its own cable and usbfs node (the vendor id is the emulator's). Returns
    // its index: 1 for the first one added; 0 is the camera of the
    // constructor, the one the accessors without an index give.
    int addCamera(int productId);
    int cameraCount() const { return int(m_plugs.size()); }
    static QString deviceId(int index);
    std::shared_ptr<TVK_Emulator_Camera> camera(int index) const;
    std::shared_ptr<TVK_Emulator_UsbResponder> responder(int index) const;
    TVK_Emulator_UsbfsDevice &usbfs(int index) const;

private:
    // One camera on the bus and everything its node needs.
    struct Plug {
        int port = kPort;
        int deviceNumber = kDeviceNumber;
        std::shared_ptr<TVK_Emulator_Camera> camera;
        std::shared_ptr<TVK_Emulator_UsbPipe> pipe;
        std::shared_ptr<TVK_Emulator_UsbResponder> responder;
        std::unique_ptr<TVK_Emulator_UsbfsDevice> usbfs;
        QByteArray record; // the sysfs entry in umockdev's text form
    };

    void addRootHub();
    void plug(int productId, quint16 vendorId, int interfaceClass);
    void addToSysfs(const Plug &plug);
    static void connectCable(Plug &plug);
    static QByteArray cameraPath(int port);
    QByteArray nodeFile(const Plug &plug) const;

    UMockdevTestbed *m_testbed = nullptr;
    std::vector<std::unique_ptr<Plug>> m_plugs; // the constructor's camera first
};
