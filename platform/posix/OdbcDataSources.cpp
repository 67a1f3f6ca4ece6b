// Data sources in unixODBC's odbc.ini files, saved by the durable file engine.
#include "platform/OdbcDataSources.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "platform/Environment.h"
#include "platform/IniFile.h"
#include "platform/IniSectionChanges.h"
#include "platform/OdbcIniFile.h"
#include "platform/OdbcInstaller.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"
#include "platform/posix/DurableFile.h"
#include "platform/posix/HiveFile.h"
#include "platform/posix/SecretText.h"

namespace Dravo::OS {
namespace {

constexpr std::u16string_view DRIVER_KEY = u"Driver";
/// unixODBC's longest file name, with room for its NUL.
constexpr size_t FILE_NAME_UNITS = 4096 + 1;

/// unixODBC's own answer where it gives one: it knows its compiled-in
/// system folder and how it reads ODBCINI and ODBCSYSINI.
std::string AskInstaller(const char* function)
{
    using Locator = int (*)(char* fileName, int verify);
    auto* locate = reinterpret_cast<Locator>(OdbcInstaller::FindFunction(function));
    if (!locate) {
        return {};
    }
    std::string name(FILE_NAME_UNITS, '\0');
    if (!locate(name.data(), 0)) {
        return {};
    }
    name.resize(name.find('\0'));
    return name;
}

std::string FilePath(DataSourceScope scope)
{
    if (scope == DataSourceScope::User) {
        if (std::string path = AskInstaller("_odbcinst_UserINI"); !path.empty()) {
            return path;
        }
        if (auto named = GetEnvironmentValue("ODBCINI")) {
            return *named;
        }
        return GetUserHomeDirectory() + "/.odbc.ini";
    }
    if (std::string path = AskInstaller("_odbcinst_SystemINI"); !path.empty()) {
        return path;
    }
    return GetEnvironmentValue("ODBCSYSINI").value_or("/etc") + "/odbc.ini";
}

DurableFile FileOf(DataSourceScope scope)
{
    // A user's data sources may hold enciphered passwords: a new file of
    // theirs is theirs alone. Every user's programs read the system's.
    return DurableFile(FilePath(scope),
        DurableFileRules{"the data source file", true, false, scope == DataSourceScope::User ? 0600u : 0644u,
            TextHoldsSecret, scope == DataSourceScope::User, 07777, true});
}

ErrorCode Unreadable(const DurableFile& file, const OdbcIniFile& ini)
{
    const OdbcIniFile::Fault& error = ini.GetError();
    ThreadDiagnostic::Set(file.GetPath() + ", line " + std::to_string(error.line) + ": " + error.reason);
    return ERROR_BADDB_CODE;
}

/// A save that unixODBC would not read as made changes nothing.
ErrorCode Refused(const DurableFile& file, const OdbcIniFile::Fault& refusal)
{
    ThreadDiagnostic::Set(file.GetPath() + ", line " + std::to_string(refusal.line) + ": " + refusal.reason);
    return ERROR_BADDB_CODE;
}

/// The edit of one section as unixODBC would read it, or the refusal.
ErrorCode ApplyTo(const DurableFile& file, const OdbcIniFile& ini, std::u16string_view section,
    const IniSectionChanges& changes, std::optional<std::string>& text)
{
    OdbcIniFile::Fault refusal;
    text = ini.Apply(section, changes, refusal);
    return text ? ERROR_SUCCESS_CODE : Refused(file, refusal);
}

/// The entries of the section, or nothing when the file cannot be read as
/// text (the installer's reader is asked then).
std::optional<DataSourceEntries> SectionOf(DataSourceScope scope, std::u16string_view name)
{
    FileContents contents;
    OdbcIniFile ini;
    if (FileOf(scope).Read(contents) != ERROR_SUCCESS_CODE || !ini.Parse(std::move(contents.bytes))) {
        return std::nullopt;
    }
    DataSourceEntries entries;
    for (IniEntry& entry : ini.ReadSection(name)) {
        entries.emplace_back(std::move(entry.name), std::move(entry.value));
    }
    return entries;
}

bool SameAsciiFolded(std::u16string_view a, std::u16string_view b)
{
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

/// Why the data source may not be saved for the driver: it is another
/// driver's, named by its "Driver" entry (the driver's name, or its library
/// as registered).
std::optional<std::string> WhyNotTheDriversOwn(
    const std::string& path, const OdbcIniFile& ini, std::u16string_view name, std::u16string_view driver)
{
    for (const IniEntry& entry : ini.ReadSection(name)) {
        if (!SameAsciiFolded(entry.name, DRIVER_KEY)) {
            continue;
        }
        if (entry.value.empty() || SameAsciiFolded(entry.value, driver)) {
            return std::nullopt;
        }
        if (const std::optional<std::u16string> library = OdbcInstaller::FindRegisteredDriverLibrary(driver);
            library && *library == entry.value) {
            return std::nullopt;
        }
        return path + ": the data source " + Utf8OrPlaceholder(name) + " belongs to the driver "
            + Utf8OrPlaceholder(entry.value) + ", not to " + Utf8OrPlaceholder(driver);
    }
    return std::nullopt;
}

/// Makes unixODBC in this process read its files again. It keeps what
/// SQLGetPrivateProfileString returned for 20 seconds, and forgets all of it
/// (__clear_ini_cache) only after one of its own writers saved a file; 2.3.11
/// does not export that function, so its writer saves /dev/null, which it
/// reads as an empty file and writes without leaving anything.
ErrorCode ForgetInstallerCache(ErrorCode saved)
{
    if (saved != ERROR_SUCCESS_CODE) {
        return saved;
    }
    if (auto* clear = reinterpret_cast<void (*)()>(OdbcInstaller::FindFunction("__clear_ini_cache"))) {
        clear();
        return saved;
    }
    // An absolute name, which unixODBC takes as it is.
    (void)OdbcInstaller::WritePrivateProfileStringNarrow("Forget", "Cache", std::string("1"), "/dev/null");
    return saved;
}

} // namespace

DataSourceEntries OdbcDataSources::ReadEntries(std::u16string_view name)
{
    // Read from the file itself, once: unixODBC parses the whole file again
    // for every entry it is asked for.
    const std::optional<uint16_t> mode = OdbcInstaller::GetConfigMode();
    std::vector<DataSourceScope> scopes;
    if (mode == ConfigModeOf(DataSourceScope::System)) {
        scopes = {DataSourceScope::System};
    } else if (mode == ConfigModeOf(DataSourceScope::User)) {
        scopes = {DataSourceScope::User};
    } else {
        scopes = {DataSourceScope::User, DataSourceScope::System};
    }
    for (const DataSourceScope scope : scopes) {
        const std::optional<DataSourceEntries> entries = SectionOf(scope, name);
        if (!entries) {
            return ReadDataSourceThroughInstaller(name);
        }
        if (!entries->empty()) {
            return *entries;
        }
    }
    return {};
}

std::u16string OdbcDataSources::Describe(DataSourceScope scope)
{
    return Utf16OrWidenedBytes(FilePath(scope));
}

ErrorCode OdbcDataSources::CheckWritable(DataSourceScope scope)
{
    const ErrorCode writable = FileOf(scope).CheckWritable();
    // Administrator rights help only a user with the system's data sources:
    // a user's own file in a folder they may not write, or root meeting a
    // folder where the file should be, is a file that cannot be written.
    if (writable == ERROR_ACCESS_DENIED_CODE && (scope == DataSourceScope::User || ::geteuid() == 0)) {
        return ERROR_CANTWRITE_CODE;
    }
    return writable;
}

ErrorCode OdbcDataSources::Save(DataSourceScope scope, const DataSourceSave& save, DataSourceSaveFailure& failure)
{
    failure = DataSourceSaveFailure{};
    const DurableFile file = FileOf(scope);
    IniSectionChanges changes;
    if (save.anew) {
        changes.RemoveSection();
        changes.CreateSection();
        changes.SetValue(DRIVER_KEY, save.driver);
    }
    for (const DataSourceEntryChange& change : save.changes) {
        if (change.value) {
            changes.SetValue(change.key, *change.value);
        } else {
            changes.DeleteValue(change.key);
        }
    }
    FileContents written;
    const ErrorCode saved = ForgetInstallerCache(file.Update(
        [&](const FileContents& current, std::optional<std::string>& text) {
            OdbcIniFile ini;
            if (!ini.Parse(current.bytes)) {
                // A file that is not text is never written over.
                return Unreadable(file, ini);
            }
            if (!save.anew && !ini.HasSection(save.name)) {
                ThreadDiagnostic::Set(
                    file.GetPath() + ": the data source " + Utf8OrPlaceholder(save.name) + " is not there");
                return ERROR_FILE_NOT_FOUND_CODE;
            }
            if (!save.driver.empty()) {
                if (auto why = WhyNotTheDriversOwn(file.GetPath(), ini, save.name, save.driver)) {
                    ThreadDiagnostic::Set(*why);
                    return ERROR_BADDB_CODE;
                }
            }
            if (const ErrorCode applied = ApplyTo(file, ini, save.name, changes, text); applied != ERROR_SUCCESS_CODE) {
                return applied;
            }
            // A data source made anew ends the file; unixODBC ends each of its
            // sections with a blank line, and so does this one.
            const std::string lineEnd = text->ends_with("\r\n") ? "\r\n" : "\n";
            if (save.anew && text->ends_with(lineEnd) && !text->ends_with(lineEnd + lineEnd)) {
                *text += lineEnd;
            }
            return ERROR_SUCCESS_CODE;
        },
        &written));
    if (saved != ERROR_SUCCESS_CODE && written.exists) {
        failure.outcome = DataSourceSaveFailure::Outcome::InPlace;
    }
    return saved;
}

ErrorCode OdbcDataSources::Remove(DataSourceScope scope, std::u16string_view name)
{
    const DurableFile file = FileOf(scope);
    IniSectionChanges removal;
    removal.RemoveSection();
    return ForgetInstallerCache(file.Update([&](const FileContents& current, std::optional<std::string>& text) {
        OdbcIniFile ini;
        if (!ini.Parse(current.bytes)) {
            return Unreadable(file, ini);
        }
        if (ini.HasSection(name)) {
            return ApplyTo(file, ini, name, removal, text);
        }
        return ERROR_SUCCESS_CODE;
    }));
}

ErrorCode OdbcDataSources::ChangeDriverEntries(
    std::u16string_view driver, const std::vector<DataSourceEntryChange>& changes)
{
    // The drivers file every program of the machine reads, saved as the data
    // sources are: unixODBC's own writer rewrites it in place once per entry.
    using FileNameFunction = char*(char*);
    auto* folder = reinterpret_cast<FileNameFunction*>(OdbcInstaller::FindFunction("odbcinst_system_file_path"));
    auto* name = reinterpret_cast<FileNameFunction*>(OdbcInstaller::FindFunction("odbcinst_system_file_name"));
    if (!folder || !name) {
        ThreadDiagnostic::Set("unixODBC's installer does not say where its drivers file is");
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    std::string folderName(FILE_NAME_UNITS, '\0');
    std::string fileName(FILE_NAME_UNITS, '\0');
    const DurableFile file(std::string(folder(folderName.data())) + "/" + name(fileName.data()),
        DurableFileRules{"the drivers file", true, false, 0644, nullptr, false, 07777, true});
    IniSectionChanges sectionChanges;
    for (const DataSourceEntryChange& change : changes) {
        if (change.value) {
            sectionChanges.SetValue(change.key, *change.value);
        } else {
            sectionChanges.DeleteValue(change.key);
        }
    }
    return ForgetInstallerCache(file.Update([&](const FileContents& current, std::optional<std::string>& text) {
        OdbcIniFile ini;
        if (!ini.Parse(current.bytes)) {
            return Unreadable(file, ini);
        }
        if (!ini.HasSection(driver)) {
            ThreadDiagnostic::Set(file.GetPath() + ": the driver " + Utf8OrPlaceholder(driver) + " is not there");
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        return ApplyTo(file, ini, driver, sectionChanges, text);
    }));
}

} // namespace Dravo::OS
