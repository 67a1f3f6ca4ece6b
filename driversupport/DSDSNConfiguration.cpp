#include "driversupport/DSDSNConfiguration.h"

#include <array>
#include <string_view>

#include "driversupport/DSDriverRegistry.h"
#include "driversupport/DSKeys.h"
#include "driversupport/DSLogFileSize.h"
#include "platform/OdbcInstaller.h"
#include "platform/Registry.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/FileHandler.h"
#include "support/LogLevel.h"
#include "support/NumberConverter.h"
#include "support/SystemErrorText.h"

namespace Dravo::DriverSupport {
namespace {

using Support::NumberConverter;
using Support::WideString;

constexpr const char* LOG_NAMESPACE = "Dravo::DriverSupport";
constexpr const char* CLASS_NAME = "DSDSNConfiguration";

constexpr std::array<std::u16string_view, 4> LOGGING_KEYS = {
    KEY_LOG_LEVEL, KEY_LOG_PATH, KEY_LOG_FILE_COUNT, KEY_LOG_FILE_SIZE};

std::string RegistryName(std::u16string_view key)
{
    return WideString(key).GetAsUTF8();
}

bool IsLoggingKey(const WideString& key)
{
    for (const std::u16string_view loggingKey : LOGGING_KEYS) {
        if (key.IsEqual(WideString(loggingKey), false)) {
            return true;
        }
    }
    return false;
}

WideString Lookup(const DSRegistryValueMap& values, std::u16string_view key, const WideString& defaultValue)
{
    const auto found = values.find(WideString(key));
    return found == values.end() ? defaultValue : found->second;
}

} // namespace

DSDSNConfiguration::DSDSNConfiguration(const WideString& dsnName, Support::DSIFileLogger* logger, int32_t integerOption,
    bool booleanOption, const VezurAVUZ::ProductIdentity* identity)
    : m_dsnName(dsnName), m_logger(logger), m_identity(identity ? *identity : VezurAVUZ::GetProductIdentity()),
      m_integerOption(integerOption), m_booleanOption(booleanOption)
{
    TraceEntry("DSDSNConfiguration");
}

DSDSNConfiguration::~DSDSNConfiguration() = default;

void DSDSNConfiguration::SetDSN(const WideString& name)
{
    if (m_isLoaded) {
        return;
    }
    if (!OS::OdbcInstaller::ValidDSN(name.GetAsU16String())) {
        throw DSSetupException(DS_ERROR_INVALID_DSN);
    }
    Assign(WideString(KEY_DSN), name);
}

void DSDSNConfiguration::OnLoaded(const DSConnectionSettingsMap& /*loaded*/) {}

void DSDSNConfiguration::OnConnectionSettings(DSConnectionSettingsMap& /*settings*/) {}

WideString& DSDSNConfiguration::operator[](const WideString& key)
{
    return m_settings.try_emplace(key, WideString(u"")).first->second;
}

WideString DSDSNConfiguration::GetValue(const WideString& key) const
{
    const auto found = m_settings.find(key);
    return found == m_settings.end() ? WideString(u"") : found->second;
}

void DSDSNConfiguration::Load(const DSConnectionSettingsMap& settings)
{
    TraceEntry("Load");
    m_isLoaded = true;
    LoadConnSettingDefaults();
    for (const auto& [key, setting] : settings) {
        Assign(key, setting.value);
    }
    OnLoaded(settings);
}

void DSDSNConfiguration::LoadConnSettingDefaults()
{
    TraceEntry("LoadConnSettingDefaults");
    LoadLoggingProperties();
    for (const auto& [key, value] : GetConnSettingDefaults()) {
        Assign(key, value);
    }
}

void DSDSNConfiguration::LoadLoggingProperties()
{
    TraceEntry("LoadLoggingProperties");
    // One read of the key serves all four values.
    const DSRegistryValueMap values = DSDriverRegistry::ReadValues();
    const WideString level = Lookup(values, KEY_LOG_LEVEL, WideString(u"0"));
    Assign(
        WideString(KEY_LOG_LEVEL), NumberConverter::ConvertInt32ToWString(Support::ParseLogLevel(level.GetAsUTF8())));
    Assign(WideString(KEY_LOG_PATH), Lookup(values, KEY_LOG_PATH, WideString(u"")));
    Assign(WideString(KEY_LOG_FILE_COUNT), Lookup(values, KEY_LOG_FILE_COUNT, WideString(u"50")));
    const WideString sizeInBytes =
        Lookup(values, KEY_LOG_FILE_SIZE, NumberConverter::ConvertUInt64ToWString(DSLogFileSize::DEFAULT_BYTES));
    Assign(WideString(KEY_LOG_FILE_SIZE), DSLogFileSize::BytesToMegabytes(sizeInBytes));
}

void DSDSNConfiguration::SaveLoggingProperties()
{
    if (m_logger) {
        m_logger->LogFunctionEntrance(LOG_NAMESPACE, CLASS_NAME, "SaveLoggingProperties");
    }
    SetDriverRegistryValue(RegistryName(KEY_LOG_LEVEL), GetLogLevel());
    SetDriverRegistryValue(RegistryName(KEY_LOG_PATH), GetLogPath());
    SetDriverRegistryValue(RegistryName(KEY_LOG_FILE_COUNT), GetLogFileCount());
    SetDriverRegistryValue(RegistryName(KEY_LOG_FILE_SIZE), DSLogFileSize::MegabytesToBytes(GetLogFileSize()));
}

std::vector<std::pair<std::string, WideString>> DSDSNConfiguration::GetLoggingPropertiesToSave() const
{
    return {
        {RegistryName(KEY_LOG_LEVEL), GetLogLevel()},
        {RegistryName(KEY_LOG_PATH), GetLogPath()},
        {RegistryName(KEY_LOG_FILE_COUNT), GetLogFileCount()},
        {RegistryName(KEY_LOG_FILE_SIZE), DSLogFileSize::MegabytesToBytes(GetLogFileSize())},
    };
}

void DSDSNConfiguration::GetConnectionSettings(DSConnectionSettingsMap& settings)
{
    for (const auto& [key, value] : m_settings) {
        if (!IsLoggingKey(key)) {
            settings.insert_or_assign(key, DSConnectionSetting{value, false});
        }
    }
    OnConnectionSettings(settings);
}

WideString DSDSNConfiguration::GetLogLevel() const
{
    return GetValue(WideString(KEY_LOG_LEVEL));
}

WideString DSDSNConfiguration::GetLogPath() const
{
    return GetValue(WideString(KEY_LOG_PATH));
}

WideString DSDSNConfiguration::GetLogFileCount() const
{
    return GetValue(WideString(KEY_LOG_FILE_COUNT));
}

WideString DSDSNConfiguration::GetLogFileSize() const
{
    return GetValue(WideString(KEY_LOG_FILE_SIZE));
}

void DSDSNConfiguration::SetLogLevel(const WideString& level)
{
    Assign(WideString(KEY_LOG_LEVEL), level);
}

void DSDSNConfiguration::SetLogPath(const WideString& path)
{
    Assign(WideString(KEY_LOG_PATH), path);
}

void DSDSNConfiguration::SetLogFileCount(const WideString& count)
{
    if (count.IsEmpty()) {
        Assign(WideString(KEY_LOG_FILE_COUNT), count);
        return;
    }
    uint32_t files = 0;
    try {
        files = NumberConverter::ConvertWStringToUInt32(count, true);
    } catch (const Support::ErrorException&) {
        throw DSSetupException(DS_ERROR_INVALID_LOG_FILE_COUNT);
    }
    // The number as read: "+7" and "007" are stored as 7, as the command
    // line stores them.
    Assign(WideString(KEY_LOG_FILE_COUNT), NumberConverter::ConvertUInt32ToWString(files));
}

void DSDSNConfiguration::SetLogFileSize(const WideString& megabytes)
{
    if (!megabytes.IsEmpty()) {
        uint16_t size = 0;
        try {
            size = NumberConverter::ConvertWStringToUInt16(megabytes, true);
        } catch (const Support::ErrorException&) {
            throw DSSetupException(DS_ERROR_INVALID_LOG_FILE_SIZE);
        }
        if (size > DSLogFileSize::MAX_MEGABYTES) {
            throw DSSetupException(DS_ERROR_INVALID_LOG_FILE_SIZE);
        }
    }
    Assign(WideString(KEY_LOG_FILE_SIZE), megabytes);
}

void DSDSNConfiguration::SetDriverRegistryValue(const std::string& key, const WideString& value)
{
    const OS::ErrorCode error = DSDriverRegistry::WriteValue(WideString(key), value);
    if (error == OS::ERROR_SUCCESS_CODE) {
        return;
    }
    // The registry's own account (a hive file that does not parse, say)
    // names the file, which the system's text cannot.
    const std::string diagnostic = OS::GetRegistryDiagnostic();
    if (m_logger && m_logger->GetLogLevel() > static_cast<int32_t>(Support::LogLevel::Error)) {
        std::string reason = Support::FormatSystemError(error).GetAsNarrow();
        reason += diagnostic;
        m_logger->LogWarning(LOG_NAMESPACE, CLASS_NAME, "SetDriverRegistryValue",
            "Error occurred while saving configuration %s=%s. Error message: %s", key.c_str(),
            value.GetAsNarrow().c_str(), reason.c_str());
    }
    // The text blames permissions whatever went wrong: the system says what did.
    throw DSSetupException(
        DS_ERROR_REGISTRY_WRITE, diagnostic.empty() ? Support::GetSystemErrorText(error) : WideString(diagnostic));
}

WideString DSDSNConfiguration::GetDriverRegistryValue(const std::string& key, const std::string& defaultValue) const
{
    const DSRegistryValueMap values = DSDriverRegistry::ReadValues();
    const auto found = values.find(WideString(key));
    return found == values.end() ? WideString(defaultValue) : found->second;
}

void DSDSNConfiguration::TraceEntry(const char* functionName) const
{
    if (m_logger && m_logger->GetLogLevel() > static_cast<int32_t>(Support::LogLevel::Debug)) {
        m_logger->LogFunctionEntrance(LOG_NAMESPACE, CLASS_NAME, functionName);
    }
}

void DSDSNConfiguration::Assign(const WideString& key, const WideString& value)
{
    // insert_or_assign keeps the key already stored, and so its spelling.
    m_settings.insert_or_assign(key, value);
}

} // namespace Dravo::DriverSupport
