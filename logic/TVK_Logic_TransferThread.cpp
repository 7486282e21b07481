#include "TVK_Logic_TransferThread.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Commu_PtpCodes.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_CameraEnums.h"
#include "TVK_Logic_CameraSettingsBase.h"
#include "TVK_Logic_DeviceInfo.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_TiffTagScanner.h"
#include "TVK_Platform_Base.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLatin1String>
#include <QSaveFile>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>
#include <optional>

#include <unistd.h>

using namespace TVK_Commu_Ptp;

namespace {

// MTP object formats and the vendor object property holding the orientation.
constexpr int kFormatExifJpeg = 0x3801;
constexpr int kFormatTiffEp = 0x3802;
constexpr int kObjectPropOrientation = 0xD800;

constexpr size_t kDumpAllLines = 0;
constexpr size_t kDumpLines = 10;
constexpr size_t kDumpBytesPerLine = 16;

// The file format values under which the camera stores a DNG and a JPG of each picture.
bool isPairFormat(int fileFormat)
{
    return fileFormat == 1 || fileFormat == 2;
}

// These products write the JPG of a pair first, so the number advances after the DNG.
bool isLateDngProduct(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEJpgBeforeDng);
}

unsigned long threadForLog()
{
    return static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

// Names are looked at and taken one at a time in this process, whatever the
// file system can promise between processes.
std::mutex &nameMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The last picture saved without the camera answering its confirmation, in
// this process: whichever camera model (one per session) meets it again.
struct Unconfirmed {
    std::mutex mutex;
    QString cameraFileName;
    quint32 size = 0;
    QByteArray digest;
    QString savedPath;
};

Unconfirmed &unconfirmed()
{
    static Unconfirmed last;
    return last;
}

QByteArray pictureDigest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

enum class MoveResult { Moved, NameTaken, Failed };

// Gives the complete file at from the name to, never replacing a file there.
// A hard link is atomic and fails when the name exists, even against another
// process; a file system without hard links (FAT on a memory card) gets the
// check and a plain rename, safe within this process under nameMutex.
MoveResult moveIntoPlace(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return MoveResult::Moved;
    }
    if (errno == EEXIST)
        return MoveResult::NameTaken;
    if (QFileInfo::exists(to))
        return MoveResult::NameTaken;
    if (::rename(source.constData(), target.constData()) == 0)
        return MoveResult::Moved;
    *error = qt_error_string(errno);
    return MoveResult::Failed;
}

} // namespace

TVK_Logic_TransferThread::TVK_Logic_TransferThread(TVK_Logic_Camera *camera, bool objectPropsSupported,
                                                   QObject *parent)
    : QObject(parent)
    , m_camera(camera)
    , m_objectPropsSupported(objectPropsSupported)
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - created in thread 0x%lx", prefix, threadForLog());
}

TVK_Logic_TransferThread::~TVK_Logic_TransferThread()
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - deleted automatically in thread 0x%lx", prefix, threadForLog());
}

// --- The run ------------------------------------------------------------------------------------

void TVK_Logic_TransferThread::run()
{
    TVK_METHOD(prefix);
    debugLog(kLELogThreads, "%s - running in thread 0x%lx", prefix, threadForLog());
    m_access = m_camera->access();
    m_folders = m_camera->folderSettings();
    debugLog(kLELogTransfer, "%s - before ASSERT in ", prefix);
    if (m_access == nullptr || m_folders == nullptr || m_camera->settings() == nullptr) {
        debugLog(kLELogAlways, "%s - no camera", prefix);
        return;
    }
    debugLog(kLELogTransfer, "%s - after ASSERT in ", prefix);

    if (!platform()->transferStarting(&m_platformToken))
        return;

    m_camera->incrementActiveTransferThreads();
    debugLog(kLELogTransfer, "%s - Number of active threads = %d", prefix, m_camera->activeTransferThreads());

    std::unique_lock<std::mutex> locker(m_camera->accessLock());

    // The end of a continuous series may not have reached a camera busy with
    // its pictures; it is sent once more now that the camera hands them over.
    if (m_camera->continuousEndPending() && m_camera->releaseCam(kVXReleaseContinuousEnd))
        m_camera->setContinuousEndPending(false);

    m_camera->setTransferInProgress(true);
    m_camera->setPictureReadBusy(true);

    const bool haveObjectInfo = readObjectInfo();
    bool saved = false;
    bool confirmed = false;
    if (!haveObjectInfo) {
        m_camera->setTransfersRemaining(1);
        m_camera->emitRemainingToLoad(1);
        debugLog(kLELogAlways, "%s - Error! No ObjectInfo of the new picture", prefix);
        reportError(tr("A new picture was announced by the camera, but it could not be transferred."));
    } else {
        const int remaining = int(m_objectInfo.sequenceNumber());
        m_camera->setTransfersRemaining(remaining);
        m_camera->emitRemainingToLoad(remaining);
        if (remaining == 1)
            m_camera->setTransfersMaximum(1);
        else
            m_camera->raiseTransfersMaximum(remaining);

        identifyFile();
        // Confirmed also after a failed read, and for a file type that is not
        // stored: the camera hands over nothing else until it is, and the
        // failure has been reported.
        bool confirm = true;
        // A picture that may have been saved before is read first: whether it
        // takes a number and a name depends on its bytes.
        std::optional<bool> read;
        if (mayBeSavedAlready())
            read = readPicture();
        if (read.value_or(false) && isSavedAlready()) {
            // It was shown when it was saved: the other file of its pair is not.
            if (m_pairMode && m_camera->wantQuickView())
                m_camera->setQuickViewOfPairShown(true);
        } else {
            const bool storeFile = chooseTarget();
            const bool quickView = m_camera->wantQuickView() && fetchQuickView();
            const bool haveBytes = read ? *read : readPicture();
            if (storeFile && haveBytes) {
                saved = storePicture();
                // Told, a camera that keeps pictures for the computer only
                // would drop one that reached no disk.
                confirm = saved;
            }
            // Named as it was saved: another program may have taken the name
            // chosen before the read.
            if (quickView)
                m_camera->emitQuickView(m_thumbnail, m_fullPath, m_orientation);
        }
        if (confirm) {
            // Once the camera hears this it may announce the same handle for its next picture.
            m_camera->transferQueue().handingOver();
            confirmed = m_access->transferObjectReady();
        }
    }

    m_camera->setPictureReadBusy(false);
    m_camera->transferDone();

    if (haveObjectInfo)
        rememberConfirmation(confirmed, saved);

    if (isPairFormat(m_camera->transferFileFormat())) {
        // The camera's own extension may be lower case in a series name.
        if (m_isDng)
            m_camera->emitDngTransferDone();
    } else {
        m_camera->emitDngTransferDone();
    }

    const bool moreToCome = m_camera->transfersRemaining() > 1;
    m_camera->setTransferInProgress(moreToCome);
    m_camera->setKeepAliveSkip(moreToCome);
    if (m_camera->transfersRemaining() == 1) {
        m_camera->emitLoadingDone();
        m_camera->emitRemainingToLoad(0);
    }

    m_camera->decrementActiveTransferThreads();
    debugLog(kLELogTransfer, "%s - Number of active threads = %d", prefix, m_camera->activeTransferThreads());

    platform()->transferFinished(m_platformToken);
    locker.unlock();
}

// --- Steps ----------------------------------------------------------------------------------------

bool TVK_Logic_TransferThread::readObjectInfo()
{
    TVK_METHOD(prefix);
    // These products have a large thumbnail; a picture without one is asked
    // for again with the small one.
    m_thumbnailType = isLateDngProduct(m_camera->productId()) ? 1 : 0;
    bool ok = m_objectInfo.recvFromCamera(m_access, kPendingObjectHandle, m_thumbnailType);
    if (ok && m_objectInfo.thumbCompressedSize() == 0 && m_thumbnailType != 0) {
        const TVK_Logic_ObjectInfo first = m_objectInfo;
        m_thumbnailType = 0;
        if (!m_objectInfo.recvFromCamera(m_access, kPendingObjectHandle, m_thumbnailType)) {
            // The picture is still the camera's to hand over; it goes
            // without a quick view rather than not at all.
            debugLog(kLELogAlways, "%s - ObjectInfo with the small thumbnail failed, keeping the first", prefix);
            m_objectInfo = first;
        }
    }
    if (debugLogEnabled(kLELogThreads)) {
        debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" calls getObjectInfo:"),
                     QStringLiteral("objectInfo"), m_objectInfo.data(), m_objectInfo.size(), kDumpAllLines,
                     kDumpBytesPerLine);
    }
    return ok;
}

void TVK_Logic_TransferThread::identifyFile()
{
    m_pairMode = isPairFormat(m_camera->transferFileFormat());
    m_cameraFileName = m_objectInfo.filename();
    const int dot = m_cameraFileName.lastIndexOf(QLatin1Char('.'));
    m_extension = dot >= 0 ? m_cameraFileName.mid(dot + 1) : QString();
    m_isDng = m_extension.compare(QLatin1String("DNG"), Qt::CaseInsensitive) == 0;
    m_isJpg = m_extension.compare(QLatin1String("JPG"), Qt::CaseInsensitive) == 0;
}

bool TVK_Logic_TransferThread::mayBeSavedAlready() const
{
    Unconfirmed &last = unconfirmed();
    const std::lock_guard<std::mutex> locker(last.mutex);
    return !last.savedPath.isEmpty() && last.cameraFileName == m_cameraFileName
           && last.size == m_objectInfo.objectCompressedSize();
}

bool TVK_Logic_TransferThread::isSavedAlready()
{
    TVK_METHOD(prefix);
    QString savedPath;
    {
        Unconfirmed &last = unconfirmed();
        const std::lock_guard<std::mutex> locker(last.mutex);
        if (last.savedPath.isEmpty() || pictureDigest(m_imageData) != last.digest)
            return false;
        savedPath = last.savedPath;
    }
    if (!QFileInfo::exists(savedPath))
        return false; // moved or deleted since: saved again rather than not at all
    debugLog(kLELogAlways, "%s - Picture %s came again after its confirmation was lost; it is already saved as %s",
             prefix, qUtf8Printable(m_cameraFileName), qUtf8Printable(savedPath));
    m_imageData.clear();
    return true;
}

void TVK_Logic_TransferThread::rememberConfirmation(bool confirmed, bool saved)
{
    TVK_METHOD(prefix);
    Unconfirmed &last = unconfirmed();
    if (confirmed) {
        const std::lock_guard<std::mutex> locker(last.mutex);
        last.savedPath.clear();
        return;
    }
    if (!saved)
        return; // the picture is still to be had, and nothing of it was stored
    debugLog(kLELogAlways, "%s - Error! The camera did not confirm the hand-over of %s, saved as %s", prefix,
             qUtf8Printable(m_cameraFileName), qUtf8Printable(m_fullPath));
    const QByteArray digest = pictureDigest(m_imageData);
    const std::lock_guard<std::mutex> locker(last.mutex);
    last.cameraFileName = m_cameraFileName;
    last.size = m_objectInfo.objectCompressedSize();
    last.digest = digest;
    last.savedPath = m_fullPath;
}

bool TVK_Logic_TransferThread::chooseTarget()
{
    TVK_METHOD(prefix);
    if (m_folders->pictureNewFileName().isEmpty())
        m_folders->setPictureNewFileName(TVK_Logic_FolderSettings::defaultPictureFileName());

    const bool lateDng = isLateDngProduct(m_camera->productId());
    const int number = m_folders->pictureNumber();
    const QString numbered = m_folders->pictureNewFileName()
                             + QStringLiteral("%1").arg(number, TVK_Logic_FolderSettings::kPictureNumberDigits, 10,
                                                        QLatin1Char('0'));
    // In pair mode both files carry the number; it advances after the second.
    bool advance = false;
    if (m_isDng) {
        m_folder = m_folders->dngPictureFolder();
        m_fileName = numbered + QStringLiteral(".DNG");
        advance = !m_pairMode || lateDng;
    } else if (m_isJpg) {
        m_folder = m_folders->jpgPictureFolder();
        m_fileName = numbered + QStringLiteral(".JPG");
        advance = !m_pairMode || !lateDng;
    } else {
        debugLog(kLELogAlways, "%s - Exception! File not JPG or DNG: %s", prefix, qUtf8Printable(m_extension));
        m_folder = platform()->picturesFolder();
        m_fileName = QStringLiteral("_Broken_Data_Image");
    }
    if (advance && number < kPictureNumberLimit) {
        m_folders->incrementPictureNumber();
        m_camera->emitFileNameAndNumber();
    }
    m_folders->setPictureOrgFileName(m_cameraFileName);

    const bool stored = m_isDng || m_isJpg;
    if (QDir(m_folder).exists()) {
        m_fullPath = m_folder + QLatin1Char('/') + m_fileName;
    } else {
        const QString fallback = platform()->picturesFolder();
        m_fullPath = fallback + QLatin1Char('/') + m_fileName;
        if (stored) {
            debugLog(kLELogAlways, "%s - folder %s does not exist, using %s", prefix, qUtf8Printable(m_folder),
                     qUtf8Printable(fallback));
            // The platform's own folder may not have been made yet in a fresh home.
            QDir().mkpath(fallback);
            if (m_isJpg)
                m_folders->setJpgPictureFolder(fallback);
            else
                m_folders->setDngPictureFolder(fallback);
        }
    }
    m_folders->setPictureExampleIsDng(m_fullPath.endsWith(QLatin1String(".DNG")));

    if (!stored) {
        reportError(tr("The picture %1 is neither a DNG nor a JPG file and was not saved.").arg(m_cameraFileName));
        return false;
    }
    pickFreeName(m_fullPath);
    return true;
}

void TVK_Logic_TransferThread::pickFreeName(const QString &basePath)
{
    TVK_METHOD(prefix);
    m_basePath = basePath;
    m_fullPath = basePath;
    m_seriesNumber = 0;
    if (QFileInfo::exists(m_basePath)) {
        if (m_basePath.size() < 5) {
            debugLog(kLELogAlways, "%s - Exception! saveFileName has unexpected length: %s", prefix,
                     qUtf8Printable(m_basePath));
        } else {
            m_seriesNumber = 1;
            while (QFileInfo::exists(seriesName(m_basePath, m_extension, m_seriesNumber)))
                ++m_seriesNumber;
            m_fullPath = seriesName(m_basePath, m_extension, m_seriesNumber);
        }
    }
}

bool TVK_Logic_TransferThread::fetchQuickView()
{
    TVK_METHOD(prefix);
    bool fetched = false;
    if (!m_pairMode)
        m_camera->setQuickViewOfPairShown(false);
    if (!m_camera->quickViewOfPairShown()) {
        const quint32 size = m_objectInfo.thumbCompressedSize();
        if (size > kMaxThumbnailBytes) {
            debugLog(kLELogAlways, "%s - Error! Thumbnail size %u is not believable", prefix, size);
        } else if (size != 0) {
            m_thumbnail = QByteArray(int(size), '\0');
            if (m_access->getThumbnail(m_thumbnail.data(), size, m_thumbnailType, kPendingObjectHandle)) {
                if (debugLogEnabled(kLELogThreads)) {
                    debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" calls getThumbnail:"),
                                 QStringLiteral("thumbnailBuffer"), m_thumbnail, kDumpLines, kDumpBytesPerLine);
                }
                m_orientation = readOrientation();
                fetched = true;
            }
        }
    }
    // Within a pair only the first file is shown.
    if (m_pairMode)
        m_camera->setQuickViewOfPairShown(!m_camera->quickViewOfPairShown());
    return fetched;
}

int TVK_Logic_TransferThread::readOrientation()
{
    unsigned char value[4] = {};
    if (m_objectPropsSupported
        && m_access->supportsObjectProp(m_isJpg ? kFormatExifJpeg : kFormatTiffEp, kObjectPropOrientation)
        && m_access->getObjectPropValue(value, 2, kObjectPropOrientation, kPendingObjectHandle))
        return qFromLittleEndian<quint16>(value);

    QByteArray head(kHeaderBytes, 'X');
    const TVK_Logic_DeviceInfo *deviceInfo = m_camera->deviceInfo();
    // Reading only the header spares moving the whole picture twice.
    const bool read = deviceInfo != nullptr && deviceInfo->isOperationSupported(kOpGetPartialObject)
                          ? m_access->getPartialObject(head.data(), kHeaderBytes, 0, kPendingObjectHandle)
                          : m_access->getObject(head.data(), kHeaderBytes, kPendingObjectHandle);
    return read ? exifOrientation(head) : 0;
}

bool TVK_Logic_TransferThread::readPicture()
{
    TVK_METHOD(prefix);
    m_imageData.clear();
    const quint32 size = m_objectInfo.objectCompressedSize();
    if (size == 0 || size > kMaxPictureBytes) {
        debugLog(kLELogAlways, "%s - Error! Picture %s has an unusable size of %u bytes", prefix,
                 qUtf8Printable(m_cameraFileName), size);
        reportError(tr("The picture %1 could not be transferred: the camera reports %2 bytes.")
                        .arg(m_cameraFileName)
                        .arg(size));
        return false;
    }
    try {
        m_imageData = QByteArray(int(size), Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        debugLog(kLELogAlways, "%s - Error! No memory for picture %s of %u bytes", prefix,
                 qUtf8Printable(m_cameraFileName), size);
        reportError(tr("The picture %1 could not be transferred: not enough memory for %2 bytes.")
                        .arg(m_cameraFileName)
                        .arg(size));
        return false;
    }
    quint64 received = 0;
    if (!m_access->getObject(m_imageData.data(), size, kPendingObjectHandle, &received)) {
        m_imageData.clear();
        debugLog(kLELogAlways, "%s - Error! Picture %s could not be read from the camera", prefix,
                 qUtf8Printable(m_cameraFileName));
        reportError(tr("The picture %1 could not be read from the camera and was not saved.").arg(m_cameraFileName));
        return false;
    }
    if (received != size) {
        // The transaction succeeded, but the data phase ended early (the
        // buffer's tail is zeros) or ran past the announced size (the tail
        // was dropped): either file would look whole and is not.
        m_imageData.clear();
        debugLog(kLELogAlways, "%s - Error! Picture %s arrived with %llu of its %u bytes", prefix,
                 qUtf8Printable(m_cameraFileName), static_cast<unsigned long long>(received), size);
        reportError(tr("The picture %1 was not saved: the camera sent %2 bytes instead of %3.")
                        .arg(m_cameraFileName)
                        .arg(received)
                        .arg(size));
        return false;
    }
    if (debugLogEnabled(kLELogThreads)) {
        debugHexDump(QString::fromLatin1(prefix) + QStringLiteral(" calls getObject:"), QStringLiteral("imageBuffer"),
                     m_imageData, kDumpLines, kDumpBytesPerLine);
    }
    return true;
}

bool TVK_Logic_TransferThread::storePicture()
{
    TVK_METHOD(prefix);
    QString reason;
    if (savePicture(&reason))
        return true;
    const QString chosen = m_fullPath;
    const QString rescue = platform()->rescueFolder();
    QString rescueReason = tr("no rescue folder is known");
    if (!rescue.isEmpty())
        rescueReason = tr("the folder cannot be made");
    if (!rescue.isEmpty() && QDir().mkpath(rescue)) {
        pickFreeName(rescue + QLatin1Char('/') + m_fileName);
        if (savePicture(&rescueReason)) {
            debugLog(kLELogAlways, "%s - Warning! %s could not be saved as %s (%s), saved in the rescue folder as %s",
                     prefix, qUtf8Printable(m_cameraFileName), qUtf8Printable(chosen), qUtf8Printable(reason),
                     qUtf8Printable(m_fullPath));
            reportError(tr("The picture %1 could not be saved as %2: %3. It was saved in the rescue folder %4 as %5 "
                           "instead.")
                            .arg(m_cameraFileName, chosen, reason, rescue, QFileInfo(m_fullPath).fileName()));
            return true;
        }
    }
    debugLog(kLELogAlways, "%s - Error! %s was saved nowhere: %s (%s), rescue folder %s (%s); not confirmed", prefix,
             qUtf8Printable(m_cameraFileName), qUtf8Printable(chosen), qUtf8Printable(reason),
             qUtf8Printable(rescue), qUtf8Printable(rescueReason));
    reportError(tr("The picture %1 could not be saved anywhere: not as %2 (%3), nor in the rescue folder %4 (%5). "
                   "It stays on the camera, which was not told that it is transferred.")
                    .arg(m_cameraFileName, chosen, reason, rescue, rescueReason));
    return false;
}

bool TVK_Logic_TransferThread::savePicture(QString *error)
{
    TVK_METHOD(prefix);
    static std::atomic<unsigned> partSerial{0};
    const QFileInfo target(m_fullPath);
    // Hidden, and unique to this process and transfer.
    const QString partPath = target.absolutePath() + QStringLiteral("/.") + target.fileName()
                             + QStringLiteral(".%1-%2.part")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(partSerial.fetch_add(1));

    QSaveFile part(partPath);
    // Unbuffered: a buffered write reports every byte as taken, and a disk
    // that fills up while the buffer is flushed cuts the file short without
    // the commit saying so.
    if (!part.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = part.errorString();
        debugLog(kLELogAlways, "%s - Error! Cannot create %s: %s", prefix, qUtf8Printable(partPath),
                 qUtf8Printable(*error));
        return false;
    }
    const qint64 written = part.write(m_imageData);
    if (written != qint64(m_imageData.size())) {
        debugLog(kLELogAlways, "%s - Error! Written size %ld differs from buffer size %ld", prefix, long(written),
                 long(m_imageData.size()));
        *error = part.errorString();
        part.cancelWriting();
        part.commit(); // discards the partial file
        return false;
    }
    if (!part.commit()) {
        // The file system refused the last bytes or the rename; nothing is left behind.
        *error = part.errorString();
        debugLog(kLELogAlways, "%s - Error! Cannot complete %s: %s", prefix, qUtf8Printable(partPath),
                 qUtf8Printable(*error));
        return false;
    }

    // Another program may have taken the name since it was chosen: the
    // series goes on from there.
    const std::lock_guard<std::mutex> locker(nameMutex());
    *error = tr("no free file name");
    for (int number = m_seriesNumber;; ++number) {
        if (number > 0 && m_basePath.size() < 5)
            break; // a name without extension has no series
        const QString candidate = seriesName(m_basePath, m_extension, number);
        switch (moveIntoPlace(partPath, candidate, error)) {
        case MoveResult::Moved:
            m_fullPath = candidate;
            debugLog(kLELogTransfer, "%s - saved %s", prefix, qUtf8Printable(candidate));
            return true;
        case MoveResult::NameTaken:
            continue;
        case MoveResult::Failed:
            break;
        }
        break;
    }
    QFile::remove(partPath);
    debugLog(kLELogAlways, "%s - Error! Cannot save %s: %s", prefix, qUtf8Printable(m_fullPath),
             qUtf8Printable(*error));
    return false;
}

void TVK_Logic_TransferThread::reportError(const QString &message)
{
    m_camera->emitTransferError(message);
}

// --- Helpers --------------------------------------------------------------------------------------

QString TVK_Logic_TransferThread::seriesName(const QString &path, const QString &extension, int number)
{
    if (number <= 0)
        return path;
    return path.left(path.size() - 4) + QLatin1Char('_') + QString::number(number) + QLatin1Char('.') + extension;
}

int TVK_Logic_TransferThread::exifOrientation(const QByteArray &file)
{
    TVK_METHOD(prefix);
    const int orientation =
        TVK_Logic_TiffTagScanner::lowByteOf(file.left(kHeaderBytes), TVK_Logic_TiffTagScanner::kTagOrientation);
    if (orientation < 0)
        return 0;
    debugLog(kLELogThreads, "%s - parse Exif for orientation: %d", prefix, orientation);
    return orientation;
}
