#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <mutex>

class TVK_Commu_CameraAccess_Base;
class TVK_Logic_FolderSettings;
class TVK_Logic_PictureStore;

// What the camera model offers the transfer of a new picture: the camera and
// where pictures go, the model's bookkeeping at the transfer's start and end,
// and the model's signals for what the transfer has to tell. The transfer
// sees nothing else of the model.
class TVK_Logic_TransferHost
{
public:
    // The camera as one transfer finds it; null pointers when the camera is gone.
    struct Camera {
        TVK_Commu_CameraAccess_Base *access = nullptr;
        std::mutex *lock = nullptr; // held by the transfer for its whole run
        TVK_Logic_FolderSettings *folders = nullptr;
        TVK_Logic_PictureStore *store = nullptr;
        int productId = 0;
        int fileFormat = 0;          // as last read or set
        bool objectProps = false;    // GetObjectPropsSupported and GetObjectPropValue listed
        bool partialObject = false;  // GetPartialObject listed
    };

    virtual ~TVK_Logic_TransferHost();

    virtual Camera transferCamera() = 0;

    // With the lock held, before the first read: what the model owes the
    // camera before it hands a picture over, and the transfer counted as running.
    virtual void transferBegins() = 0;
    // The camera has remaining pictures for the host, this one included.
    virtual void transfersRemain(int remaining) = 0;
    // The camera is about to hear the hand-over and may announce the same
    // handle for its next picture.
    virtual void handingOver() = 0;
    // The transfer is over; dngDone: the picture (or the last file of its
    // pair) is done.
    virtual void transferEnds(bool dngDone) = 0;

    // Whether this file shows a quick view: one is wanted, and within a pair
    // only the first file has one. Advances the pair's turn.
    virtual bool quickViewTurn(bool pairMode) = 0;
    // The first file of a pair was handled without a quick view (it had been
    // saved and shown before): its second file has none either.
    virtual void quickViewTurnSkipped(bool pairMode) = 0;

    virtual void reportNumberAdvanced() = 0;
    virtual void reportProgress(const QString &cameraFileName, qint64 received, qint64 total) = 0;
    virtual void reportQuickView(const QByteArray &thumbnail, const QString &fileName, int orientation) = 0;
    virtual void reportError(const QString &message) = 0;
};
