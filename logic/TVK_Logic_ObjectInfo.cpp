#include "TVK_Logic_ObjectInfo.h"
