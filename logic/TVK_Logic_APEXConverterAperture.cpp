#include "TVK_Logic_APEXConverterAperture.h"
