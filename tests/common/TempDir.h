// Test helpers: a private temporary directory and a scoped environment variable.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <random>
#endif

namespace Dravo::Test {

#if defined(_WIN32)
// The POSIX calls these helpers use, as the Windows C runtime offers them.
inline char* mkdtemp(char* pattern)
{
    std::string name(pattern);
    const size_t marks = name.rfind("XXXXXX");
    std::random_device random;
    for (int attempt = 0; marks != std::string::npos && attempt < 100; ++attempt) {
        for (size_t i = 0; i < 6; ++i) {
            name[marks + i] = "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
        }
        std::error_code error;
        if (std::filesystem::create_directory(name, error)) {
            name.copy(pattern, name.size());
            return pattern;
        }
    }
    return nullptr;
}

inline int setenv(const char* name, const char* value, int)
{
    return ::_putenv_s(name, value);
}

inline int unsetenv(const char* name)
{
    return ::_putenv_s(name, "");
}
#endif

/// A fresh directory under the system's temporary directory, removed with its
/// contents when the object goes away.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "dravo-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::abort();
        }
        m_path = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(
            m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

/// Sets (or unsets, with nullopt) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        if (m_old) {
            setenv(m_name.c_str(), m_old->c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace Dravo::Test
