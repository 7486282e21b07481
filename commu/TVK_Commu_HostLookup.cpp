#include "TVK_Commu_HostLookup.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <netdb.h>

using Result = TVK_Commu_HostLookup::Result;

struct TVK_Commu_HostLookup::State {
    std::mutex mutex; // guards the rest
    std::condition_variable changed;
    bool running = false;
    bool stopped = false;
    quint64 generation = 0; // of the lookup whose result is awaited
    bool done = false;
    Result result;
};

namespace {

Result lookUp(const QString &host, quint16 port, int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | flags;
    addrinfo *addresses = nullptr;
    const QByteArray service = QByteArray::number(port);
    const int status = ::getaddrinfo(host.toUtf8().constData(), service.constData(), &hints, &addresses);
    Result result;
    if (status != 0 || addresses == nullptr) {
        result.error = QString::fromLocal8Bit(::gai_strerror(status));
        return result;
    }
    for (const addrinfo *address = addresses; address != nullptr; address = address->ai_next) {
        if (address->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        TVK_Commu_HostLookup::Endpoint endpoint;
        std::memcpy(&endpoint.address, address->ai_addr, address->ai_addrlen);
        endpoint.length = address->ai_addrlen;
        result.endpoints.push_back(endpoint);
    }
    ::freeaddrinfo(addresses);
    if (result.endpoints.empty())
        result.error = QStringLiteral("no address");
    return result;
}

} // namespace

TVK_Commu_HostLookup::TVK_Commu_HostLookup()
    : m_state(std::make_shared<State>())
{
}

TVK_Commu_HostLookup::~TVK_Commu_HostLookup()
{
    // A lookup still running keeps the state alive and ends on its own.
    stop();
}

Result TVK_Commu_HostLookup::numeric(const QString &host, quint16 port)
{
    return lookUp(host, port, AI_NUMERICHOST);
}

Result TVK_Commu_HostLookup::resolve(const QString &host, quint16 port, int timeoutMs)
{
    Result result = numeric(host, port);
    if (result.ok())
        return result;
    const std::shared_ptr<State> state = m_state;
    std::unique_lock<std::mutex> locker(state->mutex);
    if (state->stopped) {
        result.error = QStringLiteral("stopped");
        return result;
    }
    if (state->running) {
        result.error = QStringLiteral("the last lookup has not ended yet");
        return result;
    }
    state->running = true;
    state->done = false;
    const quint64 generation = ++state->generation;
    std::thread([state, host, port, generation]() {
        Result found = lookUp(host, port, 0);
        const std::lock_guard<std::mutex> ended(state->mutex);
        state->running = false;
        if (generation == state->generation) {
            state->result = std::move(found);
            state->done = true;
        }
        state->changed.notify_all();
    }).detach();
    const bool ended = state->changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                                               [&state]() { return state->done || state->stopped; });
    if (ended && state->done)
        return std::move(state->result);
    // Its result, should it come, belongs to nobody.
    ++state->generation;
    result.error = state->stopped ? QStringLiteral("stopped") : QStringLiteral("no answer within %1 ms").arg(timeoutMs);
    return result;
}

void TVK_Commu_HostLookup::stop()
{
    const std::lock_guard<std::mutex> locker(m_state->mutex);
    m_state->stopped = true;
    m_state->changed.notify_all();
}
