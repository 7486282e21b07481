#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <vector>

class TVK_Commu_CameraAccess_Base;

// The camera's PTP DeviceInfo dataset: which operations, events and device
// properties it knows, and who it is. The raw dataset is kept as received and
// only the positions of its lists and strings are worked out, once per read.
//
// A camera with faulty firmware may send counts or string lengths that run
// past the buffer. Such a list or string is treated as absent, and so is
// everything after it, because its end (and so the start of the next field)
// is unknown.
class TVK_Logic_DeviceInfo
{
public:
    // Large enough for every camera the system knows; a longer dataset is cut
    // by the access layer.
    static constexpr unsigned kBufferSize = 2048;

    enum eLEList {
        kLEOperationsSupported,
        kLEEventsSupported,
        kLEDevicePropsSupported,
        kLECaptureFormats,
        kLEImageFormats,
        kLEListCount
    };

    enum eLEString {
        kLEManufacturer,
        kLEModel,
        kLEDeviceVersion,
        kLESerialNumber,
        kLEStringCount
    };

    // Reads the dataset at once; access is not owned and may be null (then
    // everything is absent).
    explicit TVK_Logic_DeviceInfo(TVK_Commu_CameraAccess_Base *access);
    virtual ~TVK_Logic_DeviceInfo();

    TVK_Logic_DeviceInfo(const TVK_Logic_DeviceInfo &) = delete;
    TVK_Logic_DeviceInfo &operator=(const TVK_Logic_DeviceInfo &) = delete;

    // Reads the dataset again. On failure the buffer stays zeroed and every
    // list and string is absent. Returns whether the camera answered.
    bool recvFromCamera();

    bool isOperationSupported(int operationCode) const;
    bool isEventSupported(int eventCode) const;
    bool isDevicePropSupported(int propertyCode) const;

    quint16 standardVersion() const;
    quint32 vendorExtensionID() const;
    quint16 vendorExtensionVersion() const;
    // The length byte of the vendor extension description (UTF-16 units
    // including the terminating zero, 0 for an empty description).
    int vendorExtensionDescSize() const;
    QString vendorExtensionDesc() const;
    quint16 functionalMode() const;

    QVector<quint16> operationsSupported() const { return list(kLEOperationsSupported); }
    QVector<quint16> eventsSupported() const { return list(kLEEventsSupported); }
    QVector<quint16> devicePropsSupported() const { return list(kLEDevicePropsSupported); }
    QVector<quint16> captureFormats() const { return list(kLECaptureFormats); }
    QVector<quint16> imageFormats() const { return list(kLEImageFormats); }

    QString manufacturer() const { return string(kLEManufacturer); }
    QString model() const { return string(kLEModel); }
    QString deviceVersion() const { return string(kLEDeviceVersion); }
    QString serialNumber() const { return string(kLESerialNumber); }

    // The codes of a list, empty when the list is absent.
    QVector<quint16> list(eLEList which) const;
    // The text of a string, empty when the string is absent.
    QString string(eLEString which) const;
    // Offset of a list's count field or a string's length byte in the buffer,
    // -1 when absent.
    int listOffset(eLEList which) const;
    int stringOffset(eLEString which) const;
    // Number of entries of a list, 0 when absent.
    int listCount(eLEList which) const;

    const unsigned char *data() const { return m_buffer.data(); }
    unsigned size() const { return kBufferSize; }

    // Writes the dataset to the log under the DeviceInfo category; nothing
    // when that category is off.
    void dump(const QString &title) const;

private:
    // Works out the positions in order; returns the offset at which the
    // dataset stops making sense (-1 when all of it fits) and the name of the
    // field found there.
    int locateFields(const char **truncatedField);
    bool contains(eLEList which, int code) const;

    TVK_Commu_CameraAccess_Base *m_access;
    std::vector<unsigned char> m_buffer;
    int m_listOffset[kLEListCount];
    int m_stringOffset[kLEStringCount];
};
