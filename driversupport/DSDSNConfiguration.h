// The configuration-support library's in-memory store for one set of
// connection settings (one data source, or the driver-wide settings): a map
// from key to text whose keys compare without regard to case and keep the
// spelling they were first given, the driver's four logging options read from
// and written to the driver key, and the checks on the values a user enters.
// Subclasses supply the default settings.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "identity/ProductIdentity.h"
#include "support/WideString.h"

namespace Dravo::Support {
class DSIFileLogger;
} // namespace Dravo::Support

namespace Dravo::DriverSupport {

/// Key -> value, keys compared by ICU case folding; a key assigned again in
/// another spelling keeps its first spelling.
using DSSettingsMap = std::map<Support::WideString, Support::WideString, Support::WideStringCaseInsensitiveLess>;

/// A value handed on to a connection, import or export.
struct DSConnectionSetting {
    Support::WideString value;
    /// True when the value was read from a configuration file, false when it
    /// came from a store.
    bool isImported = false;
};

using DSConnectionSettingsMap =
    std::map<Support::WideString, DSConnectionSetting, Support::WideStringCaseInsensitiveLess>;

/// Default settings in the order they are applied.
using DSSettingList = std::vector<std::pair<Support::WideString, Support::WideString>>;

class DSDSNConfiguration {
public:
    /// The logger is not owned and may be null (nothing is logged). Without an
    /// identity the process-wide one is kept.
    DSDSNConfiguration(const Support::WideString& dsnName, Support::DSIFileLogger* logger, int32_t integerOption,
        bool booleanOption, const VezurAVUZ::ProductIdentity* identity = nullptr);
    DSDSNConfiguration(const DSDSNConfiguration&) = delete;
    DSDSNConfiguration& operator=(const DSDSNConfiguration&) = delete;
    virtual ~DSDSNConfiguration();

    /// The settings a fresh configuration starts from.
    [[nodiscard]] virtual DSSettingList GetConnSettingDefaults() const = 0;
    /// Before Load: checks the name with the ODBC installer and stores it
    /// under "DSN"; a rejected name (or no installer) raises DSSetupException 7.
    /// After Load: does nothing.
    virtual void SetDSN(const Support::WideString& name);
    /// Called by Load with the map it merged.
    virtual void OnLoaded(const DSConnectionSettingsMap& loaded);
    /// Called by GetConnectionSettings with the map it filled.
    virtual void OnConnectionSettings(DSConnectionSettingsMap& settings);

    /// The value slot of a key, created empty when absent.
    Support::WideString& operator[](const Support::WideString& key);
    /// The value of a key, or the empty text when absent.
    [[nodiscard]] Support::WideString GetValue(const Support::WideString& key) const;
    [[nodiscard]] const DSSettingsMap& GetSettings() const { return m_settings; }

    /// Marks the store loaded, applies the defaults (logging options from the
    /// registry, then GetConnSettingDefaults), then the given entries over them.
    void Load(const DSConnectionSettingsMap& settings);
    /// The logging options from the registry, then the subclass defaults; no
    /// entry is removed first.
    void LoadConnSettingDefaults();
    /// "LogLevel" (as a level number), "LogPath", "LogFileCount" and
    /// "LogFileSize" (in megabytes) from the driver key, with their defaults.
    void LoadLoggingProperties();
    /// The four logging options as the driver key keeps them, in the order
    /// they are written: "LogFileSize" as a byte count, whose conversion
    /// raises ErrorException for a size that is no number.
    [[nodiscard]] std::vector<std::pair<std::string, Support::WideString>> GetLoggingPropertiesToSave() const;
    /// Writes the four logging options to the driver key, "LogFileSize" as a
    /// byte count. The first failing write raises DSSetupException 6 and later
    /// ones are not tried; a size that is no number raises its conversion's
    /// ErrorException before the size is written.
    void SaveLoggingProperties();
    /// Every entry but the four logging options, with the flag cleared.
    void GetConnectionSettings(DSConnectionSettingsMap& settings);

    [[nodiscard]] Support::WideString GetLogLevel() const;
    [[nodiscard]] Support::WideString GetLogPath() const;
    [[nodiscard]] Support::WideString GetLogFileCount() const;
    [[nodiscard]] Support::WideString GetLogFileSize() const;
    void SetLogLevel(const Support::WideString& level);
    void SetLogPath(const Support::WideString& path);
    /// Empty, or 0..4294967295, stored as the number read; anything else
    /// raises DSSetupException 8.
    void SetLogFileCount(const Support::WideString& count);
    /// Megabytes: empty, or 0..4096; anything else raises DSSetupException 9.
    void SetLogFileSize(const Support::WideString& megabytes);

    /// Writes one REG_SZ value under the driver key. On failure logs a warning
    /// (when the level allows) and raises DSSetupException 6.
    void SetDriverRegistryValue(const std::string& key, const Support::WideString& value);
    /// One value under the driver key, or the default when there is none or
    /// the key cannot be read.
    [[nodiscard]] Support::WideString GetDriverRegistryValue(
        const std::string& key, const std::string& defaultValue) const;

    [[nodiscard]] bool IsLoaded() const { return m_isLoaded; }
    [[nodiscard]] const Support::WideString& GetDSNName() const { return m_dsnName; }
    [[nodiscard]] Support::DSIFileLogger* GetLogger() const { return m_logger; }
    [[nodiscard]] const VezurAVUZ::ProductIdentity& GetProductIdentity() const { return m_identity; }
    [[nodiscard]] int32_t GetIntegerOption() const { return m_integerOption; }
    [[nodiscard]] bool GetBooleanOption() const { return m_booleanOption; }

protected:
    /// A function-entry trace, written only when the logger traces.
    void TraceEntry(const char* functionName) const;

private:
    void Assign(const Support::WideString& key, const Support::WideString& value);

    DSSettingsMap m_settings;
    Support::WideString m_dsnName;
    Support::DSIFileLogger* m_logger;
    VezurAVUZ::ProductIdentity m_identity;
    int32_t m_integerOption;
    bool m_isLoaded = false;
    bool m_booleanOption;
};

} // namespace Dravo::DriverSupport
