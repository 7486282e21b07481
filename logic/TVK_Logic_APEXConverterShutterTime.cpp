#include "TVK_Logic_APEXConverterShutterTime.h"
