// Test helper: Debian's ZooKeeper server, standalone on 127.0.0.1, with its
// data in a temporary directory; nodes are made with create requests in
// ZooKeeper's wire format. The server is stopped when the helper goes.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "driversupport/ZooKeeperWire.h"
#include "tests/common/LoopbackPort.h"
#include "tests/common/TempDir.h"

extern char** environ;

namespace Dravo::Test {

class TestZooKeeper {
public:
    static constexpr const char* SERVER_JAR = "/usr/share/java/zookeeper.jar";

    TestZooKeeper()
    {
        m_port = UnusedLoopbackPort();
        const std::string log = (m_directory.Path() / "server.log").string();
        std::vector<std::string> argv = {"/usr/bin/java", "-Xmx64m", "-XX:TieredStopAtLevel=1", "-XX:+UseSerialGC",
            "-XX:-UsePerfData", "-Dzookeeper.admin.enableServer=false", "-cp", SERVER_JAR,
            "org.apache.zookeeper.server.ZooKeeperServerMain", std::to_string(m_port),
            (m_directory.Path() / "data").string()};
        std::vector<char*> pointers;
        for (std::string& argument : argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int spawned = ::posix_spawn(&m_child, pointers[0], &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            m_child = -1;
            return;
        }
        // Ready when it opens a session; a JVM takes a moment to start.
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            const int session = OpenSession();
            if (session >= 0) {
                ::close(session);
                m_ready = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        m_startSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    TestZooKeeper(const TestZooKeeper&) = delete;
    TestZooKeeper& operator=(const TestZooKeeper&) = delete;
    ~TestZooKeeper()
    {
        if (m_child > 0) {
            ::kill(m_child, SIGTERM);
            int status = 0;
            ::waitpid(m_child, &status, 0);
        }
    }

    [[nodiscard]] bool Ready() const { return m_ready; }
    [[nodiscard]] uint16_t Port() const { return m_port; }
    [[nodiscard]] double StartSeconds() const { return m_startSeconds; }

    /// Creates the persistent nodes PATHS, open to anyone; ZooKeeper's error
    /// code for the first that fails, else 0.
    int32_t Create(const std::vector<std::string>& paths) const
    {
        const int session = OpenSession();
        if (session < 0) {
            return -4;
        }
        int32_t error = 0;
        int32_t xid = 1;
        for (const std::string& path : paths) {
            std::string record;
            Put(record, static_cast<uint32_t>(xid++));
            Put(record, 1); // create
            PutText(record, path);
            Put(record, 0); // no data
            Put(record, 1); // one ACL: all rights for world:anyone
            Put(record, 31);
            PutText(record, "world");
            PutText(record, "anyone");
            Put(record, 0); // persistent
            std::string packet;
            Put(packet, static_cast<uint32_t>(record.size()));
            packet += record;
            (void)::send(session, packet.data(), packet.size(), MSG_NOSIGNAL);
            const std::string reply = ReadPacket(session);
            if (reply.size() < 20) {
                error = -4;
                break;
            }
            error = static_cast<int32_t>(Get(reply, 16));
            if (error != 0) {
                break;
            }
        }
        ::close(session);
        return error;
    }

private:
    static void Put(std::string& out, uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }

    static void PutText(std::string& out, const std::string& text)
    {
        Put(out, static_cast<uint32_t>(text.size()));
        out += text;
    }

    static uint32_t Get(const std::string& bytes, size_t offset)
    {
        uint32_t value = 0;
        for (size_t index = offset; index < offset + 4; ++index) {
            value = (value << 8) | static_cast<uint8_t>(bytes[index]);
        }
        return value;
    }

    /// One whole packet, length included; empty on a close or after 5 s.
    static std::string ReadPacket(int socket)
    {
        std::string bytes;
        while (bytes.size() < 4 || bytes.size() < 4 + Get(bytes, 0)) {
            pollfd entry{socket, POLLIN, 0};
            char buffer[4096];
            if (::poll(&entry, 1, 5000) <= 0) {
                return {};
            }
            const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
            if (count <= 0) {
                return {};
            }
            bytes.append(buffer, static_cast<size_t>(count));
        }
        return bytes;
    }

    /// A socket with a session open, or -1.
    [[nodiscard]] int OpenSession() const
    {
        const int session = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_port);
        if (::connect(session, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(session);
            return -1;
        }
        const std::string request = DriverSupport::EncodeZooKeeperConnect(10000);
        DriverSupport::ZooKeeperSession opened;
        if (::send(session, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())
            || DriverSupport::ReadZooKeeperConnectReply(ReadPacket(session), opened)
                != DriverSupport::ZooKeeperReplyState::Complete) {
            ::close(session);
            return -1;
        }
        return session;
    }

    TempDir m_directory;
    uint16_t m_port = 0;
    pid_t m_child = -1;
    bool m_ready = false;
    double m_startSeconds = 0;
};

} // namespace Dravo::Test
