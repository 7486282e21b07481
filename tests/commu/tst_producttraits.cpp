#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Emulator_Profile.h"

#include <QtTest>

#include <algorithm>

using Traits = TVK_Commu_ProductTraits;
using Profile = TVK_Emulator_Profile;

// The program's table and the emulator's profiles are written apart; where
// both state a fact about a body, they must agree.
class tst_producttraits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bothKnowTheSameBodies()
    {
        QVector<int> ours = Traits::knownProducts(), emulated = Profile::knownProducts();
        std::sort(ours.begin(), ours.end());
        std::sort(emulated.begin(), emulated.end());
        QCOMPARE(ours, emulated);
    }

    void eachRowAgreesWithTheEmulatedBody_data()
    {
        QTest::addColumn<int>("product");
        for (int product : Profile::knownProducts())
            QTest::newRow(qPrintable(QString::number(product, 16))) << product;
    }

    void eachRowAgreesWithTheEmulatedBody()
    {
        QFETCH(int, product);
        const Traits &row = Traits::of(product);
        const Profile &body = *Profile::forProduct(product);
        QCOMPARE(row.productId, product);
        QCOMPARE(QString::fromLatin1(row.name), body.model);
        QCOMPARE(Traits::ofModel(body.model.toUpper()), &row);
        const Profile::eLESettingsKind kinds[] = {Profile::kLEDeviceProperties, Profile::kLEStruct,
                                                  Profile::kLEStructCora};
        QCOMPARE(kinds[row.settings], body.settingsKind);
        QCOMPARE(row.has(Traits::kLENativeRelease), body.nativeRelease);
        QCOMPARE(row.has(Traits::kLETickEvents), body.reportsTickEvents);
        QCOMPARE(row.has(Traits::kLELongAxisLayout), body.longAxisLayout);
        QCOMPARE(row.has(Traits::kLEVideoRecording), body.hasVideoRecording);
        if (row.keepsSettingsInRecord())
            return;
        // A device-property body lists a property for each function it has.
        using namespace TVK_Commu_Prop;
        const struct {
            quint64 feature;
            quint16 property;
        } functions[] = {
            {Traits::kLEFocusMode, kFocusMode}, {Traits::kLEFocusDistance, kFocusDistance},
            {Traits::kLEFocusConfirmation, kFocusConfirmEnabled}, {Traits::kLEAperture, kAperture},
            {Traits::kLEKeyLock, kKeyLock}, {Traits::kLEMirrorUpAndShutterMode, kMirrorUpMode},
            {Traits::kLEVideoResAndFrRate, kVideoResAndFrRate}, {Traits::kLEFormatChoices, kSensorFormat},
            {Traits::kLEAudioControls, kAudioLevel}, {Traits::kLEMicrophoneVolume, kAudioVolMicrophone},
            {Traits::kLEJpgColorSpace, kJpgColorSpace}, {Traits::kLEStorageType, kStorageType},
            {Traits::kLEMonochrome, kMonochrome}, {Traits::kLELanguage, kLanguage},
            {Traits::kLEAutoreviewDuration, kAutoreviewDuration}, {Traits::kLEAutoFocusLimit, kAutoFocusLimit},
            {Traits::kLEElectronicShutter, kElectronicShutter}, {Traits::kLEBulbPreset, kExposTimeBulbPreset},
        };
        for (const auto &function : functions)
            QVERIFY2(((row.features & function.feature) != 0) == body.supportsProperty(function.property),
                     qPrintable(QString::number(function.property, 16)));
        QCOMPARE(row.switchesExposureStep(), body.supportsProperty(kExposCompensStepSize));
        QCOMPARE(row.has(Traits::kLEBracketingInDriveMode), !body.supportsProperty(kBracketingEnabled));
    }

    // An unknown body is driven like every other one: no name, emulated
    // release stages, events as property changes, no list that needs the body.
    void anUnknownIdGetsTheDefaultRow_data()
    {
        QTest::addColumn<int>("product");
        QTest::newRow("no camera") << 0;
        QTest::newRow("unknown") << 0x2A1F;
    }

    void anUnknownIdGetsTheDefaultRow()
    {
        QFETCH(int, product);
        const Traits &row = Traits::of(product);
        QVERIFY(!row.isKnown());
        QCOMPARE(row.name, "");
        QCOMPARE(row.settings, Traits::kLESettingsByDevProps);
        QVERIFY(!row.has(Traits::kLENativeRelease) && !row.has(Traits::kLETickEvents));
        QCOMPARE(row.isoList, Traits::kLEIsoNone);
        QCOMPARE(row.driveMode, Traits::kLEDriveModeBasic);
        QVERIFY(Traits::ofModel(QStringLiteral("Unknown")) == nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_producttraits)
#include "tst_producttraits.moc"
