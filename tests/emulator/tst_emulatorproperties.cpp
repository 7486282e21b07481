#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Commu_DevicePropertyTable.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_LogCapture.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

using namespace TVK_Commu_Ptp;

namespace {

const QVector<int> kPropertyProducts = {0x2031, 0x2033, 0x2041, 0x2044, 0x2047, 0x2061};
const QVector<int> kStructProducts = {0x2009, 0x2011, 0x2021, 0x2051};
const QVector<int> kG3 = {0x2041, 0x2044, 0x2047};

// Long enough for a queued change to pass the camera's delay (scaled down)
// and the access's 100 ms release tick, several times over.
constexpr int kReportTimeoutMs = 3000;
constexpr int kQuietMs = 350;

bool isG3(int product)
{
    return kG3.contains(product);
}

// A camera of one product, connected through the emulated access the way the
// program connects a USB camera.
struct Connection {
    std::shared_ptr<TVK_Emulator_Camera> camera;
    std::unique_ptr<TVK_Commu_CameraAccess_Emulated> access;
    bool opened = false;

    explicit Connection(int product)
        : camera(std::make_shared<TVK_Emulator_Camera>(product))
    {
        camera->setTimeScale(0.01);
        access = std::make_unique<TVK_Commu_CameraAccess_Emulated>(camera);
        access->checkDeviceAvailable();
        opened = access->openConnection(TVK_Commu_CameraAccess_Emulated::kVendorId, product, access->deviceId());
    }
    ~Connection() { access->closeConnection(); }

    TVK_Emulator_PropertyStore *store() const { return camera->properties(); }

    bool desc(int code, TVK_Commu_DevicePropDesc *parsed) const
    {
        std::vector<unsigned char> buffer(1024, 0);
        if (!access->getDevicePropDesc(code, buffer.data(), unsigned(buffer.size())))
            return false;
        return parsed->parse(buffer.data(), buffer.size()) == TVK_Commu_DevicePropDesc::kLEParsed;
    }

    // Reads a property with the typed getter of its width, as the settings
    // layer does; the value is given the way a DevicePropDesc parser reads
    // it (32-bit values as signed).
    bool readTyped(int code, qint64 *value) const
    {
        const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(code);
        if (entry == nullptr)
            return false;
        bool ok = false;
        if (entry->width == 1) {
            quint8 v = 0;
            ok = access->getDevicePropValue(code, v);
            *value = v;
        } else if (entry->width == 2 && code == 0x5010) {
            qint16 v = 0;
            ok = access->getDevicePropValue(code, v);
            *value = v;
        } else if (entry->width == 2) {
            quint16 v = 0;
            ok = access->getDevicePropValue(code, v);
            *value = v;
        } else {
            qint32 v = 0;
            ok = access->getDevicePropValue(code, v);
            *value = v;
        }
        return ok;
    }

    // Writes with the typed setter of the property's width.
    bool writeTyped(int code, qint64 value) const
    {
        const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(code);
        if (entry == nullptr)
            return false;
        if (entry->width == 1)
            return access->setDevicePropValue(code, quint8(value));
        if (entry->width == 2 && code == 0x5010)
            return access->setDevicePropValue(code, qint16(value));
        if (entry->width == 2)
            return access->setDevicePropValue(code, quint16(value));
        return access->setDevicePropValue(code, qint32(value));
    }

    // Reads whatever the camera answers GetDevicePropValue with, width bytes.
    qint64 readRaw(int code, int width) const
    {
        unsigned char bytes[4] = {};
        if (!access->getDevicePropValue(code, bytes, unsigned(width)))
            return -12345;
        quint32 raw = 0;
        for (int i = 0; i < width; ++i)
            raw |= quint32(bytes[i]) << (8 * i);
        return width == 4 ? qint64(qint32(raw)) : qint64(raw);
    }
};

QVector<int> reported(const QSignalSpy &spy)
{
    QVector<int> codes;
    for (const QList<QVariant> &arguments : spy)
        codes.append(int(arguments.at(0).toUInt()));
    return codes;
}

QVector<int> steps(int from, int to, int step)
{
    QVector<int> values;
    for (int value = from; value <= to; value += step)
        values.append(value);
    return values;
}

QVector<int> thirdStepShutterCodes()
{
    QVector<int> codes;
    for (int n = -33; n <= 43; ++n)
        codes.append(int(std::ceil(n * 256 / 3.0)));
    codes.append(3925);
    return codes;
}

QString productName(int product)
{
    return QStringLiteral("0x%1").arg(product, 4, 16, QLatin1Char('0'));
}

// --- What the program's converters offer, per product ------------------------
// Written out here on their own, so that a change of the camera's forms that
// drops a value the program offers shows up.

struct OfferedValues {
    const char *setting;
    int code;
    QVector<int> products;
    QVector<int> values;
};

// Drive-mode indices of the converters mapped to raw StillCaptureMode values,
// with the continuous mode as each camera names it.
QVector<int> driveModeRaw(int product)
{
    const QVector<int> rawOfIndex = {0, 1, 3, 4, 8, 2, 5, 6, 7, 9};
    QVector<int> indices;
    if (product == 0x2041)
        indices = {0, 6, 7, 8, 2, 3, 5, 4};
    else if (product == 0x2044 || product == 0x2047)
        indices = {0, 6, 7, 8, 9, 2, 3, 5, 4};
    else
        indices = {0, 1, 5, 2, 3, 4};
    QVector<int> raw;
    for (int index : indices) {
        int value = rawOfIndex.at(index);
        if (value == 1 && product == 0x2033)
            value = 7;
        if (value == 1 && product == 0x2061)
            value = 5;
        raw.append(value);
    }
    return raw;
}

QVector<OfferedValues> offeredValues()
{
    const QVector<int> all = kPropertyProducts;
    const QVector<int> notG4 = {0x2031, 0x2033};
    const QVector<int> notG3 = {0x2031, 0x2033, 0x2061};
    const QVector<int> not2061 = {0x2031, 0x2033, 0x2041, 0x2044, 0x2047};
    const QVector<int> kelvinFine = steps(2000, 5000, 100) + steps(5200, 8000, 200) + steps(8300, 13100, 300);
    const QVector<int> isoG3 = {0, 50, 100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000};
    const QVector<int> thirds = {-3000, -2667, -2333, -2000, -1667, -1333, -1000, -667, -333, 0,
                                 333,   667,   1000,  1333,  1667,  2000,  2333,  2667,  3000};
    const QVector<int> halves = steps(-3000, 3000, 500);
    const QVector<int> intervalTimeShort = {1, 2, 3, 4, 5, 10, 15, 20, 25, 30, 45, 60, 90, 120, 600, 900, 999};
    QVector<int> intervalTimeLong = intervalTimeShort;
    intervalTimeLong.last() = 89999;
    return {
        {"auto power off", 0xD024, all, {0, 2, 5, 10}},
        {"metering", 0x500B, all, {0, 1, 2}},
        {"contrast", 0x5014, all, {0, 1, 2}},
        {"sharpness", 0x5015, all, {0, 1, 2}},
        {"saturation", 0xD016, all, {0, 1, 2}},
        {"bracketing images", 0xD006, all, {3, 5}},
        {"bracketing delta", 0xD007, {0x2041}, {1000, 2000, 3000}},
        {"bracketing delta", 0xD007, {0x2044, 0x2047}, {333, 667, 1000, 1333, 1667, 2000, 2333, 2667, 3000}},
        {"bracketing delta", 0xD007, {0x2061}, {333, 667, 1000, 2000, 3000}},
        {"bracketing delta", 0xD007, notG4, {500, 1000, 2000, 3000}},
        {"file format", 0xD004, all, {0, 1, 2}},
        {"interval frames", 0xD000, all, {1, 2, 5, 10, 50, 100, 500, 1000, 2500, 5000, 9999}},
        {"interval time", 0xD001, notG4, intervalTimeShort},
        {"interval time", 0xD001, {0x2041, 0x2044, 0x2047, 0x2061}, intervalTimeLong},
        {"JPG resolution", 0xD00F, {0x2031}, {0, 1, 2}},
        {"JPG resolution", 0xD00F, {0x2033}, {6, 7, 8}},
        {"JPG resolution", 0xD00F, {0x2041, 0x2044, 0x2047, 0x2061}, {3, 4, 5}},
        {"JPG colour space", 0xD015, not2061, {0, 1, 2}},
        {"white balance", 0x5005, not2061, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}},
        {"white balance", 0x5005, {0x2061}, {0, 1, 2, 3, 4, 6, 7, 8, 10, 11}},
        {"colour temperature", 0xD014, {0x2031, 0x2033, 0x2061}, kelvinFine},
        {"colour temperature", 0xD014, {0x2041},
         {2000, 2200, 2400, 2700, 3000, 3300, 3600, 3900, 4200, 4600, 5000, 5500, 6000, 6600, 7200, 8000, 8700, 9500,
          10300, 11500}},
        {"colour temperature", 0xD014, {0x2044, 0x2047},
         {2000, 2200, 2400, 2700, 3000, 3300, 3600, 3900, 4200, 4600, 5000, 5500, 6000, 6500, 7200, 8000, 8700, 9500,
          10300, 11500}},
        {"sensitivity", 0x500F, {0x2031}, {0, 100, 200, 400, 800, 1600, 3200, 6400, 12500}},
        {"sensitivity", 0x500F, {0x2033}, {0, 100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000}},
        {"sensitivity", 0x500F, {0x2041, 0x2044}, isoG3},
        {"sensitivity", 0x500F, {0x2047}, isoG3 + QVector<int>{100000}},
        {"sensitivity", 0x500F, {0x2061},
         {0,    100,  200,  250,  320,  400,  500,   640,   800,   1000,  1250,  1600,  2000, 2500,
          3200, 4000, 5000, 6400, 8000, 10000, 12500, 16000, 20000, 25000, 32000, 40000, 50000}},
        {"exposure compensation", 0x5010, notG4, halves},
        {"exposure compensation", 0x5010, {0x2041, 0x2044, 0x2047, 0x2061}, thirds},
        {"exposure mode", 0x500E, not2061, {1, 4, 3, 2, 0x0200, 0x0201}},
        {"exposure mode", 0x500E, {0x2061}, {1, 3, 0x0200}},
        {"focus mode", 0x500A, not2061, {0, 1, 2, 5}},
        {"shutter time", 0xD03B, notG3, steps(-3072, 3072, 128)},
        {"shutter time", 0xD03B, kG3, thirdStepShutterCodes()},
        {"aperture", 0xD03C, kG3,
         {0,    86,   171,  256,  342,  427,  512,  598,  683,  768,  854,  938,  1024, 1110, 1195, 1280,
          1366, 1451, 1536, 1622, 1707, 1792, 1878, 1963, 2048, 2134, 2219, 2304, 2390, 2475, 2560}},
        {"aperture", 0xD03C, notG4, {0, 676, 1273, 1280, 1792, 2304, 2560}},
        {"autoreview", 0xD01A, notG3, {0, 1, 3, 5, -1}},
        {"monochrome", 0xD13B, notG3, {0, 1}},
        {"video resolution and frame rate", 0xD125, notG4, {0, 7, 8, 9}},
        {"video format and resolution", 0xD082, kG3, steps(0, 29, 1)},
        {"photo aspect ratio", 0xD04F, kG3, {0, 1, 2, 3, 4, 5}},
        {"sensor format", 0xD050, kG3, {0, 1}},
        {"exposure simulation", 0xD115, kG3, {0, 2, 3}},
        {"exposure simulation", 0xD115, notG3, {0, 1}},
        {"audio level", 0xD012, notG4, {0, 1}},
        {"microphone volume", 0xD123, notG4, {0, 1, 32, 63}},
        {"microphone volume", 0xD123, kG3, {0, 1, 2, 3, 4}},
        {"bulb preset", 0xD079, {0x2061}, {8, 12, 16, 24, 32, 45, 60}},
        {"exposure step", 0xD040, kG3, {333, 500}},
    };
}

} // namespace

class tst_emulatorproperties : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- DeviceInfo -------------------------------------------------------------
    void deviceInfoReadsBackAsTheProfileSaysIt_data();
    void deviceInfoReadsBackAsTheProfileSaysIt();
    void profilesListWhatTheirProductHas_data();
    void profilesListWhatTheirProductHas();

    // --- Descriptions and reads ---------------------------------------------------
    void everyListedPropertyDescribesItselfWithAFormThatAllowsItsValue_data();
    void everyListedPropertyDescribesItselfWithAFormThatAllowsItsValue();
    void typedGettersReadEveryReadableTableProperty_data();
    void typedGettersReadEveryReadableTableProperty();
    void writeOnlyCodesReadAsTheValueTheySet();
    void structProductsAnswerNoPropertyOperations_data();
    void structProductsAnswerNoPropertyOperations();

    // --- Writes --------------------------------------------------------------------
    void validWriteIsReportedAndReadsBack_data();
    void validWriteIsReportedAndReadsBack();
    void refusedWriteChangesNothingAndReportsNothing_data();
    void refusedWriteChangesNothingAndReportsNothing();
    void stepSizeChangeMovesValuesToTheNewScale();

    // --- Forms against what the program offers ---------------------------------------
    void supportsDevicePropValueAgreesWithTheForms_data();
    void supportsDevicePropValueAgreesWithTheForms();
    void capabilityFlagsFollowTheDriveModes_data();
    void capabilityFlagsFollowTheDriveModes();
    void valuesTheConvertersOfferAreAccepted_data();
    void valuesTheConvertersOfferAreAccepted();
    void halfStepTablesApplyAfterTheStepChange_data();
    void halfStepTablesApplyAfterTheStepChange();

    // --- The camera's own view --------------------------------------------------------
    void normalisedSettingsFollowTheProperties_data();
    void normalisedSettingsFollowTheProperties();
    void cameraOwnChangesAreReportedOnlyWhenTheyChange();
    void changeListenerHearsHostWritesAndOwnChanges();
};

// --- DeviceInfo ---------------------------------------------------------------------

void tst_emulatorproperties::deviceInfoReadsBackAsTheProfileSaysIt_data()
{
    QTest::addColumn<int>("product");
    for (int product : TVK_Emulator_Profile::knownProducts())
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::deviceInfoReadsBackAsTheProfileSaysIt()
{
    QFETCH(int, product);
    Connection connection(product);
    QVERIFY(connection.opened);
    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
    QVERIFY(profile != nullptr);

    const TVK_Logic_DeviceInfo info(connection.access.get());
    QCOMPARE(info.manufacturer(), QStringLiteral("Norba Camera AG"));
    QCOMPARE(info.manufacturer(), profile->manufacturer);
    QCOMPARE(info.model(), profile->model);
    QCOMPARE(info.deviceVersion(), profile->deviceVersion);
    QCOMPARE(info.serialNumber(), profile->serialNumber);
    QVERIFY(!info.model().isEmpty());
    QVERIFY(!info.serialNumber().isEmpty());
    QCOMPARE(info.standardVersion(), profile->standardVersion);
    QCOMPARE(info.vendorExtensionID(), profile->vendorExtensionId);
    QCOMPARE(info.vendorExtensionDesc(), profile->vendorExtensionDesc);
    QCOMPARE(info.operationsSupported(), profile->operations);
    QCOMPARE(info.eventsSupported(), profile->events);
    QCOMPARE(info.devicePropsSupported(), profile->deviceProperties);
    QCOMPARE(info.captureFormats(), profile->captureFormats);
    QCOMPARE(info.imageFormats(), profile->imageFormats);
    QVERIFY(info.isOperationSupported(kOpGetDeviceInfo));
    QVERIFY(profile->deviceInfo().size() <= int(TVK_Logic_DeviceInfo::kBufferSize));
}

void tst_emulatorproperties::profilesListWhatTheirProductHas_data()
{
    QTest::addColumn<int>("product");
    for (int product : TVK_Emulator_Profile::knownProducts())
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::profilesListWhatTheirProductHas()
{
    QFETCH(int, product);
    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
    QVERIFY(profile != nullptr);
    const bool byProperties = kPropertyProducts.contains(product);
    const bool ticks = kStructProducts.contains(product);

    QCOMPARE(profile->settingsKind == TVK_Emulator_Profile::kLEDeviceProperties, byProperties);
    QCOMPARE(profile->settingsKind == TVK_Emulator_Profile::kLEStructCora, product == 0x2021 || product == 0x2051);
    QCOMPARE(profile->nativeRelease, product != 0x2061);
    QCOMPARE(profile->reportsTickEvents, ticks);
    QCOMPARE(profile->longAxisLayout, product == 0x2031 || product == 0x2033 || isG3(product));

    // Operations: release either natively or through the single-purpose set.
    QCOMPARE(profile->supportsOperation(kOpRelease), product != 0x2061);
    QCOMPARE(profile->supportsOperation(kOpGetLensData), product != 0x2061);
    for (int op : {0x9016, 0x9019, 0x901A, 0x901B, 0x901C, 0x901D, 0x901E, 0x9021, 0x9022, 0x9023})
        QCOMPARE(profile->supportsOperation(op), product == 0x2061);
    // The standard set of a generic initiator, on every product.
    for (int op : {0x1002, 0x1003, 0x1004, 0x1005, 0x1006, 0x1007, 0x1008, 0x1009, 0x100A, 0x100B, 0x100E})
        QVERIFY(profile->supportsOperation(op));
    for (int event : {0x4002, 0x4009, 0x400D})
        QVERIFY(profile->supportsEvent(event));
    for (int op : {0x1014, 0x1015, 0x1016})
        QCOMPARE(profile->supportsOperation(op), byProperties);
    for (int op : {0x9001, 0x9002})
        QCOMPARE(profile->supportsOperation(op), !byProperties);
    QCOMPARE(profile->supportsOperation(0x1024), profile->hasLiveView);
    QCOMPARE(profile->supportsOperation(0x9025), profile->hasLiveView);
    QCOMPARE(profile->supportsOperation(0x9008), profile->hasGeotagging);
    QCOMPARE(profile->supportsOperation(0x9020), profile->has3DAxis);
    QCOMPARE(profile->supportsOperation(0x9801) && profile->supportsOperation(0x9803), profile->hasObjectProperties);
    QVERIFY(profile->supportsOperation(kOpOpenVXSession));
    QVERIFY(profile->supportsOperation(kOpCloseVXSession));

    // Events.
    QCOMPARE(profile->supportsEvent(kVXCameraSettingsChanged), !byProperties);
    for (int event : {kVXLensChanged, kVXBulbTick, kVXSelfTimerTick})
        QCOMPARE(profile->supportsEvent(event), ticks);
    QCOMPARE(profile->supportsEvent(kVXGeoTackingStatusChanged), profile->hasGeotagging);
    QCOMPARE(profile->supportsEvent(kVXDevicePropChanged), byProperties);
    QCOMPARE(profile->supportsEvent(kVX3DAxisDataChanged), profile->has3DAxis);

    // Properties follow the functions each product has.
    QCOMPARE(profile->deviceProperties.isEmpty(), !byProperties);
    if (!byProperties)
        return;
    const bool g4 = isG3(product) || product == 0x2061;
    QCOMPARE(profile->supportsProperty(0x500A), product != 0x2061);
    QCOMPARE(profile->supportsProperty(0xD60E), product != 0x2061);
    QCOMPARE(profile->supportsProperty(0xD03C), product != 0x2061);
    QCOMPARE(profile->supportsProperty(0xD005), !g4);
    QCOMPARE(profile->supportsProperty(0xD040), isG3(product));
    QCOMPARE(profile->supportsProperty(0xD080), isG3(product));
    QCOMPARE(profile->supportsProperty(0xD079), product == 0x2061);
    QCOMPARE(profile->supportsProperty(0xD13B), !isG3(product));
    QCOMPARE(profile->supportsProperty(0xD012), !g4);
    QCOMPARE(profile->supportsProperty(0xD03F), false);
    QCOMPARE(profile->supportsProperty(0xD643), false);
    for (int stream : {0x5020, 0x5021, 0x5022, 0x5023, 0x5024, 0x5025})
        QCOMPARE(profile->supportsProperty(stream), profile->hasLiveView);
}

// --- Descriptions and reads -----------------------------------------------------------

void tst_emulatorproperties::everyListedPropertyDescribesItselfWithAFormThatAllowsItsValue_data()
{
    QTest::addColumn<int>("product");
    for (int product : kPropertyProducts)
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::everyListedPropertyDescribesItselfWithAFormThatAllowsItsValue()
{
    QFETCH(int, product);
    Connection connection(product);
    const TVK_Emulator_Profile *profile = connection.camera->profile();
    QVERIFY(!profile->deviceProperties.isEmpty());
    for (quint16 code : profile->deviceProperties) {
        const QByteArray where = "property 0x" + QByteArray::number(code, 16);
        TVK_Commu_DevicePropDesc desc;
        QVERIFY2(connection.desc(code, &desc), where.constData());
        QCOMPARE(desc.propertyCode(), code);
        // A setting offers its values; a read-out may come without a form, and
        // a range stays short enough for an initiator to list it.
        if (desc.formFlag() == TVK_Commu_DevicePropDesc::kLEFormNone) {
            QVERIFY2(desc.getSet() == 0, where.constData());
        } else {
            QVERIFY2(desc.allows(desc.currentValue()), where.constData());
            QVERIFY2(desc.allows(desc.factoryDefaultValue()), where.constData());
        }
        if (desc.formFlag() == TVK_Commu_DevicePropDesc::kLEFormRange)
            QVERIFY2((desc.maximumValue() - desc.minimumValue()) / qMax<qint64>(1, desc.stepSize()) <= 100000,
                     where.constData());
        if (const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(code)) {
            QCOMPARE(TVK_Commu_DevicePropDesc::valueWidth(desc.dataType()), int(entry->width));
            QCOMPARE(desc.getSet() == 1, entry->writable);
        }
    }
    // Exposure compensation is the one signed 16-bit property.
    TVK_Commu_DevicePropDesc compensation;
    QVERIFY(connection.desc(0x5010, &compensation));
    QCOMPARE(int(compensation.dataType()), 3);
}

void tst_emulatorproperties::typedGettersReadEveryReadableTableProperty_data()
{
    QTest::addColumn<int>("product");
    for (int product : kPropertyProducts)
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::typedGettersReadEveryReadableTableProperty()
{
    QFETCH(int, product);
    Connection connection(product);
    int read = 0;
    for (quint16 code : connection.camera->profile()->deviceProperties) {
        const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(code);
        if (entry == nullptr || !entry->readable)
            continue;
        const QByteArray where = "property 0x" + QByteArray::number(code, 16);
        qint64 value = 0;
        QVERIFY2(connection.readTyped(code, &value), where.constData());
        TVK_Commu_DevicePropDesc desc;
        QVERIFY2(connection.desc(code, &desc), where.constData());
        QCOMPARE(value, desc.currentValue());
        ++read;
    }
    QVERIFY(read > 30);
}

void tst_emulatorproperties::writeOnlyCodesReadAsTheValueTheySet()
{
    Connection connection(0x2041);
    QCOMPARE(connection.readRaw(0xD03B, 4), connection.readRaw(0xD60C, 4));
    QCOMPARE(connection.readRaw(0xD03C, 4), connection.readRaw(0xD60E, 4));
    QVERIFY(connection.writeTyped(0xD03B, 2048));
    QCOMPARE(connection.readRaw(0xD03B, 4), qint64(2048));
    QCOMPARE(connection.readRaw(0xD60C, 4), qint64(2048));
    QCOMPARE(connection.readRaw(0xD080, 4), qint64(0));
    QVERIFY(connection.writeTyped(0xD080, 1));
    QCOMPARE(connection.readRaw(0xD080, 4), qint64(1));
}

void tst_emulatorproperties::structProductsAnswerNoPropertyOperations_data()
{
    QTest::addColumn<int>("product");
    for (int product : kStructProducts)
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::structProductsAnswerNoPropertyOperations()
{
    QFETCH(int, product);
    Connection connection(product);
    TVK_Test_LogCapture log;
    TVK_Commu_DevicePropDesc desc;
    QVERIFY(!connection.desc(0x5001, &desc));
    QVERIFY(!log.matching(QStringLiteral("MTP Response code: 0x00002005")).isEmpty());
    quint8 battery = 0;
    QVERIFY(!connection.access->getDevicePropValue(0x5001, battery));
    QVERIFY(!connection.store()->has(0x5001));
    qint64 value = 0;
    QVERIFY(!connection.store()->querySetting(TVK_Emulator_Camera::kLEDriveMode, &value));
}

// --- Writes -------------------------------------------------------------------------------

void tst_emulatorproperties::validWriteIsReportedAndReadsBack_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<int>("readValue");
    QTest::addColumn<QVector<int>>("reports");

    QTest::newRow("white balance of an Ardo 3") << 0x2031 << 0x5005 << 4 << 0x5005 << 4 << QVector<int>{0x5005};
    QTest::newRow("negative compensation in half steps")
        << 0x2031 << 0x5010 << -1500 << 0x5010 << -1500 << QVector<int>{0x5010};
    QTest::newRow("negative compensation in third steps")
        << 0x2061 << 0x5010 << -667 << 0x5010 << -667 << QVector<int>{0x5010};
    QTest::newRow("contrast byte") << 0x2044 << 0x5014 << 2 << 0x5014 << 2 << QVector<int>{0x5014};
    QTest::newRow("shutter time is written under one code and read under another")
        << 0x2041 << 0xD03B << 2048 << 0xD60C << 2048 << QVector<int>{0xD60C};
    QTest::newRow("negative shutter code") << 0x2031 << 0xD03B << -1792 << 0xD60C << -1792 << QVector<int>{0xD60C};
    QTest::newRow("aperture of the third-step table")
        << 0x2044 << 0xD03C << 1366 << 0xD60E << 1366 << QVector<int>{0xD60E};
    QTest::newRow("aperture code of the formula") << 0x2031 << 0xD03C << 1273 << 0xD60E << 1273 << QVector<int>{0xD60E};
    QTest::newRow("fixed sensitivity also changes the sensitivity in use")
        << 0x2033 << 0x500F << 400 << 0xD610 << 400 << QVector<int>{0x500F, 0xD610};
    QTest::newRow("an unchanged value is still confirmed")
        << 0x2033 << 0x500F << 0 << 0x500F << 0 << QVector<int>{0x500F};
    QTest::newRow("electronic shutter") << 0x2041 << 0xD080 << 1 << 0xD080 << 1 << QVector<int>{0xD080};
    QTest::newRow("continuous drive of the Pico is 5") << 0x2061 << 0x5013 << 5 << 0x5013 << 5 << QVector<int>{0x5013};
    QTest::newRow("continuous drive of the Ardo 3 R is 7") << 0x2033 << 0x5013 << 7 << 0x5013 << 7 << QVector<int>{0x5013};
    QTest::newRow("bulb preset sets the exposure time")
        << 0x2061 << 0xD079 << 32 << 0xD60C << -1280 << QVector<int>{0xD079, 0xD60C};
    QTest::newRow("auto power off ten minutes") << 0x2031 << 0xD024 << 10 << 0xD024 << 10 << QVector<int>{0xD024};
    QTest::newRow("autoreview hold") << 0x2033 << 0xD01A << -1 << 0xD01A << -1 << QVector<int>{0xD01A};
    QTest::newRow("live-view stream enabled") << 0x2041 << 0x5021 << 1 << 0x5021 << 1 << QVector<int>{0x5021};
    QTest::newRow("bracketing enabled") << 0x2031 << 0xD005 << 1 << 0xD005 << 1 << QVector<int>{0xD005};
}

void tst_emulatorproperties::validWriteIsReportedAndReadsBack()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(int, readCode);
    QFETCH(int, readValue);
    QFETCH(QVector<int>, reports);

    Connection connection(product);
    QSignalSpy spy(connection.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QVERIFY(connection.writeTyped(code, value));

    const TVK_Commu_DevicePropertyTable::Entry *entry = TVK_Commu_DevicePropertyTable::find(readCode);
    QVERIFY(entry != nullptr);
    qint64 back = 0;
    if (entry->readable)
        QVERIFY(connection.readTyped(readCode, &back));
    else
        back = connection.readRaw(readCode, entry->width);
    QCOMPARE(back, qint64(readValue));

    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), reports.size(), kReportTimeoutMs);
    QTest::qWait(kQuietMs);
    QCOMPARE(reported(spy), reports);
}

void tst_emulatorproperties::refusedWriteChangesNothingAndReportsNothing_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("response");

    const QString invalidValue = QStringLiteral("0x0000201C");
    QTest::newRow("white balance 10 on an Ardo 3") << 0x2031 << 0x5005 << 10 << 2 << invalidValue;
    QTest::newRow("drive mode 1 on the Pico") << 0x2061 << 0x5013 << 1 << 2 << invalidValue;
    QTest::newRow("drive mode 7 on an Ardo 3") << 0x2031 << 0x5013 << 7 << 2 << invalidValue;
    QTest::newRow("drive mode 9 on a Velia") << 0x2041 << 0x5013 << 9 << 2 << invalidValue;
    QTest::newRow("shutter code between the thirds") << 0x2041 << 0xD03B << 1000 << 4 << invalidValue;
    QTest::newRow("shutter code beyond 1/4000 s") << 0x2031 << 0xD03B << 3200 << 4 << invalidValue;
    QTest::newRow("shutter code between the halves") << 0x2031 << 0xD03B << 100 << 4 << invalidValue;
    QTest::newRow("aperture code off the table") << 0x2041 << 0xD03C << 1000 << 4 << invalidValue;
    QTest::newRow("sensitivity 300") << 0x2033 << 0x500F << 300 << 4 << invalidValue;
    QTest::newRow("auto power off 3 minutes") << 0x2031 << 0xD024 << 3 << 4 << invalidValue;
    QTest::newRow("a third step on a half-step camera") << 0x2031 << 0x5010 << -333 << 2 << invalidValue;
    QTest::newRow("interval time beyond 999 s") << 0x2033 << 0xD001 << 1000 << 4 << invalidValue;
    QTest::newRow("a read-only property") << 0x2031 << 0xD60C << 2048 << 4 << QStringLiteral("0x0000200F");
    QTest::newRow("a property the product lacks") << 0x2031 << 0xD050 << 1 << 4 << QStringLiteral("0x0000200A");
    QTest::newRow("a value of the wrong width") << 0x2031 << 0x5005 << 4 << 4 << QStringLiteral("0x0000201B");
}

void tst_emulatorproperties::refusedWriteChangesNothingAndReportsNothing()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(int, size);
    QFETCH(QString, response);

    Connection connection(product);
    const qint64 before = connection.store()->value(code);
    QSignalSpy spy(connection.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    TVK_Test_LogCapture log;

    unsigned char bytes[4] = {};
    for (int i = 0; i < 4; ++i)
        bytes[i] = quint8(quint32(value) >> (8 * i));
    QVERIFY(!connection.access->setDevicePropValue(code, static_cast<const void *>(bytes), unsigned(size)));
    QVERIFY2(!log.matching(QStringLiteral("MTP Response code: ") + response).isEmpty(),
             qPrintable(log.lines().join(QLatin1Char('\n'))));
    QCOMPARE(connection.store()->value(code), before);
    QTest::qWait(kQuietMs);
    QCOMPARE(spy.count(), 0);
}

void tst_emulatorproperties::stepSizeChangeMovesValuesToTheNewScale()
{
    Connection connection(0x2044);
    QVERIFY(connection.writeTyped(0xD03B, 1878)); // 1/160 s, a third step
    QVERIFY(connection.writeTyped(0xD03C, 1366)); // f 6.3
    QVERIFY(connection.writeTyped(0x5010, -333));
    QSignalSpy spy(connection.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, kReportTimeoutMs);
    spy.clear();

    QVERIFY(connection.writeTyped(0xD040, 500));
    const QVector<int> expected = {0xD040, 0x5010, 0xD60C, 0xD60E};
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), expected.size(), kReportTimeoutMs);
    QCOMPARE(reported(spy), expected);

    qint64 value = 0;
    QVERIFY(connection.readTyped(0xD60C, &value));
    QCOMPARE(value, qint64(1920)); // nearer than 1792
    QVERIFY(connection.readTyped(0xD60E, &value));
    QCOMPARE(value, qint64(1408));
    QVERIFY(connection.readTyped(0x5010, &value));
    QCOMPARE(value, qint64(-500));
    QVERIFY(connection.readTyped(0xD625, &value));
    QCOMPARE(value, qint64(-2816));
}

// --- Forms against what the program offers ---------------------------------------------------

void tst_emulatorproperties::supportsDevicePropValueAgreesWithTheForms_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("supported");

    QTest::newRow("Ardo 3 has no drive mode 7") << 0x2031 << 0x5013 << 7 << false;
    QTest::newRow("Ardo 3 continuous is 1") << 0x2031 << 0x5013 << 1 << true;
    QTest::newRow("Ardo 3 R continuous is 7") << 0x2033 << 0x5013 << 7 << true;
    QTest::newRow("Ardo 3 R has no drive mode 1") << 0x2033 << 0x5013 << 1 << false;
    QTest::newRow("Pico continuous is 5") << 0x2061 << 0x5013 << 5 << true;
    QTest::newRow("Pico has no drive mode 1") << 0x2061 << 0x5013 << 1 << false;
    QTest::newRow("Velia has no very high speed") << 0x2041 << 0x5013 << 9 << false;
    QTest::newRow("Velia 2 has very high speed") << 0x2044 << 0x5013 << 9 << true;
    QTest::newRow("half-step compensation as a range") << 0x2031 << 0x5010 << -1000 << true;
    QTest::newRow("no third steps in a half-step range") << 0x2031 << 0x5010 << -333 << false;
    QTest::newRow("compensation ends at 3 EV") << 0x2031 << 0x5010 << 3500 << false;
    QTest::newRow("electronic 1/40000 s on a Velia") << 0x2041 << 0xD03B << 3925 << true;
    QTest::newRow("no 1/40000 s on an Ardo 3") << 0x2031 << 0xD03B << 3925 << false;
    QTest::newRow("Pico white balance has no HMI") << 0x2061 << 0x5005 << 5 << false;
    QTest::newRow("read-only codes still describe their values") << 0x2033 << 0xD610 << 400 << true;
    QTest::newRow("a property the product lacks allows nothing") << 0x2061 << 0x500A << 0 << false;
}

void tst_emulatorproperties::supportsDevicePropValueAgreesWithTheForms()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(bool, supported);
    Connection connection(product);
    QCOMPARE(connection.access->supportsDevicePropValue(code, value), supported);
    QCOMPARE(connection.store()->allows(code, value), supported);
}

void tst_emulatorproperties::capabilityFlagsFollowTheDriveModes_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("mode7");
    QTest::addColumn<bool>("mode5");
    QTest::newRow("Ardo 3 uses 1") << 0x2031 << false << false;
    QTest::newRow("Ardo 3 R uses 7") << 0x2033 << true << false;
    QTest::newRow("Velia is asked for neither") << 0x2041 << false << false;
    QTest::newRow("Pico uses 5") << 0x2061 << false << true;
}

void tst_emulatorproperties::capabilityFlagsFollowTheDriveModes()
{
    QFETCH(int, product);
    QFETCH(bool, mode7);
    QFETCH(bool, mode5);
    Connection connection(product);
    connection.access->initCapabilityFlags();
    QCOMPARE(connection.access->supportsStillCaptureMode7(), mode7);
    QCOMPARE(connection.access->supportsStillCaptureMode5(), mode5);
}

void tst_emulatorproperties::valuesTheConvertersOfferAreAccepted_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("values");
    for (int product : kPropertyProducts) {
        QTest::addRow("drive modes on %s", qPrintable(productName(product))) << product << 0x5013
                                                                            << driveModeRaw(product);
        for (const OfferedValues &offered : offeredValues()) {
            if (offered.products.contains(product)) {
                QTest::addRow("%s on %s", offered.setting, qPrintable(productName(product)))
                    << product << offered.code << offered.values;
            }
        }
    }
}

void tst_emulatorproperties::valuesTheConvertersOfferAreAccepted()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(QVector<int>, values);
    Connection connection(product);
    QVERIFY(connection.store()->has(code));
    for (int value : values)
        QVERIFY2(connection.access->supportsDevicePropValue(code, value), qPrintable(QString::number(value)));
}

void tst_emulatorproperties::halfStepTablesApplyAfterTheStepChange_data()
{
    QTest::addColumn<int>("product");
    for (int product : kG3)
        QTest::addRow("%s", qPrintable(productName(product))) << product;
}

void tst_emulatorproperties::halfStepTablesApplyAfterTheStepChange()
{
    QFETCH(int, product);
    Connection connection(product);
    QVERIFY(connection.writeTyped(0xD040, 500));

    QVector<int> shutter = steps(-2816, 3712, 128);
    shutter.append(3925);
    for (int code : shutter)
        QVERIFY2(connection.access->supportsDevicePropValue(0xD03B, code), qPrintable(QString::number(code)));
    QVERIFY(!connection.access->supportsDevicePropValue(0xD03B, 1878));

    for (int code : {0, 128, 256, 384, 512, 640, 768, 924, 1024, 1152, 1280, 1408, 1536, 1664, 1792, 1920, 2048,
                     2176, 2304, 2432, 2560})
        QVERIFY2(connection.access->supportsDevicePropValue(0xD03C, code), qPrintable(QString::number(code)));
    QVERIFY(!connection.access->supportsDevicePropValue(0xD03C, 1366));

    for (int compensation : steps(-3000, 3000, 500))
        QVERIFY(connection.access->supportsDevicePropValue(0x5010, compensation));
    QVERIFY(!connection.access->supportsDevicePropValue(0x5010, 333));
}

// --- The camera's own view ----------------------------------------------------------------------

void tst_emulatorproperties::normalisedSettingsFollowTheProperties_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("expected");

    using C = TVK_Emulator_Camera;
    QTest::newRow("JPG only") << 0x2031 << 0xD004 << 2 << int(C::kLEFileFormat) << 2;
    QTest::newRow("DNG only") << 0x2041 << 0xD004 << 0 << int(C::kLEFileFormat) << 0;
    QTest::newRow("DNG and JPG") << 0x2061 << 0xD004 << 1 << int(C::kLEFileFormat) << 1;
    QTest::newRow("self timer 12 s") << 0x2031 << 0x5013 << 4 << int(C::kLEDriveMode) << 3;
    QTest::newRow("self timer 2 s") << 0x2044 << 0x5013 << 3 << int(C::kLEDriveMode) << 2;
    QTest::newRow("bracketing through the drive mode") << 0x2044 << 0x5013 << 8 << int(C::kLEDriveMode) << 4;
    QTest::newRow("bracketing through its own switch") << 0x2031 << 0xD005 << 1 << int(C::kLEDriveMode) << 4;
    QTest::newRow("very high speed is continuous") << 0x2047 << 0x5013 << 9 << int(C::kLEDriveMode) << 1;
    QTest::newRow("continuous 7 is continuous") << 0x2033 << 0x5013 << 7 << int(C::kLEDriveMode) << 1;
    QTest::newRow("continuous 5 is continuous") << 0x2061 << 0x5013 << 5 << int(C::kLEDriveMode) << 1;
    QTest::newRow("in-camera interval") << 0x2061 << 0x5013 << 2 << int(C::kLEDriveMode) << 5;
    QTest::newRow("bulb") << 0x2041 << 0x500E << 0x0200 << int(C::kLEExposureMode) << 4;
    QTest::newRow("shutter priority") << 0x2031 << 0x500E << 4 << int(C::kLEExposureMode) << 1;
    QTest::newRow("program") << 0x2031 << 0x500E << 2 << int(C::kLEExposureMode) << 3;
    QTest::newRow("manual") << 0x2061 << 0x500E << 1 << int(C::kLEExposureMode) << 0;
    QTest::newRow("intelligent autofocus") << 0x2031 << 0x500A << 5 << int(C::kLEFocusMode) << 5;
    QTest::newRow("five bracketing frames") << 0x2033 << 0xD006 << 5 << int(C::kLEBracketingFrames) << 5;
    QTest::newRow("interval frames") << 0x2041 << 0xD000 << 100 << int(C::kLEIntervalFrames) << 100;
    QTest::newRow("interval time") << 0x2041 << 0xD001 << 30 << int(C::kLEIntervalTime) << 30;
    QTest::newRow("shutter code") << 0x2041 << 0xD03B << 2048 << int(C::kLEShutterTimeCode) << 2048;
    QTest::newRow("long shutter code") << 0x2031 << 0xD03B << -1280 << int(C::kLEShutterTimeCode) << -1280;
}

void tst_emulatorproperties::normalisedSettingsFollowTheProperties()
{
    QFETCH(int, product);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(int, setting);
    QFETCH(int, expected);
    Connection connection(product);
    QVERIFY(connection.writeTyped(code, value));
    QCOMPARE(connection.camera->setting(TVK_Emulator_Camera::eLESetting(setting), -99), qint64(expected));
}

void tst_emulatorproperties::cameraOwnChangesAreReportedOnlyWhenTheyChange()
{
    Connection connection(0x2031);
    TVK_Emulator_PropertyStore *store = connection.store();
    QSignalSpy spy(connection.access.get(), &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged);

    store->setValue(0xD627, 10);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, kReportTimeoutMs);
    QCOMPARE(reported(spy), QVector<int>{0xD627});
    store->setValue(0xD627, 10);
    store->setValue(0xD628, 7, false);
    store->setValue(0xD050, 1); // not a property of this product
    QTest::qWait(kQuietMs);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(store->value(0xD628), qint64(7));
    QVERIFY(!store->has(0xD050));

    // Written and read codes share a value; the change is reported as read.
    store->setValue(0xD03B, 2048);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, kReportTimeoutMs);
    QCOMPARE(reported(spy).last(), 0xD60C);
    QCOMPARE(store->value(0xD60C), qint64(2048));
}

void tst_emulatorproperties::changeListenerHearsHostWritesAndOwnChanges()
{
    Connection connection(0x2041);
    QVector<QPair<int, qint64>> heard;
    connection.store()->addChangeListener([&heard](int code, qint64 value) { heard.append({code, value}); });

    QVERIFY(connection.writeTyped(0xD03B, 2048));
    QVERIFY(connection.writeTyped(0x5021, 1));
    connection.store()->setValue(0x5020, 0x00020001);
    QVERIFY(connection.writeTyped(0x5021, 1)); // unchanged: not heard again

    const QVector<QPair<int, qint64>> expected = {{0xD60C, 2048}, {0x5021, 1}, {0x5020, 0x00020001}};
    QCOMPARE(heard, expected);
}

QTEST_GUILESS_MAIN(tst_emulatorproperties)
#include "tst_emulatorproperties.moc"
