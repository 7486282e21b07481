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

    // --- Setters ---------------------------------------------------------
    // One field of the local copy, as it is.
    void setDriveMode(int index) override { storeField(kFieldDriveMode, index); }
    void setFocusMode(int value) override { storeField(kFieldFocusMode, value); }
    void setExposureMeteringMode(int value) override { storeField(kFieldMeteringMode, value); }
    void setMirrorUpMode(int value) override { storeField(kFieldMirrorUpMode, value); }
    void setKeyLock(bool on) override { storeField(kFieldKeyLock, on); }
    void setDngCompression(bool on) override { storeField(kFieldDngCompression, on); }
    void setFlashXSymbol(bool on) override { storeField(kFieldFlashXSymbol, on); }
    void setFileFormat(int index) override { storeField(kFieldFileFormat, index); }
    void setWhiteBalance(int value) override { storeField(kFieldWhiteBalance, value); }
    // For these bodies the value is the position in the colour-temperature
    // list, which is what the record keeps.
    void setWhiteBalanceColorTemp(int kelvin) override { storeField(kFieldColourTemperature, kelvin); }
    void setJpgColorSpace(int value) override { storeField(kFieldJpgColourSpace, value); }
    void setStorageType(int value) override { storeField(kFieldStorageType, value); }
    void setAutoPowerOff(int index) override { storeField(kFieldAutoPowerOff, index); }
    void setLockAEAF(int value) override { storeField(kFieldLockAEAF, value); }
    void setJpgResolution(int value) override { storeField(kFieldJpgResolution, value); }
    void setLanguage(int value) override { storeField(kFieldLanguage, value); }
    void setExposureMode(int index) override { storeField(kFieldExposureMode, index); }
    // Converted into the record's codes.
    void setExposureCompensation(int milliEV) override;
    void setBracketingEnabled(bool on) override;
    void setBracketingImageNumbers(int count) override;
    void setBracketingDeltaEV(int milliEV) override;
    void setSensitivity(int iso) override;
    void setAperture(double fNumber) override;
    void setShutterTime(double seconds) override;
    // Not in this layout: a log line and nothing else.
    void setExposCompensStepSize(int) override { notAvailable(__func__, kNotInStructMode); }
    void setBracketingAutomatic(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAutoreviewDuration(int) override { notAvailable(__func__, kNotInStructMode); }
    void setSensorFormat(int) override { notAvailable(__func__, kNotInStructMode); }
    void setPhotoAspectRatio(int) override { notAvailable(__func__, kNotInStructMode); }
    void setVideoFileFormat(int) override { notAvailable(__func__, kNotInStructMode); }
    void setVideoResAndFrRate(int) override { notAvailable(__func__, kNotInStructMode); }
    // This one line has always ended in a blank; log readers match it so.
    void setVideoFormatResol(int) override { notAvailable(__func__, kNotInStructModeBlank); }
    void setContrast(int) override { notAvailable(__func__, kNotInStructMode); }
    void setSharpness(int) override { notAvailable(__func__, kNotInStructMode); }
    void setSaturation(int) override { notAvailable(__func__, kNotInStructMode); }
    void setMonochrome(int) override { notAvailable(__func__, kNotInStructMode); }
    void setElectronicShutter(int) override { notAvailable(__func__, kNotInStructMode); }
    void setExposTimeBulbPreset(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAudioLevel(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAudioWindElim(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAudioVolSpeaker(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAudioVolHeadphone(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAudioVolMicrophone(int) override { notAvailable(__func__, kNotInStructMode); }
    void setExposureSimulation(int) override { notAvailable(__func__, kNotInStructMode); }
    void setAutoFocusLimit(bool) override { notAvailable(__func__, kNotInStructMode); }
    void setIntervalFrames(int) override { notAvailable(__func__, kOnlyExternally); }
    void setIntervalTime(int) override { notAvailable(__func__, kOnlyExternally); }

    // --- Getters ---------------------------------------------------------
    // One field of the local copy, as it is.
    int driveMode() override { return int(fieldValue(kFieldDriveMode)); }
    int focusMode() override { return int(fieldValue(kFieldFocusMode)); }
    int exposureMeteringMode() override { return int(fieldValue(kFieldMeteringMode)); }
    int shutterMode() override { return int(fieldValue(kFieldShutterMode)); }
    int mirrorUpMode() override { return int(fieldValue(kFieldMirrorUpMode)); }
    bool sensitivityAuto() override { return fieldValue(kFieldSensitivityIndex) == 0; }
    quint8 USBspeed() override { return quint8(fieldValue(kFieldUsbSpeed)); }
    quint8 RAMBufferFreeCaptures() override { return quint8(fieldValue(kFieldRamBufferFree)); }
    int sensorBoardTemperature() override { return int(fieldValue(kFieldSensorTemperature)); }
    bool keyLock() override { return hasBits(kFieldKeyLock); }
    bool dngCompression() override { return hasBits(kFieldDngCompression); }
    bool flashXSymbol() override { return hasBits(kFieldFlashXSymbol); }
    int fileFormat() override { return int(fieldValue(kFieldFileFormat)); }
    int whiteBalance() override { return int(fieldValue(kFieldWhiteBalance)); }
    int whiteBalanceColorTemp() override { return int(fieldValue(kFieldColourTemperature)); }
    int jpgColorSpace() override { return int(fieldValue(kFieldJpgColourSpace)); }
    int storageType() override { return int(fieldValue(kFieldStorageType)); }
    int autoPowerOff() override { return int(fieldValue(kFieldAutoPowerOff)); }
    int lockAEAF() override { return int(fieldValue(kFieldLockAEAF)); }
    int jpgResolution() override { return int(fieldValue(kFieldJpgResolution)); }
    int language() override { return int(fieldValue(kFieldLanguage)); }
    int batterySource() override { return int(fieldValue(kFieldBatterySource)); }
    int batteryLevelIntern() override { return int(fieldValue(kFieldBatteryInternal)); }
    int batteryLevelExtern() override { return int(fieldValue(kFieldBatteryExternal)); }
    int warnings() override { return int(fieldValue(kFieldWarnings)); }
    int iSOValue() override { return int(fieldValue(kFieldIsoValue)); }
    int exposureMode() override { return int(fieldValue(kFieldExposureMode)); }
    qint64 focusDistance() override { return fieldValue(kFieldFocusDistance); }
    int focusConfirmation() override { return int(fieldValue(kFieldFocusConfirmation)); }
    int lightBalance() override { return int(fieldValue(kFieldLightBalance)); }
    int flashCompensation() override { return int(fieldValue(kFieldFlashCompensation)); }
    int flashStatus() override { return int(fieldValue(kFieldFlashStatus)); }
    // Fixed for these bodies.
    int bracketingAutomatic() override { return 1; }
    bool focusConfirmBadSignal() override { return false; }
    bool focusConfirmEnabled() override { return true; }
    // Converted from the record's codes.
    int exposureCompensation() override;
    int exposCompensStepSize() override;
    bool bracketingEnabled() override;
    int bracketingImageNumbers() override;
    int bracketingDeltaEV() override;
    int sensitivity() override;
    double maxShutterTime() override;
    int lightMeter() override;
    int batteryInfo() override;
    int powerSwitch() override;
    double aperture() override;
    double shutterTime() override;
    // Not in this layout: a log line, and the default.
    int autoreviewDuration() override { notAvailable(__func__, kNotInStructModeDefault); return 5; }
    int sensorFormat() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int photoAspectRatio() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int videoFileFormat() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int videoResAndFrRate() override { notAvailable(__func__, kNotInStructModeDefault); return 8; }
    int videoFormatResol() override { notAvailable(__func__, kNotInStructModeDefault); return 3; }
    int contrast() override { notAvailable(__func__, kNotInStructModeDefault); return 1; }
    int sharpness() override { notAvailable(__func__, kNotInStructModeDefault); return 1; }
    int saturation() override { notAvailable(__func__, kNotInStructModeDefault); return 1; }
    int monochrome() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int electronicShutter() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int exposTimeBulbPreset() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int lensConnectionType() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int orientation() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int audioLevel() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int audioWindElim() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int audioVolSpeaker() override { notAvailable(__func__, kNotInStructModeDefault); return 3; }
    int audioVolHeadphone() override { notAvailable(__func__, kNotInStructModeDefault); return 3; }
    int audioVolMicrophone() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int exposureSimulation() override { notAvailable(__func__, kNotInStructModeDefault); return 0; }
    int selfTimerRestTime() override { notAvailable(__func__, kNotAvailable); return -1; }
    int bulbModeTime() override { notAvailable(__func__, kNotAvailable); return -1; }
    bool autoFocusLimit() override { notAvailable(__func__, kNotAvailable); return false; }
    int autoFocusLimitDistance() override { notAvailable(__func__, kNotAvailable); return 0; }
    int intervalFrames() override { notAvailable(__func__, kOnlyExternally); return 0; }
    int intervalTime() override { notAvailable(__func__, kOnlyExternally); return 0; }

    // --- Features ----------------------------------------------------------
    // The body tells these in its record.
    bool featureMoveLensToPos() override { return hasBits(kFieldFeatureMoveLensToPos); }
    bool featureMoveLensRightLeft() override { return hasBits(kFieldFeatureMoveLensRightLeft); }
    bool featureJpgResSelection() override { return hasBits(kFieldFeatureJpgResSelection); }
    bool featurePowerSave() override { return hasBits(kFieldFeaturePowerSave); }
    bool featureDngCompression() override { return hasBits(kFieldFeatureDngCompression); }
    bool featureKeyLock() override { return hasBits(kFieldFeatureKeyLock); }
    bool featurePreview() override { return hasBits(kFieldFeaturePreview); }
    bool featureHMI() override { return hasBits(kFieldFeatureHMI); }
    bool featureFlashXSymbol() override { return hasBits(kFieldFeatureFlashXSymbol); }
    // Present in every body of this layout.
    bool featureFocusMode() override { return true; }
    bool featureFocusConfirmation() override { return true; }
    bool featureFocusDistance() override { return true; }
    bool featureLanguage() override { return true; }
    bool featureMirrorUpMode() override { return true; }
    bool featureShutterMode() override { return true; }
    bool featureWhiteBalance() override { return true; }
    bool featureWarnings() override { return true; }
    bool featureAperture() override { return true; }
    bool featureJpgColorSpace() override { return true; }
    bool featureStorageType() override { return true; }
    // Missing in every body of this layout.
    bool featureSensorFormat() override { return false; }
    bool featurePhotoAspectRatio() override { return false; }
    bool featureVideoFileFormat() override { return false; }
    bool featureVideoResAndFrRate() override { return false; }
    bool featureVideoFormatResol() override { return false; }
    bool featureContrast() override { return false; }
    bool featureSharpness() override { return false; }
    bool featureSaturation() override { return false; }
    bool featureMonochrome() override { return false; }
    bool featureAutoFocusLimit() override { return false; }
    bool featureElectronicShutter() override { return false; }
    bool featureExposTimeBulbPreset() override { return false; }
    bool featureLensConnectionType() override { return false; }
    bool featureOrientation() override { return false; }
    bool featureAudioLevel() override { return false; }
    bool featureAudioWindElim() override { return false; }
    bool featureAudioVolSpeaker() override { return false; }
    bool featureAudioVolHeadphone() override { return false; }
    bool featureAudioVolMicrophone() override { return false; }
    bool featureExposCompensStep() override { return false; }
    bool featureExposureSimulation() override { return false; }
    bool featureInterval() override { return false; }
    bool featureLiveView() override { return false; }
    bool featureVideoRecording() override { return false; }
    bool featureFlashStatus() override { return false; }
    bool featureBracketingAutomatic(bool) override { return false; }
    bool featureAutoreviewDuration() override { return false; }

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

    // The log lines of what a layout does not have; "%s" takes the prefix.
    static constexpr char kNotAvailable[] = "%s - functionality is not available";
    static constexpr char kNotInStructMode[] = "%s - functionality is not available in struct mode";
    static constexpr char kNotInStructModeBlank[] = "%s - functionality is not available in struct mode ";
    static constexpr char kNotInStructModeDefault[] =
        "%s - functionality is not available in struct mode, returning default";
    static constexpr char kOnlyExternally[] = "%s - functionality is not available in camera, but only externally";
    // Logs message (one of the texts above) with the prefix of method.
    void notAvailable(const char *method, const char *message) const;

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
