#include "TVK_Emulator_CameraOptions.h"

#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_Capture.h"
#include "TVK_Emulator_PictureMaker.h"
#include "TVK_Emulator_Profile.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

TVK_Emulator_CameraOptions::TVK_Emulator_CameraOptions(QCommandLineParser &parser)
    : m_productOption(QStringList{QStringLiteral("product")},
                      QStringLiteral("Product id of the camera, in hexadecimal."), QStringLiteral("HEX"),
                      QString::number(kDefaultProductId, 16))
    , m_dngBytesOption(QStringList{QStringLiteral("dng-bytes")},
                       QStringLiteral("Releases make one DNG file of this many bytes each (a big transfer, up to "
                                      "%1); 0: the product's own file format and sizes.")
                           .arg(TVK_Emulator_PictureMaker::kMaxDngBytes),
                       QStringLiteral("BYTES"), QStringLiteral("0"))
{
    parser.addOption(m_productOption);
    parser.addOption(m_dngBytesOption);
}

bool TVK_Emulator_CameraOptions::read(const QCommandLineParser &parser)
{
    QString product = parser.value(m_productOption);
    if (product.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        product.remove(0, 2);
    bool productOk = false;
    m_productId = product.toInt(&productOk, 16);
    if (!productOk || TVK_Emulator_Profile::forProduct(m_productId) == nullptr) {
        std::fprintf(stderr, "unknown product id %s\n", qUtf8Printable(parser.value(m_productOption)));
        return false;
    }
    bool dngBytesOk = false;
    m_dngBytes = parser.value(m_dngBytesOption).toLongLong(&dngBytesOk);
    if (!dngBytesOk || m_dngBytes < 0 || m_dngBytes > TVK_Emulator_PictureMaker::kMaxDngBytes) {
        std::fprintf(stderr, "not a DNG size (0 to %lld bytes): %s\n",
                     static_cast<long long>(TVK_Emulator_PictureMaker::kMaxDngBytes),
                     qUtf8Printable(parser.value(m_dngBytesOption)));
        return false;
    }
    return true;
}

void TVK_Emulator_CameraOptions::applyTo(TVK_Emulator_Camera &camera) const
{
    if (m_dngBytes <= 0)
        return;
    if (auto *capture = camera.component<TVK_Emulator_Capture>()) {
        capture->overrideSetting(TVK_Emulator_Camera::kLEFileFormat, 0);
        capture->setDngBytes(m_dngBytes);
    }
}
