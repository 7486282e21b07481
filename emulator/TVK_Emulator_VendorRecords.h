#pragma once

#include "TVK_Emulator_Component.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>

// The camera's vendor records: the lens record (0x9003), the 3-axis record of
// the spirit level (0x9020) and the geotagging record (0x9008). The records
// are built from the camera's state whenever they are asked for, so every
// answer is deterministic. The camera core answers only operations the
// product lists; this component answers those that reach it.
//
// Changes made from outside (a lens mounted, the body tilted, a GPS fix) are
// reported the way the body reports them, and only with events the product
// lists: the lens through the lens event on the bodies that report ticks as
// events, through a change report of the lens property 0xD620 on the others;
// the 3-axis and geotagging data through their own events.
//
// It also drives the lens motor: steps and absolute positions move the focus
// within the mounted lens's focus range, and the focus distance the body
// reports follows (the settings record's field, or the device property 0xD62B;
// the Cora bodies report none).
class TVK_Emulator_VendorRecords : public TVK_Emulator_Component
{
public:
    static constexpr int kLensRecordSize = 101;
    static constexpr int kShortAxisRecordSize = 193; // float32 angles and temperature
    static constexpr int kLongAxisRecordSize = 213;  // float64 angles and temperature
    static constexpr int kGeotaggingRecordSize = 133;
    // Motor steps from the near to the far end of a lens's focus range.
    static constexpr int kFocusMotorSteps = 100;

    // A lens as its record describes it.
    struct Lens {
        QString typeString;            // at most 59 Latin-1 characters
        quint8 lensType = 0;
        quint32 serialNumber = 0;
        quint8 firmwareVersion = 0;
        quint8 correctionDataVersion = 0;
        qint16 openApertureCode = 0;   // Av in 1/256 EV
        qint16 closeApertureCode = 0;  // Av in 1/256 EV
        quint8 apertureSteps = 0;      // 1 whole, 2 half, 3 third stops
        quint16 focalLengthMin = 0;    // mm
        quint16 focalLengthMax = 0;    // mm
        quint32 focusPositionMin = 0;  // mm
        quint32 focusPositionMax = 0;  // mm
        bool centralShutter = false;
        quint32 lensId = 0;
        quint16 selectedFocalLength = 0; // mm
        std::array<quint8, 4> fileVersion{};
    };

    // The spirit level, in degrees, and the sensor's temperature in degrees Celsius.
    struct AxisData {
        double pitch = 0.0;
        double roll = 0.0;
        double temperature = 0.0;
    };

    // A GPS fix as the geotagging record carries it.
    struct Geotagging {
        quint8 validityFlags = 0; // bit 0 mean field data, 1 time, 2 date, 3 GPS enabled
        quint8 longitudeDegrees = 0;
        quint8 longitudeMinutes = 0;
        float longitudeSeconds = 0.0f;
        quint8 latitudeDegrees = 0;
        quint8 latitudeMinutes = 0;
        float latitudeSeconds = 0.0f;
        quint8 satellites = 0;
    };

    explicit TVK_Emulator_VendorRecords(TVK_Emulator_Camera *camera);
    ~TVK_Emulator_VendorRecords() override;

    bool handleTransaction(TVK_Emulator_Transaction &transaction) override;
    // Takes the lens motor actions; answers General Error without a lens.
    bool handleAction(const TVK_Emulator_Action &action, int *responseCode) override;

    // The lenses the emulator knows; the first three are the standard lenses
    // of the first-layout, Cora and property bodies.
    static QVector<Lens> lensCatalogue();
    static Lens standardLens(int productId);

    // --- For tests and for the camera's other components ---------------
    // Each takes the camera's state lock; the setters report the change.

    // Mounts lens (attached afterwards, whatever before).
    void changeLens(const Lens &lens);
    // Takes the lens off or puts it back on; nothing when already so.
    void setLensAttached(bool attached);
    // The body's "automatic lens selection" switch, reported like a lens change.
    void setAutomaticLensSelection(bool on);
    Lens lens() const;
    bool isLensAttached() const;
    quint32 focusPosition() const; // mm

    void setAxisData(const AxisData &data);
    AxisData axisData() const;

    void setGeotagging(const Geotagging &data);
    Geotagging geotagging() const;

    QByteArray lensRecord() const;
    QByteArray axisRecord() const; // in the product's layout
    QByteArray geotaggingRecord() const;

private:
    void reportLensChange();
    void raiseIfListed(int eventCode, quint32 parameter = 0);
    void moveFocusTo(qint64 position);

    Lens m_lens;
    bool m_lensAttached = true;
    bool m_automaticLensSelection = true;
    quint32 m_focusPosition = 0;
    AxisData m_axis;
    Geotagging m_geotagging;
};
