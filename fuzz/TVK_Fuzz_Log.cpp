#include "TVK_Fuzz_Log.h"

#include "TVK_Debug_Log.h"

#include <QtGlobal>

void TVK_Fuzz_Log::everyCategoryToNowhere()
{
    static const bool done = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        setDebugLogCategories(~0, true);
        return true;
    }();
    (void)done;
}
