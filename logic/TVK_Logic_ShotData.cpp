#include "TVK_Logic_ShotData.h"

bool TVK_Logic_ShotData::operator==(const TVK_Logic_ShotData &other) const
{
    // Exact comparison of the doubles is intended: equal files give equal
    // values, and a value read differently is a different value.
    return fileName == other.fileName && fileBytes == other.fileBytes
           && exposureNumerator == other.exposureNumerator && exposureDenominator == other.exposureDenominator
           && aperture == other.aperture && sensitivity == other.sensitivity
           && hasExposureCompensation == other.hasExposureCompensation
           && exposureCompensation == other.exposureCompensation && focalLength == other.focalLength
           && lens == other.lens && taken == other.taken && make == other.make && model == other.model;
}
