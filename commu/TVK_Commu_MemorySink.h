#pragma once

#include "TVK_Commu_DataSink.h"

// The caller's buffer as a sink: what the buffer calls of the access read
// into. It keeps the rule those calls always had: the buffer receives
// min(sent, size) camera bytes, the rest of it is zeroed once the data phase
// is over, and what does not fit is dropped, never refused. A transfer that
// breaks off leaves the buffer as far as it got. The framing reads straight
// into the buffer (room), so each byte is copied once.
class TVK_Commu_MemorySink : public TVK_Commu_DataSink
{
public:
    TVK_Commu_MemorySink(void *buffer, quint64 size);

    bool begin(quint64 total) override;
    bool write(const unsigned char *bytes, size_t size) override;
    void end(eLEEnd how) override;
    unsigned char *room(quint64 offset, size_t size) override;
    bool toleratesShortPhase() const override { return true; }

    // Bytes kept in the buffer, and bytes written (kept or dropped).
    quint64 kept() const { return m_kept; }
    quint64 written() const { return m_written; }

private:
    unsigned char *const m_buffer;
    const quint64 m_size;
    quint64 m_kept = 0;
    quint64 m_written = 0;
};
