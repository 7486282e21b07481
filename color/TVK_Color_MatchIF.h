#pragma once

#include "TVK_Color_WorldIF.h"

#include <QString>

class QImage;
class TVK_Color_ProfileIF;

// What an image viewer uses: an input profile, an output profile and a rendering
// intent; the transform between them is built when it is first needed.
class TVK_Color_MatchIF
{
public:
    using LabPixel = TVK_Color_WorldIF::LabPixel;
    using RgbPixel = TVK_Color_WorldIF::RgbPixel;

    virtual ~TVK_Color_MatchIF();

    virtual bool translateLabToRgb(const LabPixel *source, RgbPixel *destination, int count) = 0;
    virtual bool translateRgbToLab(const RgbPixel *source, LabPixel *destination, int count) = 0;
    virtual bool translateRgbToRgb(const RgbPixel *source, RgbPixel *destination, int count) = 0;
    virtual bool translateRgbInPlace(RgbPixel *pixels, int count) = 0;
    virtual bool translateImage(const QImage &source, QImage &destination) = 0;
    virtual bool translateImage(QImage &image) = 0;
    virtual void setInputProfile(const TVK_Color_ProfileIF &profile) = 0;
    virtual void setInputProfile(const QString &path) = 0;
    virtual void setOutputProfile(const TVK_Color_ProfileIF &profile) = 0;
    virtual void setOutputProfile(const QString &path) = 0;
    virtual void setRenderingIntent(int intent) = 0;
};
