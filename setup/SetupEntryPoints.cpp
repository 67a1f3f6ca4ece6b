// The functions an ODBC installer looks up in a driver's setup library, by
// their C names and with the installer's calling convention. Each converts
// nothing but its result: the work is SetupLibrary's.
#include <cstdint>

#include "setup/SetupLibrary.h"

#ifdef _WIN32
#include <iterator>

#include <windows.h>
#endif

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

#ifdef _WIN32
namespace {

// The library's own manifest (Common Controls 6) for the windows it makes,
// whatever its host's: an isolation-aware DLL activates it around each call.
class OwnActivationContext {
public:
    OwnActivationContext()
    {
        HMODULE self = nullptr;
        wchar_t path[MAX_PATH * 4];
        if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                reinterpret_cast<LPCWSTR>(&g_anchor), &self)
            || ::GetModuleFileNameW(self, path, static_cast<DWORD>(std::size(path))) == 0) {
            return;
        }
        ACTCTXW description{};
        description.cbSize = sizeof description;
        description.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
        description.lpSource = path;
        description.hModule = self;
        description.lpResourceName = MAKEINTRESOURCEW(2);
        m_context = ::CreateActCtxW(&description);
        if (m_context != INVALID_HANDLE_VALUE && !::ActivateActCtx(m_context, &m_cookie)) {
            m_cookie = 0;
        }
    }
    OwnActivationContext(const OwnActivationContext&) = delete;
    OwnActivationContext& operator=(const OwnActivationContext&) = delete;
    ~OwnActivationContext()
    {
        if (m_cookie != 0) {
            ::DeactivateActCtx(0, m_cookie);
        }
        if (m_context != INVALID_HANDLE_VALUE) {
            ::ReleaseActCtx(m_context);
        }
    }

private:
    static const int g_anchor;
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};

const int OwnActivationContext::g_anchor = 0;

} // namespace
#define DRAVO_OWN_ACTIVATION_CONTEXT const OwnActivationContext activation
#else
#define DRAVO_OWN_ACTIVATION_CONTEXT
#endif

extern "C" {

int DRAVO_INSTALLER_CALL ConfigDSNW(void* window, uint16_t request, const char16_t* driver, const char16_t* attributes)
{
    DRAVO_OWN_ACTIVATION_CONTEXT;
    return Setup::ConfigDataSource(window, request, driver, attributes) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDSN(void* window, uint16_t request, const char* driver, const char* attributes)
{
    DRAVO_OWN_ACTIVATION_CONTEXT;
    return Setup::ConfigDataSourceNarrow(window, request, driver, attributes) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDriverW(void* window, uint16_t request, const char16_t* driver,
    const char16_t* arguments, char16_t* message, uint16_t messageMax, uint16_t* messageOut)
{
    DRAVO_OWN_ACTIVATION_CONTEXT;
    return Setup::ConfigDriver(window, request, driver, arguments, message, messageMax, messageOut) ? 1 : 0;
}

int DRAVO_INSTALLER_CALL ConfigDriver(void* window, uint16_t request, const char* driver, const char* arguments,
    char* message, uint16_t messageMax, uint16_t* messageOut)
{
    DRAVO_OWN_ACTIVATION_CONTEXT;
    return Setup::ConfigDriverNarrow(window, request, driver, arguments, message, messageMax, messageOut) ? 1 : 0;
}

} // extern "C"
