#pragma once

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"

#include <QString>

#include <array>
#include <vector>

// A camera that needs no hardware. It announces one camera, opens and closes a
// session at once and answers the three reads the control panel is built from
// (DeviceInfo, the vendor settings block and the lens record) from constant
// data. Everything else fails as it would with a camera that refuses it, so
// the whole application can be started, connected and shown without a camera.
//
// The answers never change: writes (the settings block, every property) fail,
// so the panel always shows the built-in values. No lock is needed because the
// only state is the product id, which the base keeps atomically.
class TVK_Commu_CameraAccess_Dummy : public TVK_Commu_CameraAccess_Base
{
    Q_OBJECT

public:
    // What the simulated camera announces.
    static constexpr int kProductId = TVK_Commu_ProductTraits::kLEArdo3;
    static constexpr quint64 kCameraId = 0;
    static constexpr const char kDeviceId[] = "DummyID";

    // Sizes of the three answers; a read needs a buffer at least this large.
    static constexpr unsigned kDeviceInfoLength = 260;
    static constexpr unsigned kCameraSettingsLength = 100;
    static constexpr unsigned kLensRecordLength = 101;

    explicit TVK_Commu_CameraAccess_Dummy(QObject *parent = nullptr);
    ~TVK_Commu_CameraAccess_Dummy() override;

    TVK_Commu_CameraAccess_Dummy(const TVK_Commu_CameraAccess_Dummy &) = delete;
    TVK_Commu_CameraAccess_Dummy &operator=(const TVK_Commu_CameraAccess_Dummy &) = delete;

    // Opens when closed (productId must not be 0, which would leave the object
    // looking closed); false and no signal when a session is open already.
    bool openConnection(quint64 cameraId, int productId, QString deviceId) override;
    // Closes an open session; false when none is open.
    bool closeConnection() override;
    // Answers GetDeviceInfo, the settings-block read and the lens read; every
    // other operation, and a buffer too small for the answer, fails with a log
    // line and leaves the buffer untouched.
    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                  unsigned bufferSize, const char *caller, quint64 *received = nullptr) override;
    // Always fails: the simulated camera accepts no command and no data.
    bool sendCommand(int operationCode, int numParams, const quint32 *params,
                     const char *caller) override;
    bool sendData(int operationCode, int numParams, const quint32 *params, const void *buffer,
                  unsigned size, const char *caller) override;

    // The built-in answers, for inspection.
    const std::vector<unsigned char> &deviceInfo() const { return m_deviceInfo; }
    const std::array<unsigned char, kCameraSettingsLength> &cameraSettings() const { return m_cameraSettings; }
    const std::array<unsigned char, kLensRecordLength> &lensRecord() const { return m_lensRecord; }

public Q_SLOTS:
    // Announces the camera on every call (nothing is remembered) and returns true.
    bool checkDeviceAvailable() override;

private:
    void buildDeviceInfo();
    void buildCameraSettings();
    void buildLensRecord();

    // On the heap like a real transport's dataset buffer; its size is the
    // DeviceInfo length.
    std::vector<unsigned char> m_deviceInfo;
    std::array<unsigned char, kCameraSettingsLength> m_cameraSettings{};
    std::array<unsigned char, kLensRecordLength> m_lensRecord{};
};
