// Test helper: a server run as a child on 127.0.0.1 (openssl s_server or the
// loopback test server), its port read from what it prints first, stopped
// when the helper goes.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Dravo::Test {

class ServerProcess {
public:
    /// Starts ARGUMENTS (argv[0] looked up in PATH) in DIRECTORY and waits up
    /// to ten seconds for its port: a line holding only digits, or the
    /// "ACCEPT host:port" line of s_server.
    explicit ServerProcess(std::vector<std::string> arguments)
    {
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int spawned = ::posix_spawnp(&m_child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        m_output = output[0];
        if (spawned != 0) {
            m_child = -1;
            return;
        }
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_port == 0 && std::chrono::steady_clock::now() < end) {
            pollfd entry{m_output, POLLIN, 0};
            if (::poll(&entry, 1, 200) <= 0) {
                continue;
            }
            char buffer[512];
            const ssize_t count = ::read(m_output, buffer, sizeof buffer);
            if (count <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(count));
            size_t start = 0;
            for (size_t newline = text.find('\n'); newline != std::string::npos; newline = text.find('\n', start)) {
                const std::string line = text.substr(start, newline - start);
                start = newline + 1;
                const bool digits = !line.empty() && line.find_first_not_of("0123456789") == std::string::npos;
                if (digits) {
                    m_port = static_cast<uint16_t>(std::stoi(line));
                } else if (line.starts_with("ACCEPT ") && line.rfind(':') != std::string::npos) {
                    m_port = static_cast<uint16_t>(std::stoi(line.substr(line.rfind(':') + 1)));
                }
            }
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess()
    {
        if (m_child > 0) {
            ::kill(m_child, SIGTERM);
            int status = 0;
            ::waitpid(m_child, &status, 0);
        }
        if (m_output >= 0) {
            ::close(m_output);
        }
    }

    /// 0 when the server did not start.
    [[nodiscard]] uint16_t Port() const { return m_port; }
    [[nodiscard]] std::string PortText() const { return std::to_string(m_port); }

private:
    pid_t m_child = -1;
    int m_output = -1;
    uint16_t m_port = 0;
};

} // namespace Dravo::Test
