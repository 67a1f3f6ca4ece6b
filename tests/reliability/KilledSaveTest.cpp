// dravo-spark-config killed with SIGKILL while it saves: at every system call
// of the save in turn, from the lock on the configuration file to the end of
// the process, and at random moments of a free run. After every kill the file
// is exactly as it was or exactly as the whole save writes it; the next
// writer clears what the killed one left beside it and loses nothing, and the
// next run saves everything.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>

#include <sched.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/reliability/SyscallTracer.h"
#include "tests/reliability/ToolFaultFixture.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

constexpr int PROPERTIES = 120;

/// Changes every kind of value the save writes: the mechanism and its
/// details, a property renamed (one removal, one new value), the logging
/// options.
constexpr const char* SAVE_SCRIPT = "select 1040 Kerberos\n"
                                    "type 1041 EXAMPLE.COM\n"
                                    "type 1042 spark.example.com\n"
                                    "type 1043 spark\n"
                                    "click 1029\n"
                                    "type 1033 2000\n"
                                    "click 1078\n"
                                    "select 1084 property7=value 7\n"
                                    "click 1081\n"
                                    "type 1050 renamed7\n"
                                    "click 1\n"
                                    "click 1\n"
                                    "click 1\n"
                                    "click 1118\n"
                                    "select 8014 LOG_ERROR\n"
                                    "type 8013 /nonexistent/dravo-logs\n"
                                    "click 1\n"
                                    "click 1\n";

class KilledSaveTest : public ToolFaultFixture {
protected:
    void Prepare()
    {
        m_initial = MachineConfigurationText(PROPERTIES);
        m_reference = SaveWithoutFault(m_initial, SAVE_SCRIPT);
        ASSERT_NE(m_reference.bytes, m_initial);
        WriteConfiguration(m_initial);
    }

    /// Checks the file a killed save left, then lets the next writers in:
    /// dravo-reg clears what the killed one left beside the file and keeps
    /// every value; the tool saves again.
    void CheckAndRepeat(const std::string& context)
    {
        const ConfigurationContents killed = Contents();
        ExpectOldOrSaved(m_initial, m_reference, killed.Bytes(), context);
        const ProgramRun added =
            Reg({"ADD", "HKLM\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver", "/v", "AfterKill", "/d", "1", "/f"});
        ASSERT_EQ(added.exitCode, 0) << context << ": " << added.output << added.errors;
        EXPECT_EQ(LeftBehind(), std::vector<std::string>()) << context;
        const ConfigurationContents next = Contents();
        ASSERT_TRUE(next.Parsed()) << context << ": " << next.Error();
        EXPECT_EQ(next.Text(u"AfterKill"), "1") << context;
        EXPECT_EQ(next.GetValues().size(), killed.GetValues().size() + 1) << context;
        for (const auto& [name, text] : killed.GetValues()) {
            EXPECT_EQ(next.Text(name), text) << context << ": " << ConfigurationContents::Describe(name);
        }

        // A save cut short before its rename stored nothing; the next one
        // starts from the file as it is.
        const ProgramRun again = RunScript("select 1040 User Name\nclick 1\n");
        ASSERT_EQ(again.exitCode, EXIT_SAVED) << context << ": " << again.errors;
        const ConfigurationContents saved = Contents();
        EXPECT_EQ(saved.Text(u"AfterKill"), "1") << context;
        EXPECT_EQ(saved.Text(u"VendorExtra"), "not a setting of the tool") << context;
        EXPECT_EQ(saved.Text(u"SSP_property100"), "value 100") << context;
        EXPECT_TRUE(saved.Bytes().ends_with("\r\n# kept as it is\r\n[Other]\r\nSetting=kept as it is\r\n")) << context;
        WriteConfiguration(m_initial);
    }

    std::string m_initial;
    Reference m_reference;
};

TEST_F(KilledSaveTest, KilledAtEverySystemCallOfTheSaveLeavesTheOldFileOrTheWholeNewOne)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());

    // Counts the save's system call stops once: from the lock on the file
    // to the flush of the directory after the rename, which ends the save.
    int64_t saveStops = -1;
    {
        SyscallTracer tool(Program(), Arguments(m_root), m_environment, SAVE_SCRIPT);
        ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
        const int64_t start = tool.Stops();
        bool renamed = false;
        SyscallStop stop;
        while (tool.Step(&stop)) {
            if (stop.entry
                && (stop.number == SYS_rename || stop.number == SYS_renameat || stop.number == SYS_renameat2)) {
                renamed = true;
            }
            if (renamed && saveStops < 0 && stop.entry && stop.number == SYS_fsync) {
                saveStops = tool.Stops() - start + 2;
            }
        }
        ASSERT_EQ(tool.Finish().exitCode, EXIT_SAVED);
        ASSERT_EQ(ReadFileBytes(ConfigurationPath()), m_reference.bytes);
        WriteConfiguration(m_initial);
    }
    ASSERT_GT(saveStops, 20) << "no rename and flush seen in the save";

    int killedBeforeTheRename = 0;
    for (int64_t stops = 0; stops < saveStops; ++stops) {
        const std::string context = "killed " + std::to_string(stops) + " stops into the save";
        SCOPED_TRACE(context);
        {
            SyscallTracer tool(Program(), Arguments(m_root), m_environment, SAVE_SCRIPT);
            ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
            for (int64_t i = 0; i < stops && tool.Step(); ++i) {}
            ASSERT_TRUE(tool.Running()) << "the save ended early";
            tool.Kill();
            const ProgramRun killed = tool.Finish();
            EXPECT_EQ(killed.exitCode, EXIT_KILLED);
            EXPECT_EQ(killed.errors, "") << "nothing to say when killed";
        }
        killedBeforeTheRename += ReadFileBytes(ConfigurationPath()) == m_initial ? 1 : 0;
        CheckAndRepeat(context);
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_GT(killedBeforeTheRename, 0);
    EXPECT_LT(killedBeforeTheRename, saveStops) << "some kills should come after the new file is in place";
}

/// INT, TERM, HUP or QUIT once the save has begun: the save goes on to its
/// end, and the run says what the file holds rather than "stopped, nothing
/// written". Sent as the save takes its lock, and after the rename, while
/// the directory is flushed.
TEST_F(KilledSaveTest, AStopSignalDuringTheSaveWaitsForItAndTheRunSaysTheSettingsWereWritten)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    const auto isRename = [](const SyscallStop& stop) {
        return stop.number == SYS_rename || stop.number == SYS_renameat || stop.number == SYS_renameat2;
    };
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        for (const bool afterTheRename : {false, true}) {
            const std::string context =
                "signal " + std::to_string(signal) + (afterTheRename ? " after the rename" : " at the lock");
            SCOPED_TRACE(context);
            SyscallTracer tool(Program(), Arguments(m_root), m_environment, SAVE_SCRIPT);
            ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
            if (afterTheRename) {
                bool renaming = false;
                ASSERT_TRUE(tool.RunTo([&](const SyscallStop& stop) {
                    renaming = renaming || (stop.entry && isRename(stop));
                    return renaming && !stop.entry;
                }));
            }
            tool.SendSignal(signal);
            while (tool.Step()) {}
            const ProgramRun run = tool.Finish();
            EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
            EXPECT_NE(run.errors.find("signal " + std::to_string(signal)
                          + " arrived while the settings were being saved; the save was finished first: the "
                            "settings were written."),
                std::string::npos)
                << run.errors;
            EXPECT_EQ(ReadFileBytes(ConfigurationPath()), m_reference.bytes);
            EXPECT_EQ(LeftBehind(), std::vector<std::string>());
            WriteConfiguration(m_initial);
        }
    }
}

TEST_F(KilledSaveTest, KilledAtRandomMomentsOfAFreeRunLosesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    struct stat initial {};
    ASSERT_EQ(::stat(ConfigurationPath().c_str(), &initial), 0);

    int killedInTheSave = 0;
    for (int round = 0; round < 20; ++round) {
        const std::string context = "round " + std::to_string(round);
        SCOPED_TRACE(context);
        // The script comes from a file: the child needs no pipe from us.
        WriteFileBytes(m_home / "save.script", SAVE_SCRIPT);
        std::vector<std::string> texts = {
            Program().string(), "--registry-root", m_root.string(), "--script", (m_home / "save.script").string()};
        std::vector<char*> argv;
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environmentTexts = MergedEnvironment(m_environment);
        std::vector<char*> envp;
        for (std::string& text : environmentTexts) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        ASSERT_EQ(::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);

        // Wait for the save to begin (a new file beside the old one, or the
        // old one replaced), then a random while.
        int status = 0;
        bool ended = false;
        for (;;) {
            struct stat info {};
            if (!LeftBehind().empty()
                || (::stat(ConfigurationPath().c_str(), &info) == 0 && info.st_ino != initial.st_ino)) {
                break;
            }
            if (::waitpid(child, &status, WNOHANG) == child) {
                ended = true;
                break;
            }
            sched_yield();
        }
        if (!ended) {
            for (int spin = std::uniform_int_distribution<int>(0, 300)(random); spin > 0; --spin) {
                sched_yield();
            }
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        if (WIFSIGNALED(status)) {
            ++killedInTheSave;
        } else {
            EXPECT_EQ(WEXITSTATUS(status), EXIT_SAVED);
        }
        CheckAndRepeat(context);
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(::stat(ConfigurationPath().c_str(), &initial), 0);
    }
    RecordProperty("killed_in_the_save", killedInTheSave);
}

} // namespace
} // namespace Dravo::Test
