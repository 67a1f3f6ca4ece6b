#include "platform/ModulePath.h"

#include <climits>
#include <string>

#include <unistd.h>
#include <unicode/unistr.h>

namespace Dravo::OS {

std::u16string GetModuleFilePath()
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) {
        return {};
    }
    buffer.resize(static_cast<size_t>(length));
    const icu::UnicodeString path = icu::UnicodeString::fromUTF8(buffer);
    return std::u16string(path.getBuffer(), static_cast<size_t>(path.length()));
}

} // namespace Dravo::OS
