#pragma once

#include "TVK_Commu_DataSink.h"

#include <QByteArray>
#include <QCryptographicHash>

// Takes a data phase only to know its SHA-256: whether a picture offered
// again is the one saved before, without holding or storing it.
class TVK_Logic_DigestSink : public TVK_Commu_DataSink
{
public:
    TVK_Logic_DigestSink();

    bool begin(quint64 total) override;
    bool write(const unsigned char *bytes, size_t size) override;
    void end(eLEEnd how) override;

    // The digest of a complete data phase; empty otherwise.
    QByteArray digest() const;
    quint64 written() const { return m_written; }

private:
    QCryptographicHash m_hash;
    quint64 m_written = 0;
    bool m_complete = false;
};
