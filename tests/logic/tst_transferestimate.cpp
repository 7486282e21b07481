// The rate and the time left of a picture in transfer: right for a steady
// transfer, calm through a held-up step and a burst, silent until enough has
// come, afresh for each picture, and safe with totals a camera gets wrong.

#include "TVK_Logic_TransferEstimate.h"

#include <QtTest>

#include <cmath>
#include <limits>

using Estimate = TVK_Logic_TransferEstimate;

namespace {

constexpr qint64 kMB = 1000 * 1000;

// One progress step: this long after the last, this many bytes more.
struct Step
{
    qint64 afterMs;
    qint64 bytes;
};
using Course = QVector<Step>;

// Steps of one percent of the picture at a steady rate.
Course steady(qint64 total, qint64 bytesPerSecond, int percent)
{
    const qint64 step = total / 100;
    return Course(percent, Step{step * 1000 / bytesPerSecond, step});
}

// Feeds a course, the picture's first step at 0 bytes and time 0; the clock
// where the course ends.
struct Feeder
{
    Estimate estimate;
    QString name = QStringLiteral("Pic0001.DNG");
    qint64 total = 0;
    qint64 received = 0;
    qint64 nowMs = 0;

    void begin(qint64 pictureTotal, qint64 startMs = 0)
    {
        total = pictureTotal;
        received = 0;
        nowMs = startMs;
        estimate.update(name, 0, total, nowMs);
    }
    void feed(const Course &course)
    {
        for (const Step &s : course) {
            nowMs += s.afterMs;
            received += s.bytes;
            estimate.update(name, received, total, nowMs);
        }
    }
};

// The time left of a picture at a steady rate, in milliseconds.
double trueRemainingMs(qint64 total, qint64 received, qint64 bytesPerSecond)
{
    return double(total - received) * 1000.0 / double(bytesPerSecond);
}

} // namespace

Q_DECLARE_METATYPE(Course)

class tst_TransferEstimate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steadyRateGivesTheTimeLeft_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("rate");
        QTest::addColumn<int>("percent");

        QTest::newRow("100 MB at 10 MB/s, half in") << 100 * kMB << 10 * kMB << 50;
        QTest::newRow("100 MB at 10 MB/s, 10 % in") << 100 * kMB << 10 * kMB << 10;
        QTest::newRow("100 MB at 10 MB/s, 99 % in") << 100 * kMB << 10 * kMB << 99;
        QTest::newRow("8 MB over a slow link, 1 MB/s") << 8 * kMB << 1 * kMB << 30;
        QTest::newRow("1 GB at 40 MB/s") << 1000 * kMB << 40 * kMB << 60;
        QTest::newRow("60 MB at 200 kB/s, minutes left") << 60 * kMB << qint64(200 * 1000) << 20;
    }
    void steadyRateGivesTheTimeLeft()
    {
        QFETCH(qint64, total);
        QFETCH(qint64, rate);
        QFETCH(int, percent);

        Feeder f;
        f.begin(total);
        f.feed(steady(total, rate, percent));
        QVERIFY(f.estimate.isKnown());
        QCOMPARE(f.estimate.perMille(), percent * 10);
        QVERIFY(std::abs(f.estimate.bytesPerSecond() - double(rate)) < double(rate) * 0.01);
        const double expected = trueRemainingMs(total, f.received, rate);
        QVERIFY2(std::abs(double(f.estimate.remainingMs()) - expected) <= expected * 0.01 + 1.0,
                 qPrintable(QStringLiteral("%1 ms left, %2 expected").arg(f.estimate.remainingMs()).arg(expected)));
    }

    // A step held up, or several arriving at once, moves the time left by its
    // share of the window; the last step's own rate would say ten times as much.
    void stallAndBurstStayWithinTheSmoothing_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("rate");
        QTest::addColumn<Course>("disturbance");
        QTest::addColumn<double>("maxFactor");

        const qint64 fast = 10 * kMB;     // 1 % every 100 ms
        const qint64 slow = 1 * kMB;      // 1 % every second
        const qint64 pct = kMB;           // of 100 MB
        QTest::newRow("fast, one step held up 1 s") << 100 * kMB << fast << Course{{1100, pct}} << 1.6;
        QTest::newRow("fast, five steps at once") << 100 * kMB << fast << Course(5, Step{0, pct}) << 1.25;
        QTest::newRow("fast, ten steps within 10 ms") << 100 * kMB << fast << Course(10, Step{1, pct}) << 1.5;
        QTest::newRow("slow, one step held up 3 s") << 100 * kMB << slow << Course{{4000, pct}} << 1.25;
        QTest::newRow("slow, five steps at once") << 100 * kMB << slow << Course(5, Step{0, pct}) << 1.4;
        QTest::newRow("slow, stall then burst") << 100 * kMB << slow
                                                << Course{{5000, pct}} + Course(4, Step{0, pct}) << 1.3;
    }
    void stallAndBurstStayWithinTheSmoothing()
    {
        QFETCH(qint64, total);
        QFETCH(qint64, rate);
        QFETCH(Course, disturbance);
        QFETCH(double, maxFactor);

        Feeder f;
        f.begin(total);
        f.feed(steady(total, rate, 40));
        const double before = double(f.estimate.remainingMs());
        QVERIFY(before > 0);

        // After every step of it, not only after the last.
        for (const Step &s : disturbance) {
            f.feed({s});
            QVERIFY(f.estimate.isKnown());
            // Measured against the steady time left of the bytes still to come.
            const double expected = trueRemainingMs(total, f.received, rate);
            const double now = double(f.estimate.remainingMs());
            QVERIFY2(now >= 0 && now <= expected * maxFactor && now >= expected / maxFactor,
                     qPrintable(QStringLiteral("%1 ms left, %2 at the steady rate, %3 before")
                                    .arg(now)
                                    .arg(expected)
                                    .arg(before)));
        }

        // Back to the steady rate, the disturbance passes out of the window.
        f.feed(steady(total, rate, 30));
        const double expected = trueRemainingMs(total, f.received, rate);
        QVERIFY2(std::abs(double(f.estimate.remainingMs()) - expected) <= expected * 0.02,
                 qPrintable(QStringLiteral("%1 ms left, %2 expected").arg(f.estimate.remainingMs()).arg(expected)));
    }

    void unknownUntilEnoughHasCome_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<Course>("course");
        QTest::addColumn<bool>("known");

        QTest::newRow("the first step only") << 100 * kMB << Course{} << false;
        QTest::newRow("10 % in 400 ms") << 100 * kMB << Course(10, Step{40, kMB}) << false;
        QTest::newRow("1 % in 2 s") << 100 * kMB << Course(1, Step{2000, kMB}) << false;
        QTest::newRow("3 % in 600 ms") << 100 * kMB << Course(3, Step{200, kMB}) << true;
        QTest::newRow("all of it in no time") << 10 * kMB << Course{{0, 10 * kMB}} << false;
        QTest::newRow("nothing new for a second") << 10 * kMB << Course(4, Step{300, 0}) << false;
        QTest::newRow("no total, 1 MB in a second") << qint64(0) << Course(2, Step{500, kMB / 2}) << true;
    }
    void unknownUntilEnoughHasCome()
    {
        QFETCH(qint64, total);
        QFETCH(Course, course);
        QFETCH(bool, known);

        Feeder f;
        f.begin(total);
        f.feed(course);
        QCOMPARE(f.estimate.isKnown(), known);
        if (!known) {
            QCOMPARE(f.estimate.bytesPerSecond(), 0.0);
            QCOMPARE(f.estimate.remainingMs(), qint64(-1));
        } else {
            QVERIFY(f.estimate.bytesPerSecond() > 0.0);
        }
    }

    void aNewPictureStartsAfresh_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<bool>("fresh");

        QTest::newRow("another name") << QStringLiteral("Pic0002.DNG") << qint64(0) << 100 * kMB << true;
        QTest::newRow("another name, already under way") << QStringLiteral("Pic0002.DNG") << 5 * kMB << 100 * kMB
                                                         << true;
        QTest::newRow("the same name begun again") << QStringLiteral("Pic0001.DNG") << kMB << 100 * kMB << true;
        QTest::newRow("the same name, another total") << QStringLiteral("Pic0001.DNG") << 60 * kMB << 80 * kMB
                                                      << true;
        QTest::newRow("the same picture going on") << QStringLiteral("Pic0001.DNG") << 51 * kMB << 100 * kMB
                                                   << false;
    }
    void aNewPictureStartsAfresh()
    {
        QFETCH(QString, name);
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(bool, fresh);

        // Half of a picture at 10 MB/s.
        Feeder f;
        f.begin(100 * kMB, 7000);
        f.feed(steady(100 * kMB, 10 * kMB, 50));
        QVERIFY(f.estimate.isKnown());

        const qint64 at = f.nowMs + 100;
        QCOMPARE(f.estimate.update(name, received, total, at), fresh);
        QCOMPARE(f.estimate.name(), name);
        QCOMPARE(f.estimate.received(), received);
        QCOMPARE(f.estimate.isKnown(), !fresh);
        if (!fresh)
            return;
        QCOMPARE(f.estimate.elapsedMs(), qint64(0));

        // What it learnt of the last picture does not linger: the new one comes at 1 MB/s.
        const qint64 step = total / 100;
        qint64 r = received;
        for (int i = 1; i <= 20; ++i) {
            r += step;
            f.estimate.update(name, r, total, at + i * step * 1000 / kMB);
        }
        QVERIFY(f.estimate.isKnown());
        QVERIFY(std::abs(f.estimate.bytesPerSecond() - double(kMB)) < kMB * 0.01);
    }

    void wrongTotalsAndClocksAreSafe_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("atMs");
        QTest::addColumn<bool>("validTotal");
        QTest::addColumn<int>("perMille");

        // After 2 MB of a 10 MB picture in one second.
        QTest::newRow("total 0") << 3 * kMB << qint64(0) << qint64(1500) << false << -1;
        QTest::newRow("negative total") << 3 * kMB << qint64(-5) << qint64(1500) << false << -1;
        QTest::newRow("more than the total") << 12 * kMB << 10 * kMB << qint64(1500) << false << -1;
        QTest::newRow("negative received") << qint64(-1) << 10 * kMB << qint64(1500) << true << 0;
        QTest::newRow("all of it") << 10 * kMB << 10 * kMB << qint64(1500) << true << 1000;
        QTest::newRow("the clock went back") << 3 * kMB << 10 * kMB << qint64(200) << true << 300;
        QTest::newRow("no time since the last step") << 3 * kMB << 10 * kMB << qint64(1000) << true << 300;
        QTest::newRow("largest values") << std::numeric_limits<qint64>::max() - 1
                                        << std::numeric_limits<qint64>::max() << qint64(1500) << true << 999;
    }
    void wrongTotalsAndClocksAreSafe()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(qint64, atMs);
        QFETCH(bool, validTotal);
        QFETCH(int, perMille);

        Feeder f;
        f.begin(10 * kMB);
        f.feed(Course(2, Step{500, kMB}));
        f.estimate.update(f.name, received, total, atMs);
        // Once more, so that a fresh start with the odd values gets a second step.
        f.estimate.update(f.name, received, total, atMs + 600);

        QCOMPARE(f.estimate.hasValidTotal(), validTotal);
        QCOMPARE(f.estimate.perMille(), perMille);
        QVERIFY(f.estimate.elapsedMs() >= 0);
        const double rate = f.estimate.bytesPerSecond();
        QVERIFY(std::isfinite(rate) && rate >= 0.0);
        const qint64 left = f.estimate.remainingMs();
        if (!validTotal)
            QCOMPARE(left, qint64(-1));
        else
            QVERIFY(left >= -1);
        if (f.estimate.isComplete() && f.estimate.isKnown())
            QCOMPARE(left, qint64(0));
    }

    void aResetForgetsThePicture()
    {
        Feeder f;
        f.begin(100 * kMB);
        f.feed(steady(100 * kMB, 10 * kMB, 30));
        f.estimate.reset();
        QVERIFY(f.estimate.isEmpty());
        QVERIFY(!f.estimate.isKnown());
        QCOMPARE(f.estimate.remainingMs(), qint64(-1));
        // The same picture's next step after a reset is a first step.
        QVERIFY(f.estimate.update(f.name, 31 * kMB, 100 * kMB, f.nowMs + 100));
    }
};

QTEST_APPLESS_MAIN(tst_TransferEstimate)
#include "tst_transferestimate.moc"
