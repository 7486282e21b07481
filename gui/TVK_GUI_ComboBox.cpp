#include "TVK_GUI_ComboBox.h"

#include "TVK_Debug_Log.h"

#include <QSignalBlocker>

TVK_GUI_ComboBox::TVK_GUI_ComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

TVK_GUI_ComboBox::~TVK_GUI_ComboBox() = default;

void TVK_GUI_ComboBox::setSettingName(const char *name, bool logsIllegalValue)
{
    m_settingName = QByteArray(name ? name : "list");
    m_logsIllegalValue = logsIllegalValue;
}

QByteArray TVK_GUI_ComboBox::settingName() const
{
    return m_settingName;
}

bool TVK_GUI_ComboBox::isUsableList(const char *method, const char *settingName, const QStringList &entries)
{
    if (!entries.isEmpty())
        return true;
    debugLog(kLELogAlways, "%s - empty %s list", method, settingName);
    return false;
}

bool TVK_GUI_ComboBox::setEntries(const char *method, const QStringList &entries)
{
    if (!isUsableList(method, m_settingName.constData(), entries))
        return false;
    // Listeners of currentIndexChanged must not mistake the refill for a choice.
    const QSignalBlocker blocker(this);
    clear();
    insertItems(0, entries);
    return true;
}

int TVK_GUI_ComboBox::exactIndex(const QString &text) const
{
    // findText() with MatchExactly compares variants; an explicit loop keeps
    // the comparison plainly exact and case-sensitive.
    for (int i = 0; i < count(); ++i) {
        if (itemText(i) == text)
            return i;
    }
    return -1;
}

bool TVK_GUI_ComboBox::selectEntry(const char *method, const QString &text)
{
    const int index = exactIndex(text);
    if (index < 0) {
        if (m_logsIllegalValue)
            debugLog(kLELogAlways, "%s - illegal %s %s", method, m_settingName.constData(),
                     text.toUtf8().constData());
        return false;
    }
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
    return true;
}
