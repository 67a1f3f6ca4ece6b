// The settings cache's default source. No reader is built in yet, so every
// support setting reads as empty and each reader falls back to its default.
#include "support/SettingsReader.h"

namespace Dravo::Support {

std::shared_ptr<ISettingsReader> CreateDefaultSettingsReader()
{
    return nullptr;
}

} // namespace Dravo::Support
