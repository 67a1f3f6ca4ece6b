// Ids of the dialog templates, their controls and the product icon. Control
// ids are unique within one template only; the prefix names the dialog.
#pragma once

#include <cstdint>

namespace Dravo::Resources {

// Dialog templates.
inline constexpr int32_t IDD_ADVANCED_OPTIONS = 129;
inline constexpr int32_t IDD_EDIT_PROPERTY = 131;
inline constexpr int32_t IDD_SERVER_SIDE_PROPERTIES = 132;
inline constexpr int32_t IDD_TEST_RESULTS = 133;
inline constexpr int32_t IDD_TEMPORARY_TABLE = 142;
inline constexpr int32_t IDD_SSL_OPTIONS = 1091;
inline constexpr int32_t IDD_DRIVER_CONFIGURATION = 1092;
inline constexpr int32_t IDD_DSN_CONFIGURATION = 1093;
inline constexpr int32_t IDD_LOGGING_OPTIONS = 9109;
inline constexpr int32_t IDD_HTTP_PROPERTIES = 9110;

/// The product icon; the program carries no icon data, so loading it fails.
inline constexpr int32_t IDI_PRODUCT = 9129;

// Shared by every template.
inline constexpr int32_t IDC_STATIC = -1;
inline constexpr int32_t IDC_OK = 1;
inline constexpr int32_t IDC_CANCEL = 2;

// Main configuration dialog (1092 driver-wide, 1093 data source).
inline constexpr int32_t IDC_MAIN_DSN_LABEL = 1000;
inline constexpr int32_t IDC_MAIN_DSN = 1002;
inline constexpr int32_t IDC_MAIN_DESCRIPTION_LABEL = 1004;
inline constexpr int32_t IDC_MAIN_DESCRIPTION = 1003;
inline constexpr int32_t IDC_MAIN_SERVER_TYPE_LABEL = 1061;
inline constexpr int32_t IDC_MAIN_SERVER_TYPE = 1038;
inline constexpr int32_t IDC_MAIN_HOST_LABEL = 1032;
inline constexpr int32_t IDC_MAIN_HOST = 1024;
inline constexpr int32_t IDC_MAIN_PORT_LABEL = 1011;
inline constexpr int32_t IDC_MAIN_PORT = 1030;
inline constexpr int32_t IDC_MAIN_DATABASE_LABEL = 1013;
inline constexpr int32_t IDC_MAIN_DATABASE = 1027;
inline constexpr int32_t IDC_MAIN_MECHANISM = 1040;
inline constexpr int32_t IDC_MAIN_REALM = 1041;
inline constexpr int32_t IDC_MAIN_HOST_FQDN = 1042;
inline constexpr int32_t IDC_MAIN_SERVICE_NAME = 1043;
inline constexpr int32_t IDC_MAIN_USER_NAME = 1044;
inline constexpr int32_t IDC_MAIN_PASSWORD = 1054;
inline constexpr int32_t IDC_MAIN_SAVE_PASSWORD = 1099;
inline constexpr int32_t IDC_MAIN_DELEGATION_UID = 1072;
inline constexpr int32_t IDC_MAIN_TRANSPORT_LABEL = 1094;
inline constexpr int32_t IDC_MAIN_TRANSPORT = 1093;
inline constexpr int32_t IDC_MAIN_HTTP_OPTIONS = 1098;
inline constexpr int32_t IDC_MAIN_SSL_OPTIONS = 1095;
inline constexpr int32_t IDC_MAIN_ADVANCED_OPTIONS = 1029;
inline constexpr int32_t IDC_MAIN_LOGGING_OPTIONS = 1118;
inline constexpr int32_t IDC_MAIN_TEST = 1022;
inline constexpr int32_t IDC_MAIN_VERSION = 1015;
/// Handled by the dialog logic but present in neither template.
inline constexpr int32_t IDC_MAIN_SERVICE_DISCOVERY = 1084;
inline constexpr int32_t IDC_MAIN_ZOOKEEPER_NAMESPACE = 1087;

// Advanced options (129).
inline constexpr int32_t IDC_ADVANCED_USE_NATIVE_QUERY = 1019;
inline constexpr int32_t IDC_ADVANCED_FAST_SQLPREPARE = 1020;
inline constexpr int32_t IDC_ADVANCED_DRIVER_CONFIG_TAKE_PRECEDENCE = 1074;
inline constexpr int32_t IDC_ADVANCED_USE_ASYNC_EXEC = 1075;
inline constexpr int32_t IDC_ADVANCED_GET_TABLES_WITH_QUERY = 1077;
inline constexpr int32_t IDC_ADVANCED_UNICODE_SQL_CHARACTER_TYPES = 1079;
inline constexpr int32_t IDC_ADVANCED_SHOW_SYSTEM_TABLE = 1081;
inline constexpr int32_t IDC_ADVANCED_USE_ONLY_SSPI = 1123;
inline constexpr int32_t IDC_ADVANCED_INVALID_SESSION_AUTO_RECOVER = 1021;
inline constexpr int32_t IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK_LABEL = 1025;
inline constexpr int32_t IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK = 1033;
inline constexpr int32_t IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH_LABEL = 1028;
inline constexpr int32_t IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH = 1026;
inline constexpr int32_t IDC_ADVANCED_BINARY_COLUMN_LENGTH = 1070;
inline constexpr int32_t IDC_ADVANCED_DECIMAL_COLUMN_SCALE = 1046;
inline constexpr int32_t IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL = 1063;
inline constexpr int32_t IDC_ADVANCED_SOCKET_TIMEOUT = 1122;
inline constexpr int32_t IDC_ADVANCED_SERVER_SIDE_PROPERTIES = 1078;
inline constexpr int32_t IDC_ADVANCED_TEMPORARY_TABLE = 1069;

// Property list dialogs (132 server-side properties, 9110 HTTP properties).
inline constexpr int32_t IDC_PROPERTY_LIST = 1084;
inline constexpr int32_t IDC_PROPERTY_ADD = 1080;
inline constexpr int32_t IDC_PROPERTY_EDIT = 1081;
inline constexpr int32_t IDC_PROPERTY_REMOVE = 1082;
inline constexpr int32_t IDC_SSP_LOWER_CASE_KEY_NAME = 1085;
inline constexpr int32_t IDC_SSP_APPLY_WITH_QUERIES = 1078;
inline constexpr int32_t IDC_HTTP_PATH_LABEL = 1001;
inline constexpr int32_t IDC_HTTP_PATH = 1002;

// Edit Property (131).
inline constexpr int32_t IDC_EDIT_PROPERTY_GROUP = 1049;
inline constexpr int32_t IDC_EDIT_PROPERTY_KEY_LABEL = 1047;
inline constexpr int32_t IDC_EDIT_PROPERTY_KEY = 1050;
inline constexpr int32_t IDC_EDIT_PROPERTY_VALUE_LABEL = 1048;
inline constexpr int32_t IDC_EDIT_PROPERTY_VALUE = 1052;

// SSL options (1091).
inline constexpr int32_t IDC_SSL_ENABLE = 1107;
inline constexpr int32_t IDC_SSL_ALLOW_HOST_NAME_MISMATCH = 1056;
inline constexpr int32_t IDC_SSL_ALLOW_SELF_SIGNED = 1116;
inline constexpr int32_t IDC_SSL_TRUSTED_CERTS = 1057;
inline constexpr int32_t IDC_SSL_TRUSTED_CERTS_BROWSE = 1058;
inline constexpr int32_t IDC_SSL_TWO_WAY = 1103;
inline constexpr int32_t IDC_SSL_CLIENT_CERT_LABEL = 1106;
inline constexpr int32_t IDC_SSL_CLIENT_CERT = 1105;
inline constexpr int32_t IDC_SSL_CLIENT_CERT_BROWSE = 1108;
inline constexpr int32_t IDC_SSL_PRIVATE_KEY_LABEL = 1109;
inline constexpr int32_t IDC_SSL_PRIVATE_KEY = 1110;
inline constexpr int32_t IDC_SSL_PRIVATE_KEY_BROWSE = 1111;
inline constexpr int32_t IDC_SSL_KEY_PASSWORD_LABEL = 1112;
inline constexpr int32_t IDC_SSL_KEY_PASSWORD = 1113;
inline constexpr int32_t IDC_SSL_SAVE_KEY_PASSWORD = 1115;

// Temporary table (142).
inline constexpr int32_t IDC_TEMP_TABLE_WEBHDFS_HOST = 1100;
inline constexpr int32_t IDC_TEMP_TABLE_WEBHDFS_PORT = 1101;
inline constexpr int32_t IDC_TEMP_TABLE_HDFS_USER = 1102;
inline constexpr int32_t IDC_TEMP_TABLE_HDFS_DIR = 1067;
inline constexpr int32_t IDC_TEMP_TABLE_TTL = 1068;
inline constexpr int32_t IDC_TEMP_TABLE_ENABLE = 1082;

// Logging options (9109).
inline constexpr int32_t IDC_LOG_LEVEL_LABEL = 8015;
inline constexpr int32_t IDC_LOG_LEVEL = 8014;
inline constexpr int32_t IDC_LOG_PATH_LABEL = 8016;
inline constexpr int32_t IDC_LOG_PATH = 8013;
inline constexpr int32_t IDC_LOG_BROWSE = 8019;
inline constexpr int32_t IDC_LOG_ROTATION_GROUP = 8020;
inline constexpr int32_t IDC_LOG_FILE_COUNT_LABEL = 8017;
inline constexpr int32_t IDC_LOG_FILE_COUNT = 8012;
inline constexpr int32_t IDC_LOG_FILE_SIZE_LABEL = 8018;
inline constexpr int32_t IDC_LOG_FILE_SIZE = 8011;
inline constexpr int32_t IDC_LOG_IMPORT = 1003;
inline constexpr int32_t IDC_LOG_EXPORT = 1004;

// Connection test results (133).
inline constexpr int32_t IDC_TEST_RESULTS_GROUP = 9129;
inline constexpr int32_t IDC_TEST_RESULTS_TEXT = 9128;

} // namespace Dravo::Resources
