#include "TVK_Commu_UsbPipeIF.h"

TVK_Commu_UsbPipeIF::~TVK_Commu_UsbPipeIF() = default;

const char *TVK_Commu_UsbPipeIF::resultName(eLEResult result)
{
    switch (result) {
    case kLEOk:
        return "ok";
    case kLETimeout:
        return "timed out";
    case kLEGone:
        return "device gone";
    case kLEIoError:
        return "I/O error";
    }
    return "unknown";
}
