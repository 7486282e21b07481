// The 3-axis record in both layouts: the first byte picks the layout (even:
// the float32 record of 0x2061, odd: the float64 record of 0x2041), the rest
// is the record as the camera sends it.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_Camera3DAxisData.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    if (size == 0)
        return 0;
    const bool longLayout = (data[0] & 1) != 0;
    TVK_Test_RecordingAccess access(longLayout ? 0x2041 : 0x2061);
    access.answerAlways(TVK_Commu_Ptp::kOpGet3DAxisData,
                        QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1)));
    TVK_Logic_Camera3DAxisData axis(&access);
    if (axis.isLongLayout() != longLayout)
        std::abort();
    axis.cameraPitchAngle();
    axis.cameraRollAngle();
    axis.temperature();
    axis.recvFromCamera();
    return 0;
}
