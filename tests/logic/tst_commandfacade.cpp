#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Logic_CommandFacade.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_TracingAccess.h"

#include <QtTest>

#include <memory>

using Facade = TVK_Logic_CommandFacade;

namespace {

constexpr int kWaitMs = 10000;

// A controller on an emulated camera with the facade on it from the start,
// told a panel has opened, as the application's camera window tells it.
struct Rig {
    Rig()
    {
        TVK_Commu_CameraAccessFactory::setCreator(1, [this]() { return access = new TVK_Test_TracingAccess(camera); });
        camera->setTimeScale(0.01);
        controller = std::make_unique<TVK_Logic_Controller>();
        facade = std::make_unique<Facade>(controller.get());
        const Facade::State &s = facade->state();
        ready = QTest::qWaitFor([&s]() { return s.connected; }, kWaitMs);
        controller->catchCameraGUIOpened();
        ready = ready && QTest::qWaitFor([&s]() { return s.apertures.size() > 2 && !s.aperture.isEmpty(); }, kWaitMs);
    }
    ~Rig()
    {
        facade.reset();
        controller.reset();
        TVK_Commu_CameraAccessFactory::setCreator(1, {});
    }

    std::shared_ptr<TVK_Emulator_Camera> camera = std::make_shared<TVK_Emulator_Camera>(0x2031);
    TVK_Test_TracingAccess *access = nullptr; // owned by the controller
    std::unique_ptr<TVK_Logic_Controller> controller;
    std::unique_ptr<Facade> facade;
    bool ready = false;
};

} // namespace

class tst_CommandFacade : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    // A choice set by its text shows in the state once the camera has taken
    // it; an unplugged camera leaves no state behind.
    void stateFollowsTheCameraAndForgetsIt()
    {
        Rig rig;
        QVERIFY(rig.ready);
        const Facade::State &state = rig.facade->state();
        QVERIFY(state.exposureMode >= 0 && state.sensitivities.size() > 1 && state.driveModes.size() > 1);
        const QString chosen = state.apertures.at(state.apertures.indexOf(state.aperture) == 1 ? 2 : 1);
        QSignalSpy changed(rig.facade.get(), &Facade::signalStateChanged);
        QVERIFY(rig.facade->setSetting(QStringLiteral("aperture"), chosen));
        QVERIFY(QTest::qWaitFor([&]() { return state.aperture == chosen; }, kWaitMs));
        QVERIFY(changed.count() > 0);

        rig.camera->removeDevice();
        QVERIFY(QTest::qWaitFor([&state]() { return !state.connected; }, kWaitMs));
        QVERIFY(state.apertures.isEmpty() && state.aperture.isEmpty() && state.exposureMode == -1);
    }

    void unknownSettingsAndTextsAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no such setting")
            << "colour" << "red" << "TVK_Logic_CommandFacade::setSetting() - no setting \"colour\"";
        QTest::newRow("no such aperture") << "aperture" << "f/0.1"
                                          << "TVK_Logic_CommandFacade::setSetting() - \"f/0.1\" is none of the";
        QTest::newRow("a shutter time for the aperture") << "aperture" << "1/60" << "\"1/60\" is none of the";
    }
    void unknownSettingsAndTextsAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, logged);
        Rig rig;
        QVERIFY(rig.ready);
        QSignalSpy sent(rig.facade.get(), &Facade::signalSetAperture);
        TVK_Test_LogCapture log;
        QVERIFY(!rig.facade->setSetting(name, text));
        QCOMPARE(log.matching(logged).size(), 1);
        QCOMPARE(sent.count(), 0);
    }

    // One release is one press and one let-go at the camera: in continuous
    // drive the series begins and ends.
    void releaseIsOnePressAndOneLetGo()
    {
        Rig rig;
        QVERIFY(rig.ready);
        rig.controller->setDriveMode(1);
        rig.access->clear();
        rig.facade->release(); // at once: this controller runs in the caller's thread
        QCOMPARE(rig.access->releaseStages, (QVector<int>{12, 13}));
    }
};

QTEST_GUILESS_MAIN(tst_CommandFacade)
#include "tst_commandfacade.moc"
