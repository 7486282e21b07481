// What an initiator sends to the emulated network camera, as the camera's
// PTP/IP server reads it from its command and event connections: Init Command
// and Init Event Requests with names of any length and any version, Operation
// Requests with any data-phase field and parameter count, Start Data, Data
// and End Data of any announced and actual length, Cancel and Probe packets
// anywhere, truncated and oversized packets. The emulator is the camera of
// every test: hostile bytes must end in a refusal or a closed session with a
// log line, never in a fault.
//
// Both connections are real loopback TCP connections to a server of a fresh
// camera. The command connection's bytes go first, and only when the server
// has read and handled all of them does the event connection send its own;
// then both say "no more" and the server closes them. So each input is played
// in the same order every time, whatever the scheduler does.
//
// Input: a 16-bit little-endian length of the command connection's bytes,
// those bytes, then the event connection's bytes (none: no event connection).

#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PtpIpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Far below what a loopback connection buffers, so that writing never waits
// for the server.
constexpr size_t kMaxStreamBytes = 32 * 1024;
// A bound on each wait of the player, far above what an input takes; the
// wait ends quietly when it runs out (libFuzzer's own time-out judges).
constexpr int kSettleMs = 2000;
constexpr int kProduct = 0x2041;

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        std::abort();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 && errno != EINPROGRESS)
        std::abort();
    return fd;
}

// Reads away what the server sent (answers, pictures); false once it closed.
bool drain(int fd)
{
    char bytes[16384];
    for (;;) {
        const ssize_t got = ::recv(fd, bytes, sizeof bytes, 0);
        if (got > 0)
            continue;
        if (got == 0)
            return false;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ENOTCONN;
    }
}

void sendAll(int fd, const uint8_t *bytes, size_t size)
{
    for (size_t done = 0; done < size;) {
        const ssize_t sent = ::send(fd, bytes + done, size - done, MSG_NOSIGNAL);
        if (sent > 0) {
            done += size_t(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            QCoreApplication::processEvents();
            drain(fd);
            continue;
        }
        return; // the server closed the connection: the rest is not read anyway
    }
}

// True when every byte that reached the server's sockets has been read out
// of the kernel and out of the socket's buffer, i.e. handled.
bool serverHasReadAll(const TVK_Emulator_PtpIpServer &server)
{
    for (QTcpSocket *socket : server.findChildren<QTcpSocket *>()) {
        if (socket->state() != QAbstractSocket::ConnectedState)
            continue;
        int queued = 0;
        const int fd = int(socket->socketDescriptor());
        if (socket->bytesAvailable() > 0 || (fd >= 0 && ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0))
            return false;
    }
    return true;
}

// Runs the server's event loop until ready() (or the bound).
template <typename Ready>
void settle(const Ready &ready, const int *clients, int count)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents();
        for (int i = 0; i < count; ++i)
            if (clients[i] >= 0)
                drain(clients[i]);
    } while (!ready() && clock.elapsed() < kSettleMs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_ptpipserver";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *application = [] {
        // The lines go nowhere: a fuzzer must not wait for a terminal.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        setDebugLogCategories(~0, true);
        return new QCoreApplication(argc, argv);
    }();
    (void)application;

    if (size < 2)
        return 0;
    const size_t commandBytes = std::min<size_t>({size_t(data[0] | (data[1] << 8)), size - 2, kMaxStreamBytes});
    const uint8_t *command = data + 2;
    const uint8_t *events = command + commandBytes;
    const size_t eventBytes = std::min(size - 2 - commandBytes, kMaxStreamBytes);

    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct, 7);
    camera->setTimeScale(0.0);
    auto server = std::make_unique<TVK_Emulator_PtpIpServer>(camera);
    if (!server->listen(QHostAddress::LocalHost, 0))
        std::abort();
    // Connections the server has taken: its own handler of the signal runs
    // first, so once this one has counted a connection, the server holds it.
    int accepted = 0;
    QTcpServer *listener = server->findChild<QTcpServer *>();
    if (listener == nullptr)
        std::abort();
    QObject::connect(listener, &QTcpServer::newConnection, listener, [&accepted] { ++accepted; });
    int clients[2] = {connectTo(server->serverPort()), -1};

    sendAll(clients[0], command, commandBytes);
    settle([&] { return accepted >= 1 && serverHasReadAll(*server); }, clients, 2);
    if (eventBytes > 0) {
        clients[1] = connectTo(server->serverPort());
        sendAll(clients[1], events, eventBytes);
        settle([&] { return accepted >= 2 && serverHasReadAll(*server); }, clients, 2);
    }
    // "No more" from the initiator: the server closes what it still holds.
    bool open[2] = {true, clients[1] >= 0};
    for (int i = 0; i < 2; ++i)
        if (clients[i] >= 0)
            ::shutdown(clients[i], SHUT_WR);
    settle(
        [&] {
            for (int i = 0; i < 2; ++i)
                if (open[i])
                    open[i] = drain(clients[i]);
            return !open[0] && !open[1];
        },
        clients, 0);

    server.reset();
    camera.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int fd : clients) {
        if (fd < 0)
            continue;
        // The initiator closed first: without a reset each input would leave
        // its port waiting out TIME_WAIT, thousands a minute.
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(fd);
    }
    return 0;
}
