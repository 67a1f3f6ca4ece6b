// What the setup library does for each request of an ODBC installer. The
// exported functions (SetupEntryPoints.cpp) only convert their arguments and
// call these; each call runs the program's start-up around its work, one at
// a time, reports failures to the installer (SQLPostInstallerError) and lets
// no exception out.
#pragma once

#include <cstdint>

namespace Dravo::VezurAVUZ::SetupLibrary {

// The requests, as the installer numbers them.
inline constexpr uint16_t ADD_DSN = 1;
inline constexpr uint16_t CONFIG_DSN = 2;
inline constexpr uint16_t REMOVE_DSN = 3;
inline constexpr uint16_t INSTALL_DRIVER = 1;
inline constexpr uint16_t REMOVE_DRIVER = 2;
inline constexpr uint16_t CONFIG_DRIVER = 3;

/// ConfigDSN: WINDOW is the caller's window (nullptr: no dialog), the texts
/// are UTF-16 as the wide functions take them. True on success.
bool ConfigDataSource(void* window, uint16_t request, const char16_t* driver, const char16_t* attributes);
/// The same from the narrow functions, whose texts are in the system's
/// narrow encoding.
bool ConfigDataSourceNarrow(void* window, uint16_t request, const char* driver, const char* attributes);

/// ConfigDriver. The message buffer (MESSAGE_MAX units, may be absent)
/// receives what the library has to say, cut to fit and ending in a NUL;
/// MESSAGE_OUT the length of the whole message.
bool ConfigDriver(void* window, uint16_t request, const char16_t* driver, const char16_t* arguments, char16_t* message,
    uint16_t messageMax, uint16_t* messageOut);
bool ConfigDriverNarrow(void* window, uint16_t request, const char* driver, const char* arguments, char* message,
    uint16_t messageMax, uint16_t* messageOut);

/// unixODBC's ODBCINSTGetProperties: appends this driver's data-source
/// properties after LAST, its property record. 1 on success, 0 otherwise.
int GetProperties(void* last);

} // namespace Dravo::VezurAVUZ::SetupLibrary
