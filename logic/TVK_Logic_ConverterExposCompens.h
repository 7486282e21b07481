#pragma once

#include "TVK_Logic_ConverterBase.h"

// Exposure compensation in milli-EV; the texts are shown as they stand.
//
// Most cameras have one fixed step. The Velia bodies switch between 1/3
// and 1/2 EV, so their list follows the step size the camera reports and is
// rebuilt when that changes.
class TVK_Logic_ConverterExposCompens : public TVK_Logic_ConverterBase
{
public:
    static constexpr int kThirdStepSize = 333;
    static constexpr int kHalfStepSize = 500;

    explicit TVK_Logic_ConverterExposCompens(int productId, QObject *parent = nullptr);

    void init(int productId);
    // Rebuilds the lists only when the step actually changes.
    void setStepSize(int step);
    int stepSize() const;

private:
    qint32 m_productId;
    int m_stepSize = kHalfStepSize;
};
