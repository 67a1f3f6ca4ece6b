#include "platform/posix/HiveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Environment.h"
#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "platform/RegistryFileWriter.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/posix/SecretText.h"

namespace Dravo::OS {
namespace {

/// Records may grow this far beyond the compacted part before the file is
/// rewritten; rewriting costs the whole file, so it must stay rare.
constexpr int64_t COMPACTION_SLACK = 64 * 1024;
/// Bytes kept to recognise that a file is the one parsed before.
constexpr size_t TAIL_BYTES = 64;

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
    if (const auto config = GetEnvironmentValue("XDG_CONFIG_HOME"); config && config->front() == '/') {
        return *config + "/dravo/registry";
    }
    return GetUserHomeDirectory() + "/.config/dravo/registry";
}

std::string HiveFileName(RegistryHive hive)
{
    return hive == RegistryHive::LocalMachine ? "HKEY_LOCAL_MACHINE.reg" : "HKEY_CURRENT_USER.reg";
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

void SetRegistryDiagnostic(std::string text)
{
    ThreadDiagnostic::Set(text);
}

void ClearRegistryDiagnostic()
{
    ThreadDiagnostic::Clear();
}

std::string GetRegistryRootDirectory()
{
    if (RootOverride* rootOverride = g_rootOverride.Find()) {
        std::lock_guard lock(rootOverride->mutex);
        if (!rootOverride->directory.empty()) {
            return rootOverride->directory;
        }
    }
    return GetEnvironmentValue("DRAVO_REGISTRY_ROOT").value_or(std::string());
}

std::optional<std::string> WhyRegistryRootInForceCannotBeUsed()
{
    bool setByProgram = false;
    if (RootOverride* rootOverride = g_rootOverride.Find()) {
        std::lock_guard lock(rootOverride->mutex);
        setByProgram = !rootOverride->directory.empty();
    }
    const std::string root = GetRegistryRootDirectory();
    if (root.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> why = WhyNotRegistryRoot(root);
    // The words name the option; the environment's root is named as such.
    if (why && !setByProgram && why->starts_with("--registry-root:")) {
        *why = "DRAVO_REGISTRY_ROOT:" + why->substr(std::string_view("--registry-root:").size());
    }
    return why;
}

std::string GetUserHomeDirectory()
{
    if (auto home = GetEnvironmentValue("HOME")) {
        return *home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
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
    : m_hive(hive), m_path(path),
      m_durable(std::move(path), DurableFileRules{"the hive file", false, true, 0644, TextHoldsSecret})
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
    Identity identity;
    if (const ErrorCode looked = m_durable.Identify(identity); looked != ERROR_SUCCESS_CODE) {
        return looked;
    }
    if (!identity.exists) {
        if (!m_loaded || m_identity.exists) {
            ResetToMissing();
        }
        return ERROR_SUCCESS_CODE;
    }
    if (m_loaded && m_identity == identity) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return ERROR_BADDB_CODE;
        }
        return ERROR_SUCCESS_CODE;
    }
    std::optional<OpenedFile> opened;
    if (const ErrorCode open = m_durable.Open(opened); open != ERROR_SUCCESS_CODE) {
        if (open == ERROR_FILE_NOT_FOUND_CODE) {
            ResetToMissing();
            return ERROR_SUCCESS_CODE;
        }
        return open;
    }
    return LoadFrom(*opened, false);
}

ErrorCode HiveFile::LoadFrom(const OpenedFile& file, bool forceFull)
{
    const Identity identity = file.Identity();
    if (!forceFull && m_loaded && m_identity == identity) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return ERROR_BADDB_CODE;
        }
        return ERROR_SUCCESS_CODE;
    }
    const int64_t committed = m_parser ? static_cast<int64_t>(m_parser->GetCommittedLength()) : 0;
    const bool appendedOnly = !forceFull && m_loaded && m_loadError.empty() && m_identity.exists && m_parser
        && m_parser->CanAppend() && identity.device == m_identity.device && identity.inode == m_identity.inode
        && identity.size >= committed;
    if (appendedOnly) {
        std::string bytes;
        const int64_t tailStart = committed - static_cast<int64_t>(m_tail.size());
        if (file.ReadAt(tailStart, identity.size - tailStart, bytes) == ERROR_SUCCESS_CODE
            && bytes.size() >= m_tail.size() && bytes.compare(0, m_tail.size(), m_tail) == 0) {
            const std::string_view added = std::string_view(bytes).substr(m_tail.size());
            if (m_parser->ParseAppended(added)) {
                for (const RegistryChange& change : m_parser->TakeChanges()) {
                    m_image.Apply(change);
                }
                const size_t used =
                    static_cast<size_t>(static_cast<int64_t>(m_parser->GetCommittedLength()) - committed);
                m_tail = KeepTail(m_tail, added.substr(0, used));
                m_identity = identity;
                return ERROR_SUCCESS_CODE;
            }
        }
        // Not the file we knew plus records: read it whole.
    }
    return LoadFull(file);
}

ErrorCode HiveFile::LoadFull(const OpenedFile& file)
{
    const Identity identity = file.Identity();
    std::string bytes;
    if (const ErrorCode read = file.ReadAt(0, identity.size, bytes); read != ERROR_SUCCESS_CODE) {
        return read;
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

ErrorCode HiveFile::CheckWritable()
{
    return m_durable.CheckWritable();
}

ErrorCode HiveFile::Write(const Planner& planner)
{
    std::lock_guard lock(m_mutex);
    std::optional<LockedFile> locked;
    if (const ErrorCode opened = m_durable.Lock(locked, true, true); opened != ERROR_SUCCESS_CODE) {
        return opened;
    }
    // Checked before anything is written: a change that outgrows the
    // records is written as a new file beside this one.
    if (const ErrorCode folder = locked->CheckFolder(); folder != ERROR_SUCCESS_CODE) {
        return folder;
    }
    if (const ErrorCode loaded = LoadFrom(*locked, false); loaded != ERROR_SUCCESS_CODE) {
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
        if (const ErrorCode reloaded = LoadFull(*locked); reloaded != ERROR_SUCCESS_CODE) {
            return reloaded;
        }
        changes.clear();
        if (const ErrorCode planned = planner(m_image, changes); planned != ERROR_SUCCESS_CODE) {
            return planned;
        }
        body.clear();
        RegistryFileWriter(body).WriteChanges(changes);
        return Compact(*locked, body);
    }
    return Append(*locked, body);
}

ErrorCode HiveFile::Append(const LockedFile& file, const std::string& body)
{
    const auto committed = static_cast<int64_t>(m_parser->GetCommittedLength());
    std::string chunk = "\r\n";
    chunk += RegistryFileParser::MakeRecordHeader(body);
    chunk += body;
    // A record cut short by a crash is dropped before the next one goes on.
    if (m_identity.size > committed) {
        if (const ErrorCode cut = file.Truncate(committed); cut != ERROR_SUCCESS_CODE) {
            return cut;
        }
    }
    if (const ErrorCode wrote = file.WriteAt(chunk, committed); wrote != ERROR_SUCCESS_CODE) {
        // What went in part is no record: take it off again.
        const std::string diagnostic = GetRegistryDiagnostic();
        if (::ftruncate(file.Descriptor(), committed) != 0) {
            // Left there, the cut record is dropped before the next append.
        }
        SetRegistryDiagnostic(diagnostic);
        m_loaded = false;
        return wrote;
    }
    struct stat status {};
    if (::fstat(file.Descriptor(), &status) != 0 || !m_parser->ParseAppended(chunk)) {
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

ErrorCode HiveFile::Compact(const LockedFile& file, const std::string& body)
{
    // The change goes through its text form first, so that the image holds
    // exactly what a reader of the text will get.
    RegistryFileParser changeParser(m_hive);
    std::string changeText(RegistryFileWriter::HEADER);
    changeText += "\r\n";
    changeText += body;
    if (!changeParser.Parse(changeText)) {
        return m_durable.Fail(ERROR_CANTWRITE_CODE, "a change could not be stated in the hive format", 0);
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
        return m_durable.Fail(ERROR_CANTWRITE_CODE, "the rewritten hive would not read back; nothing was written", 0);
    }
    Identity written;
    if (const ErrorCode replaced = file.Replace(text, &written); replaced != ERROR_SUCCESS_CODE) {
        m_loaded = false;
        return replaced;
    }
    m_image.Clear();
    for (const RegistryChange& change : parser->TakeChanges()) {
        m_image.Apply(change);
    }
    m_parser = std::move(parser);
    m_tail = KeepTail({}, text);
    m_identity = written;
    m_loadError.clear();
    m_loaded = true;
    return ERROR_SUCCESS_CODE;
}

ErrorCode HiveFile::Flush()
{
    std::lock_guard lock(m_mutex);
    std::optional<LockedFile> locked;
    if (::faccessat(AT_FDCWD, m_path.c_str(), W_OK, AT_EACCESS) == 0
        && m_durable.Lock(locked, false, true) == ERROR_SUCCESS_CODE && LoadFull(*locked) == ERROR_SUCCESS_CODE
        && m_parser->GetRecordBytes() > 0 && locked->CheckFolder() == ERROR_SUCCESS_CODE) {
        // A flush ends a save: fold the appended change records into a
        // plain export again, so that a person reading the hive sees each
        // value once. The rewrite is itself on disk when it returns.
        if (Compact(*locked, {}) == ERROR_SUCCESS_CODE) {
            return ERROR_SUCCESS_CODE;
        }
        // No room for the second copy a rewrite needs (a full disk): the
        // records already hold every change, so the save stands once they
        // are on disk, and a later flush folds them.
    }
    ClearRegistryDiagnostic();
    std::optional<OpenedFile> opened;
    if (const ErrorCode open = m_durable.Open(opened); open != ERROR_SUCCESS_CODE) {
        return open == ERROR_FILE_NOT_FOUND_CODE ? ERROR_SUCCESS_CODE : open;
    }
    return opened->Sync();
}

} // namespace Dravo::OS
