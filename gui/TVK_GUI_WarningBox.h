#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QWidget;

// The one warning box of the program. A warning that comes while the box is
// open joins it instead of opening a box of its own: a camera that fails two
// hundred transfers would otherwise stack two hundred boxes. The box shows
// the newest warning, counts the others and lists them under "Show Details".
//
// The box is not modal and runs no event loop of its own: it belongs to the
// window it was opened over and goes with that window, so no window can be
// deleted under a box that still runs.
class TVK_GUI_WarningBox : public QObject
{
    Q_OBJECT

public:
    // Details keep this many distinct warnings, the newest ones.
    static constexpr int kKeptWarnings = 50;

    explicit TVK_GUI_WarningBox(QObject *parent = nullptr);
    ~TVK_GUI_WarningBox() override;

    // Shows text, in the open box or in a new one over window (null: a
    // window of its own).
    void warn(QWidget *window, const QString &title, const QString &text);

    // The open box, null when there is none.
    QMessageBox *box() const { return m_box.data(); }
    // Warnings the open box has taken, repeats included.
    int count() const { return m_count; }

private:
    struct Entry {
        QString text;
        int repeats;
    };
    void openBox(QWidget *window, const QString &title);
    void fillBox();

    QPointer<QMessageBox> m_box;
    QVector<Entry> m_entries; // oldest first; equal warnings in a row are one entry
    int m_count = 0;
    int m_dropped = 0; // entries that fell out of the details
};
