#pragma once

#include <QPushButton>

// The shutter button. It remembers that it is held so that a lost keyboard
// focus (another window, a dialog, a tab switch) can let go of it: the
// shutter must never stay pressed because the release went elsewhere.
class TVK_GUI_PushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit TVK_GUI_PushButton(QWidget *parent = nullptr);
    ~TVK_GUI_PushButton() override;

    bool isHeld() const { return m_isPressed; }

public Q_SLOTS:
    void catchIsPressed();
    void catchIsReleased();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_isPressed = false;
};
