#include "setup/SetupProperties.h"

#include <algorithm>
#include <array>
#include <string>

#include "settings/ProductSwitches.h"
#include "settings/RecordedDataSourceSettings.h"
#include "settings/SettingsCatalogue.h"
#include "support/NumberConverter.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

enum class Kind { Text, FileName, Switch, ServerType, Mechanism, Transport, DiscoveryMode };

struct Definition {
    std::u16string_view key;
    Kind kind;
    std::u16string_view label;
};

/// In the order of the data-source dialog and its sub-dialogs. The
/// description is not among them: unixODBC lists its own.
constexpr std::array<Definition, 37> DEFINITIONS = {{
    {KEY_SPARK_SERVER_TYPE, Kind::ServerType, LABEL_SPARK_SERVER_TYPE},
    {KEY_HOST, Kind::Text, u"Host(s)"},
    {KEY_PORT, Kind::Text, u"Port"},
    {KEY_SCHEMA, Kind::Text, u"Database"},
    {KEY_SERVICE_DISCOVERY_MODE, Kind::DiscoveryMode, u"Service Discovery Mode"},
    {KEY_ZK_NAMESPACE, Kind::Text, u"ZooKeeper Namespace"},
    {KEY_AUTH_MECH, Kind::Mechanism, LABEL_AUTH_MECH},
    {KEY_KRB_REALM, Kind::Text, LABEL_KRB_REALM},
    {KEY_KRB_HOST_FQDN, Kind::Text, LABEL_KRB_HOST_FQDN},
    {KEY_KRB_SERVICE_NAME, Kind::Text, LABEL_KRB_SERVICE_NAME},
    {KEY_UID, Kind::Text, LABEL_UID},
    {KEY_DELEGATION_UID, Kind::Text, LABEL_DELEGATION_UID},
    {KEY_THRIFT_TRANSPORT, Kind::Transport, LABEL_THRIFT_TRANSPORT},
    {KEY_HTTP_PATH, Kind::Text, LABEL_HTTP_PATH},
    {KEY_SSL, Kind::Switch, LABEL_SSL},
    {KEY_ALLOW_SELF_SIGNED_SERVER_CERT, Kind::Switch, LABEL_ALLOW_SELF_SIGNED_SERVER_CERT},
    {KEY_CA_ISSUED_CERT_NAMES_MISMATCH, Kind::Switch, LABEL_CA_ISSUED_CERT_NAMES_MISMATCH},
    {KEY_TRUSTED_CERTS, Kind::FileName, LABEL_TRUSTED_CERTS},
    {KEY_TWO_WAY_SSL, Kind::Switch, LABEL_TWO_WAY_SSL},
    {KEY_CLIENT_CERT, Kind::FileName, LABEL_CLIENT_CERT},
    {KEY_CLIENT_PRIVATE_KEY, Kind::FileName, LABEL_CLIENT_PRIVATE_KEY},
    {KEY_USE_NATIVE_QUERY, Kind::Switch, LABEL_USE_NATIVE_QUERY},
    {KEY_FAST_SQL_PREPARE, Kind::Switch, LABEL_FAST_SQL_PREPARE},
    {KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, Kind::Switch, LABEL_DRIVER_CONFIG_TAKE_PRECEDENCE},
    {KEY_USE_UNICODE_SQL_CHARACTER_TYPES, Kind::Switch, LABEL_USE_UNICODE_SQL_CHARACTER_TYPES},
    {KEY_SHOW_SYSTEM_TABLE, Kind::Switch, LABEL_SHOW_SYSTEM_TABLE},
    {KEY_ENABLE_ASYNC_EXEC, Kind::Switch, LABEL_ENABLE_ASYNC_EXEC},
    {KEY_GET_TABLES_WITH_QUERY, Kind::Switch, LABEL_GET_TABLES_WITH_QUERY},
    {KEY_USE_ONLY_SSPI, Kind::Switch, LABEL_USE_ONLY_SSPI},
    {KEY_INVALID_SESSION_AUTO_RECOVER, Kind::Switch, LABEL_INVALID_SESSION_AUTO_RECOVER},
    {KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY, Kind::Switch, u"Fix Unquoted Default Schema Name In Query"},
    {KEY_ROWS_FETCHED_PER_BLOCK, Kind::Text, LABEL_ROWS_FETCHED_PER_BLOCK},
    {KEY_DEFAULT_STRING_COLUMN_LENGTH, Kind::Text, LABEL_DEFAULT_STRING_COLUMN_LENGTH},
    {KEY_BINARY_COLUMN_LENGTH, Kind::Text, LABEL_BINARY_COLUMN_LENGTH},
    {KEY_DECIMAL_COLUMN_SCALE, Kind::Text, LABEL_DECIMAL_COLUMN_SCALE},
    {KEY_ASYNC_EXEC_POLL_INTERVAL, Kind::Text, LABEL_ASYNC_EXEC_POLL_INTERVAL},
    {KEY_SOCKET_TIMEOUT, Kind::Text, LABEL_SOCKET_TIMEOUT},
}};

/// The server-side properties' switches, kept beside the others.
constexpr std::array<Definition, 2> PROPERTY_SET_SWITCHES = {{
    {KEY_APPLY_SSP_WITH_QUERIES, Kind::Switch, LABEL_APPLY_SSP_WITH_QUERIES},
    {KEY_LCASE_SSP_KEY_NAME, Kind::Switch, LABEL_LCASE_SSP_KEY_NAME},
}};

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

std::string Number(uint32_t value)
{
    return Support::NumberConverter::ConvertUInt32ToWString(value).GetAsUTF8();
}

/// The numbers of a value table as choices, and "1 = label, ..." for the help.
template <size_t Size>
void AddTable(OS::InstallerProperty& property, const std::array<std::u16string_view, Size>& labels, uint32_t first,
    bool (*offered)(uint32_t) = nullptr)
{
    property.prompt = OS::InstallerPrompt::List;
    property.help += ":";
    for (uint32_t index = 0; index < Size; ++index) {
        if (offered && !offered(first + index)) {
            continue;
        }
        property.choices.push_back(Number(first + index));
        property.help += (property.choices.size() == 1 ? " " : ", ") + property.choices.back() + " = " + Utf8(labels[index]);
    }
}

OS::InstallerProperty MakeProperty(
    const Definition& definition, RecordedDataSourceSettings& settings, const DataSourceChanges& defaults)
{
    OS::InstallerProperty property;
    property.name = Utf8(definition.key);
    property.help = HelpLabel(definition.label);
    // What the save writes, else what the model starts with.
    const WideString key(definition.key);
    property.value = settings.GetSetting(key).value_or(WideString(u"")).GetAsUTF8();
    for (const SectionChange& change : defaults.Get()) {
        if (change.value && change.key.IsEqual(key, false)) {
            property.value = change.value->GetAsUTF8();
        }
    }
    switch (definition.kind) {
    case Kind::Text:
        break;
    case Kind::FileName:
        property.prompt = OS::InstallerPrompt::FileName;
        break;
    case Kind::Switch:
        property.prompt = OS::InstallerPrompt::List;
        property.choices = {"0", "1"};
        property.help += ": 1 = on, 0 = off";
        break;
    case Kind::ServerType:
        AddTable(property, SERVER_TYPE_LABELS, SERVER_TYPE_SHARK);
        break;
    case Kind::Mechanism:
        // What a silent add accepts, no less.
        AddTable(property, AUTH_MECH_LABELS, AUTH_MECH_NONE, &IsMechanismAccepted);
        break;
    case Kind::Transport:
        AddTable(property, THRIFT_TRANSPORT_LABELS, TRANSPORT_BINARY);
        break;
    case Kind::DiscoveryMode:
        AddTable(property, SERVICE_DISCOVERY_MODE_LABELS, SERVICE_DISCOVERY_NONE);
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

} // namespace

std::vector<OS::InstallerProperty> GetSetupProperties()
{
    // What a data source made now holds: its save from the defaults.
    RecordedDataSourceSettings settings(nullptr);
    settings.LoadDefaults(false);
    const DataSourceChanges defaults = settings.RecordSave();

    std::vector<OS::InstallerProperty> properties;
    const bool discovery = !IsServiceDiscoverySuppressed();
    for (const Definition& definition : DEFINITIONS) {
        if (!discovery && (definition.key == KEY_SERVICE_DISCOVERY_MODE || definition.key == KEY_ZK_NAMESPACE)) {
            continue;
        }
        properties.push_back(MakeProperty(definition, settings, defaults));
    }
    for (const Definition& definition : PROPERTY_SET_SWITCHES) {
        properties.push_back(MakeProperty(definition, settings, defaults));
    }
    return properties;
}

} // namespace Dravo::VezurAVUZ
