#include "TVK_Logic_Camera3DAxisData.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"

#include <algorithm>

namespace {

// float32 fields of the short layout.
constexpr size_t kShortPitchAngleOffset = 12;
constexpr size_t kShortRollAngleOffset = 16;
constexpr size_t kShortTemperatureOffset = 189;

// float64 fields of the long layout.
constexpr size_t kLongPitchAngleOffset = 12;
constexpr size_t kLongRollAngleOffset = 20;
constexpr size_t kLongTemperatureOffset = 205;

constexpr size_t kDumpMaxLines = 0; // the whole record
constexpr size_t kDumpBytesPerLine = 16;

} // namespace

bool TVK_Logic_Camera3DAxisData::usesLongLayout(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLELongAxisLayout);
}

TVK_Logic_Camera3DAxisData::TVK_Logic_Camera3DAxisData(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
    , m_isLongLayout(access != nullptr && usesLongLayout(access->productId()))
{
    recvFromCamera();
}

TVK_Logic_Camera3DAxisData::~TVK_Logic_Camera3DAxisData() = default;

unsigned char *TVK_Logic_Camera3DAxisData::buffer()
{
    return m_isLongLayout ? m_longRecord.data() : m_shortRecord.data();
}

const unsigned char *TVK_Logic_Camera3DAxisData::data() const
{
    return m_isLongLayout ? m_longRecord.data() : m_shortRecord.data();
}

bool TVK_Logic_Camera3DAxisData::recvFromCamera()
{
    TVK_METHOD(prefix);
    const bool ok = m_access != nullptr && m_access->get3DAxisData(buffer(), size());
    // A transport that fails half-way may have filled part of the buffer.
    if (!ok)
        std::fill_n(buffer(), size(), 0);
    if (debugLogEnabled(kLELog3DAxis))
        dump(QString::fromLatin1(prefix));
    return ok;
}

double TVK_Logic_Camera3DAxisData::valueAt(size_t shortOffset, size_t longOffset) const
{
    if (m_isLongLayout)
        return TVK_Commu_DataReader(m_longRecord.data(), kLongRecordSize, longOffset).f64();
    return TVK_Commu_DataReader(m_shortRecord.data(), kShortRecordSize, shortOffset).f32();
}

double TVK_Logic_Camera3DAxisData::cameraPitchAngle() const
{
    return valueAt(kShortPitchAngleOffset, kLongPitchAngleOffset);
}

double TVK_Logic_Camera3DAxisData::cameraRollAngle() const
{
    return valueAt(kShortRollAngleOffset, kLongRollAngleOffset);
}

double TVK_Logic_Camera3DAxisData::temperature() const
{
    return valueAt(kShortTemperatureOffset, kLongTemperatureOffset);
}

void TVK_Logic_Camera3DAxisData::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    if (!debugLogEnabled(kLELog3DAxis))
        return;

    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" for ") + title + QStringLiteral(":"),
                 QStringLiteral("3DAxisData"), data(), size(), kDumpMaxLines, kDumpBytesPerLine);
    debugLog(kLELog3DAxis, "%s - cameraPitchAngle = %lf", prefix, cameraPitchAngle());
    debugLog(kLELog3DAxis, "%s - cameraRollAngle  = %lf", prefix, cameraRollAngle());
    debugLog(kLELog3DAxis, "%s - temperature      = %lf", prefix, temperature());
}
