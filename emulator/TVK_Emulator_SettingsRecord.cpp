#include "TVK_Emulator_SettingsRecord.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Bytes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Platform_ThreadCheck.h"

#include <functional>
#include <mutex>
#include <utility>

using namespace TVK_Commu_Ptp;

// One field of a layout: where it is, what the camera starts with, and what
// the camera takes from the host.
struct TVK_Emulator_SettingsRecord::Row {
    enum eLEAccess {
        kLECamera,   // the camera's own value; the host's is ignored
        kLEHost,     // the host may set it to a value the camera accepts
        kLEHostBits  // the host may change the bits of hostBits, the others are the camera's
    };
    eLEField field;
    int offset;
    int width; // 1, 2 or 4 bytes, little-endian
    bool isSigned;
    eLEAccess access;
    qint64 initial;
    std::function<bool(qint64)> accepts; // kLEHost
    quint32 hostBits;                    // kLEHostBits
};

namespace {

using Record = TVK_Emulator_SettingsRecord;
using Row = Record::Row;
using Accepts = std::function<bool(qint64)>;

// What a product offers, from its value lists. The first layout's ISO list is
// indexed by the record's sensitivity index; the Cora layout keeps the ISO
// number itself, 0 standing for automatic in both.
struct ProductLists {
    int productId;
    QVector<qint64> iso;
    QVector<qint64> fileFormats;
    QVector<qint64> whiteBalances;  // empty: white balance, colour temperature and colour space are fixed
    QVector<qint64> jpgResolutions; // empty: the body has no JPG resolution choice
    int videoResolutions;           // Cora: entries of the video resolution list
    quint8 features;                // record offset 98
    quint8 features2;               // record offset 99
};

const ProductLists &listsFor(int productId, bool cora)
{
    // Feature bits of offset 98: 0 lens to position, 1 lens right/left, 2 JPG
    // resolution, 3 power save, 4 DNG compression, 5 key lock, 6 preview, 7 HMI.
    static const ProductLists kProducts[] = {
        {0x2009, {0, 80, 160, 320, 640, 1250}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}, 0, 0xFB, 0x01},
        {0x2011, {0, 50, 100, 200, 400, 800, 1600}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 1, 2}, 0,
         0xFF, 0x01},
        {0x2021, {0, 50, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000,
                  5000, 6400},
         {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2, 3}, 6, 0x5C, 0x00},
        {0x2051, {0, 320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12500,
                  25000},
         {0, 1, 3}, {}, {0, 1, 2, 3}, 4, 0x5C, 0x00},
    };
    for (const ProductLists &lists : kProducts) {
        if (lists.productId == productId)
            return lists;
    }
    // A body of the layout without lists of its own behaves like the first of its kind.
    return cora ? kProducts[2] : kProducts[0];
}

// The sensitivity the bodies start with, as a position in the product's ISO
// list: ISO 160 or 100 (first layout), ISO 200 or 800 (Cora).
constexpr int kInitialIsoPosition[2] = {2, 5};

// The shutter table of these bodies: half EV steps from Tv -12 (64 min) to
// Tv +12 (1/4000 s), in 1/256 EV.
constexpr qint64 kShutterCodeMin = -3072;
constexpr qint64 kShutterCodeMax = 3072;
constexpr qint64 kShutterCodeStep = 128;
// Apertures the bodies can drive, Av in 1/256 EV: f/1.4 to f/32.
constexpr qint64 kApertureCodeMin = 0x0100;
constexpr qint64 kApertureCodeMax = 0x0A00;
constexpr int kLanguages = 8;

// Sensitivity index of the first layout that means automatic.
constexpr qint64 kAutomaticIso = 0;

Accepts between(qint64 low, qint64 high)
{
    return [low, high](qint64 value) { return value >= low && value <= high; };
}

Accepts oneOf(const QVector<qint64> &values)
{
    return [values](qint64 value) { return values.contains(value); };
}

bool isShutterCode(qint64 code)
{
    return code >= kShutterCodeMin && code <= kShutterCodeMax && code % kShutterCodeStep == 0;
}

Row host(Record::eLEField field, int offset, int width, qint64 initial, Accepts accepts)
{
    return Row{field, offset, width, false, Row::kLEHost, initial, std::move(accepts), 0};
}

Row hostSigned(Record::eLEField field, int offset, int width, qint64 initial, Accepts accepts)
{
    return Row{field, offset, width, true, Row::kLEHost, initial, std::move(accepts), 0};
}

Row hostBits(Record::eLEField field, int offset, qint64 initial, quint32 bits)
{
    return Row{field, offset, 1, false, Row::kLEHostBits, initial, Accepts(), bits};
}

Row cameraOwned(Record::eLEField field, int offset, int width, qint64 initial, bool isSigned = false)
{
    return Row{field, offset, width, isSigned, Row::kLECamera, initial, Accepts(), 0};
}

// A host choice the body may lack: then the camera keeps its own value.
Row hostIf(bool offered, Record::eLEField field, int offset, qint64 initial, const QVector<qint64> &values)
{
    return offered ? host(field, offset, 1, initial, oneOf(values)) : cameraOwned(field, offset, 1, initial);
}

QVector<qint64> upTo(qint64 last)
{
    QVector<qint64> values;
    for (qint64 value = 0; value <= last; ++value)
        values.append(value);
    return values;
}

// The key lock, DNG compression and flash X bits of offset 14 that the body
// has, by its feature bits.
quint32 flagBitsOffered(const ProductLists &lists, bool cora)
{
    quint32 bits = 0;
    if (lists.features & 0x10)
        bits |= 0x02; // DNG compression
    if (cora)
        return bits;  // the Cora bodies have neither key lock nor flash X symbol
    if (lists.features & 0x20)
        bits |= 0x01; // key lock
    if (lists.features2 & 0x01)
        bits |= 0x04; // flash X symbol
    return bits;
}

std::vector<Row> firstLayout(const ProductLists &lists)
{
    using R = Record;
    const bool hasWhiteBalance = !lists.whiteBalances.isEmpty();
    const bool hasJpgResolution = !lists.jpgResolutions.isEmpty();
    const int isoIndex = kInitialIsoPosition[0];
    return {
        host(R::kLEDriveMode, 1, 1, 0, between(0, 5)),
        host(R::kLEFocusMode, 2, 1, 0, between(0, 2)),
        host(R::kLEMeteringMode, 3, 1, 2, between(0, 2)),
        host(R::kLEExposureCompensation, 4, 1, 6, between(0, 12)), // 6: 0 EV
        host(R::kLEBracketing, 5, 1, 0, between(0, 2)),
        host(R::kLEBracketingDelta, 6, 1, 1, between(0, 3)),
        cameraOwned(R::kLEShutterMode, 7, 1, 1),
        host(R::kLEMirrorUpMode, 9, 1, 0, between(0, 1)),
        host(R::kLESensitivityIndex, 10, 1, isoIndex, between(0, lists.iso.size() - 1)),
        cameraOwned(R::kLEUsbSpeed, 11, 1, 2),
        cameraOwned(R::kLERamBufferFree, 12, 1, 24),
        cameraOwned(R::kLESensorTemperature, 13, 1, 34),
        hostBits(R::kLEFlagBits, 14, 0x02, flagBitsOffered(lists, false)),
        host(R::kLEFileFormat, 15, 1, 0, oneOf(lists.fileFormats)),
        cameraOwned(R::kLEMaxShutterTime, 16, 2, -1792, true), // 125 s
        hostIf(hasWhiteBalance, R::kLEWhiteBalance, 18, 0, lists.whiteBalances),
        hostIf(hasWhiteBalance, R::kLEColourTemperature, 19, 30, upTo(62)), // 30: 5000 K
        hostIf(hasWhiteBalance, R::kLEJpgColourSpace, 20, 0, upTo(2)),
        host(R::kLEStorageType, 26, 1, 0, between(0, 2)),
        host(R::kLEAutoPowerOff, 47, 1, 1, between(0, 3)),
        host(R::kLELockAEAF, 60, 1, 0, between(0, 1)),
        hostIf(hasJpgResolution, R::kLEJpgResolution, 61, 0, lists.jpgResolutions),
        host(R::kLELanguage, 64, 1, 0, between(0, kLanguages - 1)),
        cameraOwned(R::kLEBatterySource, 65, 1, 1),
        cameraOwned(R::kLEBatteryInternal, 66, 1, 0x3D),
        cameraOwned(R::kLEBatteryExternal, 67, 1, 0xFF), // no grip
        cameraOwned(R::kLEWarnings, 68, 1, 0),
        cameraOwned(R::kLEIsoValue, 69, 2, lists.iso.value(isoIndex)),
        host(R::kLEExposureMode, 71, 1, 0, between(0, 5)),
        hostSigned(R::kLEAperture, 72, 2, 0x0500, between(kApertureCodeMin, kApertureCodeMax)), // f/5.6
        hostSigned(R::kLEShutterTime, 74, 2, 1792, isShutterCode),                                // 1/125 s
        cameraOwned(R::kLEFocusDistance, 76, 4, 3000),
        cameraOwned(R::kLEFocusConfirmation, 80, 1, 1),
        cameraOwned(R::kLELightBalance, 81, 1, 0, true),
        cameraOwned(R::kLEFlashCompensation, 82, 2, 0),
        cameraOwned(R::kLEFlashStatus, 84, 1, 0),
        cameraOwned(R::kLEFeatureBits, 98, 1, lists.features),
        cameraOwned(R::kLEFeatureBits2, 99, 1, lists.features2),
    };
}

std::vector<Row> coraLayout(const ProductLists &lists)
{
    using R = Record;
    const bool hasWhiteBalance = !lists.whiteBalances.isEmpty();
    QVector<qint64> exposureModes = {0, 1, 3}; // manual, aperture priority, bulb
    return {
        host(R::kLEDriveMode, 1, 1, 0, between(0, 5)),
        host(R::kLEVideoResolution, 2, 1, 0, between(0, lists.videoResolutions - 1)),
        host(R::kLEMeteringMode, 3, 1, 2, between(0, 2)),
        host(R::kLEExposureCompensation, 4, 1, 9, between(0, 18)), // 9: 0 EV
        host(R::kLEBracketing, 5, 1, 0, between(0, 2)),
        host(R::kLEBracketingDelta, 6, 1, 1, between(0, 3)),
        cameraOwned(R::kLEUsbSpeed, 11, 1, 2),
        cameraOwned(R::kLERamBufferFree, 12, 1, 40),
        cameraOwned(R::kLESensorTemperature, 13, 1, 31),
        hostBits(R::kLEFlagBits, 14, 0x02, flagBitsOffered(lists, true)),
        host(R::kLEFileFormat, 15, 1, 0, oneOf(lists.fileFormats)),
        cameraOwned(R::kLEMaxShutterTime, 16, 2, -1792, true), // 125 s
        hostIf(hasWhiteBalance, R::kLEWhiteBalance, 18, 0, lists.whiteBalances),
        hostIf(hasWhiteBalance, R::kLEColourTemperature, 19, 30, upTo(62)),
        hostIf(hasWhiteBalance, R::kLEJpgColourSpace, 20, 0, upTo(2)),
        host(R::kLEStorageType, 26, 1, 0, between(0, 2)),
        cameraOwned(R::kLELightMeter, 27, 2, -128, true), // half an EV under
        host(R::kLEAutoPowerOff, 47, 1, 1, between(0, 3)),
        host(R::kLEJpgResolution, 61, 1, 0, oneOf(lists.jpgResolutions)),
        host(R::kLELanguage, 64, 1, 0, between(0, kLanguages - 1)),
        // These bodies send 0 for "battery information present" (the host swaps 0 and 1).
        cameraOwned(R::kLEBatterySource, 65, 1, 0),
        cameraOwned(R::kLEBatteryInternal, 66, 1, 0x48),
        cameraOwned(R::kLEWarnings, 68, 1, 0),
        host(R::kLEIsoValue, 69, 2, lists.iso.value(kInitialIsoPosition[1]), oneOf(lists.iso)),
        host(R::kLEExposureMode, 71, 1, 0, oneOf(exposureModes)),
        hostSigned(R::kLEShutterTime, 74, 2, 1536, isShutterCode), // 1/60 s
        cameraOwned(R::kLEFocusConfirmation, 80, 1, 0),
        cameraOwned(R::kLEFlashCompensation, 82, 2, 0),
        cameraOwned(R::kLEFlashStatus, 84, 1, 0),
        cameraOwned(R::kLEFeatureBits, 98, 1, lists.features),
        cameraOwned(R::kLEFeatureBits2, 99, 1, lists.features2),
    };
}

bool usesCoraLayout(const TVK_Emulator_Camera *camera)
{
    const TVK_Emulator_Profile *profile = camera->profile();
    if (profile != nullptr)
        return profile->settingsKind == TVK_Emulator_Profile::kLEStructCora;
    // Without a profile the product id alone decides.
    return camera->productId() == 0x2021 || camera->productId() == 0x2051;
}

// A field's value in a record, sign-extended where the field is signed.
qint64 decode(const Row &row, const QByteArray &bytes)
{
    const quint64 raw = TVK_Emulator_Bytes::getLittleEndian(bytes, row.offset, row.width);
    if (!row.isSigned)
        return qint64(raw);
    switch (row.width) {
    case 1:
        return qint8(raw);
    case 2:
        return qint16(raw);
    default:
        return qint32(raw);
    }
}

// Normalised file format: 0 DNG, 1 DNG and JPG, 2 JPG.
qint64 normalisedFileFormat(qint64 raw)
{
    switch (raw) {
    case 1:
    case 2:
        return 1;
    case 3:
    case 4:
        return 2;
    default:
        return 0;
    }
}

// Normalised exposure mode of the Cora byte (4 is bulb).
qint64 normalisedCoraExposureMode(qint64 raw)
{
    switch (raw) {
    case 1:
        return 2;
    case 3:
        return 4;
    default:
        return 0;
    }
}

} // namespace

TVK_Emulator_SettingsRecord::TVK_Emulator_SettingsRecord(TVK_Emulator_Camera *camera)
    : TVK_Emulator_Component(camera)
    , m_cora(usesCoraLayout(camera))
{
    const ProductLists &lists = listsFor(camera->productId(), m_cora);
    m_rows = m_cora ? coraLayout(lists) : firstLayout(lists);
    if (!m_cora)
        m_isoTable = lists.iso;
    m_record.resize(kRecordSize);
    for (int offset = 0; offset < kRecordSize; ++offset)
        m_record[offset] = char(reservedByte(offset));
    for (const Row &each : m_rows)
        write(each, each.initial);
}

TVK_Emulator_SettingsRecord::~TVK_Emulator_SettingsRecord() = default;

quint8 TVK_Emulator_SettingsRecord::reservedByte(int offset)
{
    return quint8(0x80 | (offset & 0x7F));
}

const TVK_Emulator_SettingsRecord::Row *TVK_Emulator_SettingsRecord::row(eLEField field) const
{
    for (const Row &each : m_rows) {
        if (each.field == field)
            return &each;
    }
    return nullptr;
}

qint64 TVK_Emulator_SettingsRecord::read(const Row &row) const
{
    return decode(row, m_record);
}

void TVK_Emulator_SettingsRecord::write(const Row &row, qint64 value)
{
    TVK_Emulator_Bytes::putLittleEndian(m_record, row.offset, quint64(value), row.width);
}

bool TVK_Emulator_SettingsRecord::takeHostRecord(const QByteArray &bytes)
{
    TVK_METHOD(prefix);
    const qint64 sensitivityBefore = m_cora ? 0 : field(kLESensitivityIndex);
    bool changed = false;
    for (const Row &each : m_rows) {
        const qint64 current = read(each);
        qint64 wanted = decode(each, bytes);
        switch (each.access) {
        case Row::kLECamera:
            continue;
        case Row::kLEHostBits:
            wanted = (current & ~qint64(each.hostBits)) | (wanted & qint64(each.hostBits));
            break;
        case Row::kLEHost:
            if (wanted != current && !each.accepts(wanted)) {
                // The body would not take it; it keeps its value, and the
                // settings-changed event lets the host see which.
                debugLog(kLELogDummy, "%s - value %lld at offset %d not taken, keeping %lld", prefix,
                         static_cast<long long>(wanted), each.offset, static_cast<long long>(current));
                continue;
            }
            break;
        }
        if (wanted != current) {
            write(each, wanted);
            changed = true;
        }
    }
    // The first layout reports the sensitivity it works with beside the index;
    // in automatic the body starts from its base sensitivity.
    const qint64 index = m_cora ? 0 : field(kLESensitivityIndex);
    if (!m_cora && index != sensitivityBefore) {
        const qint64 iso = index == kAutomaticIso ? m_isoTable.value(1) : m_isoTable.value(int(index));
        write(*row(kLEIsoValue), iso);
    }
    return changed;
}

void TVK_Emulator_SettingsRecord::reportChange()
{
    const TVK_Emulator_Profile *profile = camera()->profile();
    // A camera raises only the events its DeviceInfo lists.
    if (profile == nullptr || !profile->supportsEvent(kVXCameraSettingsChanged))
        return;
    // One report answers every write made while it is on its way, so that a
    // flood of writes queues one report, not one each. A report planned
    // before the plug was pulled never comes; the next write plans anew.
    const int attachment = camera()->attachment();
    if (m_reportPlanned && m_reportAttachment == attachment)
        return;
    m_reportPlanned = true;
    m_reportAttachment = attachment;
    TVK_Emulator_Camera *owner = camera();
    owner->schedule(kReportDelayMs, [this, owner]() {
        m_reportPlanned = false;
        owner->raiseEvent(kVXCameraSettingsChanged);
    });
}

bool TVK_Emulator_SettingsRecord::handleTransaction(TVK_Emulator_Transaction &transaction)
{
    TVK_METHOD(prefix);
    switch (transaction.operationCode) {
    case kOpGetCameraSettings:
        if (transaction.dataPhase != TVK_Emulator_Transaction::kLEDataIn) {
            transaction.fail(kRespGeneralError);
            return true;
        }
        transaction.dataIn = m_record;
        return true;
    case kOpSetCameraSettings:
        // The body takes only a whole record.
        if (transaction.dataPhase != TVK_Emulator_Transaction::kLEDataOut
            || transaction.dataOut.size() != kRecordSize) {
            debugLog(kLELogDummy, "%s - settings record of %d bytes refused", prefix,
                     int(transaction.dataOut.size()));
            transaction.fail(kRespGeneralError);
            return true;
        }
        // Kept beyond the transaction: a copy of its own, never the
        // host's buffer.
        m_lastWritten = QByteArray(transaction.dataOut.constData(), transaction.dataOut.size());
        takeHostRecord(transaction.dataOut);
        // Reported after every accepted write, also when the camera kept all
        // its values: the host learns what the camera made of it.
        reportChange();
        return true;
    default:
        return false;
    }
}

bool TVK_Emulator_SettingsRecord::querySetting(int which, qint64 *value) const
{
    switch (which) {
    case TVK_Emulator_Camera::kLEFileFormat:
        *value = normalisedFileFormat(field(kLEFileFormat));
        return true;
    case TVK_Emulator_Camera::kLEDriveMode:
        *value = field(kLEDriveMode);
        return true;
    case TVK_Emulator_Camera::kLEExposureMode:
        *value = m_cora ? normalisedCoraExposureMode(field(kLEExposureMode)) : field(kLEExposureMode);
        return true;
    case TVK_Emulator_Camera::kLEFocusMode:
        // The Cora bodies focus by hand only.
        *value = m_cora ? 2 : field(kLEFocusMode);
        return true;
    case TVK_Emulator_Camera::kLEBracketingFrames:
        *value = field(kLEBracketing) == 2 ? 5 : 3;
        return true;
    case TVK_Emulator_Camera::kLEShutterTimeCode:
        *value = field(kLEShutterTime);
        return true;
    default:
        // Neither layout has an in-camera interval.
        return false;
    }
}

QByteArray TVK_Emulator_SettingsRecord::record() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return TVK_Platform_ThreadCheck::unshared(m_record);
}

QByteArray TVK_Emulator_SettingsRecord::lastWrittenRecord() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return TVK_Platform_ThreadCheck::unshared(m_lastWritten);
}

bool TVK_Emulator_SettingsRecord::hasField(eLEField field) const
{
    return row(field) != nullptr;
}

qint64 TVK_Emulator_SettingsRecord::field(eLEField field) const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const Row *found = row(field);
    return found != nullptr ? read(*found) : 0;
}

bool TVK_Emulator_SettingsRecord::setField(eLEField field, qint64 value, bool report)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    const Row *found = row(field);
    if (found == nullptr)
        return false;
    write(*found, value);
    if (report)
        reportChange();
    return true;
}
