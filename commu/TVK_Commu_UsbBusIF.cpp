#include "TVK_Commu_UsbBusIF.h"

TVK_Commu_UsbBusIF::~TVK_Commu_UsbBusIF() = default;
