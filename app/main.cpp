#include "TVK_App_Identity.h"
#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_CameraSource.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace {

// Puts the chosen camera in place of the USB transport when the user asked for
// an emulated one; false (with a reason) when it cannot be had.
bool installCameraSource(const TVK_Commu_CameraSource &source, QString *error)
{
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
    TVK_Commu_CameraAccessFactory::setCreator(source.connectionType(), [product]() -> TVK_Commu_CameraAccess_Base * {
        return new TVK_Commu_CameraAccess_Emulated(std::make_shared<TVK_Emulator_Camera>(product));
    });
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    setStartupDebugLogCategories();
    qInstallMessageHandler(debugMessageHandler);

    // The application object sets its identity itself; it is set here already
    // because the log file takes its folder and name from it.
    QCoreApplication::setOrganizationName(QString::fromLatin1(TVK_App_Identity::kOrganizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(TVK_App_Identity::kApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(TVK_App_Identity::kApplicationVersion));

    QCoreApplication application(argc, argv);
    debugLog(kLELogAlways, "====== %s %s ======", TVK_App_Identity::kApplicationName,
             TVK_App_Identity::kApplicationVersion);

    TVK_Commu_CameraSource source;
    QString error;
    if (!TVK_Commu_CameraSource::fromArguments(QCoreApplication::arguments(), &source, &error)
        || !installCameraSource(source, &error)) {
        debugLog(kLELogAlways, "main() - Error: %s", error.toUtf8().constData());
        std::fprintf(stderr, "NorbaPellora: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    debugLog(kLELogAlways, "main() - camera source: %s", source.description().toUtf8().constData());

    // The settings file and the application windows come next in the start-up
    // sequence; until they exist the program stops after its start-up lines.
    debugLog(kLELogAlways, "====== Quit ======");
    return 0;
}
