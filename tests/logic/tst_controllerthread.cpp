#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Logic_ControllerWorker.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <memory>

using Controller = TVK_Logic_Controller;
using Worker = TVK_Logic_ControllerWorker;
using Recorder = TVK_Test_SignalRecorder;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 10000;
constexpr int kProduct = 0x2031;

} // namespace

class tst_ControllerThread : public QObject
{
    Q_OBJECT

Q_SIGNALS:
    // What the application's side sends to the controller.
    void signalFinishController();
    void signalCameraGUIOpened();
    void signalContrast(const QString &text);

private Q_SLOTS:
    void init();
    void cleanup();

    void workerHandsOverTheControllerAndEndsCleanly();
    void unstartedWorkerHandsOverNothing();
    void queuedCallsRunInTheControllerThread();
    void anyThreadCallsHopToTheControllerThread();
    void devicePollInTheWorkerLoopFindsALaterCamera();

private:
    // Builds the thread as the application does; the controller is in
    // m_controller afterwards (null when the hand-over failed).
    void startThread();
    // Asks the worker to finish and waits until thread, worker and controller
    // are gone; true at once when they are.
    bool finishThread();

    std::unique_ptr<TVK_Test_CameraRig> m_rig;
    QPointer<QThread> m_thread;
    QPointer<Worker> m_worker;
    QPointer<Controller> m_controller;
    int m_finished = 0;
};

void tst_ControllerThread::init()
{
    TVK_Test_CameraRig::Options options(kProduct);
    options.controller = false; // the worker's
    options.plugged = false;    // by each test once its recorders listen
    m_rig = std::make_unique<TVK_Test_CameraRig>(options);
    m_finished = 0;
}

void tst_ControllerThread::cleanup()
{
    // A test that failed half-way still ends its thread before the camera goes.
    if (m_thread)
        finishThread();
    m_rig.reset();
}

void tst_ControllerThread::startThread()
{
    auto *thread = new QThread;
    auto *worker = new Worker;
    worker->moveToThread(thread);
    connect(thread, &QThread::started, worker, &Worker::process);
    connect(this, &tst_ControllerThread::signalFinishController, worker, &Worker::requestFinish);
    connect(worker, &Worker::signalFinished, thread, &QThread::quit);
    connect(worker, &Worker::signalFinished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(worker, &Worker::signalFinished, this, [this]() { ++m_finished; });
    m_thread = thread;
    m_worker = worker;
    thread->start(QThread::InheritPriority);
    m_controller = worker->waitForController(kWaitMs);
}

bool tst_ControllerThread::finishThread()
{
    if (m_thread.isNull())
        return m_worker.isNull() && m_controller.isNull();
    Q_EMIT signalFinishController();
    // The thread object is deleted in this thread once it has finished, and
    // it waits for the end of its thread while it is deleted.
    return QTest::qWaitFor([this]() { return m_thread.isNull(); }, kWaitMs) && m_worker.isNull()
           && m_controller.isNull();
}

void tst_ControllerThread::workerHandsOverTheControllerAndEndsCleanly()
{
    const QRegularExpression started("^TVK_Logic_ControllerWorker::process\\(\\) - started in thread 0x[0-9A-F]{12}$");
    const QRegularExpression finished("^TVK_Logic_ControllerWorker::process\\(\\) - finished in thread 0x[0-9A-F]{12}$");
    for (int cycle = 1; cycle <= 3; ++cycle) {
        TVK_Test_LogCapture log;
        startThread();
        QVERIFY(m_controller);
        QVERIFY(m_controller->thread() == m_thread.data());
        QVERIFY(m_worker->controller() == m_controller.data());
        {
            Recorder recorder(m_controller.data(), Qt::QueuedConnection);
            const auto end = qScopeGuard([this]() { finishThread(); });
            m_rig->camera()->attach();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count("signalCameraConnected"), 1, kWaitMs);
            QVERIFY(finishThread());
            QCOMPARE(m_finished, 1);
        }
        QCOMPARE(log.lines().filter(started).size(), 1);
        QCOMPARE(log.lines().filter(finished).size(), 1);
        m_finished = 0;
        m_rig->camera()->removeDevice();
    }
}

void tst_ControllerThread::unstartedWorkerHandsOverNothing()
{
    Worker worker;
    QVERIFY(worker.controller() == nullptr);
    QVERIFY(worker.waitForController(50) == nullptr);
}

void tst_ControllerThread::queuedCallsRunInTheControllerThread()
{
    startThread();
    QVERIFY(m_controller);
    {
        // One recorder where the controller emits, one behind queued delivery.
        Recorder direct(m_controller.data());
        Recorder queued(m_controller.data(), Qt::QueuedConnection);
        const auto end = qScopeGuard([this]() { finishThread(); });
        m_rig->camera()->attach();
        QTRY_COMPARE_WITH_TIMEOUT(queued.count("signalCameraConnected"), 1, kWaitMs);

        connect(this, &tst_ControllerThread::signalCameraGUIOpened, m_controller.data(),
                &Controller::catchCameraGUIOpened);
        connect(this, &tst_ControllerThread::signalContrast, m_controller.data(),
                qOverload<const QString &>(&Controller::setContrast));
        Q_EMIT signalCameraGUIOpened();
        QTRY_VERIFY_WITH_TIMEOUT(queued.count("signalShutterTimeList") > 0, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(queued.count("signalHasFocusConfirmation"), 1, kWaitMs);
        QVERIFY(queued.count("signalCameraSerialNumber") == 1);

        // Every signal left the controller thread and arrived here in the same order.
        for (const Recorder::Entry &entry : direct.entries())
            QVERIFY2(entry.thread == m_thread.data(), entry.signature.constData());
        for (const Recorder::Entry &entry : queued.entries())
            QVERIFY(entry.thread == QThread::currentThread());
        QTRY_COMPARE_WITH_TIMEOUT(queued.signatures(), direct.signatures(), kWaitMs);
        QCOMPARE(queued.lastArgs("signalCameraSerialNumber").value(0).toString(), QStringLiteral("2031066"));

        // A choice of the panel reaches the camera.
        m_rig->camera()->properties()->setValue(TVK_Commu_Prop::kContrast, 1, false);
        Q_EMIT signalContrast(QStringLiteral("High"));
        QTRY_COMPARE_WITH_TIMEOUT(m_rig->camera()->properties()->value(TVK_Commu_Prop::kContrast), qint64(2), kWaitMs);

        // Slots called by name, queued, as a remote command would.
        QVERIFY(QMetaObject::invokeMethod(m_controller.data(), "emitAperture", Qt::QueuedConnection,
                                          Q_ARG(double, 8.0)));
        QTRY_COMPARE_WITH_TIMEOUT(queued.lastArgs("signalAperture").value(0).toString(), QStringLiteral("f 8"),
                                  kWaitMs);
        QVERIFY(finishThread());
    }
}

void tst_ControllerThread::anyThreadCallsHopToTheControllerThread()
{
    startThread();
    QVERIFY(m_controller);
    Controller *controller = m_controller.data();
    {
        Recorder direct(controller);
        const auto end = qScopeGuard([this]() { finishThread(); });
        m_rig->camera()->attach();
        QTRY_COMPARE_WITH_TIMEOUT(direct.count("signalCameraConnected"), 1, kWaitMs);

        // The queries answer here at once.
        QCOMPARE(controller->productId(), kProduct);
        QCOMPARE(controller->productName(), QStringLiteral("Ardo 3"));
        QCOMPARE(controller->has3DAxisData(), true);

        // The acting calls are carried out in the controller thread.
        controller->setIsUnitFeet(true);
        QTRY_COMPARE_WITH_TIMEOUT(direct.count("signalFocusIsUnitFeet"), 1, kWaitMs);
        const Recorder::Entry unit = direct.entries("signalFocusIsUnitFeet").first();
        QVERIFY(unit.thread == m_thread.data());
        QCOMPARE(unit.args.value(0).toBool(), true);
        QTRY_VERIFY_WITH_TIMEOUT(direct.count("signalFocusMaxDistance") == 1, kWaitMs);
        QVERIFY(direct.entries("signalFocusMaxDistance").first().thread == m_thread.data());

        controller->setWantQuickView(true);
        QTRY_VERIFY_WITH_TIMEOUT(controller->camera()->wantQuickView(), kWaitMs);

        {
            TVK_Logic_FolderSettings settings;
            settings.setPictureNewFileName(QStringLiteral("Studio"));
            settings.setPictureNumber(42);
            controller->setFolderSettings(&settings);
        } // the caller's object is gone before the controller thread uses it
        QVERIFY(QMetaObject::invokeMethod(controller, "emitFileNameAndNumber", Qt::QueuedConnection));
        QTRY_COMPARE_WITH_TIMEOUT(direct.count("signalPictureName"), 1, kWaitMs);
        QCOMPARE(direct.lastArgs("signalPictureName").value(0).toString(), QStringLiteral("Studio"));
        QCOMPARE(direct.lastArgs("signalPictureIndex").value(0).toInt(), 42);
        QVERIFY(direct.entries("signalPictureName").first().thread == m_thread.data());

        QVERIFY(finishThread());
    }
}

void tst_ControllerThread::devicePollInTheWorkerLoopFindsALaterCamera()
{
    startThread(); // the camera is not plugged in yet
    QVERIFY(m_controller);
    {
        Recorder recorder(m_controller.data(), Qt::QueuedConnection);
        const auto end = qScopeGuard([this]() { finishThread(); });
        QCOMPARE(m_controller->productId(), 0);

        m_rig->camera()->attach();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count("signalCameraConnected"), 1, kWaitMs);
        QCOMPARE(m_controller->productId(), kProduct);

        m_rig->camera()->removeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count("signalCameraDisconnected"), 1, kWaitMs);
        QCOMPARE(m_controller->productId(), 0);
        QVERIFY(finishThread());
    }
}

QTEST_GUILESS_MAIN(tst_ControllerThread)
#include "tst_controllerthread.moc"
