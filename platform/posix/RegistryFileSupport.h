// What the POSIX registry's two kinds of file (the hive files and the
// driver's configuration file) handle alike: an owned descriptor, a file's
// identity for knowing when it changed, and the files a killed writer left
// beside it. Private to the POSIX registry.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
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

/// The one object for each file in this process, made on first use and never
/// destroyed: open keys point into them until the very end of the process.
template <class File>
class FileObjects {
public:
    /// The object for the path; make() builds it the first time.
    template <class Make>
    File& Get(const std::string& path, Make&& make)
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_objects[path];
        if (!slot) {
            slot = make();
        }
        return *slot;
    }
    /// The object made for the path earlier, or nullptr.
    File* Find(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_objects.find(path);
        return found == m_objects.end() ? nullptr : found->second.get();
    }
    /// Has every object forget what it parsed.
    void DiscardAll()
    {
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_objects) {
            entry.second->Discard();
        }
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<File>> m_objects;
};

/// Removes what a killed writer left beside the file: ".NAME.XXXXXX", named as
/// mkostemp names a new file written beside NAME. Only under the writers'
/// lock, when no other writer is between making such a file and renaming it.
void RemoveLeftoverFiles(const std::string& directory, const std::string& fileName);

/// Waits until the directory's entries are on disk; false with errno set.
bool FlushDirectoryEntries(const std::string& directory);

} // namespace Dravo::OS
