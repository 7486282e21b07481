#pragma once

#include "TVK_Commu_CameraAccess_Base.h"

#include <QByteArray>
#include <QHash>
#include <QQueue>
#include <QString>
#include <QVector>

#include <mutex>

// A camera access for tests: records every transaction the layers above frame
// and answers each with scripted data and a scripted outcome.
class TVK_Test_RecordingAccess : public TVK_Commu_CameraAccess_Base
{
    Q_OBJECT

public:
    enum eLEDirection { kLENoData, kLEDataIn, kLEDataOut };

    struct Transaction {
        int operationCode = 0;
        QVector<quint32> params;
        eLEDirection direction = kLENoData;
        unsigned size = 0;     // buffer size of a data phase
        QByteArray sentData;   // what a data-out phase carried
        QString caller;
    };

    explicit TVK_Test_RecordingAccess(int productId = 0, int connectionType = 1);

    // The next transaction of operationCode answers with data (data-in) and
    // succeeds or fails; unscripted transactions succeed without data.
    void answerNext(int operationCode, const QByteArray &data, bool ok = true);
    // Every transaction of operationCode answers so, once no answerNext is left.
    void answerAlways(int operationCode, const QByteArray &data, bool ok = true);
    void setProduct(int productId) { setProductId(productId); }
    void queueProperty(quint16 code) { queueChangedProperty(code); }

    QVector<Transaction> transactions() const;
    Transaction last() const;
    void clear();

    bool checkDeviceAvailable() override;
    bool openConnection(quint64 cameraId, int productId, QString deviceId) override;
    bool closeConnection() override;
    bool recvData(int operationCode, int numParams, const quint32 *params, void *buffer,
                  unsigned bufferSize, const char *caller, quint64 *received = nullptr) override;
    bool sendCommand(int operationCode, int numParams, const quint32 *params,
                     const char *caller) override;
    bool sendData(int operationCode, int numParams, const quint32 *params, const void *buffer,
                  unsigned size, const char *caller) override;

private:
    struct Answer {
        QByteArray data;
        bool ok = true;
    };
    Answer record(Transaction transaction, int numParams, const quint32 *params);

    mutable std::mutex m_mutex;
    QVector<Transaction> m_transactions;
    QHash<int, QQueue<Answer>> m_next;
    QHash<int, Answer> m_always;
};
