#include "settings/SettingsEdit.h"

#include "driversupport/DSKeys.h"
#include "driversupport/DSLogFileSize.h"
#include "resources/StringIds.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingsCatalogue.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

bool Is(std::u16string_view name, std::u16string_view key)
{
    return IsSameSettingName(WideString(name), WideString(key));
}

/// The property set a rule of the Property kind stands for.
SOPropertySet& PropertySetOf(SOConnectionSettings& model, const SettingRule& rule)
{
    if (rule.name == u"SSP_") {
        return model.GetServerSideProperties();
    }
    return model.GetHttpProperties();
}

/// The name of a property, without its prefix.
WideString PropertyName(const SettingRule& rule, std::u16string_view key)
{
    return WideString(key.substr(rule.name.size()));
}

/// Erases every property of the name in any case: storage compares names so.
void EraseProperty(SOPropertySet::PropertyMap& properties, const WideString& name)
{
    for (auto entry = properties.begin(); entry != properties.end();) {
        entry = IsSameSettingName(entry->first, name) ? properties.erase(entry) : std::next(entry);
    }
}

SettingRefusal Refuse(const WideString& setting, uint32_t messageId)
{
    return SettingRefusal{setting, Support::FormatResourceString(messageId, {setting})};
}

} // namespace

SettingsEdit::SettingsEdit(SOConnectionSettings& model, SettingScope scope) : m_model(model), m_scope(scope) {}

WideString SettingsEdit::Get(std::u16string_view name) const
{
    using namespace DriverSupport;
    const WideString key(name);
    const SettingRule* rule = FindSettingRule(name);
    if (rule && rule->kind == SettingKind::Property) {
        const SOPropertySet& set = PropertySetOf(m_model, *rule);
        const WideString propertyName = PropertyName(*rule, name);
        for (const auto& [property, value] : set.GetProperties()) {
            if (IsSameSettingName(property, propertyName)) {
                return value;
            }
        }
        return WideString(u"");
    }
    WideString value;
    if (Is(name, KEY_ENCRYPTED_PWD)) {
        value = m_model.GetPassword();
    } else if (Is(name, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD)) {
        value = m_model.GetClientPrivateKeyPassword();
    } else if (Is(name, KEY_HTTP_PATH)) {
        value = m_model.GetHttpProperties().GetHTTPPath();
    } else if (Is(name, KEY_LCASE_SSP_KEY_NAME)) {
        value = m_model.GetServerSideProperties().GetLCaseSspKeyName();
    } else if (Is(name, KEY_APPLY_SSP_WITH_QUERIES)) {
        value = m_model.GetServerSideProperties().GetApplySSPWithQueries();
    } else if (Is(name, KEY_LOG_LEVEL)) {
        value = m_model.GetConfigurationStore().GetLogLevel();
    } else if (Is(name, KEY_LOG_PATH)) {
        value = m_model.GetConfigurationStore().GetLogPath();
    } else if (Is(name, KEY_LOG_FILE_COUNT)) {
        value = m_model.GetConfigurationStore().GetLogFileCount();
    } else if (Is(name, KEY_LOG_FILE_SIZE)) {
        value = DSLogFileSize::MegabytesToBytes(m_model.GetConfigurationStore().GetLogFileSize());
    } else {
        value = m_model.GetSetting(key).value_or(WideString(u""));
    }
    return value.IsNull() ? WideString(u"") : value;
}

void SettingsEdit::ShowAsDialogs()
{
    m_model.SetServerType(Support::NumberConverter::ConvertUInt32ToWString(ReadServerType(m_model.GetServerType())));
    uint32_t mechanism = ReadAuthMech(m_model.GetAuthMech());
    if (m_scope == SettingScope::DataSource) {
        // A port that is no number shows as the default of the mechanism as
        // stored, before its older forms are read as current ones.
        try {
            (void)Support::NumberConverter::ConvertWStringToUInt16(m_model.GetPort(), true);
        } catch (const Support::ErrorException&) {
            m_model.SetPort(GetDefaultPort(mechanism));
        }
        m_model.SetDelegationUID(m_model.GetDelegationUID().Trim());
    }
    uint32_t transport = ReadThriftTransport(m_model.GetThriftTransport());
    bool ssl = IsSwitchOn(m_model.GetSSL());
    NormaliseMechanism(mechanism, transport, ssl);
    SuppressHDInsightMechanism(mechanism);
    m_model.SetAuthMech(Support::NumberConverter::ConvertUInt32ToWString(mechanism));
    m_model.SetThriftTransport(Support::NumberConverter::ConvertUInt32ToWString(transport));
    m_model.SetSSL(MakeSwitchValue(ssl));
}

std::optional<SettingRefusal> SettingsEdit::Apply(const std::vector<SettingAssignment>& assignments)
{
    std::vector<WideString> given;
    const bool sslBefore = IsSwitchOn(m_model.GetSSL());
    bool trustedCertsGiven = false;
    bool mechanismGiven = false;
    bool transportGiven = false;
    bool sslGiven = false;
    for (const SettingAssignment& assignment : assignments) {
        const SettingRule* rule = FindSettingRule(assignment.name.GetAsU16String());
        if (!rule) {
            return Refuse(assignment.name, Resources::IDS_SETTING_UNKNOWN);
        }
        if (!ScopeHolds(m_scope, *rule)) {
            return Refuse(assignment.name,
                rule->scope == SettingScope::Driver ? Resources::IDS_SETTING_DRIVER_ONLY
                                                    : Resources::IDS_SETTING_DATA_SOURCE_ONLY);
        }
        if (auto refusal = Store(*rule, assignment)) {
            return refusal;
        }
        given.push_back(assignment.name);
        mechanismGiven = mechanismGiven || Is(rule->name, KEY_AUTH_MECH);
        transportGiven = transportGiven || Is(rule->name, KEY_THRIFT_TRANSPORT);
        sslGiven = sslGiven || Is(rule->name, KEY_SSL);
        trustedCertsGiven = trustedCertsGiven || Is(rule->name, KEY_TRUSTED_CERTS);
    }

    // Picking a mechanism in the dialog corrects the transport; the SSL
    // dialog then shows SSL as the mechanism has it.
    const uint32_t mechanism = ReadAuthMech(m_model.GetAuthMech());
    if (mechanismGiven && !transportGiven) {
        uint32_t transport = ReadThriftTransport(m_model.GetThriftTransport());
        FixTransport(mechanism, transport);
        m_model.SetThriftTransport(Support::NumberConverter::ConvertUInt32ToWString(transport));
    }
    if (mechanismGiven && !sslGiven && MechanismFixesSSL(mechanism)) {
        m_model.SetSSL(MakeSwitchValue(mechanism == AUTH_MECH_HDINSIGHT_SERVICE));
    }
    // SSL turned on in the SSL dialog shows the driver's certificates file
    // where none is named, and its OK saves it.
    if (!sslBefore && IsSwitchOn(m_model.GetSSL()) && !trustedCertsGiven
        && m_model.GetTrustedCerts().Trim().IsEmpty()) {
        m_model.SetTrustedCerts(GetDefaultTrustedCertsFile());
    }

    const auto values = [this](std::u16string_view name) { return Get(name); };
    if (auto refusal = CheckSettingCombination(values, given, SettingCheckMode::Dialogs, m_scope)) {
        return refusal;
    }
    // The data-source dialog's OK asks for a host before anything else.
    if (m_scope == SettingScope::DataSource && m_model.GetHost().Trim().IsEmpty()) {
        return SettingRefusal{WideString(KEY_HOST), Support::LoadResourceString(Resources::IDS_HOST_EMPTY)};
    }
    return std::nullopt;
}

std::optional<SettingRefusal> SettingsEdit::Store(const SettingRule& rule, const SettingAssignment& assignment)
{
    const WideString& name = assignment.name;
    if (!assignment.value) {
        Clear(rule, name);
        return std::nullopt;
    }
    if (rule.kind == SettingKind::Password && !assignment.secret) {
        return Refuse(name, Resources::IDS_SETTING_PASSWORD_AS_TEXT);
    }
    const CheckedValue checked = CheckSettingValue(rule, name, *assignment.value, SettingCheckMode::Dialogs);
    if (checked.refusal) {
        return checked.refusal;
    }
    const WideString& value = checked.stored;

    using namespace DriverSupport;
    if (rule.kind == SettingKind::Property) {
        SOPropertySet::PropertyMap& properties = PropertySetOf(m_model, rule).GetProperties();
        const WideString propertyName = PropertyName(rule, name.GetAsU16String());
        EraseProperty(properties, propertyName);
        properties[propertyName] = value;
    } else if (rule.name == KEY_ENCRYPTED_PWD) {
        m_model.SetPassword(value);
        m_model.SetSavePassword(true);
    } else if (rule.name == KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD) {
        m_model.SetClientPrivateKeyPassword(value);
        m_model.SetSaveClientKeyPassword(true);
    } else if (rule.name == KEY_HTTP_PATH) {
        m_model.GetHttpProperties().SetHTTPPath(value);
    } else if (rule.name == KEY_LCASE_SSP_KEY_NAME) {
        m_model.GetServerSideProperties().SetLCaseSspKeyName(value);
    } else if (rule.name == KEY_APPLY_SSP_WITH_QUERIES) {
        m_model.GetServerSideProperties().SetApplySSPWithQueries(value);
    } else if (rule.name == KEY_LOG_LEVEL) {
        m_model.GetConfigurationStore().SetLogLevel(value);
    } else if (rule.name == KEY_LOG_PATH) {
        m_model.GetConfigurationStore().SetLogPath(value);
    } else if (rule.name == KEY_LOG_FILE_COUNT) {
        m_model.GetConfigurationStore().SetLogFileCount(value);
    } else if (rule.name == KEY_LOG_FILE_SIZE) {
        // The store keeps megabytes; the rules let only whole ones through.
        const WideString megabytes = value.IsEmpty()
            ? value
            : Support::NumberConverter::ConvertUInt64ToWString(
                std::stoull(value.GetAsUTF8()) / DSLogFileSize::BYTES_PER_MEGABYTE);
        m_model.GetConfigurationStore().SetLogFileSize(megabytes);
    } else {
        (void)m_model.SetSetting(WideString(rule.name), value);
    }
    return std::nullopt;
}

void SettingsEdit::Clear(const SettingRule& rule, const WideString& name)
{
    using namespace DriverSupport;
    const WideString empty(u"");
    if (rule.kind == SettingKind::Property) {
        EraseProperty(PropertySetOf(m_model, rule).GetProperties(), PropertyName(rule, name.GetAsU16String()));
    } else if (rule.name == KEY_ENCRYPTED_PWD) {
        // Not saved and empty: the save removes it.
        m_model.SetPassword(empty);
        m_model.SetSavePassword(false);
    } else if (rule.name == KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD) {
        m_model.SetClientPrivateKeyPassword(empty);
        m_model.SetSaveClientKeyPassword(false);
    } else if (rule.name == KEY_HTTP_PATH) {
        m_model.GetHttpProperties().SetHTTPPath(empty);
    } else if (rule.name == KEY_LCASE_SSP_KEY_NAME) {
        m_model.GetServerSideProperties().SetLCaseSspKeyName(empty);
    } else if (rule.name == KEY_APPLY_SSP_WITH_QUERIES) {
        m_model.GetServerSideProperties().SetApplySSPWithQueries(empty);
    } else if (rule.name == KEY_LOG_LEVEL) {
        m_model.GetConfigurationStore().SetLogLevel(WideString(rule.defaultValue));
    } else if (rule.name == KEY_LOG_PATH) {
        m_model.GetConfigurationStore().SetLogPath(empty);
    } else if (rule.name == KEY_LOG_FILE_COUNT) {
        m_model.GetConfigurationStore().SetLogFileCount(WideString(rule.defaultValue));
    } else if (rule.name == KEY_LOG_FILE_SIZE) {
        m_model.GetConfigurationStore().SetLogFileSize(DSLogFileSize::BytesToMegabytes(WideString(rule.defaultValue)));
    } else if (rule.kind == SettingKind::Switch && IsSwitchOn(GetSettingDefault(rule))) {
        // An empty switch reads as off: one that is on by default must say so.
        (void)m_model.SetSetting(WideString(rule.name), GetSettingDefault(rule));
    } else {
        // Empty reads as the default, and the save fills in those it fills.
        (void)m_model.SetSetting(WideString(rule.name), empty);
    }
}

std::vector<WideString> SettingsEdit::ListHeldNames() const
{
    std::vector<WideString> names;
    for (const SettingRule& rule : GetSettingRules()) {
        if (!ScopeHolds(m_scope, rule) || rule.condition == SettingCondition::NoDialog) {
            continue;
        }
        if (rule.kind == SettingKind::Property) {
            const SOPropertySet& set = PropertySetOf(m_model, rule);
            for (const auto& [property, value] : set.GetProperties()) {
                names.push_back(WideString(rule.name) + property);
            }
        } else {
            names.push_back(WideString(rule.name));
        }
    }
    return names;
}

} // namespace Dravo::VezurAVUZ
