#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

#include "resources/StringIds.h"

namespace Dravo::Resources {
namespace {

struct StringEntry {
    uint32_t id;
    std::u16string_view text;
};

// Kept sorted by id so that lookups can bisect. Line breaks are real CR LF
// pairs because the dialogs show these texts as they are.
constexpr StringEntry STRINGS[] = {
    {IDS_DSN_EMPTY, u"Data Source Name value cannot be empty."},
    {IDS_DSN_INVALID_CHARACTERS,
        u"Data Source Name value cannot contain any of the following characters: []{}(),;?*=!@\\"},
    {IDS_INVALID_DSN_CAPTION, u"Invalid Data Source Name"},
    {IDS_INVALID_PORT_CAPTION, u"Invalid Port Number"},
    {IDS_INVALID_PORT, u"Port number is not valid! Setting it to default port."},
    {IDS_HOST_EMPTY, u"Host cannot be empty"},
    {IDS_INVALID_HOST_CAPTION, u"Invalid Host"},
    {IDS_BITNESS_32, u" (32 bit)"},
    {IDS_BITNESS_64, u" (64 bit)"},
    {IDS_REPORT_ODBC_VERSION, u"\r\n\r\nODBC Version: "},
    {IDS_REPORT_DRIVER_VERSION, u"\r\nDriver Version: "},
    {IDS_REPORT_BITNESS, u"\r\nBitness: 32-bit"},
    {IDS_REPORT_LOCALE, u"\r\nLocale: "},
    {IDS_TEST_RESULTS_TITLE, u"Test Results"},
    {IDS_REPORT_FAILED, u"FAILED!\r\n\r\n"},
    {IDS_REPORT_SUCCESS, u"SUCCESS! \r\n\r\nSuccessfully connected to data source!"},
    {IDS_IMPORT_CONFIGURATION, u"&Import Configuration..."},
    {IDS_EXPORT_CONFIGURATION, u"E&xport Configuration..."},
    {IDS_EXPORT_FILE_TITLE, u"Choose Export Target File"},
    {IDS_IMPORT_FILE_TITLE, u"Choose Import Target File"},
    {IDS_CONFIGURATION_ERROR_CAPTION, u"DSN Configuration Error"},
    {IDS_ERROR_INVALID_HWND, u"Invalid window handle."},
    {IDS_ERROR_INVALID_KEYWORD_VALUE, u"Invalid keyword-value pairs."},
    {IDS_ERROR_INVALID_NAME, u"Invalid driver or translator name."},
    {IDS_ERROR_INVALID_REQUEST_TYPE, u"Invalid type of request."},
    {IDS_ERROR_REQUEST_FAILED, u"Request failed."},
    {IDS_ERROR_DRIVER_SPECIFIC, u"Driver- or translator-specific error."},
    {IDS_ERROR_DSN_EMPTY, u"Data Source Name value cannot be empty."},
    {IDS_ERROR_DSN_INVALID_CHARACTERS,
        u"Data Source Name value cannot contain any of the following characters: []{}(),;?*=!@\\"},
    {IDS_ERROR_REGISTRY_WRITE, u"Error writing changes to registry, ensure proper permissions have been granted."},
    {IDS_ERROR_LOG_FILE_COUNT,
        u"Invalid value for the maximum number of log files to use in rotation, valid values are "
        u"[0, 4294967295]."},
    {IDS_ERROR_LOG_FILE_SIZE,
        u"Invalid value for the maximum size of each log file in MB, valid values are [0, 4096]."},
    {IDS_BROWSE, u"&Browse..."},
    {IDS_OK, u"OK"},
    {IDS_CANCEL, u"Cancel"},
    {IDS_MAX_NUMBER_FILES, u"Max &Number Files:"},
    {IDS_MAX_FILE_SIZE, u"Max File &Size (MB):"},
    {IDS_LOG_ROTATION, u"Log Rotation"},
    {IDS_CHOOSE_LOG_DIRECTORY, u"Choose log file target directory."},
    {IDS_LOGGING_OPTIONS_TITLE, u"Logging Options"},
    {IDS_LOG_LEVEL, u"Log &Level:"},
    {IDS_LOG_PATH, u"Log &Path:"},
    {IDS_EXPORT_UNSAFE_SETTING,
        u"The configuration was not exported: the name or value of the setting \"%1\" holds a line break "
        u"(or its name holds \"=\"), which a configuration file cannot keep. Nothing was written."},
    {IDS_EXPORT_WRITE_FAILED, u"The configuration file %1 could not be written completely."},
    {IDS_DSN_REFUSED_CHARACTERS,
        u"The ODBC installer does not accept \"%1\" as a data source name: it refuses %2. Choose another name."},
    {IDS_DSN_REFUSED,
        u"The ODBC installer does not accept \"%1\" as a data source name; names have 1 to 32 characters. "
        u"Choose another name."},
    {IDS_DSN_INSTALLER_UNAVAILABLE,
        u"The data source name \"%1\" cannot be checked because the ODBC installer is not available."},
    {IDS_DRIVER_MANAGER_UNAVAILABLE, u"The ODBC driver manager cannot be used: %1"},
    {IDS_CONNECTION_SETTING_UNUSABLE,
        u"The setting \"%1\" cannot be passed to the driver: a connection string cannot hold its name or value."},
    {IDS_DRIVER_CALL_FAILED, u"The ODBC driver manager reported a failure of %1 without a diagnostic record."},
    {IDS_REPORT_BITNESS_64, u"\r\nBitness: 64-bit"},
    {IDS_SETUP_ATTRIBUTE_WITHOUT_VALUE, u"The attribute \"%1\" has no value: attributes are given as key=value."},
    {IDS_SETUP_ATTRIBUTE_WITHOUT_NAME, u"An attribute has no name: attributes are given as key=value."},
    {IDS_SETUP_ATTRIBUTE_NAME_CHARACTERS,
        u"The attribute name \"%1\" cannot be used: names may not hold any of []{}(),;?*=!@ or control "
        u"characters."},
    {IDS_SETUP_ATTRIBUTE_VALUE_CHARACTERS,
        u"The value of \"%1\" holds a line break or another control character, which a data source cannot "
        u"keep."},
    {IDS_SETUP_ATTRIBUTES_NOT_TEXT, u"The attributes are not valid text."},
    {IDS_SETUP_ATTRIBUTE_TWICE, u"The attribute \"%1\" is given more than once."},
    {IDS_SETUP_ATTRIBUTES_TOO_LONG, u"The list of attributes is too long or has no end."},
    {IDS_SETUP_DSN_MISSING, u"No data source name was given: add DSN=name to the attributes."},
    {IDS_SETUP_DSN_NOT_FOUND, u"There is no data source named \"%1\"."},
    {IDS_SETUP_VALUE_NOT_ONE_OF, u"\"%2\" is not a valid value of %1: it may be %3."},
    {IDS_SETUP_VALUE_NOT_NUMBER, u"\"%2\" is not a valid value of %1: it must be a whole number from %3 to %4."},
    {IDS_SETUP_TRANSPORT_NOT_ALLOWED,
        u"The Thrift transport %1 cannot be used with the authentication mechanism %2, which allows %3."},
    {IDS_SETUP_KERBEROS_INCOMPLETE,
        u"Kerberos authentication needs the host FQDN (KrbHostFQDN) and the service name (KrbServiceName)."},
    {IDS_SETUP_ZOOKEEPER_INCOMPLETE, u"ZooKeeper service discovery needs a namespace (ZKNamespace)."},
    {IDS_SETUP_VALUE_TOO_LONG,
        u"The value of \"%1\" is too long: the ODBC installer keeps at most %2 bytes of name and value together."},
    {IDS_SETUP_PASSWORD_NOT_ENCIPHERED, u"The value of \"%1\" is not a password enciphered by this driver."},
    {IDS_SETUP_SAVE_FAILED, u"The data source \"%1\" could not be saved: %2"},
    {IDS_SETUP_SAVE_UNDONE, u"What had been written before was undone."},
    {IDS_SETUP_SAVE_NOT_UNDONE, u"What had been written before could not all be undone; check the data source."},
    {IDS_SETUP_REMOVE_FAILED, u"The data source \"%1\" could not be removed."},
    {IDS_SETUP_UNKNOWN_REQUEST, u"The request %1 is not one the driver's setup can carry out."},
    {IDS_SETUP_NO_TERMINAL,
        u"The data source dialog cannot be shown: standard input and output are not one terminal. Without a "
        u"window handle the data source is set up from the attributes alone."},
    {IDS_SETUP_CANCELLED, u"The dialog was cancelled; nothing was changed."},
    {IDS_SETUP_DRIVER_DIALOG_NEEDS_WINDOW, u"The driver configuration dialog needs a window handle to show."},
    {IDS_SETUP_DIALOG_FAILED, u"The dialog cannot be shown: %1"},
    {IDS_SETUP_OUT_OF_MEMORY, u"Not enough memory resources are available to process this command."},
    {IDS_SETUP_UNEXPECTED, u"The driver's setup failed: %1"},
    {IDS_SETUP_ENTRY_REFUSED, u"the ODBC installer refused to write \"%1\"."},
    {IDS_SETUP_CREATE_REFUSED, u"the ODBC installer refused to make it."},
    {IDS_SETUP_OLD_NAME_KEPT,
        u"The data source was saved as \"%2\", but the ODBC installer refused to remove it under its old name "
        u"\"%1\"."},
    {IDS_SETUP_LOGGING_NOT_SAVED, u"The data source was saved, but the driver's logging options were not: %1"},
    {IDS_SETTING_UNUSED_SERVER_TYPE,
        u"%1 is used only with the server types SharkServer2 and SparkThriftServer; the server type is %2."},
    {IDS_SETTING_UNUSED_MECHANISM, u"%1 is used only with the mechanism %2; the mechanism is %3."},
    {IDS_SETTING_UNUSED_SSL_OFF, u"%1 is used only with SSL on (SSL=1)."},
    {IDS_SETTING_UNUSED_TWO_WAY_OFF, u"%1 is used only with SSL and two-way SSL on (SSL=1, TwoWaySSL=1)."},
    {IDS_SETTING_UNUSED_TRANSPORT,
        u"%1 is used only with the HTTP transport (ThriftTransport=2); the transport is %2."},
    {IDS_SETTING_UNUSED_ALLOWANCE, u"%1 cannot be on with the mechanism %2, which checks the server's certificate."},
    {IDS_SETTING_SSL_FIXED, u"SSL cannot be changed with the mechanism %1: it is always %2 with it."},
    {IDS_SETTING_TWO_WAY_INCOMPLETE,
        u"Two-way SSL needs the client certificate file (ClientCert) and the client private key file "
        u"(ClientPrivateKey)."},
    {IDS_SETTING_LOGGING_INCOMPLETE,
        u"A log level other than LOG_OFF needs the log path (LogPath), the number of files (LogFileCount) and the "
        u"file size (LogFileSize)."},
    {IDS_SETTING_TOO_LONG, u"The value of %1 is too long: the dialog takes at most %2 characters."},
    {IDS_SETTING_NOT_MEGABYTES,
        u"\"%2\" is not a valid value of %1: it must be a size in bytes that is a whole number of megabytes (a "
        u"multiple of 1048576), at most %3."},
    {IDS_SETTING_TEXT_REFUSED, u"The value of %1 cannot be kept: %2."},
    {IDS_SETTING_EMPTY, u"%1 cannot be empty."},
    {IDS_SETTING_NO_DIALOG,
        u"%1 is not one of the settings the dialogs save; only the setup library's attributes set it."},
    {IDS_SETTING_DATA_SOURCE_ONLY, u"%1 belongs to a data source, not to the driver-wide settings."},
    {IDS_SETTING_DRIVER_ONLY, u"%1 belongs to the driver-wide settings, not to a data source."},
    {IDS_SETTING_PROPERTY_NAME, u"\"%1\" cannot be the name of a property: %2."},
    {IDS_SETTING_PASSWORD_AS_TEXT,
        u"%1 is a password: it is given through standard input or a file (--password-stdin, --password-file), "
        u"never as text."},
    {IDS_SETTING_UNKNOWN, u"%1 is not one of the driver's settings."},
    {IDS_DRIVER_CONFIGURATION_ERROR_CAPTION, u"Driver Configuration Error"},
    {IDS_PROPERTY_NAME_NOT_STORABLE,
        u"The name \"%1\" cannot be stored in the driver's configuration: %2. Choose another name."},
    {IDS_DATA_SOURCE_PROPERTY_NAME_NOT_STORABLE,
        u"The name \"%1\" cannot be stored in the data source: %2. Choose another name."},
    {IDS_SETUP_NOTHING_WRITTEN, u"Nothing was written."},
    {IDS_SETUP_KEY_NOT_KEPT, u"The attribute \"%1\" cannot be kept in a data source: %2."},
    {IDS_SETUP_VALUE_NOT_KEPT, u"The value of \"%1\" cannot be kept in a data source: %2."},
    {IDS_DSN_NOT_KEPT, u"The data source name \"%1\" cannot be used: %2."},
    {IDS_SETUP_REMOVE_REFUSED, u"The data source \"%1\" could not be removed: %2. Nothing was written."},
    {IDS_DSN_EXISTS,
        u"A data source named \"%1\" exists already. Choose another name: saving under it would replace that data "
        u"source."},
    {IDS_SETUP_SAVE_IN_PLACE, u"The change is in place, but may not survive a crash of the system."},
    {IDS_OK_NEEDS_DATA_SOURCE_NAME, u"OK needs a Data Source Name."},
    {IDS_OK_NEEDS_HOST, u"OK needs a Host."},
    {IDS_OK_NEEDS_PORT, u"OK needs a Port."},
    {IDS_OK_NEEDS_ZOOKEEPER_NAMESPACE, u"OK needs a ZooKeeper Namespace."},
    {IDS_OK_NEEDS_KERBEROS_NAMES, u"OK needs the Host FQDN and the Service Name for Kerberos."},
    {IDS_OK_NEEDS_LOG_PATH, u"OK needs a Log Path for this log level."},
    {IDS_OK_NEEDS_LOG_ROTATION, u"OK needs Max Number Files and Max File Size for this log level."},
    {IDS_OK_NEEDS_PROPERTY_KEY, u"OK needs a Key."},
    {IDS_PASSWORD_NOT_SAVED, u"The password is not saved unless Save Password is ticked."},
    {IDS_NUMBER_AT_MOST, u"%1 is at most %2: OK keeps %2."},
    {IDS_NUMBER_NOT_ZERO, u"%1 cannot be 0: OK keeps %2."},
    {IDS_PROPERTY_VALUE_EMPTY, u"The value is empty: OK adds the key without one."},
    {IDS_HTTP_HEADER_CAPTION, u"Custom HTTP Header"},
};

static_assert(std::is_sorted(
    std::begin(STRINGS), std::end(STRINGS), [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }));
static_assert(std::adjacent_find(std::begin(STRINGS), std::end(STRINGS),
                  [](const StringEntry& a, const StringEntry& b) { return a.id == b.id; })
    == std::end(STRINGS));

} // namespace

std::optional<std::u16string_view> FindString(uint32_t id)
{
    const auto* found = std::lower_bound(std::begin(STRINGS), std::end(STRINGS), id,
        [](const StringEntry& entry, uint32_t wanted) { return entry.id < wanted; });
    if (found == std::end(STRINGS) || found->id != id) {
        return std::nullopt;
    }
    return found->text;
}

} // namespace Dravo::Resources
