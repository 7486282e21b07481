#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QNetworkReply;
class QWidget;

// Asks the program's web site whether a newer version exists: downloads the
// small update information document, reads the version it offers and
// compares it with the program's own. A newer one is announced in the update
// dialog; a check the user asked for that finds nothing newer says so.
class TVK_GUI_UpdateChecker : public QObject
{
    Q_OBJECT

public:
    // The window the answer's dialog opens over, asked when the answer comes.
    using DialogParent = std::function<QWidget *()>;
    using Sink = std::function<void(bool updateAvailable, const QString &text)>;

    explicit TVK_GUI_UpdateChecker(DialogParent dialogParent, QObject *parent = nullptr);
    ~TVK_GUI_UpdateChecker() override;

    // The answer goes here instead of into a dialog.
    static void setSinkForTesting(Sink sink);

    static bool updateVersionFromXml(const QByteArray &xml, QString *version);
    static bool isNewerVersion(const QString &version, const QString &current);

    void checkUpdates(bool automatic);
    void catchDownloadUpdatesInfo(QNetworkReply *reply);
    void catchUpdateVersion(const QString &updateVersion);

Q_SIGNALS:
    void signalUpdateVersion(const QString &version);

private:
    DialogParent m_dialogParent;
    bool m_automaticUpdateCheck = false;
};
