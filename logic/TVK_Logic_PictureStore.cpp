#include "TVK_Logic_PictureStore.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_FolderSettings.h"
#include "TVK_Logic_PartFile.h"
#include "TVK_Platform_Base.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLatin1String>

#include <atomic>
#include <cerrno>

#include <unistd.h>

namespace {

enum class MoveResult { Moved, NameTaken, Failed };

// Gives the complete file at from the name to, never replacing a file there.
// A hard link is atomic and fails when the name exists, even against another
// process; a file system without hard links (FAT on a memory card) gets the
// check and a plain rename, safe within this process under the name mutex.
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

TVK_Logic_PictureStore::TVK_Logic_PictureStore() = default;
TVK_Logic_PictureStore::~TVK_Logic_PictureStore() = default;

bool TVK_Logic_PictureStore::chooseTarget(TVK_Logic_FolderSettings &folders, const Picture &picture, Target *target,
                                          bool *numberAdvanced)
{
    TVK_METHOD(prefix);
    *numberAdvanced = false;
    if (folders.pictureNewFileName().isEmpty())
        folders.setPictureNewFileName(TVK_Logic_FolderSettings::defaultPictureFileName());

    const int number = folders.pictureNumber();
    const QString numbered = folders.pictureNewFileName()
                             + QStringLiteral("%1").arg(number, TVK_Logic_FolderSettings::kPictureNumberDigits, 10,
                                                        QLatin1Char('0'));
    // In pair mode both files carry the number; it advances after the second.
    bool advance = false;
    QString folder;
    if (picture.isDng) {
        folder = folders.dngPictureFolder();
        target->fileName = numbered + QStringLiteral(".DNG");
        advance = !picture.pairMode || picture.jpgFirst;
    } else if (picture.isJpg) {
        folder = folders.jpgPictureFolder();
        target->fileName = numbered + QStringLiteral(".JPG");
        advance = !picture.pairMode || !picture.jpgFirst;
    } else {
        debugLog(kLELogAlways, "%s - Exception! File not JPG or DNG: %s", prefix, qUtf8Printable(picture.extension));
        folder = platform()->picturesFolder();
        target->fileName = QStringLiteral("_Broken_Data_Image");
    }
    if (advance && number < kPictureNumberLimit) {
        folders.incrementPictureNumber();
        *numberAdvanced = true;
    }
    folders.setPictureOrgFileName(picture.cameraFileName);
    target->extension = picture.extension;

    const bool stored = picture.isDng || picture.isJpg;
    QString fullPath;
    if (QDir(folder).exists()) {
        fullPath = folder + QLatin1Char('/') + target->fileName;
    } else {
        const QString fallback = platform()->picturesFolder();
        fullPath = fallback + QLatin1Char('/') + target->fileName;
        if (stored) {
            if (folder == fallback)
                debugLog(kLELogAlways, "%s - folder %s does not exist yet, making it", prefix, qUtf8Printable(folder));
            else
                debugLog(kLELogAlways, "%s - folder %s does not exist, using %s", prefix, qUtf8Printable(folder),
                         qUtf8Printable(fallback));
            // The platform's own folder may not have been made yet in a fresh home.
            QDir().mkpath(fallback);
            if (picture.isJpg)
                folders.setJpgPictureFolder(fallback);
            else
                folders.setDngPictureFolder(fallback);
        }
    }
    folders.setPictureExampleIsDng(fullPath.endsWith(QLatin1String(".DNG")));
    target->basePath = fullPath;
    target->fullPath = fullPath;
    target->seriesNumber = 0;
    if (!stored)
        return false;
    pickFreeName(fullPath, target);
    return true;
}

bool TVK_Logic_PictureStore::rescueTarget(const Target &chosen, Target *rescue, QString *error)
{
    const QString folder = platform()->rescueFolder();
    if (folder.isEmpty()) {
        *error = tr("no rescue folder is known");
        return false;
    }
    if (!QDir().mkpath(folder)) {
        *error = tr("the folder cannot be made");
        return false;
    }
    *rescue = chosen;
    pickFreeName(folder + QLatin1Char('/') + chosen.fileName, rescue);
    return true;
}

void TVK_Logic_PictureStore::pickFreeName(const QString &basePath, Target *target) const
{
    TVK_METHOD(prefix);
    target->basePath = basePath;
    target->fullPath = basePath;
    target->seriesNumber = 0;
    if (!QFileInfo::exists(basePath))
        return;
    if (basePath.size() < 5) {
        debugLog(kLELogAlways, "%s - Exception! saveFileName has unexpected length: %s", prefix,
                 qUtf8Printable(basePath));
        return;
    }
    int number = 1;
    while (QFileInfo::exists(seriesName(basePath, target->extension, number)))
        ++number;
    target->seriesNumber = number;
    target->fullPath = seriesName(basePath, target->extension, number);
}

std::unique_ptr<TVK_Logic_PartFile> TVK_Logic_PictureStore::createPart(const Target &target, QString *error)
{
    static std::atomic<unsigned> partSerial{0};
    const QFileInfo name(target.fullPath);
    // Hidden, and unique to this process and transfer.
    const QString partPath = name.absolutePath() + QStringLiteral("/.") + name.fileName()
                             + QStringLiteral(".%1-%2.part")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(partSerial.fetch_add(1));
    auto part = std::make_unique<TVK_Logic_PartFile>(partPath);
    if (!part->create()) {
        *error = part->error();
        part->release(); // nothing of it is on the disk
        return nullptr;
    }
    return part;
}

bool TVK_Logic_PictureStore::commit(TVK_Logic_PartFile &part, Target *target, QString *error)
{
    TVK_METHOD(prefix);
    if (!part.finish()) {
        *error = part.error().isEmpty() ? tr("the picture did not arrive whole") : part.error();
        part.discard();
        return false;
    }
    const std::lock_guard<std::mutex> locker(m_nameMutex);
    *error = tr("no free file name");
    for (int number = target->seriesNumber;; ++number) {
        if (number > 0 && target->basePath.size() < 5)
            break; // a name without extension has no series
        const QString candidate = seriesName(target->basePath, target->extension, number);
        switch (moveIntoPlace(part.path(), candidate, error)) {
        case MoveResult::Moved:
            part.release();
            target->fullPath = candidate;
            debugLog(kLELogTransfer, "%s - saved %s", prefix, qUtf8Printable(candidate));
            return true;
        case MoveResult::NameTaken:
            continue;
        case MoveResult::Failed:
            break;
        }
        break;
    }
    part.discard();
    debugLog(kLELogAlways, "%s - Error! Cannot save %s: %s", prefix, qUtf8Printable(target->fullPath),
             qUtf8Printable(*error));
    return false;
}

QString TVK_Logic_PictureStore::seriesName(const QString &path, const QString &extension, int number)
{
    if (number <= 0)
        return path;
    return path.left(path.size() - 4) + QLatin1Char('_') + QString::number(number) + QLatin1Char('.') + extension;
}

bool TVK_Logic_PictureStore::mayBeSavedAlready(const QString &cameraFileName, quint64 size) const
{
    const std::lock_guard<std::mutex> locker(m_unconfirmedMutex);
    return !m_unconfirmedPath.isEmpty() && m_unconfirmedName == cameraFileName && m_unconfirmedSize == size;
}

QString TVK_Logic_PictureStore::savedAlready(const QByteArray &digest) const
{
    QString path;
    {
        const std::lock_guard<std::mutex> locker(m_unconfirmedMutex);
        path = m_unconfirmedPath;
    }
    // The file as it is now: one changed or removed since is saved again
    // rather than not at all.
    if (path.isEmpty() || digest.isEmpty() || fileDigest(path) != digest)
        return QString();
    return path;
}

void TVK_Logic_PictureStore::rememberUnconfirmed(const QString &cameraFileName, quint64 size, const QString &savedPath)
{
    const std::lock_guard<std::mutex> locker(m_unconfirmedMutex);
    m_unconfirmedName = cameraFileName;
    m_unconfirmedSize = size;
    m_unconfirmedPath = savedPath;
}

void TVK_Logic_PictureStore::forgetUnconfirmed()
{
    const std::lock_guard<std::mutex> locker(m_unconfirmedMutex);
    m_unconfirmedPath.clear();
}

QByteArray TVK_Logic_PictureStore::fileDigest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result() : QByteArray();
}
