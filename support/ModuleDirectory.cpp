#include "support/ModuleDirectory.h"

#include <mutex>

#include "platform/ModulePath.h"

namespace Dravo::Support {

WideString GetModuleDirectory()
{
    static std::mutex lock;
    static WideString cached;
    std::lock_guard<std::mutex> guard(lock);
    if (cached.IsEmpty()) {
        const std::u16string path = OS::GetModuleFilePath();
        const size_t separator = path.find_last_of(OS::PATH_SEPARATOR);
        if (separator != std::u16string::npos) {
            cached = WideString(std::u16string_view(path).substr(0, separator + 1));
        }
    }
    return cached;
}

} // namespace Dravo::Support
