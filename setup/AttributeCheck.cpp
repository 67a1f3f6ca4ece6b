#include "setup/AttributeCheck.h"

#include <vector>

#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "setup/InstallerError.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

void CheckDataSourceAttributes(const AttributeList& attributes, const StoredValueLookup& stored)
{
    std::vector<WideString> given;
    for (const Attribute& attribute : attributes.GetEntries()) {
        // Attributes no setting knows are written as they are.
        const SettingRule* rule = FindSettingRule(attribute.key.GetAsU16String());
        if (!rule) {
            continue;
        }
        given.push_back(attribute.key);
        const CheckedValue checked
            = CheckSettingValue(*rule, attribute.key, attribute.value, SettingCheckMode::Attributes);
        if (checked.refusal) {
            throw InstallerError(InstallerErrorCode::InvalidKeywordValue, checked.refusal->reason);
        }
    }
    // Combinations are judged on the data source as it will be: given values
    // over stored ones.
    const auto resolved = [&](std::u16string_view key) {
        if (const WideString* value = attributes.Find(key)) {
            return *value;
        }
        const WideString* value = stored ? stored(key) : nullptr;
        return value ? *value : WideString(u"");
    };
    if (const auto refusal = CheckSettingCombination(resolved, given, SettingCheckMode::Attributes)) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, refusal->reason);
    }
}

} // namespace Dravo::VezurAVUZ
