#include "setup/InstallerError.h"

#include <string>
#include <utility>

#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

InstallerError::InstallerError(InstallerErrorCode code, WideString message)
    : std::runtime_error(message.GetAsUTF8()), m_code(code), m_message(std::move(message))
{
}

InstallerError::InstallerError(
    InstallerErrorCode code, uint32_t messageId, std::initializer_list<WideString> arguments)
    : InstallerError(code, FormatMessage(messageId, arguments))
{
}

WideString InstallerError::FormatMessage(uint32_t messageId, std::initializer_list<WideString> arguments)
{
    const std::u16string text = Support::LoadResourceString(messageId).GetAsU16String();
    // One pass, so that an argument holding "%2" stays as it is.
    std::u16string result;
    for (size_t index = 0; index < text.size(); ++index) {
        const char16_t digit = index + 1 < text.size() ? text[index + 1] : u'\0';
        const size_t argument = digit >= u'1' && digit <= u'9' ? static_cast<size_t>(digit - u'1') : arguments.size();
        if (text[index] == u'%' && argument < arguments.size()) {
            result += (arguments.begin() + argument)->GetAsU16String();
            ++index;
        } else {
            result += text[index];
        }
    }
    return WideString(result);
}

} // namespace Dravo::VezurAVUZ
