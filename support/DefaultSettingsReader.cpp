// The settings cache's default source: the registry.
#include "support/RegistryReader.h"
#include "support/SettingsReader.h"

namespace Dravo::Support {

std::shared_ptr<ISettingsReader> CreateDefaultSettingsReader()
{
    return std::make_shared<RegistryReader>();
}

} // namespace Dravo::Support
