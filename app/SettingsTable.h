// The table of settings that 'settings' prints, made from the setting rules:
// stored name, what it is for, kind, values with their labels, default, the
// dialog that edits it, whether it belongs to the driver, a data source or
// both, and what it is used with. docs/settings.md is this table in Markdown.
#pragma once

#include <string>
#include <vector>

#include "settings/SettingRules.h"

namespace Dravo::VezurAVUZ {

enum class SettingsTableFormat { Text, Markdown, Json };

/// The table of RULES, or of every setting when none is given.
[[nodiscard]] std::string FormatSettingsTable(
    SettingsTableFormat format, const std::vector<const SettingRule*>& rules = {});

} // namespace Dravo::VezurAVUZ
