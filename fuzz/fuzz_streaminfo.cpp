// The live-view StreamInfo dataset as the camera sends it (cut or zero-filled
// to its size).

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    TVK_Test_RecordingAccess access;
    access.answerAlways(TVK_Commu_Ptp::kOpGetStreamInfo, QByteArray(reinterpret_cast<const char *>(data), int(size)));
    TVK_Logic_CameraStreamInfo info(&access);
    info.datasetSize();
    info.timeResolution();
    info.frameHeaderSize();
    info.frameMaxSize();
    info.packetHeaderSize();
    info.packetMaxSize();
    info.packetAlignment();
    return 0;
}
