#include "TVK_App_Options.h"

namespace {

constexpr int kMaxSeconds = 3600;

// Qt's options that take the next argument as their value.
bool qtOptionTakesValue(const QString &option)
{
    static const QStringList withValue = {
        QStringLiteral("-platform"),   QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
        QStringLiteral("-plugin"),     QStringLiteral("-display"),            QStringLiteral("-style"),
        QStringLiteral("-stylesheet"), QStringLiteral("-geometry"),           QStringLiteral("-qwindowgeometry"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("-qwindowicon"),      QStringLiteral("-session"),
        QStringLiteral("-name"),       QStringLiteral("-title"),              QStringLiteral("-visual")};
    return withValue.contains(option);
}

// Seconds of an option; 0 with an error for anything but 1 to kMaxSeconds.
int secondsOf(const QString &option, const QString &value, QString *error)
{
    bool ok = false;
    const int seconds = value.toInt(&ok);
    if (!ok || seconds < 1 || seconds > kMaxSeconds) {
        *error = QStringLiteral("%1 takes 1 to %2 seconds, not \"%3\"").arg(option).arg(kMaxSeconds).arg(value);
        return 0;
    }
    return seconds;
}

} // namespace

QString TVK_App_Options::usage()
{
    return QStringLiteral(
        "Usage: NorbaPellora [--camera=SOURCE] [--wlan-camera=HOST[:PORT]] [--quit-after=SECONDS]\n"
        "                    [--run-for=SECONDS] [--help]\n"
        "  --camera=usb                 real cameras on USB (the default)\n"
        "  --camera=simulated           the built-in simulated camera (fixed values)\n"
        "  --camera=emulated[:PRODUCT]  an emulated camera of that product, written in\n"
        "                               hexadecimal as lsusb shows it (2041 or 0x2041;\n"
        "                               2041 without a product)\n"
        "  --wlan-camera=HOST[:PORT]    also look for a WLAN camera (PTP/IP) at that\n"
        "                               address, port 15740 by default; [ADDRESS]:PORT\n"
        "                               for IPv6 (instead of WlanCameraAddress)\n"
        "  --quit-after=SECONDS         quit as File > Quit would, after SECONDS\n"
        "  --run-for=SECONDS            no windows: run the camera logic, log what the\n"
        "                               panel would show, then quit\n"
        "  --help                       show this text\n"
        "Qt's own options (-platform offscreen, -style fusion, ...) are passed on to Qt.\n");
}

TVK_App_Options TVK_App_Options::parse(const QStringList &arguments)
{
    TVK_App_Options options;
    const auto fail = [&options](const QString &message) {
        options.m_action = kLEError;
        options.m_error = message;
        return options;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.m_action = kLEHelp;
            continue;
        }
        if (argument.startsWith(QLatin1String("--"))) {
            const int equals = argument.indexOf(QLatin1Char('='));
            const QString name = argument.left(equals);
            const QString value = equals < 0 ? QString() : argument.mid(equals + 1);
            if (equals < 0)
                return fail(QStringLiteral("option %1 needs a value (%1=...)").arg(argument));
            QString error;
            if (name == QLatin1String("--camera")) {
                options.m_camera = value;
                options.m_hasCamera = true;
            } else if (name == QLatin1String("--wlan-camera")) {
                if (value.trimmed().isEmpty())
                    return fail(QStringLiteral("--wlan-camera needs an address (--wlan-camera=HOST[:PORT])"));
                options.m_wlanCamera = value.trimmed();
            } else if (name == QLatin1String("--run-for")) {
                options.m_runForSeconds = secondsOf(name, value, &error);
            } else if (name == QLatin1String("--quit-after")) {
                options.m_quitAfterSeconds = secondsOf(name, value, &error);
            } else {
                return fail(QStringLiteral("unknown option %1").arg(name));
            }
            if (!error.isEmpty())
                return fail(error);
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            const QString name = argument.section(QLatin1Char('='), 0, 0);
            if (qtOptionTakesValue(name) && !argument.contains(QLatin1Char('=')))
                ++i;
            continue;
        }
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(argument));
    }
    return options;
}
