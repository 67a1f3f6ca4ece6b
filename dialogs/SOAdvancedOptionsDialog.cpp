#include "dialogs/SOAdvancedOptionsDialog.h"

#include <algorithm>
#include <array>
#include <limits>

#include "identity/ProductNames.h"
#include "dialogs/NumberBox.h"
#include "dialogs/SOServerSidePropertiesDialog.h"
#include "dialogs/SOTempTableDialog.h"
#include "resources/ControlIds.h"
#include "resources/StringIds.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/NumberConverter.h"
#include "support/ResourceString.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;
using Support::WideString;

namespace {

using Getter = const WideString& (SOConnectionSettings::*)() const;
using Setter = void (SOConnectionSettings::*)(const WideString&);

struct CheckBoxSetting {
    int32_t controlId;
    Getter get;
    Setter set;
};

// Stored by OK whatever the server type.
constexpr std::array<CheckBoxSetting, 7> PLAIN_CHECK_BOXES = {{
    {IDC_ADVANCED_FAST_SQLPREPARE, &SOConnectionSettings::GetFastSQLPrepare, &SOConnectionSettings::SetFastSQLPrepare},
    {IDC_ADVANCED_USE_NATIVE_QUERY, &SOConnectionSettings::GetUseNativeQuery, &SOConnectionSettings::SetUseNativeQuery},
    {IDC_ADVANCED_USE_ONLY_SSPI, &SOConnectionSettings::GetUseOnlySSPI, &SOConnectionSettings::SetUseOnlySSPI},
    {IDC_ADVANCED_UNICODE_SQL_CHARACTER_TYPES, &SOConnectionSettings::GetUseUnicodeSqlCharacterTypes,
        &SOConnectionSettings::SetUseUnicodeSqlCharacterTypes},
    {IDC_ADVANCED_SHOW_SYSTEM_TABLE, &SOConnectionSettings::GetShowSystemTable,
        &SOConnectionSettings::SetShowSystemTable},
    {IDC_ADVANCED_DRIVER_CONFIG_TAKE_PRECEDENCE, &SOConnectionSettings::GetDriverConfigTakePrecedence,
        &SOConnectionSettings::SetDriverConfigTakePrecedence},
    {IDC_ADVANCED_INVALID_SESSION_AUTO_RECOVER, &SOConnectionSettings::GetInvalidSessionAutoRecover,
        &SOConnectionSettings::SetInvalidSessionAutoRecover},
}};

// Stored by OK only for the server types that have them.
constexpr std::array<CheckBoxSetting, 2> FULL_FEATURED_CHECK_BOXES = {{
    {IDC_ADVANCED_USE_ASYNC_EXEC, &SOConnectionSettings::GetEnableAsyncExec, &SOConnectionSettings::SetEnableAsyncExec},
    {IDC_ADVANCED_GET_TABLES_WITH_QUERY, &SOConnectionSettings::GetTablesWithQuery,
        &SOConnectionSettings::SetTablesWithQuery},
}};

bool IsOn(const WideString& value)
{
    return value == WideString(SWITCH_ON);
}

WideString SwitchText(bool on)
{
    return WideString(on ? SWITCH_ON : SWITCH_OFF);
}

/// A stored length that the driver can use, or the product default.
uint32_t DisplayedStringColumnLength(const WideString& stored)
{
    const std::optional<uint32_t> length = ReadStoredUInt32(stored);
    if (!length || *length == 0 || *length > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        return static_cast<uint32_t>(GetDefaultStringColumnLength());
    }
    return *length;
}

} // namespace

SOAdvancedOptionsDialog::SOAdvancedOptionsDialog(UI::DialogHost& owner, SOConnectionSettings& settings)
    : m_owner(owner), m_settings(settings)
{
}

int32_t SOAdvancedOptionsDialog::Show(UI::DialogHost& owner, SOConnectionSettings& settings, WideString* note)
{
    SOAdvancedOptionsDialog dialog(owner, settings);
    const int32_t result = owner.RunModalChild(IDD_ADVANCED_OPTIONS, dialog);
    if (note) {
        *note = result == 1 ? dialog.m_note : WideString(u"");
    }
    return result;
}

uint32_t SOAdvancedOptionsDialog::ReadServerType(const UI::DialogHost& owner)
{
    switch (owner.GetSelection(IDC_MAIN_SERVER_TYPE)) {
    case 2:
        return SERVER_TYPE_SPARK_THRIFT;
    case 1:
        return SERVER_TYPE_SHARK2;
    default:
        return SERVER_TYPE_SHARK;
    }
}

bool SOAdvancedOptionsDialog::OnInit(UI::DialogHost& host)
{
    if (GetVendorName() == WideString(u"Dravo")) {
        host.SetIcons(IDI_PRODUCT);
    }
    const uint32_t serverType = ReadServerType(m_owner);

    ShowNumber(host, IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH,
        DisplayedStringColumnLength(m_settings.GetDefaultStringColumnLength()));
    ShowNumber(host, IDC_ADVANCED_BINARY_COLUMN_LENGTH,
        ReadStoredUInt32(m_settings.GetBinaryColumnLength()).value_or(DEFAULT_BINARY_COLUMN_LENGTH));
    // The boxes take digits only, so a negative stored number would show as
    // a huge one and be stored back changed: show the default instead.
    const int16_t scale = ReadStoredInt16(m_settings.GetDecimalColumnScale()).value_or(DEFAULT_DECIMAL_COLUMN_SCALE);
    ShowNumber(host, IDC_ADVANCED_DECIMAL_COLUMN_SCALE,
        static_cast<uint32_t>(scale >= 0 ? scale : DEFAULT_DECIMAL_COLUMN_SCALE));
    ShowNumber(host, IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK,
        ReadStoredUInt32(m_settings.GetRowsFetchedPerBlock()).value_or(DEFAULT_ROWS_FETCHED_PER_BLOCK));
    const int32_t pollInterval =
        ReadStoredInt32(m_settings.GetAsyncExecPollInterval()).value_or(DEFAULT_ASYNC_EXEC_POLL_INTERVAL);
    ShowNumber(host, IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL,
        static_cast<uint32_t>(pollInterval >= 0 ? pollInterval : DEFAULT_ASYNC_EXEC_POLL_INTERVAL));
    ShowNumber(host, IDC_ADVANCED_SOCKET_TIMEOUT,
        ReadStoredUInt32(m_settings.GetSocketTimeout()).value_or(DEFAULT_SOCKET_TIMEOUT));

    for (const CheckBoxSetting& box : PLAIN_CHECK_BOXES) {
        host.SetCheck(box.controlId, IsOn((m_settings.*box.get)()));
    }
    host.SetCheck(IDC_ADVANCED_USE_ASYNC_EXEC, IsOn(m_settings.GetEnableAsyncExec()));
    host.SetCheck(
        IDC_ADVANCED_GET_TABLES_WITH_QUERY, IsOn(m_settings.GetTablesWithQuery()) && serverType != SERVER_TYPE_SHARK);

    if (serverType == SERVER_TYPE_SHARK) {
        // SharkServer has neither asynchronous execution nor table queries.
        host.SetCheck(IDC_ADVANCED_USE_ASYNC_EXEC, false);
        host.Enable(IDC_ADVANCED_USE_ASYNC_EXEC, false);
        host.Enable(IDC_ADVANCED_GET_TABLES_WITH_QUERY, false);
        host.Enable(IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL, false);
    }
    if (!IsTempTableSupported()) {
        host.Show(IDC_ADVANCED_TEMPORARY_TABLE, false);
    }
    return true;
}

WideString SOAdvancedOptionsDialog::DescribeNumberReplaced(const UI::DialogHost& host)
{
    const auto say = [](uint32_t stringId, std::u16string_view caption, uint64_t kept) {
        // The rule's caption is the label's text, colon and all.
        const std::u16string_view field = caption.ends_with(u':') ? caption.substr(0, caption.size() - 1) : caption;
        WideString text = Support::LoadResourceString(stringId);
        text.Replace(WideString(u"%2"), Support::NumberConverter::ConvertUInt64ToWString(kept));
        text.Replace(WideString(u"%1"), WideString(field));
        return text;
    };
    const auto typedZero = [&host](int32_t controlId) {
        return !host.GetText(controlId).Trim().IsEmpty() && ReadNumberBox(host, controlId) == 0;
    };
    // The limits the command line and the setup library hold the values to.
    for (const SettingRule& rule : GetSettingRules()) {
        if (rule.dialogId == IDD_ADVANCED_OPTIONS && rule.kind == SettingKind::Number
            && ReadNumberBox(host, rule.controlId) > rule.maximum) {
            return say(IDS_NUMBER_AT_MOST, rule.caption, rule.maximum);
        }
    }
    if (typedZero(IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK)) {
        return say(
            IDS_NUMBER_NOT_ZERO, FindSettingRule(KEY_ROWS_FETCHED_PER_BLOCK)->caption, DEFAULT_ROWS_FETCHED_PER_BLOCK);
    }
    if (typedZero(IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH)) {
        return say(IDS_NUMBER_NOT_ZERO, FindSettingRule(KEY_DEFAULT_STRING_COLUMN_LENGTH)->caption,
            static_cast<uint32_t>(GetDefaultStringColumnLength()));
    }
    return WideString(u"");
}

void SOAdvancedOptionsDialog::ShowNumberHint(UI::DialogHost& host)
{
    // What Store makes of a number it cannot keep is said while it is typed.
    host.SetHint(DescribeNumberReplaced(host));
}

void SOAdvancedOptionsDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    if (notification == UI::Notification::TextChanged) {
        ShowNumberHint(host);
        return;
    }
    switch (controlId) {
    case IDC_OK:
        // Told after the dialog has gone too: OK does not change a number unseen.
        m_note = DescribeNumberReplaced(host);
        Store(host);
        host.EndDialog(1);
        break;
    case IDC_CANCEL:
        host.EndDialog(0);
        break;
    case IDC_ADVANCED_SERVER_SIDE_PROPERTIES:
        SOServerSidePropertiesDialog::Show(
            host, m_settings.GetServerSideProperties(), IsFullFeaturedServerType(ReadServerType(m_owner)));
        break;
    case IDC_ADVANCED_TEMPORARY_TABLE:
        SOTempTableDialog::Show(host, m_settings);
        break;
    default:
        break;
    }
}

namespace {

/// The number in a box as OK stores it: at most the rule's largest.
uint32_t ReadWithinRule(const UI::DialogHost& host, int32_t controlId, std::u16string_view key)
{
    return static_cast<uint32_t>(std::min<uint64_t>(ReadNumberBox(host, controlId), FindSettingRule(key)->maximum));
}

} // namespace

void SOAdvancedOptionsDialog::Store(UI::DialogHost& host)
{
    const uint32_t rows = ReadWithinRule(host, IDC_ADVANCED_ROWS_FETCHED_PER_BLOCK, KEY_ROWS_FETCHED_PER_BLOCK);
    m_settings.SetRowsFetchedPerBlock(NumberText(rows != 0 ? rows : DEFAULT_ROWS_FETCHED_PER_BLOCK));
    const uint32_t length =
        ReadWithinRule(host, IDC_ADVANCED_DEFAULT_STRING_COLUMN_LENGTH, KEY_DEFAULT_STRING_COLUMN_LENGTH);
    m_settings.SetDefaultStringColumnLength(
        NumberText(length != 0 ? length : static_cast<uint32_t>(GetDefaultStringColumnLength())));
    m_settings.SetBinaryColumnLength(
        NumberText(ReadWithinRule(host, IDC_ADVANCED_BINARY_COLUMN_LENGTH, KEY_BINARY_COLUMN_LENGTH)));
    m_settings.SetDecimalColumnScale(
        NumberText(ReadWithinRule(host, IDC_ADVANCED_DECIMAL_COLUMN_SCALE, KEY_DECIMAL_COLUMN_SCALE)));

    for (const CheckBoxSetting& box : PLAIN_CHECK_BOXES) {
        (m_settings.*box.set)(SwitchText(host.IsChecked(box.controlId)));
    }
    if (IsFullFeaturedServerType(ReadServerType(m_owner))) {
        for (const CheckBoxSetting& box : FULL_FEATURED_CHECK_BOXES) {
            (m_settings.*box.set)(SwitchText(host.IsChecked(box.controlId)));
        }
    }
    // An empty interval stays empty: the driver then takes its own.
    const WideString interval = host.GetText(IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL).Trim();
    m_settings.SetAsyncExecPollInterval(interval.IsEmpty()
            ? interval
            : NumberText(ReadWithinRule(host, IDC_ADVANCED_ASYNC_EXEC_POLL_INTERVAL, KEY_ASYNC_EXEC_POLL_INTERVAL)));
    m_settings.SetSocketTimeout(NumberText(ReadWithinRule(host, IDC_ADVANCED_SOCKET_TIMEOUT, KEY_SOCKET_TIMEOUT)));
}

} // namespace Dravo::VezurAVUZ
