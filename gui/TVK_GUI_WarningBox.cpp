#include "TVK_GUI_WarningBox.h"

#include <QMessageBox>
#include <QStringList>

TVK_GUI_WarningBox::TVK_GUI_WarningBox(QObject *parent)
    : QObject(parent)
{
}

TVK_GUI_WarningBox::~TVK_GUI_WarningBox()
{
    // A box whose window is still there would stay on screen with nothing
    // behind it.
    delete m_box.data();
}

void TVK_GUI_WarningBox::warn(QWidget *window, const QString &title, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!m_box) {
        m_entries.clear();
        m_count = 0;
        m_dropped = 0;
        openBox(window, title);
    }
    ++m_count;
    if (!m_entries.isEmpty() && m_entries.last().text == text) {
        ++m_entries.last().repeats;
    } else {
        m_entries.append({text, 1});
        if (m_entries.size() > kKeptWarnings) {
            m_entries.removeFirst();
            ++m_dropped;
        }
    }
    fillBox();
    m_box->show();
}

void TVK_GUI_WarningBox::openBox(QWidget *window, const QString &title)
{
    m_box = new QMessageBox(QMessageBox::Warning, title, QString(), QMessageBox::Ok, window);
    m_box->setObjectName(QStringLiteral("WarningBox"));
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    m_box->setWindowModality(Qt::NonModal);
}

void TVK_GUI_WarningBox::fillBox()
{
    m_box->setText(m_entries.last().text);
    const int others = m_count - 1;
    if (others == 0) {
        m_box->setInformativeText(QString());
        m_box->setDetailedText(QString());
        return;
    }
    m_box->setInformativeText(others == 1 ? tr("1 more warning since the first one.")
                                          : tr("%1 more warnings since the first one.").arg(others));
    QStringList lines;
    if (m_dropped > 0)
        lines << tr("(%1 earlier warnings not listed)").arg(m_dropped);
    for (const Entry &entry : qAsConst(m_entries))
        lines << (entry.repeats == 1 ? entry.text : tr("%1 (%2 times)").arg(entry.text).arg(entry.repeats));
    m_box->setDetailedText(lines.join(QLatin1Char('\n')));
}
