#include "platform/InputFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileFaults.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/WalkedPath.h"

namespace Dravo::OS {
namespace {

std::string KindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "no regular file";
}

} // namespace

bool ReadInputFile(const std::string& path, const InputLimits& limits, std::string& bytes, std::string& why)
{
    bytes.clear();
    const auto fail = [&](const std::string& what, int error) {
        why = path + ": " + what + (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
        return false;
    };
    WalkedPath walked;
    WalkedPath::Failure failure;
    if (!WalkedPath::Walk(path, true, walked, failure)) {
        return fail(failure.what, failure.errnoValue);
    }
    if (!walked.MissingFolders().empty()) {
        return fail("cannot open", ENOENT);
    }
    // Looked at before it is opened: opening a FIFO for reading may wait for
    // a writer, and a device may answer without end.
    struct stat status {};
    if (::fstatat(walked.Folder(), walked.Name().c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return fail("cannot open", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return fail("is " + KindOf(status.st_mode) + ", not a file to read", 0);
    }
    if (InjectedFileFault(FileOperation::Open, path) != ERROR_SUCCESS_CODE) {
        return fail("cannot open", EIO);
    }
    const FileDescriptor fd(
        ::openat(walked.Folder(), walked.Name().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        return fail("cannot open", errno);
    }
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return fail("is " + KindOf(status.st_mode) + ", not a file to read", 0);
    }
    if (static_cast<uint64_t>(status.st_size) > limits.maxBytes) {
        return fail(DescribeInputLimit(limits.maxBytes), 0);
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return fail("cannot read", errno);
        }
        if (got == 0) {
            return true;
        }
        const auto count = static_cast<size_t>(got);
        if (limits.refuseNul && std::memchr(buffer, '\0', count) != nullptr) {
            return fail("holds a NUL byte, which no text holds", 0);
        }
        if (bytes.size() + count > limits.maxBytes) {
            return fail(DescribeInputLimit(limits.maxBytes), 0);
        }
        bytes.append(buffer, count);
    }
}

} // namespace Dravo::OS
