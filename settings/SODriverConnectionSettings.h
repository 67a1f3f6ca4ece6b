// The driver-wide settings model, the one this tool edits: loaded from the
// driver key snapshot, saved value by value under the driver key, with the
// keys that belong to a single data source filtered out.
#pragma once

#include "settings/SOConnectionSettings.h"

namespace Dravo::VezurAVUZ {

class DriverKeySnapshot;
class SODriverHttpProperties;
class SODriverRegistryKey;
class SODriverServerSideProperties;

class SODriverConnectionSettings final : public SOConnectionSettings {
public:
    /// None of the arguments is owned; all must outlive the model.
    SODriverConnectionSettings(SODriverRegistryKey& registryKey, SODriverServerSideProperties& serverSideProperties,
        SODriverHttpProperties& httpProperties, Support::DSIFileLogger* logger);
    ~SODriverConnectionSettings() override;

    /// Fills the model from the driver key snapshot, loads both property sets
    /// and the logging options. A driver key that does not exist loads the
    /// defaults; a hive that cannot be read raises the registry error naming it.
    void Load() override;

    /// Sets the target from the snapshot (names compared without regard to
    /// case) and returns true; leaves it unchanged and returns false when the
    /// snapshot lacks the key.
    static bool LookupDriverValue(const Support::WideString& key, Support::WideString& target);

    /// True for the keys a driver-wide save never writes: those of a single
    /// data source, and the service discovery keys while the product hides
    /// service discovery.
    [[nodiscard]] static bool IsFilteredKey(const Support::WideString& key);

protected:
    void RemoveSetting(const Support::WideString& key) override;
    /// Nothing to prepare: the first write creates the driver key.
    void PrepareSave() override;
    /// Drops the filtered keys, writes the rest.
    void WriteSetting(const Support::WideString& key, const Support::WideString& value) override;
    /// Waits for the disk, so that a save is durable when it returns.
    void CompleteSave() override;
    /// While the registry key records, the logging options are recorded with
    /// the rest of the save.
    void SaveLoggingOptions() override;

private:
    SODriverRegistryKey* m_registryKey;
    SODriverServerSideProperties* m_driverServerSideProperties;
    SODriverHttpProperties* m_driverHttpProperties;
};

} // namespace Dravo::VezurAVUZ
