// An ObjectInfo dataset, both as the transfer receives it into its fixed
// buffer and as bytes of exactly the length that arrived.

#include "TVK_Commu_PtpCodes.h"
#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Test_RecordingAccess.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    const auto readAll = [](const TVK_Logic_ObjectInfo &info) {
        info.objectFormat();
        info.objectCompressedSize();
        info.thumbCompressedSize();
        info.sequenceNumber();
        // A PTP string of at most 255 units, and only of units that arrived.
        const QString name = info.filename();
        if (name.size() > 254
            || (!name.isEmpty() && TVK_Logic_ObjectInfo::kFilenameOffset + 1 + size_t(name.size()) * 2 > info.size()))
            std::abort();
    };

    readAll(TVK_Logic_ObjectInfo(data, size));

    TVK_Test_RecordingAccess access;
    access.answerAlways(TVK_Commu_Ptp::kOpGetObjectInfo, QByteArray(reinterpret_cast<const char *>(data), int(size)));
    TVK_Logic_ObjectInfo received;
    received.recvFromCamera(&access, 0x12345678u, size > 0 ? data[0] & 1 : 0);
    readAll(received);
    return 0;
}
