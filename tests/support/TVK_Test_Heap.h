#pragma once

#include <QtGlobal>

// Bytes of heap handed out and not yet given back: unlike the resident
// figures it leaves out pages the allocator keeps, so small growth shows.
// Read from the sanitizer's allocator where one runs, else from glibc's;
// -1 where neither can tell.
class TVK_Test_Heap
{
public:
    static qint64 inUseBytes();
};
