#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class TVK_GUI_SaveProfileDialog;
}

// Creates a profile under a new name or chooses an existing one. The names
// belong to the caller, who keeps them in ascending order for the program's
// whole run; the dialog adds to them in place.
class TVK_GUI_SaveProfileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TVK_GUI_SaveProfileDialog(QStringList &profiles, QWidget *parent = nullptr,
                                       Qt::WindowFlags flags = Qt::WindowFlags());
    ~TVK_GUI_SaveProfileDialog() override;

private Q_SLOTS:
    void catchChooseButtonClicked();
    void catchCreateButtonClicked();

private:
    std::unique_ptr<Ui::TVK_GUI_SaveProfileDialog> m_ui;
    QStringList &m_profiles;
};
