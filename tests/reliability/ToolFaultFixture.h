// Shared set-up of the fault tests: dravo-spark-config run as a child on a
// registry of its own, a machine hive with settings, properties and values of
// other programs in it, and the checks that a fault lost nothing: every value
// afterwards is either what it was before the run or what a run without the
// fault stores, and the values a save changes flip to their new form in the
// order the save writes them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/app/ToolRun.h"
#include "tests/common/TempDir.h"
#include "tests/reliability/HiveContents.h"
#include "tests/reliability/MountSandbox.h"
#include "tests/reliability/SyscallTracer.h"

namespace Dravo::Test {

inline constexpr int EXIT_CANCEL = 0;
inline constexpr int EXIT_SAVED = 1;
inline constexpr int EXIT_SETTINGS_ERROR = 3;
inline constexpr int EXIT_NEEDS_ADMINISTRATOR = 5;
inline constexpr int EXIT_KILLED = 128 + 9;

/// A machine hive as an administrator's machine has it: the driver's
/// settings, server-side properties and an HTTP header, a value the tool does
/// not know, and another vendor's key beside the driver's. Properties stored
/// as numbers are read as their decimal text and saved back as text, so that
/// a save rewrites every one of them.
inline std::string MachineHiveText(int serverSideProperties = 3, bool numberProperties = false)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other Vendor\\Application]\r\n"
                       "\"Setting\"=\"kept as it is\"\r\n"
                       "\"Counter\"=dword:0000002a\r\n"
                       "\"Blob\"=hex:00,ff,10,80\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
                       "\"SparkServerType\"=\"3\"\r\n"
                       "\"AuthMech\"=\"3\"\r\n"
                       "\"UID\"=\"operator\"\r\n"
                       "\"ThriftTransport\"=\"1\"\r\n"
                       "\"RowsFetchedPerBlock\"=\"5000\"\r\n"
                       "\"VendorExtra\"=\"not a setting of the tool\"\r\n"
                       "\"http.header.X-Trace\"=\"on\"\r\n";
    for (int i = 0; i < serverSideProperties; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x", i);
        text += "\"SSP_property" + std::to_string(i) + "\"="
            + (numberProperties ? std::string(number) : "\"value " + std::to_string(i) + "\"") + "\r\n";
    }
    return text;
}

/// Kerberos instead of a user name and password: the save changes
/// "AuthMech", adds the Kerberos values and fills in the defaults.
inline constexpr const char* KERBEROS_SCRIPT = "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
                                               "select 1040 Kerberos\n"
                                               "type 1041 EXAMPLE.COM\n"
                                               "type 1042 spark.example.com\n"
                                               "type 1043 spark\n"
                                               "click 1\n";

class ToolFaultFixture : public ::testing::Test {
protected:
    ToolFaultFixture()
    {
        std::filesystem::create_directory(m_root);
        // Readable by the unprivileged user some tests switch to.
        ::chmod(m_base.Path().c_str(), 0755);
        ::chmod(m_root.c_str(), 0755);
        ::chmod(m_home.Path().c_str(), 0777);
        m_environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        m_environment["HOME"] = m_home.Path().string();
        m_environment["XDG_CONFIG_HOME"] = std::nullopt;
    }
    ~ToolFaultFixture() override
    {
        for (const std::filesystem::path& mount : m_mounts) {
            MountSandbox::Unmount(mount);
        }
    }

    static std::filesystem::path Program() { return BuiltProgram("bin/dravo-spark-config"); }
    [[nodiscard]] std::filesystem::path HivePath() const { return m_root / "HKEY_LOCAL_MACHINE.reg"; }
    [[nodiscard]] HiveContents Hive() const { return HiveContents(HivePath()); }
    void WriteHive(const std::string& text) const { WriteFileBytes(HivePath(), text); }

    [[nodiscard]] std::vector<std::string> Arguments(const std::filesystem::path& root) const
    {
        return {"--registry-root", root.string(), "--script", "-"};
    }

    ProgramRun RunScript(const std::string& script, const std::vector<std::string>& wrapper = {}) const
    {
        ToolRunOptions options;
        options.arguments = Arguments(m_root);
        options.input = script;
        options.environment = m_environment;
        options.wrapper = wrapper;
        return RunTool(Program(), options);
    }

    /// What a run of the script stores when nothing goes wrong, starting from
    /// the hive text, in a registry of its own; also the names it writes as
    /// change records, in the order of its writes (the run is traced to see
    /// them), and whether it rewrote the hive between two of them.
    struct Reference {
        std::map<std::u16string, OS::RegistryValue> values;
        std::vector<std::u16string> writeOrder;
        bool rewroteMidway = false;
    };
    Reference SaveWithoutFault(const std::string& hiveText, const std::string& script) const
    {
        TempDir root;
        WriteFileBytes(root / "HKEY_LOCAL_MACHINE.reg", hiveText);
        Reference reference;
        SyscallTracer tool(Program(), Arguments(root.Path()), m_environment, script);
        bool rewritten = false;
        SyscallStop stop;
        while (tool.Step(&stop)) {
            if (!stop.entry || (stop.number != SYS_write && stop.number != SYS_pwrite64)) {
                continue;
            }
            const std::string bytes = tool.ReadMemory(stop.arguments[1], static_cast<size_t>(stop.arguments[2]));
            if (bytes.rfind("\r\n; change ", 0) == 0) {
                const std::vector<std::u16string> names = WrittenNames(bytes);
                reference.writeOrder.insert(reference.writeOrder.end(), names.begin(), names.end());
                reference.rewroteMidway = reference.rewroteMidway || rewritten;
            } else if (bytes.rfind("Windows Registry Editor", 0) == 0) {
                rewritten = true;
            }
        }
        const ProgramRun run = tool.Finish();
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
        reference.values = HiveContents(root / "HKEY_LOCAL_MACHINE.reg").Values();
        return reference;
    }

    /// The value names of the lines of registry text, in order.
    static std::vector<std::u16string> WrittenNames(const std::string& appended)
    {
        std::vector<std::u16string> names;
        size_t start = 0;
        while (start < appended.size()) {
            size_t end = appended.find('\n', start);
            end = end == std::string::npos ? appended.size() : end;
            const std::string line = appended.substr(start, end - start);
            const size_t close = line.find("\"=");
            if (line.rfind('"', 0) == 0 && close != std::string::npos) {
                names.push_back(Support::WideString(line.substr(1, close - 1)).GetAsU16String());
            }
            start = end + 1;
        }
        return names;
    }

    /// The hive parses; every value holds what it held before or what the
    /// run without the fault stored, nothing else appeared; and of the
    /// values that run changes, those already changed are the first ones it
    /// writes.
    static void ExpectOldOrNew(const HiveContents& before, const Reference& reference, const HiveContents& after,
        const std::string& context, bool inSaveOrder = true)
    {
        ASSERT_TRUE(after.Parsed()) << context << ": " << after.Error();
        std::set<std::u16string> slots;
        for (const auto& [slot, value] : before.Values()) {
            slots.insert(slot);
        }
        for (const auto& [slot, value] : reference.values) {
            slots.insert(slot);
        }
        for (const auto& [slot, value] : after.Values()) {
            EXPECT_TRUE(slots.count(slot) != 0) << context << ": a value appeared from nowhere: "
                                                << HiveContents::Describe(slot);
        }
        const auto find = [](const std::map<std::u16string, OS::RegistryValue>& values, const std::u16string& slot) {
            const auto found = values.find(slot);
            return found == values.end() ? std::optional<OS::RegistryValue>() : std::optional(found->second);
        };
        for (const std::u16string& slot : slots) {
            const auto old = find(before.Values(), slot);
            const auto now = find(after.Values(), slot);
            const auto wanted = find(reference.values, slot);
            EXPECT_TRUE(now == old || now == wanted) << context << ": " << HiveContents::Describe(slot)
                                                     << " is neither its old value nor the saved one";
        }
        if (!inSaveOrder) {
            return;
        }
        // Applied changes form a prefix of the save's writes.
        bool pending = false;
        std::string firstPending;
        for (const std::u16string& name : reference.writeOrder) {
            const std::u16string slot = HiveContents::Slot(DRIVER_KEY, name);
            const auto old = find(before.Values(), slot);
            const auto wanted = find(reference.values, slot);
            if (old == wanted) {
                continue;
            }
            const bool applied = find(after.Values(), slot) == wanted;
            if (!applied && !pending) {
                pending = true;
                firstPending = Support::WideString(name).GetAsUTF8();
            }
            EXPECT_FALSE(applied && pending) << context << ": " << Support::WideString(name).GetAsUTF8()
                                             << " was saved although " << firstPending << ", written before it, was not";
        }
    }

    /// The hive holds exactly what it held before.
    static void ExpectSame(const HiveContents& before, const HiveContents& after, const std::string& context)
    {
        ASSERT_TRUE(after.Parsed()) << context << ": " << after.Error();
        EXPECT_EQ(before.Values().size(), after.Values().size()) << context;
        for (const auto& [slot, value] : before.Values()) {
            const auto found = after.Values().find(slot);
            EXPECT_TRUE(found != after.Values().end() && found->second == value)
                << context << ": " << HiveContents::Describe(slot) << " changed";
        }
    }

    /// Turns the tool's own log on at trace level (through the user hive, which
    /// the tool reads its log settings from first), so that a traced run can
    /// be stopped at the log line that opens the save: after the dialog,
    /// before the first change to the registry.
    void EnableTraceLog(const std::filesystem::path& root) const
    {
        WriteFileBytes(root / "HKEY_CURRENT_USER.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
            "\"LogLevel\"=\"6\"\r\n\"LogPath\"=\"" + m_home.Path().string() + "\"\r\n");
    }
    static std::function<bool(const SyscallStop&)> SaveBegins(const SyscallTracer& tool)
    {
        return [&tool](const SyscallStop& stop) { return tool.IsWriteOf(stop, "SOConnectionSettings::Save: "); };
    }

    /// Remembered so that the fixture unmounts it before the directories go.
    void Mounted(const std::filesystem::path& directory) { m_mounts.push_back(directory); }

    TempDir m_base;
    std::filesystem::path m_root = m_base / "registry";
    TempDir m_home;
    std::map<std::string, std::optional<std::string>> m_environment;
    std::vector<std::filesystem::path> m_mounts;
};

} // namespace Dravo::Test
