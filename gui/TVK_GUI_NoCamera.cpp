#include "TVK_GUI_NoCamera.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 400;
constexpr int kHeight = 250;
constexpr int kSpacing = 6;
constexpr int kMargin = 11;
} // namespace

TVK_GUI_NoCamera::TVK_GUI_NoCamera(QWidget *parent)
    : QMainWindow(parent)
{
    resize(kWidth, kHeight);
    setWindowTitle(QGuiApplication::applicationDisplayName());
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *layout = new QVBoxLayout(central);
    layout->setSpacing(kSpacing);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_label = new QLabel(central);
    m_label->setObjectName(QStringLiteral("lblNoCamera"));
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_label->setText(tr("Connect camera ..."));
    layout->addWidget(m_label);
    setCentralWidget(central);
}

TVK_GUI_NoCamera::~TVK_GUI_NoCamera() = default;

QString TVK_GUI_NoCamera::text() const
{
    return m_label->text();
}

void TVK_GUI_NoCamera::lightroomDetected(bool detected)
{
    m_label->setText(detected ? tr("Lightroom is running.") : tr("Connect camera..."));
}

void TVK_GUI_NoCamera::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}
