#include "platform/posix/HiveFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "platform/RegistryFileWriter.h"
#include "platform/ThreadDiagnostic.h"

namespace Dravo::OS {
namespace {

/// Records may grow this far beyond the compacted part before the file is
/// rewritten; rewriting costs the whole file, so it must stay rare.
constexpr int64_t COMPACTION_SLACK = 64 * 1024;
/// Bytes kept to recognise that a file is the one parsed before.
constexpr size_t TAIL_BYTES = 64;
/// Lock attempts before giving up when other writers keep replacing the file.
constexpr int LOCK_ATTEMPTS = 1000;

std::atomic<int64_t> g_writeBudget{-1};

struct RootOverride {
    std::mutex mutex;
    std::string directory;
};

ProcessState<RootOverride> g_rootOverride{"registry root"};

std::string HiveDirectory(RegistryHive hive)
{
    if (std::string root = GetRegistryRootDirectory(); !root.empty()) {
        return root;
    }
    if (hive == RegistryHive::LocalMachine) {
        return "/etc/dravo/registry";
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        return std::string(config) + "/dravo/registry";
    }
    return GetUserHomeDirectory() + "/.config/dravo/registry";
}

std::string HiveFileName(RegistryHive hive)
{
    return hive == RegistryHive::LocalMachine ? "HKEY_LOCAL_MACHINE.reg" : "HKEY_CURRENT_USER.reg";
}

bool ReadAt(int fd, std::string& out, int64_t offset, int64_t size)
{
    out.resize(static_cast<size_t>(size));
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

bool WriteAt(int fd, std::string_view data, int64_t offset)
{
    size_t allowed = data.size();
    if (const int64_t budget = g_writeBudget.load(); budget >= 0) {
        allowed = std::min(allowed, static_cast<size_t>(budget));
        g_writeBudget = budget - static_cast<int64_t>(allowed);
    }
    size_t done = 0;
    while (done < allowed) {
        const ssize_t put = ::pwrite(fd, data.data() + done, allowed - done, offset + static_cast<int64_t>(done));
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

std::string KeepTail(const std::string& before, std::string_view added)
{
    std::string tail = before;
    tail.append(added);
    if (tail.size() > TAIL_BYTES) {
        tail.erase(0, tail.size() - TAIL_BYTES);
    }
    return tail;
}

} // namespace

void SetHiveWriteBudgetForTesting(int64_t bytes)
{
    g_writeBudget = bytes;
}

void SetRegistryDiagnostic(std::string text)
{
    ThreadDiagnostic::Set(text);
}

void ClearRegistryDiagnostic()
{
    ThreadDiagnostic::Clear();
}

std::string GetRegistryDiagnostic()
{
    return ThreadDiagnostic::Get();
}

std::string GetRegistryRootDirectory()
{
    if (RootOverride* rootOverride = g_rootOverride.Find()) {
        std::lock_guard lock(rootOverride->mutex);
        if (!rootOverride->directory.empty()) {
            return rootOverride->directory;
        }
    }
    const char* root = std::getenv("DRAVO_REGISTRY_ROOT");
    return root ? root : "";
}

std::string GetUserHomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

std::string ParentDirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string GetHiveFilePath(RegistryHive hive)
{
    return HiveDirectory(hive) + "/" + HiveFileName(hive);
}

void SetRegistryRoot(const std::string& directory)
{
    RootOverride& rootOverride = g_rootOverride.Get();
    std::lock_guard lock(rootOverride.mutex);
    rootOverride.directory = directory;
}

namespace {

// Never destroyed but by forgetting the process state: open keys point into
// it until the very end of the process.
ProcessState<FileObjects<HiveFile>> g_hives{"registry hive files"};

FileObjects<HiveFile>& Hives()
{
    return g_hives.Get();
}

} // namespace

HiveFile& HiveFile::Get(RegistryHive hive)
{
    std::string path = GetHiveFilePath(hive);
    return Hives().Get(path, [&] { return std::make_unique<HiveFile>(hive, path); });
}

void HiveFile::DiscardAll()
{
    Hives().DiscardAll();
}

HiveFile::HiveFile(RegistryHive hive, std::string path)
    : m_hive(hive), m_path(std::move(path)), m_directory(ParentDirectoryOf(m_path)),
      m_fileName(m_path.substr(m_path.find_last_of('/') + 1))
{
}

HiveFile::~HiveFile() = default;

void HiveFile::Discard()
{
    std::lock_guard lock(m_mutex);
    m_loaded = false;
    m_parser.reset();
    m_image.Clear();
    m_loadError.clear();
    m_tail.clear();
}

ErrorCode HiveFile::Fail(ErrorCode code, const std::string& what, int errnoValue) const
{
    std::string text = m_path + ": " + what;
    if (errnoValue != 0) {
        text += ": ";
        text += std::strerror(errnoValue);
    }
    SetRegistryDiagnostic(std::move(text));
    return code;
}

void HiveFile::ResetToMissing()
{
    m_loaded = true;
    m_identity = Identity{};
    m_parser = std::make_unique<RegistryFileParser>(m_hive);
    m_image.Clear();
    m_loadError.clear();
    m_tail.clear();
}

ErrorCode HiveFile::Read(const Reader& reader)
{
    std::lock_guard lock(m_mutex);
    const ErrorCode refreshed = Refresh();
    if (refreshed != ERROR_SUCCESS_CODE) {
        return refreshed;
    }
    return reader(m_image);
}

ErrorCode HiveFile::Refresh()
{
    struct stat status {};
    if (::lstat(m_path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            if (!m_loaded || m_identity.exists) {
                ResetToMissing();
            }
            return ERROR_SUCCESS_CODE;
        }
        return Fail(MapErrno(errno), "cannot look at the hive file", errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is a symbolic link, which the registry does not follow", 0);
    }
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is not a regular file", 0);
    }
    if (m_loaded && m_identity == Identity::Of(status)) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return ERROR_BADDB_CODE;
        }
        return ERROR_SUCCESS_CODE;
    }
    const FileDescriptor fd(::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) {
            ResetToMissing();
            return ERROR_SUCCESS_CODE;
        }
        const int error = errno;
        return error == ELOOP ? Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is a symbolic link", 0)
                              : Fail(MapErrno(error), "cannot open the hive file", error);
    }
    if (::fstat(fd.Get(), &status) != 0) {
        return Fail(MapErrno(errno), "cannot look at the hive file", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is not a regular file", 0);
    }
    return LoadFrom(fd.Get(), Identity::Of(status), false);
}

ErrorCode HiveFile::LoadFrom(int fd, const Identity& identity, bool forceFull)
{
    if (!forceFull && m_loaded && m_identity == identity) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return ERROR_BADDB_CODE;
        }
        return ERROR_SUCCESS_CODE;
    }
    const int64_t committed = m_parser ? static_cast<int64_t>(m_parser->GetCommittedLength()) : 0;
    const bool appendedOnly = !forceFull && m_loaded && m_loadError.empty() && m_identity.exists
        && m_parser && m_parser->CanAppend() && identity.device == m_identity.device
        && identity.inode == m_identity.inode && identity.size >= committed;
    if (appendedOnly) {
        std::string bytes;
        const int64_t tailStart = committed - static_cast<int64_t>(m_tail.size());
        if (ReadAt(fd, bytes, tailStart, identity.size - tailStart) && bytes.size() >= m_tail.size()
            && bytes.compare(0, m_tail.size(), m_tail) == 0) {
            const std::string_view added = std::string_view(bytes).substr(m_tail.size());
            if (m_parser->ParseAppended(added)) {
                for (const RegistryChange& change : m_parser->TakeChanges()) {
                    m_image.Apply(change);
                }
                const size_t used = static_cast<size_t>(static_cast<int64_t>(m_parser->GetCommittedLength()) - committed);
                m_tail = KeepTail(m_tail, added.substr(0, used));
                m_identity = identity;
                return ERROR_SUCCESS_CODE;
            }
        }
        // Not the file we knew plus records: read it whole.
    }
    return LoadFull(fd, identity);
}

ErrorCode HiveFile::LoadFull(int fd, const Identity& identity)
{
    std::string bytes;
    if (!ReadAt(fd, bytes, 0, identity.size)) {
        return Fail(MapErrno(errno), "cannot read the hive file", errno);
    }
    m_loaded = true;
    m_identity = identity;
    m_image.Clear();
    m_tail.clear();
    m_parser = std::make_unique<RegistryFileParser>(m_hive);
    if (!m_parser->Parse(bytes)) {
        const RegistryParseError& error = m_parser->GetError();
        m_loadError = m_path + ", line " + std::to_string(error.line) + ": " + error.message;
        SetRegistryDiagnostic(m_loadError);
        return ERROR_BADDB_CODE;
    }
    m_loadError.clear();
    for (const RegistryChange& change : m_parser->TakeChanges()) {
        m_image.Apply(change);
    }
    const size_t committed = static_cast<size_t>(m_parser->GetCommittedLength());
    m_tail = KeepTail({}, std::string_view(bytes).substr(0, committed));
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::EnsureDirectory()
{
    struct stat status {};
    if (::stat(m_directory.c_str(), &status) == 0) {
        return S_ISDIR(status.st_mode) ? ERROR_SUCCESS_CODE
                                       : Fail(ERROR_PATH_NOT_FOUND_CODE, "the hive directory is not a directory", 0);
    }
    // Create the missing directories from the top, readable by everyone, as
    // the driver of every user reads the machine hive.
    std::vector<std::string> missing;
    std::string directory = m_directory;
    while (::stat(directory.c_str(), &status) != 0 && errno == ENOENT) {
        missing.push_back(directory);
        const std::string parent = ParentDirectoryOf(directory);
        if (parent == directory) {
            break;
        }
        directory = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0755) != 0 && errno != EEXIST) {
            const int error = errno;
            SetRegistryDiagnostic(*it + ": cannot create the hive directory: " + std::strerror(error));
            return MapErrno(error);
        }
        ::chmod(it->c_str(), 0755);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::CheckWritable()
{
    std::string directory = m_directory;
    struct stat status {};
    while (::stat(directory.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            return Fail(MapErrno(errno), "cannot look at the hive directory", errno);
        }
        const std::string parent = ParentDirectoryOf(directory);
        if (parent == directory) {
            break;
        }
        directory = parent;
    }
    // A file where a directory belongs would otherwise read as "Permission
    // denied", sending root looking for rights it already has.
    if (!S_ISDIR(status.st_mode)) {
        SetRegistryDiagnostic(directory + ": the hive directory is not a directory");
        return ERROR_PATH_NOT_FOUND_CODE;
    }
    if (::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        SetRegistryDiagnostic(directory + ": the hive directory is not writable: " + std::strerror(error));
        return error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE;
    }
    if (::lstat(m_path.c_str(), &status) == 0) {
        if (S_ISLNK(status.st_mode)) {
            return Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is a symbolic link, which the registry does not follow", 0);
        }
        if (::faccessat(AT_FDCWD, m_path.c_str(), W_OK, AT_EACCESS) != 0) {
            const int error = errno;
            return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE,
                "the hive file is not writable", error);
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::OpenLocked(int& fdOut)
{
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        int fd = ::open(m_path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            if (const ErrorCode made = EnsureDirectory(); made != ERROR_SUCCESS_CODE) {
                return made;
            }
            fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
            if (fd >= 0) {
                ::fchmod(fd, 0644);
            } else if (errno == EEXIST) {
                continue;
            }
        }
        if (fd < 0) {
            const int error = errno;
            if (error == ELOOP) {
                return Fail(ERROR_ACCESS_DENIED_CODE,
                    "the hive file is a symbolic link, which the registry does not follow", 0);
            }
            return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : MapErrno(error),
                "cannot open the hive file for writing", error);
        }
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int error = errno;
                ::close(fd);
                return Fail(MapErrno(error), "cannot lock the hive file", error);
            }
        }
        // A writer may have renamed a new file into place while we waited:
        // then this lock guards nothing, and the new file must be locked.
        struct stat locked {};
        struct stat current {};
        if (::fstat(fd, &locked) == 0 && ::lstat(m_path.c_str(), &current) == 0 && locked.st_dev == current.st_dev
            && locked.st_ino == current.st_ino) {
            if (!S_ISREG(locked.st_mode)) {
                ::close(fd);
                return Fail(ERROR_ACCESS_DENIED_CODE, "the hive file is not a regular file", 0);
            }
            fdOut = fd;
            return ERROR_SUCCESS_CODE;
        }
        ::close(fd);
    }
    return Fail(ERROR_SHARING_VIOLATION_CODE, "the hive file keeps being replaced by other writers", 0);
}

ErrorCode HiveFile::Write(const Planner& planner)
{
    std::lock_guard lock(m_mutex);
    int rawFd = -1;
    if (const ErrorCode opened = OpenLocked(rawFd); opened != ERROR_SUCCESS_CODE) {
        return opened;
    }
    const FileDescriptor fd(rawFd);
    if (::faccessat(AT_FDCWD, m_directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        SetRegistryDiagnostic(m_directory + ": the hive directory is not writable: " + std::strerror(error));
        return error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE;
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0) {
        return Fail(MapErrno(errno), "cannot look at the hive file", errno);
    }
    if (const ErrorCode loaded = LoadFrom(fd.Get(), Identity::Of(status), false); loaded != ERROR_SUCCESS_CODE) {
        // A hive that does not parse is never written over.
        return loaded;
    }
    std::vector<RegistryChange> changes;
    if (const ErrorCode planned = planner(m_image, changes); planned != ERROR_SUCCESS_CODE) {
        return planned;
    }
    if (changes.empty()) {
        return ERROR_SUCCESS_CODE;
    }
    std::string body;
    RegistryFileWriter(body).WriteChanges(changes);

    const auto committed = static_cast<int64_t>(m_parser->GetCommittedLength());
    const auto recordBytes = static_cast<int64_t>(m_parser->GetRecordBytes());
    const int64_t added = static_cast<int64_t>(body.size()) + 40;
    if (!m_parser->CanAppend() || recordBytes + added > (committed - recordBytes) + COMPACTION_SLACK) {
        // Rewrite from the file as it is, not from an image that was only
        // brought up to date by appended records.
        if (const ErrorCode reloaded = LoadFull(fd.Get(), Identity::Of(status)); reloaded != ERROR_SUCCESS_CODE) {
            return reloaded;
        }
        changes.clear();
        if (const ErrorCode planned = planner(m_image, changes); planned != ERROR_SUCCESS_CODE) {
            return planned;
        }
        body.clear();
        RegistryFileWriter(body).WriteChanges(changes);
        return Compact(fd.Get(), body);
    }
    return Append(fd.Get(), body);
}

ErrorCode HiveFile::Append(int fd, const std::string& body)
{
    const auto committed = static_cast<int64_t>(m_parser->GetCommittedLength());
    std::string chunk = "\r\n";
    chunk += RegistryFileParser::MakeRecordHeader(body);
    chunk += body;
    // A record cut short by a crash is dropped before the next one goes on.
    if (m_identity.size > committed && ::ftruncate(fd, committed) != 0) {
        return Fail(MapErrno(errno), "cannot drop an incomplete change record", errno);
    }
    if (!WriteAt(fd, chunk, committed)) {
        const int error = errno;
        static_cast<void>(::ftruncate(fd, committed));
        m_loaded = false;
        return Fail(MapErrno(error), "cannot write the hive file", error);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !m_parser->ParseAppended(chunk)) {
        // Written, but not known here: read it afresh next time.
        m_loaded = false;
        return ERROR_SUCCESS_CODE;
    }
    for (const RegistryChange& change : m_parser->TakeChanges()) {
        m_image.Apply(change);
    }
    m_tail = KeepTail(m_tail, chunk);
    m_identity = Identity::Of(status);
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::Compact(int fd, const std::string& body)
{
    // The change goes through its text form first, so that the image holds
    // exactly what a reader of the text will get.
    RegistryFileParser changeParser(m_hive);
    std::string changeText(RegistryFileWriter::HEADER);
    changeText += "\r\n";
    changeText += body;
    if (!changeParser.Parse(changeText)) {
        return Fail(ERROR_CANTWRITE_CODE, "a change could not be stated in the hive format", 0);
    }
    for (const RegistryChange& change : changeParser.TakeChanges()) {
        m_image.Apply(change);
    }
    std::string text;
    RegistryFileWriter writer(text);
    writer.WriteHeader();
    writer.WriteTree(m_image.GetRoot(), m_hive, u"");

    auto parser = std::make_unique<RegistryFileParser>(m_hive);
    if (!parser->Parse(text)) {
        m_loaded = false;
        return Fail(ERROR_CANTWRITE_CODE, "the rewritten hive would not read back; nothing was written", 0);
    }
    // Under the lock no other writer is between creating and renaming its
    // file, so any such file is what a killed writer left behind.
    RemoveLeftoverFiles(m_directory, m_fileName);

    struct stat old {};
    const mode_t mode = ::fstat(fd, &old) == 0 ? (old.st_mode & 07777) : 0644;
    std::string temporary = m_directory + "/." + m_fileName + ".XXXXXX";
    const FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) {
        m_loaded = false;
        const int error = errno;
        return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : MapErrno(error), "cannot create a new hive file", error);
    }
    // The new file must be complete on disk before its name replaces the old one.
    if (::fchmod(out.Get(), mode) != 0 || !WriteAt(out.Get(), text, 0) || ::fsync(out.Get()) != 0
        || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        m_loaded = false;
        return Fail(MapErrno(error), "cannot write the new hive file", error);
    }
    struct stat status {};
    if (::fstat(out.Get(), &status) != 0) {
        m_loaded = false;
        return ERROR_SUCCESS_CODE;
    }
    m_image.Clear();
    for (const RegistryChange& change : parser->TakeChanges()) {
        m_image.Apply(change);
    }
    m_parser = std::move(parser);
    m_tail = KeepTail({}, text);
    m_identity = Identity::Of(status);
    m_loadError.clear();
    m_loaded = true;
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::Flush()
{
    std::lock_guard lock(m_mutex);
    int rawFd = -1;
    struct stat existing {};
    if (::lstat(m_path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
        && ::faccessat(AT_FDCWD, m_path.c_str(), W_OK, AT_EACCESS) == 0 && OpenLocked(rawFd) == ERROR_SUCCESS_CODE) {
        const FileDescriptor fd(rawFd);
        struct stat status {};
        if (::fstat(fd.Get(), &status) == 0 && LoadFull(fd.Get(), Identity::Of(status)) == ERROR_SUCCESS_CODE
            && m_parser->GetRecordBytes() > 0
            && ::faccessat(AT_FDCWD, m_directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
            // A flush ends a save: fold the appended change records into a
            // plain export again, so that a person reading the hive sees each
            // value once. The rewrite is itself on disk when it returns.
            if (Compact(fd.Get(), {}) == ERROR_SUCCESS_CODE) {
                return FlushDirectory();
            }
            // No room for the second copy a rewrite needs (a full disk): the
            // records already hold every change, so the save stands once
            // they are on disk, and a later flush folds them.
        }
    }
    const FileDescriptor file(::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        return errno == ENOENT ? ERROR_SUCCESS_CODE : Fail(MapErrno(errno), "cannot open the hive file", errno);
    }
    if (::fsync(file.Get()) != 0) {
        return Fail(MapErrno(errno), "cannot flush the hive file", errno);
    }
    return FlushDirectory();
}

ErrorCode HiveFile::FlushDirectory() const
{
    if (!FlushDirectoryEntries(m_directory)) {
        return Fail(MapErrno(errno), "cannot flush the hive directory", errno);
    }
    return ERROR_SUCCESS_CODE;
}

} // namespace Dravo::OS
