#include "TVK_GUI_DeleteProfilesDialog.h"
#include "ui_TVK_GUI_DeleteProfilesDialog.h"

#include "TVK_Debug_Log.h"

#include <QPushButton>

#include <algorithm>
#include <functional>

TVK_GUI_DeleteProfilesDialog::TVK_GUI_DeleteProfilesDialog(QStringList &profiles, QWidget *parent,
                                                           Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_ui(std::make_unique<Ui::TVK_GUI_DeleteProfilesDialog>())
    , m_profiles(profiles)
{
    m_ui->setupUi(this);
    m_ui->lwtProfiles->addItems(m_profiles);
    connect(m_ui->pbnDelete, &QPushButton::clicked, this, &TVK_GUI_DeleteProfilesDialog::catchDeleteButtonClicked);
}

TVK_GUI_DeleteProfilesDialog::~TVK_GUI_DeleteProfilesDialog() = default;

void TVK_GUI_DeleteProfilesDialog::catchDeleteButtonClicked()
{
    TVK_METHOD(prefix);
    QList<int> rows;
    for (const QListWidgetItem *item : m_ui->lwtProfiles->selectedItems())
        rows << m_ui->lwtProfiles->row(item);
    // From the bottom up, so that removing one row leaves the others' positions valid.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        delete m_ui->lwtProfiles->takeItem(row);
        // The list widget mirrors the names row for row; a name list changed
        // behind the dialog's back loses nothing it does not show.
        if (row < m_profiles.size())
            m_profiles.removeAt(row);
        else
            debugLog(kLELogAlways, "%s - no profile at row %d", prefix, row);
    }
}
