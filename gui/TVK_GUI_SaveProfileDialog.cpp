#include "TVK_GUI_SaveProfileDialog.h"
#include "ui_TVK_GUI_SaveProfileDialog.h"

#include <QPushButton>

#include <algorithm>

TVK_GUI_SaveProfileDialog::TVK_GUI_SaveProfileDialog(QStringList &profiles, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_ui(std::make_unique<Ui::TVK_GUI_SaveProfileDialog>())
    , m_profiles(profiles)
{
    m_ui->setupUi(this);
    m_ui->lwtProfiles->addItems(m_profiles);
    connect(m_ui->pbnChoose, &QPushButton::clicked, this, &TVK_GUI_SaveProfileDialog::catchChooseButtonClicked);
    connect(m_ui->pbnCreate, &QPushButton::clicked, this, &TVK_GUI_SaveProfileDialog::catchCreateButtonClicked);
}

TVK_GUI_SaveProfileDialog::~TVK_GUI_SaveProfileDialog() = default;

void TVK_GUI_SaveProfileDialog::catchChooseButtonClicked()
{
    if (m_ui->lwtProfiles->selectedItems().isEmpty())
        return;
    accept();
}

void TVK_GUI_SaveProfileDialog::catchCreateButtonClicked()
{
    const QString name = m_ui->ledProfileName->text();
    if (name.isEmpty())
        return;
    // After any equal names, so that the order of creation survives among them.
    const auto at = std::upper_bound(m_profiles.begin(), m_profiles.end(), name);
    const int row = int(at - m_profiles.begin());
    m_profiles.insert(row, name);
    m_ui->lwtProfiles->insertItem(row, name);
    accept();
}
