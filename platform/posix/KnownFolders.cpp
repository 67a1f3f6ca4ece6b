#include "platform/KnownFolders.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <pwd.h>
#include <unistd.h>

#include "platform/Environment.h"

namespace Dravo::OS {
namespace {

/// A bigger file is no list of user directories.
constexpr std::streamsize MAX_USER_DIRS_SIZE = 64 * 1024;

std::optional<std::string> AbsoluteEnvironmentPath(const char* name)
{
    std::optional<std::string> value = GetEnvironmentValue(name);
    if (!value || value->front() != '/') {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> HomeDirectory()
{
    if (auto home = AbsoluteEnvironmentPath("HOME")) {
        return home;
    }
    const struct passwd* entry = ::getpwuid(::getuid());
    if (entry && entry->pw_dir && entry->pw_dir[0] == '/') {
        return std::string(entry->pw_dir);
    }
    return std::nullopt;
}

std::optional<std::string> ReadSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content(static_cast<size_t>(MAX_USER_DIRS_SIZE), '\0');
    in.read(content.data(), MAX_USER_DIRS_SIZE);
    content.resize(static_cast<size_t>(in.gcount()));
    return content;
}

} // namespace

std::optional<std::string> GetHomeFolder()
{
    const struct passwd* entry = ::getpwuid(::geteuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/') {
        return std::nullopt;
    }
    std::string home = entry->pw_dir;
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    return home;
}

std::optional<std::string> GetDocumentsFolder()
{
    if (auto fromEnvironment = AbsoluteEnvironmentPath("XDG_DOCUMENTS_DIR")) {
        return fromEnvironment;
    }
    const std::optional<std::string> home = HomeDirectory();
    if (!home) {
        return std::nullopt;
    }
    const std::string configHome = AbsoluteEnvironmentPath("XDG_CONFIG_HOME").value_or(*home + "/.config");
    if (const auto content = ReadSmallFile(configHome + "/user-dirs.dirs")) {
        if (auto folder = ParseUserDirsEntry(*content, "XDG_DOCUMENTS_DIR", *home)) {
            return folder;
        }
    }
    return *home + "/Documents";
}

} // namespace Dravo::OS
