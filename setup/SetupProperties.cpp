#include "setup/SetupProperties.h"

#include <algorithm>
#include <string>

#include "settings/ProductSwitches.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/NumberConverter.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

std::string Utf8(std::u16string_view text)
{
    return WideString(text).GetAsUTF8();
}

/// A label without the colon and blanks a dialog puts after it.
std::string HelpLabel(std::u16string_view label)
{
    while (!label.empty() && (label.back() == u':' || label.back() == u' ')) {
        label.remove_suffix(1);
    }
    return Utf8(label);
}

OS::InstallerProperty MakeProperty(
    const SettingRule& rule, RecordedDataSourceSettings& settings, const DataSourceChanges& defaults)
{
    OS::InstallerProperty property;
    property.name = Utf8(rule.name);
    property.help = HelpLabel(rule.caption);
    // What the save writes, else what the model starts with.
    const WideString key(rule.name);
    property.value = settings.GetSetting(key).value_or(WideString(u"")).GetAsUTF8();
    for (const SectionChange& change : defaults.Get()) {
        if (change.value && change.key.IsEqual(key, false)) {
            property.value = change.value->GetAsUTF8();
        }
    }
    switch (rule.kind) {
    case SettingKind::File:
        property.prompt = OS::InstallerPrompt::FileName;
        break;
    case SettingKind::Switch:
        property.prompt = OS::InstallerPrompt::List;
        property.choices = {"0", "1"};
        property.help += ": 1 = on, 0 = off";
        break;
    case SettingKind::Choice:
        property.prompt = OS::InstallerPrompt::List;
        property.help += ":";
        // What a silent add accepts, no less.
        for (const SettingChoice& choice : rule.choices) {
            if (IsChoiceAccepted(rule, choice, SettingCheckMode::Attributes)) {
                property.choices.push_back(Utf8(choice.value));
                property.help +=
                    (property.choices.size() == 1 ? " " : ", ") + property.choices.back() + " = " + Utf8(choice.label);
            }
        }
        break;
    default:
        break;
    }
    // A list's value must be one of its choices for an editor to show it: a
    // setting a new data source leaves out is offered as an empty choice,
    // which leaves it out again.
    if (property.prompt == OS::InstallerPrompt::List
        && std::find(property.choices.begin(), property.choices.end(), property.value) == property.choices.end()) {
        property.value.clear();
        property.choices.insert(property.choices.begin(), std::string());
        property.help += " (empty: not set)";
    }
    return property;
}

/// The settings a data source's attributes set: neither the passwords, which
/// are given in plain text as PWD, nor the property sets nor the driver's own;
/// nor the description, which unixODBC lists itself.
bool IsListed(const SettingRule& rule)
{
    if (rule.scope == SettingScope::Driver || rule.kind == SettingKind::Password || rule.kind == SettingKind::Property
        || rule.name == KEY_DESCRIPTION) {
        return false;
    }
    return !IsServiceDiscoverySuppressed()
        || (rule.name != KEY_SERVICE_DISCOVERY_MODE && rule.name != KEY_ZK_NAMESPACE);
}

} // namespace

std::vector<OS::InstallerProperty> GetSetupProperties()
{
    // What a data source made now holds: its save from the defaults.
    RecordedDataSourceSettings settings(nullptr);
    settings.LoadDefaults(false);
    const DataSourceChanges defaults = settings.RecordSave();

    std::vector<OS::InstallerProperty> properties;
    for (const SettingRule& rule : GetSettingRules()) {
        if (IsListed(rule)) {
            properties.push_back(MakeProperty(rule, settings, defaults));
        }
    }
    return properties;
}

} // namespace Dravo::VezurAVUZ
