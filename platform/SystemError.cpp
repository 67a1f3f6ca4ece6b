#include "platform/SystemError.h"

#include <cerrno>

namespace Dravo::OS {
namespace {

#if !defined(_WIN32)
// Windows' own texts, where no system can give them (win32/ asks FormatMessageW).
struct ErrorText {
    ErrorCode code;
    const char16_t* text;
};

constexpr ErrorText ERROR_TEXTS[] = {
    {ERROR_SUCCESS_CODE, u"The operation completed successfully.\r\n"},
    {ERROR_FILE_NOT_FOUND_CODE, u"The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND_CODE, u"The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES_CODE, u"The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED_CODE, u"Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE_CODE, u"The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY_CODE, u"Not enough memory resources are available to process this command.\r\n"},
    {ERROR_INVALID_DATA_CODE, u"The data is invalid.\r\n"},
    {ERROR_WRITE_PROTECT_CODE, u"The media is write protected.\r\n"},
    {ERROR_SHARING_VIOLATION_CODE,
        u"The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_LOCK_VIOLATION_CODE,
        u"The process cannot access the file because another process has locked a portion of the file.\r\n"},
    {ERROR_FILE_EXISTS_CODE, u"The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER_CODE, u"The parameter is incorrect.\r\n"},
    {ERROR_DISK_FULL_CODE, u"There is not enough space on the disk.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER_CODE, u"The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME_CODE, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_MOD_NOT_FOUND_CODE, u"The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND_CODE, u"The specified procedure could not be found.\r\n"},
    {ERROR_DIR_NOT_EMPTY_CODE, u"The directory is not empty.\r\n"},
    {ERROR_BAD_PATHNAME_CODE, u"The specified path is invalid.\r\n"},
    {ERROR_ALREADY_EXISTS_CODE, u"Cannot create a file when that file already exists.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE_CODE, u"The filename or extension is too long.\r\n"},
    {ERROR_FILE_TOO_LARGE_CODE, u"The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {ERROR_MORE_DATA_CODE, u"More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS_CODE, u"No more data is available.\r\n"},
    {ERROR_DIRECTORY_CODE, u"The directory name is invalid.\r\n"},
    {ERROR_BADDB_CODE, u"The configuration registry database is corrupt.\r\n"},
    {ERROR_BADKEY_CODE, u"The configuration registry key is invalid.\r\n"},
    {ERROR_CANTOPEN_CODE, u"The configuration registry key could not be opened.\r\n"},
    {ERROR_CANTREAD_CODE, u"The configuration registry key could not be read.\r\n"},
    {ERROR_CANTWRITE_CODE, u"The configuration registry key could not be written.\r\n"},
    {ERROR_REGISTRY_IO_FAILED_CODE,
        u"An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or "
        u"write out, or flush, one of the files that contain the system's image of the registry.\r\n"},
    {ERROR_KEY_DELETED_CODE, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_IO_DEVICE_CODE, u"The request could not be performed because of an I/O device error.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE_CODE, u"Invalid window handle.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND_CODE, u"The specified resource name cannot be found in the image file.\r\n"},
    {ERROR_CANT_RESOLVE_FILENAME_CODE, u"The name of the file cannot be resolved by the system.\r\n"},
};

#endif

} // namespace

#if !defined(_WIN32)
std::u16string GetSystemErrorMessage(ErrorCode code)
{
    for (const ErrorText& entry : ERROR_TEXTS) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return {};
}
#endif

ErrorCode MapErrno(int errnoValue)
{
    switch (errnoValue) {
    case 0: return ERROR_SUCCESS_CODE;
    case ENOENT: return ERROR_FILE_NOT_FOUND_CODE;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND_CODE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES_CODE;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED_CODE;
    case EBADF: return ERROR_INVALID_HANDLE_CODE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY_CODE;
    case EROFS: return ERROR_WRITE_PROTECT_CODE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION_CODE;
    case EWOULDBLOCK: return ERROR_LOCK_VIOLATION_CODE;
    case EEXIST: return ERROR_ALREADY_EXISTS_CODE;
    case EINVAL: return ERROR_INVALID_PARAMETER_CODE;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return ERROR_DISK_FULL_CODE;
    case EFBIG: return ERROR_FILE_TOO_LARGE_CODE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE_CODE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY_CODE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME_CODE;
    default: return ERROR_IO_DEVICE_CODE;
    }
}

} // namespace Dravo::OS
