#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_PtpIpFraming.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Test_Bytes.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_SignalRecorder.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using Access = TVK_Commu_CameraAccess_PTPIP;
using Framing = TVK_Commu_PtpIpFraming;
using Engine = TVK_Commu_PtpTransactionEngine;
using Status = TVK_Commu_PtpFramingIF::eLEStatus;
using namespace TVK_Test_Bytes;

namespace {

// Generous: a loaded two-core machine under the sanitizers.
constexpr int kWaitMs = 10000;
constexpr quint32 kOK = 0x2001;
constexpr quint32 kBusy = 0x2019;
constexpr int kOpLoopback = 0x9F01;
const QString kLoopback = QStringLiteral("127.0.0.1");

// --- Bytes as the wire has them ------------------------------------------------------------

QByteArray packet(quint32 type, const QByteArray &payload = QByteArray())
{
    return le32(quint32(8 + payload.size())) + le32(type) + payload;
}

QByteArray utf16z(const QString &text)
{
    QByteArray bytes;
    for (const QChar unit : text)
        bytes += le16(unit.unicode());
    return bytes + le16(0);
}

QByteArray codeAndParams(quint16 code, quint32 transactionId, const QVector<quint32> &params)
{
    QByteArray payload = le16(code) + le32(transactionId);
    for (quint32 param : params)
        payload += le32(param);
    return payload;
}

QByteArray response(quint16 code, quint32 transactionId, const QVector<quint32> &params = {})
{
    return packet(Framing::kLEOperationResponse, codeAndParams(code, transactionId, params));
}

QByteArray eventPacket(quint16 code, const QVector<quint32> &params = {})
{
    return packet(Framing::kLEEvent, codeAndParams(code, 0xFFFFFFFFu, params));
}

QByteArray startData(quint32 transactionId, quint64 total)
{
    return packet(Framing::kLEStartData, le32(transactionId) + le64(total));
}

QByteArray dataPacket(quint32 type, quint32 transactionId, const QByteArray &bytes)
{
    return packet(type, le32(transactionId) + bytes);
}

// A whole data-in phase: Start Data, Data packets of chunk bytes, the last
// piece in End Data.
QByteArray dataIn(quint32 transactionId, const QByteArray &bytes, int chunk)
{
    QByteArray wire = startData(transactionId, quint64(bytes.size()));
    int sent = 0;
    while (bytes.size() - sent > chunk) {
        wire += dataPacket(Framing::kLEData, transactionId, bytes.mid(sent, chunk));
        sent += chunk;
    }
    return wire + dataPacket(Framing::kLEEndData, transactionId, bytes.mid(sent));
}

QByteArray initCommandAck(quint32 connectionNumber, const QString &name)
{
    return packet(Framing::kLEInitCommandAck,
                  le32(connectionNumber) + QByteArray(16, '\x5A') + utf16z(name) + le32(Framing::kProtocolVersion));
}

QByteArray initFail(quint32 reason)
{
    return packet(Framing::kLEInitFail, le32(reason));
}

QByteArray ptpString(const QString &text)
{
    if (text.isEmpty())
        return QByteArray(1, '\0');
    return QByteArray(1, char(text.size() + 1)) + utf16z(text);
}

QByteArray deviceInfo(const QString &model)
{
    QByteArray bytes = le16(100) + le32(6) + le16(100) + ptpString(QStringLiteral("vendor")) + le16(0);
    bytes += le32(2) + le16(0x1001) + le16(0x1002); // operations
    for (int list = 0; list < 4; ++list)
        bytes += le32(0);
    return bytes + ptpString(QStringLiteral("Norba Camera AG")) + ptpString(model) + ptpString(QStringLiteral("1.0"))
           + ptpString(QStringLiteral("0042"));
}

struct Request {
    quint32 phase = 0;
    quint16 code = 0;
    quint32 transactionId = 0;
    QVector<quint32> params;
};

// --- The scripted peer --------------------------------------------------------------------------

// A camera that plays a script on a thread of its own: a QTcpServer on a free
// loopback port, blocking reads and writes, no event loop. What the script
// finds wrong it notes; the test looks at the notes after the script ended.
class Peer
{
public:
    using Script = std::function<void(Peer &)>;

    explicit Peer(Script script)
    {
        std::atomic<bool> ready{false};
        m_thread = std::thread([this, script, &ready]() {
            QTcpServer server;
            m_server = &server;
            server.listen(QHostAddress::LocalHost, 0);
            m_port = server.serverPort();
            ready.store(true);
            script(*this);
            for (QTcpSocket *socket : qAsConst(m_sockets))
                socket->abort();
            m_sockets.clear();
            m_server = nullptr;
            m_finished.store(true);
        });
        while (!ready.load())
            std::this_thread::yield();
    }

    ~Peer()
    {
        stop();
        m_thread.join();
    }

    quint16 port() const { return m_port; }
    Access::Address address() const { return Access::Address{kLoopback, m_port}; }
    bool finished() const { return m_finished.load(); }
    void stop()
    {
        m_stop.store(true);
        go(QStringLiteral("*"));
    }
    bool stopping() const { return m_stop.load(); }

    // Between test and script: the test lets the script go on at a point.
    void go(const QString &point)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_points.insert(point);
        m_condition.notify_all();
    }
    bool waitFor(const QString &point)
    {
        std::unique_lock<std::mutex> locker(m_mutex);
        QElapsedTimer clock;
        clock.start();
        while (!m_points.contains(point) && !m_points.contains(QStringLiteral("*")) && clock.elapsed() < kWaitMs)
            m_condition.wait_for(locker, std::chrono::milliseconds(50));
        return m_points.contains(point);
    }

    // What the script saw, for the test.
    void note(const QString &key, const QVariant &value)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_notes[key].append(value);
    }
    QVariantList notes(const QString &key) const
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        return m_notes.value(key);
    }
    void fail(const QString &what) { note(QStringLiteral("failure"), what); }
    QStringList failures() const
    {
        QStringList result;
        for (const QVariant &value : notes(QStringLiteral("failure")))
            result << value.toString();
        return result;
    }

    // --- For the script ---
    int accept()
    {
        QElapsedTimer clock;
        clock.start();
        while (!m_stop.load() && clock.elapsed() < kWaitMs) {
            if (m_server->waitForNewConnection(50)) {
                m_sockets.append(m_server->nextPendingConnection());
                return m_sockets.size() - 1;
            }
        }
        return -1;
    }
    bool readBytes(int connection, int size, QByteArray *out, int timeoutMs = kWaitMs)
    {
        QTcpSocket *socket = m_sockets.value(connection);
        out->clear();
        QElapsedTimer clock;
        clock.start();
        while (socket != nullptr && out->size() < size && clock.elapsed() < timeoutMs && !m_stop.load()) {
            if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(50)) {
                if (socket->state() != QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
                    return false;
                continue;
            }
            out->append(socket->read(size - out->size()));
        }
        return out->size() == size;
    }
    bool readPacket(int connection, quint32 *type, QByteArray *payload, int timeoutMs = kWaitMs)
    {
        QByteArray header;
        if (!readBytes(connection, 8, &header, timeoutMs))
            return false;
        const quint32 length = qFromLittleEndian<quint32>(header.constData());
        *type = qFromLittleEndian<quint32>(header.constData() + 4);
        if (length < 8) {
            fail(QStringLiteral("packet length %1").arg(length));
            return false;
        }
        return readBytes(connection, int(length - 8), payload, timeoutMs);
    }
    // The next Operation Request; Cancel packets on the way are noted.
    bool readRequest(int connection, Request *request, int timeoutMs = kWaitMs)
    {
        for (;;) {
            quint32 type = 0;
            QByteArray payload;
            if (!readPacket(connection, &type, &payload, timeoutMs))
                return false;
            if (type == Framing::kLECancel && payload.size() == 4) {
                note(QStringLiteral("cancel"), qFromLittleEndian<quint32>(payload.constData()));
                continue;
            }
            if (type != Framing::kLEOperationRequest || payload.size() < 10 || (payload.size() - 10) % 4 != 0) {
                fail(QStringLiteral("packet type %1 of %2 bytes where a request was due").arg(type).arg(payload.size()));
                return false;
            }
            request->phase = qFromLittleEndian<quint32>(payload.constData());
            request->code = qFromLittleEndian<quint16>(payload.constData() + 4);
            request->transactionId = qFromLittleEndian<quint32>(payload.constData() + 6);
            request->params.clear();
            for (int offset = 10; offset < payload.size(); offset += 4)
                request->params.append(qFromLittleEndian<quint32>(payload.constData() + offset));
            note(QStringLiteral("request"), QStringLiteral("%1/%2/%3")
                                                .arg(request->code, 4, 16, QLatin1Char('0'))
                                                .arg(request->transactionId)
                                                .arg(request->phase));
            return true;
        }
    }
    // A data-out phase: Start Data, Data packets, End Data.
    bool readDataOut(int connection, quint32 transactionId, QByteArray *bytes)
    {
        quint32 type = 0;
        QByteArray payload;
        if (!readPacket(connection, &type, &payload) || type != Framing::kLEStartData || payload.size() != 12) {
            fail(QStringLiteral("no Start Data"));
            return false;
        }
        const quint64 total = qFromLittleEndian<quint64>(payload.constData() + 4);
        note(QStringLiteral("total"), total);
        bytes->clear();
        for (;;) {
            if (!readPacket(connection, &type, &payload) || (type != Framing::kLEData && type != Framing::kLEEndData)
                || payload.size() < 4 || qFromLittleEndian<quint32>(payload.constData()) != transactionId) {
                fail(QStringLiteral("broken data phase"));
                return false;
            }
            bytes->append(payload.mid(4));
            if (type == Framing::kLEEndData)
                return true;
        }
    }
    void send(int connection, const QByteArray &bytes)
    {
        QTcpSocket *socket = m_sockets.value(connection);
        if (socket == nullptr)
            return;
        socket->write(bytes);
        while (socket->bytesToWrite() > 0 && socket->state() == QAbstractSocket::ConnectedState)
            socket->waitForBytesWritten(kWaitMs);
    }
    void close(int connection)
    {
        if (QTcpSocket *socket = m_sockets.value(connection))
            socket->abort();
    }
    // Waits until the other side closed the connection.
    bool waitForClose(int connection)
    {
        QTcpSocket *socket = m_sockets.value(connection);
        QElapsedTimer clock;
        clock.start();
        while (socket != nullptr && clock.elapsed() < kWaitMs && !m_stop.load()) {
            socket->readAll();
            if (socket->state() != QAbstractSocket::ConnectedState)
                return true;
            socket->waitForReadyRead(50);
        }
        return false;
    }
    // Answers every request OK (a data-in one with no data) until the
    // connection closes or the test ends.
    void answerEverything(int connection)
    {
        Request request;
        while (!m_stop.load()) {
            if (!readRequest(connection, &request, 200)) {
                QTcpSocket *socket = m_sockets.value(connection);
                if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState)
                    return;
                continue;
            }
            if (request.phase == Framing::kDataPhaseOut) {
                QByteArray ignored;
                readDataOut(connection, request.transactionId, &ignored);
            }
            send(connection, response(kOK, request.transactionId));
        }
    }
    void holdUntilStopped()
    {
        while (!m_stop.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // The camera's side of an open: both handshakes, OpenSession, DeviceInfo
    // with this model and the vendor session. False when anything differs.
    bool serveOpen(const QString &model, int *command, int *events)
    {
        *command = accept();
        quint32 type = 0;
        QByteArray payload;
        if (*command < 0 || !readPacket(*command, &type, &payload) || type != Framing::kLEInitCommandRequest) {
            fail(QStringLiteral("no Init Command Request"));
            return false;
        }
        note(QStringLiteral("guid"), payload.left(16));
        send(*command, initCommandAck(7, QStringLiteral("Peer")));
        *events = accept();
        if (*events < 0 || !readPacket(*events, &type, &payload) || type != Framing::kLEInitEventRequest
            || payload != le32(7)) {
            fail(QStringLiteral("no Init Event Request for connection 7"));
            return false;
        }
        send(*events, packet(Framing::kLEInitEventAck));
        Request request;
        if (!readRequest(*command, &request) || request.code != 0x1002 || request.transactionId != 0
            || request.params != QVector<quint32>{1}) {
            fail(QStringLiteral("no OpenSession"));
            return false;
        }
        send(*command, response(kOK, request.transactionId));
        if (!readRequest(*command, &request) || request.code != 0x1001) {
            fail(QStringLiteral("no GetDeviceInfo"));
            return false;
        }
        send(*command, dataIn(request.transactionId, deviceInfo(model), 1 << 20) + response(kOK, request.transactionId));
        if (!readRequest(*command, &request))
            return false; // an unknown model ends the open here
        if (request.code != 0x9005 || request.params != QVector<quint32>{0xFF55}) {
            fail(QStringLiteral("no vendor session"));
            return false;
        }
        send(*command, response(kOK, request.transactionId));
        return true;
    }

private:
    std::thread m_thread;
    QTcpServer *m_server = nullptr;   // the script's thread only
    QVector<QTcpSocket *> m_sockets;  // the script's thread only
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    QSet<QString> m_points;
    QHash<QString, QVariantList> m_notes;
};

// A framing connected to a peer, with the engine on top.
struct Link {
    explicit Link(Peer &peer, int timeoutMs = Framing::kDefaultTimeoutMs)
    {
        QString error;
        const int socket = Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error);
        framing = std::make_shared<Framing>(socket);
        framing->setTimeoutMs(timeoutMs);
        engine = std::make_unique<Engine>(framing);
    }
    Engine::Outcome command(int code = kOpLoopback)
    {
        Engine::Request request;
        request.operationCode = code;
        return engine->transact(request, "test", nullptr);
    }
    std::shared_ptr<Framing> framing;
    std::unique_ptr<Engine> engine;
};

// Run on the test thread until it is true, the event loop turning meanwhile.
bool eventually(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, kWaitMs);
}

} // namespace

class tst_PtpIpTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // The framing.
    void initHandshakeOnBothConnections();
    void initFailIsARefusalWithItsReason_data();
    void initFailIsARefusalWithItsReason();
    void dataPhasesInBothDirections_data();
    void dataPhasesInBothDirections();
    void responseInADataPhaseEndsIt();
    void staleResponseIsReadPast();
    void busyIsRetriedThroughTheEngine_data();
    void busyIsRetriedThroughTheEngine();
    void silentCameraTimesOutAndGetsCancel();
    void malformedPacketsFailTheTransactionOrCloseTheConnection_data();
    void malformedPacketsFailTheTransactionOrCloseTheConnection();
    void eventsArriveOnTheEventConnectionAndProbesAreAnswered();

    // The access.
    void addressesAreParsedStrictly_data();
    void addressesAreParsedStrictly();
    void deviceInfoModelGivesTheProductId();
    void openRunsBothHandshakesAndTheSessions_data();
    void openRunsBothHandshakesAndTheSessions();
    void initFailMakesTheOpenFail_data();
    void initFailMakesTheOpenFail();
    void eventsReachTheEventEntry();
    void peerClosingInADataPhaseClosesOnceWithoutHanging();
    void pollNeverWaitsForTheNetwork_data();
    void pollNeverWaitsForTheNetwork();
    void initOnlyWhenTheAddressStartsAnsweringThenBacksOff_data();
    void initOnlyWhenTheAddressStartsAnsweringThenBacksOff();
    void hostNamesAreLookedUpAwayFromTheCaller_data();
    void hostNamesAreLookedUpAwayFromTheCaller();
    void stalledCameraIsTakenAsGoneAndFoundAgain();
};

void tst_PtpIpTransport::initTestCase()
{
    qRegisterMetaType<ushort>("ushort");
    Access::setConfiguredProductId(0);
}

// --- Framing -------------------------------------------------------------------------------------

void tst_PtpIpTransport::initHandshakeOnBothConnections()
{
    Peer peer([](Peer &p) {
        const int command = p.accept();
        quint32 type = 0;
        QByteArray payload;
        if (p.readPacket(command, &type, &payload)) {
            p.note(QStringLiteral("type"), type);
            p.note(QStringLiteral("request"), payload);
        }
        p.send(command, initCommandAck(0x1234, QStringLiteral("Kamera")));
        const int events = p.accept();
        if (p.readPacket(events, &type, &payload)) {
            p.note(QStringLiteral("type"), type);
            p.note(QStringLiteral("request"), payload);
        }
        p.send(events, packet(Framing::kLEInitEventAck));
        p.holdUntilStopped();
    });
    const QByteArray guid = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
    QString error;
    Framing command(Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error));
    const Framing::InitResult ack = command.initCommand(guid, QStringLiteral("Norba Pellora"));
    QVERIFY(ack.ok());
    QCOMPARE(ack.connectionNumber, 0x1234u);
    QCOMPARE(ack.responderName, QStringLiteral("Kamera"));
    QCOMPARE(ack.responderGuid, QByteArray(16, '\x5A'));
    QCOMPARE(ack.protocolVersion, 0x00010000u);

    Framing events(Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error));
    QVERIFY(events.initEvent(ack.connectionNumber).ok());

    QVERIFY(eventually([&peer]() { return peer.notes(QStringLiteral("request")).size() == 2; }));
    QCOMPARE(peer.notes(QStringLiteral("type")), (QVariantList{1u, 3u}));
    const QVariantList requests = peer.notes(QStringLiteral("request"));
    // GUID, the name in UTF-16LE with its NUL, version 1.0.
    QCOMPARE(requests.at(0).toByteArray(), guid + utf16z(QStringLiteral("Norba Pellora")) + le32(0x00010000));
    QCOMPARE(requests.at(1).toByteArray(), le32(0x1234));
    QVERIFY2(peer.failures().isEmpty(), qPrintable(peer.failures().join(QLatin1Char('\n'))));
}

void tst_PtpIpTransport::initFailIsARefusalWithItsReason_data()
{
    QTest::addColumn<bool>("onEvents");
    QTest::addColumn<quint32>("reason");
    QTest::addColumn<quint32>("failReason");
    QTest::addColumn<QString>("line");
    QTest::newRow("command: rejected initiator") << false << 1u << 1u << "reason 1 (rejected initiator)";
    QTest::newRow("command: busy") << false << 2u << 2u << "reason 2 (busy)";
    QTest::newRow("command: no reason still refuses") << false << 0u << 3u << "reason 0 (unknown reason)";
    QTest::newRow("event: unspecified") << true << 3u << 3u << "reason 3 (unspecified)";
}

void tst_PtpIpTransport::initFailIsARefusalWithItsReason()
{
    QFETCH(bool, onEvents);
    QFETCH(quint32, reason);
    QFETCH(quint32, failReason);
    QFETCH(QString, line);
    Peer peer([onEvents, reason](Peer &p) {
        const int command = p.accept();
        quint32 type = 0;
        QByteArray payload;
        p.readPacket(command, &type, &payload);
        if (!onEvents) {
            p.send(command, initFail(reason));
        } else {
            p.send(command, initCommandAck(1, QStringLiteral("Kamera")));
            const int events = p.accept();
            p.readPacket(events, &type, &payload);
            p.send(events, initFail(reason));
        }
        p.holdUntilStopped();
    });
    TVK_Test_LogCapture log;
    QString error;
    Framing command(Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error));
    Framing::InitResult result = command.initCommand(QByteArray(16, '\1'), QStringLiteral("x"));
    if (onEvents) {
        QVERIFY(result.ok());
        Framing events(Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error));
        result = events.initEvent(result.connectionNumber);
    }
    QVERIFY(!result.ok());
    QCOMPARE(result.status, TVK_Commu_PtpFramingIF::kLEOk);
    QCOMPARE(result.failReason, failReason);
    QCOMPARE(log.matching(QStringLiteral("Init Fail from the camera, ") + line).size(), 1);
}

void tst_PtpIpTransport::dataPhasesInBothDirections_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("size");       // what the camera sends, or what goes to it
    QTest::addColumn<int>("bufferSize"); // the caller's buffer (data in)
    QTest::addColumn<int>("chunk");      // the camera's Data packets (data in)
    const int none = Engine::kLENoData;
    const int in = Engine::kLEDataIn;
    const int out = Engine::kLEDataOut;
    const int mb = 1 << 20;
    QTest::newRow("no data") << none << 0 << 0 << 0;
    QTest::newRow("in: 0 bytes") << in << 0 << 16 << 512;
    QTest::newRow("in: 1 byte") << in << 1 << 16 << 512;
    QTest::newRow("in: 1 MB in one End Data") << in << mb << mb << mb;
    QTest::newRow("in: 1 MB in 64 KB packets") << in << mb << mb << 65536;
    QTest::newRow("in: more than the buffer") << in << 100000 << 1000 << 4096;
    QTest::newRow("in: less than the buffer") << in << 10 << 1000 << 4;
    QTest::newRow("out: 0 bytes") << out << 0 << 0 << 0;
    QTest::newRow("out: 1 byte") << out << 1 << 0 << 0;
    QTest::newRow("out: 1 MB") << out << mb << 0 << 0;
    QTest::newRow("out: 1 MB and 1 byte") << out << mb + 1 << 0 << 0;
}

void tst_PtpIpTransport::dataPhasesInBothDirections()
{
    QFETCH(int, phase);
    QFETCH(int, size);
    QFETCH(int, bufferSize);
    QFETCH(int, chunk);
    const QByteArray bytes = pattern(size);
    Peer peer([phase, bytes, chunk](Peer &p) {
        const int command = p.accept();
        Request request;
        if (!p.readRequest(command, &request))
            return;
        p.note(QStringLiteral("phase"), request.phase);
        p.note(QStringLiteral("params"), QVariant::fromValue(request.params.size()));
        if (phase == Engine::kLEDataOut) {
            QByteArray received;
            if (p.readDataOut(command, request.transactionId, &received))
                p.note(QStringLiteral("bytes"), received);
        } else if (phase == Engine::kLEDataIn) {
            p.send(command, dataIn(request.transactionId, bytes, qMax(1, chunk)));
        }
        p.send(command, response(kOK, request.transactionId));
        p.holdUntilStopped();
    });
    Link link(peer);
    QByteArray buffer(bufferSize, '\xAA');
    const quint32 params[] = {1, 2, 3};
    Engine::Request request;
    request.operationCode = kOpLoopback;
    request.numParams = 3;
    request.params = params;
    request.phase = Engine::eLEPhase(phase);
    request.dataOut = bytes.constData();
    request.sizeOut = quint64(bytes.size());
    request.bufferIn = buffer.data();
    request.sizeIn = unsigned(buffer.size());
    const Engine::Outcome outcome = link.engine->transact(request, "test", nullptr);
    QVERIFY(outcome.ok());
    QVERIFY(eventually([&peer]() { return !peer.notes(QStringLiteral("phase")).isEmpty(); }));
    // Data out is announced as such; no data and data in share the other flag.
    QCOMPARE(peer.notes(QStringLiteral("phase")).value(0).toUInt(),
             phase == Engine::kLEDataOut ? Framing::kDataPhaseOut : Framing::kDataPhaseNoneOrIn);
    QCOMPARE(peer.notes(QStringLiteral("params")).value(0).toInt(), 3);
    if (phase == Engine::kLEDataIn) {
        QCOMPARE(outcome.received, quint64(size));
        // The camera's bytes as far as the buffer reaches, zeros after them.
        QByteArray expected = bytes.left(bufferSize);
        expected += QByteArray(bufferSize - expected.size(), '\0');
        QVERIFY(buffer == expected);
    }
    if (phase == Engine::kLEDataOut) {
        QVERIFY(eventually([&peer]() { return !peer.notes(QStringLiteral("bytes")).isEmpty(); }));
        QCOMPARE(peer.notes(QStringLiteral("total")).value(0).toULongLong(), quint64(size));
        QVERIFY(peer.notes(QStringLiteral("bytes")).value(0).toByteArray() == bytes);
    }
    QVERIFY2(peer.failures().isEmpty(), qPrintable(peer.failures().join(QLatin1Char('\n'))));
}

void tst_PtpIpTransport::responseInADataPhaseEndsIt()
{
    Peer peer([](Peer &p) {
        const int command = p.accept();
        Request request;
        if (!p.readRequest(command, &request))
            return;
        // 1000 bytes announced, 100 sent, then the camera gives up with its response.
        p.send(command, startData(request.transactionId, 1000)
                            + dataPacket(Framing::kLEData, request.transactionId, pattern(100))
                            + response(0x2007, request.transactionId));
        if (p.readRequest(command, &request))
            p.send(command, response(kOK, request.transactionId));
        p.holdUntilStopped();
    });
    TVK_Test_LogCapture log;
    Link link(peer);
    QByteArray buffer(1000, '\xAA');
    Engine::Request request;
    request.operationCode = kOpLoopback;
    request.phase = Engine::kLEDataIn;
    request.bufferIn = buffer.data();
    request.sizeIn = unsigned(buffer.size());
    const Engine::Outcome outcome = link.engine->transact(request, "test", nullptr);
    QCOMPARE(outcome.status, TVK_Commu_PtpFramingIF::kLEOk);
    QCOMPARE(outcome.responseCode, 0x2007);
    QCOMPARE(outcome.received, quint64(100));
    QVERIFY(buffer == pattern(100) + QByteArray(900, '\0'));
    QCOMPARE(log.matching(QStringLiteral("data phase ended after 0x64 of 0x3E8 bytes")).size(), 1);
    // The stream stayed in step.
    QVERIFY(link.command().ok());
}

void tst_PtpIpTransport::staleResponseIsReadPast()
{
    Peer peer([](Peer &p) {
        const int command = p.accept();
        Request request;
        if (!p.readRequest(command, &request))
            return;
        // The answer to an abandoned transaction comes first.
        p.send(command, response(0x2002, request.transactionId - 1) + response(kOK, request.transactionId));
        p.holdUntilStopped();
    });
    TVK_Test_LogCapture log;
    Link link(peer);
    QVERIFY(link.command().ok());
    QCOMPARE(log.matching(QStringLiteral("stale response 0x2002 of transaction 0x00000000 skipped")).size(), 1);
}

void tst_PtpIpTransport::busyIsRetriedThroughTheEngine_data()
{
    QTest::addColumn<int>("busy");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("attempts");
    QTest::newRow("busy twice, then OK") << 2 << true << 3;
    QTest::newRow("busy six times") << 6 << false << 6;
}

void tst_PtpIpTransport::busyIsRetriedThroughTheEngine()
{
    QFETCH(int, busy);
    QFETCH(bool, ok);
    QFETCH(int, attempts);
    Peer peer([busy](Peer &p) {
        const int command = p.accept();
        Request request;
        for (int i = 0; i <= busy && p.readRequest(command, &request); ++i)
            p.send(command, response(i < busy ? kBusy : kOK, request.transactionId));
        p.holdUntilStopped();
    });
    Link link(peer);
    const Engine::Outcome outcome = link.command();
    QCOMPARE(outcome.ok(), ok);
    QCOMPARE(outcome.attempts, attempts);
    QCOMPARE(outcome.responseCode, ok ? int(kOK) : int(kBusy));
    // Each repetition is a transaction of its own.
    QStringList expected;
    for (int i = 1; i <= attempts; ++i)
        expected << QStringLiteral("9f01/%1/1").arg(i);
    QVERIFY(eventually([&]() { return peer.notes(QStringLiteral("request")).size() == attempts; }));
    QStringList requests;
    for (const QVariant &value : peer.notes(QStringLiteral("request")))
        requests << value.toString();
    QCOMPARE(requests, expected);
}

void tst_PtpIpTransport::silentCameraTimesOutAndGetsCancel()
{
    Peer peer([](Peer &p) {
        const int command = p.accept();
        Request request;
        if (!p.readRequest(command, &request))
            return;
        // No answer; the next request shows the Cancel before it.
        if (p.readRequest(command, &request))
            p.send(command, response(kOK, request.transactionId));
        p.holdUntilStopped();
    });
    Link link(peer, 300);
    QElapsedTimer clock;
    clock.start();
    const Engine::Outcome first = link.command();
    QCOMPARE(first.status, TVK_Commu_PtpFramingIF::kLETimeout);
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY(link.framing->isUsable());
    QVERIFY(link.command().ok());
    QCOMPARE(peer.notes(QStringLiteral("cancel")), QVariantList{1u});
}

void tst_PtpIpTransport::malformedPacketsFailTheTransactionOrCloseTheConnection_data()
{
    QTest::addColumn<QByteArray>("bytes"); // the camera's answer to transaction 1
    QTest::addColumn<bool>("usable");      // the connection survives it
    QTest::addColumn<QString>("line");
    const QByteArray header = le32(0x7FFFFFF0) + le32(Framing::kLEOperationResponse);
    QTest::newRow("length below the header") << (le32(4) + le32(7)) << false << "packet length 4 is below the header";
    QTest::newRow("length beyond any response") << header << false << "Operation Response packet (type 7) of 2147483632";
    QTest::newRow("data packet beyond the bound")
        << (startData(1, 100) + le32(Framing::kMaxDataPacket + 1) + le32(Framing::kLEData)) << false
        << "Data packet (type 10) of 268435457 bytes";
    QTest::newRow("truncated header") << QByteArray("\x10\0\0\0\x07", 5) << false << "truncated packet header";
    QTest::newRow("truncated response") << response(kOK, 1).left(12) << false << "truncated packet";
    QTest::newRow("unknown type") << packet(99, "abcd") << true << "unknown packet (type 99)";
    QTest::newRow("init packet in a transaction") << initFail(1) << true << "Init Fail packet (type 5)";
    QTest::newRow("response too short") << packet(Framing::kLEOperationResponse, "abc") << true
                                        << "Operation Response of 3 bytes, too short";
    QTest::newRow("start data too short") << packet(Framing::kLEStartData, "abcd") << true
                                          << "Start Data of 4 bytes, too short";
    QTest::newRow("data without start data") << dataPacket(Framing::kLEData, 1, "abc") << true
                                             << "Data packet (type 10) where a response was due";
    QTest::newRow("data longer than announced") << (startData(1, 4) + dataPacket(Framing::kLEEndData, 1, "0123456789"))
                                                << true << "data longer than Start Data announced";
    QTest::newRow("data of another transaction") << (startData(1, 4) + dataPacket(Framing::kLEEndData, 9, "0123"))
                                                 << true << "End Data packet of transaction 0x00000009";
    QTest::newRow("data packet without transaction id") << (startData(1, 4) + packet(Framing::kLEEndData, "ab"))
                                                        << true << "End Data packet of 10 bytes has no transaction id";
}

void tst_PtpIpTransport::malformedPacketsFailTheTransactionOrCloseTheConnection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, usable);
    QFETCH(QString, line);
    Peer peer([bytes](Peer &p) {
        const int command = p.accept();
        Request request;
        if (!p.readRequest(command, &request))
            return;
        p.send(command, bytes);
        if (bytes.size() < 8) {
            p.close(command); // a header that never completes
            return;
        }
        // Whatever is left of transaction 1 is the framing's to read past.
        if (p.readRequest(command, &request))
            p.send(command, response(kOK, request.transactionId));
        p.holdUntilStopped();
    });
    TVK_Test_LogCapture log;
    Link link(peer, 2000);
    QByteArray buffer(64, '\0');
    Engine::Request request;
    request.operationCode = kOpLoopback;
    request.phase = Engine::kLEDataIn;
    request.bufferIn = buffer.data();
    request.sizeIn = unsigned(buffer.size());
    const Engine::Outcome first = link.engine->transact(request, "test", nullptr);
    QVERIFY(!first.ok());
    QVERIFY2(!log.matching(line).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
    QCOMPARE(link.framing->isUsable(), usable);
    if (usable) {
        // The stream is still in step: the next transaction works.
        QVERIFY(link.command().ok());
        QCOMPARE(peer.notes(QStringLiteral("cancel")), QVariantList{1u});
    } else {
        QCOMPARE(first.status, TVK_Commu_PtpFramingIF::kLEGone);
        QVERIFY(!log.matching(QStringLiteral("connection closed")).isEmpty());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(link.command().status, TVK_Commu_PtpFramingIF::kLEGone);
        QVERIFY(clock.elapsed() < 1000);
    }
}

void tst_PtpIpTransport::eventsArriveOnTheEventConnectionAndProbesAreAnswered()
{
    Peer peer([](Peer &p) {
        const int events = p.accept();
        p.send(events, packet(Framing::kLEProbeRequest));
        quint32 type = 0;
        QByteArray payload;
        if (p.readPacket(events, &type, &payload))
            p.note(QStringLiteral("answer"), type);
        p.send(events, packet(42, "junk") + eventPacket(0xC00A, {0x5005, 7}));
        p.holdUntilStopped();
    });
    QString error;
    Framing events(Framing::connectTo(kLoopback, peer.port(), kWaitMs, &error));
    TVK_Commu_PtpContainer event;
    // The probe is answered on the way; a packet that is no event is skipped
    // with a log line.
    QCOMPARE(events.receiveEvent(&event, kWaitMs), TVK_Commu_PtpFramingIF::kLEProtocolError);
    QCOMPARE(events.receiveEvent(&event, kWaitMs), TVK_Commu_PtpFramingIF::kLEOk);
    QCOMPARE(event.type, quint16(TVK_Commu_PtpContainer::kLEEvent));
    QCOMPARE(event.code, quint16(0xC00A));
    QCOMPARE(event.numParams, 2);
    QCOMPARE(event.param(0), 0x5005u);
    QCOMPARE(peer.notes(QStringLiteral("answer")), QVariantList{quint32(Framing::kLEProbeResponse)});
    // Nothing more within a short look: a time-out, the connection fine.
    QCOMPARE(events.receiveEvent(&event, 1), TVK_Commu_PtpFramingIF::kLETimeout);
    QVERIFY(events.isUsable());
}

// --- Access --------------------------------------------------------------------------------------

void tst_PtpIpTransport::addressesAreParsedStrictly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("name") << "camera.local" << "camera.local" << 15740;
    QTest::newRow("IPv4 and port") << "192.168.1.20:15741" << "192.168.1.20" << 15741;
    QTest::newRow("IPv6 in brackets") << "[fe80::1]" << "fe80::1" << 15740;
    QTest::newRow("IPv6 and port") << "[::1]:2000" << "::1" << 2000;
    QTest::newRow("empty port") << "camera:" << "" << 0;
    QTest::newRow("port 0") << "camera:0" << "" << 0;
    QTest::newRow("port too large") << "camera:65536" << "" << 0;
    QTest::newRow("port not a number") << "camera:http" << "" << 0;
    QTest::newRow("IPv6 without brackets") << "::1" << "" << 0;
    QTest::newRow("brackets without IPv6") << "[camera]:1" << "" << 0;
    QTest::newRow("space in the name") << "my camera" << "" << 0;
    QTest::newRow("empty") << "" << "" << 0;
}

void tst_PtpIpTransport::addressesAreParsedStrictly()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    Access::Address address;
    QString error;
    QCOMPARE(Access::parseAddress(text, &address, &error), !host.isEmpty());
    if (host.isEmpty()) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(address.host, host);
    QCOMPARE(int(address.port), port);
    QCOMPARE(address.deviceId(), QStringLiteral("ptpip:%1:%2").arg(host).arg(port));
}

void tst_PtpIpTransport::deviceInfoModelGivesTheProductId()
{
    const QByteArray info = deviceInfo(QStringLiteral("Velia 2 Night"));
    QCOMPARE(Access::modelOfDeviceInfo(info.constData(), size_t(info.size())), QStringLiteral("Velia 2 Night"));
    QCOMPARE(Access::productIdForModel(QStringLiteral("Velia 2 Night")), 0x2047);
    QCOMPARE(Access::productIdForModel(QStringLiteral("Ardo 3")), 0x2031);
    QCOMPARE(Access::productIdForModel(QStringLiteral("Ardo 3 X")), 0);
    // Every cut of the dataset is read without a read past it; only cuts
    // that keep the whole model name give it.
    const int modelEnd = info.size() - ptpString(QStringLiteral("1.0")).size() - ptpString(QStringLiteral("0042")).size();
    for (int size = 0; size <= info.size(); ++size)
        QCOMPARE(Access::modelOfDeviceInfo(info.constData(), size_t(size)).isEmpty(), size < modelEnd);
    // An absurd count in the first code list.
    QByteArray absurd = info;
    qToLittleEndian<quint32>(0xFFFFFFFFu, absurd.data() + 8 + ptpString(QStringLiteral("vendor")).size() + 2);
    QCOMPARE(Access::modelOfDeviceInfo(absurd.constData(), size_t(absurd.size())), QString());
}

void tst_PtpIpTransport::openRunsBothHandshakesAndTheSessions_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("configured");
    QTest::addColumn<int>("product"); // 0: the open fails
    QTest::addColumn<QString>("line");
    QTest::newRow("known model") << "Velia" << 0 << 0x2041 << "product id 0x2041 from the model name \"Velia\"";
    QTest::newRow("configured product") << "Prototype" << 0x2061 << 0x2061
                                        << "product id 0x2061 from the configuration of 127.0.0.1";
    QTest::newRow("unknown model") << "Prototype" << 0 << 0 << "reports the unknown model \"Prototype\"";
}

void tst_PtpIpTransport::openRunsBothHandshakesAndTheSessions()
{
    QFETCH(QString, model);
    QFETCH(int, configured);
    QFETCH(int, product);
    QFETCH(QString, line);
    Peer peer([model](Peer &p) {
        int command = -1;
        int events = -1;
        if (!p.serveOpen(model, &command, &events))
            return;
        p.note(QStringLiteral("opened"), true);
        // The close: vendor session, CloseSession, then both connections end.
        Request request;
        for (int code : {0x9006, 0x1003}) {
            if (!p.readRequest(command, &request) || request.code != code)
                p.fail(QStringLiteral("no 0x%1 at the close").arg(code, 0, 16));
            p.send(command, response(kOK, request.transactionId));
        }
        if (p.waitForClose(command) && p.waitForClose(events))
            p.note(QStringLiteral("closed"), true);
    });
    const QByteArray guid = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F10");
    Access::setGuid(guid);
    Access::setConfiguredProductId(configured);
    TVK_Test_LogCapture log;
    {
        Access access(peer.address());
        TVK_Test_SignalRecorder recorder(&access);
        const bool opened = access.openConnection(0x4E50, 0, peer.address().deviceId());
        Access::setConfiguredProductId(0);
        QVERIFY2(!log.matching(line).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
        QCOMPARE(opened, product != 0);
        QCOMPARE(access.productId(), product);
        QCOMPARE(peer.notes(QStringLiteral("guid")), QVariantList{guid});
        if (product == 0) {
            QCOMPARE(recorder.size(), 0);
            return;
        }
        QCOMPARE(recorder.signatures(), QStringList{"signalConnectionOpened(int)"});
        QCOMPARE(recorder.lastArgs(QStringLiteral("signalConnectionOpened")), QVariantList{2});
        // Once open, the poll leaves the camera alone.
        QVERIFY(!access.checkDeviceAvailable());
        QVERIFY(access.closeConnection());
        QVERIFY(!access.closeConnection());
        QCOMPARE(recorder.count(QStringLiteral("signalConnectionClosed")), 1);
        QCOMPARE(recorder.lastArgs(QStringLiteral("signalConnectionClosed")), QVariantList{2});
        QCOMPARE(access.productId(), 0);
    }
    QVERIFY(eventually([&peer]() { return !peer.notes(QStringLiteral("closed")).isEmpty() || peer.finished(); }));
    QCOMPARE(peer.notes(QStringLiteral("closed")), QVariantList{true});
    QVERIFY2(peer.failures().isEmpty(), qPrintable(peer.failures().join(QLatin1Char('\n'))));
}

void tst_PtpIpTransport::initFailMakesTheOpenFail_data()
{
    QTest::addColumn<bool>("onEvents");
    QTest::addColumn<QString>("line");
    QTest::newRow("command connection") << false << "Init Fail, reason 1 (rejected initiator)";
    QTest::newRow("event connection") << true << "Init Fail on the event connection, reason 2 (busy)";
}

void tst_PtpIpTransport::initFailMakesTheOpenFail()
{
    QFETCH(bool, onEvents);
    QFETCH(QString, line);
    Peer peer([onEvents](Peer &p) {
        const int command = p.accept();
        quint32 type = 0;
        QByteArray payload;
        p.readPacket(command, &type, &payload);
        if (!onEvents) {
            p.send(command, initFail(1));
        } else {
            p.send(command, initCommandAck(3, QStringLiteral("Peer")));
            const int events = p.accept();
            p.readPacket(events, &type, &payload);
            p.send(events, initFail(2));
        }
        p.holdUntilStopped();
    });
    TVK_Test_LogCapture log;
    Access access(peer.address());
    QSignalSpy opened(&access, &Access::signalConnectionOpened);
    QSignalSpy closed(&access, &Access::signalConnectionClosed);
    QVERIFY(!access.openConnection(0x4E50, 0, peer.address().deviceId()));
    QVERIFY2(!log.matching(line).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
    QCOMPARE(access.productId(), 0);
    QCOMPARE(opened.count(), 0);
    QCOMPARE(closed.count(), 0);
    // A transaction after the failed open fails without touching the wire.
    QVERIFY(!access.sendCommand(kOpLoopback, 0, nullptr, nullptr));
}

void tst_PtpIpTransport::eventsReachTheEventEntry()
{
    Peer peer([](Peer &p) {
        int command = -1;
        int events = -1;
        if (!p.serveOpen(QStringLiteral("Ardo 2"), &command, &events))
            return;
        if (!p.waitFor(QStringLiteral("events")))
            return;
        p.send(events, eventPacket(0xC000) + eventPacket(0x4009, {0x00010001}) + eventPacket(0xC006, {12})
                           + eventPacket(0xC00A, {0x5005}) + eventPacket(0xC00A, {0x5005}));
        p.answerEverything(command);
    });
    Access access(peer.address());
    access.setTransferTimeoutMs(2000);
    TVK_Test_SignalRecorder recorder(&access);
    QVERIFY(access.openConnection(0x4E50, 0, peer.address().deviceId()));
    QCOMPARE(access.productId(), 0x2009);
    peer.go(QStringLiteral("events"));
    QVERIFY(eventually([&recorder]() { return recorder.count(QStringLiteral("signalDevicePropertyChanged")) >= 1; }));
    QCOMPARE(recorder.count(QStringLiteral("signalSettingsChanged")), 1);
    QCOMPARE(recorder.count(QStringLiteral("signalTransferRequest")), 1);
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalBulbCounter")), QVariantList{12});
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalDevicePropertyChanged")).value(0).toInt(), 0x5005);
    QVERIFY(recorder.containsInOrder({QStringLiteral("signalConnectionOpened"), QStringLiteral("signalSettingsChanged"),
                                      QStringLiteral("signalTransferRequest"), QStringLiteral("signalBulbCounter")}));
    QVERIFY(access.closeConnection());
    // The repeated property report collapsed into one.
    QCOMPARE(recorder.count(QStringLiteral("signalDevicePropertyChanged")), 1);
    QCOMPARE(recorder.count(QStringLiteral("signalConnectionClosed")), 1);
}

void tst_PtpIpTransport::peerClosingInADataPhaseClosesOnceWithoutHanging()
{
    Peer peer([](Peer &p) {
        int command = -1;
        int events = -1;
        if (!p.serveOpen(QStringLiteral("Pico"), &command, &events))
            return;
        Request request;
        if (!p.readRequest(command, &request))
            return;
        // Half a picture, then the camera is gone (switched off, out of range).
        p.send(command, startData(request.transactionId, 1 << 20)
                            + le32(8 + 4 + (1 << 20)) + le32(Framing::kLEEndData) + le32(request.transactionId)
                            + pattern(300000));
        p.close(command);
        p.close(events);
    });
    TVK_Test_LogCapture log;
    Access access(peer.address());
    TVK_Test_SignalRecorder recorder(&access);
    QVERIFY(access.openConnection(0x4E50, 0, peer.address().deviceId()));
    std::vector<char> picture(1 << 20, '\0');
    const quint32 handle = 0x00010001;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!access.recvData(0x1009, 1, &handle, picture.data(), unsigned(picture.size()), nullptr));
    // Far below the 5 s transfer time-out: the close is noticed, not waited out.
    QVERIFY(clock.elapsed() < 4000);
    QVERIFY(eventually([&recorder]() { return recorder.count(QStringLiteral("signalConnectionClosed")) >= 1; }));
    // The event thread notices the same loss within its poll period; still
    // one close after it had the time to.
    QTest::qWait(3 * Access::kEventPollMs);
    clock.restart();
    QVERIFY(!access.sendCommand(kOpLoopback, 0, nullptr, nullptr));
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(!access.closeConnection());
    QCOMPARE(recorder.count(QStringLiteral("signalConnectionClosed")), 1);
    QCOMPARE(recorder.lastArgs(QStringLiteral("signalConnectionClosed")), QVariantList{2});
    QCOMPARE(access.productId(), 0);
}

void tst_PtpIpTransport::pollNeverWaitsForTheNetwork_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<int>("announcements");
    QTest::addColumn<QString>("line"); // logged by the first probe
    QTest::newRow("nothing listens") << "none" << 0 << "no camera at 127.0.0.1";
    QTest::newRow("accepts but never answers") << "silent" << 0 << "no Init Ack within 300 ms";
    QTest::newRow("refuses") << "refusing" << 0 << "Init Fail from the camera, reason 1 (rejected initiator)";
    QTest::newRow("answers") << "answering" << 1 << "answers the probe";
}

void tst_PtpIpTransport::pollNeverWaitsForTheNetwork()
{
    QFETCH(QString, camera);
    QFETCH(int, announcements);
    QFETCH(QString, line);
    std::unique_ptr<Peer> peer;
    Access::Address address{kLoopback, 0};
    if (camera == QLatin1String("none")) {
        // A port that was free a moment ago: nothing listens there.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        address.port = probe.serverPort();
    } else {
        peer = std::make_unique<Peer>([camera](Peer &p) {
            while (!p.stopping()) {
                const int connection = p.accept();
                if (connection < 0 || camera == QLatin1String("silent"))
                    continue; // accepted, never read, never answered
                quint32 type = 0;
                QByteArray payload;
                if (!p.readPacket(connection, &type, &payload) || type != Framing::kLEInitCommandRequest)
                    continue;
                p.send(connection,
                       camera == QLatin1String("refusing") ? initFail(1) : initCommandAck(1, QStringLiteral("Peer")));
                p.waitForClose(connection);
            }
        });
        address.port = peer->port();
    }
    TVK_Test_LogCapture log;
    Access access(address);
    // The second poll only looks, whatever the first one's Init got.
    access.setInitBackOffMs(60000, 60000);
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QSignalSpy warnings(&access, &Access::signalConnectionWarning);
    QList<bool> results;
    for (int poll = 0; poll < 2; ++poll) {
        if (poll == 1 && camera != QLatin1String("none"))
            line = QStringLiteral("127.0.0.1:%1 takes connections").arg(address.port);
        log.clear();
        QElapsedTimer clock;
        clock.start();
        results << access.checkDeviceAvailable();
        // The controller's timer never waits for the probe.
        QVERIFY(clock.elapsed() < 250);
        QVERIFY2(eventually([&log, &line]() { return !log.matching(line).isEmpty(); }),
                 qPrintable(log.lines().join(QLatin1Char('\n'))));
        if (poll == 0 && camera == QLatin1String("silent"))
            QVERIFY(clock.elapsed() >= 250);
        if (poll == 0 && announcements > 0)
            QVERIFY(eventually([&available]() { return available.count() == 1; }));
        if (poll == 0 && camera == QLatin1String("refusing"))
            QVERIFY(eventually([&warnings]() { return warnings.count() == 1; }));
        // The probe's queued report of the second poll has its chance too.
        QTest::qWait(100);
    }
    // Announced once while it answers, and the poll after the announcement says so.
    QCOMPARE(available.count(), announcements);
    QCOMPARE(results, (QList<bool>{false, announcements > 0}));
    if (announcements > 0) {
        const QList<QVariant> args = available.first();
        QCOMPARE(args.at(0).toInt(), 2);
        QCOMPARE(args.at(1).toULongLong(), 0x4E50ull);
        QCOMPARE(args.at(3).toString(), address.deviceId());
    }
    // A refusal is worth one warning, not one per poll.
    QCOMPARE(warnings.count(), camera == QLatin1String("refusing") ? 1 : 0);
}

void tst_PtpIpTransport::initOnlyWhenTheAddressStartsAnsweringThenBacksOff_data()
{
    QTest::addColumn<quint32>("refusal");
    QTest::newRow("camera that accepts") << 0u;
    QTest::newRow("camera paired with another computer") << 1u;
}

void tst_PtpIpTransport::initOnlyWhenTheAddressStartsAnsweringThenBacksOff()
{
    QFETCH(quint32, refusal);
    TVK_Emulator_PtpIpServerThread server(std::make_shared<TVK_Emulator_Camera>(0x2041));
    QVERIFY(server.port() != 0);
    server.setRefusal(refusal);
    TVK_Test_LogCapture log;
    Access access(Access::Address{kLoopback, server.port()});
    constexpr int kFirstMs = 100;
    constexpr int kMaxMs = 400;
    access.setInitBackOffMs(kFirstMs, kMaxMs);
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QSignalSpy warnings(&access, &Access::signalConnectionWarning);
    // Polled far more often than the controller's second, nobody opening.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2500) {
        access.checkDeviceAvailable();
        QTest::qWait(20);
    }
    const int inits = server.initCommandRequests();
    // No Init can have started earlier than the back-off lets it.
    int allowed = 0;
    for (qint64 at = 0, pause = kFirstMs; at <= clock.elapsed(); at += pause, pause = qMin<qint64>(2 * pause, kMaxMs))
        ++allowed;
    if (refusal == 0) {
        QCOMPARE(inits, 1);
        QCOMPARE(available.count(), 1);
    } else {
        QVERIFY2(inits >= 2 && inits <= allowed, qPrintable(QStringLiteral("%1 of %2").arg(inits).arg(allowed)));
        QCOMPARE(available.count(), 0);
    }
    QCOMPARE(warnings.count(), refusal == 0 ? 0 : 1);
    QCOMPARE(log.matching(QStringLiteral("refuses the connection")).size(), refusal == 0 ? 0 : 1);
}

void tst_PtpIpTransport::hostNamesAreLookedUpAwayFromTheCaller_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("name of this computer") << "localhost";
    // Reserved never to resolve: no answer from any network is needed.
    QTest::newRow("name that cannot resolve") << "no-such-host.invalid";
}

void tst_PtpIpTransport::hostNamesAreLookedUpAwayFromTheCaller()
{
    QFETCH(QString, host);
    const bool resolves = host == QLatin1String("localhost");
    TVK_Emulator_PtpIpServerThread server(std::make_shared<TVK_Emulator_Camera>(0x2041));
    TVK_Test_LogCapture log;
    Access access(Access::Address{host, server.port()});
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    const QString unknown = QStringLiteral("cannot be looked up");
    for (int poll = 1; poll <= 3; ++poll) {
        access.checkDeviceAvailable();
        QVERIFY2(eventually([&]() { return resolves ? available.count() == 1 : log.matching(unknown).size() == poll; }),
                 qPrintable(log.lines().join(QLatin1Char('\n'))));
    }
    // The open connects where the probe found the host; it never looks it up itself.
    QCOMPARE(access.openConnection(0x4E50, 0, access.address().deviceId()), resolves);
    QCOMPARE(server.hasInitiator(), resolves);
    if (resolves) {
        QVERIFY(access.closeConnection());
        QVERIFY(log.matching(unknown).isEmpty());
    } else {
        // Told once; the later polls ask quietly.
        QCOMPARE(log.matching(QStringLiteral("Error: the WLAN camera's host no-such-host.invalid")).size(), 1);
        QVERIFY(!log.matching(QStringLiteral("has not been looked up yet")).isEmpty());
    }
}

void tst_PtpIpTransport::stalledCameraIsTakenAsGoneAndFoundAgain()
{
    TVK_Emulator_PtpIpServerThread server(std::make_shared<TVK_Emulator_Camera>(0x2041));
    TVK_Test_LogCapture log;
    Access access(Access::Address{kLoopback, server.port()});
    access.setTransferTimeoutMs(200);
    access.setInitBackOffMs(100, 100);
    QSignalSpy available(&access, &Access::signalDeviceAvailable);
    QSignalSpy closed(&access, &Access::signalConnectionClosed);
    // As the controller does: poll until announced, then open.
    const auto findAndOpen = [&access, &available]() {
        const int before = available.count();
        return eventually([&]() {
                   access.checkDeviceAvailable();
                   return available.count() > before;
               })
               && access.openConnection(0x4E50, 0, access.address().deviceId());
    };
    std::vector<unsigned char> info(Access::kDeviceInfoSize);
    const auto readDeviceInfo = [&access, &info]() {
        return access.recvData(0x1001, 0, nullptr, info.data(), unsigned(info.size()), nullptr);
    };
    QVERIFY(findAndOpen());
    QVERIFY(readDeviceInfo());
    server.stallSession();
    for (int timeouts = 0; timeouts < Engine::kTimeoutsUntilGone; ++timeouts) {
        QCOMPARE(closed.count(), 0);
        QVERIFY(!readDeviceInfo());
    }
    QVERIFY(eventually([&closed]() { return closed.count() == 1; }));
    QCOMPARE(access.productId(), 0);
    QVERIFY(!log.matching(QStringLiteral("3 transactions in a row timed out")).isEmpty());
    // The camera's next session answers again.
    QVERIFY(findAndOpen());
    QVERIFY(readDeviceInfo());
    QVERIFY(access.closeConnection());
    QCOMPARE(closed.count(), 2);
}

QTEST_GUILESS_MAIN(tst_PtpIpTransport)
#include "tst_ptpiptransport.moc"
