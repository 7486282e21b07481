// The geotagging record as the camera sends it (cut or zero-filled to its size).

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_CameraGeotackingData.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    TVK_Test_RecordingAccess access;
    access.answerAlways(TVK_Commu_Ptp::kOpGetGeotackingData,
                        QByteArray(reinterpret_cast<const char *>(data), int(size)));
    TVK_Logic_CameraGeotackingData geo(&access);
    geo.validityFlags();
    geo.isMeanFieldDataValid();
    geo.isTimeValid();
    geo.isDateValid();
    geo.isGPSEnabled();
    geo.longitudeDegrees();
    geo.longitudeMinutes();
    geo.longitudeSeconds();
    geo.latitudeDegrees();
    geo.latitudeMinutes();
    geo.latitudeSeconds();
    geo.numberOfUsedSattelites();
    return 0;
}
