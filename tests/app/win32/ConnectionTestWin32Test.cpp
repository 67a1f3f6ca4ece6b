// dravo-spark-config.exe test against a data source in the registry and
// against settings given on its command line: the driver's registration,
// Winsock's resolver and connections, HTTP to a loopback server that this
// test runs, answering 404 at one path and 200 elsewhere, and the system's
// TLS against the host's openssl s_server (Wine starts host programs) with
// certificates the test makes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/app/win32/ProgramWin32Fixture.h"
#include "tests/driversupport/TestCertificates.h"

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

/// The Unix path of a Windows path, through Wine; empty elsewhere.
std::string UnixPath(const std::filesystem::path& path)
{
    using Convert = char*(__cdecl*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = convert ? convert(path.wstring().c_str()) : nullptr;
    if (!unix) {
        return {};
    }
    std::string text = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return text;
}

/// A host program run through /bin/sh under Wine, its output in a file.
class HostProcess {
public:
    HostProcess(const std::filesystem::path& directory, const std::string& name, const std::string& command)
        : m_log(directory / (name + ".log")), m_pidFile(directory / (name + ".pid"))
    {
        const std::string script =
            "echo $$ >'" + UnixPath(m_pidFile) + "'; exec " + command + " >'" + UnixPath(m_log) + "' 2>&1";
        m_started = Run(script);
    }
    ~HostProcess()
    {
        std::ifstream pid(m_pidFile);
        std::string number;
        if (pid >> number) {
            (void)Run("kill " + number);
        }
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    /// The log's text once it holds MARK, waiting at most a while.
    [[nodiscard]] std::string WaitFor(const std::string& mark) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string text;
        while (m_started && std::chrono::steady_clock::now() < until) {
            std::ifstream log(m_log);
            text.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
            if (text.find(mark) != std::string::npos) {
                return text;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

private:
    static bool Run(const std::string& script)
    {
        std::wstring commandLine = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(
                L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            return false;
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return true;
    }

    std::filesystem::path m_log;
    std::filesystem::path m_pidFile;
    bool m_started = false;
};

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
        ASSERT_EQ(::RegCreateKeyExW(
                      HKEY_CURRENT_USER, m_dataSourceKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
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
    const ProgramRun found =
        RunCommand({"--dsn", DataSourceName(), "test", "HTTPPath=/cliservice", "--json", "--timeout", "5"});
    EXPECT_NE(StepOf(found.output, "transport").find("\"status\":\"ok\""), std::string::npos) << found.output;
    EXPECT_GE(server.Requests(), 2);
}

TEST_F(ConnectionTestWin32Test, AnUnknownNameAndAClosedPortEachEndTheirStepWithWhy)
{
    const ProgramRun unknown = RunCommand({"test", "Host=nowhere.invalid", "Port=10000", "--timeout", "5"});
    EXPECT_EQ(unknown.exitCode, 6u) << unknown.output << unknown.errors;
    EXPECT_NE(unknown.output.find("failed  name: "), std::string::npos) << unknown.output;
    EXPECT_NE(unknown.output.find("skipped connect: "), std::string::npos) << unknown.output;

    const auto start = std::chrono::steady_clock::now();
    const ProgramRun closed =
        RunCommand({"test", "Host=127.0.0.1", "Port=" + ClosedPort(), "--timeout", "5", "--json"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    const std::string connect = StepOf(closed.output, "connect");
    EXPECT_NE(connect.find("\"status\":\"failed\""), std::string::npos) << closed.output;
    EXPECT_NE(connect.find("refused"), std::string::npos) << connect;
}

/// An authority, another one, and openssl s_server with what they issue.
class TlsWin32Test : public ConnectionTestWin32Test {
protected:
    void SetUp() override
    {
        ConnectionTestWin32Test::SetUp();
        if (UnixPath(m_directory.Path()).empty()) {
            GTEST_SKIP() << "needs Wine, to start the host's openssl s_server";
        }
        m_authority.WriteCertificate(File("ca.pem"));
        m_client.WriteCertificate(File("client.pem"));
        m_client.WriteKey(File("client-key.pem"), "k3y");
    }

    std::filesystem::path File(const std::string& name) const { return m_directory.Path() / name; }

    /// s_server with CERTIFICATE on a port of its own; EXTRA adds options.
    /// With an ANSWER it sends that to its one client instead of a page.
    std::unique_ptr<HostProcess> Serve(const TestCertificate& certificate, std::string& port,
        const std::string& extra = {}, const std::string& answer = {})
    {
        const std::string name = "server" + std::to_string(++m_servers);
        certificate.WriteCertificate(File(name + ".pem"));
        certificate.WriteKey(File(name + "-key.pem"));
        std::string input = "-www";
        if (!answer.empty()) {
            std::ofstream(File(name + ".answer"), std::ios::binary) << answer;
            input = "-naccept 1 <'" + UnixPath(File(name + ".answer")) + "'";
        }
        auto server = std::make_unique<HostProcess>(m_directory.Path(), name,
            "/usr/bin/timeout 120 /usr/bin/openssl s_server -accept 127.0.0.1:0 -cert '" + UnixPath(File(name + ".pem"))
                + "' -key '" + UnixPath(File(name + "-key.pem")) + "' " + extra + " " + input);
        const std::string log = server->WaitFor("ACCEPT 127.0.0.1:");
        const size_t colon = log.find("ACCEPT 127.0.0.1:");
        port = colon == std::string::npos ? "0" : std::to_string(std::atoi(log.c_str() + colon + 17));
        EXPECT_NE(port, "0") << "s_server did not start";
        return server;
    }

    std::string Tls(const std::string& port, const std::vector<std::string>& more = {})
    {
        std::vector<std::string> arguments = {"test", "Host=127.0.0.1", "Port=" + port, "SSL=1",
            "TrustedCerts=" + File("ca.pem").string(), "ThriftTransport=0", "--json", "--timeout", "5"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const ProgramRun run = RunCommand(arguments);
        return run.output;
    }

    TempDir m_directory;
    TestCertificate m_authority{"Test Authority", {}, -1, 3650, nullptr, true};
    TestCertificate m_otherAuthority{"Other Authority", {}, -1, 3650, nullptr, true};
    TestCertificate m_client{"client", {}, -1, 365, &m_authority};
    int m_servers = 0;
};

TEST_F(TlsWin32Test, TheSystemsHandshakeIsJudgedByTheSettings)
{
    const TestCertificate good("server", {"DNS:localhost", "IP:127.0.0.1"}, -1, 365, &m_authority);
    const TestCertificate foreign("server", {"IP:127.0.0.1"}, -1, 365, &m_otherAuthority);
    const TestCertificate expired("server", {"IP:127.0.0.1"}, -30, -2, &m_authority);
    const TestCertificate misnamed("server", {"DNS:elsewhere.example"}, -1, 365, &m_authority);
    const TestCertificate selfSigned("server", {"IP:127.0.0.1"}, -1, 365, nullptr);
    const TestCertificate expiring("server", {"IP:127.0.0.1"}, -1, 10, &m_authority);
    struct Case {
        const TestCertificate& certificate;
        std::vector<std::string> more;
        std::string status;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {good, {}, "ok", "names localhost, 127.0.0.1; valid "},
        {foreign, {}, "failed", "not trusted"},
        {expired, {}, "failed", "expired on"},
        {misnamed, {}, "failed", "does not name 127.0.0.1"},
        {misnamed, {"CAIssuedCertNamesMismatch=1"}, "warning", "allowed by CAIssued"},
        {selfSigned, {}, "failed", "self-signed"},
        {expiring, {}, "warning", "expires in 9 days"},
    };
    for (const Case& test : cases) {
        std::string port;
        const auto server = Serve(test.certificate, port);
        const std::string output = Tls(port, test.more);
        const std::string tls = StepOf(output, "tls");
        EXPECT_NE(tls.find("\"status\":\"" + test.status + "\""), std::string::npos) << output;
        EXPECT_NE(tls.find(test.detail), std::string::npos) << tls;
        EXPECT_NE(tls.find("subject CN=server"), std::string::npos) << tls;
    }

    // HTTP goes over the session: the status the server sends is judged.
    std::string port;
    const auto http = Serve(good, port, {}, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    const std::string missing = Tls(port, {"ThriftTransport=2", "HTTPPath=/missing"});
    EXPECT_NE(StepOf(missing, "tls").find("\"status\":\"ok\""), std::string::npos) << missing;
    const std::string transport = StepOf(missing, "transport");
    EXPECT_NE(transport.find("\"status\":\"failed\""), std::string::npos) << missing;
    EXPECT_NE(transport.find("404"), std::string::npos) << transport;

    // A plain server while SSL is on, and with SSL off, a TLS server is recognised by its answer to a hello.
    const LoopbackHttpServer plain;
    const std::string notTls = Tls(plain.Port(), {"ThriftTransport=2"});
    // This server waits for the end of an HTTP head, which a hello never has.
    EXPECT_NE(StepOf(notTls, "tls").find("may not speak TLS on this port: SSL=0"), std::string::npos) << notTls;
    EXPECT_NE(StepOf(notTls, "transport").find("\"status\":\"skipped\""), std::string::npos) << notTls;
    const auto server = Serve(good, port);
    const ProgramRun off = RunCommand({"test", "Host=127.0.0.1", "Port=" + port, "SSL=0", "--json", "--timeout", "5"});
    EXPECT_NE(StepOf(off.output, "tls").find("the server speaks TLS: turn on SSL"), std::string::npos) << off.output;
}

TEST_F(TlsWin32Test, AServerThatWantsAClientCertificateGetsTheDecipheredKey)
{
    const TestCertificate good("server", {"IP:127.0.0.1"}, -1, 365, &m_authority);
    std::string port;
    const auto server = Serve(good, port, "-Verify 1 -CAfile '" + UnixPath(File("ca.pem")) + "'");
    const std::string without = StepOf(Tls(port), "tls");
    EXPECT_NE(without.find("\"status\":\"failed\""), std::string::npos) << without;
    EXPECT_NE(without.find("TwoWaySSL=1"), std::string::npos) << without;

    const std::vector<std::string> twoWay = {"TwoWaySSL=1", "ClientCert=" + File("client.pem").string(),
        "ClientPrivateKey=" + File("client-key.pem").string()};
    std::vector<std::string> withKey = twoWay;
    withKey.emplace_back("ClientPrivateKeyPassword=k3y");
    const std::string with = StepOf(Tls(port, withKey), "tls");
    EXPECT_NE(with.find("\"status\":\"ok\""), std::string::npos) << with;

    std::vector<std::string> wrongPassword = twoWay;
    wrongPassword.emplace_back("ClientPrivateKeyPassword=not-it");
    const std::string refused = StepOf(Tls(port, wrongPassword), "tls");
    EXPECT_NE(refused.find("\"status\":\"failed\""), std::string::npos) << refused;
    EXPECT_NE(refused.find("ClientPrivateKey"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("not-it"), std::string::npos) << refused;
}

} // namespace
} // namespace Dravo::Test
