// Where the setup library installed with this program is, for naming it in
// the ODBC installer's driver entry (OdbcSetupRegistration). One
// implementation per system: unixODBC here, app/win32 on Windows, where the
// installer package names it instead.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Dravo::VezurAVUZ {

struct SetupLibraryPlace {
    /// The library's full path.
    std::string path;
    /// Every path the library has under a layout of this program's
    /// packages, whether it is there or not (the path above among them).
    std::vector<std::string> knownPaths;
};

/// The library beside this program's installation; nothing, with the
/// reason in why, when it is not there or this system names it otherwise.
[[nodiscard]] std::optional<SetupLibraryPlace> FindInstalledSetupLibrary(std::string& why);

} // namespace Dravo::VezurAVUZ
