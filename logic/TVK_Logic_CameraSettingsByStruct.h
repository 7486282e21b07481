#pragma once

#include "TVK_Logic_APEXConverterShutterTime.h"
#include "TVK_Logic_CameraSettingsBase.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

// The settings of the bodies that hand out and take all their settings at once,
// as one 100-byte vendor settings record (read with getCameraSettings, written
// whole with setCameraSettings). The object keeps a local copy of the record:
// getters decode fields of the copy, setters change fields of the copy and mark
// it as changed, sendToCamera writes the whole copy back. The camera answers a
// write with its settings-changed event, after which the model calls the full
// recvFromCamera, which reports every field that differs from before.
//
// Bytes the record carries but this class does not interpret are never
// touched: they travel back to the camera exactly as they were read.
class TVK_Logic_CameraSettingsByStruct : public TVK_Logic_CameraSettingsBase
{
public:
    static constexpr int kRecordSize = 100;
    using Record = std::array<quint8, kRecordSize>;

    // Reads the record at once (without change flags), so that a new object
    // already holds the camera's values.
    TVK_Logic_CameraSettingsByStruct(TVK_Commu_CameraAccess_Base *cameraAccess, TVK_Logic_DeviceInfo *deviceInfo);
    ~TVK_Logic_CameraSettingsByStruct() override;

    // The local copy, the user's pending changes included.
    QByteArray record() const;

    // The record keeps sensitivity as a position in the product's ISO table,
    // position 0 standing for automatic. 0 for a position outside the table
    // and for a product without a table.
    int sensitivityFromIndex(int index);
    // The first position of iso in the table; 0 (automatic) when it has none.
    int sensitivityToIndex(int iso);

    void dump(const QString &caller) override;
    void recvFromCamera(quint16 propertyCode, ChangedFlags *changed) override;
    void recvFromCamera(ChangedFlags *changed) override;
    void sendToCamera() override;

    void setDriveMode(int index) override;
    void setFocusMode(int value) override;
    void setExposureMeteringMode(int value) override;
    void setExposureCompensation(int milliEV) override;
    void setExposCompensStepSize(int stepSize) override;
    void setBracketingEnabled(bool on) override;
    void setBracketingImageNumbers(int count) override;
    void setBracketingDeltaEV(int milliEV) override;
    void setBracketingAutomatic(int value) override;
    void setMirrorUpMode(int value) override;
    void setSensitivity(int iso) override;
    void setKeyLock(bool on) override;
    void setDngCompression(bool on) override;
    void setFlashXSymbol(bool on) override;
    void setFileFormat(int index) override;
    void setWhiteBalance(int value) override;
    void setWhiteBalanceColorTemp(int kelvin) override;
    void setJpgColorSpace(int value) override;
    void setStorageType(int value) override;
    void setAutoreviewDuration(int value) override;
    void setAutoPowerOff(int index) override;
    void setLockAEAF(int value) override;
    void setSensorFormat(int value) override;
    void setPhotoAspectRatio(int value) override;
    void setJpgResolution(int value) override;
    void setVideoFileFormat(int value) override;
    void setVideoResAndFrRate(int value) override;
    void setVideoFormatResol(int value) override;
    void setContrast(int value) override;
    void setSharpness(int value) override;
    void setSaturation(int value) override;
    void setMonochrome(int value) override;
    void setElectronicShutter(int value) override;
    void setExposTimeBulbPreset(int seconds) override;
    void setAudioLevel(int value) override;
    void setAudioWindElim(int value) override;
    void setAudioVolSpeaker(int value) override;
    void setAudioVolHeadphone(int value) override;
    void setAudioVolMicrophone(int value) override;
    void setExposureSimulation(int value) override;
    void setLanguage(int value) override;
    void setExposureMode(int index) override;
    void setAperture(double fNumber) override;
    void setShutterTime(double seconds) override;
    void setAutoFocusLimit(bool on) override;
    void setIntervalFrames(int count) override;
    void setIntervalTime(int value) override;

    int driveMode() override;
    int focusMode() override;
    int exposureMeteringMode() override;
    int exposureCompensation() override;
    int exposCompensStepSize() override;
    bool bracketingEnabled() override;
    int bracketingImageNumbers() override;
    int bracketingDeltaEV() override;
    int bracketingAutomatic() override;
    int shutterMode() override;
    int mirrorUpMode() override;
    int sensitivity() override;
    bool sensitivityAuto() override;
    quint8 USBspeed() override;
    quint8 RAMBufferFreeCaptures() override;
    int sensorBoardTemperature() override;
    bool keyLock() override;
    bool dngCompression() override;
    bool flashXSymbol() override;
    int fileFormat() override;
    double maxShutterTime() override;
    int whiteBalance() override;
    int whiteBalanceColorTemp() override;
    int jpgColorSpace() override;
    int storageType() override;
    int lightMeter() override;
    int autoreviewDuration() override;
    int autoPowerOff() override;
    int lockAEAF() override;
    int sensorFormat() override;
    int photoAspectRatio() override;
    int jpgResolution() override;
    int videoFileFormat() override;
    int videoResAndFrRate() override;
    int videoFormatResol() override;
    int contrast() override;
    int sharpness() override;
    int saturation() override;
    int monochrome() override;
    int electronicShutter() override;
    int exposTimeBulbPreset() override;
    int lensConnectionType() override;
    int orientation() override;
    int audioLevel() override;
    int audioWindElim() override;
    int audioVolSpeaker() override;
    int audioVolHeadphone() override;
    int audioVolMicrophone() override;
    int exposureSimulation() override;
    int language() override;
    int batterySource() override;
    int batteryInfo() override;
    int batteryLevelIntern() override;
    int batteryLevelExtern() override;
    int powerSwitch() override;
    int selfTimerRestTime() override;
    int bulbModeTime() override;
    int warnings() override;
    int iSOValue() override;
    int exposureMode() override;
    double aperture() override;
    double shutterTime() override;
    qint64 focusDistance() override;
    int focusConfirmation() override;
    bool focusConfirmBadSignal() override;
    bool focusConfirmEnabled() override;
    bool autoFocusLimit() override;
    int autoFocusLimitDistance() override;
    int lightBalance() override;
    int flashCompensation() override;
    int flashStatus() override;

    bool featureFocusMode() override;
    bool featureMoveLensToPos() override;
    bool featureMoveLensRightLeft() override;
    bool featureSensorFormat() override;
    bool featurePhotoAspectRatio() override;
    bool featureJpgResSelection() override;
    bool featureVideoFileFormat() override;
    bool featureVideoResAndFrRate() override;
    bool featureVideoFormatResol() override;
    bool featureContrast() override;
    bool featureSharpness() override;
    bool featureSaturation() override;
    bool featureMonochrome() override;
    bool featureAutoFocusLimit() override;
    bool featureElectronicShutter() override;
    bool featureExposTimeBulbPreset() override;
    bool featureLensConnectionType() override;
    bool featureOrientation() override;
    bool featureAudioLevel() override;
    bool featureAudioWindElim() override;
    bool featureAudioVolSpeaker() override;
    bool featureAudioVolHeadphone() override;
    bool featureAudioVolMicrophone() override;
    bool featureExposCompensStep() override;
    bool featureExposureSimulation() override;
    bool featureFocusConfirmation() override;
    bool featureFocusDistance() override;
    bool featurePowerSave() override;
    bool featureDngCompression() override;
    bool featureInterval() override;
    bool featureKeyLock() override;
    bool featureLanguage() override;
    bool featureLiveView() override;
    bool featureMirrorUpMode() override;
    bool featureShutterMode() override;
    bool featureVideoRecording() override;
    bool featureWhiteBalance() override;
    bool featurePreview() override;
    bool featureHMI() override;
    bool featureFlashStatus() override;
    bool featureFlashXSymbol() override;
    bool featureWarnings() override;
    bool featureAperture() override;
    bool featureBracketingAutomatic(bool newState) override;
    bool featureJpgColorSpace() override;
    bool featureStorageType() override;
    bool featureAutoreviewDuration() override;

    int intervalFrames() override;
    int intervalTime() override;

protected:
    // One field of the record: little-endian, unaligned. A field with bits is
    // those bits of a flag byte; its value is the byte masked with them.
    struct RecordField {
        int offset;
        int size; // 1, 2 or 4 bytes
        bool isSigned;
        quint8 bits; // 0: the whole field
    };

    // When a field raises its change flag in the full receive.
    enum eLEChangeRule {
        kLEAnyChange,
        kLEZeroCrossing,  // it went from zero to non-zero or back
        kLEBecameNonZero, // it changed, to a value other than zero
        kLEBitsRaised     // one of its bits is set now that was clear before
    };
    struct ChangeRow {
        RecordField field;
        eLEChangedFlag flag;
        eLEChangeRule rule;
    };

    // The record layout: offset, size, signed, bits.
    static constexpr RecordField kFieldDriveMode{1, 1, false, 0};
    static constexpr RecordField kFieldFocusMode{2, 1, false, 0};
    static constexpr RecordField kFieldMeteringMode{3, 1, false, 0};
    static constexpr RecordField kFieldExposureCompensation{4, 1, false, 0}; // index, half EV steps
    static constexpr RecordField kFieldBracketing{5, 1, false, 0};           // 0 off, 1 three, 2 five images
    static constexpr RecordField kFieldBracketingDelta{6, 1, false, 0};      // index
    static constexpr RecordField kFieldShutterMode{7, 1, false, 0};
    static constexpr RecordField kFieldMirrorUpMode{9, 1, false, 0};
    static constexpr RecordField kFieldSensitivityIndex{10, 1, false, 0};
    static constexpr RecordField kFieldUsbSpeed{11, 1, false, 0};
    static constexpr RecordField kFieldRamBufferFree{12, 1, false, 0};
    static constexpr RecordField kFieldSensorTemperature{13, 1, false, 0};
    static constexpr RecordField kFieldKeyLock{14, 1, false, 0x01};
    static constexpr RecordField kFieldDngCompression{14, 1, false, 0x02};
    static constexpr RecordField kFieldFlashXSymbol{14, 1, false, 0x04};
    static constexpr RecordField kFieldFileFormat{15, 1, false, 0};
    static constexpr RecordField kFieldMaxShutterTime{16, 2, true, 0}; // shutter-time code
    static constexpr RecordField kFieldWhiteBalance{18, 1, false, 0};
    static constexpr RecordField kFieldColourTemperature{19, 1, false, 0}; // list position
    static constexpr RecordField kFieldJpgColourSpace{20, 1, false, 0};
    static constexpr RecordField kFieldStorageType{26, 1, false, 0};
    static constexpr RecordField kFieldAutoPowerOff{47, 1, false, 0}; // interface index
    static constexpr RecordField kFieldLockAEAF{60, 1, false, 0};
    static constexpr RecordField kFieldJpgResolution{61, 1, false, 0};
    static constexpr RecordField kFieldLanguage{64, 1, false, 0};
    static constexpr RecordField kFieldBatterySource{65, 1, false, 0}; // 0: no battery information
    static constexpr RecordField kFieldBatteryInternal{66, 1, false, 0}; // 0xFF: none
    static constexpr RecordField kFieldBatteryExternal{67, 1, false, 0}; // 0xFF: none
    static constexpr RecordField kFieldWarnings{68, 1, false, 0};       // warning number, 0 none
    static constexpr RecordField kFieldIsoValue{69, 2, false, 0};
    static constexpr RecordField kFieldExposureMode{71, 1, false, 0};
    static constexpr RecordField kFieldAperture{72, 2, true, 0};    // aperture code
    static constexpr RecordField kFieldShutterTime{74, 2, true, 0}; // shutter-time code
    static constexpr RecordField kFieldFocusDistance{76, 4, false, 0};
    static constexpr RecordField kFieldFocusConfirmation{80, 1, false, 0};
    static constexpr RecordField kFieldLightBalance{81, 1, true, 0}; // half EV
    static constexpr RecordField kFieldFlashCompensation{82, 2, false, 0};
    static constexpr RecordField kFieldFlashStatus{84, 1, false, 0};
    // What the body offers.
    static constexpr RecordField kFieldFeatureMoveLensToPos{98, 1, false, 0x01};
    static constexpr RecordField kFieldFeatureMoveLensRightLeft{98, 1, false, 0x02};
    static constexpr RecordField kFieldFeatureJpgResSelection{98, 1, false, 0x04};
    static constexpr RecordField kFieldFeaturePowerSave{98, 1, false, 0x08};
    static constexpr RecordField kFieldFeatureDngCompression{98, 1, false, 0x10};
    static constexpr RecordField kFieldFeatureKeyLock{98, 1, false, 0x20};
    static constexpr RecordField kFieldFeaturePreview{98, 1, false, 0x40};
    static constexpr RecordField kFieldFeatureHMI{98, 1, false, 0x80};
    static constexpr RecordField kFieldFeatureFlashXSymbol{99, 1, false, 0x01};

    // For a variant of the record: the variant's constructor performs the
    // first receive itself, once its own layout is in force.
    struct DeferReceive {};
    TVK_Logic_CameraSettingsByStruct(TVK_Commu_CameraAccess_Base *cameraAccess, TVK_Logic_DeviceInfo *deviceInfo,
                                     DeferReceive);

    // The class name the log lines and dump caller texts carry.
    virtual const char *className() const;
    // "<class>::<method>()", for the log lines of inherited operations too.
    QByteArray logPrefix(const char *method) const;

    // Which field raises which flag in the full receive, in record order.
    virtual const QVector<ChangeRow> &changeRows() const;
    virtual bool rowChanged(const ChangeRow &row, const Record &before, const Record &after) const;

    // A field's value, sign-extended where the field is signed.
    static qint64 fieldValue(const Record &record, const RecordField &field);
    qint64 fieldValue(const RecordField &field) const { return fieldValue(m_record, field); }
    bool hasBits(const RecordField &field) const { return fieldValue(field) != 0; }
    // Stores the value's low bytes (for a field with bits: sets them when the
    // value is not 0, else clears them) and marks the record as changed, but
    // only when that changes the record.
    void storeField(const RecordField &field, qint64 value);

    const TVK_Logic_APEXConverterShutterTime &shutterConverter() const { return m_shutterConverter; }

    // --- Dump pieces shared with the variant ------------------------------
    // The hex dump of the record, titled "<class>::dump() for <caller>".
    void dumpRecord(const QString &caller);
    static void dumpNumber(const char *prefix, const char *name, qint64 value);
    static void dumpYesNo(const char *prefix, const char *name, bool value);
    void dumpMaxShutterTime(const char *prefix);
    void dumpShutterTime(const char *prefix);
    // The feature answers a record dump ends with.
    void dumpRecordFeatures(const char *prefix);

private:
    TVK_Logic_APEXConverterShutterTime m_shutterConverter;
    // Whether bracketing last ran with five images, so that switching it on
    // again brings that choice back.
    bool m_fiveImages = false;
    Record m_record{};
    // The record as the camera last confirmed it (received, or written
    // without an error): what the local copy falls back to when a write fails.
    Record m_cameraRecord{};
    bool m_cameraFiveImages = false;
};
