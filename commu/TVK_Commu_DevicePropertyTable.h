#pragma once

#include <QVector>
#include <QtGlobal>

// The device properties the settings layer reads and writes, each with the
// width of its value on the wire and the directions the camera allows.
class TVK_Commu_DevicePropertyTable
{
public:
    struct Entry {
        quint16 code;
        quint8 width; // bytes
        bool readable;
        bool writable;
    };

    static const QVector<Entry> &entries();
    // The entry of code, or nullptr when the settings layer does not use it.
    static const Entry *find(int code);
};
