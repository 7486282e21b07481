// The fixed-aspect window (its geometry arithmetic by numbers, then a real
// dialog on the offscreen screen), the about dialog and the two profile dialogs.

#include "TVK_GUI_AboutDialog.h"
#include "TVK_GUI_DeleteProfilesDialog.h"
#include "TVK_GUI_FixedAspectWidgetT.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_SaveProfileDialog.h"
#include "TVK_GUI_UpdateDialog.h"
#include "TVK_GUI_WarningBox.h"
#include "TVK_Test_LogCapture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>

#include <limits>

using FixedAspectDialog = TVK_GUI_FixedAspectWidgetT<QDialog>;

namespace {

// A large screen's usable area below the title-bar strip (1920 x 1080 at the origin).
const QRect kLarge(0, 44, 1920, 1036);
// The offscreen platform's 800 x 600 screen, same treatment.
const QRect kSmall(0, 44, 800, 556);
// A second screen to the right of a first one.
const QRect kRightOfFirst(1920, 44, 1280, 980);

QStringList rows(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

void selectRows(QListWidget *list, const QList<int> &selected)
{
    list->clearSelection();
    for (int row : selected)
        list->item(row)->setSelected(true);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    // Stands in for the browser.
    void openUrl(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void initTestCase();

    void fitComputesTheGeometry_data();
    void fitComputesTheGeometry();
    void theOffscreenScreenIsTheOneTheWindowTestsAssume();
    void changedRatioRefitsTurningTheContentOnlyWhenCrossingOne_data();
    void changedRatioRefitsTurningTheContentOnlyWhenCrossingOne();
    void unchangedOrIllegalRatioLeavesTheWindowAlone();
    void resizeOfAShownWindowIsFittedUnlessTheRatioIsFree_data();
    void resizeOfAShownWindowIsFittedUnlessTheRatioIsFree();

    void aboutDialogShowsLogoNameVersionAndCopyright();
    void versionTextShowsTheThirdNumberUnlessItIsZero_data();
    void versionTextShowsTheThirdNumberUnlessItIsZero();

    void createInsertsInOrderAndCloses_data();
    void createInsertsInOrderAndCloses();
    void createWithAnEmptyNameDoesNothing();
    void chooseClosesOnlyWithASelectionAndChangesNothing();
    void deleteRemovesTheSelectedNamesAndStaysOpen_data();
    void deleteRemovesTheSelectedNamesAndStaysOpen();

    void updateDialogOffersItsLinkAndCloses_data();
    void updateDialogOffersItsLinkAndCloses();

    void warningsJoinTheOneOpenBox();

    void dialogsDrawWithTheStyleSheet();

private:
    QList<QUrl> m_opened;
};

void TestDialogs::initTestCase()
{
    TVK_GUI_Resources::initialize();
    QCoreApplication::setApplicationVersion(QStringLiteral("3.8.0"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Norba Pellora"));
}

void TestDialogs::fitComputesTheGeometry_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("oldRatio");
    QTest::addColumn<int>("extraHeight");
    QTest::addColumn<int>("marginLeft");
    QTest::addColumn<int>("marginRight");
    QTest::addColumn<QRect>("screenArea");
    QTest::addColumn<QRect>("expected");

    // Width = mean of the current width and the one the image height implies.
    QTest::newRow("landscape, info strip 40") << QRect(100, 100, 660, 446) << 1.5 << 0.0 << 40 << 10 << 10 << kLarge
                                              << QRect(100, 100, 635, 463);
    QTest::newRow("landscape, no strip") << QRect(100, 100, 640, 426) << 1.5 << 0.0 << 0 << 0 << 0 << kLarge
                                         << QRect(100, 100, 640, 427);
    QTest::newRow("portrait, no strip") << QRect(100, 100, 640, 426) << 2.0 / 3.0 << 0.0 << 0 << 0 << 0 << kLarge
                                        << QRect(100, 100, 462, 693);
    QTest::newRow("window lower than its strip") << QRect(100, 100, 300, 20) << 1.5 << 0.0 << 40 << 0 << 0 << kLarge
                                                 << QRect(100, 100, 150, 140);
    // The content between the margins turns by 90 degrees.
    QTest::newRow("landscape to portrait, margins 10") << QRect(100, 100, 660, 446) << 2.0 / 3.0 << 1.5 << 40 << 10
                                                       << 10 << kLarge << QRect(100, 100, 447, 659);
    QTest::newRow("portrait to landscape, margins 5 and 15") << QRect(100, 100, 450, 659) << 1.5 << 0.75 << 40 << 5
                                                             << 15 << kLarge << QRect(100, 100, 665, 516);
    QTest::newRow("narrower than its margins") << QRect(100, 100, 15, 300) << 0.5 << 2.0 << 0 << 10 << 10 << kLarge
                                               << QRect(100, 100, 20, 300);
    // Kept on the screen: moved in at each edge, shrunk when too large.
    QTest::newRow("past the right edge") << QRect(700, 100, 400, 300) << 4.0 / 3.0 << 0.0 << 0 << 0 << 0 << kSmall
                                         << QRect(399, 100, 400, 300);
    QTest::newRow("past the left edge") << QRect(-50, 100, 400, 300) << 4.0 / 3.0 << 0.0 << 0 << 0 << 0 << kSmall
                                        << QRect(0, 100, 400, 300);
    QTest::newRow("title bar above the top") << QRect(100, 10, 400, 300) << 4.0 / 3.0 << 0.0 << 0 << 0 << 0 << kSmall
                                             << QRect(100, 44, 400, 300);
    QTest::newRow("past the bottom edge") << QRect(100, 400, 400, 300) << 4.0 / 3.0 << 0.0 << 0 << 0 << 0 << kSmall
                                          << QRect(100, 299, 400, 300);
    QTest::newRow("larger than the screen") << QRect(0, 44, 1200, 900) << 4.0 / 3.0 << 0.0 << 0 << 0 << 0 << kSmall
                                            << QRect(0, 44, 800, 556);
    QTest::newRow("second screen, past its right edge") << QRect(3000, 200, 400, 300) << 4.0 / 3.0 << 0.0 << 0 << 0
                                                        << 0 << kRightOfFirst << QRect(2799, 200, 400, 300);
    QTest::newRow("no screen, no bounds") << QRect(5000, 5000, 400, 400) << 2.0 << 0.0 << 0 << 0 << 0 << QRect()
                                          << QRect(5000, 5000, 600, 300);
    // An absurd ratio must not overflow; the screen bounds take over.
    QTest::newRow("tiny ratio") << QRect(100, 100, 400, 300) << 1e-12 << 0.0 << 0 << 0 << 0 << kSmall
                                << QRect(100, 44, 200, 556);
    // A free ratio leaves every window as it is.
    QTest::newRow("ratio 0") << QRect(700, 10, 400, 300) << 0.0 << 1.5 << 40 << 10 << 10 << kSmall
                             << QRect(700, 10, 400, 300);
    QTest::newRow("negative ratio") << QRect(700, 10, 400, 300) << -1.0 << 0.0 << 0 << 0 << 0 << kSmall
                                    << QRect(700, 10, 400, 300);
    QTest::newRow("ratio NaN") << QRect(700, 10, 400, 300) << std::numeric_limits<double>::quiet_NaN() << 0.0 << 0
                               << 0 << 0 << kSmall << QRect(700, 10, 400, 300);
}

void TestDialogs::fitComputesTheGeometry()
{
    QFETCH(QRect, geometry);
    QFETCH(double, ratio);
    QFETCH(double, oldRatio);
    QFETCH(int, extraHeight);
    QFETCH(int, marginLeft);
    QFETCH(int, marginRight);
    QFETCH(QRect, screenArea);
    QFETCH(QRect, expected);
    QCOMPARE(FixedAspectDialog::fitted(geometry, ratio, oldRatio, extraHeight, marginLeft, marginRight, screenArea),
             expected);
}

void TestDialogs::theOffscreenScreenIsTheOneTheWindowTestsAssume()
{
    QVERIFY(QGuiApplication::primaryScreen());
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 600));
    QCOMPARE(FixedAspectDialog::screenAreaBelowTitleBar(QRect(100, 100, 200, 100), nullptr), kSmall);
    // A title bar off every screen is bounded by the fallback screen.
    QCOMPARE(FixedAspectDialog::screenAreaBelowTitleBar(QRect(100, 5000, 200, 100), QGuiApplication::primaryScreen()),
             kSmall);
}

void TestDialogs::changedRatioRefitsTurningTheContentOnlyWhenCrossingOne_data()
{
    QTest::addColumn<bool>("withLayout");
    QTest::addColumn<QRect>("start");
    QTest::addColumn<double>("firstRatio");
    QTest::addColumn<double>("secondRatio");
    QTest::addColumn<QRect>("expected");

    // 300 x 240 already has ratio 1.25, so the first ratio leaves it alone.
    QTest::newRow("crossing 1 turns the content between margins 10")
        << true << QRect(100, 100, 300, 240) << 1.25 << 0.8 << QRect(100, 100, 244, 296);
    QTest::newRow("crossing 1 without a layout only fits")
        << false << QRect(100, 100, 300, 240) << 1.25 << 0.75 << QRect(100, 100, 240, 320);
    QTest::newRow("staying below 1 only fits")
        << true << QRect(100, 100, 240, 300) << 0.8 << 0.7 << QRect(100, 100, 225, 321);
    QTest::newRow("from free to a ratio only fits")
        << true << QRect(100, 100, 400, 400) << 0.0 << 2.0 << QRect(100, 100, 600, 300);
}

void TestDialogs::changedRatioRefitsTurningTheContentOnlyWhenCrossingOne()
{
    QFETCH(bool, withLayout);
    QFETCH(QRect, start);
    QFETCH(double, firstRatio);
    QFETCH(double, secondRatio);
    QFETCH(QRect, expected);

    // Hidden, so every geometry takes effect at once and no resize event runs.
    FixedAspectDialog dialog;
    if (withLayout)
        (new QVBoxLayout(&dialog))->setContentsMargins(10, 10, 10, 10);
    dialog.setGeometry(start);
    dialog.setAspectRatio(firstRatio);
    QCOMPARE(dialog.geometry(), start);
    dialog.setAspectRatio(secondRatio);
    QCOMPARE(dialog.aspectRatio(), secondRatio);
    QCOMPARE(dialog.geometry(), expected);
}

void TestDialogs::unchangedOrIllegalRatioLeavesTheWindowAlone()
{
    FixedAspectDialog dialog;
    dialog.setGeometry(100, 100, 300, 240);
    dialog.setAspectRatio(1.25);
    const QRect odd(100, 100, 400, 100);
    dialog.setGeometry(odd);

    dialog.setAspectRatio(1.25);
    QCOMPARE(dialog.geometry(), odd);

    TVK_Test_LogCapture log;
    dialog.setAspectRatio(-2.0);
    dialog.setAspectRatio(std::numeric_limits<double>::infinity());
    QCOMPARE(dialog.aspectRatio(), 1.25);
    QCOMPARE(dialog.geometry(), odd);
    QCOMPARE(log.matching(QStringLiteral("setAspectRatio() - illegal aspect ratio")).size(), 2);
}

void TestDialogs::resizeOfAShownWindowIsFittedUnlessTheRatioIsFree_data()
{
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("extraHeight");
    QTest::addColumn<QSize>("resizedTo");
    QTest::addColumn<QSize>("expected");

    // Fitted again and again until the size no longer changes.
    QTest::newRow("ratio 2") << 2.0 << 0 << QSize(300, 300) << QSize(450, 225);
    QTest::newRow("ratio 1.5, strip 40") << 1.5 << 40 << QSize(300, 300) << QSize(345, 270);
    QTest::newRow("free ratio") << 0.0 << 40 << QSize(300, 300) << QSize(300, 300);
}

void TestDialogs::resizeOfAShownWindowIsFittedUnlessTheRatioIsFree()
{
    QFETCH(double, ratio);
    QFETCH(int, extraHeight);
    QFETCH(QSize, resizedTo);
    QFETCH(QSize, expected);

    FixedAspectDialog dialog;
    dialog.setExtraHeight(extraHeight);
    dialog.setGeometry(100, 100, 400, 240);
    dialog.setAspectRatio(ratio);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    dialog.resize(resizedTo);
    QVERIFY2(QTest::qWaitFor([&] { return dialog.size() == expected; }, 5000),
             qPrintable(QStringLiteral("size %1 x %2").arg(dialog.width()).arg(dialog.height())));
    // Settled: further events leave it where it is.
    QCoreApplication::processEvents();
    QCOMPARE(dialog.size(), expected);
}

void TestDialogs::aboutDialogShowsLogoNameVersionAndCopyright()
{
    TVK_GUI_AboutDialog dialog;
    QVERIFY(dialog.windowTitle().isEmpty());
    QVERIFY(qobject_cast<QVBoxLayout *>(dialog.layout()));
    QCOMPARE(dialog.layout()->objectName(), QStringLiteral("verticalLayout"));

    const auto labels = dialog.findChildren<QLabel *>();
    QStringList names;
    for (const QLabel *label : labels)
        names << label->objectName();
    QCOMPARE(names, (QStringList{"lblLogo", "lblAppName", "lblAppVersion", "lblCopyright"}));

    auto *logo = dialog.findChild<QLabel *>("lblLogo");
    QCOMPARE(logo->textFormat(), Qt::RichText);
    QCOMPARE(logo->text(), QStringLiteral("<img src=\":/TVK_GUI/images/NorbaLogo.png\"/>"));
    QVERIFY(!QImage(QStringLiteral(":/TVK_GUI/images/NorbaLogo.png")).isNull());

    auto *name = dialog.findChild<QLabel *>("lblAppName");
    auto *version = dialog.findChild<QLabel *>("lblAppVersion");
    QCOMPARE(name->text(), QStringLiteral("Norba Pellora"));
    QCOMPARE(name->font().weight(), 75);
    QCOMPARE(name->font().pointSizeF(), version->font().pointSizeF() + 2);
    QCOMPARE(version->text(), QStringLiteral("Version 3.8"));

    auto *copyright = dialog.findChild<QLabel *>("lblCopyright");
    QCOMPARE(copyright->textFormat(), Qt::RichText);
    QVERIFY(copyright->text().contains(QStringLiteral("Norba Camera AG")));
}

void TestDialogs::versionTextShowsTheThirdNumberUnlessItIsZero_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("logged");
    QTest::newRow("3.8.0") << "3.8.0" << "Version 3.8" << false;
    QTest::newRow("3.8.1") << "3.8.1" << "Version 3.8.1" << false;
    QTest::newRow("3.10.12") << "3.10.12" << "Version 3.10.12" << false;
    QTest::newRow("3.8") << "3.8" << "Version 3.8" << false;
    QTest::newRow("3") << "3" << "Version 3.0" << true;
}

void TestDialogs::versionTextShowsTheThirdNumberUnlessItIsZero()
{
    QFETCH(QString, version);
    QFETCH(QString, expected);
    QFETCH(bool, logged);
    TVK_Test_LogCapture log;
    QCOMPARE(TVK_GUI_AboutDialog::versionText(version), expected);
    QCOMPARE(!log.matching(QStringLiteral("versionText() - incomplete version")).isEmpty(), logged);
}

void TestDialogs::createInsertsInOrderAndCloses_data()
{
    QTest::addColumn<QStringList>("created");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("b, a, c") << QStringList{"b", "a", "c"} << QStringList{"a", "b", "c"};
    QTest::newRow("equal names stay") << QStringList{"m", "a", "m", "z"} << QStringList{"a", "m", "m", "z"};
    QTest::newRow("case sorts capitals first") << QStringList{"b", "B", "a"} << QStringList{"B", "a", "b"};
}

void TestDialogs::createInsertsInOrderAndCloses()
{
    QFETCH(QStringList, created);
    QFETCH(QStringList, expected);

    QStringList profiles;
    for (const QString &name : created) {
        TVK_GUI_SaveProfileDialog dialog(profiles);
        auto *list = dialog.findChild<QListWidget *>("lwtProfiles");
        QCOMPARE(rows(list), profiles);
        dialog.show();
        dialog.findChild<QLineEdit *>()->setText(name);
        const QStringList before = profiles;
        QTest::mouseClick(dialog.findChild<QPushButton *>("pbnCreate"), Qt::LeftButton);
        QCOMPARE(profiles.size(), before.size() + 1);
        QCOMPARE(rows(list), profiles);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(profiles, expected);
}

void TestDialogs::createWithAnEmptyNameDoesNothing()
{
    QStringList profiles{"a", "b"};
    TVK_GUI_SaveProfileDialog dialog(profiles);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("pbnCreate"), Qt::LeftButton);
    QCOMPARE(profiles, (QStringList{"a", "b"}));
    QCOMPARE(rows(dialog.findChild<QListWidget *>("lwtProfiles")), profiles);
    QVERIFY(dialog.isVisible());
}

void TestDialogs::chooseClosesOnlyWithASelectionAndChangesNothing()
{
    QStringList profiles{"a", "b"};
    TVK_GUI_SaveProfileDialog dialog(profiles);
    QCOMPARE(dialog.findChild<QLabel *>("lblCreate")->text(), QStringLiteral("Create a new Profile:"));
    QCOMPARE(dialog.findChild<QLabel *>("lblChoose")->text(), QStringLiteral("Choose an existing Profile:"));
    auto *choose = dialog.findChild<QPushButton *>("pbnChoose");
    QCOMPARE(choose->text(), QStringLiteral("Choose"));
    QCOMPARE(dialog.findChild<QPushButton *>("pbnCreate")->text(), QStringLiteral("Create"));
    auto *list = dialog.findChild<QListWidget *>("lwtProfiles");
    dialog.show();

    // A typed name is no choice of an existing one.
    dialog.findChild<QLineEdit *>()->setText(QStringLiteral("c"));
    QTest::mouseClick(choose, Qt::LeftButton);
    QVERIFY(dialog.isVisible());

    list->setCurrentRow(1);
    QTest::mouseClick(choose, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(profiles, (QStringList{"a", "b"}));
    QCOMPARE(rows(list), profiles);
}

void TestDialogs::deleteRemovesTheSelectedNamesAndStaysOpen_data()
{
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<int>("droppedBehind");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("logged");
    QTest::newRow("nothing selected") << QStringList{"a", "b", "c"} << 0 << QList<int>{} << QStringList{"a", "b", "c"}
                                      << false;
    QTest::newRow("the middle one") << QStringList{"a", "b", "c"} << 0 << QList<int>{1} << QStringList{"a", "c"}
                                    << false;
    QTest::newRow("two equal names, the second")
        << QStringList{"a", "m", "m", "z"} << 0 << QList<int>{2} << QStringList{"a", "m", "z"} << false;
    QTest::newRow("first and last") << QStringList{"a", "b", "c", "d"} << 0 << QList<int>{3, 0}
                                    << QStringList{"b", "c"} << false;
    // The last name went while the dialog showed it: the row goes, nothing else.
    QTest::newRow("a name gone behind the dialog's back")
        << QStringList{"a", "b", "c"} << 1 << QList<int>{2} << QStringList{"a", "b"} << true;
}

void TestDialogs::deleteRemovesTheSelectedNamesAndStaysOpen()
{
    QFETCH(QStringList, profiles);
    QFETCH(int, droppedBehind);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, expected);
    QFETCH(bool, logged);

    TVK_GUI_DeleteProfilesDialog dialog(profiles);
    QCOMPARE(dialog.findChild<QLabel *>("lblChoose")->text(), QStringLiteral("Choose an existing Profile:"));
    auto *button = dialog.findChild<QPushButton *>("pbnDelete");
    QCOMPARE(button->text(), QStringLiteral("Delete"));
    auto *list = dialog.findChild<QListWidget *>("lwtProfiles");
    QCOMPARE(rows(list), profiles);
    dialog.show();
    profiles.erase(profiles.end() - droppedBehind, profiles.end());

    TVK_Test_LogCapture log;
    selectRows(list, selected);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(profiles, expected);
    QCOMPARE(rows(list), expected);
    QVERIFY(dialog.isVisible());
    QCOMPARE(!log.matching(QStringLiteral("no profile at row")).isEmpty(), logged);
}

// Two hundred failed transfers make one box, not two hundred: the newest
// text shows, the others are counted and listed, repeats folded, the list
// bounded. Closed, the next warning starts a new box of its own.
void TestDialogs::warningsJoinTheOneOpenBox()
{
    QWidget window;
    TVK_GUI_WarningBox warnings;
    warnings.warn(&window, QStringLiteral("Warning"), QString());
    QVERIFY(warnings.box() == nullptr);
    warnings.warn(&window, QStringLiteral("Warning"), QStringLiteral("first"));
    QPointer<QMessageBox> box = warnings.box();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QCOMPARE(box->parentWidget(), &window);
    QCOMPARE(box->text(), QStringLiteral("first"));
    QVERIFY(box->informativeText().isEmpty());

    for (int i = 0; i < 3; ++i)
        warnings.warn(&window, QStringLiteral("Warning"), QStringLiteral("again"));
    for (int i = 0; i < TVK_GUI_WarningBox::kKeptWarnings + 5; ++i)
        warnings.warn(&window, QStringLiteral("Warning"), QStringLiteral("picture %1").arg(i));
    QCOMPARE(warnings.box(), box.data());
    QCOMPARE(warnings.count(), 1 + 3 + TVK_GUI_WarningBox::kKeptWarnings + 5);
    QCOMPARE(box->text(), QStringLiteral("picture %1").arg(TVK_GUI_WarningBox::kKeptWarnings + 4));
    QVERIFY(box->informativeText().contains(QString::number(warnings.count() - 1)));
    const QStringList details = box->detailedText().split(QLatin1Char('\n'));
    QCOMPARE(details.size(), TVK_GUI_WarningBox::kKeptWarnings + 1);
    QCOMPARE(details.first(), QStringLiteral("(7 earlier warnings not listed)"));
    QCOMPARE(details.last(), box->text());

    // The repeats fold into one line while they are still listed.
    TVK_GUI_WarningBox repeats;
    for (int i = 0; i < 4; ++i)
        repeats.warn(&window, QStringLiteral("Warning"), QStringLiteral("disk full"));
    QCOMPARE(repeats.box()->detailedText(), QStringLiteral("disk full (4 times)"));

    box->close();
    QVERIFY(QTest::qWaitFor([&box]() { return box.isNull(); }, 5000));
    warnings.warn(&window, QStringLiteral("Warning"), QStringLiteral("later"));
    QVERIFY(warnings.box() != nullptr);
    QCOMPARE(warnings.count(), 1);
    QVERIFY(warnings.box()->detailedText().isEmpty());
}

void TestDialogs::dialogsDrawWithTheStyleSheet()
{
    QStringList profiles{"Landscape", "Portrait", "Studio"};
    TVK_GUI_AboutDialog about;
    TVK_GUI_SaveProfileDialog save(profiles);
    TVK_GUI_DeleteProfilesDialog remove(profiles);
    const QList<QPair<QString, QDialog *>> dialogs{{"about", &about}, {"saveprofile", &save}, {"deleteprofiles", &remove}};
    // For a look at them: TVK_DIALOG_SHOTS names a folder for the pictures.
    const QString folder = qEnvironmentVariable("TVK_DIALOG_SHOTS");
    for (const auto &entry : dialogs) {
        QVERIFY(TVK_GUI_Resources::applyStyleSheet(entry.second));
        entry.second->show();
        QVERIFY(QTest::qWaitForWindowExposed(entry.second));
        const QImage shot = entry.second->grab().toImage();
        // The corner shows the dialog background the style sheet gives.
        QCOMPARE(QColor(shot.pixel(1, 1)), QColor(0x33, 0x33, 0x33));
        if (!folder.isEmpty())
            QVERIFY(shot.save(QDir(folder).filePath(QStringLiteral("dialog_%1.png").arg(entry.first))));
    }
}

void TestDialogs::updateDialogOffersItsLinkAndCloses_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("opens");
    QTest::newRow("link") << QStringLiteral("pbnLink") << true;
    QTest::newRow("cancel") << QStringLiteral("Cancel") << false;
}

void TestDialogs::updateDialogOffersItsLinkAndCloses()
{
    QFETCH(QString, button);
    QFETCH(bool, opens);
    const QString link = QStringLiteral("https://owners.example/login");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    m_opened.clear();
    TVK_GUI_UpdateDialog dialog(nullptr, QStringLiteral("Check Updates"), QStringLiteral("Update available!"), link);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Check Updates"));
    QCOMPARE(dialog.size(), QSize(500, 150));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblText"))->text(), QStringLiteral("Update available!"));
    auto *linkButton = dialog.findChild<QPushButton *>(QStringLiteral("pbnLink"));
    QVERIFY(linkButton != nullptr);
    QCOMPARE(linkButton->text(), link);
    QVERIFY(linkButton->isFlat());

    QPushButton *pressed = linkButton;
    if (button != QLatin1String("pbnLink")) {
        pressed = nullptr;
        for (QPushButton *each : dialog.findChildren<QPushButton *>())
            if (each->text() == button)
                pressed = each;
    }
    QVERIFY(pressed != nullptr);
    dialog.show();
    pressed->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_opened, opens ? QList<QUrl>{QUrl(link)} : QList<QUrl>{});
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
