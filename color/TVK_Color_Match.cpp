#include "TVK_Color_Match.h"

#include "TVK_Color_Factory.h"
#include "TVK_Debug_Log.h"

#include <QImage>

namespace {

constexpr TVK_Color_ProfileIF::Signature kLabSignature = 0x4C616220u; // 'Lab '
constexpr int kBytesPerPixel = 4;

bool isMatchableFormat(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
}

} // namespace

TVK_Color_Match::TVK_Color_Match() = default;

TVK_Color_Match::~TVK_Color_Match() = default;

bool TVK_Color_Match::hasSpaces(Signature input, Signature output) const
{
    return m_inputSpace == input && m_outputSpace == output;
}

bool TVK_Color_Match::translateLabToRgb(const LabPixel *source, RgbPixel *destination, int count)
{
    if (!hasSpaces(kLabSignature, TVK_Color_ProfileIF::kRgbSignature) || !source || !destination
        || count <= 0 || !ensureTransform())
        return false;
    return m_world->translateLabToRgb(source, destination, count);
}

bool TVK_Color_Match::translateRgbToLab(const RgbPixel *source, LabPixel *destination, int count)
{
    if (!hasSpaces(TVK_Color_ProfileIF::kRgbSignature, kLabSignature) || !source || !destination
        || count <= 0 || !ensureTransform())
        return false;
    return m_world->translateRgbToLab(source, destination, count);
}

bool TVK_Color_Match::translateRgbToRgb(const RgbPixel *source, RgbPixel *destination, int count)
{
    if (!hasSpaces(TVK_Color_ProfileIF::kRgbSignature, TVK_Color_ProfileIF::kRgbSignature)
        || !source || !destination || count <= 0 || !ensureTransform())
        return false;
    return m_world->translateRgbToRgb(source, destination, count);
}

bool TVK_Color_Match::translateRgbInPlace(RgbPixel *pixels, int count)
{
    if (!hasSpaces(TVK_Color_ProfileIF::kRgbSignature, TVK_Color_ProfileIF::kRgbSignature)
        || !pixels || count <= 0 || !ensureTransform())
        return false;
    return m_world->translateRgbInPlace(pixels, count);
}

bool TVK_Color_Match::translateImage(const QImage &source, QImage &destination)
{
    if (&source == &destination)
        return translateImage(destination);
    if (!canTranslate(source, destination))
        return false;
    // bits() detaches a destination that still shares its data with the source;
    // the check came first because a detached copy has no line padding left.
    return m_world->translateBitmap(source.constBits(), destination.bits(), source.width(),
                                    source.height(), int(source.bytesPerLine()));
}

bool TVK_Color_Match::translateImage(QImage &image)
{
    if (!canTranslate(image, image))
        return false;
    uchar *bits = image.bits();
    return m_world->translateBitmap(bits, bits, image.width(), image.height(),
                                    int(image.bytesPerLine()));
}

bool TVK_Color_Match::canTranslate(const QImage &source, const QImage &destination)
{
    TVK_METHOD(prefix);
    if (source.isNull() || destination.isNull() || !isMatchableFormat(source.format())
        || !isMatchableFormat(destination.format()) || source.width() != destination.width()
        || source.height() != destination.height()
        || source.bytesPerLine() != destination.bytesPerLine()) {
        debugLog(kLELogQuickView, "%s - images do not fit each other", prefix);
        return false;
    }
    if (!hasSpaces(TVK_Color_ProfileIF::kRgbSignature, TVK_Color_ProfileIF::kRgbSignature))
        return false;
    if (!ensureTransform())
        return false;
    // Padding at the end of a line is no pixel data; such images stay untouched.
    if (source.bytesPerLine() != kBytesPerPixel * source.width()) {
        debugLog(kLELogQuickView, "%s - %d bytes per line for %d pixels is not supported", prefix,
                 int(source.bytesPerLine()), source.width());
        return false;
    }
    return true;
}

void TVK_Color_Match::setInputProfile(const TVK_Color_ProfileIF &profile)
{
    replaceProfile(Side::Input, TVK_Color_Factory::copyOf(profile));
}

void TVK_Color_Match::setInputProfile(const QString &path)
{
    replaceProfile(Side::Input, TVK_Color_Factory::profileFromFileOrDefault(path));
}

void TVK_Color_Match::setOutputProfile(const TVK_Color_ProfileIF &profile)
{
    replaceProfile(Side::Output, TVK_Color_Factory::copyOf(profile));
}

void TVK_Color_Match::setOutputProfile(const QString &path)
{
    replaceProfile(Side::Output, TVK_Color_Factory::profileFromFileOrDefault(path));
}

void TVK_Color_Match::setRenderingIntent(int intent)
{
    m_intent = intent;
    m_world.reset();
}

void TVK_Color_Match::replaceProfile(Side side, std::unique_ptr<TVK_Color_ProfileIF> profile)
{
    TVK_METHOD(prefix);
    const char *const which = side == Side::Input ? "input" : "output";
    if (!profile || !profile->isValid()) {
        debugLog(kLELogAlways, "%s - %s profile not valid, the previous one is kept", prefix,
                 which);
        return;
    }
    const Signature space = profile->dataColorSpace();
    if (side == Side::Input) {
        m_input = std::move(profile);
        m_inputSpace = space;
    } else {
        m_output = std::move(profile);
        m_outputSpace = space;
    }
    m_world.reset();
}

bool TVK_Color_Match::ensureTransform()
{
    if (m_world)
        return true;
    if (!m_input || !m_output || !m_input->isValid() || !m_output->isValid())
        return false;
    auto world = TVK_Color_Factory::newWorld(*m_input, *m_output, m_intent);
    ++m_buildCount;
    if (!world || !world->isValid())
        return false;
    m_world = std::move(world);
    return true;
}
