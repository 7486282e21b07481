#include "TVK_GUI_MultiStateToolButton.h"

#include "TVK_Debug_Log.h"

#include <QStyle>
#include <QVariant>

TVK_GUI_MultiStateToolButton::TVK_GUI_MultiStateToolButton(QWidget *parent)
    : QToolButton(parent)
{
    setCheckable(true);
    applyState();
}

TVK_GUI_MultiStateToolButton::~TVK_GUI_MultiStateToolButton() = default;

void TVK_GUI_MultiStateToolButton::setStateCount(int count)
{
    if (count < kMinimumStateCount) {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - %d states are too few, %d kept", prefix, count, m_stateCount);
        return;
    }
    m_stateCount = count;
    if (m_state >= m_stateCount)
        m_state = m_stateCount - 1;
    applyState();
}

void TVK_GUI_MultiStateToolButton::setStateMap(const QMap<int, int> &map)
{
    m_stateMap = map;
    applyState();
}

void TVK_GUI_MultiStateToolButton::setState(int state)
{
    if (state < 0 || state >= m_stateCount) {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - illegal state %d of %d", prefix, state, m_stateCount);
        return;
    }
    m_state = state;
    applyState();
}

void TVK_GUI_MultiStateToolButton::nextCheckState()
{
    m_state = (m_state + 1) % m_stateCount;
    applyState();
}

void TVK_GUI_MultiStateToolButton::applyState()
{
    setChecked(m_state > 0);
    setProperty("MappedState", mappedValue(m_state));
    // A dynamic property is not watched by the style; re-polishing makes the
    // style sheet's [MappedState="..."] rules take effect now.
    style()->unpolish(this);
    style()->polish(this);
    update();
}
