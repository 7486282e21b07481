#pragma once

#include <QDialog>
#include <QString>

// Tells the user that a newer version exists and offers the page to get it:
// a line of text, the page's address as a flat button that opens it in the
// browser, and "Cancel".
class TVK_GUI_UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    TVK_GUI_UpdateDialog(QWidget *parent, const QString &title, const QString &text, const QString &link);

    QString link() const { return m_link; }

private Q_SLOTS:
    void catchLinkClicked();

private:
    QString m_link;
};
