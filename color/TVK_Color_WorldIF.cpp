#include "TVK_Color_WorldIF.h"

TVK_Color_WorldIF::~TVK_Color_WorldIF() = default;
