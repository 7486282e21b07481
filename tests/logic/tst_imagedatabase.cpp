#include "TVK_Logic_ImageDatabase.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_RecordingAccess.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <memory>
#include <mutex>

using Db = TVK_Logic_ImageDatabase;

Q_DECLARE_METATYPE(std::function<void(TVK_Test_RecordingAccess &)>)

namespace {

using Handles = QVector<quint32>;
using RecordingAccess = TVK_Test_RecordingAccess;

constexpr int kOpGetStorageIDs = 0x1004;
constexpr int kOpGetObjectHandles = 0x1007;

// A PTP array of 32-bit values: the count, then the values, little-endian.
QByteArray ptpArray(const Handles &values, quint32 count)
{
    QByteArray bytes(int(4 + 4 * values.size()), '\0');
    qToLittleEndian<quint32>(count, bytes.data());
    for (int i = 0; i < values.size(); ++i)
        qToLittleEndian<quint32>(values.at(i), bytes.data() + 4 + 4 * i);
    return bytes;
}

QByteArray ptpArray(const Handles &values)
{
    return ptpArray(values, quint32(values.size()));
}

// A database on a scripted access: the camera's object list is whatever the
// test sets, and every transaction the rebuild frames is recorded.
struct ImageRig {
    // Both reads of the handle list get this answer; the first one keeps only
    // the count, because the access cuts the data to the buffer.
    void cameraHolds(const Handles &handles) { access->answerAlways(kOpGetObjectHandles, ptpArray(handles)); }
    void requestRebuild() { db->requestRebuild(); }
    QTimer *rebuildTimer() const
    {
        QTimer *found = nullptr;
        for (QTimer *timer : db->findChildren<QTimer *>()) {
            if (timer->isSingleShot() && timer->interval() == 3000)
                found = timer;
        }
        return found;
    }
    // The rebuild interval runs out: the timer's own timeout, without waiting.
    bool expireRebuildInterval() const
    {
        QTimer *timer = rebuildTimer();
        return timer != nullptr && QMetaObject::invokeMethod(timer, "timeout");
    }
    Handles handles() const
    {
        Handles list;
        for (int i = 0; i < db->count(); ++i)
            list << db->handleAt(i);
        return list;
    }
    QVector<int> rotations() const
    {
        QVector<int> list;
        for (int i = 0; i < db->count(); ++i)
            list << db->rotation(i);
        return list;
    }
    int transactionsOf(int operationCode) const
    {
        int count = 0;
        for (const RecordingAccess::Transaction &t : access->transactions())
            count += t.operationCode == operationCode ? 1 : 0;
        return count;
    }
    // A first database, each entry marked by values a fresh entry never has.
    void buildFirst(const Handles &handles)
    {
        cameraHolds(handles);
        requestRebuild();
        for (int i = 0; i < db->count(); ++i) {
            db->setRotation(i, 90 + i);
            db->setSizeClass(i, 1 + i);
            db->setThirdValue(i, 7 + i);
        }
        access->clear();
    }

    std::mutex objectStoreLock;
    std::unique_ptr<RecordingAccess> access = std::make_unique<RecordingAccess>(0x2031);
    std::unique_ptr<Db> db = std::make_unique<Db>(access.get(), objectStoreLock);
};

} // namespace

class tst_ImageDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rebuildFollowsTheCameraList_data();
    void rebuildFollowsTheCameraList();
    void rebuildsAreThrottled_data();
    void rebuildsAreThrottled();
    void failingCameraIsAskedOncePerInterval();
    void duplicatesAreCarriedOverOnce_data();
    void duplicatesAreCarriedOverOnce();
    void badHandleListKeepsTheDatabase_data();
    void badHandleListKeepsTheDatabase();
    void listThatGrewIsCutToTheFirstCount();
    void removeImageEntry_data();
    void removeImageEntry();
};

void tst_ImageDatabase::rebuildFollowsTheCameraList_data()
{
    QTest::addColumn<Handles>("before");
    QTest::addColumn<Handles>("camera");
    QTest::addColumn<Handles>("expected");
    // Handle kinds (low four bits): 1 and 6 raw, 2 JPEG, anything else no picture.
    QTest::newRow("only picture kinds, camera order")
        << Handles{} << Handles{0x36, 0x11, 0x13, 0x22, 0x20, 0x1F, 0x41, 0x15}
        << Handles{0x36, 0x11, 0x22, 0x41};
    QTest::newRow("kept, new and gone")
        << Handles{0x11, 0x12, 0x21} << Handles{0x12, 0x31, 0x11, 0x33} << Handles{0x12, 0x31, 0x11};
    QTest::newRow("unchanged list") << Handles{0x11, 0x12} << Handles{0x11, 0x12} << Handles{0x11, 0x12};
    QTest::newRow("camera emptied") << Handles{0x11, 0x12} << Handles{} << Handles{};
    QTest::newRow("high handles") << Handles{0xFFFFFFF1u} << Handles{0x80000002u, 0xFFFFFFF1u}
                                  << Handles{0x80000002u, 0xFFFFFFF1u};
}

// A second rebuild carries existing entries over as they were and makes
// fresh ones for new pictures: rotation undetermined, no size class, third
// value 0, and the not-JPEG flag from the handle's kind.
void tst_ImageDatabase::rebuildFollowsTheCameraList()
{
    QFETCH(Handles, before);
    QFETCH(Handles, camera);
    QFETCH(Handles, expected);
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.buildFirst(before);
    QCOMPARE(rig.handles(), before);
    const QStringList labelsBefore = [&] {
        QStringList labels;
        for (int i = 0; i < rig.db->count(); ++i)
            labels << rig.db->label(i);
        return labels;
    }();

    rig.cameraHolds(camera);
    rig.requestRebuild();
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(rig.handles(), expected);

    // What the rebuild asked the camera.
    const QVector<RecordingAccess::Transaction> asked = rig.access->transactions();
    QCOMPARE(asked.size(), camera.isEmpty() ? 2 : 3);
    QCOMPARE(asked.at(0).operationCode, kOpGetStorageIDs);
    QCOMPARE(asked.at(0).size, 20u);
    QVERIFY(asked.at(0).params.isEmpty());
    for (int i = 1; i < asked.size(); ++i) {
        QCOMPARE(asked.at(i).operationCode, kOpGetObjectHandles);
        QCOMPARE(asked.at(i).params, QVector<quint32>{0xFFFFFFFFu});
    }
    QCOMPARE(asked.at(1).size, 4u);
    if (asked.size() == 3)
        QCOMPARE(asked.at(2).size, unsigned(4 * camera.size() + 4));
    for (const RecordingAccess::Transaction &t : asked)
        QVERIFY2(t.caller.startsWith(QLatin1String("TVK_Logic_Camera::")), qPrintable(t.caller));

    int fresh = 0;
    for (int i = 0; i < expected.size(); ++i) {
        const quint32 handle = expected.at(i);
        const int old = before.indexOf(handle);
        if (old >= 0) {
            QCOMPARE(rig.db->rotation(i), 90 + old);
            QCOMPARE(rig.db->sizeClass(i), 1 + old);
            QCOMPARE(rig.db->thirdValue(i), 7 + old);
            QCOMPARE(rig.db->label(i), labelsBefore.at(old));
        } else {
            ++fresh;
            QCOMPARE(rig.db->rotation(i), 360);
            QCOMPARE(rig.db->sizeClass(i), 0);
            QCOMPARE(rig.db->thirdValue(i), 0);
            // Counted down over the pictures still to come after this one.
            QCOMPARE(rig.db->label(i), QStringLiteral("index %1").arg(expected.size() - i - 1));
        }
        QCOMPARE(rig.db->isNotJpeg(i), (handle & 0xFu) != 2);
        QCOMPARE(rig.db->indexOfHandle(handle), i);
    }
    for (quint32 handle : before) {
        if (!expected.contains(handle))
            QCOMPARE(rig.db->indexOfHandle(handle), -1);
    }
    // The placeholder resource comes with the user interface; without it the
    // database says so once, not for every entry or rebuild.
    const int placeholderLines =
        capture.matching(QStringLiteral("placeholder picture :/images/download.png not available")).size();
    QCOMPARE(placeholderLines, (fresh > 0 || !before.isEmpty()) ? 1 : 0);
}

void tst_ImageDatabase::rebuildsAreThrottled_data()
{
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("rebuildsAfterInterval");
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("two") << 2 << 2;
    QTest::newRow("three") << 3 << 2;
    QTest::newRow("ten") << 10 << 2;
}

// Requests within the rebuild interval: the first is served at once, all the
// others together once when the interval has passed.
void tst_ImageDatabase::rebuildsAreThrottled()
{
    QFETCH(int, requests);
    QFETCH(int, rebuildsAfterInterval);
    ImageRig rig;
    rig.cameraHolds({0x11, 0x12});
    QSignalSpy begin(rig.db.get(), &Db::signalChangeBegin);
    QSignalSpy end(rig.db.get(), &Db::signalChangeEnd);
    QVERIFY(rig.rebuildTimer() != nullptr);
    QVERIFY(!rig.rebuildTimer()->isActive());

    for (int i = 0; i < requests; ++i)
        rig.requestRebuild();
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), 1);
    QVERIFY(rig.rebuildTimer()->isActive());
    QCOMPARE(rig.db->count(), 2);

    rig.cameraHolds({0x11, 0x12, 0x22});
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), rebuildsAfterInterval);
    QCOMPARE(end.count(), rebuildsAfterInterval);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), rebuildsAfterInterval);
    QCOMPARE(rig.db->count(), rebuildsAfterInterval == 2 ? 3 : 2);
    // A rebuild at the end of the interval opens a new one.
    QCOMPARE(rig.rebuildTimer()->isActive(), rebuildsAfterInterval == 2);

    // Nothing was asked in the meantime: the next expiry reads nothing.
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), rebuildsAfterInterval);
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), rebuildsAfterInterval);
    QVERIFY(!rig.rebuildTimer()->isActive());
}

void tst_ImageDatabase::failingCameraIsAskedOncePerInterval()
{
    ImageRig rig;
    rig.access->answerAlways(kOpGetStorageIDs, QByteArray(), false);
    for (int i = 0; i < 3; ++i)
        rig.requestRebuild();
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), 1);
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(rig.transactionsOf(kOpGetStorageIDs), 2);
    QVERIFY(rig.rebuildTimer()->isActive());
}

void tst_ImageDatabase::duplicatesAreCarriedOverOnce_data()
{
    QTest::addColumn<Handles>("before");
    QTest::addColumn<Handles>("camera");
    QTest::addColumn<QVector<int>>("rotations");
    // buildFirst gives entry i the rotation 90 + i; 360 marks a fresh entry.
    QTest::newRow("listed twice now") << Handles{0x11, 0x12} << Handles{0x11, 0x11, 0x12} << QVector<int>{90, 360, 91};
    QTest::newRow("twice before, once now") << Handles{0x11, 0x11} << Handles{0x11} << QVector<int>{90};
    QTest::newRow("twice before and now") << Handles{0x11, 0x12, 0x11} << Handles{0x11, 0x11}
                                          << QVector<int>{90, 360};
    QTest::newRow("a non-picture twice") << Handles{0x11} << Handles{0x13, 0x11, 0x13} << QVector<int>{90};
}

// Each old entry goes to the first of its handle's places only.
void tst_ImageDatabase::duplicatesAreCarriedOverOnce()
{
    QFETCH(Handles, before);
    QFETCH(Handles, camera);
    QFETCH(QVector<int>, rotations);
    ImageRig rig;
    rig.buildFirst(before);
    rig.cameraHolds(camera);
    rig.requestRebuild();
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(rig.rotations(), rotations);
}

void tst_ImageDatabase::badHandleListKeepsTheDatabase_data()
{
    QTest::addColumn<std::function<void(RecordingAccess &)>>("script");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<int>("transactions");
    QTest::newRow("storage ids fail")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerNext(kOpGetStorageIDs, QByteArray(), false); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetStorageIDs failed, image database kept") << 1;
    QTest::newRow("count read fails")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerNext(kOpGetObjectHandles, QByteArray(), false); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetObjectHandles failed, image database kept")
        << 2;
    QTest::newRow("list read fails")
        << std::function<void(RecordingAccess &)>([](RecordingAccess &a) {
               a.answerNext(kOpGetObjectHandles, ptpArray({0x31}));
               a.answerNext(kOpGetObjectHandles, QByteArray(), false);
           })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - GetObjectHandles of 1 handles failed, "
                          "image database kept")
        << 3;
    QTest::newRow("absurd count")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerAlways(kOpGetObjectHandles, ptpArray({0x31}, 100001)); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - illegal object handle count 100001, "
                          "image database kept")
        << 2;
    QTest::newRow("count that would overflow the size")
        << std::function<void(RecordingAccess &)>(
               [](RecordingAccess &a) { a.answerAlways(kOpGetObjectHandles, ptpArray({0x31}, 0xFFFFFFFFu)); })
        << QStringLiteral("TVK_Logic_Camera::readObjectHandles() - illegal object handle count 4294967295, "
                          "image database kept")
        << 2;
}

// Whatever goes wrong, the database stays as it was and listeners still get
// the end of the change they were told about.
void tst_ImageDatabase::badHandleListKeepsTheDatabase()
{
    QFETCH(std::function<void(RecordingAccess &)>, script);
    QFETCH(QString, logged);
    QFETCH(int, transactions);
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.buildFirst({0x11, 0x16});
    const QVector<int> rotations = rig.rotations();
    QSignalSpy begin(rig.db.get(), &Db::signalChangeBegin);
    QSignalSpy end(rig.db.get(), &Db::signalChangeEnd);

    script(*rig.access);
    rig.requestRebuild();
    QVERIFY(rig.expireRebuildInterval());
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QVERIFY2(capture.contains(logged), qPrintable(capture.lines().join(QLatin1Char('\n'))));
    QCOMPARE(rig.access->transactions().size(), transactions);
    QCOMPARE(rig.handles(), (Handles{0x11, 0x16}));
    QCOMPARE(rig.rotations(), rotations);
}

// A picture taken between the two reads: the camera's longer list was cut to
// the buffer, so only the handles of the first count are used.
void tst_ImageDatabase::listThatGrewIsCutToTheFirstCount()
{
    TVK_Test_LogCapture capture;
    ImageRig rig;
    rig.access->answerNext(kOpGetObjectHandles, ptpArray({0x11, 0x12}));
    rig.access->answerNext(kOpGetObjectHandles, ptpArray({0x11, 0x12, 0x21, 0x22}));
    rig.requestRebuild();
    QCOMPARE(rig.handles(), (Handles{0x11, 0x12}));
    QVERIFY(capture.contains(
        QStringLiteral("TVK_Logic_Camera::readObjectHandles() - object handle count grew from 2 to 4, using 2")));
}

void tst_ImageDatabase::removeImageEntry_data()
{
    QTest::addColumn<Handles>("camera");
    QTest::addColumn<quint32>("removed");
    QTest::addColumn<Handles>("expected");
    QTest::addColumn<QVector<int>>("rotations");
    // buildFirst gives entry i the rotation 90 + i.
    QTest::newRow("known handle") << Handles{0x11, 0x12, 0x16} << quint32(0x12) << Handles{0x11, 0x16}
                                  << QVector<int>{90, 92};
    QTest::newRow("unknown handle") << Handles{0x11, 0x12} << quint32(0x99) << Handles{0x11, 0x12}
                                    << QVector<int>{90, 91};
    QTest::newRow("handle 0 of an empty database") << Handles{} << quint32(0) << Handles{} << QVector<int>{};
    QTest::newRow("listed twice, the first goes") << Handles{0x11, 0x12, 0x11} << quint32(0x11)
                                                  << Handles{0x12, 0x11} << QVector<int>{91, 92};
}

void tst_ImageDatabase::removeImageEntry()
{
    QFETCH(Handles, camera);
    QFETCH(quint32, removed);
    QFETCH(Handles, expected);
    QFETCH(QVector<int>, rotations);
    ImageRig rig;
    rig.buildFirst(camera);
    QCOMPARE(rig.db->count(), camera.size());
    QSignalSpy begin(rig.db.get(), &Db::signalChangeBegin);

    rig.db->removeEntry(removed);
    QCOMPARE(rig.handles(), expected);
    QCOMPARE(rig.rotations(), rotations);
    QCOMPARE(rig.access->transactions().size(), 0);
    QCOMPARE(begin.count(), 0);
    // Past the end there is no picture, and writing there changes nothing.
    const int count = rig.db->count();
    rig.db->setRotation(count, 180);
    rig.db->setRotation(-1, 180);
    QCOMPARE(rig.db->handleAt(count), 0u);
    QCOMPARE(rig.db->handleAt(-1), 0u);
    QCOMPARE(rig.db->rotation(count), 360);
    QCOMPARE(rig.db->label(count), QString());
    QCOMPARE(rig.rotations(), rotations);
}

QTEST_GUILESS_MAIN(tst_ImageDatabase)
#include "tst_imagedatabase.moc"
