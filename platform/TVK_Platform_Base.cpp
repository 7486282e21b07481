#include "TVK_Platform_Base.h"

#include "TVK_Platform_Linux.h"

TVK_Platform_Base::~TVK_Platform_Base() = default;

TVK_Platform_Base *platform()
{
    // A function-local static is created exactly once even when two threads ask
    // at the same moment; it is deliberately never destroyed, because the log
    // may still ask for its folder while static objects are torn down.
    static TVK_Platform_Base *const instance = new TVK_Platform_Linux;
    return instance;
}
