#pragma once

#include <QMap>
#include <QToolButton>

// A tool button that steps through n states on each click instead of toggling.
// Every state can stand for a value of the caller's choice; the style sheet
// picks the button's picture through the dynamic property "MappedState",
// which holds that value (the state number itself when no value is mapped).
class TVK_GUI_MultiStateToolButton : public QToolButton
{
    Q_OBJECT

public:
    static constexpr int kMinimumStateCount = 2;

    explicit TVK_GUI_MultiStateToolButton(QWidget *parent = nullptr);
    ~TVK_GUI_MultiStateToolButton() override;

    int stateCount() const { return m_stateCount; }
    int state() const { return m_state; }
    QMap<int, int> stateMap() const { return m_stateMap; }
    bool hasMappedValue(int state) const { return m_stateMap.contains(state); }
    // The value a state stands for; the state itself when none is mapped.
    int mappedValue(int state) const { return m_stateMap.value(state, state); }

    // Counts below two are refused (logged); a current state beyond the new
    // count moves to the last state.
    void setStateCount(int count);
    void setStateMap(const QMap<int, int> &map);
    // Out-of-range states are refused (logged).
    void setState(int state);

protected:
    // A click advances the state cyclically instead of toggling the check.
    void nextCheckState() override;

private:
    void applyState();

    int m_stateCount = kMinimumStateCount;
    int m_state = 0;
    QMap<int, int> m_stateMap;
};
