// Files and directories as whole tasks: open a file by name with Windows-style
// access and creation rules, read, write, seek, lock, and the few directory
// operations that file handling and log rotation need. Every failure is a
// Windows error code (SystemError.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SystemError.h"

namespace Dravo::OS {

enum class FileAccess { Read, Write, ReadWrite };

enum class FileCreation {
    OpenExisting, ///< fails with ERROR_FILE_NOT_FOUND when absent
    CreateAlways, ///< creates, or truncates what is there
    OpenAlways, ///< creates when absent, keeps the content otherwise
};

enum class SeekOrigin { Begin, Current, End };

struct FileOpenOptions {
    /// Refuses a name that is a symbolic link, a link of another user on the
    /// way to it, or anything but a regular file of this user with a single
    /// link, instead of opening through it; the folders are walked once, so
    /// none can be swapped meanwhile. For files written by a privileged
    /// program in a directory others may write to (log files).
    bool refuseLinks = false;
    /// Permission bits of a newly created file, before the umask.
    uint32_t createPermissions = 0644;
};

/// True for the characters that separate directories in a path here.
bool IsPathSeparator(char16_t c);

/// An open file; closed when the object goes away. Move-only.
class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    /// Opens name; on failure the object stays closed.
    [[nodiscard]] ErrorCode Open(
        const std::u16string& name, FileAccess access, FileCreation creation, const FileOpenOptions& options = {});
    [[nodiscard]] bool IsOpen() const { return m_descriptor >= 0; }
    void Close();

    /// Reads up to count bytes; bytesRead 0 with success means end of file.
    [[nodiscard]] ErrorCode Read(void* buffer, size_t count, size_t& bytesRead);
    /// Writes all count bytes unless an error stops it; bytesWritten says how many went.
    [[nodiscard]] ErrorCode Write(const void* buffer, size_t count, size_t& bytesWritten);
    [[nodiscard]] ErrorCode Seek(int64_t offset, SeekOrigin origin, int64_t& newPosition);
    [[nodiscard]] ErrorCode GetSize(uint64_t& size) const;
    /// Hands written data to the storage device.
    [[nodiscard]] ErrorCode Flush();
    /// Exclusive lock of a byte range, without waiting: ERROR_LOCK_VIOLATION
    /// when someone else holds it.
    [[nodiscard]] ErrorCode Lock(uint64_t offset, uint64_t length);
    [[nodiscard]] ErrorCode Unlock(uint64_t offset, uint64_t length);

private:
    int m_descriptor = -1;
    bool m_writable = false;
    std::u16string m_name; // for the fault seam
};

/// Creates one directory level; ERROR_ALREADY_EXISTS when something is there.
[[nodiscard]] ErrorCode CreateDirectoryLevel(const std::u16string& path);
/// Renames a regular file over to (replacing a file there). With
/// regularFilesOnly, a name that is a symbolic link or anything else but a
/// regular file is left alone (ERROR_ACCESS_DENIED).
[[nodiscard]] ErrorCode RenameFile(const std::u16string& from, const std::u16string& to, bool regularFilesOnly);
/// Removes a file; with regularFilesOnly as for RenameFile.
[[nodiscard]] ErrorCode RemoveFile(const std::u16string& name, bool regularFilesOnly);
/// Writes a file named on purpose (an export) whole, as the durable saves
/// do: beside it and renamed into place, through no symbolic link another
/// user made, with a mode no wider than mostPermissions (a new file less the
/// umask, an old one narrowed to it). On failure the old file is as it was.
[[nodiscard]] ErrorCode ReplaceWholeFile(const std::u16string& name, std::string_view bytes, uint32_t mostPermissions);
/// The permission bits of the file at path (0777 and the like); nothing
/// where there is no file, or the system has no such bits.
[[nodiscard]] std::optional<uint32_t> GetFilePermissions(const std::string& path);
/// What is at path when it is neither a regular file nor missing ("a FIFO",
/// "a device", "a directory"), found without opening it; nothing otherwise.
/// Links are followed.
[[nodiscard]] std::optional<std::string> FindIrregularFile(const std::string& path);
/// Whether something exists at path (a symbolic link counts, dangling or not).
bool PathExists(const std::u16string& path);
bool IsDirectory(const std::u16string& path);

} // namespace Dravo::OS
