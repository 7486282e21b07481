#include "TVK_Logic_DigestSink.h"

TVK_Logic_DigestSink::TVK_Logic_DigestSink()
    : m_hash(QCryptographicHash::Sha256)
{
}

bool TVK_Logic_DigestSink::begin(quint64)
{
    m_hash.reset();
    m_written = 0;
    m_complete = false;
    return true;
}

bool TVK_Logic_DigestSink::write(const unsigned char *bytes, size_t size)
{
    m_hash.addData(reinterpret_cast<const char *>(bytes), int(size));
    m_written += size;
    return true;
}

void TVK_Logic_DigestSink::end(eLEEnd how)
{
    m_complete = how == kLEComplete;
}

QByteArray TVK_Logic_DigestSink::digest() const
{
    return m_complete ? m_hash.result() : QByteArray();
}
