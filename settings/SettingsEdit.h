// Settings changed without a dialog, on the same settings model the dialogs
// edit: the model is first read as the main dialog shows it, then each value
// asked for is checked by the setting rules and stored where the dialog's OK
// would store it, and the settings are judged together as the dialogs judge
// them. A save of the model then writes what the dialogs would have written.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

class SOConnectionSettings;

/// One setting to hold a value, or with no value to go back to its default.
struct SettingAssignment {
    /// As given: names compare without regard to case.
    Support::WideString name;
    std::optional<Support::WideString> value;
    /// True when the value came from a password source rather than as text.
    bool secret = false;
};

class SettingsEdit {
public:
    /// The model must be loaded and outlive the edit.
    SettingsEdit(SOConnectionSettings& model, SettingScope scope);

    /// The value the model holds for a stored name as its save would write it
    /// (passwords in plain text, the log file size in bytes); empty for none.
    [[nodiscard]] Support::WideString Get(std::u16string_view name) const;

    /// The main dialog's reading of the loaded values: the server type as a
    /// number, the mechanism, transport and SSL as the dialog shows them
    /// (older mechanisms in their current form, a transport the mechanism does
    /// not allow replaced by its default, SSL as the mechanism has it).
    void ShowAsDialogs();

    /// Checks each assignment and stores it, then judges the settings
    /// together; the refusal of the first fault. Picking a mechanism brings
    /// the transport and SSL along as the dialog does, unless they are given.
    /// After a refusal the model is left half changed and must not be saved.
    [[nodiscard]] std::optional<SettingRefusal> Apply(const std::vector<SettingAssignment>& assignments);

    /// The canonical names of the settings the model holds that a request
    /// may name, property keys included.
    [[nodiscard]] std::vector<Support::WideString> ListHeldNames() const;

private:
    [[nodiscard]] std::optional<SettingRefusal> Store(const SettingRule& rule, const SettingAssignment& assignment);
    void Clear(const SettingRule& rule, const Support::WideString& name);

    SOConnectionSettings& m_model;
    SettingScope m_scope;
};

} // namespace Dravo::VezurAVUZ
