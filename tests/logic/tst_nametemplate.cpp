#include "TVK_Logic_NameTemplate.h"

#include <QtTest>

namespace {

using Template = TVK_Logic_NameTemplate;

Template::Values shot(int number)
{
    Template::Values values;
    values.stem = QStringLiteral("Picture");
    values.number = number;
    values.taken = QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2));
    values.camera = QStringLiteral("Ardo 2/Pro");
    values.serial = QStringLiteral("A1234");
    values.session = QStringLiteral(" Wedding ");
    values.original = QStringLiteral("IMG_0042");
    values.extension = QStringLiteral("DNG");
    values.exposure = QStringLiteral("1/250");
    values.aperture = QStringLiteral("5.6");
    values.iso = QStringLiteral("400");
    return values;
}

} // namespace

class tst_nametemplate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesAreMade_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("default, as always") << Template::kDefault << 1 << "Picture00001";
        QTest::newRow("default, six digits overflow the width") << Template::kDefault << 123456 << "Picture123456";
        QTest::newRow("width 1") << "{stem}{number:1}" << 7 << "Picture7";
        QTest::newRow("width 9") << "{number:9}" << 42 << "000000042";
        QTest::newRow("bare number") << "{number}" << 3 << "00003";
        QTest::newRow("date and time") << "{date}_{time}" << 1 << "2026-03-07_090502";
        QTest::newRow("formats") << "{date:yyyyMMdd}-{time:HH.mm}" << 1 << "20260307-09.05";
        QTest::newRow("values cleaned") << "{camera}_{session}_{exposure}" << 1 << "Ardo 2_Pro_Wedding_1_250";
        QTest::newRow("every other token") << "{serial}{original}{ext}f{aperture}iso{iso}" << 1
                                           << "A1234IMG_0042DNGf5.6iso400";
        QTest::newRow("text only around a number") << "shot-{number:3}-end" << 12 << "shot-012-end";
    }
    void namesAreMade()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(QString, name);
        const Template name_template(text);
        QVERIFY2(name_template.isValid(), qPrintable(name_template.error()));
        QCOMPARE(name_template.expand(shot(number)), name);
    }

    // Refused when typed, with a message that names the trouble; an invalid
    // template still names pictures by the default.
    void badTemplatesAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("says");
        QTest::newRow("empty") << "" << "empty";
        QTest::newRow("blank") << "   " << "empty";
        QTest::newRow("unknown token") << "{stem}{lens}" << "{lens}";
        QTest::newRow("open brace") << "{stem" << "not closed";
        QTest::newRow("lone close") << "stem}" << "}";
        QTest::newRow("width 0") << "{number:0}" << "width";
        QTest::newRow("width 10") << "{number:10}" << "width";
        QTest::newRow("width text") << "{number:x}" << "width";
        QTest::newRow("argument not taken") << "{stem:3}" << "takes no";
        QTest::newRow("empty format") << "{date:}" << "takes no";
        QTest::newRow("slash") << "a/{number}" << "\"/\"";
        QTest::newRow("backslash") << "a\\{number}" << "\"\\\"";
        QTest::newRow("colon") << "a:{number}" << "\":\"";
        QTest::newRow("control") << QStringLiteral("a\t{number}") << "\\x09";
        QTest::newRow("format makes a colon") << "{time:HH:mm}" << "format";
        QTest::newRow("can be empty") << "{session}{camera}" << "empty name";
    }
    void badTemplatesAreRefused()
    {
        QFETCH(QString, text);
        QFETCH(QString, says);
        const Template name_template(text);
        QVERIFY(!name_template.isValid());
        QVERIFY2(name_template.error().contains(says), qPrintable(name_template.error()));
        QCOMPARE(name_template.expand(shot(9)), QStringLiteral("Picture00009"));
    }
};

QTEST_GUILESS_MAIN(tst_nametemplate)
#include "tst_nametemplate.moc"
