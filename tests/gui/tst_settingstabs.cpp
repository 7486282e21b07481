// The camera and file settings tabs: every list setting behaves alike, plus
// the rules of exposure mode, focus mode, ISO, white balance, drive mode,
// interval fields, file format and the folder fields.

#include "TVK_GUI_Capture.h"
#include "TVK_GUI_ComboBox.h"
#include "TVK_GUI_DirPathWidget.h"
#include "TVK_GUI_File.h"
#include "TVK_Test_LogCapture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// Lets a running single-shot timer run out now instead of waiting its interval.
bool fireNow(QTimer *timer)
{
    if (!timer || !timer->isActive())
        return false;
    // Stopped and emitted by hand, so the interval the code gave it stays.
    timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout");
}

QByteArray signalSignature(const char *signal)
{
    return QByteArray("2") + signal;  // what SIGNAL() makes of it
}

// Answers the folder field's questions in the user's place.
class ScriptedDirPath : public TVK_GUI_DirPathWidget
{
public:
    QList<int> answers;
    int questions = 0;
    int failures = 0;
    QString browseAnswer;

protected:
    void askCreatePath(const QString &) override
    {
        ++questions;
        answerCreatePath(answers.isEmpty() ? QMessageBox::Cancel : answers.takeFirst());
    }
    void tellCannotCreate(const QString &) override { ++failures; }
    void browseDirectory(const QString &) override { answerBrowse(browseAnswer); }
};

} // namespace

class TstSettingsTabs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listSetting_data();
    void listSetting();
    void videoListsOnlyRefuseEmptyLists_data();
    void videoListsOnlyRefuseEmptyLists();
    void exposureModeListLabelsTheButtons();
    void withoutApertureProgramAndShutterPriorityHide();
    void exposureModeSelectsButtonAndEnablesLists_data();
    void exposureModeSelectsButtonAndEnablesLists();
    void userExposureModeIsEmitted();
    void focusModeCodes_data();
    void focusModeCodes();
    void iafOnlyForBodiesThatKnowIt();
    void focusDistanceNeedsLiveViewOnSomeBodies();
    void isoAutoIgnoresReportedSensitivity();
    void whiteBalanceVisibilityAndTemperature();
    void driveModeChoosesTheRowBelow_data();
    void driveModeChoosesTheRowBelow();
    void intervalFieldsEmitOnlyCompleteValues();
    void fileFormatEnablesTheFolders_data();
    void fileFormatEnablesTheFolders();
    void hasAndUseShowAndEnableFileLists_data();
    void hasAndUseShowAndEnableFileLists();
    void pictureIndexAndName();
    void exampleIsElidedInTheMiddle();
    void dirPathSetFromCodeEmitsNothing();
    void dirPathTypedExistingFolderIsTaken();
    void dirPathMissingFolderIsOfferedForCreation();
    void dirPathBrowseCommitsNativePath();
};

// --- the list family ---------------------------------------------------------

void TstSettingsTabs::listSetting_data()
{
    QTest::addColumn<bool>("fileTab");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("setting");  // slot stem: set<setting>List / set<setting>
    QTest::addColumn<QString>("emptyLine");
    QTest::addColumn<QString>("illegalLine");  // %1 = the text; empty: no line at all

    const auto capture = [](const char *setting, const char *what) {
        const QString s = QLatin1String(setting);
        QTest::newRow(setting) << false << ("cbb" + s)
                               << s << QString("TVK_GUI_Capture::set%1List() - empty %2 list").arg(s, what)
                               << QString("TVK_GUI_Capture::set%1() - illegal %2 %3").arg(s, what, "%1");
    };
    capture("Aperture", "aperture");
    capture("BracketDeltaEV", "bracketing Delta EV");
    capture("BracketImgNum", "bracket image numbers");
    capture("DriveMode", "drive mode");
    capture("ExposCompens", "exposure compensation");
    capture("ExposMetering", "expos metering");
    capture("Sensitivity", "sensitivity");
    capture("ShutterTime", "shutter time");
    capture("WhiteBalTemp", "white balance temperature");
    capture("WhiteBalance", "white balance");
    QTest::newRow("IntervalFrames") << false << "cbbIntervalFrames" << "IntervalFrames"
                                    << "TVK_GUI_Capture::setIntervalFramesList() - empty interval frames list"
                                    << QString();
    QTest::newRow("IntervalTime") << false << "cbbIntervalTime" << "IntervalTime"
                                  << "TVK_GUI_Capture::setIntervalTimeList() - empty interval time list" << QString();

    const auto file = [](const char *setting, const char *what) {
        const QString s = QLatin1String(setting);
        QTest::newRow(setting) << true << ("cbb" + s) << s
                               << QString("TVK_GUI_File::set%1List() - empty %2 list").arg(s, what)
                               << QString("TVK_GUI_File::set%1() - illegal %2 %3").arg(s, what, "%1");
    };
    file("DngCompression", "DNG compression");
    file("FileFormat", "file format");
    file("JpgColorSpace", "JPG color space");
    file("JpgResolution", "JPG resolution");
    file("PhotoAspectRatio", "photo aspect ratio");
    file("SensorFormat", "sensor format");
}

void TstSettingsTabs::listSetting()
{
    QFETCH(bool, fileTab);
    QFETCH(QString, box);
    QFETCH(QString, setting);
    QFETCH(QString, emptyLine);
    QFETCH(QString, illegalLine);

    TVK_GUI_Capture capture;
    TVK_GUI_File fileTabWidget;
    capture.setSensitivityAuto(false);
    QWidget *tab = fileTab ? static_cast<QWidget *>(&fileTabWidget) : &capture;
    auto *combo = tab->findChild<TVK_GUI_ComboBox *>(box);
    QVERIFY(combo);
    const QByteArray listSlot = ("set" + setting + "List").toLatin1();
    const QByteArray valueSlot = ("set" + setting).toLatin1();
    QSignalSpy chosen(tab, signalSignature(("signal" + setting + "(QString)").toLatin1().constData()).constData());
    QVERIFY(chosen.isValid());

    QVERIFY(QMetaObject::invokeMethod(tab, listSlot.constData(), Q_ARG(QStringList, QStringList({"Ab", "ab", "Cd"}))));
    QCOMPARE(combo->count(), 3);

    TVK_Test_LogCapture log;
    QVERIFY(QMetaObject::invokeMethod(tab, listSlot.constData(), Q_ARG(QStringList, QStringList())));
    QCOMPARE(log.lines(), QStringList{emptyLine});
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QString("Cd"));

    log.clear();
    QVERIFY(QMetaObject::invokeMethod(tab, valueSlot.constData(), Q_ARG(QString, "ab")));
    QCOMPARE(combo->currentText(), QString("ab"));
    QVERIFY(QMetaObject::invokeMethod(tab, valueSlot.constData(), Q_ARG(QString, "AB")));
    QCOMPARE(combo->currentText(), QString("ab"));
    QCOMPARE(log.lines(), illegalLine.isEmpty() ? QStringList() : QStringList{illegalLine.arg("AB")});
    QCOMPARE(chosen.count(), 0);

    // The user steps to the next entry with the keyboard.
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toString(), QString("Cd"));
}

void TstSettingsTabs::videoListsOnlyRefuseEmptyLists_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("emptyLine");
    QTest::newRow("file format") << "VideoFileFormat"
                                 << "TVK_GUI_File::setVideoFileFormatList() - empty video file format list";
    QTest::newRow("format resolution") << "VideoFormatResol"
                                       << "TVK_GUI_File::setVideoFormatResolList() - empty video resolution list";
    QTest::newRow("resolution and rate") << "VideoResAndFrRate"
                                         << "TVK_GUI_File::setVideoResAndFrRateList() - empty video resolution list";
}

void TstSettingsTabs::videoListsOnlyRefuseEmptyLists()
{
    QFETCH(QString, setting);
    QFETCH(QString, emptyLine);
    TVK_GUI_File tab;
    const QByteArray listSlot = ("set" + setting + "List").toLatin1();
    TVK_Test_LogCapture log;
    QVERIFY(QMetaObject::invokeMethod(&tab, listSlot.constData(), Q_ARG(QStringList, QStringList{"4K"})));
    QVERIFY(QMetaObject::invokeMethod(&tab, ("set" + setting).toLatin1().constData(), Q_ARG(QString, "nope")));
    QVERIFY(log.lines().isEmpty());
    QVERIFY(QMetaObject::invokeMethod(&tab, listSlot.constData(), Q_ARG(QStringList, QStringList())));
    QCOMPARE(log.lines(), QStringList{emptyLine});
}

// --- exposure mode -------------------------------------------------------------

void TstSettingsTabs::exposureModeListLabelsTheButtons()
{
    TVK_GUI_Capture tab;
    tab.setExposureModeList({"Prog", "Man", "Av", "Tv", "extra"});
    const QStringList names{"pbnP", "pbnM", "pbnA", "pbnT"};
    const QStringList texts{"Prog", "Man", "Av", "Tv"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(tab.findChild<QToolButton *>(names.at(i))->text(), texts.at(i));
}

void TstSettingsTabs::withoutApertureProgramAndShutterPriorityHide()
{
    TVK_GUI_Capture tab;
    tab.setHasAperture(false);
    for (const char *name : {"pbnP", "pbnT", "lblAperture", "cbbAperture"})
        QVERIFY2(tab.findChild<QWidget *>(name)->isHidden(), name);
    for (const char *name : {"pbnM", "pbnA"})
        QVERIFY2(!tab.findChild<QWidget *>(name)->isHidden(), name);
    tab.setHasAperture(true);
    for (const char *name : {"pbnP", "pbnT", "lblAperture", "cbbAperture"})
        QVERIFY2(!tab.findChild<QWidget *>(name)->isHidden(), name);
}

void TstSettingsTabs::exposureModeSelectsButtonAndEnablesLists_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("shutterTime");
    QTest::addColumn<bool>("aperture");
    QTest::newRow("0 manual") << 0 << "pbnM" << true << true;
    QTest::newRow("1 shutter priority") << 1 << "pbnT" << true << false;
    QTest::newRow("2 aperture priority") << 2 << "pbnA" << false << true;
    QTest::newRow("3 program") << 3 << "pbnP" << false << false;
    QTest::newRow("4 shown as M") << 4 << "pbnM" << true << true;
    QTest::newRow("5 shown as P") << 5 << "pbnP" << false << false;
}

void TstSettingsTabs::exposureModeSelectsButtonAndEnablesLists()
{
    QFETCH(int, mode);
    QFETCH(QString, button);
    QFETCH(bool, shutterTime);
    QFETCH(bool, aperture);
    TVK_GUI_Capture tab;
    QSignalSpy modes(&tab, QOverload<int>::of(&TVK_GUI_Capture::signalExposureMode));
    tab.setExposureMode(mode);
    QVERIFY(tab.findChild<QToolButton *>(button)->isChecked());
    QCOMPARE(tab.findChild<QWidget *>("cbbShutterTime")->isEnabled(), shutterTime);
    QCOMPARE(tab.findChild<QWidget *>("cbbAperture")->isEnabled(), aperture);
    QCOMPARE(modes.count(), 0);

    // An unknown mode is logged by the buttons and the lists and changes nothing.
    TVK_Test_LogCapture log;
    tab.setExposureMode(6);
    QCOMPARE(log.lines(), QStringList({"TVK_GUI_ExposureModeWidget::setExposureMode() - illegal exposure mode 6",
                                       "TVK_GUI_Capture::enableExposureControls() - illegal exposure mode 6"}));
    QVERIFY(tab.findChild<QToolButton *>(button)->isChecked());
    QCOMPARE(tab.findChild<QWidget *>("cbbShutterTime")->isEnabled(), shutterTime);
    QCOMPARE(tab.findChild<QWidget *>("cbbAperture")->isEnabled(), aperture);
}

void TstSettingsTabs::userExposureModeIsEmitted()
{
    TVK_GUI_Capture tab;
    QSignalSpy modes(&tab, &TVK_GUI_Capture::signalExposureMode);
    QSignalSpy manual(&tab, &TVK_GUI_Capture::signalIsExpModeManual);
    QTest::mouseClick(tab.findChild<QToolButton *>("pbnT"), Qt::LeftButton);
    QTest::mouseClick(tab.findChild<QToolButton *>("pbnM"), Qt::LeftButton);
    QTest::mouseClick(tab.findChild<QToolButton *>("pbnA"), Qt::LeftButton);
    QCOMPARE(modes.count(), 3);
    QCOMPARE(modes.at(0).at(0).toInt(), 1);
    QCOMPARE(modes.at(1).at(0).toInt(), 0);
    QCOMPARE(modes.at(2).at(0).toInt(), 2);
    QCOMPARE(manual.count(), 3);
    QCOMPARE(manual.at(1).at(0).toBool(), true);
    QCOMPARE(manual.at(2).at(0).toBool(), false);
    QVERIFY(!tab.findChild<QWidget *>("cbbShutterTime")->isEnabled());
    QVERIFY(tab.findChild<QWidget *>("cbbAperture")->isEnabled());
    QTest::mouseClick(tab.findChild<QToolButton *>("pbnP"), Qt::LeftButton);
    QCOMPARE(modes.last().at(0).toInt(), 3);
}

// --- focus mode ------------------------------------------------------------------

void TstSettingsTabs::focusModeCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("button");
    QTest::newRow("AFS") << 0 << "pbnAFS";
    QTest::newRow("AFC") << 1 << "pbnAFC";
    QTest::newRow("MF") << 2 << "pbnMF";
    QTest::newRow("iAF") << 5 << "pbnIAF";
}

void TstSettingsTabs::focusModeCodes()
{
    QFETCH(int, code);
    QFETCH(QString, button);
    TVK_GUI_Capture tab;
    tab.setProductId(0x2044);
    QSignalSpy chosen(&tab, &TVK_GUI_Capture::signalFocusMode);
    tab.setFocusMode(code);
    QVERIFY(tab.findChild<QToolButton *>(button)->isChecked());
    QCOMPARE(chosen.count(), 0);

    TVK_Test_LogCapture log;
    tab.setFocusMode(3);
    QCOMPARE(log.lines(), QStringList{"TVK_GUI_FocusModeWidget::setFocusMode() - illegal focus mode 3"});
    QVERIFY(tab.findChild<QToolButton *>(button)->isChecked());

    tab.setFocusMode(code == 2 ? 0 : 2);
    QTest::mouseClick(tab.findChild<QToolButton *>(button), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), code);

    tab.setHasFocusMode(false);
    QVERIFY(tab.findChild<QWidget *>("lblFocusMode")->isHidden());
    QVERIFY(tab.findChild<QWidget *>("wgtFocusMode")->isHidden());
}

void TstSettingsTabs::iafOnlyForBodiesThatKnowIt()
{
    TVK_GUI_Capture tab;
    auto *iaf = tab.findChild<QToolButton *>("pbnIAF");
    QVERIFY(iaf->isHidden());
    QVERIFY(tab.findChild<QToolButton *>("pbnMF")->isChecked());
    const QList<QPair<int, bool>> bodies{{0x2044, true}, {0x2041, false}, {0x2047, true}, {0x2031, false}};
    for (const auto &body : bodies) {
        tab.setProductId(body.first);
        QCOMPARE(!iaf->isHidden(), body.second);
    }
}

void TstSettingsTabs::focusDistanceNeedsLiveViewOnSomeBodies()
{
    TVK_GUI_Capture tab;
    QWidget *distance = tab.findChild<QWidget *>("wgtFocusDistance");
    const QList<int> bodies{0x2031, 0x2033, 0x2044};
    for (int body : bodies) {
        tab.setProductId(body);
        const bool needsLiveView = body != 0x2044;
        for (int mode = 0; mode <= 4; ++mode) {
            tab.setLiveViewMode(mode);
            QCOMPARE(distance->isEnabled(), !needsLiveView || mode == 2 || mode == 3);
        }
    }
}

// --- ISO, white balance, drive mode, interval ------------------------------------

void TstSettingsTabs::isoAutoIgnoresReportedSensitivity()
{
    TVK_GUI_Capture tab;
    auto *iso = tab.findChild<TVK_GUI_ComboBox *>("cbbSensitivity");
    tab.setSensitivityList({"Auto", "100", "200"});
    QVERIFY(tab.isSensitivityAuto());
    TVK_Test_LogCapture log;
    tab.setSensitivity("200");
    tab.setSensitivity("not in the list");
    QCOMPARE(iso->currentIndex(), 0);
    QVERIFY(log.lines().isEmpty());

    tab.setSensitivityAuto(false);
    tab.setSensitivity("200");
    QCOMPARE(iso->currentText(), QString("200"));
    tab.setSensitivityAuto(true);
    QCOMPARE(iso->currentIndex(), 0);

    QSignalSpy chosen(&tab, &TVK_GUI_Capture::signalSensitivity);
    QTest::keyClick(iso, Qt::Key_Down);  // the user picks "100"
    QVERIFY(!tab.isSensitivityAuto());
    QTest::keyClick(iso, Qt::Key_Up);  // and back to automatic
    QVERIFY(tab.isSensitivityAuto());
    QCOMPARE(chosen.count(), 2);
    QCOMPARE(chosen.at(0).at(0).toString(), QString("100"));
    QCOMPARE(chosen.at(1).at(0).toString(), QString("Auto"));
}

void TstSettingsTabs::whiteBalanceVisibilityAndTemperature()
{
    TVK_GUI_Capture tab;
    tab.setHasWhiteBalance(false);
    for (const char *name : {"lblWhiteBalance", "cbbWhiteBalance", "cbbWhiteBalTemp"})
        QVERIFY2(tab.findChild<QWidget *>(name)->isHidden(), name);
    tab.setHasWhiteBalance(true);
    for (const char *name : {"lblWhiteBalance", "cbbWhiteBalance", "cbbWhiteBalTemp"})
        QVERIFY2(!tab.findChild<QWidget *>(name)->isHidden(), name);
    tab.setIsWhiteBalTemp(false);
    QVERIFY(!tab.findChild<QWidget *>("cbbWhiteBalTemp")->isEnabled());
    tab.setIsWhiteBalTemp(true);
    QVERIFY(tab.findChild<QWidget *>("cbbWhiteBalTemp")->isEnabled());
}

void TstSettingsTabs::driveModeChoosesTheRowBelow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("shown");
    const QStringList placeholders{"cbbEmpty1", "cbbEmpty2"};
    QTest::newRow("single") << 0 << placeholders;
    QTest::newRow("bracketing") << 4 << QStringList{"cbbBracketImgNum", "cbbBracketDeltaEV"};
    QTest::newRow("interval") << 5
                              << QStringList{"ledIntervalFrames", "lblIntervalFrames", "ledIntervalTime",
                                             "lblIntervalTime"};
    QTest::newRow("self timer") << 6 << placeholders;
}

void TstSettingsTabs::driveModeChoosesTheRowBelow()
{
    QFETCH(int, mode);
    QFETCH(QStringList, shown);
    const QStringList row{"cbbEmpty1", "cbbEmpty2", "cbbBracketImgNum", "cbbBracketDeltaEV",
                          "cbbIntervalFrames", "cbbIntervalTime", "ledIntervalFrames", "lblIntervalFrames",
                          "ledIntervalTime", "lblIntervalTime"};
    TVK_GUI_Capture tab;
    tab.setDriveMode(mode == 5 ? 4 : 5);  // start from another state
    tab.setDriveMode(mode);
    for (const QString &name : row)
        QVERIFY2(tab.findChild<QWidget *>(name)->isHidden() != shown.contains(name), qPrintable(name));

    tab.setIsIntervalMode(false);
    for (const char *name : {"cbbIntervalFrames", "cbbIntervalTime", "ledIntervalFrames", "ledIntervalTime"})
        QVERIFY2(!tab.findChild<QWidget *>(name)->isEnabled(), name);
    tab.setIsIntervalMode(true);
    QVERIFY(tab.findChild<QWidget *>("ledIntervalTime")->isEnabled());
}

void TstSettingsTabs::intervalFieldsEmitOnlyCompleteValues()
{
    struct Field {
        const char *edit;
        void (TVK_GUI_Capture::*setRange)(int, int);
        void (TVK_GUI_Capture::*setValue)(int);
        void (TVK_GUI_Capture::*signal)(int);
        QTimer *(TVK_GUI_Capture::*timer)() const;
    };
    const Field fields[] = {
        {"ledIntervalFrames", &TVK_GUI_Capture::setIntervalFramesRange, &TVK_GUI_Capture::setIntervalFrames,
         &TVK_GUI_Capture::signalIntervalFrames, &TVK_GUI_Capture::intervalFramesTimer},
        {"ledIntervalTime", &TVK_GUI_Capture::setIntervalTimeRange, &TVK_GUI_Capture::setIntervalTime,
         &TVK_GUI_Capture::signalIntervalTime, &TVK_GUI_Capture::intervalTimeTimer},
    };
    for (const Field &field : fields) {
        TVK_GUI_Capture tab;
        auto *edit = tab.findChild<QLineEdit *>(field.edit);
        QTimer *timer = (tab.*field.timer)();
        QCOMPARE(timer->interval(), 3000);
        QSignalSpy emitted(&tab, field.signal);

        // Nothing remembered yet: an unfinished entry is left alone.
        edit->setText("5");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(fireNow(timer));
        QCOMPARE(edit->text(), QString());

        (tab.*field.setRange)(2, 50);
        (tab.*field.setValue)(10);
        QCOMPARE(edit->text(), QString("10"));
        QCOMPARE(emitted.count(), 0);

        edit->clear();
        QTest::keyClicks(edit, "7");  // complete and in range
        QCOMPARE(emitted.count(), 1);
        QCOMPARE(emitted.at(0).at(0).toInt(), 7);
        QVERIFY(!timer->isActive());

        edit->clear();
        QTest::keyClicks(edit, "1");  // below the range: not sent
        QCOMPARE(emitted.count(), 1);
        QVERIFY(fireNow(timer));
        QCOMPARE(edit->text(), QString("7"));  // the last value the user sent
    }
}

// --- file tab ----------------------------------------------------------------------

void TstSettingsTabs::fileFormatEnablesTheFolders_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("dng");
    QTest::addColumn<bool>("jpg");
    QTest::newRow("0") << 0 << true << false;
    QTest::newRow("1") << 1 << true << true;
    QTest::newRow("2") << 2 << true << true;
    QTest::newRow("3") << 3 << false << true;
    QTest::newRow("4") << 4 << false << true;
    QTest::newRow("5") << 5 << false << false;
}

void TstSettingsTabs::fileFormatEnablesTheFolders()
{
    QFETCH(int, code);
    QFETCH(bool, dng);
    QFETCH(bool, jpg);
    TVK_GUI_File tab;
    tab.setFileFormat(code);
    QCOMPARE(tab.findChild<QWidget *>("wgtDngPath")->isEnabled(), dng);
    QCOMPARE(tab.findChild<QWidget *>("wgtJpgPath")->isEnabled(), jpg);
}

void TstSettingsTabs::hasAndUseShowAndEnableFileLists_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("hasUse");
    QTest::addColumn<bool>("hasDisables");
    QTest::newRow("DNG compression") << "DngCompression" << true << false;
    QTest::newRow("JPG colour space") << "JpgColorSpace" << true << true;
    QTest::newRow("JPG resolution") << "JpgResolution" << true << false;
    QTest::newRow("sensor format") << "SensorFormat" << false << true;
    QTest::newRow("photo aspect ratio") << "PhotoAspectRatio" << false << true;
}

void TstSettingsTabs::hasAndUseShowAndEnableFileLists()
{
    QFETCH(QString, setting);
    QFETCH(bool, hasUse);
    QFETCH(bool, hasDisables);
    TVK_GUI_File tab;
    QWidget *label = tab.findChild<QWidget *>("lbl" + setting);
    QWidget *list = tab.findChild<QWidget *>("cbb" + setting);
    const QByteArray hasSlot = ("setHas" + setting).toLatin1();
    const QByteArray useSlot = ("setUse" + setting).toLatin1();
    QCOMPARE(tab.metaObject()->indexOfSlot(QByteArray(useSlot + "(bool)").constData()) >= 0, hasUse);

    QVERIFY(QMetaObject::invokeMethod(&tab, hasSlot.constData(), Q_ARG(bool, false)));
    QVERIFY(label->isHidden() && list->isHidden());
    QVERIFY(QMetaObject::invokeMethod(&tab, hasSlot.constData(), Q_ARG(bool, true)));
    QVERIFY(!label->isHidden() && !list->isHidden());
    QCOMPARE(list->isEnabled(), !hasDisables);
    if (hasUse) {
        QVERIFY(QMetaObject::invokeMethod(&tab, useSlot.constData(), Q_ARG(bool, true)));
        QVERIFY(list->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(&tab, useSlot.constData(), Q_ARG(bool, false)));
        QVERIFY(!list->isEnabled());
    }
}

void TstSettingsTabs::pictureIndexAndName()
{
    TVK_GUI_File tab;
    auto *index = tab.findChild<QLineEdit *>("ledPictureIndex");
    auto *name = tab.findChild<QLineEdit *>("ledPictureName");
    QSignalSpy indices(&tab, &TVK_GUI_File::signalPictureIndex);
    QSignalSpy names(&tab, &TVK_GUI_File::signalPictureName);

    tab.setPictureIndex(42);
    tab.setPictureName("Holiday");
    QCOMPARE(index->text(), QString("42"));
    QCOMPARE(name->text(), QString("Holiday"));
    QCOMPARE(indices.count() + names.count(), 0);

    index->clear();
    QTest::keyClicks(index, "-3x");
    QCOMPARE(indices.count(), 0);
    index->clear();
    QTest::keyClicks(index, "0");
    QCOMPARE(indices.count(), 1);
    QCOMPARE(indices.at(0).at(0).toInt(), 0);

    name->clear();
    QTest::keyClicks(name, "ab");
    QCOMPARE(names.count(), 2);
    QCOMPARE(names.last().at(0).toString(), QString("ab"));

    // A stem is a file name: a path is held back, and leaving the field
    // brings back the last good name.
    QTest::keyClicks(name, "/../x");
    QCOMPARE(names.count(), 2);
    QCOMPARE(name->text(), QString("ab/../x"));
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(name->text(), QString("ab"));
    QCOMPARE(names.count(), 2);
}

void TstSettingsTabs::exampleIsElidedInTheMiddle()
{
    TVK_GUI_File tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    auto *example = tab.findChild<QLabel *>("stxExampleName");
    const QString longName = QString("NRBA0123_") + QString(200, QLatin1Char('x')) + "_end.DNG";
    tab.setPictureExample(longName);
    QCOMPARE(tab.pictureExample(), longName);
    QVERIFY(example->text() != longName);
    QVERIFY(example->text().startsWith("NRBA0"));
    QVERIFY(example->text().endsWith("end.DNG"));
    QVERIFY(example->fontMetrics().horizontalAdvance(example->text()) <= example->width());
    tab.setPictureExample("NRBA0123.DNG");
    QCOMPARE(example->text(), QString("NRBA0123.DNG"));
}

// --- folder fields -----------------------------------------------------------------

void TstSettingsTabs::dirPathSetFromCodeEmitsNothing()
{
    TVK_GUI_File tab;
    QSignalSpy dng(&tab, &TVK_GUI_File::signalDngPath);
    QSignalSpy jpg(&tab, &TVK_GUI_File::signalJpgPath);
    tab.setDngPath("/no/such/dng");
    tab.setJpgPath("/no/such/jpg");
    QCOMPARE(tab.findChild<QWidget *>("wgtDngPath")->findChild<QLineEdit *>("ledPath")->text(), QString("/no/such/dng"));
    QCOMPARE(tab.findChild<QWidget *>("wgtJpgPath")->findChild<QLineEdit *>("ledPath")->text(), QString("/no/such/jpg"));
    QCOMPARE(dng.count() + jpg.count(), 0);
}

void TstSettingsTabs::dirPathTypedExistingFolderIsTaken()
{
    QTemporaryDir home;
    ScriptedDirPath field;
    auto *edit = field.findChild<QLineEdit *>("ledPath");
    QSignalSpy paths(&field, &TVK_GUI_DirPathWidget::signalPath);
    const QString path = home.path();
    edit->setText(path.left(path.size() - 1));
    QTest::keyClick(edit, path.at(path.size() - 1).toLatin1());
    QCOMPARE(paths.count(), 1);
    QCOMPARE(paths.at(0).at(0).toString(), path);
    QCOMPARE(field.committedPath(), path);
    QVERIFY(!field.textTimer()->isActive());
    QCOMPARE(field.questions, 0);
}

void TstSettingsTabs::dirPathMissingFolderIsOfferedForCreation()
{
    QTemporaryDir home;
    QFile blocker(home.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ScriptedDirPath field;
    auto *edit = field.findChild<QLineEdit *>("ledPath");
    QSignalSpy paths(&field, &TVK_GUI_DirPathWidget::signalPath);
    QTimer *timer = field.textTimer();
    QCOMPARE(timer->interval(), 3000);
    field.setPath(home.path());
    const auto typeIn = [edit](const QString &path) {
        edit->setText(path.left(path.size() - 1));
        QTest::keyClick(edit, path.at(path.size() - 1).toLatin1());
    };

    // No: the question comes back once the timer runs out again.
    const QString missing = home.filePath("a/b/c");
    typeIn(missing);
    QVERIFY(timer->isActive());
    field.answers = {QMessageBox::No, QMessageBox::Yes};
    QVERIFY(fireNow(timer));
    QCOMPARE(field.questions, 1);
    QVERIFY(timer->isActive());
    QCOMPARE(paths.count(), 0);
    // Yes: the folder is made with all its parents and taken.
    QVERIFY(fireNow(timer));
    QCOMPARE(field.questions, 2);
    QVERIFY(QDir(missing).exists());
    QCOMPARE(paths.count(), 1);
    QCOMPARE(paths.at(0).at(0).toString(), missing);
    QCOMPARE(field.committedPath(), missing);

    // Leaving the field asks at once; Cancel puts the committed folder back.
    typeIn(home.filePath("other"));
    field.answers = {QMessageBox::Cancel};
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &leave);
    QCOMPARE(field.questions, 3);
    QCOMPARE(edit->text(), missing);
    QVERIFY(!timer->isActive());
    QApplication::sendEvent(edit, &leave);  // nothing left to check
    QCOMPARE(field.questions, 3);

    // A folder that cannot be made is reported and asked for again.
    typeIn(home.filePath("file/sub"));
    field.answers = {QMessageBox::Yes};
    QVERIFY(fireNow(timer));
    QCOMPARE(field.failures, 1);
    QVERIFY(timer->isActive());
    QCOMPARE(paths.count(), 1);
    QCOMPARE(field.committedPath(), missing);
}

void TstSettingsTabs::dirPathBrowseCommitsNativePath()
{
    QTemporaryDir home;
    ScriptedDirPath field;
    QSignalSpy paths(&field, &TVK_GUI_DirPathWidget::signalPath);
    auto *browse = field.findChild<QToolButton *>("pbnBrowse");
    QTest::mouseClick(browse, Qt::LeftButton);  // cancelled dialog
    QCOMPARE(paths.count(), 0);
    field.browseAnswer = home.path();
    QTest::mouseClick(browse, Qt::LeftButton);
    QTest::mouseClick(browse, Qt::LeftButton);  // the same folder again is no change
    QCOMPARE(paths.count(), 1);
    QCOMPARE(paths.at(0).at(0).toString(), QDir::toNativeSeparators(home.path()));
    QCOMPARE(field.findChild<QLineEdit *>("ledPath")->text(), QDir::toNativeSeparators(home.path()));
}

QTEST_MAIN(TstSettingsTabs)
#include "tst_settingstabs.moc"
