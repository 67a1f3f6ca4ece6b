// The driver-wide configuration as the program and the setup library edit
// it: the driver key's accessor, the two driver-wide property sets and the
// settings model over them (start-up steps 3 to 5 and 8), and the dialog.
#pragma once

#include <cstdint>
#include <functional>

#include "settings/SODriverConnectionSettings.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"

namespace Dravo::Support {
class DSIFileLogger;
}
namespace Dravo::UI {
class DialogSystem;
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
    /// The driver-wide dialog over the settings, run modally; 1 after OK.
    int32_t ShowDialog(UI::DialogSystem& system);
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
