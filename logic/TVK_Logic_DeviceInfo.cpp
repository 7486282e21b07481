#include "TVK_Logic_DeviceInfo.h"
