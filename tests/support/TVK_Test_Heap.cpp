#include "TVK_Test_Heap.h"

#include <malloc.h>

#include <cstddef>

// Defined by the sanitizers' runtimes only; null without them.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

qint64 TVK_Test_Heap::inUseBytes()
{
    if (__sanitizer_get_current_allocated_bytes != nullptr)
        return qint64(__sanitizer_get_current_allocated_bytes());
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return -1;
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}
