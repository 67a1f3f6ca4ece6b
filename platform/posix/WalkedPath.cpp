#include "platform/posix/WalkedPath.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace Dravo::OS {
namespace {

/// Symbolic links followed before the path counts as a loop.
constexpr int MAX_LINKS = 40;

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    return parts;
}

int OpenAt(int folder, const char* name, int flags)
{
    int fd = -1;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::string Joined(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

bool WalkedPath::Walk(const std::string& path, bool followFinalLink, WalkedPath& walked, Failure& failure)
{
    walked = WalkedPath{};
    const auto fail = [&](ErrorCode code, std::string what, int errnoValue) {
        failure = Failure{code, std::move(what), errnoValue};
        return false;
    };
    std::vector<std::string> pending = SplitPath(path);
    std::reverse(pending.begin(), pending.end());
    const bool absolute = !path.empty() && path.front() == '/';
    // O_PATH: a folder on the way needs only search rights, as for the kernel.
    FileDescriptor folder(OpenAt(AT_FDCWD, absolute ? "/" : ".", O_PATH | O_DIRECTORY));
    std::string folderPath = absolute ? "/" : ".";
    if (folder.Get() < 0) {
        return fail(MapErrno(errno), "cannot open the directory " + folderPath, errno);
    }
    int links = 0;
    bool missing = false;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        const bool last = pending.empty();
        if (part == ".") {
            continue;
        }
        if (missing) {
            if (part == "..") {
                return fail(ERROR_PATH_NOT_FOUND_CODE, "the directory " + walked.Path() + " does not exist", 0);
            }
            (last ? walked.m_name : walked.m_missing.emplace_back()) = part;
            continue;
        }
        FileDescriptor next(OpenAt(folder.Get(), part.c_str(), O_PATH | O_NOFOLLOW));
        const std::string partPath = Joined(folderPath, part);
        if (next.Get() < 0) {
            if (errno != ENOENT) {
                return fail(MapErrno(errno), "cannot look at " + partPath, errno);
            }
            if (last) {
                walked.m_name = part;
            } else {
                missing = true;
                walked.m_missing.push_back(part);
            }
            continue;
        }
        struct stat status {};
        if (::fstat(next.Get(), &status) != 0) {
            return fail(MapErrno(errno), "cannot look at " + partPath, errno);
        }
        if (S_ISLNK(status.st_mode) && (!last || followFinalLink)) {
            if (status.st_uid != 0 && status.st_uid != ::geteuid()) {
                return fail(ERROR_ACCESS_DENIED_CODE,
                    partPath + " is a symbolic link of another user, which is not followed", 0);
            }
            if (++links > MAX_LINKS) {
                return fail(ERROR_CANT_RESOLVE_FILENAME_CODE, "too many symbolic links", ELOOP);
            }
            // Read from the descriptor: the link whose owner was checked.
            std::string target(static_cast<size_t>(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
            const ssize_t length = ::readlinkat(next.Get(), "", target.data(), target.size());
            if (length < 0) {
                return fail(MapErrno(errno), "cannot read the symbolic link " + partPath, errno);
            }
            target.resize(static_cast<size_t>(length));
            const std::vector<std::string> parts = SplitPath(target);
            pending.insert(pending.end(), parts.rbegin(), parts.rend());
            if (!target.empty() && target.front() == '/') {
                folder = FileDescriptor(OpenAt(AT_FDCWD, "/", O_PATH | O_DIRECTORY));
                folderPath = "/";
            }
            continue;
        }
        if (last) {
            walked.m_name = part;
            break;
        }
        if (!S_ISDIR(status.st_mode)) {
            return fail(ERROR_PATH_NOT_FOUND_CODE, "the directory " + partPath + " is not a directory", 0);
        }
        folder = std::move(next);
        folderPath = part == ".." ? folderPath + "/.." : partPath;
    }
    if (walked.m_name.empty() || walked.m_name == "..") {
        return fail(ERROR_INVALID_NAME_CODE, "names a directory, not a file", 0);
    }
    // Read access where there is any, for flushing and listing the folder.
    const int readable = OpenAt(folder.Get(), ".", O_RDONLY | O_DIRECTORY);
    walked.m_folder = readable >= 0 ? FileDescriptor(readable) : std::move(folder);
    walked.m_folderPath = std::move(folderPath);
    return true;
}

std::string WalkedPath::Path() const
{
    std::string path = m_folderPath;
    for (const std::string& folder : m_missing) {
        path = Joined(path, folder);
    }
    path = Joined(path, m_name);
    return path.rfind("./", 0) == 0 ? path.substr(2) : path;
}

void WalkedPath::EnterMadeFolder(FileDescriptor fd)
{
    m_folderPath = Joined(m_folderPath, m_missing.front());
    m_missing.erase(m_missing.begin());
    m_folder = std::move(fd);
}

} // namespace Dravo::OS
