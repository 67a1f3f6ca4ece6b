// user-dirs.dirs files (the default export folder): any bytes give either
// nothing or an absolute folder without a trailing separator.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/KnownFolders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    for (const std::string_view home : {std::string_view("/home/user"), std::string_view("")}) {
        const auto folder = Dravo::OS::ParseUserDirsEntry(content, "XDG_DOCUMENTS_DIR", home);
        if (!folder) {
            continue;
        }
        if (folder->empty() || folder->front() != '/' || (folder->size() > 1 && folder->back() == '/')) {
            __builtin_trap();
        }
    }
    return 0;
}
