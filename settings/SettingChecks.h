// The checks of the setting rules (SettingRules.h): whether a value is one a
// setting takes, and whether settings hold together. The setup library checks
// the attributes a caller gives; the command line checks what the dialogs
// would save, which adds that every setting given is one the dialogs let be
// edited with the others as they will be.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingRules.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

enum class SettingCheckMode {
    /// The setup library's attributes, written as given: what a data source's
    /// own entries may hold passes (empty values, the older mechanisms the
    /// dialogs read, numbers the model keeps as stored).
    Attributes,
    /// What the dialogs would save.
    Dialogs,
};

/// Whether a value of a list is taken: the dialogs take the values they
/// offer, the attributes every value the dialogs read; neither takes an
/// HDInsight mechanism while the product hides them.
[[nodiscard]] bool IsChoiceAccepted(const SettingRule& rule, const SettingChoice& choice, SettingCheckMode mode);

/// Why a setting cannot be as asked; the text names the setting and the reason.
struct SettingRefusal {
    Support::WideString setting;
    Support::WideString reason;
};

struct CheckedValue {
    /// The value as stored: a label turned into its value, a number without
    /// leading zeros.
    Support::WideString stored;
    std::optional<SettingRefusal> refusal;
};

/// Judges one value given for a setting named NAME (as given) of RULE.
[[nodiscard]] CheckedValue CheckSettingValue(
    const SettingRule& rule, const Support::WideString& name, const Support::WideString& value, SettingCheckMode mode);

/// The settings as they will be: the value of a stored name, the empty text for none.
using SettingValueLookup = std::function<Support::WideString(std::u16string_view name)>;

/// The first fault of the settings taken together: the transport the
/// mechanism allows, Kerberos's names, ZooKeeper's namespace, the files of
/// two-way SSL, the logging options a log level needs; each judged when one of
/// the settings involved is given (GIVEN: their names as given). In Dialogs mode also: every given setting
/// must be one the dialogs enable with the others as they will be, and SSL as
/// the mechanism has it; and Kerberos's names, the files of two-way SSL and
/// (for the driver-wide settings, SCOPE Driver) the logging options are judged
/// whatever is given, as the dialogs keep OK from saving them incomplete.
[[nodiscard]] std::optional<SettingRefusal> CheckSettingCombination(const SettingValueLookup& values,
    const std::vector<Support::WideString>& given, SettingCheckMode mode, SettingScope scope = SettingScope::Both);

/// Why a name cannot be a property's (a server-side property or an HTTP
/// header, without its prefix): empty, "=" in it, blanks at either end, or a
/// text a line of the configuration cannot hold; nothing when it can be one.
[[nodiscard]] std::optional<std::string> WhyNotAPropertyName(std::u16string_view prefix, std::u16string_view name);

/// Whether the dialogs let a setting of RULE be edited with the others as they are.
[[nodiscard]] bool IsSettingEditable(const SettingRule& rule, const SettingValueLookup& values);

} // namespace Dravo::VezurAVUZ
