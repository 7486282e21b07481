#include "TVK_Commu_PtpCodes.h"
#include "TVK_Test_Heap.h"
#include "TVK_Test_HostileCamera.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"
#include "TVK_Test_OpenedCamera.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Logic_TransferQueue.h"
#include "TVK_Logic_TransferThread.h"
#include "TVK_Platform_Base.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using Camera = TVK_Emulator_Camera;
using Capture = TVK_Emulator_Capture;
using Model = TVK_Logic_Camera;
using Transfer = TVK_Logic_TransferThread;
using Emulated = TVK_Commu_CameraAccess_Emulated;
using Queue = TVK_Logic_TransferQueue;

namespace {

// Generous: the machine is loaded and everything runs under the sanitizers.
constexpr int kWaitMs = 60000;
using namespace TVK_Commu_Ptp;
constexpr quint16 kPropFileFormat = TVK_Commu_Prop::kFileFormat; // 0 DNG, 1 DNG and JPG, 2 JPG
constexpr qint64 kDngBytes = 64 * 1024;
constexpr qint64 kProgressDngBytes = 4 * 1024 * 1024;
constexpr char kFullDiskChild[] = "TVK_TEST_FULL_DISK_CHILD";

// The emulated access, with what a transfer must survive injected at the
// moment it matters. Configured before the camera takes the picture.
class FaultyAccess : public Emulated
{
public:
    using Emulated::Emulated;
    ~FaultyAccess() override { unregisterForEventNotifications(); }

    QSet<int> hiddenOperations; // left out of the DeviceInfo (read when the model is made)
    QString extension;          // replaces the camera's file extension; "-" takes the dot away
    std::atomic<bool> unplugDuringPictureRead{false};
    QString takenDuringPictureRead; // another program writes this file while the picture is read
    // The ObjectInfo with the large thumbnail reports none, and the retry with the small one fails.
    std::atomic<bool> noLargeThumbnailThenFail{false};
    // Injected into the camera before each read of a picture's bytes, whole or in part.
    std::function<void(Camera &, int operationCode)> everyPictureRead;

    // The picture streams to its file: the faults meant for its read go there.
    bool recvDataToSink(int operationCode, int numParams, const quint32 *params, TVK_Commu_DataSink *sink,
                        const char *caller, quint64 *received = nullptr) override
    {
        if (operationCode == kOpGetObject || operationCode == kOpGetPartialObject) {
            if (unplugDuringPictureRead.exchange(false))
                camera()->setRemoveDuringNextDataIn(true);
            if (!takenDuringPictureRead.isEmpty()) {
                QFile other(takenDuringPictureRead);
                if (other.open(QIODevice::WriteOnly))
                    other.write("other");
                takenDuringPictureRead.clear();
            }
            if (everyPictureRead)
                everyPictureRead(*camera(), operationCode);
        }
        return Emulated::recvDataToSink(operationCode, numParams, params, sink, caller, received);
    }

    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer, unsigned bufferSize,
                  const char *caller, quint64 *received = nullptr) override
    {
        if (operationCode == kOpGetObjectInfo && noLargeThumbnailThenFail && numParams > 1 && params[1] == 0) {
            noLargeThumbnailThenFail = false;
            if (received)
                *received = 0;
            return false;
        }
        const bool ok = Emulated::recvData(operationCode, numParams, params, buffer, bufferSize, caller, received);
        auto *bytes = static_cast<uchar *>(buffer);
        if (ok && operationCode == kOpGetObjectInfo && noLargeThumbnailThenFail && bufferSize >= 18)
            qToLittleEndian<quint32>(0, bytes + 14); // ThumbCompressedSize
        if (ok && operationCode == kOpGetDeviceInfo)
            hideOperations(bytes, bufferSize);
        if (ok && operationCode == kOpGetObjectInfo && !extension.isEmpty())
            renameObject(bytes, bufferSize);
        return ok;
    }

private:
    // Operations follow the vendor description (a PTP string at byte 8) and
    // the functional mode; a hidden one is overwritten with GetDeviceInfo.
    void hideOperations(uchar *bytes, unsigned size) const
    {
        unsigned at = 8;
        if (at >= size)
            return;
        at += 1 + 2 * bytes[at] + 2;
        if (at + 4 > size)
            return;
        const quint32 count = qFromLittleEndian<quint32>(bytes + at);
        at += 4;
        for (quint32 i = 0; i < count && at + 2 <= size; ++i, at += 2) {
            if (hiddenOperations.contains(qFromLittleEndian<quint16>(bytes + at)))
                qToLittleEndian<quint16>(kOpGetDeviceInfo, bytes + at);
        }
    }
    // The file name's three last characters (UTF-16) and the dot before them.
    void renameObject(uchar *bytes, unsigned size) const
    {
        const unsigned at = unsigned(TVK_Logic_ObjectInfo::kFilenameOffset);
        if (at >= size || bytes[at] < 5 || at + 1 + 2 * bytes[at] > size)
            return;
        uchar *last = bytes + at + 1 + 2 * (bytes[at] - 2); // before the terminating null
        const QString replacement = extension == QLatin1String("-") ? QStringLiteral("_DNG") : QString(QLatin1Char('.') + extension);
        for (int i = 0; i < 4; ++i)
            qToLittleEndian<quint16>(replacement.at(i).unicode(), last - 2 * (3 - i));
    }
};

// What the model announced, received in the test's thread.
struct Sink : QObject {
    QStringList errors;
    QStringList quickViewNames;
    QVector<int> orientations;
    int thumbnails = 0;
};

// A connected emulated camera with the model on top, pictures going to dng/
// and jpg/ of a fresh folder, numbered from number.
struct Rig : TVK_Test_OpenedCamera {
    Rig(int product, int fileFormat, int number = 41, const std::function<void(FaultyAccess &)> &prepare = {})
        : TVK_Test_OpenedCamera(
              product,
              [fileFormat](Camera &body) {
                  body.component<Capture>()->setDngBytes(kDngBytes);
                  body.properties()->setValue(kPropFileFormat, fileFormat, false);
              },
              [prepare](std::shared_ptr<Camera> body) {
                  auto *faulty = new FaultyAccess(body);
                  if (prepare)
                      prepare(*faulty);
                  return faulty;
              })
        , capture(camera->component<Capture>())
        , access(accessAs<FaultyAccess>())
        , model(std::make_unique<Model>(access))
    {
        QDir(dir.path()).mkpath(QStringLiteral("dng"));
        QDir(dir.path()).mkpath(QStringLiteral("jpg"));
        model->folderSettings()->load({path("dng"), path("jpg"), QStringLiteral("Picture"), number});
        QObject::connect(access, &Emulated::signalTransferRequest, model.get(), &Model::transferRequest,
                         Qt::QueuedConnection);
        QObject::connect(model.get(), &Model::signalTransferError, &sink,
                         [this](const QString &message) { sink.errors << message; });
        QObject::connect(model.get(), &Model::signalQuickView, &sink,
                         [this](const QByteArray &thumbnail, const QString &name, int orientation) {
                             sink.quickViewNames << QDir(dir.path()).relativeFilePath(name);
                             sink.orientations << orientation;
                             sink.thumbnails += QImage::fromData(thumbnail, "JPEG").isNull() ? 0 : 1;
                         });
    }
    QString path(const char *relative) const { return dir.filePath(QLatin1String(relative)); }
    // Every file below the folder, hidden ones too, relative to it.
    QStringList files() const
    {
        QStringList found;
        for (const char *sub : {"dng", "jpg"}) {
            for (const QString &name : QDir(path(sub)).entryList(QDir::Files | QDir::Hidden, QDir::Name))
                found << QLatin1String(sub) + QLatin1Char('/') + name;
        }
        return found;
    }
    // Waits until the camera has handed over everything and no transfer runs.
    bool settle()
    {
        const bool done = QTest::qWaitFor(
            [this]() { return capture->pendingCount() == 0 && model->transferThreadCount() == 0; }, kWaitMs);
        QCoreApplication::sendPostedEvents();
        return done;
    }
    bool takePictures(int count)
    {
        for (int i = 0; i < count; ++i) {
            if (!access->releaseCam(0))
                return false;
        }
        return settle();
    }
    // The file of a card object, read back from the camera.
    QByteArray cardFile(quint32 handle)
    {
        TVK_Logic_ObjectInfo info;
        info.recvFromCamera(access, handle);
        QByteArray bytes(int(info.objectCompressedSize()), '\0');
        access->getObject(bytes.data(), unsigned(bytes.size()), handle);
        return bytes;
    }

    QTemporaryDir dir;
    Capture *const capture;
    FaultyAccess *const access;
    std::unique_ptr<Model> model;
    Sink sink;
};

// Root writes into a read-only folder anyway: the calling thread (and the
// transfer worker a model it makes starts) gives that up meanwhile.
struct NoWriteOverride {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
    bool ok = syscall(SYS_capget, &header, saved) == 0 && drop();
    bool drop()
    {
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        return syscall(SYS_capset, &header, reduced) == 0;
    }
    ~NoWriteOverride() { syscall(SYS_capset, &header, saved); }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Prepare = std::function<void(FaultyAccess &)>;
using Fault = std::function<void(Rig &)>;

} // namespace

Q_DECLARE_METATYPE(Prepare)
Q_DECLARE_METATYPE(Fault)

class tst_TransferThread : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;
    QString m_pictures;

private Q_SLOTS:
    void initTestCase()
    {
        // The pictures folder is worked out once per process: the test home
        // must be in place before anything asks for it.
        QVERIFY(m_home.isValid());
        // Transfer and thread lines (with their dumps) only; the rest is noise here.
        setStartupDebugLogCategories();
        setDebugLogCategories(int(~quint32(kLELogTransfer | kLELogThreads)), false);
        m_pictures = platform()->picturesFolder();
        QVERIFY(m_pictures.startsWith(m_home.path()));
    }

    void picturesAreStoredWholeUnderTheirNumberedNames_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("fileFormat");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("expected"); // one per card object, in card order
        QTest::addColumn<int>("nextNumber");
        const QString d41 = "dng/Picture00041.DNG", j41 = "jpg/Picture00041.JPG";
        const QString d42 = "dng/Picture00042.DNG", j42 = "jpg/Picture00042.JPG";
        QTest::newRow("DNG") << 0x2061 << 0 << 41 << 1 << QStringList() << QStringList{d41} << 42;
        QTest::newRow("JPG") << 0x2061 << 2 << 41 << 1 << QStringList() << QStringList{j41} << 42;
        QTest::newRow("pairs, DNG first") << 0x2061 << 1 << 41 << 2 << QStringList()
                                          << QStringList{d41, j41, d42, j42} << 43;
        QTest::newRow("pairs, JPG first") << 0x2041 << 1 << 41 << 2 << QStringList()
                                          << QStringList{j41, d41, j42, d42} << 43;
        QTest::newRow("last number") << 0x2061 << 0 << 99999 << 2 << QStringList()
                                     << QStringList{"dng/Picture99999.DNG", "dng/Picture99999_1.DNG"} << 99999;
        QTest::newRow("taken names") << 0x2061 << 2 << 41 << 1 << QStringList{j41, "jpg/Picture00041_1.JPG"}
                                     << QStringList{"jpg/Picture00041_2.JPG"} << 42;
    }

    void picturesAreStoredWholeUnderTheirNumberedNames()
    {
        QFETCH(int, product);
        QFETCH(int, fileFormat);
        QFETCH(int, number);
        QFETCH(int, pictures);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, expected);
        QFETCH(int, nextNumber);

        Rig rig(product, fileFormat, number);
        for (const QString &name : existing) {
            QFile file(rig.dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("taken") == 5);
        }
        QVERIFY(rig.takePictures(pictures));

        const QVector<quint32> card = rig.capture->cardHandles();
        QCOMPARE(card.size(), expected.size());
        for (int i = 0; i < card.size(); ++i)
            QVERIFY2(readFile(rig.dir.filePath(expected[i])) == rig.cardFile(card[i]), qPrintable(expected[i]));
        for (const QString &name : existing)
            QCOMPARE(readFile(rig.dir.filePath(name)), QByteArray("taken"));
        QStringList all = expected + existing;
        all.sort();
        QCOMPARE(rig.files(), all); // nothing half-written left beside them
        QCOMPARE(rig.model->folderSettings()->pictureNumber(), nextNumber);
        QVERIFY(rig.model->pictureExampleFileName().endsWith(
            QStringLiteral("Picture%1.%2").arg(nextNumber, 5, 10, QLatin1Char('0')).arg(expected.last().right(3))));
        QCOMPARE(rig.sink.errors, QStringList());
    }

    // The name was free when chosen; the picture moves on to the next one
    // and the other file stays as it is.
    void aNameTakenDuringTheReadIsNotReplaced()
    {
        Rig rig(0x2061, 0);
        rig.model->setWantQuickView(true);
        rig.access->takenDuringPictureRead = rig.path("dng/Picture00041.DNG");
        QVERIFY(rig.takePictures(1));
        QCOMPARE(rig.files(), (QStringList{"dng/Picture00041.DNG", "dng/Picture00041_1.DNG"}));
        QCOMPARE(rig.sink.quickViewNames, QStringList{"dng/Picture00041_1.DNG"}); // the name it was saved under
        QCOMPARE(readFile(rig.path("dng/Picture00041.DNG")), QByteArray("other"));
        QCOMPARE(readFile(rig.path("dng/Picture00041_1.DNG")), rig.cardFile(rig.capture->cardHandles().value(0)));
        QCOMPARE(rig.sink.errors, QStringList());
    }

    // Losing only the thumbnail must not lose the picture.
    void aFailedRetryForTheSmallThumbnailStillSavesThePicture()
    {
        Rig rig(0x2041, 0);
        rig.model->setWantQuickView(true);
        rig.access->noLargeThumbnailThenFail = true;
        QVERIFY(rig.takePictures(1));
        QCOMPARE(rig.files(), QStringList{"dng/Picture00041.DNG"});
        QCOMPARE(rig.sink.errors, QStringList());
        QCOMPARE(rig.sink.thumbnails, 0);
        QVERIFY(!rig.access->noLargeThumbnailThenFail); // the retry did happen
    }

    void aMissingFolderIsReplacedByThePicturesFolderAndRemembered()
    {
        Rig rig(0x2061, 0, 7);
        rig.model->folderSettings()->setDngPictureFolder(rig.path("gone"));
        const QString target = m_pictures + "/Picture00007.DNG";
        QFile::remove(target);
        QVERIFY(rig.takePictures(1));
        QCOMPARE(readFile(target), rig.cardFile(rig.capture->cardHandles().value(0)));
        QCOMPARE(rig.model->folderSettings()->dngPictureFolder(), m_pictures);
        QVERIFY(!QFileInfo::exists(rig.path("gone")));
        QFile::remove(target);
    }

    void quickViewShowsTheFirstFileOfAPictureTheRightWayUp_data()
    {
        QTest::addColumn<int>("fileFormat");
        QTest::addColumn<int>("byteOrder");
        QTest::addColumn<QList<int>>("hidden");
        QTest::addColumn<int>("orientationRead"); // the operation that finds the orientation, 0 for none
        QTest::addColumn<QString>("shown");
        const QList<int> noProps{kOpGetObjectPropsSupported, kOpGetObjectPropValue};
        const int le = TVK_Emulator_PictureMaker::kLELittleEndian, be = TVK_Emulator_PictureMaker::kLEBigEndian;
        QTest::newRow("object property") << 0 << le << QList<int>() << kOpGetObjectPropValue
                                         << "dng/Picture00041.DNG";
        // Without the property, the file's own first bytes tell: no read on top.
        QTest::newRow("DNG Exif, Intel order") << 0 << le << noProps << 0 << "dng/Picture00041.DNG";
        QTest::newRow("DNG Exif, Motorola order") << 0 << be << noProps << 0 << "dng/Picture00041.DNG";
        QTest::newRow("JPG Exif, Motorola order") << 2 << be << noProps << 0 << "jpg/Picture00041.JPG";
        QTest::newRow("without GetPartialObject") << 0 << be << (QList<int>(noProps) << kOpGetPartialObject) << 0
                                                  << "dng/Picture00041.DNG";
        QTest::newRow("pair: the DNG only") << 1 << le << QList<int>() << kOpGetObjectPropValue
                                            << "dng/Picture00041.DNG";
    }

    void quickViewShowsTheFirstFileOfAPictureTheRightWayUp()
    {
        QFETCH(int, fileFormat);
        QFETCH(int, byteOrder);
        QFETCH(QList<int>, hidden);
        QFETCH(int, orientationRead);
        QFETCH(QString, shown);

        Rig rig(0x2061, fileFormat, 41, [&hidden](FaultyAccess &access) {
            access.hiddenOperations = QSet<int>(hidden.begin(), hidden.end());
        });
        rig.capture->setExifByteOrder(TVK_Emulator_PictureMaker::eLEByteOrder(byteOrder));
        rig.capture->setOrientation(6);
        rig.model->setWantQuickView(true);
        rig.camera->resetTransactionCount();
        QVERIFY(rig.takePictures(1));

        QCOMPARE(rig.sink.quickViewNames, QStringList{shown});
        QCOMPARE(rig.sink.orientations, QVector<int>{6});
        QCOMPARE(rig.sink.thumbnails, 1);
        const QHash<int, quint64> counts = rig.camera->transactionCountsByOperation();
        const int files = rig.capture->cardHandles().size();
        QCOMPARE(counts.value(kOpGetThumb), quint64(1));
        // One read of each whole file; the property read comes on top only where asked.
        QCOMPARE(counts.value(kOpGetObject), quint64(files + (orientationRead == kOpGetObject ? 1 : 0)));
        QCOMPARE(counts.value(kOpGetPartialObject), quint64(orientationRead == kOpGetPartialObject ? 1 : 0));
        QCOMPARE(counts.value(kOpGetObjectPropValue), quint64(orientationRead == kOpGetObjectPropValue ? 1 : 0));
    }

    void exifOrientationIsReadOnlyFromTheFirstKilobyte_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("orientation");
        const QByteArray le = QByteArray::fromHex("1201030001000000");
        QTest::newRow("Intel") << QByteArray("II*\0", 4) + le + "\x08" << 8;
        QTest::newRow("Motorola in a JPEG") << QByteArray(12, 'J') + "MM" + QByteArray::fromHex("011200030000000100030000")
                                            << 3;
        QTest::newRow("value cut off") << QByteArray("II*\0", 4) + le << 0;
        QTest::newRow("beyond the first kilobyte") << QByteArray(1020, 'X') + le + "\x06" << 0;
        QTest::newRow("empty") << QByteArray() << 0;
    }

    void exifOrientationIsReadOnlyFromTheFirstKilobyte()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, orientation);
        QCOMPARE(Transfer::exifOrientation(head), orientation);
    }

    void aFileOfAnUnknownTypeIsFetchedButNotSaved_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("other extension") << "TIF";
        QTest::newRow("no extension") << "-";
    }

    void aFileOfAnUnknownTypeIsFetchedButNotSaved()
    {
        QFETCH(QString, extension);
        Rig rig(0x2061, 0, 41, [&extension](FaultyAccess &access) { access.extension = extension; });
        const QStringList before = QDir(m_pictures).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(rig.takePictures(1));
        QCOMPARE(rig.files(), QStringList());
        QCOMPARE(QDir(m_pictures).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(rig.model->folderSettings()->pictureNumber(), 41);
        QCOMPARE(rig.sink.errors.size(), 1);
    }

    void aContinuousSeriesArrivesCompleteAndInOrder()
    {
        Rig rig(0x2061, 0, 1);
        rig.capture->overrideSetting(Camera::kLEDriveMode, 1);
        QVERIFY(rig.access->releaseCam(kVXReleaseContinuousStart));
        QVERIFY(QTest::qWaitFor([&rig]() { return rig.capture->picturesTaken() >= 20; }, kWaitMs));
        QVERIFY(rig.model->continuousEnd());
        QVERIFY(QTest::qWaitFor([&rig]() { return !rig.capture->isContinuousRunning(); }, kWaitMs));
        QVERIFY(rig.settle());

        const QVector<quint32> card = rig.capture->cardHandles();
        QVERIFY(card.size() >= 20);
        QCOMPARE(rig.files().size(), card.size());
        for (int i = 0; i < card.size(); ++i) {
            const QString name = QStringLiteral("dng/Picture%1.DNG").arg(i + 1, 5, 10, QLatin1Char('0'));
            QVERIFY2(readFile(rig.dir.filePath(name)) == rig.cardFile(card[i]), qPrintable(name));
        }
        QCOMPARE(rig.sink.errors, QStringList());
        QVERIFY(!rig.model->isTransferInProgress());
        QCOMPARE(rig.model->activeTransferThreads(), 0);
    }

    void aPendingContinuousEndIsSentOnceMoreByTheNextTransfer()
    {
        Rig rig(0x2061, 0);
        rig.model->setContinuousEndPending(true);
        QVERIFY(rig.takePictures(1));
        QVERIFY(!rig.model->continuousEndPending());
        QCOMPARE(rig.files(), QStringList{"dng/Picture00041.DNG"});
    }

    void aPictureThatCannotBeReadLeavesNoFileAndIsReported_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("stillConnected");
        const auto everyRead = [](const std::function<void(Camera &, int)> &fault) {
            return Fault([fault](Rig &rig) { rig.access->everyPictureRead = fault; });
        };
        QTest::newRow("read refused")
            << everyRead([](Camera &camera, int code) { camera.failNextOperation(code, kRespGeneralError); }) << true;
        QTest::newRow("unplugged while reading")
            << Fault([](Rig &rig) { rig.access->unplugDuringPictureRead = true; }) << false;
        // Answered OK, but fewer bytes came than the ObjectInfo announced.
        QTest::newRow("data phase a byte short")
            << everyRead([](Camera &camera, int code) { camera.cutNextDataIn(code, 1); }) << true;
        QTest::newRow("data phase half missing")
            << everyRead([](Camera &camera, int code) { camera.cutNextDataIn(code, int(kDngBytes / 2)); }) << true;
    }

    // Every read of the picture failed: it is given up, reported once, and
    // nothing of it is left on the disk.
    void aPictureThatCannotBeReadLeavesNoFileAndIsReported()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, stillConnected);
        Rig rig(0x2061, 0);
        QSignalSpy progress(rig.model.get(), &Model::signalTransferProgress);
        fault(rig);
        QVERIFY(rig.access->releaseCam(0));
        QVERIFY(QTest::qWaitFor([&rig]() { return !rig.sink.errors.isEmpty() && rig.model->transferThreadCount() == 0; },
                                kWaitMs));
        QCOMPARE(rig.files(), QStringList());
        QCOMPARE(rig.sink.errors.size(), 1);
        QVERIFY2(rig.sink.errors[0].contains("NRBA"), qPrintable(rig.sink.errors[0])); // names the camera's file
        QCoreApplication::sendPostedEvents();
        for (const QList<QVariant> &step : progress) // none claims the picture came whole
            QVERIFY(step.at(1).toLongLong() < step.at(2).toLongLong());
        if (stillConnected) {
            const QHash<int, quint64> counts = rig.camera->transactionCountsByOperation();
            QCOMPARE(counts.value(kOpGetObject) + counts.value(kOpGetPartialObject), quint64(Transfer::kReadAttempts));
            // The camera moved on: the next picture is saved as usual.
            rig.access->everyPictureRead = nullptr;
            QVERIFY(rig.takePictures(1));
            QCOMPARE(rig.files(), QStringList{"dng/Picture00042.DNG"});
        }
    }

    void aReadBrokenOffOnceIsTriedAgain_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QList<int>>("hidden");
        QTest::addColumn<int>("wholeReads");   // GetObject
        QTest::addColumn<int>("partReads");    // GetPartialObject
        const QList<int> noPartial{kOpGetPartialObject};
        const auto refused = Fault([](Rig &rig) { rig.camera->failNextOperation(kOpGetObject, kRespGeneralError); });
        const auto byteShort = Fault([](Rig &rig) { rig.camera->cutNextDataIn(kOpGetObject, 1); });
        const auto halfMissing =
            Fault([](Rig &rig) { rig.camera->cutNextDataIn(kOpGetObject, int(kDngBytes / 2)); });
        // Nothing came: read again whole.
        QTest::newRow("read refused") << refused << QList<int>() << 2 << 0;
        // What came is the picture's start: the rest is read on its own.
        QTest::newRow("data phase a byte short") << byteShort << QList<int>() << 1 << 1;
        QTest::newRow("data phase half missing") << halfMissing << QList<int>() << 1 << 1;
        QTest::newRow("half missing, no partial reads") << halfMissing << noPartial << 2 << 0;
    }

    // A camera that keeps its pictures for the computer only lets one go once
    // it hears the hand-over: a read it broke off once must not cost the picture.
    void aReadBrokenOffOnceIsTriedAgain()
    {
        QFETCH(Fault, fault);
        QFETCH(QList<int>, hidden);
        QFETCH(int, wholeReads);
        QFETCH(int, partReads);
        Rig rig(0x2061, 0, 41, [&hidden](FaultyAccess &access) {
            access.hiddenOperations = QSet<int>(hidden.begin(), hidden.end());
        });
        QSignalSpy progress(rig.model.get(), &Model::signalTransferProgress);
        fault(rig);
        rig.camera->resetTransactionCount();
        QVERIFY(rig.takePictures(1));
        const QHash<int, quint64> counts = rig.camera->transactionCountsByOperation();
        QCOMPARE(counts.value(kOpGetObject), quint64(wholeReads));
        QCOMPARE(counts.value(kOpGetPartialObject), quint64(partReads));
        QCOMPARE(counts.value(kOpTransferObjectReady), quint64(1));
        QCOMPARE(rig.files(), QStringList{"dng/Picture00041.DNG"});
        QCOMPARE(readFile(rig.path("dng/Picture00041.DNG")), rig.cardFile(rig.capture->cardHandles().value(0)));
        QCOMPARE(rig.sink.errors, QStringList());
        QCoreApplication::sendPostedEvents();
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(1).toLongLong(), kDngBytes);
    }

    void progressRisesToTheWholePictureOnceItIsSaved_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("one read") << Fault();
        // The second read starts from nothing; what is shown never falls.
        QTest::newRow("read again after half")
            << Fault([](Rig &rig) { rig.camera->cutNextDataIn(kOpGetObject, int(kProgressDngBytes / 2)); });
    }

    void progressRisesToTheWholePictureOnceItIsSaved()
    {
        QFETCH(Fault, fault);
        Rig rig(0x2061, 0);
        rig.capture->setDngBytes(kProgressDngBytes);
        if (fault)
            fault(rig);
        QVector<qint64> received;
        QStringList names;
        qint64 total = -1;
        bool savedBeforeTheLast = false;
        QObject::connect(rig.model.get(), &Model::signalTransferProgress, &rig.sink,
                         [&](const QString &name, qint64 bytes, qint64 of) {
                             names << name;
                             received << bytes;
                             total = of;
                             savedBeforeTheLast = QFileInfo::exists(rig.path("dng/Picture00041.DNG"));
                         });
        QVERIFY(rig.takePictures(1));
        QVERIFY(received.size() > 10); // a picture of 4 MB comes in many pieces
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 1);
        QVERIFY2(names.first().contains("NRBA"), qPrintable(names.first()));
        QCOMPARE(total, QFileInfo(rig.path("dng/Picture00041.DNG")).size());
        for (int i = 1; i < received.size(); ++i)
            QVERIFY2(received[i] > received[i - 1], qPrintable(QStringLiteral("step %1 fell").arg(i)));
        QCOMPARE(received.last(), total);
        QVERIFY(savedBeforeTheLast);
        QCOMPARE(rig.sink.errors, QStringList());
    }

    // The camera does not hear that the first file of a pair is saved (the
    // cable went at that moment) and offers it again in its next session.
    void aPictureOfferedAgainAfterALostConfirmationIsSavedOnce_data()
    {
        QTest::addColumn<bool>("removedMeanwhile");
        QTest::newRow("file kept") << false;
        QTest::newRow("file removed meanwhile") << true; // saved again rather than lost
    }

    void aPictureOfferedAgainAfterALostConfirmationIsSavedOnce()
    {
        QFETCH(bool, removedMeanwhile);
        Rig rig(0x2041, 1);
        rig.model->setWantQuickView(true);
        rig.camera->failNextOperation(kOpTransferObjectReady, kRespGeneralError);
        QVERIFY(rig.access->releaseCam(0));
        QVERIFY(QTest::qWaitFor([&rig]() { return rig.files() == QStringList{"jpg/Picture00041.JPG"}; }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&rig]() { return rig.model->transferThreadCount() == 0; }, kWaitMs));
        QCOMPARE(rig.capture->pendingCount(), 2); // the camera still holds both files
        if (removedMeanwhile)
            QVERIFY(QFile::remove(rig.path("jpg/Picture00041.JPG")));

        rig.access->closeConnection();
        QVERIFY(rig.access->openConnection(Emulated::kVendorId, 0x2041, rig.access->deviceId()));
        QVERIFY(rig.settle());

        const QVector<quint32> card = rig.capture->cardHandles();
        QCOMPARE(card.size(), 2);
        QCOMPARE(rig.files(), (QStringList{"dng/Picture00041.DNG", "jpg/Picture00041.JPG"}));
        QCOMPARE(readFile(rig.path("jpg/Picture00041.JPG")), rig.cardFile(card[0]));
        QCOMPARE(readFile(rig.path("dng/Picture00041.DNG")), rig.cardFile(card[1]));
        QCOMPARE(rig.model->folderSettings()->pictureNumber(), 42);
        QCOMPARE(rig.sink.errors, QStringList());
        if (!removedMeanwhile) // the pair's first file was shown once, its second is not
            QCOMPARE(rig.sink.quickViewNames, QStringList{"jpg/Picture00041.JPG"});
    }

    void destroyingTheModelWaitsForARunningTransfer()
    {
        auto rig = std::make_unique<Rig>(0x2061, 0);
        rig->camera->setDataRate(256 * 1024); // the picture takes a quarter of a second
        const auto objectInfoReads = [&rig]() {
            return rig->camera->transactionCountsByOperation().value(kOpGetObjectInfo);
        };
        const quint64 readsBefore = objectInfoReads();
        QVERIFY(rig->access->releaseCam(0));
        // Running, not only asked for: a request still waiting is left to the
        // camera's next session when the model goes.
        QVERIFY(QTest::qWaitFor([&]() { return objectInfoReads() > readsBefore; }, kWaitMs));
        const QString dng = rig->path("dng");
        rig->model.reset();
        QCOMPARE(QDir(dng).entryList(QDir::Files | QDir::Hidden), QStringList{"Picture00041.DNG"});
        QCOMPARE(QFileInfo(dng + "/Picture00041.DNG").size(), kDngBytes);
        rig.reset();
    }

    // Nowhere to put the bytes: the camera keeps its copy, and the user is told.
    void aFullDiskLeavesThePictureUnconfirmedOnTheCamera()
    {
        if (qEnvironmentVariableIsSet(kFullDiskChild)) {
            // In a process of its own: files here may grow to 16 KiB only. The
            // platform, not the test, keeps the write from ending the process.
            rlimit limit{};
            QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
            limit.rlim_cur = 16 * 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
            Rig rig(0x2061, 0);
            QVERIFY(rig.access->releaseCam(0));
            QVERIFY(QTest::qWaitFor(
                [&rig]() { return !rig.sink.errors.isEmpty() && rig.model->transferThreadCount() == 0; }, kWaitMs));
            QCOMPARE(rig.files(), QStringList());
            QCOMPARE(QDir(platform()->rescueFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
            QCOMPARE(rig.sink.errors.size(), 1);
            QVERIFY2(rig.sink.errors[0].contains("stays on the camera"), qPrintable(rig.sink.errors[0]));
            QCOMPARE(rig.camera->transactionCountsByOperation().value(kOpTransferObjectReady), quint64(0));
            QCOMPARE(rig.capture->pendingCount(), 1);
            return;
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kFullDiskChild, "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QTest::currentTestFunction()});
        QVERIFY(child.waitForFinished(5 * kWaitMs));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    }

    void aPictureIsConfirmedOnlyOnceItIsOnDisk_data()
    {
        QTest::addColumn<bool>("rescueWritable");
        QTest::newRow("download folder read-only") << true;
        QTest::newRow("rescue folder read-only too") << false;
    }

    void aPictureIsConfirmedOnlyOnceItIsOnDisk()
    {
        QFETCH(bool, rescueWritable);
        const QString rescue = platform()->rescueFolder();
        QVERIFY(rescue.startsWith(m_home.path()) && QDir().mkpath(rescue));
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        QFile(rescue).setPermissions(rescueWritable ? readOnly | QFileDevice::WriteOwner : readOnly);
        const NoWriteOverride noOverride;
        QVERIFY(noOverride.ok);
        Rig rig(0x2061, 0);
        QFile(rig.path("dng")).setPermissions(readOnly);
        QVERIFY(rig.access->releaseCam(0));
        QVERIFY(QTest::qWaitFor(
            [&rig]() { return !rig.sink.errors.isEmpty() && rig.model->transferThreadCount() == 0; }, kWaitMs));
        QCOMPARE(rig.sink.errors.size(), 1);
        QVERIFY2(rig.sink.errors[0].contains(rescue), qPrintable(rig.sink.errors[0]));
        const QStringList rescued = QDir(rescue).entryList(QDir::Files | QDir::Hidden);
        if (rescueWritable)
            QCOMPARE(readFile(rescue + "/Picture00041.DNG"), rig.cardFile(rig.capture->cardHandles().value(0)));
        QCOMPARE(rescued, rescueWritable ? QStringList{"Picture00041.DNG"} : QStringList());
        QCOMPARE(rig.camera->transactionCountsByOperation().value(kOpTransferObjectReady), quint64(rescueWritable));
        QCOMPARE(rig.capture->pendingCount(), rescueWritable ? 0 : 1);
        QFile(rescue).setPermissions(readOnly | QFileDevice::WriteOwner);
        QFile(rig.path("dng")).setPermissions(readOnly | QFileDevice::WriteOwner);
        QDir(rescue).removeRecursively();
    }

    void aFloodOfRequestsCostsNeitherThreadsNorMemory_data()
    {
        QTest::addColumn<bool>("distinct");
        QTest::newRow("one object again and again") << false;
        QTest::newRow("a new object each time") << true;
    }

    // After 20,000 requests at once, a real picture must still arrive.
    void aFloodOfRequestsCostsNeitherThreadsNorMemory()
    {
        QFETCH(bool, distinct);
        constexpr int kRequests = 20000;
        Rig rig(0x2061, 0);
        TVK_Test_HostileCamera hostile(rig.camera);
        setDebugLogCategories(kLELogTransfer | kLELogThreads, false); // a line per request is the test's cost
        const QDir tasks(QStringLiteral("/proc/self/task"));
        const int threadsBefore = int(tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
        const qint64 heapBefore = TVK_Test_Heap::inUseBytes();
        int heard = 0, mostThreads = 0, mostQueued = 0;
        qint64 mostHeap = 0;
        // Queued after the model's own connection: the model has had the request.
        QObject::connect(rig.access, &Emulated::signalTransferRequest, &rig.sink, [&]() {
            ++heard;
            mostThreads = qMax(mostThreads, int(tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()));
            mostQueued = qMax(mostQueued, rig.model->transferThreadCount());
            mostHeap = qMax(mostHeap, TVK_Test_Heap::inUseBytes());
        }, Qt::QueuedConnection);
        hostile.floodTransferRequests(kRequests, 0x00077771, distinct);
        const bool over = QTest::qWaitFor(
            [&]() { return heard == kRequests && rig.model->transferThreadCount() == 0; }, 5 * kWaitMs);
        setDebugLogCategories(kLELogTransfer | kLELogThreads, true);
        qInfo("threads %d before, at most %d; queued at most %d; heap %lld KiB before, at most %lld", threadsBefore,
              mostThreads, mostQueued, heapBefore / 1024, mostHeap / 1024);
        QVERIFY(over && rig.settle());
        QVERIFY(mostThreads <= threadsBefore + 2); // the flood's own thread and the queue's worker
        QVERIFY(mostQueued <= Queue::kMaxBacklog + 1);
        QVERIFY(mostHeap - heapBefore < 16 * 1024 * 1024); // the flood's queued events take some

        rig.sink.errors.clear(); // the flood's own: nothing was pending
        QVERIFY(rig.takePictures(1));
        QCOMPARE(readFile(rig.path("dng/Picture00041.DNG")), rig.cardFile(rig.capture->cardHandles().value(0)));
        QCOMPARE(rig.sink.errors, QStringList());
    }

    void theQueueMergesRepeatsAndDropsBeyondItsBacklogWithOneWarning()
    {
        TVK_Test_LogCapture log;
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        std::atomic<int> runs{0};
        Queue queue([&runs, released]() { ++runs, released.wait(); });
        QCOMPARE(queue.request(1), Queue::kLEQueued);
        QVERIFY(QTest::qWaitFor([&runs]() { return runs == 1; }, kWaitMs));
        QCOMPARE(queue.request(1), Queue::kLEMerged); // in flight
        queue.handingOver();
        QCOMPARE(queue.request(1), Queue::kLEQueued); // the camera's next object under the handle
        QCOMPARE(queue.request(1), Queue::kLEMerged); // waiting
        for (quint32 handle = 2; handle <= quint32(Queue::kMaxBacklog); ++handle)
            QCOMPARE(queue.request(handle), Queue::kLEQueued);
        QCOMPARE(queue.request(Queue::kUnknownObject), Queue::kLEDropped);
        QCOMPARE(queue.request(100), Queue::kLEDropped);
        QCOMPARE(log.matching("further ones are dropped").size(), 1);
        release.set_value();
        QVERIFY(QTest::qWaitFor([&queue]() { return queue.count() == 0; }, kWaitMs));
        QCOMPARE(runs.load(), Queue::kMaxBacklog + 1);
        QCOMPARE(queue.request(100), Queue::kLEQueued); // heard again once the backlog is done
    }
};

QTEST_GUILESS_MAIN(tst_TransferThread)
#include "tst_transferthread.moc"
