#include "TVK_Test_HostileCamera.h"

#include "TVK_Emulator_Camera.h"

#include <QString>

#include <utility>

TVK_Test_HostileCamera::TVK_Test_HostileCamera(std::shared_ptr<TVK_Emulator_Camera> camera)
    : m_camera(std::move(camera))
{
}

TVK_Test_HostileCamera::~TVK_Test_HostileCamera()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TVK_Test_HostileCamera::floodTransferRequests(int count, quint32 handle, bool distinct)
{
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, count, handle, distinct]() {
        for (int i = 0; i < count; ++i) {
            const quint32 object = distinct ? handle + quint32(i) : handle;
            const QString name = QStringLiteral("L%1.DNG").arg(object & 0xFFFFFF, 7, 10, QLatin1Char('0'));
            m_camera->raiseObjectAdded(name, object);
        }
    });
}
