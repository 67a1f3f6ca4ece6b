// The driver-wide configuration as the program and the setup library edit
// it: the driver key's accessor, the two driver-wide property sets and the
// settings model over them (start-up steps 3 to 5 and 8), and the dialog.
#pragma once

#include <cstdint>

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
    /// The driver-wide dialog over the settings, run modally; 1 after OK.
    int32_t ShowDialog(UI::DialogSystem& system);

private:
    SODriverRegistryKey m_registryKey;
    SODriverServerSideProperties m_serverSideProperties;
    SODriverHttpProperties m_httpProperties;
    SODriverConnectionSettings m_settings;
};

} // namespace Dravo::VezurAVUZ
