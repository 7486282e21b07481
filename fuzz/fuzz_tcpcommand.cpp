// What a client of the command server sends, line by line as each line would
// arrive as a chunk of its own, handed to the application's command slot. One
// application exists for the whole process, offscreen, without a camera and
// with its server switched off, so no port of the machine is taken.

#include "TVK_Debug_Log.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_Home.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMetaObject>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TVK_GUI_Application *application = [] {
        // The lines go nowhere: a fuzzer must not wait for a terminal.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        setDebugLogCategories(~0, true);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Settings, pictures and logs in a home of the fuzzer's own.
        static TVK_Test_Home home;
        if (!home.isValid())
            std::abort();
        TVK_GUI_Settings::registerXmlFormat();
        TVK_GUI_Settings::instance()->setTcpServerEnabled(false);
        static int argc = 1;
        static char name[] = "fuzz_tcpcommand";
        static char *argv[] = {name, nullptr};
        auto *made = new TVK_GUI_Application(argc, argv);
        // Each kind of command once before the exit handler is registered:
        // the log prefixes of the methods they reach are function statics,
        // destroyed at exit in reverse order of their making, and they must
        // outlive the controller's thread, which the handler ends.
        for (const char *command : {"r", "q", "x", "\x01", ""})
            QMetaObject::invokeMethod(made, "catchTcpCommand", Qt::DirectConnection,
                                      Q_ARG(QByteArray, QByteArray(command)));
        QMetaObject::invokeMethod(made->controller(), [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::processEvents();
        std::atexit([] {
            delete TVK_GUI_Application::instance();
            TVK_GUI_Settings::destroyInstance();
        });
        return made;
    }();
    static unsigned inputs = 0;

    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    for (const QByteArray &chunk : bytes.split('\n')) {
        if (!QMetaObject::invokeMethod(application, "catchTcpCommand", Qt::DirectConnection,
                                       Q_ARG(QByteArray, chunk)))
            std::abort();
    }
    QCoreApplication::processEvents();
    // A release queues work into the controller's thread; waiting for it now
    // and then keeps that queue from growing with the fuzzer's pace.
    if (++inputs % 64 == 0)
        QMetaObject::invokeMethod(application->controller(), [] {}, Qt::BlockingQueuedConnection);
    return 0;
}
