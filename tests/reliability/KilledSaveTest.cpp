// dravo-spark-config killed with SIGKILL while it saves, many times, at
// random points: at a chosen system call of the save (reproducible from the
// seed) and at random moments of a free run. The save is long (many
// server-side properties) and rewrites the hive half-way, so kills land in
// appended records, in the rewrite and between the two. After every kill the
// hive parses, each value is old or new with the new ones in save order, and
// the next run saves everything.
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

#include "platform/Registry.h"
#include "platform/RegistryFileParser.h"
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
                                    "select 1084 property7=7\n"
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
    /// The machine hive with change records appended until the save will
    /// outgrow them part of the way through and rewrite the file.
    std::string HiveNearItsRewrite(size_t saveBytes)
    {
        WriteHive(MachineHiveText(PROPERTIES, true));
        OS::SetRegistryRoot(m_root.string());
        OS::DiscardRegistryCache();
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, u"SOFTWARE\\Other Vendor\\Application");
        EXPECT_TRUE(key);
        for (int round = 0; key; ++round) {
            OS::RegistryFileParser parser(OS::RegistryHive::LocalMachine);
            EXPECT_TRUE(parser.Parse(ReadFileBytes(HivePath())));
            const uint64_t records = parser.GetRecordBytes();
            const uint64_t rest = parser.GetCommittedLength() - records;
            if (records + saveBytes / 2 > rest + 64 * 1024) {
                break;
            }
            EXPECT_EQ(key->SetStringValue(u"History", std::u16string(1000, static_cast<char16_t>(u'a' + round % 26))),
                OS::ERROR_SUCCESS_CODE);
        }
        OS::SetRegistryRoot({});
        OS::DiscardRegistryCache();
        return ReadFileBytes(HivePath());
    }

    void Prepare()
    {
        const Reference plain = SaveWithoutFault(MachineHiveText(PROPERTIES, true), SAVE_SCRIPT);
        ASSERT_GT(plain.writeOrder.size(), static_cast<size_t>(PROPERTIES));
        size_t saveBytes = 0;
        for (const std::u16string& name : plain.writeOrder) {
            saveBytes += 2 * name.size() + 60;
        }
        m_initial = HiveNearItsRewrite(saveBytes);
        m_reference = SaveWithoutFault(m_initial, SAVE_SCRIPT);
        ASSERT_TRUE(m_reference.rewroteMidway) << "the save should rewrite the hive between two writes";
        WriteHive(m_initial);
        m_before = std::make_unique<HiveContents>(HivePath());
    }

    /// Checks the hive a killed save left, then lets the next writers in:
    /// they drop what the killed one left half-done and lose nothing of the
    /// rest. The tool writes its settings again, so those may change;
    /// properties and other programs' values may not.
    void CheckAndRepeat(const std::string& context)
    {
        const HiveContents killed = Hive();
        ExpectOldOrNew(*m_before, m_reference, killed, context);
        const ProgramRun added = RunProgram(BuiltProgram("bin/dravo-reg"),
            {"--registry-root", m_root.string(), "ADD", "HKLM\\SOFTWARE\\After", "/v", "Kill", "/d", "1", "/f"});
        ASSERT_EQ(added.exitCode, 0) << context << ": " << added.output << added.errors;
        const HiveContents next = Hive();
        ASSERT_TRUE(next.Parsed()) << context << ": " << next.Error();
        EXPECT_EQ(next.Values().size(), killed.Values().size() + 1) << context;
        for (const auto& [slot, value] : killed.Values()) {
            EXPECT_TRUE(next.Values().count(slot) && next.Values().at(slot) == value)
                << context << ": " << HiveContents::Describe(slot) << " changed under another writer";
        }

        // A save cut short may have stored Kerberos without its host name,
        // which OK refuses until the user fills it: choose a user name.
        const ProgramRun again = RunScript("select 1040 User Name\nclick 1\n");
        ASSERT_EQ(again.exitCode, EXIT_SAVED) << context << ": " << again.errors;
        const HiveContents saved = Hive();
        ASSERT_TRUE(saved.Parsed()) << context << ": " << saved.Error();
        const std::u16string driverPrefix = OS::FoldRegistryName(DRIVER_KEY) + u"|";
        for (const auto& [slot, value] : next.Values()) {
            const auto found = saved.Values().find(slot);
            ASSERT_NE(found, saved.Values().end()) << context << ": " << HiveContents::Describe(slot) << " was lost";
            const bool setting = slot.rfind(driverPrefix, 0) == 0 && slot.rfind(driverPrefix + u"ssp_", 0) != 0;
            if (!setting) {
                EXPECT_EQ(SettingText(found->second), SettingText(value))
                    << context << ": " << HiveContents::Describe(slot) << " changed";
            }
        }
        WriteHive(m_initial);
    }

    /// A value as the settings read it: text, or a number's decimal text.
    static std::string SettingText(const OS::RegistryValue& value)
    {
        if (value.type == OS::REG_DWORD_TYPE && value.data.size() == 4) {
            return std::to_string(value.data[0] | value.data[1] << 8 | value.data[2] << 16 | value.data[3] << 24);
        }
        if (value.type == OS::REG_SZ_TYPE) {
            return Support::WideString(OS::GetRegistryStringText(value.data)).GetAsUTF8();
        }
        return "<type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes>";
    }

    std::string m_initial;
    Reference m_reference;
    std::unique_ptr<HiveContents> m_before;
};

TEST_F(KilledSaveTest, KilledAtAnySystemCallOfTheSaveLosesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    // Counts the save's system call stops once, from its first write.
    int64_t saveStops = 0;
    {
        SyscallTracer tool(Program(), Arguments(m_root), m_environment, SAVE_SCRIPT);
        ASSERT_TRUE(tool.RunTo(IsHiveLock)) << tool.Finish().errors;
        const int64_t start = tool.Stops();
        while (tool.Step()) {
        }
        saveStops = tool.Stops() - start;
        ASSERT_EQ(tool.Finish().exitCode, EXIT_SAVED);
        ASSERT_EQ(Hive().Values(), m_reference.values);
        WriteHive(m_initial);
    }
    ASSERT_GT(saveStops, PROPERTIES * 10);

    for (int round = 0; round < 24; ++round) {
        const int64_t stops = std::uniform_int_distribution<int64_t>(0, saveStops - 1)(random);
        const std::string context = "killed " + std::to_string(stops) + " stops into the save";
        SCOPED_TRACE(context);
        {
            SyscallTracer tool(Program(), Arguments(m_root), m_environment, SAVE_SCRIPT);
            ASSERT_TRUE(tool.RunTo(IsHiveLock)) << tool.Finish().errors;
            for (int64_t i = 0; i < stops && tool.Step(); ++i) {
            }
            ASSERT_TRUE(tool.Running()) << "the save ended early";
            tool.Kill();
            const ProgramRun killed = tool.Finish();
            EXPECT_EQ(killed.exitCode, EXIT_KILLED);
            EXPECT_EQ(killed.errors, "") << "nothing to say when killed";
        }
        CheckAndRepeat(context);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_F(KilledSaveTest, KilledAtRandomMomentsOfAFreeRunLosesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const auto initialSize = static_cast<off_t>(m_initial.size());

    int killedInTheSave = 0;
    for (int round = 0; round < 20; ++round) {
        const std::string context = "round " + std::to_string(round);
        SCOPED_TRACE(context);
        // The script comes from a file: the child needs no pipe from us.
        WriteFileBytes(m_home / "save.script", SAVE_SCRIPT);
        std::vector<std::string> texts
            = {Program().string(), "--registry-root", m_root.string(), "--script", (m_home / "save.script").string()};
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

        // Wait for the save to begin (the hive changes), then a random while.
        int status = 0;
        bool ended = false;
        for (;;) {
            struct stat info {};
            if (::stat(HivePath().c_str(), &info) == 0 && info.st_size != initialSize) {
                break;
            }
            if (::waitpid(child, &status, WNOHANG) == child) {
                ended = true;
                break;
            }
            sched_yield();
        }
        if (!ended) {
            for (int spin = std::uniform_int_distribution<int>(0, 3000)(random); spin > 0; --spin) {
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
    }
    RecordProperty("killed_in_the_save", killedInTheSave);
}

} // namespace
} // namespace Dravo::Test
