// Test helper: file systems mounted for one test process alone. The process
// moves into a private mount namespace first, so that nothing it mounts is
// seen elsewhere or outlives it, and the programs it starts share its view.
// Needs root (CAP_SYS_ADMIN); Available() says whether this run has it.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Dravo::Test {

class MountSandbox {
public:
    /// Enters the private namespace once per process; false (with Why()) when
    /// this process may not.
    static bool Available()
    {
        static const bool entered = Enter();
        return entered;
    }
    static const std::string& Why() { return Reason(); }

    /// A file system in memory of the given size at directory.
    static bool MountTmpfs(const std::filesystem::path& directory, size_t bytes)
    {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        return Check(::mount("tmpfs", directory.c_str(), "tmpfs", 0, options.c_str()), "mount tmpfs");
    }

    /// Changes the size of a tmpfs mounted by MountTmpfs, keeping its files.
    static bool ResizeTmpfs(const std::filesystem::path& directory, size_t bytes)
    {
        const std::string options = "size=" + std::to_string(bytes);
        return Check(::mount("tmpfs", directory.c_str(), "tmpfs", MS_REMOUNT, options.c_str()), "resize tmpfs");
    }

    /// The directory, as it is, made read-only in place.
    static bool BindReadOnly(const std::filesystem::path& directory)
    {
        return Check(::mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr), "bind")
            && Check(::mount(nullptr, directory.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr),
                "remount read-only");
    }

    static void Unmount(const std::filesystem::path& directory) { ::umount2(directory.c_str(), MNT_DETACH); }

    /// Bytes still free for a writer on the file system holding path.
    static int64_t FreeBytes(const std::filesystem::path& path)
    {
        struct statvfs info {};
        if (::statvfs(path.c_str(), &info) != 0) {
            return -1;
        }
        return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
    }

private:
    static std::string& Reason()
    {
        static std::string reason;
        return reason;
    }

    static bool Check(int result, const char* what)
    {
        if (result != 0) {
            Reason() = std::string(what) + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    static bool Enter()
    {
        if (::geteuid() != 0) {
            Reason() = "mounting needs root";
            return false;
        }
        return Check(::unshare(CLONE_NEWNS), "unshare")
            && Check(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), "make mounts private");
    }
};

} // namespace Dravo::Test
