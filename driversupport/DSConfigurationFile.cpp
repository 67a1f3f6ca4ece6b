#include "driversupport/DSConfigurationFile.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "driversupport/DSKeys.h"
#include "platform/KnownFolders.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/ErrorException.h"
#include "support/FileHandler.h"

namespace Dravo::DriverSupport {

using Support::WideString;

namespace {

constexpr std::array<std::u16string_view, 8> EXCLUDED_KEYS = {
    KEY_DSN,
    KEY_DRIVER,
    KEY_LOG_LEVEL,
    KEY_LOG_PATH,
    KEY_LOG_NAMESPACE,
    KEY_LOG_FILE_COUNT,
    KEY_LOG_FILE_SIZE,
    KEY_PWD,
};

/// The file reader ends a line at a line feed, drops carriage returns and
/// ends the file at a byte 255.
bool HasUnsafeBytes(const std::string& narrow)
{
    return narrow.find_first_of("\r\n\xFF") != std::string::npos;
}

[[noreturn]] void RaiseWriteFailure(const WideString& path)
{
    WideString text(Resources::FindString(Resources::IDS_EXPORT_WRITE_FAILED).value_or(u"%1"));
    text.Replace(WideString(u"%1"), path);
    throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, 0, text, -1, -1);
}

} // namespace

bool DSConfigurationFile::IsExcludedKey(const WideString& key)
{
    for (const std::u16string_view excluded : EXCLUDED_KEYS) {
        if (key.IsEqual(WideString(excluded), false)) {
            return true;
        }
    }
    return false;
}

void DSConfigurationFile::AddLine(std::string_view line, DSConnectionSettingsMap& settings)
{
    const size_t split = line.find('=');
    if (split == std::string_view::npos) {
        return;
    }
    const Support::EncodingType encoding = Support::GetDefaultNarrowEncoding();
    WideString key(std::string(line.substr(0, split)), encoding);
    WideString value(std::string(line.substr(split + 1)), encoding);
    // emplace keeps an existing key: the first occurrence wins.
    settings.emplace(std::move(key), DSConnectionSetting{std::move(value), true});
}

std::optional<WideString> DSConfigurationFile::FindUnsafeKey(const DSConnectionSettingsMap& settings)
{
    for (const auto& [key, setting] : settings) {
        const std::string narrowKey = key.GetAsNarrow();
        if (narrowKey.find('=') != std::string::npos || HasUnsafeBytes(narrowKey)
            || HasUnsafeBytes(setting.value.GetAsNarrow())) {
            return key;
        }
    }
    return std::nullopt;
}

DSConnectionSettingsMap DSConfigurationFile::Read(const WideString& path)
{
    // A directory opens for reading here and reads as an empty file; an
    // import from it must fail as Windows fails to open one, not load nothing.
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::path(path.GetAsUTF8()), ignored)) {
        throw Support::ProductException(Support::DIAG_GENERAL_ERROR, Support::SUPPORT_COMPONENT_ID,
            WideString(u"CannotOpenFile"), {path, Support::GetSystemErrorText(OS::ERROR_ACCESS_DENIED_CODE)});
    }
    Support::FileHandler file(path, Support::FILE_MODE_READ);
    DSConnectionSettingsMap settings;
    std::string line;
    while (file.ReadLine(line)) {
        AddLine(line, settings);
    }
    return settings;
}

void DSConfigurationFile::Write(const WideString& path, const DSConnectionSettingsMap& settings)
{
    Support::FileHandler file(path, Support::FILE_MODE_WRITE_TRUNCATE);
    for (const auto& [key, setting] : settings) {
        const std::string line = key.GetAsNarrow() + "=" + setting.value.GetAsNarrow() + "\r\n";
        if (file.Write(line.data(), line.size()) != line.size()) {
            RaiseWriteFailure(path);
        }
    }
    if (!file.Flush()) {
        RaiseWriteFailure(path);
    }
}

WideString DSConfigurationFile::GetDefaultFilePath()
{
    const std::optional<std::string> folder = OS::GetDocumentsFolder();
    if (!folder) {
        return WideString(u"");
    }
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    return WideString(*folder + separator) + WideString(DEFAULT_FILE_NAME);
}

} // namespace Dravo::DriverSupport
