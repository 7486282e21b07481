#include "TVK_Logic_PictureReader.h"

#include "TVK_Commu_CameraAccess_Base.h"
#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_Logic_Camera.h"
#include "TVK_Logic_ObjectInfo.h"
#include "TVK_Logic_TiffTagScanner.h"
#include "TVK_Logic_TransferThread.h"

#include <mutex>

namespace {

// EXIF/JPEG; 0x3802 (TIFF/EP) is how the cameras describe their DNG files.
constexpr quint16 kObjectFormatJpeg = 0x3801;

// Sharing reads stay in pieces a transfer can always hold.
constexpr quint32 kSharingPieceBytes = 6000000;
constexpr quint32 kSharingMinBytes = 501;
constexpr quint32 kSharingMaxBytes = 199999999;
constexpr unsigned kPictureHeadBytes = 1024;

// Marks the camera's transfer as running (the property refresh waits) and
// holds its access lock while the user interface reads a picture.
class PictureRead
{
public:
    explicit PictureRead(TVK_Logic_Camera &camera) : m_camera(camera), m_locker(camera.accessLock())
    {
        m_camera.setTransferInProgress(true);
        m_camera.setPictureReadBusy(true);
    }
    ~PictureRead()
    {
        m_camera.setPictureReadBusy(false);
        m_camera.setTransferInProgress(false);
    }
    PictureRead(const PictureRead &) = delete;
    PictureRead &operator=(const PictureRead &) = delete;

private:
    TVK_Logic_Camera &m_camera;
    const std::lock_guard<std::mutex> m_locker;
};

int rotationOfOrientation(int orientation)
{
    return orientation == 3 ? 180 : orientation == 6 ? 90 : orientation == 8 ? 270 : 0;
}

} // namespace

TVK_Logic_PictureReader::TVK_Logic_PictureReader(TVK_Logic_Camera &camera, TVK_Commu_CameraAccess_Base &access)
    : m_camera(camera), m_access(access)
{
}

int TVK_Logic_PictureReader::sizeClass(const QByteArray &head) const
{
    using Traits = TVK_Commu_ProductTraits;
    const Traits::eLESizeClass rule = Traits::of(m_camera.productId()).sizeClass;
    if (rule == Traits::kLESizeClassFixed2)
        return 2;
    if (rule != Traits::kLESizeClassFromWidth)
        return 0;
    const int width = TVK_Logic_TiffTagScanner::valueOf(head, TVK_Logic_TiffTagScanner::kTagPixelXDimension);
    if (width > 5000)
        return 2;
    return width > 3500 ? 1 : 0;
}

bool TVK_Logic_PictureReader::readThumbnail(const char *prefix, unsigned handle, bool isBig, Thumbnail *thumbnail)
{
    const int index = m_camera.imageIndexOfHandle(handle);
    if (index < 0) {
        debugLog(kLELogAlways, "%s - no picture 0x%08X in the image list", prefix, handle);
        return false;
    }
    const int kind = isBig ? 1 : 0;
    QByteArray bytes;
    {
        PictureRead read(m_camera);
        m_camera.setImageThirdValue(index, 0);
        if (m_camera.imageRotation(index) == 360) {
            QByteArray head(int(kPictureHeadBytes), '\0');
            if (m_access.getObject(head.data(), kPictureHeadBytes, handle)) {
                m_camera.setImageRotation(index, rotationOfOrientation(TVK_Logic_TransferThread::exifOrientation(head)));
                m_camera.setImageSizeClass(index, sizeClass(head));
            } else {
                debugLog(kLELogAlways, "%s - start of picture 0x%08X not read", prefix, handle);
            }
        }
        TVK_Logic_ObjectInfo info;
        if (!info.recvFromCamera(&m_access, handle, kind)) {
            debugLog(kLELogAlways, "%s - object information of 0x%08X not read", prefix, handle);
            return false;
        }
        thumbnail->fileName = info.filename();
        const quint32 size = info.thumbCompressedSize();
        if (size > 0 && size <= kSharingPieceBytes) {
            bytes.resize(int(size));
            if (!m_access.getThumbnail(bytes.data(), size, kind, handle))
                bytes.clear();
        }
    }
    if (bytes.isEmpty()) {
        debugLog(kLELogAlways, "%s - no thumbnail for 0x%08X", prefix, handle);
        return false;
    }
    thumbnail->bytes = bytes;
    return true;
}

std::unique_ptr<QByteArray> TVK_Logic_PictureReader::readForSharing(const char *prefix, int index, bool fullRes,
                                                                    bool forceDNG, bool *complete)
{
    *complete = false;
    const quint32 handle = m_camera.imageHandleAt(index);
    std::unique_ptr<QByteArray> data;
    PictureRead read(m_camera);
    TVK_Logic_ObjectInfo info;
    if (handle == 0 || !info.recvFromCamera(&m_access, handle)) {
        debugLog(kLELogAlways, "%s - object information of picture %d not read", prefix, index);
        return data;
    }
    const quint32 size = info.objectCompressedSize();
    const bool jpeg = info.objectFormat() == kObjectFormatJpeg;
    if (size < kSharingMinBytes || size > kSharingMaxBytes) {
        debugLog(kLELogAlways, "%s - picture %d has an unusable size of %u bytes", prefix, index, size);
        return data;
    }
    if ((fullRes && !jpeg && !forceDNG) || (!fullRes && (!jpeg || !forceDNG))) {
        const int kind = fullRes ? 2 : 1;
        const quint32 thumbSize = info.thumbCompressedSize() > 0 ? info.thumbCompressedSize() : size;
        data.reset(new QByteArray(int(qMin(thumbSize, kSharingPieceBytes)), '\0'));
        if (!m_access.getThumbnail(data->data(), unsigned(data->size()), kind, handle)) {
            data.reset();
        } else if (kind == 1) {
            const QByteArray start = data->left(100);
            if (start.count('\0') == start.size())
                debugLog(kLELogTransfer, "--- corrupt (nulled) image transfered for image %d", index);
        }
        return data;
    }
    data.reset(new QByteArray(int(size), '\0'));
    quint32 done = 0;
    const bool ok = readWhole(handle, size, data.get(), &done);
    if (!ok) {
        // What arrived is still handed on, marked as incomplete.
        debugLog(kLELogAlways, "%s - picture %d read only up to byte %u of %u", prefix, index, done, size);
        data->resize(int(done));
        if (done == 0)
            data.reset();
    }
    *complete = ok && jpeg;
    return data;
}

bool TVK_Logic_PictureReader::readWhole(quint32 handle, quint32 size, QByteArray *data, quint32 *done)
{
    // Counted by what the camera sent: a data phase that ended early succeeds
    // as a transaction but leaves zeros behind.
    quint64 received = 0;
    if (size <= kSharingPieceBytes) {
        const bool ok = m_access.getObject(data->data(), size, handle, &received);
        *done = ok ? quint32(qMin<quint64>(received, size)) : 0;
        return ok && received == size;
    }
    bool ok = true;
    while (ok && *done < size) {
        const quint32 piece = qMin(kSharingPieceBytes, size - *done);
        ok = m_access.getPartialObject(data->data() + *done, piece, *done, handle, &received);
        if (ok)
            *done += quint32(qMin<quint64>(received, piece));
        ok = ok && received == piece;
    }
    return ok;
}
