#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_ExposureLists.h"

#include <QtTest>

// The panel's aperture and shutter-time lists from the camera's limits and
// step alone. The expected stops are the photographic scale's, as the
// converters write them (f 3.56 to one place: f 3.6).
class tst_ExposureLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aperturesRunInStepsBetweenTheLensLimits_data()
    {
        QTest::addColumn<bool>("lens");
        QTest::addColumn<double>("open");
        QTest::addColumn<double>("close");
        QTest::addColumn<double>("step");
        QTest::addColumn<QStringList>("expected");
        const double third = 1.0 / 3.0;
        QTest::newRow("no lens") << false << 2.8 << 16.0 << third << QStringList{"--"};
        QTest::newRow("no step") << true << 2.8 << 16.0 << 0.0 << QStringList{"--"};
        QTest::newRow("whole stops") << true << 1.4 << 16.0 << 1.0
                                     << QStringList{"f 1.4", "f 2", "f 2.8", "f 4", "f 5.6", "f 8", "f 11", "f 16"};
        QTest::newRow("thirds") << true << 2.8 << 8.0 << third
                                << QStringList{"f 2.8", "f 3.2", "f 3.6", "f 4", "f 4.5",
                                               "f 5",   "f 5.6", "f 6.3", "f 7.1", "f 8"};
        // A lens that opens between two stops starts with its own value.
        QTest::newRow("open between stops") << true << 1.7 << 2.8 << 1.0 << QStringList{"f 1.7", "f 2", "f 2.8"};
    }

    void aperturesRunInStepsBetweenTheLensLimits()
    {
        QFETCH(bool, lens);
        QFETCH(double, open);
        QFETCH(double, close);
        QFETCH(double, step);
        QFETCH(QStringList, expected);
        QCOMPARE(TVK_Logic_ExposureLists::apertures(lens, open, close, step), expected);
    }

    // A lens record with nonsense in it cannot make the list endless.
    void anAbsurdLensLimitIsBounded()
    {
        const QStringList list = TVK_Logic_ExposureLists::apertures(true, 1.0, 1e300, 1.0 / 3.0);
        QVERIFY(list.size() <= TVK_Logic_ExposureLists::kMaxSteps + 2);
    }

    void shutterTimesRunFromTheShortestToBulb_data()
    {
        QTest::addColumn<double>("shortest");
        QTest::addColumn<double>("longest");
        QTest::addColumn<double>("step");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("whole stops") << 1.0 / 4000 << 1.0 << 1.0
                                     << QStringList{"1/4000s", "1/2000s", "1/1000s", "1/500s", "1/250s",
                                                    "1/125s",  "1/60s",   "1/30s",   "1/15s",  "1/8s",
                                                    "1/4s",    "1/2s",    "1s",      "B"};
        // The longest time ends the list, once, even when it reads as the stop below it.
        QTest::newRow("longest just past a stop") << 1.0 / 8 << 0.26 << 1.0 << QStringList{"1/8s", "1/4s", "B"};
        QTest::newRow("no step") << 1.0 / 4000 << 1.0 << 0.0 << QStringList{};
    }

    void shutterTimesRunFromTheShortestToBulb()
    {
        QFETCH(double, shortest);
        QFETCH(double, longest);
        QFETCH(double, step);
        QFETCH(QStringList, expected);
        const TVK_Logic_APEXConverterShutterTime converter(0x2041);
        QCOMPARE(TVK_Logic_ExposureLists::shutterTimes(converter, shortest, longest, step), expected);
    }
};

QTEST_GUILESS_MAIN(tst_ExposureLists)
#include "tst_exposurelists.moc"
