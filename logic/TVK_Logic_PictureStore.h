#pragma once

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <mutex>

class TVK_Logic_FolderSettings;
class TVK_Logic_PartFile;

// Where new pictures go and how they get there: the name of each (the folder
// settings' name and number, then the first free name of its series, never
// replacing a file), the hidden part file it is written to beside that name,
// and the link that gives it the name once it is whole on the disk.
//
// It also remembers the last picture saved without the camera answering its
// confirmation (the cable went at that moment), so that the same picture
// offered again in the camera's next session is not saved a second time. The
// controller keeps one store across sessions for this; any thread.
class TVK_Logic_PictureStore
{
    Q_DECLARE_TR_FUNCTIONS(TVK_Logic_PictureStore)

public:
    // Numbers are advanced only below this, so a name never needs six digits.
    static constexpr int kPictureNumberLimit = 99999;

    // The file a picture is meant for.
    struct Target {
        QString fileName;     // without folder, before any series suffix
        QString basePath;     // folder and file name before any suffix
        QString extension;    // the camera's own, for a series name
        int seriesNumber = 0; // the first free number of basePath's series
        QString fullPath;     // the name of that number
    };
    // What the camera says of the picture.
    struct Picture {
        QString cameraFileName;
        QString extension;
        bool isDng = false;
        bool isJpg = false;
        bool pairMode = false;   // the camera stores a DNG and a JPG of each picture
        bool jpgFirst = false;   // and writes the JPG of a pair first
    };

    TVK_Logic_PictureStore();
    ~TVK_Logic_PictureStore();

    TVK_Logic_PictureStore(const TVK_Logic_PictureStore &) = delete;
    TVK_Logic_PictureStore &operator=(const TVK_Logic_PictureStore &) = delete;

    // Picks folder and file name and advances the picture number (then
    // *numberAdvanced). A folder that is gone is replaced by the platform's
    // pictures folder, and remembered. False for a file type that is not
    // stored; target then still names where it would have gone.
    bool chooseTarget(TVK_Logic_FolderSettings &folders, const Picture &picture, Target *target,
                      bool *numberAdvanced);
    // The same file name in the platform's rescue folder; false (reason in
    // *error) when there is none or it cannot be made.
    bool rescueTarget(const Target &chosen, Target *rescue, QString *error);

    // A new hidden file beside target, for the picture's bytes.
    std::unique_ptr<TVK_Logic_PartFile> createPart(const Target &target, QString *error);
    // Gives the complete part its name: the first free one of target's
    // series from its number on (another program may have taken the chosen
    // name meanwhile), then target->fullPath. False with the reason when the
    // part is not complete or no name took it; the part is gone then.
    bool commit(TVK_Logic_PartFile &part, Target *target, QString *error);

    // The name of a file of the series of path: path itself for 0, otherwise
    // path without its four-character extension, "_" and the number, a dot and
    // the camera's extension.
    static QString seriesName(const QString &path, const QString &extension, int number);

    // --- Pictures saved whose hand-over the camera did not confirm ---------------------
    // Name and size are those of the picture saved last without confirmation.
    bool mayBeSavedAlready(const QString &cameraFileName, quint64 size) const;
    // The path of that picture when its file is still there and byte for
    // byte the one with this digest (SHA-256); empty otherwise.
    QString savedAlready(const QByteArray &digest) const;
    void rememberUnconfirmed(const QString &cameraFileName, quint64 size, const QString &savedPath);
    // The camera confirmed a hand-over: it will not offer that picture again.
    void forgetUnconfirmed();

    // SHA-256 of a file, read in pieces; empty when it cannot be read.
    static QByteArray fileDigest(const QString &path);

private:
    void pickFreeName(const QString &basePath, Target *target) const;

    // Names are looked at and taken one at a time, whatever the file system
    // can promise between processes.
    std::mutex m_nameMutex;

    mutable std::mutex m_unconfirmedMutex;
    QString m_unconfirmedName;
    quint64 m_unconfirmedSize = 0;
    QString m_unconfirmedPath;
};
