#pragma once

#include "TVK_Commu_UsbBusIF.h"

#include <memory>

// The USB bus through libusb-1.0, and the only place that knows libusb. It
// does little but translate: discovery of still-image interfaces, opening
// with the kernel driver detached automatically, the three endpoints (a
// stalled one has its halt cleared at once) and the class requests, and
// hot-plug notices from a thread of its own where libusb has them. Its tests
// run it against the emulated camera on a USB bus mocked by umockdev.
class TVK_Commu_UsbBus_Libusb : public TVK_Commu_UsbBusIF
{
public:
    TVK_Commu_UsbBus_Libusb();
    ~TVK_Commu_UsbBus_Libusb() override;

    // false when libusb could not be initialised (then no device is ever found).
    bool isUsable() const;

    QVector<Device> stillImageDevices() override;
    std::shared_ptr<TVK_Commu_UsbPipeIF> open(const QString &deviceId, eLEOpenError *error,
                                              QString *detail) override;
    bool setHotplugHandler(HotplugHandler handler) override;

    struct Context; // libusb's state, shared with the open pipes

private:
    std::shared_ptr<Context> m_context;
};
