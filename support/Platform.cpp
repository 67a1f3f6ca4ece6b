#include "support/Platform.h"

#include <cstdio>
#include <new>

#include <unicode/locid.h>

namespace Dravo::Support {
namespace {

// Used from the start-up thread only, as the callers guarantee.
Platform* s_platform = nullptr;
int32_t s_initCount = 0;
bool s_verbose = false;

} // namespace

Platform::Platform()
    : m_converter(std::make_unique<StringConverter>()), m_secondaryConverter(std::make_unique<StringConverter>()),
      m_defaultLocaleName(icu::Locale::getDefault().getName(), SQL_NTS_BYTES, ENC_UTF8)
{
}

Platform::~Platform() = default;

Platform* InitializePlatform(bool verbose)
{
    if (verbose) {
        std::printf("Entering Dravo::Platform::InitializePlatform(%s) with s_initCount ==%d.\n", "true", s_initCount);
    }
    if (s_initCount++ == 0) {
        // Out of memory leaves the platform absent, inside the constructor too.
        try {
            s_platform = new Platform();
        } catch (const std::bad_alloc&) {
            s_platform = nullptr;
        }
        s_verbose = verbose;
        return s_platform;
    }
    if (verbose) {
        s_verbose = true;
    }
    return s_platform;
}

void UninitializePlatform()
{
    if (s_verbose) {
        std::printf("Entering Dravo::Platform::UninitializePlatform() with s_initCount ==%d.\n", s_initCount);
    }
    if (s_initCount > 0 && --s_initCount == 0) {
        delete s_platform;
        s_platform = nullptr;
    }
}

Platform* GetPlatform()
{
    return s_platform;
}

int32_t GetPlatformInitCount()
{
    return s_initCount;
}

} // namespace Dravo::Support
