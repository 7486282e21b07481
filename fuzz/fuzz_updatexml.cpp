// The update information document as the server sends it, and the version
// it offers compared with the program's.

#include "TVK_Fuzz_Log.h"
#include "TVK_GUI_Application.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    QString version;
    if (TVK_GUI_Application::updateVersionFromXml(QByteArray(reinterpret_cast<const char *>(data), int(size)),
                                                  &version)) {
        TVK_GUI_Application::isNewerVersion(version, QStringLiteral("3.8.0"));
        TVK_GUI_Application::isNewerVersion(QStringLiteral("3.8.0"), version);
    }
    return 0;
}
