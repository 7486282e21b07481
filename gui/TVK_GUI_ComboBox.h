#pragma once

#include <QComboBox>

// Every drop-down list of the panels is one of these, so that one style sheet
// rule and one place in the code cover them all.
class TVK_GUI_ComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TVK_GUI_ComboBox(QWidget *parent = nullptr);
    ~TVK_GUI_ComboBox() override;
};
