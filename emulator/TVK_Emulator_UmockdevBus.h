#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class TVK_Emulator_Camera;
class TVK_Emulator_UsbPipe;
class TVK_Emulator_UsbResponder;
class TVK_Emulator_UsbfsDevice;
typedef struct _UMockdevTestbed UMockdevTestbed;

// A Linux USB bus mocked by umockdev, with one emulated camera on it: a root
// hub and, at its first port, a device whose sysfs entry carries a camera's
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

    std::shared_ptr<TVK_Emulator_Camera> camera() const { return m_camera; }
    std::shared_ptr<TVK_Emulator_UsbPipe> pipe() const { return m_pipe; }
    std::shared_ptr<TVK_Emulator_UsbResponder> responder() const { return m_responder; }
    TVK_Emulator_UsbfsDevice &usbfs() const { return *m_usbfs; }

    // The kernel's remove uevent, then the device leaves sysfs.
    void announceRemoval();
    // Pulls the cable: the camera is gone and the node answers ENODEV from
    // now on; then the removal is announced.
    void unplug();
    // After a removal: the camera on a new cable, added to sysfs again with
    // the kernel's add uevent.
    void plugIn();

private:
    void addRootHub();
    void addCamera();
    void connectCable();
    static QByteArray cameraPath();

    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::shared_ptr<TVK_Emulator_UsbPipe> m_pipe;
    std::shared_ptr<TVK_Emulator_UsbResponder> m_responder;
    std::unique_ptr<TVK_Emulator_UsbfsDevice> m_usbfs;
    UMockdevTestbed *m_testbed = nullptr;
    QByteArray m_cameraRecord; // the camera's sysfs entry in umockdev's text form
};
