// TCP connections for the connection diagnosis: resolving a host name to
// every address it has, connecting to one of them, and sending and receiving
// with a deadline, so that a server that accepts and then never answers costs
// no more than the time the caller allows.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Dravo::OS {

using NetworkDeadline = std::chrono::steady_clock::time_point;

/// One address a host name resolved to, ready to connect to.
struct NetworkAddress {
    /// The numeric form, "127.0.0.1" or "::1".
    std::string text;
    /// The system's socket address, as the resolver gave it.
    std::vector<unsigned char> socketAddress;
};

struct NetworkResolution {
    std::vector<NetworkAddress> addresses;
    /// The resolver's reason when there are none.
    std::string error;
};

/// Every address of HOST (a name or a numeric address) with PORT, through the
/// system's resolver; gives up at the deadline with an error saying so.
[[nodiscard]] NetworkResolution ResolveNetworkHost(const std::string& host, uint16_t port, NetworkDeadline deadline);

/// How a send or receive ended.
enum class NetworkIoStatus { Done, Closed, TimedOut, Failed };

struct NetworkIoResult {
    NetworkIoStatus status = NetworkIoStatus::Done;
    /// Bytes moved (receive: at most the buffer's size).
    size_t count = 0;
    /// The system's reason for Failed.
    std::string error;
};

/// A connected TCP socket; closed when destroyed.
class NetworkConnection {
public:
    /// Connects to the address before the deadline; nullptr with the reason
    /// ("Connection refused", "timed out after ...") when it cannot.
    static std::unique_ptr<NetworkConnection> Connect(
        const NetworkAddress& address, NetworkDeadline deadline, std::string& reason);

    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;
    ~NetworkConnection();

    /// Sends all of DATA, or as much as the deadline allows.
    NetworkIoResult Send(std::string_view data, NetworkDeadline deadline);
    /// Waits for some bytes and returns what arrived (count > 0), or Closed
    /// when the peer closed its side.
    NetworkIoResult Receive(char* buffer, size_t size, NetworkDeadline deadline);

private:
    explicit NetworkConnection(intptr_t socket) : m_socket(socket) {}
    intptr_t m_socket;
};

} // namespace Dravo::OS
