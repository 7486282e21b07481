#include "TVK_GUI_PushButton.h"

#include <QFocusEvent>

TVK_GUI_PushButton::TVK_GUI_PushButton(QWidget *parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::pressed, this, &TVK_GUI_PushButton::catchIsPressed);
    connect(this, &QPushButton::released, this, &TVK_GUI_PushButton::catchIsReleased);
}

TVK_GUI_PushButton::~TVK_GUI_PushButton() = default;

void TVK_GUI_PushButton::catchIsPressed()
{
    m_isPressed = true;
}

void TVK_GUI_PushButton::catchIsReleased()
{
    m_isPressed = false;
}

void TVK_GUI_PushButton::focusOutEvent(QFocusEvent *event)
{
    // The button itself lets go only while it is drawn down (not after the
    // pointer left it, nor for a popup); the camera has to hear the release
    // in every case, and exactly once.
    QPushButton::focusOutEvent(event);
    if (m_isPressed) {
        m_isPressed = false;
        Q_EMIT released();
    }
}
