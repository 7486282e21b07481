#pragma once

#include "TVK_Logic_ObjectInfo.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

class TVK_Commu_CameraAccess_Base;
class TVK_Logic_Camera;
class TVK_Logic_FolderSettings;

// Fetches one new picture from the camera and stores it. The camera model's
// transfer queue runs one for each request it keeps, on its worker thread; each
// holds the model's access lock for its whole run, so transfers follow one
// another in the order the camera announced them and their numbering never
// interleaves.
//
// A picture reaches its file name only complete: it is written to a hidden
// file beside its target and moved to the first free name of its series
// (Picture00041.DNG, Picture00041_1.DNG, ...) with a rename that never
// replaces a file. A picture that could not be read or written is reported
// through the model's signalTransferError, never stored as zeros or in part.
//
// The camera is told that a picture is handed over (and may let it go) only
// once its bytes are on disk: when the download folder cannot take them
// (read-only, full), they go to the platform's rescue folder under the same
// naming; when that fails too, the camera is not told and keeps its copy.
//
// A picture saved while the camera's confirmation of its hand-over was lost
// (the cable went at that moment) is offered again in the camera's next
// session; when it comes byte for byte as saved, it is confirmed and not
// saved a second time under the next name.
class TVK_Logic_TransferThread : public QObject
{
    Q_OBJECT

public:
    // The camera names the picture waiting for the host by this handle only.
    static constexpr quint32 kPendingObjectHandle = 0x12345678;
    // The orientation is looked for in this much of the file's beginning.
    static constexpr int kHeaderBytes = 1024;
    // Numbers are advanced only below this, so a name never needs six digits.
    static constexpr int kPictureNumberLimit = 99999;
    // Sizes the ObjectInfo may claim; anything larger is taken as garbage,
    // not allocated.
    static constexpr quint32 kMaxPictureBytes = 1024u * 1024u * 1024u;
    static constexpr quint32 kMaxThumbnailBytes = 16u * 1024u * 1024u;

    // objectPropsSupported: the camera's DeviceInfo lists both
    // GetObjectPropsSupported and GetObjectPropValue.
    TVK_Logic_TransferThread(TVK_Logic_Camera *camera, bool objectPropsSupported, QObject *parent = nullptr);
    ~TVK_Logic_TransferThread() override;

    // The one transfer, in the calling thread.
    void run();

    TVK_Logic_TransferThread(const TVK_Logic_TransferThread &) = delete;
    TVK_Logic_TransferThread &operator=(const TVK_Logic_TransferThread &) = delete;

    // The Exif orientation (1..8) found in the first bytes of a JPEG or DNG
    // file; 0 when there is none.
    static int exifOrientation(const QByteArray &head);

    // The name of a file of the series of path: path itself for 0, otherwise
    // path without its four-character extension, "_" and the number, a dot and
    // the camera's extension.
    static QString seriesName(const QString &path, const QString &extension, int number);

private:
    // Reads the ObjectInfo; large thumbnails where the product has them.
    bool readObjectInfo();
    // Takes the camera's file name and type from the ObjectInfo.
    void identifyFile();
    // Name and size are those of the picture saved last whose confirmation
    // the camera did not answer.
    bool mayBeSavedAlready() const;
    // The picture read into m_imageData is byte for byte that one, and its
    // file is still there; m_imageData is then let go.
    bool isSavedAlready();
    // Remembers the picture just handled for isSavedAlready() of a later
    // run, or forgets the last one once the camera confirmed a hand-over.
    void rememberConfirmation(bool confirmed, bool saved);
    // Picks folder and file name and advances the picture number; false for
    // a file type that is not stored.
    bool chooseTarget();
    // Fetches thumbnail and orientation for the quick view; false when there
    // is nothing to show.
    bool fetchQuickView();
    // Takes the first free name of basePath's series.
    void pickFreeName(const QString &basePath);
    int readOrientation();
    // Reads the whole picture into m_imageData; false (and m_imageData empty)
    // when the camera did not deliver it.
    bool readPicture();
    // Stores m_imageData in the chosen folder or else in the rescue folder;
    // false, reported, when neither took it.
    bool storePicture();
    // Stores m_imageData under the first free name of m_basePath's series;
    // false, with the reason in error, when the folder did not take it.
    bool savePicture(QString *error);
    void reportError(const QString &message);

    TVK_Logic_Camera *const m_camera;
    const bool m_objectPropsSupported;
    unsigned m_platformToken = 0; // handed to the platform's transfer hooks

    // Working values of the one run.
    TVK_Commu_CameraAccess_Base *m_access = nullptr;
    TVK_Logic_FolderSettings *m_folders = nullptr;
    TVK_Logic_ObjectInfo m_objectInfo;
    int m_thumbnailType = 0;
    bool m_pairMode = false;
    bool m_isJpg = false;
    bool m_isDng = false;
    QString m_cameraFileName;
    QString m_extension;
    QString m_folder;
    QString m_fileName;
    QString m_basePath;     // folder and file name before any suffix
    int m_seriesNumber = 0; // the first free number of m_basePath's series
    QString m_fullPath;     // the name of that number
    QByteArray m_imageData;
    QByteArray m_thumbnail;
    int m_orientation = 0;
};
