#include "driversupport/DSConnectionTester.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "driversupport/DSKeys.h"
#include "platform/OdbcDriverManager.h"
#include "resources/StringIds.h"
#include "support/ErrorException.h"
#include "support/ResourceString.h"

namespace Dravo::DriverSupport {
namespace {

using Support::WideString;

/// Keywords that make the driver manager read or write a file of its own.
constexpr std::array<std::u16string_view, 2> FILE_KEYWORDS = {u"FILEDSN", u"SAVEFILE"};

bool HoldsAny(const WideString& text, std::u16string_view characters)
{
    for (int32_t index = 0; index < text.GetLength(); ++index) {
        if (characters.find(text.CharAt(index)) != std::u16string_view::npos) {
            return true;
        }
    }
    return false;
}

/// A NUL would end the connection string early, so it is never passed.
constexpr std::u16string_view NUL_CHARACTER{u"\0", 1};

[[noreturn]] void RaiseUnusableSetting(const WideString& key)
{
    WideString text = Support::LoadResourceString(Resources::IDS_CONNECTION_SETTING_UNUSABLE);
    text.Replace(WideString(u"%1"), key);
    throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, 0, text, -1, -1);
}

void CheckKey(const WideString& key)
{
    if (key.IsEmpty() || HoldsAny(key, u"=;{}") || HoldsAny(key, NUL_CHARACTER)) {
        RaiseUnusableSetting(key);
    }
    for (const std::u16string_view keyword : FILE_KEYWORDS) {
        if (key.IsEqual(WideString(keyword), false)) {
            RaiseUnusableSetting(key);
        }
    }
}

/// The value as a connection string carries it: in braces, with "}" doubled,
/// when it would otherwise end the attribute early or lose its blanks.
WideString QuoteValue(const WideString& value, bool alwaysBraced = false)
{
    const WideString text = value.IsNull() ? WideString(u"") : value;
    const bool needsBraces = alwaysBraced || HoldsAny(text, u";{}") || text.Trim().GetLength() != text.GetLength();
    if (!needsBraces) {
        return text;
    }
    WideString quoted = text;
    quoted.Replace(WideString(u"}"), WideString(u"}}"));
    return WideString(u"{") + quoted + WideString(u"}");
}

void AppendAttribute(
    WideString& connectionString, const WideString& key, const WideString& value, bool alwaysBraced = false)
{
    connectionString += key;
    connectionString += WideString(u"=");
    connectionString += QuoteValue(value, alwaysBraced);
    connectionString += WideString(u";");
}

std::u16string ToUtf16(const std::string& utf8)
{
    return WideString(utf8).GetAsU16String();
}

[[noreturn]] void RaiseFailure(const OS::OdbcConnectionTestResult& result)
{
    if (result.libraryError) {
        WideString text = Support::LoadResourceString(Resources::IDS_DRIVER_MANAGER_UNAVAILABLE);
        text.Replace(WideString(u"%1"), WideString(*result.libraryError));
        throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, 0, text, -1, -1);
    }
    if (result.diagnostics.empty()) {
        WideString text = Support::LoadResourceString(Resources::IDS_DRIVER_CALL_FAILED);
        text.Replace(WideString(u"%1"), WideString(ToUtf16(result.failedCall)));
        throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, 0, text, -1, -1);
    }
    WideString text(u"");
    for (const OS::OdbcDiagnostic& record : result.diagnostics) {
        if (!text.IsEmpty()) {
            text += WideString(u"\r\n");
        }
        text += WideString(u"[") + WideString(record.state) + WideString(u"] ") + WideString(record.message);
        if (record.nativeError != 0) {
            text += WideString(u" (native error ") + WideString(std::to_string(record.nativeError)) + WideString(u")");
        }
    }
    const OS::OdbcDiagnostic& first = result.diagnostics.front();
    Support::ErrorException exception(Support::DIAG_GENERAL_ERROR, first.nativeError, text, -1, -1);
    exception.SetCustomState(WideString(first.state).GetAsUTF8());
    throw exception;
}

} // namespace

DSConnectionTester::DSConnectionTester(WideString driverName, WideString dataSourceName)
    : m_driverName(std::move(driverName)), m_dataSourceName(std::move(dataSourceName))
{
}

WideString DSConnectionTester::BuildConnectionString(const DSConnectionSettingsMap& settings) const
{
    WideString connectionString(u"");
    // Driver names are customarily braced: they hold blanks and, on Windows,
    // parentheses.
    AppendAttribute(connectionString, WideString(u"DRIVER"), m_driverName, true);
    if (!m_dataSourceName.IsEmpty()) {
        AppendAttribute(connectionString, WideString(KEY_DSN), m_dataSourceName);
    }
    for (const auto& [key, setting] : settings) {
        if (key.IsEqual(WideString(KEY_DRIVER), false) || key.IsEqual(WideString(KEY_DSN), false)) {
            continue;
        }
        CheckKey(key);
        if (HoldsAny(setting.value, NUL_CHARACTER)) {
            RaiseUnusableSetting(key);
        }
        AppendAttribute(connectionString, key, setting.value);
    }
    return connectionString;
}

DSDriverVersions DSConnectionTester::Connect(const DSConnectionSettingsMap& settings) const
{
    const WideString connectionString = BuildConnectionString(settings);
    const OS::OdbcConnectionTestResult result =
        OS::OdbcDriverManager::TestConnection(connectionString.GetAsU16String());
    if (!result.connected) {
        RaiseFailure(result);
    }
    return {WideString(result.odbcVersion), WideString(result.driverVersion)};
}

} // namespace Dravo::DriverSupport
