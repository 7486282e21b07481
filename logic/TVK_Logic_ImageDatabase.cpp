#include "TVK_Logic_ImageDatabase.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_DataReader.h"
#include "TVK_Debug_Log.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <utility>

namespace {

// Support looks the rebuild up in the log under the camera model's names, and
// the transports name these transactions' caller so.
const char *const kReadPrefix = "TVK_Logic_Camera::readObjectHandles()";
const char *const kApplyPrefix = "TVK_Logic_Camera::applyObjectHandles()";
const char *const kPlaceholderPrefix = "TVK_Logic_Camera::placeholderPicture()";

constexpr quint32 kAllStorages = 0xFFFFFFFFu;
// Room for the count and four storage ids; the ids themselves are not used,
// but the camera wants its storages enumerated before it lists their objects.
constexpr unsigned kStorageIdsBufferSize = 20;
constexpr unsigned kCountSize = 4;
constexpr unsigned kHandleSize = 4;
// No card holds this many pictures; a larger count is a broken answer, and
// it also keeps 4 * count + 4 far from overflowing.
constexpr quint32 kMaxHandles = 100000;
constexpr int kRebuildIntervalMs = 3000;
// The low four bits of a handle tell the object's kind: 1 and 6 are raw
// pictures, 2 a JPEG; other kinds are no pictures.
constexpr quint32 kHandleKindMask = 0xFu;
constexpr quint32 kHandleKindJpeg = 2;
constexpr int kRotationUnknown = 360;
const char *const kPlaceholderResource = ":/images/download.png";

bool isPictureHandle(quint32 handle)
{
    const quint32 kind = handle & kHandleKindMask;
    return kind == 1 || kind == kHandleKindJpeg || kind == 6;
}

// One field of an entry, or the fallback outside the database.
template <typename Entry, typename T>
T fieldOr(const Entry *entry, T Entry::*field, T fallback)
{
    return entry != nullptr ? entry->*field : fallback;
}

// Writes outside the database change nothing.
template <typename Entry, typename T>
void setField(Entry *entry, T Entry::*field, T value)
{
    if (entry != nullptr)
        entry->*field = value;
}

} // namespace

TVK_Logic_ImageDatabase::TVK_Logic_ImageDatabase(TVK_Commu_CameraAccess_Base *access, std::mutex &objectStoreLock)
    : m_access(access)
    , m_objectStoreLock(objectStoreLock)
    , m_rebuildTimer(new QTimer(this))
{
    m_rebuildTimer->setSingleShot(true);
    m_rebuildTimer->setInterval(kRebuildIntervalMs);
    connect(m_rebuildTimer, &QTimer::timeout, this, &TVK_Logic_ImageDatabase::endRebuildInterval);
}

TVK_Logic_ImageDatabase::~TVK_Logic_ImageDatabase()
{
    m_rebuildTimer->stop();
}

void TVK_Logic_ImageDatabase::requestRebuild()
{
    // Cameras announce object changes in bursts; one read per interval
    // answers the whole burst.
    if (m_rebuildTimer->isActive()) {
        m_rebuildPending = true;
        return;
    }
    m_rebuildPending = false;
    Q_EMIT signalChangeBegin();

    QVector<quint32> handles;
    if (readObjectHandles(handles))
        applyObjectHandles(handles);

    Q_EMIT signalChangeEnd();
    // Also after a failed read, so a camera that keeps failing is asked at
    // most once per interval.
    m_rebuildTimer->start();
}

void TVK_Logic_ImageDatabase::endRebuildInterval()
{
    m_rebuildTimer->stop();
    if (m_rebuildPending)
        requestRebuild();
}

void TVK_Logic_ImageDatabase::applyObjectHandles(const QVector<quint32> &handles)
{
    QVector<quint32> kept;
    kept.reserve(handles.size());
    for (quint32 handle : qAsConst(handles)) {
        if (isPictureHandle(handle))
            kept.append(handle);
    }

    // Each old entry is carried over at most once, the first of a handle
    // first: a handle the camera lists twice gets a fresh second entry.
    QHash<quint32, int> oldIndexOfHandle;
    oldIndexOfHandle.reserve(m_entries.size());
    for (int i = m_entries.size() - 1; i >= 0; --i)
        oldIndexOfHandle.insert(m_entries.at(i).handle, i);
    QVector<bool> carriedOver(m_entries.size(), false);

    QVector<Entry> rebuilt;
    rebuilt.reserve(kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        const quint32 handle = kept.at(i);
        const int old = oldIndexOfHandle.value(handle, -1);
        if (old >= 0 && !carriedOver.at(old)) {
            carriedOver[old] = true;
            rebuilt.append(std::move(m_entries[old]));
            continue;
        }
        Entry fresh;
        fresh.pictures[0] = placeholderPicture();
        fresh.label = tr("index ") + QString::number(kept.size() - i - 1);
        fresh.handle = handle;
        fresh.isNotJpeg = (handle & kHandleKindMask) != kHandleKindJpeg;
        fresh.isPlaceholder = true;
        fresh.rotation = kRotationUnknown;
        fresh.sizeClass = 0;
        fresh.thirdValue = 0;
        rebuilt.append(std::move(fresh));
    }

    // Gone pictures take their buffers with them (the old list goes
    // below); their thumbnails can no longer be fetched. A dropped
    // duplicate's handle may still belong to a kept entry.
    const QSet<quint32> keptHandles(kept.cbegin(), kept.cend());
    for (int i = 0; i < m_entries.size(); ++i) {
        const quint32 handle = m_entries.at(i).handle;
        if (!carriedOver.at(i) && !keptHandles.contains(handle))
            m_pendingThumbnailHandles.removeAll(handle);
    }

    m_entries = std::move(rebuilt);
    m_loadedFlags.fill('\0', m_entries.size());
    debugLog(kLELogTransfer, "%s - %d pictures of %d objects", kApplyPrefix, m_entries.size(), handles.size());
}

bool TVK_Logic_ImageDatabase::readObjectHandles(QVector<quint32> &handles)
{
    const char *const prefix = kReadPrefix;
    // The list must not change under a picture read half way.
    const std::lock_guard<std::mutex> locker(m_objectStoreLock);

    unsigned char storageIds[kStorageIdsBufferSize] = {};
    if (!m_access->getStorageIDs(storageIds, sizeof storageIds, prefix)) {
        debugLog(kLELogAlways, "%s - GetStorageIDs failed, image database kept", prefix);
        return false;
    }

    unsigned char countBuffer[kCountSize] = {};
    if (!m_access->getObjectHandles(countBuffer, sizeof countBuffer, kAllStorages, prefix)) {
        debugLog(kLELogAlways, "%s - GetObjectHandles failed, image database kept", prefix);
        return false;
    }
    const quint32 count = TVK_Commu_DataReader(countBuffer, sizeof countBuffer).u32();
    if (count > kMaxHandles) {
        debugLog(kLELogAlways, "%s - illegal object handle count %u, image database kept", prefix, count);
        return false;
    }
    handles.clear();
    if (count == 0)
        return true;

    QByteArray list(int(kCountSize + kHandleSize * count), '\0');
    if (!m_access->getObjectHandles(list.data(), unsigned(list.size()), kAllStorages, prefix)) {
        debugLog(kLELogAlways, "%s - GetObjectHandles of %u handles failed, image database kept", prefix, count);
        return false;
    }
    TVK_Commu_DataReader reader(list);
    quint32 listed = reader.u32();
    // A picture taken between the two reads makes the list longer than the
    // buffer; the camera cut it off, so only what arrived is used.
    if (listed > count) {
        debugLog(kLELogAlways, "%s - object handle count grew from %u to %u, using %u", prefix, count, listed,
                 count);
        listed = count;
    }
    handles.reserve(int(listed));
    for (quint32 i = 0; i < listed && reader.fits(kHandleSize); ++i)
        handles.append(reader.u32());
    return true;
}

const QByteArray &TVK_Logic_ImageDatabase::placeholderPicture()
{
    if (!m_placeholderPictureTried) {
        m_placeholderPictureTried = true;
        QFile file(QString::fromLatin1(kPlaceholderResource));
        if (file.open(QIODevice::ReadOnly))
            m_placeholderPicture = file.readAll();
        if (m_placeholderPicture.isEmpty())
            debugLog(kLELogAlways, "%s - placeholder picture %s not available, entries start empty",
                     kPlaceholderPrefix, kPlaceholderResource);
    }
    return m_placeholderPicture;
}

const TVK_Logic_ImageDatabase::Entry *TVK_Logic_ImageDatabase::entry(int index) const
{
    return index >= 0 && index < m_entries.size() ? &m_entries.at(index) : nullptr;
}

TVK_Logic_ImageDatabase::Entry *TVK_Logic_ImageDatabase::entry(int index)
{
    return index >= 0 && index < m_entries.size() ? &m_entries[index] : nullptr;
}

int TVK_Logic_ImageDatabase::count() const
{
    return m_entries.size();
}

quint32 TVK_Logic_ImageDatabase::handleAt(int index) const
{
    return fieldOr(entry(index), &Entry::handle, quint32(0));
}

int TVK_Logic_ImageDatabase::indexOfHandle(quint32 handle) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).handle == handle)
            return i;
    }
    return -1;
}

int TVK_Logic_ImageDatabase::rotation(int index) const
{
    return fieldOr(entry(index), &Entry::rotation, int(kRotationUnknown));
}

void TVK_Logic_ImageDatabase::setRotation(int index, int degrees)
{
    setField(entry(index), &Entry::rotation, degrees);
}

int TVK_Logic_ImageDatabase::sizeClass(int index) const
{
    return fieldOr(entry(index), &Entry::sizeClass, 0);
}

void TVK_Logic_ImageDatabase::setSizeClass(int index, int sizeClass)
{
    setField(entry(index), &Entry::sizeClass, sizeClass);
}

int TVK_Logic_ImageDatabase::thirdValue(int index) const
{
    return fieldOr(entry(index), &Entry::thirdValue, 0);
}

void TVK_Logic_ImageDatabase::setThirdValue(int index, int value)
{
    setField(entry(index), &Entry::thirdValue, value);
}

bool TVK_Logic_ImageDatabase::isNotJpeg(int index) const
{
    return fieldOr(entry(index), &Entry::isNotJpeg, false);
}

QString TVK_Logic_ImageDatabase::label(int index) const
{
    return fieldOr(entry(index), &Entry::label, QString());
}

void TVK_Logic_ImageDatabase::removeEntry(quint32 handle)
{
    const int index = indexOfHandle(handle);
    if (index < 0)
        return;
    m_entries.removeAt(index);
    if (index < m_loadedFlags.size())
        m_loadedFlags.remove(index, 1);
    if (indexOfHandle(handle) < 0)
        m_pendingThumbnailHandles.removeAll(handle);
}
