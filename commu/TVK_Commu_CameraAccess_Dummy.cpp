#include "TVK_Commu_CameraAccess_Dummy.h"

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"

#include <QByteArray>

#include <cstddef>

using namespace TVK_Commu_Ptp;

namespace {

// --- Byte writers ---------------------------------------------------------------
// The answers are built from constants, so running past a buffer is a bug in
// the tables below: it is caught by the assertion in debug builds and the
// surplus is dropped in release builds rather than written past the end.

// Writes value little-endian in width bytes at offset; returns the offset after it.
template <typename Buffer>
size_t putLE(Buffer &buffer, size_t offset, unsigned width, quint32 value)
{
    Q_ASSERT(offset + width <= buffer.size());
    for (unsigned i = 0; i < width && offset + i < buffer.size(); ++i)
        buffer[offset + i] = static_cast<unsigned char>(value >> (8 * i));
    return offset + width;
}

// A PTP string: one length byte counting the UTF-16 code units including the
// closing zero (0 for an empty string), the code units little-endian, the zero.
template <typename Buffer>
size_t putPtpString(Buffer &buffer, size_t offset, const QString &text)
{
    if (text.isEmpty())
        return putLE(buffer, offset, 1, 0);
    offset = putLE(buffer, offset, 1, quint32(text.size() + 1));
    for (const QChar unit : text)
        offset = putLE(buffer, offset, 2, unit.unicode());
    return putLE(buffer, offset, 2, 0);
}

// A PTP array of count 16-bit codes, all of value 0: the simulated camera
// claims as many entries as a real one without naming any of them.
template <typename Buffer>
size_t putZeroCodeArray(Buffer &buffer, size_t offset, quint32 count)
{
    offset = putLE(buffer, offset, 4, count);
    return offset + 2 * size_t(count);
}

// One field of a record: little-endian value of width bytes at offset.
struct Field {
    unsigned offset;
    unsigned width;
    quint32 value;
};

template <typename Buffer, size_t N>
void putFields(Buffer &buffer, const Field (&fields)[N])
{
    for (const Field &field : fields)
        putLE(buffer, field.offset, field.width, field.value);
}

// --- DeviceInfo ------------------------------------------------------------------

constexpr quint16 kStandardVersion = 100; // PTP 1.00

// A listed offset is where the field must land; the strings without one
// simply follow their predecessor.
constexpr size_t kFollows = 0;

struct CodeArrayRow {
    size_t offset;
    quint32 count;
};

// operationsSupported, eventsSupported, devicePropsSupported, captureFormats,
// imageFormats, in dataset order.
constexpr CodeArrayRow kDeviceInfoArrays[] = {
    {11, 24},
    {63, 12},
    {91, 1},
    {97, 3},
    {107, 3},
};

struct StringRow {
    size_t offset;
    const char *text;
};

// manufacturer, model, deviceVersion, serialNumber, in dataset order.
constexpr StringRow kDeviceInfoStrings[] = {
    {117, "Norba Dummy AG"},
    {148, "Ardo2 Digital SLR Dummy"},
    {kFollows, "01.02.03.04"},
    {kFollows, "0000000001200345"},
};

// The strings end here; the rest of the dataset stays zero.
constexpr size_t kDeviceInfoStringsEnd = 257;

// --- Vendor settings block ----------------------------------------------------------
// Several fields share one row where the camera's answer was recorded as one
// little-endian value across neighbouring fields.

constexpr Field kCameraSettingsFields[] = {
    {3, 2, 0x0602},      // metering mode 2 (multi-field), exposure compensation index 6 (0 EV)
    {6, 1, 1},           // bracketing delta EV index 1 (1 EV)
    {10, 1, 1},          // sensitivity index 1
    {15, 1, 2},          // file format
    {16, 2, 0xF908},     // maximum shutter time code
    {19, 1, 30},         // position in the colour-temperature list
    {65, 2, 0x3D01},     // battery source 1, internal battery level 0x3D
    {67, 1, 0xFF},       // no external battery
    {69, 2, 0x0050},     // ISO value 80
    {71, 1, 3},          // exposure mode
    {72, 4, 0x07670480}, // aperture code 0x0480, shutter time code 0x0767
    {76, 4, 0x000031B3}, // focus distance
    {80, 1, 1},          // focus confirmation
};

// --- Lens record ----------------------------------------------------------------------

constexpr Field kLensFields[] = {
    {0, 1, 1},        // lens state: connected, automatic lens selection enabled
    {61, 1, 132},     // lensType
    {62, 4, 1234567}, // lensSerialNumber
    {66, 1, 25},      // lensFirmwareVersion
    {67, 1, 29},      // correctionDataVersion
    {68, 2, 0x02A4},  // openApertureValue (APEX)
    {70, 2, 0x0900},  // closeApertureValue (APEX)
    {72, 1, 2},       // apertureSteps: 1/2 EV
    {73, 2, 70},      // focalLengthMin, mm
    {75, 2, 70},      // focalLengthMax, mm
    {77, 4, 500},     // focusPositionMin, mm
    {81, 4, 70000},   // focusPositionMax, mm
};

// The type string field holds 59 Latin-1 characters padded with blanks and a
// closing zero byte, as the camera sends it.
constexpr size_t kLensTypeStringOffset = 1;
constexpr size_t kLensTypeStringCharacters = 59;
constexpr char kLensTypeName[] = "Korvanit-A 70";

} // namespace

TVK_Commu_CameraAccess_Dummy::TVK_Commu_CameraAccess_Dummy(QObject *parent)
    : TVK_Commu_CameraAccess_Base(kConnectionSimulated, parent)
    , m_deviceInfo(kDeviceInfoLength, 0)
{
    buildDeviceInfo();
    buildCameraSettings();
    buildLensRecord();
}

TVK_Commu_CameraAccess_Dummy::~TVK_Commu_CameraAccess_Dummy() = default;

void TVK_Commu_CameraAccess_Dummy::buildDeviceInfo()
{
    std::vector<unsigned char> &info = m_deviceInfo;
    size_t at = 0;
    at = putLE(info, at, 2, kStandardVersion);
    at = putLE(info, at, 4, 0);            // vendorExtensionID
    at = putLE(info, at, 2, 0);            // vendorExtensionVersion
    at = putPtpString(info, at, QString()); // no vendor extension description
    at = putLE(info, at, 2, 0);            // functionalMode
    for (const CodeArrayRow &row : kDeviceInfoArrays) {
        Q_ASSERT(at == row.offset);
        at = putZeroCodeArray(info, at, row.count);
    }
    for (const StringRow &row : kDeviceInfoStrings) {
        Q_ASSERT(row.offset == kFollows || at == row.offset);
        at = putPtpString(info, at, QString::fromLatin1(row.text));
    }
    Q_ASSERT(at == kDeviceInfoStringsEnd);
}

void TVK_Commu_CameraAccess_Dummy::buildCameraSettings()
{
    putFields(m_cameraSettings, kCameraSettingsFields);
}

void TVK_Commu_CameraAccess_Dummy::buildLensRecord()
{
    putFields(m_lensRecord, kLensFields);
    const QByteArray typeString =
        QByteArray(kLensTypeName).leftJustified(int(kLensTypeStringCharacters), ' ', true);
    size_t at = kLensTypeStringOffset;
    for (const char character : typeString)
        at = putLE(m_lensRecord, at, 1, quint8(character));
    putLE(m_lensRecord, at, 1, 0);
}

bool TVK_Commu_CameraAccess_Dummy::checkDeviceAvailable()
{
    // Announced again on every poll: listeners decide whether to connect.
    Q_EMIT signalDeviceAvailable(connectionType(), kCameraId, kProductId, QString::fromLatin1(kDeviceId));
    return true;
}

bool TVK_Commu_CameraAccess_Dummy::openConnection(quint64, int newProductId, QString)
{
    TVK_METHOD(prefix);
    if (productId() != 0)
        return false;
    if (newProductId == 0) {
        // Product id 0 means "closed": storing it would report an open session
        // that closeConnection could never end.
        debugLog(kLELogAlways, "%s - Error: ProductId 0x0 cannot be opened", prefix);
        return false;
    }
    debugLog(kLELogDummy, "%s - ProductId = 0x%X", prefix, unsigned(newProductId));
    setProductId(newProductId);
    Q_EMIT signalConnectionOpened(connectionType());
    return true;
}

bool TVK_Commu_CameraAccess_Dummy::closeConnection()
{
    TVK_METHOD(prefix);
    const int current = productId();
    if (current == 0)
        return false;
    debugLog(kLELogDummy, "%s - ProductId = 0x%X", prefix, unsigned(current));
    setProductId(0);
    Q_EMIT signalConnectionClosed(connectionType());
    return true;
}

bool TVK_Commu_CameraAccess_Dummy::recvData(int operationCode, int, const quint32 *, void *buffer,
                                            unsigned bufferSize, const char *, quint64 *received)
{
    // Logged under this transport's own name whoever called, so that a failed
    // read is recognisable as one of the simulated camera.
    TVK_METHOD(prefix);
    if (received)
        *received = 0;
    const unsigned char *data = nullptr;
    unsigned size = 0;
    const char *answer = nullptr;
    switch (operationCode) {
    case kOpGetDeviceInfo:
        data = m_deviceInfo.data();
        size = unsigned(m_deviceInfo.size());
        answer = "Device Info";
        break;
    case kOpGetCameraSettings:
        data = m_cameraSettings.data();
        size = kCameraSettingsLength;
        answer = "Camera Settings";
        break;
    case kOpGetLensData:
        data = m_lensRecord.data();
        size = kLensRecordLength;
        answer = "Lens Parameter";
        break;
    default:
        debugLog(kLELogAlways, "%s - Error: command code 0x%08X not implemented", prefix, unsigned(operationCode));
        return false;
    }
    // Cutting an answer short would hand out a record that looks valid but
    // is not, so a buffer too small for the whole answer is refused.
    if (buffer == nullptr || bufferSize < size) {
        debugLog(kLELogAlways, "%s - Error: command code 0x%08X (%s)", prefix, unsigned(operationCode), answer);
        return false;
    }
    storeReceivedData(buffer, bufferSize, data, size);
    if (received)
        *received = size;
    return true;
}

bool TVK_Commu_CameraAccess_Dummy::sendCommand(int, int, const quint32 *, const char *)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - Error: no device connected", prefix);
    return false;
}

bool TVK_Commu_CameraAccess_Dummy::sendData(int, int, const quint32 *, const void *, unsigned, const char *)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - Error: no device connected", prefix);
    return false;
}
