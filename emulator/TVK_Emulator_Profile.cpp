#include "TVK_Emulator_Profile.h"

#include "TVK_Emulator_Bytes.h"

#include <vector>

namespace {

using P = TVK_Emulator_Profile;

// What a product has, as bits, so that the code tables below can say which
// products list a code.
enum eLEFeature : quint32 {
    kAlways = 0,
    kStructRecord = 1u << 0,    // settings as the vendor record (either layout)
    kDeviceProps = 1u << 1,     // settings as device properties
    kNativeRelease = 1u << 2,   // takes the release operation itself
    kEmulatedRelease = 1u << 3, // needs the single-purpose operations instead
    kTickEvents = 1u << 4,      // lens, bulb and self-timer as vendor events
    kGeotagging = 1u << 5,
    k3DAxis = 1u << 6,
    kObjectProps = 1u << 7,     // the MTP object-property operations
    kLiveView = 1u << 8,
    kVideo = 1u << 9
};

// The identity and the features of each product; everything else follows
// from the tables below.
struct ProductRow {
    int productId;
    const char *model;
    const char *version;
    const char *serial;
    P::eLESettingsKind settings;
    quint32 features; // only the free choices; the rest is derived in buildProfile
    int frameRateMilliFps;
};

const ProductRow kProducts[] = {
    {0x2009, "Ardo 2", "2.0.6", "0000000002009117", P::kLEStruct, 0, 25000},
    {0x2011, "Ardo 2 S", "3.1.0", "0000000002011342", P::kLEStruct, k3DAxis, 25000},
    {0x2021, "Cora", "1.8.4", "0000000002021508", P::kLEStructCora, kGeotagging | k3DAxis | kVideo, 25000},
    {0x2031, "Ardo 3", "4.2.1", "0000000002031066", P::kLEDeviceProperties,
     kGeotagging | k3DAxis | kObjectProps | kLiveView | kVideo, 25000},
    {0x2033, "Ardo 3 R", "4.5.0", "0000000002033421", P::kLEDeviceProperties,
     kGeotagging | k3DAxis | kObjectProps | kLiveView | kVideo, 25000},
    {0x2041, "Velia", "1.2.0", "0000000002041913", P::kLEDeviceProperties,
     kGeotagging | k3DAxis | kObjectProps | kLiveView | kVideo, 30000},
    {0x2044, "Velia 2", "2.0.3", "0000000002044275", P::kLEDeviceProperties,
     kGeotagging | k3DAxis | kObjectProps | kLiveView | kVideo, 30000},
    {0x2047, "Velia 2 Night", "2.1.1", "0000000002047630", P::kLEDeviceProperties,
     kGeotagging | k3DAxis | kObjectProps | kLiveView | kVideo, 30000},
    {0x2051, "Cora Cine", "1.3.2", "0000000002051784", P::kLEStructCora, kGeotagging | k3DAxis | kVideo, 25000},
    {0x2061, "Pico", "1.0.7", "0000000002061159", P::kLEDeviceProperties, k3DAxis | kObjectProps | kLiveView,
     25000},
};

// A code and who lists it: the products whose bit is in products and that
// have every feature in needs.
struct CodeRow {
    quint16 code;
    quint32 products;
    quint32 needs;
};

// Operations. Products of the older generation only understand the
// single-purpose control operations; they are deliberately not listed for the
// others, so that a host sending them to a camera that takes the release
// operation is answered "operation not supported", as the camera would.
// Every product has the standard set a generic initiator works with (session,
// storage, objects, InitiateCapture), as any PTP camera does.
const CodeRow kOperations[] = {
    {0x1001, P::kLEAllProducts, kAlways},           // GetDeviceInfo
    {0x1002, P::kLEAllProducts, kAlways},           // OpenSession
    {0x1003, P::kLEAllProducts, kAlways},           // CloseSession
    {0x1004, P::kLEAllProducts, kAlways},           // GetStorageIDs
    {0x1005, P::kLEAllProducts, kAlways},           // GetStorageInfo
    {0x1006, P::kLEAllProducts, kAlways},           // GetNumObjects
    {0x1007, P::kLEAllProducts, kAlways},           // GetObjectHandles
    {0x1008, P::kLEAllProducts, kAlways},           // GetObjectInfo
    {0x1009, P::kLEAllProducts, kAlways},           // GetObject
    {0x100A, P::kLEAllProducts, kAlways},           // GetThumb
    {0x100B, P::kLEAllProducts, kAlways},           // DeleteObject
    {0x100E, P::kLEAllProducts, kAlways},           // InitiateCapture
    {0x1014, P::kLEAllProducts, kDeviceProps},      // GetDevicePropDesc
    {0x1015, P::kLEAllProducts, kDeviceProps},      // GetDevicePropValue
    {0x1016, P::kLEAllProducts, kDeviceProps},      // SetDevicePropValue
    {0x101B, P::kLEAllProducts, kAlways},           // GetPartialObject
    {0x1024, P::kLEAllProducts, kLiveView},         // GetStreamInfo
    {0x9001, P::kLEAllProducts, kStructRecord},     // settings record out
    {0x9002, P::kLEAllProducts, kStructRecord},     // settings record in
    {0x9003, P::kLEAllProducts, kNativeRelease},    // lens record
    {0x9004, P::kLEAllProducts, kNativeRelease},    // release stages
    {0x9005, P::kLEAllProducts, kAlways},           // open vendor session
    {0x9006, P::kLEAllProducts, kAlways},           // close vendor session
    {0x9007, P::kLEAllProducts, kAlways},           // object transfer ready
    {0x9008, P::kLEAllProducts, kGeotagging},       // geotagging record
    {0x9016, P::kLEAllProducts, kEmulatedRelease},  // autofocus
    {0x9019, P::kLEAllProducts, kEmulatedRelease},  // bulb
    {0x901A, P::kLEAllProducts, kEmulatedRelease},  // continuous
    {0x901B, P::kLEAllProducts, kEmulatedRelease},  // video recording
    {0x901C, P::kLEAllProducts, kEmulatedRelease},  // photo live view
    {0x901D, P::kLEAllProducts, kEmulatedRelease},  // keep active
    {0x901E, P::kLEAllProducts, kEmulatedRelease},  // lens motor
    {0x9020, P::kLEAllProducts, k3DAxis},           // 3-axis record
    {0x9021, P::kLEAllProducts, kEmulatedRelease},  // live-view zoom
    {0x9022, P::kLEAllProducts, kEmulatedRelease},  // focus cross
    {0x9023, P::kLEAllProducts, kEmulatedRelease},  // live-view white balance
    {0x9025, P::kLEAllProducts, kLiveView},         // stream data
    {0x9801, P::kLEAllProducts, kObjectProps},      // GetObjectPropsSupported
    {0x9803, P::kLEAllProducts, kObjectProps},      // GetObjectPropValue
};

const CodeRow kEvents[] = {
    {0x4002, P::kLEAllProducts, kAlways},       // ObjectAdded
    {0x4009, P::kLEAllProducts, kAlways},       // RequestObjectTransfer
    {0x400D, P::kLEAllProducts, kAlways},       // CaptureComplete
    {0xC000, P::kLEAllProducts, kStructRecord}, // settings record changed
    {0xC002, P::kLEAllProducts, kTickEvents},   // lens changed
    {0xC006, P::kLEAllProducts, kTickEvents},   // bulb second
    {0xC007, P::kLEAllProducts, kTickEvents},   // self-timer second
    {0xC008, P::kLEAllProducts, kGeotagging},   // geotagging status changed
    {0xC00A, P::kLEAllProducts, kDeviceProps},  // device property changed
    {0xC00C, P::kLEAllProducts, k3DAxis},       // 3-axis data changed
};

// Device properties of the products that keep their settings as properties,
// in the order in which the settings layer refreshes them. Which product has
// which function follows the settings layer's feature answers; a function a
// product lacks is a property it does not list.
constexpr quint32 kProps = P::kLE2031 | P::kLE2033 | P::kLEGroupG4;
constexpr quint32 kNotG4 = P::kLE2031 | P::kLE2033;
constexpr quint32 kNotG3 = P::kLE2031 | P::kLE2033 | P::kLE2061;
constexpr quint32 kNot2061 = P::kLE2031 | P::kLE2033 | P::kLEGroupG3;

const CodeRow kDeviceProperties[] = {
    // Status: battery, maximum shutter time, switches, counters.
    {0xD616, kProps, kAlways},      // battery source
    {0x5001, kProps, kAlways},      // BatteryLevel
    {0xD608, kProps, kAlways},      // external battery level
    {0xD625, kProps, kAlways},      // longest shutter time
    {0xD626, kNotG4, kAlways},      // power switch position
    {0xD627, kProps, kAlways},      // self-timer seconds left
    {0xD628, kProps, kAlways},      // bulb seconds
    {0xD618, kProps, kAlways},      // flash status
    {0xD619, kProps, kAlways},      // flash sync status
    {0xD623, kNotG4, kAlways},      // focus confirmation enabled
    {0xD622, kNotG4, kAlways},      // focus confirmation bad signal
    {0xD621, kNotG4, kAlways},      // focus confirmation value
    {0xD62B, kNot2061, kAlways},    // focus distance
    {0xD04E, P::kLEGroupG3, kAlways}, // autofocus limit
    {0xD06F, P::kLEGroupG3, kAlways}, // autofocus limit distance
    {0xD080, P::kLEGroupG3, kAlways}, // electronic shutter (write only)
    {0xD079, P::kLE2061, kAlways},  // bulb preset
    {0xD65F, P::kLE2033 | P::kLEGroupG4, kAlways}, // orientation
    // Exposure and drive.
    {0xD610, kProps, kAlways},      // sensitivity in use
    {0x5013, kProps, kAlways},      // StillCaptureMode
    {0xD000, kProps, kAlways},      // interval frames
    {0xD001, kProps, kAlways},      // interval time
    {0x500A, kNot2061, kAlways},    // FocusMode
    {0xD004, kProps, kAlways},      // file format
    {0x500B, kProps, kAlways},      // ExposureMeteringMode
    {0x500E, kProps, kAlways},      // ExposureProgramMode
    {0x5010, kProps, kAlways},      // ExposureBiasCompensation
    {0xD040, P::kLEGroupG3, kAlways}, // exposure step size
    // Bracketing, pictures, video.
    {0xD005, kNotG4, kAlways},      // bracketing enabled (G4 brackets through the drive mode)
    {0xD006, kProps, kAlways},      // bracketing frames
    {0xD007, kProps, kAlways},      // bracketing delta EV
    {0xD008, kProps, kAlways},      // bracketing automatic
    {0xD00A, kNotG4, kAlways},      // mirror up
    {0xD050, P::kLEGroupG3, kAlways}, // sensor format
    {0xD04F, P::kLEGroupG3, kAlways}, // photo aspect ratio
    {0xD00F, kProps, kAlways},      // JPG resolution
    {0xD125, kNotG4, kAlways},      // video resolution and frame rate
    {0xD082, P::kLEGroupG3, kAlways}, // video format and resolution
    {0x5014, kProps, kAlways},      // Contrast
    {0x5015, kProps, kAlways},      // Sharpness
    {0xD016, kProps, kAlways},      // saturation
    {0xD13B, kNotG3, kAlways},      // monochrome
    // Audio and live view.
    {0xD012, kNotG4, kAlways},      // audio level
    {0xD013, kNotG4, kAlways},      // wind elimination
    {0xD121, kNotG4, kAlways},      // speaker volume
    {0xD122, kNotG4, kAlways},      // headphone volume
    {0xD123, kNot2061, kAlways},    // microphone volume
    {0xD115, kProps, kAlways},      // exposure simulation
    // White balance, files, camera.
    {0x5005, kProps, kAlways},      // WhiteBalance
    {0xD014, kProps, kAlways},      // colour temperature
    {0xD015, kNot2061, kAlways},    // JPG colour space
    {0xD018, kNot2061, kAlways},    // storage type
    {0xD01A, kNotG3, kAlways},      // autoreview duration
    {0xD024, kProps, kAlways},      // auto power off
    {0xD02D, kNot2061, kAlways},    // key lock
    {0xD036, kNotG3, kAlways},      // language
    // Light meter, shutter time, aperture.
    {0xD615, kProps, kAlways},      // light meter
    {0xD60C, kProps, kAlways},      // shutter time (read)
    {0xD60E, kNot2061, kAlways},    // aperture (read)
    // Codes that are only written.
    {0x500F, kProps, kAlways},      // ExposureIndex
    {0xD03B, kProps, kAlways},      // shutter time (write)
    {0xD03C, kNot2061, kAlways},    // aperture (write)
    // PTP 1.1 streaming.
    {0x5020, P::kLEAllProducts, kLiveView}, // SupportedStreams
    {0x5021, P::kLEAllProducts, kLiveView}, // EnabledStreams
    {0x5022, P::kLEAllProducts, kLiveView}, // VideoFormat
    {0x5023, P::kLEAllProducts, kLiveView}, // VideoResolution
    {0x5024, P::kLEAllProducts, kLiveView}, // VideoQuality
    {0x5025, P::kLEAllProducts, kLiveView}, // VideoFrameRate
};

// PTP object format codes.
constexpr quint16 kFormatAssociation = 0x3001;
constexpr quint16 kFormatQuickTime = 0x300D;
constexpr quint16 kFormatExifJpeg = 0x3801;
// The cameras describe their DNG files as TIFF/EP, not with the later DNG code.
constexpr quint16 kFormatTiffEp = 0x3802;
constexpr quint16 kFormatMp4 = 0xB982;

// PTP 1.0 cameras of the maker carry its own vendor extension; the MTP-era
// ones announce the Microsoft extension that their object properties belong to.
constexpr quint32 kOwnVendorExtension = 0x00004E50;
constexpr quint32 kMicrosoftVendorExtension = 0x00000006;

template <size_t N>
QVector<quint16> codesFor(const CodeRow (&rows)[N], quint32 productBit, quint32 features)
{
    QVector<quint16> codes;
    for (const CodeRow &row : rows) {
        if ((row.products & productBit) != 0 && (features & row.needs) == row.needs)
            codes.append(row.code);
    }
    return codes;
}

P buildProfile(const ProductRow &row)
{
    P profile;
    profile.productId = row.productId;
    profile.manufacturer = QStringLiteral("Norba Camera AG");
    profile.model = QString::fromLatin1(row.model);
    profile.deviceVersion = QString::fromLatin1(row.version);
    profile.serialNumber = QString::fromLatin1(row.serial);
    profile.settingsKind = row.settings;
    profile.nativeRelease = row.productId != 0x2061;
    // The long 3-axis record belongs to the product generation, not to whether
    // this particular product has the sensor.
    profile.longAxisLayout = (P::productBit(row.productId) & (P::kLE2031 | P::kLE2033 | P::kLEGroupG3)) != 0;
    profile.frameRateMilliFps = row.frameRateMilliFps;

    const bool byProperties = row.settings == P::kLEDeviceProperties;
    quint32 features = row.features;
    features |= byProperties ? kDeviceProps : kStructRecord;
    features |= profile.nativeRelease ? kNativeRelease : kEmulatedRelease;
    if (!byProperties)
        features |= kTickEvents;

    profile.hasGeotagging = (features & kGeotagging) != 0;
    profile.has3DAxis = (features & k3DAxis) != 0;
    profile.hasObjectProperties = (features & kObjectProps) != 0;
    profile.hasLiveView = (features & kLiveView) != 0;
    profile.hasVideoRecording = (features & kVideo) != 0;
    profile.hasInCameraInterval = byProperties;
    profile.reportsTickEvents = (features & kTickEvents) != 0;

    if (byProperties) {
        profile.standardVersion = 110; // the streaming properties are PTP 1.1
        profile.vendorExtensionId = kMicrosoftVendorExtension;
        profile.vendorExtensionVersion = 100;
        profile.vendorExtensionDesc = QStringLiteral("microsoft.com: 1.0");
    } else {
        profile.standardVersion = 100;
        profile.vendorExtensionId = kOwnVendorExtension;
        profile.vendorExtensionVersion = 100;
    }

    const quint32 bit = P::productBit(row.productId);
    profile.operations = codesFor(kOperations, bit, features);
    profile.events = codesFor(kEvents, bit, features);
    profile.deviceProperties = codesFor(kDeviceProperties, bit, features);
    profile.captureFormats = {kFormatExifJpeg, kFormatTiffEp};
    profile.imageFormats = {kFormatAssociation, kFormatExifJpeg, kFormatTiffEp};
    if (profile.hasVideoRecording)
        profile.imageFormats << kFormatQuickTime << kFormatMp4;
    return profile;
}

const std::vector<P> &profiles()
{
    static const std::vector<P> all = [] {
        std::vector<P> built;
        for (const ProductRow &row : kProducts)
            built.push_back(buildProfile(row));
        return built;
    }();
    return all;
}

} // namespace

quint32 TVK_Emulator_Profile::productBit(int productId)
{
    switch (productId) {
    case 0x2009: return kLE2009;
    case 0x2011: return kLE2011;
    case 0x2021: return kLE2021;
    case 0x2031: return kLE2031;
    case 0x2033: return kLE2033;
    case 0x2041: return kLE2041;
    case 0x2044: return kLE2044;
    case 0x2047: return kLE2047;
    case 0x2051: return kLE2051;
    case 0x2061: return kLE2061;
    default: return 0;
    }
}

QByteArray TVK_Emulator_Profile::deviceInfo() const
{
    QByteArray bytes;
    TVK_Emulator_Bytes::appendU16(bytes, standardVersion);
    TVK_Emulator_Bytes::appendU32(bytes, vendorExtensionId);
    TVK_Emulator_Bytes::appendU16(bytes, vendorExtensionVersion);
    TVK_Emulator_Bytes::appendPtpString(bytes, vendorExtensionDesc);
    TVK_Emulator_Bytes::appendU16(bytes, functionalMode);
    TVK_Emulator_Bytes::appendCodeList(bytes, operations);
    TVK_Emulator_Bytes::appendCodeList(bytes, events);
    TVK_Emulator_Bytes::appendCodeList(bytes, deviceProperties);
    TVK_Emulator_Bytes::appendCodeList(bytes, captureFormats);
    TVK_Emulator_Bytes::appendCodeList(bytes, imageFormats);
    TVK_Emulator_Bytes::appendPtpString(bytes, manufacturer);
    TVK_Emulator_Bytes::appendPtpString(bytes, model);
    TVK_Emulator_Bytes::appendPtpString(bytes, deviceVersion);
    TVK_Emulator_Bytes::appendPtpString(bytes, serialNumber);
    return bytes;
}

const TVK_Emulator_Profile *TVK_Emulator_Profile::forProduct(int productId)
{
    for (const TVK_Emulator_Profile &profile : profiles()) {
        if (profile.productId == productId)
            return &profile;
    }
    return nullptr;
}

QVector<int> TVK_Emulator_Profile::knownProducts()
{
    QVector<int> ids;
    for (const ProductRow &row : kProducts)
        ids.append(row.productId);
    return ids;
}
