#pragma once

#include "TVK_Emulator_Component.h"

#include <QByteArray>
#include <QVector>

#include <vector>

// The 100-byte vendor settings record of the products that keep all their
// settings in one block (read with 0x9002, written whole with 0x9001). Two
// layouts exist: the first one of the older bodies and the Cora layout, in
// which several offsets mean something else.
//
// The record is the camera's own: a write from the host is taken field by
// field, and only where a camera would take it. Values outside the product's
// lists are ignored (the camera keeps its value), read-only fields (battery,
// USB speed, RAM buffer, temperature, light meter, warnings, feature bits) and
// bytes the host must not interpret keep the camera's content, whatever the
// host sends. About 200 ms after an accepted write the camera reports the
// settings-changed event, as the real bodies do, and the host reads back what
// the camera made of it.
//
// Bytes the host must not interpret carry a recognisable pattern
// (reservedByte()), so that a host which does not send them back unchanged can
// be seen in lastWrittenRecord().
class TVK_Emulator_SettingsRecord : public TVK_Emulator_Component
{
public:
    static constexpr int kRecordSize = 100;
    // From an accepted write to the settings-changed event, in milliseconds
    // (scaled by the camera's time scale).
    static constexpr int kReportDelayMs = 200;

    // The fields of both layouts by meaning. A field that the product's
    // layout does not have is refused by field() and setField().
    enum eLEField {
        kLEDriveMode,             // 0 single, 1 continuous, 2/3 self-timer 2 s/12 s, 4 bracketing, 5 interval
        kLEFocusMode,             // first layout only: 0 single AF, 1 continuous AF, 2 manual
        kLEVideoResolution,       // Cora only: index 0.. into the video resolution list
        kLEMeteringMode,          // 0 spot, 1 centre-weighted, 2 multi-field
        kLEExposureCompensation,  // index: half steps (0..12) or third steps in Cora (0..18)
        kLEBracketing,            // 0 off, 1 three pictures, 2 five pictures
        kLEBracketingDelta,       // index 0..3: 0.5, 1, 2, 3 EV
        kLEShutterMode,           // first layout: the power switch position (read-only)
        kLEMirrorUpMode,          // first layout only
        kLESensitivityIndex,      // first layout only: index into the product's ISO table, 0 automatic
        kLEUsbSpeed,              // read-only
        kLERamBufferFree,         // read-only: pictures that still fit into the buffer
        kLESensorTemperature,     // read-only
        kLEFlagBits,              // bit 0 key lock, bit 1 DNG compression, bit 2 flash X symbol
        kLEFileFormat,            // 0 DNG, 1/2 DNG and JPG fine/basic, 3/4 JPG fine/basic
        kLEMaxShutterTime,        // read-only, signed Tv code
        kLEWhiteBalance,
        kLEColourTemperature,     // position 0..62 in the colour temperature list
        kLEJpgColourSpace,
        kLEStorageType,
        kLELightMeter,            // Cora only, read-only: signed, 1/256 EV
        kLEAutoPowerOff,          // 0 off, 1 two, 2 five, 3 ten minutes
        kLELockAEAF,              // first layout only
        kLEJpgResolution,
        kLELanguage,
        kLEBatterySource,         // read-only
        kLEBatteryInternal,       // read-only, 0xFF: no internal battery
        kLEBatteryExternal,       // first layout only, read-only, 0xFF: none
        kLEWarnings,              // read-only: a warning number, in Cora warning bits
        kLEIsoValue,              // read-only in the first layout; the sensitivity itself in Cora (0 automatic)
        kLEExposureMode,          // first layout: 0..5 with 4 bulb; Cora: 0 manual, 1 aperture priority, 3 bulb
        kLEAperture,              // first layout only: signed Av code
        kLEShutterTime,           // signed Tv code, a code of the camera's shutter table
        kLEFocusDistance,         // first layout only, read-only: millimetres
        kLEFocusConfirmation,     // read-only
        kLELightBalance,          // first layout only, read-only: signed, half EV
        kLEFlashCompensation,     // read-only
        kLEFlashStatus,           // read-only
        kLEFeatureBits,           // read-only: what the body offers (lens motor, JPG resolution, ...)
        kLEFeatureBits2           // read-only: bit 0 flash X symbol
    };

    // One field of a layout (defined beside the layout tables).
    struct Row;

    explicit TVK_Emulator_SettingsRecord(TVK_Emulator_Camera *camera);
    ~TVK_Emulator_SettingsRecord() override;

    bool handleTransaction(TVK_Emulator_Transaction &transaction) override;
    bool querySetting(int which, qint64 *value) const override;

    // --- For tests and for the camera's other components ---------------
    // Each takes the camera's state lock.

    bool isCoraLayout() const { return m_cora; }
    QByteArray record() const;
    // What the host sent with its last accepted or ignored 100-byte write;
    // empty before the first one.
    QByteArray lastWrittenRecord() const;
    // The content of a byte the host must not interpret.
    static quint8 reservedByte(int offset);

    bool hasField(eLEField field) const;
    // The field's value (sign-extended where the field is signed); 0 for a
    // field the layout does not have.
    qint64 field(eLEField field) const;
    // A change the camera makes by itself: a picture taken fills the buffer
    // (kLERamBufferFree), the battery drains, a warning comes up, the lens
    // motor moves (kLEFocusDistance), the light changes (kLELightMeter,
    // kLELightBalance). Read-only fields included; the value is not checked
    // against the host's lists. With report, the settings-changed event
    // follows after kReportDelayMs. False when the layout has no such field.
    bool setField(eLEField field, qint64 value, bool report = true);

private:
    const Row *row(eLEField field) const;
    qint64 read(const Row &row) const;
    void write(const Row &row, qint64 value);
    bool takeHostRecord(const QByteArray &bytes);
    void reportChange();

    const bool m_cora;
    std::vector<Row> m_rows;
    QVector<qint64> m_isoTable; // first layout: ISO of each sensitivity index
    QByteArray m_record; // kRecordSize bytes
    QByteArray m_lastWritten;
    // A change report is on its way (under the state lock), for this attachment.
    bool m_reportPlanned = false;
    int m_reportAttachment = 0;
};
