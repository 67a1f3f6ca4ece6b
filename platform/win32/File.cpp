// Files on Windows. A file is opened with CreateFileW and kept as a C runtime
// descriptor (_open_osfhandle), so that the portable header's descriptor
// stands for the handle; every call goes to the handle itself.
#include "platform/File.h"

#include <utility>

#include <io.h>
#include <fcntl.h>
#include <windows.h>

#include "platform/FileFaults.h"
#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

// The portable names below are not the Windows macros of the same spelling.
#undef CreateDirectory

namespace Dravo::OS {
namespace {

ErrorCode LastError()
{
    return static_cast<ErrorCode>(::GetLastError());
}

HANDLE HandleOf(int descriptor)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
}

/// Anything but a plain file (a directory, a link or other reparse point).
ErrorCode CheckRegularFile(const std::wstring& name)
{
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastError();
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return ERROR_SUCCESS_CODE;
}

} // namespace

bool IsPathSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

ErrorCode File::Open(
    const std::u16string& name, FileAccess access, FileCreation creation, const FileOpenOptions& options)
{
    Close();
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Open, name)) {
        return fault;
    }
    if (name.empty()) {
        return ERROR_INVALID_NAME_CODE;
    }
    DWORD desired = 0;
    int flags = _O_BINARY | _O_NOINHERIT;
    switch (access) {
    case FileAccess::Read:
        desired = GENERIC_READ;
        flags |= _O_RDONLY;
        break;
    case FileAccess::Write:
        desired = GENERIC_WRITE;
        flags |= _O_WRONLY;
        break;
    case FileAccess::ReadWrite:
        desired = GENERIC_READ | GENERIC_WRITE;
        flags |= _O_RDWR;
        break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (creation == FileCreation::OpenAlways) {
        disposition = OPEN_ALWAYS;
    } else if (creation == FileCreation::CreateAlways) {
        // With links refused, truncation waits until the opened file has been
        // checked, so that a planted hard link is not emptied.
        disposition = options.refuseLinks ? OPEN_ALWAYS : CREATE_ALWAYS;
    }
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (options.refuseLinks) {
        attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    }
    const std::wstring native = ToWide(name);
    // Others may read, write, rename and delete meanwhile, as on POSIX systems:
    // log rotation and atomic replacement depend on it.
    HANDLE handle = ::CreateFileW(native.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    BY_HANDLE_FILE_INFORMATION information{};
    ErrorCode error = ERROR_SUCCESS_CODE;
    if (!::GetFileInformationByHandle(handle, &information)) {
        error = LastError();
    } else if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = ERROR_ACCESS_DENIED_CODE;
    } else if (options.refuseLinks
        && ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || information.nNumberOfLinks > 1)) {
        error = ERROR_ACCESS_DENIED_CODE;
    }
    if (!error && options.refuseLinks && creation == FileCreation::CreateAlways) {
        if (!::SetEndOfFile(handle)) {
            error = LastError();
        }
    }
    if (error) {
        ::CloseHandle(handle);
        return error;
    }
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        return ERROR_TOO_MANY_OPEN_FILES_CODE;
    }
    m_descriptor = descriptor;
    m_writable = access != FileAccess::Read;
    m_name = name;
    return ERROR_SUCCESS_CODE;
}

void File::Close()
{
    if (m_descriptor >= 0) {
        ::_close(m_descriptor);
        m_descriptor = -1;
    }
}

ErrorCode File::Read(void* buffer, size_t count, size_t& bytesRead)
{
    bytesRead = 0;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Read, m_name)) {
        return fault;
    }
    DWORD read = 0;
    const DWORD chunk = count > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(count);
    if (!::ReadFile(HandleOf(m_descriptor), buffer, chunk, &read, nullptr)) {
        const ErrorCode error = LastError();
        return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? ERROR_SUCCESS_CODE : error;
    }
    bytesRead = read;
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Write(const void* buffer, size_t count, size_t& bytesWritten)
{
    bytesWritten = 0;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Write, m_name)) {
        return fault;
    }
    const char* bytes = static_cast<const char*>(buffer);
    const size_t allowed = FileWriteAllowance(count);
    while (bytesWritten < allowed) {
        const size_t left = allowed - bytesWritten;
        const DWORD chunk = left > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(HandleOf(m_descriptor), bytes + bytesWritten, chunk, &written, nullptr)) {
            return LastError();
        }
        if (written == 0) {
            return ERROR_DISK_FULL_CODE;
        }
        bytesWritten += written;
    }
    return allowed < count ? ERROR_DISK_FULL_CODE : ERROR_SUCCESS_CODE;
}

ErrorCode File::Seek(int64_t offset, SeekOrigin origin, int64_t& newPosition)
{
    newPosition = -1;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Seek, m_name)) {
        return fault;
    }
    DWORD method = FILE_CURRENT;
    if (origin == SeekOrigin::Begin) {
        method = FILE_BEGIN;
    } else if (origin == SeekOrigin::End) {
        method = FILE_END;
    }
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(HandleOf(m_descriptor), distance, &position, method)) {
        const ErrorCode error = LastError();
        // A position before the start is an invalid argument, as lseek says.
        return error == ERROR_NEGATIVE_SEEK ? ERROR_INVALID_PARAMETER_CODE : error;
    }
    newPosition = position.QuadPart;
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::GetSize(uint64_t& size) const
{
    size = 0;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::GetSize, m_name)) {
        return fault;
    }
    LARGE_INTEGER fileSize{};
    if (!::GetFileSizeEx(HandleOf(m_descriptor), &fileSize)) {
        return LastError();
    }
    size = static_cast<uint64_t>(fileSize.QuadPart);
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Flush()
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Flush, m_name)) {
        return fault;
    }
    // Nothing to hand over from a handle opened for reading only.
    if (m_writable && !::FlushFileBuffers(HandleOf(m_descriptor))) {
        return LastError();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Lock(uint64_t offset, uint64_t length)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Lock, m_name)) {
        return fault;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    // A shared lock is all a read-only handle needs; it still excludes writers.
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (m_writable ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!::LockFileEx(
            HandleOf(m_descriptor), flags, 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at)) {
        const ErrorCode error = LastError();
        return error == ERROR_IO_PENDING ? ERROR_LOCK_VIOLATION_CODE : error;
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Unlock(uint64_t offset, uint64_t length)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Unlock, m_name)) {
        return fault;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (!::UnlockFileEx(HandleOf(m_descriptor), 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at)) {
        return LastError();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode CreateDirectoryLevel(const std::u16string& path)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::MakeDirectory, path)) {
        return fault;
    }
    if (!::CreateDirectoryW(ToWide(path).c_str(), nullptr)) {
        return LastError();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode RenameFile(const std::u16string& from, const std::u16string& to, bool regularFilesOnly)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Rename, from)) {
        return fault;
    }
    const std::wstring nativeFrom = ToWide(from);
    if (regularFilesOnly) {
        if (const ErrorCode error = CheckRegularFile(nativeFrom)) {
            return error;
        }
    }
    if (!::MoveFileExW(nativeFrom.c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return LastError();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode RemoveFile(const std::u16string& name, bool regularFilesOnly)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Remove, name)) {
        return fault;
    }
    const std::wstring native = ToWide(name);
    if (regularFilesOnly) {
        if (const ErrorCode error = CheckRegularFile(native)) {
            return error;
        }
    }
    if (!::DeleteFileW(native.c_str())) {
        return LastError();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode ReplaceWholeFile(const std::u16string& name, std::string_view bytes, uint32_t)
{
    // Written beside the file and moved over it, so that a failure leaves
    // the old one; permission bits mean nothing here.
    const std::u16string temporary = name + u".tmp";
    File file;
    if (const ErrorCode opened = file.Open(temporary, FileAccess::Write, FileCreation::CreateAlways)) {
        return opened;
    }
    size_t written = 0;
    ErrorCode error = file.Write(bytes.data(), bytes.size(), written);
    if (!error) {
        error = file.Flush();
    }
    file.Close();
    if (!error
        && !::MoveFileExW(
            ToWide(temporary).c_str(), ToWide(name).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = static_cast<ErrorCode>(::GetLastError());
    }
    if (error) {
        ::DeleteFileW(ToWide(temporary).c_str());
    }
    return error;
}

std::optional<std::string> FindIrregularFile(const std::string& path)
{
    std::u16string name;
    if (!AppendUtf16FromUtf8(path, name)) {
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesW(ToWide(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "a directory";
    }
    return std::nullopt;
}

std::optional<uint32_t> GetFilePermissions(const std::string&)
{
    return std::nullopt;
}

bool PathExists(const std::u16string& path)
{
    return ::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::u16string& path)
{
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace Dravo::OS
