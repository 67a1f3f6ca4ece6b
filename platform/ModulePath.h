// Where the running module lives: the program, or the setup library that an
// ODBC installer loaded into its caller. Product files (the product
// description file, the default trusted certificates) are looked up beside it.
#pragma once

#include <string>

namespace Dravo::OS {

/// The full path of the file this code was loaded from (the program's, or
/// the shared library's it is linked into), or empty when it cannot be read.
std::u16string GetModuleFilePath();

/// The separator between directory and file name on this system.
#if defined(_WIN32)
inline constexpr char16_t PATH_SEPARATOR = u'\\';
#else
inline constexpr char16_t PATH_SEPARATOR = u'/';
#endif

} // namespace Dravo::OS
