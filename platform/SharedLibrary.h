// Loading the system's shared libraries at run time (the ODBC installer and
// driver manager), by full path so that no search path or program folder can
// put another library in their place.
#pragma once

#include <string>
#include <string_view>

namespace Dravo::OS {

using SharedLibraryHandle = void*;

/// FILE_NAME in the system's own library directory: the multiarch library
/// directory of the build, or Windows' system directory.
[[nodiscard]] std::string GetSystemLibraryPath(std::string_view fileName);

/// Loads the library at PATH; nullptr with the system's reason when it cannot.
[[nodiscard]] SharedLibraryHandle LoadSharedLibrary(const std::string& path, std::string& reason);

/// The address of the function NAME in the library, or nullptr.
[[nodiscard]] void* FindSharedLibraryFunction(SharedLibraryHandle library, const char* name);

void UnloadSharedLibrary(SharedLibraryHandle library);

} // namespace Dravo::OS
