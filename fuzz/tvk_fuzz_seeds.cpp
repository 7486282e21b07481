// Writes the seed corpora of the fuzz targets: real datasets of the emulated
// cameras (every dataset as the camera answers it, so a seed is what a body
// of that product really sends), a settings file written by the program's own
// settings object, update documents and command lines, and the byte streams
// of the wire-format targets: what the emulated camera sends on its USB pipes
// and PTP/IP connections, and what an initiator sends it. A tool, not a test:
//   ninja -C BUILD tvk_fuzz_seeds && BUILD/fuzz/tvk_fuzz_seeds fuzz/corpus
// Existing seeds of the same name are replaced; other files (crashes found by
// the fuzzer) are left alone.

#include "TVK_Commu_CameraAccess_Emulated.h"
#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Commu_PtpIpFraming.h"
#include "TVK_Commu_PtpTransactionEngine.h"
#include "TVK_Commu_UsbFraming.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Emulator_UsbBus.h"
#include "TVK_Emulator_UsbResponder.h"
#include "TVK_Fuzz_ScriptedUsbPipe.h"
#include "TVK_Fuzz_Transactions.h"
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

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// --- Wire formats ---------------------------------------------------------------------

using Engine = TVK_Commu_PtpTransactionEngine;
using Script = std::vector<uint8_t>;
// Vendor events the emulated bodies raise, beside the standard transfer request.
constexpr int kEventVendor = 0xC101;
constexpr int kEventRequestObjectTransfer = 0x4009;

QByteArray bytesOf(const Script &script)
{
    return QByteArray(reinterpret_cast<const char *>(script.data()), int(script.size()));
}

int bufferIndexOf(unsigned size)
{
    for (int i = 0; i < 8; ++i)
        if (TVK_Fuzz_Transactions::kBufferSizes[i] == size)
            return i;
    std::fprintf(stderr, "tvk_fuzz_seeds: no buffer size %u\n", size);
    std::exit(1);
}

// The host's end of the emulated cable, writing down what the camera sends
// in the script format of the USB target: a bulk transfer ends with the read
// that came back short (a short or zero-length packet).
struct RecordingPipe : TVK_Commu_UsbPipeIF {
    explicit RecordingPipe(std::shared_ptr<TVK_Commu_UsbPipeIF> pipe)
        : inner(std::move(pipe))
    {
    }
    int maxPacketSize() const override { return inner->maxPacketSize(); }
    eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) override
    {
        return inner->bulkWrite(data, size, timeoutMs);
    }
    eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        const eLEResult result = inner->bulkRead(buffer, size, received, timeoutMs);
        const unsigned char *bytes = static_cast<const unsigned char *>(buffer);
        transfer.insert(transfer.end(), bytes, bytes + *received);
        if (result == kLEOk && *received < size) {
            TVK_Fuzz_ScriptedUsbPipe::appendTransfer(&script, TVK_Fuzz_ScriptedUsbPipe::kLEBulkIn, transfer.data(),
                                                     transfer.size());
            transfer.clear();
        }
        return result;
    }
    eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        const eLEResult result = inner->interruptRead(buffer, size, received, timeoutMs);
        if (result == kLEOk)
            TVK_Fuzz_ScriptedUsbPipe::appendTransfer(&script, TVK_Fuzz_ScriptedUsbPipe::kLEInterruptIn, buffer,
                                                     *received);
        return result;
    }
    eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) override
    {
        return inner->cancelTransaction(transactionId, timeoutMs);
    }
    eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) override
    {
        return inner->deviceStatus(responseCode, timeoutMs);
    }

    std::shared_ptr<TVK_Commu_UsbPipeIF> inner;
    Script script;
    std::vector<uint8_t> transfer;
};

// One USB session of the target's transactions and two events; fault (may
// be empty) sets up the camera's misbehaviour before it.
void writeUsbSeed(const QString &name, unsigned bufferSize,
                  const std::function<void(Camera &, TVK_Emulator_UsbResponder &)> &fault)
{
    auto camera = std::make_shared<Camera>(0x2041, 7);
    camera->setTimeScale(0.0);
    TVK_Emulator_UsbBus bus(camera);
    TVK_Commu_UsbBusIF::eLEOpenError error = TVK_Commu_UsbBusIF::kLENoError;
    QString detail;
    const std::shared_ptr<TVK_Commu_UsbPipeIF> opened = bus.open(bus.deviceId(), &error, &detail);
    if (!opened) {
        std::fprintf(stderr, "tvk_fuzz_seeds: the emulated USB camera does not open: %s\n", qUtf8Printable(detail));
        std::exit(1);
    }
    bus.responder()->setLoopbackOperation(TVK_Fuzz_Transactions::kOpDataOut, true);
    if (fault)
        fault(*camera, *bus.responder());
    auto pipe = std::make_shared<RecordingPipe>(opened);
    Engine engine(std::make_shared<TVK_Commu_UsbFraming>(pipe));
    engine.setBusyPauseMs(0);
    TVK_Fuzz_Transactions::runOpenSequence(&engine, bufferSize);

    bus.responder()->raiseEvent(kEventRequestObjectTransfer, {0x10001});
    bus.responder()->raiseEvent(kEventVendor, {});
    unsigned char event[1024];
    for (int i = 0; i < 2; ++i) {
        size_t received = 0;
        pipe->interruptRead(event, sizeof event, &received, 5000);
    }
    // Settings byte: the emulator's high-speed packets (index 1), the buffer.
    Script seed(1, uint8_t(1 | (bufferIndexOf(bufferSize) << 2)));
    seed.insert(seed.end(), pipe->script.begin(), pipe->script.end());
    write(QStringLiteral("ptpcontainer"), name, bytesOf(seed));
}

void writeUsbSeeds()
{
    writeUsbSeed(QStringLiteral("session"), 1000, {});
    writeUsbSeed(QStringLiteral("session_header_buffer"), 12, {});
    writeUsbSeed(QStringLiteral("session_one_packet_buffer"), 512, {});
    writeUsbSeed(QStringLiteral("stale_responses"), 5000,
                 [](Camera &, TVK_Emulator_UsbResponder &responder) { responder.setStaleResponses(2); });
    writeUsbSeed(QStringLiteral("busy_camera"), 1000, [](Camera &camera, TVK_Emulator_UsbResponder &) {
        camera.setBusyTransactions(2);
    });
    writeUsbSeed(QStringLiteral("short_data"), 1000,
                 [](Camera &camera, TVK_Emulator_UsbResponder &) { camera.setShortDataOnce(100); });
}

// Relays a PTP/IP connection between the initiator's end of a socket pair and
// a TCP connection to the emulated camera's server, writing down what each
// side sends. Ends when the initiator closed its end and the server closed
// the connection after it.
class Tap
{
public:
    explicit Tap(quint16 port)
    {
        QString error;
        m_server = TVK_Commu_PtpIpFraming::connectTo(QStringLiteral("127.0.0.1"), port, 5000, &error);
        if (m_server < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_ends) != 0) {
            std::fprintf(stderr, "tvk_fuzz_seeds: no connection to the PTP/IP camera: %s\n", qUtf8Printable(error));
            std::exit(1);
        }
        // The framing waits with time-outs of its own, which a blocking
        // socket would never let it reach with a camera that stalls.
        ::fcntl(m_ends[0], F_SETFL, ::fcntl(m_ends[0], F_GETFL) | O_NONBLOCK);
        m_thread = std::thread([this]() { relay(); });
    }
    ~Tap() { finish(); }
    // The initiator's end, for a framing (which closes it).
    int initiatorSocket() const { return m_ends[0]; }
    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
        if (m_server >= 0)
            ::close(m_server);
        if (m_ends[1] >= 0)
            ::close(m_ends[1]);
        m_server = m_ends[1] = -1;
    }
    // What the camera sent and what the initiator sent (after finish()).
    QByteArray fromCamera;
    QByteArray fromInitiator;

private:
    void relay()
    {
        bool open[2] = {true, true}; // initiator, server
        char bytes[65536];
        while (open[0] || open[1]) {
            pollfd entries[2] = {{m_ends[1], short(open[0] ? POLLIN : 0), 0}, {m_server, short(open[1] ? POLLIN : 0), 0}};
            if (::poll(entries, 2, 10000) <= 0)
                return; // nothing for ten seconds: the seed is what came
            for (int i = 0; i < 2; ++i) {
                if (!open[i] || entries[i].revents == 0)
                    continue;
                const int from = i == 0 ? m_ends[1] : m_server;
                const int to = i == 0 ? m_server : m_ends[1];
                const ssize_t got = ::recv(from, bytes, sizeof bytes, 0);
                if (got <= 0) {
                    open[i] = false;
                    ::shutdown(to, SHUT_WR);
                    continue;
                }
                (i == 0 ? fromInitiator : fromCamera).append(bytes, int(got));
                for (ssize_t done = 0; done < got;) {
                    const ssize_t sent = ::send(to, bytes + done, size_t(got - done), MSG_NOSIGNAL);
                    if (sent <= 0)
                        break;
                    done += sent;
                }
            }
        }
    }

    int m_server = -1;
    int m_ends[2] = {-1, -1};
    std::thread m_thread;
};

QByteArray withLength16(const QByteArray &first, const QByteArray &second)
{
    QByteArray bytes;
    bytes.append(char(first.size() & 0xFF)).append(char((first.size() >> 8) & 0xFF));
    return bytes + first + second;
}

// One PTP/IP session of the target's transactions and two events, recorded
// both ways: what the camera sent is a seed of the initiator's framing, what
// the initiator sent one of the camera's server.
// serverFault, if given, acts on the camera's server before the initiator comes.
void writePtpIpSeed(const QString &name, unsigned bufferSize, const std::function<void(Camera &)> &fault,
                    const std::function<void(TVK_Emulator_PtpIpServerThread &)> &serverFault = {})
{
    using Framing = TVK_Commu_PtpIpFraming;
    auto camera = std::make_shared<Camera>(0x2041, 7);
    camera->setTimeScale(0.0);
    TVK_Emulator_PtpIpServerThread server(camera);
    if (server.port() == 0) {
        std::fprintf(stderr, "tvk_fuzz_seeds: the PTP/IP camera does not listen\n");
        std::exit(1);
    }
    if (fault)
        fault(*camera);
    if (serverFault)
        serverFault(server);
    Tap commandTap(server.port());
    Tap eventTap(server.port());
    {
        auto command = std::make_shared<Framing>(commandTap.initiatorSocket());
        // A camera that hangs costs the engine's time-outs: short ones, not 5 s each.
        if (serverFault)
            command->setTimeoutMs(200);
        const Framing::InitResult init = command->initCommand(QByteArray(16, '\x5A'), QStringLiteral("Fuzz"));
        Engine engine(command);
        engine.setBusyPauseMs(0);
        if (init.ok())
            TVK_Fuzz_Transactions::runOpenSequence(&engine, bufferSize);
        Framing events(eventTap.initiatorSocket());
        if (init.ok() && events.initEvent(init.connectionNumber).ok()) {
            camera->raiseEvent(kEventVendor, 3);
            camera->raiseEvent(kEventVendor + 1, 0);
            for (int i = 0; i < 2; ++i) {
                TVK_Commu_PtpContainer event;
                events.receiveEvent(&event, 5000);
            }
        }
        // The event connection closes first, then the command connection.
    }
    eventTap.finish();
    commandTap.finish();
    // Settings byte: both handshakes, the buffer.
    const char settings = char(3 | (bufferIndexOf(bufferSize) << 2));
    write(QStringLiteral("ptpippacket"), name,
          QByteArray(1, settings) + withLength16(commandTap.fromCamera, eventTap.fromCamera));
    write(QStringLiteral("ptpipserver"), name, withLength16(commandTap.fromInitiator, eventTap.fromInitiator));
}

void writePtpIpSeeds()
{
    writePtpIpSeed(QStringLiteral("session"), 1000, {});
    writePtpIpSeed(QStringLiteral("session_header_buffer"), 12, {});
    writePtpIpSeed(QStringLiteral("busy_camera"), 5000, [](Camera &camera) { camera.setBusyTransactions(2); });
    // The camera refuses the dataset: a response where the data was due.
    writePtpIpSeed(QStringLiteral("refused_dataset"), 1000,
                   [](Camera &camera) { camera.failNextOperation(Ptp::kOpGetDeviceInfo, 0x2002); });
    // Init Fail for the initiator, as from a camera paired with another computer.
    writePtpIpSeed(QStringLiteral("refused_initiator"), 1000, {},
                   [](TVK_Emulator_PtpIpServerThread &server) { server.setRefusal(1); });
    // Start Data for each operation and then nothing, until the engine gives the camera up.
    writePtpIpSeed(QStringLiteral("stalled_after_start_data"), 1000, {},
                   [](TVK_Emulator_PtpIpServerThread &server) { server.stallSession(); });
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
    writeUsbSeeds();
    writePtpIpSeeds();
    std::printf("tvk_fuzz_seeds: %d seeds written below %s\n", g_written, qUtf8Printable(g_root));
    return 0;
}
