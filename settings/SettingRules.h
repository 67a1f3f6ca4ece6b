// The one statement of what each setting may be: its stored name, its kind,
// the values it takes with their labels, its default, the dialog control that
// edits it, whether it belongs to the driver, a data source or both, and when
// the dialogs let it be edited (which is also when a save writes it). The
// dialogs, the setup library's silent checks and the command line all judge
// values by this table and the checks of SettingChecks.h, so that a value is
// accepted in one place exactly when it is in the others.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

enum class SettingKind {
    /// "0" or "1": a check box.
    Switch,
    /// Decimal digits within the rule's range: a number box.
    Number,
    /// One of the rule's values; a value may also be named by its label.
    Choice,
    /// Free text: an edit box.
    Text,
    /// A file's path: an edit box with a chooser.
    File,
    /// Kept enciphered; given only through a password source, never as text.
    Password,
    /// One property of a set: the rule's name is the prefix of its key.
    Property,
};

enum class SettingScope { Driver, DataSource, Both };

/// When the dialogs let a setting be edited, given the others; the save
/// writes it under the same condition.
enum class SettingCondition {
    Always,
    /// Server type 2 or 3.
    FullFeatured,
    /// Server type 2 or 3 with the Kerberos mechanism.
    Kerberos,
    /// Server type 2 or 3 with mechanism 2, 3, 5 or 6.
    UserName,
    /// Server type 2 or 3 with mechanism 3, 5 or 6.
    Password,
    /// Server type 2 or 3 with a mechanism that leaves SSL to the user.
    SSLChoice,
    /// Server type 2 or 3 with SSL on.
    SSLOn,
    /// Server type 2 or 3 with SSL on and a mechanism other than 6.
    SSLAllowances,
    /// Server type 2 or 3 with SSL and two-way SSL on.
    TwoWaySSL,
    /// Server type 2 or 3 with the HTTP transport.
    HttpTransport,
    /// No dialog edits it: only the setup library's attributes set it.
    NoDialog,
};

struct SettingChoice {
    std::u16string_view value;
    std::u16string_view label;
    /// False for older values the dialogs read but never offer.
    bool offered = true;
};

struct SettingRule {
    /// As stored; for a property set, the prefix of its keys.
    std::u16string_view name;
    SettingKind kind;
    SettingScope scope;
    SettingCondition condition;
    /// The caption the dialog shows it under.
    std::u16string_view caption;
    /// The dialog's title and template, and the control's id (0: none).
    std::u16string_view dialog;
    int32_t dialogId;
    int32_t controlId;
    /// What the dialog shows when nothing is stored; see GetSettingDefault.
    std::u16string_view defaultValue;
    /// Numbers: the range, and a step the value must be a multiple of.
    uint64_t minimum = 0;
    uint64_t maximum = 0;
    uint64_t step = 1;
    std::span<const SettingChoice> choices = {};
    /// Text: the most characters the edit box takes (0: no limit).
    int32_t maxLength = 0;
    /// Whether the empty text is a value the dialog saves.
    bool emptyAllowed = false;
    /// A word on the value for the table of settings.
    std::u16string_view note = {};
};

/// Every setting, in the order of the dialogs.
[[nodiscard]] std::span<const SettingRule> GetSettingRules();

/// The rule of a stored name (compared without regard to case); for a name
/// that begins with a property set's prefix (in any case), that set's rule.
/// nullptr for a name no dialog or attribute knows.
[[nodiscard]] const SettingRule* FindSettingRule(std::u16string_view name);

/// Whether two setting names are one: letters compared as Windows compares
/// registry names, each upper-cased on its own, so that neither a sharp s nor
/// the Kelvin sign stands for other letters.
[[nodiscard]] bool IsSameSettingName(std::u16string_view a, std::u16string_view b);
[[nodiscard]] bool IsSameSettingName(const Support::WideString& a, const Support::WideString& b);

/// What a setting is for, in one line.
[[nodiscard]] std::u16string_view GetSettingDescription(const SettingRule& rule);

/// The default as the dialogs show it: the table's, or for the settings whose
/// default the product decides (mechanism, string column length, table
/// queries, trusted certificates) the product's.
[[nodiscard]] Support::WideString GetSettingDefault(const SettingRule& rule);

/// The label of a choice's stored value, or nothing.
[[nodiscard]] std::u16string_view FindChoiceLabel(const SettingRule& rule, std::u16string_view value);

/// Whether a scope takes a setting of a rule's scope.
[[nodiscard]] bool ScopeHolds(SettingScope scope, const SettingRule& rule);

// --- The rules of the mechanisms, which the dialogs enable their controls by ---

/// Mechanisms 2, 3, 5 and 6 take a user name.
[[nodiscard]] bool MechanismTakesUserName(uint32_t mechanism);
/// Mechanisms 3, 5 and 6 take a password.
[[nodiscard]] bool MechanismTakesPassword(uint32_t mechanism);
/// Mechanisms 2 and 5 have SSL off, 6 has it on; the user chooses for others.
[[nodiscard]] bool MechanismFixesSSL(uint32_t mechanism);
/// A mechanism the mechanism list offers for a new choice.
[[nodiscard]] bool IsOfferedMechanism(uint32_t mechanism);

// --- Values the dialogs show for stored texts they cannot use ---------------

inline constexpr uint32_t DEFAULT_ROWS_FETCHED_PER_BLOCK = 10000;
inline constexpr uint32_t DEFAULT_BINARY_COLUMN_LENGTH = 32767;
inline constexpr int16_t DEFAULT_DECIMAL_COLUMN_SCALE = 10;
inline constexpr int32_t DEFAULT_ASYNC_EXEC_POLL_INTERVAL = 100;
inline constexpr uint32_t DEFAULT_SOCKET_TIMEOUT = 30;

/// The longest text the dialogs' short edit boxes take, and the host box.
inline constexpr int32_t SHORT_TEXT_LIMIT = 260;
inline constexpr int32_t HOST_TEXT_LIMIT = 32767;

} // namespace Dravo::VezurAVUZ
