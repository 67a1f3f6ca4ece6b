// The support library's own settings (log level, log directory and files,
// locale), read once per process from the product's registry key, the user's
// hive before the machine's.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "support/SettingsReader.h"
#include "support/WideString.h"

namespace Dravo::Support {

// The names of the support settings.
inline constexpr const char* SETTING_LOG_FILE_COUNT = "LogFileCount";
inline constexpr const char* SETTING_LOG_NAMESPACE = "LogNamespace";
inline constexpr const char* SETTING_LOG_PATH = "LogPath";
inline constexpr const char* SETTING_LOG_FILE_SIZE = "LogFileSize";
inline constexpr const char* SETTING_DRIVER_LOCALE = "DriverLocale";
inline constexpr const char* SETTING_ERROR_MESSAGES_PATH = "ERRORMESSAGESPATH";
inline constexpr const char* SETTING_LOG_LEVEL = "LogLevel";
inline constexpr std::array<const char*, 7> SUPPORT_SETTING_NAMES = {SETTING_LOG_FILE_COUNT, SETTING_LOG_NAMESPACE,
    SETTING_LOG_PATH, SETTING_LOG_FILE_SIZE, SETTING_DRIVER_LOCALE, SETTING_ERROR_MESSAGES_PATH, SETTING_LOG_LEVEL};

inline constexpr const char* DEFAULT_DRIVER_LOCALE = "en-US";

class DSISettings {
public:
    /// Creates the process-wide cache for the key "SOFTWARE\<branch>\<subkey>";
    /// does nothing when it exists already. It lives until the process state
    /// is forgotten.
    static void Create(const WideString& branch, const WideString& subkey);
    /// The process-wide cache, or nullptr before Create.
    static DSISettings* Get();

    /// A cache of its own (for tests); a null reader means the default one.
    DSISettings(const WideString& branch, const WideString& subkey, std::shared_ptr<ISettingsReader> reader = nullptr);
    DSISettings(const DSISettings&) = delete;
    DSISettings& operator=(const DSISettings&) = delete;
    ~DSISettings();

    void SetBranch(const WideString& branch);
    /// Replaces the reader and forgets what was loaded.
    void SetReader(std::shared_ptr<ISettingsReader> reader);

    /// The value of a setting, compared without regard to case; "" when it is
    /// absent or no key can be opened (the next lookup then tries again).
    /// Raises ProductException "RegKeyNotFound" when the key opens but cannot
    /// be queried.
    std::string GetSetting(const std::string& name);

    // Typed readers, each with the default of an empty or invalid setting.
    /// "LogLevel" through ParseLogLevel.
    int32_t GetLogLevel();
    /// "LogNamespace"; empty matches every namespace.
    std::string GetLogNamespace();
    /// "LogPath", or when empty the user's home folder (empty when there is
    /// none), ending with a path separator.
    std::string GetLogDirectory();
    /// "LogFileSize" through ParseMaxLogFileSize.
    uint32_t GetMaxLogFileSize();
    /// "LogFileCount" through ParseLogFileCount.
    uint32_t GetLogFileCount();

private:
    bool LoadLocked();

    std::mutex m_lock;
    WideString m_branch;
    WideString m_subkey;
    std::shared_ptr<ISettingsReader> m_reader;
    SettingsMap m_values;
    bool m_loaded = false;
};

/// "DriverLocale", or "en-US" when it is empty, there is no settings cache or
/// reading it raises anything.
std::string GetDriverLocale();

} // namespace Dravo::Support
