// dravo-spark-config test run as a child over unixODBC's real installer with
// its ini files in a temporary directory: a stored data source's deciphered
// password reaches the server, a failed step has an exit status of its own,
// the JSON shape the fleet tools read, and the command line's refusals.
#include <cstdlib>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/LoopbackPort.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/TempDir.h"
#include "tests/driversupport/ServerProcess.h"
#include "tests/driversupport/TestKdc.h"

namespace Dravo::Test {
namespace {

constexpr int EXIT_TEST_FAILED = 6;

class ConnectionTestCommandTest : public ::testing::Test {
protected:
    ProgramRun Run(std::vector<std::string> arguments, const std::string& input = "")
    {
        ToolRunOptions options;
        options.arguments = {"--registry-root", m_registry.Path().string()};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.input = input;
        options.environment = m_ini.Environment();
        options.environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        // The driver test goes through unixODBC's driver manager, which loses
        // what it parsed (a sanitizer build's leak checker would say so).
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        options.environment["LSAN_OPTIONS"] = "suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp";
        if (!m_wrapper.empty()) {
            // A preloaded library (faketime's) comes before a sanitizer's runtime.
            const char* asan = std::getenv("ASAN_OPTIONS");
            options.environment["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
            options.wrapper = m_wrapper;
        }
        return RunTool(BuiltProgram("bin/dravo-spark-config"), options);
    }

    /// Stores data source Sales for the SASL server at PORT, the password
    /// enciphered as the tool stores it.
    void StoreSales(uint16_t port)
    {
        const ProgramRun stored =
            Run({"--dsn", "Sales", "set", "SparkServerType=3", "Host=127.0.0.1", "Port=" + std::to_string(port),
                    "AuthMech=3", "UID=alice", "ThriftTransport=1", "--password-stdin"},
                "s3cret\n");
        ASSERT_EQ(stored.exitCode, 0) << stored.errors;
        ASSERT_EQ(m_ini.OdbcIni().find("s3cret"), std::string::npos);
    }

    OdbcIniDirectory m_ini;
    TempDir m_registry;
    std::vector<std::string> m_wrapper;
};

TEST_F(ConnectionTestCommandTest, AStoredDataSourceIsTestedWithItsDecipheredPassword)
{
    ServerProcess sasl({BuiltProgram("tests/loopback_test_server").string(), "sasl"});
    ASSERT_NE(sasl.Port(), 0);
    StoreSales(sasl.Port());
    const ProgramRun run = Run({"--dsn", "Sales", "test", "--timeout", "3"});
    const std::vector<std::string> order = {
        "settings:", "driver:", "name:", "connect:", "tls:", "kerberos:", "transport:", "driver test:"};
    size_t at = 0;
    for (const std::string& step : order) {
        const size_t found = run.output.find(step, at);
        ASSERT_NE(found, std::string::npos) << step << "\n" << run.output;
        at = found;
    }
    EXPECT_NE(run.output.find("ok      transport: SASL: the server accepted PLAIN for alice"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("skipped tls: SSL is off"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("s3cret"), std::string::npos) << run.output;
    // The SQLite driver stands in for the product's: it connects or says why.
    EXPECT_TRUE(run.exitCode == 0 || run.exitCode == EXIT_TEST_FAILED) << run.exitCode << run.errors;
}

TEST_F(ConnectionTestCommandTest, AFailedStepHasItsOwnExitStatusAndTheJsonTheFleetToolsRead)
{
    StoreSales(UnusedLoopbackPort());
    const ProgramRun run = Run({"--dsn", "Sales", "test", "--json", "--timeout", "2"});
    EXPECT_EQ(run.exitCode, EXIT_TEST_FAILED) << run.errors;
    EXPECT_EQ(run.output.rfind("{\"ok\":false,\"steps\":[{\"step\":\"settings\",\"status\":\"ok\",\"detail\":", 0), 0U)
        << run.output;
    EXPECT_NE(run.output.find("{\"step\":\"connect\",\"status\":\"failed\",\"detail\":\"127.0.0.1:"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\"hint\":\"nothing listens there: check Port, and that the server runs\",\"seconds\":"),
        std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("{\"step\":\"driver test\",\"status\":\"skipped\""), std::string::npos) << run.output;
    EXPECT_EQ(run.output.back(), '\n');

    // Settings given on the command line, for a data source not stored yet,
    // are reviewed as check reviews them.
    const ProgramRun given = Run({"test", "Host=nowhere.invalid", "SSL=yes", "--timeout", "1"});
    EXPECT_EQ(given.exitCode, EXIT_TEST_FAILED) << given.errors;
    EXPECT_NE(given.output.find("warning settings: the command line: SSL=yes"), std::string::npos) << given.output;
    EXPECT_NE(given.output.find("failed  name: nowhere.invalid: "), std::string::npos) << given.output;
}

TEST_F(ConnectionTestCommandTest, AClockBehindTheKdcsIsToldOfWhileTheTicketsStillCome)
{
    // This machine's clock ten minutes behind the KDC's: kinit and the tool
    // both run on a clock put back by faketime; the KDC keeps the true one.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRAVO_UNDER_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(DRAVO_UNDER_ADDRESS_SANITIZER)
    // faketime's preloaded clock and the sanitizer's start-up hang each other.
    GTEST_SKIP() << "faketime does not run under AddressSanitizer";
#endif
    TestKdc kdc;
    ASSERT_TRUE(kdc.Ready()) << kdc.Directory();
    kdc.AddPrincipal("alice");
    kdc.AddPrincipal("spark/server.dravo.test");
    ASSERT_EQ(kdc.Kinit("alice", "", "-600s").exitCode, 0);
    m_wrapper = {"/usr/bin/faketime", "-f", "-600s"};
    const ProgramRun run = Run({"test", "SparkServerType=3", "Host=127.0.0.1",
        "Port=" + std::to_string(UnusedLoopbackPort()), "AuthMech=1", std::string("KrbRealm=") + TestKdc::REALM,
        "KrbHostFQDN=server.dravo.test", "KrbServiceName=spark", "--timeout", "3"});
    EXPECT_NE(run.output.find("warning kerberos: this machine's clock is 10 min behind the KDC's, past the 5 minutes"),
        std::string::npos)
        << run.output << run.errors;
    EXPECT_NE(run.output.find("a service ticket for spark/server.dravo.test@DRAVO.TEST"), std::string::npos)
        << run.output;
}

TEST_F(ConnectionTestCommandTest, TheCommandLineIsCheckedFirst)
{
    EXPECT_EQ(Run({"test"}).exitCode, 64);
    EXPECT_EQ(Run({"test", "Host=h", "--timeout", "0"}).exitCode, 64);
    EXPECT_EQ(Run({"test", "Host=h", "--timeout", "ten"}).exitCode, 64);
    EXPECT_EQ(Run({"--dsn", "Sales", "check", "--timeout", "5"}).exitCode, 64);
    EXPECT_EQ(Run({"test", "Host"}).exitCode, 64);
    const ProgramRun missing = Run({"--dsn", "Nowhere", "test"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.errors.find("there is no data source named Nowhere"), std::string::npos) << missing.errors;
}

} // namespace
} // namespace Dravo::Test
