#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class TVK_Commu_CameraAccess_Base;

// The PTP StreamInfo dataset of the live-view stream (GetStreamInfo with
// parameter 0). Its packetMaxSize is the size of the buffer each stream-data
// read uses; 0 after a failed read, so that live view then has nothing to
// read into.
class TVK_Logic_CameraStreamInfo
{
public:
    static constexpr unsigned kRecordSize = 36;

    // Reads the dataset at once; access is not owned and may be null (then
    // the dataset stays all zero).
    explicit TVK_Logic_CameraStreamInfo(TVK_Commu_CameraAccess_Base *access);
    virtual ~TVK_Logic_CameraStreamInfo();

    TVK_Logic_CameraStreamInfo(const TVK_Logic_CameraStreamInfo &) = delete;
    TVK_Logic_CameraStreamInfo &operator=(const TVK_Logic_CameraStreamInfo &) = delete;

    // Reads the dataset again; on failure it is all zero. A dataset that
    // announces a size other than 36 is logged and used all the same. Dumps it
    // when the stream category is on. Returns whether the camera answered.
    bool recvFromCamera();

    // Writes the dataset to the log under the stream category; nothing when
    // that category is off.
    void dump(const QString &title) const;

    quint64 datasetSize() const;       // bytes, 36 when well-formed
    quint64 timeResolution() const;    // ns
    quint32 frameHeaderSize() const;   // bytes
    quint32 frameMaxSize() const;      // bytes
    quint32 packetHeaderSize() const;  // bytes
    quint32 packetMaxSize() const;     // bytes
    quint32 packetAlignment() const;   // bytes

    const unsigned char *data() const { return m_record.data(); }
    unsigned size() const { return kRecordSize; }

private:
    TVK_Commu_CameraAccess_Base *m_access;
    std::array<unsigned char, kRecordSize> m_record{};
};
