// How fast a big picture comes over PTP/IP on this machine: GetObject of a
// 60 MB DNG through the WLAN access (transaction engine and framing) from the
// emulator's PTP/IP server over loopback, the camera unthrottled, against what
// a plain pair of TCP sockets on 127.0.0.1 moves in the same run, its sender
// on a long-lived thread as the camera's server is. Several runs of each,
// the median compared; the goal is at least 0.8 of raw TCP.

#include "TVK_Bench_Report.h"
#include "TVK_Commu_CameraAccess_PTPIP.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PtpIpServer.h"
#include "TVK_Emulator_PtpIpServerThread.h"
#include "TVK_Logic_ObjectInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kProduct = 0x2041;
constexpr qint64 kObjectBytes = 60 * 1000 * 1000; // MB here means 10^6 bytes
constexpr int kDefaultRuns = 11;
constexpr double kGoal = 0.8;
constexpr quint32 kPendingHandle = TVK_Emulator_Capture::kPendingHandle;
// What one write of the raw sender hands the kernel, as the emulator's
// server hands over a Data packet.
constexpr size_t kRawChunk = 1024 * 1024;

// Seconds of one run of work; false from it makes *ok false.
double timeOnce(const std::function<bool()> &work, bool *ok)
{
    QElapsedTimer timer;
    timer.start();
    if (!work())
        *ok = false;
    return qMax<qint64>(1, timer.nsecsElapsed()) / 1e9;
}

double median(const std::vector<double> &seconds)
{
    return seconds[seconds.size() / 2];
}

void printRate(const char *what, qint64 bytes, const std::vector<double> &seconds)
{
    const auto rate = [bytes](double s) { return double(bytes) / 1e6 / s; };
    std::printf("%-44s min %8.1f  median %8.1f  max %8.1f MB/s\n", what, rate(seconds.back()), rate(median(seconds)),
                rate(seconds.front()));
}

// A connected pair of TCP sockets on 127.0.0.1, or false.
bool loopbackPair(int *sender, int *receiver)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (listener >= 0)
            ::close(listener);
        return false;
    }
    *sender = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (*sender < 0 || ::connect(*sender, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(listener);
        return false;
    }
    *receiver = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    const int on = 1;
    ::setsockopt(*sender, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return *receiver >= 0;
}

// Sends kObjectBytes from one socket of the pair each time it is asked, on
// a thread of its own that lives as long as the pair, as the camera's server
// thread does: a thread started for each run pays for its start and its
// placement on a core every run, which the PTP/IP side does not. Even so,
// loopback TCP on a small machine varies by half its speed from run to run
// with where the scheduler puts the two ends, so the ratio is only as good.
class RawSender
{
public:
    RawSender(int socket, const std::vector<char> &source) : m_socket(socket), m_source(source)
    {
        m_thread = std::thread([this]() { loop(); });
    }
    ~RawSender()
    {
        {
            const std::lock_guard<std::mutex> locker(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void sendOne()
    {
        {
            const std::lock_guard<std::mutex> locker(m_mutex);
            ++m_asked;
        }
        m_changed.notify_all();
    }

private:
    void loop()
    {
        int done = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> locker(m_mutex);
                m_changed.wait(locker, [this, done]() { return m_stopping || m_asked > done; });
                if (m_stopping)
                    return;
            }
            ++done;
            size_t sent = 0;
            while (sent < m_source.size()) {
                const ssize_t bytes = ::send(m_socket, m_source.data() + sent,
                                             std::min(kRawChunk, m_source.size() - sent), MSG_NOSIGNAL);
                if (bytes < 0 && errno == EINTR)
                    continue;
                if (bytes <= 0)
                    break; // the receiver sees the transfer short
                sent += size_t(bytes);
            }
        }
    }

    const int m_socket;
    const std::vector<char> &m_source;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_asked = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

// One picture's bytes from the sender's socket into sink. The pair is kept
// from run to run as the PTP/IP connection is, so that both are measured
// warm (a fresh connection would pay for slow start every time).
bool rawTransfer(RawSender &sender, int receiver, std::vector<char> &sink)
{
    sender.sendOne();
    size_t got = 0;
    while (got < sink.size()) {
        const ssize_t done = ::recv(receiver, sink.data() + got, sink.size() - got, 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        got += size_t(done);
    }
    return got == sink.size();
}

using ServerThread = TVK_Emulator_PtpIpServerThread;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int runs = TVK_Bench_Report::runs(kDefaultRuns);

    auto camera = std::make_shared<TVK_Emulator_Camera>(kProduct, 1);
    auto *capture = camera->component<TVK_Emulator_Capture>();
    if (capture == nullptr) {
        std::fprintf(stderr, "product 0x%04X has no emulated capture\n", kProduct);
        return 1;
    }
    capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
    capture->setDngBytes(kObjectBytes);
    ServerThread server(camera);
    if (server.port() == 0) {
        std::fprintf(stderr, "the emulator's server does not listen\n");
        return 1;
    }

    TVK_Commu_CameraAccess_PTPIP::Address address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = server.port();
    TVK_Commu_CameraAccess_PTPIP access(address);
    if (!access.openConnection(0, 0, address.deviceId())) {
        std::fprintf(stderr, "the WLAN access does not open the emulator at %s\n", qPrintable(address.text()));
        return 1;
    }
    if (!access.releaseCam(0)) {
        std::fprintf(stderr, "the release failed\n");
        return 1;
    }
    TVK_Logic_ObjectInfo info;
    if (!info.recvFromCamera(&access, kPendingHandle) || info.objectCompressedSize() != quint32(kObjectBytes)) {
        std::fprintf(stderr, "the picture is not there or has the wrong size\n");
        return 1;
    }
    std::printf("GetObject of %s (%u bytes) over PTP/IP at %s, product 0x%04X, %d runs\n",
                qPrintable(info.filename()), info.objectCompressedSize(), qPrintable(address.text()), kProduct,
                runs);

    bool ok = true;
    std::vector<char> buffer(size_t(kObjectBytes), '\0');
    const auto viaPtpIp = [&access, &buffer]() {
        return access.getObject(buffer.data(), unsigned(buffer.size()), kPendingHandle);
    };
    // The first fetch makes the file on the camera's side.
    ok = viaPtpIp() && ok;
    std::vector<char> source(size_t(kObjectBytes), 'x');
    std::vector<char> sink(size_t(kObjectBytes), '\0');
    int sender = -1;
    int receiver = -1;
    if (!loopbackPair(&sender, &receiver)) {
        std::fprintf(stderr, "no loopback socket pair\n");
        return 1;
    }
    auto rawSender = std::make_unique<RawSender>(sender, source);
    const auto viaRawTcp = [&rawSender, receiver, &sink]() { return rawTransfer(*rawSender, receiver, sink); };
    ok = viaRawTcp() && ok; // warm, as the first GetObject above

    // Interleaved, so that a machine busy with something else slows both alike.
    std::vector<double> ptpip;
    std::vector<double> raw;
    for (int run = 0; run < runs; ++run) {
        ptpip.push_back(timeOnce(viaPtpIp, &ok));
        raw.push_back(timeOnce(viaRawTcp, &ok));
    }
    std::sort(ptpip.begin(), ptpip.end());
    std::sort(raw.begin(), raw.end());
    printRate("raw loopback TCP (socket pair)", kObjectBytes, raw);
    printRate("GetObject over PTP/IP (access + server)", kObjectBytes, ptpip);
    // Rates, not times: the PTP/IP rate over the raw one.
    const double ratio = median(raw) / median(ptpip);
    std::printf("ratio of the medians %.2f (goal >= %.1f): %s\n", ratio, kGoal, ratio >= kGoal ? "met" : "NOT met");
    const double mb = kObjectBytes / 1e6;
    TVK_Bench_Report::figure("PTP/IP: GetObject 60 MB over loopback", mb / median(ptpip), "MB/s", "raw loopback TCP",
                             mb / median(raw), QByteArray("ratio>=" + QByteArray::number(kGoal)).constData());

    access.closeConnection();
    // A sender stuck in send() would hold the join: shutting the pair down
    // first ends any send still waiting (only after a failed run).
    ::shutdown(sender, SHUT_RDWR);
    rawSender.reset();
    ::close(sender);
    ::close(receiver);
    if (!ok) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }
    return 0;
}
