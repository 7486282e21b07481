#include "TVK_Logic_TransferHost.h"

TVK_Logic_TransferHost::~TVK_Logic_TransferHost() = default;
