// Renders every widget of the look and feel in its typical states to PNG
// files, plus a labelled contact sheet, so that a change of pictures, style
// sheet or layout can be reviewed by eye.
//
//   tvk_gallery OUTPUT_FOLDER [--scale N] [--product ID]
//
// --scale N renders at device-pixel ratio N (through QT_SCALE_FACTOR) and
// writes only the shots that show the high-resolution pictures, named
// NAME@Nx.png, with the sheet gallery@Nx.png.
//
// After the widgets come the program's own windows: the application object
// runs with an emulated camera (product 0x2031 unless --product ID names
// another) plugged in only once the no-camera window has been taken, then
// the camera window, full and as the minimal panel, each also with a large
// picture on its way. With --product only the camera windows are taken
// (window_camera_ID.png, window_camera_ID_minimal.png and their _transfer).

#include "TVK_Color_Clipping.h"
#include "TVK_Color_FocusPeaking.h"
#include "TVK_Color_FrameAids.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_GUI_AidsOverlay.h"
#include "TVK_GUI_7SegmentLoadCounterWidget.h"
#include "TVK_GUI_Application.h"
#include "TVK_GUI_CameraArdo2.h"
#include "TVK_GUI_Capture.h"
#include "TVK_GUI_DirPathWidget.h"
#include "TVK_GUI_File.h"
#include "TVK_GUI_FocusDistanceWidget.h"
#include "TVK_GUI_ImageViewer.h"
#include "TVK_GUI_LiveViewInfoWidget.h"
#include "TVK_GUI_LoadIndicatorWidget.h"
#include "TVK_GUI_Loupe.h"
#include "TVK_GUI_NoCamera.h"
#include "TVK_GUI_Resources.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_TransferProgressWidget.h"
#include "TVK_GUI_ViewAidsToolBar.h"
#include "TVK_GUI_ViewFinderArdo.h"
#include "TVK_GUI_ViewFinderBelo.h"
#include "TVK_Logic_Controller.h"
#include "TVK_Test_CameraRig.h"
#include "TVK_Test_Home.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTextStream>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

struct Shot
{
    QString name;
    QImage image; // physical pixels
};

// Each widget sits alone in a dark, styled main window, as it would in the
// program; the window is grabbed so that the background the style sheet
// gives is part of the picture.
class Gallery
{
public:
    Gallery(const QString &folder, int scale)
        : m_folder(folder)
        , m_scale(scale)
    {
    }

    // Places the widget in a fresh host window and shows it; the host owns it.
    template <class W>
    W *host(W *widget)
    {
        m_host = std::make_unique<QMainWindow>();
        m_host->setObjectName(QStringLiteral("wndGalleryHost"));
        if (!TVK_GUI_Resources::applyStyleSheet(m_host.get()))
            std::fprintf(stderr, "tvk_gallery: the style sheet is missing; pictures are unstyled\n");
        auto *frame = new QWidget;
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
        layout->addWidget(widget);
        // Keeps the widget at the height it asks for when the window is taller.
        layout->addStretch(1);
        m_host->setCentralWidget(frame);
        m_subject = widget;
        m_host->show();
        settle();
        return widget;
    }

    // Grabs the current host window. atScale: also wanted in the scaled run.
    void shoot(const QString &name, bool atScale = false)
    {
        if (m_scale != 1 && !atScale)
            return;
        settle();
        // The window may be larger than the widget asks for (a minimum size of
        // the platform); the picture keeps only the widget and a dark margin.
        const QRect area(m_subject->mapTo(m_host.get(), QPoint(0, 0)), m_subject->size());
        const QPixmap pixmap = m_host->grab(area.adjusted(-kMargin, -kMargin, kMargin, kMargin) & m_host->rect());
        const QString fileName = m_scale == 1 ? name : QStringLiteral("%1@%2x").arg(name).arg(m_scale);
        const QString path = QDir(m_folder).filePath(fileName + QStringLiteral(".png"));
        if (!pixmap.save(path)) {
            std::fprintf(stderr, "tvk_gallery: cannot write %s\n", qPrintable(path));
            m_failed = true;
            return;
        }
        QImage image = pixmap.toImage();
        image.setDevicePixelRatio(1.0);
        std::printf("%-44s %4dx%-4d dpr %.0f%s\n", qPrintable(fileName + QStringLiteral(".png")), image.width(),
                    image.height(), pixmap.devicePixelRatio(), looksEmpty(image) ? "  (one colour only)" : "");
        m_shots.push_back({fileName, image});
    }

    // Grabs a top-level window of the program as it is, without a host.
    void shootWindow(const QString &name, QWidget *window)
    {
        settle();
        const QPixmap pixmap = window->grab();
        const QString fileName = m_scale == 1 ? name : QStringLiteral("%1@%2x").arg(name).arg(m_scale);
        const QString path = QDir(m_folder).filePath(fileName + QStringLiteral(".png"));
        if (!pixmap.save(path)) {
            std::fprintf(stderr, "tvk_gallery: cannot write %s\n", qPrintable(path));
            m_failed = true;
            return;
        }
        QImage image = pixmap.toImage();
        image.setDevicePixelRatio(1.0);
        std::printf("%-44s %4dx%-4d dpr %.0f (window %dx%d)\n", qPrintable(fileName + QStringLiteral(".png")),
                    image.width(), image.height(), pixmap.devicePixelRatio(), window->width(), window->height());
        m_shots.push_back({fileName, image});
    }

    void fail() { m_failed = true; }

    bool writeSheet(const QString &stem = QStringLiteral("gallery"))
    {
        const QString name = m_scale == 1 ? stem : QStringLiteral("%1@%2x").arg(stem).arg(m_scale);
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        const QImage sheet = contactSheet();
        if (!sheet.save(path)) {
            std::fprintf(stderr, "tvk_gallery: cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%-44s %4dx%-4d (contact sheet)\n", qPrintable(name + QStringLiteral(".png")), sheet.width(),
                    sheet.height());
        return !m_failed;
    }

    static void settle()
    {
        // Layouts, polish and pending repaints all go through the event loop.
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

private:
    static constexpr int kMargin = 8;

    static bool looksEmpty(const QImage &image)
    {
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != first)
                    return false;
        return true;
    }

    // Rows of pictures, each framed and labelled with its file name, on a
    // background lighter than the host windows so that their edges show.
    QImage contactSheet() const
    {
        constexpr int kSheetWidth = 1800;
        constexpr int kGap = 14;
        QFont font = QApplication::font();
        font.setPixelSize(12);
        const QFontMetrics metrics(font);
        const int labelHeight = metrics.height() + 4;

        struct Placed
        {
            const Shot *shot;
            QPoint at;
        };
        std::vector<Placed> placed;
        int x = kGap;
        int y = kGap;
        int rowHeight = 0;
        for (const Shot &shot : m_shots) {
            const int w = qMax(shot.image.width(), metrics.horizontalAdvance(shot.name + QStringLiteral(".png")));
            if (x > kGap && x + w > kSheetWidth) {
                x = kGap;
                y += rowHeight + kGap;
                rowHeight = 0;
            }
            placed.push_back({&shot, QPoint(x, y)});
            x += w + kGap;
            rowHeight = qMax(rowHeight, shot.image.height() + labelHeight);
        }
        const int height = y + rowHeight + kGap;

        QImage sheet(kSheetWidth, height, QImage::Format_RGB32);
        sheet.fill(QColor(0x6a, 0x6a, 0x70));
        QPainter painter(&sheet);
        painter.setFont(font);
        for (const Placed &p : placed) {
            painter.setPen(QColor(0xff, 0xff, 0xff));
            painter.drawText(QRect(p.at.x(), p.at.y(), kSheetWidth, labelHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             p.shot->name + QStringLiteral(".png"));
            const QPoint imageAt(p.at.x(), p.at.y() + labelHeight);
            painter.drawImage(imageAt, p.shot->image);
            painter.setPen(QColor(0x00, 0xc8, 0xff));
            painter.drawRect(QRect(imageAt - QPoint(1, 1), p.shot->image.size() + QSize(1, 1)));
        }
        return sheet;
    }

    QString m_folder;
    int m_scale;
    std::unique_ptr<QMainWindow> m_host;
    QWidget *m_subject = nullptr;
    std::vector<Shot> m_shots;
    bool m_failed = false;
};

const QStringList kApertures{"f/1.4", "f/2", "f/2.8", "f/4", "f/5.6", "f/8", "f/11", "f/16", "f/22"};
const QStringList kShutterTimes{"B", "30s", "15s", "8s", "4s", "2s", "1s", "1/2", "1/4", "1/8", "1/15",
                                "1/30", "1/60", "1/125", "1/250", "1/500", "1/1000", "1/2000", "1/4000"};
const QStringList kSensitivities{"Auto ISO", "100", "200", "400", "800", "1600", "3200", "6400"};
const QStringList kExposCompens{"-3.0", "-2.0", "-1.0", "-0.3", "0.0", "+0.3", "+1.0", "+2.0", "+3.0"};
const QStringList kMetering{"Spot", "Center-weighted", "Multi-field"};
const QStringList kWhiteBalance{"Auto", "Daylight", "Cloudy", "Shade", "Tungsten", "Fluorescent", "Flash",
                                "Kelvin"};
const QStringList kWhiteBalTemp{"2500 K", "3200 K", "4300 K", "5600 K", "6500 K", "7500 K"};
const QStringList kDriveModes{"Single", "Continuous Low", "Continuous High", "Self-timer 2s", "Bracketing",
                              "Interval"};

struct ModeShot {
    int mode;
    const char *letter;
};

// What both viewfinders show alike: each exposure mode's letter, and the
// light balance beyond either end of its scale.
void shootModesAndLightBalance(Gallery &gallery, TVK_GUI_ViewFinderBase *vf, const char *variant,
                               std::initializer_list<ModeShot> modes)
{
    const QString prefix = QStringLiteral("viewfinder_%1_").arg(QLatin1String(variant));
    for (const ModeShot &m : modes) {
        vf->setExposureMode(m.mode);
        gallery.shoot(prefix + QStringLiteral("mode_") + QLatin1String(m.letter));
    }
    vf->setExposureMode(0);
    vf->setLightBalance(3);
    gallery.shoot(prefix + QStringLiteral("lightbal_plus3"), true);
    vf->setLightBalance(-7);
    gallery.shoot(prefix + QStringLiteral("lightbal_minus7"));
    vf->setLightBalance(0);
}

void shootViewFinderArdo(Gallery &gallery)
{
    const auto typical = [](TVK_GUI_ViewFinderArdo *vf) {
        vf->set3DAxisVisible(true);
        vf->set3DAxisAngles(0.0, 0.0);
        vf->setHasAperture(true);
        vf->setAperture(QStringLiteral("2.8"));
        vf->setShutterTime(QStringLiteral("1/250"));
        vf->setExposureMode(0);
        vf->setExposMetering(2);
        vf->setHasFlashStatus(true);
        vf->setFlashStatus(0);
        vf->setLightBalance(0);
        vf->setHasFocusConfirmation(true);
        vf->setNoFocusConfirmation();
        vf->setExposCompens(0);
    };

    auto *vf = gallery.host(new TVK_GUI_ViewFinderArdo);
    gallery.shoot(QStringLiteral("viewfinder_ardo_blank"));
    typical(vf);
    gallery.shoot(QStringLiteral("viewfinder_ardo_manual"), true);

    shootModesAndLightBalance(gallery, vf, "ardo", {{3, "P"}, {2, "A"}, {1, "T"}});

    const struct
    {
        int value;
        const char *name;
    } focus[] = {{0, "center"}, {2, "left"}, {-1, "rightcenter"}};
    for (const auto &f : focus) {
        vf->setFocusConfirmation(f.value);
        gallery.shoot(QStringLiteral("viewfinder_ardo_focus_%1").arg(QLatin1String(f.name)));
    }
    vf->setNoFocusConfirmation();

    vf->set3DAxisAngles(4.0, 2.5);
    gallery.shoot(QStringLiteral("viewfinder_ardo_level_tilted_slightly"));
    // Beyond ten degrees the end marks blink, one phase per update: both phases.
    vf->set3DAxisAngles(12.0, -6.0);
    gallery.shoot(QStringLiteral("viewfinder_ardo_level_tilted"), true);
    vf->set3DAxisAngles(12.5, -6.5);
    gallery.shoot(QStringLiteral("viewfinder_ardo_level_tilted_phase2"));
    vf->set3DAxisAngles(0.0, 0.0);

    vf->setExposCompens(1);
    vf->setFlashStatus(1);
    vf->setFlashXSymbol(true);
    gallery.shoot(QStringLiteral("viewfinder_ardo_compens_flash"));
    vf->setExposCompens(0);
    vf->setFlashStatus(0);
    vf->setFlashXSymbol(false);

    vf->setShutterTime(QStringLiteral("B"));
    vf->setBulbCounter(17);
    gallery.shoot(QStringLiteral("viewfinder_ardo_bulb"), true);
    vf->setShutterTime(QStringLiteral("1/250"));

    vf->setSelfTimerCounter(10);
    gallery.shoot(QStringLiteral("viewfinder_ardo_selftimer"));
    vf->setSelfTimerCounter(-1);
    gallery.shoot(QStringLiteral("viewfinder_ardo_selftimer_ended"));
    vf->setShutterTime(QStringLiteral("1/250"));

    vf->setHasAperture(false);
    vf->set3DAxisVisible(false);
    vf->setHasFocusConfirmation(false);
    gallery.shoot(QStringLiteral("viewfinder_ardo_no_aperture_level_focus"));
}

void shootViewFinderBelo(Gallery &gallery)
{
    auto *vf = gallery.host(new TVK_GUI_ViewFinderBelo);
    gallery.shoot(QStringLiteral("viewfinder_belo_blank"));

    vf->setHasAperture(true);
    vf->setAperture(QStringLiteral("2.8"));
    vf->setShutterTime(QStringLiteral("1/250"));
    vf->setExposCompensStep(333);
    vf->setExposCompens(0);
    vf->setLightBalance(0);
    vf->setSensitivity(400);
    vf->setSensitivityAuto(false);
    vf->setExposureSimulation(0);
    vf->setFlashStatus(0);
    vf->setExposureMode(0);
    gallery.shoot(QStringLiteral("viewfinder_belo_manual"), true);

    shootModesAndLightBalance(gallery, vf, "belo", {{1, "S"}, {2, "A"}, {3, "P"}, {5, "Pstar"}});

    vf->setExposureMode(2);
    vf->setExposCompens(1000);
    vf->setSensitivityAuto(true);
    vf->setSensitivity(1600);
    vf->setExposureSimulation(3);
    vf->setFlashStatus(1);
    gallery.shoot(QStringLiteral("viewfinder_belo_compens_isoauto_sim_flash"));
    vf->setExposCompensStep(500);
    vf->setExposCompens(-1500);
    gallery.shoot(QStringLiteral("viewfinder_belo_compens_halfsteps_minus1.5"));
    vf->setExposCompensStep(333);
    vf->setExposCompens(0);
    vf->setSensitivityAuto(false);
    vf->setExposureSimulation(0);
    vf->setFlashStatus(0);
    vf->setExposureMode(0);

    vf->setShutterTime(QStringLiteral("4m"));
    gallery.shoot(QStringLiteral("viewfinder_belo_minutes"));

    vf->setShutterTime(QStringLiteral("B"));
    vf->setBulbCounter(17);
    gallery.shoot(QStringLiteral("viewfinder_belo_bulb"), true);
    vf->setBulbCounter(-1);
    vf->setShutterTime(QStringLiteral("1/250"));

    vf->setHasAperture(false);
    gallery.shoot(QStringLiteral("viewfinder_belo_no_aperture"));
}

void shootLoadWidgets(Gallery &gallery)
{
    auto *counter = gallery.host(new TVK_GUI_7SegmentLoadCounterWidget);
    for (int n : {7, 150, 0}) {
        counter->setCounter(n);
        gallery.shoot(QStringLiteral("loadcounter_%1").arg(n), n == 7);
    }

    auto *indicator = gallery.host(new TVK_GUI_LoadIndicatorWidget);
    gallery.shoot(QStringLiteral("loadindicator_idle"));
    // Steps the animation by its own timer slot instead of waiting for the timer.
    for (int frame = 1; frame <= 3; ++frame)
        QMetaObject::invokeMethod(indicator, "catchLoadImageTimer");
    gallery.shoot(QStringLiteral("loadindicator_frame3"), true);
}

void fillCapture(TVK_GUI_Capture *tab)
{
    tab->setExposureModeList({"P", "M", "A", "T"});
    tab->setExposMeteringList(kMetering);
    tab->setExposMetering(QStringLiteral("Multi-field"));
    tab->setHasAperture(true);
    tab->setApertureList(kApertures);
    tab->setAperture(QStringLiteral("f/2.8"));
    tab->setShutterTimeList(kShutterTimes);
    tab->setShutterTime(QStringLiteral("1/250"));
    tab->setExposCompensList(kExposCompens);
    tab->setExposCompens(QStringLiteral("0.0"));
    tab->setSensitivityList(kSensitivities);
    tab->setSensitivityAuto(false);
    tab->setSensitivity(QStringLiteral("400"));
    tab->setHasWhiteBalance(true);
    tab->setWhiteBalanceList(kWhiteBalance);
    tab->setWhiteBalance(QStringLiteral("Daylight"));
    tab->setWhiteBalTempList(kWhiteBalTemp);
    tab->setWhiteBalTemp(QStringLiteral("5600 K"));
    tab->setIsWhiteBalTemp(false);
    tab->setDriveModeList(kDriveModes);
    tab->setDriveMode(0);
    tab->setDriveMode(QStringLiteral("Single"));
    tab->setBracketImgNumList({"3", "5", "7", "9"});
    tab->setBracketImgNum(QStringLiteral("5"));
    tab->setBracketDeltaEVList({"0.3", "0.5", "0.7", "1.0", "2.0", "3.0"});
    tab->setBracketDeltaEV(QStringLiteral("1.0"));
    tab->setIntervalFramesRange(1, 999);
    tab->setIntervalFramesList({"10", "50", "100", "500"});
    tab->setIntervalFrames(100);
    tab->setIntervalTimeRange(1, 3600);
    tab->setIntervalTimeList({"2", "5", "10", "30", "60"});
    tab->setIntervalTime(10);
    tab->setIsIntervalMode(false);
    tab->setHasFocusMode(true);
    tab->setFocusMode(0);
    tab->setHasFocusDistance(true);
    tab->setFocusIsUnitFeet(false);
    tab->setFocusMinDistance(QStringLiteral("0.5"));
    tab->setFocusMaxDistance(QStringLiteral("10"));
    tab->setFocusDistance(QStringLiteral("2"));
    tab->setExposureMode(0);
}

void shootCapture(Gallery &gallery)
{
    auto *tab = gallery.host(new TVK_GUI_Capture);
    gallery.shoot(QStringLiteral("capture_blank"));
    fillCapture(tab);
    gallery.shoot(QStringLiteral("capture_manual"), true);

    tab->setExposureMode(3);
    tab->setSensitivityAuto(true);
    tab->setSensitivity(QStringLiteral("Auto ISO"));
    tab->setIsWhiteBalTemp(true);
    tab->setWhiteBalance(QStringLiteral("Kelvin"));
    tab->setFocusMode(2);
    gallery.shoot(QStringLiteral("capture_program_autoiso_kelvin"));

    tab->setExposureMode(0);
    tab->setDriveMode(4);
    tab->setDriveMode(QStringLiteral("Bracketing"));
    gallery.shoot(QStringLiteral("capture_drive4_bracketing"));

    tab->setDriveMode(5);
    tab->setDriveMode(QStringLiteral("Interval"));
    tab->setIsIntervalMode(true);
    gallery.shoot(QStringLiteral("capture_drive5_interval"));
    tab->setIsIntervalMode(false);
    gallery.shoot(QStringLiteral("capture_drive5_interval_inactive"));

    tab->setDriveMode(0);
    tab->setHasAperture(false);
    tab->setHasWhiteBalance(false);
    tab->setHasFocusMode(false);
    gallery.shoot(QStringLiteral("capture_no_aperture_wb_focusmode"));

    // The size the tab was drawn for, narrower and taller than its own wish.
    auto *designed = gallery.host(new TVK_GUI_Capture);
    fillCapture(designed);
    designed->setFixedSize(356, 503);
    gallery.shoot(QStringLiteral("capture_manual_356x503"));
}

void fillFile(TVK_GUI_File *tab)
{
    tab->setFileFormatList({"DNG", "DNG + JPG", "DNG + JPG (fine)", "JPG", "JPG (fine)", "None"});
    tab->setFileFormat(QStringLiteral("DNG + JPG"));
    tab->setFileFormat(1);
    tab->setHasDngCompression(true);
    tab->setUseDngCompression(true);
    tab->setDngCompressionList({"Uncompressed", "Lossless"});
    tab->setDngCompression(QStringLiteral("Lossless"));
    tab->setHasJpgColorSpace(true);
    tab->setUseJpgColorSpace(true);
    tab->setJpgColorSpaceList({"sRGB", "Adobe RGB", "ECI RGB v2"});
    tab->setJpgColorSpace(QStringLiteral("sRGB"));
    tab->setHasJpgResolution(true);
    tab->setUseJpgResolution(true);
    tab->setJpgResolutionList({"24 MP", "12 MP", "6 MP", "1.7 MP"});
    tab->setJpgResolution(QStringLiteral("24 MP"));
    tab->setHasSensorFormat(true);
    tab->setSensorFormatList({"Full frame", "APS-C"});
    tab->setSensorFormat(QStringLiteral("Full frame"));
    tab->setHasPhotoAspectRatio(true);
    tab->setPhotoAspectRatioList({"3:2", "4:3", "16:9", "1:1"});
    tab->setPhotoAspectRatio(QStringLiteral("3:2"));
    tab->setDngPath(QDir::homePath() + QStringLiteral("/Pictures/DNG"));
    tab->setJpgPath(QDir::homePath() + QStringLiteral("/Pictures/JPG"));
    tab->setPictureIndex(123);
    tab->setPictureName(QStringLiteral("NRBA"));
    tab->setPictureExample(QStringLiteral("NRBA0123.DNG"));
}

void shootFile(Gallery &gallery)
{
    auto *tab = gallery.host(new TVK_GUI_File);
    gallery.shoot(QStringLiteral("file_blank"));
    fillFile(tab);
    gallery.shoot(QStringLiteral("file_dng_jpg"), true);

    tab->setFileFormat(QStringLiteral("DNG"));
    tab->setFileFormat(0);
    tab->setUseJpgColorSpace(false);
    tab->setUseJpgResolution(false);
    tab->setPictureExample(QStringLiteral("Holiday_in_the_mountains_with_a_very_long_file_name_1000123.DNG"));
    gallery.shoot(QStringLiteral("file_dng_only_long_example"));

    tab->setFileFormat(QStringLiteral("None"));
    tab->setFileFormat(5);
    tab->setHasDngCompression(false);
    tab->setHasSensorFormat(false);
    tab->setHasPhotoAspectRatio(false);
    gallery.shoot(QStringLiteral("file_none_fewer_settings"));

    auto *designed = gallery.host(new TVK_GUI_File);
    fillFile(designed);
    designed->setFixedSize(356, 503);
    gallery.shoot(QStringLiteral("file_dng_jpg_356x503"));
}

void shootFocusAndFolder(Gallery &gallery)
{
    auto *focus = gallery.host(new TVK_GUI_FocusDistanceWidget);
    gallery.shoot(QStringLiteral("focusdistance_blank"));
    focus->setIsUnitFeet(false);
    focus->setMinDistance(QStringLiteral("0.5"));
    focus->setMaxDistance(QStringLiteral("10"));
    focus->setCurrDistance(QStringLiteral("2"));
    gallery.shoot(QStringLiteral("focusdistance_2m"), true);
    focus->setCurrDistance(QStringLiteral("Infinity"));
    gallery.shoot(QStringLiteral("focusdistance_infinity"));
    focus->setIsUnitFeet(true);
    focus->setCurrDistance(QStringLiteral("6.5"));
    gallery.shoot(QStringLiteral("focusdistance_feet"));
    focus->setEnabled(false);
    gallery.shoot(QStringLiteral("focusdistance_disabled"));

    auto *folder = gallery.host(new TVK_GUI_DirPathWidget);
    folder->setPath(QDir::homePath());
    gallery.shoot(QStringLiteral("dirpath_home"), true);
    folder->setEnabled(false);
    gallery.shoot(QStringLiteral("dirpath_disabled"));
}

// A button sized to its resting picture, as the panel lays them out.
template <class B>
B *pictureButton(const char *objectName, const QString &picture)
{
    auto *button = new B;
    button->setObjectName(QLatin1String(objectName));
    const QPixmap pixmap(picture);
    if (pixmap.isNull())
        std::fprintf(stderr, "tvk_gallery: picture %s is missing\n", qPrintable(picture));
    else
        button->setFixedSize(pixmap.size() / pixmap.devicePixelRatio());
    return button;
}

void repolish(QWidget *widget)
{
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void shootButtons(Gallery &gallery)
{
    auto *release = gallery.host(
        pictureButton<QPushButton>("pbnCapture", QStringLiteral(":/TVK_GUI/images/ReleaseButton_OFF_notPressed.png")));
    for (int state = 0; state <= 3; ++state) {
        release->setProperty("PowerSwitch", state);
        repolish(release);
        gallery.shoot(QStringLiteral("release_powerswitch%1").arg(state), true);
    }
    release->setDown(true);
    repolish(release);
    gallery.shoot(QStringLiteral("release_powerswitch3_pressed"));

    const struct
    {
        const char *objectName;
        const char *picture;
        const char *file;
    } tools[] = {
        {"tbnKeyLock", "KeyLockButton_notChecked", "toolbutton_keylock"},
        {"tbnLVPhoto", "LiveViewPhotoButton_notChecked", "toolbutton_lvphoto"},
        {"tbnMirrorUp", "MirrorButton_notChecked", "toolbutton_mirrorup"},
        {"tbnQuickView", "QuickViewButton_notChecked", "toolbutton_quickview"},
        {"tbnMinGUI", "MinGUI_notChecked", "toolbutton_mingui"},
    };
    for (const auto &tool : tools) {
        auto *button = gallery.host(pictureButton<QToolButton>(
            tool.objectName, QStringLiteral(":/TVK_GUI/images/%1.png").arg(QLatin1String(tool.picture))));
        button->setCheckable(true);
        button->setChecked(false);
        gallery.shoot(QStringLiteral("%1_unchecked").arg(QLatin1String(tool.file)), true);
        button->setChecked(true);
        gallery.shoot(QStringLiteral("%1_checked").arg(QLatin1String(tool.file)), true);
    }

    auto *plain = gallery.host(new QToolButton);
    plain->setText(QStringLiteral("AF"));
    plain->setCheckable(true);
    gallery.shoot(QStringLiteral("toolbutton_plain_unchecked"));
    plain->setChecked(true);
    gallery.shoot(QStringLiteral("toolbutton_plain_checked"));
}

void shootStandardWidgets(Gallery &gallery)
{
    auto *edit = gallery.host(new QLineEdit(QStringLiteral("NRBA0123")));
    edit->setMinimumWidth(200);
    gallery.shoot(QStringLiteral("lineedit_enabled"));
    edit->setEnabled(false);
    gallery.shoot(QStringLiteral("lineedit_disabled"), true);

    auto *combo = gallery.host(new QComboBox);
    combo->addItems(kShutterTimes);
    combo->setCurrentText(QStringLiteral("1/250"));
    combo->setMinimumWidth(160);
    gallery.shoot(QStringLiteral("combobox_enabled"), true);
    combo->setEnabled(false);
    gallery.shoot(QStringLiteral("combobox_disabled"));

    auto *slider = gallery.host(new QSlider(Qt::Horizontal));
    slider->setRange(0, 100);
    slider->setValue(40);
    slider->setMinimumWidth(240);
    gallery.shoot(QStringLiteral("slider"), true);

    auto *tabs = gallery.host(new QTabWidget);
    tabs->addTab(new QLabel(QStringLiteral("Camera settings go here")), QStringLiteral("Camera Settings"));
    tabs->addTab(new QLabel(QStringLiteral("File settings go here")), QStringLiteral(" File Settings"));
    tabs->setMinimumSize(360, 120);
    gallery.shoot(QStringLiteral("tabwidget_first"), true);
    tabs->setCurrentIndex(1);
    gallery.shoot(QStringLiteral("tabwidget_second"));
}

// A bright sun that blows out, a black shadow band that blocks up and sharp
// edges for the peaking, as a live view frame could show them.
QImage aidsScene(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(70, 110, 170));
    sky.setColorAt(0.6, QColor(170, 190, 210));
    sky.setColorAt(0.61, QColor(90, 120, 60));
    sky.setColorAt(1, QColor(40, 60, 30));
    painter.fillRect(image.rect(), sky);
    painter.fillRect(QRect(0, size.height() * 7 / 8, size.width(), size.height() / 8), Qt::black);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 4), size.height() / 8, size.height() / 8);
    painter.setBrush(QColor(60, 40, 30));
    painter.drawRect(size.width() / 5, size.height() / 3, size.width() / 8, size.height() / 3);
    return image;
}

TVK_Color_FrameAids aidsOf(const QImage &image)
{
    TVK_Color_FrameAids aids;
    aids.sourceKey = image.cacheKey();
    aids.sourceSize = image.size();
    aids.hasHistogram = true;
    aids.histogram = TVK_Color_Histogram::of(image);
    aids.clipping = TVK_Color_Clipping().marks(image);
    aids.peaking = TVK_Color_FocusPeaking().marks(image);
    return aids;
}

void shootViewingAids(Gallery &gallery)
{
    auto *viewer = gallery.host(new TVK_GUI_ImageViewer);
    viewer->setWantColorMatch(false);
    viewer->setFixedSize(480, 320);
    const QImage frame = aidsScene(QSize(480, 320));
    TVK_GUI_AidsOverlay *overlay = viewer->overlay();
    const auto show = [&](const TVK_GUI_ViewAids &aids, int rotation) {
        overlay->setAids(aids);
        overlay->setRotation(rotation);
        viewer->setFrame(QPixmap::fromImage(frame.transformed(QTransform().rotate(rotation))), aidsOf(frame));
    };
    TVK_GUI_ViewAids aids;
    aids.analysis.histogram = true;
    aids.guide = TVK_GUI_ViewAids::kLEThirds;
    show(aids, 0);
    viewer->setZoomInfo(0, 0, 0.8, 0.8); // the histogram leaves the cross's corner
    gallery.shoot(QStringLiteral("viewer_aids_thirds_histogram"));
    aids.histogramKind = TVK_GUI_ViewAids::kLERgb;
    aids.histogramLogarithmic = true;
    aids.guide = TVK_GUI_ViewAids::kLEGrid;
    aids.crop = TVK_GUI_ViewAids::kLECrop4x5;
    show(aids, 0);
    gallery.shoot(QStringLiteral("viewer_aids_grid_crop_rgblog"));
    aids = TVK_GUI_ViewAids();
    aids.analysis.clipping = true;
    aids.analysis.peaking = true;
    aids.peakingColour = TVK_GUI_ViewAids::kLEYellow;
    aids.guide = TVK_GUI_ViewAids::kLEGolden;
    show(aids, 0);
    gallery.shoot(QStringLiteral("viewer_aids_clipping_peaking"));
    // Held upright: the marks turn with the picture and 16:9 stands up.
    aids.crop = TVK_GUI_ViewAids::kLECrop16x9;
    aids.guide = TVK_GUI_ViewAids::kLEDiagonals;
    show(aids, 90);
    gallery.shoot(QStringLiteral("viewer_aids_turned_90"));
    aids = TVK_GUI_ViewAids();
    aids.onionSkin = true;
    aids.guide = TVK_GUI_ViewAids::kLECentreCross;
    overlay->setOnionSkin(aidsScene(QSize(480, 320)).mirrored(true, false));
    show(aids, 0);
    gallery.shoot(QStringLiteral("viewer_aids_onion_skin"));
}

// ---- the program's windows ---------------------------------------------------

constexpr int kDefaultProduct = 0x2031;
constexpr int kWaitMs = 20000;

// Made in the controller's thread on its first look for a camera; unplugged
// until the no-camera window has been taken.
TVK_Test_CameraRig *g_rig = nullptr;
int g_product = kDefaultProduct;

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = kWaitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

// Lets queued values from the controller arrive and the window repaint.
void linger(int ms)
{
    waitFor([]() { return false; }, ms);
}

// Where the layout put the parts that have sizes of their own, to compare
// with what their forms ask for.
void printParts(QWidget *window)
{
    for (const char *name : {"lblCameraBody", "wgtViewFinder", "lblCameraHandle", "tbnMinGUI", "tbnKeyLock",
                             "tbnQuickView", "tbnLVPhoto", "tbnMirrorUp", "pbnCapture", "wgtLoadIndicator",
                             "wgtLoadCounter", "tabWidget", "tabCamera", "wgtFocusDistance"}) {
        const QWidget *part = window->findChild<QWidget *>(QLatin1String(name));
        if (!part) {
            std::printf("  %-18s missing\n", name);
            continue;
        }
        const QRect r(part->mapTo(window, QPoint(0, 0)), part->size());
        const QSize minimum = part->minimumSizeHint().expandedTo(part->minimumSize());
        std::printf("  %-18s %3dx%-3d at %3d,%-3d (minimum %dx%d, hint %dx%d)%s\n", name, r.width(), r.height(), r.x(),
                    r.y(), minimum.width(), minimum.height(), part->sizeHint().width(), part->sizeHint().height(),
                    part->isVisible() ? "" : " hidden");
    }
}

// The panel as a large picture comes: 41 of 96 MB after four seconds, on a
// clock of its own, so that the time left reads the same in every run.
void shootTransfer(Gallery &gallery, TVK_GUI_CameraArdo2 *window, const QString &name)
{
    TVK_GUI_TransferProgressWidget *progress = window->transferProgress();
    auto nowMs = std::make_shared<qint64>(0);
    progress->setClock([nowMs]() { return *nowMs; });
    constexpr qint64 kMB = 1000 * 1000;
    for (int step = 1; step <= 41; ++step) {
        *nowMs = step * 100;
        window->setTransferProgress(QStringLiteral("NRBA0043.DNG"), step * kMB, 96 * kMB);
    }
    linger(200);
    gallery.shootWindow(name, window);
    progress->clear();
}

// The live view window in the modes the panel and its own buttons reach, then
// the quick view of a new picture.
void shootViewWindows(Gallery &gallery, TVK_GUI_Application *app)
{
    TVK_GUI_CameraArdo2 *window = app->cameraWindow();
    auto *photo = window->findChild<QToolButton *>(QStringLiteral("tbnLVPhoto"));
    if (!photo) {
        std::fprintf(stderr, "tvk_gallery: the camera window has no tbnLVPhoto\n");
        gallery.fail();
        return;
    }
    photo->click();
    if (!waitFor([app]() { return app->liveViewWindow() && app->liveViewWindow()->isVisible(); })) {
        std::fprintf(stderr, "tvk_gallery: no live view window\n");
        gallery.fail();
        return;
    }
    QWidget *live = app->liveViewWindow();
    const auto button = [app](const char *name) {
        return app->liveViewInfoWidget()->findChild<QToolButton *>(QLatin1String(name));
    };
    const auto clickPicture = [app](double x, double y) {
        TVK_GUI_ImageViewer *viewer = app->liveViewViewer();
        const QRect shown = viewer->shownPixmapRect();
        const QPoint at(shown.left() + qRound(x * shown.width()), shown.top() + qRound(y * shown.height()));
        QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewer, &press);
    };
    linger(800);
    gallery.shootWindow(QStringLiteral("window_liveview_photo"), live);
    // The viewing aids as the strip switches them; off again afterwards, as
    // the settings file keeps them for the next runs' pictures.
    if (auto *strip = live->findChild<TVK_GUI_ViewAidsToolBar *>()) {
        for (QAction *action : {strip->histogramAction(), strip->clippingAction(), strip->peakingAction(),
                                strip->guideAction()})
            action->trigger();
        linger(800);
        gallery.shootWindow(QStringLiteral("window_liveview_aids"), live);
        strip->guideAction()->trigger();
        strip->cropAction()->trigger();
        strip->peakingAction()->trigger();
        linger(800);
        gallery.shootWindow(QStringLiteral("window_liveview_aids_crop"), live);
        for (QAction *action : {strip->histogramAction(), strip->clippingAction(), strip->cropAction()})
            action->trigger();
        linger(300);
    } else {
        std::fprintf(stderr, "tvk_gallery: the live view window has no aids strip\n");
        gallery.fail();
    }
    clickPicture(0.3, 0.4);
    button("tbnZoom")->click();
    linger(800);
    gallery.shootWindow(QStringLiteral("window_liveview_photo_zoomed"), live);
    button("tbnZoom")->click();
    button("tbnZoom")->click();
    button("tbnGCPip")->click();
    waitFor([live]() { return live->windowTitle() == QLatin1String("Gray Card Live View"); });
    linger(500);
    clickPicture(0.6, 0.5);
    linger(500);
    gallery.shootWindow(QStringLiteral("window_liveview_greycard"), live);
    button("tbnGCSave")->click();
    waitFor([live]() { return live->windowTitle() == QLatin1String("Live View Photo"); });
    // The video live view keeps its window hidden; its layout is taken all
    // the same, for review.
    QMetaObject::invokeMethod(app->controller(), "setLiveViewVideo", Qt::QueuedConnection, Q_ARG(bool, true));
    waitFor([app]() { return app->liveViewViewer() && app->liveViewViewer()->liveViewMode() == 3; });
    linger(800);
    gallery.shootWindow(QStringLiteral("window_liveview_video_hidden"), live);
    QMetaObject::invokeMethod(app->controller(), "setLiveViewVideo", Qt::QueuedConnection, Q_ARG(bool, false));
    if (!waitFor([app]() { return app->liveViewWindow() == nullptr; }))
        std::fprintf(stderr, "tvk_gallery: the live view window stayed after the live view ended\n");

    auto *quick = window->findChild<QToolButton *>(QStringLiteral("tbnQuickView"));
    if (!quick) {
        gallery.fail();
        return;
    }
    quick->click();
    QMetaObject::invokeMethod(app->controller(), "doCaptureBtnPressed", Qt::QueuedConnection);
    QMetaObject::invokeMethod(app->controller(), "doCaptureBtnReleased", Qt::QueuedConnection);
    if (!waitFor([app]() { return app->quickViewWindow() && app->quickViewWindow()->isVisible(); })) {
        std::fprintf(stderr, "tvk_gallery: no quick view window\n");
        gallery.fail();
        return;
    }
    linger(800);
    QWidget *quickWindow = app->quickViewWindow();
    gallery.shootWindow(QStringLiteral("window_quickview"), quickWindow);
    auto *quickStrip = quickWindow->findChild<TVK_GUI_ViewAidsToolBar *>();
    auto *loupe = quickWindow->findChild<TVK_GUI_Loupe *>();
    if (quickStrip && loupe) {
        quickStrip->histogramAction()->trigger();
        quickStrip->clippingAction()->trigger();
        linger(800);
        gallery.shootWindow(QStringLiteral("window_quickview_aids"), quickWindow);
        loupe->openAt(QPointF(loupe->source().width() * 0.4, loupe->source().height() * 0.4));
        linger(300);
        gallery.shootWindow(QStringLiteral("window_quickview_loupe"), quickWindow);
        loupe->close();
        quickStrip->histogramAction()->trigger();
        quickStrip->clippingAction()->trigger();
    } else {
        std::fprintf(stderr, "tvk_gallery: the quick view window has no aids strip or loupe\n");
        gallery.fail();
    }
    quickWindow->close();
}

void shootWindows(Gallery &gallery, bool withNoCamera)
{
    TVK_GUI_Application *app = TVK_GUI_Application::instance();
    if (withNoCamera) {
        if (!waitFor([app]() { return app->noCameraWindow() && app->noCameraWindow()->isVisible(); })) {
            std::fprintf(stderr, "tvk_gallery: the no-camera window did not show\n");
            gallery.fail();
        } else {
            linger(300);
            gallery.shootWindow(QStringLiteral("window_nocamera"), app->noCameraWindow());
        }
    }

    if (!waitFor([]() { return g_rig->accessesMade() > 0; })) {
        std::fprintf(stderr, "tvk_gallery: the controller never looked for a camera\n");
        gallery.fail();
        return;
    }
    g_rig->camera()->attach();
    if (!waitFor([app]() { return app->cameraWindow() && app->cameraWindow()->isVisible(); })) {
        std::fprintf(stderr, "tvk_gallery: no camera window for product 0x%04X\n", unsigned(g_product));
        gallery.fail();
        return;
    }
    TVK_GUI_CameraArdo2 *window = app->cameraWindow();
    // The lists fill once the camera's settings have been read.
    auto *shutter = window->findChild<QComboBox *>(QStringLiteral("cbbShutterTime"));
    if (!shutter || !waitFor([shutter]() { return shutter->count() > 1; }))
        std::fprintf(stderr, "tvk_gallery: the shutter times did not arrive; the window may be half filled\n");
    linger(1500);
    const QString stem = QStringLiteral("window_camera_%1").arg(g_product, 4, 16, QLatin1Char('0'));
    gallery.shootWindow(stem, window);
    printParts(window);
    shootTransfer(gallery, window, stem + QStringLiteral("_transfer"));

    auto *minimal = window->findChild<QToolButton *>(QStringLiteral("tbnMinGUI"));
    if (!minimal) {
        std::fprintf(stderr, "tvk_gallery: the camera window has no tbnMinGUI\n");
        gallery.fail();
    } else {
        minimal->click();
        linger(500);
        gallery.shootWindow(stem + QStringLiteral("_minimal"), window);
        printParts(window);
        shootTransfer(gallery, window, stem + QStringLiteral("_minimal_transfer"));
        minimal->click();
        linger(300);
    }

    if (withNoCamera) {
        shootViewWindows(gallery, app);
        // Three failed transfers, one box: the newest shows, the others are
        // counted. The warnings so far went to the sink, which tells of
        // unexpected ones.
        TVK_GUI_Application::setWarningSinkForTesting({});
        for (const char *text : {"A new picture was announced by the camera, but it could not be transferred.",
                                 "A new picture was announced by the camera, but it could not be transferred.",
                                 "The picture NRBA0042.DNG could not be saved: the disk is full."})
            QMetaObject::invokeMethod(app, "showWarning", Q_ARG(QString, QString::fromLatin1(text)));
        auto *box = window->findChild<QMessageBox *>(QStringLiteral("WarningBox"));
        if (box == nullptr) {
            std::fprintf(stderr, "tvk_gallery: no warning box\n");
            gallery.fail();
        } else {
            linger(300);
            gallery.shootWindow(QStringLiteral("window_warnings"), box);
        }
    }

    // Unplugged before the end, so that the program closes its camera first.
    g_rig->camera()->removeDevice();
    if (!waitFor([app]() { return app->cameraWindow() == nullptr; }))
        std::fprintf(stderr, "tvk_gallery: the camera window stayed after the camera was unplugged\n");
}

int productArgument(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--product") == 0) {
            bool ok = false;
            const int id = QByteArray(argv[i + 1]).toInt(&ok, 0);
            return ok && id > 0 ? id : 0;
        }
    }
    return -1;
}

int scaleArgument(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "--scale") == 0)
            return qBound(1, QByteArray(argv[i + 1]).toInt(), 4);
    return 1;
}

QString folderArgument(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--scale") == 0 || qstrcmp(argv[i], "--product") == 0) {
            ++i;
            continue;
        }
        return QString::fromLocal8Bit(argv[i]);
    }
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    const int scale = scaleArgument(argc, argv);
    const QString folder = folderArgument(argc, argv);
    const int product = productArgument(argc, argv);
    if (folder.isEmpty() || product == 0) {
        std::fprintf(stderr, "usage: tvk_gallery OUTPUT_FOLDER [--scale N] [--product ID]\n");
        return 2;
    }
    const bool onlyCameraWindows = product > 0;
    g_product = onlyCameraWindows ? product : kDefaultProduct;
    if (scale != 1)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "tvk_gallery: cannot create %s\n", qPrintable(folder));
        return 1;
    }

    // Settings, logs and pictures of this run stay in a home of its own.
    TVK_Test_Home home;
    TVK_Test_CameraRig::Options options(g_product);
    options.controller = false; // the application's
    options.plugged = false;
    TVK_Test_CameraRig rig(options);
    g_rig = &rig;
    TVK_GUI_Settings::registerXmlFormat();
    TVK_GUI_Application::setWarningSinkForTesting(
        [](const QString &text) { std::fprintf(stderr, "tvk_gallery: warning shown: %s\n", qPrintable(text)); });

    bool ok = false;
    {
        QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
        TVK_GUI_Application app(argc, argv);
        const QString family = TVK_GUI_Resources::panelFontFamily();
        std::printf("panel font: %s; device-pixel ratio %.0f\n",
                    family.isEmpty() ? "(none, the read-outs fall back)" : qPrintable(family), app.devicePixelRatio());

        Gallery gallery(folder, scale);
        if (!onlyCameraWindows) {
            const std::function<void(Gallery &)> groups[] = {
                shootViewFinderArdo, shootViewFinderBelo, shootLoadWidgets, shootCapture,
                shootFile,           shootFocusAndFolder, shootButtons,     shootStandardWidgets,
                shootViewingAids};
            for (const auto &group : groups)
                group(gallery);
        }
        shootWindows(gallery, !onlyCameraWindows);
        // A run for one product keeps the sheet of the full run.
        ok = gallery.writeSheet(onlyCameraWindows ? QStringLiteral("gallery_%1").arg(g_product, 4, 16, QLatin1Char('0'))
                                                  : QStringLiteral("gallery"));
        TVK_GUI_Settings::destroyInstance();
    }
    return ok ? 0 : 1;
}
