#include "TVK_GUI_CommandServer.h"

#include "TVK_Debug_Log.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Sent once to every client taken.
constexpr char kGreeting[] = "Norba Pellora - TCP Server\r\n";
constexpr int kGreetingWaitMs = 3000;
// A client that floods the server gets its bytes taken in slices of this
// size: memory stays bounded and the event loop gets a turn between slices.
constexpr qint64 kReadBufferBytes = 64 * 1024;
constexpr size_t kDumpLines = 10;
constexpr size_t kDumpBytesPerLine = 16;
constexpr qint64 kReleaseWindowMs = 1000;

bool isSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

} // namespace

TVK_GUI_CommandServer::TVK_GUI_CommandServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TVK_GUI_CommandServer::acceptClients);
}

TVK_GUI_CommandServer::~TVK_GUI_CommandServer()
{
    shutDown();
}

bool TVK_GUI_CommandServer::listen(quint16 port, QString *error)
{
    if (m_server->listen(QHostAddress(QHostAddress::LocalHost), port))
        return true;
    if (error != nullptr)
        *error = m_server->errorString();
    return false;
}

quint16 TVK_GUI_CommandServer::port() const
{
    return m_server->isListening() ? m_server->serverPort() : 0;
}

int TVK_GUI_CommandServer::clientCount() const
{
    int count = 0;
    for (const QPointer<QTcpSocket> &client : m_clients)
        count += client ? 1 : 0;
    return count;
}

void TVK_GUI_CommandServer::acceptClients()
{
    m_clients.removeAll(nullptr);
    while (!m_shuttingDown && m_clients.size() < kMaxClients && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (socket == nullptr)
            return;
        // A client that gave up while it waited would never report its
        // disconnection and would hold a place for good.
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        m_clients.append(socket);
        socket->setReadBufferSize(kReadBufferBytes);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { closeClient(socket); });
        socket->write(kGreeting, qint64(sizeof kGreeting - 1));
        socket->flush();
        socket->waitForBytesWritten(kGreetingWaitMs);
        debugLog(kLELogTcpServer, "TCP Server - opened connection");
        // The client may have sent its first command with the greeting still
        // on the way; it is read like any other.
        if (socket->bytesAvailable() > 0)
            readClient(socket);
    }
}

void TVK_GUI_CommandServer::closeClient(QTcpSocket *socket)
{
    const QList<QPointer<QTcpSocket>> clients = m_clients;
    for (const QPointer<QTcpSocket> &client : clients) {
        if (!client || (socket != nullptr && client.data() != socket))
            continue;
        m_clients.removeAll(client);
        disconnect(client.data(), nullptr, this, nullptr);
        // Closed here, not only deleted later: the client learns at once
        // that its connection has ended.
        client->close();
        client->deleteLater();
        debugLog(kLELogTcpServer, "TCP Server - closed connection");
    }
    // The server announces a waiting client only once, when it arrives; it
    // is taken now rather than when yet another client happens to connect.
    acceptClients();
}

void TVK_GUI_CommandServer::shutDown()
{
    m_shuttingDown = true;
    closeClient(nullptr);
    m_server->close();
}

void TVK_GUI_CommandServer::readClient(QTcpSocket *socket)
{
    for (const QPointer<QTcpSocket> &client : QList<QPointer<QTcpSocket>>(m_clients)) {
        if (!client || (socket != nullptr && client.data() != socket))
            continue;
        // At most the read buffer per call, so this ends after a slice even
        // while a client floods the connection.
        while (client && client->bytesAvailable() > 0) {
            const QByteArray chunk = client->readAll();
            m_sources.enqueue(client);
            Q_EMIT signalChunk(chunk);
        }
    }
}

void TVK_GUI_CommandServer::runCommands(const QByteArray &chunk)
{
    QPointer<QTcpSocket> source;
    if (!m_sources.isEmpty())
        source = m_sources.dequeue();
    else if (!m_clients.isEmpty())
        source = m_clients.first();
    if (debugLogEnabled(kLELogTcpServer))
        debugHexDump(QStringLiteral("TCP Server - reading:"), QStringLiteral("tcpBuffer"), chunk, kDumpLines,
                     kDumpBytesPerLine);
    bool unknownLogged = false;
    for (const char byte : chunk) {
        switch (byte) {
        case 'Q':
        case 'q':
            // The rest of the chunk went with its connection. A "Q" of a
            // connection already gone is meant for nobody served now.
            if (source)
                closeClient(source.data());
            return;
        case 'R':
        case 'r':
            if (mayRelease())
                Q_EMIT signalRelease();
            break;
        default:
            if (isSpace(byte) || unknownLogged)
                break;
            // One line a chunk: a stream of garbage must not become a stream of log lines.
            unknownLogged = true;
            if (static_cast<unsigned char>(byte) >= 0x20 && static_cast<unsigned char>(byte) < 0x7F)
                debugLog(kLELogAlways, "TVK_GUI_Application::catchTcpCommand() - unknown TCP command '%c'", byte);
            else
                debugLog(kLELogAlways, "TVK_GUI_Application::catchTcpCommand() - unknown TCP command 0x%02X",
                         unsigned(static_cast<unsigned char>(byte)));
            break;
        }
    }
}

bool TVK_GUI_CommandServer::mayRelease()
{
    if (!m_releaseWindow.isValid() || m_releaseWindow.elapsed() >= kReleaseWindowMs) {
        if (m_releasesDropped > 0)
            debugLog(kLELogAlways, "TCP Server - %d releases beyond %d a second were dropped", m_releasesDropped,
                     kMaxReleasesPerSecond);
        m_releaseWindow.start();
        m_releasesInWindow = 0;
        m_releasesDropped = 0;
    }
    if (m_releasesInWindow >= kMaxReleasesPerSecond) {
        ++m_releasesDropped;
        return false;
    }
    ++m_releasesInWindow;
    return true;
}
