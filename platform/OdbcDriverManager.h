// The ODBC driver manager (unixODBC's libodbc here, odbc32 on Windows), loaded
// on first use, and the one task this program asks of it: connect to a driver
// with a connection string, ask the driver for its versions and disconnect
// again. Nothing is kept open between calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Dravo::OS {

/// One diagnostic record of the handle whose call failed.
struct OdbcDiagnostic {
    /// The five-character SQLSTATE.
    std::u16string state;
    int32_t nativeError = 0;
    std::u16string message;
};

struct OdbcConnectionTestResult {
    /// True when the connection was made and both versions were read.
    bool connected = false;
    /// SQL_DRIVER_ODBC_VER and SQL_DRIVER_VER as the driver reports them.
    std::u16string odbcVersion;
    std::u16string driverVersion;
    /// Why the driver manager itself could not be used (library or function
    /// missing); nothing when it could.
    std::optional<std::string> libraryError;
    /// The call that failed, e.g. "SQLDriverConnectW".
    std::string failedCall;
    /// The records of the failed call's handle, in the driver manager's order;
    /// none when the call left none.
    std::vector<OdbcDiagnostic> diagnostics;
};

class OdbcDriverManager {
public:
    /// The library path: the one set below, else the system library
    /// directory's libodbc.so.2 (odbc32.dll from the system directory on
    /// Windows). Nothing in the environment changes it.
    static std::string GetLibraryPath();
    /// For test programs, which load a library of their own; the empty path
    /// goes back to the system's. The next test loads the library named then.
    static void SetLibraryPath(std::string path);

    /// Allocates an environment with ODBC 3.80 behaviour and a connection,
    /// connects without prompting, reads the driver's ODBC version and its own
    /// version, disconnects and frees both handles, whatever failed.
    ///
    /// The connection string may hold passwords: it is neither kept nor
    /// logged, and the completed string the driver hands back is discarded.
    static OdbcConnectionTestResult TestConnection(std::u16string_view connectionString);
};

} // namespace Dravo::OS
