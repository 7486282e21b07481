#include "TVK_Emulator_UmockdevBus.h"

#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Emulator_UsbfsDevice.h"

#include <QByteArray>
#include <QtDebug>

#include <umockdev.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr int kInterruptPacketSize = 8;
constexpr int kInterruptInterval = 9;

void appendWord(QByteArray &bytes, int value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

// The standard device descriptor (USB 2.0, class given per interface).
QByteArray deviceDescriptor(int deviceClass, quint16 vendorId, quint16 productId)
{
    QByteArray bytes;
    bytes.append(char(18)).append(char(1));
    appendWord(bytes, 0x0200);
    bytes.append(char(deviceClass)).append(char(0)).append(char(0)).append(char(64));
    appendWord(bytes, vendorId);
    appendWord(bytes, productId);
    appendWord(bytes, 0x0100);
    bytes.append(char(1)).append(char(2)).append(char(3)).append(char(1));
    return bytes;
}

void appendEndpoint(QByteArray &bytes, quint8 address, int type, int packetSize, int interval)
{
    bytes.append(char(7)).append(char(5)).append(char(address)).append(char(type));
    appendWord(bytes, packetSize);
    bytes.append(char(interval));
}

// One configuration with one interface of the given class and its endpoints.
QByteArray configuration(int interfaceClass, int subclass, int protocol, const QByteArray &endpoints)
{
    QByteArray bytes;
    bytes.append(char(9)).append(char(2));
    appendWord(bytes, 9 + 9 + endpoints.size());
    bytes.append(char(1)).append(char(1)).append(char(0)).append(char(0xC0)).append(char(1));
    bytes.append(char(9)).append(char(4)).append(char(0)).append(char(0)).append(char(endpoints.size() / 7));
    bytes.append(char(interfaceClass)).append(char(subclass)).append(char(protocol)).append(char(0));
    return bytes + endpoints;
}

// One device in umockdev's text form: its path, node, uevent properties and
// sysfs attributes, with the descriptors as the kernel's binary attribute.
QByteArray record(const QString &path, int deviceNumber, const QByteArray &descriptors)
{
    const QString node = QStringLiteral("bus/usb/%1/%2")
                             .arg(TVK_Emulator_UmockdevBus::kBusNumber, 3, 10, QLatin1Char('0'))
                             .arg(deviceNumber, 3, 10, QLatin1Char('0'));
    QString text;
    text += QStringLiteral("P: %1\nN: %2\n").arg(path, node);
    text += QStringLiteral("E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n");
    text += QStringLiteral("E: BUSNUM=%1\nE: DEVNUM=%2\nE: DEVNAME=/dev/%3\n")
                .arg(TVK_Emulator_UmockdevBus::kBusNumber, 3, 10, QLatin1Char('0'))
                .arg(deviceNumber, 3, 10, QLatin1Char('0'))
                .arg(node);
    text += QStringLiteral("A: busnum=%1\\n\nA: devnum=%2\\n\n").arg(TVK_Emulator_UmockdevBus::kBusNumber).arg(deviceNumber);
    text += QStringLiteral("A: bConfigurationValue=1\\n\nA: speed=480\\n\n");
    text += QStringLiteral("H: descriptors=%1\n").arg(QString::fromLatin1(descriptors.toHex()));
    return text.toUtf8();
}

} // namespace

TVK_Emulator_UmockdevBus::TVK_Emulator_UmockdevBus(int productId, quint16 vendorId, int interfaceClass)
    : m_testbed(umockdev_testbed_new())
{
    addRootHub();
    plug(productId, vendorId, interfaceClass);
}

TVK_Emulator_UmockdevBus::~TVK_Emulator_UmockdevBus()
{
    // The testbed stops umockdev's thread before the handlers go.
    g_object_unref(m_testbed);
    for (const std::unique_ptr<Plug> &plug : m_plugs) {
        plug->usbfs.reset();
        plug->responder.reset();
    }
}

int TVK_Emulator_UmockdevBus::addCamera(int productId)
{
    plug(productId, 0, kClassStillImage);
    return int(m_plugs.size()) - 1;
}

void TVK_Emulator_UmockdevBus::plug(int productId, quint16 vendorId, int interfaceClass)
{
    const int index = int(m_plugs.size());
    auto plug = std::make_unique<Plug>();
    plug->port = kPort + index;
    plug->deviceNumber = kDeviceNumber + index;
    plug->camera = std::make_shared<TVK_Emulator_Camera>(productId);
    plug->camera->setTimeScale(0.01);
    connectCable(*plug);
    plug->usbfs = std::make_unique<TVK_Emulator_UsbfsDevice>(plug->pipe);

    constexpr int kTypeBulk = 2;
    constexpr int kTypeInterrupt = 3;
    QByteArray endpoints;
    appendEndpoint(endpoints, kEndpointBulkIn, kTypeBulk, kPacketSize, 0);
    appendEndpoint(endpoints, kEndpointBulkOut, kTypeBulk, kPacketSize, 0);
    appendEndpoint(endpoints, kEndpointInterruptIn, kTypeInterrupt, kInterruptPacketSize, kInterruptInterval);
    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(productId);
    const quint16 product = quint16(profile != nullptr ? profile->productId : productId);
    const QByteArray descriptors = deviceDescriptor(0, vendorId != 0 ? vendorId : emulatorVendorId(), product)
                                   + configuration(interfaceClass, 1, 1, endpoints);
    plug->record = record(QString::fromLatin1(cameraPath(plug->port)), plug->deviceNumber, descriptors);

    const QByteArray node = QStringLiteral("/dev/bus/usb/%1/%2")
                                .arg(kBusNumber, 3, 10, QLatin1Char('0'))
                                .arg(plug->deviceNumber, 3, 10, QLatin1Char('0'))
                                .toUtf8();
    GError *error = nullptr;
    // The node speaks usbfs before the device appears, so that an open
    // prompted by its arrival finds an answer.
    if (!umockdev_testbed_attach_ioctl(m_testbed, node.constData(), plug->usbfs->handler(), &error)) {
        qWarning("umockdev: no ioctl handler on %s: %s", node.constData(), error != nullptr ? error->message : "?");
        g_clear_error(&error);
    }
    addToSysfs(*plug);
    m_plugs.push_back(std::move(plug));
}

bool TVK_Emulator_UmockdevBus::isMocked()
{
    // umockdev_in_mock_environment() of 0.17 answers false here even under
    // the wrapper; the preload list is what umockdev-wrapper sets.
    return qgetenv("LD_PRELOAD").contains("libumockdev-preload");
}

QString TVK_Emulator_UmockdevBus::deviceId()
{
    return deviceId(0);
}

QString TVK_Emulator_UmockdevBus::deviceId(int index)
{
    return QStringLiteral("usb:%1-%2").arg(kBusNumber, 3, 10, QLatin1Char('0')).arg(kPort + index);
}

quint16 TVK_Emulator_UmockdevBus::emulatorVendorId()
{
    return TVK_Emulator_UsbBus::kVendorId;
}

std::shared_ptr<TVK_Emulator_UsbPipe> TVK_Emulator_UmockdevBus::pipe() const
{
    return m_plugs.front()->pipe;
}

std::shared_ptr<TVK_Emulator_Camera> TVK_Emulator_UmockdevBus::camera(int index) const
{
    return m_plugs.at(size_t(index))->camera;
}

std::shared_ptr<TVK_Emulator_UsbResponder> TVK_Emulator_UmockdevBus::responder(int index) const
{
    return m_plugs.at(size_t(index))->responder;
}

TVK_Emulator_UsbfsDevice &TVK_Emulator_UmockdevBus::usbfs(int index) const
{
    return *m_plugs.at(size_t(index))->usbfs;
}

void TVK_Emulator_UmockdevBus::addRootHub()
{
    constexpr int kClassHub = 9;
    QByteArray endpoint;
    appendEndpoint(endpoint, 0x81, 3, 4, 12);
    const QByteArray descriptors =
        deviceDescriptor(kClassHub, 0, 0) + configuration(kClassHub, 0, 0, endpoint);
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, record(QStringLiteral("/devices/usb1"), 1, descriptors).constData(),
                                          &error)) {
        qWarning("umockdev: the root hub could not be added: %s", error != nullptr ? error->message : "?");
        g_clear_error(&error);
    }
}

// A new cable between the host's side and the camera: its own pipe and responder.
void TVK_Emulator_UmockdevBus::connectCable(Plug &plug)
{
    plug.responder.reset(); // its handlers point into the old pipe
    plug.pipe = std::make_shared<TVK_Emulator_UsbPipe>(kPacketSize);
    plug.responder = std::make_shared<TVK_Emulator_UsbResponder>(plug.camera, plug.pipe);
    // A cable pulled in the middle of a transfer takes the camera with it.
    std::weak_ptr<TVK_Emulator_Camera> camera = plug.camera;
    plug.pipe->setUnplugHandler([camera]() {
        if (auto body = camera.lock())
            body->removeDevice();
    });
}

void TVK_Emulator_UmockdevBus::addToSysfs(const Plug &plug)
{
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, plug.record.constData(), &error)) {
        qWarning("umockdev: the camera could not be added: %s", error != nullptr ? error->message : "?");
        g_clear_error(&error);
    }
}

QByteArray TVK_Emulator_UmockdevBus::cameraPath(int port)
{
    return QStringLiteral("/devices/usb1/%1-%2").arg(kBusNumber).arg(port).toLatin1();
}

QByteArray TVK_Emulator_UmockdevBus::nodeFile(const Plug &plug) const
{
    gchar *root = umockdev_testbed_get_root_dir(m_testbed);
    const QByteArray rootDir(root);
    g_free(root);
    return rootDir
           + QStringLiteral("/dev/bus/usb/%1/%2")
                 .arg(kBusNumber, 3, 10, QLatin1Char('0'))
                 .arg(plug.deviceNumber, 3, 10, QLatin1Char('0'))
                 .toLatin1();
}

void TVK_Emulator_UmockdevBus::setNodeAccessible(bool accessible)
{
    const QByteArray file = nodeFile(*m_plugs.front());
    if (::chmod(file.constData(), accessible ? 0666 : 0444) != 0)
        qWarning("umockdev: the mode of %s stays: %s", file.constData(), std::strerror(errno));
}

void TVK_Emulator_UmockdevBus::unplug()
{
    Plug &plug = *m_plugs.front();
    plug.camera->removeDevice();
    plug.pipe->unplug();
    announceRemoval();
}

void TVK_Emulator_UmockdevBus::plugIn()
{
    Plug &plug = *m_plugs.front();
    plug.camera->attach();
    connectCable(plug);
    plug.usbfs->setDevice(plug.pipe);
    addToSysfs(plug); // umockdev sends the add uevent
}

void TVK_Emulator_UmockdevBus::announceRemoval()
{
    const QByteArray syspath = "/sys" + cameraPath(m_plugs.front()->port);
    umockdev_testbed_uevent(m_testbed, syspath.constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, syspath.constData());
}
