#include "TVK_Platform_Linux.h"

#include <QStandardPaths>
#include <QStringList>

namespace {

QString firstLocation(QStandardPaths::StandardLocation location)
{
    const QStringList locations = QStandardPaths::standardLocations(location);
    return locations.isEmpty() ? QString() : locations.first();
}

} // namespace

QString TVK_Platform_Linux::applicationDataFolder()
{
    return firstLocation(QStandardPaths::AppDataLocation);
}

QString TVK_Platform_Linux::picturesFolder()
{
    return firstLocation(QStandardPaths::PicturesLocation);
}

bool TVK_Platform_Linux::transferStarting(void *)
{
    // Nothing on Linux has to be prepared before a picture is written.
    return true;
}

void TVK_Platform_Linux::transferFinished(unsigned)
{
}
