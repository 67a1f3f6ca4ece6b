#include "platform/posix/DriverConfigurationFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/Environment.h"
#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "platform/RegistryImage.h"
#include "platform/posix/HiveFile.h"
#include "platform/posix/SecretText.h"

namespace Dravo::OS {
namespace {

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

std::string ConfigurationFilePath(const DriverConfigurationNames& names, RegistryHive hive)
{
    if (!names.environmentVariable.empty()) {
        if (auto named = GetEnvironmentValue(names.environmentVariable.c_str())) {
            return *named;
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
            why =
                "a number of " + std::to_string(value.data.size()) + " bytes where " + std::to_string(size) + " belong";
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
    case REG_DWORD_TYPE:
        return number(4);
    case REG_QWORD_TYPE:
        return number(8);
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
    return Files().Get(
        place.path, [&] { return std::make_unique<DriverConfigurationFile>(place.path, place.section); });
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
    : m_path(path), m_section(std::move(section)),
      m_durable(std::move(path), DurableFileRules{"the driver configuration file", true, false, 0644, TextHoldsSecret})
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
    FileIdentity identity;
    if (const ErrorCode looked = m_durable.Identify(identity); looked != ERROR_SUCCESS_CODE) {
        return looked;
    }
    if (!identity.exists) {
        if (!m_loaded || m_identity.exists) {
            return Load({}, Identity{});
        }
        return ERROR_SUCCESS_CODE;
    }
    if (m_loaded && m_identity == identity) {
        if (!m_loadError.empty()) {
            SetRegistryDiagnostic(m_loadError);
            return m_loadErrorCode;
        }
        return ERROR_SUCCESS_CODE;
    }
    FileContents contents;
    if (const ErrorCode read = m_durable.Read(contents); read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return Load(std::move(contents.bytes), contents.identity);
}

ErrorCode DriverConfigurationFile::Read(const Reader& reader)
{
    return ReadAfterLooking(reader, true);
}

ErrorCode DriverConfigurationFile::ReadAsLastRead(const Reader& reader)
{
    return ReadAfterLooking(reader, false);
}

ErrorCode DriverConfigurationFile::ReadAfterLooking(const Reader& reader, bool lookAtDisk)
{
    std::lock_guard lock(m_mutex);
    // A transaction reads the file once and its own changes over it: the
    // commit reads it again anyway, and a save of many values need not look
    // at the disk for each one.
    const bool inTransaction = PendingConfigurationChanges::IsOpen();
    const uint64_t serial = PendingConfigurationChanges::Serial();
    const bool seen = !lookAtDisk || (inTransaction && m_readSerial == serial);
    if (!seen || !m_loaded || !m_loadError.empty()) {
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

ErrorCode DriverConfigurationFile::CheckWritable()
{
    // A transaction's many changes are checked once, by its commit.
    if (PendingConfigurationChanges::IsOpen()) {
        return ERROR_SUCCESS_CODE;
    }
    std::lock_guard lock(m_mutex);
    return m_durable.CheckWritable();
}

ErrorCode DriverConfigurationFile::Commit(const IniSectionChanges& changes)
{
    std::lock_guard lock(m_mutex);
    if (changes.IsEmpty()) {
        return ERROR_SUCCESS_CODE;
    }
    FileContents written;
    const ErrorCode updated = m_durable.Update(
        [&](const FileContents& current, std::optional<std::string>& text) {
            IniFile file;
            if (!file.Parse(current.bytes)) {
                // A file that is not text is never written over.
                return Load(current.bytes, current.identity);
            }
            text = file.Apply(m_section, changes);
            if (!current.exists && text->empty()) {
                text.reset();
            }
            return ERROR_SUCCESS_CODE;
        },
        &written);
    if (updated != ERROR_SUCCESS_CODE) {
        return updated;
    }
    // Known here as written (the path leads to it, through a link or not).
    if (written.exists) {
        static_cast<void>(Load(std::move(written.bytes), written.identity));
    }
    return ERROR_SUCCESS_CODE;
}

} // namespace Dravo::OS
