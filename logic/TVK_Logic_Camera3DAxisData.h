#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class TVK_Commu_CameraAccess_Base;

// The camera's spirit level and sensor temperature (vendor operation 0x9020).
// Some bodies send the angles and the temperature as float64 in a 213-byte
// record, the others as float32 in a 193-byte record. Which one a camera uses
// is known from its product id alone, so the layout is fixed when the object
// is built and does not follow later product changes.
class TVK_Logic_Camera3DAxisData
{
public:
    static constexpr unsigned kShortRecordSize = 193;
    static constexpr unsigned kLongRecordSize = 213;

    // Reads the record at once; access is not owned and may be null (then the
    // short layout is used and the record stays all zero).
    explicit TVK_Logic_Camera3DAxisData(TVK_Commu_CameraAccess_Base *access);
    virtual ~TVK_Logic_Camera3DAxisData();

    TVK_Logic_Camera3DAxisData(const TVK_Logic_Camera3DAxisData &) = delete;
    TVK_Logic_Camera3DAxisData &operator=(const TVK_Logic_Camera3DAxisData &) = delete;

    // Whether a camera of this product sends the float64 layout.
    static bool usesLongLayout(int productId);

    // Reads the record again into the buffer of the layout in use; on failure
    // it is all zero. Dumps it when the 3-axis category is on. Returns whether
    // the camera answered.
    bool recvFromCamera();

    // Writes the record in use to the log under the 3-axis category; nothing
    // when that category is off.
    void dump(const QString &title) const;

    // The values as the camera sends them, widened to double in both layouts.
    double cameraPitchAngle() const;
    double cameraRollAngle() const;
    double temperature() const;

    bool isLongLayout() const { return m_isLongLayout; }
    const unsigned char *data() const;
    unsigned size() const { return m_isLongLayout ? kLongRecordSize : kShortRecordSize; }

private:
    unsigned char *buffer();
    double valueAt(size_t shortOffset, size_t longOffset) const;

    TVK_Commu_CameraAccess_Base *m_access;
    const bool m_isLongLayout;
    std::array<unsigned char, kShortRecordSize> m_shortRecord{};
    std::array<unsigned char, kLongRecordSize> m_longRecord{};
};
