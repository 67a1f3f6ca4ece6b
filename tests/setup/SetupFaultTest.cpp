// The setup library when unixODBC's installer refuses a write half-way
// through a request: the installer is made to fail the N-th time it opens the
// user's odbc.ini to rewrite it (the probe runs under ptrace), and what was
// written before must be undone, leaving the file as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>

#include <string>
#include <vector>

#include "tests/reliability/SyscallTracer.h"
#include "tests/setup/SetupFixture.h"

namespace Dravo::Test {
namespace {

/// As unixODBC writes it, so that its rewrite of what it read gives the same bytes.
constexpr const char* EXISTING = "[Existing]\nDriver=Dravo Spark ODBC Driver\nHost=old.example.com\nPort=10000\n"
                                 "SparkServerType=3\nAuthMech=2\nUID=bob\n\n";

class SetupFaultTest : public SetupFixture {
protected:
    void SetUp() override
    {
#if !defined(__x86_64__)
        GTEST_SKIP() << "failing a system call needs the x86-64 registers";
#endif
        m_ini.WriteFile("user/odbc.ini", EXISTING);
    }

    /// Runs the probe with the installer's REWRITE-th rewrite of the user's
    /// odbc.ini failing; how many rewrites there were before it is checked.
    ProbeResult RunFailing(int rewrite, const std::string& action, const std::vector<std::string>& attributes)
    {
        std::vector<std::string> arguments = {action, DRIVER};
        arguments.insert(arguments.end(), attributes.begin(), attributes.end());
        SyscallTracer probe(BuiltProgram("tests/setup_probe"), arguments, Environment());
        const std::string file = (m_ini.Path() / "user" / "odbc.ini").string();
        int rewrites = 0;
        const bool reached = probe.RunTo([&](const SyscallStop& stop) {
            if (!stop.entry || stop.number != SYS_openat || (stop.arguments[2] & O_TRUNC) == 0
                || probe.ReadText(stop.arguments[1]) != file) {
                return false;
            }
            return ++rewrites == rewrite;
        });
        EXPECT_TRUE(reached) << "the installer rewrote the file only " << rewrites << " times";
        SyscallStop stop;
        stop.entry = true;
        EXPECT_TRUE(probe.FailCall(stop));
        return Parse(probe.Finish());
    }
};

TEST_F(SetupFaultTest, ARefusedWriteUndoesWhatTheRequestWroteBefore)
{
    struct Case {
        const char* what;
        int rewrite;
        std::string action;
        std::vector<std::string> attributes;
    };
    const std::vector<Case> cases = {
        // The new section and two of its entries are written before.
        {"a new data source", 4, "add", {"DSN=Sales", "Host=spark.example.com", "SparkServerType=3", "AuthMech=3"}},
        // The replaced section is put back whole.
        {"a replaced data source", 3, "add", {"DSN=Existing", "Host=new.example.com"}},
        // The first change is taken back.
        {"a changed data source", 2, "config", {"DSN=Existing", "Host=new.example.com", "Port=443", "Schema=x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ProbeResult result = RunFailing(c.rewrite, c.action, c.attributes);
        EXPECT_FALSE(result.succeeded) << testing::PrintToString(result);
        ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
        EXPECT_EQ(result.errors.front().first, 11);
        EXPECT_NE(result.errors.front().second.find("What had been written before was undone."), std::string::npos)
            << testing::PrintToString(result);
        EXPECT_EQ(UserIni(), EXISTING);
    }
}

} // namespace
} // namespace Dravo::Test
