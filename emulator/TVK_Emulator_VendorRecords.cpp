#include "TVK_Emulator_VendorRecords.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Bytes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"

#include <cstring>
#include <mutex>

using namespace TVK_Commu_Ptp;

namespace {

using Records = TVK_Emulator_VendorRecords;

// Lens record: the state byte and the 60-byte type string, then the fields below.
// The lens property, reported as changed by the bodies without a lens event.
constexpr int kLensProperty = 0xD620;

constexpr int kLensStateOffset = 0;
constexpr int kLensTypeStringOffset = 1;
constexpr int kLensTypeStringChars = 59; // blank-padded, then a zero byte
// Lens state byte: a lens is mounted at 1 and 2; below 2 the body picks the
// lens profile by itself.
constexpr quint8 kLensStateMountedAutomatic = 1;
constexpr quint8 kLensStateMountedManual = 2;
constexpr quint8 kLensStateNoneAutomatic = 0;
constexpr quint8 kLensStateNoneManual = 3;

// 3-axis record: pitch, roll and temperature in both layouts.
struct AxisLayout {
    int size;
    int pitchOffset;
    int rollOffset;
    int temperatureOffset;
};
constexpr AxisLayout kShortAxisLayout = {Records::kShortAxisRecordSize, 12, 16, 189};
constexpr AxisLayout kLongAxisLayout = {Records::kLongAxisRecordSize, 12, 20, 205};

// Geotagging record.
constexpr int kGeoFlagsOffset = 0;
constexpr int kGeoLongitudeOffset = 23; // degrees, minutes, float32 seconds
constexpr int kGeoLatitudeOffset = 29;  // degrees, minutes, float32 seconds
constexpr int kGeoSatellitesOffset = 59;

// Where the focus stands before the motor ever moved, in mm.
constexpr quint32 kInitialFocusPosition = 3000;
// The focus distance property of the bodies that keep their settings as properties.
constexpr int kPropFocusDistance = 0xD62B;
// The value the host sends for "infinity".
constexpr qint64 kFocusInfinity = 0x7FFFFFFF;

struct Put {
    int offset;
    int width; // bytes
    quint32 value;
};

Records::Lens makeLens(const char *typeString, quint8 lensType, quint32 serialNumber, quint8 firmware, quint8 correction,
                   qint16 openAperture, qint16 closeAperture, quint8 apertureSteps, quint16 focalMin, quint16 focalMax,
                   quint32 focusMin, quint32 focusMax, bool centralShutter, quint32 lensId, quint16 selectedFocal,
                   std::array<quint8, 4> fileVersion)
{
    Records::Lens result;
    result.typeString = QString::fromLatin1(typeString);
    result.lensType = lensType;
    result.serialNumber = serialNumber;
    result.firmwareVersion = firmware;
    result.correctionDataVersion = correction;
    result.openApertureCode = openAperture;
    result.closeApertureCode = closeAperture;
    result.apertureSteps = apertureSteps;
    result.focalLengthMin = focalMin;
    result.focalLengthMax = focalMax;
    result.focusPositionMin = focusMin;
    result.focusPositionMax = focusMax;
    result.centralShutter = centralShutter;
    result.lensId = lensId;
    result.selectedFocalLength = selectedFocal;
    result.fileVersion = fileVersion;
    return result;
}

enum eLELensFamily { kLEFirstLayoutLens, kLECoraLens, kLEPropertyLens };

eLELensFamily lensFamily(int productId, const TVK_Emulator_Profile *profile)
{
    if (profile != nullptr) {
        switch (profile->settingsKind) {
        case TVK_Emulator_Profile::kLEStruct:
            return kLEFirstLayoutLens;
        case TVK_Emulator_Profile::kLEStructCora:
            return kLECoraLens;
        case TVK_Emulator_Profile::kLEDeviceProperties:
            return kLEPropertyLens;
        }
    }
    switch (productId) {
    case 0x2009:
    case 0x2011:
        return kLEFirstLayoutLens;
    case 0x2021:
    case 0x2051:
        return kLECoraLens;
    default:
        return kLEPropertyLens;
    }
}

// Where the body reports its focus distance to the host: a field of the
// settings record, or a device property; nowhere on the Cora bodies.
struct FocusDistanceReport {
    TVK_Emulator_SettingsRecord *settings = nullptr;
    TVK_Emulator_PropertyStore *properties = nullptr;

    explicit FocusDistanceReport(const TVK_Emulator_Camera *camera)
    {
        auto *record = camera->component<TVK_Emulator_SettingsRecord>();
        if (record != nullptr && record->hasField(TVK_Emulator_SettingsRecord::kLEFocusDistance))
            settings = record;
        TVK_Emulator_PropertyStore *store = camera->properties();
        if (store != nullptr && store->has(kPropFocusDistance))
            properties = store;
    }

    bool exists() const { return settings != nullptr || properties != nullptr; }

    qint64 value() const
    {
        if (settings != nullptr)
            return settings->field(TVK_Emulator_SettingsRecord::kLEFocusDistance);
        return properties != nullptr ? properties->value(kPropFocusDistance) : 0;
    }

    // Reported like any other change the body makes by itself.
    void report(quint32 millimetres) const
    {
        if (value() == qint64(millimetres))
            return;
        if (settings != nullptr)
            settings->setField(TVK_Emulator_SettingsRecord::kLEFocusDistance, millimetres);
        if (properties != nullptr)
            properties->setValue(kPropFocusDistance, millimetres);
    }
};

} // namespace

QVector<TVK_Emulator_VendorRecords::Lens> TVK_Emulator_VendorRecords::lensCatalogue()
{
    // Apertures as Av codes in 1/256 EV: 0x02A4 f/2.5, 0x0200 f/2, 0x0400
    // f/4, 0x0800 f/16, 0x0900 f/22, 0x0A00 f/32.
    return {
        makeLens("Korvanit-A 70", 132, 1234567, 25, 29, 0x02A4, 0x0900, 2, 70, 70, 500, 70000, false, 0x00460001, 70,
             {1, 2, 0, 4}),
        makeLens("Varitar-C 24-90 ASPH", 0x86, 2345678, 12, 7, 0x0400, 0x0A00, 3, 24, 90, 300, 60000, true, 0x00860002, 35,
             {2, 0, 1, 7}),
        makeLens("Elmotar 35 f/2", 0x41, 3456789, 5, 3, 0x0200, 0x0800, 3, 35, 35, 300, 100000, false, 0x00410003, 35,
             {1, 0, 0, 9}),
        makeLens("Korvanit-S 120 Macro", 0x8A, 4567890, 8, 11, 0x0400, 0x0900, 2, 120, 120, 390, 50000, true, 0x008A0004,
             120, {1, 1, 3, 0}),
    };
}

TVK_Emulator_VendorRecords::Lens TVK_Emulator_VendorRecords::standardLens(int productId)
{
    return lensCatalogue().at(lensFamily(productId, TVK_Emulator_Profile::forProduct(productId)));
}

TVK_Emulator_VendorRecords::TVK_Emulator_VendorRecords(TVK_Emulator_Camera *camera)
    : TVK_Emulator_Component(camera)
    , m_lens(lensCatalogue().at(lensFamily(camera->productId(), camera->profile())))
{
    // A body held level on a table, in the photographer's studio.
    m_axis.pitch = 1.5;
    m_axis.roll = -0.75;
    m_axis.temperature = 31.25;
    m_geotagging.validityFlags = 0x0F;
    m_geotagging.longitudeDegrees = 8;
    m_geotagging.longitudeMinutes = 30;
    m_geotagging.longitudeSeconds = 12.5f;
    m_geotagging.latitudeDegrees = 50;
    m_geotagging.latitudeMinutes = 33;
    m_geotagging.latitudeSeconds = 7.25f;
    m_geotagging.satellites = 7;

    // The focus starts where the body says it stands.
    const FocusDistanceReport focus(camera);
    const qint64 start = focus.exists() ? focus.value() : kInitialFocusPosition;
    m_focusPosition = quint32(qBound<qint64>(m_lens.focusPositionMin, start, m_lens.focusPositionMax));
}

TVK_Emulator_VendorRecords::~TVK_Emulator_VendorRecords() = default;

bool TVK_Emulator_VendorRecords::handleTransaction(TVK_Emulator_Transaction &transaction)
{
    QByteArray answer;
    switch (transaction.operationCode) {
    case kOpGetLensData:
        answer = lensRecord();
        break;
    case kOpGet3DAxisData:
        answer = axisRecord();
        break;
    case kOpGetGeotackingData:
        answer = geotaggingRecord();
        break;
    default:
        return false;
    }
    if (transaction.dataPhase != TVK_Emulator_Transaction::kLEDataIn) {
        transaction.fail(kRespGeneralError);
        return true;
    }
    transaction.dataIn = answer;
    return true;
}

bool TVK_Emulator_VendorRecords::handleAction(const TVK_Emulator_Action &action, int *responseCode)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    qint64 target = 0;
    switch (action.kind) {
    case TVK_Emulator_Action::kLELensStep: {
        const qint64 range = qint64(m_lens.focusPositionMax) - qint64(m_lens.focusPositionMin);
        const qint64 step = qMax<qint64>(1, range / kFocusMotorSteps);
        target = qint64(m_focusPosition) + action.value * step;
        break;
    }
    case TVK_Emulator_Action::kLELensPosition:
        // Positions are millimetres; the host's 0x7FFFFFFF asks for infinity,
        // the far end of the range. Below zero there is no position.
        if (action.value < 0) {
            *responseCode = kRespGeneralError;
            return true;
        }
        target = action.value == kFocusInfinity ? qint64(m_lens.focusPositionMax) : action.value;
        break;
    default:
        return false;
    }
    if (!m_lensAttached) {
        *responseCode = kRespGeneralError;
        return true;
    }
    moveFocusTo(target);
    *responseCode = kRespOK;
    return true;
}

void TVK_Emulator_VendorRecords::moveFocusTo(qint64 position)
{
    m_focusPosition = quint32(qBound<qint64>(m_lens.focusPositionMin, position, m_lens.focusPositionMax));
    FocusDistanceReport(camera()).report(m_focusPosition);
}

void TVK_Emulator_VendorRecords::raiseIfListed(int eventCode, quint32 parameter)
{
    // A camera raises only the events its DeviceInfo lists.
    const TVK_Emulator_Profile *profile = camera()->profile();
    if (profile != nullptr && profile->supportsEvent(eventCode))
        camera()->raiseEvent(eventCode, parameter);
}

void TVK_Emulator_VendorRecords::reportLensChange()
{
    const TVK_Emulator_Profile *profile = camera()->profile();
    if (profile == nullptr)
        return;
    // The bodies that report bulb and self-timer ticks as events report the
    // lens the same way; the others report their lens property as changed.
    if (profile->reportsTickEvents)
        raiseIfListed(kVXLensChanged);
    else
        raiseIfListed(kVXDevicePropChanged, kLensProperty);
}

void TVK_Emulator_VendorRecords::changeLens(const Lens &newLens)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    m_lens = newLens;
    m_lensAttached = true;
    moveFocusTo(m_focusPosition);
    reportLensChange();
}

void TVK_Emulator_VendorRecords::setLensAttached(bool attached)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    if (m_lensAttached == attached)
        return;
    m_lensAttached = attached;
    reportLensChange();
}

void TVK_Emulator_VendorRecords::setAutomaticLensSelection(bool on)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    if (m_automaticLensSelection == on)
        return;
    m_automaticLensSelection = on;
    reportLensChange();
}

TVK_Emulator_VendorRecords::Lens TVK_Emulator_VendorRecords::lens() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_lens;
}

bool TVK_Emulator_VendorRecords::isLensAttached() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_lensAttached;
}

quint32 TVK_Emulator_VendorRecords::focusPosition() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_focusPosition;
}

void TVK_Emulator_VendorRecords::setAxisData(const AxisData &data)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    m_axis = data;
    raiseIfListed(kVX3DAxisDataChanged);
}

TVK_Emulator_VendorRecords::AxisData TVK_Emulator_VendorRecords::axisData() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_axis;
}

void TVK_Emulator_VendorRecords::setGeotagging(const Geotagging &data)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    m_geotagging = data;
    raiseIfListed(kVXGeoTackingStatusChanged);
}

TVK_Emulator_VendorRecords::Geotagging TVK_Emulator_VendorRecords::geotagging() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_geotagging;
}

QByteArray TVK_Emulator_VendorRecords::lensRecord() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    QByteArray bytes(kLensRecordSize, '\0');
    if (!m_lensAttached) {
        // Without a lens only the state speaks; everything else reads zero.
        bytes[kLensStateOffset] =
            char(m_automaticLensSelection ? kLensStateNoneAutomatic : kLensStateNoneManual);
        return bytes;
    }
    bytes[kLensStateOffset] = char(m_automaticLensSelection ? kLensStateMountedAutomatic : kLensStateMountedManual);
    const QByteArray text =
        m_lens.typeString.toLatin1().left(kLensTypeStringChars).leftJustified(kLensTypeStringChars, ' ');
    std::memcpy(bytes.data() + kLensTypeStringOffset, text.constData(), size_t(kLensTypeStringChars));

    // Bytes 86 to 88, 99 and 100 stay zero.
    const Put fields[] = {
        {61, 1, m_lens.lensType},
        {62, 4, m_lens.serialNumber},
        {66, 1, m_lens.firmwareVersion},
        {67, 1, m_lens.correctionDataVersion},
        {68, 2, quint16(m_lens.openApertureCode)},
        {70, 2, quint16(m_lens.closeApertureCode)},
        {72, 1, m_lens.apertureSteps},
        {73, 2, m_lens.focalLengthMin},
        {75, 2, m_lens.focalLengthMax},
        {77, 4, m_lens.focusPositionMin},
        {81, 4, m_lens.focusPositionMax},
        {85, 1, m_lens.centralShutter ? 0x01u : 0x00u},
        {89, 4, m_lens.lensId},
        {93, 2, m_lens.selectedFocalLength},
        {95, 1, m_lens.fileVersion[0]},
        {96, 1, m_lens.fileVersion[1]},
        {97, 1, m_lens.fileVersion[2]},
        {98, 1, m_lens.fileVersion[3]},
    };
    for (const Put &field : fields)
        TVK_Emulator_Bytes::putLittleEndian(bytes, field.offset, field.value, field.width);
    return bytes;
}

QByteArray TVK_Emulator_VendorRecords::axisRecord() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const TVK_Emulator_Profile *profile = camera()->profile();
    const bool isLong = profile != nullptr && profile->longAxisLayout;
    const AxisLayout &layout = isLong ? kLongAxisLayout : kShortAxisLayout;
    QByteArray bytes(layout.size, '\0');
    if (isLong) {
        TVK_Emulator_Bytes::putFloat64(bytes, layout.pitchOffset, m_axis.pitch);
        TVK_Emulator_Bytes::putFloat64(bytes, layout.rollOffset, m_axis.roll);
        TVK_Emulator_Bytes::putFloat64(bytes, layout.temperatureOffset, m_axis.temperature);
    } else {
        TVK_Emulator_Bytes::putFloat32(bytes, layout.pitchOffset, float(m_axis.pitch));
        TVK_Emulator_Bytes::putFloat32(bytes, layout.rollOffset, float(m_axis.roll));
        TVK_Emulator_Bytes::putFloat32(bytes, layout.temperatureOffset, float(m_axis.temperature));
    }
    return bytes;
}

QByteArray TVK_Emulator_VendorRecords::geotaggingRecord() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    QByteArray bytes(kGeotaggingRecordSize, '\0');
    const Put fields[] = {
        {kGeoFlagsOffset, 1, m_geotagging.validityFlags},
        {kGeoLongitudeOffset, 1, m_geotagging.longitudeDegrees},
        {kGeoLongitudeOffset + 1, 1, m_geotagging.longitudeMinutes},
        {kGeoLatitudeOffset, 1, m_geotagging.latitudeDegrees},
        {kGeoLatitudeOffset + 1, 1, m_geotagging.latitudeMinutes},
        {kGeoSatellitesOffset, 1, m_geotagging.satellites},
    };
    for (const Put &field : fields)
        TVK_Emulator_Bytes::putLittleEndian(bytes, field.offset, field.value, field.width);
    TVK_Emulator_Bytes::putFloat32(bytes, kGeoLongitudeOffset + 2, m_geotagging.longitudeSeconds);
    TVK_Emulator_Bytes::putFloat32(bytes, kGeoLatitudeOffset + 2, m_geotagging.latitudeSeconds);
    return bytes;
}
