// The table of settings that 'settings' prints, made from the setting rules:
// stored name, kind, values with their labels, default, the dialog control
// that edits it, whether it belongs to the driver, a data source or both, and
// what it is used with. docs/settings.md is this table in Markdown.
#pragma once

#include <string>

namespace Dravo::VezurAVUZ {

enum class SettingsTableFormat { Text, Markdown, Json };

[[nodiscard]] std::string FormatSettingsTable(SettingsTableFormat format);

} // namespace Dravo::VezurAVUZ
