#include "TVK_Color_Profile_Lcms.h"

#include "TVK_Debug_Log.h"

#include <QDir>
#include <QFile>

#include <lcms2.h>

#include <mutex>
#include <utility>

namespace {

// A tag larger than this is no description a viewer would show; refusing it keeps
// a corrupt size field from turning into a huge allocation.
constexpr cmsUInt32Number kMaximumTagSize = 1u << 20;

void logEngineError(cmsContext, cmsUInt32Number code, const char *text)
{
    debugLog(kLELogAlways, "TVK_Color_Profile_Lcms - LittleCMS error %u: %s", unsigned(code),
             text ? text : "");
}

// LittleCMS prints nothing by itself; its complaints about a broken profile go
// to our log, once set up for the whole process.
void routeEngineErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(logEngineError); });
}

} // namespace

TVK_Color_Profile_Lcms::TVK_Color_Profile_Lcms()
{
    routeEngineErrors();
}

TVK_Color_Profile_Lcms::TVK_Color_Profile_Lcms(const QString &filePath)
{
    routeEngineErrors();
    openFile(filePath);
}

TVK_Color_Profile_Lcms::TVK_Color_Profile_Lcms(const QByteArray &bytes)
{
    routeEngineErrors();
    openBytes(bytes);
}

TVK_Color_Profile_Lcms::TVK_Color_Profile_Lcms(const TVK_Color_ProfileIF &other)
{
    routeEngineErrors();
    const auto *source = dynamic_cast<const TVK_Color_Profile *>(&other);
    if (!source || !source->isValid())
        return;
    if (source->isFileProfile())
        openFile(source->filePath());
    else
        openBytes(source->bytes());
}

TVK_Color_Profile_Lcms::~TVK_Color_Profile_Lcms()
{
    close();
}

void TVK_Color_Profile_Lcms::swap(TVK_Color_ProfileIF &other)
{
    TVK_METHOD(prefix);
    auto *lcms = dynamic_cast<TVK_Color_Profile_Lcms *>(&other);
    if (!lcms) {
        debugLog(kLELogAlways, "%s - cannot swap with a profile of another engine", prefix);
        return;
    }
    swapSource(*lcms);
    std::swap(m_handle, lcms->m_handle);
}

bool TVK_Color_Profile_Lcms::isOpen() const
{
    return m_handle != nullptr;
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile_Lcms::rawDataColorSpace() const
{
    return m_handle ? Signature(cmsGetColorSpace(m_handle)) : kBlankSignature;
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile_Lcms::rawConnectionSpace() const
{
    return m_handle ? Signature(cmsGetPCS(m_handle)) : kBlankSignature;
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile_Lcms::rawProfileClass() const
{
    return m_handle ? Signature(cmsGetDeviceClass(m_handle)) : kBlankSignature;
}

QByteArray TVK_Color_Profile_Lcms::rawTag(Signature tag) const
{
    TVK_METHOD(prefix);
    if (!m_handle || !cmsIsTag(m_handle, cmsTagSignature(tag)))
        return QByteArray();
    const cmsUInt32Number size = cmsReadRawTag(m_handle, cmsTagSignature(tag), nullptr, 0);
    if (size == 0 || size > kMaximumTagSize) {
        debugLog(kLELogAlways, "%s - tag 0x%08x has an unusable size %u", prefix, tag,
                 unsigned(size));
        return QByteArray();
    }
    QByteArray bytes(int(size), '\0');
    const cmsUInt32Number read = cmsReadRawTag(m_handle, cmsTagSignature(tag), bytes.data(), size);
    bytes.truncate(int(qMin(read, size)));
    return bytes;
}

void TVK_Color_Profile_Lcms::openFile(const QString &filePath)
{
    TVK_METHOD(prefix);
    close();
    m_filePath = QDir::fromNativeSeparators(filePath);
    m_bytes.clear();
    if (m_filePath.isEmpty())
        return;
    const QByteArray encoded = QFile::encodeName(QDir::toNativeSeparators(m_filePath));
    m_handle = cmsOpenProfileFromFile(encoded.constData(), "r");
    if (!m_handle)
        debugLog(kLELogAlways, "%s - cannot open profile %s", prefix, encoded.constData());
}

void TVK_Color_Profile_Lcms::openBytes(const QByteArray &bytes)
{
    TVK_METHOD(prefix);
    close();
    m_filePath.clear();
    m_bytes = bytes;
    if (m_bytes.isEmpty())
        return;
    // LittleCMS copies the bytes; keeping our own copy lets a copy of this profile
    // be opened again from them.
    m_handle = cmsOpenProfileFromMem(m_bytes.constData(), cmsUInt32Number(m_bytes.size()));
    if (!m_handle)
        debugLog(kLELogAlways, "%s - cannot open profile from %d bytes", prefix,
                 int(m_bytes.size()));
}

void TVK_Color_Profile_Lcms::close()
{
    if (m_handle)
        cmsCloseProfile(m_handle);
    m_handle = nullptr;
}
