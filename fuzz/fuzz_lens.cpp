// The lens record as the camera sends it (cut or zero-filled to its size).

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    TVK_Test_RecordingAccess access;
    access.answerAlways(TVK_Commu_Ptp::kOpGetLensData, QByteArray(reinterpret_cast<const char *>(data), int(size)));
    TVK_Logic_CameraLens lens(&access);
    lens.isLensConnected();
    lens.isAutoLensSelectionEnabled();
    lens.lensTypeString();
    lens.lensType();
    lens.lensSerialNumber();
    lens.lensFirmwareVersion();
    lens.correctionDataVersion();
    lens.openApertureValue();
    lens.closeApertureValue();
    lens.apertureStepsString();
    lens.focalLengthMin();
    lens.focalLengthMax();
    lens.focusPositionMin();
    lens.focusPositionMax();
    lens.isCentralShutterAvailable();
    lens.lensID();
    lens.selectedFocalLength();
    lens.lensFileVersion();
    return 0;
}
