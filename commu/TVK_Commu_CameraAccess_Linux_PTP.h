#pragma once

#include "TVK_Commu_CameraAccess_PtpSession.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Commu_UsbBusIF.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class TVK_Commu_UsbFraming;

// A USB camera on Linux (connection type 1): PTP over the still-image class's
// bulk and interrupt pipes. Discovery on every poll, the standard session and
// the maker's vendor session, whole transactions through the shared PTP
// engine, and a thread of its own reading camera events from the interrupt
// pipe. The bus below is libusb in the program and an emulated one in tests.
class TVK_Commu_CameraAccess_Linux_PTP : public TVK_Commu_CameraAccess_PtpSession
{
    Q_OBJECT

public:
    // Placeholders until the maker's ids are known; more can be given in the
    // settings file (see setExtraVendorIds). Believed unassigned.
    static constexpr quint16 kBuiltInVendorIds[] = {0x4E50, 0x4E51};
    // How long the event thread waits on the interrupt pipe before it looks
    // whether it should stop: also the longest a close waits for it.
    static constexpr int kEventPollMs = 200;

    // The program's bus (libusb).
    explicit TVK_Commu_CameraAccess_Linux_PTP(QObject *parent = nullptr);
    // Any bus; the access owns it.
    explicit TVK_Commu_CameraAccess_Linux_PTP(std::unique_ptr<TVK_Commu_UsbBusIF> bus, QObject *parent = nullptr);
    ~TVK_Commu_CameraAccess_Linux_PTP() override;

    // Vendor ids accepted besides the built-in ones. The settings file belongs
    // to the user interface, which this layer may not read, so the program's
    // start-up reads them and hands them over here, before any access exists.
    static void setExtraVendorIds(const QList<quint16> &vendorIds);
    static QList<quint16> acceptedVendorIds();
    // "0x1234, 0xABCD" (hexadecimal, with or without 0x; comma, semicolon or
    // space between): the ids; a word that is no 16-bit id other than 0 is
    // logged and skipped.
    static QList<quint16> parseVendorIds(const QString &text);

    // The transfer time-out of every bulk transfer; tests shorten it.
    void setTransferTimeoutMs(int timeoutMs);

    bool openConnection(quint64 cameraId, int productId, QString deviceId) override;
    bool closeConnection() override;

public Q_SLOTS:
    bool checkDeviceAvailable() override;

protected:
    void deviceRemoved() override;

private:
    struct KnownDevice {
        quint64 cameraId = 0;
        int productId = 0;
        QString deviceId;
        bool operator==(const KnownDevice &other) const
        {
            return cameraId == other.cameraId && productId == other.productId && deviceId == other.deviceId;
        }
    };

    bool openPnpSession(const QString &deviceId);
    void closePnpSession();
    void registerForEventNotifications();
    void unregisterForEventNotifications();
    void closeDevice() override;
    void readEvents(std::shared_ptr<TVK_Commu_UsbPipeIF> pipe);
    void deliverEvent(const unsigned char *bytes, size_t size);
    Q_INVOKABLE void forgetDevice(const QString &deviceId);
    void catchHotplug(bool arrived, const QString &deviceId);

    std::unique_ptr<TVK_Commu_UsbBusIF> m_bus;
    int m_transferTimeoutMs;
    QVector<KnownDevice> m_knownDevices;   // the controller's thread only
    // How opening a device failed last, and how often in a row, since it was
    // attached: the poll tries again every second.
    struct OpenFailure {
        TVK_Commu_UsbBusIF::eLEOpenError kind = TVK_Commu_UsbBusIF::kLENoError;
        int attempts = 0;
    };
    QHash<QString, OpenFailure> m_openFailures;

    // The open device; replaced under the mutex, used through copies so that a
    // removal on another thread never pulls it from under a transaction.
    std::shared_ptr<TVK_Commu_UsbPipeIF> m_pipe;
    std::shared_ptr<TVK_Commu_UsbFraming> m_framing;
    QString m_deviceId;


    std::atomic<std::thread::id> m_eventThreadId{};
};
