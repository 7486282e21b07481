// The panel's read-out of a picture in transfer: shown for a large or slow
// picture with its bytes, time left and bar, never for a small fast one, gone
// when the picture is saved, the series ends, a warning comes or the camera
// goes; and over the handle strip, so that nothing else in the panel moves.

#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_TransferProgressWidget.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include <memory>

namespace {

using Window = TVK_GUI_CameraArdo2;
using Progress = TVK_GUI_TransferProgressWidget;

constexpr qint64 kMB = 1000 * 1000;
const QString kBig = QStringLiteral("Pic0007.DNG");
const QString kSmall = QStringLiteral("Pic0008.JPG");

// One progress step as the controller reports it, at a time of the test's clock.
struct Step
{
    QString name;
    qint64 atMs;
    qint64 received;
    qint64 total;
};
using Course = QVector<Step>;

// Steps of one picture every stepMs, from..to bytes in equal parts.
Course evenSteps(const QString &name, qint64 total, qint64 from, qint64 to, int parts, qint64 stepMs,
                 qint64 startMs = 0)
{
    Course course;
    for (int i = 0; i <= parts; ++i)
        course.append({name, startMs + i * stepMs, from + (to - from) * i / parts, total});
    return course;
}

} // namespace

Q_DECLARE_METATYPE(Course)

class tst_TransferProgress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void timeLeftReadsAsPeopleSayIt_data();
    void timeLeftReadsAsPeopleSayIt();
    void readOutFollowsTheTransfer_data();
    void readOutFollowsTheTransfer();
    void transferEndHidesThePanelReadOut_data();
    void transferEndHidesThePanelReadOut();
    void aWarningHidesItUntilTheNextStep();
    void readOutMovesNothingInThePanel();

private:
    std::unique_ptr<Window> makeWindow();
    TVK_Logic_Controller *controller() const { return TVK_GUI_Application::instance()->controller(); }
    void feed(const Course &course);

    qint64 m_nowMs = 0;
};

void tst_TransferProgress::initTestCase()
{
    QVERIFY(TVK_GUI_Application::instance());
    QVERIFY(controller());
    TVK_GUI_Resources::initialize();
}

std::unique_ptr<Window> tst_TransferProgress::makeWindow()
{
    auto window = std::make_unique<Window>(TVK_GUI_Application::instance(), controller());
    m_nowMs = 0;
    window->transferProgress()->setClock([this]() { return m_nowMs; });
    return window;
}

// As the controller's own signal, so that the panel's wiring is part of it.
void tst_TransferProgress::feed(const Course &course)
{
    for (const Step &s : course) {
        m_nowMs = s.atMs;
        Q_EMIT controller()->signalTransferProgress(s.name, s.received, s.total);
    }
}

void tst_TransferProgress::timeLeftReadsAsPeopleSayIt_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");

    QTest::newRow("unknown") << qint64(-1) << QString();
    QTest::newRow("nothing left") << qint64(0) << QStringLiteral("0 s left");
    QTest::newRow("a part of a second is a second") << qint64(1) << QStringLiteral("1 s left");
    QTest::newRow("12 s") << qint64(11200) << QStringLiteral("12 s left");
    QTest::newRow("59 s and a bit") << qint64(59001) << QStringLiteral("60 s left");
    QTest::newRow("a minute") << qint64(60000) << QStringLiteral("about 1 min left");
    QTest::newRow("2 min") << qint64(100000) << QStringLiteral("about 2 min left");
    QTest::newRow("just under 90 min") << qint64(89 * 60000) << QStringLiteral("about 89 min left");
    QTest::newRow("hours") << qint64(3 * 3600000 + 600000) << QStringLiteral("about 3 h left");
}

void tst_TransferProgress::timeLeftReadsAsPeopleSayIt()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(Progress::remainingText(ms), text);
}

void tst_TransferProgress::readOutFollowsTheTransfer_data()
{
    QTest::addColumn<Course>("course");
    QTest::addColumn<QString>("shown");    // after each step: x shown, - hidden
    QTest::addColumn<QString>("lastText"); // of the last step shown
    QTest::addColumn<int>("lastBar");      // per mille; -1: no bar

    // 5 MB/s: the time left once half a second and 2 % have come.
    QTest::newRow("large picture at once, then the time left")
        << evenSteps(kBig, 50 * kMB, kMB / 2, 7 * kMB / 2, 6, 100) << QStringLiteral("xxxxxxx")
        << QStringLiteral("3.5 / 50.0 MB \u00b7 10 s left") << 70;
    QTest::newRow("large picture, too early for the time left")
        << evenSteps(kBig, 50 * kMB, kMB / 2, kMB, 1, 100) << QStringLiteral("xx")
        << QStringLiteral("1.0 / 50.0 MB") << 20;
    QTest::newRow("a large picture's minutes")
        << evenSteps(kBig, 200 * kMB, 0, 10 * kMB, 10, 1000) << QStringLiteral("xxxxxxxxxxx")
        << QStringLiteral("10.0 / 200.0 MB \u00b7 about 3 min left") << 50;
    QTest::newRow("small fast picture never shows")
        << evenSteps(kSmall, 3 * kMB, 0, 3 * kMB, 10, 30) << QStringLiteral("-----------") << QString() << 0;
    QTest::newRow("small picture of a slow link, after a second")
        << evenSteps(kSmall, 3 * kMB, kMB / 4, 2 * kMB, 5, 250) << QStringLiteral("----xx")
        << QStringLiteral("2.0 / 3.0 MB \u00b7 1 s left") << 666;
    QTest::newRow("saved: gone")
        << evenSteps(kBig, 50 * kMB, 10 * kMB, 50 * kMB, 2, 500) << QStringLiteral("xx-") << QString() << 0;
    QTest::newRow("no total: the bytes only")
        << evenSteps(kSmall, 0, kMB, 5 * kMB, 4, 300) << QStringLiteral("----x")
        << QStringLiteral("5.0 MB") << -1;
    QTest::newRow("more than the total: the bytes only")
        << Course{{kBig, 0, 9 * kMB, 10 * kMB}, {kBig, 200, 12 * kMB, 10 * kMB}} << QStringLiteral("xx")
        << QStringLiteral("12.0 MB") << -1;
    QTest::newRow("the next picture is small: gone")
        << Course{{kBig, 0, 20 * kMB, 50 * kMB}, {kSmall, 100, 20 * 1000, 2 * kMB}} << QStringLiteral("x-")
        << QString() << 0;
}

void tst_TransferProgress::readOutFollowsTheTransfer()
{
    QFETCH(Course, course);
    QFETCH(QString, shown);
    QFETCH(QString, lastText);
    QFETCH(int, lastBar);
    QCOMPARE(course.size(), shown.size());

    auto window = makeWindow();
    Progress *progress = window->transferProgress();
    QString seen;
    for (const Step &s : course) {
        feed({s});
        seen += progress->isHidden() ? QLatin1Char('-') : QLatin1Char('x');
    }
    QCOMPARE(seen, shown);
    if (progress->isHidden())
        return;
    QCOMPARE(progress->textLabel()->text(), lastText);
    QCOMPARE(progress->bar()->isHidden(), lastBar < 0);
    if (lastBar >= 0)
        QCOMPARE(progress->bar()->value(), lastBar);
}

void tst_TransferProgress::transferEndHidesThePanelReadOut_data()
{
    QTest::addColumn<QByteArray>("end");
    QTest::newRow("the series ends") << QByteArray("loading");
    QTest::newRow("the camera goes") << QByteArray("disconnected");
    QTest::newRow("saved") << QByteArray("saved");
}

void tst_TransferProgress::transferEndHidesThePanelReadOut()
{
    QFETCH(QByteArray, end);
    auto window = makeWindow();
    Progress *progress = window->transferProgress();
    Q_EMIT controller()->signalLoading(true);
    feed(evenSteps(kBig, 50 * kMB, kMB, 5 * kMB, 4, 200));
    QVERIFY(!progress->isHidden());
    QVERIFY(progress->estimate().isKnown());

    if (end == "loading")
        Q_EMIT controller()->signalLoading(false);
    else if (end == "disconnected")
        Q_EMIT controller()->signalCameraDisconnected();
    else
        feed({{kBig, 900, 50 * kMB, 50 * kMB}});
    QVERIFY(progress->isHidden());
    // Forgotten: a later step of a picture of the same name starts afresh.
    QVERIFY(progress->estimate().isEmpty());
}

// The panel hears a failed picture only as a warning, like any other; a
// warning that was about something else must not lose the picture's rate.
void tst_TransferProgress::aWarningHidesItUntilTheNextStep()
{
    auto window = makeWindow();
    Progress *progress = window->transferProgress();
    feed(evenSteps(kBig, 50 * kMB, kMB, 5 * kMB, 4, 200));
    QVERIFY(!progress->isHidden());

    Q_EMIT controller()->signalWarning(QStringLiteral("The picture Pic0007.DNG could not be saved."));
    QVERIFY(progress->isHidden());

    feed({{kBig, 1000, 6 * kMB, 50 * kMB}});
    QVERIFY(!progress->isHidden());
    QCOMPARE(progress->textLabel()->text(), QStringLiteral("6.0 / 50.0 MB \u00b7 9 s left"));
}

void tst_TransferProgress::readOutMovesNothingInThePanel()
{
    auto window = makeWindow();
    TVK_GUI_Resources::applyStyleSheet(window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const char *const parts[] = {"lblCameraBody", "lblCameraHandle", "wgtViewFinder", "wgtLoadIndicator",
                                 "wgtLoadCounter", "symBattInt", "symBattExt", "tbnMinGUI", "pbnCapture", "tabWidget"};
    const auto geometries = [&window, &parts]() {
        QStringList lines;
        for (const char *name : parts) {
            const auto *widget = window->findChild<QWidget *>(QLatin1String(name));
            const QRect r = widget ? QRect(widget->mapTo(window.get(), QPoint()), widget->size()) : QRect();
            lines << QStringLiteral("%1 %2,%3 %4x%5").arg(QLatin1String(name)).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        }
        return lines;
    };
    const QStringList before = geometries();
    const QSize windowSize = window->size();

    Progress *progress = window->transferProgress();
    feed(evenSteps(kBig, 96 * kMB, kMB, 41 * kMB, 40, 100));
    QTRY_VERIFY(progress->isVisible());
    // The layouts' posted requests done, so that any move they make is seen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(geometries(), before);
    QCOMPARE(window->size(), windowSize);

    // Inside the strip, with room for its text.
    auto *handle = window->findChild<QWidget *>(QStringLiteral("lblCameraHandle"));
    QCOMPARE(progress->parentWidget(), handle);
    QVERIFY(handle->rect().contains(progress->geometry()));
    const QLabel *text = progress->textLabel();
    QVERIFY(text->text().endsWith(QStringLiteral(" s left")));
    QVERIFY2(text->width() >= text->sizeHint().width(),
             qPrintable(QStringLiteral("%1 px for %2; read-out %3x%4 at %5,%6, bar %7")
                            .arg(text->width()).arg(text->sizeHint().width())
                            .arg(progress->width()).arg(progress->height()).arg(progress->x()).arg(progress->y())
                            .arg(progress->bar()->width())));
    QVERIFY(window->grab().save(QStringLiteral("/tmp/panel_ardo_transfer.png")));
}

int main(int argc, char *argv[])
{
    TVK_Test_Home home;
    TVK_Test_CameraRig::Options options;
    options.controller = false; // the application's
    options.plugged = false;    // no camera: the panel is fed by hand
    TVK_Test_CameraRig rig(options);
    TVK_GUI_Settings::registerXmlFormat();
    int result = 0;
    {
        TVK_GUI_Application app(argc, argv);
        tst_TransferProgress test;
        result = QTest::qExec(&test, argc, argv);
    }
    TVK_GUI_Settings::destroyInstance();
    return result;
}

#include "tst_transferprogress.moc"
