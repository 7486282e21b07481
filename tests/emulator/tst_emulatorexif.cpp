#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_ShotSettings.h"
#include "TVK_Emulator_VendorRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

// The Exif the emulated camera writes, read by an independent reader
// (exiftool), so that the emulator's own TIFF writing is checked by something
// other than the program it serves as a camera for.

using Maker = TVK_Emulator_PictureMaker;
using Camera = TVK_Emulator_Camera;
using Capture = TVK_Emulator_Capture;
using Record = TVK_Emulator_SettingsRecord;
using Shot = TVK_Emulator_ShotSettings;

Q_DECLARE_METATYPE(Maker::Rational)
Q_DECLARE_METATYPE(Maker::SignedRational)
Q_DECLARE_METATYPE(Maker::Shot)

namespace {

constexpr int kExiftoolMs = 60000;

constexpr int kPropShutterTime = 0xD60C;
constexpr int kPropAperture = 0xD60E;
constexpr int kPropSensitivity = 0xD610;
constexpr int kPropCompensation = 0x5010;

QString exiftool()
{
    return QStandardPaths::findExecutable(QStringLiteral("exiftool"));
}

// exiftool's numeric reading of one file ("-n": values, not their prints),
// with its own check of the structure: Validate counts errors, warnings and
// minor warnings, Warning is the first of them.
QJsonObject exifOf(const QByteArray &file, const QString &name)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return QJsonObject();
    out.close();
    QProcess process;
    process.start(exiftool(), {QStringLiteral("-j"), QStringLiteral("-n"), QStringLiteral("-All"),
                               QStringLiteral("-Validate"), QStringLiteral("-Warning"), path});
    if (!process.waitForFinished(kExiftoolMs) || process.exitCode() != 0) {
        qWarning("exiftool: %s", process.readAllStandardError().constData());
        return QJsonObject();
    }
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array().at(0).toObject();
}

// A shot as a camera at its factory settings takes it.
Maker::Shot standardShot()
{
    Maker::Shot shot;
    shot.exposureTime = {1, 125};
    shot.fNumber = {56, 10};
    shot.sensitivity = 200;
    shot.compensation = {0, 1};
    shot.focalLength = {35, 1};
    shot.lensModel = "Elmotar 35 f/2";
    return shot;
}

Maker::Picture picture(int number, Maker::eLEByteOrder order, const Maker::Shot &shot)
{
    Maker::Picture p;
    p.number = number;
    p.seed = 5;
    p.byteOrder = order;
    p.orientation = 6;
    p.dngBytes = 64 * 1024;
    p.make = "Norba";
    p.model = "Velia";
    p.shot = shot;
    p.dngPreview = true;
    return p;
}

QByteArray fileOf(const Maker::Picture &p, Maker::eLEFileKind kind)
{
    return kind == Maker::kLEDng ? Maker::dng(p) : Maker::jpeg(p);
}

bool near(const QJsonValue &value, double expected)
{
    return value.isDouble() && qAbs(value.toDouble() - expected) < 1e-6 * qMax(1.0, qAbs(expected));
}

} // namespace

class TestEmulatorExif : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (exiftool().isEmpty())
            QSKIP("exiftool is not installed (scripts/setup.sh installs libimage-exiftool-perl)");
    }

    void filesCarryTheShotTheyWereMadeWith_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("order");
        QTest::addColumn<Maker::Shot>("shot");

        const Maker::Shot standard = standardShot();
        Maker::Shot dark = standard;
        dark.exposureTime = {30, 1};
        dark.fNumber = {14, 10};
        dark.sensitivity = 100000; // beyond a SHORT: written through ISOSpeed
        dark.compensation = {-2, 3};
        dark.focalLength = {120, 1};
        dark.lensModel = "Korvanit-S 120 Macro";
        Maker::Shot bare = standard; // a lens the body cannot talk to, ISO unknown
        bare.exposureTime = {1, 40000};
        bare.fNumber = {320, 10};
        bare.sensitivity = 0;
        bare.compensation = {3, 1};
        bare.focalLength = {};
        bare.lensModel.clear();

        const struct {
            const char *name;
            Maker::Shot shot;
        } shots[] = {{"standard", standard}, {"long, high ISO, -2/3 EV", dark}, {"no lens, no ISO", bare}};
        for (const auto &each : shots) {
            for (int kind : {int(Maker::kLEJpg), int(Maker::kLEDng)}) {
                for (int order : {int(Maker::kLELittleEndian), int(Maker::kLEBigEndian)}) {
                    QTest::addRow("%s, %s, %s", each.name, kind == Maker::kLEJpg ? "JPG" : "DNG",
                                  order == Maker::kLEBigEndian ? "MM" : "II")
                        << kind << order << each.shot;
                }
            }
        }
    }

    void filesCarryTheShotTheyWereMadeWith()
    {
        QFETCH(int, kind);
        QFETCH(int, order);
        QFETCH(Maker::Shot, shot);
        const Maker::Picture p = picture(9, Maker::eLEByteOrder(order), shot);
        const Maker::eLEFileKind fileKind = Maker::eLEFileKind(kind);
        const QJsonObject exif = exifOf(fileOf(p, fileKind), Maker::fileName(p.number, fileKind));
        QVERIFY2(!exif.isEmpty(), "exiftool read nothing");
        QVERIFY2(!exif.contains(QStringLiteral("Error")), qPrintable(exif.value(QStringLiteral("Error")).toString()));
        QVERIFY2(!exif.contains(QStringLiteral("Warning")),
                 qPrintable(exif.value(QStringLiteral("Warning")).toString()));
        QCOMPARE(exif.value(QStringLiteral("Validate")).toString(), QStringLiteral("0 0 0"));

        QCOMPARE(exif.value(QStringLiteral("Make")).toString(), QStringLiteral("Norba"));
        QCOMPARE(exif.value(QStringLiteral("Model")).toString(), QStringLiteral("Velia"));
        QCOMPARE(exif.value(QStringLiteral("Orientation")).toInt(), 6);
        QCOMPARE(exif.value(QStringLiteral("DateTimeOriginal")).toString(), QStringLiteral("2024:05:17 10:00:09"));
        QVERIFY(near(exif.value(QStringLiteral("ExposureTime")),
                     double(shot.exposureTime.numerator) / shot.exposureTime.denominator));
        QVERIFY(near(exif.value(QStringLiteral("FNumber")), double(shot.fNumber.numerator) / shot.fNumber.denominator));
        QVERIFY(near(exif.value(QStringLiteral("ExposureCompensation")),
                     double(shot.compensation.numerator) / shot.compensation.denominator));
        if (shot.sensitivity == 0) {
            QVERIFY(!exif.contains(QStringLiteral("ISO")));
        } else if (shot.sensitivity > 65535) {
            QCOMPARE(exif.value(QStringLiteral("ISO")).toInt(), 65535);
            QCOMPARE(exif.value(QStringLiteral("ISOSpeed")).toInt(), shot.sensitivity);
        } else {
            QCOMPARE(exif.value(QStringLiteral("ISO")).toInt(), shot.sensitivity);
        }
        if (shot.focalLength.denominator == 0)
            QVERIFY(!exif.contains(QStringLiteral("FocalLength")));
        else
            QVERIFY(near(exif.value(QStringLiteral("FocalLength")), double(shot.focalLength.numerator)));
        QCOMPARE(exif.value(QStringLiteral("LensModel")).toString(), QString::fromLatin1(shot.lensModel));

        if (fileKind == Maker::kLEDng) {
            // The preview in IFD1 is where exiftool finds it, whole.
            QCOMPARE(exif.value(QStringLiteral("ThumbnailLength")).toInt(), Maker::dngPreview(p).size());
            QCOMPARE(exif.value(QStringLiteral("DNGVersion")).toString(), QStringLiteral("1 4 0 0"));
        }
    }

    void aPictureThatKnowsNothingOfItsShotKeepsItsOldBytes()
    {
        // Tests and benchmarks that keep files from before the shot was
        // written still compare: no Exif IFD, no preview.
        Maker::Picture p = picture(4, Maker::kLELittleEndian, Maker::Shot());
        p.dngPreview = false;
        const QJsonObject exif = exifOf(Maker::dng(p), QStringLiteral("NRBA0004.DNG"));
        QCOMPARE(exif.value(QStringLiteral("Make")).toString(), QStringLiteral("Norba"));
        QVERIFY(!exif.contains(QStringLiteral("ExposureTime")));
        QVERIFY(!exif.contains(QStringLiteral("ThumbnailLength")));
        // A JPEG still has its Exif IFD, with the date.
        const QJsonObject jpeg = exifOf(Maker::jpeg(p), QStringLiteral("NRBA0004.JPG"));
        QCOMPARE(jpeg.value(QStringLiteral("Validate")).toString(), QStringLiteral("0 0 0"));
        QCOMPARE(jpeg.value(QStringLiteral("DateTimeOriginal")).toString(), QStringLiteral("2024:05:17 10:00:04"));
    }

    void theHostStillFindsTheOrientationInTheFirstKilobyte()
    {
        // The Exif IFD and the preview come after IFD0: the orientation
        // entry stays where the host's raw-byte search looks.
        for (Maker::eLEByteOrder order : {Maker::kLELittleEndian, Maker::kLEBigEndian}) {
            const Maker::Picture p = picture(3, order, standardShot());
            const QByteArray pattern =
                QByteArray::fromHex(order == Maker::kLEBigEndian ? "0112000300000001" : "1201030001000000");
            for (const QByteArray &file : {Maker::dng(p), Maker::jpeg(p)}) {
                const int at = file.left(1024).indexOf(pattern);
                QVERIFY(at > 0);
                QCOMPARE(int(quint8(file.at(at + (order == Maker::kLEBigEndian ? 9 : 8)))), 6);
            }
        }
    }

    void aSmallDngStillHasRoomForItsPreview()
    {
        Maker::Picture p = picture(1, Maker::kLELittleEndian, standardShot());
        p.dngBytes = 4096;
        QVERIFY(Maker::dngHeaderBytes(p) < 4096);
        QCOMPARE(Maker::dng(p).size(), 4096);
        QVERIFY(!QImage::fromData(Maker::dngPreview(p), "JPEG").isNull());
        p.hasThumbnail = false;
        QVERIFY(Maker::dngPreview(p).isEmpty());
        p.hasThumbnail = true;
        p.dngPreview = false;
        QVERIFY(Maker::dngPreview(p).isEmpty());
    }

    void settingCodesBecomeNominalValues_data()
    {
        QTest::addColumn<qint64>("shutterCode");
        QTest::addColumn<Maker::Rational>("time");
        QTest::newRow("Tv 7: 1/125, not 1/128") << qint64(1792) << Maker::Rational{1, 125};
        QTest::newRow("Tv 1: 1/2 s") << qint64(256) << Maker::Rational{1, 2};
        QTest::newRow("Tv 2: 1/4 s") << qint64(512) << Maker::Rational{1, 4};
        QTest::newRow("third step: 1/100") << qint64(1707) << Maker::Rational{1, 100};
        QTest::newRow("Tv 0: one second") << qint64(0) << Maker::Rational{1, 1};
        QTest::newRow("Tv -1/3: 1.3 s") << qint64(-85) << Maker::Rational{13, 10};
        QTest::newRow("longest: 4096 s") << qint64(-3072) << Maker::Rational{4096, 1};
        QTest::newRow("electronic: 1/40000") << qint64(3925) << Maker::Rational{1, 40000};
    }

    void settingCodesBecomeNominalValues()
    {
        QFETCH(qint64, shutterCode);
        QFETCH(Maker::Rational, time);
        const Maker::Rational made = Shot::exposureTime(shutterCode);
        QCOMPARE(made.numerator, time.numerator);
        QCOMPARE(made.denominator, time.denominator);
    }

    void apertureAndCompensationBecomeNominalValues()
    {
        const struct {
            qint64 code;
            quint32 tenths;
        } apertures[] = {{0, 10}, {676, 25}, {1280, 56}, {1366, 63}, {2304, 220}, {2560, 320}};
        for (const auto &each : apertures) {
            QCOMPARE(Shot::fNumber(each.code).numerator, each.tenths);
            QCOMPARE(Shot::fNumber(each.code).denominator, 10u);
        }
        const struct {
            qint64 milliEv;
            qint32 numerator;
            qint32 denominator;
        } compensations[] = {{0, 0, 1}, {-667, -2, 3}, {333, 1, 3}, {1000, 1, 1}, {-1500, -3, 2}, {3000, 3, 1}};
        for (const auto &each : compensations) {
            QCOMPARE(Shot::compensation(each.milliEv).numerator, each.numerator);
            QCOMPARE(Shot::compensation(each.milliEv).denominator, each.denominator);
        }
    }

    void theCaptureWritesTheSettingsOfTheMomentOfRelease_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("device properties") << 0x2041;
        QTest::newRow("settings record") << 0x2009;
        QTest::newRow("settings record, Cora") << 0x2021;
    }

    void theCaptureWritesTheSettingsOfTheMomentOfRelease()
    {
        QFETCH(int, product);
        Camera camera(product, 3);
        camera.setTimeScale(0.01);
        Capture *capture = camera.component<Capture>();
        QVERIFY(capture != nullptr);
        capture->overrideSetting(Camera::kLEFileFormat, 2); // JPG alone
        TVK_Emulator_VendorRecords *records = camera.component<TVK_Emulator_VendorRecords>();
        QVERIFY(records != nullptr);
        const TVK_Emulator_VendorRecords::Lens macro = TVK_Emulator_VendorRecords::lensCatalogue().at(3);
        records->changeLens(macro);

        double seconds = 0;
        double compensation = 0;
        int iso = 0;
        double fNumber = 0;
        if (TVK_Emulator_SettingsRecord *record = camera.component<Record>()) {
            QVERIFY(record->setField(Record::kLEShutterTime, 1536, false)); // 1/60
            seconds = 1.0 / 60;
            // An index: two half steps above 0 EV, or three thirds on Cora.
            QVERIFY(record->setField(Record::kLEExposureCompensation, record->isCoraLayout() ? 12 : 8, false));
            compensation = 1.0;
            iso = int(record->field(Record::kLEIsoValue));
            if (record->hasField(Record::kLEAperture)) {
                QVERIFY(record->setField(Record::kLEAperture, 1536, false)); // Av 6: f/8
                fNumber = 8.0;
            } else {
                fNumber = 4.0; // what the macro lens opens to
            }
        } else {
            TVK_Emulator_PropertyStore *properties = camera.properties();
            properties->setValue(kPropShutterTime, 2560, false); // 1/1000
            seconds = 1.0 / 1000;
            properties->setValue(kPropAperture, 768, false);     // Av 3: f/2.8
            fNumber = 2.8;
            properties->setValue(kPropSensitivity, 3200, false);
            iso = 3200;
            properties->setValue(kPropCompensation, -667, false);
            compensation = -2.0 / 3.0;
        }
        {
            TVK_Emulator_Action release;
            release.kind = TVK_Emulator_Action::kLERelease;
            int response = 0;
            const std::lock_guard<std::recursive_mutex> locker(camera.stateLock());
            QVERIFY(capture->handleAction(release, &response));
        }
        // Changed after the release: the picture already taken keeps what was.
        if (TVK_Emulator_PropertyStore *properties = camera.properties())
            properties->setValue(kPropShutterTime, 0, false);

        const QByteArray file = capture->fileSource(Capture::kPendingHandle).toByteArray();
        const QJsonObject exif = exifOf(file, QStringLiteral("NRBA0001.JPG"));
        QVERIFY(near(exif.value(QStringLiteral("ExposureTime")), seconds));
        QVERIFY(near(exif.value(QStringLiteral("FNumber")), fNumber));
        QVERIFY(iso > 0);
        QCOMPARE(exif.value(QStringLiteral("ISO")).toInt(), iso);
        QVERIFY(near(exif.value(QStringLiteral("ExposureCompensation")), compensation));
        QVERIFY(near(exif.value(QStringLiteral("FocalLength")), double(macro.selectedFocalLength)));
        QCOMPARE(exif.value(QStringLiteral("LensModel")).toString(), macro.typeString);

        // Without a lens on, neither its name nor a focal length.
        records->setLensAttached(false);
        {
            TVK_Emulator_Action release;
            release.kind = TVK_Emulator_Action::kLERelease;
            int response = 0;
            const std::lock_guard<std::recursive_mutex> locker(camera.stateLock());
            QVERIFY(capture->handleAction(release, &response));
        }
        const QVector<quint32> card = capture->cardHandles();
        QCOMPARE(card.size(), 2);
        const QJsonObject bare = exifOf(capture->fileSource(card.last()).toByteArray(), QStringLiteral("NRBA0002.JPG"));
        QVERIFY(!bare.isEmpty());
        QVERIFY(!bare.contains(QStringLiteral("LensModel")));
        QVERIFY(!bare.contains(QStringLiteral("FocalLength")));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorExif)
#include "tst_emulatorexif.moc"
