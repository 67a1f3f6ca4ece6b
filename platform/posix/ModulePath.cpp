#include "platform/ModulePath.h"

#include <climits>
#include <cstdlib>
#include <string>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <unicode/unistr.h>

namespace Dravo::OS {
namespace {

std::u16string FromFileSystemPath(const std::string& path)
{
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(path);
    return std::u16string(text.getBuffer(), static_cast<size_t>(text.length()));
}

/// The shared library this code was linked into, when it is one.
std::string SharedLibraryPath()
{
    Dl_info info{};
    link_map* module = nullptr;
    if (::dladdr1(reinterpret_cast<const void*>(&GetModuleFilePath), &info, reinterpret_cast<void**>(&module),
            RTLD_DL_LINKMAP)
            == 0
        || module == nullptr || module->l_name == nullptr || module->l_name[0] == '\0') {
        // The program itself has no name of its own in the loader's list.
        return {};
    }
    char resolved[PATH_MAX];
    return ::realpath(module->l_name, resolved) ? std::string(resolved) : std::string(module->l_name);
}

} // namespace

std::u16string GetModuleFilePath()
{
    if (const std::string library = SharedLibraryPath(); !library.empty()) {
        return FromFileSystemPath(library);
    }
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) {
        return {};
    }
    buffer.resize(static_cast<size_t>(length));
    return FromFileSystemPath(buffer);
}

} // namespace Dravo::OS
