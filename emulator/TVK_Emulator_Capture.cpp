#include "TVK_Emulator_Capture.h"

#include "TVK_Emulator_Bytes.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Emulator_Profile.h"
#include "TVK_Emulator_PropertyStore.h"
#include "TVK_Emulator_SettingsRecord.h"
#include "TVK_Emulator_ShotSettings.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <deque>
#include <iterator>
#include <mutex>

using namespace TVK_Commu_Ptp;
using Maker = TVK_Emulator_PictureMaker;
using Camera = TVK_Emulator_Camera;

namespace {

// Standard PTP operations of the card, answered here rather than through the
// host's code tables.
constexpr int kOpGetStorageIds = 0x1004;
constexpr int kOpGetStorageInfo = 0x1005;
constexpr int kOpGetNumObjects = 0x1006;
constexpr int kOpGetObjectHandles = 0x1007;

// The card as StorageInfo describes it: a removable card with a generic
// hierarchical file system, readable and writable.
constexpr quint16 kStorageRemovableRam = 0x0004;
constexpr quint16 kFilesystemGenericHierarchical = 0x0002;
constexpr quint16 kAccessReadWrite = 0x0000;
constexpr quint64 kCardCapacityBytes = 32ull * 1000 * 1000 * 1000;

// Standard PTP and MTP responses the object operations give.
constexpr int kRespInvalidStorageId = 0x2008;
constexpr int kRespInvalidObjectHandle = 0x2009;
constexpr int kRespInvalidObjectFormatCode = 0x200B;
constexpr int kRespNoThumbnailPresent = 0x2010;
constexpr int kRespInvalidParameter = 0x201D;
constexpr int kRespInvalidObjectPropCode = 0xA801;

// MTP object properties the camera describes its pictures with.
constexpr quint16 kObjectPropStorageId = 0xDC01;
constexpr quint16 kObjectPropObjectFormat = 0xDC02;
constexpr quint16 kObjectPropObjectSize = 0xDC04;
constexpr quint16 kObjectPropFileName = 0xDC07;

const quint16 kObjectProps[] = {kObjectPropStorageId, kObjectPropObjectFormat, kObjectPropObjectSize,
                                kObjectPropFileName, TVK_Emulator_Capture::kObjectPropOrientation};

// Picture serials, the part of a handle above its low four bits. The first DNG
// of a fresh camera is 0x00010001. Neither the pending handle (low bits 8) nor
// kAllObjects (F) can ever be an object's. The serial wraps after 2^28 - 1
// pictures, far beyond what a card holds.
constexpr quint32 kFirstSerial = 0x00001000;
constexpr quint32 kLastSerial = 0x0FFFFFFF;
constexpr int kKindBits = 4;

quint32 handleFor(quint32 serial, TVK_Emulator_PictureMaker::eLEFileKind kind)
{
    const quint32 bits = kind == TVK_Emulator_PictureMaker::kLEJpg ? TVK_Emulator_Capture::kHandleKindJpg
                                                                   : TVK_Emulator_Capture::kHandleKindDng;
    return (serial << kKindBits) | bits;
}

quint32 serialOf(quint32 handle)
{
    return handle >> kKindBits;
}

// Normalised drive modes and file formats (see TVK_Emulator_Camera::eLESetting).
constexpr qint64 kDriveSelfTimerShort = 2;
constexpr qint64 kDriveSelfTimerLong = 3;
constexpr qint64 kDriveBracketing = 4;
constexpr qint64 kDriveInterval = 5;
constexpr qint64 kFileFormatDng = 0;
constexpr qint64 kFileFormatPair = 1;
constexpr qint64 kFileFormatJpg = 2;

constexpr int kSelfTimerShortSeconds = 2;
constexpr int kSelfTimerLongSeconds = 12;
constexpr int kBracketingShort = 3;
constexpr int kBracketingLong = 5;
constexpr qint64 kDefaultIntervalFrames = 5;
constexpr qint64 kDefaultIntervalSeconds = 2;
constexpr int kSecondMs = 1000;

// These products write the JPG of a pair to the card before the DNG, so the
// DNG reaches the host late.
const int kJpgFirstProducts[] = {0x2041, 0x2044, 0x2047};

bool writesJpgFirst(int productId)
{
    return std::find(std::begin(kJpgFirstProducts), std::end(kJpgFirstProducts), productId)
           != std::end(kJpgFirstProducts);
}

} // namespace

struct TVK_Emulator_Capture::Object {
    quint32 handle = 0;
    Maker::eLEFileKind kind = Maker::kLEDng;
    Maker::Picture picture;
    // Made when the host first asks for them, so that a long queue of
    // pictures costs no memory until they are fetched, and dropped again when
    // the object leaves the queue (see holdBytesOf). A DNG's file stays
    // empty: it is made as it is read.
    QByteArray file;
    QByteArray thumbs[2];
    // The sizes, once known, outlive the bytes: an ObjectInfo of a card object
    // then needs no new encoding. -1: not yet known.
    qint64 fileSize = -1;
    int thumbSize[2] = {-1, -1};
};

struct TVK_Emulator_Capture::Private {
    quint64 seed = 0;
    Maker::Picture next;            // how the next picture will be taken
    int nextNumber = 1;
    quint32 nextSerial = kFirstSerial;
    std::deque<Object> card;        // every object on the card, in the order taken
    std::deque<quint32> pending;    // handles of the objects still to hand over, head first
    quint32 heldOffQueue = 0;       // the one object off the queue that keeps its bytes; 0: none
    int picturesTaken = 0;
    int buffered = 0;               // pictures counted against the settings record's buffer
    double continuousRate = kDefaultContinuousRate;
    QHash<int, qint64> overrides;
    bool captureCompleteDue = false; // a generic initiator waits for CaptureComplete

    // Timed runs. Each run has a number; scheduled work of a run that was ended
    // meanwhile finds a different number and does nothing.
    int lastRun = 0;
    int continuousRun = 0;
    int bulbRun = 0;
    int bulbSeconds = 0;
    int selfTimerRun = 0;
    int selfTimerLeft = 0;
    int intervalRun = 0;
    qint64 intervalFramesLeft = 0;
    int intervalPeriodMs = 0;
    int attachment = 0;             // of the camera when the runs were last looked at

};

TVK_Emulator_Capture::TVK_Emulator_Capture(TVK_Emulator_Camera *camera)
    : TVK_Emulator_Component(camera)
    , d(std::make_unique<Private>())
{
    // Drawn once here, in the fixed order of construction; drawing per picture
    // would make the bytes depend on when other parts of the camera use the
    // generator.
    d->seed = camera->random().generate64();
    d->attachment = camera->attachment();
    if (const TVK_Emulator_Profile *profile = camera->profile()) {
        if (!profile->manufacturer.isEmpty())
            d->next.make = profile->manufacturer.toLatin1();
        if (!profile->model.isEmpty())
            d->next.model = profile->model.toLatin1();
    }
}

TVK_Emulator_Capture::~TVK_Emulator_Capture() = default;

// --- Configuration ----------------------------------------------------------------------

void TVK_Emulator_Capture::setDngBytes(qint64 bytes)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.dngBytes = qBound<qint64>(0, bytes, Maker::kMaxDngBytes);
    d->next.dngBytes = Maker::dngBytes(d->next);
}

qint64 TVK_Emulator_Capture::dngBytes() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return d->next.dngBytes;
}

void TVK_Emulator_Capture::setJpegPixels(QSize pixels)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.jpegPixels = pixels.expandedTo(QSize(16, 16));
}

void TVK_Emulator_Capture::setJpegQuality(int quality)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.jpegQuality = qBound(1, quality, 100);
}

void TVK_Emulator_Capture::setExifByteOrder(TVK_Emulator_PictureMaker::eLEByteOrder order)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.byteOrder = order;
}

void TVK_Emulator_Capture::setOrientation(int exifOrientation)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.orientation = qBound(1, exifOrientation, 8);
}

void TVK_Emulator_Capture::setThumbnails(bool present)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->next.hasThumbnail = present;
}

void TVK_Emulator_Capture::setContinuousRate(double framesPerSecond)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->continuousRate = qBound(0.1, framesPerSecond, 100.0);
}

void TVK_Emulator_Capture::overrideSetting(TVK_Emulator_Camera::eLESetting which, qint64 value)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->overrides.insert(which, value);
}

void TVK_Emulator_Capture::clearSettingOverrides()
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    d->overrides.clear();
}

// --- State ----------------------------------------------------------------------------------

int TVK_Emulator_Capture::pendingCount() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return int(d->pending.size());
}

QStringList TVK_Emulator_Capture::pendingNames() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    QStringList names;
    for (quint32 handle : d->pending) {
        if (const Object *object = onCard(handle))
            names.append(Maker::fileName(object->picture.number, object->kind));
    }
    return names;
}

QVector<quint32> TVK_Emulator_Capture::cardHandles() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    QVector<quint32> handles;
    handles.reserve(int(d->card.size()));
    for (const Object &object : d->card)
        handles.append(object.handle);
    return handles;
}

TVK_Emulator_DataSource TVK_Emulator_Capture::fileSource(quint32 handle)
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    Object *object = find(handle);
    return object != nullptr ? fileOf(*object) : TVK_Emulator_DataSource();
}

int TVK_Emulator_Capture::objectsHoldingBytes() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return int(std::count_if(d->card.begin(), d->card.end(), [](const Object &object) {
        return !object.file.isEmpty() || !object.thumbs[0].isEmpty() || !object.thumbs[1].isEmpty();
    }));
}

int TVK_Emulator_Capture::picturesTaken() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return d->picturesTaken;
}

bool TVK_Emulator_Capture::isContinuousRunning() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return isLive(d->continuousRun);
}

bool TVK_Emulator_Capture::isBulbOpen() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return isLive(d->bulbRun);
}

bool TVK_Emulator_Capture::isSelfTimerRunning() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return isLive(d->selfTimerRun);
}

bool TVK_Emulator_Capture::isIntervalRunning() const
{
    const std::lock_guard<std::recursive_mutex> locker(camera()->stateLock());
    return isLive(d->intervalRun);
}

qint64 TVK_Emulator_Capture::setting(TVK_Emulator_Camera::eLESetting which, qint64 fallback) const
{
    const auto found = d->overrides.constFind(which);
    return found != d->overrides.constEnd() ? found.value() : camera()->setting(which, fallback);
}

// --- Release stages ----------------------------------------------------------------------

bool TVK_Emulator_Capture::isLive(int run) const
{
    return run != 0 && camera()->isAttached() && d->attachment == camera()->attachment();
}

void TVK_Emulator_Capture::forgetStaleRuns()
{
    // Work scheduled before the plug was pulled never runs: whatever was
    // running then stopped with it, and a new start must not find it running.
    const int attachment = camera()->attachment();
    if (attachment == d->attachment)
        return;
    d->attachment = attachment;
    d->continuousRun = 0;
    d->bulbRun = 0;
    d->selfTimerRun = 0;
    d->intervalRun = 0;
}

bool TVK_Emulator_Capture::handleAction(const TVK_Emulator_Action &action, int *responseCode)
{
    using A = TVK_Emulator_Action;
    forgetStaleRuns();
    int response = kRespOK;
    switch (action.kind) {
    case A::kLERelease:
        response = release();
        break;
    case A::kLEContinuousStart:
        startContinuous();
        break;
    case A::kLEContinuousEnd:
        // Also sent once more by the host's transfer after the series ended,
        // so ending a series that is not running is fine.
        d->continuousRun = 0;
        break;
    case A::kLEBulbStart:
        response = startBulb();
        break;
    case A::kLEBulbEnd:
        response = endBulb();
        break;
    case A::kLEAutoFocusOn:
    case A::kLEAutoFocusOff:
        // The emulated lens is always in focus; the request is only answered.
        break;
    default:
        // Video recording belongs to the live view, which keeps the stream modes.
        return false;
    }
    if (responseCode != nullptr)
        *responseCode = response;
    return true;
}

int TVK_Emulator_Capture::release()
{
    // A countdown already running is not restarted by another press.
    if (d->selfTimerRun != 0)
        return kRespOK;
    // Pressing the shutter during an interval run ends the run.
    if (d->intervalRun != 0) {
        d->intervalRun = 0;
        return kRespOK;
    }
    const TVK_Emulator_Profile *profile = camera()->profile();
    switch (setting(Camera::kLEDriveMode, 0)) {
    case kDriveSelfTimerShort:
        startSelfTimer(kSelfTimerShortSeconds);
        break;
    case kDriveSelfTimerLong:
        startSelfTimer(kSelfTimerLongSeconds);
        break;
    case kDriveBracketing: {
        const int frames =
            setting(Camera::kLEBracketingFrames, kBracketingShort) >= kBracketingLong ? kBracketingLong
                                                                                      : kBracketingShort;
        for (int i = 0; i < frames; ++i)
            takePicture();
        break;
    }
    case kDriveInterval:
        // Without an interval of its own the camera takes one picture; the
        // host then times the frames itself.
        if (profile != nullptr && profile->hasInCameraInterval)
            startInterval();
        else
            takePicture();
        break;
    default:
        takePicture();
        break;
    }
    return kRespOK;
}

void TVK_Emulator_Capture::takePicture()
{
    Maker::Picture picture = d->next;
    picture.number = d->nextNumber;
    picture.seed = d->seed;
    // The file says how the shot was taken: the settings as they stand now,
    // not as they stood when the series or the countdown began.
    picture.shot = TVK_Emulator_ShotSettings::atRelease(*camera());
    picture.dngPreview = true;
    // The card counter runs from 1 to 999999 and starts again.
    d->nextNumber = d->nextNumber >= 999999 ? 1 : d->nextNumber + 1;
    ++d->picturesTaken;

    std::vector<Maker::eLEFileKind> kinds;
    switch (setting(Camera::kLEFileFormat, kFileFormatDng)) {
    case kFileFormatPair:
        if (writesJpgFirst(camera()->productId()))
            kinds = {Maker::kLEJpg, Maker::kLEDng};
        else
            kinds = {Maker::kLEDng, Maker::kLEJpg};
        break;
    case kFileFormatJpg:
        kinds = {Maker::kLEJpg};
        break;
    default:
        kinds = {Maker::kLEDng};
        break;
    }

    fillBuffer(+1);
    const bool wasEmpty = d->pending.empty();
    for (Maker::eLEFileKind kind : kinds) {
        Object object;
        object.handle = handleFor(d->nextSerial, kind);
        object.kind = kind;
        object.picture = picture;
        d->pending.push_back(object.handle);
        d->card.push_back(std::move(object));
    }
    d->nextSerial = d->nextSerial >= kLastSerial ? kFirstSerial : d->nextSerial + 1;
    // A generic initiator follows the card by the standard events, in the
    // order the objects were written.
    const TVK_Emulator_Profile *profile = camera()->profile();
    if (profile != nullptr && profile->supportsEvent(Camera::kEventObjectAdded)) {
        for (size_t i = d->card.size() - kinds.size(); i < d->card.size(); ++i)
            camera()->raiseEvent(Camera::kEventObjectAdded, d->card[i].handle);
    }
    if (wasEmpty)
        announceHead();
    if (d->captureCompleteDue) {
        d->captureCompleteDue = false;
        if (profile != nullptr && profile->supportsEvent(Camera::kEventCaptureComplete))
            camera()->raiseBareEvent(Camera::kEventCaptureComplete);
    }
}

void TVK_Emulator_Capture::setCaptureCompleteDue(bool due)
{
    d->captureCompleteDue = due;
}

void TVK_Emulator_Capture::sessionOpened()
{
    announceHead();
}

void TVK_Emulator_Capture::fillBuffer(int pictures)
{
    // The products with a settings record show how many more pictures fit
    // into the camera's buffer: a picture takes a place until the host has
    // all its files.
    using Record = TVK_Emulator_SettingsRecord;
    Record *record = camera()->component<Record>();
    if (record == nullptr || !record->hasField(Record::kLERamBufferFree))
        return;
    const qint64 places = record->field(Record::kLERamBufferFree);
    if (pictures > 0 && places > 0) {
        ++d->buffered;
        record->setField(Record::kLERamBufferFree, places - 1);
    } else if (pictures < 0 && d->buffered > 0) {
        // Only places that were taken are given back.
        --d->buffered;
        record->setField(Record::kLERamBufferFree, places + 1);
    }
}

void TVK_Emulator_Capture::announceHead()
{
    if (d->pending.empty())
        return;
    if (const Object *head = onCard(d->pending.front()))
        camera()->raiseObjectAdded(Maker::fileName(head->picture.number, head->kind), head->handle);
}

void TVK_Emulator_Capture::reportCount(int eventCode, quint16 propertyCode, int count)
{
    // Older products raise a vendor event per second; the others change a
    // device property, which the property-changed event then reports.
    const TVK_Emulator_Profile *profile = camera()->profile();
    if (profile != nullptr && profile->reportsTickEvents) {
        camera()->raiseEvent(eventCode, quint32(count));
        return;
    }
    TVK_Emulator_PropertyStore *properties = camera()->properties();
    if (properties != nullptr && properties->has(propertyCode))
        properties->setValue(propertyCode, count, true);
}

void TVK_Emulator_Capture::startContinuous()
{
    if (d->continuousRun != 0)
        return;
    d->continuousRun = ++d->lastRun;
    takePicture();
    continueSeries(d->continuousRun);
}

void TVK_Emulator_Capture::continueSeries(int run)
{
    const int periodMs = qMax(1, int(std::lround(kSecondMs / d->continuousRate)));
    camera()->schedule(periodMs, [this, run]() {
        if (d->continuousRun != run)
            return;
        takePicture();
        continueSeries(run);
    });
}

int TVK_Emulator_Capture::startBulb()
{
    // With mirror-up the host sends the start twice (mirror, then shutter);
    // the open shutter simply stays open.
    if (d->bulbRun != 0)
        return kRespOK;
    d->bulbRun = ++d->lastRun;
    d->bulbSeconds = 0;
    tickBulb(d->bulbRun);
    return kRespOK;
}

void TVK_Emulator_Capture::tickBulb(int run)
{
    camera()->schedule(kSecondMs, [this, run]() {
        if (d->bulbRun != run)
            return;
        ++d->bulbSeconds;
        reportCount(kVXBulbTick, kPropBulbCount, d->bulbSeconds);
        tickBulb(run);
    });
}

int TVK_Emulator_Capture::endBulb()
{
    // A shutter that is not open cannot be closed: the host lost track.
    if (d->bulbRun == 0)
        return kRespGeneralError;
    d->bulbRun = 0;
    takePicture();
    // Ready for the next exposure, without a report of its own.
    TVK_Emulator_PropertyStore *properties = camera()->properties();
    if (properties != nullptr && properties->has(kPropBulbCount))
        properties->setValue(kPropBulbCount, 0, false);
    return kRespOK;
}

void TVK_Emulator_Capture::startSelfTimer(int seconds)
{
    d->selfTimerRun = ++d->lastRun;
    d->selfTimerLeft = seconds;
    reportCount(kVXSelfTimerTick, kPropSelfTimerCount, seconds);
    tickSelfTimer(d->selfTimerRun);
}

void TVK_Emulator_Capture::tickSelfTimer(int run)
{
    camera()->schedule(kSecondMs, [this, run]() {
        if (d->selfTimerRun != run)
            return;
        --d->selfTimerLeft;
        if (d->selfTimerLeft > 0) {
            reportCount(kVXSelfTimerTick, kPropSelfTimerCount, d->selfTimerLeft);
            tickSelfTimer(run);
            return;
        }
        d->selfTimerRun = 0;
        takePicture();
        // 0: the countdown is over, the display shows the shutter time again.
        reportCount(kVXSelfTimerTick, kPropSelfTimerCount, 0);
    });
}

void TVK_Emulator_Capture::startInterval()
{
    d->intervalRun = ++d->lastRun;
    d->intervalFramesLeft = qMax<qint64>(1, setting(Camera::kLEIntervalFrames, kDefaultIntervalFrames));
    d->intervalPeriodMs = int(qBound<qint64>(1, setting(Camera::kLEIntervalTime, kDefaultIntervalSeconds),
                                             24 * 3600) * kSecondMs);
    tickInterval(d->intervalRun);
}

void TVK_Emulator_Capture::tickInterval(int run)
{
    // The first frame at once, the others one period apart.
    takePicture();
    if (--d->intervalFramesLeft <= 0) {
        d->intervalRun = 0;
        return;
    }
    camera()->schedule(d->intervalPeriodMs, [this, run]() {
        if (d->intervalRun == run)
            tickInterval(run);
    });
}

// --- Object operations -----------------------------------------------------------------

bool TVK_Emulator_Capture::handleTransaction(TVK_Emulator_Transaction &transaction)
{
    using Answer = void (TVK_Emulator_Capture::*)(TVK_Emulator_Transaction &);
    static const struct {
        int operationCode;
        Answer answer;
    } kAnswers[] = {
        {kOpGetStorageIds, &TVK_Emulator_Capture::answerStorageIds},
        {kOpGetStorageInfo, &TVK_Emulator_Capture::answerStorageInfo},
        {kOpGetNumObjects, &TVK_Emulator_Capture::answerNumObjects},
        {kOpGetObjectHandles, &TVK_Emulator_Capture::answerObjectHandles},
        {kOpGetObjectInfo, &TVK_Emulator_Capture::answerObjectInfo},
        {kOpGetObject, &TVK_Emulator_Capture::answerObject},
        {kOpGetPartialObject, &TVK_Emulator_Capture::answerPartialObject},
        {kOpGetThumb, &TVK_Emulator_Capture::answerThumb},
        {kOpDeleteObject, &TVK_Emulator_Capture::answerDeleteObject},
        {kOpGetObjectPropsSupported, &TVK_Emulator_Capture::answerObjectPropsSupported},
        {kOpGetObjectPropValue, &TVK_Emulator_Capture::answerObjectPropValue},
        {kOpTransferObjectReady, &TVK_Emulator_Capture::answerTransferObjectReady},
    };
    for (const auto &entry : kAnswers) {
        if (entry.operationCode == transaction.operationCode) {
            (this->*entry.answer)(transaction);
            return true;
        }
    }
    return false;
}

// --- The card and the queue ---------------------------------------------------------------
//
// A card of a few thousand objects is searched through in microseconds, far
// less than making one file; no index to keep in step.

const TVK_Emulator_Capture::Object *TVK_Emulator_Capture::onCard(quint32 handle) const
{
    const auto found = std::find_if(d->card.begin(), d->card.end(),
                                    [handle](const Object &object) { return object.handle == handle; });
    return found != d->card.end() ? &*found : nullptr;
}

TVK_Emulator_Capture::Object *TVK_Emulator_Capture::onCard(quint32 handle)
{
    return const_cast<Object *>(static_cast<const TVK_Emulator_Capture *>(this)->onCard(handle));
}

TVK_Emulator_Capture::Object *TVK_Emulator_Capture::find(quint32 handle)
{
    if (handle == kPendingHandle)
        return d->pending.empty() ? nullptr : onCard(d->pending.front());
    return onCard(handle);
}

int TVK_Emulator_Capture::pendingIndex(quint32 handle) const
{
    const auto found = std::find(d->pending.begin(), d->pending.end(), handle);
    return found != d->pending.end() ? int(found - d->pending.begin()) : -1;
}

TVK_Emulator_Capture::Object *TVK_Emulator_Capture::objectFor(TVK_Emulator_Transaction &transaction)
{
    Object *object = find(transaction.param(0));
    if (object == nullptr)
        transaction.fail(kRespInvalidObjectHandle);
    return object;
}

void TVK_Emulator_Capture::holdBytesOf(Object &object)
{
    // Queued objects keep what was made of them until the hand-over; of the
    // others only the one read last, so that the host's slices of one file
    // do not make it again each time, and a card read through end to end
    // does not pile up every file.
    if (pendingIndex(object.handle) >= 0 || d->heldOffQueue == object.handle)
        return;
    if (d->heldOffQueue != 0) {
        if (Object *previous = onCard(d->heldOffQueue))
            dropBytesOf(*previous);
    }
    d->heldOffQueue = object.handle;
}

void TVK_Emulator_Capture::dropBytesOf(Object &object)
{
    object.file = QByteArray();
    object.thumbs[0] = QByteArray();
    object.thumbs[1] = QByteArray();
}

TVK_Emulator_DataSource TVK_Emulator_Capture::fileOf(Object &object)
{
    if (object.kind == Maker::kLEDng) {
        const TVK_Emulator_DataSource source = Maker::dngSource(object.picture);
        object.fileSize = source.size();
        return source;
    }
    if (object.file.isEmpty()) {
        holdBytesOf(object);
        object.file = Maker::jpeg(object.picture);
        object.fileSize = object.file.size();
    }
    return TVK_Emulator_DataSource(object.file);
}

const QByteArray &TVK_Emulator_Capture::thumbOf(Object &object, int thumbType)
{
    const int type = thumbType == Maker::kThumbLarge ? Maker::kThumbLarge : Maker::kThumbSmall;
    // A size of 0 is a picture without thumbnails: nothing to make.
    if (object.thumbs[type].isEmpty() && object.thumbSize[type] != 0) {
        holdBytesOf(object);
        object.thumbs[type] = Maker::thumbnail(object.picture, type);
        object.thumbSize[type] = object.thumbs[type].size();
    }
    return object.thumbs[type];
}

quint32 TVK_Emulator_Capture::sizeOf(Object &object)
{
    // A DNG's size is known without making it; a JPEG's only after encoding.
    if (object.fileSize < 0 && object.kind == Maker::kLEDng)
        object.fileSize = Maker::dngBytes(object.picture);
    if (object.fileSize < 0)
        fileOf(object);
    return quint32(object.fileSize);
}

void TVK_Emulator_Capture::leaveQueue(int index)
{
    const quint32 handle = d->pending[size_t(index)];
    d->pending.erase(d->pending.begin() + index);
    // Both files of a pair share the serial: the picture is done when neither
    // is queued any more.
    const quint32 serial = serialOf(handle);
    const bool pictureDone = std::none_of(d->pending.begin(), d->pending.end(),
                                          [serial](quint32 queued) { return serialOf(queued) == serial; });
    if (pictureDone)
        fillBuffer(-1);
    if (Object *object = onCard(handle))
        dropBytesOf(*object);
    if (index == 0)
        announceHead();
}

void TVK_Emulator_Capture::removeFromCard(quint32 handle)
{
    const auto found = std::find_if(d->card.begin(), d->card.end(),
                                    [handle](const Object &object) { return object.handle == handle; });
    if (found != d->card.end())
        d->card.erase(found);
    if (d->heldOffQueue == handle)
        d->heldOffQueue = 0;
}

void TVK_Emulator_Capture::answerStorageIds(TVK_Emulator_Transaction &transaction)
{
    // One card, in the first slot.
    QByteArray out;
    TVK_Emulator_Bytes::appendU32(out, 1);
    TVK_Emulator_Bytes::appendU32(out, Maker::kStorageId);
    transaction.dataIn = out;
}

bool TVK_Emulator_Capture::isOurStorage(TVK_Emulator_Transaction &transaction)
{
    const quint32 storage = transaction.param(0);
    if (storage != kAllObjects && storage != Maker::kStorageId) {
        transaction.fail(kRespInvalidStorageId);
        return false;
    }
    return true;
}

void TVK_Emulator_Capture::answerStorageInfo(TVK_Emulator_Transaction &transaction)
{
    if (transaction.param(0) != Maker::kStorageId) {
        transaction.fail(kRespInvalidStorageId);
        return;
    }
    // What the card holds, by the sizes known without making a file: a
    // JPEG's size is known only once it was made.
    quint64 used = 0;
    for (const Object &object : d->card) {
        if (object.fileSize >= 0)
            used += quint64(object.fileSize);
        else if (object.kind == Maker::kLEDng)
            used += quint64(Maker::dngBytes(object.picture));
    }
    const quint64 freeBytes = used < kCardCapacityBytes ? kCardCapacityBytes - used : 0;
    const quint64 perPicture = quint64(qMax<qint64>(1, Maker::dngBytes(d->next)));
    QByteArray out;
    TVK_Emulator_Bytes::appendU16(out, kStorageRemovableRam);
    TVK_Emulator_Bytes::appendU16(out, kFilesystemGenericHierarchical);
    TVK_Emulator_Bytes::appendU16(out, kAccessReadWrite);
    TVK_Emulator_Bytes::appendU64(out, kCardCapacityBytes);
    TVK_Emulator_Bytes::appendU64(out, freeBytes);
    TVK_Emulator_Bytes::appendU32(out, quint32(qMin<quint64>(freeBytes / perPicture, 0xFFFFFFFEu)));
    TVK_Emulator_Bytes::appendPtpString(out, QStringLiteral("SD card"));
    TVK_Emulator_Bytes::appendPtpString(out, QStringLiteral("NORBA"));
    transaction.dataIn = out;
}

void TVK_Emulator_Capture::answerNumObjects(TVK_Emulator_Transaction &transaction)
{
    if (!isOurStorage(transaction))
        return;
    // The count travels in the response, not in a data phase. A format of 0
    // counts every object; the card has no folders to narrow it by.
    const quint32 format = transaction.param(1);
    quint32 count = 0;
    for (const Object &object : d->card) {
        if (format == 0 || format == Maker::objectFormat(object.kind))
            ++count;
    }
    transaction.responseParams = {count};
}

void TVK_Emulator_Capture::answerObjectHandles(TVK_Emulator_Transaction &transaction)
{
    // The format and parent parameters narrow nothing: the card has no
    // folders the host could ask for, and the host never filters by format.
    if (!isOurStorage(transaction))
        return;
    // The whole array, always: a host that wants only the count reads into a
    // four-byte buffer, and the transport keeps what fits.
    QByteArray out;
    out.reserve(int(4 + 4 * d->card.size()));
    TVK_Emulator_Bytes::appendU32(out, quint32(d->card.size()));
    for (const Object &object : d->card)
        TVK_Emulator_Bytes::appendU32(out, object.handle);
    transaction.dataIn = out;
}

void TVK_Emulator_Capture::answerObjectInfo(TVK_Emulator_Transaction &transaction)
{
    Object *object = objectFor(transaction);
    if (object == nullptr)
        return;
    const int thumbType = int(transaction.param(1));
    Maker::ObjectInfo info = Maker::describe(object->picture, object->kind, sizeOf(*object), thumbType,
                                             quint32(thumbOf(*object, thumbType).size()));
    // The camera's count of pictures still to hand over, this one included;
    // 0 for one already handed over.
    const int index = pendingIndex(object->handle);
    info.sequenceNumber = index < 0 ? 0u : quint32(d->pending.size()) - quint32(index);
    transaction.dataIn = Maker::objectInfo(info);
}

void TVK_Emulator_Capture::answerObject(TVK_Emulator_Transaction &transaction)
{
    if (Object *object = objectFor(transaction))
        transaction.dataInSource = fileOf(*object);
}

void TVK_Emulator_Capture::answerPartialObject(TVK_Emulator_Transaction &transaction)
{
    Object *object = objectFor(transaction);
    if (object == nullptr)
        return;
    const TVK_Emulator_DataSource file = fileOf(*object);
    const qint64 offset = transaction.param(1);
    const qint64 count = transaction.param(2);
    if (offset > file.size()) {
        transaction.fail(kRespInvalidParameter);
        return;
    }
    // A count beyond the end (0xFFFFFFFF included) means: up to the end.
    transaction.dataInSource = file.mid(offset, qMin(count, file.size() - offset));
}

void TVK_Emulator_Capture::answerThumb(TVK_Emulator_Transaction &transaction)
{
    Object *object = objectFor(transaction);
    if (object == nullptr)
        return;
    const QByteArray &thumb = thumbOf(*object, int(transaction.param(1)));
    if (thumb.isEmpty()) {
        transaction.fail(kRespNoThumbnailPresent);
        return;
    }
    transaction.dataIn = thumb;
}

void TVK_Emulator_Capture::answerDeleteObject(TVK_Emulator_Transaction &transaction)
{
    if (transaction.param(0) == kAllObjects) {
        // From the back, so that nothing is announced on the way.
        while (!d->pending.empty())
            leaveQueue(int(d->pending.size()) - 1);
        d->card.clear();
        d->heldOffQueue = 0;
        return;
    }
    const Object *object = objectFor(transaction);
    if (object == nullptr)
        return;
    const quint32 handle = object->handle;
    // Off the queue first: taking the head off announces the next one.
    const int index = pendingIndex(handle);
    if (index >= 0)
        leaveQueue(index);
    removeFromCard(handle);
}

void TVK_Emulator_Capture::answerObjectPropsSupported(TVK_Emulator_Transaction &transaction)
{
    const quint32 format = transaction.param(0);
    if (format != Maker::kFormatJpeg && format != Maker::kFormatDng) {
        transaction.fail(kRespInvalidObjectFormatCode);
        return;
    }
    QByteArray out;
    TVK_Emulator_Bytes::appendU32(out, quint32(sizeof kObjectProps / sizeof kObjectProps[0]));
    for (quint16 code : kObjectProps)
        TVK_Emulator_Bytes::appendU16(out, code);
    transaction.dataIn = out;
}

void TVK_Emulator_Capture::answerObjectPropValue(TVK_Emulator_Transaction &transaction)
{
    Object *object = objectFor(transaction);
    if (object == nullptr)
        return;
    QByteArray out;
    switch (transaction.param(1)) {
    case kObjectPropOrientation:
        TVK_Emulator_Bytes::appendU16(out, quint16(object->picture.orientation));
        break;
    case kObjectPropStorageId:
        TVK_Emulator_Bytes::appendU32(out, Maker::kStorageId);
        break;
    case kObjectPropObjectFormat:
        TVK_Emulator_Bytes::appendU16(out, Maker::objectFormat(object->kind));
        break;
    case kObjectPropObjectSize:
        TVK_Emulator_Bytes::appendU32(out, sizeOf(*object)); // UINT64
        TVK_Emulator_Bytes::appendU32(out, 0);
        break;
    case kObjectPropFileName:
        TVK_Emulator_Bytes::appendPtpString(out, Maker::fileName(object->picture.number, object->kind));
        break;
    default:
        transaction.fail(kRespInvalidObjectPropCode);
        return;
    }
    transaction.dataIn = out;
}

void TVK_Emulator_Capture::answerTransferObjectReady(TVK_Emulator_Transaction &transaction)
{
    if (d->pending.empty()) {
        transaction.fail(kRespInvalidObjectHandle);
        return;
    }
    // Handed over: off the queue, still on the card.
    leaveQueue(0);
}
