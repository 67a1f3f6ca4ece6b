#include "platform/Environment.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

#include "platform/KnownFolders.h"

namespace Dravo::OS {
namespace {

/// Variables that choose files read, or code loaded, by the libraries the
/// tool uses.
constexpr const char* LIBRARY_VARIABLES[] = {
    "ODBCSYSINI",
    "ODBCINI",
    "ODBCINSTINI",
    "ODBCSEARCH",
    "OPENSSL_CONF",
    "OPENSSL_MODULES",
    "OPENSSL_ENGINES",
    "ICU_DATA",
    "TERMINFO",
    "TERMINFO_DIRS",
    "TERMCAP",
    "GCONV_PATH",
    "LOCPATH",
    "XDG_CONFIG_HOME",
    "XDG_DOCUMENTS_DIR",
};

} // namespace

std::optional<std::string> GetEnvironmentValue(const char* name)
{
    const char* value = ::secure_getenv(name);
    if (!value || !*value) {
        return std::nullopt;
    }
    return std::string(value);
}

std::vector<std::string> DropCallerChosenVariables(const std::vector<std::string>& ownVariables)
{
    std::vector<std::string> dropped;
    const bool fromSudo = ::geteuid() == 0 && std::getenv("SUDO_UID") != nullptr;
    if (!fromSudo && ::getuid() == ::geteuid() && ::getgid() == ::getegid()) {
        return dropped;
    }
    std::vector<std::string> names(ownVariables);
    names.insert(names.end(), std::begin(LIBRARY_VARIABLES), std::end(LIBRARY_VARIABLES));
    for (const std::string& name : names) {
        if (std::getenv(name.c_str()) != nullptr) {
            ::unsetenv(name.c_str());
            dropped.push_back(name);
        }
    }
    const std::optional<std::string> home = GetHomeFolder();
    const char* current = std::getenv("HOME");
    if (home && (!current || *home != current)) {
        ::setenv("HOME", home->c_str(), 1);
        dropped.emplace_back("HOME");
    } else if (!home && current) {
        ::unsetenv("HOME");
        dropped.emplace_back("HOME");
    }
    return dropped;
}

} // namespace Dravo::OS
