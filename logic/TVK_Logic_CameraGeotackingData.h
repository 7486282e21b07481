#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class TVK_Commu_CameraAccess_Base;

// The position the camera's GPS receiver reports (vendor operation 0x9008):
// validity flags, longitude and latitude as degrees, minutes and seconds, and
// the number of satellites used. Only these fields are read; the rest of the
// 133-byte record is kept for the dump.
class TVK_Logic_CameraGeotackingData
{
public:
    static constexpr unsigned kRecordSize = 133;

    // Reads the record at once; access is not owned and may be null (then the
    // record stays all zero).
    explicit TVK_Logic_CameraGeotackingData(TVK_Commu_CameraAccess_Base *access);
    virtual ~TVK_Logic_CameraGeotackingData();

    TVK_Logic_CameraGeotackingData(const TVK_Logic_CameraGeotackingData &) = delete;
    TVK_Logic_CameraGeotackingData &operator=(const TVK_Logic_CameraGeotackingData &) = delete;

    // Reads the record again; on failure it is all zero. Dumps it when the
    // geotagging category is on. Returns whether the camera answered.
    bool recvFromCamera();

    // Writes the record to the log under the geotagging category; nothing when
    // that category is off.
    void dump(const QString &title) const;

    quint8 validityFlags() const;
    bool isMeanFieldDataValid() const;
    bool isTimeValid() const;
    bool isDateValid() const;
    bool isGPSEnabled() const;

    quint8 longitudeDegrees() const;
    quint8 longitudeMinutes() const;
    double longitudeSeconds() const; // float32 in the record
    quint8 latitudeDegrees() const;
    quint8 latitudeMinutes() const;
    double latitudeSeconds() const; // float32 in the record

    quint8 numberOfUsedSattelites() const;

    const unsigned char *data() const { return m_record.data(); }
    unsigned size() const { return kRecordSize; }

private:
    bool flag(quint8 bit) const;

    TVK_Commu_CameraAccess_Base *m_access;
    std::array<unsigned char, kRecordSize> m_record{};
};
