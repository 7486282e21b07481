#include "TVK_Logic_FolderSettings.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_FileNameStem.h"
#include "TVK_Platform_Base.h"

#include <QDir>
#include <QLatin1Char>
#include <QLatin1String>

#include <limits>
#include <mutex>

namespace {

// Folders are compared and stored with forward slashes only. Folders carried
// over from a settings file written on another system may hold back-slashes,
// which are no separators here, so they are turned into forward slashes
// explicitly as well.
QString storedFolder(const QString &folder)
{
    QString stored = QDir::fromNativeSeparators(folder);
    stored.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return stored;
}

} // namespace

QString TVK_Logic_FolderSettings::defaultPictureFolder()
{
    static const QString folder = storedFolder(platform()->picturesFolder());
    return folder;
}

QString TVK_Logic_FolderSettings::defaultPictureFileName()
{
    return QStringLiteral("Picture");
}

TVK_Logic_FolderSettings::TVK_Logic_FolderSettings(QObject *parent)
    : QObject(parent)
    , m_dngPictureFolder(defaultPictureFolder())
    , m_jpgPictureFolder(defaultPictureFolder())
{
}

TVK_Logic_FolderSettings::~TVK_Logic_FolderSettings() = default;

QString TVK_Logic_FolderSettings::dngPictureFolder() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return QDir::toNativeSeparators(m_dngPictureFolder);
}

QString TVK_Logic_FolderSettings::jpgPictureFolder() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return QDir::toNativeSeparators(m_jpgPictureFolder);
}

QString TVK_Logic_FolderSettings::pictureExampleFileName() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return QDir::toNativeSeparators(m_pictureExampleFileName);
}

QString TVK_Logic_FolderSettings::pictureNewFileName() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_pictureNewFileName;
}

QString TVK_Logic_FolderSettings::pictureOrgFileName() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_pictureOrgFileName;
}

int TVK_Logic_FolderSettings::pictureNumber() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_pictureNumber;
}

bool TVK_Logic_FolderSettings::pictureExampleIsDng() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_pictureExampleIsDng;
}

template <typename T>
bool TVK_Logic_FolderSettings::store(T &member, const T &value)
{
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        if (member == value)
            return false;
        member = value;
        rebuildPictureExampleLocked();
    }
    Q_EMIT signalPictureExampleChanged();
    return true;
}

void TVK_Logic_FolderSettings::setDngPictureFolder(const QString &folder)
{
    store(m_dngPictureFolder, storedFolder(folder));
}

void TVK_Logic_FolderSettings::setJpgPictureFolder(const QString &folder)
{
    store(m_jpgPictureFolder, storedFolder(folder));
}

void TVK_Logic_FolderSettings::setPictureNewFileName(const QString &stem)
{
    TVK_METHOD(prefix);
    if (stem == pictureNewFileName())
        return;
    // The transfer thread puts the stem straight into the picture's path.
    const QString fault = TVK_Logic_FileNameStem::fault(stem);
    if (!fault.isEmpty()) {
        debugLog(kLELogAlways, "%s - the file name \"%s\" %s; keeping \"%s\"", prefix, qUtf8Printable(stem),
                 qUtf8Printable(fault), qUtf8Printable(pictureNewFileName()));
        return;
    }
    store(m_pictureNewFileName, stem);
}

void TVK_Logic_FolderSettings::setPictureNumber(int number)
{
    // A damaged settings file or a script may hand in a negative number; a
    // file name like "Picture-0005.JPG" would sort before every real picture.
    store(m_pictureNumber, qMax(number, kLowestPictureNumber));
}

void TVK_Logic_FolderSettings::setPictureExampleIsDng(bool isDng)
{
    store(m_pictureExampleIsDng, isDng);
}

void TVK_Logic_FolderSettings::setPictureOrgFileName(const QString &fileName)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_pictureOrgFileName = fileName;
}

void TVK_Logic_FolderSettings::incrementPictureNumber()
{
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        // The transfer thread stops advancing at 99999; the guard only keeps
        // a number set by hand from overflowing.
        if (m_pictureNumber < std::numeric_limits<int>::max())
            ++m_pictureNumber;
        rebuildPictureExampleLocked();
    }
    Q_EMIT signalPictureExampleChanged();
}

void TVK_Logic_FolderSettings::rebuildPictureExampleLocked()
{
    const QString &folder = m_pictureExampleIsDng ? m_dngPictureFolder : m_jpgPictureFolder;
    const QString number = QStringLiteral("%1").arg(m_pictureNumber, kPictureNumberDigits, 10, QLatin1Char('0'));
    const QLatin1String extension(m_pictureExampleIsDng ? ".DNG" : ".JPG");
    m_pictureExampleFileName = folder + QLatin1Char('/') + m_pictureNewFileName + number + extension;
}

void TVK_Logic_FolderSettings::rebuildPictureExample()
{
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        rebuildPictureExampleLocked();
    }
    Q_EMIT signalPictureExampleChanged();
}

void TVK_Logic_FolderSettings::load(const Record &record)
{
    TVK_METHOD(prefix);
    // 1. The folders as persisted.
    setDngPictureFolder(record.dngPictureFolder);
    setJpgPictureFolder(record.jpgPictureFolder);
    // 2. Stem and number. A stored stem that is no file name counts as none
    // and so becomes the default below.
    QString stem = record.pictureNewFileName;
    const QString fault = stem.isEmpty() ? QString() : TVK_Logic_FileNameStem::fault(stem);
    if (!fault.isEmpty()) {
        debugLog(kLELogAlways, "%s - the stored file name \"%s\" %s; using \"%s\"", prefix, qUtf8Printable(stem),
                 qUtf8Printable(fault), qUtf8Printable(defaultPictureFileName()));
        stem.clear();
    }
    store(m_pictureNewFileName, stem);
    setPictureNumber(record.pictureNumber);
    // 3. Nothing persisted yet: the pictures folder. Through the setters, so
    // that an example built from an empty folder in step 2 is built again.
    if (dngPictureFolder().isEmpty())
        setDngPictureFolder(defaultPictureFolder());
    if (jpgPictureFolder().isEmpty())
        setJpgPictureFolder(defaultPictureFolder());
    // 4. A picture always gets a stem.
    if (pictureNewFileName().isEmpty())
        setPictureNewFileName(defaultPictureFileName());
    // 5. When nothing above changed anything, there is no example yet.
    if (pictureExampleFileName().isEmpty())
        rebuildPictureExample();
    // 6. The values as loaded, for the log.
    if (debugLogEnabled(kLELogFolders))
        dump(QString::fromLatin1(prefix));
}

void TVK_Logic_FolderSettings::dump(const QString &title) const
{
    TVK_METHOD(prefix);
    const std::lock_guard<std::mutex> locker(m_mutex);
    debugLog(kLELogAlways, "%s for %s :", prefix, title.toUtf8().constData());
    debugLog(kLELogAlways, "%s - dngPictureFolder       = \"%s\"", prefix, m_dngPictureFolder.toUtf8().constData());
    debugLog(kLELogAlways, "%s - jpgPictureFolder       = \"%s\"", prefix, m_jpgPictureFolder.toUtf8().constData());
    debugLog(kLELogAlways, "%s - pictureOrgFileName     = \"%s\"", prefix,
             m_pictureOrgFileName.toUtf8().constData());
    debugLog(kLELogAlways, "%s - pictureNewFileName     = \"%s\"", prefix,
             m_pictureNewFileName.toUtf8().constData());
    debugLog(kLELogAlways, "%s - pictureExampleFileName = \"%s\"", prefix,
             m_pictureExampleFileName.toUtf8().constData());
    debugLog(kLELogAlways, "%s - pictureNumber          = %d", prefix, m_pictureNumber);
}
