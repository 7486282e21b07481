#pragma once

#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Component.h"
#include "TVK_Emulator_PictureMaker.h"

#include <QSize>
#include <QStringList>
#include <QVector>

#include <memory>

// The camera's shutter, its memory card and its queue of pictures waiting for
// the host.
//
// Every release stage that takes pictures ends here: single release, bracketing
// series, self-timer, continuous series, bulb, the in-camera interval. Each
// picture becomes one object per file of the file format (DNG, JPG, or both),
// written to the card and queued in the order the camera hands them over. The
// host's transfer never lists objects: it always asks for the fixed handle
// kPendingHandle, which means the head of the queue, and confirms the
// hand-over with transferObjectReady, which takes the head off the queue. The
// picture stays on the card, where the host's image list finds it
// (GetObjectHandles) and reads it by its own handle until it is deleted.
//
// The camera announces an object only when it becomes the head of the queue: a
// new picture when nothing was pending, the next one when the host confirms the
// previous. The host transfers one picture at a time, so one announcement per
// object and never two for the same head.
//
// An object's handle carries a picture serial above its low four bits and the
// kind of file in them: 1 for a DNG, 2 for a JPG. The host's image list tells
// the two apart by those bits alone. Both files of a pair share the serial and
// the file number; the DNG comes first, except on the products that write the
// JPG of a pair before the DNG.
//
// A card holds many pictures, so only their descriptions stay. A DNG is never
// held: its bytes are made as the host reads them, any slice on its own, so a
// file of 4 GB costs no memory. A JPEG and the thumbnails are made when the
// host first asks for them and kept while the object is queued, since the
// transfer reads them several times. Off the queue, only the object read last
// keeps its bytes (the host reads a big file in slices); any other is made
// again, byte for byte the same, when asked for.
class TVK_Emulator_Capture : public TVK_Emulator_Component
{
public:
    static constexpr quint32 kPendingHandle = 0x12345678;
    static constexpr quint32 kAllObjects = 0xFFFFFFFF; // DeleteObject: every object; GetObjectHandles: every storage
    static constexpr quint32 kHandleKindDng = 0x1;      // low four bits of a DNG's handle
    static constexpr quint32 kHandleKindJpg = 0x2;      // low four bits of a JPG's handle
    static constexpr quint16 kObjectPropOrientation = 0xD800;
    static constexpr quint16 kPropSelfTimerCount = 0xD627;
    static constexpr quint16 kPropBulbCount = 0xD628;
    static constexpr double kDefaultContinuousRate = 3.0; // frames per second

    explicit TVK_Emulator_Capture(TVK_Emulator_Camera *camera);
    ~TVK_Emulator_Capture() override;

    bool handleTransaction(TVK_Emulator_Transaction &transaction) override;
    bool handleAction(const TVK_Emulator_Action &action, int *responseCode) override;

    // --- Configuration, for the pictures taken from now on ------------------------
    // Each takes the camera's state lock.
    void setDngBytes(qint64 bytes); // clamped to the DNG header .. kMaxDngBytes (4 GB - 2)
    qint64 dngBytes() const;
    void setJpegPixels(QSize pixels);
    void setJpegQuality(int quality);
    void setExifByteOrder(TVK_Emulator_PictureMaker::eLEByteOrder order); // JPEG Exif and DNG alike
    void setOrientation(int exifOrientation);                             // 1..8
    void setThumbnails(bool present);
    void setContinuousRate(double framesPerSecond);
    // A setting as the capture sees it, whatever the product's settings say:
    // lets a test or tool choose a drive mode or file format without knowing
    // how each product keeps it.
    void overrideSetting(TVK_Emulator_Camera::eLESetting which, qint64 value);
    void clearSettingOverrides();

    // --- State ---------------------------------------------------------------------
    int pendingCount() const;
    QStringList pendingNames() const;
    int picturesTaken() const; // pictures, not files: a pair counts once
    // Every object on the card, in the order taken.
    QVector<quint32> cardHandles() const;
    // The file of an object on the card (kPendingHandle: the head of the
    // queue) as the host would read it, made as it is read; empty for no
    // such object. For tests and benchmarks to check a download against,
    // without holding either whole (see TVK_Emulator_DataSource::firstDifference);
    // unlike a transaction it is not counted and changes nothing.
    TVK_Emulator_DataSource fileSource(quint32 handle);
    // How many objects hold their file or thumbnail bytes at the moment (a
    // DNG's file never counts: it is not held).
    int objectsHoldingBytes() const;
    bool isContinuousRunning() const;
    bool isBulbOpen() const;
    bool isSelfTimerRunning() const;
    bool isIntervalRunning() const;
    // The next picture taken ends a capture a generic initiator asked for:
    // the camera raises CaptureComplete after its objects. Called with the
    // state lock held.
    void setCaptureCompleteDue(bool due);
    // A host opened the maker's session anew: the first object still waiting
    // for it is announced again, since the host that was told of it is gone
    // and the queue moves only when the head is handed over. Called with the
    // state lock held.
    void sessionOpened();

private:
    struct Object;
    struct Private;

    qint64 setting(TVK_Emulator_Camera::eLESetting which, qint64 fallback) const;
    bool isLive(int run) const;
    void forgetStaleRuns();

    // Release stages.
    int release();
    void takePicture();
    void fillBuffer(int pictures);
    void announceHead();
    void reportCount(int eventCode, quint16 propertyCode, int count);
    void startContinuous();
    void continueSeries(int run);
    int startBulb();
    int endBulb();
    void tickBulb(int run);
    void startSelfTimer(int seconds);
    void tickSelfTimer(int run);
    void startInterval();
    void tickInterval(int run);

    // The card and the queue.
    Object *onCard(quint32 handle);
    const Object *onCard(quint32 handle) const;
    Object *find(quint32 handle);
    int pendingIndex(quint32 handle) const;
    Object *objectFor(TVK_Emulator_Transaction &transaction);
    void holdBytesOf(Object &object);
    static void dropBytesOf(Object &object);
    TVK_Emulator_DataSource fileOf(Object &object);
    const QByteArray &thumbOf(Object &object, int thumbType);
    quint32 sizeOf(Object &object);
    void leaveQueue(int index);
    void removeFromCard(quint32 handle);

    // Object operations.
    void answerStorageIds(TVK_Emulator_Transaction &transaction);
    void answerStorageInfo(TVK_Emulator_Transaction &transaction);
    void answerNumObjects(TVK_Emulator_Transaction &transaction);
    bool isOurStorage(TVK_Emulator_Transaction &transaction);
    void answerObjectHandles(TVK_Emulator_Transaction &transaction);
    void answerObjectInfo(TVK_Emulator_Transaction &transaction);
    void answerObject(TVK_Emulator_Transaction &transaction);
    void answerPartialObject(TVK_Emulator_Transaction &transaction);
    void answerThumb(TVK_Emulator_Transaction &transaction);
    void answerDeleteObject(TVK_Emulator_Transaction &transaction);
    void answerObjectPropsSupported(TVK_Emulator_Transaction &transaction);
    void answerObjectPropValue(TVK_Emulator_Transaction &transaction);
    void answerTransferObjectReady(TVK_Emulator_Transaction &transaction);

    std::unique_ptr<Private> d;
};
