#include "TVK_GUI_CameraBase.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_Application.h"
#include "TVK_Logic_Controller.h"

#include <QMenuBar>
#include <QMetaMethod>

namespace {

// Every change of a folder field is saved by the application at once, from
// whichever side it came.
const char *const kFolderSignals[] = {
    "signalDngPath(QString)",
    "signalJpgPath(QString)",
    "signalPictureName(QString)",
    "signalPictureIndex(int)",
};

// The window's commands whose controller slots do not follow the naming rule.
struct CommandRoute
{
    const char *windowSignal;
    const char *controllerSlot;
};
const CommandRoute kCommandRoutes[] = {
    {"signalCaptureBtnPressed()", "doCaptureBtnPressed()"},
    {"signalCaptureBtnReleased()", "doCaptureBtnReleased()"},
    {"signalVidCaptBtnPressed()", "doVidCaptBtnPressed()"},
    {"signalVidCaptBtnReleased()", "doVidCaptBtnReleased()"},
};

// The interval fields are open while no interval series runs; the
// controller says when one does, under a name of its own.
const QByteArray kIntervalFieldsSlot = QByteArrayLiteral("setIsIntervalMode(bool)");

const QByteArray kSignalPrefix = QByteArrayLiteral("signal");
const QByteArray kSetPrefix = QByteArrayLiteral("set");

bool isCommandSignal(const QByteArray &signature)
{
    for (const CommandRoute &route : kCommandRoutes) {
        if (signature == route.windowSignal)
            return true;
    }
    return false;
}

} // namespace

TVK_GUI_CameraBase::TVK_GUI_CameraBase(TVK_GUI_Application *application, TVK_Logic_Controller *controller,
                                       QWidget *parent)
    : QMainWindow(parent)
    , m_application(application)
    , m_controller(controller)
{
    TVK_METHOD(prefix);
    if (m_application)
        setMenuBar(m_application->createMenuBar(this));
    else
        debugLog(kLELogAlways, "%s - no application, the window has no menu", prefix);

    if (!m_controller) {
        debugLog(kLELogAlways, "%s - no controller, the window stays unconnected", prefix);
        return;
    }
    wireFolderFieldsToApplication();
    wireByNamingRule();
    wireCommandButtons();
}

TVK_GUI_CameraBase::~TVK_GUI_CameraBase()
{
    // First, so that anything the closing triggers can see the window is going.
    m_isBeingDestroyed = true;
    for (const QMetaObject::Connection &connection : qAsConst(m_outlivingConnections))
        QObject::disconnect(connection);
    if (m_application)
        m_application->setWantQuitIfStillConnected();
}

bool TVK_GUI_CameraBase::connectBySignature(QObject *sender, const char *senderName, const QByteArray &signal,
                                            QObject *receiver, const char *receiverName, const QByteArray &method)
{
    TVK_METHOD(prefix);
    const QMetaObject *senderMeta = sender->metaObject();
    const QMetaObject *receiverMeta = receiver->metaObject();
    const QByteArray normalizedSignal = QMetaObject::normalizedSignature(signal.constData());
    const QByteArray normalizedMethod = QMetaObject::normalizedSignature(method.constData());
    const int signalIndex = senderMeta->indexOfSignal(normalizedSignal.constData());
    const int methodIndex = receiverMeta->indexOfMethod(normalizedMethod.constData());
    if (signalIndex < 0 || methodIndex < 0) {
        debugLog(kLELogAlways, "%s - cannot connect %s %s to %s %s", prefix, senderName,
                 normalizedSignal.constData(), receiverName, normalizedMethod.constData());
        return false;
    }
    // Automatic connection: queued whenever the controller lives in a thread of its own.
    const QMetaObject::Connection connection = QObject::connect(sender, senderMeta->method(signalIndex), receiver,
                                                                receiverMeta->method(methodIndex));
    if (!connection) {
        debugLog(kLELogAlways, "%s - connecting %s %s to %s %s failed", prefix, senderName,
                 normalizedSignal.constData(), receiverName, normalizedMethod.constData());
        return false;
    }
    // A connection between two objects that outlive this window would stay
    // after it and be made once more by the next window: the controller's
    // folder changes would reach the application once per window ever opened.
    if (sender != this && receiver != this)
        m_outlivingConnections.append(connection);
    m_madeConnections.append(QStringLiteral("%1 %2 -> %3 %4")
                                 .arg(QLatin1String(senderName), QLatin1String(normalizedSignal),
                                      QLatin1String(receiverName), QLatin1String(normalizedMethod)));
    return true;
}

void TVK_GUI_CameraBase::wireFolderFieldsToApplication()
{
    TVK_METHOD(prefix);
    if (!m_application) {
        debugLog(kLELogAlways, "%s - no application, folder fields are not saved", prefix);
        return;
    }
    for (const char *signal : kFolderSignals) {
        const QByteArray slot = kSetPrefix + QByteArray(signal).mid(kSignalPrefix.size());
        connectBySignature(m_controller, "controller", signal, m_application, "application", slot);
        connectBySignature(this, "window", signal, m_application, "application", slot);
    }
}

void TVK_GUI_CameraBase::wireByNamingRule()
{
    TVK_METHOD(prefix);
    // Only what this class declares: QMainWindow's own slots (setVisible,
    // setWindowTitle, ...) are not camera settings.
    const QMetaObject &window = TVK_GUI_CameraBase::staticMetaObject;
    const QMetaObject *controller = m_controller->metaObject();
    for (int i = window.methodOffset(); i < window.methodCount(); ++i) {
        const QMetaMethod method = window.method(i);
        const QByteArray signature = method.methodSignature();
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Public
            && signature.startsWith(kSetPrefix)) {
            if (signature == kIntervalFieldsSlot)
                continue;
            const QByteArray source = kSignalPrefix + signature.mid(kSetPrefix.size());
            if (controller->indexOfSignal(source.constData()) >= 0)
                connectBySignature(m_controller, "controller", source, this, "window", signature);
            else
                debugLog(kLELogAlways, "%s - no controller signal %s for window slot %s", prefix,
                         source.constData(), signature.constData());
        } else if (method.methodType() == QMetaMethod::Signal && signature.startsWith(kSignalPrefix)) {
            if (isCommandSignal(signature))
                continue;
            const QByteArray target = kSetPrefix + signature.mid(kSignalPrefix.size());
            const int slotIndex = controller->indexOfSlot(target.constData());
            if (slotIndex >= 0 && controller->method(slotIndex).access() == QMetaMethod::Public)
                connectBySignature(this, "window", signature, m_controller, "controller", target);
            else
                debugLog(kLELogAlways, "%s - no controller slot %s for window signal %s", prefix,
                         target.constData(), signature.constData());
        }
    }
}

void TVK_GUI_CameraBase::wireCommandButtons()
{
    for (const CommandRoute &route : kCommandRoutes)
        connectBySignature(this, "window", route.windowSignal, m_controller, "controller", route.controllerSlot);
    connectBySignature(m_controller, "controller", "signalIntervalRunning(bool)", this, "window",
                       "catchIntervalRunning(bool)");
}

void TVK_GUI_CameraBase::catchIntervalRunning(bool running)
{
    setIsIntervalMode(!running);
}
