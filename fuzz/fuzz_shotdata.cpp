// A picture file as the quick view reads it after saving: what it says of its
// shot, and the largest preview it carries, both through Exiv2.

#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_ShotDataReader.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    // Not a copy: a read past the input's end must reach the sanitizer.
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const TVK_Logic_ShotData shot = TVK_Logic_ShotDataReader::read(file, QStringLiteral("Picture00001.JPG"));
    if (shot.aperture < 0.0 || shot.focalLength < 0.0 || shot.sensitivity < 0)
        std::abort();
    const QImage preview = TVK_Logic_ShotDataReader::largestPreview(file);
    if (!preview.isNull() && (preview.width() <= 0 || preview.height() <= 0))
        std::abort();
    return 0;
}
