// The settings file as the program finds it at start: the bytes are written
// to a settings file of the fuzzer's own, which the settings object reads as
// at start-up (a broken file is set aside), and every value is asked for.
// The same bytes also go straight through the format's reader, and what it
// accepted must survive being written and read again.

#include "TVK_Debug_Log.h"
#include "TVK_GUI_Settings.h"
#include "TVK_Logic_FolderSettings.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using Settings = TVK_GUI_Settings;
    // A folder of the fuzzer's own, in memory where the machine has one: every
    // input is one file written, read and written back with fsync.
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        // The lines go nowhere: a fuzzer must not wait for a terminal.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        setDebugLogCategories(~0, true);
        const QString shm = QStringLiteral("/dev/shm");
        auto made = QDir(shm).exists() ? std::make_unique<QTemporaryDir>(shm + QStringLiteral("/tvk_fuzz-XXXXXX"))
                                       : std::make_unique<QTemporaryDir>();
        if (!made->isValid())
            std::abort();
        Settings::registerXmlFormat();
        Settings::setFilePathForTesting(made->filePath(QStringLiteral("NorbaPellora3.xml")));
        return made;
    }();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    // The format's reader alone, and the writer on what it read.
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    if (Settings::readXmlFile(in, map)) {
        // Memory must grow with the file, not with its square: a value's key
        // is the path above it, which the reader keeps within a bound, and
        // each value needs a few bytes of the file of its own.
        qint64 keyCharacters = 0;
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            keyCharacters += it.key().size();
        if (keyCharacters > 160 * qint64(size) + 1024)
            std::abort();
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        if (Settings::writeXmlFile(out, map)) {
            QBuffer again;
            again.setData(out.data());
            again.open(QIODevice::ReadOnly);
            QSettings::SettingsMap reread;
            // The program's own file must always read back.
            if (!Settings::readXmlFile(again, reread))
                std::abort();
        }
    }

    // The whole start-up read through the settings object.
    const QString path = dir->filePath(QStringLiteral("NorbaPellora3.xml"));
    QFile::remove(path + QStringLiteral(".broken"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
    Settings *settings = Settings::instance();
    settings->alwaysOnTop();
    settings->autoUpdates();
    settings->isUnitFeet();
    settings->tcpServerEnabled();
    const int port = settings->tcpServerPort();
    if (port < 1 || port > 65535)
        std::abort();
    // As the entry point does: the last product's group becomes the current one.
    settings->setLastProductId(settings->lastProductId());
    settings->isMinimalControlGUI();
    TVK_Logic_FolderSettings folders;
    settings->loadFolderSettings(&folders);
    QRect rect;
    for (const char *window : {"WinCamera", "WinNoCamera", "WinLiveView", "WinQuickView"})
        settings->windowPosition(QString::fromLatin1(window), &rect);
    Settings::destroyInstance();
    return 0;
}
