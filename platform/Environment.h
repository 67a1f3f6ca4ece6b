// The environment variables that choose files or code. A process running with
// rights its caller does not have must not let the caller choose them: a
// set-user-ID host of the setup library, or the tool run as root by sudo with
// the caller's environment passed on (sudo -E, env_keep).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Dravo::OS {

/// The variable's value; nothing when it is unset or empty, or when the
/// process runs with another user's or group's rights than its caller's
/// (set-user-ID or set-group-ID), where the caller set it.
[[nodiscard]] std::optional<std::string> GetEnvironmentValue(const char* name);

/// For the tool: when it runs as root started by sudo (SUDO_UID is set) or
/// with real and effective users apart, removes the given variables and the
/// ones that choose files or code for the libraries it loads (ODBC, OpenSSL,
/// ICU, the terminal, character sets), and sets HOME to the home of the user
/// it runs as, so that neither it nor those libraries take them from the
/// caller. Returns what it removed or changed, for the tool to say so.
[[nodiscard]] std::vector<std::string> DropCallerChosenVariables(const std::vector<std::string>& ownVariables);

} // namespace Dravo::OS
