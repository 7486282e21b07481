#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class TVK_GUI_DeleteProfilesDialog;
}

// Removes profiles from the caller's list of names; stays open so that
// several can go one after the other.
class TVK_GUI_DeleteProfilesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TVK_GUI_DeleteProfilesDialog(QStringList &profiles, QWidget *parent = nullptr,
                                          Qt::WindowFlags flags = Qt::WindowFlags());
    ~TVK_GUI_DeleteProfilesDialog() override;

private Q_SLOTS:
    void catchDeleteButtonClicked();

private:
    std::unique_ptr<Ui::TVK_GUI_DeleteProfilesDialog> m_ui;
    QStringList &m_profiles;
};
