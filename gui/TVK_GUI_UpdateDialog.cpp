#include "TVK_GUI_UpdateDialog.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 150;

} // namespace

TVK_GUI_UpdateDialog::TVK_GUI_UpdateDialog(QWidget *parent, const QString &title, const QString &text,
                                           const QString &link)
    : QDialog(parent)
    , m_link(link)
{
    setWindowTitle(title);
    setFixedSize(kWidth, kHeight);

    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("lblText"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);

    auto *linkRow = new QHBoxLayout;
    linkRow->setObjectName(QStringLiteral("hlyLink"));
    auto *linkButton = new QPushButton(this);
    linkButton->setObjectName(QStringLiteral("pbnLink"));
    // An "&" in the address would otherwise be taken for a shortcut marker.
    linkButton->setText(QString(link).replace(QLatin1Char('&'), QStringLiteral("&&")));
    linkButton->setFlat(true);
    linkButton->setCursor(Qt::PointingHandCursor);
    linkButton->setAutoDefault(false);
    linkRow->addStretch();
    linkRow->addWidget(linkButton);
    linkRow->addStretch();
    layout->addLayout(linkRow);

    auto *buttonRow = new QHBoxLayout;
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("pbnCancel"));
    buttonRow->addStretch();
    buttonRow->addWidget(cancel);
    layout->addLayout(buttonRow);

    connect(linkButton, &QPushButton::clicked, this, &TVK_GUI_UpdateDialog::catchLinkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TVK_GUI_UpdateDialog::catchLinkClicked()
{
    QDesktopServices::openUrl(QUrl(m_link));
    accept();
}
