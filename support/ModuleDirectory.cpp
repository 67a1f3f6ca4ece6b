#include "support/ModuleDirectory.h"

#include <mutex>

#include "platform/ModulePath.h"
#include "platform/ProcessState.h"

namespace Dravo::Support {
namespace {

struct ModuleDirectoryCache {
    std::mutex lock;
    WideString directory;
};

// A library of ours forgets it after each call: a host may load it again
// from another folder.
OS::ProcessState<ModuleDirectoryCache> g_cache{"module directory"};

} // namespace

WideString GetModuleDirectory()
{
    ModuleDirectoryCache& cache = g_cache.Get();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.directory.IsEmpty()) {
        const std::u16string path = OS::GetModuleFilePath();
        const size_t separator = path.find_last_of(OS::PATH_SEPARATOR);
        if (separator != std::u16string::npos) {
            cache.directory = WideString(std::u16string_view(path).substr(0, separator + 1));
        }
    }
    return cache.directory;
}

} // namespace Dravo::Support
