#include "driversupport/DSMessages.h"

#include <optional>
#include <string_view>

#include "platform/SystemError.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/DSISettings.h"
#include "support/MessageSource.h"
#include "support/ResourceString.h"
#include "support/SystemErrorText.h"
#include "ui/DialogHost.h"
#include "ui/DialogSystem.h"

namespace Dravo::DriverSupport {
namespace {

using Support::WideString;

UI::MessageBoxRequest ConfigurationErrorRequest(const WideString& text, uint32_t captionId)
{
    UI::MessageBoxRequest request;
    request.text = text;
    const std::optional<std::u16string_view> caption = Resources::FindString(captionId);
    request.caption = WideString(caption.value_or(std::u16string_view()));
    request.icon = UI::MessageBoxIcon::Warning;
    request.buttons = UI::MessageBoxButtons::Ok;
    return request;
}

void SetCursorOrRaise(UI::DialogSystem& system, UI::CursorShape shape)
{
    if (const OS::ErrorCode error = system.SetCursor(shape); error != OS::ERROR_SUCCESS_CODE) {
        throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, Support::DS_COMPONENT_ID,
            WideString(u"DSCursorResourceError"), {Support::FormatSystemError(error)});
    }
}

} // namespace

uint32_t DSMessages::GetSetupErrorStringId(int32_t errorType)
{
    switch (errorType) {
    case DS_ERROR_INVALID_HWND:
        return Resources::IDS_ERROR_INVALID_HWND;
    case DS_ERROR_INVALID_KEYWORD_VALUE:
        return Resources::IDS_ERROR_INVALID_KEYWORD_VALUE;
    case DS_ERROR_INVALID_NAME:
        return Resources::IDS_ERROR_INVALID_NAME;
    case DS_ERROR_INVALID_REQUEST_TYPE:
        return Resources::IDS_ERROR_INVALID_REQUEST_TYPE;
    case DS_ERROR_REQUEST_FAILED:
        return Resources::IDS_ERROR_REQUEST_FAILED;
    case DS_ERROR_DRIVER_SPECIFIC:
        return Resources::IDS_ERROR_DRIVER_SPECIFIC;
    // 6 and 7 point at 9110 and 9109, crossed against the order of the ids.
    case DS_ERROR_REGISTRY_WRITE:
        return Resources::IDS_ERROR_REGISTRY_WRITE;
    case DS_ERROR_INVALID_DSN:
        return Resources::IDS_ERROR_DSN_INVALID_CHARACTERS;
    case DS_ERROR_INVALID_LOG_FILE_COUNT:
        return Resources::IDS_ERROR_LOG_FILE_COUNT;
    case DS_ERROR_INVALID_LOG_FILE_SIZE:
        return Resources::IDS_ERROR_LOG_FILE_SIZE;
    default:
        return 0;
    }
}

WideString DSMessages::GetSetupErrorText(int32_t errorType)
{
    return Support::LoadRequiredResourceString(GetSetupErrorStringId(errorType));
}

WideString DSMessages::GetSetupErrorText(const DSSetupException& exception)
{
    WideString text = GetSetupErrorText(exception.GetErrorType());
    if (!exception.GetReason().IsEmpty()) {
        text += WideString(u"\n") + exception.GetReason();
    }
    return text;
}

WideString DSMessages::GetErrorExceptionText(const Support::ErrorException& exception)
{
    // A driver object that shares this process may format the message; this
    // program never registers one.
    Support::IMessageSource* source = Support::GetProcessMessageSource();
    if (!source) {
        return exception.GetUnformattedText();
    }
    source->GetRegistry().RegisterMessages(Support::DS_MESSAGES, {Support::DS_COMPONENT_ID});
    Support::ErrorException copy(exception);
    return copy.GetMessageText(source, Support::GetDriverLocale());
}

void DSMessages::ShowConfigurationError(UI::DialogHost& owner, const WideString& text, uint32_t captionId)
{
    owner.ShowMessageBox(ConfigurationErrorRequest(text, captionId));
}

void DSMessages::ShowConfigurationError(UI::DialogSystem& system, const WideString& text, uint32_t captionId)
{
    system.ShowMessageBox(ConfigurationErrorRequest(text, captionId), nullptr);
}

void DSMessages::ShowErrorException(UI::DialogHost& owner, const Support::ErrorException& exception)
{
    ShowConfigurationError(owner, GetErrorExceptionText(exception));
}

void DSMessages::ShowErrorException(UI::DialogSystem& system, const Support::ErrorException& exception)
{
    ShowConfigurationError(system, GetErrorExceptionText(exception));
}

void DSMessages::SetBusyCursor(UI::DialogSystem& system)
{
    SetCursorOrRaise(system, UI::CursorShape::Busy);
}

void DSMessages::SetNormalCursor(UI::DialogSystem& system)
{
    SetCursorOrRaise(system, UI::CursorShape::Arrow);
}

WideString DSMessages::GetControlText(const UI::DialogHost& host, int32_t controlId)
{
    const WideString text = host.GetText(controlId);
    return text.IsEmpty() ? WideString(u"") : text.Trim();
}

void DSMessages::SetControlText(UI::DialogHost& host, int32_t controlId, const WideString& text)
{
    host.SetText(controlId, text);
}

} // namespace Dravo::DriverSupport
