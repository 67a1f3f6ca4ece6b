// The functions an ODBC installer looks up in a driver's setup library, by
// their C names and with the installer's calling convention. Each converts
// nothing but its result: the work is SetupLibrary's.
#include <cstdint>

#include "setup/SetupLibrary.h"

// The installer's calling convention (INSTAPI), which only 32-bit Windows
// tells apart.
#if defined(_WIN32) && !defined(_WIN64)
#define DRAVO_INSTALLER_CALL __stdcall
#else
#define DRAVO_INSTALLER_CALL
#endif

namespace Setup = Dravo::VezurAVUZ::SetupLibrary;

#if defined(_WIN32) && defined(__GLIBCXX__)
// The DLL carries its own C++ runtime, whose pool for exceptions under memory
// pressure would outlive the DLL: an installer loads and frees it for every
// request.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct RuntimeRelease {
    RuntimeRelease() = default;
    RuntimeRelease(const RuntimeRelease&) = delete;
    RuntimeRelease& operator=(const RuntimeRelease&) = delete;
    ~RuntimeRelease() { __gnu_cxx::__freeres(); }
};

const RuntimeRelease g_runtimeRelease;

} // namespace
#endif

extern "C" {

int DRAVO_INSTALLER_CALL ConfigDSNW(void* window, uint16_t request, const char16_t* driver, const char16_t* attributes)
{
    return Setup::ConfigDataSource(window, request, driver, attributes) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDSN(void* window, uint16_t request, const char* driver, const char* attributes)
{
    return Setup::ConfigDataSourceNarrow(window, request, driver, attributes) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDriverW(void* window, uint16_t request, const char16_t* driver,
    const char16_t* arguments, char16_t* message, uint16_t messageMax, uint16_t* messageOut)
{
    return Setup::ConfigDriver(window, request, driver, arguments, message, messageMax, messageOut) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDriver(void* window, uint16_t request, const char* driver, const char* arguments,
    char* message, uint16_t messageMax, uint16_t* messageOut)
{
    return Setup::ConfigDriverNarrow(window, request, driver, arguments, message, messageMax, messageOut) ? 1 : 0;
}

} // extern "C"
