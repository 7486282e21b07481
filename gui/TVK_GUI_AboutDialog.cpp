#include "TVK_GUI_AboutDialog.h"
#include "ui_TVK_GUI_AboutDialog.h"

#include "TVK_Debug_Log.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {
constexpr int kNameWeight = 75;
constexpr int kNameGrowth = 2; // points (pixels for a font sized in pixels)
const char *const kLogo = "<img src=\":/TVK_GUI/images/NorbaLogo.png\"/>";
const char *const kCopyright = "Copyright &copy; 2026 Norba Camera AG. All rights reserved.";
} // namespace

TVK_GUI_AboutDialog::TVK_GUI_AboutDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_ui(std::make_unique<Ui::TVK_GUI_AboutDialog>())
{
    m_ui->setupUi(this);
    setWindowTitle(QString());

    m_ui->lblLogo->setTextFormat(Qt::RichText);
    m_ui->lblLogo->setText(QString::fromLatin1(kLogo));

    QFont nameFont = m_ui->lblAppVersion->font();
    nameFont.setWeight(kNameWeight);
    if (nameFont.pointSizeF() > 0)
        nameFont.setPointSizeF(nameFont.pointSizeF() + kNameGrowth);
    else
        nameFont.setPixelSize(nameFont.pixelSize() + kNameGrowth);
    m_ui->lblAppName->setFont(nameFont);
    m_ui->lblAppName->setText(QGuiApplication::applicationDisplayName());

    m_ui->lblAppVersion->setText(versionText(QCoreApplication::applicationVersion()));

    m_ui->lblCopyright->setTextFormat(Qt::RichText);
    m_ui->lblCopyright->setText(QString::fromLatin1(kCopyright));
}

TVK_GUI_AboutDialog::~TVK_GUI_AboutDialog() = default;

QString TVK_GUI_AboutDialog::versionText(const QString &version)
{
    TVK_METHOD(prefix);
    const QStringList numbers = version.split(QLatin1Char('.'));
    if (numbers.size() < 2)
        debugLog(kLELogAlways, "%s - incomplete version %s", prefix, qUtf8Printable(version));
    QString text = tr("Version") + QLatin1Char(' ') + numbers.value(0) + QLatin1Char('.') + numbers.value(1, QStringLiteral("0"));
    // A missing third number reads like "0": nothing is added.
    const QString third = numbers.value(2);
    if (!third.isEmpty() && third != QLatin1String("0"))
        text += QLatin1Char('.') + third;
    return text;
}
