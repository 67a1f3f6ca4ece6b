// The settings model: every connection setting of the configuration being
// edited as text, the two property sets, and the two save-password flags. The
// dialogs read and change it; Load fills it from storage and Save writes it
// back in a fixed order. This class keeps one data source in the installer's
// "ODBC.INI"; SODriverConnectionSettings keeps the driver-wide configuration
// under the driver key. The variants differ only in how one value is removed
// or written and in what happens before the first write.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "settings/LoggingOptionsModel.h"
#include "settings/SOHttpProperties.h"
#include "settings/SOServerSideProperties.h"
#include "support/WideString.h"

namespace Dravo::Support {
class DSIFileLogger;
} // namespace Dravo::Support

namespace Dravo::VezurAVUZ {

class SOConnectionSettings {
public:
    /// The logger is not owned and may be null. Without property sets of its
    /// caller's the model uses data-source sets of its own.
    explicit SOConnectionSettings(Support::DSIFileLogger* logger,
        SOServerSideProperties* serverSideProperties = nullptr, SOHttpProperties* httpProperties = nullptr);
    SOConnectionSettings(const SOConnectionSettings&) = delete;
    SOConnectionSettings& operator=(const SOConnectionSettings&) = delete;
    virtual ~SOConnectionSettings();

    /// The data source's settings from its section, then its property sets and
    /// the driver's logging options. DSSetupException 1 for a data source name
    /// the installer rejects.
    virtual void Load();
    /// Writes the model back. A failed write stops the save (what was written
    /// stays written) and raises: DSSetupException for the installer and for
    /// the logging options, the registry error for the driver key.
    void Save();

    /// Encrypts a secret in place into its stored form, "_" + upper-case hex;
    /// the empty text stays empty.
    static void EncryptSetting(Support::WideString& value);
    /// Turns a stored secret back into plain text in place. False, with the
    /// value left as it was, for a text that cannot be deciphered: "_" alone,
    /// text that is not hexadecimal, or cipher text whose padding does not
    /// check out (another key, a damaged value).
    [[nodiscard]] static bool DecryptSetting(Support::WideString& value);

    [[nodiscard]] LoggingOptionsModel& GetConfigurationStore() { return *m_store; }
    [[nodiscard]] SOServerSideProperties& GetServerSideProperties() { return *m_serverSideProperties; }
    [[nodiscard]] SOHttpProperties& GetHttpProperties() { return *m_httpProperties; }
    [[nodiscard]] Support::DSIFileLogger* GetLogger() const { return m_logger; }

    [[nodiscard]] bool GetSavePassword() const { return m_savePassword; }
    void SetSavePassword(bool save) { m_savePassword = save; }
    [[nodiscard]] bool GetSaveClientKeyPassword() const { return m_saveClientKeyPassword; }
    void SetSaveClientKeyPassword(bool save) { m_saveClientKeyPassword = save; }

    [[nodiscard]] const Support::WideString& GetDataSourceName() const { return m_dataSourceName; }
    /// Checks the name with the installer (a rejected name raises
    /// VarloSetupException 7) and hands it to the property sets too.
    void SetDataSourceName(const Support::WideString& name);

    /// Sets the member that holds a stored key (compared without regard to
    /// case); false for a key the model does not keep as plain text: the
    /// property sets' keys, the stored passwords and keys it does not know.
    bool SetSetting(const Support::WideString& key, const Support::WideString& value);
    /// The value of the member SetSetting would set, or nothing.
    [[nodiscard]] std::optional<Support::WideString> GetSetting(const Support::WideString& key);
    /// True for a key the model's save decides about (compared without regard
    /// to case), the stored passwords included.
    [[nodiscard]] bool KeepsSetting(const Support::WideString& key);

    // One getter and one setter per setting; the comment names the key.
    /// "Schema"
    [[nodiscard]] const Support::WideString& GetSchema() const { return m_schema; }
    void SetSchema(const Support::WideString& value) { m_schema = value; }
    /// "DESCRIPTION"
    [[nodiscard]] const Support::WideString& GetDescription() const { return m_description; }
    void SetDescription(const Support::WideString& value) { m_description = value; }
    /// The driver a new data source is registered for ("Driver" in its section).
    [[nodiscard]] const Support::WideString& GetDriverName() const { return m_driverName; }
    void SetDriverName(const Support::WideString& value) { m_driverName = value; }
    /// "Host"
    [[nodiscard]] const Support::WideString& GetHost() const { return m_host; }
    void SetHost(const Support::WideString& value) { m_host = value; }
    /// "Port"
    [[nodiscard]] const Support::WideString& GetPort() const { return m_port; }
    void SetPort(const Support::WideString& value) { m_port = value; }
    /// "DefaultStringColumnLength"
    [[nodiscard]] const Support::WideString& GetDefaultStringColumnLength() const
    {
        return m_defaultStringColumnLength;
    }
    void SetDefaultStringColumnLength(const Support::WideString& value) { m_defaultStringColumnLength = value; }
    /// "DecimalColumnScale"
    [[nodiscard]] const Support::WideString& GetDecimalColumnScale() const { return m_decimalColumnScale; }
    void SetDecimalColumnScale(const Support::WideString& value) { m_decimalColumnScale = value; }
    /// "RowsFetchedPerBlock"
    [[nodiscard]] const Support::WideString& GetRowsFetchedPerBlock() const { return m_rowsFetchedPerBlock; }
    void SetRowsFetchedPerBlock(const Support::WideString& value) { m_rowsFetchedPerBlock = value; }
    /// "UseNativeQuery"
    [[nodiscard]] const Support::WideString& GetUseNativeQuery() const { return m_useNativeQuery; }
    void SetUseNativeQuery(const Support::WideString& value) { m_useNativeQuery = value; }
    /// "FastSQLPrepare"
    [[nodiscard]] const Support::WideString& GetFastSQLPrepare() const { return m_fastSQLPrepare; }
    void SetFastSQLPrepare(const Support::WideString& value) { m_fastSQLPrepare = value; }
    /// "FixUnquotedDefaultSchemaNameInQuery"
    [[nodiscard]] const Support::WideString& GetFixUnquotedDefaultSchemaName() const
    {
        return m_fixUnquotedDefaultSchemaName;
    }
    void SetFixUnquotedDefaultSchemaName(const Support::WideString& value) { m_fixUnquotedDefaultSchemaName = value; }
    /// "SparkServerType"
    [[nodiscard]] const Support::WideString& GetServerType() const { return m_serverType; }
    void SetServerType(const Support::WideString& value) { m_serverType = value; }
    /// "AuthMech"
    [[nodiscard]] const Support::WideString& GetAuthMech() const { return m_authMech; }
    void SetAuthMech(const Support::WideString& value) { m_authMech = value; }
    /// "KrbRealm"
    [[nodiscard]] const Support::WideString& GetKrbRealm() const { return m_krbRealm; }
    void SetKrbRealm(const Support::WideString& value) { m_krbRealm = value; }
    /// "KrbHostFQDN"
    [[nodiscard]] const Support::WideString& GetKrbHostFQDN() const { return m_krbHostFQDN; }
    void SetKrbHostFQDN(const Support::WideString& value) { m_krbHostFQDN = value; }
    /// "KrbServiceName"
    [[nodiscard]] const Support::WideString& GetKrbServiceName() const { return m_krbServiceName; }
    void SetKrbServiceName(const Support::WideString& value) { m_krbServiceName = value; }
    /// "UID"
    [[nodiscard]] const Support::WideString& GetUID() const { return m_uid; }
    void SetUID(const Support::WideString& value) { m_uid = value; }
    /// Plain text; stored enciphered under "EncryptedPWD" (after Save the
    /// member holds that stored form).
    [[nodiscard]] const Support::WideString& GetPassword() const { return m_password; }
    void SetPassword(const Support::WideString& value) { m_password = value; }
    /// "DelegationUID"
    [[nodiscard]] const Support::WideString& GetDelegationUID() const { return m_delegationUID; }
    void SetDelegationUID(const Support::WideString& value) { m_delegationUID = value; }
    /// "SocketTimeout"
    [[nodiscard]] const Support::WideString& GetSocketTimeout() const { return m_socketTimeout; }
    void SetSocketTimeout(const Support::WideString& value) { m_socketTimeout = value; }
    /// "TrustedCerts"
    [[nodiscard]] const Support::WideString& GetTrustedCerts() const { return m_trustedCerts; }
    void SetTrustedCerts(const Support::WideString& value) { m_trustedCerts = value; }
    /// "CAIssuedCertNamesMismatch"
    [[nodiscard]] const Support::WideString& GetCAIssuedCertNamesMismatch() const
    {
        return m_caIssuedCertNamesMismatch;
    }
    void SetCAIssuedCertNamesMismatch(const Support::WideString& value) { m_caIssuedCertNamesMismatch = value; }
    /// "AsyncExecPollInterval"
    [[nodiscard]] const Support::WideString& GetAsyncExecPollInterval() const { return m_asyncExecPollInterval; }
    void SetAsyncExecPollInterval(const Support::WideString& value) { m_asyncExecPollInterval = value; }
    /// "EnableTempTable"
    [[nodiscard]] const Support::WideString& GetEnableTempTable() const { return m_enableTempTable; }
    void SetEnableTempTable(const Support::WideString& value) { m_enableTempTable = value; }
    /// "WebHDFSHost"
    [[nodiscard]] const Support::WideString& GetWebHDFSHost() const { return m_webHDFSHost; }
    void SetWebHDFSHost(const Support::WideString& value) { m_webHDFSHost = value; }
    /// "WebHDFSPort"
    [[nodiscard]] const Support::WideString& GetWebHDFSPort() const { return m_webHDFSPort; }
    void SetWebHDFSPort(const Support::WideString& value) { m_webHDFSPort = value; }
    /// "HDFSUser"
    [[nodiscard]] const Support::WideString& GetHDFSUser() const { return m_hdfsUser; }
    void SetHDFSUser(const Support::WideString& value) { m_hdfsUser = value; }
    /// "HDFSTempTableDir"
    [[nodiscard]] const Support::WideString& GetHDFSTempTableDir() const { return m_hdfsTempTableDir; }
    void SetHDFSTempTableDir(const Support::WideString& value) { m_hdfsTempTableDir = value; }
    /// "TempTableTTL"
    [[nodiscard]] const Support::WideString& GetTempTableTTL() const { return m_tempTableTTL; }
    void SetTempTableTTL(const Support::WideString& value) { m_tempTableTTL = value; }
    /// "BinaryColumnLength"
    [[nodiscard]] const Support::WideString& GetBinaryColumnLength() const { return m_binaryColumnLength; }
    void SetBinaryColumnLength(const Support::WideString& value) { m_binaryColumnLength = value; }
    /// "DriverConfigTakePrecedence"
    [[nodiscard]] const Support::WideString& GetDriverConfigTakePrecedence() const
    {
        return m_driverConfigTakePrecedence;
    }
    void SetDriverConfigTakePrecedence(const Support::WideString& value) { m_driverConfigTakePrecedence = value; }
    /// "EnableAsyncExec"
    [[nodiscard]] const Support::WideString& GetEnableAsyncExec() const { return m_enableAsyncExec; }
    void SetEnableAsyncExec(const Support::WideString& value) { m_enableAsyncExec = value; }
    /// "GetTablesWithQuery"
    [[nodiscard]] const Support::WideString& GetTablesWithQuery() const { return m_getTablesWithQuery; }
    void SetTablesWithQuery(const Support::WideString& value) { m_getTablesWithQuery = value; }
    /// "UseOnlySSPI"
    [[nodiscard]] const Support::WideString& GetUseOnlySSPI() const { return m_useOnlySSPI; }
    void SetUseOnlySSPI(const Support::WideString& value) { m_useOnlySSPI = value; }
    /// "UseUnicodeSqlCharacterTypes"
    [[nodiscard]] const Support::WideString& GetUseUnicodeSqlCharacterTypes() const
    {
        return m_useUnicodeSqlCharacterTypes;
    }
    void SetUseUnicodeSqlCharacterTypes(const Support::WideString& value) { m_useUnicodeSqlCharacterTypes = value; }
    /// "ShowSystemTable"
    [[nodiscard]] const Support::WideString& GetShowSystemTable() const { return m_showSystemTable; }
    void SetShowSystemTable(const Support::WideString& value) { m_showSystemTable = value; }
    /// "ServiceDiscoveryMode"
    [[nodiscard]] const Support::WideString& GetServiceDiscoveryMode() const { return m_serviceDiscoveryMode; }
    void SetServiceDiscoveryMode(const Support::WideString& value) { m_serviceDiscoveryMode = value; }
    /// "ZKNamespace"
    [[nodiscard]] const Support::WideString& GetZKNamespace() const { return m_zkNamespace; }
    void SetZKNamespace(const Support::WideString& value) { m_zkNamespace = value; }
    /// "ThriftTransport"
    [[nodiscard]] const Support::WideString& GetThriftTransport() const { return m_thriftTransport; }
    void SetThriftTransport(const Support::WideString& value) { m_thriftTransport = value; }
    /// "SSL"
    [[nodiscard]] const Support::WideString& GetSSL() const { return m_ssl; }
    void SetSSL(const Support::WideString& value) { m_ssl = value; }
    /// "AllowSelfSignedServerCert"
    [[nodiscard]] const Support::WideString& GetAllowSelfSignedServerCert() const
    {
        return m_allowSelfSignedServerCert;
    }
    void SetAllowSelfSignedServerCert(const Support::WideString& value) { m_allowSelfSignedServerCert = value; }
    /// "TwoWaySSL"
    [[nodiscard]] const Support::WideString& GetTwoWaySSL() const { return m_twoWaySSL; }
    void SetTwoWaySSL(const Support::WideString& value) { m_twoWaySSL = value; }
    /// "ClientCert"
    [[nodiscard]] const Support::WideString& GetClientCert() const { return m_clientCert; }
    void SetClientCert(const Support::WideString& value) { m_clientCert = value; }
    /// "ClientPrivateKey"
    [[nodiscard]] const Support::WideString& GetClientPrivateKey() const { return m_clientPrivateKey; }
    void SetClientPrivateKey(const Support::WideString& value) { m_clientPrivateKey = value; }
    /// Plain text; stored enciphered under "EncryptedClientPrivateKeyPWD".
    [[nodiscard]] const Support::WideString& GetClientPrivateKeyPassword() const { return m_clientPrivateKeyPassword; }
    void SetClientPrivateKeyPassword(const Support::WideString& value) { m_clientPrivateKeyPassword = value; }
    /// "InvalidSessionAutoRecover"
    [[nodiscard]] const Support::WideString& GetInvalidSessionAutoRecover() const
    {
        return m_invalidSessionAutoRecover;
    }
    void SetInvalidSessionAutoRecover(const Support::WideString& value) { m_invalidSessionAutoRecover = value; }

protected:
    /// The value stored under a key, or nullptr when storage has none.
    using SettingLookup = std::function<const Support::WideString*(const Support::WideString& key)>;

    virtual void RemoveSetting(const Support::WideString& key);
    /// Makes sure the data source exists before the first write: registers it
    /// for the driver name when its section has no "Driver" entry.
    virtual void PrepareSave();
    virtual void WriteSetting(const Support::WideString& key, const Support::WideString& value);
    /// Runs after everything was written.
    virtual void CompleteSave();
    /// The last step of a save: the driver's logging options, which the
    /// configuration store carries.
    virtual void SaveLoggingOptions();

    /// The load steps both variants share: every main setting in a fixed
    /// order, the two passwords deciphered (cleared when they cannot be), and
    /// the defaults of "GetTablesWithQuery" and "InvalidSessionAutoRecover"
    /// for keys that storage lacks.
    void LoadSettings(const SettingLookup& lookup);

private:
    /// The member that holds a key's value, or nullptr for a key the model
    /// does not keep; SPELLING receives the key as the model writes it.
    [[nodiscard]] Support::WideString* FindMember(
        std::u16string_view key, bool ignoreCase = false, std::u16string_view* spelling = nullptr);
    /// Sets the key's member from storage; false when storage lacks the key.
    bool LoadKey(const SettingLookup& lookup, std::u16string_view key);
    void LoadKeys(const SettingLookup& lookup, std::initializer_list<std::u16string_view> keys);
    void LoadSecret(const SettingLookup& lookup, std::u16string_view key, Support::WideString& secret);
    void SaveKey(std::u16string_view key);
    void SaveKeys(std::initializer_list<std::u16string_view> keys);
    void FillSaveDefaults();
    void ApplyPasswordRule(Support::WideString& secret, bool save, std::u16string_view key);

    std::unique_ptr<LoggingOptionsModel> m_store;
    Support::WideString m_schema;
    Support::WideString m_description;
    Support::WideString m_driverName;
    Support::WideString m_dataSourceName;
    Support::WideString m_host;
    Support::WideString m_port;
    Support::WideString m_defaultStringColumnLength;
    Support::WideString m_decimalColumnScale;
    Support::WideString m_rowsFetchedPerBlock;
    Support::WideString m_useNativeQuery;
    Support::WideString m_fastSQLPrepare;
    Support::WideString m_fixUnquotedDefaultSchemaName;
    Support::WideString m_serverType;
    Support::WideString m_authMech;
    Support::WideString m_krbRealm;
    Support::WideString m_krbHostFQDN;
    Support::WideString m_krbServiceName;
    Support::WideString m_uid;
    Support::WideString m_password;
    Support::WideString m_delegationUID;
    Support::WideString m_socketTimeout;
    Support::WideString m_trustedCerts;
    Support::WideString m_caIssuedCertNamesMismatch;
    Support::WideString m_asyncExecPollInterval;
    Support::WideString m_enableTempTable;
    Support::WideString m_webHDFSHost;
    Support::WideString m_webHDFSPort;
    Support::WideString m_hdfsUser;
    Support::WideString m_hdfsTempTableDir;
    Support::WideString m_tempTableTTL;
    Support::WideString m_binaryColumnLength;
    Support::WideString m_driverConfigTakePrecedence;
    Support::WideString m_enableAsyncExec;
    Support::WideString m_getTablesWithQuery;
    Support::WideString m_useOnlySSPI;
    Support::WideString m_useUnicodeSqlCharacterTypes;
    Support::WideString m_showSystemTable;
    Support::WideString m_serviceDiscoveryMode;
    Support::WideString m_zkNamespace;
    Support::WideString m_thriftTransport;
    Support::WideString m_ssl;
    Support::WideString m_allowSelfSignedServerCert;
    Support::WideString m_twoWaySSL;
    Support::WideString m_clientCert;
    Support::WideString m_clientPrivateKey;
    Support::WideString m_clientPrivateKeyPassword;
    Support::WideString m_invalidSessionAutoRecover;
    SOServerSideProperties m_ownServerSideProperties;
    SOHttpProperties m_ownHttpProperties;
    SOServerSideProperties* m_serverSideProperties;
    SOHttpProperties* m_httpProperties;
    Support::DSIFileLogger* m_logger;
    bool m_savePassword = false;
    bool m_saveClientKeyPassword = false;
};

} // namespace Dravo::VezurAVUZ
