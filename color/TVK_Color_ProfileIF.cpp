#include "TVK_Color_ProfileIF.h"

TVK_Color_ProfileIF::~TVK_Color_ProfileIF() = default;
