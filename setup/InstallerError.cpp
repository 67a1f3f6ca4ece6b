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

InstallerError::InstallerError(InstallerErrorCode code, uint32_t messageId, std::initializer_list<WideString> arguments)
    : InstallerError(code, FormatMessage(messageId, arguments))
{
}

WideString InstallerError::FormatMessage(uint32_t messageId, std::initializer_list<WideString> arguments)
{
    return Support::FormatResourceString(messageId, arguments);
}

} // namespace Dravo::VezurAVUZ
