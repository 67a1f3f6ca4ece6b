// dravo-spark-config as an administrator runs it: in a real terminal (a
// private tmux server), driven by keys, saving into the configuration file of
// a private registry root.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

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

constexpr const char* KERBEROS_OVER_HTTP = "[Driver]\r\n"
                                           "SparkServerType=3\r\n"
                                           "AuthMech=1\r\n"
                                           "ThriftTransport=2\r\n"
                                           "KrbHostFQDN=spark.example.com\r\n"
                                           "KrbServiceName=spark\r\n";

TEST_F(TerminalRunTest, ArrowsMoveBetweenFieldsAndNeverChangeAClosedList)
{
    WriteFileBytes(MachineConfigurationFile(m_root.Path()), KERBEROS_OVER_HTTP);
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("Kerberos")) << session.LastScreen();
    // The server type is shown whole at 80 columns.
    EXPECT_NE(session.LastScreen().find("SparkThriftServer (Spark 1.1 and later)"), std::string::npos)
        << session.LastScreen();
    // Down and Up on the mechanism go to the realm and back; the mechanism,
    // and with it the transport list, stays as it was.
    session.Key("Tab");
    session.Key("Down");
    session.Key("Up");
    // Back to the server type, then round to Cancel: Right stops there, Left
    // goes to OK, and neither reaches the server type.
    session.Key("BTab");
    session.Key("BTab");
    session.Key("Right");
    session.Key("Left");
    session.Key("Enter");
    EXPECT_EQ(session.WaitForExit(), 1) << session.LastScreen();
    const auto values = ReadDriverSection(MachineConfigurationFile(m_root.Path()));
    EXPECT_EQ(values.at("SparkServerType"), "3");
    EXPECT_EQ(values.at("AuthMech"), "1");
    EXPECT_EQ(values.at("ThriftTransport"), "2");
}

TEST_F(TerminalRunTest, SubDialogsShowWholeNumbersAndScrollOnASmallScreen)
{
    // Cancel, OK, Logging Options, Advanced Options.
    const auto openAdvancedOptions = [](TmuxSession& session) {
        for (int i = 0; i < 4; ++i) {
            session.Key("BTab");
        }
        session.Key("Enter");
    };
    {
        TmuxSession session(Command(), {});
        ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
        openAdvancedOptions(session);
        ASSERT_TRUE(session.WaitFor("Rows fetched per block")) << session.LastScreen();
        EXPECT_NE(session.LastScreen().find("10000"), std::string::npos) << session.LastScreen();
        EXPECT_NE(session.LastScreen().find("32767"), std::string::npos) << session.LastScreen();
        session.Key("Escape");
        ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
            return screen.find("Rows fetched per block") == std::string::npos;
        })) << session.LastScreen();
        session.Key("Escape");
        EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
    }
    TmuxSession::Options small;
    small.cols = 60;
    small.rows = 20;
    TmuxSession session(Command(), small);
    ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
    session.Key("Tab");
    session.Key("Tab");
    session.Text("alice");
    ASSERT_TRUE(session.WaitFor("alice")) << session.LastScreen();
    session.Key("BTab");
    session.Key("BTab");
    openAdvancedOptions(session);
    ASSERT_TRUE(session.WaitFor("Use Native Query")) << session.LastScreen();
    EXPECT_EQ(session.LastScreen().find("too small"), std::string::npos) << session.LastScreen();
    // The number boxes are to the right: focus scrolls them into sight.
    for (int i = 0; i < 9; ++i) {
        session.Key("Tab");
    }
    ASSERT_TRUE(session.WaitFor("10000")) << session.LastScreen();
    // Esc closes the sub-dialog only; the main dialog and its edits are back.
    session.Key("Escape");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("alice") != std::string::npos && screen.find("10000") == std::string::npos;
    })) << session.LastScreen();
    EXPECT_EQ(session.LastScreen().find("too small"), std::string::npos) << session.LastScreen();
    // From Advanced Options past Logging Options to OK.
    session.Key("Tab");
    session.Key("Tab");
    session.Key("Enter");
    ASSERT_EQ(session.WaitForExit(), 1) << session.LastScreen();
    EXPECT_EQ(ReadDriverSection(MachineConfigurationFile(m_root.Path())).at("UID"), "alice");
}

TEST_F(TerminalRunTest, TheLineBelowSaysWhatOKMakesOfValuesAsTyped)
{
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
    // Server type, mechanism, user name, password.
    for (int i = 0; i < 3; ++i) {
        session.Key("Tab");
    }
    session.Text("secret");
    ASSERT_TRUE(session.WaitFor("The password is not saved unless Save Password is ticked.")) << session.LastScreen();
    session.Key("Tab");
    session.Key("Space");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("[X] Save Password") != std::string::npos
            && screen.find("The password is not saved") == std::string::npos;
    })) << session.LastScreen();
    // A number beyond its range is told as it is typed.
    session.Key("M-c");
    ASSERT_TRUE(session.WaitFor("Decimal column scale")) << session.LastScreen();
    session.Key("M-e");
    session.Key("C-u");
    session.Text("99");
    ASSERT_TRUE(session.WaitFor("Decimal column scale is at most 38: OK keeps 38.")) << session.LastScreen();
    session.Key("Escape");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("Decimal column scale") == std::string::npos;
    })) << session.LastScreen();
    // The certificate chooser starts where the current file is.
    session.Key("M-l");
    ASSERT_TRUE(session.WaitFor("Trusted Certificates")) << session.LastScreen();
    session.Key("M-e");
    session.Key("M-b");
    // Its folder line names the folder of /etc/ssl/certs/ca-certificates.crt.
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        for (size_t at = screen.find("/etc/ssl/certs"); at != std::string::npos;
             at = screen.find("/etc/ssl/certs", at + 1)) {
            const size_t end = screen.find('\n', at);
            if (screen.find(" Open ") != std::string::npos
                && screen.substr(at, end - at).find("ca-certificates") == std::string::npos) {
                return true;
            }
        }
        return false;
    })) << session.LastScreen();
    for (const char* gone : {" Open ", "Trusted Certificates"}) {
        session.Key("Escape");
        ASSERT_TRUE(session.WaitUntil([gone](const std::string& shown) {
            return shown.find(gone) == std::string::npos;
        })) << gone
            << "\n"
            << session.LastScreen();
    }
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
}

TEST_F(TerminalRunTest, AnEmptyPropertyListFocusesAddAndADisabledOKSaysWhy)
{
    WriteFileBytes(MachineConfigurationFile(m_root.Path()), "[Driver]\r\nSparkServerType=3\r\nAuthMech=1\r\n");
    TmuxSession session(Command(), {});
    ASSERT_TRUE(session.WaitFor("OK needs the Host FQDN and the Service Name for Kerberos.")) << session.LastScreen();
    session.Key("M-c");
    ASSERT_TRUE(session.WaitFor("Use Native Query")) << session.LastScreen();
    // Outside an edit box the letter alone will do.
    session.Key("v");
    ASSERT_TRUE(session.WaitFor("Convert Key Name to Lower Case")) << session.LastScreen();
    // The cursor is on Add, and Enter presses it.
    const std::string screen = session.LastScreen();
    const size_t add = screen.find("Add...");
    ASSERT_NE(add, std::string::npos) << screen;
    const auto row = std::count(screen.begin(), screen.begin() + static_cast<std::ptrdiff_t>(add), '\n');
    EXPECT_EQ(session.Format("#{cursor_y}"), std::to_string(row)) << screen;
    session.Key("Enter");
    ASSERT_TRUE(session.WaitFor("OK needs a Key.")) << session.LastScreen();
    // Enter after the key alone goes on to the value instead of adding it.
    session.Text("key1");
    session.Key("Enter");
    ASSERT_TRUE(session.WaitFor("The value is empty")) << session.LastScreen();
    session.Text("value1");
    session.Key("Enter");
    ASSERT_TRUE(session.WaitUntil([](const std::string& shown) {
        return shown.find("key1=value1") != std::string::npos && shown.find("Edit Property") == std::string::npos;
    })) << session.LastScreen();
    // Each Escape closes the topmost dialog only.
    for (const char* gone : {"Convert Key Name to Lower Case", "Use Native Query"}) {
        session.Key("Escape");
        ASSERT_TRUE(session.WaitUntil([gone](const std::string& shown) {
            return shown.find(gone) == std::string::npos;
        })) << gone
            << "\n"
            << session.LastScreen();
    }
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
}

TEST_F(TerminalRunTest, AFailedSaveKeepsTheDialogAndItsEditsOpen)
{
    // The configuration is larger than any file may grow: the save cannot
    // write its new file.
    WriteFileBytes(MachineConfigurationFile(m_root.Path()),
        std::string(TYPICAL_CONFIGURATION) + "Padding=" + std::string(600, 'p') + "\r\n");
    const std::string before = ReadFileBytes(MachineConfigurationFile(m_root.Path()));
    std::vector<std::string> command{"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""};
    const std::vector<std::string> tool = Command();
    command.insert(command.end(), tool.begin(), tool.end());
    TmuxSession session(command, {});
    ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
    session.Key("Tab");
    session.Key("Tab");
    session.Text("alice");
    ASSERT_TRUE(session.WaitFor("alice")) << session.LastScreen();
    session.Key("Enter");
    ASSERT_TRUE(session.WaitFor("could not be saved")) << session.LastScreen();
    session.Key("Enter");
    ASSERT_TRUE(session.WaitUntil([](const std::string& screen) {
        return screen.find("could not be saved") == std::string::npos && screen.find("alice") != std::string::npos;
    })) << session.LastScreen();
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 3) << session.LastScreen();
    EXPECT_EQ(ReadFileBytes(MachineConfigurationFile(m_root.Path())), before);
}

/// The screen as docs/screenshots keeps it: blank lines left out, the
/// private registry root named as the screenshots name it.
std::string AsScreenshot(std::string screen, const std::string& root)
{
    for (size_t at = screen.find(root); at != std::string::npos; at = screen.find(root, at)) {
        screen.replace(at, root.size(), "/tmp/dravo-screenshots");
    }
    std::string kept;
    size_t start = 0;
    while (start < screen.size()) {
        const size_t end = std::min(screen.find('\n', start), screen.size());
        const std::string line = screen.substr(start, end - start);
        if (line.find_first_not_of(' ') != std::string::npos) {
            kept += line + "\n";
        }
        start = end + 1;
    }
    return kept;
}

TEST_F(TerminalRunTest, DisabledControlsShowWithoutColoursAndDelegationIsOnlyForDataSources)
{
    // tmux sets TERM for its panes itself, so env sets it for the program.
    std::vector<std::string> command{"/usr/bin/env", "TERM=vt100", "NO_COLOR=1"};
    const std::vector<std::string> tool = Command();
    command.insert(command.end(), tool.begin(), tool.end());
    WriteFileBytes(MachineConfigurationFile(m_root.Path()), KERBEROS_OVER_HTTP);
    TmuxSession session(command, {});
    ASSERT_TRUE(session.WaitFor("Kerberos")) << session.LastScreen();
    // Kerberos takes no password; the driver-wide save keeps no delegation
    // user: both are disabled, and say so without colour or dim text.
    const std::string screen = session.LastScreen();
    const size_t delegation = screen.find("Delegation UID:");
    ASSERT_NE(delegation, std::string::npos) << screen;
    EXPECT_NE(screen.substr(delegation, screen.find('\n', delegation) - delegation).find("\u00B7\u00B7\u00B7"),
        std::string::npos)
        << screen;
    EXPECT_NE(screen.find(" -  Save Password (Encrypted)"), std::string::npos) << screen;
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
}

TEST_F(TerminalRunTest, TheScreenshotsOfTheSubDialogsAreCurrent)
{
    // DRAVO_UPDATE_SCREENSHOTS=1 writes them instead of comparing.
    const bool update = std::getenv("DRAVO_UPDATE_SCREENSHOTS") != nullptr;
    const char* source = std::getenv("DRAVO_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::filesystem::path folder = std::filesystem::path(source) / "docs" / "screenshots";
    WriteFileBytes(MachineConfigurationFile(m_root.Path()), KERBEROS_OVER_HTTP);
    TmuxSession::Options options;
    options.cols = 100;
    options.rows = 34;
    TmuxSession session(Command(), options);
    ASSERT_TRUE(session.WaitFor("Kerberos")) << session.LastScreen();
    // Each dialog by its mnemonic, captured once it is drawn, closed again.
    struct Shot {
        const char* keys;
        const char* shown;
        const char* file;
    };
    const Shot shots[] = {
        {"M-c", "Rows fetched per block", "terminal-129.txt"},
        {"M-v", "Convert Key Name to Lower Case", "terminal-131.txt"},
        {"M-a", "OK needs a Key.", "terminal-132.txt"},
        {"Escape", "", ""},
        {"Escape", "", ""},
        {"Escape", "", ""},
        {"M-l", "Allow Common Name Host Name Mismatch", "terminal-142.txt"},
        {"Escape", "", ""},
        {"M-i", "Max File Size (MB):", "terminal-9109.txt"},
        {"Escape", "", ""},
        {"M-o", "Custom HTTP Headers", "terminal-9110.txt"},
        {"Escape", "", ""},
    };
    std::string previous = session.Screen();
    for (const Shot& shot : shots) {
        session.Key(shot.keys);
        const std::string wanted = shot.shown;
        ASSERT_TRUE(session.WaitUntil([&](const std::string& screen) {
            return screen != previous && (wanted.empty() || screen.find(wanted) != std::string::npos);
        })) << shot.keys
            << "\n"
            << session.LastScreen();
        previous = session.LastScreen();
        if (*shot.file == '\0') {
            continue;
        }
        const std::string screenshot = AsScreenshot(previous, m_root.Path().string());
        const std::filesystem::path file = folder / shot.file;
        if (update) {
            WriteFileBytes(file, screenshot);
        } else {
            EXPECT_EQ(std::filesystem::exists(file) ? ReadFileBytes(file) : std::string(), screenshot)
                << file << " is not current: run this test with DRAVO_UPDATE_SCREENSHOTS=1";
        }
    }
    session.Key("Escape");
    EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
}

/// The screen's rows as code points, one cell each (the dialogs draw no
/// wide characters here).
std::vector<std::u32string> Cells(const std::string& screen)
{
    std::vector<std::u32string> rows(1);
    for (size_t at = 0; at < screen.size();) {
        const auto lead = static_cast<unsigned char>(screen[at]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t i = 1; i < length && at + i < screen.size(); ++i) {
            cp = (cp << 6) | (static_cast<unsigned char>(screen[at + i]) & 0x3F);
        }
        at += length;
        if (cp == U'\n') {
            rows.emplace_back();
        } else {
            rows.back() += cp;
        }
    }
    return rows;
}

TEST_F(TerminalRunTest, ASubDialogSitsCleanlyOnItsParentAndSaysWhatIsOnlyForWindows)
{
    for (const auto& [cols, rows] : {std::pair{80, 24}, std::pair{100, 30}}) {
        TmuxSession::Options options;
        options.cols = cols;
        options.rows = rows;
        TmuxSession session(Command(), options);
        ASSERT_TRUE(session.WaitFor("User Name and Password")) << session.LastScreen();
        session.Key("M-c");
        ASSERT_TRUE(session.WaitFor("Rows fetched per block")) << session.LastScreen();
        // The option the Linux driver never reads says so; its value stays.
        EXPECT_NE(session.LastScreen().find("[ ] Use only SSPI (Windows only)"), std::string::npos)
            << session.LastScreen();
        session.Key("M-v");
        ASSERT_TRUE(session.WaitFor("Convert Key Name to Lower Case")) << session.LastScreen();
        const std::vector<std::u32string> screen = Cells(session.LastScreen());
        const auto titleRow = [&](const std::u32string& title) {
            for (size_t row = 0; row < screen.size(); ++row) {
                if (screen[row].find(title) != std::u32string::npos) {
                    return row;
                }
            }
            return screen.size();
        };
        const size_t top = titleRow(U" Server Side Properties ");
        ASSERT_LT(top, screen.size()) << session.LastScreen();
        const size_t left = screen[top].find(U'\u250C');
        const size_t right = screen[top].find(U'\u2510', left);
        ASSERT_NE(right, std::u32string::npos) << session.LastScreen();
        size_t bottom = top + 1;
        while (bottom < screen.size() && (left >= screen[bottom].size() || screen[bottom][left] != U'\u2514')) {
            ++bottom;
        }
        // The parent's edges, on the row below the sub-dialog.
        ASSERT_LT(bottom + 1, screen.size()) << session.LastScreen();
        const std::u32string& below = screen[bottom + 1];
        const size_t parentLeft = below.find_first_not_of(U' ');
        const size_t parentRight = below.find_last_not_of(U' ');
        ASSERT_NE(parentLeft, std::u32string::npos) << session.LastScreen();
        // On every row of the sub-dialog, what the parent shows beside it is
        // blank: no frame next to its frame, no piece of a control.
        for (size_t row = top; row <= bottom; ++row) {
            const std::u32string& line = screen[row];
            for (size_t col = parentLeft + 1; col < parentRight && col < line.size(); ++col) {
                if (col < left || col > right) {
                    EXPECT_EQ(line[col], U' ')
                        << "row " << row << ", column " << col << " at " << cols << "x" << rows << ":\n"
                        << session.LastScreen();
                }
            }
        }
        for (const char* closed : {"Convert Key Name to Lower Case", "Rows fetched per block"}) {
            session.Key("Escape");
            ASSERT_TRUE(session.WaitUntil([&](const std::string& shown) {
                return shown.find(closed) == std::string::npos;
            })) << session.LastScreen();
        }
        session.Key("Escape");
        EXPECT_EQ(session.WaitForExit(), 0) << session.LastScreen();
    }
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
    const std::vector<std::string> command{BuiltProgram("tests/tool_with_test_libraries").string(), "--registry-root",
        m_root.Path().string(), "--dsn", "Sales"};
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
