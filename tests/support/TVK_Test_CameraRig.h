#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class TVK_Emulator_Camera;
class TVK_Emulator_PtpIpServerThread;
class TVK_Emulator_UsbBus;
class TVK_Logic_Controller;
class TVK_Logic_FolderSettings;
class TVK_Test_SignalRecorder;
class TVK_Test_TracingAccess;

// An emulated camera where the program looks for one (behind the access
// factory, or on 127.0.0.1 for the WLAN access), and the controller that finds
// it. The camera is made when first needed, by the test or by the factory: a
// program whose application must exist before the camera's thread starts asks
// only once it runs. Everything goes in reverse: controller, factory, camera.
class TVK_Test_CameraRig
{
public:
    enum eLETransport {
        kLEInMemory,      // the emulated USB access
        kLETraced,        // the same, every command recorded
        kLEUsbFraming,    // the Linux access on an in-memory USB bus
        kLEPtpIpLoopback, // the WLAN access to a server in this process, or at port
        kLELibusb,        // the Linux access over the real libusb, to a camera on a bus the test hosts
    };
    struct Options {
        Options(int product = 0x2031, eLETransport how = kLEInMemory)
            : productId(product)
            , transport(how)
        {
        }
        int productId;
        eLETransport transport;
        bool controller = true; // false: the test makes its own, or the application does
        bool recorder = true;   // false: no copies of every signal, for runs of many pictures
        bool plugged = true;    // false: the test plugs the camera in
        quint32 seed = 1;
        int failingOpens = 0; // USB: the first opens are refused as if another program held the camera
        quint16 port = 0;     // WLAN: a camera served elsewhere; none of the rig's own then
        std::function<void(TVK_Emulator_Camera &)> prepare; // runs on the camera once made
        // A camera made elsewhere, on the bus the program's libusb finds (a
        // mocked one): the rig's camera, neither made nor prepared here.
        std::shared_ptr<TVK_Emulator_Camera> hosted;

        Options &refusingOpens(int count) { failingOpens = count; return *this; }
        Options &atPort(quint16 at) { port = at; return *this; }
        Options &onHostedBus(std::shared_ptr<TVK_Emulator_Camera> camera)
        {
            transport = kLELibusb;
            hosted = std::move(camera);
            return *this;
        }
    };

    explicit TVK_Test_CameraRig(const Options &options);
    ~TVK_Test_CameraRig();

    std::shared_ptr<TVK_Emulator_Camera> camera();
    TVK_Logic_Controller *controller() const { return m_controller.get(); }
    TVK_Test_SignalRecorder *recorder() const { return m_recorder.get(); }
    int count(const char *key) const;
    // Waits until the controller has connected this many times in all.
    bool connected(int times = 1) const;
    void closeController();

    int accessesMade() const { return m_accesses; }
    // The last access the factory made and its bus, owned by the controller.
    TVK_Test_TracingAccess *tracing() const { return m_tracing; }
    TVK_Emulator_UsbBus *bus() const { return m_bus; }
    TVK_Emulator_PtpIpServerThread *server() const { return m_server.get(); }

    // Fresh dng/ and jpg/ folders, numbered from number, given to the
    // controller if it has a camera; nullptr when they cannot be made.
    TVK_Logic_FolderSettings *useFolders(const QString &stem, int number);
    QString folder(const char *sub) const { return m_folders.filePath(QLatin1String(sub)); }

private:
    const Options m_options;
    std::mutex m_cameraMutex; // the factory asks from the controller's thread
    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    std::unique_ptr<TVK_Emulator_PtpIpServerThread> m_server;
    std::atomic<int> m_accesses{0};
    std::atomic<TVK_Test_TracingAccess *> m_tracing{nullptr};
    std::atomic<TVK_Emulator_UsbBus *> m_bus{nullptr};
    QTemporaryDir m_folders;
    std::unique_ptr<TVK_Logic_FolderSettings> m_folderSettings;
    std::unique_ptr<TVK_Logic_Controller> m_controller;
    std::unique_ptr<TVK_Test_SignalRecorder> m_recorder;
};
