#include "TVK_GUI_UpdateChecker.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_UpdateDialog.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringList>
#include <QUrl>
#include <QXmlStreamReader>

#include <utility>

namespace {

// The log has always named these steps after the application's own slots.
constexpr char kCheckPrefix[] = "TVK_GUI_Application::checkUpdates()";
constexpr char kDownloadPrefix[] = "TVK_GUI_Application::catchDownloadUpdatesInfo()";
constexpr char kParsePrefix[] = "TVK_GUI_Application::updateVersionFromXml()";
constexpr char kComparePrefix[] = "TVK_GUI_Application::isNewerVersion()";
constexpr char kAnswerPrefix[] = "TVK_GUI_Application::catchUpdateVersion()";

TVK_GUI_UpdateChecker::Sink s_sink;

// The update document is a few hundred bytes, three elements deep. The DOM
// parser recurses once per nesting level, so a document nested deeply enough
// would overflow the stack; its depth is checked first with the stream
// reader, which does not recurse, and anything far beyond the real document
// is refused before the DOM sees it.
constexpr int kMaxUpdateInfoBytes = 64 * 1024;
constexpr int kMaxUpdateInfoDepth = 32;

// The deepest element nesting of a document; stops counting (and returns
// more than limit) as soon as the limit is passed. Malformed XML is left to
// the DOM parser, which reports where it breaks.
int xmlDepth(const QByteArray &xml, int limit)
{
    QXmlStreamReader reader(xml);
    int depth = 0;
    int deepest = 0;
    while (!reader.atEnd() && deepest <= limit) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            deepest = qMax(deepest, ++depth);
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return deepest;
}

// Three dot-separated decimal numbers; false for anything else.
bool parseVersion(const QString &text, quint32 parts[3])
{
    const QStringList fields = text.split(QLatin1Char('.'));
    if (fields.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        const QString &field = fields.at(i);
        if (field.isEmpty())
            return false;
        for (const QChar c : field) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        bool ok = false;
        parts[i] = field.toUInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

void openDialog(QDialog *dialog)
{
    // Never exec(): see the application's own dialogs.
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace

TVK_GUI_UpdateChecker::TVK_GUI_UpdateChecker(DialogParent dialogParent, QObject *parent)
    : QObject(parent)
    , m_dialogParent(std::move(dialogParent))
{
}

TVK_GUI_UpdateChecker::~TVK_GUI_UpdateChecker() = default;

void TVK_GUI_UpdateChecker::setSinkForTesting(Sink sink)
{
    s_sink = std::move(sink);
}

void TVK_GUI_UpdateChecker::checkUpdates(bool automatic)
{
    const char *const prefix = kCheckPrefix;
    m_automaticUpdateCheck = automatic;
    // A manager per check; it goes when its answer has been handled. The
    // certificate of the server is checked as usual: an answer that fails the
    // check is a failed download, never an update.
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &TVK_GUI_UpdateChecker::catchDownloadUpdatesInfo);
    const QUrl address(TVK_GUI_Application::updateInfoAddress());
    debugLog(kLELogAlways, "%s - %s check at %s", prefix, automatic ? "automatic" : "manual",
             qUtf8Printable(address.toString()));
    QNetworkReply *reply = manager->get(QNetworkRequest(address));
    // The document is a few hundred bytes: a server that sends more is not
    // read into memory to the end.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, prefix](qint64 received, qint64) {
        if (received <= kMaxUpdateInfoBytes || !reply->isRunning())
            return;
        debugLog(kLELogAlways, "%s - update information larger than %d bytes; download stopped", prefix,
                 kMaxUpdateInfoBytes);
        reply->abort();
    });
}

void TVK_GUI_UpdateChecker::catchDownloadUpdatesInfo(QNetworkReply *reply)
{
    const char *const prefix = kDownloadPrefix;
    if (reply == nullptr)
        return;
    reply->deleteLater();
    if (reply->manager() != nullptr && reply->manager()->parent() == this)
        reply->manager()->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        debugLog(kLELogAlways, "%s - download failed: %s", prefix, qUtf8Printable(reply->errorString()));
        return;
    }
    QString version;
    if (updateVersionFromXml(reply->readAll(), &version))
        Q_EMIT signalUpdateVersion(version);
}

bool TVK_GUI_UpdateChecker::updateVersionFromXml(const QByteArray &xml, QString *version)
{
    const char *const prefix = kParsePrefix;
    if (xml.size() > kMaxUpdateInfoBytes) {
        debugLog(kLELogAlways, "%s - update information of %d bytes is too large, at most %d expected", prefix,
                 xml.size(), kMaxUpdateInfoBytes);
        return false;
    }
    if (xmlDepth(xml, kMaxUpdateInfoDepth) > kMaxUpdateInfoDepth) {
        debugLog(kLELogAlways, "%s - update information is nested deeper than %d elements", prefix,
                 kMaxUpdateInfoDepth);
        return false;
    }
    QDomDocument document;
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(xml, &error, &line, &column)) {
        debugLog(kLELogAlways, "%s - update information is not XML (line %d, column %d): %s", prefix, line, column,
                 qUtf8Printable(error));
        return false;
    }
    const QDomNodeList infos = document.elementsByTagName(QStringLiteral("UpdateInfo"));
    if (infos.count() != 1) {
        debugLog(kLELogAlways, "%s - %d UpdateInfo elements, expected one", prefix, infos.count());
        return false;
    }
    const QDomElement info = infos.at(0).toElement();
    const QDomElement major = info.firstChildElement(QStringLiteral("MajorWin"));
    const QDomElement minor = info.firstChildElement(QStringLiteral("MinorWin"));
    const QDomElement build = info.firstChildElement(QStringLiteral("BuildWin"));
    if (major.isNull() || minor.isNull() || build.isNull()) {
        debugLog(kLELogAlways, "%s - UpdateInfo without MajorWin, MinorWin and BuildWin", prefix);
        return false;
    }
    *version = major.text() + QLatin1Char('.') + minor.text() + QLatin1Char('.') + build.text();
    return true;
}

bool TVK_GUI_UpdateChecker::isNewerVersion(const QString &version, const QString &current)
{
    const char *const prefix = kComparePrefix;
    quint32 offered[3] = {};
    quint32 own[3] = {};
    if (!parseVersion(version, offered) || !parseVersion(current, own)) {
        debugLog(kLELogAlways, "%s - version \"%s\" or \"%s\" is not three numbers; not newer", prefix,
                 qUtf8Printable(version.left(64)), qUtf8Printable(current.left(64)));
        return false;
    }
    // By number, so that 3.10.0 comes after 3.8.0.
    for (int i = 0; i < 3; ++i) {
        if (offered[i] != own[i])
            return offered[i] > own[i];
    }
    return false;
}

void TVK_GUI_UpdateChecker::catchUpdateVersion(const QString &updateVersion)
{
    const char *const prefix = kAnswerPrefix;
    const QString title = tr("Check Updates", "Update Information dialog title");
    QWidget *parent = m_dialogParent ? m_dialogParent() : nullptr;
    if (isNewerVersion(updateVersion, QCoreApplication::applicationVersion())) {
        debugLog(kLELogAlways, "%s - version %s is available", prefix, qUtf8Printable(updateVersion));
        const QString text = tr("Norba Pellora Update available!\nPlease download latest version from Norba Owner's Area:");
        if (s_sink) {
            s_sink(true, text);
            return;
        }
        auto *dialog = new TVK_GUI_UpdateDialog(parent, title, text, TVK_GUI_Application::ownersAreaAddress());
        dialog->setObjectName(QStringLiteral("UpdateDialog"));
        openDialog(dialog);
        return;
    }
    if (m_automaticUpdateCheck)
        return;
    const QString text = tr("Application is up to date.");
    if (s_sink) {
        s_sink(false, text);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("InfoBox"));
    openDialog(box);
}
