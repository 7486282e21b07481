#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PtpIpServer.h"
#include "TVK_Test_LogCapture.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using Camera = TVK_Emulator_Camera;
using Server = TVK_Emulator_PtpIpServer;
using Phase = TVK_Emulator_Transaction;

namespace {

// Written here from the framing rules, not taken from the server: the test is
// a second reading of the same packets.
enum : quint32 {
    kInitCommandRequest = 1,
    kInitCommandAck = 2,
    kInitEventRequest = 3,
    kInitEventAck = 4,
    kInitFail = 5,
    kOperationRequest = 6,
    kOperationResponse = 7,
    kEvent = 8,
    kStartData = 9,
    kData = 10,
    kCancel = 11,
    kEndData = 12,
    kProbeRequest = 13,
    kProbeResponse = 14
};

constexpr int kWaitMs = 20000;
constexpr quint16 kOpGetDeviceInfo = 0x1001;
constexpr quint16 kOpOpenSession = 0x1002;
constexpr quint16 kOpCloseSession = 0x1003;
constexpr quint16 kOpGetStorageIds = 0x1004;
constexpr quint16 kOpGetStorageInfo = 0x1005;
constexpr quint16 kOpGetNumObjects = 0x1006;
constexpr quint16 kOpGetObjectHandles = 0x1007;
constexpr quint16 kOpGetObject = 0x1009;
constexpr quint16 kOpInitiateCapture = 0x100E;
constexpr quint16 kOpGetDevicePropValue = 0x1015;
constexpr quint16 kOpSetDevicePropValue = 0x1016;
constexpr quint16 kPropWhiteBalance = 0x5005;
constexpr quint16 kEventObjectAdded = 0x4002;
constexpr quint16 kEventCaptureComplete = 0x400D;

void putU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF)).append(char(value >> 8));
}

void putU32(QByteArray &bytes, quint32 value)
{
    putU16(bytes, quint16(value));
    putU16(bytes, quint16(value >> 16));
}

void putU64(QByteArray &bytes, quint64 value)
{
    putU32(bytes, quint32(value));
    putU32(bytes, quint32(value >> 32));
}

quint32 u32At(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 4 > bytes.size())
        return 0;
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value |= quint32(uchar(bytes.at(offset + i))) << (8 * i);
    return value;
}

quint16 u16At(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 2 > bytes.size())
        return 0;
    return quint16(uchar(bytes.at(offset)) | (uchar(bytes.at(offset + 1)) << 8));
}

QByteArray packet(quint32 type, const QByteArray &payload = QByteArray())
{
    QByteArray bytes;
    putU32(bytes, quint32(8 + payload.size()));
    putU32(bytes, type);
    return bytes + payload;
}

QByteArray initCommandRequest(quint32 version = 0x00010000)
{
    QByteArray payload(16, '\x5A');
    for (QChar unit : QStringLiteral("tst"))
        putU16(payload, unit.unicode());
    putU16(payload, 0);
    putU32(payload, version);
    return packet(kInitCommandRequest, payload);
}

QByteArray operationRequest(quint32 phase, quint16 code, quint32 transactionId, const QVector<quint32> &params)
{
    QByteArray payload;
    putU32(payload, phase);
    putU16(payload, code);
    putU32(payload, transactionId);
    for (quint32 param : params)
        putU32(payload, param);
    return packet(kOperationRequest, payload);
}

QByteArray withTransaction(quint32 type, quint32 transactionId, const QByteArray &data = QByteArray())
{
    QByteArray payload;
    putU32(payload, transactionId);
    return packet(type, payload + data);
}

QByteArray startData(quint32 transactionId, quint64 total)
{
    QByteArray payload;
    putU32(payload, transactionId);
    putU64(payload, total);
    return packet(kStartData, payload);
}

struct Received {
    quint32 type = 0; // 0: nothing came in time, or the connection closed
    QByteArray payload;
};

// A minimal initiator on one TCP connection.
class Peer
{
public:
    bool connectTo(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([this]() { return m_socket.state() == QAbstractSocket::ConnectedState; }, kWaitMs);
    }
    void send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    Received next()
    {
        Received received;
        const bool whole = QTest::qWaitFor(
            [this]() {
                m_buffer.append(m_socket.readAll());
                return (m_buffer.size() >= 8 && quint32(m_buffer.size()) >= u32At(m_buffer, 0))
                       || m_socket.state() != QAbstractSocket::ConnectedState;
            },
            kWaitMs);
        m_buffer.append(m_socket.readAll());
        const quint32 length = u32At(m_buffer, 0);
        if (!whole || m_buffer.size() < 8 || length < 8 || quint32(m_buffer.size()) < length)
            return received;
        received.type = u32At(m_buffer, 4);
        received.payload = m_buffer.mid(8, int(length) - 8);
        m_buffer.remove(0, int(length));
        return received;
    }
    // Skips packets until one of type; for the event connection.
    Received nextOf(quint32 type, quint16 code)
    {
        for (int i = 0; i < 50; ++i) {
            const Received received = next();
            if (received.type == 0 || (received.type == type && u16At(received.payload, 0) == code))
                return received;
        }
        return Received();
    }
    bool waitClosed()
    {
        return QTest::qWaitFor(
            [this]() {
                m_socket.readAll();
                return m_socket.state() == QAbstractSocket::UnconnectedState;
            },
            kWaitMs);
    }
    void close() { m_socket.abort(); }

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

struct Answer {
    quint16 response = 0;
    QByteArray data;
    int dataPackets = 0; // Data and End Data packets of the data-in phase
    QVector<quint32> params;
    bool complete = false;
};

// One camera with its server on a free loopback port, and an initiator with
// both connections.
struct Rig {
    explicit Rig(int product = 0x2041)
        : camera(std::make_shared<Camera>(product, 7))
        , server(std::make_unique<Server>(camera))
    {
        camera->setTimeScale(0.01);
        listening = server->listen(QHostAddress::LocalHost, 0);
    }
    ~Rig() { server.reset(); }

    bool connect()
    {
        if (!listening || !command.connectTo(server->serverPort()))
            return false;
        command.send(initCommandRequest());
        const Received ack = command.next();
        if (ack.type != kInitCommandAck)
            return false;
        connectionNumber = u32At(ack.payload, 0);
        ackPayload = ack.payload;
        if (!events.connectTo(server->serverPort()))
            return false;
        QByteArray request;
        putU32(request, connectionNumber);
        events.send(packet(kInitEventRequest, request));
        return events.next().type == kInitEventAck;
    }

    Answer transact(quint16 code, const QVector<quint32> &params, const QByteArray *dataOut = nullptr)
    {
        Answer answer;
        const quint32 id = nextTransaction++;
        command.send(operationRequest(dataOut ? 2 : 1, code, id, params));
        if (dataOut) {
            command.send(startData(id, quint64(dataOut->size())));
            command.send(withTransaction(kEndData, id, *dataOut));
        }
        quint64 announced = 0;
        for (;;) {
            const Received received = command.next();
            const quint32 transaction = received.type == kOperationResponse ? u32At(received.payload, 2)
                                                                            : u32At(received.payload, 0);
            if (received.type == 0 || transaction != id)
                return answer;
            if (received.type == kStartData) {
                announced = quint64(u32At(received.payload, 4)) | (quint64(u32At(received.payload, 8)) << 32);
            } else if (received.type == kData || received.type == kEndData) {
                answer.data.append(received.payload.mid(4));
                ++answer.dataPackets;
            } else if (received.type == kOperationResponse) {
                answer.response = u16At(received.payload, 0);
                for (int offset = 6; offset + 4 <= received.payload.size(); offset += 4)
                    answer.params.append(u32At(received.payload, offset));
                answer.complete = announced == quint64(answer.data.size());
                return answer;
            } else {
                return answer;
            }
        }
    }

    std::shared_ptr<Camera> camera;
    std::unique_ptr<Server> server;
    bool listening = false;
    Peer command;
    Peer events;
    quint32 connectionNumber = 0;
    QByteArray ackPayload;
    quint32 nextTransaction = 1;
};

QVector<quint32> handlesIn(const QByteArray &array)
{
    QVector<quint32> handles;
    const quint32 count = u32At(array, 0);
    for (quint32 i = 0; i < count && int(4 + 4 * i + 4) <= array.size(); ++i)
        handles.append(u32At(array, int(4 + 4 * i)));
    return handles;
}

} // namespace

class tst_ptpipserver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handshakeNamesTheCamera()
    {
        Rig rig;
        QVERIFY(rig.listening);
        QVERIFY(rig.server->serverPort() != 0);
        QVERIFY(rig.connect());
        QVERIFY(rig.connectionNumber != 0);
        QCOMPARE(rig.ackPayload.mid(4, 16), rig.server->guid());
        QByteArray name;
        for (QChar unit : rig.server->friendlyName())
            putU16(name, unit.unicode());
        putU16(name, 0);
        QCOMPARE(rig.ackPayload.mid(20, name.size()), name);
        QCOMPARE(u32At(rig.ackPayload, 20 + name.size()), 0x00010000u);
        QCOMPARE(rig.server->initiatorName(), QStringLiteral("tst"));
    }

    void sessionAndDeviceInfo()
    {
        Rig rig;
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x201E));
        const Answer info = rig.transact(kOpGetDeviceInfo, {});
        QCOMPARE(info.response, quint16(0x2001));
        QVERIFY(info.complete);
        QCOMPARE(info.data, rig.camera->profile()->deviceInfo());
        const Answer storages = rig.transact(kOpGetStorageIds, {});
        QCOMPARE(handlesIn(storages.data), (QVector<quint32>{0x00010001}));
        const Answer storage = rig.transact(kOpGetStorageInfo, {0x00010001});
        QCOMPARE(storage.response, quint16(0x2001));
        QCOMPARE(u16At(storage.data, 0), quint16(0x0004)); // removable card
        QCOMPARE(rig.transact(kOpCloseSession, {}).response, quint16(0x2001));
        QCOMPARE(rig.transact(kOpCloseSession, {}).response, quint16(0x2003));
    }

    void getObjectIsByteExactAcrossDataPackets()
    {
        Rig rig;
        auto *capture = rig.camera->component<TVK_Emulator_Capture>();
        QVERIFY(capture != nullptr);
        // Larger than one Data packet, so the phase is split.
        capture->setDngBytes(2 * Server::kDataChunkBytes + 12345);
        capture->overrideSetting(Camera::kLEFileFormat, 0);
        QCOMPARE(rig.camera->transact(TVK_Commu_Ptp::kOpRelease, {0}, Phase::kLENoData).responseCode, 0x2001);
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        const QVector<quint32> handles = handlesIn(rig.transact(kOpGetObjectHandles, {0xFFFFFFFF, 0, 0}).data);
        QCOMPARE(handles.size(), 1);
        const Answer count = rig.transact(kOpGetNumObjects, {0xFFFFFFFF, 0, 0});
        QCOMPARE(count.params, (QVector<quint32>{1}));

        const Answer object = rig.transact(kOpGetObject, {handles.first()});
        QCOMPARE(object.response, quint16(0x2001));
        QVERIFY(object.complete);
        QCOMPARE(object.dataPackets, 3);
        const Camera::Result direct = rig.camera->transact(kOpGetObject, {handles.first()}, Phase::kLEDataIn);
        QCOMPARE(object.data.size(), direct.data.size());
        QVERIFY(object.data == direct.data);
    }

    // The largest DNG: Start Data announces its whole size in 64 bits, the
    // phase is made as it is sent, and an initiator that leaves in the middle
    // ends it without the rest ever being made.
    void theLargestDngIsAnnouncedWholeAndMadeAsItIsSent()
    {
        Rig rig;
        auto *capture = rig.camera->component<TVK_Emulator_Capture>();
        QVERIFY(capture != nullptr);
        capture->setDngBytes(TVK_Emulator_PictureMaker::kMaxDngBytes);
        capture->overrideSetting(Camera::kLEFileFormat, 0);
        QCOMPARE(rig.camera->transact(TVK_Commu_Ptp::kOpRelease, {0}, Phase::kLENoData).responseCode, 0x2001);
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        const quint32 id = rig.nextTransaction++;
        rig.command.send(operationRequest(1, kOpGetObject, id, {TVK_Emulator_Capture::kPendingHandle}));
        const Received start = rig.command.next();
        QCOMPARE(start.type, quint32(kStartData));
        QCOMPARE(u32At(start.payload, 0), id);
        const quint64 total = quint64(u32At(start.payload, 4)) | (quint64(u32At(start.payload, 8)) << 32);
        QCOMPARE(total, quint64(TVK_Emulator_PictureMaker::kMaxDngBytes));
        const Received first = rig.command.next();
        QCOMPARE(first.type, quint32(kData));
        QCOMPARE(first.payload.size(), 4 + Server::kDataChunkBytes);
        const TVK_Emulator_DataSource picture = capture->fileSource(TVK_Emulator_Capture::kPendingHandle);
        QCOMPARE(first.payload.mid(4), picture.mid(0, Server::kDataChunkBytes).toByteArray());
        rig.command.close();
        rig.events.close();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.server->hasInitiator(), kWaitMs);
    }

    void initiateCaptureAnnouncesTheNewObject()
    {
        Rig rig;
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        const quint32 captureTransaction = rig.nextTransaction;
        QCOMPARE(rig.transact(kOpInitiateCapture, {0, 0}).response, quint16(0x2001));

        const Received added = rig.events.nextOf(kEvent, kEventObjectAdded);
        QCOMPARE(added.type, quint32(kEvent));
        QCOMPARE(u32At(added.payload, 2), captureTransaction);
        const quint32 handle = u32At(added.payload, 6);
        QCOMPARE(rig.events.nextOf(kEvent, kEventCaptureComplete).type, quint32(kEvent));
        const QVector<quint32> handles = handlesIn(rig.transact(kOpGetObjectHandles, {0xFFFFFFFF, 0, 0}).data);
        QVERIFY(handles.contains(handle));
    }

    void dataOutPhases_data()
    {
        QTest::addColumn<quint16>("operation");
        QTest::addColumn<int>("extraBytes");
        QTest::addColumn<quint16>("response");
        QTest::newRow("the value written back") << kOpSetDevicePropValue << 0 << quint16(0x2001);
        QTest::newRow("a value of the wrong size") << kOpSetDevicePropValue << 1 << quint16(0x201B);
        QTest::newRow("an operation that takes no data") << kOpGetDeviceInfo << 0 << quint16(0x2002);
    }
    void dataOutPhases()
    {
        QFETCH(quint16, operation);
        QFETCH(int, extraBytes);
        QFETCH(quint16, response);
        Rig rig;
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        const Answer current = rig.transact(kOpGetDevicePropValue, {kPropWhiteBalance});
        QCOMPARE(current.response, quint16(0x2001));
        const QByteArray value = current.data + QByteArray(extraBytes, '\0');
        QCOMPARE(rig.transact(operation, {kPropWhiteBalance}, &value).response, response);
        if (response == 0x2001) {
            // The camera confirms the write on the event connection.
            const Received changed = rig.events.nextOf(kEvent, TVK_Commu_Ptp::kVXDevicePropChanged);
            QCOMPARE(u32At(changed.payload, 6), quint32(kPropWhiteBalance));
        }
    }

    void probeIsAnsweredOnBothConnections()
    {
        Rig rig;
        QVERIFY(rig.connect());
        rig.command.send(packet(kProbeRequest));
        QCOMPARE(rig.command.next().type, quint32(kProbeResponse));
        rig.events.send(packet(kProbeRequest));
        QCOMPARE(rig.events.next().type, quint32(kProbeResponse));
    }

    void cancelEndsAWaitingDataPhase()
    {
        Rig rig;
        QVERIFY(rig.connect());
        rig.command.send(operationRequest(2, kOpSetDevicePropValue, 9, {kPropWhiteBalance}));
        rig.command.send(startData(9, 2));
        rig.command.send(withTransaction(kCancel, 9));
        const Received response = rig.command.next();
        QCOMPARE(response.type, quint32(kOperationResponse));
        QCOMPARE(u16At(response.payload, 0), quint16(0x201F));
        QCOMPARE(u32At(response.payload, 2), 9u);
    }

    void secondInitiatorIsBusy()
    {
        Rig rig;
        QVERIFY(rig.connect());
        Peer other;
        QVERIFY(other.connectTo(rig.server->serverPort()));
        other.send(initCommandRequest());
        const Received fail = other.next();
        QCOMPARE(fail.type, quint32(kInitFail));
        QCOMPARE(u32At(fail.payload, 0), 2u);
        QVERIFY(other.waitClosed());
    }

    void lostConnectionEndsTheSession()
    {
        Rig rig;
        QSignalSpy gone(rig.server.get(), &Server::signalInitiatorGone);
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        rig.command.close();
        QVERIFY(gone.wait(kWaitMs) || gone.count() == 1);
        QVERIFY(rig.events.waitClosed());
        QVERIFY(!rig.server->hasInitiator());

        // The next initiator finds no session left open.
        Peer command;
        QVERIFY(command.connectTo(rig.server->serverPort()));
        command.send(initCommandRequest());
        QCOMPARE(command.next().type, quint32(kInitCommandAck));
        command.send(operationRequest(1, kOpOpenSession, 0, {1}));
        const Received response = command.next();
        QCOMPARE(response.type, quint32(kOperationResponse));
        QCOMPARE(u16At(response.payload, 0), quint16(0x2001));
    }

    void malformedInitiation_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("initFail");
        QTest::addColumn<QString>("logged");
        QByteArray shortLength;
        putU32(shortLength, 4);
        putU32(shortLength, kInitCommandRequest);
        QByteArray hugeLength;
        putU32(hugeLength, 0xFFFFFFF0u);
        putU32(hugeLength, kInitCommandRequest);
        QByteArray wrongNumber;
        putU32(wrongNumber, 77);
        QByteArray noName(16, '\x01');
        putU16(noName, 'x'); // no final zero, then nothing
        QTest::newRow("length below the header") << shortLength << true << QStringLiteral("announces 4 bytes");
        QTest::newRow("length huge") << hugeLength << true << QStringLiteral("announces 4294967280 bytes");
        QTest::newRow("unknown type") << packet(99) << true << QStringLiteral("before initialisation");
        QTest::newRow("operation before initiation")
            << operationRequest(1, kOpGetDeviceInfo, 1, {}) << true << QStringLiteral("before initialisation");
        QTest::newRow("name without its end") << packet(kInitCommandRequest, noName) << true
                                              << QStringLiteral("truncated Init Command Request");
        QTest::newRow("protocol version 2") << initCommandRequest(0x00020000) << true
                                            << QStringLiteral("protocol version");
        QTest::newRow("event connection of no command connection")
            << packet(kInitEventRequest, wrongNumber) << true << QStringLiteral("connection number 77");
        QTest::newRow("header cut off") << QByteArray("\x20\x00\x00", 3) << false
                                        << QStringLiteral("3 bytes of an unfinished packet");
    }
    void malformedInitiation()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, initFail);
        QFETCH(QString, logged);
        TVK_Test_LogCapture log;
        Rig rig;
        Peer peer;
        QVERIFY(peer.connectTo(rig.server->serverPort()));
        peer.send(bytes);
        if (initFail) {
            QCOMPARE(peer.next().type, quint32(kInitFail));
            QVERIFY(peer.waitClosed());
        } else {
            // The peer gives up in the middle of a header.
            QTest::qWait(0);
            peer.close();
        }
        QVERIFY(QTest::qWaitFor([&log, &logged]() { return !log.matching(logged).isEmpty(); }, kWaitMs));
        // The server still serves the next initiator.
        QVERIFY(rig.connect());
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
    }

    void malformedDuringSession_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("logged");
        QTest::newRow("data phase longer than announced")
            << operationRequest(2, kOpSetDevicePropValue, 5, {kPropWhiteBalance}) + startData(5, 2)
                   + withTransaction(kEndData, 5, QByteArray(10, '\x07'))
            << QStringLiteral("longer than the 2 bytes announced");
        QTest::newRow("data phase of a terabyte")
            << operationRequest(2, kOpSetDevicePropValue, 5, {kPropWhiteBalance}) + startData(5, quint64(1) << 40)
            << QStringLiteral("data phase of 1099511627776 bytes for operation 0x1016 refused");
        QTest::newRow("data packet beyond any data phase")
            << QByteArray("\xFF\xFF\xFF\x7F\x0A\x00\x00\x00", 8)
            << QStringLiteral("type 10 announces 2147483647 bytes");
        QTest::newRow("unknown type") << packet(42) << QStringLiteral("(type 42) on the command connection");
        QTest::newRow("six parameters")
            << operationRequest(1, kOpGetDeviceInfo, 5, {1, 2, 3, 4, 5, 6})
            << QStringLiteral("Operation Request of 34 bytes is not one");
        QTest::newRow("truncated Start Data") << packet(kStartData, QByteArray(4, '\0'))
                                              << QStringLiteral("truncated Start Data");
    }
    void malformedDuringSession()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, logged);
        TVK_Test_LogCapture log;
        Rig rig;
        QSignalSpy gone(rig.server.get(), &Server::signalInitiatorGone);
        QVERIFY(rig.connect());
        rig.command.send(bytes);
        QVERIFY(rig.command.waitClosed());
        QVERIFY(rig.events.waitClosed());
        QCOMPARE(gone.count(), 1);
        QVERIFY2(!log.matching(logged).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
    }

    void dataPhaseWithoutAnnouncementIsDiscarded()
    {
        // Announced as no data, then sent some: the operation was answered
        // already, and its data is read and thrown away.
        TVK_Test_LogCapture log;
        Rig rig;
        QVERIFY(rig.connect());
        rig.command.send(operationRequest(1, kOpSetDevicePropValue, 3, {kPropWhiteBalance}));
        const Received response = rig.command.next();
        QCOMPARE(response.type, quint32(kOperationResponse));
        QVERIFY(u16At(response.payload, 0) != 0x2001);
        rig.command.send(startData(3, 2) + withTransaction(kEndData, 3, QByteArray(2, '\0')));
        QCOMPARE(rig.transact(kOpOpenSession, {1}).response, quint16(0x2001));
        QVERIFY(!log.matching(QStringLiteral("data phase for transaction 3 that announced none")).isEmpty());
    }

    void theCameraRefusesWhatItDoesNotTake_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("response");
        QTest::newRow("data for GetDeviceInfo") << int(kOpGetDeviceInfo) << int(Phase::kLEDataOut) << 4 << 0x2002;
        QTest::newRow("data for OpenSession") << int(kOpOpenSession) << int(Phase::kLEDataOut) << 4 << 0x2002;
        QTest::newRow("a settings record for a product without one")
            << TVK_Commu_Ptp::kOpSetCameraSettings << int(Phase::kLEDataOut) << 100 << 0x2005;
        QTest::newRow("a data phase past the limit")
            << int(kOpSetDevicePropValue) << int(Phase::kLEDataOut) << int(Camera::kMaxDataOutBytes + 1) << 0x2002;
        QTest::newRow("session 0") << int(kOpOpenSession) << int(Phase::kLENoData) << 0 << 0x201D;
    }
    void theCameraRefusesWhatItDoesNotTake()
    {
        QFETCH(int, operation);
        QFETCH(int, phase);
        QFETCH(int, bytes);
        QFETCH(int, response);
        Camera camera(0x2041);
        const QVector<quint32> params = operation == kOpOpenSession && phase == Phase::kLENoData
                                            ? QVector<quint32>{0}
                                            : QVector<quint32>{kPropWhiteBalance};
        const Camera::Result result =
            camera.transact(operation, params, Phase::eLEDataPhase(phase), QByteArray(bytes, '\0'));
        QCOMPARE(result.responseCode, response);
    }

    void aFloodOfWritesQueuesFewReports()
    {
        Camera camera(0x2041);
        std::atomic<int> reports{0};
        std::atomic<bool> sentinel{false};
        camera.setEventHandler([&](const Camera::CameraEvent &event) {
            if (event.code == TVK_Commu_Ptp::kVXDevicePropChanged && event.parameter == kPropWhiteBalance)
                ++reports;
            if (event.code == 0x7FFF)
                sentinel = true;
        });
        const QByteArray value = camera.transact(kOpGetDevicePropValue, {kPropWhiteBalance}, Phase::kLEDataIn).data;
        constexpr int kWrites = 500;
        for (int i = 0; i < kWrites; ++i)
            QCOMPARE(camera.transact(kOpSetDevicePropValue, {kPropWhiteBalance}, Phase::kLEDataOut, value).responseCode,
                     0x2001);
        // Long after every report of the flood is due.
        camera.schedule(2000, [&camera]() { camera.raiseEvent(0x7FFF); });
        QVERIFY(QTest::qWaitFor([&sentinel]() { return sentinel.load(); }, kWaitMs));
        QVERIFY(reports.load() >= 1);
        QVERIFY2(reports.load() < kWrites / 10, qPrintable(QString::number(reports.load())));
        camera.setEventHandler(nullptr);
    }

    void programStopsCleanlyOnSigterm()
    {
        QProcess program;
        program.start(QStringLiteral(TVK_PTPIP_CAMERA_PATH),
                      {QStringLiteral("--product=2041"), QStringLiteral("--port=0")});
        QVERIFY(program.waitForStarted(kWaitMs));
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&]() {
                out += program.readAllStandardOutput();
                return out.contains('\n') || program.state() == QProcess::NotRunning;
            },
            kWaitMs));
        const QString line = QString::fromUtf8(out).trimmed();
        QVERIFY2(line.startsWith(QStringLiteral("listening on 127.0.0.1:")), qPrintable(line));
        const quint16 port = quint16(line.section(QLatin1Char(':'), -1).toUInt());
        QVERIFY(port != 0);

        // It serves: an initiator gets its Ack.
        Peer peer;
        QVERIFY(peer.connectTo(port));
        peer.send(initCommandRequest());
        QCOMPARE(peer.next().type, quint32(kInitCommandAck));

        program.terminate(); // SIGTERM
        QVERIFY(program.waitForFinished(kWaitMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(peer.waitClosed());
    }
};

QTEST_GUILESS_MAIN(tst_ptpipserver)
#include "tst_ptpipserver.moc"
