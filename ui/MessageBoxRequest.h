// A message box: its text, caption, icon and buttons, and what it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "support/WideString.h"

namespace Dravo::UI {

enum class MessageBoxIcon : uint8_t { None, Information, Warning, Question, Error };

enum class MessageBoxButtons : uint8_t { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

/// The button pressed, with the values that native message boxes return.
enum class MessageBoxResult : int32_t { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    Support::WideString text;
    Support::WideString caption;
    MessageBoxIcon icon = MessageBoxIcon::None;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;
    /// The button that Enter presses; nothing, or a button the box lacks,
    /// means the first.
    std::optional<MessageBoxResult> defaultButton;
};

/// The buttons of a set, left to right.
std::span<const MessageBoxResult> ButtonsOf(MessageBoxButtons buttons);

/// The request's default button, resolved against its buttons.
MessageBoxResult DefaultButtonOf(const MessageBoxRequest& request);

/// What Escape answers: Cancel where there is one, OK in an OK-only box, and
/// nothing in boxes that must be answered (Yes/No, Abort/Retry/Ignore).
std::optional<MessageBoxResult> EscapeAnswerOf(MessageBoxButtons buttons);

/// The button's caption without mnemonic: "OK", "Cancel", "Abort", "Retry",
/// "Ignore", "Yes", "No".
std::string_view ButtonName(MessageBoxResult result);

/// The button named (case-insensitively) by its caption, or nothing.
std::optional<MessageBoxResult> ButtonFromName(std::string_view name);

} // namespace Dravo::UI
