#include "TVK_Emulator_UsbBus.h"

#include "TVK_Emulator_Camera.h"
#include "TVK_Emulator_UsbPipe.h"
#include "TVK_Emulator_UsbResponder.h"

#include <mutex>

namespace {

// Owns the responder of the pipe it hands out, so that the device side lives
// exactly as long as the host holds the pipe.
class OwningPipe : public TVK_Commu_UsbPipeIF
{
public:
    OwningPipe(std::shared_ptr<TVK_Emulator_UsbPipe> pipe, std::shared_ptr<TVK_Emulator_UsbResponder> responder)
        : m_pipe(std::move(pipe)), m_responder(std::move(responder))
    {
    }
    ~OwningPipe() override
    {
        // The device goes first: its handlers point into the pipe.
        m_responder.reset();
    }
    int maxPacketSize() const override { return m_pipe->maxPacketSize(); }
    eLEResult bulkWrite(const void *data, size_t size, int timeoutMs) override
    {
        return m_pipe->bulkWrite(data, size, timeoutMs);
    }
    eLEResult bulkRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        return m_pipe->bulkRead(buffer, size, received, timeoutMs);
    }
    eLEResult interruptRead(void *buffer, size_t size, size_t *received, int timeoutMs) override
    {
        return m_pipe->interruptRead(buffer, size, received, timeoutMs);
    }
    eLEResult cancelTransaction(quint32 transactionId, int timeoutMs) override
    {
        return m_pipe->cancelTransaction(transactionId, timeoutMs);
    }
    eLEResult deviceStatus(quint16 *responseCode, int timeoutMs) override
    {
        return m_pipe->deviceStatus(responseCode, timeoutMs);
    }

private:
    std::shared_ptr<TVK_Emulator_UsbPipe> m_pipe;
    std::shared_ptr<TVK_Emulator_UsbResponder> m_responder;
};

} // namespace

TVK_Emulator_UsbBus::TVK_Emulator_UsbBus(std::shared_ptr<TVK_Emulator_Camera> camera, quint16 vendorId)
    : m_camera(std::move(camera)), m_vendorId(vendorId)
{
}

TVK_Emulator_UsbBus::~TVK_Emulator_UsbBus() = default;

QString TVK_Emulator_UsbBus::deviceId() const
{
    return QStringLiteral("usb:001-1.%1").arg(m_camera ? m_camera->attachment() : 0);
}

std::shared_ptr<TVK_Emulator_UsbPipe> TVK_Emulator_UsbBus::pipe() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_pipe.lock();
}

std::shared_ptr<TVK_Emulator_UsbResponder> TVK_Emulator_UsbBus::responder() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_responder.lock();
}

void TVK_Emulator_UsbBus::failOpens(eLEOpenError error, int count)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_openError = error;
    m_failingOpens = count;
}

int TVK_Emulator_UsbBus::openCount() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_opens;
}

void TVK_Emulator_UsbBus::announceHotplug(bool arrived)
{
    const std::lock_guard<std::mutex> locker(m_handlerMutex);
    if (m_handler)
        m_handler(arrived, deviceId());
}

QVector<TVK_Commu_UsbBusIF::Device> TVK_Emulator_UsbBus::stillImageDevices()
{
    if (!m_camera || !m_camera->isAttached())
        return {};
    return {Device{m_vendorId, quint16(m_camera->productId()), deviceId()}};
}

std::shared_ptr<TVK_Commu_UsbPipeIF> TVK_Emulator_UsbBus::open(const QString &id, eLEOpenError *error,
                                                               QString *detail)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    ++m_opens;
    if (m_failingOpens > 0) {
        --m_failingOpens;
        *error = m_openError;
        *detail = QStringLiteral("emulated open failure %1").arg(int(m_openError));
        return nullptr;
    }
    if (!m_camera || !m_camera->isAttached() || id != deviceId()) {
        *error = kLENotFound;
        *detail = QStringLiteral("no such device");
        return nullptr;
    }
    auto pipe = std::make_shared<TVK_Emulator_UsbPipe>();
    auto responder = std::make_shared<TVK_Emulator_UsbResponder>(m_camera, pipe);
    // The pipe goes by itself when a fault pulls it: the camera goes with it.
    std::weak_ptr<TVK_Emulator_Camera> camera = m_camera;
    pipe->setUnplugHandler([camera]() {
        if (auto body = camera.lock())
            body->removeDevice();
    });
    m_pipe = pipe;
    m_responder = responder;
    *error = kLENoError;
    return std::make_shared<OwningPipe>(pipe, responder);
}

bool TVK_Emulator_UsbBus::setHotplugHandler(HotplugHandler handler)
{
    const std::lock_guard<std::mutex> locker(m_handlerMutex);
    m_handler = std::move(handler);
    return true;
}
