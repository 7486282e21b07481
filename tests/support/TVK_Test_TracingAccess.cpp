#include "TVK_Test_TracingAccess.h"

#include "TVK_Commu_PtpCodes.h"

#include <QtEndian>

#include <cstring>

using namespace TVK_Commu_Ptp;

bool TVK_Test_TracingAccess::recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                                      unsigned bufferSize, const char *caller, quint64 *received)
{
    if (operationCode == kOpGetDevicePropValue && numParams > 0) {
        const std::lock_guard<std::mutex> locker(m_recordMutex);
        reads.append(int(params[0]));
        if (failReads.contains(int(params[0]))) {
            if (received)
                *received = 0;
            return false;
        }
    }
    return TVK_Commu_CameraAccess_Emulated::recvData(operationCode, numParams, params, buffer, bufferSize, caller,
                                                     received);
}

bool TVK_Test_TracingAccess::sendData(int operationCode, int numParams, const quint32 *params, const void *buffer,
                                      unsigned size, const char *caller)
{
    {
        const std::lock_guard<std::mutex> locker(m_recordMutex);
        if (operationCode == kOpSetDevicePropValue && numParams > 0) {
            unsigned char bytes[4] = {};
            std::memcpy(bytes, buffer, qMin(size, 4u));
            writes.append({int(params[0]), size, qint64(qFromLittleEndian<quint32>(bytes))});
            written.append(int(params[0]));
            if (failWrites.contains(int(params[0])))
                return false;
        }
        if (operationCode == kOpSetCameraSettings)
            written.append(operationCode);
    }
    return TVK_Commu_CameraAccess_Emulated::sendData(operationCode, numParams, params, buffer, size, caller);
}

bool TVK_Test_TracingAccess::sendCommand(int operationCode, int numParams, const quint32 *params,
                                         const char *caller)
{
    {
        const std::lock_guard<std::mutex> locker(m_recordMutex);
        commands.append(operationCode);
        if (operationCode == kOpRelease && numParams > 0) {
            releaseStages.append(int(params[0]));
            if (failReleaseStages.contains(int(params[0])))
                return false;
        }
    }
    return TVK_Commu_CameraAccess_Emulated::sendCommand(operationCode, numParams, params, caller);
}

void TVK_Test_TracingAccess::clear()
{
    const std::lock_guard<std::mutex> locker(m_recordMutex);
    reads.clear();
    writes.clear();
    written.clear();
    commands.clear();
    releaseStages.clear();
}
