#include "TVK_Logic_Camera.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Commu_PropertyCodes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_Camera3DAxisData.h"
#include "TVK_Logic_CameraGeotackingData.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_CameraSettingsByDevProps.h"
#include "TVK_Logic_CameraSettingsByStruct.h"
#include "TVK_Logic_CameraSettingsByStructCora.h"
#include "TVK_Logic_CameraStreamInfo.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_TransferThread.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
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

// The image database's view of the camera's object store. Qualified, so the
// names never meet the access layer's codes of the same meaning.
namespace ImageDB {
constexpr int kOpGetStorageIDs = 0x1004;
constexpr int kOpGetObjectHandles = 0x1007;
constexpr quint32 kAllStorages = 0xFFFFFFFFu;
// Room for the count and four storage ids; the ids themselves are not used,
// but the camera wants its storages enumerated before it lists their objects.
constexpr unsigned kStorageIdsBufferSize = 20;
constexpr unsigned kCountSize = 4;
constexpr unsigned kHandleSize = 4;
// No card holds this many pictures; a larger count is a broken answer, and
// it also keeps 4 * count + 4 far from overflowing.
constexpr quint32 kMaxHandles = 100000;
constexpr int kRebuildIntervalMs = 3000;
// The low four bits of a handle tell the object's kind: 1 and 6 are raw
// pictures, 2 a JPEG; other kinds are no pictures.
constexpr quint32 kHandleKindMask = 0xFu;
constexpr quint32 kHandleKindJpeg = 2;
constexpr int kRotationUnknown = 360;
const char *const kPlaceholderResource = ":/images/download.png";

bool isPictureHandle(quint32 handle)
{
    const quint32 kind = handle & kHandleKindMask;
    return kind == 1 || kind == kHandleKindJpeg || kind == 6;
}
} // namespace ImageDB

bool isStructProduct(int productId)
{
    return productId == 0x2009 || productId == 0x2011 || productId == 0x2021 || productId == 0x2051;
}

using Camera = TVK_Logic_Camera;
using Base = TVK_Logic_CameraSettingsBase;

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

} // namespace

// --- Construction and destruction -----------------------------------------------------------

TVK_Logic_Camera::TVK_Logic_Camera(TVK_Commu_CameraAccess_Base *access)
    : QObject(nullptr)
    , m_access(access)
{
    m_folderSettings = new TVK_Logic_FolderSettings();
    connect(m_folderSettings, &TVK_Logic_FolderSettings::signalPictureExampleChanged, this,
            &TVK_Logic_Camera::signalPictureExampleName);

    m_access->initCapabilityFlags();
    m_deviceInfo = new TVK_Logic_DeviceInfo(m_access);

    const int product = m_access->productId();
    if (product == 0x2009 || product == 0x2011)
        m_settings = new TVK_Logic_CameraSettingsByStruct(m_access, m_deviceInfo);
    else if (product == 0x2021 || product == 0x2051)
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
    if (isStructProduct(product)) {
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

    m_keepAliveTimer = new QTimer(this);
    m_3DAxisTimer = new QTimer(this);
    connect(m_keepAliveTimer, &QTimer::timeout, this, &TVK_Logic_Camera::catchKeepAlive);
    connect(m_3DAxisTimer, &QTimer::timeout, this, &TVK_Logic_Camera::catchRefresh3DAxisData);
    m_rebuildImageDBTimer = new QTimer(this);
    m_rebuildImageDBTimer->setSingleShot(true);
    m_rebuildImageDBTimer->setInterval(ImageDB::kRebuildIntervalMs);
    connect(m_rebuildImageDBTimer, &QTimer::timeout, this, &TVK_Logic_Camera::slotDelayedRebuildImageDB);
    m_liveViewTimer = new QTimer(this);
    m_liveViewTimer->setSingleShot(true);
    // A coarse timer may fire 5 % early, which would outrun the camera's frame rate.
    m_liveViewTimer->setTimerType(Qt::PreciseTimer);
    connect(m_liveViewTimer, &QTimer::timeout, this, &TVK_Logic_Camera::catchLiveViewTimerFired);

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
    m_rebuildImageDBTimer->stop();
    m_keepAliveTimer->disconnect(this);
    m_3DAxisTimer->disconnect(this);
    m_rebuildImageDBTimer->disconnect(this);
    m_liveViewTimer->stop();
    m_liveViewTimer->disconnect(this);
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

bool TVK_Logic_Camera::isG3(int productId)
{
    return productId == 0x2041 || productId == 0x2044 || productId == 0x2047;
}

int TVK_Logic_Camera::liveViewModeFromCamera()
{
    quint32 streams = 0;
    if (!m_access->getDevicePropSupportedStreams(streams))
        return 0;
    return (streams & 0xFFFFu) == 1 ? int(streams >> 16) : 0;
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
    const int mode = liveViewModeFromCamera();
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
    if (isG3(productId())) {
        quint32 streams = 0;
        if (m_access->getDevicePropSupportedStreams(streams) && (streams & 0xFFFFu) == 1 && (streams >> 16) != 0)
            return;
    }
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
    release(isG3(productId()) ? kVXReleaseLensStepFar : kVXReleaseLensStepNear, kLensStepSize);
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
    release(isG3(productId()) ? kVXReleaseLensStepNear : kVXReleaseLensStepFar, kLensStepSize);
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
        handleEnabledStreamsChanged(prefix);
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
    m_transferQueue.request(objectHandle);
}

void TVK_Logic_Camera::runTransfer()
{
    TVK_Logic_TransferThread transfer(this, m_transferObjectProps.load());
    transfer.run();
}

int TVK_Logic_Camera::transferThreadCount()
{
    return m_transferQueue.count();
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

void TVK_Logic_Camera::incrementActiveTransferThreads()
{
    const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
    ++m_activeTransferThreads;
}

void TVK_Logic_Camera::decrementActiveTransferThreads()
{
    const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
    if (m_activeTransferThreads > 0)
        --m_activeTransferThreads;
}

int TVK_Logic_Camera::activeTransferThreads()
{
    const std::lock_guard<std::mutex> locker(m_activeTransferThreadsMutex);
    return m_activeTransferThreads;
}

void TVK_Logic_Camera::emitQuickView(const QByteArray &bytes, const QString &fileName, int orientation)
{
    {
        const std::lock_guard<std::mutex> locker(m_quickViewMutex);
        m_quickViewData = bytes;
        m_quickViewFileName = fileName;
    }
    TVK_Platform_ThreadCheck::handOverTo(this); // from the transfer thread
    Q_EMIT signalQuickView(bytes, fileName, orientation);
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

// --- Live view -----------------------------------------------------------------------------------

namespace {
namespace LiveView {
// SupportedStreams: the low half is 1 while the camera streams, the high half
// then says what it streams.
constexpr quint32 kStreamingMarker = 1;
constexpr int kModeNone = 0;
constexpr int kModeRecording = 1;
constexpr int kModePhoto = 2;
constexpr int kModeVideo = 3;
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
// VideoFrameRate is in thousandths of frames per second.
constexpr int kMilliFramesPerSecondMs = 1000000;
constexpr int kDefaultFramePeriodMs = 40;
constexpr int kMinFetchDelayMs = 5;
// A frame never comes near this; a larger packet size is a broken stream info.
constexpr quint32 kMaxPacketSize = 64u * 1024u * 1024u;
// Manual focus: how long the single autofocus gets before manual is back.
constexpr unsigned long kManualFocusOnceMs = 1000;
} // namespace LiveView
} // namespace

bool TVK_Logic_Camera::wantLiveView()
{
    std::unique_lock<std::mutex> locker(m_wantLiveViewMutex);
    return m_wantLiveView;
}

bool TVK_Logic_Camera::readLiveViewMode(const char *prefix, int *mode)
{
    quint32 streams = 0;
    if (!m_access->getDevicePropSupportedStreams(streams)) {
        debugLog(kLELogAlways, "%s - getDevicePropSupportedStreams failed!", prefix);
        return false;
    }
    debugLog(kLELogStream, "%s - supportedStreams = 0x%08x", prefix, unsigned(streams));
    *mode = (streams & 0xFFFFu) == LiveView::kStreamingMarker ? int(streams >> 16) : LiveView::kModeNone;
    return true;
}

void TVK_Logic_Camera::checkIfLiveViewIsActive()
{
    TVK_METHOD(prefix);
    int mode = LiveView::kModeNone;
    if (!readLiveViewMode(prefix, &mode))
        return;
    Q_EMIT signalLiveViewMode(mode);
    if (mode != LiveView::kModeNone) {
        if (!isLiveViewStreamingPrepared())
            prepareLiveViewStreaming();
        if (mode == LiveView::kModePhoto || mode == LiveView::kModeVideo)
            m_liveViewKind = mode;
    } else if (isLiveViewStreamingPrepared()) {
        finishLiveViewStreaming();
    }
}

void TVK_Logic_Camera::handleSupportedStreamsChanged(const char *prefix)
{
    if (!wantLiveView())
        return;
    int mode = LiveView::kModeNone;
    if (!readLiveViewMode(prefix, &mode))
        return;
    Q_EMIT signalLiveViewMode(mode);
    if (mode != LiveView::kModeNone) {
        prepareLiveViewStreaming();
        if (mode == LiveView::kModePhoto || mode == LiveView::kModeVideo)
            m_liveViewKind = mode;
        else if (mode == LiveView::kModeRecording)
            m_videoRecording = true;
        return;
    }
    finishLiveViewStreaming();
    // A grey-card measurement ends with live view off; the live view the user
    // had before comes back.
    if (m_liveViewKindToRestore == LiveView::kModePhoto) {
        Q_EMIT signalLiveViewVideo(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindPhoto);
    } else if (m_liveViewKindToRestore == LiveView::kModeVideo) {
        Q_EMIT signalLiveViewPhoto(false);
        sendLiveViewStage(prefix, kVXReleaseLiveViewOn, LiveView::kKindVideo);
    }
    m_liveViewKindToRestore = LiveView::kModeNone;
    m_videoRecording = false;
}

void TVK_Logic_Camera::handleEnabledStreamsChanged(const char *prefix)
{
    quint32 enabled = 0;
    if (m_access->getDevicePropEnabledStreams(enabled))
        debugLog(kLELogStream, "%s - enabledStreams   = 0x%08x", prefix, unsigned(enabled));
    else
        debugLog(kLELogAlways, "%s - getDevicePropEnabledStreams failed!", prefix);
}

void TVK_Logic_Camera::prepareLiveViewStreaming()
{
    TVK_METHOD(prefix);
    if (isLiveViewStreamingPrepared()) {
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
    int framePeriod = LiveView::kDefaultFramePeriodMs;
    if (frameRate > 0)
        framePeriod = int(quint32(LiveView::kMilliFramesPerSecondMs) / frameRate);
    quint32 resolution = 0;
    if (!m_access->getDevicePropStreamVideoResolution(resolution)) {
        debugLog(kLELogAlways, "%s - getDevicePropStreamVideoResolution failed!", prefix);
        return;
    }
    debugLog(kLELogStream, "%s - streamVideoResolution = %d", prefix, int(resolution));

    m_streamInfo = new TVK_Logic_CameraStreamInfo(m_access);
    m_liveViewFramePeriodMs = framePeriod;
    m_liveViewAwaitingConsumed = false;
    m_liveViewTimer->start(m_liveViewFramePeriodMs);
}

void TVK_Logic_Camera::finishLiveViewStreaming()
{
    TVK_METHOD(prefix);
    m_liveViewTimer->stop();
    m_liveViewAwaitingConsumed = false;
    if (isLiveViewStreamingPrepared()) {
        if (!m_access->setDevicePropEnabledStreams(0))
            debugLog(kLELogAlways, "%s - setDevicePropEnabledStreams failed!", prefix);
        delete m_streamInfo;
        m_streamInfo = nullptr;
    } else {
        debugLog(kLELogAlways, "%s - live view streaming not active", prefix);
    }
    Q_EMIT signalNoLiveView();
    m_hasLiveViewZoom = false;
    m_liveViewZoom = TVK_Logic_StreamFrameParser::ZoomInfo();
}

void TVK_Logic_Camera::setWantLiveView(bool want)
{
    std::unique_lock<std::mutex> locker(m_wantLiveViewMutex);
    if (want == m_wantLiveView)
        return;
    m_wantLiveView = want;
    if (!hasLiveView())
        return;
    // Camera transactions run without the flag's lock held.
    locker.unlock();
    if (want)
        checkIfLiveViewIsActive();
    else if (isLiveViewStreamingPrepared())
        finishLiveViewStreaming();
}

void TVK_Logic_Camera::armLiveViewTimer()
{
    const qint64 elapsed = m_liveViewFrameClock.isValid() ? m_liveViewFrameClock.elapsed() : 0;
    const qint64 delay = qint64(m_liveViewFramePeriodMs) - elapsed;
    m_liveViewTimer->start(delay <= LiveView::kMinFetchDelayMs ? LiveView::kMinFetchDelayMs : int(delay));
}

void TVK_Logic_Camera::catchLiveViewTimerFired()
{
    TVK_METHOD(prefix);
    if (!isLiveViewStreamingPrepared())
        return;
    m_liveViewFrameClock.start();

    bool fetched = false;
    const quint32 packetSize = m_streamInfo->packetMaxSize();
    if (packetSize == 0 || packetSize > LiveView::kMaxPacketSize) {
        debugLog(kLELogAlways, "%s - cannot allocate stream data packet!", prefix);
    } else {
        QByteArray buffer(int(packetSize), '\0');
        if (buffer.size() != int(packetSize))
            debugLog(kLELogAlways, "%s - cannot allocate stream data packet!", prefix);
        else if (!m_access->getStreamData(buffer.data(), unsigned(buffer.size())))
            debugLog(kLELogAlways, "%s - getStreamData failed!", prefix);
        else
            fetched = emitLiveViewFrame(prefix, buffer);
    }

    // A frame the window never gets is never consumed: without a new fetch
    // here a single broken frame would stop the stream while the window is open.
    if (m_waitLiveViewConsumed && fetched) {
        m_liveViewAwaitingConsumed = true;
        return;
    }
    armLiveViewTimer();
}

bool TVK_Logic_Camera::emitLiveViewFrame(const char *prefix, const QByteArray &buffer)
{
    using Parser = TVK_Logic_StreamFrameParser;
    const Parser::Result frame = Parser::parse(buffer.constData(), size_t(buffer.size()), prefix);
    if (!frame.ok)
        return false;
    // The parser guarantees imageOffset + imageLength == the buffer size.
    const QImage image = QImage::fromData(reinterpret_cast<const uchar *>(buffer.constData()) + frame.imageOffset,
                                          int(frame.imageLength));
    if (image.isNull()) {
        // Its side information belongs to a picture nobody sees; the whole
        // frame is dropped rather than shown as an empty one.
        debugLog(kLELogAlways, "%s - cannot decode live view image (%lu bytes) - frame skipped", prefix,
                 (unsigned long)frame.imageLength);
        return false;
    }

    if (frame.hasISO)
        Q_EMIT signalLiveSensitivity(int(frame.iso));
    Q_EMIT signalLiveView(image);
    if (frame.hasAudio)
        Q_EMIT signalLiveAudioLevel(frame.audio.rmsLeft / 1000.0, frame.audio.rmsRight / 1000.0,
                                    frame.audio.peakLeft / 1000.0, frame.audio.peakRight / 1000.0);
    if (frame.hasTimeCode)
        Q_EMIT signalLiveTimeCode(frame.timeCode.hours, frame.timeCode.minutes, frame.timeCode.seconds,
                                  frame.timeCode.frames);
    if (frame.hasZoom) {
        m_liveViewZoom = frame.zoom;
        m_hasLiveViewZoom = true;
        // An empty source area or outer bounds has no relative geometry; the
        // window keeps what it showed last.
        if (frame.hasRelativeFocusPosition)
            Q_EMIT signalLiveZoomInfo(int(frame.zoom.selectedStripe), int(frame.zoom.zoomLevel), frame.relativeFocusX,
                                      frame.relativeFocusY);
        else
            debugLog(kLELogAlways, "%s - zoom info without image source area", prefix);
        if (frame.hasRelativeSourceArea)
            Q_EMIT signalLiveZoomRect(frame.relativeSourceX, frame.relativeSourceY, frame.relativeSourceWidth,
                                      frame.relativeSourceHeight);
        else
            debugLog(kLELogAlways, "%s - zoom info without outer bounds", prefix);
    }
    return true;
}

void TVK_Logic_Camera::setWaitLiveViewConsumed(bool waitLiveViewConsumed)
{
    if (waitLiveViewConsumed == m_waitLiveViewConsumed)
        return;
    m_waitLiveViewConsumed = waitLiveViewConsumed;
    // A window that closes before it consumed its frame must not stall the stream.
    if (!waitLiveViewConsumed && m_liveViewAwaitingConsumed) {
        m_liveViewAwaitingConsumed = false;
        if (isLiveViewStreamingPrepared())
            armLiveViewTimer();
    }
}

void TVK_Logic_Camera::catchLiveViewConsumed()
{
    // Only the frame that went out releases the next fetch: a repeated or late
    // notification must not start a second one.
    if (!m_waitLiveViewConsumed || !m_liveViewAwaitingConsumed)
        return;
    m_liveViewAwaitingConsumed = false;
    if (isLiveViewStreamingPrepared())
        armLiveViewTimer();
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
    if (!m_hasLiveViewZoom) {
        debugLog(kLELogAlways, "%s - no zoom info", prefix);
        return;
    }
    // The cross cannot leave the picture; NaN goes to its corner.
    if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) {
        debugLog(kLELogAlways, "%s - position %f, %f outside the picture - clamped", prefix, x, y);
        x = (x >= 0.0) ? std::min(x, 1.0) : 0.0;
        y = (y >= 0.0) ? std::min(y, 1.0) : 0.0;
    }
    const TVK_Logic_StreamFrameParser::ZoomInfo &zoom = m_liveViewZoom;
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
    m_liveViewKindToRestore = m_liveViewKind;
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
    m_liveViewKindToRestore = m_liveViewKind;
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

// These bodies focus on the release of the button only.
bool focusesOnRelease(int productId)
{
    return productId == 0x2031 || productId == 0x2033;
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
    if (focusesOnRelease(productId()) || !hasSettings(prefix))
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
    if (focusesOnRelease(productId())) {
        doLiveViewAFExec();
        return;
    }
    if (hasSettings(prefix) && isAutoFocusMode(m_settings->focusMode()))
        sendLiveViewStage(prefix, kVXReleaseAutoFocusOff);
}

// --- Image database ------------------------------------------------------------------------------

void TVK_Logic_Camera::slotRebuildImageDB()
{
    // Cameras announce object changes in bursts; one read per interval
    // answers the whole burst.
    if (m_rebuildImageDBTimer->isActive()) {
        m_rebuildImageDBPending = true;
        return;
    }
    m_rebuildImageDBPending = false;
    Q_EMIT signalImageDBChangeBegin();

    QVector<quint32> handles;
    if (readObjectHandles(handles))
        applyObjectHandles(handles);

    Q_EMIT signalImageDBChangeEnd();
    // Also after a failed read, so a camera that keeps failing is asked at
    // most once per interval.
    m_rebuildImageDBTimer->start();
}

void TVK_Logic_Camera::applyObjectHandles(const QVector<quint32> &handles)
{
    TVK_METHOD(prefix);
    QVector<quint32> kept;
    kept.reserve(handles.size());
    for (quint32 handle : qAsConst(handles)) {
        if (ImageDB::isPictureHandle(handle))
            kept.append(handle);
    }

    // Each old entry is carried over at most once, the first of a handle
    // first: a handle the camera lists twice gets a fresh second entry.
    QHash<quint32, int> oldIndexOfHandle;
    oldIndexOfHandle.reserve(m_imageDB.size());
    for (int i = m_imageDB.size() - 1; i >= 0; --i)
        oldIndexOfHandle.insert(m_imageDB.at(i).handle, i);
    QVector<bool> carriedOver(m_imageDB.size(), false);

    QVector<ImageEntry> rebuilt;
    rebuilt.reserve(kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        const quint32 handle = kept.at(i);
        const int old = oldIndexOfHandle.value(handle, -1);
        if (old >= 0 && !carriedOver.at(old)) {
            carriedOver[old] = true;
            rebuilt.append(std::move(m_imageDB[old]));
            continue;
        }
        ImageEntry entry;
        entry.pictures[0] = placeholderPicture();
        entry.label = tr("index ") + QString::number(kept.size() - i - 1);
        entry.handle = handle;
        entry.isNotJpeg = (handle & ImageDB::kHandleKindMask) != ImageDB::kHandleKindJpeg;
        entry.isPlaceholder = true;
        entry.rotation = ImageDB::kRotationUnknown;
        entry.sizeClass = 0;
        entry.thirdValue = 0;
        rebuilt.append(std::move(entry));
    }

    // Gone pictures take their buffers with them (the old list goes
    // below); their thumbnails can no longer be fetched. A dropped
    // duplicate's handle may still belong to a kept entry.
    const QSet<quint32> keptHandles(kept.cbegin(), kept.cend());
    for (int i = 0; i < m_imageDB.size(); ++i) {
        const quint32 handle = m_imageDB.at(i).handle;
        if (!carriedOver.at(i) && !keptHandles.contains(handle))
            m_pendingThumbnailHandles.removeAll(handle);
    }

    m_imageDB = std::move(rebuilt);
    m_imageLoadedFlags.fill('\0', m_imageDB.size());
    debugLog(kLELogTransfer, "%s - %d pictures of %d objects", prefix, m_imageDB.size(), handles.size());
}

void TVK_Logic_Camera::slotDelayedRebuildImageDB()
{
    // Stopped first, so that calling this slot has the same effect as the
    // interval running out.
    m_rebuildImageDBTimer->stop();
    if (m_rebuildImageDBPending)
        slotRebuildImageDB();
}

bool TVK_Logic_Camera::readObjectHandles(QVector<quint32> &handles)
{
    TVK_METHOD(prefix);
    // Picture reads of the transfer threads and thumbnails use the same
    // object store; the list must not change under them half way.
    const std::lock_guard<std::mutex> locker(m_accessLock);

    unsigned char storageIds[ImageDB::kStorageIdsBufferSize] = {};
    debugLog(kLELogCommand, "%s - GetStorageIDs dataSize 0x%08X", prefix, ImageDB::kStorageIdsBufferSize);
    if (!m_access->recvData(ImageDB::kOpGetStorageIDs, 0, nullptr, storageIds, sizeof storageIds, prefix)) {
        debugLog(kLELogAlways, "%s - GetStorageIDs failed, image database kept", prefix);
        return false;
    }

    const quint32 params[] = {ImageDB::kAllStorages};
    unsigned char countBuffer[ImageDB::kCountSize] = {};
    debugLog(kLELogCommand, "%s - GetObjectHandles dataSize 0x%08X", prefix, ImageDB::kCountSize);
    if (!m_access->recvData(ImageDB::kOpGetObjectHandles, 1, params, countBuffer, sizeof countBuffer, prefix)) {
        debugLog(kLELogAlways, "%s - GetObjectHandles failed, image database kept", prefix);
        return false;
    }
    const quint32 count = TVK_Commu_DataReader(countBuffer, sizeof countBuffer).u32();
    if (count > ImageDB::kMaxHandles) {
        debugLog(kLELogAlways, "%s - illegal object handle count %u, image database kept", prefix, count);
        return false;
    }
    handles.clear();
    if (count == 0)
        return true;

    QByteArray list(int(ImageDB::kCountSize + ImageDB::kHandleSize * count), '\0');
    debugLog(kLELogCommand, "%s - GetObjectHandles dataSize 0x%08X", prefix, unsigned(list.size()));
    if (!m_access->recvData(ImageDB::kOpGetObjectHandles, 1, params, list.data(), unsigned(list.size()), prefix)) {
        debugLog(kLELogAlways, "%s - GetObjectHandles of %u handles failed, image database kept", prefix, count);
        return false;
    }
    TVK_Commu_DataReader reader(list);
    quint32 listed = reader.u32();
    // A picture taken between the two reads makes the list longer than the
    // buffer; the camera cut it off, so only what arrived is used.
    if (listed > count) {
        debugLog(kLELogAlways, "%s - object handle count grew from %u to %u, using %u", prefix, count, listed,
                 count);
        listed = count;
    }
    handles.reserve(int(listed));
    for (quint32 i = 0; i < listed && reader.fits(ImageDB::kHandleSize); ++i)
        handles.append(reader.u32());
    return true;
}

const QByteArray &TVK_Logic_Camera::placeholderPicture()
{
    TVK_METHOD(prefix);
    if (!m_placeholderPictureTried) {
        m_placeholderPictureTried = true;
        QFile file(QString::fromLatin1(ImageDB::kPlaceholderResource));
        if (file.open(QIODevice::ReadOnly))
            m_placeholderPicture = file.readAll();
        if (m_placeholderPicture.isEmpty())
            debugLog(kLELogAlways, "%s - placeholder picture %s not available, entries start empty", prefix,
                     ImageDB::kPlaceholderResource);
    }
    return m_placeholderPicture;
}

const TVK_Logic_Camera::ImageEntry *TVK_Logic_Camera::imageEntry(int index) const
{
    return index >= 0 && index < m_imageDB.size() ? &m_imageDB.at(index) : nullptr;
}

TVK_Logic_Camera::ImageEntry *TVK_Logic_Camera::imageEntry(int index)
{
    return index >= 0 && index < m_imageDB.size() ? &m_imageDB[index] : nullptr;
}

int TVK_Logic_Camera::imageCount() const
{
    return m_imageDB.size();
}

quint32 TVK_Logic_Camera::imageHandleAt(int index) const
{
    const ImageEntry *entry = imageEntry(index);
    return entry != nullptr ? entry->handle : 0;
}

int TVK_Logic_Camera::imageIndexOfHandle(quint32 handle) const
{
    for (int i = 0; i < m_imageDB.size(); ++i) {
        if (m_imageDB.at(i).handle == handle)
            return i;
    }
    return -1;
}

namespace {

// One field of an entry, or the fallback outside the database.
template <typename Entry, typename T>
T fieldOr(const Entry *entry, T Entry::*field, T fallback)
{
    return entry != nullptr ? entry->*field : fallback;
}

// Writes outside the database change nothing.
template <typename Entry, typename T>
void setField(Entry *entry, T Entry::*field, T value)
{
    if (entry != nullptr)
        entry->*field = value;
}

} // namespace

int TVK_Logic_Camera::imageRotation(int index) const
{
    return fieldOr(imageEntry(index), &ImageEntry::rotation, int(ImageDB::kRotationUnknown));
}

void TVK_Logic_Camera::setImageRotation(int index, int degrees)
{
    setField(imageEntry(index), &ImageEntry::rotation, degrees);
}

int TVK_Logic_Camera::imageSizeClass(int index) const
{
    return fieldOr(imageEntry(index), &ImageEntry::sizeClass, 0);
}

void TVK_Logic_Camera::setImageSizeClass(int index, int sizeClass)
{
    setField(imageEntry(index), &ImageEntry::sizeClass, sizeClass);
}

int TVK_Logic_Camera::imageThirdValue(int index) const
{
    return fieldOr(imageEntry(index), &ImageEntry::thirdValue, 0);
}

void TVK_Logic_Camera::setImageThirdValue(int index, int value)
{
    setField(imageEntry(index), &ImageEntry::thirdValue, value);
}

bool TVK_Logic_Camera::imageIsNotJpeg(int index) const
{
    return fieldOr(imageEntry(index), &ImageEntry::isNotJpeg, false);
}

QString TVK_Logic_Camera::imageLabel(int index) const
{
    const ImageEntry *entry = imageEntry(index);
    return entry != nullptr ? entry->label : QString();
}

void TVK_Logic_Camera::removeImageEntry(quint32 handle)
{
    const int index = imageIndexOfHandle(handle);
    if (index < 0)
        return;
    m_imageDB.removeAt(index);
    if (index < m_imageLoadedFlags.size())
        m_imageLoadedFlags.remove(index, 1);
    if (imageIndexOfHandle(handle) < 0)
        m_pendingThumbnailHandles.removeAll(handle);
}
