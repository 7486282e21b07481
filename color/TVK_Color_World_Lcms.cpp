#include "TVK_Color_World_Lcms.h"

#include "TVK_Color_Profile_Lcms.h"
#include "TVK_Debug_Log.h"

#include <lcms2.h>

namespace {

// QImage keeps a 32-bit pixel as one native-endian 0xAARRGGBB word.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number kPixelFormat = TYPE_BGRA_8;
#else
constexpr cmsUInt32Number kPixelFormat = TYPE_ARGB_8;
#endif

constexpr int kBytesPerPixel = 4;

} // namespace

TVK_Color_World_Lcms::TVK_Color_World_Lcms(const TVK_Color_Profile_Lcms &input,
                                           const TVK_Color_Profile_Lcms &output, int intent)
    : TVK_Color_World(intent)
{
    TVK_METHOD(prefix);
    if (!input.handle() || !output.handle()) {
        debugLog(kLELogAlways, "%s - a profile is not open", prefix);
        return;
    }
    // The pixel layout is RGB on both sides; asking LittleCMS for anything else
    // would only fail with a less helpful message.
    if (input.dataColorSpace() != TVK_Color_ProfileIF::kRgbSignature
        || output.dataColorSpace() != TVK_Color_ProfileIF::kRgbSignature) {
        debugLog(kLELogAlways, "%s - only RGB to RGB transforms are built", prefix);
        return;
    }
    m_transform = cmsCreateTransform(input.handle(), kPixelFormat, output.handle(), kPixelFormat,
                                     cmsUInt32Number(renderingIntent()), cmsFLAGS_COPY_ALPHA);
    if (!m_transform)
        debugLog(kLELogAlways, "%s - cannot build the transform (intent %d)", prefix,
                 renderingIntent());
}

TVK_Color_World_Lcms::~TVK_Color_World_Lcms()
{
    if (m_transform)
        cmsDeleteTransform(m_transform);
}

bool TVK_Color_World_Lcms::isValid() const
{
    return m_transform != nullptr;
}

bool TVK_Color_World_Lcms::translateBitmap(const uchar *sourceBits, uchar *destinationBits,
                                           int width, int height, int bytesPerLine)
{
    if (!m_transform || !sourceBits || !destinationBits || width <= 0 || height <= 0
        || bytesPerLine / kBytesPerPixel < width)
        return false;
    cmsDoTransformLineStride(m_transform, sourceBits, destinationBits, cmsUInt32Number(width),
                             cmsUInt32Number(height), cmsUInt32Number(bytesPerLine),
                             cmsUInt32Number(bytesPerLine), 0, 0);
    return true;
}
