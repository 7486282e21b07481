#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_DataSink.h"
#include "TVK_Commu_MemorySink.h"
#include "TVK_Commu_PtpContainer.h"
#include "TVK_Commu_PtpIpFraming.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Test_Bytes.h"
#include "TVK_Test_Heap.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_OpenedCamera.h"

#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using Engine = TVK_Commu_PtpTransactionEngine;
using Framing = TVK_Commu_PtpFramingIF;
using IpFraming = TVK_Commu_PtpIpFraming;
using Sink = TVK_Commu_DataSink;
using namespace TVK_Test_Bytes;

namespace {

constexpr int kOpData = 0x9F02;
constexpr quint16 kOK = 0x2001;
constexpr int kPacket = TVK_Emulator_UsbPipe::kHighSpeedPacketSize;
constexpr int kMB = 1024 * 1024;
constexpr quint64 kMarker32 = 0xFFFFFFFFu;

// The byte pattern() puts at offset, so that a sink can check pieces of any
// size without keeping them.
char patternAt(quint64 offset)
{
    const int i = int(offset % 65521);
    return char((i * 7 + i / 251) & 0xFF);
}

// Notes what a sink is told and checks every byte against pattern(), keeping
// none; refuses at begin (refuseAfter 0 with refuseAtBegin) or once
// refuseAfter bytes have come.
class CheckingSink : public Sink
{
public:
    bool refuseAtBegin = false;
    qint64 refuseAfter = -1;
    // Heap in use sampled at each piece, for the bound on a transfer's memory.
    bool sampleHeap = false;

    int begins = 0;
    int ends = 0;
    int pieces = 0;
    int writesAfterRefusal = 0;
    quint64 total = 0;
    quint64 bytes = 0;
    size_t largestPiece = 0;
    bool inOrder = true;
    bool refused = false;
    eLEEnd how = kLEComplete;
    qint64 heapPeak = 0;

    bool begin(quint64 announced) override
    {
        ++begins;
        total = announced;
        refused = refuseAtBegin;
        return !refused;
    }
    bool write(const unsigned char *data, size_t size) override
    {
        if (refused) {
            ++writesAfterRefusal;
            return false;
        }
        ++pieces;
        largestPiece = std::max(largestPiece, size);
        for (size_t i = 0; i < size && inOrder; ++i)
            inOrder = char(data[i]) == patternAt(bytes + i);
        bytes += size;
        if (sampleHeap)
            heapPeak = std::max(heapPeak, TVK_Test_Heap::inUseBytes());
        if (refuseAfter >= 0 && bytes >= quint64(refuseAfter))
            refused = true;
        return !refused;
    }
    void end(eLEEnd ended) override
    {
        ++ends;
        how = ended;
    }
};

// --- Bytes as the wire has them -------------------------------------------------------------

QByteArray usbContainer(quint32 length, quint16 type, quint16 code, quint32 transactionId)
{
    return le32(length) + le16(type) + le16(code) + le32(transactionId);
}

QByteArray usbResponse(quint16 code, quint32 transactionId)
{
    return usbContainer(12, TVK_Commu_PtpContainer::kLEResponse, code, transactionId);
}

QByteArray ipPacket(quint32 type, const QByteArray &payload = QByteArray())
{
    return le32(quint32(8 + payload.size())) + le32(type) + payload;
}

QByteArray ipResponse(quint16 code, quint32 transactionId)
{
    return ipPacket(IpFraming::kLEOperationResponse, le16(code) + le32(transactionId));
}

QByteArray ipStartData(quint32 transactionId, quint64 total)
{
    return ipPacket(IpFraming::kLEStartData, le32(transactionId) + le64(total));
}

QByteArray ipData(quint32 type, quint32 transactionId, const QByteArray &bytes)
{
    return ipPacket(type, le32(transactionId) + bytes);
}

// Start Data announcing total, bytes in Data packets of chunk, the last in End Data.
QByteArray ipDataIn(quint32 transactionId, quint64 total, const QByteArray &bytes, int chunk)
{
    QByteArray wire = ipStartData(transactionId, total);
    int sent = 0;
    while (bytes.size() - sent > chunk) {
        wire += ipData(IpFraming::kLEData, transactionId, bytes.mid(sent, chunk));
        sent += chunk;
    }
    return wire + ipData(IpFraming::kLEEndData, transactionId, bytes.mid(sent));
}

// What a camera answers to one transaction, given its id: the transfers to
// send, back to back (USB: each its own transfer; PTP/IP: one stream).
using Answer = std::function<QVector<QByteArray>(quint32 transactionId)>;

// The engine's calls the tests make, over whichever framing.
class Link
{
public:
    virtual ~Link() = default;
    Engine::Outcome read(Sink *sink)
    {
        Engine::Request request;
        request.operationCode = kOpData;
        request.phase = Engine::kLEDataIn;
        request.sinkIn = sink;
        return engine().transact(request, "test", nullptr);
    }
    // Into the buffer through the request's buffer fields, or through a
    // memory sink of the same buffer.
    Engine::Outcome readInto(QByteArray *buffer, bool throughMemorySink)
    {
        Engine::Request request;
        request.operationCode = kOpData;
        request.phase = Engine::kLEDataIn;
        TVK_Commu_MemorySink memory(buffer->data(), quint64(buffer->size()));
        if (throughMemorySink) {
            request.sinkIn = &memory;
        } else {
            request.bufferIn = buffer->data();
            request.sizeIn = unsigned(buffer->size());
        }
        return engine().transact(request, "test", nullptr);
    }
    bool ping()
    {
        Engine::Request request;
        request.operationCode = 0x1001;
        return engine().transact(request, "test", nullptr).ok();
    }

protected:
    virtual Engine &engine() = 0;
};

// --- A scripted camera behind the in-memory USB cable ---------------------------------------

class UsbLink : public Link
{
public:
    UsbLink()
        : pipe(std::make_shared<TVK_Emulator_UsbPipe>())
        , framing(std::make_shared<TVK_Commu_UsbFraming>(pipe))
        , m_engine(framing)
    {
        framing->setTimeoutMs(5000);
        pipe->setDevice([this](const unsigned char *packet, size_t size) { receive(packet, size); },
                        [this](quint32) { cancels.fetch_add(1); }, []() { return kOK; });
    }
    // The next transaction gets this answer; any after it a plain OK.
    void answerNext(Answer answer)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_answers.append(std::move(answer));
    }

    std::shared_ptr<TVK_Emulator_UsbPipe> pipe;
    std::shared_ptr<TVK_Commu_UsbFraming> framing;
    std::atomic<int> cancels{0};

protected:
    Engine &engine() override { return m_engine; }

private:
    // Commands come in one packet each here; nothing of ours sends data out.
    void receive(const unsigned char *packet, size_t size)
    {
        if (size < 12 || qFromLittleEndian<quint16>(packet + 4) != TVK_Commu_PtpContainer::kLECommand)
            return;
        const quint32 transactionId = qFromLittleEndian<quint32>(packet + 8);
        Answer answer;
        {
            const std::lock_guard<std::mutex> locker(m_mutex);
            if (!m_answers.isEmpty())
                answer = m_answers.takeFirst();
        }
        const QVector<QByteArray> transfers =
            answer ? answer(transactionId) : QVector<QByteArray>{usbResponse(kOK, transactionId)};
        for (const QByteArray &transfer : transfers)
            pipe->sendToHost({transfer});
    }

    Engine m_engine;
    std::mutex m_mutex;
    QVector<Answer> m_answers;
};

// A data phase over USB: the container announcing length, then payload.
Answer usbDataIn(quint32 lengthField, const QByteArray &payload)
{
    return [lengthField, payload](quint32 id) {
        return QVector<QByteArray>{usbContainer(lengthField, TVK_Commu_PtpContainer::kLEData, kOpData, id) + payload,
                                   usbResponse(kOK, id)};
    };
}

// --- A scripted camera at the other end of a socket pair ------------------------------------

class IpLink : public Link
{
public:
    IpLink()
    {
        int sockets[2] = {-1, -1};
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets);
        // The framing's end does not block, as connectTo leaves a socket.
        ::fcntl(sockets[0], F_SETFL, ::fcntl(sockets[0], F_GETFL) | O_NONBLOCK);
        m_peer = sockets[1];
        framing = std::make_shared<IpFraming>(sockets[0]);
        framing->setTimeoutMs(5000);
        m_engine = std::make_unique<Engine>(framing);
        m_thread = std::thread([this]() { serve(); });
    }
    ~IpLink()
    {
        m_stop.store(true);
        ::shutdown(m_peer, SHUT_RDWR);
        m_thread.join();
        ::close(m_peer);
        m_engine.reset();
        framing.reset();
    }
    void answerNext(Answer answer)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_answers.append(std::move(answer));
    }
    int cancels() const { return m_cancels.load(); }

    std::shared_ptr<IpFraming> framing;

protected:
    Engine &engine() override { return *m_engine; }

private:
    bool readExact(char *out, size_t size)
    {
        size_t got = 0;
        while (got < size && !m_stop.load()) {
            const ssize_t n = ::recv(m_peer, out + got, size - got, 0);
            if (n <= 0)
                return false;
            got += size_t(n);
        }
        return got == size;
    }
    void serve()
    {
        char header[8];
        while (readExact(header, sizeof header)) {
            const quint32 length = qFromLittleEndian<quint32>(header);
            const quint32 type = qFromLittleEndian<quint32>(header + 4);
            QByteArray payload(int(length >= 8 ? length - 8 : 0), '\0');
            if (length < 8 || length > 4096 || !readExact(payload.data(), size_t(payload.size())))
                return;
            if (type == IpFraming::kLECancel) {
                m_cancels.fetch_add(1);
                continue;
            }
            if (type != IpFraming::kLEOperationRequest || payload.size() < 10)
                continue;
            const quint32 transactionId = qFromLittleEndian<quint32>(payload.constData() + 6);
            Answer answer;
            {
                const std::lock_guard<std::mutex> locker(m_mutex);
                if (!m_answers.isEmpty())
                    answer = m_answers.takeFirst();
            }
            const QVector<QByteArray> parts =
                answer ? answer(transactionId) : QVector<QByteArray>{ipResponse(kOK, transactionId)};
            for (const QByteArray &part : parts) {
                for (qint64 sent = 0; sent < part.size();) {
                    const ssize_t n = ::send(m_peer, part.constData() + sent, size_t(part.size() - sent), MSG_NOSIGNAL);
                    if (n <= 0)
                        return;
                    sent += n;
                }
            }
        }
    }

    std::unique_ptr<Engine> m_engine;
    int m_peer = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_cancels{0};
    std::mutex m_mutex;
    QVector<Answer> m_answers;
};

Answer ipAnswer(quint64 total, const QByteArray &bytes, int chunk, quint16 response = kOK)
{
    return [=](quint32 id) { return QVector<QByteArray>{ipDataIn(id, total, bytes, chunk), ipResponse(response, id)}; };
}

} // namespace

class tst_DataSink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usbPiecesArriveInOrderAndSumToTheTotal_data();
    void usbPiecesArriveInOrderAndSumToTheTotal();
    void ipPiecesArriveInOrderAndSumToTheTotal_data();
    void ipPiecesArriveInOrderAndSumToTheTotal();
    void memorySinkGivesTheBufferCallsResult_data();
    void memorySinkGivesTheBufferCallsResult();
    void usbHostileDataPhasesFailCleanly_data();
    void usbHostileDataPhasesFailCleanly();
    void ipHostileDataPhasesFailCleanly_data();
    void ipHostileDataPhasesFailCleanly();
    void refusingSinkStopsTheTransfer_data();
    void refusingSinkStopsTheTransfer();
    void memoryOfATransferDoesNotGrowWithTheObject_data();
    void memoryOfATransferDoesNotGrowWithTheObject();
    void emulatedAccessStreamsObjectsAndRanges();
    void usbAccessStreamsThroughTheEngine_data();
    void usbAccessStreamsThroughTheEngine();
};

// --- Pieces in order ---------------------------------------------------------------------------

void tst_DataSink::usbPiecesArriveInOrderAndSumToTheTotal_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("unknownTotal"); // the container's length is the "more than 4 GB" marker
    // Inside the first packet, filling it exactly (a zero-length packet
    // follows), one byte past it, many chunks and a ragged end.
    for (int size : {1, 500, 501, 1012, 3 * kMB + 7})
        QTest::newRow(qPrintable(QStringLiteral("%1 bytes").arg(size))) << size << false;
    QTest::newRow("marker length, 5000 bytes") << 5000 << true;
    QTest::newRow("marker length, 2 MB filling its last packet") << 2 * kMB - 12 + kPacket << true;
}

void tst_DataSink::usbPiecesArriveInOrderAndSumToTheTotal()
{
    QFETCH(int, size);
    QFETCH(bool, unknownTotal);
    UsbLink link;
    link.answerNext(usbDataIn(unknownTotal ? quint32(kMarker32) : quint32(12 + size), pattern(size)));
    CheckingSink sink;
    const Engine::Outcome outcome = link.read(&sink);
    QVERIFY(outcome.ok());
    QCOMPARE(sink.begins, 1);
    QCOMPARE(sink.total, unknownTotal ? Sink::kUnknownTotal : quint64(size));
    QCOMPARE(sink.bytes, quint64(size));
    QVERIFY(sink.inOrder);
    QVERIFY(sink.largestPiece <= Sink::kMaxPieceSize);
    QCOMPARE(sink.ends, 1);
    QCOMPARE(int(sink.how), int(Sink::kLEComplete));
    QCOMPARE(outcome.received, quint64(size));
    QCOMPARE(link.cancels.load(), 0);
    QVERIFY(link.ping());
}

void tst_DataSink::ipPiecesArriveInOrderAndSumToTheTotal_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunk");       // payload of each Data packet
    QTest::addColumn<quint64>("announced"); // Start Data's total
    QTest::addColumn<quint64>("told");      // what the sink is to be told
    const quint64 unknown = Sink::kUnknownTotal;
    QTest::newRow("1 byte") << 1 << 1 << quint64(1) << quint64(1);
    QTest::newRow("1 MB in 64 KB packets") << kMB << 65536 << quint64(kMB) << quint64(kMB);
    // A packet larger than a piece reaches the sink cut to the bound.
    QTest::newRow("3 MB in one packet") << 3 * kMB << 3 * kMB << quint64(3 * kMB) << quint64(3 * kMB);
    QTest::newRow("total unknown") << 100000 << 4096 << IpFraming::kUnknownDataLength << unknown;
    QTest::newRow("total is the 32-bit marker") << 100000 << 4096 << kMarker32 << unknown;
}

void tst_DataSink::ipPiecesArriveInOrderAndSumToTheTotal()
{
    QFETCH(int, size);
    QFETCH(int, chunk);
    QFETCH(quint64, announced);
    QFETCH(quint64, told);
    IpLink link;
    link.answerNext(ipAnswer(announced, pattern(size), chunk));
    CheckingSink sink;
    const Engine::Outcome outcome = link.read(&sink);
    QVERIFY(outcome.ok());
    QCOMPARE(sink.begins, 1);
    QCOMPARE(sink.total, told);
    QCOMPARE(sink.bytes, quint64(size));
    QVERIFY(sink.inOrder);
    QVERIFY(sink.largestPiece <= Sink::kMaxPieceSize);
    QVERIFY(sink.pieces >= (size + chunk - 1) / chunk);
    QCOMPARE(sink.ends, 1);
    QCOMPARE(int(sink.how), int(Sink::kLEComplete));
    QCOMPARE(outcome.received, quint64(size));
    QVERIFY(link.ping());
    QCOMPARE(link.cancels(), 0);
}

// --- The buffer calls ---------------------------------------------------------------------------

void tst_DataSink::memorySinkGivesTheBufferCallsResult_data()
{
    QTest::addColumn<bool>("overIp");
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("announced");
    QTest::addColumn<int>("bufferSize");
    for (bool overIp : {false, true}) {
        const QString link = overIp ? QStringLiteral("PTP/IP") : QStringLiteral("USB");
        const auto row = [&](const char *name, int sent, int announced, int bufferSize) {
            QTest::newRow(qPrintable(link + QStringLiteral(": ") + QLatin1String(name)))
                << overIp << sent << announced << bufferSize;
        };
        row("larger buffer", 1000, 1000, 3000);
        row("smaller buffer, inside the first packet", 5000, 5000, 100);
        row("smaller buffer, partial packet", 5000, 5000, 1000);
        row("header read of a large object", 3 * kMB, 3 * kMB, 1024);
        row("no buffer room", 2000, 2000, 0);
        row("nothing sent", 0, 0, 64);
        // The buffer calls take a short phase: their callers tell it by the count.
        row("shorter than announced", 600, 1000, 2000);
    }
}

// Through the buffer fields and through a memory sink of the same buffer, the
// caller gets what the buffer calls always gave: min(sent, size) camera
// bytes, zeros after them, the count of bytes sent.
void tst_DataSink::memorySinkGivesTheBufferCallsResult()
{
    QFETCH(bool, overIp);
    QFETCH(int, sent);
    QFETCH(int, announced);
    QFETCH(int, bufferSize);
    const QByteArray bytes = pattern(sent);
    const int kept = qMin(sent, bufferSize);
    const QByteArray expected = bytes.left(kept) + QByteArray(bufferSize - kept, '\0');
    for (bool throughMemorySink : {false, true}) {
        QByteArray buffer(bufferSize, '\x5A');
        Engine::Outcome outcome;
        if (overIp) {
            IpLink link;
            link.answerNext(ipAnswer(quint64(announced), bytes, 4096));
            outcome = link.readInto(&buffer, throughMemorySink);
            QVERIFY(link.ping());
        } else {
            UsbLink link;
            link.answerNext(usbDataIn(quint32(12 + announced), bytes));
            outcome = link.readInto(&buffer, throughMemorySink);
            QVERIFY(link.ping());
        }
        QVERIFY2(outcome.ok(), throughMemorySink ? "memory sink" : "buffer");
        QCOMPARE(outcome.received, quint64(sent));
        QVERIFY(buffer == expected);
    }
}

// --- A camera that does not keep to what it announced -----------------------------------------

void tst_DataSink::usbHostileDataPhasesFailCleanly_data()
{
    QTest::addColumn<quint32>("lengthField");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("cancelled"); // bytes were left on the wire
    QTest::newRow("short") << quint32(12 + 3000) << 1800 << "ended after 0x708 of the 0xBB8 bytes" << false;
    QTest::newRow("short, in the first packet") << quint32(12 + 3000) << 100 << "ended after 0x64 of the 0xBB8" << false;
    // 1000 bytes announced, 1010 sent: the surplus sits in the last packet.
    QTest::newRow("long, in the last packet") << quint32(12 + 1000) << 1010 << "longer than the 0x3E8 bytes announced"
                                              << true;
    QTest::newRow("long, by many packets") << quint32(12 + 1000) << 20000 << "longer than the 0x3E8 bytes announced"
                                           << true;
    QTest::newRow("long, in the first packet") << quint32(12 + 20) << 300 << "longer than the 0x14 bytes announced"
                                               << true;
    QTest::newRow("empty") << quint32(12) << 0 << "announced an empty data phase" << true;
    QTest::newRow("length below the header") << quint32(4) << 100 << "no PTP container" << true;
    QTest::newRow("OK without the data") << quint32(0) << 0 << "answered OK without the data phase" << false;
}

void tst_DataSink::usbHostileDataPhasesFailCleanly()
{
    QFETCH(quint32, lengthField);
    QFETCH(int, sent);
    QFETCH(QString, line);
    QFETCH(bool, cancelled);
    UsbLink link;
    // Length 0: the response alone, no data container.
    link.answerNext(lengthField == 0 ? Answer([](quint32 id) { return QVector<QByteArray>{usbResponse(kOK, id)}; })
                                     : usbDataIn(lengthField, pattern(sent)));
    TVK_Test_LogCapture log;
    CheckingSink sink;
    const Engine::Outcome outcome = link.read(&sink);
    QVERIFY(!outcome.ok());
    QVERIFY2(!log.matching(line).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
    // Never a byte beyond the announced total, and the end told once.
    const quint64 announced = lengthField > 12 ? lengthField - 12 : 0;
    QVERIFY(sink.bytes <= announced);
    QVERIFY(sink.inOrder);
    QCOMPARE(sink.ends, sink.begins);
    if (sink.begins > 0)
        QCOMPARE(int(sink.how), int(Sink::kLEAbandoned));
    QCOMPARE(link.cancels.load(), cancelled ? 1 : 0);
    QVERIFY(link.ping());
}

void tst_DataSink::ipHostileDataPhasesFailCleanly_data()
{
    QTest::addColumn<QByteArray>("data"); // the camera's data phase of transaction 1, or all of its answer
    QTest::addColumn<QString>("line");
    QTest::addColumn<quint64>("announced");
    QTest::addColumn<int>("cancels");
    const QByteArray okResponse = ipResponse(kOK, 1);
    QTest::newRow("short") << (ipDataIn(1, 3000, pattern(1800), 1000) + okResponse)
                           << "ended after 0x708 of the 0xBB8 bytes" << quint64(3000) << 0;
    QTest::newRow("response in the middle") << (ipStartData(1, 3000) + ipData(IpFraming::kLEData, 1, pattern(100))
                                                + okResponse)
                                            << "ended after 0x64 of the 0xBB8 bytes" << quint64(3000) << 0;
    QTest::newRow("long") << (ipDataIn(1, 1000, pattern(1500), 1000) + okResponse)
                          << "data longer than Start Data announced" << quint64(1000) << 1;
    // The total reached, and one more Data packet before End Data.
    QTest::newRow("piece beyond the total") << (ipStartData(1, 10) + ipData(IpFraming::kLEData, 1, pattern(10))
                                                + ipData(IpFraming::kLEData, 1, "x")
                                                + ipData(IpFraming::kLEEndData, 1, QByteArray()) + okResponse)
                                            << "(0x1 bytes after 0xA of 0xA)" << quint64(10) << 1;
    QTest::newRow("empty") << (ipDataIn(1, 0, QByteArray(), 1) + okResponse) << "announced an empty data phase"
                           << quint64(0) << 1;
    QTest::newRow("OK without the data") << okResponse << "answered OK without the data phase" << quint64(0) << 0;
}

void tst_DataSink::ipHostileDataPhasesFailCleanly()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, line);
    QFETCH(quint64, announced);
    QFETCH(int, cancels);
    IpLink link;
    link.answerNext([data](quint32 id) {
        // Written for transaction 1, the first of the link.
        return id == 1 ? QVector<QByteArray>{data} : QVector<QByteArray>{ipResponse(0x2002, id)};
    });
    TVK_Test_LogCapture log;
    CheckingSink sink;
    const Engine::Outcome outcome = link.read(&sink);
    QVERIFY(!outcome.ok());
    QVERIFY2(!log.matching(line).isEmpty(), qPrintable(log.lines().join(QLatin1Char('\n'))));
    QVERIFY(sink.bytes <= announced);
    QVERIFY(sink.inOrder);
    QCOMPARE(sink.ends, sink.begins);
    if (sink.begins > 0)
        QCOMPARE(int(sink.how), int(Sink::kLEAbandoned));
    // The stream is still in step: the leftovers are read past.
    QVERIFY(link.framing->isUsable());
    QVERIFY(link.ping());
    QCOMPARE(link.cancels(), cancels);
}

// --- A sink that stops the transfer -----------------------------------------------------------

void tst_DataSink::refusingSinkStopsTheTransfer_data()
{
    QTest::addColumn<bool>("overIp");
    QTest::addColumn<bool>("atBegin");
    QTest::addColumn<int>("after");
    for (bool overIp : {false, true}) {
        const QString link = overIp ? QStringLiteral("PTP/IP: ") : QStringLiteral("USB: ");
        QTest::newRow(qPrintable(link + QStringLiteral("at the start"))) << overIp << true << -1;
        QTest::newRow(qPrintable(link + QStringLiteral("at the first piece"))) << overIp << false << 1;
        QTest::newRow(qPrintable(link + QStringLiteral("after 1 MB of 3"))) << overIp << false << kMB;
    }
}

void tst_DataSink::refusingSinkStopsTheTransfer()
{
    QFETCH(bool, overIp);
    QFETCH(bool, atBegin);
    QFETCH(int, after);
    const int size = 3 * kMB;
    CheckingSink sink;
    sink.refuseAtBegin = atBegin;
    sink.refuseAfter = after;
    TVK_Test_LogCapture log;
    Engine::Outcome outcome;
    if (overIp) {
        IpLink link;
        link.answerNext(ipAnswer(quint64(size), pattern(size), 256 * 1024));
        outcome = link.read(&sink);
        QVERIFY(link.ping());
        QCOMPARE(link.cancels(), 1);
        QVERIFY(link.framing->isUsable());
    } else {
        UsbLink link;
        link.answerNext(usbDataIn(quint32(12 + size), pattern(size)));
        outcome = link.read(&sink);
        QVERIFY(link.ping());
        QCOMPARE(link.cancels.load(), 1);
    }
    QCOMPARE(outcome.status, Framing::kLERefused);
    QVERIFY(!outcome.ok());
    QVERIFY(!log.matching(QStringLiteral("refused by its receiver")).isEmpty());
    QCOMPARE(sink.writesAfterRefusal, 0);
    QVERIFY(sink.bytes < quint64(size));
    QCOMPARE(sink.begins, 1);
    QCOMPARE(sink.ends, 1);
    QCOMPARE(int(sink.how), int(Sink::kLEAbandoned));
}

// --- Memory ---------------------------------------------------------------------------------------

void tst_DataSink::memoryOfATransferDoesNotGrowWithTheObject_data()
{
    QTest::addColumn<bool>("overIp");
    QTest::newRow("USB") << false;
    QTest::newRow("PTP/IP") << true;
}

// A sink without memory of its own gets pieces no larger than its bound, and
// the heap grows by no more than a few such pieces while the transfer runs,
// be the object 1 MB or 48.
void tst_DataSink::memoryOfATransferDoesNotGrowWithTheObject()
{
    QFETCH(bool, overIp);
    if (TVK_Test_Heap::inUseBytes() < 0)
        QSKIP("this allocator does not tell its heap in use");
    const qint64 bound = 3 * qint64(Sink::kMaxPieceSize);
    for (int size : {kMB, 48 * kMB}) {
        // Made before the count starts: the camera's copy is not the host's.
        const QByteArray bytes = pattern(size);
        // The link's first transaction has id 1.
        const QByteArray wire = overIp ? ipDataIn(1, quint64(size), bytes, 16 * kMB) + ipResponse(kOK, 1)
                                       : usbContainer(quint32(12 + size), 2, kOpData, 1) + bytes;
        CheckingSink sink;
        sink.sampleHeap = true;
        Engine::Outcome outcome;
        qint64 before = 0;
        if (overIp) {
            IpLink link;
            // Data packets of 16 MB: each far larger than a piece.
            link.answerNext([wire](quint32) { return QVector<QByteArray>{wire}; });
            before = TVK_Test_Heap::inUseBytes();
            outcome = link.read(&sink);
        } else {
            UsbLink link;
            link.answerNext([wire](quint32 id) { return QVector<QByteArray>{wire, usbResponse(kOK, id)}; });
            before = TVK_Test_Heap::inUseBytes();
            outcome = link.read(&sink);
        }
        QVERIFY(outcome.ok());
        QCOMPARE(sink.bytes, quint64(size));
        QVERIFY(sink.inOrder);
        QVERIFY(sink.largestPiece <= Sink::kMaxPieceSize);
        QVERIFY2(sink.heapPeak - before < bound,
                 qPrintable(QStringLiteral("%1 MB object: heap grew by %2 bytes")
                                .arg(size / kMB)
                                .arg(sink.heapPeak - before)));
    }
}

// --- The access -----------------------------------------------------------------------------------

void tst_DataSink::emulatedAccessStreamsObjectsAndRanges()
{
    TVK_Test_OpenedCamera rig(0x2041);
    QVERIFY(rig.opened);
    auto *access = rig.accessAs<TVK_Commu_CameraAccess_Emulated>();
    auto *capture = rig.camera->component<TVK_Emulator_Capture>();
    QVERIFY(capture != nullptr);
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0); // DNG alone
    capture->setDngBytes(3 * kMB);
    QVERIFY(access->releaseCam(0));
    QTRY_VERIFY_WITH_TIMEOUT(capture->pendingCount() >= 1, 10000);
    const quint32 handle = TVK_Emulator_Capture::kPendingHandle;

    // The whole object, in pieces, equal to what the buffer call reads.
    struct Keeping : Sink {
        QByteArray kept;
        quint64 total = 0;
        size_t largest = 0;
        int ends = 0;
        bool begin(quint64 announced) override
        {
            total = announced;
            return true;
        }
        bool write(const unsigned char *bytes, size_t size) override
        {
            largest = std::max(largest, size);
            kept.append(reinterpret_cast<const char *>(bytes), int(size));
            return true;
        }
        void end(eLEEnd) override { ++ends; }
    };
    Keeping whole;
    quint64 received = 0;
    QVERIFY(access->streamObject(&whole, handle, &received));
    QCOMPARE(received, quint64(whole.kept.size()));
    QCOMPARE(whole.total, received);
    QVERIFY2(whole.kept.size() > 2 * TVK_Commu_CameraAccess_Emulated::kPieceSize,
             qPrintable(QString::number(whole.kept.size())));
    QVERIFY(whole.largest <= size_t(TVK_Commu_CameraAccess_Emulated::kPieceSize));
    QCOMPARE(whole.ends, 1);
    QByteArray buffer(whole.kept.size(), '\0');
    QVERIFY(access->getObject(buffer.data(), unsigned(buffer.size()), handle));
    QVERIFY(buffer == whole.kept);

    // A range, where the camera lists GetPartialObject.
    access->setSupportedOperations({0x1009, 0x101B});
    Keeping range;
    QVERIFY(access->streamPartialObject(&range, handle, 1000, 200000, &received));
    QCOMPARE(received, quint64(200000));
    QVERIFY(range.kept == whole.kept.mid(1000, 200000));

    // Not listed: refused before anything goes to the camera.
    access->setSupportedOperations({0x1009});
    const quint64 transactions = rig.camera->transactionCount();
    Keeping refused;
    TVK_Test_LogCapture log;
    QVERIFY(!access->streamPartialObject(&refused, handle, 0, 100, &received));
    QCOMPARE(received, quint64(0));
    QCOMPARE(rig.camera->transactionCount(), transactions);
    QCOMPARE(refused.ends, 0);
    QCOMPARE(log.matching(QStringLiteral("does not list GetPartialObject")).size(), 1);

    // A sink that stops midway fails the call; the next one works.
    struct Stopping : Sink {
        int pieces = 0;
        int ends = 0;
        eLEEnd how = kLEComplete;
        bool begin(quint64) override { return true; }
        bool write(const unsigned char *, size_t) override { return ++pieces < 2; }
        void end(eLEEnd ended) override
        {
            ++ends;
            how = ended;
        }
    };
    Stopping stopping;
    QVERIFY(!access->streamObject(&stopping, handle));
    QCOMPARE(stopping.pieces, 2);
    QCOMPARE(stopping.ends, 1);
    QCOMPARE(int(stopping.how), int(Sink::kLEAbandoned));
    QVERIFY(access->streamObject(&whole, handle));
}

void tst_DataSink::usbAccessStreamsThroughTheEngine_data()
{
    QTest::addColumn<qint64>("unplugAfter"); // bytes to the host before the cable goes; -1: never
    QTest::newRow("whole") << qint64(-1);
    QTest::newRow("cable pulled in the data phase") << qint64(2 * kMB);
}

// The Linux access on the emulated bus, whose responder sends back what it got
// last: the access's sink call goes through the engine and the USB framing.
void tst_DataSink::usbAccessStreamsThroughTheEngine()
{
    QFETCH(qint64, unplugAfter);
    constexpr int kOpLoopbackOut = 0x9F01;
    constexpr int kOpLoopbackIn = 0x9F02;
    auto camera = std::make_shared<TVK_Emulator_Camera>(0x2041);
    camera->setTimeScale(0.01);
    auto ownBus = std::make_unique<TVK_Emulator_UsbBus>(camera);
    TVK_Emulator_UsbBus *bus = ownBus.get();
    TVK_Commu_CameraAccess_Linux_PTP access(std::move(ownBus));
    QSignalSpy available(&access, &TVK_Commu_CameraAccess_Linux_PTP::signalDeviceAvailable);
    access.checkDeviceAvailable();
    QCOMPARE(available.size(), 1);
    const QList<QVariant> args = available.takeFirst();
    QVERIFY(access.openConnection(args.at(1).toULongLong(), args.at(2).toInt(), args.at(3).toString()));
    bus->responder()->setLoopbackOperation(kOpLoopbackOut, true);
    bus->responder()->setLoopbackOperation(kOpLoopbackIn, false);
    const int size = 5 * kMB + 3;
    const QByteArray bytes = pattern(size);
    QVERIFY(access.sendData(kOpLoopbackOut, 0, nullptr, bytes.constData(), unsigned(size), "test"));
    if (unplugAfter >= 0)
        bus->pipe()->setUnplugAfterBytesToHost(unplugAfter);

    CheckingSink sink;
    quint64 received = 0;
    const bool ok = access.recvDataToSink(kOpLoopbackIn, 0, nullptr, &sink, "test", &received);
    QCOMPARE(ok, unplugAfter < 0);
    QCOMPARE(sink.begins, 1);
    QCOMPARE(sink.total, quint64(size));
    QVERIFY(sink.inOrder);
    QVERIFY(sink.largestPiece <= Sink::kMaxPieceSize);
    QCOMPARE(sink.ends, 1);
    if (ok) {
        QCOMPARE(sink.bytes, quint64(size));
        QCOMPARE(received, quint64(size));
        QCOMPARE(int(sink.how), int(Sink::kLEComplete));
        QByteArray info(1024, '\0');
        QVERIFY(access.getDeviceInfo(info.data(), unsigned(info.size())));
    } else {
        // Told the end as given up, and the camera counts as gone.
        QVERIFY(sink.bytes <= quint64(unplugAfter));
        QCOMPARE(received, quint64(0));
        QCOMPARE(int(sink.how), int(Sink::kLEAbandoned));
        QTRY_COMPARE_WITH_TIMEOUT(access.productId(), 0, 10000);
    }
    QCOMPARE(access.recvDataToSink(kOpLoopbackIn, 0, nullptr, nullptr, "test"), false);
    access.closeConnection();
}

QTEST_GUILESS_MAIN(tst_DataSink)
#include "tst_datasink.moc"
