// Test helper: unixODBC's ini files in a temporary directory, with a real
// driver from Debian's packages (the SQLite one) registered under the
// product's driver name, and one driver whose library is missing; the
// product's driver may name a setup library. The installer and the driver
// manager find the files through ODBCSYSINI and ODBCINI, set for the
// helper's lifetime (and handed to child processes).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "platform/OdbcInstaller.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {

class OdbcIniDirectory {
public:
    static constexpr const char* PRODUCT_DRIVER = "Dravo Spark ODBC Driver";
    static constexpr const char* MISSING_LIBRARY_DRIVER = "Driver Without Library";

    /// SETUP_LIBRARY: the product driver's "Setup" entry, none when empty.
    explicit OdbcIniDirectory(const std::string& setupLibrary = {})
    {
        WriteFile("odbcinst.ini",
            std::string("[") + PRODUCT_DRIVER + "]\nDriver=" + FindSqliteDriver() + "\n"
                + (setupLibrary.empty() ? "" : "Setup=" + setupLibrary + "\n") + "\n[" + MISSING_LIBRARY_DRIVER
                + "]\nDriver=" + (m_dir / "missing" / "libnothing.so").string() + "\n");
        WriteFile("odbc.ini", "");
        // Loaded for good: drivers that load the installer library too then
        // share it, so that what they leave behind can be told apart.
        (void)OS::OdbcInstaller::IsAvailable();
    }

    /// The SQLite ODBC driver's library, wherever the multiarch layout put it.
    static std::string FindSqliteDriver()
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", error)) {
            const std::filesystem::path candidate = entry.path() / "odbc" / "libsqlite3odbc.so";
            if (std::filesystem::exists(candidate, error)) {
                return candidate.string();
            }
        }
        return "/usr/lib/odbc/libsqlite3odbc.so";
    }

    void WriteFile(const std::string& name, const std::string& text) const
    {
        std::ofstream(m_dir / name, std::ios::binary | std::ios::trunc) << text;
    }

    [[nodiscard]] std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    [[nodiscard]] std::string OdbcIni() const { return ReadFile("odbc.ini"); }

    /// The entries of one section of an ini text (none when it is absent).
    [[nodiscard]] static std::map<std::string, std::string> Section(const std::string& ini, const std::string& name)
    {
        std::map<std::string, std::string> entries;
        bool inside = false;
        size_t start = 0;
        while (start < ini.size()) {
            size_t end = ini.find('\n', start);
            if (end == std::string::npos) {
                end = ini.size();
            }
            const std::string line = ini.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line[0] == '[') {
                inside = line == "[" + name + "]";
            } else if (inside && line.find('=') != std::string::npos) {
                entries[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
            }
        }
        return entries;
    }
    [[nodiscard]] const std::filesystem::path& Path() const { return m_dir.Path(); }

    /// The variables a child process needs to use these files.
    [[nodiscard]] std::map<std::string, std::optional<std::string>> Environment() const
    {
        return {{"ODBCSYSINI", m_dir.Path().string()}, {"ODBCINI", (m_dir / "odbc.ini").string()},
            {"HOME", m_dir.Path().string()}};
    }

private:
    TempDir m_dir;
    ScopedEnv m_systemIni{"ODBCSYSINI", m_dir.Path().string()};
    ScopedEnv m_userIni{"ODBCINI", (m_dir / "odbc.ini").string()};
    ScopedEnv m_home{"HOME", m_dir.Path().string()};
};

} // namespace Dravo::Test
