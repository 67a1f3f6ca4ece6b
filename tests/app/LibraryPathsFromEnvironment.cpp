// Linked only into the test build of the tool: the ODBC installer and driver
// manager libraries come from DRAVO_ODBCINST_LIBRARY and DRAVO_ODBC_LIBRARY
// when they are set, so that a test can hand the tool a missing or a broken
// library. The installed program takes no library path from anywhere.
#include <cstdlib>

#include "platform/OdbcDriverManager.h"
#include "platform/OdbcInstaller.h"

namespace {

const bool LIBRARY_PATHS_APPLIED = [] {
    if (const char* path = std::getenv("DRAVO_ODBCINST_LIBRARY"); path && *path) {
        Dravo::OS::OdbcInstaller::SetLibraryPath(path);
    }
    if (const char* path = std::getenv("DRAVO_ODBC_LIBRARY"); path && *path) {
        Dravo::OS::OdbcDriverManager::SetLibraryPath(path);
    }
    return true;
}();

} // namespace
