#include "TVK_Color_World.h"

TVK_Color_World::TVK_Color_World(int intent) : m_intent(normalisedIntent(intent)) {}

TVK_Color_World::~TVK_Color_World() = default;

int TVK_Color_World::normalisedIntent(int intent)
{
    switch (intent) {
    case kRelativeColorimetric:
    case kSaturation:
    case kAbsoluteColorimetric:
        return intent;
    default:
        return kPerceptual;
    }
}

bool TVK_Color_World::translateLabToRgb(const LabPixel *, RgbPixel *, int)
{
    return false;
}

bool TVK_Color_World::translateRgbToLab(const RgbPixel *, LabPixel *, int)
{
    return false;
}

bool TVK_Color_World::translateRgbToRgb(const RgbPixel *, RgbPixel *, int)
{
    return false;
}

bool TVK_Color_World::translateRgbInPlace(RgbPixel *, int)
{
    return false;
}
