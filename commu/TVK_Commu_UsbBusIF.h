#pragma once

#include "TVK_Commu_UsbPipeIF.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <memory>

// The USB bus as the camera access sees it: which devices with a still-image
// interface are attached, opening one of them, and (where the platform tells)
// hot-plug notices. The libusb glue is the real one; tests give the access an
// emulated bus instead.
class TVK_Commu_UsbBusIF
{
public:
    struct Device {
        quint16 vendorId = 0;
        quint16 productId = 0;
        QString deviceId; // names bus and port path; stable while attached
    };

    enum eLEOpenError {
        kLENoError,
        kLEBusy,         // another program has claimed the interface
        kLEAccessDenied, // no permission on the device node (udev rule missing)
        kLENotFound,     // the device went away meanwhile
        kLEFailed        // anything else; the detail says what
    };

    // arrived: true for a new device, false for one that left. Called on a
    // thread of the bus.
    using HotplugHandler = std::function<void(bool arrived, const QString &deviceId)>;

    virtual ~TVK_Commu_UsbBusIF();

    // Devices with an interface of class 6, subclass 1, protocol 1.
    virtual QVector<Device> stillImageDevices() = 0;
    // Opens the device, claims its still-image interface and finds its
    // endpoints; nullptr with error and a one-line detail when that fails.
    virtual std::shared_ptr<TVK_Commu_UsbPipeIF> open(const QString &deviceId, eLEOpenError *error,
                                                      QString *detail) = 0;
    // false when the platform has no hot-plug notices (then polling only).
    // Returns only when no call of an earlier handler runs any more.
    virtual bool setHotplugHandler(HotplugHandler handler) = 0;
};
