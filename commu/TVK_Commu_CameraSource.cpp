#include "TVK_Commu_CameraSource.h"

#include "TVK_Commu_PtpCodes.h"

int TVK_Commu_CameraSource::connectionType() const
{
    // The emulated camera stands in for a USB camera.
    return m_kind == kLESimulated ? TVK_Commu_Ptp::kConnectionSimulated : TVK_Commu_Ptp::kConnectionUSB;
}

QString TVK_Commu_CameraSource::description() const
{
    switch (m_kind) {
    case kLESimulated:
        return QStringLiteral("simulated camera");
    case kLEEmulated:
        return QStringLiteral("emulated camera 0x%1").arg(m_emulatedProduct, 4, 16, QLatin1Char('0'));
    case kLEUsb:
        break;
    }
    return QStringLiteral("USB cameras");
}

bool TVK_Commu_CameraSource::fromArguments(const QStringList &arguments, TVK_Commu_CameraSource *source,
                                           QString *error)
{
    const QString option = QStringLiteral("--camera=");
    TVK_Commu_CameraSource result;
    for (const QString &argument : arguments) {
        if (!argument.startsWith(option))
            continue;
        const QString value = argument.mid(option.size());
        if (value == QLatin1String("usb")) {
            result.m_kind = kLEUsb;
        } else if (value == QLatin1String("simulated")) {
            result.m_kind = kLESimulated;
        } else if (value == QLatin1String("emulated") || value.startsWith(QLatin1String("emulated:"))) {
            result.m_kind = kLEEmulated;
            if (value.contains(QLatin1Char(':'))) {
                // Written as lsusb shows it: hexadecimal, with or without 0x.
                QString product = value.section(QLatin1Char(':'), 1);
                if (product.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                    product = product.mid(2);
                bool ok = false;
                const int id = product.toInt(&ok, 16);
                if (product.isEmpty() || !ok || id <= 0 || id > 0xFFFF) {
                    if (error)
                        *error = QStringLiteral("not a USB product id: \"%1\" (hexadecimal, for example 2041 or 0x2041)")
                                     .arg(value.section(QLatin1Char(':'), 1));
                    return false;
                }
                result.m_emulatedProduct = id;
            }
        } else {
            if (error)
                *error = QStringLiteral("unknown camera source \"%1\" (usb, simulated or emulated[:0xPRODUCT])").arg(value);
            return false;
        }
    }
    *source = result;
    return true;
}
