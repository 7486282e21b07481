#include "TVK_Emulator_LiveView.h"

#include "TVK_Emulator_Bytes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <mutex>

using namespace TVK_Commu_Ptp;

namespace {

using TVK_Emulator_Bytes::appendU32;
using TVK_Emulator_Bytes::appendU64;
using TVK_Emulator_Bytes::putU16;
using TVK_Emulator_Bytes::putU32;

// PTP's Invalid Parameter; the access layer itself never needs it.
constexpr int kRespInvalidParameter = 0x201D;

// The streaming properties of PTP 1.1.
constexpr int kPropSupportedStreams = 0x5020;
constexpr int kPropEnabledStreams = 0x5021;
constexpr int kPropVideoResolution = 0x5023;
constexpr int kPropVideoFrameRate = 0x5025;
constexpr int kPropExposureIndex = 0x500F;

// SupportedStreams carries the mode in its upper half and this marker in its
// lower half while a stream runs.
constexpr quint32 kStreamMarker = 1;
// EnabledStreams: the host enables the video stream with bit 0.
constexpr qint64 kVideoStreamBit = 1;

// Frame header. Bytes 0 to 19 are fixed; the tagged entries follow; the JPEG
// starts at the image offset and runs to the end of the frame.
//   0  UINT32 frame length (header, entries and JPEG)
//   4  UINT16 header length A: the header bytes after this field's end (offset 6)
//   6  UINT32 image id
//  10  UINT32 header length B: the frame bytes after this field's end (offset 14)
//  14  UINT16 live-view mode
//  16  UINT32 image offset
//  20  tagged entries: UINT32 tag, UINT32 length, value; tag 0 ends them
constexpr int kFrameLengthOffset = 0;
constexpr int kHeaderLengthAOffset = 4;
constexpr int kHeaderLengthAEnd = 6;
constexpr int kImageIdOffset = 6;
constexpr int kHeaderLengthBOffset = 10;
constexpr int kHeaderLengthBEnd = 14;
constexpr int kModeOffset = 14;
constexpr int kImageOffsetOffset = 16;
constexpr int kFixedHeaderSize = 20;

enum eLETag : quint32 {
    kLETagEnd = 0,
    kLETagISO = 1,
    kLETagExposureTime = 2,
    kLETagExposureTv = 3,
    kLETagZoom = 4,
    kLETagImageId = 5,
    kLETagAudio = 6,
    kLETagTimeCode = 7
};

// Every frame carries these entries, in this order, with these value sizes.
struct TagRow {
    quint32 tag;
    quint32 valueSize;
};
constexpr TagRow kTags[] = {
    {kLETagISO, 4},
    {kLETagExposureTime, 4},
    {kLETagExposureTv, 4},
    {kLETagZoom, 64}, // sixteen UINT32
    {kLETagImageId, 4},
    {kLETagAudio, 16}, // four UINT32
    {kLETagTimeCode, 4},
};
constexpr quint32 kEntryHeaderSize = 8;
constexpr quint32 kEndTagSize = 4;

// The sensor is read as a single stripe.
constexpr quint32 kSelectedStripe = 0;

// The camera's own live metering per mode, before ISO settings adapt it.
// Video shutters follow the 180-degree rule at 25 frames per second.
struct MeteringRow {
    int mode;
    quint32 iso;
    quint32 microseconds;
};
constexpr MeteringRow kMetering[] = {
    {TVK_Emulator_LiveView::kLEModeRecording, 400, 20000},
    {TVK_Emulator_LiveView::kLEModePhoto, 200, 16667},
    {TVK_Emulator_LiveView::kLEModeVideo, 400, 20000},
    {TVK_Emulator_LiveView::kLEModeGreyCard, 100, 33333},
};
// An ExposureIndex outside this range is a code (automatic ISO and the like),
// not a sensitivity the live metering could follow.
constexpr qint64 kMinPlainIso = 50;
constexpr qint64 kMaxPlainIso = 409600;
constexpr quint32 kShortestExposure = 125; // 1/8000 s

constexpr int kDefaultMilliFps = 25000;

constexpr double kPi = 3.14159265358979323846;

// The test scene, in active-area pixels: colour bars over the upper part, a
// grey ramp below, both scrolling sideways; a fine checker target in the
// middle that only a zoom resolves; a disc that circles the picture.
constexpr qint64 kSceneWidth = 6000;
constexpr qint64 kScrollPerFrame = 24;
constexpr qint64 kBarWidth = 750;
constexpr qint64 kBarsEnd = 2700;
constexpr qint64 kCheckerLeft = 2400;
constexpr qint64 kCheckerRight = 3600;
constexpr qint64 kCheckerTop = 1500;
constexpr qint64 kCheckerBottom = 2500;
constexpr qint64 kCheckerSquare = 40;
constexpr quint32 kOrbitFrames = 200;
constexpr double kOrbitCentreX = 3000.0;
constexpr double kOrbitCentreY = 2000.0;
constexpr double kOrbitRadiusX = 1800.0;
constexpr double kOrbitRadiusY = 1100.0;
constexpr qint64 kDiscRadius = 300;

constexpr QRgb kBars[] = {
    qRgb(191, 191, 191), qRgb(191, 191, 0), qRgb(0, 191, 191), qRgb(0, 191, 0),
    qRgb(191, 0, 191),   qRgb(191, 0, 0),   qRgb(0, 0, 191),   qRgb(16, 16, 16),
};
constexpr QRgb kWhite = qRgb(235, 235, 235);
constexpr QRgb kBlack = qRgb(16, 16, 16);
constexpr QRgb kLetterbox = qRgb(0, 0, 0);
constexpr QRgb kRecordDot = qRgb(220, 0, 0);
constexpr int kRecordDotCentre = 16;
constexpr int kRecordDotRadius = 8;

// An unmeasured grey card shows the warm cast of the scene's light.
constexpr int kCastRedPercent = 115;
constexpr int kCastBluePercent = 85;

// Lower qualities are only tried when a frame would not fit the packet.
constexpr int kJpegQualities[] = {75, 50, 25};

// Audio: a tone whose level swells and fades over two seconds, with peaks a
// little above the RMS, both in thousandths of full scale.
constexpr quint32 kAudioCycleFrames = 50;
constexpr double kAudioMeanRms = 300.0;
constexpr double kAudioSwing = 150.0;
constexpr double kAudioRightPhase = kPi / 3.0;
constexpr quint32 kAudioPeakJitter = 120;
constexpr quint32 kAudioFullScale = 1000;

// A small integer hash, so that the audio peaks jitter without touching the
// camera's random generator (whose sequence other components share).
quint32 mix(quint32 value)
{
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    value ^= value >> 16;
    return value;
}

quint32 clampToRange(qint64 value, quint32 low, quint32 high)
{
    return quint32(std::clamp<qint64>(value, low, high));
}

QRgb sceneColour(qint64 u, qint64 v, qint64 scroll, qint64 discX, qint64 discY)
{
    const qint64 dx = u - discX;
    const qint64 dy = v - discY;
    if (dx * dx + dy * dy <= kDiscRadius * kDiscRadius)
        return kWhite;
    if (u >= kCheckerLeft && u < kCheckerRight && v >= kCheckerTop && v < kCheckerBottom)
        return ((u / kCheckerSquare + v / kCheckerSquare) & 1) ? kWhite : kBlack;
    const qint64 shifted = (u + scroll) % kSceneWidth;
    if (v < kBarsEnd)
        return kBars[(shifted / kBarWidth) % qint64(std::size(kBars))];
    const int grey = int(16 + shifted * 220 / kSceneWidth);
    return qRgb(grey, grey, grey);
}

QRgb withCast(QRgb colour)
{
    return qRgb(std::min(255, qRed(colour) * kCastRedPercent / 100), qGreen(colour),
                qBlue(colour) * kCastBluePercent / 100);
}

bool isVideoMode(int mode)
{
    return mode == TVK_Emulator_LiveView::kLEModeRecording || mode == TVK_Emulator_LiveView::kLEModeVideo;
}

} // namespace

TVK_Emulator_LiveView::TVK_Emulator_LiveView(TVK_Emulator_Camera *camera)
    : TVK_Emulator_Component(camera)
    , m_crossX(kActiveArea.x + kActiveArea.width / 2)
    , m_crossY(kActiveArea.y + kActiveArea.height / 2)
{
    const std::lock_guard<std::recursive_mutex> locker(camera->stateLock());
    // A camera starts without a stream, whatever the property table's default.
    TVK_Emulator_PropertyStore *store = camera->properties();
    if (store != nullptr && store->has(kPropSupportedStreams))
        store->setValue(kPropSupportedStreams, 0, false);
}

TVK_Emulator_LiveView::~TVK_Emulator_LiveView() = default;

bool TVK_Emulator_LiveView::hasLiveView() const
{
    return camera()->profile() != nullptr && camera()->profile()->hasLiveView;
}

bool TVK_Emulator_LiveView::hasVideoRecording() const
{
    return camera()->profile() != nullptr && camera()->profile()->hasVideoRecording;
}

int TVK_Emulator_LiveView::currentMode() const
{
    if (m_recording)
        return kLEModeRecording;
    if (m_greyCard)
        return kLEModeGreyCard;
    return m_kind;
}

void TVK_Emulator_LiveView::publishMode()
{
    const int mode = currentMode();
    // The magnified view belongs to photo and video live view only.
    if (mode != kLEModePhoto && mode != kLEModeVideo)
        m_zoomIndex = 0;
    if (mode == m_publishedMode)
        return;
    m_publishedMode = mode;
    TVK_Emulator_PropertyStore *store = camera()->properties();
    if (store == nullptr || !store->has(kPropSupportedStreams))
        return;
    const qint64 value = mode == kLEModeNone ? 0 : (qint64(mode) << 16) | kStreamMarker;
    store->setValue(kPropSupportedStreams, value, true);
}

// --- Actions -----------------------------------------------------------------

bool TVK_Emulator_LiveView::handleAction(const TVK_Emulator_Action &action, int *responseCode)
{
    using Handler = int (TVK_Emulator_LiveView::*)(const TVK_Emulator_Action &);
    struct ActionRow {
        TVK_Emulator_Action::eLEKind kind;
        Handler handler;
    };
    static const ActionRow kActions[] = {
        {TVK_Emulator_Action::kLELiveViewOn, &TVK_Emulator_LiveView::liveViewOn},
        {TVK_Emulator_Action::kLELiveViewOff, &TVK_Emulator_LiveView::liveViewOff},
        {TVK_Emulator_Action::kLEToggleZoom, &TVK_Emulator_LiveView::toggleZoom},
        {TVK_Emulator_Action::kLEFocusCross, &TVK_Emulator_LiveView::placeFocusCross},
        {TVK_Emulator_Action::kLELiveViewWhiteBalance, &TVK_Emulator_LiveView::whiteBalance},
        {TVK_Emulator_Action::kLEVideoStart, &TVK_Emulator_LiveView::videoStart},
        {TVK_Emulator_Action::kLEVideoStop, &TVK_Emulator_LiveView::videoStop},
    };
    const auto row = std::find_if(std::begin(kActions), std::end(kActions),
                                  [&action](const ActionRow &candidate) { return candidate.kind == action.kind; });
    if (row == std::end(kActions))
        return false;

    TVK_METHOD(prefix);
    // Recording needs a camera that records; video live view as well, since
    // it shows what a recording would take.
    const bool recording = action.kind == TVK_Emulator_Action::kLEVideoStart
                           || action.kind == TVK_Emulator_Action::kLEVideoStop;
    const bool videoKind = (action.kind == TVK_Emulator_Action::kLELiveViewOn
                            || action.kind == TVK_Emulator_Action::kLELiveViewOff)
                           && action.value == 1;
    bool available = recording ? hasVideoRecording() : hasLiveView();
    if (videoKind)
        available = available && hasVideoRecording();
    int response = kRespOperationNotSupported;
    if (available)
        response = (this->*(row->handler))(action);
    if (response != kRespOK)
        debugLog(kLELogDummy, "%s - action %d value %lld refused with 0x%04X", prefix, int(action.kind),
                 static_cast<long long>(action.value), unsigned(response));
    publishMode();
    if (responseCode != nullptr)
        *responseCode = response;
    return true;
}

int TVK_Emulator_LiveView::liveViewOn(const TVK_Emulator_Action &action)
{
    if (action.value != 0 && action.value != 1)
        return kRespInvalidParameter;
    // Switching live view on leaves a grey-card view without a measurement.
    m_greyCard = false;
    m_kind = action.value == 0 ? kLEModePhoto : kLEModeVideo;
    return kRespOK;
}

int TVK_Emulator_LiveView::liveViewOff(const TVK_Emulator_Action &action)
{
    if (action.value != 0 && action.value != 1)
        return kRespInvalidParameter;
    // Switching off a kind that is not on changes nothing; the host sends it
    // when its buttons follow a mode the camera chose by itself.
    const int kind = action.value == 0 ? kLEModePhoto : kLEModeVideo;
    if (m_kind == kind) {
        m_kind = kLEModeNone;
        m_greyCard = false;
    }
    return kRespOK;
}

int TVK_Emulator_LiveView::toggleZoom(const TVK_Emulator_Action &)
{
    const int mode = currentMode();
    if (mode != kLEModePhoto && mode != kLEModeVideo)
        return kRespGeneralError;
    m_zoomIndex = (m_zoomIndex + 1) % int(std::size(kZoomSteps));
    return kRespOK;
}

int TVK_Emulator_LiveView::placeFocusCross(const TVK_Emulator_Action &action)
{
    // The cross cannot leave the light-sensitive area.
    m_crossX = clampToRange(action.value, kActiveArea.x, kActiveArea.x + kActiveArea.width - 1);
    m_crossY = clampToRange(action.value2, kActiveArea.y, kActiveArea.y + kActiveArea.height - 1);
    return kRespOK;
}

int TVK_Emulator_LiveView::whiteBalance(const TVK_Emulator_Action &action)
{
    enum { kStart = 0, kPreview = 1, kEnd = 2, kSave = 3 };
    if (action.value < kStart || action.value > kSave)
        return kRespInvalidParameter;
    if (m_recording)
        return kRespGeneralError;
    switch (action.value) {
    case kStart:
        m_greyCard = true;
        m_greyCardPreviewed = false;
        return kRespOK;
    case kPreview:
        if (!m_greyCard)
            return kRespGeneralError;
        m_greyCardPreviewed = true;
        return kRespOK;
    case kEnd:
        // Ending a grey-card view that has ended already is harmless.
        break;
    case kSave:
        if (!m_greyCard)
            return kRespGeneralError;
        m_whiteBalanceMeasured = true;
        break;
    default:
        break;
    }
    if (m_greyCard) {
        // The grey-card stream ends with live view off; the host switches the
        // live view it had before on again.
        m_greyCard = false;
        m_kind = kLEModeNone;
    }
    return kRespOK;
}

int TVK_Emulator_LiveView::videoStart(const TVK_Emulator_Action &)
{
    if (m_recording || m_greyCard)
        return kRespGeneralError;
    m_recording = true;
    return kRespOK;
}

int TVK_Emulator_LiveView::videoStop(const TVK_Emulator_Action &)
{
    if (!m_recording)
        return kRespGeneralError;
    // The live view that ran before the recording (if any) comes back.
    m_recording = false;
    return kRespOK;
}

// --- Transactions ------------------------------------------------------------

bool TVK_Emulator_LiveView::handleTransaction(TVK_Emulator_Transaction &transaction)
{
    const int op = transaction.operationCode;
    if (op != kOpGetStreamInfo && op != kOpGetStreamData)
        return false;
    if (!hasLiveView()) {
        transaction.fail(kRespOperationNotSupported);
        return true;
    }
    if (op == kOpGetStreamInfo)
        answerStreamInfo(transaction);
    else
        answerStreamData(transaction);
    return true;
}

quint32 TVK_Emulator_LiveView::frameRateMilliFps() const
{
    // The rate the host paces itself by, when the camera lists it.
    const TVK_Emulator_PropertyStore *store = camera()->properties();
    if (store != nullptr && store->has(kPropVideoFrameRate) && store->value(kPropVideoFrameRate) > 0)
        return quint32(store->value(kPropVideoFrameRate));
    const TVK_Emulator_Profile *profile = camera()->profile();
    if (profile != nullptr && profile->frameRateMilliFps > 0)
        return quint32(profile->frameRateMilliFps);
    return kDefaultMilliFps;
}

void TVK_Emulator_LiveView::answerStreamInfo(TVK_Emulator_Transaction &transaction) const
{
    // Only the live-view stream (0) exists.
    if (transaction.param(0) != 0) {
        transaction.fail(kRespInvalidParameter);
        return;
    }
    // The stream's clock ticks once per frame: its resolution is the frame
    // period in nanoseconds.
    const quint64 framePeriodNs = 1000000000000ull / frameRateMilliFps();
    QByteArray info;
    appendU64(info, kStreamInfoSize);
    appendU64(info, framePeriodNs);
    appendU32(info, frameHeaderSize());
    appendU32(info, kPacketMaxSize); // a frame never outgrows its packet
    appendU32(info, kPacketHeaderSize);
    appendU32(info, kPacketMaxSize);
    appendU32(info, kPacketAlignment);
    transaction.dataIn = info;
}

bool TVK_Emulator_LiveView::streamEnabled() const
{
    const TVK_Emulator_PropertyStore *store = camera()->properties();
    return store != nullptr && store->has(kPropEnabledStreams)
           && (store->value(kPropEnabledStreams) & kVideoStreamBit) != 0 && currentMode() != kLEModeNone;
}

void TVK_Emulator_LiveView::answerStreamData(TVK_Emulator_Transaction &transaction)
{
    TVK_METHOD(prefix);
    if (!streamEnabled()) {
        debugLog(kLELogDummy, "%s - no stream enabled (mode %d)", prefix, currentMode());
        transaction.fail(kRespGeneralError);
        return;
    }
    ++m_framesServed;
    const QByteArray frame = makeFrame(m_framesServed, currentMode());
    if (frame.isEmpty()) {
        debugLog(kLELogAlways, "%s - cannot encode live picture %u", prefix, unsigned(m_framesServed));
        transaction.fail(kRespGeneralError);
        return;
    }
    transaction.dataIn = frame;
}

quint32 TVK_Emulator_LiveView::frameHeaderSize()
{
    quint32 size = kFixedHeaderSize + kEndTagSize;
    for (const TagRow &row : kTags)
        size += kEntryHeaderSize + row.valueSize;
    return size;
}

TVK_Emulator_LiveView::Area TVK_Emulator_LiveView::sourceArea() const
{
    // Centred on the focus cross, kept inside the active area.
    const quint32 magnification = kZoomSteps[m_zoomIndex].magnification;
    const quint32 width = kActiveArea.width / magnification;
    const quint32 height = kActiveArea.height / magnification;
    const quint32 x = clampToRange(qint64(m_crossX) - width / 2, kActiveArea.x,
                                   kActiveArea.x + kActiveArea.width - width);
    const quint32 y = clampToRange(qint64(m_crossY) - height / 2, kActiveArea.y,
                                   kActiveArea.y + kActiveArea.height - height);
    return {x, y, width, height};
}

TVK_Emulator_LiveView::Exposure TVK_Emulator_LiveView::liveExposure(int mode) const
{
    if (m_fixedExposure.iso != 0)
        return m_fixedExposure;
    const auto row = std::find_if(std::begin(kMetering), std::end(kMetering),
                                  [mode](const MeteringRow &candidate) { return candidate.mode == mode; });
    const MeteringRow &metering = row != std::end(kMetering) ? *row : kMetering[1];
    // With a fixed ISO the live metering keeps the brightness by the exposure
    // time, which cannot exceed one frame.
    const TVK_Emulator_PropertyStore *store = camera()->properties();
    if (store != nullptr && store->has(kPropExposureIndex)) {
        const qint64 iso = store->value(kPropExposureIndex);
        if (iso >= kMinPlainIso && iso <= kMaxPlainIso) {
            const quint32 framePeriodUs = quint32(1000000000ull / frameRateMilliFps());
            const qint64 time = qint64(metering.microseconds) * metering.iso / iso;
            return {quint32(iso), clampToRange(time, kShortestExposure, std::max(kShortestExposure, framePeriodUs))};
        }
    }
    return {metering.iso, metering.microseconds};
}

QByteArray TVK_Emulator_LiveView::makeFrame(quint32 imageId, int mode) const
{
    const quint32 frameIndex = imageId - 1;
    const Exposure exposure = liveExposure(mode);
    // Tv is log2(1 / t) with t in seconds, in 1/256 steps.
    const qint32 tv = qint32(std::lround(std::log2(1000000.0 / exposure.microseconds) * 256.0));

    const Area source = sourceArea();
    const quint32 zoom[] = {
        kSelectedStripe,       kZoomSteps[m_zoomIndex].level,
        kOuterBounds.x,        kOuterBounds.y,
        kOuterBounds.width,    kOuterBounds.height,
        kActiveArea.x,         kActiveArea.y,
        kActiveArea.width,     kActiveArea.height,
        source.x,              source.y,
        source.width,          source.height,
        m_crossX,              m_crossY,
    };

    // The microphone is live in video modes only.
    quint32 audio[4] = {0, 0, 0, 0}; // peak left, peak right, RMS left, RMS right
    if (isVideoMode(mode)) {
        const double angle = 2.0 * kPi * double(frameIndex % kAudioCycleFrames) / kAudioCycleFrames;
        const quint32 rmsLeft = quint32(std::lround(kAudioMeanRms + kAudioSwing * std::sin(angle)));
        const quint32 rmsRight = quint32(std::lround(kAudioMeanRms + kAudioSwing * std::sin(angle + kAudioRightPhase)));
        audio[0] = std::min(kAudioFullScale, rmsLeft * 14 / 10 + mix(frameIndex * 2) % kAudioPeakJitter);
        audio[1] = std::min(kAudioFullScale, rmsRight * 14 / 10 + mix(frameIndex * 2 + 1) % kAudioPeakJitter);
        audio[2] = rmsLeft;
        audio[3] = rmsRight;
    }

    // A free-running time code at the stream's nominal frame rate.
    const quint32 fps = std::max(1u, quint32(std::lround(frameRateMilliFps() / 1000.0)));
    const quint32 seconds = frameIndex / fps;
    const char timeCode[] = {char((seconds / 3600) % 24), char((seconds / 60) % 60), char(seconds % 60),
                             char(frameIndex % fps)};

    QByteArray values[std::size(kTags)];
    for (size_t i = 0; i < std::size(kTags); ++i) {
        QByteArray &value = values[i];
        switch (kTags[i].tag) {
        case kLETagISO: appendU32(value, exposure.iso); break;
        case kLETagExposureTime: appendU32(value, exposure.microseconds); break;
        case kLETagExposureTv: appendU32(value, quint32(tv)); break;
        case kLETagZoom:
            for (quint32 field : zoom)
                appendU32(value, field);
            break;
        case kLETagImageId: appendU32(value, imageId); break;
        case kLETagAudio:
            for (quint32 level : audio)
                appendU32(value, level);
            break;
        case kLETagTimeCode: value.append(timeCode, int(sizeof timeCode)); break;
        default: break;
        }
        Q_ASSERT(quint32(value.size()) == kTags[i].valueSize);
    }

    QByteArray frame(kFixedHeaderSize, '\0');
    for (size_t i = 0; i < std::size(kTags); ++i) {
        appendU32(frame, kTags[i].tag);
        appendU32(frame, quint32(values[i].size()));
        frame.append(values[i]);
    }
    appendU32(frame, kLETagEnd);
    const int imageOffset = frame.size();
    Q_ASSERT(quint32(imageOffset) == frameHeaderSize());

    const QImage picture = renderPicture(frameIndex, mode);
    QByteArray jpeg;
    for (int quality : kJpegQualities) {
        jpeg.clear();
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(picture))
            return QByteArray();
        if (quint32(imageOffset + jpeg.size()) <= kPacketMaxSize)
            break;
    }
    if (quint32(imageOffset + jpeg.size()) > kPacketMaxSize)
        return QByteArray();
    frame.append(jpeg);

    putU32(frame, kFrameLengthOffset, quint32(frame.size()));
    putU16(frame, kHeaderLengthAOffset, quint16(imageOffset - kHeaderLengthAEnd));
    putU32(frame, kImageIdOffset, imageId);
    putU32(frame, kHeaderLengthBOffset, quint32(frame.size() - kHeaderLengthBEnd));
    putU16(frame, kModeOffset, quint16(mode));
    putU32(frame, kImageOffsetOffset, quint32(imageOffset));
    return frame;
}

QSize TVK_Emulator_LiveView::pictureSize() const
{
    const TVK_Emulator_PropertyStore *store = camera()->properties();
    if (store != nullptr && store->has(kPropVideoResolution)) {
        const qint64 resolution = store->value(kPropVideoResolution);
        const int width = int((resolution >> 16) & 0xFFFF);
        const int height = int(resolution & 0xFFFF);
        if (width >= kMinImageSide && width <= kMaxImageWidth && height >= kMinImageSide
            && height <= kMaxImageHeight)
            return QSize(width, height);
    }
    return QSize(kDefaultImageWidth, kDefaultImageHeight);
}

QImage TVK_Emulator_LiveView::renderPicture(quint32 frameIndex, int mode) const
{
    // The picture always shows exactly the source area, whatever its shape:
    // the host maps clicks through the source area onto the whole picture.
    const QSize size = pictureSize();
    const int imageWidth = size.width();
    const int imageHeight = size.height();
    QImage image(size, QImage::Format_RGB32);
    const Area source = sourceArea();
    const qint64 scroll = qint64(frameIndex % quint32(kSceneWidth / kScrollPerFrame)) * kScrollPerFrame;
    const double angle = 2.0 * kPi * double(frameIndex % kOrbitFrames) / kOrbitFrames;
    const qint64 discX = std::lround(kOrbitCentreX + kOrbitRadiusX * std::cos(angle));
    const qint64 discY = std::lround(kOrbitCentreY + kOrbitRadiusY * std::sin(angle));
    // Video is 16:9 inside the 3:2 picture.
    const int band = isVideoMode(mode) ? std::max(0, (imageHeight - imageWidth * 9 / 16) / 2) : 0;
    const bool cast = mode == kLEModeGreyCard && !m_greyCardPreviewed;

    for (int py = 0; py < imageHeight; ++py) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(py));
        if (py < band || py >= imageHeight - band) {
            std::fill(line, line + imageWidth, kLetterbox);
            continue;
        }
        // Each picture pixel samples the middle of the sensor pixels it covers.
        const qint64 v = qint64(source.y - kActiveArea.y) + (qint64(2 * py + 1) * source.height) / (2 * imageHeight);
        for (int px = 0; px < imageWidth; ++px) {
            const qint64 u = qint64(source.x - kActiveArea.x) + (qint64(2 * px + 1) * source.width) / (2 * imageWidth);
            const QRgb colour = sceneColour(u, v, scroll, discX, discY);
            line[px] = cast ? withCast(colour) : colour;
        }
    }

    if (mode == kLEModeRecording) {
        for (int dy = -kRecordDotRadius; dy <= kRecordDotRadius; ++dy) {
            QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(kRecordDotCentre + dy));
            for (int dx = -kRecordDotRadius; dx <= kRecordDotRadius; ++dx) {
                if (dx * dx + dy * dy <= kRecordDotRadius * kRecordDotRadius)
                    line[kRecordDotCentre + dx] = kRecordDot;
            }
        }
    }
    return image;
}

// --- State for tests ---------------------------------------------------------

int TVK_Emulator_LiveView::mode() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return currentMode();
}

bool TVK_Emulator_LiveView::isRecording() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_recording;
}

quint32 TVK_Emulator_LiveView::zoomLevel() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return kZoomSteps[m_zoomIndex].level;
}

quint32 TVK_Emulator_LiveView::crossX() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_crossX;
}

quint32 TVK_Emulator_LiveView::crossY() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_crossY;
}

quint32 TVK_Emulator_LiveView::framesServed() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_framesServed;
}

bool TVK_Emulator_LiveView::whiteBalanceMeasured() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return m_whiteBalanceMeasured;
}

void TVK_Emulator_LiveView::setLiveExposure(quint32 iso, quint32 exposureMicroseconds)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    m_fixedExposure = {iso, std::max(1u, exposureMicroseconds)};
}
