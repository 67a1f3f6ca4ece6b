// Ids of the string-table entries (StringTable.cpp holds the texts).
#pragma once

#include <cstdint>

namespace Dravo::Resources {

// Messages of the main configuration dialog.
inline constexpr uint32_t IDS_DSN_EMPTY = 109;
inline constexpr uint32_t IDS_DSN_INVALID_CHARACTERS = 111;
inline constexpr uint32_t IDS_INVALID_DSN_CAPTION = 112;
inline constexpr uint32_t IDS_INVALID_PORT_CAPTION = 126;
inline constexpr uint32_t IDS_INVALID_PORT = 127;
inline constexpr uint32_t IDS_HOST_EMPTY = 128;
inline constexpr uint32_t IDS_INVALID_HOST_CAPTION = 130;

// Bitness suffixes of the version label.
inline constexpr uint32_t IDS_BITNESS_32 = 138;
inline constexpr uint32_t IDS_BITNESS_64 = 139;

// Connection test report.
inline constexpr uint32_t IDS_REPORT_ODBC_VERSION = 1088;
inline constexpr uint32_t IDS_REPORT_DRIVER_VERSION = 1089;
inline constexpr uint32_t IDS_REPORT_BITNESS = 1090;
/// The bitness line of a 64-bit build, which 1090 would misreport.
inline constexpr uint32_t IDS_REPORT_BITNESS_64 = 9148;
inline constexpr uint32_t IDS_REPORT_LOCALE = 1092;
inline constexpr uint32_t IDS_TEST_RESULTS_TITLE = 1093;
inline constexpr uint32_t IDS_REPORT_FAILED = 1094;
inline constexpr uint32_t IDS_REPORT_SUCCESS = 1095;

// Import and export of configuration files.
inline constexpr uint32_t IDS_IMPORT_CONFIGURATION = 1096;
inline constexpr uint32_t IDS_EXPORT_CONFIGURATION = 1097;
inline constexpr uint32_t IDS_EXPORT_FILE_TITLE = 1098;
inline constexpr uint32_t IDS_IMPORT_FILE_TITLE = 1099;

// Configuration-support errors, indexed through the setup error codes.
inline constexpr uint32_t IDS_CONFIGURATION_ERROR_CAPTION = 9101;
inline constexpr uint32_t IDS_ERROR_INVALID_HWND = 9102;
inline constexpr uint32_t IDS_ERROR_INVALID_KEYWORD_VALUE = 9103;
inline constexpr uint32_t IDS_ERROR_INVALID_NAME = 9104;
inline constexpr uint32_t IDS_ERROR_INVALID_REQUEST_TYPE = 9105;
inline constexpr uint32_t IDS_ERROR_REQUEST_FAILED = 9106;
inline constexpr uint32_t IDS_ERROR_DRIVER_SPECIFIC = 9107;
inline constexpr uint32_t IDS_ERROR_DSN_EMPTY = 9108;
inline constexpr uint32_t IDS_ERROR_DSN_INVALID_CHARACTERS = 9109;
inline constexpr uint32_t IDS_ERROR_REGISTRY_WRITE = 9110;
inline constexpr uint32_t IDS_ERROR_LOG_FILE_COUNT = 9111;
inline constexpr uint32_t IDS_ERROR_LOG_FILE_SIZE = 9112;

// Captions of the logging dialog and shared button texts.
inline constexpr uint32_t IDS_BROWSE = 9113;
inline constexpr uint32_t IDS_OK = 9114;
inline constexpr uint32_t IDS_CANCEL = 9115;
inline constexpr uint32_t IDS_MAX_NUMBER_FILES = 9116;
inline constexpr uint32_t IDS_MAX_FILE_SIZE = 9117;
inline constexpr uint32_t IDS_LOG_ROTATION = 9118;
inline constexpr uint32_t IDS_CHOOSE_LOG_DIRECTORY = 9119;
inline constexpr uint32_t IDS_LOGGING_OPTIONS_TITLE = 9124;
inline constexpr uint32_t IDS_LOG_LEVEL = 9125;
inline constexpr uint32_t IDS_LOG_PATH = 9126;

// Export refusals: a setting that the file format cannot hold, a file that
// could not be written completely ("%1" is replaced).
inline constexpr uint32_t IDS_EXPORT_UNSAFE_SETTING = 9140;
inline constexpr uint32_t IDS_EXPORT_WRITE_FAILED = 9141;

// A data source name that the ODBC installer refuses ("%1" the name, "%2" the
// refused characters).
inline constexpr uint32_t IDS_DSN_REFUSED_CHARACTERS = 9142;
inline constexpr uint32_t IDS_DSN_REFUSED = 9143;
inline constexpr uint32_t IDS_DSN_INSTALLER_UNAVAILABLE = 9144;

// Connection test failures that carry no diagnostic record of the driver
// manager ("%1" is replaced).
inline constexpr uint32_t IDS_DRIVER_MANAGER_UNAVAILABLE = 9145;
inline constexpr uint32_t IDS_CONNECTION_SETTING_UNUSABLE = 9146;
inline constexpr uint32_t IDS_DRIVER_CALL_FAILED = 9147;

// Errors the setup library hands to the ODBC installer ("%1", "%2" and "%3"
// are replaced as each says).
/// %1 the attribute as given.
inline constexpr uint32_t IDS_SETUP_ATTRIBUTE_WITHOUT_VALUE = 9160;
inline constexpr uint32_t IDS_SETUP_ATTRIBUTE_WITHOUT_NAME = 9161;
/// %1 the attribute's name.
inline constexpr uint32_t IDS_SETUP_ATTRIBUTE_NAME_CHARACTERS = 9162;
inline constexpr uint32_t IDS_SETUP_ATTRIBUTE_VALUE_CHARACTERS = 9163;
inline constexpr uint32_t IDS_SETUP_ATTRIBUTES_NOT_TEXT = 9164;
inline constexpr uint32_t IDS_SETUP_ATTRIBUTE_TWICE = 9165;
inline constexpr uint32_t IDS_SETUP_ATTRIBUTES_TOO_LONG = 9166;
inline constexpr uint32_t IDS_SETUP_DSN_MISSING = 9167;
/// %1 the data source name.
inline constexpr uint32_t IDS_SETUP_DSN_NOT_FOUND = 9168;
/// %1 the key, %2 the value, %3 what it may be.
inline constexpr uint32_t IDS_SETUP_VALUE_NOT_ONE_OF = 9169;
/// %1 the key, %2 the value, %3 and %4 the smallest and largest number.
inline constexpr uint32_t IDS_SETUP_VALUE_NOT_NUMBER = 9170;
/// %1 the transport, %2 the mechanism, %3 the transports it allows.
inline constexpr uint32_t IDS_SETUP_TRANSPORT_NOT_ALLOWED = 9171;
inline constexpr uint32_t IDS_SETUP_KERBEROS_INCOMPLETE = 9172;
inline constexpr uint32_t IDS_SETUP_ZOOKEEPER_INCOMPLETE = 9173;
/// %1 the key, %2 the longest length in bytes.
inline constexpr uint32_t IDS_SETUP_VALUE_TOO_LONG = 9174;
/// %1 the key.
inline constexpr uint32_t IDS_SETUP_PASSWORD_NOT_ENCIPHERED = 9175;
/// %1 the data source name, %2 why.
inline constexpr uint32_t IDS_SETUP_SAVE_FAILED = 9176;
inline constexpr uint32_t IDS_SETUP_SAVE_UNDONE = 9177;
inline constexpr uint32_t IDS_SETUP_SAVE_NOT_UNDONE = 9178;
/// %1 the data source name.
inline constexpr uint32_t IDS_SETUP_REMOVE_FAILED = 9179;
/// %1 the request's number.
inline constexpr uint32_t IDS_SETUP_UNKNOWN_REQUEST = 9180;
inline constexpr uint32_t IDS_SETUP_NO_TERMINAL = 9181;
inline constexpr uint32_t IDS_SETUP_CANCELLED = 9182;
inline constexpr uint32_t IDS_SETUP_DRIVER_DIALOG_NEEDS_WINDOW = 9183;
/// %1 why.
inline constexpr uint32_t IDS_SETUP_DIALOG_FAILED = 9184;
inline constexpr uint32_t IDS_SETUP_OUT_OF_MEMORY = 9185;
/// %1 what failed.
inline constexpr uint32_t IDS_SETUP_UNEXPECTED = 9186;
/// %1 the entry's name.
inline constexpr uint32_t IDS_SETUP_ENTRY_REFUSED = 9187;
inline constexpr uint32_t IDS_SETUP_CREATE_REFUSED = 9188;
/// %1 the old name, %2 the new one.
inline constexpr uint32_t IDS_SETUP_OLD_NAME_KEPT = 9189;
/// %1 why.
inline constexpr uint32_t IDS_SETUP_LOGGING_NOT_SAVED = 9190;
/// %1 the setting, %2 its server type's label.
inline constexpr uint32_t IDS_SETTING_UNUSED_SERVER_TYPE = 9191;
/// %1 the setting, %2 the mechanisms it is used with, %3 the mechanism's label.
inline constexpr uint32_t IDS_SETTING_UNUSED_MECHANISM = 9192;
/// %1 the setting.
inline constexpr uint32_t IDS_SETTING_UNUSED_SSL_OFF = 9193;
inline constexpr uint32_t IDS_SETTING_UNUSED_TWO_WAY_OFF = 9194;
/// %1 the setting, %2 the transport's label.
inline constexpr uint32_t IDS_SETTING_UNUSED_TRANSPORT = 9195;
/// %1 the setting, %2 the mechanism's label.
inline constexpr uint32_t IDS_SETTING_UNUSED_ALLOWANCE = 9196;
/// %1 the mechanism's label, %2 "on" or "off".
inline constexpr uint32_t IDS_SETTING_SSL_FIXED = 9197;
inline constexpr uint32_t IDS_SETTING_TWO_WAY_INCOMPLETE = 9198;
inline constexpr uint32_t IDS_SETTING_LOGGING_INCOMPLETE = 9199;
/// %1 the setting, %2 the most characters.
inline constexpr uint32_t IDS_SETTING_TOO_LONG = 9200;
/// %1 the setting, %2 the value, %3 the largest number of bytes.
inline constexpr uint32_t IDS_SETTING_NOT_MEGABYTES = 9201;
/// %1 the setting, %2 why.
inline constexpr uint32_t IDS_SETTING_TEXT_REFUSED = 9202;
/// %1 the setting.
inline constexpr uint32_t IDS_SETTING_EMPTY = 9203;
inline constexpr uint32_t IDS_SETTING_NO_DIALOG = 9204;
inline constexpr uint32_t IDS_SETTING_DATA_SOURCE_ONLY = 9205;
inline constexpr uint32_t IDS_SETTING_DRIVER_ONLY = 9206;
/// %1 the property's key, %2 why.
inline constexpr uint32_t IDS_SETTING_PROPERTY_NAME = 9207;
/// %1 the setting.
inline constexpr uint32_t IDS_SETTING_PASSWORD_AS_TEXT = 9208;
inline constexpr uint32_t IDS_SETTING_UNKNOWN = 9209;
// The driver-wide dialog's own error caption, and a property or header name
// the driver key cannot keep ("%1" the name, "%2" why).
inline constexpr uint32_t IDS_DRIVER_CONFIGURATION_ERROR_CAPTION = 9210;
inline constexpr uint32_t IDS_PROPERTY_NAME_NOT_STORABLE = 9211;
/// The same for a data source's property or header.
inline constexpr uint32_t IDS_DATA_SOURCE_PROPERTY_NAME_NOT_STORABLE = 9212;
inline constexpr uint32_t IDS_SETUP_NOTHING_WRITTEN = 9300;
/// %1 the key, %2 why.
inline constexpr uint32_t IDS_SETUP_KEY_NOT_KEPT = 9301;
inline constexpr uint32_t IDS_SETUP_VALUE_NOT_KEPT = 9302;
/// %1 the data source name, %2 why.
inline constexpr uint32_t IDS_DSN_NOT_KEPT = 9303;
/// %1 the data source name, %2 why.
inline constexpr uint32_t IDS_SETUP_REMOVE_REFUSED = 9304;
/// %1 the data source name: a rename onto it would replace it.
inline constexpr uint32_t IDS_DSN_EXISTS = 9340;
inline constexpr uint32_t IDS_SETUP_SAVE_IN_PLACE = 9341;
// Said below a dialog whose OK is disabled: the field it waits for.
inline constexpr uint32_t IDS_OK_NEEDS_DATA_SOURCE_NAME = 9400;
inline constexpr uint32_t IDS_OK_NEEDS_HOST = 9401;
inline constexpr uint32_t IDS_OK_NEEDS_PORT = 9402;
inline constexpr uint32_t IDS_OK_NEEDS_ZOOKEEPER_NAMESPACE = 9403;
inline constexpr uint32_t IDS_OK_NEEDS_KERBEROS_NAMES = 9404;
inline constexpr uint32_t IDS_OK_NEEDS_LOG_PATH = 9405;
inline constexpr uint32_t IDS_OK_NEEDS_LOG_ROTATION = 9406;
inline constexpr uint32_t IDS_OK_NEEDS_PROPERTY_KEY = 9407;
// Said below a dialog about what OK does with a value as typed.
inline constexpr uint32_t IDS_PASSWORD_NOT_SAVED = 9410;
/// %1 the field, %2 the number OK keeps.
inline constexpr uint32_t IDS_NUMBER_AT_MOST = 9411;
inline constexpr uint32_t IDS_NUMBER_NOT_ZERO = 9412;
inline constexpr uint32_t IDS_PROPERTY_VALUE_EMPTY = 9413;
/// The Edit Property frame when it edits an HTTP header.
inline constexpr uint32_t IDS_HTTP_HEADER_CAPTION = 9414;

} // namespace Dravo::Resources
