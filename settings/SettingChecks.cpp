#include "settings/SettingChecks.h"

#include <string>

#include "driversupport/DSKeys.h"
#include "platform/IniFile.h"
#include "platform/Utf8.h"
#include "resources/StringIds.h"
#include "settings/NumberReading.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingsCatalogue.h"
#include "support/HexConversion.h"
#include "support/LogLevel.h"
#include "support/NumberConverter.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {
namespace {

/// The older stored form is the password's own bytes in hexadecimal: only
/// text a person can type (UTF-8 without control characters) was ever stored
/// so; "AAAA" or "0123456789abcdef" never was. The current form passes.
bool IsTypedPasswordInOlderForm(const Support::WideString& stored)
{
    if (stored.IsEmpty() || stored.StartsWith(Support::WideString(u"_"))) {
        return true;
    }
    try {
        const std::string bytes = Support::HexToBinary(stored.GetAsUTF8());
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                return false;
            }
        }
        return Dravo::OS::IsWellFormedUtf8(bytes);
    } catch (...) {
        return false;
    }
}

using namespace Resources;
using Support::WideString;

SettingRefusal Refuse(const WideString& setting, uint32_t messageId, std::initializer_list<WideString> arguments)
{
    return SettingRefusal{setting, Support::FormatResourceString(messageId, arguments)};
}

WideString Number(uint64_t value)
{
    return Support::NumberConverter::ConvertUInt64ToWString(value);
}

/// "3 (SparkThriftServer)" for a choice, the number alone without a label.
WideString DescribeChoice(const SettingRule& rule, std::u16string_view value)
{
    const std::u16string_view label = FindChoiceLabel(rule, value);
    return label.empty() ? WideString(value) : WideString(value) + u" (" + WideString(label) + u")";
}

} // namespace

bool IsChoiceAccepted(const SettingRule& rule, const SettingChoice& choice, SettingCheckMode mode)
{
    if (rule.name == KEY_AUTH_MECH) {
        const uint32_t mechanism = Support::NumberConverter::ConvertWStringToUInt32(WideString(choice.value));
        return mode == SettingCheckMode::Attributes ? IsMechanismAccepted(mechanism) : IsOfferedMechanism(mechanism);
    }
    return mode == SettingCheckMode::Attributes || choice.offered;
}

namespace {

/// "0 (Binary), 1 (SASL) or 2 (HTTP)": the choices a value may be.
WideString DescribeAcceptedChoices(const SettingRule& rule, SettingCheckMode mode)
{
    std::vector<WideString> accepted;
    for (const SettingChoice& choice : rule.choices) {
        if (IsChoiceAccepted(rule, choice, mode)) {
            accepted.push_back(DescribeChoice(rule, choice.value));
        }
    }
    WideString text(u"");
    for (size_t index = 0; index < accepted.size(); ++index) {
        text += WideString(index == 0 ? u"" : index + 1 == accepted.size() ? u" or " : u", ") + accepted[index];
    }
    return text;
}

CheckedValue Accept(const WideString& stored)
{
    return CheckedValue{stored, std::nullopt};
}

CheckedValue Reject(SettingRefusal refusal)
{
    return CheckedValue{WideString(u""), std::move(refusal)};
}

/// A label without what it adds in brackets: "SparkThriftServer" of
/// "SparkThriftServer (Spark 1.1 and later)".
std::u16string_view ShortLabel(std::u16string_view label)
{
    const size_t bracket = label.find(u" (");
    return bracket == std::u16string_view::npos ? label : label.substr(0, bracket);
}

CheckedValue CheckChoice(
    const SettingRule& rule, const WideString& name, const WideString& value, SettingCheckMode mode)
{
    const std::u16string units = value.GetAsU16String();
    const std::u16string_view text = units;
    for (const SettingChoice& choice : rule.choices) {
        const bool byValue = value == WideString(choice.value);
        // Labels name a value for a person; the attributes are written as given.
        const bool byLabel = mode == SettingCheckMode::Dialogs && IsSameSettingName(text, choice.label);
        if ((byValue || byLabel) && IsChoiceAccepted(rule, choice, mode)) {
            return Accept(WideString(choice.value));
        }
    }
    // A short label, where it names one value the setting takes.
    if (mode == SettingCheckMode::Dialogs) {
        const SettingChoice* named = nullptr;
        size_t count = 0;
        for (const SettingChoice& choice : rule.choices) {
            if (IsChoiceAccepted(rule, choice, mode) && IsSameSettingName(text, ShortLabel(choice.label))) {
                named = &choice;
                ++count;
            }
        }
        if (count == 1) {
            return Accept(WideString(named->value));
        }
    }
    return Reject(Refuse(name, IDS_SETUP_VALUE_NOT_ONE_OF, {name, value, DescribeAcceptedChoices(rule, mode)}));
}

CheckedValue CheckNumber(
    const SettingRule& rule, const WideString& name, const WideString& value, SettingCheckMode mode)
{
    const std::optional<uint64_t> number = ReadDecimalDigits(value.GetAsU16String());
    // The attributes may hold what a data source's own entries hold: a
    // number the model keeps as stored, such as a 0 the dialog would not save.
    const uint64_t minimum = mode == SettingCheckMode::Attributes ? 0 : rule.minimum;
    if (rule.step > 1) {
        if (!number || *number > rule.maximum || *number % rule.step != 0) {
            return Reject(Refuse(name, IDS_SETTING_NOT_MEGABYTES, {name, value, Number(rule.maximum)}));
        }
    } else if (!number || *number < minimum || *number > rule.maximum) {
        return Reject(Refuse(name, IDS_SETUP_VALUE_NOT_NUMBER, {name, value, Number(minimum), Number(rule.maximum)}));
    }
    return Accept(Number(*number));
}

CheckedValue CheckText(const SettingRule& rule, const WideString& name, const WideString& value)
{
    if (rule.maxLength > 0 && value.GetLength() > rule.maxLength) {
        return Reject(Refuse(name, IDS_SETTING_TOO_LONG, {name, Number(static_cast<uint64_t>(rule.maxLength))}));
    }
    if (const auto why = OS::WhyIniCannotHoldValue(value.GetAsU16String())) {
        return Reject(Refuse(name, IDS_SETTING_TEXT_REFUSED, {name, WideString(*why)}));
    }
    return Accept(value);
}

CheckedValue CheckProperty(const SettingRule& rule, const WideString& name, const WideString& value)
{
    const std::u16string key = name.GetAsU16String();
    if (const auto why = WhyNotAPropertyName(rule.name, std::u16string_view(key).substr(rule.name.size()))) {
        return Reject(Refuse(name, IDS_SETTING_PROPERTY_NAME, {name, WideString(*why)}));
    }
    return CheckText(rule, name, value);
}

/// "Kerberos (1)" for a mechanism.
WideString DescribeMechanism(uint32_t mechanism)
{
    const WideString number = Number(mechanism);
    return mechanism < AUTH_MECH_LABELS.size() ? WideString(AUTH_MECH_LABELS[mechanism]) + u" (" + number + u")"
                                               : number;
}

WideString DescribeMechanisms(std::initializer_list<uint32_t> mechanisms)
{
    std::vector<uint32_t> shown;
    for (const uint32_t mechanism : mechanisms) {
        if (IsOfferedMechanism(mechanism)) {
            shown.push_back(mechanism);
        }
    }
    WideString text(u"");
    for (size_t index = 0; index < shown.size(); ++index) {
        text += WideString(index == 0               ? u""
                        : index + 1 == shown.size() ? u" or "
                                                    : u", ")
            + DescribeMechanism(shown[index]);
    }
    return text;
}

/// The settings that decide what else is used, read as the dialogs read them.
struct Deciders {
    explicit Deciders(const SettingValueLookup& values)
        : serverType(ReadServerType(values(KEY_SPARK_SERVER_TYPE))), mechanism(ReadAuthMech(values(KEY_AUTH_MECH))),
          transport(ReadThriftTransport(values(KEY_THRIFT_TRANSPORT))), ssl(IsSwitchOn(values(KEY_SSL))),
          twoWay(IsSwitchOn(values(KEY_TWO_WAY_SSL)))
    {
    }
    [[nodiscard]] bool FullFeatured() const { return IsFullFeaturedServerType(serverType); }

    uint32_t serverType;
    uint32_t mechanism;
    uint32_t transport;
    bool ssl;
    bool twoWay;
};

/// Why the dialogs do not let the setting be edited, or nothing when they do.
std::optional<SettingRefusal> WhyNotEditable(const SettingRule& rule, const WideString& name, const Deciders& state)
{
    if (rule.condition == SettingCondition::Always) {
        return std::nullopt;
    }
    if (rule.condition == SettingCondition::NoDialog) {
        return Refuse(name, IDS_SETTING_NO_DIALOG, {name});
    }
    if (!state.FullFeatured()) {
        return Refuse(name, IDS_SETTING_UNUSED_SERVER_TYPE,
            {name, DescribeChoice(*FindSettingRule(KEY_SPARK_SERVER_TYPE), Number(state.serverType).GetAsU16String())});
    }
    switch (rule.condition) {
    case SettingCondition::Kerberos:
        if (state.mechanism != AUTH_MECH_KERBEROS) {
            return Refuse(name, IDS_SETTING_UNUSED_MECHANISM,
                {name, DescribeMechanism(AUTH_MECH_KERBEROS), DescribeMechanism(state.mechanism)});
        }
        break;
    case SettingCondition::UserName:
        if (!MechanismTakesUserName(state.mechanism)) {
            return Refuse(name, IDS_SETTING_UNUSED_MECHANISM,
                {name,
                    DescribeMechanisms({AUTH_MECH_USER_NAME, AUTH_MECH_USER_NAME_PASSWORD, AUTH_MECH_HDINSIGHT_EMULATOR,
                        AUTH_MECH_HDINSIGHT_SERVICE}),
                    DescribeMechanism(state.mechanism)});
        }
        break;
    case SettingCondition::Password:
        if (!MechanismTakesPassword(state.mechanism)) {
            return Refuse(name, IDS_SETTING_UNUSED_MECHANISM,
                {name,
                    DescribeMechanisms(
                        {AUTH_MECH_USER_NAME_PASSWORD, AUTH_MECH_HDINSIGHT_EMULATOR, AUTH_MECH_HDINSIGHT_SERVICE}),
                    DescribeMechanism(state.mechanism)});
        }
        break;
    case SettingCondition::SSLOn:
    case SettingCondition::SSLAllowances:
        if (!state.ssl) {
            return Refuse(name, IDS_SETTING_UNUSED_SSL_OFF, {name});
        }
        break;
    case SettingCondition::TwoWaySSL:
        if (!state.ssl || !state.twoWay) {
            return Refuse(name, IDS_SETTING_UNUSED_TWO_WAY_OFF, {name});
        }
        break;
    case SettingCondition::HttpTransport:
        if (state.transport != TRANSPORT_HTTP) {
            return Refuse(name, IDS_SETTING_UNUSED_TRANSPORT,
                {name,
                    DescribeChoice(*FindSettingRule(KEY_THRIFT_TRANSPORT), Number(state.transport).GetAsU16String())});
        }
        break;
    default:
        break;
    }
    return std::nullopt;
}

bool IsGiven(const std::vector<WideString>& given, std::initializer_list<std::u16string_view> names)
{
    for (const WideString& name : given) {
        for (const std::u16string_view candidate : names) {
            if (IsSameSettingName(name, WideString(candidate))) {
                return true;
            }
        }
    }
    return false;
}

std::optional<SettingRefusal> CheckTransport(const SettingValueLookup& values, const Deciders& state)
{
    if (IsTransportAllowed(state.mechanism, state.transport)) {
        return std::nullopt;
    }
    std::vector<std::u16string_view> allowed;
    for (uint32_t candidate = TRANSPORT_BINARY; candidate <= TRANSPORT_HTTP; ++candidate) {
        if (IsTransportAllowed(state.mechanism, candidate)) {
            allowed.push_back(THRIFT_TRANSPORT_LABELS[candidate]);
        }
    }
    WideString list(u"");
    for (size_t index = 0; index < allowed.size(); ++index) {
        list += WideString(index == 0                 ? u""
                        : index + 1 == allowed.size() ? u" and "
                                                      : u", ")
            + WideString(allowed[index]);
    }
    const std::u16string_view mechanismLabel =
        state.mechanism < AUTH_MECH_LABELS.size() ? AUTH_MECH_LABELS[state.mechanism] : std::u16string_view(u"?");
    (void)values;
    return Refuse(WideString(KEY_THRIFT_TRANSPORT), IDS_SETUP_TRANSPORT_NOT_ALLOWED,
        {WideString(THRIFT_TRANSPORT_LABELS[state.transport]), WideString(mechanismLabel), list});
}

} // namespace

CheckedValue CheckSettingValue(
    const SettingRule& rule, const WideString& name, const WideString& value, SettingCheckMode mode)
{
    const bool dialogs = mode == SettingCheckMode::Dialogs;
    if (dialogs && rule.condition == SettingCondition::NoDialog) {
        return Reject(Refuse(name, IDS_SETTING_NO_DIALOG, {name}));
    }
    if (rule.name == KEY_HOST && value.Trim().IsEmpty()) {
        return Reject(SettingRefusal{name, Support::LoadResourceString(IDS_HOST_EMPTY)});
    }
    switch (rule.kind) {
    case SettingKind::Property:
        return dialogs ? CheckProperty(rule, name, value) : Accept(value);
    case SettingKind::Password:
        if (!dialogs) {
            // An attribute holds the stored form: it must be one this driver
            // can decipher.
            WideString secret = value;
            if (!SOConnectionSettings::DecryptSetting(secret) || !IsTypedPasswordInOlderForm(value)) {
                return Reject(Refuse(name, IDS_SETUP_PASSWORD_NOT_ENCIPHERED, {name}));
            }
            return Accept(value);
        }
        if (rule.maxLength > 0 && value.GetLength() > rule.maxLength) {
            return Reject(Refuse(name, IDS_SETTING_TOO_LONG, {name, Number(static_cast<uint64_t>(rule.maxLength))}));
        }
        return Accept(value);
    case SettingKind::Text:
    case SettingKind::File:
        return dialogs ? CheckText(rule, name, value) : Accept(value);
    case SettingKind::Switch:
    case SettingKind::Number:
    case SettingKind::Choice:
        break;
    }
    if (value.IsEmpty()) {
        if (!dialogs || rule.emptyAllowed) {
            return Accept(value);
        }
        return Reject(Refuse(name, IDS_SETTING_EMPTY, {name}));
    }
    if (rule.kind == SettingKind::Switch) {
        if (value == WideString(SWITCH_ON) || value == WideString(SWITCH_OFF)) {
            return Accept(value);
        }
        // A person, or a playbook, says yes or true; the attributes are
        // written as given, and the driver reads only 1 as on.
        if (dialogs) {
            for (const std::u16string_view word : {u"true", u"yes"}) {
                if (IsSameSettingName(std::u16string_view(value.GetAsU16String()), word)) {
                    return Accept(WideString(SWITCH_ON));
                }
            }
            for (const std::u16string_view word : {u"false", u"no"}) {
                if (IsSameSettingName(std::u16string_view(value.GetAsU16String()), word)) {
                    return Accept(WideString(SWITCH_OFF));
                }
            }
        }
        return Reject(Refuse(name, IDS_SETUP_VALUE_NOT_ONE_OF,
            {name, value, WideString(dialogs ? u"0 or 1 (or true, false, yes, no)" : u"0 or 1")}));
    }
    if (rule.kind == SettingKind::Choice) {
        return CheckChoice(rule, name, value, mode);
    }
    CheckedValue checked = CheckNumber(rule, name, value, mode);
    // Attributes are written as given.
    if (!dialogs && !checked.refusal) {
        checked.stored = value;
    }
    return checked;
}

std::optional<std::string> WhyNotAPropertyName(std::u16string_view prefix, std::u16string_view name)
{
    const WideString trimmed = WideString(name).Trim();
    if (trimmed.IsEmpty()) {
        return "the name is empty";
    }
    if (name.find(u'=') != std::u16string_view::npos) {
        return "it holds \"=\", where a line of the configuration is split";
    }
    if (trimmed.GetLength() != static_cast<int32_t>(name.size())) {
        return "it begins or ends with a blank, which the property dialog drops";
    }
    return OS::WhyIniCannotHoldName(std::u16string(prefix) + std::u16string(name));
}

bool IsSettingEditable(const SettingRule& rule, const SettingValueLookup& values)
{
    return !WhyNotEditable(rule, WideString(rule.name), Deciders(values));
}

std::optional<SettingRefusal> CheckSettingCombination(
    const SettingValueLookup& values, const std::vector<WideString>& given, SettingCheckMode mode, SettingScope scope)
{
    const bool dialogs = mode == SettingCheckMode::Dialogs;
    const Deciders state(values);
    if (dialogs) {
        for (const WideString& name : given) {
            const SettingRule* rule = FindSettingRule(name.GetAsU16String());
            if (!rule) {
                continue;
            }
            // Clearing a setting the dialogs do not show is no edit of it.
            if (values(name.GetAsU16String()).IsEmpty()) {
                continue;
            }
            if (auto refusal = WhyNotEditable(*rule, name, state)) {
                return refusal;
            }
        }
    }

    if (state.FullFeatured()) {
        if (IsGiven(given, {KEY_SPARK_SERVER_TYPE, KEY_AUTH_MECH, KEY_THRIFT_TRANSPORT})) {
            if (auto refusal = CheckTransport(values, state)) {
                return refusal;
            }
        }
        // The main dialog keeps OK disabled until both names are there, so
        // nothing at all is saved from a configuration without them.
        if (state.mechanism == AUTH_MECH_KERBEROS
            && (dialogs
                || IsGiven(given, {KEY_SPARK_SERVER_TYPE, KEY_AUTH_MECH, KEY_KRB_HOST_FQDN, KEY_KRB_SERVICE_NAME}))
            && (values(KEY_KRB_HOST_FQDN).IsEmpty() || values(KEY_KRB_SERVICE_NAME).IsEmpty())) {
            return Refuse(WideString(KEY_AUTH_MECH), IDS_SETUP_KERBEROS_INCOMPLETE, {});
        }
        if (ReadServiceDiscoveryMode(values(KEY_SERVICE_DISCOVERY_MODE)) == SERVICE_DISCOVERY_ZOOKEEPER
            && IsGiven(given, {KEY_SERVICE_DISCOVERY_MODE, KEY_ZK_NAMESPACE}) && values(KEY_ZK_NAMESPACE).IsEmpty()) {
            return Refuse(WideString(KEY_SERVICE_DISCOVERY_MODE), IDS_SETUP_ZOOKEEPER_INCOMPLETE, {});
        }
        if (dialogs && MechanismFixesSSL(state.mechanism) && IsGiven(given, {KEY_SSL})
            && state.ssl != (state.mechanism == AUTH_MECH_HDINSIGHT_SERVICE)) {
            return Refuse(WideString(KEY_SSL), IDS_SETTING_SSL_FIXED,
                {DescribeMechanism(state.mechanism), WideString(state.ssl ? u"off" : u"on")});
        }
        if (dialogs && state.mechanism == AUTH_MECH_HDINSIGHT_SERVICE) {
            for (const std::u16string_view allowance :
                {KEY_CA_ISSUED_CERT_NAMES_MISMATCH, KEY_ALLOW_SELF_SIGNED_SERVER_CERT}) {
                if (IsGiven(given, {allowance}) && IsSwitchOn(values(allowance))) {
                    return Refuse(WideString(allowance), IDS_SETTING_UNUSED_ALLOWANCE,
                        {WideString(allowance), DescribeMechanism(state.mechanism)});
                }
            }
        }
        // The SSL dialog keeps OK disabled until both files are named: a
        // save never writes two-way SSL back without them.
        if (state.ssl && state.twoWay
            && (dialogs || IsGiven(given, {KEY_SSL, KEY_TWO_WAY_SSL, KEY_CLIENT_CERT, KEY_CLIENT_PRIVATE_KEY}))
            && (values(KEY_CLIENT_CERT).IsEmpty() || values(KEY_CLIENT_PRIVATE_KEY).IsEmpty())) {
            return Refuse(WideString(KEY_TWO_WAY_SSL), IDS_SETTING_TWO_WAY_INCOMPLETE, {});
        }
    }

    using namespace DriverSupport;
    // The logging dialog refuses OK without them; a data source's save
    // writes the driver's logging options only when they are given.
    const bool wholeLogging = dialogs && scope == SettingScope::Driver;
    if ((wholeLogging || IsGiven(given, {KEY_LOG_LEVEL, KEY_LOG_PATH, KEY_LOG_FILE_COUNT, KEY_LOG_FILE_SIZE}))
        && Support::ParseLogLevel(values(KEY_LOG_LEVEL).GetAsUTF8()) != static_cast<int32_t>(Support::LogLevel::Off)
        && (values(KEY_LOG_PATH).Trim().IsEmpty() || values(KEY_LOG_FILE_COUNT).Trim().IsEmpty()
            || values(KEY_LOG_FILE_SIZE).Trim().IsEmpty())) {
        return Refuse(WideString(KEY_LOG_LEVEL), IDS_SETTING_LOGGING_INCOMPLETE, {});
    }
    return std::nullopt;
}

} // namespace Dravo::VezurAVUZ
