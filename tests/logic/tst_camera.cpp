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
#include <QTimer>
#include <QtEndian>
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
Q_DECLARE_METATYPE(std::function<void(TVK_Test_RecordingAccess &)>)

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

// --- Image database ---------------------------------------------------------------

using Handles = QVector<quint32>;
using RecordingAccess = TVK_Test_RecordingAccess;

constexpr int kOpGetStorageIDs = 0x1004;
constexpr int kOpGetObjectHandles = 0x1007;

// A PTP array of 32-bit values: the count, then the values, little-endian.
QByteArray ptpArray(const Handles &values, quint32 count)
{
    QByteArray bytes(int(4 + 4 * values.size()), '\0');
    qToLittleEndian<quint32>(count, bytes.data());
    for (int i = 0; i < values.size(); ++i)
        qToLittleEndian<quint32>(values.at(i), bytes.data() + 4 + 4 * i);
    return bytes;
}

QByteArray ptpArray(const Handles &values)
{
    return ptpArray(values, quint32(values.size()));
}

// A model on a scripted access: the camera's object list is whatever the test
// sets, and every transaction the rebuild frames is recorded.
struct ImageRig {
    ImageRig()
        : access(std::make_unique<RecordingAccess>(0x2031))
        , model(std::make_unique<Model>(access.get()))
    {
        access->clear();
    }
    ~ImageRig() { model.reset(); }

    // Both reads of the handle list get this answer; the first one keeps only
    // the count, because the access cuts the data to the buffer.
    void cameraHolds(const Handles &handles) { access->answerAlways(kOpGetObjectHandles, ptpArray(handles)); }
    void requestRebuild() { Q_EMIT access->signalUpdateImageDB(); }
    QTimer *rebuildTimer() const
    {
        QTimer *found = nullptr;
        for (QTimer *timer : model->findChildren<QTimer *>()) {
            if (timer->isSingleShot() && timer->interval() == 3000)
                found = timer;
        }
        return found;
    }
    // The rebuild interval runs out: the timer's own timeout, without waiting.
    bool expireRebuildInterval() const
    {
        QTimer *timer = rebuildTimer();
        return timer != nullptr && QMetaObject::invokeMethod(timer, "timeout");
    }
    Handles handles() const
    {
        Handles list;
        for (int i = 0; i < model->imageCount(); ++i)
            list << model->imageHandleAt(i);
        return list;
    }
    QVector<int> rotations() const
    {
        QVector<int> list;
        for (int i = 0; i < model->imageCount(); ++i)
            list << model->imageRotation(i);
        return list;
    }
    int transactionsOf(int operationCode) const
    {
        int count = 0;
        for (const RecordingAccess::Transaction &t : access->transactions())
            count += t.operationCode == operationCode ? 1 : 0;
        return count;
    }
    // A first database, each entry marked by values a fresh entry never has.
    void buildFirst(const Handles &handles)
    {
        cameraHolds(handles);
        requestRebuild();
        for (int i = 0; i < model->imageCount(); ++i) {
            model->setImageRotation(i, 90 + i);
            model->setImageSizeClass(i, 1 + i);
            model->setImageThirdValue(i, 7 + i);
        }
        access->clear();
    }

    std::unique_ptr<RecordingAccess> access;
    std::unique_ptr<Model> model;
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
    void rebuildFollowsTheCameraList_data();
    void rebuildFollowsTheCameraList();
    void rebuildsAreThrottled_data();
    void rebuildsAreThrottled();
    void badHandleListKeepsTheDatabase_data();
    void badHandleListKeepsTheDatabase();
    void listThatGrewIsCutToTheFirstCount();
    void removeImageEntry_data();
    void removeImageEntry();
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

void tst_Camera::rebuildFollowsTheCameraList_data()
{
    QTest::addColumn<Handles>("before");
    QTest::addColumn<Handles>("camera");
    QTest::addColumn<Handles>("expected");
    // Handle kinds (low four bits): 1 and 6 raw, 2 JPEG, anything else no picture.
    QTest::newRow("only picture kinds, camera order")
        << Handles{} << Handles{0x36, 0x11, 0x13, 0x22, 0x20, 0x1F, 0x41, 0x15}
        << Handles{0x36, 0x11, 0x22, 0x41};
    QTest::newRow("kept, new and gone")
        << Handles{0x11, 0x12, 0x21} << Handles{0x12, 0x31, 0x11, 0x33} << Handles{0x12, 0x31, 0x11};
    QTest::newRow("unchanged list") << Handles{0x11, 0x12} << Handles{0x11, 0x12} << Handles{0x11, 0x12};
    QTest::newRow("camera emptied") << Handles{0x11, 0x12} << Handles{} << Handles{};
    QTest::newRow("high handles") << Handles{0xFFFFFFF1u} << Handles{0x80000002u, 0xFFFFFFF1u}
                                  << Handles{0x80000002u, 0xFFFFFFF1u};
}

// A second rebuild carries existing entries over as they were and makes
// fresh ones for new pictures: rotation undetermined, no size class, third
// value 0, and the not-JPEG flag from the handle's kind.
void tst_Camera::rebuildFollowsTheCameraList()
{
    QFETCH(Handles, before);
    QFETCH(Handles, camera);
    QFETCH(Handles, expected);
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.buildFirst(before);
    QCOMPARE(rig.handles(), before);
    const QStringList labelsBefore = [&] {
        QStringList labels;
        for (int i = 0; i < rig.model->imageCount(); ++i)
            labels << rig.model->imageLabel(i);
        return labels;
    }();

    rig.cameraHolds(camera);
    rig.requestRebuild();
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(rig.handles(), expected);

    // What the rebuild asked the camera.
    const QVector<RecordingAccess::Transaction> asked = rig.access->transactions();
    QCOMPARE(asked.size(), camera.isEmpty() ? 2 : 3);
    QCOMPARE(asked.at(0).operationCode, kOpGetStorageIDs);
    QCOMPARE(asked.at(0).size, 20u);
    QVERIFY(asked.at(0).params.isEmpty());
    for (int i = 1; i < asked.size(); ++i) {
        QCOMPARE(asked.at(i).operationCode, kOpGetObjectHandles);
        QCOMPARE(asked.at(i).params, QVector<quint32>{0xFFFFFFFFu});
    }
    QCOMPARE(asked.at(1).size, 4u);
    if (asked.size() == 3)
        QCOMPARE(asked.at(2).size, unsigned(4 * camera.size() + 4));
    for (const RecordingAccess::Transaction &t : asked)
        QVERIFY2(t.caller.startsWith(QLatin1String("TVK_Logic_Camera::")), qPrintable(t.caller));

    int fresh = 0;
    for (int i = 0; i < expected.size(); ++i) {
        const quint32 handle = expected.at(i);
        const int old = before.indexOf(handle);
        if (old >= 0) {
            QCOMPARE(rig.model->imageRotation(i), 90 + old);
            QCOMPARE(rig.model->imageSizeClass(i), 1 + old);
            QCOMPARE(rig.model->imageThirdValue(i), 7 + old);
            QCOMPARE(rig.model->imageLabel(i), labelsBefore.at(old));
        } else {
            ++fresh;
            QCOMPARE(rig.model->imageRotation(i), 360);
            QCOMPARE(rig.model->imageSizeClass(i), 0);
            QCOMPARE(rig.model->imageThirdValue(i), 0);
            // Counted down over the pictures still to come after this one.
            QCOMPARE(rig.model->imageLabel(i), QStringLiteral("index %1").arg(expected.size() - i - 1));
        }
        QCOMPARE(rig.model->imageIsNotJpeg(i), (handle & 0xFu) != 2);
        QCOMPARE(rig.model->imageIndexOfHandle(handle), i);
    }
    for (quint32 handle : before) {
        if (!expected.contains(handle))
            QCOMPARE(rig.model->imageIndexOfHandle(handle), -1);
    }
    // The placeholder resource comes with the user interface; without it the
    // model says so once, not for every entry or rebuild.
    const int placeholderLines =
        capture.matching(QStringLiteral("placeholder picture :/images/download.png not available")).size();
    QCOMPARE(placeholderLines, (fresh > 0 || !before.isEmpty()) ? 1 : 0);
}

void tst_Camera::rebuildsAreThrottled_data()
{
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("rebuildsAfterInterval");
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("two") << 2 << 2;
    QTest::newRow("three") << 3 << 2;
    QTest::newRow("ten") << 10 << 2;
}

// Requests within the rebuild interval: the first is served at once, all the
// others together once when the interval has passed.
void tst_Camera::rebuildsAreThrottled()
{
    QFETCH(int, requests);
    QFETCH(int, rebuildsAfterInterval);
    ImageRig rig;
    rig.cameraHolds({0x11, 0x12});
    QSignalSpy begin(rig.model.get(), &Model::signalImageDBChangeBegin);
    QSignalSpy end(rig.model.get(), &Model::signalImageDBChangeEnd);
    QVERIFY(rig.rebuildTimer() != nullptr);
    QVERIFY(!rig.rebuildTimer()->isActive());

    for (int i = 0; i < requests; ++i)
        rig.requestRebuild();
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), 1);
    QVERIFY(rig.rebuildTimer()->isActive());
    QCOMPARE(rig.model->imageCount(), 2);

    rig.cameraHolds({0x11, 0x12, 0x22});
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), rebuildsAfterInterval);
    QCOMPARE(end.count(), rebuildsAfterInterval);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), rebuildsAfterInterval);
    QCOMPARE(rig.model->imageCount(), rebuildsAfterInterval == 2 ? 3 : 2);
    // A rebuild at the end of the interval opens a new one.
    QCOMPARE(rig.rebuildTimer()->isActive(), rebuildsAfterInterval == 2);

    // Nothing was asked in the meantime: the next expiry reads nothing.
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), rebuildsAfterInterval);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), rebuildsAfterInterval);
    QVERIFY(!rig.rebuildTimer()->isActive());
}

void tst_Camera::badHandleListKeepsTheDatabase_data()
{
    QTest::addColumn<std::function<void(RecordingAccess &)>>("script");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<int>("transactions");
    QTest::newRow("storage ids fail")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerNext(kOpGetStorageIDs, QByteArray(), false); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetStorageIDs failed, image database kept") << 1;
    QTest::newRow("count read fails")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerNext(kOpGetObjectHandles, QByteArray(), false); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetObjectHandles failed, image database kept")
        << 2;
    QTest::newRow("list read fails")
        << std::function<void(RecordingAccess &)>([](RecordingAccess &a) {
               a.answerNext(kOpGetObjectHandles, ptpArray({0x31}));
               a.answerNext(kOpGetObjectHandles, QByteArray(), false);
           })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetObjectHandles of 1 handles failed, "
                          "image database kept")
        << 3;
    QTest::newRow("absurd count")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerAlways(kOpGetObjectHandles, ptpArray({0x31}, 100001)); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - illegal object handle count 100001, "
                          "image database kept")
        << 2;
    QTest::newRow("count that would overflow the size")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerAlways(kOpGetObjectHandles, ptpArray({0x31}, 0xFFFFFFFFu)); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - illegal object handle count 4294967295, "
                          "image database kept")
        << 2;
}

// Whatever goes wrong, the database stays as it was and listeners still get
// the end of the change they were told about.
void tst_Camera::badHandleListKeepsTheDatabase()
{
    QFETCH(std::function<void(RecordingAccess &)>, script);
    QFETCH(QString, logged);
    QFETCH(int, transactions);
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.buildFirst({0x11, 0x16});
    const QVector<int> rotations = rig.rotations();
    QSignalSpy begin(rig.model.get(), &Model::signalImageDBChangeBegin);
    QSignalSpy end(rig.model.get(), &Model::signalImageDBChangeEnd);

    script(*rig.access);
    rig.requestRebuild();
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QVERIFY2(capture.contains(logged), qPrintable(capture.lines().join(QLatin1Char('\n'))));
    QCOMPARE(rig.access->transactions().size(), transactions);
    QCOMPARE(rig.handles(), (Handles{0x11, 0x16}));
    QCOMPARE(rig.rotations(), rotations);
}

// A picture taken between the two reads: the camera's longer list was cut to
// the buffer, so only the handles of the first count are used.
void tst_Camera::listThatGrewIsCutToTheFirstCount()
{
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.access->answerNext(kOpGetObjectHandles, ptpArray({0x11, 0x12}));
    rig.access->answerNext(kOpGetObjectHandles, ptpArray({0x11, 0x12, 0x21, 0x22}));
    rig.requestRebuild();
    QCOMPARE(rig.handles(), (Handles{0x11, 0x12}));
    QVERIFY(capture.contains(
        QStringLiteral("TVK_Logic_Camera::readObjectHandles() - object handle count grew from 2 to 4, using 2")));
}

void tst_Camera::removeImageEntry_data()
{
    QTest::addColumn<Handles>("camera");
    QTest::addColumn<quint32>("removed");
    QTest::addColumn<Handles>("expected");
    QTest::addColumn<QVector<int>>("rotations");
    // buildFirst gives entry i the rotation 90 + i.
    QTest::newRow("known handle") << Handles{0x11, 0x12, 0x16} << quint32(0x12) << Handles{0x11, 0x16}
                                  << QVector<int>{90, 92};
    QTest::newRow("unknown handle") << Handles{0x11, 0x12} << quint32(0x99) << Handles{0x11, 0x12}
                                    << QVector<int>{90, 91};
    QTest::newRow("handle 0 of an empty database") << Handles{} << quint32(0) << Handles{} << QVector<int>{};
    QTest::newRow("listed twice, the first goes") << Handles{0x11, 0x12, 0x11} << quint32(0x11)
                                                  << Handles{0x12, 0x11} << QVector<int>{91, 92};
}

void tst_Camera::removeImageEntry()
{
    QFETCH(Handles, camera);
    QFETCH(quint32, removed);
    QFETCH(Handles, expected);
    QFETCH(QVector<int>, rotations);
    ImageRig rig;
    rig.buildFirst(camera);
    QCOMPARE(rig.model->imageCount(), camera.size());
    QSignalSpy begin(rig.model.get(), &Model::signalImageDBChangeBegin);

    rig.model->removeImageEntry(removed);
    QCOMPARE(rig.handles(), expected);
    QCOMPARE(rig.rotations(), rotations);
    QCOMPARE(rig.access->transactions().size(), 0);
    QCOMPARE(begin.count(), 0);
    // Past the end there is no picture, and writing there changes nothing.
    const int count = rig.model->imageCount();
    rig.model->setImageRotation(count, 180);
    rig.model->setImageRotation(-1, 180);
    QCOMPARE(rig.model->imageHandleAt(count), 0u);
    QCOMPARE(rig.model->imageHandleAt(-1), 0u);
    QCOMPARE(rig.model->imageRotation(count), 360);
    QCOMPARE(rig.model->imageLabel(count), QString());
    QCOMPARE(rig.rotations(), rotations);
}

QTEST_GUILESS_MAIN(tst_Camera)
#include "tst_camera.moc"
