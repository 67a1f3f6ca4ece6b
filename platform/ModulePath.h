// Where the running program lives. Product files (the product description
// file, the default trusted certificates) are looked up beside it.
#pragma once

#include <string>

namespace Dravo::OS {

/// The full path of the running program's file, or empty when it cannot be read.
std::u16string GetModuleFilePath();

/// The separator between directory and file name on this system.
#if defined(_WIN32)
inline constexpr char16_t PATH_SEPARATOR = u'\\';
#else
inline constexpr char16_t PATH_SEPARATOR = u'/';
#endif

} // namespace Dravo::OS
