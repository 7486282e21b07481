#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QStringList>

// Every drop-down list of the panels is one of these, so that one style sheet
// rule and one place in the code cover them all.
//
// The lists show the converters' display texts and take them as opaque: a
// list is replaced as a whole, an entry is selected by its exact text, and a
// value the list cannot show is logged instead of being shown to the user.
// Selecting from code never emits activated(), so the camera's answer cannot
// travel back to the camera as if the user had chosen it.
class TVK_GUI_ComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TVK_GUI_ComboBox(QWidget *parent = nullptr);
    ~TVK_GUI_ComboBox() override;

    // The setting's name as it appears in log lines ("aperture" gives
    // "... - empty aperture list" and "... - illegal aperture F2.8").
    // Lists whose values come only as a courtesy (hidden lists) pass
    // logsIllegalValue = false: an unknown value is then dropped silently.
    void setSettingName(const char *name, bool logsIllegalValue = true);
    QByteArray settingName() const;

    // Replaces all entries; an empty list is refused with a log line naming
    // method (a "Class::method()" prefix) and the old entries stay.
    bool setEntries(const char *method, const QStringList &entries);

    // Selects the first entry whose text equals text exactly (case-sensitive);
    // without one the selection stays and the illegal value is logged.
    bool selectEntry(const char *method, const QString &text);

    // Index of the entry whose text equals text exactly, or -1.
    int exactIndex(const QString &text) const;

    // The empty-list check alone, for settings that have no list on screen.
    static bool isUsableList(const char *method, const char *settingName, const QStringList &entries);

private:
    QByteArray m_settingName = "list";
    bool m_logsIllegalValue = true;
};
