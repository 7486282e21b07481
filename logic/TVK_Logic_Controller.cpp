#include "TVK_Logic_Controller.h"

#include "TVK_Commu_CameraAccessFactory.h"
#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_APEXConverterAperture.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_CameraLens.h"
#include "TVK_Logic_ConverterSet.h"
#include "TVK_Logic_ExposureLists.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_PictureReader.h"
#include "TVK_Logic_PictureStore.h"
#include "TVK_Platform_ThreadCheck.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cmath>
#include <memory>
#include <mutex>

using namespace TVK_Commu_Ptp;

namespace {

using C = TVK_Logic_Controller;

constexpr int kTimerIntervalMs = 1000;
constexpr int kCounterResetMs = 2000;
constexpr int kBulbExposureMode = 4;
constexpr int kBracketingDriveMode = 4;
constexpr int kIntervalDriveMode = 5;
constexpr double kBulbSeconds = -1.0;

using Lists = TVK_Logic_ExposureLists;
constexpr const char *kNoAperture = Lists::kNoAperture;
constexpr const char *kBulbText = Lists::kBulbText;

int roundHalfAway(double value)
{
    return int(std::lround(value));
}

using Traits = TVK_Commu_ProductTraits;

const Traits &traitsOf(int productId)
{
    return Traits::of(productId);
}

bool lensIsConnected(TVK_Logic_CameraLens *lens)
{
    if (lens == nullptr)
        return false;
    const quint8 state = lens->lensState();
    return state == 1 || state == 2;
}

} // namespace

// --- Construction and destruction ----------------------------------------------------------------

TVK_Logic_Controller::TVK_Logic_Controller() : m_converters(std::make_unique<TVK_Logic_ConverterSet>())
{
    // The windows take the controller's state from its signals, queued into
    // the GUI thread; connected first, before any window connects.
    if (QCoreApplication::instance() != nullptr)
        TVK_Platform_ThreadCheck::handOverSignalsTo(this, QCoreApplication::instance()->thread());
    m_bulbResetTimer.setSingleShot(true);
    m_selfTimerResetTimer.setSingleShot(true);

    // Besides the USB access, a WLAN one when a camera address is configured
    // (the factory makes none without). Both are wired alike; whichever
    // camera opens first is the active one.
    m_usbAccess = TVK_Commu_CameraAccessFactory::create(kConnectionUSB);
    m_wlanAccess = TVK_Commu_CameraAccessFactory::create(kConnectionWLAN);
    for (TVK_Commu_CameraAccess_Base *access : {m_usbAccess, m_wlanAccess}) {
        if (access == nullptr)
            continue;
        connect(access, &TVK_Commu_CameraAccess_Base::signalDeviceAvailable, this, &C::catchDeviceAvailable,
                Qt::QueuedConnection);
        connect(access, &TVK_Commu_CameraAccess_Base::signalConnectionOpened, this, &C::catchConnectionOpened,
                Qt::QueuedConnection);
        connect(access, &TVK_Commu_CameraAccess_Base::signalConnectionClosed, this, &C::catchConnectionClosed,
                Qt::QueuedConnection);
        connect(access, &TVK_Commu_CameraAccess_Base::signalConnectionWarning, this, &C::signalWarning,
                Qt::QueuedConnection);
    }

    connect(&m_lightroomTimer, &QTimer::timeout, this, &C::catchLightroomTimer);
    m_lightroomTimer.start(kTimerIntervalMs);

    const bool found = m_usbAccess != nullptr && m_usbAccess->checkDeviceAvailable();
    if (!found && m_wlanAccess != nullptr)
        m_wlanAccess->checkDeviceAvailable();

    connect(&m_bulbResetTimer, &QTimer::timeout, this, &C::catchBulbResetTimerFired);
    connect(&m_selfTimerResetTimer, &QTimer::timeout, this, &C::catchSelfResetTimerFired);

    if (m_usbAccess != nullptr || m_wlanAccess != nullptr) {
        m_deviceCheckTimer.setSingleShot(false);
        if (m_usbAccess != nullptr)
            connect(&m_deviceCheckTimer, &QTimer::timeout, m_usbAccess,
                    &TVK_Commu_CameraAccess_Base::checkDeviceAvailable);
        // The WLAN access probes on a thread of its own: the tick never waits
        // for the network.
        if (m_wlanAccess != nullptr)
            connect(&m_deviceCheckTimer, &QTimer::timeout, m_wlanAccess,
                    &TVK_Commu_CameraAccess_Base::checkDeviceAvailable);
        m_deviceCheckTimer.start(kTimerIntervalMs);
    }

    connect(&m_apertureSyncTimer, &QTimer::timeout, this, &C::catchSyncAvailableApertureTimer);
    m_apertureSyncTimer.start(kTimerIntervalMs);
}

TVK_Logic_Controller::~TVK_Logic_Controller()
{
    const bool hadCamera = m_camera != nullptr;
    m_bulbResetTimer.stop();
    m_selfTimerResetTimer.stop();
    m_deviceCheckTimer.stop();
    m_apertureSyncTimer.stop();
    m_lightroomTimer.stop();
    delete m_intervalTimer;
    m_intervalTimer = nullptr;
    if (m_camera != nullptr)
        disconnectCamera();
    m_pictureReader.reset();
    m_converters->clear();
    delete m_camera;
    m_camera = nullptr;
    if (hadCamera) {
        // Nobody converts for this camera any more.
        TVK_Logic_APEXConverterAperture::setProductId(0);
        TVK_Logic_APEXConverterAperture::setStepSize(0);
    }
    m_activeAccess = nullptr;
    delete m_wlanAccess;
    m_wlanAccess = nullptr;
    delete m_usbAccess;
    m_usbAccess = nullptr;
}

// --- Any thread ------------------------------------------------------------------------------------

int TVK_Logic_Controller::productId() const
{
    return m_publishedProductId.load();
}

QString TVK_Logic_Controller::productName() const
{
    const std::lock_guard<std::mutex> locker(m_publishedMutex);
    return m_publishedProductName;
}

int TVK_Logic_Controller::liveViewMode() const
{
    return m_liveViewMode.load();
}

bool TVK_Logic_Controller::has3DAxisData() const
{
    return m_published3DAxisData.load();
}

template <typename Call>
bool TVK_Logic_Controller::queuedFromOtherThread(Call call)
{
    if (QThread::currentThread() == thread())
        return false;
    m_callQueue.post(std::move(call));
    return true;
}

void TVK_Logic_Controller::setFolderSettings(TVK_Logic_FolderSettings *folderSettings)
{
    TVK_METHOD(prefix);
    if (folderSettings == nullptr)
        return;
    // Read now, while the caller's object surely exists.
    TVK_Logic_FolderSettings::Record record;
    record.dngPictureFolder = folderSettings->dngPictureFolder();
    record.jpgPictureFolder = folderSettings->jpgPictureFolder();
    record.pictureNewFileName = folderSettings->pictureNewFileName();
    record.pictureNumber = folderSettings->pictureNumber();
    const auto apply = [this, record, prefix]() {
        // Kept also without a camera: the next one to connect starts with them.
        m_folderRecord = record;
        m_hasFolderRecord = true;
        if (!hasCamera(prefix))
            return;
        TVK_Logic_FolderSettings copy;
        copy.load(record);
        m_camera->setFolderSettings(&copy);
    };
    if (!queuedFromOtherThread(apply))
        apply();
}

void TVK_Logic_Controller::setLiveViewAnalysis(TVK_Logic_FrameAnalysis analysis)
{
    const auto apply = [this, analysis]() {
        m_liveViewAnalysis = analysis;
        if (m_camera != nullptr)
            m_camera->setFrameAnalysis(analysis);
    };
    if (!queuedFromOtherThread(apply))
        apply();
}

// --- Checks and the converter families -----------------------------------------------------------

bool TVK_Logic_Controller::hasCamera(const char *prefix) const
{
    if (m_camera != nullptr)
        return true;
    debugLog(kLELogAlways, "%s - no camera", prefix);
    return false;
}

bool TVK_Logic_Controller::hasConverter(const char *prefix, const void *converter, const char *words) const
{
    if (converter != nullptr)
        return true;
    debugLog(kLELogAlways, "%s - no converter for %s", prefix, words);
    return false;
}

void TVK_Logic_Controller::emitListOf(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                      const char *words, ListSignal signal)
{
    if (hasConverter(prefix, converter, words))
        Q_EMIT(this->*signal)(converter->textList());
}

void TVK_Logic_Controller::emitTextOf(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                      const char *words, double value, Signal signal)
{
    if (hasConverter(prefix, converter, words))
        Q_EMIT(this->*signal)(converter->textForValue(value));
}

// A text outside the list has no camera value; sending the lookup's "not
// found" instead would hand the camera a value it never offered.
bool TVK_Logic_Controller::isListed(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                    const char *words, const QString &text) const
{
    if (converter->textList().contains(text))
        return true;
    debugLog(kLELogAlways, "%s - \"%s\" is no %s", prefix, text.toUtf8().constData(), words);
    return false;
}

bool TVK_Logic_Controller::converterValueOfText(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                                const char *words, const QString &text, double *value) const
{
    if (!hasConverter(prefix, converter, words) || !isListed(prefix, converter, words, text))
        return false;
    *value = converter->valueForText(text);
    return true;
}

bool TVK_Logic_Controller::valueOfText(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                       const char *words, const QString &text, int *value) const
{
    if (!hasCamera(prefix) || !hasConverter(prefix, converter, words) || !isListed(prefix, converter, words, text))
        return false;
    *value = roundHalfAway(converter->valueForText(text));
    return true;
}

QString TVK_Logic_Controller::shutterTimeText(double seconds) const
{
    if (seconds == kBulbSeconds)
        return QString::fromLatin1(kBulbText);
    const TVK_Logic_APEXConverterShutterTime *converter = m_converters->get<TVK_Logic_APEXConverterShutterTime>();
    return converter != nullptr ? converter->toString(seconds) : QString();
}

void TVK_Logic_Controller::emitCurrentShutterTime()
{
    if (m_camera != nullptr)
        Q_EMIT signalShutterTime(shutterTimeText(m_camera->shutterTime()));
}

// --- Discovery and connection ----------------------------------------------------------------------

TVK_Commu_CameraAccess_Base *TVK_Logic_Controller::accessFor(int connectionType) const
{
    switch (connectionType) {
    case kConnectionUSB:
        return m_usbAccess;
    case kConnectionWLAN:
        return m_wlanAccess;
    case kConnectionSimulated:
        // The simulated camera has no slot of its own: when the program runs
        // without hardware it stands in the USB slot, and only then is it ours.
        if (m_usbAccess != nullptr && m_usbAccess->connectionType() == kConnectionSimulated)
            return m_usbAccess;
        return nullptr;
    default:
        return nullptr;
    }
}

void TVK_Logic_Controller::catchDeviceAvailable(int connectionType, qulonglong cameraId, int productId,
                                                const QString &deviceId)
{
    catchConnectToCamera(connectionType, cameraId, productId, deviceId);
}

void TVK_Logic_Controller::catchConnectToCamera(int connectionType, qulonglong cameraId, int productId,
                                                const QString &deviceId)
{
    TVK_METHOD(prefix);
    if (m_camera != nullptr || m_closingForGood)
        return;
    TVK_Commu_CameraAccess_Base *access = accessFor(connectionType);
    if (access == nullptr)
        return;
    debugLog(kLELogConnection, "%s - connectionType %d productId 0x%04X", prefix, connectionType, productId);
    access->openConnection(cameraId, productId, deviceId);
}

void TVK_Logic_Controller::catchConnectionOpened(int connectionType)
{
    TVK_METHOD(prefix);
    if (m_camera != nullptr) {
        // A USB and a WLAN camera announced at the same poll can both open;
        // the one that came second is let go again, not left open unused.
        TVK_Commu_CameraAccess_Base *other = accessFor(connectionType);
        if (other != nullptr && other != m_activeAccess) {
            debugLog(kLELogConnection, "%s - connectionType %d opened while another camera is connected; closed",
                     prefix, connectionType);
            other->closeConnection();
        }
        return;
    }
    if (m_closingForGood) {
        if (TVK_Commu_CameraAccess_Base *late = accessFor(connectionType))
            late->closeConnection();
        return;
    }
    m_activeAccess = accessFor(connectionType);
    if (m_activeAccess == nullptr)
        return;

    m_camera = new TVK_Logic_Camera(m_activeAccess);
    if (!m_pictureStore)
        m_pictureStore = std::make_shared<TVK_Logic_PictureStore>();
    m_camera->setPictureStore(m_pictureStore);
    m_camera->setFrameAnalysis(m_liveViewAnalysis);
    const int product = m_camera->productId();
    // Before the camera's events run: a camera plugged in again announces the
    // picture it still holds at once, and its transfer takes the folder and
    // the number as they are then, not as the user interface sends them later.
    if (m_hasFolderRecord) {
        TVK_Logic_FolderSettings carried;
        carried.load(m_folderRecord);
        m_camera->setFolderSettings(&carried);
    }

    TVK_Logic_APEXConverterAperture::setStepSize(m_camera->hasExposCompensStep() ? m_camera->exposCompensStep() : 0);
    TVK_Logic_APEXConverterAperture::setProductId(product);
    m_converters->create(*m_camera, product);
    m_pictureReader = std::make_unique<TVK_Logic_PictureReader>(*m_camera, *m_activeAccess);
    connectCamera();

    m_publishedProductId.store(product);
    m_published3DAxisData.store(m_camera->has3DAxisData());
    {
        const std::lock_guard<std::mutex> locker(m_publishedMutex);
        m_publishedProductName = m_camera->productName();
    }
    debugLog(kLELogConnection, "%s - camera 0x%04X connected (connectionType %d)", prefix, product, connectionType);
    Q_EMIT signalCameraConnected();
}

void TVK_Logic_Controller::catchConnectionClosed(int connectionType)
{
    TVK_METHOD(prefix);
    // Only the connected camera's own access may take it down; the close of
    // one let go above is not ours.
    if (m_camera != nullptr && accessFor(connectionType) != m_activeAccess) {
        debugLog(kLELogConnection, "%s - connectionType %d is not the connected camera's; ignored", prefix,
                 connectionType);
        return;
    }
    if (m_camera != nullptr) {
        disconnectCamera();
        // As the camera leaves them: the user may have chosen other folders
        // in its window, and its transfers advanced the number.
        if (m_hasFolderRecord) {
            if (TVK_Logic_FolderSettings *left = m_camera->folderSettings()) {
                m_folderRecord.dngPictureFolder = left->dngPictureFolder();
                m_folderRecord.jpgPictureFolder = left->jpgPictureFolder();
                m_folderRecord.pictureNewFileName = left->pictureNewFileName();
                m_folderRecord.pictureNumber = left->pictureNumber();
            }
        }
        m_pictureReader.reset();
        m_converters->clear();
        TVK_Logic_APEXConverterAperture::setProductId(0);
        TVK_Logic_APEXConverterAperture::setStepSize(0);
        m_publishedProductId.store(0);
        m_published3DAxisData.store(false);
        {
            const std::lock_guard<std::mutex> locker(m_publishedMutex);
            m_publishedProductName = QStringLiteral("not connected");
        }
        delete m_camera;
        m_camera = nullptr;
        m_bracketingCounter = 0;
        // A series or an open bulb does not outlive its camera.
        stopInterval();
        m_bulbStage = 0;
    }
    m_activeAccess = nullptr;
    debugLog(kLELogConnection, "%s - connectionType %d", prefix, connectionType);
    Q_EMIT signalCameraDisconnected();
}

void TVK_Logic_Controller::connectCamera()
{
    using A = TVK_Commu_CameraAccess_Base;
    using M = TVK_Logic_Camera;
    TVK_Logic_Camera *cam = m_camera;
    A *access = m_activeAccess;

    connect(access, &A::signalBulbCounter, this, &C::emitBulbCounter, Qt::QueuedConnection);
    connect(access, &A::signalSelfTimerCounter, this, &C::emitSelfTimerCounter, Qt::QueuedConnection);
    connect(access, &A::signalTransferRequest, this, &C::catchTransferRequest, Qt::QueuedConnection);
    connect(access, &A::signalObjectDeleted, this, &C::signalObjectDeleted);

    connect(cam, &M::signalBulbModeTime, this, &C::emitBulbCounter);
    connect(cam, &M::signalSelfTimerRestTime, this, &C::emitSelfTimerCounter);
    connect(cam, &M::signalLensChanged, this, &C::catchLensChanged);
    connect(cam, &M::signalDngTransferDone, this, &C::catchDngTransferDone);
    connect(cam, &M::signalElectronicShutter, this, &C::catchElectronicShutter);
    connect(cam, &M::signalExposCompensStep, this, &C::catchExposCompensStep);
    connect(cam, &M::signalLiveViewMode, this, &C::catchLiveViewMode);
    connect(cam, &M::signalMaxShutterTime, this, &C::catchMaxShutterTime);
    connect(cam, &M::signalWarnings, this, &C::emitWarning);
    // A picture that could not be saved is told to the user like a camera warning.
    connect(cam, &M::signalTransferError, this, &C::signalWarning);

    connect(cam, &M::signal3DAxisAngles, this, &C::emit3DAxisAngles);
    connect(cam, &M::signalBatteryInfo, this, &C::emitBatteryInfo);
    connect(cam, &M::signalBatteryLevelIntern, this, &C::emitBatteryLevelIntern);
    connect(cam, &M::signalBatteryLevelExtern, this, &C::emitBatteryLevelExtern);
    connect(cam, &M::signalLensConnectionType, this, &C::emitLensConnectionType);
    connect(cam, &M::signalPowerSwitch, this, &C::emitPowerSwitch);
    connect(cam, &M::signalFlashStatus, this, &C::emitFlashStatus);
    connect(cam, &M::signalFlashXSymbol, this, &C::emitFlashXSymbol);
    connect(cam, &M::signalLightBalance, this, &C::emitLightBalance);
    connect(cam, &M::signalKeyLock, this, &C::emitKeyLock);
    connect(cam, &M::signalMirrorUpMode, this, &C::emitMirrorUpMode);
    connect(cam, &M::signalFileFormat, this, &C::emitFileFormat);
    connect(cam, &M::signalDngCompression, this, &C::emitDngCompression);
    connect(cam, &M::signalJpgColorSpace, this, &C::emitJpgColorSpace);
    connect(cam, &M::signalJpgResolution, this, &C::emitJpgResolution);
    connect(cam, &M::signalAutoreviewDuration, this, &C::emitAutoreviewDuration);
    connect(cam, &M::signalAutoPowerOff, this, &C::emitAutoPowerOff);
    connect(cam, &M::signalSensorFormat, this, &C::emitSensorFormat);
    connect(cam, &M::signalPhotoAspectRatio, this, &C::emitPhotoAspectRatio);
    connect(cam, &M::signalVideoFileFormat, this, &C::emitVideoFileFormat);
    connect(cam, &M::signalVideoResAndFrRate, this, &C::emitVideoResAndFrRate);
    connect(cam, &M::signalVideoFormatResol, this, &C::emitVideoFormatResol);
    connect(cam, &M::signalContrast, this, &C::emitContrast);
    connect(cam, &M::signalSharpness, this, &C::emitSharpness);
    connect(cam, &M::signalSaturation, this, &C::emitSaturation);
    connect(cam, &M::signalMonochrome, this, &C::emitMonochrome);
    connect(cam, &M::signalOrientation, this, &C::emitOrientation);
    connect(cam, &M::signalAudioLevel, this, &C::emitAudioLevel);
    connect(cam, &M::signalAudioWindElim, this, &C::emitAudioWindElim);
    connect(cam, &M::signalAudioVolSpeaker, this, &C::emitAudioVolSpeaker);
    connect(cam, &M::signalAudioVolHeadphone, this, &C::emitAudioVolHeadphone);
    connect(cam, &M::signalAudioVolMicrophone, this, &C::emitAudioVolMicrophone);
    connect(cam, &M::signalExposureSimulation, this, &C::emitExposureSimulation);
    connect(cam, &M::signalExposureMode, this, &C::emitExposureMode);
    connect(cam, &M::signalExposMetering, this, &C::emitExposMetering);
    connect(cam, &M::signalAperture, this, &C::emitAperture);
    connect(cam, &M::signalShutterTime, this, &C::emitShutterTime);
    connect(cam, &M::signalExposCompens, this, &C::emitExposCompens);
    connect(cam, &M::signalSensitivity, this, &C::emitSensitivity);
    connect(cam, &M::signalLiveSensitivity, this, &C::emitLiveSensitivity);
    connect(cam, &M::signalSensitivityAuto, this, &C::emitSensitivityAuto);
    connect(cam, &M::signalWhiteBalance, this, &C::emitWhiteBalance);
    connect(cam, &M::signalWhiteBalTemp, this, &C::emitWhiteBalTemp);
    connect(cam, &M::signalDriveMode, this, &C::emitDriveMode);
    connect(cam, &M::signalBracketEnabled, this, &C::emitBracketEnabled);
    connect(cam, &M::signalBracketImgNum, this, &C::emitBracketImgNum);
    connect(cam, &M::signalBracketDeltaEV, this, &C::emitBracketDeltaEV);
    connect(cam, &M::signalIntervalFrames, this, &C::emitIntervalFrames);
    connect(cam, &M::signalIntervalTime, this, &C::emitIntervalTime);
    connect(cam, &M::signalFocusMode, this, &C::emitFocusMode);
    connect(cam, &M::signalFocusDistance, this, &C::emitFocusDistance);
    connect(cam, &M::signalFocusConfirmation, this, &C::emitFocusConfirmation);
    connect(cam, &M::signalFocusConfirmBadSig, this, &C::emitFocusConfirmBadSig);
    connect(cam, &M::signalNoFocusConfirmation, this, &C::emitNoFocusConfirmation);
    connect(cam, &M::signalAutoFocusLimit, this, &C::emitAutoFocusLimit);
    connect(cam, &M::signalAutoFocusLimitDist, this, &C::emitAutoFocusLimitDist);
    connect(cam, &M::signalFileNameAndNumber, this, &C::emitFileNameAndNumber);
    connect(cam, &M::signalPictureExampleName, this, &C::emitPictureExampleName);

    connect(cam, &M::signalIsAlive, this, &C::signalIsAlive);
    connect(cam, &M::signalLoading, this, &C::signalLoading);
    connect(cam, &M::signalRemainingToLoad, this, &C::signalRemainingToLoad);
    connect(cam, &M::signalTransferProgress, this, &C::signalTransferProgress);
    connect(cam, &M::signalLiveAudioLevel, this, &C::signalLiveAudioLevel);
    connect(cam, &M::signalLiveTimeCode, this, &C::signalLiveTimeCode);
    connect(cam, &M::signalLiveZoomInfo, this, &C::signalLiveZoomInfo);
    connect(cam, &M::signalLiveZoomRect, this, &C::signalLiveZoomRect);
    connect(cam, &M::signalLiveViewPhoto, this, &C::signalLiveViewPhoto);
    connect(cam, &M::signalLiveViewVideo, this, &C::signalLiveViewVideo);
    connect(cam, &M::signalLiveViewAnalysis, this, &C::signalLiveViewAnalysis);
    connect(cam, &M::signalLiveView, this, &C::signalLiveView);
    connect(cam, &M::signalNoLiveView, this, &C::signalNoLiveView);
    connect(cam, &M::signalQuickView, this, &C::signalQuickView);
    connect(cam, &M::signalNoQuickView, this, &C::signalNoQuickView);
    connect(cam, &M::signalImageDBChangeBegin, this, &C::signalImageDBChangeBegin);
    connect(cam, &M::signalImageDBChangeEnd, this, &C::signalImageDBChangeEnd);
}

void TVK_Logic_Controller::disconnectCamera()
{
    using A = TVK_Commu_CameraAccess_Base;
    // The access stays and keeps its three connection signals to us; only the
    // connections made for this camera go.
    if (m_activeAccess != nullptr) {
        disconnect(m_activeAccess, &A::signalBulbCounter, this, &C::emitBulbCounter);
        disconnect(m_activeAccess, &A::signalSelfTimerCounter, this, &C::emitSelfTimerCounter);
        disconnect(m_activeAccess, &A::signalTransferRequest, this, &C::catchTransferRequest);
        disconnect(m_activeAccess, &A::signalObjectDeleted, this, &C::signalObjectDeleted);
    }
    if (m_camera != nullptr)
        disconnect(m_camera, nullptr, this, nullptr);
}

// --- Windows ---------------------------------------------------------------------------------------

void TVK_Logic_Controller::catchCameraGUIOpened()
{
    if (m_camera != nullptr)
        publishCameraState();
}

// The panel is empty when it opens: everything it shows is sent once, in an
// order where every list arrives before the value chosen from it.
void TVK_Logic_Controller::publishCameraState()
{
    TVK_Logic_Camera &c = *m_camera;
    Q_EMIT signalCameraSerialNumber(c.serialNumber());
    Q_EMIT signalLensTypeString(c.lensTypeString());
    Q_EMIT signalBatteryInfo(c.batteryInfo());
    Q_EMIT signalBatteryLevelIntern(c.batteryLevelIntern());
    Q_EMIT signalBatteryLevelExtern(c.batteryLevelExtern());

    const bool hasLensConnectionType = c.hasLensConnectionType();
    Q_EMIT signalHasLensConnectionType(hasLensConnectionType);
    if (hasLensConnectionType)
        Q_EMIT signalLensConnectionType(c.lensConnectionType());
    const bool hasPowerSwitch = c.hasPowerSwitch();
    Q_EMIT signalHasPowerSwitch(hasPowerSwitch);
    if (hasPowerSwitch)
        Q_EMIT signalPowerSwitch(c.powerSwitch());
    Q_EMIT signalHasVideoRecording(c.hasVideoRecording());
    const bool hasLiveView = c.hasLiveView();
    Q_EMIT signalHasLiveView(hasLiveView);
    if (hasLiveView) {
        Q_EMIT signalLiveViewMode(0);
        if (c.wantLiveView())
            c.checkIfLiveViewIsActive();
    }
    const bool hasFlashStatus = c.hasFlashStatus();
    Q_EMIT signalHasFlashStatus(hasFlashStatus);
    if (hasFlashStatus)
        Q_EMIT signalFlashStatus(c.flashStatus());
    const bool hasFlashXSymbol = c.hasFlashXSymbol();
    Q_EMIT signalHasFlashXSymbol(hasFlashXSymbol);
    if (hasFlashXSymbol)
        Q_EMIT signalFlashXSymbol(c.flashXSymbol());
    Q_EMIT signalLightBalance(c.lightBalance());
    const bool hasKeyLock = c.hasKeyLock();
    Q_EMIT signalHasKeyLock(hasKeyLock);
    if (hasKeyLock)
        Q_EMIT signalKeyLock(c.keyLock());

    emitFileFormatList();
    emitFileFormat(c.fileFormat());

    // Offered, list, value: the families that follow one pattern.
    struct Family {
        bool (TVK_Logic_Camera::*has)();
        void (TVK_Logic_Controller::*hasSignal)(bool);
        void (TVK_Logic_Controller::*emitList)();
        std::function<void(TVK_Logic_Controller &, TVK_Logic_Camera &)> emitValue;
    };
    using M = TVK_Logic_Camera;
    const Family families[] = {
        {&M::hasDngCompression, &C::signalHasDngCompression, &C::emitDngCompressionList,
         [](C &s, M &m) { s.emitDngCompression(m.dngCompression()); }},
        {&M::hasJpgColorSpace, &C::signalHasJpgColorSpace, &C::emitJpgColorSpaceList,
         [](C &s, M &m) { s.emitJpgColorSpace(m.jpgColorSpace()); }},
        {&M::hasJpgResolution, &C::signalHasJpgResolution, &C::emitJpgResolutionList,
         [](C &s, M &m) { s.emitJpgResolution(m.jpgResolution()); }},
        {&M::hasAutoreviewDuration, &C::signalHasAutoreviewDuration, &C::emitAutoreviewDurationList,
         [](C &s, M &m) { s.emitAutoreviewDuration(m.autoreviewDuration()); }},
        {&M::hasAutoPowerOff, &C::signalHasAutoPowerOff, &C::emitAutoPowerOffList,
         [](C &s, M &m) { s.emitAutoPowerOff(m.autoPowerOff()); }},
        {&M::hasSensorFormat, &C::signalHasSensorFormat, &C::emitSensorFormatList,
         [](C &s, M &m) { s.emitSensorFormat(m.sensorFormat()); }},
        {&M::hasPhotoAspectRatio, &C::signalHasPhotoAspectRatio, &C::emitPhotoAspectRatioList,
         [](C &s, M &m) { s.emitPhotoAspectRatio(m.photoAspectRatio()); }},
        {&M::hasVideoFileFormat, &C::signalHasVideoFileFormat, &C::emitVideoFileFormatList,
         [](C &s, M &m) { s.emitVideoFileFormat(m.videoFileFormat()); }},
        {&M::hasVideoResAndFrRate, &C::signalHasVideoResAndFrRate, &C::emitVideoResAndFrRateList,
         [](C &s, M &m) { s.emitVideoResAndFrRate(m.videoResAndFrRate()); }},
        {&M::hasVideoFormatResol, &C::signalHasVideoFormatResol, &C::emitVideoFormatResolList,
         [](C &s, M &m) { s.emitVideoFormatResol(m.videoFormatResol()); }},
        {&M::hasContrast, &C::signalHasContrast, &C::emitContrastList,
         [](C &s, M &m) { s.emitContrast(m.contrast()); }},
        {&M::hasSharpness, &C::signalHasSharpness, &C::emitSharpnessList,
         [](C &s, M &m) { s.emitSharpness(m.sharpness()); }},
        {&M::hasSaturation, &C::signalHasSaturation, &C::emitSaturationList,
         [](C &s, M &m) { s.emitSaturation(m.saturation()); }},
        {&M::hasMonochrome, &C::signalHasMonochrome, &C::emitMonochromeList,
         [](C &s, M &m) { s.emitMonochrome(m.monochrome()); }},
        {&M::hasOrientation, &C::signalHasOrientation, &C::emitOrientationList,
         [](C &s, M &m) { s.emitOrientation(m.orientation()); }},
        {&M::hasAudioLevel, &C::signalHasAudioLevel, &C::emitAudioLevelList,
         [](C &s, M &m) { s.emitAudioLevel(m.audioLevel()); }},
    };
    for (const Family &family : families) {
        const bool offered = (c.*family.has)();
        Q_EMIT(this->*family.hasSignal)(offered);
        if (!offered)
            continue;
        (this->*family.emitList)();
        family.emitValue(*this, c);
    }

    const bool hasWindElim = c.hasAudioWindElim();
    Q_EMIT signalHasAudioWindElim(hasWindElim);
    if (hasWindElim)
        Q_EMIT signalAudioWindElim(c.audioWindElim() != 0);
    const bool hasSpeaker = c.hasAudioVolSpeaker();
    Q_EMIT signalHasAudioVolSpeaker(hasSpeaker);
    if (hasSpeaker)
        Q_EMIT signalAudioVolSpeaker(c.audioVolSpeaker());
    const bool hasHeadphone = c.hasAudioVolHeadphone();
    Q_EMIT signalHasAudioVolHeadphone(hasHeadphone);
    if (hasHeadphone)
        Q_EMIT signalAudioVolHeadphone(c.audioVolHeadphone());
    const bool hasMicrophone = c.hasAudioVolMicrophone();
    Q_EMIT signalHasAudioVolMicrophone(hasMicrophone);
    if (hasMicrophone)
        emitAudioVolMicrophone(c.audioVolMicrophone());

    if (c.hasExposCompensStep()) {
        const int step = c.exposCompensStep();
        if (auto *shutterTime = m_converters->get<TVK_Logic_APEXConverterShutterTime>())
            shutterTime->setStepSize(step);
        if (auto *exposCompens = m_converters->get<TVK_Logic_ConverterExposCompens>())
            exposCompens->setStepSize(step);
        Q_EMIT signalExposCompensStep(step);
    }

    const bool hasSimulation = c.hasExposureSimulation();
    Q_EMIT signalHasExposureSimulation(hasSimulation);
    if (hasSimulation) {
        emitExposureSimulationList();
        const int simulation = c.exposureSimulation();
        Q_EMIT signalExposureSimulation(simulation != 0);
        Q_EMIT signalExposureSimulation(simulation);
    }

    Q_EMIT signalDngPath(c.dngPath());
    Q_EMIT signalJpgPath(c.jpgPath());
    emitFileNameAndNumber();

    const bool hasWhiteBalance = c.hasWhiteBalance();
    Q_EMIT signalHasWhiteBalance(hasWhiteBalance);
    emitDriveModeList();
    emitExposMeteringList();
    emitExposCompensList();
    emitBracketImgNumList();
    emitBracketDeltaEVList();
    emitIntervalFramesList();
    emitIntervalTimeList();
    emitSensitivityList();
    if (hasWhiteBalance) {
        emitWhiteBalanceList();
        emitWhiteBalTempList();
    }
    emitShutterTimeList();

    catchLensChanged();
    Q_EMIT signalFocusIsUnitFeet(m_unitIsFeet);

    emitDriveMode(m_ownIntervalActive ? kIntervalDriveMode : c.driveMode());
    const bool hasFocusMode = c.hasFocusMode();
    Q_EMIT signalHasFocusMode(hasFocusMode);
    if (hasFocusMode)
        Q_EMIT signalFocusMode(c.focusMode());
    emitExposMetering(c.exposMetering());
    emitExposCompens(c.exposCompens());
    emitBracketEnabled(c.bracketingEnabled());
    emitBracketImgNum(c.bracketingImageNumbers());
    emitBracketDeltaEV(c.bracketingDeltaEV());

    if (c.hasInterval()) {
        emitIntervalFrames(c.intervalFrames());
        emitIntervalTime(c.intervalTime());
    } else {
        emitIntervalFrames(m_intervalFrames);
        emitIntervalTime(m_intervalTime);
    }

    const bool hasAutoFocusLimit = c.hasAutoFocusLimit();
    Q_EMIT signalHasAutoFocusLimit(hasAutoFocusLimit);
    if (hasAutoFocusLimit) {
        emitAutoFocusLimit(c.autoFocusLimit());
        emitAutoFocusLimitDist(c.autoFocusLimitDist());
    }
    const bool hasMirrorUp = c.hasMirrorUpMode();
    Q_EMIT signalHasMirrorUpMode(hasMirrorUp);
    if (hasMirrorUp)
        Q_EMIT signalMirrorUpMode(c.mirrorUpMode());

    Q_EMIT signalSensitivityAuto(c.sensitivityAuto());
    emitSensitivity(c.sensitivity());
    if (hasWhiteBalance) {
        emitWhiteBalance(c.whiteBalanceIndex());
        emitWhiteBalTemp(c.whiteBalanceColorTemp());
    }

    if (traitsOf(c.productId()).has(Traits::kLEExposureModesPMAS)) {
        Q_EMIT signalExposureModeList(
            {QStringLiteral("P"), QStringLiteral("M"), QStringLiteral("A"), QStringLiteral("S")});
    }

    Q_EMIT signalExposureMode(c.exposureMode());
    const bool hasAperture = c.hasAperture();
    Q_EMIT signalHasAperture(hasAperture);
    if (hasAperture)
        emitAperture(c.aperture());
    Q_EMIT signalShutterTime(shutterTimeText(c.shutterTime()));

    const bool hasFocusDistance = c.hasFocusDistance();
    Q_EMIT signalHasFocusDistance(hasFocusDistance);
    if (hasFocusDistance)
        emitFocusDistance(c.focusDistance());
    const bool hasFocusConfirmation = c.hasFocusConfirmation();
    Q_EMIT signalHasFocusConfirmation(hasFocusConfirmation);
    if (hasFocusConfirmation) {
        if (c.focusConfirmationEnabled()) {
            Q_EMIT signalFocusConfirmBadSig(c.focusConfirmationBadSignal());
            Q_EMIT signalFocusConfirmation(c.focusConfirmation());
        } else {
            Q_EMIT signalNoFocusConfirmation();
        }
    }
}

void TVK_Logic_Controller::stopCameraSearch()
{
    TVK_METHOD(prefix);
    if (queuedFromOtherThread([this]() { stopCameraSearch(); }))
        return;
    if (m_closingForGood)
        return;
    m_closingForGood = true;
    m_deviceCheckTimer.stop();
    debugLog(kLELogConnection, "%s - the program ends; no camera is looked for any more", prefix);
}

void TVK_Logic_Controller::catchCameraGUIClosed()
{
    if (m_camera != nullptr) {
        m_camera->restoreAutoPowerOff();
        m_camera->restoreStorageType();
    }
    if (m_activeAccess != nullptr)
        m_activeAccess->closeConnection();
}

void TVK_Logic_Controller::catchLiveViewGUIOpened()
{
    TVK_METHOD(prefix);
    if (m_camera == nullptr)
        return;
    debugLog(kLELogStream, "%s - live-view window opened", prefix);
    // The window paces the frames: each is fetched once it showed the last.
    m_camera->setWaitLiveViewConsumed(true);
    const bool hasSimulation = m_camera->hasExposureSimulation();
    if (hasSimulation) {
        emitExposureSimulationList();
        const int simulation = m_camera->exposureSimulation();
        Q_EMIT signalExposureSimulation(simulation != 0);
        Q_EMIT signalExposureSimulation(simulation);
    }
}

void TVK_Logic_Controller::catchLiveViewGUIClosed()
{
    TVK_METHOD(prefix);
    if (m_camera == nullptr)
        return;
    debugLog(kLELogStream, "%s - live-view window closed", prefix);
    m_camera->setWaitLiveViewConsumed(false);
}

void TVK_Logic_Controller::catchLiveViewConsumed()
{
    if (m_camera != nullptr)
        m_camera->catchLiveViewConsumed();
}

void TVK_Logic_Controller::catchLiveViewMode(int liveViewMode)
{
    if (liveViewMode == m_liveViewMode.load())
        return;
    m_liveViewMode.store(liveViewMode);
    Q_EMIT signalLiveViewMode(liveViewMode);
}

// --- Counters ----------------------------------------------------------------------------------------

void TVK_Logic_Controller::emitBulbCounter(int count)
{
    if (m_camera == nullptr || m_camera->exposureMode() != kBulbExposureMode)
        return;
    if (count < 0) {
        Q_EMIT signalBulbCounter(-1);
        emitShutterTime(m_camera->shutterTime());
        return;
    }
    Q_EMIT signalBulbCounter(count);
    m_bulbResetTimer.start(kCounterResetMs);
}

void TVK_Logic_Controller::catchBulbResetTimerFired()
{
    if (m_camera == nullptr)
        return;
    if (!traitsOf(m_camera->productId()).has(Traits::kLEBulbCounterReset))
        return;
    if (m_camera->exposureMode() != kBulbExposureMode)
        return;
    Q_EMIT signalBulbCounter(-1);
    emitShutterTime(m_camera->shutterTime());
}

void TVK_Logic_Controller::emitSelfTimerCounter(int count)
{
    if (count > 0) {
        Q_EMIT signalSelfTimerCounter(count);
        m_selfTimerResetTimer.start(kCounterResetMs);
        return;
    }
    emitCurrentShutterTime();
}

void TVK_Logic_Controller::catchSelfResetTimerFired()
{
    if (m_camera != nullptr && traitsOf(m_camera->productId()).has(Traits::kLESelfTimerReset))
        emitCurrentShutterTime();
}

void TVK_Logic_Controller::catchLightroomTimer()
{
    // No detection of other programs: the panel's note stays hidden.
}

// --- New pictures ------------------------------------------------------------------------------------

void TVK_Logic_Controller::catchTransferRequest(quint32 objectHandle)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    const bool bracketing = m_camera->bracketingEnabled();
    const int pictures = m_camera->bracketingImageNumbers();
    const bool firstOfSeries = m_bracketingCounter == 0;
    if (bracketing)
        ++m_bracketingCounter;
    if (!bracketing || firstOfSeries)
        Q_EMIT signalLoading(true);
    m_camera->transferRequest(objectHandle);
    if (!bracketing || m_bracketingCounter == pictures)
        m_bracketingCounter = 0;
    emitFileNameAndNumber();
}

void TVK_Logic_Controller::catchDngTransferDone()
{
    m_dngTransferDone = true;
}

void TVK_Logic_Controller::deleteObject(uint handle)
{
    TVK_METHOD(prefix);
    if (m_activeAccess == nullptr) {
        debugLog(kLELogAlways, "%s - no camera", prefix);
        return;
    }
    m_activeAccess->deleteObject(handle);
}

void TVK_Logic_Controller::deleteObjectFromImageDB(uint handle)
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        m_camera->removeImageEntry(handle);
}

// --- Pictures on request -------------------------------------------------------------------------------

void TVK_Logic_Controller::loadThumb(uint handle, bool isBig)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix) || m_pictureReader == nullptr)
        return;
    TVK_Logic_PictureReader::Thumbnail thumbnail;
    if (m_pictureReader->readThumbnail(prefix, handle, isBig, &thumbnail))
        Q_EMIT signalThumbReceived(new QByteArray(thumbnail.bytes), thumbnail.fileName, handle, isBig);
}

void TVK_Logic_Controller::loadImageForSharing(int index, bool fullRes, bool forceDNG)
{
    TVK_METHOD(prefix);
    if (m_pictureReader == nullptr)
        return;
    bool complete = false;
    std::unique_ptr<QByteArray> data = m_pictureReader->readForSharing(prefix, index, fullRes, forceDNG, &complete);
    Q_EMIT signalImageForSharingReceived(data.release(), complete);
}

// --- Camera value to display text: forwarders ---------------------------------------------------------

void TVK_Logic_Controller::emit3DAxisAngles(double pitch, double roll) { Q_EMIT signal3DAxisAngles(pitch, roll); }
void TVK_Logic_Controller::emitBatteryInfo(int value) { Q_EMIT signalBatteryInfo(value); }
void TVK_Logic_Controller::emitBatteryLevelIntern(int value) { Q_EMIT signalBatteryLevelIntern(value); }
void TVK_Logic_Controller::emitBatteryLevelExtern(int value) { Q_EMIT signalBatteryLevelExtern(value); }
void TVK_Logic_Controller::emitCameraSerialNumber(const QString &value) { Q_EMIT signalCameraSerialNumber(value); }
void TVK_Logic_Controller::emitLensTypeString(const QString &value) { Q_EMIT signalLensTypeString(value); }
void TVK_Logic_Controller::emitLensConnectionType(int value) { Q_EMIT signalLensConnectionType(value); }
void TVK_Logic_Controller::emitPowerSwitch(int value) { Q_EMIT signalPowerSwitch(value); }
void TVK_Logic_Controller::emitFlashStatus(int value) { Q_EMIT signalFlashStatus(value); }
void TVK_Logic_Controller::emitFlashXSymbol(bool value) { Q_EMIT signalFlashXSymbol(value); }
void TVK_Logic_Controller::emitLightBalance(int value) { Q_EMIT signalLightBalance(value); }
void TVK_Logic_Controller::emitKeyLock(bool value) { Q_EMIT signalKeyLock(value); }
void TVK_Logic_Controller::emitMirrorUpMode(bool value) { Q_EMIT signalMirrorUpMode(value); }
void TVK_Logic_Controller::emitAudioVolSpeaker(int value) { Q_EMIT signalAudioVolSpeaker(value); }
void TVK_Logic_Controller::emitAudioVolHeadphone(int value) { Q_EMIT signalAudioVolHeadphone(value); }
void TVK_Logic_Controller::emitExposureMode(int value) { Q_EMIT signalExposureMode(value); }
void TVK_Logic_Controller::emitExposCompensStep(int value) { Q_EMIT signalExposCompensStep(value); }
void TVK_Logic_Controller::emitLiveSensitivity(int value) { Q_EMIT signalLiveSensitivity(value); }
void TVK_Logic_Controller::emitSensitivityAuto(bool value) { Q_EMIT signalSensitivityAuto(value); }
void TVK_Logic_Controller::emitFocusMode(int value) { Q_EMIT signalFocusMode(value); }
void TVK_Logic_Controller::emitFocusConfirmation(int value) { Q_EMIT signalFocusConfirmation(value); }
void TVK_Logic_Controller::emitFocusConfirmBadSig(bool value) { Q_EMIT signalFocusConfirmBadSig(value); }
void TVK_Logic_Controller::emitNoFocusConfirmation() { Q_EMIT signalNoFocusConfirmation(); }
void TVK_Logic_Controller::emitAudioWindElim(int value) { Q_EMIT signalAudioWindElim(value != 0); }
void TVK_Logic_Controller::emitFocusIsUnitFeet() { Q_EMIT signalFocusIsUnitFeet(m_unitIsFeet); }

void TVK_Logic_Controller::emitExposureSimulation(int value)
{
    Q_EMIT signalExposureSimulation(value != 0);
    Q_EMIT signalExposureSimulation(value);
}

void TVK_Logic_Controller::emitUseDngCompression(int value) { Q_EMIT signalUseDngCompression(value <= 2); }
void TVK_Logic_Controller::emitUseJpgColorSpace(int value) { Q_EMIT signalUseJpgColorSpace(value >= 1 && value <= 4); }
void TVK_Logic_Controller::emitUseJpgResolution(int value) { Q_EMIT signalUseJpgResolution(value >= 1 && value <= 4); }

void TVK_Logic_Controller::emitAudioVolMicrophone(int value)
{
    Q_EMIT signalAudioVolMicrophone(value);
    const int product = m_camera != nullptr ? m_camera->productId() : 0;
    const Traits::eLEMicrophoneScale scale = traitsOf(product).microphoneScale;
    if (scale == Traits::kLEMicrophoneSteps63)
        Q_EMIT signalAudioVolMicrophone(double(value) / 63.0);
    else if (scale == Traits::kLEMicrophoneQuarters)
        Q_EMIT signalAudioVolMicrophone(double(value) * 0.25);
}

void TVK_Logic_Controller::emitAutoFocusLimit(bool on)
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        Q_EMIT signalAutoFocusLimit(on);
}

void TVK_Logic_Controller::emitBracketEnabled(bool on)
{
    TVK_METHOD(prefix);
    Q_EMIT signalBracketEnabled(on);
    if (hasCamera(prefix))
        emitDriveMode(m_ownIntervalActive ? kIntervalDriveMode : m_camera->driveMode());
}

void TVK_Logic_Controller::emitExposureSimulationList()
{
    const int product = m_camera != nullptr ? m_camera->productId() : 0;
    const bool withDisplay = traitsOf(product).has(Traits::kLEExposureSimulationModes);
    Q_EMIT signalExposureSimulationList(withDisplay ? QVector<int>{0, 2, 3} : QVector<int>{0, 1});
}

void TVK_Logic_Controller::emitFileNameAndNumber()
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    Q_EMIT signalPictureName(m_camera->pictureName());
    Q_EMIT signalPictureIndex(m_camera->pictureIndex());
    Q_EMIT signalPictureExample(m_camera->pictureExampleFileName());
}

void TVK_Logic_Controller::emitPictureExampleName()
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        Q_EMIT signalPictureExample(m_camera->pictureExampleFileName());
}

// --- Camera value to display text: the converter families ---------------------------------------------

// One list slot and one value slot per family; the value slot's extra signals
// are written out where a family has them.
#define TVK_LIST_SLOT(Family, words)                                                                              \
    void TVK_Logic_Controller::emit##Family##List()                                                             \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        emitListOf(prefix, m_converters->get<TVK_Logic_Converter##Family>(), words,                             \
                   &C::signal##Family##List);                                                                   \
    }

#define TVK_TEXT_SLOT(Family, words)                                                                              \
    void TVK_Logic_Controller::emit##Family(int value)                                                          \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        emitTextOf(prefix, m_converters->get<TVK_Logic_Converter##Family>(), words, value,                      \
                   qOverload<const QString &>(&C::signal##Family));                                             \
    }

#define TVK_FAMILY(Family, words)                                                                                 \
    TVK_LIST_SLOT(Family, words)                                                                                \
    TVK_TEXT_SLOT(Family, words)

TVK_FAMILY(JpgColorSpace, "JPG color space")
TVK_FAMILY(JpgResolution, "JPG resolution")
TVK_FAMILY(AutoreviewDuration, "autoreview duration")
TVK_FAMILY(AutoPowerOff, "auto power off")
TVK_FAMILY(SensorFormat, "sensor format")
TVK_FAMILY(PhotoAspectRatio, "photo aspect ratio")
TVK_FAMILY(VideoFileFormat, "video file format")
TVK_FAMILY(VideoResAndFrRate, "video resolution and frame rate")
TVK_FAMILY(VideoFormatResol, "video format resolution")
TVK_FAMILY(Contrast, "contrast")
TVK_FAMILY(Sharpness, "sharpness")
TVK_FAMILY(Saturation, "saturation")
TVK_FAMILY(Monochrome, "monochrome")
TVK_FAMILY(BracketImgNum, "bracketing image numbers")
TVK_FAMILY(BracketDeltaEV, "bracketing delta EV")
TVK_FAMILY(WhiteBalTemp, "white balance temperature")
TVK_LIST_SLOT(FileFormat, "file format")
TVK_LIST_SLOT(DngCompression, "DNG compression")
TVK_LIST_SLOT(Orientation, "orientation")
TVK_LIST_SLOT(AudioLevel, "audio level")
TVK_LIST_SLOT(ExposMetering, "exposure metering")
TVK_LIST_SLOT(ExposCompens, "exposure compensation")
TVK_LIST_SLOT(Sensitivity, "sensitivity")
TVK_LIST_SLOT(WhiteBalance, "white balance")
TVK_LIST_SLOT(DriveMode, "drive mode")

#undef TVK_FAMILY
#undef TVK_TEXT_SLOT
#undef TVK_LIST_SLOT

void TVK_Logic_Controller::emitFileFormat(int value)
{
    TVK_METHOD(prefix);
    Q_EMIT signalFileFormat(value);
    Q_EMIT signalUseDngCompression(value < 3);
    Q_EMIT signalUseJpgColorSpace(value >= 1 && value <= 4);
    Q_EMIT signalUseJpgResolution(value >= 1 && value <= 4);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterFileFormat>(), "file format", value,
               qOverload<const QString &>(&C::signalFileFormat));
}

void TVK_Logic_Controller::emitDngCompression(bool on)
{
    TVK_METHOD(prefix);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterDngCompression>(), "DNG compression", on ? 1 : 0,
               &C::signalDngCompression);
}

void TVK_Logic_Controller::emitOrientation(int value)
{
    TVK_METHOD(prefix);
    Q_EMIT signalOrientation(value);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterOrientation>(), "orientation", value,
               qOverload<const QString &>(&C::signalOrientation));
}

void TVK_Logic_Controller::emitAudioLevel(int value)
{
    TVK_METHOD(prefix);
    const TVK_Logic_ConverterAudioLevel *converter = m_converters->get<TVK_Logic_ConverterAudioLevel>();
    if (!hasConverter(prefix, converter, "audio level"))
        return;
    Q_EMIT signalAudioLevelIsManual(value == 1);
    Q_EMIT signalAudioLevel(converter->textForValue(value));
}

void TVK_Logic_Controller::emitExposMetering(int value)
{
    TVK_METHOD(prefix);
    Q_EMIT signalExposMetering(value);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterExposMetering>(), "exposure metering", value,
               qOverload<const QString &>(&C::signalExposMetering));
}

void TVK_Logic_Controller::emitExposCompens(int value)
{
    TVK_METHOD(prefix);
    Q_EMIT signalExposCompens(value);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterExposCompens>(), "exposure compensation", value,
               qOverload<const QString &>(&C::signalExposCompens));
}

void TVK_Logic_Controller::emitSensitivity(int value)
{
    TVK_METHOD(prefix);
    Q_EMIT signalSensitivity(value);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterSensitivity>(), "sensitivity", value,
               qOverload<const QString &>(&C::signalSensitivity));
    // The shortest and longest times can depend on the sensitivity.
    emitShutterTimeList();
    emitCurrentShutterTime();
}

void TVK_Logic_Controller::emitWhiteBalance(int value)
{
    TVK_METHOD(prefix);
    if (m_camera != nullptr && value == 10 && traitsOf(m_camera->productId()).has(Traits::kLEGrayCardAsPreset))
        value = 9;
    Q_EMIT signalWhiteBalance(value);
    const TVK_Logic_ConverterWhiteBalance *converter = m_converters->get<TVK_Logic_ConverterWhiteBalance>();
    if (!hasConverter(prefix, converter, "white balance"))
        return;
    Q_EMIT signalWhiteBalance(converter->textForValue(value));
    Q_EMIT signalIsWhiteBalTemp(value == converter->colorTemperatureValue());
}

void TVK_Logic_Controller::emitDriveMode(int value)
{
    TVK_METHOD(prefix);
    if (value != kIntervalDriveMode)
        m_ownIntervalActive = false;
    if (m_camera != nullptr && m_camera->bracketingEnabled())
        value = kBracketingDriveMode;
    emitValueAndText(prefix, m_converters->get<TVK_Logic_ConverterDriveMode>(), "drive mode", value,
                     qOverload<int>(&C::signalDriveMode), qOverload<const QString &>(&C::signalDriveMode));
}

void TVK_Logic_Controller::emitRangeAndList(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                            const char *words, RangeSignal range, ListSignal list)
{
    if (!hasConverter(prefix, converter, words))
        return;
    Q_EMIT(this->*range)(int(converter->firstValue()), int(converter->lastValue()));
    Q_EMIT(this->*list)(converter->textList());
}

void TVK_Logic_Controller::emitValueAndText(const char *prefix, const TVK_Logic_ConverterBase *converter,
                                            const char *words, int value, ValueSignal valueSignal, Signal textSignal)
{
    if (!hasConverter(prefix, converter, words))
        return;
    Q_EMIT(this->*valueSignal)(value);
    Q_EMIT(this->*textSignal)(converter->textForValue(value));
}

void TVK_Logic_Controller::emitIntervalFramesList()
{
    TVK_METHOD(prefix);
    emitRangeAndList(prefix, m_converters->get<TVK_Logic_ConverterIntervalFrames>(), "interval frames",
                     &C::signalIntervalFramesRange, &C::signalIntervalFramesList);
}

void TVK_Logic_Controller::emitIntervalFrames(int value)
{
    TVK_METHOD(prefix);
    emitValueAndText(prefix, m_converters->get<TVK_Logic_ConverterIntervalFrames>(), "interval frames", value,
                     qOverload<int>(&C::signalIntervalFrames), qOverload<const QString &>(&C::signalIntervalFrames));
}

void TVK_Logic_Controller::emitIntervalTimeList()
{
    TVK_METHOD(prefix);
    emitRangeAndList(prefix, m_converters->get<TVK_Logic_ConverterIntervalTime>(), "interval time",
                     &C::signalIntervalTimeRange, &C::signalIntervalTimeList);
}

void TVK_Logic_Controller::emitIntervalTime(int value)
{
    TVK_METHOD(prefix);
    emitValueAndText(prefix, m_converters->get<TVK_Logic_ConverterIntervalTime>(), "interval time", value,
                     qOverload<int>(&C::signalIntervalTime), qOverload<const QString &>(&C::signalIntervalTime));
}

void TVK_Logic_Controller::emitWarning(int value)
{
    TVK_METHOD(prefix);
    emitTextOf(prefix, m_converters->get<TVK_Logic_ConverterWarning>(), "warnings", value, &C::signalWarning);
}

// --- Focus distances -------------------------------------------------------------------------------------

#define TVK_DISTANCE_SLOT(Name)                                                                                   \
    void TVK_Logic_Controller::emit##Name(int millimetres)                                                      \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        const auto *const converter = m_converters->get<TVK_Logic_ConverterFocusDistance>();                    \
        if (hasConverter(prefix, converter, "focus distance"))                                                  \
            Q_EMIT signal##Name(converter->textFromMillimetres(millimetres, m_unitIsFeet));                     \
    }

TVK_DISTANCE_SLOT(FocusDistance)
TVK_DISTANCE_SLOT(FocusMaxDistance)
TVK_DISTANCE_SLOT(FocusMinDistance)
TVK_DISTANCE_SLOT(AutoFocusLimitDist)

#undef TVK_DISTANCE_SLOT

// The converter keeps the lens's range so that texts can be checked against it.
void TVK_Logic_Controller::emitFocusRange(const char *prefix)
{
    TVK_Logic_ConverterFocusDistance *converter = m_converters->get<TVK_Logic_ConverterFocusDistance>();
    if (!hasConverter(prefix, converter, "focus distance"))
        return;
    const int maximum = int(m_camera->focusPositionMax());
    const int minimum = int(m_camera->focusPositionMin());
    converter->setMaximum(maximum);
    converter->setMinimum(minimum);
    emitFocusMaxDistance(maximum);
    emitFocusMinDistance(minimum);
}

// --- Aperture and shutter-time lists ------------------------------------------------------------------------

void TVK_Logic_Controller::emitAperture(double fNumber)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (lensIsConnected(m_camera->lens()))
        Q_EMIT signalAperture(TVK_Logic_APEXConverterAperture::toString(fNumber));
    else
        Q_EMIT signalAperture(QString::fromLatin1(kNoAperture));
}

void TVK_Logic_Controller::emitApertureList()
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    const double open = m_camera->openApertureValue();
    const double close = m_camera->closeApertureValue();
    const double step = m_camera->hasExposCompensStep() ? Lists::stepFromExposCompensStep(m_camera->exposCompensStep())
                                                        : Lists::stepFromApertureSteps(m_camera->apertureSteps());
    const QStringList list = Lists::apertures(lensIsConnected(m_camera->lens()), open, close, step);
    Q_EMIT signalApertureList(list);
}

void TVK_Logic_Controller::emitShutterTime(double seconds)
{
    Q_EMIT signalShutterTime(shutterTimeText(seconds));
}

void TVK_Logic_Controller::emitShutterTimeList()
{
    TVK_METHOD(prefix);
    const TVK_Logic_APEXConverterShutterTime *converter = m_converters->get<TVK_Logic_APEXConverterShutterTime>();
    if (!hasCamera(prefix) || converter == nullptr)
        return;
    const int product = m_camera->productId();
    double shortest = 0.00025;
    if (traitsOf(product).has(Traits::kLEElectronicShutter)) {
        if (m_camera->hasElectronicShutter() && m_camera->electronicShutter() == 1)
            shortest = m_camera->driveMode() == 9 ? 0.0000625 : 0.000025;
        else
            shortest = 0.000125;
    }
    const double longest = m_camera->maxShutterTime();

    double step = 0.5;
    if (m_camera->hasExposCompensStep())
        step = Lists::stepFromExposCompensStep(m_camera->exposCompensStep());
    else if (m_camera->hasAperture())
        step = Lists::stepFromApertureSteps(m_camera->apertureSteps());
    if (step <= 0.0) {
        debugLog(kLELogAlways, "%s - illegal shutter time step", prefix);
        return;
    }

    const QStringList list = Lists::shutterTimes(*converter, shortest, longest, step);
    Q_EMIT signalShutterTimeList(list);
}

// --- Reactions that rebuild lists ---------------------------------------------------------------------------

void TVK_Logic_Controller::catchElectronicShutter(int)
{
    emitShutterTimeList();
    emitCurrentShutterTime();
}

void TVK_Logic_Controller::catchMaxShutterTime(double)
{
    emitShutterTimeList();
    emitCurrentShutterTime();
}

void TVK_Logic_Controller::catchExposCompensStep(int step)
{
    TVK_METHOD(prefix);
    if (TVK_Logic_APEXConverterAperture::stepSize() != step)
        TVK_Logic_APEXConverterAperture::setStepSize(step);
    TVK_Logic_APEXConverterShutterTime *shutterTime = m_converters->get<TVK_Logic_APEXConverterShutterTime>();
    if (shutterTime != nullptr && shutterTime->stepSize() != step)
        shutterTime->setStepSize(step);
    TVK_Logic_ConverterExposCompens *exposCompens = m_converters->get<TVK_Logic_ConverterExposCompens>();
    if (!hasConverter(prefix, exposCompens, "exposure compensation"))
        return;
    if (exposCompens->stepSize() == step)
        return;
    exposCompens->setStepSize(step);
    Q_EMIT signalExposCompensStep(step);
    emitExposCompensList();
    emitExposCompens(0);
    emitShutterTimeList();
    emitCurrentShutterTime();
    if (m_camera != nullptr && m_camera->hasAperture()) {
        emitApertureList();
        emitAperture(m_camera->aperture());
    }
}

void TVK_Logic_Controller::catchLensChanged()
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (m_camera->hasAperture())
        emitApertureList();
    if (m_converters->get<TVK_Logic_ConverterFocusDistance>() != nullptr)
        emitFocusRange(prefix);
    else if (m_camera->hasFocusDistance())
        debugLog(kLELogAlways, "%s - no converter for focus distance", prefix);
}

void TVK_Logic_Controller::catchSyncAvailableApertureTimer()
{
    if (m_camera == nullptr || !m_camera->hasAperture() || m_camera->lens() == nullptr)
        return;
    // A picture transfer holds the access for as long as it runs; the panel's
    // thread does not wait for it, the next tick reads the lens instead.
    if (!m_camera->accessLock().try_lock())
        return;
    m_camera->lens()->recvFromCamera();
    m_camera->accessLock().unlock();
    emitApertureList();
    emitAperture(m_camera->aperture());
}

void TVK_Logic_Controller::setIsUnitFeet(bool feet)
{
    TVK_METHOD(prefix);
    if (queuedFromOtherThread([this, feet]() { setIsUnitFeet(feet); }))
        return;
    if (feet == m_unitIsFeet)
        return;
    m_unitIsFeet = feet;
    Q_EMIT signalFocusIsUnitFeet(feet);
    if (!hasCamera(prefix))
        return;
    emitFocusRange(prefix);
    if (m_camera->hasFocusDistance())
        emitFocusDistance(m_camera->focusDistance());
    if (m_camera->hasAutoFocusLimit())
        emitAutoFocusLimitDist(m_camera->autoFocusLimitDist());
}

// --- Display text to camera value -------------------------------------------------------------------------

// The text slots that only convert and hand the value to the camera.
#define TVK_TEXT_SETTER(Family, words, Type)                                                                      \
    void TVK_Logic_Controller::set##Family(const QString &text)                                                 \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        int value = 0;                                                                                          \
        if (valueOfText(prefix, m_converters->get<TVK_Logic_Converter##Family>(), words, text, &value))         \
            m_camera->set##Family(Type(value));                                                                 \
    }

TVK_TEXT_SETTER(JpgColorSpace, "JPG color space", eVXColorManagement)
TVK_TEXT_SETTER(JpgResolution, "JPG resolution", eVXPhotoResolutionJPG)
TVK_TEXT_SETTER(AutoreviewDuration, "autoreview duration", eVXAutoreviewDuration)
TVK_TEXT_SETTER(AutoPowerOff, "auto power off", eVXAutoPowerOff)
TVK_TEXT_SETTER(SensorFormat, "sensor format", eVXSensorFormat)
TVK_TEXT_SETTER(PhotoAspectRatio, "photo aspect ratio", eVXPhotoAspectRatio)
TVK_TEXT_SETTER(VideoFileFormat, "video file format", eVXVideoFileFormat)
TVK_TEXT_SETTER(VideoResAndFrRate, "video resolution and frame rate", eVXVideoResAndFrRate)
TVK_TEXT_SETTER(VideoFormatResol, "video format resolution", eVXVideoFormatResol)
TVK_TEXT_SETTER(Contrast, "contrast", eVXContrast)
TVK_TEXT_SETTER(Sharpness, "sharpness", eVXSharpness)
TVK_TEXT_SETTER(Saturation, "saturation", eVXSaturation)
TVK_TEXT_SETTER(Monochrome, "monochrome", eVXMonochrome)

#undef TVK_TEXT_SETTER

void TVK_Logic_Controller::setDngCompression(const QString &text)
{
    TVK_METHOD(prefix);
    int value = 0;
    if (valueOfText(prefix, m_converters->get<TVK_Logic_ConverterDngCompression>(), "DNG compression", text, &value))
        m_camera->setDngCompression(value != 0);
}

// The text slots that convert and go on through their int slot, which checks
// the camera.
#define TVK_TEXT_TO_INT(Family, words, convert)                                                                   \
    void TVK_Logic_Controller::set##Family(const QString &text)                                                 \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        double value = 0.0;                                                                                     \
        if (converterValueOfText(prefix, m_converters->get<TVK_Logic_Converter##Family>(), words, text,         \
                                 &value))                                                                       \
            set##Family(convert(value));                                                                        \
    }

#define TVK_ROUNDED(value) roundHalfAway(value)
#define TVK_TRUNCATED(value) int(value)

TVK_TEXT_TO_INT(AudioLevel, "audio level", TVK_ROUNDED)
TVK_TEXT_TO_INT(BracketDeltaEV, "bracketing delta EV", TVK_ROUNDED)
TVK_TEXT_TO_INT(BracketImgNum, "bracketing image numbers", TVK_ROUNDED)
TVK_TEXT_TO_INT(DriveMode, "drive mode", TVK_ROUNDED)
TVK_TEXT_TO_INT(ExposMetering, "exposure metering", TVK_ROUNDED)
TVK_TEXT_TO_INT(IntervalFrames, "interval frames", TVK_ROUNDED)
TVK_TEXT_TO_INT(IntervalTime, "interval time", TVK_ROUNDED)
TVK_TEXT_TO_INT(ExposCompens, "exposure compensation", TVK_ROUNDED)
TVK_TEXT_TO_INT(FileFormat, "file format", TVK_ROUNDED)
TVK_TEXT_TO_INT(WhiteBalance, "white balance", TVK_ROUNDED)
TVK_TEXT_TO_INT(WhiteBalTemp, "white balance temperature", TVK_TRUNCATED)

#undef TVK_TRUNCATED
#undef TVK_ROUNDED
#undef TVK_TEXT_TO_INT

void TVK_Logic_Controller::setSensitivity(const QString &text)
{
    TVK_METHOD(prefix);
    double value = 0.0;
    if (!converterValueOfText(prefix, m_converters->get<TVK_Logic_ConverterSensitivity>(), "sensitivity", text, &value))
        return;
    Q_EMIT signalSensitivity(int(value));
    setSensitivity(int(value));
}

void TVK_Logic_Controller::setAperture(const QString &text)
{
    setAperture(TVK_Logic_APEXConverterAperture::fromString(text));
}

// The int slots that only pass on to the camera.
#define TVK_PASS_ON(Slot, Arg, call)                                                                              \
    void TVK_Logic_Controller::Slot(Arg value)                                                                  \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        if (hasCamera(prefix))                                                                                  \
            m_camera->call;                                                                                     \
    }

TVK_PASS_ON(setAudioLevel, int, setAudioLevel(eVXAudioLevel(value)))
TVK_PASS_ON(setAudioVolSpeaker, int, setAudioVolSpeaker(value))
TVK_PASS_ON(setAudioVolHeadphone, int, setAudioVolHeadphone(value))
TVK_PASS_ON(setAudioVolMicrophone, int, setAudioVolMicrophone(value))
TVK_PASS_ON(setAudioWindElim, bool, setAudioWindElim(eVXAudioWindElim(value ? 1 : 0)))
TVK_PASS_ON(setAutoFocusLimit, bool, setAutoFocusLimit(value))
TVK_PASS_ON(setBracketDeltaEV, int, setBracketDeltaEV(value))
TVK_PASS_ON(setBracketEnabled, bool, setBracketEnabled(value))
TVK_PASS_ON(setBracketImgNum, int, setBracketImgNum(value))
TVK_PASS_ON(setElectronicShutter, bool, setElectronicShutter(eVXElectronicShutter(value ? 1 : 0)))
TVK_PASS_ON(setFlashXSymbol, bool, setFlashXSymbol(value))
TVK_PASS_ON(setKeyLock, bool, setKeyLock(value))
TVK_PASS_ON(setMirrorUpMode, bool, setMirrorUpMode(value))
TVK_PASS_ON(setExposureMode, int, setExposureMode(eVXExposureMode(value)))
TVK_PASS_ON(setFocusMode, int, setFocusMode(eVXFocusMode(value)))
TVK_PASS_ON(setWhiteBalTemp, int, setWhiteBalanceColorTemp(uint(value)))
TVK_PASS_ON(setDngPath, const QString &, setDngPath(value))
TVK_PASS_ON(setJpgPath, const QString &, setJpgPath(value))
TVK_PASS_ON(setPictureName, const QString &, setPictureName(value))
TVK_PASS_ON(setPictureIndex, int, setPictureIndex(value))

#undef TVK_PASS_ON

void TVK_Logic_Controller::setFocusDistanceDec()
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        m_camera->setFocusDistanceDec();
}

void TVK_Logic_Controller::setFocusDistanceInc()
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        m_camera->setFocusDistanceInc();
}

void TVK_Logic_Controller::setAudioLevelIsManual(bool manual)
{
    setAudioLevel(manual ? 1 : 0);
}

void TVK_Logic_Controller::setExposCompens(int milliEV)
{
    TVK_METHOD(prefix);
    Q_EMIT signalExposCompens(milliEV);
    if (hasCamera(prefix))
        m_camera->setExposCompens(milliEV);
}

void TVK_Logic_Controller::setExposMetering(int mode)
{
    TVK_METHOD(prefix);
    Q_EMIT signalExposMetering(mode);
    if (hasCamera(prefix))
        m_camera->setExposMetering(eVXExposMetering(mode));
}

void TVK_Logic_Controller::setExposCompensStep(int step)
{
    TVK_METHOD(prefix);
    Q_EMIT signalExposCompensStep(step);
    if (hasCamera(prefix))
        m_camera->setExposCompensStep(step);
}

void TVK_Logic_Controller::setFileFormat(int fileFormat)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (fileFormat < 0) {
        debugLog(kLELogAlways, "%s - illegal file format %d", prefix, fileFormat);
        return;
    }
    m_camera->setFileFormat(fileFormat);
    Q_EMIT signalFileFormat(fileFormat);
    Q_EMIT signalUseDngCompression(fileFormat < 3);
    Q_EMIT signalUseJpgColorSpace(fileFormat >= 1 && fileFormat <= 4);
    Q_EMIT signalUseJpgResolution(fileFormat >= 1 && fileFormat <= 4);
}

void TVK_Logic_Controller::setAudioVolMicrophone(double level)
{
    const int product = m_camera != nullptr ? m_camera->productId() : 0;
    double scaled = 0.0;
    const Traits::eLEMicrophoneScale scale = traitsOf(product).microphoneScale;
    if (scale == Traits::kLEMicrophoneSteps63)
        scaled = level * 63.0;
    else if (scale == Traits::kLEMicrophoneQuarters)
        scaled = level * 4.0;
    else
        return;
    setAudioVolMicrophone(roundHalfAway(scaled));
}

void TVK_Logic_Controller::setExposureSimulation(int value)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (traitsOf(m_camera->productId()).has(Traits::kLEExposureSimulationModes))
        value = value == 1 ? 3 : value;
    else
        value = value != 0 ? 1 : 0;
    m_camera->setExposureSimulation(eVXExposureSimulation(value));
    const int current = m_camera->exposureSimulation();
    Q_EMIT signalExposureSimulation(current != 0);
    Q_EMIT signalExposureSimulation(current);
}

void TVK_Logic_Controller::setExposureSimulation(bool on)
{
    setExposureSimulation(on ? 1 : 0);
}

void TVK_Logic_Controller::setSensitivity(int iso)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    m_camera->setSensitivity(uint(iso));
    Q_EMIT signalSensitivityAuto(iso == 0);
    emitShutterTimeList();
    emitCurrentShutterTime();
}

void TVK_Logic_Controller::setWhiteBalance(int index)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    m_camera->setWhiteBalanceIndex(uchar(index));
    Q_EMIT signalWhiteBalance(index);
    const TVK_Logic_ConverterWhiteBalance *converter = m_converters->get<TVK_Logic_ConverterWhiteBalance>();
    if (hasConverter(prefix, converter, "white balance"))
        Q_EMIT signalIsWhiteBalTemp(index == converter->colorTemperatureValue());
}

void TVK_Logic_Controller::setShutterTime(const QString &text)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (text == QLatin1String(kBulbText))
        m_camera->setExposureMode(eVXExposureMode(kBulbExposureMode));
    else
        setShutterTime(TVK_Logic_APEXConverterShutterTime::fromString(text));
    Q_EMIT signalExposureMode(m_camera->exposureMode());
}

void TVK_Logic_Controller::setShutterTime(double seconds)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (m_camera->exposureMode() == kBulbExposureMode)
        m_camera->setExposureMode(eVXExposureMode(0));
    m_camera->setShutterTime(seconds);
}

void TVK_Logic_Controller::setAperture(double fNumber)
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix) && lensIsConnected(m_camera->lens()))
        m_camera->setAperture(fNumber);
}

void TVK_Logic_Controller::setDriveMode(int mode)
{
    TVK_METHOD(prefix);
    setBracketEnabled(mode == kBracketingDriveMode);
    if (!hasCamera(prefix))
        return;
    if (!m_camera->hasInterval()) {
        // Without an interval of its own the camera shoots single pictures and
        // the controller times them; any other choice ends that.
        m_ownIntervalActive = mode == kIntervalDriveMode;
        if (mode == kIntervalDriveMode)
            mode = 0;
    }
    if (mode == kBracketingDriveMode)
        mode = 0;
    m_camera->setDriveMode(eVXDriveMode(mode));
    emitDriveMode(m_ownIntervalActive ? kIntervalDriveMode : m_camera->driveMode());
}

void TVK_Logic_Controller::setIntervalFrames(int frames)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (m_camera->hasInterval())
        m_camera->setIntervalFrames(frames);
    else
        m_intervalFrames = frames;
}

void TVK_Logic_Controller::setIntervalTime(int seconds)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (m_camera->hasInterval())
        m_camera->setIntervalTime(seconds);
    else
        m_intervalTime = seconds;
}

void TVK_Logic_Controller::setFocusDistance(const QString &text)
{
    TVK_METHOD(prefix);
    const TVK_Logic_ConverterFocusDistance *converter = m_converters->get<TVK_Logic_ConverterFocusDistance>();
    if (!hasCamera(prefix) || !hasConverter(prefix, converter, "focus distance"))
        return;
    m_camera->setFocusDistance(uint(converter->millimetresFromText(text, m_unitIsFeet)));
}

void TVK_Logic_Controller::setFocusDistance(double metres)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix)
        || !hasConverter(prefix, m_converters->get<TVK_Logic_ConverterFocusDistance>(), "focus distance"))
        return;
    uint position = 0;
    if (metres <= 0.0)
        position = 0xFFFFFFFFu;
    else if (metres >= 1000000.0)
        position = 0x7FFFFFFFu;
    else
        position = uint(std::lround(metres * 1000.0));
    m_camera->setFocusDistance(position);
}

// --- Live view ------------------------------------------------------------------------------------------------

#define TVK_PASS_TO_CAMERA(Slot, Params, Args)                                                                    \
    void TVK_Logic_Controller::Slot Params                                                                      \
    {                                                                                                           \
        TVK_METHOD(prefix);                                                                                     \
        if (hasCamera(prefix))                                                                                  \
            m_camera->Slot Args;                                                                                \
    }

TVK_PASS_TO_CAMERA(setLiveViewCrossPos, (double x, double y), (x, y))
TVK_PASS_TO_CAMERA(setLiveViewCrossPosGlobal, (double x, double y), (x, y))
TVK_PASS_TO_CAMERA(setLiveViewGCPipActive, (bool active), (active))
TVK_PASS_TO_CAMERA(doLiveViewGCPipSave, (), ())
TVK_PASS_TO_CAMERA(doLiveViewAFExec, (), ())
TVK_PASS_TO_CAMERA(doLiveViewAFPressed, (), ())
TVK_PASS_TO_CAMERA(doLiveViewAFReleased, (), ())
TVK_PASS_TO_CAMERA(toggleLiveViewZoom, (), ())
TVK_PASS_TO_CAMERA(setLiveViewPhoto, (bool on), (on))
TVK_PASS_TO_CAMERA(setLiveViewVideo, (bool on), (on))
TVK_PASS_TO_CAMERA(setWantLiveView, (bool want), (want))

#undef TVK_PASS_TO_CAMERA

// The pipette measures where the focus cross is: move it there, then preview.
void TVK_Logic_Controller::setLiveViewGCPipPos(double x, double y)
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    m_camera->setLiveViewCrossPos(x, y);
    m_camera->doLiveViewGCPipPreview();
}

// --- Capture ----------------------------------------------------------------------------------------------------

namespace {

bool isContinuous(int driveMode)
{
    return driveMode == 1 || driveMode == 6 || driveMode == 7 || driveMode == 8 || driveMode == 9;
}

constexpr int kWarningBlocksCapture = 6;
constexpr int kMirrorUpPairMs = 300;

} // namespace

void TVK_Logic_Controller::doCaptureBtnPressed()
{
    TVK_METHOD(prefix);
    if (queuedFromOtherThread([this]() { doCaptureBtnPressed(); }))
        return;
    if (!hasCamera(prefix))
        return;
    TVK_Logic_Camera &c = *m_camera;
    if (c.videoRecording() || (c.hasWarnings() && c.warning() == kWarningBlocksCapture) || m_intervalRunning)
        return;
    int drive = c.driveMode();
    const int exposure = c.exposureMode();
    const bool mirrorUp = c.mirrorUpMode();
    if (c.hasInterval() && drive == kIntervalDriveMode)
        drive = 0;

    if (exposure == kBulbExposureMode) {
        const bool running = c.bulbRunning();
        if (mirrorUp && !running && m_bulbStage <= 0) {
            c.bulbMirrorUp();
            m_bulbStage = 1;
            return;
        }
        if (!running && ((m_bulbStage == 1 && mirrorUp) || !mirrorUp)) {
            // A bulb that did not open is opened again by the next press
            // rather than taking a plain picture in bulb mode.
            m_bulbStage = c.bulbOpen() ? 2 : (mirrorUp ? 1 : 0);
            return;
        }
        if (running && m_bulbStage == 2) {
            c.bulbClose();
            m_bulbStage = 0;
            return;
        }
    }

    if (m_ownIntervalActive) {
        m_intervalRemaining = mirrorUp ? 2 * m_intervalFrames : m_intervalFrames;
        m_bulbStage = 0;
        c.clearBulbRunning();
        setIntervalRunning(true);
        // The first tick releases at once.
        m_dngTransferDone = true;
        delete m_intervalTimer;
        m_intervalTimer = new QTimer;
        connect(m_intervalTimer, &QTimer::timeout, this, &C::tickInterval);
        m_intervalTimer->start(0);
        return;
    }

    m_bulbStage = 0;
    c.clearBulbRunning();
    if (isContinuous(drive) && !mirrorUp)
        c.releaseCam(kVXReleaseContinuousStart);
    else
        c.releaseCam(kVXReleasePicture);
}

void TVK_Logic_Controller::doCaptureBtnReleased()
{
    TVK_METHOD(prefix);
    if (queuedFromOtherThread([this]() { doCaptureBtnReleased(); }))
        return;
    if (hasCamera(prefix) && isContinuous(m_camera->driveMode()))
        m_camera->continuousEnd();
}

void TVK_Logic_Controller::stopInterval()
{
    setIntervalRunning(false);
    m_intervalRemaining = 0;
    delete m_intervalTimer;
    m_intervalTimer = nullptr;
}

void TVK_Logic_Controller::setIntervalRunning(bool running)
{
    if (running == m_intervalRunning)
        return;
    m_intervalRunning = running;
    Q_EMIT signalIntervalRunning(running);
}

void TVK_Logic_Controller::tickInterval()
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    if (!m_ownIntervalActive) {
        stopInterval();
        return;
    }
    const int fileFormat = m_camera->fileFormat();
    // A frame waits for the previous DNG, so the series never outruns the
    // transfer; JPG-only cameras need not wait.
    if (!m_dngTransferDone && !((fileFormat == 3 || fileFormat == 4) && m_camera->shutterTime() <= 0.0))
        return;
    m_dngTransferDone = false;
    if (m_intervalRemaining <= 0) {
        stopInterval();
        return;
    }
    m_intervalTimer->setInterval(m_intervalTime * 1000);
    m_camera->releaseCam(kVXReleasePicture);
    --m_intervalRemaining;
    // With mirror-up each frame is two releases: the mirror, then the shutter.
    if (m_camera->mirrorUpMode() && m_intervalRemaining > 0 && m_intervalRemaining % 2 == 1) {
        m_intervalTimer->stop();
        QTimer::singleShot(kMirrorUpPairMs, this, &C::tickIntervalReleaseInMirrorUpMode);
    }
}

void TVK_Logic_Controller::tickIntervalReleaseInMirrorUpMode()
{
    TVK_METHOD(prefix);
    if (!hasCamera(prefix))
        return;
    m_camera->releaseCam(kVXReleasePicture);
    --m_intervalRemaining;
    if (m_intervalTimer != nullptr)
        m_intervalTimer->start();
}

void TVK_Logic_Controller::doVidCaptBtnPressed()
{
    // Recording follows the release of the button only.
}

void TVK_Logic_Controller::doVidCaptBtnReleased()
{
    TVK_METHOD(prefix);
    if (hasCamera(prefix))
        m_camera->toggleVideoCapture();
}

void TVK_Logic_Controller::setWantQuickView(bool want)
{
    TVK_METHOD(prefix);
    if (queuedFromOtherThread([this, want]() { setWantQuickView(want); }))
        return;
    if (hasCamera(prefix))
        m_camera->setWantQuickView(want);
}
