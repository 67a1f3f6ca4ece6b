#include "settings/SettingRules.h"

#include <array>
#include <limits>

#include "driversupport/DSKeys.h"
#include "driversupport/DSLogFileSize.h"
#include "platform/RegistryImage.h"
#include "resources/ControlIds.h"
#include "settings/ProductSwitches.h"
#include "settings/SettingsCatalogue.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using namespace Resources;
using Support::WideString;

constexpr uint64_t UINT32_LIMIT = std::numeric_limits<uint32_t>::max();
constexpr uint64_t INT32_LIMIT = std::numeric_limits<int32_t>::max();

constexpr std::u16string_view MAIN = u"Main";
constexpr std::u16string_view ADVANCED = u"Advanced Options";
constexpr std::u16string_view SSL_OPTIONS = u"SSL Options";
constexpr std::u16string_view HTTP_PROPERTIES = u"HTTP Properties";
constexpr std::u16string_view SERVER_SIDE_PROPERTIES = u"Server Side Properties";
constexpr std::u16string_view LOGGING = u"Logging Options";
constexpr std::u16string_view NO_DIALOG = u"";

/// The main dialog's template in either layout; the table names the
/// data-source one where only that layout has the control.
constexpr int32_t MAIN_DIALOG = IDD_DRIVER_CONFIGURATION;

constexpr std::array<SettingChoice, 3> SERVER_TYPES = {{
    {u"1", SERVER_TYPE_LABELS[0]},
    {u"2", SERVER_TYPE_LABELS[1]},
    {u"3", SERVER_TYPE_LABELS[2]},
}};

constexpr std::array<SettingChoice, 11> MECHANISMS = {{
    {u"0", AUTH_MECH_LABELS[0]},
    {u"1", AUTH_MECH_LABELS[1]},
    {u"2", AUTH_MECH_LABELS[2]},
    {u"3", AUTH_MECH_LABELS[3]},
    {u"4", AUTH_MECH_LABELS[4], false},
    {u"5", AUTH_MECH_LABELS[5]},
    {u"6", AUTH_MECH_LABELS[6]},
    {u"7", AUTH_MECH_LABELS[7], false},
    {u"8", AUTH_MECH_LABELS[8], false},
    {u"9", AUTH_MECH_LABELS[9], false},
    {u"10", AUTH_MECH_LABELS[10], false},
}};

constexpr std::array<SettingChoice, 3> TRANSPORTS = {{
    {u"0", THRIFT_TRANSPORT_LABELS[0]},
    {u"1", THRIFT_TRANSPORT_LABELS[1]},
    {u"2", THRIFT_TRANSPORT_LABELS[2]},
}};

constexpr std::array<SettingChoice, 2> DISCOVERY_MODES = {{
    {u"0", SERVICE_DISCOVERY_MODE_LABELS[0]},
    {u"1", SERVICE_DISCOVERY_MODE_LABELS[1]},
}};

/// The logging dialog's list: the level's number is stored.
constexpr std::array<SettingChoice, 7> LOG_LEVELS = {{
    {u"0", u"LOG_OFF"},
    {u"1", u"LOG_FATAL"},
    {u"2", u"LOG_ERROR"},
    {u"3", u"LOG_WARNING"},
    {u"4", u"LOG_INFO"},
    {u"5", u"LOG_DEBUG"},
    {u"6", u"LOG_TRACE"},
}};

/// A switch the save writes as the model holds it: empty, as a new
/// configuration holds it, reads as off and is taken back.
constexpr SettingRule Switch(std::u16string_view name, SettingScope scope, SettingCondition condition,
    std::u16string_view caption, std::u16string_view dialog, int32_t dialogId, int32_t controlId,
    std::u16string_view defaultValue)
{
    SettingRule rule{name, SettingKind::Switch, scope, condition, caption, dialog, dialogId, controlId, defaultValue};
    rule.emptyAllowed = true;
    return rule;
}

/// A setting whose empty value the save replaces by its default, so that
/// empty is never stored.
constexpr SettingRule FilledBySave(SettingRule rule)
{
    rule.emptyAllowed = false;
    return rule;
}

constexpr SettingRule Number(std::u16string_view name, SettingCondition condition, std::u16string_view caption,
    int32_t controlId, std::u16string_view defaultValue, uint64_t minimum, uint64_t maximum, bool emptyAllowed = false)
{
    SettingRule rule{name, SettingKind::Number, SettingScope::Both, condition, caption, ADVANCED, IDD_ADVANCED_OPTIONS,
        controlId, defaultValue, minimum, maximum};
    rule.emptyAllowed = emptyAllowed;
    return rule;
}

constexpr SettingRule Text(std::u16string_view name, SettingKind kind, SettingScope scope, SettingCondition condition,
    std::u16string_view caption, std::u16string_view dialog, int32_t dialogId, int32_t controlId, int32_t maxLength)
{
    SettingRule rule{name, kind, scope, condition, caption, dialog, dialogId, controlId, u""};
    rule.maxLength = maxLength;
    rule.emptyAllowed = true;
    return rule;
}

constexpr SettingRule Choice(std::u16string_view name, SettingScope scope, SettingCondition condition,
    std::u16string_view caption, std::u16string_view dialog, int32_t dialogId, int32_t controlId,
    std::u16string_view defaultValue, std::span<const SettingChoice> choices)
{
    SettingRule rule{name, SettingKind::Choice, scope, condition, caption, dialog, dialogId, controlId, defaultValue};
    rule.choices = choices;
    return rule;
}

constexpr SettingRule WithNote(SettingRule rule, std::u16string_view note)
{
    rule.note = note;
    return rule;
}

constexpr SettingRule LogFileSize()
{
    SettingRule rule{DriverSupport::KEY_LOG_FILE_SIZE, SettingKind::Number, SettingScope::Driver,
        SettingCondition::Always, u"Max File Size (MB):", LOGGING, IDD_LOGGING_OPTIONS, IDC_LOG_FILE_SIZE, u"20971520",
        0, DriverSupport::DSLogFileSize::MAX_MEGABYTES * DriverSupport::DSLogFileSize::BYTES_PER_MEGABYTE};
    rule.step = DriverSupport::DSLogFileSize::BYTES_PER_MEGABYTE;
    rule.emptyAllowed = true;
    rule.note = u"bytes, a whole number of megabytes (1048576 bytes); the dialog shows megabytes";
    return rule;
}

constexpr SettingScope BOTH = SettingScope::Both;
constexpr SettingScope DRIVER = SettingScope::Driver;
constexpr SettingScope DATA_SOURCE = SettingScope::DataSource;

using enum SettingCondition;

constexpr auto RULES = std::to_array<SettingRule>({
    // The data source's own, in the data-source layout of the main dialog.
    Text(KEY_DESCRIPTION, SettingKind::Text, DATA_SOURCE, Always, u"Description:", MAIN, IDD_DSN_CONFIGURATION,
        IDC_MAIN_DESCRIPTION, SHORT_TEXT_LIMIT),
    Choice(KEY_SPARK_SERVER_TYPE, BOTH, Always, LABEL_SPARK_SERVER_TYPE, MAIN, MAIN_DIALOG, IDC_MAIN_SERVER_TYPE, u"1",
        SERVER_TYPES),
    WithNote(Text(KEY_HOST, SettingKind::Text, DATA_SOURCE, Always, u"Host(s):", MAIN, IDD_DSN_CONFIGURATION,
                 IDC_MAIN_HOST, HOST_TEXT_LIMIT),
        u"required"),
    WithNote(SettingRule{KEY_PORT, SettingKind::Number, DATA_SOURCE, Always, u"Port:", MAIN, IDD_DSN_CONFIGURATION,
                 IDC_MAIN_PORT, u"10000", 0, 65535},
        u"default 443 with mechanism 6, 10001 with mechanism 5"),
    Text(KEY_SCHEMA, SettingKind::Text, DATA_SOURCE, Always, u"Database:", MAIN, IDD_DSN_CONFIGURATION,
        IDC_MAIN_DATABASE, SHORT_TEXT_LIMIT),
    Choice(KEY_SERVICE_DISCOVERY_MODE, DATA_SOURCE, NoDialog, u"Service Discovery Mode", NO_DIALOG, 0, 0, u"0",
        DISCOVERY_MODES),
    WithNote(Text(KEY_ZK_NAMESPACE, SettingKind::Text, DATA_SOURCE, NoDialog, u"ZooKeeper Namespace", NO_DIALOG, 0, 0,
                 SHORT_TEXT_LIMIT),
        u"required with ServiceDiscoveryMode 1"),

    // The main dialog.
    WithNote(Choice(KEY_AUTH_MECH, BOTH, FullFeatured, LABEL_AUTH_MECH, MAIN, MAIN_DIALOG, IDC_MAIN_MECHANISM, u"",
                 MECHANISMS),
        u"older forms 4 and 7 to 10 are read, never offered"),
    Text(KEY_KRB_REALM, SettingKind::Text, BOTH, Kerberos, LABEL_KRB_REALM, MAIN, MAIN_DIALOG, IDC_MAIN_REALM,
        SHORT_TEXT_LIMIT),
    WithNote(Text(KEY_KRB_HOST_FQDN, SettingKind::Text, BOTH, Kerberos, LABEL_KRB_HOST_FQDN, MAIN, MAIN_DIALOG,
                 IDC_MAIN_HOST_FQDN, SHORT_TEXT_LIMIT),
        u"required with Kerberos"),
    WithNote(Text(KEY_KRB_SERVICE_NAME, SettingKind::Text, BOTH, Kerberos, LABEL_KRB_SERVICE_NAME, MAIN, MAIN_DIALOG,
                 IDC_MAIN_SERVICE_NAME, SHORT_TEXT_LIMIT),
        u"required with Kerberos"),
    Text(
        KEY_UID, SettingKind::Text, BOTH, UserName, LABEL_UID, MAIN, MAIN_DIALOG, IDC_MAIN_USER_NAME, SHORT_TEXT_LIMIT),
    WithNote(Text(KEY_ENCRYPTED_PWD, SettingKind::Password, BOTH, Password, LABEL_PASSWORD, MAIN, MAIN_DIALOG,
                 IDC_MAIN_PASSWORD, SHORT_TEXT_LIMIT),
        u"enciphered; given through a password source"),
    Text(KEY_DELEGATION_UID, SettingKind::Text, DATA_SOURCE, FullFeatured, LABEL_DELEGATION_UID, MAIN, MAIN_DIALOG,
        IDC_MAIN_DELEGATION_UID, SHORT_TEXT_LIMIT),
    WithNote(Choice(KEY_THRIFT_TRANSPORT, BOTH, FullFeatured, LABEL_THRIFT_TRANSPORT, MAIN, MAIN_DIALOG,
                 IDC_MAIN_TRANSPORT, u"1", TRANSPORTS),
        u"as the mechanism allows"),

    // SSL Options.
    WithNote(Switch(KEY_SSL, BOTH, SSLChoice, LABEL_SSL, SSL_OPTIONS, IDD_SSL_OPTIONS, IDC_SSL_ENABLE, u"0"),
        u"off with mechanisms 2 and 5, on with 6"),
    Switch(KEY_CA_ISSUED_CERT_NAMES_MISMATCH, BOTH, SSLAllowances, LABEL_CA_ISSUED_CERT_NAMES_MISMATCH, SSL_OPTIONS,
        IDD_SSL_OPTIONS, IDC_SSL_ALLOW_HOST_NAME_MISMATCH, u"0"),
    Switch(KEY_ALLOW_SELF_SIGNED_SERVER_CERT, BOTH, SSLAllowances, LABEL_ALLOW_SELF_SIGNED_SERVER_CERT, SSL_OPTIONS,
        IDD_SSL_OPTIONS, IDC_SSL_ALLOW_SELF_SIGNED, u"0"),
    Text(KEY_TRUSTED_CERTS, SettingKind::File, BOTH, SSLOn, LABEL_TRUSTED_CERTS, SSL_OPTIONS, IDD_SSL_OPTIONS,
        IDC_SSL_TRUSTED_CERTS, 0),
    Switch(KEY_TWO_WAY_SSL, BOTH, SSLOn, LABEL_TWO_WAY_SSL, SSL_OPTIONS, IDD_SSL_OPTIONS, IDC_SSL_TWO_WAY, u"0"),
    WithNote(Text(KEY_CLIENT_CERT, SettingKind::File, BOTH, TwoWaySSL, LABEL_CLIENT_CERT, SSL_OPTIONS, IDD_SSL_OPTIONS,
                 IDC_SSL_CLIENT_CERT, 0),
        u"required with two-way SSL"),
    WithNote(Text(KEY_CLIENT_PRIVATE_KEY, SettingKind::File, BOTH, TwoWaySSL, LABEL_CLIENT_PRIVATE_KEY, SSL_OPTIONS,
                 IDD_SSL_OPTIONS, IDC_SSL_PRIVATE_KEY, 0),
        u"required with two-way SSL"),
    WithNote(Text(KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD, SettingKind::Password, BOTH, TwoWaySSL,
                 LABEL_CLIENT_PRIVATE_KEY_PWD, SSL_OPTIONS, IDD_SSL_OPTIONS, IDC_SSL_KEY_PASSWORD, SHORT_TEXT_LIMIT),
        u"enciphered; given through a password source"),

    // HTTP Properties.
    Text(KEY_HTTP_PATH, SettingKind::Text, BOTH, HttpTransport, LABEL_HTTP_PATH, HTTP_PROPERTIES, IDD_HTTP_PROPERTIES,
        IDC_HTTP_PATH, 0),
    WithNote(Text(u"http.header.", SettingKind::Property, BOTH, HttpTransport, u"Custom HTTP Headers", HTTP_PROPERTIES,
                 IDD_HTTP_PROPERTIES, IDC_PROPERTY_LIST, 0),
        u"one key per header: http.header.NAME"),

    // Advanced Options.
    FilledBySave(Switch(KEY_USE_NATIVE_QUERY, BOTH, Always, LABEL_USE_NATIVE_QUERY, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_USE_NATIVE_QUERY, u"0")),
    FilledBySave(Switch(KEY_FAST_SQL_PREPARE, BOTH, Always, LABEL_FAST_SQL_PREPARE, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_FAST_SQLPREPARE, u"0")),
    Switch(KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, BOTH, Always, LABEL_DRIVER_CONFIG_TAKE_PRECEDENCE, ADVANCED,
        IDD_ADVANCED_OPTIONS, IDC_ADVANCED_DRIVER_CONFIG_TAKE_PRECEDENCE, u""),
    Switch(KEY_ENABLE_ASYNC_EXEC, BOTH, FullFeatured, LABEL_ENABLE_ASYNC_EXEC, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_USE_ASYNC_EXEC, u"0"),
    Switch(KEY_GET_TABLES_WITH_QUERY, BOTH, FullFeatured, LABEL_GET_TABLES_WITH_QUERY, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_GET_TABLES_WITH_QUERY, u""),
    FilledBySave(Switch(KEY_USE_UNICODE_SQL_CHARACTER_TYPES, BOTH, Always, LABEL_USE_UNICODE_SQL_CHARACTER_TYPES,
        ADVANCED, IDD_ADVANCED_OPTIONS, IDC_ADVANCED_UNICODE_SQL_CHARACTER_TYPES, u"0")),
    FilledBySave(Switch(KEY_SHOW_SYSTEM_TABLE, BOTH, Always, LABEL_SHOW_SYSTEM_TABLE, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_SHOW_SYSTEM_TABLE, u"0")),
    Switch(KEY_USE_ONLY_SSPI, BOTH, FullFeatured, LABEL_USE_ONLY_SSPI, ADVANCED, IDD_ADVANCED_OPTIONS,
        IDC_ADVANCED_USE_ONLY_SSPI, u"0"),
    Switch(KEY_INVALID_SESSION_AUTO_RECOVER, BOTH, FullFeatured, LABEL_INVALID_SESSION_AUTO_RECOVER, ADVANCED,
        IDD_ADVANCED_OPTIONS, IDC_ADVANCED_INVALID_SESSION_AUTO_RECOVER, u"1"),
    FilledBySave(Switch(KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY, BOTH, Always,
        u"Fix Unquoted Default Schema Name In Query", NO_DIALOG, 0, 0, u"1")),
    Number(KEY_ROWS_FETCHED_PER_BLOCK, Always, LABEL_ROWS_FETCHED_PER_BLOCK, IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK,
        u"10000", 1, UINT32_LIMIT),
    Number(KEY_DEFAULT_STRING_COLUMN_LENGTH, Always, LABEL_DEFAULT_STRING_COLUMN_LENGTH,
        IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH, u"", 1, INT32_LIMIT),
    Number(KEY_BINARY_COLUMN_LENGTH, Always, LABEL_BINARY_COLUMN_LENGTH, IDC_ADVANCED_BINARY_COLUMN_LENGTH, u"32767", 0,
        UINT32_LIMIT),
    Number(KEY_DECIMAL_COLUMN_SCALE, Always, LABEL_DECIMAL_COLUMN_SCALE, IDC_ADVANCED_DECIMAL_COLUMN_SCALE, u"10", 0,
        MAX_DECIMAL_COLUMN_SCALE),
    Number(KEY_ASYNC_EXEC_POLL_INTERVAL, FullFeatured, LABEL_ASYNC_EXEC_POLL_INTERVAL,
        IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL, u"100", 0, INT32_LIMIT, true),
    WithNote(Number(KEY_SOCKET_TIMEOUT, Always, LABEL_SOCKET_TIMEOUT, IDC_ADVANCED_SOCKET_TIMEOUT, u"", 0, UINT32_LIMIT,
                 true),
        u"empty until the Advanced Options dialog saves it, which shows 30"),

    // Server Side Properties.
    WithNote(Switch(KEY_LCASE_SSP_KEY_NAME, BOTH, Always, LABEL_LCASE_SSP_KEY_NAME, SERVER_SIDE_PROPERTIES,
                 IDD_SERVER_SIDE_PROPERTIES, IDC_SSP_LOWER_CASE_KEY_NAME, u""),
        u"the dialog shows it checked unless it is 0; a new data source holds 1"),
    WithNote(Switch(KEY_APPLY_SSP_WITH_QUERIES, BOTH, FullFeatured, LABEL_APPLY_SSP_WITH_QUERIES,
                 SERVER_SIDE_PROPERTIES, IDD_SERVER_SIDE_PROPERTIES, IDC_SSP_APPLY_WITH_QUERIES, u""),
        u"the dialog shows it checked unless it is 0; a new data source holds 1"),
    WithNote(Text(u"SSP_", SettingKind::Property, BOTH, Always, u"Server Side Properties", SERVER_SIDE_PROPERTIES,
                 IDD_SERVER_SIDE_PROPERTIES, IDC_PROPERTY_LIST, 0),
        u"one key per property: SSP_NAME"),

    // Logging Options: the driver's own, whichever configuration opens them.
    Choice(DriverSupport::KEY_LOG_LEVEL, DRIVER, Always, u"Log Level:", LOGGING, IDD_LOGGING_OPTIONS, IDC_LOG_LEVEL,
        u"0", LOG_LEVELS),
    WithNote(Text(DriverSupport::KEY_LOG_PATH, SettingKind::Text, DRIVER, Always, u"Log Path:", LOGGING,
                 IDD_LOGGING_OPTIONS, IDC_LOG_PATH, 0),
        u"required with a log level"),
    WithNote(SettingRule{DriverSupport::KEY_LOG_FILE_COUNT, SettingKind::Number, DRIVER, Always, u"Max Number Files:",
                 LOGGING, IDD_LOGGING_OPTIONS, IDC_LOG_FILE_COUNT, u"50", 0, UINT32_LIMIT, 1, {}, 0, true},
        u"required with a log level"),
    LogFileSize(),
});

struct SettingDescription {
    std::u16string_view name;
    std::u16string_view text;
};

constexpr auto DESCRIPTIONS = std::to_array<SettingDescription>({
    {KEY_DESCRIPTION, u"Free text that tells what the data source is for."},
    {KEY_SPARK_SERVER_TYPE, u"The kind of server the driver connects to."},
    {KEY_HOST, u"The server's host name or address, or several of them."},
    {KEY_PORT, u"The TCP port the server listens on."},
    {KEY_SCHEMA, u"The database used when a query names none."},
    {KEY_SERVICE_DISCOVERY_MODE, u"Whether the server is found through ZooKeeper rather than by host and port."},
    {KEY_ZK_NAMESPACE, u"The ZooKeeper namespace the server is registered in."},
    {KEY_AUTH_MECH, u"How the driver authenticates itself to the server."},
    {KEY_KRB_REALM, u"The realm of the server's Kerberos principal."},
    {KEY_KRB_HOST_FQDN, u"The fully qualified host name in the server's Kerberos principal."},
    {KEY_KRB_SERVICE_NAME, u"The service name in the server's Kerberos principal."},
    {KEY_UID, u"The user name the driver authenticates with."},
    {KEY_ENCRYPTED_PWD, u"The password of the user name, kept enciphered."},
    {KEY_DELEGATION_UID, u"The user on whose behalf the server runs the queries."},
    {KEY_THRIFT_TRANSPORT, u"The Thrift transport of the connection: Binary, SASL or HTTP."},
    {KEY_SSL, u"Whether the connection is encrypted with SSL."},
    {KEY_CA_ISSUED_CERT_NAMES_MISMATCH, u"Whether a server certificate whose name is not the host's is accepted."},
    {KEY_ALLOW_SELF_SIGNED_SERVER_CERT, u"Whether a self-signed server certificate is accepted."},
    {KEY_TRUSTED_CERTS, u"The file of certificates the server's certificate is checked against."},
    {KEY_TWO_WAY_SSL, u"Whether the driver shows the server a certificate of its own."},
    {KEY_CLIENT_CERT, u"The driver's own certificate file, for two-way SSL."},
    {KEY_CLIENT_PRIVATE_KEY, u"The private key file of the driver's certificate."},
    {KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD, u"The password of the private key file, kept enciphered."},
    {KEY_HTTP_PATH, u"The path of the server's HTTP endpoint."},
    {u"http.header.", u"A header sent with each HTTP request."},
    {KEY_USE_NATIVE_QUERY, u"Whether queries go to the server as written, without translation."},
    {KEY_FAST_SQL_PREPARE, u"Whether preparing a statement leaves the query to its execution."},
    {KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, u"Whether the driver-wide settings win over a connection's own."},
    {KEY_ENABLE_ASYNC_EXEC, u"Whether queries run asynchronously on the server."},
    {KEY_GET_TABLES_WITH_QUERY, u"Whether the list of tables is asked for with a query."},
    {KEY_USE_UNICODE_SQL_CHARACTER_TYPES, u"Whether string columns are described as Unicode SQL types."},
    {KEY_SHOW_SYSTEM_TABLE, u"Whether system tables are listed with the others."},
    {KEY_USE_ONLY_SSPI, u"Whether Kerberos goes through Windows' SSPI only."},
    {KEY_INVALID_SESSION_AUTO_RECOVER, u"Whether a session the server lost is opened again without a word."},
    {KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY, u"Whether an unquoted default database name is quoted in queries."},
    {KEY_ROWS_FETCHED_PER_BLOCK, u"How many rows each fetch asks the server for."},
    {KEY_DEFAULT_STRING_COLUMN_LENGTH, u"The length given for string columns the server gives none for."},
    {KEY_BINARY_COLUMN_LENGTH, u"The length given for binary columns the server gives none for."},
    {KEY_DECIMAL_COLUMN_SCALE, u"The scale given for decimal columns the server gives none for."},
    {KEY_ASYNC_EXEC_POLL_INTERVAL, u"How often, in milliseconds, the state of an asynchronous query is asked for."},
    {KEY_SOCKET_TIMEOUT, u"How long, in seconds, the driver waits for the server to answer."},
    {KEY_LCASE_SSP_KEY_NAME, u"Whether the names of server-side properties are sent in lower case."},
    {KEY_APPLY_SSP_WITH_QUERIES, u"Whether server-side properties are set with queries after connecting."},
    {u"SSP_", u"A property of the server's session, set when connecting."},
    {DriverSupport::KEY_LOG_LEVEL, u"How much the driver writes to its log."},
    {DriverSupport::KEY_LOG_PATH, u"The folder the driver writes its log files in."},
    {DriverSupport::KEY_LOG_FILE_COUNT, u"How many log files the driver keeps."},
    {DriverSupport::KEY_LOG_FILE_SIZE, u"How large a log file grows before the driver begins the next."},
});

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return IsSameSettingName(a, b);
}

} // namespace

std::span<const SettingRule> GetSettingRules()
{
    return RULES;
}

const SettingRule* FindSettingRule(std::u16string_view name)
{
    for (const SettingRule& rule : RULES) {
        if (rule.kind == SettingKind::Property) {
            if (name.size() > rule.name.size() && EqualsIgnoringCase(name.substr(0, rule.name.size()), rule.name)) {
                return &rule;
            }
        } else if (EqualsIgnoringCase(name, rule.name)) {
            return &rule;
        }
    }
    return nullptr;
}

bool IsSameSettingName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    // Most names are ASCII: fold those here, the rest as the registry does.
    for (size_t index = 0; index < a.size(); ++index) {
        const char16_t left = a[index];
        const char16_t right = b[index];
        if (left >= 0x80 || right >= 0x80) {
            return OS::FoldRegistryName(a) == OS::FoldRegistryName(b);
        }
        const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
        if (upper(left) != upper(right)) {
            return false;
        }
    }
    return true;
}

bool IsSameSettingName(const WideString& a, const WideString& b)
{
    return IsSameSettingName(std::u16string_view(a.GetAsU16String()), std::u16string_view(b.GetAsU16String()));
}

std::u16string_view GetSettingDescription(const SettingRule& rule)
{
    for (const SettingDescription& description : DESCRIPTIONS) {
        if (description.name == rule.name) {
            return description.text;
        }
    }
    return {};
}

WideString GetSettingDefault(const SettingRule& rule)
{
    if (rule.name == KEY_AUTH_MECH) {
        return Support::NumberConverter::ConvertUInt32ToWString(GetDefaultAuthMech());
    }
    if (rule.name == KEY_DEFAULT_STRING_COLUMN_LENGTH) {
        return Support::NumberConverter::ConvertInt32ToWString(GetDefaultStringColumnLength());
    }
    if (rule.name == KEY_GET_TABLES_WITH_QUERY) {
        return MakeSwitchValue(GetProductSwitch(WideString(u"get-tbls-with-query"), false));
    }
    if (rule.name == KEY_TRUSTED_CERTS) {
        return GetDefaultTrustedCertsFile();
    }
    return WideString(rule.defaultValue);
}

std::u16string_view FindChoiceLabel(const SettingRule& rule, std::u16string_view value)
{
    for (const SettingChoice& choice : rule.choices) {
        if (choice.value == value) {
            return choice.label;
        }
    }
    return {};
}

bool ScopeHolds(SettingScope scope, const SettingRule& rule)
{
    return rule.scope == SettingScope::Both || rule.scope == scope;
}

bool MechanismTakesUserName(uint32_t mechanism)
{
    return mechanism == AUTH_MECH_USER_NAME || MechanismTakesPassword(mechanism);
}

bool MechanismTakesPassword(uint32_t mechanism)
{
    return mechanism == AUTH_MECH_USER_NAME_PASSWORD || mechanism == AUTH_MECH_HDINSIGHT_EMULATOR
        || mechanism == AUTH_MECH_HDINSIGHT_SERVICE;
}

bool MechanismFixesSSL(uint32_t mechanism)
{
    return mechanism == AUTH_MECH_USER_NAME || mechanism == AUTH_MECH_HDINSIGHT_EMULATOR
        || mechanism == AUTH_MECH_HDINSIGHT_SERVICE;
}

bool IsOfferedMechanism(uint32_t mechanism)
{
    if (mechanism == AUTH_MECH_HDINSIGHT_EMULATOR || mechanism == AUTH_MECH_HDINSIGHT_SERVICE) {
        return !IsHDInsightSuppressed();
    }
    return mechanism <= AUTH_MECH_USER_NAME_PASSWORD;
}

} // namespace Dravo::VezurAVUZ
