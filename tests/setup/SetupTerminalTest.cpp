// The data-source dialog that the setup library shows in the caller's
// terminal when unixODBC is asked with a window handle: a real terminal (a
// private tmux server) running the probe, driven by keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/setup/SetupFixture.h"
#include "tests/ui/terminal/TmuxSession.h"

namespace Dravo::Test {
namespace {

class SetupTerminalTest : public SetupFixture {
protected:
    void SetUp() override
    {
        if (!TmuxSession::Available()) {
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        }
    }

    TmuxSession::Options Options() const
    {
        TmuxSession::Options options;
        for (const auto& [name, value] : Environment()) {
            if (value && name != "LSAN_OPTIONS") {
                options.environment.push_back(name + "=" + *value);
            }
        }
        return options;
    }

    std::vector<std::string> Probe(const std::string& action, const std::vector<std::string>& attributes) const
    {
        std::vector<std::string> command = {BuiltProgram("tests/setup_probe").string(), "--window", action, DRIVER};
        command.insert(command.end(), attributes.begin(), attributes.end());
        return command;
    }
};

TEST_F(SetupTerminalTest, OKInTheTerminalDialogSavesAndEscapeCancels)
{
    {
        TmuxSession session(Probe("add", {"DSN=Sales", "DESCRIPTION=from the script"}), Options());
        ASSERT_TRUE(session.WaitFor("Dravo Spark ODBC Driver DSN Setup")) << session.LastScreen();
        ASSERT_TRUE(session.WaitFor("from the script")) << session.LastScreen();
        // Name, description, then the server type and the host.
        session.Key("Tab");
        session.Key("Tab");
        session.Key("Tab");
        session.Text("spark.example.com");
        ASSERT_TRUE(session.WaitFor("spark.example.com")) << session.LastScreen();
        session.Key("Enter");
        EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
        EXPECT_NE(session.LastScreen().find("result 1"), std::string::npos) << session.LastScreen();
    }
    auto sales = UserSection("Sales");
    EXPECT_EQ(sales["Driver"], DRIVER);
    EXPECT_EQ(sales["DESCRIPTION"], "from the script");
    EXPECT_EQ(sales["Host"], "spark.example.com");
    EXPECT_EQ(sales["Port"], "10000");
    const std::string saved = UserIni();

    TmuxSession session(Probe("config", {"DSN=Sales"}), Options());
    ASSERT_TRUE(session.WaitFor("spark.example.com")) << session.LastScreen();
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
    EXPECT_NE(session.LastScreen().find("result 0"), std::string::npos) << session.LastScreen();
    EXPECT_NE(session.LastScreen().find("error 16 The dialog was cancelled; nothing was changed."), std::string::npos)
        << session.LastScreen();
    EXPECT_EQ(UserIni(), saved);
}

TEST_F(SetupTerminalTest, ANewNameInTheDialogMovesTheDataSourceWithItsSettings)
{
    ASSERT_TRUE(Configure({}, "add", {"DSN=Sales", "HOST=spark.example.com", "PORT=10005"}).succeeded);
    TmuxSession session(Probe("config", {"DSN=Sales"}), Options());
    ASSERT_TRUE(session.WaitFor("spark.example.com")) << session.LastScreen();
    // The name box has the focus first.
    session.Key("C-u");
    session.Text("Finance");
    ASSERT_TRUE(session.WaitFor("Finance")) << session.LastScreen();
    session.Key("Enter");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
    EXPECT_NE(session.LastScreen().find("result 1"), std::string::npos) << session.LastScreen();

    const std::string ini = UserIni();
    EXPECT_EQ(ini.find("[Sales]"), std::string::npos) << ini;
    auto finance = UserSection("Finance");
    EXPECT_EQ(finance["Driver"], DRIVER);
    EXPECT_EQ(finance["Host"], "spark.example.com");
    EXPECT_EQ(finance["Port"], "10005");
}

} // namespace
} // namespace Dravo::Test
