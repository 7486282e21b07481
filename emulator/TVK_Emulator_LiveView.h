#pragma once

#include "TVK_Emulator_Component.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QtGlobal>

// The camera's live view and video recording state.
//
// The camera tells the host what it streams through SupportedStreams (0x5020):
// (mode << 16) | 1 while a stream runs, 0 when none does, with the modes of
// eLEMode. Every change of the mode is written to the property store with a
// report, so the host hears of it through the property-changed event as it
// would from a real camera. A recording (mode 1) covers whatever live view is
// on; at its stop that live view, or none, comes back.
//
// Once the host has set EnabledStreams (0x5021) to 1, each GetStreamData
// answers one frame: a header, seven tagged entries with the side information,
// and a JPEG test picture that moves with the frame number. Frames are made on
// request; nothing in them depends on wall time, so the same seed and the same
// calls give the same bytes. The time code runs freely with the frame number
// at the announced frame rate; the microphone levels are live in video modes
// only; the live exposure is the camera's own metering per mode, following a
// fixed ExposureIndex through the exposure time, unless a test fixes it.
//
// Zoom: each toggle steps through kZoomSteps (level 0 whole picture, level 1
// five times, level 2 ten times, then back to 0). The zoomed source area is
// centred on the focus cross as far as the active sensor area allows. The
// zoom exists only in photo and video live view; leaving them resets it.
//
// Grey-card white balance (the pipette), by mode of the request:
//   0 start: grey-card live view (mode 4) with an uncorrected colour cast;
//   1 preview: the measurement at the focus cross corrects the picture;
//   2 end / 3 save: the grey-card stream ends (mode 0) and live view is off,
//     so that the host switches its previous live view on again.
//
// Refusals:
// - Operation Not Supported: any live-view action or stream operation on a
//   product without live view; recording and video live view on a product
//   without video recording (a product that records but has no live view
//   records without a stream).
// - Invalid Parameter: a live-view kind other than 0 and 1, a grey-card mode
//   above 3, a stream info for a stream other than 0.
// - General Error: what the current state does not allow (preview or save
//   without grey-card view, zoom outside photo or video live view, a second
//   recording start, a stop without recording, grey card while recording and
//   the reverse), and stream data without an enabled stream. Not Device Busy
//   for the latter: a busy answer makes the host's transport retry every
//   fetch for half a second.
//
// Components are called with the camera's state lock held; the public getters
// and setters below take it themselves.
class TVK_Emulator_LiveView : public TVK_Emulator_Component
{
public:
    enum eLEMode {
        kLEModeNone = 0,
        kLEModeRecording = 1,
        kLEModePhoto = 2,
        kLEModeVideo = 3,
        kLEModeGreyCard = 4
    };

    // A rectangle in sensor pixels, as the zoom tag carries it.
    struct Area {
        quint32 x;
        quint32 y;
        quint32 width;
        quint32 height;
    };

    // The emulated sensor: the outer bounds of the read-out and the active
    // (light-sensitive) area inside them.
    static constexpr Area kOuterBounds{0, 0, 6048, 4032};
    static constexpr Area kActiveArea{24, 16, 6000, 4000};

    // Zoom levels as reported in the zoom tag, and their magnifications.
    struct ZoomStep {
        quint32 level;
        quint32 magnification;
    };
    static constexpr ZoomStep kZoomSteps[] = {{0, 1}, {1, 5}, {2, 10}};

    // The live picture follows the VideoResolution the camera announces
    // ((width << 16) | height); this size, 3:2 like the sensor, is used where
    // the camera lists none or one out of these bounds.
    static constexpr int kDefaultImageWidth = 600;
    static constexpr int kDefaultImageHeight = 400;
    static constexpr int kMinImageSide = 64;
    static constexpr int kMaxImageWidth = 1920;
    static constexpr int kMaxImageHeight = 1280;

    // Stream info. One frame travels in one packet; the packet is big enough
    // for the largest JPEG the picture can give (the encoder steps its quality
    // down should a frame ever grow beyond it).
    static constexpr quint32 kPacketMaxSize = 512 * 1024;
    static constexpr quint32 kPacketHeaderSize = 0;
    static constexpr quint32 kPacketAlignment = 1;
    static constexpr quint64 kStreamInfoSize = 36;

    explicit TVK_Emulator_LiveView(TVK_Emulator_Camera *camera);
    ~TVK_Emulator_LiveView() override;

    bool handleTransaction(TVK_Emulator_Transaction &transaction) override;
    bool handleAction(const TVK_Emulator_Action &action, int *responseCode) override;

    // --- State, for tests and diagnostics (take the state lock) -------------
    int mode() const;
    bool isRecording() const;
    quint32 zoomLevel() const;
    quint32 crossX() const;
    quint32 crossY() const;
    quint32 framesServed() const;
    bool whiteBalanceMeasured() const;

    // Fixes the live exposure the frames report (ISO and exposure time in
    // microseconds); iso 0 returns to the camera's own live metering.
    void setLiveExposure(quint32 iso, quint32 exposureMicroseconds);

    // The offset of the JPEG in every frame: the header and all entries.
    static quint32 frameHeaderSize();

private:
    struct Exposure {
        quint32 iso;
        quint32 microseconds;
    };

    bool hasLiveView() const;
    bool hasVideoRecording() const;
    int currentMode() const;
    // Writes the mode to SupportedStreams when it changed, with a report.
    void publishMode();

    int liveViewOn(const TVK_Emulator_Action &action);
    int liveViewOff(const TVK_Emulator_Action &action);
    int toggleZoom(const TVK_Emulator_Action &action);
    int placeFocusCross(const TVK_Emulator_Action &action);
    int whiteBalance(const TVK_Emulator_Action &action);
    int videoStart(const TVK_Emulator_Action &action);
    int videoStop(const TVK_Emulator_Action &action);

    void answerStreamInfo(TVK_Emulator_Transaction &transaction) const;
    void answerStreamData(TVK_Emulator_Transaction &transaction);
    bool streamEnabled() const;

    Area sourceArea() const;
    Exposure liveExposure(int mode) const;
    quint32 frameRateMilliFps() const;
    QByteArray makeFrame(quint32 imageId, int mode) const;
    QSize pictureSize() const;
    QImage renderPicture(quint32 frameIndex, int mode) const;

    int m_kind = kLEModeNone;      // the live view switched on: none, photo or video
    bool m_greyCard = false;
    bool m_greyCardPreviewed = false;
    bool m_whiteBalanceMeasured = false;
    bool m_recording = false;
    int m_publishedMode = kLEModeNone;
    int m_zoomIndex = 0;           // into kZoomSteps
    quint32 m_crossX;
    quint32 m_crossY;
    quint32 m_framesServed = 0;
    Exposure m_fixedExposure{0, 0};
};
