#include "driversupport/ConnectionDiagnosis.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "driversupport/DSConnectionTester.h"
#include "driversupport/FailureText.h"
#include "driversupport/KerberosCheck.h"
#include "driversupport/SharedLibraryHeader.h"
#include "driversupport/TlsSession.h"
#include "driversupport/TransportProbe.h"
#include "driversupport/ZooKeeperWire.h"
#include "platform/File.h"
#include "platform/OdbcInstaller.h"
#include "platform/SharedLibrary.h"
#include "support/WideString.h"

namespace Dravo::DriverSupport {

const char* DiagnosisStatusWord(DiagnosisStatus status)
{
    switch (status) {
    case DiagnosisStatus::Ok:
        return "ok";
    case DiagnosisStatus::Warning:
        return "warning";
    case DiagnosisStatus::Failed:
        return "failed";
    case DiagnosisStatus::Skipped:
        return "skipped";
    }
    return "failed";
}

bool DiagnosisPassed(const std::vector<DiagnosisStep>& steps)
{
    return std::none_of(
        steps.begin(), steps.end(), [](const DiagnosisStep& step) { return step.status == DiagnosisStatus::Failed; });
}

namespace {

using Clock = std::chrono::steady_clock;
using Support::WideString;

constexpr double DEFAULT_TIMEOUT_SECONDS = 10;
constexpr uint16_t DEFAULT_PORT = 10000;
constexpr uint16_t ZOOKEEPER_PORT = 2181;
constexpr int EXPIRY_WARNING_DAYS = 30;

#ifdef _WIN32
// Drivers are registered in the registry and are DLLs, named by a Windows path.
constexpr bool ELF_LIBRARIES = false;
constexpr const char* DRIVER_PATH_CHARACTERS = "/\\:";
constexpr const char* DRIVER_LIST = "ODBCINST.INI in the registry";
constexpr const char* INSTALLER_HINT = "the system's ODBC installer (odbccp32.dll) is missing: repair Windows' ODBC";
constexpr const char* UNREGISTERED_HINT =
    "install the driver, which registers it, then dravo-spark-config --register-setup";
#else
constexpr bool ELF_LIBRARIES = true;
constexpr const char* DRIVER_PATH_CHARACTERS = "/";
constexpr const char* DRIVER_LIST = "odbcinst.ini";
constexpr const char* INSTALLER_HINT = "install unixODBC (the odbcinst package)";
constexpr const char* UNREGISTERED_HINT =
    "register the driver in odbcinst.ini (odbcinst -q -d lists those there), then "
    "dravo-spark-config --register-setup";
#endif

char Lower(char character)
{
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::optional<long> ParseNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stol(text);
}

std::string Join(const std::vector<std::string>& items, const char* separator = ", ")
{
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

std::string Seconds(double seconds)
{
    char text[32];
    (void)std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

DiagnosisStep Skipped(const char* name, std::string why)
{
    DiagnosisStep step;
    step.step = name;
    step.status = DiagnosisStatus::Skipped;
    step.detail = std::move(why);
    return step;
}

/// One host's port address, and the connection made to it.
struct Target {
    std::string host;
    uint16_t port = 0;
    OS::NetworkAddress address;
    std::unique_ptr<OS::NetworkConnection> connection;
    std::string failure;
    double seconds = 0;
};

/// The driver test on a thread of its own, so that a driver that never
/// returns cannot keep the report from being given.
struct DriverTestRun {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool connected = false;
    std::string text;
};

class DiagnosisPass {
public:
    DiagnosisPass(const DiagnosisRequest& request, const std::function<void(const DiagnosisStep&)>& onStep)
        : m_request(request), m_onStep(onStep)
    {
        m_timeout = request.timeoutSeconds.value_or(0);
        if (!request.timeoutSeconds) {
            const auto socketTimeout = ParseNumber(Get("SocketTimeout"));
            m_timeout =
                socketTimeout && *socketTimeout > 0 ? static_cast<double>(*socketTimeout) : DEFAULT_TIMEOUT_SECONDS;
        }
        // Older mechanisms stand for a current one with a transport or TLS.
        const auto mechanism = ParseNumber(Get("AuthMech"));
        // No AuthMech: the product default mechanism, User Name.
        m_mechanism = mechanism ? *mechanism : 2;
        const auto transport = ParseNumber(Get("ThriftTransport"));
        m_transport = transport && *transport <= 2 ? *transport : 1;
        m_ssl = Get("SSL") == "1";
        if (m_mechanism == 4 || m_mechanism == 8 || m_mechanism == 10) {
            m_ssl = true;
        }
        if (m_mechanism >= 7 && m_mechanism <= 10) {
            m_transport = 2;
        }
        if (m_mechanism == 4 || m_mechanism == 7 || m_mechanism == 8) {
            m_mechanism = 3;
        } else if (m_mechanism == 9 || m_mechanism == 10) {
            m_mechanism = 1;
        }
    }

    [[nodiscard]] double GetTimeout() const { return m_timeout; }

    std::vector<DiagnosisStep> Run(const DiagnosisStep& settings)
    {
        Report(settings);
        const bool driverUsable = Timed("driver", [this](DiagnosisStep& step) { CheckDriver(step); });
        m_deadline =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_timeout));
        const bool discovery = Get("ServiceDiscoveryMode") == "1";
        bool discovered = true;
        if (discovery) {
            discovered = Timed("discovery", [this](DiagnosisStep& step) { Discover(step); });
        }
        const bool named = discovered && Timed("name", [this](DiagnosisStep& step) { Resolve(step); });
        if (!discovered) {
            Report(Skipped("name", "no servers were found"));
        }
        const bool connected = named && Timed("connect", [this](DiagnosisStep& step) { ConnectAll(step); });
        if (!named) {
            Report(Skipped("connect", "no address to connect to"));
        }
        bool secured = connected;
        if (!connected) {
            Report(Skipped("tls", "no connection"));
        } else {
            secured = Timed("tls", [this](DiagnosisStep& step) { CheckTls(step); });
        }
        if (m_mechanism == 1) {
            Timed("kerberos", [this](DiagnosisStep& step) { CheckKerberosTickets(step); });
        } else {
            Report(Skipped("kerberos", "AuthMech is not Kerberos"));
        }
        bool transported = false;
        if (m_tlsUnchecked) {
            // The driver makes its own TLS connection, so its test still tells.
            Report(Skipped("transport", "it would go over TLS, which is not checked here"));
            transported = true;
        } else if (!secured) {
            Report(Skipped("transport", connected ? "the TLS step failed" : "no connection"));
        } else {
            transported = Timed("transport", [this](DiagnosisStep& step) { CheckTransport(step); });
        }
        if (!m_request.runDriverTest) {
        } else if (!driverUsable) {
            Report(Skipped("driver test", "the driver library cannot be used"));
        } else if (!transported) {
            Report(Skipped("driver test", "the server cannot be reached as set; the steps above say why"));
        } else {
            Timed("driver test", [this](DiagnosisStep& step) { TestDriver(step); });
        }
        return std::move(m_steps);
    }

private:
    /// The setting's value; of several spellings the last given wins.
    [[nodiscard]] std::string Get(std::string_view name) const
    {
        for (auto entry = m_request.settings.rbegin(); entry != m_request.settings.rend(); ++entry) {
            if (SameName(entry->first, name)) {
                return entry->second;
            }
        }
        return "";
    }

    void Report(DiagnosisStep step)
    {
        if (m_onStep) {
            m_onStep(step);
        }
        m_steps.push_back(std::move(step));
    }

    /// Runs CHECK as step NAME, timed; true unless it failed.
    template <class Check> bool Timed(const char* name, Check check)
    {
        DiagnosisStep step;
        step.step = name;
        step.status = DiagnosisStatus::Ok;
        const auto start = Clock::now();
        check(step);
        step.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const bool passed = step.status != DiagnosisStatus::Failed;
        Report(std::move(step));
        return passed;
    }

    void Fail(DiagnosisStep& step, std::string detail, std::string hint)
    {
        step.status = DiagnosisStatus::Failed;
        step.detail = std::move(detail);
        step.hint = std::move(hint);
    }

    void CheckDriver(DiagnosisStep& step)
    {
        std::string library = m_request.driverName;
        const bool named = library.find_first_of(DRIVER_PATH_CHARACTERS) == std::string::npos;
        if (named) {
            if (!OS::OdbcInstaller::IsAvailable()) {
                Fail(step, "the ODBC installer library (" + OS::OdbcInstaller::GetLibraryPath() + ") cannot be loaded",
                    INSTALLER_HINT);
                return;
            }
            const auto registered =
                OS::OdbcInstaller::FindRegisteredDriverLibrary(WideString(library).GetAsU16String());
            if (!registered || registered->empty()) {
                Fail(step, std::string(DRIVER_LIST) + " has no driver [" + library + "] with a Driver= entry",
                    UNREGISTERED_HINT);
                return;
            }
            library = WideString(*registered).GetAsUTF8();
        }
        const std::string where = named ? "Driver=" + library + " of [" + m_request.driverName + "]" : library;
        OS::File file;
        const OS::ErrorCode opened =
            file.Open(WideString(library).GetAsU16String(), OS::FileAccess::Read, OS::FileCreation::OpenExisting);
        if (opened != OS::ERROR_SUCCESS_CODE) {
            Fail(step,
                where + ": "
                    + (opened == OS::ERROR_FILE_NOT_FOUND_CODE || opened == OS::ERROR_PATH_NOT_FOUND_CODE
                            ? std::string("no such file")
                            : WideString(OS::GetSystemErrorMessage(opened)).Trim().GetAsUTF8()),
                std::string("install the driver, or correct Driver= in ") + DRIVER_LIST + MissingFileHint());
            return;
        }
        char bytes[64] = {};
        size_t count = 0;
        (void)file.Read(bytes, sizeof bytes, count);
        const auto header = ReadSharedLibraryHeader(std::string_view(bytes, count));
        const auto own = ReadProgramHeader();
        // Windows' loader says itself what is wrong with a DLL's format.
        if (ELF_LIBRARIES && (!header || !header->sharedObject)) {
            Fail(step, where + " is no shared library",
                "correct Driver= in odbcinst.ini: it names the driver's .so file");
            return;
        }
        if (header && own && !header->RunsBeside(*own)) {
            Fail(step, where + " is a " + header->Describe() + " library; this program is " + own->Describe(),
                "install the driver built for " + own->Describe());
            return;
        }
        std::string reason;
        const OS::SharedLibraryHandle handle = OS::LoadSharedLibrary(library, reason);
        if (!handle) {
            Fail(step, "the loader says: " + reason, LoaderHint(library));
            return;
        }
        OS::UnloadSharedLibrary(handle);
        step.detail = where + (header ? " (" + header->Describe() + ")" : "") + " loads";
    }

    [[nodiscard]] std::string MissingFileHint() const
    {
        return ELF_LIBRARIES ? " (odbcinst -q -d -n \"" + m_request.driverName + "\")"
                             : " (the ODBC Data Source Administrator lists the drivers registered)";
    }

    [[nodiscard]] static std::string LoaderHint(const std::string& library)
    {
        return ELF_LIBRARIES ? "install what the driver needs (ldd " + library + " shows what is missing)"
                             : "install what the driver needs (its DLLs and the runtime it was built with), "
                               "in this program's word size";
    }

    [[nodiscard]] std::optional<SharedLibraryHeader> ReadProgramHeader() const
    {
        OS::File file;
        if (m_request.programFile.empty()
            || file.Open(WideString(m_request.programFile).GetAsU16String(), OS::FileAccess::Read,
                   OS::FileCreation::OpenExisting)
                != OS::ERROR_SUCCESS_CODE) {
            return std::nullopt;
        }
        char bytes[64] = {};
        size_t count = 0;
        (void)file.Read(bytes, sizeof bytes, count);
        return ReadSharedLibraryHeader(std::string_view(bytes, count));
    }

    /// One ZooKeeper quorum member: its session, or why it has none.
    struct QuorumMember {
        std::string name;
        uint16_t port = ZOOKEEPER_PORT;
        std::unique_ptr<OS::NetworkConnection> connection;
        std::string failure;
    };

    /// Opens a ZooKeeper session with MEMBER before the deadline.
    static void OpenSession(QuorumMember& member, Clock::time_point deadline)
    {
        const OS::NetworkResolution resolution = OS::ResolveNetworkHost(member.name, member.port, deadline);
        if (resolution.addresses.empty()) {
            member.failure = resolution.error;
            return;
        }
        for (const OS::NetworkAddress& address : resolution.addresses) {
            member.connection = OS::NetworkConnection::Connect(address, deadline, member.failure);
            if (member.connection) {
                break;
            }
        }
        if (!member.connection) {
            return;
        }
        const int32_t sessionMilliseconds = 10000;
        if (member.connection->Send(EncodeZooKeeperConnect(sessionMilliseconds), deadline).status
            != OS::NetworkIoStatus::Done) {
            member.failure = "the session request could not be sent";
            member.connection.reset();
            return;
        }
        std::string bytes;
        ZooKeeperSession session;
        ZooKeeperReplyState state = ZooKeeperReplyState::Incomplete;
        while (state == ZooKeeperReplyState::Incomplete) {
            char buffer[512];
            const OS::NetworkIoResult received = member.connection->Receive(buffer, sizeof buffer, deadline);
            if (received.status != OS::NetworkIoStatus::Done) {
                member.failure = received.status == OS::NetworkIoStatus::TimedOut
                    ? "no answer to the session request in time"
                    : received.status == OS::NetworkIoStatus::Closed
                    ? "closed the connection at the session request (a member without a quorum does so)"
                    : received.error;
                member.connection.reset();
                return;
            }
            bytes.append(buffer, received.count);
            state = ReadZooKeeperConnectReply(bytes, session);
        }
        if (state == ZooKeeperReplyState::Malformed || session.timeoutMilliseconds <= 0) {
            member.failure = "answers, but not as a ZooKeeper server";
            member.connection.reset();
        }
    }

    /// The ZooKeeper quorum in Host, the ZKNamespace node, and the servers
    /// registered under it.
    void Discover(DiagnosisStep& step)
    {
        std::string node = Trim(Get("ZKNamespace"));
        if (node.empty()) {
            Fail(step, "ZKNamespace is not set", "ZKNamespace: the ZooKeeper node the servers register under");
            return;
        }
        if (node.front() != '/') {
            node.insert(node.begin(), '/');
        }
        std::vector<QuorumMember> members;
        for (const std::string& entry : SplitHosts(Get("Host"))) {
            QuorumMember member;
            member.name = entry;
            const size_t colon = entry.rfind(':');
            const bool bracketed = entry.front() == '[';
            if (colon != std::string::npos && (bracketed ? entry[colon - 1] == ']' : entry.find(':') == colon)) {
                const auto port = ParseNumber(entry.substr(colon + 1));
                if (!port || *port == 0 || *port > 65535) {
                    Fail(step, "Host entry \"" + entry + "\" has no port number",
                        "Host: the ZooKeeper quorum, as host:port,host:port");
                    return;
                }
                member.port = static_cast<uint16_t>(*port);
                member.name = entry.substr(bracketed ? 1 : 0, colon - (bracketed ? 2 : 0));
            } else if (bracketed && entry.size() > 2 && entry.back() == ']') {
                member.name = entry.substr(1, entry.size() - 2);
            }
            members.push_back(std::move(member));
        }
        if (members.empty()) {
            Fail(step, "Host is not set", "Host: the ZooKeeper quorum, as host:port,host:port");
            return;
        }
        // Every member at once, as the connect step does with addresses.
        std::vector<std::thread> threads;
        for (QuorumMember& member : members) {
            threads.emplace_back([&member, deadline = m_deadline] { OpenSession(member, deadline); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        std::vector<std::string> lines;
        QuorumMember* asked = nullptr;
        for (QuorumMember& member : members) {
            const std::string where = member.name + ":" + std::to_string(member.port);
            lines.push_back(where + (member.connection ? " answers" : ": " + member.failure));
            if (member.connection && !asked) {
                asked = &member;
            }
        }
        const std::string quorum = "ZooKeeper " + Join(lines, "; ");
        if (!asked) {
            Fail(step, quorum, "Host: the ZooKeeper quorum, as host:port,host:port; check that it runs");
            return;
        }
        ZooKeeperChildren reply;
        const std::string failure = ListChildren(*asked->connection, node, reply);
        (void)asked->connection->Send(EncodeZooKeeperClose(2), m_deadline);
        if (!failure.empty()) {
            Fail(step, quorum + "; listing " + node + ": " + failure, "check the ZooKeeper quorum's health");
            return;
        }
        if (reply.error == ZOOKEEPER_NO_NODE) {
            Fail(step, quorum + "; there is no node " + node,
                "ZKNamespace: the node the servers register under (ls / in zkCli.sh lists the nodes)");
            return;
        }
        if (reply.error != 0) {
            Fail(step, quorum + "; listing " + node + ": " + DescribeZooKeeperError(reply.error),
                reply.error == ZOOKEEPER_NO_AUTH ? "the node's ACL keeps this user out"
                                                 : "check the ZooKeeper quorum's health");
            return;
        }
        std::vector<std::string> names;
        std::vector<std::string> unreadable;
        for (const std::string& child : reply.children) {
            if (const auto server = ReadDiscoveredServer(child)) {
                names.push_back(server->host + ":" + std::to_string(server->port));
                m_servers.push_back(*server);
            } else {
                unreadable.push_back("\"" + child.substr(0, 80) + "\"");
            }
        }
        if (m_servers.empty()) {
            Fail(step,
                quorum + "; " + node + " names no server" + (unreadable.empty() ? "" : ", only " + Join(unreadable)),
                "start the server, or ZKNamespace: the node it registers under");
            return;
        }
        m_discovered = true;
        step.detail = quorum + "; " + node + " names " + Join(names);
        if (!unreadable.empty()) {
            step.detail += "; not servers: " + Join(unreadable);
        }
        if (std::any_of(
                members.begin(), members.end(), [](const QuorumMember& member) { return !member.connection; })) {
            step.status = DiagnosisStatus::Warning;
            step.hint = "some quorum members do not answer";
        }
    }

    /// The children of NODE over an open session; the reason when there are none.
    std::string ListChildren(OS::NetworkConnection& connection, const std::string& node, ZooKeeperChildren& reply)
    {
        constexpr int32_t xid = 1;
        if (connection.Send(EncodeZooKeeperGetChildren(xid, node), m_deadline).status != OS::NetworkIoStatus::Done) {
            return "the request could not be sent";
        }
        std::string bytes;
        for (;;) {
            size_t used = 0;
            const ZooKeeperReplyState state = ReadZooKeeperChildren(bytes, reply, used);
            if (state == ZooKeeperReplyState::Malformed) {
                return "the answer is no ZooKeeper reply";
            }
            if (state == ZooKeeperReplyState::Complete) {
                if (reply.xid == xid) {
                    return "";
                }
                // A notification or a ping's answer: not ours.
                bytes.erase(0, used);
                continue;
            }
            char buffer[4096];
            const OS::NetworkIoResult received = connection.Receive(buffer, sizeof buffer, m_deadline);
            if (received.status != OS::NetworkIoStatus::Done) {
                return received.status == OS::NetworkIoStatus::TimedOut ? "no answer in time"
                    : received.status == OS::NetworkIoStatus::Closed    ? "the server closed the connection"
                                                                        : received.error;
            }
            if (bytes.size() > LONGEST_ZOOKEEPER_PACKET + 4) {
                return "the answer is too long";
            }
            bytes.append(buffer, received.count);
        }
    }

    /// The servers Host and Port name, when no discovery found them.
    bool ServersFromSettings(DiagnosisStep& step)
    {
        const std::string hosts = Get("Host");
        const std::string portText = Trim(Get("Port"));
        const auto port = portText.empty() ? std::optional<long>(DEFAULT_PORT) : ParseNumber(portText);
        if (!port || *port == 0 || *port > 65535) {
            Fail(step, "Port \"" + portText + "\" is no port number", "Port: the server's port, 1 to 65535");
            return false;
        }
        for (std::string name : SplitHosts(hosts)) {
            // "host:port" entries name their own port; the name is what resolves.
            if (const size_t colon = name.rfind(':'); colon != std::string::npos && name.find(':') == colon) {
                name = name.substr(0, colon);
            }
            if (!name.empty()) {
                m_servers.push_back({name, static_cast<uint16_t>(*port)});
            }
        }
        if (m_servers.empty()) {
            Fail(step, "Host is not set", "Host: the server's name or address");
            return false;
        }
        return true;
    }

    static std::vector<std::string> SplitHosts(const std::string& hosts)
    {
        std::vector<std::string> names;
        size_t start = 0;
        while (start <= hosts.size()) {
            const size_t comma = std::min(hosts.find(',', start), hosts.size());
            std::string name = Trim(std::string_view(hosts).substr(start, comma - start));
            if (!name.empty()) {
                names.push_back(name);
            }
            start = comma + 1;
        }
        return names;
    }

    void Resolve(DiagnosisStep& step)
    {
        if (m_servers.empty() && !ServersFromSettings(step)) {
            return;
        }
        std::vector<std::string> found;
        std::vector<std::string> failed;
        for (const DiscoveredServer& server : m_servers) {
            const OS::NetworkResolution resolution = OS::ResolveNetworkHost(server.host, server.port, m_deadline);
            if (resolution.addresses.empty()) {
                failed.push_back(server.host + ": " + resolution.error);
                continue;
            }
            std::vector<std::string> texts;
            for (const OS::NetworkAddress& address : resolution.addresses) {
                texts.push_back(address.text);
                Target target;
                target.host = server.host;
                target.port = server.port;
                target.address = address;
                m_targets.push_back(std::move(target));
            }
            found.push_back(server.host + " is " + Join(texts));
        }
        step.detail = Join(found, "; ");
        if (!failed.empty()) {
            step.detail += (step.detail.empty() ? "" : "; ") + Join(failed, "; ");
            step.status = found.empty() ? DiagnosisStatus::Failed : DiagnosisStatus::Warning;
            step.hint = m_discovered ? "the servers registered in ZooKeeper under names this machine cannot resolve"
                                     : "Host: check the name (getent hosts NAME shows what the resolver finds)";
        }
    }

    void ConnectAll(DiagnosisStep& step)
    {
        // Every address at once: a host whose first address drops packets
        // costs no more than the slowest answer.
        std::vector<std::thread> threads;
        for (Target& target : m_targets) {
            threads.emplace_back([&target, deadline = m_deadline] {
                const auto start = Clock::now();
                target.connection = OS::NetworkConnection::Connect(target.address, deadline, target.failure);
                target.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        std::vector<std::string> lines;
        bool refused = false;
        for (Target& target : m_targets) {
            const std::string where =
                (target.address.text.find(':') != std::string::npos ? "[" + target.address.text + "]"
                                                                    : target.address.text)
                + ":" + std::to_string(target.port);
            if (target.connection) {
                char text[32];
                (void)std::snprintf(text, sizeof text, "%.0f ms", target.seconds * 1000);
                lines.push_back(where + " connected in " + text);
                if (!m_chosen) {
                    m_chosen = &target;
                }
            } else {
                refused = refused || target.failure.find("refused") != std::string::npos;
                lines.push_back(where + " " + target.failure);
            }
        }
        step.detail = Join(lines, "; ");
        if (!m_chosen) {
            Fail(step, step.detail,
                refused ? (m_discovered ? "nothing listens there: a server that ZooKeeper still names has stopped"
                                        : "nothing listens there: check Port, and that the server runs")
                        : "no answer within " + Seconds(m_timeout)
                        + ": check Host and Port, a firewall on the way, or raise SocketTimeout");
        } else if (lines.size() > 1 && std::any_of(m_targets.begin(), m_targets.end(), [](const Target& target) {
                       return !target.connection;
                   })) {
            step.status = DiagnosisStatus::Warning;
            step.hint = "some addresses do not take connections; the driver may try them first";
        }
    }

    [[nodiscard]] TlsClientSettings GetTlsSettings() const
    {
        TlsClientSettings tls;
        tls.trustedCertificates = Get("TrustedCerts");
        if (tls.trustedCertificates.empty()) {
            tls.trustedCertificates = m_request.defaultTrustedCertificates;
        }
        tls.hostName = m_chosen->host;
        tls.twoWay = Get("TwoWaySSL") == "1";
        tls.clientCertificate = Get("ClientCert");
        tls.clientKey = Get("ClientPrivateKey");
        tls.clientKeyPassword = Get("ClientPrivateKeyPassword");
        return tls;
    }

    void CheckTls(DiagnosisStep& step)
    {
        const TlsClientSettings settings = GetTlsSettings();
        if (!m_ssl) {
            // A server that only speaks TLS leaves a plain client waiting or
            // cut off; a short hello on a connection of its own tells.
            // The hello goes over the connection made, as servers that take
            // one connection at a time would not answer a second one; the
            // transport step gets a connection of its own.
            auto probe = std::move(m_chosen->connection);
            // A TLS server answers a hello within a round trip; a plain one
            // may wait for more, so the wait is a part of the budget only.
            TlsHandshakeOutcome outcome;
            const double share = std::clamp(m_timeout / 4, 0.25, 2.0);
            const auto shortly = std::min(m_deadline,
                Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(share)));
            TlsClientSettings hello;
            hello.hostName = settings.hostName;
            const bool handshake = probe && TlsSession::Handshake(std::move(probe), hello, shortly, outcome);
            const std::string& answer = outcome.firstBytes;
            const bool tlsRecord =
                answer.size() >= 2 && (answer[0] == '\x15' || answer[0] == '\x16') && answer[1] == '\x03';
            if (handshake || tlsRecord) {
                Fail(step, "the server speaks TLS: turn on SSL", "SSL=1");
                return;
            }
            std::string reason;
            m_chosen->connection = OS::NetworkConnection::Connect(m_chosen->address, m_deadline, reason);
            if (!m_chosen->connection) {
                Fail(step, "SSL is off (SSL=0); connecting again after the TLS hello failed: " + reason,
                    "check that the server takes more than one connection");
                return;
            }
            step.status = DiagnosisStatus::Skipped;
            step.detail = outcome.result == TlsHandshakeOutcome::Result::Unavailable
                ? "SSL is off (SSL=0); whether the server speaks TLS is not checked: " + outcome.error
                : "SSL is off (SSL=0), and the server does not answer as a TLS server";
            return;
        }
        if (settings.twoWay && (settings.clientCertificate.empty() || settings.clientKey.empty())) {
            Fail(step,
                "TwoWaySSL=1 without "
                    + std::string(settings.clientCertificate.empty() ? "ClientCert" : "ClientPrivateKey"),
                "ClientCert and ClientPrivateKey: the client's certificate and key files");
            return;
        }
        TlsHandshakeOutcome outcome;
        m_channel = TlsSession::Handshake(std::move(m_chosen->connection), settings, m_deadline, outcome);
        using Result = TlsHandshakeOutcome::Result;
        const std::string timeout = Seconds(m_timeout);
        switch (outcome.result) {
        case Result::SettingUnusable:
            Fail(step, outcome.setting + " " + outcome.error,
                outcome.setting == "TrustedCerts" ? "TrustedCerts: a PEM file of the certificate authorities to trust"
                    : outcome.setting == "ClientCert"
                    ? "ClientCert: the client's certificate as a PEM file"
                    : "ClientPrivateKey and its password: the client's key as a PEM file");
            return;
        case Result::NotTls:
            Fail(step, "the server does not speak TLS: it answered " + std::string(outcome.firstBytes.substr(0, 12)),
                "SSL=0, or Port: the server's TLS port");
            return;
        case Result::TimedOut:
            Fail(step, outcome.error + " (" + timeout + ")",
                "the server may not speak TLS on this port: SSL=0, or Port");
            return;
        case Result::Refused:
        case Result::Failed:
            Fail(step, "the handshake failed: " + outcome.error,
                outcome.clientCertificateRequested && !settings.twoWay
                    ? "the server wants a client certificate: TwoWaySSL=1 with ClientCert and ClientPrivateKey"
                    : "check the server's TLS setup (and ClientCert, if it wants a client certificate)");
            return;
        case Result::Unavailable:
            step.status = DiagnosisStatus::Skipped;
            step.detail = outcome.error;
            m_tlsUnchecked = true;
            return;
        case Result::Done:
            break;
        }
        step.detail = outcome.protocol + "; subject " + outcome.subject + "; names "
            + (outcome.names.empty() ? "none" : Join(outcome.names)) + "; valid " + outcome.notBefore + " to "
            + outcome.notAfter + "; issuer " + outcome.issuer;
        const std::string trusted =
            settings.trustedCertificates.empty() ? "the system's" : settings.trustedCertificates;
        if (outcome.expired) {
            Fail(step, "the server's certificate expired on " + outcome.notAfter + "; " + step.detail,
                "the server needs a new certificate");
        } else if (outcome.notYetValid) {
            Fail(step, "the server's certificate is valid only from " + outcome.notBefore + "; " + step.detail,
                "check this machine's clock");
        } else if (outcome.selfSigned && Get("AllowSelfSignedServerCert") != "1") {
            Fail(step, "the server's certificate is self-signed; " + step.detail,
                "AllowSelfSignedServerCert=1, or the certificate in TrustedCerts");
        } else if (outcome.verifyCode != 0 && !outcome.selfSigned) {
            Fail(step,
                "the server's certificate is not trusted (" + outcome.verifyText + ") by " + trusted + "; "
                    + step.detail,
                "TrustedCerts: the file of the authority that issued the server's certificate");
        } else if (!outcome.nameMatches && Get("CAIssuedCertNamesMismatch") != "1") {
            Fail(step, "the certificate does not name " + m_chosen->host + "; " + step.detail,
                "Host: a name the certificate holds, or CAIssuedCertNamesMismatch=1");
        } else if (!outcome.clientCertificateRefusal.empty()) {
            Fail(step, "the server refused the client: " + outcome.clientCertificateRefusal,
                settings.twoWay ? "ClientCert: a certificate the server's authority issued"
                                : "TwoWaySSL=1 with ClientCert and ClientPrivateKey");
        } else if (outcome.daysLeft < EXPIRY_WARNING_DAYS) {
            step.status = DiagnosisStatus::Warning;
            step.detail =
                "the server's certificate expires in " + std::to_string(outcome.daysLeft) + " days; " + step.detail;
            step.hint = "renew the server's certificate";
        } else if (outcome.selfSigned || !outcome.nameMatches) {
            step.status = DiagnosisStatus::Warning;
            step.detail = (outcome.selfSigned ? "self-signed, allowed by AllowSelfSignedServerCert=1; "
                                              : "the certificate does not name " + m_chosen->host
                                      + ", allowed by CAIssuedCertNamesMismatch=1; ")
                + step.detail;
        }
    }

    void CheckTransport(DiagnosisStep& step)
    {
        if (!m_channel) {
            m_channel = std::make_unique<PlainChannel>(std::move(m_chosen->connection));
        }
        const bool credentials = m_mechanism == 2 || m_mechanism == 3 || m_mechanism == 5 || m_mechanism == 6;
        const bool password = m_mechanism == 3 || m_mechanism == 5 || m_mechanism == 6;
        if (m_transport == 2) {
            HttpProbeRequest request;
            request.host = m_chosen->host;
            request.port = m_chosen->port;
            request.path = Get("HTTPPath");
            for (const auto& [key, value] : m_request.settings) {
                if (key.starts_with("http.header.") && key.size() > 12) {
                    request.headers.emplace_back(key.substr(12), value);
                }
            }
            request.sendBasic = credentials;
            request.user = Get("UID");
            request.password = password ? Get("PWD") : "";
            request.negotiateToken = m_kerberosToken;
            ProbeHttp(*m_channel, request, m_deadline, step);
            if (m_mechanism == 1 && m_kerberosToken.empty() && step.status == DiagnosisStatus::Failed) {
                step.detail += " (sent without Negotiate: there is no service ticket, as the kerberos step says)";
            }
        } else if (m_transport == 1) {
            if (m_mechanism == 1) {
                if (m_kerberosToken.empty()) {
                    step.status = DiagnosisStatus::Skipped;
                    step.detail = "SASL: the GSSAPI start needs a service ticket, which the kerberos step did not get";
                    return;
                }
                ProbeSaslGssapi(*m_channel, m_kerberosToken, m_servicePrincipal, m_confirmServer, m_deadline, step);
                step.detail = "SASL: " + step.detail;
                return;
            }
            const std::string user = credentials ? Get("UID") : "anonymous";
            ProbeSasl(
                *m_channel, "PLAIN", user, password ? Get("PWD") : (credentials ? "" : "anonymous"), m_deadline, step);
        } else {
            ProbeBinary(*m_channel, m_deadline, step);
        }
        const char* names[] = {"binary", "SASL", "HTTP"};
        step.detail = std::string(names[m_transport]) + ": " + step.detail;
    }

    void CheckKerberosTickets(DiagnosisStep& step)
    {
        KerberosCheckRequest request;
        request.serviceName = Trim(Get("KrbServiceName"));
        request.hostName = Trim(Get("KrbHostFQDN"));
        request.realm = Trim(Get("KrbRealm"));
        request.negotiate = m_transport == 2;
        m_servicePrincipal =
            request.serviceName + "/" + request.hostName + (request.realm.empty() ? "" : "@" + request.realm);
        KerberosCheckResult result = CheckKerberos(request, m_deadline);
        step.status = result.status;
        step.detail = std::move(result.detail);
        step.hint = std::move(result.hint);
        m_kerberosToken = std::move(result.token);
        m_confirmServer = std::move(result.confirmServer);
    }

    void TestDriver(DiagnosisStep& step)
    {
        DSConnectionSettingsMap settings;
        for (const auto& [key, value] : m_request.settings) {
            // The deciphered passwords go in their place.
            if (SameName(key, "EncryptedPWD") || SameName(key, "EncryptedClientPrivateKeyPWD")) {
                continue;
            }
            settings[WideString(key)] = DSConnectionSetting{WideString(value), false};
        }
        auto run = std::make_shared<DriverTestRun>();
        std::thread([run, settings = std::move(settings), driver = m_request.driverName,
                        name = m_request.dataSourceName] {
            std::string text;
            bool connected = false;
            try {
                const DSConnectionTester tester{WideString(driver), WideString(name)};
                const DSDriverVersions versions = tester.Connect(settings);
                connected = true;
                text = "connected; the driver reports ODBC " + versions.odbcVersion.GetAsUTF8() + ", version "
                    + versions.driverVersion.GetAsUTF8();
            } catch (...) {
                text = DescribeCurrentException().text.GetAsUTF8();
            }
            const std::lock_guard guard(run->lock);
            run->connected = connected;
            run->text = std::move(text);
            run->finished = true;
            run->done.notify_all();
        }).detach();
        std::unique_lock guard(run->lock);
        const auto bound = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_timeout));
        if (!run->done.wait_for(guard, bound, [&] { return run->finished; })) {
            Fail(step, "the driver did not finish connecting within " + Seconds(m_timeout),
                "raise SocketTimeout, or see the driver's log");
            return;
        }
        if (!run->connected) {
            std::string text = run->text;
            std::replace(text.begin(), text.end(), '\r', ' ');
            std::replace(text.begin(), text.end(), '\n', ' ');
            Fail(step, text, "the driver's message says what it wants; its log says more");
            return;
        }
        step.detail = run->text;
    }

    const DiagnosisRequest& m_request;
    const std::function<void(const DiagnosisStep&)>& m_onStep;
    std::vector<DiagnosisStep> m_steps;
    double m_timeout = DEFAULT_TIMEOUT_SECONDS;
    long m_mechanism = 3;
    long m_transport = 1;
    bool m_ssl = false;
    /// SSL=1, but this build cannot take the TLS step.
    bool m_tlsUnchecked = false;
    /// The servers to check: Host's, or those ZooKeeper names.
    std::vector<DiscoveredServer> m_servers;
    bool m_discovered = false;
    Clock::time_point m_deadline;
    std::vector<Target> m_targets;
    Target* m_chosen = nullptr;
    std::unique_ptr<ByteChannel> m_channel;
    std::string m_kerberosToken;
    std::function<std::string(const std::string&)> m_confirmServer;
    std::string m_servicePrincipal;
};

} // namespace

ConnectionDiagnosis::ConnectionDiagnosis(DiagnosisRequest request) : m_request(std::move(request)) {}

ConnectionDiagnosis::~ConnectionDiagnosis() = default;

std::vector<DiagnosisStep> ConnectionDiagnosis::Run(
    const DiagnosisStep& settings, const std::function<void(const DiagnosisStep&)>& onStep)
{
    DiagnosisPass pass(m_request, onStep);
    return pass.Run(settings);
}

double ConnectionDiagnosis::GetTimeoutSeconds() const
{
    return DiagnosisPass(m_request, {}).GetTimeout();
}

} // namespace Dravo::DriverSupport
