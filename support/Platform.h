// Reference-counted start and stop of the support library's process-wide
// services: the string converter pool and the default locale name.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "support/StringConverter.h"
#include "support/WideString.h"

namespace Dravo::Support {

class Platform {
public:
    Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    ~Platform();

    StringConverter& GetStringConverter() { return *m_converter; }
    /// Kept for callers that need a converter of their own; unused by this tool.
    StringConverter& GetSecondaryConverter() { return *m_secondaryConverter; }
    /// Full name of ICU's default locale when the platform started.
    [[nodiscard]] const WideString& GetDefaultLocaleName() const { return m_defaultLocaleName; }
    std::mutex& GetLock() { return m_lock; }

private:
    std::mutex m_lock;
    std::unique_ptr<StringConverter> m_converter;
    std::unique_ptr<StringConverter> m_secondaryConverter;
    WideString m_defaultLocaleName;
};

/// Starts the platform (creating it on the first call); verbose announces the
/// call on standard output.
Platform* InitializePlatform(bool verbose);
void UninitializePlatform();
/// The running platform, or nullptr before the first start and after the last stop.
Platform* GetPlatform();
/// Number of starts not yet matched by a stop.
int32_t GetPlatformInitCount();

} // namespace Dravo::Support
