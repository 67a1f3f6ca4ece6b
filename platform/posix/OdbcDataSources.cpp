// Data sources in unixODBC's odbc.ini files, saved by the durable file engine.
#include "platform/OdbcDataSources.h"

#include <cstdlib>
#include <string>

#include "platform/IniFile.h"
#include "platform/IniSectionChanges.h"
#include "platform/OdbcInstaller.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"
#include "platform/posix/DurableFile.h"
#include "platform/posix/HiveFile.h"

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
        if (const char* named = std::getenv("ODBCINI"); named && *named) {
            return named;
        }
        return GetUserHomeDirectory() + "/.odbc.ini";
    }
    if (std::string path = AskInstaller("_odbcinst_SystemINI"); !path.empty()) {
        return path;
    }
    const char* folder = std::getenv("ODBCSYSINI");
    return std::string(folder && *folder ? folder : "/etc") + "/odbc.ini";
}

DurableFile FileOf(DataSourceScope scope)
{
    // A user's data sources may hold enciphered passwords: a new file of
    // theirs is theirs alone. Every user's programs read the system's.
    return DurableFile(FilePath(scope),
        DurableFileRules{"the data source file", true, false, scope == DataSourceScope::User ? 0600u : 0644u});
}

ErrorCode Unreadable(const DurableFile& file, const IniFile& ini)
{
    const IniFile::ReadError& error = ini.GetError();
    ThreadDiagnostic::Set(file.GetPath() + ", line " + std::to_string(error.line) + ": " + error.message);
    return ERROR_BADDB_CODE;
}

} // namespace

std::u16string OdbcDataSources::Describe(DataSourceScope scope)
{
    return Utf16OrWidenedBytes(FilePath(scope));
}

ErrorCode OdbcDataSources::CheckWritable(DataSourceScope scope)
{
    return FileOf(scope).CheckWritable();
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
    return file.Update([&](const FileContents& current, std::optional<std::string>& text) {
        IniFile ini;
        if (!ini.Parse(current.bytes)) {
            // A file that is not text is never written over.
            return Unreadable(file, ini);
        }
        if (!save.anew && !ini.HasSection(save.name)) {
            ThreadDiagnostic::Set(file.GetPath() + ": the data source " + Utf8OrPlaceholder(save.name)
                + " is not there");
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        text = ini.Apply(save.name, changes);
        return ERROR_SUCCESS_CODE;
    });
}

ErrorCode OdbcDataSources::Remove(DataSourceScope scope, std::u16string_view name)
{
    const DurableFile file = FileOf(scope);
    IniSectionChanges removal;
    removal.RemoveSection();
    return file.Update([&](const FileContents& current, std::optional<std::string>& text) {
        IniFile ini;
        if (!ini.Parse(current.bytes)) {
            return Unreadable(file, ini);
        }
        if (ini.HasSection(name)) {
            text = ini.Apply(name, removal);
        }
        return ERROR_SUCCESS_CODE;
    });
}

} // namespace Dravo::OS
