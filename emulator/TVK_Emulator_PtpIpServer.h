#pragma once

#include "TVK_Emulator_Camera.h"
#include "TVK_Platform_CallQueue.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QVector>

#include <deque>
#include <memory>

class QTcpServer;
class QTcpSocket;

// Serves one emulated camera as a network camera over PTP/IP: the camera's
// side of a command connection and an event connection, on one listening
// port. One initiator at a time; a second one is refused as busy until the
// first has gone. Every transaction goes to the camera's transact(), every
// camera event to the event connection.
//
// The peer is not trusted: a packet that cannot be one, a data phase longer
// than announced or larger than any operation takes, or a packet of the wrong
// kind for its connection ends the session with a log line. Nothing is
// allocated for a length the peer announces before that length was checked.
//
// Lives and works on the thread that created it; transactions run there too,
// so one slow answer holds the next request, as on a camera.
class TVK_Emulator_PtpIpServer : public QObject
{
    Q_OBJECT

public:
    // The camera's data phases go out in Data packets of at most this many
    // bytes, the last part in the End Data packet.
    static constexpr int kDataChunkBytes = 1 << 20;
    // Packets other than Data and End Data are small: names and parameters.
    static constexpr quint32 kMaxControlPacketBytes = 4096;
    // A Data packet from the peer: its header, the transaction id and at most
    // the largest data phase the camera takes.
    static constexpr quint32 kMaxDataPacketBytes = 8 + 4 + TVK_Emulator_Camera::kMaxDataOutBytes;
    // What the kernel does not take at once is handed to the socket's buffer
    // in pieces of at most this size (see pumpCommand).
    static constexpr qint64 kHandOverBytes = 64 * 1024;

    explicit TVK_Emulator_PtpIpServer(std::shared_ptr<TVK_Emulator_Camera> camera, QObject *parent = nullptr);
    ~TVK_Emulator_PtpIpServer() override;

    // Port 0: any free port; serverPort() then tells which.
    bool listen(const QHostAddress &address, quint16 port);
    quint16 serverPort() const;
    QHostAddress serverAddress() const;
    QString errorString() const;

    TVK_Emulator_Camera *camera() const { return m_camera.get(); }
    // The camera's GUID in the Init Command Ack: the same for the same product
    // and serial number, so that an initiator that pairs by GUID finds it again.
    QByteArray guid() const { return m_guid; }
    QString friendlyName() const { return m_friendlyName; }
    // An initiator has passed Init Command.
    bool hasInitiator() const { return m_command != nullptr; }
    QString initiatorName() const { return m_initiatorName; }
    // Init Command Requests received so far, refused ones included: what a
    // camera that shows a pairing prompt for each would show.
    int initCommandRequests() const { return m_initCommandRequests; }
    // Refuses every initiator with this Init Fail reason, as a camera paired
    // with another computer does; 0 accepts them again.
    void setRefusal(quint32 reason) { m_refusal = reason; }
    // A camera that hangs in a data-in phase: from now on to the end of the
    // session (the next one when none is open) every Operation Request gets
    // its Start Data and then nothing, the connections staying up. The
    // session after it answers again.
    void stallSession() { m_stalled = true; }

Q_SIGNALS:
    void signalInitiatorConnected(QString initiatorName);
    void signalInitiatorGone();
    void signalTransactionDone(int operationCode, int responseCode);

private:
    // A data-out phase being received for the transaction that announced it.
    struct DataOut {
        bool active = false;
        bool started = false; // Start Data arrived
        quint16 operationCode = 0;
        quint32 transactionId = 0;
        QVector<quint32> params;
        quint64 total = 0;
        QByteArray data;
    };

    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    bool takePacket(QTcpSocket *socket, QByteArray &buffer);
    void handleUnidentified(QTcpSocket *socket, quint32 type, const QByteArray &payload);
    void handleInitCommand(QTcpSocket *socket, const QByteArray &payload);
    void handleInitEvent(QTcpSocket *socket, const QByteArray &payload);
    void handleCommandPacket(quint32 type, const QByteArray &payload);
    void handleEventPacket(quint32 type, const QByteArray &payload);
    void handleOperationRequest(const QByteArray &payload);
    void handleStartData(const QByteArray &payload);
    void handleData(quint32 type, const QByteArray &payload);
    void handleCancel(const QByteArray &payload);
    void runTransaction(quint16 operationCode, quint32 transactionId, const QVector<quint32> &params,
                        TVK_Emulator_Transaction::eLEDataPhase phase, const QByteArray &dataOut);
    void sendDataIn(quint32 transactionId, const TVK_Emulator_DataSource &data);
    // Everything for the command connection goes out through these, in order:
    // size bytes of bytes from offset (-1: to the end), kept alive by bytes
    // itself (shared, not copied) until they are sent.
    void sendOnCommand(const QByteArray &bytes, qint64 offset = 0, qint64 size = -1);
    void sendOnCommand(const TVK_Emulator_DataSource &bytes, qint64 offset, qint64 size);
    void pumpCommand();
    void forwardEvent(const TVK_Emulator_Camera::CameraEvent &event);
    void refuse(QTcpSocket *socket, quint32 reason, const char *why);
    void dropUnidentified(QTcpSocket *socket);
    void retire(QTcpSocket *socket);
    void socketGone(QTcpSocket *socket);
    void endSession(const char *why);

    std::shared_ptr<TVK_Emulator_Camera> m_camera;
    QTcpServer *m_server;
    QByteArray m_guid;
    QString m_friendlyName;

    // Connections that have not yet said what they are.
    QHash<QTcpSocket *, QByteArray> m_unidentified;

    QTcpSocket *m_command = nullptr;
    QByteArray m_commandBuffer;
    struct Outgoing {
        TVK_Emulator_DataSource owner;
        qint64 offset = 0;
        qint64 end = 0;
        // The bytes at offset in memory: the owner's own array when it holds
        // one, else the part made last, from stagedFrom on.
        QByteArray staged;
        qint64 stagedFrom = 0;
    };
    // Where the next bytes of outgoing are and how many follow there.
    static const char *nextBytes(Outgoing &outgoing, qint64 *available);
    std::deque<Outgoing> m_commandOut;
    QTcpSocket *m_event = nullptr;
    QByteArray m_eventBuffer;
    QString m_initiatorName;
    quint32 m_connectionNumber = 0;
    quint32 m_lastConnectionNumber = 0;
    int m_initCommandRequests = 0;
    quint32 m_refusal = 0;
    bool m_stalled = false;
    bool m_sessionOpenedHere = false; // the peer's OpenSession was answered OK
    DataOut m_dataOut;
    // A data phase sent for a transaction that announced none is read and
    // thrown away, not stored.
    bool m_discarding = false;
    quint32 m_discardTransactionId = 0;
    // The events of a capture the initiator asked for carry its transaction.
    bool m_captureRunning = false;
    quint32 m_captureTransactionId = 0;
    // The camera's events, handed over to this object's thread.
    TVK_Platform_CallQueue m_cameraEvents{this};
};
