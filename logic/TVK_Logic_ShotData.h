#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// What a picture file says about how it was taken, for the line under the
// quick view. A field the file does not carry stays at its "unknown" value
// and is left out of the line.
struct TVK_Logic_ShotData {
    QString fileName;           // without folder
    qint64 fileBytes = -1;      // -1 unknown
    // Exposure time in seconds as the camera wrote it (numerator/denominator).
    quint32 exposureNumerator = 0;
    quint32 exposureDenominator = 0; // 0 unknown
    double aperture = 0.0;           // f-number, 0 unknown
    int sensitivity = 0;             // ISO, 0 unknown
    bool hasExposureCompensation = false;
    double exposureCompensation = 0.0; // EV
    double focalLength = 0.0;          // mm, 0 unknown
    QString lens;
    QDateTime taken;                   // invalid when unknown
    QString make;
    QString model;

    bool operator==(const TVK_Logic_ShotData &other) const;
    bool operator!=(const TVK_Logic_ShotData &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(TVK_Logic_ShotData)
