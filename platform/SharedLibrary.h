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

/// The library FILE_NAME (a file name without directory) when this process
/// has loaded it already, wherever from; nullptr when it has not. The handle
/// counts as one load, which UnloadSharedLibrary gives back. A library that
/// is loaded by another program's ODBC installer then serves us too, instead
/// of a second copy of it with state of its own.
[[nodiscard]] SharedLibraryHandle FindLoadedSharedLibrary(const std::string& fileName);

/// Keeps the shared libraries this code was linked against loaded until the
/// process ends, so that unloading a library of ours unloads only our code:
/// what those libraries keep (caches, exit handlers, a C++ runtime's pools)
/// stays valid and is reused by the next load instead of being lost. Nothing
/// to do where they are linked in statically.
void KeepLinkedLibrariesLoaded();

} // namespace Dravo::OS
