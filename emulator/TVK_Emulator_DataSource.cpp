#include "TVK_Emulator_DataSource.h"

#include <QIODevice>

#include <cstring>
#include <limits>
#include <vector>

struct TVK_Emulator_DataSource::Content {
    QByteArray head;
    qint64 size = 0;
    Filler filler; // null: the head is everything

    void read(qint64 offset, char *into, qint64 count) const
    {
        const qint64 headBytes = head.size();
        if (offset < headBytes) {
            const qint64 run = qMin(count, headBytes - offset);
            std::memcpy(into, head.constData() + offset, size_t(run));
            into += run;
            offset += run;
            count -= run;
        }
        if (count > 0 && filler)
            filler(offset - headBytes, into, count);
    }
};

TVK_Emulator_DataSource::TVK_Emulator_DataSource(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    auto content = std::make_shared<Content>();
    content->head = bytes;
    content->size = bytes.size();
    m_length = content->size;
    m_content = std::move(content);
}

TVK_Emulator_DataSource::TVK_Emulator_DataSource(const QByteArray &head, qint64 size, Filler filler)
{
    if (size <= 0)
        return;
    auto content = std::make_shared<Content>();
    content->head = size < head.size() ? head.left(int(size)) : head;
    content->size = size;
    if (size > content->head.size())
        content->filler = std::move(filler);
    // Without a filler there is nothing past the head to read.
    m_length = content->filler ? size : content->head.size();
    m_content = std::move(content);
}

qint64 TVK_Emulator_DataSource::read(qint64 offset, char *into, qint64 count) const
{
    if (offset < 0 || count <= 0 || offset >= m_length || into == nullptr)
        return 0;
    const qint64 run = qMin(count, m_length - offset);
    m_content->read(m_offset + offset, into, run);
    return run;
}

TVK_Emulator_DataSource TVK_Emulator_DataSource::mid(qint64 offset, qint64 count) const
{
    TVK_Emulator_DataSource slice;
    if (offset < 0 || offset >= m_length || count == 0)
        return slice;
    slice.m_content = m_content;
    slice.m_offset = m_offset + offset;
    slice.m_length = count < 0 ? m_length - offset : qMin(count, m_length - offset);
    return slice;
}

bool TVK_Emulator_DataSource::isHeld() const
{
    return !m_content || !m_content->filler;
}

QByteArray TVK_Emulator_DataSource::toByteArray() const
{
    if (!m_content)
        return QByteArray();
    if (isHeld()) {
        if (m_offset == 0 && m_length == m_content->head.size())
            return m_content->head;
        return m_content->head.mid(int(m_offset), int(m_length));
    }
    if (m_length > std::numeric_limits<int>::max() - 64)
        return QByteArray();
    QByteArray bytes(int(m_length), Qt::Uninitialized);
    read(0, bytes.data(), m_length);
    return bytes;
}

qint64 TVK_Emulator_DataSource::firstDifference(QIODevice &device) const
{
    std::vector<char> ours(static_cast<size_t>(kPieceBytes));
    std::vector<char> theirs(static_cast<size_t>(kPieceBytes));
    qint64 done = 0;
    for (;;) {
        const qint64 want = qMin(kPieceBytes, m_length - done);
        qint64 got = 0;
        // A device may hand over less than asked before its end (a pipe, a
        // socket): filled up until it has no more.
        while (got < want) {
            const qint64 run = device.read(theirs.data() + got, want - got);
            if (run <= 0)
                break;
            got += run;
        }
        read(done, ours.data(), got);
        if (std::memcmp(ours.data(), theirs.data(), size_t(got)) != 0) {
            qint64 at = 0;
            while (ours[size_t(at)] == theirs[size_t(at)])
                ++at;
            return done + at;
        }
        done += got;
        if (got < want)
            return done; // the device ended first
        if (done == m_length) {
            char extra = 0;
            return device.read(&extra, 1) > 0 ? done : -1;
        }
    }
}
