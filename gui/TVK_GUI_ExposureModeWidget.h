#pragma once

#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;

namespace Ui {
class TVK_GUI_ExposureModeWidget;
}

// Four exclusive buttons P, M, A and T for the exposure mode. Mode codes:
// 0 manual, 1 shutter priority, 2 aperture priority, 3 program; the camera's
// 4 and 5 are shown as M and P.
class TVK_GUI_ExposureModeWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_ExposureModeWidget(QWidget *parent = nullptr);
    ~TVK_GUI_ExposureModeWidget() override;

    // The mode whose button is checked (0..3).
    int checkedMode() const;

Q_SIGNALS:
    void signalChosen(int mode);

public Q_SLOTS:
    void setHasAperture(bool has);
    void setExposureModeList(const QStringList &list);
    void setExposureMode(int mode);

private Q_SLOTS:
    void catchButtonPClicked();
    void catchButtonAClicked();
    void catchButtonTClicked();
    void catchButtonMClicked();

private:
    Ui::TVK_GUI_ExposureModeWidget *ui;
    QButtonGroup *m_group;
};
