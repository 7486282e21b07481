#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

// Bytes copied onto the heap into a block of exactly their size, so that a
// read one byte past them is an AddressSanitizer fault rather than a quiet
// zero. An empty buffer still hands out a valid pointer, to a byte that the
// sanitizer forbids reading.
class TVK_Test_ExactBuffer
{
public:
    explicit TVK_Test_ExactBuffer(const QByteArray &bytes);
    ~TVK_Test_ExactBuffer();

    TVK_Test_ExactBuffer(const TVK_Test_ExactBuffer &) = delete;
    TVK_Test_ExactBuffer &operator=(const TVK_Test_ExactBuffer &) = delete;

    const unsigned char *data() const { return m_data.get(); }
    size_t size() const { return m_size; }

private:
    size_t m_size;
    std::unique_ptr<unsigned char[]> m_data;
};
