#pragma once

#include "TVK_Commu_CameraAccess_PtpSession.h"
#include "TVK_Commu_HostLookup.h"
#include "TVK_Commu_PtpIpInitSchedule.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Platform_CallQueue.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TVK_Commu_PtpIpFraming;

// A WLAN camera (connection type 2): PTP over TCP/IP at one configured
// address. A command connection carries the transactions through the shared
// PTP engine, an event connection the camera's events, read by a thread of
// the access. The poll probes the address on a thread of its own, so the
// controller's timer never waits for the network.
//
// The probe is gentle, since a camera may ask its user about every initiator
// that introduces itself: each poll only looks whether the address takes a
// TCP connection, and the Init Command Request goes out when the schedule
// (TVK_Commu_PtpIpInitSchedule) says one is owed.
class TVK_Commu_CameraAccess_PTPIP : public TVK_Commu_CameraAccess_PtpSession
{
    Q_OBJECT

public:
    // The whole probe (connection and Init Ack) of the poll.
    static constexpr int kProbeTimeoutMs = 300;
    // The longest a probe waits for the host name's lookup.
    static constexpr int kLookupTimeoutMs = 2000;
    // The pause after the first failed Init (the poll's interval), doubled
    // with each further one up to the last.
    static constexpr int kFirstInitBackOffMs = 1000;
    static constexpr int kMaxInitBackOffMs = 30000;
    // Opening is worth a longer wait than the poll's look.
    static constexpr int kConnectTimeoutMs = 3000;
    // How long the event thread waits for an event before it looks whether it
    // should stop: also the longest a close waits for it.
    static constexpr int kEventPollMs = 200;
    // Ample for any DeviceInfo (a few kilobytes in practice).
    static constexpr unsigned kDeviceInfoSize = 64 * 1024;

    struct Address {
        QString host;
        quint16 port = 0;
        bool isValid() const { return !host.isEmpty() && port != 0; }
        // "ptpip:HOST:PORT", the device id of the announcement.
        QString deviceId() const;
        QString text() const; // HOST:PORT ([HOST]:PORT for IPv6)
    };

    // "HOST", "HOST:PORT", "[IPv6]" or "[IPv6]:PORT"; the port defaults to
    // 15740. False with a reason for anything else.
    static bool parseAddress(const QString &text, Address *address, QString *error);

    // The configuration, read from the settings file by the program's start-up
    // (this layer may not read it) and handed over before the controller
    // creates the access. An invalid address means no WLAN camera.
    static void setConfiguredAddress(const Address &address);
    static Address configuredAddress();
    // The product id of the camera at that address, when its model name is
    // not one of the known ones; 0: from the model name.
    static void setConfiguredProductId(int productId);
    static int configuredProductId();
    // The initiator's GUID (16 bytes), kept in the settings file so that a
    // camera that pairs with an initiator knows us again. Without one, a GUID
    // made for this run.
    static void setGuid(const QByteArray &guid);
    static QByteArray guid();

    // The product id of a model name of the maker's cameras; 0 when unknown.
    static int productIdForModel(const QString &model);
    // The model name in a DeviceInfo dataset; empty when the bytes end early.
    static QString modelOfDeviceInfo(const void *data, size_t size);

    // The configured address.
    explicit TVK_Commu_CameraAccess_PTPIP(QObject *parent = nullptr);
    explicit TVK_Commu_CameraAccess_PTPIP(const Address &address, QObject *parent = nullptr);
    ~TVK_Commu_CameraAccess_PTPIP() override;

    Address address() const { return m_address; }
    // Time-outs of every read and write of an open connection, and of the
    // poll's probe; tests shorten them. Take effect with the next open or probe.
    void setTransferTimeoutMs(int timeoutMs) { m_transferTimeoutMs = qMax(1, timeoutMs); }
    void setProbeTimeoutMs(int timeoutMs) { m_probeTimeoutMs = qMax(1, timeoutMs); }
    void setInitBackOffMs(int firstMs, int maxMs);

    bool openConnection(quint64 cameraId, int productId, QString deviceId) override;
    bool closeConnection() override;

public Q_SLOTS:
    // Starts a probe of the address unless one runs or a camera is open; the
    // camera is announced when the probe's answer is in. True when a camera
    // was announced since the previous call.
    bool checkDeviceAvailable() override;

protected:
    void deviceRemoved() override;

private:
    enum eLEProbeResult { kLEUnresolved, kLEUnreachable, kLEReachable, kLEAnswered, kLERefused, kLESilent };
    struct ProbeResult {
        eLEProbeResult result = kLEUnreachable;
        quint32 failReason = 0;
        QString lookupError;
        std::vector<TVK_Commu_HostLookup::Endpoint> endpoints;
    };

    // With init, the probe introduces us when the address takes the connection.
    static ProbeResult probe(const Address &address, TVK_Commu_HostLookup *lookup, bool init, const QByteArray &guid,
                             int timeoutMs);
    void catchProbeResult(const ProbeResult &result);
    void joinProbe();
    void backOffInit();

    bool openPnpSession(const Address &address);
    void closePnpSession();
    int readProductId(int announcedProductId);
    void registerForEventNotifications();
    void unregisterForEventNotifications();
    void closeDevice() override;
    void readEvents(std::shared_ptr<TVK_Commu_PtpIpFraming> events);

    const Address m_address;
    int m_transferTimeoutMs;
    int m_probeTimeoutMs = kProbeTimeoutMs;

    // The poll (the owner's thread) and its probe thread.
    std::thread m_probeThread;
    TVK_Platform_CallQueue m_probeResults{this}; // the probe's answer, in this object's thread
    std::atomic<bool> m_probePending{false}; // started, its answer not yet handled
    std::atomic<bool> m_announced{false};   // announced and still answering
    std::atomic<bool> m_newSinceCheck{false};
    bool m_warned = false;                  // refusal reported since the last Init Ack
    bool m_lookupWarned = false;            // failed lookup reported since the last success
    TVK_Commu_PtpIpInitSchedule m_initSchedule{kFirstInitBackOffMs, kMaxInitBackOffMs};
    TVK_Commu_HostLookup m_lookup; // the probe thread's
    // Where the last probe found the host; the open connects there, so that
    // the controller's thread never waits for a lookup.
    std::vector<TVK_Commu_HostLookup::Endpoint> m_endpoints;

    // The open connections; replaced under the mutex, used through copies so
    // that a lost connection on another thread never pulls them from under a
    // transaction.
    std::shared_ptr<TVK_Commu_PtpIpFraming> m_command;
    std::shared_ptr<TVK_Commu_PtpIpFraming> m_events;


};
