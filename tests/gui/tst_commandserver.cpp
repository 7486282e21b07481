#include "TVK_GUI_Application.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

// The command server of an application without a camera; the tests never
// quit the application, so they share one process.
namespace {

constexpr int kWaitMs = 20000;
const QByteArray kGreeting("Norba Pellora - TCP Server\r\n");
quint16 g_port = 0;

std::unique_ptr<QTcpSocket> connectClient()
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), g_port);
    return socket;
}

bool waitForGreeting(QTcpSocket *socket)
{
    return QTest::qWaitFor([socket]() { return socket->bytesAvailable() >= kGreeting.size(); }, kWaitMs)
           && socket->readAll() == kGreeting;
}

} // namespace

class tst_CommandServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listensOnTheConfiguredLoopbackPort()
    {
        QCOMPARE(TVK_GUI_Application::instance()->commandServerPort(), g_port);
    }

    void greetsAndClosesOnQ()
    {
        TVK_Test_LogCapture log;
        auto client = connectClient();
        QVERIFY(waitForGreeting(client.get()));
        QVERIFY(log.contains(QStringLiteral("TCP Server - opened connection")));
        client->write("x");
        QVERIFY(QTest::qWaitFor([&log]() {
            return log.contains(QStringLiteral("TVK_GUI_Application::catchTcpCommand() - unknown TCP command 'x'"));
        }, kWaitMs));
        client->write("q");
        QVERIFY(QTest::qWaitFor([&client]() { return client->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
        QVERIFY(log.contains(QStringLiteral("TCP Server - closed connection")));
    }

    void aWaitingClientIsServedOnceTheFirstHasGone()
    {
        auto first = connectClient();
        QVERIFY(waitForGreeting(first.get()));
        auto second = connectClient();
        QVERIFY(QTest::qWaitFor([&second]() { return second->state() == QAbstractSocket::ConnectedState; }, kWaitMs));
        QTest::qWait(300); // bounded: the second client must not be greeted yet
        QCOMPARE(second->bytesAvailable(), qint64(0));
        first->write("Q");
        QVERIFY(waitForGreeting(second.get()));
        second->disconnectFromHost();
    }

    void versionsCompareByNumber_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("newer");
        QTest::newRow("3.9.0") << QStringLiteral("3.9.0") << true;
        QTest::newRow("3.10.0") << QStringLiteral("3.10.0") << true;
        QTest::newRow("3.8.0") << QStringLiteral("3.8.0") << false;
        QTest::newRow("3.7.99") << QStringLiteral("3.7.99") << false;
        QTest::newRow("words") << QStringLiteral("3.x.0") << false;
        QTest::newRow("two parts") << QStringLiteral("4.0") << false;
    }

    void versionsCompareByNumber()
    {
        QFETCH(QString, offered);
        QFETCH(bool, newer);
        QCOMPARE(TVK_GUI_Application::isNewerVersion(offered, QStringLiteral("3.8.0")), newer);
    }
};

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    {
        // A free port of this machine for the server to take.
        QTcpServer probe;
        probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
        g_port = probe.serverPort();
    }
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings::instance()->setTcpServerPort(g_port);
    int result = 0;
    {
        TVK_GUI_Application application(argc, argv);
        tst_CommandServer test;
        result = QTest::qExec(&test, argc, argv);
        TVK_GUI_Settings::destroyInstance();
    }
    return result;
}

#include "tst_commandserver.moc"
