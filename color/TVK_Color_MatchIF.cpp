#include "TVK_Color_MatchIF.h"

TVK_Color_MatchIF::~TVK_Color_MatchIF() = default;
