#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Logic_ObjectInfo.h"

#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

using Maker = TVK_Emulator_PictureMaker;
using Capture = TVK_Emulator_Capture;
using Camera = TVK_Emulator_Camera;
using Access = TVK_Commu_CameraAccess_Emulated;
using Phase = TVK_Emulator_Transaction;
using Params = QVector<quint32>;
using Handles = QVector<quint32>;

namespace {

constexpr quint32 kPending = 0x12345678;
constexpr quint32 kAll = 0xFFFFFFFF;
constexpr quint32 kCardStorage = 0x00010001;

constexpr int kRespOK = 0x2001;
constexpr int kRespOperationNotSupported = 0x2005;
constexpr int kRespInvalidStorageId = 0x2008;
constexpr int kRespInvalidObjectHandle = 0x2009;
constexpr int kRespDeviceBusy = 0x2019;

constexpr int kOpGetStorageIds = 0x1004;
constexpr int kOpGetObjectHandles = 0x1007;
constexpr int kOpGetObjectInfo = 0x1008;
constexpr int kOpGetObject = 0x1009;
constexpr int kOpGetThumb = 0x100A;
constexpr int kOpDeleteObject = 0x100B;
constexpr int kOpInitiateCapture = 0x100E;
constexpr int kOpGetPartialObject = 0x101B;
constexpr int kOpRelease = 0x9004;
constexpr int kOpTransferObjectReady = 0x9007;
constexpr int kOpGetObjectPropValue = 0x9803;
constexpr quint32 kObjectPropOrientation = 0xD800;

// File formats as the capture takes them.
constexpr int kDng = 0;
constexpr int kPair = 1;
constexpr int kJpg = 2;

// A pair's DNG comes first here, its JPG first on the other.
constexpr int kDngFirstProduct = 0x2061;
constexpr int kJpgFirstProduct = 0x2041; // also has the object properties

// What the host's image list goes by: the low four bits of a handle.
constexpr quint32 kKindMask = 0xF;
constexpr quint32 kDngBits = 1;
constexpr quint32 kJpgBits = 2;

quint32 le32(const QByteArray &bytes, int offset)
{
    return TVK_Commu_DataReader::u32At(bytes.constData(), size_t(bytes.size()), size_t(offset));
}

// A PTP array of UINT32; an array whose count does not match its length reads
// as a single 0xDEAD, so that a comparison shows it.
Handles uint32Array(const QByteArray &bytes)
{
    const quint32 count = le32(bytes, 0);
    if (bytes.size() < 4 || qint64(bytes.size()) != 4 + 4 * qint64(count))
        return Handles{0xDEAD};
    Handles values;
    for (quint32 i = 0; i < count; ++i)
        values.append(le32(bytes, int(4 + 4 * i)));
    return values;
}

// Object announcements, from the camera's thread.
class EventLog
{
public:
    void add(const Camera::CameraEvent &event)
    {
        if (event.kind != TVK_Commu_CameraAccess_Base::kLEObjectTransferRequested)
            return;
        const std::lock_guard<std::mutex> locker(m_mutex);
        m_announced.append(event.objectName);
    }
    QStringList announced() const
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        return m_announced;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_announced;
};

// A camera of a product, spoken to with bare transactions.
class Body
{
public:
    explicit Body(int product = kDngFirstProduct, int fileFormat = kDng, quint32 seed = 7)
        : camera(std::make_unique<Camera>(product, seed))
        , log(std::make_shared<EventLog>())
    {
        camera->setTimeScale(0.01);
        capture = camera->component<Capture>();
        if (capture != nullptr) {
            capture->overrideSetting(Camera::kLEFileFormat, fileFormat);
            capture->setDngBytes(64 * 1024);
        }
        std::shared_ptr<EventLog> events = log;
        camera->setEventHandler([events](const Camera::CameraEvent &event) { events->add(event); });
    }

    Camera::Result run(int operationCode, const Params &params, Phase::eLEDataPhase phase = Phase::kLEDataIn)
    {
        return camera->transact(operationCode, params, phase);
    }
    QByteArray data(int operationCode, const Params &params)
    {
        const Camera::Result result = run(operationCode, params);
        return result.responseCode == kRespOK ? result.data : QByteArray();
    }
    bool release()
    {
        const bool native = camera->profile() != nullptr && camera->profile()->nativeRelease;
        return native ? run(kOpRelease, {0}, Phase::kLENoData).responseCode == kRespOK
                      : run(kOpInitiateCapture, {}, Phase::kLENoData).responseCode == kRespOK;
    }
    Handles listed() { return uint32Array(data(kOpGetObjectHandles, {kAll})); }
    QString nameOf(quint32 handle) { return TVK_Logic_ObjectInfo(data(kOpGetObjectInfo, {handle, 0})).filename(); }
    bool handOver() { return run(kOpTransferObjectReady, {}, Phase::kLENoData).responseCode == kRespOK; }

    std::unique_ptr<Camera> camera;
    std::shared_ptr<EventLog> log;
    Capture *capture = nullptr;
};

// The same camera behind the host's USB access.
class Host
{
public:
    explicit Host(int product = kDngFirstProduct)
        : camera(std::make_shared<Camera>(product, 7))
        , access(camera)
    {
        camera->setTimeScale(0.01);
        capture = camera->component<Capture>();
        if (capture != nullptr) {
            capture->overrideSetting(Camera::kLEFileFormat, kDng);
            capture->setDngBytes(4096);
        }
        access.checkDeviceAvailable();
        access.openConnection(Access::kVendorId, product, access.deviceId());
    }

    // What a read into a buffer of size bytes leaves there; empty when it failed.
    QByteArray read(int operationCode, const Params &params, int size)
    {
        QByteArray buffer(size, '\x5A');
        if (!access.recvData(operationCode, params.size(), params.constData(), buffer.data(), unsigned(size),
                             nullptr))
            return QByteArray();
        return buffer;
    }

    std::shared_ptr<Camera> camera;
    Access access;
    Capture *capture = nullptr;
};

// Everything the host can read of one object.
struct Reading {
    QString name;
    quint32 size = 0;
    quint32 thumbSize = 0;
    quint32 sequenceNumber = 0;
    QByteArray file;
    QByteArray slice;
    QByteArray smallThumb;
    QByteArray largeThumb;
    QByteArray orientation;
};

Reading readAll(Body &body, quint32 handle)
{
    Reading reading;
    const TVK_Logic_ObjectInfo info(body.data(kOpGetObjectInfo, {handle, 1}));
    reading.name = info.filename();
    reading.size = info.objectCompressedSize();
    reading.thumbSize = info.thumbCompressedSize();
    reading.sequenceNumber = info.sequenceNumber();
    reading.file = body.data(kOpGetObject, {handle});
    reading.slice = body.data(kOpGetPartialObject, {handle, 1000, 3000});
    reading.smallThumb = body.data(kOpGetThumb, {handle, 0});
    reading.largeThumb = body.data(kOpGetThumb, {handle, 1});
    reading.orientation = body.data(kOpGetObjectPropValue, {handle, kObjectPropOrientation});
    return reading;
}

} // namespace

class tst_emulatorcard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- Storage and listing -------------------------------------------------------------

    void everyProductHasOneCard_data()
    {
        QTest::addColumn<int>("product");
        for (int product : TVK_Emulator_Profile::knownProducts())
            QTest::newRow(QByteArray::number(product, 16).constData()) << product;
    }

    void everyProductHasOneCard()
    {
        QFETCH(int, product);
        Host host(product);
        // The host's own read: 20 bytes, of which the array fills eight.
        const QByteArray storages = host.read(kOpGetStorageIds, {}, 20);
        QCOMPARE(storages.size(), 20);
        QCOMPARE(le32(storages, 0), 1u);
        QCOMPARE(le32(storages, 4), kCardStorage);
        QCOMPARE(storages.mid(8), QByteArray(12, '\0'));
        // Listed in the DeviceInfo, so that a host asking first finds them.
        const TVK_Emulator_Profile *profile = host.camera->profile();
        QVERIFY(profile->supportsOperation(kOpGetStorageIds));
        QVERIFY(profile->supportsOperation(kOpGetObjectHandles));
        QCOMPARE(uint32Array(host.read(kOpGetObjectHandles, {kAll}, 4)), Handles{});
    }

    void objectHandlesAreAskedForByStorage_data()
    {
        QTest::addColumn<Params>("params");
        QTest::addColumn<int>("response");
        QTest::newRow("every storage") << Params{kAll} << kRespOK;
        QTest::newRow("the card") << Params{kCardStorage} << kRespOK;
        QTest::newRow("the card, any format, in the root") << Params{kCardStorage, 0x3801, kAll} << kRespOK;
        QTest::newRow("a second slot") << Params{0x00020001} << kRespInvalidStorageId;
        QTest::newRow("no storage at all") << Params{} << kRespInvalidStorageId;
    }

    void objectHandlesAreAskedForByStorage()
    {
        QFETCH(Params, params);
        QFETCH(int, response);
        Body body;
        QVERIFY(body.release());
        const Camera::Result result = body.run(kOpGetObjectHandles, params);
        QCOMPARE(result.responseCode, response);
        if (response == kRespOK)
            QCOMPARE(uint32Array(result.data), body.capture->cardHandles());
        else
            QVERIFY(result.data.isEmpty());
    }

    void theCardListsEveryFileInTheOrderTaken_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("fileFormat");
        QTest::addColumn<QStringList>("perPicture"); // extensions of one picture's files, in order
        QTest::newRow("DNG") << kDngFirstProduct << kDng << QStringList{QStringLiteral("DNG")};
        QTest::newRow("JPG") << kDngFirstProduct << kJpg << QStringList{QStringLiteral("JPG")};
        QTest::newRow("pair, DNG first") << kDngFirstProduct << kPair
                                         << QStringList{QStringLiteral("DNG"), QStringLiteral("JPG")};
        QTest::newRow("pair, JPG first") << kJpgFirstProduct << kPair
                                         << QStringList{QStringLiteral("JPG"), QStringLiteral("DNG")};
    }

    void theCardListsEveryFileInTheOrderTaken()
    {
        QFETCH(int, product);
        QFETCH(int, fileFormat);
        QFETCH(QStringList, perPicture);
        constexpr int kPictures = 2;
        Body body(product, fileFormat);
        for (int i = 0; i < kPictures; ++i)
            QVERIFY(body.release());
        const Handles handles = body.listed();
        QCOMPARE(handles.size(), kPictures * perPicture.size());

        QVector<quint32> serials;
        for (int i = 0; i < handles.size(); ++i) {
            const int number = i / perPicture.size() + 1;
            const QString extension = perPicture.at(i % perPicture.size());
            const QString name = QStringLiteral("NRBA%1.%2").arg(number, 4, 10, QLatin1Char('0')).arg(extension);
            QCOMPARE(body.nameOf(handles.at(i)), name);
            // DNG files go as TIFF/EP, and the DeviceInfo announces what the files carry.
            const quint16 format =
                TVK_Logic_ObjectInfo(body.data(kOpGetObjectInfo, {handles.at(i), 0})).objectFormat();
            QCOMPARE(format, quint16(extension == QLatin1String("JPG") ? 0x3801 : 0x3802));
            QVERIFY(body.camera->profile()->captureFormats.contains(format));
            QVERIFY(body.camera->profile()->imageFormats.contains(format));
            QCOMPARE(handles.at(i) & kKindMask, extension == QLatin1String("JPG") ? kJpgBits : kDngBits);
            serials.append(handles.at(i) >> 4);
        }
        // The files of a picture share the part above the kind, pictures differ in it.
        for (int i = 1; i < serials.size(); ++i)
            QCOMPARE(serials.at(i) == serials.at(i - 1), i % perPicture.size() != 0);

        // Handed over, every file stays on the card.
        for (int i = 0; i < handles.size(); ++i) {
            QVERIFY(!body.data(kOpGetObject, {kPending}).isEmpty());
            QVERIFY(body.handOver());
        }
        QCOMPARE(body.capture->pendingCount(), 0);
        QCOMPARE(body.listed(), handles);
        QVERIFY(!body.handOver());
    }

    void theHostReadsTheCountAloneThenTheWholeArray()
    {
        Host host;
        for (int i = 0; i < 3; ++i)
            QVERIFY(host.access.releaseCam(0));
        const Handles onCard = host.capture->cardHandles();
        QCOMPARE(onCard.size(), 3);

        const QByteArray count = host.read(kOpGetObjectHandles, {kAll}, 4);
        QCOMPARE(count.size(), 4);
        QCOMPARE(le32(count, 0), 3u);
        const QByteArray whole = host.read(kOpGetObjectHandles, {kAll}, 4 * 3 + 4);
        QCOMPARE(uint32Array(whole), onCard);
        // A bigger buffer than the array: the rest is zeroed, not left as it was.
        const QByteArray roomy = host.read(kOpGetObjectHandles, {kAll}, 4 * 3 + 4 + 8);
        QCOMPARE(roomy.left(16), whole);
        QCOMPARE(roomy.mid(16), QByteArray(8, '\0'));
    }

    // --- Reading the card ------------------------------------------------------------------

    void aHandedOverObjectReadsAsItDidInTheQueue_data()
    {
        QTest::addColumn<int>("fileFormat");
        QTest::newRow("DNG") << kDng;
        QTest::newRow("JPG") << kJpg;
    }

    void aHandedOverObjectReadsAsItDidInTheQueue()
    {
        QFETCH(int, fileFormat);
        Body body(kJpgFirstProduct, fileFormat);
        body.capture->setOrientation(6);
        QVERIFY(body.release());
        const quint32 handle = body.listed().value(0);
        const Reading queued = readAll(body, kPending);
        QCOMPARE(queued.sequenceNumber, 1u);
        QVERIFY(!queued.file.isEmpty());
        QCOMPARE(queued.file.size(), int(queued.size));
        QCOMPARE(queued.largeThumb.size(), int(queued.thumbSize));
        QCOMPARE(queued.slice, queued.file.mid(1000, 3000));
        QVERIFY(body.handOver());

        // A second picture, read too, so that the first must be made anew.
        QVERIFY(body.release());
        QVERIFY(!body.data(kOpGetObject, {kPending}).isEmpty());
        QVERIFY(body.handOver());
        QVERIFY(!body.data(kOpGetObject, {body.listed().value(1)}).isEmpty());

        const Reading onCard = readAll(body, handle);
        QCOMPARE(onCard.name, queued.name);
        QCOMPARE(onCard.size, queued.size);
        QCOMPARE(onCard.thumbSize, queued.thumbSize);
        QCOMPARE(onCard.sequenceNumber, 0u); // nothing left to hand over
        QCOMPARE(onCard.file, queued.file);
        QCOMPARE(onCard.slice, queued.slice);
        QCOMPARE(onCard.smallThumb, queued.smallThumb);
        QCOMPARE(onCard.largeThumb, queued.largeThumb);
        QCOMPARE(onCard.orientation, queued.orientation);
        // The pending handle still means the queue, which is empty now.
        QCOMPARE(body.run(kOpGetObject, {kPending}).responseCode, kRespInvalidObjectHandle);
    }

    void offTheQueueOnlyTheObjectReadLastKeepsItsBytes()
    {
        Body body;
        for (int i = 0; i < 3; ++i)
            QVERIFY(body.release());
        // Queued objects keep theirs: the transfer reads each several times.
        for (quint32 handle : body.listed()) {
            QVERIFY(!body.data(kOpGetObject, {handle}).isEmpty());
            QVERIFY(!body.data(kOpGetThumb, {handle, 0}).isEmpty());
        }
        QCOMPARE(body.capture->objectsHoldingBytes(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(body.handOver());
        QCOMPARE(body.capture->objectsHoldingBytes(), 0);

        for (quint32 handle : body.listed()) {
            QVERIFY(!body.data(kOpGetThumb, {handle, 1}).isEmpty());
            QVERIFY(!body.data(kOpGetPartialObject, {handle, 0, 1024}).isEmpty());
            QCOMPARE(body.capture->objectsHoldingBytes(), 1);
        }
        // A queued object keeps its bytes beside the one read last; a DNG's
        // file is never kept, only its thumbnail.
        QVERIFY(body.release());
        QVERIFY(!body.data(kOpGetObject, {kPending}).isEmpty());
        QCOMPARE(body.capture->objectsHoldingBytes(), 1);
        QVERIFY(!body.data(kOpGetThumb, {kPending, 0}).isEmpty());
        QCOMPARE(body.capture->objectsHoldingBytes(), 2);
    }

    // --- Deleting -------------------------------------------------------------------------

    void deleteTakesAnObjectOffTheCardAndTheQueue_data()
    {
        QTest::addColumn<bool>("handOverFirst");
        QTest::addColumn<int>("which");       // picture 1 or 2
        QTest::addColumn<bool>("byPending");  // by the pending handle instead of its own
        QTest::addColumn<QStringList>("queueAfter");
        QTest::addColumn<QStringList>("announced");
        const QString one = QStringLiteral("NRBA0001.DNG");
        const QString two = QStringLiteral("NRBA0002.DNG");
        QTest::newRow("handed over") << true << 1 << false << QStringList{two} << QStringList{one, two};
        QTest::newRow("queued behind the head") << false << 2 << false << QStringList{one} << QStringList{one};
        QTest::newRow("the head, by its own handle") << false << 1 << false << QStringList{two}
                                                     << QStringList{one, two};
        QTest::newRow("the head, by the pending handle") << false << 1 << true << QStringList{two}
                                                         << QStringList{one, two};
    }

    void deleteTakesAnObjectOffTheCardAndTheQueue()
    {
        QFETCH(bool, handOverFirst);
        QFETCH(int, which);
        QFETCH(bool, byPending);
        QFETCH(QStringList, queueAfter);
        QFETCH(QStringList, announced);
        Body body;
        QVERIFY(body.release());
        QVERIFY(body.release());
        if (handOverFirst)
            QVERIFY(body.handOver());
        const Handles before = body.listed();
        QCOMPARE(before.size(), 2);
        const quint32 gone = before.at(which - 1);
        const quint32 kept = before.at(2 - which);

        QCOMPARE(body.run(kOpDeleteObject, {byPending ? kPending : gone}, Phase::kLENoData).responseCode, kRespOK);
        QCOMPARE(body.listed(), Handles{kept});
        QCOMPARE(body.capture->pendingNames(), queueAfter);
        QTRY_COMPARE(body.log->announced(), announced);
        QCOMPARE(body.run(kOpGetObject, {gone}).responseCode, kRespInvalidObjectHandle);
        QCOMPARE(body.run(kOpDeleteObject, {gone}, Phase::kLENoData).responseCode, kRespInvalidObjectHandle);
        QVERIFY(!body.data(kOpGetObject, {kept}).isEmpty());
        QTest::qWait(20);
        QCOMPARE(body.log->announced(), announced);
    }

    void deletingEverythingEmptiesCardAndQueue()
    {
        Body body(kDngFirstProduct, kPair);
        QVERIFY(body.release());
        QVERIFY(body.handOver());
        QVERIFY(body.release());
        const Handles old = body.listed();
        QCOMPARE(old.size(), 4);
        QTRY_COMPARE(body.log->announced().size(), 2);

        QCOMPARE(body.run(kOpDeleteObject, {kAll}, Phase::kLENoData).responseCode, kRespOK);
        QCOMPARE(body.listed(), Handles{});
        QCOMPARE(body.capture->pendingCount(), 0);
        for (quint32 handle : old)
            QCOMPARE(body.run(kOpGetObjectInfo, {handle, 0}).responseCode, kRespInvalidObjectHandle);
        // An empty card is emptied again without complaint.
        QCOMPARE(body.run(kOpDeleteObject, {kAll}, Phase::kLENoData).responseCode, kRespOK);

        // The next picture gets handles of its own, never one of the deleted.
        QVERIFY(body.release());
        const Handles fresh = body.listed();
        QCOMPARE(fresh.size(), 2);
        for (quint32 handle : fresh)
            QVERIFY(!old.contains(handle));
        QTRY_COMPARE(body.log->announced().size(), 3);
        QTest::qWait(20);
        QCOMPARE(body.log->announced().size(), 3);
    }

    // --- Counting and latency ---------------------------------------------------------------

    void everyTransactionIsCounted()
    {
        Body body;
        body.camera->resetTransactionCount();
        QCOMPARE(body.camera->transactionCount(), 0ull);

        QCOMPARE(body.run(kOpGetStorageIds, {}).responseCode, kRespOK);
        QCOMPARE(body.run(kOpGetObjectInfo, {0x00BADBAD, 0}).responseCode, kRespInvalidObjectHandle);
        QCOMPARE(body.run(0x1234, {}).responseCode, kRespOperationNotSupported);
        body.camera->failNextOperation(kOpGetStorageIds, 0x2002);
        QCOMPARE(body.run(kOpGetStorageIds, {}).responseCode, 0x2002);
        body.camera->setBusyTransactions(1);
        QCOMPARE(body.run(kOpGetObjectHandles, {kAll}).responseCode, kRespDeviceBusy);
        body.camera->removeDevice();
        QVERIFY(!body.run(kOpGetObjectHandles, {kAll}).transportOk);

        QCOMPARE(body.camera->transactionCount(), 6ull);
        const QHash<int, quint64> expected{
            {kOpGetStorageIds, 2}, {kOpGetObjectInfo, 1}, {0x1234, 1}, {kOpGetObjectHandles, 2}};
        QCOMPARE(body.camera->transactionCountsByOperation(), expected);

        body.camera->resetTransactionCount();
        QCOMPARE(body.camera->transactionCount(), 0ull);
        QVERIFY(body.camera->transactionCountsByOperation().isEmpty());
    }

    void theHostsRetriesOfABusyCameraCountOneByOne()
    {
        Host host;
        host.camera->resetTransactionCount();
        host.camera->setBusyTransactions(2);
        const QByteArray storages = host.read(kOpGetStorageIds, {}, 20);
        QCOMPARE(le32(storages, 4), kCardStorage);
        QCOMPARE(host.camera->transactionCount(), 3ull);
        QCOMPARE(host.camera->transactionCountsByOperation().value(kOpGetStorageIds), 3ull);
    }

    void transactionsFromSeveralThreadsAreAllCounted()
    {
        constexpr int kThreads = 4;
        constexpr int kEach = 200;
        Body body;
        body.camera->resetTransactionCount();
        std::atomic<int> failures{0};
        std::vector<QThread *> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.push_back(QThread::create([&body, &failures, t]() {
                for (int i = 0; i < kEach; ++i) {
                    const int op = t % 2 == 0 ? kOpGetStorageIds : kOpGetObjectHandles;
                    if (body.camera->transact(op, {kAll}, Phase::kLEDataIn).responseCode != kRespOK)
                        ++failures;
                }
            }));
            threads.back()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        QCOMPARE(failures.load(), 0);
        QCOMPARE(body.camera->transactionCount(), quint64(kThreads * kEach));
        const QHash<int, quint64> counts = body.camera->transactionCountsByOperation();
        QCOMPARE(counts.value(kOpGetStorageIds), quint64(kThreads / 2 * kEach));
        QCOMPARE(counts.value(kOpGetObjectHandles), quint64(kThreads / 2 * kEach));
    }

    void aSlowCableChangesNoAnswer()
    {
        Body plain(kJpgFirstProduct, kPair, 5);
        Body slow(kJpgFirstProduct, kPair, 5);
        // Short enough for a test, and nonsense that must not break anything.
        slow.camera->setTransactionLatency(-5);
        slow.camera->setTransactionLatency(50);
        slow.camera->setDataRate(1000LL * 1000 * 1000);
        for (Body *body : {&plain, &slow}) {
            QVERIFY(body->release());
            body->camera->resetTransactionCount();
        }
        const Handles handles = plain.listed();
        QCOMPARE(slow.listed(), handles);
        for (quint32 handle : handles) {
            const Reading a = readAll(plain, handle);
            const Reading b = readAll(slow, handle);
            QCOMPARE(b.name, a.name);
            QCOMPARE(b.file, a.file);
            QCOMPARE(b.largeThumb, a.largeThumb);
        }
        QCOMPARE(slow.camera->transactionCount(), plain.camera->transactionCount());
        QCOMPARE(slow.camera->transactionCountsByOperation(), plain.camera->transactionCountsByOperation());
    }
};

QTEST_GUILESS_MAIN(tst_emulatorcard)
#include "tst_emulatorcard.moc"
