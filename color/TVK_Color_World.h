#pragma once

#include "TVK_Color_WorldIF.h"

// What every engine's transform shares: the intent it was asked for, taken into
// the ICC range, and the pixel-array translations, which nothing in this system
// needs and which therefore refuse (an engine may override them).
class TVK_Color_World : public TVK_Color_WorldIF
{
public:
    ~TVK_Color_World() override;

    bool translateLabToRgb(const LabPixel *source, RgbPixel *destination, int count) override;
    bool translateRgbToLab(const RgbPixel *source, LabPixel *destination, int count) override;
    bool translateRgbToRgb(const RgbPixel *source, RgbPixel *destination, int count) override;
    bool translateRgbInPlace(RgbPixel *pixels, int count) override;

    int renderingIntent() const { return m_intent; }

    // 1, 2 and 3 as they are, every other value perceptual.
    static int normalisedIntent(int intent);

protected:
    explicit TVK_Color_World(int intent);

private:
    int m_intent;
};
