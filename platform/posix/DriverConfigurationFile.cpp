#include "platform/posix/DriverConfigurationFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "platform/RegistryImage.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {
namespace {

/// Lock attempts before giving up when other writers keep replacing the file.
constexpr int LOCK_ATTEMPTS = 1000;
/// Symbolic links followed before the path counts as a loop.
constexpr int MAX_LINKS = 40;

struct MountState {
    std::mutex mutex;
    std::optional<DriverConfigurationNames> names;
    std::vector<std::u16string> keyNames;
};

ProcessState<MountState> g_mount{"driver configuration mount"};

MountState& Mount()
{
    return g_mount.Get();
}

struct TransactionState {
    std::mutex mutex;
    bool open = false;
    /// Counts transactions, so that a view built for one is not taken for another's.
    uint64_t serial = 0;
    std::map<std::string, IniSectionChanges> changes;
};

ProcessState<TransactionState> g_transaction{"registry transaction"};

TransactionState& Transaction()
{
    return g_transaction.Get();
}

bool ReadAll(int fd, std::string& out)
{
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        out.append(buffer, static_cast<size_t>(got));
    }
}

bool WriteAll(int fd, std::string_view data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t put = ::write(fd, data.data() + done, data.size() - done);
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
    return true;
}

std::string BaseNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ErrorCode WriteErrorCode(int errnoValue)
{
    return errnoValue == EROFS ? ERROR_WRITE_PROTECT_CODE : MapErrno(errnoValue);
}

std::string ConfigurationFilePath(const DriverConfigurationNames& names, RegistryHive hive)
{
    if (!names.environmentVariable.empty()) {
        if (const char* named = std::getenv(names.environmentVariable.c_str()); named && *named) {
            return named;
        }
    }
    // The machine's file is the user's file name without its leading dot.
    std::string machineName = names.userFileName;
    if (machineName.size() > 1 && machineName.front() == '.') {
        machineName.erase(0, 1);
    }
    const std::string& name = hive == RegistryHive::LocalMachine ? machineName : names.userFileName;
    if (const std::string root = GetRegistryRootDirectory(); !root.empty()) {
        return root + "/" + name;
    }
    return (hive == RegistryHive::LocalMachine ? std::string("/etc") : GetUserHomeDirectory()) + "/" + name;
}

} // namespace

void MountDriverConfiguration(const DriverConfigurationNames& names)
{
    auto keyNames = SplitRegistryPath(names.driverKeyPath);
    MountState& state = Mount();
    std::lock_guard lock(state.mutex);
    if (!keyNames || keyNames->empty() || names.userFileName.empty()) {
        state.names.reset();
        return;
    }
    state.names = names;
    state.keyNames = std::move(*keyNames);
}

void UnmountDriverConfiguration()
{
    MountState& state = Mount();
    std::lock_guard lock(state.mutex);
    state.names.reset();
    state.keyNames.clear();
}

std::optional<DriverConfigurationPlace> FindDriverConfigurationPlace(RegistryHive hive)
{
    MountState& state = Mount();
    std::lock_guard lock(state.mutex);
    if (!state.names) {
        return std::nullopt;
    }
    return DriverConfigurationPlace{state.keyNames, ConfigurationFilePath(*state.names, hive), state.keyNames.back()};
}

std::optional<std::u16string> ConfigurationTextOf(const RegistryValue& value, std::string& why)
{
    if (auto badName = WhyIniCannotHoldName(value.name)) {
        why = *badName;
        return std::nullopt;
    }
    const auto number = [&](size_t size) -> std::optional<std::u16string> {
        if (value.data.size() != size) {
            why = "a number of " + std::to_string(value.data.size()) + " bytes where " + std::to_string(size)
                + " belong";
            return std::nullopt;
        }
        uint64_t result = 0;
        for (size_t i = size; i-- > 0;) {
            result = (result << 8) | value.data[i];
        }
        const std::string digits = std::to_string(result);
        return std::u16string(digits.begin(), digits.end());
    };
    switch (value.type) {
    case REG_SZ_TYPE:
    case REG_EXPAND_SZ_TYPE: {
        if (value.data.size() % 2 != 0) {
            why = "the text is an odd number of bytes, which is no UTF-16";
            return std::nullopt;
        }
        std::u16string text;
        for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
            text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
        }
        if (!text.empty() && text.back() == u'\0') {
            text.pop_back();
        }
        if (auto badText = WhyIniCannotHoldValue(text)) {
            why = *badText;
            return std::nullopt;
        }
        return text;
    }
    case REG_DWORD_TYPE: return number(4);
    case REG_QWORD_TYPE: return number(8);
    default:
        why = "the file holds text, strings and numbers only, not values of type " + std::to_string(value.type);
        return std::nullopt;
    }
}

DriverKeyView::DriverKeyView(bool exists, std::vector<IniEntry> entries)
    : m_exists(exists), m_entries(std::move(entries))
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_index.try_emplace(FoldRegistryName(m_entries[i].name), i);
    }
}

const IniEntry* DriverKeyView::Find(std::u16string_view name) const
{
    const auto found = m_index.find(FoldRegistryName(name));
    return found == m_index.end() ? nullptr : &m_entries[found->second];
}

bool PendingConfigurationChanges::Begin()
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    if (state.open) {
        return false;
    }
    state.open = true;
    ++state.serial;
    state.changes.clear();
    return true;
}

bool PendingConfigurationChanges::IsOpen()
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    return state.open;
}

IniSectionChanges* PendingConfigurationChanges::For(const std::string& path)
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    return state.open ? &state.changes[path] : nullptr;
}

const IniSectionChanges* PendingConfigurationChanges::Find(const std::string& path)
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    const auto found = state.changes.find(path);
    return state.open && found != state.changes.end() ? &found->second : nullptr;
}

std::vector<std::pair<std::string, IniSectionChanges>> PendingConfigurationChanges::End()
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    std::vector<std::pair<std::string, IniSectionChanges>> ended;
    for (auto& [path, changes] : state.changes) {
        ended.emplace_back(path, std::move(changes));
    }
    state.changes.clear();
    state.open = false;
    ++state.serial;
    return ended;
}

uint64_t PendingConfigurationChanges::Serial()
{
    TransactionState& state = Transaction();
    std::lock_guard lock(state.mutex);
    return state.serial;
}

bool DriverKeyState::Exists() const
{
    return m_pending ? m_pending->SectionExistsOver(m_file->m_base.Exists()) : m_file->m_base.Exists();
}

const IniEntry* DriverKeyState::Find(std::u16string_view name) const
{
    const IniEntry* stored = m_pending && m_pending->DropsExisting() ? nullptr : m_file->m_base.Find(name);
    const IniSectionChanges::ValueChange* change = m_pending ? m_pending->Find(name) : nullptr;
    if (!change) {
        return stored;
    }
    if (!change->value) {
        return nullptr;
    }
    // A changed value keeps the spelling of the file's line.
    m_changed = IniEntry{stored ? stored->name : change->name, *change->value};
    return &m_changed;
}

const std::vector<IniEntry>& DriverKeyState::GetEntries() const
{
    return m_pending ? m_file->EntriesWith(*m_pending) : m_file->m_base.GetEntries();
}

namespace {

// Never destroyed but by forgetting the process state: open keys point into
// it until the very end of the process.
ProcessState<FileObjects<DriverConfigurationFile>> g_files{"driver configuration files"};

FileObjects<DriverConfigurationFile>& Files()
{
    return g_files.Get();
}

} // namespace

DriverConfigurationFile& DriverConfigurationFile::Get(const DriverConfigurationPlace& place)
{
    return Files().Get(place.path, [&] { return std::make_unique<DriverConfigurationFile>(place.path, place.section); });
}

DriverConfigurationFile* DriverConfigurationFile::Existing(const std::string& path)
{
    return Files().Find(path);
}

void DriverConfigurationFile::DiscardAll()
{
    Files().DiscardAll();
}

DriverConfigurationFile::DriverConfigurationFile(std::string path, std::u16string section)
    : m_path(std::move(path)), m_section(std::move(section))
{
}

void DriverConfigurationFile::Discard()
{
    std::lock_guard lock(m_mutex);
    m_loaded = false;
    m_loadError.clear();
    m_base = DriverKeyView();
    m_view = DriverKeyView();
    ++m_baseGeneration;
}

ErrorCode DriverConfigurationFile::Fail(ErrorCode code, const std::string& what, int errnoValue) const
{
    std::string text = m_path + ": " + what;
    if (errnoValue != 0) {
        text += ": ";
        text += std::strerror(errnoValue);
    }
    SetRegistryDiagnostic(std::move(text));
    return code;
}

ErrorCode DriverConfigurationFile::Load(std::string bytes, const Identity& identity)
{
    m_loaded = true;
    m_identity = identity;
    ++m_baseGeneration;
    if (!m_file.Parse(std::move(bytes))) {
        const IniFile::ReadError& error = m_file.GetError();
        m_loadError = m_path + ", line " + std::to_string(error.line) + ": " + error.message;
        m_loadErrorCode = ERROR_BADDB_CODE;
        m_base = DriverKeyView();
        SetRegistryDiagnostic(m_loadError);
        return m_loadErrorCode;
    }
    m_loadError.clear();
    m_base = DriverKeyView(m_file.HasSection(m_section), m_file.ReadSection(m_section));
    return ERROR_SUCCESS_CODE;
}

ErrorCode DriverConfigurationFile::Refresh()
{
    struct stat status {};
    if (::stat(m_path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            if (!m_loaded || m_identity.exists) {
                return Load({}, Identity{});
            }
            return ERROR_SUCCESS_CODE;
        }
        return Fail(MapErrno(errno), "cannot look at the driver configuration file", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, "the driver configuration file is not a regular file", 0);
    }
    if (m_loaded && m_identity == Identity::Of(status)) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return m_loadErrorCode;
        }
        return ERROR_SUCCESS_CODE;
    }
    // O_NONBLOCK: a FIFO put in the file's place must not hang the reader.
    const FileDescriptor fd(::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) {
            return Load({}, Identity{});
        }
        return Fail(MapErrno(errno), "cannot open the driver configuration file", errno);
    }
    std::string bytes;
    if (::fstat(fd.Get(), &status) != 0 || !ReadAll(fd.Get(), bytes)) {
        return Fail(MapErrno(errno), "cannot read the driver configuration file", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED_CODE, "the driver configuration file is not a regular file", 0);
    }
    return Load(std::move(bytes), Identity::Of(status));
}

ErrorCode DriverConfigurationFile::Read(const Reader& reader)
{
    std::lock_guard lock(m_mutex);
    // A transaction reads the file once and its own changes over it: the
    // commit reads it again anyway, and a save of many values need not look
    // at the disk for each one.
    const bool inTransaction = PendingConfigurationChanges::IsOpen();
    const uint64_t serial = PendingConfigurationChanges::Serial();
    if (!inTransaction || m_readSerial != serial || !m_loaded || !m_loadError.empty()) {
        if (const ErrorCode refreshed = Refresh(); refreshed != ERROR_SUCCESS_CODE) {
            return refreshed;
        }
        m_readSerial = inTransaction ? serial : 0;
    }
    const IniSectionChanges* pending = PendingConfigurationChanges::Find(m_path);
    return reader(DriverKeyState(*this, pending && !pending->IsEmpty() ? pending : nullptr));
}

const std::vector<IniEntry>& DriverConfigurationFile::EntriesWith(const IniSectionChanges& pending)
{
    const uint64_t serial = PendingConfigurationChanges::Serial();
    if (m_viewSerial != serial || m_viewRevision != pending.GetRevision() || m_viewGeneration != m_baseGeneration) {
        m_view = DriverKeyView(true, pending.EntriesOver(m_base.GetEntries()));
        m_viewSerial = serial;
        m_viewRevision = pending.GetRevision();
        m_viewGeneration = m_baseGeneration;
    }
    return m_view.GetEntries();
}

ErrorCode DriverConfigurationFile::Make(const Change& change)
{
    if (IniSectionChanges* pending = PendingConfigurationChanges::For(m_path)) {
        change(*pending);
        return ERROR_SUCCESS_CODE;
    }
    IniSectionChanges changes;
    change(changes);
    return Commit(changes);
}

ErrorCode DriverConfigurationFile::ResolveTarget(std::string& target) const
{
    target = m_path;
    for (int links = 0; links < MAX_LINKS; ++links) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return ERROR_SUCCESS_CODE;
        }
        // Where others may plant links, a link only root or this user made is
        // followed: a write by root must not land in a file someone else chose.
        if (status.st_uid != 0 && status.st_uid != ::geteuid()) {
            return Fail(ERROR_ACCESS_DENIED_CODE, target + " is a symbolic link of another user, which is not followed", 0);
        }
        std::string next(static_cast<size_t>(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(target.c_str(), next.data(), next.size());
        if (length < 0) {
            return Fail(MapErrno(errno), "cannot read the symbolic link " + target, errno);
        }
        next.resize(static_cast<size_t>(length));
        target = next.front() == '/' ? next : ParentDirectoryOf(target) + "/" + next;
    }
    return Fail(ERROR_CANT_RESOLVE_FILENAME_CODE, "too many symbolic links", ELOOP);
}

ErrorCode DriverConfigurationFile::CheckDirectory(const std::string& target) const
{
    const std::string directory = ParentDirectoryOf(target);
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        return Fail(ERROR_PATH_NOT_FOUND_CODE, "the directory " + directory + " does not exist", 0);
    }
    if (!S_ISDIR(status.st_mode)) {
        return Fail(ERROR_PATH_NOT_FOUND_CODE, "the directory " + directory + " is not a directory", 0);
    }
    // The new file is written beside the old one and renamed over it.
    if (::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return Fail(error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE,
            "the directory " + directory + " is not writable", error);
    }
    return ERROR_SUCCESS_CODE;
}

namespace {

/// Whether this user may replace the existing file at target (described by
/// status) with one of the same mode and owner.
std::optional<std::pair<ErrorCode, std::string>> WhyNotReplaceable(const std::string& target, const struct stat& status)
{
    if (!S_ISREG(status.st_mode)) {
        return std::pair(ERROR_ACCESS_DENIED_CODE, std::string("the driver configuration file is not a regular file"));
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        const int error = errno;
        return std::pair(error == EROFS ? ERROR_WRITE_PROTECT_CODE : ERROR_ACCESS_DENIED_CODE,
            std::string("the driver configuration file is not writable: ") + std::strerror(error));
    }
    // A replacement belongs to whoever writes it: only root can hand it back.
    if (::geteuid() != 0 && status.st_uid != ::geteuid()) {
        return std::pair(ERROR_ACCESS_DENIED_CODE,
            std::string("the driver configuration file belongs to another user, which a file this user writes would not"));
    }
    return std::nullopt;
}

} // namespace

ErrorCode DriverConfigurationFile::CheckWritable()
{
    // A transaction's many changes are checked once, by its commit.
    if (PendingConfigurationChanges::IsOpen()) {
        return ERROR_SUCCESS_CODE;
    }
    std::lock_guard lock(m_mutex);
    std::string target;
    if (const ErrorCode resolved = ResolveTarget(target); resolved != ERROR_SUCCESS_CODE) {
        return resolved;
    }
    if (const ErrorCode directory = CheckDirectory(target); directory != ERROR_SUCCESS_CODE) {
        return directory;
    }
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        if (const auto why = WhyNotReplaceable(target, status)) {
            return Fail(why->first, why->second, 0);
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DriverConfigurationFile::Replace(const std::string& target, const std::string& text, const struct stat* old)
{
    const std::string directory = ParentDirectoryOf(target);
    std::string temporary = directory + "/." + BaseNameOf(target) + ".XXXXXX";
    const FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) {
        const int error = errno;
        return Fail(WriteErrorCode(error), "cannot create a new file in " + directory, error);
    }
    const auto failed = [&](const std::string& what) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Fail(error == EPERM ? ERROR_ACCESS_DENIED_CODE : WriteErrorCode(error), what, error);
    };
    // Every user's driver reads a new file; a replaced one keeps its mode and owner.
    if (::fchmod(out.Get(), old ? (old->st_mode & 07777) : 0644) != 0) {
        return failed("cannot set the mode of the new file");
    }
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
        && ::fchown(out.Get(), old->st_uid, old->st_gid) != 0) {
        return failed("cannot give the new file the owner of the old one");
    }
    // The new file must be complete on disk before its name replaces the old one.
    if (!WriteAll(out.Get(), text)) {
        return failed("cannot write the new file");
    }
    if (::fsync(out.Get()) != 0) {
        return failed("cannot flush the new file");
    }
    if (old) {
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            return failed("cannot put the new file in place");
        }
    } else {
        // Linked, not renamed: a file another writer made meanwhile stays.
        if (::link(temporary.c_str(), target.c_str()) != 0) {
            if (errno == EEXIST || errno == ENOENT) {
                ::unlink(temporary.c_str());
                return ERROR_FILE_EXISTS_CODE;
            }
            return failed("cannot put the new file in place");
        }
        ::unlink(temporary.c_str());
    }
    if (!FlushDirectoryEntries(directory)) {
        const int error = errno;
        return Fail(MapErrno(error), "the new file is in place, but the directory " + directory + " could not be flushed",
            error);
    }
    // Known here as written (the path leads to it, through a link or not).
    struct stat status {};
    if (::fstat(out.Get(), &status) == 0) {
        static_cast<void>(Load(text, Identity::Of(status)));
    } else {
        m_loaded = false;
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode DriverConfigurationFile::Commit(const IniSectionChanges& changes)
{
    std::lock_guard lock(m_mutex);
    if (changes.IsEmpty()) {
        return ERROR_SUCCESS_CODE;
    }
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        std::string target;
        if (const ErrorCode resolved = ResolveTarget(target); resolved != ERROR_SUCCESS_CODE) {
            return resolved;
        }
        const FileDescriptor fd(::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() < 0) {
            const int error = errno;
            if (error == ELOOP) {
                // Made a link since it was resolved: resolve it again.
                continue;
            }
            if (error != ENOENT) {
                return Fail(MapErrno(error), "cannot open the driver configuration file", error);
            }
            if (const ErrorCode directory = CheckDirectory(target); directory != ERROR_SUCCESS_CODE) {
                return directory;
            }
            IniFile empty;
            static_cast<void>(empty.Parse({}));
            const std::string text = empty.Apply(m_section, changes);
            if (text.empty()) {
                return ERROR_SUCCESS_CODE;
            }
            const ErrorCode made = Replace(target, text, nullptr);
            if (made == ERROR_FILE_EXISTS_CODE) {
                continue;
            }
            return made;
        }
        while (::flock(fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                return Fail(MapErrno(errno), "cannot lock the driver configuration file", errno);
            }
        }
        // A writer may have renamed a new file into place while we waited:
        // then this lock guards nothing, and the new file must be locked.
        struct stat locked {};
        struct stat current {};
        if (::fstat(fd.Get(), &locked) != 0 || ::lstat(target.c_str(), &current) != 0
            || locked.st_dev != current.st_dev || locked.st_ino != current.st_ino) {
            continue;
        }
        if (!S_ISREG(locked.st_mode)) {
            return Fail(ERROR_ACCESS_DENIED_CODE, "the driver configuration file is not a regular file", 0);
        }
        std::string bytes;
        if (!ReadAll(fd.Get(), bytes)) {
            return Fail(MapErrno(errno), "cannot read the driver configuration file", errno);
        }
        IniFile file;
        if (!file.Parse(bytes)) {
            // A file that is not text is never written over.
            return Load(std::move(bytes), Identity::Of(locked));
        }
        const std::string text = file.Apply(m_section, changes);
        if (text == bytes) {
            return ERROR_SUCCESS_CODE;
        }
        if (const auto why = WhyNotReplaceable(target, locked)) {
            return Fail(why->first, why->second, 0);
        }
        if (const ErrorCode directory = CheckDirectory(target); directory != ERROR_SUCCESS_CODE) {
            return directory;
        }
        // Under the lock no other writer is between creating and renaming
        // its file, so any such file is what a killed writer left behind.
        RemoveLeftoverFiles(ParentDirectoryOf(target), BaseNameOf(target));
        return Replace(target, text, &locked);
    }
    return Fail(ERROR_SHARING_VIOLATION_CODE, "the driver configuration file keeps being replaced by other writers", 0);
}

} // namespace Dravo::OS
