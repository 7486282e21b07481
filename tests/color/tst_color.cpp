#include "TVK_Color_Factory.h"
#include "TVK_Color_Match.h"
#include "TVK_Color_Profile_Lcms.h"
#include "TVK_Color_World.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <lcms2.h>

#include <cstring>
#include <memory>

namespace {

using Signature = TVK_Color_ProfileIF::Signature;

constexpr Signature sig(const char (&text)[5])
{
    return (quint32(quint8(text[0])) << 24) | (quint32(quint8(text[1])) << 16)
           | (quint32(quint8(text[2])) << 8) | quint32(quint8(text[3]));
}

QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(int(size));
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

void describe(cmsHPROFILE profile, const char *text)
{
    cmsMLU *mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
    cmsMLUfree(mlu);
}

// A display-like profile without Lab anywhere: sRGB primaries, D50 white and a
// linear response, so dark colours move a lot and the white point differs from sRGB.
QByteArray linearProfileBytes()
{
    const cmsCIExyY d50 = {0.3457, 0.3585, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve *curves[3] = {linear, linear, linear};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d50, &primaries, curves);
    cmsFreeToneCurve(linear);
    cmsSetProfileVersion(profile, 2.1);
    describe(profile, "Linear test display");
    return saved(profile);
}

QByteArray versionedProfileBytes(double version, const char *text)
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    cmsSetProfileVersion(profile, version);
    describe(profile, text);
    return saved(profile);
}

QByteArray grayProfileBytes()
{
    cmsToneCurve *curve = cmsBuildGamma(nullptr, 2.2);
    QByteArray bytes = saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return bytes;
}

QByteArray profileBytes(const QString &name)
{
    if (name == QLatin1String("sRGB"))
        return saved(cmsCreate_sRGBProfile());
    if (name == QLatin1String("adobe"))
        return TVK_Color_Factory::builtInInputProfileBytes();
    if (name == QLatin1String("linear"))
        return linearProfileBytes();
    if (name == QLatin1String("gray"))
        return grayProfileBytes();
    if (name == QLatin1String("lab"))
        return saved(cmsCreateLab4Profile(nullptr));
    return QByteArray();
}

// A profile with its 'desc' tag replaced by these raw bytes.
QByteArray profileWithRawDescription(const QByteArray &tag)
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    // Raw bytes written over the cooked tag would be freed as the cooked kind.
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, nullptr);
    cmsWriteRawTag(profile, cmsSigProfileDescriptionTag, tag.constData(),
                   cmsUInt32Number(tag.size()));
    return saved(profile);
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray mluc(quint32 records, quint32 length, quint32 offset, const QByteArray &tail)
{
    return be32(sig("mluc")) + be32(0) + be32(records) + be32(12) + QByteArray("enUS", 4)
           + be32(length) + be32(offset) + tail;
}

const QRgb kColours[] = {
    qRgb(255, 0, 0),    qRgb(0, 255, 0),    qRgb(0, 0, 255),   qRgb(128, 128, 128),
    qRgb(255, 255, 255), qRgb(0, 0, 0),     qRgb(32, 32, 32),  qRgb(16, 128, 240),
    qRgb(255, 128, 0),  qRgb(200, 30, 120), qRgb(5, 250, 200), qRgb(90, 60, 30),
    // Near black, where an 8-bit shortcut of the curves goes wrong first.
    qRgb(1, 2, 3),      qRgb(8, 0, 0),      qRgb(0, 12, 0),    qRgb(3, 3, 20)};
constexpr int kColourCount = int(sizeof(kColours) / sizeof(kColours[0]));
constexpr int kRows = 3;

// Every colour in each of a few rows, so that rows after the first are checked too.
QImage testImage(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(kColourCount, kRows, format);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColourCount; ++x)
            image.setPixel(x, y, kColours[x]);
    return image;
}

// LittleCMS' own command-line calculator, in floating point, as the reference.
bool referenceColours(const QString &input, const QString &output, int intent,
                      QVector<QVector<double>> &result, QString &error)
{
    const QString transicc = QStandardPaths::findExecutable(QStringLiteral("transicc"));
    if (transicc.isEmpty()) {
        error = QStringLiteral("transicc not installed");
        return false;
    }
    QProcess process;
    process.start(transicc, {QStringLiteral("-i") + input, QStringLiteral("-o") + output,
                             QStringLiteral("-t%1").arg(intent), QStringLiteral("-n")});
    QByteArray lines;
    for (const QRgb colour : kColours)
        lines += QByteArray::number(qRed(colour)) + ' ' + QByteArray::number(qGreen(colour)) + ' '
                 + QByteArray::number(qBlue(colour)) + '\n';
    process.write(lines);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        error = QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    const QList<QByteArray> out = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : out) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 3)
            continue;
        result.append({fields[0].toDouble(), fields[1].toDouble(), fields[2].toDouble()});
    }
    return result.size() == kColourCount;
}

} // namespace

class TestColor : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString profileFile(const QString &name)
    {
        const QString path = m_dir.filePath(name + QStringLiteral(".icc"));
        if (!QFile::exists(path)) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(profileBytes(name)) <= 0)
                return QString();
        }
        return path;
    }

    std::unique_ptr<TVK_Color_Match> match(const QString &input, const QString &output, int intent = 0)
    {
        auto match = TVK_Color_Factory::newMatch();
        match->setInputProfile(profileFile(input));
        match->setOutputProfile(profileFile(output));
        match->setRenderingIntent(intent);
        return match;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void matchedImageAgreesWithTransicc_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("intent");
        QTest::newRow("Adobe RGB, perceptual") << "adobe" << 0;
        QTest::newRow("Adobe RGB, relative") << "adobe" << 1;
        QTest::newRow("linear D50, perceptual") << "linear" << 0;
        QTest::newRow("linear D50, absolute") << "linear" << 3;
    }
    void matchedImageAgreesWithTransicc()
    {
        QFETCH(QString, output);
        QFETCH(int, intent);
        QVector<QVector<double>> expected;
        QString error;
        if (!referenceColours(profileFile(QStringLiteral("sRGB")), profileFile(output), intent,
                              expected, error)) {
            if (error == QLatin1String("transicc not installed"))
                QSKIP("transicc (liblcms2-utils) is not installed");
            QFAIL(qPrintable(error));
        }

        auto colorMatch = match(QStringLiteral("sRGB"), output, intent);
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
            QImage inPlace = testImage(format);
            QImage copied(inPlace.size(), format);
            QVERIFY(colorMatch->translateImage(inPlace, copied));
            QVERIFY(colorMatch->translateImage(inPlace));
            QCOMPARE(copied, inPlace);
            for (int y = 0; y < kRows; ++y) {
                for (int x = 0; x < kColourCount; ++x) {
                    const QRgb got = inPlace.pixel(x, y);
                    const int channels[3] = {qRed(got), qGreen(got), qBlue(got)};
                    // transicc works unbounded; 8-bit pixels clip what lies outside.
                    // LittleCMS' 8-bit matrix-shaper path resolves linear light in
                    // steps of 1/16384, which a gamma-2.2 output turns into about
                    // three levels at the very bottom: there it may miss by two.
                    for (int c = 0; c < 3; ++c) {
                        const double reference = qBound(0.0, expected[x][c], 255.0);
                        const double tolerance = reference < 4.0 ? 2.5 : 1.0;
                        QVERIFY2(qAbs(channels[c] - reference) <= tolerance,
                                 qPrintable(QStringLiteral("colour %1 channel %2: %3, transicc %4")
                                                .arg(x).arg(c).arg(channels[c]).arg(expected[x][c])));
                    }
                    QCOMPARE(qAlpha(got), 255);
                }
            }
        }
        QCOMPARE(colorMatch->transformBuildCount(), 1);
    }

    void defaultInputPathAlwaysGivesAnAdobeRgbProfile()
    {
        auto colorMatch = TVK_Color_Factory::newMatch();
        colorMatch->setInputProfile(TVK_Color_Factory::defaultInputProfilePath());
        QVERIFY(colorMatch->inputProfile());
        QVERIFY(colorMatch->inputProfile()->isValid());
        QCOMPARE(colorMatch->inputColorSpace(), sig("RGB "));
        if (!QFile::exists(TVK_Color_Factory::defaultInputProfilePath()))
            QVERIFY(colorMatch->inputProfile()->description().contains(QLatin1String("Adobe RGB (1998)")));
        QCOMPARE(TVK_Color_Factory::defaultInputProfilePath(),
                 QStringLiteral("/usr/share/color/icc/AdobeRGB1998.icc"));
        // The fallback is for the default path only; other missing files give nothing.
        QVERIFY(!TVK_Color_Factory::profileFromFile(m_dir.filePath(QStringLiteral("AdobeRGB1998.icc"))));
    }

    void invalidProfilesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("path");
        QTest::newRow("garbage bytes") << QByteArray(512, '\x5a') << QString();
        QTest::newRow("no bytes") << QByteArray() << QString();
        QTest::newRow("truncated profile") << profileBytes(QStringLiteral("sRGB")).left(200) << QString();
        QTest::newRow("missing file") << QByteArray() << QStringLiteral("missing.icc");
        QTest::newRow("folder") << QByteArray() << QStringLiteral(".");
    }
    void invalidProfilesAreIgnored()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, path);
        auto colorMatch = match(QStringLiteral("sRGB"), QStringLiteral("linear"));
        const TVK_Color_ProfileIF *before = colorMatch->outputProfile();
        QVERIFY(before);
        if (path.isEmpty()) {
            const TVK_Color_Profile_Lcms invalid(bytes);
            QVERIFY(!invalid.isValid());
            QVERIFY(!TVK_Color_Factory::copyOf(invalid));
            colorMatch->setOutputProfile(invalid);
        } else {
            colorMatch->setOutputProfile(m_dir.filePath(path));
        }
        QCOMPARE(colorMatch->outputProfile(), before);
        QCOMPARE(colorMatch->outputProfile()->description(), QStringLiteral("Linear test display"));
        QImage image = testImage();
        QVERIFY(colorMatch->translateImage(image));
        QVERIFY(image != testImage());
    }

    void imagesThatDoNotFitAreRefused_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QImage>("destination");
        QTest::addColumn<bool>("inPlace");
        static uchar padded[16 * 4 * 8 + 64] = {};
        const QImage paddedImage(padded, 8, 4, 16 * 4, QImage::Format_RGB32);
        QTest::newRow("padded lines, in place") << paddedImage << QImage() << true;
        QTest::newRow("padded lines") << paddedImage << QImage(padded + 64, 8, 4, 16 * 4, QImage::Format_RGB32) << false;
        QTest::newRow("sub-image lines") << QImage(padded, 7, 4, 32, QImage::Format_RGB32) << QImage() << true;
        QTest::newRow("other width") << testImage() << QImage(kColourCount + 1, kRows, QImage::Format_RGB32) << false;
        QTest::newRow("other height") << testImage() << QImage(kColourCount, kRows + 1, QImage::Format_RGB32) << false;
        QTest::newRow("24-bit pixels") << testImage().convertToFormat(QImage::Format_RGB888) << QImage() << true;
        QTest::newRow("premultiplied") << testImage(QImage::Format_ARGB32_Premultiplied) << QImage() << true;
        QTest::newRow("null image") << QImage() << QImage() << true;
        QTest::newRow("null destination") << testImage() << QImage() << false;
    }
    void imagesThatDoNotFitAreRefused()
    {
        QFETCH(QImage, source);
        QFETCH(QImage, destination);
        QFETCH(bool, inPlace);
        auto colorMatch = match(QStringLiteral("sRGB"), QStringLiteral("linear"));
        const QImage sourceBefore = source.copy();
        const QImage destinationBefore = destination.copy();
        QVERIFY(!(inPlace ? colorMatch->translateImage(source)
                          : colorMatch->translateImage(source, destination)));
        QCOMPARE(source, sourceBefore);
        QCOMPARE(destination, destinationBefore);
    }

    void nonRgbProfilesAreRefused_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("gray output") << "sRGB" << "gray";
        QTest::newRow("Lab output") << "sRGB" << "lab";
        QTest::newRow("gray input") << "gray" << "adobe";
    }
    void nonRgbProfilesAreRefused()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        auto colorMatch = match(input, output);
        QVERIFY(colorMatch->inputProfile() && colorMatch->outputProfile());
        QImage image = testImage();
        QVERIFY(!colorMatch->translateImage(image));
        QCOMPARE(image, testImage());
        QCOMPARE(colorMatch->transformBuildCount(), 0);
    }

    void pixelArraysAreRefused()
    {
        auto colorMatch = match(QStringLiteral("sRGB"), QStringLiteral("adobe"));
        TVK_Color_MatchIF::RgbPixel rgb[2] = {};
        TVK_Color_MatchIF::LabPixel lab[2] = {};
        QVERIFY(!colorMatch->translateRgbToRgb(rgb, rgb, 2));
        QVERIFY(!colorMatch->translateRgbInPlace(rgb, 2));
        QVERIFY(!colorMatch->translateRgbToLab(rgb, lab, 2));
        QVERIFY(!colorMatch->translateLabToRgb(lab, rgb, 2));
        QVERIFY(!colorMatch->translateRgbInPlace(nullptr, 2));
        QVERIFY(!colorMatch->translateRgbInPlace(rgb, 0));
    }

    void transformIsReusedUntilProfileOrIntentChanges()
    {
        auto colorMatch = match(QStringLiteral("sRGB"), QStringLiteral("linear"));
        QImage image = testImage();
        QVERIFY(colorMatch->translateImage(image));
        QVERIFY(colorMatch->translateImage(image));
        QCOMPARE(colorMatch->transformBuildCount(), 1);

        colorMatch->setRenderingIntent(2);
        QVERIFY(!colorMatch->hasTransform());
        QVERIFY(colorMatch->translateImage(image));
        QCOMPARE(colorMatch->transformBuildCount(), 2);

        colorMatch->setOutputProfile(profileFile(QStringLiteral("adobe")));
        QVERIFY(!colorMatch->hasTransform());
        QVERIFY(colorMatch->translateImage(image));
        QCOMPARE(colorMatch->transformBuildCount(), 3);

        // An ignored profile changes nothing, so the transform stays.
        colorMatch->setInputProfile(m_dir.filePath(QStringLiteral("missing.icc")));
        QVERIFY(colorMatch->hasTransform());
    }

    void intentsOutsideTheIccRangeArePerceptual_data()
    {
        QTest::addColumn<int>("intent");
        QTest::addColumn<int>("used");
        for (const int intent : {-1, 0, 1, 2, 3, 4, 10, 1000})
            QTest::newRow(qPrintable(QString::number(intent))) << intent << (intent >= 1 && intent <= 3 ? intent : 0);
    }
    void intentsOutsideTheIccRangeArePerceptual()
    {
        QFETCH(int, intent);
        QFETCH(int, used);
        QCOMPARE(TVK_Color_World::normalisedIntent(intent), used);
    }

    void headerAndDescription_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint32>("space");
        QTest::addColumn<quint32>("pcs");
        QTest::addColumn<quint32>("profileClass");
        QTest::addColumn<QString>("description");
        QTest::newRow("v2 text description") << versionedProfileBytes(2.1, "Display v2") << sig("RGB ") << sig("XYZ ") << sig("mntr") << "Display v2";
        QTest::newRow("v4 localised description") << versionedProfileBytes(4.3, "Display v4") << sig("RGB ") << sig("XYZ ") << sig("mntr") << "Display v4";
        QTest::newRow("gray") << grayProfileBytes() << sig("GRAY") << sig("XYZ ") << sig("mntr") << QString();
        QTest::newRow("Lab") << profileBytes(QStringLiteral("lab")) << sig("Lab ") << sig("Lab ") << sig("abst") << QString();
        QTest::newRow("built-in Adobe RGB") << TVK_Color_Factory::builtInInputProfileBytes() << sig("RGB ") << sig("XYZ ") << sig("mntr") << "Adobe RGB (1998) compatible, built-in";
        QTest::newRow("desc with huge count") << profileWithRawDescription(be32(sig("desc")) + be32(0) + be32(0xFFFFFFF0u) + "abc") << sig("RGB ") << sig("XYZ ") << sig("mntr") << QString();
        QTest::newRow("mluc with huge offset") << profileWithRawDescription(mluc(0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF0u, QByteArray())) << sig("RGB ") << sig("XYZ ") << sig("mntr") << QString();
    }
    void headerAndDescription()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint32, space);
        QFETCH(quint32, pcs);
        QFETCH(quint32, profileClass);
        QFETCH(QString, description);
        auto profile = TVK_Color_Factory::profileFromBytes(bytes);
        QVERIFY(profile);
        QCOMPARE(profile->dataColorSpace(), space);
        QCOMPARE(profile->connectionSpace(), pcs);
        QCOMPARE(profile->profileClass(), profileClass);
        if (!description.isNull())
            QCOMPARE(profile->description(), description);
        else
            QVERIFY(!profile->description().contains(QLatin1String("abc")));
        auto copy = TVK_Color_Factory::copyOf(*profile);
        QVERIFY(copy);
        QCOMPARE(copy->description(), profile->description());
    }

    void descriptionTagForms_data()
    {
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<QString>("text");
        const QByteArray desc = be32(sig("desc")) + be32(0);
        QTest::newRow("v2") << desc + be32(6) + QByteArray("Hello\0", 6) << "Hello";
        QTest::newRow("v2 count beyond tag") << desc + be32(7) + QByteArray("Hello\0", 6) << QString();
        QTest::newRow("v2 huge count") << desc + be32(0xFFFFFFFFu) << QString();
        QTest::newRow("v2 zero count") << desc + be32(0) + QByteArray("Hello\0", 6) << QString();
        QTest::newRow("v2 without terminator") << desc + be32(3) + QByteArray("Hey") << "Hey";
        QTest::newRow("v2 cut short") << desc.left(6) << QString();
        const QByteArray utf16("\0W\0i\0d\0e", 8);
        QTest::newRow("v4") << mluc(1, 8, 28, utf16) << "Wide";
        QTest::newRow("v4 string beyond tag") << mluc(1, 10, 28, utf16) << QString();
        QTest::newRow("v4 huge offset") << mluc(1, 8, 0xFFFFFFFCu, utf16) << QString();
        QTest::newRow("v4 huge length") << mluc(1, 0xFFFFFFFFu, 28, utf16) << QString();
        QTest::newRow("v4 no records") << mluc(0, 8, 28, utf16) << QString();
        QTest::newRow("v4 without first record") << mluc(1, 8, 28, utf16).left(18) << QString();
        QTest::newRow("other type") << be32(sig("text")) + be32(0) + QByteArray("Hello") << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void descriptionTagForms()
    {
        QFETCH(QByteArray, tag);
        QFETCH(QString, text);
        QCOMPARE(TVK_Color_Profile::descriptionFromTag(tag), text);
    }

    void headerSignaturesOutsideTheKnownListsAreBlank_data()
    {
        QTest::addColumn<quint32>("raw");
        QTest::addColumn<quint32>("space");
        QTest::addColumn<quint32>("profileClass");
        const quint32 blank = TVK_Color_ProfileIF::kBlankSignature;
        QTest::newRow("RGB") << sig("RGB ") << sig("RGB ") << blank;
        QTest::newRow("8CLR") << sig("8CLR") << sig("8CLR") << blank;
        QTest::newRow("YCbr") << sig("YCbr") << sig("YCbr") << blank;
        QTest::newRow("FCLR") << sig("FCLR") << blank << blank;
        QTest::newRow("mntr") << sig("mntr") << blank << sig("mntr");
        QTest::newRow("spac") << sig("spac") << blank << sig("spac");
        QTest::newRow("zero") << 0u << blank << blank;
    }
    void headerSignaturesOutsideTheKnownListsAreBlank()
    {
        QFETCH(quint32, raw);
        QFETCH(quint32, space);
        QFETCH(quint32, profileClass);
        QCOMPARE(TVK_Color_Profile::recognisedColorSpace(raw), space);
        QCOMPARE(TVK_Color_Profile::recognisedProfileClass(raw), profileClass);
    }

    void fileProfileIsValidWhileItsFileExists()
    {
        const QString path = m_dir.filePath(QStringLiteral("transient.icc"));
        QVERIFY(QFile::copy(profileFile(QStringLiteral("adobe")), path));
        TVK_Color_Profile_Lcms profile(QDir::toNativeSeparators(path));
        QVERIFY(profile.isValid());
        QCOMPARE(profile.filePath(), path);
        TVK_Color_Profile_Lcms empty;
        QVERIFY(!empty.isValid());
        QCOMPARE(empty.dataColorSpace(), TVK_Color_ProfileIF::kBlankSignature);
        empty.swap(profile);
        QVERIFY(empty.isValid());
        QVERIFY(!profile.isValid());
        QVERIFY(QFile::remove(path));
        QVERIFY(!empty.isValid());
        QVERIFY(!TVK_Color_Factory::copyOf(empty));
    }

    void noMonitorProfileOffscreen()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        QVERIFY(!TVK_Color_Factory::monitorProfileAt(QPoint(10, 10)));
        QVERIFY(!TVK_Color_Factory::monitorProfileAt(QPoint(-100000, -100000)));
    }
};

QTEST_MAIN(TestColor)
#include "tst_color.moc"
