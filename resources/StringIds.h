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

} // namespace Dravo::Resources
