#pragma once

// Every log category on, so that the dumps read what the parser took in too,
// and every line dropped: a fuzzer must not wait for a terminal. Safe to call
// on every input; it acts once.
class TVK_Fuzz_Log
{
public:
    static void everyCategoryToNowhere();
};
