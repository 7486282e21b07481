#include "TVK_Commu_MemorySink.h"

#include <algorithm>
#include <cstring>

TVK_Commu_MemorySink::TVK_Commu_MemorySink(void *buffer, quint64 size)
    : m_buffer(static_cast<unsigned char *>(buffer))
    , m_size(buffer != nullptr ? size : 0)
{
}

bool TVK_Commu_MemorySink::begin(quint64)
{
    m_kept = 0;
    m_written = 0;
    return true;
}

bool TVK_Commu_MemorySink::write(const unsigned char *bytes, size_t size)
{
    const quint64 fits = m_kept < m_size ? std::min<quint64>(size, m_size - m_kept) : 0;
    // Bytes the framing read into room() are in place already.
    if (fits > 0 && bytes != m_buffer + m_kept)
        std::memmove(m_buffer + m_kept, bytes, size_t(fits));
    m_kept += fits;
    m_written += size;
    return true;
}

void TVK_Commu_MemorySink::end(eLEEnd how)
{
    // A phase that ran to its end, however short, leaves zeros after the
    // camera's bytes; one given up leaves the buffer as it got.
    if (how != kLEAbandoned && m_kept < m_size)
        std::memset(m_buffer + m_kept, 0, size_t(m_size - m_kept));
}

unsigned char *TVK_Commu_MemorySink::room(quint64 offset, size_t size)
{
    if (offset != m_kept || offset > m_size || size > m_size - offset)
        return nullptr;
    return m_buffer + offset;
}
