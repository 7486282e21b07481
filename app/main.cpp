#include "TVK_App_Identity.h"
#include "TVK_Debug_Log.h"

#include <QCoreApplication>

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

    // The settings file and the application windows come next in the start-up
    // sequence; until they exist the program stops after its start-up line.
    debugLog(kLELogAlways, "====== Quit ======");
    return 0;
}
