#include "TVK_GUI_Settings.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Test_Home.h"
#include "TVK_Test_LogCapture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using Settings = TVK_GUI_Settings;

namespace {

constexpr int kProductA = 0x2031;
constexpr int kProductB = 0x2041;
const QString kDngFolder = QStringLiteral("/srv/shoot/raw");
const QString kJpgFolder = QStringLiteral("/srv/shoot/jpeg");
const QRect kCameraRect(10, 20, 800, 600);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Reopens as a new run would: the entry point selects the last product's group.
Settings *nextRun()
{
    Settings::destroyInstance();
    Settings *settings = Settings::instance();
    settings->setLastProductId(settings->lastProductId());
    return settings;
}

void saveFolders(Settings *settings, const QString &stem, int number)
{
    TVK_Logic_FolderSettings folders;
    folders.load({kDngFolder, kJpgFolder, stem, number});
    settings->saveFolderSettings(&folders);
}

struct ValueRow {
    const char *name;
    std::function<void(Settings &)> store;   // a value other than the default
    std::function<bool(Settings &)> holds;   // whether that value is read back
};

QRect windowRect(int i)
{
    return QRect(100 + i, 200 + i, 640 + i, 480 + i);
}

const std::vector<ValueRow> &valueRows()
{
    static const std::vector<ValueRow> rows = [] {
        std::vector<ValueRow> r = {
            {"AlwaysOnTop", [](Settings &s) { s.setAlwaysOnTop(false); }, [](Settings &s) { return !s.alwaysOnTop(); }},
            {"AutoUpdates", [](Settings &s) { s.setAutoUpdates(true); }, [](Settings &s) { return s.autoUpdates(); }},
            {"IsUnitFeet", [](Settings &s) { s.setIsUnitFeet(true); }, [](Settings &s) { return s.isUnitFeet(); }},
            {"LastProductId", [](Settings &s) { s.setLastProductId(kProductB); },
             [](Settings &s) { return s.lastProductId() == kProductB; }},
            {"TcpServerEnabled", [](Settings &s) { s.setTcpServerEnabled(false); },
             [](Settings &s) { return !s.tcpServerEnabled(); }},
            {"TcpServerPort", [](Settings &s) { s.setTcpServerPort(50123); },
             [](Settings &s) { return s.tcpServerPort() == 50123; }},
            {"WlanCameraAddress", [](Settings &s) { s.setWlanCameraAddress(QStringLiteral("camera.local:15741")); },
             [](Settings &s) { return s.wlanCameraAddress() == QLatin1String("camera.local:15741"); }},
            {"IsMinimalControlGUI", [](Settings &s) { s.setIsMinimalControlGUI(true); },
             [](Settings &s) { return s.isMinimalControlGUI(); }},
            {"FolderSettings", [](Settings &s) { saveFolders(&s, QStringLiteral("Wedding"), 42); },
             [](Settings &s) {
                 TVK_Logic_FolderSettings folders;
                 s.loadFolderSettings(&folders);
                 return folders.dngPictureFolder() == kDngFolder && folders.jpgPictureFolder() == kJpgFolder
                        && folders.pictureNewFileName() == QLatin1String("Wedding") && folders.pictureNumber() == 42;
             }},
        };
        const char *windows[] = {"WinNoCamera", "WinCamera", "LiveViewDialog", "QuickViewDialog"};
        for (int i = 0; i < 4; ++i) {
            const QString name = QLatin1String(windows[i]);
            r.push_back({windows[i], [name, i](Settings &s) { s.saveWindowPosition(name, windowRect(i)); },
                         [name, i](Settings &s) {
                             QRect rect;
                             return s.windowPosition(name, &rect) && rect == windowRect(i);
                         }});
        }
        return r;
    }();
    return rows;
}

QStringList entriesBeside(const QString &path)
{
    return QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// What lies at path and beside it, without following a link or opening anything.
QString pathState(const QString &path)
{
    struct stat seen {};
    if (::lstat(QFile::encodeName(path).constData(), &seen) != 0)
        return QStringLiteral("nothing;");
    const QDir::Filters all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    return QStringLiteral("mode %1 inode %2 device %3 size %4 beside %5;").arg(seen.st_mode, 0, 8).arg(seen.st_ino)
        .arg(seen.st_rdev).arg(seen.st_size).arg(QFileInfo(path).dir().entryList(all).join(QLatin1Char(',')));
}

} // namespace

class tst_settings : public QObject
{
    Q_OBJECT

    TVK_Test_Home m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Settings::registerXmlFormat();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral("Norba Camera AG/NorbaPellora3.xml"));
        Settings::setFilePathForTesting(m_path);
    }

    void cleanup()
    {
        Settings::destroyInstance();
        QVERIFY(!Settings::exists());
    }

    void defaultFileLiesInTheConfigFolder()
    {
        QCOMPARE(Settings::defaultFilePath(), m_home.filePath(QStringLiteral("config/Norba Camera AG/NorbaPellora3.xml")));
    }

    void firstRunWithoutFileGivesDefaultsAndMakesTheFolderOnFirstWrite()
    {
        QVERIFY(!Settings::exists());
        Settings *s = Settings::instance();
        QVERIFY(Settings::exists());
        QCOMPARE(s->filePath(), m_path);
        QCOMPARE(s->alwaysOnTop(), true);
        QCOMPARE(s->isUnitFeet(), false);
        QCOMPARE(s->autoUpdates(), false);
        QCOMPARE(s->lastProductId(), 0);
        QCOMPARE(s->productId(), 0);
        QCOMPARE(s->isMinimalControlGUI(), false);
        QCOMPARE(s->tcpServerEnabled(), true);
        QCOMPARE(s->tcpServerPort(), 50505);
        TVK_Logic_FolderSettings folders;
        s->loadFolderSettings(&folders);
        QCOMPARE(folders.pictureNumber(), 1);
        QCOMPARE(folders.pictureNewFileName(), TVK_Logic_FolderSettings::defaultPictureFileName());
        QRect rect(1, 2, 3, 4);
        QVERIFY(!s->windowPosition(QStringLiteral("WinCamera"), &rect));
        QCOMPARE(rect, QRect(1, 2, 3, 4));
        // Reading alone writes nothing.
        QVERIFY(s->sync());
        QVERIFY(!QFileInfo::exists(QFileInfo(m_path).absolutePath()));
        s->setAlwaysOnTop(false);
        QVERIFY(s->sync());
        QVERIFY(QFileInfo(m_path).isFile());
    }

    void everyValueSurvivesAFreshInstance_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < valueRows().size(); ++i)
            QTest::newRow(valueRows()[i].name) << int(i);
    }

    void everyValueSurvivesAFreshInstance()
    {
        QFETCH(int, row);
        const ValueRow &value = valueRows()[size_t(row)];
        Settings *s = Settings::instance();
        s->setLastProductId(kProductA);
        QVERIFY(!value.holds(*s));
        value.store(*s);
        QVERIFY(value.holds(*s));
        s = nextRun();
        QVERIFY(value.holds(*s));
    }

    void fileMatchesTheHandWrittenReference()
    {
        Settings *s = Settings::instance();
        s->setLastProductId(kProductA);
        // Stored out of key order: the file is sorted all the same.
        s->saveWindowPosition(QStringLiteral("WinCamera"), kCameraRect);
        s->setIsMinimalControlGUI(true);
        saveFolders(s, QStringLiteral("Wedding"), 42);
        s->setIsUnitFeet(true);
        s->setAutoUpdates(true);
        s->setAlwaysOnTop(false);
        QVERIFY(s->sync());
        QCOMPARE(readAll(m_path), readAll(QFINDTESTDATA("data/settings_reference.xml")));
    }

    void numericKeyComponentIsAnArrayElementInTheFile()
    {
        Settings *s = Settings::instance();
        s->saveWindowPosition(QStringLiteral("2031"), kCameraRect);
        QVERIFY(s->sync());
        const QByteArray bytes = readAll(m_path);
        QVERIFY(bytes.contains("<arrayElement_2031>"));
        QVERIFY(!bytes.contains("<2031>"));
        QRect rect;
        QVERIFY(nextRun()->windowPosition(QStringLiteral("2031"), &rect));
        QCOMPARE(rect, kCameraRect);
    }

    void readKeepsOnlyElementText()
    {
        QBuffer buffer;
        buffer.setData("<?xml version=\"1.0\"?>\n<r a=\"1\"><!-- note --><k b=\"2\">one</k>\n  <k>two</k>"
                       "<e>   </e><arrayElement_7><v>seven</v></arrayElement_7></r>\n");
        buffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap map;
        QVERIFY(Settings::readXmlFile(buffer, map));
        QSettings::SettingsMap expected;
        expected.insert(QStringLiteral("r/k"), QStringLiteral("two"));
        expected.insert(QStringLiteral("r/7/v"), QStringLiteral("seven"));
        QCOMPARE(map, expected);
    }

    void unreadableValuesFallBackToDefaults_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("probe");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("logged");
        enum { kLast, kNumber, kWindow, kOnTop, kWlanProduct };
        const QByteArray win = "<ProductId0><WindowPositions><WinCamera><x>1</x><y>2</y><w>3</w><h>";
        const QByteArray winEnd = "</h></WinCamera></WindowPositions></ProductId0>";
        QTest::newRow("LastProductId letters") << QByteArray("<LastProductId>abc</LastProductId>") << int(kLast) << 0
                                               << QStringLiteral("not a number");
        QTest::newRow("LastProductId number") << QByteArray("<LastProductId>8241</LastProductId>") << int(kLast)
                                              << 8241 << QString();
        QTest::newRow("PictureNumber letters")
            << QByteArray("<ProductId0><FolderSettings><PictureNumber>x</PictureNumber></FolderSettings></ProductId0>")
            << int(kNumber) << 1 << QStringLiteral("not a number");
        QTest::newRow("window h letters") << (win + "tall" + winEnd) << int(kWindow) << 0 << QStringLiteral("not a number");
        QTest::newRow("window h number") << (win + "4" + winEnd) << int(kWindow) << 1 << QString();
        QTest::newRow("window too far right")
            << QByteArray("<ProductId0><WindowPositions><WinCamera><x>2147483647</x><y>0</y><w>9</w><h>9</h>"
                          "</WinCamera></WindowPositions></ProductId0>")
            << int(kWindow) << 0 << QStringLiteral("out of range");
        QTest::newRow("AlwaysOnTop word") << QByteArray("<AlwaysOnTop>maybe</AlwaysOnTop>") << int(kOnTop) << 1
                                          << QStringLiteral("not true or false");
        QTest::newRow("WlanCameraProductId letters") << QByteArray("<WlanCameraProductId>Velia</WlanCameraProductId>")
                                                     << int(kWlanProduct) << 0 << QStringLiteral("not a product id");
        QTest::newRow("WlanCameraProductId too large")
            << QByteArray("<WlanCameraProductId>12345</WlanCameraProductId>") << int(kWlanProduct) << 0
            << QStringLiteral("not a product id");
        QTest::newRow("WlanCameraProductId hexadecimal")
            << QByteArray("<WlanCameraProductId>0x2061</WlanCameraProductId>") << int(kWlanProduct) << 0x2061 << QString();
    }

    void unreadableValuesFallBackToDefaults()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, probe);
        QFETCH(int, expected);
        QFETCH(QString, logged);
        writeAll(m_path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NorbaPellora>" + body + "</NorbaPellora>\n");
        TVK_Test_LogCapture log;
        Settings *s = Settings::instance();
        int value = -1;
        if (probe == 0) {
            value = s->lastProductId();
        } else if (probe == 1) {
            TVK_Logic_FolderSettings folders;
            s->loadFolderSettings(&folders);
            value = folders.pictureNumber();
        } else if (probe == 2) {
            value = s->windowPosition(QStringLiteral("WinCamera"), nullptr) ? 1 : 0;
        } else if (probe == 3) {
            value = s->alwaysOnTop() ? 1 : 0;
        } else {
            value = s->wlanCameraProductId();
        }
        QCOMPARE(value, expected);
        const QStringList lines = log.matching(QStringLiteral("TVK_GUI_Settings::"));
        if (logged.isEmpty())
            QVERIFY2(lines.filter(QStringLiteral("holds")).isEmpty() && lines.filter(QStringLiteral("out of range")).isEmpty(),
                     qPrintable(lines.join(QLatin1Char('\n'))));
        else
            QCOMPARE(lines.filter(logged).size(), 1);
    }

    void wlanCameraGuidIsMadeOnceAndKept()
    {
        Settings *s = Settings::instance();
        const QByteArray guid = s->wlanCameraGuid();
        QCOMPARE(guid.size(), 16);
        QCOMPARE(s->wlanCameraGuid(), guid);
        s = nextRun();
        QCOMPARE(s->wlanCameraGuid(), guid);
        QVERIFY(readAll(m_path).contains("<WlanCameraGuid>" + QUuid::fromRfc4122(guid).toString().toLatin1()));
    }

    void brokenWlanCameraGuidIsReplacedWithALogLine()
    {
        writeAll(m_path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NorbaPellora><WlanCameraGuid>not-a-guid"
                         "</WlanCameraGuid></NorbaPellora>\n");
        TVK_Test_LogCapture log;
        Settings *s = Settings::instance();
        const QByteArray guid = s->wlanCameraGuid();
        QCOMPARE(guid.size(), 16);
        QCOMPARE(log.matching(QStringLiteral("not a GUID; making a new one")).size(), 1);
        QCOMPARE(nextRun()->wlanCameraGuid(), guid);
    }

    void brokenFileIsKeptAsideAndReplacedByAGoodOne_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unterminated") << QByteArray("<NorbaPellora><AlwaysOnTop>false</AlwaysOnTop><IsUnitFeet>true");
        QTest::newRow("mismatched") << QByteArray("<NorbaPellora><AlwaysOnTop>false</IsUnitFeet></NorbaPellora>");
        QTest::newRow("two roots") << QByteArray("<NorbaPellora/><NorbaPellora/>");
        QTest::newRow("not xml") << QByteArray("\x01\xff garbage \x00 here", 17);
    }

    void brokenFileIsKeptAsideAndReplacedByAGoodOne()
    {
        QFETCH(QByteArray, bytes);
        writeAll(m_path, bytes);
        const QString broken = m_path + QStringLiteral(".broken");
        TVK_Test_LogCapture log;
        Settings *s = Settings::instance();
        // Nothing of a half-read file is taken.
        QCOMPARE(s->alwaysOnTop(), true);
        QCOMPARE(s->isUnitFeet(), false);
        QCOMPARE(readAll(broken), bytes);
        QCOMPARE(log.matching(QStringLiteral("is unreadable; moved to")).size(), 1);
        s->setAutoUpdates(true);
        QVERIFY(s->sync());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSettings::SettingsMap map;
        QVERIFY(Settings::readXmlFile(file, map));
        QCOMPARE(map.value(QStringLiteral("NorbaPellora/AutoUpdates")).toString(), QStringLiteral("true"));
        QVERIFY(nextRun()->autoUpdates());
        QCOMPARE(readAll(broken), bytes);
    }

    // What the writer makes of a map without keys must read back, and a file
    // like it is empty, not broken: nothing is set aside, no line says so.
    void fileWithoutAnyElementIsEmptyNotBroken_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QSettings::SettingsMap none;
        QBuffer written;
        written.open(QIODevice::WriteOnly);
        QVERIFY(Settings::writeXmlFile(written, none));
        QTest::newRow("written from no keys") << written.data();
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("declaration and a comment") << QByteArray("<?xml version=\"1.0\"?>\n<!-- nothing -->\n");
    }

    void fileWithoutAnyElementIsEmptyNotBroken()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap map;
        QVERIFY(Settings::readXmlFile(buffer, map));
        QVERIFY(map.isEmpty());

        writeAll(m_path, bytes);
        TVK_Test_LogCapture log;
        QCOMPARE(Settings::instance()->alwaysOnTop(), true);
        QVERIFY(!QFile::exists(m_path + QStringLiteral(".broken")));
        QCOMPARE(log.matching(QStringLiteral("is unreadable")).size(), 0);
    }

    // Nowhere to keep it (the ".broken" name is taken by a folder): then this
    // run stores nothing rather than write over the only copy.
    void brokenFileThatCannotBeKeptIsLeftUntouched()
    {
        const QByteArray bytes("<NorbaPellora><AlwaysOnTop>false");
        writeAll(m_path, bytes);
        QVERIFY(QDir().mkpath(m_path + QStringLiteral(".broken/occupied")));
        TVK_Test_LogCapture log;
        Settings *s = Settings::instance();
        QCOMPARE(log.matching(QStringLiteral("could not be kept")).size(), 1);
        s->setAutoUpdates(true);
        QVERIFY(!s->autoUpdates());
        QVERIFY(!s->sync());
        Settings::destroyInstance();
        QCOMPARE(readAll(m_path), bytes);
        QCOMPARE(log.matching(QStringLiteral("could not be kept")).size(), 1);
    }

    void windowPositionsArePerProduct()
    {
        Settings *s = Settings::instance();
        s->setLastProductId(kProductA);
        s->saveWindowPosition(QStringLiteral("WinCamera"), QRect(1, 2, 300, 400));
        s->setLastProductId(kProductB);
        s->saveWindowPosition(QStringLiteral("WinCamera"), QRect(5, 6, 700, 800));
        s = nextRun();
        QCOMPARE(s->productId(), kProductB);
        QRect rect;
        QVERIFY(s->windowPosition(QStringLiteral("WinCamera"), &rect));
        QCOMPARE(rect, QRect(5, 6, 700, 800));
        s->setLastProductId(kProductA);
        QVERIFY(s->windowPosition(QStringLiteral("WinCamera"), &rect));
        QCOMPARE(rect, QRect(1, 2, 300, 400));
        s->setLastProductId(0x2051);
        QVERIFY(!s->windowPosition(QStringLiteral("WinCamera"), &rect));
    }

    void writeReplacesTheFileWhole()
    {
        Settings *s = Settings::instance();
        for (int round = 0; round < 3; ++round) {
            saveFolders(s, QStringLiteral("Round%1").arg(round), round + 10);
            QVERIFY(s->sync());
            QCOMPARE(entriesBeside(m_path), QStringList{QStringLiteral("NorbaPellora3.xml")});
            const QByteArray bytes = readAll(m_path);
            QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NorbaPellora>"));
            QVERIFY(bytes.endsWith("</NorbaPellora>\n"));
            QVERIFY(bytes.contains(QStringLiteral("<PictureFileName>Round%1</PictureFileName>").arg(round).toUtf8()));
        }
    }

    void storedStemThatIsNoFileNameBecomesPicture()
    {
        writeAll(m_path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NorbaPellora><ProductId0><FolderSettings>"
                         "<PictureFileName>../../escaped_stem_</PictureFileName></FolderSettings></ProductId0>"
                         "</NorbaPellora>\n");
        TVK_Test_LogCapture log;
        TVK_Logic_FolderSettings folders;
        Settings::instance()->loadFolderSettings(&folders);
        QCOMPARE(folders.pictureNewFileName(), QStringLiteral("Picture"));
        QVERIFY(folders.pictureExampleFileName().endsWith(QStringLiteral("/Picture00001.JPG")));
        QCOMPARE(log.matching(QStringLiteral("holds a path separator; using \"Picture\"")).size(), 1);
    }

    void linkToARegularFileIsReadAndWrittenThrough()
    {
        const QString target = m_dir->filePath(QStringLiteral("dotfiles/pellora.xml"));
        writeAll(target, "<?xml version=\"1.0\"?>\n<NorbaPellora><AlwaysOnTop>false</AlwaysOnTop></NorbaPellora>\n");
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        QVERIFY(QFile::link(target, m_path));
        Settings *s = Settings::instance();
        QVERIFY(!s->alwaysOnTop());
        s->setAutoUpdates(true);
        QVERIFY(s->sync());
        QCOMPARE(QFileInfo(m_path).symLinkTarget(), target);
        QVERIFY(readAll(target).contains("<AutoUpdates>true</AutoUpdates>"));
        QVERIFY(nextRun()->autoUpdates());
    }

    // As root, a device or FIFO there once blocked the start or was replaced
    // by the settings; now nothing there or behind the link changes.
    void pathThatIsNoRegularFileIsNeitherReadNorWritten_data()
    {
        QTest::addColumn<int>("node"); // made at the path or behind its link; 0: nothing
        QTest::addColumn<bool>("link");
        QTest::newRow("link to a character device") << int(S_IFCHR) << true;
        QTest::newRow("dangling link") << 0 << true;
        QTest::newRow("FIFO") << int(S_IFIFO) << false;
    }

    void pathThatIsNoRegularFileIsNeitherReadNorWritten()
    {
        QFETCH(int, node);
        QFETCH(bool, link);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        const QString place = link ? m_dir->filePath(QStringLiteral("target")) : m_path;
        // The null device's numbers, where a wrong write harms nothing; without
        // the right to make a device, the real one (which is never written).
        const QByteArray name = QFile::encodeName(place);
        const bool made = node == 0 || ::mknod(name.constData(), mode_t(node) | 0600, makedev(1, 3)) == 0;
        QVERIFY(made || node == int(S_IFCHR));
        if (link)
            QVERIFY(QFile::link(made ? place : QStringLiteral("/dev/null"), m_path));
        const QString behind = QFileInfo(m_path).symLinkTarget();
        const QString before = pathState(m_path) + pathState(behind);

        TVK_Test_LogCapture log;
        std::atomic<bool> opened{false};
        std::thread maker([&opened]() {
            Settings::instance();
            opened.store(true);
        });
        const bool inTime = QTest::qWaitFor([&opened]() { return opened.load(); }, 20000);
        if (!inTime) // a writer lets the blocked open return; gone, the FIFO cannot block the clean-up
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        maker.join();
        if (!inTime)
            QFile::remove(place);
        QVERIFY(inTime);
        Settings *s = Settings::instance();
        QVERIFY(s->alwaysOnTop());
        s->setAlwaysOnTop(false);
        QVERIFY(!s->sync());
        Settings::destroyInstance();
        QCOMPARE(pathState(m_path) + pathState(behind), before);
        QCOMPARE(log.matching(QStringLiteral("; using defaults, ")).size(), 1);
    }

    // A full disk simulated by a file-size limit: the write fails part-way.
    void failedWriteLeavesTheOldFileIntact()
    {
        Settings *s = Settings::instance();
        s->setAlwaysOnTop(false);
        QVERIFY(s->sync());
        const QByteArray old = readAll(m_path);
        QVERIFY(old.contains("<AlwaysOnTop>false</AlwaysOnTop>"));

        saveFolders(s, QStringLiteral("A long enough stem to pass the limit"), 7);
        s->setAlwaysOnTop(true);
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 160;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        TVK_Test_LogCapture log;
        const bool written = s->sync();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!written);
        QCOMPARE(log.matching(QStringLiteral("(disk full); the file on disk is unchanged")).size(), 1);
        QCOMPARE(readAll(m_path), old);
        QCOMPARE(entriesBeside(m_path), QStringList{QStringLiteral("NorbaPellora3.xml")});
        QVERIFY(s->alwaysOnTop());
        // The changes are still pending and reach the file once there is room.
        QVERIFY(s->sync());
        s = nextRun();
        QVERIFY(s->alwaysOnTop());
        TVK_Logic_FolderSettings folders;
        s->loadFolderSettings(&folders);
        QCOMPARE(folders.pictureNumber(), 7);
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
