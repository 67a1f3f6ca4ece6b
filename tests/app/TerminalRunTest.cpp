// dravo-spark-config as an administrator runs it: in a real terminal (a
// private tmux server), driven by keys, saving into the configuration file of
// a private registry root.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/ui/terminal/TmuxSession.h"

namespace Dravo::Test {
namespace {

constexpr const char* TYPICAL_CONFIGURATION = "[Driver]\r\n"
                                              "SparkServerType=3\r\n"
                                              "AuthMech=3\r\n"
                                              "ThriftTransport=1\r\n";

class TerminalRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TmuxSession::Available()) {
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        }
        WriteFileBytes(MachineConfigurationFile(m_root.Path()), TYPICAL_CONFIGURATION);
    }

    std::vector<std::string> Command() const
    {
        return {BuiltProgram("bin/dravo-spark-config").string(), "--registry-root", m_root.Path().string()};
    }

    TempDir m_root;
};

TEST_F(TerminalRunTest, ChangingTheMechanismWithTheKeyboardAndOKSaves)
{
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("Dravo Spark ODBC Driver Configuration")) << session.LastScreen();
    EXPECT_EQ(session.Format("#{alternate_on}"), "1");
    ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();

    // The file it edits is named on the line below the dialog's frame.
    const std::string file = MachineConfigurationFile(m_root.Path()).string();
    const std::string shown = session.LastScreen();
    const size_t named = shown.find("Configuration file: " + file);
    ASSERT_NE(named, std::string::npos) << shown;
    const size_t lineStart = shown.rfind('\n', named);
    ASSERT_NE(lineStart, std::string::npos) << shown;
    const size_t previousStart = shown.rfind('\n', lineStart - 1);
    const std::string previous = shown.substr(previousStart + 1, lineStart - previousStart - 1);
    EXPECT_NE(previous.find("\u2518"), std::string::npos) << "not below the dialog's bottom edge:\n" << shown;

    // The server type has the focus; the mechanism is next. Its list opens
    // on the current entry, and "User Name" is the one above.
    session.Key("Tab");
    session.Key("Space");
    ASSERT_TRUE(session.WaitFor("Windows Azure HDInsight Service")) << session.LastScreen();
    session.Key("Up");
    session.Key("Enter");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("Windows Azure HDInsight Service") == std::string::npos
            && screen.find("User Name and Password") == std::string::npos;
    })) << session.LastScreen();

    // Realm, host and service name are disabled for "User Name": Tab lands
    // on the user name, and Enter there presses OK.
    session.Key("Tab");
    session.Text("alice");
    ASSERT_TRUE(session.WaitFor("alice")) << session.LastScreen();
    session.Key("Enter");
    EXPECT_EQ(session.WaitForExit(), 1) << session.LastScreen();

    const auto values = ReadDriverSection(MachineConfigurationFile(m_root.Path()));
    EXPECT_EQ(values.at("AuthMech"), "2");
    EXPECT_EQ(values.at("UID"), "alice");
    EXPECT_EQ(values.at("ThriftTransport"), "1");
}

TEST_F(TerminalRunTest, AStoredValueTheDialogShowsDifferentlyIsToldBelowIt)
{
    WriteFileBytes(MachineConfigurationFile(m_root.Path()),
        "[Driver]\nSparkServerType=3\nKrbHostFQDN=h\nAuthMech=9\nKrbServiceName=s\nUseNativeQuery=yes\n");
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("Configuration file: ")) << session.LastScreen();
    ASSERT_TRUE(session.WaitFor("Line 4: AuthMech=9 is an older mechanism")) << session.LastScreen();
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
}

TEST_F(TerminalRunTest, AnUnknownTerminalTypeIsReportedAndNothingSaved)
{
    // tmux sets TERM for its panes itself, so env sets it for the program.
    std::vector<std::string> command{"/usr/bin/env", "TERM=dravo-no-such-terminal"};
    const std::vector<std::string> tool = Command();
    command.insert(command.end(), tool.begin(), tool.end());
    TmuxSession session(command, {});
    EXPECT_EQ(session.WaitForExit(), 4) << session.LastScreen();
    EXPECT_NE(session.LastScreen().find("dravo-no-such-terminal"), std::string::npos) << session.LastScreen();
    EXPECT_EQ(ReadFileBytes(MachineConfigurationFile(m_root.Path())), TYPICAL_CONFIGURATION);
}

TEST_F(TerminalRunTest, LogLinesThatCannotBeWrittenStayOffTheDialogsAndAreToldOnce)
{
    // Tracing into a folder that cannot be made: every line falls back.
    const std::string folder = (m_root / "no" / "such").string();
    WriteFileBytes(MachineConfigurationFile(m_root.Path()),
        std::string(TYPICAL_CONFIGURATION) + "LogLevel=6\r\nLogPath=" + folder + "\r\n");
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
    // Cancel, OK, then Logging Options: its dialog traces as it opens.
    session.Key("BTab");
    session.Key("BTab");
    session.Key("BTab");
    session.Key("Enter");
    ASSERT_TRUE(session.WaitFor("Max Number Files:")) << session.LastScreen();
    EXPECT_EQ(session.LastScreen().find("+++++"), std::string::npos) << session.LastScreen();
    session.Key("Escape");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("Max Number Files:") == std::string::npos;
    })) << session.LastScreen();
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
    // The message is longer than a row: read the rows as one text.
    std::string screen = session.LastScreen();
    std::erase(screen, '\n');
    EXPECT_EQ(screen.find("+++++"), std::string::npos) << screen;
    const std::string told = "the log file " + folder + "/DravoSparkODBCDriver_DriverConfig.log cannot be written: ";
    const size_t at = screen.find(told);
    ASSERT_NE(at, std::string::npos) << screen;
    EXPECT_NE(screen.find(" lines of the log were lost.", at), std::string::npos) << screen;
    EXPECT_EQ(screen.find(told, at + 1), std::string::npos) << "told once: " << screen;
}

TEST_F(TerminalRunTest, AnExceptionOfNoStandardTypeGivesTheTerminalBackAndIsReported)
{
    // The test build of the tool, with an installer library that throws when
    // it checks the name "Sales" (the start-up does, once the terminal is
    // taken) or "Renamed" (the dialog's OK does).
    const std::vector<std::string> command{BuiltProgram("tests/tool_with_test_libraries").string(),
        "--registry-root", m_root.Path().string(), "--dsn", "Sales"};
    const auto run = [&](const std::string& thrownFor, const std::string& told, bool openDialog) {
        SCOPED_TRACE(thrownFor);
        TmuxSession::Options options;
        options.environment = {"DRAVO_ODBCINST_LIBRARY=" + BuiltProgram("tests/fake_odbcinst_throwing.so").string(),
            "DRAVO_FAKE_INSTALLER_THROW_FOR_NAME=" + thrownFor};
        TmuxSession session(command, options);
        if (openDialog) {
            ASSERT_TRUE(session.WaitFor("DSN Setup")) << session.LastScreen();
            // The name has the focus; the host is three fields on.
            session.Key("C-u");
            session.Text("Renamed");
            session.Key("Tab");
            session.Key("Tab");
            session.Key("Tab");
            session.Text("spark.example.com");
            ASSERT_TRUE(session.WaitFor("spark.example.com")) << session.LastScreen();
            session.Key("Enter");
        }
        EXPECT_EQ(session.WaitForExit(), 4) << session.LastScreen();
        EXPECT_EQ(session.Format("#{alternate_on}"), "0");
        std::string screen = session.LastScreen();
        std::erase(screen, '\n');
        EXPECT_NE(screen.find(told + " failed: an error of unknown kind; nothing was changed."), std::string::npos)
            << session.LastScreen();
    };
    run("Sales", "the configuration tool", false);
    run("Renamed", "the configuration dialog", true);
    EXPECT_EQ(ReadFileBytes(MachineConfigurationFile(m_root.Path())), TYPICAL_CONFIGURATION);
}

} // namespace
} // namespace Dravo::Test
