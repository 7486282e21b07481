#include "TVK_Commu_PtpFramingIF.h"

TVK_Commu_PtpFramingIF::~TVK_Commu_PtpFramingIF() = default;

const char *TVK_Commu_PtpFramingIF::statusName(eLEStatus status)
{
    switch (status) {
    case kLEOk:
        return "ok";
    case kLETimeout:
        return "timed out";
    case kLEGone:
        return "device gone";
    case kLEIoError:
        return "I/O error";
    case kLEProtocolError:
        return "not a PTP container";
    case kLERefused:
        return "refused by the receiver";
    case kLEMismatch:
        return "data phase other than announced";
    }
    return "unknown";
}
