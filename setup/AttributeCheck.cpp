#include "setup/AttributeCheck.h"

#include <array>
#include <optional>
#include <string>

#include "resources/StringIds.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingsCatalogue.h"
#include "setup/InstallerError.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// Keys whose value is a check box of the dialogs: "0" or "1" (or nothing).
constexpr std::array<std::u16string_view, 17> SWITCH_KEYS = {KEY_SSL, KEY_TWO_WAY_SSL,
    KEY_ALLOW_SELF_SIGNED_SERVER_CERT, KEY_CA_ISSUED_CERT_NAMES_MISMATCH, KEY_USE_NATIVE_QUERY, KEY_FAST_SQL_PREPARE,
    KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY, KEY_SHOW_SYSTEM_TABLE, KEY_USE_UNICODE_SQL_CHARACTER_TYPES,
    KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, KEY_ENABLE_ASYNC_EXEC, KEY_GET_TABLES_WITH_QUERY, KEY_USE_ONLY_SSPI,
    KEY_INVALID_SESSION_AUTO_RECOVER, KEY_APPLY_SSP_WITH_QUERIES, KEY_LCASE_SSP_KEY_NAME, KEY_ENABLE_TEMP_TABLE};

struct NumberKey {
    std::u16string_view key;
    uint32_t maximum;
};
/// Keys whose value is a number box of the dialogs (or nothing).
constexpr std::array<NumberKey, 7> NUMBER_KEYS = {{
    {KEY_ROWS_FETCHED_PER_BLOCK, UINT32_MAX},
    {KEY_DEFAULT_STRING_COLUMN_LENGTH, UINT32_MAX},
    {KEY_BINARY_COLUMN_LENGTH, UINT32_MAX},
    {KEY_DECIMAL_COLUMN_SCALE, MAX_DECIMAL_COLUMN_SCALE},
    {KEY_SOCKET_TIMEOUT, UINT32_MAX},
    {KEY_ASYNC_EXEC_POLL_INTERVAL, UINT32_MAX},
    {KEY_TEMP_TABLE_TTL, UINT32_MAX},
}};

[[noreturn]] void Refuse(uint32_t messageId, std::initializer_list<WideString> arguments)
{
    throw InstallerError(InstallerErrorCode::InvalidKeywordValue, messageId, arguments);
}

std::optional<uint32_t> StrictNumber(const WideString& text)
{
    try {
        return Support::NumberConverter::ConvertWStringToUInt32(text, true);
    } catch (const Support::ErrorException&) {
        return std::nullopt;
    }
}

/// "0 (Binary), 1 (SASL) or 2 (HTTP)" for the values a table allows.
template <size_t Size>
WideString DescribeChoices(const std::array<std::u16string_view, Size>& labels, uint32_t first,
    const std::function<bool(uint32_t)>& allowed = [](uint32_t) { return true; })
{
    std::vector<std::u16string> choices;
    for (uint32_t index = 0; index < Size; ++index) {
        if (allowed(first + index)) {
            const WideString number = Support::NumberConverter::ConvertUInt32ToWString(first + index);
            choices.push_back(number.GetAsU16String() + u" (" + std::u16string(labels[index]) + u")");
        }
    }
    std::u16string text;
    for (size_t index = 0; index < choices.size(); ++index) {
        text += index == 0 ? u"" : index + 1 == choices.size() ? u" or " : u", ";
        text += choices[index];
    }
    return WideString(text);
}

class Resolver {
public:
    Resolver(const AttributeList& attributes, const StoredValueLookup& stored)
        : m_attributes(attributes), m_stored(stored)
    {
    }
    [[nodiscard]] const WideString* Given(std::u16string_view key) const { return m_attributes.Find(key); }
    /// The value as the data source will hold it; empty when nothing holds it.
    [[nodiscard]] WideString Resolved(std::u16string_view key) const
    {
        if (const WideString* given = Given(key)) {
            return *given;
        }
        const WideString* stored = m_stored ? m_stored(key) : nullptr;
        return stored ? *stored : WideString(u"");
    }
    [[nodiscard]] bool AnyGiven(std::initializer_list<std::u16string_view> keys) const
    {
        for (const std::u16string_view key : keys) {
            if (Given(key)) {
                return true;
            }
        }
        return false;
    }

private:
    const AttributeList& m_attributes;
    const StoredValueLookup& m_stored;
};

/// A given value that must be the number of one of a table's labels.
template <size_t Size>
void CheckChoice(const Resolver& values, std::u16string_view key, const std::array<std::u16string_view, Size>& labels,
    uint32_t first, const std::function<bool(uint32_t)>& allowed = [](uint32_t) { return true; })
{
    const WideString* given = values.Given(key);
    // Empty means not set, as a data source's own entries say it.
    if (!given || given->IsEmpty()) {
        return;
    }
    const std::optional<uint32_t> number = StrictNumber(*given);
    if (!number || *number < first || *number - first >= Size || !allowed(*number)) {
        Refuse(Resources::IDS_SETUP_VALUE_NOT_ONE_OF, {WideString(key), *given, DescribeChoices(labels, first, allowed)});
    }
}

void CheckValues(const Resolver& values)
{
    CheckChoice(values, KEY_SPARK_SERVER_TYPE, SERVER_TYPE_LABELS, SERVER_TYPE_SHARK);
    CheckChoice(values, KEY_AUTH_MECH, AUTH_MECH_LABELS, AUTH_MECH_NONE, &IsMechanismAccepted);
    CheckChoice(values, KEY_THRIFT_TRANSPORT, THRIFT_TRANSPORT_LABELS, TRANSPORT_BINARY);
    CheckChoice(values, KEY_SERVICE_DISCOVERY_MODE, SERVICE_DISCOVERY_MODE_LABELS, SERVICE_DISCOVERY_NONE);

    if (const WideString* port = values.Given(KEY_PORT); port && !port->IsEmpty()) {
        try {
            (void)Support::NumberConverter::ConvertWStringToUInt16(*port, true);
        } catch (const Support::ErrorException&) {
            Refuse(Resources::IDS_SETUP_VALUE_NOT_NUMBER, {WideString(KEY_PORT), *port, WideString(u"65535")});
        }
    }
    if (const WideString* host = values.Given(KEY_HOST); host && host->Trim().IsEmpty()) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, Resources::IDS_HOST_EMPTY);
    }
    for (const std::u16string_view key : SWITCH_KEYS) {
        const WideString* given = values.Given(key);
        if (given && !given->IsEmpty() && *given != SWITCH_ON && *given != SWITCH_OFF) {
            Refuse(Resources::IDS_SETUP_VALUE_NOT_ONE_OF, {WideString(key), *given, WideString(u"0 or 1")});
        }
    }
    for (const NumberKey& number : NUMBER_KEYS) {
        const WideString* given = values.Given(number.key);
        if (!given || given->IsEmpty()) {
            continue;
        }
        const std::optional<uint32_t> value = StrictNumber(*given);
        if (!value || *value > number.maximum) {
            Refuse(Resources::IDS_SETUP_VALUE_NOT_NUMBER,
                {WideString(number.key), *given, Support::NumberConverter::ConvertUInt32ToWString(number.maximum)});
        }
    }
    for (const std::u16string_view key : {KEY_ENCRYPTED_PWD, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD}) {
        if (const WideString* given = values.Given(key)) {
            WideString secret = *given;
            if (!SOConnectionSettings::DecryptSetting(secret)) {
                Refuse(Resources::IDS_SETUP_PASSWORD_NOT_ENCIPHERED, {WideString(key)});
            }
        }
    }
}

/// What holds together: the mechanism's transports, Kerberos's names and
/// ZooKeeper's namespace, judged when any of the keys involved is given.
void CheckCombinations(const Resolver& values)
{
    if (ReadServerType(values.Resolved(KEY_SPARK_SERVER_TYPE)) == SERVER_TYPE_SHARK) {
        // SharkServer takes neither mechanism nor transport.
        return;
    }
    const uint32_t mechanism = ReadAuthMech(values.Resolved(KEY_AUTH_MECH));
    if (values.AnyGiven({KEY_SPARK_SERVER_TYPE, KEY_AUTH_MECH, KEY_THRIFT_TRANSPORT})) {
        const uint32_t transport = ReadThriftTransport(values.Resolved(KEY_THRIFT_TRANSPORT));
        if (!IsTransportAllowed(mechanism, transport)) {
            std::array<std::u16string_view, 3> allowed{};
            size_t count = 0;
            for (uint32_t candidate = TRANSPORT_BINARY; candidate <= TRANSPORT_HTTP; ++candidate) {
                if (IsTransportAllowed(mechanism, candidate)) {
                    allowed[count++] = THRIFT_TRANSPORT_LABELS[candidate];
                }
            }
            std::u16string list;
            for (size_t index = 0; index < count; ++index) {
                list += index == 0 ? u"" : index + 1 == count ? u" and " : u", ";
                list += allowed[index];
            }
            const std::u16string_view mechanismLabel
                = mechanism < AUTH_MECH_LABELS.size() ? AUTH_MECH_LABELS[mechanism] : std::u16string_view(u"?");
            Refuse(Resources::IDS_SETUP_TRANSPORT_NOT_ALLOWED,
                {WideString(THRIFT_TRANSPORT_LABELS[transport]), WideString(mechanismLabel), WideString(list)});
        }
    }
    if (mechanism == AUTH_MECH_KERBEROS
        && values.AnyGiven({KEY_SPARK_SERVER_TYPE, KEY_AUTH_MECH, KEY_KRB_HOST_FQDN, KEY_KRB_SERVICE_NAME})
        && (values.Resolved(KEY_KRB_HOST_FQDN).IsEmpty() || values.Resolved(KEY_KRB_SERVICE_NAME).IsEmpty())) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, Resources::IDS_SETUP_KERBEROS_INCOMPLETE);
    }
    if (ReadServiceDiscoveryMode(values.Resolved(KEY_SERVICE_DISCOVERY_MODE)) == SERVICE_DISCOVERY_ZOOKEEPER
        && values.AnyGiven({KEY_SERVICE_DISCOVERY_MODE, KEY_ZK_NAMESPACE})
        && values.Resolved(KEY_ZK_NAMESPACE).IsEmpty()) {
        throw InstallerError(InstallerErrorCode::InvalidKeywordValue, Resources::IDS_SETUP_ZOOKEEPER_INCOMPLETE);
    }
}

} // namespace

void CheckDataSourceAttributes(const AttributeList& attributes, const StoredValueLookup& stored)
{
    const Resolver values(attributes, stored);
    CheckValues(values);
    CheckCombinations(values);
}

} // namespace Dravo::VezurAVUZ
