#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class TVK_Commu_CameraAccess_Base;

// The lens record the camera sends for vendor operation 0x9003: what is
// mounted, its optical limits and its identity. The raw bytes are kept as
// received and every getter reads its field on demand, so a new read can never
// leave a stale decoded copy behind.
class TVK_Logic_CameraLens
{
public:
    static constexpr unsigned kRecordSize = 101;

    // Reads the record at once; access is not owned and may be null (then the
    // record stays all zero).
    explicit TVK_Logic_CameraLens(TVK_Commu_CameraAccess_Base *access);
    virtual ~TVK_Logic_CameraLens();

    TVK_Logic_CameraLens(const TVK_Logic_CameraLens &) = delete;
    TVK_Logic_CameraLens &operator=(const TVK_Logic_CameraLens &) = delete;

    // Reads the record again; on failure it is all zero. Dumps it when the
    // lens category is on. Returns whether the camera answered.
    bool recvFromCamera();

    // Writes the record to the log under the lens category; nothing when that
    // category is off.
    void dump(const QString &title) const;

    quint8 lensState() const;
    // State 1 and 2 mean a lens is mounted; below 2 the camera picks the lens
    // profile itself. So 0 reads "no lens, automatic" and 3 "no lens, manual".
    bool isLensConnected() const;
    bool isAutoLensSelectionEnabled() const;

    QString lensTypeString() const;
    quint8 lensType() const;
    quint32 lensSerialNumber() const;
    quint8 lensFirmwareVersion() const;
    quint8 correctionDataVersion() const;

    // The raw APEX codes (Av in 1/256 EV) and the f-numbers they stand for.
    qint16 openApertureCode() const;
    qint16 closeApertureCode() const;
    double openApertureValue() const;
    double closeApertureValue() const;

    // 0 undefined, 1 whole, 2 half, 3 third stops; see apertureStepsString().
    quint8 apertureSteps() const;
    // "1 EV", "1/2 EV", "1/3 EV", "undefined" or "illegal".
    QString apertureStepsString() const;

    quint16 focalLengthMin() const;   // mm
    quint16 focalLengthMax() const;   // mm
    quint32 focusPositionMin() const; // mm
    quint32 focusPositionMax() const; // mm

    quint8 flags() const;
    bool isCentralShutterAvailable() const;

    quint32 lensID() const;
    quint16 selectedFocalLength() const; // mm
    // The four version bytes as "a.b.c.d".
    QString lensFileVersion() const;

    const unsigned char *data() const { return m_record.data(); }
    unsigned size() const { return kRecordSize; }

private:
    TVK_Commu_CameraAccess_Base *m_access;
    std::array<unsigned char, kRecordSize> m_record{};
};
