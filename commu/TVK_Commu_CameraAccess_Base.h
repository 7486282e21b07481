#pragma once

#include "TVK_Commu_PropertyCodes.h"

#include <QList>
#include <QObject>
#include <QVector>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <mutex>

class QTimer;
class TVK_Commu_DataSink;

// The one interface through which the system talks to a camera. Every
// operation is framed here as one PTP transaction (operation code, up to five
// 32-bit parameters, an optional data phase) and handed to one of three
// transport primitives; USB, the simulated camera and the emulator differ only
// below them. Operations may be called from the controller thread and from
// transfer threads at once: transports serialise whole transactions.
class TVK_Commu_CameraAccess_Base : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxParams = 5;

    explicit TVK_Commu_CameraAccess_Base(int connectionType, QObject *parent = nullptr);
    ~TVK_Commu_CameraAccess_Base() override;

    int connectionType() const { return m_connectionType; }
    // USB product id of the connected camera, 0 while none is connected.
    int productId() const { return m_productId.load(); }

    // Capability flags, worked out once by the camera model after connecting.
    void initCapabilityFlags();
    bool supportsStillCaptureMode7() const { return m_supportsStillCaptureMode7; }
    bool supportsStillCaptureMode5() const { return m_supportsStillCaptureMode5; }

    // The last FocusMode value read from or written to the camera; 2
    // before any. The release emulation picks its autofocus mode from it.
    qint16 focusMode() const { return qint16(m_focusMode.load()); }

    // --- Transport: implemented by each concrete access -------------------
    virtual bool openConnection(quint64 cameraId, int productId, QString deviceId) = 0;
    virtual bool closeConnection() = 0;
    // Data from the camera. On arrival the buffer is zeroed over bufferSize bytes
    // and receives min(sent, bufferSize) bytes (see storeReceivedData). When the
    // transaction fails before that, the buffer is left as it was. received, if
    // given, gets the number of bytes the camera sent (0 when the call fails):
    // the zeros alone cannot tell a data phase that ended early from a whole one.
    virtual bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                          unsigned bufferSize, const char *caller, quint64 *received = nullptr) = 0;
    // Data from the camera to a sink, handed on piece by piece as it arrives
    // (see TVK_Commu_DataSink), never held whole: for objects of any size.
    // received, if given, gets the bytes the sink took (0 when the call
    // fails). A transport that cannot stream logs that and fails.
    virtual bool recvDataToSink(int operationCode, int numParams, const quint32 *params, TVK_Commu_DataSink *sink,
                                const char *caller, quint64 *received = nullptr);
    virtual bool sendCommand(int operationCode, int numParams, const quint32 *params,
                             const char *caller) = 0;
    virtual bool sendData(int operationCode, int numParams, const quint32 *params,
                          const void *buffer, unsigned size, const char *caller) = 0;

    // --- Standard operations ---------------------------------------------
    bool getDeviceInfo(void *buffer, unsigned size);
    // One read of the object list takes several of these, so the caller names
    // the step in the log and in the transport's messages.
    bool getStorageIDs(void *buffer, unsigned size, const char *caller);
    bool getObjectHandles(void *buffer, unsigned size, quint32 storageId, const char *caller);
    bool getObjectInfo(void *buffer, unsigned size, int thumbType, quint32 objectHandle);
    bool getObject(void *buffer, unsigned size, quint32 objectHandle, quint64 *received = nullptr);
    bool getThumbnail(void *buffer, unsigned size, int thumbType, quint32 objectHandle);
    bool deleteObject(quint32 objectHandle);
    bool initiateCapture();
    bool getDevicePropDesc(int propertyCode, void *buffer, unsigned size);
    bool getDevicePropValue(int propertyCode, void *buffer, unsigned size);
    bool setDevicePropValue(int propertyCode, const void *buffer, unsigned size);
    bool getPartialObject(void *buffer, unsigned size, quint32 offset, quint32 objectHandle,
                          quint64 *received = nullptr);
    // The object to a sink, however large it is.
    bool streamObject(TVK_Commu_DataSink *sink, quint32 objectHandle, quint64 *received = nullptr);
    // Up to maxBytes of the object from offset to a sink. Refused without a
    // transaction when the camera's device info did not list GetPartialObject.
    bool streamPartialObject(TVK_Commu_DataSink *sink, quint32 objectHandle, quint32 offset, quint32 maxBytes,
                             quint64 *received = nullptr);
    bool getStreamInfo(void *buffer, unsigned size);
    bool getObjectPropsSupported(void *buffer, unsigned size, int objectFormatCode);
    bool getObjectPropValue(void *buffer, unsigned size, int propertyCode, quint32 objectHandle);

    // --- Vendor operations -------------------------------------------------
    bool setCameraSettings(const void *buffer, unsigned size);
    bool getCameraSettings(void *buffer, unsigned size);
    bool getLensData(void *buffer, unsigned size);
    bool transferObjectReady();
    bool getGeotackingData(void *buffer, unsigned size);
    bool controlAutoFocus(int command);
    bool controlAutoFocus(int command, int mode);
    bool controlBulbExposure(int command);
    bool controlContinuousExposure(int command);
    bool controlVideoRecording(int command);
    bool controlPhotoLiveView(int command);
    bool keepCameraActive();
    bool moveLens(int command, int value);
    bool get3DAxisData(void *buffer, unsigned size);
    bool toggleZoomMode();
    bool setFocusCrossPosition(int positionX, int positionY);
    bool controlLVWhiteBalance(int command);
    bool getStreamData(void *buffer, unsigned size);

    // --- Release stages -------------------------------------------------------
    // One vendor operation drives focus, release, bulb, continuous shooting,
    // video, live view, lens motor, zoom, focus cross and keep-alive. Newer
    // products take it directly; for the others each stage is sent as the
    // older single-purpose operation (see releaseCamImpl).
    bool releaseCam(unsigned releaseStage, int param = 0);
    bool releaseCam(unsigned releaseStage, int param1, int param2);
    bool autoFocusOn() { return releaseCam(1, 0); }
    bool autoFocusOff() { return releaseCam(2, 0); }
    bool releaseCamImpl(int numParams, const quint32 *params);
    // Whether a product takes the release operation directly.
    static bool hasNativeRelease(int productId);

    // --- Camera events ----------------------------------------------------------
    enum eLECameraEventKind {
        kLEVendorEvent,             // a PTP vendor event code and its first parameter
        kLEDeviceRemoved,           // the camera went away
        kLEObjectTransferRequested  // a new picture waits for transfer
    };
    struct CameraEvent {
        eLECameraEventKind kind = kLEVendorEvent;
        int code = 0;               // vendor event code
        bool hasParameter = false;  // false when the transport could not read it
        quint32 parameter = 0;      // first event parameter
        QString objectName;         // name of the object to transfer, for the log
    };
    // The one entry through which every transport delivers camera events; any
    // thread may call it. Logs the event and turns it into a signal or a queued
    // property change.
    void handleCameraEvent(const CameraEvent &event);

    // --- Typed device-property accessors -----------------------------------
    // Only properties of the device-property table with the matching width and
    // direction are sent; anything else is refused with a log line and no
    // transaction. Values travel little-endian whatever the host.
    bool getDevicePropValue(int propertyCode, quint8 &value);
    bool getDevicePropValue(int propertyCode, quint16 &value);
    bool getDevicePropValue(int propertyCode, qint16 &value);
    bool getDevicePropValue(int propertyCode, quint32 &value);
    bool getDevicePropValue(int propertyCode, qint32 &value);
    bool setDevicePropValue(int propertyCode, quint8 value);
    bool setDevicePropValue(int propertyCode, quint16 value);
    bool setDevicePropValue(int propertyCode, qint16 value);
    bool setDevicePropValue(int propertyCode, quint32 value);
    bool setDevicePropValue(int propertyCode, qint32 value);

    // The PTP 1.1 streaming properties the live view works with.
    bool getDevicePropSupportedStreams(quint32 &value)
    {
        return getDevicePropValue(TVK_Commu_Prop::kSupportedStreams, value);
    }
    bool getDevicePropEnabledStreams(quint32 &value)
    {
        return getDevicePropValue(TVK_Commu_Prop::kEnabledStreams, value);
    }
    bool setDevicePropEnabledStreams(quint32 value)
    {
        return setDevicePropValue(TVK_Commu_Prop::kEnabledStreams, value);
    }
    bool getDevicePropStreamVideoFormat(quint32 &value)
    {
        return getDevicePropValue(TVK_Commu_Prop::kVideoFormat, value);
    }
    bool getDevicePropStreamVideoResolution(quint32 &value)
    {
        return getDevicePropValue(TVK_Commu_Prop::kVideoResolution, value);
    }
    bool getDevicePropStreamVideoFrameRate(quint32 &value)
    {
        return getDevicePropValue(TVK_Commu_Prop::kVideoFrameRate, value);
    }

    // --- Capability queries --------------------------------------------------
    // The operations the camera's device info lists, told by whoever read it;
    // until then every operation counts as supported. Any thread.
    void setSupportedOperations(const QVector<quint16> &codes);
    bool supportsOperation(int operationCode) const;
    bool supportsDevicePropValue(int propertyCode, int value);
    bool supportsObjectProp(int objectFormatCode, int objectPropCode);

public Q_SLOTS:
    // Looks for cameras, announces each new one; true when one was new. Driven
    // by the controller's 1000 ms timer.
    virtual bool checkDeviceAvailable() = 0;

Q_SIGNALS:
    void signalDeviceAvailable(int connectionType, qulonglong cameraId, int productId, QString deviceId);
    void signalConnectionOpened(int connectionType);
    void signalConnectionClosed(int connectionType);
    void signal3DAxisDataChanged();
    void signalBulbCounter(int);
    void signalDevicePropertyChanged(ushort propertyCode);
    void signalGeotackingChanged();
    void signalLensChanged();
    void signalSelfTimerCounter(int);
    void signalSettingsChanged();
    // The object the camera announced; 0 when the event came without it.
    void signalTransferRequest(quint32 objectHandle);
    void signalUpdateImageDB();
    void signalObjectDeleted(uint);
    // A problem the user can mend (another program holds the camera, no
    // permission on the device), worded for the user; raised once per attachment.
    void signalConnectionWarning(const QString &text);

protected Q_SLOTS:
    // Releases one queued property change per tick of the 100 ms timer.
    void timeoutDevicePropertyChanged();

protected:
    // For the transports' recvDataToSink: false, with the error line, when
    // there is no sink to hand the data phase to.
    static bool hasSink(const TVK_Commu_DataSink *sink, int operationCode, const char *who, quint64 *received);

    void setProductId(int productId) { m_productId.store(productId); }

    // Closes the session after the camera was unplugged. The base forgets the
    // product and reports the closed connection once; transports that hold a
    // device release it too.
    virtual void deviceRemoved();

    // A transfer request that came while nobody listened (the camera announces
    // a waiting picture as soon as its session opens, before the controller
    // has connected) goes out when the first listener connects.
    void connectNotify(const QMetaMethod &signal) override;

    // The zero-fill and truncation rule of recvData, shared by every transport:
    // the whole buffer is zeroed, then min(size, bufferSize) bytes are copied.
    static void storeReceivedData(void *buffer, unsigned bufferSize, const void *data, size_t size);

    // Appends a property code to the change queue unless it is queued already.
    void queueChangedProperty(quint16 propertyCode);

private:
    bool readTypedProperty(int propertyCode, unsigned width, bool isSigned, qint64 *value);
    bool writeTypedProperty(int propertyCode, unsigned width, qint64 value);
    void noteFocusMode(int propertyCode, const void *buffer, unsigned size);

    const int m_connectionType;
    std::atomic<int> m_productId{0};
    bool m_supportsStillCaptureMode7 = false;
    bool m_supportsStillCaptureMode5 = false;
    std::atomic<int> m_focusMode{2};
    std::atomic<bool> m_unheardTransferRequest{false};
    std::atomic<quint32> m_unheardTransferHandle{0};
    QList<quint16> m_changedProperties;
    std::mutex m_changedPropertiesMutex;
    mutable std::mutex m_operationsMutex; // guards the two below
    bool m_operationsKnown = false;
    QVector<quint16> m_operations;
    QTimer *m_devicePropertyTimer = nullptr;
};
