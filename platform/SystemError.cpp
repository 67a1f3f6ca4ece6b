#include "platform/SystemError.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace Dravo::OS {
namespace {

/// How a POSIX errno value is told as a Windows code.
ErrorCode MapErrnoToCode(int errnoValue)
{
    switch (errnoValue) {
    case 0:
        return ERROR_SUCCESS_CODE;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND_CODE;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND_CODE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES_CODE;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED_CODE;
    case EBADF:
        return ERROR_INVALID_HANDLE_CODE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY_CODE;
    case EROFS:
        return ERROR_WRITE_PROTECT_CODE;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION_CODE;
    case EWOULDBLOCK:
        return ERROR_LOCK_VIOLATION_CODE;
    case EEXIST:
        return ERROR_ALREADY_EXISTS_CODE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER_CODE;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return ERROR_DISK_FULL_CODE;
    case EFBIG:
        return ERROR_FILE_TOO_LARGE_CODE;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE_CODE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY_CODE;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME_CODE;
    default:
        return ERROR_IO_DEVICE_CODE;
    }
}

#if !defined(_WIN32)
// This system's own words for the errno a code stands for; the codes no errno
// gives are worded for a configuration kept in files.
struct ErrorMeaning {
    ErrorCode code;
    int errnoValue;
    const char16_t* text;
};

constexpr ErrorMeaning ERROR_MEANINGS[] = {
    {ERROR_SUCCESS_CODE, 0, nullptr},
    {ERROR_FILE_NOT_FOUND_CODE, ENOENT, nullptr},
    {ERROR_PATH_NOT_FOUND_CODE, ENOENT, nullptr},
    {ERROR_TOO_MANY_OPEN_FILES_CODE, EMFILE, nullptr},
    {ERROR_ACCESS_DENIED_CODE, EACCES, nullptr},
    {ERROR_INVALID_HANDLE_CODE, EBADF, nullptr},
    {ERROR_NOT_ENOUGH_MEMORY_CODE, ENOMEM, nullptr},
    {ERROR_INVALID_DATA_CODE, 0, u"The data is invalid"},
    {ERROR_WRITE_PROTECT_CODE, EROFS, nullptr},
    {ERROR_SHARING_VIOLATION_CODE, EBUSY, nullptr},
    {ERROR_LOCK_VIOLATION_CODE, EWOULDBLOCK, nullptr},
    {ERROR_FILE_EXISTS_CODE, EEXIST, nullptr},
    {ERROR_INVALID_PARAMETER_CODE, EINVAL, nullptr},
    {ERROR_DISK_FULL_CODE, ENOSPC, nullptr},
    {ERROR_INSUFFICIENT_BUFFER_CODE, ERANGE, nullptr},
    {ERROR_INVALID_NAME_CODE, 0, u"The file name is not valid"},
    {ERROR_MOD_NOT_FOUND_CODE, 0, u"The library could not be found"},
    {ERROR_PROC_NOT_FOUND_CODE, 0, u"The library lacks a function it should have"},
    {ERROR_DIR_NOT_EMPTY_CODE, ENOTEMPTY, nullptr},
    {ERROR_BAD_PATHNAME_CODE, 0, u"The path is not valid"},
    {ERROR_ALREADY_EXISTS_CODE, EEXIST, nullptr},
    {ERROR_FILENAME_EXCED_RANGE_CODE, ENAMETOOLONG, nullptr},
    {ERROR_FILE_TOO_LARGE_CODE, EFBIG, nullptr},
    {ERROR_MORE_DATA_CODE, 0, u"More data is available"},
    {ERROR_NO_MORE_ITEMS_CODE, 0, u"No more data is available"},
    {ERROR_DIRECTORY_CODE, ENOTDIR, nullptr},
    {ERROR_BADDB_CODE, 0, u"The file is damaged: it cannot be read as a configuration file"},
    {ERROR_BADKEY_CODE, 0, u"The key is not valid"},
    {ERROR_CANTOPEN_CODE, 0, u"The key could not be opened"},
    {ERROR_CANTREAD_CODE, 0, u"The key could not be read"},
    {ERROR_CANTWRITE_CODE, 0, u"The key could not be written"},
    {ERROR_REGISTRY_IO_FAILED_CODE, EIO, nullptr},
    {ERROR_KEY_DELETED_CODE, 0, u"The key has been deleted"},
    {ERROR_IO_DEVICE_CODE, EIO, nullptr},
    {ERROR_INVALID_WINDOW_HANDLE_CODE, 0, u"The window handle is not valid"},
    {ERROR_RESOURCE_NAME_NOT_FOUND_CODE, 0, u"The resource cannot be found"},
    {ERROR_CANT_RESOLVE_FILENAME_CODE, ELOOP, nullptr},
};

/// The errno the last MapErrno of this thread was given, and what it gave:
/// a code stands for several errno values, and the text should be the one
/// the failure had ("Is a directory" rather than "Permission denied").
struct LastMapping {
    ErrorCode code = ERROR_SUCCESS_CODE;
    int errnoValue = 0;
};

thread_local LastMapping t_lastMapping;

#endif

} // namespace

#if !defined(_WIN32)
std::u16string GetSystemErrorMessage(ErrorCode code)
{
    for (const ErrorMeaning& meaning : ERROR_MEANINGS) {
        if (meaning.code != code) {
            continue;
        }
        if (meaning.text) {
            return std::u16string(meaning.text) + u".\r\n";
        }
        const int errnoValue =
            t_lastMapping.code == code && t_lastMapping.errnoValue != 0 ? t_lastMapping.errnoValue : meaning.errnoValue;
        const std::string text = errnoValue == 0 ? std::string("Success") : std::generic_category().message(errnoValue);
        // The system's words are ASCII here; other bytes are kept as Latin-1.
        std::u16string wide(text.begin(), text.end());
        for (char16_t& unit : wide) {
            unit = static_cast<char16_t>(static_cast<unsigned char>(unit));
        }
        return wide + u"\r\n";
    }
    return {};
}
#endif

ErrorCode MapErrno(int errnoValue)
{
    const ErrorCode code = MapErrnoToCode(errnoValue);
#if !defined(_WIN32)
    if (code != ERROR_SUCCESS_CODE) {
        t_lastMapping = LastMapping{code, errnoValue};
    }
#endif
    return code;
}

} // namespace Dravo::OS
