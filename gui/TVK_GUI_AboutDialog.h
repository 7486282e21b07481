#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TVK_GUI_AboutDialog;
}

// The program's logo, name, version and copyright line.
class TVK_GUI_AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TVK_GUI_AboutDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~TVK_GUI_AboutDialog() override;

    // "Version" and the first two numbers of `version`; the third only when it is not "0".
    static QString versionText(const QString &version);

private:
    std::unique_ptr<Ui::TVK_GUI_AboutDialog> m_ui;
};
