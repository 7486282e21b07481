// The lens record as the camera sends it (cut or zero-filled to its size).

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Every category on, so that the dump reads the record too; the lines go
    // nowhere, a fuzzer must not wait for a terminal.
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        setDebugLogCategories(~0, true);
        return true;
    }();
    (void)quiet;

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
