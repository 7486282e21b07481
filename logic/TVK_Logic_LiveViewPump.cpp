#include "TVK_Logic_LiveViewPump.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_CameraStreamInfo.h"

#include <QByteArray>
#include <QTimer>

#include <utility>

namespace {

// Support looks the stream up in the log under the camera model's names.
const char *const kPreparePrefix = "TVK_Logic_Camera::prepareLiveViewStreaming()";
const char *const kFinishPrefix = "TVK_Logic_Camera::finishLiveViewStreaming()";
const char *const kFetchPrefix = "TVK_Logic_Camera::catchLiveViewTimerFired()";

// SupportedStreams: the low half is 1 while the camera streams, the high half
// then says what it streams.
constexpr quint32 kStreamingMarker = 1;
// VideoFrameRate is in thousandths of frames per second.
constexpr int kMilliFramesPerSecondMs = 1000000;
constexpr int kDefaultFramePeriodMs = 40;
constexpr int kMinFetchDelayMs = 5;
// A frame never comes near this; a larger packet size is a broken stream info.
constexpr quint32 kMaxPacketSize = 64u * 1024u * 1024u;

int modeOf(quint32 streams)
{
    return (streams & 0xFFFFu) == kStreamingMarker ? int(streams >> 16) : TVK_Logic_LiveViewPump::kLEModeNone;
}

} // namespace

TVK_Logic_LiveViewPump::TVK_Logic_LiveViewPump(TVK_Commu_CameraAccess_Base *access)
    : m_access(access)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    // A coarse timer may fire 5 % early, which would outrun the camera's frame rate.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &TVK_Logic_LiveViewPump::fetchFrame);
}

TVK_Logic_LiveViewPump::~TVK_Logic_LiveViewPump()
{
    m_timer->stop();
}

void TVK_Logic_LiveViewPump::setFrameSink(FrameSink sink)
{
    m_sink = std::move(sink);
}

bool TVK_Logic_LiveViewPump::wanted()
{
    const std::lock_guard<std::mutex> locker(m_wantedMutex);
    return m_wanted;
}

bool TVK_Logic_LiveViewPump::setWanted(bool want)
{
    const std::lock_guard<std::mutex> locker(m_wantedMutex);
    if (want == m_wanted)
        return false;
    m_wanted = want;
    return true;
}

int TVK_Logic_LiveViewPump::modeFromCamera()
{
    quint32 streams = 0;
    if (!m_access->getDevicePropSupportedStreams(streams))
        return kLEModeNone;
    return modeOf(streams);
}

bool TVK_Logic_LiveViewPump::readMode(const char *prefix, int *mode)
{
    quint32 streams = 0;
    if (!m_access->getDevicePropSupportedStreams(streams)) {
        debugLog(kLELogAlways, "%s - getDevicePropSupportedStreams failed!", prefix);
        return false;
    }
    debugLog(kLELogStream, "%s - supportedStreams = 0x%08x", prefix, unsigned(streams));
    *mode = modeOf(streams);
    return true;
}

void TVK_Logic_LiveViewPump::noteKind(int mode)
{
    if (mode == kLEModePhoto || mode == kLEModeVideo)
        m_lastKind = mode;
}

void TVK_Logic_LiveViewPump::checkIfActive(const char *prefix)
{
    int mode = kLEModeNone;
    if (!readMode(prefix, &mode))
        return;
    Q_EMIT signalMode(mode);
    if (mode != kLEModeNone) {
        if (!isPrepared())
            prepare();
        noteKind(mode);
    } else if (isPrepared()) {
        finish();
    }
}

bool TVK_Logic_LiveViewPump::followSupportedStreams(const char *prefix, int *mode)
{
    if (!wanted())
        return false;
    int reported = kLEModeNone;
    if (!readMode(prefix, &reported))
        return false;
    Q_EMIT signalMode(reported);
    if (reported != kLEModeNone) {
        prepare();
        noteKind(reported);
    } else {
        finish();
    }
    *mode = reported;
    return true;
}

void TVK_Logic_LiveViewPump::logEnabledStreams(const char *prefix)
{
    quint32 enabled = 0;
    if (m_access->getDevicePropEnabledStreams(enabled))
        debugLog(kLELogStream, "%s - enabledStreams   = 0x%08x", prefix, unsigned(enabled));
    else
        debugLog(kLELogAlways, "%s - getDevicePropEnabledStreams failed!", prefix);
}

void TVK_Logic_LiveViewPump::prepare()
{
    const char *const prefix = kPreparePrefix;
    if (isPrepared()) {
        debugLog(kLELogAlways, "%s - live view streaming still active", prefix);
        return;
    }
    if (!m_access->setDevicePropEnabledStreams(1)) {
        debugLog(kLELogAlways, "%s - setDevicePropEnabledStreams failed!", prefix);
        return;
    }
    quint32 format = 0;
    if (!m_access->getDevicePropStreamVideoFormat(format)) {
        debugLog(kLELogAlways, "%s - getDevicePropStreamVideoFormat failed!", prefix);
        return;
    }
    // A four-character code; unprintable bytes would garble the log line.
    auto printable = [format](int shift) {
        const char c = char((format >> shift) & 0xFFu);
        return (c >= 0x20 && c < 0x7F) ? c : '.';
    };
    debugLog(kLELogStream, "%s - streamVideoFormat = %d (%c%c%c%c)", prefix, int(format), printable(0), printable(8),
             printable(16), printable(24));
    quint32 frameRate = 0;
    if (!m_access->getDevicePropStreamVideoFrameRate(frameRate)) {
        debugLog(kLELogAlways, "%s - getDevicePropStreamVideoFrameRate failed!", prefix);
        return;
    }
    debugLog(kLELogStream, "%s - streamVideoFrameRate = %d", prefix, int(frameRate));
    int framePeriod = kDefaultFramePeriodMs;
    if (frameRate > 0)
        framePeriod = int(quint32(kMilliFramesPerSecondMs) / frameRate);
    quint32 resolution = 0;
    if (!m_access->getDevicePropStreamVideoResolution(resolution)) {
        debugLog(kLELogAlways, "%s - getDevicePropStreamVideoResolution failed!", prefix);
        return;
    }
    debugLog(kLELogStream, "%s - streamVideoResolution = %d", prefix, int(resolution));

    m_streamInfo = std::make_unique<TVK_Logic_CameraStreamInfo>(m_access);
    m_framePeriodMs = framePeriod;
    m_awaitingConsumed = false;
    m_timer->start(m_framePeriodMs);
}

void TVK_Logic_LiveViewPump::finish()
{
    const char *const prefix = kFinishPrefix;
    m_timer->stop();
    m_awaitingConsumed = false;
    if (isPrepared()) {
        if (!m_access->setDevicePropEnabledStreams(0))
            debugLog(kLELogAlways, "%s - setDevicePropEnabledStreams failed!", prefix);
        m_streamInfo.reset();
    } else {
        debugLog(kLELogAlways, "%s - live view streaming not active", prefix);
    }
    Q_EMIT signalFinished();
    m_hasZoom = false;
    m_zoom = TVK_Logic_StreamFrameParser::ZoomInfo();
}

void TVK_Logic_LiveViewPump::armTimer()
{
    const qint64 elapsed = m_frameClock.isValid() ? m_frameClock.elapsed() : 0;
    const qint64 delay = qint64(m_framePeriodMs) - elapsed;
    m_timer->start(delay <= kMinFetchDelayMs ? kMinFetchDelayMs : int(delay));
}

void TVK_Logic_LiveViewPump::fetchFrame()
{
    const char *const prefix = kFetchPrefix;
    if (!isPrepared())
        return;
    m_frameClock.start();

    bool fetched = false;
    const quint32 packetSize = m_streamInfo->packetMaxSize();
    if (packetSize == 0 || packetSize > kMaxPacketSize) {
        debugLog(kLELogAlways, "%s - cannot allocate stream data packet!", prefix);
    } else {
        QByteArray buffer(int(packetSize), '\0');
        if (buffer.size() != int(packetSize))
            debugLog(kLELogAlways, "%s - cannot allocate stream data packet!", prefix);
        else if (!m_access->getStreamData(buffer.data(), unsigned(buffer.size())))
            debugLog(kLELogAlways, "%s - getStreamData failed!", prefix);
        else
            fetched = decodeFrame(prefix, buffer);
    }

    // A frame nobody gets is never consumed: without a new fetch here a
    // single broken frame would stop the stream while the window is open.
    if (m_waitConsumed && fetched) {
        m_awaitingConsumed = true;
        return;
    }
    armTimer();
}

bool TVK_Logic_LiveViewPump::decodeFrame(const char *prefix, const QByteArray &buffer)
{
    using Parser = TVK_Logic_StreamFrameParser;
    Frame frame;
    frame.info = Parser::parse(buffer.constData(), size_t(buffer.size()), prefix);
    if (!frame.info.ok)
        return false;
    // The parser guarantees imageOffset + imageLength == the buffer size.
    frame.image = QImage::fromData(reinterpret_cast<const uchar *>(buffer.constData()) + frame.info.imageOffset,
                                   int(frame.info.imageLength));
    if (frame.image.isNull()) {
        // Its side information belongs to a picture nobody sees; the whole
        // frame is dropped rather than shown as an empty one.
        debugLog(kLELogAlways, "%s - cannot decode live view image (%lu bytes) - frame skipped", prefix,
                 (unsigned long)frame.info.imageLength);
        return false;
    }
    deliverFrame(prefix, frame);
    return true;
}

void TVK_Logic_LiveViewPump::deliverFrame(const char *prefix, const Frame &frame)
{
    const TVK_Logic_StreamFrameParser::Result &info = frame.info;
    if (info.hasZoom) {
        m_zoom = info.zoom;
        m_hasZoom = true;
        // An empty source area or outer bounds has no relative geometry; the
        // window keeps what it showed last.
        if (!info.hasRelativeFocusPosition)
            debugLog(kLELogAlways, "%s - zoom info without image source area", prefix);
        if (!info.hasRelativeSourceArea)
            debugLog(kLELogAlways, "%s - zoom info without outer bounds", prefix);
    }
    if (m_sink)
        m_sink(frame);
}

void TVK_Logic_LiveViewPump::setWaitConsumed(bool waitConsumed)
{
    if (waitConsumed == m_waitConsumed)
        return;
    m_waitConsumed = waitConsumed;
    // A window that closes before it consumed its frame must not stall the stream.
    if (!waitConsumed && m_awaitingConsumed) {
        m_awaitingConsumed = false;
        if (isPrepared())
            armTimer();
    }
}

void TVK_Logic_LiveViewPump::consumed()
{
    // Only the frame that went out releases the next fetch: a repeated or late
    // notification must not start a second one.
    if (!m_waitConsumed || !m_awaitingConsumed)
        return;
    m_awaitingConsumed = false;
    if (isPrepared())
        armTimer();
}
