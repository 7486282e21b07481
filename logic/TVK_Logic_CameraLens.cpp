#include "TVK_Logic_CameraLens.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXConverterAperture.h"

namespace {

constexpr size_t kLensStateOffset = 0;
constexpr size_t kLensTypeStringOffset = 1;
// The text field is 60 bytes wide, but only 59 of them are text: the camera
// keeps the last one for a terminating zero.
constexpr size_t kLensTypeStringLength = 59;
constexpr size_t kLensTypeOffset = 61;
constexpr size_t kLensSerialNumberOffset = 62;
constexpr size_t kLensFirmwareVersionOffset = 66;
constexpr size_t kCorrectionDataVersionOffset = 67;
constexpr size_t kOpenApertureValueOffset = 68;
constexpr size_t kCloseApertureValueOffset = 70;
constexpr size_t kApertureStepsOffset = 72;
constexpr size_t kFocalLengthMinOffset = 73;
constexpr size_t kFocalLengthMaxOffset = 75;
constexpr size_t kFocusPositionMinOffset = 77;
constexpr size_t kFocusPositionMaxOffset = 81;
constexpr size_t kFlagsOffset = 85;
constexpr size_t kLensIDOffset = 89;
constexpr size_t kSelectedFocalLengthOffset = 93;
constexpr size_t kLensFileVersionOffset = 95;
constexpr size_t kLensFileVersionLength = 4;

constexpr quint8 kCentralShutterFlag = 0x01;

// Lens states: 1 and 2 are "mounted"; everything below 2 leaves the lens
// selection to the camera.
constexpr quint8 kLensStateMountedFirst = 1;
constexpr quint8 kLensStateMountedLast = 2;
constexpr quint8 kLensStateManualSelection = 2;

constexpr size_t kDumpMaxLines = 0; // the whole record
constexpr size_t kDumpBytesPerLine = 16;

} // namespace

TVK_Logic_CameraLens::TVK_Logic_CameraLens(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
{
    recvFromCamera();
}

TVK_Logic_CameraLens::~TVK_Logic_CameraLens() = default;

bool TVK_Logic_CameraLens::recvFromCamera()
{
    TVK_METHOD(prefix);
    const bool ok = m_access != nullptr && m_access->getLensData(m_record.data(), kRecordSize);
    // A transport that fails half-way may have filled part of the buffer.
    if (!ok)
        m_record.fill(0);
    if (debugLogEnabled(kLELogLens))
        dump(QString::fromLatin1(prefix));
    return ok;
}

quint8 TVK_Logic_CameraLens::lensState() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLensStateOffset);
}

bool TVK_Logic_CameraLens::isLensConnected() const
{
    const quint8 state = lensState();
    return state >= kLensStateMountedFirst && state <= kLensStateMountedLast;
}

bool TVK_Logic_CameraLens::isAutoLensSelectionEnabled() const
{
    return lensState() < kLensStateManualSelection;
}

QString TVK_Logic_CameraLens::lensTypeString() const
{
    // Padded with blanks, but a zero ends the text early: an all-zero record
    // (failed read) must read as an empty name, not as 59 NUL characters.
    const char *text = reinterpret_cast<const char *>(m_record.data() + kLensTypeStringOffset);
    size_t length = 0;
    while (length < kLensTypeStringLength && text[length] != '\0')
        ++length;
    return QString::fromLatin1(text, int(length)).trimmed();
}

quint8 TVK_Logic_CameraLens::lensType() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLensTypeOffset);
}

quint32 TVK_Logic_CameraLens::lensSerialNumber() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kLensSerialNumberOffset);
}

quint8 TVK_Logic_CameraLens::lensFirmwareVersion() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kLensFirmwareVersionOffset);
}

quint8 TVK_Logic_CameraLens::correctionDataVersion() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kCorrectionDataVersionOffset);
}

qint16 TVK_Logic_CameraLens::openApertureCode() const
{
    return qint16(TVK_Commu_DataReader::u16At(m_record.data(), kRecordSize, kOpenApertureValueOffset));
}

qint16 TVK_Logic_CameraLens::closeApertureCode() const
{
    return qint16(TVK_Commu_DataReader::u16At(m_record.data(), kRecordSize, kCloseApertureValueOffset));
}

double TVK_Logic_CameraLens::openApertureValue() const
{
    return TVK_Logic_APEXConverterAperture::fNumberFromCode(openApertureCode());
}

double TVK_Logic_CameraLens::closeApertureValue() const
{
    return TVK_Logic_APEXConverterAperture::fNumberFromCode(closeApertureCode());
}

quint8 TVK_Logic_CameraLens::apertureSteps() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kApertureStepsOffset);
}

QString TVK_Logic_CameraLens::apertureStepsString() const
{
    switch (apertureSteps()) {
    case 0:
        return QStringLiteral("undefined");
    case 1:
        return QStringLiteral("1 EV");
    case 2:
        return QStringLiteral("1/2 EV");
    case 3:
        return QStringLiteral("1/3 EV");
    default:
        return QStringLiteral("illegal");
    }
}

quint16 TVK_Logic_CameraLens::focalLengthMin() const
{
    return TVK_Commu_DataReader::u16At(m_record.data(), kRecordSize, kFocalLengthMinOffset);
}

quint16 TVK_Logic_CameraLens::focalLengthMax() const
{
    return TVK_Commu_DataReader::u16At(m_record.data(), kRecordSize, kFocalLengthMaxOffset);
}

quint32 TVK_Logic_CameraLens::focusPositionMin() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kFocusPositionMinOffset);
}

quint32 TVK_Logic_CameraLens::focusPositionMax() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kFocusPositionMaxOffset);
}

quint8 TVK_Logic_CameraLens::flags() const
{
    return TVK_Commu_DataReader::u8At(m_record.data(), kRecordSize, kFlagsOffset);
}

bool TVK_Logic_CameraLens::isCentralShutterAvailable() const
{
    return (flags() & kCentralShutterFlag) != 0;
}

quint32 TVK_Logic_CameraLens::lensID() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kLensIDOffset);
}

quint16 TVK_Logic_CameraLens::selectedFocalLength() const
{
    return TVK_Commu_DataReader::u16At(m_record.data(), kRecordSize, kSelectedFocalLengthOffset);
}

QString TVK_Logic_CameraLens::lensFileVersion() const
{
    TVK_Commu_DataReader reader(m_record.data(), kRecordSize, kLensFileVersionOffset);
    quint8 part[kLensFileVersionLength];
    for (quint8 &value : part)
        value = reader.u8();
    return QStringLiteral("%1.%2.%3.%4").arg(part[0]).arg(part[1]).arg(part[2]).arg(part[3]);
}

void TVK_Logic_CameraLens::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    if (!debugLogEnabled(kLELogLens))
        return;

    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" for ") + title + QStringLiteral(":"),
                 QStringLiteral("lensData"), m_record.data(), kRecordSize, kDumpMaxLines, kDumpBytesPerLine);

    // The dump format prints the unsigned 32-bit serial number and lens id
    // with %d; values from 2^31 up therefore show as negative numbers.
    debugLog(kLELogLens, "%s - isLensConnected            = %d", prefix, int(isLensConnected()));
    debugLog(kLELogLens, "%s - isAutoLensSelectionEnabled = %d", prefix, int(isAutoLensSelectionEnabled()));
    debugLog(kLELogLens, "%s - lensTypeString             = \"%s\"", prefix,
             lensTypeString().toUtf8().constData());
    debugLog(kLELogLens, "%s - lensType                   = %d", prefix, int(lensType()));
    debugLog(kLELogLens, "%s - lensSerialNumber           = %d", prefix, int(lensSerialNumber()));
    debugLog(kLELogLens, "%s - lensFirmwareVersion        = %d", prefix, int(lensFirmwareVersion()));
    debugLog(kLELogLens, "%s - correctionDataVersion      = %d", prefix, int(correctionDataVersion()));
    // The hex form shows the 16 raw bits, also of a negative code.
    debugLog(kLELogLens, "%s - openApertureValue          = 0x%04X = %d (%.3lf)", prefix,
             unsigned(quint16(openApertureCode())), int(openApertureCode()), openApertureValue());
    debugLog(kLELogLens, "%s - closeApertureValue         = 0x%04X = %d (%.3lf)", prefix,
             unsigned(quint16(closeApertureCode())), int(closeApertureCode()), closeApertureValue());
    debugLog(kLELogLens, "%s - apertureSteps              = %s", prefix,
             apertureStepsString().toLatin1().constData());
    debugLog(kLELogLens, "%s - focalLengthMin             = %d mm", prefix, int(focalLengthMin()));
    debugLog(kLELogLens, "%s - focalLengthMax             = %d mm", prefix, int(focalLengthMax()));
    debugLog(kLELogLens, "%s - focusPositionMin           = %.3lf m", prefix, focusPositionMin() / 1000.0);
    debugLog(kLELogLens, "%s - focusPositionMax           = %.3lf m", prefix, focusPositionMax() / 1000.0);
    debugLog(kLELogLens, "%s - isCentralShutterAvailable  = %s", prefix,
             isCentralShutterAvailable() ? "true" : "false");
    debugLog(kLELogLens, "%s - lensID                     = %d", prefix, int(lensID()));
    debugLog(kLELogLens, "%s - selectedFocalLength        = %d mm", prefix, int(selectedFocalLength()));
    debugLog(kLELogLens, "%s - lensFileVersion            = %s", prefix, lensFileVersion().toLatin1().constData());
}
