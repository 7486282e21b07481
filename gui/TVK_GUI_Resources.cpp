#include "TVK_GUI_Resources.h"

#include "TVK_Debug_Log.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <mutex>

namespace {

// Written by the GUI thread at start, read by every read-out built later.
std::mutex g_fontMutex;
QString g_panelFontFamily;

} // namespace

// Q_INIT_RESOURCE names a global function, so it must be used outside any namespace.
static void registerBundles()
{
    Q_INIT_RESOURCE(tvk_gui_images);
    Q_INIT_RESOURCE(tvk_gui_static);
}

void TVK_GUI_Resources::initialize()
{
    static std::once_flag once;
    std::call_once(once, registerBundles);
}

QString TVK_GUI_Resources::styleSheet(const char *caller)
{
    TVK_METHOD(own);
    const char *method = caller != nullptr ? caller : own;
    initialize();
    QFile file(QStringLiteral(":/TVK_GUI/Resources/style.css"));
    if (!file.open(QIODevice::ReadOnly)) {
        debugLog(kLELogAlways, "%s - cannot find style.css", method);
        return QString();
    }
    QByteArray bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}

bool TVK_GUI_Resources::applyStyleSheet(QWidget *widget)
{
    if (!widget)
        return false;
    const QString sheet = styleSheet();
    if (sheet.isEmpty())
        return false;
    widget->setStyleSheet(sheet);
    return true;
}

QString TVK_GUI_Resources::registerFont()
{
    initialize();
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/TVK_GUI/fonts/Dalmo_Regular.ttf"));
    if (id < 0)
        return QString();
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    const QString family = families.isEmpty() ? QString() : families.first();
    const std::lock_guard<std::mutex> lock(g_fontMutex);
    g_panelFontFamily = family;
    return family;
}

QString TVK_GUI_Resources::panelFontFamily()
{
    const std::lock_guard<std::mutex> lock(g_fontMutex);
    return g_panelFontFamily;
}

void TVK_GUI_Resources::applyPanelFont(QWidget *widget)
{
    const QString family = panelFontFamily();
    if (!widget || family.isEmpty())
        return;
    QFont font = widget->font();
    font.setFamily(family);
    widget->setFont(font);
}

void TVK_GUI_Resources::applyPanelFont(QWidget *widget, int pixelSize)
{
    if (!widget)
        return;
    QFont font = widget->font();
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    widget->setFont(font);
    applyPanelFont(widget);
}

QIcon TVK_GUI_Resources::windowIcon()
{
    TVK_METHOD(prefix);
    initialize();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/TVK_GUI/icons/norba-pellora-%1.png").arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
        else
            debugLog(kLELogAlways, "%s - cannot find %s", prefix, qUtf8Printable(path));
    }
    return icon;
}
