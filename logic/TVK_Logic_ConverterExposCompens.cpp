#include "TVK_Logic_ConverterExposCompens.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"

namespace {

constexpr char kLogPrefix[] = "TVK_Logic_ConverterExposCompens::init";

constexpr TVK_Logic_ConverterBase::Entry kHalfSteps[] = {
    {"-3 EV", -3000},  {"-2.5 EV", -2500}, {"-2 EV", -2000}, {"-1.5 EV", -1500},
    {"-1 EV", -1000},  {"-0.5 EV", -500},  {"0 EV", 0},      {"+0.5 EV", 500},
    {"+1 EV", 1000},   {"+1.5 EV", 1500},  {"+2 EV", 2000},  {"+2.5 EV", 2500},
    {"+3 EV", 3000},
};

constexpr TVK_Logic_ConverterBase::Entry kThirdSteps[] = {
    {"-3 EV", -3000},   {"-2.7 EV", -2667}, {"-2.3 EV", -2333}, {"-2 EV", -2000},
    {"-1.7 EV", -1667}, {"-1.3 EV", -1333}, {"-1 EV", -1000},   {"-0.7 EV", -667},
    {"-0.3 EV", -333},  {"0 EV", 0},        {"+0.3 EV", 333},   {"+0.7 EV", 667},
    {"+1 EV", 1000},    {"+1.3 EV", 1333},  {"+1.7 EV", 1667},  {"+2 EV", 2000},
    {"+2.3 EV", 2333},  {"+2.7 EV", 2667},  {"+3 EV", 3000},
};

using Traits = TVK_Commu_ProductTraits;

constexpr TVK_Logic_ConverterBase::ListGroup kFixedStepGroups[] = {
    {Traits::kLEStepsHalf, kHalfSteps},
    {Traits::kLEStepsThird, kThirdSteps},
};

} // namespace

TVK_Logic_ConverterExposCompens::TVK_Logic_ConverterExposCompens(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
    , m_productId(productId)
{
    init(productId);
}

void TVK_Logic_ConverterExposCompens::init(int productId)
{
    m_productId = productId;
    const Traits &product = Traits::of(productId);
    if (!product.switchesExposureStep()) {
        setTableForList(kFixedStepGroups, product.exposureSteps, productId, kLogPrefix, nullptr);
        return;
    }
    switch (m_stepSize) {
    case kThirdStepSize:
        setTable(kThirdSteps, nullptr);
        break;
    case kHalfStepSize:
        setTable(kHalfSteps, nullptr);
        break;
    default:
        clearLists();
        debugLog(kLELogAlways, "%s - unknown step size %d", kLogPrefix, m_stepSize);
        break;
    }
}

void TVK_Logic_ConverterExposCompens::setStepSize(int step)
{
    if (step == m_stepSize)
        return;
    m_stepSize = step;
    init(m_productId);
}

int TVK_Logic_ConverterExposCompens::stepSize() const
{
    return m_stepSize;
}
