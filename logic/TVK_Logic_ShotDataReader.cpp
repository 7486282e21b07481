#include "TVK_Logic_ShotDataReader.h"

#include "TVK_Debug_Log.h"

#include <QFile>
#include <QFileInfo>

// Exiv2 0.27 hands its images over in std::auto_ptr, deprecated in C++17;
// the type is only ever deduced here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <exception>
#include <limits>
#include <mutex>
#include <string>

namespace {

constexpr int kAnyPreview = 0;

// Exiv2 writes its warnings to stderr unless told otherwise: a damaged file
// would then print lines no one reads, and no line in our log. Its own
// messages go to the log, below warnings muted.
void exiv2Message(int level, const char *message)
{
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    debugLog(kLELogQuickView, "Exiv2 %s: %s", level >= Exiv2::LogMsg::error ? "error" : "warning", text.c_str());
}

void setUpExiv2()
{
    static std::once_flag once;
    std::call_once(once, []() {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(exiv2Message);
        // Not thread-safe on first use otherwise.
        Exiv2::XmpParser::initialize();
    });
}

// Exif tags by number in their IFD, so that the names Exiv2 gives them
// (which changed between versions) do not matter.
constexpr quint16 kTagMake = 0x010F;
constexpr quint16 kTagModel = 0x0110;
constexpr quint16 kTagDateTime = 0x0132;
constexpr quint16 kTagExposureTime = 0x829A;
constexpr quint16 kTagFNumber = 0x829D;
constexpr quint16 kTagPhotographicSensitivity = 0x8827;
constexpr quint16 kTagIsoSpeed = 0x8833;
constexpr quint16 kTagDateTimeOriginal = 0x9003;
constexpr quint16 kTagExposureBiasValue = 0x9204;
constexpr quint16 kTagFocalLength = 0x920A;
constexpr quint16 kTagLensModel = 0xA434;
const char kGroupImage[] = "Image";
const char kGroupPhoto[] = "Photo";

// PhotographicSensitivity saturates here; the real value is then ISOSpeed.
constexpr long kSaturatedSensitivity = 65535;

const Exiv2::Exifdatum *find(const Exiv2::ExifData &exif, quint16 tag, const char *group)
{
    const auto found = exif.findKey(Exiv2::ExifKey(tag, group));
    if (found == exif.end() || found->count() == 0)
        return nullptr;
    return &*found;
}

long integerOf(const Exiv2::Exifdatum &datum)
{
#if EXIV2_TEST_VERSION(0, 28, 0)
    return long(datum.toInt64());
#else
    return datum.toLong();
#endif
}

QString textOf(const Exiv2::ExifData &exif, quint16 tag, const char *group)
{
    const Exiv2::Exifdatum *datum = find(exif, tag, group);
    if (datum == nullptr)
        return QString();
    // Exif text is ASCII; what a camera pads with goes.
    return QString::fromLatin1(datum->toString().c_str()).trimmed();
}

// A RATIONAL as a positive number; 0 for a missing or meaningless one.
double positiveOf(const Exiv2::ExifData &exif, quint16 tag, const char *group)
{
    const Exiv2::Exifdatum *datum = find(exif, tag, group);
    if (datum == nullptr)
        return 0.0;
    const Exiv2::Rational value = datum->toRational();
    if (value.second <= 0 || value.first <= 0)
        return 0.0;
    return double(value.first) / double(value.second);
}

void readExif(const Exiv2::ExifData &exif, TVK_Logic_ShotData &shot)
{
    shot.make = textOf(exif, kTagMake, kGroupImage);
    shot.model = textOf(exif, kTagModel, kGroupImage);
    shot.lens = textOf(exif, kTagLensModel, kGroupPhoto);

    if (const Exiv2::Exifdatum *datum = find(exif, kTagExposureTime, kGroupPhoto)) {
        const Exiv2::Rational time = datum->toRational();
        if (time.first > 0 && time.second > 0) {
            shot.exposureNumerator = quint32(time.first);
            shot.exposureDenominator = quint32(time.second);
        }
    }
    shot.aperture = positiveOf(exif, kTagFNumber, kGroupPhoto);
    shot.focalLength = positiveOf(exif, kTagFocalLength, kGroupPhoto);

    if (const Exiv2::Exifdatum *datum = find(exif, kTagPhotographicSensitivity, kGroupPhoto)) {
        long iso = integerOf(*datum);
        if (iso >= kSaturatedSensitivity) {
            if (const Exiv2::Exifdatum *speed = find(exif, kTagIsoSpeed, kGroupPhoto))
                iso = qMax(iso, integerOf(*speed));
        }
        if (iso > 0 && iso <= std::numeric_limits<int>::max())
            shot.sensitivity = int(iso);
    }

    if (const Exiv2::Exifdatum *datum = find(exif, kTagExposureBiasValue, kGroupPhoto)) {
        const Exiv2::Rational bias = datum->toRational();
        if (bias.second != 0) {
            shot.hasExposureCompensation = true;
            shot.exposureCompensation = double(bias.first) / double(bias.second);
        }
    }

    // The camera's clock reading, which carries no zone: kept as UTC so that
    // it is shown exactly as written. A file without an Exif IFD may still
    // say when it was written, which for a camera's file is when it was taken.
    QString taken = textOf(exif, kTagDateTimeOriginal, kGroupPhoto);
    if (taken.isEmpty())
        taken = textOf(exif, kTagDateTime, kGroupImage);
    QDateTime when = QDateTime::fromString(taken, QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    if (when.isValid()) {
        when.setTimeSpec(Qt::UTC);
        shot.taken = when;
    }
}

// Opens the image of a file or of bytes; throws what Exiv2 throws.
template <class Open>
TVK_Logic_ShotData readWith(const char *prefix, const QString &fileName, qint64 fileBytes, Open open)
{
    setUpExiv2();
    TVK_Logic_ShotData shot;
    shot.fileName = fileName;
    shot.fileBytes = fileBytes;
    try {
        auto image = open();
        if (image.get() == nullptr)
            throw std::runtime_error("not a picture");
        try {
            image->readMetadata();
        } catch (const std::exception &error) {
            // What was read before the fault is still worth showing.
            debugLog(kLELogAlways, "%s - %s: damaged metadata (%s)", prefix, qUtf8Printable(fileName), error.what());
        }
        readExif(image->exifData(), shot);
    } catch (const std::exception &error) {
        debugLog(kLELogAlways, "%s - %s: no shot data read (%s)", prefix, qUtf8Printable(fileName), error.what());
    } catch (...) {
        debugLog(kLELogAlways, "%s - %s: no shot data read (unknown fault)", prefix, qUtf8Printable(fileName));
    }
    return shot;
}

template <class Open>
QImage previewWith(const char *prefix, const QString &what, Open open)
{
    setUpExiv2();
    try {
        auto image = open();
        if (image.get() == nullptr)
            return QImage();
        image->readMetadata();
        Exiv2::PreviewManager previews(*image);
        const Exiv2::PreviewPropertiesList list = previews.getPreviewProperties();
        const Exiv2::PreviewProperties *largest = nullptr;
        for (const Exiv2::PreviewProperties &each : list) {
            if (largest == nullptr || quint64(each.width_) * each.height_ > quint64(largest->width_) * largest->height_)
                largest = &each;
        }
        if (largest == nullptr)
            return QImage();
        const Exiv2::PreviewImage preview = previews.getPreviewImage(*largest);
        QImage decoded;
        decoded.loadFromData(preview.pData(), int(preview.size()));
        if (decoded.isNull())
            debugLog(kLELogAlways, "%s - %s: the preview does not decode", prefix, qUtf8Printable(what));
        return decoded;
    } catch (const std::exception &error) {
        debugLog(kLELogAlways, "%s - %s: no preview read (%s)", prefix, qUtf8Printable(what), error.what());
    } catch (...) {
        debugLog(kLELogAlways, "%s - %s: no preview read (unknown fault)", prefix, qUtf8Printable(what));
    }
    return QImage();
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

const Exiv2::byte *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const Exiv2::byte *>(data.constData());
}

} // namespace

TVK_Logic_ShotData TVK_Logic_ShotDataReader::read(const QString &path)
{
    TVK_METHOD(prefix);
    const QFileInfo info(path);
    if (!info.isFile()) {
        debugLog(kLELogAlways, "%s - %s: no such file", prefix, qUtf8Printable(path));
        TVK_Logic_ShotData shot;
        shot.fileName = info.fileName();
        return shot;
    }
    // Never through the network, whatever the name looks like.
    return readWith(prefix, info.fileName(), info.size(),
                    [&path]() { return Exiv2::ImageFactory::open(localPath(path), false); });
}

TVK_Logic_ShotData TVK_Logic_ShotDataReader::read(const QByteArray &data, const QString &fileName)
{
    TVK_METHOD(prefix);
    if (data.isEmpty()) {
        debugLog(kLELogAlways, "%s - %s: empty", prefix, qUtf8Printable(fileName));
        TVK_Logic_ShotData shot;
        shot.fileName = fileName;
        shot.fileBytes = 0;
        return shot;
    }
    return readWith(prefix, fileName, data.size(),
                    [&data]() { return Exiv2::ImageFactory::open(bytesOf(data), long(data.size())); });
}

QImage TVK_Logic_ShotDataReader::largestPreview(const QString &path)
{
    TVK_METHOD(prefix);
    if (!QFileInfo(path).isFile()) {
        debugLog(kLELogAlways, "%s - %s: no such file", prefix, qUtf8Printable(path));
        return QImage();
    }
    return previewWith(prefix, path, [&path]() { return Exiv2::ImageFactory::open(localPath(path), false); });
}

QImage TVK_Logic_ShotDataReader::largestPreview(const QByteArray &data)
{
    TVK_METHOD(prefix);
    if (data.isEmpty())
        return QImage();
    return previewWith(prefix, QStringLiteral("%1 bytes").arg(data.size()),
                       [&data]() { return Exiv2::ImageFactory::open(bytesOf(data), long(data.size())); });
}

#pragma GCC diagnostic pop
