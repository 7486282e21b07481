#include "TVK_Test_ExactBuffer.h"

#include <cstring>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

TVK_Test_ExactBuffer::TVK_Test_ExactBuffer(const QByteArray &bytes)
    : m_size(size_t(bytes.size()))
    // The sanitizer lets a zero-size block be read as one byte, so an empty
    // buffer gets that byte and forbids it explicitly.
    , m_data(new unsigned char[m_size > 0 ? m_size : 1]())
{
    if (m_size > 0)
        std::memcpy(m_data.get(), bytes.constData(), m_size);
    else
        ASAN_POISON_MEMORY_REGION(m_data.get(), 1);
}

TVK_Test_ExactBuffer::~TVK_Test_ExactBuffer()
{
    if (m_size == 0)
        ASAN_UNPOISON_MEMORY_REGION(m_data.get(), 1);
}
