// The vocabulary of connection settings: every key the tool reads or writes,
// the labels the dialogs show for them and for their values, the prefixes of
// the two property sets, and how a stored text is read. Every other file names
// a key through these constants. The keys that the configuration-support
// library shares ("DSN", "Driver", "PWD" and the logging options) are in
// driversupport/DSKeys.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

// --- Values of switches -----------------------------------------------------

/// A switch is on exactly when its value is this text.
inline constexpr std::u16string_view SWITCH_ON = u"1";
inline constexpr std::u16string_view SWITCH_OFF = u"0";

// --- Keys of the main settings ----------------------------------------------

inline constexpr std::u16string_view KEY_SPARK_SERVER_TYPE = u"SparkServerType";
inline constexpr std::u16string_view KEY_AUTH_MECH = u"AuthMech";
inline constexpr std::u16string_view KEY_KRB_REALM = u"KrbRealm";
inline constexpr std::u16string_view KEY_KRB_HOST_FQDN = u"KrbHostFQDN";
inline constexpr std::u16string_view KEY_KRB_SERVICE_NAME = u"KrbServiceName";
inline constexpr std::u16string_view KEY_UID = u"UID";
inline constexpr std::u16string_view KEY_ENCRYPTED_PWD = u"EncryptedPWD";
inline constexpr std::u16string_view KEY_DELEGATION_UID = u"DelegationUID";
inline constexpr std::u16string_view KEY_THRIFT_TRANSPORT = u"ThriftTransport";
inline constexpr std::u16string_view KEY_HTTP_PATH = u"HTTPPath";
inline constexpr std::u16string_view KEY_SERVICE_DISCOVERY_MODE = u"ServiceDiscoveryMode";
inline constexpr std::u16string_view KEY_ZK_NAMESPACE = u"ZKNamespace";
inline constexpr std::u16string_view KEY_SSL = u"SSL";
inline constexpr std::u16string_view KEY_TRUSTED_CERTS = u"TrustedCerts";
inline constexpr std::u16string_view KEY_CA_ISSUED_CERT_NAMES_MISMATCH = u"CAIssuedCertNamesMismatch";
inline constexpr std::u16string_view KEY_ALLOW_SELF_SIGNED_SERVER_CERT = u"AllowSelfSignedServerCert";
inline constexpr std::u16string_view KEY_TWO_WAY_SSL = u"TwoWaySSL";
inline constexpr std::u16string_view KEY_CLIENT_CERT = u"ClientCert";
inline constexpr std::u16string_view KEY_CLIENT_PRIVATE_KEY = u"ClientPrivateKey";
inline constexpr std::u16string_view KEY_ENCRYPTED_CLIENT_PRIVATE_KEY_PWD = u"EncryptedClientPrivateKeyPWD";
inline constexpr std::u16string_view KEY_ROWS_FETCHED_PER_BLOCK = u"RowsFetchedPerBlock";
inline constexpr std::u16string_view KEY_DEFAULT_STRING_COLUMN_LENGTH = u"DefaultStringColumnLength";
inline constexpr std::u16string_view KEY_BINARY_COLUMN_LENGTH = u"BinaryColumnLength";
inline constexpr std::u16string_view KEY_DECIMAL_COLUMN_SCALE = u"DecimalColumnScale";
inline constexpr std::u16string_view KEY_USE_NATIVE_QUERY = u"UseNativeQuery";
inline constexpr std::u16string_view KEY_FAST_SQL_PREPARE = u"FastSQLPrepare";
inline constexpr std::u16string_view KEY_FIX_UNQUOTED_DEFAULT_SCHEMA_NAME_IN_QUERY =
    u"FixUnquotedDefaultSchemaNameInQuery";
inline constexpr std::u16string_view KEY_SHOW_SYSTEM_TABLE = u"ShowSystemTable";
inline constexpr std::u16string_view KEY_USE_UNICODE_SQL_CHARACTER_TYPES = u"UseUnicodeSqlCharacterTypes";
inline constexpr std::u16string_view KEY_DRIVER_CONFIG_TAKE_PRECEDENCE = u"DriverConfigTakePrecedence";
inline constexpr std::u16string_view KEY_SOCKET_TIMEOUT = u"SocketTimeout";
inline constexpr std::u16string_view KEY_ENABLE_ASYNC_EXEC = u"EnableAsyncExec";
inline constexpr std::u16string_view KEY_ASYNC_EXEC_POLL_INTERVAL = u"AsyncExecPollInterval";
inline constexpr std::u16string_view KEY_GET_TABLES_WITH_QUERY = u"GetTablesWithQuery";
inline constexpr std::u16string_view KEY_USE_ONLY_SSPI = u"UseOnlySSPI";
inline constexpr std::u16string_view KEY_INVALID_SESSION_AUTO_RECOVER = u"InvalidSessionAutoRecover";
inline constexpr std::u16string_view KEY_APPLY_SSP_WITH_QUERIES = u"ApplySSPWithQueries";
inline constexpr std::u16string_view KEY_LCASE_SSP_KEY_NAME = u"LCaseSspKeyName";

// --- Keys of the temporary-table options --------------------------------------

inline constexpr std::u16string_view KEY_ENABLE_TEMP_TABLE = u"EnableTempTable";
inline constexpr std::u16string_view KEY_WEB_HDFS_HOST = u"WebHDFSHost";
inline constexpr std::u16string_view KEY_WEB_HDFS_PORT = u"WebHDFSPort";
inline constexpr std::u16string_view KEY_HDFS_USER = u"HDFSUser";
inline constexpr std::u16string_view KEY_HDFS_TEMP_TABLE_DIR = u"HDFSTempTableDir";
inline constexpr std::u16string_view KEY_TEMP_TABLE_TTL = u"TempTableTTL";

// --- Keys of one data source, never written driver-wide -----------------------

inline constexpr std::u16string_view KEY_DESCRIPTION = u"DESCRIPTION";
inline constexpr std::u16string_view KEY_HOST = u"Host";
inline constexpr std::u16string_view KEY_PORT = u"Port";
inline constexpr std::u16string_view KEY_SCHEMA = u"Schema";

// --- Keys the driver knows and this tool leaves alone -------------------------

inline constexpr std::u16string_view KEY_CONNECTION_TEST_TIMEOUT = u"ConnectionTestTimeout";
inline constexpr std::u16string_view KEY_FORCE_SYNCHRONOUS_EXEC = u"ForceSynchronousExec";
inline constexpr std::u16string_view KEY_MAX_NUM_IDLE_CXNS = u"MaxNumIdleCxns";
inline constexpr std::u16string_view KEY_SYS_TBL_ROW_LIMIT = u"SysTblRowLimit";
inline constexpr std::u16string_view KEY_TABLE_FIELD_DELIMITER = u"TableFieldDelimiter";
inline constexpr std::u16string_view KEY_TABLE_ROW_TERMINATOR = u"TableRowTerminator";
inline constexpr std::u16string_view KEY_TCP_KEEPALIVE_INTERVAL = u"TcpKeepaliveInterval";
inline constexpr std::u16string_view KEY_TCP_KEEPALIVE_TIME = u"TcpKeepaliveTime";
inline constexpr std::u16string_view KEY_TSASL_TRANSPORT_BUF_SIZE = u"TSaslTransportBufSize";

// --- Prefixes of the property sets ---------------------------------------------

/// A stored key belongs to a set when it begins with the prefix exactly
/// (case-sensitive); the property name is the rest.
inline constexpr std::string_view SERVER_SIDE_PROPERTY_PREFIX = "SSP_";
inline constexpr std::string_view HTTP_HEADER_PREFIX = "http.header.";

// --- Labels of the settings, as the dialogs caption them -----------------------

inline constexpr std::u16string_view LABEL_SPARK_SERVER_TYPE = u"Spark Server Type:";
inline constexpr std::u16string_view LABEL_AUTH_MECH = u"Mechanism:";
inline constexpr std::u16string_view LABEL_KRB_REALM = u"Realm: ";
inline constexpr std::u16string_view LABEL_KRB_HOST_FQDN = u"Host FQDN:";
inline constexpr std::u16string_view LABEL_KRB_SERVICE_NAME = u"Service Name:";
inline constexpr std::u16string_view LABEL_UID = u"User Name:";
inline constexpr std::u16string_view LABEL_PASSWORD = u"Password:";
inline constexpr std::u16string_view LABEL_DELEGATION_UID = u"Delegation UID:";
inline constexpr std::u16string_view LABEL_THRIFT_TRANSPORT = u"Thrift Transport:";
inline constexpr std::u16string_view LABEL_HTTP_PATH = u"HTTP Path:";
inline constexpr std::u16string_view LABEL_SSL = u"Enable SSL";
inline constexpr std::u16string_view LABEL_TRUSTED_CERTS = u"Trusted Certificates";
inline constexpr std::u16string_view LABEL_CA_ISSUED_CERT_NAMES_MISMATCH = u"Allow Common Name Host Name Mismatch";
inline constexpr std::u16string_view LABEL_ALLOW_SELF_SIGNED_SERVER_CERT = u"Allow Self-signed Server Certificate";
inline constexpr std::u16string_view LABEL_TWO_WAY_SSL = u"Two-way SSL";
inline constexpr std::u16string_view LABEL_CLIENT_CERT = u"Client Certificate File";
inline constexpr std::u16string_view LABEL_CLIENT_PRIVATE_KEY = u"Client Private Key File";
inline constexpr std::u16string_view LABEL_CLIENT_PRIVATE_KEY_PWD = u"Client Private Key Password";
inline constexpr std::u16string_view LABEL_ROWS_FETCHED_PER_BLOCK = u"Rows fetched per block:";
inline constexpr std::u16string_view LABEL_DEFAULT_STRING_COLUMN_LENGTH = u"Default string column length:";
inline constexpr std::u16string_view LABEL_BINARY_COLUMN_LENGTH = u"Binary column length:";
inline constexpr std::u16string_view LABEL_DECIMAL_COLUMN_SCALE = u"Decimal column scale:";
inline constexpr std::u16string_view LABEL_USE_NATIVE_QUERY = u"Use Native Query";
inline constexpr std::u16string_view LABEL_FAST_SQL_PREPARE = u"Fast SQLPrepare";
inline constexpr std::u16string_view LABEL_SHOW_SYSTEM_TABLE = u"Show System Table";
inline constexpr std::u16string_view LABEL_USE_UNICODE_SQL_CHARACTER_TYPES = u"Unicode SQL character types";
inline constexpr std::u16string_view LABEL_DRIVER_CONFIG_TAKE_PRECEDENCE = u"Driver Config Take Precedence";
inline constexpr std::u16string_view LABEL_SOCKET_TIMEOUT = u"Socket Timeout (s):";
inline constexpr std::u16string_view LABEL_ENABLE_ASYNC_EXEC = u"Use Async Exec";
inline constexpr std::u16string_view LABEL_ASYNC_EXEC_POLL_INTERVAL = u"Async Exec Poll Interval (ms):";
inline constexpr std::u16string_view LABEL_GET_TABLES_WITH_QUERY = u"Get Tables With Query";
inline constexpr std::u16string_view LABEL_USE_ONLY_SSPI = u"Use only SSPI ";
inline constexpr std::u16string_view LABEL_INVALID_SESSION_AUTO_RECOVER = u"Invalid Session Auto Recover";
inline constexpr std::u16string_view LABEL_APPLY_SSP_WITH_QUERIES = u"Apply properties with queries";
inline constexpr std::u16string_view LABEL_LCASE_SSP_KEY_NAME = u"Convert Key Name to Lower Case";
inline constexpr std::u16string_view LABEL_ENABLE_TEMP_TABLE = u"Enable Temporary Table";
inline constexpr std::u16string_view LABEL_WEB_HDFS_HOST = u"Web HDFS Host:";
inline constexpr std::u16string_view LABEL_WEB_HDFS_PORT = u"Web HDFS Port:";
inline constexpr std::u16string_view LABEL_HDFS_USER = u"HDFS User:";
inline constexpr std::u16string_view LABEL_HDFS_TEMP_TABLE_DIR = u"Data file HDFS dir:";
inline constexpr std::u16string_view LABEL_TEMP_TABLE_TTL = u"Temp Table TTL (minutes):";

// --- Value tables: labels in stored-value order ----------------------------------

/// "SparkServerType" 1..3; the label of type t is at index t - 1.
inline constexpr uint32_t SERVER_TYPE_SHARK = 1;
inline constexpr uint32_t SERVER_TYPE_SHARK2 = 2;
inline constexpr uint32_t SERVER_TYPE_SPARK_THRIFT = 3;
inline constexpr std::array<std::u16string_view, 3> SERVER_TYPE_LABELS = {
    u"SharkServer (Shark 0.8.1 and earlier)",
    u"SharkServer2 (Shark 0.9.*)",
    u"SparkThriftServer (Spark 1.1 and later)",
};

/// "AuthMech" 0..10: the label of mechanism m is at index m.
inline constexpr uint32_t AUTH_MECH_NONE = 0;
inline constexpr uint32_t AUTH_MECH_KERBEROS = 1;
inline constexpr uint32_t AUTH_MECH_USER_NAME = 2;
inline constexpr uint32_t AUTH_MECH_USER_NAME_PASSWORD = 3;
inline constexpr uint32_t AUTH_MECH_USER_NAME_PASSWORD_SSL = 4;
inline constexpr uint32_t AUTH_MECH_HDINSIGHT_EMULATOR = 5;
inline constexpr uint32_t AUTH_MECH_HDINSIGHT_SERVICE = 6;
inline constexpr uint32_t AUTH_MECH_HTTP = 7;
inline constexpr uint32_t AUTH_MECH_HTTPS = 8;
inline constexpr uint32_t AUTH_MECH_KERBEROS_HTTP = 9;
inline constexpr uint32_t AUTH_MECH_KERBEROS_HTTPS = 10;
inline constexpr std::array<std::u16string_view, 11> AUTH_MECH_LABELS = {
    u"No Authentication",
    u"Kerberos",
    u"User Name",
    u"User Name and Password",
    u"User Name and Password (SSL)",
    u"Windows Azure HDInsight Emulator",
    u"Windows Azure HDInsight Service",
    u"HTTP",
    u"HTTPS",
    u"Kerberos over HTTP",
    u"Kerberos over HTTPS",
};

/// "ThriftTransport" 0..2 (the numbers are TRANSPORT_* of ProductSwitches.h).
inline constexpr std::array<std::u16string_view, 3> THRIFT_TRANSPORT_LABELS = {u"Binary", u"SASL", u"HTTP"};

/// "ServiceDiscoveryMode" 0..1.
inline constexpr uint32_t SERVICE_DISCOVERY_NONE = 0;
inline constexpr uint32_t SERVICE_DISCOVERY_ZOOKEEPER = 1;
inline constexpr std::array<std::u16string_view, 2> SERVICE_DISCOVERY_MODE_LABELS = {
    u"No Service Discovery", u"ZooKeeper"};

/// The largest "DecimalColumnScale" the advanced options take.
inline constexpr uint32_t MAX_DECIMAL_COLUMN_SCALE = 38;

// --- Reading stored texts ------------------------------------------------------------

/// On exactly when the text is "1".
[[nodiscard]] bool IsSwitchOn(const Support::WideString& value);
/// "1" or "0".
[[nodiscard]] Support::WideString MakeSwitchValue(bool on);

/// "3" gives 3, "2" gives 2, any other text (" 3" and "03" included) 1.
[[nodiscard]] uint32_t ReadServerType(const Support::WideString& value);
/// An unsigned 16-bit number (strict), else the product default mechanism.
/// Numbers above 10 are returned as they are.
[[nodiscard]] uint32_t ReadAuthMech(const Support::WideString& value);
/// 0, 1 or 2; anything else (negative, 3 or more, no number) gives 1.
[[nodiscard]] uint32_t ReadThriftTransport(const Support::WideString& value);
/// "1" gives 1, anything else 0.
[[nodiscard]] uint32_t ReadServiceDiscoveryMode(const Support::WideString& value);

/// The port a data source gets when its "Port" is no number: "443" for
/// mechanism 6, "10001" for 5, "10000" for every other.
[[nodiscard]] Support::WideString GetDefaultPort(uint32_t mechanism);

} // namespace Dravo::VezurAVUZ
