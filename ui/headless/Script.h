// The script language that drives headless dialogs: one command per line,
// acting on the topmost open dialog; "#" at the start of a line makes it a
// comment. TEXT, LABEL and PATH run from after the single blank that follows
// the last word to the end of the line, and may be empty or hold blanks.
//
//   type ID TEXT          replace the text of edit box ID
//   select ID LABEL       choose the entry LABEL (exact) of combo or list box ID
//   click ID              press button ID or toggle check box ID (1 OK, 2 Cancel)
//   dblclick ID           double-click the selected entry of list box ID
//   answer BUTTON         answer the next message box: OK Cancel Yes No Retry Abort Ignore
//   choose PATH           answer the next file or folder chooser; "choose -" cancels it
//   expect ID text TEXT   the control's whole text is TEXT
//   expect ID contains TEXT                      the text holds TEXT somewhere
//   expect ID enabled | disabled | visible | hidden | checked | unchecked
//   expect ID selected LABEL                     (empty LABEL: nothing selected)
//   expect ID items A|B|C                        every entry, in order
//   expect dialog TEMPLATE_ID
//   expect title TEXT
//   expect hint TEXT      the line below the dialog says TEXT (empty: nothing)
#pragma once

#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/MessageBoxRequest.h"

namespace Dravo::UI {

enum class ScriptVerb : uint8_t { Type, Select, Click, DoubleClick, Answer, Choose, Expect };

enum class ExpectKind : uint8_t {
    None,
    Text,
    Contains,
    Enabled,
    Disabled,
    Visible,
    Hidden,
    Checked,
    Unchecked,
    Selected,
    Items,
    Dialog,
    Title,
    Hint,
};

struct ScriptCommand {
    int32_t line = 0;
    /// The line as written, without its line end, for messages.
    std::string source;
    ScriptVerb verb = ScriptVerb::Click;
    ExpectKind expect = ExpectKind::None;
    /// The control id; the template id for "expect dialog".
    int32_t id = 0;
    /// TEXT, LABEL or PATH, in UTF-8.
    std::string text;
    /// The entries of "expect ID items".
    std::vector<std::string> items;
    MessageBoxResult answer = MessageBoxResult::Ok;
    /// "choose -".
    bool cancel = false;
};

struct Script {
    std::vector<ScriptCommand> commands;
    int32_t lineCount = 0;
};

/// Parses a whole script (UTF-8, any line ends). Throws ScriptError naming
/// the first line that is not a command; nothing runs before the whole
/// script has parsed.
Script ParseScript(std::string_view text, const std::string& sourceName);

/// Reads and parses a script file, or STANDARD_INPUT for "-". A file that
/// cannot be read throws ScriptError naming it, with line 0.
Script LoadScriptFile(const std::string& path, std::istream& standardInput = std::cin);

} // namespace Dravo::UI
