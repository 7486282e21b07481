#include "TVK_Logic_DeviceInfo.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"

#include <algorithm>
#include <cstring>

namespace {

// Fixed part of the dataset, up to the vendor extension description.
constexpr size_t kStandardVersionOffset = 0;
constexpr size_t kVendorExtensionIDOffset = 2;
constexpr size_t kVendorExtensionVersionOffset = 6;
constexpr size_t kVendorExtensionDescOffset = 8;

// The dump shows the start of the dataset only; the lists follow in full.
constexpr size_t kDumpMaxLines = 16;
constexpr size_t kDumpBytesPerLine = 16;

const char *const kListNames[TVK_Logic_DeviceInfo::kLEListCount] = {
    "operationsSupported", "eventsSupported", "devicePropsSupported", "captureFormats", "imageFormats"};

const char *const kStringNames[TVK_Logic_DeviceInfo::kLEStringCount] = {
    "manufacturer", "model", "deviceVersion", "serialNumber"};

// The dump's column layout: the names padded so that "=" and ":" line up.
const char *const kListCountFormats[TVK_Logic_DeviceInfo::kLEListCount] = {
    "%s - operationsSupported     = #%2d", "%s - eventsSupported         = #%2d",
    "%s - devicePropsSupported    = #%2d", "%s - captureFormats          = #%2d",
    "%s - imageFormats            = #%2d"};

const char *const kListEntryFormats[TVK_Logic_DeviceInfo::kLEListCount] = {
    "%s - operationsSupported     : 0x%04X", "%s - eventsSupported         : 0x%04X",
    "%s - devicePropsSupported    : 0x%04X", "%s - captureFormats          : 0x%04X",
    "%s - imageFormats            : 0x%04X"};

const char *const kStringFormats[TVK_Logic_DeviceInfo::kLEStringCount] = {
    "%s - manufacturer            = \"%s\"", "%s - model                   = \"%s\"",
    "%s - deviceVersion           = \"%s\"", "%s - serialNumber            = \"%s\""};

} // namespace

TVK_Logic_DeviceInfo::TVK_Logic_DeviceInfo(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
    , m_buffer(kBufferSize, 0)
{
    std::fill(std::begin(m_listOffset), std::end(m_listOffset), -1);
    std::fill(std::begin(m_stringOffset), std::end(m_stringOffset), -1);
    recvFromCamera();
}

TVK_Logic_DeviceInfo::~TVK_Logic_DeviceInfo() = default;

bool TVK_Logic_DeviceInfo::recvFromCamera()
{
    TVK_METHOD(prefix);
    std::memset(m_buffer.data(), 0, m_buffer.size());
    std::fill(std::begin(m_listOffset), std::end(m_listOffset), -1);
    std::fill(std::begin(m_stringOffset), std::end(m_stringOffset), -1);

    const bool ok = m_access != nullptr && m_access->getDeviceInfo(m_buffer.data(), kBufferSize);
    if (ok) {
        const char *field = nullptr;
        const int truncatedAt = locateFields(&field);
        if (truncatedAt >= 0)
            debugLog(kLELogAlways,
                     "%s - Error: deviceInfo is truncated at offset %d: %s and the fields after it are absent", prefix,
                     truncatedAt, field);
    } else {
        // The transport may have filled part of the buffer before failing.
        std::memset(m_buffer.data(), 0, m_buffer.size());
    }

    if (debugLogEnabled(kLELogDeviceInfo))
        dump(QString::fromLatin1(prefix));
    return ok;
}

int TVK_Logic_DeviceInfo::locateFields(const char **truncatedField)
{
    TVK_Commu_DataReader reader(m_buffer.data(), m_buffer.size(), kVendorExtensionDescOffset);
    // The description and functionalMode always fit: a length byte of at most
    // 255 units ends long before the buffer does.
    reader.skipPtpString();
    reader.skip(2);

    for (int i = 0; i < kLEListCount; ++i) {
        const size_t start = reader.position();
        const quint32 count = reader.u32();
        // Compared by division so that a count near 2^32 cannot wrap around.
        if (!reader.ok() || count > reader.remaining() / 2) {
            *truncatedField = kListNames[i];
            return int(start);
        }
        reader.skip(size_t(count) * 2);
        m_listOffset[i] = int(start);
    }

    for (int i = 0; i < kLEStringCount; ++i) {
        const size_t start = reader.position();
        if (!reader.skipPtpString()) {
            *truncatedField = kStringNames[i];
            return int(start);
        }
        m_stringOffset[i] = int(start);
    }
    return -1;
}

int TVK_Logic_DeviceInfo::listOffset(eLEList which) const
{
    return which >= 0 && which < kLEListCount ? m_listOffset[which] : -1;
}

int TVK_Logic_DeviceInfo::stringOffset(eLEString which) const
{
    return which >= 0 && which < kLEStringCount ? m_stringOffset[which] : -1;
}

int TVK_Logic_DeviceInfo::listCount(eLEList which) const
{
    const int offset = listOffset(which);
    if (offset < 0)
        return 0;
    // A located list fits in the buffer, so its count is small.
    return int(TVK_Commu_DataReader::u32At(m_buffer.data(), m_buffer.size(), size_t(offset)));
}

QVector<quint16> TVK_Logic_DeviceInfo::list(eLEList which) const
{
    QVector<quint16> codes;
    const int offset = listOffset(which);
    if (offset < 0)
        return codes;
    TVK_Commu_DataReader reader(m_buffer.data(), m_buffer.size(), size_t(offset));
    const quint32 count = reader.u32();
    codes.reserve(int(count));
    for (quint32 i = 0; i < count && reader.ok(); ++i)
        codes.append(reader.u16());
    return codes;
}

QString TVK_Logic_DeviceInfo::string(eLEString which) const
{
    const int offset = stringOffset(which);
    if (offset < 0)
        return QString();
    return TVK_Commu_DataReader(m_buffer.data(), m_buffer.size(), size_t(offset)).ptpString();
}

bool TVK_Logic_DeviceInfo::contains(eLEList which, int code) const
{
    const int offset = listOffset(which);
    if (offset < 0)
        return false;
    const quint32 count = listCount(which);
    // From the last entry to the first, as the camera's own lookups do.
    for (quint32 i = count; i > 0; --i) {
        const size_t at = size_t(offset) + 4 + 2 * size_t(i - 1);
        if (TVK_Commu_DataReader::u16At(m_buffer.data(), m_buffer.size(), at) == code)
            return true;
    }
    return false;
}

bool TVK_Logic_DeviceInfo::isOperationSupported(int operationCode) const
{
    return contains(kLEOperationsSupported, operationCode);
}

bool TVK_Logic_DeviceInfo::isEventSupported(int eventCode) const
{
    return contains(kLEEventsSupported, eventCode);
}

bool TVK_Logic_DeviceInfo::isDevicePropSupported(int propertyCode) const
{
    return contains(kLEDevicePropsSupported, propertyCode);
}

quint16 TVK_Logic_DeviceInfo::standardVersion() const
{
    return TVK_Commu_DataReader::u16At(m_buffer.data(), m_buffer.size(), kStandardVersionOffset);
}

quint32 TVK_Logic_DeviceInfo::vendorExtensionID() const
{
    return TVK_Commu_DataReader::u32At(m_buffer.data(), m_buffer.size(), kVendorExtensionIDOffset);
}

quint16 TVK_Logic_DeviceInfo::vendorExtensionVersion() const
{
    return TVK_Commu_DataReader::u16At(m_buffer.data(), m_buffer.size(), kVendorExtensionVersionOffset);
}

int TVK_Logic_DeviceInfo::vendorExtensionDescSize() const
{
    return TVK_Commu_DataReader::u8At(m_buffer.data(), m_buffer.size(), kVendorExtensionDescOffset);
}

QString TVK_Logic_DeviceInfo::vendorExtensionDesc() const
{
    return TVK_Commu_DataReader(m_buffer.data(), m_buffer.size(), kVendorExtensionDescOffset).ptpString();
}

quint16 TVK_Logic_DeviceInfo::functionalMode() const
{
    // Right after the description: its length byte and two bytes per unit.
    const size_t offset = kVendorExtensionDescOffset + 1 + 2 * size_t(vendorExtensionDescSize());
    return TVK_Commu_DataReader::u16At(m_buffer.data(), m_buffer.size(), offset);
}

void TVK_Logic_DeviceInfo::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    if (!debugLogEnabled(kLELogDeviceInfo))
        return;

    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" for ") + title + QStringLiteral(":"),
                 QStringLiteral("deviceInfo"), m_buffer.data(), m_buffer.size(), kDumpMaxLines, kDumpBytesPerLine);

    // The header fields are printed with %d as the camera's own dumps show
    // them, even the 32-bit vendor extension id.
    debugLog(kLELogDeviceInfo, "%s - standardVersion         = %d", prefix, int(standardVersion()));
    debugLog(kLELogDeviceInfo, "%s - vendorExtensionID       = %d", prefix, int(vendorExtensionID()));
    debugLog(kLELogDeviceInfo, "%s - vendorExtensionVersion  = %d", prefix, int(vendorExtensionVersion()));
    debugLog(kLELogDeviceInfo, "%s - vendorExtensionDescSize = %d", prefix, vendorExtensionDescSize());
    debugLog(kLELogDeviceInfo, "%s - functionalMode          = %d", prefix, int(functionalMode()));

    for (int i = 0; i < kLEListCount; ++i) {
        const QVector<quint16> codes = list(eLEList(i));
        debugLog(kLELogDeviceInfo, kListCountFormats[i], prefix, codes.size());
        for (quint16 code : codes)
            debugLog(kLELogDeviceInfo, kListEntryFormats[i], prefix, unsigned(code));
    }

    for (int i = 0; i < kLEStringCount; ++i)
        debugLog(kLELogDeviceInfo, kStringFormats[i], prefix, string(eLEString(i)).toLatin1().constData());
}
