#include "TVK_Logic_CameraStreamInfo.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"

namespace {

constexpr size_t kDatasetSizeOffset = 0;
constexpr size_t kTimeResolutionOffset = 8;
constexpr size_t kFrameHeaderSizeOffset = 16;
constexpr size_t kFrameMaxSizeOffset = 20;
constexpr size_t kPacketHeaderSizeOffset = 24;
constexpr size_t kPacketMaxSizeOffset = 28;
constexpr size_t kPacketAlignmentOffset = 32;

constexpr double kNanosecondsPerSecond = 1e9;

constexpr size_t kDumpMaxLines = 0; // the whole dataset
constexpr size_t kDumpBytesPerLine = 16;

} // namespace

TVK_Logic_CameraStreamInfo::TVK_Logic_CameraStreamInfo(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
{
    recvFromCamera();
}

TVK_Logic_CameraStreamInfo::~TVK_Logic_CameraStreamInfo() = default;

bool TVK_Logic_CameraStreamInfo::recvFromCamera()
{
    TVK_METHOD(prefix);
    const bool ok = m_access != nullptr && m_access->getStreamInfo(m_record.data(), kRecordSize);
    if (ok) {
        // A dataset announcing another size is reported but still used: its
        // fields sit at fixed offsets. A failed read is not reported here, the
        // transport has logged it already.
        if (datasetSize() != kRecordSize)
            debugLog(kLELogAlways, "%s - stream info structure has wrong size %d", prefix, int(datasetSize()));
    } else {
        // A transport that fails half-way may have filled part of the buffer.
        m_record.fill(0);
    }
    if (debugLogEnabled(kLELogStream))
        dump(QString::fromLatin1(prefix));
    return ok;
}

quint64 TVK_Logic_CameraStreamInfo::datasetSize() const
{
    return TVK_Commu_DataReader(m_record.data(), kRecordSize, kDatasetSizeOffset).u64();
}

quint64 TVK_Logic_CameraStreamInfo::timeResolution() const
{
    return TVK_Commu_DataReader(m_record.data(), kRecordSize, kTimeResolutionOffset).u64();
}

quint32 TVK_Logic_CameraStreamInfo::frameHeaderSize() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kFrameHeaderSizeOffset);
}

quint32 TVK_Logic_CameraStreamInfo::frameMaxSize() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kFrameMaxSizeOffset);
}

quint32 TVK_Logic_CameraStreamInfo::packetHeaderSize() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kPacketHeaderSizeOffset);
}

quint32 TVK_Logic_CameraStreamInfo::packetMaxSize() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kPacketMaxSizeOffset);
}

quint32 TVK_Logic_CameraStreamInfo::packetAlignment() const
{
    return TVK_Commu_DataReader::u32At(m_record.data(), kRecordSize, kPacketAlignmentOffset);
}

void TVK_Logic_CameraStreamInfo::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    if (!debugLogEnabled(kLELogStream))
        return;

    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" for ") + title + QStringLiteral(":"),
                 QStringLiteral("streamInfo"), m_record.data(), kRecordSize, kDumpMaxLines, kDumpBytesPerLine);
    // The dump format prints the 64-bit size and resolution with %10d, so
    // only their low 32 bits show; the seconds use the full value.
    debugLog(kLELogStream, "%s - datasetSize      = %10d bytes", prefix, int(datasetSize()));
    debugLog(kLELogStream, "%s - timeResolution   = %10d ns = %lf sec", prefix, int(timeResolution()),
             double(timeResolution()) / kNanosecondsPerSecond);
    debugLog(kLELogStream, "%s - frameHeaderSize  = %10d bytes", prefix, int(frameHeaderSize()));
    debugLog(kLELogStream, "%s - frameMaxSize     = %10d bytes", prefix, int(frameMaxSize()));
    debugLog(kLELogStream, "%s - packetHeaderSize = %10d bytes", prefix, int(packetHeaderSize()));
    debugLog(kLELogStream, "%s - packetMaxSize    = %10d bytes", prefix, int(packetMaxSize()));
    debugLog(kLELogStream, "%s - packetAlignment  = %10d byte(s)", prefix, int(packetAlignment()));
}
