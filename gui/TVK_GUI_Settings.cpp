#include "TVK_GUI_Settings.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_FolderSettings.h"

#include <QDir>
#include <QFileDevice>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLatin1Char>
#include <QLatin1String>
#include <QStandardPaths>
#include <QStringList>
#include <QUuid>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Keys, all below the root group; per-product keys below productKey().
const QLatin1String kRootGroup("/NorbaPellora");
const QLatin1String kKeyAlwaysOnTop("/NorbaPellora/AlwaysOnTop");
const QLatin1String kKeyAutoUpdates("/NorbaPellora/AutoUpdates");
const QLatin1String kKeyIsUnitFeet("/NorbaPellora/IsUnitFeet");
const QLatin1String kKeyLastProductId("/NorbaPellora/LastProductId");
const QLatin1String kKeyTcpServerEnabled("/NorbaPellora/TcpServerEnabled");
const QLatin1String kKeyTcpServerPort("/NorbaPellora/TcpServerPort");
const QLatin1String kKeyWlanCameraAddress("/NorbaPellora/WlanCameraAddress");
const QLatin1String kKeyWlanCameraGuid("/NorbaPellora/WlanCameraGuid");
const QLatin1String kKeyWlanCameraProductId("/NorbaPellora/WlanCameraProductId");
const QLatin1String kKeyIsMinimalControlGUI("IsMinimalControlGUI");
const QLatin1String kGroupFolderSettings("FolderSettings/");
const QLatin1String kKeyDngPictureFolder("DngPictureFolder");
const QLatin1String kKeyJpgPictureFolder("JpgPictureFolder");
const QLatin1String kKeyPictureFileName("PictureFileName");
const QLatin1String kKeyPictureNumber("PictureNumber");
const QLatin1String kGroupWindowPositions("WindowPositions/");

constexpr bool kDefaultAlwaysOnTop = true;
constexpr bool kDefaultAutoUpdates = false;
constexpr bool kDefaultIsUnitFeet = false;
constexpr int kDefaultLastProductId = 0;
constexpr bool kDefaultTcpServerEnabled = true;
constexpr int kDefaultTcpServerPort = 50505;
constexpr bool kDefaultIsMinimalControlGUI = false;
constexpr int kDefaultPictureNumber = 1;

const QLatin1String kFolderName("Norba Camera AG");
const QLatin1String kFileName("NorbaPellora3.xml");
const QLatin1String kBrokenSuffix(".broken");

// XML names cannot start with a digit, so numeric key components get this in
// front in the file.
const QLatin1String kArrayElementPrefix("arrayElement_");

// The program's own file is a few kilobytes, five elements deep, with keys of
// a few dozen characters. Every value's key is the path of the element names
// above it, so a broken file that nests deeply, or puts long names above many
// values, makes keys that grow with the square of its size: a few hundred
// kilobytes could take gigabytes and minutes. Such a file counts as unreadable;
// with these bounds even a hostile file stays within some tens of megabytes.
constexpr qint64 kMaxFileBytes = 256 * 1024;
constexpr int kMaxDepth = 16;
constexpr int kMaxKeyLength = 1024;

// Guards the instance pointer, the test path and everything the instance holds.
std::mutex g_mutex;
TVK_GUI_Settings *g_instance = nullptr;

QString &testFilePath()
{
    static QString path;
    return path;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// Element names the file can carry; anything else would make the whole file
// unreadable at the next start, so such a key is left out instead.
bool isSafeElementName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool letter = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                            || c == QLatin1Char('_');
        const bool other = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('.');
        if (!letter && (i == 0 || !other))
            return false;
    }
    return true;
}

// What lies at the settings path. Dot-file managers link the file into the
// configuration folder, so a link to a regular file is the file; anything
// else is neither read nor written: opening a FIFO blocks until a writer
// comes, reading a device may never end, and the atomic write would rename
// its XML over whatever the link names (a device node, for root) or create
// the target of a dangling link.
enum class PathKind { Missing, RegularFile, DanglingLink, NotAFile };

PathKind pathKind(const QString &path, QString *what)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat seen {};
    if (::lstat(native.constData(), &seen) != 0)
        return PathKind::Missing;
    const bool link = S_ISLNK(seen.st_mode);
    if (link && ::stat(native.constData(), &seen) != 0) {
        *what = QStringLiteral("a link to nothing (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return PathKind::DanglingLink;
    }
    if (!S_ISREG(seen.st_mode)) {
        const char *kind = S_ISDIR(seen.st_mode)    ? "a folder"
                           : S_ISFIFO(seen.st_mode) ? "a FIFO"
                           : S_ISSOCK(seen.st_mode) ? "a socket"
                           : S_ISCHR(seen.st_mode)  ? "a character device"
                           : S_ISBLK(seen.st_mode)  ? "a block device"
                                                    : "no regular file";
        *what = QString::fromLatin1(kind) + (link ? QStringLiteral(" behind a link") : QString());
        return PathKind::NotAFile;
    }
    // What was looked at must be what is opened: O_NONBLOCK keeps a FIFO
    // swapped in meanwhile from holding up the start.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return PathKind::RegularFile; // unreadable: QSettings reports it as before
    struct stat opened {};
    const bool same = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == seen.st_dev
                      && opened.st_ino == seen.st_ino;
    ::close(fd);
    if (!same) {
        *what = QStringLiteral("a file that changed while it was checked");
        return PathKind::NotAFile;
    }
    return PathKind::RegularFile;
}

// The errno behind the last failed write of the format in this thread: QSettings
// only tells an access error, which would leave a full disk unnamed.
int &lastWriteErrno()
{
    thread_local int error = 0;
    return error;
}

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

QString elementName(const QString &component)
{
    bool isNumber = false;
    component.toInt(&isNumber);
    return isNumber ? kArrayElementPrefix + component : component;
}

} // namespace

// --- The "xml" format ---------------------------------------------------------------------------

QSettings::Format TVK_GUI_Settings::registerXmlFormat()
{
    TVK_METHOD(prefix);
    // Key case matters: "x" and "X" would otherwise be one key.
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("xml"), &TVK_GUI_Settings::readXmlFile, &TVK_GUI_Settings::writeXmlFile,
                                  Qt::CaseSensitive);
    if (format == QSettings::InvalidFormat)
        debugLog(kLELogAlways, "%s - the xml settings format could not be registered", prefix);
    return format;
}

bool TVK_GUI_Settings::readXmlFile(QIODevice &device, QSettings::SettingsMap &map)
{
    TVK_METHOD(prefix);
    const QFile *file = qobject_cast<const QFile *>(&device);
    const QByteArray source = file != nullptr ? file->fileName().toUtf8() : QByteArrayLiteral("settings data");
    if (device.size() > kMaxFileBytes) {
        debugLog(kLELogAlways, "%s - %s has %lld bytes, more than a settings file can have (%lld)", prefix,
                 source.constData(), static_cast<long long>(device.size()), static_cast<long long>(kMaxFileBytes));
        return false;
    }
    QXmlStreamReader reader(&device);
    QStringList names;
    int keyLength = 0; // of names joined by '/'
    QSettings::SettingsMap values;
    bool anyElement = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            anyElement = true;
            QString name = reader.name().toString();
            if (name.startsWith(kArrayElementPrefix))
                name.remove(0, kArrayElementPrefix.size());
            keyLength += name.size() + (names.isEmpty() ? 0 : 1);
            names.append(name);
            if (names.size() > kMaxDepth || keyLength > kMaxKeyLength) {
                debugLog(kLELogAlways, "%s - %s nests deeper than %d elements or has a key longer than %d characters",
                         prefix, source.constData(), kMaxDepth, kMaxKeyLength);
                return false;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!names.isEmpty()) {
                keyLength -= names.last().size() + (names.size() > 1 ? 1 : 0);
                names.removeLast();
            }
            break;
        case QXmlStreamReader::Characters:
            // Whitespace is the writer's indentation, never a value.
            if (!reader.isWhitespace() && !names.isEmpty())
                values.insert(names.join(QLatin1Char('/')), reader.text().toString());
            break;
        default:
            // Attributes, comments, processing instructions: not ours.
            break;
        }
    }
    // The writer gives a map without keys as a declaration and no element,
    // which XML calls premature; it is this format's empty file.
    const bool emptyFile = !anyElement && reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    if (reader.hasError() && !emptyFile) {
        debugLog(kLELogAlways, "%s - %s is not well-formed XML (line %lld, column %lld): %s", prefix,
                 source.constData(),
                 static_cast<long long>(reader.lineNumber()), static_cast<long long>(reader.columnNumber()),
                 qUtf8Printable(reader.errorString()));
        // Values read before the error are not trusted: a half-read file
        // counts as no file.
        return false;
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        map.insert(it.key(), it.value());
    return true;
}

bool TVK_GUI_Settings::writeXmlFile(QIODevice &device, const QSettings::SettingsMap &map)
{
    TVK_METHOD(prefix);
    lastWriteErrno() = 0;
    // Built in memory and handed over in one piece, so that the errno of a
    // failed write is still the write's when it is looked at.
    QByteArray document;
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    // The map is sorted, so all keys below one group follow each other: each
    // key keeps open the elements it shares with the one before.
    QStringList open;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const QStringList components = it.key().split(QLatin1Char('/'));
        QStringList names;
        for (const QString &component : components)
            names.append(elementName(component));
        bool safe = true;
        for (const QString &name : qAsConst(names))
            safe = safe && isSafeElementName(name);
        if (!safe) {
            debugLog(kLELogAlways, "%s - key \"%s\" cannot be an XML element path; not written", prefix,
                     qUtf8Printable(it.key()));
            continue;
        }
        int shared = 0;
        while (shared < open.size() && shared < names.size() && open.at(shared) == names.at(shared))
            ++shared;
        for (int i = open.size(); i > shared; --i)
            writer.writeEndElement();
        for (int i = shared; i < names.size(); ++i)
            writer.writeStartElement(names.at(i));
        writer.writeCharacters(it.value().toString());
        open = names;
    }
    writer.writeEndDocument();
    if (writer.hasError()) {
        debugLog(kLELogAlways, "%s - writing the settings failed", prefix);
        return false;
    }
    errno = 0;
    if (device.write(document) != document.size()) {
        lastWriteErrno() = errno;
        debugLog(kLELogAlways, "%s - writing the settings failed: %s", prefix, qUtf8Printable(device.errorString()));
        return false;
    }
    // The file device buffers, and an error while the buffer is flushed at
    // commit would go unnoticed: the temporary would replace the old file with
    // what little fit on the disk. So the buffer is flushed and the data
    // forced to disk here, where a failure still stops the commit.
    QFileDevice *file = qobject_cast<QFileDevice *>(&device);
    if (file != nullptr && file->handle() >= 0) {
        errno = 0;
        if (!file->flush() || ::fsync(file->handle()) != 0) {
            lastWriteErrno() = errno;
            debugLog(kLELogAlways, "%s - writing \"%s\" failed: %s", prefix, qUtf8Printable(file->fileName()),
                     qUtf8Printable(file->errorString()));
            return false;
        }
    }
    return true;
}

// --- The instance -------------------------------------------------------------------------------

TVK_GUI_Settings *TVK_GUI_Settings::instance()
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    if (g_instance == nullptr)
        g_instance = new TVK_GUI_Settings(testFilePath().isEmpty() ? defaultFilePath() : testFilePath());
    return g_instance;
}

bool TVK_GUI_Settings::exists()
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return g_instance != nullptr;
}

void TVK_GUI_Settings::destroyInstance()
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    delete g_instance;
    g_instance = nullptr;
}

QString TVK_GUI_Settings::defaultFilePath()
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    path += QLatin1Char('/') + kFolderName;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + kFileName;
}

void TVK_GUI_Settings::setFilePathForTesting(const QString &path)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    testFilePath() = path;
}

TVK_GUI_Settings::TVK_GUI_Settings(const QString &filePath)
    : m_filePath(filePath)
{
    TVK_METHOD(prefix);
    debugLog(kLELogAlways, "%s - settings file \"%s\"", prefix, qUtf8Printable(m_filePath));
    // Without a settings object every value reads as its default.
    if (!fileIsUsable())
        return;
    m_settings = openSettings();
    if (m_settings->status() == QSettings::FormatError)
        keepBrokenFile();
}

TVK_GUI_Settings::~TVK_GUI_Settings()
{
    syncLocked();
}

// Atomic writing. The registered format only writes into the device QSettings
// hands it; with atomic sync required, QSettings makes that device a QSaveFile
// on a new temporary file in the same folder and renames it over the old file
// only when the format reports success. The format reports success only after
// the whole document is written, flushed and forced to disk (fsync) without
// error. A crash while writing leaves the old file plus a stray temporary; a
// full disk or any write error discards the temporary. The file therefore
// always holds either the old or the new settings, never a part of them. When
// an atomic write is impossible (no writable folder), QSettings refuses and
// reports an access error instead of falling back to writing in place.
std::unique_ptr<QSettings> TVK_GUI_Settings::openSettings() const
{
    auto settings = std::make_unique<QSettings>(m_filePath, registerXmlFormat());
    settings->setAtomicSyncRequired(true);
    return settings;
}

// An unreadable file is moved aside before anything can write over it, so the
// user keeps it for repair. A rename in the same folder needs no room on disk
// and cannot leave half a copy. When it fails, writing the file (which also
// needs a writable folder and name) would fail or destroy the only copy, so
// nothing is stored in this run.
void TVK_GUI_Settings::keepBrokenFile()
{
    TVK_METHOD(prefix);
    const QString brokenPath = m_filePath + kBrokenSuffix;
    if (QFileInfo::exists(brokenPath))
        QFile::remove(brokenPath);
    // The old object must not write while its file moves.
    m_settings.reset();
    if (QFile::rename(m_filePath, brokenPath)) {
        debugLog(kLELogAlways, "%s - settings file \"%s\" is unreadable; moved to \"%s\", using defaults", prefix,
                 qUtf8Printable(m_filePath), qUtf8Printable(brokenPath));
    } else {
        m_mayWrite = false;
        debugLog(kLELogAlways,
                 "%s - settings file \"%s\" is unreadable and could not be kept as \"%s\"; using defaults and leaving "
                 "the file untouched, settings of this run are not saved",
                 prefix, qUtf8Printable(m_filePath), qUtf8Printable(brokenPath));
    }
    // Reopened so that the old read error does not stick to later writes.
    m_settings = openSettings();
}

bool TVK_GUI_Settings::fileIsUsable()
{
    TVK_METHOD(prefix);
    QString what;
    const PathKind kind = pathKind(m_filePath, &what);
    if (kind == PathKind::Missing || kind == PathKind::RegularFile)
        return true;
    m_mayWrite = false;
    debugLog(kLELogAlways, "%s - settings file \"%s\" is %s; using defaults, %s", prefix, qUtf8Printable(m_filePath),
             qUtf8Printable(what),
             kind == PathKind::DanglingLink ? "nothing is written through the link and its target is not made"
                                            : "it is neither read nor written");
    return false;
}

bool TVK_GUI_Settings::sync()
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return syncLocked();
}

bool TVK_GUI_Settings::syncLocked()
{
    TVK_METHOD(prefix);
    if (!m_mayWrite || !fileIsUsable())
        return false;
    // A failed automatic write leaves its error in the status for good; start
    // afresh so that this write reports its own result.
    if (m_settings->status() != QSettings::NoError)
        reopenKeepingValues();
    if (m_changed && !QFileInfo::exists(m_filePath)) {
        const QString folder = QFileInfo(m_filePath).absolutePath();
        if (!QDir().mkpath(folder))
            debugLog(kLELogAlways, "%s - cannot create folder \"%s\"", prefix, qUtf8Printable(folder));
    }
    lastWriteErrno() = 0;
    m_settings->sync();
    const QSettings::Status status = m_settings->status();
    if (status == QSettings::NoError) {
        m_changed = false;
        return true;
    }
    debugLog(kLELogAlways, "%s - cannot write settings file \"%s\" (%s); the file on disk is unchanged", prefix,
             qUtf8Printable(m_filePath),
             isDiskFull(lastWriteErrno())        ? "disk full"
             : status == QSettings::AccessError ? "access error"
                                                : "format error");
    reopenKeepingValues();
    return false;
}

// A new QSettings object, holding every value of the old one (pending ones
// included, so they are written at the next attempt) but not its error status.
void TVK_GUI_Settings::reopenKeepingValues()
{
    QSettings::SettingsMap values;
    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys)
        values.insert(key, m_settings->value(key));
    m_settings.reset();
    m_settings = openSettings();
    if (m_settings->status() == QSettings::FormatError) {
        keepBrokenFile();
        if (!m_mayWrite)
            return;
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        m_settings->setValue(it.key(), it.value());
}

QString TVK_GUI_Settings::filePath() const
{
    return m_filePath;
}

// --- Values -------------------------------------------------------------------------------------

QString TVK_GUI_Settings::productKey(const QString &name) const
{
    return kRootGroup + QStringLiteral("/ProductId%1/").arg(m_productId) + name;
}

QString TVK_GUI_Settings::textValue(const QString &key, bool *present) const
{
    const QVariant value = m_settings ? m_settings->value(key) : QVariant();
    *present = value.isValid();
    return value.toString();
}

bool TVK_GUI_Settings::boolValue(const QString &key, bool defaultValue) const
{
    TVK_METHOD(prefix);
    bool present = false;
    const QString text = textValue(key, &present).trimmed();
    if (!present)
        return defaultValue;
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    debugLog(kLELogAlways, "%s - \"%s\" holds \"%s\", not true or false; using %s", prefix, qUtf8Printable(key),
             qUtf8Printable(text), defaultValue ? "true" : "false");
    return defaultValue;
}

int TVK_GUI_Settings::intValue(const QString &key, int defaultValue, bool *ok) const
{
    TVK_METHOD(prefix);
    bool present = false;
    const QString text = textValue(key, &present);
    bool converted = false;
    const int value = present ? text.toInt(&converted) : 0;
    if (ok != nullptr)
        *ok = converted;
    if (converted)
        return value;
    if (present)
        debugLog(kLELogAlways, "%s - \"%s\" holds \"%s\", not a number; using %d", prefix, qUtf8Printable(key),
                 qUtf8Printable(text), defaultValue);
    return defaultValue;
}

void TVK_GUI_Settings::storeText(const QString &key, const QString &text)
{
    if (!m_mayWrite)
        return;
    m_settings->setValue(key, text);
    m_changed = true;
}

bool TVK_GUI_Settings::alwaysOnTop() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return boolValue(kKeyAlwaysOnTop, kDefaultAlwaysOnTop);
}

void TVK_GUI_Settings::setAlwaysOnTop(bool on)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyAlwaysOnTop, boolText(on));
}

bool TVK_GUI_Settings::autoUpdates() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return boolValue(kKeyAutoUpdates, kDefaultAutoUpdates);
}

void TVK_GUI_Settings::setAutoUpdates(bool on)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyAutoUpdates, boolText(on));
}

bool TVK_GUI_Settings::isUnitFeet() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return boolValue(kKeyIsUnitFeet, kDefaultIsUnitFeet);
}

void TVK_GUI_Settings::setIsUnitFeet(bool feet)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyIsUnitFeet, boolText(feet));
}

bool TVK_GUI_Settings::tcpServerEnabled() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return boolValue(kKeyTcpServerEnabled, kDefaultTcpServerEnabled);
}

void TVK_GUI_Settings::setTcpServerEnabled(bool on)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyTcpServerEnabled, boolText(on));
}

int TVK_GUI_Settings::tcpServerPort() const
{
    TVK_METHOD(prefix);
    const std::lock_guard<std::mutex> locker(g_mutex);
    bool ok = false;
    const int port = intValue(kKeyTcpServerPort, kDefaultTcpServerPort, &ok);
    if (ok && (port < 1 || port > 65535)) {
        debugLog(kLELogAlways, "%s - \"%s\" holds %d, not a port; using %d", prefix,
                 qUtf8Printable(QString(kKeyTcpServerPort)), port, kDefaultTcpServerPort);
        return kDefaultTcpServerPort;
    }
    return port;
}

void TVK_GUI_Settings::setTcpServerPort(int port)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyTcpServerPort, QString::number(port));
}

QString TVK_GUI_Settings::wlanCameraAddress() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    bool present = false;
    return textValue(kKeyWlanCameraAddress, &present).trimmed();
}

void TVK_GUI_Settings::setWlanCameraAddress(const QString &address)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(kKeyWlanCameraAddress, address.trimmed());
}

int TVK_GUI_Settings::wlanCameraProductId() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    bool present = false;
    const QString text = textValue(kKeyWlanCameraProductId, &present).trimmed();
    if (!present || text.isEmpty())
        return 0;
    // Written as lsusb shows product ids: hexadecimal, with or without 0x.
    bool ok = false;
    const int productId = text.toInt(&ok, 16);
    if (!ok || productId <= 0 || productId > 0xFFFF) {
        debugLog(kLELogAlways, "TVK_GUI_Settings::wlanCameraProductId() - \"%s\" holds \"%s\", not a product id; "
                               "using the model name",
                 qUtf8Printable(QString(kKeyWlanCameraProductId)), qUtf8Printable(text));
        return 0;
    }
    return productId;
}

QByteArray TVK_GUI_Settings::wlanCameraGuid()
{
    TVK_METHOD(prefix);
    const std::lock_guard<std::mutex> locker(g_mutex);
    bool present = false;
    const QString text = textValue(kKeyWlanCameraGuid, &present).trimmed();
    const QUuid stored(text);
    if (present && !stored.isNull())
        return stored.toRfc4122();
    if (present)
        debugLog(kLELogAlways, "%s - \"%s\" holds \"%s\", not a GUID; making a new one", prefix,
                 qUtf8Printable(QString(kKeyWlanCameraGuid)), qUtf8Printable(text));
    // A camera that pairs with one computer knows it by this GUID: made once,
    // then kept.
    const QUuid made = QUuid::createUuid();
    storeText(kKeyWlanCameraGuid, made.toString());
    return made.toRfc4122();
}

int TVK_GUI_Settings::lastProductId() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return intValue(kKeyLastProductId, kDefaultLastProductId);
}

void TVK_GUI_Settings::setLastProductId(int productId)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    m_productId = productId;
    storeText(kKeyLastProductId, QString::number(productId));
}

int TVK_GUI_Settings::productId() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return m_productId;
}

bool TVK_GUI_Settings::isMinimalControlGUI() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return boolValue(productKey(kKeyIsMinimalControlGUI), kDefaultIsMinimalControlGUI);
}

void TVK_GUI_Settings::setIsMinimalControlGUI(bool minimal)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    storeText(productKey(kKeyIsMinimalControlGUI), boolText(minimal));
}

QMap<QString, QString> TVK_GUI_Settings::productGroup(const QString &group) const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    QMap<QString, QString> texts;
    if (!m_settings)
        return texts;
    const QString prefix = productKey(group);
    // QSettings gives its keys without the leading slash ours carry.
    for (const QString &key : m_settings->allKeys()) {
        const QString full = key.startsWith(QLatin1Char('/')) ? key : QLatin1Char('/') + key;
        if (full.startsWith(prefix) && full.size() > prefix.size())
            texts.insert(full.mid(prefix.size()), m_settings->value(key).toString());
    }
    return texts;
}

void TVK_GUI_Settings::setProductGroup(const QString &group, const QMap<QString, QString> &texts)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    const QString prefix = productKey(group);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        storeText(prefix + it.key(), it.value());
}

void TVK_GUI_Settings::loadFolderSettings(TVK_Logic_FolderSettings *folderSettings) const
{
    TVK_METHOD(prefix);
    if (folderSettings == nullptr) {
        debugLog(kLELogAlways, "%s - no folder settings", prefix);
        return;
    }
    TVK_Logic_FolderSettings::Record record;
    {
        const std::lock_guard<std::mutex> locker(g_mutex);
        const QString group = productKey(kGroupFolderSettings);
        bool present = false;
        record.dngPictureFolder = textValue(group + kKeyDngPictureFolder, &present);
        record.jpgPictureFolder = textValue(group + kKeyJpgPictureFolder, &present);
        record.pictureNewFileName = textValue(group + kKeyPictureFileName, &present);
        record.pictureNumber = intValue(group + kKeyPictureNumber, kDefaultPictureNumber);
    }
    // Outside the lock: loading emits signals whose receivers may read settings.
    folderSettings->load(record);
}

void TVK_GUI_Settings::saveFolderSettings(const TVK_Logic_FolderSettings *folderSettings)
{
    TVK_METHOD(prefix);
    if (folderSettings == nullptr) {
        debugLog(kLELogAlways, "%s - no folder settings", prefix);
        return;
    }
    const QString dng = folderSettings->dngPictureFolder();
    const QString jpg = folderSettings->jpgPictureFolder();
    const QString stem = folderSettings->pictureNewFileName();
    const int number = folderSettings->pictureNumber();
    const std::lock_guard<std::mutex> locker(g_mutex);
    const QString group = productKey(kGroupFolderSettings);
    storeText(group + kKeyDngPictureFolder, dng);
    storeText(group + kKeyJpgPictureFolder, jpg);
    storeText(group + kKeyPictureFileName, stem);
    storeText(group + kKeyPictureNumber, QString::number(number));
}

bool TVK_GUI_Settings::windowPosition(const QString &objectName, QRect *rect) const
{
    TVK_METHOD(prefix);
    const std::lock_guard<std::mutex> locker(g_mutex);
    const QString group = productKey(kGroupWindowPositions + objectName + QLatin1Char('/'));
    const int x = intValue(group + QLatin1Char('x'), 0);
    const int y = intValue(group + QLatin1Char('y'), 0);
    const int w = intValue(group + QLatin1Char('w'), 0);
    // Whether the window is restored depends on the last value read.
    bool found = false;
    const int h = intValue(group + QLatin1Char('h'), 0, &found);
    if (!found)
        return false;
    const qint64 right = qint64(x) + w - 1;
    const qint64 bottom = qint64(y) + h - 1;
    constexpr qint64 kMin = std::numeric_limits<int>::min();
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    if (right < kMin || right > kMax || bottom < kMin || bottom > kMax) {
        debugLog(kLELogAlways, "%s - position of %s out of range (%d, %d, %d, %d)", prefix, qUtf8Printable(objectName),
                 x, y, w, h);
        return false;
    }
    if (rect != nullptr)
        *rect = QRect(QPoint(x, y), QPoint(int(right), int(bottom)));
    return true;
}

void TVK_GUI_Settings::saveWindowPosition(const QString &objectName, const QRect &rect)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    const QString group = productKey(kGroupWindowPositions + objectName + QLatin1Char('/'));
    storeText(group + QLatin1Char('x'), QString::number(rect.left()));
    storeText(group + QLatin1Char('y'), QString::number(rect.top()));
    // In 64 bits: a degenerate rectangle must not overflow here.
    storeText(group + QLatin1Char('w'), QString::number(qint64(rect.right()) - rect.left() + 1));
    storeText(group + QLatin1Char('h'), QString::number(qint64(rect.bottom()) - rect.top() + 1));
}
