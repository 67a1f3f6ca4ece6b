// The connection diagnosis against real servers on 127.0.0.1: openssl
// s_server with certificates the test makes, an MIT KDC with a realm of its
// own, Debian's ZooKeeper server, the loopback test server for HTTP, the
// Thrift SASL start (through libsasl2) and binary Thrift, a silent server and
// a closed port; the driver step over unixODBC's real installer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "driversupport/ConnectionDiagnosis.h"
#include "tests/common/LoopbackPort.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"
#include "tests/driversupport/ServerProcess.h"
#include "tests/driversupport/TestCertificates.h"
#include "tests/driversupport/TestKdc.h"
#include "tests/driversupport/TestZooKeeper.h"

namespace Dravo::Test {
namespace {

using DriverSupport::ConnectionDiagnosis;
using DriverSupport::DiagnosisRequest;
using DriverSupport::DiagnosisStatus;
using DriverSupport::DiagnosisStep;
using Settings = std::vector<std::pair<std::string, std::string>>;

constexpr double TIMEOUT = 1.5;

/// The driver is a path by default, so that only the driver's own test asks
/// the installer (which keeps what it read of odbcinst.ini).
std::vector<DiagnosisStep> Diagnose(
    const Settings& settings, double timeout = TIMEOUT, const std::string& driver = "/nonexistent/libdriver.so")
{
    DiagnosisRequest request;
    request.settings = settings;
    request.driverName = driver;
    request.timeoutSeconds = timeout;
    request.runDriverTest = false;
    request.programFile = "/proc/self/exe";
    DiagnosisStep checked;
    checked.step = "settings";
    checked.status = DiagnosisStatus::Ok;
    return ConnectionDiagnosis(std::move(request)).Run(checked);
}

const DiagnosisStep& StepOf(const std::vector<DiagnosisStep>& steps, const std::string& name)
{
    for (const DiagnosisStep& step : steps) {
        if (step.step == name) {
            return step;
        }
    }
    static const DiagnosisStep missing{"missing", DiagnosisStatus::Failed, "no such step", "", 0};
    return missing;
}

std::string Describe(const DiagnosisStep& step)
{
    return step.step + " " + DriverSupport::DiagnosisStatusWord(step.status) + ": " + step.detail + " -> " + step.hint;
}

std::string TestServer()
{
    return BuiltProgram("tests/loopback_test_server").string();
}

/// An authority, another one, and what they issue, in a directory of their own.
class TlsDiagnosisTest : public ::testing::Test {
protected:
    TlsDiagnosisTest()
    {
        m_authority.WriteCertificate(File("ca.pem"));
        m_otherAuthority.WriteCertificate(File("other-ca.pem"));
        m_client.WriteCertificate(File("client.pem"));
        m_client.WriteKey(File("client-key.pem"), "k3y");
    }

    std::filesystem::path File(const std::string& name) const { return m_directory.Path() / name; }

    /// s_server with CERTIFICATE; EXTRA adds its options.
    std::unique_ptr<ServerProcess> Serve(const TestCertificate& certificate, std::vector<std::string> extra = {})
    {
        const std::string name = "server" + std::to_string(++m_servers);
        certificate.WriteCertificate(File(name + ".pem"));
        certificate.WriteKey(File(name + "-key.pem"));
        std::vector<std::string> arguments = {"openssl", "s_server", "-accept", "127.0.0.1:0", "-cert",
            File(name + ".pem").string(), "-key", File(name + "-key.pem").string(), "-www"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        auto server = std::make_unique<ServerProcess>(arguments);
        EXPECT_NE(server->Port(), 0);
        return server;
    }

    Settings Tls(const ServerProcess& server, Settings more = {}) const
    {
        Settings settings = {{"Host", "127.0.0.1"}, {"Port", server.PortText()}, {"SSL", "1"},
            {"TrustedCerts", File("ca.pem").string()}, {"ThriftTransport", "0"}};
        settings.insert(settings.end(), more.begin(), more.end());
        return settings;
    }

    TempDir m_directory;
    TestCertificate m_authority{"Test Authority", {}, -1, 3650, nullptr, true};
    TestCertificate m_otherAuthority{"Other Authority", {}, -1, 3650, nullptr, true};
    TestCertificate m_client{"client", {}, -1, 365, &m_authority};
    int m_servers = 0;
};

TEST_F(TlsDiagnosisTest, TheServersCertificateIsJudgedByTheSettings)
{
    const TestCertificate good("server", {"DNS:localhost", "IP:127.0.0.1"}, -1, 365, &m_authority);
    const TestCertificate foreign("server", {"IP:127.0.0.1"}, -1, 365, &m_otherAuthority);
    const TestCertificate expired("server", {"IP:127.0.0.1"}, -30, -2, &m_authority);
    const TestCertificate misnamed("server", {"DNS:elsewhere.example"}, -1, 365, &m_authority);
    const TestCertificate selfSigned("server", {"IP:127.0.0.1"}, -1, 365, nullptr);
    const TestCertificate expiring("server", {"IP:127.0.0.1"}, -1, 10, &m_authority);
    struct Case {
        const TestCertificate& certificate;
        Settings more;
        DiagnosisStatus status;
        std::string detail;
        std::string hint;
    };
    const std::vector<Case> cases = {
        {good, {}, DiagnosisStatus::Ok, "names localhost, 127.0.0.1; valid ", ""},
        {foreign, {}, DiagnosisStatus::Failed, "not trusted", "TrustedCerts"},
        {expired, {}, DiagnosisStatus::Failed, "expired on", "new certificate"},
        {misnamed, {}, DiagnosisStatus::Failed, "does not name 127.0.0.1", "CAIssuedCertNamesMismatch=1"},
        {misnamed, {{"CAIssuedCertNamesMismatch", "1"}}, DiagnosisStatus::Warning, "allowed by CAIssued", ""},
        {selfSigned, {}, DiagnosisStatus::Failed, "self-signed", "AllowSelfSignedServerCert=1"},
        {selfSigned, {{"AllowSelfSignedServerCert", "1"}}, DiagnosisStatus::Warning, "self-signed, allowed", ""},
        {expiring, {}, DiagnosisStatus::Warning, "expires in 9 days", "renew"},
    };
    for (const Case& test : cases) {
        const auto server = Serve(test.certificate);
        const auto steps = Diagnose(Tls(*server, test.more));
        const DiagnosisStep& tls = StepOf(steps, "tls");
        EXPECT_EQ(tls.status, test.status) << Describe(tls);
        EXPECT_NE(tls.detail.find(test.detail), std::string::npos) << Describe(tls);
        EXPECT_NE(tls.hint.find(test.hint), std::string::npos) << Describe(tls);
        EXPECT_NE(tls.detail.find("subject CN=server"), std::string::npos) << Describe(tls);
        // What depends on a failed handshake is not tried.
        if (test.status == DiagnosisStatus::Failed) {
            EXPECT_EQ(StepOf(steps, "transport").status, DiagnosisStatus::Skipped);
        }
    }
}

TEST_F(TlsDiagnosisTest, AServerThatWantsAClientCertificateGetsTheDecipheredKey)
{
    const TestCertificate good("server", {"IP:127.0.0.1"}, -1, 365, &m_authority);
    const auto server = Serve(good, {"-Verify", "1", "-CAfile", File("ca.pem").string()});
    const Settings twoWay = {{"TwoWaySSL", "1"}, {"ClientCert", File("client.pem").string()},
        {"ClientPrivateKey", File("client-key.pem").string()}};

    const DiagnosisStep without = StepOf(Diagnose(Tls(*server)), "tls");
    EXPECT_EQ(without.status, DiagnosisStatus::Failed) << Describe(without);
    EXPECT_NE(without.hint.find("TwoWaySSL=1"), std::string::npos) << Describe(without);

    Settings withKey = twoWay;
    withKey.emplace_back("ClientPrivateKeyPassword", "k3y");
    const DiagnosisStep with = StepOf(Diagnose(Tls(*server, withKey)), "tls");
    EXPECT_EQ(with.status, DiagnosisStatus::Ok) << Describe(with);

    Settings wrongPassword = twoWay;
    wrongPassword.emplace_back("ClientPrivateKeyPassword", "not-it");
    const DiagnosisStep refused = StepOf(Diagnose(Tls(*server, wrongPassword)), "tls");
    EXPECT_EQ(refused.status, DiagnosisStatus::Failed) << Describe(refused);
    EXPECT_NE(refused.detail.find("ClientPrivateKey"), std::string::npos) << Describe(refused);
    EXPECT_EQ(refused.detail.find("not-it"), std::string::npos) << Describe(refused);
}

TEST_F(TlsDiagnosisTest, TlsAndPlainServersAreToldApart)
{
    ServerProcess plain({TestServer(), "http", "/=200"});
    Settings settings = {{"Host", "127.0.0.1"}, {"Port", plain.PortText()}, {"SSL", "1"}, {"ThriftTransport", "2"}};
    const DiagnosisStep notTls = StepOf(Diagnose(settings), "tls");
    EXPECT_EQ(notTls.status, DiagnosisStatus::Failed) << Describe(notTls);
    EXPECT_NE(notTls.detail.find("does not speak TLS"), std::string::npos) << Describe(notTls);
    EXPECT_NE(notTls.hint.find("SSL=0"), std::string::npos) << Describe(notTls);

    const TestCertificate good("server", {"IP:127.0.0.1"}, -1, 365, &m_authority);
    const auto tlsServer = Serve(good);
    const auto steps = Diagnose({{"Host", "127.0.0.1"}, {"Port", tlsServer->PortText()}, {"SSL", "0"}});
    const DiagnosisStep turnOn = StepOf(steps, "tls");
    EXPECT_EQ(turnOn.status, DiagnosisStatus::Failed) << Describe(turnOn);
    EXPECT_NE(turnOn.detail.find("the server speaks TLS: turn on SSL"), std::string::npos) << Describe(turnOn);
    EXPECT_EQ(StepOf(steps, "transport").status, DiagnosisStatus::Skipped);

    const DiagnosisStep plainOff =
        StepOf(Diagnose({{"Host", "127.0.0.1"}, {"Port", plain.PortText()}, {"ThriftTransport", "2"}}), "tls");
    EXPECT_EQ(plainOff.status, DiagnosisStatus::Skipped) << Describe(plainOff);
}

TEST(TransportDiagnosisTest, HttpIsJudgedByTheStatusItAnswers)
{
    ServerProcess server({TestServer(), "http", "/cliservice=200", "/secret=401", "/moved=302"});
    ASSERT_NE(server.Port(), 0);
    const auto http = [&](const std::string& path, Settings more = {}) {
        Settings settings = {{"Host", "localhost"}, {"Port", server.PortText()}, {"ThriftTransport", "2"},
            {"HTTPPath", path}, {"AuthMech", "0"}};
        settings.insert(settings.end(), more.begin(), more.end());
        return StepOf(Diagnose(settings), "transport");
    };
    const Settings alice = {{"AuthMech", "3"}, {"UID", "alice"}, {"PWD", "s3cret"}};
    const DiagnosisStep ok = http("cliservice");
    EXPECT_EQ(ok.status, DiagnosisStatus::Ok) << Describe(ok);
    EXPECT_NE(ok.detail.find("200"), std::string::npos) << Describe(ok);
    const DiagnosisStep missing = http("/nothing");
    EXPECT_EQ(missing.status, DiagnosisStatus::Failed) << Describe(missing);
    EXPECT_NE(missing.hint.find("HTTPPath"), std::string::npos) << Describe(missing);
    const DiagnosisStep anonymous = http("/secret");
    EXPECT_EQ(anonymous.status, DiagnosisStatus::Failed) << Describe(anonymous);
    EXPECT_NE(anonymous.detail.find("Basic realm"), std::string::npos) << Describe(anonymous);
    EXPECT_EQ(http("/secret", alice).status, DiagnosisStatus::Ok);
    Settings wrong = alice;
    wrong.back().second = "guess";
    const DiagnosisStep refused = http("/secret", wrong);
    EXPECT_EQ(refused.status, DiagnosisStatus::Failed) << Describe(refused);
    EXPECT_NE(refused.hint.find("UID"), std::string::npos) << Describe(refused);
    EXPECT_EQ(refused.detail.find("guess"), std::string::npos) << Describe(refused);
    const DiagnosisStep moved = http("/moved");
    EXPECT_EQ(moved.status, DiagnosisStatus::Failed) << Describe(moved);
    EXPECT_NE(moved.detail.find("https://127.0.0.1/elsewhere"), std::string::npos) << Describe(moved);
    EXPECT_NE(moved.hint.find("SSL=1"), std::string::npos) << Describe(moved);
}

TEST(TransportDiagnosisTest, SaslAndBinaryServersAreToldApart)
{
    ServerProcess sasl({TestServer(), "sasl"});
    ServerProcess binary({TestServer(), "binary"});
    ServerProcess http({TestServer(), "http", "/=200"});
    const auto transport = [](const ServerProcess& server, const std::string& kind, Settings more = {}) {
        Settings settings = {{"Host", "127.0.0.1"}, {"Port", server.PortText()}, {"ThriftTransport", kind}};
        settings.insert(settings.end(), more.begin(), more.end());
        return StepOf(Diagnose(settings), "transport");
    };
    const DiagnosisStep accepted = transport(sasl, "1", {{"AuthMech", "3"}, {"UID", "alice"}, {"PWD", "s3cret"}});
    EXPECT_EQ(accepted.status, DiagnosisStatus::Ok) << Describe(accepted);
    const DiagnosisStep refused = transport(sasl, "1", {{"AuthMech", "3"}, {"UID", "alice"}, {"PWD", "guess"}});
    EXPECT_EQ(refused.status, DiagnosisStatus::Failed) << Describe(refused);
    EXPECT_NE(refused.detail.find("Error validating the login"), std::string::npos) << Describe(refused);
    EXPECT_EQ(refused.detail.find("guess"), std::string::npos) << Describe(refused);

    const DiagnosisStep expectsSasl = transport(sasl, "0");
    EXPECT_EQ(expectsSasl.status, DiagnosisStatus::Failed) << Describe(expectsSasl);
    EXPECT_NE(expectsSasl.hint.find("ThriftTransport=1"), std::string::npos) << Describe(expectsSasl);
    EXPECT_EQ(transport(binary, "0").status, DiagnosisStatus::Ok);
    const DiagnosisStep speaksHttp = transport(http, "1");
    EXPECT_EQ(speaksHttp.status, DiagnosisStatus::Failed) << Describe(speaksHttp);
    EXPECT_NE(speaksHttp.hint.find("ThriftTransport=2"), std::string::npos) << Describe(speaksHttp);
}

TEST(ReachDiagnosisTest, NamesPortsAndSilentServersFailWithinTheTimeout)
{
    const auto invalid = Diagnose({{"Host", "nowhere.invalid"}, {"Port", "10000"}});
    EXPECT_EQ(StepOf(invalid, "name").status, DiagnosisStatus::Failed) << Describe(StepOf(invalid, "name"));
    EXPECT_NE(StepOf(invalid, "name").hint.find("Host"), std::string::npos);
    EXPECT_EQ(StepOf(invalid, "connect").status, DiagnosisStatus::Skipped);
    EXPECT_EQ(StepOf(Diagnose({{"Port", "10000"}}), "name").hint.find("Host"), 0U);

    const auto closed = Diagnose({{"Host", "127.0.0.1"}, {"Port", std::to_string(UnusedLoopbackPort())}, {"SSL", "1"}});
    const DiagnosisStep& refused = StepOf(closed, "connect");
    EXPECT_EQ(refused.status, DiagnosisStatus::Failed) << Describe(refused);
    EXPECT_NE(refused.detail.find("refused"), std::string::npos) << Describe(refused);
    EXPECT_NE(refused.hint.find("Port"), std::string::npos) << Describe(refused);
    EXPECT_EQ(StepOf(closed, "tls").status, DiagnosisStatus::Skipped);
    EXPECT_EQ(StepOf(closed, "transport").status, DiagnosisStatus::Skipped);

    // A server that accepts and never answers: no TLS handshake, no SASL
    // reply, no HTTP status. The bound is the timeout; the margin is for a
    // busy machine, the figures are the benchmark's.
    ServerProcess silent({TestServer(), "silent"});
    for (const Settings& settings :
        std::vector<Settings>{{{"SSL", "1"}}, {{"ThriftTransport", "1"}}, {{"ThriftTransport", "2"}}}) {
        Settings all = {{"Host", "127.0.0.1"}, {"Port", silent.PortText()}};
        all.insert(all.end(), settings.begin(), settings.end());
        const auto start = std::chrono::steady_clock::now();
        const auto steps = Diagnose(all);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, TIMEOUT + 2.0) << settings.front().first;
        const DiagnosisStep& stuck = StepOf(steps, settings.front().first == "SSL" ? "tls" : "transport");
        EXPECT_EQ(stuck.status, DiagnosisStatus::Failed) << Describe(stuck);
        EXPECT_NE(stuck.detail.find("in time"), std::string::npos) << Describe(stuck);
    }
    // A ZooKeeper member that never answers its session request.
    const auto start = std::chrono::steady_clock::now();
    const DiagnosisStep quorum = StepOf(
        Diagnose({{"ServiceDiscoveryMode", "1"}, {"ZKNamespace", "dravo"}, {"Host", "127.0.0.1:" + silent.PortText()}}),
        "discovery");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), TIMEOUT + 2.0);
    EXPECT_EQ(quorum.status, DiagnosisStatus::Failed) << Describe(quorum);
    EXPECT_NE(quorum.detail.find("in time"), std::string::npos) << Describe(quorum);
}

TEST(DriverDiagnosisTest, TheDriverStepSaysWhatKeepsTheLibraryFromLoading)
{
    OdbcIniDirectory ini;
    const auto driver = [](const std::string& name) {
        return StepOf(Diagnose({{"Port", "x"}}, TIMEOUT, name), "driver");
    };
    const DiagnosisStep registered = driver(OdbcIniDirectory::PRODUCT_DRIVER);
    EXPECT_EQ(registered.status, DiagnosisStatus::Ok) << Describe(registered);
    EXPECT_NE(registered.detail.find("loads"), std::string::npos) << Describe(registered);

    const DiagnosisStep unknown = driver("No Such Driver");
    EXPECT_EQ(unknown.status, DiagnosisStatus::Failed) << Describe(unknown);
    EXPECT_NE(unknown.hint.find("odbcinst -q -d"), std::string::npos) << Describe(unknown);
    EXPECT_NE(unknown.hint.find("--register-setup"), std::string::npos) << Describe(unknown);

    const DiagnosisStep missing = driver(OdbcIniDirectory::MISSING_LIBRARY_DRIVER);
    EXPECT_EQ(missing.status, DiagnosisStatus::Failed) << Describe(missing);
    EXPECT_NE(missing.detail.find("no such file"), std::string::npos) << Describe(missing);

    const std::filesystem::path text = ini.Path() / "notes.so";
    std::ofstream(text) << "not a library\n";
    EXPECT_NE(driver(text.string()).detail.find("is no shared library"), std::string::npos);

    // A 32-bit ARM shared object's header: the loader would only say "wrong ELF class".
    const std::filesystem::path foreign = ini.Path() / "libarm.so";
    std::string header("\x7f"
                       "ELF\x01\x01\x01",
        7);
    header.resize(16, '\0');
    header += std::string("\x03\x00\x28\x00", 4);
    header.resize(64, '\0');
    std::ofstream(foreign, std::ios::binary) << header;
    const DiagnosisStep arm = driver(foreign.string());
    EXPECT_EQ(arm.status, DiagnosisStatus::Failed) << Describe(arm);
    EXPECT_NE(arm.detail.find("is a 32-bit ARM library; this program is 64-bit"), std::string::npos) << Describe(arm);

    // A header of this machine on a cut file: the loader's own words.
    std::ifstream own("/proc/self/exe", std::ios::binary);
    std::string start(64, '\0');
    own.read(start.data(), 64);
    start[16] = 3;
    const std::filesystem::path cut = ini.Path() / "libcut.so";
    std::ofstream(cut, std::ios::binary) << start;
    const DiagnosisStep unloadable = driver(cut.string());
    EXPECT_EQ(unloadable.status, DiagnosisStatus::Failed) << Describe(unloadable);
    EXPECT_NE(unloadable.detail.find("the loader says: " + cut.string()), std::string::npos) << Describe(unloadable);
    EXPECT_NE(unloadable.hint.find("ldd"), std::string::npos) << Describe(unloadable);
}

TEST(KerberosDiagnosisTest, TicketsAreCheckedAgainstARealKdc)
{
    TestKdc kdc;
    ASSERT_TRUE(kdc.Ready()) << kdc.Directory();
    kdc.AddPrincipal("alice");
    kdc.AddPrincipal("spark/server.dravo.test");
    const std::string closed = std::to_string(UnusedLoopbackPort());
    const auto kerberos = [&](const std::string& service) {
        return StepOf(
            Diagnose({{"Host", "127.0.0.1"}, {"Port", closed}, {"AuthMech", "1"}, {"KrbRealm", TestKdc::REALM},
                {"KrbHostFQDN", "server.dravo.test"}, {"KrbServiceName", service}}),
            "kerberos");
    };

    const DiagnosisStep none = kerberos("spark");
    EXPECT_EQ(none.status, DiagnosisStatus::Failed) << Describe(none);
    EXPECT_NE(none.hint.find("kinit"), std::string::npos) << Describe(none);

    ASSERT_EQ(kdc.Kinit("alice", "1s").exitCode, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const DiagnosisStep expired = kerberos("spark");
    EXPECT_EQ(expired.status, DiagnosisStatus::Failed) << Describe(expired);
    EXPECT_NE(expired.detail.find("alice@DRAVO.TEST"), std::string::npos) << Describe(expired);
    EXPECT_NE(expired.detail.find("expired"), std::string::npos) << Describe(expired);
    EXPECT_NE(expired.hint.find("kinit"), std::string::npos) << Describe(expired);

    ASSERT_EQ(kdc.Kinit("alice").exitCode, 0);
    const DiagnosisStep unknown = kerberos("hive");
    EXPECT_EQ(unknown.status, DiagnosisStatus::Failed) << Describe(unknown);
    EXPECT_NE(unknown.detail.find("not found in Kerberos database"), std::string::npos) << Describe(unknown);
    EXPECT_NE(unknown.hint.find("KrbServiceName"), std::string::npos) << Describe(unknown);

    const DiagnosisStep known = kerberos("spark");
    EXPECT_EQ(known.status, DiagnosisStatus::Ok) << Describe(known);
    EXPECT_NE(known.detail.find("krbtgt/DRAVO.TEST@DRAVO.TEST until"), std::string::npos) << Describe(known);
    EXPECT_NE(known.detail.find("a service ticket for spark/server.dravo.test@DRAVO.TEST"), std::string::npos)
        << Describe(known);

    // A KDC that takes the connection and never answers (a ticket not in
    // the cache yet is asked of it).
    ServerProcess silent({TestServer(), "silent"});
    kdc.MoveKdcTo(silent.Port());
    const auto start = std::chrono::steady_clock::now();
    const DiagnosisStep unanswered = kerberos("impala");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), TIMEOUT + 2.0);
    EXPECT_EQ(unanswered.status, DiagnosisStatus::Failed) << Describe(unanswered);
    EXPECT_NE(unanswered.detail.find("did not answer in time"), std::string::npos) << Describe(unanswered);

    const DiagnosisStep unset =
        StepOf(Diagnose({{"Host", "127.0.0.1"}, {"Port", closed}, {"AuthMech", "1"}}), "kerberos");
    EXPECT_EQ(unset.status, DiagnosisStatus::Failed) << Describe(unset);
    EXPECT_NE(unset.hint.find("KrbServiceName"), std::string::npos) << Describe(unset);
}

TEST(KerberosDiagnosisTest, TheServiceTicketIsWhatTheTransportSends)
{
    TestKdc kdc;
    ASSERT_TRUE(kdc.Ready()) << kdc.Directory();
    kdc.AddPrincipal("alice");
    // A principal the KDC knows and the server has no key of.
    kdc.AddPrincipal("spark/other.dravo.test");
    const ScopedEnv keytab("KRB5_KTNAME", "FILE:" + kdc.AddPrincipal("spark/server.dravo.test").string());
    ASSERT_EQ(kdc.Kinit("alice").exitCode, 0);
    ServerProcess sasl({TestServer(), "sasl"});
    ServerProcess http({TestServer(), "http", "/cliservice=401"});
    const auto transport = [](const ServerProcess& server, const std::string& kind, const std::string& host) {
        return StepOf(Diagnose({{"Host", "127.0.0.1"}, {"Port", server.PortText()}, {"ThriftTransport", kind},
                          {"HTTPPath", "cliservice"}, {"AuthMech", "1"}, {"KrbRealm", TestKdc::REALM},
                          {"KrbHostFQDN", host}, {"KrbServiceName", "spark"}}),
            "transport");
    };
    const DiagnosisStep gssapi = transport(sasl, "1", "server.dravo.test");
    EXPECT_EQ(gssapi.status, DiagnosisStatus::Ok) << Describe(gssapi);
    EXPECT_NE(gssapi.detail.find("Kerberos ticket for spark/server.dravo.test@DRAVO.TEST and proved it is that server"),
        std::string::npos)
        << Describe(gssapi);
    // One that says yes to any ticket is not taken for the server.
    ServerProcess pretender({TestServer(), "sasl-pretend"});
    const DiagnosisStep pretended = transport(pretender, "1", "server.dravo.test");
    EXPECT_EQ(pretended.status, DiagnosisStatus::Failed) << Describe(pretended);
    EXPECT_NE(pretended.detail.find("did not prove it is that server"), std::string::npos) << Describe(pretended);
    const DiagnosisStep negotiate = transport(http, "2", "server.dravo.test");
    EXPECT_EQ(negotiate.status, DiagnosisStatus::Ok) << Describe(negotiate);

    const DiagnosisStep gssapiRefused = transport(sasl, "1", "other.dravo.test");
    EXPECT_EQ(gssapiRefused.status, DiagnosisStatus::Failed) << Describe(gssapiRefused);
    EXPECT_NE(gssapiRefused.hint.find("keytab"), std::string::npos) << Describe(gssapiRefused);
    const DiagnosisStep negotiateRefused = transport(http, "2", "other.dravo.test");
    EXPECT_EQ(negotiateRefused.status, DiagnosisStatus::Failed) << Describe(negotiateRefused);
    EXPECT_NE(negotiateRefused.hint.find("refused the Kerberos ticket"), std::string::npos)
        << Describe(negotiateRefused);
}

TEST(DiscoveryDiagnosisTest, TheServersZooKeeperNamesAreTheOnesChecked)
{
    TestZooKeeper zookeeper;
    ASSERT_TRUE(zookeeper.Ready()) << "ZooKeeper did not start within 30 s";
    std::printf("ZooKeeper took %.2f s to start\n", zookeeper.StartSeconds());
    ServerProcess binary({TestServer(), "binary"});
    const std::string closed = std::to_string(UnusedLoopbackPort());
    ASSERT_EQ(zookeeper.Create({"/dravo",
                  "/dravo/serverUri=127.0.0.1:" + binary.PortText() + ";version=3.3.0;sequence=0000000001", "/empty"}),
        0);
    const std::string quorum = "127.0.0.1:" + std::to_string(zookeeper.Port());
    const auto discover = [&](const std::string& hosts, const std::string& node) {
        return Diagnose({{"ServiceDiscoveryMode", "1"}, {"Host", hosts}, {"ZKNamespace", node},
            {"ThriftTransport", "0"}, {"AuthMech", "0"}});
    };

    const auto found = discover(quorum, "dravo");
    EXPECT_EQ(StepOf(found, "discovery").status, DiagnosisStatus::Ok) << Describe(StepOf(found, "discovery"));
    EXPECT_NE(StepOf(found, "discovery").detail.find("/dravo names 127.0.0.1:" + binary.PortText()), std::string::npos)
        << Describe(StepOf(found, "discovery"));
    EXPECT_NE(StepOf(found, "connect").detail.find("127.0.0.1:" + binary.PortText() + " connected"), std::string::npos)
        << Describe(StepOf(found, "connect"));
    EXPECT_EQ(StepOf(found, "transport").status, DiagnosisStatus::Ok) << Describe(StepOf(found, "transport"));

    const auto oneDown = discover(quorum + ",127.0.0.1:" + closed, "/dravo");
    EXPECT_EQ(StepOf(oneDown, "discovery").status, DiagnosisStatus::Warning) << Describe(StepOf(oneDown, "discovery"));
    EXPECT_EQ(StepOf(oneDown, "transport").status, DiagnosisStatus::Ok);

    const auto missing = discover(quorum, "nothing");
    EXPECT_EQ(StepOf(missing, "discovery").status, DiagnosisStatus::Failed);
    EXPECT_NE(StepOf(missing, "discovery").detail.find("no node /nothing"), std::string::npos)
        << Describe(StepOf(missing, "discovery"));
    EXPECT_NE(StepOf(missing, "discovery").hint.find("ZKNamespace"), std::string::npos);
    EXPECT_EQ(StepOf(missing, "name").status, DiagnosisStatus::Skipped);

    const DiagnosisStep empty = StepOf(discover(quorum, "/empty"), "discovery");
    EXPECT_EQ(empty.status, DiagnosisStatus::Failed) << Describe(empty);
    EXPECT_NE(empty.detail.find("names no server"), std::string::npos) << Describe(empty);

    const DiagnosisStep down = StepOf(discover("127.0.0.1:" + closed, "/dravo"), "discovery");
    EXPECT_EQ(down.status, DiagnosisStatus::Failed) << Describe(down);
    EXPECT_NE(down.detail.find("refused"), std::string::npos) << Describe(down);
    EXPECT_NE(down.hint.find("Host"), std::string::npos) << Describe(down);
}

} // namespace
} // namespace Dravo::Test
