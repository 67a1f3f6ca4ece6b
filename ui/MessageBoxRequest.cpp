#include "ui/MessageBoxRequest.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace Dravo::UI {
namespace {

using R = MessageBoxResult;

constexpr std::array<R, 1> OK_BUTTONS{R::Ok};
constexpr std::array<R, 2> OK_CANCEL_BUTTONS{R::Ok, R::Cancel};
constexpr std::array<R, 3> ABORT_RETRY_IGNORE_BUTTONS{R::Abort, R::Retry, R::Ignore};
constexpr std::array<R, 3> YES_NO_CANCEL_BUTTONS{R::Yes, R::No, R::Cancel};
constexpr std::array<R, 2> YES_NO_BUTTONS{R::Yes, R::No};
constexpr std::array<R, 2> RETRY_CANCEL_BUTTONS{R::Retry, R::Cancel};

constexpr std::array<R, 7> ALL_RESULTS{R::Ok, R::Cancel, R::Abort, R::Retry, R::Ignore, R::Yes, R::No};

} // namespace

std::span<const MessageBoxResult> ButtonsOf(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok:
        return OK_BUTTONS;
    case MessageBoxButtons::OkCancel:
        return OK_CANCEL_BUTTONS;
    case MessageBoxButtons::AbortRetryIgnore:
        return ABORT_RETRY_IGNORE_BUTTONS;
    case MessageBoxButtons::YesNoCancel:
        return YES_NO_CANCEL_BUTTONS;
    case MessageBoxButtons::YesNo:
        return YES_NO_BUTTONS;
    case MessageBoxButtons::RetryCancel:
        return RETRY_CANCEL_BUTTONS;
    }
    return OK_BUTTONS;
}

MessageBoxResult DefaultButtonOf(const MessageBoxRequest& request)
{
    const auto buttons = ButtonsOf(request.buttons);
    if (request.defaultButton && std::find(buttons.begin(), buttons.end(), *request.defaultButton) != buttons.end()) {
        return *request.defaultButton;
    }
    return buttons.front();
}

std::optional<MessageBoxResult> EscapeAnswerOf(MessageBoxButtons buttons)
{
    const auto offered = ButtonsOf(buttons);
    if (std::find(offered.begin(), offered.end(), R::Cancel) != offered.end()) {
        return R::Cancel;
    }
    if (buttons == MessageBoxButtons::Ok) {
        return R::Ok;
    }
    return std::nullopt;
}

std::string_view ButtonName(MessageBoxResult result)
{
    switch (result) {
    case R::Ok:
        return "OK";
    case R::Cancel:
        return "Cancel";
    case R::Abort:
        return "Abort";
    case R::Retry:
        return "Retry";
    case R::Ignore:
        return "Ignore";
    case R::Yes:
        return "Yes";
    case R::No:
        return "No";
    }
    return "?";
}

std::optional<MessageBoxResult> ButtonFromName(std::string_view name)
{
    for (const R result : ALL_RESULTS) {
        const std::string_view candidate = ButtonName(result);
        if (candidate.size() == name.size()
            && std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               })) {
            return result;
        }
    }
    return std::nullopt;
}

} // namespace Dravo::UI
