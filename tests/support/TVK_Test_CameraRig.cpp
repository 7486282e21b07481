#include "TVK_Test_CameraRig.h"

#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_SignalRecorder.h"
#include "TVK_Test_TracingAccess.h"

#include <QDir>
#include <QtTest>

TVK_Test_CameraRig::TVK_Test_CameraRig(const Options &options)
    : m_options(options)
{
    using Wlan = TVK_Commu_CameraAccess_PTPIP;
    TVK_Commu_CameraAccessFactory::Creator creator;
    if (options.transport == kLEPtpIpLoopback) {
        if (options.port == 0)
            m_server = std::make_unique<TVK_Emulator_PtpIpServerThread>(camera());
        Wlan::setConfiguredAddress({QStringLiteral("127.0.0.1"), options.port != 0 ? options.port : m_server->port()});
        Wlan::setConfiguredProductId(0);
    } else {
        creator = [this]() -> TVK_Commu_CameraAccess_Base * {
            ++m_accesses;
            if (m_options.transport == kLELibusb)
                return new TVK_Commu_CameraAccess_Linux_PTP; // the program's own bus
            if (m_options.transport == kLEUsbFraming) {
                auto bus = std::make_unique<TVK_Emulator_UsbBus>(camera());
                bus->failOpens(TVK_Emulator_UsbBus::kLEBusy, m_options.failingOpens);
                m_bus = bus.get();
                return new TVK_Commu_CameraAccess_Linux_PTP(std::move(bus));
            }
            if (m_options.transport == kLETraced)
                return m_tracing = new TVK_Test_TracingAccess(camera());
            return new TVK_Commu_CameraAccess_Emulated(camera());
        };
    }
    TVK_Commu_CameraAccessFactory::setCreator(1, creator);
    if (options.controller) {
        m_controller = std::make_unique<TVK_Logic_Controller>();
        if (options.recorder)
            m_recorder = std::make_unique<TVK_Test_SignalRecorder>(m_controller.get());
    }
}

TVK_Test_CameraRig::~TVK_Test_CameraRig()
{
    closeController();
    TVK_Commu_CameraAccessFactory::setCreator(1, {});
    TVK_Commu_CameraAccess_PTPIP::setConfiguredAddress(TVK_Commu_CameraAccess_PTPIP::Address());
    m_server.reset();
}

std::shared_ptr<TVK_Emulator_Camera> TVK_Test_CameraRig::camera()
{
    const std::lock_guard<std::mutex> lock(m_cameraMutex);
    if (m_options.hosted)
        return m_options.hosted;
    if (!m_camera && m_options.port == 0) {
        m_camera = std::make_shared<TVK_Emulator_Camera>(m_options.productId, m_options.seed);
        m_camera->setTimeScale(0.01);
        if (m_options.prepare)
            m_options.prepare(*m_camera);
        if (!m_options.plugged)
            m_camera->removeDevice();
    }
    return m_camera;
}

int TVK_Test_CameraRig::count(const char *key) const
{
    return m_recorder ? m_recorder->count(QString::fromLatin1(key)) : 0;
}

bool TVK_Test_CameraRig::connected(int times) const
{
    constexpr int kWaitMs = 20000; // generous: a loaded two-core machine under the sanitizers
    return QTest::qWaitFor([this, times]() { return count("signalCameraConnected") >= times; }, kWaitMs);
}

void TVK_Test_CameraRig::closeController()
{
    // The recorder hears the controller to the end.
    m_controller.reset();
    m_recorder.reset();
}

TVK_Logic_FolderSettings *TVK_Test_CameraRig::useFolders(const QString &stem, int number)
{
    if (!QDir().mkpath(folder("dng")) || !QDir().mkpath(folder("jpg")))
        return nullptr;
    m_folderSettings = std::make_unique<TVK_Logic_FolderSettings>();
    m_folderSettings->load({folder("dng"), folder("jpg"), stem, number});
    if (m_controller && m_controller->camera() != nullptr)
        m_controller->setFolderSettings(m_folderSettings.get());
    return m_folderSettings.get();
}
