#include "TVK_Debug_Log.h"
#include "TVK_Test_Home.h"
#include "TVK_Logic_FileNameStem.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Platform_Base.h"
#include "TVK_Test_LogCapture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <functional>
#include <limits>
#include <vector>

using Folders = TVK_Logic_FolderSettings;

namespace {

const QString kDump = QStringLiteral("TVK_Logic_FolderSettings::dump()");

// Two folders that differ from the default and from each other.
const QString kDngFolder = QStringLiteral("/srv/shoot/raw");
const QString kJpgFolder = QStringLiteral("/srv/shoot/jpeg");

struct SetterRow {
    const char *name;
    // Changes one value away from what a fresh object holds.
    std::function<void(Folders &)> change;
};

const std::vector<SetterRow> &setters()
{
    static const std::vector<SetterRow> rows = {
        {"setDngPictureFolder", [](Folders &f) { f.setDngPictureFolder(kDngFolder); }},
        {"setJpgPictureFolder", [](Folders &f) { f.setJpgPictureFolder(kJpgFolder); }},
        {"setPictureNewFileName", [](Folders &f) { f.setPictureNewFileName(QStringLiteral("Wedding")); }},
        {"setPictureNumber", [](Folders &f) { f.setPictureNumber(123); }},
        {"setPictureExampleIsDng", [](Folders &f) { f.setPictureExampleIsDng(true); }},
    };
    return rows;
}

QStringList dumpLines(const QString &title, const QString &dng, const QString &jpg, const QString &org,
                      const QString &stem, const QString &example, int number)
{
    return {
        kDump + QStringLiteral(" for ") + title + QStringLiteral(" :"),
        kDump + QStringLiteral(" - dngPictureFolder       = \"") + dng + QLatin1Char('"'),
        kDump + QStringLiteral(" - jpgPictureFolder       = \"") + jpg + QLatin1Char('"'),
        kDump + QStringLiteral(" - pictureOrgFileName     = \"") + org + QLatin1Char('"'),
        kDump + QStringLiteral(" - pictureNewFileName     = \"") + stem + QLatin1Char('"'),
        kDump + QStringLiteral(" - pictureExampleFileName = \"") + example + QLatin1Char('"'),
        kDump + QStringLiteral(" - pictureNumber          = %1").arg(number),
    };
}

} // namespace

class tst_foldersettings : public QObject
{
    Q_OBJECT

private:
    TVK_Test_Home m_home;
    QString m_pictures;

private Q_SLOTS:
    void initTestCase()
    {
        // The default folder is worked out once per process, so the test home
        // must be in place before the first object is made.
        QVERIFY(m_home.isValid());
        // Quiet: the tests of the dump capture it with their own mask.
        setStartupDebugLogCategories();
        setDebugLogCategories(kLELogFolders, false);
        m_pictures = platform()->picturesFolder();
        QVERIFY(!m_pictures.isEmpty());
    }

    // --- Defaults ------------------------------------------------------------------

    void theDefaultFolderIsThePicturesFolderOfTheTestHome()
    {
        QCOMPARE(Folders::defaultPictureFolder(), m_pictures);
        QVERIFY2(m_pictures.startsWith(m_home.path() + QLatin1Char('/')), qPrintable(m_pictures));
    }

    void theDefaultStemIsPicture()
    {
        QCOMPARE(Folders::defaultPictureFileName(), QStringLiteral("Picture"));
    }

    void aFreshObjectUsesThePicturesFolderForBoth()
    {
        Folders folders;
        QCOMPARE(folders.dngPictureFolder(), QDir::toNativeSeparators(m_pictures));
        QCOMPARE(folders.jpgPictureFolder(), QDir::toNativeSeparators(m_pictures));
    }

    void aFreshObjectHasNumberOneAndNoNames()
    {
        Folders folders;
        QCOMPARE(folders.pictureNumber(), 1);
        QCOMPARE(folders.pictureNewFileName(), QString());
        QCOMPARE(folders.pictureOrgFileName(), QString());
        QCOMPARE(folders.pictureExampleFileName(), QString());
        QVERIFY(!folders.pictureExampleIsDng());
    }

    // --- Example file name -------------------------------------------------------------

    void exampleIsFolderStemPaddedNumberAndExtension_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("isDng");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first JPG") << "Picture" << 1 << false << QString(kJpgFolder + "/Picture00001.JPG");
        QTest::newRow("three digits") << "Picture" << 123 << false << QString(kJpgFolder + "/Picture00123.JPG");
        QTest::newRow("five digits") << "Picture" << 99999 << false << QString(kJpgFolder + "/Picture99999.JPG");
        QTest::newRow("six digits in full")
            << "Picture" << 123456 << false << QString(kJpgFolder + "/Picture123456.JPG");
        QTest::newRow("zero") << "Picture" << 0 << false << QString(kJpgFolder + "/Picture00000.JPG");
        QTest::newRow("DNG folder and extension")
            << "Picture" << 42 << true << QString(kDngFolder + "/Picture00042.DNG");
        QTest::newRow("own stem") << "Wedding_" << 7 << false << QString(kJpgFolder + "/Wedding_00007.JPG");
        QTest::newRow("no stem") << "" << 7 << true << QString(kDngFolder + "/00007.DNG");
    }

    void exampleIsFolderStemPaddedNumberAndExtension()
    {
        QFETCH(QString, stem);
        QFETCH(int, number);
        QFETCH(bool, isDng);
        QFETCH(QString, expected);
        Folders folders;
        folders.setDngPictureFolder(kDngFolder);
        folders.setJpgPictureFolder(kJpgFolder);
        folders.setPictureNewFileName(stem);
        folders.setPictureNumber(number);
        folders.setPictureExampleIsDng(isDng);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(expected));
    }

    void numberOneTwoThreeMakesTheExampleEndWithPicture00123()
    {
        Folders folders;
        folders.load({});
        folders.setPictureNumber(123);
        QCOMPARE(folders.pictureNumber(), 123);
        QVERIFY2(folders.pictureExampleFileName().endsWith(QStringLiteral("Picture00123.JPG")),
                 qPrintable(folders.pictureExampleFileName()));
    }

    void switchingToDngTakesTheDngFolderAndExtension()
    {
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Picture"), 5});
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Picture00005.JPG"));
        folders.setPictureExampleIsDng(true);
        QVERIFY(folders.pictureExampleIsDng());
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kDngFolder + "/Picture00005.DNG"));
        folders.setPictureExampleIsDng(false);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Picture00005.JPG"));
    }

    void theCamerasFileNameIsOnlyRemembered()
    {
        Folders folders;
        folders.load({});
        const QString example = folders.pictureExampleFileName();
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.setPictureOrgFileName(QStringLiteral("NRBA0123.DNG"));
        QCOMPARE(folders.pictureOrgFileName(), QStringLiteral("NRBA0123.DNG"));
        QCOMPARE(folders.pictureExampleFileName(), example);
        QCOMPARE(spy.count(), 0);
    }

    // --- Picture numbers ---------------------------------------------------------------

    void incrementingAdvancesTheNumberAndTheExample()
    {
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Picture"), 99998});
        folders.incrementPictureNumber();
        QCOMPARE(folders.pictureNumber(), 99999);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Picture99999.JPG"));
        folders.incrementPictureNumber();
        QCOMPARE(folders.pictureNumber(), 100000);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Picture100000.JPG"));
    }

    void negativeNumbersAreTakenAsZero_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("-1") << -1;
        QTest::newRow("-5") << -5;
        QTest::newRow("lowest int") << std::numeric_limits<int>::min();
    }

    void negativeNumbersAreTakenAsZero()
    {
        QFETCH(int, number);
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Picture"), 7});
        folders.setPictureNumber(number);
        QCOMPARE(folders.pictureNumber(), 0);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Picture00000.JPG"));
    }

    void aNegativeNumberFromTheSettingsFileIsTakenAsZero()
    {
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Picture"), -3});
        QCOMPARE(folders.pictureNumber(), 0);
        QVERIFY(!folders.pictureExampleFileName().contains(QLatin1Char('-')));
    }

    void incrementingStopsAtTheLargestNumber()
    {
        Folders folders;
        folders.setPictureNumber(std::numeric_limits<int>::max());
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.incrementPictureNumber();
        QCOMPARE(folders.pictureNumber(), std::numeric_limits<int>::max());
        QCOMPARE(spy.count(), 1);
    }

    // --- Separators ----------------------------------------------------------------------

    void foldersAreStoredWithForwardSlashes_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("forward slashes") << "/home/anna/Bilder" << "/home/anna/Bilder";
        QTest::newRow("back-slashes") << "C:\\Users\\anna\\Pictures" << "C:/Users/anna/Pictures";
        QTest::newRow("mixed") << "/home/anna\\Bilder\\raw" << "/home/anna/Bilder/raw";
        QTest::newRow("native") << QDir::toNativeSeparators(QStringLiteral("/data/shoot")) << "/data/shoot";
        QTest::newRow("network share") << "\\\\server\\photos" << "//server/photos";
    }

    void foldersAreStoredWithForwardSlashes()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        Folders folders;
        folders.load({});
        folders.setDngPictureFolder(given);
        folders.setJpgPictureFolder(given);
        QCOMPARE(folders.dngPictureFolder(), QDir::toNativeSeparators(stored));
        QCOMPARE(folders.jpgPictureFolder(), QDir::toNativeSeparators(stored));
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(stored + "/Picture00001.JPG"));
        // The dump shows what is kept.
        TVK_Test_LogCapture capture(0);
        folders.dump(QStringLiteral("test"));
        QVERIFY(capture.contains(kDump + QStringLiteral(" - dngPictureFolder       = \"") + stored + '"'));
        QVERIFY(capture.contains(kDump + QStringLiteral(" - jpgPictureFolder       = \"") + stored + '"'));
    }

    void theSameFolderWithOtherSeparatorsIsNoChange()
    {
        Folders folders;
        folders.setDngPictureFolder(QStringLiteral("/data/shoot"));
        folders.setJpgPictureFolder(QStringLiteral("/data/shoot"));
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.setDngPictureFolder(QStringLiteral("\\data\\shoot"));
        folders.setJpgPictureFolder(QDir::toNativeSeparators(QStringLiteral("/data/shoot")));
        QCOMPARE(spy.count(), 0);
    }

    // --- Change signal -------------------------------------------------------------------

    void aChangedValueRebuildsTheExampleOnce_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < setters().size(); ++i)
            QTest::newRow(setters()[i].name) << int(i);
    }

    void aChangedValueRebuildsTheExampleOnce()
    {
        QFETCH(int, row);
        Folders folders;
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        setters()[size_t(row)].change(folders);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!folders.pictureExampleFileName().isEmpty());
    }

    void theSameValueAgainEmitsNothing_data()
    {
        aChangedValueRebuildsTheExampleOnce_data();
    }

    void theSameValueAgainEmitsNothing()
    {
        QFETCH(int, row);
        Folders folders;
        setters()[size_t(row)].change(folders);
        const QString example = folders.pictureExampleFileName();
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        setters()[size_t(row)].change(folders);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(folders.pictureExampleFileName(), example);
    }

    void theCurrentValuesOfAFreshObjectEmitNothing()
    {
        Folders folders;
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.setDngPictureFolder(m_pictures);
        folders.setJpgPictureFolder(m_pictures);
        folders.setPictureNewFileName(QString());
        folders.setPictureNumber(1);
        folders.setPictureExampleIsDng(false);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(folders.pictureExampleFileName(), QString());
    }

    void incrementAlwaysEmits()
    {
        Folders folders;
        folders.load({});
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.incrementPictureNumber();
        folders.incrementPictureNumber();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(folders.pictureNumber(), 3);
    }

    void theExampleIsCurrentWhenTheSignalArrives()
    {
        Folders folders;
        folders.load({});
        QString seen;
        connect(&folders, &Folders::signalPictureExampleChanged, this,
                [&folders, &seen]() { seen = folders.pictureExampleFileName(); });
        folders.setPictureNumber(77);
        QVERIFY2(seen.endsWith(QStringLiteral("Picture00077.JPG")), qPrintable(seen));
    }

    // --- Loading -----------------------------------------------------------------------------

    void loadingEmptyValuesFallsBackToTheDefaults()
    {
        Folders folders;
        folders.load({});
        QCOMPARE(folders.dngPictureFolder(), QDir::toNativeSeparators(m_pictures));
        QCOMPARE(folders.jpgPictureFolder(), QDir::toNativeSeparators(m_pictures));
        QCOMPARE(folders.pictureNewFileName(), QStringLiteral("Picture"));
        QCOMPARE(folders.pictureNumber(), 1);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(m_pictures + "/Picture00001.JPG"));
    }

    void loadingTakesThePersistedValues()
    {
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Holiday"), 42});
        QCOMPARE(folders.dngPictureFolder(), QDir::toNativeSeparators(kDngFolder));
        QCOMPARE(folders.jpgPictureFolder(), QDir::toNativeSeparators(kJpgFolder));
        QCOMPARE(folders.pictureNewFileName(), QStringLiteral("Holiday"));
        QCOMPARE(folders.pictureNumber(), 42);
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kJpgFolder + "/Holiday00042.JPG"));
    }

    void loadingOnlyAStemKeepsTheExampleInThePicturesFolder()
    {
        // Step 1 empties the folders and step 2 builds an example from them;
        // the defaults of step 3 must show up in the example all the same.
        Folders folders;
        folders.load({QString(), QString(), QStringLiteral("Holiday"), 5});
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(m_pictures + "/Holiday00005.JPG"));
    }

    void loadingBackSlashFoldersStoresForwardSlashes()
    {
        Folders folders;
        folders.load({QStringLiteral("D:\\Shoot\\DNG"), QStringLiteral("D:\\Shoot\\JPG"), QStringLiteral("P"), 1});
        QCOMPARE(folders.dngPictureFolder(), QDir::toNativeSeparators(QStringLiteral("D:/Shoot/DNG")));
        QCOMPARE(folders.jpgPictureFolder(), QDir::toNativeSeparators(QStringLiteral("D:/Shoot/JPG")));
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(QStringLiteral("D:/Shoot/JPG/P00001.JPG")));
    }

    void loadEmitsOncePerRebuildingStep_data()
    {
        QTest::addColumn<QString>("dng");
        QTest::addColumn<QString>("jpg");
        QTest::addColumn<QString>("stem");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("emitted");
        const QString pictures = Folders::defaultPictureFolder();
        // Folders as they are, stem new: only the stem rebuilds.
        QTest::newRow("stem only") << pictures << pictures << "Picture" << 1 << 1;
        // Empty stem: only the default stem of step 4 rebuilds.
        QTest::newRow("defaults given, empty stem") << pictures << pictures << "" << 1 << 1;
        // Two folders, the stem and the number each rebuild once.
        QTest::newRow("everything new") << kDngFolder << kJpgFolder << "Holiday" << 42 << 4;
        QTest::newRow("number new") << pictures << pictures << "Picture" << 9 << 2;
        // Emptied folders (2), the defaults again (2), the default stem (1).
        QTest::newRow("everything empty") << "" << "" << "" << 1 << 5;
        QTest::newRow("one folder empty") << kDngFolder << "" << "Picture" << 1 << 4;
    }

    void loadEmitsOncePerRebuildingStep()
    {
        QFETCH(QString, dng);
        QFETCH(QString, jpg);
        QFETCH(QString, stem);
        QFETCH(int, number);
        QFETCH(int, emitted);
        Folders folders;
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.load({dng, jpg, stem, number});
        QCOMPARE(spy.count(), emitted);
        QVERIFY(!folders.pictureExampleFileName().isEmpty());
    }

    void reloadingTheSameRecordEmitsNothing()
    {
        Folders folders;
        const Folders::Record record{kDngFolder, kJpgFolder, QStringLiteral("Holiday"), 42};
        folders.load(record);
        const QString example = folders.pictureExampleFileName();
        QSignalSpy spy(&folders, &Folders::signalPictureExampleChanged);
        folders.load(record);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(folders.pictureExampleFileName(), example);
    }

    void loadingKeepsTheExampleType()
    {
        Folders folders;
        folders.setPictureExampleIsDng(true);
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Picture"), 3});
        QCOMPARE(folders.pictureExampleFileName(), QDir::toNativeSeparators(kDngFolder + "/Picture00003.DNG"));
    }

    // --- Log -------------------------------------------------------------------------------

    void loadDumpsWithTheFolderCategory()
    {
        Folders folders;
        folders.setPictureOrgFileName(QStringLiteral("NRBA0123.DNG"));
        TVK_Test_LogCapture capture(kLELogFolders);
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Holiday"), 42});
        QCOMPARE(capture.lines(),
                 dumpLines(QStringLiteral("TVK_Logic_FolderSettings::load()"), kDngFolder, kJpgFolder,
                           QStringLiteral("NRBA0123.DNG"), QStringLiteral("Holiday"),
                           kJpgFolder + "/Holiday00042.JPG", 42));
    }

    void loadWritesNothingWithoutTheFolderCategory()
    {
        Folders folders;
        TVK_Test_LogCapture capture(kLEStartupLogMask & ~quint32(kLELogFolders));
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Holiday"), 42});
        QCOMPARE(capture.lines(), QStringList());
    }

    void dumpWritesEveryFieldAlways()
    {
        Folders folders;
        folders.load({kDngFolder, kJpgFolder, QStringLiteral("Übersicht"), 123456});
        folders.setPictureExampleIsDng(true);
        TVK_Test_LogCapture capture(0);
        folders.dump(QStringLiteral("Caller::method()"));
        QCOMPARE(capture.lines(),
                 dumpLines(QStringLiteral("Caller::method()"), kDngFolder, kJpgFolder, QString(),
                           QStringLiteral("Übersicht"), kDngFolder + QStringLiteral("/Übersicht123456.DNG"),
                           123456));
    }

    // A transfer thread advances the number while the controller thread reads
    // the names for the panel: every read is a whole, current name.
    void readsDuringAdvancesAreWhole()
    {
        TVK_Logic_FolderSettings settings;
        settings.load({QStringLiteral("/pictures/dng"), QStringLiteral("/pictures/jpg"), QStringLiteral("Shot"), 1});
        constexpr int kAdvances = 20000;
        std::atomic<bool> done{false};
        QStringList bad;
        int last = 0;
        QThread *reader = QThread::create([&]() {
            const QRegularExpression whole(QStringLiteral("^/pictures/jpg/Shot(\\d{5,})\\.JPG$"));
            while (!done.load()) {
                const QRegularExpressionMatch match = whole.match(QDir::fromNativeSeparators(settings.pictureExampleFileName()));
                const int number = match.hasMatch() ? match.captured(1).toInt() : -1;
                if (number < last || settings.pictureNumber() < number)
                    bad << QDir::fromNativeSeparators(settings.pictureExampleFileName());
                last = qMax(last, number);
            }
        });
        reader->start();
        for (int i = 0; i < kAdvances; ++i) {
            settings.incrementPictureNumber();
            settings.setPictureOrgFileName(QStringLiteral("L%1.JPG").arg(i));
        }
        done.store(true);
        QVERIFY(reader->wait(60000));
        delete reader;
        QVERIFY2(bad.isEmpty(), qPrintable(bad.mid(0, 3).join(QLatin1Char(' '))));
        QCOMPARE(settings.pictureNumber(), 1 + kAdvances);
        QVERIFY(last > 1);
    }

    // --- The stem is a file name -------------------------------------------------------

    void aStemMustBeOneFileName_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QString>("fault"); // a part of it; empty: accepted
        const int most = TVK_Logic_FileNameStem::maxBytes();
        QTest::newRow("plain") << QStringLiteral("Day 1.Wedding_") << QString();
        QTest::newRow("longest, in two-byte letters") << QString(most / 2, QChar(0xE4)) << QString();
        QTest::newRow("empty") << QString() << QStringLiteral("empty");
        QTest::newRow("two folders up") << QStringLiteral("../../escaped_stem_") << QStringLiteral("separator");
        QTest::newRow("back-slash") << QStringLiteral("a\\b") << QStringLiteral("separator");
        QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("\"..\"");
        QTest::newRow("newline") << QStringLiteral("a\nb") << QStringLiteral("control");
        QTest::newRow("C1 next line") << QStringLiteral("a\u0085b") << QStringLiteral("control");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QStringLiteral("not valid");
        QTest::newRow("too long in UTF-8") << QString(most / 2 + 1, QChar(0xE4)) << QStringLiteral("too long");
    }

    void aStemMustBeOneFileName()
    {
        QFETCH(QString, stem);
        QFETCH(QString, fault);
        const QString found = TVK_Logic_FileNameStem::fault(stem);
        QVERIFY2(fault.isEmpty() ? found.isEmpty() : found.contains(fault), qPrintable(found));
    }

    void aStemThatIsNoFileNameIsRefusedAndTheLastGoodStays()
    {
        Folders folders;
        folders.setPictureNewFileName(QStringLiteral("Wedding"));
        QSignalSpy changes(&folders, &Folders::signalPictureExampleChanged);
        TVK_Test_LogCapture log;
        folders.setPictureNewFileName(QStringLiteral("../../escaped_stem_"));
        QCOMPARE(folders.pictureNewFileName(), QStringLiteral("Wedding"));
        QCOMPARE(changes.count(), 0);
        QCOMPARE(log.matching(QStringLiteral("holds a path separator; keeping \"Wedding\"")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_foldersettings)
#include "tst_foldersettings.moc"
