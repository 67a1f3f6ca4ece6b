// A file of settings to apply, as apply reads it: any text the ini reader
// takes is judged without a crash, and a fault names a line of the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"
#include "settings/SettingsFileLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    Dravo::OS::IniFile file;
    if (!file.Parse(bytes)) {
        return 0;
    }
    uint64_t lines = 1;
    for (const char c : bytes) {
        lines += c == '\n' || c == '\r' ? 1 : 0;
    }
    for (const std::u16string_view section : {std::u16string_view(u"Driver"), std::u16string_view(u"Sales")}) {
        if (const auto fault = Dravo::VezurAVUZ::FindSettingsFileFault(bytes, section)) {
            if (fault->line == 0 || fault->line > lines || fault->message.empty()) {
                std::abort();
            }
        }
    }
    return 0;
}
