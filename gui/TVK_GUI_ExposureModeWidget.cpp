#include "TVK_GUI_ExposureModeWidget.h"
#include "ui_TVK_GUI_ExposureModeWidget.h"

#include "TVK_Debug_Log.h"

#include <QButtonGroup>

namespace {

constexpr int kModeManual = 0;
constexpr int kModeShutterPriority = 1;
constexpr int kModeAperturePriority = 2;
constexpr int kModeProgram = 3;
constexpr int kModeManualAlt = 4;   // shown as M
constexpr int kModeProgramAlt = 5;  // shown as P

} // namespace

TVK_GUI_ExposureModeWidget::TVK_GUI_ExposureModeWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_ExposureModeWidget)
    , m_group(new QButtonGroup(this))
{
    ui->setupUi(this);
    m_group->setExclusive(true);
    m_group->addButton(ui->pbnP, kModeProgram);
    m_group->addButton(ui->pbnM, kModeManual);
    m_group->addButton(ui->pbnA, kModeAperturePriority);
    m_group->addButton(ui->pbnT, kModeShutterPriority);

    connect(ui->pbnP, &QToolButton::clicked, this, &TVK_GUI_ExposureModeWidget::catchButtonPClicked);
    connect(ui->pbnA, &QToolButton::clicked, this, &TVK_GUI_ExposureModeWidget::catchButtonAClicked);
    connect(ui->pbnT, &QToolButton::clicked, this, &TVK_GUI_ExposureModeWidget::catchButtonTClicked);
    connect(ui->pbnM, &QToolButton::clicked, this, &TVK_GUI_ExposureModeWidget::catchButtonMClicked);

    // The camera's state is unknown until it reports one; the form starts with M.
    ui->pbnM->setChecked(true);
}

TVK_GUI_ExposureModeWidget::~TVK_GUI_ExposureModeWidget()
{
    delete ui;
}

int TVK_GUI_ExposureModeWidget::checkedMode() const
{
    return m_group->checkedId();
}

void TVK_GUI_ExposureModeWidget::setHasAperture(bool has)
{
    // Without an aperture the camera knows only manual and aperture priority.
    ui->pbnP->setVisible(has);
    ui->pbnT->setVisible(has);
}

void TVK_GUI_ExposureModeWidget::setExposureModeList(const QStringList &list)
{
    QToolButton *const buttons[] = {ui->pbnP, ui->pbnM, ui->pbnA, ui->pbnT};
    const int n = qMin(list.size(), 4);
    for (int i = 0; i < n; ++i)
        buttons[i]->setText(list.at(i));
}

void TVK_GUI_ExposureModeWidget::setExposureMode(int mode)
{
    TVK_METHOD(method);
    switch (mode) {
    case kModeManual:
    case kModeManualAlt:
        ui->pbnM->setChecked(true);
        break;
    case kModeShutterPriority:
        ui->pbnT->setChecked(true);
        break;
    case kModeAperturePriority:
        ui->pbnA->setChecked(true);
        break;
    case kModeProgram:
    case kModeProgramAlt:
        ui->pbnP->setChecked(true);
        break;
    default:
        debugLog(kLELogAlways, "%s - illegal exposure mode %d", method, mode);
        break;
    }
}

void TVK_GUI_ExposureModeWidget::catchButtonPClicked()
{
    ui->pbnP->setChecked(true);
    Q_EMIT signalChosen(kModeProgram);
}

void TVK_GUI_ExposureModeWidget::catchButtonAClicked()
{
    ui->pbnA->setChecked(true);
    Q_EMIT signalChosen(kModeAperturePriority);
}

void TVK_GUI_ExposureModeWidget::catchButtonTClicked()
{
    ui->pbnT->setChecked(true);
    Q_EMIT signalChosen(kModeShutterPriority);
}

void TVK_GUI_ExposureModeWidget::catchButtonMClicked()
{
    ui->pbnM->setChecked(true);
    Q_EMIT signalChosen(kModeManual);
}
