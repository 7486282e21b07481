#pragma once

#include <QString>

#include "TVK_Logic_APEXTable.h"

// Shutter time between the camera's APEX codes, seconds and display texts.
//
// A code is the time value Tv in 1/256 EV as a signed 16-bit number, with
// t = 2^(-Tv) seconds. Cameras mark their times with nominal values (1/125 s,
// not 1/128 s), so codes and seconds are matched through the camera's table
// of (code, seconds) pairs. Which table applies depends on the product and,
// for some products, on the exposure step size.
//
// One object per owner (settings strategy or controller), used on its
// owner's thread only.
class TVK_Logic_APEXConverterShutterTime
{
public:
    explicit TVK_Logic_APEXConverterShutterTime(int productId);

    // Rebuilds the table when the step size changes; 500 after construction.
    void setStepSize(int stepSize);
    int stepSize() const;

    // 0.0 and 0 while there is no table (unknown step size).
    double secondsFromCode(int code) const;
    int codeFromSeconds(double seconds) const;

    static double tvFromSeconds(double seconds);
    double secondsFromTv(double tv) const;

    // "4m", "30s", "2.5s", "1/250s"; empty for an unknown step size.
    QString toString(double seconds) const;
    // Reads the texts toString() writes; anything that is not a number gives 0.
    static double fromString(const QString &text);

private:
    void initConvertMap();

    int m_productId;
    int m_stepSize;
    TVK_Logic_APEXTable m_table;
};
