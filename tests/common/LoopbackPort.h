// Ports on 127.0.0.1 for the tests that start servers there (POSIX only).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace Dravo::Test {

/// A port nothing listens on: taken from the system, then let go, for a
/// server to take or for a connection to be refused at.
inline uint16_t UnusedLoopbackPort()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    (void)::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    (void)::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(listener);
    return ntohs(address.sin_port);
}

/// True once PORT takes a connection, false when it has not within WAIT.
inline bool WaitUntilLoopbackPortAnswers(uint16_t port, std::chrono::milliseconds wait)
{
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        const bool answered = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        if (answered) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace Dravo::Test
