#include "settings/SOConnectionSettings.h"

#include <array>
#include <string>
#include <utility>

#include "driversupport/DSKeys.h"
#include "driversupport/PasswordEncryption.h"
#include "settings/DataSourceSection.h"
#include "settings/ProductSwitches.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/HexConversion.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// The product's pass phrase and salt for stored passwords; the driver
/// deciphers with the same pair, so neither may ever change.
constexpr std::string_view PASSWORD_KEY = "Lm4&Qe7!Zr2#Wt9$Yu1%Io3^Pa6*Sd8@";
constexpr DriverSupport::PasswordEncryption::Salt PASSWORD_SALT = {0xC4, 0x19, 0x7E, 0x52, 0xA0, 0x3B, 0x6F, 0xD8};

constexpr std::u16string_view ENCRYPTED_MARK = u"_";

WideString FromNarrowBytes(const std::string& bytes)
{
    return WideString(bytes.data(), static_cast<int32_t>(bytes.size()), Support::GetDefaultNarrowEncoding());
}

} // namespace

SOConnectionSettings::SOConnectionSettings(
    Support::DSIFileLogger* logger, SOServerSideProperties* serverSideProperties, SOHttpProperties* httpProperties)
    : m_store(std::make_unique<LoggingOptionsModel>(WideString(u""), logger, 2, true)), m_ownServerSideProperties(true),
      m_serverSideProperties(serverSideProperties ? serverSideProperties : &m_ownServerSideProperties),
      m_httpProperties(httpProperties ? httpProperties : &m_ownHttpProperties), m_logger(logger)
{
}

SOConnectionSettings::~SOConnectionSettings() = default;

void SOConnectionSettings::SetDataSourceName(const WideString& name)
{
    if (!DataSourceSection::IsValidName(name)) {
        throw Varlo::VarloSetupException(DriverSupport::DS_ERROR_INVALID_DSN);
    }
    m_dataSourceName = name;
    m_serverSideProperties->SetDataSourceName(name);
    m_httpProperties->SetDataSourceName(name);
}

void SOConnectionSettings::Load()
{
    if (!DataSourceSection::IsValidName(m_dataSourceName)) {
        throw DriverSupport::DSSetupException(DriverSupport::DS_ERROR_INVALID_KEYWORD_VALUE);
    }
    DriverSupport::DSSettingsMap section;
    for (auto& [name, value] : DataSourceSection(m_dataSourceName).ReadEntries()) {
        section.emplace(std::move(name), std::move(value));
    }
    const SettingLookup lookup = [&section](const WideString& key) -> const WideString* {
        const auto found = section.find(key);
        return found == section.end() ? nullptr : &found->second;
    };
    LoadKeys(lookup, {DriverSupport::KEY_DRIVER, KEY_DESCRIPTION, KEY_HOST, KEY_PORT, KEY_SCHEMA});
    LoadSettings(lookup);
    m_serverSideProperties->Load();
    m_httpProperties->Load();
    m_store->LoadLoggingProperties();
}

void SOConnectionSettings::Save()
{
    if (m_logger) {
        m_logger->LogFunctionEntrance("Dravo::VezurAVUZ", "SOConnectionSettings", "Save");
    }
    PrepareSave();
    FillSaveDefaults();
    SaveKeys({KEY_DESCRIPTION, KEY_HOST, KEY_SCHEMA, KEY_DEFAULT_STRING_COLUMN_LENGTH, KEY_BINARY_COLUMN_LENGTH,
        KEY_DECIMAL_COLUMN_SCALE, KEY_FAST_SQL_PREPARE, KEY_ROWS_FETCHED_PER_BLOCK, KEY_SHOW_SYSTEM_TABLE,
        KEY_USE_NATIVE_QUERY, KEY_USE_UNICODE_SQL_CHARACTER_TYPES, KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY,
        KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, KEY_SOCKET_TIMEOUT});
    if (IsTempTableSupported()) {
        SaveKeys({KEY_ENABLE_TEMP_TABLE, KEY_WEB_HDFS_HOST, KEY_WEB_HDFS_PORT, KEY_HDFS_TEMP_TABLE_DIR, KEY_HDFS_USER,
            KEY_TEMP_TABLE_TTL});
    }
    m_serverSideProperties->Save();

    // Server type, mechanism and transport are read as the dialogs read them,
    // so a value that is no number (a model saved as loaded from an empty
    // key) takes its default instead of failing half-way through the save.
    SaveKey(KEY_SPARK_SERVER_TYPE);
    SaveKey(KEY_PORT);
    if (ReadServerType(m_serverType) != SERVER_TYPE_SHARK) {
        SaveKey(KEY_AUTH_MECH);
        const uint32_t mechanism = ReadAuthMech(m_authMech);
        if (MechanismTakesUserName(mechanism)) {
            SaveKey(KEY_UID);
        }
        if (MechanismTakesPassword(mechanism)) {
            ApplyPasswordRule(m_password, m_savePassword, KEY_ENCRYPTED_PWD);
        }
        if (mechanism == AUTH_MECH_KERBEROS) {
            SaveKeys({KEY_KRB_HOST_FQDN, KEY_KRB_REALM, KEY_KRB_SERVICE_NAME});
        }
        SaveKey(KEY_THRIFT_TRANSPORT);
        if (ReadThriftTransport(m_thriftTransport) == TRANSPORT_HTTP) {
            m_httpProperties->Save();
        }
        SaveKey(KEY_SSL);
        if (IsSwitchOn(m_ssl)) {
            SaveKeys({KEY_TRUSTED_CERTS, KEY_CA_ISSUED_CERT_NAMES_MISMATCH, KEY_ALLOW_SELF_SIGNED_SERVER_CERT,
                KEY_TWO_WAY_SSL});
            if (IsSwitchOn(m_twoWaySSL)) {
                SaveKeys({KEY_CLIENT_CERT, KEY_CLIENT_PRIVATE_KEY});
                ApplyPasswordRule(
                    m_clientPrivateKeyPassword, m_saveClientKeyPassword, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD);
            }
        }
        SaveKeys({KEY_ENABLE_ASYNC_EXEC, KEY_ASYNC_EXEC_POLL_INTERVAL, KEY_GET_TABLES_WITH_QUERY, KEY_USE_ONLY_SSPI});
        SaveKey(KEY_INVALID_SESSION_AUTO_RECOVER);
        // A data source keeps the delegation user it is edited with, as Load
        // expects; the driver-wide write drops this key.
        SaveKey(KEY_DELEGATION_UID);
    }
    SaveLoggingOptions();
    CompleteSave();
}

void SOConnectionSettings::EncryptSetting(WideString& value)
{
    if (value.IsEmpty()) {
        return;
    }
    const std::string cipherText =
        DriverSupport::PasswordEncryption::EncryptToHex(value.GetAsUTF8(), PASSWORD_KEY, &PASSWORD_SALT);
    value = WideString(ENCRYPTED_MARK) + FromNarrowBytes(cipherText);
}

bool SOConnectionSettings::DecryptSetting(WideString& value)
{
    if (value.IsEmpty()) {
        return true;
    }
    const std::string stored = value.GetAsUTF8();
    try {
        if (value.StartsWith(WideString(ENCRYPTED_MARK))) {
            if (stored.size() == ENCRYPTED_MARK.size()) {
                return false;
            }
            const DriverSupport::DecryptedBytes plain = DriverSupport::PasswordEncryption::DecryptFromHex(
                std::string_view(stored).substr(ENCRYPTED_MARK.size()), PASSWORD_KEY, &PASSWORD_SALT);
            // Padding that does not check out means another key or a damaged
            // value: what came out is not the password.
            if (!plain.isComplete) {
                return false;
            }
            value = FromNarrowBytes(plain.bytes);
            return true;
        }
        // An older form: the password's own bytes in hexadecimal.
        if (stored.size() % 2 != 0) {
            return false;
        }
        value = FromNarrowBytes(Support::HexToBinary(stored));
        return true;
    } catch (const DSI::DSIException&) {
        // Not hexadecimal: one bad value must not keep the settings from loading.
        return false;
    }
}

void SOConnectionSettings::RemoveSetting(const WideString& key)
{
    DataSourceSection(m_dataSourceName).Remove(key);
}

void SOConnectionSettings::PrepareSave()
{
    const DataSourceSection section(m_dataSourceName);
    if (!section.Read(WideString(DriverSupport::KEY_DRIVER)).IsEmpty()) {
        return;
    }
    if (!section.Create(m_driverName)) {
        throw Varlo::VarloSetupException(DriverSupport::DS_ERROR_REQUEST_FAILED);
    }
    section.Write(WideString(DriverSupport::KEY_DRIVER), m_driverName);
}

void SOConnectionSettings::WriteSetting(const WideString& key, const WideString& value)
{
    DataSourceSection(m_dataSourceName).Write(key, value);
}

void SOConnectionSettings::CompleteSave() {}

void SOConnectionSettings::SaveLoggingOptions()
{
    // A failed write of the logging options is reported like any other
    // failed write: swallowing it would report a save that did not happen.
    m_store->SaveLoggingProperties();
}

bool SOConnectionSettings::SetSetting(const WideString& key, const WideString& value)
{
    std::u16string_view spelling;
    WideString* member = FindMember(key.GetAsU16String(), true, &spelling);
    // The members of the stored passwords hold them deciphered.
    if (!member || spelling == KEY_ENCRYPTED_PWD || spelling == KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD) {
        return false;
    }
    *member = value;
    return true;
}

std::optional<WideString> SOConnectionSettings::GetSetting(const WideString& key)
{
    std::u16string_view spelling;
    const WideString* member = FindMember(key.GetAsU16String(), true, &spelling);
    if (!member || spelling == KEY_ENCRYPTED_PWD || spelling == KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD) {
        return std::nullopt;
    }
    return *member;
}

bool SOConnectionSettings::KeepsSetting(const WideString& key)
{
    return FindMember(key.GetAsU16String(), true) != nullptr;
}

void SOConnectionSettings::LoadSettings(const SettingLookup& lookup)
{
    LoadKeys(lookup,
        {KEY_SPARK_SERVER_TYPE, KEY_AUTH_MECH, KEY_KRB_HOST_FQDN, KEY_KRB_REALM, KEY_KRB_SERVICE_NAME, KEY_UID});
    LoadSecret(lookup, KEY_ENCRYPTED_PWD, m_password);
    LoadKeys(lookup,
        {KEY_DEFAULT_STRING_COLUMN_LENGTH, KEY_BINARY_COLUMN_LENGTH, KEY_DECIMAL_COLUMN_SCALE, KEY_FAST_SQL_PREPARE,
            KEY_ROWS_FETCHED_PER_BLOCK, KEY_SHOW_SYSTEM_TABLE, KEY_USE_NATIVE_QUERY, KEY_USE_ONLY_SSPI,
            KEY_USE_UNICODE_SQL_CHARACTER_TYPES, KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY,
            KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, KEY_ENABLE_ASYNC_EXEC, KEY_ASYNC_EXEC_POLL_INTERVAL});
    if (!LoadKey(lookup, KEY_GET_TABLES_WITH_QUERY)) {
        m_getTablesWithQuery = MakeSwitchValue(GetProductSwitch(WideString(u"get-tbls-with-query"), false));
    }
    LoadKeys(lookup,
        {KEY_SOCKET_TIMEOUT, KEY_SSL, KEY_TRUSTED_CERTS, KEY_CA_ISSUED_CERT_NAMES_MISMATCH,
            KEY_ALLOW_SELF_SIGNED_SERVER_CERT, KEY_TWO_WAY_SSL, KEY_CLIENT_CERT, KEY_CLIENT_PRIVATE_KEY});
    LoadSecret(lookup, KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD, m_clientPrivateKeyPassword);
    if (IsTempTableSupported()) {
        LoadKeys(lookup,
            {KEY_ENABLE_TEMP_TABLE, KEY_WEB_HDFS_HOST, KEY_WEB_HDFS_PORT, KEY_HDFS_TEMP_TABLE_DIR, KEY_HDFS_USER,
                KEY_TEMP_TABLE_TTL});
    }
    LoadKeys(lookup, {KEY_DELEGATION_UID, KEY_ZK_NAMESPACE, KEY_THRIFT_TRANSPORT});
    if (!LoadKey(lookup, KEY_INVALID_SESSION_AUTO_RECOVER)) {
        m_invalidSessionAutoRecover = WideString(SWITCH_ON);
    }
}

WideString* SOConnectionSettings::FindMember(std::u16string_view key, bool ignoreCase, std::u16string_view* spelling)
{
    const std::array<std::pair<std::u16string_view, WideString*>, 49> members = {{
        {KEY_SCHEMA, &m_schema},
        {KEY_DESCRIPTION, &m_description},
        {DriverSupport::KEY_DRIVER, &m_driverName},
        {KEY_HOST, &m_host},
        {KEY_PORT, &m_port},
        {KEY_DEFAULT_STRING_COLUMN_LENGTH, &m_defaultStringColumnLength},
        {KEY_DECIMAL_COLUMN_SCALE, &m_decimalColumnScale},
        {KEY_ROWS_FETCHED_PER_BLOCK, &m_rowsFetchedPerBlock},
        {KEY_USE_NATIVE_QUERY, &m_useNativeQuery},
        {KEY_FAST_SQL_PREPARE, &m_fastSQLPrepare},
        {KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY, &m_fixUnquotedDefaultSchemaName},
        {KEY_SPARK_SERVER_TYPE, &m_serverType},
        {KEY_AUTH_MECH, &m_authMech},
        {KEY_KRB_REALM, &m_krbRealm},
        {KEY_KRB_HOST_FQDN, &m_krbHostFQDN},
        {KEY_KRB_SERVICE_NAME, &m_krbServiceName},
        {KEY_UID, &m_uid},
        {KEY_ENCRYPTED_PWD, &m_password},
        {KEY_DELEGATION_UID, &m_delegationUID},
        {KEY_SOCKET_TIMEOUT, &m_socketTimeout},
        {KEY_TRUSTED_CERTS, &m_trustedCerts},
        {KEY_CA_ISSUED_CERT_NAMES_MISMATCH, &m_caIssuedCertNamesMismatch},
        {KEY_ASYNC_EXEC_POLL_INTERVAL, &m_asyncExecPollInterval},
        {KEY_ENABLE_TEMP_TABLE, &m_enableTempTable},
        {KEY_WEB_HDFS_HOST, &m_webHDFSHost},
        {KEY_WEB_HDFS_PORT, &m_webHDFSPort},
        {KEY_HDFS_USER, &m_hdfsUser},
        {KEY_HDFS_TEMP_TABLE_DIR, &m_hdfsTempTableDir},
        {KEY_TEMP_TABLE_TTL, &m_tempTableTTL},
        {KEY_BINARY_COLUMN_LENGTH, &m_binaryColumnLength},
        {KEY_DRIVER_CONFIG_TAKE_PRECEDENCE, &m_driverConfigTakePrecedence},
        {KEY_ENABLE_ASYNC_EXEC, &m_enableAsyncExec},
        {KEY_GET_TABLES_WITH_QUERY, &m_getTablesWithQuery},
        {KEY_USE_ONLY_SSPI, &m_useOnlySSPI},
        {KEY_USE_UNICODE_SQL_CHARACTER_TYPES, &m_useUnicodeSqlCharacterTypes},
        {KEY_SHOW_SYSTEM_TABLE, &m_showSystemTable},
        {KEY_SERVICE_DISCOVERY_MODE, &m_serviceDiscoveryMode},
        {KEY_ZK_NAMESPACE, &m_zkNamespace},
        {KEY_THRIFT_TRANSPORT, &m_thriftTransport},
        {KEY_SSL, &m_ssl},
        {KEY_ALLOW_SELF_SIGNED_SERVER_CERT, &m_allowSelfSignedServerCert},
        {KEY_TWO_WAY_SSL, &m_twoWaySSL},
        {KEY_CLIENT_CERT, &m_clientCert},
        {KEY_CLIENT_PRIVATE_KEY, &m_clientPrivateKey},
        {KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD, &m_clientPrivateKeyPassword},
        {KEY_INVALID_SESSION_AUTO_RECOVER, &m_invalidSessionAutoRecover},
        {KEY_APPLY_SSP_WITH_QUERIES, nullptr},
        {KEY_LCASE_SSP_KEY_NAME, nullptr},
        {KEY_HTTP_PATH, nullptr},
    }};
    for (const auto& [name, member] : members) {
        if (ignoreCase ? WideString(name).IsEqual(WideString(key), false) : name == key) {
            if (spelling) {
                *spelling = name;
            }
            return member;
        }
    }
    return nullptr;
}

bool SOConnectionSettings::LoadKey(const SettingLookup& lookup, std::u16string_view key)
{
    const WideString* stored = lookup(WideString(key));
    if (!stored) {
        return false;
    }
    if (WideString* member = FindMember(key)) {
        *member = *stored;
    }
    return true;
}

void SOConnectionSettings::LoadKeys(const SettingLookup& lookup, std::initializer_list<std::u16string_view> keys)
{
    for (const std::u16string_view key : keys) {
        LoadKey(lookup, key);
    }
}

void SOConnectionSettings::LoadSecret(const SettingLookup& lookup, std::u16string_view key, WideString& secret)
{
    if (const WideString* stored = lookup(WideString(key))) {
        secret = *stored;
    }
    // The stored value stays as it is until a save changes it.
    if (!DecryptSetting(secret)) {
        secret = WideString();
    }
}

void SOConnectionSettings::SaveKey(std::u16string_view key)
{
    const WideString* member = FindMember(key);
    WriteSetting(WideString(key), member ? *member : WideString(u""));
}

void SOConnectionSettings::SaveKeys(std::initializer_list<std::u16string_view> keys)
{
    for (const std::u16string_view key : keys) {
        SaveKey(key);
    }
}

void SOConnectionSettings::FillSaveDefaults()
{
    const auto fill = [](WideString& member, const WideString& value) {
        if (member.IsEmpty()) {
            member = value;
        }
    };
    fill(m_defaultStringColumnLength,
        Support::NumberConverter::ConvertInt32ToWString(VezurAVUZ::GetDefaultStringColumnLength()));
    fill(m_binaryColumnLength, WideString(u"32767"));
    fill(m_decimalColumnScale, WideString(u"10"));
    fill(m_fastSQLPrepare, WideString(SWITCH_OFF));
    fill(m_rowsFetchedPerBlock, WideString(u"10000"));
    fill(m_showSystemTable, WideString(SWITCH_OFF));
    fill(m_useNativeQuery, WideString(SWITCH_OFF));
    fill(m_useUnicodeSqlCharacterTypes, WideString(SWITCH_OFF));
    fill(m_fixUnquotedDefaultSchemaName, WideString(SWITCH_ON));
}

void SOConnectionSettings::ApplyPasswordRule(WideString& secret, bool save, std::u16string_view key)
{
    if (save) {
        EncryptSetting(secret);
        WriteSetting(WideString(key), secret.IsNull() ? WideString(u"") : secret);
    } else if (secret.IsEmpty()) {
        RemoveSetting(WideString(key));
    }
    // Neither saved nor emptied: whatever storage holds stays.
}

} // namespace Dravo::VezurAVUZ
