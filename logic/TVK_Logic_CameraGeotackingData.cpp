#include "TVK_Logic_CameraGeotackingData.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"

namespace {

constexpr size_t kValidityFlagsOffset = 0;
constexpr size_t kLongitudeDegreesOffset = 23;
constexpr size_t kLongitudeMinutesOffset = 24;
constexpr size_t kLongitudeSecondsOffset = 25;
constexpr size_t kLatitudeDegreesOffset = 29;
constexpr size_t kLatitudeMinutesOffset = 30;
constexpr size_t kLatitudeSecondsOffset = 31;
constexpr size_t kNumberOfUsedSattelitesOffset = 59;

// Bits of the validity flags.
constexpr quint8 kMeanFieldDataValidFlag = 0x01;
constexpr quint8 kTimeValidFlag = 0x02;
constexpr quint8 kDateValidFlag = 0x04;
constexpr quint8 kGPSEnabledFlag = 0x08;

constexpr size_t kDumpMaxLines = 0; // the whole record
constexpr size_t kDumpBytesPerLine = 16;

const char *yesNo(bool value)
{
    return value ? "Yes" : "No";
}

} // namespace

TVK_Logic_CameraGeotackingData::TVK_Logic_CameraGeotackingData(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
{
    recvFromCamera();
}

TVK_Logic_CameraGeotackingData::~TVK_Logic_CameraGeotackingData() = default;

bool TVK_Logic_CameraGeotackingData::recvFromCamera()
{
    TVK_METHOD(prefix);
    const bool ok = m_access != nullptr && m_access->getGeotackingData(m_record.data(), kRecordSize);
    // A transport that fails half-way may have filled part of the buffer.
    if (!ok)
        m_record.fill(0);
    if (debugLogEnabled(kLELogGeotacking))
        dump(QString::fromLatin1(prefix));
    return ok;
}

quint8 TVK_Logic_CameraGeotackingData::validityFlags() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kValidityFlagsOffset);
}

bool TVK_Logic_CameraGeotackingData::flag(quint8 bit) const
{
    return (validityFlags() & bit) != 0;
}

bool TVK_Logic_CameraGeotackingData::isMeanFieldDataValid() const
{
    return flag(kMeanFieldDataValidFlag);
}

bool TVK_Logic_CameraGeotackingData::isTimeValid() const
{
    return flag(kTimeValidFlag);
}

bool TVK_Logic_CameraGeotackingData::isDateValid() const
{
    return flag(kDateValidFlag);
}

bool TVK_Logic_CameraGeotackingData::isGPSEnabled() const
{
    return flag(kGPSEnabledFlag);
}

quint8 TVK_Logic_CameraGeotackingData::longitudeDegrees() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLongitudeDegreesOffset);
}

quint8 TVK_Logic_CameraGeotackingData::longitudeMinutes() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLongitudeMinutesOffset);
}

double TVK_Logic_CameraGeotackingData::longitudeSeconds() const
{
    return TVK_Commu_DataReader(m_record.data(), kRecordSize, kLongitudeSecondsOffset).f32();
}

quint8 TVK_Logic_CameraGeotackingData::latitudeDegrees() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLatitudeDegreesOffset);
}

quint8 TVK_Logic_CameraGeotackingData::latitudeMinutes() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLatitudeMinutesOffset);
}

double TVK_Logic_CameraGeotackingData::latitudeSeconds() const
{
    return TVK_Commu_DataReader(m_record.data(), kRecordSize, kLatitudeSecondsOffset).f32();
}

quint8 TVK_Logic_CameraGeotackingData::numberOfUsedSattelites() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kNumberOfUsedSattelitesOffset);
}

void TVK_Logic_CameraGeotackingData::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    if (!debugLogEnabled(kLELogGeotacking))
        return;

    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" for ") + title + QStringLiteral(":"),
                 QStringLiteral("geotackingData"), m_record.data(), kRecordSize, kDumpMaxLines,
                 kDumpBytesPerLine);
    debugLog(kLELogGeotacking, "%s - isMeanFieldDataValid    = %s", prefix, yesNo(isMeanFieldDataValid()));
    debugLog(kLELogGeotacking, "%s - isTimeValid             = %s", prefix, yesNo(isTimeValid()));
    debugLog(kLELogGeotacking, "%s - isDateValid             = %s", prefix, yesNo(isDateValid()));
    debugLog(kLELogGeotacking, "%s - isGPSEnabled            = %s", prefix, yesNo(isGPSEnabled()));
    // The closing double quote is the seconds sign.
    debugLog(kLELogGeotacking, "%s - longitude               = %d %d' %f\"", prefix, int(longitudeDegrees()),
             int(longitudeMinutes()), longitudeSeconds());
    debugLog(kLELogGeotacking, "%s - latitude                = %d %d' %f\"", prefix, int(latitudeDegrees()),
             int(latitudeMinutes()), latitudeSeconds());
    debugLog(kLELogGeotacking, "%s - numberOfUsedSattelites  = %d", prefix, int(numberOfUsedSattelites()));
}
