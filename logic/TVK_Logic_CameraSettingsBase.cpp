#include "TVK_Logic_CameraSettingsBase.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Debug_Log.h"

using Base = TVK_Logic_CameraSettingsBase;

TVK_Logic_CameraSettingsBase::TVK_Logic_CameraSettingsBase(TVK_Commu_CameraAccess_Base *cameraAccess,
                                                           TVK_Logic_DeviceInfo *deviceInfo)
    : m_cameraAccess(cameraAccess)
    , m_deviceInfo(deviceInfo)
{
}

TVK_Logic_CameraSettingsBase::~TVK_Logic_CameraSettingsBase() = default;

void TVK_Logic_CameraSettingsBase::sendToCameraIfChanged()
{
    if (m_pendingSend)
        sendToCamera();
}

int TVK_Logic_CameraSettingsBase::productId() const
{
    return m_cameraAccess != nullptr ? m_cameraAccess->productId() : 0;
}

const QVector<Base::FeatureLine> &TVK_Logic_CameraSettingsBase::dumpedFeatures()
{
    static const QVector<FeatureLine> lines = {
        {"featureAperture", "featureAperture", &Base::featureAperture},
        {"featureFocusMode", "featureFocusMode", &Base::featureFocusMode},
        {"featureFocusConfirmation", "featureFocusConfirmation", &Base::featureFocusConfirmation},
        {"featureFocusDistance", "featureFocusDistance", &Base::featureFocusDistance},
        {"featureMoveLensToPos", "featureMoveLensToPos", &Base::featureMoveLensToPos},
        {"featureMoveLensRightLeft", "featureMoveLensRightLeft", &Base::featureMoveLensRightLeft},
        {"featureSensorFormat", "featureSensorFormat", &Base::featureSensorFormat},
        {"featurePhotoAspectRatio", "featurePhotoAspectRatio", &Base::featurePhotoAspectRatio},
        {"featureJpgResSelection", "featureJpgResSelection", &Base::featureJpgResSelection},
        {"featureVideoFileFormat", "featureVideoFileFormat", &Base::featureVideoFileFormat},
        {"featureVideoResAndFrRate", "featureVideoResAndFrRate", &Base::featureVideoResAndFrRate},
        {"featureVideoFormatResol", "featureVideoFormatResol", &Base::featureVideoFormatResol},
        {"featureContrast", "featureContrast", &Base::featureContrast},
        {"featureSharpness", "featureSharpness", &Base::featureSharpness},
        {"featureSaturation", "featureSaturation", &Base::featureSaturation},
        {"featureMonochrome", "featureMonochrome", &Base::featureMonochrome},
        {"featureAutoFocusLimit", "featureAutoFocusLimit", &Base::featureAutoFocusLimit},
        {"featureElectronicShutter", "featureElectronicShutter", &Base::featureElectronicShutter},
        {"featureExposTimeBulbPreset", "featureExposTimeBulbPreset", &Base::featureExposTimeBulbPreset},
        {"featureAudioLevel", "featureAudioLevel", &Base::featureAudioLevel},
        {"featureAudioWindElim", "featureAudioWindElimi.", &Base::featureAudioWindElim},
        {"featureAudioVolSpeaker", "featureAudioVolSpeaker", &Base::featureAudioVolSpeaker},
        {"featureAudioVolHeadphone", "featureAudioVolHeadphone", &Base::featureAudioVolHeadphone},
        {"featureAudioVolMicrophone", "featureAudioVolMicrophone", &Base::featureAudioVolMicrophone},
        {"featureExposureSimulation", "featureExposureSimulation", &Base::featureExposureSimulation},
        {"featurePowerSave", "featurePowerSave", &Base::featurePowerSave},
        {"featureDngCompression", "featureDngCompression", &Base::featureDngCompression},
        {"featureInterval", "featureInterval", &Base::featureInterval},
        {"featureKeyLock", "featureKeyLock", &Base::featureKeyLock},
        {"featureLanguage", "featureLanguage", &Base::featureLanguage},
        {"featureLiveView", "featureLiveView", &Base::featureLiveView},
        {"featurePreview", "featurePreview", &Base::featurePreview},
        {"featureHMI", "featureHMI", &Base::featureHMI},
        {"featureFlashStatus", "featureFlashStatus", &Base::featureFlashStatus},
        {"featureFlashXSymbol", "featureFlashXSymbol", &Base::featureFlashXSymbol},
    };
    return lines;
}

QVector<Base::FeatureLine> TVK_Logic_CameraSettingsBase::dumpedFeatures(const QStringList &names)
{
    QVector<FeatureLine> picked;
    for (const QString &name : names) {
        for (const FeatureLine &line : dumpedFeatures()) {
            if (name == QLatin1String(line.name))
                picked.append(line);
        }
    }
    return picked;
}

void TVK_Logic_CameraSettingsBase::dumpFeatures(const char *prefix, const QVector<FeatureLine> &lines)
{
    for (const FeatureLine &line : lines)
        debugLog(kLELogAlways, "%s - %-24s = %s", prefix, line.label, (this->*line.query)() ? "Yes" : "No");
}
