#include "TVK_Color_Profile.h"

#include "TVK_Debug_Log.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

constexpr TVK_Color_ProfileIF::Signature sig(char a, char b, char c, char d)
{
    return (quint32(quint8(a)) << 24) | (quint32(quint8(b)) << 16) | (quint32(quint8(c)) << 8)
           | quint32(quint8(d));
}

constexpr TVK_Color_ProfileIF::Signature kColorSpaces[] = {
    sig('3', 'C', 'L', 'R'), sig('4', 'C', 'L', 'R'), sig('5', 'C', 'L', 'R'),
    sig('6', 'C', 'L', 'R'), sig('7', 'C', 'L', 'R'), sig('8', 'C', 'L', 'R'),
    sig('C', 'M', 'Y', ' '), sig('C', 'M', 'Y', 'K'), sig('G', 'R', 'A', 'Y'),
    sig('H', 'L', 'S', ' '), sig('H', 'S', 'V', ' '), sig('L', 'a', 'b', ' '),
    sig('L', 'u', 'v', ' '), sig('R', 'G', 'B', ' '), sig('X', 'Y', 'Z', ' '),
    sig('Y', 'C', 'b', 'r'), sig('Y', 'x', 'y', ' ')};

constexpr TVK_Color_ProfileIF::Signature kProfileClasses[] = {
    sig('a', 'b', 's', 't'), sig('l', 'i', 'n', 'k'), sig('m', 'n', 't', 'r'),
    sig('n', 'm', 'c', 'l'), sig('p', 'r', 't', 'r'), sig('s', 'c', 'n', 'r'),
    sig('s', 'p', 'a', 'c')};

template <size_t N>
TVK_Color_ProfileIF::Signature recognised(const TVK_Color_ProfileIF::Signature (&known)[N],
                                          TVK_Color_ProfileIF::Signature raw)
{
    return std::find(std::begin(known), std::end(known), raw) != std::end(known)
               ? raw
               : TVK_Color_ProfileIF::kBlankSignature;
}

// Tag data is big-endian; every read is checked against the tag's size first.
class BigEndianTag
{
public:
    explicit BigEndianTag(const QByteArray &bytes) : m_bytes(bytes) {}

    quint32 size() const { return quint32(m_bytes.size()); }
    bool has(quint32 offset, quint32 length) const
    {
        return offset <= size() && length <= size() - offset;
    }
    quint32 u32(quint32 offset) const
    {
        if (!has(offset, 4))
            return 0;
        const auto *p = reinterpret_cast<const uchar *>(m_bytes.constData()) + offset;
        return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    }
    const uchar *at(quint32 offset) const
    {
        return reinterpret_cast<const uchar *>(m_bytes.constData()) + offset;
    }

private:
    const QByteArray &m_bytes;
};

// Offsets inside the two forms of the description tag.
constexpr quint32 kTypeOffset = 0;
constexpr quint32 kTextCountOffset = 8;   // v2: ASCII count including the zero
constexpr quint32 kTextOffset = 12;       // v2: the ASCII text
constexpr quint32 kRecordCountOffset = 8; // v4: number of localised records
constexpr quint32 kMlucMinimumSize = 16;
constexpr quint32 kFirstLengthOffset = 20; // v4: first record's length in bytes
constexpr quint32 kFirstOffsetOffset = 24; // v4: first record's offset from the tag start

} // namespace

TVK_Color_Profile::~TVK_Color_Profile() = default;

bool TVK_Color_Profile::isValid() const
{
    if (!isOpen())
        return false;
    // An open handle outlives a deleted file; the profile is no use then because a
    // copy of it could not be opened again.
    if (isFileProfile())
        return QFileInfo::exists(m_filePath);
    return !m_bytes.isEmpty();
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile::dataColorSpace() const
{
    return isOpen() ? recognisedColorSpace(rawDataColorSpace()) : kBlankSignature;
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile::connectionSpace() const
{
    return isOpen() ? recognisedColorSpace(rawConnectionSpace()) : kBlankSignature;
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile::profileClass() const
{
    return isOpen() ? recognisedProfileClass(rawProfileClass()) : kBlankSignature;
}

QString TVK_Color_Profile::description() const
{
    if (!isOpen())
        return QString();
    return descriptionFromTag(rawTag(kDescriptionTag));
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile::recognisedColorSpace(Signature raw)
{
    return recognised(kColorSpaces, raw);
}

TVK_Color_ProfileIF::Signature TVK_Color_Profile::recognisedProfileClass(Signature raw)
{
    return recognised(kProfileClasses, raw);
}

QString TVK_Color_Profile::descriptionFromTag(const QByteArray &tag)
{
    TVK_METHOD(prefix);
    const BigEndianTag data(tag);
    const quint32 type = data.u32(kTypeOffset);

    if (type == kTextDescriptionType) {
        const quint32 count = data.u32(kTextCountOffset);
        if (count == 0 || data.size() < kTextOffset || count > data.size() - kTextOffset) {
            debugLog(kLELogAlways, "%s - bad text description (count %u, tag size %u)", prefix,
                     count, data.size());
            return QString();
        }
        const auto *text = reinterpret_cast<const char *>(data.at(kTextOffset));
        return QString::fromLatin1(text, int(qstrnlen(text, count)));
    }

    if (type == kMultiLocalizedType && data.size() >= kMlucMinimumSize
        && data.u32(kRecordCountOffset) != 0) {
        const quint32 length = data.u32(kFirstLengthOffset);
        const quint32 offset = data.u32(kFirstOffsetOffset);
        if (!data.has(kFirstOffsetOffset, 4) || !data.has(offset, length)) {
            debugLog(kLELogAlways, "%s - bad localised description (offset %u, length %u, tag size %u)",
                     prefix, offset, length, data.size());
            return QString();
        }
        QString text;
        text.reserve(int(length / 2));
        const uchar *p = data.at(offset);
        for (quint32 i = 0; i + 1 < length; i += 2)
            text.append(QChar(ushort((p[i] << 8) | p[i + 1])));
        return text;
    }
    return QString();
}

void TVK_Color_Profile::swapSource(TVK_Color_Profile &other)
{
    std::swap(m_filePath, other.m_filePath);
    std::swap(m_bytes, other.m_bytes);
}
