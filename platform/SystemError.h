// Windows error codes are the error vocabulary of the whole OS layer, because
// the product code (and the texts it shows) is written against them. Native
// errors are mapped once, here.
#pragma once

#include <cstdint>
#include <string>

namespace Dravo::OS {

using ErrorCode = uint32_t;

inline constexpr ErrorCode ERROR_SUCCESS_CODE = 0;
inline constexpr ErrorCode ERROR_FILE_NOT_FOUND_CODE = 2;
inline constexpr ErrorCode ERROR_PATH_NOT_FOUND_CODE = 3;
inline constexpr ErrorCode ERROR_TOO_MANY_OPEN_FILES_CODE = 4;
inline constexpr ErrorCode ERROR_ACCESS_DENIED_CODE = 5;
inline constexpr ErrorCode ERROR_INVALID_HANDLE_CODE = 6;
inline constexpr ErrorCode ERROR_NOT_ENOUGH_MEMORY_CODE = 8;
inline constexpr ErrorCode ERROR_INVALID_DATA_CODE = 13;
inline constexpr ErrorCode ERROR_WRITE_PROTECT_CODE = 19;
inline constexpr ErrorCode ERROR_SHARING_VIOLATION_CODE = 32;
inline constexpr ErrorCode ERROR_LOCK_VIOLATION_CODE = 33;
inline constexpr ErrorCode ERROR_FILE_EXISTS_CODE = 80;
inline constexpr ErrorCode ERROR_INVALID_PARAMETER_CODE = 87;
inline constexpr ErrorCode ERROR_DISK_FULL_CODE = 112;
inline constexpr ErrorCode ERROR_INSUFFICIENT_BUFFER_CODE = 122;
inline constexpr ErrorCode ERROR_INVALID_NAME_CODE = 123;
inline constexpr ErrorCode ERROR_MOD_NOT_FOUND_CODE = 126;
inline constexpr ErrorCode ERROR_PROC_NOT_FOUND_CODE = 127;
inline constexpr ErrorCode ERROR_DIR_NOT_EMPTY_CODE = 145;
inline constexpr ErrorCode ERROR_BAD_PATHNAME_CODE = 161;
inline constexpr ErrorCode ERROR_ALREADY_EXISTS_CODE = 183;
inline constexpr ErrorCode ERROR_FILENAME_EXCED_RANGE_CODE = 206;
inline constexpr ErrorCode ERROR_FILE_TOO_LARGE_CODE = 223;
inline constexpr ErrorCode ERROR_MORE_DATA_CODE = 234;
inline constexpr ErrorCode ERROR_NO_MORE_ITEMS_CODE = 259;
inline constexpr ErrorCode ERROR_DIRECTORY_CODE = 267;
inline constexpr ErrorCode ERROR_BADDB_CODE = 1009;
inline constexpr ErrorCode ERROR_BADKEY_CODE = 1010;
inline constexpr ErrorCode ERROR_CANTOPEN_CODE = 1011;
inline constexpr ErrorCode ERROR_CANTREAD_CODE = 1012;
inline constexpr ErrorCode ERROR_CANTWRITE_CODE = 1013;
inline constexpr ErrorCode ERROR_REGISTRY_IO_FAILED_CODE = 1016;
inline constexpr ErrorCode ERROR_KEY_DELETED_CODE = 1018;
inline constexpr ErrorCode ERROR_IO_DEVICE_CODE = 1117;
inline constexpr ErrorCode ERROR_INVALID_WINDOW_HANDLE_CODE = 1400;
inline constexpr ErrorCode ERROR_RESOURCE_NAME_NOT_FOUND_CODE = 1814;
inline constexpr ErrorCode ERROR_CANT_RESOLVE_FILENAME_CODE = 1921;

/// The system's message for a code, with a "\r\n" line end as Windows ends
/// its own: on Windows as Windows words it, elsewhere in this system's words
/// for the errno the code was mapped from (the last one this thread mapped,
/// else the errno the code most often stands for); an empty text when the
/// code has no message.
std::u16string GetSystemErrorMessage(ErrorCode code);

/// Maps a POSIX errno value to the Windows code that the same failure gives.
ErrorCode MapErrno(int errnoValue);

} // namespace Dravo::OS
