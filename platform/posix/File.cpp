// Files on POSIX systems.
#include "platform/File.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unicode/unistr.h>

#include "platform/FileFaults.h"
#include "platform/posix/DurableFile.h"
#include "platform/posix/WalkedPath.h"

namespace Dravo::OS {
namespace {

std::string ToNative(const std::u16string& name)
{
    std::string native;
    icu::UnicodeString(name.data(), static_cast<int32_t>(name.size())).toUTF8String(native);
    return native;
}

ErrorCode LastErrno()
{
    return MapErrno(errno);
}

int OpenFlags(FileAccess access, FileCreation creation, bool refuseLinks)
{
    int flags = O_CLOEXEC;
    switch (access) {
    case FileAccess::Read:
        flags |= O_RDONLY;
        break;
    case FileAccess::Write:
        flags |= O_WRONLY;
        break;
    case FileAccess::ReadWrite:
        flags |= O_RDWR;
        break;
    }
    if (creation != FileCreation::OpenExisting) {
        flags |= O_CREAT;
    }
    // With links refused, truncation waits until the opened file has been
    // checked, so that a planted hard link is not emptied.
    if (creation == FileCreation::CreateAlways && !refuseLinks) {
        flags |= O_TRUNC;
    }
    if (refuseLinks) {
        // O_NONBLOCK keeps a planted FIFO from blocking the open.
        flags |= O_NOFOLLOW | O_NONBLOCK;
    }
    return flags;
}

// Anything but a regular file of one link that this user owns, where links
// are refused: root must not write into a file another user can read.
ErrorCode CheckOpened(int descriptor, bool refuseLinks)
{
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        return LastErrno();
    }
    if (S_ISDIR(info.st_mode)) {
        // Told as Windows tells it, and in words as this system tells it.
        return MapErrno(EISDIR);
    }
    if (refuseLinks && (!S_ISREG(info.st_mode) || info.st_nlink > 1 || info.st_uid != ::geteuid())) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return ERROR_SUCCESS_CODE;
}

/// The path walked once, refusing another user's links on the way.
ErrorCode WalkRefusingLinks(const std::string& native, WalkedPath& walked)
{
    WalkedPath::Failure failure;
    if (!WalkedPath::Walk(native, false, walked, failure)) {
        return failure.code;
    }
    return walked.MissingFolders().empty() ? ERROR_SUCCESS_CODE : ERROR_PATH_NOT_FOUND_CODE;
}

ErrorCode CheckRegularFile(const WalkedPath& walked)
{
    struct stat info {};
    if (::fstatat(walked.Folder(), walked.Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastErrno();
    }
    return S_ISREG(info.st_mode) ? ERROR_SUCCESS_CODE : ERROR_ACCESS_DENIED_CODE;
}

} // namespace

bool IsPathSeparator(char16_t c)
{
    return c == u'/';
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
    const std::string native = ToNative(name);
    // Where links are refused, the folders on the way are walked once and
    // the file opened in the last of them, so none can be swapped meanwhile.
    WalkedPath walked;
    if (options.refuseLinks) {
        if (const ErrorCode error = WalkRefusingLinks(native, walked)) {
            return error;
        }
    }
    int descriptor = -1;
    do {
        descriptor = ::openat(options.refuseLinks ? walked.Folder() : AT_FDCWD,
            options.refuseLinks ? walked.Name().c_str() : native.c_str(),
            OpenFlags(access, creation, options.refuseLinks), static_cast<mode_t>(options.createPermissions));
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return LastErrno();
    }
    ErrorCode error = CheckOpened(descriptor, options.refuseLinks);
    if (!error && options.refuseLinks) {
        const int flags = ::fcntl(descriptor, F_GETFL);
        if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            error = LastErrno();
        }
    }
    if (!error && options.refuseLinks && creation == FileCreation::CreateAlways && ::ftruncate(descriptor, 0) != 0) {
        error = LastErrno();
    }
    if (error) {
        ::close(descriptor);
        return error;
    }
    m_descriptor = descriptor;
    m_writable = access != FileAccess::Read;
    m_name = name;
    return ERROR_SUCCESS_CODE;
}

void File::Close()
{
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

ErrorCode File::Read(void* buffer, size_t count, size_t& bytesRead)
{
    bytesRead = 0;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Read, m_name)) {
        return fault;
    }
    ssize_t result = -1;
    do {
        result = ::read(m_descriptor, buffer, count);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        return LastErrno();
    }
    bytesRead = static_cast<size_t>(result);
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
        const ssize_t result = ::write(m_descriptor, bytes + bytesWritten, allowed - bytesWritten);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrno();
        }
        if (result == 0) {
            return ERROR_DISK_FULL_CODE;
        }
        bytesWritten += static_cast<size_t>(result);
    }
    return allowed < count ? ERROR_DISK_FULL_CODE : ERROR_SUCCESS_CODE;
}

ErrorCode File::Seek(int64_t offset, SeekOrigin origin, int64_t& newPosition)
{
    newPosition = -1;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Seek, m_name)) {
        return fault;
    }
    int whence = SEEK_CUR;
    if (origin == SeekOrigin::Begin) {
        whence = SEEK_SET;
    } else if (origin == SeekOrigin::End) {
        whence = SEEK_END;
    }
    const off_t result = ::lseek(m_descriptor, static_cast<off_t>(offset), whence);
    if (result < 0) {
        return LastErrno();
    }
    newPosition = static_cast<int64_t>(result);
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::GetSize(uint64_t& size) const
{
    size = 0;
    if (const ErrorCode fault = InjectedFileFault(FileOperation::GetSize, m_name)) {
        return fault;
    }
    struct stat info {};
    if (::fstat(m_descriptor, &info) != 0) {
        return LastErrno();
    }
    size = static_cast<uint64_t>(info.st_size);
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Flush()
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Flush, m_name)) {
        return fault;
    }
    if (::fsync(m_descriptor) != 0 && errno != EINVAL && errno != EROFS) {
        return LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Lock(uint64_t offset, uint64_t length)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Lock, m_name)) {
        return fault;
    }
    struct flock range {};
    // A read lock is all a read-only descriptor can take; it still excludes writers.
    range.l_type = m_writable ? F_WRLCK : F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    // Open-file-description locks belong to this handle, as on Windows, not
    // to the whole process.
    if (::fcntl(m_descriptor, F_OFD_SETLK, &range) != 0) {
        return (errno == EAGAIN || errno == EACCES) ? ERROR_LOCK_VIOLATION_CODE : LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode File::Unlock(uint64_t offset, uint64_t length)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Unlock, m_name)) {
        return fault;
    }
    struct flock range {};
    range.l_type = F_UNLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    if (::fcntl(m_descriptor, F_OFD_SETLK, &range) != 0) {
        return LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode CreateDirectoryLevel(const std::u16string& path)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::MakeDirectory, path)) {
        return fault;
    }
    if (::mkdir(ToNative(path).c_str(), 0755) != 0) {
        // A missing parent is a missing path, as Windows reports it.
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND_CODE : LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode RenameFile(const std::u16string& from, const std::u16string& to, bool regularFilesOnly)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Rename, from)) {
        return fault;
    }
    const std::string nativeFrom = ToNative(from);
    if (!regularFilesOnly) {
        return ::rename(nativeFrom.c_str(), ToNative(to).c_str()) == 0 ? ERROR_SUCCESS_CODE : LastErrno();
    }
    WalkedPath walkedFrom;
    WalkedPath walkedTo;
    if (const ErrorCode error = WalkRefusingLinks(nativeFrom, walkedFrom)) {
        return error;
    }
    if (const ErrorCode error = WalkRefusingLinks(ToNative(to), walkedTo)) {
        return error;
    }
    if (const ErrorCode error = CheckRegularFile(walkedFrom)) {
        return error;
    }
    // renameat() never follows a link at either name: a link planted at the
    // target is replaced, not written through.
    if (::renameat(walkedFrom.Folder(), walkedFrom.Name().c_str(), walkedTo.Folder(), walkedTo.Name().c_str()) != 0) {
        return LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode RemoveFile(const std::u16string& name, bool regularFilesOnly)
{
    if (const ErrorCode fault = InjectedFileFault(FileOperation::Remove, name)) {
        return fault;
    }
    const std::string native = ToNative(name);
    if (!regularFilesOnly) {
        return ::unlink(native.c_str()) == 0 ? ERROR_SUCCESS_CODE : LastErrno();
    }
    WalkedPath walked;
    if (const ErrorCode error = WalkRefusingLinks(native, walked)) {
        return error;
    }
    if (const ErrorCode error = CheckRegularFile(walked)) {
        return error;
    }
    if (::unlinkat(walked.Folder(), walked.Name().c_str(), 0) != 0) {
        return LastErrno();
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode ReplaceWholeFile(const std::u16string& name, std::string_view bytes, uint32_t mostPermissions)
{
    DurableFileRules rules{"the file", true, false, static_cast<mode_t>(mostPermissions & 0777)};
    rules.modeLimit = static_cast<mode_t>(mostPermissions & 0777);
    const DurableFile file(ToNative(name), rules);
    return file.Update([&](const FileContents&, std::optional<std::string>& replacement) {
        replacement = std::string(bytes);
        return ERROR_SUCCESS_CODE;
    });
}

std::optional<std::string> FindIrregularFile(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        return "a directory";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a FIFO";
    }
    return S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device" : "no regular file";
}

std::optional<uint32_t> GetFilePermissions(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(info.st_mode & 0777);
}

bool PathExists(const std::u16string& path)
{
    struct stat info {};
    return ::lstat(ToNative(path).c_str(), &info) == 0;
}

bool IsDirectory(const std::u16string& path)
{
    struct stat info {};
    return ::stat(ToNative(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace Dravo::OS
