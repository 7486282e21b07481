#pragma once

#include "TVK_Commu_DataSink.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <functional>
#include <memory>

// The hidden file a picture is written to while it comes from the camera,
// beside the name it is meant for. It takes the data phase piece by piece as
// a sink, so no more than a piece of the picture is ever in memory; it keeps
// the file's first bytes (for the orientation) and, when asked, the picture's
// digest.
//
// It refuses a data phase the file system has no room for before the first
// byte, and any piece it cannot write; refused() then tells a failure of the
// disk from one of the camera. The file is removed when the object goes,
// unless it was given its name (released()).
class TVK_Logic_PartFile : public TVK_Commu_DataSink
{
public:
    // As much of a file's beginning as head() keeps.
    static constexpr int kHeadBytes = 1024;
    // Room kept free on the disk beyond the picture, for everything else the
    // system writes meanwhile.
    static constexpr quint64 kSpareBytes = 16u * 1024u * 1024u;

    // Reports the bytes written so far and the total announced, after each piece.
    using Progress = std::function<void(quint64 written, quint64 total)>;

    // partPath: the hidden name, in the folder of the picture's own.
    explicit TVK_Logic_PartFile(const QString &partPath);
    ~TVK_Logic_PartFile() override;

    TVK_Logic_PartFile(const TVK_Logic_PartFile &) = delete;
    TVK_Logic_PartFile &operator=(const TVK_Logic_PartFile &) = delete;

    // Creates the file, never over an existing one; false with error() set.
    bool create();
    void setDigesting(bool digesting);
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Empties the file for another read of the same picture.
    bool restart();
    // Writes what is left to the disk and closes the file: true only when
    // every byte of a complete data phase is there.
    bool finish();
    // Takes the file off the disk.
    void discard();
    // The file is under its final name now and stays.
    void release() { m_released = true; }

    bool begin(quint64 total) override;
    bool write(const unsigned char *bytes, size_t size) override;
    void end(eLEEnd how) override;

    QString path() const { return m_path; }
    // The disk, not the camera, stopped the data: no room, or a write failed.
    bool refused() const { return m_refused; }
    QString error() const { return m_error; }
    quint64 written() const { return m_written; }
    bool complete() const { return m_complete; }
    QByteArray head() const { return m_head; }
    // SHA-256 of the bytes written, when digesting.
    QByteArray digest() const;

private:
    bool refuse(const QString &error);

    const QString m_path;
    int m_fd = -1;
    bool m_released = false;
    bool m_refused = false;
    bool m_complete = false;
    quint64 m_total = 0;
    quint64 m_written = 0;
    QString m_error;
    QByteArray m_head;
    std::unique_ptr<QCryptographicHash> m_hash;
    Progress m_progress;
};
