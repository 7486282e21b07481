#pragma once

#include "TVK_Commu_CameraAccess_Base.h"

#include <atomic>
#include <memory>
#include <mutex>

class TVK_Emulator_Camera;

// Stands in for a USB camera (connection type 1) in the same process: it finds,
// opens and drives an emulated camera exactly as the USB transport drives a
// real one, with one transaction mutex for the controller and the transfer
// threads, the busy retries, and events arriving on the camera's own thread.
class TVK_Commu_CameraAccess_Emulated : public TVK_Commu_CameraAccess_Base
{
    Q_OBJECT

public:
    // The vendor id the emulated cameras announce themselves with.
    static constexpr quint16 kVendorId = 0x4E50;
    static constexpr int kBusyRetries = 5;
    static constexpr int kBusyPauseMs = 100;
    static constexpr int kPieceSize = 64 * 1024;

    explicit TVK_Commu_CameraAccess_Emulated(std::shared_ptr<TVK_Emulator_Camera> camera, QObject *parent = nullptr);
    ~TVK_Commu_CameraAccess_Emulated() override;

    TVK_Emulator_Camera *camera() const { return m_camera.get(); }
    // The device path of the camera, as openConnection expects it.
    QString deviceId() const;

    bool openConnection(quint64 cameraId, int productId, QString deviceId) override;
    bool closeConnection() override;
    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer, unsigned bufferSize,
                  const char *caller, quint64 *received = nullptr) override;
    // The camera's answer handed on in pieces of kPieceSize, as a transport
    // hands on its reads.
    bool recvDataToSink(int operationCode, int numParams, const quint32 *params, TVK_Commu_DataSink *sink,
                        const char *caller, quint64 *received = nullptr) override;
    bool sendCommand(int operationCode, int numParams, const quint32 *params, const char *caller) override;
    bool sendData(int operationCode, int numParams, const quint32 *params, const void *buffer, unsigned size,
                  const char *caller) override;

public Q_SLOTS:
    bool checkDeviceAvailable() override;

protected:
    void deviceRemoved() override;
    // Returns once no event of the camera is being delivered to this access
    // any more. Events come on the camera's thread: a subclass calls this
    // first in its own destructor, so that none reaches it half destroyed.
    void unregisterForEventNotifications();

private:
    enum eLEPhase { kLENoData, kLEDataIn, kLEDataOut };
    bool transaction(int operationCode, int numParams, const quint32 *params, eLEPhase phase, const void *dataOut,
                     unsigned sizeOut, void *bufferIn, unsigned sizeIn, const char *caller,
                     quint64 *received = nullptr, TVK_Commu_DataSink *sinkIn = nullptr);
    void registerForEventNotifications();
    void closeDevice();

    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::mutex m_transactionMutex;
    int m_announcedAttachment = 0;
    std::atomic<bool> m_deviceOpen{false}; // the camera answered the open
    bool m_registered = false;
    std::atomic<quint64> m_cameraId{0};
    QString m_deviceId;
};
