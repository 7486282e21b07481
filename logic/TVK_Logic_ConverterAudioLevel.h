#pragma once

#include "TVK_Logic_ConverterBase.h"

// How the camera sets the sound recording level of a video.
class TVK_Logic_ConverterAudioLevel : public TVK_Logic_ConverterBase
{
public:
    explicit TVK_Logic_ConverterAudioLevel(QObject *parent = nullptr);
};
