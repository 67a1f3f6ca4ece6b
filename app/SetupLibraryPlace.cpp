#include "app/SetupLibraryPlace.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/ModulePath.h"
#include "platform/Utf8.h"

namespace Dravo::VezurAVUZ {

std::optional<SetupLibraryPlace> FindInstalledSetupLibrary(std::string& why)
{
    const std::filesystem::path program = OS::Utf8OrPlaceholder(OS::GetModuleFilePath());
    if (program.empty()) {
        why = "this program's own path cannot be read";
        return std::nullopt;
    }
    // The folders below the program's own where cmake --install, the deb,
    // the rpm and the build tree put the library (":"-separated).
    SetupLibraryPlace place;
    std::string_view folders = DRAVO_SETUP_LIBRARY_FOLDERS;
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        std::error_code error;
        const std::filesystem::path candidate =
            std::filesystem::weakly_canonical(program.parent_path() / folder / DRAVO_SETUP_LIBRARY_NAME, error);
        if (error) {
            continue;
        }
        place.knownPaths.push_back(candidate.string());
        if (place.path.empty() && std::filesystem::is_regular_file(candidate, error)) {
            place.path = candidate.string();
        }
    }
    if (place.path.empty()) {
        why = std::string("the setup library ") + DRAVO_SETUP_LIBRARY_NAME + " is not installed beside "
            + program.string();
        return std::nullopt;
    }
    return place;
}

} // namespace Dravo::VezurAVUZ
