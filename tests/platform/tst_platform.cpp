#include "TVK_Platform_Base.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

class tst_platform : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        QCoreApplication::setOrganizationName(QStringLiteral("NorbaCamera"));
        QCoreApplication::setApplicationName(QStringLiteral("NorbaPellora"));
    }

    // First, so that the instance is created by the racing threads.
    void threadsAskingAtOnceShareOneInstance()
    {
        constexpr int kThreads = 8;
        std::vector<TVK_Platform_Base *> seen(kThreads, nullptr);
        std::atomic<bool> go{false};
        // std::thread: its join() is a hand-over ThreadSanitizer sees, QThread::wait() is not.
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&seen, &go, t]() {
                while (!go.load()) {
                }
                seen[size_t(t)] = platform();
            });
        }
        go.store(true);
        for (std::thread &thread : threads)
            thread.join();
        for (TVK_Platform_Base *instance : seen)
            QCOMPARE(instance, platform());
    }

    void applicationDataLivesInTheXdgDataFolder()
    {
        QCOMPARE(platform()->applicationDataFolder(),
                 m_home.filePath(QStringLiteral("data/NorbaCamera/NorbaPellora")));
    }

    void picturesFolderIsAnAbsolutePath()
    {
        const QString pictures = platform()->picturesFolder();
        QVERIFY(!pictures.isEmpty());
        QVERIFY(QDir::isAbsolutePath(pictures));
    }

    void rescueFolderLivesInTheXdgDataFolderUnderTheProgramsName()
    {
        QCOMPARE(platform()->rescueFolder(), m_home.filePath(QStringLiteral("data/norba-pellora/rescue")));
    }

    void transferHooksAcceptEveryTransfer()
    {
        int token = 0;
        QVERIFY(platform()->transferStarting(&token));
        QVERIFY(platform()->transferStarting(nullptr));
        platform()->transferFinished(42);
    }

};

QTEST_GUILESS_MAIN(tst_platform)
#include "tst_platform.moc"
