// TCP connections on POSIX systems: getaddrinfo, non-blocking sockets and
// poll, so that every wait ends at the caller's deadline.
#include "platform/NetworkConnection.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Dravo::OS {
namespace {

std::string ErrorText(int error)
{
    return std::system_category().message(error);
}

int MillisecondsLeft(NetworkDeadline deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

/// Waits for EVENTS on the socket until the deadline: 1 ready, 0 timed out,
/// -1 failed (errno set).
int Wait(int socket, short events, NetworkDeadline deadline)
{
    for (;;) {
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready;
    }
}

std::string NumericText(const sockaddr* address, socklen_t length)
{
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
        return "?";
    }
    return host;
}

/// What a resolver thread hands back; shared, since the thread may outlive
/// the wait for it.
struct PendingResolution {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    NetworkResolution result;
};

} // namespace

NetworkResolution ResolveNetworkHost(const std::string& host, uint16_t port, NetworkDeadline deadline)
{
    // getaddrinfo has no timeout of its own: it runs on a thread of its own,
    // left to finish by itself when the deadline comes first.
    auto pending = std::make_shared<PendingResolution>();
    std::thread([pending, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(port);
        const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        NetworkResolution result;
        if (error != 0) {
            result.error = error == EAI_SYSTEM ? ErrorText(errno) : ::gai_strerror(error);
        }
        for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
            NetworkAddress address;
            address.text = NumericText(entry->ai_addr, entry->ai_addrlen);
            const auto* bytes = reinterpret_cast<const unsigned char*>(entry->ai_addr);
            address.socketAddress.assign(bytes, bytes + entry->ai_addrlen);
            result.addresses.push_back(std::move(address));
        }
        if (found) {
            ::freeaddrinfo(found);
        }
        const std::lock_guard guard(pending->lock);
        pending->result = std::move(result);
        pending->finished = true;
        pending->done.notify_all();
    }).detach();

    std::unique_lock guard(pending->lock);
    if (!pending->done.wait_until(guard, deadline, [&] { return pending->finished; })) {
        NetworkResolution late;
        late.error = "no answer from the resolver in time";
        return late;
    }
    return std::move(pending->result);
}

std::unique_ptr<NetworkConnection> NetworkConnection::Connect(
    const NetworkAddress& address, NetworkDeadline deadline, std::string& reason)
{
    const auto* socketAddress = reinterpret_cast<const sockaddr*>(address.socketAddress.data());
    const int socket = ::socket(socketAddress->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        reason = ErrorText(errno);
        return nullptr;
    }
    std::unique_ptr<NetworkConnection> connection(new NetworkConnection(socket));
    if (::connect(socket, socketAddress, static_cast<socklen_t>(address.socketAddress.size())) == 0) {
        return connection;
    }
    if (errno != EINPROGRESS) {
        reason = ErrorText(errno);
        return nullptr;
    }
    const int ready = Wait(socket, POLLOUT, deadline);
    if (ready == 0) {
        reason = "no answer in time";
        return nullptr;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (ready < 0) {
        error = errno;
    } else if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error != 0) {
        reason = ErrorText(error);
        return nullptr;
    }
    return connection;
}

NetworkConnection::~NetworkConnection()
{
    ::close(static_cast<int>(m_socket));
}

NetworkIoResult NetworkConnection::Send(std::string_view data, NetworkDeadline deadline)
{
    const int socket = static_cast<int>(m_socket);
    NetworkIoResult result;
    while (result.count < data.size()) {
        const ssize_t sent = ::send(socket, data.data() + result.count, data.size() - result.count, MSG_NOSIGNAL);
        if (sent > 0) {
            result.count += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int ready = Wait(socket, POLLOUT, deadline);
            if (ready > 0) {
                continue;
            }
            result.status = ready == 0 ? NetworkIoStatus::TimedOut : NetworkIoStatus::Failed;
            result.error = ready == 0 ? "no room to send in time" : ErrorText(errno);
            return result;
        }
        result.status = errno == EPIPE || errno == ECONNRESET ? NetworkIoStatus::Closed : NetworkIoStatus::Failed;
        result.error = ErrorText(errno);
        return result;
    }
    return result;
}

NetworkIoResult NetworkConnection::Receive(char* buffer, size_t size, NetworkDeadline deadline)
{
    const int socket = static_cast<int>(m_socket);
    NetworkIoResult result;
    for (;;) {
        const ssize_t received = ::recv(socket, buffer, size, 0);
        if (received > 0) {
            result.count = static_cast<size_t>(received);
            return result;
        }
        if (received == 0) {
            result.status = NetworkIoStatus::Closed;
            return result;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const int ready = Wait(socket, POLLIN, deadline);
            if (ready > 0) {
                continue;
            }
            result.status = ready == 0 ? NetworkIoStatus::TimedOut : NetworkIoStatus::Failed;
            result.error = ready == 0 ? "no answer in time" : ErrorText(errno);
            return result;
        }
        result.status = errno == ECONNRESET ? NetworkIoStatus::Closed : NetworkIoStatus::Failed;
        result.error = ErrorText(errno);
        return result;
    }
}

} // namespace Dravo::OS
