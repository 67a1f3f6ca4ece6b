// dravo-spark-config.exe test against a data source in the registry and
// against settings given on its command line: the driver's registration,
// Winsock's resolver and connections, and HTTP to a loopback server that this
// test runs, answering 404 at one path and 200 elsewhere.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

/// An HTTP server on 127.0.0.1 that answers each request by its path.
class LoopbackHttpServer {
public:
    LoopbackHttpServer()
    {
        WSADATA data;
        EXPECT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_listener, 8), 0);
        int length = sizeof address;
        EXPECT_EQ(::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackHttpServer()
    {
        ::closesocket(m_listener);
        m_thread.join();
        ::WSACleanup();
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    [[nodiscard]] std::string Port() const { return std::to_string(m_port); }
    [[nodiscard]] int Requests() const { return m_requests; }

private:
    void Serve()
    {
        for (;;) {
            const SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            std::string request;
            char buffer[1024];
            int received = 0;
            while (request.find("\r\n\r\n") == std::string::npos
                && (received = ::recv(client, buffer, sizeof buffer, 0)) > 0) {
                request.append(buffer, static_cast<size_t>(received));
            }
            if (request.find("\r\n\r\n") != std::string::npos) {
                ++m_requests;
                const bool missing = request.starts_with("POST /missing ");
                const std::string answer = missing
                    ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                    : "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
                ::send(client, answer.data(), static_cast<int>(answer.size()), 0);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::atomic<int> m_requests = 0;
    std::thread m_thread;
};

/// A loopback port that nothing listens on: bound, then let go.
std::string ClosedPort()
{
    WSADATA data;
    EXPECT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    int length = sizeof address;
    EXPECT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::closesocket(probe);
    ::WSACleanup();
    return std::to_string(ntohs(address.sin_port));
}

/// The JSON object of step NAME in the output, or empty.
std::string StepOf(const std::string& output, const std::string& name)
{
    const size_t start = output.find("{\"step\":\"" + name + "\"");
    return start == std::string::npos ? std::string() : output.substr(start, output.find('}', start) - start + 1);
}

class ConnectionTestWin32Test : public ProgramWin32Fixture {
protected:
    void SetUp() override
    {
        ProgramWin32Fixture::SetUp();
        m_dataSource = L"Dravo Diagnosis Test " + Wide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_dataSourceKey = L"Software\\ODBC\\ODBC.INI\\" + m_dataSource;
    }
    void TearDown() override
    {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_dataSourceKey.c_str());
        HKEY list = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, KEY_SET_VALUE, &list)
            == ERROR_SUCCESS) {
            ::RegDeleteValueW(list, m_dataSource.c_str());
            ::RegCloseKey(list);
        }
        ProgramWin32Fixture::TearDown();
    }

    /// A user data source as the ODBC administrator stores it.
    void StoreDataSource(const std::vector<std::pair<std::string, std::string>>& values)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, m_dataSourceKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr),
            ERROR_SUCCESS);
        for (const auto& [name, text] : values) {
            const std::wstring value = Wide(text);
            ::RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        }
        ::RegCloseKey(key);
        HKEY list = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &list, nullptr),
            ERROR_SUCCESS);
        const std::wstring driver = L"Dravo Unregistered Test Driver";
        ::RegSetValueExW(list, m_dataSource.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(driver.c_str()),
            static_cast<DWORD>((driver.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(list);
    }

    std::string DataSourceName() const { return std::string(m_dataSource.begin(), m_dataSource.end()); }

    std::wstring m_dataSource;
    std::wstring m_dataSourceKey;
};

TEST_F(ConnectionTestWin32Test, ARegistryDataSourceIsCheckedOverHttpUpToItsUnregisteredDriver)
{
    const LoopbackHttpServer server;
    StoreDataSource({{"Driver", "Dravo Unregistered Test Driver"}, {"Host", "localhost"}, {"Port", server.Port()},
        {"ThriftTransport", "2"}, {"HTTPPath", "/missing"}, {"AuthMech", "0"}, {"SSL", "0"}});

    const ProgramRun missing = RunCommand({"--dsn", DataSourceName(), "test", "--json", "--timeout", "5"});
    EXPECT_EQ(missing.exitCode, 6u) << missing.output << missing.errors;
    const std::string driver = StepOf(missing.output, "driver");
    EXPECT_NE(driver.find("\"status\":\"failed\""), std::string::npos) << missing.output;
    EXPECT_NE(driver.find("[Dravo Unregistered Test Driver]"), std::string::npos) << driver;
    EXPECT_NE(driver.find("ODBCINST.INI"), std::string::npos) << driver;
    EXPECT_NE(StepOf(missing.output, "name").find("\"status\":\"ok\""), std::string::npos) << missing.output;
    EXPECT_NE(StepOf(missing.output, "connect").find("\"status\":\"ok\""), std::string::npos) << missing.output;
    const std::string transport = StepOf(missing.output, "transport");
    EXPECT_NE(transport.find("\"status\":\"failed\""), std::string::npos) << missing.output;
    EXPECT_NE(transport.find("HTTPPath"), std::string::npos) << transport;
    EXPECT_NE(StepOf(missing.output, "driver test").find("\"status\":\"skipped\""), std::string::npos)
        << missing.output;

    // A setting on the command line wins over the stored one.
    const ProgramRun found
        = RunCommand({"--dsn", DataSourceName(), "test", "HTTPPath=/cliservice", "--json", "--timeout", "5"});
    EXPECT_NE(StepOf(found.output, "transport").find("\"status\":\"ok\""), std::string::npos) << found.output;
    EXPECT_GE(server.Requests(), 2);
}

TEST_F(ConnectionTestWin32Test, AnUnknownNameAClosedPortAndTlsEachEndTheirStepWithWhy)
{
    const ProgramRun unknown = RunCommand({"test", "Host=nowhere.invalid", "Port=10000", "--timeout", "5"});
    EXPECT_EQ(unknown.exitCode, 6u) << unknown.output << unknown.errors;
    EXPECT_NE(unknown.output.find("failed  name: "), std::string::npos) << unknown.output;
    EXPECT_NE(unknown.output.find("skipped connect: "), std::string::npos) << unknown.output;

    const auto start = std::chrono::steady_clock::now();
    const ProgramRun closed = RunCommand({"test", "Host=127.0.0.1", "Port=" + ClosedPort(), "--timeout", "5", "--json"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    const std::string connect = StepOf(closed.output, "connect");
    EXPECT_NE(connect.find("\"status\":\"failed\""), std::string::npos) << closed.output;
    EXPECT_NE(connect.find("refused"), std::string::npos) << connect;

    const LoopbackHttpServer server;
    const ProgramRun tls = RunCommand(
        {"test", "Host=127.0.0.1", "Port=" + server.Port(), "SSL=1", "ThriftTransport=2", "--json", "--timeout", "5"});
    const std::string handshake = StepOf(tls.output, "tls");
    EXPECT_NE(handshake.find("\"status\":\"skipped\""), std::string::npos) << tls.output;
    EXPECT_NE(handshake.find("Windows"), std::string::npos) << handshake;
    EXPECT_NE(StepOf(tls.output, "transport").find("\"status\":\"skipped\""), std::string::npos) << tls.output;
}

} // namespace
} // namespace Dravo::Test
