// The headless script parser on arbitrary bytes: it either parses or refuses
// with a line number inside the script, and never crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/headless/Script.h"
#include "ui/headless/ScriptError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const Dravo::UI::Script script = Dravo::UI::ParseScript(text, "fuzz");
        for (const auto& command : script.commands) {
            if (command.line < 1 || command.line > script.lineCount || command.id < 0 || command.id > 65535) {
                std::abort();
            }
        }
    } catch (const Dravo::UI::ScriptError& error) {
        if (error.GetLine() < 1) {
            std::abort();
        }
    }
    return 0;
}
