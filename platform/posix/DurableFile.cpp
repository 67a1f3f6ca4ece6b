#include "platform/posix/DurableFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/Crc32.h"
#include "platform/FileFaults.h"
#include "platform/ThreadDiagnostic.h"

namespace Dravo::OS {
namespace {

/// Lock attempts before giving up when other writers keep replacing the file.
constexpr int LOCK_ATTEMPTS = 1000;
/// How often a writer that waits for another program's lock tries again.
constexpr std::chrono::microseconds LOCK_POLL_INTERVAL{500};
/// Marks the files a writer makes beside the one it replaces, so that what a
/// killed writer left can be told from anything else in the folder.
constexpr std::string_view TEMPORARY_MARK = ".tmp-";
/// Longest file name most file systems take.
constexpr size_t NAME_MAX_BYTES = 255;
/// The part of a long name that a temporary name keeps.
constexpr size_t KEPT_NAME_BYTES = 200;
/// A default ACL belongs to folders; a file has none to carry.
constexpr std::string_view DEFAULT_ACL_ATTRIBUTE = "system.posix_acl_default";

std::atomic<LockWaitNotice> s_lockWaitNotice{nullptr};

/// The errno an injected fault stands for, so that its text reads as the
/// system's would.
int ErrnoOf(ErrorCode code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND_CODE:
    case ERROR_PATH_NOT_FOUND_CODE:
        return ENOENT;
    case ERROR_ACCESS_DENIED_CODE:
        return EACCES;
    case ERROR_WRITE_PROTECT_CODE:
        return EROFS;
    case ERROR_SHARING_VIOLATION_CODE:
    case ERROR_LOCK_VIOLATION_CODE:
        return EWOULDBLOCK;
    case ERROR_FILE_EXISTS_CODE:
    case ERROR_ALREADY_EXISTS_CODE:
        return EEXIST;
    case ERROR_DISK_FULL_CODE:
        return ENOSPC;
    case ERROR_FILE_TOO_LARGE_CODE:
        return EFBIG;
    case ERROR_NOT_ENOUGH_MEMORY_CODE:
        return ENOMEM;
    default:
        return EIO;
    }
}

/// Asks the fault seam; true (with errno set) when the call must fail.
bool Faulted(FileOperation operation, std::string_view path)
{
    if (const ErrorCode fault = InjectedFileFault(operation, path)) {
        errno = ErrnoOf(fault);
        return true;
    }
    return false;
}

/// Opens the place's name in its folder; path is for the fault seam.
int OpenAt(const WalkedPath& place, const std::string& path, int flags, mode_t mode = 0)
{
    if (Faulted(FileOperation::Open, path)) {
        return -1;
    }
    int fd = -1;
    do {
        fd = ::openat(place.Folder(), place.Name().c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

/// Reads to the end into out, sized for sizeHint bytes first: no copy
/// through a buffer, and none when the file is as large as it was.
bool ReadWhole(int fd, const std::string& path, std::string& out, size_t sizeHint)
{
    out.clear();
    if (Faulted(FileOperation::Read, path)) {
        return false;
    }
    // One byte more than expected, so that the end is found in one read.
    out.resize(std::min(sizeHint, MAX_FILE_BYTES) + 1);
    size_t done = 0;
    for (;;) {
        if (done > MAX_FILE_BYTES) {
            out.clear();
            errno = EFBIG;
            return false;
        }
        if (done == out.size()) {
            out.resize(std::min(out.size() * 2, MAX_FILE_BYTES + 1));
        }
        const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            out.clear();
            return false;
        }
        if (got == 0) {
            out.resize(done);
            return true;
        }
        done += static_cast<size_t>(got);
    }
}

bool ReadRange(int fd, const std::string& path, int64_t offset, int64_t size, std::string& out)
{
    if (Faulted(FileOperation::Read, path)) {
        return false;
    }
    out.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    int64_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out.data() + done, static_cast<size_t>(size - done), offset + done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            // The file is shorter than it was; what is there is what counts.
            out.resize(static_cast<size_t>(done));
            return true;
        }
        done += got;
    }
    return true;
}

/// Writes at offset, or at the descriptor's position when offset is negative.
bool WriteWhole(int fd, const std::string& path, std::string_view data, int64_t offset)
{
    if (Faulted(FileOperation::Write, path)) {
        return false;
    }
    const size_t allowed = FileWriteAllowance(data.size());
    size_t done = 0;
    while (done < allowed) {
        const ssize_t put = offset < 0
            ? ::write(fd, data.data() + done, allowed - done)
            : ::pwrite(fd, data.data() + done, allowed - done, offset + static_cast<int64_t>(done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<size_t>(put);
    }
    if (allowed < data.size()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

bool SyncFile(int fd, const std::string& path)
{
    return !Faulted(FileOperation::Flush, path) && ::fsync(fd) == 0;
}

bool SyncFolder(const WalkedPath& place)
{
    return !Faulted(FileOperation::FlushDirectory, place.FolderPath()) && ::fsync(place.Folder()) == 0;
}

/// Six characters after the prefix, as mkostemp makes them.
std::string RandomSuffix()
{
    static constexpr std::string_view LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string suffix(6, 'X');
    for (char& c : suffix) {
        c = LETTERS[std::uniform_int_distribution<size_t>(0, LETTERS.size() - 1)(generator)];
    }
    return suffix;
}

/// Files a system directory holds are read by every user's driver.
bool InSystemConfiguration(const WalkedPath& place)
{
    return place.Path().rfind("/etc/", 0) == 0;
}

/// ".NAME.tmp-": what the name of a file written beside NAME starts with. A
/// name too long to take the mark keeps its start and a checksum of the rest.
std::string TemporaryPrefix(const std::string& name)
{
    std::string kept = name;
    if (1 + name.size() + TEMPORARY_MARK.size() + 6 > NAME_MAX_BYTES) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", UpdateCrc32(0, name.data(), name.size()));
        kept = name.substr(0, KEPT_NAME_BYTES) + "~" + crc;
    }
    return "." + kept + std::string(TEMPORARY_MARK);
}

/// Removes what a killed writer left beside the file. Only under the
/// writers' lock, when no other writer is between making such a file and
/// renaming it.
void RemoveLeftoverFiles(const WalkedPath& place)
{
    const int listing = ::openat(place.Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    const std::string& name = place.Name();
    const std::string prefix = TemporaryPrefix(name);
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view found(entry->d_name);
        if (found.size() == prefix.size() + 6 && found.substr(0, prefix.size()) == prefix) {
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

// Change detection. Another program's writer may rewrite the file in place
// with no lock (unixODBC's does: it cuts the file to nothing and writes it
// again through a 4 KiB buffer, and may stop for a while between writes).

/// How long a file written in place counts as one its writer may not be
/// done with: any such file for a moment (unixODBC's writers save once per
/// entry, each save a rewrite), one cut where a buffered write stops for
/// longer. And how long a save waits for such a writer to finish.
constexpr std::chrono::milliseconds IN_PLACE_SETTLE_PERIOD{300};
constexpr std::chrono::milliseconds IN_PLACE_QUIET_PERIOD{2000};
constexpr std::chrono::milliseconds IN_PLACE_WAIT_LIMIT{5000};
constexpr std::chrono::milliseconds IN_PLACE_POLL_INTERVAL{20};
/// The buffer size of a C library's file writes.
constexpr int64_t WRITE_BUFFER_BYTES = 4096;

/// Whether the file looks like one another writer is rewriting in place
/// now: written in place (a file renamed into place has a later change time
/// than its last write) in the last moments, or a little longer ago and as
/// long as a whole number of a C library's buffered writes, which is where
/// such a writer stops before its last one.
bool LooksHalfWritten(const struct stat& status, std::string_view bytes)
{
    if (status.st_mtim.tv_sec != status.st_ctim.tv_sec || status.st_mtim.tv_nsec != status.st_ctim.tv_nsec) {
        return false;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto age = std::chrono::seconds(now.tv_sec - status.st_mtim.tv_sec)
        + std::chrono::nanoseconds(now.tv_nsec - status.st_mtim.tv_nsec);
    // A time ahead of the clock is no sign of anything.
    if (age < std::chrono::nanoseconds(0)) {
        return false;
    }
    if (age < IN_PLACE_SETTLE_PERIOD) {
        return true;
    }
    const auto size = static_cast<int64_t>(bytes.size());
    return !bytes.empty() && age < IN_PLACE_QUIET_PERIOD
        && (size % WRITE_BUFFER_BYTES == 0 || (status.st_blksize > 0 && size % status.st_blksize == 0));
}

/// Whether the open file is no longer as read: any write or attribute change.
bool ChangedUnder(int fd, const FileIdentity& readAs)
{
    struct stat now {};
    return ::fstat(fd, &now) != 0 || !(FileIdentity::Of(now) == readAs);
}

ErrorCode WriteErrorCode(int errnoValue)
{
    if (errnoValue == EPERM) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return errnoValue == EROFS ? ERROR_WRITE_PROTECT_CODE : MapErrno(errnoValue);
}

bool InGroup(gid_t group)
{
    if (group == ::getegid()) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

} // namespace

void SetLockWaitNotice(LockWaitNotice notice)
{
    s_lockWaitNotice = notice;
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

std::string ParentDirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

DurableFile::DurableFile(std::string path, DurableFileRules rules) : m_path(std::move(path)), m_rules(std::move(rules))
{
}

ErrorCode DurableFile::Fail(ErrorCode code, const std::string& what, int errnoValue) const
{
    std::string text = m_path + ": " + what;
    if (errnoValue != 0) {
        text += ": ";
        text += std::strerror(errnoValue);
    }
    ThreadDiagnostic::Set(text);
    return code;
}

ErrorCode DurableFile::Walk(WalkedPath& place) const
{
    WalkedPath::Failure failure;
    if (!WalkedPath::Walk(m_path, m_rules.followFinalLink, place, failure)) {
        return Fail(failure.code, failure.what, failure.errnoValue);
    }
    struct stat status {};
    if (!m_rules.followFinalLink && place.MissingFolders().empty()
        && ::fstatat(place.Folder(), place.Name().c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISLNK(status.st_mode)) {
        return Fail(
            ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is a symbolic link, which the registry does not follow", 0);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::ResolveTarget(std::string& target) const
{
    WalkedPath place;
    if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
        return walked;
    }
    target = place.Path();
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::Identify(FileIdentity& identity) const
{
    identity = FileIdentity{};
    WalkedPath place;
    if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
        return walked;
    }
    if (!place.MissingFolders().empty()) {
        return ERROR_SUCCESS_CODE;
    }
    struct stat status {};
    if (::fstatat(place.Folder(), place.Name().c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return ERROR_SUCCESS_CODE;
        }
        return Fail(MapErrno(errno), "cannot look at " + m_rules.noun, errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return Fail(
            ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is a symbolic link, which the registry does not follow", 0);
    }
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is not a regular file", 0);
    }
    identity = FileIdentity::Of(status);
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::Open(std::optional<OpenedFile>& opened) const
{
    opened.reset();
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        WalkedPath place;
        if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
            return walked;
        }
        if (!place.MissingFolders().empty()) {
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        // O_NONBLOCK: a FIFO put in the file's place must not hang the reader.
        FileDescriptor fd(OpenAt(place, m_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
        if (fd.Get() < 0) {
            const int error = errno;
            if (error == ENOENT || error == ENOTDIR) {
                return ERROR_FILE_NOT_FOUND_CODE;
            }
            if (error == ELOOP && m_rules.followFinalLink) {
                // Made a link since it was walked: walk it again.
                continue;
            }
            if (error == ELOOP) {
                return Fail(ERROR_ACCESS_DENIED_CODE,
                    m_rules.noun + " is a symbolic link, which the registry does not follow", 0);
            }
            return Fail(MapErrno(error), "cannot open " + m_rules.noun, error);
        }
        struct stat status {};
        if (::fstat(fd.Get(), &status) != 0) {
            return Fail(MapErrno(errno), "cannot look at " + m_rules.noun, errno);
        }
        if (!S_ISREG(status.st_mode)) {
            return Fail(ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is not a regular file", 0);
        }
        opened.emplace(OpenedFile(*this, std::move(place), std::move(fd), status));
        return ERROR_SUCCESS_CODE;
    }
    return Fail(ERROR_SHARING_VIOLATION_CODE, m_rules.noun + " keeps being replaced by other writers", 0);
}

ErrorCode DurableFile::Read(FileContents& contents) const
{
    contents = FileContents{};
    std::optional<OpenedFile> opened;
    if (const ErrorCode open = Open(opened); open != ERROR_SUCCESS_CODE) {
        return open == ERROR_FILE_NOT_FOUND_CODE ? ERROR_SUCCESS_CODE : open;
    }
    if (const ErrorCode read = opened->ReadAll(contents.bytes); read != ERROR_SUCCESS_CODE) {
        return read;
    }
    contents.exists = true;
    contents.identity = opened->Identity();
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::CheckFolder(const WalkedPath& place, bool making) const
{
    if (!making && !place.MissingFolders().empty()) {
        return Fail(
            ERROR_PATH_NOT_FOUND_CODE, "the directory " + ParentDirectoryOf(place.Path()) + " does not exist", 0);
    }
    // The new file is written beside the old one and renamed over it; with
    // making, the nearest folder that is there is the one a new folder goes into.
    if (::faccessat(place.Folder(), ".", W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE,
            "the directory " + place.FolderPath() + " is not writable", error);
    }
    return ERROR_SUCCESS_CODE;
}

bool DurableFile::GiveToFolderOwner(int fd, const WalkedPath& place) const
{
    struct stat folder {};
    if (::geteuid() != 0 || ::fstat(place.Folder(), &folder) != 0 || folder.st_uid == 0) {
        return true;
    }
    return ::fchown(fd, folder.st_uid, folder.st_gid) == 0;
}

ErrorCode DurableFile::MakeFolders(WalkedPath& place) const
{
    // From the top, readable by everyone: every user's driver reads what is saved here.
    while (!place.MissingFolders().empty()) {
        const std::string& name = place.MissingFolders().front();
        const std::string path = place.FolderPath() + "/" + name;
        if (Faulted(FileOperation::MakeDirectory, path)
            || (::mkdirat(place.Folder(), name.c_str(), 0755) != 0 && errno != EEXIST)) {
            const int error = errno;
            ThreadDiagnostic::Set(path + ": cannot create the directory: " + std::strerror(error));
            return WriteErrorCode(error);
        }
        FileDescriptor made(::openat(place.Folder(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (made.Get() < 0) {
            const int error = errno;
            ThreadDiagnostic::Set(path + ": cannot open the directory just made: " + std::strerror(error));
            return WriteErrorCode(error);
        }
        struct stat status {};
        if (::fstat(made.Get(), &status) == 0 && status.st_uid == ::geteuid()) {
            ::fchmod(made.Get(), 0755);
            (void)GiveToFolderOwner(made.Get(), place);
        }
        place.EnterMadeFolder(std::move(made));
    }
    return ERROR_SUCCESS_CODE;
}

mode_t DurableFile::NewFileMode(std::string_view text, const WalkedPath& place) const
{
    if (InSystemConfiguration(place)) {
        return m_rules.newFileMode;
    }
    const bool secret = m_rules.holdsSecret && m_rules.holdsSecret(text);
    return secret ? (m_rules.newFileMode & 0700) : m_rules.newFileMode;
}

ErrorCode DurableFile::WhyNotReplaceable(const WalkedPath& place, const struct stat& status) const
{
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is not a regular file", 0);
    }
    if (::faccessat(place.Folder(), place.Name().c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE,
            m_rules.noun + " is not writable", error);
    }
    // A replacement belongs to whoever writes it: only root can hand it back,
    // or give it a group the writer is not in.
    if (::geteuid() != 0 && status.st_uid != ::geteuid()) {
        return Fail(ERROR_ACCESS_DENIED_CODE,
            m_rules.noun + " belongs to another user, which a file this user writes would not", 0);
    }
    if (::geteuid() != 0 && !InGroup(status.st_gid)) {
        return Fail(ERROR_ACCESS_DENIED_CODE,
            m_rules.noun + " belongs to a group this user is not in, which a file this user writes could not keep", 0);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::CheckWritable() const
{
    WalkedPath place;
    if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
        return walked;
    }
    if (const ErrorCode folder = CheckFolder(place, m_rules.makeFolders); folder != ERROR_SUCCESS_CODE) {
        return folder;
    }
    struct stat status {};
    if (place.MissingFolders().empty()
        && ::fstatat(place.Folder(), place.Name().c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        return WhyNotReplaceable(place, status);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::Lock(std::optional<LockedFile>& locked, bool createIfMissing, bool forAppending) const
{
    locked.reset();
    const auto waitStarted = std::chrono::steady_clock::now();
    bool told = false;
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        WalkedPath place;
        if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
            return walked;
        }
        const std::string target = place.Path();
        const int access = forAppending ? O_RDWR : O_RDONLY;
        FileDescriptor fd;
        errno = ENOENT;
        if (place.MissingFolders().empty()) {
            fd.Reset(OpenAt(place, target, access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        }
        if (fd.Get() < 0 && errno == ENOENT && createIfMissing) {
            if (m_rules.makeFolders) {
                if (const ErrorCode made = MakeFolders(place); made != ERROR_SUCCESS_CODE) {
                    return made;
                }
            } else if (const ErrorCode folder = CheckFolder(place, false); folder != ERROR_SUCCESS_CODE) {
                return folder;
            }
            const mode_t mode = NewFileMode({}, place);
            fd.Reset(OpenAt(place, target, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode));
            if (fd.Get() >= 0) {
                if (InSystemConfiguration(place)) {
                    ::fchmod(fd.Get(), mode);
                }
                (void)GiveToFolderOwner(fd.Get(), place);
            } else if (errno == EEXIST) {
                continue;
            }
        }
        if (fd.Get() < 0) {
            const int error = errno;
            if (error == ELOOP) {
                // Made a link since it was walked: walk it again.
                continue;
            }
            if (error == ENOENT && !createIfMissing) {
                return ERROR_FILE_NOT_FOUND_CODE;
            }
            return Fail(WriteErrorCode(error), "cannot open " + m_rules.noun + " for writing", error);
        }
        // Waited for a bounded time: anyone who may read the file can take
        // the lock, and must not hold every save back for ever.
        for (;;) {
            if (Faulted(FileOperation::Lock, target)) {
                return Fail(ERROR_LOCK_VIOLATION_CODE, "cannot lock " + m_rules.noun, errno);
            }
            if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
                break;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EWOULDBLOCK) {
                return Fail(MapErrno(errno), "cannot lock " + m_rules.noun, errno);
            }
            const auto waited = std::chrono::steady_clock::now() - waitStarted;
            if (waited >= LOCK_WAIT_LIMIT) {
                return Fail(ERROR_LOCK_VIOLATION_CODE,
                    "another program holds " + m_rules.noun + " locked; waited "
                        + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(LOCK_WAIT_LIMIT).count())
                        + " seconds for it",
                    0);
            }
            if (!told && waited >= LOCK_WAIT_NOTICE_AFTER) {
                told = true;
                if (const LockWaitNotice notice = s_lockWaitNotice.load()) {
                    notice(target);
                }
            }
            // Asked again often: a writer that locks the file again at once
            // after each change leaves only short gaps, and a waiter that
            // looks seldom would miss them all.
            std::this_thread::sleep_for(LOCK_POLL_INTERVAL);
        }
        // A writer may have renamed a new file into place while we waited:
        // then this lock guards nothing, and the new file must be locked.
        struct stat status {};
        struct stat current {};
        if (::fstat(fd.Get(), &status) != 0
            || ::fstatat(place.Folder(), place.Name().c_str(), &current, AT_SYMLINK_NOFOLLOW) != 0
            || status.st_dev != current.st_dev || status.st_ino != current.st_ino) {
            continue;
        }
        if (!S_ISREG(status.st_mode)) {
            return Fail(ERROR_ACCESS_DENIED_CODE, m_rules.noun + " is not a regular file", 0);
        }
        locked.emplace(LockedFile(*this, std::move(place), std::move(fd), status));
        return ERROR_SUCCESS_CODE;
    }
    return Fail(ERROR_SHARING_VIOLATION_CODE, m_rules.noun + " keeps being replaced by other writers", 0);
}

ErrorCode DurableFile::WriteBeside(const WalkedPath& place, std::string_view text, int oldFd, const struct stat* old,
    const std::string* oldText, std::string& temporary, FileIdentity& identity) const
{
    const std::string& folder = place.FolderPath();
    const std::string prefix = TemporaryPrefix(place.Name());
    // Made in the walked folder, exclusively, under a name nobody can guess.
    mode_t mode = old ? (old->st_mode & 07777) : NewFileMode(text, place);
    // Each text is read whole: only when the answer could change the mode.
    if (old && m_rules.privateOnFirstSecret && m_rules.holdsSecret && oldText && (mode & 077) != 0
        && m_rules.holdsSecret(text) && !m_rules.holdsSecret(*oldText)) {
        mode &= ~static_cast<mode_t>(077);
    }
    mode &= m_rules.modeLimit;
    FileDescriptor out;
    for (int attempt = 0; attempt < 100 && out.Get() < 0; ++attempt) {
        temporary = prefix + RandomSuffix();
        if (Faulted(FileOperation::Open, folder + "/" + temporary)) {
            break;
        }
        // 0600 until its attributes are given: the old file's may be narrower.
        out.Reset(::openat(place.Folder(), temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
            old ? 0600 : (mode & 0777)));
        if (out.Get() < 0 && errno != EEXIST) {
            break;
        }
    }
    if (out.Get() < 0) {
        const int error = errno;
        temporary.clear();
        return Fail(WriteErrorCode(error), "cannot create a new file in " + folder, error);
    }
    const auto failed = [&](const std::string& what) {
        const int error = errno;
        ::unlinkat(place.Folder(), temporary.c_str(), 0);
        temporary.clear();
        return Fail(WriteErrorCode(error), what, error);
    };
    // Owner first (a change of owner clears set-id bits), then the mode, then
    // the extended attributes: an access ACL sets the group bits to its mask,
    // which the mode alone would get wrong.
    if (Faulted(FileOperation::SetAttributes, folder + "/" + temporary)) {
        return failed("cannot give the new file the attributes of the old one");
    }
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
        && ::fchown(out.Get(), old->st_uid, old->st_gid) != 0) {
        return failed("cannot give the new file the owner of the old one");
    }
    if (!old && !GiveToFolderOwner(out.Get(), place)) {
        return failed("cannot give the new file to the owner of its directory");
    }
    // A new file keeps what the umask left of its mode, except where every
    // user's driver must read it.
    if ((old || InSystemConfiguration(place)) && ::fchmod(out.Get(), mode) != 0) {
        return failed("cannot set the mode of the new file");
    }
    if (oldFd >= 0) {
        const ssize_t listed = ::flistxattr(oldFd, nullptr, 0);
        std::string names(listed > 0 ? static_cast<size_t>(listed) : 0, '\0');
        const ssize_t got = listed > 0 ? ::flistxattr(oldFd, names.data(), names.size()) : listed;
        if (got < 0 && errno != ENOTSUP) {
            return failed("cannot list the extended attributes of the old file");
        }
        names.resize(got > 0 ? static_cast<size_t>(got) : 0);
        for (size_t at = 0; at < names.size();) {
            const std::string name(names.c_str() + at);
            at += name.size() + 1;
            if (name.empty() || name == DEFAULT_ACL_ATTRIBUTE) {
                continue;
            }
            const ssize_t size = ::fgetxattr(oldFd, name.c_str(), nullptr, 0);
            std::string value(size > 0 ? static_cast<size_t>(size) : 0, '\0');
            const ssize_t read = size > 0 ? ::fgetxattr(oldFd, name.c_str(), value.data(), value.size()) : size;
            if (read < 0) {
                // What this process may not read, it cannot have set either.
                if (errno == EPERM || errno == EACCES || errno == ENODATA) {
                    continue;
                }
                return failed("cannot read the extended attribute " + name + " of the old file");
            }
            value.resize(static_cast<size_t>(read));
            if (::fsetxattr(out.Get(), name.c_str(), value.data(), value.size(), 0) != 0) {
                return failed("cannot carry the extended attribute " + name + " over to the new file");
            }
        }
    }
    // The new file must be complete on disk before its name replaces the old one.
    if (!WriteWhole(out.Get(), folder + "/" + temporary, text, -1)) {
        return failed("cannot write the new file");
    }
    // A write stamps the change and modification times alike, as an in-place
    // rewrite by unixODBC does, which the next save would wait for. The clock
    // read here is finer than the file system's stamp, so the times differ.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {{0, UTIME_OMIT}, now};
    (void)::futimens(out.Get(), times);
    if (!SyncFile(out.Get(), folder + "/" + temporary)) {
        return failed("cannot flush the new file");
    }
    struct stat status {};
    if (::fstat(out.Get(), &status) != 0) {
        return failed("cannot look at the new file");
    }
    identity = FileIdentity::Of(status);
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::FlushFolder(const WalkedPath& place) const
{
    if (!SyncFolder(place)) {
        const int error = errno;
        return Fail(MapErrno(error),
            "the new file is in place, but the directory " + place.FolderPath() + " could not be flushed", error);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DurableFile::Update(const Edit& edit, FileContents* result) const
{
    std::optional<FileContents> carried;
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        std::optional<LockedFile> locked;
        const ErrorCode lockResult = Lock(locked, false, false);
        if (lockResult == ERROR_FILE_NOT_FOUND_CODE) {
            WalkedPath place;
            if (const ErrorCode walked = Walk(place); walked != ERROR_SUCCESS_CODE) {
                return walked;
            }
            const ErrorCode folder = m_rules.makeFolders ? MakeFolders(place) : CheckFolder(place, false);
            if (folder != ERROR_SUCCESS_CODE) {
                return folder;
            }
            const FileContents none;
            std::optional<std::string> text;
            if (const ErrorCode edited = edit(none, text); edited != ERROR_SUCCESS_CODE) {
                return edited;
            }
            if (!text) {
                if (result) {
                    *result = none;
                }
                return ERROR_SUCCESS_CODE;
            }
            std::string temporary;
            FileContents written{true, *text, {}};
            if (const ErrorCode wrote = WriteBeside(place, *text, -1, nullptr, nullptr, temporary, written.identity);
                wrote != ERROR_SUCCESS_CODE) {
                return wrote;
            }
            // Linked, not renamed: a file another writer made meanwhile stays,
            // and is edited in turn.
            const bool linked = !Faulted(FileOperation::Link, place.Path())
                && ::linkat(place.Folder(), temporary.c_str(), place.Folder(), place.Name().c_str(), 0) == 0;
            const int error = errno;
            ::unlinkat(place.Folder(), temporary.c_str(), 0);
            if (!linked) {
                // EEXIST: another writer made the file meanwhile. ENOENT: its
                // save, under the lock, took this new file for one a killed
                // writer left. Either way the file is edited as it is now.
                if (error == EEXIST || error == ENOENT) {
                    continue;
                }
                return Fail(WriteErrorCode(error), "cannot put the new file in place", error);
            }
            if (result) {
                // Also when the folder cannot be flushed: the file is in place.
                *result = written;
            }
            return FlushFolder(place);
        }
        if (lockResult != ERROR_SUCCESS_CODE) {
            return lockResult;
        }
        FileContents current;
        const bool overCarried = carried.has_value();
        if (carried) {
            // The text an in-place writer finished in the file this save had
            // replaced: edited again, over the file this save put in place.
            const FileIdentity now = FileIdentity::Of(locked->Status());
            if (now.device != carried->identity.device || now.inode != carried->identity.inode) {
                return Fail(ERROR_SHARING_VIOLATION_CODE,
                    "another program rewrote " + m_rules.noun + " in place while this save replaced it, and the "
                        + "file was replaced again since: that program's change is lost; this one is in place",
                    0);
            }
            current = std::move(*carried);
            current.identity = now;
            carried.reset();
        } else if (const ErrorCode read = locked->ReadSettled(current); read != ERROR_SUCCESS_CODE) {
            return read;
        }
        std::optional<std::string> text;
        if (const ErrorCode edited = edit(current, text); edited != ERROR_SUCCESS_CODE) {
            return edited;
        }
        // The same text still narrows a mode wider than the rules allow.
        const bool tooWide = (locked->Status().st_mode & 07777 & ~m_rules.modeLimit) != 0;
        if ((!text || (*text == current.bytes && !tooWide)) && !overCarried) {
            if (result) {
                *result = std::move(current);
            }
            return ERROR_SUCCESS_CODE;
        }
        if (!text) {
            // The other writer's text holds the change already: it still
            // replaces the file this save put in place.
            text = current.bytes;
        }
        FileContents written{true, *text, {}};
        bool changedMeanwhile = false;
        if (const ErrorCode replaced =
                locked->Replace(*text, &written.identity, &current.bytes, &current.identity, &changedMeanwhile);
            replaced != ERROR_SUCCESS_CODE) {
            // Renamed into place before the folder's flush failed.
            if (result && written.identity.exists) {
                *result = std::move(written);
            }
            return replaced;
        }
        if (changedMeanwhile) {
            continue;
        }
        if (locked->WrittenSince(current.identity)) {
            // Written into after it was read: what the other writer meant is
            // in the old file once it is done, and no name reaches it now.
            FileContents finished;
            if (const ErrorCode read = locked->ReadSettled(finished); read != ERROR_SUCCESS_CODE) {
                return read;
            }
            finished.identity = written.identity;
            carried = std::move(finished);
            continue;
        }
        if (result) {
            *result = std::move(written);
        }
        return ERROR_SUCCESS_CODE;
    }
    return Fail(ERROR_SHARING_VIOLATION_CODE, m_rules.noun + " keeps being replaced by other writers", 0);
}

OpenedFile::OpenedFile(const DurableFile& file, WalkedPath place, FileDescriptor fd, const struct stat& status)
    : m_file(&file), m_place(std::move(place)), m_target(m_place.Path()), m_fd(std::move(fd)), m_status(status)
{
}

ErrorCode OpenedFile::ReadAll(std::string& bytes) const
{
    // Refused before it is read: a file this large is no configuration, and
    // reading it whole would only exhaust memory.
    if (m_status.st_size > static_cast<off_t>(MAX_FILE_BYTES)) {
        bytes.clear();
        return m_file->Fail(ERROR_FILE_TOO_LARGE_CODE,
            m_file->m_rules.noun + " is larger than " + std::to_string(MAX_FILE_BYTES >> 20)
                + " MiB, more than any configuration holds",
            0);
    }
    if (!ReadWhole(m_fd.Get(), m_target, bytes, static_cast<size_t>(std::max<off_t>(m_status.st_size, 0)))) {
        return m_file->Fail(MapErrno(errno), "cannot read " + m_file->m_rules.noun, errno);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode OpenedFile::ReadAt(int64_t offset, int64_t size, std::string& out) const
{
    if (!ReadRange(m_fd.Get(), m_target, offset, size, out)) {
        return m_file->Fail(MapErrno(errno), "cannot read " + m_file->m_rules.noun, errno);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode OpenedFile::CheckFolder() const
{
    return m_file->CheckFolder(m_place, false);
}

ErrorCode LockedFile::WriteAt(std::string_view data, int64_t offset) const
{
    if (!WriteWhole(m_fd.Get(), m_target, data, offset)) {
        return m_file->Fail(WriteErrorCode(errno), "cannot write " + m_file->m_rules.noun, errno);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode LockedFile::Truncate(int64_t length) const
{
    if (Faulted(FileOperation::Truncate, m_target) || ::ftruncate(m_fd.Get(), length) != 0) {
        return m_file->Fail(WriteErrorCode(errno), "cannot cut " + m_file->m_rules.noun + " short", errno);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode OpenedFile::Sync() const
{
    if (!SyncFile(m_fd.Get(), m_target)) {
        return m_file->Fail(MapErrno(errno), "cannot flush " + m_file->m_rules.noun, errno);
    }
    return m_file->FlushFolder(m_place);
}

ErrorCode LockedFile::Replace(std::string_view text, FileIdentity* written, const std::string* oldText,
    const FileIdentity* readAs, bool* changedMeanwhile) const
{
    const DurableFile& file = *m_file;
    if (const ErrorCode replaceable = file.WhyNotReplaceable(m_place, m_status); replaceable != ERROR_SUCCESS_CODE) {
        return replaceable;
    }
    if (const ErrorCode folder = file.CheckFolder(m_place, false); folder != ERROR_SUCCESS_CODE) {
        return folder;
    }
    // Under the lock no other writer is between creating and renaming its
    // file, so any such file is what a killed writer left behind.
    RemoveLeftoverFiles(m_place);
    std::string temporary;
    FileIdentity identity;
    if (const ErrorCode wrote = file.WriteBeside(m_place, text, m_fd.Get(), &m_status, oldText, temporary, identity);
        wrote != ERROR_SUCCESS_CODE) {
        return wrote;
    }
    const int folder = m_place.Folder();
    if (readAs && ChangedUnder(m_fd.Get(), *readAs)) {
        ::unlinkat(folder, temporary.c_str(), 0);
        if (changedMeanwhile) {
            *changedMeanwhile = true;
        }
        return ERROR_SUCCESS_CODE;
    }
    if (Faulted(FileOperation::Rename, m_place.FolderPath() + "/" + temporary)
        || ::renameat(folder, temporary.c_str(), folder, m_place.Name().c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        return file.Fail(WriteErrorCode(error), "cannot put the new file in place", error);
    }
    if (written) {
        *written = identity;
    }
    return file.FlushFolder(m_place);
}

ErrorCode LockedFile::ReadSettled(FileContents& contents) const
{
    const auto deadline = std::chrono::steady_clock::now() + IN_PLACE_WAIT_LIMIT;
    for (;;) {
        struct stat before {};
        struct stat after {};
        std::string bytes;
        if (::fstat(m_fd.Get(), &before) != 0 || ::lseek(m_fd.Get(), 0, SEEK_SET) != 0) {
            return m_file->Fail(MapErrno(errno), "cannot read " + m_file->m_rules.noun, errno);
        }
        if (const ErrorCode read = ReadAll(bytes); read != ERROR_SUCCESS_CODE) {
            return read;
        }
        if (::fstat(m_fd.Get(), &after) != 0) {
            return m_file->Fail(MapErrno(errno), "cannot read " + m_file->m_rules.noun, errno);
        }
        if (FileIdentity::Of(before) == FileIdentity::Of(after) && static_cast<off_t>(bytes.size()) == after.st_size
            && (!m_file->m_rules.inPlaceWriters || !LooksHalfWritten(after, bytes))) {
            contents = FileContents{true, std::move(bytes), FileIdentity::Of(after)};
            return ERROR_SUCCESS_CODE;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return m_file->Fail(ERROR_SHARING_VIOLATION_CODE,
                "another program is rewriting " + m_file->m_rules.noun + " in place and did not finish within "
                    + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(IN_PLACE_WAIT_LIMIT).count())
                    + " seconds",
                0);
        }
        std::this_thread::sleep_for(IN_PLACE_POLL_INTERVAL);
    }
}

bool LockedFile::WrittenSince(const FileIdentity& readAs) const
{
    // Only what a write changes: the rename over the file changed its
    // change time and its link count.
    struct stat now {};
    return ::fstat(m_fd.Get(), &now) != 0 || now.st_size != readAs.size || now.st_mtim.tv_sec != readAs.modified.tv_sec
        || now.st_mtim.tv_nsec != readAs.modified.tv_nsec;
}

} // namespace Dravo::OS
