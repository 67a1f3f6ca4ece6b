#include "app/SetupLibraryPlace.h"

namespace Dravo::VezurAVUZ {

std::optional<SetupLibraryPlace> FindInstalledSetupLibrary(std::string& why)
{
    why = "on Windows the installer package's OdbcSetup feature names the setup library in ODBCINST.INI";
    return std::nullopt;
}

} // namespace Dravo::VezurAVUZ
