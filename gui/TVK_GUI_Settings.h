#pragma once

#include <QByteArray>
#include <QRect>
#include <QMap>
#include <QSettings>
#include <QString>

#include <memory>

class QIODevice;
class TVK_Logic_FolderSettings;

// The user's preferences between runs: window options, units, update choice,
// the last camera product and, per product, the minimal-panel choice, the
// download folders with their file naming and the window positions.
//
// One process-wide object. Everything lives in one plain XML file
// ("Norba Camera AG/NorbaPellora3.xml" below the user's configuration folder),
// read and written by a QSettings object with this program's own "xml"
// format. Values are written into the QSettings object at once; QSettings
// writes the file on its own schedule, when sync() is called and at the
// latest when the instance is destroyed.
//
// The file may be a link to a regular file elsewhere (dot-file managers do
// that); it is read and written through the link, which stays. Anything else
// at the path (a device, FIFO, socket, folder or a link to nothing) is
// neither opened nor written: the run goes on with defaults and says so once
// in the log.
//
// One mutex guards the instance pointer, the current product id and every
// access to the QSettings object, so the object may be used from any thread
// (in practice the GUI thread and the entry point).
class TVK_GUI_Settings
{
public:
    // Creates the object (and reads the file) on first use.
    static TVK_GUI_Settings *instance();
    static bool exists();
    // Writes pending changes and deletes the object; the next instance()
    // reads the file again.
    static void destroyInstance();

    // Registers the "xml" format once per process (later calls return the
    // same format). instance() does it too, so calling it at start-up only
    // fixes the moment.
    static QSettings::Format registerXmlFormat();

    // The file the program uses: the configuration folder (XDG_CONFIG_HOME,
    // usually ~/.config), "/Norba Camera AG/", "NorbaPellora3.xml".
    static QString defaultFilePath();
    // Makes instances created from now on use path instead of the default
    // (empty: the default again). For tests, which must never touch the
    // user's file.
    static void setFilePathForTesting(const QString &path);

    // The format's two halves, public so that they can be checked on buffers.
    static bool readXmlFile(QIODevice &device, QSettings::SettingsMap &map);
    static bool writeXmlFile(QIODevice &device, const QSettings::SettingsMap &map);

    QString filePath() const;
    // Writes pending changes now; false (with a log line) when the file could
    // not be written, in which case the old file is left as it was and the
    // changes stay pending for the next attempt.
    bool sync();

    bool alwaysOnTop() const;
    void setAlwaysOnTop(bool on);
    bool autoUpdates() const;
    void setAutoUpdates(bool on);
    bool isUnitFeet() const;
    void setIsUnitFeet(bool feet);
    // The local command server: on by default, on port 50505; a stored
    // port outside 1..65535 counts as the default.
    bool tcpServerEnabled() const;
    void setTcpServerEnabled(bool on);
    int tcpServerPort() const;
    void setTcpServerPort(int port);

    // The WLAN camera's address ("HOST[:PORT]"), empty when none is set; the
    // product id of the camera there when its model name is not a known one
    // (0 when missing); the GUID this computer introduces itself with to WLAN
    // cameras, 16 bytes, made and stored on first use and kept from then on.
    QString wlanCameraAddress() const;
    void setWlanCameraAddress(const QString &address);
    int wlanCameraProductId() const;
    QByteArray wlanCameraGuid();

    // 0 when missing or not a number.
    int lastProductId() const;
    // Makes productId the current product (selecting its group) and stores it.
    void setLastProductId(int productId);
    // The product whose group the per-product values use; 0 until set.
    int productId() const;

    // Per product.
    bool isMinimalControlGUI() const;
    void setIsMinimalControlGUI(bool minimal);

    // The current product's folder settings: strings empty and number 1 by default.
    void loadFolderSettings(TVK_Logic_FolderSettings *folderSettings) const;
    void saveFolderSettings(const TVK_Logic_FolderSettings *folderSettings);

    // The current product's texts below group ("LiveViewAids/" and the like),
    // keyed by their names within it; for a collaborator that keeps a value
    // of its own there and checks each text as it reads it.
    QMap<QString, QString> productGroup(const QString &group) const;
    void setProductGroup(const QString &group, const QMap<QString, QString> &texts);

    // The stored rectangle of the window with this object name for the current
    // product; false when there is none (the window keeps its geometry).
    bool windowPosition(const QString &objectName, QRect *rect) const;
    void saveWindowPosition(const QString &objectName, const QRect &rect);

private:
    explicit TVK_GUI_Settings(const QString &filePath);
    ~TVK_GUI_Settings();
    TVK_GUI_Settings(const TVK_GUI_Settings &) = delete;
    TVK_GUI_Settings &operator=(const TVK_GUI_Settings &) = delete;

    // All below expect the mutex to be held.
    std::unique_ptr<QSettings> openSettings() const;
    // False (once with a log line, and from then on nothing is written) when
    // the path holds something other than a regular file or a link to one.
    bool fileIsUsable();
    void keepBrokenFile();
    bool syncLocked();
    void reopenKeepingValues();
    QString productKey(const QString &name) const;
    QString textValue(const QString &key, bool *present) const;
    bool boolValue(const QString &key, bool defaultValue) const;
    int intValue(const QString &key, int defaultValue, bool *ok = nullptr) const;
    void storeText(const QString &key, const QString &text);

    const QString m_filePath;
    // Null when the path was refused at the start.
    std::unique_ptr<QSettings> m_settings;
    int m_productId = 0;
    // False when an unreadable file could not be moved aside, or the path
    // holds no regular file: then nothing is stored or written, so that
    // whatever is there stays as it is.
    bool m_mayWrite = true;
    // Something was stored since the last write of ours; only then does a
    // missing folder get made.
    bool m_changed = false;
};
