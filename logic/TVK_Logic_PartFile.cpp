#include "TVK_Logic_PartFile.h"

#include "TVK_Debug_Log.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TVK_Logic_PartFile", text);
}

} // namespace

TVK_Logic_PartFile::TVK_Logic_PartFile(const QString &partPath)
    : m_path(partPath)
{
}

TVK_Logic_PartFile::~TVK_Logic_PartFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_released)
        discard();
}

bool TVK_Logic_PartFile::create()
{
    TVK_METHOD(prefix);
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_error = qt_error_string(errno);
        debugLog(kLELogAlways, "%s - Error! Cannot create %s: %s", prefix, name.constData(), qUtf8Printable(m_error));
        return false;
    }
    return true;
}

void TVK_Logic_PartFile::setDigesting(bool digesting)
{
    m_hash.reset(digesting ? new QCryptographicHash(QCryptographicHash::Sha256) : nullptr);
}

bool TVK_Logic_PartFile::restart()
{
    TVK_METHOD(prefix);
    if (m_fd < 0 || ::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_error = m_fd < 0 ? tr("the file is closed") : qt_error_string(errno);
        debugLog(kLELogAlways, "%s - Error! Cannot empty %s: %s", prefix, qUtf8Printable(m_path),
                 qUtf8Printable(m_error));
        return false;
    }
    m_refused = false;
    m_complete = false;
    m_total = 0;
    m_written = 0;
    m_head.clear();
    if (m_hash)
        m_hash->reset();
    return true;
}

bool TVK_Logic_PartFile::begin(quint64 total)
{
    TVK_METHOD(prefix);
    m_total = total;
    m_complete = false;
    if (m_fd < 0)
        return refuse(tr("the file is closed"));
    struct statvfs disk {};
    if (total != kUnknownTotal && ::fstatvfs(m_fd, &disk) == 0) {
        const quint64 available = quint64(disk.f_bavail) * quint64(disk.f_frsize);
        if (available < total + kSpareBytes) {
            debugLog(kLELogAlways, "%s - Error! %llu bytes do not fit on the disk of %s (%llu free)", prefix,
                     static_cast<unsigned long long>(total), qUtf8Printable(m_path),
                     static_cast<unsigned long long>(available));
            return refuse(tr("the disk has %1 MB free, the picture needs %2 MB")
                              .arg(available / 1000000)
                              .arg((total + kSpareBytes) / 1000000));
        }
    }
    return true;
}

bool TVK_Logic_PartFile::write(const unsigned char *bytes, size_t size)
{
    TVK_METHOD(prefix);
    for (size_t done = 0; done < size;) {
        const ssize_t put = ::write(m_fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // A write of nothing means the file may not grow (a size limit).
            const QString reason = put < 0 ? qt_error_string(errno) : tr("the disk took no more bytes");
            debugLog(kLELogAlways, "%s - Error! Writing %s stopped after %llu bytes: %s", prefix,
                     qUtf8Printable(m_path), static_cast<unsigned long long>(m_written + done),
                     qUtf8Printable(reason));
            return refuse(reason);
        }
        done += size_t(put);
    }
    if (m_head.size() < kHeadBytes)
        m_head.append(reinterpret_cast<const char *>(bytes), int(qMin<size_t>(size, size_t(kHeadBytes - m_head.size()))));
    if (m_hash)
        m_hash->addData(reinterpret_cast<const char *>(bytes), int(size));
    m_written += size;
    if (m_progress)
        m_progress(m_written, m_total);
    return true;
}

void TVK_Logic_PartFile::end(eLEEnd how)
{
    m_complete = how == kLEComplete && !m_refused;
}

bool TVK_Logic_PartFile::finish()
{
    TVK_METHOD(prefix);
    if (m_fd < 0)
        return false;
    // The name goes to the file only once its bytes are on the disk: a crash
    // or a pulled card after the link must not leave a picture of zeros.
    const bool synced = ::fsync(m_fd) == 0;
    if (!synced)
        m_error = qt_error_string(errno);
    const bool closed = ::close(m_fd) == 0;
    if (!closed && synced)
        m_error = qt_error_string(errno);
    m_fd = -1;
    if (!synced || !closed) {
        debugLog(kLELogAlways, "%s - Error! Cannot complete %s: %s", prefix, qUtf8Printable(m_path),
                 qUtf8Printable(m_error));
        m_refused = true;
        return false;
    }
    return m_complete;
}

void TVK_Logic_PartFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    ::unlink(QFile::encodeName(m_path).constData());
}

QByteArray TVK_Logic_PartFile::digest() const
{
    return m_hash ? m_hash->result() : QByteArray();
}

bool TVK_Logic_PartFile::refuse(const QString &error)
{
    m_refused = true;
    m_error = error;
    return false;
}
