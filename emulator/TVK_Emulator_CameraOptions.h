#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QtGlobal>

class QCommandLineParser;
class TVK_Emulator_Camera;

// The command-line options the emulator's programs share: which product the
// camera is, and whether its releases make one DNG of a given size (for big
// transfers) instead of the product's own files.
class TVK_Emulator_CameraOptions
{
public:
    static constexpr int kDefaultProductId = 0x2041;

    // Adds --product=HEX and --dng-bytes=BYTES to parser.
    explicit TVK_Emulator_CameraOptions(QCommandLineParser &parser);

    // Reads both after the parser has processed the arguments; false, with a
    // line on standard error saying why, for a product without a profile or
    // a size outside 0 .. the largest DNG.
    bool read(const QCommandLineParser &parser);

    int productId() const { return m_productId; }
    qint64 dngBytes() const { return m_dngBytes; } // 0: the product's own files

    // With a DNG size asked for: every release of camera makes one DNG of it.
    void applyTo(TVK_Emulator_Camera &camera) const;

private:
    QCommandLineOption m_productOption;
    QCommandLineOption m_dngBytesOption;
    int m_productId = kDefaultProductId;
    qint64 m_dngBytes = 0;
};
