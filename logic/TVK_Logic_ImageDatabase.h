#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>
#include <mutex>

class QTimer;
class TVK_Commu_CameraAccess_Base;

// The pictures on the camera, one entry each in camera order, held in memory
// only (controller thread). Indices outside the database read as "no
// picture": handle 0, index -1, rotation 360 (not yet determined); writes to
// them change nothing.
class TVK_Logic_ImageDatabase : public QObject
{
    Q_OBJECT

public:
    // objectStoreLock is held while the object list is read, because picture
    // reads of the transfer threads and thumbnails use the same object store.
    TVK_Logic_ImageDatabase(TVK_Commu_CameraAccess_Base *access, std::mutex &objectStoreLock);
    ~TVK_Logic_ImageDatabase() override;

    TVK_Logic_ImageDatabase(const TVK_Logic_ImageDatabase &) = delete;
    TVK_Logic_ImageDatabase &operator=(const TVK_Logic_ImageDatabase &) = delete;

    // Reads the camera's object list and keeps one entry per picture. Rebuilds
    // run at most once per rebuild interval; a request inside it is served
    // when the interval has passed.
    void requestRebuild();
    // What the end of the rebuild interval does, also when called before it.
    void endRebuildInterval();

    int count() const;
    quint32 handleAt(int index) const;
    int indexOfHandle(quint32 handle) const;
    int rotation(int index) const;
    void setRotation(int index, int degrees);
    int sizeClass(int index) const;
    void setSizeClass(int index, int sizeClass);
    int thirdValue(int index) const;
    void setThirdValue(int index, int value);
    bool isNotJpeg(int index) const;
    QString label(int index) const;
    // Removes the first entry of handle; an unknown handle changes nothing.
    void removeEntry(quint32 handle);

Q_SIGNALS:
    // Around every rebuild, also one whose read failed.
    void signalChangeBegin();
    void signalChangeEnd();

private:
    struct Entry {
        // The first holds the placeholder picture until the thumbnail is
        // loaded; the other two stay empty until a reader fills them.
        std::array<QByteArray, 3> pictures;
        QString label;
        quint32 handle = 0;
        bool isNotJpeg = false;
        bool isPlaceholder = true;
        int rotation = 360;  // degrees; 360 = not yet determined
        int sizeClass = 0;
        int thirdValue = 0;
    };

    // The camera's object handles in camera order; false (handles untouched)
    // when a transaction failed or the answer makes no sense.
    bool readObjectHandles(QVector<quint32> &handles);
    // Replaces the database by the picture handles among handles; entries
    // of pictures still on the camera are kept as they are.
    void applyObjectHandles(const QVector<quint32> &handles);
    const QByteArray &placeholderPicture();
    const Entry *entry(int index) const;
    Entry *entry(int index);

    TVK_Commu_CameraAccess_Base *m_access;
    std::mutex &m_objectStoreLock;
    QTimer *m_rebuildTimer = nullptr;
    bool m_rebuildPending = false;
    QVector<Entry> m_entries;
    QByteArray m_loadedFlags;
    QList<uint> m_pendingThumbnailHandles;
    QByteArray m_placeholderPicture;
    bool m_placeholderPictureTried = false;
};
