#pragma once

#include "TVK_Logic_StreamFrameParser.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

class QByteArray;
class QTimer;
class TVK_Commu_CameraAccess_Base;
class TVK_Logic_CameraStreamInfo;

// The camera's live-view stream, in the controller thread: which mode the
// camera streams in, the stream's set-up and end, and one frame fetched per
// frame period, each taken apart and decoded before it is handed on.
class TVK_Logic_LiveViewPump : public QObject
{
    Q_OBJECT

public:
    // A decoded frame and its side information.
    struct Frame {
        QImage image;
        TVK_Logic_StreamFrameParser::Result info;
    };
    // Where every decoded frame goes, once; analysis stages wrap it.
    using FrameSink = std::function<void(const Frame &frame)>;

    // The SupportedStreams modes; the high half of the property while the
    // camera streams.
    enum eLEMode : int { kLEModeNone = 0, kLEModeRecording = 1, kLEModePhoto = 2, kLEModeVideo = 3 };

    explicit TVK_Logic_LiveViewPump(TVK_Commu_CameraAccess_Base *access);
    ~TVK_Logic_LiveViewPump() override;

    TVK_Logic_LiveViewPump(const TVK_Logic_LiveViewPump &) = delete;
    TVK_Logic_LiveViewPump &operator=(const TVK_Logic_LiveViewPump &) = delete;

    void setFrameSink(FrameSink sink);

    // Whether the user wants the stream; any thread may ask.
    bool wanted();
    // False when want was already so.
    bool setWanted(bool want);

    // The mode the camera streams in, 0 when it streams nothing or the read
    // failed; no log line.
    int modeFromCamera();
    // Asks the camera what it streams and prepares or finishes the stream to match.
    void checkIfActive(const char *prefix);
    // The camera reported new SupportedStreams: the stream follows its mode,
    // also when it was prepared or finished already. False, and mode
    // untouched, when the stream is not wanted or the read failed.
    bool followSupportedStreams(const char *prefix, int *mode);
    void logEnabledStreams(const char *prefix);
    // Enables the camera's stream and starts fetching frames at its frame rate.
    void prepare();
    // Stops fetching and disables the camera's stream.
    void finish();
    bool isPrepared() const { return m_streamInfo != nullptr; }
    // Target time between two frame fetches, from the camera's frame rate.
    int framePeriod() const { return m_framePeriodMs; }
    // The last photo (2) or video (3) mode reported, 0 before either.
    int lastKind() const { return m_lastKind; }
    // The zoom geometry of the last frame that had one; null before the
    // first and after the stream ended.
    const TVK_Logic_StreamFrameParser::ZoomInfo *zoom() const { return m_hasZoom ? &m_zoom : nullptr; }

    // While set, each frame is fetched only after the one before was consumed.
    void setWaitConsumed(bool waitConsumed);
    void consumed();
    // One fetch, as the frame timer makes it.
    void fetchFrame();

Q_SIGNALS:
    // The mode the camera reported, before the stream follows it.
    void signalMode(int mode);
    void signalFinished();

private:
    // Reads SupportedStreams with its log lines; false when the read failed.
    bool readMode(const char *prefix, int *mode);
    void noteKind(int mode);
    // Takes the frame in buffer apart and decodes it; false for a broken frame.
    bool decodeFrame(const char *prefix, const QByteArray &buffer);
    // The one place a frame leaves the pump.
    void deliverFrame(const char *prefix, const Frame &frame);
    // Starts the next fetch one frame period after the last one began.
    void armTimer();

    TVK_Commu_CameraAccess_Base *m_access;
    FrameSink m_sink;
    // Also read by the property-changed and the refresh slots, hence the mutex.
    std::mutex m_wantedMutex;
    bool m_wanted = true;
    std::unique_ptr<TVK_Logic_CameraStreamInfo> m_streamInfo;
    QTimer *m_timer = nullptr;
    int m_framePeriodMs = 40;
    QElapsedTimer m_frameClock;
    bool m_waitConsumed = false;
    // A frame was handed on and its consumption is awaited.
    bool m_awaitingConsumed = false;
    bool m_hasZoom = false;
    TVK_Logic_StreamFrameParser::ZoomInfo m_zoom;
    int m_lastKind = kLEModeNone;
};
