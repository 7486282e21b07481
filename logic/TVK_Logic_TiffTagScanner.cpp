#include "TVK_Logic_TiffTagScanner.h"

namespace {

// The value field follows tag (2), type (2) and count (4).
constexpr int kValueField = 8;
constexpr char kTypeShort = 3;

bool isMotorolaAt(const QByteArray &head, int at)
{
    return at + 1 < head.size() && head.at(at) == 'M' && head.at(at + 1) == 'M';
}

} // namespace

bool TVK_Logic_TiffTagScanner::isBigEndian(const QByteArray &head)
{
    return isMotorolaAt(head, 0) || isMotorolaAt(head, kTiffHeaderInJpeg);
}

int TVK_Logic_TiffTagScanner::entryAt(const QByteArray &head, quint16 tag, bool bigEndian)
{
    const char high = char(tag >> 8);
    const char low = char(tag & 0xFF);
    const char bigEndianEntry[kValueField] = {high, low, 0, kTypeShort, 0, 0, 0, 1};
    const char littleEndianEntry[kValueField] = {low, high, kTypeShort, 0, 1, 0, 0, 0};
    return head.indexOf(QByteArray::fromRawData(bigEndian ? bigEndianEntry : littleEndianEntry, kValueField));
}

int TVK_Logic_TiffTagScanner::lowByteOf(const QByteArray &head, quint16 tag)
{
    const bool bigEndian = isBigEndian(head);
    const int entry = entryAt(head, tag, bigEndian);
    if (entry < 0)
        return -1;
    const int at = entry + kValueField + (bigEndian ? 1 : 0);
    return at < head.size() ? quint8(head.at(at)) : -1;
}

int TVK_Logic_TiffTagScanner::valueOf(const QByteArray &head, quint16 tag)
{
    const bool bigEndian = isBigEndian(head);
    const int entry = entryAt(head, tag, bigEndian);
    if (entry < 0 || entry + kValueField + 2 > head.size())
        return -1;
    const quint8 first = quint8(head.at(entry + kValueField));
    const quint8 second = quint8(head.at(entry + kValueField + 1));
    return bigEndian ? (first << 8) | second : (second << 8) | first;
}
