#pragma once

#include <QtGlobal>

// A transform built from an input and an output profile with one rendering intent.
class TVK_Color_WorldIF
{
public:
    // The ICC numbering; any other value is taken as perceptual.
    enum eRenderingIntent : int {
        kPerceptual = 0,
        kRelativeColorimetric = 1,
        kSaturation = 2,
        kAbsoluteColorimetric = 3
    };

    // One pixel of a pixel-array translation, 16 bits per component.
    struct LabPixel {
        quint16 L;
        quint16 a;
        quint16 b;
    };
    struct RgbPixel {
        quint16 red;
        quint16 green;
        quint16 blue;
    };

    virtual ~TVK_Color_WorldIF();

    virtual bool isValid() const = 0;
    virtual bool translateLabToRgb(const LabPixel *source, RgbPixel *destination, int count) = 0;
    virtual bool translateRgbToLab(const RgbPixel *source, LabPixel *destination, int count) = 0;
    virtual bool translateRgbToRgb(const RgbPixel *source, RgbPixel *destination, int count) = 0;
    virtual bool translateRgbInPlace(RgbPixel *pixels, int count) = 0;
    // Rows of 32-bit pixels laid out as QImage::Format_RGB32 keeps them in memory.
    virtual bool translateBitmap(const uchar *sourceBits, uchar *destinationBits, int width,
                                 int height, int bytesPerLine) = 0;
};
