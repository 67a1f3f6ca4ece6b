// The list of data-source properties that unixODBC's installer asks a setup
// library for (ODBCINSTGetProperties), so that its data-source editors can
// offer a driver's settings. unixODBC frees what the list holds with free(),
// and the setup library may be unloaded long before: every text is copied
// into memory of the list's own, never pointed at.
#pragma once

#include <string>
#include <vector>

namespace Dravo::OS {

enum class InstallerPrompt {
    Label,
    Text,
    List,
    Combo,
    FileName,
    Hidden,
    Password,
};

struct InstallerProperty {
    std::string name;
    std::string value;
    InstallerPrompt prompt = InstallerPrompt::Text;
    /// The values offered by a list or combo prompt.
    std::vector<std::string> choices;
    std::string help;
};

/// Links the properties after LAST (unixODBC's property record, the last of
/// its list) in their order. Texts longer than unixODBC's records hold are
/// cut. False when memory runs out; the list then ends after the properties
/// that were appended whole.
bool AppendInstallerProperties(void* last, const std::vector<InstallerProperty>& properties);

} // namespace Dravo::OS
