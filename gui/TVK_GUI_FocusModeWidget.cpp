#include "TVK_GUI_FocusModeWidget.h"
#include "ui_TVK_GUI_FocusModeWidget.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"

#include <QButtonGroup>

namespace {

constexpr int kModeAFS = 0;
constexpr int kModeAFC = 1;
constexpr int kModeMF = 2;
constexpr int kModeIAF = 5;

bool knowsIntelligentAF(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEIntelligentAF);
}

} // namespace

TVK_GUI_FocusModeWidget::TVK_GUI_FocusModeWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_FocusModeWidget)
    , m_group(new QButtonGroup(this))
{
    ui->setupUi(this);
    m_group->setExclusive(true);
    m_group->addButton(ui->pbnIAF, kModeIAF);
    m_group->addButton(ui->pbnAFS, kModeAFS);
    m_group->addButton(ui->pbnAFC, kModeAFC);
    m_group->addButton(ui->pbnMF, kModeMF);

    connect(ui->pbnAFS, &QToolButton::clicked, this, &TVK_GUI_FocusModeWidget::catchButtonAFSClicked);
    connect(ui->pbnAFC, &QToolButton::clicked, this, &TVK_GUI_FocusModeWidget::catchButtonAFCClicked);
    connect(ui->pbnMF, &QToolButton::clicked, this, &TVK_GUI_FocusModeWidget::catchButtonMFClicked);
    connect(ui->pbnIAF, &QToolButton::clicked, this, &TVK_GUI_FocusModeWidget::catchButtonIAFClicked);

    ui->pbnMF->setChecked(true);
    setProductId(0);
}

TVK_GUI_FocusModeWidget::~TVK_GUI_FocusModeWidget()
{
    delete ui;
}

void TVK_GUI_FocusModeWidget::setProductId(int productId)
{
    ui->pbnIAF->setVisible(knowsIntelligentAF(productId));
}

int TVK_GUI_FocusModeWidget::checkedMode() const
{
    return m_group->checkedId();
}

void TVK_GUI_FocusModeWidget::setFocusMode(int mode)
{
    TVK_METHOD(method);
    QAbstractButton *const button = m_group->button(mode);
    if (!button) {
        debugLog(kLELogAlways, "%s - illegal focus mode %d", method, mode);
        return;
    }
    button->setChecked(true);
}

void TVK_GUI_FocusModeWidget::choose(int mode)
{
    m_group->button(mode)->setChecked(true);
    Q_EMIT signalChosen(mode);
}

void TVK_GUI_FocusModeWidget::catchButtonAFSClicked()
{
    choose(kModeAFS);
}

void TVK_GUI_FocusModeWidget::catchButtonAFCClicked()
{
    choose(kModeAFC);
}

void TVK_GUI_FocusModeWidget::catchButtonMFClicked()
{
    choose(kModeMF);
}

void TVK_GUI_FocusModeWidget::catchButtonIAFClicked()
{
    choose(kModeIAF);
}
