#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_CameraSettingsByDevProps.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_CameraSettingsByStructCora.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"
#include "TVK_Test_TracingAccess.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>
#include <typeinfo>

using Camera = TVK_Emulator_Camera;
using Model = TVK_Logic_Camera;
using Record = TVK_Emulator_SettingsRecord;
using Flags = TVK_Logic_CameraSettingsBase::ChangedFlags;
using Base = TVK_Logic_CameraSettingsBase;

Q_DECLARE_METATYPE(std::function<void(Model &)>)
Q_DECLARE_METATYPE(std::function<void(Camera &)>)

namespace {

constexpr int kOpSetCameraSettings = 0x9001;
constexpr int kWaitMs = 5000;
// Long enough for the access's 100 ms change queue and the emulator's report.
constexpr int kQuietMs = 600;

using TracingAccess = TVK_Test_TracingAccess;

// A connected emulated camera with the model on top. The model goes first,
// then the access stops its reports, then the camera goes.
struct Rig {
    explicit Rig(int product, const std::function<void(Camera &)> &prepare = {})
        : camera(std::make_shared<Camera>(product))
    {
        camera->setTimeScale(0.01);
        if (prepare)
            prepare(*camera);
        access = std::make_unique<TracingAccess>(camera);
        access->checkDeviceAvailable();
        opened = access->openConnection(TracingAccess::kVendorId, product, access->deviceId());
        model = std::make_unique<Model>(access.get());
    }
    ~Rig()
    {
        model.reset();
        access->closeConnection();
        access.reset();
    }
    Record *record() const { return camera->component<Record>(); }
    TVK_Emulator_PropertyStore *store() const { return camera->properties(); }

    std::shared_ptr<Camera> camera;
    std::unique_ptr<TracingAccess> access;
    std::unique_ptr<Model> model;
    bool opened = false;
};

// Every signal of the model, by name and grouped by signal: what was emitted
// at all (the order of emission is OrderLog's job).
class Recorder : public QObject
{
public:
    explicit Recorder(Model *model)
    {
        const QMetaObject *meta = model->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            const QByteArray signature = QByteArray("2") + method.methodSignature();
            auto spy = std::make_shared<QSignalSpy>(model, signature.constData());
            m_spies.append(qMakePair(QString::fromLatin1(method.name()), spy));
        }
    }
    int total() const
    {
        int count = 0;
        for (const auto &entry : m_spies)
            count += entry.second->count();
        return count;
    }
    QStringList names() const
    {
        QStringList list;
        for (const auto &entry : m_spies) {
            for (int i = 0; i < entry.second->count(); ++i)
                list << entry.first;
        }
        return list;
    }

private:
    QVector<QPair<QString, std::shared_ptr<QSignalSpy>>> m_spies;
};

// Records the names of chosen signals in the order of emission.
struct OrderLog {
    explicit OrderLog(Model *model)
    {
        auto add = [this](const QString &name) { return [this, name]() { names << name; }; };
        QObject::connect(model, &Model::signalBatteryInfo, add("BatteryInfo"));
        QObject::connect(model, &Model::signalMaxShutterTime, add("MaxShutterTime"));
        QObject::connect(model, &Model::signalLensConnectionType, add("LensConnectionType"));
        QObject::connect(model, &Model::signalPowerSwitch, add("PowerSwitch"));
        QObject::connect(model, &Model::signalSensitivityAuto, add("SensitivityAuto"));
        QObject::connect(model, &Model::signalSensitivity, add("Sensitivity"));
        QObject::connect(model, &Model::signalJpgResolution, add("JpgResolution"));
        QObject::connect(model, &Model::signalAutoreviewDuration, add("AutoreviewDuration"));
        QObject::connect(model, &Model::signalSensorFormat, add("SensorFormat"));
        QObject::connect(model, &Model::signalExposureMode, add("ExposureMode"));
        QObject::connect(model, &Model::signalAperture, add("Aperture"));
        QObject::connect(model, &Model::signalShutterTime, add("ShutterTime"));
        QObject::connect(model, &Model::signalFocusConfirmBadSig, add("FocusConfirmBadSig"));
        QObject::connect(model, &Model::signalNoFocusConfirmation, add("NoFocusConfirmation"));
        QObject::connect(model, &Model::signalAutoFocusLimit, add("AutoFocusLimit"));
    }
    QStringList names;
};

Flags flagsOf(const QVector<int> &indices)
{
    Flags flags{};
    for (int index : indices)
        flags[size_t(index)] = true;
    return flags;
}

} // namespace

class tst_Camera : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strategyFollowsProduct_data();
    void strategyFollowsProduct();
    void setterEmitsOnlyTheCameraAnswer_data();
    void setterEmitsOnlyTheCameraAnswer();
    void cameraChangeIsEmitted_data();
    void cameraChangeIsEmitted();
    void equalValueEmitsNothing();
    void refusedValueIsNotEchoed_data();
    void refusedValueIsNotEchoed();
    void emitChangedOrder_data();
    void emitChangedOrder();
    void illegalExposureModeSendsNothing();
    void bracketImageNumbers_data();
    void bracketImageNumbers();
    void invalidFocusPositionDoesNotMoveTheLens();
    void ignoredPropertiesAreNotRead_data();
    void ignoredPropertiesAreNotRead();
    void shutterTimeInBulb_data();
    void shutterTimeInBulb();
    void serialNumberWithoutLeadingZeros();
    void keepAlive_data();
    void keepAlive();
    void connectionSettingsAreRestored();
    void imageDatabaseIsReachedThroughTheModel();
};

void tst_Camera::strategyFollowsProduct_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("strategy");
    QTest::newRow("0x2009 struct") << 0x2009 << QString::fromLatin1(typeid(TVK_Logic_CameraSettingsByStruct).name());
    QTest::newRow("0x2021 cora") << 0x2021 << QString::fromLatin1(typeid(TVK_Logic_CameraSettingsByStructCora).name());
    QTest::newRow("0x2051 cora") << 0x2051 << QString::fromLatin1(typeid(TVK_Logic_CameraSettingsByStructCora).name());
    QTest::newRow("0x2031 props") << 0x2031 << QString::fromLatin1(typeid(TVK_Logic_CameraSettingsByDevProps).name());
    QTest::newRow("0x2061 props") << 0x2061 << QString::fromLatin1(typeid(TVK_Logic_CameraSettingsByDevProps).name());
}

void tst_Camera::strategyFollowsProduct()
{
    QFETCH(int, product);
    QFETCH(QString, strategy);
    Rig rig(product);
    QVERIFY(rig.opened);
    QVERIFY(rig.model->settings() != nullptr);
    QCOMPARE(QString::fromLatin1(typeid(*rig.model->settings()).name()), strategy);
    QCOMPARE(rig.model->productId(), product);
}

void tst_Camera::setterEmitsOnlyTheCameraAnswer_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<std::function<void(Model &)>>("set");
    QTest::addColumn<int>("written");
    QTest::newRow("0x2031 contrast") << 0x2031
                                     << std::function<void(Model &)>([](Model &m) { m.setContrast(eVXContrast(2)); })
                                     << 0x5014;
    QTest::newRow("0x2031 metering")
        << 0x2031 << std::function<void(Model &)>([](Model &m) { m.setExposMetering(eVXExposMetering(1)); }) << 0x500B;
    QTest::newRow("0x2009 drive mode")
        << 0x2009 << std::function<void(Model &)>([](Model &m) { m.setDriveMode(eVXDriveMode(1)); })
        << kOpSetCameraSettings;
    QTest::newRow("0x2009 file format")
        << 0x2009 << std::function<void(Model &)>([](Model &m) { m.setFileFormat(3); }) << kOpSetCameraSettings;
}

// The setter sends; what the camera then reports is the only thing emitted.
// The strategies keep a value they wrote, so the camera's confirmation of it
// raises no flag and nothing at all is emitted.
void tst_Camera::setterEmitsOnlyTheCameraAnswer()
{
    QFETCH(int, product);
    QFETCH(std::function<void(Model &)>, set);
    QFETCH(int, written);
    Rig rig(product);
    QVERIFY(rig.opened);
    // Reports left from the connection must not count.
    QTest::qWait(kQuietMs);
    Recorder all(rig.model.get());
    rig.access->clear();
    set(*rig.model);
    QCOMPARE(rig.access->written, QVector<int>{written});
    QCOMPARE(all.total(), 0);
    QTest::qWait(kQuietMs);
    QCOMPARE(all.names(), QStringList());
}

void tst_Camera::cameraChangeIsEmitted_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<std::function<void(Camera &)>>("change");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("0x2031 contrast")
        << 0x2031 << std::function<void(Camera &)>([](Camera &c) { c.properties()->setValue(0x5014, 2); })
        << QByteArray(SIGNAL(signalContrast(int))) << QVariant(2);
    QTest::newRow("0x2031 metering")
        << 0x2031 << std::function<void(Camera &)>([](Camera &c) { c.properties()->setValue(0x500B, 3); })
        << QByteArray(SIGNAL(signalExposMetering(int))) << QVariant(3);
    QTest::newRow("0x2009 drive mode")
        << 0x2009
        << std::function<void(Camera &)>([](Camera &c) { c.component<Record>()->setField(Record::kLEDriveMode, 1); })
        << QByteArray(SIGNAL(signalDriveMode(int))) << QVariant(1);
    QTest::newRow("0x2009 file format")
        << 0x2009
        << std::function<void(Camera &)>([](Camera &c) { c.component<Record>()->setField(Record::kLEFileFormat, 3); })
        << QByteArray(SIGNAL(signalFileFormat(int))) << QVariant(3);
}

// A value the camera changes itself travels the access's change queue (or the
// settings-changed event) and comes out as exactly that setting's signal.
void tst_Camera::cameraChangeIsEmitted()
{
    QFETCH(int, product);
    QFETCH(std::function<void(Camera &)>, change);
    QFETCH(QByteArray, signal);
    QFETCH(QVariant, expected);
    Rig rig(product, [](Camera &c) {
        c.properties()->setValue(0x5014, 0, false);
        c.properties()->setValue(0x500B, 2, false);
        if (Record *record = c.component<Record>()) {
            record->setField(Record::kLEDriveMode, 0, false);
            record->setField(Record::kLEFileFormat, 0, false);
        }
    });
    QVERIFY(rig.opened);
    QTest::qWait(kQuietMs);
    Recorder all(rig.model.get());
    QSignalSpy spy(rig.model.get(), signal.constData());
    change(*rig.camera);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, kWaitMs);
    QCOMPARE(spy.at(0).at(0), expected);
    QTest::qWait(kQuietMs);
    QCOMPARE(all.names(), QStringList{QString::fromLatin1(signal.mid(1, signal.indexOf('(') - 1))});
}

void tst_Camera::equalValueEmitsNothing()
{
    Rig rig(0x2031);
    QTest::qWait(kQuietMs);
    Recorder all(rig.model.get());
    rig.model->setContrast(eVXContrast(rig.model->contrast()));
    QTest::qWait(kQuietMs);
    QCOMPARE(all.names(), QStringList());
}

// A refused value is never announced; the camera's own value is announced
// again instead, so that a panel showing the user's pick goes back to it.
void tst_Camera::refusedValueIsNotEchoed_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("failTransaction"); // else the camera's form refuses the value
    QTest::newRow("0x2031 value outside the form") << 0x2031 << false;
    QTest::newRow("0x2031 write fails") << 0x2031 << true;
    QTest::newRow("0x2021 record write fails") << 0x2021 << true;
}

void tst_Camera::refusedValueIsNotEchoed()
{
    QFETCH(int, product);
    QFETCH(bool, failTransaction);
    Rig rig(product);
    QVERIFY(rig.opened);
    QTest::qWait(kQuietMs);
    const int before = rig.model->exposMetering();
    const int refused = failTransaction ? (before == 1 ? 2 : 1) : 7;
    if (failTransaction)
        rig.camera->failNextOperation(product == 0x2021 ? kOpSetCameraSettings : 0x1016, 0x2002);
    else
        QVERIFY(!rig.store()->allows(0x500B, refused));
    QSignalSpy spy(rig.model.get(), &Model::signalExposMetering);
    rig.model->setExposMetering(eVXExposMetering(refused));
    QTest::qWait(kQuietMs);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), before);
    QCOMPARE(rig.model->exposMetering(), before);
}

void tst_Camera::emitChangedOrder_data()
{
    QTest::addColumn<QVector<int>>("flags");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lens type before power switch, battery first")
        << QVector<int>{Base::kLEPowerSwitch, Base::kLELensConnectionType, Base::kLEBatteryInfo, Base::kLEExposureTimeMax}
        << QStringList{"BatteryInfo", "MaxShutterTime", "LensConnectionType", "PowerSwitch"};
    QTest::newRow("sensitivity auto first; jpg, review before sensor")
        << QVector<int>{Base::kLESensorFormat, Base::kLEAutoreviewDuration, Base::kLEPhotoResolutionJPG, Base::kLESensitivity}
        << QStringList{"SensitivityAuto", "Sensitivity", "JpgResolution", "AutoreviewDuration", "SensorFormat"};
    QTest::newRow("exposure mode brings aperture and shutter")
        << QVector<int>{Base::kLEExposureTime, Base::kLEExposureProgram}
        << QStringList{"ExposureMode", "Aperture", "ShutterTime", "ShutterTime"};
    QTest::newRow("bad signal before no confirmation")
        << QVector<int>{Base::kLEAutoFocusLimit, Base::kLEFocusConfirmEnabled, Base::kLEFocusConfirmBadSignal}
        << QStringList{"FocusConfirmBadSig", "NoFocusConfirmation", "AutoFocusLimit"};
    QTest::newRow("flags without a signal") << QVector<int>{15, 30, 39, 48} << QStringList();
}

void tst_Camera::emitChangedOrder()
{
    QFETCH(QVector<int>, flags);
    QFETCH(QStringList, expected);
    // 0x2031 has an aperture and keeps focus confirmation off.
    Rig rig(0x2031);
    QVERIFY(rig.model->hasAperture());
    QVERIFY(!rig.model->focusConfirmationEnabled());
    OrderLog log(rig.model.get());
    rig.model->emitChanged(flagsOf(flags));
    QCOMPARE(log.names, expected);
}

void tst_Camera::illegalExposureModeSendsNothing()
{
    TVK_Test_LogCapture capture;
    Rig rig(0x2009);
    rig.access->clear();
    rig.model->setExposureMode(eVXExposureMode(6));
    QVERIFY(capture.contains(QStringLiteral("TVK_Logic_Camera::setExposureMode() - illegal exposure mode 6")));
    QCOMPARE(rig.access->written, QVector<int>());
}

void tst_Camera::bracketImageNumbers_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<qint64>("field"); // 1 three pictures, 2 five
    QTest::newRow("4 gives 3") << 4 << qint64(1);
    QTest::newRow("5 gives 5") << 5 << qint64(2);
    QTest::newRow("7 gives 3") << 7 << qint64(1);
}

void tst_Camera::bracketImageNumbers()
{
    QFETCH(int, asked);
    QFETCH(qint64, field);
    Rig rig(0x2009, [](Camera &camera) { camera.component<Record>()->setField(Record::kLEBracketing, 0, false); });
    rig.model->setBracketImgNum(asked);
    QCOMPARE(rig.record()->field(Record::kLEBracketing), field);
}

void tst_Camera::invalidFocusPositionDoesNotMoveTheLens()
{
    TVK_Test_LogCapture capture;
    Rig rig(0x2031);
    QVERIFY(rig.model->settings()->featureMoveLensToPos());
    const int focusBefore = rig.model->focusMode();
    rig.access->clear();
    rig.model->setFocusDistance(0xFFFFFFFFu);
    QVERIFY(capture.contains(QStringLiteral("TVK_Logic_Camera::setFocusDistance() - illegal position 0xffffffff")));
    QCOMPARE(rig.access->commands, QVector<int>());
    QCOMPARE(rig.access->written, QVector<int>());
    QCOMPARE(rig.model->focusMode(), focusBefore);
}

void tst_Camera::ignoredPropertiesAreNotRead_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("reads");
    QTest::newRow("0xD601") << 0xD601 << QVector<int>();
    QTest::newRow("0xD604") << 0xD604 << QVector<int>();
    QTest::newRow("0xD607") << 0xD607 << QVector<int>();
    QTest::newRow("contrast is read") << 0x5014 << QVector<int>{0x5014};
}

void tst_Camera::ignoredPropertiesAreNotRead()
{
    QFETCH(int, code);
    QFETCH(QVector<int>, reads);
    Rig rig(0x2031);
    QTest::qWait(kQuietMs);
    Recorder all(rig.model.get());
    rig.access->clear();
    QVERIFY(QMetaObject::invokeMethod(rig.model.get(), "catchDevicePropertyChanged", Q_ARG(ushort, ushort(code))));
    QCOMPARE(rig.access->reads, reads);
    QCOMPARE(all.total(), 0);
}

void tst_Camera::shutterTimeInBulb_data()
{
    QTest::addColumn<qint64>("mode");
    QTest::addColumn<bool>("isBulb");
    QTest::newRow("bulb") << qint64(4) << true;
    QTest::newRow("manual") << qint64(3) << false;
}

void tst_Camera::shutterTimeInBulb()
{
    QFETCH(qint64, mode);
    QFETCH(bool, isBulb);
    Rig rig(0x2009, [mode](Camera &camera) { camera.component<Record>()->setField(Record::kLEExposureMode, mode, false); });
    QCOMPARE(rig.model->exposureMode(), int(mode));
    QCOMPARE(rig.model->shutterTime() == -1.0, isBulb);
    QCOMPARE(rig.model->shutterTime(), isBulb ? -1.0 : rig.model->settings()->shutterTime());
}

void tst_Camera::serialNumberWithoutLeadingZeros()
{
    Rig rig(0x2031);
    QCOMPARE(rig.model->serialNumber(), QStringLiteral("2031066"));
    QCOMPARE(rig.model->productName(), QStringLiteral("Ardo 3"));
}

void tst_Camera::keepAlive_data()
{
    QTest::addColumn<bool>("skip");
    QTest::addColumn<int>("emitted");
    QTest::newRow("sends") << false << 1;
    QTest::newRow("skipped") << true << 0;
}

void tst_Camera::keepAlive()
{
    QFETCH(bool, skip);
    QFETCH(int, emitted);
    TVK_Test_LogCapture capture;
    Rig rig(0x2031);
    rig.model->setKeepAliveSkip(skip);
    QSignalSpy spy(rig.model.get(), &Model::signalIsAlive);
    QVERIFY(QMetaObject::invokeMethod(rig.model.get(), "catchKeepAlive"));
    QCOMPARE(spy.count(), emitted);
    if (emitted > 0)
        QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(capture.contains(QStringLiteral("TVK_Logic_Camera::catchKeepAlive() - KeepAlive skipped")), skip);
    QCOMPARE(capture.contains(QStringLiteral("TVK_Logic_Camera::catchKeepAlive() - KeepAlive done")), !skip);
}

void tst_Camera::connectionSettingsAreRestored()
{
    Rig rig(0x2009, [](Camera &camera) {
        camera.component<Record>()->setField(Record::kLEStorageType, 0, false);
        camera.component<Record>()->setField(Record::kLEAutoPowerOff, 3, false);
    });
    QCOMPARE(rig.record()->field(Record::kLEStorageType), qint64(2));
    QCOMPARE(rig.record()->field(Record::kLEAutoPowerOff), qint64(0));
    rig.model->restoreAutoPowerOff();
    rig.model->restoreStorageType();
    QCOMPARE(rig.record()->field(Record::kLEStorageType), qint64(0));
    QCOMPARE(rig.record()->field(Record::kLEAutoPowerOff), qint64(3));
}

// The access's request reaches the database, whose change reports come out of
// the model, where the controller listens.
void tst_Camera::imageDatabaseIsReachedThroughTheModel()
{
    TVK_Test_RecordingAccess access(0x2031);
    Model model(&access);
    // GetObjectHandles: count 2, then the handles 0x11 and 0x12.
    access.answerAlways(0x1007, QByteArray::fromHex("020000001100000012000000"));
    QSignalSpy begin(&model, &Model::signalImageDBChangeBegin);
    QSignalSpy end(&model, &Model::signalImageDBChangeEnd);
    Q_EMIT access.signalUpdateImageDB();
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QCOMPARE(model.imageCount(), 2);
    QCOMPARE(model.imageHandleAt(1), 0x12u);
    model.setImageRotation(1, 90);
    model.removeImageEntry(0x11);
    QCOMPARE(model.imageIndexOfHandle(0x12), 0);
    QCOMPARE(model.imageRotation(0), 90);
}

QTEST_GUILESS_MAIN(tst_Camera)
#include "tst_camera.moc"
