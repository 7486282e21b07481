#include "TVK_Logic_PartFile.h"
#include "TVK_Logic_PictureStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/statvfs.h>

// The part file a streamed picture goes to, and the store that names it.
class tst_PartFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray bytes(int size, char seed)
    {
        QByteArray out(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            out[i] = char(seed + i * 7);
        return out;
    }
    static bool feed(TVK_Logic_PartFile &part, const QByteArray &data, int piece)
    {
        for (int at = 0; at < data.size(); at += piece) {
            const int size = qMin(piece, data.size() - at);
            if (!part.write(reinterpret_cast<const unsigned char *>(data.constData() + at), size_t(size)))
                return false;
        }
        return true;
    }
    QString part(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    // The head and the digest do not depend on how the data was cut.
    void piecesLandInOrderWithTheirHeadAndDigest_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("piece");
        QTest::newRow("one byte pieces across the head") << 1500 << 1;
        QTest::newRow("a piece ending on the head") << 4096 << TVK_Logic_PartFile::kHeadBytes;
        QTest::newRow("shorter than the head") << 300 << 64;
        QTest::newRow("one large piece") << 3 * 1024 * 1024 << 1024 * 1024;
    }
    void piecesLandInOrderWithTheirHeadAndDigest()
    {
        QFETCH(int, size);
        QFETCH(int, piece);
        const QByteArray data = bytes(size, 3);
        TVK_Logic_PartFile file(part(".a.part"));
        QVERIFY(file.create());
        file.setDigesting(true);
        QVector<quint64> steps;
        file.setProgress([&steps](quint64 written, quint64) { steps << written; });
        QVERIFY(file.begin(quint64(size)));
        QVERIFY(feed(file, data, piece));
        file.end(TVK_Commu_DataSink::kLEComplete);
        QVERIFY(file.finish());
        QCOMPARE(file.head(), data.left(TVK_Logic_PartFile::kHeadBytes));
        QCOMPARE(file.digest(), QCryptographicHash::hash(data, QCryptographicHash::Sha256));
        QCOMPARE(steps.size(), (size + piece - 1) / piece);
        QCOMPARE(steps.last(), quint64(size));
        QFile written(file.path());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), data);
        QVERIFY(!file.refused());
    }

    // Only a complete data phase counts; whatever ends otherwise leaves nothing.
    void anIncompletePhaseIsNotFinishedAndLeavesNoFile_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("short") << int(TVK_Commu_DataSink::kLEShort);
        QTest::newRow("abandoned") << int(TVK_Commu_DataSink::kLEAbandoned);
    }
    void anIncompletePhaseIsNotFinishedAndLeavesNoFile()
    {
        QFETCH(int, how);
        QString path;
        {
            TVK_Logic_PartFile file(part(".b.part"));
            path = file.path();
            QVERIFY(file.create());
            QVERIFY(file.begin(100));
            QVERIFY(feed(file, bytes(40, 1), 40));
            file.end(TVK_Commu_DataSink::eLEEnd(how));
            QVERIFY(!file.finish());
            QVERIFY(!file.refused()); // the camera's fault, not the disk's
        }
        QVERIFY(!QFileInfo::exists(path));
    }

    void aPictureLargerThanTheFreeSpaceIsRefusedBeforeItsFirstByte()
    {
        struct statvfs disk {};
        QVERIFY(::statvfs(QFile::encodeName(m_dir.path()).constData(), &disk) == 0);
        const quint64 available = quint64(disk.f_bavail) * disk.f_frsize;
        TVK_Logic_PartFile file(part(".c.part"));
        QVERIFY(file.create());
        QVERIFY(!file.begin(available));
        QVERIFY(file.refused());
        QVERIFY2(file.error().contains("MB"), qPrintable(file.error()));
        TVK_Logic_PartFile unknown(part(".d.part"));
        QVERIFY(unknown.create());
        QVERIFY(unknown.begin(TVK_Commu_DataSink::kUnknownTotal)); // nothing to check against
    }

    void aReadTriedAgainStartsFromAnEmptyFile()
    {
        TVK_Logic_PartFile file(part(".e.part"));
        QVERIFY(file.create());
        file.setDigesting(true);
        QVERIFY(file.begin(50));
        QVERIFY(feed(file, bytes(30, 9), 7));
        file.end(TVK_Commu_DataSink::kLEShort);
        QVERIFY(file.restart());
        const QByteArray data = bytes(50, 5);
        QVERIFY(file.begin(50));
        QVERIFY(feed(file, data, 16));
        file.end(TVK_Commu_DataSink::kLEComplete);
        QVERIFY(file.finish());
        QCOMPARE(file.written(), quint64(50));
        QCOMPARE(file.head(), data);
        QCOMPARE(file.digest(), QCryptographicHash::hash(data, QCryptographicHash::Sha256));
        QFile written(file.path());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), data);
    }

    // A committed part has its name and stays; one that is not stays nowhere.
    void theStoreGivesAWholePartTheFirstFreeNameOfItsSeries()
    {
        TVK_Logic_PictureStore store;
        TVK_Logic_PictureStore::Target target;
        target.fileName = QStringLiteral("Picture00007.DNG");
        target.extension = QStringLiteral("dng");
        target.basePath = target.fullPath = m_dir.filePath(target.fileName);
        QString error;
        for (int i = 0; i < 3; ++i) {
            TVK_Logic_PictureStore::Target each = target;
            std::unique_ptr<TVK_Logic_PartFile> file = store.createPart(each, &error);
            QVERIFY2(file, qPrintable(error));
            QVERIFY(file->begin(10));
            QVERIFY(feed(*file, bytes(10, char(i)), 10));
            file->end(TVK_Commu_DataSink::kLEComplete);
            QVERIFY2(store.commit(*file, &each, &error), qPrintable(error));
            QCOMPARE(QFileInfo(each.fullPath).fileName(),
                     QStringList({"Picture00007.DNG", "Picture00007_1.dng", "Picture00007_2.dng"}).at(i));
        }
        std::unique_ptr<TVK_Logic_PartFile> broken = store.createPart(target, &error);
        QVERIFY(broken->begin(10));
        broken->end(TVK_Commu_DataSink::kLEShort);
        QVERIFY(!store.commit(*broken, &target, &error));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    // The memory of a picture whose confirmation was lost compares with the
    // file as it is on the disk now.
    void aPictureSavedBeforeIsKnownByTheFileOnTheDisk()
    {
        TVK_Logic_PictureStore store;
        const QString saved = m_dir.filePath(QStringLiteral("Saved.JPG"));
        const QByteArray data = bytes(5000, 2);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        file.close();
        const QByteArray digest = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
        QVERIFY(!store.mayBeSavedAlready(QStringLiteral("NRBA0001.JPG"), 5000));
        store.rememberUnconfirmed(QStringLiteral("NRBA0001.JPG"), 5000, saved);
        QVERIFY(store.mayBeSavedAlready(QStringLiteral("NRBA0001.JPG"), 5000));
        QVERIFY(!store.mayBeSavedAlready(QStringLiteral("NRBA0001.JPG"), 5001));
        QCOMPARE(store.savedAlready(digest), saved);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write("x"); // changed by the user since
        file.close();
        QCOMPARE(store.savedAlready(digest), QString());
        store.forgetUnconfirmed();
        QVERIFY(!store.mayBeSavedAlready(QStringLiteral("NRBA0001.JPG"), 5000));
    }
};

QTEST_GUILESS_MAIN(tst_PartFile)
#include "tst_partfile.moc"
