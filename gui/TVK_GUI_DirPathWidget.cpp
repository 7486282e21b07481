#include "TVK_GUI_DirPathWidget.h"
#include "ui_TVK_GUI_DirPathWidget.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

TVK_GUI_DirPathWidget::TVK_GUI_DirPathWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_DirPathWidget)
    , m_textTimer(new QTimer(this))
{
    ui->setupUi(this);
    m_textTimer->setObjectName(QStringLiteral("tmrTextDirty"));
    m_textTimer->setSingleShot(true);
    m_textTimer->setInterval(kTextSettleMs);
    ui->ledPath->installEventFilter(this);

    connect(ui->pbnBrowse, &QToolButton::clicked, this, &TVK_GUI_DirPathWidget::catchBrowseButtonClicked);
    connect(ui->ledPath, &QLineEdit::textEdited, this, &TVK_GUI_DirPathWidget::catchTextEdited);
    connect(m_textTimer, &QTimer::timeout, this, &TVK_GUI_DirPathWidget::catchTextDirtyFired);
}

TVK_GUI_DirPathWidget::~TVK_GUI_DirPathWidget()
{
    // The field loses the focus while the children go; no check may run then.
    ui->ledPath->removeEventFilter(this);
    delete ui;
}

void TVK_GUI_DirPathWidget::setPath(const QString &path)
{
    m_editedPath = path;
    if (path != m_committedPath) {
        m_committedPath = path;
        ui->ledPath->setText(path);
    }
}

void TVK_GUI_DirPathWidget::commit(const QString &path)
{
    m_editedPath = path;
    if (path == m_committedPath)
        return;
    m_committedPath = path;
    ui->ledPath->setText(path);
    Q_EMIT signalPath(path);
}

void TVK_GUI_DirPathWidget::catchBrowseButtonClicked()
{
    browseDirectory(m_committedPath);
}

void TVK_GUI_DirPathWidget::answerBrowse(const QString &chosen)
{
    if (chosen.isEmpty())
        return;
    commit(QDir::toNativeSeparators(chosen));
}

void TVK_GUI_DirPathWidget::catchTextEdited(const QString &text)
{
    if (text.isEmpty())
        return;
    m_editedPath = text;
    if (QDir(text).exists()) {
        m_textTimer->stop();
        m_committedPath = m_editedPath;
        Q_EMIT signalPath(m_committedPath);
        return;
    }
    m_textTimer->start();
}

void TVK_GUI_DirPathWidget::catchTextDirtyFired()
{
    checkEditedPath();
}

void TVK_GUI_DirPathWidget::checkEditedPath()
{
    // The question box takes the focus away from the field; that focus-out
    // must not start a second check while the question is open.
    if (m_isChecking)
        return;
    m_textTimer->stop();
    m_checkedPath = m_editedPath;
    if (QDir(m_checkedPath).exists())
        return;
    m_isChecking = true;
    askCreatePath(m_checkedPath);
}

void TVK_GUI_DirPathWidget::answerCreatePath(int button)
{
    m_isChecking = false;
    const QString path = m_checkedPath;
    switch (button) {
    case QMessageBox::Yes:
        if (QDir().mkpath(path)) {
            commit(path);
        } else {
            tellCannotCreate(path);
            m_textTimer->start();
            giveFocusBack();
        }
        break;
    case QMessageBox::No:
        m_textTimer->start();
        giveFocusBack();
        break;
    default:  // Cancel, or the box closed another way
        m_editedPath = m_committedPath;
        ui->ledPath->setText(m_committedPath);
        giveFocusBack();
        break;
    }
}

void TVK_GUI_DirPathWidget::giveFocusBack()
{
    window()->activateWindow();
    ui->ledPath->setFocus();
}

// The dialogs are children of this field and open without an event loop of
// their own: when the camera window goes while one is open, it goes with it.
void TVK_GUI_DirPathWidget::askCreatePath(const QString &)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Warning"),
                                QStringLiteral("Path does not exist!\nCreate this path?"),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("CreatePathBox"));
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this, box]() { answerCreatePath(box->standardButton(box->clickedButton())); });
    box->open();
}

void TVK_GUI_DirPathWidget::tellCannotCreate(const QString &)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Warning"),
                                QStringLiteral("Cannot create this path!"), QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("CannotCreateBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TVK_GUI_DirPathWidget::browseDirectory(const QString &startPath)
{
    auto *dialog = new QFileDialog(this, QString(), startPath);
    dialog->setObjectName(QStringLiteral("BrowseDialog"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &TVK_GUI_DirPathWidget::answerBrowse);
    dialog->open();
}

bool TVK_GUI_DirPathWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->ledPath) {
        if (event->type() == QEvent::FocusIn) {
            m_editedPath = ui->ledPath->text();
        } else if (event->type() == QEvent::FocusOut) {
            if (m_editedPath != m_committedPath && !m_isChecking)
                checkEditedPath();
        }
    }
    return QWidget::eventFilter(watched, event);
}
