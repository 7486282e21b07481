#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// What one camera product is: its identity, the operations, events and device
// properties it lists in its DeviceInfo, how it keeps its settings and which
// features it has. One constant profile per known product id.
struct TVK_Emulator_Profile {
    enum eLESettingsKind {
        kLEDeviceProperties, // every setting is a device property of its own
        kLEStruct,           // the 100-byte settings record, first layout
        kLEStructCora        // the 100-byte settings record, second layout
    };

    // One bit per known product, for tables that say which products have something.
    enum eLEProduct : quint32 {
        kLE2009 = 1u << 0,
        kLE2011 = 1u << 1,
        kLE2021 = 1u << 2,
        kLE2031 = 1u << 3,
        kLE2033 = 1u << 4,
        kLE2041 = 1u << 5,
        kLE2044 = 1u << 6,
        kLE2047 = 1u << 7,
        kLE2051 = 1u << 8,
        kLE2061 = 1u << 9
    };
    static constexpr quint32 kLEGroupG3 = kLE2041 | kLE2044 | kLE2047;
    static constexpr quint32 kLEGroupG4 = kLEGroupG3 | kLE2061;
    static constexpr quint32 kLEAllProducts = (1u << 10) - 1u;
    // The bit of a product id, 0 for one the emulator does not know.
    static quint32 productBit(int productId);

    int productId = 0;
    QString manufacturer;
    QString model;
    QString deviceVersion;
    QString serialNumber;
    quint16 standardVersion = 100;     // PTP version times 100
    quint32 vendorExtensionId = 0;
    quint16 vendorExtensionVersion = 0;
    QString vendorExtensionDesc;
    quint16 functionalMode = 0;
    QVector<quint16> operations;
    QVector<quint16> events;
    QVector<quint16> deviceProperties;
    QVector<quint16> captureFormats;
    QVector<quint16> imageFormats;

    eLESettingsKind settingsKind = kLEDeviceProperties;
    bool nativeRelease = true;      // takes the release operation itself
    bool longAxisLayout = false;    // 213-byte 3-axis record instead of 193
    bool hasGeotagging = false;
    bool has3DAxis = false;
    bool hasObjectProperties = false;
    bool hasLiveView = false;
    bool hasVideoRecording = false;
    bool hasInCameraInterval = false;
    bool reportsTickEvents = false; // lens, bulb and self-timer as vendor events (else as properties)
    int frameRateMilliFps = 25000;  // live-view frame rate in thousandths of frames per second

    bool supportsOperation(int code) const { return operations.contains(quint16(code)); }
    bool supportsEvent(int code) const { return events.contains(quint16(code)); }
    bool supportsProperty(int code) const { return deviceProperties.contains(quint16(code)); }
    bool isIn(quint32 productBits) const { return (productBit(productId) & productBits) != 0; }

    // The DeviceInfo dataset the camera answers GetDeviceInfo with.
    QByteArray deviceInfo() const;

    // The profile of a known product id, or nullptr.
    static const TVK_Emulator_Profile *forProduct(int productId);
    static QVector<int> knownProducts();
};
