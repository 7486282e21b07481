// The beginning of a picture file (JPEG or DNG) in which the transfer looks
// for the Exif orientation.

#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_TransferThread.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    // Not a copy: a read past the input's end must reach the sanitizer.
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const int orientation = TVK_Logic_TransferThread::exifOrientation(file);
    if (orientation < 0 || orientation > 255)
        std::abort();
    return 0;
}
