#pragma once
class TVK_Logic_DeviceInfo;
