#include "TVK_Logic_TransferThread.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_DigestSink.h"
#include "TVK_Logic_PartFile.h"
#include "TVK_Platform_Base.h"

#include <QFileInfo>
#include <QLatin1String>
#include <QThread>

#include <mutex>

namespace {

// The file format values under which the camera stores a DNG and a JPG of each picture.
bool isPairFormat(int fileFormat)
{
    return fileFormat == 1 || fileFormat == 2;
}

// These products write the JPG of a pair first, so the number advances after
// the DNG; they also have large thumbnails.
bool isLateDngProduct(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEJpgBeforeDng);
}

unsigned long threadForLog()
{
    return static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

} // namespace

TVK_Logic_TransferThread::TVK_Logic_TransferThread(TVK_Logic_TransferHost &host, QObject *parent)
    : QObject(parent)
    , m_host(host)
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
    m_camera = m_host.transferCamera();
    if (m_camera.access == nullptr || m_camera.lock == nullptr || m_camera.folders == nullptr
        || m_camera.store == nullptr) {
        debugLog(kLELogAlways, "%s - no camera", prefix);
        return;
    }
    if (!platform()->transferStarting(&m_platformToken))
        return;

    std::unique_lock<std::mutex> locker(*m_camera.lock);
    m_host.transferBegins();
    m_reader = std::make_unique<TVK_Logic_TransferReader>(*m_camera.access, isLateDngProduct(m_camera.productId),
                                                          m_camera.objectProps, m_camera.partialObject);
    m_picture.pairMode = isPairFormat(m_camera.fileFormat);
    m_picture.jpgFirst = isLateDngProduct(m_camera.productId);

    const bool haveObjectInfo = m_reader->readObjectInfo();
    bool saved = false;
    bool confirmed = false;
    if (!haveObjectInfo) {
        m_host.transfersRemain(1);
        debugLog(kLELogAlways, "%s - Error! No ObjectInfo of the new picture", prefix);
        m_host.reportError(tr("A new picture was announced by the camera, but it could not be transferred."));
    } else {
        m_host.transfersRemain(int(m_reader->objectInfo().sequenceNumber()));
        identifyFile();
        // Confirmed also after a read that failed every attempt, and for a
        // file type that is not stored: the camera hands over nothing else
        // until it is, and the failure has been reported.
        bool confirm = true;
        if (m_camera.store->mayBeSavedAlready(m_picture.cameraFileName, m_size) && isSavedAlready()) {
            // It was shown when it was saved: the other file of its pair is not.
            m_host.quickViewTurnSkipped(m_picture.pairMode);
        } else {
            bool numberAdvanced = false;
            const bool storeFile = m_camera.store->chooseTarget(*m_camera.folders, m_picture, &m_target,
                                                                &numberAdvanced);
            if (numberAdvanced)
                m_host.reportNumberAdvanced();
            if (!storeFile) {
                m_host.reportError(tr("The picture %1 is neither a DNG nor a JPG file and was not saved.")
                                       .arg(m_picture.cameraFileName));
            }
            const bool quickView = m_host.quickViewTurn(m_picture.pairMode) && m_reader->readThumbnail(&m_thumbnail);
            if (storeFile) {
                const Outcome outcome = fetchAndStore();
                saved = outcome == Outcome::Saved;
                // Told, a camera that keeps pictures for the computer only
                // would drop one that reached no disk.
                confirm = outcome != Outcome::DiskFailed;
            }
            // Named as it was saved: another program may have taken the name
            // chosen before the read.
            if (quickView)
                m_host.reportQuickView(m_thumbnail, m_target.fullPath, m_reader->orientation(m_picture.isJpg, m_head));
        }
        if (confirm) {
            m_host.handingOver();
            confirmed = m_reader->confirmHandOver();
        }
        rememberConfirmation(confirmed, saved);
    }

    // The camera's own extension may be lower case in a series name.
    m_host.transferEnds(!isPairFormat(m_camera.fileFormat) || m_picture.isDng);
    platform()->transferFinished(m_platformToken);
    locker.unlock();
}

// --- Steps ----------------------------------------------------------------------------------------

void TVK_Logic_TransferThread::identifyFile()
{
    const TVK_Logic_ObjectInfo &info = m_reader->objectInfo();
    m_size = info.objectCompressedSize();
    m_picture.cameraFileName = info.filename();
    const int dot = m_picture.cameraFileName.lastIndexOf(QLatin1Char('.'));
    m_picture.extension = dot >= 0 ? m_picture.cameraFileName.mid(dot + 1) : QString();
    m_picture.isDng = m_picture.extension.compare(QLatin1String("DNG"), Qt::CaseInsensitive) == 0;
    m_picture.isJpg = m_picture.extension.compare(QLatin1String("JPG"), Qt::CaseInsensitive) == 0;
}

bool TVK_Logic_TransferThread::isSavedAlready()
{
    TVK_METHOD(prefix);
    // Only its digest is needed: if it is not the file saved before, it is
    // read once more into its own file.
    TVK_Logic_DigestSink digest;
    quint64 received = 0;
    if (!m_reader->stream(&digest, &received) || received != m_size)
        return false;
    const QString savedPath = m_camera.store->savedAlready(digest.digest());
    if (savedPath.isEmpty())
        return false; // changed, moved or deleted since: saved again rather than not at all
    debugLog(kLELogAlways, "%s - Picture %s came again after its confirmation was lost; it is already saved as %s",
             prefix, qUtf8Printable(m_picture.cameraFileName), qUtf8Printable(savedPath));
    return true;
}

void TVK_Logic_TransferThread::rememberConfirmation(bool confirmed, bool saved)
{
    TVK_METHOD(prefix);
    if (confirmed) {
        m_camera.store->forgetUnconfirmed();
        return;
    }
    if (!saved)
        return; // the picture is still to be had, and nothing of it was stored
    debugLog(kLELogAlways, "%s - Error! The camera did not confirm the hand-over of %s, saved as %s", prefix,
             qUtf8Printable(m_picture.cameraFileName), qUtf8Printable(m_target.fullPath));
    m_camera.store->rememberUnconfirmed(m_picture.cameraFileName, m_size, m_target.fullPath);
}

TVK_Logic_TransferThread::Outcome TVK_Logic_TransferThread::fetchAndStore()
{
    TVK_METHOD(prefix);
    if (m_size == 0) {
        debugLog(kLELogAlways, "%s - Error! Picture %s has an unusable size of 0 bytes", prefix,
                 qUtf8Printable(m_picture.cameraFileName));
        m_host.reportError(tr("The picture %1 could not be transferred: the camera reports %2 bytes.")
                               .arg(m_picture.cameraFileName)
                               .arg(0));
        return Outcome::CameraFailed;
    }
    QString reason;
    const TVK_Logic_PictureStore::Target chosen = m_target;
    const Outcome outcome = fetchInto(&m_target, &reason);
    if (outcome != Outcome::DiskFailed)
        return outcome;

    const QString rescueFolder = platform()->rescueFolder();
    QString rescueReason;
    TVK_Logic_PictureStore::Target rescue;
    if (m_camera.store->rescueTarget(chosen, &rescue, &rescueReason)) {
        // Read again: the camera still holds the picture, the first folder's
        // part file is gone.
        const Outcome rescued = fetchInto(&rescue, &rescueReason);
        if (rescued == Outcome::CameraFailed)
            return rescued;
        if (rescued == Outcome::Saved) {
            m_target = rescue;
            debugLog(kLELogAlways, "%s - Warning! %s could not be saved as %s (%s), saved in the rescue folder as %s",
                     prefix, qUtf8Printable(m_picture.cameraFileName), qUtf8Printable(chosen.fullPath),
                     qUtf8Printable(reason), qUtf8Printable(m_target.fullPath));
            m_host.reportError(tr("The picture %1 could not be saved as %2: %3. It was saved in the rescue folder %4 "
                                  "as %5 instead.")
                                   .arg(m_picture.cameraFileName, chosen.fullPath, reason, rescueFolder,
                                        QFileInfo(m_target.fullPath).fileName()));
            return Outcome::Saved;
        }
    }
    debugLog(kLELogAlways, "%s - Error! %s was saved nowhere: %s (%s), rescue folder %s (%s); not confirmed", prefix,
             qUtf8Printable(m_picture.cameraFileName), qUtf8Printable(chosen.fullPath), qUtf8Printable(reason),
             qUtf8Printable(rescueFolder), qUtf8Printable(rescueReason));
    m_host.reportError(tr("The picture %1 could not be saved anywhere: not as %2 (%3), nor in the rescue folder %4 "
                          "(%5). It stays on the camera, which was not told that it is transferred.")
                           .arg(m_picture.cameraFileName, chosen.fullPath, reason, rescueFolder, rescueReason));
    return Outcome::DiskFailed;
}

TVK_Logic_TransferThread::Outcome TVK_Logic_TransferThread::fetchInto(TVK_Logic_PictureStore::Target *target,
                                                                      QString *reason)
{
    TVK_METHOD(prefix);
    std::unique_ptr<TVK_Logic_PartFile> part = m_camera.store->createPart(*target, reason);
    if (!part)
        return Outcome::DiskFailed;
    part->setProgress([this](quint64 written, quint64) { progress(written); });
    // A read broken off goes on from where it stopped where the camera reads
    // part of an object: what came of a short phase is the picture's start.
    // Otherwise it starts again from nothing.
    bool resume = false;
    for (int failures = 0;;) {
        const quint64 before = part->written();
        quint64 received = 0;
        const bool read = resume ? m_reader->streamFrom(part.get(), before, m_size, &received)
                                 : m_reader->stream(part.get(), &received);
        if (part->refused()) {
            *reason = part->error();
            return Outcome::DiskFailed;
        }
        // The data phase may be whole and still not the size the ObjectInfo
        // announced: either file would look whole and is not.
        const quint64 written = part->written();
        if (read && part->complete() && written == m_size)
            break;
        // A camera may hand out less of an object than asked for at a time:
        // a part that came whole and took the picture further is no failure.
        const bool furthered = resume && read && part->complete() && written > before && written < m_size;
        if (!furthered) {
            ++failures;
            debugLog(kLELogAlways, "%s - Error! Picture %s arrived with %llu of its %llu bytes (read %d of %d)",
                     prefix, qUtf8Printable(m_picture.cameraFileName), static_cast<unsigned long long>(written),
                     static_cast<unsigned long long>(m_size), failures, kReadAttempts);
            if (failures == kReadAttempts) {
                reportReadFailure(written);
                return Outcome::CameraFailed;
            }
        }
        resume = written > 0 && written < m_size && m_reader->canResume();
        if (!resume && !part->restart()) {
            *reason = part->error();
            return Outcome::DiskFailed;
        }
    }
    m_head = part->head();
    if (!m_camera.store->commit(*part, target, reason))
        return Outcome::DiskFailed;
    m_host.reportProgress(m_picture.cameraFileName, qint64(m_size), qint64(m_size));
    return Outcome::Saved;
}

void TVK_Logic_TransferThread::reportReadFailure(quint64 received)
{
    if (received == 0) {
        m_host.reportError(
            tr("The picture %1 could not be read from the camera and was not saved.").arg(m_picture.cameraFileName));
        return;
    }
    m_host.reportError(tr("The picture %1 was not saved: the camera sent %2 bytes instead of %3.")
                           .arg(m_picture.cameraFileName)
                           .arg(received)
                           .arg(m_size));
}

void TVK_Logic_TransferThread::progress(quint64 written)
{
    // At most once a percent, never falling (a read tried again starts from
    // nothing), and the whole only once the picture has its name.
    const int percent = int(qMin<quint64>(written, m_size) * 100 / m_size);
    if (percent <= m_percentShown || percent >= 100)
        return;
    m_percentShown = percent;
    m_host.reportProgress(m_picture.cameraFileName, qint64(written), qint64(m_size));
}
