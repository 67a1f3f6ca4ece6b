// What a dialog handler is told about its controls.
#pragma once

#include <cstdint>

namespace Dravo::UI {

/// Why a control sent a command to its dialog.
enum class Notification : uint8_t {
    /// A button was pressed or a check box toggled, or Enter/Escape asked for
    /// OK (1) or Cancel (2).
    Clicked,
    /// An edit box's text changed, by the user or by SetText.
    TextChanged,
    /// The user chose another entry of a combo or list box (never raised by
    /// SetSelection).
    SelectionChanged,
    /// The user double-clicked an entry of a list box.
    DoubleClicked,
};

/// Messages other than commands. Handlers whose controls follow every change
/// at once (enabling rules) run them here as well as after each command.
enum class OtherMessage : uint8_t {
    /// One user input (a key, a click, a script line) has been fully handled.
    InputProcessed,
    /// The keyboard focus moved to another control.
    FocusChanged,
};

} // namespace Dravo::UI
