#pragma once

#include <QMainWindow>

class QLabel;

// The window shown while no camera is connected. Closing it ends the program.
class TVK_GUI_NoCamera : public QMainWindow
{
    Q_OBJECT

public:
    explicit TVK_GUI_NoCamera(QWidget *parent = nullptr);
    ~TVK_GUI_NoCamera() override;

    QString text() const;

public Q_SLOTS:
    void lightroomDetected(bool detected);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_label = nullptr;
};
