#pragma once

#include "TVK_Commu_UsbBusIF.h"

#include <memory>
#include <mutex>

class TVK_Emulator_Camera;
class TVK_Emulator_UsbPipe;
class TVK_Emulator_UsbResponder;

// A USB bus with one emulated camera on it, for the Linux camera access in
// tests and benchmarks: the camera is listed while attached, and opening it
// puts an in-memory pipe with the camera's responder behind the access.
class TVK_Emulator_UsbBus : public TVK_Commu_UsbBusIF
{
public:
    static constexpr quint16 kVendorId = 0x4E50;

    explicit TVK_Emulator_UsbBus(std::shared_ptr<TVK_Emulator_Camera> camera, quint16 vendorId = kVendorId);
    ~TVK_Emulator_UsbBus() override;

    QString deviceId() const;
    // The pipe and responder of the open device (nullptr when none is open).
    std::shared_ptr<TVK_Emulator_UsbPipe> pipe() const;
    std::shared_ptr<TVK_Emulator_UsbResponder> responder() const;

    // The next count opens fail like this.
    void failOpens(eLEOpenError error, int count);
    int openCount() const;
    // Tells the hot-plug handler the camera came or left (the camera itself
    // is plugged in or out by the caller).
    void announceHotplug(bool arrived);

    QVector<Device> stillImageDevices() override;
    std::shared_ptr<TVK_Commu_UsbPipeIF> open(const QString &deviceId, eLEOpenError *error,
                                              QString *detail) override;
    bool setHotplugHandler(HotplugHandler handler) override;

private:
    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    const quint16 m_vendorId;
    mutable std::mutex m_mutex;
    std::mutex m_handlerMutex; // held while the handler runs
    HotplugHandler m_handler;
    // The host's pipe owns them: the device side lives exactly as long as the
    // host holds its pipe.
    std::weak_ptr<TVK_Emulator_UsbPipe> m_pipe;
    std::weak_ptr<TVK_Emulator_UsbResponder> m_responder;
    eLEOpenError m_openError = kLENoError;
    int m_failingOpens = 0;
    int m_opens = 0;
};
