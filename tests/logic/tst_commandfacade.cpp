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

// A controller on an emulated camera, the facade on it from the start, as
// the application makes them.
class Rig
{
public:
    Rig()
    {
        camera = std::make_shared<TVK_Emulator_Camera>(0x2031);
        camera->setTimeScale(0.01);
        std::shared_ptr<TVK_Emulator_Camera> body = camera;
        TVK_Commu_CameraAccessFactory::setCreator(1, [this, body]() {
            access = new TVK_Test_TracingAccess(body);
            return access;
        });
        controller = std::make_unique<TVK_Logic_Controller>();
        facade = std::make_unique<Facade>(controller.get());
    }
    ~Rig()
    {
        facade.reset();
        controller.reset();
        TVK_Commu_CameraAccessFactory::setCreator(1, {});
    }
    // The controller tells its state when a panel opens, as the camera window does.
    bool waitForChoices() const
    {
        if (!QTest::qWaitFor([this]() { return facade->state().connected; }, kWaitMs))
            return false;
        controller->catchCameraGUIOpened();
        return QTest::qWaitFor([this]() {
            const Facade::State &s = facade->state();
            return s.connected && s.exposureMode >= 0 && s.apertures.size() > 1 && s.shutterTimes.size() > 1
                   && s.exposureCompensations.size() > 1 && s.sensitivities.size() > 1
                   && s.whiteBalances.size() > 1 && s.driveModes.size() > 1 && !s.aperture.isEmpty();
        }, kWaitMs);
    }

    std::shared_ptr<TVK_Emulator_Camera> camera;
    TVK_Test_TracingAccess *access = nullptr; // owned by the controller
    std::unique_ptr<TVK_Logic_Controller> controller;
    std::unique_ptr<Facade> facade;
};

// The settings whose change the emulated camera reports.
QString Facade::State::*valueOf(const QString &name)
{
    const QHash<QString, QString Facade::State::*> fields{{"aperture", &Facade::State::aperture},
                                                         {"sensitivity", &Facade::State::sensitivity},
                                                         {"driveMode", &Facade::State::driveMode}};
    return fields.value(name);
}

QStringList Facade::State::*choicesOf(const QString &name)
{
    const QHash<QString, QStringList Facade::State::*> fields{{"aperture", &Facade::State::apertures},
                                                             {"sensitivity", &Facade::State::sensitivities},
                                                             {"driveMode", &Facade::State::driveModes}};
    return fields.value(name);
}

} // namespace

class tst_CommandFacade : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    // A text from the setting's choices reaches the camera, and the state
    // shows it once the camera has reported it; an unplugged camera leaves
    // no state behind.
    void aChoiceSetByTextComesBackInTheState_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"aperture", "sensitivity", "driveMode"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void aChoiceSetByTextComesBackInTheState()
    {
        QFETCH(QString, name);
        Rig rig;
        QVERIFY(rig.waitForChoices());
        const Facade::State &state = rig.facade->state();
        const QString before = state.*valueOf(name);
        const QStringList choices = state.*choicesOf(name);
        const QString chosen = choices.at(choices.indexOf(before) == 1 ? 2 : 1);
        QSignalSpy changed(rig.facade.get(), &Facade::signalStateChanged);

        QVERIFY(rig.facade->setSetting(name, chosen));
        QVERIFY2(QTest::qWaitFor([&]() { return state.*valueOf(name) == chosen; }, kWaitMs),
                 qPrintable(state.*valueOf(name) + QStringLiteral(" instead of ") + chosen));
        QVERIFY(changed.count() > 0);

        rig.camera->removeDevice();
        QVERIFY(QTest::qWaitFor([&state]() { return !state.connected; }, kWaitMs));
        QVERIFY((state.*choicesOf(name)).isEmpty());
        QCOMPARE(state.exposureMode, -1);
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
        QTest::newRow("a shutter time's text for the aperture")
            << "aperture" << "1/60" << "\"1/60\" is none of the";
    }
    void unknownSettingsAndTextsAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, logged);
        Rig rig;
        QVERIFY(rig.waitForChoices());
        QSignalSpy sent(rig.facade.get(), &Facade::signalSetAperture);
        rig.access->clear();
        TVK_Test_LogCapture log;

        QVERIFY(!rig.facade->setSetting(name, text));
        QCOMPARE(log.matching(logged).size(), 1);
        QCOMPARE(sent.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(rig.access->writes.size(), 0);
    }

    // One release is one press and one let-go at the camera.
    void releaseIsOnePictureAtTheCamera()
    {
        Rig rig;
        QVERIFY(rig.waitForChoices());
        rig.controller->setDriveMode(0);
        rig.access->clear();
        rig.facade->release();
        QVERIFY(QTest::qWaitFor([&rig]() { return !rig.access->releaseStages.isEmpty(); }, kWaitMs));
        QCOMPARE(rig.access->releaseStages, QVector<int>{0});
    }
};

QTEST_GUILESS_MAIN(tst_CommandFacade)
#include "tst_commandfacade.moc"
