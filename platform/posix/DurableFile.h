// The one way this system's files are saved: the registry's hive files, the
// driver's configuration file and unixODBC's odbc.ini. Private to platform/.
//
// Readers take no lock: a writer changes a file only by renaming a complete
// new one over it (or, for a hive's change records, by appending a complete,
// checksummed record), so a reader sees the old file or the new one. Writers
// take an exclusive advisory lock on the file, waited for a bounded time, and
// make their change from the file as they find it under the lock.
//
// A new file is written beside the old one, given the old one's owner, group,
// mode, access ACL, extended attributes and security label, flushed, renamed
// over it, and its folder flushed: a save is on disk when it returns. Where an
// attribute cannot be carried over, the save is refused and the file stays as
// it was. The path is walked once (WalkedPath.h) and everything after is done
// relative to the folder found, so a folder swapped meanwhile changes nothing.
// A new file gets the rules' mode less the umask, at most 0600 when it holds
// a password, exactly the rules' mode in /etc, where every user's driver
// reads it; made by root in another user's folder, it is that user's. Every
// system call goes through the fault seam
// (FileFaults.h). A failure returns a Windows error code and sets the thread's
// diagnostic (ThreadDiagnostic.h) to a text that names the file.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/LockWait.h"
#include "platform/SystemError.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/WalkedPath.h"

namespace Dravo::OS {

/// The largest file read whole: far more than any configuration holds.
inline constexpr size_t MAX_FILE_BYTES = 16 * 1024 * 1024;
/// How long a writer waits for a lock that another program holds.
inline constexpr std::chrono::milliseconds LOCK_WAIT_LIMIT{5000};
/// How long it waits before it tells the user what it waits for.
inline constexpr std::chrono::milliseconds LOCK_WAIT_NOTICE_AFTER{300};

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

/// The directory part of a path ("/" for a file at the root, "." for none).
std::string ParentDirectoryOf(const std::string& path);

/// What differs between the kinds of file saved this way.
struct DurableFileRules {
    /// How messages name the file: "the hive file".
    std::string noun;
    /// Whether the file's own name may be a symbolic link, followed under the
    /// rule for links; when not, such a name is refused.
    bool followFinalLink = true;
    /// Missing folders are made (readable by everyone) instead of reported.
    bool makeFolders = false;
    /// Permission bits of a file made anew.
    mode_t newFileMode = 0644;
    /// Whether a text holds a password: a new file that does is kept from
    /// group and others.
    bool (*holdsSecret)(std::string_view text) = nullptr;
    /// A file that held no password and is given one loses group and others'
    /// rights: such a file was made by someone else's rules (unixODBC's
    /// 0666 less the umask), not chosen for a password.
    bool privateOnFirstSecret = false;
    /// The widest mode the file may have after a save, whatever it had.
    mode_t modeLimit = 07777;
    /// Other programs rewrite the file in place without a lock (unixODBC's
    /// files): a save waits while it looks half-written (ReadSettled).
    bool inPlaceWriters = false;
};

/// A file as read: its bytes and the identity they belong to.
struct FileContents {
    bool exists = false;
    std::string bytes;
    FileIdentity identity;
};

class DurableFile;

/// The file a path names, open for reading.
class OpenedFile {
public:
    OpenedFile(OpenedFile&&) noexcept = default;
    OpenedFile& operator=(OpenedFile&&) noexcept = default;

    [[nodiscard]] int Descriptor() const { return m_fd.Get(); }
    /// The path with its links resolved.
    [[nodiscard]] const std::string& Target() const { return m_target; }
    [[nodiscard]] const struct stat& Status() const { return m_status; }
    [[nodiscard]] FileIdentity Identity() const { return FileIdentity::Of(m_status); }

    [[nodiscard]] ErrorCode ReadAll(std::string& bytes) const;
    /// Up to size bytes from offset: fewer when the file is shorter.
    [[nodiscard]] ErrorCode ReadAt(int64_t offset, int64_t size, std::string& out) const;
    /// Waits until the file and its name are on disk.
    [[nodiscard]] ErrorCode Sync() const;
    /// Whether a new file can be written beside this one and renamed over it.
    [[nodiscard]] ErrorCode CheckFolder() const;

protected:
    friend class DurableFile;
    OpenedFile(const DurableFile& file, WalkedPath place, FileDescriptor fd, const struct stat& status);

    const DurableFile* m_file;
    WalkedPath m_place;
    std::string m_target;
    FileDescriptor m_fd;
    struct stat m_status {};
};

/// The file open and under the writers' exclusive lock, which goes when the
/// object does. While it is held the file is the one the path names: other
/// writers replace it only under the same lock.
class LockedFile : public OpenedFile {
public:
    /// Writes in place (a hive's change records); a failure may leave part of
    /// the data written. Needs a lock taken for appending.
    [[nodiscard]] ErrorCode WriteAt(std::string_view data, int64_t offset) const;
    [[nodiscard]] ErrorCode Truncate(int64_t length) const;
    /// Replaces the file with text written beside it, under this lock; the
    /// new file's identity goes to written. Afterwards the object describes
    /// the old file, which no name leads to any more.
    /// oldText, where the caller has read it, tells whether the old file held
    /// a password. With readAs, the old file must still be as read when the
    /// new one is ready: otherwise nothing is renamed and changedMeanwhile is
    /// set.
    [[nodiscard]] ErrorCode Replace(std::string_view text, FileIdentity* written, const std::string* oldText = nullptr,
        const FileIdentity* readAs = nullptr, bool* changedMeanwhile = nullptr) const;

    // Writers that take no lock (unixODBC's rewrite the file in place, cut
    // to nothing first): a read under this lock may meet one half-way.
    /// Reads the whole file once no such writer is at it: again while it
    /// changes under the read, and after a wait while it looks cut short by
    /// an in-place write of the last moments; refused when that goes on.
    [[nodiscard]] ErrorCode ReadSettled(FileContents& contents) const;
    /// Whether the file was written to since it was read as readAs: after a
    /// rename over it, an in-place writer went on writing into it.
    [[nodiscard]] bool WrittenSince(const FileIdentity& readAs) const;

private:
    friend class DurableFile;
    using OpenedFile::OpenedFile;
};

class DurableFile {
public:
    DurableFile(std::string path, DurableFileRules rules);

    [[nodiscard]] const std::string& GetPath() const { return m_path; }
    [[nodiscard]] const DurableFileRules& GetRules() const { return m_rules; }

    /// The file the path names, with the symbolic links on the way resolved;
    /// a link only root or this user made is followed.
    [[nodiscard]] ErrorCode ResolveTarget(std::string& target) const;

    /// The identity of the file the path leads to now (exists false when
    /// there is none), without reading it.
    [[nodiscard]] ErrorCode Identify(FileIdentity& identity) const;
    /// Reads the file without a lock; a missing file reads as not existing.
    [[nodiscard]] ErrorCode Read(FileContents& contents) const;
    /// Opens the file for reading without a lock; ERROR_FILE_NOT_FOUND (and
    /// no diagnostic) when there is none.
    [[nodiscard]] ErrorCode Open(std::optional<OpenedFile>& opened) const;

    /// Opens the file and takes the writers' lock. With createIfMissing an
    /// empty file is made where there is none (and missing folders, when the
    /// rules say so); otherwise no file is ERROR_FILE_NOT_FOUND. forAppending
    /// opens it for writing in place.
    [[nodiscard]] ErrorCode Lock(std::optional<LockedFile>& locked, bool createIfMissing, bool forAppending) const;

    /// Decides the whole new text from the file as found: nothing for no
    /// change; an error stops the update with nothing written.
    using Edit = std::function<ErrorCode(const FileContents& current, std::optional<std::string>& replacement)>;
    /// Changes the whole file as one replace: under the lock (or, where there
    /// is no file, linked into place so that one another writer made
    /// meanwhile is edited instead), read again, edited, replaced. What was
    /// written, or found unchanged, goes to result; also when the new file is
    /// in place and only its folder's flush failed.
    [[nodiscard]] ErrorCode Update(const Edit& edit, FileContents* result = nullptr) const;

    /// Whether a save by this user could replace the file as it is now, found
    /// without changing anything: the folder, the file's rights, its owner
    /// and group (a file this user writes cannot keep another user's or a
    /// group this user is not in).
    [[nodiscard]] ErrorCode CheckWritable() const;

    /// Sets the thread's diagnostic to "PATH: WHAT[: system text]" and
    /// returns code.
    ErrorCode Fail(ErrorCode code, const std::string& what, int errnoValue) const;

private:
    friend class OpenedFile;
    friend class LockedFile;

    /// Walks the path once; a link at its end is refused unless the rules
    /// follow it.
    [[nodiscard]] ErrorCode Walk(WalkedPath& place) const;
    /// Whether a new file can be written in the place's folder and renamed
    /// over its name; with making, the nearest folder that is there counts.
    [[nodiscard]] ErrorCode CheckFolder(const WalkedPath& place, bool making) const;
    [[nodiscard]] ErrorCode MakeFolders(WalkedPath& place) const;
    [[nodiscard]] ErrorCode WhyNotReplaceable(const WalkedPath& place, const struct stat& status) const;
    /// The permission bits of a file made anew that will hold text.
    [[nodiscard]] mode_t NewFileMode(std::string_view text, const WalkedPath& place) const;
    /// Gives a file root just made in another user's folder to that user.
    [[nodiscard]] bool GiveToFolderOwner(int fd, const WalkedPath& place) const;
    /// Writes text as a new file in the place's folder, with the old file's
    /// attributes when there is one; the new file's name goes to temporary.
    [[nodiscard]] ErrorCode WriteBeside(const WalkedPath& place, std::string_view text, int oldFd,
        const struct stat* old, const std::string* oldText, std::string& temporary, FileIdentity& identity) const;
    [[nodiscard]] ErrorCode FlushFolder(const WalkedPath& place) const;

    std::string m_path;
    DurableFileRules m_rules;
};

} // namespace Dravo::OS
