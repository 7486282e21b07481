#include "TVK_Commu_DevicePropertyTable.h"

namespace {

QVector<TVK_Commu_DevicePropertyTable::Entry> buildTable()
{
    struct Group {
        quint8 width;
        bool readable;
        bool writable;
        QVector<quint16> codes;
    };
    const Group groups[] = {
        {1, true, false, {0x5001}},
        {1, true, true, {0x5014, 0x5015}},
        {2, true, true, {0x5005, 0x500A, 0x500B, 0x500E, 0x5010, 0x5013}},
        {4, true, true, {0x500F, 0x5021, 0xD000, 0xD001, 0xD004, 0xD005, 0xD006, 0xD007, 0xD008,
                         0xD00A, 0xD00F, 0xD012, 0xD013, 0xD014, 0xD015, 0xD016, 0xD018, 0xD01A,
                         0xD024, 0xD02D, 0xD036, 0xD03F, 0xD040, 0xD04E, 0xD04F, 0xD050, 0xD079,
                         0xD082, 0xD115, 0xD121, 0xD122, 0xD123, 0xD125, 0xD13B}},
        // 0x5023 (VideoResolution) is read by the live view although the
        // settings never use it.
        {4, true, false, {0x5020, 0x5022, 0x5023, 0x5025, 0xD06F, 0xD608, 0xD60C, 0xD60E, 0xD610, 0xD615,
                          0xD616, 0xD618, 0xD619, 0xD621, 0xD622, 0xD623, 0xD625, 0xD626, 0xD627,
                          0xD628, 0xD62B, 0xD632, 0xD643, 0xD65F}},
        {4, false, true, {0xD03B, 0xD03C, 0xD080}},
    };
    QVector<TVK_Commu_DevicePropertyTable::Entry> table;
    for (const Group &group : groups) {
        for (quint16 code : group.codes)
            table.append({code, group.width, group.readable, group.writable});
    }
    return table;
}

} // namespace

const QVector<TVK_Commu_DevicePropertyTable::Entry> &TVK_Commu_DevicePropertyTable::entries()
{
    static const QVector<Entry> table = buildTable();
    return table;
}

const TVK_Commu_DevicePropertyTable::Entry *TVK_Commu_DevicePropertyTable::find(int code)
{
    for (const Entry &entry : entries()) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}
