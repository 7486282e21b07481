#pragma once

#include "TVK_Color_World.h"

class TVK_Color_Profile_Lcms;

// A LittleCMS transform between two RGB profiles for 32-bit pixels in the
// memory order of QImage::Format_RGB32 / Format_ARGB32; the fourth byte is
// carried over unchanged.
class TVK_Color_World_Lcms : public TVK_Color_World
{
public:
    TVK_Color_World_Lcms(const TVK_Color_Profile_Lcms &input, const TVK_Color_Profile_Lcms &output,
                         int intent);
    ~TVK_Color_World_Lcms() override;

    TVK_Color_World_Lcms(const TVK_Color_World_Lcms &) = delete;
    TVK_Color_World_Lcms &operator=(const TVK_Color_World_Lcms &) = delete;

    bool isValid() const override;
    // One stride-aware call for the whole bitmap; source and destination may be
    // the same buffer.
    bool translateBitmap(const uchar *sourceBits, uchar *destinationBits, int width, int height,
                         int bytesPerLine) override;

private:
    void *m_transform = nullptr; // cmsHTRANSFORM
};
