#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_ShotSettings.h"
#include "TVK_Logic_ShotDataReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

using Maker = TVK_Emulator_PictureMaker;
using Reader = TVK_Logic_ShotDataReader;
using Camera = TVK_Emulator_Camera;
using Capture = TVK_Emulator_Capture;

Q_DECLARE_METATYPE(Maker::Shot)

namespace {

// What the reader should find in a file made from p.
TVK_Logic_ShotData expectedOf(const Maker::Picture &p, const QString &fileName, qint64 bytes)
{
    TVK_Logic_ShotData shot;
    shot.fileName = fileName;
    shot.fileBytes = bytes;
    shot.make = QString::fromLatin1(p.make);
    shot.model = QString::fromLatin1(p.model);
    shot.taken = Maker::captureTime(p.number);
    const Maker::Shot &s = p.shot;
    shot.exposureNumerator = s.exposureTime.numerator;
    shot.exposureDenominator = s.exposureTime.denominator;
    shot.aperture = s.fNumber.denominator != 0 ? double(s.fNumber.numerator) / double(s.fNumber.denominator) : 0.0;
    shot.sensitivity = s.sensitivity;
    shot.hasExposureCompensation = s.compensation.denominator != 0;
    if (shot.hasExposureCompensation)
        shot.exposureCompensation = double(s.compensation.numerator) / double(s.compensation.denominator);
    shot.focalLength = s.focalLength.denominator != 0 ? double(s.focalLength.numerator) / s.focalLength.denominator
                                                      : 0.0;
    shot.lens = QString::fromLatin1(s.lensModel);
    return shot;
}

QByteArray fileOf(const Maker::Picture &p, Maker::eLEFileKind kind)
{
    return kind == Maker::kLEDng ? Maker::dng(p) : Maker::jpeg(p);
}

Maker::Picture smallPicture(Maker::eLEByteOrder order = Maker::kLELittleEndian)
{
    Maker::Picture p;
    p.number = 12;
    p.seed = 9;
    p.byteOrder = order;
    p.dngBytes = 32 * 1024;
    p.jpegPixels = QSize(64, 48);
    p.dngPreview = true;
    p.shot.exposureTime = {1, 250};
    p.shot.fNumber = {80, 10};
    p.shot.sensitivity = 400;
    p.shot.compensation = {-1, 3};
    p.shot.focalLength = {90, 1};
    p.shot.lensModel = "Varitar-C 24-90 ASPH";
    return p;
}

// Exactly what a test expects of a file that cannot be read: its name and
// size, nothing else.
TVK_Logic_ShotData emptyOf(const QString &fileName, qint64 bytes)
{
    TVK_Logic_ShotData shot;
    shot.fileName = fileName;
    shot.fileBytes = bytes;
    return shot;
}

void release(Camera &camera, Capture &capture)
{
    TVK_Emulator_Action action;
    action.kind = TVK_Emulator_Action::kLERelease;
    int response = 0;
    const std::lock_guard<std::recursive_mutex> locker(camera.stateLock());
    capture.handleAction(action, &response);
}

} // namespace

class TestShotData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatEveryProductWrote_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("order");
        for (int product : TVK_Emulator_Profile::knownProducts()) {
            for (int kind : {int(Maker::kLEJpg), int(Maker::kLEDng)}) {
                for (int order : {int(Maker::kLELittleEndian), int(Maker::kLEBigEndian)}) {
                    QTest::addRow("%04X %s %s", product, kind == Maker::kLEJpg ? "JPG" : "DNG",
                                  order == Maker::kLEBigEndian ? "MM" : "II")
                        << product << kind << order;
                }
            }
        }
    }

    void readsWhatEveryProductWrote()
    {
        QFETCH(int, product);
        QFETCH(int, kind);
        QFETCH(int, order);
        Camera camera(product, 11);
        camera.setTimeScale(0.01);
        Capture *capture = camera.component<Capture>();
        QVERIFY(capture != nullptr);
        capture->overrideSetting(Camera::kLEFileFormat, kind == Maker::kLEJpg ? 2 : 0);
        capture->setExifByteOrder(Maker::eLEByteOrder(order));
        capture->setJpegPixels(QSize(64, 48));
        capture->setDngBytes(32 * 1024);

        Maker::Picture p;
        {
            const std::lock_guard<std::recursive_mutex> locker(camera.stateLock());
            p.shot = TVK_Emulator_ShotSettings::atRelease(camera);
        }
        const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(product);
        p.make = profile->manufacturer.toLatin1();
        p.model = profile->model.toLatin1();
        release(camera, *capture);
        const QByteArray file = capture->fileSource(Capture::kPendingHandle).toByteArray();
        const QString name = Maker::fileName(1, Maker::eLEFileKind(kind));

        const TVK_Logic_ShotData read = Reader::read(file, name);
        QCOMPARE(read, expectedOf(p, name, file.size()));
        // Something to show on every product.
        QVERIFY(read.exposureDenominator > 0);
        QVERIFY(read.aperture > 0);
    }

    void readsTheValuesAtTheEdgesOfTheirTypes_data()
    {
        QTest::addColumn<Maker::Shot>("shot");
        const Maker::Shot standard = smallPicture().shot;
        Maker::Shot highIso = standard;
        highIso.sensitivity = 100000;
        Maker::Shot longAndNegative = standard;
        longAndNegative.exposureTime = {4096, 1};
        longAndNegative.compensation = {-3, 1};
        // No Exif IFD in the DNG: the date comes from IFD0.
        const Maker::Shot nothingKnown;
        QTest::newRow("ISO above a SHORT") << highIso;
        QTest::newRow("4096 s, -3 EV") << longAndNegative;
        QTest::newRow("nothing known") << nothingKnown;
    }

    void readsTheValuesAtTheEdgesOfTheirTypes()
    {
        QFETCH(Maker::Shot, shot);
        for (Maker::eLEByteOrder order : {Maker::kLELittleEndian, Maker::kLEBigEndian}) {
            for (Maker::eLEFileKind kind : {Maker::kLEJpg, Maker::kLEDng}) {
                Maker::Picture p = smallPicture(order);
                p.shot = shot;
                const QByteArray file = fileOf(p, kind);
                QCOMPARE(Reader::read(file, QStringLiteral("x")), expectedOf(p, QStringLiteral("x"), file.size()));
            }
        }
    }

    void readsFromAFile()
    {
        QTemporaryDir dir;
        const Maker::Picture p = smallPicture(Maker::kLEBigEndian);
        const QByteArray dng = Maker::dng(p);
        const QString path = dir.filePath(QStringLiteral("NRBA0012.DNG"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(dng), qint64(dng.size()));
        out.close();
        QCOMPARE(Reader::read(path), expectedOf(p, QStringLiteral("NRBA0012.DNG"), dng.size()));
        QCOMPARE(Reader::largestPreview(path).size(), Maker::dngPreviewPixels());

        const QString missing = dir.filePath(QStringLiteral("gone.DNG"));
        TVK_Logic_ShotData none;
        none.fileName = QStringLiteral("gone.DNG");
        QCOMPARE(Reader::read(missing), none);
        QVERIFY(Reader::largestPreview(missing).isNull());
        // A folder is no picture.
        QCOMPARE(Reader::read(dir.path()).exposureDenominator, 0u);
        QVERIFY(Reader::largestPreview(dir.path()).isNull());
    }

    void damagedFilesGiveNothingAndNoCrash_data()
    {
        QTest::addColumn<QByteArray>("data");
        const Maker::Picture p = smallPicture();
        const QByteArray jpeg = Maker::jpeg(p);
        const QByteArray dng = Maker::dng(p);
        const QByteArray exif = Maker::exifSegment(p);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a picture at all");
        QTest::newRow("JPEG SOI alone") << jpeg.left(2);
        QTest::newRow("JPEG cut in the Exif header") << jpeg.left(12);
        QTest::newRow("JPEG cut in IFD0") << jpeg.left(40);
        QTest::newRow("TIFF header alone, II") << dng.left(8);
        QTest::newRow("TIFF header alone, MM") << Maker::dng(smallPicture(Maker::kLEBigEndian)).left(8);
        QTest::newRow("TIFF cut in IFD0") << dng.left(60);
        QByteArray farIfd = dng.left(16);
        farIfd[4] = char(0xF0); // IFD0 far past the end
        farIfd[5] = char(0xFF);
        QTest::newRow("IFD0 past the end") << farIfd;
        QByteArray hugeCount = dng.left(64);
        hugeCount[8] = char(0xFF); // 65535 entries in 56 bytes
        hugeCount[9] = char(0xFF);
        QTest::newRow("entry count past the end") << hugeCount;
        QByteArray app1 = jpeg.left(2) + exif.left(4);
        app1[4] = char(0xFF); // APP1 claims 64 KiB
        app1[5] = char(0xFF);
        QTest::newRow("APP1 longer than the file") << app1;
        // Deterministic noise, and noise behind a valid TIFF header.
        QByteArray noise;
        quint32 x = 0x1234567u;
        for (int i = 0; i < 4096; ++i) {
            x = x * 1664525u + 1013904223u;
            noise.append(char(x >> 24));
        }
        QTest::newRow("noise") << noise;
        QTest::newRow("TIFF header, then noise") << dng.left(8) + noise;
    }

    void damagedFilesGiveNothingAndNoCrash()
    {
        QFETCH(QByteArray, data);
        const TVK_Logic_ShotData read = Reader::read(data, QStringLiteral("broken.DNG"));
        QCOMPARE(read, emptyOf(QStringLiteral("broken.DNG"), data.size()));
        QVERIFY(Reader::largestPreview(data).isNull());
    }

    void everyCutOfTheMetadataIsSafe()
    {
        // Cut at every length through the header: whatever is read is what
        // the file says, never anything else, and nothing crashes.
        for (Maker::eLEByteOrder order : {Maker::kLELittleEndian, Maker::kLEBigEndian}) {
            const Maker::Picture p = smallPicture(order);
            const QByteArray dng = Maker::dng(p);
            const TVK_Logic_ShotData whole = expectedOf(p, QStringLiteral("cut"), 0);
            const int header = int(Maker::dngHeaderBytes(p));
            for (int length = 0; length < header; length += 7) {
                const TVK_Logic_ShotData read = Reader::read(dng.left(length), QStringLiteral("cut"));
                QCOMPARE(read.fileBytes, qint64(length));
                if (!read.make.isEmpty())
                    QCOMPARE(read.make, whole.make);
                if (read.exposureDenominator != 0)
                    QCOMPARE(read.exposureDenominator, whole.exposureDenominator);
                if (!read.lens.isEmpty())
                    QCOMPARE(read.lens, whole.lens);
            }
        }
    }

    void aDngCutInItsPixelsStillTellsItsShot()
    {
        // A download broken off after the header: the line under the quick
        // view can still be shown.
        const Maker::Picture p = smallPicture();
        const QByteArray cut = Maker::dng(p).left(int(Maker::dngHeaderBytes(p)) + 100);
        QCOMPARE(Reader::read(cut, QStringLiteral("part")), expectedOf(p, QStringLiteral("part"), cut.size()));
    }

    void theDngsPreviewIsTheLargestAndDecodes()
    {
        for (Maker::eLEByteOrder order : {Maker::kLELittleEndian, Maker::kLEBigEndian}) {
            Maker::Picture p = smallPicture(order);
            const QImage preview = Reader::largestPreview(Maker::dng(p));
            QCOMPARE(preview.size(), Maker::dngPreviewPixels());
            // The scene, not a blank: its top left corner is the white mark.
            QCOMPARE(qGray(preview.pixel(3, 3)) > 200, true);
            p.hasThumbnail = false;
            QVERIFY(Reader::largestPreview(Maker::dng(p)).isNull());
            // The camera's JPEG carries no thumbnail of its own.
            QVERIFY(Reader::largestPreview(Maker::jpeg(p)).isNull());
        }
    }
};

QTEST_GUILESS_MAIN(TestShotData)
#include "tst_shotdata.moc"
