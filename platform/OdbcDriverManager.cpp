#include "platform/OdbcDriverManager.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/OdbcHeaders.h"
#include "platform/ProcessState.h"
#include "platform/SharedLibrary.h"

namespace Dravo::OS::OdbcCalls {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters must be UTF-16 units");

struct Functions {
    decltype(&::SQLAllocHandle) allocHandle = nullptr;
    decltype(&::SQLSetEnvAttr) setEnvAttr = nullptr;
    decltype(&::SQLDriverConnectW) driverConnect = nullptr;
    decltype(&::SQLGetInfoW) getInfo = nullptr;
    decltype(&::SQLDisconnect) disconnect = nullptr;
    decltype(&::SQLFreeHandle) freeHandle = nullptr;
    decltype(&::SQLGetDiagRecW) getDiagRec = nullptr;
};

/// Fills every function through lookup(name) -> void*; the name of the first
/// one missing, or nothing when all were found.
template <typename Lookup> std::optional<std::string> LookUpFunctions(Functions& functions, Lookup&& lookup)
{
    const auto find = [&lookup](auto& target, const char* name) -> bool {
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(lookup(name));
        return target != nullptr;
    };
    const std::pair<bool, const char*> found[] = {
        {find(functions.allocHandle, "SQLAllocHandle"), "SQLAllocHandle"},
        {find(functions.setEnvAttr, "SQLSetEnvAttr"), "SQLSetEnvAttr"},
        {find(functions.driverConnect, "SQLDriverConnectW"), "SQLDriverConnectW"},
        {find(functions.getInfo, "SQLGetInfoW"), "SQLGetInfoW"},
        {find(functions.disconnect, "SQLDisconnect"), "SQLDisconnect"},
        {find(functions.freeHandle, "SQLFreeHandle"), "SQLFreeHandle"},
        {find(functions.getDiagRec, "SQLGetDiagRecW"), "SQLGetDiagRecW"},
    };
    for (const auto& [present, name] : found) {
        if (!present) {
            return std::string(name);
        }
    }
    return std::nullopt;
}

/// A terminated copy of UTF-16 text, for the wide functions.
inline std::vector<SQLWCHAR> WideArgument(std::u16string_view text)
{
    std::vector<SQLWCHAR> units(text.begin(), text.end());
    units.push_back(0);
    return units;
}

/// Overwrites a buffer that held a connection string: it may carry passwords.
inline void Wipe(std::vector<SQLWCHAR>& units)
{
    std::fill(units.begin(), units.end(), SQLWCHAR(0));
}

/// Every diagnostic record the handle holds, longest messages included.
inline std::vector<OdbcDiagnostic> CollectDiagnostics(
    const Functions& functions, SQLSMALLINT handleType, SQLHANDLE handle)
{
    // Driver managers keep few records; the bound only guards against one
    // that never reports the end.
    constexpr SQLSMALLINT MOST_RECORDS = 32;
    std::vector<OdbcDiagnostic> records;
    for (SQLSMALLINT record = 1; record <= MOST_RECORDS; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        std::vector<SQLWCHAR> message(512, 0);
        SQLSMALLINT length = 0;
        SQLRETURN status = functions.getDiagRec(handleType, handle, record, state, &nativeError, message.data(),
            static_cast<SQLSMALLINT>(message.size()), &length);
        if (status == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.assign(static_cast<size_t>(length) + 1, 0);
            status = functions.getDiagRec(handleType, handle, record, state, &nativeError, message.data(),
                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(status)) {
            break;
        }
        const size_t messageLength =
            std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1);
        OdbcDiagnostic diagnostic;
        diagnostic.state.assign(state, state + std::char_traits<char16_t>::length(reinterpret_cast<char16_t*>(state)));
        diagnostic.nativeError = static_cast<int32_t>(nativeError);
        diagnostic.message.assign(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(messageLength));
        records.push_back(std::move(diagnostic));
    }
    return records;
}

/// Frees a handle when the test leaves, however it leaves.
class HandleGuard {
public:
    HandleGuard(const Functions& functions, SQLSMALLINT type, SQLHANDLE handle)
        : m_functions(functions), m_type(type), m_handle(handle)
    {
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    ~HandleGuard()
    {
        if (m_connected) {
            (void)m_functions.disconnect(m_handle);
        }
        (void)m_functions.freeHandle(m_type, m_handle);
    }
    void SetConnected() { m_connected = true; }

private:
    const Functions& m_functions;
    SQLSMALLINT m_type;
    SQLHANDLE m_handle;
    bool m_connected = false;
};

/// One text property of the connected driver.
inline bool GetInfoText(const Functions& functions, SQLHANDLE connection, SQLUSMALLINT infoType, std::u16string& text)
{
    std::vector<SQLWCHAR> buffer(256, 0);
    SQLSMALLINT bytes = 0;
    const SQLRETURN status = functions.getInfo(
        connection, infoType, buffer.data(), static_cast<SQLSMALLINT>(buffer.size() * sizeof(SQLWCHAR)), &bytes);
    if (!SQL_SUCCEEDED(status)) {
        return false;
    }
    const size_t units =
        std::min(static_cast<size_t>(std::max<SQLSMALLINT>(bytes, 0)) / sizeof(SQLWCHAR), buffer.size() - 1);
    text.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(units));
    return true;
}

/// SQL_OV_ODBC3_80, which headers written for older ODBC versions lack.
inline constexpr uintptr_t ODBC_3_80_BEHAVIOUR = 380;

inline OdbcConnectionTestResult RunConnectionTest(const Functions& functions, std::u16string_view connectionString)
{
    OdbcConnectionTestResult result;
    const auto fail = [&result, &functions](const char* call, SQLSMALLINT handleType, SQLHANDLE handle) {
        result.failedCall = call;
        if (handle != SQL_NULL_HANDLE) {
            result.diagnostics = CollectDiagnostics(functions, handleType, handle);
        }
        return result;
    };

    SQLHANDLE environment = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(functions.allocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
        return fail("SQLAllocHandle", SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    }
    const HandleGuard environmentGuard(functions, SQL_HANDLE_ENV, environment);
    if (!SQL_SUCCEEDED(functions.setEnvAttr(
            environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(ODBC_3_80_BEHAVIOUR), 0))) {
        return fail("SQLSetEnvAttr", SQL_HANDLE_ENV, environment);
    }

    SQLHANDLE connection = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(functions.allocHandle(SQL_HANDLE_DBC, environment, &connection))) {
        return fail("SQLAllocHandle", SQL_HANDLE_ENV, environment);
    }
    HandleGuard connectionGuard(functions, SQL_HANDLE_DBC, connection);

    std::vector<SQLWCHAR> input = WideArgument(connectionString);
    // The driver writes the completed string here; it is never read.
    std::vector<SQLWCHAR> completed(1024, 0);
    SQLSMALLINT completedLength = 0;
    const SQLRETURN connected = functions.driverConnect(connection, nullptr, input.data(), SQL_NTS, completed.data(),
        static_cast<SQLSMALLINT>(completed.size()), &completedLength, SQL_DRIVER_NOPROMPT);
    Wipe(input);
    Wipe(completed);
    if (!SQL_SUCCEEDED(connected)) {
        return fail("SQLDriverConnectW", SQL_HANDLE_DBC, connection);
    }
    connectionGuard.SetConnected();

    if (!GetInfoText(functions, connection, SQL_DRIVER_ODBC_VER, result.odbcVersion)
        || !GetInfoText(functions, connection, SQL_DRIVER_VER, result.driverVersion)) {
        return fail("SQLGetInfoW", SQL_HANDLE_DBC, connection);
    }
    result.connected = true;
    return result;
}

} // namespace Dravo::OS::OdbcCalls

namespace Dravo::OS {
namespace {

#ifdef _WIN32
constexpr const char* LIBRARY_NAME = "odbc32.dll";
#else
constexpr const char* LIBRARY_NAME = "libodbc.so.2";
#endif

struct DriverManagerState {
    std::mutex mutex;
    SharedLibraryHandle handle = nullptr;
    std::string loadedPath;
    std::string libraryPath;
    OdbcCalls::Functions functions;
};

// Drivers the manager loaded may still run code from it while the process
// ends: the state goes away only when the process state is forgotten, and the
// library never does.
ProcessState<DriverManagerState> g_state{"ODBC driver manager"};

DriverManagerState& State()
{
    return g_state.Get();
}

/// The path to load; the caller holds the state's lock.
std::string LibraryPathLocked()
{
    return State().libraryPath.empty() ? GetSystemLibraryPath(LIBRARY_NAME) : State().libraryPath;
}

/// The loaded library's functions, loading it if needed; the reason when it
/// cannot be used. A failed load is tried again on the next call.
std::optional<std::string> LoadFunctions(OdbcCalls::Functions& functions)
{
    std::lock_guard lock(State().mutex);
    const std::string path = LibraryPathLocked();
    if (State().handle && State().loadedPath == path) {
        functions = State().functions;
        return std::nullopt;
    }
    std::string reason;
    // The driver manager of an ODBC program that uses us is the one to use.
    SharedLibraryHandle handle = State().libraryPath.empty() ? FindLoadedSharedLibrary(LIBRARY_NAME) : nullptr;
    if (!handle) {
        handle = LoadSharedLibrary(path, reason);
    }
    if (!handle) {
        return reason;
    }
    OdbcCalls::Functions found;
    if (auto missing = OdbcCalls::LookUpFunctions(
            found, [handle](const char* name) { return FindSharedLibraryFunction(handle, name); })) {
        UnloadSharedLibrary(handle);
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
    std::lock_guard lock(State().mutex);
    return LibraryPathLocked();
}

void OdbcDriverManager::SetLibraryPath(std::string path)
{
    std::lock_guard lock(State().mutex);
    State().libraryPath = std::move(path);
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
