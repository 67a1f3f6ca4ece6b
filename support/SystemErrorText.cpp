#include "support/SystemErrorText.h"

#include "platform/SystemError.h"

namespace Dravo::Support {

WideString FormatSystemError(uint32_t code)
{
    const std::u16string text = OS::GetSystemErrorMessage(code);
    if (text.empty()) {
        return WideString(u"Unknown error");
    }
    return WideString(text);
}

} // namespace Dravo::Support
