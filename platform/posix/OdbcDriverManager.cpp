#include "platform/OdbcDriverManager.h"

#include <cstdlib>
#include <mutex>

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "platform/OdbcDriverManagerCalls.inc"

// The multiarch library directory, from the build; an absolute path, so that
// no search path can put another library in its place.
#ifndef DRAVO_SYSTEM_LIBRARY_DIR
#define DRAVO_SYSTEM_LIBRARY_DIR "/usr/lib"
#endif

namespace Dravo::OS {
namespace {

constexpr const char* LIBRARY_NAME = "libodbc.so.2";

struct DriverManagerState {
    std::mutex mutex;
    void* handle = nullptr;
    std::string loadedPath;
    OdbcCalls::Functions functions;
};

DriverManagerState& State()
{
    // Never destroyed: drivers the manager loaded may still run code from it
    // while the process ends.
    static auto* state = new DriverManagerState();
    return *state;
}

/// The loaded library's functions, loading it if needed; the reason when it
/// cannot be used. A failed load is tried again on the next call.
std::optional<std::string> LoadFunctions(OdbcCalls::Functions& functions)
{
    std::lock_guard lock(State().mutex);
    const std::string path = OdbcDriverManager::GetLibraryPath();
    if (State().handle && State().loadedPath == path) {
        functions = State().functions;
        return std::nullopt;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        return reason ? std::string(reason) : path + ": cannot be loaded";
    }
    OdbcCalls::Functions found;
    if (auto missing = OdbcCalls::LookUpFunctions(found, [handle](const char* name) { return ::dlsym(handle, name); })) {
        ::dlclose(handle);
        return path + " has no function " + *missing;
    }
    // A library loaded before stays: a driver it loaded may still be in use.
    State().handle = handle;
    State().loadedPath = path;
    State().functions = found;
    functions = found;
    return std::nullopt;
}

} // namespace

std::string OdbcDriverManager::GetLibraryPath()
{
    if (const char* path = std::getenv(ODBC_LIBRARY_OVERRIDE_VARIABLE); path && *path) {
        return path;
    }
    return std::string(DRAVO_SYSTEM_LIBRARY_DIR) + "/" + LIBRARY_NAME;
}

OdbcConnectionTestResult OdbcDriverManager::TestConnection(std::u16string_view connectionString)
{
    OdbcCalls::Functions functions;
    if (auto error = LoadFunctions(functions)) {
        OdbcConnectionTestResult result;
        result.libraryError = std::move(error);
        return result;
    }
    return OdbcCalls::RunConnectionTest(functions, connectionString);
}

} // namespace Dravo::OS
