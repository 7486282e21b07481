#pragma once

#include "TVK_Commu_CameraAccess_Emulated.h"

#include <QSet>
#include <QVector>

#include <mutex>

// The emulated USB access with every property read, every write and every
// command recorded, and chosen properties made to fail as a camera that drops
// a transaction would. A transfer thread records its commands too, so every
// record is written under a lock; the test reads them once the camera is quiet.
class TVK_Test_TracingAccess : public TVK_Commu_CameraAccess_Emulated
{
public:
    struct Write {
        int code;
        unsigned size;
        qint64 value; // the first four bytes, little-endian
    };

    using TVK_Commu_CameraAccess_Emulated::TVK_Commu_CameraAccess_Emulated;
    ~TVK_Test_TracingAccess() override { unregisterForEventNotifications(); }

    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer, unsigned bufferSize,
                  const char *caller, quint64 *received = nullptr) override;
    bool sendData(int operationCode, int numParams, const quint32 *params, const void *buffer, unsigned size,
                  const char *caller) override;
    bool sendCommand(int operationCode, int numParams, const quint32 *params, const char *caller) override;
    void clear();

    QVector<int> reads;    // codes of GetDevicePropValue
    QVector<Write> writes; // SetDevicePropValue
    QVector<int> written;  // property codes written and the settings-record write (0x9001), in order
    QVector<int> commands; // operations without a data phase
    QVector<int> releaseStages; // the stage of every vendor release operation
    QSet<int> failReads;
    QSet<int> failWrites;
    QSet<int> failReleaseStages; // answered as failed without reaching the camera

private:
    std::mutex m_recordMutex; // guards the records above while the camera runs
};
