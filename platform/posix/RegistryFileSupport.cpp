#include "platform/posix/RegistryFileSupport.h"

#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Dravo::OS {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

FileIdentity FileIdentity::Of(const struct stat& status)
{
    FileIdentity identity;
    identity.exists = true;
    identity.device = static_cast<uint64_t>(status.st_dev);
    identity.inode = static_cast<uint64_t>(status.st_ino);
    identity.size = static_cast<int64_t>(status.st_size);
    identity.modified = status.st_mtim;
    identity.changed = status.st_ctim;
    return identity;
}

bool operator==(const FileIdentity& a, const FileIdentity& b)
{
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size
        && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec
        && a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
}

void RemoveLeftoverFiles(const std::string& directory, const std::string& fileName)
{
    DIR* entries = ::opendir(directory.c_str());
    if (!entries) {
        return;
    }
    const std::string prefix = "." + fileName + ".";
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name(entry->d_name);
        if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix) {
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

bool FlushDirectoryEntries(const std::string& directory)
{
    const FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.Get() >= 0 && ::fsync(fd.Get()) == 0;
}

} // namespace Dravo::OS
