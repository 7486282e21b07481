#pragma once

#include <QString>

#include <memory>
#include <vector>

#include <sys/socket.h>

// Turns the host of a camera address into the socket addresses to connect
// to, within a bound. getaddrinfo has no time-out of its own (a resolver that
// does not answer holds it for half a minute and more), so a name is looked
// up on a thread of its own, which the caller waits for at most the bound; a
// lookup that outlives its wait ends unseen and drops its result. A numeric
// address is converted at once, without a thread or the network.
//
// One lookup at a time per object: while one that timed out still runs, the
// next fails at once, so a resolver that hangs gathers no threads. stop()
// from another thread ends a wait at once, for good.
class TVK_Commu_HostLookup
{
public:
    struct Endpoint {
        sockaddr_storage address{};
        socklen_t length = 0;
    };
    struct Result {
        std::vector<Endpoint> endpoints; // empty when it failed
        QString error;                   // why it failed
        bool ok() const { return !endpoints.empty(); }
    };

    TVK_Commu_HostLookup();
    ~TVK_Commu_HostLookup();
    TVK_Commu_HostLookup(const TVK_Commu_HostLookup &) = delete;
    TVK_Commu_HostLookup &operator=(const TVK_Commu_HostLookup &) = delete;

    // An IPv4 or IPv6 address in text; fails for a name, without looking it up.
    static Result numeric(const QString &host, quint16 port);
    // Blocks the calling thread for at most timeoutMs.
    Result resolve(const QString &host, quint16 port, int timeoutMs);
    void stop();

private:
    struct State;
    std::shared_ptr<State> m_state;
};
