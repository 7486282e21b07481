#include "TVK_Color_Factory.h"

#include "TVK_Color_Match.h"
#include "TVK_Color_Profile_Lcms.h"
#include "TVK_Color_World_Lcms.h"
#include "TVK_Debug_Log.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <lcms2.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>

namespace {

const QString kColorFolder = QStringLiteral("/usr/share/color/icc/");
const QString kDefaultInputProfileName = QStringLiteral("AdobeRGB1998.icc");

// Adobe RGB (1998): D65 white, its primaries as CIE xy, gamma 2 51/256.
constexpr cmsCIExyY kD65 = {0.3127, 0.3290, 1.0};
constexpr cmsCIExyYTRIPLE kAdobeRgbPrimaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0},
                                                {0.15, 0.06, 1.0}};
constexpr double kAdobeRgbGamma = 563.0 / 256.0;

// An embedded profile is rarely above a few hundred kilobytes; this bounds what
// the X server is asked for (the unit is 32-bit words).
constexpr uint32_t kMaximumPropertyWords = 16u * 1024u * 1024u / 4u;

const QString kColordService = QStringLiteral("org.freedesktop.ColorManager");
const QString kColordPath = QStringLiteral("/org/freedesktop/ColorManager");
const QString kColordDevice = QStringLiteral("org.freedesktop.ColorManager.Device");
const QString kColordProfile = QStringLiteral("org.freedesktop.ColorManager.Profile");
// colord answers locally within milliseconds; a hung daemon must not freeze the
// window that moved to another screen.
constexpr int kColordTimeoutMs = 1000;

QByteArray makeBuiltInInputProfile()
{
    TVK_METHOD(prefix);
    cmsToneCurve *curve = cmsBuildGamma(nullptr, kAdobeRgbGamma);
    cmsToneCurve *curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = curve ? cmsCreateRGBProfile(&kD65, &kAdobeRgbPrimaries, curves) : nullptr;
    if (curve)
        cmsFreeToneCurve(curve);
    QByteArray bytes;
    if (profile) {
        cmsMLU *text = cmsMLUalloc(nullptr, 1);
        if (text && cmsMLUsetASCII(text, "en", "US", "Adobe RGB (1998) compatible, built-in"))
            cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
        if (text)
            cmsMLUfree(text);
        cmsUInt32Number size = 0;
        if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
            bytes.resize(int(size));
            if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
                bytes.clear();
        }
        cmsCloseProfile(profile);
    }
    if (bytes.isEmpty())
        debugLog(kLELogAlways, "%s - cannot build the built-in input profile", prefix);
    return bytes;
}

struct XcbDisconnect {
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeReply>;

// The profile bytes an X11 colour manager put on the root window for the screen
// with this index (the freedesktop.org "ICC Profiles in X" convention); empty
// when there is no display or no such property.
QByteArray x11ProfileBytes(int screenIndex)
{
    TVK_METHOD(prefix);
    int defaultScreen = 0;
    std::unique_ptr<xcb_connection_t, XcbDisconnect> connection(xcb_connect(nullptr, &defaultScreen));
    if (!connection || xcb_connection_has_error(connection.get()))
        return QByteArray();

    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < defaultScreen && roots.rem > 0; ++i)
        xcb_screen_next(&roots);
    if (roots.rem <= 0 || !roots.data)
        return QByteArray();
    const xcb_window_t root = roots.data->root;

    const QByteArray atomName = screenIndex > 0
                                    ? QByteArrayLiteral("_ICC_PROFILE_") + QByteArray::number(screenIndex)
                                    : QByteArrayLiteral("_ICC_PROFILE");
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection.get(),
        xcb_intern_atom(connection.get(), 1, uint16_t(atomName.size()), atomName.constData()),
        nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return QByteArray();

    XcbReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
        connection.get(),
        xcb_get_property(connection.get(), 0, root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0,
                         kMaximumPropertyWords),
        nullptr));
    if (!property || property->format != 8)
        return QByteArray();
    if (property->bytes_after > 0) {
        debugLog(kLELogAlways, "%s - %s is too large, ignored", prefix, atomName.constData());
        return QByteArray();
    }
    const int length = xcb_get_property_value_length(property.get());
    if (length <= 0)
        return QByteArray();
    debugLog(kLELogQuickView, "%s - %d bytes in %s", prefix, length, atomName.constData());
    return QByteArray(static_cast<const char *>(xcb_get_property_value(property.get())), length);
}

QVariant dbusProperty(QDBusConnection &bus, const QString &path, const QString &interface,
                      const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kColordService, path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, kColordTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

// The file of the first profile colord lists for the output of that name.
QString colordProfilePath(const QString &outputName)
{
    TVK_METHOD(prefix);
    QDBusConnection bus = QDBusConnection::systemBus();
    // Only a running colord is asked: the desktop starts it when it manages
    // colour, and activating it here would only find no profiles.
    if (outputName.isEmpty() || !bus.isConnected() || !bus.interface()
        || !bus.interface()->isServiceRegistered(kColordService))
        return QString();

    QDBusMessage find = QDBusMessage::createMethodCall(
        kColordService, kColordPath, kColordService, QStringLiteral("FindDeviceByProperty"));
    find << QStringLiteral("XRANDR_name") << outputName;
    const QDBusMessage found = bus.call(find, QDBus::Block, kColordTimeoutMs);
    if (found.type() != QDBusMessage::ReplyMessage || found.arguments().isEmpty()) {
        debugLog(kLELogQuickView, "%s - colord knows no device for %s", prefix,
                 qPrintable(outputName));
        return QString();
    }
    const QString device = found.arguments().constFirst().value<QDBusObjectPath>().path();

    QList<QDBusObjectPath> profiles;
    const QVariant list = dbusProperty(bus, device, kColordDevice, QStringLiteral("Profiles"));
    if (list.canConvert<QDBusArgument>())
        list.value<QDBusArgument>() >> profiles;
    else
        profiles = list.value<QList<QDBusObjectPath>>();
    if (profiles.isEmpty())
        return QString();

    const QString file = dbusProperty(bus, profiles.constFirst().path(), kColordProfile,
                                      QStringLiteral("Filename"))
                             .toString();
    debugLog(kLELogQuickView, "%s - %s has profile %s", prefix, qPrintable(outputName),
             qPrintable(file));
    return file;
}

} // namespace

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::monitorProfileAt(const QPoint &point)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return nullptr;
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        return nullptr;

    if (platform == QLatin1String("xcb")) {
        const QByteArray bytes = x11ProfileBytes(QGuiApplication::screens().indexOf(screen));
        if (!bytes.isEmpty()) {
            if (auto profile = profileFromBytes(bytes))
                return profile;
        }
    }
    const QString file = colordProfilePath(screen->name());
    return file.isEmpty() ? nullptr : profileFromFile(file);
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::standardMonitorProfile()
{
    // Built once: the bytes never change, and a viewer asks again on every
    // move to another screen.
    static const QByteArray bytes = []() {
        QByteArray data;
        cmsHPROFILE profile = cmsCreate_sRGBProfile();
        cmsUInt32Number size = 0;
        if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
            data.resize(int(size));
            if (!cmsSaveProfileToMem(profile, data.data(), &size))
                data.clear();
        }
        if (profile != nullptr)
            cmsCloseProfile(profile);
        return data;
    }();
    return profileFromBytes(bytes);
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::copyOf(const TVK_Color_ProfileIF &profile)
{
    auto copy = std::make_unique<TVK_Color_Profile_Lcms>(profile);
    if (!copy->isValid())
        return nullptr;
    return copy;
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::profileFromFile(const QString &path)
{
    auto profile = std::make_unique<TVK_Color_Profile_Lcms>(path);
    if (!profile->isValid())
        return nullptr;
    return profile;
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::profileFromBytes(const QByteArray &bytes)
{
    auto profile = std::make_unique<TVK_Color_Profile_Lcms>(bytes);
    if (!profile->isValid())
        return nullptr;
    return profile;
}

QString TVK_Color_Factory::defaultInputProfilePath()
{
    return kColorFolder + kDefaultInputProfileName;
}

std::unique_ptr<TVK_Color_Match> TVK_Color_Factory::newMatch()
{
    return std::make_unique<TVK_Color_Match>();
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::defaultInputProfile()
{
    TVK_METHOD(prefix);
    const QString path = defaultInputProfilePath();
    if (QFileInfo::exists(path)) {
        if (auto profile = profileFromFile(path))
            return profile;
    }
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        debugLog(kLELogAlways, "%s - %s not usable, the built-in Adobe RGB (1998) profile is used",
                 prefix, qPrintable(path));
    return std::make_unique<TVK_Color_Profile_Lcms>(builtInInputProfileBytes());
}

QByteArray TVK_Color_Factory::builtInInputProfileBytes()
{
    static const QByteArray bytes = makeBuiltInInputProfile();
    return bytes;
}

std::unique_ptr<TVK_Color_ProfileIF> TVK_Color_Factory::profileFromFileOrDefault(const QString &path)
{
    if (QDir::cleanPath(QDir::fromNativeSeparators(path)) == defaultInputProfilePath())
        return defaultInputProfile();
    return profileFromFile(path);
}

std::unique_ptr<TVK_Color_WorldIF> TVK_Color_Factory::newWorld(const TVK_Color_ProfileIF &input,
                                                               const TVK_Color_ProfileIF &output,
                                                               int intent)
{
    const auto *in = dynamic_cast<const TVK_Color_Profile_Lcms *>(&input);
    const auto *out = dynamic_cast<const TVK_Color_Profile_Lcms *>(&output);
    if (!in || !out)
        return nullptr;
    return std::make_unique<TVK_Color_World_Lcms>(*in, *out, intent);
}
