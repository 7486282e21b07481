#include "TVK_Emulator_PtpIpServerThread.h"

#include "TVK_Emulator_PtpIpServer.h"

#include <QHostAddress>

TVK_Emulator_PtpIpServerThread::TVK_Emulator_PtpIpServerThread(std::shared_ptr<TVK_Emulator_Camera> camera)
{
    m_thread.start();
    m_context.moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &m_context,
        [this, camera]() {
            m_server = new TVK_Emulator_PtpIpServer(camera);
            if (m_server->listen(QHostAddress::LocalHost, 0))
                m_port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

TVK_Emulator_PtpIpServerThread::~TVK_Emulator_PtpIpServerThread()
{
    QMetaObject::invokeMethod(
        &m_context, [this]() { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool TVK_Emulator_PtpIpServerThread::hasInitiator()
{
    bool result = false;
    QMetaObject::invokeMethod(
        &m_context, [this, &result]() { result = m_server->hasInitiator(); }, Qt::BlockingQueuedConnection);
    return result;
}
