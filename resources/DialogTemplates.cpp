#include "resources/DialogTemplates.h"

#include <algorithm>
#include <iterator>

#include "resources/ControlIds.h"

namespace Dravo::Resources {
namespace {

using K = ControlKind;

constexpr std::u16string_view FONT = u"MS Shell Dlg";
constexpr int32_t FONT_SIZE = 8;

// Combo box heights include the dropped-down list, as in native templates.

// Driver-wide configuration: the data-source fields are left out, so the
// dialog logic finds no host, port, DSN, description, database or Test.
constexpr ControlTemplate DRIVER_CONFIGURATION[] = {
    {IDC_MAIN_SERVER_TYPE_LABEL, K::Label, STYLE_NONE, u"Spark Server &Type:", {7, 14, 71, 8}},
    {IDC_MAIN_SERVER_TYPE, K::DropDownList, STYLE_NONE, u"", {91, 13, 144, 30}},
    {IDC_STATIC, K::GroupBox, STYLE_NONE, u"Authentication", {7, 30, 258, 156}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Mechanism:", {9, 45, 47, 8}},
    {IDC_MAIN_MECHANISM, K::DropDownList, STYLE_NONE, u"", {91, 43, 169, 30}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Realm: ", {9, 62, 29, 8}},
    {IDC_MAIN_REALM, K::Edit, STYLE_NONE, u"", {91, 60, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Host &FQDN:", {9, 80, 43, 8}},
    {IDC_MAIN_HOST_FQDN, K::Edit, STYLE_NONE, u"", {91, 78, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Service Name:", {9, 98, 56, 8}},
    {IDC_MAIN_SERVICE_NAME, K::Edit, STYLE_NONE, u"", {91, 96, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&User Name:", {9, 116, 45, 8}},
    {IDC_MAIN_USER_NAME, K::Edit, STYLE_NONE, u"", {91, 114, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Pass&word:", {9, 134, 37, 8}},
    {IDC_MAIN_PASSWORD, K::Edit, STYLE_PASSWORD, u"", {91, 132, 169, 14}},
    {IDC_MAIN_SAVE_PASSWORD, K::CheckBox, STYLE_NONE, u"Sa&ve Password (Encrypted)", {91, 150, 114, 10}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Dele&gation UID:", {9, 170, 61, 8}},
    {IDC_MAIN_DELEGATION_UID, K::Edit, STYLE_NONE, u"", {91, 168, 169, 14}},
    {IDC_STATIC, K::GroupBox, STYLE_NONE, u"", {7, 188, 258, 44}},
    {IDC_MAIN_TRANSPORT_LABEL, K::Label, STYLE_NONE, u"Thrift Tr&ansport:", {9, 197, 63, 8}},
    {IDC_MAIN_TRANSPORT, K::DropDownList, STYLE_SORTED, u"", {91, 195, 107, 30}},
    {IDC_MAIN_HTTP_OPTIONS, K::PushButton, STYLE_NONE, u"HTTP &Options", {91, 212, 82, 14}},
    {IDC_MAIN_SSL_OPTIONS, K::PushButton, STYLE_NONE, u"SS&L Options", {178, 212, 82, 14}},
    {IDC_MAIN_ADVANCED_OPTIONS, K::PushButton, STYLE_NONE, u"Advan&ced Options...", {18, 238, 107, 14}},
    // The misspelling is this template's caption as shipped; the data-source
    // template spells it correctly.
    {IDC_MAIN_LOGGING_OPTIONS, K::PushButton, STYLE_NONE, u"Logg&ing Opetions...", {149, 238, 107, 14}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {194, 258, 34, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {230, 258, 34, 14}},
    {IDC_MAIN_VERSION, K::Label, STYLE_NONE, u"v.xxxx (xx-bit)", {7, 260, 97, 12}},
};

constexpr ControlTemplate DSN_CONFIGURATION[] = {
    {IDC_MAIN_DSN_LABEL, K::Label, STYLE_NONE, u"Data Source &Name:", {7, 14, 75, 8}},
    {IDC_MAIN_DSN, K::Edit, STYLE_NONE, u"", {91, 11, 169, 14}},
    {IDC_MAIN_DESCRIPTION_LABEL, K::Label, STYLE_NONE, u"&Description:", {7, 32, 46, 8}},
    {IDC_MAIN_DESCRIPTION, K::Edit, STYLE_NONE, u"", {91, 30, 169, 14}},
    {IDC_MAIN_SERVER_TYPE_LABEL, K::Label, STYLE_NONE, u"Spark Server &Type:", {7, 51, 71, 8}},
    {IDC_MAIN_SERVER_TYPE, K::DropDownList, STYLE_NONE, u"", {91, 50, 142, 30}},
    {IDC_MAIN_HOST_LABEL, K::Label, STYLE_NONE, u"&Host(s):", {7, 70, 29, 8}},
    {IDC_MAIN_HOST, K::Edit, STYLE_NONE, u"", {91, 68, 169, 14}},
    {IDC_MAIN_PORT_LABEL, K::Label, STYLE_NONE, u"&Port:", {7, 90, 17, 8}},
    {IDC_MAIN_PORT, K::Edit, STYLE_DIGITS_ONLY, u"", {91, 87, 81, 14}},
    {IDC_MAIN_DATABASE_LABEL, K::Label, STYLE_NONE, u"Data&base:", {7, 108, 40, 8}},
    {IDC_MAIN_DATABASE, K::Edit, STYLE_NONE, u"", {91, 106, 81, 14}},
    {IDC_STATIC, K::GroupBox, STYLE_NONE, u"Authentication", {7, 123, 258, 154}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Mechanism:", {9, 137, 47, 8}},
    {IDC_MAIN_MECHANISM, K::DropDownList, STYLE_NONE, u"", {91, 135, 169, 30}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Realm: ", {9, 154, 29, 8}},
    {IDC_MAIN_REALM, K::Edit, STYLE_NONE, u"", {91, 152, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Host &FQDN:", {9, 172, 43, 8}},
    {IDC_MAIN_HOST_FQDN, K::Edit, STYLE_NONE, u"", {91, 170, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Service Name:", {9, 190, 56, 8}},
    {IDC_MAIN_SERVICE_NAME, K::Edit, STYLE_NONE, u"", {91, 188, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&User Name:", {9, 208, 45, 8}},
    {IDC_MAIN_USER_NAME, K::Edit, STYLE_NONE, u"", {91, 206, 169, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Pass&word:", {9, 226, 37, 8}},
    {IDC_MAIN_PASSWORD, K::Edit, STYLE_PASSWORD, u"", {91, 224, 169, 14}},
    {IDC_MAIN_SAVE_PASSWORD, K::CheckBox, STYLE_NONE, u"Sa&ve Password (Encrypted)", {91, 241, 114, 10}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Dele&gation UID:", {9, 261, 61, 8}},
    {IDC_MAIN_DELEGATION_UID, K::Edit, STYLE_NONE, u"", {91, 259, 169, 14}},
    {IDC_STATIC, K::GroupBox, STYLE_NONE, u"", {7, 279, 258, 44}},
    {IDC_MAIN_TRANSPORT_LABEL, K::Label, STYLE_NONE, u"Thrift Tr&ansport:", {9, 288, 63, 8}},
    {IDC_MAIN_TRANSPORT, K::DropDownList, STYLE_SORTED, u"", {91, 286, 107, 30}},
    {IDC_MAIN_HTTP_OPTIONS, K::PushButton, STYLE_NONE, u"HTTP &Options", {91, 303, 82, 14}},
    {IDC_MAIN_SSL_OPTIONS, K::PushButton, STYLE_NONE, u"SS&L Options", {178, 303, 82, 14}},
    {IDC_MAIN_ADVANCED_OPTIONS, K::PushButton, STYLE_NONE, u"Advan&ced Options...", {15, 329, 107, 14}},
    {IDC_MAIN_LOGGING_OPTIONS, K::PushButton, STYLE_NONE, u"Logg&ing Options...", {151, 329, 107, 14}},
    {IDC_MAIN_TEST, K::PushButton, STYLE_DISABLED, u"T&est", {156, 349, 34, 14}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {194, 349, 34, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {230, 349, 34, 14}},
    {IDC_MAIN_VERSION, K::Label, STYLE_NONE, u"v.xxxx (xx-bit)", {7, 351, 97, 12}},
};

constexpr ControlTemplate ADVANCED_OPTIONS[] = {
    {IDC_STATIC, K::GroupBox, STYLE_BORDERLESS, u"", {7, 7, 312, 183}},
    {IDC_ADVANCED_USE_NATIVE_QUERY, K::CheckBox, STYLE_NONE, u"&Use Native Query", {14, 16, 79, 10}},
    {IDC_ADVANCED_FAST_SQLPREPARE, K::CheckBox, STYLE_NONE, u"&Fast SQLPrepare", {14, 37, 75, 10}},
    {IDC_ADVANCED_DRIVER_CONFIG_TAKE_PRECEDENCE, K::CheckBox, STYLE_NONE, u"&Driver Config Take Precedence",
        {14, 57, 132, 10}},
    {IDC_ADVANCED_USE_ASYNC_EXEC, K::CheckBox, STYLE_NONE, u"Use &Async Exec", {14, 77, 69, 10}},
    {IDC_ADVANCED_GET_TABLES_WITH_QUERY, K::CheckBox, STYLE_NONE, u"&Get Tables With Query", {14, 97, 98, 10}},
    {IDC_ADVANCED_UNICODE_SQL_CHARACTER_TYPES, K::CheckBox, STYLE_NONE, u"U&nicode SQL character types",
        {14, 117, 123, 10}},
    {IDC_ADVANCED_SHOW_SYSTEM_TABLE, K::CheckBox, STYLE_NONE, u"&Show System Table", {14, 136, 99, 10}},
    {IDC_ADVANCED_USE_ONLY_SSPI, K::CheckBox, STYLE_WINDOWS_ONLY, u"Use &only SSPI ", {14, 155, 65, 10}},
    {IDC_ADVANCED_INVALID_SESSION_AUTO_RECOVER, K::CheckBox, STYLE_NONE, u"&Invalid Session Auto Recover",
        {14, 174, 122, 10}},
    {IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK_LABEL, K::Label, STYLE_NONE, u"&Rows fetched per block:", {150, 16, 92, 8}},
    {IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 13, 50, 14}},
    {IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH_LABEL, K::Label, STYLE_NONE, u"Default string &column length:",
        {150, 37, 114, 8}},
    {IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 34, 50, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Binary column length:", {150, 57, 85, 8}},
    {IDC_ADVANCED_BINARY_COLUMN_LENGTH, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 54, 50, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"D&ecimal column scale:", {150, 77, 97, 8}},
    {IDC_ADVANCED_DECIMAL_COLUMN_SCALE, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 74, 50, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Async Exec &Poll Interval (ms):", {150, 97, 111, 8}},
    {IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 94, 50, 14}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Soc&ket Timeout (s):", {150, 118, 91, 8}},
    {IDC_ADVANCED_SOCKET_TIMEOUT, K::Edit, STYLE_DIGITS_ONLY, u"", {266, 115, 50, 14}},
    {IDC_ADVANCED_SERVER_SIDE_PROPERTIES, K::PushButton, STYLE_NONE, u"Ser&ver Side Properties", {8, 195, 100, 14}},
    {IDC_ADVANCED_TEMPORARY_TABLE, K::PushButton, STYLE_NONE, u"&Temporary Table Configuration", {113, 195, 126, 14}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {246, 195, 35, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {284, 195, 35, 14}},
};

constexpr ControlTemplate EDIT_PROPERTY[] = {
    // The HTTP properties dialog names the frame for headers when it opens.
    {IDC_EDIT_PROPERTY_GROUP, K::GroupBox, STYLE_NONE, u"Server Side Properties", {5, 5, 290, 42}},
    {IDC_EDIT_PROPERTY_KEY_LABEL, K::Label, STYLE_NONE, u"&Key:", {10, 17, 40, 8}},
    {IDC_EDIT_PROPERTY_KEY, K::Edit, STYLE_NONE, u"", {50, 15, 240, 12}},
    {IDC_EDIT_PROPERTY_VALUE_LABEL, K::Label, STYLE_NONE, u"&Value:", {10, 32, 40, 8}},
    {IDC_EDIT_PROPERTY_VALUE, K::Edit, STYLE_NONE, u"", {50, 30, 240, 12}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {188, 52, 50, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {245, 52, 50, 14}},
};

constexpr uint32_t PROPERTY_LIST_STYLE = STYLE_SORTED | STYLE_NOTIFY | STYLE_VERTICAL_SCROLL | STYLE_BORDER;

constexpr ControlTemplate SERVER_SIDE_PROPERTIES[] = {
    {IDC_STATIC, K::GroupBox, STYLE_BORDERLESS, u"", {7, 7, 295, 79}},
    {IDC_PROPERTY_LIST, K::ListBox, PROPERTY_LIST_STYLE, u"", {15, 14, 220, 48}},
    {IDC_PROPERTY_ADD, K::PushButton, STYLE_NONE, u"&Add...", {245, 14, 50, 14}},
    {IDC_PROPERTY_EDIT, K::PushButton, STYLE_NONE, u"&Edit", {245, 31, 50, 14}},
    {IDC_PROPERTY_REMOVE, K::PushButton, STYLE_NONE, u"&Remove", {245, 48, 50, 14}},
    {IDC_SSP_LOWER_CASE_KEY_NAME, K::CheckBox, STYLE_NONE, u"&Convert Key Name to Lower Case", {17, 70, 139, 10}},
    {IDC_SSP_APPLY_WITH_QUERIES, K::CheckBox, STYLE_NONE, u"A&pply properties with queries", {172, 70, 123, 10}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {224, 90, 35, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {267, 90, 35, 14}},
};

constexpr ControlTemplate TEST_RESULTS[] = {
    {IDC_TEST_RESULTS_GROUP, K::GroupBox, STYLE_NONE, u"Test Results", {7, 7, 233, 161}},
    {IDC_TEST_RESULTS_TEXT, K::Edit,
        STYLE_MULTI_LINE | STYLE_READ_ONLY | STYLE_VERTICAL_SCROLL | STYLE_AUTO_VERTICAL_SCROLL, u"",
        {14, 21, 219, 135}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {99, 172, 50, 14}},
};

constexpr ControlTemplate TEMPORARY_TABLE[] = {
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Web HDFS Host:", {16, 16, 61, 8}},
    {IDC_TEMP_TABLE_WEBHDFS_HOST, K::Edit, STYLE_NONE, u"", {124, 12, 130, 16}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"Web HDFS P&ort:", {16, 38, 60, 8}},
    {IDC_TEMP_TABLE_WEBHDFS_PORT, K::Edit, STYLE_DIGITS_ONLY, u"", {124, 34, 130, 16}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"HDFS &User:", {16, 61, 42, 8}},
    {IDC_TEMP_TABLE_HDFS_USER, K::Edit, STYLE_NONE, u"", {124, 56, 130, 16}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Data file HDFS dir:", {16, 82, 71, 8}},
    {IDC_TEMP_TABLE_HDFS_DIR, K::Edit, STYLE_NONE, u"", {124, 78, 130, 16}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Temp Table TTL (minutes):", {16, 104, 105, 8}},
    {IDC_TEMP_TABLE_TTL, K::Edit, STYLE_DIGITS_ONLY, u"", {124, 100, 130, 16}},
    {IDC_TEMP_TABLE_ENABLE, K::CheckBox, STYLE_NONE, u"&Enable Temporary Table", {16, 126, 105, 10}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {152, 124, 50, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {208, 124, 50, 14}},
};

constexpr ControlTemplate SSL_OPTIONS[] = {
    {IDC_SSL_ENABLE, K::CheckBox, STYLE_NONE, u"&Enable SSL", {14, 16, 53, 10}},
    {IDC_SSL_ALLOW_HOST_NAME_MISMATCH, K::CheckBox, STYLE_NONE, u"&Allow Common Name Host Name Mismatch",
        {136, 16, 175, 10}},
    {IDC_SSL_ALLOW_SELF_SIGNED, K::CheckBox, STYLE_NONE, u"Allow &Self-signed Server Certificate", {14, 34, 148, 10}},
    {IDC_STATIC, K::Label, STYLE_NONE, u"&Trusted Certificates", {14, 52, 78, 8}},
    {IDC_SSL_TRUSTED_CERTS, K::Edit, STYLE_NONE, u"", {14, 62, 234, 14}},
    {IDC_SSL_TRUSTED_CERTS_BROWSE, K::PushButton, STYLE_NONE, u"&Browse...", {257, 62, 50, 14}},
    {IDC_SSL_TWO_WAY, K::CheckBox, STYLE_NONE, u"T&wo-way SSL", {14, 84, 59, 10}},
    {IDC_SSL_CLIENT_CERT_LABEL, K::Label, STYLE_NONE, u"&Client Certificate File", {14, 99, 83, 8}},
    {IDC_SSL_CLIENT_CERT, K::Edit, STYLE_NONE, u"", {14, 109, 234, 14}},
    {IDC_SSL_CLIENT_CERT_BROWSE, K::PushButton, STYLE_NONE, u"B&rowse...", {257, 109, 50, 14}},
    {IDC_SSL_PRIVATE_KEY_LABEL, K::Label, STYLE_NONE, u"Client &Private Key File", {14, 130, 85, 8}},
    {IDC_SSL_PRIVATE_KEY, K::Edit, STYLE_NONE, u"", {14, 141, 234, 14}},
    {IDC_SSL_PRIVATE_KEY_BROWSE, K::PushButton, STYLE_NONE, u"Br&owse...", {257, 140, 50, 14}},
    {IDC_SSL_KEY_PASSWORD_LABEL, K::Label, STYLE_NONE, u"Client Private &Key Password", {14, 162, 106, 8}},
    {IDC_SSL_KEY_PASSWORD, K::Edit, STYLE_PASSWORD, u"", {14, 173, 180, 14}},
    {IDC_SSL_SAVE_KEY_PASSWORD, K::CheckBox, STYLE_NONE, u"Sa&ve Password (Encrypted)", {200, 175, 114, 10}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {238, 192, 35, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {277, 192, 35, 14}},
};

constexpr ControlTemplate LOGGING_OPTIONS[] = {
    {IDC_LOG_LEVEL_LABEL, K::Label, STYLE_NONE, u"Log &Level:", {8, 11, 55, 8}},
    {IDC_LOG_LEVEL, K::DropDownList, STYLE_NONE, u"", {69, 9, 213, 90}},
    {IDC_LOG_PATH_LABEL, K::Label, STYLE_NONE, u"Log &Directory:", {8, 29, 58, 8}},
    {IDC_LOG_PATH, K::Edit, STYLE_AUTO_HORIZONTAL_SCROLL, u"", {69, 27, 158, 12}},
    {IDC_LOG_BROWSE, K::PushButton, STYLE_NONE, u"&Browse...", {232, 26, 50, 14}},
    {IDC_LOG_ROTATION_GROUP, K::GroupBox, STYLE_NONE, u"Log Rotation", {6, 47, 276, 50}},
    {IDC_LOG_FILE_COUNT_LABEL, K::Label, STYLE_NONE, u"Max &Number Files:", {14, 62, 71, 8}},
    {IDC_LOG_FILE_COUNT, K::Edit, STYLE_DIGITS_ONLY, u"", {90, 58, 184, 14}},
    {IDC_LOG_FILE_SIZE_LABEL, K::Label, STYLE_NONE, u"Max File &Size (MB):", {14, 78, 73, 8}},
    {IDC_LOG_FILE_SIZE, K::Edit, STYLE_DIGITS_ONLY, u"", {90, 76, 184, 14}},
    // On the row of OK and Cancel, so that where they are hidden no empty
    // row is left.
    {IDC_LOG_IMPORT, K::PushButton, STYLE_NONE, u"&Import Configuration...", {6, 104, 95, 14}},
    {IDC_LOG_EXPORT, K::PushButton, STYLE_NONE, u"E&xport Configuration...", {105, 104, 95, 14}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {208, 104, 35, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {247, 104, 35, 14}},
};

constexpr ControlTemplate HTTP_PROPERTIES[] = {
    {IDC_HTTP_PATH_LABEL, K::Label, STYLE_NONE, u"&HTTP Path:", {15, 14, 45, 8}},
    {IDC_HTTP_PATH, K::Edit, STYLE_NONE, u"", {64, 12, 171, 14}},
    {IDC_STATIC, K::GroupBox, STYLE_NONE, u"Custom HTTP Headers", {7, 30, 295, 61}},
    {IDC_PROPERTY_LIST, K::ListBox, PROPERTY_LIST_STYLE, u"", {15, 40, 220, 48}},
    {IDC_PROPERTY_ADD, K::PushButton, STYLE_NONE, u"&Add...", {245, 40, 50, 14}},
    {IDC_PROPERTY_EDIT, K::PushButton, STYLE_NONE, u"&Edit", {245, 57, 50, 14}},
    {IDC_PROPERTY_REMOVE, K::PushButton, STYLE_NONE, u"&Remove", {245, 74, 50, 14}},
    {IDC_OK, K::DefaultPushButton, STYLE_NONE, u"OK", {224, 95, 35, 14}},
    {IDC_CANCEL, K::PushButton, STYLE_NONE, u"Cancel", {267, 95, 35, 14}},
};

// The main dialogs' titles are replaced at initialisation by the driver name
// and the caller's suffix.
constexpr DialogTemplate TEMPLATES[] = {
    {IDD_ADVANCED_OPTIONS, u"Advanced Options", 326, 215, FONT, FONT_SIZE, ADVANCED_OPTIONS},
    {IDD_EDIT_PROPERTY, u"Edit Property", 300, 71, FONT, FONT_SIZE, EDIT_PROPERTY},
    {IDD_SERVER_SIDE_PROPERTIES, u"Server Side Properties", 309, 111, FONT, FONT_SIZE, SERVER_SIDE_PROPERTIES},
    {IDD_TEST_RESULTS, u"Test Results", 247, 191, FONT, FONT_SIZE, TEST_RESULTS},
    {IDD_TEMPORARY_TABLE, u"Temporary Table Configuration", 265, 145, FONT, FONT_SIZE, TEMPORARY_TABLE},
    {IDD_SSL_OPTIONS, u"SSL Options", 319, 213, FONT, FONT_SIZE, SSL_OPTIONS},
    {IDD_DRIVER_CONFIGURATION, u"Configuration", 271, 276, FONT, FONT_SIZE, DRIVER_CONFIGURATION},
    {IDD_DSN_CONFIGURATION, u"Configuration", 271, 367, FONT, FONT_SIZE, DSN_CONFIGURATION},
    {IDD_LOGGING_OPTIONS, u"Logging Configuration", 289, 125, FONT, FONT_SIZE, LOGGING_OPTIONS},
    {IDD_HTTP_PROPERTIES, u"HTTP Properties", 309, 116, FONT, FONT_SIZE, HTTP_PROPERTIES},
};

static_assert(std::is_sorted(std::begin(TEMPLATES), std::end(TEMPLATES),
    [](const DialogTemplate& a, const DialogTemplate& b) { return a.id < b.id; }));

} // namespace

const ControlTemplate* DialogTemplate::FindControl(int32_t controlId) const
{
    const auto found = std::find_if(controls.begin(), controls.end(),
        [controlId](const ControlTemplate& control) { return control.id == controlId; });
    return found == controls.end() ? nullptr : &*found;
}

const DialogTemplate* FindDialogTemplate(int32_t templateId)
{
    const auto* found = std::lower_bound(std::begin(TEMPLATES), std::end(TEMPLATES), templateId,
        [](const DialogTemplate& entry, int32_t wanted) { return entry.id < wanted; });
    if (found == std::end(TEMPLATES) || found->id != templateId) {
        return nullptr;
    }
    return found;
}

std::span<const DialogTemplate> AllDialogTemplates()
{
    return TEMPLATES;
}

} // namespace Dravo::Resources
