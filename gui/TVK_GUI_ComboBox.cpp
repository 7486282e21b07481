#include "TVK_GUI_ComboBox.h"

TVK_GUI_ComboBox::TVK_GUI_ComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

TVK_GUI_ComboBox::~TVK_GUI_ComboBox() = default;
