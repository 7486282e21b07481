#include "TVK_Commu_DataSink.h"

TVK_Commu_DataSink::~TVK_Commu_DataSink() = default;

unsigned char *TVK_Commu_DataSink::room(quint64, size_t)
{
    return nullptr;
}

bool TVK_Commu_DataSink::toleratesShortPhase() const
{
    return false;
}
