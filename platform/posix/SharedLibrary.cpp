#include "platform/SharedLibrary.h"

#include <dlfcn.h>

// The multiarch library directory, from the build.
#ifndef DRAVO_SYSTEM_LIBRARY_DIR
#define DRAVO_SYSTEM_LIBRARY_DIR "/usr/lib"
#endif

namespace Dravo::OS {

std::string GetSystemLibraryPath(std::string_view fileName)
{
    std::string path(DRAVO_SYSTEM_LIBRARY_DIR);
    path += '/';
    path += fileName;
    return path;
}

SharedLibraryHandle LoadSharedLibrary(const std::string& path, std::string& reason)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = ::dlerror();
        reason = error ? std::string(error) : path + ": cannot be loaded";
    }
    return handle;
}

void* FindSharedLibraryFunction(SharedLibraryHandle library, const char* name)
{
    return ::dlsym(library, name);
}

void UnloadSharedLibrary(SharedLibraryHandle library)
{
    ::dlclose(library);
}

} // namespace Dravo::OS
