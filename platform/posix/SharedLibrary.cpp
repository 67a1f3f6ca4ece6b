#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <vector>

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

SharedLibraryHandle FindLoadedSharedLibrary(const std::string& fileName)
{
    // The dynamic loader matches a bare name against the names the loaded
    // libraries declare for themselves, whatever directory they came from.
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
}

void KeepLinkedLibrariesLoaded()
{
    Dl_info info{};
    link_map* module = nullptr;
    if (::dladdr1(reinterpret_cast<const void*>(&KeepLinkedLibrariesLoaded), &info, reinterpret_cast<void**>(&module),
            RTLD_DL_LINKMAP)
            == 0
        || module == nullptr || module->l_ld == nullptr) {
        return;
    }
    const char* strings = nullptr;
    std::vector<ElfW(Xword)> needed;
    for (const ElfW(Dyn)* entry = module->l_ld; entry->d_tag != DT_NULL; ++entry) {
        if (entry->d_tag == DT_STRTAB) {
            strings = reinterpret_cast<const char*>(entry->d_un.d_ptr);
        } else if (entry->d_tag == DT_NEEDED) {
            needed.push_back(entry->d_un.d_val);
        }
    }
    if (strings == nullptr) {
        return;
    }
    // Most systems relocate the dynamic section's addresses when they load
    // the library; those that keep it read-only leave them relative.
    if (reinterpret_cast<ElfW(Addr)>(strings) < module->l_addr) {
        strings += module->l_addr;
    }
    for (const ElfW(Xword) offset : needed) {
        // Loaded already as our dependency: this only marks it to stay.
        if (void* library = ::dlopen(strings + offset, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) {
            ::dlclose(library);
        }
    }
}

} // namespace Dravo::OS
