// Test helper: the setup library registered for the product's driver in
// unixODBC's ini files in a temporary directory (system data sources in
// odbc.ini there, user ones in user/odbc.ini), reached through setup_probe,
// which calls the real installer as applications do.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/ToolRun.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {

/// What setup_probe printed for one installer call.
struct ProbeResult {
    bool succeeded = false;
    /// (code, message) of each installer error, in the installer's order.
    std::vector<std::pair<int, std::string>> errors;
    ProgramRun run;
};

inline void PrintTo(const ProbeResult& result, std::ostream* out)
{
    *out << "exit " << result.run.exitCode << "\n" << result.run.output << result.run.errors;
}

class SetupFixture : public ::testing::Test {
protected:
    static constexpr const char* DRIVER = OdbcIniDirectory::PRODUCT_DRIVER;

    /// LIBRARY: the setup library the driver names (the one built for users
    /// unless a test asks for another).
    explicit SetupFixture(const std::filesystem::path& library = Library()) : m_ini(library.string())
    {
        std::filesystem::create_directories(m_ini.Path() / "user");
        m_ini.WriteFile("user/odbc.ini", "");
    }

    static std::filesystem::path Library() { return BuiltProgram("lib/libdravosparksetup.so"); }

    [[nodiscard]] std::map<std::string, std::optional<std::string>> Environment() const
    {
        auto environment = m_ini.Environment();
        environment["ODBCINI"] = (m_ini.Path() / "user" / "odbc.ini").string();
        environment["DRAVO_REGISTRY_ROOT"] = m_registry.Path().string();
        // What unixODBC itself leaks is no finding of a sanitizer build.
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        environment["LSAN_OPTIONS"] = "suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp";
        return environment;
    }

    ProgramRun RunProbe(const std::vector<std::string>& arguments) const
    {
        ToolRunOptions options;
        options.arguments = arguments;
        options.environment = Environment();
        return RunTool(BuiltProgram("tests/setup_probe"), options);
    }

    /// One SQLConfigDataSource call: FLAGS such as "--wide", then the action,
    /// then the attributes.
    ProbeResult Configure(const std::vector<std::string>& flags, const std::string& action,
        const std::vector<std::string>& attributes) const
    {
        std::vector<std::string> arguments = flags;
        arguments.push_back(action);
        arguments.push_back(DRIVER);
        arguments.insert(arguments.end(), attributes.begin(), attributes.end());
        return Parse(RunProbe(arguments));
    }

    static ProbeResult Parse(ProgramRun run)
    {
        ProbeResult result;
        std::istringstream lines(run.output);
        for (std::string line; std::getline(lines, line);) {
            if (line == "result 1") {
                result.succeeded = true;
            } else if (line.rfind("error ", 0) == 0) {
                const size_t space = line.find(' ', 6);
                result.errors.emplace_back(std::atoi(line.substr(6, space - 6).c_str()),
                    space == std::string::npos ? "" : line.substr(space + 1));
            }
        }
        result.run = std::move(run);
        return result;
    }

    [[nodiscard]] std::string UserIni() const { return m_ini.ReadFile("user/odbc.ini"); }
    [[nodiscard]] std::string SystemIni() const { return m_ini.OdbcIni(); }
    [[nodiscard]] std::map<std::string, std::string> UserSection(const std::string& name) const
    {
        return OdbcIniDirectory::Section(UserIni(), name);
    }

    OdbcIniDirectory m_ini;
    TempDir m_registry;
};

} // namespace Dravo::Test
