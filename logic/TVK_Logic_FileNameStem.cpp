#include "TVK_Logic_FileNameStem.h"

#include <QByteArray>
#include <QLatin1Char>
#include <QLatin1String>

#include <climits>
#include <limits>

namespace {

#ifdef NAME_MAX
constexpr int kNameMax = NAME_MAX;
#else
constexpr int kNameMax = 255;
#endif

// "2147483647" and ".DNG".
constexpr int kLongestNumber = std::numeric_limits<int>::digits10 + 1;
constexpr int kExtensionLength = 4;

bool isControl(QChar c)
{
    const ushort code = c.unicode();
    // C0, DEL and C1, plus the two Unicode line breaks: none belongs in a file
    // name, and each would break the log line that names the file.
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

} // namespace

int TVK_Logic_FileNameStem::maxBytes()
{
    return kNameMax - kLongestNumber - kExtensionLength;
}

QString TVK_Logic_FileNameStem::fault(const QString &stem)
{
    if (stem.isEmpty())
        return QStringLiteral("is empty");
    // The back-slash too: a settings file carried over from another system
    // means a folder by it.
    if (stem.contains(QLatin1Char('/')) || stem.contains(QLatin1Char('\\')))
        return QStringLiteral("holds a path separator");
    if (stem.contains(QLatin1String("..")))
        return QStringLiteral("holds \"..\"");
    for (const QChar c : stem) {
        if (isControl(c))
            return QStringLiteral("holds a control character");
    }
    if (!stem.isValidUtf16())
        return QStringLiteral("is not valid text");
    const int bytes = stem.toUtf8().size();
    if (bytes > maxBytes())
        return QStringLiteral("is too long (%1 bytes, at most %2)").arg(bytes).arg(maxBytes());
    return QString();
}
