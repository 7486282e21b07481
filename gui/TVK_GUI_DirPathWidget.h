#pragma once

#include <QString>
#include <QWidget>

class QTimer;

namespace Ui {
class TVK_GUI_DirPathWidget;
}

// A download folder: a text field and a browse button.
//
// A typed folder that exists is taken at once. A folder that does not exist
// is offered for creation once the user pauses (3 s) or leaves the field;
// until then the last good folder stays committed, so a half-typed path never
// reaches the folder settings.
class TVK_GUI_DirPathWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kTextSettleMs = 3000;

    explicit TVK_GUI_DirPathWidget(QWidget *parent = nullptr);
    ~TVK_GUI_DirPathWidget() override;

    QString committedPath() const { return m_committedPath; }
    QString editedPath() const { return m_editedPath; }
    // The settle timer, named "tmrTextDirty".
    QTimer *textTimer() const { return m_textTimer; }

Q_SIGNALS:
    void signalPath(const QString &path);

public Q_SLOTS:
    void setPath(const QString &path);

private Q_SLOTS:
    void catchBrowseButtonClicked();
    void catchTextEdited(const QString &text);
    void catchTextDirtyFired();

protected:
    // The user's side of the dialogs; tests answer in their place. Each
    // opens its dialog and returns; the answer comes later:
    // askCreatePath's to answerCreatePath (QMessageBox::Yes, No or Cancel),
    // browseDirectory's to answerBrowse (empty when the user cancelled).
    virtual void askCreatePath(const QString &path);
    virtual void tellCannotCreate(const QString &path);
    virtual void browseDirectory(const QString &startPath);
    void answerCreatePath(int button);
    void answerBrowse(const QString &chosen);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkEditedPath();
    void commit(const QString &path);
    void giveFocusBack();

    Ui::TVK_GUI_DirPathWidget *ui;
    QString m_committedPath;
    QString m_editedPath;
    QString m_checkedPath; // the folder the open question is about
    bool m_isChecking = false;
    QTimer *m_textTimer;
};
