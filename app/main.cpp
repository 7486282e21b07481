#include "TVK_App_Identity.h"
#include "TVK_App_Options.h"
#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Dummy.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Commu_CameraSource.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_ControllerWorker.h"
#include "TVK_Platform_Base.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cstdio>
#include <memory>

namespace {

// Puts the chosen camera in the controller's USB slot when the user asked for a
// simulated or emulated one; false (with a reason) when it cannot be had.
bool installCameraSource(const TVK_Commu_CameraSource &source, QString *error)
{
    if (source.kind() == TVK_Commu_CameraSource::kLESimulated) {
        TVK_Commu_CameraAccessFactory::setCreator(TVK_Commu_Ptp::kConnectionUSB, []() -> TVK_Commu_CameraAccess_Base * {
            return new TVK_Commu_CameraAccess_Dummy;
        });
        return true;
    }
    if (source.kind() != TVK_Commu_CameraSource::kLEEmulated)
        return true;
    const int product = source.emulatedProduct();
    if (TVK_Emulator_Profile::forProduct(product) == nullptr) {
        QStringList known;
        for (int id : TVK_Emulator_Profile::knownProducts())
            known << QStringLiteral("0x%1").arg(id, 4, 16, QLatin1Char('0'));
        *error = QStringLiteral("no emulated camera for product 0x%1 (known: %2)")
                     .arg(product, 4, 16, QLatin1Char('0'))
                     .arg(known.join(QStringLiteral(", ")));
        return false;
    }
    TVK_Commu_CameraAccessFactory::setCreator(TVK_Commu_Ptp::kConnectionUSB, [product]() -> TVK_Commu_CameraAccess_Base * {
        return new TVK_Commu_CameraAccess_Emulated(std::make_shared<TVK_Emulator_Camera>(product));
    });
    return true;
}

// USB vendor ids accepted besides the built-in ones, from the settings file
// ("UsbVendorIds": "0x1234, 0xABCD"). The file belongs to the user interface,
// which the camera layer may not read, so they are handed over from here,
// before the controller creates its USB access. Only read: the settings
// object of the user interface stays the one that writes the file.
void installExtraUsbVendorIds()
{
    const QSettings file(TVK_GUI_Settings::defaultFilePath(), TVK_GUI_Settings::registerXmlFormat());
    const QString text = file.value(QStringLiteral("/NorbaPellora/UsbVendorIds")).toString();
    if (text.isEmpty())
        return;
    const QList<quint16> ids = TVK_Commu_CameraAccess_Linux_PTP::parseVendorIds(text);
    TVK_Commu_CameraAccess_Linux_PTP::setExtraVendorIds(ids);
    debugLog(kLELogAlways, "main() - %d extra USB vendor id(s) from the settings file", int(ids.size()));
}

// The WLAN camera's address from the command line or, without it, from the
// settings file ("WlanCameraAddress"), with this computer's GUID (made once,
// then kept in the file) and a product id for a model the program does not
// know by name ("WlanCameraProductId"). Handed to the camera layer, which may
// not read the settings file, before the controller creates its accesses.
// False (with a reason) only for a bad address on the command line; a bad one
// in the file is logged and leaves the WLAN camera out.
bool installWlanCamera(const TVK_App_Options &options, QString *error)
{
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    const QString text = options.hasWlanCamera() ? options.wlanCamera() : settings->wlanCameraAddress();
    if (text.isEmpty())
        return true;
    TVK_Commu_CameraAccess_PTPIP::Address address;
    QString reason;
    if (!TVK_Commu_CameraAccess_PTPIP::parseAddress(text, &address, &reason)) {
        if (options.hasWlanCamera()) {
            *error = QStringLiteral("--wlan-camera: ") + reason;
            return false;
        }
        debugLog(kLELogAlways, "main() - Error: WlanCameraAddress in the settings file: %s; no WLAN camera",
                 qUtf8Printable(reason));
        return true;
    }
    TVK_Commu_CameraAccess_PTPIP::setConfiguredAddress(address);
    TVK_Commu_CameraAccess_PTPIP::setGuid(settings->wlanCameraGuid());
    TVK_Commu_CameraAccess_PTPIP::setConfiguredProductId(settings->wlanCameraProductId());
    debugLog(kLELogAlways, "main() - WLAN camera at %s (from the %s)", qUtf8Printable(address.text()),
             options.hasWlanCamera() ? "command line" : "settings file");
    return true;
}

// Writes every signal of the controller to the log with its arguments, so a
// headless run shows what a panel would be told. Called in the controller's
// thread, while the arguments still exist.
class SignalLogger : public QObject
{
public:
    SignalLogger(QObject *source, QObject *parent) : QObject(parent), m_source(source)
    {
        const QMetaObject *meta = source->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                QMetaObject::connect(source, i, this, metaObject()->methodCount() + i, Qt::DirectConnection);
        }
    }

    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override
    {
        id = QObject::qt_metacall(call, id, arguments);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        const QMetaMethod method = m_source->metaObject()->method(id);
        QStringList values;
        for (int a = 0; a < method.parameterCount(); ++a) {
            const int type = method.parameterType(a);
            if (type == QMetaType::QStringList) {
                values << QLatin1Char('[') + QVariant(type, arguments[a + 1]).toStringList().join(QLatin1String(", "))
                              + QLatin1Char(']');
            } else if (type == QMetaType::QString || type == QMetaType::Int || type == QMetaType::UInt
                       || type == QMetaType::Bool || type == QMetaType::Double) {
                values << QVariant(type, arguments[a + 1]).toString();
            } else {
                values << QString::fromLatin1(QMetaType::typeName(type));
            }
        }
        debugLog(kLELogAlways, "main() - %s(%s)", method.name().constData(),
                 values.join(QLatin1String(", ")).toUtf8().constData());
        return -1;
    }

private:
    QObject *m_source;
};

// Runs the controller without windows for a while: connects the camera,
// publishes its state as the camera window would ask, closes it again as the
// window's closing would, and stops. Everything the panel would get is logged.
int runHeadless(QCoreApplication &application, int seconds)
{
    auto *thread = new QThread;
    auto *worker = new TVK_Logic_ControllerWorker;
    // Wired in the controller's own thread, before its first event: the
    // logger is called there, and the timer runs there.
    worker->setOnCreated([worker, seconds](TVK_Logic_Controller *controller) {
        new SignalLogger(controller, controller);
        QObject::connect(controller, &TVK_Logic_Controller::signalCameraConnected, controller,
                         &TVK_Logic_Controller::catchCameraGUIOpened);
        // Closing a connected camera ends the run once the camera has gone;
        // without a camera there is nothing to close.
        QTimer::singleShot(seconds * 1000, controller, [controller, worker]() {
            if (controller->camera() == nullptr) {
                worker->requestFinish();
                return;
            }
            QObject::connect(controller, &TVK_Logic_Controller::signalCameraDisconnected, worker,
                             &TVK_Logic_ControllerWorker::requestFinish, Qt::DirectConnection);
            controller->catchCameraGUIClosed();
        });
    });
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::started, worker, &TVK_Logic_ControllerWorker::process);
    QObject::connect(worker, &TVK_Logic_ControllerWorker::signalFinished, thread, &QThread::quit);
    QObject::connect(worker, &TVK_Logic_ControllerWorker::signalFinished, worker, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, &application, &QCoreApplication::quit);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return application.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    setStartupDebugLogCategories();
    qInstallMessageHandler(debugMessageHandler);
    // Sets up the process's signals before anything writes a file.
    platform();

    // The application object sets its identity itself; it is set here already
    // because the log file takes its folder and name from it.
    QCoreApplication::setOrganizationName(QString::fromLatin1(TVK_App_Identity::kOrganizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(TVK_App_Identity::kApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(TVK_App_Identity::kApplicationVersion));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TVK_App_Options options = TVK_App_Options::parse(arguments);
    if (options.action() == TVK_App_Options::kLEHelp) {
        std::fputs(TVK_App_Options::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    TVK_Commu_CameraSource source;
    QString error = options.error();
    if (options.action() == TVK_App_Options::kLEError
        || !TVK_Commu_CameraSource::fromArguments(
            options.hasCamera() ? QStringList{QStringLiteral("--camera=") + options.camera()} : QStringList(), &source,
            &error)
        || !installCameraSource(source, &error) || !installWlanCamera(options, &error)) {
        debugLog(kLELogAlways, "main() - Error: %s", error.toUtf8().constData());
        std::fprintf(stderr, "NorbaPellora: %s\n%s", error.toLocal8Bit().constData(),
                     TVK_App_Options::usage().section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
        std::fputs("\n", stderr);
        return 2;
    }

    if (source.kind() == TVK_Commu_CameraSource::kLEUsb)
        installExtraUsbVendorIds();

    if (options.runForSeconds() > 0) {
        QCoreApplication application(argc, argv);
        debugLog(kLELogAlways, "====== %s %s ======", TVK_App_Identity::kApplicationDisplayName,
                 TVK_App_Identity::kApplicationVersion);
        debugLog(kLELogAlways, "main() - camera source: %s", source.description().toUtf8().constData());
        const int result = runHeadless(application, options.runForSeconds());
        // Writes what was stored (a GUID made for the WLAN camera).
        if (TVK_GUI_Settings::exists())
            TVK_GUI_Settings::destroyInstance();
        debugLog(kLELogAlways, "====== Quit ======");
        return result;
    }

    // The settings group of the last camera is the current one until a
    // camera connects, so windows open where they were for it.
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    settings->setLastProductId(settings->lastProductId());

    auto *application = new TVK_GUI_Application(argc, argv);
    debugLog(kLELogAlways, "main() - camera source: %s", source.description().toUtf8().constData());
    if (options.quitAfterSeconds() > 0) {
        QTimer::singleShot(options.quitAfterSeconds() * 1000, application,
                           [application]() { QMetaObject::invokeMethod(application, "catchActionQuit"); });
    }
    const int result = application->exec();

    if (TVK_GUI_Settings::exists())
        TVK_GUI_Settings::destroyInstance();
    delete application;
    return result;
}
