#pragma once

#include "TVK_Logic_PictureStore.h"
#include "TVK_Logic_TransferHost.h"
#include "TVK_Logic_TransferReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>

class TVK_Logic_PartFile;

// Fetches one new picture from the camera and stores it. The camera model's
// transfer queue runs one for each request it keeps, on its worker thread; each
// holds the model's access lock for its whole run, so transfers follow one
// another in the order the camera announced them and their numbering never
// interleaves.
//
// The picture streams from the camera's data phase into a hidden file beside
// its target, piece by piece, so a transfer's memory does not grow with the
// picture; it reaches its file name only complete and on the disk, moved to
// the first free name of its series (Picture00041.DNG, Picture00041_1.DNG,
// ...) with a link that never replaces a file. A picture that could not be
// read or written is reported through the host, never stored as zeros or in
// part. A read the camera broke off is tried again before the picture is
// given up.
//
// The camera is told that a picture is handed over (and may let it go) only
// once its bytes are on disk: when the download folder cannot take them
// (read-only, full), they go to the platform's rescue folder under the same
// naming; when that fails too, the camera is not told and keeps its copy.
//
// A picture saved while the camera's confirmation of its hand-over was lost
// (the cable went at that moment) is offered again in the camera's next
// session; when it comes byte for byte as the file saved, it is confirmed and
// not saved a second time under the next name.
class TVK_Logic_TransferThread : public QObject
{
    Q_OBJECT

public:
    static constexpr quint32 kPendingObjectHandle = TVK_Logic_TransferReader::kPendingObjectHandle;
    static constexpr int kHeaderBytes = TVK_Logic_TransferReader::kHeaderBytes;
    // Reads of one picture before it is given up, when the camera breaks
    // them off or sends too little.
    static constexpr int kReadAttempts = 3;

    explicit TVK_Logic_TransferThread(TVK_Logic_TransferHost &host, QObject *parent = nullptr);
    ~TVK_Logic_TransferThread() override;

    // The one transfer, in the calling thread.
    void run();

    TVK_Logic_TransferThread(const TVK_Logic_TransferThread &) = delete;
    TVK_Logic_TransferThread &operator=(const TVK_Logic_TransferThread &) = delete;

    static int exifOrientation(const QByteArray &head) { return TVK_Logic_TransferReader::exifOrientation(head); }
    static QString seriesName(const QString &path, const QString &extension, int number)
    {
        return TVK_Logic_PictureStore::seriesName(path, extension, number);
    }

private:
    enum class Outcome { Saved, CameraFailed, DiskFailed };

    void identifyFile();
    // The picture, offered again, is the file saved before its confirmation was lost.
    bool isSavedAlready();
    // Remembers the picture just handled for isSavedAlready() of a later
    // run, or forgets the last one once the camera confirmed a hand-over.
    void rememberConfirmation(bool confirmed, bool saved);
    // Streams the picture into the chosen folder, or else the rescue folder.
    Outcome fetchAndStore();
    // Streams the picture into a part file beside target and gives it its
    // name; *reason says why the disk did not take it.
    Outcome fetchInto(TVK_Logic_PictureStore::Target *target, QString *reason);
    // The read of the part went wrong on the camera's side: reported.
    void reportReadFailure(quint64 received);
    void progress(quint64 written);

    TVK_Logic_TransferHost &m_host;
    unsigned m_platformToken = 0; // handed to the platform's transfer hooks

    // Working values of the one run.
    TVK_Logic_TransferHost::Camera m_camera;
    std::unique_ptr<TVK_Logic_TransferReader> m_reader;
    TVK_Logic_PictureStore::Picture m_picture;
    TVK_Logic_PictureStore::Target m_target;
    quint64 m_size = 0;
    int m_percentShown = -1;
    QByteArray m_head;
    QByteArray m_thumbnail;
};
