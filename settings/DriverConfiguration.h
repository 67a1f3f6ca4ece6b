// The driver-wide configuration as the program and the setup library edit
// it: the driver key's accessor, the two driver-wide property sets and the
// settings model over them (start-up steps 3 to 5 and 8).
#pragma once

#include <functional>

#include "settings/SODriverConnectionSettings.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"

namespace Dravo::Support {
class DSIFileLogger;
}

namespace Dravo::VezurAVUZ {

class DriverConfiguration {
public:
    explicit DriverConfiguration(Support::DSIFileLogger& logger);
    DriverConfiguration(const DriverConfiguration&) = delete;
    DriverConfiguration& operator=(const DriverConfiguration&) = delete;

    [[nodiscard]] SODriverConnectionSettings& GetSettings() { return m_settings; }
    /// The accessor every write of the settings goes through.
    [[nodiscard]] SODriverRegistryKey& GetRegistryKey() { return m_registryKey; }
    /// Saves the settings as one change (SaveAsOneRegistryChange).
    void Save();

private:
    SODriverRegistryKey m_registryKey;
    SODriverServerSideProperties m_serverSideProperties;
    SODriverHttpProperties m_httpProperties;
    SODriverConnectionSettings m_settings;
};

/// Runs a save so that it reaches the driver configuration file as one
/// change after it has run whole, or not at all; raises the registry error
/// when the file cannot take it.
void SaveAsOneRegistryChange(const std::function<void()>& save);

} // namespace Dravo::VezurAVUZ
