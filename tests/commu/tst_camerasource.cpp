#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Linux_PTP.h"
#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_CameraSource.h"
#include "TVK_Test_RecordingAccess.h"

#include <QtTest>

#include <memory>

class tst_camerasource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theOptionChoosesTheSource_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("connectionType");
        using S = TVK_Commu_CameraSource;
        QTest::newRow("no option") << QStringList{QStringLiteral("prog")} << int(S::kLEUsb) << 0x2041 << 1;
        QTest::newRow("usb") << QStringList{QStringLiteral("--camera=usb")} << int(S::kLEUsb) << 0x2041 << 1;
        QTest::newRow("simulated") << QStringList{QStringLiteral("--camera=simulated")} << int(S::kLESimulated)
                                   << 0x2041 << 256;
        QTest::newRow("emulated") << QStringList{QStringLiteral("--camera=emulated")} << int(S::kLEEmulated)
                                  << 0x2041 << 1;
        QTest::newRow("emulated hex") << QStringList{QStringLiteral("--camera=emulated:0x2061")}
                                      << int(S::kLEEmulated) << 0x2061 << 1;
        // Product ids are copied from lsusb: hexadecimal even without 0x.
        QTest::newRow("emulated hex without 0x") << QStringList{QStringLiteral("--camera=emulated:2009")}
                                                 << int(S::kLEEmulated) << 0x2009 << 1;
        QTest::newRow("emulated upper-case 0X") << QStringList{QStringLiteral("--camera=emulated:0X2a1F")}
                                                << int(S::kLEEmulated) << 0x2A1F << 1;
        QTest::newRow("last option wins") << QStringList{QStringLiteral("--camera=usb"), QStringLiteral("--camera=simulated")}
                                          << int(S::kLESimulated) << 0x2041 << 256;
    }

    void theOptionChoosesTheSource()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, kind);
        QFETCH(int, product);
        QFETCH(int, connectionType);
        TVK_Commu_CameraSource source;
        QString error;
        QVERIFY(TVK_Commu_CameraSource::fromArguments(arguments, &source, &error));
        QCOMPARE(int(source.kind()), kind);
        QCOMPARE(source.emulatedProduct(), product);
        QCOMPARE(source.connectionType(), connectionType);
        QVERIFY(error.isEmpty());
    }

    void badValuesAreRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::newRow("unknown source") << "--camera=wlan";
        QTest::newRow("empty") << "--camera=";
        QTest::newRow("product not a number") << "--camera=emulated:zz";
        QTest::newRow("product zero") << "--camera=emulated:0";
        QTest::newRow("product too large") << "--camera=emulated:0x12345";
        QTest::newRow("product empty") << "--camera=emulated:";
        QTest::newRow("product only 0x") << "--camera=emulated:0x";
    }

    void badValuesAreRefusedWithAReason()
    {
        QFETCH(QString, argument);
        TVK_Commu_CameraSource source;
        QString error;
        QVERIFY(!TVK_Commu_CameraSource::fromArguments({argument}, &source, &error));
        QVERIFY(!error.isEmpty());
    }

    void theFactoryMakesTheSimulatedCameraAndNothingUnknown()
    {
        std::unique_ptr<TVK_Commu_CameraAccess_Base> simulated(TVK_Commu_CameraAccessFactory::create(256));
        QVERIFY(simulated);
        QCOMPARE(simulated->connectionType(), 256);
        QVERIFY(!TVK_Commu_CameraAccessFactory::create(3));
        QVERIFY(!TVK_Commu_CameraAccessFactory::create(0));
    }

    void aCreatorCanStandInForAConnectionType()
    {
        // Without a stand-in, USB cameras are reached through libusb.
        std::unique_ptr<TVK_Commu_CameraAccess_Base> usb(TVK_Commu_CameraAccessFactory::create(1));
        QVERIFY(qobject_cast<TVK_Commu_CameraAccess_Linux_PTP *>(usb.get()));
        QCOMPARE(usb->connectionType(), 1);
        TVK_Commu_CameraAccessFactory::setCreator(1, []() -> TVK_Commu_CameraAccess_Base * {
            return new TVK_Test_RecordingAccess(0x2044, 1);
        });
        std::unique_ptr<TVK_Commu_CameraAccess_Base> access(TVK_Commu_CameraAccessFactory::create(1));
        QVERIFY(access);
        QCOMPARE(access->productId(), 0x2044);
        TVK_Commu_CameraAccessFactory::setCreator(1, nullptr);
        QVERIFY(!TVK_Commu_CameraAccessFactory::create(1));
    }
};

QTEST_GUILESS_MAIN(tst_camerasource)
#include "tst_camerasource.moc"
