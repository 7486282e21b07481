// One live-view stream frame as GetStreamData fills its buffer. A frame taken
// as whole must place its image inside the buffer; the image's first and last
// bytes are read so that the sanitizer checks the range.

#include "TVK_Fuzz_Log.h"
#include "TVK_Logic_StreamFrameParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    using Parser = TVK_Logic_StreamFrameParser;
    const Parser::Result result = Parser::parse(data, size, "fuzz_streamframe");
    if (!result.ok)
        return 0;
    if (result.imageOffset < Parser::kMinImageOffset || result.imageOffset > size
        || result.imageLength != size - result.imageOffset)
        std::abort();
    volatile uint8_t touch = 0;
    if (result.imageLength > 0)
        touch = data[result.imageOffset] ^ data[result.imageOffset + result.imageLength - 1];
    (void)touch;
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    result.zoom.relativeFocusPosition(&x, &y);
    result.zoom.relativeSourceArea(&x, &y, &w, &h);
    result.exposureTvValue();
    return 0;
}
