// The system's ODBC headers, for the installer and driver manager loaders
// only. Windows' ODBC headers build on <windows.h>, whose macros of the same
// names would rename the portable functions of OdbcInstaller.
#pragma once

#ifdef _WIN32
#include <windows.h>
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#endif
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
