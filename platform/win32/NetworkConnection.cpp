// TCP connections on Windows: Winsock's getaddrinfo, non-blocking sockets and
// select, so that every wait ends at the caller's deadline.
#include "platform/NetworkConnection.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/SystemError.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

std::string ErrorText(int error)
{
    std::string text = Utf8OrPlaceholder(GetSystemErrorMessage(static_cast<ErrorCode>(error)));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

/// Winsock is started once for the process and left running, as every
/// connection may still be in use at exit.
bool StartWinsock(std::string& reason)
{
    static const int started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0) {
        reason = "Winsock cannot start: " + ErrorText(started);
    }
    return started == 0;
}

timeval TimeLeft(NetworkDeadline deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now()).count();
    const long long bounded = std::clamp<long long>(left, 0, 1LL << 40);
    timeval time{};
    time.tv_sec = static_cast<long>(bounded / 1000000);
    time.tv_usec = static_cast<long>(bounded % 1000000);
    return time;
}

enum class WaitFor { Read, Write, Connect };

/// Waits until the socket is ready: 1 ready, 0 timed out, -1 failed
/// (WSAGetLastError set). A failed connect shows in the exception set.
int Wait(SOCKET socket, WaitFor what, NetworkDeadline deadline)
{
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval time = TimeLeft(deadline);
    const int count = ::select(0, what == WaitFor::Read ? &ready : nullptr, what == WaitFor::Read ? nullptr : &ready,
        what == WaitFor::Connect ? &failed : nullptr, &time);
    return count == SOCKET_ERROR ? -1 : count > 0 ? 1 : 0;
}

std::string NumericText(const sockaddr* address, size_t length)
{
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(address, static_cast<socklen_t>(length), host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
        return "?";
    }
    return host;
}

struct PendingResolution {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    NetworkResolution result;
};

bool WouldBlock(int error)
{
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}

bool Cut(int error)
{
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN;
}

} // namespace

NetworkResolution ResolveNetworkHost(const std::string& host, uint16_t port, NetworkDeadline deadline)
{
    NetworkResolution failure;
    if (!StartWinsock(failure.error)) {
        return failure;
    }
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
            result.error = ErrorText(error);
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
    if (!StartWinsock(reason)) {
        return nullptr;
    }
    const auto* socketAddress = reinterpret_cast<const sockaddr*>(address.socketAddress.data());
    const SOCKET socket = ::WSASocketW(socketAddress->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
        WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        reason = ErrorText(::WSAGetLastError());
        return nullptr;
    }
    std::unique_ptr<NetworkConnection> connection(new NetworkConnection(static_cast<intptr_t>(socket)));
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
        reason = ErrorText(::WSAGetLastError());
        return nullptr;
    }
    if (::connect(socket, socketAddress, static_cast<int>(address.socketAddress.size())) == 0) {
        return connection;
    }
    int error = ::WSAGetLastError();
    if (!WouldBlock(error)) {
        reason = ErrorText(error);
        return nullptr;
    }
    const int ready = Wait(socket, WaitFor::Connect, deadline);
    if (ready == 0) {
        reason = "no answer in time";
        return nullptr;
    }
    error = 0;
    int length = sizeof error;
    if (ready < 0) {
        error = ::WSAGetLastError();
    } else if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
        error = ::WSAGetLastError();
    }
    if (error != 0) {
        reason = ErrorText(error);
        return nullptr;
    }
    return connection;
}

NetworkConnection::~NetworkConnection()
{
    ::closesocket(static_cast<SOCKET>(m_socket));
}

NetworkIoResult NetworkConnection::Send(std::string_view data, NetworkDeadline deadline)
{
    const auto socket = static_cast<SOCKET>(m_socket);
    NetworkIoResult result;
    while (result.count < data.size()) {
        const int chunk = static_cast<int>(std::min<size_t>(data.size() - result.count, 1 << 20));
        const int sent = ::send(socket, data.data() + result.count, chunk, 0);
        if (sent > 0) {
            result.count += static_cast<size_t>(sent);
            continue;
        }
        const int error = ::WSAGetLastError();
        if (WouldBlock(error)) {
            const int ready = Wait(socket, WaitFor::Write, deadline);
            if (ready > 0) {
                continue;
            }
            result.status = ready == 0 ? NetworkIoStatus::TimedOut : NetworkIoStatus::Failed;
            result.error = ready == 0 ? "no room to send in time" : ErrorText(::WSAGetLastError());
            return result;
        }
        result.status = Cut(error) ? NetworkIoStatus::Closed : NetworkIoStatus::Failed;
        result.error = ErrorText(error);
        return result;
    }
    return result;
}

NetworkIoResult NetworkConnection::Receive(char* buffer, size_t size, NetworkDeadline deadline)
{
    const auto socket = static_cast<SOCKET>(m_socket);
    NetworkIoResult result;
    const int room = static_cast<int>(std::min<size_t>(size, 1 << 20));
    for (;;) {
        const int received = ::recv(socket, buffer, room, 0);
        if (received > 0) {
            result.count = static_cast<size_t>(received);
            return result;
        }
        if (received == 0) {
            result.status = NetworkIoStatus::Closed;
            return result;
        }
        const int error = ::WSAGetLastError();
        if (WouldBlock(error)) {
            const int ready = Wait(socket, WaitFor::Read, deadline);
            if (ready > 0) {
                continue;
            }
            result.status = ready == 0 ? NetworkIoStatus::TimedOut : NetworkIoStatus::Failed;
            result.error = ready == 0 ? "no answer in time" : ErrorText(::WSAGetLastError());
            return result;
        }
        result.status = Cut(error) ? NetworkIoStatus::Closed : NetworkIoStatus::Failed;
        result.error = ErrorText(error);
        return result;
    }
}

} // namespace Dravo::OS
