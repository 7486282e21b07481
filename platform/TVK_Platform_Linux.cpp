#include "TVK_Platform_Linux.h"

#include <QStandardPaths>
#include <QStringList>

#include <csignal>

namespace {

QString firstLocation(QStandardPaths::StandardLocation location)
{
    const QStringList locations = QStandardPaths::standardLocations(location);
    return locations.isEmpty() ? QString() : locations.first();
}

} // namespace

TVK_Platform_Linux::TVK_Platform_Linux()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

QString TVK_Platform_Linux::applicationDataFolder()
{
    return firstLocation(QStandardPaths::AppDataLocation);
}

QString TVK_Platform_Linux::picturesFolder()
{
    return firstLocation(QStandardPaths::PicturesLocation);
}

QString TVK_Platform_Linux::rescueFolder()
{
    // $XDG_DATA_HOME or ~/.local/share, whatever the application's name: the
    // user is told this path and should find it by the program's name.
    const QString data = firstLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/norba-pellora/rescue");
}

bool TVK_Platform_Linux::transferStarting(void *)
{
    // Nothing on Linux has to be prepared before a picture is written.
    return true;
}

void TVK_Platform_Linux::transferFinished(unsigned)
{
}
