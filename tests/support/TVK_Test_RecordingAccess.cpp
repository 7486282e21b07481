#include "TVK_Test_RecordingAccess.h"

#include "TVK_Platform_ThreadCheck.h"

#include <mutex>

TVK_Test_RecordingAccess::TVK_Test_RecordingAccess(int productId, int connectionType)
    : TVK_Commu_CameraAccess_Base(connectionType)
{
    setProductId(productId);
}

void TVK_Test_RecordingAccess::answerNext(int operationCode, const QByteArray &data, bool ok)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_next[operationCode].enqueue({data, ok});
}

void TVK_Test_RecordingAccess::answerAlways(int operationCode, const QByteArray &data, bool ok)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_always[operationCode] = {data, ok};
}

QVector<TVK_Test_RecordingAccess::Transaction> TVK_Test_RecordingAccess::transactions() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return TVK_Platform_ThreadCheck::unshared(m_transactions);
}

TVK_Test_RecordingAccess::Transaction TVK_Test_RecordingAccess::last() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_transactions.isEmpty() ? Transaction() : m_transactions.last();
}

void TVK_Test_RecordingAccess::clear()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_transactions.clear();
}

bool TVK_Test_RecordingAccess::checkDeviceAvailable()
{
    return false;
}

bool TVK_Test_RecordingAccess::openConnection(quint64, int productId, QString)
{
    setProductId(productId);
    Q_EMIT signalConnectionOpened(connectionType());
    return true;
}

bool TVK_Test_RecordingAccess::closeConnection()
{
    setProductId(0);
    Q_EMIT signalConnectionClosed(connectionType());
    return true;
}

TVK_Test_RecordingAccess::Answer TVK_Test_RecordingAccess::record(Transaction transaction, int numParams,
                                                                   const quint32 *params)
{
    for (int i = 0; i < numParams; ++i)
        transaction.params.append(params[i]);
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_transactions.append(transaction);
    QQueue<Answer> &next = m_next[transaction.operationCode];
    if (!next.isEmpty())
        return next.dequeue();
    return m_always.value(transaction.operationCode, Answer());
}

bool TVK_Test_RecordingAccess::recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                                        unsigned bufferSize, const char *caller, quint64 *received)
{
    if (received)
        *received = 0;
    Transaction transaction;
    transaction.operationCode = operationCode;
    transaction.direction = kLEDataIn;
    transaction.size = bufferSize;
    transaction.caller = QString::fromLatin1(caller);
    const Answer answer = record(transaction, numParams, params);
    if (!answer.ok)
        return false;
    storeReceivedData(buffer, bufferSize, answer.data.constData(), size_t(answer.data.size()));
    if (received)
        *received = quint64(answer.data.size());
    return true;
}

bool TVK_Test_RecordingAccess::sendCommand(int operationCode, int numParams, const quint32 *params,
                                           const char *caller)
{
    Transaction transaction;
    transaction.operationCode = operationCode;
    transaction.caller = QString::fromLatin1(caller);
    return record(transaction, numParams, params).ok;
}

bool TVK_Test_RecordingAccess::sendData(int operationCode, int numParams, const quint32 *params,
                                        const void *buffer, unsigned size, const char *caller)
{
    Transaction transaction;
    transaction.operationCode = operationCode;
    transaction.direction = kLEDataOut;
    transaction.size = size;
    transaction.sentData = QByteArray(static_cast<const char *>(buffer), int(size));
    transaction.caller = QString::fromLatin1(caller);
    return record(transaction, numParams, params).ok;
}
