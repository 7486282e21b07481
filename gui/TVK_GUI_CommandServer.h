#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>

class QTcpServer;
class QTcpSocket;

// The remote command server: programs on this machine connect to
// 127.0.0.1, are greeted with one line and send one-letter commands. Each
// "r" or "R" is one release and each "q" or "Q" closes the connection,
// wherever it stands in what a read brings, so what a client gets never
// depends on how TCP cut its bytes; other bytes are ignored.
//
// Up to kMaxClients are served at once, each on its own; a client beyond
// them waits in the listening socket until one has gone. Releases are
// bounded in time, so a flood of "r" cannot queue a camera's lifetime of
// pictures.
class TVK_GUI_CommandServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 8;
    static constexpr int kMaxReleasesPerSecond = 20;

    explicit TVK_GUI_CommandServer(QObject *parent = nullptr);
    ~TVK_GUI_CommandServer() override;

    // Listens on 127.0.0.1 only: the commands release the shutter without asking.
    bool listen(quint16 port, QString *error);
    quint16 port() const;
    int clientCount() const;

    // Takes waiting clients while fewer than kMaxClients are served.
    void acceptClients();
    // Closes the connection (all of them for null), then takes a waiting client.
    void closeClient(QTcpSocket *socket);
    // Ends every connection and stops listening; no client is taken after.
    void shutDown();
    // Reads what the connection (each one for null) has; every chunk leaves
    // as signalChunk and comes back to runCommands, in order.
    void readClient(QTcpSocket *socket);
    // The commands of one chunk, for the connection it came from (the first
    // one served when it came another way).
    void runCommands(const QByteArray &chunk);

Q_SIGNALS:
    void signalChunk(const QByteArray &chunk);
    void signalRelease();

private:
    bool mayRelease();

    QTcpServer *m_server;
    QList<QPointer<QTcpSocket>> m_clients;
    // The connection each chunk came from, oldest first: a "Q" that arrives
    // after its own connection has gone must not close another.
    QQueue<QPointer<QTcpSocket>> m_sources;
    bool m_shuttingDown = false;
    QElapsedTimer m_releaseWindow;
    int m_releasesInWindow = 0;
    int m_releasesDropped = 0;
};
