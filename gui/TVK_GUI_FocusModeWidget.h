#pragma once

#include <QWidget>

class QButtonGroup;

namespace Ui {
class TVK_GUI_FocusModeWidget;
}

// Exclusive buttons iAF, AFS, AFC and MF. Mode codes: 0 AFS, 1 AFC, 2 MF,
// 5 iAF. Only some bodies know iAF, so its button shows for those alone.
class TVK_GUI_FocusModeWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_FocusModeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_FocusModeWidget() override;

    // The connected camera's USB product id (0: none); decides whether iAF shows.
    void setProductId(int productId);
    // The mode whose button is checked.
    int checkedMode() const;

Q_SIGNALS:
    void signalChosen(int mode);

public Q_SLOTS:
    void setFocusMode(int mode);

private Q_SLOTS:
    void catchButtonAFSClicked();
    void catchButtonAFCClicked();
    void catchButtonMFClicked();
    void catchButtonIAFClicked();

private:
    void choose(int mode);

    Ui::TVK_GUI_FocusModeWidget *ui;
    QButtonGroup *m_group;
};
