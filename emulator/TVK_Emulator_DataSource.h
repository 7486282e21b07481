#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

class QIODevice;

// The bytes of one data-in phase, made as they are read. A small answer is
// held as the byte array it was made as; a file of any size (a DNG of up to
// 4 GB) is a short head followed by bytes computed from their position, so
// that a transport hands it on piece by piece and nothing ever holds it
// whole.
//
// A value: copies and slices share the same content, which never changes, so
// one source may be read from several threads at once.
class TVK_Emulator_DataSource
{
public:
    // Writes count bytes of the computed part, from offset within that part.
    using Filler = std::function<void(qint64 offset, char *into, qint64 count)>;

    // Large enough for any piece a transport reads at once, small enough to
    // stay out of a benchmark's memory figures.
    static constexpr qint64 kPieceBytes = 1024 * 1024;

    TVK_Emulator_DataSource() = default;
    explicit TVK_Emulator_DataSource(const QByteArray &bytes);
    // head, then filler's bytes up to size bytes in all (size below the
    // head's length cuts the head).
    TVK_Emulator_DataSource(const QByteArray &head, qint64 size, Filler filler);

    qint64 size() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }

    // Copies the bytes from offset, at most count of them, into into; returns
    // how many (0 at or past the end, or for a negative offset or count).
    qint64 read(qint64 offset, char *into, qint64 count) const;
    // The bytes from offset, at most count of them (-1: to the end), clamped
    // to what there is: the answer to a partial read, or a phase cut short.
    TVK_Emulator_DataSource mid(qint64 offset, qint64 count = -1) const;
    // Whether the bytes are held as a byte array (not computed).
    bool isHeld() const;
    // The bytes in one array: shared, not copied, when they are held whole;
    // otherwise made, which only tools and tests of small phases should ask
    // for. Empty when more than a byte array can hold.
    QByteArray toByteArray() const;

    // -1 when device, from its current position to its end, holds exactly
    // these bytes; otherwise the first offset where the two differ (where the
    // shorter ends, when one is the other's start). Reads both in pieces of
    // kPieceBytes.
    qint64 firstDifference(QIODevice &device) const;

private:
    struct Content;
    std::shared_ptr<const Content> m_content;
    qint64 m_offset = 0; // of this slice in the content
    qint64 m_length = 0;
};
