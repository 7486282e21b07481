// Writes the seed corpora of the fuzz targets: real datasets of the emulated
// cameras (every dataset as the camera answers it, so a seed is what a body
// of that product really sends), a settings file written by the program's own
// settings object, update documents and command lines. A tool, not a test:
//   ninja -C BUILD tvk_fuzz_seeds && BUILD/fuzz/tvk_fuzz_seeds fuzz/corpus
// Existing seeds of the same name are replaced; other files (crashes found by
// the fuzzer) are left alone.

#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_StreamFrameParser.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

using Camera = TVK_Emulator_Camera;
using Access = TVK_Commu_CameraAccess_Emulated;
using Maker = TVK_Emulator_PictureMaker;
namespace Ptp = TVK_Commu_Ptp;

// Products whose datasets differ the most: both settings layouts, device
// properties with and without live view, both 3-axis layouts.
constexpr int kProducts[] = {0x2009, 0x2021, 0x2031, 0x2041, 0x2061};
// A live-view frame is cut this far behind its image offset: the parser takes
// the image to the end of the buffer, so the frame stays whole and the seed small.
constexpr int kFrameImageBytes = 256;
constexpr int kStageLiveViewOn = 17;
constexpr int kMaxPropertyDescs = 8;

QString g_root;
int g_written = 0;

void write(const QString &target, const QString &name, const QByteArray &bytes)
{
    const QString folder = g_root + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "tvk_fuzz_seeds: cannot write %s\n", qUtf8Printable(file.fileName()));
        std::exit(1);
    }
    ++g_written;
}

QString productName(int product)
{
    return QString::number(product, 16);
}

struct Connected {
    std::shared_ptr<Camera> camera;
    std::unique_ptr<Access> access;

    explicit Connected(int product)
        : camera(std::make_shared<Camera>(product, 7))
        , access(std::make_unique<Access>(camera))
    {
        camera->setTimeScale(0.01);
        access->checkDeviceAvailable();
        if (!access->openConnection(Access::kVendorId, product, access->deviceId())) {
            std::fprintf(stderr, "tvk_fuzz_seeds: product 0x%x does not open\n", unsigned(product));
            std::exit(1);
        }
    }
    ~Connected() { access->closeConnection(); }

    QByteArray data(int operationCode, const QVector<quint32> &params = {})
    {
        const Camera::Result result = camera->transact(operationCode, params, TVK_Emulator_Transaction::kLEDataIn);
        return result.responseCode == Ptp::kRespOK ? result.data : QByteArray();
    }
};

// One description per kind of property (data type and form), so that the
// seeds cover the parser's branches without near-copies.
void writePropertyDescs(Connected &c, const QString &product)
{
    TVK_Logic_DeviceInfo info(c.access.get());
    // Over all products: one seed per kind is enough.
    static QSet<int> kinds;
    for (quint16 code : info.devicePropsSupported()) {
        const QByteArray desc = c.data(Ptp::kOpGetDevicePropDesc, {code});
        TVK_Commu_DevicePropDesc parsed;
        if (desc.isEmpty() || parsed.parse(desc.constData(), size_t(desc.size())) != TVK_Commu_DevicePropDesc::kLEParsed)
            continue;
        const int kind = parsed.dataType() * 16 + parsed.formFlag();
        if (kinds.contains(kind) || kinds.size() >= kMaxPropertyDescs)
            continue;
        kinds.insert(kind);
        write(QStringLiteral("devicepropdesc"),
              QStringLiteral("%1_%2").arg(product, QString::number(code, 16)), desc);
    }
}

void writeLiveView(Connected &c, const QString &product)
{
    if (!c.access->releaseCam(kStageLiveViewOn, 0) || !c.access->setDevicePropEnabledStreams(1))
        return;
    TVK_Logic_CameraStreamInfo info(c.access.get());
    if (info.packetMaxSize() == 0)
        return;
    QByteArray frame(int(info.packetMaxSize()), '\0');
    // The first frame may take a moment to come.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (c.access->getStreamData(frame.data(), unsigned(frame.size()))) {
            const auto parsed = TVK_Logic_StreamFrameParser::parse(frame.constData(), size_t(frame.size()));
            if (parsed.ok) {
                write(QStringLiteral("streamframe"), product + QStringLiteral("_photo"),
                      frame.left(int(parsed.imageOffset) + kFrameImageBytes));
                return;
            }
        }
        QThread::msleep(20);
    }
    std::fprintf(stderr, "tvk_fuzz_seeds: no live-view frame from 0x%s\n", qUtf8Printable(product));
}

void writeCameraSeeds(int productId)
{
    const QString product = productName(productId);
    const TVK_Emulator_Profile *profile = TVK_Emulator_Profile::forProduct(productId);
    Connected c(productId);

    write(QStringLiteral("deviceinfo"), product, c.data(Ptp::kOpGetDeviceInfo));
    write(QStringLiteral("lens"), product, c.data(Ptp::kOpGetLensData));
    if (profile->hasGeotagging)
        write(QStringLiteral("geotagging"), product, c.data(Ptp::kOpGetGeotackingData));
    if (profile->has3DAxis) {
        // The target's first byte picks the layout: odd for the float64 one.
        const char layout = productId == 0x2031 || productId == 0x2033 || productId == 0x2041 || productId == 0x2044
                                    || productId == 0x2047
                                ? 1
                                : 0;
        write(QStringLiteral("axis"), product, QByteArray(1, layout) + c.data(Ptp::kOpGet3DAxisData));
    }
    // The target's first byte picks the product: 0 0x2009, 1 0x2011, 2 0x2021, 3 0x2051.
    const int layouts[] = {0x2009, 0x2011, 0x2021, 0x2051};
    for (int i = 0; i < 4; ++i) {
        if (layouts[i] == productId) {
            const QByteArray record = c.data(Ptp::kOpGetCameraSettings);
            write(QStringLiteral("settingsrecord"), product, QByteArray(1, char(i)) + record + record);
        }
    }
    if (profile->hasLiveView) {
        write(QStringLiteral("streaminfo"), product, c.data(Ptp::kOpGetStreamInfo, {0}));
        writeLiveView(c, product);
    }
    writePropertyDescs(c, product);
}

void writePictureSeeds()
{
    struct Variant {
        const char *name;
        Maker::eLEByteOrder order;
        int orientation;
    };
    const Variant variants[] = {{"ii_1", Maker::kLELittleEndian, 1},
                                {"ii_6", Maker::kLELittleEndian, 6},
                                {"mm_8", Maker::kLEBigEndian, 8}};
    for (const Variant &v : variants) {
        Maker::Picture picture;
        picture.number = 123;
        picture.seed = 42;
        picture.byteOrder = v.order;
        picture.orientation = v.orientation;
        picture.dngBytes = 64 * 1024;
        picture.jpegPixels = QSize(64, 48);
        const QString name = QString::fromLatin1(v.name);
        // The transfer looks only at the file's first kilobyte.
        write(QStringLiteral("exiforientation"), QStringLiteral("jpg_") + name, Maker::jpeg(picture).left(1024));
        write(QStringLiteral("exiforientation"), QStringLiteral("dng_") + name, Maker::dng(picture).left(1024));
    }

    Maker::Picture picture;
    picture.number = 77;
    const QByteArray thumb = Maker::thumbnail(picture, Maker::kThumbLarge);
    Maker::ObjectInfo dng = Maker::describe(picture, Maker::kLEDng, 64 * 1024, Maker::kThumbLarge, quint32(thumb.size()));
    dng.sequenceNumber = 1;
    write(QStringLiteral("objectinfo"), QStringLiteral("dng"), Maker::objectInfo(dng));
    const Maker::ObjectInfo jpg = Maker::describe(picture, Maker::kLEJpg, 20000, Maker::kThumbSmall, 0);
    write(QStringLiteral("objectinfo"), QStringLiteral("jpg_without_thumbnail"), Maker::objectInfo(jpg));
}

void writeSettingsFileSeeds()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("NorbaPellora3.xml"));
    TVK_GUI_Settings::setFilePathForTesting(path);
    TVK_GUI_Settings *settings = TVK_GUI_Settings::instance();
    settings->setAlwaysOnTop(false);
    settings->setIsUnitFeet(true);
    settings->setTcpServerPort(50606);
    for (int product : {0x2041, 0x2021}) {
        settings->setLastProductId(product);
        settings->setIsMinimalControlGUI(product == 0x2021);
        TVK_Logic_FolderSettings folders;
        folders.load({QStringLiteral("/srv/shoot/raw"), QStringLiteral("/srv/shoot/jpeg öl & <b>"),
                      QStringLiteral("Wedding"), 42});
        settings->saveFolderSettings(&folders);
        settings->saveWindowPosition(QStringLiteral("WinCamera"), QRect(10, 20, 800, 600));
        settings->saveWindowPosition(QStringLiteral("WinNoCamera"), QRect(-5, 0, 300, 200));
    }
    TVK_GUI_Settings::destroyInstance();
    TVK_GUI_Settings::setFilePathForTesting(QString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tvk_fuzz_seeds: the settings object wrote no file\n");
        std::exit(1);
    }
    write(QStringLiteral("settingsfile"), QStringLiteral("written_by_the_program.xml"), file.readAll());
}

void writeDocumentSeeds()
{
    const auto update = [](const QByteArray &major, const QByteArray &minor, const QByteArray &build) -> QByteArray {
        return QByteArray("<?xml version=\"1.0\"?><Updates><UpdateInfo><MajorWin>") + major + "</MajorWin><MinorWin>"
               + minor + "</MinorWin><BuildWin>" + build + "</BuildWin></UpdateInfo></Updates>";
    };
    write(QStringLiteral("updatexml"), QStringLiteral("newer"), update("3", "10", "0"));
    write(QStringLiteral("updatexml"), QStringLiteral("same"), update("3", "8", "0"));
    write(QStringLiteral("updatexml"), QStringLiteral("not_a_number"), update("3", "x", "0"));

    write(QStringLiteral("tcpcommand"), QStringLiteral("release"), "r");
    write(QStringLiteral("tcpcommand"), QStringLiteral("quit"), "Q\r\n");
    write(QStringLiteral("tcpcommand"), QStringLiteral("lines"), "R\nx\n\x01\nq\n");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tvk_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    // Only the seeds' own complaints reach the terminal.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    g_root = QString::fromLocal8Bit(argv[1]);

    for (int product : kProducts)
        writeCameraSeeds(product);
    writePictureSeeds();
    writeSettingsFileSeeds();
    writeDocumentSeeds();
    std::printf("tvk_fuzz_seeds: %d seeds written below %s\n", g_written, qUtf8Printable(g_root));
    return 0;
}
