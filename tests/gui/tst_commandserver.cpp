#include "TVK_GUI_Application.h"
#include "TVK_GUI_CommandServer.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// The command server of an application without a camera; the tests never
// quit the application, so they share one process.
namespace {

constexpr int kWaitMs = 20000;
const QByteArray kGreeting("Norba Pellora - TCP Server\r\n");
quint16 g_port = 0;
// The settings the application was started with; the checks of the other
// setups run in processes of their own (see the CMake file).
enum class Setup { kNormal, kSwitchedOff, kPortInUse };
Setup g_setup = Setup::kNormal;

// Counts how late the GUI thread runs a 10 ms timer: the measure of whether a
// client can make the program stop answering.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this]() {
            m_worst = qMax(m_worst, m_sinceTick.restart());
        });
        m_sinceTick.start();
        m_timer.start();
    }
    qint64 worstGapMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_worst = 0;
};

// Writes bytes to the server from a thread of its own with a plain blocking
// socket, as another program would; the GUI thread stays free to serve.
class FloodingClient
{
public:
    explicit FloodingClient(QByteArray bytes)
        : m_bytes(std::move(bytes))
        , m_socket(::socket(AF_INET, SOCK_STREAM, 0))
        , m_thread([this]() { run(); })
    {
    }
    ~FloodingClient()
    {
        // A failed check leaves early, maybe while the thread still blocks
        // in send(): the shutdown ends that call, so the join cannot hang.
        if (m_socket >= 0)
            ::shutdown(m_socket, SHUT_RDWR);
        m_thread.join();
        if (m_socket >= 0)
            ::close(m_socket);
    }
    bool done() const { return m_done.load(); }
    qint64 written() const { return m_written.load(); }
    // Reads what the server sent (the greeting) once the flood is over.
    QByteArray received() const { return m_received; }

private:
    void run()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(g_port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_socket >= 0 && ::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
            const char *data = m_bytes.constData();
            qint64 left = m_bytes.size();
            while (left > 0) {
                const ssize_t sent = ::send(m_socket, data, size_t(qMin<qint64>(left, 256 * 1024)), MSG_NOSIGNAL);
                if (sent <= 0)
                    break;
                data += sent;
                left -= sent;
                m_written += sent;
            }
            char greeting[64];
            const ssize_t got = ::recv(m_socket, greeting, sizeof greeting, MSG_DONTWAIT);
            if (got > 0)
                m_received = QByteArray(greeting, int(got));
        }
        m_done = true;
    }

    QByteArray m_bytes;
    const int m_socket; // made before the thread starts, closed after it ended
    std::atomic<qint64> m_written{0};
    std::atomic<bool> m_done{false};
    QByteArray m_received;
    std::thread m_thread;
};

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

    // Clients are served side by side up to the bound, so one that connects
    // and sits idle locks nobody out; one beyond it waits until one has gone.
    void clientsAreServedSideBySideUpToTheBound()
    {
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < TVK_GUI_CommandServer::kMaxClients; ++i) {
            clients.push_back(connectClient());
            QVERIFY(waitForGreeting(clients.back().get()));
        }
        auto waiting = connectClient();
        QVERIFY(QTest::qWaitFor([&waiting]() { return waiting->state() == QAbstractSocket::ConnectedState; }, kWaitMs));
        QTest::qWait(300); // bounded: the client beyond the bound must not be greeted yet
        QCOMPARE(waiting->bytesAvailable(), qint64(0));
        TVK_Test_LogCapture log;
        clients.back()->write("x");
        QVERIFY(QTest::qWaitFor([&log]() { return !log.matching(QStringLiteral("unknown TCP command 'x'")).isEmpty(); }, kWaitMs));
        clients.front()->write("Q");
        QVERIFY(waitForGreeting(waiting.get()));
        for (auto &client : clients)
            client->disconnectFromHost();
        waiting->disconnectFromHost();
    }

    // Each "r" is one release and each "q" ends the connection, however TCP
    // cut the bytes; releases beyond the bound in a second are dropped.
    void everyReleaseByteIsOneRelease_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<int>("releases");
        QTest::addColumn<bool>("closes");
        QList<QByteArray> tenWrites;
        for (int i = 0; i < 10; ++i)
            tenWrites << QByteArray("r");
        QTest::newRow("ten writes") << tenWrites << 10 << false;
        QTest::newRow("one write") << QList<QByteArray>{QByteArray(10, 'r')} << 10 << false;
        QTest::newRow("a line") << QList<QByteArray>{"R\r\n"} << 1 << false;
        QTest::newRow("quit within") << QList<QByteArray>{"rQr"} << 1 << true;
        QTest::newRow("garbage") << QList<QByteArray>{"x1 \t~"} << 0 << false;
        QTest::newRow("flood") << QList<QByteArray>{QByteArray(1000, 'r')} << TVK_GUI_CommandServer::kMaxReleasesPerSecond
                               << false;
    }

    void everyReleaseByteIsOneRelease()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(int, releases);
        QFETCH(bool, closes);
        TVK_GUI_CommandServer server;
        QVERIFY(server.listen(0, nullptr));
        connect(&server, &TVK_GUI_CommandServer::signalChunk, &server, &TVK_GUI_CommandServer::runCommands,
                Qt::QueuedConnection);
        QSignalSpy released(&server, &TVK_GUI_CommandServer::signalRelease);
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
        QVERIFY(waitForGreeting(&client));
        QElapsedTimer clock;
        clock.start();
        for (const QByteArray &bytes : writes) {
            client.write(bytes);
            QVERIFY(client.waitForBytesWritten(kWaitMs));
        }
        // A "Q" behind the bytes says when all of them were taken.
        if (!closes)
            client.write("Q");
        QVERIFY(QTest::qWaitFor([&client]() { return client.state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
        if (releases < TVK_GUI_CommandServer::kMaxReleasesPerSecond) {
            QCOMPARE(released.count(), releases);
        } else {
            // A loaded machine may spread the bytes over more than one second.
            const int bound = releases * int(clock.elapsed() / 1000 + 1);
            QVERIFY2(released.count() >= releases && released.count() <= bound, qPrintable(QString::number(released.count())));
        }
        QCOMPARE(server.clientCount(), 0);
    }

    // Bytes of every kind but the two that end a connection, in chunks of
    // every size: each is one command to ignore or act on, and none stops
    // the server.
    void randomChunksLeaveTheServerServing()
    {
        if (g_setup != Setup::kNormal)
            QSKIP("runs with the server on");
        TVK_Test_LogCapture log;
        auto client = connectClient();
        QVERIFY(waitForGreeting(client.get()));
        QRandomGenerator random(20261209);
        qint64 total = 0;
        for (int i = 0; i < 10000; ++i) {
            QByteArray chunk(int(random.bounded(1, 64)), Qt::Uninitialized);
            for (char &byte : chunk) {
                do {
                    byte = char(random.bounded(256));
                } while (byte == 'q' || byte == 'Q');
            }
            client->write(chunk);
            total += chunk.size();
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        QVERIFY(client->waitForBytesWritten(kWaitMs) || client->bytesToWrite() == 0);
        QVERIFY(QTest::qWaitFor([&client]() { return client->bytesToWrite() == 0; }, kWaitMs));
        // Still the same connection, still answering. Only the first byte of
        // what one read takes is a command, and the "~" may be read together
        // with the last random bytes: it is sent again until it is heard. The
        // random bytes held "~"s of their own, hence the clear.
        log.clear();
        QElapsedTimer resend;
        client->write("\x7e");
        resend.start();
        QVERIFY(QTest::qWaitFor([&]() {
            if (log.contains(QStringLiteral("TVK_GUI_Application::catchTcpCommand() - unknown TCP command '~'")))
                return true;
            if (resend.elapsed() > 500) {
                client->write("\x7e");
                resend.restart();
            }
            return false;
        }, 6 * kWaitMs));
        QCOMPARE(client->state(), QAbstractSocket::ConnectedState);
        QVERIFY(total > 10000);
        client->write("q");
        QVERIFY(QTest::qWaitFor([&client]() { return client->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    }

    // A client that sends 10 MB as fast as it can is read in slices: the
    // program keeps running its timers meanwhile, and serves the next client.
    void aFloodingClientDoesNotStallTheProgram()
    {
        if (g_setup != Setup::kNormal)
            QSKIP("runs with the server on");
        StallMeter meter;
        QElapsedTimer clock;
        clock.start();
        {
            FloodingClient flood(QByteArray(10 * 1024 * 1024, 'z'));
            QVERIFY(QTest::qWaitFor([&flood]() { return flood.done(); }, 60000));
            QCOMPARE(flood.written(), qint64(10 * 1024 * 1024));
            QCOMPARE(flood.received(), kGreeting);
        }
        qInfo("10 MB taken in %lld ms; the GUI thread's worst timer gap meanwhile %lld ms", clock.elapsed(),
              meter.worstGapMs());
        // A hang detector, not a speed goal: the bound leaves room for a
        // loaded machine and the sanitizers.
        QVERIFY2(meter.worstGapMs() < 5000, qPrintable(QString::number(meter.worstGapMs())));
        auto next = connectClient();
        QVERIFY(waitForGreeting(next.get()));
        next->write("q");
        QVERIFY(QTest::qWaitFor([&next]() { return next->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    }

    // The commands release the shutter: nobody on the network may send them.
    void otherAddressesOfThisMachineAreRefused()
    {
        if (g_setup != Setup::kNormal)
            QSKIP("runs with the server on");
        QHostAddress outside;
        for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
            if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol) {
                outside = address;
                break;
            }
        }
        if (outside.isNull())
            QSKIP("this machine has no address but loopback");
        QTcpSocket client;
        client.connectToHost(outside, g_port);
        // Refused at once, or dropped by a firewall: never connected.
        QVERIFY(!client.waitForConnected(5000));
    }

    void aServerSwitchedOffDoesNotListen()
    {
        if (g_setup != Setup::kSwitchedOff)
            QSKIP("runs in a process of its own");
        QCOMPARE(TVK_GUI_Application::instance()->commandServerPort(), quint16(0));
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), g_port);
        QVERIFY(!client.waitForConnected(kWaitMs));
    }

    // Another program holds the port: the program runs on without a server,
    // and says why.
    void aPortInUseLeavesTheProgramWithoutServer()
    {
        if (g_setup != Setup::kPortInUse)
            QSKIP("runs in a process of its own");
        QCOMPARE(TVK_GUI_Application::instance()->commandServerPort(), quint16(0));
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
    const QByteArray function = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (function == "aServerSwitchedOffDoesNotListen")
        g_setup = Setup::kSwitchedOff;
    else if (function == "aPortInUseLeavesTheProgramWithoutServer")
        g_setup = Setup::kPortInUse;
    // A free port of this machine for the server to take, or, for the port in
    // use, one held by this test throughout.
    QTcpServer holder;
    holder.listen(QHostAddress(QHostAddress::LocalHost), 0);
    g_port = holder.serverPort();
    if (g_setup != Setup::kPortInUse)
        holder.close();
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Settings::instance()->setTcpServerPort(g_port);
    TVK_GUI_Settings::instance()->setTcpServerEnabled(g_setup != Setup::kSwitchedOff);
    int result = 0;
    {
        TVK_Test_LogCapture log;
        TVK_GUI_Application application(argc, argv);
        if (g_setup == Setup::kPortInUse
            && log.matching(QStringLiteral("TCP Server cannot listen on 127.0.0.1:%1").arg(g_port)).isEmpty()) {
            qCritical("no log line names the port in use");
            return 1;
        }
        tst_CommandServer test;
        result = QTest::qExec(&test, argc, argv);
        TVK_GUI_Settings::destroyInstance();
    }
    return result;
}

#include "tst_commandserver.moc"
