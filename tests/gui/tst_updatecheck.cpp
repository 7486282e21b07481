#include "TVK_GUI_Application.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QtTest>

// The update check against an HTTPS server of the test's own on loopback,
// with the certificate checks of a real run left on.
namespace {

constexpr int kWaitMs = 20000;

QByteArray readData(const QString &name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray updateInfo(const char *major, const char *minor, const char *build)
{
    return QByteArray("<?xml version=\"1.0\"?><Updates><UpdateInfo><MajorWin>") + major + "</MajorWin><MinorWin>"
           + minor + "</MinorWin><BuildWin>" + build + "</BuildWin></UpdateInfo></Updates>";
}

// Answers every request with one body, or closes without an answer when
// the body is empty.
class UpdateServer : public QTcpServer
{
public:
    UpdateServer(const QString &certificate, const QString &key)
        : m_certificate(readData(certificate))
        , m_key(readData(key), QSsl::Rsa)
    {
    }
    QByteArray body;
    int finished = 0; // connections answered or closed

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(m_certificate);
        socket->setPrivateKey(m_key);
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, request]() {
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            if (!body.isEmpty()) {
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: "
                              + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->flush();
            }
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QSslSocket::disconnected, socket, [this, socket]() {
            ++finished;
            socket->deleteLater();
        });
        // A client that refuses the certificate ends the handshake.
        QObject::connect(socket, qOverload<const QList<QSslError> &>(&QSslSocket::sslErrors), socket,
                         [this, socket](const QList<QSslError> &) { socket->abort(); });
        socket->startServerEncryption();
    }

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
};

struct Shown {
    bool available = false;
    QString text;
};
QList<Shown> g_shown;

} // namespace

class tst_UpdateCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("this Qt has no TLS support");
        const QSslCertificate trusted(readData(QStringLiteral("updateserver_cert.pem")));
        QVERIFY(!trusted.isNull());
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificate(trusted);
        QSslConfiguration::setDefaultConfiguration(configuration);
    }

    void theAnswerDecides_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<int>("shown"); // -1 nothing, 0 up to date, 1 update available
        QTest::addColumn<QString>("logged"); // a line the check must log, or empty
        QTest::newRow("newer") << updateInfo("3", "9", "0") << false << true << 1 << QString();
        QTest::newRow("same, manual") << updateInfo("3", "8", "0") << false << true << 0 << QString();
        QTest::newRow("same, automatic") << updateInfo("3", "8", "0") << true << true << -1 << QString();
        QTest::newRow("3.10.0 is newer") << updateInfo("3", "10", "0") << false << true << 1 << QString();
        QTest::newRow("older, manual") << updateInfo("3", "7", "99") << false << true << 0 << QString();
        QTest::newRow("two UpdateInfo") << QByteArray("<a>") + updateInfo("3", "9", "0").mid(21)
                                               + updateInfo("3", "9", "0").mid(21) + "</a>"
                                        << false << true << -1 << QString();
        QTest::newRow("broken XML") << QByteArray("<Updates><UpdateInfo><MajorWin>3</Maj") << false << true << -1
                                    << QString();
        QTest::newRow("a version part missing")
            << QByteArray("<UpdateInfo><MajorWin>3</MajorWin><MinorWin>9</MinorWin></UpdateInfo>") << false << true
            << -1 << QString();
        QTest::newRow("no answer") << QByteArray() << false << true << -1 << QString();
        // A document is a few hundred bytes: 20 MB are cut off while they come.
        QTest::newRow("20 MB answer") << updateInfo("3", "9", "0") + QByteArray(20 * 1024 * 1024, ' ') << false
                                      << true << -1 << QStringLiteral("download stopped");
        QTest::newRow("certificate not trusted") << updateInfo("3", "9", "0") << false << false << -1
                                                 << QString();
    }

    void theAnswerDecides()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, automatic);
        QFETCH(bool, trusted);
        QFETCH(int, shown);
        QFETCH(QString, logged);
        TVK_Test_LogCapture log;
        UpdateServer server(trusted ? QStringLiteral("updateserver_cert.pem") : QStringLiteral("untrusted_cert.pem"),
                            trusted ? QStringLiteral("updateserver_key.pem") : QStringLiteral("untrusted_key.pem"));
        server.body = body;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        qputenv("TVK_UPDATE_INFO_URL", QByteArray("https://127.0.0.1:") + QByteArray::number(server.serverPort())
                                           + "/UpdateInfo.xml");
        g_shown.clear();
        QVERIFY(QMetaObject::invokeMethod(TVK_GUI_Application::instance(), "checkUpdates", Q_ARG(bool, automatic)));
        if (shown >= 0) {
            QVERIFY(QTest::qWaitFor([]() { return !g_shown.isEmpty(); }, kWaitMs));
            QCOMPARE(g_shown.size(), 1);
            QCOMPARE(g_shown.first().available, shown == 1);
            QVERIFY2(g_shown.first().text.contains(shown == 1 ? "Update available" : "Application is up to date."),
                     qPrintable(g_shown.first().text));
        } else {
            QVERIFY(QTest::qWaitFor([&server]() { return server.finished > 0; }, kWaitMs));
            QTest::qWait(300); // the answer's handling, were it to show anything
            QCOMPARE(g_shown.size(), 0);
        }
        if (!logged.isEmpty())
            QVERIFY(QTest::qWaitFor([&log, &logged]() { return !log.matching(logged).isEmpty(); }, kWaitMs));
    }
};

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings::instance()->setTcpServerEnabled(false);
    TVK_GUI_Application::setUpdateSinkForTesting(
        [](bool available, const QString &text) { g_shown.append({available, text}); });
    int result = 0;
    {
        TVK_GUI_Application application(argc, argv);
        tst_UpdateCheck test;
        result = QTest::qExec(&test, argc, argv);
        TVK_GUI_Settings::destroyInstance();
    }
    return result;
}

#include "tst_updatecheck.moc"
