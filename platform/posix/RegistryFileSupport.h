// What the POSIX registry's two kinds of file (the hive files and the
// driver's configuration file) handle alike: an owned descriptor, a file's
// identity for knowing when it changed, and the files a killed writer left
// beside it. Private to the POSIX registry.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct stat;

namespace Dravo::OS {

/// A descriptor closed when it goes away.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
    [[nodiscard]] int Get() const { return m_fd; }

private:
    int m_fd;
};

/// Device, inode, size and times: the same identity means the same bytes to
/// a process that read them before, since every writer replaces or appends.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity Of(const struct stat& status);
    friend bool operator==(const FileIdentity& a, const FileIdentity& b);
};

/// Removes what a killed writer left beside the file: ".NAME.XXXXXX", named as
/// mkostemp names a new file written beside NAME. Only under the writers'
/// lock, when no other writer is between making such a file and renaming it.
void RemoveLeftoverFiles(const std::string& directory, const std::string& fileName);

/// Waits until the directory's entries are on disk; false with errno set.
bool FlushDirectoryEntries(const std::string& directory);

} // namespace Dravo::OS
