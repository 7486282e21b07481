#include "TVK_Logic_Camera.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_Camera3DAxisData.h"
#include "TVK_Logic_CameraGeotackingData.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_CameraSettingsByDevProps.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_CameraSettingsByStructCora.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_ImageDatabase.h"
#include "TVK_Logic_LiveViewPump.h"
#include "TVK_Logic_PictureStore.h"
#include "TVK_Logic_TransferThread.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QDir>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <QTimer>

using namespace TVK_Commu_Ptp;

namespace {

constexpr int kKeepAliveIntervalMs = 5000;
constexpr int k3DAxisPollIntervalMs = 300;
constexpr int kStorageTypeOnHost = 2;
// Vendor properties the camera reports as changed on its own account (timers,
// internal states); no setting depends on them, so they cost no read.
constexpr quint16 kFirstIgnoredProperty = 0xD601;
constexpr quint16 kLastIgnoredProperty = 0xD607;
// Both lens-step stages move the lens by this many motor steps.
constexpr int kLensStepSize = 5;
constexpr uint kInvalidFocusPosition = 0xFFFFFFFFu;

using Camera = TVK_Logic_Camera;
using Traits = TVK_Commu_ProductTraits;

bool productHas(int productId, Traits::eLEFeature feature)
{
    return Traits::of(productId).has(feature);
}
using Base = TVK_Logic_CameraSettingsBase;
using Pump = TVK_Logic_LiveViewPump;

// One row per change flag in the order the model emits them; flags without a
// signal of their own (15, 30, 39, 48) have no row.
struct EmitRow {
    Base::eLEChangedFlag flag;
    void (*emitFor)(Camera &);
};

const EmitRow kEmitRows[] = {
    {Base::kLEBatteryInfo, [](Camera &c) { Q_EMIT c.signalBatteryInfo(c.batteryInfo()); }},
    {Base::kLEBatteryLevelIntern, [](Camera &c) { Q_EMIT c.signalBatteryLevelIntern(c.batteryLevelIntern()); }},
    {Base::kLEBatteryLevelExtern, [](Camera &c) { Q_EMIT c.signalBatteryLevelExtern(c.batteryLevelExtern()); }},
    {Base::kLEExposureTimeMax, [](Camera &c) { Q_EMIT c.signalMaxShutterTime(c.maxShutterTime()); }},
    {Base::kLELensConnectionType, [](Camera &c) { Q_EMIT c.signalLensConnectionType(c.lensConnectionType()); }},
    {Base::kLEPowerSwitch, [](Camera &c) { Q_EMIT c.signalPowerSwitch(c.powerSwitch()); }},
    {Base::kLESelfTimerRestTime, [](Camera &c) { Q_EMIT c.signalSelfTimerRestTime(c.selfTimerRestTime()); }},
    {Base::kLEBulbModeTime, [](Camera &c) { Q_EMIT c.signalBulbModeTime(c.bulbModeTime()); }},
    {Base::kLEDriveMode, [](Camera &c) { Q_EMIT c.signalDriveMode(c.driveMode()); }},
    {Base::kLEFocusMode, [](Camera &c) { Q_EMIT c.signalFocusMode(c.focusMode()); }},
    {Base::kLEExposureMeteringMode, [](Camera &c) { Q_EMIT c.signalExposMetering(c.exposMetering()); }},
    {Base::kLEExposureCompensation, [](Camera &c) { Q_EMIT c.signalExposCompens(c.exposCompens()); }},
    {Base::kLEExposCompensStepSize, [](Camera &c) { Q_EMIT c.signalExposCompensStep(c.exposCompensStep()); }},
    {Base::kLEBracketingEnabled, [](Camera &c) { Q_EMIT c.signalBracketEnabled(c.bracketingEnabled()); }},
    {Base::kLEBracketingFrames, [](Camera &c) { Q_EMIT c.signalBracketImgNum(c.bracketingImageNumbers()); }},
    {Base::kLEBracketingAperture, [](Camera &c) { Q_EMIT c.signalBracketDeltaEV(c.bracketingDeltaEV()); }},
    {Base::kLEMirrorUpMode, [](Camera &c) { Q_EMIT c.signalMirrorUpMode(c.mirrorUpMode()); }},
    {Base::kLESensitivity,
     [](Camera &c) {
         Q_EMIT c.signalSensitivityAuto(c.sensitivityAuto());
         Q_EMIT c.signalSensitivity(c.sensitivity());
     }},
    {Base::kLEKeyLock, [](Camera &c) { Q_EMIT c.signalKeyLock(c.keyLock()); }},
    {Base::kLEPhotoResolutionJPG, [](Camera &c) { Q_EMIT c.signalJpgResolution(c.jpgResolution()); }},
    {Base::kLEAutoreviewDuration, [](Camera &c) { Q_EMIT c.signalAutoreviewDuration(c.autoreviewDuration()); }},
    {Base::kLEAutoPowerOff, [](Camera &c) { Q_EMIT c.signalAutoPowerOff(c.autoPowerOff()); }},
    {Base::kLESensorFormat, [](Camera &c) { Q_EMIT c.signalSensorFormat(c.sensorFormat()); }},
    {Base::kLEPhotoAspectRatio, [](Camera &c) { Q_EMIT c.signalPhotoAspectRatio(c.photoAspectRatio()); }},
    {Base::kLEVideoFileFormat, [](Camera &c) { Q_EMIT c.signalVideoFileFormat(c.videoFileFormat()); }},
    {Base::kLEVideoResAndFrRate, [](Camera &c) { Q_EMIT c.signalVideoResAndFrRate(c.videoResAndFrRate()); }},
    {Base::kLEVideoFormatResol, [](Camera &c) { Q_EMIT c.signalVideoFormatResol(c.videoFormatResol()); }},
    {Base::kLEContrast, [](Camera &c) { Q_EMIT c.signalContrast(c.contrast()); }},
    {Base::kLESharpness, [](Camera &c) { Q_EMIT c.signalSharpness(c.sharpness()); }},
    {Base::kLESaturation, [](Camera &c) { Q_EMIT c.signalSaturation(c.saturation()); }},
    {Base::kLEMonochrome, [](Camera &c) { Q_EMIT c.signalMonochrome(c.monochrome()); }},
    {Base::kLEElectronicShutter, [](Camera &c) { Q_EMIT c.signalElectronicShutter(c.electronicShutter()); }},
    {Base::kLEOrientation, [](Camera &c) { Q_EMIT c.signalOrientation(c.orientation()); }},
    {Base::kLEAudioLevel, [](Camera &c) { Q_EMIT c.signalAudioLevel(c.audioLevel()); }},
    {Base::kLEAudioWindElim, [](Camera &c) { Q_EMIT c.signalAudioWindElim(c.audioWindElim()); }},
    {Base::kLEAudioVolSpeaker, [](Camera &c) { Q_EMIT c.signalAudioVolSpeaker(c.audioVolSpeaker()); }},
    {Base::kLEAudioVolHeadphone, [](Camera &c) { Q_EMIT c.signalAudioVolHeadphone(c.audioVolHeadphone()); }},
    {Base::kLEAudioVolMicrophone, [](Camera &c) { Q_EMIT c.signalAudioVolMicrophone(c.audioVolMicrophone()); }},
    {Base::kLEExposureSimulation, [](Camera &c) { Q_EMIT c.signalExposureSimulation(c.exposureSimulation()); }},
    {Base::kLEDngCompression, [](Camera &c) { Q_EMIT c.signalDngCompression(c.dngCompression()); }},
    {Base::kLEFlashStatus, [](Camera &c) { Q_EMIT c.signalFlashStatus(c.flashStatus()); }},
    {Base::kLEFlashSyncStatus, [](Camera &c) { Q_EMIT c.signalFlashXSymbol(c.flashXSymbol()); }},
    {Base::kLELightmeter, [](Camera &c) { Q_EMIT c.signalLightBalance(c.lightBalance()); }},
    {Base::kLEFileFormat, [](Camera &c) { Q_EMIT c.signalFileFormat(c.fileFormat()); }},
    {Base::kLEWhiteBalance, [](Camera &c) { Q_EMIT c.signalWhiteBalance(c.whiteBalanceIndex()); }},
    {Base::kLEWhiteBalanceColorTemp, [](Camera &c) { Q_EMIT c.signalWhiteBalTemp(c.whiteBalanceColorTemp()); }},
    {Base::kLEColorManagement, [](Camera &c) { Q_EMIT c.signalJpgColorSpace(c.jpgColorSpace()); }},
    // A new exposure mode changes which aperture and shutter time apply.
    {Base::kLEExposureProgram,
     [](Camera &c) {
         Q_EMIT c.signalExposureMode(c.exposureMode());
         if (c.hasAperture())
             Q_EMIT c.signalAperture(c.aperture());
         Q_EMIT c.signalShutterTime(c.shutterTime());
     }},
    {Base::kLEAperture, [](Camera &c) { Q_EMIT c.signalAperture(c.aperture()); }},
    {Base::kLEExposureTime, [](Camera &c) { Q_EMIT c.signalShutterTime(c.shutterTime()); }},
    {Base::kLEFocusDistance, [](Camera &c) { Q_EMIT c.signalFocusDistance(c.focusDistance()); }},
    {Base::kLEFocusConfirmValue, [](Camera &c) { Q_EMIT c.signalFocusConfirmation(c.focusConfirmation()); }},
    {Base::kLEFocusConfirmBadSignal,
     [](Camera &c) { Q_EMIT c.signalFocusConfirmBadSig(c.focusConfirmationBadSignal()); }},
    {Base::kLEFocusConfirmEnabled,
     [](Camera &c) {
         if (!c.focusConfirmationEnabled())
             Q_EMIT c.signalNoFocusConfirmation();
     }},
    {Base::kLEAutoFocusLimit, [](Camera &c) { Q_EMIT c.signalAutoFocusLimit(c.autoFocusLimit()); }},
    {Base::kLEAutoFocusLimitDist, [](Camera &c) { Q_EMIT c.signalAutoFocusLimitDist(c.autoFocusLimitDist()); }},
    {Base::kLEWarnings, [](Camera &c) { Q_EMIT c.signalWarnings(c.warning()); }},
    {Base::kLEIntervalFrames, [](Camera &c) { Q_EMIT c.signalIntervalFrames(c.intervalFrames()); }},
    {Base::kLEIntervalTime, [](Camera &c) { Q_EMIT c.signalIntervalTime(c.intervalTime()); }},
};

// One frame as the model's signals, its side information in the order the window expects.
void emitLiveViewFrame(Camera &camera, const Pump::Frame &frame)
{
    const TVK_Logic_StreamFrameParser::Result &info = frame.info;
    if (info.hasISO)
        Q_EMIT camera.signalLiveSensitivity(int(info.iso));
    Q_EMIT camera.signalLiveView(frame.image);
    if (info.hasAudio)
        Q_EMIT camera.signalLiveAudioLevel(info.audio.rmsLeft / 1000.0, info.audio.rmsRight / 1000.0,
                                           info.audio.peakLeft / 1000.0, info.audio.peakRight / 1000.0);
    if (info.hasTimeCode)
        Q_EMIT camera.signalLiveTimeCode(info.timeCode.hours, info.timeCode.minutes, info.timeCode.seconds,
                                         info.timeCode.frames);
    if (info.hasZoom && info.hasRelativeFocusPosition)
        Q_EMIT camera.signalLiveZoomInfo(int(info.zoom.selectedStripe), int(info.zoom.zoomLevel),
                                         info.relativeFocusX, info.relativeFocusY);
    if (info.hasZoom && info.hasRelativeSourceArea)
        Q_EMIT camera.signalLiveZoomRect(info.relativeSourceX, info.relativeSourceY, info.relativeSourceWidth,
                                         info.relativeSourceHeight);
}

} // namespace

// --- Construction and destruction -----------------------------------------------------------

TVK_Logic_Camera::TVK_Logic_Camera(TVK_Commu_CameraAccess_Base *access)
    : QObject(nullptr)
    , m_access(access)
{
    m_folderSettings = new TVK_Logic_FolderSettings();
    m_pictureStore = std::make_shared<TVK_Logic_PictureStore>();
    connect(m_folderSettings, &TVK_Logic_FolderSettings::signalPictureExampleChanged, this,
            &TVK_Logic_Camera::signalPictureExampleName);

    m_access->initCapabilityFlags();
    m_deviceInfo = new TVK_Logic_DeviceInfo(m_access);
    // Operations the camera does not list are refused without a transaction.
    const QVector<quint16> operations = m_deviceInfo->operationsSupported();
    if (!operations.isEmpty())
        m_access->setSupportedOperations(operations);

    const Traits &traits = Traits::of(m_access->productId());
    if (traits.settings == Traits::kLESettingsByStruct)
        m_settings = new TVK_Logic_CameraSettingsByStruct(m_access, m_deviceInfo);
    else if (traits.settings == Traits::kLESettingsByStructCora)
        m_settings = new TVK_Logic_CameraSettingsByStructCora(m_access, m_deviceInfo);
    else
        m_settings = new TVK_Logic_CameraSettingsByDevProps(m_access, m_deviceInfo);

    // Pictures must reach the host rather than the card while the program
    // runs, and a struct camera must not fall asleep under a tethered session.
    if (m_settings->featureStorageType()) {
        m_savedStorageType = m_settings->storageType();
        if (m_savedStorageType != kStorageTypeOnHost)
            m_settings->setStorageType(kStorageTypeOnHost);
    }
    if (traits.keepsSettingsInRecord()) {
        m_savedAutoPowerOff = m_settings->autoPowerOff();
        m_settings->setAutoPowerOff(kVXAutoPowerOffNever);
    }
    m_settings->sendToCameraIfChanged();
    // Nothing has been announced yet, so there is nothing to take back.
    m_settings->takeRefused();
    m_transferFileFormat.store(m_settings->fileFormat());

    m_lens = new TVK_Logic_CameraLens(m_access);
    if (m_deviceInfo->isOperationSupported(kOpGetGeotackingData))
        m_geotackingData = new TVK_Logic_CameraGeotackingData(m_access);
    const bool announces3DAxis = m_deviceInfo->isEventSupported(kVX3DAxisDataChanged);
    const bool reads3DAxis = m_deviceInfo->isOperationSupported(kOpGet3DAxisData);
    if (announces3DAxis || reads3DAxis)
        m_3DAxisData = new TVK_Logic_Camera3DAxisData(m_access);

    // The property-change signal comes from the access's own timer; the other
    // four are emitted on whatever thread the transport delivers events on.
    connect(m_access, &TVK_Commu_CameraAccess_Base::signalDevicePropertyChanged, this,
            &TVK_Logic_Camera::catchDevicePropertyChanged);
    connect(m_access, &TVK_Commu_CameraAccess_Base::signal3DAxisDataChanged, this,
            &TVK_Logic_Camera::catch3DAxisDataChanged, Qt::QueuedConnection);
    connect(m_access, &TVK_Commu_CameraAccess_Base::signalGeotackingChanged, this,
            &TVK_Logic_Camera::catchGeotackingChanged, Qt::QueuedConnection);
    connect(m_access, &TVK_Commu_CameraAccess_Base::signalLensChanged, this, &TVK_Logic_Camera::catchLensChanged,
            Qt::QueuedConnection);
    connect(m_access, &TVK_Commu_CameraAccess_Base::signalSettingsChanged, this,
            &TVK_Logic_Camera::catchSettingsChanged, Qt::QueuedConnection);
    // Automatic: queued when it comes from another thread, and a request from
    // the controller thread itself is served at once.
    connect(m_access, &TVK_Commu_CameraAccess_Base::signalUpdateImageDB, this,
            &TVK_Logic_Camera::slotRebuildImageDB);
    m_imageDatabase = std::make_unique<TVK_Logic_ImageDatabase>(m_access, m_accessLock);
    connect(m_imageDatabase.get(), &TVK_Logic_ImageDatabase::signalChangeBegin, this,
            &TVK_Logic_Camera::signalImageDBChangeBegin);
    connect(m_imageDatabase.get(), &TVK_Logic_ImageDatabase::signalChangeEnd, this,
            &TVK_Logic_Camera::signalImageDBChangeEnd);
    m_liveView = std::make_unique<TVK_Logic_LiveViewPump>(m_access);
    connect(m_liveView.get(), &TVK_Logic_LiveViewPump::signalMode, this, &TVK_Logic_Camera::signalLiveViewMode);
    connect(m_liveView.get(), &TVK_Logic_LiveViewPump::signalFinished, this, &TVK_Logic_Camera::signalNoLiveView);
    m_liveView->setFrameSink([this](const Pump::Frame &frame) {
        if (m_frameAnalysis)
            Q_EMIT signalLiveViewAnalysis(m_frameAnalysis(frame.image));
        emitLiveViewFrame(*this, frame);
    });

    m_keepAliveTimer = new QTimer(this);
    m_3DAxisTimer = new QTimer(this);
    connect(m_keepAliveTimer, &QTimer::timeout, this, &TVK_Logic_Camera::catchKeepAlive);
    connect(m_3DAxisTimer, &QTimer::timeout, this, &TVK_Logic_Camera::catchRefresh3DAxisData);

    m_keepAliveTimer->setSingleShot(false);
    m_keepAliveTimer->start(kKeepAliveIntervalMs);
    if (announces3DAxis) {
        // The camera says when the angles changed; the timer only defers the read.
        m_3DAxisTimer->setSingleShot(true);
    } else if (reads3DAxis) {
        m_3DAxisTimer->setSingleShot(false);
        m_3DAxisTimer->start(k3DAxisPollIntervalMs);
    }
}

TVK_Logic_Camera::~TVK_Logic_Camera()
{
    // A running transfer still uses the access, the strategy and the folder
    // settings, so it finishes first; the camera keeps the pictures still
    // waiting for their next session.
    m_transferQueue.shutDown();

    disconnect(m_access, nullptr, this, nullptr);
    m_keepAliveTimer->stop();
    m_3DAxisTimer->stop();
    m_keepAliveTimer->disconnect(this);
    m_3DAxisTimer->disconnect(this);
    m_imageDatabase.reset();
    if (isTransferInProgress())
        Q_EMIT signalLoading(false);
    if (isLiveViewStreamingPrepared())
        finishLiveViewStreaming();
    delete m_3DAxisData;
    delete m_geotackingData;
    delete m_lens;
    delete m_settings;
    delete m_deviceInfo;
    delete m_folderSettings;
}

// --- Helpers ---------------------------------------------------------------------------------

bool TVK_Logic_Camera::hasSettings(const char *prefix) const
{
    if (m_settings != nullptr)
        return true;
    debugLog(kLELogAlways, "%s - no camera settings", prefix);
    return false;
}

bool TVK_Logic_Camera::hasFolderSettings(const char *prefix) const
{
    if (m_folderSettings != nullptr)
        return true;
    debugLog(kLELogAlways, "%s - no folder settings", prefix);
    return false;
}

template <typename Arg, typename Value>
void TVK_Logic_Camera::applySetting(const char *prefix, void (Settings::*setter)(Arg), Value value)
{
    if (!hasSettings(prefix))
        return;
    (m_settings->*setter)(Arg(value));
    sendChanges();
}

void TVK_Logic_Camera::sendChanges()
{
    m_settings->sendToCameraIfChanged();
    // A refused value was never the camera's, but the panel may show it since
    // the user picked it: announce the camera's value again.
    emitChanged(m_settings->takeRefused());
    m_transferFileFormat.store(m_settings->fileFormat());
}

template <typename Result, typename Fallback>
Result TVK_Logic_Camera::readSetting(const char *prefix, Result (Settings::*getter)(), Fallback fallback)
{
    if (!hasSettings(prefix))
        return Result(fallback);
    return (m_settings->*getter)();
}

bool TVK_Logic_Camera::feature(const char *prefix, bool (Settings::*query)())
{
    return readSetting(prefix, query, false);
}

bool TVK_Logic_Camera::release(unsigned stage, int param)
{
    return m_access->releaseCam(stage, param);
}

// --- Capture -------------------------------------------------------------------------------------

bool TVK_Logic_Camera::releaseCam(eVXReleaseMode releaseMode)
{
    TVK_METHOD(prefix);
    if (release(unsigned(releaseMode))) {
        m_keepAliveSkip.store(true);
        return true;
    }
    debugLog(kLELogAlways, "%s - releaseMode %d failed", prefix, int(releaseMode));
    return false;
}

bool TVK_Logic_Camera::bulbMirrorUp()
{
    return releaseCam(kVXReleaseBulbStart);
}

bool TVK_Logic_Camera::bulbOpen()
{
    const bool ok = releaseCam(kVXReleaseBulbStart);
    m_bulbRunning = ok;
    m_keepAliveSkip.store(ok);
    return ok;
}

bool TVK_Logic_Camera::bulbClose()
{
    const bool ok = releaseCam(kVXReleaseBulbEnd);
    m_bulbRunning = false;
    if (ok)
        m_keepAliveSkip.store(false);
    return ok;
}

bool TVK_Logic_Camera::continuousEnd()
{
    const bool ok = releaseCam(kVXReleaseContinuousEnd);
    m_continuousEndPending.store(true);
    if (ok)
        m_keepAliveSkip.store(false);
    return ok;
}

void TVK_Logic_Camera::toggleVideoCapture()
{
    TVK_METHOD(prefix);
    if (m_settings == nullptr) {
        debugLog(kLELogAlways, "%s - no camera settings", prefix);
        return;
    }
    // Recordings go to the camera's card whatever the pictures do.
    if (!m_videoRecording && m_settings->featureStorageType()) {
        m_storageTypeDuringVideo = m_settings->storageType();
        m_settings->setStorageType(0);
        sendChanges();
    }
    releaseCam(m_videoRecording ? kVXReleaseVideoStop : kVXReleaseVideoStart);
    m_videoRecording = !m_videoRecording;
    if (m_videoRecording)
        return;
    m_keepAliveSkip.store(false);
    if (m_storageTypeDuringVideo >= 0) {
        if (m_settings->featureStorageType()) {
            m_settings->setStorageType(m_storageTypeDuringVideo);
            sendChanges();
        }
        m_storageTypeDuringVideo = -1;
    }
}


int TVK_Logic_Camera::productId() const
{
    return m_access->productId();
}

// --- Change flags ----------------------------------------------------------------------------

void TVK_Logic_Camera::emitChanged(const ChangedFlags &flags)
{
    for (const EmitRow &row : kEmitRows) {
        if (flags[row.flag])
            row.emitFor(*this);
    }
    if (m_settings != nullptr)
        m_transferFileFormat.store(m_settings->fileFormat());
}

// --- Getters ---------------------------------------------------------------------------------

#define TVK_GETTER(type, name, query, fallback)                                                                   \
    type TVK_Logic_Camera::name()                                                                               \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        return type(readSetting(prefix, &Settings::query, fallback));                                        \
    }

TVK_GETTER(double, aperture, aperture, 0.0)
TVK_GETTER(double, maxShutterTime, maxShutterTime, 0.0)
TVK_GETTER(int, exposureMode, exposureMode, 0)
TVK_GETTER(int, exposMetering, exposureMeteringMode, 0)
TVK_GETTER(int, exposCompens, exposureCompensation, 0)
TVK_GETTER(int, exposCompensStep, exposCompensStepSize, 0)
TVK_GETTER(int, sensitivity, sensitivity, 0)
TVK_GETTER(bool, sensitivityAuto, sensitivityAuto, false)
TVK_GETTER(int, whiteBalanceIndex, whiteBalance, 0)
TVK_GETTER(int, whiteBalanceColorTemp, whiteBalanceColorTemp, 0)
TVK_GETTER(int, driveMode, driveMode, 0)
TVK_GETTER(bool, bracketingEnabled, bracketingEnabled, false)
TVK_GETTER(int, bracketingImageNumbers, bracketingImageNumbers, 3)
TVK_GETTER(int, bracketingDeltaEV, bracketingDeltaEV, 1000)
TVK_GETTER(int, focusMode, focusMode, 2)
TVK_GETTER(int, focusDistance, focusDistance, 0)
TVK_GETTER(int, focusConfirmation, focusConfirmation, 0)
TVK_GETTER(bool, focusConfirmationBadSignal, focusConfirmBadSignal, false)
TVK_GETTER(bool, focusConfirmationEnabled, focusConfirmEnabled, false)
TVK_GETTER(bool, autoFocusLimit, autoFocusLimit, false)
TVK_GETTER(int, autoFocusLimitDist, autoFocusLimitDistance, 0)
TVK_GETTER(int, intervalFrames, intervalFrames, 0)
TVK_GETTER(int, intervalTime, intervalTime, 0)
TVK_GETTER(int, fileFormat, fileFormat, 0)
TVK_GETTER(bool, dngCompression, dngCompression, false)
TVK_GETTER(int, jpgColorSpace, jpgColorSpace, 1)
TVK_GETTER(int, jpgResolution, jpgResolution, 0)
TVK_GETTER(int, autoreviewDuration, autoreviewDuration, 5)
TVK_GETTER(int, autoPowerOff, autoPowerOff, 1)
TVK_GETTER(int, sensorFormat, sensorFormat, 0)
TVK_GETTER(int, photoAspectRatio, photoAspectRatio, 0)
TVK_GETTER(int, videoFileFormat, videoFileFormat, 0)
TVK_GETTER(int, videoResAndFrRate, videoResAndFrRate, 8)
TVK_GETTER(int, videoFormatResol, videoFormatResol, 3)
TVK_GETTER(int, contrast, contrast, 1)
TVK_GETTER(int, sharpness, sharpness, 1)
TVK_GETTER(int, saturation, saturation, 1)
TVK_GETTER(int, monochrome, monochrome, 0)
TVK_GETTER(int, electronicShutter, electronicShutter, 0)
TVK_GETTER(int, orientation, orientation, 0)
TVK_GETTER(int, audioLevel, audioLevel, 0)
TVK_GETTER(int, audioWindElim, audioWindElim, 0)
TVK_GETTER(int, audioVolSpeaker, audioVolSpeaker, 3)
TVK_GETTER(int, audioVolHeadphone, audioVolHeadphone, 3)
TVK_GETTER(int, audioVolMicrophone, audioVolMicrophone, 0)
TVK_GETTER(int, exposureSimulation, exposureSimulation, 0)
TVK_GETTER(int, batteryInfo, batteryInfo, 0)
TVK_GETTER(int, batteryLevelIntern, batteryLevelIntern, -1)
TVK_GETTER(int, batteryLevelExtern, batteryLevelExtern, -1)
TVK_GETTER(int, lensConnectionType, lensConnectionType, 0)
TVK_GETTER(int, powerSwitch, powerSwitch, 0)
TVK_GETTER(int, selfTimerRestTime, selfTimerRestTime, -1)
TVK_GETTER(int, bulbModeTime, bulbModeTime, -1)
TVK_GETTER(int, flashStatus, flashStatus, 0)
TVK_GETTER(bool, flashXSymbol, flashXSymbol, false)
TVK_GETTER(int, lightBalance, lightBalance, 0)
TVK_GETTER(bool, keyLock, keyLock, false)
TVK_GETTER(bool, mirrorUpMode, mirrorUpMode, 0)
TVK_GETTER(int, warning, warnings, 0)

#undef TVK_GETTER

double TVK_Logic_Camera::shutterTime()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return 0.0;
    // A bulb exposure has no preset time.
    if (m_settings->exposureMode() == kVXExposureModeBulb)
        return -1.0;
    return m_settings->shutterTime();
}

// --- Capability queries ----------------------------------------------------------------------

#define TVK_FEATURE(name, query)                                                                                  \
    bool TVK_Logic_Camera::name()                                                                               \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        return feature(prefix, &Settings::query);                                                               \
    }

TVK_FEATURE(hasAperture, featureAperture)
TVK_FEATURE(hasDngCompression, featureDngCompression)
TVK_FEATURE(hasFocusConfirmation, featureFocusConfirmation)
TVK_FEATURE(hasFocusMode, featureFocusMode)
TVK_FEATURE(hasJpgColorSpace, featureJpgColorSpace)
TVK_FEATURE(hasJpgResolution, featureJpgResSelection)
TVK_FEATURE(hasStorageType, featureStorageType)
TVK_FEATURE(hasAutoreviewDuration, featureAutoreviewDuration)
TVK_FEATURE(hasAutoPowerOff, featurePowerSave)
TVK_FEATURE(hasSensorFormat, featureSensorFormat)
TVK_FEATURE(hasPhotoAspectRatio, featurePhotoAspectRatio)
TVK_FEATURE(hasVideoFileFormat, featureVideoFileFormat)
TVK_FEATURE(hasVideoResAndFrRate, featureVideoResAndFrRate)
TVK_FEATURE(hasVideoFormatResol, featureVideoFormatResol)
TVK_FEATURE(hasContrast, featureContrast)
TVK_FEATURE(hasSharpness, featureSharpness)
TVK_FEATURE(hasSaturation, featureSaturation)
TVK_FEATURE(hasMonochrome, featureMonochrome)
TVK_FEATURE(hasAutoFocusLimit, featureAutoFocusLimit)
TVK_FEATURE(hasElectronicShutter, featureElectronicShutter)
TVK_FEATURE(hasOrientation, featureOrientation)
TVK_FEATURE(hasAudioLevel, featureAudioLevel)
TVK_FEATURE(hasAudioWindElim, featureAudioWindElim)
TVK_FEATURE(hasAudioVolSpeaker, featureAudioVolSpeaker)
TVK_FEATURE(hasAudioVolHeadphone, featureAudioVolHeadphone)
TVK_FEATURE(hasAudioVolMicrophone, featureAudioVolMicrophone)
TVK_FEATURE(hasExposCompensStep, featureExposCompensStep)
TVK_FEATURE(hasExposureSimulation, featureExposureSimulation)
TVK_FEATURE(hasFlashStatus, featureFlashStatus)
TVK_FEATURE(hasFlashXSymbol, featureFlashXSymbol)
TVK_FEATURE(hasInterval, featureInterval)
TVK_FEATURE(hasKeyLock, featureKeyLock)
TVK_FEATURE(hasLiveView, featureLiveView)
TVK_FEATURE(hasMirrorUpMode, featureMirrorUpMode)
TVK_FEATURE(hasLensConnectionType, featureLensConnectionType)
// The power switch is part of the camera body's controls the strategies
// report as one feature.
TVK_FEATURE(hasPowerSwitch, featureHMI)
TVK_FEATURE(hasVideoRecording, featureVideoRecording)
TVK_FEATURE(hasWhiteBalance, featureWhiteBalance)
TVK_FEATURE(hasWarnings, featureWarnings)

#undef TVK_FEATURE

bool TVK_Logic_Camera::hasFocusDistance()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return false;
    // A distance the user cannot change is not worth showing.
    return m_settings->featureFocusDistance() && m_settings->featureMoveLensToPos() &&
           m_settings->featureMoveLensRightLeft();
}

// --- Lens, device info and folder getters ------------------------------------------------------

#define TVK_LENS_GETTER(type, name)                                                                               \
    type TVK_Logic_Camera::name()                                                                               \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        if (m_lens == nullptr) {                                                                                \
            debugLog(kLELogAlways, "%s - no lens data", prefix);                                                \
            return type();                                                                                      \
        }                                                                                                       \
        return type(m_lens->name());                                                                            \
    }

TVK_LENS_GETTER(double, openApertureValue)
TVK_LENS_GETTER(double, closeApertureValue)
TVK_LENS_GETTER(int, apertureSteps)
TVK_LENS_GETTER(quint32, focusPositionMax)
TVK_LENS_GETTER(quint32, focusPositionMin)
TVK_LENS_GETTER(QString, lensTypeString)

#undef TVK_LENS_GETTER

QString TVK_Logic_Camera::serialNumber()
{
    TVK_METHOD(prefix);
    if (m_deviceInfo == nullptr) {
        debugLog(kLELogAlways, "%s - no DeviceInfo", prefix);
        return QString();
    }
    static const QRegularExpression leadingZeros(QStringLiteral("^[0]*"));
    return m_deviceInfo->serialNumber().remove(leadingZeros);
}

QString TVK_Logic_Camera::productName()
{
    TVK_METHOD(prefix);
    if (m_deviceInfo == nullptr) {
        debugLog(kLELogAlways, "%s - no DeviceInfo", prefix);
        return QString();
    }
    return m_deviceInfo->model();
}

QString TVK_Logic_Camera::dngPath()
{
    TVK_METHOD(prefix);
    return hasFolderSettings(prefix) ? m_folderSettings->dngPictureFolder() : QString();
}

QString TVK_Logic_Camera::jpgPath()
{
    TVK_METHOD(prefix);
    return hasFolderSettings(prefix) ? m_folderSettings->jpgPictureFolder() : QString();
}

QString TVK_Logic_Camera::pictureName()
{
    TVK_METHOD(prefix);
    return hasFolderSettings(prefix) ? m_folderSettings->pictureNewFileName() : QString();
}

int TVK_Logic_Camera::pictureIndex()
{
    TVK_METHOD(prefix);
    return hasFolderSettings(prefix) ? m_folderSettings->pictureNumber() : 0;
}

QString TVK_Logic_Camera::pictureExampleFileName()
{
    TVK_METHOD(prefix);
    return hasFolderSettings(prefix) ? QDir::toNativeSeparators(m_folderSettings->pictureExampleFileName())
                                     : QString();
}

void TVK_Logic_Camera::setFolderSettings(TVK_Logic_FolderSettings *folderSettings)
{
    TVK_METHOD(prefix);
    if (!hasFolderSettings(prefix) || folderSettings == nullptr)
        return;
    TVK_Logic_FolderSettings::Record record;
    record.dngPictureFolder = QDir::fromNativeSeparators(folderSettings->dngPictureFolder());
    record.jpgPictureFolder = QDir::fromNativeSeparators(folderSettings->jpgPictureFolder());
    record.pictureNewFileName = folderSettings->pictureNewFileName();
    record.pictureNumber = folderSettings->pictureNumber();
    m_folderSettings->load(record);
}

void TVK_Logic_Camera::setWantQuickView(bool want)
{
    m_wantQuickView.store(want);
    if (!want)
        Q_EMIT signalNoQuickView();
}

// --- Setters that follow the pattern -------------------------------------------------------------

#define TVK_SETTER(name, argType, setter)                                                                         \
    void TVK_Logic_Camera::name(argType value)                                                                  \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        applySetting(prefix, &Settings::setter, value);                                                         \
    }

TVK_SETTER(setFlashXSymbol, bool, setFlashXSymbol)
TVK_SETTER(setKeyLock, bool, setKeyLock)
TVK_SETTER(setMirrorUpMode, bool, setMirrorUpMode)
TVK_SETTER(setDngCompression, bool, setDngCompression)
TVK_SETTER(setJpgColorSpace, eVXColorManagement, setJpgColorSpace)
TVK_SETTER(setJpgResolution, eVXPhotoResolutionJPG, setJpgResolution)
TVK_SETTER(setAutoreviewDuration, eVXAutoreviewDuration, setAutoreviewDuration)
TVK_SETTER(setAutoPowerOff, eVXAutoPowerOff, setAutoPowerOff)
TVK_SETTER(setSensorFormat, eVXSensorFormat, setSensorFormat)
TVK_SETTER(setPhotoAspectRatio, eVXPhotoAspectRatio, setPhotoAspectRatio)
TVK_SETTER(setVideoFileFormat, eVXVideoFileFormat, setVideoFileFormat)
TVK_SETTER(setVideoResAndFrRate, eVXVideoResAndFrRate, setVideoResAndFrRate)
TVK_SETTER(setVideoFormatResol, eVXVideoFormatResol, setVideoFormatResol)
TVK_SETTER(setContrast, eVXContrast, setContrast)
TVK_SETTER(setSharpness, eVXSharpness, setSharpness)
TVK_SETTER(setSaturation, eVXSaturation, setSaturation)
TVK_SETTER(setMonochrome, eVXMonochrome, setMonochrome)
TVK_SETTER(setElectronicShutter, eVXElectronicShutter, setElectronicShutter)
TVK_SETTER(setAudioLevel, eVXAudioLevel, setAudioLevel)
TVK_SETTER(setAudioWindElim, eVXAudioWindElim, setAudioWindElim)
TVK_SETTER(setAudioVolSpeaker, int, setAudioVolSpeaker)
TVK_SETTER(setAudioVolHeadphone, int, setAudioVolHeadphone)
TVK_SETTER(setAudioVolMicrophone, int, setAudioVolMicrophone)
TVK_SETTER(setExposureSimulation, eVXExposureSimulation, setExposureSimulation)
TVK_SETTER(setExposMetering, eVXExposMetering, setExposureMeteringMode)
TVK_SETTER(setAperture, double, setAperture)
TVK_SETTER(setExposCompens, int, setExposureCompensation)
TVK_SETTER(setExposCompensStep, int, setExposCompensStepSize)
TVK_SETTER(setSensitivity, uint, setSensitivity)
TVK_SETTER(setDriveMode, eVXDriveMode, setDriveMode)
TVK_SETTER(setBracketDeltaEV, int, setBracketingDeltaEV)
TVK_SETTER(setAutoFocusLimit, bool, setAutoFocusLimit)
TVK_SETTER(setIntervalFrames, int, setIntervalFrames)
TVK_SETTER(setIntervalTime, int, setIntervalTime)

#undef TVK_SETTER

// --- Setters with a difference -------------------------------------------------------------------

void TVK_Logic_Camera::setExposureMode(eVXExposureMode mode)
{
    TVK_METHOD(prefix);
    if (mode < kVXExposureModeFirst || mode > kVXExposureModeLast) {
        debugLog(kLELogAlways, "%s - illegal exposure mode %d", prefix, int(mode));
        return;
    }
    applySetting(prefix, &Settings::setExposureMode, int(mode));
}

void TVK_Logic_Camera::setShutterTime(double seconds)
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    m_settings->setShutterTime(seconds);
    sendChanges();
    // The camera rounds the time to its own steps and may report no change
    // for it, so its answer is fetched at once.
    ChangedFlags flags{};
    m_settings->recvFromCamera(TVK_Commu_Prop::kShutterTime, &flags);
    emitChanged(flags);
}

void TVK_Logic_Camera::setBracketEnabled(bool on)
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    if (m_settings->featureBracketingAutomatic(on))
        m_settings->setBracketingAutomatic(on ? 1 : 0);
    m_settings->setBracketingEnabled(on);
    sendChanges();
}

void TVK_Logic_Camera::setBracketImgNum(int count)
{
    TVK_METHOD(prefix);
    // A bracketing series has either three or five pictures.
    applySetting(prefix, &Settings::setBracketingImageNumbers, count == 5 ? 5 : 3);
}

void TVK_Logic_Camera::setFileFormat(int fileFormat)
{
    TVK_METHOD(prefix);
    setPictureExampleFileFormat(eVXFileFormat(fileFormat));
    applySetting(prefix, &Settings::setFileFormat, fileFormat);
}

void TVK_Logic_Camera::setPictureExampleFileFormat(eVXFileFormat fileFormat)
{
    TVK_METHOD(prefix);
    if (hasFolderSettings(prefix))
        m_folderSettings->setPictureExampleIsDng(fileFormat < kVXFileFormatFirstJpgOnly);
}

void TVK_Logic_Camera::setDngPath(QString path)
{
    TVK_METHOD(prefix);
    if (hasFolderSettings(prefix))
        m_folderSettings->setDngPictureFolder(path);
}

void TVK_Logic_Camera::setJpgPath(QString path)
{
    TVK_METHOD(prefix);
    if (hasFolderSettings(prefix))
        m_folderSettings->setJpgPictureFolder(path);
}

void TVK_Logic_Camera::setPictureName(QString name)
{
    TVK_METHOD(prefix);
    if (hasFolderSettings(prefix))
        m_folderSettings->setPictureNewFileName(name);
}

void TVK_Logic_Camera::setPictureIndex(int index)
{
    TVK_METHOD(prefix);
    if (hasFolderSettings(prefix))
        m_folderSettings->setPictureNumber(index);
}

void TVK_Logic_Camera::setWhiteBalanceAndRestartLiveView(void (Settings::*setter)(int), int (Settings::*getter)(),
                                                         int value, const char *prefix)
{
    if (!hasSettings(prefix))
        return;
    const int before = (m_settings->*getter)();
    (m_settings->*setter)(value);
    sendChanges();
    if (before == value)
        return;
    // A running live view keeps the white balance it started with; only a
    // restart shows the new one.
    const int mode = m_liveView->modeFromCamera();
    if (mode != 2 && mode != 3)
        return;
    const int kind = mode == 2 ? 0 : 1;
    release(kVXReleaseLiveViewOff, kind);
    if (mode == 2)
        Q_EMIT signalLiveViewVideo(false);
    else
        Q_EMIT signalLiveViewPhoto(false);
    release(kVXReleaseLiveViewOn, kind);
}

void TVK_Logic_Camera::setWhiteBalanceIndex(uchar index)
{
    TVK_METHOD(prefix);
    setWhiteBalanceAndRestartLiveView(&Settings::setWhiteBalance, &Settings::whiteBalance, int(index), prefix);
}

void TVK_Logic_Camera::setWhiteBalanceColorTemp(uint kelvin)
{
    TVK_METHOD(prefix);
    setWhiteBalanceAndRestartLiveView(&Settings::setWhiteBalanceColorTemp, &Settings::whiteBalanceColorTemp,
                                      int(kelvin), prefix);
}

void TVK_Logic_Camera::setFocusMode(eVXFocusMode mode)
{
    TVK_METHOD(prefix);
    int cameraMode = 0;
    switch (mode) {
    case kVXFocusModeSingleAF:
    case kVXFocusModeContinuousAF:
    case kVXFocusModeManual:
        cameraMode = int(mode);
        break;
    case kVXFocusModeIntelligentAF:
        cameraMode = kVXFocusModeIntelligentAFCamera;
        break;
    default:
        debugLog(kLELogAlways, "%s - illegal focus mode %d", prefix, int(mode));
        return;
    }
    if (!hasSettings(prefix))
        return;
    release(kVXReleaseAutoFocusOff);
    m_settings->setFocusMode(cameraMode);
    sendChanges();
    if (mode == kVXFocusModeManual)
        return;
    // These bodies refuse the autofocus command while they stream.
    if (productHas(productId(), Traits::kLEStreamRefusesAF) && m_liveView->modeFromCamera() != Pump::kLEModeNone)
        return;
    release(kVXReleaseAutoFocusOn);
}

void TVK_Logic_Camera::switchToManualFocus()
{
    if (m_settings->focusMode() == kVXFocusModeManual)
        return;
    release(kVXReleaseAutoFocusOff);
    m_settings->setFocusMode(kVXFocusModeManual);
    sendChanges();
    Q_EMIT signalFocusMode(m_settings->focusMode());
}

void TVK_Logic_Camera::setFocusDistance(uint position)
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    if (!m_settings->featureMoveLensToPos()) {
        debugLog(kLELogAlways, "%s - feature MoveLensToPosition is not available", prefix);
        return;
    }
    if (position == kInvalidFocusPosition) {
        debugLog(kLELogAlways, "%s - illegal position 0x%lx", prefix, static_cast<unsigned long>(position));
        return;
    }
    switchToManualFocus();
    release(kVXReleaseAutoFocusOn);
    release(kVXReleaseLensPosition, int(position));
}

void TVK_Logic_Camera::setFocusDistanceDec()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    if (!m_settings->featureMoveLensRightLeft()) {
        debugLog(kLELogAlways, "%s - feature MoveLensRightLeft is not available", prefix);
        return;
    }
    switchToManualFocus();
    release(kVXReleaseAutoFocusOn);
    // These bodies turn their lens motor the other way round.
    const bool swapped = productHas(productId(), Traits::kLESwappedLensSteps);
    release(swapped ? kVXReleaseLensStepFar : kVXReleaseLensStepNear, kLensStepSize);
}

void TVK_Logic_Camera::setFocusDistanceInc()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    if (!m_settings->featureMoveLensRightLeft()) {
        debugLog(kLELogAlways, "%s - feature MoveLensRightLeft is not available", prefix);
        return;
    }
    switchToManualFocus();
    release(kVXReleaseAutoFocusOn);
    const bool swapped = productHas(productId(), Traits::kLESwappedLensSteps);
    release(swapped ? kVXReleaseLensStepNear : kVXReleaseLensStepFar, kLensStepSize);
}

// --- Events from the camera ----------------------------------------------------------------------

void TVK_Logic_Camera::catchDevicePropertyChanged(ushort propertyCode)
{
    TVK_METHOD(prefix);
    if (propertyCode >= kFirstIgnoredProperty && propertyCode <= kLastIgnoredProperty)
        return;
    // The streaming properties belong to the live view; they carry no setting.
    if (propertyCode == TVK_Commu_Prop::kSupportedStreams) {
        handleSupportedStreamsChanged(prefix);
        return;
    }
    if (propertyCode == TVK_Commu_Prop::kEnabledStreams) {
        m_liveView->logEnabledStreams(prefix);
        return;
    }
    if (!hasSettings(prefix))
        return;
    ChangedFlags flags{};
    m_settings->recvFromCamera(quint16(propertyCode), &flags);
    emitChanged(flags);
}

void TVK_Logic_Camera::catchSettingsChanged()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    ChangedFlags flags{};
    m_settings->recvFromCamera(&flags);
    emitChanged(flags);
}

void TVK_Logic_Camera::catchRefreshDevPropsTimerFired()
{
    TVK_METHOD(prefix);
    if (isTransferInProgress()) {
        debugLog(kLELogTransfer, "%s - isTransferInProgress", prefix);
        return;
    }
    if (wantLiveView())
        checkIfLiveViewIsActive();
    catchSettingsChanged();
}

void TVK_Logic_Camera::catchKeepAlive()
{
    TVK_METHOD(prefix);
    if (m_access->productId() == 0)
        return;
    if (m_keepAliveSkip.load()) {
        debugLog(kLELogAlways, "%s - KeepAlive skipped", prefix);
        return;
    }
    const std::lock_guard<std::mutex> locker(m_pollingLock);
    // A release or transfer may have started while the lock was awaited.
    if (m_keepAliveSkip.load()) {
        debugLog(kLELogAlways, "%s - KeepAlive skipped", prefix);
        return;
    }
    debugLog(kLELogAlways, "%s - KeepAlive sending...", prefix);
    const bool alive = release(kVXReleaseKeepAlive);
    Q_EMIT signalIsAlive(alive);
    if (alive)
        m_keepAliveSkip.store(false);
    debugLog(kLELogAlways, "%s - KeepAlive done", prefix);
}

void TVK_Logic_Camera::catch3DAxisDataChanged()
{
    m_3DAxisTimer->start(0);
}

void TVK_Logic_Camera::catchRefresh3DAxisData()
{
    TVK_METHOD(prefix);
    if (m_3DAxisData == nullptr)
        return;
    const std::lock_guard<std::mutex> locker(m_pollingLock);
    debugLog(kLELog3DAxis, "%s - Getting 3DAxis data...", prefix);
    m_3DAxisData->recvFromCamera();
    Q_EMIT signal3DAxisAngles(m_3DAxisData->cameraPitchAngle(), m_3DAxisData->cameraRollAngle());
    debugLog(kLELog3DAxis, "%s - 3DAxis Data up-to-date", prefix);
}

void TVK_Logic_Camera::catchLensChanged()
{
    TVK_METHOD(prefix);
    if (m_lens == nullptr) {
        debugLog(kLELogAlways, "%s - no lens data", prefix);
        return;
    }
    m_lens->recvFromCamera();
    Q_EMIT signalLensChanged();
}

void TVK_Logic_Camera::catchGeotackingChanged()
{
    TVK_METHOD(prefix);
    if (m_geotackingData == nullptr) {
        debugLog(kLELogAlways, "%s - no geotacking data", prefix);
        return;
    }
    m_geotackingData->recvFromCamera();
    Q_EMIT signalGeotackingChanged();
}

// --- Restore on window close ---------------------------------------------------------------------

void TVK_Logic_Camera::restoreAutoPowerOff()
{
    if (m_settings == nullptr || m_savedAutoPowerOff < 0)
        return;
    m_settings->setAutoPowerOff(m_savedAutoPowerOff);
    sendChanges();
}

void TVK_Logic_Camera::restoreStorageType()
{
    if (m_settings == nullptr || !m_settings->featureStorageType() || m_savedStorageType < 0)
        return;
    m_settings->setStorageType(m_savedStorageType);
    sendChanges();
}

// --- Transfers -----------------------------------------------------------------------------------

void TVK_Logic_Camera::transferRequest(quint32 objectHandle)
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - TransferRequest for object 0x%08X received in thread 0x%lx", prefix, objectHandle,
             static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId())));
    m_keepAliveSkip.store(true);
    m_transferObjectProps.store(m_deviceInfo != nullptr
                                && m_deviceInfo->isOperationSupported(kOpGetObjectPropsSupported)
                                && m_deviceInfo->isOperationSupported(kOpGetObjectPropValue));
    m_transferPartialObject.store(m_deviceInfo != nullptr && m_deviceInfo->isOperationSupported(kOpGetPartialObject));
    m_transferQueue.request(objectHandle);
}

void TVK_Logic_Camera::runTransfer()
{
    TVK_Logic_TransferThread transfer(*this);
    transfer.run();
}

int TVK_Logic_Camera::transferThreadCount()
{
    return m_transferQueue.count();
}

void TVK_Logic_Camera::setPictureStore(std::shared_ptr<TVK_Logic_PictureStore> store)
{
    if (store)
        m_pictureStore = std::move(store);
}

void TVK_Logic_Camera::raiseTransfersMaximum(int count)
{
    int current = m_transfersMaximum.load();
    while (count > current && !m_transfersMaximum.compare_exchange_weak(current, count)) {
    }
}

void TVK_Logic_Camera::transferDone()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    // Changes the user made while the transfer held the camera go out now,
    // from the model's thread: the settings have no lock of their own.
    if (QThread::currentThread() == thread())
        sendChanges();
    else
        m_callQueue.post([this]() { sendChanges(); });
}

void TVK_Logic_Camera::setTransferInProgress(bool inProgress)
{
    const std::lock_guard<std::mutex> locker(m_transferInProgressMutex);
    m_transferInProgress = inProgress;
}

bool TVK_Logic_Camera::isTransferInProgress()
{
    const std::lock_guard<std::mutex> locker(m_transferInProgressMutex);
    return m_transferInProgress;
}

int TVK_Logic_Camera::activeTransferThreads()
{
    const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
    return m_activeTransferThreads;
}

QByteArray TVK_Logic_Camera::quickViewData()
{
    const std::lock_guard<std::mutex> locker(m_quickViewMutex);
    return m_quickViewData;
}

QString TVK_Logic_Camera::quickViewFileName()
{
    const std::lock_guard<std::mutex> locker(m_quickViewMutex);
    return m_quickViewFileName;
}

// --- What a transfer sees of the model (its own thread) -------------------------------------------

TVK_Logic_TransferHost::Camera TVK_Logic_Camera::transferCamera()
{
    TVK_Logic_TransferHost::Camera camera;
    if (m_settings == nullptr)
        return camera;
    camera.access = m_access;
    camera.lock = &m_accessLock;
    camera.folders = m_folderSettings;
    camera.store = m_pictureStore.get();
    camera.productId = m_access != nullptr ? m_access->productId() : 0;
    camera.fileFormat = m_transferFileFormat.load();
    camera.objectProps = m_transferObjectProps.load();
    camera.partialObject = m_transferPartialObject.load();
    return camera;
}

void TVK_Logic_Camera::transferBegins()
{
    TVK_METHOD(prefix);
    {
        const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
        ++m_activeTransferThreads;
        debugLog(kLELogTransfer, "%s - Number of active threads = %d", prefix, m_activeTransferThreads);
    }
    // The end of a continuous series may not have reached a camera busy with
    // its pictures; it is sent once more now that the camera hands them over.
    if (m_continuousEndPending.load() && releaseCam(kVXReleaseContinuousEnd))
        m_continuousEndPending.store(false);
    setTransferInProgress(true);
    m_pictureReadBusy.store(true);
}

void TVK_Logic_Camera::transfersRemain(int remaining)
{
    m_transfersRemaining.store(remaining);
    TVK_Platform_ThreadCheck::handOverTo(this);
    Q_EMIT signalRemainingToLoad(remaining);
    if (remaining == 1)
        m_transfersMaximum.store(1);
    else
        raiseTransfersMaximum(remaining);
}

void TVK_Logic_Camera::handingOver()
{
    m_transferQueue.handingOver();
}

void TVK_Logic_Camera::transferEnds(bool dngDone)
{
    TVK_METHOD(prefix);
    m_pictureReadBusy.store(false);
    transferDone();
    TVK_Platform_ThreadCheck::handOverTo(this);
    if (dngDone)
        Q_EMIT signalDngTransferDone();
    const int remaining = m_transfersRemaining.load();
    const bool moreToCome = remaining > 1;
    setTransferInProgress(moreToCome);
    m_keepAliveSkip.store(moreToCome);
    if (remaining == 1) {
        Q_EMIT signalLoading(false);
        Q_EMIT signalRemainingToLoad(0);
    }
    const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
    if (m_activeTransferThreads > 0)
        --m_activeTransferThreads;
    debugLog(kLELogTransfer, "%s - Number of active threads = %d", prefix, m_activeTransferThreads);
}

bool TVK_Logic_Camera::quickViewTurn(bool pairMode)
{
    if (!m_wantQuickView.load())
        return false;
    if (!pairMode)
        m_quickViewOfPairShown.store(false);
    const bool turn = !m_quickViewOfPairShown.load();
    // Within a pair only the first file is shown.
    if (pairMode)
        m_quickViewOfPairShown.store(turn);
    return turn;
}

void TVK_Logic_Camera::quickViewTurnSkipped(bool pairMode)
{
    if (pairMode && m_wantQuickView.load())
        m_quickViewOfPairShown.store(true);
}

void TVK_Logic_Camera::reportNumberAdvanced()
{
    TVK_Platform_ThreadCheck::handOverTo(this);
    Q_EMIT signalFileNameAndNumber();
}

void TVK_Logic_Camera::reportProgress(const QString &cameraFileName, qint64 received, qint64 total)
{
    TVK_Platform_ThreadCheck::handOverTo(this);
    Q_EMIT signalTransferProgress(cameraFileName, received, total);
}

void TVK_Logic_Camera::reportQuickView(const QByteArray &thumbnail, const QString &fileName, int orientation)
{
    {
        const std::lock_guard<std::mutex> locker(m_quickViewMutex);
        m_quickViewData = thumbnail;
        m_quickViewFileName = fileName;
    }
    TVK_Platform_ThreadCheck::handOverTo(this); // from the transfer thread
    Q_EMIT signalQuickView(thumbnail, fileName, orientation);
}

void TVK_Logic_Camera::reportError(const QString &message)
{
    TVK_Platform_ThreadCheck::handOverTo(this);
    Q_EMIT signalTransferError(message);
}

// --- Live view -----------------------------------------------------------------------------------

namespace {
namespace LiveView {
// Live-view kinds of release stages 17 and 18.
constexpr int kKindPhoto = 0;
constexpr int kKindVideo = 1;
// Release stages the enumeration does not carry.
constexpr unsigned kStageToggleZoom = 20;
constexpr unsigned kStageFocusCross = 21;
constexpr unsigned kStageGreyCard = 22;
// Grey-card pipette modes of stage 22.
constexpr int kGreyCardStart = 0;
constexpr int kGreyCardPreview = 1;
constexpr int kGreyCardEnd = 2;
constexpr int kGreyCardSave = 3;
// Manual focus: how long the single autofocus gets before manual is back.
constexpr unsigned long kManualFocusOnceMs = 1000;
} // namespace LiveView
} // namespace

bool TVK_Logic_Camera::wantLiveView()
{
    return m_liveView->wanted();
}

bool TVK_Logic_Camera::isLiveViewStreamingPrepared() const
{
    return m_liveView->isPrepared();
}

int TVK_Logic_Camera::liveViewFramePeriod() const
{
    return m_liveView->framePeriod();
}

void TVK_Logic_Camera::checkIfLiveViewIsActive()
{
    TVK_METHOD(prefix);
    m_liveView->checkIfActive(prefix);
}

void TVK_Logic_Camera::handleSupportedStreamsChanged(const char *prefix)
{
    int mode = Pump::kLEModeNone;
    if (!m_liveView->followSupportedStreams(prefix, &mode))
        return;
    if (mode == Pump::kLEModeRecording)
        m_videoRecording = true;
    if (mode != Pump::kLEModeNone)
        return;
    // A grey-card measurement ends with live view off; the live view the user
    // had before comes back.
    if (m_liveViewKindToRestore == Pump::kLEModePhoto) {
        Q_EMIT signalLiveViewVideo(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindPhoto);
    } else if (m_liveViewKindToRestore == Pump::kLEModeVideo) {
        Q_EMIT signalLiveViewPhoto(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindVideo);
    }
    m_liveViewKindToRestore = Pump::kLEModeNone;
    m_videoRecording = false;
}

void TVK_Logic_Camera::prepareLiveViewStreaming()
{
    m_liveView->prepare();
}

void TVK_Logic_Camera::finishLiveViewStreaming()
{
    m_liveView->finish();
}

void TVK_Logic_Camera::setWantLiveView(bool want)
{
    if (!m_liveView->setWanted(want) || !hasLiveView())
        return;
    if (want)
        checkIfLiveViewIsActive();
    else if (isLiveViewStreamingPrepared())
        finishLiveViewStreaming();
}

void TVK_Logic_Camera::catchLiveViewTimerFired()
{
    m_liveView->fetchFrame();
}

void TVK_Logic_Camera::setWaitLiveViewConsumed(bool waitLiveViewConsumed)
{
    m_liveView->setWaitConsumed(waitLiveViewConsumed);
}

void TVK_Logic_Camera::setFrameAnalysis(TVK_Logic_FrameAnalysis analysis)
{
    m_frameAnalysis = std::move(analysis);
}

void TVK_Logic_Camera::catchLiveViewConsumed()
{
    m_liveView->consumed();
}

void TVK_Logic_Camera::sendLiveViewStage(const char *prefix, unsigned stage, int param)
{
    // Not releaseCam: live-view commands must not pause the keep-alive.
    if (!release(stage, param))
        debugLog(kLELogAlways, "%s - releaseMode %d failed", prefix, int(stage));
}

void TVK_Logic_Camera::setLiveViewPhoto(bool on)
{
    TVK_METHOD(prefix);
    if (on) {
        Q_EMIT signalLiveViewVideo(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindPhoto);
    } else {
        sendLiveViewStage(prefix, kVXReleaseLiveViewOff, LiveView::kKindPhoto);
    }
}

void TVK_Logic_Camera::setLiveViewVideo(bool on)
{
    TVK_METHOD(prefix);
    if (on) {
        Q_EMIT signalLiveViewPhoto(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindVideo);
    } else {
        sendLiveViewStage(prefix, kVXReleaseLiveViewOff, LiveView::kKindVideo);
    }
}

void TVK_Logic_Camera::toggleLiveViewZoom()
{
    TVK_METHOD(prefix);
    sendLiveViewStage(prefix, LiveView::kStageToggleZoom);
}

void TVK_Logic_Camera::setLiveViewCrossAt(const char *prefix, double x, double y, bool global)
{
    const TVK_Logic_StreamFrameParser::ZoomInfo *seen = m_liveView->zoom();
    if (seen == nullptr) {
        debugLog(kLELogAlways, "%s - no zoom info", prefix);
        return;
    }
    // The cross cannot leave the picture; NaN goes to its corner.
    if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) {
        debugLog(kLELogAlways, "%s - position %f, %f outside the picture - clamped", prefix, x, y);
        x = (x >= 0.0) ? std::min(x, 1.0) : 0.0;
        y = (y >= 0.0) ? std::min(y, 1.0) : 0.0;
    }
    const TVK_Logic_StreamFrameParser::ZoomInfo &zoom = *seen;
    const double width = global ? zoom.outerWidth : zoom.sourceWidth;
    const double height = global ? zoom.outerHeight : zoom.sourceHeight;
    const qint64 left = global ? zoom.outerX : zoom.sourceX;
    const qint64 top = global ? zoom.outerY : zoom.sourceY;
    const qint64 crossX = std::llround(x * width) + left;
    const qint64 crossY = std::llround(y * height) + top;
    sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
    if (!m_access->releaseCam(LiveView::kStageFocusCross, int(quint32(crossX)), int(quint32(crossY))))
        debugLog(kLELogAlways, "%s - releaseMode %d failed", prefix, int(LiveView::kStageFocusCross));
}

void TVK_Logic_Camera::setLiveViewCrossPos(double x, double y)
{
    TVK_METHOD(prefix);
    setLiveViewCrossAt(prefix, x, y, false);
}

void TVK_Logic_Camera::setLiveViewCrossPosGlobal(double x, double y)
{
    TVK_METHOD(prefix);
    setLiveViewCrossAt(prefix, x, y, true);
}

void TVK_Logic_Camera::setLiveViewGCPipActive(bool active)
{
    TVK_METHOD(prefix);
    if (active) {
        sendLiveViewStage(prefix, LiveView::kStageGreyCard, LiveView::kGreyCardStart);
        return;
    }
    sendLiveViewStage(prefix, LiveView::kStageGreyCard, LiveView::kGreyCardEnd);
    m_liveViewKindToRestore = m_liveView->lastKind();
}

void TVK_Logic_Camera::doLiveViewGCPipPreview()
{
    TVK_METHOD(prefix);
    sendLiveViewStage(prefix, LiveView::kStageGreyCard, LiveView::kGreyCardPreview);
}

void TVK_Logic_Camera::doLiveViewGCPipSave()
{
    TVK_METHOD(prefix);
    sendLiveViewStage(prefix, LiveView::kStageGreyCard, LiveView::kGreyCardSave);
    m_liveViewKindToRestore = m_liveView->lastKind();
}

void TVK_Logic_Camera::focusOnceInManualMode()
{
    TVK_METHOD(prefix);
    m_settings->setFocusMode(kVXFocusModeSingleAF);
    sendChanges();
    sendLiveViewStage(prefix, kVXReleaseAutoFocusOn);
    // The camera needs the time to focus; the controller thread waits with it.
    QThread::msleep(LiveView::kManualFocusOnceMs);
    sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
    m_settings->setFocusMode(kVXFocusModeManual);
    sendChanges();
}

namespace {

bool isAutoFocusMode(int focusMode)
{
    return focusMode == kVXFocusModeSingleAF || focusMode == kVXFocusModeContinuousAF
           || focusMode == kVXFocusModeIntelligentAFCamera;
}

} // namespace

void TVK_Logic_Camera::doLiveViewAFExec()
{
    TVK_METHOD(prefix);
    if (!hasSettings(prefix))
        return;
    const int focus = m_settings->focusMode();
    if (isAutoFocusMode(focus)) {
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOn);
    } else if (focus == kVXFocusModeManual) {
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
        focusOnceInManualMode();
    }
}

void TVK_Logic_Camera::doLiveViewAFPressed()
{
    TVK_METHOD(prefix);
    if (productHas(productId(), Traits::kLEFocusOnRelease) || !hasSettings(prefix))
        return;
    const int focus = m_settings->focusMode();
    if (isAutoFocusMode(focus))
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOn);
    else if (focus == kVXFocusModeManual)
        focusOnceInManualMode();
}

void TVK_Logic_Camera::doLiveViewAFReleased()
{
    TVK_METHOD(prefix);
    if (productHas(productId(), Traits::kLEFocusOnRelease)) {
        doLiveViewAFExec();
        return;
    }
    if (hasSettings(prefix) && isAutoFocusMode(m_settings->focusMode()))
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
}

// --- Image database ------------------------------------------------------------------------------

void TVK_Logic_Camera::slotRebuildImageDB()
{
    m_imageDatabase->requestRebuild();
}

void TVK_Logic_Camera::slotDelayedRebuildImageDB()
{
    m_imageDatabase->endRebuildInterval();
}

int TVK_Logic_Camera::imageCount() const
{
    return m_imageDatabase->count();
}

quint32 TVK_Logic_Camera::imageHandleAt(int index) const
{
    return m_imageDatabase->handleAt(index);
}

int TVK_Logic_Camera::imageIndexOfHandle(quint32 handle) const
{
    return m_imageDatabase->indexOfHandle(handle);
}

int TVK_Logic_Camera::imageRotation(int index) const
{
    return m_imageDatabase->rotation(index);
}

void TVK_Logic_Camera::setImageRotation(int index, int degrees)
{
    m_imageDatabase->setRotation(index, degrees);
}

int TVK_Logic_Camera::imageSizeClass(int index) const
{
    return m_imageDatabase->sizeClass(index);
}

void TVK_Logic_Camera::setImageSizeClass(int index, int sizeClass)
{
    m_imageDatabase->setSizeClass(index, sizeClass);
}

int TVK_Logic_Camera::imageThirdValue(int index) const
{
    return m_imageDatabase->thirdValue(index);
}

void TVK_Logic_Camera::setImageThirdValue(int index, int value)
{
    m_imageDatabase->setThirdValue(index, value);
}

bool TVK_Logic_Camera::imageIsNotJpeg(int index) const
{
    return m_imageDatabase->isNotJpeg(index);
}

QString TVK_Logic_Camera::imageLabel(int index) const
{
    return m_imageDatabase->label(index);
}

void TVK_Logic_Camera::removeImageEntry(quint32 handle)
{
    m_imageDatabase->removeEntry(handle);
}
