// The camera's DeviceInfo dataset, as the camera sends it: its lists and
// strings are located and read back, and every located field must lie inside
// the dataset's buffer.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    using Info = TVK_Logic_DeviceInfo;
    TVK_Test_RecordingAccess access;
    access.answerAlways(TVK_Commu_Ptp::kOpGetDeviceInfo,
                        QByteArray(reinterpret_cast<const char *>(data), int(size)));
    Info info(&access);

    for (int i = 0; i < Info::kLEListCount; ++i) {
        const auto which = Info::eLEList(i);
        const QVector<quint16> codes = info.list(which);
        const int offset = info.listOffset(which);
        if (offset < 0 ? !codes.isEmpty() || info.listCount(which) != 0
                       : size_t(offset) + 4 + size_t(codes.size()) * 2 > Info::kBufferSize)
            std::abort();
        for (quint16 code : codes) {
            info.isOperationSupported(code);
            info.isEventSupported(code);
            info.isDevicePropSupported(code);
        }
    }
    for (int i = 0; i < Info::kLEStringCount; ++i) {
        const auto which = Info::eLEString(i);
        const QString text = info.string(which);
        const int offset = info.stringOffset(which);
        if (offset < 0 ? !text.isEmpty() : size_t(offset) + 1 + size_t(text.size()) * 2 > Info::kBufferSize)
            std::abort();
    }
    info.standardVersion();
    info.vendorExtensionID();
    info.vendorExtensionVersion();
    info.vendorExtensionDescSize();
    info.vendorExtensionDesc();
    info.functionalMode();
    return 0;
}
