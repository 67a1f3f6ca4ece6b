// Shared set-up of the fault tests: dravo-spark-config run as a child on a
// registry root of its own, where the driver key is the driver's
// configuration file ROOT/vezuravuz.ini, written as an administrator's
// machine has it (comments, other sections, settings, properties, a value
// the tool does not know); and the checks that a fault lost nothing: a save
// reaches the file whole or not at all.
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
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/TempDir.h"
#include "tests/reliability/ConfigurationContents.h"
#include "tests/reliability/MountSandbox.h"
#include "tests/reliability/SyscallTracer.h"

namespace Dravo::Test {

inline constexpr int EXIT_CANCEL = 0;
inline constexpr int EXIT_SAVED = 1;
inline constexpr int EXIT_SETTINGS_ERROR = 3;
inline constexpr int EXIT_NEEDS_ADMINISTRATOR = 5;
inline constexpr int EXIT_KILLED = 128 + 9;

/// The driver's configuration file as an administrator's machine has it: a
/// comment, the driver manager's section, the driver's settings, server-side
/// properties and an HTTP header, a value the tool does not know, and a
/// section after the driver's; CR LF line ends, as it came from Windows.
inline std::string MachineConfigurationText(int serverSideProperties = 3)
{
    std::string text = "; Dravo Spark ODBC Driver, driver-wide settings\r\n"
                       "[ODBC]\r\n"
                       "DriverManagerEncoding=UTF-16\r\n"
                       "\r\n"
                       "[Driver]\r\n"
                       "SparkServerType=3\r\n"
                       "AuthMech=3\r\n"
                       "UID=operator\r\n"
                       "; the transport the cluster was set up with\r\n"
                       "ThriftTransport=1\r\n"
                       "RowsFetchedPerBlock=5000\r\n"
                       "VendorExtra=not a setting of the tool\r\n"
                       "http.header.X-Trace=on\r\n";
    for (int i = 0; i < serverSideProperties; ++i) {
        text += "SSP_property" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    }
    text += "\r\n"
            "# kept as it is\r\n"
            "[Other]\r\n"
            "Setting=kept as it is\r\n";
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
        m_environment["SPARKINI"] = std::nullopt;
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
    [[nodiscard]] std::filesystem::path ConfigurationPath() const { return MachineConfigurationFile(m_root); }
    [[nodiscard]] ConfigurationContents Contents() const { return ConfigurationContents(ConfigurationPath()); }
    void WriteConfiguration(const std::string& text) const { WriteFileBytes(ConfigurationPath(), text); }

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

    /// The test build of the tool, whose file operations fail as FAULTS
    /// describes (DRAVO_FILE_FAULTS).
    ProgramRun RunScriptWithFileFaults(const std::string& script, const std::string& faults) const
    {
        ToolRunOptions options;
        options.arguments = Arguments(m_root);
        options.input = script;
        options.environment = m_environment;
        options.environment["DRAVO_FILE_FAULTS"] = faults;
        return RunTool(BuiltProgram("tests/tool_with_test_libraries"), options);
    }

    ProgramRun Reg(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> all = {"--registry-root", m_root.string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return RunProgram(BuiltProgram("bin/dravo-reg"), all);
    }

    /// The test build of dravo-reg, with file faults as for the tool.
    ProgramRun RegWithFileFaults(const std::vector<std::string>& arguments, const std::string& faults) const
    {
        ToolRunOptions options;
        options.arguments = {"--registry-root", m_root.string()};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.environment["DRAVO_FILE_FAULTS"] = faults;
        return RunTool(BuiltProgram("tests/reg_with_file_faults"), options);
    }

    /// What a run of the script stores when nothing goes wrong, starting
    /// from the file's text, in a registry root of its own.
    struct Reference {
        std::string bytes;
        ConfigurationContents::Values values;
    };
    Reference SaveWithoutFault(const std::string& text, const std::string& script) const
    {
        TempDir root;
        WriteFileBytes(MachineConfigurationFile(root.Path()), text);
        ToolRunOptions options;
        options.arguments = Arguments(root.Path());
        options.input = script;
        options.environment = m_environment;
        const ProgramRun run = RunTool(Program(), options);
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
        const ConfigurationContents saved(MachineConfigurationFile(root.Path()));
        return Reference{saved.Bytes(), saved.GetValues()};
    }

    /// The file holds exactly what it held before, or exactly what the save
    /// stores: a save reaches it whole or not at all.
    static void ExpectOldOrSaved(
        const std::string& before, const Reference& saved, const std::string& after, const std::string& context)
    {
        EXPECT_TRUE(after == before || after == saved.bytes) << context
                                                             << ": the file is neither as it was nor as "
                                                                "the save writes it:\n"
                                                             << after;
    }

    /// Files a writer made beside the configuration and did not rename.
    [[nodiscard]] std::vector<std::string> LeftBehind() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_root)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".vezuravuz.ini.", 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    /// Turns the tool's own log on at trace level (through the user's file,
    /// which the tool reads its log settings from first), so that a traced
    /// run can be stopped at the log line that opens the save: after the
    /// dialog, before the first change to the driver key.
    void EnableTraceLog(const std::filesystem::path& root) const
    {
        WriteFileBytes(UserConfigurationFile(root), "[Driver]\nLogLevel=6\nLogPath=" + m_home.Path().string() + "\n");
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
