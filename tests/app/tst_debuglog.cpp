#include "TVK_Debug_Log.h"
#include "TVK_Debug_Logfile.h"
#include "TVK_Test_LogCapture.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Strips the "[dd/MM/yyyy hh:mm:ss] " stamp after checking its shape.
QString withoutStamp(const QString &line)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\\] "));
    const QRegularExpressionMatch match = stamp.match(line);
    if (!match.hasMatch())
        return QStringLiteral("<no time stamp> ") + line;
    return line.mid(match.capturedLength());
}

} // namespace

class tst_debuglog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dataHome;

private Q_SLOTS:
    void initTestCase()
    {
        // The process-wide log file goes to the XDG data folder of this test.
        QVERIFY(m_dataHome.isValid());
        qputenv("XDG_DATA_HOME", m_dataHome.path().toLocal8Bit());
        QCoreApplication::setOrganizationName(QStringLiteral("NorbaCamera"));
        QCoreApplication::setApplicationName(QStringLiteral("NorbaPellora"));
        QCoreApplication::setApplicationVersion(QStringLiteral("3.8.0"));
    }

    void startupStepsLeaveTheDocumentedMask()
    {
        setDebugLogCategories(int(0xFFFFFFFFu), false);
        QCOMPARE(debugLogCategories(), 0u);
        setStartupDebugLogCategories();
        QCOMPARE(debugLogCategories(), 0x3F00BF2Bu);
        QCOMPARE(debugLogCategories(), kLEStartupLogMask);
        QVERIFY(!(debugLogCategories() & 0x80u));
    }

    void categoriesAreFilteredByAnyCommonBit_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<bool>("written");
        QTest::newRow("always") << 0 << true;
        QTest::newRow("command trace") << 0x1 << true;
        QTest::newRow("bit 0x4 cleared") << 0x4 << false;
        QTest::newRow("bit 0x10 cleared") << 0x10 << false;
        QTest::newRow("bit 0x40 cleared") << 0x40 << false;
        QTest::newRow("bit 0x80 never set") << 0x80 << false;
        QTest::newRow("3-axis off") << 0x4000 << false;
        QTest::newRow("stream off") << 0x10000 << false;
        QTest::newRow("settings dump on") << 0x400 << true;
        QTest::newRow("connection on") << 0x1000000 << true;
        QTest::newRow("both bits off") << 0x10004 << false;
        QTest::newRow("one bit on suffices") << 0x10400 << true;
        QTest::newRow("tcp server on") << 0x20000000 << true;
        QTest::newRow("bit 0x40000000 off") << 0x40000000 << false;
    }

    void categoriesAreFilteredByAnyCommonBit()
    {
        QFETCH(int, category);
        QFETCH(bool, written);
        TVK_Test_LogCapture capture(kLEStartupLogMask);
        debugLog(category, "message of category 0x%X", category);
        QCOMPARE(debugLogEnabled(category), written);
        const QStringList expected{QStringLiteral("message of category 0x") + QString::number(category, 16).toUpper()};
        QCOMPARE(capture.lines(), written ? expected : QStringList());
    }

    void settingCategoriesSetsAndClearsOnlyTheGivenBits()
    {
        TVK_Test_LogCapture capture(0x100);
        setDebugLogCategories(0x4001, true);
        QCOMPARE(debugLogCategories(), 0x4101u);
        setDebugLogCategories(0x101, false);
        QCOMPARE(debugLogCategories(), 0x4000u);
    }

    void printfConversionsAreFormatted()
    {
        TVK_Test_LogCapture capture;
        debugLog(0, "%s - %d %u %x %X %08X %lx %012llX %c %.3f", "Prefix::m()", -5, 7u, 0xabu, 0xabu, 0x1234u,
                 0xdeadbeefUL, 0xA0ULL, 'Z', 1.5);
        QCOMPARE(capture.lines(), QStringList{QStringLiteral(
                                      "Prefix::m() - -5 7 ab AB 00001234 deadbeef 0000000000A0 Z 1.500")});
    }

    void longMessagesAreKeptWhole()
    {
        TVK_Test_LogCapture capture;
        const QByteArray body(5000, 'x');
        debugLog(0, "%s - %s|end", "Long::line()", body.constData());
        QCOMPARE(capture.lines().size(), 1);
        const QString line = capture.lines().first();
        QCOMPARE(line.size(), int(strlen("Long::line() - ")) + 5000 + 4);
        QVERIFY(line.endsWith(QStringLiteral("x|end")));

        // Exactly at and around the fixed buffer's size.
        for (int length : {1022, 1023, 1024, 1025}) {
            capture.clear();
            const QByteArray text(length, 'y');
            debugLog(0, "%s", text.constData());
            QCOMPARE(capture.lines(), QStringList{QString::fromLatin1(text)});
        }
    }

    void levelTagsArePaddedToOneColumn_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("debug") << int(QtDebugMsg) << QStringLiteral("[08/12/2016 14:05:09] {Debug}    text");
        QTest::newRow("warning") << int(QtWarningMsg) << QStringLiteral("[08/12/2016 14:05:09] {Warning}  text");
        QTest::newRow("critical") << int(QtCriticalMsg) << QStringLiteral("[08/12/2016 14:05:09] {Critical} text");
        QTest::newRow("fatal") << int(QtFatalMsg) << QStringLiteral("[08/12/2016 14:05:09] {Fatal}    text");
    }

    void levelTagsArePaddedToOneColumn()
    {
        QFETCH(int, type);
        QFETCH(QString, expected);
        QCOMPARE(formatLogLine(QtMsgType(type), QStringLiteral("08/12/2016 14:05:09"), QStringLiteral("text")),
                 expected);
    }

    void handlerWritesStampedLinesToTheLogFile()
    {
        const QString path = TVK_Debug_Logfile::instance()->fileName();
        QCOMPARE(path, m_dataHome.path() + QStringLiteral("/NorbaCamera/NorbaPellora/NorbaPellora3.log"));

        setStartupDebugLogCategories();
        const QtMessageHandler previous = qInstallMessageHandler(debugMessageHandler);
        debugLog(0, "%s - command %d", "TVK_Commu_CameraAccess_Base::controlAutoFocus()", 1);
        // A warning raised by Qt itself: connecting a signal that does not exist.
        QObject sender;
        QObject::connect(&sender, "2noSuchSignal()", &sender, SLOT(deleteLater()));
        qInstallMessageHandler(previous);

        const QStringList lines = readLines(path);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(withoutStamp(lines.at(lines.size() - 2)),
                 QStringLiteral("{Debug}    TVK_Commu_CameraAccess_Base::controlAutoFocus() - command 1"));
        const QString warning = withoutStamp(lines.last());
        QVERIFY2(warning.startsWith(QStringLiteral("{Warning}  QObject::connect")), qPrintable(warning));
    }

    void eachLogfileStartsEmpty()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nested/folder/run.log"));
        {
            TVK_Debug_Logfile first(path);
            first.write(QStringLiteral("first run"));
            QCOMPARE(readLines(path), QStringList{QStringLiteral("first run")});
        }
        {
            TVK_Debug_Logfile second(path);
            QCOMPARE(readLines(path), QStringList());
            second.write(QStringLiteral("second run"));
            second.write(QStringLiteral("second line"));
        }
        QCOMPARE(readLines(path), (QStringList{QStringLiteral("second run"), QStringLiteral("second line")}));
    }

    void anUnwritableFolderDropsLinesWithoutHarm()
    {
        QTemporaryDir dir;
        // A file where the folder should be: neither the folder nor the log can be made.
        QFile blocker(dir.filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TVK_Debug_Logfile logfile(dir.filePath(QStringLiteral("blocked/run.log")));
        logfile.write(QStringLiteral("lost"));
        logfile.write(QStringLiteral("lost too"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("blocked/run.log"))));
    }

    void linesFromManyThreadsNeverInterleave()
    {
        QTemporaryDir dir;
        TVK_Debug_Logfile logfile(dir.filePath(QStringLiteral("threads.log")));
        constexpr int kThreads = 6;
        constexpr int kLines = 300;
        const QString filler(200, QLatin1Char('#'));
        // std::thread: its join() is a hand-over ThreadSanitizer sees, QThread::wait() is not.
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&logfile, &filler, t]() {
                for (int i = 0; i < kLines; ++i)
                    logfile.write(QStringLiteral("thread %1 line %2 %3 end").arg(t).arg(i).arg(filler));
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        const QStringList lines = readLines(logfile.fileName());
        QCOMPARE(lines.size(), kThreads * kLines);
        const QRegularExpression shape(QStringLiteral("^thread (\\d) line (\\d+) #{200} end$"));
        std::vector<int> nextLine(kThreads, 0);
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = shape.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line.left(80)));
            const int thread = match.captured(1).toInt();
            QCOMPARE(match.captured(2).toInt(), nextLine[thread]);
            ++nextLine[thread];
        }
    }

    void debugLogFromManyThreadsKeepsEveryLineWhole()
    {
        TVK_Test_LogCapture capture;
        constexpr int kThreads = 4;
        constexpr int kLines = 200;
        const QByteArray body(1500, 'z'); // longer than the fixed buffer
        std::vector<std::thread> threads; // joined, as above
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&body, t]() {
                for (int i = 0; i < kLines; ++i)
                    debugLog(0, "T%d L%d %s", t, i, body.constData());
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        const QStringList lines = capture.lines();
        QCOMPARE(lines.size(), kThreads * kLines);
        for (const QString &line : lines)
            QVERIFY(line.endsWith(QString::fromLatin1(body)) && line.size() > body.size() + 4);
    }

    // What a camera, file or client names is logged inside a record, which
    // must stay one line and show the bytes that came.
    void aRecordIsOneLineWithItsBytesShown_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("forged line") << QByteArray("NRBA0001.DNG\n[10/12/2026 14:05:09] {Debug}    forged")
                                     << QStringLiteral("NRBA0001.DNG\\n[10/12/2026 14:05:09] {Debug}    forged");
        QTest::newRow("C0, DEL and C1") << QByteArray("\r\t\x1b[2J\x7f\xC2\x85")
                                        << QStringLiteral("\\r\\t\\x1B[2J\\x7F\\x85");
        // A stray byte, an overlong slash, a surrogate, a sequence cut at the end.
        QTest::newRow("no UTF-8") << QByteArray("\xFF\xC0\xAF\xED\xA0\x80z\xE2\x82")
                                  << QStringLiteral("\\xFF\\xC0\\xAF\\xED\\xA0\\x80z\\xE2\\x82");
        QTest::newRow("UTF-8 stays") << QByteArray("Hochzeit_\xC3\xA4\xE6\x97\xA5")
                                     << QStringLiteral("Hochzeit_\u00E4\u65E5");
    }

    void aRecordIsOneLineWithItsBytesShown()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, logged);
        const QString path = TVK_Debug_Logfile::instance()->fileName();
        const int before = readLines(path).size();
        const QtMessageHandler previous = qInstallMessageHandler(debugMessageHandler);
        debugLog(0, "%s - %s", "TVK_X::y()", text.constData());
        qInstallMessageHandler(previous);
        const QStringList lines = readLines(path);
        QCOMPARE(lines.size(), before + 1);
        QCOMPARE(withoutStamp(lines.last()), QStringLiteral("{Debug}    TVK_X::y() - ") + logged);
    }

    void repeatsAreCountedNotWritten()
    {
        QTemporaryDir dir;
        TVK_Debug_Logfile logfile(dir.filePath(QStringLiteral("repeats.log")));
        logfile.setLimits(TVK_Debug_Logfile::kMaxBytes, 3600 * 1000);
        for (int second = 1; second <= 4; ++second)
            logfile.write(QStringLiteral("[01/01/2026 00:00:0%1] {Warning}  same").arg(second));
        logfile.write(QStringLiteral("[01/01/2026 00:00:05] {Debug}    other"));
        logfile.write(QStringLiteral("plain"));
        // Past the window, a run is reported while it lasts.
        logfile.setLimits(TVK_Debug_Logfile::kMaxBytes, 0);
        logfile.write(QStringLiteral("plain"));
        logfile.write(QStringLiteral("plain"));
        QCOMPARE(readLines(logfile.fileName()),
                 (QStringList{QStringLiteral("[01/01/2026 00:00:01] {Warning}  same"),
                              QStringLiteral("[01/01/2026 00:00:05] {Warning}  ... repeated 3 times"),
                              QStringLiteral("[01/01/2026 00:00:05] {Debug}    other"), QStringLiteral("plain"),
                              QStringLiteral("... repeated 1 times"), QStringLiteral("... repeated 1 times")}));
    }

    void aFullLogIsMovedAsideOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("capped.log"));
        const QString older = TVK_Debug_Logfile::olderFilePath(path);
        TVK_Debug_Logfile logfile(path);
        logfile.setLimits(100, TVK_Debug_Logfile::kRepeatWindowMs);
        QStringList written;
        for (int i = 0; i < 20; ++i) {
            written << QStringLiteral("line %1 of twenty-two bytes").arg(i, 2).left(21);
            logfile.write(written.last());
        }
        QVERIFY(QFileInfo(path).size() <= 100);
        QVERIFY(QFileInfo(older).size() <= 100);
        const QStringList kept = readLines(older) + readLines(path);
        QCOMPARE(kept, written.mid(written.size() - kept.size()));
        QVERIFY(kept.size() >= 8);
        // A new run leaves no older file that would pass for its own.
        TVK_Debug_Logfile next(path);
        QVERIFY(!QFile::exists(older));
    }

    void hexDumpOfNothingWritesOnlyTheTitle()
    {
        TVK_Test_LogCapture capture;
        debugHexDump(QStringLiteral("Title:"), QStringLiteral("label"), nullptr, 0, 0, 16);
        QCOMPARE(capture.lines(), QStringList{QStringLiteral("Title:")});
        capture.clear();
        debugHexDump(QString(), QStringLiteral("label"), QByteArray(), 10, 16);
        QCOMPARE(capture.lines(), QStringList());
    }

    void hexDumpPadsAShortLastLine()
    {
        TVK_Test_LogCapture capture;
        QByteArray data;
        for (int i = 0; i < 17; ++i)
            data.append(char(0x41 + i));
        data[1] = '\0';
        debugHexDump(QStringLiteral("T"), QStringLiteral("  "), data, 0, 16);
        const QStringList lines = capture.lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(1),
                 QStringLiteral("  [000000000000]: 41 00 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 A.CDEFGHIJKLMNOP"));
        QCOMPARE(lines.at(2), QStringLiteral("  [000000000010]: 51") + QString(15 * 3, QLatin1Char(' '))
                                  + QStringLiteral(" Q"));
    }

    void hexDumpStopsAtItsLineLimit()
    {
        TVK_Test_LogCapture capture;
        const QByteArray data(200, '\x7f');
        debugHexDump(QStringLiteral("T"), QStringLiteral("data"), data, 10, 16);
        const QStringList lines = capture.lines();
        QCOMPARE(lines.size(), 1 + 10 + 1);
        QCOMPARE(lines.at(10).left(18), QStringLiteral("data[000000000090]"));
        QCOMPARE(lines.last(), QStringLiteral("data[0000000000A0]: ..."));
        // Non-printable bytes show as dots.
        QVERIFY(lines.at(1).endsWith(QStringLiteral(" ................")));
    }

    void hexDumpUsesSixteenBytesWhenAskedForZero()
    {
        TVK_Test_LogCapture capture;
        const QByteArray data(32, 'a');
        debugHexDump(QString(), QStringLiteral("x"), data, 0, 0);
        QCOMPARE(capture.lines().size(), 2);
        debugHexDump(QString(), QStringLiteral("x"), data, 0, 8);
        QCOMPARE(capture.lines().size(), 6);
        QCOMPARE(capture.lines().last(), QStringLiteral("x[000000000018]: 61 61 61 61 61 61 61 61 aaaaaaaa"));
    }

    void hexDumpIsNotFilteredByTheMask()
    {
        TVK_Test_LogCapture capture(0);
        debugHexDump(QStringLiteral("T"), QStringLiteral("x"), QByteArray("ab"), 0, 16);
        QCOMPARE(capture.lines().size(), 2);
    }

    void methodNameMakesTheLogPrefix_data()
    {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("plain name") << "TVK_Commu_CameraAccess_Base::controlAutoFocus"
                                    << "TVK_Commu_CameraAccess_Base::controlAutoFocus()";
        QTest::newRow("full signature") << "bool TVK_Commu_CameraAccess_Base::controlAutoFocus(int, int)"
                                        << "TVK_Commu_CameraAccess_Base::controlAutoFocus()";
        QTest::newRow("pointer return") << "const char* TVK_X::name() const" << "TVK_X::name()";
        QTest::newRow("virtual with qualifiers") << "virtual void TVK_Y::run()" << "TVK_Y::run()";
        QTest::newRow("no scope") << "main" << "main()";
    }

    void methodNameMakesTheLogPrefix()
    {
        QFETCH(QString, signature);
        QFETCH(QString, prefix);
        QCOMPARE(QString::fromStdString(methodName(signature.toStdString())), prefix);
    }

    void methodPrefixIgnoresTheReturnType_data()
    {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("plain") << "bool TVK_X::run(int, const char*)" << "TVK_X::run()";
        QTest::newRow("nested return type") << "static TVK_P::Result TVK_P::parse(const void*, size_t)"
                                            << "TVK_P::parse()";
        QTest::newRow("template return type") << "QList<int> TVK_X::codes() const" << "TVK_X::codes()";
        QTest::newRow("anonymous namespace") << "int {anonymous}::f()" << "{anonymous}::f()";
        QTest::newRow("gcc anonymous namespace") << "int (anonymous namespace)::helper(int)" << "helper()";
    }

    void methodPrefixIgnoresTheReturnType()
    {
        QFETCH(QString, signature);
        QFETCH(QString, prefix);
        QCOMPARE(QString::fromStdString(methodPrefix(signature.toLatin1().constData())), prefix);
    }

    void methodMacroNamesTheEnclosingMember()
    {
        QCOMPARE(QString::fromLatin1(Probe::where()), QStringLiteral("tst_debuglog::Probe::where()"));
    }

public:
    struct Probe {
        static const char *where()
        {
            TVK_METHOD(prefix);
            return prefix;
        }
    };
};

QTEST_GUILESS_MAIN(tst_debuglog)
#include "tst_debuglog.moc"
