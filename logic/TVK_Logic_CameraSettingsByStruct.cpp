#include "TVK_Logic_CameraSettingsByStruct.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXConverterAperture.h"

#include <QtEndian>

#include <algorithm>
#include <iterator>

using Struct = TVK_Logic_CameraSettingsByStruct;

namespace {

// The compensation index counts half EV steps from -3 EV.
constexpr int kCompensationMaxIndex = 12;
constexpr int kCompensationZeroIndex = 6;
constexpr int kHalfStepMilliEV = 500;
constexpr int kCompensationLimit = 3000;

constexpr int kBracketingOff = 0;
constexpr int kBracketingThree = 1;
constexpr int kBracketingFive = 2;

// Bracketing delta EV by its index; any other index reads as 1 EV.
constexpr int kBracketingDeltas[] = {500, 1000, 2000, 3000};
constexpr int kBracketingDeltaDefaultIndex = 1;

// The light balance counts half EV, the light meter 1/256 EV.
constexpr int kLightMeterPerHalfEV = 128;

constexpr quint8 kNoBattery = 0xFF;

// What batteryInfo reports.
constexpr int kBatteryExternalOnly = 0;
constexpr int kBatteryInternalOnly = 1;
constexpr int kBatteryBoth = 2;
constexpr int kBatteryNoInformation = 3;
constexpr int kBatteryNone = 4;

constexpr int kDumpBytesPerLine = 16;
constexpr int kDumpAllLines = 0;

// The ISO number of each sensitivity position, by the body's ISO list;
// position 0 is automatic.
struct IsoTable {
    TVK_Commu_ProductTraits::eLEIsoList list;
    QVector<int> iso;
};

const IsoTable *isoTableFor(int productId)
{
    static const IsoTable kTables[] = {
        {TVK_Commu_ProductTraits::kLEIsoArdo2, {0, 80, 160, 320, 640, 1250}},
        {TVK_Commu_ProductTraits::kLEIsoArdo2S, {0, 50, 100, 200, 400, 800, 1600}},
    };
    const TVK_Commu_ProductTraits::eLEIsoList list = TVK_Commu_ProductTraits::of(productId).isoList;
    for (const IsoTable &table : kTables) {
        if (table.list == list)
            return &table;
    }
    return nullptr;
}

// The one get-by-width and put-by-width pair: fields are little-endian and may
// stand at odd offsets, so they are read byte-wise, never through wider casts.
quint32 getBytes(const Struct::Record &record, int offset, int size)
{
    if (offset < 0 || size < 1 || offset + size > Struct::kRecordSize)
        return 0;
    const uchar *at = record.data() + offset;
    switch (size) {
    case 1:
        return *at;
    case 2:
        return qFromLittleEndian<quint16>(at);
    default:
        return qFromLittleEndian<quint32>(at);
    }
}

void putBytes(Struct::Record &record, int offset, int size, quint32 value)
{
    if (offset < 0 || size < 1 || offset + size > Struct::kRecordSize)
        return;
    uchar *at = record.data() + offset;
    switch (size) {
    case 1:
        *at = quint8(value);
        break;
    case 2:
        qToLittleEndian<quint16>(quint16(value), at);
        break;
    default:
        qToLittleEndian<quint32>(value, at);
        break;
    }
}

} // namespace

TVK_Logic_CameraSettingsByStruct::TVK_Logic_CameraSettingsByStruct(TVK_Commu_CameraAccess_Base *cameraAccess,
                                                                   TVK_Logic_DeviceInfo *deviceInfo)
    : TVK_Logic_CameraSettingsByStruct(cameraAccess, deviceInfo, DeferReceive())
{
    recvFromCamera(nullptr);
}

TVK_Logic_CameraSettingsByStruct::TVK_Logic_CameraSettingsByStruct(TVK_Commu_CameraAccess_Base *cameraAccess,
                                                                   TVK_Logic_DeviceInfo *deviceInfo, DeferReceive)
    : TVK_Logic_CameraSettingsBase(cameraAccess, deviceInfo)
    , m_shutterConverter(productId())
{
}

TVK_Logic_CameraSettingsByStruct::~TVK_Logic_CameraSettingsByStruct() = default;

const char *TVK_Logic_CameraSettingsByStruct::className() const
{
    return "TVK_Logic_CameraSettingsByStruct";
}

QByteArray TVK_Logic_CameraSettingsByStruct::logPrefix(const char *method) const
{
    return QByteArray(className()) + "::" + method + "()";
}

void TVK_Logic_CameraSettingsByStruct::notAvailable(const char *method, const char *message) const
{
    debugLog(kLELogAlways, message, logPrefix(method).constData());
}

QByteArray TVK_Logic_CameraSettingsByStruct::record() const
{
    return QByteArray(reinterpret_cast<const char *>(m_record.data()), kRecordSize);
}

// --- Record fields ------------------------------------------------------------

qint64 TVK_Logic_CameraSettingsByStruct::fieldValue(const Record &record, const RecordField &field)
{
    quint32 raw = getBytes(record, field.offset, field.size);
    if (field.bits != 0)
        return raw & field.bits;
    if (!field.isSigned)
        return raw;
    switch (field.size) {
    case 1:
        return qint8(raw);
    case 2:
        return qint16(raw);
    default:
        return qint32(raw);
    }
}

void TVK_Logic_CameraSettingsByStruct::storeField(const RecordField &field, qint64 value)
{
    Record updated = m_record;
    if (field.bits != 0) {
        const quint32 byte = getBytes(updated, field.offset, 1);
        putBytes(updated, field.offset, 1, value != 0 ? byte | field.bits : byte & ~quint32(field.bits));
    } else {
        putBytes(updated, field.offset, field.size, quint32(value));
    }
    if (updated == m_record)
        return;
    m_record = updated;
    markChanged();
}

const QVector<Struct::ChangeRow> &TVK_Logic_CameraSettingsByStruct::changeRows() const
{
    static const QVector<ChangeRow> rows = {
        {kFieldDriveMode, kLEDriveMode, kLEAnyChange},
        {kFieldFocusMode, kLEFocusMode, kLEAnyChange},
        {kFieldMeteringMode, kLEExposureMeteringMode, kLEAnyChange},
        {kFieldExposureCompensation, kLEExposureCompensation, kLEAnyChange},
        {kFieldBracketing, kLEBracketingEnabled, kLEZeroCrossing},
        {kFieldBracketing, kLEBracketingFrames, kLEAnyChange},
        {kFieldBracketingDelta, kLEBracketingAperture, kLEAnyChange},
        {kFieldShutterMode, kLEPowerSwitch, kLEAnyChange},
        {kFieldMirrorUpMode, kLEMirrorUpMode, kLEAnyChange},
        {kFieldSensitivityIndex, kLESensitivity, kLEAnyChange},
        {kFieldKeyLock, kLEKeyLock, kLEAnyChange},
        {kFieldDngCompression, kLEDngCompression, kLEAnyChange},
        {kFieldFlashXSymbol, kLEFlashSyncStatus, kLEAnyChange},
        {kFieldFileFormat, kLEFileFormat, kLEAnyChange},
        {kFieldMaxShutterTime, kLEExposureTimeMax, kLEAnyChange},
        {kFieldWhiteBalance, kLEWhiteBalance, kLEAnyChange},
        {kFieldColourTemperature, kLEWhiteBalanceColorTemp, kLEAnyChange},
        {kFieldJpgColourSpace, kLEColorManagement, kLEAnyChange},
        {kFieldStorageType, kLEExternalShooting, kLEAnyChange},
        {kFieldAutoPowerOff, kLEAutoPowerOff, kLEAnyChange},
        {kFieldJpgResolution, kLEPhotoResolutionJPG, kLEAnyChange},
        {kFieldLanguage, kLELanguage, kLEAnyChange},
        {kFieldBatterySource, kLEBatteryInfo, kLEAnyChange},
        {kFieldBatteryInternal, kLEBatteryInfo, kLEAnyChange},
        {kFieldBatteryExternal, kLEBatteryInfo, kLEAnyChange},
        {kFieldBatteryInternal, kLEBatteryLevelIntern, kLEAnyChange},
        {kFieldBatteryExternal, kLEBatteryLevelExtern, kLEAnyChange},
        {kFieldWarnings, kLEWarnings, kLEBecameNonZero},
        {kFieldExposureMode, kLEExposureProgram, kLEAnyChange},
        {kFieldAperture, kLEAperture, kLEAnyChange},
        {kFieldShutterTime, kLEExposureTime, kLEAnyChange},
        {kFieldFocusDistance, kLEFocusDistance, kLEAnyChange},
        {kFieldFocusConfirmation, kLEFocusConfirmValue, kLEAnyChange},
        {kFieldLightBalance, kLELightmeter, kLEAnyChange},
        {kFieldFlashStatus, kLEFlashStatus, kLEAnyChange},
    };
    return rows;
}

bool TVK_Logic_CameraSettingsByStruct::rowChanged(const ChangeRow &row, const Record &before,
                                                  const Record &after) const
{
    const qint64 old = fieldValue(before, row.field);
    const qint64 now = fieldValue(after, row.field);
    switch (row.rule) {
    case kLEAnyChange:
        return now != old;
    case kLEZeroCrossing:
        return (now == 0) != (old == 0);
    case kLEBecameNonZero:
        return now != old && now != 0;
    case kLEBitsRaised:
        return (now & ~old) != 0;
    }
    return false;
}

// --- Receive and send -------------------------------------------------------

void TVK_Logic_CameraSettingsByStruct::recvFromCamera(quint16 propertyCode, ChangedFlags *)
{
    debugLog(kLELogAlways, "%s - ignore changed device property 0x%4X", logPrefix(__func__).constData(),
             unsigned(propertyCode));
}

void TVK_Logic_CameraSettingsByStruct::recvFromCamera(ChangedFlags *changed)
{
    const Record before = m_record;
    TVK_Commu_CameraAccess_Base *access = cameraAccess();
    // A short answer arrives zero-filled to the full size, so every field can
    // be decoded whatever the camera sent.
    const bool ok = access != nullptr && access->getCameraSettings(m_record.data(), kRecordSize);
    if (!ok) {
        // Nothing read can be trusted; the camera's next settings report
        // brings its values back.
        debugLog(kLELogAlways, "%s - camera settings not received, all settings cleared",
                 logPrefix(__func__).constData());
        m_record.fill(0);
    }
    m_cameraRecord = m_record;
    // Whatever the user had set but not sent is replaced by the camera's state.
    clearChanged();

    const qint64 bracketing = fieldValue(kFieldBracketing);
    if (bracketing == kBracketingThree || bracketing == kBracketingFive)
        m_fiveImages = bracketing == kBracketingFive;
    m_cameraFiveImages = m_fiveImages;

    if (debugLogEnabled(kLELogSettings))
        dump(QString::fromLatin1(className()) + QStringLiteral("::recvFromCamera"));

    if (changed == nullptr)
        return;
    ChangedFlags flags{};
    for (const ChangeRow &row : changeRows()) {
        if (rowChanged(row, before, m_record))
            flags[row.flag] = true;
    }
    *changed = flags;
}

void TVK_Logic_CameraSettingsByStruct::sendToCamera()
{
    TVK_Commu_CameraAccess_Base *access = cameraAccess();
    if (access == nullptr) {
        debugLog(kLELogAlways, "%s - no camera", logPrefix(__func__).constData());
    } else if (access->setCameraSettings(m_record.data(), kRecordSize)) {
        m_cameraRecord = m_record;
        m_cameraFiveImages = m_fiveImages;
    } else {
        // The camera still has its old settings and will not report a change.
        // Keeping the user's values in the copy would make an identical
        // request look like no change, so it would never be sent again.
        debugLog(kLELogAlways, "%s - writing the camera settings failed; they are sent again on the next request",
                 logPrefix(__func__).constData());
        for (const ChangeRow &row : changeRows()) {
            if (fieldValue(m_cameraRecord, row.field) != fieldValue(m_record, row.field))
                markRefused(row.flag);
        }
        m_record = m_cameraRecord;
        m_fiveImages = m_cameraFiveImages;
    }
    clearChanged();
    if (debugLogEnabled(kLELogSettings))
        dump(QString::fromLatin1(className()) + QStringLiteral("::sendToCamera"));
}

// --- Dump ---------------------------------------------------------------------

void TVK_Logic_CameraSettingsByStruct::dumpRecord(const QString &caller)
{
    const QString title = QString::fromLatin1(logPrefix("dump")) + QStringLiteral(" for ") + caller;
    debugHexDump(title, QStringLiteral("cameraSettings"), m_record.data(), kRecordSize, kDumpAllLines,
                 kDumpBytesPerLine);
}

// Names are padded so that their equals signs line up with those of the
// shutter-time and aperture lines.
void TVK_Logic_CameraSettingsByStruct::dumpNumber(const char *prefix, const char *name, qint64 value)
{
    debugLog(kLELogAlways, "%s - %-24s = %lld", prefix, name, static_cast<long long>(value));
}

void TVK_Logic_CameraSettingsByStruct::dumpYesNo(const char *prefix, const char *name, bool value)
{
    debugLog(kLELogAlways, "%s - %-24s = %s", prefix, name, value ? "Yes" : "No");
}

void TVK_Logic_CameraSettingsByStruct::dumpMaxShutterTime(const char *prefix)
{
    const int code = int(fieldValue(kFieldMaxShutterTime));
    debugLog(kLELogAlways, "%s - maxShutterTime           = 0x%04X = %d (%.3lfs)", prefix, unsigned(quint16(code)),
             code, maxShutterTime());
}

void TVK_Logic_CameraSettingsByStruct::dumpShutterTime(const char *prefix)
{
    const int code = int(fieldValue(kFieldShutterTime));
    const double seconds = shutterTime();
    // Short times read better as the fraction the camera shows.
    if (seconds > 0.0 && seconds < 1.0)
        debugLog(kLELogAlways, "%s - shutterTime              = 0x%04X = %d (1/%.3lfs)", prefix,
                 unsigned(quint16(code)), code, 1.0 / seconds);
    else
        debugLog(kLELogAlways, "%s - shutterTime              = 0x%04X = %d (%.3lfs)", prefix,
                 unsigned(quint16(code)), code, seconds);
}

void TVK_Logic_CameraSettingsByStruct::dumpRecordFeatures(const char *prefix)
{
    static const QVector<FeatureLine> lines = dumpedFeatures(
        {QStringLiteral("featureFocusMode"), QStringLiteral("featureFocusConfirmation"),
         QStringLiteral("featureFocusDistance"), QStringLiteral("featureMoveLensToPos"),
         QStringLiteral("featureMoveLensRightLeft"), QStringLiteral("featureJpgResSelection"),
         QStringLiteral("featureVideoFileFormat"), QStringLiteral("featureVideoResAndFrRate"),
         QStringLiteral("featureVideoFormatResol"), QStringLiteral("featureAutoFocusLimit"),
         QStringLiteral("featureAudioLevel"), QStringLiteral("featureAudioWindElim"),
         QStringLiteral("featureAudioVolSpeaker"), QStringLiteral("featureAudioVolHeadphone"),
         QStringLiteral("featureAudioVolMicrophone"), QStringLiteral("featureExposureSimulation"),
         QStringLiteral("featurePowerSave"), QStringLiteral("featureDngCompression"),
         QStringLiteral("featureInterval"), QStringLiteral("featureKeyLock"), QStringLiteral("featureLiveView"),
         QStringLiteral("featurePreview"), QStringLiteral("featureHMI"), QStringLiteral("featureFlashStatus"),
         QStringLiteral("featureFlashXSymbol")});
    dumpFeatures(prefix, lines);
}

void TVK_Logic_CameraSettingsByStruct::dump(const QString &caller)
{
    const QByteArray prefixText = logPrefix(__func__);
    const char *prefix = prefixText.constData();
    dumpRecord(caller);
    dumpNumber(prefix, "driveMode", driveMode());
    dumpNumber(prefix, "focusMode", focusMode());
    dumpNumber(prefix, "exposureMeteringMode", exposureMeteringMode());
    dumpNumber(prefix, "exposureCompensation", exposureCompensation());
    dumpNumber(prefix, "bracketingImageNumbers", bracketingImageNumbers());
    dumpNumber(prefix, "bracketingDeltaEV", bracketingDeltaEV());
    dumpNumber(prefix, "shutterMode", shutterMode());
    dumpNumber(prefix, "mirrorUpMode", mirrorUpMode());
    dumpNumber(prefix, "sensitivity", sensitivity());
    dumpNumber(prefix, "USBspeed", USBspeed());
    dumpNumber(prefix, "RAMBufferFreeCaptures", RAMBufferFreeCaptures());
    dumpNumber(prefix, "sensorBoardTemperature", sensorBoardTemperature());
    dumpYesNo(prefix, "keyLock", keyLock());
    dumpYesNo(prefix, "dngCompression", dngCompression());
    dumpYesNo(prefix, "flashXSymbol", flashXSymbol());
    dumpNumber(prefix, "fileFormat", fileFormat());
    dumpMaxShutterTime(prefix);
    dumpNumber(prefix, "whiteBalance", whiteBalance());
    dumpNumber(prefix, "whiteBalanceColorTemp", whiteBalanceColorTemp());
    dumpNumber(prefix, "jpgColorSpace", jpgColorSpace());
    dumpNumber(prefix, "storageType", storageType());
    dumpNumber(prefix, "lightMeter", lightMeter());
    dumpNumber(prefix, "autoPowerOff", autoPowerOff());
    dumpNumber(prefix, "lockAEAF", lockAEAF());
    dumpNumber(prefix, "jpgResolution", jpgResolution());
    dumpNumber(prefix, "language", language());
    dumpNumber(prefix, "batterySource", batterySource());
    dumpNumber(prefix, "batteryInfo", batteryInfo());
    dumpNumber(prefix, "batteryLevelIntern", batteryLevelIntern());
    dumpNumber(prefix, "batteryLevelExtern", batteryLevelExtern());
    dumpNumber(prefix, "powerSwitch", powerSwitch());
    dumpNumber(prefix, "warnings", warnings());
    dumpNumber(prefix, "iSOValue", iSOValue());
    dumpNumber(prefix, "exposureMode", exposureMode());
    const int apertureCode = int(fieldValue(kFieldAperture));
    debugLog(kLELogAlways, "%s - aperture                 = 0x%04X = %d (%.3lf)", prefix,
             unsigned(quint16(apertureCode)), apertureCode, aperture());
    dumpShutterTime(prefix);
    if (featureFocusConfirmation())
        dumpNumber(prefix, "focusConfirmation", focusConfirmation());
    if (featureFocusDistance())
        dumpNumber(prefix, "focusDistance", focusDistance());
    dumpNumber(prefix, "lightBalance", lightBalance());
    dumpNumber(prefix, "flashCompensation", flashCompensation());
    dumpNumber(prefix, "flashStatus", flashStatus());
    dumpRecordFeatures(prefix);
}

// --- Sensitivity table --------------------------------------------------------

int TVK_Logic_CameraSettingsByStruct::sensitivityFromIndex(int index)
{
    const IsoTable *table = isoTableFor(productId());
    if (table == nullptr) {
        debugLog(kLELogAlways, "%s - unknown ProductId 0x%X", logPrefix(__func__).constData(), unsigned(productId()));
        return 0;
    }
    return table->iso.value(index, 0);
}

int TVK_Logic_CameraSettingsByStruct::sensitivityToIndex(int iso)
{
    const IsoTable *table = isoTableFor(productId());
    if (table == nullptr) {
        debugLog(kLELogAlways, "%s - unknown ProductId 0x%X", logPrefix(__func__).constData(), unsigned(productId()));
        return 0;
    }
    return std::max(0, int(table->iso.indexOf(iso)));
}

// --- Setters that convert (the plain ones are defined in the header) ----------

void TVK_Logic_CameraSettingsByStruct::setExposureCompensation(int milliEV)
{
    const int clamped = std::clamp(milliEV, -kCompensationLimit, kCompensationLimit);
    // Nearest half step, halves upwards (+250 is index 7); never negative here.
    const int index = (clamped + kCompensationLimit + kHalfStepMilliEV / 2) / kHalfStepMilliEV;
    storeField(kFieldExposureCompensation, index);
}

void TVK_Logic_CameraSettingsByStruct::setBracketingEnabled(bool on)
{
    if (bracketingEnabled() == on)
        return;
    if (!on)
        storeField(kFieldBracketing, kBracketingOff);
    else
        storeField(kFieldBracketing, m_fiveImages ? kBracketingFive : kBracketingThree);
}

void TVK_Logic_CameraSettingsByStruct::setBracketingImageNumbers(int count)
{
    // Choosing a number also switches bracketing on.
    storeField(kFieldBracketing, count == 5 ? kBracketingFive : kBracketingThree);
    m_fiveImages = fieldValue(kFieldBracketing) == kBracketingFive;
}

void TVK_Logic_CameraSettingsByStruct::setBracketingDeltaEV(int milliEV)
{
    const int *end = std::end(kBracketingDeltas);
    const int *found = std::find(std::begin(kBracketingDeltas), end, milliEV);
    storeField(kFieldBracketingDelta,
               found != end ? int(found - std::begin(kBracketingDeltas)) : kBracketingDeltaDefaultIndex);
}

void TVK_Logic_CameraSettingsByStruct::setSensitivity(int iso)
{
    storeField(kFieldSensitivityIndex, sensitivityToIndex(iso));
}

void TVK_Logic_CameraSettingsByStruct::setAperture(double fNumber)
{
    storeField(kFieldAperture, TVK_Logic_APEXConverterAperture::codeFromFNumber(fNumber));
}

void TVK_Logic_CameraSettingsByStruct::setShutterTime(double seconds)
{
    storeField(kFieldShutterTime, m_shutterConverter.codeFromSeconds(seconds));
}

// --- Getters that convert (the plain ones are defined in the header) ----------

int TVK_Logic_CameraSettingsByStruct::exposureCompensation()
{
    const int index = std::min(int(fieldValue(kFieldExposureCompensation)), kCompensationMaxIndex);
    return (index - kCompensationZeroIndex) * kHalfStepMilliEV;
}

int TVK_Logic_CameraSettingsByStruct::exposCompensStepSize()
{
    return kHalfStepMilliEV;
}

bool TVK_Logic_CameraSettingsByStruct::bracketingEnabled()
{
    return fieldValue(kFieldBracketing) != kBracketingOff;
}

int TVK_Logic_CameraSettingsByStruct::bracketingImageNumbers()
{
    return fieldValue(kFieldBracketing) == kBracketingFive ? 5 : 3;
}

int TVK_Logic_CameraSettingsByStruct::bracketingDeltaEV()
{
    const qint64 index = fieldValue(kFieldBracketingDelta);
    const qint64 count = qint64(std::size(kBracketingDeltas));
    return kBracketingDeltas[index < count ? index : kBracketingDeltaDefaultIndex];
}

int TVK_Logic_CameraSettingsByStruct::sensitivity()
{
    return sensitivityFromIndex(int(fieldValue(kFieldSensitivityIndex)));
}

double TVK_Logic_CameraSettingsByStruct::maxShutterTime()
{
    return m_shutterConverter.secondsFromCode(int(fieldValue(kFieldMaxShutterTime)));
}

int TVK_Logic_CameraSettingsByStruct::lightMeter()
{
    return lightBalance() * kLightMeterPerHalfEV;
}

int TVK_Logic_CameraSettingsByStruct::batteryInfo()
{
    if (fieldValue(kFieldBatterySource) == 0)
        return kBatteryNoInformation;
    const bool internal = fieldValue(kFieldBatteryInternal) != kNoBattery;
    const bool external = fieldValue(kFieldBatteryExternal) != kNoBattery;
    if (internal)
        return external ? kBatteryBoth : kBatteryInternalOnly;
    return external ? kBatteryExternalOnly : kBatteryNone;
}

int TVK_Logic_CameraSettingsByStruct::powerSwitch()
{
    // The switch positions the panel knows, from the record's shutter mode.
    switch (shutterMode()) {
    case 0:
        return 2;
    case 1:
        return 3;
    default:
        return 0;
    }
}

double TVK_Logic_CameraSettingsByStruct::aperture()
{
    return TVK_Logic_APEXConverterAperture::fNumberFromCode(int(fieldValue(kFieldAperture)));
}

double TVK_Logic_CameraSettingsByStruct::shutterTime()
{
    return m_shutterConverter.secondsFromCode(int(fieldValue(kFieldShutterTime)));
}
