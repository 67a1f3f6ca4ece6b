// Stored values that the dialogs cannot show as stored: a mechanism in an
// older form or none at all, a switch that is neither 0 nor 1, a number out of
// its box's range, a password that cannot be deciphered. The dialogs read each
// as the setting rules say and a save writes what they show; this says, for
// each, what is shown instead and why, so that nothing changes without a word.
#pragma once

#include <utility>
#include <vector>

#include "settings/SettingRules.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

struct StoredValueFinding {
    /// The name as stored.
    Support::WideString name;
    Support::WideString stored;
    /// What the dialogs show, as a stored value would hold it; empty when
    /// they show nothing or would refuse the value when saving.
    Support::WideString shown;
    /// Why, in a few words a person reads after the name and value.
    Support::WideString reason;
};

/// The findings for the values of one configuration (driver-wide or one data
/// source's), in the order the values are given.
[[nodiscard]] std::vector<StoredValueFinding> ReviewStoredValues(
    const std::vector<std::pair<Support::WideString, Support::WideString>>& stored, SettingScope scope);

} // namespace Dravo::VezurAVUZ
